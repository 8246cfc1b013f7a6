#pragma once
// XAudio2 2.7 under its own names. MinGW-w64 declares the 2.7 engine beside
// the 2.9 one, giving the unversioned names to 2.9 and versioned ones to
// 2.7 (IXAudio27, CLSID_XAudio27, IID_IXAudio27); the player is written
// against 2.7, created through COM.
#pragma GCC system_header
#include_next <xaudio2.h>

#define IXAudio2 IXAudio27
#define CLSID_XAudio2 CLSID_XAudio27
#define IID_IXAudio2 IID_IXAudio27
