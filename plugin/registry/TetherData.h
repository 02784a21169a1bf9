// The plug-in's single store of state: the eight tether links, a saved record of each, and the
// setup values that the display edits for the next connection.
#pragma once

#include <cstdint>

#include "Orbitersdk.h"
#include "plugin/persist/TetherScenario.h"
#include "plugin/tether/TetherLink.h"
#include "tetherblock/BlockFormat.h"

namespace kestrane {

class TetherData {
public:
  static constexpr int linkCount = tetherblock::linkCount;
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
  // The registry's scenario block (plugin/persist), written from the records; read back into them
  // and the setup values, and the links it marks connected tied again.
  void WriteScenario(FILEHANDLE scn);
  void ReadScenario(FILEHANDLE scn);

  // currentTether brought into 0..7, for code that indexes the links with it.
  TetherLink *CurrentLink();

private:
  // The setup values the block holds.
  BlockSetup Setup();
};

// The one registry; set only by the module entry.
extern TetherData *tetherData;

}  // namespace kestrane
