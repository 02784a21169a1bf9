// What the module tells a host that records a run, besides its block: the force each link added to
// its vessel 1 in the module's last step. The module exports the function by the name
// linkForcesExport; a host looks it up as it looks up the module's callbacks, and a host that does
// not know it never calls it. The host's record of a tether's pull is twice that force: each vessel
// gets half.
#pragma once

#include <cstdint>

#include "tetherblock/BlockFormat.h"

namespace tetherblock {

struct LinkForce {
  int32_t added;      // 1 when the link pulled its two vessels in the module's last step, else 0
  double vessel1[3];  // N, in vessel 1's frame: the force added to vessel 1 at its attach point
};

// Fills forces[0 … count − 1] for links 0 … count − 1 (at most linkCount).
extern "C" typedef void LinkForcesFunction(LinkForce *forces, int count);
inline constexpr char linkForcesExport[] = "KestraneLinkForces";

}  // namespace tetherblock
