// The core's side of the host API: every call of the adapter, on the current world, the current
// display host and the scenario stream behind a handle. A vessel handle is the sim::Vessel itself;
// thruster, propellant and dock handles are the vessel's objects. Without a current world every
// call does nothing and returns null or 0; a handle that is not a live object of the vessel it is
// passed to is refused in the same way.
#include <cstring>
#include <string>

#include "sim/api/CoreInterface.h"
#include "sim/display/DisplayHost.h"
#include "sim/scenario/ScenarioStream.h"
#include "sim/world/Vessel.h"
#include "sim/world/World.h"

using sim::CurrentWorld;
using sim::Vec3;
using sim::Vessel;
using sim::World;

namespace {

char emptyName[1] = {0};

Vessel *LiveVessel(void *handle) {
  World *world = CurrentWorld();
  auto *v = static_cast<Vessel *>(handle);
  return world != nullptr && world->IsLive(v) ? v : nullptr;
}

// A vessel whose interface the plug-in still holds: usable while the world lasts and until the
// vessel is deleted. The interface may outlive the world while a plug-in shuts down.
Vessel *Usable(void *vessel) {
  auto *v = static_cast<Vessel *>(vessel);
  return CurrentWorld() != nullptr && v != nullptr && !v->IsDeleted() ? v : nullptr;
}

Vec3 In(const double v[3]) { return {v[0], v[1], v[2]}; }

// The calls the plug-in makes every frame with vectors it has just stored, one double at a time,
// read them one double at a time too. GCC otherwise reads two at once with one 16-byte load, and
// a load that spans two recent stores cannot take its value from them: it waits until both have
// reached the cache, some tens of cycles per vector. The same values are read either way, so the
// results are the same bits.
#if defined(__GNUC__) && !defined(__clang__)
#define SCALAR_READS [[gnu::optimize("no-tree-slp-vectorize")]]
#else
#define SCALAR_READS
#endif

void Out(Vec3 v, double out[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}

sim::ScenarioStream *Stream(void *scn) { return scn ? sim::ScenarioStream::FromHandle(scn) : nullptr; }

void *VesselByName(const char *name) {
  World *world = CurrentWorld();
  return world == nullptr || name == nullptr ? nullptr : world->FindByNameBuffer(name);
}

void *VesselByIndex(int index) {
  World *world = CurrentWorld();
  return world == nullptr || index < 0 ? nullptr : world->VesselAt(static_cast<size_t>(index));
}

uint32_t VesselCount() {
  World *world = CurrentWorld();
  return world == nullptr ? 0 : static_cast<uint32_t>(world->VesselCount());
}

int IsVessel(void *vessel) { return LiveVessel(vessel) != nullptr ? 1 : 0; }

void *FocusVessel() {
  World *world = CurrentWorld();
  return world == nullptr ? nullptr : world->Focus();
}

void *VesselInterface(void *vessel) {
  Vessel *v = LiveVessel(vessel);
  return v == nullptr ? nullptr : v->Interface();
}

void *RegisterExhaustTexture(const char *name) {
  World *world = CurrentWorld();
  return world == nullptr || name == nullptr ? nullptr : world->RegisterExhaustTexture(name);
}

double SimStep() {
  World *world = CurrentWorld();
  return world == nullptr ? 0.0 : world->step;
}

char *VesselName(void *vessel) {
  Vessel *v = Usable(vessel);
  return v == nullptr ? emptyName : v->NameBuffer();
}

void GlobalPos(void *vessel, double pos[3]) {
  Vessel *v = Usable(vessel);
  Out(v == nullptr ? Vec3{} : v->pos, pos);
}

void RotationMatrix(void *vessel, double rotation[9]) {
  Vessel *v = Usable(vessel);
  static const sim::Mat3 identity;
  // Both lay the matrix out row by row.
  static_assert(sizeof identity.m == 9 * sizeof(double), "a matrix is nine doubles");
  std::memcpy(rotation, v == nullptr ? identity.m : v->rot.m, sizeof identity.m);
}

SCALAR_READS void AddForce(void *vessel, const double force[3], const double point[3]) {
  Vessel *v = Usable(vessel);
  if (v == nullptr) return;
  // Read once, and recorded field by field: a copy of a record just put together on the stack
  // would be the same wait.
  const Vec3 f = In(force), p = In(point);
  v->AddForce(f, p);
  CurrentWorld()->RecordPluginForce(v, f, p);
}

uint32_t DockCount(void *vessel) {
  Vessel *v = Usable(vessel);
  return v == nullptr ? 0 : static_cast<uint32_t>(v->docks.size());
}

void *DockHandle(void *vessel, uint32_t index) {
  Vessel *v = Usable(vessel);
  return v != nullptr && index < v->docks.size() ? &v->docks[index] : nullptr;
}

void DockParams(void *vessel, void *dock, double pos[3], double dir[3], double rot[3]) {
  Out({}, pos);
  Out({}, dir);
  Out({}, rot);
  Vessel *v = Usable(vessel);
  if (v == nullptr) return;
  for (const sim::DockingPort &port : v->docks) {
    if (&port != dock) continue;
    Out(port.pos, pos);
    Out(port.dir, dir);
    Out(port.rot, rot);
    return;
  }
}

uint32_t AttachmentCount(void *vessel, int toParent) {
  Vessel *v = Usable(vessel);
  // The simulated host keeps only attachment points to children; no vessel has a parent point.
  return v == nullptr || toParent != 0 ? 0 : static_cast<uint32_t>(v->attachments.size());
}

void *CreatePropellant(void *vessel, double maxMass, double mass, double efficiency) {
  Vessel *v = Usable(vessel);
  return v == nullptr ? nullptr : v->CreatePropellant(maxMass, mass, efficiency);
}

int DeletePropellant(void *vessel, void *propellant) {
  Vessel *v = Usable(vessel);
  return v != nullptr && v->DeletePropellant(static_cast<sim::Propellant *>(propellant)) ? 1 : 0;
}

double PropellantMass(void *vessel, void *propellant) {
  Vessel *v = Usable(vessel);
  auto *p = static_cast<sim::Propellant *>(propellant);
  return v != nullptr && v->HasPropellant(p) ? p->mass : 0.0;
}

void SetPropellantMass(void *vessel, void *propellant, double mass) {
  if (Vessel *v = Usable(vessel)) v->SetPropellantMass(static_cast<sim::Propellant *>(propellant), mass);
}

void *CreateThruster(void *vessel, const double pos[3], const double dir[3], double maxThrust, void *propellant,
                     double isp, double ispRef, double pRef) {
  Vessel *v = Usable(vessel);
  if (v == nullptr) return nullptr;
  sim::Thruster t;
  t.pos = In(pos);
  t.dir = In(dir);
  t.maxThrust = maxThrust;
  t.propellant = static_cast<sim::Propellant *>(propellant);
  t.isp = isp;
  t.ispRef = ispRef;
  t.pRef = pRef;
  return v->CreateThruster(t);
}

int DeleteThruster(void *vessel, void *thruster) {
  Vessel *v = Usable(vessel);
  return v != nullptr && v->DeleteThruster(static_cast<sim::Thruster *>(thruster)) ? 1 : 0;
}

void SetThrusterLevel(void *vessel, void *thruster, double level) {
  if (Vessel *v = Usable(vessel)) v->SetThrusterLevel(static_cast<sim::Thruster *>(thruster), level);
}

SCALAR_READS uint32_t AddExhaust(void *vessel, void *thruster, double lscale, double wscale, const double pos[3],
                                 const double dir[3], void *texture) {
  Vessel *v = Usable(vessel);
  if (v == nullptr) return 0;
  // Filled in place, as AddForce reads: no stream is put together on the stack to be copied.
  sim::Exhaust *e = v->NewExhaust(static_cast<sim::Thruster *>(thruster));
  if (e == nullptr) return 0;
  e->lscale = lscale;
  e->wscale = wscale;
  e->pos = In(pos);
  e->dir = In(dir);
  e->texture = texture;
  return e->id;
}

int DeleteExhaust(void *vessel, uint32_t id) {
  Vessel *v = Usable(vessel);
  return v != nullptr && v->DeleteExhaust(id) ? 1 : 0;
}

int RegisterMode(const char *name, uint32_t key, void *context, KestraneMessageProc proc) {
  sim::DisplayHost *host = sim::CurrentDisplayHost();
  if (host == nullptr) return -1;
  MFDMODESPECEX spec;
  // The display host copies the name; it never writes through the pointer.
  spec.name = const_cast<char *>(name);
  spec.key = key;
  spec.context = context;
  spec.msgproc = reinterpret_cast<OAPI_MSGTYPE (*)(UINT, UINT, WPARAM, LPARAM)>(proc);
  return host->RegisterMode(spec);
}

int UnregisterMode(int id) {
  sim::DisplayHost *host = sim::CurrentDisplayHost();
  return host != nullptr && host->UnregisterMode(id) ? 1 : 0;
}

void InvalidateDisplay(void *display) {
  if (display != nullptr) sim::DisplayHost::Invalidate(*static_cast<sim::DisplayHost::Display *>(display));
}

void WriteScenarioString(void *scn, const char *item, const char *value) {
  if (sim::ScenarioStream *stream = Stream(scn)) stream->WriteText(item, value);
}

void WriteScenarioInt(void *scn, const char *item, int value) {
  if (sim::ScenarioStream *stream = Stream(scn)) stream->WriteInteger(item, value);
}

void WriteScenarioFloat(void *scn, const char *item, double value) {
  if (sim::ScenarioStream *stream = Stream(scn)) stream->WriteReal(item, value);
}

void WriteScenarioVector(void *scn, const char *item, const double value[3]) {
  if (sim::ScenarioStream *stream = Stream(scn)) stream->WriteVector(item, value);
}

int ReadScenarioLine(void *scn, char **line) {
  sim::ScenarioStream *stream = Stream(scn);
  return stream != nullptr && stream->NextLine(*line) ? 1 : 0;
}

// Filled by name, so that no entry can land in another's slot; a constant, so it is ready before any
// code runs.
constexpr KestraneCore Table() {
  KestraneCore table{};
  table.vesselByName = VesselByName;
  table.vesselByIndex = VesselByIndex;
  table.vesselCount = VesselCount;
  table.isVessel = IsVessel;
  table.focusVessel = FocusVessel;
  table.vesselInterface = VesselInterface;
  table.registerExhaustTexture = RegisterExhaustTexture;
  table.simStep = SimStep;
  table.vesselName = VesselName;
  table.globalPos = GlobalPos;
  table.rotationMatrix = RotationMatrix;
  table.addForce = AddForce;
  table.dockCount = DockCount;
  table.dockHandle = DockHandle;
  table.dockParams = DockParams;
  table.attachmentCount = AttachmentCount;
  table.createPropellant = CreatePropellant;
  table.deletePropellant = DeletePropellant;
  table.propellantMass = PropellantMass;
  table.setPropellantMass = SetPropellantMass;
  table.createThruster = CreateThruster;
  table.deleteThruster = DeleteThruster;
  table.setThrusterLevel = SetThrusterLevel;
  table.addExhaust = AddExhaust;
  table.deleteExhaust = DeleteExhaust;
  table.registerMode = RegisterMode;
  table.unregisterMode = UnregisterMode;
  table.invalidateDisplay = InvalidateDisplay;
  table.writeScenarioString = WriteScenarioString;
  table.writeScenarioInt = WriteScenarioInt;
  table.writeScenarioFloat = WriteScenarioFloat;
  table.writeScenarioVector = WriteScenarioVector;
  table.readScenarioLine = ReadScenarioLine;
  return table;
}

}  // namespace

const KestraneCore kestraneCoreTable = Table();
