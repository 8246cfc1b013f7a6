#pragma once
// Tone description files (.tgw): an optional "basefq" line, then sound lines
// "<kind name>...: center, half_width, harmonic, amplitude".
#include "tone_bank.h"

#include <cstdint>
#include <istream>

// Builds every slot from the file, tuned by slot. The file may be UTF-8,
// with or without a byte-order mark, or UTF-16 with one. False, silently,
// when the file cannot be opened or is not a regular file; false, with one
// line on standard error, when it gives no sound, since writing its bank
// would only replace sample files with empty ones. Unreadable input ends
// the reading of the file, keeps the sounds read before it and is reported
// once on standard error.
bool read_tone_file(tone_bank& bank, const char* path, std::uint8_t divisions,
                    double sample_rate, double base_frequency);

// Reads a whole description into the slot, appending its sounds in file
// order. fault_line is the line of unreadable input, 0 when there is none.
std::istream& parse_tone_description(std::istream& in, tone_slot& slot, std::size_t& fault_line);
