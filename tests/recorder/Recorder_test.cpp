// The real host's recorder module, its host-free part: its settings, when it samples, how it writes
// its rows and how it reads Kestrane's block, each against what kestrane-sim does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "realhost/recorder/CsvRows.h"
#include "realhost/recorder/RecorderSettings.h"
#include "realhost/recorder/SampleClock.h"
#include "realhost/recorder/TetherBlock.h"
#include "sim/run/Recorder.h"
#include "sim/run/TetherBlock.h"
#include "sim/scenario/NumberFormat.h"

namespace {

using recorder::RecorderSettings;
using recorder::SampleClock;

TEST(RecorderSettingsTest, ReadsItsLinesAndSaysWhatIsWrongWithOthers) {
  RecorderSettings settings;
  EXPECT_EQ(settings.every, 1);
  EXPECT_EQ(settings.block, "Kestrane");
  for (const char *line : {"Vessels out\\vessels.csv ; the vessels", "Tethers  my tethers.csv", "Every 0.5",
                           "Block Kestrane2", "Frames frames.txt", "", "; a comment alone"})
    EXPECT_EQ(settings.ReadLine(line), "") << line;
  EXPECT_EQ(settings.vessels, "out\\vessels.csv");
  EXPECT_EQ(settings.tethers, "my tethers.csv");
  EXPECT_EQ(settings.every, 0.5);
  EXPECT_EQ(settings.block, "Kestrane2");
  EXPECT_EQ(settings.frames, "frames.txt");

  EXPECT_EQ(settings.ReadLine("Every 0"), "Every '0' is not a positive number of seconds");
  EXPECT_EQ(settings.ReadLine("Every -1"), "Every '-1' is not a positive number of seconds");
  EXPECT_EQ(settings.ReadLine("Every 1s"), "Every '1s' is not a positive number of seconds");
  EXPECT_EQ(settings.ReadLine("Every inf"), "Every 'inf' is not a positive number of seconds");
  EXPECT_EQ(settings.ReadLine("Every 1e999"), "Every '1e999' is not a positive number of seconds");
  EXPECT_EQ(settings.ReadLine("Vessels"), "'Vessels' needs a value");
  EXPECT_EQ(settings.ReadLine("Block Two words"), "Block 'Two words' is not one word");
  EXPECT_EQ(settings.ReadLine("vessels a.csv"), "unknown line 'vessels a.csv'");
  EXPECT_EQ(settings.ReadLine("Shot 2.5 shot-2.5.png"), "");
  EXPECT_EQ(settings.ReadLine("Shot 1 first.png"), "");
  ASSERT_EQ(settings.shots.size(), 2u);
  EXPECT_EQ(settings.shots[0].time, 2.5);
  EXPECT_EQ(settings.shots[1].path, "first.png");
  EXPECT_EQ(settings.ReadLine("Shot -1 a.png"), "Shot '-1' is not a time in seconds");
  EXPECT_EQ(settings.ReadLine("Shot 1 a.bmp"), "Shot 1 needs one file name ending in .png");
  EXPECT_EQ(settings.ReadLine("Shot 1 a b.png"), "Shot 1 needs one file name ending in .png");
  EXPECT_EQ(settings.ReadLine("Delete 10:Pod, 20.5 : Tug Two"), "");
  ASSERT_EQ(settings.deletions.size(), 2u);
  EXPECT_EQ(settings.deletions[1].time, 20.5);
  EXPECT_EQ(settings.deletions[1].name, "Tug Two");
  EXPECT_EQ(settings.ReadLine("Delete 10:Pod,x:Tug"), "Delete: entry 'x:Tug' is not TIME:NAME");
  EXPECT_EQ(settings.ReadLine("Delete 10:"), "Delete: entry '10:' names no vessel");
  // A refused line leaves the setting as it was.
  EXPECT_EQ(settings.every, 0.5);
  EXPECT_EQ(settings.vessels, "out\\vessels.csv");
}

// The host's clock, a running sum of its steps, sampled as kestrane-sim samples its clock, which
// counts whole steps: the same frames are samples, written with kestrane-sim's times.
std::vector<double> SampleTimes(double step, double every, int frames) {
  SampleClock clock(every);
  std::vector<double> times;
  double hostClock = 0;
  for (int frame = 0; frame <= frames; ++frame) {
    if (clock.Due(hostClock)) times.push_back(SampleClock::OnSteps(hostClock, step));
    hostClock += step;
  }
  return times;
}

TEST(SampleClockTest, SamplesTheFramesKestraneSimSamplesAtItsTimes) {
  // Every second at 0.02 s steps: 50 steps of the host's clock fall short of 1 s.
  double sum = 0;
  for (int i = 0; i < 50; ++i) sum += 0.02;
  ASSERT_NE(sum, 1.0);
  const std::vector<double> seconds = SampleTimes(0.02, 1, 30000);
  ASSERT_EQ(seconds.size(), 601u);
  for (size_t k = 0; k < seconds.size(); ++k) EXPECT_EQ(seconds[k], 50.0 * static_cast<double>(k) * 0.02) << k;

  // An interval that is no whole number of steps: the first frame at or after each multiple.
  const std::vector<double> odd = SampleTimes(0.02, 0.03, 6);
  const std::vector<double> expected = {0, 2 * 0.02, 3 * 0.02, 5 * 0.02, 6 * 0.02};
  EXPECT_EQ(odd, expected);

  // The end gets a sample of its own unless the last frame was one.
  SampleClock clock(1);
  EXPECT_TRUE(clock.Due(0));
  EXPECT_FALSE(clock.Due(0.5));
  EXPECT_TRUE(clock.DueAtEnd(0.5));
  EXPECT_TRUE(clock.Due(1));
  EXPECT_FALSE(clock.DueAtEnd(1));
}

TEST(SampleClockTest, AClockOnTheStepsIsWrittenToTheStepsDecimalsAndOneOffThemAsItStands) {
  EXPECT_EQ(SampleClock::OnSteps(0.0301, 0.02), 0.0301);
  EXPECT_EQ(SampleClock::OnSteps(7.25, 0), 7.25);
  EXPECT_EQ(SampleClock::OnSteps(0.1 + 0.2, 0.1), 0.3);
  EXPECT_EQ(recorder::FormatReal(SampleClock::OnSteps(35 * 0.02, 0.02)), "0.7");
  EXPECT_EQ(recorder::FormatReal(SampleClock::OnSteps(3 * 1e-5, 1e-5)), "3e-05");
}

// Numbers must read as kestrane-sim writes them, so that the two hosts' files compare as text
// where their values agree.
TEST(CsvRowsTest, RealsAreWrittenAsKestraneSimWritesThem) {
  std::mt19937_64 random(23);
  std::vector<double> values = {0, -0.0, 1000, 0.1, 1.0 / 3, 6771000.123456789, 5e-324, 1e300, -2.5e-7, 7672.5986};
  for (int i = 0; i < 20000; ++i) {
    uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
    values.push_back(std::ldexp(static_cast<double>(random() >> 11), -30) - 4000);
  }
  for (double value : values) ASSERT_EQ(recorder::FormatReal(value), sim::FormatReal(value)) << value;
}

TEST(CsvRowsTest, RowsHaveKestraneSimsColumns) {
  const double pos[3] = {6771000, 0, 1500.25}, vel[3] = {-1.6997, 0.25, 7672.5984};
  EXPECT_EQ(recorder::VesselRow(1.5, "Pod", pos, vel), "1.5,Pod,6771000,0,1500.25,-1.6997,0.25,7672.5984");
  EXPECT_EQ(recorder::VesselRow(0, "Pod, the second", pos, vel),
            "0,\"Pod, the second\",6771000,0,1500.25,-1.6997,0.25,7672.5984");

  recorder::TetherRow row;
  row.link = 3;
  row.connected = 1;
  row.ship1 = "Tug";
  row.ship2 = "Pod";
  row.length = 1490.2;
  row.distance = 1491;
  row.stretch = 100.5;
  row.pull = std::nan("");
  row.force = 2000;
  row.reelSpeed = -0.1;
  row.spoolMode = 1;
  EXPECT_EQ(recorder::TetherRowText(12, row), "12,3,1,Tug,Pod,1490.2,1491,100.5,nan,2000,-0.1,1");
  EXPECT_EQ(recorder::TetherRowText(12, recorder::TetherRow{}), "12,0,0,,,0,0,0,0,0,0,0");
  EXPECT_EQ(std::string(recorder::vesselHeader), sim::Recorder::vesselHeader);
  EXPECT_EQ(std::string(recorder::tetherHeader), sim::Recorder::tetherHeader);
}

// A scenario as the host saves it: its own blocks, the module's block after the ships, two blanks
// before each item and numbers in its fixed notation.
const char *const savedScenario =
    "BEGIN_ENVIRONMENT\r\n  System Sol\r\n  Date MJD 60000.5006944444\r\nEND_ENVIRONMENT\r\n"
    "BEGIN_SHIPS\r\nTug:ShuttlePB\r\n  STATUS Orbiting Earth\r\nEND\r\nEND_SHIPS\r\n\r\n"
    "BEGIN_KestraneSpare\r\n  TetherData 0 CONNECT 1\r\nEND\r\n"
    "BEGIN_Kestrane\r\n  SetupTetherLength 1500.0\r\n  TetherData 0 CONNECT 1\r\n  TetherData 0 Ship1 Tug\r\n"
    "  TetherData 0 Ship2 Pod\r\n  TetherData 0 Length 1439.984\r\n  TetherData 0 Force 2000.0\r\n"
    "  TetherData 0 Attach1 0.0 1.3 -1.0\r\n  TetherData 0 Attach2 0.0 0.0 0.0\r\n"
    "  TetherData 0 SpoolMode 0\r\n  TetherData 0 ReelSpeed -0.2\r\n  TetherData 1 CONNECT 0\r\n"
    "  TetherData 9 CONNECT 1\r\n  TetherData 2 Length many\r\n  TetherData 3 CONNECT 1\r\n"
    "  TetherData 3 Attach1 1 2\r\nEND\r\n  TetherData 4 CONNECT 1\r\n";

TEST(TetherBlockTest, ReadsTheModulesBlockAsKestraneSimReadsItsLines) {
  const auto links = recorder::ReadTetherBlock(savedScenario, "Kestrane");
  ASSERT_TRUE(links.has_value());
  ASSERT_EQ(links->size(), 8u);

  sim::TetherBlock reference;
  reference.Clear();
  const std::string text = savedScenario;
  const size_t begin = text.find("BEGIN_Kestrane\r\n") + 16, end = text.find("END\r\n", begin);
  for (size_t at = begin; at < end;) {
    const size_t next = text.find("\r\n", at);
    reference.ReadLine(text.substr(at, next - at));
    at = next + 2;
  }
  for (size_t i = 0; i < 8; ++i) {
    const recorder::LinkRecord &l = (*links)[i];
    const tetherblock::LinkRecord &r = reference.records[i];
    EXPECT_EQ(l.connected, r.connected) << i;
    EXPECT_EQ(l.ship1, r.ship1) << i;
    EXPECT_EQ(l.ship2, r.ship2) << i;
    EXPECT_EQ(l.length, r.length) << i;
    EXPECT_EQ(l.force, r.force) << i;
    EXPECT_EQ(l.spoolMode, r.spoolMode) << i;
    EXPECT_EQ(l.reelSpeed, r.reelSpeed) << i;
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(l.attach1[k], r.attach1[k]) << i;
      EXPECT_EQ(l.attach2[k], r.attach2[k]) << i;
    }
  }
  // Lines after END belong to no block; the block of a module whose name merely begins alike is
  // another module's.
  EXPECT_EQ((*links)[0].length, 1439.984);
  EXPECT_EQ((*links)[3].connected, 1);
  EXPECT_EQ((*links)[4].connected, 0);
  EXPECT_EQ((*links)[0].attach1[1], 1.3);

  EXPECT_FALSE(recorder::ReadTetherBlock(savedScenario, "Recorder").has_value());
  EXPECT_FALSE(recorder::ReadTetherBlock("", "Kestrane").has_value());
  const auto unfinished = recorder::ReadTetherBlock("BEGIN_Kestrane\n  TetherData 5 CONNECT 1", "Kestrane");
  ASSERT_TRUE(unfinished.has_value());
  EXPECT_EQ((*unfinished)[5].connected, 1);
}

}  // namespace
