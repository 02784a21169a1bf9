#include "plugin/registry/TetherData.h"

#include <gtest/gtest.h>

#include <string>

#include "plugin/math/VecMath.h"
#include "support/TestWorld.h"

namespace kestrane {

namespace {

class TetherDataTest : public WorldTest {
protected:
  // Vessels "V0", "V1", … up to `count` in all, 100 m apart along x.
  void Populate(size_t count) {
    for (size_t i = world.VesselCount(); i < count; ++i)
      AddVessel(("V" + std::to_string(i)).c_str(), {100.0 * static_cast<double>(i), 0, 0});
  }

  uint32_t Refreshed(uint32_t index) {
    registry.setupTargetIndex = index;
    registry.RefreshSetup();
    return registry.setupTargetIndex;
  }

  static size_t Objects(const sim::Vessel *v) {
    return v->Propellants().size() + v->Thrusters().size() + v->Exhausts().size();
  }

  const VECTOR3 origin = MakeVector(0, 0, 0);
  TetherData registry;
};

TEST_F(TetherDataTest, NewRegistryHasItsDefaultsAndEightDisconnectedLinks) {
  EXPECT_EQ(registry.setupLength, 1000.0);
  EXPECT_EQ(registry.setupForce, 10000.0);
  EXPECT_EQ(registry.setupTargetIndex, 0u);
  EXPECT_EQ(registry.currentTether, 0);
  EXPECT_EQ(registry.attachTypeV1, 0);
  EXPECT_EQ(registry.attachNoV1, 0);
  EXPECT_EQ(registry.attachTypeV2, 0);
  EXPECT_EQ(registry.attachNoV2, 0);
  for (int i = 0; i < TetherData::linkCount; ++i) {
    ASSERT_NE(registry.TM[i], nullptr);
    EXPECT_EQ(registry.TM[i]->IsConnected(), 0);
    EXPECT_EQ(registry.records[i].connected, 0);
    EXPECT_STREQ(registry.records[i].ship1, "");
  }
  EXPECT_STREQ(registry.thisShipName, "");
  EXPECT_STREQ(registry.targetShipName, "");
}

TEST_F(TetherDataTest, TargetIndexWrapsThroughTheVesselList) {
  Populate(5);
  world.SetFocus(world.VesselAt(1));

  registry.PrevTarget();
  EXPECT_EQ(registry.setupTargetIndex, 4294967295u);
  registry.RefreshSetup();
  EXPECT_EQ(registry.setupTargetIndex, 4u);
  EXPECT_STREQ(registry.targetShipName, "V4");
  EXPECT_STREQ(registry.thisShipName, "V1");

  registry.NextTarget();
  EXPECT_EQ(registry.setupTargetIndex, 5u);
  registry.RefreshSetup();
  EXPECT_EQ(registry.setupTargetIndex, 0u);
  EXPECT_STREQ(registry.targetShipName, "V0");

  registry.PrevTarget();
  registry.PrevTarget();
  registry.RefreshSetup();
  EXPECT_EQ(registry.setupTargetIndex, 4u);

  // The threshold for a step below 0 is the fixed number 2500, not the vessel count.
  Populate(10);
  EXPECT_EQ(Refreshed(2500), 0u);
  EXPECT_EQ(Refreshed(2501), 9u);
  Populate(3000);
  EXPECT_EQ(Refreshed(2500), 2500u);
  EXPECT_EQ(Refreshed(2501), 2999u);
  EXPECT_STREQ(registry.targetShipName, "V2999");
}

TEST_F(TetherDataTest, RefreshWithoutVesselsLeavesEmptyNames) {
  registry.setupTargetIndex = 4294967295u;
  registry.RefreshSetup();
  EXPECT_EQ(registry.setupTargetIndex, 0u);
  EXPECT_STREQ(registry.thisShipName, "");
  EXPECT_STREQ(registry.targetShipName, "");
}

TEST_F(TetherDataTest, OverlongVesselNamesAreCutInTheSetupNames) {
  const std::string longName(400, 'q');
  AddVessel(longName.c_str(), {0, 0, 0});
  registry.RefreshSetup();
  EXPECT_EQ(std::string(registry.thisShipName), longName.substr(0, TetherData::setupNameSize - 1));
  EXPECT_EQ(std::string(registry.targetShipName), longName.substr(0, TetherData::setupNameSize - 1));
}

TEST_F(TetherDataTest, RecordsCarryTheStateOfTheFrameJustStepped) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Pod", {500, 0, 0});
  world.step = 0.1;
  TetherLink &link = *registry.TM[2];
  link.Connect("Tug", "Pod", 10.05, 2500, MakeVector(1, 2, 3), MakeVector(4, 5, 6));
  link.reelSpeed = -1;
  link.spoolMode = SpoolMode::Powered;
  registry.TimeStep();

