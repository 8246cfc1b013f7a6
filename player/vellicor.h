#pragma once
// The keyboard instrument: key presses in its window start slots, releases
// stop them, Escape quits.
#include "gluty_api4.h"
#include "key_state.h"

#include <array>

class Vellicor : public mosk::glutyAPI4 {
public:
    // Requests the 400 x 400 initial size for the window created next.
    Vellicor();
    ~Vellicor() override;

    void reshape(int width, int height) override;
    void display() override;
    void keyboard(unsigned char key, int x, int y) override;
    void special(int key, int x, int y) override;
    void init() override;
    void keyboardUp(unsigned char key, int x, int y) override;
    void specialUp(int key, int x, int y) override;

private:
    void stop(key_state& key);
    // Stops every note whose key is no longer held down.
    void stop_released_keys();

    // Index = slot number.
    std::array<key_state, 128> keys;
};
