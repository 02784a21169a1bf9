#include "sim/world/Assembly.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "sim/scenario/HostAngles.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/world/World.h"

using sim::DockJoint;
using sim::Mat3;
using sim::Vec3;
using sim::Vessel;
using sim::World;

namespace {

// Rounding of a few products of rotations on numbers of size 1.
constexpr double kUnitTolerance = 1e-12;
// Rounding of positions and velocities of a few metres through a step.
constexpr double kPlaceTolerance = 1e-9;

Vessel *Make(World &world, const char *name, double mass, Vec3 pmi, Vec3 pos) {
  Vessel *v = world.CreateVessel(name);
  v->dryMass = mass;
  v->pmi = pmi;
  v->pos = pos;
  return v;
}

std::array<double, 3> Sorted(Vec3 v) {
  std::array<double, 3> a{v.x, v.y, v.z};
  std::sort(a.begin(), a.end());
  return a;
}

}  // namespace

// Positions coincide, directions are opposite, alignments equal, whatever the first vessel's
// orientation and however long the ports' vectors are.
TEST(AssemblyTest, PlaceAtDockMakesThePortsMeet) {
  World world;
  Vessel *a = Make(world, "A", 1000, {1, 1, 1}, {100, -20, 7});
  Vessel *b = Make(world, "B", 1000, {1, 1, 1}, {});
  a->rot = sim::RotationFromAngles({0.3, -1.1, 2.5});
  a->docks.push_back({{1, 2, 3}, {0, 0, 2}, {0, 3, 0.5}});  // alignment not yet square to the direction
  b->docks.push_back({{0, 1.3, -1}, {0, 1, 0}, {0, 0, -1}});
  ASSERT_TRUE(sim::PlaceAtDock(*a, 0, *b, 0));
  const Vec3 dirA = a->rot * Vec3{0, 0, 1}, alignA = a->rot * Vec3{0, 1, 0};
  EXPECT_LT(Length((a->pos + a->rot * a->docks[0].pos) - (b->pos + b->rot * b->docks[0].pos)), kPlaceTolerance);
  EXPECT_LT(Length(b->rot * b->docks[0].dir + dirA), kUnitTolerance);
  EXPECT_LT(Length(b->rot * b->docks[0].rot - alignA), kUnitTolerance);

  const Vec3 before = b->pos;
  b->docks.push_back({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});  // alignment along the direction
  EXPECT_FALSE(sim::PlaceAtDock(*a, 0, *b, 1));
  EXPECT_FALSE(sim::PlaceAtDock(*a, 5, *b, 0));
  EXPECT_EQ(b->pos.x, before.x);
}

