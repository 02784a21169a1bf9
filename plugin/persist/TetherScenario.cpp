#include "plugin/persist/TetherScenario.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "tetherblock/BlockLine.h"

namespace kestrane {

namespace {

using tetherblock::Field;
using tetherblock::Line;
using tetherblock::Setup;

// The host's writers take the item as a modifiable string.
void WriteInt(FILEHANDLE scn, const char *item, int value) {
  char key[tetherblock::keySize];
  std::snprintf(key, sizeof key, "%s", item);
  oapiWriteScenario_int(scn, key, value);
}

void WriteFloat(FILEHANDLE scn, const char *item, double value) {
  char key[tetherblock::keySize];
  std::snprintf(key, sizeof key, "%s", item);
  oapiWriteScenario_float(scn, key, value);
}

void ResetRecord(TetherRecord &record) {
  record.connected = 0;
  std::snprintf(record.ship1, sizeof record.ship1, "%s", "empty");
  std::snprintf(record.ship2, sizeof record.ship2, "%s", "empty");
  record.length = 1.0;
  record.force = 1.0;
  record.attach1 = VECTOR3{};
  record.attach2 = VECTOR3{};
  record.spoolMode = SpoolMode::Powered;
  record.reelSpeed = 0.0;
}

// Real values are read through a single-precision float: 1000.1 comes back as
// 1000.0999755859375. Infinity and NaN, also from a number beyond the float's range, would spread
// through the dynamics into every vessel's state, so they are not taken.
void TakeReal(const Line &line, double &field) {
  if (line.read && std::isfinite(line.real[0])) field = line.real[0];
}

// A stiffness below 0 would make the tether push; the keys never lower it below 0 either.
void TakeForce(const Line &line, double &field) {
  TakeReal(line, field);
  if (field < 0) field = 0;
}

void TakeInt(const Line &line, int32_t &field) {
  if (line.read) field = line.integer;
}

// An attach point is taken only when all three components are on the line.
void TakeVector(const Line &line, VECTOR3 &field) {
  if (!line.read || !std::isfinite(line.real[0]) || !std::isfinite(line.real[1]) || !std::isfinite(line.real[2]))
    return;
  field.x = line.real[0];
  field.y = line.real[1];
  field.z = line.real[2];
}

// A name is one blank-free word; a longer one than the record holds is cut to 127 characters.
void TakeName(const Line &line, char (&field)[tetherblock::nameSize]) {
  if (line.read) std::memcpy(field, line.name, sizeof field);
}

void TakeLinkLine(const Line &line, TetherRecord &record) {
  switch (static_cast<Field>(line.field)) {
    case Field::Connect:
      TakeInt(line, record.connected);
      break;
    case Field::Ship1:
      TakeName(line, record.ship1);
      break;
    case Field::Ship2:
      TakeName(line, record.ship2);
      break;
    case Field::Length:
      TakeReal(line, record.length);
      break;
    case Field::Force:
      TakeForce(line, record.force);
      break;
    case Field::Attach1:
      TakeVector(line, record.attach1);
      break;
    case Field::Attach2:
      TakeVector(line, record.attach2);
      break;
    case Field::SpoolMode:
      if (line.read) record.spoolMode = line.integer == 1 ? SpoolMode::FreeSpooling : SpoolMode::Powered;
      break;
    case Field::ReelSpeed:
      TakeReal(line, record.reelSpeed);
      break;
  }
}

void TakeSetupLine(const Line &line, const BlockSetup &setup) {
  switch (line.setup) {
    case Setup::Length:
      TakeReal(line, setup.length);
      break;
    case Setup::Force:
      TakeForce(line, setup.force);
      break;
    case Setup::TargetIndex:
      // Stored as read: a negative number wraps, as the target keys' own arithmetic does.
      if (line.read) setup.targetIndex = static_cast<uint32_t>(line.integer);
      break;
    case Setup::CurrentTether:
      TakeInt(line, setup.currentTether);
      break;
    case Setup::AttachTypeV1:
      TakeInt(line, setup.attachTypeV1);
      break;
    case Setup::AttachNoV1:
      TakeInt(line, setup.attachNoV1);
      break;
    case Setup::AttachTypeV2:
      TakeInt(line, setup.attachTypeV2);
      break;
    case Setup::AttachNoV2:
      TakeInt(line, setup.attachNoV2);
      break;
  }
}

}  // namespace

void WriteBlock(FILEHANDLE scn, const BlockSetup &setup, TetherRecord (&records)[tetherblock::linkCount]) {
  WriteFloat(scn, tetherblock::setupLength, setup.length);
  WriteFloat(scn, tetherblock::setupForce, setup.force);
  WriteInt(scn, tetherblock::setupTargetIndex, static_cast<int>(setup.targetIndex));
  WriteInt(scn, tetherblock::currentTether, setup.currentTether);
  WriteInt(scn, tetherblock::attachTypeV1, setup.attachTypeV1);
  WriteInt(scn, tetherblock::attachNoV1, setup.attachNoV1);
  WriteInt(scn, tetherblock::attachTypeV2, setup.attachTypeV2);
  WriteInt(scn, tetherblock::attachNoV2, setup.attachNoV2);

  char key[tetherblock::keySize];
  for (int n = 0; n < tetherblock::linkCount; ++n) {
    TetherRecord &record = records[n];
    tetherblock::LinkKey(key, n, tetherblock::connectField);
    oapiWriteScenario_int(scn, key, record.connected);
    if (record.connected == 0) continue;
    tetherblock::LinkKey(key, n, tetherblock::ship1Field);
    oapiWriteScenario_string(scn, key, record.ship1);
    tetherblock::LinkKey(key, n, tetherblock::ship2Field);
    oapiWriteScenario_string(scn, key, record.ship2);
    tetherblock::LinkKey(key, n, tetherblock::lengthField);
    oapiWriteScenario_float(scn, key, record.length);
    tetherblock::LinkKey(key, n, tetherblock::forceField);
    oapiWriteScenario_float(scn, key, record.force);
    tetherblock::LinkKey(key, n, tetherblock::attach1Field);
    oapiWriteScenario_vec(scn, key, record.attach1);
    tetherblock::LinkKey(key, n, tetherblock::attach2Field);
    oapiWriteScenario_vec(scn, key, record.attach2);
    tetherblock::LinkKey(key, n, tetherblock::spoolModeField);
    oapiWriteScenario_int(scn, key, static_cast<int>(record.spoolMode));
    tetherblock::LinkKey(key, n, tetherblock::reelSpeedField);
    oapiWriteScenario_float(scn, key, record.reelSpeed);
  }
}

void ReadBlock(FILEHANDLE scn, const BlockSetup &setup, TetherRecord (&records)[tetherblock::linkCount]) {
  for (TetherRecord &record : records) ResetRecord(record);

  char *line = nullptr;
  while (oapiReadScenario_nextline(scn, line)) {
    const Line read = tetherblock::ReadLine(line, tetherblock::Precision::Single);
    if (read.kind == Line::Kind::End) break;
    if (read.kind == Line::Kind::Link && read.field >= 0) TakeLinkLine(read, records[read.link]);
    if (read.kind == Line::Kind::Setup) TakeSetupLine(read, setup);
  }
}

}  // namespace kestrane
