// The host's callbacks into the module, exported by name. The module entry finds them among the
// module's own exports; the host reads the per-run and per-frame ones from the callback table.
#pragma once

#include <cstdint>

#include "../host/Orbitersdk.h"

// 1 after opcDLLInit has created (or tried to create) the registry; 0 again after opcDLLExit.
extern int32_t initialised;

// Registers the display mode on every call; creates the registry once.
DLLCLBK void opcDLLInit(HINSTANCE module);
// Destroys the registry; every link releases what it holds on its vessel.
DLLCLBK void opcDLLExit(HINSTANCE module);
DLLCLBK void opcOpenRenderViewport(HWND renderWindow, DWORD width, DWORD height, BOOL fullscreen);
// End of a simulation run: every link is disconnected; setup values and records stay.
DLLCLBK void opcCloseRenderViewport();
// Once per frame: steps the registry.
DLLCLBK void opcTimestep(double simt, double simdt, double mjd);
