#include "pcm_bank.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

std::vector<pcm_slot> pcm_slots;
std::uint32_t start_time;

namespace {

constexpr std::size_t slot_count = 128;
constexpr std::size_t name_capacity = 260;  // terminator included
constexpr const char* default_base_path = "pcm/test";

// Sample blocks stay allocated until the process is gone: the audio thread
// may still be reading them while the program exits. The store itself is
// never destroyed, so nothing is freed on the way out.
BYTE* keep_for_process(std::unique_ptr<BYTE[]> block)
{
    static auto& blocks = *new std::vector<std::unique_ptr<BYTE[]>>;
    blocks.push_back(std::move(block));
    return blocks.back().get();
}

void set_fixed_format(WAVEFORMATEXTENSIBLE& format)
{
    format.Format.wFormatTag = WAVE_FORMAT_PCM;
    format.Format.nChannels = 1;
    format.Format.nSamplesPerSec = 44100;
    format.Format.nAvgBytesPerSec = 88200;
    format.Format.nBlockAlign = 2;
    format.Format.wBitsPerSample = 16;
    format.Format.cbSize = 0;
    format.Samples.wValidBitsPerSample = 16;
    format.dwChannelMask = SPEAKER_FRONT_LEFT;
    format.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
}

// The size of a sample file: 0 when it cannot be queried, false when it is
// too large to be described at all.
bool query_size(const char* name, std::int32_t& size)
{
    struct _stat64i32 status {};
    const bool queried = _stat64i32(name, &status) == 0;
    size = status.st_size;
    return queried || errno != EOVERFLOW;
}

void fill_buffer(pcm_slot& slot, const BYTE* data, UINT32 bytes)
{
    const UINT32 frame_bytes = slot.format.Format.wBitsPerSample * slot.format.Format.nChannels / 8u;
    XAUDIO2_BUFFER& buffer = slot.buffer;
    buffer.AudioBytes = bytes;
    buffer.pAudioData = data;
    buffer.PlayBegin = 0;
    buffer.PlayLength = frame_bytes == 0 ? 0 : bytes / frame_bytes;
    buffer.LoopBegin = 0;
    buffer.LoopLength = 0;
    buffer.LoopCount = XAUDIO2_LOOP_INFINITE;
    buffer.pContext = nullptr;
}

}  // namespace

bool pcm_load(pcm_slot& slot, const char* name)
{
    std::int32_t size = 0;
    const bool describable = query_size(name, size);
    std::cerr << name << ": " << size << std::endl;
    if (!describable) {
        std::cerr << name << ": file is larger than 2147483647 bytes." << std::endl;
        return false;
    }
    std::ifstream file(name, std::ios::in | std::ios::binary);
    if (!file) {
        std::cerr << name << ": can't open file." << std::endl;
        return false;
    }
    auto block = std::make_unique_for_overwrite<BYTE[]>(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(block.get()), size);
    // A file that shrank since its size was taken plays only what was read.
    const auto bytes_read = static_cast<UINT32>(file.gcount());
    file.close();
    fill_buffer(slot, keep_for_process(std::move(block)), bytes_read);
    return true;
}

void load_bank(int argc, char** argv)
{
    const char* base_path = argc >= 2 ? argv[1] : default_base_path;
    pcm_slots.assign(slot_count, pcm_slot{});
    for (unsigned n = 0; n < slot_count; ++n) {
        char name[name_capacity];
        const int length = std::snprintf(name, sizeof name, "%s.%u.pcm", base_path, n);
        const bool fits = length >= 0 && static_cast<std::size_t>(length) < sizeof name;
        if (!fits)
            std::cerr << "pcm load: the file name of slot " << n << " is longer than " << name_capacity - 1
                      << " characters." << std::endl;
        set_fixed_format(pcm_slots[n].format);
        if (!fits || !pcm_load(pcm_slots[n], name)) {
            std::cerr << "pcm load: " << n << " failed." << std::endl;
            return;
        }
    }
}
