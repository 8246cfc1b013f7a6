#pragma once
// A scripted audio engine, registered with COM for CLSID_XAudio2 while it
// exists: each call answers with the result scripted for it and is logged
// with its arguments, so tests see the order and the values the player
// passes.
#include <objbase.h>
#include <xaudio2.h>

#include <string>
#include <vector>

struct fake_audio_script {
    HRESULT create = S_OK, initialize = S_OK, mastering_voice = S_OK;
    HRESULT source_voice = S_OK, submit = S_OK, start = S_OK, stop = S_OK;
    std::vector<WORD> device_channels{2};
};

class fake_audio {
public:
    fake_audio();
    ~fake_audio();
    fake_audio(const fake_audio&) = delete;
    fake_audio& operator=(const fake_audio&) = delete;

    fake_audio_script script;
    std::vector<std::string> calls;
    int live_engines = 0;
    int live_source_voices = 0;
    const WAVEFORMATEX* source_format = nullptr;
    const XAUDIO2_BUFFER* submitted = nullptr;

private:
    IClassFactory* factory_;
    DWORD cookie_ = 0;
};
