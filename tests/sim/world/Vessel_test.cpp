#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "sim/world/Vessel.h"

using sim::Exhaust;
using sim::Propellant;
using sim::Thruster;
using sim::Vessel;

namespace {

Thruster MakeThruster(Propellant *p, sim::Vec3 dir = {0, 0, 1}) {
  Thruster t;
  t.pos = {1, 0, -2};
  t.dir = dir;
  t.maxThrust = 0.01;
  t.propellant = p;
  t.isp = 1e5;
  t.pRef = 101.4e3;
  return t;
}

Exhaust MakeExhaust(Thruster *t) {
  Exhaust e;
  e.thruster = t;
  e.lscale = 1000;
  e.wscale = 1.25;
  e.pos = {1, 0, -2};
  e.dir = {0, 1, 0};
  return e;
}

}  // namespace

TEST(VesselPropellant, CreationFillsAndClampsAndCountsInTheMass) {
  Vessel v("Tug", "Generic");
  v.dryMass = 1000;
  Propellant *full = v.CreatePropellant(2.0, -1.0, 1.0);
  Propellant *part = v.CreatePropellant(10.0, 4.0, 0.9);
  Propellant *over = v.CreatePropellant(3.0, 7.0, 1.0);
  EXPECT_EQ(full->mass, 2.0);
  EXPECT_EQ(part->mass, 4.0);
  EXPECT_EQ(part->efficiency, 0.9);
  EXPECT_EQ(over->mass, 3.0);
  EXPECT_EQ(v.Mass(), 1009.0);

  EXPECT_TRUE(v.SetPropellantMass(part, -5));
  EXPECT_EQ(part->mass, 0.0);
  EXPECT_TRUE(v.SetPropellantMass(part, 12));
  EXPECT_EQ(part->mass, 10.0);
  EXPECT_EQ(v.Propellants().size(), 3u);
}

TEST(VesselPropellant, DeletingAFeedingResourceLeavesItsThrustersWithoutPropellant) {
  Vessel v("Tug", "Generic");
  Vessel other("Other", "Generic");
  Propellant *tank = v.CreatePropellant(2.0, -1, 1);
  Propellant *spare = v.CreatePropellant(2.0, -1, 1);
  Thruster *a = v.CreateThruster(MakeThruster(tank));
  Thruster *b = v.CreateThruster(MakeThruster(spare));

  EXPECT_FALSE(other.DeletePropellant(tank));
  EXPECT_FALSE(other.SetPropellantMass(tank, 0.5));
  EXPECT_EQ(tank->mass, 2.0);

  EXPECT_TRUE(v.DeletePropellant(tank));
  EXPECT_FALSE(v.DeletePropellant(tank));
  EXPECT_FALSE(v.HasPropellant(tank));
  EXPECT_EQ(a->propellant, nullptr);
  EXPECT_EQ(b->propellant, spare);
  EXPECT_EQ(v.Propellants().size(), 1u);
  EXPECT_FALSE(v.SetPropellantMass(nullptr, 1.0));
}

TEST(VesselThrusters, KeepTheirValuesAndRefuseForeignHandles) {
  Vessel v("Tug", "Generic");
  Vessel other("Other", "Generic");
  Propellant *tank = v.CreatePropellant(2.0, -1, 1);
  Propellant *foreign = other.CreatePropellant(2.0, -1, 1);

  Thruster *t = v.CreateThruster(MakeThruster(tank, {0, 0, -3}));
  ASSERT_TRUE(v.HasThruster(t));
  EXPECT_EQ(t->dir.z, -1.0);
  EXPECT_EQ(t->propellant, tank);

  // Another vessel's tank is not connected.
  Thruster *cut = v.CreateThruster(MakeThruster(foreign));
  EXPECT_EQ(cut->propellant, nullptr);

  EXPECT_TRUE(v.SetThrusterLevel(t, 1.5));
  EXPECT_EQ(t->level, 1.0);
  EXPECT_TRUE(v.SetThrusterLevel(t, -0.5));
  EXPECT_EQ(t->level, 0.0);
  EXPECT_TRUE(v.SetThrusterLevel(t, std::nan("")));
  EXPECT_EQ(t->level, 0.0);
  EXPECT_FALSE(other.SetThrusterLevel(t, 1.0));
  EXPECT_FALSE(other.DeleteThruster(t));
  EXPECT_TRUE(v.HasThruster(t));
}

TEST(VesselExhausts, IdsAreUniqueAndDeletingAThrusterRemovesOnlyItsStreams) {
  Vessel v("Tug", "Generic");
  Vessel other("Other", "Generic");
  Propellant *tank = v.CreatePropellant(2.0, -1, 1);
  Thruster *a = v.CreateThruster(MakeThruster(tank));
  Thruster *b = v.CreateThruster(MakeThruster(tank, {0, 0, -1}));

  std::set<UINT> ids;
  for (int i = 0; i < 5; ++i) {
    UINT id = v.AddExhaust(MakeExhaust(a));
    EXPECT_NE(id, 0u);
    ids.insert(id);
  }
  UINT onB = v.AddExhaust(MakeExhaust(b));
  ids.insert(onB);
  EXPECT_EQ(ids.size(), 6u);
  EXPECT_EQ(ids.count(0), 0u);

  const Exhaust &kept = *v.FindExhaust(onB);
  EXPECT_EQ(kept.id, onB);
  EXPECT_EQ(kept.thruster, b);
  EXPECT_EQ(kept.lscale, 1000.0);
  EXPECT_EQ(kept.wscale, 1.25);
  EXPECT_EQ(kept.dir.y, 1.0);

  // Streams belong to a thruster of the same vessel.
  EXPECT_EQ(other.AddExhaust(MakeExhaust(a)), 0u);
  EXPECT_EQ(v.AddExhaust(MakeExhaust(nullptr)), 0u);
  EXPECT_FALSE(other.DeleteExhaust(onB));

  EXPECT_TRUE(v.DeleteThruster(a));
  EXPECT_FALSE(v.DeleteThruster(a));
  ASSERT_EQ(v.Exhausts().size(), 1u);
  EXPECT_EQ(v.Exhausts().front().id, onB);
  EXPECT_EQ(v.AddExhaust(MakeExhaust(a)), 0u);

  EXPECT_TRUE(v.DeleteExhaust(onB));
  EXPECT_FALSE(v.DeleteExhaust(onB));
  EXPECT_FALSE(v.DeleteExhaust(0));
  // A new stream does not reuse an id handed out before.
  UINT next = v.AddExhaust(MakeExhaust(b));
  EXPECT_EQ(ids.count(next), 0u);
}
