// The MFD base class: the defaults a display inherits and the drawing helpers the host offers.

#include <cstring>

#include "host/MFDAPI.h"

namespace {

// Display titles are white, set apart from the displays' own colours.
constexpr COLORREF kTitleColour = 0xFFFFFF;

}  // namespace

MFD::MFD(DWORD w, DWORD h, VESSEL *vessel) : W(w), H(h), cw(0), ch(0), pV(vessel), redrawRequested(false) {}

MFD::~MFD() = default;

bool MFD::ConsumeKeyBuffered(DWORD) { return false; }

bool MFD::ConsumeKeyImmediate(char *) { return false; }

bool MFD::ConsumeButton(int, int) { return false; }

char *MFD::ButtonLabel(int) { return nullptr; }

int MFD::ButtonMenu(const MFDBUTTONMENU **) const { return 0; }

void MFD::WriteStatus(FILEHANDLE) const {}

void MFD::ReadStatus(FILEHANDLE) {}

void MFD::StoreStatus() const {}

void MFD::RecallStatus() {}

void MFD::InvalidateDisplay() { redrawRequested = true; }

// Draws at row 0, column 0 and leaves the context as it found it (alignment, colour, background
// mode and current position), so the display's own drawing does not depend on the title.
void MFD::Title(HDC hDC, const char *title) const {
  if (hDC == nullptr || title == nullptr) {
    return;
  }
  const UINT oldAlign = SetTextAlign(hDC, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  const int oldMode = SetBkMode(hDC, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(hDC, kTitleColour);
  TextOutA(hDC, static_cast<int>(cw / 2), 0, title, static_cast<int>(std::strlen(title)));
  SetTextColor(hDC, oldColour);
  SetBkMode(hDC, oldMode);
  SetTextAlign(hDC, oldAlign);
}

// The simulated host draws with one fixed-width font; the handle only has to be distinct from null.
HFONT MFD::SelectDefaultFont(HDC, DWORD) const {
  static char defaultFont;
  return reinterpret_cast<HFONT>(&defaultFont);
}
