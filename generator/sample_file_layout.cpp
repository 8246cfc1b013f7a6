#include "sample_file_layout.h"

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

} // namespace

std::string sample_file_name(const std::string& base_path, unsigned slot)
{
    return base_path + "." + std::to_string(slot) + ".pcm";
}

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
