#pragma once
// The play state of one source voice: the buffer it holds, where in it the
// next frame comes from, and how it moves through the buffer's loop.
#include <xaudio2.h>

#include <cstdint>
#include <span>

// Frame indices into the submitted memory, which is read in place.
struct buffer_region {
    const BYTE* frames;  // 16-bit little-endian mono samples
    UINT32 play_end;
    UINT32 loop_begin;
    UINT32 loop_end;
    UINT32 loops_left;  // XAUDIO2_LOOP_INFINITE never counts down
};

struct voice_playback {
    bool started = false;
    bool holds_buffer = false;
    buffer_region buffer{};
    UINT32 position = 0;
};

// Takes a submitted buffer if its regions are valid; false leaves the
// voice unchanged.
bool accept_buffer(voice_playback& voice, const XAUDIO2_BUFFER& submitted);

// Adds the voice's next mix.size() frames to mix, advancing it; a voice
// that is stopped or has run out of buffer adds nothing.
void mix_voice(voice_playback& voice, std::span<std::int64_t> mix);
