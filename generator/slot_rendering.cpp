#include "slot_rendering.h"

#include <array>
#include <cstdint>

namespace {

// Samples through any stream buffer, a byte at a time, with room for one
// sample at a time until a write fails.
class stream_samples {
public:
    explicit stream_samples(std::streambuf& out) : out_(out) {}

    bool put_bytes(const char* bytes, std::size_t count)
    {
        const auto size = static_cast<std::streamsize>(count);
        return out_.sputn(bytes, size) == size;
    }
    std::size_t sample_room() const { return failed_ ? 0 : 1; }
    bool good() const { return !failed_; }
    void put_sample(std::uint16_t sample)
    {
        using traits = std::streambuf::traits_type;
        failed_ = out_.sputc(static_cast<char>(sample & 0xFF)) == traits::eof() ||
                  out_.sputc(static_cast<char>(sample >> 8)) == traits::eof();
    }

private:
    std::streambuf& out_;
    bool failed_ = false;
};

// `output` is stream_samples or output_file_buffer: one rendering for both.
template <class sample_output>
bool write_silence(sample_output& out, std::uint64_t samples)
{
    static constexpr std::array<char, 8192> zeros{};
    std::uint64_t bytes = samples * 2;
    while (bytes > 0) {
        const std::size_t chunk = bytes < zeros.size() ? bytes : zeros.size();
        if (!out.put_bytes(zeros.data(), chunk)) {
            return false;
        }
        bytes -= chunk;
    }
    return true;
}

// The sounds' values at t, each cut to its low 16 bits, summed modulo 65536.
// The slot has at least one sound: an empty slot has no samples to mix.
std::uint16_t mix_at(const std::unique_ptr<sound_t>* first, const std::unique_ptr<sound_t>* end,
                     double t)
{
    // Starting from the first sound's value keeps a slot of one sound free
    // of any loop around its call.
    auto sum = static_cast<std::uint16_t>((*first)->value_at(t));
    for (const std::unique_ptr<sound_t>* sound = first + 1; sound != end; ++sound) {
        sum = static_cast<std::uint16_t>(sum + static_cast<std::uint16_t>((*sound)->value_at(t)));
    }
    return sum;
}

template <class sample_output>
bool write_mix(sample_output& out, const tone_slot& slot, double sample_rate, std::uint64_t first,
               std::uint64_t last)
{
    // Held in locals: the sample writes could otherwise alias the vector.
    const std::unique_ptr<sound_t>* const sounds = slot.sounds.data();
    const std::unique_ptr<sound_t>* const sounds_end = sounds + slot.sounds.size();
    // Sample numbers stay below 2^31 (max_samples_per_file), so the signed
    // conversion gives the same double with less work.
    const auto end = static_cast<std::int64_t>(last);
    auto n = static_cast<std::int64_t>(first);
    while (n < end) {
        const auto room = static_cast<std::int64_t>(out.sample_room());
        if (room == 0) {
            return false;
        }
        const std::int64_t stop = end - n < room ? end : n + room;
        for (; n < stop; ++n) {
            const double t = static_cast<double>(n) / sample_rate;
            out.put_sample(mix_at(sounds, sounds_end, t));
        }
    }
    return out.good();
}

// The silence before the span, then the span. False when a write failed.
template <class sample_output>
bool write_samples(sample_output& out, const tone_slot& slot, double sample_rate,
                   std::uint64_t first, std::uint64_t last)
{
    return write_silence(out, first) && write_mix(out, slot, sample_rate, first, last);
}

} // namespace

bool render_slot(const tone_slot& slot, double sample_rate, std::ostream& out)
{
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (!sample_range(slot, sample_rate, first, last)) {
        return false;
    }
    stream_samples samples(*out.rdbuf());
    if (!write_samples(samples, slot, sample_rate, first, last)) {
        out.setstate(std::ios::badbit);
    }
    return true;
}

bool render_slot(const tone_slot& slot, double sample_rate, output_file_buffer& out)
{
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (!sample_range(slot, sample_rate, first, last)) {
        return false;
    }
    // A failed write stays recorded in the buffer, which reports it on close.
    write_samples(out, slot, sample_rate, first, last);
    return true;
}
