#include "picture/picture_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "picture/blend.h"
#include "picture/picture.h"
#include "tests/support/log_capture.h"

namespace {

// RGBA8 picture whose pixel (x, y) is {x, y, tag, alpha}.
void MakeTagged(zPicture& picture, u32 width, u32 height, u8 tag, u8 alpha = 255) {
    ASSERT_TRUE(picture.Allocate(width, height, PixelFormatRGBA8));
    for (u32 y = 0; y < height; ++y)
        for (u32 x = 0; x < width; ++x) {
            u8* p = picture.GetPixels() + (y * width + x) * 4;
            p[0] = u8(x);
            p[1] = u8(y);
            p[2] = tag;
            p[3] = alpha;
        }
}

std::vector<u8> At(const zPicture& picture, u32 x, u32 y) {
    const u8* p = picture.GetPixels() + (u64(y) * picture.GetWidth() + x) * picture.GetFormat().GetBytesPerPixel();
    return std::vector<u8>(p, p + picture.GetFormat().GetBytesPerPixel());
}

void SetAt(zPicture& picture, u32 x, u32 y, std::vector<u8> bytes) {
    std::memcpy(picture.GetPixels() + (u64(y) * picture.GetWidth() + x) * bytes.size(), bytes.data(), bytes.size());
}

}  // namespace

TEST(Blend, FormulasOfTheComposeRule) {
    EXPECT_EQ(BlendAlphaUnion(255, 0), 255u);
    EXPECT_EQ(BlendAlphaUnion(128, 255), 255u);  // 383 - 127 = 256, clamped
    EXPECT_EQ(BlendAlphaUnion(128, 128), 192u);
    EXPECT_EQ(BlendColorComponent(100, 200, 255, 128, 0), 0u);
    // (200 x 128 - ((100 x 255) x 128 >> 8) + 100 x 255) / 255 = 38350 / 255
    EXPECT_EQ(BlendColorComponent(100, 200, 255, 128, 255), 150u);
    u8 pixel[4] = {10, 20, 30, 0};
    BlendPixelRGBA(pixel, 200, 100, 50, 255);
    EXPECT_EQ(std::vector<u8>(pixel, pixel + 4), (std::vector<u8>{200, 100, 50, 255}));
}

TEST(Blit, NegativePositionCopiesTheBottomRightQuarter) {
    zPicture source, destination;
    MakeTagged(source, 10, 10, 1);
    MakeTagged(destination, 10, 10, 2);
    zRect position{-5, -5, 0, 0};
    ASSERT_TRUE(destination.Blit(source, nullptr, &position, BlendReplace));
    for (u32 y = 0; y < 10; ++y)
        for (u32 x = 0; x < 10; ++x) {
            std::vector<u8> expected = x < 5 && y < 5 ? std::vector<u8>{u8(x + 5), u8(y + 5), 1, 255}
                                                      : std::vector<u8>{u8(x), u8(y), 2, 255};
            EXPECT_EQ(At(destination, x, y), expected) << x << "," << y;
        }
}

TEST(Blit, ClippingTable) {
    struct Case {
        const char* name;
        zRect sourceRect;
        zRect position;
        bool result;
        u32 firstX, firstY;  // where the source's wanted corner lands
        u8 sourceX, sourceY;
    };
    const Case cases[] = {
        {"source rectangle outside", {20, 20, 30, 30}, {0, 0, 0, 0}, false, 0, 0, 0, 0},
        {"position outside", {0, 0, 10, 10}, {10, 0, 0, 0}, false, 0, 0, 0, 0},
        {"sub rectangle", {2, 3, 4, 5}, {6, 7, 0, 0}, true, 6, 7, 2, 3},
        {"rectangle hanging left of the source", {-3, 0, 2, 2}, {0, 0, 0, 0}, true, 3, 0, 0, 0},
        {"past the bottom right", {0, 0, 10, 10}, {8, 9, 0, 0}, true, 8, 9, 0, 0},
    };
    for (const Case& c : cases) {
        zPicture source, destination;
        MakeTagged(source, 10, 10, 1);
        MakeTagged(destination, 10, 10, 2);
        EXPECT_EQ(destination.Blit(source, &c.sourceRect, &c.position, BlendReplace), c.result) << c.name;
        if (c.result) {
            EXPECT_EQ(At(destination, c.firstX, c.firstY), (std::vector<u8>{c.sourceX, c.sourceY, 1, 255})) << c.name;
        }
    }
}

