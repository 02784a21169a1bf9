// The host's central bodies and its orbital elements: what a ship's `STATUS Orbiting BODY` and
// `ELEMENTS a e i Ω ϖ L mjd` lines mean.
#pragma once

#include <string_view>

#include "sim/world/Vec3.h"

namespace sim {

// The host's gravitational constant, m^3 / (kg s^2).
constexpr double gravitationalConstant = 6.67259e-11;

struct Body {
  const char *name;
  double mass;    // kg
  double radius;  // m, mean
};

// The bodies a scenario's vessels may orbit here, by name without regard to case; null for any
// other.
const Body *FindBody(std::string_view name);

// One ship's ELEMENTS line: a (m), e, then i, Ω, ϖ (longitude of periapsis) and L (mean longitude
// at the epoch) in degrees, and the epoch (MJD).
struct Elements {
  double a = 0, e = 0, i = 0, node = 0, periapsis = 0, meanLongitude = 0, epoch = 0;
};

struct OrbitalState {
  Vec3 pos;  // m, from the body's centre, in the host's frame (the ecliptic is x–z, y points north)
  Vec3 vel;  // m/s
};

// Where the elements put the vessel at date `mjd`, with μ = G (m + M) (m^3/s^2): the mean anomaly
// carried from the epoch, Kepler's equation solved by Newton's method, then the host's formulas
// for position and velocity. `e` must lie in 0 .. 1 and `a` above 0.
OrbitalState StateFromElements(const Elements &elements, double mjd, double mu);

}  // namespace sim
