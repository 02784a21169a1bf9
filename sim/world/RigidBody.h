// The rotation half of a rigid body's symplectic step, shared by free vessels and docked
// assemblies: both turn about their principal axes.
#pragma once

#include "sim/world/Vec3.h"

namespace sim {

inline double Component(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Lets a body with orientation `rot` and body-frame angular momentum `momentum` (kg m^2/s) turn
// torque-free over dt (s). The free motion is split into exact rotations about the principal axes,
// composed symmetrically (x/2, y/2, z, y/2, x/2): each keeps rot·momentum (the angular momentum in
// the global frame) exactly, and the composition is time-reversible, so the kinetic energy does
// not drift. An axis whose inverse moment is 0 does not turn. Ends with `rot` made orthonormal
// again.
inline void TurnFreely(Mat3 &rotation, Vec3 &angularMomentum, const double invInertia[3], double dt) {
  static const int axes[5] = {0, 1, 2, 1, 0};
  static const double fractions[5] = {0.5, 0.5, 1.0, 0.5, 0.5};
  // Local copies: the caller's objects would have to be written back at every turn.
  Mat3 rot = rotation;
  Vec3 momentum = angularMomentum;
  const double inverse[3] = {invInertia[0], invInertia[1], invInertia[2]};
  for (int s = 0; s < 5; ++s) {
    const int k = axes[s];
    const double angle = Component(momentum, k) * inverse[k] * dt * fractions[s];
    if (angle == 0) continue;
    const Mat3 turn = AxisRotation(k, angle);
    rot = rot * turn;
    momentum = Transposed(turn) * momentum;
  }
  rotation = Reorthonormalized(rot);
  angularMomentum = momentum;
}

}  // namespace sim
