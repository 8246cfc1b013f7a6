#include "tone_bank.h"

#include <cmath>
#include <iostream>

void tone_slot::clear()
{
    while (!sounds.empty()) {
        sounds.pop_back();
    }
}

void tone_bank::size_slots()
{
    slots.resize(slot_count);
}

double transposition_factor(std::uint8_t slot, std::uint8_t divisions)
{
    return std::pow(2.0, static_cast<double>(slot) / static_cast<double>(divisions));
}

namespace {

void log_sound(const sound_t& sound)
{
    std::cout << sound.kind_name() << ": " << sound.center << ", " << sound.half_width << ", "
              << sound.harmonic << ", " << sound.amplitude << std::endl;
}

} // namespace

bool fill_default_bank(tone_bank& bank, std::uint8_t divisions, double sample_rate,
                       double base_frequency)
{
    bank.sample_rate = sample_rate;
    bank.size_slots();
    for (std::size_t s = 0; s < slot_count; ++s) {
        auto sound = create_sound(0);
        sound->center = 2.5;
        sound->half_width = 2.5;
        sound->harmonic = 1.0;
        sound->amplitude = 16384;
        sound->frequency =
            transposition_factor(static_cast<std::uint8_t>(s), divisions) * base_frequency;
        log_sound(*sound);
        bank.slots[s].sounds.push_back(std::move(sound));
    }
    return true;
}
