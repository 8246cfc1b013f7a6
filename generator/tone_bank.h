#pragma once
// The generator's bank: 128 slots, each a list of owned sounds.
#include "sound.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr std::size_t slot_count = 128;

struct tone_slot {
    std::vector<std::unique_ptr<sound_t>> sounds; // in the order they were added
    double base_frequency = 220.0;

    tone_slot() = default;
    tone_slot(tone_slot&&) = default;
    tone_slot& operator=(tone_slot&&) = default;
    ~tone_slot() { clear(); }

    // Deletes the sounds from the last to the first.
    void clear();
};

struct tone_bank {
    double sample_rate = 0.0;
    std::vector<tone_slot> slots;

    // Exactly slot_count slots; slots already present keep their sounds.
    void size_slots();

    // Writes one sample file per slot, named "<base_path>.<slot>.pcm",
    // printing each name. Each file is written under a temporary name and
    // renamed into place when complete. False when the bank does not fit
    // on its file system (nothing is written), or when a file could not be
    // written in full (the bank stops at that slot and the earlier file of
    // that name stays). A slot whose span is too long for a sample file is
    // refused (its file left empty) and the others written.
    bool write_sample_files(const std::string& base_path) const;
};

// 2 to the power slot / divisions.
double transposition_factor(std::uint8_t slot, std::uint8_t divisions);

// One sine per slot from 0 s to 5 s, tuned in equal steps from
// base_frequency; logs each sound on standard output. Always true.
bool fill_default_bank(tone_bank& bank, std::uint8_t divisions, double sample_rate,
                       double base_frequency);
