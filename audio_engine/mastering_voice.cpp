#include "mastering_voice.h"

#include "xaudio2_engine.h"

#include <new>

mastering_voice::mastering_voice(xaudio2_engine& engine, audio_output& output) : engine_(engine), output_(output) {}

// On a server that was reached but does not take the stream yet (one still
// starting, say) the voice is made all the same, and its output is opened
// again as after a loss.
HRESULT mastering_voice::open(xaudio2_engine& engine, voice_mixer& mixer, audio_output& output,
                              const output_device& device, int channels, mastering_voice*& opened)
{
    auto* voice = new (std::nothrow) mastering_voice(engine, output);
    if (voice == nullptr)
        return E_OUTOFMEMORY;
    const bool playing = output.open(device, channels, mixer);
    if (!playing)
        output.close();
    if (!playing && !output.reached_server()) {
        delete voice;
        return XAUDIO2_E_DEVICE_INVALIDATED;
    }
    voice->supervisor_.emplace(output, device, channels, mixer, playing);
    opened = voice;
    return S_OK;
}

mastering_voice::~mastering_voice()
{
    supervisor_.reset();
    output_.close();
}

void mastering_voice::DestroyVoice()
{
    engine_.destroy_mastering_voice();
}
