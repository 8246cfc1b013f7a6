#pragma once
// The keyboard state as the window system sees it now, whatever events are
// still queued.

// Whether the key that gives `character` under the current keyboard layout
// (in any Shift state) is held down. False when no key gives it.
bool key_is_down(unsigned char character);
