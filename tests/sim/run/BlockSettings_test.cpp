// Values written into the plug-in's scenario block: which line each name stands for, and how the
// block's lines change.
#include "sim/run/BlockSettings.h"

#include <gtest/gtest.h>

namespace {

using sim::BlockSetting;

sim::Scenario WithBlock(std::vector<std::string> lines) {
  sim::Scenario scenario;
  sim::DisplayBlock other;
  other.position = "Right";
  other.mode = "Orbit";
  other.lines = {"  SetupTetherLength 5"};
  scenario.displays.push_back(other);
  sim::DisplayBlock block;
  block.position = "Left";
  block.mode = "Kestrane";
  block.lines = std::move(lines);
  scenario.displays.push_back(block);
  return scenario;
}

TEST(BlockSettingsTest, NamesStandForTheBlockLinesAndValuesAreFiniteNumbersInTheFilesNotation) {
  EXPECT_EQ(*sim::BlockKey("setup_length"), "SetupTetherLength");
  EXPECT_EQ(*sim::BlockKey("setup_force"), "SetupTetherForce");
  EXPECT_EQ(*sim::BlockKey("link0_length"), "TetherData 0 Length");
  EXPECT_EQ(*sim::BlockKey("link7_force"), "TetherData 7 Force");
  EXPECT_EQ(*sim::BlockKey("link3_reel_speed"), "TetherData 3 ReelSpeed");
  for (const char *bad : {"", "setup", "setup_reel_speed", "link8_length", "link_length", "link0", "link0_",
                          "link00_length", "link0_length_", "Link0_length", "SetupTetherLength"})
    EXPECT_FALSE(sim::BlockKey(bad)) << bad;
  EXPECT_EQ(sim::SettingLink("link5_force"), 5);
  EXPECT_EQ(sim::SettingLink("setup_force"), -1);

  std::string error;
  auto setting = sim::ParseBlockSetting("link2_reel_speed=-5e-1", error);
  ASSERT_TRUE(setting) << error;
  EXPECT_EQ(setting->name, "link2_reel_speed");
  EXPECT_EQ(setting->value, "-0.5");
  EXPECT_EQ(sim::ParseBlockSetting("setup_force=1e4", error)->value, "10000");
  for (const char *bad : {"setup_force", "setup_force=", "setup_force=x", "setup_force=1 ", "setup_force=inf",
                          "setup_force=nan", "setup_force=1e999", "=5", "speed=5"}) {
    error.clear();
    EXPECT_FALSE(sim::ParseBlockSetting(bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(BlockSettingsTest, ALineWithTheSameKeyIsReplacedAndAMissingOneAdded) {
  sim::Scenario scenario =
      WithBlock({"  SetupTetherLength 1000   ; m", "  SetupTetherForce 10000", "  TetherData 0 CONNECT 1",
                 "  TetherData 0 Length 1000", "  TetherData 0 ReelSpeed 0", "  TetherData 1 CONNECT 0"});
  sim::ApplyBlockSettings(scenario, "Kestrane",
                          {{"setup_length", "1500"}, {"link0_length", "900"}, {"link0_force", "250"}});
  const std::vector<std::string> expected = {
      "  SetupTetherLength 1500",   "  SetupTetherForce 10000", "  TetherData 0 CONNECT 1", "  TetherData 0 Length 900",
      "  TetherData 0 ReelSpeed 0", "  TetherData 1 CONNECT 0", "  TetherData 0 Force 250"};
  EXPECT_EQ(scenario.displays[1].lines, expected);
  // Another mode's block is not the plug-in's.
  EXPECT_EQ(scenario.displays[0].lines, std::vector<std::string>{"  SetupTetherLength 5"});
}

TEST(BlockSettingsTest, SetupValuesMakeABlockWhenThereIsNoneAndLinkValuesNeedATiedLink) {
  sim::Scenario bare;
  sim::ApplyBlockSettings(bare, "Kestrane", {{"setup_force", "500"}});
  ASSERT_EQ(bare.displays.size(), 1u);
  EXPECT_EQ(bare.displays[0].mode, "Kestrane");
  EXPECT_EQ(bare.displays[0].lines, std::vector<std::string>{"  SetupTetherForce 500"});

  // The plug-in forgets the values of a link its block does not tie, so setting them would be
  // silently lost.
  sim::Scenario loose = WithBlock({"  TetherData 0 CONNECT 0", "  TetherData 1 CONNECT 1"});
  try {
    sim::ApplyBlockSettings(loose, "Kestrane", {{"link0_reel_speed", "-1"}});
    FAIL() << "a loose link's value was taken";
  } catch (const sim::ScenarioError &e) {
    EXPECT_STREQ(e.what(),
                 "link0_reel_speed: the scenario's Kestrane block does not tie link 0 "
                 "(no line 'TetherData 0 CONNECT 1')");
  }
  sim::Scenario none;
  EXPECT_THROW(sim::ApplyBlockSettings(none, "Kestrane", {{"link1_length", "10"}}), sim::ScenarioError);
  EXPECT_TRUE(none.displays.empty());
  sim::ApplyBlockSettings(loose, "Kestrane", {{"link1_length", "10"}});
  EXPECT_EQ(loose.displays[1].lines.back(), "  TetherData 1 Length 10");
}

}  // namespace
