// A frame with connected tethers allocates nothing: not in the registry's step, not in the host
// calls it makes, not in the host's own frame. Every allocation of this test program goes through
// the counting operator new below.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "math/VecMath.h"
#include "plugin/TetherData.h"
#include "support/TestWorld.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

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
// These are the deallocation functions matching the operators above, both on malloc and free;
// the compiler's mismatch check cannot see that.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

class FrameAllocationTest : public WorldTest {
protected:
  // A hub with eight satellites 300 m out, each on its own link from one of the hub's points;
  // links alternate between holding, reeling in and free-spooling.
  void SetUp() override {
    AddVessel("Hub", {0, 0, 0}, 20000);
    for (int n = 0; n < TetherData::linkCount; ++n) {
      const std::string name = "Satellite-" + std::to_string(n);
      AddVessel(name.c_str(), {300.0 * (n % 2 ? 1 : -1), 40.0 * n, 5.0 * n}, 500);
      registry.TM[n]->Connect("Hub", name.c_str(), 290, 5000, MakeVector(0, 0.5 * n, 1), MakeVector(0, 0, -1));
      registry.TM[n]->reelSpeed = n % 3 == 1 ? -0.5 : 0.0;
      registry.TM[n]->spoolMode = n % 3 == 2 ? 1 : 0;
    }
  }

  // Allocations made by `frames` host frames, each with the registry's step.
  long AllocationsOver(int frames) {
    const long before = allocations.load();
    for (int i = 0; i < frames; ++i) world.Frame([this] { registry.TimeStep(); });
    return allocations.load() - before;
  }

  TetherData registry;
};

TEST_F(FrameAllocationTest, ConnectedLinksStepWithoutAllocating) {
  // The counter sees the host's allocations at all.
  const long atStart = allocations.load();
  AddVessel("Counted", {0, 1000, 0});
  ASSERT_GT(allocations.load(), atStart);

  // The first frames may size the host's lists of streams and forces once.
  AllocationsOver(5);
  EXPECT_EQ(AllocationsOver(2000), 0);
  for (int n = 0; n < TetherData::linkCount; ++n) EXPECT_EQ(registry.records[n].connected, 1) << n;

  // A link that comes loose and is tied again sizes nothing new either, once warm.
  registry.TM[3]->Disconnect();
  registry.TM[3]->Connect("Hub", "Satellite-3", 290, 5000, MakeVector(0, 0, 1), MakeVector(0, 0, -1));
  AllocationsOver(5);
  EXPECT_EQ(AllocationsOver(500), 0);
}

}  // namespace
