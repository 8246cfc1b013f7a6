#pragma once
// Audio output: one engine, one mastering voice, one source voice per
// sounding slot.
#include "key_state.h"
#include "pcm_bank.h"

#include <xaudio2.h>

struct myxa2_state {
    HRESULT result;
    IXAudio2* xaudio;
    UINT32 device;
    IXAudio2MasteringVoice* master;
};

// Allocated by main just before myxa2_init.
extern myxa2_state* myxa2;

bool myxa2_init();
bool myxa2_list_devices();
bool myxa2_play(pcm_slot& slot, const WAVEFORMATEXTENSIBLE* format, XAUDIO2_BUFFER* buffer);
void myxa2_soundstop(key_state& key);
