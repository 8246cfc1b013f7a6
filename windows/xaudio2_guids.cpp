// Storage for the class and interface identifiers that xaudio2.h only
// declares; no import library of MinGW-w64 carries the 2.7 ones.
#include <initguid.h>

#include <xaudio2.h>
