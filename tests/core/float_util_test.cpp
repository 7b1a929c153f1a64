#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "core/float_util.h"

namespace {

TEST(FloatUtil, Comparisons) {
    EXPECT_TRUE(NearlyEqual(1.0f, 1.5f, 0.5f));
    EXPECT_FALSE(NearlyEqual(1.0f, 1.6f, 0.5f));
    EXPECT_TRUE(NearlyEqual(-1.0f, -1.0f, 0.0f));
    EXPECT_EQ(MinFloat(2.0f, 1.0f), 1.0f);
    EXPECT_EQ(MinFloat(1.0f, 2.0f), 1.0f);
    EXPECT_TRUE(WithinTolerance(-0.5f, 0.5f));
    EXPECT_TRUE(WithinTolerance(0.5f, 0.5f));
    EXPECT_FALSE(WithinTolerance(0.6f, 0.5f));
    EXPECT_FALSE(WithinTolerance(-0.6f, 0.5f));
}

TEST(FloatUtil, Absolute) {
    EXPECT_EQ(AbsFloat(-2.5f), 2.5f);
    EXPECT_EQ(AbsFloat(3.0f), 3.0f);
    EXPECT_EQ(AbsInt(-7), 7);
    EXPECT_EQ(AbsInt(7), 7);
    EXPECT_EQ(AbsInt(INT32_MIN), INT32_MIN); // wraps; no overflow trap
}

TEST(FloatUtil, ClampedInverseTrigonometry) {
    EXPECT_FLOAT_EQ(ClampedAsin(1.5f), std::asin(1.0f));
    EXPECT_FLOAT_EQ(ClampedAsin(-1.0000001f), std::asin(-1.0f));
    EXPECT_FLOAT_EQ(ClampedAsin(0.5f), std::asin(0.5f));
    EXPECT_FLOAT_EQ(ClampedAcos(1.0000001f), 0.0f);
    EXPECT_FLOAT_EQ(ClampedAcos(-3.0f), std::acos(-1.0f));
}

TEST(FloatUtil, Cross2DIsTwiceSignedArea) {
    EXPECT_FLOAT_EQ(Cross2D(0, 0, 1, 0, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(Cross2D(0, 0, 0, 1, 1, 0), -1.0f);
    EXPECT_FLOAT_EQ(Cross2D(0, 0, 1, 1, 2, 2), 0.0f);
    EXPECT_FLOAT_EQ(Cross2D(1, 2, 4, 2, 4, 6), 12.0f);
}

} // namespace
