// The registry's per-frame step against a floor: the same tension law (TensionLaw::Step) and
// forces on plain arrays, with no host calls. The registry's cost above the floor is what
// resolving vessels, drawing the stream and keeping the records cost.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"
#include "plugin/tether/TensionLaw.h"
#include "sim/world/World.h"

namespace kestrane {

namespace {

constexpr int linkCount = TetherData::linkCount;

// The eight tethers' state as plain arrays, and the forces they put on the vessels.
struct TetherArrays {
  VECTOR3 pos1[linkCount], pos2[linkCount];  // global, m
  MATRIX3 rot1[linkCount], rot2[linkCount];
  VECTOR3 attach1[linkCount], attach2[linkCount];
  double length[linkCount], reelSpeed[linkCount], stretch[linkCount], force[linkCount];
  SpoolMode spoolMode[linkCount];
  VECTOR3 f1[linkCount], f2[linkCount];  // vessel frames, N
};

// The link's step with its inputs in arrays: the attach points, the distance, the tension law
// the link applies, and half the pull along the tether on each vessel.
void TensionKernel(TetherArrays &t, double dt) {
  for (int n = 0; n < linkCount; ++n) {
    const VECTOR3 p1 = Add(t.pos1[n], MatrixTimesVector(t.attach1[n], t.rot1[n]));
    const VECTOR3 p2 = Add(t.pos2[n], MatrixTimesVector(t.attach2[n], t.rot2[n]));
    const VECTOR3 d = MakeVector(p2.x - p1.x, p2.y - p1.y, p2.z - p1.z);
    const Tension law =
        TensionLaw::Step(VectorLength(d), t.stretch[n], t.length[n], t.force[n], t.reelSpeed[n], t.spoolMode[n], dt);
    const VECTOR3 u = Scale(d, 1 / law.distance);
    t.f1[n] = Scale(TransposedTimesVector(u, t.rot1[n]), law.pull / 2);
    t.f2[n] = Scale(TransposedTimesVector(MakeVector(-u.x, -u.y, -u.z), t.rot2[n]), law.pull / 2);
    t.stretch[n] = law.stretch;
    t.length[n] = law.length;
    t.reelSpeed[n] = law.reelSpeed;
  }
}

// A world of `vesselCount` vessels (at least 2) and a registry with `connected` links. Link n ties
// two vessels spread through the list (with two vessels, every link ties the same pair); the
// links alternate between the powered reel and free-spooling.
struct RegistryFixture {
  RegistryFixture(int vesselCount, int connected) {
    for (int i = 0; i < vesselCount; ++i) {
      sim::Vessel *v = world.CreateVessel("Vessel-" + std::to_string(i));
      v->pos = {150.0 * i, 10.0 * (i % 7), 0};
      v->rot = sim::AxisRotation(1, 0.01 * i) * sim::AxisRotation(0, 0.02 * i);
    }
    for (int n = 0; n < connected; ++n) {
      const int a = (2 * n * vesselCount / (2 * linkCount)) % vesselCount;
      const int b = (a + 1) % vesselCount;
      const std::string name1 = "Vessel-" + std::to_string(a), name2 = "Vessel-" + std::to_string(b);
      registry.TM[n]->Connect(name1.c_str(), name2.c_str(), 140, 10000, MakeVector(0.1 * n, 1, 0),
                              MakeVector(0, -1, 0.1 * n));
      registry.TM[n]->spoolMode = static_cast<SpoolMode>(n % 2);
      registry.TM[n]->reelSpeed = 0.5;
    }
    // One frame first, so that every link steps from a stretch of its own step.
    world.Frame([this] { registry.TimeStep(); });
  }

  // One frame of the plug-in's step, with the forces it added cleared as the host's frame would.
  void Step() {
    world.ClearPluginForces();
    registry.TimeStep();
  }

  // The kernel's arrays filled from the world and the links as they stand.
  TetherArrays Arrays() const {
    TetherArrays t{};
    for (int n = 0; n < linkCount; ++n) {
      const TetherLink &link = *registry.TM[n];
      const sim::Vessel *v1 = world.FindByName(link.ship1Name), *v2 = world.FindByName(link.ship2Name);
      if (v1 == nullptr || v2 == nullptr) continue;
      t.pos1[n] = sim::ToHost(v1->pos);
      t.pos2[n] = sim::ToHost(v2->pos);
      t.rot1[n] = sim::ToHost(v1->rot);
      t.rot2[n] = sim::ToHost(v2->rot);
      t.attach1[n] = link.attach1;
      t.attach2[n] = link.attach2;
      t.length[n] = link.length;
      t.reelSpeed[n] = link.reelSpeed;
      t.stretch[n] = link.stretch;
      t.force[n] = link.force;
      t.spoolMode[n] = link.spoolMode;
    }
    return t;
  }

  sim::World world;
  TetherData registry;
};

bool Same(sim::Vec3 a, sim::Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

void BM_RegistryStep(benchmark::State &state) {
  RegistryFixture fixture(2 * linkCount, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    fixture.Step();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetLabel("items: connected links");
}
BENCHMARK(BM_RegistryStep)->ArgName("links")->Arg(0)->Arg(1)->Arg(8);

// The floor for eight links. Before timing, one kernel pass is checked against one registry step
// from the same state: the forces must agree bit for bit, so both compute the same thing.
void BM_TensionKernel(benchmark::State &state) {
  RegistryFixture fixture(2 * linkCount, linkCount);
  TetherArrays t = fixture.Arrays();
  const double dt = fixture.world.step;
  TensionKernel(t, dt);
  fixture.Step();
  const std::vector<sim::World::AppliedForce> &added = fixture.world.PluginForces();
  for (int n = 0; n < linkCount; ++n) {
    const sim::Vec3 f1 = sim::FromHost(t.f1[n]), f2 = sim::FromHost(t.f2[n]);
    if (added.size() != 2 * linkCount || !Same(added[2 * n].force, f1) || !Same(added[2 * n + 1].force, f2)) {
      state.SkipWithError("the kernel's forces differ from the registry's step");
      return;
    }
  }
  t = fixture.Arrays();
  for (auto _ : state) {
    TensionKernel(t, dt);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * linkCount);
  state.SetLabel("items: links");
}
BENCHMARK(BM_TensionKernel);

// Eight links among few or many vessels: resolving names and handles must not grow with the count.
void BM_RegistryStepAmongVessels(benchmark::State &state) {
  RegistryFixture fixture(static_cast<int>(state.range(0)), linkCount);
  for (auto _ : state) {
    fixture.Step();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * linkCount);
  state.SetLabel("items: connected links");
}
BENCHMARK(BM_RegistryStepAmongVessels)->ArgName("vessels")->Arg(2)->Arg(100)->Arg(3000);

}  // namespace

}  // namespace kestrane
