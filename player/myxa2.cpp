#include "myxa2.h"

#include <objbase.h>

#include <iostream>

myxa2_state* myxa2;

namespace {

constexpr UINT32 output_rate = 44100;

void report(const char* message)
{
    std::cerr << "myxa2: " << message << std::endl;
}

// Ends a voice outright, whether or not it agrees to stop: it is called on
// a voice about to lose its only handle.
void discard_voice(IXAudio2SourceVoice*& voice)
{
    voice->Stop(0, XAUDIO2_COMMIT_NOW);
    voice->FlushSourceBuffers();
    voice->DestroyVoice();
    voice = nullptr;
}

bool has_engine()
{
    return myxa2 != nullptr && myxa2->xaudio != nullptr;
}

}  // namespace

bool myxa2_init()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IXAudio2* engine = nullptr;
    HRESULT result =
        CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2, reinterpret_cast<void**>(&engine));
    if (SUCCEEDED(result)) {
        result = engine->Initialize(0, XAUDIO2_DEFAULT_PROCESSOR);
        if (FAILED(result))
            engine->Release();
        else
            myxa2->xaudio = engine;
    }
    myxa2->result = result;
    if (FAILED(result)) {
        report("init failed.");
        return false;
    }
    if (!myxa2_list_devices()) {
        report("lists failed.");
        return false;
    }
    myxa2->master = nullptr;
    myxa2->result = myxa2->xaudio->CreateMasteringVoice(&myxa2->master, XAUDIO2_DEFAULT_CHANNELS, output_rate, 0,
                                                        myxa2->device, nullptr);
    if (FAILED(myxa2->result)) {
        report("master voice failed.");
        return false;
    }
    return true;
}

// A device whose details cannot be fetched reads as zero channels and is
// never chosen; the list itself never fails.
bool myxa2_list_devices()
{
    UINT32 count = 0;
    myxa2->xaudio->GetDeviceCount(&count);
    myxa2->device = 0;
    for (UINT32 i = 0; i < count; ++i) {
        XAUDIO2_DEVICE_DETAILS details{};
        myxa2->xaudio->GetDeviceDetails(i, &details);
        if (details.OutputFormat.Format.nChannels > 2)
            myxa2->device = i;
    }
    return true;
}

bool myxa2_play(pcm_slot& slot, const WAVEFORMATEXTENSIBLE* format, XAUDIO2_BUFFER* buffer)
{
    if (slot.voice != nullptr)
        discard_voice(slot.voice);
    if (!has_engine()) {
        report("source voice failed.");
        return false;
    }
    myxa2->result = myxa2->xaudio->CreateSourceVoice(&slot.voice, &format->Format, 0, XAUDIO2_DEFAULT_FREQ_RATIO,
                                                     nullptr, nullptr, nullptr);
    if (FAILED(myxa2->result)) {
        report("source voice failed.");
        return false;
    }
    buffer->Flags = XAUDIO2_END_OF_STREAM;
    myxa2->result = slot.voice->SubmitSourceBuffer(buffer, nullptr);
    if (FAILED(myxa2->result)) {
        report("play failed.");
        return false;
    }
    myxa2->result = slot.voice->Start(0, XAUDIO2_COMMIT_NOW);
    if (FAILED(myxa2->result)) {
        report("play failed.");
        return false;
    }
    return true;
}

void myxa2_soundstop(key_state& key)
{
    if (key.slot_number >= pcm_slots.size())
        return;
    IXAudio2SourceVoice*& voice = pcm_slots[key.slot_number].voice;
    if (voice == nullptr)
        return;
    myxa2->result = voice->Stop(0, XAUDIO2_COMMIT_NOW);
    if (FAILED(myxa2->result)) {
        report("soundstop failed.");
        return;
    }
    myxa2->result = voice->FlushSourceBuffers();
    voice->DestroyVoice();
    voice = nullptr;
}
