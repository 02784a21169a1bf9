// The entry of a console program of this ABI: static objects, the command line from msvcrt.dll,
// main, the exit list, and msvcrt.dll's exit, which flushes the standard streams.
#include <cstdlib>

#include "Startup.h"

namespace {

struct StartupInfo {
  int newMode;
};

}  // namespace

extern "C" int __cdecl __getmainargs(int *argc, char ***argv, char ***env, int expandWildcards, StartupInfo *info);
extern "C" void __cdecl __set_app_type(int type);

int main(int argc, char **argv);

// Start-up code is what calls main.
#pragma clang diagnostic ignored "-Wmain"

extern "C" void __cdecl mainCRTStartup() {
  constexpr int consoleApplication = 1;
  __set_app_type(consoleApplication);
  runtime::RunInitializers();
  int argc = 0;
  char **argv = nullptr;
  char **env = nullptr;
  StartupInfo info{0};
  __getmainargs(&argc, &argv, &env, 0, &info);
  const int status = main(argc, argv);
  runtime::RunExitHandlers();
  std::exit(status);
}
