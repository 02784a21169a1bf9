// The plug-in's single store of state: the eight tether links, a saved record of each, and the
// setup values that the display edits for the next connection.
#pragma once

#include <cstdint>

#include "../tether/TetherLink.h"
#include "Orbitersdk.h"

namespace kestrane {

// The saved image of one link, as of the last frame; the scenario block is written from it.
struct TetherRecord {
  int32_t connected;
  char ship1[TetherLink::nameSize];
  char ship2[TetherLink::nameSize];
  double length;  // m
  double force;   // N per percent of stretch
  VECTOR3 attach1;
  VECTOR3 attach2;
  SpoolMode spoolMode;
  double reelSpeed;  // m/s
};

class TetherData {
public:
  static constexpr int linkCount = 8;  // the simulated host's sim/run/PluginContract.h says so too
  static constexpr int setupNameSize = 256;

  TetherRecord records[linkCount];
  TetherLink *TM[linkCount];
  double setupLength;         // m, for the next connection
  double setupForce;          // N per percent of stretch, for the next connection
  uint32_t setupTargetIndex;  // target vessel's index in the host's list; may stray until RefreshSetup
  int32_t currentTether;      // 0..7: the link the link keys act on and the display details
  char thisShipName[setupNameSize];    // the host's focus vessel, as of the last RefreshSetup
  char targetShipName[setupNameSize];  // the vessel at setupTargetIndex, as of the last RefreshSetup
  int32_t attachTypeV1;       // 0 centre, 1 docking port, 2 attachment point
  int32_t attachNoV1;         // docking-port number with kind 1
  int32_t attachTypeV2;
  int32_t attachNoV2;

  TetherData();
  ~TetherData();
  TetherData(const TetherData &) = delete;
  TetherData &operator=(const TetherData &) = delete;

  void TimeStep();
  void DisconnectAll();
  void RefreshSetup();
  void PrevTarget();
  void NextTarget();
  // The registry's scenario block, written from the records and read back into them and the links:
  // defined with the block's format in persist/TetherScenario.cpp.
  void WriteScenario(FILEHANDLE scn);
  void ReadScenario(FILEHANDLE scn);

  // currentTether brought into 0..7, for code that indexes the links with it.
  TetherLink *CurrentLink();
};

// The one registry; set only by the module entry.
extern TetherData *tetherData;

}  // namespace kestrane
