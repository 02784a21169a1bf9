// The registry's per-frame step with all eight links connected, in worlds of a few and of
// thousands of vessels (every link resolves its vessels by name each frame).
#include <benchmark/benchmark.h>

#include <string>

#include "math/VecMath.h"
#include "plugin/TetherData.h"
#include "sim/World.h"

namespace {

void BM_RegistryTimeStep(benchmark::State &state) {
  sim::World world;
  const int vesselCount = static_cast<int>(state.range(0));
  for (int i = 0; i < vesselCount; ++i) {
    sim::Vessel *v = world.CreateVessel("V" + std::to_string(i));
    v->pos = {150.0 * i, 10.0 * (i % 7), 0};
  }
  TetherData registry;
  for (int n = 0; n < TetherData::linkCount; ++n) {
    const std::string a = "V" + std::to_string(2 * n), b = "V" + std::to_string(2 * n + 1);
    registry.TM[n]->Connect(a.c_str(), b.c_str(), 140, 10000, MakeVector(0, 1, 0), MakeVector(0, -1, 0));
    registry.TM[n]->spoolMode = static_cast<uint8_t>(n % 2);
  }
  for (auto _ : state) {
    registry.TimeStep();
    benchmark::DoNotOptimize(registry.records[7].length);
  }
  state.SetItemsProcessed(state.iterations() * TetherData::linkCount);
}

BENCHMARK(BM_RegistryTimeStep)->Arg(16)->Arg(4096);

}  // namespace
