#pragma once
// One slot's samples as its sample file holds them: raw 16-bit signed
// little-endian mono PCM, no header, laid out as sample_file_layout.h says.
#include "output_file_buffer.h"
#include "sample_file_layout.h"
#include "tone_bank.h"

#include <ostream>

// Writes the slot's samples over the span common to all its sounds, with
// silence before it. False, with nothing written, when that span would
// exceed max_samples_per_file; write errors are left in the stream's state.
bool render_slot(const tone_slot& slot, double sample_rate, std::ostream& out);
// The same, into a sample file; write errors are kept by the buffer.
bool render_slot(const tone_slot& slot, double sample_rate, output_file_buffer& out);
