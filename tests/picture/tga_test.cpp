#include "picture/tga.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "picture/picture.h"
#include "tests/support/log_capture.h"

namespace {

struct TgaHeader {
    u8 idLength = 0;
    u8 colourMapType = 0;
    u8 type = 2;
    u16 firstIndex = 0;
    u16 mapLength = 0;
    u8 entryBits = 0;
    u16 width = 2;
    u16 height = 2;
    u8 bitsPerPixel = 32;
    u8 descriptor = 0x28;
};

std::vector<u8> MakeTga(const TgaHeader& h, std::vector<u8> body) {
    std::vector<u8> file = {h.idLength,
                            h.colourMapType,
                            h.type,
                            u8(h.firstIndex),
                            u8(h.firstIndex >> 8),
                            u8(h.mapLength),
                            u8(h.mapLength >> 8),
                            h.entryBits,
                            0,
                            0,
                            0,
                            0,
                            u8(h.width),
                            u8(h.width >> 8),
                            u8(h.height),
                            u8(h.height >> 8),
                            h.bitsPerPixel,
                            h.descriptor};
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// BGRA bytes of every pixel.
std::vector<u8> Pixels(const zPicture& p) { return std::vector<u8>(p.GetPixels(), p.GetPixels() + p.GetBufferSize()); }

// A 256-entry 24-bit palette whose entry i is (B, G, R) = (i, 2i, 3i), entry 5 magenta.
std::vector<u8> Palette24(u32 entries = 256) {
    std::vector<u8> palette;
    for (u32 i = 0; i < entries; ++i) {
        if (i == 5) {
            palette.insert(palette.end(), {255, 0, 255});
        } else {
            palette.insert(palette.end(), {u8(i), u8(2 * i), u8(3 * i)});
        }
    }
    return palette;
}

}  // namespace

TEST(TgaRead, TableOfSmallFiles) {
    struct Case {
        const char* name;
        std::vector<u8> file;
        u32 width, height;
        std::vector<u8> expected;
    };
    std::vector<Case> cases;
    {
        TgaHeader h;  // 2 x 2, 32 bits, top first
        std::vector<u8> body = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        cases.push_back({"32-bit top first", MakeTga(h, body), 2, 2, body});
        h.descriptor = 0x08;
        cases.push_back({"32-bit bottom first",
                         MakeTga(h, body),
                         2,
                         2,
                         {9, 10, 11, 12, 13, 14, 15, 16, 1, 2, 3, 4, 5, 6, 7, 8}});
    }
    {
        TgaHeader h;
        h.type = 3;
        h.width = 1;
        h.height = 1;
        h.bitsPerPixel = 8;
        cases.push_back({"grey 128", MakeTga(h, {128}), 1, 1, {128, 128, 128, 128}});
        h.type = 2;
        h.bitsPerPixel = 16;
        cases.push_back({"16-bit 0x7fff", MakeTga(h, {0xff, 0x7f}), 1, 1, {248, 248, 248, 255}});
        cases.push_back({"16-bit red", MakeTga(h, {0x00, 0x7c}), 1, 1, {0, 0, 248, 255}});
        h.bitsPerPixel = 24;
        cases.push_back({"24-bit", MakeTga(h, {1, 2, 3}), 1, 1, {1, 2, 3, 255}});
        h.idLength = 3;
        cases.push_back({"image ID skipped", MakeTga(h, {9, 9, 9, 1, 2, 3}), 1, 1, {1, 2, 3, 255}});
        h.idLength = 0;
        h.bitsPerPixel = 12;
        cases.push_back({"other depth stays zero", MakeTga(h, {1, 2, 3}), 1, 1, {0, 0, 0, 0}});
    }
    {
        TgaHeader h;
        h.type = 1;
        h.colourMapType = 1;
        h.mapLength = 256;
        h.entryBits = 24;
        h.width = 3;
        h.height = 1;
        h.bitsPerPixel = 8;
        std::vector<u8> body = Palette24();
        body.insert(body.end(), {4, 5, 1});
        cases.push_back({"colour-mapped raw", MakeTga(h, body), 3, 1, {4, 8, 12, 255, 255, 0, 255, 0, 1, 2, 3, 255}});
        h.type = 9;
        body = Palette24();
        body.insert(body.end(), {0x82, 5});  // run of 3 of the magenta entry
        cases.push_back(
            {"colour-mapped RLE magenta", MakeTga(h, body), 3, 1, {255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0}});
        h.type = 1;
        h.mapLength = 8;  // a short palette: pixel data starts after 8 entries
        body = Palette24(8);
        body.insert(body.end(), {7, 6, 0});
        cases.push_back({"short palette", MakeTga(h, body), 3, 1, {7, 14, 21, 255, 6, 12, 18, 255, 0, 0, 0, 255}});
        h.entryBits = 16;
        h.mapLength = 2;
        body = {0xff, 0x7f, 0x1f, 0x00};  // two 16-bit entries
        body.insert(body.end(), {1, 0, 1});
        cases.push_back({"16-bit palette", MakeTga(h, body), 3, 1, {248, 0, 0, 255, 248, 248, 248, 255, 248, 0, 0, 255}});
        h.entryBits = 32;
        h.mapLength = 1;
        body = {1, 2, 3, 4};
        body.insert(body.end(), {0, 0, 0});
        cases.push_back({"32-bit palette", MakeTga(h, body), 3, 1, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}});
    }
    {
        TgaHeader h;
        h.type = 10;
        h.width = 5;
        h.height = 1;
        h.bitsPerPixel = 24;
        // Run of 3, then a raw packet of 2.
        cases.push_back({"RLE 24", MakeTga(h, {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}), 5, 1,
                         {1, 2, 3, 255, 1, 2, 3, 255, 1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255}});
        h.bitsPerPixel = 32;
        h.width = 2;
        cases.push_back({"RLE 32", MakeTga(h, {0x81, 1, 2, 3, 4}), 2, 1, {1, 2, 3, 4, 1, 2, 3, 4}});
        h.bitsPerPixel = 16;
        cases.push_back({"RLE 16", MakeTga(h, {0x01, 0xff, 0x7f, 0x1f, 0x00}), 2, 1, {248, 248, 248, 255, 248, 0, 0, 255}});
        h.bitsPerPixel = 8;
        cases.push_back({"RLE other depth stays zero", MakeTga(h, {0x81, 1}), 2, 1, {0, 0, 0, 0, 0, 0, 0, 0}});
    }
    {
        TgaHeader h;
        h.width = 2;
        h.height = 1;
        h.bitsPerPixel = 24;
        cases.push_back({"data ends early", MakeTga(h, {1, 2, 3, 4}), 2, 1, {1, 2, 3, 255, 0, 0, 0, 0}});
        h.colourMapType = 1;
        h.mapLength = 2;
        h.entryBits = 24;
        cases.push_back({"colour map of a true-colour file skipped", MakeTga(h, {9, 9, 9, 9, 9, 9, 1, 2, 3, 4, 5, 6}),
                         2, 1, {1, 2, 3, 255, 4, 5, 6, 255}});
    }
    {
        // Bottom-first files whose data ends early fill the lowest rows only.
        TgaHeader h;
        h.width = 2;
        h.height = 3;
        h.descriptor = 0x08;
        cases.push_back({"bottom first, 32-bit data ends inside a pixel",
                         MakeTga(h, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 2, 3,
                         {0, 0, 0, 0, 0, 0, 0, 0, 9, 10, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}});
        h.type = 10;
        h.bitsPerPixel = 24;
        cases.push_back({"bottom first, RLE data ends inside a row", MakeTga(h, {0x82, 1, 2, 3}), 2, 3,
                         {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 255, 0, 0, 0, 0, 1, 2, 3, 255, 1, 2, 3, 255}});
        TgaHeader mapped;
        mapped.type = 1;
        mapped.colourMapType = 1;
        mapped.mapLength = 256;
        mapped.entryBits = 24;
        mapped.width = 1;
        mapped.height = 3;
        mapped.bitsPerPixel = 8;
        mapped.descriptor = 0;
        std::vector<u8> body = Palette24();
        body.push_back(4);
        cases.push_back({"bottom first, colour-mapped data ends after a row", MakeTga(mapped, body), 1, 3,
                         {0, 0, 0, 0, 0, 0, 0, 0, 4, 8, 12, 255}});
    }
    for (const Case& c : cases) {
        LogCapture log;
        zPicture picture;
        ASSERT_TRUE(DecodeTGA(c.file.data(), c.file.size(), picture)) << c.name;
        EXPECT_TRUE(picture.GetFormat() == PixelFormatBGRA8) << c.name;
        EXPECT_EQ(picture.GetWidth(), c.width) << c.name;
        EXPECT_EQ(picture.GetHeight(), c.height) << c.name;
        EXPECT_EQ(Pixels(picture), c.expected) << c.name;
        EXPECT_EQ(log.Text(), "") << c.name;
    }
}

TEST(TgaRead, RefusedFiles) {
    struct Case {
        const char* name;
        std::vector<u8> file;
        const char* log;
    };
    std::vector<Case> cases;
    TgaHeader h;
    h.type = 11;
    cases.push_back({"type 11", MakeTga(h, {}), ""});
    h.type = 2;
    h.firstIndex = 1;  // type word 258
    cases.push_back({"type word with first index", MakeTga(h, {}), ""});
    cases.push_back({"shorter than a header", {0, 0, 2, 0, 0}, ""});
    TgaHeader mapped;
    mapped.type = 1;
    mapped.colourMapType = 1;
    mapped.mapLength = 256;
    mapped.entryBits = 8;
    mapped.bitsPerPixel = 8;
    cases.push_back({"8-bit palette", MakeTga(mapped, std::vector<u8>(300)),
                     "[!] Palette is in unsupported pixel format (neither RGB16, RGB24 or BGR8).\n"});
    mapped.entryBits = 24;
    cases.push_back({"palette cut short", MakeTga(mapped, std::vector<u8>(30)), "[!] Could not read TGA palette.\n"});
    mapped.firstIndex = 0x0200;
    cases.push_back({"first index 512", MakeTga(mapped, std::vector<u8>(800)),
                     "[!] Unsupported TGA palette (first index 512).\n"});
    TgaHeader empty;
    empty.width = 0;
    cases.push_back({"zero width", MakeTga(empty, {}), "[!] Failed to allocate picture buffer (0x2@32bpp).\n"});
    for (const Case& c : cases) {
        LogCapture log;
        zPicture picture;
        EXPECT_FALSE(DecodeTGA(c.file.data(), c.file.size(), picture)) << c.name;
        EXPECT_EQ(log.Text(), c.log) << c.name;
    }
}

TEST(TgaRead, RunLengthPacketsPastThePictureAreClippedRegression) {
    // A run of 128 pixels into a 2 x 1 picture used to write 126 pixels past it.
    TgaHeader h;
    h.type = 10;
    h.width = 2;
    h.height = 1;
    h.bitsPerPixel = 32;
    std::vector<u8> file = MakeTga(h, {0xff, 1, 2, 3, 4});
    zPicture picture;
    ASSERT_TRUE(DecodeTGA(file.data(), file.size(), picture));
    EXPECT_EQ(Pixels(picture), (std::vector<u8>{1, 2, 3, 4, 1, 2, 3, 4}));
    // A raw packet of 128 pixels into 3 pixels.
    h.width = 3;
    h.bitsPerPixel = 24;
    std::vector<u8> raw = {0x7f};
    for (int i = 0; i < 128 * 3; ++i) raw.push_back(u8(i));
    file = MakeTga(h, raw);
    ASSERT_TRUE(DecodeTGA(file.data(), file.size(), picture));
    EXPECT_EQ(Pixels(picture), (std::vector<u8>{0, 1, 2, 255, 3, 4, 5, 255, 6, 7, 8, 255}));
    // Colour-mapped runs too.
    TgaHeader mapped;
    mapped.type = 9;
    mapped.colourMapType = 1;
    mapped.mapLength = 256;
    mapped.entryBits = 24;
    mapped.width = 1;
    mapped.height = 1;
    mapped.bitsPerPixel = 8;
    std::vector<u8> body = Palette24();
    body.insert(body.end(), {0xff, 1});
    file = MakeTga(mapped, body);
    ASSERT_TRUE(DecodeTGA(file.data(), file.size(), picture));
    EXPECT_EQ(Pixels(picture), (std::vector<u8>{1, 2, 3, 255}));
}

TEST(TgaRead, HugeDimensionsAreRefusedRegression) {
    // 65535 x 65535 x 4 wrapped to a tiny 32-bit allocation before.
    LogCapture log;
    TgaHeader h;
    h.width = 65535;
    h.height = 65535;
    std::vector<u8> file = MakeTga(h, {1, 2, 3, 4});
    zPicture picture;
    EXPECT_FALSE(DecodeTGA(file.data(), file.size(), picture));
    EXPECT_EQ(log.Text(), "[!] Failed to allocate picture buffer (65535x65535@32bpp).\n");
}

TEST(TgaWrite, GoldenBytesAndRoundTrip) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 1, PixelFormatRGBA8));
    const u8 rgba[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    std::memcpy(picture.GetPixels(), rgba, 8);
    std::vector<u8> file;
    ASSERT_TRUE(EncodeTGA(picture, file));
    const std::vector<u8> expected = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 0x20, 0x28,
                                      30, 20, 10, 40, 70, 60, 50, 80};
    EXPECT_EQ(file, expected);
    zPicture back;
    ASSERT_TRUE(DecodeTGA(file.data(), file.size(), back));
    EXPECT_TRUE(back.GetFormat() == PixelFormatBGRA8);
    ASSERT_TRUE(back.Convert(PixelFormatRGBA8));
    EXPECT_TRUE(back.Equals(picture));
}

