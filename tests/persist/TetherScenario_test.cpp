#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "plugin/TetherData.h"
#include "sim/ScenarioStream.h"
#include "support/TestWorld.h"

namespace {

using Lines = std::vector<std::string>;

const Lines defaultSetupLines = {
    "  SetupTetherLength 1000", "  SetupTetherForce 10000", "  SetupTargetIndex 0", "  CurrentTether 0",
    "  attach_type_v1 0",       "  attach_no_v1 0",         "  attach_type_v2 0",   "  attach_no_v2 0",
};

class TetherScenarioTest : public WorldTest {
protected:
  Lines Write() {
    sim::ScenarioStream out;
    data.WriteScenario(out.Handle());
    return out.Written();
  }

  // Reads `lines` as a display's block; returns how many lines the reader consumed.
  size_t Read(const Lines &lines) {
    sim::ScenarioStream in(lines);
    data.ReadScenario(in.Handle());
    return in.LinesRead();
  }

  static void ExpectUntouchedRecord(const TetherRecord &r) {
    EXPECT_EQ(r.connected, 0);
    EXPECT_STREQ(r.ship1, "empty");
    EXPECT_STREQ(r.ship2, "empty");
    EXPECT_EQ(r.length, 1.0);
    EXPECT_EQ(r.force, 1.0);
    EXPECT_EQ(r.attach1.x, 0.0);
    EXPECT_EQ(r.attach2.z, 0.0);
    EXPECT_EQ(r.spoolMode, 0);
    EXPECT_EQ(r.reelSpeed, 0.0);
  }

