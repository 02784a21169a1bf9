#include "sim/scenario/ScenarioFile.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioWorld.h"
#include "sim/world/World.h"

namespace {

using support::FileText;
using support::WriteFile;

namespace fs = std::filesystem;

// In the form the host writes: formatting what is parsed from it gives it back unchanged.
const char *const tugText = R"(BEGIN_DESC
A tug and its payload.
Tied by tether 0; reel in with [.
END_DESC

BEGIN_ENVIRONMENT
  STEP 0.02
  GRAVITY 398600441800000
END_ENVIRONMENT

BEGIN_FOCUS
  Ship Tug
END_FOCUS

BEGIN_MFD Left
  TYPE User
  MODE Kestrane
  SetupTetherLength 1000
  TetherData 0 CONNECT 0
END_MFD

BEGIN_SHIPS
Tug:Generic
  MASS 12000
  PMI 4 4 2
  RPOS 0 0 0
  RVEL 0 0 0
  AROT 30 -45 120.5
  VROT -1.5 0 0.3
  DOCK 0 0 8  0 0 1  0 1 0
  DOCK 0 0 -8  0 0 -1  0 1 0
  ATTACH 0 -2 0  0 -1 0  0 0 1
END
Payload:Cargo
  MASS 500.5
  PMI 1 1 1
  RPOS 0.1 0 1200
  RVEL 0 0 0
  AROT 0 0 0
  VROT 0 0 0
END
END_SHIPS
)";

// A scenario as the host writes one, with the simulated host's display block among the host's own
// blocks and ships of every kind.
const char *const hostText = R"(BEGIN_HYPERDESC
<h1>Docked</h1><p>A glider docked at the station; the tether &amp; its pod.</p>
END_HYPERDESC

BEGIN_ENVIRONMENT
  System Sol
  Date MJD 51982.029
  Help Default\Docked,Index
END_ENVIRONMENT

BEGIN_FOCUS
  Ship GL-02
END_FOCUS

BEGIN_CAMERA
  TARGET GL-02
  MODE Cockpit
  FOV 50.00
END_CAMERA

BEGIN_MFD Left
  TYPE Docking
END_MFD

BEGIN_MFD Right
  TYPE User
  MODE Kestrane
  SetupTetherLength 150
  TetherData 0 CONNECT 0
END_MFD

BEGIN_PANEL
END_PANEL

BEGIN_SHIPS
ISS:ProjectAlpha_ISS
  STATUS Orbiting Earth
  ELEMENTS 6734919 0.0009 74.513 169.034 328.305 122.0 51544.5
  AROT -110.00 -15.00 -84.00
  PRPLEVEL 0:1.000
  DOCKINFO 1:0,GL-02
  IDS 0:588 100 1:586 100
END
GL-02:DeltaGlider
  STATUS Orbiting Earth
  DOCKINFO 0:1,ISS
  NAVFREQ 586 466 0 0
  FUEL 0.500
  SKIN BLUE
END

; Parked.
Mir
  STATUS Landed Moon
  BASE Brighton Beach:1
  HEADING 0.00
END
END_SHIPS
)";

std::string ParseError(const std::string &text) {
  try {
    sim::ParseScenario(text, "tug.scn");
  } catch (const sim::ScenarioError &error) {
    return error.what();
  }
  return "(no error)";
}

class ScenarioFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Unique, so that test programs of several builds can run at once.
    std::random_device entropy;
    do {
      folder = fs::temp_directory_path() / ("kestrane-scn-" + std::to_string(entropy()) + std::to_string(entropy()));
    } while (!fs::create_directory(folder));
  }
  void TearDown() override { fs::remove_all(folder); }

  fs::path folder;
};

