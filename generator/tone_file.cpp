#include "tone_file.h"

#include "input_file_buffer.h"
#include "tone_field_reader.h"
#include "tone_text_buffer.h"

#include <iostream>

namespace {

constexpr std::size_t no_kind = sound_kind_names.size();

std::size_t kind_of_field(const tone_field_reader& reader)
{
    for (std::size_t kind = 0; kind < sound_kind_names.size(); ++kind) {
        if (reader.field_starts_with(sound_kind_names[kind])) {
            return kind;
        }
    }
    return no_kind;
}

// The values after a sound line's ':'. Null when they cannot be read in full.
std::unique_ptr<sound_t> read_sound(tone_field_reader& reader, std::size_t kind)
{
    auto sound = create_sound(kind);
    double listed_harmonic; // the harmonic comes from the sound's position instead
    const bool complete = reader.read_number(sound->center) && reader.read_separator() &&
                          reader.read_number(sound->half_width) && reader.read_separator() &&
                          reader.read_number(listed_harmonic) && reader.read_separator() &&
                          reader.read_amplitude(sound->amplitude);
    return complete ? std::move(sound) : nullptr;
}

// Harmonics by list position, frequencies from the slot's tuning.
void tune_slot(tone_slot& slot, std::uint8_t slot_number, std::uint8_t divisions,
               double base_frequency)
{
    slot.base_frequency = base_frequency;
    const double factor = transposition_factor(slot_number, divisions);
    double harmonic = 1.0;
    for (const auto& sound : slot.sounds) {
        sound->harmonic = harmonic;
        sound->frequency = slot.base_frequency * factor * sound->harmonic;
        harmonic += 1.0;
    }
}

// Reads the file at `path` into the slot. False when it cannot be opened
// or is no regular file: reading a directory would give an empty bank, and
// a FIFO would wait for a writer.
bool parse_regular_file(const char* path, tone_slot& slot, std::size_t& fault_line)
{
    input_file_buffer file;
    if (!file.open_regular(path)) {
        return false;
    }
    tone_text_buffer text(file);
    std::istream in(&text);
    parse_tone_description(in, slot, fault_line);
    return true;
}

} // namespace

std::istream& parse_tone_description(std::istream& in, tone_slot& slot, std::size_t& fault_line)
{
    tone_field_reader reader(in);
    fault_line = 0;
    bool more = reader.read_field();
    if (more && reader.field_starts_with("basefq")) {
        const std::size_t value_line = reader.line();
        double ignored_base_frequency;
        if (!reader.read_number(ignored_base_frequency)) {
            fault_line = value_line;
            return in;
        }
        reader.skip_rest_of_line();
        more = reader.read_field();
    }
    while (more) {
        const std::size_t kind = kind_of_field(reader);
        if (kind != no_kind) {
            const std::size_t value_line = reader.line();
            auto sound = read_sound(reader, kind);
            if (!sound) {
                fault_line = value_line;
                return in;
            }
            slot.sounds.push_back(std::move(sound));
        }
        reader.skip_rest_of_line();
        more = reader.read_field();
    }
    if (reader.faulted()) {
        fault_line = reader.line();
    }
    return in;
}

bool read_tone_file(tone_bank& bank, const char* path, std::uint8_t divisions,
                    double sample_rate, double base_frequency)
{
    bank.sample_rate = sample_rate;
    bank.size_slots();
    bool fault_reported = false;
    for (std::size_t s = 0; s < slot_count; ++s) {
        tone_slot& slot = bank.slots[s];
        slot.clear();
        std::size_t fault_line;
        if (!parse_regular_file(path, slot, fault_line)) {
            return false;
        }
        // Every slot reads the same sounds: the first tells.
        if (slot.sounds.empty()) {
            std::cerr << path << ": no sound in the tone description." << std::endl;
            return false;
        }
        if (fault_line != 0 && !fault_reported) {
            std::cerr << path << ": unreadable tone description at line " << fault_line << "."
                      << std::endl;
            fault_reported = true;
        }
        tune_slot(slot, static_cast<std::uint8_t>(s), divisions, base_frequency);
    }
    return true;
}
