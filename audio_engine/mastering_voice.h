#pragma once
// The voice that owns the output device: the output's audio thread renders
// the engine's mix through it, and a supervisor reopens the output when its
// sound server goes away.
#include "mix/voice_mixer.h"
#include "outputs/audio_output.h"
#include "outputs/output_supervisor.h"

#include <xaudio2.h>

#include <optional>

class xaudio2_engine;

class mastering_voice final : public IXAudio2MasteringVoice {
public:
    // Opens and starts the device. Fails with XAUDIO2_E_DEVICE_INVALIDATED
    // when it cannot be opened and the output reached no sound server.
    static HRESULT open(xaudio2_engine& engine, voice_mixer& mixer, audio_output& output,
                        const output_device& device, int channels, mastering_voice*& opened);

    // Returns once the audio thread has stopped and the device is closed.
    ~mastering_voice();
    mastering_voice(const mastering_voice&) = delete;
    mastering_voice& operator=(const mastering_voice&) = delete;

    void DestroyVoice() override;

private:
    mastering_voice(xaudio2_engine& engine, audio_output& output);

    xaudio2_engine& engine_;
    audio_output& output_;
    std::optional<output_supervisor> supervisor_;
};
