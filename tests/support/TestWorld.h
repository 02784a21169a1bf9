// A small world of vessels on the simulated host, for tests of the plug-in's code.
#pragma once

#include <gtest/gtest.h>

#include "sim/world/Vec3.h"
#include "sim/world/Vessel.h"
#include "sim/world/World.h"

class WorldTest : public ::testing::Test {
protected:
  // A vessel at `pos` (global, m), at rest and unrotated; the first one added gets the focus.
  sim::Vessel *AddVessel(const char *name, sim::Vec3 pos, double mass = 1000.0);
  // The host interface of a vessel, as the plug-in sees it.
  static VESSEL *Iface(sim::Vessel *v) { return v->Interface(); }

  sim::World world;
};