TEST(ScenarioParseTest, HostSyntaxIsParsedAndFormattedBackUnchanged) {
  const sim::Scenario parsed = sim::ParseScenario(tugText, "tug.scn");
  EXPECT_EQ(sim::FormatScenario(parsed), tugText);
  ASSERT_EQ(parsed.ships.size(), 2u);
  EXPECT_EQ(parsed.ships[0].docks[1].dir.z, -1.0);
  EXPECT_EQ(parsed.ships[0].attachments[0].rot.z, 1.0);
  EXPECT_EQ(sim::LinesForReader(parsed.displays[0]),
            (std::vector<std::string>{"  SetupTetherLength 1000", "  TetherData 0 CONNECT 0", "END_MFD"}));
}

// Every line of a host scenario is kept: the parsed scenario formats to the very text, also with the
// line ends of Windows.
TEST(ScenarioParseTest, HostScenarioIsReadAndFormattedBackUnchanged) {
  const sim::Scenario parsed = sim::ParseScenario(hostText, "docked.scn");
  EXPECT_EQ(sim::FormatScenario(parsed), hostText);
  EXPECT_EQ(parsed.date, 51982.029);
  EXPECT_EQ(parsed.focus, "GL-02");
  ASSERT_EQ(parsed.displays.size(), 2u);
  EXPECT_EQ(parsed.displays[0].type, "Docking");
  EXPECT_EQ(parsed.displays[1].mode, "Kestrane");
  EXPECT_EQ(sim::LinesForReader(parsed.displays[1]),
            (std::vector<std::string>{"  SetupTetherLength 150", "  TetherData 0 CONNECT 0", "END_MFD"}));

  ASSERT_EQ(parsed.ships.size(), 3u);
  const sim::ShipState &iss = parsed.ships[0], &glider = parsed.ships[1], &mir = parsed.ships[2];
  EXPECT_EQ(iss.className, "ProjectAlpha_ISS");
  EXPECT_EQ(iss.status, sim::ShipStatus::Orbiting);
  EXPECT_EQ(iss.body, "Earth");
  ASSERT_TRUE(iss.elements);
  EXPECT_EQ(iss.elements->a, 6734919.0);
  EXPECT_EQ(iss.elements->periapsis, 328.305);
  EXPECT_EQ(iss.elements->epoch, 51544.5);
  ASSERT_EQ(iss.levels.size(), 1u);
  EXPECT_EQ(iss.levels[0].level, 1.0);
  ASSERT_EQ(iss.dockInfo.size(), 1u);
  EXPECT_EQ(iss.dockInfo[0].port, 1u);
  EXPECT_EQ(iss.dockInfo[0].other, "GL-02");
  EXPECT_FALSE(glider.rpos);
  EXPECT_EQ(glider.fuel, 0.5);
  EXPECT_EQ(mir.className, "Mir");  // no class given: the name's
  EXPECT_EQ(mir.status, sim::ShipStatus::Landed);
  EXPECT_EQ(mir.before, std::vector<std::string>({"", "; Parked."}));

  std::string crlf;
  for (const char *c = hostText; *c != 0; ++c) crlf += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
  EXPECT_EQ(sim::FormatScenario(sim::ParseScenario(crlf, "docked.scn")), crlf);
}

