#include "picture/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/support/log_capture.h"

namespace {

// A w x h picture of the format whose bytes count up from 'first'.
void MakeCounting(zPicture& picture, u32 width, u32 height, const zPixelFormat& format, u8 first = 1) {
    ASSERT_TRUE(picture.Allocate(width, height, format));
    u8* p = picture.GetPixels();
    for (u64 i = 0; i < picture.GetBufferSize(); ++i) p[i] = u8(first + i);
}

u32 PixelAt(const zPicture& picture, u32 x, u32 y) {
    u32 word;
    std::memcpy(&word, picture.GetPixels() + (u64(y) * picture.GetWidth() + x) * 4, 4);
    return word;
}

}  // namespace

TEST(Picture, StartsEmpty) {
    zPicture picture;
    EXPECT_EQ(picture.GetPixels(), nullptr);
    EXPECT_TRUE(picture.GetFormat() == PixelFormatEmpty);
    EXPECT_EQ(picture.GetRefCount(), 0u);
    EXPECT_FALSE(picture.IsVirtual());
}

TEST(Picture, AllocateZeroFillsAndReallocateWithSameDepthKeepsPixels) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(3, 2, PixelFormatRGBA8));
    EXPECT_EQ(picture.GetBufferSize(), 24u);
    for (u32 i = 0; i < 24; ++i) EXPECT_EQ(picture.GetPixels()[i], 0);
    picture.GetPixels()[5] = 77;
    u8* before = picture.GetPixels();
    ASSERT_TRUE(picture.Allocate(3, 2, PixelFormatBGRA8));
    EXPECT_EQ(picture.GetPixels(), before);
    EXPECT_EQ(picture.GetPixels()[5], 77);
    EXPECT_TRUE(picture.GetFormat() == PixelFormatBGRA8);
}

TEST(Picture, AllocateWithAZeroSideFreesAndLogs) {
    LogCapture log;
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 4, PixelFormatRGBA8));
    EXPECT_FALSE(picture.Allocate(0, 10, PixelFormatRGBA8));
    EXPECT_EQ(picture.GetPixels(), nullptr);
    EXPECT_EQ(log.Text(), "[!] Failed to allocate picture buffer (0x10@32bpp).\n");
}

TEST(Picture, AllocateRefusesHugeSizesRegression) {
    // 65535 x 65535 x 4 wrapped to a small 32-bit size before.
    LogCapture log;
    zPicture picture;
    struct Case {
        u32 width, height;
        const zPixelFormat* format;
    };
    const Case cases[] = {{65535, 65535, &PixelFormatBGRA8},
                          {16385, 1, &PixelFormatBGRA8},
                          {1, 16385, &PixelFormatRGB565},
                          {16384, 16384, &PixelFormatRGBFloat}};
    for (const Case& c : cases) EXPECT_FALSE(picture.Allocate(c.width, c.height, *c.format)) << c.width;
    EXPECT_EQ(GetPictureBufferSize(16384, 16384, 4), u64(1) << 30);
    EXPECT_EQ(GetPictureBufferSize(16384, 16384, 12), 0u);
    EXPECT_EQ(picture.GetPixels(), nullptr);
    EXPECT_NE(log.Text().find("(65535x65535@32bpp)"), std::string::npos);
}

TEST(Picture, AllocateTakesOverAnExternalBufferAndFreesItOnFailure) {
    LogCapture log;
    zPicture picture;
    u8* buffer = AllocatePictureBuffer(2, 2, 4);
    buffer[0] = 9;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatBGRA8, buffer));
    EXPECT_EQ(picture.GetPixels(), buffer);
    // Leak checking proves the refused buffer is freed.
    EXPECT_FALSE(picture.Allocate(0, 2, PixelFormatBGRA8, AllocatePictureBuffer(2, 2, 4)));
}

TEST(Picture, CopyOfVirtualPictureIsVirtual) {
    zPicture source;
    source.SetVirtualSize(64, 32);
    zPicture copy(source);
    EXPECT_TRUE(copy.IsVirtual());
    EXPECT_EQ(copy.GetWidth(), 64u);
    EXPECT_EQ(copy.GetHeight(), 32u);
    EXPECT_EQ(copy.GetPixels(), nullptr);
}

