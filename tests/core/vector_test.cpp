#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/matrix.h"
#include "core/random.h"
#include "core/vector.h"
#include "tests/support/log_capture.h"
#include "tests/core/math_expect.h"

namespace {

// Inputs carry w = 5 so that a result with w = 1 shows the output rule.
const zVector A(1.0f, 2.0f, 3.0f, 5.0f);
const zVector B(4.0f, -5.0f, 6.0f, 5.0f);

struct BinaryCase {
    const char* name;
    std::function<zVector()> operation;
    zVector expected;
};

TEST(Vector, BinaryOperationsGiveXyzAndWOne) {
    const BinaryCase cases[] = {
        {"Cross", [] { return A.Cross(B); }, zVector(27.0f, 6.0f, -13.0f)},
        {"Add", [] { return A.Add(B); }, zVector(5.0f, -3.0f, 9.0f)},
        {"Sub", [] { return A.Sub(B); }, zVector(-3.0f, 7.0f, -3.0f)},
        {"Mul", [] { return A.Mul(B); }, zVector(4.0f, -10.0f, 18.0f)},
        {"Div", [] { return B.Div(A); }, zVector(4.0f, -2.5f, 2.0f)},
        {"MulReal", [] { return A.MulReal(-2.0f); }, zVector(-2.0f, -4.0f, -6.0f)},
        {"DivReal", [] { return A.DivReal(2.0f); }, zVector(0.5f, 1.0f, 1.5f)},
        {"DivRealByZero", [] { return A.DivReal(0.0f); }, zVector(0.0f, 0.0f, 0.0f)},
        {"Min", [] { return A.Min(B); }, zVector(1.0f, -5.0f, 3.0f)},
        {"Max", [] { return A.Max(B); }, zVector(4.0f, 2.0f, 6.0f)},
        {"Normalize", [] { return zVector(3.0f, 0.0f, -4.0f, 9.0f).Normalize(); },
         zVector(0.6f, 0.0f, -0.8f)},
        {"NormalizeBelowTolerance", [] { return zVector(1e-7f, 0.0f, 0.0f, 9.0f).Normalize(); },
         zVector(0.0f, 0.0f, 0.0f)},
        {"ClampScalar", [] { return zVector(-2.0f, 0.5f, 7.0f, 9.0f).ClampScalar(0.0f, 1.0f); },
         zVector(0.0f, 0.5f, 1.0f)},
        // With lo > hi the lower bound wins for values below it.
        {"ClampScalarLowerFirst", [] { return zVector(0.0f, 1.5f, 3.0f).ClampScalar(2.0f, 1.0f); },
         zVector(2.0f, 2.0f, 1.0f)},
        {"Clamp",
         [] { return zVector(-2.0f, 0.5f, 7.0f, 9.0f).Clamp(zVector(-1, -1, -1), zVector(1, 0, 2)); },
         zVector(-1.0f, 0.0f, 2.0f)},
    };
    for (const BinaryCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(VectorNear(c.operation(), c.expected));
    }
}

TEST(Vector, ScalarQueries) {
    EXPECT_FLOAT_EQ(A.Dot(B), 4.0f - 10.0f + 18.0f);
    EXPECT_FLOAT_EQ(zVector(3.0f, 4.0f, 12.0f, 100.0f).Length(), 13.0f);
    EXPECT_FLOAT_EQ(zVector(3.0f, 4.0f, 12.0f, 100.0f).Length2(), 169.0f);
    EXPECT_FLOAT_EQ(zVector::Dist(zVector(1, 1, 1, 0), zVector(4, 5, 1, 9)), 5.0f);
    EXPECT_FLOAT_EQ(zVector::Dist2(zVector(1, 1, 1, 0), zVector(4, 5, 1, 9)), 25.0f);
}

TEST(Vector, ConstructorStoresArgumentsInOrder) {
    zVector v(1.0f, 2.0f, 3.0f, 4.0f);
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 2.0f);
    EXPECT_EQ(v.z, 3.0f);
    EXPECT_EQ(v.w, 4.0f);
    EXPECT_TRUE(VectorNear(zVector(), zVector(0.0f, 0.0f, 0.0f, 1.0f), 0.0f));
}

