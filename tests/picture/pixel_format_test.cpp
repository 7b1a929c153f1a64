#include "picture/pixel_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/log_capture.h"

TEST(PixelFormat, SetDerivesShiftAndCountInAlphaRedBlueGreenOrder) {
    zPixelFormat f;
    f.Set(1, 0xff000000u, 0, 0x0000fc00u, 0x1fu, 32, 0);
    EXPECT_EQ(f.shift[PixelChannelAlpha], 24);
    EXPECT_EQ(f.count[PixelChannelAlpha], 8);
    EXPECT_EQ(f.shift[PixelChannelRed], 32);  // zero mask
    EXPECT_EQ(f.count[PixelChannelRed], 0);
    EXPECT_EQ(f.shift[2], 0);  // index 2 is blue
    EXPECT_EQ(f.count[2], 5);
    EXPECT_EQ(f.shift[3], 10);  // index 3 is green
    EXPECT_EQ(f.count[3], 6);
}

TEST(PixelFormat, EqualityIgnoresNothingButTheDerivedArrays) {
    zPixelFormat a = PixelFormatRGBFloat;
    zPixelFormat b(1, 0, 0, 1, 2, 96, 0);
    EXPECT_TRUE(a != b);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(PixelFormatBGRA8 == zPixelFormat(PixelFormatBGRA8));
    EXPECT_TRUE(PixelFormatBGRA8 != PixelFormatRGBA8);
    EXPECT_TRUE(PixelFormatEmpty == zPixelFormat());
}

TEST(PixelFormat, PackColorPlacesChannelsByFormat) {
    LogCapture log;
    EXPECT_EQ(PixelFormatBGRA8.PackColor(1, 0, 0, 1), 0xffff0000u);
    EXPECT_EQ(PixelFormatRGBA8.PackColor(1, 0, 0, 1), 0xff0000ffu);
    EXPECT_EQ(PixelFormatARGB8.PackColor(1, 0, 0, 1), 0x0000ffffu);
    EXPECT_EQ(log.Text(), "");
}

TEST(PixelFormat, PackColorOnOtherDepthsLogsAndGivesZero) {
    LogCapture log;
    EXPECT_EQ(PixelFormatRGB8.PackColor(1, 1, 1, 1), 0u);
    EXPECT_EQ(PixelFormatRGB565.PackColor(1, 1, 1, 1), 0u);
    EXPECT_EQ(log.Text(), "[*] Unimplemented formatting.\n[*] Unimplemented formatting.\n");
}

TEST(PixelFormat, PackColorClampsOutOfRangeChannelsRegression) {
    // 1.5 red used to spill into green; negatives and NaN were undefined.
    EXPECT_EQ(PixelFormatRGBA8.PackColor(1.5f, 0, 0, 1), 0xff0000ffu);
    EXPECT_EQ(PixelFormatRGBA8.PackColor(-0.5f, NAN, 0, 1), 0xff000000u);
}

TEST(PixelFormat, PackColorTruncates) {
    EXPECT_EQ(PixelFormatRGBA8.PackColor(0.5f, 0, 0, 0), 127u);
}

TEST(PixelFormat, ExpandShiftsNarrowChannelsWithoutReplicating) {
    EXPECT_EQ(PixelFormatRGB565.ExpandChannel(0x001f, PixelChannelRed), 248u);
    EXPECT_EQ(PixelFormatRGB565.ExpandChannel(0x07e0, PixelChannelGreen), 252u);
    EXPECT_EQ(PixelFormatRGB555.ExpandChannel(0x7c00, PixelChannelBlue), 248u);
    EXPECT_EQ(PixelFormatRGB8.ExpandChannel(0xffffff, PixelChannelAlpha), 0u);
    EXPECT_EQ(PixelFormatRGB565.NarrowChannel(255, PixelChannelBlue), 0xf800u);
    EXPECT_EQ(PixelFormatRGB8.NarrowChannel(255, PixelChannelAlpha), 0u);
}

TEST(PixelFormat, LerpColorBlendsEachChannel) {
    EXPECT_EQ(LerpColor(0x00000000u, 0xffffffffu, 0.0f), 0x00000000u);
    EXPECT_EQ(LerpColor(0x00000000u, 0xffffffffu, 1.0f), 0xffffffffu);
    EXPECT_EQ(LerpColor(0x00ff0000u, 0x0000ff00u, 0.5f), 0x007f7f00u);
    EXPECT_EQ(LerpColor(0x10203040u, 0x10203040u, 0.3f), 0x10203040u);
}

TEST(BitStream, ReadBitsReturnsWhatWriteBitsWrote) {
    struct Case {
        u32 offset, count, value;
    };
    const Case cases[] = {{0, 1, 1},   {0, 8, 0xa5},       {3, 5, 0x13},       {7, 2, 2},
                          {5, 16, 0xbeef}, {1, 31, 0x5555aaaau & 0x7fffffff}, {0, 32, 0xdeadbeef}, {13, 32, 0x80000001},
                          {9, 12, 0xfff}};
    for (const Case& c : cases) {
        std::vector<u8> buffer(16, 0);
        u32 end = WriteBits(buffer.data(), c.offset, c.count, c.value);
        EXPECT_EQ(end, (c.offset + c.count) & 7) << c.offset << "/" << c.count;
        EXPECT_EQ(ReadBits(buffer.data(), c.offset, c.count), c.value) << c.offset << "/" << c.count;
    }
}

TEST(BitStream, EveryCountFromOneToThirtyTwo) {
    for (u32 offset : {0u, 1u, 7u, 13u})
        for (u32 count = 1; count <= 32; ++count) {
            // Alternating bits with both ends set, so a lost end bit shows.
            const u32 low = count == 32 ? 0x55555555u : 0x55555555u & ((1u << count) - 1);
            const u32 value = low | (1u << (count - 1)) | 1u;
            std::vector<u8> buffer(8, 0);
            WriteBits(buffer.data(), offset, count, value);
            EXPECT_EQ(ReadBits(buffer.data(), offset, count), value) << offset << "/" << count;
            // Nothing outside the written bits.
            u32 set = 0;
            for (u8 byte : buffer)
                for (u32 bit = 0; bit < 8; ++bit) set += (byte >> bit) & 1u;
            u32 expected = 0;
            for (u32 bit = 0; bit < count; ++bit) expected += (value >> bit) & 1u;
            EXPECT_EQ(set, expected) << offset << "/" << count;
        }
}

TEST(BitStream, FirstBitIsBitZeroAndValuesGoMostSignificantFirst) {
    u8 buffer[2] = {0, 0};
    WriteBits(buffer, 0, 3, 0x4);  // 100
    EXPECT_EQ(buffer[0], 0x01);
    WriteBits16(buffer, 0, 0x0001);
    EXPECT_EQ(buffer[1], 0x80);
    EXPECT_EQ(ReadBits16(buffer, 0), 0x8001u) << "OR-ed on top of the first write";
}

TEST(MemCompare, ReportsDifferencesAndNullBlocks) {
    const u8 a[7] = {1, 2, 3, 4, 5, 6, 7};
    u8 b[7] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_FALSE(MemCompare(a, b, 7));
    b[0] = 9;  // in the leading bytes
    EXPECT_TRUE(MemCompare(a, b, 7));
    b[0] = 1;
    b[6] = 0;  // in the words
    EXPECT_TRUE(MemCompare(a, b, 7));
    EXPECT_TRUE(MemCompare(a, nullptr, 7));
    EXPECT_FALSE(MemCompare(a + 1, b + 1, 0));
}
