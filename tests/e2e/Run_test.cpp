// kestrane-sim as a user runs it: the built program with the built module on scenario files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

}  // namespace

// Two vessels 1200 m apart whose scenario re-ties a 1000 m tether (force 100 N per percent): in the
// taut phase each vessel feels half the pull, so the elongation x = separation − length obeys
// μ ẍ = −k x − c ẋ with k = c = 50 × force / length and μ the reduced mass.
TEST(RunTest, RestoredTetherPullsTheVesselsTogetherAsTheTensionLawSays) {
  Result r =
      Sim("run " + TestScenario("pair.scn") + " --duration 20 --every 0.5 --tethers pair_t.csv --vessels pair_v.csv",
          "pair");
  ASSERT_EQ(r.status, 0) << r.err;

  const double force = 100, length = 1000, x0 = 200;
  // The tug carries the tether's drawing, whose 2 kg tank counts in its mass.
  const double tug = 12002, pod = 3000;
  const double mu = tug * pod / (tug + pod);
  const double k = 50 * force / length, c = k;
  const double gamma = c / (2 * mu), omega = std::sqrt(k / mu - gamma * gamma);
  // 1 % of the peak elongation: the discrete step lags the continuous law by a fraction of a frame.
  const double tolerance = 0.01 * x0;

  std::map<double, std::map<std::string, double>> xs;
  for (const auto &row : ReadCsv("pair_v.csv")) xs[Num(row, "time")][row.at("name")] = Num(row, "x");
  ASSERT_GE(xs.size(), 40u);
  for (const auto &[t, x] : xs) {
    const double expected = std::exp(-gamma * t) * x0 * (std::cos(omega * t) + gamma / omega * std::sin(omega * t));
    EXPECT_NEAR(x.at("Pod") - x.at("Tug") - length, expected, tolerance) << "t = " << t;
  }

  // The momentum the two pulls give is equal and opposite: the centre of mass stays put, up to the
  // rounding of a thousand frames of sums near 1000 m.
  const double roundoff = 1e-6;
  for (const auto &[t, x] : xs)
    EXPECT_NEAR((tug * x.at("Tug") + pod * x.at("Pod")) / (tug + pod), 3000 * 1200 / (tug + pod), roundoff) << t;

  // The reported pull is the tension law's at the reported stretch, within the rate term.
  const auto tethers = ReadCsv("pair_t.csv");
  const auto &last = tethers[tethers.size() - 8];
  EXPECT_EQ(last.at("connected"), "1");
  EXPECT_EQ(last.at("ship1"), "Tug");
  EXPECT_GT(Num(last, "pull"), 0);
}

TEST(RunTest, SavedScenarioLoadsBackToTheSameState) {
  ASSERT_EQ(
      Sim("run " + TestScenario("pair.scn") + " --duration 3 --quiet --save saved1.scn --tethers saved1.csv", "saved1")
          .status,
      0);
  ASSERT_EQ(Sim("run saved1.scn --duration 0 --quiet --save saved2.scn --tethers saved2.csv", "saved2").status, 0);
  EXPECT_EQ(FileText("saved1.scn"), FileText("saved2.scn"));

  // The restored tethers start where the saved run ended (the pull is measured in frames).
  auto before = ReadCsv("saved1.csv"), after = ReadCsv("saved2.csv");
  ASSERT_GE(before.size(), 8u);
  ASSERT_EQ(after.size(), 8u * 1);
  for (int link = 0; link < 8; ++link) {
    const auto &a = before[before.size() - 8 + link], &b = after[link];
    for (const char *field :
         {"connected", "ship1", "ship2", "length", "distance", "stretch", "force", "reel_speed", "spool_mode"})
      EXPECT_EQ(a.at(field), b.at(field)) << "link " << link << " " << field;
  }
}