TEST(ScenarioParseTest, MalformedTextIsRefusedNamingLineAndProblem) {
  const std::string ships = "BEGIN_SHIPS\nTug:Generic\n";
  const std::string end = "END\nEND_SHIPS\n";
  const std::pair<std::string, std::string> cases[] = {
      {ships + "  MASS\n" + end, "tug.scn:3: MASS needs one number"},
      {ships + "  PMI 1 2\n" + end, "tug.scn:3: PMI needs three numbers"},
      {ships + "  DOCK 0 0 1 0 0 1 0 1\n" + end, "tug.scn:3: DOCK needs nine numbers: position, direction, rotation"},
      {ships + "  MASS 12abc\n" + end, "tug.scn:3: MASS: \"12abc\" is not a number"},
      {ships + "  MASS 1e999\n" + end, "tug.scn:3: MASS: \"1e999\" is out of range"},
      {ships + "  RPOS 0 inf 0\n" + end, "tug.scn:3: RPOS: \"inf\" is not a finite number"},
      {ships + "  MASS 0\n" + end, "tug.scn:3: MASS must be above 0"},
      {ships + "  MASS 5\n  MASS 6\n" + end, "tug.scn:4: MASS appears twice"},
      {ships + "  MASS 5\nEND_SHIPS\n", "tug.scn:2: ship \"Tug\" has no END"},
      {ships + "END\n", "tug.scn:1: BEGIN_SHIPS is not closed"},
      {ships + "END\ntug:Other\nEND\nEND_SHIPS\n", "tug.scn:4: ship \"tug\" is already given at line 2"},
      {"BEGIN_SHIPS\nTug Generic\nEND_SHIPS\n",
       "tug.scn:2: expected a ship as NAME or NAME:CLASS, not \"Tug Generic\""},
      {"BEGIN_SHIPS\nTug:\nEND_SHIPS\n", "tug.scn:2: expected a ship as NAME or NAME:CLASS, not \"Tug:\""},
      {"BEGIN_DESC\nno end\n", "tug.scn:1: BEGIN_DESC is not closed"},
      {"BEGIN_ENVIRONMENT\n  STEP -0.02\nEND_ENVIRONMENT\n", "tug.scn:2: STEP must be above 0"},
      {"BEGIN_ENVIRONMENT\nEND_ENVIRONMENT\nBEGIN_ENVIRONMENT\nEND_ENVIRONMENT\n",
       "tug.scn:3: BEGIN_ENVIRONMENT appears twice"},
      {"BEGIN_ENVIRONMENT\n  Date 51982.0975\nEND_ENVIRONMENT\n",
       "tug.scn:2: Date needs MJD and a number, e.g. Date MJD 51982.0975"},
      {"BEGIN_FOCUS\n  Ship Ghost\nEND_FOCUS\n" + ships + end,
       "tug.scn:2: focus ship \"Ghost\" is not among the ships"},
      {"BEGIN_MFD Left\n  MODE Kestrane\nEND_MFD\n", "tug.scn:2: BEGIN_MFD needs its TYPE line first"},
      {"BEGIN_MFD Left\nEND_MFD\n", "tug.scn:1: BEGIN_MFD has no TYPE line"},
      {"BEGIN_MFD Left\n  TYPE User\n  MODE Kestrane\n  SetupTetherLength 1000\n",
       "tug.scn:1: BEGIN_MFD is not closed"},
      {"BEGIN_MFD Left\n  TYPE User\nEND_MFD\nBEGIN_MFD Left\n  TYPE User\nEND_MFD\n",
       "tug.scn:4: a display block for Left is given twice"},
      {"BEGIN_CAMERA\n  TARGET Tug\n", "tug.scn:1: BEGIN_CAMERA is not closed"},
      {"CAMERA Tug\n", "tug.scn:1: unexpected line \"CAMERA Tug\""},
      {"BEGIN_SHIPS\n" + std::string(5000, 'A') + ":Generic\nEND\nEND_SHIPS\n",
       "tug.scn:2: line longer than 4096 characters"},
      {std::string("BEGIN_SHIPS\nTug:Gen\0ric\n", 24) + end, "tug.scn:2: not text: control byte 0x00"},
      // The host's own ship lines.
      {ships + "  STATUS Drifting Earth\n" + end,
       "tug.scn:3: STATUS needs Orbiting or Landed and a body, e.g. STATUS Orbiting Earth"},
      {ships + "  ELEMENTS 7e6 0 0 0 0 0\n" + end,
       "tug.scn:3: ELEMENTS needs seven numbers: a, e, i, node, periapsis, mean longitude, epoch (MJD)"},
      {ships + "  ELEMENTS 7e6 1.2 0 0 0 0 51544.5\n" + end,
       "tug.scn:3: ELEMENTS: the eccentricity must lie in 0 .. 1, below 1"},
      {ships + "  ELEMENTS -7e6 0 0 0 0 0 51544.5\n" + end, "tug.scn:3: ELEMENTS: the semi-major axis must be above 0"},
      {ships + "  RPOS 7e6 0 0\n  ELEMENTS 7e6 0 0 0 0 0 51544.5\n" + end,
       "tug.scn:4: ELEMENTS and RPOS both give the orbit"},
      {ships + "  PRPLEVEL 0:1.000 1\n" + end,
       "tug.scn:3: PRPLEVEL needs entries TANK:LEVEL, e.g. PRPLEVEL 0:1.000 1:0.5"},
      {ships + "  PRPLEVEL 0:full\n" + end, "tug.scn:3: PRPLEVEL: level \"full\" is not a number"},
      {ships + "  PRPLEVEL 0:1.5\n" + end, "tug.scn:3: PRPLEVEL: level 1.5 of tank 0 must lie in 0 .. 1"},
      {ships + "  FUEL 2\n" + end, "tug.scn:3: FUEL must lie in 0 .. 1"},
      {ships + "  DOCKINFO 0:1\n" + end, "tug.scn:3: DOCKINFO needs entries PORT:PORT,SHIP, e.g. DOCKINFO 0:1,ISS"},
      {ships + "  DOCKINFO 0:1,ISS 0:0,Mir\n" + end, "tug.scn:3: DOCKINFO gives port 0 twice"},
      {ships + "  DOCKINFO 0:1,ISS\n" + end,
       "tug.scn:3: ship \"Tug\" is docked to \"ISS\", which is not among the ships"},
      {ships + "  DOCKINFO 0:1,tug\n" + end, "tug.scn:3: ship \"Tug\" is docked to itself"},
  };
  for (const auto &[text, message] : cases) EXPECT_EQ(ParseError(text), message) << text.substr(0, 80);
}

