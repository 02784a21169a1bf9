#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "math/VecMath.h"
#include "support/TestWorld.h"
#include "tether/TetherLink.h"

namespace kestrane {

namespace {

// Stretch is a quotient of distances times 100; its last bits are rounding.
constexpr double stretchTolerance = 1e-9;  // percent
// Pulls are stretch times a force of 10 000 N per percent and more.
constexpr double pullTolerance = 1e-4;  // N

const double nan = std::numeric_limits<double>::quiet_NaN();

class TetherStepTest : public WorldTest {
protected:
  void SetUp() override {
    tug = AddVessel("Tug", {0, 0, 0});
    pod = AddVessel("Pod", {1000, 0, 0});
  }

  // Ties the tug to the pod with the pod `distance` metres out along x.
  void Tie(double distance, double length, double force = 10000, VECTOR3 a1 = MakeVector(0, 0, 0),
           VECTOR3 a2 = MakeVector(0, 0, 0)) {
    pod->pos = {distance, 0, 0};
    link.Connect("Tug", "Pod", length, force, a1, a2);
  }

  // One step of the link alone, on forces cleared before it.
  void Step() {
    tug->forceSum = tug->torqueSum = {};
    pod->forceSum = pod->torqueSum = {};
    link.TimeStep();
  }

  static bool Finite(sim::Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

  sim::Vessel *tug = nullptr;
  sim::Vessel *pod = nullptr;
  TetherLink link;
};

TEST_F(TetherStepTest, SteadyOverStretchPullsEachVesselWithHalfTowardsTheOther) {
  Tie(1010, 1000);
  Step();
  EXPECT_NEAR(link.GetStretch(), 101, stretchTolerance);
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);
  EXPECT_NEAR(tug->forceSum.x, 5000, pullTolerance);
  EXPECT_NEAR(pod->forceSum.x, -5000, pullTolerance);
  EXPECT_EQ(tug->forceSum.y, 0.0);
  EXPECT_EQ(pod->forceSum.z, 0.0);
  EXPECT_EQ(link.GetLength(), 1000);
}

TEST_F(TetherStepTest, OnlyADistanceBeyondTheLengthPulls) {
  Tie(800, 1000);
  Step();
  EXPECT_NEAR(link.GetStretch(), 80, stretchTolerance);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_EQ(tug->forceSum.x, 0.0);

  // Exactly taut while stretching: the rate alone does not pull.
  Tie(1000, 1000);
  link.stretch = 99;
  Step();
  EXPECT_EQ(link.GetStretch(), 100);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_EQ(pod->forceSum.x, 0.0);
}

TEST_F(TetherStepTest, StretchRateDampsAndATetherNeverPushes) {
  world.step = 0.1;
  Tie(1012, 1000);
  // 101 → 101.2 in 0.1 s: 2 percent per second on top of 1.2 percent.
  link.stretch = 101;
  Step();
  EXPECT_NEAR(link.GetPull(), 10000 * 3.2, 1e-3);

  // 101.5 → 101 in 0.1 s: the law gives 1 − 5 percent; the tether goes slack instead of pushing.
  Tie(1010, 1000);
  link.stretch = 101.5;
  Step();
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_EQ(tug->forceSum.x, 0.0);
  EXPECT_EQ(pod->forceSum.x, 0.0);
}

TEST_F(TetherStepTest, PullIsHeldAtTenThousandTimesTheForce) {
  Tie(2000, 10, 10);
  Step();
  EXPECT_NEAR(link.GetStretch(), 20000, stretchTolerance);
  EXPECT_EQ(link.GetPull(), 100000);
  EXPECT_EQ(tug->forceSum.x, 50000);
}

TEST_F(TetherStepTest, FirstStepAfterConnectStartsFromTheAttachPointStretch) {
  world.step = 0.1;
  // Centres 1000 m apart, attach points 1010 m: the connect measures as the step does.
  Tie(1000, 1000, 10000, MakeVector(-5, 0, 0), MakeVector(5, 0, 0));
  EXPECT_NEAR(link.GetStretch(), 101, stretchTolerance);
  Step();
  EXPECT_NEAR(link.prevStretch, 101, stretchTolerance);
  EXPECT_NEAR(link.GetDistance(), 1010, 1e-9);
  // 1 percent of elongation and nothing moved: no rate.
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);

