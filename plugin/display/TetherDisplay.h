// The "Kestrane" display: a thin shell over the one registry. It keeps no data of its own, so any
// number of displays show and edit the same tethers.
#pragma once

#include "Orbitersdk.h"
#include "plugin/display/KeyCodes.h"

namespace kestrane {

class TetherDisplay : public MFD {
public:
  TetherDisplay(DWORD w, DWORD h, VESSEL *vessel);
  ~TetherDisplay() override;
  void Update(HDC hDC) override;
  // The 25 keys, and the buttons that carry 24 of them: a click on a button runs its key.
  bool ConsumeKeyBuffered(DWORD key) override;
  bool ConsumeButton(int bt, int event) override;
  char *ButtonLabel(int bt) override;
  int ButtonMenu(const MFDBUTTONMENU **menu) const override;
  void WriteStatus(FILEHANDLE scn) const override;
  void ReadStatus(FILEHANDLE scn) override;

private:
  // A setup vessel by name, as the host resolves it now; null when the name names no vessel.
  static VESSEL *ResolveVessel(char *name);
};

// The mode's message procedure: message 1 (a display opened in this mode) creates a display.
OAPI_MSGTYPE ModeMessageProc(UINT msg, UINT mfd, WPARAM wparam, LPARAM lparam);

// The mode's name, also the display's title; a host opens the display by it.
extern const char modeName[];
constexpr DWORD modeKey = DIK_T;

}  // namespace kestrane
