// The keyboard instrument's key handling with the audio module recorded,
// and its window operations on a real context.
#include "fake_audio.h"
#include "gl_extensions.h"
#include "key_is_down.h"
#include "key_repeat.h"
#include "key_slot_table.h"
#include "vellicor.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <mmsystem.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The keyboard state, scripted: the keys held down, each as the characters
// it gives in its Shift states ("2@" for a US 2 key).
std::vector<std::string> held_keys;
// The characters whose presses the keyboard repeats, and how often the
// instrument had keys let go forgotten.
std::string repeating_keys;
int forgettings = 0;

} // namespace

bool key_press_repeats(unsigned char character)
{
    return repeating_keys.find(static_cast<char>(character)) != std::string::npos;
}

void forget_keys_let_go()
{
    ++forgettings;
}

bool key_is_down(unsigned char character)
{
    return std::any_of(held_keys.begin(), held_keys.end(), [&](const std::string& key) {
        return key.find(static_cast<char>(character)) != std::string::npos;
    });
}

namespace {

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

TEST(key_slot_table, maps_39_keys_to_slots_0_to_34_and_escape_to_quit)
{
    const std::map<unsigned char, int> expected{
        {'z', 0},  {'s', 1},  {'x', 2},  {'c', 3},  {'f', 4},  {'v', 5},  {'g', 6},  {'b', 7},
        {'n', 8},  {'j', 9},  {'m', 10}, {'k', 11}, {',', 12}, {'l', 13}, {'.', 14}, {'/', 15},
        {'q', 15}, {':', 16}, {'2', 16}, {'\\', 17}, {'w', 17}, {']', 18}, {'3', 18}, {'e', 19},
        {'r', 20}, {'5', 21}, {'t', 22}, {'6', 23}, {'y', 24}, {'7', 25}, {'u', 26}, {'i', 27},
        {'9', 28}, {'o', 29}, {'0', 30}, {'p', 31}, {'@', 32}, {'^', 33}, {'[', 34},
    };
    ASSERT_EQ(expected.size(), 39u);
    for (int code = 0; code < 256; ++code) {
        const std::uint8_t entry = key_slot_table[code];
        const auto mapped = expected.find(static_cast<unsigned char>(code));
        if (code == 0x1B)
            EXPECT_EQ(entry, quit_key_entry);
        else if (mapped != expected.end())
            EXPECT_EQ(entry, mapped->second + first_slot_entry) << "code " << code;
        else
            EXPECT_LT(entry, first_slot_entry) << "code " << code;
    }
}

std::vector<unsigned> stopped_slots()
{
    std::vector<unsigned> slots;
    for (const key_state& key : fake_audio::stops)
        slots.push_back(key.slot_number);
    return slots;
}

class instrument : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_audio::reset();
        held_keys.clear();
        repeating_keys.clear();
        forgettings = 0;
        start_time = timeGetTime();
    }

    // Presses `key`, held down from now on unless a scripted key already
    // gives it, and returns what went to standard output and error.
    std::pair<std::string, std::string> press(unsigned char key)
    {
        if (!key_is_down(key))
            held_keys.emplace_back(1, static_cast<char>(key));
        CaptureStdout();
        CaptureStderr();
        vellicor.keyboard(key, 10, 20);
        std::string out = GetCapturedStdout();
        return {out, GetCapturedStderr()};
    }

    Vellicor vellicor;
};

TEST_F(instrument, press_prints_the_key_line_and_starts_the_slot_release_stops_it)
{
    EXPECT_EQ(press('z'), std::make_pair(std::string{}, std::string{"key: 7a, 0, z\n"}));
    ASSERT_EQ(fake_audio::plays.size(), 1u);
    EXPECT_EQ(fake_audio::plays[0].slot, &pcm_slots[0]);
    EXPECT_EQ(fake_audio::plays[0].format, &pcm_slots[0].format);
    EXPECT_EQ(fake_audio::plays[0].buffer, &pcm_slots[0].buffer);

    vellicor.keyboardUp('z', 10, 20);
    EXPECT_EQ(stopped_slots(), std::vector<unsigned>{0});
}

TEST_F(instrument, key_line_shows_hex_code_decimal_slot_and_the_character)
{
    EXPECT_EQ(press(',').second, "key: 2c, 12, ,\n");
    EXPECT_EQ(press('[').second, "key: 5b, 34, [\n");
    EXPECT_EQ(fake_audio::plays.back().slot, &pcm_slots[34]);
    // The error stream is back in decimal.
    CaptureStderr();
    std::cerr << 255;
    EXPECT_EQ(GetCapturedStderr(), "255");
}

TEST_F(instrument, both_keys_of_a_shared_slot_start_it_and_each_release_stops_that_slot)
{
    EXPECT_EQ(press('q').second, "key: 71, 15, q\n");
    EXPECT_EQ(press('/').second, "key: 2f, 15, /\n");
    ASSERT_EQ(fake_audio::plays.size(), 2u);
    EXPECT_EQ(fake_audio::plays[1].slot, &pcm_slots[15]);
    vellicor.keyboardUp('q', 0, 0);
    vellicor.keyboardUp('/', 0, 0);
    EXPECT_EQ(stopped_slots(), (std::vector<unsigned>{15, 15}));
}

