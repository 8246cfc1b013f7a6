#include "vellicor.h"

#include "gl_extensions.h"
#include "key_is_down.h"
#include "key_repeat.h"
#include "key_slot_table.h"
#include "myxa2.h"
#include "pcm_bank.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <mmsystem.h>

#include <cstdlib>
#include <iostream>

Vellicor::Vellicor()
{
    glutInitWindowSize(400, 400);
}

Vellicor::~Vellicor() = default;

void Vellicor::reshape(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
}

void Vellicor::display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

void Vellicor::keyboard(unsigned char key, int, int)
{
    // One hold, one note, however long the key is held.
    if (key_press_repeats(key))
        return;
    const std::uint8_t entry = key_slot_table[key];
    if (entry == quit_key_entry) {
        std::cout << std::endl;
        // Voices and the engine are left to the process's end.
        std::exit(0);
    }
    if (entry < first_slot_entry) {
        std::cout << std::endl;
        stop_released_keys();
        return;
    }
    const std::uint8_t slot = entry - first_slot_entry;
    std::cerr << "key: " << std::hex << unsigned{key} << std::dec << ", " << unsigned{slot} << ", " << key
              << std::endl;
    keys[slot].slot_number = slot;
    keys[slot].press_time = timeGetTime() - start_time;
    keys[slot].sounding_key = key;
    pcm_slot& sample = pcm_slots[slot];
    myxa2_play(sample, &sample.format, &sample.buffer);
    stop_released_keys();
}

// A release of a slot that is not sounding (never pressed, its voice not
// created, or already stopped by the other key of a shared slot) reaches
// myxa2_soundstop, which ignores slots without a voice.
void Vellicor::keyboardUp(unsigned char key, int, int)
{
    const std::uint8_t entry = key_slot_table[key];
    if (entry >= first_slot_entry && entry != quit_key_entry)
        stop(keys[entry - first_slot_entry]);
    stop_released_keys();
}

// Shift, Ctrl, arrows and other keys without a character: one more chance
// to notice a note whose key is up.
void Vellicor::special(int, int, int)
{
    stop_released_keys();
}

void Vellicor::specialUp(int, int, int)
{
    stop_released_keys();
}

void Vellicor::stop(key_state& key)
{
    myxa2_soundstop(key);
    key.sounding_key = key_state::no_key;
}

// A release can arrive as another character than the press (Shift, Caps
// Lock or Ctrl changed in between) or not at all (the window had lost the
// focus), so each note is checked against the key that started it.
void Vellicor::stop_released_keys()
{
    forget_keys_let_go();
    for (key_state& key : keys)
        if (key.sounding_key != key_state::no_key && !key_is_down(key.sounding_key))
            stop(key);
}

void Vellicor::init()
{
    load_gl_extensions();
}
