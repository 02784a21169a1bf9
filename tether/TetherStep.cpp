// The physics of one tether, once per frame. Comparisons are written so that an undefined (NaN)
// operand takes the branch of the left value lying below the right one: an undefined distance is
// floored, an undefined length set to 10 m, an undefined pull set to 0.

#include "../math/VecMath.h"
#include "TetherLink.h"
#include "VesselLookup.h"

namespace kestrane {

namespace {

constexpr double minLength = 10.0;         // m; the reel stops here
constexpr double spoolAcceleration = 1.0;  // m/s² per percent of over-stretch
constexpr double spoolDrag = 0.0003;       // 1/m, quadratic drag of a free-spooling reel
constexpr double spoolBraking = 1.0;       // m/s²
constexpr double maxPullPerForce = 10000;  // the pull never exceeds this many times force

}  // namespace

void TetherLink::TimeStep() {
  // Vessel 1 anew; looking it up first changes nothing in the host, and when it is still the
  // host vessel it is known to exist, which spares the stream's removal a search of its own.
  VESSEL *vessel1 = connected != 0 ? FindVessel(ship1Name) : nullptr;

  // The previous frame's stream goes first, connected or not.
  if (exhaustActive && vessel1 != nullptr && vessel1 == hostVessel) {
    hostVessel->DelExhaust(exhaustId);
    exhaustActive = false;
  } else {
    DeleteExhaust();
  }
  if (connected == 0) return;

  // A link whose vessel has gone does nothing this frame; it pulls nothing, and says so.
  VESSEL *vessel2 = FindVessel(ship2Name);
  if (vessel1 == nullptr || vessel2 == nullptr) {
    pull = 0;
    return;
  }

  const VECTOR3 d = AttachPointSpan(vessel1, vessel2);
  const double dt = oapiGetSimStep();  // s

  // The rate uses the stretch of the previous frame, measured between the attach points as this
  // one is (after a connect, the connect's own).
  prevStretch = stretch;
  distance = VectorLength(d);
  if (!(distance >= minDistance)) distance = minDistance;
  exhaustLength = distance;
  // With the length before this step's reeling.
  stretch = distance / length * 100;
  // A step of no length has no rate of change.
  double stretchRate = 0;  // percent per second
  if (dt > 0) stretchRate = (stretch - prevStretch) / dt;

  // Reeling, with the reel speed before this step's free-spool update; the reel stops at the
  // shortest length, also when free-spooling.
  length = length + reelSpeed * dt;
  if (!(length > minLength)) {
    length = minLength;
    reelSpeed = 0;
  }
  // Free-spooling: each percent of over-stretch pays out faster by 1 m/s².
  if (spoolMode != SpoolMode::Powered && stretch > 100)
    reelSpeed = reelSpeed + (stretch - 100) * spoolAcceleration * dt;
  // Then the exact solution over dt of the quadratic drag (a reel speed of 0 stays 0 through the
  // infinite reciprocal), a constant braking, and never reeling in.
  if (spoolMode != SpoolMode::Powered) {
    reelSpeed = 1 / (1 / reelSpeed + spoolDrag * dt);
    reelSpeed = reelSpeed - spoolBraking * dt;
    if (!(reelSpeed >= 0)) reelSpeed = 0;
  }

  // A tether pulls only when taut and never pushes.
  if (distance > length) {
    pull = (stretch - 100) * force + stretchRate * force;
    if (!(pull >= 0)) pull = 0;
    if (!(force * maxPullPerForce >= pull)) pull = force * maxPullPerForce;
  } else {
    pull = 0;
  }

  // Zero when the attach points coincide, as d is then zero.
  const VECTOR3 u = Scale(d, 1 / distance);
  const VECTOR3 u1 = TransposedTimesVector(u, rotation1);
  const VECTOR3 u2 = TransposedTimesVector(MakeVector(-u.x, -u.y, -u.z), rotation2);

  // The drawing objects live on hostVessel; vessel 1 differs from it only when its name no
  // longer leads to that vessel, and then the handles would belong to another vessel.
  if (vessel1 == hostVessel && visualsCreated) RefreshExhaust(vessel1, u1);

  // Each vessel gets half the pull, at its attach point.
  const VECTOR3 f1 = Scale(u1, pull / 2);
  const VECTOR3 f2 = Scale(u2, pull / 2);
  vessel1->AddForce(f1, attach1);
  vessel2->AddForce(f2, attach2);
}

}  // namespace kestrane
