#include "source_voice.h"

#include "xaudio2_engine.h"

source_voice::source_voice(xaudio2_engine& engine, voice_mixer& mixer) : engine_(engine), mixer_(mixer) {}

// Neither play tails nor deferred operation sets exist in this engine, so
// both calls take only flags 0 and XAUDIO2_COMMIT_NOW.
HRESULT source_voice::set_started(bool started, UINT32 flags, UINT32 operation_set)
{
    if (flags != 0 || operation_set != XAUDIO2_COMMIT_NOW)
        return XAUDIO2_E_INVALID_CALL;
    auto held = mixer_.hold();
    playback_.started = started;
    return S_OK;
}

HRESULT source_voice::Start(UINT32 Flags, UINT32 OperationSet)
{
    return set_started(true, Flags, OperationSet);
}

// The position is kept, so a later Start resumes where the voice stopped.
HRESULT source_voice::Stop(UINT32 Flags, UINT32 OperationSet)
{
    return set_started(false, Flags, OperationSet);
}

// A voice holds one buffer at a time; a second submission is refused until
// the first has played out or been flushed.
HRESULT source_voice::SubmitSourceBuffer(const XAUDIO2_BUFFER* pBuffer, const XAUDIO2_BUFFER_WMA* pBufferWMA)
{
    if (pBuffer == nullptr || pBufferWMA != nullptr)
        return XAUDIO2_E_INVALID_CALL;
    auto held = mixer_.hold();
    return accept_buffer(playback_, *pBuffer) ? S_OK : XAUDIO2_E_INVALID_CALL;
}

// A running voice keeps the buffer it is playing; a stopped one drops it.
HRESULT source_voice::FlushSourceBuffers()
{
    auto held = mixer_.hold();
    if (!playback_.started)
        playback_.holds_buffer = false;
    return S_OK;
}

void source_voice::DestroyVoice()
{
    engine_.destroy_source_voice(this);
}
