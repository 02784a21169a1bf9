// A run continued from a scenario that an earlier run saved: the clock goes on from the saved
// time, keys already pressed are not pressed again, the CSV files are continued (--append), and
// checkpoints are written where the user asks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

// What the program printed, with the line ends of every platform as "\n".
std::string Printed(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

const std::string tetherHeader =
    "time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode";

}  // namespace

// tug.scn with the keys that tie the tug to the pod and reel in, stopped at 10 s and run on to 30 s.
TEST(ResumeTest, TheClockGoesOnFromTheSavedTimeAndKeysAlreadyPressedAreNotPressedAgain) {
  const std::string keys = " --keys 0:MINUS,0.02:A,0.04:J,1:I,20:I";
  Result r = Sim("run " + TestScenario("tug.scn") + keys + " --duration 10 --quiet --save res1.scn --tethers res_t.csv",
                 "res1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(FileText("res1.scn").find("\n  SIMTIME 10\n"), std::string::npos);

  r = Sim("run res1.scn" + keys + " --until 30 --tethers res_t.csv --append --screen res2.txt", "res2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Printed(r.err), "");
  EXPECT_NE(Printed(FileText("res2.out")).find("1000 frames, 20.000 s simulated, 2 vessels\n"), std::string::npos);

  // One sample per second from 0 to 30, once each; the reel went in at 0.1 m/s from 1 s and at
  // twice that from 20 s: I at 1 s was not pressed again at 10 s.
  std::vector<double> times;
  for (const CsvRow &row : ReadCsv("res_t.csv")) {
    if (row.at("link") != "0") continue;
    times.push_back(Num(row, "time"));
    const double t = Num(row, "time");
    const double speed = t <= 1 ? 0 : t <= 20 ? -0.1 : -0.2;
    EXPECT_NEAR(Num(row, "reel_speed"), speed, 1e-8) << t;
  }
  ASSERT_EQ(times.size(), 31u);
  for (size_t i = 0; i < times.size(); ++i) EXPECT_DOUBLE_EQ(times[i], static_cast<double>(i));
  EXPECT_NE(FileText("res2.txt").find("Reel     : -0.20 m/sec"), std::string::npos) << FileText("res2.txt");

  // Without --append the run says which keys it takes as done; --until before the clock is refused.
  r = Sim("run res1.scn" + keys + " --duration 1", "res3");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(
      Printed(r.err),
      "kestrane-sim: the scenario's clock starts at 10 s; 4 keys and 0 deletions timed before that are taken as "
      "done\nkestrane-sim: warning: --keys: 20:I is timed after the run's last frame starts (10.98 s): not done\n");
  r = Sim("run res1.scn --until 5", "res4");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(Printed(r.err), "kestrane-sim: --until 5 is before the scenario's time, 10 s\n");
}

TEST(ResumeTest, AppendKeepsTheRowsUpToTheScenarioTimeAndRefusesFilesOfAnotherKind) {
  ASSERT_EQ(Sim("run " + TestScenario("pair.scn") + " --duration 3 --quiet --save app.scn", "app0").status, 0);
  ASSERT_EQ(Sim("run " + TestScenario("pair.scn") + " --duration 5 --quiet --tethers app_ref.csv", "app_ref").status,
            0);
  const std::vector<CsvRow> reference = ReadCsv("app_ref.csv");
  const std::string referenceText = FileText("app_ref.csv");

  // A file written on Windows, with rows after 3 s and a row cut short at its end: the rows up to
  // 3 s stay, as they were, and the run's own samples follow them. (Its numbers differ a little
  // from the reference's: the plug-in's re-tie starts the stretch rate afresh.)
  std::string crlf;
  for (size_t start = 0; start < referenceText.size();) {
    const size_t end = referenceText.find('\n', start);
    crlf += referenceText.substr(start, end - start) + "\r\n";
    start = end + 1;
  }
  WriteFile("app_t.csv", crlf + "5.02,0,1,Tug,P");
  Result r = Sim("run app.scn --until 5 --tethers app_t.csv --append", "app1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Printed(r.err), "kestrane-sim: 'app_t.csv': 16 rows after t = 3 s and an unfinished last row dropped\n");
  const std::string continued = FileText("app_t.csv");
  const size_t kept = crlf.find("\r\n4,");
  EXPECT_EQ(continued.substr(0, kept + 2), crlf.substr(0, kept + 2));
  const std::vector<CsvRow> rows = ReadCsv("app_t.csv");
  ASSERT_EQ(rows.size(), reference.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].at("time"), reference[i].at("time"));
    EXPECT_EQ(rows[i].at("link"), reference[i].at("link"));
  }
  EXPECT_EQ(continued.find('\r', kept + 2), std::string::npos);

  // A missing file is begun with its header.
  std::remove("app_new.csv");
  r = Sim("run app.scn --duration 1 --quiet --tethers app_new.csv --append", "app2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FileText("app_new.csv").substr(0, tetherHeader.size() + 3), tetherHeader + "\n3,");

  // A file of vessels, or of anything else, is not a file of tethers: left as it was.
  const struct {
    std::string text, why;
  } foreign[] = {
      {"time,name,x,y,z,vx,vy,vz\n0,Tug,0,0,0,0,0,0\n", "it does not begin with the header " + tetherHeader},
      {tetherHeader + "\n0,0,1,Tug,Pod\nnot a row\n", "line 3 is not a row of a run"},
      {"a note without a line end", "it does not begin with the header " + tetherHeader},
  };
  for (const auto &file : foreign) {
    WriteFile("app_foreign.csv", file.text);
    r = Sim("run app.scn --duration 1 --tethers app_foreign.csv --append", "app3");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Printed(r.err), "kestrane-sim: cannot continue 'app_foreign.csv': " + file.why + "\n");
    EXPECT_EQ(FileText("app_foreign.csv"), file.text);
  }
}

TEST(ResumeTest, CheckpointsGoBesideTheSaveOrToTheNamedFileAndHoldTheLastState) {
  std::remove("cp-checkpoint.scn");
  Result r = Sim("run " + TestScenario("pair.scn") + " --duration 2.5 --quiet --save cp.scn --checkpoint 1", "cp1");
  ASSERT_EQ(r.status, 0) << r.err;
  // After the last frame the checkpoint is the saved scenario.
  EXPECT_EQ(FileText("cp-checkpoint.scn"), FileText("cp.scn"));

  r = Sim("run " + TestScenario("pair.scn") + " --duration 1 --quiet --checkpoint 0.5 --checkpoint-file cp_named.scn",
          "cp2");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(FileText("cp_named.scn").find("\n  SIMTIME 1\n"), std::string::npos) << FileText("cp_named.scn");

  const struct {
    std::string args, expected;
  } bad[] = {
      {" --checkpoint 10", "--checkpoint needs --save or --checkpoint-file: where to save"},
      {" --checkpoint-file x.scn", "--checkpoint-file needs --checkpoint S: how often to save"},
      {" --checkpoint 0 --save x.scn", "--checkpoint needs a positive number of seconds, not '0'"},
      {" --duration 1 --until 2", "--duration and --until both say when to stop: give one"},
  };
  int n = 0;
  for (const auto &c : bad) {
    r = Sim("run " + TestScenario("pair.scn") + c.args, "cp_bad" + std::to_string(n++));
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(Printed(r.err), "kestrane-sim: " + c.expected + " (see kestrane-sim run --help)\n") << c.args;
  }
}
