#include "plugin/math/VecMath.h"

#include <cmath>

namespace kestrane {

VECTOR3 MakeVector(double x, double y, double z) {
  VECTOR3 v;
  v.x = x;
  v.y = y;
  v.z = z;
  return v;
}

MATRIX3 MakeMatrix(double m11, double m12, double m13, double m21, double m22, double m23, double m31, double m32,
                   double m33) {
  MATRIX3 m;
  m.m11 = m11;
  m.m12 = m12;
  m.m13 = m13;
  m.m21 = m21;
  m.m22 = m22;
  m.m23 = m23;
  m.m31 = m31;
  m.m32 = m32;
  m.m33 = m33;
  return m;
}

MATRIX3 Transpose(MATRIX3 m) {
  MATRIX3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.data[i * 3 + j] = m.data[j * 3 + i];
  return r;
}

double Minor(int row, int col, MATRIX3 m) {
  double rest[4];
  int n = 0;
  for (int i = 0; i < 3; ++i) {
    if (i == row) continue;
    for (int j = 0; j < 3; ++j) {
      if (j == col) continue;
      rest[n++] = m.data[i * 3 + j];
    }
  }
  return rest[0] * rest[3] - rest[1] * rest[2];
}

MATRIX3 Adjugate(MATRIX3 m) {
  const MATRIX3 t = Transpose(m);
  MATRIX3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const double minor = Minor(i, j, t);
      r.data[i * 3 + j] = (i + j) % 2 == 1 ? -minor : minor;
    }
  return r;
}

MATRIX3 MatrixProduct(MATRIX3 a, MATRIX3 b) {
  MATRIX3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r.data[i * 3 + j] = b.data[i * 3 + 0] * a.data[0 * 3 + j] + b.data[i * 3 + 1] * a.data[1 * 3 + j] +
                          b.data[i * 3 + 2] * a.data[2 * 3 + j];
  return r;
}

VECTOR3 MatrixTimesVector(VECTOR3 v, MATRIX3 m) {
  return MakeVector(v.x * m.m11 + v.y * m.m12 + v.z * m.m13, v.x * m.m21 + v.y * m.m22 + v.z * m.m23,
                    v.x * m.m31 + v.y * m.m32 + v.z * m.m33);
}

VECTOR3 TransposedTimesVector(VECTOR3 v, MATRIX3 m) {
  return MakeVector(v.x * m.m11 + v.y * m.m21 + v.z * m.m31, v.x * m.m12 + v.y * m.m22 + v.z * m.m32,
                    v.x * m.m13 + v.y * m.m23 + v.z * m.m33);
}

MATRIX3 RotationX(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return MakeMatrix(1, 0, 0, 0, c, -s, 0, s, c);
}

MATRIX3 RotationY(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return MakeMatrix(c, 0, -s, 0, 1, 0, s, 0, c);
}

MATRIX3 RotationZ(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return MakeMatrix(c, -s, 0, s, c, 0, 0, 0, 1);
}

VECTOR3 Add(VECTOR3 a, VECTOR3 b) { return MakeVector(a.x + b.x, a.y + b.y, a.z + b.z); }

VECTOR3 Divide(VECTOR3 v, double s) { return MakeVector(v.x / s, v.y / s, v.z / s); }

VECTOR3 Centroid(VECTOR3 a, VECTOR3 b, VECTOR3 c) {
  return MakeVector((a.x + b.x + c.x) / 3.0, (a.y + b.y + c.y) / 3.0, (a.z + b.z + c.z) / 3.0);
}

VECTOR3 Copy(VECTOR3 v) { return v; }

VECTOR3 Scale(VECTOR3 v, double s) { return MakeVector(v.x * s, v.y * s, v.z * s); }

double Dot(VECTOR3 a, VECTOR3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

double VectorLength(VECTOR3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

double Lerp(double a, double b, double t) { return (1 - t) * a + b * t; }

}  // namespace kestrane
