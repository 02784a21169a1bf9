// How a whole host frame grows with the number of tethers and of vessels: the plug-in's step,
// the thrusters that draw the tethers, and the integration of every vessel, in free space as in
// the tug scenario. Each should grow linearly, without a cliff.
#include <benchmark/benchmark.h>

#include <string>

#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"
#include "sim/world/World.h"

namespace kestrane {

namespace {

// `vessels` vessels in a row 100 m apart, each turning slowly, and `links` tethers, link n from
// vessel 2n to vessel 2n + 1 (the pairs wrap round a short row), 80 m long between their centres,
// so taut, and reeling in.
struct Fleet {
  Fleet(int vessels, int links) {
    for (int i = 0; i < vessels; ++i) {
      sim::Vessel *v = world.CreateVessel("Vessel-" + std::to_string(i));
      v->dryMass = 1000 + i;
      v->pmi = {2, 3, 4};
      v->pos = {100.0 * i, 0, 0};
      v->angVel = {0.001, 0.002, 0.003};
    }
    for (int n = 0; n < links; ++n) {
      const int a = (2 * n) % vessels, b = (2 * n + 1) % vessels;
      const std::string name1 = "Vessel-" + std::to_string(a), name2 = "Vessel-" + std::to_string(b);
      registry.TM[n]->Connect(name1.c_str(), name2.c_str(), 80, 100, MakeVector(0, 0, 0), MakeVector(0, 0, 0));
      registry.TM[n]->reelSpeed = -0.1;
    }
    Frame();
  }

  void Frame() {
    world.Frame([this] { registry.TimeStep(); });
  }

  sim::World world;
  TetherData registry;
};

void BM_FrameByTethers(benchmark::State &state) {
  const int links = static_cast<int>(state.range(0));
  Fleet fleet(2 * TetherData::linkCount, links);
  for (auto _ : state) fleet.Frame();
  state.SetItemsProcessed(state.iterations() * links);
  state.SetLabel("16 vessels; items: tethers");
}
BENCHMARK(BM_FrameByTethers)->ArgName("tethers")->Arg(1)->Arg(2)->Arg(4)->Arg(8);

void BM_FrameByVessels(benchmark::State &state) {
  const int vessels = static_cast<int>(state.range(0));
  Fleet fleet(vessels, 1);
  for (auto _ : state) fleet.Frame();
  state.SetItemsProcessed(state.iterations() * vessels);
  state.SetLabel("1 tether; items: vessels");
}
BENCHMARK(BM_FrameByVessels)->ArgName("vessels")->Arg(2)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace

}  // namespace kestrane