// The host ends a ship, and a plug-in module's block, at a line that is END without regard to case
// and at nothing else: a vessel module's own sub-blocks inside a ship ("END INTERNAL", "SW END")
// are the ship's lines, kept in order, and the ship's own lines after them are read. A module's
// block is kept where it stands; one the run adds goes after the ships. The host's own sections
// end at their END_ line.
TEST(ScenarioParseTest, ShipsAndModuleBlocksEndWhereTheHostEndsThem) {
  const std::string text =
      "BEGIN_CAMERA\n  MODE Extern\n  END\nEND_CAMERA\n\nBEGIN_SHIPS\nTug:Dragonfly\n  MASS 100\n"
      "  INTERNAL: v1\n    PANEL :\n    SW END  \n    ROT END\n   END INTERNAL \n  STATUS Orbiting Earth\n"
      "  RPOS 7e6 0 0\nend ; the ship's end\nPod\n  MASS 5\nEnd\nEND_SHIPS\n\nBEGIN_ExtMFD\nEND\n\n"
      "BEGIN_Kestrane\n  SetupTetherLength 1000\n  END_MFD\n  Nested END\nEnd\n";
  const sim::Scenario s = sim::ParseScenario(text, "nested.scn");
  ASSERT_EQ(s.ships.size(), 2u);
  const sim::ShipState &tug = s.ships[0];
  EXPECT_EQ(tug.status, sim::ShipStatus::Orbiting);
  ASSERT_TRUE(tug.rpos);
  EXPECT_EQ(tug.rpos->x, 7e6);
  ASSERT_EQ(tug.lines.size(), 8u);
  EXPECT_EQ(tug.lines[3].text, "    SW END  ");
  EXPECT_EQ(tug.lines[5].text, "   END INTERNAL ");
  EXPECT_EQ(tug.end, "end ; the ship's end");
  EXPECT_EQ(s.ships[1].name, "Pod");

  ASSERT_EQ(s.modules.size(), 2u);
  EXPECT_EQ(s.modules[0].name, "ExtMFD");
  EXPECT_TRUE(s.modules[0].lines.empty());
  EXPECT_EQ(s.modules[1].lines, (std::vector<std::string>{"  SetupTetherLength 1000", "  END_MFD", "  Nested END"}));
  EXPECT_EQ(sim::FindModuleBlock(s, "KESTRANE"), &s.modules[1]);
  EXPECT_EQ(sim::FindModuleBlock(s, "Kestran"), nullptr);
  EXPECT_EQ(sim::LinesForReader(s.modules[1]).back(), "END");
  EXPECT_EQ(sim::FormatScenario(s), text);

  // A block the module writes anew replaces the one read, in its place; another module's block
  // goes after the ships, after a blank line.
  sim::Scenario changed = s;
  changed.modules[0] = {"ExtMFD", {"  Mode 2"}, {}};
  changed.modules.push_back({"Other", {"  A 1"}, {}});
  const std::string written = sim::FormatScenario(changed);
  EXPECT_NE(written.find("END_SHIPS\n\nBEGIN_ExtMFD\n  Mode 2\nEND\n\nBEGIN_Kestrane\n"), std::string::npos) << written;
  EXPECT_EQ(written.substr(written.rfind("End\n")), "End\n\nBEGIN_Other\n  A 1\nEND\n");
  sim::Scenario made;
  made.ships.push_back(s.ships[1]);
  made.ships[0].header.clear();
  made.modules.push_back({"Kestrane", {"  A 1"}, {}});
  const std::string standard = sim::FormatScenario(made);
  EXPECT_EQ(standard.substr(standard.find("BEGIN_SHIPS")),
            "BEGIN_SHIPS\nPod:Pod\n  MASS 5\nEND\nEND_SHIPS\n\nBEGIN_Kestrane\n  A 1\nEND\n");

  EXPECT_EQ(ParseError("BEGIN_ExtMFD\n  END_ExtMFD\n"), "tug.scn:1: BEGIN_ExtMFD is not closed: its END is missing");
  EXPECT_EQ(ParseError("BEGIN_SHIPS\nTug\n  MASS 1\n  END INTERNAL\nend_ships\n"),
            "tug.scn:2: ship \"Tug\" has no END");
}

