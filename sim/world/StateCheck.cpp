#include "sim/world/StateCheck.h"

namespace sim {

namespace {

bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool InRange(Vec3 v) {
  return std::fabs(v.x) <= maxCoordinate && std::fabs(v.y) <= maxCoordinate && std::fabs(v.z) <= maxCoordinate;
}

bool Finite(const Mat3 &m) {
  for (const auto &row : m.m)
    for (double x : row)
      if (!std::isfinite(x)) return false;
  return true;
}

}  // namespace

double CentreRadius(double gravityGM, double step) { return std::cbrt(gravityGM * step * step); }

StateFault detail::FaultFound(const Vessel &vessel) {
  if (!Finite(vessel.pos) || !Finite(vessel.vel) || !Finite(vessel.rot) || !Finite(vessel.angVel))
    return StateFault::NotFinite;
  return InRange(vessel.pos) && InRange(vessel.vel) ? StateFault::None : StateFault::OutOfRange;
}

}  // namespace sim
