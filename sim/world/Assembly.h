// Docked vessels: one rigid body made of several vessels. Each vessel (a part) keeps its own
// position, orientation, velocity and spin, as the host interface hands them out, and its own
// forces; the assembly gathers the parts' forces, moves as one body and places every part again
// after each step.
#pragma once

#include <cstddef>
#include <vector>

#include "sim/world/RigidBody.h"
#include "sim/world/Vec3.h"

namespace sim {

class Vessel;
class World;

// Port `portA` of vessel `a` is docked to port `portB` of vessel `b`.
struct DockJoint {
  Vessel *a = nullptr;
  size_t portA = 0;
  Vessel *b = nullptr;
  size_t portB = 0;
};

// Moves and turns `b` so that its port `portB` meets port `portA` of `a`: the two ports'
// positions coincide, their directions are opposite and their alignments equal. False, with `b`
// untouched, when a port is missing or its direction and alignment do not span a plane.
bool PlaceAtDock(const Vessel &a, size_t portA, Vessel &b, size_t portB);

class Assembly {
public:
  // One body from the parts as they stand, keeping their total momentum and angular momentum
  // (so a set of parts that already moves rigidly keeps moving exactly so). `parts` are live,
  // undocked vessels of one world; the joints say which ports hold them together.
  Assembly(std::vector<Vessel *> parts, std::vector<DockJoint> joints);
  ~Assembly();
  Assembly(const Assembly &) = delete;
  Assembly &operator=(const Assembly &) = delete;

  const std::vector<DockJoint> &Joints() const { return joints; }
  size_t PartCount() const { return parts.size(); }
  Vessel *PartAt(size_t i) const { return parts[i].vessel; }

  double Mass() const { return mass; }               // kg, the parts' masses when last formed
  Vec3 CentreOfMass() const { return centre; }       // global, m
  Vec3 Velocity() const { return vel; }              // of the centre of mass, global, m/s
  const Mat3 &Rotation() const { return rot; }       // principal axes: global = rot · body
  Vec3 PrincipalMoments() const { return moments; }  // kg m^2
  Vec3 AngularVelocity() const { return angVel; }    // body frame, rad/s

  // One step over dt (s), as a free vessel takes it (velocity Verlet): the parts' added forces
  // (each at its point, held over the step as they stood at its start) and gravity on every part
  // at its own centre of mass give half the change of velocity and angular momentum, then the
  // assembly moves and turns, then the other half, with gravity where the parts have come to; the
  // parts are placed again and their forces cleared. A part whose mass changed (propellant) makes
  // the assembly form again first.
  void Integrate(double dt, const World &world);

private:
  friend class World;

  struct Part {
    Vessel *vessel;
    double mass;  // kg, when last formed
    Vec3 offset;  // from the centre of mass, body frame
    Mat3 relRot;  // the part's orientation in the body frame
  };

  // Mass, centre, inertia and motion from the parts' current states.
  void Form();
  // Every part's position, orientation, velocity and spin from the body's.
  void PlaceParts();
  // The change over dt (s) of the velocity and of `momentum` (body frame, kg m^2/s) from `force`
  // and `torque` (global, about the centre of mass) and gravity where the parts are.
  void Kick(double dt, const World &world, Vec3 force, Vec3 torque, Vec3 &momentum);
  // Lets go of the parts: each is free again, moving as it moved in the assembly.
  void Release();

  std::vector<Part> parts;
  std::vector<DockJoint> joints;
  double mass = 0;
  Vec3 centre, vel, moments, angVel;
  Mat3 rot;
  SettledRotation settledRotation;
};

}  // namespace sim