TEST(ScenarioParseTest, UnusualButSoundTextIsRead) {
  const std::string longName(300, 'n');
  const sim::Scenario s = sim::ParseScenario("\xEF\xBB\xBF; saved by hand\r\n\r\nBEGIN_SHIPS\r\n" + longName +
                                                 ":Generic\r\n  MASS +2e3 ; kg\r\n\tRPOS -1 .5 1E2\r\nEND\r\nEND_SHIPS",
                                             "crlf.scn");
  ASSERT_EQ(s.ships.size(), 1u);
  EXPECT_EQ(s.ships[0].name, longName);
  EXPECT_EQ(s.ships[0].mass, 2000.0);
  EXPECT_EQ(s.ships[0].rpos->y, 0.5);
  EXPECT_EQ(s.ships[0].rpos->z, 100.0);
  EXPECT_FALSE(s.ships[0].pmi);  // not given: the class's
  EXPECT_EQ(s.focus, "");
  EXPECT_TRUE(sim::ParseScenario("", "empty.scn").ships.empty());
}

TEST(ScenarioParseTest, RandomTextIsRefusedOrReadsBackUnchanged) {
  // clang-format off
  const std::vector<std::string> pieces = {
      "BEGIN_SHIPS", "END_SHIPS", "END", "Tug:Generic", "Pod:Cargo", "  MASS 5", "  PMI 1 2 3", "  RPOS 1e308 0 0",
      "  AROT 370 -90 0", "  DOCK 0 0 1 0 0 1 0 1 0", "BEGIN_MFD Left", "  TYPE User", "  MODE Kestrane",
      "  TetherData 0 CONNECT 1", "END_MFD", "BEGIN_DESC", "END_DESC", "text ; with comment", "BEGIN_FOCUS",
      "  Ship Tug", "END_FOCUS", "BEGIN_ENVIRONMENT", "  STEP 0.5", "  GRAVITY 1", "END_ENVIRONMENT", "", "  ",
      "  Date MJD 51982.5", "  System Sol", "ISS", "  STATUS Orbiting Earth", "  STATUS Landed Moon",
      "  ELEMENTS 6734919 0.0009 74.513 169.034 328.305 122.0 51544.5", "  PRPLEVEL 0:1.000 1:0.5", "  FUEL 0.3",
      "  DOCKINFO 0:1,ISS", "  NAVFREQ 0 0", "BEGIN_CAMERA", "END_CAMERA", "BEGIN_HUD", "END_HUD", "  TYPE Docking"};
  // clang-format on
  std::mt19937 random(99);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int i = static_cast<int>(random() % 30); i > 0; --i) {
      if (random() % 10 == 0) {
        for (int b = static_cast<int>(random() % 50); b > 0; --b) text += static_cast<char>(random() % 256);
      } else {
        text += pieces[random() % pieces.size()];
      }
      text += random() % 5 == 0 ? "\r\n" : "\n";
    }
    sim::Scenario parsed;
    try {
      parsed = sim::ParseScenario(text, "random.scn");
    } catch (const sim::ScenarioError &error) {
      ASSERT_EQ(std::string(error.what()).rfind("random.scn:", 0), 0u) << error.what();
      continue;
    }
    ++accepted;
    const std::string formatted = sim::FormatScenario(parsed);
    ASSERT_EQ(sim::FormatScenario(sim::ParseScenario(formatted, "formatted.scn")), formatted) << text;
    // Only the line ends may differ from the text read: those of its first line are kept.
    if (text.empty()) continue;
    std::string unified = formatted, expected = text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text;
    for (std::string *t : {&unified, &expected}) {
      for (size_t at; (at = t->find("\r\n")) != std::string::npos;) t->erase(at, 1);
      if (!t->empty() && t->back() != '\n') *t += '\n';
    }
    ASSERT_EQ(unified, expected) << text;
  }
  EXPECT_GT(accepted, 30);  // the round trip was exercised, not only the refusals
}