  // Attach points that meet at the connect are as far apart as a step would take them.
  Tie(10, 1000, 10000, MakeVector(5, 0, 0), MakeVector(-5, 0, 0));
  EXPECT_EQ(link.GetDistance(), TetherLink::minDistance);
  Step();
  EXPECT_EQ(link.prevStretch, link.GetStretch());
}

TEST_F(TetherStepTest, AttachPointsTurnWithTheirVessel) {
  // The tug turned a quarter about z: its local +y points along global −x.
  tug->rot.m[0][0] = 0;
  tug->rot.m[0][1] = -1;
  tug->rot.m[1][0] = 1;
  tug->rot.m[1][1] = 0;
  Tie(1000, 900, 10000, MakeVector(0, 10, 0));
  Step();
  EXPECT_NEAR(link.GetDistance(), 1010, 1e-9);
  EXPECT_EQ(link.rotation1.m12, -1);
  // The pull, towards global +x, is local −y for the tug.
  EXPECT_NEAR(tug->forceSum.y, -link.GetPull() / 2, pullTolerance);
  EXPECT_NEAR(tug->forceSum.x, 0, pullTolerance);
  EXPECT_NEAR(pod->forceSum.x, -link.GetPull() / 2, pullTolerance);
}

TEST_F(TetherStepTest, StretchUsesTheLengthBeforeReeling) {
  world.step = 1;
  Tie(1010, 1000);
  link.reelSpeed = -10;
  Step();
  EXPECT_NEAR(link.GetStretch(), 101, stretchTolerance);
  EXPECT_EQ(link.GetLength(), 990);
  EXPECT_EQ(link.reelSpeed, -10);
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);
  // The next step measures against the reeled length.
  Step();
  EXPECT_NEAR(link.GetStretch(), 1010.0 / 990 * 100, stretchTolerance);
  EXPECT_EQ(link.GetLength(), 980);
}

TEST_F(TetherStepTest, ReelStopsAtTenMetres) {
  world.step = 0.1;
  Tie(5, 10.05);
  link.reelSpeed = -1;
  Step();
  EXPECT_EQ(link.GetLength(), 10.0);
  EXPECT_EQ(link.reelSpeed, 0.0);
}

TEST_F(TetherStepTest, FreeSpoolSpeedPaysOutOneStepLater) {
  world.step = 1;
  Tie(1200, 1000);
  link.spoolMode = SpoolMode::FreeSpooling;
  Step();
  // 20 percent over-stretch for 1 s, the quadratic drag over 1 s, then 1 m/s² of braking.
  const double afterFirst = 1 / (1 / 20.0 + 0.0003) - 1;
  EXPECT_NEAR(link.reelSpeed, afterFirst, 1e-12);
  EXPECT_NEAR(link.reelSpeed, 18.88, 0.01);
  EXPECT_EQ(link.GetLength(), 1000);
  Step();
  EXPECT_NEAR(link.GetLength(), 1000 + afterFirst, 1e-9);
  EXPECT_NEAR(link.GetStretch(), 120, stretchTolerance);
  EXPECT_NEAR(link.reelSpeed, 1 / (1 / (afterFirst + 20) + 0.0003) - 1, 1e-9);
}

