// `kestrane-sim play`: the scenario run in real time in a full-screen terminal, the display in its
// colours, keys typed going to the display, and the simulator's own controls for pause, focus,
// time acceleration and quitting.
#pragma once

#include "sim/cli/Cli.h"

namespace sim {

// Runs until the user quits; returns the exit status: 0; 2 for an unreadable scenario or no
// usable terminal; 1 when the run failed; 128 + the signal's number when SIGINT (after the save
// offer), SIGTERM or SIGHUP ended it.
int Play(const PlayArguments &args);

}  // namespace sim
