#pragma once
// Telling a key held down, which the keyboard repeats, from a new press.
// X reports a held key as release-and-press pairs that a program busy for
// a moment can no longer tell from a real release; the window's connection
// is therefore set to report a held key as repeated presses alone, and
// each press is checked against the keys still held. Windows marks its
// repeats, and freeglut drops them before any callback.

// Sets the connection of the current window to report a held key as
// repeated presses, with no release until the key is let go.
void report_held_keys_as_repeated_presses();

// Whether a press of `character` repeats a key already held down: its key
// was pressed, and neither its release came nor was it found up at another
// key's press since (a key let go while the window lacked the focus).
bool key_press_repeats(unsigned char character);

// The key that gives `character` was let go.
void key_released(unsigned char character);
