#include "sdl_output.h"

#include <cstdint>
#include <cstring>
#include <span>

namespace {

constexpr int output_rate = 44100;
constexpr int unknown_layout_channels = 2;
constexpr int output = 0;  // SDL's "not a capture device"
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

int channels_of(const SDL_AudioSpec& spec, int found)
{
    return found == 0 && spec.channels > 0 ? spec.channels : unknown_layout_channels;
}

output_device default_device()
{
    SDL_AudioSpec spec{};
    char* name = nullptr;
    const int found = SDL_GetDefaultAudioInfo(&name, &spec, output);
    SDL_free(name);
    return {"", "System default output", channels_of(spec, found)};
}

output_device listed_device(int index)
{
    SDL_AudioSpec spec{};
    const int found = SDL_GetAudioDeviceSpec(index, output, &spec);
    const char* name = SDL_GetAudioDeviceName(index, output);
    const std::string id = name != nullptr ? name : "";
    return {id, id, channels_of(spec, found)};
}

}  // namespace

sdl_output::~sdl_output()
{
    close();
    if (audio_up_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool sdl_output::start()
{
    // SIGINT and SIGTERM stay with the program.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The engine reports through its results only; the console belongs to
    // the program (the disk driver would announce itself there).
    SDL_LogSetPriority(SDL_LOG_CATEGORY_AUDIO, SDL_NUM_LOG_PRIORITIES);
    audio_up_ = SDL_Init(SDL_INIT_AUDIO) == 0;
    if (!audio_up_)
        return false;
    devices_.push_back(default_device());
    const int count = SDL_GetNumAudioDevices(output);
    for (int i = 0; i < count; ++i)
        devices_.push_back(listed_device(i));
    return true;
}

bool sdl_output::open(const output_device& device, int channels, voice_mixer& mixer)
{
    close();
    mixer_ = &mixer;
    channels_ = channels;
    SDL_AudioSpec wanted{};
    wanted.freq = output_rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.samples = period_for_current_driver();
    wanted.callback = &sdl_output::fill;
    wanted.userdata = this;
    // No changes allowed: SDL converts to whatever the device really takes,
    // so the callback always sees this exact format.
    device_ = SDL_OpenAudioDevice(device.id.empty() ? nullptr : device.id.c_str(), 0, &wanted, nullptr, 0);
    if (device_ == 0)
        return false;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

// SDL stops a device whose server or hardware went away.
bool sdl_output::playing() const
{
    return device_ != 0 && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED;
}

void sdl_output::close()
{
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
    device_ = 0;
}

void SDLCALL sdl_output::fill(void* self, Uint8* stream, int length)
{
    auto& output = *static_cast<sdl_output*>(self);
    const std::size_t samples = static_cast<std::size_t>(length) / sizeof(std::int16_t);
    output.mixer_->render(std::span(reinterpret_cast<std::int16_t*>(stream), samples), output.channels_);
}
