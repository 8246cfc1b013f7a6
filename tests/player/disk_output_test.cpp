// The player's audio output through the real engine on SDL's disk driver,
// which writes what the device plays to a raw file: interleaved signed
// 16-bit native-endian frames at 44100 per second, two channels here.
#include "myxa2.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
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

constexpr std::uintmax_t frame_bytes = 2 * sizeof(std::int16_t);

// The driver's writes are buffered: the file may lag what has been mixed by
// a stream buffer and a period. Waits until the file has grown past that by
// `frames`, so that at least that many frames were mixed from now on.
bool wait_for_frames_after(const std::string& output, std::uintmax_t frames)
{
    constexpr std::uintmax_t unwritten_bytes = 16384 + 256 * frame_bytes;
    const auto size = [&] {
        std::error_code missing;
        const std::uintmax_t bytes = std::filesystem::file_size(output, missing);
        return missing ? 0 : bytes;
    };
    const std::uintmax_t target = size() + unwritten_bytes + frames * frame_bytes;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (size() < target) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class DiskOutput : public testing::Test {
protected:
    DiskOutput()
    {
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < loop_frames; ++i) {
            const auto word = static_cast<std::uint16_t>(loop_sample(i));
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)});
        }
        dir.write("bank.0.pcm", bytes);
        std::string program = "vellicor", base = dir.file("bank");
        char* argv[] = {program.data(), base.data(), nullptr};
        CaptureStderr();
        load_bank(2, argv);
        GetCapturedStderr();
        myxa2 = new myxa2_state;
    }
    ~DiskOutput() override
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
    pcm_slot& slot = pcm_slots[0];
    const std::string output = dir.file("out.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    CaptureStderr();
    ASSERT_TRUE(myxa2_init());
    ASSERT_TRUE(myxa2_play(slot, &slot.format, &slot.buffer));
    ASSERT_TRUE(wait_for_frames_after(output, 4 * loop_frames)) << "the slot plays";
    myxa2_soundstop(key);
    ASSERT_TRUE(wait_for_frames_after(output, 2048)) << "the output goes on after the stop";
    close_engine();
    EXPECT_EQ(GetCapturedStderr(), "");

    std::ifstream file(output, std::ios::binary);
    std::vector<std::int16_t> frames;  // left channel; the right must equal it
    std::int16_t pair[2];
    while (file.read(reinterpret_cast<char*>(pair), sizeof pair)) {
        ASSERT_EQ(pair[0], pair[1]) << "frame " << frames.size();
        frames.push_back(pair[0]);
    }
    const auto first = std::find_if(frames.begin(), frames.end(), [](std::int16_t s) { return s != 0; });
    std::size_t played = 0;
    while (first + played != frames.end() && first[played] == loop_sample(played))
        ++played;
    EXPECT_GE(played, 3 * loop_frames) << "the slot loops from its first frame";
    EXPECT_TRUE(std::all_of(first + played, frames.end(), [](std::int16_t s) { return s == 0; }));
    EXPECT_GE(frames.end() - (first + played), 1024) << "silence after the stop";
}

TEST_F(DiskOutput, WithoutADeviceThePlayerGoesOnSilently)
{
    pcm_slot& slot = pcm_slots[0];
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CaptureStderr();
    EXPECT_FALSE(myxa2_init());
    EXPECT_FALSE(myxa2_play(slot, &slot.format, &slot.buffer));
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "myxa2: master voice failed.\nmyxa2: source voice failed.\n");
}

}  // namespace
