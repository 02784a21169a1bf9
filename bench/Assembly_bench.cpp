// What docking costs a frame: the same vessels free, docked as one assembly, and docked with a
// part whose mass changes every frame (a tank burning), which makes the assembly form again.
#include <benchmark/benchmark.h>

#include <string>

#include "sim/world/Assembly.h"
#include "sim/world/World.h"

namespace {

// `count` vessels in a row 10 m apart along x on a low orbit, each with a port fore and aft.
void Populate(sim::World &world, int count) {
  world.gravityGM = 3.986004418e14;
  for (int i = 0; i < count; ++i) {
    sim::Vessel *v = world.CreateVessel("Part-" + std::to_string(i));
    v->pos = {7.0e6 + 10.0 * i, 0, 0};
    v->vel = {0, 0, 7.5e3};
    v->pmi = {1, 2, 3};
    v->angVel = {0, 0.001, 0};
    v->docks.push_back({{5, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    v->docks.push_back({{-5, 0, 0}, {-1, 0, 0}, {0, 1, 0}});
  }
}

void Dock(sim::World &world) {
  std::vector<sim::DockJoint> joints;
  for (size_t i = 0; i + 1 < world.VesselCount(); ++i)
    joints.push_back({world.VesselAt(i), 0, world.VesselAt(i + 1), 1});
  world.Join(joints);
}

// 0: free; 1: docked; 2: docked, the first part burning propellant every frame.
void FrameOfParts(benchmark::State &state) {
  sim::World world;
  const int count = static_cast<int>(state.range(0));
  const int mode = static_cast<int>(state.range(1));
  Populate(world, count);
  if (mode >= 1) Dock(world);
  if (mode == 2) {
    sim::Vessel *first = world.VesselAt(0);
    sim::Thruster t;
    t.dir = {0, 0, 1};
    t.maxThrust = 0.01;
    t.isp = 1e5;
    t.level = 1;
    t.propellant = first->CreatePropellant(2, -1, 1);
    first->CreateThruster(t);
  }
  sim::Vessel *pushed = world.VesselAt(static_cast<size_t>(count - 1));
  for (auto _ : state) world.Frame([&] { pushed->AddForce({0, 1, 0}, {5, 0, 0}); });
  state.SetItemsProcessed(state.iterations() * count);
  state.SetLabel(mode == 0 ? "free" : mode == 1 ? "docked" : "docked, a part's mass changing");
}
BENCHMARK(FrameOfParts)->ArgNames({"parts", "mode"})->ArgsProduct({{2, 5}, {0, 1, 2}});

}  // namespace
