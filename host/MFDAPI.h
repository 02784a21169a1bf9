// The base class of a multi-function display. A display mode's message procedure creates an
// object of a derived class; the host sets the character cell size after construction, draws
// through Update, hands it buffered keys and deletes it through the virtual destructor.
#pragma once

#include "VesselAPI.h"

namespace sim {
class DisplayHost;
}

class OAPIFUNC MFD {
public:
  MFD(DWORD w, DWORD h, VESSEL *vessel);
  virtual ~MFD();
  virtual void Update(HDC hDC) = 0;
  virtual bool ConsumeKeyBuffered(DWORD key);
  virtual bool ConsumeKeyImmediate(char *kstate);
  virtual bool ConsumeButton(int bt, int event);
  virtual char *ButtonLabel(int bt);
  virtual int ButtonMenu(const MFDBUTTONMENU **menu) const;
  virtual void WriteStatus(FILEHANDLE scn) const;
  virtual void ReadStatus(FILEHANDLE scn);
  virtual void StoreStatus() const;
  virtual void RecallStatus();

  // Asks the host to redraw this display.
  void InvalidateDisplay();
  void Title(HDC hDC, const char *title) const;
  HFONT SelectDefaultFont(HDC hDC, DWORD i) const;

protected:
  DWORD W, H;    // display size, pixels
  DWORD cw, ch;  // character cell size, pixels; set by the host after construction
  VESSEL *pV;

private:
  friend class sim::DisplayHost;
  bool redrawRequested;
};