TEST_F(ScenarioFileTest, FailedSaveLeavesTheOldFile) {
  const fs::path target = folder / "keep.scn";
  WriteFile(target, "old");
  sim::Scenario bad;
  bad.ships.push_back({});
  bad.ships[0].name = "Two Words";
  EXPECT_THROW(sim::SaveScenarioFile(target.string(), bad), sim::ScenarioError);
  EXPECT_EQ(FileText(target), "old");
  EXPECT_THROW(sim::SaveScenarioFile((folder / "missing" / "x.scn").string(), sim::Scenario{}), sim::ScenarioError);
  fs::create_directory(folder / "taken.scn");
  WriteFile(folder / "taken.scn" / "inside", "x");
  EXPECT_THROW(sim::SaveScenarioFile((folder / "taken.scn").string(), sim::Scenario{}), sim::ScenarioError);
  EXPECT_TRUE(fs::is_directory(folder / "taken.scn"));

  size_t entries = 0;
  for (const auto &entry : fs::directory_iterator(folder)) entries += entry.path().filename() != "" ? 1 : 0;
  EXPECT_EQ(entries, 2u);  // keep.scn and taken.scn: no temporary file left behind

  sim::SaveScenarioFile(target.string(), sim::Scenario{});
  EXPECT_EQ(FileText(target), "BEGIN_ENVIRONMENT\n  STEP 0.02\nEND_ENVIRONMENT\n\nBEGIN_SHIPS\nEND_SHIPS\n");
}

TEST_F(ScenarioFileTest, UnreadableFilesAreRefusedByName) {
  const std::string missing = (folder / "none.scn").string();
  const auto message = [](const std::string &path) -> std::string {
    try {
      sim::LoadScenarioFile(path);
    } catch (const sim::ScenarioError &error) {
      return error.what();
    }
    return "(no error)";
  };
  EXPECT_EQ(message(missing), missing + ": cannot be opened");
  EXPECT_EQ(message(folder.string()), folder.string() + ": is a folder, not a scenario file");
  const fs::path broken = folder / "broken.scn";
  WriteFile(broken, "BEGIN_SHIPS\nTug:Generic\n  MASS heavy\nEND\nEND_SHIPS\n");
  EXPECT_EQ(message(broken.string()), broken.string() + ":3: MASS: \"heavy\" is not a number");
}

}  // namespace