TEST(Picture, CopyDuplicatesPixelsButNotTheName) {
    zPicture source;
    MakeCounting(source, 3, 3, PixelFormatRGB8);
    source.SetName("a.tga");
    zPicture copy;
    ASSERT_TRUE(copy.Copy(source));
    EXPECT_TRUE(copy.Equals(source));
    EXPECT_NE(copy.GetPixels(), source.GetPixels());
    EXPECT_TRUE(copy.GetName().IsEmpty());
}

TEST(Picture, CopyOfAPictureWithoutBufferFailsRegression) {
    // A failed Allocate leaves stale sizes and no buffer; Copy read from null.
    LogCapture log;
    zPicture source;
    ASSERT_TRUE(source.Allocate(4, 4, PixelFormatRGBA8));
    source.Allocate(0, 4, PixelFormatRGBA8);
    zPicture copy;
    EXPECT_FALSE(copy.Copy(source));
    EXPECT_EQ(copy.GetPixels(), nullptr);
}

TEST(Picture, CopyFromNothingLogsTheAllocationFailure) {
    struct Case {
        const char* name;
        u32 staleWidth;  // 0: a picture never allocated
        const char* log;
    };
    const Case cases[] = {
        {"empty picture", 0, "[!] Failed to allocate picture buffer (0x0@0bpp).\n"},
        {"stale size after a failed Allocate", 3, "[!] Failed to allocate picture buffer (3x2@32bpp).\n"},
    };
    for (const Case& c : cases) {
        zPicture source;
        if (c.staleWidth) {
            ASSERT_TRUE(source.Allocate(c.staleWidth, 2, PixelFormatRGBA8));
            LogCapture quiet;
            ASSERT_FALSE(source.Allocate(0, 2, PixelFormatRGBA8));
        }
        LogCapture log;
        zPicture copy;
        ASSERT_TRUE(copy.Allocate(1, 1, PixelFormatRGBA8));
        log.Reset();
        EXPECT_FALSE(copy.Copy(source)) << c.name;
        EXPECT_EQ(copy.GetPixels(), nullptr) << c.name;
        EXPECT_EQ(log.Text(), c.log) << c.name;
    }
}

TEST(Picture, EqualsComparesDimensionsRegression) {
    // 2 x 8 and 4 x 4 hold the same bytes; they used to compare equal.
    zPicture tall, square;
    ASSERT_TRUE(tall.Allocate(2, 8, PixelFormatRGBA8));
    ASSERT_TRUE(square.Allocate(4, 4, PixelFormatRGBA8));
    EXPECT_FALSE(tall.Equals(square));
    zPicture small;
    ASSERT_TRUE(small.Allocate(1, 1, PixelFormatRGBA8));
    EXPECT_FALSE(square.Equals(small));  // no read past the smaller buffer
    zPicture other;
    ASSERT_TRUE(other.Allocate(4, 4, PixelFormatRGBA8));
    EXPECT_TRUE(square.Equals(other));
    other.GetPixels()[63] = 1;
    EXPECT_FALSE(square.Equals(other));
}

TEST(Picture, SetFormatNeedsTheSameDepth) {
    LogCapture log;
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(1, 1, PixelFormatRGBA8));
    EXPECT_TRUE(picture.SetFormat(PixelFormatARGB8));
    EXPECT_FALSE(picture.SetFormat(PixelFormatRGB8));
    EXPECT_EQ(log.Text(), "[!] (Picture::SetFormat) Target format requires a data conversion. See Convert().\n");
}

TEST(PictureConvert, TableOfSinglePixels) {
    struct Case {
        const char* name;
        const zPixelFormat* from;
        std::vector<u8> in;
        const zPixelFormat* to;
        std::vector<u8> out;
    };
    const Case cases[] = {
        {"rgb8 to bgra8 gives alpha 0", &PixelFormatRGB8, {10, 20, 30}, &PixelFormatBGRA8, {30, 20, 10, 0}},
        {"rgba8 to bgra8 swaps in place", &PixelFormatRGBA8, {10, 20, 30, 40}, &PixelFormatBGRA8, {30, 20, 10, 40}},
        {"rgba8 to argb8 moves alpha", &PixelFormatRGBA8, {10, 20, 30, 40}, &PixelFormatARGB8, {40, 10, 20, 30}},
        {"rgb565 red 31 expands to 248", &PixelFormatRGB565, {0x1f, 0x00}, &PixelFormatRGBA8, {248, 0, 0, 0}},
        {"bgra8 to rgb555", &PixelFormatBGRA8, {0xff, 0, 0xff, 0xff}, &PixelFormatRGB555, {0x1f, 0x7c}},
        {"rgba8 to rgba4444", &PixelFormatRGBA8, {0xff, 0x10, 0x20, 0xff}, &PixelFormatRGBA4444, {0x1f, 0xf2}},
        {"bgr8 to rgb8", &PixelFormatBGR8, {1, 2, 3}, &PixelFormatRGB8, {3, 2, 1}},
    };
    for (const Case& c : cases) {
        zPicture picture;
        ASSERT_TRUE(picture.Allocate(1, 1, *c.from));
        std::memcpy(picture.GetPixels(), c.in.data(), c.in.size());
        ASSERT_TRUE(picture.Convert(*c.to)) << c.name;
        EXPECT_TRUE(picture.GetFormat() == *c.to) << c.name;
        std::vector<u8> out(picture.GetPixels(), picture.GetPixels() + picture.GetBufferSize());
        EXPECT_EQ(out, c.out) << c.name;
    }
}

