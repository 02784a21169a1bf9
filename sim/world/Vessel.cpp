#include "sim/world/Vessel.h"

#include <algorithm>
#include <cmath>

#include "sim/api/CoreInterface.h"
#include "sim/world/RigidBody.h"
#include "sim/world/World.h"

namespace sim {

namespace {

// Whether the rotation step takes 1 / `moment` as a finite number (or 0, for a moment that is not
// above 0): a moment below 1e-300 could make it infinite.
bool FiniteReciprocal(double moment) { return !(moment > 0) || moment >= 1e-300; }

// Holds a value within lo .. hi; a value that is not a number becomes lo.
double Clamp(double value, double lo, double hi) {
  if (!(value > lo)) return lo;
  return value > hi ? hi : value;
}

}  // namespace

Vessel::Vessel(std::string vesselName, std::string vesselClass)
    : name(std::move(vesselName)),
      className(std::move(vesselClass)),
      iface(kestraneAdapter->newVesselInterface(this)) {}

Vessel::~Vessel() { kestraneAdapter->deleteVesselInterface(iface); }

void Vessel::FireThrusters(double dt) {
  // All forces first, on the tanks as they stand at the start of the step, so that thrusters
  // sharing a tank that runs dry in this step still fire together. A tank that was empty at the
  // start stays at 0 in the burn below.
  for (const auto &t : thrusters)
    if (t->level > 0 && t->propellant != nullptr && t->propellant->mass > 0)
      AddForce(t->dir * (t->level * t->maxThrust), t->pos);
  for (const auto &t : thrusters) {
    if (t->level <= 0 || t->propellant == nullptr || t->isp <= 0) continue;
    double burnt = t->level * t->maxThrust / t->isp * dt;
    t->propellant->mass = std::max(0.0, t->propellant->mass - burnt);
  }
}

void Vessel::Integrate(double dt, const World &world) {
  const double m = Mass();
  // The frame's forces, as the plug-ins computed them at its start, act over the whole step in the
  // direction they had then: the two half kicks give the velocity their full change, and equal and
  // opposite forces on two vessels change neither's momentum more than the other's.
  const Vec3 push = m > 0 ? rot * forceSum * (1.0 / m) : Vec3{};
  vel += (world.GravityAt(pos) + push) * (dt / 2);
  const double inertia[3] = {m * pmi.x, m * pmi.y, m * pmi.z};
  Rotate(dt, inertia);
  pos += vel * dt;
  vel += (world.GravityAt(pos) + push) * (dt / 2);

  forceSum = {};
  torqueSum = {};
}

void Vessel::Rotate(double dt, const double inertia[3]) {
  const Vec3 kick = torqueSum * (dt / 2);
  Vec3 momentum = Vec3{inertia[0] * angVel.x, inertia[1] * angVel.y, inertia[2] * angVel.z} + kick;
  if (momentum.x == 0 && momentum.y == 0 && momentum.z == 0 && kick.x == 0 && kick.y == 0 && kick.z == 0 &&
      FiniteReciprocal(inertia[0]) && FiniteReciprocal(inertia[1]) && FiniteReciprocal(inertia[2])) {
    // Without angular momentum or torque (which also says that dt is finite) every angle of the
    // turn is a zero, so nothing turns, and the spin is the momentum's zeros times finite
    // reciprocals of the moments: the same zeros, signs and all. Only the correction of the
    // orientation is left, which `settledRotation` mostly spares.
    angVel = momentum;
    settledRotation.Correct(rot);
    return;
  }
  double invInertia[3];
  for (int k = 0; k < 3; ++k) invInertia[k] = inertia[k] > 0 ? 1.0 / inertia[k] : 0.0;
  // The second half of the torque's kick in the direction the torque had at the start, now seen
  // from the turned body.
  const Vec3 globalKick = rot * kick;
  TurnFreely(rot, momentum, invInertia, dt);
  if (kick.x != 0 || kick.y != 0 || kick.z != 0) momentum += Transposed(rot) * globalKick;
  angVel = {momentum.x * invInertia[0], momentum.y * invInertia[1], momentum.z * invInertia[2]};
}

Propellant *Vessel::CreatePropellant(double maxMass, double mass, double efficiency) {
  auto p = std::make_unique<Propellant>();
  p->maxMass = Clamp(maxMass, 0.0, HUGE_VAL);
  p->mass = mass < 0 ? p->maxMass : Clamp(mass, 0.0, p->maxMass);
  p->efficiency = efficiency;
  propellants.push_back(std::move(p));
  return propellants.back().get();
}

bool Vessel::DeletePropellant(Propellant *p) {
  auto it = std::find_if(propellants.begin(), propellants.end(), [p](const auto &q) { return q.get() == p; });
  if (it == propellants.end()) return false;
  for (const auto &t : thrusters)
    if (t->propellant == p) t->propellant = nullptr;
  propellants.erase(it);
  return true;
}

bool Vessel::HasPropellant(const Propellant *p) const {
  if (p == nullptr) return false;
  for (const auto &q : propellants)
    if (q.get() == p) return true;
  return false;
}

bool Vessel::SetPropellantMass(Propellant *p, double mass) {
  if (!HasPropellant(p)) return false;
  p->mass = Clamp(mass, 0.0, p->maxMass);
  return true;
}

Thruster *Vessel::CreateThruster(const Thruster &t) {
  auto made = std::make_unique<Thruster>(t);
  made->dir = Normalized(t.dir);
  if (!HasPropellant(t.propellant)) made->propellant = nullptr;
  made->level = Clamp(t.level, 0.0, 1.0);
  thrusters.push_back(std::move(made));
  return thrusters.back().get();
}

bool Vessel::DeleteThruster(Thruster *t) {
  auto it = std::find_if(thrusters.begin(), thrusters.end(), [t](const auto &q) { return q.get() == t; });
  if (it == thrusters.end()) return false;
  exhausts.erase(std::remove_if(exhausts.begin(), exhausts.end(), [t](const Exhaust &e) { return e.thruster == t; }),
                 exhausts.end());
  thrusters.erase(it);
  return true;
}

bool Vessel::HasThruster(const Thruster *t) const {
  if (t == nullptr) return false;
  for (const auto &q : thrusters)
    if (q.get() == t) return true;
  return false;
}

bool Vessel::SetThrusterLevel(Thruster *t, double level) {
  if (!HasThruster(t)) return false;
  t->level = Clamp(level, 0.0, 1.0);
  return true;
}

UINT Vessel::AddExhaust(const Exhaust &e) {
  Exhaust *added = NewExhaust(e.thruster);
  if (added == nullptr) return 0;
  const UINT id = added->id;
  *added = e;
  added->id = id;
  return id;
}

Exhaust *Vessel::NewExhaust(Thruster *thruster) {
  if (!HasThruster(thruster)) return nullptr;
  // Ids count up; after a wrap-around they skip 0 and any id still in use.
  while (nextExhaustId == 0 || FindExhaust(nextExhaustId) != nullptr) ++nextExhaustId;
  Exhaust &added = exhausts.emplace_back();
  added.id = nextExhaustId++;
  added.thruster = thruster;
  return &added;
}

bool Vessel::DeleteExhaust(UINT id) {
  // A plug-in that draws with one stream removes the stream it added last.
  if (!exhausts.empty() && exhausts.back().id == id) {
    exhausts.pop_back();
    return true;
  }
  auto found = std::find_if(exhausts.begin(), exhausts.end(), [id](const Exhaust &e) { return e.id == id; });
  if (found == exhausts.end()) return false;
  exhausts.erase(found);
  return true;
}

const Exhaust *Vessel::FindExhaust(UINT id) const {
  for (const Exhaust &e : exhausts)
    if (e.id == id) return &e;
  return nullptr;
}

void Vessel::Retire() {
  exhausts.clear();
  thrusters.clear();
  propellants.clear();
  forceSum = {};
  torqueSum = {};
  deleted = true;
}

}  // namespace sim
