// What a `kestrane-sim run` leaves behind besides its CSV rows: the display's text and picture,
// the scenario saved, the checkpoints, the replay page and the one-line summary.
#pragma once

#include <string>
#include <vector>

#include "sim/cli/Cli.h"
#include "sim/run/Recorder.h"
#include "sim/run/ReplayRecorder.h"
#include "sim/run/Simulation.h"

namespace sim {

// `text` written to `path`; false with a one-line reason in `error`.
bool WriteText(const std::string &path, const std::string &text, std::string &error);

// A checkpoint of the run at `path`. The CSV rows so far reach the disk before the scenario does,
// so that a checkpoint never runs ahead of them; the scenario replaces the last checkpoint only
// once it is whole on the disk. False when either failed, the scenario's failure in `error`.
bool SaveCheckpoint(Simulation &simulation, Recorder &recorder, const std::string &path, std::string &error);

// Everything a run leaves behind, for the time it reached, however it ended: the last CSV sample
// (unless one was just taken at `lastSample`, s), the display's text and picture, the scenario and
// the last checkpoint, and the replay page (`replay`, when one was recorded). Every output of a run
// is written here. A failure adds a line to `errors`; the other outputs are written all the same.
// After a frame that left a state no longer finite (`stateLost`), only what holds the run before
// it is written: the CSV rows so far, the display as last drawn and the replay so far.
void WriteOutputs(Simulation &simulation, const RunArguments &args, Recorder &recorder, ReplayRecorder *replay,
                  double lastSample, bool stateLost, std::vector<std::string> &errors);

}  // namespace sim
