#include <wingdi.h>

#include <GL/glx.h>

PROC wglGetProcAddress(const char* name)
{
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}
