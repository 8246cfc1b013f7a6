#include "pcm_bank.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>

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

struct file_status {
    std::int32_t size = 0;  // 0 when it cannot be queried
    bool describable = true;  // false when the size does not fit 32 bits
    bool regular = true;  // false for a directory, a FIFO or a device
};

file_status query_status(const char* name)
{
    struct _stat64i32 status {};
    const bool queried = _stat64i32(name, &status) == 0;
    file_status file;
    file.size = status.st_size;
    file.describable = queried || errno != EOVERFLOW;
    // A file that cannot be queried is left to the open to refuse.
    file.regular = !queried || (status.st_mode & _S_IFMT) == _S_IFREG;
    return file;
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
    const file_status status = query_status(name);
    std::cerr << name << ": " << status.size << std::endl;
    if (!status.describable) {
        std::cerr << name << ": file is larger than 2147483647 bytes." << std::endl;
        return false;
    }
    // Opening a FIFO or a device could block before the window opens.
    std::ifstream file;
    if (status.regular)
        file.open(name, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        std::cerr << name << ": can't open file." << std::endl;
        return false;
    }
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[static_cast<std::size_t>(status.size)]);
    if (!block) {
        std::cerr << name << ": not enough memory for the file." << std::endl;
        return false;
    }
    file.read(reinterpret_cast<char*>(block.get()), status.size);
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
