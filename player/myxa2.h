#pragma once
// Audio output: one engine, one mastering voice, one source voice per
// sounding slot.
#include "key_state.h"
#include "pcm_bank.h"

#include <xaudio2.h>

// Starts without an engine or voices, so that a press after a failed start
// can tell there is no engine to ask.
struct myxa2_state {
    HRESULT result = S_OK;
    IXAudio2* xaudio = nullptr;
    UINT32 device = 0;
    IXAudio2MasteringVoice* master = nullptr;
};

// Allocated by main just before myxa2_init.
extern myxa2_state* myxa2;

bool myxa2_init();
bool myxa2_list_devices();
bool myxa2_play(pcm_slot& slot, const WAVEFORMATEXTENSIBLE* format, XAUDIO2_BUFFER* buffer);
void myxa2_soundstop(key_state& key);
