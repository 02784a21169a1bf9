#include "sim/scenario/MeshFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <type_traits>

#include "sim/scenario/ScenarioFile.h"

namespace sim {

namespace {

bool StartsWithNoCase(std::string_view line, std::string_view word) {
  if (line.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    const char a = line[i], b = word[i];
    if ((a >= 'a' && a <= 'z' ? a - 32 : a) != b) return false;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The numbers at the start of a text, as the host's scanf reads them: up to `most`, stopping at the
// first word that is not a number.
template <class T>
size_t LeadingNumbers(std::string_view text, T *values, size_t most) {
  size_t count = 0, at = 0;
  while (count < most) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at == text.size()) break;
    const char *first = text.data() + at, *last = text.data() + text.size();
    if (*first == '+') ++first;
    T value{};
    const std::from_chars_result read = std::from_chars(first, last, value);
    if (read.ec != std::errc() || (read.ptr != last && !IsBlank(*read.ptr))) break;
    if constexpr (std::is_floating_point_v<T>) {
      if (!std::isfinite(value)) break;
    }
    values[count++] = value;
    at = static_cast<size_t>(read.ptr - text.data());
  }
  return count;
}

class MeshReader {
public:
  MeshReader(const std::string &text, const std::string &sourceName) : source(sourceName) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines.push_back(line);
      start = end + 1;
    }
  }

