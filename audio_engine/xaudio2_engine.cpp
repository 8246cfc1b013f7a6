#include "xaudio2_engine.h"

#include "output_devices.h"
#include "outputs/output_choice.h"

#include <algorithm>
#include <new>

namespace {

constexpr UINT32 output_rate = 44100;
constexpr int max_output_channels = 8;

// Voices are mixed as they are, without resampling or format conversion.
bool is_mixable(const WAVEFORMATEX& format)
{
    return format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels == 1 && format.nSamplesPerSec == output_rate &&
           format.wBitsPerSample == 16 && format.nBlockAlign == 2;
}

}  // namespace

xaudio2_engine::~xaudio2_engine()
{
    master_.reset();
    sources_.clear();
    output_.reset();
}

HRESULT xaudio2_engine::QueryInterface(REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr)
        return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IXAudio2) {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *ppvObject = static_cast<IXAudio2*>(this);
    return S_OK;
}

ULONG xaudio2_engine::AddRef()
{
    return ++references_;
}

ULONG xaudio2_engine::Release()
{
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

// Without a working output the engine still starts, with an empty device
// list, so that only the mastering voice fails.
HRESULT xaudio2_engine::Initialize(UINT32 Flags, XAUDIO2_PROCESSOR)
{
    if (initialized_ || Flags != 0)
        return XAUDIO2_E_INVALID_CALL;
    output_ = start_output();
    initialized_ = true;
    return S_OK;
}

UINT32 xaudio2_engine::device_count() const
{
    return output_ ? static_cast<UINT32>(output_->devices().size()) : 0;
}

HRESULT xaudio2_engine::GetDeviceCount(UINT32* pCount)
{
    if (!initialized_)
        return XAUDIO2_E_INVALID_CALL;
    if (pCount == nullptr)
        return E_POINTER;
    *pCount = device_count();
    return S_OK;
}

HRESULT xaudio2_engine::GetDeviceDetails(UINT32 Index, XAUDIO2_DEVICE_DETAILS* pDeviceDetails)
{
    if (!initialized_)
        return XAUDIO2_E_INVALID_CALL;
    if (pDeviceDetails == nullptr)
        return E_POINTER;
    if (Index >= device_count())
        return E_INVALIDARG;
    describe_output_device(output_->devices()[Index], Index, *pDeviceDetails);
    return S_OK;
}

HRESULT xaudio2_engine::CreateMasteringVoice(IXAudio2MasteringVoice** ppMasteringVoice, UINT32 InputChannels,
                                             UINT32 InputSampleRate, UINT32 Flags, UINT32 DeviceIndex,
                                             const XAUDIO2_EFFECT_CHAIN* pEffectChain)
{
    if (ppMasteringVoice == nullptr)
        return E_POINTER;
    *ppMasteringVoice = nullptr;
    if (!initialized_ || master_ || Flags != 0 || pEffectChain != nullptr)
        return XAUDIO2_E_INVALID_CALL;
    if (InputSampleRate != XAUDIO2_DEFAULT_SAMPLERATE && InputSampleRate != output_rate)
        return XAUDIO2_E_INVALID_CALL;
    if (InputChannels > static_cast<UINT32>(max_output_channels) || DeviceIndex >= device_count())
        return XAUDIO2_E_INVALID_CALL;
    const output_device& device = output_->devices()[DeviceIndex];
    const int channels = InputChannels != XAUDIO2_DEFAULT_CHANNELS ? static_cast<int>(InputChannels)
                                                                   : std::min(device.channels, max_output_channels);
    mastering_voice* opened = nullptr;
    const HRESULT result = mastering_voice::open(*this, mixer_, *output_, device, channels, opened);
    if (FAILED(result))
        return result;
    master_.reset(opened);
    *ppMasteringVoice = opened;
    return S_OK;
}

// The pitch of a voice never changes here, so MaxFrequencyRatio is moot.
HRESULT xaudio2_engine::CreateSourceVoice(IXAudio2SourceVoice** ppSourceVoice, const WAVEFORMATEX* pSourceFormat,
                                          UINT32 Flags, float, IXAudio2VoiceCallback* pCallback,
                                          const XAUDIO2_VOICE_SENDS* pSendList,
                                          const XAUDIO2_EFFECT_CHAIN* pEffectChain)
{
    if (ppSourceVoice == nullptr)
        return E_POINTER;
    *ppSourceVoice = nullptr;
    if (!master_ || Flags != 0 || pCallback != nullptr || pSendList != nullptr || pEffectChain != nullptr)
        return XAUDIO2_E_INVALID_CALL;
    if (pSourceFormat == nullptr || !is_mixable(*pSourceFormat))
        return XAUDIO2_E_INVALID_CALL;
    auto* voice = new (std::nothrow) source_voice(*this, mixer_);
    if (voice == nullptr)
        return E_OUTOFMEMORY;
    sources_.emplace_back(voice);
    mixer_.add(voice->playback());
    *ppSourceVoice = voice;
    return S_OK;
}

void xaudio2_engine::destroy_source_voice(source_voice* voice)
{
    mixer_.remove(voice->playback());
    std::erase_if(sources_, [voice](const std::unique_ptr<source_voice>& held) { return held.get() == voice; });
}

void xaudio2_engine::destroy_mastering_voice()
{
    master_.reset();
}
