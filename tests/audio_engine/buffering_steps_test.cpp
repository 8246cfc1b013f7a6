#include "outputs/buffering_steps.h"

#include <gtest/gtest.h>

namespace {

using clock_type = buffering_steps::clock;
const clock_type::time_point start = clock_type::now();

// A gap each settle-while apart from the last, counted from the start.
std::chrono::nanoseconds after_settles(int count)
{
    return count * (buffering_steps::settle + std::chrono::milliseconds(1));
}

TEST(BufferingSteps, GapsDoubleUpToTheCeilingOncePerSettleWhile)
{
    buffering_steps steps(128, 1024, false);
    steps.started(start);
    EXPECT_FALSE(steps.after_gap(start + std::chrono::milliseconds(10)));  // the start settling
    EXPECT_EQ(steps.frames(), 128u);
    EXPECT_TRUE(steps.after_gap(start + after_settles(1)));
    EXPECT_EQ(steps.frames(), 256u);
    EXPECT_FALSE(steps.after_gap(start + after_settles(1) + std::chrono::milliseconds(500)));  // the same stall
    EXPECT_EQ(steps.frames(), 256u);
    EXPECT_TRUE(steps.after_gap(start + after_settles(2)));
    EXPECT_TRUE(steps.after_gap(start + after_settles(3)));
    EXPECT_EQ(steps.frames(), 1024u);
    EXPECT_FALSE(steps.after_gap(start + after_settles(4)));
    EXPECT_EQ(steps.frames(), 1024u);
}

TEST(BufferingSteps, AMeasuredStallDoublesUntilCovered)
{
    buffering_steps steps(128, 1024, false);
    EXPECT_TRUE(steps.after_gap(start, 300));
    EXPECT_EQ(steps.frames(), 512u);
    EXPECT_TRUE(steps.after_gap(start + after_settles(1), 5000));
    EXPECT_EQ(steps.frames(), 1024u);
}

TEST(BufferingSteps, CalmHalvesOneStepPerCalmWhileDownToTheStart)
{
    buffering_steps steps(128, 1024, false);
    steps.started(start);
    const auto last_gap = start + after_settles(2);
    steps.after_gap(start + after_settles(1));
    steps.after_gap(last_gap);
    ASSERT_EQ(steps.frames(), 512u);
    EXPECT_FALSE(steps.after_calm(last_gap + buffering_steps::calm - std::chrono::milliseconds(1)));
    EXPECT_TRUE(steps.after_calm(last_gap + buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 256u);
    // A gap right after a step down steps up again, and restarts the calm while.
    const auto gap = last_gap + buffering_steps::calm + std::chrono::milliseconds(100);
    EXPECT_TRUE(steps.after_gap(gap));
    EXPECT_EQ(steps.frames(), 512u);
    EXPECT_FALSE(steps.after_calm(gap + buffering_steps::calm - std::chrono::milliseconds(1)));
    EXPECT_TRUE(steps.after_calm(gap + buffering_steps::calm));
    EXPECT_TRUE(steps.after_calm(gap + 2 * buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 128u);
    EXPECT_FALSE(steps.after_calm(gap + 10 * buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 128u);
}

TEST(BufferingSteps, PinnedNeverMoves)
{
    buffering_steps steps(128, 1024, true);
    steps.started(start);
    EXPECT_FALSE(steps.after_gap(start + after_settles(1)));
    EXPECT_FALSE(steps.after_calm(start + 10 * buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 128u);
}

}  // namespace
