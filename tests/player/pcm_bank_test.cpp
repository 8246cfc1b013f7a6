#include "pcm_bank.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <tuple>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

std::vector<std::uint8_t> bytes_of_size(std::size_t size, unsigned seed = 0)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

// Runs load_bank as the player's main does and returns what it printed.
std::string load(std::string base_path)
{
    std::string program = "vellicor";
    char* argv[] = {program.data(), base_path.data(), nullptr};
    CaptureStderr();
    load_bank(2, argv);
    return GetCapturedStderr();
}

bool is_empty(const XAUDIO2_BUFFER& b)
{
    return b.pAudioData == nullptr && b.pContext == nullptr &&
           (b.Flags | b.AudioBytes | b.PlayBegin | b.PlayLength | b.LoopBegin | b.LoopLength | b.LoopCount) == 0;
}

TEST(PcmBank, LoadsEverySlotWithTheFixedFormatAndALoopingBuffer)
{
    temp_dir dir;
    std::ostringstream expected;
    for (unsigned n = 0; n < 128; ++n) {
        dir.write("b." + std::to_string(n) + ".pcm", bytes_of_size(2 * n + 4, n));
        expected << dir.file("b") << "." << n << ".pcm: " << 2 * n + 4 << "\n";
    }
    EXPECT_EQ(load(dir.file("b")), expected.str());

    const GUID pcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    ASSERT_EQ(pcm_slots.size(), 128u);
    for (unsigned n = 0; n < 128; ++n) {
        const pcm_slot& slot = pcm_slots[n];
        EXPECT_EQ(slot.voice, nullptr);
        const WAVEFORMATEX& f = slot.format.Format;
        EXPECT_EQ(std::tuple(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.nAvgBytesPerSec, f.nBlockAlign,
                             f.wBitsPerSample, f.cbSize, slot.format.Samples.wValidBitsPerSample,
                             slot.format.dwChannelMask),
                  std::tuple(1, 1, 44100u, 88200u, 2, 16, 0, 16, 1u));
        EXPECT_EQ(slot.format.SubFormat, pcm);
        const XAUDIO2_BUFFER& b = slot.buffer;
        EXPECT_EQ(b.AudioBytes, 2 * n + 4);
        EXPECT_EQ(b.PlayLength, n + 2);
        EXPECT_EQ(b.LoopCount, 255u);
        EXPECT_EQ(b.Flags | b.PlayBegin | b.LoopBegin | b.LoopLength, 0u);
        EXPECT_EQ(b.pContext, nullptr);
        const auto content = bytes_of_size(2 * n + 4, n);
        EXPECT_EQ(std::memcmp(b.pAudioData, content.data(), content.size()), 0) << "slot " << n;
    }
}

TEST(PcmBank, StopsAtTheFirstMissingFile)
{
    temp_dir dir;
    for (unsigned n : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 13u})
        dir.write("b." + std::to_string(n) + ".pcm", bytes_of_size(6));
    const std::string printed = load(dir.file("b")), missing = dir.file("b.12.pcm");
    EXPECT_TRUE(printed.ends_with(dir.file("b.11.pcm: 6\n") + missing + ": 0\n" + missing +
                                  ": can't open file.\npcm load: 12 failed.\n"))
        << printed;
    EXPECT_EQ(pcm_slots[12].format.Format.nSamplesPerSec, 44100u) << "the failed slot keeps its format";
    EXPECT_TRUE(is_empty(pcm_slots[12].buffer));
    for (unsigned n = 13; n < 128; ++n) {
        EXPECT_TRUE(pcm_slots[n].voice == nullptr && is_empty(pcm_slots[n].buffer)) << "slot " << n;
        EXPECT_EQ(pcm_slots[n].format.Format.nSamplesPerSec, 0u) << "slot " << n;
    }
}

TEST(PcmBank, NamesComeFromTheFirstArgumentOrTheDefaultBasePath)
{
    EXPECT_EQ(load(""), ".0.pcm: 0\n.0.pcm: can't open file.\npcm load: 0 failed.\n");
    char* argv[] = {nullptr};
    CaptureStderr();
    load_bank(1, argv);
    EXPECT_EQ(GetCapturedStderr(), "pcm/test.0.pcm: 0\npcm/test.0.pcm: can't open file.\npcm load: 0 failed.\n");
}

