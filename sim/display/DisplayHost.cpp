// Display modes and open displays of the simulated host.

#include "sim/display/DisplayHost.h"

#include <algorithm>
#include <cctype>

#include "sim/api/CoreInterface.h"
#include "sim/world/SimTime.h"

namespace sim {

namespace {

DisplayHost *current = nullptr;

void SetError(std::string *error, const std::string &reason) {
  if (error != nullptr) {
    *error = reason;
  }
}

// The host's colours for its own drawing on a display: the title white, the menu's entries green
// and the keys beside them grey.
constexpr COLORREF titleColour = 0xFFFFFF;
constexpr COLORREF menuColour = 0x00FF00;
constexpr COLORREF menuKeyColour = 0x808080;

// More entries than any menu of the host's modes holds: a display that claims more is not asked
// for each of them.
constexpr int maxMenuEntries = 1000;

int ButtonsPerPage(const DisplayGeometry &geometry) { return 2 * geometry.buttonsPerSide; }

}  // namespace

int ButtonCentreY(const DisplayGeometry &geometry, int row) {
  const int height = static_cast<int>(geometry.height);
  return height / 6 + row * (height / 7);
}

int MenuRows(const DisplayGeometry &geometry) {
  const int ch = static_cast<int>(geometry.cellHeight);
  if (ch <= 0 || geometry.buttonsPerSide <= 0) return 0;
  return (ButtonCentreY(geometry, geometry.buttonsPerSide - 1) + ch / 2) / ch + 1;
}

DisplayHost *CurrentDisplayHost() { return current; }

DisplayHost::DisplayHost() { current = this; }

DisplayHost::~DisplayHost() {
  CloseAll();
  if (current == this) {
    current = nullptr;
  }
}

int DisplayHost::RegisterMode(const MFDMODESPEC &spec) {
  return RegisterMode(MFDMODESPECEX{spec.name, spec.key, nullptr, spec.msgproc});
}

int DisplayHost::RegisterMode(const MFDMODESPECEX &spec) {
  if (spec.msgproc == nullptr) {
    return -1;
  }
  auto mode = std::make_unique<Mode>();
  mode->id = nextModeId++;
  mode->name = spec.name != nullptr ? spec.name : "";
  mode->spec = spec;
  mode->spec.name = mode->name.data();
  modes.push_back(std::move(mode));
  return modes.back()->id;
}

bool DisplayHost::UnregisterMode(int id) {
  const auto found =
      std::find_if(modes.begin(), modes.end(), [id](const std::unique_ptr<Mode> &mode) { return mode->id == id; });
  if (found == modes.end()) {
    return false;
  }
  // Collect first: closing changes the list of displays.
  std::vector<Display *> ofMode;
  for (const std::unique_ptr<Display> &display : displays) {
    if (display->mode == found->get()) {
      ofMode.push_back(display.get());
    }
  }
  for (Display *display : ofMode) {
    Close(display);
  }
  modes.erase(found);
  return true;
}

const DisplayHost::Mode *DisplayHost::FindMode(const std::string &name) const {
  for (const std::unique_ptr<Mode> &mode : modes) {
    if (mode->name == name) {
      return mode.get();
    }
  }
  return nullptr;
}

const DisplayHost::Mode *DisplayHost::FindMode(int id) const {
  for (const std::unique_ptr<Mode> &mode : modes) {
    if (mode->id == id) {
      return mode.get();
    }
  }
  return nullptr;
}

DisplayHost::Display *DisplayHost::Open(const std::string &modeName, VESSEL *vessel, std::string *error,
                                        const Geometry &geometry) {
  const Mode *mode = FindMode(modeName);
  if (mode == nullptr) {
    SetError(error, "no display mode named \"" + modeName + "\" is registered");
    return nullptr;
  }
  return OpenMode(*mode, vessel, error, geometry);
}

DisplayHost::Display *DisplayHost::Open(int modeId, VESSEL *vessel, std::string *error, const Geometry &geometry) {
  const Mode *mode = FindMode(modeId);
  if (mode == nullptr) {
    SetError(error, "no display mode with id " + std::to_string(modeId) + " is registered");
    return nullptr;
  }
  return OpenMode(*mode, vessel, error, geometry);
}

DisplayHost::Display *DisplayHost::OpenMode(const Mode &mode, VESSEL *vessel, std::string *error,
                                            const Geometry &geometry) {
  // The open message carries width and height as the two 16-bit halves of one word.
  if (geometry.width == 0 || geometry.height == 0 || geometry.width > 0xFFFF || geometry.height > 0xFFFF) {
    SetError(error, "display size " + std::to_string(geometry.width) + " x " + std::to_string(geometry.height) +
                        " is outside 1 .. 65535 pixels");
    return nullptr;
  }
  if (geometry.cellWidth == 0 || geometry.cellHeight == 0 || geometry.cellWidth > geometry.width ||
      geometry.cellHeight > geometry.height) {
    SetError(error, "character cell " + std::to_string(geometry.cellWidth) + " x " +
                        std::to_string(geometry.cellHeight) + " does not fit the display");
    return nullptr;
  }

  const UINT index = FreeIndex();
  const auto procedure = mode.spec.msgproc;
  const auto vesselParam = reinterpret_cast<LPARAM>(vessel);
  // A copy: what the procedure writes into it does not change the mode.
  MFDMODESPECEX specEx = mode.spec;
  MFDMODEOPENSPEC openSpec{static_cast<int>(geometry.width), static_cast<int>(geometry.height), &specEx};
  OAPI_MSGTYPE result = procedure(OAPI_MSG_MFD_OPENEDEX, index, reinterpret_cast<WPARAM>(&openSpec), vesselParam);
  if (result == 0) {
    const WPARAM size = static_cast<WPARAM>(geometry.width) | (static_cast<WPARAM>(geometry.height) << 16);
    result = procedure(OAPI_MSG_MFD_OPENED, index, size, vesselParam);
  }
  if (result == 0) {
    SetError(error, "display mode \"" + mode.name + "\" created no display");
    return nullptr;
  }

  auto display = std::make_unique<Display>();
  display->mode = &mode;
  display->vessel = vessel;
  display->index = index;
  display->geometry = geometry;
  display->object = reinterpret_cast<MFD *>(result);
  display->canvas =
      std::make_unique<Canvas>(static_cast<int>(geometry.width), static_cast<int>(geometry.height),
                               static_cast<int>(geometry.cellWidth), static_cast<int>(geometry.cellHeight));
  // The cell size is the host's to set, after the display's constructor has run.
  kestraneAdapter->attachDisplay(display->object, display.get(), geometry.cellWidth, geometry.cellHeight);
  displays.push_back(std::move(display));
  return displays.back().get();
}

bool DisplayHost::Close(Display *display) {
  const auto found = std::find_if(displays.begin(), displays.end(),
                                  [display](const std::unique_ptr<Display> &open) { return open.get() == display; });
  if (display == nullptr || found == displays.end()) {
    return false;
  }
  // Out of the list first, so that the procedure sees the display as closed.
  std::unique_ptr<Display> closing = std::move(*found);
  displays.erase(found);
  closing->mode->spec.msgproc(OAPI_MSG_MFD_CLOSED, closing->index, reinterpret_cast<WPARAM>(closing->object),
                              reinterpret_cast<LPARAM>(closing->vessel));
  kestraneAdapter->deleteDisplay(closing->object);
  closing->object = nullptr;
  return true;
}

void DisplayHost::CloseAll() {
  // Newest first, as displays are stacked.
  while (!displays.empty()) {
    Close(displays.back().get());
  }
}

DisplayHost::Display *DisplayHost::DisplayAt(size_t i) const {
  return i < displays.size() ? displays[i].get() : nullptr;
}

bool DisplayHost::PressKey(Display &display, DWORD key) {
  if (key == OAPI_KEY_F2) {
    NextButtonPage(display);
    return true;
  }
  if (key == OAPI_KEY_GRAVE) {
    MenuKey(display);
    return true;
  }
  if (key >= buttonKeyBase) {
    const DWORD button = key - buttonKeyBase;
    return button <= 0xFFFF && PressButton(display, static_cast<int>(button));
  }
  const bool consumed = kestraneAdapter->consumeKeyBuffered(display.object, key) != 0;
  if (consumed && display.menuShown) {
    display.menuShown = false;
    display.redrawRequested = true;
  }
  return consumed;
}

bool DisplayHost::PressButton(Display &display, int button) {
  const int perPage = ButtonsPerPage(display.geometry);
  if (button < 0 || button >= perPage) {
    return false;
  }
  const bool consumed =
      kestraneAdapter->consumeButton(display.object, display.buttonPage * perPage + button, PANEL_MOUSE_LBDOWN) != 0;
  if (consumed && display.menuShown) {
    display.menuShown = false;
    display.redrawRequested = true;
  }
  return consumed;
}

std::string DisplayHost::ButtonLabel(const Display &display, int button) const {
  const int perPage = ButtonsPerPage(display.geometry);
  if (button < 0 || button >= perPage) {
    return {};
  }
  const char *label = kestraneAdapter->buttonLabel(display.object, display.buttonPage * perPage + button);
  return label != nullptr ? label : "";
}

std::vector<ButtonMenuEntry> DisplayHost::ButtonMenu(const Display &display) const {
  const int count =
      std::min(kestraneAdapter->buttonMenu(display.object, -1, nullptr, nullptr, nullptr), maxMenuEntries);
  std::vector<ButtonMenuEntry> menu;
  for (int item = 0; item < count; ++item) {
    const char *line1 = nullptr;
    const char *line2 = nullptr;
    char key = '\0';
    kestraneAdapter->buttonMenu(display.object, item, &line1, &line2, &key);
    menu.push_back({line1 != nullptr ? line1 : "", line2 != nullptr ? line2 : "", key});
  }
  return menu;
}

void DisplayHost::NextButtonPage(Display &display) {
  if (TurnButtonPage(display) && display.menuShown) {
    Redraw(display);
  }
}

// The host draws its menu at once; the display itself, when the menu closes, at the frame's end.
void DisplayHost::MenuKey(Display &display) {
  if (!display.menuShown) {
    display.menuShown = true;
  } else {
    TurnButtonPage(display);
    display.menuShown = display.buttonPage != 0;
  }
  if (display.menuShown)
    Redraw(display);
  else
    display.redrawRequested = true;
}

bool DisplayHost::TurnButtonPage(Display &display) const {
  const int perPage = ButtonsPerPage(display.geometry);
  const int entries =
      std::min(kestraneAdapter->buttonMenu(display.object, -1, nullptr, nullptr, nullptr), maxMenuEntries);
  if (entries <= perPage) {
    return false;
  }
  const int pages = (entries + perPage - 1) / perPage;
  display.buttonPage = (display.buttonPage + 1) % pages;
  return true;
}

void DisplayHost::Redraw(Display &display) {
  // A request made while drawing stays for the next RedrawRequested.
  display.redrawRequested = false;
  display.canvas->Clear();
  if (display.menuShown) {
    DrawMenu(display);
  } else {
    kestraneAdapter->updateDisplay(display.object, display.canvas->Dc());
  }
  ++display.redraws;
  if (redrawListener) {
    redrawListener(display);
  }
}

// As the host draws its menu: the page's entries beside their buttons, the left side's aligned
// left and the right side's right, each entry's key below it as the keyboard takes it on this
// display ("[LShift-J]" on the left display, "[RShift-J]" on the right), or as typed ("[j]").
void DisplayHost::DrawMenu(Display &display) {
  Canvas &canvas = *display.canvas;
  const Geometry &geometry = display.geometry;
  const int cw = static_cast<int>(geometry.cellWidth);
  const int ch = static_cast<int>(geometry.cellHeight);
  const int width = static_cast<int>(geometry.width);
  canvas.HostText(cw / 2, 0, "MFD MENU", titleColour, 0, false);
  const std::vector<ButtonMenuEntry> menu = ButtonMenu(display);
  const int perSide = geometry.buttonsPerSide;
  const std::string keyText = std::string("[") + (display.index == 1 ? 'R' : 'L') + "Shift-";
  for (int side = 0; side < 2; ++side) {
    for (int row = 0; row < perSide; ++row) {
      const size_t item = static_cast<size_t>(display.buttonPage * 2 * perSide + side * perSide + row);
      if (item >= menu.size()) {
        break;
      }
      const ButtonMenuEntry &entry = menu[item];
      int y = ButtonCentreY(geometry, row) - ch - (entry.line2.empty() ? 0 : ch / 2);
      auto line = [&](const std::string &text, COLORREF colour) {
        const int length = static_cast<int>(text.size());
        const int x = side == 0 ? cw / 2 : width - cw / 2 - length * cw;
        canvas.HostText(x, y, text, colour, 0, false);
        y += ch;
      };
      if (!entry.line1.empty()) line(entry.line1, menuColour);
      if (!entry.line2.empty()) line(entry.line2, menuColour);
      if (entry.key != '\0' && menuKeysTyped)
        line("[" + std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(entry.key)))) + "]",
             menuKeyColour);
      else if (entry.key != '\0')
        line(keyText + entry.key + "]", menuKeyColour);
    }
  }
}

