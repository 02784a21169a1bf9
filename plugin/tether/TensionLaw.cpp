#include "plugin/tether/TensionLaw.h"

#include "tetherblock/BlockFormat.h"

namespace kestrane::TensionLaw {

Tension Step(double distance, double prevStretch, double length, double force, double reelSpeed, SpoolMode spoolMode,
             double dt) {
  Tension t;
  t.distance = distance;
  if (!(t.distance >= minDistance)) t.distance = minDistance;
  // With the length before this step's reeling.
  t.stretch = tetherblock::Stretch(t.distance, length);
  // A step of no length has no rate of change.
  double stretchRate = 0;  // percent per second
  if (dt > 0) stretchRate = (t.stretch - prevStretch) / dt;

  // Reeling, with the reel speed before this step's free-spool update; the reel stops at the
  // shortest length, also when free-spooling.
  t.length = length + reelSpeed * dt;
  t.reelSpeed = reelSpeed;
  if (!(t.length > minLength)) {
    t.length = minLength;
    t.reelSpeed = 0;
  }
  // Free-spooling: each percent of over-stretch pays out faster by 1 m/s².
  if (spoolMode != SpoolMode::Powered && t.stretch > 100)
    t.reelSpeed = t.reelSpeed + (t.stretch - 100) * spoolAcceleration * dt;
  // Then the exact solution over dt of the quadratic drag (a reel speed of 0 stays 0 through the
  // infinite reciprocal), a constant braking, and never reeling in.
  if (spoolMode != SpoolMode::Powered) {
    t.reelSpeed = 1 / (1 / t.reelSpeed + spoolDrag * dt);
    t.reelSpeed = t.reelSpeed - spoolBraking * dt;
    if (!(t.reelSpeed >= 0)) t.reelSpeed = 0;
  }

  // A tether pulls only when taut and never pushes.
  if (t.distance > t.length) {
    t.pull = (t.stretch - 100) * force + stretchRate * force;
    if (!(t.pull >= 0)) t.pull = 0;
    if (!(force * maxPullPerForce >= t.pull)) t.pull = force * maxPullPerForce;
  } else {
    t.pull = 0;
  }
  return t;
}

}  // namespace kestrane::TensionLaw
