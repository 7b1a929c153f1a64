#include <gtest/gtest.h>

#include <cmath>

#include "core/matrix.h"
#include "core/quaternion.h"
#include "tests/core/math_expect.h"
#include "tests/support/log_capture.h"

namespace {

zMatrix4 Sequential4() {
    zMatrix4 m;
    m.Set(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    return m;
}

// ---- storage layout ----

TEST(Matrix4, SetTakesRowsAndStoresColumns) {
    zMatrix4 m = Sequential4();
    const float expected[16] = {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16};
    EXPECT_TRUE(ElementsNear(m.e, expected, 0.0f));
    EXPECT_TRUE(VectorNear(m.GetRow(0, false), zVector(1, 2, 3, 4), 0.0f));
    EXPECT_TRUE(VectorNear(m.GetRow(2, false), zVector(9, 10, 11, 12), 0.0f));
    EXPECT_TRUE(VectorNear(m.GetRow(2, true), zVector(9, 10, 11, 1), 0.0f));
    EXPECT_TRUE(VectorNear(m.GetColumn(1, false), zVector(2, 6, 10, 14), 0.0f));
    EXPECT_TRUE(VectorNear(m.GetColumn(1, true), zVector(2, 6, 10, 1), 0.0f));
    EXPECT_TRUE(MatrixNear(zMatrix4(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16), m, 0.0f));
}

TEST(Matrix4, SetRowAndColumnFollowForceW) {
    zMatrix4 m;
    m.SetRow(1, zVector(7, 8, 9, 5), false);
    EXPECT_EQ(m.e[1], 7.0f);
    EXPECT_EQ(m.e[5], 8.0f);
    EXPECT_EQ(m.e[9], 9.0f);
    EXPECT_EQ(m.e[13], 5.0f);
    m.SetRow(1, zVector(7, 8, 9, 5), true);
    EXPECT_EQ(m.e[13], 1.0f);
    m.SetColumn(2, zVector(1, 2, 3, 4), false);
    EXPECT_TRUE(VectorNear(zVector(m.e[8], m.e[9], m.e[10], m.e[11]), zVector(1, 2, 3, 4), 0.0f));
    m.SetColumn(2, zVector(1, 2, 3, 4), true);
    EXPECT_EQ(m.e[11], 1.0f);
}

TEST(Matrix4, TranslationSitsAtThreeSevenEleven) {
    zMatrix4 t = zMatrix4::Translation(zVector(4, 5, 6));
    EXPECT_EQ(t.e[3], 4.0f);
    EXPECT_EQ(t.e[7], 5.0f);
    EXPECT_EQ(t.e[11], 6.0f);
    EXPECT_TRUE(VectorNear(t.GetRow(3, true), zVector(4, 5, 6)));
    EXPECT_TRUE(VectorNear(zVector(1, 1, 1).ApplyMatrix(t), zVector(5, 6, 7)));
}

TEST(Matrix4, MultiplyAppliesRightOperandFirst) {
    zMatrix4 move = zMatrix4::Translation(zVector(1, 0, 0));
    zMatrix4 scale = zMatrix4::Scale(zVector(2, 2, 2));
    EXPECT_TRUE(VectorNear(zVector(1, 0, 0).ApplyMatrix(zMatrix4::Multiply(move, scale)), zVector(3, 0, 0)));
    EXPECT_TRUE(VectorNear(zVector(1, 0, 0).ApplyMatrix(zMatrix4::Multiply(scale, move)), zVector(4, 0, 0)));
}

TEST(Matrix4, ParentChildChain) {
    // Parent at (10, 0, 0) turned +90 degrees about Y; child at local (1, 0, 0).
    zMatrix4 parent =
        zMatrix4::Compose(zVector(10, 0, 0), zVector(0, MathPi / 2, 0), zVector(1, 1, 1), zVector(0, 0, 0));
    zMatrix4 world = zMatrix4::Multiply(parent, zMatrix4::Translation(zVector(1, 0, 0)));
    EXPECT_NEAR(world.e[3], 10.0f, 1e-5f);
    EXPECT_NEAR(world.e[7], 0.0f, 1e-5f);
    EXPECT_NEAR(world.e[11], -1.0f, 1e-5f);
    // The image of the Z axis is row 2: Z turns toward X.
    EXPECT_TRUE(VectorNear(world.GetRow(2, true), zVector(1, 0, 0)));
}

// ---- zMatrix3 builders ----

TEST(Matrix3, ConstructorTakesRowsAndStoresColumns) {
    zMatrix3 m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    const float expected[9] = {1, 4, 7, 2, 5, 8, 3, 6, 9};
    EXPECT_TRUE(ElementsNear(m.m, expected, 0.0f));
    zMatrix3 n;
    n.Set(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_TRUE(MatrixNear(n, m, 0.0f));
    zMatrix3 copy;
    copy.Copy(m);
    EXPECT_TRUE(MatrixNear(copy, m, 0.0f));
    EXPECT_TRUE(VectorNear(m.GetRow(1), zVector(4, 5, 6, 1), 0.0f));
    EXPECT_TRUE(VectorNear(m.GetColumn(2), zVector(3, 6, 9, 1), 0.0f));
}

TEST(Matrix3, RowAndColumnSetters) {
    zMatrix3 m;
    m.SetRows(zVector(1, 2, 3), zVector(4, 5, 6), zVector(7, 8, 9));
    EXPECT_TRUE(MatrixNear(m, zMatrix3(1, 2, 3, 4, 5, 6, 7, 8, 9), 0.0f));
    m.SetRow(0, zVector(-1, -2, -3));
    EXPECT_TRUE(MatrixNear(m, zMatrix3(-1, -2, -3, 4, 5, 6, 7, 8, 9), 0.0f));
    m.SetColumn(0, zVector(0, 0, 0));
    EXPECT_TRUE(MatrixNear(m, zMatrix3(0, -2, -3, 0, 5, 6, 0, 8, 9), 0.0f));
}

TEST(Matrix3, RotationXStorage) {
    float c = std::cos(0.3f), s = std::sin(0.3f);
    const float expected[9] = {1, 0, 0, 0, c, -s, 0, s, c};
    EXPECT_TRUE(ElementsNear(zMatrix3::RotationX(0.3f).m, expected, 1e-7f));
}

TEST(Matrix3, RotationsTurnPositiveAxes) {
    struct Case {
        const char* name;
        zMatrix3 rotation;
        zVector from, to;
    } cases[] = {
        {"X turns Y toward Z", zMatrix3::RotationX(MathPi / 2), zVector(0, 1, 0), zVector(0, 0, 1)},
        {"Y turns Z toward X", zMatrix3::RotationY(MathPi / 2), zVector(0, 0, 1), zVector(1, 0, 0)},
        {"Z turns X toward Y", zMatrix3::RotationZ(MathPi / 2), zVector(1, 0, 0), zVector(0, 1, 0)},
        {"row r is the image of axis r", zMatrix3::RotationZ(0.4f), zVector(1, 0, 0),
         zMatrix3::RotationZ(0.4f).GetRow(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(VectorNear(c.from.ApplyRotationMatrix(c.rotation), c.to));
    }
}

TEST(Matrix3, TransposeOfRotationIsReverseRotation) {
    zMatrix3 r = zMatrix3::RotationZ(0.7f);
    EXPECT_TRUE(MatrixNear(r.Transpose(), zMatrix3::RotationZ(-0.7f)));
    zMatrix3 m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_TRUE(MatrixNear(m.Transpose(), zMatrix3(1, 4, 7, 2, 5, 8, 3, 6, 9), 0.0f));
    EXPECT_TRUE(MatrixNear(m.Transpose().Transpose(), m, 0.0f));
}

TEST(Matrix3, SimpleBuilders) {
    EXPECT_TRUE(MatrixNear(zMatrix3::Scale(2, 3, 4), zMatrix3(2, 0, 0, 0, 3, 0, 0, 0, 4), 0.0f));
    EXPECT_TRUE(MatrixNear(zMatrix3::Scale2D(2, 3), zMatrix3(2, 0, 0, 0, 3, 0, 0, 0, 1), 0.0f));
    zMatrix3 t = zMatrix3::Translation2D(5, 6);
    EXPECT_EQ(t.m[2], 5.0f);
    EXPECT_EQ(t.m[5], 6.0f);
    const float column[9] = {1, 2, 3, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(ElementsNear(zMatrix3::FromColumn0(zVector(1, 2, 3)).m, column, 0.0f));
    EXPECT_TRUE(MatrixNear(zMatrix3::Identity, zMatrix3(1, 0, 0, 0, 1, 0, 0, 0, 1), 0.0f));
}

TEST(Matrix3, CrossMatrixCrossesWithA) {
    zVector a(1, -2, 3);
    zMatrix3 m = zMatrix3::CrossMatrix(a);
    const zVector points[] = {zVector(1, 0, 0), zVector(0.5f, 4, -2), zVector(-3, 2, 7)};
    for (const zVector& p : points)
        EXPECT_TRUE(VectorNear(p.ApplyRotationMatrix(m), p.Cross(a)));
}

TEST(Matrix3, TwoDimensionalHomogeneousTransform) {
    // Scale, then rotate a quarter turn, then move: each Multiply applies its right side first.
    zMatrix3 m =
        zMatrix3::Multiply(zMatrix3::Translation2D(10, 20),
                           zMatrix3::Multiply(zMatrix3::RotationZ(MathPi / 2), zMatrix3::Scale2D(2, 3)));
    zVector2 p = m.TransformPoint2D(zVector2(1, 1));
    EXPECT_NEAR(p.x, 10.0f - 3.0f, 1e-5f);
    EXPECT_NEAR(p.y, 20.0f + 2.0f, 1e-5f);
    // The same through the 3D transform with z = 1.
    EXPECT_TRUE(VectorNear(zVector(1, 1, 1).ApplyRotationMatrix(m), zVector(7, 22, 1)));
}

TEST(Matrix3, TransformArrayMayWorkInPlace) {
    zVector points[2] = {zVector(1, 0, 0, 7), zVector(0, 1, 0, 7)};
    zMatrix3::RotationZ(MathPi / 2).TransformArray(points, points, 2);
    EXPECT_TRUE(VectorNear(points[0], zVector(0, 1, 0)));
    EXPECT_TRUE(VectorNear(points[1], zVector(-1, 0, 0)));
}

TEST(Matrix3, InverseOfInvertibleMatrices) {
    const zMatrix3 matrices[] = {
        zMatrix3::Identity,
        zMatrix3::Scale(2, -4, 0.5f),
        zMatrix3::FromEulerAngles(0.3f, -1.1f, 2.0f, 4),
        zMatrix3(2, 1, 0, 1, 3, 1, 0, 1, 4),
        zMatrix3::Translation2D(3, -2),
    };
    for (const zMatrix3& m : matrices) {
        zMatrix3 inverse;
        ASSERT_TRUE(m.Inverse(inverse));
        EXPECT_TRUE(MatrixNear(zMatrix3::Multiply(m, inverse), zMatrix3::Identity));
        EXPECT_TRUE(MatrixNear(zMatrix3::Multiply(inverse, m), zMatrix3::Identity));
    }
}

TEST(Matrix3, InverseOfSingularMatrixFails) {
    zMatrix3 inverse;
    EXPECT_FALSE(zMatrix3(1, 2, 3, 2, 4, 6, 0, 1, 1).Inverse(inverse));
    EXPECT_FALSE(zMatrix3::Scale(1, 0, 1).Inverse(inverse));
}

TEST(Matrix3, MultiplyAppliesRightOperandFirst) {
    zMatrix3 rx = zMatrix3::RotationX(MathPi / 2);
    zMatrix3 rz = zMatrix3::RotationZ(MathPi / 2);
    // Y -> Z by rx, then Z stays under rz.
    EXPECT_TRUE(
        VectorNear(zVector(0, 1, 0).ApplyRotationMatrix(zMatrix3::Multiply(rz, rx)), zVector(0, 0, 1)));
    // Y -> -X by rz, then -X stays under rx.
    EXPECT_TRUE(
        VectorNear(zVector(0, 1, 0).ApplyRotationMatrix(zMatrix3::Multiply(rx, rz)), zVector(-1, 0, 0)));
}

// ---- Euler angles ----

TEST(Matrix3, EulerOrdersApplyRotationsInLetterOrder) {
    const float q = MathPi / 2;
    struct Case {
        int order;
        float x, y, z;
        zVector from, to;
    } cases[] = {
        // X first turns Y to Z, then Y turns Z to X.
        {0, q, q, 0, zVector(0, 1, 0), zVector(1, 0, 0)},
        // Y first leaves Y alone, then X turns it to Z.
        {2, q, q, 0, zVector(0, 1, 0), zVector(0, 0, 1)},
        // Z first turns X to Y, then X turns Y to Z.
        {4, q, 0, q, zVector(1, 0, 0), zVector(0, 0, 1)},
        // X first leaves X alone, then Z turns it to Y.
        {1, q, 0, q, zVector(1, 0, 0), zVector(0, 1, 0)},
        // Y first turns Z to X, then Z turns X to Y.
        {3, 0, q, q, zVector(0, 0, 1), zVector(0, 1, 0)},
        // Z first leaves Z alone, then Y turns it to X.
        {5, 0, q, q, zVector(0, 0, 1), zVector(1, 0, 0)},
        // Y first turns Z to X, then X leaves it; z is ignored.
        {6, q, q, 1.0f, zVector(0, 0, 1), zVector(1, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        zMatrix3 m = zMatrix3::FromEulerAngles(c.x, c.y, c.z, c.order);
        EXPECT_TRUE(VectorNear(c.from.ApplyRotationMatrix(m), c.to));
        EXPECT_TRUE(MatrixNear(zMatrix3::FromEuler(zVector(c.x, c.y, c.z), c.order), m, 0.0f));
    }
}

TEST(Matrix3, EulerUnknownOrders) {
    EXPECT_TRUE(MatrixNear(zMatrix3::FromEulerAngles(0.1f, 0.2f, 0.3f, 7), zMatrix3::Identity, 0.0f));
    EXPECT_TRUE(MatrixNear(zMatrix3::FromEulerAngles(0.1f, 0.2f, 0.3f, -1), zMatrix3::Identity, 0.0f));
    zMatrix3 m = zMatrix3::FromEulerAngles(0.1f, 0.2f, 0.3f, 4);
    EXPECT_TRUE(VectorNear(m.AsEuler(9), m.AsEuler(4), 0.0f));
}

TEST(Matrix3, EulerRoundTripsForEveryOrder) {
    // Every angle within the range of the order's asin, which takes the middle rotation.
    const zVector angles[] = {zVector(0.3f, -0.5f, 1.2f), zVector(-1.0f, 0.8f, -1.2f),
                              zVector(0.0f, 0.0f, 0.0f), zVector(1.4f, 1.3f, -1.45f)};
    for (int order = 0; order <= 5; ++order) {
        for (const zVector& a : angles) {
            SCOPED_TRACE(testing::Message()
                         << "order " << order << " angles " << a.x << "," << a.y << "," << a.z);
            zVector back = zMatrix3::FromEuler(a, order).AsEuler(order);
            EXPECT_TRUE(VectorNear(back, a, 1e-4f));
        }
    }
}

TEST(Matrix3, EulerOrderSixLosesSignOfY) {
    zVector back = zMatrix3::FromEulerAngles(0.4f, -0.7f, 2.0f, 6).AsEuler(6);
    EXPECT_TRUE(VectorNear(back, zVector(0.4f, 0.7f, 0.0f), 1e-5f));
}

TEST(Matrix3, AsEulerOfNearlyGimbalMatrixIsNotNaN) {
    // Rounding pushes m[5] a little below -1.
    zMatrix3 m = zMatrix3::FromEulerAngles(MathPi / 2, 0.0f, 0.0f, 4);
    m.m[5] = -1.0000001f;
    zVector angles = m.AsEuler(4);
    EXPECT_NEAR(angles.x, MathPi / 2, 1e-5f);
}

// ---- directions and orthonormal frames ----

::testing::AssertionResult IsRotation(const zMatrix3& m) {
    return MatrixNear(zMatrix3::Multiply(m, m.Transpose()), zMatrix3::Identity, 1e-5f);
}

TEST(Matrix3, FromDirectionWithoutUp) {
    EXPECT_TRUE(MatrixNear(zMatrix3::FromDirection(zVector(0, 0, 5)), zMatrix3::Identity));
    EXPECT_TRUE(MatrixNear(zMatrix3::FromDirection(zVector(0, 2, 0)), zMatrix3(-1, 0, 0, 0, 0, 1, 0, 1, 0)));
    EXPECT_TRUE(MatrixNear(zMatrix3::FromDirection(zVector(0, 0, 0)), zMatrix3::Identity, 0.0f));
    const zVector directions[] = {zVector(1, 2, 3), zVector(-4, 0, 1), zVector(0, -1, -1e-7f)};
    for (const zVector& d : directions) {
        zMatrix3 m = zMatrix3::FromDirection(d);
        EXPECT_TRUE(VectorNear(m.GetRow(2), d.Normalize()));
        EXPECT_TRUE(IsRotation(m));
    }
}

TEST(Matrix3, FromDirectionWithUp) {
    zVector up(0, 3, 0);
    zMatrix3 m = zMatrix3::FromDirection(zVector(0, 0, 2), &up);
    EXPECT_TRUE(MatrixNear(m, zMatrix3::Identity));
    // The up vector is taken as given, not made perpendicular.
    zVector tilted(0, 1, 1);
    zMatrix3 t = zMatrix3::FromDirection(zVector(0, 0, 1), &tilted);
    EXPECT_TRUE(VectorNear(t.GetRow(1), tilted.Normalize()));
}

TEST(Matrix3, OrthonormalizeKeepsRowZeroDirection) {
    zMatrix3 m;
    m.SetRows(zVector(2, 0, 0), zVector(1, 3, 0), zVector(5, 5, 5));
    m.Orthonormalize();
    EXPECT_TRUE(MatrixNear(m, zMatrix3::Identity));
    zMatrix3 skew = zMatrix3::FromEulerAngles(0.3f, 0.2f, 0.1f, 4);
    skew.m[1] += 0.05f;
    skew.Orthonormalize();
    EXPECT_TRUE(IsRotation(skew));
}

TEST(Matrix3, DumpLogsRows) {
    LogCapture log;
    zMatrix3(1, 2, 3, 4, 5, 6, 7, 8, 9).Dump("m");
    EXPECT_EQ(log.Text(), "** Dumping matrix 'm' content:\n"
                          "** |1.000,2.000,3.000|\n"
                          "** |4.000,5.000,6.000|\n"
                          "** |7.000,8.000,9.000|\n\n");
    log.Reset();
    zMatrix3::Identity.Dump();
    EXPECT_EQ(log.Text(), "** |1.000,0.000,0.000|\n** |0.000,1.000,0.000|\n** |0.000,0.000,1.000|\n\n");
}

// ---- 3x3 and 4x4 together ----

TEST(Matrix4, Matrix3ConversionsKeepUpperBlock) {
    zMatrix3 r(1, 2, 3, 4, 5, 6, 7, 8, 9);
    zMatrix4 m = zMatrix4::FromMatrix3(r);
    EXPECT_TRUE(MatrixNear(m, zMatrix4(1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 1), 0.0f));
    m.SetRow(3, zVector(10, 11, 12), true);
    EXPECT_TRUE(MatrixNear(zMatrix3::FromMatrix4(m), r, 0.0f));
}

TEST(Matrix4, ArrayTransforms) {
    zMatrix4 m =
        zMatrix4::Compose(zVector(1, 2, 3), zVector(0, 0, MathPi / 2), zVector(2, 2, 2), zVector(0, 0, 0));
    zVector in[2] = {zVector(1, 0, 0, 1), zVector(0, 1, 0, 0)};
    zVector out[2];

    m.TransformArray(out, in, 2); // full 4x4: w = 0 drops the translation
    EXPECT_TRUE(VectorNear(out[0], zVector(1, 4, 3, 1)));
    EXPECT_TRUE(VectorNear(out[1], zVector(-2, 0, 0, 0)));

    m.TransformPoints(out, in, 2); // w taken as 1
    EXPECT_TRUE(VectorNear(out[0], zVector(1, 4, 3, 1)));
    EXPECT_TRUE(VectorNear(out[1], zVector(-1, 2, 3, 1)));

    m.RotateArray(out, in, 2); // no translation
    EXPECT_TRUE(VectorNear(out[0], zVector(0, 2, 0, 1)));
    EXPECT_TRUE(VectorNear(out[1], zVector(-2, 0, 0, 1)));

    m.TransformPoints(in, in, 2); // in place
    EXPECT_TRUE(VectorNear(in[1], zVector(-1, 2, 3, 1)));
}

TEST(Matrix4, ComposeMovesByOffsetThenScalesRotatesAndPlaces) {
    zMatrix4 m =
        zMatrix4::Compose(zVector(10, 0, 0), zVector(0, 0, MathPi / 2), zVector(2, 3, 4), zVector(1, 0, 0));
    // (0,0,0) + offset = (1,0,0); scaled (2,0,0); turned (0,2,0); placed (10,2,0).
    EXPECT_TRUE(VectorNear(zVector(0, 0, 0).ApplyMatrix(m), zVector(10, 2, 0)));
    EXPECT_TRUE(VectorNear(zVector(0, 0, 1).ApplyMatrix(m), zVector(10, 2, 4)));
    zMatrix4 fromMatrix3 = zMatrix4::ComposeFromMatrix3(zVector(10, 0, 0), zMatrix3::RotationZ(MathPi / 2),
                                                        zVector(2, 3, 4), zVector(1, 0, 0));
    EXPECT_TRUE(MatrixNear(fromMatrix3, m));
}

struct TransformCase {
    zVector position, euler, scale;
};

const TransformCase TransformCases[] = {
    {zVector(0, 0, 0), zVector(0, 0, 0), zVector(1, 1, 1)},
    {zVector(1, -2, 3), zVector(0.3f, -0.4f, 1.1f), zVector(1, 1, 1)},
    {zVector(-5, 0.5f, 8), zVector(-1.2f, 0.7f, -2.6f), zVector(2, 0.5f, 3)},
    {zVector(100, 200, -300), zVector(1.0f, 1.0f, 1.0f), zVector(0.1f, 10, 1)},
};

TEST(Matrix4, DecomposeRecoversComposeParts) {
    for (const TransformCase& c : TransformCases) {
        zMatrix4 m = zMatrix4::Compose(c.position, c.euler, c.scale, zVector(0, 0, 0));
        zVector position(9, 9, 9, 9), scale, euler;
        zMatrix3 rotation;
        m.Decompose(&position, &scale, &rotation);
        EXPECT_TRUE(VectorNear(position, c.position, 1e-4f));
        EXPECT_TRUE(VectorNear(scale, c.scale, 1e-5f));
        EXPECT_TRUE(MatrixNear(rotation, zMatrix3::FromEuler(c.euler, 4), 1e-5f));
        m.DecomposeEuler(nullptr, nullptr, &euler, 4);
        EXPECT_TRUE(VectorNear(euler, c.euler, 1e-4f));
    }
    zMatrix4::Identity.Decompose(nullptr, nullptr, nullptr); // every output optional
}

TEST(Matrix4, DecomposeMirroredMatrixNegatesXScale) {
    zMatrix4 m =
        zMatrix4::Compose(zVector(0, 0, 0), zVector(0, 0.5f, 0), zVector(-2, 3, 4), zVector(0, 0, 0));
    zVector scale;
    zMatrix3 rotation;
    m.Decompose(nullptr, &scale, &rotation);
    EXPECT_TRUE(VectorNear(scale, zVector(-2, 3, 4)));
    EXPECT_TRUE(MatrixNear(rotation, zMatrix3::RotationY(0.5f)));
}

TEST(Matrix4, DecomposeZeroScaleRowGivesUnitAxis) {
    zMatrix4 m = zMatrix4::Scale(zVector(0, 2, 3));
    zVector scale;
    zMatrix3 rotation;
    m.Decompose(nullptr, &scale, &rotation);
    EXPECT_TRUE(VectorNear(scale, zVector(0, 2, 3)));
    EXPECT_TRUE(MatrixNear(rotation, zMatrix3::Identity, 0.0f));
}

TEST(Matrix4, InverseUndoesCompose) {
    const zVector points[] = {zVector(0, 0, 0), zVector(1, 2, 3), zVector(-7, 0.5f, 4)};
    for (const TransformCase& c : TransformCases) {
        zMatrix4 m = zMatrix4::Compose(c.position, c.euler, c.scale, zVector(0, 0, 0));
        zMatrix4 inverse = m.Inverse();
        // Translations of a few hundred units leave errors of about 1e-4.
        EXPECT_TRUE(MatrixNear(zMatrix4::Multiply(inverse, m), zMatrix4::Identity, 1e-3f));
        for (const zVector& p : points)
            EXPECT_TRUE(VectorNear(p.ApplyMatrix(m).ApplyMatrix(inverse), p, 1e-3f));
    }
}

TEST(Matrix4, InverseWithZeroScaleIsFinite) {
    zMatrix4 m = zMatrix4::Compose(zVector(1, 2, 3), zVector(0, 0, 0), zVector(0, 2, 4), zVector(0, 0, 0));
    zMatrix4 inverse = m.Inverse();
    for (float element : inverse.e)
        EXPECT_TRUE(std::isfinite(element));
    // The collapsed axis maps to 0; the others still invert.
    zVector back = zVector(5, 4, 7).ApplyMatrix(inverse);
    EXPECT_TRUE(VectorNear(back, zVector(0, 1, 1)));
}

TEST(Matrix4, InterpolateLinearBlendsElements) {
    zMatrix4 a = Sequential4();
    zMatrix4 b;
    zMatrix4 half = zMatrix4::Interpolate(a, b, 0.5f, true);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(half.e[i], (a.e[i] + b.e[i]) / 2);
    EXPECT_TRUE(MatrixNear(zMatrix4::Interpolate(a, b, 0.0f, true), a, 0.0f));
}

TEST(Matrix4, InterpolateDecomposedBlendsRotationBySlerp) {
    zMatrix4 a = zMatrix4::Compose(zVector(0, 0, 0), zVector(0, 0, 0), zVector(1, 1, 1), zVector(0, 0, 0));
    zMatrix4 b =
        zMatrix4::Compose(zVector(4, 2, 0), zVector(0, MathPi / 2, 0), zVector(3, 3, 3), zVector(0, 0, 0));
    zMatrix4 half = zMatrix4::Interpolate(a, b, 0.5f, false);
    zMatrix4 expected =
        zMatrix4::Compose(zVector(2, 1, 0), zVector(0, MathPi / 4, 0), zVector(2, 2, 2), zVector(0, 0, 0));
    EXPECT_TRUE(MatrixNear(half, expected, 1e-5f));
    EXPECT_TRUE(MatrixNear(zMatrix4::Interpolate(a, b, 1.0f, false), b, 1e-5f));
}

TEST(Matrix4, OrthonormalizedKeepsTranslation) {
    zMatrix4 m =
        zMatrix4::Compose(zVector(1, 2, 3), zVector(0.2f, 0.3f, 0.4f), zVector(2, 2, 2), zVector(0, 0, 0));
    zMatrix4 o = m.Orthonormalized();
    EXPECT_TRUE(VectorNear(o.GetRow(3, false), zVector(1, 2, 3, 1)));
    EXPECT_TRUE(MatrixNear(zMatrix3::FromMatrix4(o), zMatrix3::FromEulerAngles(0.2f, 0.3f, 0.4f, 4)));
}

TEST(Matrix4, DiffersFromChecksEveryElement) {
    zMatrix4 m = Sequential4();
    for (int i = 0; i < 16; ++i) {
        zMatrix4 n = m;
        n.e[i] += 1e-5f;
        EXPECT_TRUE(m.DiffersFrom(n)) << i;
        n.e[i] = m.e[i] + 5e-7f;
        EXPECT_FALSE(m.DiffersFrom(n)) << i;
    }
}

TEST(MatrixPair, SettersKeepInverseInStep) {
    zMatrixPair pair;
    EXPECT_TRUE(MatrixNear(pair.inverse, zMatrix4::Identity, 0.0f));
    pair.Set(zMatrix4::Compose(zVector(1, 2, 3), zVector(0.5f, 0, 0), zVector(2, 2, 2), zVector(0, 0, 0)));
    EXPECT_TRUE(MatrixNear(zMatrix4::Multiply(pair.inverse, pair.matrix), zMatrix4::Identity));
    pair.SetRow(3, zVector(-4, 0, 0), true);
    EXPECT_TRUE(VectorNear(zVector(-4, 0, 0).ApplyMatrix(pair.inverse), zVector(0, 0, 0)));
    pair.SetColumn(3, zVector(0, 0, 0, 1), false);
    EXPECT_TRUE(MatrixNear(zMatrix4::Multiply(pair.inverse, pair.matrix), zMatrix4::Identity));
    pair.Set(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1);
    EXPECT_TRUE(VectorNear(zVector(5, 6, 7).ApplyMatrix(pair.inverse), zVector(0, 0, 0)));
    pair.matrix = zMatrix4::Translation(zVector(1, 1, 1));
    pair.UpdateInverse();
    EXPECT_TRUE(VectorNear(zVector(1, 1, 1).ApplyMatrix(pair.inverse), zVector(0, 0, 0)));
}

} // namespace
