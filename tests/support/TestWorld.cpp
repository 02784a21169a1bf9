#include "support/TestWorld.h"

sim::Vessel *WorldTest::AddVessel(const char *name, sim::Vec3 pos, double mass) {
  sim::Vessel *v = world.CreateVessel(name);
  EXPECT_NE(v, nullptr) << name;
  v->dryMass = mass;
  v->pos = pos;
  if (world.Focus() == nullptr) world.SetFocus(v);
  return v;
}
