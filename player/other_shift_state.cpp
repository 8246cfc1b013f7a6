#include "other_shift_state.h"

#include <array>

namespace {

struct shift_pair {
    unsigned char unshifted;
    unsigned char shifted;
};

// The JIS digit and symbol keys that play a slot; the 0 key gives nothing
// with Shift.
constexpr std::array<shift_pair, 15> symbol_keys{{
    {'2', '"'}, {'3', '#'}, {'5', '%'}, {'6', '&'}, {'7', '\''},
    {'9', ')'}, {',', '<'}, {'.', '>'}, {'/', '?'}, {':', '*'},
    {'\\', '_'}, {']', '}'}, {'@', '`'}, {'^', '~'}, {'[', '{'},
}};

}  // namespace

unsigned char other_shift_state(unsigned char key)
{
    if (key >= 'a' && key <= 'z')
        return static_cast<unsigned char>(key - 'a' + 'A');
    if (key >= 'A' && key <= 'Z')
        return static_cast<unsigned char>(key - 'A' + 'a');
    for (const shift_pair& pair : symbol_keys) {
        if (key == pair.unshifted)
            return pair.shifted;
        if (key == pair.shifted)
            return pair.unshifted;
    }
    return key;
}
