#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "plugin/registry/TetherData.h"
#include "sim/scenario/ScenarioStream.h"
#include "support/TestWorld.h"

namespace kestrane {

namespace {

using Lines = std::vector<std::string>;

class TetherScenarioTest : public WorldTest {
protected:
  Lines Write() {
    sim::ScenarioStream out;
    data.WriteScenario(out.Handle());
    return out.Written();
  }

  // Reads `lines` as a display's block; returns how many lines the reader took from the host.
  size_t Read(const Lines &lines) {
    sim::ScenarioStream in(lines);
    data.ReadScenario(in.Handle());
    return in.LinesRead();
  }

  // Link 5 from Tug to Payload, as the registry's step would have recorded it.
  void RecordLinkFive() {
    TetherRecord &r = data.records[5];
    r.connected = 1;
    std::strcpy(r.ship1, "Tug");
    std::strcpy(r.ship2, "Payload");
    r.length = 1499.75;
    r.force = 20000;
    r.attach1 = VECTOR3{{0, 0, 8}};
    r.attach2 = VECTOR3{{0, -2, 0.5}};
    r.spoolMode = SpoolMode::FreeSpooling;
    r.reelSpeed = -0.25;
  }

  TetherData data;
};

TEST_F(TetherScenarioTest, BlockIsWrittenLineForLine) {
  data.setupLength = 2500.5;
  data.setupTargetIndex = 4294967294u;  // two steps back from 0, not yet refreshed
  data.currentTether = 6;
  data.attachTypeV1 = 1;
  data.attachNoV1 = 3;
  Lines expected = {
      "  SetupTetherLength 2500.5", "  SetupTetherForce 10000", "  SetupTargetIndex -2",    "  CurrentTether 6",
      "  attach_type_v1 1",         "  attach_no_v1 3",         "  attach_type_v2 0",       "  attach_no_v2 0",
      "  TetherData 0 CONNECT 0",   "  TetherData 1 CONNECT 0", "  TetherData 2 CONNECT 0", "  TetherData 3 CONNECT 0",
      "  TetherData 4 CONNECT 0",   "  TetherData 5 CONNECT 0", "  TetherData 6 CONNECT 0", "  TetherData 7 CONNECT 0",
  };
  EXPECT_EQ(Write(), expected);

  RecordLinkFive();
  expected[13] = "  TetherData 5 CONNECT 1";
  const Lines details = {
      "  TetherData 5 Ship1 Tug",   "  TetherData 5 Ship2 Payload",   "  TetherData 5 Length 1499.75",
      "  TetherData 5 Force 20000", "  TetherData 5 Attach1 0 0 8",   "  TetherData 5 Attach2 0 -2 0.5",
      "  TetherData 5 SpoolMode 1", "  TetherData 5 ReelSpeed -0.25",
  };
  expected.insert(expected.begin() + 14, details.begin(), details.end());
  EXPECT_EQ(Write(), expected);
}

TEST_F(TetherScenarioTest, WrittenBlockRestoresSetupAndReTiesTheLink) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Payload", {0, 0, 1200});
  RecordLinkFive();
  data.setupLength = 2500.5;
  data.setupTargetIndex = 4294967294u;
  data.currentTether = 6;
  data.attachNoV1 = 3;
  data.attachNoV2 = 1;
  Lines block = Write();
  block.push_back("END_MFD");

  TetherData restored;
  sim::ScenarioStream in(block);
  restored.ReadScenario(in.Handle());

