#include "plugin/registry/TetherData.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "plugin/tether/VesselLookup.h"

namespace kestrane {

TetherData *tetherData = nullptr;

namespace {

// The name of a vessel handle's vessel, or "" when there is none.
void CopyVesselName(char *dest, size_t size, OBJHANDLE handle) {
  VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
  CopyName(dest, size, vessel ? vessel->GetName() : "");
}

// Every link slot holds a link unless an allocation failed at construction. The failure is
// reported in the form of a failed assertion, without ending the host's process.
void ReportMissingLink() { std::fprintf(stderr, "Assertion failed: TM[initLoop] != NULL, file TetherData, line 55\n"); }

}  // namespace

TetherData::TetherData()
    : setupLength(1000.0),
      setupForce(10000.0),
      setupTargetIndex(0),
      currentTether(0),
      attachTypeV1(0),
      attachNoV1(0),
      attachTypeV2(0),
      attachNoV2(0) {
  // Records start disconnected and the names empty until the first step or refresh fills them.
  std::memset(records, 0, sizeof records);
  thisShipName[0] = '\0';
  targetShipName[0] = '\0';
  for (int slot = 0; slot < linkCount; ++slot) TM[slot] = new (std::nothrow) TetherLink;
}

TetherData::~TetherData() {
  for (int slot = 0; slot < linkCount; ++slot) {
    delete TM[slot];
    TM[slot] = nullptr;
  }
}

void TetherData::TimeStep() {
  for (int initLoop = 0; initLoop < linkCount; ++initLoop) {
    TetherLink *link = TM[initLoop];
    if (link == nullptr) {
      ReportMissingLink();
      continue;
    }
    link->TimeStep();

    // The record follows the link's own step, so it carries this frame's length and reel speed.
    TetherRecord &record = records[initLoop];
    record.connected = link->connected;
    CopyName(record.ship1, sizeof record.ship1, link->ship1Name);
    CopyName(record.ship2, sizeof record.ship2, link->ship2Name);
    record.length = link->length;
    record.force = link->force;
    record.attach1 = link->attach1;
    record.attach2 = link->attach2;
    record.spoolMode = link->spoolMode;
    record.reelSpeed = link->reelSpeed;
  }
}

void TetherData::DisconnectAll() {
  for (int slot = 0; slot < linkCount; ++slot)
    if (TM[slot] != nullptr) TM[slot]->Disconnect();
}

void TetherData::RefreshSetup() {
  // A step below 0 leaves a huge unsigned index: it wraps to the last vessel. The threshold is a
  // fixed number, not the vessel count.
  if (setupTargetIndex > 2500) setupTargetIndex = oapiGetVesselCount() - 1;
  // A step past the last vessel wraps to the first.
  if (setupTargetIndex >= oapiGetVesselCount()) setupTargetIndex = 0;
  if (oapiGetVesselByIndex(static_cast<int>(setupTargetIndex)) == nullptr) setupTargetIndex = 0;

  CopyVesselName(thisShipName, sizeof thisShipName, oapiGetFocusObject());
  CopyVesselName(targetShipName, sizeof targetShipName, oapiGetVesselByIndex(static_cast<int>(setupTargetIndex)));
}

void TetherData::PrevTarget() { --setupTargetIndex; }

void TetherData::NextTarget() { ++setupTargetIndex; }

void TetherData::WriteScenario(FILEHANDLE scn) { WriteBlock(scn, Setup(), records); }

void TetherData::ReadScenario(FILEHANDLE scn) {
  ReadBlock(scn, Setup(), records);

  // The key commands index links and docking ports with these values.
  if (currentTether < 0 || currentTether >= linkCount) currentTether = 0;
  if (attachTypeV1 < 0 || attachTypeV1 > 2) attachTypeV1 = 0;
  if (attachTypeV2 < 0 || attachTypeV2 > 2) attachTypeV2 = 0;
  if (attachNoV1 < 0) attachNoV1 = 0;
  if (attachNoV2 < 0) attachNoV2 = 0;

  for (int n = 0; n < linkCount; ++n) {
    const TetherRecord &record = records[n];
    TetherLink *link = TM[n];
    if (record.connected != 1 || link == nullptr) continue;
    link->Connect(record.ship1, record.ship2, record.length, record.force, record.attach1, record.attach2);
    // Also when the connect was refused: the link keeps its saved reel settings for later.
    link->spoolMode = record.spoolMode;
    link->reelSpeed = record.reelSpeed;
  }
}

BlockSetup TetherData::Setup() {
  return BlockSetup{setupLength,  setupForce, setupTargetIndex, currentTether,
                    attachTypeV1, attachNoV1, attachTypeV2,     attachNoV2};
}

TetherLink *TetherData::CurrentLink() {
  if (currentTether < 0 || currentTether >= linkCount) currentTether = 0;
  return TM[currentTether];
}

}  // namespace kestrane
