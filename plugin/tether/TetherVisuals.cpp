// The tether drawn as one exhaust stream of vessel 1, from attach point 1 towards attach point 2.
// A stream needs a thruster, so each link keeps a small propellant resource and two thrusters
// that fire against each other on its host vessel.
#include <cmath>

#include "plugin/math/VecMath.h"
#include "plugin/tether/TetherLink.h"
#include "plugin/tether/VesselLookup.h"

namespace kestrane {

namespace {

char tautTextureName[] = "TetherTaut";
char tether2TextureName[] = "Tether2";
char tether3TextureName[] = "Tether3";

constexpr double propellantMax = 2.0;      // kg
constexpr double propellantRefill = 1.0;   // kg; below this the tank is filled again
constexpr double thrusterMax = 0.01;       // N
constexpr double thrusterIsp = 100000.0;   // m/s
constexpr double thrusterPRef = 101400.0;  // Pa

}  // namespace

void TetherLink::CreateVisuals(VESSEL *vessel) {
  DeleteExhaust();
  tautTexture = oapiRegisterExhaustTexture(tautTextureName);
  tether2Texture = oapiRegisterExhaustTexture(tether2TextureName);
  tether3Texture = oapiRegisterExhaustTexture(tether3TextureName);
  propellant = vessel->CreatePropellantResource(propellantMax, -1.0, 1.0);
  thruster1 =
      vessel->CreateThruster(attach1, MakeVector(0, 0, 1), thrusterMax, propellant, thrusterIsp, 0.0, thrusterPRef);
  thruster2 =
      vessel->CreateThruster(attach1, MakeVector(0, 0, -1), thrusterMax, propellant, thrusterIsp, 0.0, thrusterPRef);
  visualsCreated = true;
}

void TetherLink::DeleteVisuals(VESSEL *vessel) {
  DeleteExhaust();
  if (!visualsCreated) return;
  // A vessel that the host has removed took the objects with it.
  if (VesselExists(vessel, ship1Name)) {
    vessel->DelPropellantResource(propellant);
    vessel->DelThruster(thruster1);
    vessel->DelThruster(thruster2);
  }
  propellant = nullptr;
  thruster1 = nullptr;
  thruster2 = nullptr;
  visualsCreated = false;
}

void TetherLink::DeleteExhaust() {
  if (!exhaustActive) return;
  if (VesselExists(hostVessel, ship1Name)) hostVessel->DelExhaust(exhaustId);
  exhaustActive = false;
}

void TetherLink::RefreshExhaust(VESSEL *vessel1, VECTOR3 u1) {
  // The slack width shrinks to 0 as the distance nears the length; in the step in which reeling
  // has made the length shorter than the distance the radicand is taken as 0.
  double radicand = length * length - distance * distance;
  if (!(radicand >= 0)) radicand = 0;

  SURFHANDLE texture;
  double width;  // m
  if (!(stretch >= 50)) {
    texture = tether2Texture;
    width = std::sqrt(radicand) / 8.0;
  } else if (!(stretch >= 100)) {
    texture = tether3Texture;
    width = std::sqrt(radicand) / 4.0;
  } else {
    texture = tautTexture;
    width = (std::sqrt(distance / 1000.0) + 1.0) / 1.6;
  }

  exhaustId = vessel1->AddExhaust(thruster1, exhaustLength, width, attach1, u1, texture);
  exhaustActive = true;
  vessel1->SetThrusterLevel(thruster1, 1.0);
  vessel1->SetThrusterLevel(thruster2, 1.0);
  if (!(vessel1->GetPropellantMass(propellant) >= propellantRefill))
    vessel1->SetPropellantMass(propellant, propellantMax);
}

}  // namespace kestrane
