// The engine over SDL's dummy driver, which runs a real audio thread and
// discards its output; and the supervisor that reopens a lost output.
#include "outputs/output_supervisor.h"
#include "pcm_frames.h"

#include <objbase.h>
#include <xaudio2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <optional>
#include <mutex>
#include <thread>

namespace {

// A buffer over all of bytes, looping for ever from its first frame.
XAUDIO2_BUFFER looping_xaudio2_buffer(const std::vector<std::uint8_t>& bytes)
{
    XAUDIO2_BUFFER buffer{};
    buffer.AudioBytes = static_cast<UINT32>(bytes.size());
    buffer.pAudioData = bytes.data();
    buffer.LoopCount = XAUDIO2_LOOP_INFINITE;
    return buffer;
}

constexpr WAVEFORMATEX mono_pcm = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};

struct released {
    void operator()(IUnknown* object) const { object->Release(); }
};
using engine_ptr = std::unique_ptr<IXAudio2, released>;

engine_ptr create_engine()
{
    IXAudio2* engine = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2,
                               reinterpret_cast<void**>(&engine)),
              S_OK);
    if (engine != nullptr) {
        EXPECT_EQ(engine->Initialize(0, XAUDIO2_DEFAULT_PROCESSOR), S_OK);
    }
    return engine_ptr(engine);
}

class Engine : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        engine = create_engine();
        ASSERT_TRUE(engine);
    }
    engine_ptr engine;
};

TEST_F(Engine, ListsTheDefaultOutputFirst)
{
    UINT32 count = 0;
    ASSERT_EQ(engine->GetDeviceCount(&count), S_OK);
    ASSERT_GE(count, 1u);
    XAUDIO2_DEVICE_DETAILS details{};
    ASSERT_EQ(engine->GetDeviceDetails(0, &details), S_OK);
    EXPECT_EQ(details.Role, GlobalDefaultDevice);
    EXPECT_GE(details.OutputFormat.Format.nChannels, 1);
    EXPECT_EQ(details.OutputFormat.Format.nSamplesPerSec, 44100u);
    EXPECT_NE(details.DisplayName[0], L'\0');
    EXPECT_EQ(engine->GetDeviceDetails(count, &details), E_INVALIDARG);
    IXAudio2MasteringVoice* master = nullptr;
    EXPECT_EQ(engine->CreateMasteringVoice(&master, 0, 44100, 0, count), XAUDIO2_E_INVALID_CALL);
}

TEST_F(Engine, RefusesCallsOutsideItsRules)
{
    IXAudio2SourceVoice* source = reinterpret_cast<IXAudio2SourceVoice*>(&source);
    EXPECT_EQ(engine->CreateSourceVoice(&source, &mono_pcm), XAUDIO2_E_INVALID_CALL) << "no mastering voice yet";
    EXPECT_EQ(source, nullptr);

    IXAudio2MasteringVoice* master = nullptr;
    EXPECT_EQ(engine->CreateMasteringVoice(&master, 0, 48000, 0, 0), XAUDIO2_E_INVALID_CALL);
    ASSERT_EQ(engine->CreateMasteringVoice(&master, 0, 44100, 0, 0), S_OK);
    IXAudio2MasteringVoice* second = nullptr;
    EXPECT_EQ(engine->CreateMasteringVoice(&second, 0, 44100, 0, 0), XAUDIO2_E_INVALID_CALL);

    WAVEFORMATEX stereo = mono_pcm;
    stereo.nChannels = 2, stereo.nBlockAlign = 4;
    EXPECT_EQ(engine->CreateSourceVoice(&source, &stereo), XAUDIO2_E_INVALID_CALL);
    ASSERT_EQ(engine->CreateSourceVoice(&source, &mono_pcm), S_OK);
    XAUDIO2_BUFFER empty{};
    EXPECT_EQ(source->SubmitSourceBuffer(&empty), XAUDIO2_E_INVALID_CALL);
    EXPECT_EQ(source->Start(0, 1), XAUDIO2_E_INVALID_CALL) << "deferred operation sets";
    source->DestroyVoice();
    master->DestroyVoice();
}

