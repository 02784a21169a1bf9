// A plug-in block the plug-in takes in silence: the run goes on as it always has, and kestrane-sim
// says, once per entry, what in the file the plug-in will not do as written.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "Support.h"

namespace {

using e2e::ReadFile;
using e2e::Result;
using e2e::Sim;

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

std::string Plain(std::string text) {
  std::string plain;
  for (char c : text)
    if (c != '\r') plain += c;
  return plain;
}

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

}  // namespace
