// orbiter.exe: a test host in the real host's C++ ABI. Its host API is sim/api compiled against the
// host's own SDK headers, exported under the host's names; behind it is the simulated host's core,
// the GCC-built kestrane-core.dll beside the program, which runs kestrane-sim's command line as the
// modern host: the same run arguments, the same files written.
#include <windows.h>

#include <cstdio>

#include "sim/api/CoreInterface.h"

const KestraneCore *kestraneCore = nullptr;

namespace {

using Bind = const KestraneCore *(*)(const KestraneAdapter *adapter);
using Run = int (*)(int argc, char **argv);

constexpr int failure = 1;

int Fail(const char *what, DWORD error) {
  std::fprintf(stderr, "orbiter: %s (error %lu)\n", what, static_cast<unsigned long>(error));
  return failure;
}

}  // namespace

int main(int argc, char **argv) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return Fail("cannot find the program's own folder", GetLastError());
  DWORD folder = length;
  while (folder > 0 && path[folder - 1] != L'\\' && path[folder - 1] != L'/') --folder;
  static const wchar_t coreName[] = L"kestrane-core.dll";
  if (folder + sizeof coreName / sizeof coreName[0] > MAX_PATH) return Fail("the program's folder is too deep", 0);
  for (size_t i = 0; i < sizeof coreName / sizeof coreName[0]; ++i) path[folder + i] = coreName[i];

  HMODULE core = LoadLibraryW(path);
  if (core == nullptr) return Fail("cannot load kestrane-core.dll beside the program", GetLastError());
  const auto bind = reinterpret_cast<Bind>(reinterpret_cast<void *>(GetProcAddress(core, "KestraneBind")));
  const auto run = reinterpret_cast<Run>(reinterpret_cast<void *>(GetProcAddress(core, "KestraneRun")));
  if (bind == nullptr || run == nullptr) return Fail("kestrane-core.dll is not the simulated host's core", 0);
  kestraneCore = bind(&kestraneAdapterTable);
  return run(argc, argv);
}
