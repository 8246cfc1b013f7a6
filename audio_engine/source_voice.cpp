#include "source_voice.h"

#include "xaudio2_engine.h"

namespace {

static_assert(max_loop_count == XAUDIO2_MAX_LOOP_COUNT && loop_forever == XAUDIO2_LOOP_INFINITE);

// The buffer as the mixer takes it; false for flags other than the end of
// the stream, which the mixer does not know.
bool to_submitted_buffer(const XAUDIO2_BUFFER& buffer, submitted_buffer& submitted)
{
    if ((buffer.Flags & ~XAUDIO2_END_OF_STREAM) != 0)
        return false;
    submitted = {buffer.pAudioData, buffer.AudioBytes, buffer.PlayBegin, buffer.PlayLength,
                 buffer.LoopBegin, buffer.LoopLength, buffer.LoopCount};
    return true;
}

}  // namespace

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
    submitted_buffer submitted;
    if (pBuffer == nullptr || pBufferWMA != nullptr || !to_submitted_buffer(*pBuffer, submitted))
        return XAUDIO2_E_INVALID_CALL;
    auto held = mixer_.hold();
    return accept_buffer(playback_, submitted) ? S_OK : XAUDIO2_E_INVALID_CALL;
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
