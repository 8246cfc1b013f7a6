// The player's audio output through the real engine on SDL's disk driver,
// which writes what the device plays to a raw file: interleaved signed
// 16-bit native-endian frames at 44100 per second, two channels here.
#include "myxa2.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

constexpr std::size_t loop_frames = 441;

std::int16_t loop_sample(std::size_t frame)
{
    return static_cast<std::int16_t>((frame % loop_frames + 1) * 37);
}

std::vector<std::uint8_t> loop_file()
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < loop_frames; ++i) {
        const auto word = static_cast<std::uint16_t>(loop_sample(i));
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

std::vector<std::int16_t> read_samples(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<std::int16_t> samples;
    std::int16_t sample;
    while (file.read(reinterpret_cast<char*>(&sample), sizeof sample))
        samples.push_back(sample);
    return samples;
}

class DiskOutput : public testing::Test {
protected:
    void SetUp() override
    {
        dir.write("bank.0.pcm", loop_file());
        std::string program = "vellicor", base = dir / "bank";
        char* argv[] = {program.data(), base.data(), nullptr};
        CaptureStderr();
        load_bank(2, argv);
        GetCapturedStderr();
        myxa2 = new myxa2_state;
    }
    void TearDown() override
    {
        close_engine();
        delete myxa2;
        myxa2 = nullptr;
    }

    // Closing the device completes the output file.
    void close_engine()
    {
        if (myxa2->master != nullptr)
            myxa2->master->DestroyVoice();
        if (myxa2->xaudio != nullptr)
            myxa2->xaudio->Release();
        *myxa2 = myxa2_state{};
    }

    temp_dir dir;
    key_state key{0, 0};
};

TEST_F(DiskOutput, PlaysTheSlotLoopingAndFallsSilentAtTheStop)
{
    const std::string output = dir / "out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    CaptureStderr();
    ASSERT_TRUE(myxa2_init());
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(myxa2_play(pcm_slots[0], &pcm_slots[0].format, &pcm_slots[0].buffer));
    std::this_thread::sleep_for(150ms);
    myxa2_soundstop(key);
    std::this_thread::sleep_for(80ms);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(pcm_slots[0].voice, nullptr);
    close_engine();

    const std::vector<std::int16_t> samples = read_samples(output);
    ASSERT_EQ(samples.size() % 2, 0u);
    const std::size_t frames = samples.size() / 2;
    for (std::size_t i = 0; i < frames; ++i)
        ASSERT_EQ(samples[2 * i], samples[2 * i + 1]) << "both channels carry the mix, frame " << i;

    std::size_t first = 0;
    while (first < frames && samples[2 * first] == 0)
        ++first;
    std::size_t played = 0;
    while (first + played < frames && samples[2 * (first + played)] == loop_sample(played))
        ++played;
    EXPECT_GE(played, 3 * loop_frames) << "the slot loops";
    for (std::size_t i = first + played; i < frames; ++i)
        ASSERT_EQ(samples[2 * i], 0) << "silence after the stop, frame " << i;
    EXPECT_GE(frames - first - played, 1024u) << "output went on after the stop";
}

TEST_F(DiskOutput, WithoutADeviceThePlayerGoesOnSilently)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CaptureStderr();
    EXPECT_FALSE(myxa2_init());
    EXPECT_FALSE(myxa2_play(pcm_slots[0], &pcm_slots[0].format, &pcm_slots[0].buffer));
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "myxa2: master voice failed.\nmyxa2: source voice failed.\n");
}

}  // namespace
