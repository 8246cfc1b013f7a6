#pragma once
// The system's audio outputs as XAudio2 2.7 lists its devices.
#include <xaudio2.h>

#include <vector>

// The default output first, then every other active output, each with the
// channel layout of its endpoint's mix format; empty when the system has
// no endpoint list. Needs COM entered on the calling thread.
std::vector<XAUDIO2_DEVICE_DETAILS> endpoint_devices();
