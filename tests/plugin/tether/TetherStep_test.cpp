#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plugin/math/VecMath.h"
#include "plugin/tether/TetherLink.h"
#include "support/TestWorld.h"

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

TEST_F(TetherStepTest, TheStepAppliesTheTensionLawToTheLinksOwnValues) {
  // Reeling and free-spooling, slack and taut, over several frames: the link's values after each
  // step are the law's, bit for bit, on the values before it and the distance it measured.
  struct Case {
    double distance, length, reelSpeed;
    SpoolMode mode;
  };
  for (const Case &c : {Case{1010, 1000, -0.4, SpoolMode::Powered}, Case{1200, 1000, 0, SpoolMode::FreeSpooling},
                        Case{900, 1000, 2, SpoolMode::FreeSpooling}, Case{11, 10.2, -1, SpoolMode::Powered}}) {
    world.step = 0.5;
    Tie(c.distance, c.length, 3000, MakeVector(0, 1, 0), MakeVector(0, -2, 0));
    link.reelSpeed = c.reelSpeed;
    link.spoolMode = c.mode;
    for (int frame = 0; frame < 4; ++frame) {
      pod->pos.x += 0.7 * frame;
      const Tension expected = TensionLaw::Step(std::sqrt(pod->pos.x * pod->pos.x + 9), link.stretch, link.length,
                                                link.force, link.reelSpeed, link.spoolMode, world.step);
      Step();
      EXPECT_EQ(link.GetDistance(), expected.distance);
      EXPECT_EQ(link.GetStretch(), expected.stretch);
      EXPECT_EQ(link.GetLength(), expected.length);
      EXPECT_EQ(link.reelSpeed, expected.reelSpeed);
      EXPECT_EQ(link.GetPull(), expected.pull);
      EXPECT_NEAR(tug->forceSum.x, expected.pull / 2 * pod->pos.x / expected.distance, pullTolerance);
    }
  }
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
  EXPECT_EQ(link.GetDistance(), TensionLaw::minDistance);
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

TEST_F(TetherStepTest, UndefinedValuesNeverReachTheVessels) {
  // An undefined length, previous stretch, free-spool speed or step: the law takes its safe
  // branches and the host is handed finite forces.
  Tie(1010, 1000);
  link.length = nan;
  Step();
  EXPECT_EQ(link.GetLength(), 10.0);
  EXPECT_TRUE(Finite(tug->forceSum));
  EXPECT_TRUE(Finite(pod->forceSum));

  Tie(1010, 1000);
  link.stretch = nan;
  Step();
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_TRUE(Finite(tug->forceSum));
  Step();
  EXPECT_NEAR(link.GetPull(), 10000, pullTolerance);

  Tie(1010, 1000);
  link.spoolMode = SpoolMode::FreeSpooling;
  link.reelSpeed = 3;
  world.step = nan;
  Step();
  EXPECT_EQ(link.reelSpeed, 0.0);
  EXPECT_TRUE(Finite(tug->forceSum));
  EXPECT_TRUE(Finite(pod->torqueSum));
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
