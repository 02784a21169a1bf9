// Times on the simulated clock: sums of steps meet the times they are compared with.
#include "sim/world/SimTime.h"

#include <gtest/gtest.h>

namespace {

// The clock as a frame loop adds it up.
double Sum(double step, int frames) {
  double time = 0;
  for (int i = 0; i < frames; ++i) time += step;
  return time;
}

TEST(SimTimeTest, SumsOfStepsReachTheTimesTheyStandFor) {
  // 0.1 + 0.1 + 0.1 is 0.30000000000000004 and 0.1 + 0.2 + ... falls short of round times; both
  // reach them, and neither reaches the next step's time.
  EXPECT_TRUE(sim::Reached(Sum(0.1, 3), 0.3));
  EXPECT_TRUE(sim::Reached(Sum(0.1, 10), 1.0));
  EXPECT_LT(Sum(0.1, 10), 1.0);
  EXPECT_FALSE(sim::Reached(Sum(0.1, 9), 1.0));
  EXPECT_FALSE(sim::After(Sum(0.1, 3), 0.3));
  EXPECT_TRUE(sim::After(Sum(0.1, 4), 0.3));
  // The slack is relative beyond a second: a day's worth of 0.02 s steps still meets its time.
  EXPECT_TRUE(sim::Reached(Sum(0.02, 4320000), 86400));
  EXPECT_FALSE(sim::Reached(86400 - 0.02, 86400));
}

}  // namespace
