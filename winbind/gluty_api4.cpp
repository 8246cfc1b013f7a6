#include "gluty_api4.h"

#include "window_registry.h"

#include <GL/freeglut.h>

namespace mosk {

namespace {

// Slots 10 to 12 exist only on glutyAPI4; an object bound without them gets
// none of those events rather than a call through the wrong type.
glutyAPI4* current_window_object4()
{
    return dynamic_cast<glutyAPI4*>(current_window_object());
}

} // namespace

void glutyAPI4::keyboardUp(unsigned char, int, int) {}
void glutyAPI4::specialUp(int, int, int) {}
void glutyAPI4::mouseWheel(int, int, int, int) {}

void glutyAPI4::bindCallbacks()
{
    glutReshapeFunc(onReshape);
    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecial);
    glutMouseFunc(onMouse);
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onPassiveMotion);
    glutKeyboardUpFunc(onKeyboardUp);
    glutSpecialUpFunc(onSpecialUp);
    glutMouseWheelFunc(onMouseWheel);
}

void glutyAPI4::onReshape(int width, int height)
{
    if (glutyAPI* object = current_window_object())
        object->reshape(width, height);
}

void glutyAPI4::onDisplay()
{
    if (glutyAPI* object = current_window_object())
        object->display();
}

void glutyAPI4::onKeyboard(unsigned char key, int x, int y)
{
    if (glutyAPI* object = current_window_object())
        object->keyboard(key, x, y);
}

void glutyAPI4::onSpecial(int key, int x, int y)
{
    if (glutyAPI* object = current_window_object())
        object->special(key, x, y);
}

void glutyAPI4::onMouse(int button, int state, int x, int y)
{
    if (glutyAPI* object = current_window_object())
        object->mouse(button, state, x, y);
}

void glutyAPI4::onMotion(int x, int y)
{
    if (glutyAPI* object = current_window_object())
        object->motion(x, y);
}

void glutyAPI4::onPassiveMotion(int x, int y)
{
    if (glutyAPI* object = current_window_object())
        object->passiveMotion(x, y);
}

void glutyAPI4::onKeyboardUp(unsigned char key, int x, int y)
{
    if (glutyAPI4* object = current_window_object4())
        object->keyboardUp(key, x, y);
}

void glutyAPI4::onSpecialUp(int key, int x, int y)
{
    if (glutyAPI4* object = current_window_object4())
        object->specialUp(key, x, y);
}

void glutyAPI4::onMouseWheel(int wheel, int direction, int x, int y)
{
    if (glutyAPI4* object = current_window_object4())
        object->mouseWheel(wheel, direction, x, y);
}

} // namespace mosk
