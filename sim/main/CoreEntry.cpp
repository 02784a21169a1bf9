// The core library's command line: the program that loads it (orbiter.exe, with the host API in
// another C++ ABI) passes its own on, and the core runs it as kestrane-sim would, without play.
#include "sim/cli/CommandLine.h"

extern "C" __declspec(dllexport) int KestraneRun(int argc, char **argv) {
  return sim::RunCommandLine(argc, argv, nullptr);
}
