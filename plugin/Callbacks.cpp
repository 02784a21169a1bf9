#include "Callbacks.h"

#include <new>

#include "../display/TetherDisplay.h"
#include "TetherData.h"

int32_t initialised = 0;

DLLCLBK void opcDLLInit(HINSTANCE) {
  MFDMODESPEC spec;
  // The host keeps the name pointer but never writes through it.
  spec.name = const_cast<char *>(modeName);
  spec.key = modeKey;
  spec.msgproc = ModeMessageProc;
  oapiRegisterMFDMode(spec);

  if (initialised != 0) return;
  tetherData = new (std::nothrow) TetherData;
  // Also when the registry could not be made: the step callback then finds no registry and no
  // later call tries again.
  initialised = 1;
}

DLLCLBK void opcDLLExit(HINSTANCE) {
  delete tetherData;
  // Nothing may reach the destroyed registry through the pointer.
  tetherData = nullptr;
  initialised = 0;
}

DLLCLBK void opcOpenRenderViewport(HWND, DWORD, DWORD, BOOL) {}

DLLCLBK void opcCloseRenderViewport() {
  if (tetherData != nullptr) tetherData->DisconnectAll();
}

DLLCLBK void opcTimestep(double, double, double) {
  if (initialised == 1 && tetherData != nullptr) tetherData->TimeStep();
}
