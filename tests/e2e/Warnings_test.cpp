// A plug-in block the plug-in takes in silence: the run goes on as it always has, and kestrane-sim
// says, once per entry, what in the file the plug-in will not do as written. Slips on the command
// line and in the file that would run with a result nobody meant: each gets one line, and stops
// the run where nothing sensible could come of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

const char slips[] =
    "BEGIN_ENVIRONMENT\n"
    "  STEP 0.02\n"
    "END_ENVIRONMENT\n"
    "BEGIN_MFD Left\n"
    "  TYPE User\n"
    "  MODE Kestrane\n"
    "  SetupTetherForce 2000\n"
    "  TetherData 0 CONNECT 1\n"
    "  TetherData 0 Ship1 Tug\n"
    "  TetherData 0 Ship2 Pood\n"
    "  TetherData 0 Length banana\n"
    "  TetherData 1 CONNECT 1\n"
    "  TetherData 1 Ship1 Tug\n"
    "  TetherData 1 Ship2 pod\n"
    "  TetherData 1 Length 1000\n"
    "  TetherData 1 Force -20\n"
    "END_MFD\n"
    "BEGIN_SHIPS\n"
    "Tug:Generic\n"
    "  MASS 12000\n"
    "  PMI 4 4 2\n"
    "  RPOS 0 0 0\n"
    "END\n"
    "Pod:Generic\n"
    "  MASS 3000\n"
    "  PMI 2 2 2\n"
    "  RPOS 1500 0 0\n"
    "END\n"
    "END_SHIPS\n";

TEST(WarningsTest, EachEntryThePluginTakesInSilenceIsNamedByFileAndLineAndTheRunGoesOn) {
  std::ofstream("slips.scn", std::ios::binary) << slips;
  const Result r = Sim("run slips.scn --duration 1 --tethers slips_t.csv --save slips_end.scn", "slips");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(Plain(r.err),
            "kestrane-sim: warning: slips.scn:10: TetherData 0 Ship2 'Pood' is not a vessel of the scenario: the "
            "plug-in does not tie it\n"
            "kestrane-sim: warning: slips.scn:11: TetherData 0 Length: 'banana' is not a number\n"
            "kestrane-sim: warning: slips.scn:16: TetherData 1 Force -20 is negative: the plug-in takes 0\n");
  // The plug-in took the block as it always has: link 0 untied, link 1 tied with no force.
  const auto rows = e2e::ReadCsv("slips_t.csv");
  ASSERT_GE(rows.size(), 8u);
  EXPECT_EQ(rows[rows.size() - 8].at("connected"), "0");
  EXPECT_EQ(rows[rows.size() - 7].at("connected"), "1");
  EXPECT_EQ(rows[rows.size() - 7].at("force"), "0");

  // Said where the file is loaded, not again for a file the run wrote; --quiet says nothing.
  const Result again = Sim("run slips_end.scn --duration 0", "slips_end");
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(Plain(again.err), "");
  const Result quiet = Sim("run slips.scn --duration 0 --quiet", "slips_quiet");
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(Plain(quiet.err), "");
}

TEST(WarningsTest, EachSlipGetsOneLineAndStopsWhereNothingSensibleCouldRun) {
  const std::string tug = e2e::TestScenario("tug.scn");
  std::ofstream("slip_empty.scn", std::ios::binary) << "";
  std::ofstream("slip_unplaced.scn", std::ios::binary) << "BEGIN_SHIPS\nA:ShuttlePB\n  RPOS 0 0 0\nEND\n"
                                                          "B:ShuttlePB\nEND\nEND_SHIPS\n";
  std::ofstream("slip_undated.scn", std::ios::binary)
      << "BEGIN_ENVIRONMENT\n  Date MJD ;\nEND_ENVIRONMENT\nBEGIN_SHIPS\nA:ShuttlePB\n  STATUS Orbiting Earth\n"
         "  RPOS 6771000 0 0\n  RVEL 0 0 7672.6\nEND\nEND_SHIPS\n";
  std::ofstream("slip_self.scn", std::ios::binary) << FileText(tug);
  struct Slip {
    std::string args;
    int status;
    std::string line;  // what kestrane-sim says, up to "..." where the rest varies
  };
  const std::vector<Slip> cases = {
      {"run slip_empty.scn", 2,
       "kestrane-sim: slip_empty.scn: no ships: a scenario needs at least one, between BEGIN_SHIPS and END_SHIPS"},
      {"run slip_unplaced.scn", 2,
       "kestrane-sim: slip_unplaced.scn:5: ship \"B\" gives no RPOS: among other vessels in free space a ship needs "
       "its position, RPOS x y z (m)"},
      {"run " + tug + " --duration 2 --keys 0:MINUS,2:J,9:I", 0,
       "kestrane-sim: warning: --keys: 2:J and 1 more are timed after the run's last frame starts (1.98 s): not done"},
      {"run " + tug + " --set setup_length=-10", 2,
       "kestrane-sim: --set setup_length=-10: SetupTetherLength -10: a length must be above 0 (see kestrane-sim run "
       "--help)"},
      {"sweep " + tug + " --vary setup_length=100,-1e1 --duration 0", 2,
       "kestrane-sim: --vary setup_length=-1e1: SetupTetherLength -10: a length must be above 0 (see kestrane-sim "
       "sweep --help)"},
      {"run slip_self.scn --save ./slip_self.scn", 2,
       "kestrane-sim: --save './slip_self.scn' is the scenario being run: give --force to replace it"},
      {"run slip_undated.scn --duration 0", 0,
       "kestrane-sim: warning: slip_undated.scn:2: Date MJD gives no date: the current date is taken, MJD ..."},
      {"run " + tug + " --speed 0", 2,
       "kestrane-sim: --speed needs a positive ratio, simulated seconds per second (1: real time), not '0' (see "
       "kestrane-sim run --help)"},
  };
  for (const Slip &slip : cases) {
    const Result r = Sim(slip.args, "slip");
    EXPECT_EQ(r.status, slip.status) << slip.args;
    const size_t varies = slip.line.find("...");
    const std::string said = Plain(r.err);
    if (varies == std::string::npos)
      EXPECT_EQ(said, slip.line + "\n") << slip.args;
    else
      EXPECT_EQ(said.substr(0, varies), slip.line.substr(0, varies)) << slip.args << ": " << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << slip.args << ": " << said;
  }
  // Given --force, the scenario is replaced; and the run's summary is standard output's alone.
  EXPECT_EQ(Sim("run slip_self.scn --save slip_self.scn --force --duration 1 --summary -", "slip_forced").status, 0);
  EXPECT_NE(FileText("slip_self.scn").find("SIMTIME 1"), std::string::npos);
  EXPECT_EQ(Plain(FileText("slip_forced.out")), "peak_pull,final_length,final_distance,went_slack\n0,0,0,0\n");
#ifndef _WIN32
  // Without a command, the usage and a failure.
  EXPECT_EQ(WEXITSTATUS(std::system((std::string("\"") + KESTRANE_SIM + "\" > slip_none.out 2>&1").c_str())), 2);
  EXPECT_EQ(FileText("slip_none.out").rfind("usage: kestrane-sim run", 0), 0u);
#endif
}

}  // namespace
