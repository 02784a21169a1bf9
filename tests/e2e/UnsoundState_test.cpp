// A run whose scenario leads a vessel into a state no frame can carry on stops there: at the centre
// of the central body (or out of range, which stops a run alike), or with a state that is no longer
// finite. Its outputs never hold a number that is not finite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "Support.h"

namespace {

using namespace e2e;

void Write(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

// The demo's tug scenario with the pod's velocity (and position) replaced.
std::string TugWithPod(const std::string &rpos, const std::string &rvel) {
  std::string text = FileText(std::string(KESTRANE_SCENARIOS) + "/tug.scn");
  const std::string oldPos = "RPOS 6771000 0 1500", oldVel = "RVEL -1.6997 0.25 7672.5984";
  text.replace(text.find(oldPos), oldPos.size(), "RPOS " + rpos);
  text.replace(text.find(oldVel), oldVel.size(), "RVEL " + rvel);
  return text;
}

// Standard error as Linux writes it: Windows ends its lines with "\r\n".
std::string Err(const Result &r) {
  std::string err = r.err;
  err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());
  return err;
}

bool AllFinite(const std::string &csv) {
  return csv.find("nan") == std::string::npos && csv.find("inf") == std::string::npos;
}

}  // namespace

// Dropped from rest 100 km from the Earth's centre, the pod reaches the centre in the free-fall
// time, 1.76 s. The run stops at the frame that brings it there, its outputs are for that time (a
// last sample shows the pod within the centre's reach), and the file it saved is refused when
// loaded, as that state cannot be run on.
TEST(UnsoundStateTest, AVesselFallingIntoTheCentreStopsTheRunWhereItGetsThere) {
  Write("fall.scn", TugWithPod("100000 0 0", "0 0 0"));
  Result r =
      Sim("run fall.scn --duration 20 --every 0.5 --quiet --vessels fall-v.csv --tethers fall-t.csv "
          "--screen fall.txt --save fall-saved.scn",
          "fall");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Err(r),
            "kestrane-sim: fall.scn: vessel \"Pod\" fell into the centre of Earth at t = 1.76 s: within 5422 m "
            "of it no step of 0.02 s can follow it; the run stopped, outputs written for that time\n");
  const std::string vessels = FileText("fall-v.csv");
  EXPECT_TRUE(AllFinite(vessels) && AllFinite(FileText("fall-t.csv")));
  const auto rows = ReadCsv("fall-v.csv");
  ASSERT_EQ(rows.size(), 2u * 5);  // 0, 0.5, 1, 1.5 and the stop
  EXPECT_EQ(rows.back().at("time"), "1.76");
  EXPECT_EQ(rows.back().at("name"), "Pod");
  EXPECT_LT(std::fabs(Num(rows.back(), "x")), 5422.0);
  EXPECT_FALSE(FileText("fall.txt").empty());

  r = Sim("run fall-saved.scn --duration 1 --quiet", "fall-again");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("fall-saved.scn:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(": ship \"Pod\" lies at the centre of Earth, within 5422 m of it"), std::string::npos) << r.err;
}

// A tether of the largest force the plug-in reads pulling a pod of almost no mass: the first frame
// leaves the pod's speed infinite. The run stops, the CSV files end on their last sample before it,
// and no scenario is written (an older file stays as it was).
TEST(UnsoundStateTest, AStateThatIsNoLongerFiniteStopsTheRunAndIsNotWritten) {
  std::string text = TugWithPod("6771000 0 1500", "0 0 7672.5984");
  text.replace(text.find("Pod:ShuttlePB"), 13, "Pod:Probe\n  MASS 1e-300\n  PMI 1 1 1");
  const std::string loose = "  TetherData 0 CONNECT 0\n";
  text.replace(text.find(loose), loose.size(),
               "  TetherData 0 CONNECT 1\n  TetherData 0 Ship1 Tug\n  TetherData 0 Ship2 Pod\n"
               "  TetherData 0 Length 1000\n  TetherData 0 Force 3e38\n  TetherData 0 Attach1 0 0 0\n"
               "  TetherData 0 Attach2 0 0 0\n  TetherData 0 SpoolMode 0\n  TetherData 0 ReelSpeed 0\n");
  Write("thrown.scn", text);
  Write("thrown-saved.scn", "the older file\n");
  Result r =
      Sim("run thrown.scn --duration 20 --quiet --vessels thrown-v.csv --tethers thrown-t.csv "
          "--save thrown-saved.scn",
          "thrown");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Err(r),
            "kestrane-sim: thrown.scn: the state of vessel \"Pod\" is no longer finite after the frame from "
            "t = 0 s; the run stopped, the CSV files end at t = 0 s and the scenario is not saved\n");
  EXPECT_TRUE(AllFinite(FileText("thrown-v.csv")));
  EXPECT_TRUE(AllFinite(FileText("thrown-t.csv")));
  const auto rows = ReadCsv("thrown-v.csv");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows.back().at("time"), "0");
  EXPECT_EQ(FileText("thrown-saved.scn"), "the older file\n");
}

// A block that ties a tether of no length (which the plug-in lengthens to its shortest, 10 m, in
// its first step): the first sample shows no stretch rather than an infinite one.
TEST(UnsoundStateTest, ATetherTiedWithNoLengthIsSampledWithoutAnInfiniteStretch) {
  std::string text = FileText(std::string(KESTRANE_TEST_SCENARIOS) + "/pair.scn");
  const std::string length = "TetherData 0 Length 1000";
  text.replace(text.find(length), length.size(), "TetherData 0 Length 0");
  Write("nolength.scn", text);
  Result r = Sim("run nolength.scn --duration 0.02 --quiet --tethers nolength.csv", "nolength");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = ReadCsv("nolength.csv");
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[0].at("stretch"), "0");
  EXPECT_EQ(Num(rows[8], "length"), 10);
  EXPECT_EQ(Num(rows[8], "stretch"), 12000);  // 1200 m apart
}
