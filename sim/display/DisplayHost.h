// The simulated host's multi-function displays: the registered display modes and the open
// displays. Opening a display asks its mode's message procedure for the display object and sets the
// character cell size; keys go to the object; the host draws a display at the end of a frame
// (EndFrame): first at the end of the frame in which it opened, then whenever it asked to be redrawn
// and every half second of simulated time; closing tells the procedure and deletes the object
// through the MFD base. The object is the plug-in's, in
// the plug-in's C++ ABI: the display host reaches it only through the host API's adapter.
//
// A mode's message procedure lives in the plug-in module: close the displays (or destroy the
// DisplayHost) before the module is unloaded.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/OrbiterAPI.h"
#include "sim/display/Canvas.h"

class MFD;

namespace sim {

// The size of a display the host opens, pixels, and its buttons.
struct DisplayGeometry {
  DWORD width = 400;
  DWORD height = 400;
  DWORD cellWidth = 10;
  DWORD cellHeight = 16;
  // Buttons down each side of the screen, as the host's generic panel has them: a page of twice
  // as many, the left side's top to bottom, then the right side's.
  int buttonsPerSide = 6;
};

// The height of the middle of a button on its side (0 at the top), pixels from the top of the
// screen: the host's generic panel spaces six buttons a seventh of the height apart, the first a
// sixth of it down.
int ButtonCentreY(const DisplayGeometry &geometry, int row);
// The character rows the button menu reaches: down to its last entry's key, half a row below the
// middle of the lowest button.
int MenuRows(const DisplayGeometry &geometry);

// One entry of a display's button menu: up to two lines and the key that does the same.
struct ButtonMenuEntry {
  std::string line1, line2;
  char key = '\0';
};

class DisplayHost {
public:
  using Geometry = DisplayGeometry;

  // A registered display mode: a copy of the plug-in's record, with its own name text.
  class Mode {
  public:
    int Id() const { return id; }
    const std::string &Name() const { return name; }
    DWORD Key() const { return spec.key; }
    // The record handed to the message procedure with OAPI_MSG_MFD_OPENEDEX (its name points to
    // Name(); its context is the one registered, null for a record without one).
    const MFDMODESPECEX &Spec() const { return spec; }

  private:
    friend class DisplayHost;
    int id = 0;
    std::string name;
    MFDMODESPECEX spec{};
  };

  // An open display: the object the mode's procedure created, its vessel and its canvas.
  class Display {
  public:
    MFD *Object() const { return object; }
    const Mode &GetMode() const { return *mode; }
    VESSEL *GetVessel() const { return vessel; }
    // The display's number, passed to the message procedure; unique among open displays.
    UINT Index() const { return index; }
    const Geometry &Size() const { return geometry; }
    Canvas &Surface() { return *canvas; }
    const Canvas &Surface() const { return *canvas; }
    // How many times the host has drawn this display.
    int RedrawCount() const { return redraws; }
    // The display asked to be redrawn (a key that changed it) and has not been redrawn since.
    bool RedrawPending() const { return redrawRequested; }
    // The page of buttons the host shows beside the display: it numbers the display's buttons
    // across pages, so button b of page p is the display's button p × (2 × buttonsPerSide) + b.
    int ButtonPage() const { return buttonPage; }
    // The host shows the display's button menu in place of the display.
    bool MenuShown() const { return menuShown; }

  private:
    friend class DisplayHost;
    const Mode *mode = nullptr;
    VESSEL *vessel = nullptr;
    UINT index = 0;
    Geometry geometry;
    MFD *object = nullptr;  // deleted by Close
    std::unique_ptr<Canvas> canvas;
    int redraws = 0;
    bool redrawRequested = false;  // the display asked to be redrawn
    double pacedAt = 0;            // s: the simulated time of the last redraw at a frame's end
    int buttonPage = 0;
    bool menuShown = false;
  };

  // Makes this host the current one (the one oapiRegisterMFDMode registers with).
  DisplayHost();
  // Closes every open display; the host is no longer current.
  ~DisplayHost();
  DisplayHost(const DisplayHost &) = delete;
  DisplayHost &operator=(const DisplayHost &) = delete;

  // Copies the record, name text included, and returns the new mode's id (1, 2, …). Registering
  // the same record twice gives two modes. −1 for a record without a message procedure. A record
  // without a context (the host's older registration) registers with none.
  int RegisterMode(const MFDMODESPECEX &spec);
  int RegisterMode(const MFDMODESPEC &spec);
  // Closes the mode's displays and forgets the mode; false for an unknown id.
  bool UnregisterMode(int id);
  // The first mode registered under this exact name (case-sensitive), or null.
  const Mode *FindMode(const std::string &name) const;
  const Mode *FindMode(int id) const;
  size_t ModeCount() const { return modes.size(); }
  const Mode &ModeAt(size_t i) const { return *modes[i]; }

