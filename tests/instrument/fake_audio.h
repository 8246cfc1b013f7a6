#pragma once
// Records the instrument's calls into the audio module instead of playing.
#include "key_state.h"
#include "pcm_bank.h"

#include <vector>

namespace fake_audio {

struct play_call {
    const pcm_slot* slot;
    const WAVEFORMATEXTENSIBLE* format;
    const XAUDIO2_BUFFER* buffer;
};

extern std::vector<play_call> plays;
// The key states handed to myxa2_soundstop, as they were then.
extern std::vector<key_state> stops;

// Empties the records and sizes the bank to 128 zero-filled slots.
void reset();

} // namespace fake_audio
