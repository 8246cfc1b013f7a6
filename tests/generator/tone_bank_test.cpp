#include "tone_bank.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Counts live instances so that ownership can be checked.
struct counted_sound final : sound_t {
    static inline int alive = 0;
    static inline std::vector<int> destroyed;
    int id;
    explicit counted_sound(int id) : id(id) { ++alive; }
    ~counted_sound() override
    {
        --alive;
        destroyed.push_back(id);
    }
    std::int32_t value_at(double) const override { return 0; }
    const char* kind_name() const override { return "counted"; }
};

std::string fill_capturing_log(tone_bank& bank, std::uint8_t divisions, double base)
{
    testing::internal::CaptureStdout();
    EXPECT_TRUE(fill_default_bank(bank, divisions, 44100.0, base));
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(ToneBank, DefaultBankTuningMatchesReferenceValues)
{
    struct row {
        std::uint8_t divisions;
        double slot1, slot12, slot16, slot127;
    };
    const row rows[] = {
        {12, 466.1637615180899, 880.0, 1108.7305239074883, 675077.236557558},
        {16, 459.48046426806206, 739.9888454232688, 880.0, 107864.43353788734},
        {1, 880.0, 1802240.0, 28835840.0, 7.486212072260646e+40},
    };
    for (const row& r : rows) {
        tone_bank bank;
        fill_capturing_log(bank, r.divisions, 440.0);
        auto frequency = [&](std::size_t s) { return bank.slots[s].sounds.front()->frequency; };
        EXPECT_EQ(frequency(0), 440.0);
        EXPECT_EQ(frequency(1), r.slot1);
        EXPECT_EQ(frequency(12), r.slot12);
        EXPECT_EQ(frequency(16), r.slot16);
        EXPECT_EQ(frequency(127), r.slot127);
    }
}

TEST(ToneBank, DefaultBankShapeAndLog)
{
    tone_bank bank;
    const std::string log = fill_capturing_log(bank, 12, 440.0);
    ASSERT_EQ(bank.slots.size(), 128u);
    EXPECT_EQ(bank.sample_rate, 44100.0);
    std::string expected;
    for (int i = 0; i < 128; ++i) {
        expected += "sin wave: 2.5, 2.5, 1, 16384\n";
    }
    EXPECT_EQ(log, expected);
    for (const tone_slot& slot : bank.slots) {
        ASSERT_EQ(slot.sounds.size(), 1u);
        const sound_t& sound = *slot.sounds.front();
        EXPECT_STREQ(sound.kind_name(), "sin wave");
        EXPECT_EQ(sound.center, 2.5);
        EXPECT_EQ(sound.half_width, 2.5);
        EXPECT_EQ(sound.harmonic, 1.0);
        EXPECT_EQ(sound.amplitude, 16384);
        EXPECT_EQ(slot.base_frequency, 220.0);
    }
}

TEST(ToneBank, ZeroAndNegativeBaseFrequenciesPassUnchanged)
{
    tone_bank zero;
    fill_capturing_log(zero, 12, 0.0);
    tone_bank negative;
    fill_capturing_log(negative, 12, -440.0);
    for (std::size_t s = 0; s < 128; ++s) {
        EXPECT_EQ(zero.slots[s].sounds.front()->frequency, 0.0);
        EXPECT_EQ(negative.slots[s].sounds.front()->frequency,
                  -transposition_factor(static_cast<std::uint8_t>(s), 12) * 440.0);
    }
}

TEST(ToneBank, SizingKeepsExistingSlotsAndClearingDeletesLastFirst)
{
    counted_sound::destroyed.clear();
    {
        tone_bank bank;
        bank.slots.resize(3);
        bank.slots[1].base_frequency = 300.0;
        for (int id = 1; id <= 3; ++id) {
            bank.slots[1].sounds.push_back(std::make_unique<counted_sound>(id));
        }
        bank.size_slots();
        ASSERT_EQ(bank.slots.size(), 128u);
        EXPECT_EQ(bank.slots[1].base_frequency, 300.0);
        EXPECT_EQ(bank.slots[1].sounds.size(), 3u);
        EXPECT_EQ(bank.slots[127].base_frequency, 220.0);
        EXPECT_EQ(counted_sound::alive, 3);

        bank.slots[1].clear();
        EXPECT_TRUE(bank.slots[1].sounds.empty());
        EXPECT_EQ(counted_sound::destroyed, (std::vector<int>{3, 2, 1}));

        bank.slots[5].sounds.push_back(std::make_unique<counted_sound>(9));
    }
    EXPECT_EQ(counted_sound::alive, 0);
    EXPECT_EQ(counted_sound::destroyed.back(), 9);
}