void DisplayHost::RedrawAll() {
  for (const std::unique_ptr<Display> &display : displays) {
    Redraw(*display);
  }
}

void DisplayHost::RedrawRequested() {
  for (const std::unique_ptr<Display> &display : displays) {
    if (display->redrawRequested) {
      Redraw(*display);
    }
  }
}

void DisplayHost::EndFrame(double time) {
  for (const std::unique_ptr<Display> &display : displays) {
    if (display->redraws > 0 && !display->redrawRequested && !Reached(time, display->pacedAt + redrawInterval))
      continue;
    Redraw(*display);
    display->pacedAt = time;
  }
}

void DisplayHost::InvalidateAll() {
  for (const std::unique_ptr<Display> &display : displays) display->redrawRequested = true;
}

void DisplayHost::WriteStatus(const Display &display, FILEHANDLE scn) const {
  kestraneAdapter->writeStatus(display.object, scn);
}

void DisplayHost::ReadStatus(Display &display, FILEHANDLE scn) { kestraneAdapter->readStatus(display.object, scn); }

UINT DisplayHost::FreeIndex() const {
  UINT index = 0;
  while (std::any_of(displays.begin(), displays.end(),
                     [index](const std::unique_ptr<Display> &display) { return display->index == index; })) {
    ++index;
  }
  return index;
}

}  // namespace sim