TEST(Blit, ComposeModes) {
    struct Case {
        const char* name;
        u32 mode;
        std::vector<u8> source, destination, expected;
    };
    const Case cases[] = {
        {"opaque source replaces", BlendCompose, {10, 20, 30, 255}, {100, 100, 100, 255}, {10, 20, 30, 255}},
        {"alpha 0 leaves opaque destination", BlendCompose, {10, 20, 30, 0}, {100, 110, 120, 255}, {100, 110, 120, 255}},
        {"half alpha", BlendCompose, {200, 200, 200, 128}, {100, 100, 100, 255}, {150, 150, 150, 255}},
        {"add changes nothing", BlendAdd, {200, 200, 200, 255}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"alpha multiply changes nothing", BlendAlphaMultiply2x, {200, 200, 200, 255}, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"rgb to alpha", RgbToAlpha, {30, 60, 90, 7}, {1, 2, 3, 4}, {1, 2, 3, 60}},
    };
    for (const Case& c : cases) {
        zPicture source, destination;
        ASSERT_TRUE(source.Allocate(1, 1, PixelFormatRGBA8));
        ASSERT_TRUE(destination.Allocate(1, 1, PixelFormatRGBA8));
        SetAt(source, 0, 0, c.source);
        SetAt(destination, 0, 0, c.destination);
        EXPECT_TRUE(destination.Blit(source, nullptr, nullptr, c.mode)) << c.name;
        EXPECT_EQ(At(destination, 0, 0), c.expected) << c.name;
    }
}

TEST(Blit, KeepsDestinationAlphaAndFormatRegression) {
    // An RGB8 source used to turn the alpha of the whole RGBA8 destination to 0.
    zPicture source, destination;
    ASSERT_TRUE(source.Allocate(2, 2, PixelFormatRGB8));
    std::memset(source.GetPixels(), 50, source.GetBufferSize());
    ASSERT_TRUE(destination.Allocate(4, 4, PixelFormatRGBA8));
    ASSERT_TRUE(destination.Fill(1, 1, 1, 0.5f));
    ASSERT_TRUE(destination.Blit(source, nullptr, nullptr, BlendReplace));
    EXPECT_TRUE(destination.GetFormat() == PixelFormatRGBA8);
    EXPECT_EQ(At(destination, 0, 0), (std::vector<u8>{50, 50, 50, 127}));
    EXPECT_EQ(At(destination, 3, 3), (std::vector<u8>{255, 255, 255, 127}));
    // Compose of an alpha-less source is opaque, on the right bytes.
    ASSERT_TRUE(destination.Blit(source, nullptr, nullptr, BlendCompose));
    EXPECT_EQ(At(destination, 1, 1), (std::vector<u8>{50, 50, 50, 255}));
    // Other destination byte orders get the source converted.
    zPicture bgra;
    ASSERT_TRUE(bgra.Allocate(1, 1, PixelFormatBGRA8));
    zPicture red;
    ASSERT_TRUE(red.Allocate(1, 1, PixelFormatRGBA8));
    SetAt(red, 0, 0, {255, 0, 0, 255});
    ASSERT_TRUE(bgra.Blit(red, nullptr, nullptr, BlendCompose));
    EXPECT_EQ(At(bgra, 0, 0), (std::vector<u8>{0, 0, 255, 255}));
    // Compose needs a 32-bit destination.
    zPicture rgb;
    ASSERT_TRUE(rgb.Allocate(2, 2, PixelFormatRGB8));
    EXPECT_FALSE(rgb.Blit(red, nullptr, nullptr, BlendCompose));
    EXPECT_TRUE(rgb.Blit(red, nullptr, nullptr, BlendReplace));
    EXPECT_EQ(At(rgb, 0, 0), (std::vector<u8>{255, 0, 0}));
}

