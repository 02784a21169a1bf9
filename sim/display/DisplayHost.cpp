// Display modes and open displays of the simulated host.

#include "sim/display/DisplayHost.h"

#include <algorithm>

#include "sim/api/CoreInterface.h"

namespace sim {

namespace {

DisplayHost *current = nullptr;

void SetError(std::string *error, const std::string &reason) {
  if (error != nullptr) {
    *error = reason;
  }
}

}  // namespace

DisplayHost *CurrentDisplayHost() { return current; }

DisplayHost::DisplayHost() { current = this; }

DisplayHost::~DisplayHost() {
  CloseAll();
  if (current == this) {
    current = nullptr;
  }
}

int DisplayHost::RegisterMode(const MFDMODESPEC &spec) {
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
  MFDMODESPECEX specEx{mode.spec.name, mode.spec.key, nullptr, mode.spec.msgproc};
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
  display->canvas = std::make_unique<Canvas>(static_cast<int>(geometry.width), static_cast<int>(geometry.height),
                                             static_cast<int>(geometry.cellWidth),
                                             static_cast<int>(geometry.cellHeight));
  // The cell size is the host's to set, after the display's constructor has run.
  kestraneAdapter->attachDisplay(display->object, display.get(), geometry.cellWidth, geometry.cellHeight);
  displays.push_back(std::move(display));
  Display *opened = displays.back().get();
  Redraw(*opened);
  return opened;
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
  const bool consumed = kestraneAdapter->consumeKeyBuffered(display.object, key) != 0;
  if (display.redrawRequested) {
    Redraw(display);
  }
  return consumed;
}

void DisplayHost::Redraw(Display &display) {
  // A request made while drawing stays for the next RedrawRequested.
  display.redrawRequested = false;
  display.canvas->Clear();
  kestraneAdapter->updateDisplay(display.object, display.canvas->Dc());
  ++display.redraws;
  if (redrawListener) {
    redrawListener(display);
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
