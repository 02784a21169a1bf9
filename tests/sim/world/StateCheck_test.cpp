#include "sim/world/StateCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/world/World.h"

namespace {

constexpr double earthGM = 3.986004418e14;  // m^3/s^2
constexpr double step = 0.02;               // s
constexpr double pi = 3.14159265358979323846;

}  // namespace

// A state with a position, velocity or spin that is not finite cannot be carried on, nor one with a
// position or velocity beyond the range whose distances the plug-in can save; one within it can.
TEST(StateCheckTest, AnyComponentThatIsNotFiniteOrOutOfRangeIsAFault) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  sim::World world;
  sim::Vessel &v = *world.CreateVessel("V");
  v.pos = {sim::maxCoordinate, -sim::maxCoordinate, 0};
  v.vel = {-sim::maxCoordinate, 0, sim::maxCoordinate};
  EXPECT_EQ(sim::FaultOf(v, std::nullopt, step), sim::StateFault::None);
  EXPECT_EQ(sim::FaultOf(v, earthGM, step), sim::StateFault::None);
  // The farthest two such vessels are apart is a distance single precision holds.
  EXPECT_LT(2 * std::sqrt(3.0) * sim::maxCoordinate, static_cast<double>(std::numeric_limits<float>::max()));
  v.pos.z = -2 * sim::maxCoordinate;
  EXPECT_EQ(sim::FaultOf(v, std::nullopt, step), sim::StateFault::OutOfRange);
  v.pos.z = 0;
  v.vel.y = 1e300;
  EXPECT_EQ(sim::FaultOf(v, earthGM, step), sim::StateFault::OutOfRange);
  for (double bad : {inf, -inf, nan}) {
    for (int part = 0; part < 3; ++part) {
      sim::Vessel &w = *world.CreateVessel("W" + std::to_string(part) + std::to_string(bad));
      w.pos = {7e6, 0, 0};
      if (part == 0) w.pos.z = bad;
      if (part == 1) w.vel.y = bad;
      if (part == 2) w.angVel.x = bad;
      EXPECT_EQ(sim::FaultOf(w, earthGM, step), sim::StateFault::NotFinite) << part << " " << bad;
    }
  }
}

// The centre is where one step's pull carries a vessel farther than its distance, GM·dt² = r³: for
// the Earth and 0.02 s within 5.42 km. Without a body, or a body of no mass, there is none.
TEST(StateCheckTest, TheCentreIsWhereOneStepsPullOutrunsTheDistance) {
  const double radius = sim::CentreRadius(earthGM, step);
  EXPECT_NEAR(radius, 5422.5, 0.1);
  EXPECT_NEAR(earthGM / (radius * radius) * step * step, radius, 1e-9 * radius);
  sim::World world;
  sim::Vessel &v = *world.CreateVessel("V");
  for (double r : {0.0, 1e-200, 1.0, radius * 0.999}) {
    v.pos = {0, r, 0};
    EXPECT_EQ(sim::FaultOf(v, earthGM, step), sim::StateFault::AtCentre) << r;
    EXPECT_EQ(sim::FaultOf(v, std::nullopt, step), sim::StateFault::None) << r;
    EXPECT_EQ(sim::FaultOf(v, 0.0, step), sim::StateFault::None) << r;
  }
  v.pos = {radius * 1.001, 0, 0};
  EXPECT_EQ(sim::FaultOf(v, earthGM, step), sim::StateFault::None);
}

// Dropped from rest 100 km from the centre, a vessel reaches the centre in the free-fall time
// (π/2)·√(r³/(2GM)), 1.759 s; the step finds it there within a step of that time, before its
// state shows anything odd.
TEST(StateCheckTest, AVesselDroppedTowardsTheCentreReachesItInTheFreeFallTime) {
  constexpr double r0 = 1e5;  // m
  sim::World world;
  world.gravityGM = earthGM;
  world.step = step;
  sim::Vessel &v = *world.CreateVessel("Dropped");
  v.pos = {r0, 0, 0};
  while (sim::FaultOf(v, world.gravityGM, step) == sim::StateFault::None && world.time < 10) world.Frame(nullptr);
  const double freeFall = pi / 2 * std::sqrt(r0 * r0 * r0 / (2 * earthGM));
  EXPECT_NEAR(world.time, freeFall, step);
  EXPECT_EQ(sim::FaultOf(v, world.gravityGM, step), sim::StateFault::AtCentre);
  EXPECT_LT(std::fabs(v.pos.x), sim::CentreRadius(earthGM, step));
}
