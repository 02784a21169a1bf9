// The host's orientation angles against its own matrix.
#include "sim/scenario/HostAngles.h"

#include <gtest/gtest.h>

#include <cmath>

#include "host/OrbiterAPI.h"

namespace {

// Rounding of a few operations on numbers of size 1.
constexpr double angleTolerance = 1e-12;

// The host's matrix, entry by entry as its documentation writes it, for angles in every quadrant;
// and the angles found from a matrix give the matrix back, also where β is ±90° and only α + γ
// counts.
TEST(HostAnglesTest, AnglesGiveTheHostsMatrixAndBack) {
  const sim::Vec3 cases[] = {{0.3, -0.7, 2.1}, {-2.8, 1.2, -0.4}, {3.0, 0.1, 3.1}, {0, 0, 0}};
  for (const sim::Vec3 &angles : cases) {
    const double ca = std::cos(angles.x), sa = std::sin(angles.x), cb = std::cos(angles.y), sb = std::sin(angles.y);
    const double cc = std::cos(angles.z), sc = std::sin(angles.z);
    const double host[3][3] = {{cb * cc, cb * sc, -sb},
                               {sa * sb * cc - ca * sc, sa * sb * sc + ca * cc, sa * cb},
                               {ca * sb * cc + sa * sc, ca * sb * sc - sa * cc, ca * cb}};
    const sim::Mat3 r = sim::RotationFromAngles(angles);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(r.m[i][j], host[i][j], angleTolerance) << i << j;
    const sim::Vec3 back = sim::AnglesFromRotation(r);
    EXPECT_NEAR(back.x, angles.x, angleTolerance);
    EXPECT_NEAR(back.y, angles.y, angleTolerance);
    EXPECT_NEAR(back.z, angles.z, angleTolerance);
  }

  const double quarter = PI / 2;
  const sim::Mat3 locked = sim::RotationFromAngles({0.4, quarter, 0.3});
  const sim::Mat3 again = sim::RotationFromAngles(sim::AnglesFromRotation(locked));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(again.m[i][j], locked.m[i][j], angleTolerance) << i << j;
}

}  // namespace
