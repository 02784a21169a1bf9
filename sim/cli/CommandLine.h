// kestrane-sim's command line, from the words to the command that runs: run, play, sweep or help.
// The program's main and the core library's entry (orbiter.exe runs the command line through it)
// both come here.
#pragma once

#include "sim/cli/Cli.h"

namespace sim {

// The interactive terminal of `play`, where the build has one.
using PlayCommand = int (*)(const PlayArguments &args);

// Runs the command the words name; returns the exit status (ExitStatus.h). `play` is null in a
// build without the terminal.
int RunCommandLine(int argc, char **argv, PlayCommand play);

}  // namespace sim
