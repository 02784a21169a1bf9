// A vessel's look as the host keeps it: a mesh file (`Meshes/NAME.msh`), text in the host's
// "MSHX1" format. The file is `MSHX1`, then `GROUPS n`, then n groups: each a few lines that set
// the group's material, texture and flags, then `GEOM nv nt` and nv vertex lines
// (`x y z nx ny nz [u v]`, or `x y z [u v]` after `NONORMAL`) and nt triangle lines (three vertex
// numbers from 0). After the groups come `MATERIALS n` (n names, then per material a `MATERIAL`
// line and its diffuse, ambient, specular (with power) and emissive colours) and `TEXTURES n`.
// Vertices are in the vessel's own frame, in metres, in the host's left-handed sense; a triangle
// faces the side from which its vertices run clockwise.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct MeshMaterial {
  std::string name;
  std::array<float, 4> diffuse{1, 1, 1, 1};  // r, g, b, alpha (0 .. 1)
  std::array<float, 4> specular{0, 0, 0, 1};
  float power = 0;  // the specular highlight's sharpness
};

struct MeshGroup {
  // Index into the mesh's materials, or −1 for the host's default material (white). A group
  // without a MATERIAL line takes the material of the group before it, as the host draws them.
  int material = -1;
  uint32_t flags = 0;             // the FLAG line's bits: 2 hides the group
  std::vector<float> positions;   // x, y, z per vertex, m
  std::vector<float> normals;     // x, y, z per vertex, unit length
  std::vector<uint32_t> indices;  // three per triangle, into this group's vertices
};

struct Mesh {
  std::vector<MeshGroup> groups;
  std::vector<MeshMaterial> materials;

  size_t VertexCount() const;
  size_t TriangleCount() const;
};

// Reads a mesh file's text as the host does: keywords compared without regard to case, unknown
// lines before a group's GEOM passed over, the MATERIALS list only right after the last group,
// normals of unit length (a vertex without one takes the angle-weighted mean of its triangles'
// normals), FLIP's triangles turned round. Where the host would read past the end of the text,
// use a vertex that does not exist or read numbers that are not there, this refuses the file:
// ScenarioError naming `sourceName`, the line and the problem.
Mesh ParseMesh(const std::string &text, const std::string &sourceName);

}  // namespace sim
