#include "key_is_down.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

// Asks the display of the current rendering context, which is the window's
// while freeglut delivers its events.
bool key_is_down(unsigned char character)
{
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr)
        return false;
    // Printable Latin-1 characters are their own keysyms.
    const KeyCode code = XKeysymToKeycode(display, character);
    if (code == 0)
        return false;
    char keymap[32];
    XQueryKeymap(display, keymap);
    return (static_cast<unsigned char>(keymap[code / 8]) >> (code % 8) & 1) != 0;
}
