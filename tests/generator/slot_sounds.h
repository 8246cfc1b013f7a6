#pragma once
// Sounds for the generator's tests, given by where they start and end.
#include "tone_bank.h"

#include <cstddef>
#include <cstdint>
#include <utility>

inline void add_sound(tone_slot& slot, std::size_t kind, double start, double end, double frequency = 1.0,
                      std::int16_t amplitude = 16384)
{
    auto sound = create_sound(kind);
    sound->center = (start + end) / 2;
    sound->half_width = (end - start) / 2;
    sound->frequency = frequency;
    sound->amplitude = amplitude;
    slot.sounds.push_back(std::move(sound));
}
