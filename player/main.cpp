// vellicor: plays a bank of sample files from the computer keyboard.
#include "command_line.h"
#include "gluty_api4.h"
#include "key_repeat.h"
#include "myxa2.h"
#include "pcm_bank.h"
#include "vellicor.h"
#include "window_exists.h"

#include <GL/freeglut.h>
#include <mmsystem.h>

#include <cstdlib>

namespace {

// A window that another program destroys, without asking it to close,
// reaches freeglut only as hidden, and freeglut goes on without it. Ends
// the player with status 0 as a close does, but without the exit handlers:
// freeglut's would destroy the window again and end with status 1 on the
// error. Every line written so far was flushed.
void on_window_status(int)
{
    if (!current_window_exists())
        std::_Exit(0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && print_help_or_version(argv[1]))
        return 0;
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
    report_held_keys_as_repeated_presses();
    mosk::glutyAPI4::bindCallbacks();
    glutWindowStatusFunc(on_window_status);
    glutMainLoop();
    return 0;
}
