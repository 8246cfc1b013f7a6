#pragma once
// Multimedia timer stand-in.
#include "windef.h"

// Milliseconds of a monotonic clock, wrapping at 2^32 like the system timer.
DWORD timeGetTime();
