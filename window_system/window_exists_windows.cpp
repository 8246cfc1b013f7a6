#include "window_exists.h"

#include <windows.h>

// Only the window's own thread can destroy a window on Windows; the
// device context of the current rendering context leads to it.
bool current_window_exists()
{
    const HDC device = wglGetCurrentDC();
    return device != nullptr && IsWindow(WindowFromDC(device));
}
