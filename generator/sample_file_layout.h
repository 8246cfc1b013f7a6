#pragma once
// What a bank's sample files are named and how many samples each holds:
// what the writer and the space check both go by. Sample n of a file
// belongs to time n / sample_rate.
#include "tone_bank.h"

#include <cstdint>
#include <string>

// The longest base path whose 128 file names ("<base>.127.pcm") still fit
// a 260-character name buffer.
inline constexpr std::size_t max_base_path_length = 259 - sizeof(".127.pcm") + 1;

// The most samples a file may hold: the player loads files of at most
// 2,147,483,647 bytes.
inline constexpr std::uint64_t max_samples_per_file = 1073741823;

std::string sample_file_name(const std::string& base_path, unsigned slot);

// The silent samples before the slot's span (the time common to all its
// sounds), and the end of the span; both 0 for a slot without sounds.
// False when the span is too long for a sample file.
bool sample_range(const tone_slot& slot, double sample_rate, std::uint64_t& first,
                  std::uint64_t& last);

// The samples of the slot's file: the silence before its span, then the
// span. False when that exceeds max_samples_per_file.
bool slot_sample_count(const tone_slot& slot, double sample_rate, std::uint64_t& samples);
