#pragma once
// OpenGL entry-point lookup stand-in.

using PROC = void (*)();

// The named OpenGL entry point of the current context's library, or null.
PROC wglGetProcAddress(const char* name);
