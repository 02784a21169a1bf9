// Speed of the simulated world: name lookup and one frame, with many vessels.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "host/VesselAPI.h"
#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"
#include "sim/world/World.h"

namespace kestrane {

namespace {

void Populate(sim::World &world, int count) {
  for (int i = 0; i < count; ++i) {
    sim::Vessel *v = world.CreateVessel("Vessel-" + std::to_string(i));
    v->pos = {7.0e6 + i, 0, 0};
    v->vel = {0, 7.5e3, 0};
    v->pmi = {1, 2, 3};
    v->angVel = {0.01, 0.02, 0.03};
  }
}

void LookupByName(benchmark::State &state) {
  sim::World world;
  const int count = static_cast<int>(state.range(0));
  Populate(world, count);
  std::vector<std::string> names;
  for (int i = 0; i < count; i += 7) names.push_back("VESSEL-" + std::to_string(i));
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(oapiGetVesselByName(names[next].data()));
    next = (next + 1) % names.size();
  }
}
BENCHMARK(LookupByName)->Arg(10)->Arg(1000)->Arg(10000);

void FrameWithManyVessels(benchmark::State &state) {
  sim::World world;
  world.gravityGM = 3.986004418e14;
  const int count = static_cast<int>(state.range(0));
  Populate(world, count);
  for (int i = 0; i < count; i += 2) {
    sim::Vessel *v = world.VesselAt(static_cast<size_t>(i));
    sim::Thruster t;
    t.dir = {0, 0, 1};
    t.maxThrust = 0.01;
    t.isp = 1e5;
    t.level = 1;
    t.propellant = v->CreatePropellant(2, -1, 1);
    v->CreateThruster(t);
  }
  VESSEL *pulled = world.VesselAt(0)->Interface();
  VECTOR3 force, point;
  force.x = 1;
  force.y = force.z = 0;
  point.x = point.y = 0;
  point.z = 2;
  for (auto _ : state) world.Frame([&] { pulled->AddForce(force, point); });
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(FrameWithManyVessels)->Arg(10)->Arg(1000)->Arg(10000);

// A whole host frame as a run makes it: the plug-in's step, thrusters, gravity and the
// integration of every vessel, with one link among 2 vessels or eight among 100.
void FrameWithTethers(benchmark::State &state) {
  sim::World world;
  world.gravityGM = 3.986004418e14;
  const int count = static_cast<int>(state.range(0));
  Populate(world, count);
  TetherData registry;
  const int links = count / 2 < TetherData::linkCount ? count / 2 : TetherData::linkCount;
  for (int n = 0; n < links; ++n) {
    const std::string a = "Vessel-" + std::to_string(2 * n), b = "Vessel-" + std::to_string(2 * n + 1);
    registry.TM[n]->Connect(a.c_str(), b.c_str(), 0.9, 100, MakeVector(0, 0, 0.1), MakeVector(0, 0, -0.1));
    registry.TM[n]->spoolMode = static_cast<SpoolMode>(n % 2);
  }
  for (auto _ : state) world.Frame([&registry] { registry.TimeStep(); });
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("items: frames");
}
BENCHMARK(FrameWithTethers)->ArgName("vessels")->Arg(2)->Arg(100);

}  // namespace

}  // namespace kestrane
