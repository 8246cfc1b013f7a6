#include "key_repeat.h"

// Windows flags a repeated key-down message, and freeglut drops it before
// any callback: every press that reaches the player is a new one.
void report_held_keys_as_repeated_presses() {}

bool key_press_repeats(unsigned char)
{
    return false;
}

void forget_keys_let_go() {}