TEST(Blit, IntoItselfWithOverlap) {
    zPicture picture;
    MakeTagged(picture, 4, 1, 9);
    zRect position{1, 0, 0, 0};
    ASSERT_TRUE(picture.Blit(picture, nullptr, &position, BlendReplace));
    EXPECT_EQ(At(picture, 1, 0)[0], 0);
    EXPECT_EQ(At(picture, 3, 0)[0], 2);
}

TEST(PutPixel, ClipsAndBlends) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(10, 10, PixelFormatRGBA8));
    zRectF clip{0, 0, 10, 10};
    picture.PutPixel(10, 5, 1, 0, 0, 1, &clip);
    picture.PutPixel(3, 4, 1, 0, 0, 1, &clip);
    EXPECT_EQ(At(picture, 3, 4), (std::vector<u8>{255, 0, 0, 255}));
    zPicture empty;
    ASSERT_TRUE(empty.Allocate(10, 10, PixelFormatRGBA8));
    empty.PutPixel(10, 5, 1, 0, 0, 1, &clip);
    EXPECT_TRUE(empty.Equals(empty));
    for (u32 i = 0; i < 400; ++i) ASSERT_EQ(empty.GetPixels()[i], 0);
}

TEST(PutPixel, PositionsOutsideThePictureAreDroppedRegression) {
    // Script PictureSetPixel could write anywhere in the heap.
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 4, PixelFormatRGBA8));
    zRectF wideClip{-100, -100, 100, 100};
    const f32 positions[][2] = {{-1, 0}, {4, 0}, {0, 4}, {1e9f, 1e9f}, {NAN, 0}, {-0.5f, -0.5f}};
    for (const auto& p : positions) {
        picture.PutPixel(p[0], p[1], 1, 1, 1, 1);
        picture.PutPixel(p[0], p[1], 1, 1, 1, 1, &wideClip);
        picture.PutPixelFiltered(p[0], p[1], 1, 1, 1, 1);
        picture.PutPixelFiltered(p[0], p[1], 1, 1, 1, 1, &wideClip);
    }
    picture.PutPixelFiltered(3, 1, 1, 1, 1, 1);  // needs the column to its right
    picture.PutPixelFiltered(1, 3, 1, 1, 1, 1);
    for (u64 i = 0; i < picture.GetBufferSize(); ++i) ASSERT_EQ(picture.GetPixels()[i], 0) << i;
}

TEST(PutPixel, FilteredSpreadsOverFourPixels) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 4, PixelFormatRGBA8));
    picture.PutPixelFiltered(1.5f, 1.5f, 1, 1, 1, 1);
    // Each of the four receives alpha trunc(255 x 0.25) = 63 over alpha 0.
    for (auto xy : {std::pair<u32, u32>{1, 1}, {2, 1}, {1, 2}, {2, 2}})
        EXPECT_EQ(At(picture, xy.first, xy.second), (std::vector<u8>{255, 255, 255, 63}));
    EXPECT_EQ(At(picture, 3, 3), (std::vector<u8>{0, 0, 0, 0}));
    zPicture whole;
    ASSERT_TRUE(whole.Allocate(4, 4, PixelFormatRGBA8));
    whole.PutPixelFiltered(2, 1, 1, 0, 0, 1);
    EXPECT_EQ(At(whole, 2, 1), (std::vector<u8>{255, 0, 0, 255}));
    EXPECT_EQ(At(whole, 3, 1)[3], 0);
}

TEST(Convolution, KernelsAndMessages) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(5, 4, PixelFormatRGBA8));
    ASSERT_TRUE(picture.Fill(0.2f, 0.4f, 0.6f, 1));
    zPicture before(picture);
    const i32 ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    ASSERT_TRUE(picture.ApplyConvolution(3, 3, ones));
    EXPECT_TRUE(picture.Equals(before));

    LogCapture log;
    EXPECT_FALSE(picture.ApplyConvolution(0, 3, ones));
    EXPECT_EQ(log.Text(), "[!] Invalid kernel size (0x3).\n");
    log.Reset();
    zPicture rgb;
    ASSERT_TRUE(rgb.Allocate(2, 2, PixelFormatRGB8));
    EXPECT_FALSE(rgb.ApplyConvolution(3, 3, ones));
    EXPECT_EQ(log.Text(), "[!] Cannot apply convolution filter to a non RGB32 picture.\n");
}

