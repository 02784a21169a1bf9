// The module's entry: the library's load/unload notification and the table through which the
// host finds the per-run and per-frame callbacks. The entry does not know the callbacks at
// compile time; it looks them up by name among the module's own exports, so the module opts
// into a host event by exporting a function of the right name.
#pragma once

#include "Orbitersdk.h"

namespace kestrane {

// The callbacks a classic host reads from the table, as the host calls them.
typedef void (*OpenRenderViewportCallback)(HWND renderWindow, DWORD width, DWORD height, BOOL fullscreen);
typedef void (*CloseRenderViewportCallback)();
typedef void (*TimestepCallback)(double simt, double simdt, double mjd);
typedef void (*FocusChangedCallback)(OBJHANDLE newFocus, OBJHANDLE oldFocus);
typedef void (*TimeAccChangedCallback)(double newWarp, double oldWarp);

// The host's table of five callbacks, slot by slot. A slot whose function the module does not
// export is null.
struct CallbackTable {
  OpenRenderViewportCallback openRenderViewport;
  CloseRenderViewportCallback closeRenderViewport;
  TimestepCallback timestep;
  FocusChangedCallback focusChanged;
  TimeAccChangedCallback timeAccChanged;
};

}  // namespace kestrane

// The entry and the table are found by name: they stay outside the namespace.

// Load (DLL_PROCESS_ATTACH): fills the table, then calls "opcDLLInit" if exported. Unload
// (DLL_PROCESS_DETACH): calls "opcDLLExit" if exported. Always TRUE.
DLLCLBK BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

// The table, for the host to read the callbacks from.
DLLCLBK kestrane::CallbackTable *__opcGetInterface();
