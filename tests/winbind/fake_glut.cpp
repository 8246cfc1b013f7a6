#include "fake_glut.h"

#include <GL/freeglut.h>

namespace fake_glut {

std::vector<std::string> log;
int current_window = 0;
std::map<int, window_callbacks> callbacks;
std::vector<std::string> window_titles;

void reset()
{
    log.clear();
    current_window = 0;
    callbacks.clear();
    window_titles.clear();
}

namespace {

// Like freeglut, registrations without a current window are ignored.
template <typename Callback>
void record(const char* call, Callback window_callbacks::*member, Callback function)
{
    log.emplace_back(call);
    if (current_window != 0)
        callbacks[current_window].*member = function;
}

} // namespace
} // namespace fake_glut

using fake_glut::record;
using fake_glut::window_callbacks;

int glutCreateWindow(const char* title)
{
    fake_glut::window_titles.emplace_back(title);
    fake_glut::current_window = static_cast<int>(fake_glut::window_titles.size());
    fake_glut::log.push_back("glutCreateWindow");
    return fake_glut::current_window;
}

int glutGetWindow()
{
    return fake_glut::current_window;
}

void glutReshapeFunc(void (*f)(int, int)) { record("glutReshapeFunc", &window_callbacks::reshape, f); }
void glutDisplayFunc(void (*f)()) { record("glutDisplayFunc", &window_callbacks::display, f); }
void glutKeyboardFunc(void (*f)(unsigned char, int, int)) { record("glutKeyboardFunc", &window_callbacks::keyboard, f); }
void glutSpecialFunc(void (*f)(int, int, int)) { record("glutSpecialFunc", &window_callbacks::special, f); }
void glutMouseFunc(void (*f)(int, int, int, int)) { record("glutMouseFunc", &window_callbacks::mouse, f); }
void glutMotionFunc(void (*f)(int, int)) { record("glutMotionFunc", &window_callbacks::motion, f); }
void glutPassiveMotionFunc(void (*f)(int, int)) { record("glutPassiveMotionFunc", &window_callbacks::passive_motion, f); }
void glutKeyboardUpFunc(void (*f)(unsigned char, int, int)) { record("glutKeyboardUpFunc", &window_callbacks::keyboard_up, f); }
void glutSpecialUpFunc(void (*f)(int, int, int)) { record("glutSpecialUpFunc", &window_callbacks::special_up, f); }
void glutMouseWheelFunc(void (*f)(int, int, int, int)) { record("glutMouseWheelFunc", &window_callbacks::mouse_wheel, f); }
