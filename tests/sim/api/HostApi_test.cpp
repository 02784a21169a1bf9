#include <gtest/gtest.h>

#include <cstring>

#include "host/VesselAPI.h"
#include "sim/api/CoreInterface.h"
#include "sim/world/World.h"

using sim::World;

namespace {

VECTOR3 V(double x, double y, double z) {
  VECTOR3 v;
  v.x = x;
  v.y = y;
  v.z = z;
  return v;
}

char *Name(const char *text) {
  static char buffer[64];
  std::strncpy(buffer, text, sizeof buffer - 1);
  return buffer;
}

}  // namespace

TEST(HostApiWithoutWorld, EverythingIsNullOrZero) {
  ASSERT_EQ(sim::CurrentWorld(), nullptr);
  EXPECT_EQ(oapiGetVesselByName(Name("Tug")), nullptr);
  EXPECT_EQ(oapiGetVesselByIndex(0), nullptr);
  EXPECT_EQ(oapiGetVesselCount(), 0u);
  EXPECT_EQ(oapiGetFocusObject(), nullptr);
  EXPECT_EQ(oapiGetVesselInterface(nullptr), nullptr);
  EXPECT_EQ(oapiRegisterExhaustTexture(Name("TetherTaut")), nullptr);
  EXPECT_EQ(oapiGetSimStep(), 0.0);

  // An interface of a vessel outside any world does nothing.
  sim::Vessel loose("Loose", "Generic");
  VESSEL *iface = loose.Interface();
  EXPECT_EQ(iface->CreatePropellantResource(2.0), nullptr);
  iface->AddForce(V(1, 0, 0), V(0, 0, 0));
  EXPECT_EQ(loose.forceSum.x, 0.0);
  EXPECT_STREQ(iface->GetName(), "");
}

TEST(HostApiLookup, VesselsByNameIndexAndFocus) {
  World world;
  world.step = 0.05;
  sim::Vessel *tug = world.CreateVessel("Tug");
  sim::Vessel *target = world.CreateVessel("Target");
  OBJHANDLE hTug = oapiGetVesselByName(Name("tUg"));
  EXPECT_EQ(hTug, static_cast<OBJHANDLE>(tug));
  EXPECT_EQ(oapiGetVesselByName(Name("Nobody")), nullptr);
  EXPECT_EQ(oapiGetVesselByName(nullptr), nullptr);
  EXPECT_EQ(oapiGetVesselCount(), 2u);
  EXPECT_EQ(oapiGetVesselByIndex(1), static_cast<OBJHANDLE>(target));
  EXPECT_EQ(oapiGetVesselByIndex(2), nullptr);
  EXPECT_EQ(oapiGetVesselByIndex(-1), nullptr);
  EXPECT_EQ(oapiGetFocusObject(), static_cast<OBJHANDLE>(tug));
  EXPECT_EQ(oapiGetSimStep(), 0.05);

  // One interface per vessel, the same at every lookup, naming its vessel.
  VESSEL *iface = oapiGetVesselInterface(hTug);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(oapiGetVesselInterface(oapiGetVesselByIndex(0)), iface);
  EXPECT_STREQ(iface->GetName(), "Tug");
  EXPECT_EQ(oapiGetVesselInterface(nullptr), nullptr);
  int notAVessel = 0;
  EXPECT_EQ(oapiGetVesselInterface(&notAVessel), nullptr);

  SURFHANDLE taut = oapiRegisterExhaustTexture(Name("TetherTaut"));
  EXPECT_NE(taut, nullptr);
  EXPECT_EQ(oapiRegisterExhaustTexture(Name("TetherTaut")), taut);
  EXPECT_NE(oapiRegisterExhaustTexture(Name("Tether2")), taut);
  EXPECT_EQ(oapiRegisterExhaustTexture(nullptr), nullptr);
}

