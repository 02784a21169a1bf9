#include "sim/scenario/ScenarioFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "sim/world/World.h"

namespace {

namespace fs = std::filesystem;

// Rounding of a few operations on numbers of size 1.
constexpr double angleTolerance = 1e-12;

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
  VROT 1.5 0 -0.3
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

std::string FileText(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

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
      {ships + "  FUEL 1\n" + end, "tug.scn:3: unknown ship item \"FUEL\""},
      {ships + "  MASS 5\nEND_SHIPS\n", "tug.scn:2: ship \"Tug\" has no END"},
      {ships + "END\n", "tug.scn:1: BEGIN_SHIPS is not closed"},
      {ships + "END\ntug:Other\nEND\nEND_SHIPS\n", "tug.scn:4: ship \"tug\" is already given at line 2"},
      {"BEGIN_SHIPS\nTug Generic\nEND_SHIPS\n", "tug.scn:2: expected a ship as NAME:CLASS, not \"Tug Generic\""},
      {"BEGIN_DESC\nno end\n", "tug.scn:1: BEGIN_DESC is not closed"},
      {"BEGIN_ENVIRONMENT\n  STEP -0.02\nEND_ENVIRONMENT\n", "tug.scn:2: STEP must be above 0"},
      {"BEGIN_ENVIRONMENT\nEND_ENVIRONMENT\nBEGIN_ENVIRONMENT\nEND_ENVIRONMENT\n",
       "tug.scn:3: BEGIN_ENVIRONMENT appears twice"},
      {"BEGIN_FOCUS\n  Ship Ghost\nEND_FOCUS\n" + ships + end,
       "tug.scn:2: focus ship \"Ghost\" is not among the ships"},
      {"BEGIN_MFD Left\n  MODE Kestrane\nEND_MFD\n", "tug.scn:2: BEGIN_MFD needs its TYPE line first"},
      {"BEGIN_MFD Left\nEND_MFD\n", "tug.scn:1: BEGIN_MFD has no TYPE line"},
      {"BEGIN_MFD Left\n  TYPE User\n  MODE Kestrane\n  SetupTetherLength 1000\n",
       "tug.scn:1: BEGIN_MFD is not closed"},
      {"BEGIN_MFD Left\n  TYPE User\nEND_MFD\nBEGIN_MFD Left\n  TYPE User\nEND_MFD\n",
       "tug.scn:4: a display block for Left is given twice"},
      {"BEGIN_CAMERA\nEND_CAMERA\n", "tug.scn:1: unexpected line \"BEGIN_CAMERA\""},
      {"BEGIN_SHIPS\n" + std::string(5000, 'A') + ":Generic\nEND\nEND_SHIPS\n",
       "tug.scn:2: line longer than 4096 characters"},
      {std::string("BEGIN_SHIPS\nTug:Gen\0ric\n", 24) + end, "tug.scn:2: not text: control byte 0x00"},
  };
  for (const auto &[text, message] : cases) EXPECT_EQ(ParseError(text), message) << text.substr(0, 80);
}

TEST(ScenarioParseTest, UnusualButSoundTextIsRead) {
  const std::string longName(300, 'n');
  const sim::Scenario s = sim::ParseScenario("\xEF\xBB\xBF; saved by hand\r\n\r\nBEGIN_SHIPS\r\n" + longName +
                                                 ":Generic\r\n  MASS +2e3 ; kg\r\n\tRPOS -1 .5 1E2\r\nEND\r\nEND_SHIPS",
                                             "crlf.scn");
  ASSERT_EQ(s.ships.size(), 1u);
  EXPECT_EQ(s.ships[0].name, longName);
  EXPECT_EQ(s.ships[0].mass, 2000.0);
  EXPECT_EQ(s.ships[0].rpos.y, 0.5);
  EXPECT_EQ(s.ships[0].rpos.z, 100.0);
  EXPECT_EQ(s.ships[0].pmi.x, 1.0);  // not given
  EXPECT_EQ(s.focus, "");
  EXPECT_TRUE(sim::ParseScenario("", "empty.scn").ships.empty());
}

