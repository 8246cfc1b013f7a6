#include "pcm_bank.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <unistd.h>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

std::vector<std::uint8_t> bytes_of_size(std::size_t size, std::uint8_t seed = 0)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

// Runs load_bank as the player's main does, with the base path as its
// first argument, and returns what it printed.
std::string load(const std::string* base_path)
{
    std::string program = "vellicor", argument = base_path != nullptr ? *base_path : "";
    char* argv[] = {program.data(), argument.data(), nullptr};
    CaptureStderr();
    load_bank(base_path != nullptr ? 2 : 1, argv);
    return GetCapturedStderr();
}

bool is_all_zero(const void* record, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(record);
    return std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; });
}

TEST(PcmBank, LoadsAllSlotsWithTheFixedFormatAndALoopingBuffer)
{
    temp_dir dir;
    for (unsigned n = 0; n < 128; ++n)
        dir.write("b." + std::to_string(n) + ".pcm", bytes_of_size(2 * n + 4, static_cast<std::uint8_t>(n)));
    const std::string base = dir / "b";
    std::ostringstream expected;
    for (unsigned n = 0; n < 128; ++n)
        expected << base << "." << n << ".pcm: " << 2 * n + 4 << "\n";
    EXPECT_EQ(load(&base), expected.str());

    ASSERT_EQ(pcm_slots.size(), 128u);
    for (unsigned n = 0; n < 128; ++n) {
        const pcm_slot& slot = pcm_slots[n];
        const WAVEFORMATEXTENSIBLE& f = slot.format;
        EXPECT_EQ(slot.voice, nullptr);
        EXPECT_EQ(f.Format.wFormatTag, 1);
        EXPECT_EQ(f.Format.nChannels, 1);
        EXPECT_EQ(f.Format.nSamplesPerSec, 44100u);
        EXPECT_EQ(f.Format.nAvgBytesPerSec, 88200u);
        EXPECT_EQ(f.Format.nBlockAlign, 2);
        EXPECT_EQ(f.Format.wBitsPerSample, 16);
        EXPECT_EQ(f.Format.cbSize, 0);
        EXPECT_EQ(f.Samples.wValidBitsPerSample, 16);
        EXPECT_EQ(f.dwChannelMask, 1u);
        EXPECT_EQ(f.SubFormat, KSDATAFORMAT_SUBTYPE_PCM);

        const XAUDIO2_BUFFER& b = slot.buffer;
        EXPECT_EQ(b.Flags, 0u);
        EXPECT_EQ(b.AudioBytes, 2 * n + 4);
        EXPECT_EQ(b.PlayBegin, 0u);
        EXPECT_EQ(b.PlayLength, n + 2);
        EXPECT_EQ(b.LoopBegin, 0u);
        EXPECT_EQ(b.LoopLength, 0u);
        EXPECT_EQ(b.LoopCount, 255u);
        EXPECT_EQ(b.pContext, nullptr);
        const auto content = bytes_of_size(2 * n + 4, static_cast<std::uint8_t>(n));
        ASSERT_NE(b.pAudioData, nullptr);
        EXPECT_EQ(std::memcmp(b.pAudioData, content.data(), content.size()), 0) << "slot " << n;
    }
}

TEST(PcmBank, StopsAtTheFirstMissingFile)
{
    temp_dir dir;
    for (unsigned n : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 13u})
        dir.write("b." + std::to_string(n) + ".pcm", bytes_of_size(6));
    const std::string base = dir / "b";
    const std::string printed = load(&base);
    const std::string missing = base + ".12.pcm";
    EXPECT_TRUE(printed.ends_with(base + ".11.pcm: 6\n" + missing + ": 0\n" + missing +
                                  ": can't open file.\npcm load: 12 failed.\n"))
        << printed;
    EXPECT_EQ(pcm_slots[11].buffer.AudioBytes, 6u);
    EXPECT_EQ(pcm_slots[12].format.Format.nSamplesPerSec, 44100u) << "the failed slot keeps its format";
    EXPECT_TRUE(is_all_zero(&pcm_slots[12].buffer, sizeof(XAUDIO2_BUFFER)));
    for (unsigned n = 13; n < 128; ++n)
        EXPECT_TRUE(is_all_zero(&pcm_slots[n], sizeof(pcm_slot))) << "slot " << n;
}

TEST(PcmBank, NamesComeFromTheFirstArgumentOrTheDefaultBasePath)
{
    const std::string empty;
    EXPECT_EQ(load(&empty), ".0.pcm: 0\n.0.pcm: can't open file.\npcm load: 0 failed.\n");
    EXPECT_EQ(load(nullptr), "pcm/test.0.pcm: 0\npcm/test.0.pcm: can't open file.\npcm load: 0 failed.\n");
}

TEST(PcmBank, OddAndEmptyFilesLoad)
{
    temp_dir dir;
    dir.write("b.0.pcm", bytes_of_size(3));
    dir.write("b.1.pcm", {});
    const std::string base = dir / "b";
    const std::string printed = load(&base);
    EXPECT_TRUE(printed.starts_with(base + ".0.pcm: 3\n" + base + ".1.pcm: 0\n" + base + ".2.pcm: 0\n")) << printed;
    EXPECT_EQ(pcm_slots[0].buffer.AudioBytes, 3u);
    EXPECT_EQ(pcm_slots[0].buffer.PlayLength, 1u);
    EXPECT_EQ(pcm_slots[1].buffer.AudioBytes, 0u);
    EXPECT_EQ(pcm_slots[1].buffer.PlayLength, 0u);
    EXPECT_EQ(pcm_slots[1].buffer.LoopCount, 255u) << "an empty file counts as loaded";
}

// A directory reports a size but yields no bytes: the slot plays only what
// was read, which is nothing.
TEST(PcmBank, SlotHoldsOnlyTheBytesActuallyRead)
{
    temp_dir dir;
    std::filesystem::create_directory(dir / "b.0.pcm");
    pcm_slot slot{};
    slot.format.Format = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    CaptureStderr();
    const bool loaded = pcm_load(slot, (dir / "b.0.pcm").c_str());
    GetCapturedStderr();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(slot.buffer.AudioBytes, 0u);
    EXPECT_EQ(slot.buffer.PlayLength, 0u);
}

TEST(PcmBank, RefusesFilesAndNamesBeyondItsLimits)
{
    temp_dir dir;
    const std::string huge = dir / "huge.0.pcm";
    std::ofstream{huge}.close();
    ASSERT_EQ(truncate(huge.c_str(), 3'000'000'000), 0) << "a sparse file";
    const std::string huge_base = dir / "huge";
    EXPECT_EQ(load(&huge_base),
              huge + ": 0\n" + huge + ": file is larger than 2147483647 bytes.\npcm load: 0 failed.\n");

    // A 252-character base path leaves room for the names of slots 0 to 99.
    const std::string prefix = dir / "b";
    const std::string base = prefix + std::string(252 - prefix.size(), 'x');
    for (unsigned n = 0; n <= 100; ++n)
        dir.write(base.substr(base.rfind('/') + 1) + "." + std::to_string(n) + ".pcm", bytes_of_size(2));
    const std::string printed = load(&base);
    EXPECT_TRUE(printed.ends_with(base + ".99.pcm: 2\n"
                                         "pcm load: the file name of slot 100 is longer than 259 characters.\n"
                                         "pcm load: 100 failed.\n"))
        << printed;
    EXPECT_EQ(pcm_slots[99].buffer.AudioBytes, 2u);
    EXPECT_TRUE(is_all_zero(&pcm_slots[100].buffer, sizeof(XAUDIO2_BUFFER)));
}

}  // namespace
