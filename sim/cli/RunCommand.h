// `kestrane-sim run`: the scenario run for its span as fast as it goes (or at a pace), its samples,
// outputs and messages.
#pragma once

#include "sim/cli/Cli.h"

namespace sim {

// Runs to the end or until a signal or a failed write stops the run; returns the exit status
// (ExitStatus.h): 0; 1 when an output could not be written; 2 for bad arguments, an unreadable
// scenario or a state the run cannot go on from; 128 + the signal's number after a signal.
int RunCommand(const RunArguments &args);

}  // namespace sim
