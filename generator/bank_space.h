#pragma once
// Whether a bank's sample files fit on the file system of their directory.
#include "tone_bank.h"

#include <cstdint>
#include <string>

struct bank_space {
    std::uint64_t needed = 0; // bytes of the bank's 128 sample files
    std::uint64_t free = 0;   // bytes they may take
};

// `available` is the file system's free space. The files the bank will
// replace count as free; the largest of the bank's files is held back for
// the temporary copy that exists beside the file it replaces.
bank_space measure_bank_space(const tone_bank& bank, const std::string& base_path,
                              std::uint64_t available);

// False, with one line on standard error, when the bank does not fit. A
// file system that cannot be asked (a missing directory) is left to the
// writer to report.
bool bank_fits(const tone_bank& bank, const std::string& base_path);
