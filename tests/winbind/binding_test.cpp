// The binding layer against a fake freeglut: window creation, registration
// order and dispatch of every callback to the current window's object.
#include "fake_glut.h"
#include "gluty_api4.h"
#include "window_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fake_glut::log;

std::string call(const std::string& tag, const char* operation, std::vector<int> args)
{
    std::string text = tag + "." + operation + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(args[i]);
    }
    return text + ")";
}

// Logs every operation with its arguments and the window current at the time.
class recorder : public mosk::glutyAPI4 {
public:
    explicit recorder(std::string tag) : tag(std::move(tag)) {}

    void reshape(int w, int h) override { log.push_back(call(tag, "reshape", {w, h})); }
    void display() override { log.push_back(call(tag, "display", {})); }
    void keyboard(unsigned char k, int x, int y) override { log.push_back(call(tag, "keyboard", {k, x, y})); }
    void special(int k, int x, int y) override { log.push_back(call(tag, "special", {k, x, y})); }
    void mouse(int b, int s, int x, int y) override { log.push_back(call(tag, "mouse", {b, s, x, y})); }
    void motion(int x, int y) override { log.push_back(call(tag, "motion", {x, y})); }
    void passiveMotion(int x, int y) override { log.push_back(call(tag, "passiveMotion", {x, y})); }
    void idle() override { log.push_back(call(tag, "idle", {})); }
    void init() override { log.push_back(call(tag, "init", {glutGetWindowForTest()})); }
    void keyboardUp(unsigned char k, int x, int y) override { log.push_back(call(tag, "keyboardUp", {k, x, y})); }
    void specialUp(int k, int x, int y) override { log.push_back(call(tag, "specialUp", {k, x, y})); }
    void mouseWheel(int w, int d, int x, int y) override { log.push_back(call(tag, "mouseWheel", {w, d, x, y})); }

private:
    static int glutGetWindowForTest() { return fake_glut::current_window; }
    std::string tag;
};

// Has no release or wheel operations: a window object of the older kind.
class basic_recorder : public mosk::glutyAPI {
public:
    void reshape(int w, int h) override { log.push_back(call("P", "reshape", {w, h})); }
    void display() override { log.push_back(call("P", "display", {})); }
    void keyboard(unsigned char k, int x, int y) override { log.push_back(call("P", "keyboard", {k, x, y})); }
    void special(int k, int x, int y) override { log.push_back(call("P", "special", {k, x, y})); }
    void mouse(int b, int s, int x, int y) override { log.push_back(call("P", "mouse", {b, s, x, y})); }
    void motion(int x, int y) override { log.push_back(call("P", "motion", {x, y})); }
    void passiveMotion(int x, int y) override { log.push_back(call("P", "passiveMotion", {x, y})); }
};

// Delivers one event of every kind to `window`, as freeglut would: with that
// window current and through the callbacks registered for it.
void deliver_all_events(int window)
{
    fake_glut::current_window = window;
    const fake_glut::window_callbacks& c = fake_glut::callbacks.at(window);
    c.reshape(640, 480);
    c.display();
    c.keyboard('z', 1, 2);
    c.special(101, 3, 4);
    c.mouse(0, 1, 5, 6);
    c.motion(7, 8);
    c.passive_motion(9, 10);
    c.keyboard_up(255, 11, 12);
    c.special_up(102, 13, 14);
    c.mouse_wheel(0, -1, 15, 16);
}

std::vector<std::string> all_event_calls(const std::string& tag)
{
    return {
        call(tag, "reshape", {640, 480}),       call(tag, "display", {}),
        call(tag, "keyboard", {'z', 1, 2}),      call(tag, "special", {101, 3, 4}),
        call(tag, "mouse", {0, 1, 5, 6}),        call(tag, "motion", {7, 8}),
        call(tag, "passiveMotion", {9, 10}),     call(tag, "keyboardUp", {255, 11, 12}),
        call(tag, "specialUp", {102, 13, 14}),   call(tag, "mouseWheel", {0, -1, 15, 16}),
    };
}

class binding : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_glut::reset();
        mosk::window_registry.clear();
    }
};

TEST_F(binding, create_window_with_null_object_does_nothing)
{
    mosk::glutyAPI::createWindow(nullptr, "Vellicor");
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(fake_glut::window_titles.empty());
    EXPECT_TRUE(mosk::window_registry.empty());
}

TEST_F(binding, create_window_registers_object_then_runs_init_once_with_window_current)
{
    recorder a("A");
    mosk::glutyAPI::createWindow(&a, "Vellicor");
    EXPECT_EQ(fake_glut::window_titles, std::vector<std::string>{"Vellicor"});
    EXPECT_EQ(log, (std::vector<std::string>{"glutCreateWindow", "A.init(1)"}));
    ASSERT_EQ(mosk::window_registry.size(), 1u);
    EXPECT_EQ(mosk::window_registry.at(1), &a);
}

TEST_F(binding, bind_callbacks_registers_exactly_ten_in_order_after_init)
{
    recorder a("A");
    mosk::glutyAPI::createWindow(&a, "Vellicor");
    mosk::glutyAPI4::bindCallbacks();
    const std::vector<std::string> expected{
        "glutCreateWindow",     "A.init(1)",          "glutReshapeFunc",
        "glutDisplayFunc",      "glutKeyboardFunc",   "glutSpecialFunc",
        "glutMouseFunc",        "glutMotionFunc",     "glutPassiveMotionFunc",
        "glutKeyboardUpFunc",   "glutSpecialUpFunc",  "glutMouseWheelFunc",
    };
    EXPECT_EQ(log, expected);
}

TEST_F(binding, every_callback_reaches_its_operation_with_arguments_unchanged)
{
    recorder a("A");
    mosk::glutyAPI::createWindow(&a, "Vellicor");
    mosk::glutyAPI4::bindCallbacks();
    log.clear();
    deliver_all_events(1);
    EXPECT_EQ(log, all_event_calls("A"));
}

TEST_F(binding, events_go_to_the_object_of_the_current_window_only)
{
    recorder a("A");
    recorder b("B");
    mosk::glutyAPI::createWindow(&a, "first");
    mosk::glutyAPI4::bindCallbacks();
    mosk::glutyAPI::createWindow(&b, "second");
    mosk::glutyAPI4::bindCallbacks();
    log.clear();

    deliver_all_events(2);
    EXPECT_EQ(log, all_event_calls("B"));
    log.clear();
    deliver_all_events(1);
    EXPECT_EQ(log, all_event_calls("A"));
}

TEST_F(binding, events_of_unknown_windows_and_null_objects_are_dropped)
{
    recorder a("A");
    mosk::glutyAPI::createWindow(&a, "Vellicor");
    mosk::glutyAPI4::bindCallbacks();
    const fake_glut::window_callbacks bound = fake_glut::callbacks.at(1);
    fake_glut::callbacks[0] = bound;
    fake_glut::callbacks[7] = bound;
    fake_glut::callbacks[9] = bound;
    mosk::window_registry[9] = nullptr;
    log.clear();

    deliver_all_events(0); // no current window
    deliver_all_events(7); // never registered
    deliver_all_events(9); // registered without an object
    EXPECT_TRUE(log.empty());
}

TEST_F(binding, object_without_the_release_operations_gets_only_the_basic_events)
{
    basic_recorder window;
    mosk::glutyAPI::createWindow(&window, "Vellicor");
    mosk::glutyAPI4::bindCallbacks();
    log.clear();
    deliver_all_events(1);
    std::vector<std::string> basic = all_event_calls("P");
    basic.resize(7);
    EXPECT_EQ(log, basic);
}

} // namespace
