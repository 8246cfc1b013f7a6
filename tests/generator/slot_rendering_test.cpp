#include "slot_rendering.h"

#include "slot_sounds.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace {

constexpr double rate = 44100.0;

std::string render(const tone_slot& slot)
{
    std::ostringstream out;
    EXPECT_TRUE(render_slot(slot, rate, out));
    EXPECT_TRUE(out.good());
    return out.str();
}

std::int16_t sample(const std::string& bytes, std::size_t n)
{
    const auto lo = static_cast<unsigned char>(bytes[2 * n]);
    const auto hi = static_cast<unsigned char>(bytes[2 * n + 1]);
    return static_cast<std::int16_t>(lo | hi << 8);
}

bool all_zero(const std::string& bytes, std::size_t from, std::size_t to)
{
    return bytes.find_first_not_of('\0', from) >= to;
}

} // namespace

TEST(RenderSlot, DefaultToneIsFiveSecondsStartingAtZero)
{
    tone_slot slot;
    add_sound(slot, 0, 0.0, 5.0, 440.0);
    const std::string bytes = render(slot);
    ASSERT_EQ(bytes.size(), 441000u);
    EXPECT_EQ(sample(bytes, 0), 0);
    EXPECT_EQ(sample(bytes, 1), 1026);
}

TEST(RenderSlot, SpanIsTheTimeCommonToAllSounds)
{
    tone_slot overlapping;
    add_sound(overlapping, 2, 0.0, 2.0);
    add_sound(overlapping, 2, 1.0, 3.0);
    const std::string bytes = render(overlapping);
    ASSERT_EQ(bytes.size(), 88200u * 2);
    EXPECT_TRUE(all_zero(bytes, 0, 88200));
    // At n = 44100 (t = 1) the first sound is a full period in, the second at its start.
    EXPECT_EQ(sample(bytes, 44100), static_cast<std::int16_t>(-16384 - 16384));

    tone_slot apart;
    add_sound(apart, 0, 0.0, 1.0);
    add_sound(apart, 0, 2.0, 3.0);
    const std::string silence = render(apart);
    EXPECT_EQ(silence.size(), 88200u * 2);
    EXPECT_TRUE(all_zero(silence, 0, silence.size()));
}

TEST(RenderSlot, MixWrapsAroundIn16Bits)
{
    tone_slot two;
    add_sound(two, 3, 0.0, 1.0);
    add_sound(two, 3, 0.0, 1.0);
    const std::string bytes = render(two);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x00\x80", 2));

    tone_slot three;
    for (int i = 0; i < 3; ++i) {
        add_sound(three, 3, 0.0, 1.0, 1.0, 20000);
    }
    EXPECT_EQ(sample(render(three), 0), -5536);
}

TEST(RenderSlot, BytesAreLittleEndianWithoutTranslation)
{
    tone_slot slot;
    add_sound(slot, 3, 0.0, 1.0, 1.0, 10);
    EXPECT_EQ(render(slot).substr(0, 2), std::string("\x0A\x00", 2));
}

TEST(RenderSlot, EmptyAndTinySpansWriteNothing)
{
    EXPECT_TRUE(render(tone_slot{}).empty());
    tone_slot tiny;
    add_sound(tiny, 0, 0.0, 0.00001);
    EXPECT_TRUE(render(tiny).empty());
}

TEST(RenderSlot, TimesBelowZeroCountAsZero)
{
    tone_slot before_origin;
    add_sound(before_origin, 0, -1.5, -0.5);
    EXPECT_TRUE(render(before_origin).empty());

    tone_slot straddling;
    add_sound(straddling, 2, -1.0, 1.0);
    const std::string bytes = render(straddling);
    ASSERT_EQ(bytes.size(), 44100u * 2);
    EXPECT_EQ(sample(bytes, 0), -16384); // a whole period in at t = 0

    tone_slot undefined;
    add_sound(undefined, 0, std::numeric_limits<double>::quiet_NaN(), 1.0);
    EXPECT_TRUE(render(undefined).empty());
}

TEST(RenderSlot, RefusesSpansTooLongForASampleFile)
{
    for (double end : {1e9, std::numeric_limits<double>::infinity(),
                       static_cast<double>(max_samples_per_file + 1) / rate}) {
        tone_slot slot;
        add_sound(slot, 0, 0.0, end);
        std::ostringstream out;
        EXPECT_FALSE(render_slot(slot, rate, out)) << end;
        EXPECT_TRUE(out.str().empty());
    }
    tone_slot late_start;
    add_sound(late_start, 0, 1e9, 1e9 + 1);
    std::ostringstream out;
    EXPECT_FALSE(render_slot(late_start, rate, out));
}
