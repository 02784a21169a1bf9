// The plug-in's scenario blocks checked before they are handed to it. The plug-in reads its reals
// in single precision and takes what it reads: a number beyond single precision ("1e39"), or
// "nan", would leave its state, and the run's samples of it, not finite; a tether of no length
// stretches without bound. Such a block is refused when the file is read.
#pragma once

#include <string>

#include "sim/scenario/ScenarioFile.h"

namespace sim {

// Every display block of mode `name` and the module block of that name: each real value
// (SetupTetherLength, SetupTetherForce, a link's Length, Force, ReelSpeed, Attach1 and Attach2)
// that the plug-in reads must read as a finite number in single precision, a link's Length as one
// above 0. ScenarioError naming the file, the line (or the --set that gave it) and the value.
void CheckPluginBlocks(const Scenario &scenario, const std::string &name);

}  // namespace sim
