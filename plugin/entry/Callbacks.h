// The host's callbacks into the module, exported by name. The module entry finds them among the
// module's own exports; a classic host reads the per-run and per-frame ones from the callback
// table, the modern host looks each one up by name.
#pragma once

#include <cstdint>

#include "Orbitersdk.h"
#include "tetherblock/LinkForces.h"

namespace kestrane {

// 1 after opcDLLInit has created (or tried to create) the registry; 0 again after opcDLLExit.
extern int32_t initialised;

}  // namespace kestrane

// The callbacks are found by name: they stay outside the namespace.

// Registers the display mode unless it is registered; creates the registry once. The module entry
// calls it on load, and the modern host calls it again: the second call changes nothing.
DLLCLBK void opcDLLInit(HINSTANCE module);
// Unregisters the display mode and destroys the registry; every link releases what it holds on
// its vessel. A second call finds nothing left to do.
DLLCLBK void opcDLLExit(HINSTANCE module);
// Start of a simulation run.
DLLCLBK void opcOpenRenderViewport(HWND renderWindow, DWORD width, DWORD height, BOOL fullscreen);
// End of a simulation run: every link is disconnected; setup values and records stay.
DLLCLBK void opcCloseRenderViewport();
// Once per frame, before the host moves the vessels: the classic host calls opcTimestep, the
// modern host opcPreStep. Whichever the host calls first in a run steps the registry; the other
// then does nothing, so the tethers step once per frame however the host calls.
DLLCLBK void opcTimestep(double simt, double simdt, double mjd);
DLLCLBK void opcPreStep(double simt, double simdt, double mjd);
// The module's own block of the scenario file, which the host frames as BEGIN_Kestrane ... END
// whatever displays are open: the same lines as a display of the mode writes, so that the tethers
// survive a save with no display of the mode open. The host calls opcLoadState after it has
// created the vessels and before the displays read their blocks; reading both blocks leaves the
// state that reading either leaves.
DLLCLBK void opcSaveState(FILEHANDLE scn);
DLLCLBK void opcLoadState(FILEHANDLE scn);
// For a host that records a run: the force each link added to its vessel 1 in the last step
// (tetherblock/LinkForces.h). Nothing the host API offers tells one link's forces from another's.
DLLCLBK void KestraneLinkForces(tetherblock::LinkForce *forces, int count);
