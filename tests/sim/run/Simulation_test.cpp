// One run of the simulated host with the built plug-in module loaded, in this program.
#include "sim/run/Simulation.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

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

}  // namespace

#endif
