#pragma once
// Output through SDL2's audio subsystem and whichever driver it picks or
// is told to use (SDL_AUDIODRIVER).
#include "audio_output.h"

#include <SDL.h>

class sdl_output final : public audio_output {
public:
    sdl_output() = default;
    ~sdl_output() override;
    sdl_output(const sdl_output&) = delete;
    sdl_output& operator=(const sdl_output&) = delete;

    bool start() override;
    bool open(const output_device& device, int channels, voice_mixer& mixer) override;
    bool playing() const override;
    void close() override;

private:
    static void SDLCALL fill(void* self, Uint8* stream, int length);

    bool audio_up_ = false;
    voice_mixer* mixer_ = nullptr;
    int channels_ = 0;
    SDL_AudioDeviceID device_ = 0;
};
