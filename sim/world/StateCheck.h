// Whether the next frame can carry a vessel's state on. A state that is not finite spreads through
// every force and sample it touches. A vessel at the centre of the central body meets a pull the
// fixed step cannot follow: over one step it would fall past the centre and be flung out at many
// times the speed it fell with. And a vessel very far out leaves the range in which the plug-in,
// which reads its lengths in single precision, can save a tether's length and read it back.
#pragma once

#include <cmath>
#include <optional>

#include "sim/world/Vessel.h"

namespace sim {

// The largest position or velocity component a run keeps, m and m/s: two vessels within it are
// less than 3.5e37 m apart, a tenth of the largest single-precision real (3.4e38).
constexpr double maxCoordinate = 1e37;

enum class StateFault {
  None,
  NotFinite,   // a position, velocity or spin that is not finite
  OutOfRange,  // a position or velocity component beyond maxCoordinate
  AtCentre,    // within CentreRadius of the central body's centre, the centre itself included
};

// The distance from a central body's centre within which one step's pull would carry a vessel
// farther than it is from the centre: GM·dt² = r³, m. For the Earth and 0.02 s, 5.4 km.
double CentreRadius(double gravityGM, double step);

namespace detail {
// For a state already known to be unsound: NotFinite when a component is infinite or not a
// number, else OutOfRange.
StateFault FaultFound(const Vessel &vessel);
}  // namespace detail

// `gravityGM` (m^3/s^2) is the central body's at the origin, none in free space; `step` in s. Made
// for every vessel after every frame: a sound state costs a few comparisons.
inline StateFault FaultOf(const Vessel &vessel, std::optional<double> gravityGM, double step) {
  // Each comparison is false for a component that is not finite, too. The orientation is not
  // looked at: a step turns it by the spin, which stays finite while it does.
  const bool sound = std::fabs(vessel.pos.x) <= maxCoordinate && std::fabs(vessel.pos.y) <= maxCoordinate &&
                     std::fabs(vessel.pos.z) <= maxCoordinate && std::fabs(vessel.vel.x) <= maxCoordinate &&
                     std::fabs(vessel.vel.y) <= maxCoordinate && std::fabs(vessel.vel.z) <= maxCoordinate &&
                     std::isfinite(vessel.angVel.x) && std::isfinite(vessel.angVel.y) && std::isfinite(vessel.angVel.z);
  if (!sound) return detail::FaultFound(vessel);
  // Compared as sixth powers, without a root: (r²)³ ≤ (GM·dt²)², within range as the position is.
  if (!gravityGM || !(*gravityGM > 0)) return StateFault::None;
  const double r2 = Dot(vessel.pos, vessel.pos), reach = *gravityGM * step * step;
  return r2 * r2 * r2 <= reach * reach ? StateFault::AtCentre : StateFault::None;
}

}  // namespace sim
