// The entry of orbiter.exe: the host's WinMain program, linked as a console program so that it runs
// without a display and its output can be redirected. Static objects, WinMain with the command line after the
// program's name, the exit list, and msvcrt.dll's exit, which flushes the standard streams.
#include <windows.h>

#include <cstdlib>

#include "../../runtime/Startup.h"

extern "C" void __cdecl __set_app_type(int type);

namespace {

// The command line after the program's name, which may be quoted, and the blanks after it.
char *Arguments(char *line) {
  bool quoted = false;
  for (; *line != '\0' && (quoted || (*line != ' ' && *line != '\t')); ++line)
    if (*line == '"') quoted = !quoted;
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

}  // namespace

extern "C" void __cdecl WinMainCRTStartup() {
  constexpr int consoleApplication = 1;
  __set_app_type(consoleApplication);
  runtime::RunInitializers();
  const int status = WinMain(GetModuleHandleA(nullptr), nullptr, Arguments(GetCommandLineA()), SW_SHOWDEFAULT);
  runtime::RunExitHandlers();
  std::exit(status);
}
