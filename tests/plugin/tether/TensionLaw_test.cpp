// The tension law on plain numbers: the order of its operations, its clamps, its undefined
// operands and the free-spooling reel.
#include "plugin/tether/TensionLaw.h"

#include <gtest/gtest.h>

#include <limits>

namespace kestrane {

namespace {

using TensionLaw::Step;

// Stretch is a quotient of distances times 100; its last bits are rounding.
constexpr double stretchTolerance = 1e-9;  // percent
// Pulls are stretch times a force of 10 000 N per percent and more.
constexpr double pullTolerance = 1e-4;  // N
// Reel speeds of tens of m/s after a few divisions.
constexpr double speedTolerance = 1e-12;  // m/s

constexpr SpoolMode powered = SpoolMode::Powered;
constexpr SpoolMode freeSpooling = SpoolMode::FreeSpooling;
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(TensionLawTest, StretchTakesTheLengthBeforeTheReelAndTheReelTheSpeedBeforeTheSpool) {
  // Reeling in at 10 m/s for 1 s: the stretch is still against 1000 m, the pull too, while the
  // length the next step measures against is 990 m.
  Tension t = Step(1010, 101, 1000, 10000, -10, powered, 1);
  EXPECT_NEAR(t.stretch, 101, stretchTolerance);
  EXPECT_EQ(t.length, 990);
  EXPECT_EQ(t.reelSpeed, -10);
  EXPECT_NEAR(t.pull, 10000, pullTolerance);
  t = Step(1010, t.stretch, t.length, 10000, t.reelSpeed, powered, 1);
  EXPECT_NEAR(t.stretch, 1010.0 / 990 * 100, stretchTolerance);
  EXPECT_EQ(t.length, 980);

  // Free-spooling at 20 % over-stretch from rest: the length pays out with the speed of the step
  // before (0), the speed after the acceleration, then the drag, then the braking.
  const double afterFirst = 1 / (1 / 20.0 + 0.0003) - 1;
  t = Step(1200, 120, 1000, 10000, 0, freeSpooling, 1);
  EXPECT_EQ(t.length, 1000);
  EXPECT_NEAR(t.reelSpeed, afterFirst, speedTolerance);
  EXPECT_NEAR(t.reelSpeed, 18.88, 0.01);
  t = Step(1200, t.stretch, t.length, 10000, t.reelSpeed, freeSpooling, 1);
  EXPECT_NEAR(t.length, 1000 + afterFirst, 1e-9);
  EXPECT_NEAR(t.stretch, 120, stretchTolerance);
  EXPECT_NEAR(t.reelSpeed, 1 / (1 / (afterFirst + 20) + 0.0003) - 1, 1e-9);
}

TEST(TensionLawTest, OnlyADistanceBeyondTheReeledLengthPulls) {
  // Slack.
  Tension t = Step(800, 80, 1000, 10000, 0, powered, 0.02);
  EXPECT_NEAR(t.stretch, 80, stretchTolerance);
  EXPECT_EQ(t.pull, 0.0);
  // Exactly taut while stretching: the rate alone does not pull.
  t = Step(1000, 99, 1000, 10000, 0, powered, 0.02);
  EXPECT_EQ(t.stretch, 100);
  EXPECT_EQ(t.pull, 0.0);
  // Over-stretched against the length before the reel, but the reel paid out past the distance.
  t = Step(1005, 100.5, 1000, 10000, 10, powered, 1);
  EXPECT_EQ(t.length, 1010);
  EXPECT_EQ(t.pull, 0.0);
  // Just taut against the length before the reel, but the reel took the tether in: the rate of
  // 1 % per second pulls.
  t = Step(1000, 99, 1000, 10000, -10, powered, 1);
  EXPECT_EQ(t.length, 990);
  EXPECT_NEAR(t.pull, 10000, pullTolerance);
}

TEST(TensionLawTest, StretchRateDampsAndATetherNeverPushes) {
  // 101 → 101.2 % in 0.1 s: 2 % per second on top of 1.2 %.
  EXPECT_NEAR(Step(1012, 101, 1000, 10000, 0, powered, 0.1).pull, 10000 * 3.2, 1e-3);
  // 101.5 → 101 % in 0.1 s: the law gives 1 − 5 %; the tether goes slack instead of pushing.
  EXPECT_EQ(Step(1010, 101.5, 1000, 10000, 0, powered, 0.1).pull, 0.0);
  // A step of no length, or a negative one, has no rate: only the elongation pulls, where a rate
  // over no time would have hit the cap.
  EXPECT_NEAR(Step(1010, 50, 1000, 10000, 0, powered, 0).pull, 10000, pullTolerance);
  EXPECT_NEAR(Step(1010, 50, 1000, 10000, 0, powered, -0.02).pull, 10000, pullTolerance);
}

TEST(TensionLawTest, ClampsHoldThePullTheLengthAndTheDistance) {
  // The pull at most 10 000 times the force.
  Tension t = Step(2000, 20000, 10, 10, 0, powered, 0.02);
  EXPECT_NEAR(t.stretch, 20000, stretchTolerance);
  EXPECT_EQ(t.pull, 100000);
  // Reeling in at 1 m/s for 0.1 s from 10.05 m: 9.95 m becomes 10 m and the reel stops, in both
  // modes.
  for (SpoolMode mode : {powered, freeSpooling}) {
    t = Step(5, 50, 10.05, 10000, -1, mode, 0.1);
    EXPECT_EQ(t.length, TensionLaw::minLength);
    EXPECT_EQ(t.reelSpeed, 0.0);
  }
  // Attach points that meet: the smallest distance, nothing divided by zero.
  t = Step(0, 0, 1000, 10000, 0, powered, 0.02);
  EXPECT_EQ(t.distance, TensionLaw::minDistance);
  EXPECT_EQ(t.stretch, TensionLaw::minDistance / 1000 * 100);
  EXPECT_EQ(t.pull, 0.0);
}

TEST(TensionLawTest, FreeSpoolReelComesToRestAndNeverReelsIn) {
  // Slack, paying out at 0.5 m/s: the length grows by 0.5 m and the braking stops the reel.
  Tension t = Step(500, 50, 1000, 10000, 0.5, freeSpooling, 1);
  EXPECT_EQ(t.length, 1000.5);
  EXPECT_EQ(t.reelSpeed, 0.0);
  t = Step(500, t.stretch, t.length, 10000, t.reelSpeed, freeSpooling, 1);
  EXPECT_EQ(t.length, 1000.5);
  EXPECT_EQ(t.reelSpeed, 0.0);
  // Switched to free-spooling while reeling in: the switch's step still shortens the tether.
  t = Step(500, 50, 1000, 10000, -0.4, freeSpooling, 1);
  EXPECT_DOUBLE_EQ(t.length, 999.6);
  EXPECT_EQ(t.reelSpeed, 0.0);
  // The powered reel keeps its speed, slack or taut.
  EXPECT_EQ(Step(500, 50, 1000, 10000, -0.4, powered, 1).reelSpeed, -0.4);
  EXPECT_EQ(Step(1200, 120, 1000, 10000, 0.4, powered, 1).reelSpeed, 0.4);
}

TEST(TensionLawTest, FreeSpoolDragIsTheExactSolutionOverTheStep) {
  // Under dv/dt = −k·v² alone, v(t) = 1 / (1/v0 + k·t): one step of 2 s leaves what two of 1 s
  // leave, once the braking of each step is added back. Slack, so no acceleration.
  const double k = TensionLaw::spoolDrag;
  const double v0 = 300;
  const double once = Step(500, 50, 1000, 0, v0, freeSpooling, 2).reelSpeed + 2 * TensionLaw::spoolBraking;
  const double half = Step(500, 50, 1000, 0, v0, freeSpooling, 1).reelSpeed + TensionLaw::spoolBraking;
  const double twice = Step(500, 50, 1000, 0, half, freeSpooling, 1).reelSpeed + TensionLaw::spoolBraking;
  EXPECT_NEAR(once, 1 / (1 / v0 + k * 2), speedTolerance * v0);
  EXPECT_NEAR(twice, once, 1e-9 * v0);
  // However fast the reel, one step leaves it below 1 / (k·dt): the drag never overshoots.
  EXPECT_LT(Step(500, 50, 1000, 0, 1e12, freeSpooling, 1).reelSpeed, 1 / k);
}

TEST(TensionLawTest, UndefinedValuesTakeTheSafeBranch) {
  // An undefined distance is floored and counts as slack.
  Tension t = Step(nan, 100, 1000, 10000, 0, powered, 0.02);
  EXPECT_EQ(t.distance, TensionLaw::minDistance);
  EXPECT_EQ(t.pull, 0.0);
  // An undefined length becomes the shortest length, and the undefined pull it gives becomes 0.
  t = Step(1010, 101, nan, 10000, 0, powered, 0.02);
  EXPECT_EQ(t.length, TensionLaw::minLength);
  EXPECT_EQ(t.reelSpeed, 0.0);
  EXPECT_EQ(t.pull, 0.0);
  // An undefined previous stretch: an undefined rate, so no pull this step.
  EXPECT_EQ(Step(1010, nan, 1000, 10000, 0, powered, 0.02).pull, 0.0);
  // An undefined free-spool speed stops the reel at the shortest length.
  t = Step(1010, 101, 1000, 10000, nan, freeSpooling, 0.02);
  EXPECT_EQ(t.reelSpeed, 0.0);
  EXPECT_EQ(t.length, TensionLaw::minLength);
  // An undefined step: no rate, the over-stretch makes the free-spool speed undefined, which then
  // stops the reel; the elongation alone pulls.
  t = Step(1010, 101, 1000, 10000, 3, freeSpooling, nan);
  EXPECT_EQ(t.reelSpeed, 0.0);
  EXPECT_EQ(t.length, TensionLaw::minLength);
  EXPECT_NEAR(t.pull, 10000, pullTolerance);
}

}  // namespace

}  // namespace kestrane