TEST(PictureConvert, FloatPixelsAreRedGreenBlue) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(1, 1, PixelFormatRGBFloat));
    const f32 rgb[3] = {1.0f, 0.5f, -2.0f};
    std::memcpy(picture.GetPixels(), rgb, 12);
    ASSERT_TRUE(picture.Convert(PixelFormatBGRA8));
    EXPECT_EQ(PixelAt(picture, 0, 0), 0xffff7f00u);
}

TEST(PictureConvert, IntegerToFloatWritesChannelsOverTwoHundredFiftyFive) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(1, 1, PixelFormatRGBA8));
    const u8 rgba[4] = {255, 0, 51, 7};
    std::memcpy(picture.GetPixels(), rgba, 4);
    ASSERT_TRUE(picture.Convert(PixelFormatRGBFloat));
    f32 rgb[3];
    std::memcpy(rgb, picture.GetPixels(), 12);
    EXPECT_FLOAT_EQ(rgb[0], 1.0f);
    EXPECT_FLOAT_EQ(rgb[1], 0.0f);
    EXPECT_FLOAT_EQ(rgb[2], 0.2f);
}

TEST(PictureConvert, ToZeroBitsFreesAndWithoutBufferFails) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatRGBA8));
    EXPECT_TRUE(picture.Convert(PixelFormatEmpty));
    EXPECT_EQ(picture.GetPixels(), nullptr);
    EXPECT_EQ(picture.GetWidth(), 0u);
    EXPECT_TRUE(picture.GetFormat() == PixelFormatEmpty);
    picture.SetVirtualSize(2, 2);
    EXPECT_FALSE(picture.Convert(PixelFormatBGRA8));
}

TEST(Picture, FillWholeAndRectangles) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 3, PixelFormatRGBA8));
    ASSERT_TRUE(picture.Fill(1, 0, 0, 1));
    EXPECT_EQ(PixelAt(picture, 3, 2), 0xff0000ffu);
    zRect rect{1, 1, 3, 2};
    ASSERT_TRUE(picture.Fill(0, 1, 0, 1, &rect));
    EXPECT_EQ(PixelAt(picture, 1, 1), 0xff00ff00u);
    EXPECT_EQ(PixelAt(picture, 2, 1), 0xff00ff00u);
    EXPECT_EQ(PixelAt(picture, 3, 1), 0xff0000ffu);
    EXPECT_EQ(PixelAt(picture, 1, 2), 0xff0000ffu);
    zRect empty{2, 2, 2, 5};
    EXPECT_FALSE(picture.Fill(0, 0, 0, 0, &empty));
}

TEST(Picture, FillClipsRectanglesOutsideThePictureRegression) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 4, PixelFormatBGRA8));
    zRect overhanging{-10, 2, 100, 100};
    ASSERT_TRUE(picture.Fill(0, 0, 1, 1, &overhanging));
    EXPECT_EQ(PixelAt(picture, 0, 1), 0u);
    EXPECT_EQ(PixelAt(picture, 0, 2), 0xff0000ffu);
    EXPECT_EQ(PixelAt(picture, 3, 3), 0xff0000ffu);
    zRect outside{5, 5, 9, 9};
    EXPECT_FALSE(picture.Fill(0, 0, 1, 1, &outside));
}

TEST(Picture, FillAndFlipNeedThirtyTwoBits) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatRGB8));
    EXPECT_FALSE(picture.Fill(1, 1, 1, 1));
    EXPECT_FALSE(picture.Flip(true, false));
    zPicture none;
    EXPECT_FALSE(none.Fill(1, 1, 1, 1));
}

