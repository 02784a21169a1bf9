// The turn of a rigid body's step, shared by free vessels and docked assemblies: both turn about
// their principal axes.
#pragma once

#include <cstdint>
#include <cstring>

#include "sim/world/Vec3.h"

namespace sim {

inline double Component(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Whether two matrices hold the same bits (a -0 differs from 0, a NaN equals itself): what a
// function of the matrix gives for one it gives for the other.
inline bool SameBits(const Mat3 &a, const Mat3 &b) {
  // A word at a time, without a call of the library's comparison.
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      uint64_t x, y;
      std::memcpy(&x, &a.m[i][j], sizeof x);
      std::memcpy(&y, &b.m[i][j], sizeof y);
      if (x != y) return false;
    }
  return true;
}

// The last orientation of a body that Reorthonormalized returned unchanged, bit for bit. A body
// that keeps that orientation (it does not turn, or turns back exactly) needs no correction in
// its next step: the correction would give the same bits again. It is recognised by its bits, so
// that any other change of the orientation, by whoever makes it, is corrected as before.
class SettledRotation {
public:
  // Makes `rot` orthonormal again (Reorthonormalized), without the two matrix products when it is
  // the settled orientation.
  void Correct(Mat3 &rot) {
    if (!known || !SameBits(rot, settled)) CorrectAnew(rot);
  }

private:
  void CorrectAnew(Mat3 &rot) {
    const Mat3 corrected = Reorthonormalized(rot);
    if (SameBits(corrected, rot)) {
      settled = corrected;
      known = true;
    }
    rot = corrected;
  }

  Mat3 settled;
  bool known = false;
};

// Lets a body with orientation `rot` and body-frame angular momentum `momentum` (kg m^2/s) turn
// torque-free over dt (s). The free motion is split into exact rotations about the principal axes,
// composed symmetrically (x/2, y/2, z, y/2, x/2): each keeps rot·momentum (the angular momentum in
// the global frame) exactly, and the composition is time-reversible, so the kinetic energy does
// not drift. An axis whose inverse moment is 0 does not turn. Ends with `rot` made orthonormal
// again. `settled` (optional) spares that when it cannot change the orientation: worth it for a
// body that may rest, such as an assembly, whose every step comes here; a body that comes here
// only while it turns passes none and corrects every step, as its orientation changes anyway.
inline void TurnFreely(Mat3 &rotation, Vec3 &angularMomentum, const double invInertia[3], double dt,
                       SettledRotation *settled = nullptr) {
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
  if (settled != nullptr)
    settled->Correct(rot);
  else
    rot = Reorthonormalized(rot);
  rotation = rot;
  angularMomentum = momentum;
}

}  // namespace sim
