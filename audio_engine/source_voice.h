#pragma once
// A voice that plays submitted 16-bit mono buffers into the engine's mix.
#include "mix/voice_mixer.h"
#include "mix/voice_playback.h"

#include <xaudio2.h>

class xaudio2_engine;

class source_voice final : public IXAudio2SourceVoice {
public:
    source_voice(xaudio2_engine& engine, voice_mixer& mixer);
    ~source_voice() = default;
    source_voice(const source_voice&) = delete;
    source_voice& operator=(const source_voice&) = delete;

    HRESULT Start(UINT32 Flags, UINT32 OperationSet) override;
    HRESULT Stop(UINT32 Flags, UINT32 OperationSet) override;
    HRESULT SubmitSourceBuffer(const XAUDIO2_BUFFER* pBuffer, const XAUDIO2_BUFFER_WMA* pBufferWMA) override;
    HRESULT FlushSourceBuffers() override;
    void DestroyVoice() override;

    voice_playback& playback() { return playback_; }

private:
    HRESULT set_started(bool started, UINT32 flags, UINT32 operation_set);

    xaudio2_engine& engine_;
    voice_mixer& mixer_;
    voice_playback playback_;
};
