// A simulated vessel: 6-DOF rigid-body state, docking ports, attachment points, propellant
// resources, thrusters and exhaust streams, and the host interface object (VESSEL) that plug-ins
// see. Owned by the World; handles stay valid until the vessel is deleted.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../host/VesselAPI.h"
#include "Vec3.h"

namespace sim {

struct DockingPort {
  Vec3 pos, dir, rot;  // vessel frame
};

struct AttachmentPoint {
  Vec3 pos, dir, rot;  // vessel frame
};

struct Propellant {
  double maxMass = 0;     // kg
  double mass = 0;        // kg
  double efficiency = 1;
};

struct Thruster {
  Vec3 pos, dir;             // vessel frame; dir is the direction of the thrust force
  double maxThrust = 0;      // N
  Propellant *propellant = nullptr;
  double isp = 0;            // m/s; 0 burns nothing
  double ispRef = 0;
  double pRef = 101.4e3;
  double level = 0;          // 0..1
};

struct Exhaust {
  UINT id = 0;
  Thruster *thruster = nullptr;
  double lscale = 0, wscale = 0;  // m
  Vec3 pos, dir;                   // vessel frame
  SURFHANDLE texture = nullptr;
};

class Vessel {
public:
  Vessel(std::string name, std::string className);
  ~Vessel();
  Vessel(const Vessel &) = delete;
  Vessel &operator=(const Vessel &) = delete;

  const std::string &Name() const { return name; }
  const std::string &ClassName() const { return className; }
  VESSEL *Interface() { return &iface; }

  // Dry mass plus the propellant in every resource, kg.
  double Mass() const;

  // Force and point in the vessel frame, for this step.
  void AddForce(Vec3 force, Vec3 point);
  // Thruster forces at their level, and the propellant they burn over dt.
  void ApplyThrusters(double dt);
  // Symplectic step over dt with the forces added so far plus `globalAcceleration`, then clears them.
  void Integrate(double dt, Vec3 globalAcceleration);

  Propellant *CreatePropellant(double maxMass, double mass, double efficiency);
  bool DeletePropellant(Propellant *p);
  bool HasPropellant(const Propellant *p) const;
  Thruster *CreateThruster(const Thruster &t);
  // Also removes the thruster's exhaust streams.
  bool DeleteThruster(Thruster *t);
  bool HasThruster(const Thruster *t) const;
  // 0 when the thruster is not this vessel's.
  UINT AddExhaust(const Exhaust &e);
  bool DeleteExhaust(UINT id);

  const std::vector<std::unique_ptr<Propellant>> &Propellants() const { return propellants; }
  const std::vector<std::unique_ptr<Thruster>> &Thrusters() const { return thrusters; }
  const std::map<UINT, Exhaust> &Exhausts() const { return exhausts; }

  double dryMass = 1000;       // kg
  Vec3 pmi{1, 1, 1};           // principal moments of inertia per unit mass, m^2
  Vec3 pos, vel;               // global, m and m/s
  Mat3 rot;                    // global = rot · local
  Vec3 angVel;                 // vessel frame, rad/s
  std::vector<DockingPort> docks;
  std::vector<AttachmentPoint> attachments;

  Vec3 forceSum;   // vessel frame, this step
  Vec3 torqueSum;  // vessel frame, about the centre of gravity, this step

private:
  std::string name;
  std::string className;
  VESSEL iface;
  std::vector<std::unique_ptr<Propellant>> propellants;
  std::vector<std::unique_ptr<Thruster>> thrusters;
  std::map<UINT, Exhaust> exhausts;
  UINT nextExhaustId = 1;
};

}  // namespace sim
