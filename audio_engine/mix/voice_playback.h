#pragma once
// The play state of one source voice: the buffer it holds, where in it the
// next frame comes from, and how it moves through the buffer's loop.
#include <cstdint>
#include <span>

// A loop count of loop_forever loops without end; other counts run up to
// max_loop_count.
inline constexpr std::uint32_t max_loop_count = 254;
inline constexpr std::uint32_t loop_forever = 255;

// A buffer a voice is given to play: 16-bit little-endian mono samples,
// read in place, and in frames the region to play and the loop within it.
// A length of 0 means "to the end".
struct submitted_buffer {
    const std::uint8_t* samples;
    std::uint32_t bytes;
    std::uint32_t play_begin;
    std::uint32_t play_length;
    std::uint32_t loop_begin;
    std::uint32_t loop_length;
    std::uint32_t loop_count;
};

// Frame indices into the submitted memory.
struct buffer_region {
    const std::uint8_t* frames;
    std::uint32_t play_end;
    std::uint32_t loop_begin;
    std::uint32_t loop_end;
    std::uint32_t loops_left;  // loop_forever never counts down
};

struct voice_playback {
    bool started = false;
    bool holds_buffer = false;
    buffer_region buffer{};
    std::uint32_t position = 0;
};

// Takes a submitted buffer if its regions are valid; false leaves the
// voice unchanged.
bool accept_buffer(voice_playback& voice, const submitted_buffer& submitted);

// Adds the voice's next mix.size() frames to mix, advancing it; a voice
// that is stopped or has run out of buffer adds nothing.
void mix_voice(voice_playback& voice, std::span<std::int64_t> mix);
