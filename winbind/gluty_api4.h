#pragma once
// Window object with the key-release, special-key-release and wheel events,
// and the forwarding functions that route freeglut callbacks to objects.
#include "gluty_api.h"

namespace mosk {

class glutyAPI4 : public glutyAPI {
public:
    virtual void keyboardUp(unsigned char key, int x, int y);
    virtual void specialUp(int key, int x, int y);
    virtual void mouseWheel(int wheel, int direction, int x, int y);

    // Registers the ten forwarding functions with the current window.
    static void bindCallbacks();

    // Each one finds the current window's object and calls one operation;
    // events of unregistered windows and null objects are dropped.
    static void onReshape(int width, int height);
    static void onDisplay();
    static void onKeyboard(unsigned char key, int x, int y);
    static void onSpecial(int key, int x, int y);
    static void onMouse(int button, int state, int x, int y);
    static void onMotion(int x, int y);
    static void onPassiveMotion(int x, int y);
    static void onKeyboardUp(unsigned char key, int x, int y);
    static void onSpecialUp(int key, int x, int y);
    static void onMouseWheel(int wheel, int direction, int x, int y);
};

} // namespace mosk