TEST(HostApiLookup, DeletedVesselNoLongerResolvesAndItsInterfaceIsInert) {
  World world;
  sim::Vessel *tug = world.CreateVessel("Tug");
  sim::Vessel *gone = world.CreateVessel("Gone");
  VESSEL *kept = gone->Interface();
  PROPELLANT_HANDLE tank = kept->CreatePropellantResource(2.0);
  THRUSTER_HANDLE th = kept->CreateThruster(V(0, 0, 0), V(0, 0, 1), 0.01, tank, 1e5);
  UINT stream = kept->AddExhaust(th, 10, 1, V(0, 0, 0), V(0, 0, 1));
  ASSERT_NE(stream, 0u);

  world.DeleteVessel(gone);
  EXPECT_EQ(oapiGetVesselByName(Name("Gone")), nullptr);
  EXPECT_EQ(oapiGetVesselInterface(gone), nullptr);
  EXPECT_EQ(oapiGetVesselCount(), 1u);
  EXPECT_EQ(oapiGetVesselByIndex(0), static_cast<OBJHANDLE>(tug));

  // What a plug-in still holding the interface may call: nothing happens, nothing breaks.
  EXPECT_FALSE(kept->DelExhaust(stream));
  EXPECT_FALSE(kept->DelThruster(th));
  EXPECT_NE(th, nullptr);
  kept->DelPropellantResource(tank);
  EXPECT_NE(tank, nullptr);
  kept->AddForce(V(1, 0, 0), V(0, 0, 0));
  EXPECT_EQ(kept->GetPropellantMass(tank), 0.0);
  EXPECT_EQ(kept->DockCount(), 0u);
  EXPECT_STREQ(kept->GetName(), "");
  VECTOR3 pos = V(7, 7, 7);
  kept->GetGlobalPos(pos);
  EXPECT_EQ(pos.x, 0.0);
  world.Frame(nullptr);
}

TEST(HostApiVessel, PositionRotationAndForcesInTheVesselFrame) {
  World world;
  world.step = 1.0;
  sim::Vessel *v = world.CreateVessel("Tug");
  v->dryMass = 2;
  v->pos = {1, -2, 3};
  v->rot = sim::AxisRotation(2, PI / 2);  // vessel x along global y
  VESSEL *iface = v->Interface();

  VECTOR3 pos;
  iface->GetGlobalPos(pos);
  EXPECT_EQ(pos.x, 1.0);
  EXPECT_EQ(pos.y, -2.0);
  EXPECT_EQ(pos.z, 3.0);

  // Row by row: m21 is row 2, column 1, so R·(1, 0, 0) = (m11, m21, m31) = (0, 1, 0).
  MATRIX3 R;
  iface->GetRotationMatrix(R);
  EXPECT_NEAR(R.m11, 0.0, 1e-15);
  EXPECT_NEAR(R.m12, -1.0, 1e-15);
  EXPECT_NEAR(R.m21, 1.0, 1e-15);
  EXPECT_NEAR(R.m22, 0.0, 1e-15);
  EXPECT_EQ(R.m33, 1.0);

  // 4 N along the vessel's x axis through the centre: 2 m/s² along global y, this frame only.
  world.Frame([&] { iface->AddForce(V(4, 0, 0), V(0, 0, 0)); });
  world.Frame(nullptr);
  EXPECT_NEAR(v->vel.x, 0.0, 1e-15);
  EXPECT_NEAR(v->vel.y, 2.0, 1e-15);
}

