#include "tone_bank.h"

#include "bank_space.h"
#include "replacement_file.h"
#include "sample_file_layout.h"
#include "slot_rendering.h"

#include <cmath>
#include <iostream>
#include <vector>

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

namespace {

void report(const std::string& file_name, const char* problem)
{
    std::cerr << file_name << ": " << problem << std::endl;
}

} // namespace

bool tone_bank::write_sample_files(const std::string& base_path) const
{
    if (!bank_fits(*this, base_path)) {
        return false;
    }
    // Room for a whole file of the default bank (441,000 bytes): such a
    // file goes out in one write call, and fewer, larger writes cost the
    // kernel less per file.
    std::vector<char> buffer(512 * 1024);
    bool all_written = true;
    for (unsigned slot = 0; slot < slot_count; ++slot) {
        const std::string name = sample_file_name(base_path, slot);
        std::uint64_t samples = 0;
        const bool fits = slot_sample_count(slots[slot], sample_rate, samples);
        replacement_file file;
        if (!file.open(name, buffer, fits ? samples * 2 : 0)) {
            report(name, "can't write file.");
            return false;
        }
        std::cout << name << std::endl;
        if (!render_slot(slots[slot], sample_rate, file.output())) {
            report(name, "sound span too long for a sample file.");
            all_written = false;
        }
        if (!file.commit()) {
            report(name, "can't write file.");
            return false;
        }
    }
    return all_written;
}
