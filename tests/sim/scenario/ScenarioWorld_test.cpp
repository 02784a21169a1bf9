#include "sim/scenario/ScenarioWorld.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "sim/scenario/HostAngles.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/world/World.h"

namespace {

using support::FileText;
using support::WriteFile;

namespace fs = std::filesystem;

// Rounding of a few operations on numbers of size 1.
constexpr double angleTolerance = 1e-12;
// Rounding of positions of thousands of metres through a few products of rotations.
constexpr double placeTolerance = 1e-9;
constexpr double degree = PI / 180;

// Our own free-space syntax: formatting what is parsed from it gives it back unchanged.
const char *const tugText = R"(BEGIN_DESC
A tug and its payload.
END_DESC

BEGIN_ENVIRONMENT
  STEP 0.02
  GRAVITY 398600441800000
END_ENVIRONMENT

BEGIN_FOCUS
  Ship Tug
END_FOCUS

BEGIN_SHIPS
Tug:Generic
  MASS 12000
  PMI 4 4 2
  RPOS 7000000 0 0
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
  RPOS 7000000.1 0 1200
  RVEL 0 0 0
  AROT 0 0 0
  VROT 0 0 0
END
END_SHIPS
)";

// Ships of every kind the host writes, around the Earth.
const char *const orbitText = R"(BEGIN_ENVIRONMENT
  System Sol
  Date MJD 51982.5
END_ENVIRONMENT

BEGIN_FOCUS
  Ship Tug
END_FOCUS

BEGIN_SHIPS
Tug:ShuttlePB
  STATUS Orbiting Earth
  RPOS 7000000 0 0
  RVEL 0 0 7546.05
  AROT 10 20 30
  PRPLEVEL 0:0.5
  NAVFREQ 0 0
  XPDR 0
END
Wheel:ShuttlePB
  STATUS Orbiting Moon
  RPOS 2000000 0 0
  RVEL 0 0 1500
END
Base:DeltaGlider
  STATUS Landed Earth
  POS -80.6826440 28.5970140
  HEADING 330.01
END
Payload:Cargo
  STATUS Orbiting Earth
  RPOS 7000000 10 0
  RVEL 0 0 7546.05
  ATTACHED 0:0,Tug
END
END_SHIPS
)";

// The text with `from` replaced by `to`, once.
std::string Replaced(std::string text, const std::string &from, const std::string &to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string PopulateError(const std::string &text, sim::VesselClasses &classes) {
  try {
    sim::World world;
    sim::PopulateWorld(sim::ParseScenario(text, "ships.scn"), world, classes);
  } catch (const sim::ScenarioError &error) {
    return error.what();
  }
  return "(no error)";
}

std::string PopulateError(const std::string &text) {
  sim::VesselClasses stock;
  return PopulateError(text, stock);
}

// A scenario loaded, its world captured straight away, as text.
std::string SavedAfterLoad(const std::string &text) {
  const sim::Scenario loaded = sim::ParseScenario(text, "ships.scn");
  sim::World world;
  sim::PopulateWorld(loaded, world);
  return sim::FormatScenario(sim::CaptureWorld(world, &loaded));
}

class ScenarioWorldFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Unique, so that test programs of several builds can run at once.
    std::random_device entropy;
    do {
      folder = fs::temp_directory_path() / ("kestrane-world-" + std::to_string(entropy()) + std::to_string(entropy()));
    } while (!fs::create_directory(folder));
  }
  void TearDown() override { fs::remove_all(folder); }

  fs::path folder;
};

}  // namespace

