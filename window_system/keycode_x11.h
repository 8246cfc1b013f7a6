#pragma once
// The X keyboard's key codes as the window system functions use them.
#include <X11/Xlib.h>

#include <array>

using x_keymap = std::array<char, 32>;

// The key that gives `character` under the current layout, in any Shift
// state, or 0 when none does. Printable Latin-1 characters are their own
// keysyms.
inline KeyCode keycode_of(Display* display, unsigned char character)
{
    return XKeysymToKeycode(display, character);
}

// The keys held down now, whatever events are still queued.
inline x_keymap query_keymap(Display* display)
{
    x_keymap keymap{};
    XQueryKeymap(display, keymap.data());
    return keymap;
}

inline bool is_down(const x_keymap& keymap, KeyCode code)
{
    return (static_cast<unsigned char>(keymap[code / 8]) >> (code % 8) & 1) != 0;
}
