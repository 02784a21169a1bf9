#include "sim/run/BlockCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A file with the plug-in's display block holding `line` (its line 5) and a module block.
std::string Refusal(const std::string &line, const std::string &moduleLine = "  TetherData 1 Force 5") {
  const std::string text = "BEGIN_MFD Left\n  TYPE User\n  MODE Kestrane\n  SetupTetherForce 2000\n" + line +
                           "\nEND_MFD\n\nBEGIN_Kestrane\n" + moduleLine + "\nEND\n";
  try {
    sim::CheckPluginBlocks(sim::ParseScenario(text, "block.scn"), "Kestrane");
  } catch (const sim::ScenarioError &error) {
    return error.what();
  }
  return "";
}

}  // namespace

// A real the plug-in would read as no finite number in single precision, or a tether length not
// above 0, is refused naming the line; what the plug-in does not read as a number, or does not
// read at all, is left to it.
TEST(BlockCheckTest, RealsThePluginReadsMustBeFiniteInSinglePrecision) {
  for (const char *fine :
       {"  SetupTetherLength 1e38", "  TetherData 0 Length 1e-30", "  TetherData 0 ReelSpeed -3e38",
        "  TetherData 0 Attach1 1 2 3", "  TetherData 0 Length 12abc", "  TetherData 0 Length abc",
        "  TetherData 0 Attach2 abc 1e39 0", "  TetherData 0 Attach2 1x 1e39 0", "  TetherData 0 Other nan",
        "  TetherData 8 Length nan", "  TetherData x Force nan", "  Setuptetherlength nan", "  SetupTetherLength", ""})
    EXPECT_EQ(Refusal(fine), "") << fine;

  EXPECT_EQ(
      Refusal("  SetupTetherLength nan"),
      "block.scn:5: SetupTetherLength: \"nan\" is not a finite number in single precision, as the plug-in reads it");
  EXPECT_EQ(Refusal("  TetherData 3 Force 3.5e38 ; too strong"),
            "block.scn:5: TetherData 3 Force: \"3.5e38\" is not a finite number in single precision, as the plug-in "
            "reads it");
  EXPECT_EQ(Refusal("  TetherData 0 Attach1 0 -inf 0"),
            "block.scn:5: TetherData 0 Attach1: \"-inf\" is not a finite number in single precision, as the plug-in "
            "reads it");
  EXPECT_EQ(Refusal("  TetherData 0 Length 0"), "block.scn:5: TetherData 0 Length must be above 0, not \"0\"");
  EXPECT_EQ(Refusal("  TetherData 0 Length 1e-50"), "block.scn:5: TetherData 0 Length must be above 0, not \"1e-50\"");
  EXPECT_EQ(Refusal("", "  TetherData 1 Length -2"), "block.scn:9: TetherData 1 Length must be above 0, not \"-2\"");

  // A line the file does not have was set by --set; another display mode's block is not the
  // plug-in's.
  sim::Scenario set =
      sim::ParseScenario("BEGIN_MFD Left\n  TYPE User\n  MODE Other\n  SetupTetherLength nan\nEND_MFD\n", "set.scn");
  EXPECT_NO_THROW(sim::CheckPluginBlocks(set, "Kestrane"));
  set.displays.push_back({});
  set.displays.back().mode = "Kestrane";
  set.displays.back().lines = {"  SetupTetherLength 1e39"};
  try {
    sim::CheckPluginBlocks(set, "Kestrane");
    ADD_FAILURE() << "a value beyond single precision was accepted";
  } catch (const sim::ScenarioError &error) {
    EXPECT_STREQ(error.what(),
                 "set.scn: --set: SetupTetherLength: \"1e39\" is not a finite number in single precision, as the "
                 "plug-in reads it");
  }
}