TEST(ScenarioWorldTest, PopulatesTheWorldAndRefusesTakenNamesWhole) {
  const sim::Scenario s = sim::ParseScenario(tugText, "tug.scn");
  sim::World world;
  const sim::ScenarioPlan plan = sim::PopulateWorld(s, world);
  EXPECT_EQ(plan.Carried(), 0u);
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

  // AROT in degrees becomes the host's matrix; VROT in deg/s, the host's left-handed spin, becomes
  // the right-handed spin in rad/s with the opposite sign.
  const sim::Vessel &tug = *world.FindByName("Tug");
  const sim::Mat3 expected = sim::RotationFromAngles({30 * degree, -45 * degree, 120.5 * degree});
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(tug.rot.m[i][j], expected.m[i][j], angleTolerance);
  EXPECT_NEAR(tug.angVel.x, 1.5 * degree, angleTolerance);
  EXPECT_NEAR(tug.angVel.z, -0.3 * degree, angleTolerance);

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

TEST_F(ScenarioWorldFolderTest, SaveLoadAndSaveAgainGiveTheSameFile) {
  const sim::Scenario loaded = sim::ParseScenario(tugText, "tug.scn");
  sim::World world;
  sim::PopulateWorld(loaded, world);
  const fs::path first = folder / "first.scn";
  sim::SaveScenarioFile(first.string(), sim::CaptureWorld(world, &loaded));
  EXPECT_EQ(FileText(first), tugText);

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

// In the host's left-handed frame a positive spin about z turns the vessel's x axis from +x
// towards −y (the first column of its matrix is (cos γ, −sin γ, 0)), and AROT's γ grows with it.
TEST(ScenarioWorldTest, ASpinAboutZMakesTheSavedArotZGrowAsInTheHost) {
  const std::string text = Replaced(tugText, "  VROT -1.5 0 0.3", "  VROT 0 0 10");
  const sim::Scenario loaded = sim::ParseScenario(Replaced(text, "AROT 30 -45 120.5", "AROT 0 0 5"), "spin.scn");
  sim::World world;
  sim::PopulateWorld(loaded, world);
  world.gravityGM.reset();
  while (world.time < 1 - 1e-9) world.Frame({});
  const sim::Vessel &tug = *world.FindByName("Tug");
  EXPECT_NEAR(tug.rot.m[0][0], std::cos(15 * degree), angleTolerance);
  EXPECT_NEAR(tug.rot.m[1][0], -std::sin(15 * degree), angleTolerance);

  const sim::Scenario saved = sim::CaptureWorld(world, &loaded);
  ASSERT_TRUE(saved.ships[0].arot);
  EXPECT_NEAR(saved.ships[0].arot->z, 15, 1e-9);
  EXPECT_NEAR(saved.ships[0].arot->x, 0, 1e-9);
  EXPECT_NEAR(saved.ships[0].vrot->z, 10, 1e-9);
}

// The central body is the focus ship's, with the host's mass; ships landed, orbiting another body
// or attached to a parent are carried: not in the world, and written back line for line.
TEST(ScenarioWorldTest, TheFocusShipsBodyIsCentralAndOtherShipsAreCarriedAsRead) {
  const sim::Scenario loaded = sim::ParseScenario(orbitText, "orbit.scn");
  sim::World world;
  const sim::ScenarioPlan plan = sim::PopulateWorld(loaded, world);
  EXPECT_EQ(plan.Carried(), 3u);
  ASSERT_EQ(world.VesselCount(), 1u);
  EXPECT_EQ(world.gravityGM, sim::gravitationalConstant * 5.973698968e24);
  const sim::Vessel &tug = *world.FindByName("Tug");
  EXPECT_EQ(tug.Mass(), 500 + 0.5 * 750);  // the stock ShuttlePB, its tank half full
  EXPECT_EQ(tug.ownTanks, 1u);

  // Saved straight away: the file it read.
  EXPECT_EQ(sim::FormatScenario(sim::CaptureWorld(world, &loaded)), orbitText);

  // A minute later the tug has moved and the date with it; the carried ships have not.
  while (world.time < 60 - 1e-9) world.Frame({});
  const std::string later = sim::FormatScenario(sim::CaptureWorld(world, &loaded));
  const std::string carried = std::string(orbitText).substr(std::string(orbitText).find("Wheel:"));
  EXPECT_NE(later.find(carried), std::string::npos) << later;
  EXPECT_NE(later.find("  Date MJD " + sim::FormatReal(51982.5 + 60.0 / 86400) + "\n"), std::string::npos) << later;
  EXPECT_EQ(later.find("  RPOS 7000000 0 0\n"), std::string::npos) << later;

  // A landed focus: its body is still central, the first simulated ship takes the focus, and the
  // file keeps naming the one it named.
  const sim::Scenario landed = sim::ParseScenario(Replaced(orbitText, "Ship Tug", "Ship Base"), "orbit.scn");
  sim::World second;
  sim::PopulateWorld(landed, second);
  EXPECT_EQ(second.Focus(), second.FindByName("Tug"));
  EXPECT_EQ(sim::CaptureWorld(second, &landed).focus, "Base");

  // Focus on the Moon: the Moon's gravity, and the Earth's ships are carried.
  const sim::Scenario moon = sim::ParseScenario(Replaced(orbitText, "Ship Tug", "Ship Wheel"), "orbit.scn");
  sim::World third;
  EXPECT_EQ(sim::PopulateWorld(moon, third).Carried(), 3u);
  EXPECT_EQ(third.gravityGM, sim::gravitationalConstant * 7.347673176382784e22);
  EXPECT_NE(third.FindByName("Wheel"), nullptr);

  EXPECT_EQ(PopulateError(Replaced(orbitText, "Orbiting Earth", "Orbiting Mars")),
            "ships.scn:11: ship \"Tug\" is at \"Mars\", a central body not known here (Earth and Moon are)");
  EXPECT_EQ(PopulateError(Replaced(orbitText, "  System Sol", "  GRAVITY 4e14")),
            "ships.scn:2: GRAVITY cannot be given with ships at Earth: the body's own mass gives the gravity");
  EXPECT_EQ(PopulateError(Replaced(Replaced(orbitText, "  RPOS 7000000 0 0\n", ""), "  RVEL 0 0 7546.05\n", "")),
            "ships.scn:11: ship \"Tug\" orbits Earth but gives neither RPOS nor ELEMENTS");

  // A ship at the centre of the body, where the first step would fling it out: given there, or
  // left there for want of a position of its own.
  EXPECT_EQ(PopulateError(Replaced(orbitText, "  RPOS 7000000 0 0\n", "  RPOS 0 -5000 0\n")),
            "ships.scn:11: ship \"Tug\" lies at the centre of Earth, within 5422 m of it, where no step of 0.02 s "
            "can follow it");
  EXPECT_EQ(PopulateError(Replaced(orbitText, "END_SHIPS", "Drifter:ShuttlePB\n  RVEL 0 0 7546\nEND\nEND_SHIPS")),
            "ships.scn:36: ship \"Drifter\" lies at the centre of Earth, within 5422 m of it, where no step of 0.02 "
            "s can follow it: give it RPOS");
  EXPECT_EQ(PopulateError(Replaced(orbitText, "  RVEL 0 0 7546.05\n", "  RVEL 0 0 1e38\n")),
            "ships.scn:11: ship \"Tug\" lies or moves out of range: a position or velocity beyond 1e+37 m or m/s");
  EXPECT_EQ(PopulateError(Replaced(tugText, "  RPOS 7000000 0 0\n", "  RPOS 0 0 0\n")),
            "ships.scn:15: ship \"Tug\" lies at the centre of the body of GRAVITY, within 5422 m of it, where no step "
            "of 0.02 s can follow it");
}

// A ship's own MASS, PMI and DOCK lines come first, then a configuration file of the host folder
// (its name matched without regard to case), then the stock classes; a class known nowhere is
// refused in one line that says how to provide it.
TEST_F(ScenarioWorldFolderTest, ClassDataComesFromTheShipThenTheHostFolderThenTheStockClasses) {
  fs::create_directories(folder / "Config" / "Vessels");
  WriteFile(folder / "Config" / "Vessels" / "shuttlepb.CFG",
            "; A heavier shuttle\r\nMass = 600\r\nInertia = 1 2 3   ; m^2\r\nMaxFuel = 100\r\n"
            "BEGIN_DOCKLIST\r\n0 0 2  0 0 1  0 1 0  540\r\n0 0 -2  0 0 -1  0 1 0\r\nEND_DOCKLIST\r\n");
  const std::string text =
      "BEGIN_SHIPS\nA:ShuttlePB\n  RPOS 0 0 0\nEND\nB:ShuttlePB\n  MASS 900\n  RPOS 10 0 0\nEND\n"
      "C:DeltaGlider\n  FUEL 0.5\n  RPOS 20 0 0\nEND\nD:Probe\n  MASS 50\n  PMI 5 6 7\n  DOCK 1 0 0  1 0 0  0 0 1\n"
      "  RPOS 30 0 0\nEND\nE:deltaglider\n  PRPLEVEL 1:0.25\n  RPOS 40 0 0\nEND\nEND_SHIPS\n";
  const sim::Scenario scenario = sim::ParseScenario(text, "ships.scn");

  sim::VesselClasses host(folder.string());
  sim::World world;
  sim::PopulateWorld(scenario, world, host);
  const sim::Vessel &a = *world.FindByName("A"), &b = *world.FindByName("B"), &c = *world.FindByName("C");
  const sim::Vessel &d = *world.FindByName("D"), &e = *world.FindByName("E");
  EXPECT_EQ(a.Mass(), 600 + 100);
  EXPECT_EQ(a.pmi.z, 3.0);
  ASSERT_EQ(a.docks.size(), 2u);
  EXPECT_EQ(a.docks[1].pos.z, -2.0);
  EXPECT_EQ(b.dryMass, 900.0);                      // its own line
  EXPECT_EQ(b.pmi.y, 2.0);                          // the rest from the file
  EXPECT_EQ(c.Mass(), 11000 + 0.5 * 12900 + 600);   // stock: FUEL fills the first tank
  EXPECT_EQ(e.Mass(), 11000 + 12900 + 0.25 * 600);  // class names without regard to case
  EXPECT_EQ(c.docks[0].pos.z, 10.076);
  EXPECT_EQ(d.pmi.x, 5.0);
  ASSERT_EQ(d.docks.size(), 1u);
  EXPECT_EQ(d.ownTanks, 0u);

  // Without the host folder the stock ShuttlePB.
  sim::World stock;
  sim::PopulateWorld(scenario, stock);
  EXPECT_EQ(stock.FindByName("A")->Mass(), 500 + 750);
  EXPECT_EQ(stock.FindByName("A")->pmi.x, 2.28);

  const std::string unknown = "BEGIN_SHIPS\nISS\n  STATUS Orbiting Earth\n  RPOS 7e6 0 0\nEND\nEND_SHIPS\n";
  EXPECT_EQ(PopulateError(unknown),
            "ships.scn:2: ship \"ISS\" is of class \"ISS\", which is known nowhere: give it MASS and PMI lines, or "
            "--host-dir DIR with DIR/Config/Vessels/ISS.cfg");
  EXPECT_EQ(
      PopulateError(unknown, host),
      "ships.scn:2: ship \"ISS\" is of class \"ISS\", which is known nowhere: give it MASS and PMI lines, or put " +
          (folder / "Config" / "Vessels" / "ISS.cfg").string() + " in place");
  // Carried, a ship needs no class.
  EXPECT_EQ(PopulateError(Replaced(unknown, "Orbiting Earth", "Landed Earth")), "(no error)");
}

// A docked ship sits where the ports meet: positions equal, directions opposite, alignments equal;
// it moves with the ship it is docked to, and both are one assembly.
TEST(ScenarioWorldTest, DockedShipsArePlacedWhereTheirPortsMeetAndMoveAsOne) {
  const std::string text = R"(BEGIN_SHIPS
Station:Hub
  MASS 100000
  PMI 100 120 140
  DOCK 0 0 10  0 0 1  0 1 0
  DOCK 10 2 0  1 0 0  0 0 1
  RPOS 1000 2000 3000
  RVEL 1 2 3
  AROT 10 20 30
  VROT 0.5 -1 2
  DOCKINFO 1:0,Glider
END
Glider:DeltaGlider
  DOCKINFO 0:1,Station
END
END_SHIPS
)";
  const sim::Scenario loaded = sim::ParseScenario(text, "docked.scn");
  sim::World world;
  sim::PopulateWorld(loaded, world);
  const sim::Vessel &station = *world.FindByName("Station"), &glider = *world.FindByName("Glider");
  ASSERT_NE(station.DockedIn(), nullptr);
  EXPECT_EQ(station.DockedIn(), glider.DockedIn());
  EXPECT_EQ(station.DockedIn()->Mass(), 100000 + 24500);

  const sim::DockingPort &p = station.docks[1], &q = glider.docks[0];
  const sim::Vec3 at1 = station.pos + station.rot * p.pos, at2 = glider.pos + glider.rot * q.pos;
  EXPECT_LT(Length(at1 - at2), placeTolerance);
  EXPECT_LT(Length(station.rot * p.dir + glider.rot * q.dir), angleTolerance);
  EXPECT_LT(Length(station.rot * p.rot - glider.rot * q.rot), angleTolerance);

  // One rigid motion: the glider's velocity is the station's plus ω × r, its spin the same turn.
  const sim::Vec3 spin = station.rot * station.angVel;
  const sim::Vec3 expected = station.vel + Cross(spin, glider.pos - station.pos);
  EXPECT_LT(Length(glider.vel - expected), placeTolerance);
  EXPECT_LT(Length(glider.rot * glider.angVel - spin), angleTolerance);
  EXPECT_NEAR(station.pos.x, 1000, placeTolerance);
  EXPECT_NEAR(station.vel.z, 3, placeTolerance);

  // Saved, each ship keeps its DOCKINFO and the glider gains the state it had none of.
  const sim::Scenario saved = sim::CaptureWorld(world, &loaded);
  EXPECT_EQ(saved.ships[1].dockInfo.size(), 1u);
  ASSERT_TRUE(saved.ships[1].rpos);
  EXPECT_LT(Length(*saved.ships[1].rpos - glider.pos), placeTolerance);
  const std::string savedText = sim::FormatScenario(saved);
  EXPECT_NE(savedText.find("Glider:DeltaGlider\n  RPOS "), std::string::npos) << savedText;
  EXPECT_NE(savedText.find("  DOCKINFO 0:1,Station\nEND\n"), std::string::npos) << savedText;

  // Deleted, the glider leaves the station flying free, and the station's DOCKINFO goes.
  world.DeleteVessel(world.FindByName("Glider"));
  EXPECT_EQ(station.DockedIn(), nullptr);
  const sim::Scenario alone = sim::CaptureWorld(world, &loaded);
  ASSERT_EQ(alone.ships.size(), 1u);
  EXPECT_TRUE(alone.ships[0].dockInfo.empty());
  EXPECT_EQ(sim::FormatScenario(alone).find("DOCKINFO"), std::string::npos);
}

// A bad docking is refused in one line naming the file and the line.
TEST(ScenarioWorldTest, ImpossibleDockingsAreRefusedNamingTheLine) {
  const std::string ships = "BEGIN_SHIPS\nA:ShuttlePB\n  STATUS Orbiting Earth\n  RPOS 7e6 0 0\n";
  const std::pair<std::string, std::string> cases[] = {
      {ships + "  DOCKINFO 0:0,B\nEND\nB:ShuttlePB\n  STATUS Landed Earth\nEND\nEND_SHIPS\n",
       "ships.scn:5: ship \"A\" is docked to \"B\", which is landed on Earth and not simulated with it"},
      {ships + "  DOCKINFO 3:0,B\nEND\nB:ShuttlePB\n  STATUS Orbiting Earth\nEND\nEND_SHIPS\n",
       "ships.scn:5: ship \"A\" has no docking port 3 (it has 1)"},
      {ships +
           "  DOCKINFO 0:0,B\nEND\nB:ShuttlePB\n  STATUS Orbiting Earth\nEND\nC:ShuttlePB\n  STATUS Orbiting Earth\n"
           "  DOCKINFO 0:0,B\nEND\nEND_SHIPS\n",
       "ships.scn:12: docking port 0 of ship \"B\" is docked twice"},
      {"BEGIN_SHIPS\nA:ShuttlePB\n  STATUS Orbiting Earth\n  DOCKINFO 0:0,B\nEND\nB:ShuttlePB\n"
       "  STATUS Orbiting Earth\nEND\nEND_SHIPS\n",
       "ships.scn:2: ship \"A\" orbits Earth but gives neither RPOS nor ELEMENTS, nor does any ship docked to it"},
      {"BEGIN_SHIPS\nA:ShuttlePB\n  ELEMENTS 7e6 0 0 0 0 0 51544.5\nEND\nEND_SHIPS\n",
       "ships.scn:2: ship \"A\" gives ELEMENTS but no body to orbit: add STATUS Orbiting Earth"},
  };
  for (const auto &[text, message] : cases) EXPECT_EQ(PopulateError(text), message) << text;
}

// The values the world owns change in place; FUEL and ELEMENTS, once the world has moved the ship,
// become the host's PRPLEVEL and RPOS/RVEL, in their places.
TEST(ScenarioWorldTest, CapturedShipsKeepTheirLinesAndWriteWhatChangedInPlace) {
  const std::string text = R"(BEGIN_ENVIRONMENT
  Date MJD 51544.5
END_ENVIRONMENT

BEGIN_SHIPS
G:DeltaGlider
  STATUS Orbiting Earth
  ELEMENTS 7000000 0 0 0 0 0 51544.5   ; circular, in the ecliptic
  NAVFREQ 0 0
  FUEL 0.5
  GEAR 1 1.0
END
END_SHIPS
)";
  EXPECT_EQ(SavedAfterLoad(Replaced(text, "  ELEMENTS 7000000 0 0 0 0 0 51544.5   ; circular, in the ecliptic",
                                    "  RPOS 7000000 0 0 ; m\n  RVEL 0 0 7546")),
            Replaced(text, "  ELEMENTS 7000000 0 0 0 0 0 51544.5   ; circular, in the ecliptic",
                     "  RPOS 7000000 0 0 ; m\n  RVEL 0 0 7546"));

  const sim::Scenario loaded = sim::ParseScenario(text, "ships.scn");
  sim::World world;
  sim::PopulateWorld(loaded, world);
  sim::Vessel &glider = *world.FindByName("G");
  glider.SetPropellantMass(glider.Propellants()[1].get(), 300);
  const double mu = sim::gravitationalConstant * (5.973698968e24 + glider.Mass());
  EXPECT_NEAR(glider.vel.z, std::sqrt(mu / 7e6), 1e-9);
  const std::string saved = sim::FormatScenario(sim::CaptureWorld(world, &loaded));
  EXPECT_EQ(saved,
            "BEGIN_ENVIRONMENT\n  Date MJD 51544.5\nEND_ENVIRONMENT\n\nBEGIN_SHIPS\nG:DeltaGlider\n"
            "  STATUS Orbiting Earth\n  RPOS 7000000 0 0\n  RVEL " +
                sim::FormatReal(glider.vel.x) + " " + sim::FormatReal(glider.vel.y) + " " +
                sim::FormatReal(glider.vel.z) +
                "\n  NAVFREQ 0 0\n  PRPLEVEL 0:0.5 1:0.5\n  GEAR 1 1.0\nEND\nEND_SHIPS\n");
}