TEST(Vector, ClampMagnitude) {
    struct Case {
        const char* name;
        zVector input;
        float lo, hi;
        zVector expected;
    } cases[] = {
        {"inside is returned whole", zVector(0, 3, 4, 7), 1.0f, 10.0f, zVector(0, 3, 4, 7)},
        {"on the bound is inside", zVector(0, 3, 4, 7), 5.0f, 5.0f, zVector(0, 3, 4, 7)},
        {"too long shrinks to max", zVector(0, 3, 4, 7), 1.0f, 2.5f, zVector(0, 1.5f, 2.0f, 1)},
        {"too short grows to min", zVector(0, 3, 4, 7), 10.0f, 20.0f, zVector(0, 6, 8, 1)},
        {"near zero is kept", zVector(1e-4f, 0, 0, 7), 1.0f, 2.0f, zVector(1e-4f, 0, 0, 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(VectorNear(c.input.ClampMagnitude(c.lo, c.hi), c.expected));
    }
}

TEST(Vector, FaceForwardKeepsVectorFacingAwayElseNegates) {
    zVector v(1.0f, 0.0f, 0.0f, 7.0f);
    EXPECT_TRUE(VectorNear(v.FaceForward(zVector(-1, 0, 0)), zVector(1, 0, 0, 7)));
    EXPECT_TRUE(VectorNear(v.FaceForward(zVector(1, 0, 0)), zVector(-1, 0, 0, 1)));
    // A zero dot product is not negative.
    EXPECT_TRUE(VectorNear(v.FaceForward(zVector(0, 1, 0)), zVector(-1, 0, 0, 1)));
}

TEST(Vector, ApplyMatricesTransformRowVectors) {
    zMatrix4 m(1, 0, 0, 0, //
               0, 2, 0, 0, //
               0, 0, 3, 0, //
               10, 20, 30, 1);
    zVector p(1.0f, 1.0f, 1.0f, 9.0f);
    EXPECT_TRUE(VectorNear(p.ApplyMatrix(m), zVector(11, 22, 33)));
    zVector q = p;
    q.ApplyMatrixInPlace(m);
    EXPECT_TRUE(VectorNear(q, zVector(11, 22, 33)));

    zMatrix3 r = zMatrix3::RotationZ(MathPi / 2);
    EXPECT_TRUE(VectorNear(zVector(1, 0, 0, 9).ApplyRotationMatrix(r), zVector(0, 1, 0)));
    zVector s(0.0f, 1.0f, 0.0f, 9.0f);
    s.ApplyRotationMatrixInPlace(r);
    EXPECT_TRUE(VectorNear(s, zVector(-1, 0, 0)));
}

TEST(Vector, InPlaceOperationsAndTheirW) {
    zVector v(2.0f, 4.0f, 6.0f, 8.0f);
    v.MulRealInPlace(0.5f);
    EXPECT_TRUE(VectorNear(v, zVector(1, 2, 3, 8)));
    v.DivRealInPlace(2.0f);
    EXPECT_TRUE(VectorNear(v, zVector(0.5f, 1, 1.5f, 8)));
    v.DivRealInPlace(0.0f);
    EXPECT_TRUE(VectorNear(v, zVector(0, 0, 0, 8)));

    zVector u(1.0f, 2.0f, 3.0f, 4.0f);
    u.AddInPlace(zVector(1, 1, 1, 1));
    EXPECT_TRUE(VectorNear(u, zVector(2, 3, 4, 5)));
    u.MulInPlace(zVector(2, 2, 2, 2));
    EXPECT_TRUE(VectorNear(u, zVector(4, 6, 8, 10)));
    u.DivReal4InPlace(2.0f);
    EXPECT_TRUE(VectorNear(u, zVector(2, 3, 4, 5)));
}

TEST(Vector, RandomizeDrawsXYZInOrder) {
    SeedRand(7);
    float x = RandRange(-3.0f, 3.0f);
    float y = RandRange(-3.0f, 3.0f);
    float z = RandRange(-3.0f, 3.0f);
    SeedRand(7);
    zVector v(0.0f, 0.0f, 0.0f, 9.0f);
    v.Randomize(-3.0f, 3.0f);
    EXPECT_TRUE(VectorNear(v, zVector(x, y, z, 1.0f), 0.0f));
}

TEST(Vector, PrintLogsScriptLine) {
    LogCapture log;
    zVector(1.0f, 2.0f, 3.0f).Print("v");
    zVector(-0.5f, 0.0f, 1234.5678f).Print();
    EXPECT_EQ(log.Text(), "[S] Vector 'v' = {1.000,2.000,3.000}\n[S] Vector = {-0.500,0.000,1234.568}\n");
}

TEST(Vector, DiffersFromUsesToleranceAndIgnoresW) {
    zVector v(1.0f, 1.0f, 1.0f, 1.0f);
    EXPECT_FALSE(v.DiffersFrom(zVector(1.0f, 1.0f, 1.0f, 5.0f)));
    EXPECT_FALSE(v.DiffersFrom(zVector(1.0f + 5e-7f, 1.0f, 1.0f)));
    EXPECT_TRUE(v.DiffersFrom(zVector(1.0f, 1.0f + 5e-6f, 1.0f)));
    EXPECT_TRUE(v.DiffersFrom(zVector(1.0f, 1.0f, 0.99f)));
}

u32 HashOf(i32 ix, i32 negY, i32 iz) {
    return static_cast<u32>(negY) * 669632447u - static_cast<u32>(iz) * 887442657u -
           static_cast<u32>(ix) * 1918454973u;
}

TEST(Vector, SpatialHashTruncatesScaledComponents) {
    EXPECT_EQ(zVector(1.25f, -2.5f, 3.75f).SpatialHash(), HashOf(12, 25, 37));
    EXPECT_EQ(zVector(-0.15f, 0.0f, 0.0f).SpatialHash(), HashOf(-1, 0, 0));
    // Points of one 0.1 cell share a hash.
    EXPECT_EQ(zVector(0.51f, 0.22f, 0.33f).SpatialHash(), zVector(0.58f, 0.27f, 0.39f).SpatialHash());
    EXPECT_NE(zVector(0.51f, 0.22f, 0.33f).SpatialHash(), zVector(0.61f, 0.22f, 0.33f).SpatialHash());
}

TEST(Vector, SpatialHashOfHugeOrNaNComponentsIsDefined) {
    EXPECT_EQ(zVector(1e30f, 0.0f, 0.0f).SpatialHash(), HashOf(2147483647, 0, 0));
    EXPECT_EQ(zVector(0.0f, 1e30f, 0.0f).SpatialHash(), HashOf(0, -2147483647 - 1, 0));
    EXPECT_EQ(zVector(0.0f, 0.0f, std::nanf("")).SpatialHash(), HashOf(0, 0, 0));
}

// Turning +Z by the angles (x about X first, then y about Y) gives the
// normalised direction.
zVector TurnedZ(const zVector& angles) {
    return zVector(0, 0, 1).ApplyRotationMatrix(zMatrix3::FromEulerAngles(angles.x, angles.y, 0.0f, 4));
}

TEST(Vector, EulerFromDirectionTurnsZTowardDirection) {
    const zVector directions[] = {zVector(0, 0, 1),      zVector(1, 0, 0),     zVector(-1, 0, 0),
                                  zVector(0, 0, -1),     zVector(1, 1, 1),     zVector(-1, 2, -3),
                                  zVector(0.5f, -2, -1), zVector(3, -1, 0.2f), zVector(0, 1, 0),
                                  zVector(0, -5, 0)};
    for (const zVector& d : directions) {
        SCOPED_TRACE(testing::Message() << d.x << "," << d.y << "," << d.z);
        zVector angles = EulerFromDirectionUp(d);
        EXPECT_EQ(angles.z, 0.0f);
        EXPECT_EQ(angles.w, 1.0f);
        EXPECT_TRUE(VectorNear(TurnedZ(angles), d.Normalize(), 1e-5f));
    }
    EXPECT_NEAR(EulerFromDirectionUp(zVector(0, 0, -1)).y, MathPi, 1e-6f);
    EXPECT_NEAR(EulerFromDirectionUp(zVector(-1, 0, -1)).y, -0.75f * MathPi, 1e-6f);
    EXPECT_NEAR(EulerFromDirectionUp(zVector(0, 1, 0)).x, -MathPi / 2, 1e-6f);
}

TEST(Vector, EulerFromDirectionWithUpGivesRoll) {
    struct Case {
        zVector up;
        float roll;
    } cases[] = {
        {zVector(1, 0, 0), 0.0f},
        {zVector(0, 1, 0), MathPi / 2},
        {zVector(-3, 0, 0), MathPi},
        {zVector(0, -2, 0), 1.5f * MathPi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.roll);
        zVector angles = EulerFromDirectionUp(zVector(0, 0, 1), &c.up);
        EXPECT_NEAR(angles.x, 0.0f, 1e-6f);
        EXPECT_NEAR(angles.y, 0.0f, 1e-6f);
        EXPECT_NEAR(angles.z, c.roll, 1e-5f);
    }
}

TEST(Vector, EulerFromZeroDirectionIsZeroNotNaN) {
    zVector up(0, 1, 0);
    EXPECT_TRUE(VectorNear(EulerFromDirectionUp(zVector(0, 0, 0)), zVector(0, 0, 0), 0.0f));
    EXPECT_TRUE(VectorNear(EulerFromDirectionUp(zVector(0, 0, 0), &up), zVector(0, 0, 0), 0.0f));
}

TEST(Vector, EulerFromDirectionWithRoundingAboveOneIsNotNaN) {
    // The squared length underflows to the smallest denormal, so |d| < d.y.
    zVector d(0.0f, 4e-23f, 0.0f);
    ASSERT_GT(d.y / d.Length(), 1.0f);
    zVector angles = EulerFromDirectionUp(d);
    EXPECT_NEAR(angles.x, -MathPi / 2, 1e-6f);
    EXPECT_EQ(angles.y, 0.0f);
}

TEST(Vector2, HoldsTwoFloats) {
    zVector2 v(1.5f, -2.0f);
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, -2.0f);
}

} // namespace
