// The module's entry: the library's load/unload notification and the table through which the
// host finds the per-run and per-frame callbacks. The entry does not know the callbacks at
// compile time; it looks them up by name among the module's own exports, so the module opts
// into a host event by exporting a function of the right name.
#pragma once

#include "../host/Orbitersdk.h"

// The host's table of five callbacks, slot by slot: open viewport, close viewport, time step,
// focus changed, time acceleration changed. A slot whose function the module does not export is
// null.
typedef OPC_CALLBACKTABLE CallbackTable;

// Load (DLL_PROCESS_ATTACH): fills the table, then calls "opcDLLInit" if exported. Unload
// (DLL_PROCESS_DETACH): calls "opcDLLExit" if exported. Always TRUE.
DLLCLBK BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);

// The table, for the host to read the callbacks from.
DLLCLBK OPC_CALLBACKTABLE *__opcGetInterface();
