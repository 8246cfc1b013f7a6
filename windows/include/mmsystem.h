// Usable on its own, as the player includes it: Windows' own mmsystem.h needs
// the base types of windows.h first. No include guard: windows.h includes
// this file again from within, and that inclusion must reach the real one.
#pragma GCC system_header
#include <windows.h>
#include_next <mmsystem.h>
