// A frame with connected tethers allocates nothing: not in the registry's step, not in the host
// calls it makes, not in the host's own frame. Every allocation of this test program goes through
// the counting operator new of support/CountingNew.cpp.
#include <gtest/gtest.h>

#include <string>

#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"
#include "support/CountingNew.h"
#include "support/TestWorld.h"

namespace kestrane {

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
      registry.TM[n]->spoolMode = n % 3 == 2 ? SpoolMode::FreeSpooling : SpoolMode::Powered;
    }
  }

  // Allocations made by `frames` host frames, each with the registry's step.
  long AllocationsOver(int frames) {
    const long before = support::Allocations();
    for (int i = 0; i < frames; ++i) world.Frame([this] { registry.TimeStep(); });
    return support::Allocations() - before;
  }

  TetherData registry;
};

TEST_F(FrameAllocationTest, ConnectedLinksStepWithoutAllocating) {
  // The counter sees the host's allocations at all.
  const long atStart = support::Allocations();
  AddVessel("Counted", {0, 1000, 0});
  ASSERT_GT(support::Allocations(), atStart);

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

}  // namespace kestrane
