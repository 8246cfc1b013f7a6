#pragma once
// Sample files: raw 16-bit signed little-endian mono PCM, no header; sample n
// belongs to time n / sample_rate.
#include "output_file_buffer.h"
#include "tone_bank.h"

#include <ostream>
#include <string>

// The longest base path whose 128 file names ("<base>.127.pcm") still fit
// a 260-character name buffer.
inline constexpr std::size_t max_base_path_length = 259 - sizeof(".127.pcm") + 1;

// The most samples a file may hold: the player loads files of at most
// 2,147,483,647 bytes.
inline constexpr std::uint64_t max_samples_per_file = 1073741823;

std::string sample_file_name(const std::string& base_path, unsigned slot);

// The samples of the slot's file: the silence before its span, then the
// span. False when that exceeds max_samples_per_file.
bool slot_sample_count(const tone_slot& slot, double sample_rate, std::uint64_t& samples);

// Writes the slot's samples over the span common to all its sounds, with
// silence before it. False, with nothing written, when that span would
// exceed max_samples_per_file; write errors are left in the stream's state.
bool render_slot(const tone_slot& slot, double sample_rate, std::ostream& out);
// The same, into a sample file; write errors are kept by the buffer.
bool render_slot(const tone_slot& slot, double sample_rate, output_file_buffer& out);
