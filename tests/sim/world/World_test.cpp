#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "sim/world/World.h"

using sim::Mat3;
using sim::Vec3;
using sim::Vessel;
using sim::World;

namespace {

// Sums of a few hundred steps of exact-in-binary inputs stay within a few ulps.
constexpr double kDiscreteTolerance = 1e-12;

double Det(const Mat3 &a) {
  Vec3 r0{a.m[0][0], a.m[0][1], a.m[0][2]}, r1{a.m[1][0], a.m[1][1], a.m[1][2]}, r2{a.m[2][0], a.m[2][1], a.m[2][2]};
  return Dot(r0, Cross(r1, r2));
}

double OrthonormalityError(const Mat3 &r) {
  Mat3 e = Transposed(r) * r;
  double worst = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) worst = std::max(worst, std::fabs(e.m[i][j] - (i == j ? 1.0 : 0.0)));
  return worst;
}

Vec3 Times(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }

void ExpectNear(Vec3 actual, Vec3 expected, double tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

}  // namespace

TEST(WorldLookup, ByNameIgnoresCaseAndByIndexFollowsCreation) {
  World world;
  Vessel *tug = world.CreateVessel("Tug");
  Vessel *target = world.CreateVessel("ISS-Target", "Station");
  ASSERT_NE(tug, nullptr);
  ASSERT_NE(target, nullptr);

  EXPECT_EQ(world.FindByName("tug"), tug);
  EXPECT_EQ(world.FindByName("TUG"), tug);
  EXPECT_EQ(world.FindByName("iss-target"), target);
  EXPECT_EQ(world.FindByName("Tu"), nullptr);
  EXPECT_EQ(world.FindByName(""), nullptr);
  EXPECT_EQ(target->ClassName(), "Station");

  // A name taken in any spelling, and the empty name, are refused.
  EXPECT_EQ(world.CreateVessel("tUG"), nullptr);
  EXPECT_EQ(world.CreateVessel(""), nullptr);

  EXPECT_EQ(world.VesselCount(), 2u);
  EXPECT_EQ(world.VesselAt(0), tug);
  EXPECT_EQ(world.VesselAt(1), target);
  EXPECT_EQ(world.VesselAt(2), nullptr);
  EXPECT_EQ(world.IndexOf(target), 1u);
  EXPECT_EQ(world.IndexOf(nullptr), world.VesselCount());
}

TEST(WorldLookup, DeletionUnlinksTheVesselAndKeepsTheOthersConsistent) {
  World world;
  Vessel *a = world.CreateVessel("A");
  Vessel *b = world.CreateVessel("B");
  Vessel *c = world.CreateVessel("C");
  Vessel *d = world.CreateVessel("D");

  ASSERT_TRUE(world.DeleteVessel(b));
  EXPECT_FALSE(world.DeleteVessel(b));
  EXPECT_FALSE(world.IsLive(b));
  EXPECT_TRUE(b->IsDeleted());
  EXPECT_EQ(world.FindByName("b"), nullptr);
  EXPECT_EQ(world.VesselCount(), 3u);
  EXPECT_EQ(world.VesselAt(0), a);
  EXPECT_EQ(world.VesselAt(1), c);
  EXPECT_EQ(world.VesselAt(2), d);
  EXPECT_EQ(world.IndexOf(c), 1u);
  EXPECT_EQ(world.IndexOf(d), 2u);
  EXPECT_EQ(world.IndexOf(b), world.VesselCount());
  EXPECT_EQ(world.FindByName("d"), d);

  // The name is free again, and the new vessel is a new handle: the old one stays dead.
  Vessel *again = world.CreateVessel("b");
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again, b);
  EXPECT_FALSE(world.IsLive(b));
  EXPECT_EQ(world.IndexOf(again), 3u);
}

