// The tether in the simulated host, frame after frame, against closed-form mechanics.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"
#include "support/TestWorld.h"

namespace kestrane {

namespace {

using sim::Vec3;

Vec3 Global(const sim::Vessel &v, Vec3 local) { return v.rot * local; }

sim::Mat3 FromHost(const MATRIX3 &m) {
  sim::Mat3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = m.data[i * 3 + j];
  return r;
}

class TetherPhysicsTest : public WorldTest {
protected:
  TetherData registry;
};

// Two vessels drift apart on a tether that is just taut. Each feels half the pull,
// pull / 2 = 50 × force / length × (x + ẋ) with x the elongation in metres, so the elongation
// follows μẍ = −kx − cẋ with k = c = 50 × force / length and μ the reduced mass, from x = 0,
// ẋ = v0. The closed form holds while the tether pulls (kx + cẋ > 0).
TEST_F(TetherPhysicsTest, SeparatingVesselsFollowTheDampedOscillatorOfTheTensionLaw) {
  constexpr double length = 1000;  // m
  constexpr double force = 10000;  // N per percent
  constexpr double v0 = 2;         // m/s, separating
  // The tension uses the stretch of the previous frame, a first-order scheme: a short step keeps
  // its error well inside the 1 % of the peak that the test allows.
  world.step = 0.005;
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0}, 1000);
  sim::Vessel *pod = AddVessel("Pod", {length, 0, 0}, 3000);
  registry.TM[0]->Connect("Tug", "Pod", length, force, MakeVector(0, 0, 0), MakeVector(0, 0, 0));

  // The tug also carries the 2 kg tank of the tether's drawing.
  const double m1 = tug->Mass(), m2 = pod->Mass();
  const double mu = m1 * m2 / (m1 + m2);
  tug->vel = {-v0 * m2 / (m1 + m2), 0, 0};
  pod->vel = {v0 * m1 / (m1 + m2), 0, 0};

  const double k = 50 * force / length, c = k;
  const double omega0 = std::sqrt(k / mu);
  const double zeta = c / (2 * std::sqrt(k * mu));
  ASSERT_LT(zeta, 1) << "the case is meant to oscillate";
  const double sigma = zeta * omega0, omegaD = omega0 * std::sqrt(1 - zeta * zeta);
  auto x = [&](double t) { return v0 / omegaD * std::exp(-sigma * t) * std::sin(omegaD * t); };
  auto xDot = [&](double t) {
    return v0 / omegaD * std::exp(-sigma * t) * (omegaD * std::cos(omegaD * t) - sigma * std::sin(omegaD * t));
  };
  const double tPeak = std::atan2(omegaD, sigma) / omegaD;
  const double xPeak = x(tPeak);
  const double tolerance = 0.01 * xPeak;

  double peak = 0, worst = 0;
  while (k * x(world.time) + c * xDot(world.time) > 0 || world.time < tPeak) {
    world.Frame([&] { registry.TimeStep(); });
    const double elongation = Length(pod->pos - tug->pos) - length;
    peak = std::max(peak, elongation);
    worst = std::max(worst, std::fabs(elongation - x(world.time)));
    ASSERT_LT(world.time, 10 * tPeak);
  }
  EXPECT_NEAR(peak, xPeak, tolerance);
  EXPECT_LT(worst, tolerance);

  // Momentum is kept: the tether's forces are internal.
  EXPECT_NEAR(m1 * tug->vel.x + m2 * pod->vel.x, 0, 1e-9 * m1 * v0);
}

TEST_F(TetherPhysicsTest, TheTwoForcesAreEqualAndOppositeAlongTheTetherInTheGlobalFrame) {
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0});
  sim::Vessel *pod = AddVessel("Pod", {900, 300, -200});
  tug->rot = FromHost(MatrixProduct(RotationX(0.7), RotationZ(-0.4)));
  pod->rot = FromHost(MatrixProduct(RotationY(2.1), RotationX(-1.3)));
  const VECTOR3 a1 = MakeVector(3, -4, 6), a2 = MakeVector(-7, 2, 5);
  TetherLink &link = *registry.TM[0];
  link.Connect("Tug", "Pod", 900, 10000, a1, a2);
  link.TimeStep();
  ASSERT_GT(link.GetPull(), 0);

  const Vec3 f1 = Global(*tug, tug->forceSum), f2 = Global(*pod, pod->forceSum);
  const Vec3 p1 = tug->pos + Global(*tug, sim::FromHost(a1));
  const Vec3 p2 = pod->pos + Global(*pod, sim::FromHost(a2));
  const Vec3 along = (p2 - p1) * (1 / Length(p2 - p1));
  // Rounding through two rotations of forces of a few hundred kN.
  const double tolerance = 1e-9 * link.GetPull();
  EXPECT_NEAR(Length(f1 + f2), 0, tolerance);
  EXPECT_NEAR(Length(f1), link.GetPull() / 2, tolerance);
  EXPECT_NEAR(Length(f1 - along * (link.GetPull() / 2)), 0, tolerance);
  // Applied at the attach points, in each vessel's frame.
  const Vec3 torque1 = sim::Cross(sim::FromHost(a1), tug->forceSum);
  EXPECT_NEAR(Length(tug->torqueSum - torque1), 0, tolerance * 10);
}

