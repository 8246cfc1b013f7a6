#include "gluty_api.h"

#include "window_registry.h"

#include <GL/freeglut.h>

namespace mosk {

void glutyAPI::reshape(int, int) {}
void glutyAPI::display() {}
void glutyAPI::keyboard(unsigned char, int, int) {}
void glutyAPI::special(int, int, int) {}
void glutyAPI::mouse(int, int, int, int) {}
void glutyAPI::motion(int, int) {}
void glutyAPI::passiveMotion(int, int) {}
void glutyAPI::idle() {}
void glutyAPI::init() {}
glutyAPI::~glutyAPI() {}

void glutyAPI::createWindow(glutyAPI* object, const char* title)
{
    if (object == nullptr)
        return;
    const int window = glutCreateWindow(title);
    window_registry[window] = object;
    object->init();
}

} // namespace mosk
