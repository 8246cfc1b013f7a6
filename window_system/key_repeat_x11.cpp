#include "key_repeat.h"

#include "keycode_x11.h"

#include <GL/glx.h>
#include <X11/XKBlib.h>

#include <bitset>

namespace {

// Keys whose press was reported and that were not found up since.
std::bitset<256> held;

} // namespace

void report_held_keys_as_repeated_presses()
{
    if (Display* display = glXGetCurrentDisplay())
        XkbSetDetectableAutoRepeat(display, True, nullptr);
}

bool key_press_repeats(unsigned char character)
{
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr)
        return false;
    const KeyCode code = keycode_of(display, character);
    if (code == 0)
        return false;
    if (held[code])
        return true;
    held.set(code);
    return false;
}

void forget_keys_let_go()
{
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr || held.none())
        return;
    const x_keymap keymap = query_keymap(display);
    for (std::size_t code = 0; code < held.size(); ++code)
        if (held[code] && !is_down(keymap, static_cast<KeyCode>(code)))
            held.reset(code);
}
