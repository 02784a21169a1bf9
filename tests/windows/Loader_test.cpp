// The module under the Windows loader, in a host program named as the real one: the loader maps
// Kestrane.dll, binds its imports to this program's exports and calls its entry.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "NativePath.h"
#include "sim/display/DisplayHost.h"
#include "sim/run/ModuleLoader.h"
#include "sim/run/Simulation.h"
#include "sim/world/World.h"

namespace {

void *Export(HMODULE module, const char *name) {
  return reinterpret_cast<void *>(GetProcAddress(module, name));
}

template <typename Function>
void *Address(Function function) {
  return reinterpret_cast<void *>(function);
}

TEST(RealLoader, EntryRunsOnLoadAndTheTableHoldsThreeCallbacksAndTwoNulls) {
  sim::World world;
  sim::DisplayHost displays;
  std::string error;
  std::unique_ptr<sim::PluginModule> module = sim::PluginModule::Load(NativePath(KESTRANE_MODULE), error);
  ASSERT_NE(module, nullptr) << error;

  HMODULE handle = GetModuleHandleA("Kestrane.dll");
  ASSERT_NE(handle, nullptr);
  // The table the module returns, slot by slot, as the classic host reads it.
  using GetInterface = void *const *(*)();
  auto getInterface = reinterpret_cast<GetInterface>(Export(handle, "__opcGetInterface"));
  ASSERT_NE(getInterface, nullptr);
  void *const *table = getInterface();
  ASSERT_NE(Export(handle, "opcTimestep"), nullptr);
  EXPECT_EQ(table[0], Export(handle, "opcOpenRenderViewport"));
  EXPECT_EQ(table[1], Export(handle, "opcCloseRenderViewport"));
  EXPECT_EQ(table[2], Export(handle, "opcTimestep"));
  EXPECT_EQ(table[3], nullptr);
  EXPECT_EQ(table[4], nullptr);
  const sim::ModuleCallbacks &callbacks = module->Callbacks();
  EXPECT_EQ(Address(callbacks.timestep), Export(handle, "opcTimestep"));
  EXPECT_EQ(Address(callbacks.preStep), nullptr) << "the classic host steps with opcTimestep alone";

  // The attach notification called opcDLLInit, whose registration reached this program's host.
  ASSERT_EQ(displays.ModeCount(), 1u);
  EXPECT_EQ(displays.ModeAt(0).Name(), "Kestrane");
  EXPECT_EQ(displays.ModeAt(0).Key(), 20u);

  module.reset();
  EXPECT_EQ(GetModuleHandleA("Kestrane.dll"), nullptr) << "the host unloads the module";
}

// The modern host under the real loader: the loader's notification has initialised the module by the
// time the host calls opcDLLInit by name, and the host's exit comes before the loader's. The host
// still lists the mode once and finds it gone after the unload.
TEST(RealLoader, TheModernHostsOwnInitAndExitLeaveOneModeAndNothingBehind) {
  sim::World world;
  sim::DisplayHost displays;
  std::string error;
  std::unique_ptr<sim::PluginModule> module = sim::PluginModule::Load(
      NativePath(KESTRANE_MODULE), sim::HostGeneration::Modern, sim::StepCallbacks::Host, error);
  ASSERT_NE(module, nullptr) << error;
  EXPECT_EQ(displays.ModeCount(), 1u);
  EXPECT_NE(module->Callbacks().preStep, nullptr);
  EXPECT_EQ(module->Callbacks().timestep, nullptr) << "the modern host never calls opcTimestep";
  ASSERT_NE(displays.Open("Kestrane", nullptr, &error), nullptr) << error;

  module.reset();
  EXPECT_EQ(displays.ModeCount(), 0u);
  EXPECT_EQ(displays.DisplayCount(), 0u) << "the module closed its display before it went";
  EXPECT_EQ(GetModuleHandleA("Kestrane.dll"), nullptr);
}

// The tug scenario's keys, under the real loader: the display draws through GDI and the host reads
// the same screen as on Linux.
TEST(RealLoader, TheModuleConnectsReelsAndDrawsItsScreen) {
  sim::Simulation::Options options;
  options.scenarioPath = NativePath(std::string(KESTRANE_SCENARIOS) + "/tug.scn");
  options.pluginPath = NativePath(KESTRANE_MODULE);
  sim::Simulation run(options);

  // A frame apart, as a pilot presses them: each key finds the display its predecessor redrew.
  for (const DWORD key : {OAPI_KEY_MINUS, OAPI_KEY_A, OAPI_KEY_J, OAPI_KEY_I}) run.Frame({key});
  for (int i = 0; i < 47; ++i) run.Frame();

  const std::vector<sim::TetherSample> tethers = run.Tethers();
  ASSERT_EQ(tethers.size(), 8u);
  EXPECT_EQ(tethers[0].connected, 1);
  EXPECT_EQ(tethers[0].ship1, "Tug");
  EXPECT_EQ(tethers[0].ship2, "Pod");
  EXPECT_EQ(tethers[0].reelSpeed, -0.1);
  EXPECT_GT(tethers[0].pull, 0.0) << "the pod drifts away: the tether is taut";

  run.RedrawDisplays();
  sim::DisplayHost::Display *display = run.FirstDisplay();
  ASSERT_NE(display, nullptr);
  const std::vector<std::string> rows = display->Surface().Rows();
  ASSERT_GE(rows.size(), 14u);
  EXPECT_EQ(rows[0], "Kestrane");
  EXPECT_EQ(rows[3], "Target Ship : Pod at CoG");
  EXPECT_EQ(rows[4], "Length      : 1500.0 m");
  EXPECT_EQ(rows[13], "Status  : Reeling");
}

}  // namespace
