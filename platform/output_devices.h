#pragma once
// The engine's list of output devices: index 0 is the system's default
// output, followed by every output device the audio subsystem names.
// Valid only while the audio subsystem is up.
#include <xaudio2.h>

UINT32 output_device_count();

// Fills the name, role and output format of a listed device.
void describe_output_device(UINT32 index, XAUDIO2_DEVICE_DETAILS& details);

// The device's channel count; 2 when the subsystem does not report one.
int output_device_channels(UINT32 index);

// The name to open the device by; null for the default output.
const char* output_device_name(UINT32 index);
