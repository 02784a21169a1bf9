// The host API functions and the VESSEL interface: each a direct forward to the core. A vessel
// handle (OBJHANDLE) is the core's vessel; a VESSEL holds it and is made by the core's request
// when the vessel is created.
#include "Orbitersdk.h"
#include "sim/api/Adapter.h"

OBJHANDLE oapiGetVesselByName(char *name) { return kestraneCore->vesselByName(name); }

OBJHANDLE oapiGetVesselByIndex(int index) { return kestraneCore->vesselByIndex(index); }

DWORD oapiGetVesselCount() { return kestraneCore->vesselCount(); }

bool oapiIsVessel(OBJHANDLE hVessel) { return kestraneCore->isVessel(hVessel) != 0; }

OBJHANDLE oapiGetFocusObject() { return kestraneCore->focusVessel(); }

VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel) {
  return static_cast<VESSEL *>(kestraneCore->vesselInterface(hVessel));
}

SURFHANDLE oapiRegisterExhaustTexture(char *name) { return kestraneCore->registerExhaustTexture(name); }

double oapiGetSimStep() { return kestraneCore->simStep(); }

VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel)
    : vessel(static_cast<Vessel *>(hVessel)), flightmodel(static_cast<short>(fmodel)), version(0) {}

char *VESSEL::GetName() const { return kestraneCore->vesselName(vessel); }

void VESSEL::GetGlobalPos(VECTOR3 &pos) const { kestraneCore->globalPos(vessel, pos.data); }

void VESSEL::GetRotationMatrix(MATRIX3 &R) const { kestraneCore->rotationMatrix(vessel, R.data); }

void VESSEL::AddForce(const VECTOR3 &F, const VECTOR3 &r) const { kestraneCore->addForce(vessel, F.data, r.data); }

UINT VESSEL::DockCount() const { return kestraneCore->dockCount(vessel); }

DOCKHANDLE VESSEL::GetDockHandle(UINT n) const { return kestraneCore->dockHandle(vessel, n); }

void VESSEL::GetDockParams(DOCKHANDLE dock, VECTOR3 &pos, VECTOR3 &dir, VECTOR3 &rot) const {
  kestraneCore->dockParams(vessel, dock, pos.data, dir.data, rot.data);
}

DWORD VESSEL::AttachmentCount(bool toparent) const { return kestraneCore->attachmentCount(vessel, toparent ? 1 : 0); }

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass, double efficiency) const {
  return kestraneCore->createPropellant(vessel, maxmass, mass, efficiency);
}

void VESSEL::DelPropellantResource(PROPELLANT_HANDLE &ph) const {
  if (kestraneCore->deletePropellant(vessel, ph)) ph = nullptr;
}

double VESSEL::GetPropellantMass(PROPELLANT_HANDLE ph) const { return kestraneCore->propellantMass(vessel, ph); }

void VESSEL::SetPropellantMass(PROPELLANT_HANDLE ph, double mass) const {
  kestraneCore->setPropellantMass(vessel, ph, mass);
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0, PROPELLANT_HANDLE hp,
                                       double isp0, double isp_ref, double p_ref) const {
  return kestraneCore->createThruster(vessel, pos.data, dir.data, maxth0, hp, isp0, isp_ref, p_ref);
}

bool VESSEL::DelThruster(THRUSTER_HANDLE &th) const {
  if (!kestraneCore->deleteThruster(vessel, th)) return false;
  th = nullptr;
  return true;
}

void VESSEL::SetThrusterLevel(THRUSTER_HANDLE th, double level) const {
  kestraneCore->setThrusterLevel(vessel, th, level);
}

UINT VESSEL::AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, const VECTOR3 &pos, const VECTOR3 &dir,
                        SURFHANDLE tex) const {
  return kestraneCore->addExhaust(vessel, th, lscale, wscale, pos.data, dir.data, tex);
}

bool VESSEL::DelExhaust(UINT idx) const { return kestraneCore->deleteExhaust(vessel, idx) != 0; }

void *NewVesselInterface(void *vessel) { return new VESSEL(vessel); }

void DeleteVesselInterface(void *vesselInterface) { delete static_cast<VESSEL *>(vesselInterface); }
