#include "voice_playback.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t bytes_per_frame = 2;

// The region [begin, begin + length) of a span of total frames, where a
// length of 0 means "to the end"; false when it is empty or overruns.
bool resolve_region(std::uint64_t begin, std::uint64_t length, std::uint64_t total, std::uint32_t& end)
{
    const std::uint64_t region_end = length == 0 ? total : begin + length;
    if (begin >= region_end || region_end > total)
        return false;
    end = static_cast<std::uint32_t>(region_end);
    return true;
}

// Samples are little-endian, as on the platform itself; they are loaded
// straight from the submitted memory, which need not be aligned.
static_assert(std::endian::native == std::endian::little);

void add_frames(const std::uint8_t* frames, std::span<std::int64_t> mix)
{
    for (std::size_t i = 0; i < mix.size(); ++i) {
        std::int16_t sample;
        std::memcpy(&sample, frames + i * bytes_per_frame, sizeof sample);
        mix[i] += sample;
    }
}

void wrap_or_finish(voice_playback& voice)
{
    buffer_region& buffer = voice.buffer;
    if (buffer.loops_left == 0) {
        voice.holds_buffer = false;
        return;
    }
    if (buffer.loops_left != loop_forever)
        --buffer.loops_left;
    voice.position = buffer.loop_begin;
}

}  // namespace

bool accept_buffer(voice_playback& voice, const submitted_buffer& submitted)
{
    if (voice.holds_buffer || submitted.samples == nullptr)
        return false;
    const std::uint64_t frames = submitted.bytes / bytes_per_frame;
    buffer_region region{submitted.samples, 0, 0, 0, submitted.loop_count};
    if (!resolve_region(submitted.play_begin, submitted.play_length, frames, region.play_end))
        return false;
    if (submitted.loop_count == 0) {
        if (submitted.loop_begin != 0 || submitted.loop_length != 0)
            return false;
    } else {
        if (submitted.loop_count > max_loop_count && submitted.loop_count != loop_forever)
            return false;
        if (submitted.loop_begin < submitted.play_begin)
            return false;
        if (!resolve_region(submitted.loop_begin, submitted.loop_length, region.play_end, region.loop_end))
            return false;
        region.loop_begin = submitted.loop_begin;
    }
    voice.buffer = region;
    voice.position = submitted.play_begin;
    voice.holds_buffer = true;
    return true;
}

void mix_voice(voice_playback& voice, std::span<std::int64_t> mix)
{
    std::size_t done = 0;
    while (voice.started && voice.holds_buffer && done < mix.size()) {
        const buffer_region& buffer = voice.buffer;
        const std::uint32_t segment_end = buffer.loops_left > 0 ? buffer.loop_end : buffer.play_end;
        const std::size_t run = std::min<std::size_t>(mix.size() - done, segment_end - voice.position);
        add_frames(buffer.frames + std::size_t{voice.position} * bytes_per_frame, mix.subspan(done, run));
        done += run;
        voice.position += static_cast<std::uint32_t>(run);
        if (voice.position == segment_end)
            wrap_or_finish(voice);
    }
}
