#pragma once
// Whether the window whose rendering context is current still exists:
// another program may destroy a window without asking it to close.
bool current_window_exists();
