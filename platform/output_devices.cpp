#include "output_devices.h"

#include <SDL.h>

#include <cwchar>
#include <iterator>

namespace {

constexpr int unknown_layout_channels = 2;
constexpr int output = 0;  // SDL's "not a capture device"

int listed_devices()
{
    const int count = SDL_GetNumAudioDevices(output);
    return count > 0 ? count : 0;
}

int listed_index(UINT32 index)
{
    return static_cast<int>(index) - 1;
}

// Names are kept to ASCII; each byte outside it becomes '?'.
void widen(const char* name, WCHAR (&wide)[256])
{
    std::size_t out = 0;
    for (; name[out] != '\0' && out + 1 < std::size(wide); ++out) {
        const auto byte = static_cast<unsigned char>(name[out]);
        wide[out] = byte < 0x80 ? static_cast<WCHAR>(byte) : L'?';
    }
    wide[out] = L'\0';
}

}  // namespace

UINT32 output_device_count()
{
    return 1 + static_cast<UINT32>(listed_devices());
}

int output_device_channels(UINT32 index)
{
    SDL_AudioSpec spec{};
    int found = -1;
    if (index == 0) {
        char* name = nullptr;
        found = SDL_GetDefaultAudioInfo(&name, &spec, output);
        SDL_free(name);
    } else {
        found = SDL_GetAudioDeviceSpec(listed_index(index), output, &spec);
    }
    return found == 0 && spec.channels > 0 ? spec.channels : unknown_layout_channels;
}

const char* output_device_name(UINT32 index)
{
    return index == 0 ? nullptr : SDL_GetAudioDeviceName(listed_index(index), output);
}

void describe_output_device(UINT32 index, XAUDIO2_DEVICE_DETAILS& details)
{
    details = XAUDIO2_DEVICE_DETAILS{};
    const char* name = output_device_name(index);
    widen(name != nullptr ? name : "System default output", details.DisplayName);
    std::wcscpy(details.DeviceID, details.DisplayName);
    details.Role = index == 0 ? GlobalDefaultDevice : NotDefaultDevice;

    WAVEFORMATEX& format = details.OutputFormat.Format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(output_device_channels(index));
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    details.OutputFormat.Samples.wValidBitsPerSample = 16;
    details.OutputFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
}
