#pragma once
// A stand-in for the freeglut calls the binding layer makes: windows are
// numbered from 1, the last created is current, and registrations are
// logged and kept per window so that tests can deliver events.
#include <map>
#include <string>
#include <vector>

namespace fake_glut {

struct window_callbacks {
    void (*reshape)(int, int) = nullptr;
    void (*display)() = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
    void (*passive_motion)(int, int) = nullptr;
    void (*keyboard_up)(unsigned char, int, int) = nullptr;
    void (*special_up)(int, int, int) = nullptr;
    void (*mouse_wheel)(int, int, int, int) = nullptr;
};

// Every library call and every test-object operation, in order.
extern std::vector<std::string> log;
extern int current_window;
extern std::map<int, window_callbacks> callbacks;
extern std::vector<std::string> window_titles;

void reset();

} // namespace fake_glut
