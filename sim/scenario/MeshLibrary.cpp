#include "sim/scenario/MeshLibrary.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "sim/scenario/ScenarioFile.h"
#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

struct StockMesh {
  const char *className, *meshName;
};
constexpr StockMesh stockMeshes[] = {
    {"ShuttlePB", "ShuttlePB"},
    {"DeltaGlider", "DG/deltaglider"},
    {"ShuttleA", "ShuttleA/ShuttleA"},
};

// The entry of `folder` whose name is `name` without regard to case; an exact match first.
fs::path FindEntry(const fs::path &folder, const std::string &name) {
  std::error_code error;
  if (fs::exists(folder / name, error)) return folder / name;
  const std::string wanted = Lower(name);
  for (const fs::directory_entry &entry : fs::directory_iterator(folder, error))
    if (Lower(entry.path().filename().string()) == wanted) return entry.path();
  return {};
}

}  // namespace

std::string_view StockMeshName(std::string_view className) {
  const std::string wanted = Lower(className);
  for (const StockMesh &m : stockMeshes)
    if (Lower(m.className) == wanted) return m.meshName;
  return {};
}

MeshLibrary::MeshLibrary(std::string dir) : hostDir(dir), classes(std::move(dir)) {}

std::string MeshLibrary::MeshPath(const std::string &meshName, std::string &problem) const {
  // The host's names use '\' between folders.
  std::vector<std::string> parts;
  std::string part;
  for (char c : meshName + "/") {
    if (c == '/' || c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  const bool absolute =
      !meshName.empty() && (meshName[0] == '/' || meshName[0] == '\\' || (meshName.size() > 1 && meshName[1] == ':'));
  if (parts.empty() || absolute) {
    problem = "mesh name '" + meshName + "' is not a file under Meshes";
    return "";
  }
  for (const std::string &p : parts)
    if (p == "." || p == "..") {
      problem = "mesh name '" + meshName + "' leads out of the Meshes folder";
      return "";
    }
  parts.back() += ".msh";
  fs::path at = FindEntry(fs::path(hostDir), "Meshes");
  for (const std::string &p : parts) {
    if (at.empty()) break;
    at = FindEntry(at, p);
  }
  std::error_code error;
  if (at.empty() || !fs::is_regular_file(at, error)) {
    std::string wanted = "Meshes";
    for (const std::string &p : parts) wanted += "/" + p;
    problem = "no mesh file " + wanted + " in '" + hostDir + "'";
    return "";
  }
  return at.string();
}

const Mesh *MeshLibrary::Load(const std::string &meshName, std::string &note) {
  std::string key = Lower(meshName);
  for (char &c : key)
    if (c == '\\') c = '/';
  auto known = loaded.find(key);
  if (known == loaded.end()) {
    Entry entry;
    std::string problem;
    const std::string path = MeshPath(meshName, problem);
    if (!path.empty()) {
      std::error_code error;
      const uintmax_t size = fs::file_size(path, error);
      std::ifstream in(path, std::ios::binary);
      if (error || !in) {
        problem = path + ": cannot be read";
      } else if (size > maxFileSize) {
        problem = path + ": larger than " + std::to_string(maxFileSize >> 20) + " MiB, not read";
      } else {
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) {
          problem = path + ": cannot be read";
        } else {
          try {
            entry.mesh = std::make_unique<Mesh>(ParseMesh(text, path));
          } catch (const ScenarioError &e) {
            problem = e.what();
          }
        }
      }
    }
    entry.note = problem;
    known = loaded.emplace(key, std::move(entry)).first;
  }
  note = known->second.note;
  return known->second.mesh.get();
}

const Mesh *MeshLibrary::ForClass(const std::string &className, std::string &meshName, std::string &note) {
  note.clear();
  meshName.clear();
  if (hostDir.empty()) return nullptr;
  std::string classProblem;
  try {
    if (const VesselClass *known = classes.Find(className)) meshName = known->meshName;
  } catch (const ScenarioError &e) {
    classProblem = e.what();
  }
  // The host's own modules of the stock classes name their meshes in code, not in the file.
  if (meshName.empty()) meshName = std::string(StockMeshName(className));
  if (meshName.empty()) {
    note = classProblem;
    return nullptr;
  }
  return Load(meshName, note);
}

}  // namespace sim