  TetherData data;
};

TEST_F(TetherScenarioTest, RegistryWithoutConnectedLinksWritesSixteenLines) {
  data.setupLength = 2500.5;
  data.setupTargetIndex = 4294967294u;  // two steps back from 0, not yet refreshed
  data.currentTether = 6;
  data.attachTypeV1 = 1;
  data.attachNoV1 = 3;
  data.attachTypeV2 = 2;

  const Lines expected = {
      "  SetupTetherLength 2500.5", "  SetupTetherForce 10000", "  SetupTargetIndex -2",    "  CurrentTether 6",
      "  attach_type_v1 1",         "  attach_no_v1 3",         "  attach_type_v2 2",       "  attach_no_v2 0",
      "  TetherData 0 CONNECT 0",   "  TetherData 1 CONNECT 0", "  TetherData 2 CONNECT 0", "  TetherData 3 CONNECT 0",
      "  TetherData 4 CONNECT 0",   "  TetherData 5 CONNECT 0", "  TetherData 6 CONNECT 0", "  TetherData 7 CONNECT 0",
  };
  EXPECT_EQ(Write(), expected);

  // The same block restores every setup value into a registry that had others.
  data.setupLength = 1.0;
  data.setupTargetIndex = 0;
  data.currentTether = 0;
  data.attachTypeV1 = data.attachNoV1 = data.attachTypeV2 = 0;
  Read(expected);
  EXPECT_EQ(data.setupLength, 2500.5);
  EXPECT_EQ(data.setupTargetIndex, 4294967294u);
  EXPECT_EQ(data.currentTether, 6);
  EXPECT_EQ(data.attachTypeV1, 1);
  EXPECT_EQ(data.attachNoV1, 3);
  EXPECT_EQ(data.attachTypeV2, 2);
}

TEST_F(TetherScenarioTest, ConnectedLinkWritesItsDetailLinesRightAfterItsConnectLine) {
  TetherRecord &r = data.records[5];
  r.connected = 1;
  std::strcpy(r.ship1, "Tug");
  std::strcpy(r.ship2, "Payload");
  r.length = 1499.75;
  r.force = 20000;
  r.attach1 = VECTOR3{{0, 0, 8}};
  r.attach2 = VECTOR3{{0, -2, 0.1}};
  r.spoolMode = 1;
  r.reelSpeed = -0.25;

  Lines expected = defaultSetupLines;
  for (const char *line : {
           "  TetherData 0 CONNECT 0",
           "  TetherData 1 CONNECT 0",
           "  TetherData 2 CONNECT 0",
           "  TetherData 3 CONNECT 0",
           "  TetherData 4 CONNECT 0",
           "  TetherData 5 CONNECT 1",
           "  TetherData 5 Ship1 Tug",
           "  TetherData 5 Ship2 Payload",
           "  TetherData 5 Length 1499.75",
           "  TetherData 5 Force 20000",
           "  TetherData 5 Attach1 0 0 8",
           "  TetherData 5 Attach2 0 -2 0.1",
           "  TetherData 5 SpoolMode 1",
           "  TetherData 5 ReelSpeed -0.25",
           "  TetherData 6 CONNECT 0",
           "  TetherData 7 CONNECT 0",
       })
    expected.push_back(line);
  EXPECT_EQ(Write(), expected);
}

TEST_F(TetherScenarioTest, WrittenBlockReTiesTheLinkBetweenItsVessels) {
  AddVessel("Tug", {0, 0, 0});
  AddVessel("Payload", {0, 0, 1200});
  TetherRecord &r = data.records[5];
  r.connected = 1;
  std::strcpy(r.ship1, "Tug");
  std::strcpy(r.ship2, "Payload");
  r.length = 1499.75;
  r.force = 20000;
  r.attach1 = VECTOR3{{0, 0, 8}};
  r.attach2 = VECTOR3{{0, -2, 0.5}};
  r.spoolMode = 1;
  r.reelSpeed = -0.25;
  Lines block = Write();
  block.push_back("END_MFD");

  TetherData restored;
  sim::ScenarioStream in(block);
  restored.ReadScenario(in.Handle());

  const TetherLink &link = *restored.TM[5];
  EXPECT_EQ(link.connected, 1);
  EXPECT_STREQ(link.ship1Name, "Tug");
  EXPECT_STREQ(link.ship2Name, "Payload");
  EXPECT_EQ(link.length, 1499.75);
  EXPECT_EQ(link.force, 20000.0);
  EXPECT_EQ(link.attach1.z, 8.0);
  EXPECT_EQ(link.attach2.y, -2.0);
  EXPECT_EQ(link.attach2.z, 0.5);
  EXPECT_EQ(link.spoolMode, 1);
  EXPECT_EQ(link.reelSpeed, -0.25);
  for (int n = 0; n < TetherData::linkCount; ++n) EXPECT_EQ(restored.TM[n]->connected, n == 5 ? 1 : 0) << "link " << n;
}

TEST_F(TetherScenarioTest, ReadingResetsRecordsAndStoresLinkFieldsAsSpecified) {
  data.records[0].connected = 1;  // from an earlier frame; the read starts afresh
  Read({
      "TetherData 2 CONNECT 2",
      "TetherData 2 SpoolMode 5",
      "TetherData 3 SpoolMode 1",
      "TetherData 3 Attach1 1.5 -2 3",
      "TetherData 3 Ship1 Tug",
      "TetherData 3 Colour Red",
      "END_MFD",
  });

  ExpectUntouchedRecord(data.records[0]);
  EXPECT_EQ(data.records[2].connected, 2);
  EXPECT_EQ(data.records[2].spoolMode, 0);
  EXPECT_EQ(data.records[2].length, 1.0);
  EXPECT_EQ(data.TM[2]->connected, 0);  // only a record marked exactly 1 is re-tied
  EXPECT_STREQ(data.TM[2]->ship1Name, "");

  EXPECT_EQ(data.records[3].spoolMode, 1);
  EXPECT_EQ(data.records[3].attach1.x, 1.5);
  EXPECT_EQ(data.records[3].attach1.y, -2.0);
  EXPECT_EQ(data.records[3].attach1.z, 3.0);
  EXPECT_STREQ(data.records[3].ship1, "Tug");
  EXPECT_STREQ(data.records[3].ship2, "empty");
}

TEST_F(TetherScenarioTest, LoneConnectLineReTiesWithPlaceholderValues) {
  // No vessel is named "empty": the connect is refused, the reel settings are still in force.
  Read({"TetherData 4 CONNECT 1", "TetherData 4 SpoolMode 1", "TetherData 4 ReelSpeed 0.1"});
  const TetherLink &refused = *data.TM[4];
  EXPECT_EQ(refused.connected, 0);
  EXPECT_STREQ(refused.ship1Name, "empty");
  EXPECT_STREQ(refused.ship2Name, "empty");
  EXPECT_EQ(refused.spoolMode, 1);
  EXPECT_EQ(refused.reelSpeed, 0.10000000149011612);

  // With a vessel of that name, the placeholder length, force and attach points reach the link.
  AddVessel("empty", {0, 0, 0});
  AddVessel("Other", {0, 0, 5});
  Read({"TetherData 4 CONNECT 1", "TetherData 4 Ship2 Other"});
  const TetherLink &tied = *data.TM[4];
  EXPECT_EQ(tied.connected, 1);
  EXPECT_STREQ(tied.ship1Name, "empty");
  EXPECT_EQ(tied.length, 1.0);
  EXPECT_EQ(tied.force, 1.0);
  EXPECT_EQ(tied.attach1.x, 0.0);
  EXPECT_EQ(tied.attach2.z, 0.0);
  EXPECT_EQ(tied.spoolMode, 0);
  EXPECT_EQ(tied.reelSpeed, 0.0);
}

TEST_F(TetherScenarioTest, SetupFieldsChangeOnlyThroughTheirOwnExactKeysBeforeEndMfd) {
  data.setupLength = 750;
  data.setupForce = 500;
  data.setupTargetIndex = 2;
  data.attachNoV1 = 1;
  const size_t consumed = Read({
      "TetherData 0 CONNECT 0",
      "setuptetherlength 5",
      "SETUPTETHERFORCE 6",
      "attach_no_v1 3",
      "attach_no_v2 1",
      "END_MFD",
      "SetupTetherLength 9",
      "SetupTargetIndex 9",
  });
  EXPECT_EQ(consumed, 6u);  // nothing after END_MFD is taken from the host
  EXPECT_EQ(data.setupLength, 750.0);
  EXPECT_EQ(data.setupForce, 500.0);
  EXPECT_EQ(data.setupTargetIndex, 2u);
  EXPECT_EQ(data.attachNoV1, 3);
  EXPECT_EQ(data.attachNoV2, 1);
}

TEST_F(TetherScenarioTest, RealValuesAreReadInSinglePrecision) {
  Read({"SetupTetherLength 1000.1", "SetupTetherForce 10000", "TetherData 1 Length 16777217", "END_MFD"});
  EXPECT_EQ(data.setupLength, 1000.0999755859375);
  EXPECT_EQ(data.setupForce, 10000.0);
  EXPECT_EQ(data.records[1].length, 16777216.0);
}

TEST_F(TetherScenarioTest, MalformedLinesLeaveFieldsAsTheyWere) {
  data.setupLength = 750;
  data.currentTether = 3;
  const std::string longName(300, 'x');
  Read({
      "SetupTetherLength",
      "SetupTetherLength many",
      "CurrentTether",
      "TetherData",
      "TetherData x CONNECT 1",
      "TetherData 8 CONNECT 1",
      "TetherData -1 Length 5",
      "TetherData 2147483647 Ship1 Far",
      "TetherData 1 Length",
      "TetherData 1 Attach1 4 5",
      "TetherData 1 Attach2 7 8 9",
      "TetherData 1 Ship1 " + longName,
      "TetherData 1 Ship2",
      "TetherData 1 ReelSpeed nan",
      "TetherData 1 Force 1e40",
      "SetupTetherForce -inf",
      "TetherData 1 " + longName + " 5",
      longName + " " + longName,
  });
  EXPECT_EQ(data.setupLength, 750.0);
  EXPECT_EQ(data.setupForce, 10000.0);
  EXPECT_EQ(data.currentTether, 3);
  EXPECT_EQ(data.records[1].length, 1.0);
  EXPECT_EQ(data.records[1].force, 1.0);  // beyond single precision: no number at all
  EXPECT_EQ(data.records[1].reelSpeed, 0.0);
  EXPECT_EQ(data.records[1].attach1.x, 0.0);  // a vector is taken whole or not at all
  EXPECT_EQ(data.records[1].attach1.y, 0.0);
  EXPECT_EQ(data.records[1].attach2.z, 9.0);
  EXPECT_EQ(std::string(data.records[1].ship1), longName.substr(0, 127));
  EXPECT_STREQ(data.records[1].ship2, "empty");
  for (int n = 0; n < TetherData::linkCount; ++n) EXPECT_EQ(data.TM[n]->connected, 0) << "link " << n;
}

TEST_F(TetherScenarioTest, IndicesOutsideTheirRangeComeBackUsable) {
  Read({"CurrentTether 8", "attach_type_v1 3", "attach_no_v1 -1", "attach_type_v2 -2", "attach_no_v2 40"});
  EXPECT_EQ(data.currentTether, 0);
  EXPECT_EQ(data.attachTypeV1, 0);
  EXPECT_EQ(data.attachNoV1, 0);
  EXPECT_EQ(data.attachTypeV2, 0);
  EXPECT_EQ(data.attachNoV2, 40);  // checked against the vessel's ports when connecting
  Read({"CurrentTether 7", "attach_type_v1 2"});
  EXPECT_EQ(data.currentTether, 7);
  EXPECT_EQ(data.attachTypeV1, 2);
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
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
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
      ASSERT_LT(std::strlen(r.ship2), sizeof r.ship2);
      ASSERT_LE(r.spoolMode, 1);
    }
    data.TimeStep();
  }
}

}  // namespace
