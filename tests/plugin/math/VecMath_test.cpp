#include "plugin/math/VecMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrane {

namespace {

// Rounding of sine and cosine at π/2 leaves components of about 1e-16.
constexpr double trigTolerance = 1e-12;

void ExpectMatrix(const MATRIX3 &m, std::initializer_list<double> rows) {
  int i = 0;
  for (double expected : rows) {
    EXPECT_DOUBLE_EQ(m.data[i], expected) << "element " << i;
    ++i;
  }
}

void ExpectVector(const VECTOR3 &v, double x, double y, double z, double tolerance = 0) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

TEST(VecMath, MatricesAreStoredRowByRowAndTransposeSwapsThem) {
  const MATRIX3 m = MakeMatrix(1, 2, 3, 4, 5, 6, 7, 8, 9);
  EXPECT_EQ(m.m12, 2);
  EXPECT_EQ(m.m21, 4);
  ExpectMatrix(Transpose(m), {1, 4, 7, 2, 5, 8, 3, 6, 9});
}

TEST(VecMath, MatrixProductReturnsTheSecondTimesTheFirst) {
  const MATRIX3 a = MakeMatrix(1, 2, 0, 0, 1, 0, 0, 0, 1);
  const MATRIX3 b = MakeMatrix(1, 0, 0, 3, 1, 0, 0, 0, 1);
  ExpectMatrix(MatrixProduct(a, b), {1, 2, 0, 3, 7, 0, 0, 0, 1});
  ExpectMatrix(MatrixProduct(b, a), {7, 2, 0, 3, 1, 0, 0, 0, 1});
}

TEST(VecMath, MatrixVectorProductsTakeColumnsAndRows) {
  const MATRIX3 m = MakeMatrix(1, 2, 3, 4, 5, 6, 7, 8, 9);
  ExpectVector(MatrixTimesVector(MakeVector(1, 0, 0), m), 1, 4, 7);
  ExpectVector(TransposedTimesVector(MakeVector(1, 0, 0), m), 1, 2, 3);
  ExpectVector(MatrixTimesVector(MakeVector(1, 2, 3), m), 14, 32, 50);
  ExpectVector(TransposedTimesVector(MakeVector(1, 2, 3), m), 30, 36, 42);
}

TEST(VecMath, RotationsTurnTheAxesTheirOwnWay) {
  const double quarter = PI / 2;
  // RotationY turns x towards +z, unlike the usual right-handed rotation about y.
  ExpectVector(MatrixTimesVector(MakeVector(1, 0, 0), RotationY(quarter)), 0, 0, 1, trigTolerance);
  ExpectVector(MatrixTimesVector(MakeVector(1, 0, 0), RotationZ(quarter)), 0, 1, 0, trigTolerance);
  ExpectVector(MatrixTimesVector(MakeVector(0, 1, 0), RotationX(quarter)), 0, 0, 1, trigTolerance);
  // The transposed product undoes the rotation.
  const MATRIX3 r = MatrixProduct(RotationX(0.3), RotationZ(-1.1));
  ExpectVector(TransposedTimesVector(MatrixTimesVector(MakeVector(2, -3, 5), r), r), 2, -3, 5, trigTolerance);
}

TEST(VecMath, MinorAndAdjugate) {
  EXPECT_DOUBLE_EQ(Minor(0, 0, MakeMatrix(1, 2, 3, 4, 5, 6, 7, 8, 10)), 2);
  EXPECT_DOUBLE_EQ(Minor(1, 2, MakeMatrix(1, 2, 3, 4, 5, 6, 7, 8, 10)), 1 * 8 - 2 * 7);
  ExpectMatrix(Adjugate(MakeMatrix(2, 0, 0, 0, 3, 0, 0, 0, 4)), {12, 0, 0, 0, 8, 0, 0, 0, 6});
  ExpectMatrix(Adjugate(MakeMatrix(1, 2, 0, 0, 1, 0, 0, 0, 1)), {1, -2, 0, 0, 1, 0, 0, 0, 1});
  // The adjugate times the matrix is the determinant times the identity.
  const MATRIX3 m = MakeMatrix(1, 2, 3, 0, 1, 4, 5, 6, 0);  // determinant 1
  ExpectMatrix(MatrixProduct(m, Adjugate(m)), {1, 0, 0, 0, 1, 0, 0, 0, 1});
}

TEST(VecMath, CentroidAndLength) {
  ExpectVector(Centroid(MakeVector(0, 0, 0), MakeVector(3, 0, 0), MakeVector(0, 3, 0)), 1, 1, 0);
  EXPECT_DOUBLE_EQ(VectorLength(MakeVector(3, 4, 0)), 5);
  EXPECT_DOUBLE_EQ(Dot(MakeVector(1, 2, 3), MakeVector(4, 5, 6)), 32);
  EXPECT_DOUBLE_EQ(Lerp(2, 4, 0.25), 2.5);
}

}  // namespace

}  // namespace kestrane
