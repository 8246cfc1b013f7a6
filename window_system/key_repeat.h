#pragma once
// Telling a key held down, which the keyboard repeats, from a new press.
// X reports a held key as release-and-press pairs that a program busy for
// a moment can no longer tell from a real release; the window's connection
// is therefore set to report a held key as repeated presses alone, and
// each press is checked against the keys seen held. Windows marks its
// repeats, and freeglut drops them before any callback.

// Sets the connection of the current window to report a held key as
// repeated presses, with no release until the key is let go.
void report_held_keys_as_repeated_presses();

// Whether a press of `character` repeats a key seen held: its key was
// pressed and has not been found up since. A new press marks it held.
bool key_press_repeats(unsigned char character);

// Marks every key that is up now as no longer held: called at each key
// event that is not a repeat. Repeats read late, once their key is up,
// thus stay repeats until the release or another key's event is read.
void forget_keys_let_go();