// Select the target with the minus key, measure the length with A, connect with J, reel in with I:
// the tether shortens at 0.1 m/s and draws the vessels together.
TEST(RunTest, KeysConnectAndReelIn) {
  Result r = Sim("run " + TestScenario("tug.scn") +
                     " --duration 30 --keys 0:MINUS,0.02:A,0.04:J,1:I --tethers keys_t.csv --vessels keys_v.csv "
                     "--screen keys.txt --quiet",
                 "keys");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::pair<double, double>> lengths;
  for (const auto &row : ReadCsv("keys_t.csv"))
    if (row.at("link") == "0" && row.at("connected") == "1") lengths.push_back({Num(row, "time"), Num(row, "length")});
  ASSERT_GE(lengths.size(), 30u);
  // Reeling starts in the frame that starts at 1 s; the length then falls by 0.1 m/s × time.
  const double reelSpeed = -0.1, start = 1500;
  for (const auto &[t, length] : lengths)
    if (t >= 1) {
      EXPECT_NEAR(length, start + reelSpeed * (t - 1), 1e-6) << "t = " << t;
    }

  std::map<double, std::map<std::string, double>> xs;
  for (const auto &row : ReadCsv("keys_v.csv")) xs[Num(row, "time")][row.at("name")] = Num(row, "x");
  const double first = xs.begin()->second.at("Pod") - xs.begin()->second.at("Tug");
  const double final = xs.rbegin()->second.at("Pod") - xs.rbegin()->second.at("Tug");
  EXPECT_DOUBLE_EQ(first, 1500);
  EXPECT_LT(final, 1500 - 2.0);

  const std::string screen = FileText("keys.txt");
  EXPECT_NE(screen.find("Status  : Reeling"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Reel     : -0.10 m/sec"), std::string::npos) << screen;
}

// The keys of one frame all come before the frame's redraw, as in the host: of MINUS, A and J at
// 0 s, A finds the display not yet drawn (no vessels to measure) and J ties at the setup's 1000 m,
// and the run says so; a frame apart, they target, measure and tie taut.
TEST(RunTest, KeysOfOneFrameFindTheDisplayAsItWasLastDrawnAndTheRunSaysSo) {
  Result r = Sim("run " + TestScenario("tug.scn") + " --duration 0.1 --keys 0:MINUS,0:A,0:J --tethers one_frame.csv",
                 "one_frame");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Plain(r.err),
            "kestrane-sim: warning: at 0 s, A acts on the display as it stood before MINUS: press it a frame later\n");
  const auto tied = ReadCsv("one_frame.csv");
  ASSERT_EQ(tied.size(), 16u);
  EXPECT_EQ(tied[8].at("ship2"), "Pod");
  EXPECT_EQ(tied[8].at("length"), "1000");

  r = Sim("run " + TestScenario("tug.scn") + " --duration 0.1 --keys 0:MINUS,0.02:A,0.04:J --tethers apart.csv",
          "apart");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const auto taut = ReadCsv("apart.csv");
  ASSERT_EQ(taut.size(), 16u);
  EXPECT_EQ(taut[8].at("length"), "1500");
}

// A span that is not a whole number of steps ends with a shorter step, which the plug-in takes as
// the host's step: the reel pays in exactly its speed times the span, and the run ends on time.
TEST(RunTest, ASpanNotAWholeNumberOfStepsEndsWithAShorterStepAtTheTimeAskedFor) {
  struct Case {
    std::string dt, saved;  // as given and as the scenario keeps it
    std::string said;
  } cases[] = {{"0.03", "0.03", "334 frames (the last of 0.01 s), 10.000 s simulated, 2 vessels\n"},
               {"100", "100", "1 frame of 10 s, 10.000 s simulated, 2 vessels\n"},
               {"1e9", "1000000000", "1 frame of 10 s, 10.000 s simulated, 2 vessels\n"},
               {"0.02", "0.02", "500 frames, 10.000 s simulated, 2 vessels\n"}};
  for (const Case &c : cases) {
    const std::string name = "short" + c.dt;
    // All in the first frame, which may be the only one: the display, not drawn yet, names no
    // vessels, so A measures nothing (it finds the names J ties with) and J ties at the setup length.
    const Result r = Sim("run " + TestScenario("tug.scn") + " --dt " + c.dt +
                             " --duration 10 --set setup_length=1500 --keys 0:MINUS,0:A,0:J,0:I --tethers " + name +
                             "_t.csv --save " + name + ".scn",
                         name);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(e2e::LastLine(FileText(name + ".out")), c.said) << c.dt;
    const auto rows = ReadCsv(name + "_t.csv");
    ASSERT_FALSE(rows.empty());
    const auto &last = rows[rows.size() - 8];
    // The clock's rounding over a few hundred steps.
    const double clockRounding = 1e-12;
    EXPECT_NEAR(Num(last, "time"), 10, clockRounding) << c.dt;
    // Reeling in at 0.1 m/s from the first frame, summed over the frames' steps.
    EXPECT_NEAR(Num(last, "length"), 1500 - 0.1 * 10, 1e-9) << c.dt;
    // The scenario keeps the step asked for, not the last one.
    EXPECT_NE(FileText(name + ".scn").find("  STEP " + c.saved + "\n"), std::string::npos) << c.dt;
  }
}

TEST(RunTest, TheSummaryCountsInTheNounsPluralForm) {
  const Result r = Sim("run " + TestScenario("tug.scn") + " --dt 1 --duration 1 --delete 0:Pod", "plural");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(e2e::LastLine(FileText("plural.out")), "1 frame, 1.000 s simulated, 1 vessel\n");
}

TEST(RunTest, BadArgumentsAndUnreadableScenariosExitWithStatusTwoAndOneLine) {
  struct Case {
    std::string args, expected;
  } cases[] = {
      {"run", "run needs a scenario file"},
      {"run " + TestScenario("pair.scn") + " --duration x", "--duration needs"},
      {"run " + TestScenario("pair.scn") + " --keys 1:NOKEY", "names no known key"},
      {"run missing.scn", "missing.scn"},
      {"run " + TestScenario("pair.scn") + " --host-dir no-such-folder",
       "host folder 'no-such-folder' has no Config/Vessels"},
      {"frobnicate", "unknown command"},
  };
  int n = 0;
  for (const Case &c : cases) {
    Result r = Sim(c.args, "bad" + std::to_string(n++));
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << c.args << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}
