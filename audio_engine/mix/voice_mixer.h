#pragma once
// Sums the voices into the output. The audio thread renders while the
// engine's thread adds, changes and removes voices; one lock keeps them
// apart, and it is held for a whole render so that a voice removed under it
// is never touched again.
#include "priority_inheriting_mutex.h"
#include "voice_playback.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

class voice_mixer {
public:
    // Held while a voice's play state is changed.
    std::unique_lock<priority_inheriting_mutex> hold();

    void add(voice_playback& voice);
    void remove(voice_playback& voice);

    // Fills interleaved frames of the given channel count: the mix,
    // saturated at full scale, on the first two channels and silence on
    // any further ones.
    void render(std::span<std::int16_t> out, int channels);

private:
    priority_inheriting_mutex lock_;
    std::vector<voice_playback*> voices_;
};
