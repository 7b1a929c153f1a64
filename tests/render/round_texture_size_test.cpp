#include <gtest/gtest.h>

#include "render/renderer.h"

struct TextureSizeCase {
    u32 size;
    bool exact;
    u32 expected;
};

TEST(RoundTextureSize, Table) {
    const TextureSizeCase cases[] = {
        {0, false, 1},
        {1, false, 1},
        {2, false, 2},
        {3, false, 2},
        {5, false, 4},
        {6, false, 4},
        {7, false, 8},
        {12, false, 8},
        {13, false, 16},
        {6000, false, 4096},
        {4096, false, 4096},
        {100000, false, 4096},
        {0, true, 1},
        {1, true, 1},
        {2, true, 2},
        {3, true, 4},
        {4097, true, 8192},
        {6000, true, 8192},
        {0x40000000u, true, 0x40000000u},
        {0x80000000u, true, 0x80000000u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundTextureSize(c.size, c.exact), c.expected) << "size " << c.size << " exact " << c.exact;
    }
}

// Sizes past 2^31 made the doubling wrap to 0 and loop for ever.
TEST(RoundTextureSize, HugeSizesReturnWithoutHanging) {
    EXPECT_EQ(RoundTextureSize(0x80000001u, true), 0x80000000u);
    EXPECT_EQ(RoundTextureSize(0xFFFFFFFFu, true), 0x80000000u);
    EXPECT_EQ(RoundTextureSize(0xC0000001u, false), 4096u);
    EXPECT_EQ(RoundTextureSize(0xFFFFFFFFu, false), 4096u);
}
