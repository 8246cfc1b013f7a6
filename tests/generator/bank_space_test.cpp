#include "bank_space.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

// Every slot one sound lasting `seconds` from 0 s: 88,200 bytes per second.
tone_bank bank_of(double seconds)
{
    tone_bank bank;
    bank.sample_rate = 44100.0;
    bank.size_slots();
    for (tone_slot& slot : bank.slots) {
        auto sound = create_sound(0);
        sound->center = seconds / 2;
        sound->half_width = seconds / 2;
        slot.sounds.push_back(std::move(sound));
    }
    return bank;
}

} // namespace

TEST(BankSpace, NeedsTheBytesOfAll128FilesAndHoldsOneBack)
{
    temp_dir dir;
    const bank_space space = measure_bank_space(bank_of(1.0), dir.file("bank"), 50'000'000);
    EXPECT_EQ(space.needed, 128u * 88200);
    EXPECT_EQ(space.free, 50'000'000u - 88200);
}

TEST(BankSpace, EmptyAndOversizedSlotsNeedNothing)
{
    temp_dir dir;
    tone_bank bank = bank_of(0.5);
    bank.slots[0].clear();
    bank.slots[1].sounds.front()->half_width = 1e9;
    bank.slots[1].sounds.front()->center = 1e9;
    bank.slots[2].sounds.front()->half_width = 1.0;
    bank.slots[2].sounds.front()->center = 1.0;
    const bank_space space = measure_bank_space(bank, dir.file("bank"), 1'000'000);
    EXPECT_EQ(space.needed, 125u * 44100 + 176400);
    EXPECT_EQ(space.free, 1'000'000u - 176400);
}

TEST(BankSpace, FilesTheBankReplacesCountAsFree)
{
    temp_dir dir;
    dir.write("bank.0.pcm", std::string(1000, 'x'));
    dir.write("bank.127.pcm", std::string(24, 'x'));
    dir.write("other.0.pcm", std::string(5000, 'x'));
    dir.write("bank.pcm", std::string(5000, 'x'));
    std::filesystem::create_directory(dir.file("bank.5.pcm"));
    const bank_space space = measure_bank_space(bank_of(1.0), dir.file("bank"), 100'000);
    EXPECT_EQ(space.free, 100'000u + 1024 - 88200);
}

TEST(BankSpace, FreeNeverFallsBelowZero)
{
    temp_dir dir;
    const bank_space space = measure_bank_space(bank_of(1.0), dir.file("bank"), 1000);
    EXPECT_EQ(space.free, 0u);
}

TEST(BankSpace, AMissingDirectoryIsLeftToTheWriter)
{
    testing::internal::CaptureStderr();
    EXPECT_TRUE(bank_fits(bank_of(1.0), "/nonexistent/dir/bank"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
