#include "pcm_frames.h"
#include "mix/voice_mixer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

std::vector<std::int16_t> render(voice_mixer& mixer, std::size_t frames, int channels = 1)
{
    std::vector<std::int16_t> out(frames * static_cast<std::size_t>(channels), 123);
    mixer.render(out, channels);
    return out;
}

struct started_voice {
    explicit started_voice(voice_mixer& mixer, const submitted_buffer& buffer)
    {
        EXPECT_TRUE(accept_buffer(playback, buffer));
        playback.started = true;
        mixer.add(playback);
    }
    voice_playback playback;
};

TEST(VoiceMixer, LoopsTheWholeBufferAcrossRenderChunks)
{
    const auto bytes = pcm_bytes({1, -2, 3});
    voice_mixer mixer;
    started_voice voice(mixer, looping_buffer(bytes));
    const std::int16_t loop[] = {1, -2, 3};
    const auto out = render(mixer, 1000);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], loop[i % 3]) << "frame " << i;
}

TEST(VoiceMixer, FollowsPlayAndLoopRegionsThenFallsSilent)
{
    const auto bytes = pcm_bytes({10, 20, 30, 40, 50, 60});
    submitted_buffer buffer = looping_buffer(bytes);
    buffer.play_begin = 1;
    buffer.play_length = 4;  // frames 1 to 4
    buffer.loop_begin = 2;
    buffer.loop_length = 2;  // frames 2 and 3, repeated once
    buffer.loop_count = 1;
    voice_mixer mixer;
    started_voice voice(mixer, buffer);
    EXPECT_EQ(render(mixer, 8), (std::vector<std::int16_t>{20, 30, 40, 30, 40, 50, 0, 0}));
    EXPECT_FALSE(voice.playback.holds_buffer);
}

TEST(VoiceMixer, SaturatesAtFullScaleInsteadOfWrapping)
{
    const auto loud = pcm_bytes({30000, -30000, 20000});
    voice_mixer mixer;
    started_voice first(mixer, looping_buffer(loud));
    started_voice second(mixer, looping_buffer(loud));
    EXPECT_EQ(render(mixer, 3), (std::vector<std::int16_t>{32767, -32768, 32767}));
}

TEST(VoiceMixer, WritesTheMixToTheFrontPairOnly)
{
    const auto bytes = pcm_bytes({7, 8});
    voice_mixer mixer;
    started_voice voice(mixer, looping_buffer(bytes));
    EXPECT_EQ(render(mixer, 2, 4), (std::vector<std::int16_t>{7, 7, 0, 0, 8, 8, 0, 0}));
    EXPECT_EQ(render(mixer, 1, 1), (std::vector<std::int16_t>{7}));
}

TEST(VoiceMixer, StoppedVoiceIsSilentAndResumesWhereItStopped)
{
    const auto bytes = pcm_bytes({1, 2, 3, 4});
    voice_mixer mixer;
    started_voice voice(mixer, looping_buffer(bytes));
    EXPECT_EQ(render(mixer, 2), (std::vector<std::int16_t>{1, 2}));
    voice.playback.started = false;
    EXPECT_EQ(render(mixer, 2), (std::vector<std::int16_t>{0, 0}));
    voice.playback.started = true;
    EXPECT_EQ(render(mixer, 3), (std::vector<std::int16_t>{3, 4, 1}));
    mixer.remove(voice.playback);
    EXPECT_EQ(render(mixer, 2), (std::vector<std::int16_t>{0, 0}));
}

TEST(VoiceMixer, RefusesBuffersThatDoNotFitTheirMemory)
{
    const auto bytes = pcm_bytes({1, 2, 3, 4});
    const submitted_buffer good = looping_buffer(bytes);
    struct refused {
        const char* why;
        void (*spoil)(submitted_buffer&);
    };
    const refused cases[] = {
        {"no whole frame", [](submitted_buffer& b) { b.bytes = 1; }},
        {"no memory", [](submitted_buffer& b) { b.samples = nullptr; }},
        {"play past the end", [](submitted_buffer& b) { b.play_begin = 1, b.play_length = 4; }},
        {"play length overflows", [](submitted_buffer& b) { b.play_begin = 1, b.play_length = 0xFFFFFFFF; }},
        {"loop before play", [](submitted_buffer& b) { b.play_begin = 2, b.loop_begin = 1; }},
        {"loop past play", [](submitted_buffer& b) { b.play_length = 2, b.loop_begin = 1, b.loop_length = 2; }},
        {"loop region without loops", [](submitted_buffer& b) { b.loop_count = 0, b.loop_length = 1; }},
        {"loop count out of range", [](submitted_buffer& b) { b.loop_count = 256; }},
    };
    for (const refused& c : cases) {
        submitted_buffer spoilt = good;
        c.spoil(spoilt);
        voice_playback voice;
        EXPECT_FALSE(accept_buffer(voice, spoilt)) << c.why;
        EXPECT_FALSE(voice.holds_buffer) << c.why;
    }
    voice_playback voice;
    EXPECT_TRUE(accept_buffer(voice, good));
    EXPECT_FALSE(accept_buffer(voice, good)) << "a second buffer while one is held";
}

// Voices come and go on this thread while another renders, as the engine's
// thread and the audio thread do. Each voice's samples are freed right after
// its removal: a render still reading them would be caught by the address
// sanitizer, a missing lock by the thread sanitizer.
TEST(VoiceMixer, VoicesChangeSafelyWhileAnotherThreadRenders)
{
    voice_mixer mixer;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::vector<std::int16_t> out(256 * 2);
        while (!done.load())
            mixer.render(out, 2);
    });
    for (int round = 0; round < 2000; ++round) {
        auto bytes = std::make_unique<std::vector<std::uint8_t>>(pcm_bytes({1, 2, 3, static_cast<std::int16_t>(round)}));
        auto voice = std::make_unique<voice_playback>();
        mixer.add(*voice);
        {
            auto held = mixer.hold();
            ASSERT_TRUE(accept_buffer(*voice, looping_buffer(*bytes)));
            voice->started = true;
        }
        if (round % 3 == 0) {
            auto held = mixer.hold();
            voice->started = false;
        }
        mixer.remove(*voice);
        voice.reset();
        bytes.reset();
    }
    done = true;
    audio.join();
}

}  // namespace
