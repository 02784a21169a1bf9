// A simulated vessel: 6-DOF rigid-body state, docking ports, attachment points, propellant
// resources, thrusters and exhaust streams, and the host interface object (VESSEL) that plug-ins
// see. Owned by the World; handles stay valid until the vessel is deleted.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/OrbiterAPI.h"
#include "sim/world/RigidBody.h"
#include "sim/world/Vec3.h"

namespace sim {

class Assembly;
class World;

struct DockingPort {
  Vec3 pos, dir, rot;  // vessel frame
};

struct AttachmentPoint {
  Vec3 pos, dir, rot;  // vessel frame
};

struct Propellant {
  double maxMass = 0;     // kg
  double mass = 0;        // kg, 0 .. maxMass
  double efficiency = 1;  // kept as given; the host burns at the nominal rate
};

struct Thruster {
  Vec3 pos, dir;                     // vessel frame; dir is the unit direction of the thrust force
  double maxThrust = 0;              // N
  Propellant *propellant = nullptr;  // none: the thruster gives no thrust
  double isp = 0;                    // m/s; 0 burns nothing
  double ispRef = 0;                 // m/s, kept as given
  double pRef = 101.4e3;             // Pa, kept as given
  double level = 0;                  // 0..1
};

struct Exhaust {
  UINT id = 0;
  Thruster *thruster = nullptr;
  double lscale = 0, wscale = 0;  // m
  Vec3 pos, dir;                  // vessel frame
  SURFHANDLE texture = nullptr;
};

class Vessel {
public:
  Vessel(std::string name, std::string className);
  ~Vessel();
  Vessel(const Vessel &) = delete;
  Vessel &operator=(const Vessel &) = delete;

  const std::string &Name() const { return name; }
  // The name as the host API hands it out: terminated, owned by the vessel.
  char *NameBuffer() { return name.data(); }
  const std::string &ClassName() const { return className; }
  // The host API's interface object of this vessel, made by the host API when the vessel is made.
  VESSEL *Interface() { return static_cast<VESSEL *>(iface); }
  // Set when the world has deleted the vessel: its interface then does nothing.
  bool IsDeleted() const { return deleted; }
  // The docked assembly the vessel is a part of; null while it flies free.
  Assembly *DockedIn() const { return assembly; }

  // Dry mass plus the propellant in every resource, kg.
  double Mass() const {
    double m = dryMass;
    for (const auto &p : propellants) m += p->mass;
    return m;
  }

  // Force and point in the vessel frame, for this step.
  void AddForce(Vec3 force, Vec3 point) {
    forceSum += force;
    torqueSum += Cross(point, force);
  }
  // Thruster forces at their level, and the propellant they burn over dt (s). A thruster fires
  // when its resource holds propellant at the start of the step.
  void ApplyThrusters(double dt) {
    if (!thrusters.empty()) FireThrusters(dt);
  }
  // One step over dt (s) in the world's gravity with the forces added so far, held over the
  // step as the host holds a frame's forces, then clears them (velocity Verlet, of second order):
  // half the step's change of velocity and angular momentum, then position and orientation, then
  // the other half, from the gravity at the new position and the same forces and torque.
  void Integrate(double dt, const World &world);

  // A mass below 0 means full; the mass is held within 0 .. maxMass.
  Propellant *CreatePropellant(double maxMass, double mass, double efficiency);
  // Thrusters it fed are left without propellant.
  bool DeletePropellant(Propellant *p);
  bool HasPropellant(const Propellant *p) const;
  // False when the resource is not this vessel's; the mass is held within 0 .. maxMass.
  bool SetPropellantMass(Propellant *p, double mass);
  // A propellant resource that is not this vessel's is not connected; the direction is made unit.
  Thruster *CreateThruster(const Thruster &t);
  // Also removes the thruster's exhaust streams.
  bool DeleteThruster(Thruster *t);
  bool HasThruster(const Thruster *t) const;
  // False when the thruster is not this vessel's; the level is held within 0 .. 1.
  bool SetThrusterLevel(Thruster *t, double level);
  // 0 when the thruster is not this vessel's; otherwise an id unique on this vessel, never 0.
  UINT AddExhaust(const Exhaust &e);
  // AddExhaust of a stream whose thruster and id are set and whose other fields the caller fills
  // in place; null when the thruster is not this vessel's. The pointer is good until the vessel's
  // streams change again.
  Exhaust *NewExhaust(Thruster *thruster);
  bool DeleteExhaust(UINT id);

  const std::vector<std::unique_ptr<Propellant>> &Propellants() const { return propellants; }
  const std::vector<std::unique_ptr<Thruster>> &Thrusters() const { return thrusters; }
  // In the order added; a stream's storage is reused, so adding one each frame allocates nothing.
  const std::vector<Exhaust> &Exhausts() const { return exhausts; }
  // Null when no stream of this vessel has the id.
  const Exhaust *FindExhaust(UINT id) const;

  double dryMass = 1000;  // kg
  Vec3 pmi{1, 1, 1};      // principal moments of inertia per unit mass, m^2
  Vec3 pos, vel;          // global, m and m/s
  Mat3 rot;               // global = rot · local
  Vec3 angVel;            // vessel frame, rad/s
  std::vector<DockingPort> docks;
  std::vector<AttachmentPoint> attachments;
  // The first this many propellant resources are the vessel's own tanks (its class's), whose
  // levels a scenario keeps; a plug-in's resources come after them.
  size_t ownTanks = 0;

  Vec3 forceSum;   // vessel frame, this step
  Vec3 torqueSum;  // vessel frame, about the centre of gravity, this step

private:
  friend class World;
  friend class Assembly;
  // Drops the propellant, thrusters and exhausts and marks the vessel deleted.
  void Retire();
  // ApplyThrusters of a vessel that has thrusters.
  void FireThrusters(double dt);
  // The rotation of Integrate: half the torque's kick to the angular momentum, the turn, the other
  // half of the same torque (in the direction it had at the start); `inertia` in kg m^2.
  void Rotate(double dt, const double inertia[3]);

  std::string name;
  std::string className;
  void *iface;
  std::vector<std::unique_ptr<Propellant>> propellants;
  std::vector<std::unique_ptr<Thruster>> thrusters;
  std::vector<Exhaust> exhausts;
  UINT nextExhaustId = 1;
  bool deleted = false;
  Assembly *assembly = nullptr;
  SettledRotation settledRotation;
};

}  // namespace sim
