#include "fake_audio.h"

#include "myxa2.h"

std::vector<pcm_slot> pcm_slots;
std::uint32_t start_time = 0;
myxa2_state* myxa2 = nullptr;

namespace fake_audio {

std::vector<play_call> plays;
std::vector<key_state> stops;

void reset()
{
    plays.clear();
    stops.clear();
    pcm_slots.assign(128, pcm_slot{});
}

} // namespace fake_audio

bool myxa2_play(pcm_slot& slot, const WAVEFORMATEXTENSIBLE* format, XAUDIO2_BUFFER* buffer)
{
    fake_audio::plays.push_back({&slot, format, buffer});
    return true;
}

void myxa2_soundstop(key_state& key)
{
    fake_audio::stops.push_back(key);
}
