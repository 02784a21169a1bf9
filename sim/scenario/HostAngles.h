// The host's orientation angles, as AROT gives them.
//
// Orientation (AROT) is the host's: angles (α, β, γ) in degrees with global = R · local and
// R = Rx(−α) · Ry(−β) · Rz(−γ), each a right-handed rotation about a global axis. The host's frame
// is left-handed; read as right-handed, its angles and spins are the negatives of the right-handed
// ones, while positions, velocities and forces keep their components. Spin (VROT) is the angular
// velocity in the vessel frame in the host's sense, deg/s: the vessel's right-handed spin is
// −VROT.
#pragma once

#include "sim/world/Vec3.h"

namespace sim {

// The host's orientation angles (radians) to the rotation matrix and back (see the top of this
// file); the angles come back with α and γ in [−π, π] and β in [−π/2, π/2] (γ = 0 when β is ±π/2).
Mat3 RotationFromAngles(Vec3 angles);
Vec3 AnglesFromRotation(const Mat3 &rotation);

}  // namespace sim
