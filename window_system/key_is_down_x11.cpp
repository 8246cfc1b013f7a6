#include "key_is_down.h"

#include "keycode_x11.h"

#include <GL/glx.h>

// Asks the display of the current rendering context, which is the window's
// while freeglut delivers its events.
bool key_is_down(unsigned char character)
{
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr)
        return false;
    const KeyCode code = keycode_of(display, character);
    return code != 0 && is_down(query_keymap(display), code);
}
