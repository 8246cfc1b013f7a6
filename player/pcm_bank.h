#pragma once
// The loaded sample bank: one record per slot, created at start-up and kept
// until the process ends.
#include <xaudio2.h>

#include <cstdint>
#include <vector>

struct pcm_slot {
    IXAudio2SourceVoice* voice;
    WAVEFORMATEXTENSIBLE format;
    XAUDIO2_BUFFER buffer;
};

// Index = slot number; sized to 128 zero-filled records by load_bank.
extern std::vector<pcm_slot> pcm_slots;

// timeGetTime() at start-up; key presses are measured against it.
extern std::uint32_t start_time;

void load_bank(int argc, char** argv);
bool pcm_load(pcm_slot& slot, const char* name);
