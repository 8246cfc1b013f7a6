#pragma once
// An application object that receives the events of one freeglut window.

namespace mosk {

class glutyAPI {
public:
    // Virtual operations in dispatch-table order; every event does nothing
    // unless a derived class overrides it.
    virtual void reshape(int width, int height);
    virtual void display();
    virtual void keyboard(unsigned char key, int x, int y);
    virtual void special(int key, int x, int y);
    virtual void mouse(int button, int state, int x, int y);
    virtual void motion(int x, int y);
    virtual void passiveMotion(int x, int y);
    virtual void idle();
    virtual void init();
    virtual ~glutyAPI() = 0;

    // Creates a top-level window with the library's current initial settings,
    // registers `object` under the new window's identifier and runs its init
    // once, with the window current. A null object creates nothing.
    static void createWindow(glutyAPI* object, const char* title);
};

} // namespace mosk
