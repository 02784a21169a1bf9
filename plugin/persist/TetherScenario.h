// The registry's block of scenario lines (its format: tetherblock/BlockFormat.h): the setup values
// and each link's saved record, written through the host's scenario writers and read from the lines
// the host hands on. The registry's WriteScenario and ReadScenario hand their state to these.
#pragma once

#include <cstdint>

#include "Orbitersdk.h"
#include "plugin/tether/TensionLaw.h"
#include "tetherblock/BlockFormat.h"

namespace kestrane {

// The saved image of one link, as of the last frame; the scenario block is written from it.
struct TetherRecord {
  int32_t connected;
  char ship1[tetherblock::nameSize];
  char ship2[tetherblock::nameSize];
  double length;  // m
  double force;   // N per percent of stretch
  VECTOR3 attach1;
  VECTOR3 attach2;
  SpoolMode spoolMode;
  double reelSpeed;  // m/s
};

// The registry's setup values that the block holds, where the registry keeps them.
struct BlockSetup {
  double &length;  // m
  double &force;   // N per percent of stretch
  uint32_t &targetIndex;
  int32_t &currentTether;
  int32_t &attachTypeV1;
  int32_t &attachNoV1;
  int32_t &attachTypeV2;
  int32_t &attachNoV2;
};

// The eight setup lines, then per link its CONNECT line and, for a connected record, its other
// fields.
void WriteBlock(FILEHANDLE scn, const BlockSetup &setup, TetherRecord (&records)[tetherblock::linkCount]);

// Resets the records ("empty" names, length and force 1, the rest 0), then reads the host's lines
// up to the display's end into them and into the setup values; a value the block does not give, or
// gives as nothing the plug-in takes, stays as it was.
void ReadBlock(FILEHANDLE scn, const BlockSetup &setup, TetherRecord (&records)[tetherblock::linkCount]);

}  // namespace kestrane