TEST(Picture, FlipTable) {
    struct Case {
        bool horizontal, vertical;
        std::vector<u32> expected;
    };
    // 3 x 2 picture holding 0..5.
    const Case cases[] = {{false, false, {0, 1, 2, 3, 4, 5}},
                          {true, false, {2, 1, 0, 5, 4, 3}},
                          {false, true, {3, 4, 5, 0, 1, 2}},
                          {true, true, {5, 4, 3, 2, 1, 0}}};
    for (const Case& c : cases) {
        zPicture picture;
        ASSERT_TRUE(picture.Allocate(3, 2, PixelFormatBGRA8));
        for (u32 i = 0; i < 6; ++i) std::memcpy(picture.GetPixels() + 4 * i, &i, 4);
        ASSERT_TRUE(picture.Flip(c.horizontal, c.vertical));
        std::vector<u32> got(6);
        std::memcpy(got.data(), picture.GetPixels(), 24);
        EXPECT_EQ(got, c.expected) << c.horizontal << c.vertical;
    }
    zPicture row;
    ASSERT_TRUE(row.Allocate(3, 1, PixelFormatBGRA8));
    for (u32 i = 0; i < 3; ++i) std::memcpy(row.GetPixels() + 4 * i, &i, 4);
    ASSERT_TRUE(row.Flip(true, true));
    EXPECT_EQ(PixelAt(row, 0, 0), 2u);
    EXPECT_EQ(PixelAt(row, 2, 0), 0u);
}

TEST(PictureSample, CornersBlendAndMagenta) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatRGBA8));
    const u8 pixels[16] = {0, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255};
    std::memcpy(picture.GetPixels(), pixels, 16);
    f32 c[4];
    picture.Sample(1, 1, c);  // the last pixel
    EXPECT_FLOAT_EQ(c[0], 0);
    EXPECT_FLOAT_EQ(c[2], 1);
    picture.Sample(0.5f, 0.5f, c);  // x = y = 1: the last column and row
    EXPECT_FLOAT_EQ(c[2], 1);
    picture.Sample(0.25f, 0.25f, c);  // x = y = 0.5: mean of the four
    EXPECT_FLOAT_EQ(c[0], 0.25f);
    EXPECT_FLOAT_EQ(c[1], 0.25f);
    EXPECT_FLOAT_EQ(c[2], 0.25f);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
    EXPECT_EQ(picture.SamplePacked(0, 0), 0xff000000u);

    zPicture rgb;
    ASSERT_TRUE(rgb.Allocate(2, 2, PixelFormatRGB8));
    rgb.Sample(0, 0, c);
    EXPECT_EQ(std::vector<f32>(c, c + 4), (std::vector<f32>{1, 0, 1, 1}));
}

TEST(PictureSample, GuardsBadInputRegression) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatRGBA8));
    std::memset(picture.GetPixels(), 0x80, 16);
    f32 c[4];
    const f32 coordinates[][2] = {{NAN, NAN}, {-5, 1e30f}, {INFINITY, -INFINITY}};
    for (const auto& uv : coordinates) {
        picture.Sample(uv[0], uv[1], c);
        EXPECT_NEAR(c[0], 128 / 255.0f, 1e-6) << uv[0] << "," << uv[1];
    }
    // An override larger than the picture only scales; it never becomes the stride.
    picture.Sample(1, 1, c, 1000, 1000);
    EXPECT_NEAR(c[0], 128 / 255.0f, 1e-6);
    zPicture virtualPicture;
    virtualPicture.SetVirtualSize(8, 8);
    virtualPicture.Sample(0.5f, 0.5f, c);
    EXPECT_FLOAT_EQ(c[1], 0.0f);
}

TEST(PictureSample, SmallOverrideIsNotTheRowStrideRegression) {
    // Rows 0 and 1 of a 2 x 2 picture hold red 10, 20 and 30, 40. A width
    // override of 1 used to address row 1 at byte 4, reading 20 instead of 30.
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatRGBA8));
    const u8 pixels[16] = {10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255, 40, 0, 0, 255};
    std::memcpy(picture.GetPixels(), pixels, 16);
    f32 c[4];
    picture.Sample(0, 0.5f, c, 1, 0);  // x = 0, y = 1
    EXPECT_NEAR(c[0], 30 / 255.0f, 1e-6);
    picture.Sample(1, 1, c, 1, 1);  // clamped to override - 1 = 0 in both directions
    EXPECT_NEAR(c[0], 10 / 255.0f, 1e-6);
}

