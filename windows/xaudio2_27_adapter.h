#pragma once
// XAudio2 2.7's engine interface over an engine of version 2.9 or 2.8. The
// device list by index that 2.7 has and the newer engines lack comes from
// the system's audio endpoints; a mastering voice is opened on the chosen
// endpoint by its ID. Voices are the newer engine's own: the voice
// interfaces 2.7's callers use are laid out alike in both versions.
#include <xaudio2.h>

#include <vector>

class xaudio2_27_adapter final : public IXAudio2 {
public:
    // `create` is XAudio2Create of a loaded xaudio2_9.dll or xaudio2_8.dll;
    // the engine itself is created by Initialize, as 2.7's is.
    explicit xaudio2_27_adapter(XAudio2Create_9 create);
    xaudio2_27_adapter(const xaudio2_27_adapter&) = delete;
    xaudio2_27_adapter& operator=(const xaudio2_27_adapter&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetDeviceCount(UINT32* count) override;
    HRESULT STDMETHODCALLTYPE GetDeviceDetails(UINT32 index, XAUDIO2_DEVICE_DETAILS* details) override;
    HRESULT STDMETHODCALLTYPE Initialize(UINT32 flags, XAUDIO2_PROCESSOR processor) override;
    HRESULT STDMETHODCALLTYPE RegisterForCallbacks(IXAudio2EngineCallback* callback) override;
    void STDMETHODCALLTYPE UnregisterForCallbacks(IXAudio2EngineCallback* callback) override;
    HRESULT STDMETHODCALLTYPE CreateSourceVoice(IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags,
                                                float max_frequency_ratio, IXAudio2VoiceCallback* callback,
                                                const XAUDIO2_VOICE_SENDS* sends,
                                                const XAUDIO2_EFFECT_CHAIN* effects) override;
    HRESULT STDMETHODCALLTYPE CreateSubmixVoice(IXAudio2SubmixVoice** voice, UINT32 channels, UINT32 sample_rate,
                                                UINT32 flags, UINT32 processing_stage,
                                                const XAUDIO2_VOICE_SENDS* sends,
                                                const XAUDIO2_EFFECT_CHAIN* effects) override;
    HRESULT STDMETHODCALLTYPE CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 channels,
                                                   UINT32 sample_rate, UINT32 flags, UINT32 device_index,
                                                   const XAUDIO2_EFFECT_CHAIN* effects) override;
    HRESULT STDMETHODCALLTYPE StartEngine() override;
    void STDMETHODCALLTYPE StopEngine() override;
    HRESULT STDMETHODCALLTYPE CommitChanges(UINT32 operation_set) override;
    void STDMETHODCALLTYPE GetPerformanceData(XAUDIO2_PERFORMANCE_DATA* data) override;
    void STDMETHODCALLTYPE SetDebugConfiguration(const XAUDIO2_DEBUG_CONFIGURATION* configuration,
                                                 void* reserved) override;

private:
    ~xaudio2_27_adapter();

    LONG references_ = 1;
    XAudio2Create_9 create_;
    IXAudio2_9* engine_ = nullptr;
    std::vector<XAUDIO2_DEVICE_DETAILS> devices_;
};