TEST(Convolution, ZeroSumKernelRegression) {
    // A Laplacian sums to 0: an integer division by zero before.
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(3, 3, PixelFormatRGBA8));
    SetAt(picture, 1, 1, {40, 40, 40, 40});
    const i32 laplacian[9] = {0, -1, 0, -1, 4, -1, 0, -1, 0};
    ASSERT_TRUE(picture.ApplyConvolution(3, 3, laplacian));
    EXPECT_EQ(At(picture, 1, 1), (std::vector<u8>{160, 160, 160, 160}));
    EXPECT_EQ(At(picture, 0, 1), (std::vector<u8>{0, 0, 0, 0}));  // -40 clamps to 0
}

TEST(Convolution, EdgesUseTheCentreCoordinateAndRectRestrictsWrites) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(3, 1, PixelFormatRGBA8));
    SetAt(picture, 0, 0, {30, 0, 0, 0});
    SetAt(picture, 1, 0, {60, 0, 0, 0});
    SetAt(picture, 2, 0, {90, 0, 0, 0});
    const i32 left[3] = {1, 0, 0};  // takes the pixel to the left
    zPicture copy(picture);
    ASSERT_TRUE(copy.ApplyConvolution(3, 1, left));
    EXPECT_EQ(At(copy, 0, 0)[0], 30);  // outside: the centre's own column
    EXPECT_EQ(At(copy, 1, 0)[0], 30);
    EXPECT_EQ(At(copy, 2, 0)[0], 60);
    zRect onlyLast{2, 0, 3, 1};
    ASSERT_TRUE(picture.ApplyConvolution(3, 1, left, &onlyLast));
    EXPECT_EQ(At(picture, 1, 0)[0], 60);
    EXPECT_EQ(At(picture, 2, 0)[0], 60);
}

TEST(Resize, AspectRatioAndColours) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(200, 100, PixelFormatBGRA8));
    ASSERT_TRUE(picture.Fill(1, 0.5f, 0, 1));
    ASSERT_TRUE(picture.Resize(-1, 50));
    EXPECT_EQ(picture.GetWidth(), 100u);
    EXPECT_EQ(picture.GetHeight(), 50u);
    EXPECT_TRUE(picture.GetFormat() == PixelFormatRGBA8);
    EXPECT_EQ(At(picture, 99, 49), (std::vector<u8>{255, 127, 0, 255}));
    EXPECT_FALSE(picture.Resize(-1, -1));
    EXPECT_TRUE(picture.Resize(100, 50));
}

TEST(Resize, RefusesWhatItCannotSampleRegression) {
    zPicture sized;
    sized.SetVirtualSize(10, 10);
    EXPECT_FALSE(sized.Resize(5, 5));  // used to sample a null buffer
    zPicture zero;
    EXPECT_FALSE(zero.Resize(-1, 5));  // used to divide by a zero height
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 4, PixelFormatRGBA8));
    LogCapture log;
    EXPECT_FALSE(picture.Resize(70000, 70000));  // over the size caps
    EXPECT_EQ(picture.GetWidth(), 4u);
    zPicture rgb;
    ASSERT_TRUE(rgb.Allocate(4, 4, PixelFormatRGB8));
    EXPECT_FALSE(rgb.Resize(2, 2));
}

TEST(Resize, FloatPicturesStayFloat) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatRGBFloat));
    const f32 value[3] = {0.25f, 0.5f, 0.75f};
    for (u32 i = 0; i < 4; ++i) std::memcpy(picture.GetPixels() + 12 * i, value, 12);
    ASSERT_TRUE(picture.Resize(3, 1));
    EXPECT_TRUE(picture.GetFormat() == PixelFormatRGBFloat);
    f32 out[3];
    std::memcpy(out, picture.GetPixels() + 24, 12);
    EXPECT_FLOAT_EQ(out[2], 0.75f);
}