// The forces a plug-in adds: summed into each vessel's force and torque about its centre, and
// listed in the order added with their vessel, force and point, as the samples attribute them.
TEST(HostApiVessel, AddedForcesAreSummedAndListedInOrder) {
  World world;
  sim::Vessel *a = world.CreateVessel("A");
  sim::Vessel *b = world.CreateVessel("B");
  for (int frame = 0; frame < 3; ++frame) {
    world.ClearPluginForces();
    a->Interface()->AddForce(V(1.5, -2, 0.25), V(0, 3, 0));
    b->Interface()->AddForce(V(-1.5, 2, -0.25), V(0.5, 0, 0));
    a->Interface()->AddForce(V(0, 0, 4), V(1, 0, 0));
    const std::vector<World::AppliedForce> &listed = world.PluginForces();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].vessel, a);
    EXPECT_EQ(listed[1].vessel, b);
    EXPECT_EQ(listed[2].vessel, a);
    EXPECT_EQ(listed[0].force.x, 1.5);
    EXPECT_EQ(listed[0].force.y, -2.0);
    EXPECT_EQ(listed[0].force.z, 0.25);
    EXPECT_EQ(listed[1].point.x, 0.5);
    EXPECT_EQ(listed[2].force.z, 4.0);
    EXPECT_EQ(listed[2].point.x, 1.0);
    // (1.5, -2, 0.25) + (0, 0, 4); torque (0, 3, 0) x (1.5, -2, 0.25) + (1, 0, 0) x (0, 0, 4).
    EXPECT_EQ(a->forceSum.x, 1.5);
    EXPECT_EQ(a->forceSum.y, -2.0);
    EXPECT_EQ(a->forceSum.z, 4.25);
    EXPECT_EQ(a->torqueSum.x, 0.75);
    EXPECT_EQ(a->torqueSum.y, -4.0);
    EXPECT_EQ(a->torqueSum.z, -4.5);
    world.Frame(nullptr);  // integrates and clears the sums
    EXPECT_EQ(a->forceSum.z, 0.0);
  }
  world.ClearPluginForces();
  EXPECT_TRUE(world.PluginForces().empty());
}

TEST(HostApiVessel, DockingPortsAndAttachmentPoints) {
  World world;
  sim::Vessel *v = world.CreateVessel("Tug");
  sim::Vessel *other = world.CreateVessel("Other");
  v->docks.push_back({{0, 0, 8}, {0, 0, 1}, {0, 1, 0}});
  v->docks.push_back({{0, 0, -8}, {0, 0, -1}, {1, 0, 0}});
  other->docks.push_back({{5, 5, 5}, {1, 0, 0}, {0, 1, 0}});
  v->attachments.push_back({{0, -2, 0}, {0, -1, 0}, {0, 0, 1}});
  VESSEL *iface = v->Interface();

  EXPECT_EQ(iface->DockCount(), 2u);
  EXPECT_EQ(iface->GetDockHandle(2), nullptr);
  DOCKHANDLE aft = iface->GetDockHandle(1);
  ASSERT_NE(aft, nullptr);
  VECTOR3 pos, dir, rot;
  iface->GetDockParams(aft, pos, dir, rot);
  EXPECT_EQ(pos.z, -8.0);
  EXPECT_EQ(dir.z, -1.0);
  EXPECT_EQ(rot.x, 1.0);

  // A port of another vessel is not this vessel's: zeros.
  iface->GetDockParams(other->Interface()->GetDockHandle(0), pos, dir, rot);
  EXPECT_EQ(pos.x, 0.0);
  EXPECT_EQ(dir.x, 0.0);

  EXPECT_EQ(iface->AttachmentCount(false), 1u);
  EXPECT_EQ(iface->AttachmentCount(true), 0u);
}

