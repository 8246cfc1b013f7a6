#include "sample_files.h"

#include "bank_space.h"
#include "replacement_file.h"

#include <array>
#include <iostream>

namespace {

struct render_span {
    double start; // the latest start among the slot's sounds
    double end;   // the earliest end among them
};

render_span span_of(const tone_slot& slot)
{
    const sound_t& first = *slot.sounds.front();
    render_span span{first.center - first.half_width, first.half_width + first.center};
    for (const auto& sound : slot.sounds) {
        const double start = sound->center - sound->half_width;
        const double end = sound->half_width + sound->center;
        if (!(span.start > start)) {
            span.start = start;
        }
        if (!(end > span.end)) {
            span.end = end;
        }
    }
    return span;
}

// The sample count up to `time`, truncated toward zero.
// Times below 0 (and not-a-number) count as 0; false when the count
// exceeds what a sample file may hold.
bool sample_index(double time, double sample_rate, std::uint64_t& index)
{
    const double samples = time * sample_rate;
    if (!(samples > 0)) {
        index = 0;
        return true;
    }
    if (!(samples < static_cast<double>(max_samples_per_file + 1))) {
        return false;
    }
    index = static_cast<std::uint64_t>(samples);
    return true;
}

// The silent samples before the render span, and the end of the span;
// both 0 for a slot without sounds. False when the span is too long.
bool sample_range(const tone_slot& slot, double sample_rate, std::uint64_t& first,
                  std::uint64_t& last)
{
    first = 0;
    last = 0;
    if (slot.sounds.empty()) {
        return true;
    }
    const render_span span = span_of(slot);
    return sample_index(span.start, sample_rate, first) && sample_index(span.end, sample_rate, last);
}

bool write_silence(std::streambuf& out, std::uint64_t samples)
{
    static constexpr std::array<char, 8192> zeros{};
    std::uint64_t bytes = samples * 2;
    while (bytes > 0) {
        const auto chunk = static_cast<std::streamsize>(bytes < zeros.size() ? bytes : zeros.size());
        if (out.sputn(zeros.data(), chunk) != chunk) {
            return false;
        }
        bytes -= static_cast<std::uint64_t>(chunk);
    }
    return true;
}

bool write_sample(std::streambuf& out, std::uint16_t sample)
{
    using traits = std::streambuf::traits_type;
    return out.sputc(static_cast<char>(sample & 0xFF)) != traits::eof() &&
           out.sputc(static_cast<char>(sample >> 8)) != traits::eof();
}

// The sounds' values at t, each cut to its low 16 bits, summed modulo 65536.
std::uint16_t mix_at(const tone_slot& slot, double t)
{
    std::uint16_t sum = 0;
    for (const auto& sound : slot.sounds) {
        sum = static_cast<std::uint16_t>(sum + static_cast<std::uint16_t>(sound->value_at(t)));
    }
    return sum;
}

bool write_mix(std::streambuf& out, const tone_slot& slot, double sample_rate,
               std::uint64_t first, std::uint64_t last)
{
    for (std::uint64_t n = first; n < last; ++n) {
        const double t = static_cast<double>(n) / sample_rate;
        if (!write_sample(out, mix_at(slot, t))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string sample_file_name(const std::string& base_path, unsigned slot)
{
    return base_path + "." + std::to_string(slot) + ".pcm";
}

bool slot_sample_count(const tone_slot& slot, double sample_rate, std::uint64_t& samples)
{
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (!sample_range(slot, sample_rate, first, last)) {
        return false;
    }
    samples = first > last ? first : last;
    return true;
}

bool render_slot(const tone_slot& slot, double sample_rate, std::ostream& out)
{
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (!sample_range(slot, sample_rate, first, last)) {
        return false;
    }
    std::streambuf& buffer = *out.rdbuf();
    if (!write_silence(buffer, first) || !write_mix(buffer, slot, sample_rate, first, last)) {
        out.setstate(std::ios::badbit);
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
    bool all_written = true;
    for (unsigned slot = 0; slot < slot_count; ++slot) {
        const std::string name = sample_file_name(base_path, slot);
        replacement_file file;
        // A buffer larger than the default keeps the number of write calls
        // per file small.
        if (!file.open(name, 64 * 1024)) {
            report(name, "can't write file.");
            return false;
        }
        std::cout << name << std::endl;
        if (!render_slot(slots[slot], sample_rate, file.stream())) {
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
