#include "plugin/entry/PluginFrame.h"

namespace kestrane {

namespace {

CallbackTable callbackTable = {nullptr, nullptr, nullptr, nullptr, nullptr};

typedef void (*ModuleNotification)(HINSTANCE module);

// The module's own export of that name, null when it has none. The address passes through the
// generic function pointer type, the one that converts to any other without a warning.
template <typename Function>
Function Lookup(HINSTANCE module, const char *name) {
  typedef void (*AnyFunction)();
  AnyFunction address = reinterpret_cast<AnyFunction>(GetProcAddress(static_cast<HMODULE>(module), name));
  return reinterpret_cast<Function>(address);
}

void FillCallbackTable(HINSTANCE module) {
  callbackTable.openRenderViewport = Lookup<OpenRenderViewportCallback>(module, "opcOpenRenderViewport");
  callbackTable.closeRenderViewport = Lookup<CloseRenderViewportCallback>(module, "opcCloseRenderViewport");
  callbackTable.timestep = Lookup<TimestepCallback>(module, "opcTimestep");
  callbackTable.focusChanged = Lookup<FocusChangedCallback>(module, "opcFocusChanged");
  callbackTable.timeAccChanged = Lookup<TimeAccChangedCallback>(module, "opcTimeAccChanged");
}

void Notify(HINSTANCE module, const char *name) {
  if (ModuleNotification notification = Lookup<ModuleNotification>(module, name)) notification(module);
}

}  // namespace

}  // namespace kestrane

DLLCLBK BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      kestrane::FillCallbackTable(module);
      kestrane::Notify(module, "opcDLLInit");
      break;
    case DLL_PROCESS_DETACH:
      kestrane::Notify(module, "opcDLLExit");
      break;
    default:
      break;
  }
  // The load is never refused, also when a callback is missing.
  return TRUE;
}

DLLCLBK kestrane::CallbackTable *__opcGetInterface() { return &kestrane::callbackTable; }