TEST(HostApiVessel, TetherObjectsAreCreatedInspectedAndRemoved) {
  World world;
  sim::Vessel *v = world.CreateVessel("Tug");
  sim::Vessel *other = world.CreateVessel("Other");
  VESSEL *iface = v->Interface();
  SURFHANDLE taut = oapiRegisterExhaustTexture(Name("TetherTaut"));

  PROPELLANT_HANDLE tank = iface->CreatePropellantResource(2.0, -1.0, 1.0);
  ASSERT_NE(tank, nullptr);
  EXPECT_EQ(iface->GetPropellantMass(tank), 2.0);
  THRUSTER_HANDLE t1 = iface->CreateThruster(V(1, 2, 3), V(0, 0, 1), 0.01, tank, 100000.0, 0.0, 101400.0);
  THRUSTER_HANDLE t2 = iface->CreateThruster(V(1, 2, 3), V(0, 0, -1), 0.01, tank, 100000.0, 0.0, 101400.0);
  ASSERT_EQ(v->Thrusters().size(), 2u);
  const sim::Thruster &made = *v->Thrusters()[1];
  EXPECT_EQ(static_cast<const void *>(&made), t2);
  EXPECT_EQ(made.pos.y, 2.0);
  EXPECT_EQ(made.dir.z, -1.0);
  EXPECT_EQ(made.maxThrust, 0.01);
  EXPECT_EQ(made.isp, 100000.0);
  EXPECT_EQ(made.pRef, 101400.0);
  EXPECT_EQ(static_cast<const void *>(made.propellant), tank);

  UINT id = iface->AddExhaust(t1, 1000.0, 1.25, V(1, 2, 3), V(0, 0.6, 0.8), taut);
  ASSERT_NE(id, 0u);
  const sim::Exhaust &stream = *v->FindExhaust(id);
  EXPECT_EQ(stream.lscale, 1000.0);
  EXPECT_EQ(stream.wscale, 1.25);
  EXPECT_EQ(static_cast<const void *>(stream.thruster), t1);
  EXPECT_EQ(stream.pos.x, 1.0);
  EXPECT_EQ(stream.pos.y, 2.0);
  EXPECT_EQ(stream.pos.z, 3.0);
  EXPECT_EQ(stream.dir.y, 0.6);
  EXPECT_EQ(stream.dir.z, 0.8);
  EXPECT_EQ(stream.texture, taut);
  EXPECT_EQ(world.TextureName(stream.texture), "TetherTaut");

  iface->SetThrusterLevel(t1, 1.0);
  iface->SetThrusterLevel(t2, 3.0);
  EXPECT_EQ(v->Thrusters()[1]->level, 1.0);
  iface->SetPropellantMass(tank, 0.999);
  EXPECT_EQ(iface->GetPropellantMass(tank), 0.999);
  iface->SetPropellantMass(tank, 5.0);
  EXPECT_EQ(iface->GetPropellantMass(tank), 2.0);

  // Handles of this vessel are refused by another vessel.
  VESSEL *otherIface = other->Interface();
  EXPECT_EQ(otherIface->GetPropellantMass(tank), 0.0);
  EXPECT_FALSE(otherIface->DelThruster(t1));
  EXPECT_NE(t1, nullptr);
  EXPECT_FALSE(otherIface->DelExhaust(id));
  EXPECT_EQ(otherIface->AddExhaust(t1, 1, 1, V(0, 0, 0), V(0, 0, 1)), 0u);
  EXPECT_TRUE(other->Exhausts().empty());  // a refused stream leaves nothing behind

  // Removal as a link does it: the resource, then both thrusters; every handle comes back null.
  iface->DelPropellantResource(tank);
  EXPECT_EQ(tank, nullptr);
  EXPECT_EQ(v->Thrusters()[0]->propellant, nullptr);
  EXPECT_TRUE(iface->DelThruster(t1));
  EXPECT_EQ(t1, nullptr);
  EXPECT_TRUE(v->Exhausts().empty());
  EXPECT_FALSE(iface->DelExhaust(id));
  EXPECT_TRUE(iface->DelThruster(t2));
  EXPECT_FALSE(iface->DelThruster(t2));
  EXPECT_TRUE(v->Thrusters().empty());
  EXPECT_TRUE(v->Propellants().empty());
}

// The two halves of the host reach each other only through their tables: a slot left empty would
// crash the first call that needs it, in whichever program first makes that call.
TEST(HostApiTables, EverySlotOfBothTablesIsFilled) {
  auto expectFilled = [](const auto &table, const char *name) {
    using Slot = void (*)();
    static_assert(sizeof table % sizeof(Slot) == 0, "a table holds only function pointers");
    Slot slots[sizeof table / sizeof(Slot)];
    std::memcpy(slots, &table, sizeof table);
    for (size_t i = 0; i < sizeof table / sizeof(Slot); ++i) EXPECT_NE(slots[i], nullptr) << name << " slot " << i;
  };
  expectFilled(kestraneCoreTable, "core");
  expectFilled(kestraneAdapterTable, "adapter");
  EXPECT_EQ(kestraneCore, &kestraneCoreTable);
  EXPECT_EQ(kestraneAdapter, &kestraneAdapterTable);
}
