#include "sim/scenario/VesselClasses.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "sim/scenario/ScenarioFile.h"

namespace {

namespace fs = std::filesystem;

std::string ConfigError(const std::string &text) {
  try {
    sim::ParseClassConfig(text, "Probe.cfg", "Probe");
  } catch (const sim::ScenarioError &error) {
    return error.what();
  }
  return "(no error)";
}

}  // namespace

// The keys the host's configuration files write, in any case, with comments, other keys and other
// blocks between them.
TEST(VesselClassesTest, AConfigurationFileGivesMassInertiaTanksAndPorts) {
  const sim::VesselClass c = sim::ParseClassConfig(R"(; === Configuration file ===
ClassName = Probe
MeshName = Probe
Size = 12.0
MASS = 2500
TouchdowPoints = 0 -2.93 9  -2 -2.93 -8   2 -2.93 -8
Inertia = 11.7 11.7 2.85       ; was: 7.57 5.85 10.94
GravityGradientDamping = 10.0;
MaxFuel = 50
BEGIN_ATTACHMENT
P 0     2.6  0   0  1 0  0 0  1  XS
END_ATTACHMENT
BEGIN_DOCKLIST
0 0.12  10.74   0 0  1   0 1 0   540
15.8  0.12   9.5     1 0  0   0 1 0
END_DOCKLIST
)",
                                                   "Probe.cfg", "Probe");
  EXPECT_EQ(c.name, "Probe");
  EXPECT_EQ(c.mass, 2500.0);
  EXPECT_EQ(c.size, 12.0);
  EXPECT_EQ(c.pmi.z, 2.85);
  EXPECT_EQ(c.tanks, std::vector<double>{50});
  ASSERT_EQ(c.docks.size(), 2u);
  EXPECT_EQ(c.docks[0].pos.z, 10.74);
  EXPECT_EQ(c.docks[1].dir.x, 1.0);
  EXPECT_EQ(c.docks[1].rot.y, 1.0);

  EXPECT_EQ(ConfigError("Inertia = 1 1 1\n"), "Probe.cfg: gives no Mass");
  EXPECT_EQ(ConfigError("Mass = 5\n"), "Probe.cfg: gives no Inertia");
  EXPECT_EQ(ConfigError("Mass = 5\nInertia = 1 1\n"), "Probe.cfg:2: Inertia needs three numbers");
  EXPECT_EQ(ConfigError("Mass = heavy\n"), "Probe.cfg:1: Mass: \"heavy\" is not a number");
  EXPECT_EQ(ConfigError("Mass = -5\n"), "Probe.cfg:1: Mass must be above 0");
  EXPECT_EQ(ConfigError("Mass = 5\nInertia = 1 1 1\nBEGIN_DOCKLIST\n0 0 1 0 0 1\nEND_DOCKLIST\n"),
            "Probe.cfg:4: a docking port needs nine numbers: position, direction, alignment (then a radio id)");
  EXPECT_EQ(ConfigError("Mass = 5\nInertia = 1 1 1\nBEGIN_DOCKLIST\n"), "Probe.cfg: BEGIN_DOCKLIST is not closed");
}

// A host folder's files, found without regard to case; a broken one is refused naming itself.
TEST(VesselClassesTest, TheHostFolderIsSearchedWithoutRegardToCaseBeforeTheStockClasses) {
  std::random_device entropy;
  fs::path folder;
  do {
    folder = fs::temp_directory_path() / ("kestrane-classes-" + std::to_string(entropy()));
  } while (!fs::create_directory(folder));
  fs::create_directories(folder / "Config" / "Vessels");
  std::ofstream(folder / "Config" / "Vessels" / "DELTAGLIDER.cfg") << "Mass = 9000\nInertia = 1 2 3\n";
  std::ofstream(folder / "Config" / "Vessels" / "Broken.cfg") << "Mass = 9000\nInertia = 1 2\n";

  sim::VesselClasses classes(folder.string());
  const sim::VesselClass *dg = classes.Find("DeltaGlider");
  ASSERT_NE(dg, nullptr);
  EXPECT_EQ(dg->mass, 9000.0);
  EXPECT_TRUE(dg->tanks.empty());
  EXPECT_EQ(classes.Find("deltaglider"), dg);  // read once
  EXPECT_EQ(classes.Find("ShuttlePB"), sim::StockClass("ShuttlePB"));
  EXPECT_EQ(classes.Find("Nothing"), nullptr);
  EXPECT_EQ(classes.ConfigPath("Nothing"), (folder / "Config" / "Vessels" / "Nothing.cfg").string());
  try {
    classes.Find("broken");
    ADD_FAILURE() << "a broken file was read";
  } catch (const sim::ScenarioError &error) {
    EXPECT_EQ(std::string(error.what()),
              (folder / "Config" / "Vessels" / "Broken.cfg").string() + ":2: Inertia needs three numbers");
  }
  EXPECT_EQ(sim::VesselClasses().Find("DeltaGlider"), sim::StockClass("DeltaGlider"));
  fs::remove_all(folder);
}
