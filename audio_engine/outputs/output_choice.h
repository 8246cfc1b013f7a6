#pragma once
// Picks the output that plays: the driver SDL is told to use, else the
// first sound server that answers, else SDL's own choice.
#include "audio_output.h"

#include <memory>

// Never null; an output that did not start lists no devices.
std::unique_ptr<audio_output> start_output();