TEST_F(instrument, unmapped_keys_print_an_empty_line_and_sound_nothing)
{
    for (unsigned char key : {'a', 'A', '1', '!', 'd', 'h', ';', '+', '-', '4', '$', '8', '(', '|', '\0', '\x80', '\xFF'}) {
        EXPECT_EQ(press(key), std::make_pair(std::string{"\n"}, std::string{})) << int{key};
        vellicor.keyboardUp(key, 0, 0);
    }
    EXPECT_TRUE(fake_audio::plays.empty());
    EXPECT_TRUE(fake_audio::stops.empty());
}

// Shift or Ctrl changed while a key was held, on a US layout: the release
// arrives as another character, and the note stops because its key is up.
TEST_F(instrument, a_held_key_repeating_prints_nothing_and_keeps_its_note)
{
    press('z');
    EXPECT_EQ(forgettings, 1);
    repeating_keys = "za";
    EXPECT_EQ(press('z'), std::make_pair(std::string{}, std::string{}));
    EXPECT_EQ(press('a'), std::make_pair(std::string{}, std::string{}));
    EXPECT_EQ(fake_audio::plays.size(), 1u);
    EXPECT_TRUE(fake_audio::stops.empty());
    // Repeats read late, after the key was let go, end no hold.
    EXPECT_EQ(forgettings, 1);
    vellicor.keyboardUp('z', 0, 0);
    vellicor.special(GLUT_KEY_SHIFT_L, 0, 0);
    EXPECT_EQ(forgettings, 3);
}

TEST_F(instrument, a_note_stops_when_its_key_is_up_whatever_character_the_release_brings)
{
    const std::vector<std::tuple<std::string, unsigned char, unsigned char>> key_pressed_released{
        {"2@", '2', '@'}, {"6^", '6', '^'}, {"9(", '9', '('}, {"\\|", '\\', '|'},
        {"zZ", 'z', 'Z'}, {"z", 'z', 0x1A}, {";:", ':', ';'}, {"2@", '@', '2'}};
    for (const auto& [key, pressed, released] : key_pressed_released) {
        fake_audio::reset();
        held_keys = {key};
        press(pressed);
        vellicor.special(GLUT_KEY_SHIFT_L, 0, 0);
        EXPECT_TRUE(fake_audio::stops.empty()) << key;
        held_keys.clear();
        vellicor.keyboardUp(released, 0, 0);
        ASSERT_FALSE(fake_audio::stops.empty()) << "released as " << released;
        EXPECT_EQ(stopped_slots().back(), key_slot_table[pressed] - first_slot_entry) << "released as " << released;
    }
}

TEST_F(instrument, only_the_notes_of_keys_let_go_stop)
{
    held_keys = {"6^", "7&"};
    press('6');
    press('7');
    held_keys = {"6^"};
    vellicor.keyboardUp('&', 0, 0);
    EXPECT_EQ(stopped_slots(), std::vector<unsigned>{25});

    // A key let go outside the window: the next key event in it stops the
    // note, once.
    held_keys.clear();
    vellicor.specialUp(GLUT_KEY_SHIFT_L, 0, 0);
    vellicor.keyboard('a', 0, 0);
    EXPECT_EQ(stopped_slots(), (std::vector<unsigned>{25, 23}));
}

TEST_F(instrument, release_of_a_never_pressed_key_hands_over_a_state_that_names_no_slot)
{
    vellicor.keyboardUp('m', 0, 0);
    vellicor.keyboardUp(0x1B, 0, 0);
    EXPECT_EQ(stopped_slots(), std::vector<unsigned>{key_state::no_slot});
}

TEST_F(instrument, press_time_is_measured_from_start_time_modulo_2_to_the_32)
{
    start_time = timeGetTime() - 5000;
    press('x');
    start_time = timeGetTime() + 1000; // a start stamp ahead of the clock wraps
    press('c');
    vellicor.keyboardUp('x', 0, 0);
    vellicor.keyboardUp('c', 0, 0);
    ASSERT_EQ(fake_audio::stops.size(), 2u);
    EXPECT_GE(fake_audio::stops[0].press_time, 5000u);
    EXPECT_LT(fake_audio::stops[0].press_time, 6000u);
    EXPECT_GT(fake_audio::stops[1].press_time, 0xFFFFFFFFu - 1000u);
}

TEST_F(instrument, escape_prints_an_empty_line_and_exits_with_status_0)
{
    EXPECT_EXIT(
        {
            vellicor.keyboard('z', 0, 0);
            vellicor.keyboard(0x1B, 0, 0);
        },
        testing::ExitedWithCode(0), "");
}

TEST(instrument_window, requests_400_square_runs_the_loader_sets_the_viewport_and_clears)
{
    int argc = 1;
    char name[] = "vellicor_test";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_ALPHA | GLUT_DEPTH);
    Vellicor vellicor;
    EXPECT_EQ(glutGet(GLUT_INIT_WINDOW_WIDTH), 400);
    EXPECT_EQ(glutGet(GLUT_INIT_WINDOW_HEIGHT), 400);

    mosk::glutyAPI::createWindow(&vellicor, "Vellicor");
    EXPECT_NE(std::count(gl_extension_flags.begin(), gl_extension_flags.end(), true), 0);

    vellicor.reshape(123, 45);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 123, 45}));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);

    // Paint the back buffer red; display must clear it to the default
    // black before showing it.
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    vellicor.display();
    glReadBuffer(GL_FRONT);
    unsigned char pixel[4] = {1, 1, 1, 1};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(std::vector<int>(pixel, pixel + 3), (std::vector<int>{0, 0, 0}));
}

} // namespace
