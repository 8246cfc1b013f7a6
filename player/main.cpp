// vellicor: plays a bank of sample files from the computer keyboard.
#include "gluty_api4.h"
#include "myxa2.h"
#include "pcm_bank.h"
#include "vellicor.h"

#include <GL/freeglut.h>
#include <mmsystem.h>

int main(int argc, char** argv)
{
    load_bank(argc, argv);
    myxa2 = new myxa2_state{};
    myxa2_init();
    start_time = timeGetTime();

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    // Lives until the process ends, reachable through the window registry.
    auto* instrument = new Vellicor;
    mosk::glutyAPI::createWindow(instrument, "Vellicor");
    glutIdleFunc(nullptr);
    glutSetKeyRepeat(GLUT_KEY_REPEAT_OFF);
    mosk::glutyAPI4::bindCallbacks();
    glutMainLoop();
    return 0;
}
