#include "plugin/display/TetherDisplay.h"

#include <new>

#include "plugin/registry/TetherData.h"

namespace kestrane {

const char modeName[] = "Kestrane";

TetherDisplay::TetherDisplay(DWORD w, DWORD h, VESSEL *vessel) : MFD(w, h, vessel) {}

TetherDisplay::~TetherDisplay() = default;

// Every display saves and restores the one registry, so whichever display the host asks, the
// same block results.
void TetherDisplay::WriteStatus(FILEHANDLE scn) const {
  if (tetherData != nullptr) tetherData->WriteScenario(scn);
}

void TetherDisplay::ReadStatus(FILEHANDLE scn) {
  if (tetherData != nullptr) tetherData->ReadScenario(scn);
}

VESSEL *TetherDisplay::ResolveVessel(char *name) {
  OBJHANDLE handle = oapiGetVesselByName(name);
  return handle != nullptr ? oapiGetVesselInterface(handle) : nullptr;
}

OAPI_MSGTYPE ModeMessageProc(UINT msg, UINT, WPARAM wparam, LPARAM lparam) {
  if (msg != OAPI_MSG_MFD_OPENED) return 0;
  const DWORD width = static_cast<DWORD>(wparam & 0xFFFFu);
  const DWORD height = static_cast<DWORD>((wparam >> 16) & 0xFFFFu);
  VESSEL *vessel = reinterpret_cast<VESSEL *>(lparam);
  TetherDisplay *display = new (std::nothrow) TetherDisplay(width, height, vessel);
  // The host takes the address as the result, which is as wide as a pointer wherever pointers
  // are wider than 32 bits.
  return reinterpret_cast<OAPI_MSGTYPE>(display);
}

}  // namespace kestrane
