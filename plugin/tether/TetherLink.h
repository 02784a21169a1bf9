// One elastic tether between two vessels, known by name and resolved through the host at every
// connect and every step. Vessel 1 carries the tether's drawing: a propellant resource, two
// thrusters that cancel each other, and an exhaust stream stretched from attach point 1 to
// attach point 2.
#pragma once

#include <cstdint>

#include "Orbitersdk.h"
#include "plugin/tether/TensionLaw.h"
#include "plugin/tether/VesselLookup.h"
#include "tetherblock/BlockFormat.h"

namespace kestrane {

class TetherLink {
public:
  static constexpr int nameSize = tetherblock::nameSize;

  char ship1Name[nameSize];  // vessel 1, which carries the drawing
  char ship2Name[nameSize];
  VESSEL *hostVessel;        // vessel 1 as of the last connect that went through; not owned
  MATRIX3 rotation1;         // vessel 1 frame to global frame, as of the last step or connect
  MATRIX3 rotation2;
  double length;             // unstretched length, m; never below 10 m after a step
  double distance;           // attach point to attach point, m; at least TensionLaw::minDistance
  double stretch;            // distance / length × 100, percent; 100 is just taut
  double prevStretch;        // stretch before the current step recomputed it, percent
  double force;              // stiffness: pull in N per percent of stretch beyond 100
  double pull;               // tension of the last step, N; each vessel gets half
  bool pulledLastStep;       // the last step pulled both vessels, vessel 1 with force1
  VECTOR3 force1;            // N, vessel 1's frame: the force the last step that pulled added to vessel 1
  VECTOR3 attach1;           // attach point in vessel 1's frame, m
  VECTOR3 attach2;           // attach point in vessel 2's frame, m
  double reelSpeed;          // m/s; positive pays tether out
  SpoolMode spoolMode;
  int32_t connected;         // 1 while connected
  bool visualsCreated;       // propellant resource and both thrusters exist on hostVessel
  SURFHANDLE tautTexture;    // "TetherTaut": 100 % stretch and above
  SURFHANDLE tether2Texture; // "Tether2": below 50 %
  SURFHANDLE tether3Texture; // "Tether3": 50 % up to below 100 %
  PROPELLANT_HANDLE propellant;
  THRUSTER_HANDLE thruster1; // direction (0, 0, 1); carries the exhaust stream
  THRUSTER_HANDLE thruster2; // direction (0, 0, -1); cancels thruster1
  UINT exhaustId;
  double exhaustLength;      // m: the step's distance
  bool exhaustActive;        // a stream is attached and must be removed before the next

  TetherLink();
  ~TetherLink();
  TetherLink(const TetherLink &) = delete;
  TetherLink &operator=(const TetherLink &) = delete;

  void Connect(const char *ship1, const char *ship2, double length, double force, VECTOR3 attach1, VECTOR3 attach2);
  void Disconnect();
  void TimeStep();

  int32_t IsConnected() const { return connected; }
  double GetLength() const { return length; }
  double GetDistance() const { return distance; }
  double GetStretch() const { return stretch; }
  double GetForce() const { return force; }
  double GetPull() const { return pull; }

  void IncreaseReelSpeed();
  void DecreaseReelSpeed();
  void ToggleSpoolMode();
  void IncreaseForce();
  void DecreaseForce();

  void CreateVisuals(VESSEL *vessel);
  void DeleteVisuals(VESSEL *vessel);
  void DeleteExhaust();
  void RefreshExhaust(VESSEL *vessel1, VECTOR3 u1);

private:
  // Vessel 1 and vessel 2 as the step finds them.
  VesselByName vessel1Lookup;
  VesselByName vessel2Lookup;

  // The tether vector from attach point 1 to attach point 2, global frame, m; refreshes both
  // rotation matrices on the way.
  VECTOR3 AttachPointSpan(VESSEL *vessel1, VESSEL *vessel2);
};

// The vector from an attach point on vessel 1 to one on vessel 2 (each in its own vessel's frame), in
// the global frame, m; each vessel's rotation matrix into `rotation1` and `rotation2`. Every
// measure between attach points is this one, so that a length measured here and a tie made at once
// agree to the last bit.
VECTOR3 AttachPointSpan(VESSEL *vessel1, const VECTOR3 &attach1, VESSEL *vessel2, const VECTOR3 &attach2,
                        MATRIX3 &rotation1, MATRIX3 &rotation2);

}  // namespace kestrane
