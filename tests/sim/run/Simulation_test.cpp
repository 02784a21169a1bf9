// One run of the simulated host with the built plug-in module loaded, in this program.
#include "sim/run/Simulation.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "sim/cli/KeyNames.h"
#include "sim/run/Recorder.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

// Every allocation of this test program, and of the module it loads, is counted.
void *operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void *p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void *operator new[](std::size_t size, const std::nothrow_t &tag) noexcept { return operator new(size, tag); }
// The deallocation functions matching the operators above, both on malloc and free; the
// compiler's mismatch check cannot see that.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

// pairs.scn: eight links pulling sixteen vessels at off-centre attach points, reeling and
// free-spooling. The host's frame, with the plug-in's step and the record of the forces it adds
// for the tether samples, allocates nothing once its lists have their size.
TEST(SimulationTest, FramesWithEightPullingTethersAllocateNothing) {
  sim::Simulation simulation({std::string(KESTRANE_TEST_SCENARIOS) + "/pairs.scn", KESTRANE_MODULE, {}});
  for (int i = 0; i < 5; ++i) simulation.Frame();
  // Stretched to 110 %, all eight pull.
  for (const sim::TetherSample &t : simulation.Tethers()) EXPECT_GT(t.pull, 0.0) << t.link;

  const long before = allocations.load();
  for (int i = 0; i < 2000; ++i) simulation.Frame();
  EXPECT_EQ(allocations.load() - before, 0);
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

  const long before = allocations.load();
  for (int i = 0; i < 60; ++i) second();
  EXPECT_EQ(allocations.load() - before, 0);
  EXPECT_FALSE(recorder.Failed());
  std::vector<std::string> errors;
  recorder.Close(errors);
  EXPECT_TRUE(errors.empty());
}

}  // namespace

#endif