TEST(WorldLookup, ThousandsOfVesselsStayConsistentThroughDeletions) {
  constexpr int kCount = 3000;
  World world;
  std::vector<Vessel *> made;
  for (int i = 0; i < kCount; ++i) made.push_back(world.CreateVessel("Ship" + std::to_string(i)));
  for (int i = 0; i < kCount; i += 3) ASSERT_TRUE(world.DeleteVessel(made[i]));

  size_t expectedIndex = 0;
  for (int i = 0; i < kCount; ++i) {
    Vessel *found = world.FindByName("SHIP" + std::to_string(i));
    if (i % 3 == 0) {
      ASSERT_EQ(found, nullptr) << i;
      continue;
    }
    ASSERT_EQ(found, made[i]) << i;
    ASSERT_EQ(world.IndexOf(found), expectedIndex) << i;
    ASSERT_EQ(world.VesselAt(expectedIndex), found) << i;
    ++expectedIndex;
  }
  EXPECT_EQ(world.VesselCount(), expectedIndex);
}

TEST(WorldFocus, FirstVesselHasItAndDeletionMovesIt) {
  World world;
  EXPECT_EQ(world.Focus(), nullptr);
  Vessel *a = world.CreateVessel("A");
  Vessel *b = world.CreateVessel("B");
  Vessel *c = world.CreateVessel("C");
  EXPECT_EQ(world.Focus(), a);

  EXPECT_TRUE(world.SetFocus(c));
  EXPECT_EQ(world.Focus(), c);
  world.DeleteVessel(b);
  EXPECT_EQ(world.Focus(), c);
  EXPECT_FALSE(world.SetFocus(b));
  EXPECT_FALSE(world.SetFocus(nullptr));
  EXPECT_EQ(world.Focus(), c);

  world.DeleteVessel(c);
  EXPECT_EQ(world.Focus(), a);
  world.DeleteVessel(a);
  EXPECT_EQ(world.Focus(), nullptr);
}

TEST(WorldTextures, OneStableHandlePerName) {
  World world;
  SURFHANDLE taut = world.RegisterExhaustTexture("TetherTaut");
  SURFHANDLE slack = world.RegisterExhaustTexture("Tether2");
  ASSERT_NE(taut, nullptr);
  ASSERT_NE(slack, nullptr);
  EXPECT_NE(taut, slack);
  for (int i = 0; i < 100; ++i) world.RegisterExhaustTexture("Other" + std::to_string(i));
  EXPECT_EQ(world.RegisterExhaustTexture("TetherTaut"), taut);
  EXPECT_EQ(world.TextureName(slack), "Tether2");
  EXPECT_EQ(world.TextureName(nullptr), "");
  EXPECT_EQ(world.RegisterExhaustTexture(""), nullptr);
}

TEST(WorldCurrent, NewestWorldIsCurrentUntilItEnds) {
  EXPECT_EQ(sim::CurrentWorld(), nullptr);
  {
    World first;
    EXPECT_EQ(sim::CurrentWorld(), &first);
    auto second = std::make_unique<World>();
    EXPECT_EQ(sim::CurrentWorld(), second.get());
    second.reset();
    EXPECT_EQ(sim::CurrentWorld(), nullptr);
  }
  EXPECT_EQ(sim::CurrentWorld(), nullptr);

  // Ending a world that is not current leaves the current one alone.
  auto older = std::make_unique<World>();
  World newer;
  older.reset();
  EXPECT_EQ(sim::CurrentWorld(), &newer);
}

