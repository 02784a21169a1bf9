// The registry's block of scenario lines: eight setup lines, then per link its CONNECT line and,
// for a connected link, eight detail lines. The simulated host reads and writes these words too,
// as sim/run/PluginContract.h gives them: a key, a field or their order changed here changes there.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "../plugin/TetherData.h"

namespace kestrane {

namespace {

const int keySize = 128;
const int wordSize = 128;  // scratch for one word of a line: 127 characters and the terminator

// The record's name buffers are read with "%127s".
static_assert(TetherLink::nameSize == 128, "name conversions are bounded to 127 characters");
static_assert(wordSize == 128, "word conversions are bounded to 127 characters");

// "TetherData 3 Length": the prefix "TetherData 3", then the prefix and the field word.
void ComposeKey(char (&key)[keySize], int link, const char *field) {
  char prefix[keySize];
  std::snprintf(prefix, sizeof prefix, "%s %d", "TetherData", link);
  // The fixed field words always fit; a key cut short could be read back as another key.
  if (std::snprintf(key, sizeof key, "%s %s", prefix, field) >= keySize) key[0] = '\0';
}

// The host's writers take the item as a modifiable string.
void WriteInt(FILEHANDLE scn, const char *item, int value) {
  char key[keySize];
  std::snprintf(key, sizeof key, "%s", item);
  oapiWriteScenario_int(scn, key, value);
}

void WriteFloat(FILEHANDLE scn, const char *item, double value) {
  char key[keySize];
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

// Real values pass through a single-precision float: 1000.1 comes back as 1000.0999755859375.
// Infinity and NaN, also from a number beyond the float's range, would spread through the
// dynamics into every vessel's state, so they are not taken.
void ReadReal(const char *line, const char *format, double &field) {
  float value;
  if (std::sscanf(line, format, &value) == 1 && std::isfinite(value)) field = value;
}

// A stiffness below 0 would make the tether push; the keys never lower it below 0 either.
void ReadForce(const char *line, const char *format, double &field) {
  ReadReal(line, format, field);
  if (field < 0) field = 0;
}

void ReadInt(const char *line, const char *format, int32_t &field) {
  int value;
  if (std::sscanf(line, format, &value) == 1) field = value;
}

// A vector is taken only when all three components are on the line.
void ReadVector(const char *line, VECTOR3 &field) {
  float x, y, z;
  if (std::sscanf(line, "%*s %*d %*s %f %f %f", &x, &y, &z) == 3 && std::isfinite(x) && std::isfinite(y) &&
      std::isfinite(z)) {
    field.x = x;
    field.y = y;
    field.z = z;
  }
}

// A name is one blank-free word; a longer one than the record holds is cut to 127 characters.
void ReadName(const char *line, char (&field)[TetherLink::nameSize]) {
  char name[TetherLink::nameSize];
  if (std::sscanf(line, "%*s %*d %*s %127s", name) == 1) std::memcpy(field, name, sizeof name);
}

// "TetherData n FIELD value…" into record n; a link number outside 0..7 is not stored.
void ReadLinkLine(const char *line, TetherRecord (&records)[TetherData::linkCount]) {
  int link;
  char field[wordSize];
  if (std::sscanf(line, "%*s %d %127s", &link, field) != 2) return;
  if (link < 0 || link >= TetherData::linkCount) return;
  TetherRecord &record = records[link];

  if (std::strcmp(field, "CONNECT") == 0) {
    ReadInt(line, "%*s %*d %*s %d", record.connected);
  } else if (std::strcmp(field, "Ship1") == 0) {
    ReadName(line, record.ship1);
  } else if (std::strcmp(field, "Ship2") == 0) {
    ReadName(line, record.ship2);
  } else if (std::strcmp(field, "Length") == 0) {
    ReadReal(line, "%*s %*d %*s %f", record.length);
  } else if (std::strcmp(field, "Force") == 0) {
    ReadForce(line, "%*s %*d %*s %f", record.force);
  } else if (std::strcmp(field, "Attach1") == 0) {
    ReadVector(line, record.attach1);
  } else if (std::strcmp(field, "Attach2") == 0) {
    ReadVector(line, record.attach2);
  } else if (std::strcmp(field, "SpoolMode") == 0) {
    int32_t mode = 0;
    if (std::sscanf(line, "%*s %*d %*s %d", &mode) == 1)
      record.spoolMode = mode == 1 ? SpoolMode::FreeSpooling : SpoolMode::Powered;
  } else if (std::strcmp(field, "ReelSpeed") == 0) {
    ReadReal(line, "%*s %*d %*s %f", record.reelSpeed);
  }
}

}  // namespace

void TetherData::WriteScenario(FILEHANDLE scn) {
  WriteFloat(scn, "SetupTetherLength", setupLength);
  WriteFloat(scn, "SetupTetherForce", setupForce);
  WriteInt(scn, "SetupTargetIndex", static_cast<int>(setupTargetIndex));
  WriteInt(scn, "CurrentTether", currentTether);
  WriteInt(scn, "attach_type_v1", attachTypeV1);
  WriteInt(scn, "attach_no_v1", attachNoV1);
  WriteInt(scn, "attach_type_v2", attachTypeV2);
  WriteInt(scn, "attach_no_v2", attachNoV2);

  char key[keySize];
  for (int n = 0; n < linkCount; ++n) {
    TetherRecord &record = records[n];
    ComposeKey(key, n, "CONNECT");
    oapiWriteScenario_int(scn, key, record.connected);
    if (record.connected == 0) continue;
    ComposeKey(key, n, "Ship1");
    oapiWriteScenario_string(scn, key, record.ship1);
    ComposeKey(key, n, "Ship2");
    oapiWriteScenario_string(scn, key, record.ship2);
    ComposeKey(key, n, "Length");
    oapiWriteScenario_float(scn, key, record.length);
    ComposeKey(key, n, "Force");
    oapiWriteScenario_float(scn, key, record.force);
    ComposeKey(key, n, "Attach1");
    oapiWriteScenario_vec(scn, key, record.attach1);
    ComposeKey(key, n, "Attach2");
    oapiWriteScenario_vec(scn, key, record.attach2);
    ComposeKey(key, n, "SpoolMode");
    oapiWriteScenario_int(scn, key, static_cast<int>(record.spoolMode));
    ComposeKey(key, n, "ReelSpeed");
    oapiWriteScenario_float(scn, key, record.reelSpeed);
  }
}

void TetherData::ReadScenario(FILEHANDLE scn) {
  for (TetherRecord &record : records) ResetRecord(record);

  char *line = nullptr;
  while (oapiReadScenario_nextline(scn, line)) {
    char word[wordSize];
    if (line == nullptr || std::sscanf(line, "%127s", word) != 1) continue;
    if (std::strcmp(word, "END_MFD") == 0) break;

    if (std::strcmp(word, "TetherData") == 0) {
      ReadLinkLine(line, records);
    } else if (std::strcmp(word, "SetupTetherLength") == 0) {
      ReadReal(line, "%*s %f", setupLength);
    } else if (std::strcmp(word, "SetupTetherForce") == 0) {
      ReadForce(line, "%*s %f", setupForce);
    } else if (std::strcmp(word, "SetupTargetIndex") == 0) {
      // Stored as read: a negative number wraps, as the target keys' own arithmetic does.
      int index;
      if (std::sscanf(line, "%*s %d", &index) == 1) setupTargetIndex = static_cast<uint32_t>(index);
    } else if (std::strcmp(word, "CurrentTether") == 0) {
      ReadInt(line, "%*s %d", currentTether);
    } else if (std::strcmp(word, "attach_type_v1") == 0) {
      ReadInt(line, "%*s %d", attachTypeV1);
    } else if (std::strcmp(word, "attach_no_v1") == 0) {
      ReadInt(line, "%*s %d", attachNoV1);
    } else if (std::strcmp(word, "attach_type_v2") == 0) {
      ReadInt(line, "%*s %d", attachTypeV2);
    } else if (std::strcmp(word, "attach_no_v2") == 0) {
      ReadInt(line, "%*s %d", attachNoV2);
    }
  }

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

}  // namespace kestrane