namespace {

TEST(ScenarioClockTest, TheClockIsSavedSoThatAResumedWorldKeepsItAndTheDateMovesOn) {
  const sim::Scenario start = sim::ParseScenario(
      "BEGIN_ENVIRONMENT\n  Date MJD 60000.25\nEND_ENVIRONMENT\nBEGIN_SHIPS\nTug:Generic\n  MASS 1000\n  PMI 1 1 1\n"
      "  RVEL 1 0 0\nEND\nEND_SHIPS\n",
      "t.scn");
  EXPECT_FALSE(start.time);
  sim::World first;
  sim::PopulateWorld(start, first);
  EXPECT_EQ(first.time, 0.0);
  for (int i = 0; i < 1865; ++i) first.Frame(nullptr);

  const std::string text = sim::FormatScenario(sim::CaptureWorld(first, &start));
  // 1865 steps of 0.02 s: the clock as the world reads it, the date moved on by it.
  EXPECT_NE(text.find("BEGIN_ENVIRONMENT\n  Date MJD " + sim::FormatReal(60000.25 + first.time / 86400) +
                      "\n  SIMTIME " + sim::FormatReal(first.time) + "\nEND_ENVIRONMENT\n"),
            std::string::npos)
      << text;
  const sim::Scenario saved = sim::ParseScenario(text, "saved.scn");
  // The same date, to the rounding of the day number (a few microseconds).
  EXPECT_NEAR(sim::DateAt(saved, first.time + 20), sim::DateAt(start, first.time + 20), 1e-10);
  sim::World resumed;
  sim::PopulateWorld(saved, resumed);
  // Frame after frame the same clock as the world that ran on.
  EXPECT_EQ(resumed.time, first.time);
  for (int i = 0; i < 2000; ++i) {
    first.Frame(nullptr);
    resumed.Frame(nullptr);
    ASSERT_EQ(resumed.time, first.time) << i;
  }
  // Saved unchanged, the file is written as it was read.
  sim::World again;
  sim::PopulateWorld(saved, again);
  EXPECT_EQ(sim::FormatScenario(sim::CaptureWorld(again, &saved)), text);

  // A file without a date gains no date, only the clock; the default date counts from 0.
  const sim::Scenario undated =
      sim::ParseScenario("BEGIN_SHIPS\nTug:Generic\n  MASS 1000\n  PMI 1 1 1\nEND\nEND_SHIPS\n", "u.scn");
  sim::World later;
  sim::PopulateWorld(undated, later);
  for (int i = 0; i < 50; ++i) later.Frame(nullptr);
  const sim::Scenario laterSaved = sim::CaptureWorld(later, &undated);
  EXPECT_FALSE(laterSaved.date);
  EXPECT_EQ(laterSaved.time, 1.0);
  EXPECT_EQ(sim::DateAt(laterSaved, 1.0), sim::DateAt(undated, 1.0));

  EXPECT_EQ(ParseError("BEGIN_ENVIRONMENT\n  SIMTIME -1\nEND_ENVIRONMENT\n"), "tug.scn:2: SIMTIME must not be below 0");
  EXPECT_EQ(ParseError("BEGIN_ENVIRONMENT\n  SIMTIME 1\n  SIMTIME 2\nEND_ENVIRONMENT\n"),
            "tug.scn:3: SIMTIME appears twice");
  EXPECT_EQ(ParseError("BEGIN_ENVIRONMENT\n  Date MJD 1\n  Date MJD 2\nEND_ENVIRONMENT\n"),
            "tug.scn:3: Date appears twice");
}

}  // namespace