TEST(ScenarioParseTest, RandomTextIsRefusedOrReadsBackUnchanged) {
  // clang-format off
  const std::vector<std::string> pieces = {
      "BEGIN_SHIPS", "END_SHIPS", "END", "Tug:Generic", "Pod:Cargo", "  MASS 5", "  PMI 1 2 3", "  RPOS 1e308 0 0",
      "  AROT 370 -90 0", "  DOCK 0 0 1 0 0 1 0 1 0", "BEGIN_MFD Left", "  TYPE User", "  MODE Kestrane",
      "  TetherData 0 CONNECT 1", "END_MFD", "BEGIN_DESC", "END_DESC", "text ; with comment", "BEGIN_FOCUS",
      "  Ship Tug", "END_FOCUS", "BEGIN_ENVIRONMENT", "  STEP 0.5", "  GRAVITY 1", "END_ENVIRONMENT", "", "  "};
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
  }
  EXPECT_GT(accepted, 30);  // the round trip was exercised, not only the refusals
}

TEST(ScenarioAnglesTest, AnglesTurnAboutGlobalAxesZThenYThenX) {
  const double quarter = PI / 2;
  // About z by 90°: the vessel's x axis points along global y.
  const sim::Vec3 x = sim::RotationFromAngles({0, 0, quarter}) * sim::Vec3{1, 0, 0};
  EXPECT_NEAR(x.y, 1.0, angleTolerance);
  // About x by 90°: the vessel's y axis points along global z.
  const sim::Vec3 y = sim::RotationFromAngles({quarter, 0, 0}) * sim::Vec3{0, 1, 0};
  EXPECT_NEAR(y.z, 1.0, angleTolerance);
  // z first, then y: the vessel's x axis goes to global y and stays there under y.
  const sim::Vec3 zy = sim::RotationFromAngles({0, quarter, quarter}) * sim::Vec3{1, 0, 0};
  EXPECT_NEAR(zy.y, 1.0, angleTolerance);

  // At b = 90° only a + c counts; the angles found give the same matrix.
  const sim::Mat3 locked = sim::RotationFromAngles({0.4, quarter, 0.3});
  const sim::Mat3 again = sim::RotationFromAngles(sim::AnglesFromRotation(locked));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(again.m[i][j], locked.m[i][j], angleTolerance) << i << j;
}

TEST(ScenarioWorldTest, PopulatesTheWorldAndRefusesTakenNamesWhole) {
  const sim::Scenario s = sim::ParseScenario(tugText, "tug.scn");
  sim::World world;
  sim::PopulateWorld(s, world);
  ASSERT_EQ(world.VesselCount(), 2u);
  EXPECT_EQ(world.Focus(), world.FindByName("tug"));
  EXPECT_EQ(world.step, 0.02);
  EXPECT_EQ(world.gravityGM, 3.986004418e14);
  const sim::Vessel &payload = *world.FindByName("Payload");
  EXPECT_EQ(payload.ClassName(), "Cargo");
  EXPECT_EQ(payload.dryMass, 500.5);
  EXPECT_EQ(payload.pos.z, 1200.0);
  EXPECT_EQ(world.FindByName("Tug")->docks.size(), 2u);
  EXPECT_EQ(world.FindByName("Tug")->attachments.size(), 1u);

  // AROT in degrees and VROT in deg/s become the vessel's matrix and rad/s.
  const sim::Vessel &tug = *world.FindByName("Tug");
  const sim::Mat3 expected = sim::RotationFromAngles({30 * PI / 180, -45 * PI / 180, 120.5 * PI / 180});
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(tug.rot.m[i][j], expected.m[i][j], angleTolerance);
  EXPECT_NEAR(tug.angVel.x, 1.5 * PI / 180, angleTolerance);
  EXPECT_NEAR(tug.angVel.z, -0.3 * PI / 180, angleTolerance);

  sim::World crowded;
  crowded.CreateVessel("PAYLOAD");
  try {
    sim::PopulateWorld(s, crowded);
    ADD_FAILURE() << "a taken name was accepted";
  } catch (const sim::ScenarioError &error) {
    EXPECT_STREQ(error.what(), "vessel \"Payload\" already exists");
  }
  EXPECT_EQ(crowded.VesselCount(), 1u);
  EXPECT_EQ(crowded.FindByName("Tug"), nullptr);
}

