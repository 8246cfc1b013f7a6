#include "sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

std::unique_ptr<sound_t> make(std::size_t kind, double center = 0.5, double half_width = 0.5,
                              double frequency = 1.0, std::int16_t amplitude = 16384)
{
    auto sound = create_sound(kind);
    sound->center = center;
    sound->half_width = half_width;
    sound->frequency = frequency;
    sound->amplitude = amplitude;
    return sound;
}

struct shape_case {
    double t;
    std::int32_t sine, middle, forward, backward;
};

void expect_all_kinds(const shape_case& c, double center, double half_width)
{
    SCOPED_TRACE(testing::Message() << "t = " << c.t);
    EXPECT_EQ(make(0, center, half_width)->value_at(c.t), c.sine);
    EXPECT_EQ(make(1, center, half_width)->value_at(c.t), c.middle);
    EXPECT_EQ(make(2, center, half_width)->value_at(c.t), c.forward);
    EXPECT_EQ(make(3, center, half_width)->value_at(c.t), c.backward);
}

} // namespace

TEST(Sound, KindNamesAndNamesTable)
{
    EXPECT_STREQ(sound_kind_names[3], "backwawrd notches");
    for (std::size_t kind = 0; kind < sound_kind_names.size(); ++kind) {
        EXPECT_STREQ(create_sound(kind)->kind_name(), sound_kind_names[kind]);
    }
    EXPECT_EQ(create_sound(4), nullptr);
}

TEST(Sound, ShapesAcrossOnePeriodIncludingBothWindowEnds)
{
    const shape_case cases[] = {
        {0.0, 0, -16384, -16384, 16384},
        {0.125, 11585, -8192, -12288, 12288},
        {0.25, 16384, 0, -8192, 8192},
        {0.5, 0, 16384, 0, 0},
        {1.0, 0, -16384, -16384, 16384},
        {std::nextafter(1.0, 2.0), 0, 0, 0, 0},
        {-0.001, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        expect_all_kinds(c, 0.5, 0.5);
    }
}

TEST(Sound, NegativeStartKeepsPhaseButSilencesNegativeTimes)
{
    expect_all_kinds({0.0, 16384, 0, -8192, 8192}, 0.25, 0.5);
    expect_all_kinds({-0.1, 0, 0, 0, 0}, 0.25, 0.5);
}

TEST(Sound, ZeroFrequencyIsConstant)
{
    EXPECT_EQ(make(0, 0.5, 0.5, 0.0)->value_at(0.3), 0);
    EXPECT_EQ(make(1, 0.5, 0.5, 0.0)->value_at(0.3), -16384);
    EXPECT_EQ(make(2, 0.5, 0.5, 0.0)->value_at(0.3), -16384);
    EXPECT_EQ(make(3, 0.5, 0.5, 0.0)->value_at(0.3), 16384);
}

TEST(Sound, TruncatesTowardZero)
{
    // Forward notches at t = 1 with start 0: r = frequency, value (2r - 1) * A.
    EXPECT_EQ(make(2, 0.5, 0.5, 0.25, 3)->value_at(1.0), -1); // -1.5: not floored, not rounded
    EXPECT_EQ(make(2, 0.5, 0.5, 0.75, 3)->value_at(1.0), 1);  // 1.5: not rounded up
    EXPECT_EQ(make(2, 0.5, 0.5, 0.25, 1)->value_at(1.0), 0);  // -0.5
    // A negative amplitude inverts the shape; -32768 reaches +32768.
    EXPECT_EQ(make(2, 0.5, 0.5, 1.0, -32768)->value_at(0.0), 32768);
}

TEST(Sound, HarmonicDoesNotAffectValue)
{
    auto a = make(0, 2.5, 2.5, 440.0);
    auto b = make(0, 2.5, 2.5, 440.0);
    b->harmonic = 7.0;
    for (double t : {0.0, 0.001, 0.5, 4.99}) {
        EXPECT_EQ(a->value_at(t), b->value_at(t));
    }
}

TEST(Sound, DefaultToneReachesPeakAtQuarterPeriod)
{
    auto sound = make(0, 2.5, 2.5, 440.0);
    EXPECT_EQ(sound->value_at(1.0 / 1760), 16384);
    EXPECT_EQ(sound->value_at(5.0001), 0);
}

TEST(Sound, NonFiniteInputsGiveSilence)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (std::size_t kind = 0; kind < 4; ++kind) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(make(kind)->value_at(nan), 0);
        EXPECT_EQ(make(kind, nan)->value_at(0.5), 0);
        EXPECT_EQ(make(kind, 0.5, inf)->value_at(0.5), 0);
        EXPECT_EQ(make(kind, 0.5, 0.5, nan)->value_at(0.5), 0);
        EXPECT_EQ(make(kind, 0.5, 0.5, inf)->value_at(0.5), 0);
        EXPECT_EQ(make(kind, 0.5, 0.5, inf)->value_at(0.0), 0);
    }
}
