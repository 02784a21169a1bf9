#include "sim/world/StateCheck.h"

namespace sim {

namespace {

bool Finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

double CentreRadius(double gravityGM, double step) { return std::cbrt(gravityGM * step * step); }

StateFault detail::FaultFound(const Vessel &vessel) {
  const bool finite = Finite(vessel.pos) && Finite(vessel.vel) && Finite(vessel.angVel);
  return finite ? StateFault::OutOfRange : StateFault::NotFinite;
}

}  // namespace sim
