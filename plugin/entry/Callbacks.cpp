#include "plugin/entry/Callbacks.h"

#include <new>

#include "plugin/display/TetherDisplay.h"
#include "plugin/registry/TetherData.h"

namespace kestrane {

int32_t initialised = 0;

namespace {

// The display mode as the host registered it. A host that calls opcDLLInit itself after the module
// entry did (the modern host does) must not list the mode twice, and a module unloaded while the
// host runs must not leave the mode behind with a message procedure that is gone.
bool modeRegistered = false;
int modeId = 0;

// The host's two per-frame callbacks. The first one a host calls in a simulation run steps the
// registry for the rest of the run; the other does nothing then, so that a host that calls both in
// one frame steps the tethers once.
enum class StepCallback { None, Timestep, PreStep };
StepCallback stepCallback = StepCallback::None;

void Step(StepCallback caller) {
  if (stepCallback == StepCallback::None) stepCallback = caller;
  if (caller != stepCallback) return;
  if (initialised == 1 && tetherData != nullptr) tetherData->TimeStep();
}

}  // namespace

}  // namespace kestrane

// The exported callbacks work on the module's state.
using namespace kestrane;

DLLCLBK void opcDLLInit(HINSTANCE) {
  if (!modeRegistered) {
    // The registration both host generations know; the mode needs no context of its own.
    MFDMODESPECEX spec;
    // The host keeps the name pointer but never writes through it.
    spec.name = const_cast<char *>(modeName);
    spec.key = modeKey;
    spec.context = nullptr;
    spec.msgproc = ModeMessageProc;
    modeId = oapiRegisterMFDMode(spec);
    // A host that refused the mode is asked again at the next initialisation.
    modeRegistered = modeId >= 0;
  }

  if (initialised != 0) return;
  tetherData = new (std::nothrow) TetherData;
  stepCallback = StepCallback::None;
  // Also when the registry could not be made: the step callbacks then find no registry and no
  // later call tries again.
  initialised = 1;
}

DLLCLBK void opcDLLExit(HINSTANCE) {
  if (modeRegistered) oapiUnregisterMFDMode(modeId);
  modeRegistered = false;
  delete tetherData;
  // Nothing may reach the destroyed registry through the pointer; a second exit finds nothing.
  tetherData = nullptr;
  initialised = 0;
}

DLLCLBK void opcOpenRenderViewport(HWND, DWORD, DWORD, BOOL) { stepCallback = StepCallback::None; }

DLLCLBK void opcCloseRenderViewport() {
  if (tetherData != nullptr) tetherData->DisconnectAll();
  stepCallback = StepCallback::None;
}

DLLCLBK void opcTimestep(double, double, double) { Step(StepCallback::Timestep); }

DLLCLBK void opcPreStep(double, double, double) { Step(StepCallback::PreStep); }

DLLCLBK void opcSaveState(FILEHANDLE scn) {
  if (tetherData != nullptr) tetherData->WriteScenario(scn);
}

DLLCLBK void opcLoadState(FILEHANDLE scn) {
  if (tetherData != nullptr) tetherData->ReadScenario(scn);
}

DLLCLBK void KestraneLinkForces(tetherblock::LinkForce *forces, int count) {
  for (int n = 0; n < count && n < tetherblock::linkCount; ++n) {
    const TetherLink *link = tetherData != nullptr ? tetherData->TM[n] : nullptr;
    const bool pulled = link != nullptr && link->pulledLastStep;
    forces[n].added = pulled ? 1 : 0;
    forces[n].vessel1[0] = pulled ? link->force1.x : 0;
    forces[n].vessel1[1] = pulled ? link->force1.y : 0;
    forces[n].vessel1[2] = pulled ? link->force1.z : 0;
  }
}