TEST(WorldFrame, ForcesLastOneFrameAndTimeCountsWholeSteps) {
  World world;
  world.step = 0.02;
  Vessel *v = world.CreateVessel("Probe");
  v->dryMass = 400;

  std::vector<double> seenTimes;
  bool push = true;
  auto perFrame = [&] {
    seenTimes.push_back(world.time);
    // Forces of the previous frame are gone when the callback runs.
    EXPECT_EQ(v->forceSum.x, 0.0);
    if (push) v->AddForce({800, 0, 0}, {});
  };
  world.Frame(perFrame);
  push = false;
  for (int i = 1; i < 50; ++i) world.Frame(perFrame);

  // One frame of 2 m/s^2, which moves the vessel as a constant force does (½·a·dt²), then coasting.
  EXPECT_NEAR(v->vel.x, 2.0 * 0.02, kDiscreteTolerance);
  EXPECT_NEAR(v->pos.x, 0.5 * 2.0 * 0.02 * 0.02 + 0.04 * 0.02 * 49, kDiscreteTolerance);
  EXPECT_EQ(seenTimes.front(), 0.0);
  EXPECT_EQ(seenTimes.back(), 49 * 0.02);
  // Counted, not summed: repeated addition of 0.02 would miss 1 s by a few ulps.
  EXPECT_EQ(world.time, 1.0);

  // A changed step counts on from the time reached.
  world.step = 0.1;
  for (int i = 0; i < 10; ++i) world.Frame(nullptr);
  EXPECT_EQ(world.time, 2.0);
}

TEST(WorldFrame, ConstantForceMovesTheVesselAlongTheExactParabola) {
  // The force is held over each step and gives the velocity half its change before the move and
  // half after: v_n = a·n·dt and x_n = a·(n·dt)²/2, the exact v = at and x = ½at².
  World world;
  world.step = 0.1;
  Vessel *v = world.CreateVessel("Pushed");
  v->dryMass = 250;
  const Vec3 force{500, -250, 125};
  const Vec3 a = force * (1.0 / 250);
  const int n = 200;
  for (int i = 0; i < n; ++i) world.Frame([&] { v->AddForce(force, {}); });

  const double dt = world.step;
  ExpectNear(v->vel, a * (n * dt), kDiscreteTolerance * 100);
  ExpectNear(v->pos, a * (dt * dt * n * n / 2.0), kDiscreteTolerance * 1e4);
  // A force through the centre of gravity does not turn the vessel.
  EXPECT_EQ(Length(v->angVel), 0.0);
}

// How far from the exact circle a circular orbit ends after one revolution, and the largest
// relative change of its radius on the way, at step `step` (s).
struct OrbitError {
  double position;  // m
  double radius;    // relative
};
OrbitError CircularOrbitError(double step) {
  constexpr double kGM = 3.986004418e14;
  constexpr double kRadius = 7.0e6;
  World world;
  world.gravityGM = kGM;
  world.step = step;
  Vessel *v = world.CreateVessel("Sat");
  v->pos = {kRadius, 0, 0};
  v->vel = {0, std::sqrt(kGM / kRadius), 0};
  const double omega = std::sqrt(kGM / (kRadius * kRadius * kRadius));
  const int steps = static_cast<int>(std::ceil(2 * PI / omega / step));
  OrbitError error{0, 0};
  for (int i = 0; i < steps; ++i) {
    world.Frame(nullptr);
    error.radius = std::max(error.radius, std::fabs(Length(v->pos) - kRadius) / kRadius);
  }
  const double t = steps * step;
  error.position = Length(v->pos - Vec3{kRadius * std::cos(omega * t), kRadius * std::sin(omega * t), 0});
  EXPECT_NEAR(v->pos.z, 0.0, 1e-6);
  return error;
}

TEST(WorldFrame, CircularOrbitKeepsItsRadiusAndConvergesAtTheSecondOrder) {
  // Earth's GM, a low orbit (ω = 1.08e-3 rad/s) and long steps. The step is of second order: the
  // error after a revolution falls by four when the step halves, and the radius stays within
  // (ω·dt)² of the start. A step of first order would halve it, and be off by r·ω·dt/2 (38 km at
  // 10 s); an explicit Euler step would spiral outwards by 3 %.
  constexpr double kOmega = 1.0791e-3;  // rad/s
  const OrbitError coarse = CircularOrbitError(20.0), fine = CircularOrbitError(10.0);
  EXPECT_LT(fine.radius, (kOmega * 10.0) * (kOmega * 10.0));
  EXPECT_LT(coarse.radius, (kOmega * 20.0) * (kOmega * 20.0));
  const double ratio = coarse.position / fine.position;
  EXPECT_GT(ratio, 3.5);
  EXPECT_LT(ratio, 4.5);
  EXPECT_LT(fine.position, 1e-3 * 7.0e6);
}

