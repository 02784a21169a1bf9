// The MFD base class, display-mode registration, and the host's side of an open display
// (Instrument_User): the core creates a display through the mode's message procedure and then
// reaches the object only through the adapter's table, in the object's own ABI.
#include <cstring>

#include "Orbitersdk.h"
#include "sim/api/Adapter.h"

namespace {

// Display titles are white, set apart from the displays' own colours.
constexpr COLORREF kTitleColour = 0xFFFFFF;

}  // namespace

// The host's record of an open display is the core's display; the MFD keeps it in `instr`.
class Instrument_User {
public:
  static void Attach(void *object, void *display, uint32_t cellWidth, uint32_t cellHeight) {
    MFD *mfd = static_cast<MFD *>(object);
    mfd->instr = static_cast<Instrument_User *>(display);
    mfd->cw = cellWidth;
    mfd->ch = cellHeight;
  }
  static void Update(void *object, void *hdc) { static_cast<MFD *>(object)->Update(static_cast<HDC>(hdc)); }
  static int ConsumeKeyBuffered(void *object, uint32_t key) {
    return static_cast<MFD *>(object)->ConsumeKeyBuffered(key) ? 1 : 0;
  }
  static const char *ButtonLabel(void *object, int button) { return static_cast<MFD *>(object)->ButtonLabel(button); }
  static int ConsumeButton(void *object, int button, int event) {
    return static_cast<MFD *>(object)->ConsumeButton(button, event) ? 1 : 0;
  }
  static int ButtonMenu(void *object, int item, const char **line1, const char **line2, char *key) {
    const MFDBUTTONMENU *menu = nullptr;
    const int count = static_cast<const MFD *>(object)->ButtonMenu(&menu);
    if (menu != nullptr && item >= 0 && item < count) {
      *line1 = menu[item].line1;
      *line2 = menu[item].line2;
      *key = menu[item].selchar;
    }
    return count;
  }
  static void WriteStatus(void *object, void *scn) { static_cast<MFD *>(object)->WriteStatus(scn); }
  static void ReadStatus(void *object, void *scn) { static_cast<MFD *>(object)->ReadStatus(scn); }
  // Through the virtual destructor, so the module that made the object frees it.
  static void Delete(void *object) { delete static_cast<MFD *>(object); }
  static void *Display(const MFD &mfd) { return mfd.instr; }
};

MFD::MFD(DWORD w, DWORD h, VESSEL *vessel) : W(w), H(h), cw(0), ch(0), pV(vessel), instr(nullptr) {}

MFD::~MFD() = default;

// A display that is not open in the host yet has nothing to redraw.
void MFD::InvalidateDisplay() {
  if (void *display = Instrument_User::Display(*this)) kestraneCore->invalidateDisplay(display);
}

// Draws at row 0, column 0 and leaves the context as it found it (alignment, colour, background
// mode and current position), so the display's own drawing does not depend on the title.
void MFD::Title(HDC hDC, const char *title) const {
  if (hDC == nullptr || title == nullptr) return;
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

int oapiRegisterMFDMode(MFDMODESPECEX &spec) {
  return kestraneCore->registerMode(spec.name, spec.key, spec.context,
                                    reinterpret_cast<KestraneMessageProc>(spec.msgproc));
}

int oapiRegisterMFDMode(MFDMODESPEC &spec) {
  return kestraneCore->registerMode(spec.name, spec.key, nullptr, reinterpret_cast<KestraneMessageProc>(spec.msgproc));
}

bool oapiUnregisterMFDMode(int mode) { return kestraneCore->unregisterMode(mode) != 0; }

namespace {

constexpr KestraneAdapter Table() {
  KestraneAdapter table{};
  table.newVesselInterface = NewVesselInterface;
  table.deleteVesselInterface = DeleteVesselInterface;
  table.attachDisplay = Instrument_User::Attach;
  table.updateDisplay = Instrument_User::Update;
  table.consumeKeyBuffered = Instrument_User::ConsumeKeyBuffered;
  table.buttonLabel = Instrument_User::ButtonLabel;
  table.consumeButton = Instrument_User::ConsumeButton;
  table.buttonMenu = Instrument_User::ButtonMenu;
  table.writeStatus = Instrument_User::WriteStatus;
  table.readStatus = Instrument_User::ReadStatus;
  table.deleteDisplay = Instrument_User::Delete;
  return table;
}

}  // namespace

const KestraneAdapter kestraneAdapterTable = Table();
