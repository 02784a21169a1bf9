#include "sim/scenario/VesselClasses.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <vector>

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

bool Same(sim::Vec3 a, sim::Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// Both given, with the same ports.
bool SamePorts(const std::optional<std::vector<sim::DockingPort>> &a,
               const std::optional<std::vector<sim::DockingPort>> &b) {
  if (!a || !b || a->size() != b->size()) return false;
  for (size_t i = 0; i < a->size(); ++i)
    if (!Same((*a)[i].pos, (*b)[i].pos) || !Same((*a)[i].dir, (*b)[i].dir) || !Same((*a)[i].rot, (*b)[i].rot))
      return false;
  return true;
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
  EXPECT_EQ(c.source, "Probe.cfg");
  EXPECT_EQ(c.meshName, "Probe");
  EXPECT_EQ(c.mass, 2500.0);
  EXPECT_EQ(c.size, 12.0);
  ASSERT_TRUE(c.pmi);
  EXPECT_EQ(c.pmi->z, 2.85);
  EXPECT_EQ(c.tanks, std::vector<double>{50});
  ASSERT_TRUE(c.docks);
  ASSERT_EQ(c.docks->size(), 2u);
  EXPECT_EQ((*c.docks)[0].pos.z, 10.74);
  EXPECT_EQ((*c.docks)[1].dir.x, 1.0);
  EXPECT_EQ((*c.docks)[1].rot.y, 1.0);

  // What a file does not give stays unknown, for the class built in to fill; an empty dock list
  // and MaxFuel 0 say there are none.
  const sim::VesselClass part =
      sim::ParseClassConfig("Module = ShuttleA\nMaxFuel = 0\nBEGIN_DOCKLIST\nEND_DOCKLIST\n", "Part.cfg", "Part");
  EXPECT_FALSE(part.mass);
  EXPECT_FALSE(part.pmi);
  EXPECT_EQ(part.module, "ShuttleA");
  EXPECT_EQ(part.tanks, std::vector<double>{});
  ASSERT_TRUE(part.docks);
  EXPECT_TRUE(part.docks->empty());
  EXPECT_FALSE(sim::ParseClassConfig("Mass = 5\n", "Bare.cfg", "Bare").docks);
  EXPECT_EQ(sim::ParseClassConfig("MaxFuel = 10\nMaxFuel = 20\n", "Two.cfg", "Two").tanks,
            (std::vector<double>{10, 20}));

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
  EXPECT_EQ(dg->pmi->y, 2.0);
  // What the file leaves out, from the DeltaGlider built in.
  EXPECT_EQ(dg->tanks, sim::StockClass("DeltaGlider")->tanks);
  EXPECT_TRUE(SamePorts(dg->docks, sim::StockClass("DeltaGlider")->docks));
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

// The host's own files of the classes its modules define in code give no Mass or Inertia: the
// class built in completes them, by the ship's class name or by the file's Module. A file of a
// class not built in keeps its gaps, for the scenario reader to refuse.
TEST(VesselClassesTest, TheHostsFilesAreCompletedFieldByFieldFromTheClassBuiltIn) {
  const fs::path vessels = fs::path(KESTRANE_HOST_SAMPLE) / "Config" / "Vessels";
  if (!fs::is_directory(vessels)) GTEST_SKIP() << "the host's sample tree is not at " << KESTRANE_HOST_SAMPLE;
  sim::VesselClasses classes(KESTRANE_HOST_SAMPLE);
  for (const char *name : {"DeltaGlider", "ShuttleA"}) {
    const sim::VesselClass *file = classes.Find(name), *stock = sim::StockClass(name);
    ASSERT_NE(file, nullptr) << name;
    EXPECT_NE(file, stock) << name << ": the host's file is read";
    EXPECT_EQ(file->mass, stock->mass) << name;
    EXPECT_EQ(file->pmi->x, stock->pmi->x) << name;
    EXPECT_EQ(file->tanks, stock->tanks) << name;
    EXPECT_TRUE(SamePorts(file->docks, stock->docks)) << name;
    EXPECT_EQ(file->module, name);
  }

  const sim::VesselClass *dragonfly = classes.Find("Dragonfly");
  ASSERT_NE(dragonfly, nullptr);
  EXPECT_FALSE(dragonfly->mass);
  EXPECT_FALSE(dragonfly->pmi);
  EXPECT_EQ(dragonfly->source, (vessels / "Dragonfly.cfg").string());

  const sim::VesselClass *station = classes.Find("iss");
  ASSERT_NE(station, nullptr);
  EXPECT_EQ(station->mass, 450e3);
  EXPECT_EQ(station->meshName, "ISS");
  EXPECT_EQ(station->docks->size(), 3u);
  EXPECT_FALSE(station->tanks);

  // A file of another name whose Module is a class built in.
  std::random_device entropy;
  fs::path folder;
  do {
    folder = fs::temp_directory_path() / ("kestrane-module-" + std::to_string(entropy()));
  } while (!fs::create_directory(folder));
  fs::create_directories(folder / "Config" / "Vessels");
  std::ofstream(folder / "Config" / "Vessels" / "Freighter.cfg") << "Module = ShuttleA\nMass = 20000\nMeshName = F\n";
  sim::VesselClasses own(folder.string());
  const sim::VesselClass *freighter = own.Find("Freighter");
  ASSERT_NE(freighter, nullptr);
  EXPECT_EQ(freighter->mass, 20000.0);
  EXPECT_EQ(freighter->pmi->z, sim::StockClass("ShuttleA")->pmi->z);
  EXPECT_EQ(freighter->tanks, sim::StockClass("ShuttleA")->tanks);
  EXPECT_EQ(freighter->meshName, "F");
  fs::remove_all(folder);
}
