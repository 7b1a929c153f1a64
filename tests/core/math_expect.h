// Tolerant comparisons of vectors and matrices for the maths tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "core/matrix.h"
#include "core/quaternion.h"
#include "core/vector.h"

constexpr float MathPi = 3.14159265f;
constexpr float MathTolerance = 1e-5f;

inline ::testing::AssertionResult VectorNear(const zVector& actual, const zVector& expected,
                                             float tolerance = MathTolerance, bool checkW = true) {
    bool ok = std::fabs(actual.x - expected.x) <= tolerance &&
              std::fabs(actual.y - expected.y) <= tolerance &&
              std::fabs(actual.z - expected.z) <= tolerance &&
              (!checkW || std::fabs(actual.w - expected.w) <= tolerance);
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << actual.x << ", " << actual.y << ", " << actual.z
                                         << ", " << actual.w << "), expected (" << expected.x << ", "
                                         << expected.y << ", " << expected.z << ", " << expected.w << ")";
}

template <typename T, int N>
::testing::AssertionResult ElementsNear(const T (&actual)[N], const T (&expected)[N], float tolerance) {
    for (int i = 0; i < N; ++i) {
        if (!(std::fabs(actual[i] - expected[i]) <= tolerance))
            return ::testing::AssertionFailure()
                   << "element " << i << " is " << actual[i] << ", expected " << expected[i];
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult MatrixNear(const zMatrix3& actual, const zMatrix3& expected,
                                             float tolerance = MathTolerance) {
    return ElementsNear(actual.m, expected.m, tolerance);
}

inline ::testing::AssertionResult MatrixNear(const zMatrix4& actual, const zMatrix4& expected,
                                             float tolerance = MathTolerance) {
    return ElementsNear(actual.e, expected.e, tolerance);
}

inline ::testing::AssertionResult QuaternionNear(const zQuaternion& actual, const zQuaternion& expected,
                                                 float tolerance = MathTolerance) {
    const float a[4] = {actual.x, actual.y, actual.z, actual.w};
    const float b[4] = {expected.x, expected.y, expected.z, expected.w};
    return ElementsNear(a, b, tolerance);
}
