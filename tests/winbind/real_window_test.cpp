// The binding layer over the real freeglut in an X server: init runs once
// with the new window and its context current, before the first event, and
// the first events reach the object.
#include "gluty_api4.h"
#include "window_registry.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

class probe : public mosk::glutyAPI4 {
public:
    std::vector<std::string> events;
    int init_window = 0;
    bool context_current_in_init = false;
    int width = 0;
    int height = 0;

    void init() override
    {
        events.push_back("init");
        init_window = glutGetWindow();
        context_current_in_init = glGetString(GL_VERSION) != nullptr;
    }
    void reshape(int w, int h) override
    {
        events.push_back("reshape");
        width = w;
        height = h;
    }
    void display() override
    {
        events.push_back("display");
        glClear(GL_COLOR_BUFFER_BIT);
        glutSwapBuffers();
    }
};

bool seen(const std::vector<std::string>& events, const std::string& name)
{
    for (const std::string& event : events)
        if (event == name)
            return true;
    return false;
}

TEST(real_window, init_runs_once_before_events_and_events_reach_the_object)
{
    int argc = 1;
    char name[] = "real_window_test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(400, 400);

    probe window;
    mosk::glutyAPI::createWindow(&window, "binding probe");
    const int id = glutGetWindow();
    ASSERT_NE(id, 0);
    EXPECT_EQ(mosk::window_registry.at(id), &window);
    EXPECT_EQ(window.init_window, id);
    EXPECT_TRUE(window.context_current_in_init);

    mosk::glutyAPI4::bindCallbacks();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!seen(window.events, "display") && std::chrono::steady_clock::now() < deadline)
        glutMainLoopEvent();

    ASSERT_GE(window.events.size(), 3u);
    EXPECT_EQ(window.events.front(), "init");
    EXPECT_EQ(std::count(window.events.begin(), window.events.end(), "init"), 1);
    EXPECT_TRUE(seen(window.events, "reshape"));
    EXPECT_TRUE(seen(window.events, "display"));
    EXPECT_EQ(window.width, 400);
    EXPECT_EQ(window.height, 400);
}

} // namespace
