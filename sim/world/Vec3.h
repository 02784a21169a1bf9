// The simulated host's own small vector and matrix arithmetic (the plug-in has its own).
#pragma once

#include <cmath>

#include "host/OrbiterAPI.h"

namespace sim {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, Vec3 a) { return a * s; }
inline Vec3 &operator+=(Vec3 &a, Vec3 b) { return a = a + b; }
inline Vec3 &operator-=(Vec3 &a, Vec3 b) { return a = a - b; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
// Unit vector along `a`; the zero vector stays zero.
inline Vec3 Normalized(Vec3 a) {
  double len = Length(a);
  return len > 0 ? a * (1.0 / len) : Vec3{};
}

inline Vec3 FromHost(const VECTOR3 &v) { return {v.x, v.y, v.z}; }
inline VECTOR3 ToHost(Vec3 v) {
  VECTOR3 r;
  r.x = v.x;
  r.y = v.y;
  r.z = v.z;
  return r;
}

// Row-major 3 × 3 matrix.
struct Mat3 {
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

inline Vec3 operator*(const Mat3 &a, Vec3 v) {
  return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z, a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
          a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}
inline Mat3 operator*(const Mat3 &a, const Mat3 &b) {
  Mat3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
  return r;
}
inline Mat3 Transposed(const Mat3 &a) {
  Mat3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[j][i];
  return r;
}

// Rotation by `angle` (rad, right-handed) about coordinate axis 0 (x), 1 (y) or 2 (z).
inline Mat3 AxisRotation(int axis, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  int i = (axis + 1) % 3, j = (axis + 2) % 3;
  Mat3 r;
  r.m[i][i] = c;
  r.m[i][j] = -s;
  r.m[j][i] = s;
  r.m[j][j] = c;
  return r;
}

// One Newton step towards the nearest orthonormal matrix, R (3 − RᵀR) / 2: removes the rounding
// drift that a long product of rotations collects, without favouring any axis.
inline Mat3 Reorthonormalized(const Mat3 &a) {
  Mat3 e = Transposed(a) * a;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) e.m[i][j] = ((i == j ? 3.0 : 0.0) - e.m[i][j]) * 0.5;
  return a * e;
}

inline Mat3 FromHost(const MATRIX3 &a) {
  Mat3 r;
  for (int i = 0; i < 9; ++i) r.m[i / 3][i % 3] = a.data[i];
  return r;
}
inline MATRIX3 ToHost(const Mat3 &a) {
  MATRIX3 r;
  for (int i = 0; i < 9; ++i) r.data[i] = a.m[i / 3][i % 3];
  return r;
}

}  // namespace sim
