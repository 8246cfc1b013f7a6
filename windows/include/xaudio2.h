#pragma once
// XAudio2 2.7 under its own names. MinGW-w64 declares the 2.7 engine beside
// the 2.9 one, giving the unversioned names to 2.9 and versioned ones to
// 2.7 (IXAudio27, CLSID_XAudio27, IID_IXAudio27); the player is written
// against 2.7, created through COM.
#pragma GCC system_header
#include_next <xaudio2.h>

// The engine of xaudio2_9.dll and xaudio2_8.dll (one interface for both)
// and its creation function, named before IXAudio2 comes to mean 2.7.
using IXAudio2_9 = IXAudio2;
using XAudio2Create_9 = decltype(&XAudio2Create);

#define IXAudio2 IXAudio27
#define IID_IXAudio2 IID_IXAudio27

// The 2.7 class under a type of its own, so that creating it picks the
// CoCreateInstance below: COM's XAudio2 2.7 where it is installed, else the
// 2.7 interface over XAudio2 2.9 or 2.8.
struct xaudio2_class_id : GUID {};
inline constexpr xaudio2_class_id CLSID_XAudio2_27_or_newer{
    {0x5a508685, 0xa254, 0x4fba, {0x9b, 0x82, 0x9a, 0x24, 0xb0, 0x03, 0x06, 0xaf}}};
#define CLSID_XAudio2 CLSID_XAudio2_27_or_newer

HRESULT CoCreateInstance(const xaudio2_class_id& clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
