// The host's interface object for one vessel. The host owns it and hands out one per vessel, the
// same object at every lookup, valid until the vessel is deleted. No virtual methods.
#pragma once

#include "OrbiterAPI.h"

// The host's own vessel, behind the interface.
class Vessel;

class OAPIFUNC VESSEL {
public:
  char *GetName() const;
  void GetGlobalPos(VECTOR3 &pos) const;
  // Global = R · local.
  void GetRotationMatrix(MATRIX3 &R) const;
  // Force and point of action in the vessel's frame, for the current step only.
  void AddForce(const VECTOR3 &F, const VECTOR3 &r) const;

  UINT DockCount() const;
  DOCKHANDLE GetDockHandle(UINT n) const;
  void GetDockParams(DOCKHANDLE dock, VECTOR3 &pos, VECTOR3 &dir, VECTOR3 &rot) const;
  DWORD AttachmentCount(bool toparent) const;

  // A mass below 0 means a full tank.
  PROPELLANT_HANDLE CreatePropellantResource(double maxmass, double mass = -1.0, double efficiency = 1.0) const;
  void DelPropellantResource(PROPELLANT_HANDLE &ph) const;
  double GetPropellantMass(PROPELLANT_HANDLE ph) const;
  void SetPropellantMass(PROPELLANT_HANDLE ph, double mass) const;

  THRUSTER_HANDLE CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0, PROPELLANT_HANDLE hp = 0,
                                 double isp0 = 0.0, double isp_ref = 0.0, double p_ref = 101.4e3) const;
  bool DelThruster(THRUSTER_HANDLE &th) const;
  void SetThrusterLevel(THRUSTER_HANDLE th, double level) const;

  UINT AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, const VECTOR3 &pos, const VECTOR3 &dir,
                  SURFHANDLE tex = 0) const;
  bool DelExhaust(UINT idx) const;

  // Host side: the interface of the vessel behind a handle.
  VESSEL(OBJHANDLE hVessel, int fmodel = 1);

protected:
  Vessel *vessel;
  short flightmodel;  // realism level
  short version;      // interface version
};
