// Value operations on the host's vector and matrix types. Every operation takes its operands by
// value and returns a new value; sums of products are formed left to right as written.
#pragma once

#include "Orbitersdk.h"

namespace kestrane {

VECTOR3 MakeVector(double x, double y, double z);
MATRIX3 MakeMatrix(double m11, double m12, double m13, double m21, double m22, double m23, double m31, double m32,
                   double m33);
MATRIX3 Transpose(MATRIX3 m);
// Deletes row `row` and column `col` (each 0..2) and returns a·d − b·c of the four left.
double Minor(int row, int col, MATRIX3 m);
// The classical adjoint: the inverse times the determinant, nothing divided.
MATRIX3 Adjugate(MATRIX3 m);
// Returns B·A, not A·B.
MATRIX3 MatrixProduct(MATRIX3 a, MATRIX3 b);
// M·v, vector first: vessel frame to global frame with a vessel's rotation matrix.
VECTOR3 MatrixTimesVector(VECTOR3 v, MATRIX3 m);
// Mᵀ·v, vector first: global frame to vessel frame.
VECTOR3 TransposedTimesVector(VECTOR3 v, MATRIX3 m);
MATRIX3 RotationX(double angle);
// Turns the x axis towards +z: −sin above the diagonal, +sin below, as in RotationX and RotationZ.
MATRIX3 RotationY(double angle);
MATRIX3 RotationZ(double angle);
VECTOR3 Add(VECTOR3 a, VECTOR3 b);
VECTOR3 Divide(VECTOR3 v, double s);
VECTOR3 Centroid(VECTOR3 a, VECTOR3 b, VECTOR3 c);
VECTOR3 Copy(VECTOR3 v);
VECTOR3 Scale(VECTOR3 v, double s);
double Dot(VECTOR3 a, VECTOR3 b);
double VectorLength(VECTOR3 v);
double Lerp(double a, double b, double t);

}  // namespace kestrane