// A host file cut short anywhere is read, or refused with its name and a line, never anything
// worse: every cut of the host's stock scenarios, with the host tree's classes.
TEST(ScenarioWorldTest, EveryCutOfTheHostsScenariosIsReadOrRefusedNamingTheLine) {
  const fs::path scenarios = fs::path(KESTRANE_HOST_SAMPLE) / "Scenarios";
  if (!fs::is_directory(scenarios)) GTEST_SKIP() << "the host's sample tree is not at " << KESTRANE_HOST_SAMPLE;
  sim::VesselClasses classes(KESTRANE_HOST_SAMPLE);
  size_t read = 0, refused = 0;
  for (const auto &entry : fs::directory_iterator(scenarios)) {
    const std::string text = FileText(entry.path());
    for (size_t cut = 0; cut <= text.size(); cut += 7) {
      try {
        sim::World world;
        sim::PopulateWorld(sim::ParseScenario(text.substr(0, cut), "cut.scn"), world, classes);
        ++read;
      } catch (const sim::ScenarioError &error) {
        ASSERT_EQ(std::string(error.what()).rfind("cut.scn:", 0), 0u) << error.what();
        ++refused;
      }
    }
  }
  EXPECT_GT(read, 10u);
  EXPECT_GT(refused, 1000u);
}
