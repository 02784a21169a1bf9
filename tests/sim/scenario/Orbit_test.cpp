#include "sim/scenario/Orbit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "sim/scenario/ScenarioWorld.h"
#include "sim/world/World.h"

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double degree = pi / 180;
constexpr double earthMass = 5.973698968e24;  // kg, the host's
// Rounding of positions of millions of metres through a few trigonometric functions.
constexpr double positionTolerance = 1e-6;  // m
constexpr double speedTolerance = 1e-9;     // m/s
// What the host's files promise: the vessel at the radius of its elements.
constexpr double radiusTolerance = 1e-3;  // m

// The radius the elements give at `mjd`: Kepler's equation solved by bisection (E − e sin E grows
// with E), the true anomaly from the half-angle formula, r = p / (1 + e cos ν).
double RadiusFromElements(const sim::Elements &el, double mjd, double mu) {
  const double n = std::sqrt(mu / (el.a * el.a * el.a));
  const double mean = std::remainder((el.meanLongitude - el.periapsis) * degree + (mjd - el.epoch) * 86400 * n, 2 * pi);
  double lo = -pi, hi = pi;
  for (int i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2;
    (mid - el.e * std::sin(mid) < mean ? lo : hi) = mid;
  }
  const double E = (lo + hi) / 2;
  const double nu = 2 * std::atan(std::sqrt((1 + el.e) / (1 - el.e)) * std::tan(E / 2));
  return el.a * (1 - el.e * el.e) / (1 + el.e * std::cos(nu));
}

std::string Fixture(const std::string &name) { return std::string(KESTRANE_HOST_SAMPLE) + "/Scenarios/" + name; }

}  // namespace

TEST(OrbitTest, TheBodiesAreTheHostsByNameWithoutRegardToCase) {
  ASSERT_NE(sim::FindBody("EARTH"), nullptr);
  EXPECT_EQ(sim::FindBody("earth")->mass, earthMass);
  EXPECT_EQ(sim::FindBody("Moon")->mass, 7.347673176382784e22);
  EXPECT_EQ(sim::FindBody("Mars"), nullptr);
}

// Worked by hand: with e = 1/2 and a mean anomaly of π/2 − 1/2 the eccentric anomaly is π/2, so
// r = a, ν = 120° and the speed √(μ/p) sin ν points back along the major axis (θ = 180°). The
// orbit is polar (i = 90°) with its node at Ω = 90° and its periapsis at the node (ϖ = Ω): the
// vessel is at u = 120° from the node, in the y–z plane.
TEST(OrbitTest, ElementsGiveTheStateOfTheHostsFormulas) {
  const double a = 7e6, mu = sim::gravitationalConstant * (earthMass + 1000);
  sim::Elements el;
  el.a = a;
  el.e = 0.5;
  el.i = 90;
  el.node = 90;
  el.periapsis = 90;
  el.meanLongitude = 90 + (pi / 2 - 0.5) / degree;
  el.epoch = 51544.5;
  const sim::OrbitalState s = sim::StateFromElements(el, 51544.5, mu);
  EXPECT_NEAR(s.pos.x, 0, positionTolerance);
  EXPECT_NEAR(s.pos.y, a * std::sin(120 * degree), positionTolerance);
  EXPECT_NEAR(s.pos.z, a * std::cos(120 * degree), positionTolerance);
  const double speed = std::sqrt(mu / (0.75 * a)) * std::sin(120 * degree);
  EXPECT_NEAR(s.vel.x, 0, speedTolerance);
  EXPECT_NEAR(s.vel.y, 0, speedTolerance);
  EXPECT_NEAR(s.vel.z, -speed, speedTolerance);
  // Vis-viva: v² = μ (2/r − 1/a).
  EXPECT_NEAR(Dot(s.vel, s.vel), mu / a, 1e-6);

  // The mean anomaly runs on from the epoch: one period later the vessel is back; half a period
  // later it is at the opposite point of the orbit's symmetry (E = −π/2 mirrors ν to −120°).
  const double period = 2 * pi * std::sqrt(a * a * a / mu) / 86400;  // days
  const sim::OrbitalState later = sim::StateFromElements(el, 51544.5 + period, mu);
  // A date of 51544.5 + period days is rounded to about 4e-12 days: a few millimetres of orbit.
  EXPECT_LT(Length(later.pos - s.pos), 1e-2);
  el.meanLongitude = 90 - (pi / 2 - 0.5) / degree;
  const sim::OrbitalState mirrored = sim::StateFromElements(el, 51544.5, mu);
  EXPECT_NEAR(mirrored.pos.y, -s.pos.y, positionTolerance);
  EXPECT_NEAR(mirrored.pos.z, s.pos.z, positionTolerance);

  // Below e = 1e-8 the orbit is a circle and ν is the mean anomaly.
  el.e = 0;
  el.meanLongitude = 90 + 30;
  const sim::OrbitalState circle = sim::StateFromElements(el, 51544.5, mu);
  EXPECT_NEAR(circle.pos.y, a * std::sin(30 * degree), positionTolerance);
  EXPECT_NEAR(Length(circle.vel), std::sqrt(mu / a), speedTolerance);
}

// The host's own files: a station given by elements at an epoch 437 days before the scenario's
// date sits at the radius those elements give.
TEST(OrbitTest, TheHostsStationsSitAtTheRadiusOfTheirElements) {
  if (!std::filesystem::is_directory(KESTRANE_HOST_SAMPLE))
    GTEST_SKIP() << "the host's sample tree is not at " << KESTRANE_HOST_SAMPLE;
  struct Case {
    const char *file, *ship;
  } cases[] = {{"Docked at ISS.scn", "ISS"}, {"ISS Approach.scn", "Mir"}};
  for (const Case &c : cases) {
    const sim::Scenario scenario = sim::LoadScenarioFile(Fixture(c.file));
    sim::VesselClasses classes(KESTRANE_HOST_SAMPLE);
    sim::World world;
    sim::PopulateWorld(scenario, world, classes);
    const sim::Vessel *vessel = world.FindByName(c.ship);
    ASSERT_NE(vessel, nullptr) << c.file;
    const sim::ShipState *ship = nullptr;
    for (const sim::ShipState &s : scenario.ships)
      if (s.name == c.ship) ship = &s;
    ASSERT_TRUE(ship != nullptr && ship->elements) << c.file;
    const double mu = sim::gravitationalConstant * (earthMass + vessel->Mass());
    EXPECT_NEAR(Length(vessel->pos), RadiusFromElements(*ship->elements, *scenario.date, mu), radiusTolerance)
        << c.file;
  }
}
