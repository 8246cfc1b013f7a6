#pragma once
// A PipeWire daemon's output devices: its audio sinks, the default output
// first, as the registry and the "default" metadata announce them.
#include "audio_output.h"

#include <pipewire/pipewire.h>

#include <functional>

// Called with the core's loop locked; `roundtrip` waits until the daemon
// has answered every request so far. False when it did not answer, with
// `devices` left empty.
bool read_pipewire_devices(pw_core* core, const std::function<bool()>& roundtrip, std::vector<output_device>& devices);