  const TetherRecord &record = registry.records[2];
  EXPECT_EQ(record.connected, 1);
  EXPECT_STREQ(record.ship1, "Tug");
  EXPECT_STREQ(record.ship2, "Pod");
  // This frame's reeling hit the 10 m floor and stopped the reel.
  EXPECT_EQ(record.length, 10.0);
  EXPECT_EQ(record.reelSpeed, 0.0);
  EXPECT_EQ(record.force, 2500);
  EXPECT_EQ(record.attach1.y, 2);
  EXPECT_EQ(record.attach2.z, 6);
  EXPECT_EQ(record.spoolMode, SpoolMode::Powered);
  EXPECT_EQ(registry.records[3].connected, 0);

  // Disconnecting shows in the record only after the next step.
  registry.DisconnectAll();
  EXPECT_EQ(link.IsConnected(), 0);
  EXPECT_EQ(registry.records[2].connected, 1);
  registry.TimeStep();
  EXPECT_EQ(registry.records[2].connected, 0);
  EXPECT_STREQ(registry.records[2].ship1, "Tug");
}

TEST_F(TetherDataTest, AMissingLinkIsReportedAndTheOthersStillStep) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Pod", {500, 0, 0});
  registry.TM[4]->Connect("Tug", "Pod", 1000, 10000, origin, origin);
  delete registry.TM[3];
  registry.TM[3] = nullptr;

  testing::internal::CaptureStderr();
  registry.TimeStep();
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("TM[initLoop] != NULL"), std::string::npos) << report;
  EXPECT_NE(report.find("TetherData"), std::string::npos) << report;
  EXPECT_NE(report.find("55"), std::string::npos) << report;
  EXPECT_EQ(registry.records[4].connected, 1);

  // Ending the run and the registry pass over the empty slot too.
  registry.DisconnectAll();
  EXPECT_EQ(registry.TM[4]->IsConnected(), 0);
}

TEST_F(TetherDataTest, DisconnectAllEndsConnectionsAndKeepsEverythingElse) {
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0});
  sim::Vessel *pod = AddVessel("Pod", {500, 0, 0});
  registry.TM[0]->Connect("Tug", "Pod", 1000, 10000, origin, origin);
  registry.TM[5]->Connect("Pod", "Tug", 800, 300, origin, origin);
  registry.TM[5]->reelSpeed = 0.4;
  registry.TimeStep();
  registry.setupLength = 250;
  registry.currentTether = 5;

  registry.DisconnectAll();
  for (TetherLink *link : registry.TM) EXPECT_EQ(link->IsConnected(), 0);
  EXPECT_EQ(Objects(tug), 0u);
  EXPECT_EQ(Objects(pod), 0u);
  EXPECT_EQ(registry.TM[5]->reelSpeed, 0.4);
  EXPECT_EQ(registry.TM[5]->GetForce(), 300);
  EXPECT_STREQ(registry.TM[5]->ship1Name, "Pod");
  EXPECT_EQ(registry.setupLength, 250);
  EXPECT_EQ(registry.currentTether, 5);
}

TEST_F(TetherDataTest, DestroyingTheRegistryReleasesWhatItsLinksHold) {
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0});
  sim::Vessel *pod = AddVessel("Pod", {500, 0, 0});
  {
    TetherData doomed;
    doomed.TM[1]->Connect("Tug", "Pod", 1000, 10000, origin, origin);
    doomed.TM[6]->Connect("Pod", "Tug", 1000, 10000, origin, origin);
    doomed.TimeStep();
    EXPECT_GT(Objects(tug), 0u);
    EXPECT_GT(Objects(pod), 0u);
  }
  EXPECT_EQ(Objects(tug), 0u);
  EXPECT_EQ(Objects(pod), 0u);
}

TEST_F(TetherDataTest, CurrentLinkBringsTheIndexIntoRange) {
  registry.currentTether = 5;
  EXPECT_EQ(registry.CurrentLink(), registry.TM[5]);
  registry.currentTether = 8;
  EXPECT_EQ(registry.CurrentLink(), registry.TM[0]);
  EXPECT_EQ(registry.currentTether, 0);
  registry.currentTether = -1;
  EXPECT_EQ(registry.CurrentLink(), registry.TM[0]);
  EXPECT_EQ(registry.currentTether, 0);
}

}  // namespace

}  // namespace kestrane
