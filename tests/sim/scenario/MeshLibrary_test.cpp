#include "sim/scenario/MeshLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const char *const kTriangle = "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0 0 1 0\n1 0 0 0 1 0\n0 0 1 0 1 0\n0 1 2\n";

void Write(const fs::path &file, const std::string &text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// A host folder of its own: classes that name meshes in folders and in other cases, one that names
// a missing mesh, one that names a broken one, one that names a file outside the Meshes folder.
fs::path SmallHost() {
  const fs::path host = fs::path(testing::TempDir()) / "mesh_library_host";
  fs::remove_all(host);
  Write(host / "Config/Vessels/Probe.cfg", "MeshName = Craft\\Probe\nMass = 10\nInertia = 1 1 1\n");
  Write(host / "Config/Vessels/Twin.cfg", "meshname = craft/PROBE\nMass = 10\nInertia = 1 1 1\n");
  Write(host / "Config/Vessels/Lost.cfg", "MeshName = Nothing\nMass = 10\nInertia = 1 1 1\n");
  Write(host / "Config/Vessels/Broken.cfg", "MeshName = Broken\nMass = 10\nInertia = 1 1 1\n");
  Write(host / "Config/Vessels/Escape.cfg", "MeshName = ..\\Config\\Vessels\\Probe\nMass = 10\nInertia = 1 1 1\n");
  Write(host / "Config/Vessels/Plain.cfg", "Mass = 10\nInertia = 1 1 1\n");
  Write(host / "Meshes/CRAFT/probe.msh", kTriangle);
  Write(host / "Meshes/Broken.msh", "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0\n1 0 0\n0 0 1\n0 1 7\n");
  Write(host / "Meshes/ShuttlePB.msh", kTriangle);
  return host;
}

}  // namespace

// A class's MeshName finds its file whatever the case of its parts and the kind of slash, each
// mesh is read once, and every reason a class is drawn without its mesh is one line.
TEST(MeshLibraryTest, FindsEachClasssMeshOnceOrSaysWhyNot) {
  const fs::path host = SmallHost();
  sim::MeshLibrary library(host.string());
  std::string name, note;
  const sim::Mesh *probe = library.ForClass("probe", name, note);
  ASSERT_NE(probe, nullptr) << note;
  EXPECT_EQ(name, "Craft\\Probe");
  EXPECT_EQ(note, "");
  EXPECT_EQ(probe->TriangleCount(), 1u);
  EXPECT_EQ(library.ForClass("Twin", name, note), probe);
  // The same file, whatever the file system makes of the names' case.
  EXPECT_TRUE(fs::equivalent(library.MeshPath("craft\\probe", note), host / "Meshes" / "CRAFT" / "probe.msh")) << note;

  // A stock class without a file of its own wears the mesh its module loads.
  ASSERT_NE(library.ForClass("SHUTTLEPB", name, note), nullptr) << note;
  EXPECT_EQ(name, "ShuttlePB");
  // A class that names no mesh, and one the host does not know: a box, nothing to say.
  EXPECT_EQ(library.ForClass("Plain", name, note), nullptr);
  EXPECT_EQ(note, "");
  EXPECT_EQ(library.ForClass("Generic", name, note), nullptr);
  EXPECT_EQ(note, "");

  EXPECT_EQ(library.ForClass("Lost", name, note), nullptr);
  EXPECT_EQ(note, "no mesh file Meshes/Nothing.msh in '" + host.string() + "'");
  EXPECT_EQ(library.ForClass("Broken", name, note), nullptr);
  EXPECT_EQ(note, (host / "Meshes" / "Broken.msh").string() +
                      ":7: the triangle's vertex 7 is not among the group's 3 vertices");
  EXPECT_EQ(library.ForClass("Escape", name, note), nullptr);
  EXPECT_EQ(note, "mesh name '..\\Config\\Vessels\\Probe' leads out of the Meshes folder");
  library.MeshPath("/etc/passwd", note);
  EXPECT_EQ(note, "mesh name '/etc/passwd' is not a file under Meshes");

  // Without a host folder nothing is looked for.
  sim::MeshLibrary none("");
  EXPECT_EQ(none.ForClass("ShuttlePB", name, note), nullptr);
  EXPECT_EQ(note, "");
}

// The host's own classes: the station's file names its mesh with a backslash; the stock glider's
// mesh is the one its module loads.
TEST(MeshLibraryTest, FindsTheMeshesOfTheHostsOwnClasses) {
  if (!fs::is_directory(KESTRANE_HOST_SAMPLE))
    GTEST_SKIP() << "the host's sample tree is not at " << KESTRANE_HOST_SAMPLE;
  sim::MeshLibrary library(KESTRANE_HOST_SAMPLE);
  std::string name, note;
  const sim::Mesh *station = library.ForClass("ProjectAlpha_ISS", name, note);
  ASSERT_NE(station, nullptr) << note;
  EXPECT_EQ(name, "ISS\\ProjectAlpha_ISS");
  EXPECT_EQ(station->groups.size(), 42u);
  const sim::Mesh *glider = library.ForClass("DeltaGlider", name, note);
  ASSERT_NE(glider, nullptr) << note;
  EXPECT_EQ(name, "DG/deltaglider");
  EXPECT_EQ(glider->groups.size(), 122u);
}
