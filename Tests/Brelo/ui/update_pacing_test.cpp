// The log box's update pacing: cheap updates every shortest wait, dear ones spaced by their cost.
#include "ui/update_pacing.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Clock = UpdatePacing::Clock;

TEST(UpdatePacing, CheapUpdatesComeEveryShortestWait) {
    UpdatePacing pacing;
    const Clock::time_point t0{};
    EXPECT_TRUE(pacing.due(t0));
    pacing.updated(t0, t0 + 1ms);
    EXPECT_FALSE(pacing.due(t0 + 100ms));
    EXPECT_TRUE(pacing.due(t0 + 101ms));
}

TEST(UpdatePacing, DearUpdatesWaitInProportionUpToTheLongestWait) {
    UpdatePacing pacing;
    const Clock::time_point t0{};
    pacing.updated(t0, t0 + 15ms);  // 20 x 15 ms after its end
    EXPECT_FALSE(pacing.due(t0 + 314ms));
    EXPECT_TRUE(pacing.due(t0 + 315ms));
    // A cheaper update afterwards brings the pace back.
    pacing.updated(t0 + 315ms, t0 + 316ms);
    EXPECT_TRUE(pacing.due(t0 + 416ms));
    // However dear, the log still moves every two seconds.
    pacing.updated(t0 + 1s, t0 + 2s);
    EXPECT_FALSE(pacing.due(t0 + 3999ms));
    EXPECT_TRUE(pacing.due(t0 + 4s));
}

TEST(UpdatePacing, ResetMakesTheNextUpdateDue) {
    UpdatePacing pacing;
    const Clock::time_point t0{};
    pacing.updated(t0, t0 + 50ms);
    EXPECT_FALSE(pacing.due(t0 + 60ms));
    pacing.reset();
    EXPECT_TRUE(pacing.due(t0 + 60ms));
}

}  // namespace