TEST(PcmBank, OddAndEmptyFilesLoadWhatTheyHold)
{
    temp_dir dir;
    dir.write("b.0.pcm", bytes_of_size(3));
    dir.write("b.1.pcm", "");
    const std::string printed = load(dir.file("b"));
    EXPECT_TRUE(printed.starts_with(dir.file("b.0.pcm: 3\n") + dir.file("b.1.pcm: 0\n"))) << printed;
    for (unsigned n : {0u, 1u}) {
        EXPECT_EQ(pcm_slots[n].buffer.AudioBytes, n == 0 ? 3u : 0u) << "slot " << n;
        EXPECT_EQ(pcm_slots[n].buffer.PlayLength, n == 0 ? 1u : 0u) << "slot " << n;
        EXPECT_EQ(pcm_slots[n].buffer.LoopCount, 255u) << "slot " << n << " counts as loaded";
    }
}

// A FIFO would block the open until a writer came; a directory or a device
// would load as a silent slot.
TEST(PcmBank, RefusesWhatIsNotARegularFile)
{
    temp_dir dir;
    std::filesystem::create_directory(dir.file("dir.0.pcm"));
    ASSERT_EQ(mkfifo(dir.file("fifo.0.pcm").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("device.0.pcm"));
    alarm(20);  // a blocked open ends the test run instead of hanging it
    for (const char* base : {"dir", "fifo", "device"}) {
        const std::string name = dir.file(base) + ".0.pcm";
        const std::string printed = load(dir.file(base));
        EXPECT_TRUE(printed.starts_with(name + ": ")) << printed;
        EXPECT_TRUE(printed.ends_with(name + ": can't open file.\npcm load: 0 failed.\n")) << printed;
        EXPECT_TRUE(is_empty(pcm_slots[0].buffer)) << base;
    }
    alarm(0);
}

// Address-space limits do not apply to the sanitizers' allocators.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool limits_address_space = false;
#else
constexpr bool limits_address_space = true;
#endif

// Loads the bank within 1 GiB of address space and exits with 0 when slot
// 0 holds its 4 bytes and slot 1 was left empty.
[[noreturn]] void load_in_one_gigabyte(std::string base)
{
    const rlimit one_gigabyte{1u << 30, 1u << 30};
    setrlimit(RLIMIT_AS, &one_gigabyte);
    std::string program = "vellicor";
    char* argv[] = {program.data(), base.data(), nullptr};
    load_bank(2, argv);
    std::exit(pcm_slots[0].buffer.AudioBytes == 4 && is_empty(pcm_slots[1].buffer) ? 0 : 1);
}

TEST(PcmBank, AFileTooLargeForMemoryEndsLoadingThere)
{
    if (!limits_address_space)
        GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
    temp_dir dir;
    dir.write("b.0.pcm", bytes_of_size(4));
    const std::string large = dir.file("b.1.pcm");
    std::ofstream{large}.close();
    ASSERT_EQ(truncate(large.c_str(), 1'500'000'000), 0) << "a sparse file";
    const std::string base = dir.file("b");
    EXPECT_EXIT(load_in_one_gigabyte(base), testing::ExitedWithCode(0),
        large + ": 1500000000\n" + large + ": not enough memory for the file.\npcm load: 1 failed.\n$");
}

TEST(PcmBank, RefusesFilesAndNamesBeyondItsLimits)
{
    temp_dir dir;
    const std::string huge = dir.file("huge.0.pcm");
    std::ofstream{huge}.close();
    ASSERT_EQ(truncate(huge.c_str(), 3'000'000'000), 0) << "a sparse file";
    EXPECT_EQ(load(dir.file("huge")),
              huge + ": 0\n" + huge + ": file is larger than 2147483647 bytes.\npcm load: 0 failed.\n");

    // A 252-character base path leaves room for the names of slots 0 to 99.
    const std::string prefix = dir.file("b");
    const std::string base = prefix + std::string(252 - prefix.size(), 'x');
    for (unsigned n = 0; n <= 100; ++n)
        dir.write(base.substr(prefix.size() - 1) + "." + std::to_string(n) + ".pcm", bytes_of_size(2));
    const std::string printed = load(base);
    EXPECT_TRUE(printed.ends_with(base + ".99.pcm: 2\n"
                                         "pcm load: the file name of slot 100 is longer than 259 characters.\n"
                                         "pcm load: 100 failed.\n"))
        << printed;
    EXPECT_TRUE(is_empty(pcm_slots[100].buffer));
}

}  // namespace
