// kestrane-sim: runs the plug-in on a scenario in the simulated host.
#include "sim/cli/CommandLine.h"

#ifdef KESTRANE_HAVE_PLAY
#include "sim/play/terminal/Play.h"
#endif

int main(int argc, char **argv) {
#ifdef KESTRANE_HAVE_PLAY
  return sim::RunCommandLine(argc, argv, &sim::Play);
#else
  return sim::RunCommandLine(argc, argv, nullptr);
#endif
}
