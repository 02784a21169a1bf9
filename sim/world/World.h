// The simulated host's world: the vessels, the focus, the fixed step, the optional central body
// and the frame. One World is current at a time; the host API functions act on it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim/world/Assembly.h"
#include "sim/world/Vessel.h"
#include "sim/world/VesselIndex.h"

namespace sim {

class World {
public:
  // Makes this world the current one.
  World();
  ~World();
  World(const World &) = delete;
  World &operator=(const World &) = delete;

  // Null when the name is taken (case-insensitively) or empty. The first vessel of a world without
  // a focus gets the focus.
  Vessel *CreateVessel(const std::string &name, const std::string &className = "Generic");
  // The vessel's handle and name no longer resolve afterwards and the vessels after it move up one
  // index. Its object stays in memory, inert, until the world ends, so that a stale handle or
  // interface is recognised instead of read after it was freed. When it had the focus, the focus
  // moves to the first vessel (null when none is left). A docked vessel leaves its assembly: the
  // parts still joined to each other stay an assembly, a part left alone flies free, each moving
  // on as it moved.
  bool DeleteVessel(Vessel *vessel);
  // Case-insensitive; constant time.
  Vessel *FindByName(std::string_view name) const;
  // Null outside 0 .. count − 1; constant time.
  Vessel *VesselAt(size_t index) const;
  size_t VesselCount() const { return vessels.size(); }
  // Whether a handle names a vessel that exists.
  bool IsLive(const Vessel *vessel) const;
  // The index of a live vessel in the list; VesselCount() for any other handle.
  size_t IndexOf(const Vessel *vessel) const;

  Vessel *Focus() const { return focus; }
  // Refused (false) for a handle that is not a live vessel of this world.
  bool SetFocus(Vessel *vessel);

  // Makes the vessels that the joints name one rigid assembly, from their states as they stand
  // (place them with PlaceAtDock first). Null, with nothing changed, when a vessel is not live or
  // already docked, a port is missing or used twice, a joint ties a vessel to itself, or the
  // joints do not hold all the vessels together.
  Assembly *Join(const std::vector<DockJoint> &joints);
  const std::vector<std::unique_ptr<Assembly>> &Assemblies() const { return assemblies; }

  // The same handle for the same name (compared exactly) for the life of the world; null for an
  // empty name.
  SURFHANDLE RegisterExhaustTexture(const std::string &name);
  // The name a texture handle was registered under, empty when unknown.
  std::string TextureName(SURFHANDLE texture) const;

  // One frame from simulated time t: `perFrame` (the plug-in's callback) adds its forces, then
  // thruster forces and propellant burn, gravity, the symplectic integration (of each free vessel
  // and each assembly), cleared forces, t += step.
  void Frame(const std::function<void()> &perFrame);

  // A force a plug-in added through VESSEL::AddForce, vessel frame.
  struct AppliedForce {
    const Vessel *vessel;
    Vec3 force, point;
  };
  // The forces plug-ins added in the last frame, in the order added.
  const std::vector<AppliedForce> &PluginForces() const { return pluginForces; }
  // Forgets the forces of the last frame, as the start of a frame does.
  void ClearPluginForces() { pluginForces.clear(); }
  void RecordPluginForce(const Vessel *vessel, Vec3 force, Vec3 point) {
    pluginForces.push_back({vessel, force, point});
  }

  // The central body's pull at a global position, m/s^2; zero without one and at the origin.
  Vec3 GravityAt(Vec3 pos) const;

  double step = 0.02;                  // s
  double time = 0;                     // s
  std::optional<double> gravityGM;     // m^3/s^2 of a central body at the origin

private:
  // Takes `vessel` out of its assembly and forms the rest again.
  void Undock(Vessel *vessel);

  std::vector<AppliedForce> pluginForces;
  std::vector<std::unique_ptr<Vessel>> vessels;
  std::vector<std::unique_ptr<Vessel>> retired;  // deleted, kept inert until the world ends
  std::vector<std::unique_ptr<Assembly>> assemblies;
  VesselIndex index;
  Vessel *focus = nullptr;
  std::vector<std::unique_ptr<std::string>> textures;
  std::unordered_map<std::string, SURFHANDLE> textureByName;
  // Time is counted in whole steps from the last change of step or time, so that it does not
  // collect the rounding of repeated additions (50 steps of 0.02 s end at exactly 1 s).
  double countBase = 0;  // s
  double countStep = 0;  // s
  long long stepCount = 0;
};

// The current world, or null.
World *CurrentWorld();

}  // namespace sim
