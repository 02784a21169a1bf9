// The tension law of one tether over one step, on plain numbers: the reel and the pull from the
// measured distance, with no vessel and no host call. TetherLink::TimeStep measures, applies it,
// and pulls the vessels; the benchmarks and the bare loop apply the very same law.
//
// Comparisons are written so that an undefined (NaN) operand takes the branch of the left value
// lying below the right one: an undefined distance is floored, an undefined length set to the
// shortest, an undefined free-spool speed and an undefined pull set to 0.
#pragma once

#include <cstdint>

namespace kestrane {

// How the reel moves: the powered reel at the speed the pilot sets, or free-spooling, paying out
// under tension and braking by itself. The values are those of the scenario's "SpoolMode" line.
enum class SpoolMode : uint8_t { Powered = 0, FreeSpooling = 1 };

// What one step of the law leaves.
struct Tension {
  double distance;   // m: the distance measured, at least TensionLaw::minDistance
  double stretch;    // percent: distance / length × 100, with the length before this step's reel
  double length;     // m: after this step's reel, at least TensionLaw::minLength
  double reelSpeed;  // m/s: after the free-spool update, for the next step's reel
  double pull;       // N: 0 when slack, at most TensionLaw::maxPullPerForce × force
};

namespace TensionLaw {

// The smallest distance the law measures between the attach points, m: nothing divides by less.
constexpr double minDistance = 0.01;
// The shortest length, m: the reel stops here, also when free-spooling.
constexpr double minLength = 10.0;
// Free-spooling: each percent of over-stretch pays out faster by this, m/s² per percent.
constexpr double spoolAcceleration = 1.0;
// Free-spooling: the quadratic drag of the reel, 1/m (the speed changes by −drag·speed² per s).
constexpr double spoolDrag = 0.0003;
// Free-spooling: the constant braking of the reel, m/s².
constexpr double spoolBraking = 1.0;
// The pull never exceeds this many times the force setting.
constexpr double maxPullPerForce = 10000;

// One step of `dt` seconds. `distance` (m) is measured between the attach points now;
// `prevStretch` (percent) is the stretch of the step before, or of the connect; `length` (m) and
// `reelSpeed` (m/s, positive pays out) are as the step before left them; `force` is the pull in N
// per percent of stretch.
//
// In this order: the stretch against the length before reeling and its rate over the step (none
// for a step of no length); the reel, with the speed before this step's free-spool update; the
// free-spool acceleration, drag and braking; the pull from the elongation and its rate, only
// while the distance exceeds the reeled length, clamped to 0 … maxPullPerForce × force.
Tension Step(double distance, double prevStretch, double length, double force, double reelSpeed, SpoolMode spoolMode,
             double dt);

}  // namespace TensionLaw

}  // namespace kestrane