  EXPECT_EQ(restored.setupLength, 2500.5);
  EXPECT_EQ(restored.setupTargetIndex, 4294967294u);
  EXPECT_EQ(restored.currentTether, 6);
  EXPECT_EQ(restored.attachNoV1, 3);
  EXPECT_EQ(restored.attachNoV2, 1);
  const TetherLink &link = *restored.TM[5];
  EXPECT_EQ(link.connected, 1);
  EXPECT_STREQ(link.ship1Name, "Tug");
  EXPECT_STREQ(link.ship2Name, "Payload");
  EXPECT_EQ(link.length, 1499.75);
  EXPECT_EQ(link.force, 20000.0);
  EXPECT_EQ(link.attach1.z, 8.0);
  EXPECT_EQ(link.attach2.y, -2.0);
  EXPECT_EQ(link.spoolMode, SpoolMode::FreeSpooling);
  EXPECT_EQ(link.reelSpeed, -0.25);
  for (int n = 0; n < TetherData::linkCount; ++n) EXPECT_EQ(restored.TM[n]->connected, n == 5 ? 1 : 0) << n;
}

TEST_F(TetherScenarioTest, OnlyRecordsMarkedExactlyOneAreReTied) {
  data.records[0].connected = 1;  // from an earlier frame: the read starts afresh
  // No vessel is named "empty": link 4's connect is refused, its reel settings still apply.
  Read({"TetherData 2 CONNECT 2", "TetherData 2 SpoolMode 5", "TetherData 3 SpoolMode 1", "TetherData 4 CONNECT 1",
        "TetherData 4 SpoolMode 1", "TetherData 4 ReelSpeed 0.1", "TetherData 3 Colour Red"});
  EXPECT_EQ(data.records[0].connected, 0);
  EXPECT_STREQ(data.records[0].ship1, "empty");
  EXPECT_EQ(data.records[2].connected, 2);
  EXPECT_EQ(data.records[2].spoolMode, SpoolMode::Powered);
  EXPECT_EQ(data.records[3].spoolMode, SpoolMode::FreeSpooling);
  EXPECT_EQ(data.TM[2]->connected, 0);
  EXPECT_STREQ(data.TM[2]->ship1Name, "");  // never handed to the link

  const TetherLink &refused = *data.TM[4];
  EXPECT_EQ(refused.connected, 0);
  EXPECT_STREQ(refused.ship1Name, "empty");
  EXPECT_STREQ(refused.ship2Name, "empty");
  EXPECT_EQ(refused.spoolMode, SpoolMode::FreeSpooling);
  EXPECT_EQ(refused.reelSpeed, 0.10000000149011612);

  // With a vessel of that name the placeholder length, force and attach points reach the link.
  AddVessel("empty", {0, 0, 0});
  AddVessel("Other", {0, 0, 5});
  Read({"TetherData 4 CONNECT 1", "TetherData 4 Ship2 Other"});
  const TetherLink &tied = *data.TM[4];
  EXPECT_EQ(tied.connected, 1);
  EXPECT_EQ(tied.length, 1.0);
  EXPECT_EQ(tied.force, 1.0);
  EXPECT_EQ(tied.attach1.x, 0.0);
  EXPECT_EQ(tied.attach2.z, 0.0);
  EXPECT_EQ(tied.spoolMode, SpoolMode::Powered);
}

TEST_F(TetherScenarioTest, SetupLinesAreReadByExactKeyInSinglePrecisionUntilEndMfd) {
  data.setupForce = 500;
  data.setupTargetIndex = 2;
  const size_t taken = Read({
      "SetupTetherLength 1000.1",
      "setuptetherforce 6",
      "TetherData 1 Length 16777217",
      "END_MFD",
      "SetupTargetIndex 9",
  });
  EXPECT_EQ(taken, 4u);  // nothing after END_MFD is taken from the host
  EXPECT_EQ(data.setupLength, 1000.0999755859375);
  EXPECT_EQ(data.records[1].length, 16777216.0);
  EXPECT_EQ(data.setupForce, 500.0);
  EXPECT_EQ(data.setupTargetIndex, 2u);
}

TEST_F(TetherScenarioTest, MalformedLinesLeaveFieldsAsTheyWere) {
  data.setupLength = 750;
  const std::string longName(300, 'x');
  Read({
      "SetupTetherLength",
      "SetupTetherLength many",
      "SetupTetherForce -inf",
      "TetherData",
      "TetherData x CONNECT 1",
      "TetherData 8 CONNECT 1",
      "TetherData -1 Length 5",
      "TetherData 1 Length",
      "TetherData 1 Force 1e40",
      "TetherData 1 ReelSpeed nan",
      "TetherData 1 Attach1 4 5",
      "TetherData 1 Attach2 7 8 9",
      "TetherData 1 Ship1 " + longName,
      "TetherData 1 Ship2",
      "TetherData 1 " + longName + " 5",
      "CurrentTether 8",
      "attach_type_v1 3",
      "attach_no_v1 -1",
      "attach_no_v2 40",
  });
  EXPECT_EQ(data.setupLength, 750.0);
  EXPECT_EQ(data.setupForce, 10000.0);
  EXPECT_EQ(data.records[1].length, 1.0);
  EXPECT_EQ(data.records[1].force, 1.0);  // beyond single precision: not a number at all
  EXPECT_EQ(data.records[1].reelSpeed, 0.0);
  EXPECT_EQ(data.records[1].attach1.x, 0.0);  // a vector is taken whole or not at all
  EXPECT_EQ(data.records[1].attach2.z, 9.0);
  EXPECT_EQ(std::string(data.records[1].ship1), longName.substr(0, 127));
  EXPECT_STREQ(data.records[1].ship2, "empty");
  // Indices come back usable; a port number's upper bound is the vessel's, checked at connect.
  EXPECT_EQ(data.currentTether, 0);
  EXPECT_EQ(data.attachTypeV1, 0);
  EXPECT_EQ(data.attachNoV1, 0);
  EXPECT_EQ(data.attachNoV2, 40);
}

TEST_F(TetherScenarioTest, NegativeStiffnessReadsAsZeroSoTheTetherNeverPushes) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Payload", {0, 0, 1200});
  Read({"SetupTetherForce -2000", "TetherData 3 CONNECT 1", "TetherData 3 Ship1 Tug", "TetherData 3 Ship2 Payload",
        "TetherData 3 Length 1000", "TetherData 3 Force -1e38"});
  EXPECT_EQ(data.setupForce, 0.0);
  EXPECT_EQ(data.records[3].force, 0.0);
  ASSERT_EQ(data.TM[3]->IsConnected(), 1);
  // 20 % over-stretched: a stiffness below 0 would turn the pull into a push.
  data.TimeStep();
  EXPECT_EQ(data.TM[3]->GetPull(), 0.0);
}

