#pragma once
// The two C runtime services the generator relies on beyond the standard
// library, under their usual runtime names: Windows' runtime has them, and
// crt.cpp provides them elsewhere.
#ifdef _WIN32
#include <direct.h>
#include <string.h>
#else
// Creates one directory level with default permissions; 0 on success.
int _mkdir(const char* path);

// Compares two texts ignoring ASCII letter case; <0, 0 or >0 like strcmp.
int _stricmp(const char* left, const char* right);
#endif