// Two ShuttlePBs at rest 100 m apart, the second turned half round about x, tied port to port
// (102 m apart) on 100 m at 2000 N per percent. The tie measures where the step measures, so the
// first frame pulls what the law gives for the 2 % stretch, 4 kN, with no rate from a change of
// measure; and each vessel leaves that frame with the velocity half that pull gives it.
TEST_F(TetherPhysicsTest, ATieBetweenDockingPortsPullsOnlyWhatItsStretchGives) {
  // Sums of a few products of metres and of kilonewtons over half a tonne.
  constexpr double relativeTolerance = 1e-12;
  world.step = 0.02;
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0}, 500);
  sim::Vessel *pod = AddVessel("Pod", {0, 0, 100}, 500);
  pod->rot = sim::AxisRotation(0, PI);
  const Vec3 port{0, 1.3, -1};  // the ShuttlePB's, on its back
  const Vec3 span = (pod->pos + pod->rot * port) - (tug->pos + tug->rot * port);
  const double tied = Length(span);
  ASSERT_GT(tied, 102);

  const VECTOR3 attach = MakeVector(port.x, port.y, port.z);
  TetherLink &link = *registry.TM[0];
  link.Connect("Tug", "Pod", 100, 2000, attach, attach);
  EXPECT_NEAR(link.GetDistance(), tied, relativeTolerance * tied);
  EXPECT_NEAR(link.GetStretch(), tied, relativeTolerance * tied);

  world.Frame([&] { registry.TimeStep(); });
  const double lawPull = 2000 * (tied - 100);  // length 100 m: a metre is a percent
  EXPECT_NEAR(link.GetPull(), lawPull, relativeTolerance * lawPull);

  // Each vessel's whole velocity is the frame's impulse of half the pull along the tether line;
  // the tug also carries the 2 kg tank of the tether's drawing.
  const Vec3 along = span * (1 / tied);
  const Vec3 tugVelocity = along * (lawPull / 2 / tug->Mass() * world.step);
  const Vec3 podVelocity = along * (-lawPull / 2 / pod->Mass() * world.step);
  EXPECT_LT(Length(tug->vel - tugVelocity), relativeTolerance * Length(tugVelocity));
  EXPECT_LT(Length(pod->vel - podVelocity), relativeTolerance * Length(podVelocity));
}

// A tether tied 5 m off the tug's centre of gravity turns the tug: in the first frame it gains
// the angular momentum r × F dt, and only the tug turns.
TEST_F(TetherPhysicsTest, ATetherTiedOffTheCentreOfGravityTurnsTheVessel) {
  sim::Vessel *tug = AddVessel("Tug", {0, 0, 0});
  sim::Vessel *pod = AddVessel("Pod", {1010, 0, 0});
  tug->pmi = {4, 4, 2};
  registry.TM[0]->Connect("Tug", "Pod", 1000, 10000, MakeVector(0, 5, 0), MakeVector(0, 0, 0));
  world.Frame([&] { registry.TimeStep(); });

  const double pull = registry.TM[0]->GetPull();
  ASSERT_GT(pull, 0);
  const Vec3 d = Vec3{1010, 0, 0} - Vec3{0, 5, 0};
  const Vec3 f1 = d * (pull / 2 / Length(d));
  const double torqueZ = 0 * f1.y - 5 * f1.x;
  const double inertiaZ = tug->Mass() * tug->pmi.z;
  EXPECT_LT(tug->angVel.z, 0);
  EXPECT_NEAR(tug->angVel.z, torqueZ * world.step / inertiaZ, 1e-6 * std::fabs(tug->angVel.z));
  EXPECT_EQ(pod->angVel.z, 0.0);

  // Over the following frames the attach point, at first along +y, swings towards the pod on +x.
  for (int frame = 0; frame < 200; ++frame) world.Frame([&] { registry.TimeStep(); });
  const Vec3 arm = Global(*tug, {0, 5, 0});
  EXPECT_LT(std::atan2(arm.y, arm.x), PI / 2 - 0.1);
}

// The sums over every vessel that no internal force changes: momentum, and angular momentum about
// the origin (each vessel's orbital part and its own spin). A docked part counts as a body of its
// own moving with the assembly, which adds up to the assembly's.
struct Momenta {
  Vec3 linear, angular;
};

