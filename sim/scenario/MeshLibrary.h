// The looks of a host installation's vessels: a class names its mesh (the MeshName key of its
// configuration file; the stock classes, whose modules name theirs in code, by the names built in
// here), and the mesh is the file `DIR/Meshes/NAME.msh`, each read once.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "sim/scenario/MeshFile.h"
#include "sim/scenario/VesselClasses.h"

namespace sim {

// The mesh the host's own module of a stock class loads (ShuttlePB, DeltaGlider, ShuttleA,
// matched without regard to case); empty for any other class.
std::string_view StockMeshName(std::string_view className);

class MeshLibrary {
public:
  // `hostDir`: a host installation's top folder; empty: no meshes.
  explicit MeshLibrary(std::string hostDir);

  // The mesh of a vessel class and its name; null when the class names none or its mesh cannot
  // be used, and then `note` says why in one line (empty when there is simply no mesh).
  const Mesh *ForClass(const std::string &className, std::string &meshName, std::string &note);
  // The mesh of that name (`DG\deltaglider` or `DG/deltaglider`); null with the reason in `note`.
  const Mesh *Load(const std::string &meshName, std::string &note);

  // The file of a mesh name under DIR/Meshes, each part of the name matched without regard to
  // case as on the host's file system; empty with the reason in `problem` when there is none, or
  // when the name would lead out of the Meshes folder.
  std::string MeshPath(const std::string &meshName, std::string &problem) const;

  // Meshes larger than this are not read, bytes.
  static constexpr uintmax_t maxFileSize = uintmax_t{32} << 20;

private:
  struct Entry {
    std::unique_ptr<Mesh> mesh;  // null when it could not be read
    std::string note;
  };

  std::string hostDir;
  VesselClasses classes;
  std::unordered_map<std::string, Entry> loaded;  // by the name in lower case with '/'
};

}  // namespace sim
