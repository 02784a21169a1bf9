// kestrane-sim sweep against separate runs of the same values: every row of its summary is what
// a run of that combination, sampled every frame, shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

const std::string pair = std::string(KESTRANE_TEST_SCENARIOS) + "/pair.scn";
// The restored 1000 m tether between vessels 1200 m apart, at its own length or slack from the
// start, and with its reel still or reeling in fast enough to go slack as they close.
const std::vector<std::string> lengths = {"1000", "1300"}, speeds = {"0", "-8"};
const std::string common = " --duration 20 --dt 0.02";

// The summary row a run gives when its tethers file holds every frame: the values, the largest
// pull, the last length and distance, and whether link 0 ever hung loose without pulling.
std::string RowFromRun(const std::string &length, const std::string &speed, const std::string &name) {
  const e2e::Result r = Sim("run " + pair + common + " --set link0_length=" + length +
                                " --set link0_reel_speed=" + speed + " --every 0.02 --tethers " + name + ".csv --quiet",
                            name);
  EXPECT_EQ(r.status, 0) << r.err;
  std::string peak = "0", finalLength, finalDistance;
  double peakValue = 0;
  bool slack = false;
  for (const e2e::CsvRow &row : ReadCsv(name + ".csv")) {
    if (row.at("link") != "0") continue;
    if (Num(row, "pull") > peakValue) {
      peakValue = Num(row, "pull");
      peak = row.at("pull");
    }
    slack = slack || (row.at("connected") == "1" && Num(row, "pull") == 0 && Num(row, "stretch") < 100);
    finalLength = row.at("length");
    finalDistance = row.at("distance");
  }
  return length + "," + speed + "," + peak + "," + finalLength + "," + finalDistance + "," + (slack ? "1" : "0");
}

TEST(SweepTest, RowsAreWhatSeparateRunsOfTheSameValuesShow) {
#ifdef _WIN32
  GTEST_SKIP() << "sweep runs its runs as processes of its own on POSIX systems only";
#endif
  const std::string lists = " --vary link0_length=" + lengths[0] + "," + lengths[1] +
                            " --vary link0_reel_speed=" + speeds[0] + "," + speeds[1];
  const e2e::Result r = Sim("sweep " + pair + common + lists + " --jobs 2 --summary sweep.csv", "sweep");
  ASSERT_EQ(r.status, 0) << r.err;

  std::string expected = "link0_length,link0_reel_speed,peak_pull,final_length,final_distance,went_slack\n";
  int n = 0;
  for (const std::string &length : lengths)
    for (const std::string &speed : speeds)
      expected += RowFromRun(length, speed, "sweep-run" + std::to_string(n++)) + "\n";
  EXPECT_EQ(FileText("sweep.csv"), expected);
  // Both outcomes occur, so the comparison means something.
  EXPECT_NE(expected.find(",0\n"), std::string::npos);
  EXPECT_NE(expected.find(",1\n"), std::string::npos);

  // Three shards, one run at a time, concatenate into the same file.
  std::string joined;
  for (int k = 1; k <= 3; ++k) {
    const std::string name = "shard" + std::to_string(k);
    const e2e::Result s = Sim(
        "sweep " + pair + common + lists + " --jobs 1 --shard " + std::to_string(k) + "/3 --summary " + name + ".csv",
        name);
    ASSERT_EQ(s.status, 0) << s.err;
    joined += FileText(name + ".csv");
  }
  EXPECT_EQ(joined, expected);
}

TEST(SweepTest, BadSweepsAreRefusedWithOneLineAndLeaveAnEarlierSummaryAsItWas) {
#ifdef _WIN32
  GTEST_SKIP() << "sweep runs its runs as processes of its own on POSIX systems only";
#endif
  std::ofstream("refused.csv") << "earlier\n";
  const std::string tug = std::string(KESTRANE_TEST_SCENARIOS) + "/tug.scn";
  // tug.scn ties no tether, so a link's value would be lost.
  e2e::Result r = Sim("sweep " + tug + " --vary link0_force=1,2 --summary refused.csv", "refused1");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "kestrane-sim: link0_force: the scenario's Kestrane block does not tie link 0 (no line "
            "'TetherData 0 CONNECT 1')\n");
  // A vessel that is not there is found by the first run.
  r = Sim("sweep " + tug + " --vary setup_force=1,2 --delete 1:Nobody --summary refused.csv", "refused2");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "kestrane-sim: the run with setup_force=1 failed: --delete names no vessel 'Nobody' of the "
            "scenario\n");
  r = Sim("sweep " + tug + " --vary setup_force=1 --shard 2/1", "refused3");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kestrane-sim: --shard needs K/N with 1 <= K <= N, not '2/1' (see kestrane-sim sweep --help)\n");
  EXPECT_EQ(FileText("refused.csv"), "earlier\n");
  EXPECT_FALSE(std::ifstream("refused.csv.partial").good());
  // A summary that cannot be written is found before any run, and named as the user gave it.
  r = Sim("sweep " + tug + " --vary setup_force=1 --summary no-such-folder/s.csv", "refused4");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kestrane-sim: cannot write 'no-such-folder/s.csv' (--summary): no folder 'no-such-folder'\n");
}

}  // namespace
