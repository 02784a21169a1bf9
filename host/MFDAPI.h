// The base class of a multi-function display. A display mode's message procedure creates an
// object of a derived class; the host sets the character cell size after construction, draws
// through Update, hands it buffered keys and deletes it through the virtual destructor.
#pragma once

#include "VesselAPI.h"

// The host's own record of an open display.
class Instrument_User;

class OAPIFUNC MFD {
public:
  MFD(DWORD w, DWORD h, VESSEL *vessel);
  virtual ~MFD();
  virtual void Update(HDC hDC) = 0;

  // Asks the host to redraw this display.
  void InvalidateDisplay();
  void Title(HDC hDC, const char *title) const;
  HFONT SelectDefaultFont(HDC hDC, DWORD i) const;

  // What a display does not handle: every key and button refused, no labels, nothing saved.
  virtual bool ConsumeKeyBuffered(DWORD) { return false; }
  virtual bool ConsumeKeyImmediate(char *) { return false; }
  virtual bool ConsumeButton(int, int) { return false; }
  virtual char *ButtonLabel(int) { return nullptr; }
  virtual int ButtonMenu(const MFDBUTTONMENU **) const { return 0; }
  virtual void WriteStatus(FILEHANDLE) const {}
  virtual void ReadStatus(FILEHANDLE) {}
  virtual void StoreStatus() const {}
  virtual void RecallStatus() {}

protected:
  DWORD W, H;    // display size, pixels
  DWORD cw, ch;  // character cell size, pixels; set by the host after construction
  VESSEL *pV;

private:
  friend class Instrument_User;
  Instrument_User *instr;
};
