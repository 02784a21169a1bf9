// The host API functions and the VESSEL interface, on the current world. A vessel handle
// (OBJHANDLE) is the sim::Vessel itself; thruster, propellant and dock handles are the host's
// objects. Without a current world every call does nothing and returns null or 0; a handle that is
// not a live object of the vessel it is passed to is refused in the same way.
#include "host/VesselAPI.h"
#include "sim/world/Vessel.h"
#include "sim/world/World.h"

using sim::CurrentWorld;
using sim::Vessel;
using sim::World;

namespace {

Vessel *LiveVessel(OBJHANDLE handle) {
  World *world = CurrentWorld();
  auto *v = static_cast<Vessel *>(handle);
  return world != nullptr && world->IsLive(v) ? v : nullptr;
}

char emptyName[1] = {0};

bool Retired(const Vessel *v) { return v == nullptr || v->IsDeleted(); }

}  // namespace

OBJHANDLE oapiGetVesselByName(char *name) {
  World *world = CurrentWorld();
  if (world == nullptr || name == nullptr) return nullptr;
  return world->FindByName(name);
}

OBJHANDLE oapiGetVesselByIndex(int index) {
  World *world = CurrentWorld();
  if (world == nullptr || index < 0) return nullptr;
  return world->VesselAt(static_cast<size_t>(index));
}

DWORD oapiGetVesselCount() {
  World *world = CurrentWorld();
  return world == nullptr ? 0 : static_cast<DWORD>(world->VesselCount());
}

OBJHANDLE oapiGetFocusObject() {
  World *world = CurrentWorld();
  return world == nullptr ? nullptr : world->Focus();
}

VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel) {
  Vessel *v = LiveVessel(hVessel);
  return v == nullptr ? nullptr : v->Interface();
}

SURFHANDLE oapiRegisterExhaustTexture(char *name) {
  World *world = CurrentWorld();
  if (world == nullptr || name == nullptr) return nullptr;
  return world->RegisterExhaustTexture(name);
}

double oapiGetSimStep() {
  World *world = CurrentWorld();
  return world == nullptr ? 0.0 : world->step;
}


// Each method checks for a world before it touches its vessel: a plug-in that outlives the world
// may still call its interfaces while it shuts down.
VESSEL::VESSEL(sim::Vessel *v) : vessel(v) {}

char *VESSEL::GetName() const {
  if (!CurrentWorld() || Retired(vessel)) return emptyName;
  return vessel->NameBuffer();
}

void VESSEL::GetGlobalPos(VECTOR3 &pos) const {
  pos = sim::ToHost(sim::Vec3{});
  if (!CurrentWorld() || Retired(vessel)) return;
  pos = sim::ToHost(vessel->pos);
}

void VESSEL::GetRotationMatrix(MATRIX3 &R) const {
  R = sim::ToHost(sim::Mat3{});
  if (!CurrentWorld() || Retired(vessel)) return;
  R = sim::ToHost(vessel->rot);
}

void VESSEL::AddForce(const VECTOR3 &F, const VECTOR3 &r) const {
  if (!CurrentWorld() || Retired(vessel)) return;
  vessel->AddForce(sim::FromHost(F), sim::FromHost(r));
  CurrentWorld()->RecordPluginForce(vessel, sim::FromHost(F), sim::FromHost(r));
}

UINT VESSEL::DockCount() const {
  if (!CurrentWorld() || Retired(vessel)) return 0;
  return static_cast<UINT>(vessel->docks.size());
}

DOCKHANDLE VESSEL::GetDockHandle(UINT n) const {
  if (!CurrentWorld() || Retired(vessel)) return nullptr;
  return n < vessel->docks.size() ? &vessel->docks[n] : nullptr;
}

void VESSEL::GetDockParams(DOCKHANDLE dock, VECTOR3 &pos, VECTOR3 &dir, VECTOR3 &rot) const {
  pos = dir = rot = sim::ToHost(sim::Vec3{});
  if (!CurrentWorld() || Retired(vessel)) return;
  for (const sim::DockingPort &port : vessel->docks) {
    if (&port != dock) continue;
    pos = sim::ToHost(port.pos);
    dir = sim::ToHost(port.dir);
    rot = sim::ToHost(port.rot);
    return;
  }
}

DWORD VESSEL::AttachmentCount(bool toparent) const {
  if (!CurrentWorld() || Retired(vessel)) return 0;
  // The simulated host keeps only attachment points to children; no vessel has a parent point.
  return toparent ? 0 : static_cast<DWORD>(vessel->attachments.size());
}

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass, double efficiency) const {
  if (!CurrentWorld() || Retired(vessel)) return nullptr;
  return vessel->CreatePropellant(maxmass, mass, efficiency);
}

void VESSEL::DelPropellantResource(PROPELLANT_HANDLE &ph) const {
  if (!CurrentWorld() || Retired(vessel)) return;
  if (vessel->DeletePropellant(static_cast<sim::Propellant *>(ph))) ph = nullptr;
}

double VESSEL::GetPropellantMass(PROPELLANT_HANDLE ph) const {
  if (!CurrentWorld() || Retired(vessel)) return 0.0;
  auto *p = static_cast<sim::Propellant *>(ph);
  return vessel->HasPropellant(p) ? p->mass : 0.0;
}

void VESSEL::SetPropellantMass(PROPELLANT_HANDLE ph, double mass) const {
  if (!CurrentWorld() || Retired(vessel)) return;
  vessel->SetPropellantMass(static_cast<sim::Propellant *>(ph), mass);
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0, PROPELLANT_HANDLE hp,
                                       double isp0, double isp_ref, double p_ref) const {
  if (!CurrentWorld() || Retired(vessel)) return nullptr;
  sim::Thruster t;
  t.pos = sim::FromHost(pos);
  t.dir = sim::FromHost(dir);
  t.maxThrust = maxth0;
  t.propellant = static_cast<sim::Propellant *>(hp);
  t.isp = isp0;
  t.ispRef = isp_ref;
  t.pRef = p_ref;
  return vessel->CreateThruster(t);
}

bool VESSEL::DelThruster(THRUSTER_HANDLE &th) const {
  if (!CurrentWorld() || Retired(vessel)) return false;
  if (!vessel->DeleteThruster(static_cast<sim::Thruster *>(th))) return false;
  th = nullptr;
  return true;
}

void VESSEL::SetThrusterLevel(THRUSTER_HANDLE th, double level) const {
  if (!CurrentWorld() || Retired(vessel)) return;
  vessel->SetThrusterLevel(static_cast<sim::Thruster *>(th), level);
}

UINT VESSEL::AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, const VECTOR3 &pos, const VECTOR3 &dir,
                        SURFHANDLE tex) const {
  if (!CurrentWorld() || Retired(vessel)) return 0;
  sim::Exhaust e;
  e.thruster = static_cast<sim::Thruster *>(th);
  e.lscale = lscale;
  e.wscale = wscale;
  e.pos = sim::FromHost(pos);
  e.dir = sim::FromHost(dir);
  e.texture = tex;
  return vessel->AddExhaust(e);
}

bool VESSEL::DelExhaust(UINT idx) const {
  if (!CurrentWorld() || Retired(vessel)) return false;
  return vessel->DeleteExhaust(idx);
}
