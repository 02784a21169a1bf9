// Play's pace: the acceleration, the steps due for the wall time, the rate achieved.
#include "sim/play/Pacing.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayPacingTest, AccelerationRunsMoreStepsPerWallSecondWithinItsBounds) {
  sim::TimeAcceleration acceleration;
  EXPECT_EQ(acceleration.Label(), "1");
  while (acceleration.Slower()) {
  }
  EXPECT_EQ(acceleration.Label(), "1/8");
  EXPECT_EQ(acceleration.Factor(), 0.125);
  std::vector<std::string> labels{acceleration.Label()};
  while (acceleration.Faster()) labels.push_back(acceleration.Label());
  EXPECT_EQ(labels, (std::vector<std::string>{"1/8", "1/4", "1/2", "1", "2", "4", "8", "16", "32", "64"}));
  EXPECT_EQ(acceleration.Factor(), 64.0);
  EXPECT_FALSE(acceleration.Faster());

  const double step = 0.02;  // s
  // One wall second in refreshes of 20 ms at ×1: the 50 steps of a simulated second.
  sim::Pacer realTime(step);
  long frames = 0;
  for (int tick = 0; tick < 50; ++tick) frames += realTime.FramesFor(0.02, 1.0);
  EXPECT_EQ(frames, 50);

  // ×64: a 50 ms refresh runs 160 steps of the same length.
  sim::Pacer fast(step);
  EXPECT_EQ(fast.FramesFor(0.05, 64.0), 160);

  // ×1/8: a step falls due every 3.2 refreshes of 50 ms; the part of a step carries over.
  sim::Pacer slow(step);
  std::vector<long> due;
  for (int tick = 0; tick < 8; ++tick) due.push_back(slow.FramesFor(0.05, 0.125));
  EXPECT_EQ(due, (std::vector<long>{0, 0, 0, 1, 0, 0, 1, 0}));

  // A stall of 10 s counts as the longest gap (0.25 s), not as 500 steps to catch up; a clock
  // that steps back runs nothing.
  sim::Pacer stalled(step, 0.25);
  EXPECT_EQ(stalled.FramesFor(10.0, 1.0), 12);
  EXPECT_EQ(stalled.FramesFor(-1.0, 1.0), 0);
  EXPECT_EQ(stalled.FramesFor(0.01, 1.0), 1);  // 0.01 s left over from the stall, plus 0.01 s
}

TEST(PlayPacingTest, RateMeterMeasuresOverItsWindowOnly) {
  sim::RateMeter meter(1.0);
  meter.Add(0.0, 0.0);
  meter.Add(0.4, 0.8);
  EXPECT_FALSE(meter.Rate());  // less than half a window
  meter.Add(0.6, 1.2);
  ASSERT_TRUE(meter.Rate());
  EXPECT_DOUBLE_EQ(*meter.Rate(), 2.0);
  // The machine falls behind: one simulated second per wall second from 1 s on. After a window
  // the old pace no longer counts.
  for (double wall = 1.0; wall <= 3.0; wall += 0.1) meter.Add(wall, 1.2 + (wall - 0.6));
  EXPECT_NEAR(*meter.Rate(), 1.0, 1e-9);
  meter.Reset();
  EXPECT_FALSE(meter.Rate());
}

}  // namespace
