// The display and the scenario block: a redraw of the screen, a key press, and writing and
// reading the block the host saves, with all eight links connected.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "host/Orbitersdk.h"
#include "plugin/display/TetherDisplay.h"
#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"
#include "sim/display/DisplayHost.h"
#include "sim/scenario/ScenarioStream.h"
#include "sim/world/World.h"

namespace kestrane {

namespace {

// A hub with eight satellites on eight links, one step taken, and the display open on the hub.
struct DisplayFixture {
  DisplayFixture() {
    tetherData = new TetherData;
    world.CreateVessel("Hub");
    for (int n = 0; n < TetherData::linkCount; ++n) {
      const std::string name = "Satellite-" + std::to_string(n);
      world.CreateVessel(name)->pos = {300.0, 40.0 * n, 0};
      tetherData->TM[n]->Connect("Hub", name.c_str(), 290, 5000, MakeVector(0, 0, 1), MakeVector(0, 0, -1));
      tetherData->TM[n]->spoolMode = static_cast<SpoolMode>(n % 2);
    }
    world.Frame([] { tetherData->TimeStep(); });
    MFDMODESPEC spec{const_cast<char *>(modeName), modeKey, ModeMessageProc};
    host.RegisterMode(spec);
    display = host.Open(modeName, world.Focus()->Interface());
  }
  ~DisplayFixture() {
    host.CloseAll();
    delete tetherData;
    tetherData = nullptr;
  }

  sim::World world;
  sim::DisplayHost host;
  sim::DisplayHost::Display *display = nullptr;
};

void BM_DisplayRedraw(benchmark::State &state) {
  DisplayFixture fixture;
  for (auto _ : state) fixture.host.Redraw(*fixture.display);
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("items: redraws");
}
BENCHMARK(BM_DisplayRedraw);

// PERIOD steps to the next link: the display consumes the key and asks to be drawn again.
void BM_DisplayKeyPress(benchmark::State &state) {
  DisplayFixture fixture;
  for (auto _ : state) benchmark::DoNotOptimize(fixture.display->Object()->ConsumeKeyBuffered(DIK_PERIOD));
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("items: keys");
}
BENCHMARK(BM_DisplayKeyPress);

// The key and the redraw the host then makes.
void BM_DisplayKeyPressAndRedraw(benchmark::State &state) {
  DisplayFixture fixture;
  for (auto _ : state) benchmark::DoNotOptimize(fixture.host.PressKey(*fixture.display, DIK_PERIOD));
  state.SetItemsProcessed(state.iterations());
  state.SetLabel("items: keys");
}
BENCHMARK(BM_DisplayKeyPressAndRedraw);

void BM_ScenarioBlockWrite(benchmark::State &state) {
  DisplayFixture fixture;
  size_t lines = 0;
  for (auto _ : state) {
    sim::ScenarioStream out;
    fixture.host.WriteStatus(*fixture.display, out.Handle());
    lines = out.Written().size();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines));
  state.SetLabel("items: lines");
}
BENCHMARK(BM_ScenarioBlockWrite);

// Reading the block re-ties all eight links, so each pass also connects and draws them anew.
void BM_ScenarioBlockRead(benchmark::State &state) {
  DisplayFixture fixture;
  sim::ScenarioStream out;
  fixture.host.WriteStatus(*fixture.display, out.Handle());
  const std::vector<std::string> block = out.Written();
  for (auto _ : state) {
    sim::ScenarioStream in(block);
    fixture.host.ReadStatus(*fixture.display, in.Handle());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(block.size()));
  state.SetLabel("items: lines");
}
BENCHMARK(BM_ScenarioBlockRead);

}  // namespace

}  // namespace kestrane
