#pragma once
// The audio engine, version 2.7: the engine object, its voices and the
// records they take. Only the calls the player makes are declared.
#include "mmreg.h"
#include "objbase.h"

inline constexpr CLSID CLSID_XAudio2 = {0x5A508685, 0xA254, 0x4FBA, {0x9B, 0x82, 0x9A, 0x24, 0xB0, 0x03, 0x06, 0xAF}};
inline constexpr IID IID_IXAudio2 = {0x8BCF1F58, 0x9FE7, 0x4583, {0x8A, 0xC6, 0xE2, 0xAD, 0xC4, 0x65, 0xC8, 0xBB}};

using XAUDIO2_PROCESSOR = UINT32;
constexpr XAUDIO2_PROCESSOR XAUDIO2_DEFAULT_PROCESSOR = 0xFFFFFFFF;

constexpr UINT32 XAUDIO2_DEFAULT_CHANNELS = 0;
constexpr UINT32 XAUDIO2_DEFAULT_SAMPLERATE = 0;
constexpr float XAUDIO2_DEFAULT_FREQ_RATIO = 2.0f;
constexpr UINT32 XAUDIO2_COMMIT_NOW = 0;
constexpr UINT32 XAUDIO2_END_OF_STREAM = 0x40;
constexpr UINT32 XAUDIO2_MAX_LOOP_COUNT = 254;
constexpr UINT32 XAUDIO2_LOOP_INFINITE = 255;

constexpr HRESULT XAUDIO2_E_INVALID_CALL = static_cast<HRESULT>(0x88960001u);
constexpr HRESULT XAUDIO2_E_DEVICE_INVALIDATED = static_cast<HRESULT>(0x88960004u);

enum XAUDIO2_DEVICE_ROLE : UINT32 {
    NotDefaultDevice = 0x0,
    GlobalDefaultDevice = 0xF,
};

struct XAUDIO2_DEVICE_DETAILS {
    WCHAR DeviceID[256];
    WCHAR DisplayName[256];
    XAUDIO2_DEVICE_ROLE Role;
    WAVEFORMATEXTENSIBLE OutputFormat;
};

struct XAUDIO2_BUFFER {
    UINT32 Flags;
    UINT32 AudioBytes;
    const BYTE* pAudioData;
    UINT32 PlayBegin;
    UINT32 PlayLength;
    UINT32 LoopBegin;
    UINT32 LoopLength;
    UINT32 LoopCount;
    void* pContext;
};

// Voice callbacks, send lists, effect chains and WMA packet tables are not
// supported; only null pointers to them are ever passed.
struct IXAudio2VoiceCallback;
struct XAUDIO2_VOICE_SENDS;
struct XAUDIO2_EFFECT_CHAIN;
struct XAUDIO2_BUFFER_WMA;

// Voices belong to the engine and end with DestroyVoice, never by delete.
struct IXAudio2Voice {
    virtual void DestroyVoice() = 0;

protected:
    ~IXAudio2Voice() = default;
};

struct IXAudio2SourceVoice : IXAudio2Voice {
    virtual HRESULT Start(UINT32 Flags = 0, UINT32 OperationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual HRESULT Stop(UINT32 Flags = 0, UINT32 OperationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual HRESULT SubmitSourceBuffer(const XAUDIO2_BUFFER* pBuffer, const XAUDIO2_BUFFER_WMA* pBufferWMA = nullptr) = 0;
    virtual HRESULT FlushSourceBuffers() = 0;

protected:
    ~IXAudio2SourceVoice() = default;
};

struct IXAudio2MasteringVoice : IXAudio2Voice {
protected:
    ~IXAudio2MasteringVoice() = default;
};

struct IXAudio2 : IUnknown {
    virtual HRESULT GetDeviceCount(UINT32* pCount) = 0;
    virtual HRESULT GetDeviceDetails(UINT32 Index, XAUDIO2_DEVICE_DETAILS* pDeviceDetails) = 0;
    virtual HRESULT Initialize(UINT32 Flags = 0, XAUDIO2_PROCESSOR XAudio2Processor = XAUDIO2_DEFAULT_PROCESSOR) = 0;
    virtual HRESULT CreateSourceVoice(IXAudio2SourceVoice** ppSourceVoice, const WAVEFORMATEX* pSourceFormat,
                                      UINT32 Flags = 0, float MaxFrequencyRatio = XAUDIO2_DEFAULT_FREQ_RATIO,
                                      IXAudio2VoiceCallback* pCallback = nullptr,
                                      const XAUDIO2_VOICE_SENDS* pSendList = nullptr,
                                      const XAUDIO2_EFFECT_CHAIN* pEffectChain = nullptr) = 0;
    virtual HRESULT CreateMasteringVoice(IXAudio2MasteringVoice** ppMasteringVoice,
                                         UINT32 InputChannels = XAUDIO2_DEFAULT_CHANNELS,
                                         UINT32 InputSampleRate = XAUDIO2_DEFAULT_SAMPLERATE, UINT32 Flags = 0,
                                         UINT32 DeviceIndex = 0,
                                         const XAUDIO2_EFFECT_CHAIN* pEffectChain = nullptr) = 0;

protected:
    ~IXAudio2() = default;
};