  Mesh Run() {
    if (lines.empty() || TrimEnd(lines[0]) != "MSHX1") Fail(1, "not a mesh file: the first line is not MSHX1");
    next = 1;
    long groupCount = -1;
    while (groupCount < 0) {
      if (next == lines.size()) Fail(next, "no GROUPS line");
      const std::string_view line = lines[next++];
      if (StartsWithNoCase(line, "GROUPS")) {
        if (LeadingNumbers(line.substr(6), &groupCount, 1) != 1 || groupCount < 0)
          Fail(next, "GROUPS needs the number of groups");
      }
    }
    std::vector<bool> materialGiven;
    for (long g = 0; g < groupCount; ++g) {
      bool given = false;
      mesh.groups.push_back(ReadGroup(g, groupCount, given));
      materialGiven.push_back(given);
    }
    ReadMaterials();
    // A group without a MATERIAL line is drawn with the material in force, the one before it;
    // numbers beyond the list mean the default material, as for the host.
    int inForce = -1;
    for (size_t g = 0; g < mesh.groups.size(); ++g) {
      int &material = mesh.groups[g].material;
      if (!materialGiven[g]) material = inForce;
      if (material >= static_cast<int>(mesh.materials.size())) material = -1;
      inForce = material;
    }
    return std::move(mesh);
  }

private:
  static std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
  }

  [[noreturn]] void Fail(size_t lineNumber, const std::string &problem) const {
    throw ScenarioError(source + ":" + std::to_string(lineNumber) + ": " + problem);
  }

  MeshGroup ReadGroup(long g, long groupCount, bool &materialGiven) {
    MeshGroup group;
    bool normalsGiven = true, flip = false;
    for (;;) {
      if (next == lines.size())
        Fail(next, "GROUPS says " + std::to_string(groupCount) + ", but the file ends in group " +
                       std::to_string(g + 1) + " before its GEOM line");
      const std::string_view line = lines[next++];
      if (StartsWithNoCase(line, "MATERIAL")) {
        long number = 0;
        // The host counts materials from 1; 0 is its default material.
        if (LeadingNumbers(line.substr(8), &number, 1) == 1) {
          group.material = number >= 1 && number <= 1 << 20 ? static_cast<int>(number - 1) : -1;
          materialGiven = true;
        }
      } else if (StartsWithNoCase(line, "NONORMAL")) {
        normalsGiven = false;
      } else if (StartsWithNoCase(line, "FLAG")) {
        const std::string_view value = TrimEnd(line.substr(4));
        size_t at = 0;
        while (at < value.size() && IsBlank(value[at])) ++at;
        uint32_t flags = 0;
        std::from_chars(value.data() + at, value.data() + value.size(), flags, 16);
        group.flags = flags;
      } else if (StartsWithNoCase(line, "FLIP")) {
        flip = true;
      } else if (StartsWithNoCase(line, "GEOM")) {
        long counts[2] = {0, 0};
        if (LeadingNumbers(line.substr(4), counts, 2) != 2 || counts[0] < 0 || counts[1] < 0)
          Fail(next, "GEOM needs the numbers of vertices and of triangles");
        const size_t vertices = static_cast<size_t>(counts[0]), triangles = static_cast<size_t>(counts[1]);
        if (vertices > lines.size() - next || triangles > lines.size() - next - vertices)
          Fail(next, "GEOM " + std::to_string(vertices) + " " + std::to_string(triangles) +
                         ": the file ends before that many vertex and triangle lines");
        const bool normalsMissing = ReadVertices(group, vertices, normalsGiven);
        ReadTriangles(group, vertices, triangles, flip);
        // The host computes the missing normals once the whole group is read.
        if (normalsMissing) CalculateNormals(group);
        Normalise(group.normals);
        break;
      }
      // TEXTURE, TEXWRAP, ZBIAS, LABEL, STATIC, DYNAMIC and any other line do not change the shape.
    }
    return group;
  }

  // True when some vertex lacks a normal.
  bool ReadVertices(MeshGroup &group, size_t count, bool normalsGiven) {
    group.positions.reserve(3 * count);
    group.normals.reserve(3 * count);
    bool missing = !normalsGiven;
    for (size_t i = 0; i < count; ++i) {
      double v[6] = {0, 0, 0, 0, 0, 0};
      const size_t read = LeadingNumbers(lines[next++], v, normalsGiven ? 6 : 3);
      if (read < 3) Fail(next, "a vertex needs x y z");
      if (read < 6) missing = true;
      for (int k = 0; k < 3; ++k) group.positions.push_back(static_cast<float>(v[k]));
      for (int k = 3; k < 6; ++k) group.normals.push_back(static_cast<float>(v[k]));
    }
    return missing;
  }

  static void Normalise(std::vector<float> &normals) {
    for (size_t i = 0; i < normals.size(); i += 3) {
      float *n = &normals[i];
      const double length = std::sqrt(double{n[0]} * n[0] + double{n[1]} * n[1] + double{n[2]} * n[2]);
      if (length > 0)
        for (int k = 0; k < 3; ++k) n[k] = static_cast<float>(n[k] / length);
    }
  }

  void ReadTriangles(MeshGroup &group, size_t vertices, size_t count, bool flip) {
    group.indices.reserve(3 * count);
    for (size_t i = 0; i < count; ++i) {
      long corner[3];
      if (LeadingNumbers(lines[next++], corner, 3) != 3) Fail(next, "a triangle needs three vertex numbers");
      for (long c : corner)
        if (c < 0 || static_cast<size_t>(c) >= vertices)
          Fail(next, "the triangle's vertex " + std::to_string(c) + " is not among the group's " +
                         std::to_string(vertices) + " vertices");
      if (flip) std::swap(corner[1], corner[2]);
      for (long c : corner) group.indices.push_back(static_cast<uint32_t>(c));
    }
  }

  // A vertex lacks a normal when its normal is shorter than √0.1. Each missing normal is the mean of the normals of the
  // triangles that use the vertex, each weighted by the triangle's angle at it, as the host computes them.
  static void CalculateNormals(MeshGroup &group) {
    const size_t count = group.positions.size() / 3;
    std::vector<bool> compute(count);
    std::vector<double> sum(3 * count, 0.0);
    for (size_t i = 0; i < count; ++i) {
      const float *n = &group.normals[3 * i];
      compute[i] = !(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] > 0.1f);
    }
    auto at = [&group](uint32_t i, int k) { return double{group.positions[3 * i + k]}; };
    auto angle = [](double a, double b, double opposite) {
      return std::acos(std::clamp((a * a + b * b - opposite * opposite) / (2 * a * b), -1.0, 1.0));
    };
    for (size_t t = 0; t + 2 < group.indices.size(); t += 3) {
      const uint32_t i0 = group.indices[t], i1 = group.indices[t + 1], i2 = group.indices[t + 2];
      if (!compute[i0] && !compute[i1] && !compute[i2]) continue;
      double v01[3], v02[3], v12[3];
      for (int k = 0; k < 3; ++k) {
        v01[k] = at(i1, k) - at(i0, k);
        v02[k] = at(i2, k) - at(i0, k);
        v12[k] = at(i2, k) - at(i1, k);
      }
      double n[3] = {v01[1] * v02[2] - v01[2] * v02[1], v01[2] * v02[0] - v01[0] * v02[2],
                     v01[0] * v02[1] - v01[1] * v02[0]};
      const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (length < 1e-8) continue;
      const double d01 = std::sqrt(v01[0] * v01[0] + v01[1] * v01[1] + v01[2] * v01[2]);
      const double d02 = std::sqrt(v02[0] * v02[0] + v02[1] * v02[1] + v02[2] * v02[2]);
      const double d12 = std::sqrt(v12[0] * v12[0] + v12[1] * v12[1] + v12[2] * v12[2]);
      const double weights[3] = {angle(d01, d02, d12), angle(d01, d12, d02), angle(d02, d12, d01)};
      const uint32_t corners[3] = {i0, i1, i2};
      for (int c = 0; c < 3; ++c)
        if (compute[corners[c]])
          for (int k = 0; k < 3; ++k) sum[3 * corners[c] + k] += n[k] / length * weights[c];
    }
    for (size_t i = 0; i < count; ++i) {
      if (!compute[i]) continue;
      const double length =
          std::sqrt(sum[3 * i] * sum[3 * i] + sum[3 * i + 1] * sum[3 * i + 1] + sum[3 * i + 2] * sum[3 * i + 2]);
      for (int k = 0; k < 3; ++k)
        group.normals[3 * i + k] = length > 0 ? static_cast<float>(sum[3 * i + k] / length) : 0.0f;
    }
  }

  void ReadMaterials() {
    if (next == lines.size()) return;
    const std::string_view line = lines[next++];
    long count = 0;
    // The host looks for the list only on the line right after the last group, spelt exactly so.
    if (line.compare(0, 9, "MATERIALS") != 0 || LeadingNumbers(line.substr(9), &count, 1) != 1 || count < 0) return;
    auto nextLine = [this](const char *what) {
      if (next == lines.size()) Fail(next, std::string("the file ends in the materials, before ") + what);
      return lines[next++];
    };
    for (long i = 0; i < count; ++i) {
      const std::string_view name = TrimEnd(nextLine("a material's name"));
      size_t at = 0;
      while (at < name.size() && IsBlank(name[at])) ++at;
      MeshMaterial material;
      material.name = std::string(name.substr(at, name.find_first_of(" \t", at) - at));
      mesh.materials.push_back(std::move(material));
    }
    for (MeshMaterial &material : mesh.materials) {
      nextLine("a MATERIAL line");
      // Numbers a line lacks are 0, as the host reads them.
      float values[5] = {0, 0, 0, 0, 0};
      LeadingNumbers(nextLine("a diffuse colour"), values, 4);
      std::copy(values, values + 4, material.diffuse.begin());
      nextLine("an ambient colour");
      std::fill(values, values + 5, 0.0f);
      LeadingNumbers(nextLine("a specular colour"), values, 5);
      std::copy(values, values + 4, material.specular.begin());
      material.power = values[4];
      nextLine("an emissive colour");
    }
  }

  std::string source;
  std::vector<std::string_view> lines;
  size_t next = 0;  // the next line's index; also the number of the line just read
  Mesh mesh;
};

}  // namespace

size_t Mesh::VertexCount() const {
  size_t count = 0;
  for (const MeshGroup &g : groups) count += g.positions.size() / 3;
  return count;
}

size_t Mesh::TriangleCount() const {
  size_t count = 0;
  for (const MeshGroup &g : groups) count += g.indices.size() / 3;
  return count;
}

Mesh ParseMesh(const std::string &text, const std::string &sourceName) { return MeshReader(text, sourceName).Run(); }

}  // namespace sim
