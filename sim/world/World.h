// The simulated host's world: the vessels, the focus, the fixed step, the optional central body
// and the frame. One World is current at a time; the host API functions act on it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sim/world/Assembly.h"
#include "sim/world/SimTime.h"
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
  // FindByName of a terminated name that the host API is handed, with the same answer. A plug-in
  // resolves the same few names from the same buffers every frame, so the answer for a buffer is
  // kept beside a copy of the name it was for, and given again while the buffer holds that name
  // and no vessel has been created or deleted since.
  Vessel *FindByNameBuffer(const char *name) {
    const NameMemo &memo = nameMemos[MemoSlot(name)];
    // The kept copy is terminated, so the comparison stops at its end at the latest, and it reads
    // the buffer no further than its own terminator.
    if (memo.buffer == name && memo.generation == generation)
      for (const char *kept = memo.name, *given = name; *kept == *given; ++kept, ++given)
        if (*given == '\0') return memo.vessel;
    return FindAndRememberName(name);
  }
  // Null outside 0 .. count − 1; constant time.
  Vessel *VesselAt(size_t index) const;
  size_t VesselCount() const { return vessels.size(); }
  // Whether a handle names a vessel that exists.
  bool IsLive(const Vessel *vessel) const { return IndexOf(vessel) != vessels.size(); }
  // The index of a live vessel in the list; VesselCount() for any other handle.
  size_t IndexOf(const Vessel *vessel) const { return index.PositionOf(vessel, vessels.size()); }

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
  // thruster forces and propellant burn, the step in gravity with those forces held over it
  // (velocity Verlet, of each free vessel and each assembly), cleared forces, t += step.
  void Frame(const std::function<void()> &perFrame) {
    ClearPluginForces();
    if (perFrame) perFrame();
    Advance();
  }
  // The host's part of a frame, after the plug-in's callback: thrusters, gravity, integration,
  // cleared forces, t += step. A frame is ClearPluginForces, the callback, then Advance.
  void Advance();

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
    // Stored field by field into the list's storage, which it keeps from frame to frame: a record
    // put together on the stack first and then copied would be read back (16 bytes at a time)
    // before its 8-byte stores have settled, a wait of its own on every force.
    AppliedForce &added = pluginForces.emplace_back();
    added.vessel = vessel;
    added.force = force;
    added.point = point;
  }

  // The central body's pull at a global position, m/s^2; zero without one and at the origin.
  Vec3 GravityAt(Vec3 pos) const {
    if (!gravityGM) return {};
    double r = Length(pos);
    if (!(r > 0)) return {};
    return pos * (-*gravityGM / (r * r * r));
  }

  double step = defaultStep;        // s
  double time = 0;                  // s
  std::optional<double> gravityGM;  // m^3/s^2 of a central body at the origin

private:
  // Takes `vessel` out of its assembly and forms the rest again.
  void Undock(Vessel *vessel);

  // One remembered answer of FindByNameBuffer.
  struct NameMemo {
    const char *buffer = nullptr;
    char name[24] = {};  // what the buffer held, terminated; longer names are not remembered
    Vessel *vessel = nullptr;
    unsigned long long generation = 0;
  };
  static constexpr size_t nameMemoCount = 64;
  // Buffers of one plug-in lie at multiples of a power of two apart: the top bits of a
  // multiplicative hash spread them over the memos.
  static size_t MemoSlot(const char *buffer) {
    static_assert(nameMemoCount == 64, "a slot is the hash's top six bits");
    return static_cast<size_t>((static_cast<uint64_t>(reinterpret_cast<uintptr_t>(buffer)) * 0x9E3779B97F4A7C15ull) >>
                               58);
  }
  Vessel *FindAndRememberName(const char *name);

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
  // Counts the changes of the list of vessels: a remembered name is good for one generation.
  unsigned long long generation = 1;
  std::vector<NameMemo> nameMemos = std::vector<NameMemo>(nameMemoCount);
};

namespace detail {
extern World *currentWorld;
}  // namespace detail

// The current world, or null.
inline World *CurrentWorld() { return detail::currentWorld; }

}  // namespace sim