TEST(TgaWrite, RedAndBlueStayRightForEveryFormatRegression) {
    // RGB8 and RGB555 were written byte for byte, swapping red and blue.
    struct Case {
        const zPixelFormat* format;
        std::vector<u8> redPixel;
        u8 descriptor;
    };
    const Case cases[] = {{&PixelFormatRGBA8, {255, 0, 0, 255}, 0x28},
                          {&PixelFormatBGRA8, {0, 0, 255, 255}, 0x28},
                          {&PixelFormatRGB8, {255, 0, 0}, 0x20},
                          {&PixelFormatBGR8, {0, 0, 255}, 0x20},
                          {&PixelFormatRGB555, {0x1f, 0x00}, 0x20}};
    for (const Case& c : cases) {
        zPicture picture;
        ASSERT_TRUE(picture.Allocate(1, 1, *c.format));
        std::memcpy(picture.GetPixels(), c.redPixel.data(), c.redPixel.size());
        std::vector<u8> file;
        ASSERT_TRUE(EncodeTGA(picture, file));
        EXPECT_EQ(file[16], c.format->bitsPerPixel);
        EXPECT_EQ(file[17], c.descriptor);
        zPicture back;
        ASSERT_TRUE(DecodeTGA(file.data(), file.size(), back));
        const u8* p = back.GetPixels();
        EXPECT_EQ(p[0], 0) << int(c.format->bitsPerPixel);    // blue
        EXPECT_GE(p[2], 248) << int(c.format->bitsPerPixel);  // red
    }
}

TEST(TgaWrite, RefusesOtherFormats) {
    LogCapture log;
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(1, 1, PixelFormatRGBA4444));
    std::vector<u8> file;
    EXPECT_FALSE(EncodeTGA(picture, file));
    EXPECT_EQ(log.Text(), "[!] Only supports BGRA8/BGR8/RGB24/RGB555.\n");
}
