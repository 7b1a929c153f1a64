#include <gtest/gtest.h>

#include <cmath>

#include "core/matrix.h"
#include "core/quaternion.h"
#include "tests/core/math_expect.h"
#include "tests/support/log_capture.h"

namespace {

float Length4(const zQuaternion& q) {
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

TEST(Quaternion, DefaultIsIdentity) {
    EXPECT_TRUE(QuaternionNear(zQuaternion(), zQuaternion(0, 0, 0, 1), 0.0f));
    EXPECT_TRUE(MatrixNear(zQuaternion().ToMatrix3(), zMatrix3::Identity, 0.0f));
}

TEST(Quaternion, AxisAngleAboutZMatchesRotationZ) {
    const float angles[] = {0.0f, 0.3f, -1.2f, MathPi / 2, 3.0f};
    for (float angle : angles) {
        SCOPED_TRACE(angle);
        EXPECT_TRUE(
            MatrixNear(zQuaternion::FromAxisAngle(angle, 0, 0, 1).ToMatrix3(), zMatrix3::RotationZ(angle)));
        EXPECT_TRUE(
            MatrixNear(zQuaternion::FromAxisAngle(angle, 1, 0, 0).ToMatrix3(), zMatrix3::RotationX(angle)));
        EXPECT_TRUE(
            MatrixNear(zQuaternion::FromAxisAngle(angle, 0, 1, 0).ToMatrix3(), zMatrix3::RotationY(angle)));
    }
}

TEST(Quaternion, AxisAngleNormalisesAsAWholeNotTheAxis) {
    // (2 sin(pi/4), 0, 0, cos(pi/4)) normalised: the long axis weighs more.
    zQuaternion q = zQuaternion::FromAxisAngle(MathPi / 2, 2, 0, 0);
    float s = std::sin(MathPi / 4), c = std::cos(MathPi / 4);
    float length = std::sqrt(4 * s * s + c * c);
    EXPECT_TRUE(QuaternionNear(q, zQuaternion(2 * s / length, 0, 0, c / length)));
}

TEST(Quaternion, MultiplyAppliesRightOperandFirst) {
    zQuaternion a = zQuaternion::FromAxisAngle(0.7f, 1, 0, 0);
    zQuaternion b = zQuaternion::FromAxisAngle(-1.1f, 0, 1, 1);
    zMatrix3 product = zQuaternion::Multiply(a, b).ToMatrix3();
    EXPECT_TRUE(MatrixNear(product, zMatrix3::Multiply(a.ToMatrix3(), b.ToMatrix3())));
    // Hamilton: i * j = k.
    EXPECT_TRUE(QuaternionNear(zQuaternion::Multiply(zQuaternion(1, 0, 0, 0), zQuaternion(0, 1, 0, 0)),
                               zQuaternion(0, 0, 1, 0), 0.0f));
}

TEST(Quaternion, NormalizeAndItsZeroCase) {
    EXPECT_TRUE(QuaternionNear(zQuaternion(0, 3, 0, 4).Normalize(), zQuaternion(0, 0.6f, 0, 0.8f)));
    EXPECT_TRUE(QuaternionNear(zQuaternion(0, 0, 0, 0).Normalize(), zQuaternion(1, 1, 1, 1), 0.0f));
}

TEST(Quaternion, Inverse) {
    zQuaternion q = zQuaternion::FromAxisAngle(0.9f, 1, 2, 3);
    EXPECT_TRUE(QuaternionNear(zQuaternion::Multiply(q, q.Inverse()), zQuaternion(0, 0, 0, 1)));
    // A non-unit quaternion divides by its squared length.
    EXPECT_TRUE(QuaternionNear(zQuaternion(0, 0, 0, 2).Inverse(), zQuaternion(0, 0, 0, 0.5f)));
    EXPECT_TRUE(QuaternionNear(zQuaternion(0, 0, 0, 0).Inverse(), zQuaternion(0, 0, 0, 0), 0.0f));
}

TEST(Quaternion, FromEulerMatchesMatrixForEveryOrder) {
    for (int order = 0; order <= 7; ++order) {
        SCOPED_TRACE(order);
        // Unknown orders count as 4.
        int matrixOrder = order == 7 ? 4 : order;
        zQuaternion q = zQuaternion::FromEuler(0.4f, -0.9f, 1.3f, order);
        EXPECT_NEAR(Length4(q), 1.0f, 1e-6f);
        EXPECT_TRUE(MatrixNear(q.ToMatrix3(), zMatrix3::FromEulerAngles(0.4f, -0.9f, 1.3f, matrixOrder)));
    }
}

TEST(Quaternion, FromMatrixRoundTripsEveryBranch) {
    struct Case {
        const char* name;
        zMatrix3 matrix;
    } cases[] = {
        {"positive trace", zMatrix3::FromEulerAngles(0.3f, 0.4f, 0.5f, 4)},
        {"half turn about X", zMatrix3::RotationX(MathPi)},
        {"half turn about Y", zMatrix3::RotationY(MathPi)},
        {"half turn about Z", zMatrix3::RotationZ(MathPi)},
        {"near half turn about a diagonal", zMatrix3::FromEulerAngles(3.0f, 0.1f, 2.9f, 0)},
        {"three quarter turn", zMatrix3::RotationY(1.5f * MathPi)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zQuaternion q = zQuaternion::FromMatrix3(c.matrix);
        EXPECT_NEAR(Length4(q), 1.0f, 1e-6f);
        EXPECT_TRUE(MatrixNear(q.ToMatrix3(), c.matrix, 1e-5f));
    }
}

TEST(Quaternion, HalfTurnAboutXTakesFirstDiagonalBranch) {
    zQuaternion q = zQuaternion::FromMatrix3(zMatrix3::RotationX(MathPi));
    // The m0 branch gives x = s/4 > 0.
    EXPECT_TRUE(QuaternionNear(q, zQuaternion(1, 0, 0, 0)));
}

TEST(Quaternion, FromDirectionTurnsZTowardDirection) {
    const zVector directions[] = {zVector(0, 0, 1), zVector(1, 2, 3), zVector(0, -4, 0), zVector(-1, 0, -1)};
    for (const zVector& d : directions) {
        zQuaternion q = zQuaternion::FromDirection(d);
        EXPECT_TRUE(VectorNear(zVector(0, 0, 1).ApplyRotationMatrix(q.ToMatrix3()), d.Normalize(), 1e-5f));
    }
}

TEST(Quaternion, SlerpEndpointsAndMidpoint) {
    zQuaternion a;
    zQuaternion b = zQuaternion::FromAxisAngle(MathPi / 2, 0, 0, 1);
    EXPECT_TRUE(QuaternionNear(zQuaternion::Slerp(0.0f, a, b), a));
    EXPECT_TRUE(QuaternionNear(zQuaternion::Slerp(1.0f, a, b), b));
    EXPECT_TRUE(
        QuaternionNear(zQuaternion::Slerp(0.5f, a, b), zQuaternion::FromAxisAngle(MathPi / 4, 0, 0, 1)));
    EXPECT_TRUE(
        QuaternionNear(zQuaternion::Slerp(0.25f, a, b), zQuaternion::FromAxisAngle(MathPi / 8, 0, 0, 1)));
}

TEST(Quaternion, SlerpTakesShortestArc) {
    zQuaternion q = zQuaternion::FromAxisAngle(0.8f, 1, 1, 0);
    zQuaternion negated(-q.x, -q.y, -q.z, -q.w);
    const float steps[] = {0.0f, 0.3f, 0.5f, 0.9f, 1.0f};
    for (float t : steps)
        EXPECT_TRUE(QuaternionNear(zQuaternion::Slerp(t, q, negated), q)) << t;
    // From identity to a rotation given by its negative form still turns the short way.
    zQuaternion b = zQuaternion::FromAxisAngle(MathPi / 2, 0, 0, 1);
    zQuaternion bNegated(-b.x, -b.y, -b.z, -b.w);
    zQuaternion half = zQuaternion::Slerp(0.5f, zQuaternion(), bNegated);
    EXPECT_TRUE(MatrixNear(half.ToMatrix3(), zMatrix3::RotationZ(MathPi / 4)));
}

TEST(Quaternion, SlerpOfCloseRotationsBlendsLinearlyAndStaysUnit) {
    // cos(angle / 2) = 0.951: 1 - d just below 0.05.
    float angle = 2.0f * std::acos(0.951f);
    zQuaternion a;
    zQuaternion b = zQuaternion::FromAxisAngle(angle, 0, 1, 0);
    ASSERT_LT(1.0f - b.w, 0.05f);
    zQuaternion half = zQuaternion::Slerp(0.5f, a, b);
    EXPECT_NEAR(Length4(half), 1.0f, 1e-6f);
    zQuaternion linear = zQuaternion(0.5f * b.x, 0.5f * b.y, 0.5f * b.z, 0.5f + 0.5f * b.w).Normalize();
    EXPECT_TRUE(QuaternionNear(half, linear, 1e-7f));
    EXPECT_TRUE(QuaternionNear(zQuaternion::Slerp(0.5f, a, a), a));
}

TEST(Quaternion, Distance) {
    EXPECT_FLOAT_EQ(zQuaternion::Distance(zQuaternion(1, 2, 3, 4), zQuaternion(1, 2, 3, 4)), 0.0f);
    EXPECT_FLOAT_EQ(zQuaternion::Distance(zQuaternion(0, 0, 0, 1), zQuaternion(1, 1, 1, 0)), 2.0f);
}

TEST(Quaternion, DumpLogsComponents) {
    LogCapture log;
    zQuaternion(0.5f, -0.5f, 0.25f, 1.0f).Dump("q");
    zQuaternion().Dump();
    EXPECT_EQ(log.Text(), "Dumping quaternion 'q' content:\n"
                          "{0.500,-0.500,0.250,1.000}\n\n"
                          "{0.000,0.000,0.000,1.000}\n\n");
}

} // namespace