// Two vessels a distance d apart along x, each with its principal axes along the global ones:
// mass m1 + m2, the centre at the mass-weighted mean, and moments m1 I1 + m2 I2 plus the reduced
// mass times d² about the two axes across the line (the parallel-axis theorem).
TEST(AssemblyTest, AnAssemblyHasTheCombinedMassCentreAndInertia) {
  World world;
  const double m1 = 3000, m2 = 1000, d = 12;
  Vessel *a = Make(world, "A", m1, {2, 3, 4}, {10, 20, 30});
  Vessel *b = Make(world, "B", m2, {5, 1, 1}, {10 + d, 20, 30});
  a->vel = b->vel = {1, -2, 0.5};
  a->docks.push_back({{d / 2, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  b->docks.push_back({{-d / 2, 0, 0}, {-1, 0, 0}, {0, 1, 0}});
  sim::Assembly *assembly = world.Join({{a, 0, b, 0}});
  ASSERT_NE(assembly, nullptr);
  EXPECT_EQ(a->DockedIn(), assembly);
  EXPECT_EQ(assembly->Mass(), m1 + m2);
  EXPECT_NEAR(assembly->CentreOfMass().x, 10 + d * m2 / (m1 + m2), kPlaceTolerance);
  EXPECT_NEAR(assembly->Velocity().y, -2, kPlaceTolerance);
  const double reduced = m1 * m2 / (m1 + m2);
  const std::array<double, 3> expected =
      Sorted({m1 * 2 + m2 * 5, m1 * 3 + m2 * 1 + reduced * d * d, m1 * 4 + m2 * 1 + reduced * d * d});
  const std::array<double, 3> moments = Sorted(assembly->PrincipalMoments());
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(moments[k], expected[k], 1e-9 * expected[k]) << k;
  // The parts stay where they were.
  EXPECT_NEAR(a->pos.x, 10, kPlaceTolerance);
  EXPECT_NEAR(b->pos.x, 10 + d, kPlaceTolerance);

  // Refused: a vessel already docked, a port used twice, joints that leave a vessel apart.
  Vessel *c = Make(world, "C", 10, {1, 1, 1}, {});
  Vessel *e = Make(world, "E", 10, {1, 1, 1}, {});
  Vessel *f = Make(world, "F", 10, {1, 1, 1}, {});
  for (Vessel *v : {c, e, f}) v->docks.assign(2, {{0, 0, 1}, {0, 0, 1}, {0, 1, 0}});
  EXPECT_EQ(world.Join({{a, 0, c, 0}}), nullptr);
  EXPECT_EQ(world.Join({{c, 0, e, 0}, {c, 0, f, 0}}), nullptr);
  EXPECT_EQ(world.Join({{c, 0, c, 1}}), nullptr);
  EXPECT_EQ(world.Join({{c, 0, e, 0}, {f, 0, f, 1}}), nullptr);
  EXPECT_EQ(c->DockedIn(), nullptr);
  EXPECT_EQ(world.Assemblies().size(), 1u);
}

// A force at the far end of one part pushes the whole assembly, Δv = F dt / M, and turns it about
// the common centre, Δω = (r × F) dt / I with r from that centre; each part then moves as the body.
TEST(AssemblyTest, AForceOnAPartActsOnTheWholeAssemblyAtItsPoint) {
  World world;
  world.step = 0.01;
  const double m = 1000, d = 10, push = 50;
  // Nearly point masses: the assembly's moment about z is m d² / 2 and a little.
  const double own = 1e-6;
  Vessel *a = Make(world, "A", m, {own, own, own}, {0, 0, 0});
  Vessel *b = Make(world, "B", m, {own, own, own}, {d, 0, 0});
  a->docks.push_back({{d / 2, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  b->docks.push_back({{-d / 2, 0, 0}, {-1, 0, 0}, {0, 1, 0}});
  ASSERT_NE(world.Join({{a, 0, b, 0}}), nullptr);

  // Along y at B's far end, d from the centre at d/2.
  b->AddForce({0, push, 0}, {d / 2, 0, 0});
  world.Frame({});
  const double dt = world.step, inertia = m * d * d / 2 + 2 * m * own;
  const double spin = d * push * dt / inertia;  // rad/s about z
  const double centreSpeed = push * dt / (2 * m);
  EXPECT_NEAR(b->vel.y, centreSpeed + spin * d / 2, kPlaceTolerance);
  EXPECT_NEAR(a->vel.y, centreSpeed - spin * d / 2, kPlaceTolerance);
  EXPECT_NEAR((a->rot * a->angVel).z, spin, kUnitTolerance);
  EXPECT_NEAR((b->rot * b->angVel).z, spin, kUnitTolerance);
  EXPECT_EQ(b->forceSum.y, 0.0);  // used up in the step
}

// Taking out the middle of three leaves two free vessels, each moving as it moved in the assembly;
// a part whose propellant changes makes the assembly form again without moving any part.
TEST(AssemblyTest, PartsLeaveAndChangeMassWithoutJumping) {
  World world;
  Vessel *a = Make(world, "A", 1000, {1, 1, 1}, {0, 0, 0});
  Vessel *b = Make(world, "B", 2000, {1, 1, 1}, {4, 0, 0});
  Vessel *c = Make(world, "C", 1000, {1, 1, 1}, {8, 0, 0});
  for (Vessel *v : {a, b, c}) {
    v->docks.push_back({{2, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    v->docks.push_back({{-2, 0, 0}, {-1, 0, 0}, {0, 1, 0}});
    v->angVel = {0, 0, 0.1};  // the three turn as one about z through B
    v->vel = Cross({0, 0, 0.1}, v->pos - Vec3{4, 0, 0});
  }
  ASSERT_NE(world.Join({{a, 0, b, 1}, {b, 0, c, 1}}), nullptr);
  Vec3 aVel = a->vel, cVel = c->vel;
  EXPECT_NEAR(aVel.y, -0.4, kPlaceTolerance);

  // A tank filled on C: the centre moves towards C, no part does.
  const Vec3 cPos = c->pos;
  c->CreatePropellant(500, -1, 1);
  world.step = 1e-9;
  world.Frame({});
  EXPECT_LT(Length(c->pos - cPos), 1e-8);
  EXPECT_NEAR(a->DockedIn()->Mass(), 4500, 0);
  EXPECT_NEAR(a->DockedIn()->CentreOfMass().x, (2000 * 4 + 1500 * 8) / 4500.0, 1e-6);

  aVel = a->vel;
  cVel = c->vel;
  ASSERT_TRUE(world.DeleteVessel(b));
  EXPECT_EQ(a->DockedIn(), nullptr);
  EXPECT_EQ(c->DockedIn(), nullptr);
  EXPECT_TRUE(world.Assemblies().empty());
  world.Frame({});
  EXPECT_LT(Length(a->vel - aVel), kPlaceTolerance);
  EXPECT_LT(Length(c->vel - cVel), kPlaceTolerance);
  EXPECT_NEAR(a->angVel.z, 0.1, kUnitTolerance);
}