TEST(WorldFrame, GravityPullsEachVesselTowardsTheOrigin) {
  World world;
  world.gravityGM = 1000.0;
  EXPECT_NEAR(world.GravityAt({10, 0, 0}).x, -10.0, kDiscreteTolerance);
  EXPECT_NEAR(world.GravityAt({0, -20, 0}).y, 2.5, kDiscreteTolerance);
  EXPECT_EQ(Length(world.GravityAt({})), 0.0);
  world.gravityGM.reset();
  EXPECT_EQ(Length(world.GravityAt({10, 0, 0})), 0.0);
}

TEST(WorldFrame, ForceOffTheCentreSpinsTheVesselAtTorqueOverInertia) {
  // 10 N along the vessel's y axis, 2 m out along x: 20 N·m about z. I_z = 1000 kg × 4 m².
  World world;
  world.step = 0.05;
  Vessel *v = world.CreateVessel("Spun");
  v->dryMass = 1000;
  v->pmi = {2, 3, 4};
  const double alpha = 20.0 / 4000.0;
  const int n = 400;
  for (int i = 0; i < n; ++i) world.Frame([&] { v->AddForce({0, 10, 0}, {2, 0, 0}); });

  const double dt = world.step;
  EXPECT_NEAR(v->angVel.z, alpha * n * dt, kDiscreteTolerance);
  EXPECT_EQ(v->angVel.x, 0.0);
  EXPECT_EQ(v->angVel.y, 0.0);
  // Each step turns by the spin after half its kick: the angle is ½αt², as the position above.
  const double angle = alpha * dt * dt * n * n / 2.0;
  Mat3 expected = sim::AxisRotation(2, angle);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(v->rot.m[i][j], expected.m[i][j], 1e-10) << i << j;
}

TEST(WorldFrame, TorqueFreeTumbleConservesAngularMomentumAndEnergy) {
  // Spin close to the intermediate axis, which is unstable: the body-frame rates swing widely, so
  // only the gyroscopic terms of Euler's equations keep the global angular momentum fixed.
  constexpr double kMomentumTolerance = 1e-11;  // relative, rounding over the run
  // Relative. The symmetric splitting keeps the energy error bounded (about 2e-7 at this step, over
  // any length of run); a first-order rotation update drifts far beyond it.
  constexpr double kEnergyTolerance = 1e-6;
  World world;
  world.step = 0.01;
  Vessel *v = world.CreateVessel("Tumbler");
  v->dryMass = 500;
  v->pmi = {1, 2, 3};
  v->angVel = {0.01, 0.5, 0.02};
  const Vec3 inertia = v->pmi * v->dryMass;

  const Vec3 momentum0 = v->rot * Times(inertia, v->angVel);
  const double energy0 = 0.5 * Dot(v->angVel, Times(inertia, v->angVel));
  double lowestY = v->angVel.y;
  double worstEnergy = 0;
  for (int i = 0; i < 20000; ++i) {
    world.Frame(nullptr);
    lowestY = std::min(lowestY, v->angVel.y);
    double energy = 0.5 * Dot(v->angVel, Times(inertia, v->angVel));
    worstEnergy = std::max(worstEnergy, std::fabs(energy - energy0) / energy0);
  }
  const Vec3 momentum = v->rot * Times(inertia, v->angVel);
  EXPECT_LT(Length(momentum - momentum0) / Length(momentum0), kMomentumTolerance);
  EXPECT_LT(worstEnergy, kEnergyTolerance);
  EXPECT_LT(lowestY, 0.0) << "the spin about the intermediate axis never flipped";
  EXPECT_LT(OrthonormalityError(v->rot), 1e-14);
  EXPECT_NEAR(Det(v->rot), 1.0, 1e-14);
}

