#include "vellicor.h"

#include "gl_extensions.h"
#include "key_slot_table.h"
#include "myxa2.h"
#include "other_shift_state.h"
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
    const std::uint8_t entry = key_slot_table[key];
    if (entry == quit_key_entry) {
        std::cout << std::endl;
        // Voices and the engine are left to the process's end.
        std::exit(0);
    }
    if (entry < first_slot_entry) {
        std::cout << std::endl;
        return;
    }
    const std::uint8_t slot = entry - first_slot_entry;
    std::cerr << "key: " << std::hex << unsigned{key} << std::dec << ", " << unsigned{slot} << ", " << key
              << std::endl;
    keys[slot].slot_number = slot;
    keys[slot].press_time = timeGetTime() - start_time;
    pcm_slot& sample = pcm_slots[slot];
    myxa2_play(sample, &sample.format, &sample.buffer);
}

// A release of a slot that is not sounding (never pressed, its voice not
// created, or already stopped by the other key of a shared slot) reaches
// myxa2_soundstop, which ignores slots without a voice. A release that
// plays nothing may come from a key pressed in the other Shift state.
void Vellicor::keyboardUp(unsigned char key, int, int)
{
    std::uint8_t entry = key_slot_table[key];
    if (entry < first_slot_entry)
        entry = key_slot_table[other_shift_state(key)];
    if (entry < first_slot_entry || entry == quit_key_entry)
        return;
    myxa2_soundstop(keys[entry - first_slot_entry]);
}

void Vellicor::init()
{
    load_gl_extensions();
}
