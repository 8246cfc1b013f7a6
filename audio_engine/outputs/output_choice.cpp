#include "output_choice.h"

#include "pipewire_output.h"
#include "pulseaudio_output.h"
#include "sdl_output.h"

#include <cstdlib>

std::unique_ptr<audio_output> start_output()
{
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
        std::unique_ptr<audio_output> server = std::make_unique<pipewire_output>();
        if (server->start())
            return server;
        server = std::make_unique<pulseaudio_output>();
        if (server->start())
            return server;
    }
    auto sdl = std::make_unique<sdl_output>();
    sdl->start();
    return sdl;
}
