// The start-up code of programs and libraries of the Visual C++ ABI built here: static objects are
// made before main and DllMain run, and a library's are destroyed when it is unloaded, while its
// code is still there.
#include <windows.h>

#include <cstdio>

namespace {

// Volatile, so that the compiler cannot make the object's construction a constant initialisation.
volatile int constructed = 0;

struct Witness {
  Witness() { constructed = 1; }
} object;

int Fail(const char *what) {
  std::fprintf(stderr, "start-up: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char **argv) {
  if (constructed != 1) return Fail("the program's static object was not made before main");
  if (argc != 2) return Fail("usage: startup_check LIBRARY");
  HMODULE library = LoadLibraryA(argv[1]);
  if (library == nullptr) return Fail("cannot load the library");
  using Constructed = int (*)();
  using Watch = void (*)(int *);
  const auto isConstructed =
      reinterpret_cast<Constructed>(reinterpret_cast<void *>(GetProcAddress(library, "Constructed")));
  const auto watch = reinterpret_cast<Watch>(reinterpret_cast<void *>(GetProcAddress(library, "Watch")));
  if (isConstructed == nullptr || watch == nullptr) return Fail("the library lacks its exports");
  if (isConstructed() != 1) return Fail("the library's static object was not made before DllMain");
  int destroyed = 0;
  watch(&destroyed);
  FreeLibrary(library);
  if (destroyed != 2) return Fail("the library's static object was not destroyed at unload");
  std::printf("start-up: static objects made before main and DllMain, destroyed at unload\n");
  return 0;
}
