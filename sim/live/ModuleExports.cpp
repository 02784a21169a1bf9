// The plug-in module linked into the browser's program: what its file kestrane.so exports, by
// name, as the module declares it. The host reaches the module only through this table, as it
// reaches the file only through the loader's look-ups; a test compares the names with the file's.
#include "host/OrbiterAPI.h"
#include "sim/live/StaticModule.h"
#include "tetherblock/LinkForces.h"

// The module's exported functions, each with the very type it is defined with: a call through a
// pointer of another type would trap here.
extern "C" {
BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
void *__opcGetInterface();
void opcDLLInit(HINSTANCE module);
void opcDLLExit(HINSTANCE module);
void opcOpenRenderViewport(HWND renderWindow, DWORD width, DWORD height, BOOL fullscreen);
void opcCloseRenderViewport();
void opcTimestep(double simt, double simdt, double mjd);
void opcPreStep(double simt, double simdt, double mjd);
void opcSaveState(FILEHANDLE scn);
void opcLoadState(FILEHANDLE scn);
void KestraneLinkForces(tetherblock::LinkForce *forces, int count);
}

namespace sim {

namespace {

using AnyFunction = void (*)();

template <typename Function>
AnyFunction Address(Function *function) {
  return reinterpret_cast<AnyFunction>(function);
}

const StaticExport kestraneExports[] = {
    {"DllMain", Address(&DllMain)},
    {"__opcGetInterface", Address(&__opcGetInterface)},
    {"opcDLLInit", Address(&opcDLLInit)},
    {"opcDLLExit", Address(&opcDLLExit)},
    {"opcOpenRenderViewport", Address(&opcOpenRenderViewport)},
    {"opcCloseRenderViewport", Address(&opcCloseRenderViewport)},
    {"opcTimestep", Address(&opcTimestep)},
    {"opcPreStep", Address(&opcPreStep)},
    {"opcSaveState", Address(&opcSaveState)},
    {"opcLoadState", Address(&opcLoadState)},
    {"KestraneLinkForces", Address(&KestraneLinkForces)},
};

}  // namespace

const StaticModule linkedModules[] = {
    {"kestrane.so", kestraneExports, sizeof kestraneExports / sizeof *kestraneExports}};
const size_t linkedModuleCount = 1;

}  // namespace sim
