#pragma once
// The voice that owns the output device: the device's audio thread asks it
// for each period of output, and it renders the engine's mix into it.
#include "voice_mixer.h"

#include <SDL.h>
#include <xaudio2.h>

class xaudio2_engine;

class mastering_voice final : public IXAudio2MasteringVoice {
public:
    // Opens and starts the device; null name is the default output.
    // Fails with XAUDIO2_E_DEVICE_INVALIDATED when it cannot be opened.
    static HRESULT open(xaudio2_engine& engine, voice_mixer& mixer, const char* device_name, int channels,
                        mastering_voice*& opened);

    // Returns once the audio thread has stopped and the device is closed.
    ~mastering_voice();
    mastering_voice(const mastering_voice&) = delete;
    mastering_voice& operator=(const mastering_voice&) = delete;

    void DestroyVoice() override;

private:
    mastering_voice(xaudio2_engine& engine, voice_mixer& mixer, int channels);
    static void SDLCALL fill(void* self, Uint8* stream, int length);

    xaudio2_engine& engine_;
    voice_mixer& mixer_;
    int channels_;
    SDL_AudioDeviceID device_ = 0;
};
