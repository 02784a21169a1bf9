// What the host tells the user about a plug-in block the plug-in takes in silence.
#include "sim/run/BlockWarnings.h"

#include <gtest/gtest.h>

#include "sim/run/BlockSettings.h"

namespace {

std::vector<std::string> Texts(const std::vector<std::string> &lines) {
  const auto isVessel = [](const std::string &name) { return name == "Tug" || name == "Pod"; };
  std::vector<std::string> texts;
  for (const sim::BlockWarning &warning : sim::CheckTetherBlock(lines, isVessel))
    texts.push_back(std::to_string(warning.index) + ": " + warning.text);
  return texts;
}

using Lines = std::vector<std::string>;

TEST(BlockWarningsTest, WhatThePluginWritesAndReadsBackGivesNoWarning) {
  EXPECT_TRUE(Texts({"  SetupTetherLength 1500",
                     "  SetupTetherForce 2000",
                     "  SetupTargetIndex 1",
                     "  CurrentTether 7",
                     "  attach_type_v1 2",
                     "  attach_no_v1 0",
                     "  attach_type_v2 1",
                     "  attach_no_v2 3",
                     "  TetherData 0 CONNECT 1",
                     "  TetherData 0 Ship1 Tug",
                     "  TetherData 0 Ship2 Pod",
                     "  TetherData 0 Length 149.9",
                     "  TetherData 0 Force 0",
                     "  TetherData 0 Attach1 0 -2.5 1e-3",
                     "  TetherData 0 Attach2 0 0 0",
                     "  TetherData 0 SpoolMode 1",
                     "  TetherData 0 ReelSpeed -0.1",
                     "  TetherData 1 CONNECT 0",
                     "",
                     "  ; a comment",
                     "  TetherData 2 CONNECT 0 ; tied later"})
                  .empty());
  // A link left untied may name anything: the plug-in does not look its vessels up.
  EXPECT_TRUE(Texts({"TetherData 3 CONNECT 0", "TetherData 3 Ship1 Nobody"}).empty());
}

TEST(BlockWarningsTest, ValuesThePluginTakesOtherwiseOrPassesOverAreNamedOnTheirLine) {
  EXPECT_EQ(Texts({"SetupTetherLength banana", "SetupTetherForce -5", "SetupTetherLength 0", "CurrentTether 8",
                   "attach_type_v2 3", "attach_no_v1 -1", "SetupTargetIndex 1.5", "SetupTetherForce"}),
            (Lines{"0: SetupTetherLength: 'banana' is not a number",
                   "1: SetupTetherForce -5 is negative: the plug-in takes 0",
                   "2: SetupTetherLength 0: a length must be above 0",
                   "3: CurrentTether 8 is not a link 0-7: the plug-in takes 0",
                   "4: attach_type_v2 3 is not 0 (centre), 1 (docking port) or 2 (attachment): the plug-in takes 0",
                   "5: attach_no_v1 -1 is negative: the plug-in takes 0",
                   "6: SetupTargetIndex: '1.5' is not a whole number", "7: SetupTetherForce has no value"}));
  EXPECT_EQ(
      Texts({"TetherData 1 Length banana", "TetherData 1 Force -20", "TetherData 1 Length -3",
             "TetherData 1 ReelSpeed 1e39", "TetherData 1 Attach1 0 0", "TetherData 1 Attach2 0 x 0",
             "TetherData 1 SpoolMode 2", "TetherData 1 CONNECT 2", "TetherData 1 Lenght 5", "TetherData 1",
             "TetherData 8 CONNECT 1", "TetherData one CONNECT 1", "setuptetherlength 5", "TetherData 1 Force nan"}),
      (Lines{
          "0: TetherData 1 Length: 'banana' is not a number",
          "1: TetherData 1 Force -20 is negative: the plug-in takes 0",
          "2: TetherData 1 Length -3: a length must be above 0",
          "3: TetherData 1 ReelSpeed: 1e39 is not a finite single-precision number: the plug-in passes over the line",
          "4: TetherData 1 Attach1 needs three numbers: the plug-in passes over the line",
          "5: TetherData 1 Attach2: 'x' is not a number",
          "6: TetherData 1 SpoolMode 2 is neither 0 nor 1: the plug-in takes 0",
          "7: TetherData 1 CONNECT 2 is neither 0 nor 1: the plug-in leaves it untied",
          "8: TetherData 1 Lenght: 'Lenght' is not a field the plug-in reads", "9: TetherData 1 names no field",
          "10: TetherData 8: there is no link 8 (links are 0-7): the plug-in passes over it",
          "11: TetherData: 'one' is not a link number", "12: 'setuptetherlength' is not a line the plug-in reads",
          "13: TetherData 1 Force: nan is not a finite single-precision number: the plug-in passes over the line"}));
}

TEST(BlockWarningsTest, ATiedLinkMustNameTwoVesselsOfTheScenarioAndNotOneTwice) {
  EXPECT_EQ(Texts({"TetherData 0 CONNECT 1", "TetherData 0 Ship1 Tug", "TetherData 0 Ship2 Pood",
                   "TetherData 4 CONNECT 1", "TetherData 4 Ship2 Pod", "TetherData 5 CONNECT 1",
                   "TetherData 6 CONNECT 1", "TetherData 6 Ship1 Tug", "TetherData 6 Ship2 Tug",
                   // The last CONNECT line decides, as for the plug-in.
                   "TetherData 7 CONNECT 1", "TetherData 7 CONNECT 0"}),
            (Lines{"2: TetherData 0 Ship2 'Pood' is not a vessel of the scenario: the plug-in does not tie it",
                   "3: TetherData 4 CONNECT 1 has no Ship1 line: the plug-in does not tie it",
                   "5: TetherData 5 CONNECT 1 has no Ship1 and no Ship2 line: the plug-in does not tie it",
                   "6: TetherData 6 ties 'Tug' to itself: the plug-in does not tie it"}));
  // A name longer than the plug-in keeps.
  EXPECT_EQ(Texts({"TetherData 0 Ship1 " + std::string(128, 'x')}),
            (Lines{"0: TetherData 0 Ship1 is longer than the 127 characters the plug-in keeps"}));
}

TEST(BlockWarningsTest, LinesAfterTheBlocksEndAreNotRead) {
  EXPECT_TRUE(Texts({"CurrentTether 1", "END_MFD", "CurrentTether 99"}).empty());
  EXPECT_TRUE(Texts({"CurrentTether 1", "END", "CurrentTether 99"}).empty());
}

TEST(BlockWarningsTest, AScenarioFilesWarningsNameItsFileAndLinesInOrderButNotValuesARunSets) {
  sim::Scenario scenario = sim::ParseScenario(
      "BEGIN_MFD Left\n"
      "  TYPE User\n"
      "  MODE Kestrane\n"
      "  SetupTetherForce -1\n"
      "  TetherData 0 CONNECT 1\n"
      "  TetherData 0 Ship1 TUG\n"
      "  TetherData 0 Ship2 Pod\n"
      "  TetherData 0 Force -2\n"
      "END_MFD\n"
      "BEGIN_MFD Right\n"
      "  TYPE User\n"
      "  MODE Orbit\n"
      "  Frobnicate 1\n"
      "END_MFD\n"
      "BEGIN_SHIPS\n"
      "Tug:Generic\n"
      "END\n"
      "END_SHIPS\n",
      "pair.scn");
  // Ship names are matched without regard to case, as the host looks vessels up; other modes'
  // blocks are theirs.
  EXPECT_EQ(sim::ScenarioBlockWarnings(scenario, "Kestrane"),
            (Lines{"pair.scn:4: SetupTetherForce -1 is negative: the plug-in takes 0",
                   "pair.scn:7: TetherData 0 Ship2 'Pod' is not a vessel of the scenario: the plug-in does not tie it",
                   "pair.scn:8: TetherData 0 Force -2 is negative: the plug-in takes 0"}));
  // A value set for the run replaces the file's line: it is the user's own, not the file's.
  sim::ApplyBlockSettings(scenario, "Kestrane", {{"setup_force", "-3"}, {"setup_length", "-4"}});
  EXPECT_EQ(sim::ScenarioBlockWarnings(scenario, "Kestrane"),
            (Lines{"pair.scn:7: TetherData 0 Ship2 'Pod' is not a vessel of the scenario: the plug-in does not tie it",
                   "pair.scn:8: TetherData 0 Force -2 is negative: the plug-in takes 0"}));
}

}  // namespace
