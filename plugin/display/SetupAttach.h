// Where the setup ties the next tether: the attach point on the own vessel and on the target, each
// in its own vessel's frame, as the setup's attach kinds and numbers choose them, and the distance
// between the two. The connect key ties there, the length key measures there and the screen warns
// from there, so that a length set and a tie made at once leave the tether exactly taut.
#pragma once

#include "Orbitersdk.h"

namespace kestrane {

class TetherData;

struct SetupAttachPoints {
  VECTOR3 own;     // m, in the own vessel's frame
  VECTOR3 target;  // m, in the target's frame
};

// Kind 1 takes the chosen docking port's position (the vessel's centre when the number no longer
// names one of its ports); kinds 0 and 2 the vessel's centre.
SetupAttachPoints SetupAttach(const TetherData &data, VESSEL *own, VESSEL *target);

// The distance between the setup's two attach points now, m.
double SetupDistance(const TetherData &data, VESSEL *own, VESSEL *target);

}  // namespace kestrane
