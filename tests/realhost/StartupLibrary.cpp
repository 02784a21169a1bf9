// A library of the Visual C++ ABI with a static object: its entry must make the object before
// DllMain sees the attach and destroy it after DllMain has seen the detach.
#include <windows.h>

namespace {

int *witness = nullptr;
int constructed = 0;
bool mainSawTheObject = false;

struct Witness {
  Witness() { constructed = 1; }
  ~Witness() {
    if (witness != nullptr) *witness = mainSawTheObject ? 2 : 1;
  }
} object;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) mainSawTheObject = constructed == 1;
  return TRUE;
}

// 1 when the static object was made before the attach reached DllMain.
extern "C" __declspec(dllexport) int Constructed() { return mainSawTheObject ? 1 : 0; }

// The object writes 2 here when it is destroyed at unload.
extern "C" __declspec(dllexport) void Watch(int *destroyed) { witness = destroyed; }
