// What a vessel class tells a ship that does not say it itself: its empty mass, inertia, tanks and
// docking ports. Classes come from a host installation's configuration files
// (`DIR/Config/Vessels/CLASS.cfg`), or, for the stock classes the host defines in its code, from
// the facts built in here. A configuration file of a class whose vessel module sets some of them
// in code (the host's own DeltaGlider and ShuttleA files give no Mass) takes those it lacks from
// the class built in, field by field.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim/world/Vec3.h"
#include "sim/world/Vessel.h"

namespace sim {

// Each field is empty where no source gave it.
struct VesselClass {
  std::string name;
  std::optional<double> mass;                     // kg, empty
  std::optional<Vec3> pmi;                        // principal moments of inertia per unit mass, m^2
  double size = 0;                                // m, mean radius; 0 when not given
  std::optional<std::vector<double>> tanks;       // kg: each propellant tank's capacity, in the host's order
  std::optional<std::vector<DockingPort>> docks;  // vessel frame
  std::string meshName;                           // MeshName: the mesh under Meshes/, without ".msh"
  std::string module;                             // Module: the vessel module that defines the class in code
  std::string source;                             // the configuration file; empty for a class built in
};

// ShuttlePB, DeltaGlider and ShuttleA, matched without regard to case; null for any other. Every
// field but the mesh is given.
const VesselClass *StockClass(std::string_view name);

// A class configuration file: `Key = value` lines (Mass, Size, Inertia, MaxFuel, MeshName and Module
// are read; keys without regard to case; other keys and blocks are passed over), and the docking
// ports between BEGIN_DOCKLIST and END_DOCKLIST (position, direction, alignment, then an optional
// radio id). `;` starts a comment. Only what the file gives is filled in. ScenarioError naming
// `sourceName`, the line and the problem for a malformed file.
VesselClass ParseClassConfig(const std::string &text, const std::string &sourceName, const std::string &className);

// Looks classes up: a configuration file under the host folder first (its name matched without
// regard to case, as on Windows), completed by the stock class of the same name or of the file's
// Module; then the stock classes. Each file is read once.
class VesselClasses {
public:
  // Stock classes only.
  VesselClasses() = default;
  // `hostDir` is a host installation's top folder; empty: stock classes only.
  explicit VesselClasses(std::string hostDir);

  // Null when no source knows the class. ScenarioError when its configuration file cannot be read
  // or is malformed. A class found may still lack its mass or inertia.
  const VesselClass *Find(const std::string &name);
  // Where a configuration file of the class would be, for messages; empty without a host folder.
  std::string ConfigPath(const std::string &name) const;

private:
  std::string hostDir;
  bool listed = false;
  std::unordered_map<std::string, std::string> files;                  // lower-case file name → path
  std::unordered_map<std::string, std::unique_ptr<VesselClass>> read;  // lower-case class name
};

}  // namespace sim
