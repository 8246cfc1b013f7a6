#include "xaudio2_27_adapter.h"

#include "endpoint_devices.h"

xaudio2_27_adapter::xaudio2_27_adapter(XAudio2Create_9 create) : create_(create) {}

xaudio2_27_adapter::~xaudio2_27_adapter()
{
    if (engine_ != nullptr)
        engine_->Release();
}

HRESULT xaudio2_27_adapter::QueryInterface(REFIID iid, void** object)
{
    if (iid != IID_IUnknown && iid != IID_IXAudio2) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<IXAudio2*>(this);
    return S_OK;
}

ULONG xaudio2_27_adapter::AddRef()
{
    return InterlockedIncrement(&references_);
}

ULONG xaudio2_27_adapter::Release()
{
    LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return left;
}

HRESULT xaudio2_27_adapter::GetDeviceCount(UINT32* count)
{
    if (engine_ == nullptr)
        return XAUDIO2_E_INVALID_CALL;
    *count = static_cast<UINT32>(devices_.size());
    return S_OK;
}

HRESULT xaudio2_27_adapter::GetDeviceDetails(UINT32 index, XAUDIO2_DEVICE_DETAILS* details)
{
    if (engine_ == nullptr || index >= devices_.size())
        return XAUDIO2_E_INVALID_CALL;
    *details = devices_[index];
    return S_OK;
}

HRESULT xaudio2_27_adapter::Initialize(UINT32 flags, XAUDIO2_PROCESSOR processor)
{
    if (engine_ != nullptr)
        return XAUDIO2_E_INVALID_CALL;
    HRESULT result = create_(&engine_, flags, processor);
    if (SUCCEEDED(result))
        devices_ = endpoint_devices();
    else
        engine_ = nullptr;
    return result;
}

HRESULT xaudio2_27_adapter::RegisterForCallbacks(IXAudio2EngineCallback* callback)
{
    return engine_ == nullptr ? XAUDIO2_E_INVALID_CALL : engine_->RegisterForCallbacks(callback);
}

void xaudio2_27_adapter::UnregisterForCallbacks(IXAudio2EngineCallback* callback)
{
    if (engine_ != nullptr)
        engine_->UnregisterForCallbacks(callback);
}

HRESULT xaudio2_27_adapter::CreateSourceVoice(IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags,
                                              float max_frequency_ratio, IXAudio2VoiceCallback* callback,
                                              const XAUDIO2_VOICE_SENDS* sends, const XAUDIO2_EFFECT_CHAIN* effects)
{
    if (engine_ == nullptr)
        return XAUDIO2_E_INVALID_CALL;
    return engine_->CreateSourceVoice(voice, format, flags, max_frequency_ratio, callback, sends, effects);
}

HRESULT xaudio2_27_adapter::CreateSubmixVoice(IXAudio2SubmixVoice** voice, UINT32 channels, UINT32 sample_rate,
                                              UINT32 flags, UINT32 processing_stage,
                                              const XAUDIO2_VOICE_SENDS* sends, const XAUDIO2_EFFECT_CHAIN* effects)
{
    if (engine_ == nullptr)
        return XAUDIO2_E_INVALID_CALL;
    return engine_->CreateSubmixVoice(voice, channels, sample_rate, flags, processing_stage, sends, effects);
}

// Device 0 of an empty list is the engine's own default output, as 2.7's
// device 0 is the default.
HRESULT xaudio2_27_adapter::CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 channels,
                                                 UINT32 sample_rate, UINT32 flags, UINT32 device_index,
                                                 const XAUDIO2_EFFECT_CHAIN* effects)
{
    bool listed = device_index < devices_.size();
    if (engine_ == nullptr || (!listed && device_index != 0))
        return XAUDIO2_E_INVALID_CALL;
    LPCWSTR device_id = listed ? devices_[device_index].DeviceID : nullptr;
    return engine_->CreateMasteringVoice(voice, channels, sample_rate, flags, device_id, effects,
                                         AudioCategory_GameEffects);
}

HRESULT xaudio2_27_adapter::StartEngine()
{
    return engine_ == nullptr ? XAUDIO2_E_INVALID_CALL : engine_->StartEngine();
}

void xaudio2_27_adapter::StopEngine()
{
    if (engine_ != nullptr)
        engine_->StopEngine();
}

HRESULT xaudio2_27_adapter::CommitChanges(UINT32 operation_set)
{
    return engine_ == nullptr ? XAUDIO2_E_INVALID_CALL : engine_->CommitChanges(operation_set);
}

void xaudio2_27_adapter::GetPerformanceData(XAUDIO2_PERFORMANCE_DATA* data)
{
    if (engine_ != nullptr)
        engine_->GetPerformanceData(data);
}

void xaudio2_27_adapter::SetDebugConfiguration(const XAUDIO2_DEBUG_CONFIGURATION* configuration, void* reserved)
{
    if (engine_ != nullptr)
        engine_->SetDebugConfiguration(configuration, reserved);
}
