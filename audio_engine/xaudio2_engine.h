#pragma once
// The audio engine object: device list, one mastering voice on an output
// device of the audio subsystem, and any number of source voices mixed
// into it.
#include "mastering_voice.h"
#include "mix/voice_mixer.h"
#include "outputs/audio_output.h"
#include "source_voice.h"

#include <xaudio2.h>

#include <atomic>
#include <memory>
#include <vector>

class xaudio2_engine final : public IXAudio2 {
public:
    xaudio2_engine() = default;
    xaudio2_engine(const xaudio2_engine&) = delete;
    xaudio2_engine& operator=(const xaudio2_engine&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetDeviceCount(UINT32* pCount) override;
    HRESULT GetDeviceDetails(UINT32 Index, XAUDIO2_DEVICE_DETAILS* pDeviceDetails) override;
    HRESULT Initialize(UINT32 Flags, XAUDIO2_PROCESSOR XAudio2Processor) override;
    HRESULT CreateSourceVoice(IXAudio2SourceVoice** ppSourceVoice, const WAVEFORMATEX* pSourceFormat, UINT32 Flags,
                              float MaxFrequencyRatio, IXAudio2VoiceCallback* pCallback,
                              const XAUDIO2_VOICE_SENDS* pSendList,
                              const XAUDIO2_EFFECT_CHAIN* pEffectChain) override;
    HRESULT CreateMasteringVoice(IXAudio2MasteringVoice** ppMasteringVoice, UINT32 InputChannels,
                                 UINT32 InputSampleRate, UINT32 Flags, UINT32 DeviceIndex,
                                 const XAUDIO2_EFFECT_CHAIN* pEffectChain) override;

    // The voices' DestroyVoice: after these return the audio thread no
    // longer touches the voice.
    void destroy_source_voice(source_voice* voice);
    void destroy_mastering_voice();

private:
    // The last Release closes the device first, then frees every voice, then
    // lets go of the output.
    ~xaudio2_engine();

    UINT32 device_count() const;

    std::atomic<ULONG> references_{1};
    bool initialized_ = false;
    std::unique_ptr<audio_output> output_;
    voice_mixer mixer_;
    std::vector<std::unique_ptr<source_voice>> sources_;
    std::unique_ptr<mastering_voice> master_;
};
