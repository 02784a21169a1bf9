#include "plugin/tether/TetherLink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "plugin/math/VecMath.h"
#include "support/TestWorld.h"

namespace kestrane {

namespace {

class TetherLinkTest : public WorldTest {
protected:
  void SetUp() override {
    tug = AddVessel("Tug", {0, 0, 0});
    pod = AddVessel("Pod", {1500, 0, 0});
    buoy = AddVessel("Buoy", {0, 300, 400});
  }

  // Propellant resources, thrusters and exhaust streams a vessel carries.
  static size_t Objects(const sim::Vessel *v) {
    return v->Propellants().size() + v->Thrusters().size() + v->Exhausts().size();
  }

  const VECTOR3 origin = MakeVector(0, 0, 0);
  sim::Vessel *tug = nullptr;
  sim::Vessel *pod = nullptr;
  sim::Vessel *buoy = nullptr;
};

TEST_F(TetherLinkTest, NewLinkIsDisconnectedAndDisconnectTouchesNothing) {
  TetherLink link;
  EXPECT_EQ(link.IsConnected(), 0);
  EXPECT_EQ(link.GetLength(), 0.0);
  EXPECT_EQ(link.GetDistance(), 0.0);
  EXPECT_EQ(link.GetStretch(), 0.0);
  EXPECT_EQ(link.GetForce(), 0.0);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_EQ(link.spoolMode, SpoolMode::Powered);
  EXPECT_EQ(link.reelSpeed, 0.0);
  EXPECT_STREQ(link.ship1Name, "");
  EXPECT_STREQ(link.ship2Name, "");

  link.Disconnect();
  link.TimeStep();
  EXPECT_EQ(link.IsConnected(), 0);
  EXPECT_EQ(Objects(tug) + Objects(pod) + Objects(buoy), 0u);
}

TEST_F(TetherLinkTest, ConnectMeasuresBetweenTheAttachPointsAndPutsTheVisualsOnVesselOne) {
  TetherLink link;
  // The pod turned a quarter about z: its local −z stays global −z, its local +x is global +y.
  pod->rot = sim::AxisRotation(2, PI / 2);
  link.Connect("Tug", "Pod", 1000, 10000, MakeVector(0, 5, 0), MakeVector(4, 0, -3));
  EXPECT_EQ(link.IsConnected(), 1);
  EXPECT_STREQ(link.ship1Name, "Tug");
  EXPECT_STREQ(link.ship2Name, "Pod");
  // From (0, 5, 0) to (1500, 4, −3).
  const double span = std::sqrt(1500.0 * 1500 + 1 + 9);
  EXPECT_NEAR(link.GetDistance(), span, 1e-9);
  EXPECT_NEAR(link.GetStretch(), span / 10, 1e-9);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_EQ(link.GetLength(), 1000);
  EXPECT_EQ(link.GetForce(), 10000);
  EXPECT_EQ(link.attach1.y, 5);
  EXPECT_EQ(link.attach2.z, -3);
  EXPECT_EQ(link.rotation2.m21, 1);
  EXPECT_EQ(link.hostVessel, Iface(tug));

  ASSERT_EQ(tug->Propellants().size(), 1u);
  ASSERT_EQ(tug->Thrusters().size(), 2u);
  EXPECT_EQ(tug->Propellants()[0]->maxMass, 2.0);
  EXPECT_EQ(tug->Propellants()[0]->mass, 2.0);
  const sim::Thruster &t1 = *tug->Thrusters()[0];
  const sim::Thruster &t2 = *tug->Thrusters()[1];
  EXPECT_EQ(t1.dir.z, 1.0);
  EXPECT_EQ(t2.dir.z, -1.0);
  EXPECT_EQ(t1.maxThrust, 0.01);
  EXPECT_EQ(t1.isp, 100000.0);
  EXPECT_EQ(t1.pRef, 101400.0);
  EXPECT_EQ(t1.propellant, tug->Propellants()[0].get());
  EXPECT_EQ(t2.propellant, tug->Propellants()[0].get());
  // No stream until the first step.
  EXPECT_EQ(tug->Exhausts().size(), 0u);
  EXPECT_EQ(Objects(pod), 0u);
}

TEST_F(TetherLinkTest, SelfTieAndUnknownVesselAreRefusedKeepingOnlyTheNames) {
  TetherLink link;
  link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
  link.reelSpeed = -0.2;
  link.TimeStep();
  const double distance = link.GetDistance(), stretch = link.GetStretch(), length = link.GetLength();

  // Names resolve case-insensitively, so this is the pod tied to itself.
  link.Connect("Pod", "pod", 50, 7, MakeVector(1, 1, 1), MakeVector(2, 2, 2));
  EXPECT_STREQ(link.ship1Name, "Pod");
  EXPECT_STREQ(link.ship2Name, "pod");
  EXPECT_EQ(link.IsConnected(), 1);
  EXPECT_EQ(link.GetLength(), length);
  EXPECT_EQ(link.GetForce(), 10000);
  EXPECT_EQ(link.GetDistance(), distance);
  EXPECT_EQ(link.GetStretch(), stretch);
  EXPECT_EQ(link.attach1.x, 0);
  EXPECT_EQ(link.hostVessel, Iface(tug));
  EXPECT_EQ(tug->Thrusters().size(), 2u);
  EXPECT_EQ(Objects(pod), 0u);

  link.Connect("Tug", "Nowhere", 50, 7, MakeVector(1, 1, 1), origin);
  EXPECT_STREQ(link.ship2Name, "Nowhere");
  EXPECT_EQ(link.GetLength(), length);
  EXPECT_EQ(link.hostVessel, Iface(tug));
  EXPECT_EQ(tug->Thrusters().size(), 2u);

  TetherLink fresh;
  fresh.Connect("Ghost", "Pod", 1000, 10000, origin, origin);
  EXPECT_EQ(fresh.IsConnected(), 0);
  EXPECT_EQ(fresh.hostVessel, nullptr);
  EXPECT_EQ(fresh.GetLength(), 0.0);
  EXPECT_STREQ(fresh.ship1Name, "Ghost");
}

TEST_F(TetherLinkTest, ReconnectMovesTheVisualsAndKeepsTheReel) {
  TetherLink link;
  link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
  link.TimeStep();
  ASSERT_EQ(tug->Exhausts().size(), 1u);
  link.reelSpeed = -0.2;
  link.spoolMode = SpoolMode::FreeSpooling;

  link.Connect("Buoy", "Pod", 2000, 500, MakeVector(0, 0, 1), origin);
  EXPECT_EQ(link.IsConnected(), 1);
  EXPECT_EQ(link.reelSpeed, -0.2);
  EXPECT_EQ(link.spoolMode, SpoolMode::FreeSpooling);
  EXPECT_EQ(link.GetLength(), 2000);
  EXPECT_EQ(link.GetForce(), 500);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_DOUBLE_EQ(link.GetDistance(), std::sqrt(1500.0 * 1500 + 300 * 300 + 401 * 401));
  EXPECT_EQ(link.hostVessel, Iface(buoy));
  EXPECT_EQ(Objects(tug), 0u);
  EXPECT_EQ(Objects(pod), 0u);
  EXPECT_EQ(buoy->Propellants().size(), 1u);
  EXPECT_EQ(buoy->Thrusters().size(), 2u);
  // The thrusters sit at the attach point of the previous connection; it does not matter where.
  EXPECT_EQ(buoy->Thrusters()[0]->pos.z, 0.0);
}

TEST_F(TetherLinkTest, DisconnectRemovesEverythingOnceAndKeepsTheValues) {
  TetherLink link;
  link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
  link.reelSpeed = 0.4;
  link.TimeStep();
  const double length = link.GetLength(), stretch = link.GetStretch(), pull = link.GetPull();

  link.Disconnect();
  EXPECT_EQ(link.IsConnected(), 0);
  EXPECT_FALSE(link.visualsCreated);
  EXPECT_FALSE(link.exhaustActive);
  EXPECT_EQ(Objects(tug), 0u);
  EXPECT_EQ(link.GetLength(), length);
  EXPECT_EQ(link.GetStretch(), stretch);
  EXPECT_EQ(link.GetPull(), pull);
  EXPECT_EQ(link.reelSpeed, 0.4);
  EXPECT_STREQ(link.ship1Name, "Tug");
  EXPECT_EQ(link.hostVessel, Iface(tug));

  // A second disconnect and the step of a disconnected link change nothing.
  tug->forceSum = {};
  link.Disconnect();
  link.TimeStep();
  EXPECT_EQ(link.GetLength(), length);
  EXPECT_EQ(Objects(tug), 0u);
  EXPECT_EQ(tug->forceSum.x, 0.0);
}

TEST_F(TetherLinkTest, DestructionReleasesTheVisuals) {
  {
    TetherLink link;
    link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
    link.TimeStep();
    EXPECT_EQ(Objects(tug), 4u);
  }
  EXPECT_EQ(Objects(tug), 0u);
}

TEST_F(TetherLinkTest, TheStepThatFindsAVesselGoneDisconnects) {
  // Vessel 2 gone: the link lets go and takes its drawing off vessel 1, which is still there.
  TetherLink link;
  link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
  link.TimeStep();
  ASSERT_GT(link.GetPull(), 0.0);
  ASSERT_TRUE(world.DeleteVessel(pod));
  tug->forceSum = {};
  link.TimeStep();
  EXPECT_EQ(link.IsConnected(), 0);
  EXPECT_EQ(link.GetPull(), 0.0);
  EXPECT_EQ(tug->forceSum.x, 0.0);
  EXPECT_EQ(Objects(tug), 0u);
  EXPECT_FALSE(link.visualsCreated);

  // Vessel 1 gone: nothing is asked of the vessel that carried the drawing.
  pod = AddVessel("Pod", {1500, 0, 0});
  link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
  link.TimeStep();
  ASSERT_TRUE(world.DeleteVessel(tug));
  pod->forceSum = {};
  link.TimeStep();
  EXPECT_EQ(link.IsConnected(), 0);
  EXPECT_FALSE(link.exhaustActive);
  EXPECT_FALSE(link.visualsCreated);
  EXPECT_EQ(pod->forceSum.x, 0.0);
  EXPECT_EQ(Objects(pod), 0u);

  // A new vessel of the old name is a vessel like any other.
  sim::Vessel *tug2 = AddVessel("Tug", {0, 0, 0});
  link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
  EXPECT_EQ(link.hostVessel, Iface(tug2));
  EXPECT_EQ(Objects(tug2), 3u);
  link.Disconnect();
  EXPECT_EQ(Objects(tug2), 0u);
}

TEST_F(TetherLinkTest, ALinkTiedAgainPullsItsNewTargetAndLeavesTheOldOne) {
  TetherLink link;
  link.Connect("Tug", "Pod", 1000, 10000, origin, origin);
  link.TimeStep();
  ASSERT_GT(link.GetPull(), 0.0);
  link.Connect("Tug", "Buoy", 100, 10000, origin, origin);
  pod->forceSum = {};
  link.TimeStep();
  EXPECT_EQ(pod->forceSum.x, 0.0);
  EXPECT_LT(buoy->forceSum.z, 0.0);
}

TEST_F(TetherLinkTest, OverlongNamesAreCutToTheBuffer) {
  const std::string longName(300, 'x');
  ASSERT_NE(AddVessel(longName.c_str(), {10, 0, 0}), nullptr);
  TetherLink link;
  link.Connect(longName.c_str(), "Tug", 1000, 10000, origin, origin);
  EXPECT_EQ(std::string(link.ship1Name), longName.substr(0, TetherLink::nameSize - 1));
  EXPECT_STREQ(link.ship2Name, "Tug");
  // The cut name belongs to no vessel, so nothing is tied.
  EXPECT_EQ(link.IsConnected(), 0);
}

TEST_F(TetherLinkTest, ReelSpeedLadderStopsOnTheFirstPressAgainstIt) {
  TetherLink link;
  const double up[] = {0.1, 0.2, 0.4, 0.8};
  for (double expected : up) {
    link.IncreaseReelSpeed();
    EXPECT_DOUBLE_EQ(link.reelSpeed, expected);
  }
  link.DecreaseReelSpeed();
  EXPECT_EQ(link.reelSpeed, 0.0);
  const double down[] = {-0.1, -0.2, -0.4};
  for (double expected : down) {
    link.DecreaseReelSpeed();
    EXPECT_DOUBLE_EQ(link.reelSpeed, expected);
  }
  link.IncreaseReelSpeed();
  EXPECT_EQ(link.reelSpeed, 0.0);
}

TEST_F(TetherLinkTest, ReelSpeedLadderEndsWhereTheScenarioBlockCanStillHoldIt) {
  // 0.1 m/s doubled 1030 times would be infinite; the block reads the speed as a float.
  const double floatMax = std::numeric_limits<float>::max();
  TetherLink link;
  for (int press = 0; press < 1100; ++press) link.IncreaseReelSpeed();
  EXPECT_LE(link.reelSpeed, floatMax);
  EXPECT_GT(link.reelSpeed, floatMax / 2);
  link.DecreaseReelSpeed();
  for (int press = 0; press < 1100; ++press) link.DecreaseReelSpeed();
  EXPECT_GE(link.reelSpeed, -floatMax);
  EXPECT_LT(link.reelSpeed, -floatMax / 2);
}

TEST_F(TetherLinkTest, ForceStepsByAFifthWithinItsCaps) {
  TetherLink link;
  link.force = 10000;
  link.IncreaseForce();
  EXPECT_DOUBLE_EQ(link.force, 12000);
  link.force = 10000;
  link.DecreaseForce();
  EXPECT_DOUBLE_EQ(link.force, 8000);
  link.force = 900000;
  link.IncreaseForce();
  EXPECT_EQ(link.force, 1000000);
  link.IncreaseForce();
  EXPECT_EQ(link.force, 1000000);
  link.force = 0;
  link.IncreaseForce();
  EXPECT_EQ(link.force, 0);
  link.force = -5;
  link.DecreaseForce();
  EXPECT_EQ(link.force, 0);
}

}  // namespace

}  // namespace kestrane
