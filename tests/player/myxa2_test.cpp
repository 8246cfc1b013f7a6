#include "device_order.h"
#include "fake_xaudio2.h"
#include "myxa2.h"

#include <gtest/gtest.h>

namespace {

using calls = std::vector<std::string>;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const std::string create_source_voice = "CreateSourceVoice(0, 2, 0, 0, 0)";

pcm_slot& fresh_bank_first_slot()
{
    pcm_slots.assign(128, pcm_slot{});
    pcm_slots[0].format.Format = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    return pcm_slots[0];
}

class Myxa2 : public testing::Test {
protected:
    Myxa2() { myxa2 = new myxa2_state; }
    ~Myxa2() override
    {
        if (slot.voice != nullptr)
            slot.voice->DestroyVoice();
        if (myxa2->xaudio != nullptr)
            myxa2->xaudio->Release();
        delete myxa2;
        myxa2 = nullptr;
    }

    // Starts the engine quietly and forgets the calls it took.
    void start_engine()
    {
        CaptureStderr();
        ASSERT_TRUE(myxa2_init());
        ASSERT_EQ(GetCapturedStderr(), "");
        audio.calls.clear();
    }
    bool play() { return myxa2_play(slot, &slot.format, &slot.buffer); }

    fake_audio audio;
    pcm_slot& slot = fresh_bank_first_slot();
    key_state key{0, 0};
};

TEST_F(Myxa2, InitCreatesTheEngineAndMasteringVoiceOnTheLastWideDevice)
{
    audio.script.device_channels = {2, 6, 2, 6, 2};
    CaptureStderr();
    EXPECT_TRUE(myxa2_init());
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(audio.calls, (calls{"CreateInstance(0, IXAudio2)", "Initialize(0, 4294967295)", "GetDeviceCount()",
                                  "GetDeviceDetails(0)", "GetDeviceDetails(1)", "GetDeviceDetails(2)",
                                  "GetDeviceDetails(3)", "GetDeviceDetails(4)",
                                  "CreateMasteringVoice(0, 44100, 0, 3, 0)"}));
    EXPECT_EQ(myxa2->result, S_OK);
    EXPECT_NE(myxa2->master, nullptr);
}

TEST_F(Myxa2, StereoDevicesNeverWinOverTheDefaultDevice)
{
    start_engine();
    for (const auto& channels : {std::vector<WORD>{2, 2, 1}, {6, 2}, {}}) {
        audio.script.device_channels = channels;
        myxa2->device = 7;
        ASSERT_TRUE(myxa2_list_devices());
        EXPECT_EQ(myxa2->device, 0u) << channels.size() << " devices";
    }
}

// The list that the Windows layer over XAudio2 2.9 builds from the
// system's active outputs, with the player's choice over it.
TEST_F(Myxa2, OverTheSystemsOutputsTheLastWideOneOrElseTheDefaultIsChosen)
{
    struct output {
        std::wstring id;
        WORD channels;
    };
    struct row {
        std::vector<output> active;
        std::wstring default_id, chosen;
    };
    start_engine();
    for (const row& r : {row{{{L"A", 2}, {L"B", 6}, {L"C", 2}, {L"D", 8}, {L"E", 2}}, L"C", L"D"},
                         row{{{L"A", 2}, {L"B", 2}}, L"B", L"B"}, row{{{L"A", 6}, {L"B", 2}}, L"B", L"A"}}) {
        std::vector<std::wstring> ids;
        for (const output& o : r.active)
            ids.push_back(o.id);
        std::vector<std::size_t> order = device_order(ids, r.default_id);
        ASSERT_EQ(order.size(), ids.size());
        audio.script.device_channels.clear();
        for (std::size_t i : order)
            audio.script.device_channels.push_back(r.active.at(i).channels);
        ASSERT_TRUE(myxa2_list_devices());
        EXPECT_EQ(ids.at(order.at(myxa2->device)), r.chosen) << "default " << std::string(r.default_id.begin(), r.default_id.end());
    }
}

TEST_F(Myxa2, InitFailuresAreReportedAndKeepOnlyAnInitializedEngine)
{
    struct row {
        HRESULT fake_audio_script::*step;
        const char* message;
        bool engine_kept;
    };
    for (const row& r : {row{&fake_audio_script::create, "myxa2: init failed.\n", false},
                         row{&fake_audio_script::initialize, "myxa2: init failed.\n", false},
                         row{&fake_audio_script::mastering_voice, "myxa2: master voice failed.\n", true}}) {
        fake_audio failing;
        failing.script.*r.step = XAUDIO2_E_INVALID_CALL;
        *myxa2 = myxa2_state{};
        CaptureStderr();
        EXPECT_FALSE(myxa2_init());
        EXPECT_EQ(GetCapturedStderr(), r.message);
        EXPECT_EQ(myxa2->result, XAUDIO2_E_INVALID_CALL);
        EXPECT_EQ(myxa2->master, nullptr);
        EXPECT_EQ(myxa2->xaudio != nullptr, r.engine_kept) << r.message;
        EXPECT_EQ(failing.live_engines, r.engine_kept ? 1 : 0) << "a failed Initialize releases the engine";
        if (myxa2->xaudio != nullptr)
            myxa2->xaudio->Release();
        myxa2->xaudio = nullptr;
    }
}

TEST_F(Myxa2, PlayLoopsTheSlotsBufferAndReleaseDestroysTheVoice)
{
    start_engine();
    CaptureStderr();
    EXPECT_TRUE(play());
    EXPECT_EQ(audio.source_format, &slot.format.Format);
    EXPECT_EQ(audio.submitted, &slot.buffer);
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(slot.voice, nullptr);
    EXPECT_EQ(audio.calls, (calls{create_source_voice, "voice1.SubmitSourceBuffer(64, 0)", "voice1.Start(0, 0)",
                                  "voice1.Stop(0, 0)", "voice1.FlushSourceBuffers()", "voice1.DestroyVoice()"}));
}

TEST_F(Myxa2, ReplayingASoundingSlotEndsTheEarlierVoiceFirst)
{
    start_engine();
    ASSERT_TRUE(play());
    audio.script.stop = E_FAIL;  // even a voice that would not stop goes
    EXPECT_TRUE(play());
    EXPECT_EQ(audio.live_source_voices, 1);
    EXPECT_EQ(calls(audio.calls.begin() + 3, audio.calls.end() - 2),
              (calls{"voice1.Stop(0, 0)", "voice1.FlushSourceBuffers()", "voice1.DestroyVoice()",
                     create_source_voice}));
}

TEST_F(Myxa2, PlayFailuresAreReportedAndAnyCreatedVoiceIsLeftForTheRelease)
{
    start_engine();
    struct row {
        HRESULT fake_audio_script::*step;
        const char* message;
        bool voice_created;
    };
    for (const row& r : {row{&fake_audio_script::source_voice, "myxa2: source voice failed.\n", false},
                         row{&fake_audio_script::submit, "myxa2: play failed.\n", true},
                         row{&fake_audio_script::start, "myxa2: play failed.\n", true}}) {
        audio.script.*r.step = XAUDIO2_E_INVALID_CALL;
        CaptureStderr();
        EXPECT_FALSE(play());
        EXPECT_EQ(GetCapturedStderr(), r.message);
        EXPECT_EQ(myxa2->result, XAUDIO2_E_INVALID_CALL);
        EXPECT_EQ(slot.voice != nullptr, r.voice_created) << r.message;
        audio.script.*r.step = S_OK;
        myxa2_soundstop(key);
        EXPECT_EQ(slot.voice, nullptr);
        EXPECT_EQ(audio.live_source_voices, 0);
    }
}

TEST_F(Myxa2, FailedStopLeavesTheVoiceSounding)
{
    start_engine();
    ASSERT_TRUE(play());
    IXAudio2SourceVoice* voice = slot.voice;
    audio.script.stop = E_FAIL;
    CaptureStderr();
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "myxa2: soundstop failed.\n");
    EXPECT_EQ(myxa2->result, E_FAIL);
    EXPECT_EQ(slot.voice, voice);
    EXPECT_EQ(audio.calls.back(), "voice1.Stop(0, 0)");
}

TEST_F(Myxa2, StopsWithoutAVoiceDoNothing)
{
    start_engine();
    key_state never_pressed, silent_slot{0, 5};
    CaptureStderr();
    myxa2_soundstop(never_pressed);
    myxa2_soundstop(silent_slot);
    ASSERT_TRUE(play());
    myxa2_soundstop(key);
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(audio.calls.size(), 6u) << "one play and one stop";
}

TEST_F(Myxa2, PlayWithoutAnEngineReportsTheSourceVoice)
{
    audio.script.create = E_FAIL;
    CaptureStderr();
    myxa2_init();
    EXPECT_FALSE(play());
    EXPECT_EQ(GetCapturedStderr(), "myxa2: init failed.\nmyxa2: source voice failed.\n");
}

}  // namespace
