#include "plugin/tether/TetherLink.h"

#include <limits>

#include "plugin/math/VecMath.h"
#include "plugin/tether/VesselLookup.h"

namespace kestrane {

TetherLink::TetherLink()
    : hostVessel(nullptr),
      length(0.0),
      distance(0.0),
      stretch(0.0),
      prevStretch(0.0),
      force(0.0),
      pull(0.0),
      pulledLastStep(false),
      force1(MakeVector(0, 0, 0)),
      attach1(MakeVector(0, 0, 0)),
      attach2(MakeVector(0, 0, 0)),
      reelSpeed(0.0),
      spoolMode(SpoolMode::Powered),
      connected(0),
      visualsCreated(false),
      tautTexture(nullptr),
      tether2Texture(nullptr),
      tether3Texture(nullptr),
      propellant(nullptr),
      thruster1(nullptr),
      thruster2(nullptr),
      exhaustId(0),
      exhaustLength(0.0),
      exhaustActive(false) {
  // The registry copies both names into its records every frame, so they are terminated from
  // the start.
  ship1Name[0] = '\0';
  ship2Name[0] = '\0';
  rotation1 = MakeMatrix(1, 0, 0, 0, 1, 0, 0, 0, 1);
  rotation2 = rotation1;
}

TetherLink::~TetherLink() { Disconnect(); }

void TetherLink::Connect(const char *ship1, const char *ship2, double newLength, double newForce, VECTOR3 newAttach1,
                         VECTOR3 newAttach2) {
  CopyName(ship1Name, nameSize, ship1);
  CopyName(ship2Name, nameSize, ship2);

  VESSEL *vessel1 = FindVessel(ship1Name);
  VESSEL *vessel2 = FindVessel(ship2Name);
  // A vessel is never tied to itself, nor to a vessel that does not exist: the request is
  // ignored, only the names are kept.
  if (vessel1 == nullptr || vessel2 == nullptr || vessel1 == vessel2) return;

  DeleteVisuals(hostVessel);
  hostVessel = vessel1;
  CreateVisuals(vessel1);

  attach1 = newAttach1;
  attach2 = newAttach2;
  force = 0.0;
  stretch = 0.0;
  pull = 0.0;
  length = newLength;
  force = newForce;
  connected = 1;

  // Between the attach points, as every step measures: the first step's stretch rate is then the
  // motion over that step alone, with no jump from another measure to pull with.
  distance = VectorLength(AttachPointSpan(vessel1, vessel2));
  if (!(distance >= TensionLaw::minDistance)) distance = TensionLaw::minDistance;
  stretch = tetherblock::Stretch(distance, length);
}

VECTOR3 AttachPointSpan(VESSEL *vessel1, const VECTOR3 &attach1, VESSEL *vessel2, const VECTOR3 &attach2,
                        MATRIX3 &rotation1, MATRIX3 &rotation2) {
  VECTOR3 pos1, pos2;
  vessel1->GetGlobalPos(pos1);
  vessel2->GetGlobalPos(pos2);
  vessel1->GetRotationMatrix(rotation1);
  vessel2->GetRotationMatrix(rotation2);
  const VECTOR3 p1 = Add(pos1, MatrixTimesVector(attach1, rotation1));
  const VECTOR3 p2 = Add(pos2, MatrixTimesVector(attach2, rotation2));
  return MakeVector(p2.x - p1.x, p2.y - p1.y, p2.z - p1.z);
}

VECTOR3 TetherLink::AttachPointSpan(VESSEL *vessel1, VESSEL *vessel2) {
  return kestrane::AttachPointSpan(vessel1, attach1, vessel2, attach2, rotation1, rotation2);
}

void TetherLink::Disconnect() {
  connected = 0;
  DeleteVisuals(hostVessel);
}

namespace {

// The scenario block carries the reel speed as a single-precision number: the doubling stops at
// the last step that still fits, so that a saved speed is restored and never becomes infinite.
constexpr double maxReelSpeed = std::numeric_limits<float>::max();  // m/s

}  // namespace

void TetherLink::IncreaseReelSpeed() {
  // The first press against the running direction stops the reel.
  if (reelSpeed < 0)
    reelSpeed = 0;
  else if (reelSpeed == 0)
    reelSpeed = 0.1;
  else if (reelSpeed * 2 <= maxReelSpeed)
    reelSpeed = reelSpeed * 2;
}

void TetherLink::DecreaseReelSpeed() {
  if (reelSpeed > 0)
    reelSpeed = 0;
  else if (reelSpeed == 0)
    reelSpeed = -0.1;
  else if (reelSpeed * 2 >= -maxReelSpeed)
    reelSpeed = reelSpeed * 2;
}

void TetherLink::ToggleSpoolMode() {
  spoolMode = spoolMode == SpoolMode::FreeSpooling ? SpoolMode::Powered : SpoolMode::FreeSpooling;
}

void TetherLink::IncreaseForce() {
  force = force + force * 0.2;
  if (force > 1000000.0) force = 1000000.0;
}

void TetherLink::DecreaseForce() {
  force = force - force * 0.2;
  if (force < 0) force = 0;
}

}  // namespace kestrane