Momenta Total(const sim::World &world) {
  Momenta sum;
  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const sim::Vessel &v = *world.VesselAt(i);
    const double m = v.Mass();
    sum.linear += v.vel * m;
    const Vec3 own{m * v.pmi.x * v.angVel.x, m * v.pmi.y * v.angVel.y, m * v.pmi.z * v.angVel.z};
    sum.angular += Cross(v.pos, v.vel) * m + v.rot * own;
  }
  return sum;
}

// A pod on a tether tied to the docking port of a module docked at a station: the pull moves the
// whole station, while momentum stays what it was (the tether's forces are internal) and the module
// stays exactly at its dock. The host holds each frame's pull over the frame in the direction it
// had at the frame's start while the two ends move on, so the pull also turns the pair a little:
// by (Δc − Δp) × F·dt/2 in each frame, the displacements of the assembly's centre and of the pod
// across the step's second half kick. Angular momentum changes by that sum and by nothing else.
TEST_F(TetherPhysicsTest, ATetherToADockedVesselMovesTheWholeAssemblyAndKeepsTheMomenta) {
  // The only change allowed: the tether's drawing burns 2e-7 kg/s from the module's tank, and that
  // mass leaves with the module's motion. Over 300 s a few parts in a billion.
  constexpr double momentumTolerance = 1e-7;  // relative
  sim::Vessel *station = AddVessel("Station", {0, 0, 0}, 20000);
  sim::Vessel *module = AddVessel("Module", {}, 5000);
  sim::Vessel *pod = AddVessel("Pod", {30, 100, 20}, 1500);
  station->pmi = {10, 12, 8};
  module->pmi = {2, 2, 1};
  pod->pmi = {1, 1, 1};
  station->docks.push_back({{0, 0, 10}, {0, 0, 1}, {0, 1, 0}});
  module->docks.push_back({{0, 0, -3}, {0, 0, -1}, {0, 1, 0}});
  module->docks.push_back({{0, 0, 3}, {0, 0, 1}, {0, 1, 0}});
  station->rot = sim::AxisRotation(0, 0.4);
  station->vel = {1, 0, 0};
  station->angVel = {0, 0.002, 0.01};
  ASSERT_TRUE(sim::PlaceAtDock(*station, 0, *module, 0));
  const Vec3 spin = station->rot * station->angVel;
  module->vel = station->vel + Cross(spin, module->pos - station->pos);
  module->angVel = Transposed(module->rot) * spin;
  ASSERT_NE(world.Join({{station, 0, module, 0}}), nullptr);
  pod->vel = {1, 1.5, 0};

  const sim::DockingPort &free = module->docks[1];
  const Vec3 port = module->pos + module->rot * free.pos;
  // The module carries the tether's drawing: its tank burns, and the assembly forms again every
  // frame.
  registry.TM[0]->Connect("Module", "Pod", Length(pod->pos - port), 2000,
                          MakeVector(free.pos.x, free.pos.y, free.pos.z), MakeVector(0, 0, 0));
  const Momenta before = Total(world);
  const Vec3 stationVelocity = station->vel;
  const sim::Assembly &assembly = *world.Assemblies().front();
  Vec3 heldPullTurn;  // kg m^2/s
  double pulled = 0, worstGap = 0, worstTurn = 0;
  while (world.time < 300 - 1e-9) {
    const Vec3 centre = assembly.CentreOfMass(), podAt = pod->pos;
    const Vec3 line = pod->pos - (module->pos + module->rot * free.pos);
    world.Frame([&] { registry.TimeStep(); });
    pulled = std::max(pulled, registry.TM[0]->GetPull());
    const Vec3 pull = line * (registry.TM[0]->GetPull() / 2 / Length(line));  // on the module
    heldPullTurn += Cross((assembly.CentreOfMass() - centre) - (pod->pos - podAt), pull) * (world.step / 2);
    const Vec3 stationPort = station->pos + station->rot * station->docks[0].pos;
    const Vec3 modulePort = module->pos + module->rot * module->docks[0].pos;
    worstGap = std::max(worstGap, Length(stationPort - modulePort));
    worstTurn = std::max(worstTurn, Length(station->rot * station->docks[0].dir + module->rot * module->docks[0].dir));
  }
  ASSERT_GT(pulled, 100) << "the tether never pulled";
  EXPECT_GT(Length(station->vel - stationVelocity), 1e-3) << "the station did not feel the pull";
  EXPECT_LT(worstGap, 1e-9);
  EXPECT_LT(worstTurn, 1e-12);

  const Momenta after = Total(world);
  EXPECT_LT(Length(after.linear - before.linear), momentumTolerance * Length(before.linear));
  EXPECT_GT(Length(heldPullTurn), 100 * momentumTolerance * Length(before.angular)) << "the case does not show it";
  EXPECT_LT(Length(after.angular - before.angular - heldPullTurn), momentumTolerance * Length(before.angular));
}

}  // namespace

}  // namespace kestrane