TEST(PictureSample, FloatPicturesReadRedGreenBlue) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(1, 1, PixelFormatRGBFloat));
    const f32 rgb[3] = {0.1f, 0.2f, 0.3f};
    std::memcpy(picture.GetPixels(), rgb, 12);
    f32 c[4];
    picture.Sample(0, 0, c);
    EXPECT_FLOAT_EQ(c[0], 0.1f);
    EXPECT_FLOAT_EQ(c[2], 0.3f);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
}

TEST(Picture, HeightToNormalFollowsTheSlope) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(4, 1, PixelFormatRGBA8));
    for (u32 x = 0; x < 4; ++x) std::memset(picture.GetPixels() + 4 * x, int(x * 50), 3);
    f32 n[4];
    picture.HeightToNormal(0.5f, 0.0f, n);  // x = 2: samples x = 1 and x = 3
    EXPECT_NEAR(n[0], 4.0f * 100 / 255.0f, 1e-5);
    EXPECT_FLOAT_EQ(n[1], 0.0f);
    EXPECT_FLOAT_EQ(n[2], 4.0f);
    EXPECT_FLOAT_EQ(n[3], 1.0f);
}

TEST(Picture, TranslucencyChecksumAndInversion) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 1, PixelFormatRGBA8));
    const u8 pixels[8] = {1, 2, 3, 255, 4, 5, 6, 255};
    std::memcpy(picture.GetPixels(), pixels, 8);
    EXPECT_FALSE(picture.HasTranslucentPixel());
    ASSERT_TRUE(picture.ComputeChecksum());
    EXPECT_EQ(picture.GetChecksum(), 0xff010203u + 0xff040506u);
    picture.InvertChannels(false, false, false, true);
    EXPECT_TRUE(picture.HasTranslucentPixel());
    picture.InvertChannels(true, false, true, false);
    EXPECT_EQ(PixelAt(picture, 0, 0), 0x00fc02feu);

    zPicture rgb;
    ASSERT_TRUE(rgb.Allocate(1, 1, PixelFormatRGB8));
    EXPECT_FALSE(rgb.HasTranslucentPixel());
    zPicture none;
    EXPECT_FALSE(none.ComputeChecksum());
}

TEST(Picture, SharedReferencesDeleteTheLastHolder) {
    zSharedPtr<zPicture> holder(new zPicture);
    ASSERT_TRUE(holder->Allocate(8, 8, PixelFormatDefault));
    zSharedPtr<zPicture> second = holder;
    EXPECT_EQ(holder->GetRefCount(), 2u);
    EXPECT_TRUE(holder->GetFormat() == PixelFormatRGBA8);
}

TEST(Picture, NarrowAlphaBelowItsMaximumIsTranslucentRegression) {
    // The 4-bit alpha 14 was widened to 224 and compared with 15: only 0 counted.
    struct Case {
        const char* name;
        const zPixelFormat* format;
        std::vector<u8> pixel;
        bool translucent;
    };
    const Case cases[] = {
        {"rgba8 opaque", &PixelFormatRGBA8, {1, 2, 3, 255}, false},
        {"rgba8 254", &PixelFormatRGBA8, {1, 2, 3, 254}, true},
        {"argb8 opaque", &PixelFormatARGB8, {255, 0, 0, 0}, false},
        {"argb8 0", &PixelFormatARGB8, {0, 255, 255, 255}, true},
        {"rgba4444 opaque", &PixelFormatRGBA4444, {0x00, 0xf0}, false},
        {"rgba4444 14", &PixelFormatRGBA4444, {0xff, 0xef}, true},
        {"rgba4444 0", &PixelFormatRGBA4444, {0xff, 0x0f}, true},
        {"rgb565 has no alpha", &PixelFormatRGB565, {0, 0}, false},
        {"bgr8 has no alpha", &PixelFormatBGR8, {0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        zPicture picture;
        ASSERT_TRUE(picture.Allocate(2, 1, *c.format));
        const u32 bytes = c.format->GetBytesPerPixel();
        std::vector<u8> opaque(bytes, 0xff);
        std::memcpy(picture.GetPixels(), opaque.data(), bytes);
        std::memcpy(picture.GetPixels() + bytes, c.pixel.data(), bytes);
        EXPECT_EQ(picture.HasTranslucentPixel(), c.translucent) << c.name;
    }
}