// Voices of 39 held keys are created, started, stopped and destroyed while
// the audio thread mixes them; each voice's samples are freed as soon as
// DestroyVoice returns.
TEST_F(Engine, VoicesComeAndGoWhileTheAudioThreadMixes)
{
    IXAudio2MasteringVoice* master = nullptr;
    ASSERT_EQ(engine->CreateMasteringVoice(&master, 0, 44100, 0, 0), S_OK);
    struct playing {
        IXAudio2SourceVoice* voice = nullptr;
        std::unique_ptr<std::vector<std::uint8_t>> samples;
    };
    std::vector<playing> keys(39);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    for (unsigned round = 0; std::chrono::steady_clock::now() < deadline; ++round) {
        playing& key = keys[round * 7 % keys.size()];
        if (key.voice != nullptr) {
            ASSERT_EQ(key.voice->Stop(0, XAUDIO2_COMMIT_NOW), S_OK);
            ASSERT_EQ(key.voice->FlushSourceBuffers(), S_OK);
            key.voice->DestroyVoice();
            key.voice = nullptr;
            key.samples.reset();
            continue;
        }
        key.samples = std::make_unique<std::vector<std::uint8_t>>(pcm_bytes(std::vector<std::int16_t>(300, 1000)));
        const XAUDIO2_BUFFER buffer = looping_xaudio2_buffer(*key.samples);
        ASSERT_EQ(engine->CreateSourceVoice(&key.voice, &mono_pcm), S_OK);
        ASSERT_EQ(key.voice->SubmitSourceBuffer(&buffer), S_OK);
        ASSERT_EQ(key.voice->Start(0, XAUDIO2_COMMIT_NOW), S_OK);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // The audio thread reads a voice's samples until DestroyVoice returns,
    // so every voice still alive goes before the samples do.
    for (playing& key : keys) {
        if (key.voice != nullptr)
            key.voice->DestroyVoice();
    }
    master->DestroyVoice();
}

// An output whose server goes away on demand and refuses a given number of
// reopenings before it answers again. It counts the opens made while an
// earlier one was not closed.
class losable_output final : public audio_output {
public:
    bool start() override { return true; }
    bool open(const output_device& device, int channels, voice_mixer&) override
    {
        std::scoped_lock held(lock_);
        opens.push_back({device.id, channels, std::chrono::steady_clock::now()});
        opens_over_unclosed += unclosed_ ? 1 : 0;
        unclosed_ = true;
        up_ = refusals_ == 0;
        refusals_ -= refusals_ > 0 ? 1 : 0;
        changed_.notify_all();
        return up_;
    }
    bool playing() const override
    {
        std::scoped_lock held(lock_);
        return up_;
    }
    void close() override
    {
        std::scoped_lock held(lock_);
        up_ = false;
        unclosed_ = false;
    }
    void lose_server(int refusals)
    {
        std::scoped_lock held(lock_);
        up_ = false;
        refusals_ = refusals;
    }
    bool wait_for_opens(std::size_t count)
    {
        std::unique_lock held(lock_);
        return changed_.wait_for(held, std::chrono::seconds(20), [&] { return opens.size() >= count && up_; });
    }

    struct opening {
        std::string device;
        int channels;
        std::chrono::steady_clock::time_point at;
    };
    std::vector<opening> opens;  // under lock_ while the supervisor runs
    int opens_over_unclosed = 0;  // likewise

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    bool up_ = false;
    bool unclosed_ = false;
    int refusals_ = 0;
};

TEST(OutputSupervisor, ReopensALostOutputOnItsDeviceEveryHalfSecondUntilItAnswers)
{
    voice_mixer mixer;
    losable_output output;
    const output_device device{"sink.6ch", "six channels", 6};
    ASSERT_TRUE(output.open(device, 6, mixer));
    {
        output_supervisor supervisor(output, device, 6, mixer, true);
        output.lose_server(0);
        ASSERT_TRUE(output.wait_for_opens(2));
        output.lose_server(2);
        ASSERT_TRUE(output.wait_for_opens(5));
    }
    ASSERT_EQ(output.opens.size(), 5u) << "no reopening once the output plays again";
    for (const auto& opening : output.opens) {
        EXPECT_EQ(opening.device, "sink.6ch");
        EXPECT_EQ(opening.channels, 6);
    }
    // Two refusals, so three tries, each at least half a second apart.
    EXPECT_GE(output.opens[4].at - output.opens[2].at, std::chrono::milliseconds(990));
}

// A voice made while its server was starting: every failed open is closed
// before the next try; every try goes to the chosen device, from the third
// failure on followed by the default output, until one plays.
TEST(OutputSupervisor, RetriesAndClosesFailedOpensThenFallsBackToTheDefaultOutput)
{
    voice_mixer mixer;
    losable_output output;
    const output_device device{"usb.headset", "headset", 2};
    output.lose_server(6);
    ASSERT_FALSE(output.open(device, 2, mixer));
    output.close();
    {
        output_supervisor supervisor(output, device, 2, mixer, false);
        ASSERT_TRUE(output.wait_for_opens(7));
        output.lose_server(0);
        ASSERT_TRUE(output.wait_for_opens(8));
    }
    std::vector<std::string> devices;
    for (const auto& opening : output.opens)
        devices.push_back(opening.device);
    EXPECT_EQ(devices, (std::vector<std::string>{"usb.headset", "usb.headset", "usb.headset", "usb.headset", "",
                                                 "usb.headset", "", "usb.headset"}));
    EXPECT_EQ(output.opens_over_unclosed, 0);
}

// Quitting while an open waits on a server that does not answer: the
// supervisor interrupts the open instead of waiting it out (ten seconds).
class unanswered_output final : public audio_output {
public:
    bool start() override { return true; }
    bool open(const output_device&, int, voice_mixer&) override
    {
        opening = true;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!opens_interrupted() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        return false;
    }
    bool playing() const override { return false; }
    void close() override {}

    std::atomic<bool> opening{false};
};

TEST(OutputSupervisor, StopsWithoutWaitingOutAnOpen)
{
    voice_mixer mixer;
    unanswered_output output;
    std::optional<output_supervisor> supervisor(std::in_place, output, output_device{}, 2, mixer, false);
    while (!output.opening)
        std::this_thread::yield();
    const auto stopping = std::chrono::steady_clock::now();
    supervisor.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(1));
}

}  // namespace
