#include "mastering_voice.h"

#include "xaudio2_engine.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <span>

namespace {

constexpr int output_rate = 44100;
// Small periods keep the time from a voice's Start to its first sound short.
constexpr Uint16 period_frames = 256;
// SDL's PulseAudio and PipeWire drivers give the server one period of
// buffering and no more. On a two-core machine 256 frames underran on both
// every few seconds (gaps in held tones), and 512 still did now and then
// on both; 1024 held.
constexpr Uint16 sound_server_period_frames = 1024;

bool is_sound_server(const char* driver)
{
    return driver != nullptr && (std::strcmp(driver, "pulseaudio") == 0 || std::strcmp(driver, "pipewire") == 0);
}

Uint16 period_for_current_driver()
{
    return is_sound_server(SDL_GetCurrentAudioDriver()) ? sound_server_period_frames : period_frames;
}

}  // namespace

mastering_voice::mastering_voice(xaudio2_engine& engine, voice_mixer& mixer, int channels)
    : engine_(engine), mixer_(mixer), channels_(channels)
{
}

HRESULT mastering_voice::open(xaudio2_engine& engine, voice_mixer& mixer, const char* device_name, int channels,
                              mastering_voice*& opened)
{
    auto* voice = new (std::nothrow) mastering_voice(engine, mixer, channels);
    if (voice == nullptr)
        return E_OUTOFMEMORY;
    SDL_AudioSpec wanted{};
    wanted.freq = output_rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = period_for_current_driver();
    wanted.callback = &mastering_voice::fill;
    wanted.userdata = voice;
    // No changes allowed: SDL converts to whatever the device really takes,
    // so the callback always sees this exact format.
    voice->device_ = SDL_OpenAudioDevice(device_name, 0, &wanted, nullptr, 0);
    if (voice->device_ == 0) {
        delete voice;
        return XAUDIO2_E_DEVICE_INVALIDATED;
    }
    SDL_PauseAudioDevice(voice->device_, 0);
    opened = voice;
    return S_OK;
}

mastering_voice::~mastering_voice()
{
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
}

void mastering_voice::DestroyVoice()
{
    engine_.destroy_mastering_voice();
}

void SDLCALL mastering_voice::fill(void* self, Uint8* stream, int length)
{
    auto& voice = *static_cast<mastering_voice*>(self);
    const std::size_t samples = static_cast<std::size_t>(length) / sizeof(std::int16_t);
    voice.mixer_.render(std::span(reinterpret_cast<std::int16_t*>(stream), samples), voice.channels_);
}
