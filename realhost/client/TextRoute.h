// The runs of text drawn into the client's surfaces. Modules draw text straight into a surface's
// device context with GDI (a legacy display's Update(HDC), the host's title above it), so the
// client routes the GDI text calls of the host program and of every module that imports from it
// through itself: GDI draws as ever, and on a surface's context the run is recorded where GDI puts
// it.
#pragma once

#include <windows.h>

namespace nullclient {

// Routes the text imports of the host program and of the modules loaded into it that import from
// it; slots already routed are left as they are, system libraries are never touched.
void RouteTextCalls();

// Records on the surface behind `dc`, if any, a run of `length` bytes that GDI is about to draw at
// (x, y) in the context's current alignment, position and font.
void RecordRun(HDC dc, int x, int y, const char *text, int length);

}  // namespace nullclient