TEST_F(ScenarioFileTest, SaveLoadAndSaveAgainGiveTheSameFile) {
  const sim::Scenario loaded = sim::ParseScenario(tugText, "tug.scn");
  sim::World world;
  sim::PopulateWorld(loaded, world);
  const fs::path first = folder / "first.scn";
  sim::SaveScenarioFile(first.string(), sim::CaptureWorld(world, &loaded));
  EXPECT_NE(FileText(first).find("  AROT 30 -45 120.5\n  VROT 1.5 0 -0.3\n"), std::string::npos) << FileText(first);

  const sim::Scenario reloaded = sim::LoadScenarioFile(first.string());
  sim::World again;
  sim::PopulateWorld(reloaded, again);
  const fs::path second = folder / "second.scn";
  sim::SaveScenarioFile(second.string(), sim::CaptureWorld(again, &reloaded));
  EXPECT_EQ(FileText(second), FileText(first));

  // A world turned and spun by other means: its first save holds the angles found from the
  // matrix, and from there the file stays the same.
  sim::World moved;
  sim::PopulateWorld(loaded, moved);
  sim::Vessel &tug = *moved.FindByName("Tug");
  tug.rot = sim::RotationFromAngles({0.123456789, 1.2, -2.5}) * tug.rot;
  tug.angVel = {0.01, -0.002, 0.3};
  const fs::path third = folder / "third.scn";
  sim::SaveScenarioFile(third.string(), sim::CaptureWorld(moved, &loaded));
  const sim::Scenario thirdLoaded = sim::LoadScenarioFile(third.string());
  sim::World movedAgain;
  sim::PopulateWorld(thirdLoaded, movedAgain);
  const sim::Vessel &tugAgain = *movedAgain.FindByName("Tug");
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(tugAgain.rot.m[i][j], tug.rot.m[i][j], angleTolerance);
  EXPECT_NEAR(tugAgain.angVel.z, 0.3, angleTolerance);
  const fs::path fourth = folder / "fourth.scn";
  sim::SaveScenarioFile(fourth.string(), sim::CaptureWorld(movedAgain, &thirdLoaded));
  EXPECT_EQ(FileText(fourth), FileText(third));
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

// The date carries the time in steps of 2^-37 of a day near 2000.
constexpr double dateResolution = 1e-6;  // s

TEST(ScenarioDateTest, TheDateCarriesTheSimulatedTimeSoThatAResumedWorldKeepsTheSameClock) {
  const sim::Scenario start = sim::ParseScenario("BEGIN_SHIPS\nTug:Generic\n  RVEL 1 0 0\nEND\nEND_SHIPS\n", "t.scn");
  EXPECT_FALSE(start.mjd);
  sim::World first;
  sim::PopulateWorld(start, first);
  EXPECT_EQ(first.time, 0.0);
  for (int i = 0; i < 1865; ++i) first.Frame(nullptr);

  const std::string text = sim::FormatScenario(sim::CaptureWorld(first, &start));
  EXPECT_NE(text.find("BEGIN_ENVIRONMENT\n  Date MJD 51544.50043171296"), std::string::npos) << text;
  const sim::Scenario saved = sim::ParseScenario(text, "saved.scn");
  sim::World resumed;
  sim::PopulateWorld(saved, resumed);
  // Exactly the 1865 steps, not the time within the date's resolution; and frame after frame the
  // same clock as the world that ran on.
  EXPECT_EQ(resumed.time, first.time);
  for (int i = 0; i < 2000; ++i) {
    first.Frame(nullptr);
    resumed.Frame(nullptr);
    ASSERT_EQ(resumed.time, first.time) << i;
  }
  // Saved unchanged, the date is written as it was read.
  sim::World again;
  sim::PopulateWorld(saved, again);
  EXPECT_EQ(sim::FormatScenario(sim::CaptureWorld(again, &saved)), text);

  // A time off the steps is kept as the date gives it.
  const double offStep = 0.0123;
  EXPECT_NEAR(sim::TimeFromDate(sim::DateFromTime(offStep), 0.02), offStep, dateResolution);

  EXPECT_EQ(ParseError("BEGIN_ENVIRONMENT\n  Date JD 2451545\nEND_ENVIRONMENT\n"),
            "tug.scn:2: Date needs MJD and a number");
  EXPECT_EQ(ParseError("BEGIN_ENVIRONMENT\n  Date MJD soon\nEND_ENVIRONMENT\n"),
            "tug.scn:2: Date: \"soon\" is not a number");
  EXPECT_EQ(ParseError("BEGIN_ENVIRONMENT\n  Date MJD 1\n  Date MJD 2\nEND_ENVIRONMENT\n"),
            "tug.scn:3: Date appears twice");
  EXPECT_EQ(ParseError("BEGIN_ENVIRONMENT\n  Date MJD 1e305\nEND_ENVIRONMENT\n"),
            "tug.scn:2: Date MJD is out of range");
}

}  // namespace
