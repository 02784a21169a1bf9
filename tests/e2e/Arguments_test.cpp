// What kestrane-sim refuses before the first frame of a run, and the help each command gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "Support.h"

namespace {

using namespace e2e;

bool Exists(const std::string &path) { return std::ifstream(path).good(); }

// Exit 2 and one line, and no frame run: the CSV file a frame would be sampled into was never
// begun, and nothing else was written.
void ExpectRefusedAtOnce(const std::string &args, const std::string &line, const std::string &name) {
  std::remove((name + ".csv").c_str());
  const Result r = Sim("run " + TestScenario("tug.scn") + " " + args + " --tethers " + name + ".csv", name);
  EXPECT_EQ(r.status, 2) << args;
  EXPECT_EQ(r.err.substr(0, r.err.find_first_of("\r\n")), "kestrane-sim: " + line) << args;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_FALSE(Exists(name + ".csv")) << args;
  EXPECT_EQ(FileText(name + ".out"), "") << args;
}

TEST(ArgumentsTest, ASpanTheClockCannotCountInStepsIsRefused) {
  ExpectRefusedAtOnce("--duration 1e18",
                      "--duration 1e+18 needs 5e+19 steps of 0.02 s: the clock counts no more than 2^52 (4.5e+15)",
                      "span1");
  ExpectRefusedAtOnce("--duration 1e20",
                      "--duration 1e+20 needs 5e+21 steps of 0.02 s: the clock counts no more than 2^52 (4.5e+15)",
                      "span2");
  ExpectRefusedAtOnce("--duration 1e300",
                      "--duration 1e+300 needs 5e+301 steps of 0.02 s: the clock counts no more than 2^52 (4.5e+15)",
                      "span3");
  ExpectRefusedAtOnce("--until 1e20",
                      "--until 1e+20 needs 5e+21 steps of 0.02 s: the clock counts no more than 2^52 (4.5e+15)",
                      "span4");
  ExpectRefusedAtOnce("--dt 1e-300",
                      "--duration 10 needs 1e+301 steps of 1e-300 s: the clock counts no more than 2^52 (4.5e+15)",
                      "span5");
}

TEST(ArgumentsTest, AnOutputThatCannotBeWrittenIsRefusedBeforeTheRunNamingTheFileGiven) {
  // Each in a folder that does not exist: the run would be lost at its end.
  for (const char *option : {"--save", "--png", "--screen", "--vessels", "--summary"
#ifdef KESTRANE_HAVE_REPLAY_PAGE
                             ,
                             "--replay"
#endif
       }) {
    const std::string path = "no-such-folder/out";
    ExpectRefusedAtOnce(std::string(option) + " " + path,
                        "cannot write '" + path + "' (" + option + "): no folder 'no-such-folder'",
                        std::string("out_") + (option + 2));
  }
  ExpectRefusedAtOnce("--checkpoint 5 --checkpoint-file no-such-folder/c.scn",
                      "cannot write 'no-such-folder/c.scn' (--checkpoint-file): no folder 'no-such-folder'",
                      "out_checkpoint");
  // The checkpoint beside the save is checked as the save is.
  ExpectRefusedAtOnce("--checkpoint 5 --save no-such-folder/end.scn",
                      "cannot write 'no-such-folder/end.scn' (--save): no folder 'no-such-folder'", "out_beside");
  ExpectRefusedAtOnce("--save .", "cannot write '.' (--save): it is a folder", "out_dot");
  ExpectRefusedAtOnce("--screen same.txt --png same.txt", "--screen and --png both write 'same.txt'", "out_same");
}

TEST(ArgumentsTest, EachCommandHasItsOwnHelpAndABadKeyNameSaysWhereTheKeysAreListed) {
  Result r = Sim("run --help", "help_run");
  EXPECT_EQ(r.status, 0);
  const std::string run = Plain(FileText("help_run.out"));
  EXPECT_EQ(run.rfind("usage: kestrane-sim run SCENARIO", 0), 0u) << run;
  EXPECT_NE(run.find("  --speed X "), std::string::npos);
  EXPECT_NE(run.find("  MINUS       -  next target vessel\n"), std::string::npos) << run;
  EXPECT_EQ(run.find("--vary"), std::string::npos);
  // -h is help too, also after a scenario, not a file of that name.
  r = Sim("run -h", "help_run_h");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Plain(FileText("help_run_h.out")), run);
  r = Sim("run " + TestScenario("tug.scn") + " -h", "help_run_h2");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Plain(FileText("help_run_h2.out")), run);

  r = Sim("play --help", "help_play");
  EXPECT_EQ(r.status, 0);
  const std::string play = Plain(FileText("help_play.out"));
  EXPECT_EQ(play.rfind("usage: kestrane-sim play SCENARIO", 0), 0u) << play;
  EXPECT_NE(play.find("  ? or h              every key on a page\n"), std::string::npos) << play;
  EXPECT_NE(play.find("  J           j  connect the current tether\n"), std::string::npos) << play;

  r = Sim("sweep -h", "help_sweep");
  EXPECT_EQ(r.status, 0);
  const std::string sweep = Plain(FileText("help_sweep.out"));
  EXPECT_EQ(sweep.rfind("usage: kestrane-sim sweep SCENARIO --vary", 0), 0u) << sweep;
  EXPECT_NE(sweep.find("  --shard K/N"), std::string::npos);

  r = Sim("--help", "help_all");
  const std::string all = Plain(FileText("help_all.out"));
  for (const char *command : {"run SCENARIO", "play SCENARIO", "sweep SCENARIO"})
    EXPECT_NE(all.find(command), std::string::npos) << all;
  EXPECT_NE(all, run);

  r = Sim("run " + TestScenario("tug.scn") + " --keys 1:NOKEY", "help_badkey");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.substr(0, r.err.find_first_of("\r\n")),
            "kestrane-sim: key entry '1:NOKEY' names no known key (see kestrane-sim run --help)");
}

}  // namespace