TEST(WorldFrame, CancellingThrustersGiveNoForceAndBurnAtThrustOverIsp) {
  World world;
  world.step = 0.1;
  Vessel *v = world.CreateVessel("Balanced");
  v->dryMass = 1000;
  sim::Propellant *tank = v->CreatePropellant(50, -1, 1);
  sim::Thruster t;
  t.pos = {1, 2, 3};
  t.maxThrust = 100;
  t.isp = 1000;
  t.propellant = tank;
  t.level = 1;
  t.dir = {0, 0, 1};
  v->CreateThruster(t);
  t.dir = {0, 0, -1};
  v->CreateThruster(t);

  const int n = 30;
  for (int i = 0; i < n; ++i) world.Frame(nullptr);
  EXPECT_EQ(Length(v->vel), 0.0);
  EXPECT_EQ(Length(v->angVel), 0.0);
  const double burnt = 2 * 100.0 / 1000.0 * world.step * n;
  EXPECT_NEAR(tank->mass, 50 - burnt, kDiscreteTolerance);
  EXPECT_NEAR(v->Mass(), 1050 - burnt, kDiscreteTolerance);
}

TEST(WorldFrame, ThrusterPushesAlongItsDirectionUntilItsTankIsEmpty) {
  World world;
  world.step = 1.0;
  Vessel *v = world.CreateVessel("Rocket");
  v->dryMass = 100;
  sim::Propellant *tank = v->CreatePropellant(1.5, -1, 1);
  sim::Thruster t;
  t.dir = {3, 0, 4};  // made unit: (0.6, 0, 0.8)
  t.maxThrust = 200;
  t.isp = 400;  // 0.5 kg/s at full level
  t.propellant = tank;
  sim::Thruster *th = v->CreateThruster(t);
  v->SetThrusterLevel(th, 0.5);

  // Each frame: 100 N, 0.25 kg burnt first, then the step at the lighter mass.
  world.Frame(nullptr);
  EXPECT_NEAR(tank->mass, 1.25, kDiscreteTolerance);
  EXPECT_NEAR(v->vel.x, 0.6 * 100 / 101.25, kDiscreteTolerance);
  EXPECT_NEAR(v->vel.z, 0.8 * 100 / 101.25, kDiscreteTolerance);

  v->SetThrusterLevel(th, 1.0);
  world.Frame(nullptr);  // 1.25 → 0.75
  world.Frame(nullptr);  // 0.75 → 0.25
  world.Frame(nullptr);  // 0.25 → 0: fires, but the burn stops at empty
  EXPECT_EQ(tank->mass, 0.0);
  Vec3 before = v->vel;
  world.Frame(nullptr);  // empty: no thrust
  EXPECT_EQ(v->vel.x, before.x);
  EXPECT_EQ(v->vel.z, before.z);

  // A thruster whose resource was deleted gives no thrust, even though the tank had been refilled.
  v->SetPropellantMass(tank, 1.0);
  v->DeletePropellant(tank);
  world.Frame(nullptr);
  EXPECT_EQ(v->vel.x, before.x);
}

TEST(WorldFrame, ThrusterWithoutSpecificImpulseBurnsNothing) {
  World world;
  world.step = 1.0;
  Vessel *v = world.CreateVessel("Cold");
  v->dryMass = 10;
  sim::Thruster t;
  t.dir = {1, 0, 0};
  t.maxThrust = 5;
  t.level = 1;
  t.propellant = v->CreatePropellant(10, 10, 1);
  v->CreateThruster(t);
  for (int i = 0; i < 3; ++i) world.Frame(nullptr);
  EXPECT_EQ(t.propellant->mass, 10.0);
  EXPECT_NEAR(v->vel.x, 3 * 5.0 / 20.0, kDiscreteTolerance);
}
