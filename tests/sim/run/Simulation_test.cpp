// One run of the simulated host with the built plug-in module loaded, in this program.
#include "sim/run/Simulation.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <optional>
#include <string>
#include <vector>

#include "sim/cli/KeyNames.h"
#include "sim/run/Recorder.h"
#include "support/CountingNew.h"

namespace {

// pairs.scn: eight links pulling sixteen vessels at off-centre attach points, reeling and
// free-spooling. The host's frame, with the plug-in's step and the record of the forces it adds
// for the tether samples, allocates nothing once its lists have their size.
TEST(SimulationTest, FramesWithEightPullingTethersAllocateNothing) {
  sim::Simulation simulation({std::string(KESTRANE_TEST_SCENARIOS) + "/pairs.scn", KESTRANE_MODULE, {}});
  for (int i = 0; i < 5; ++i) simulation.Frame();
  // Stretched to 110 %, all eight pull.
  for (const sim::TetherSample &t : simulation.Tethers()) EXPECT_GT(t.pull, 0.0) << t.link;

  const long before = support::Allocations();
  for (int i = 0; i < 2000; ++i) simulation.Frame();
  EXPECT_EQ(support::Allocations() - before, 0);
}

// A whole run's frames as kestrane-sim runs them: every frame, the display's redraw once per
// simulated second and a sample of both CSV files every second, on the demo's reel-in in orbit
// (a tether that reels in, tanks that burn). Once warm, nothing is allocated.
TEST(SimulationTest, RunFramesWithRedrawsAndSamplesAllocateNothing) {
  const std::string dir = ::testing::TempDir();
  sim::Simulation simulation({std::string(KESTRANE_SCENARIOS) + "/tug.scn", KESTRANE_MODULE, {}});
  for (const char *key : {"MINUS", "A", "J", "I"}) simulation.PressKey(*sim::KeyCode(key));
  sim::Recorder recorder;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(recorder.Open(dir + "/alloc-tethers.csv", dir + "/alloc-vessels.csv", std::nullopt, notes, error))
      << error;
  // 50 frames of 0.02 s to the second.
  auto second = [&] {
    for (int i = 0; i < 50; ++i) simulation.Frame();
    simulation.RedrawDisplays();
    recorder.Sample(simulation);
  };
  for (int i = 0; i < 5; ++i) second();
  ASSERT_EQ(simulation.Tethers()[0].connected, 1);

  const long before = support::Allocations();
  for (int i = 0; i < 60; ++i) second();
  EXPECT_EQ(support::Allocations() - before, 0);
  EXPECT_FALSE(recorder.Failed());
  std::vector<std::string> errors;
  recorder.Close(errors);
  EXPECT_TRUE(errors.empty());
}

}  // namespace

#endif
