#include "output_devices.h"

#include <cwchar>
#include <iterator>

namespace {

// Names are kept to ASCII; each byte outside it becomes '?'.
void widen(const std::string& name, WCHAR (&wide)[256])
{
    std::size_t out = 0;
    for (; out < name.size() && out + 1 < std::size(wide); ++out) {
        const auto byte = static_cast<unsigned char>(name[out]);
        wide[out] = byte < 0x80 ? static_cast<WCHAR>(byte) : L'?';
    }
    wide[out] = L'\0';
}

}  // namespace

void describe_output_device(const output_device& device, UINT32 index, XAUDIO2_DEVICE_DETAILS& details)
{
    details = XAUDIO2_DEVICE_DETAILS{};
    widen(device.name, details.DisplayName);
    std::wcscpy(details.DeviceID, details.DisplayName);
    details.Role = index == 0 ? GlobalDefaultDevice : NotDefaultDevice;

    WAVEFORMATEX& format = details.OutputFormat.Format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(device.channels);
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    details.OutputFormat.Samples.wValidBitsPerSample = 16;
    details.OutputFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
}
