// The runs of text drawn into a graphics client's surfaces. Modules draw text straight into a
// surface's device context with GDI (a legacy display's Update(HDC), the host's title above it), so
// the client routes the GDI text calls of the host program and of every module that imports from it
// through itself: GDI draws as ever, and on a surface's context the run is recorded where GDI puts
// it, in the context's current alignment, position and font.
#pragma once

#include <windows.h>

#include <vector>

#include "ScreenText.h"

namespace nullclient {

// The runs of the surface behind a device context, or null for a context that is no surface's.
using RunsOfDc = std::vector<TextRun> *(*)(HDC dc);

// Routes the text imports of the host program and of the modules loaded into it that import from
// it, recording each run into what `runsOf` gives for its context; slots already routed are left
// as they are, system libraries are never touched.
void RouteTextCalls(RunsOfDc runsOf);

}  // namespace nullclient