  // Opens a display of the mode for the vessel: OAPI_MSG_MFD_OPENEDEX, and OAPI_MSG_MFD_OPENED
  // when that gives nothing; sets the cell size. It is first drawn at the end of the frame
  // (EndFrame). Null when the mode is unknown, the geometry is unusable or the procedure created no
  // display; `error` then says why.
  Display *Open(const std::string &modeName, VESSEL *vessel, std::string *error = nullptr,
                const Geometry &geometry = {});
  Display *Open(int modeId, VESSEL *vessel, std::string *error = nullptr, const Geometry &geometry = {});
  // Sends OAPI_MSG_MFD_CLOSED to the mode's procedure, then deletes the object; false when the
  // display is not open here.
  bool Close(Display *display);
  void CloseAll();

  size_t DisplayCount() const { return displays.size(); }
  // Open displays in the order opened; null outside the range.
  Display *DisplayAt(size_t i) const;

  // Hands a buffered key to the display. True when the display consumed the key. A display that
  // asks to be redrawn is redrawn at the end of the frame, after every key of the frame: a later
  // key of the same frame finds the display as it was last drawn. The host's own keys stay with
  // the host, as the real host keeps them: F2 turns the page of buttons, the grave accent shows the
  // button menu at once (and, pressed again, its next page, until the last page closes it), and a
  // button key clicks a button of the page shown (PressButton). A key or click that the display
  // takes closes the menu.
  bool PressKey(Display &display, DWORD key);
  // The code PressKey takes for a click on button `button` (0 .. 2 × buttonsPerSide − 1) of the
  // page shown; no scan code reaches it.
  static constexpr DWORD buttonKeyBase = 0x10000;
  static DWORD ButtonKey(int button) { return buttonKeyBase + static_cast<DWORD>(button); }

  // A click (the left mouse button going down) on button `button` of the page shown, handed to
  // the display, which is redrawn at the end of the frame when it asks. True when the display took
  // it; false for a button beyond the page.
  bool PressButton(Display &display, int button);
  // The label of button `button` of the page shown; empty when it has none.
  std::string ButtonLabel(const Display &display, int button) const;
  // The display's button menu, every page's entries in order; empty when it has none.
  std::vector<ButtonMenuEntry> ButtonMenu(const Display &display) const;
  // The next page of buttons, back to the first after the last, when the menu has more entries
  // than a page holds; a shown menu follows.
  void NextButtonPage(Display &display);
  // Shows the button menu, turns its page, and closes it after its last page.
  void MenuKey(Display &display);
  // Clears the canvas and calls Update; while the button menu is shown, draws the menu instead.
  void Redraw(Display &display);
  void RedrawAll();
  // Redraws the displays that asked for it since their last redraw.
  void RedrawRequested();
  // The end of a frame at simulated time `time` (s), as the host ends one: every display not drawn
  // yet, every display that asked to be redrawn, and every display last drawn here redrawInterval
  // or more ago is redrawn.
  void EndFrame(double time);
  // Every open display is to be redrawn at the end of the frame (the focus moved, a vessel went).
  void InvalidateAll();
  // s of simulated time between the redraws of a display that asks for none: the host's default.
  static constexpr double redrawInterval = 0.5;
  // The display asks to be redrawn (MFD::InvalidateDisplay).
  static void Invalidate(Display &display) { display.redrawRequested = true; }

  // Called after every redraw of any display, with the display drawn; one listener at a time, an
  // empty one stops it.
  using RedrawListener = std::function<void(const Display &)>;
  void SetRedrawListener(RedrawListener listener) { redrawListener = std::move(listener); }

  // How the button menu shows each entry's key: as the host's keyboard takes it on that display
  // ("[LShift-J]", the default), or as a terminal types it ("[j]", for kestrane-sim play).
  void ShowMenuKeysAsTyped(bool typed) { menuKeysTyped = typed; }

  void WriteStatus(const Display &display, FILEHANDLE scn) const;
  void ReadStatus(Display &display, FILEHANDLE scn);

private:
  // The next page of buttons, when there is more than one; false when there is not.
  bool TurnButtonPage(Display &display) const;
  void DrawMenu(Display &display);
  Display *OpenMode(const Mode &mode, VESSEL *vessel, std::string *error, const Geometry &geometry);
  UINT FreeIndex() const;

  std::vector<std::unique_ptr<Mode>> modes;
  std::vector<std::unique_ptr<Display>> displays;
  int nextModeId = 1;
  RedrawListener redrawListener;
  bool menuKeysTyped = false;
};

// The current display host, or null.
DisplayHost *CurrentDisplayHost();

}  // namespace sim
