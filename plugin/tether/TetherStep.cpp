// The physics of one tether, once per frame: the vessels found by name, the attach points placed,
// the tension law applied (TensionLaw.h), the tether drawn and both vessels pulled.

#include "plugin/math/VecMath.h"
#include "plugin/tether/TetherLink.h"
#include "plugin/tether/VesselLookup.h"

namespace kestrane {

void TetherLink::TimeStep() {
  // Vessel 1 anew; looking it up first changes nothing in the host, and when it is still the
  // host vessel it is known to exist, which spares the stream's removal a search of its own.
  VESSEL *vessel1 = connected != 0 ? vessel1Lookup.Find(ship1Name) : nullptr;
  pulledLastStep = false;

  // The previous frame's stream goes first, connected or not.
  if (exhaustActive && vessel1 != nullptr && vessel1 == hostVessel) {
    hostVessel->DelExhaust(exhaustId);
    exhaustActive = false;
  } else {
    DeleteExhaust();
  }
  if (connected == 0) return;

  // A link whose vessel has gone is disconnected: it pulls nothing from now on, the display and the
  // saved block say so, and its drawing goes from vessel 1 if vessel 1 is still there.
  VESSEL *vessel2 = vessel2Lookup.Find(ship2Name);
  if (vessel1 == nullptr || vessel2 == nullptr) {
    pull = 0;
    Disconnect();
    return;
  }

  const VECTOR3 d = AttachPointSpan(vessel1, vessel2);
  const double dt = oapiGetSimStep();  // s

  // The rate uses the stretch of the previous frame, measured between the attach points as this
  // one is (after a connect, the connect's own).
  prevStretch = stretch;
  const Tension t = TensionLaw::Step(VectorLength(d), prevStretch, length, force, reelSpeed, spoolMode, dt);
  distance = t.distance;
  exhaustLength = distance;
  stretch = t.stretch;
  length = t.length;
  reelSpeed = t.reelSpeed;
  pull = t.pull;

  // Zero when the attach points coincide, as d is then zero.
  const VECTOR3 u = Scale(d, 1 / distance);
  const VECTOR3 u1 = TransposedTimesVector(u, rotation1);
  const VECTOR3 u2 = TransposedTimesVector(MakeVector(-u.x, -u.y, -u.z), rotation2);

  // The drawing objects live on hostVessel; vessel 1 differs from it only when its name no
  // longer leads to that vessel, and then the handles would belong to another vessel.
  if (vessel1 == hostVessel && visualsCreated) RefreshExhaust(vessel1, u1);

  // Each vessel gets half the pull, at its attach point.
  const VECTOR3 f1 = Scale(u1, pull / 2);
  const VECTOR3 f2 = Scale(u2, pull / 2);
  vessel1->AddForce(f1, attach1);
  vessel2->AddForce(f2, attach2);
  force1 = f1;
  pulledLastStep = true;
}

}  // namespace kestrane
