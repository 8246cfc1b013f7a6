#include "fake_xaudio2.h"
#include "myxa2.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using calls = std::vector<std::string>;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const std::string engine_start[] = {"CreateInstance(outer null, IXAudio2)", "Initialize(0, 4294967295)"};

pcm_slot& fresh_bank_first_slot()
{
    pcm_slots.assign(128, pcm_slot{});
    return pcm_slots[0];
}

class Myxa2 : public testing::Test {
protected:
    void SetUp() override
    {
        myxa2 = new myxa2_state;
        slot.format.Format = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
        slot.buffer.AudioBytes = 4;
        slot.buffer.LoopCount = XAUDIO2_LOOP_INFINITE;
    }
    void TearDown() override
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
        audio.log.calls.clear();
    }

    bool play(pcm_slot& target)
    {
        return myxa2_play(target, &target.format, &target.buffer);
    }

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
    EXPECT_EQ(audio.log.calls,
              (calls{engine_start[0], engine_start[1], "GetDeviceCount", "GetDeviceDetails(0)", "GetDeviceDetails(1)",
                     "GetDeviceDetails(2)", "GetDeviceDetails(3)", "GetDeviceDetails(4)",
                     "CreateMasteringVoice(channels 0, rate 44100, flags 0, device 3, effects 0)"}));
    EXPECT_EQ(myxa2->device, 3u);
    EXPECT_EQ(myxa2->result, S_OK);
    EXPECT_NE(myxa2->xaudio, nullptr);
    EXPECT_NE(myxa2->master, nullptr);
}

TEST_F(Myxa2, StereoDevicesNeverWinOverTheDefaultDevice)
{
    start_engine();
    for (const std::vector<WORD>& channels : {std::vector<WORD>{2, 2, 1}, {6, 2}, {}}) {
        audio.script.device_channels = channels;
        myxa2->device = 7;
        ASSERT_TRUE(myxa2_list_devices());
        EXPECT_EQ(myxa2->device, 0u) << channels.size() << " devices";
    }
}

TEST_F(Myxa2, FailedEngineCreationIsReportedWithoutAnEngine)
{
    audio.script.create = E_OUTOFMEMORY;
    CaptureStderr();
    EXPECT_FALSE(myxa2_init());
    EXPECT_EQ(GetCapturedStderr(), "myxa2: init failed.\n");
    EXPECT_EQ(myxa2->result, E_OUTOFMEMORY);
    EXPECT_EQ(myxa2->xaudio, nullptr);
    EXPECT_EQ(audio.log.calls, calls{engine_start[0]});
}

TEST_F(Myxa2, FailedInitializeReleasesTheEngine)
{
    audio.script.initialize = XAUDIO2_E_INVALID_CALL;
    CaptureStderr();
    EXPECT_FALSE(myxa2_init());
    EXPECT_EQ(GetCapturedStderr(), "myxa2: init failed.\n");
    EXPECT_EQ(myxa2->result, XAUDIO2_E_INVALID_CALL);
    EXPECT_EQ(myxa2->xaudio, nullptr);
    EXPECT_EQ(audio.log.live_engines, 0);
    EXPECT_EQ(audio.log.calls, (calls{engine_start[0], engine_start[1], "Release"}));
}

TEST_F(Myxa2, FailedMasteringVoiceKeepsTheEngine)
{
    audio.script.mastering_voice = XAUDIO2_E_DEVICE_INVALIDATED;
    CaptureStderr();
    EXPECT_FALSE(myxa2_init());
    EXPECT_EQ(GetCapturedStderr(), "myxa2: master voice failed.\n");
    EXPECT_EQ(myxa2->result, XAUDIO2_E_DEVICE_INVALIDATED);
    EXPECT_NE(myxa2->xaudio, nullptr);
    EXPECT_EQ(myxa2->master, nullptr);
}

