#include "sim/scenario/HostAngles.h"

#include <cmath>

namespace sim {

namespace {

// Below this cos(β) the first and last angle turn about the same axis and only their sum counts.
constexpr double gimbalLockCosine = 1e-12;

}  // namespace

Mat3 RotationFromAngles(Vec3 angles) {
  // The host's left-handed angles are the negatives of right-handed ones.
  const double a = -angles.x, b = -angles.y, c = -angles.z;
  const double ca = std::cos(a), sa = std::sin(a);
  const double cb = std::cos(b), sb = std::sin(b);
  const double cc = std::cos(c), sc = std::sin(c);
  Mat3 rx, ry, rz;
  rx.m[1][1] = ca;
  rx.m[1][2] = -sa;
  rx.m[2][1] = sa;
  rx.m[2][2] = ca;
  ry.m[0][0] = cb;
  ry.m[0][2] = sb;
  ry.m[2][0] = -sb;
  ry.m[2][2] = cb;
  rz.m[0][0] = cc;
  rz.m[0][1] = -sc;
  rz.m[1][0] = sc;
  rz.m[1][1] = cc;
  return rx * ry * rz;
}

Vec3 AnglesFromRotation(const Mat3 &r) {
  // R = Rx(a) Ry(b) Rz(c) (right-handed a, b, c) has first row (cb cc, −cb sc, sb) and last column
  // (sb, −sa cb, ca cb); the host's angles are their negatives.
  const double cosB = std::hypot(r.m[1][2], r.m[2][2]);
  const double b = std::atan2(r.m[0][2], cosB);
  if (cosB < gimbalLockCosine) return {-std::atan2(r.m[2][1], r.m[1][1]), -b, 0.0};
  return {-std::atan2(-r.m[1][2], r.m[2][2]), -b, -std::atan2(-r.m[0][1], r.m[0][0])};
}

}  // namespace sim