TEST(Shrink, AveragesAreasAndKeepsTheFormat) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 4, PixelFormatBGRA8));
    for (u32 y = 0; y < 4; ++y)
        for (u32 x = 0; x < 4; ++x) SetAt(picture, x, y, {u8(x * 10 + y * 40), u8(x), 0, 255});
    ASSERT_TRUE(picture.Shrink(2, 2));
    EXPECT_TRUE(picture.GetFormat() == PixelFormatBGRA8);
    // Block (0,0): 0, 10, 40, 50 -> 25; block (1,1): 100, 110, 140, 150 -> 125.
    EXPECT_EQ(At(picture, 0, 0)[0], 25);
    EXPECT_EQ(At(picture, 1, 1)[0], 125);
    EXPECT_EQ(At(picture, 1, 0)[1], 3);  // (2 + 3 + 2 + 3) / 4 = 2.5, rounded
    EXPECT_FALSE(picture.Shrink(3, 3));
    // A fractional footprint: 3 -> 2 covers one and a half pixels.
    zPicture row;
    ASSERT_TRUE(row.Allocate(3, 1, PixelFormatRGBA8));
    SetAt(row, 0, 0, {0, 0, 0, 0});
    SetAt(row, 1, 0, {90, 0, 0, 0});
    SetAt(row, 2, 0, {180, 0, 0, 0});
    ASSERT_TRUE(row.Shrink(2, 1));
    EXPECT_EQ(At(row, 0, 0)[0], 30);   // (0 x 1 + 90 x 0.5) / 1.5
    EXPECT_EQ(At(row, 1, 0)[0], 150);  // (90 x 0.5 + 180 x 1) / 1.5
}

TEST(ResizeCanvas, MarginsCropAndRefusal) {
    zPicture picture;
    MakeTagged(picture, 4, 3, 7);
    ASSERT_TRUE(picture.ResizeCanvas(-1, -2, 1, 0));
    EXPECT_EQ(picture.GetWidth(), 6u);
    EXPECT_EQ(picture.GetHeight(), 5u);
    EXPECT_EQ(At(picture, 0, 0), (std::vector<u8>{0, 0, 0, 255}));
    EXPECT_EQ(At(picture, 1, 2), (std::vector<u8>{0, 0, 7, 255}));
    EXPECT_EQ(At(picture, 4, 4), (std::vector<u8>{3, 2, 7, 255}));
    EXPECT_EQ(At(picture, 5, 4), (std::vector<u8>{0, 0, 0, 255}));
    const f32 white[4] = {1, 1, 1, 1};
    ASSERT_TRUE(picture.ResizeCanvas(2, 2, -1, 0, white));  // crop
    EXPECT_EQ(picture.GetWidth(), 3u);
    EXPECT_EQ(picture.GetHeight(), 3u);
    EXPECT_EQ(At(picture, 0, 0), (std::vector<u8>{1, 0, 7, 255}));
    EXPECT_FALSE(picture.ResizeCanvas(3, 0, 0, 0));   // width 0
    EXPECT_FALSE(picture.ResizeCanvas(0, 0, -9, 0));  // negative width, refused
    EXPECT_EQ(picture.GetWidth(), 3u);
}

TEST(ResizeCanvas, OversizedCanvasLogsTheAllocationFailure) {
    zPicture picture;
    MakeTagged(picture, 4, 3, 7);
    LogCapture log;
    EXPECT_FALSE(picture.ResizeCanvas(0, 0, 20000, 0));
    EXPECT_EQ(log.Text(), "[!] Failed to allocate destination buffer.\n");
    EXPECT_EQ(picture.GetWidth(), 4u);
    EXPECT_EQ(At(picture, 3, 2), (std::vector<u8>{3, 2, 7, 255}));
    zPicture rgb;
    ASSERT_TRUE(rgb.Allocate(2, 2, PixelFormatRGB8));
    EXPECT_FALSE(rgb.ResizeCanvas(-1, -1, 1, 1));
    EXPECT_EQ(rgb.GetWidth(), 2u);
}

