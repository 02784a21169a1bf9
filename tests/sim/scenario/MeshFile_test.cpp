#include "sim/scenario/MeshFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/scenario/ScenarioFile.h"

namespace {

// Normals are stored in single precision.
constexpr double kNormalTolerance = 1e-6;

std::string MeshError(const std::string &text) {
  try {
    sim::ParseMesh(text, "Probe.msh");
  } catch (const sim::ScenarioError &error) {
    return error.what();
  }
  return "(no error)";
}

std::array<double, 3> Normal(const sim::MeshGroup &g, size_t vertex) {
  return {g.normals[3 * vertex], g.normals[3 * vertex + 1], g.normals[3 * vertex + 2]};
}

}  // namespace

// The group lines the host knows and those it passes over, materials that are given, inherited,
// 0 or beyond the list, normals from the file made unit, FLIP and FLAG, CRLF line ends; the
// MATERIALS list after the last group.
TEST(MeshFileTest, ReadsGroupsMaterialsAndNormalsAsTheHostDoes) {
  const sim::Mesh mesh = sim::ParseMesh(
      "MSHX1\r\n"
      "; a comment line before GROUPS\r\n"
      "GROUPS 4\r\n"
      "LABEL hull\r\n"
      "material 2\r\n"
      "TEXTURE 1\r\n"
      "GEOM 3 1 ; hull\r\n"
      "0 0 0  0 2 0  0 0\r\n"
      "1 0 0  0 2 0\r\n"
      "0 0 1  0 2 0\r\n"
      "0 1 2\r\n"
      "FLIP\r\n"
      "FLAG 2\r\n"
      "GEOM 3 1\r\n"
      "0 0 0 0 0 -1\r\n"
      "1 0 0 0 0 -1\r\n"
      "0 1 0 0 0 -1\r\n"
      "0 1 2\r\n"
      "MATERIAL 0\r\n"
      "GEOM 0 0\r\n"
      "MATERIAL 9\r\n"
      "GEOM 0 0\r\n"
      "MATERIALS 2\r\n"
      "paint\r\n"
      "glass shiny\r\n"
      "MATERIAL paint\r\n"
      "0.5 0.25 1 1\r\n"
      "0.1 0.1 0.1 1\r\n"
      "0 0 0 1\r\n"
      "0 0 0 1\r\n"
      "MATERIAL glass\r\n"
      "0.8 0.9 1 0.3\r\n"
      "0 0 0 1\r\n"
      "1 1 1 1 40\r\n"
      "0 0 0 1\r\n"
      "TEXTURES 1\r\n"
      "hull.dds\r\n",
      "Probe.msh");
  ASSERT_EQ(mesh.groups.size(), 4u);
  EXPECT_EQ(mesh.VertexCount(), 6u);
  EXPECT_EQ(mesh.TriangleCount(), 2u);
  const sim::MeshGroup &hull = mesh.groups[0], &flipped = mesh.groups[1];
  EXPECT_EQ(hull.material, 1);
  EXPECT_EQ(hull.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(Normal(hull, 1), (std::array<double, 3>{0, 1, 0}));
  EXPECT_EQ(hull.indices, (std::vector<uint32_t>{0, 1, 2}));
  // No MATERIAL line: the material in force, the hull's.
  EXPECT_EQ(flipped.material, 1);
  EXPECT_EQ(flipped.flags, 2u);
  EXPECT_EQ(flipped.indices, (std::vector<uint32_t>{0, 2, 1}));
  // MATERIAL 0 and a number beyond the list: the default material.
  EXPECT_EQ(mesh.groups[2].material, -1);
  EXPECT_EQ(mesh.groups[3].material, -1);

  ASSERT_EQ(mesh.materials.size(), 2u);
  EXPECT_EQ(mesh.materials[0].name, "paint");
  EXPECT_EQ(mesh.materials[0].diffuse, (std::array<float, 4>{0.5f, 0.25f, 1, 1}));
  EXPECT_EQ(mesh.materials[1].name, "glass");
  EXPECT_EQ(mesh.materials[1].diffuse[3], 0.3f);
  EXPECT_EQ(mesh.materials[1].power, 40.0f);
}

// A vertex without a normal (NONORMAL, or fewer than six numbers) takes the mean of its
// triangles' normals, each weighted by the triangle's angle at the vertex; a given normal stays.
TEST(MeshFileTest, ComputesMissingNormalsWeightedByTheAnglesAtEachVertex) {
  // Vertex 0 is the corner of two triangles: one in the plane z = 0 with a right angle there, one
  // in the plane x = 0 with 45° there. The host's normal of a triangle is (v1 − v0) × (v2 − v0).
  const sim::Mesh mesh = sim::ParseMesh(
      "MSHX1\nGROUPS 2\nNONORMAL\nGEOM 5 2\n"
      "0 0 0\n1 0 0\n0 1 0\n0 0 1 0.5 0.5\n0 1 1\n"
      "0 2 1\n0 3 4\n"
      "GEOM 3 1\n0 0 0 0 0 -1\n1 0 0\n0 1 0 0.5\n0 1 2\n",
      "Probe.msh");
  const sim::MeshGroup &corner = mesh.groups[0];
  // (0,1,0) × (1,0,0) = (0,0,−1) weighted π/2; (0,0,1) × (0,1,1) = (−1,0,0) weighted π/4.
  const double a = M_PI / 2, b = M_PI / 4, n = std::hypot(a, b);
  const std::array<double, 3> expected{-b / n, 0, -a / n};
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(Normal(corner, 0)[k], expected[k], kNormalTolerance) << k;
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(Normal(corner, 1)[k], (std::array<double, 3>{0, 0, -1})[k], kNormalTolerance);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(Normal(corner, 3)[k], (std::array<double, 3>{-1, 0, 0})[k], kNormalTolerance);
  // A vertex line with fewer than six numbers makes the group compute the normals it lacks; the
  // normals it was given stay, even where the triangle's own points the other way.
  const sim::MeshGroup &partial = mesh.groups[1];
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(Normal(partial, 1)[k], (std::array<double, 3>{0, 0, 1})[k], kNormalTolerance);
  EXPECT_EQ(Normal(partial, 0), (std::array<double, 3>{0, 0, -1}));
}

// What the host would misread is refused in one line naming the file and the line.
TEST(MeshFileTest, RefusesWhatTheHostWouldMisread) {
  const std::string head = "MSHX1\nGROUPS 1\nGEOM 3 1\n0 0 0 0 1 0\n1 0 0 0 1 0\n0 0 1 0 1 0\n";
  EXPECT_EQ(MeshError(head + "0 1 2\n"), "(no error)");
  EXPECT_EQ(MeshError("MSHX2\nGROUPS 0\n"), "Probe.msh:1: not a mesh file: the first line is not MSHX1");
  EXPECT_EQ(MeshError(""), "Probe.msh:1: not a mesh file: the first line is not MSHX1");
  EXPECT_EQ(MeshError("MSHX1\nMATERIAL 1\n"), "Probe.msh:2: no GROUPS line");
  EXPECT_EQ(MeshError("MSHX1\nGROUPS many\n"), "Probe.msh:2: GROUPS needs the number of groups");
  EXPECT_EQ(MeshError("MSHX1\nGROUPS 2\nGEOM 0 0\nMATERIAL 1\n"),
            "Probe.msh:4: GROUPS says 2, but the file ends in group 2 before its GEOM line");
  EXPECT_EQ(MeshError("MSHX1\nGROUPS 1\nGEOM 3\n"), "Probe.msh:3: GEOM needs the numbers of vertices and of triangles");
  EXPECT_EQ(MeshError("MSHX1\nGROUPS 1\nGEOM -1 0\n"),
            "Probe.msh:3: GEOM needs the numbers of vertices and of triangles");
  EXPECT_EQ(MeshError("MSHX1\nGROUPS 1\nGEOM 3 1000000000\n0 0 0\n"),
            "Probe.msh:3: GEOM 3 1000000000: the file ends before that many vertex and triangle lines");
  EXPECT_EQ(MeshError("MSHX1\nGROUPS 1\nGEOM 1 0\n0 0\n"), "Probe.msh:4: a vertex needs x y z");
  EXPECT_EQ(MeshError("MSHX1\nGROUPS 1\nGEOM 1 0\n0 0 nan\n"), "Probe.msh:4: a vertex needs x y z");
  EXPECT_EQ(MeshError(head + "0 1\n"), "Probe.msh:7: a triangle needs three vertex numbers");
  EXPECT_EQ(MeshError(head + "0 1 3\n"), "Probe.msh:7: the triangle's vertex 3 is not among the group's 3 vertices");
  EXPECT_EQ(MeshError(head + "0 -1 2\n"), "Probe.msh:7: the triangle's vertex -1 is not among the group's 3 vertices");
  EXPECT_EQ(MeshError(head + "0 1 2\nMATERIALS 1\nhull\nMATERIAL hull\n1 1 1 1\n"),
            "Probe.msh:11: the file ends in the materials, before an ambient colour");
}

// The host's own meshes of the stock vessels and the station read whole: every triangle within its
// group, every normal of unit length but the few the files give as 0 0 0, which the host keeps.
TEST(MeshFileTest, ReadsTheHostsOwnMeshes) {
  const std::filesystem::path meshes = std::filesystem::path(KESTRANE_HOST_SAMPLE) / "Meshes";
  if (!std::filesystem::is_directory(meshes)) GTEST_SKIP() << "the host's sample tree is not at " << meshes;
  struct Expected {
    const char *file;
    size_t groups, vertices, triangles, materials;
  };
  // The counts of the files' GEOM and MATERIALS lines.
  for (const Expected &e :
       {Expected{"ShuttlePB.msh", 7, 140, 160, 2}, Expected{"DG/deltaglider.msh", 122, 14516, 11893, 27},
        Expected{"ShuttleA/ShuttleA.msh", 67, 9046, 7846, 11},
        Expected{"ISS/ProjectAlpha_ISS.msh", 42, 38624, 24309, 36}}) {
    std::ifstream in(meshes / e.file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const sim::Mesh mesh = sim::ParseMesh(text.str(), e.file);
    EXPECT_EQ(mesh.groups.size(), e.groups) << e.file;
    EXPECT_EQ(mesh.VertexCount(), e.vertices) << e.file;
    EXPECT_EQ(mesh.TriangleCount(), e.triangles) << e.file;
    EXPECT_EQ(mesh.materials.size(), e.materials) << e.file;
    size_t unit = 0, zero = 0;
    for (const sim::MeshGroup &g : mesh.groups) {
      for (uint32_t i : g.indices) ASSERT_LT(i, g.positions.size() / 3) << e.file;
      for (size_t v = 0; v < g.normals.size(); v += 3) {
        const double length = std::hypot(g.normals[v], g.normals[v + 1], g.normals[v + 2]);
        if (std::fabs(length - 1) < kNormalTolerance) ++unit;
        if (length == 0) ++zero;
      }
    }
    EXPECT_EQ(unit + zero, e.vertices) << e.file;
    EXPECT_LE(zero, 3u) << e.file;
  }
}
