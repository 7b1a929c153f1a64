#include <gtest/gtest.h>

#include <cmath>

#include "core/color.h"

namespace {

TEST(Color, FromRGBA32PutsRedInTheLowByte) {
    zColor c = zColor::FromRGBA32(0xFF804000u);
    EXPECT_FLOAT_EQ(c.r, 0.0f);
    EXPECT_FLOAT_EQ(c.g, 64 * 0.003921569f);
    EXPECT_FLOAT_EQ(c.b, 128 * 0.003921569f);
    EXPECT_FLOAT_EQ(c.a, 255 * 0.003921569f);
}

TEST(Color, ToRGBA32TakesIntegerPart) {
    zColor c{1.0f, 0.5f, 0.25f, 0.0f};
    EXPECT_EQ(c.ToRGBA32(), 0x003F7FFFu); // 127.5 -> 127, 63.75 -> 63
    for (u32 packed : {0x00000000u, 0xFFFFFFFFu, 0x12345678u, 0x80FF0001u})
        EXPECT_EQ(zColor::FromRGBA32(packed).ToRGBA32(), packed) << std::hex << packed;
}

TEST(Color, ToRGBA32OutOfRangeChannelsClamp) {
    zColor c{2.0f, -0.5f, std::nanf(""), 1e30f};
    EXPECT_EQ(c.ToRGBA32(), 0xFF0000FFu);
}

} // namespace