TEST_F(TetherStepTest, FreeSpoolReelComesToRestAndNeverReelsIn) {
  world.step = 1;
  Tie(500, 1000);
  link.spoolMode = SpoolMode::FreeSpooling;
  link.reelSpeed = 0.5;
  Step();
  EXPECT_EQ(link.GetLength(), 1000.5);
  EXPECT_EQ(link.reelSpeed, 0.0);
  Step();
  EXPECT_EQ(link.GetLength(), 1000.5);
  EXPECT_EQ(link.reelSpeed, 0.0);

  // Switched to free-spooling while reeling in: this step still shortens the tether.
  Tie(500, 1000);
  link.reelSpeed = -0.4;
  link.spoolMode = SpoolMode::FreeSpooling;
  Step();
  EXPECT_DOUBLE_EQ(link.GetLength(), 999.6);
  EXPECT_EQ(link.reelSpeed, 0.0);
}

TEST_F(TetherStepTest, CoincidingAttachPointsGiveTheSmallestDistanceAndNoForce) {
  Tie(10, 1000, 10000, MakeVector(5, 0, 0), MakeVector(-5, 0, 0));
  Step();
  EXPECT_EQ(link.GetDistance(), 0.01);
  EXPECT_EQ(link.exhaustLength, 0.01);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_TRUE(Finite(tug->forceSum));
  EXPECT_TRUE(Finite(pod->torqueSum));
  EXPECT_EQ(tug->forceSum.x, 0.0);
}

TEST_F(TetherStepTest, UndefinedValuesTakeTheSafeBranch) {
  // An undefined length becomes the shortest length, and the undefined pull it gives becomes 0.
  Tie(1010, 1000);
  link.length = nan;
  Step();
  EXPECT_EQ(link.GetLength(), 10.0);
  EXPECT_EQ(link.reelSpeed, 0.0);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_TRUE(Finite(tug->forceSum));
  EXPECT_TRUE(Finite(pod->forceSum));

  // An undefined previous stretch: no rate, so no pull this step.
  Tie(1010, 1000);
  link.stretch = nan;
  Step();
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_TRUE(Finite(tug->forceSum));
  Step();
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);

  // An undefined free-spool speed stops the reel.
  Tie(1010, 1000);
  link.spoolMode = SpoolMode::FreeSpooling;
  link.reelSpeed = nan;
  Step();
  EXPECT_EQ(link.reelSpeed, 0.0);
  EXPECT_EQ(link.GetLength(), 10.0);
  EXPECT_TRUE(Finite(tug->forceSum));

  // An undefined step length: the over-stretch makes the free-spool speed undefined, which then
  // stops the reel; the elongation alone pulls.
  Tie(1010, 1000);
  link.spoolMode = SpoolMode::FreeSpooling;
  link.reelSpeed = 3;
  world.step = nan;
  Step();
  EXPECT_EQ(link.reelSpeed, 0.0);
  EXPECT_EQ(link.GetLength(), 10.0);
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);
  EXPECT_TRUE(Finite(tug->forceSum));
}

TEST_F(TetherStepTest, AStepOfNoLengthHasNoStretchRate) {
  Tie(1010, 1000);
  link.stretch = 50;
  world.step = 0;
  Step();
  // Only the 1 percent of elongation pulls; a rate over no time would have hit the cap.
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);
  world.step = -0.02;
  link.stretch = 50;
  Step();
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);
}

TEST_F(TetherStepTest, DisconnectedLinkOnlyRemovesItsLeftoverStream) {
  Tie(1010, 1000);
  link.reelSpeed = 0.5;
  Step();
  ASSERT_EQ(tug->Exhausts().size(), 1u);
  const double length = link.GetLength(), pull = link.GetPull(), distance = link.GetDistance();

  link.connected = 0;
  pod->pos = {3000, 0, 0};
  Step();
  EXPECT_EQ(tug->Exhausts().size(), 0u);
  EXPECT_EQ(link.GetLength(), length);
  EXPECT_EQ(link.GetPull(), pull);
  EXPECT_EQ(link.GetDistance(), distance);
  EXPECT_EQ(tug->forceSum.x, 0.0);
  EXPECT_EQ(pod->forceSum.x, 0.0);
}

}  // namespace

}  // namespace kestrane