TEST_F(TetherScenarioTest, RandomLinesNeverBreakTheRegistry) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Payload", {0, 0, 100});
  const std::vector<std::string> words = {"TetherData",
                                          "CONNECT",
                                          "Ship1",
                                          "Ship2",
                                          "Length",
                                          "Force",
                                          "Attach1",
                                          "Attach2",
                                          "SpoolMode",
                                          "ReelSpeed",
                                          "SetupTetherLength",
                                          "CurrentTether",
                                          "attach_type_v1",
                                          "attach_no_v2",
                                          "END_MFD",
                                          "Tug",
                                          "Payload",
                                          "1",
                                          "0",
                                          "-1",
                                          "7",
                                          "8",
                                          "1e40",
                                          "nan",
                                          "-inf",
                                          "0.1",
                                          "99999999999",
                                          "%s",
                                          "%n",
                                          ";"};
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    Lines block;
    for (int i = static_cast<int>(random() % 40); i > 0; --i) {
      std::string line;
      if (random() % 8 == 0) {
        for (int b = static_cast<int>(random() % 200); b > 0; --b) line += static_cast<char>(1 + random() % 255);
      } else {
        for (int w = static_cast<int>(random() % 7); w > 0; --w) line += words[random() % words.size()] + " ";
      }
      block.push_back(line);
    }
    Read(block);
    ASSERT_GE(data.currentTether, 0);
    ASSERT_LT(data.currentTether, TetherData::linkCount);
    ASSERT_GE(data.attachTypeV1, 0);
    ASSERT_LE(data.attachTypeV1, 2);
    ASSERT_GE(data.attachNoV2, 0);
    for (const TetherRecord &r : data.records) {
      ASSERT_LT(std::strlen(r.ship1), sizeof r.ship1);
      ASSERT_LE(static_cast<int>(r.spoolMode), 1);
    }
    data.TimeStep();
  }
}

}  // namespace

}  // namespace kestrane
