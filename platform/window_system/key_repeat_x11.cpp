#include "key_repeat.h"

#include "keycode_x11.h"

#include <GL/glx.h>
#include <X11/XKBlib.h>

#include <bitset>

namespace {

// Keys whose press was reported and that were not seen let go since.
std::bitset<256> held;

// A key let go while the window lacked the focus, or whose release came
// as a character of another key, is found up here.
void forget_keys_let_go(Display* display)
{
    const x_keymap keymap = query_keymap(display);
    for (std::size_t code = 0; code < held.size(); ++code)
        if (held[code] && !is_down(keymap, static_cast<KeyCode>(code)))
            held.reset(code);
}

} // namespace

void report_held_keys_as_repeated_presses()
{
    if (Display* display = glXGetCurrentDisplay())
        XkbSetDetectableAutoRepeat(display, True, nullptr);
}

// A repeat read late, once its key is already up, is still a repeat: only
// a release or another key's press ends a hold.
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
    forget_keys_let_go(display);
    held.set(code);
    return false;
}

void key_released(unsigned char character)
{
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr)
        return;
    held.reset(keycode_of(display, character));
    forget_keys_let_go(display);
}
