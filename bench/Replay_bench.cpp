// Speed of recording a replay: one sample of a hub with eight tethered satellites (what each
// sample of an hour of scenarios/eight.scn costs the host), and turning an hour of such samples
// into the page's data (encoding, compression, base64).
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "sim/run/ReplayFile.h"
#include "sim/run/ReplayRecorder.h"
#include "sim/run/Simulation.h"
#include "sim/world/World.h"

namespace {

constexpr int satellites = 8;
constexpr size_t hourOfSamples = 36001;  // every 0.1 s, and the end

struct Wheel {
  sim::World world;
  std::vector<sim::Vessel *> sats;
  std::vector<sim::TetherSample> tethers;

  Wheel() {
    sim::Vessel *hub = world.CreateVessel("Hub");
    for (int i = 0; i < satellites; ++i) {
      sats.push_back(world.CreateVessel("Sat" + std::to_string(i)));
      sim::Thruster thruster;
      thruster.propellant = hub->CreatePropellant(2, -1, 1);
      sim::Exhaust e;
      e.thruster = hub->CreateThruster(thruster);
      e.texture = world.RegisterExhaustTexture("TetherTaut");
      e.lscale = 300;
      e.wscale = 1.2;
      hub->AddExhaust(e);
      sim::TetherSample t;
      t.link = i;
      t.connected = 1;
      t.ship1 = "Hub";
      t.ship2 = sats.back()->Name();
      tethers.push_back(t);
    }
  }

  // The wheel turned to time t: positions and stream directions as a spinning hub has them.
  void Turn(double t) {
    world.time = t;
    for (int i = 0; i < satellites; ++i) {
      const double a = 2 * M_PI * (t / 300 + i / double(satellites));
      sats[i]->pos = {300 * std::cos(a), 300 * std::sin(a), 0};
      sats[i]->rot = sim::AxisRotation(2, a);
      tethers[i].pull = 500 + 10 * std::sin(t + i);
      tethers[i].stretch = 100.2;
    }
  }
};

void ReplaySampleEightTethers(benchmark::State &state) {
  Wheel wheel;
  sim::ReplayRecorder recorder(0.1);
  double t = 0;
  for (auto _ : state) {
    wheel.Turn(t);
    recorder.Sample(wheel.world, wheel.tethers);
    t += 0.1;
  }
  benchmark::DoNotOptimize(recorder.SampleCount());
}
BENCHMARK(ReplaySampleEightTethers)->Iterations(hourOfSamples);

void ReplayEncodeAnHourOfEightTethers(benchmark::State &state) {
  Wheel wheel;
  sim::ReplayRecorder recorder(0.1);
  for (size_t i = 0; i < hourOfSamples; ++i) {
    wheel.Turn(0.1 * static_cast<double>(i));
    recorder.Sample(wheel.world, wheel.tethers);
  }
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string page = sim::Base64(sim::Deflate(sim::EncodeReplay(recorder, "eight.scn")));
    bytes = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["base64_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(ReplayEncodeAnHourOfEightTethers)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
