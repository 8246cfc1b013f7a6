#include "window_exists.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

int ignore_error(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

bool current_window_exists()
{
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == None)
        return false;
    // A destroyed window answers BadWindow, which Xlib's default handler
    // would turn into an exit with status 1. The query waits for its reply,
    // so its error is handled before the handler is put back.
    const XErrorHandler previous = XSetErrorHandler(ignore_error);
    XWindowAttributes attributes;
    const Status queried = XGetWindowAttributes(display, window, &attributes);
    XSetErrorHandler(previous);
    return queried != 0;
}
