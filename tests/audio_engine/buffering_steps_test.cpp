#include "outputs/buffering_steps.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using clock_type = buffering_steps::clock;

const clock_type::time_point start = clock_type::now();
// Gaps from here on step: the start has settled.
const clock_type::time_point settled = start + buffering_steps::start_settle;

// The n-th of gaps each a settle-while apart, from `settled` on.
clock_type::time_point gap(int n)
{
    return settled + n * (buffering_steps::settle + 1ms);
}

buffering_steps started_steps(bool pinned = false)
{
    buffering_steps steps(128, 1024, pinned);
    steps.started(start);
    return steps;
}

TEST(BufferingSteps, GapsDoubleUpToTheCeilingOncePerSettleWhile)
{
    buffering_steps steps = started_steps();
    EXPECT_FALSE(steps.after_gap(settled - 1ms));  // the player starting up
    EXPECT_EQ(steps.frames(), 128u);
    EXPECT_TRUE(steps.after_gap(gap(0)));
    EXPECT_EQ(steps.frames(), 256u);
    EXPECT_FALSE(steps.after_gap(gap(0) + 500ms));  // the same stall
    EXPECT_EQ(steps.frames(), 256u);
    EXPECT_TRUE(steps.after_gap(gap(1)));
    EXPECT_TRUE(steps.after_gap(gap(2)));
    EXPECT_EQ(steps.frames(), 1024u);
    EXPECT_FALSE(steps.after_gap(gap(3)));
    EXPECT_EQ(steps.frames(), 1024u);
}

TEST(BufferingSteps, AMeasuredStallDoublesUntilCovered)
{
    buffering_steps steps = started_steps();
    EXPECT_TRUE(steps.after_gap(gap(0), 300));
    EXPECT_EQ(steps.frames(), 512u);
    EXPECT_TRUE(steps.after_gap(gap(1), 5000));
    EXPECT_EQ(steps.frames(), 1024u);
}

TEST(BufferingSteps, CalmHalvesOneStepPerCalmWhileDownToTheStart)
{
    buffering_steps steps = started_steps();
    steps.after_gap(gap(0));
    steps.after_gap(gap(1));
    ASSERT_EQ(steps.frames(), 512u);
    EXPECT_FALSE(steps.after_calm(gap(1) + buffering_steps::calm - 1ms));
    EXPECT_TRUE(steps.after_calm(gap(1) + buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 256u);
    // A gap right after a step down steps up again, and restarts the calm while.
    const auto again = gap(1) + buffering_steps::calm + 100ms;
    EXPECT_TRUE(steps.after_gap(again));
    EXPECT_EQ(steps.frames(), 512u);
    EXPECT_FALSE(steps.after_calm(again + buffering_steps::calm - 1ms));
    EXPECT_TRUE(steps.after_calm(again + buffering_steps::calm));
    EXPECT_TRUE(steps.after_calm(again + 2 * buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 128u);
    EXPECT_FALSE(steps.after_calm(again + 10 * buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 128u);
}

TEST(BufferingSteps, PinnedNeverMoves)
{
    buffering_steps steps = started_steps(true);
    EXPECT_FALSE(steps.after_gap(gap(0), 5000));
    EXPECT_FALSE(steps.after_calm(gap(0) + 10 * buffering_steps::calm));
    EXPECT_EQ(steps.frames(), 128u);
}

}  // namespace
