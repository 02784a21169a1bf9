// What a vessel class tells a ship that does not say it itself: its empty mass, inertia, tanks and
// docking ports. Classes come from a host installation's configuration files
// (`DIR/Config/Vessels/CLASS.cfg`), or, for the stock classes the host defines in its code, from
// the facts built in here.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim/world/Vec3.h"
#include "sim/world/Vessel.h"

namespace sim {

struct VesselClass {
  std::string name;
  double mass = 0;                 // kg, empty
  Vec3 pmi;                        // principal moments of inertia per unit mass, m^2
  double size = 0;                 // m, mean radius; 0 when not given
  std::vector<double> tanks;       // kg: each propellant tank's capacity, in the host's order
  std::vector<DockingPort> docks;  // vessel frame
  std::string meshName = {};       // the MeshName key: the look's file under Meshes/, without .msh
};

// ShuttlePB, DeltaGlider and ShuttleA, matched without regard to case; null for any other.
const VesselClass *StockClass(std::string_view name);

// A class configuration file: `Key = value` lines (Mass, Size, Inertia, MaxFuel and MeshName are read; keys
// without regard to case; other keys and blocks are passed over), and the docking ports between
// BEGIN_DOCKLIST and END_DOCKLIST (position, direction, alignment, then an optional radio id).
// `;` starts a comment. ScenarioError naming `sourceName`, the line and the problem.
VesselClass ParseClassConfig(const std::string &text, const std::string &sourceName, const std::string &className);

// Looks classes up: a configuration file under the host folder first (its name matched without
// regard to case, as on Windows), then the stock classes. Each file is read once.
class VesselClasses {
public:
  // Stock classes only.
  VesselClasses() = default;
  // `hostDir` is a host installation's top folder; empty: stock classes only.
  explicit VesselClasses(std::string hostDir);

  // Null when no source knows the class. ScenarioError when its configuration file cannot be read
  // or is malformed.
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