TEST(YCbCr, RoundTripAndSaturatedColoursRegression) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 1, PixelFormatRGBA8));
    SetAt(picture, 0, 0, {120, 80, 160, 9});
    SetAt(picture, 1, 0, {0, 0, 255, 9});  // pure blue: Cb 256 wrapped to 0 before
    SetAt(picture, 2, 0, {255, 0, 0, 9});  // pure red: the same with Cr
    SetAt(picture, 3, 0, {60, 200, 30, 9});
    u8 y[4], cb[4], cr[4];
    picture.SplitYCbCr(y, cb, cr);
    EXPECT_EQ(cb[1], 255);
    EXPECT_EQ(cr[2], 255);
    zPicture merged(picture);
    std::memset(merged.GetPixels(), 0, 16);
    merged.MergeYCbCr(y, cb, cr);
    for (u32 x = 0; x < 4; ++x)
        for (u32 c = 0; c < 3; ++c) EXPECT_NEAR(At(merged, x, 0)[c], At(picture, x, 0)[c], 2) << x << "/" << c;
    EXPECT_EQ(At(merged, 0, 0)[3], 0);  // byte 3 untouched
    merged.MergeYCbCr(y, nullptr, cr);  // a missing plane: nothing
}

TEST(Bicubic, KeepsFlatPicturesAndDoesNotShiftRegression) {
    // 4 x 1 ramp resampled to the same size must reproduce itself: the old
    // neighbourhood (j-2 .. j+1) shifted the picture one pixel right.
    const u8 ramp[12] = {0, 0, 0, 60, 60, 60, 120, 120, 120, 180, 180, 180};
    u8* same = ResampleBicubic(ramp, 4, 1, 4, 1);
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(std::vector<u8>(same, same + 12), std::vector<u8>(ramp, ramp + 12));
    FreePictureBuffer(same);
    u8* doubled = ResampleBicubic(ramp, 4, 1, 8, 2);
    ASSERT_NE(doubled, nullptr);
    EXPECT_EQ(doubled[0], 0);
    EXPECT_EQ(doubled[2 * 3], 60);  // column 2 samples x = 1 exactly
    EXPECT_NEAR(doubled[3 * 3], 90, 2);
    FreePictureBuffer(doubled);
    EXPECT_EQ(ResampleBicubic(ramp, 4, 1, 0, 1), nullptr);
}

TEST(PictureOpsHelpers, RoundingAndRectangles) {
    EXPECT_EQ(ClampInt(-5, 0, 10), 0);
    EXPECT_EQ(ClampInt(15, 0, 10), 10);
    EXPECT_EQ(ClampInt(5, 0, 10), 5);
    EXPECT_EQ(FloorToInt(2.7f), 2);
    EXPECT_EQ(FloorToInt(-2.5f), -3);
    EXPECT_EQ(TruncUpToInt(2.2f), 3);
    EXPECT_EQ(TruncUpToInt(-2.5f), -2);
    EXPECT_EQ(FloorToInt(NAN), 0);
    zRectF r = IntersectRectF({0, 0, 10, 10}, {5, -5, 20, 8});
    EXPECT_FLOAT_EQ(r.left, 5);
    EXPECT_FLOAT_EQ(r.top, 0);
    EXPECT_FLOAT_EQ(r.right, 10);
    EXPECT_FLOAT_EQ(r.bottom, 8);
}

TEST(PictureOpsHelpers, ClipScaledRectsKeepsCorrespondence) {
    // Source 10 wide drawn twice as large at x = -4.
    zRectF source{0, 0, 10, 10};
    zRectF destination{-4, 0, 16, 20};
    ASSERT_TRUE(ClipScaledRects(source, destination, {0, 0, 10, 10}, {0, 0, 12, 12}));
    EXPECT_FLOAT_EQ(destination.left, 0);
    EXPECT_FLOAT_EQ(source.left, 2);
    EXPECT_FLOAT_EQ(destination.right, 12);
    EXPECT_FLOAT_EQ(source.right, 8);
    EXPECT_FLOAT_EQ(destination.bottom, 12);
    EXPECT_FLOAT_EQ(source.bottom, 6);
    zRectF away{0, 0, 10, 10};
    zRectF far{50, 50, 60, 60};
    EXPECT_FALSE(ClipScaledRects(away, far, {0, 0, 10, 10}, {0, 0, 12, 12}));
}