TEST_F(Myxa2, PlayLoopsTheSlotsBufferAndReleaseDestroysTheVoice)
{
    start_engine();
    CaptureStderr();
    EXPECT_TRUE(play(slot));
    EXPECT_EQ(audio.log.source_format, &slot.format.Format);
    EXPECT_EQ(audio.log.submitted, &slot.buffer);
    EXPECT_EQ(slot.buffer.Flags, XAUDIO2_END_OF_STREAM);
    EXPECT_NE(slot.voice, nullptr);
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(slot.voice, nullptr);
    EXPECT_EQ(audio.log.calls,
              (calls{"CreateSourceVoice(flags 0, ratio 2, callback 0, sends 0, effects 0)",
                     "voice1.SubmitSourceBuffer(flags 64, wma null)", "voice1.Start(0, 0)", "voice1.Stop(0, 0)",
                     "voice1.FlushSourceBuffers", "voice1.DestroyVoice"}));
}

TEST_F(Myxa2, ReplayingASoundingSlotEndsTheEarlierVoiceFirst)
{
    start_engine();
    ASSERT_TRUE(play(slot));
    audio.script.stop = E_FAIL;  // even a voice that refuses to stop goes
    CaptureStderr();
    EXPECT_TRUE(play(slot));
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(audio.log.live_voices, 2) << "the mastering voice and one source voice";
    EXPECT_EQ(std::vector(audio.log.calls.begin() + 3, audio.log.calls.begin() + 7),
              (calls{"voice1.Stop(0, 0)", "voice1.FlushSourceBuffers", "voice1.DestroyVoice",
                     "CreateSourceVoice(flags 0, ratio 2, callback 0, sends 0, effects 0)"}));
}

TEST_F(Myxa2, RefusedSourceVoiceStartsNothing)
{
    start_engine();
    audio.script.source_voice = XAUDIO2_E_INVALID_CALL;
    CaptureStderr();
    EXPECT_FALSE(play(slot));
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "myxa2: source voice failed.\n");
    EXPECT_EQ(myxa2->result, XAUDIO2_E_INVALID_CALL);
    EXPECT_EQ(slot.voice, nullptr);
    EXPECT_EQ(audio.log.calls.size(), 1u);
}

TEST_F(Myxa2, RefusedBufferOrStartLeavesTheVoiceForTheRelease)
{
    for (HRESULT fake_audio_script::*step : {&fake_audio_script::submit, &fake_audio_script::start}) {
        start_engine();
        audio.script.*step = XAUDIO2_E_INVALID_CALL;
        CaptureStderr();
        EXPECT_FALSE(play(slot));
        EXPECT_EQ(GetCapturedStderr(), "myxa2: play failed.\n");
        EXPECT_EQ(myxa2->result, XAUDIO2_E_INVALID_CALL);
        EXPECT_NE(slot.voice, nullptr);
        audio.script.*step = S_OK;
        myxa2_soundstop(key);
        EXPECT_EQ(slot.voice, nullptr);
        EXPECT_EQ(audio.log.calls.back(), "voice1.DestroyVoice");
        myxa2->xaudio->Release();
        myxa2->xaudio = nullptr;
    }
}

TEST_F(Myxa2, FailedStopLeavesTheVoiceSounding)
{
    start_engine();
    ASSERT_TRUE(play(slot));
    IXAudio2SourceVoice* voice = slot.voice;
    audio.script.stop = E_FAIL;
    CaptureStderr();
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "myxa2: soundstop failed.\n");
    EXPECT_EQ(myxa2->result, E_FAIL);
    EXPECT_EQ(slot.voice, voice);
    EXPECT_EQ(audio.log.calls.back(), "voice1.Stop(0, 0)");
}

TEST_F(Myxa2, StopsWithoutAVoiceDoNothing)
{
    start_engine();
    key_state never_pressed;
    key_state silent_slot{0, 5};
    CaptureStderr();
    myxa2_soundstop(never_pressed);
    myxa2_soundstop(silent_slot);
    ASSERT_TRUE(play(slot));
    myxa2_soundstop(key);
    myxa2_soundstop(key);
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(audio.log.calls.size(), 6u) << "one play and one stop";
}

TEST_F(Myxa2, PlayWithoutAnEngineReportsTheSourceVoice)
{
    audio.script.create = E_FAIL;
    CaptureStderr();
    myxa2_init();
    EXPECT_FALSE(play(slot));
    EXPECT_EQ(GetCapturedStderr(), "myxa2: init failed.\nmyxa2: source voice failed.\n");
}

}  // namespace
