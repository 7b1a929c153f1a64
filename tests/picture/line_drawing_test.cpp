#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace {

struct Sample {
    f32 x, y;
};

struct LineCase {
    const char* name;
    u32 width, height;
    f32 segment[4];              // x0, y0, x1, y1
    std::vector<f32> clip;       // left, top, right, bottom; empty: none
    std::vector<Sample> samples; // the positions handed to PutPixelFiltered, in any order
};

// A segment draws exactly the samples listed: the picture it leaves equals
// one that received those samples and nothing else. The pictures start
// transparent, where every sample, even of alpha weight 0 in a pixel, shows
// in the bytes it changes.
TEST(DrawLine, SegmentsGiveTheirSamples) {
    const std::vector<Sample> row2 = {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {8, 2}};
    const LineCase cases[] = {
        {"x major", 10, 12, {0, 0, 4, 2}, {}, {{0, 0}, {1, 0.5f}, {2, 1}, {3, 1.5f}}},
        {"x major reversed", 10, 12, {4, 2, 0, 0}, {}, {{0, 0}, {1, 0.5f}, {2, 1}, {3, 1.5f}}},
        {"horizontal", 10, 12, {0, 5, 4, 5}, {}, {{0, 5}, {1, 5}, {2, 5}, {3, 5}}},
        {"y major", 10, 12, {1, 0, 2, 4}, {}, {{1, 0}, {1.25f, 1}, {1.5f, 2}, {1.75f, 3}}},
        {"start snapped along the line",
         10,
         12,
         {0.5f, 1, 4.5f, 3},
         {},
         {{0, 0.75f}, {1, 1.25f}, {2, 1.75f}, {3, 2.25f}, {4, 2.75f}}},
        {"zero length on a column", 10, 12, {3, 3, 3, 3}, {}, {}},
        {"zero length inside a column", 10, 12, {2.5f, 3, 2.5f, 3}, {}, {{2, 3}}},
        {"vertical left of the clip", 10, 12, {1.5f, 0, 1.5f, 10}, {2, 0, 8, 8}, {}},
        {"cut to the clip of a 3 x 3 picture", 3, 3, {0, 0, 2, 2}, {0, 0, 1, 1}, {{0, 0}}},
        {"start clipped to the left edge",
         10,
         12,
         {-5, 2, 5, 2},
         {0, 0, 8, 8},
         {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        {"end clipped at the bottom", 10, 12, {0, 0, 8, 8}, {0, 0, 8, 4}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"start clipped to a fractional edge",
         10,
         12,
         {0, 0, 8, 4},
         {2.5f, 0, 8, 8},
         {{2.5f, 1.25f}, {3.5f, 1.75f}, {4.5f, 2.25f}, {5.5f, 2.75f}, {6.5f, 3.25f}, {7.5f, 3.75f}}},
        {"steep, reversed, clipped at both ends",
         10,
         12,
         {3, 8, 1, 0},
         {0, 2, 8, 6},
         {{1.5f, 2}, {1.75f, 3}, {2, 4}, {2.25f, 5}}},
        {"horizontal below the clip", 10, 12, {0, 9, 5, 9}, {0, 0, 8, 8}, {}},
        {"inverted clip", 10, 12, {0, 1, 5, 1}, {4, 0, 2, 8}, {}},
        {"clip outside the picture", 10, 12, {0, 1, 30, 1}, {20, 0, 30, 8}, {}},
        // Beyond what the callers pass: the picture bounds every segment.
        {"no clip, crossing the picture", 4, 4, {-100, 1, 100, 1}, {}, {{0, 1}, {1, 1}, {2, 1}}},
        {"clip wider than the picture",
         4,
         4,
         {-100, 1, 100, 1},
         {-10, -10, 50, 50},
         {{0, 1}, {1, 1}, {2, 1}}},
        {"huge coordinates", 10, 12, {-1e30f, 2, 1e30f, 2}, {}, row2},
        {"not a number", 10, 12, {NAN, 2, 5, 2}, {}, {}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        zPicture drawn, expected;
        ASSERT_TRUE(drawn.Allocate(c.width, c.height, PixelFormatRGBA8));
        ASSERT_TRUE(expected.Allocate(c.width, c.height, PixelFormatRGBA8));
        drawn.DrawLine(c.segment[0], c.segment[1], c.segment[2], c.segment[3], 1.0f, 0.5f, 0.25f, 1.0f,
                       c.clip.empty() ? nullptr : c.clip.data());
        for (const Sample& s : c.samples)
            expected.PutPixelFiltered(s.x, s.y, 1.0f, 0.5f, 0.25f, 1.0f);
        EXPECT_TRUE(drawn.Equals(expected));
    }
}

std::vector<u8> PixelAt(const zPicture& picture, u32 x, u32 y) {
    const u8* pixel = picture.GetPixels() + (u64(y) * picture.GetWidth() + x) * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

TEST(DrawLine, HorizontalLineOnAnOpaquePictureFillsItsPixelsOnly) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(8, 8, PixelFormatRGBA8));
    ASSERT_TRUE(picture.Fill(0.0f, 0.0f, 1.0f, 1.0f));
    picture.DrawLine(0, 5, 4, 5, 1.0f, 0.0f, 0.0f, 1.0f);
    for (u32 y = 0; y < 8; ++y)
        for (u32 x = 0; x < 8; ++x) {
            // The integer blend leaves 1 of the blue underneath.
            const std::vector<u8> line = {255, 0, 1, 255}, background = {0, 0, 255, 255};
            EXPECT_EQ(PixelAt(picture, x, y), y == 5 && x < 4 ? line : background) << x << ", " << y;
        }
}

TEST(DrawLine, PicturesItCannotDrawIntoStayAsTheyAre) {
    zPicture empty;
    empty.DrawLine(0, 0, 4, 4, 1, 1, 1, 1); // no buffer
    EXPECT_EQ(empty.GetPixels(), nullptr);

    zPicture shallow;
    ASSERT_TRUE(shallow.Allocate(6, 6, PixelFormatRGB8));
    shallow.DrawLine(0, 0, 4, 4, 1, 1, 1, 1);
    for (u64 i = 0; i < shallow.GetBufferSize(); ++i)
        ASSERT_EQ(shallow.GetPixels()[i], 0) << i;

    zPicture tiny; // 1 x 1: no sample has its 2 x 2 pixels
    ASSERT_TRUE(tiny.Allocate(1, 1, PixelFormatRGBA8));
    tiny.DrawLine(0, 0, 1, 0, 1, 1, 1, 1);
    EXPECT_EQ(PixelAt(tiny, 0, 0), (std::vector<u8>{0, 0, 0, 0}));
}

} // namespace
