#pragma once
// The character a key of a Japanese (JIS, OADG 109A) keyboard gives in the
// other Shift state. A key released after Shift or Caps Lock changed
// arrives as that other character.

// The other case of a letter; the shifted or unshifted twin of the digit
// and symbol keys that play a slot; anything else unchanged.
unsigned char other_shift_state(unsigned char key);
