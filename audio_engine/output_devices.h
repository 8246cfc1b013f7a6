#pragma once
// A listed output device in the engine's terms.
#include "outputs/audio_output.h"

#include <xaudio2.h>

// Fills the name, role and output format of the device at that index of
// the output's list; index 0 is the default output.
void describe_output_device(const output_device& device, UINT32 index, XAUDIO2_DEVICE_DETAILS& details);
