#pragma once
// A scripted audio engine registered for CLSID_XAudio2 while it exists: it
// answers each call with the result set for it and logs every call with its
// arguments, so tests see the order and the values the player passes.
#include <objbase.h>
#include <xaudio2.h>

#include <string>
#include <vector>

struct fake_audio_script {
    HRESULT create = S_OK;
    HRESULT initialize = S_OK;
    HRESULT mastering_voice = S_OK;
    HRESULT source_voice = S_OK;
    HRESULT submit = S_OK;
    HRESULT start = S_OK;
    HRESULT stop = S_OK;
    std::vector<WORD> device_channels{2};
};

struct fake_audio_log {
    std::vector<std::string> calls;
    int live_engines = 0;
    int live_voices = 0;
    const WAVEFORMATEX* source_format = nullptr;
    const XAUDIO2_BUFFER* submitted = nullptr;
};

class fake_audio {
public:
    fake_audio();
    ~fake_audio();
    fake_audio(const fake_audio&) = delete;
    fake_audio& operator=(const fake_audio&) = delete;

    fake_audio_script script;
    fake_audio_log log;

private:
    IClassFactory* factory_;
    DWORD cookie_ = 0;
};
