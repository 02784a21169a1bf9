// The simulated host's world: the vessels, the focus, the fixed step, the optional central body
// and the frame. One World is current at a time; the host API functions act on it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "Vessel.h"

namespace sim {

class World {
public:
  // Makes this world the current one.
  World();
  ~World();
  World(const World &) = delete;
  World &operator=(const World &) = delete;

  // Null when the name is taken (case-insensitively) or empty.
  Vessel *CreateVessel(const std::string &name, const std::string &className = "Generic");
  // The vessel's handle and name no longer resolve afterwards; the focus moves to the first vessel.
  bool DeleteVessel(Vessel *vessel);
  // Case-insensitive; constant time.
  Vessel *FindByName(std::string_view name) const;
  // Null outside 0 .. count − 1; constant time.
  Vessel *VesselAt(size_t index) const;
  size_t VesselCount() const { return vessels.size(); }
  // Whether a handle names a vessel that exists.
  bool IsLive(const Vessel *vessel) const;
  // The index of a live vessel in the list.
  size_t IndexOf(const Vessel *vessel) const;

  Vessel *Focus() const { return focus; }
  void SetFocus(Vessel *vessel) { focus = vessel; }

  SURFHANDLE RegisterExhaustTexture(const std::string &name);
  // The name a texture handle was registered under, empty when unknown.
  std::string TextureName(SURFHANDLE texture) const;

  // One frame from simulated time t: `perFrame` (the plug-in's callback) adds its forces, then
  // thruster forces and propellant burn, gravity, the symplectic integration, cleared forces,
  // t += step.
  void Frame(const std::function<void()> &perFrame);

  double step = 0.02;                  // s
  double time = 0;                     // s
  std::optional<double> gravityGM;     // m^3/s^2 of a central body at the origin

private:
  std::vector<std::unique_ptr<Vessel>> vessels;
  std::unordered_map<std::string, Vessel *> byName;  // lower-case name
  std::unordered_map<const Vessel *, size_t> indexOf;
  Vessel *focus = nullptr;
  std::vector<std::unique_ptr<std::string>> textures;
  std::unordered_map<std::string, SURFHANDLE> textureByName;
};

// The current world, or null.
World *CurrentWorld();

}  // namespace sim
