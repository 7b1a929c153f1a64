#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "tests/support/log_capture.h"
#include "tests/ui/font_fixture.h"

namespace {

using TextLayout = FontFixture;

const char* const CommandError = "[!] Error parsing text command components.\n";

zPicture MakePicture(u32 width, u32 height, const zPixelFormat& format = PixelFormatRGBA8) {
    zPicture picture;
    EXPECT_TRUE(picture.Allocate(width, height, format));
    return picture;
}

const u8* PixelAt(const zPicture& picture, u32 x, u32 y) {
    return picture.GetPixels() + (u64(y) * picture.GetWidth() + x) * 4;
}

} // namespace

TEST_F(TextLayout, OneLineMatchesFreeTypeMetrics) {
    struct Case {
        const char* text;
        std::string measuredAs; // the characters FreeType measures
        u32 size;               // the size they take
    };
    const Case cases[] = {
        {"abcd", "abcd", 16},
        {"AV", "AV", 16},
        {"ab~~Color(255,0,0,255)cd", "abcd", 16},
        {"ab~~COLOR( 1 , 2 ,3,4 )cd", "abcd", 16},
        {"ab\xff"
         "cd",
         "abcd", 16}, // an invalid byte is skipped
        {"ab\xc3"
         "cd",
         "abcd", 16},           // so is a cut sequence
        {"~~x~~", "~~x~~", 16}, // not a command
        {"~~Size(32)ab", "ab", 32},
        {"~~SIZE(-5)ab", "ab", 1},                    // clamped up
        {"~~Size(99999999999)ab", "ab", TextSizeMax}, // clamped down
        {"  abcd", "abcd", 16},                       // leading spaces skipped
    };
    for (const Case& c : cases) {
        LogCapture log;
        const zRect rect = ComputeTextRect(c.text, parameters, zRect{});
        EXPECT_EQ(rect.left, 0) << c.text;
        EXPECT_EQ(rect.top, 0) << c.text;
        EXPECT_EQ(rect.right, Width(c.measuredAs, c.size)) << c.text;
        EXPECT_EQ(rect.bottom, LineHeight64(c.size) / 64) << c.text;
        EXPECT_EQ(GetTextLineTable().count, 1u) << c.text;
        EXPECT_EQ(GetTextLineTable().lines[0].characters, c.measuredAs.size()) << c.text;
        EXPECT_EQ(log.Text(), "") << c.text;
    }
    EXPECT_LT(Kerning64('A', 'V'), 0) << "the pair kerns";
    EXPECT_EQ(ComputeTextRect("AV", parameters, zRect{}).right,
              (Width64("A") + Width64("V") + Kerning64('A', 'V') + 63) / 64);
}

TEST_F(TextLayout, PinnedNumbersOfTheDebianFontAndFreeType) {
    // Measured with DejaVuSans 2.37 and FreeType 2.12.1 (Debian bookworm);
    // other versions may hint differently.
    if (FREETYPE_MAJOR != 2 || FREETYPE_MINOR != 12 || FREETYPE_PATCH != 1) GTEST_SKIP() << "other FreeType";
    struct Case {
        const char* text;
        i32 format;
        i32 width; // formatting width
        zRect expected;
    };
    const Case cases[] = {
        {"abcd", TextFormatStandard, 0, {0, 0, 39, 19}},
        {"AV", TextFormatStandard, 0, {0, 0, 21, 19}},
        {"aaa bbb ccc", TextFormatParagraph, 80, {0, 0, 70, 38}},
    };
    for (const Case& c : cases) {
        parameters.format = c.format;
        const zRect rect = ComputeTextRect(c.text, parameters, zRect{0, 0, c.width, 100});
        EXPECT_EQ(rect.right, c.expected.right) << c.text;
        EXPECT_EQ(rect.bottom, c.expected.bottom) << c.text;
    }
    EXPECT_EQ(Kerning64('A', 'V'), -64);
}

TEST_F(TextLayout, ParagraphsBreakAfterTheLastSpaceThatFits) {
    // The third word's second letter no longer fits in 80 pixels.
    ASSERT_LT(Width64("aaa bbb c"), 80 * 64);
    ASSERT_GE(Width64("aaa bbb cc"), 80 * 64);
    parameters.format = TextFormatParagraph;
    const zRect rect = ComputeTextRect("aaa bbb ccc", parameters, zRect{0, 0, 80, 50});
    const zTextLineTable& table = GetTextLineTable();
    ASSERT_EQ(table.count, 2u);
    EXPECT_EQ(table.lines[0].characters, 8u) << "the trailing space is counted";
    EXPECT_EQ(table.lines[0].spaces, 2u);
    EXPECT_EQ(table.lines[0].width, Width64("aaa bbb "));
    EXPECT_EQ(table.lines[1].start, 8u);
    EXPECT_EQ(table.lines[1].width, Width64("ccc"));
    EXPECT_EQ(rect.right, Width("aaa bbb "));
    EXPECT_EQ(rect.bottom, 2 * LineHeight64() / 64);

    // A word longer than the width is cut where it reaches the width.
    const std::string word = "abcdefghijklmnop";
    size_t fits = 1;
    while (fits < word.size() && Width64(word.substr(0, fits + 1)) < 40 * 64)
        ++fits;
    ComputeTextRect(word.c_str(), parameters, zRect{0, 0, 40, 50});
    ASSERT_GE(table.count, 2u);
    EXPECT_EQ(table.lines[0].characters, fits);
    EXPECT_EQ(table.lines[1].start, fits);
}

TEST_F(TextLayout, LineEndsAndColumns) {
    struct Case {
        const char* text;
        i32 format;
        i32 width;       // rectangle width
        i32 columnWidth; // characters of the column format
        std::vector<u32> characters;
    };
    const Case cases[] = {
        {"ab\ncd", TextFormatStandard, 0, 80, {2, 2}},
        {"ab\\ncd", TextFormatStandard, 0, 80, {2, 2}},
        {"abcdef", TextFormatColumn, 1000, 2, {2, 2, 2}},
        {"abc", TextFormatColumn, 1000, 0, {1, 1, 1}},  // every line takes one character
        {"abc", TextFormatParagraph, 0, 80, {1, 1, 1}}, // narrower than a glyph
        {"   ", TextFormatStandard, 0, 80, {0}},
        {"", TextFormatStandard, 0, 80, {}},
    };
    for (const Case& c : cases) {
        parameters.format = c.format;
        parameters.columnWidth = c.columnWidth;
        ComputeTextRect(c.text, parameters, zRect{0, 0, c.width, 10});
        const zTextLineTable& table = GetTextLineTable();
        ASSERT_EQ(table.count, c.characters.size()) << c.text;
        for (u32 i = 0; i < table.count; ++i)
            EXPECT_EQ(table.lines[i].characters, c.characters[i]) << c.text << " line " << i;
    }
    const zRect spaces = ComputeTextRect("    ", parameters, zRect{});
    EXPECT_EQ(spaces.right, 0);
    EXPECT_EQ(spaces.bottom, 0);
}

TEST_F(TextLayout, CommandErrorsDropTheRestOfTheText) {
    struct Case {
        const char* text;
        const char* laidOut; // what is measured before the error
    };
    const Case cases[] = {
        {"~~Size(32", ""},
        {"ab~~Size(32 cd", "ab"},
        {"ab~~Color(1,2,3)cd", "ab"},
        {"ab~~Color(1;2,3,4)cd", "ab"},
        {"ab~~Size(x)cd", "ab"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        const zRect rect = ComputeTextRect(c.text, parameters, zRect{});
        EXPECT_EQ(log.Text(), CommandError) << c.text;
        EXPECT_EQ(rect.right, *c.laidOut ? Width(c.laidOut) : 0) << c.text;
    }
}

TEST_F(TextLayout, TheLineTableStopsAtItsSize) {
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += "a\n";
    LogCapture log;
    const zRect rect = ComputeTextRect(text.c_str(), parameters, zRect{});
    EXPECT_EQ(GetTextLineTable().count, TextMaxLines);
    EXPECT_EQ(log.Text(), "[*] Text cut after 1024 lines.\n");
    EXPECT_EQ(rect.bottom, i32(LineHeight64() * TextMaxLines / 64));
    zPicture picture = MakePicture(8, 8);
    RenderText(picture, text.c_str(), parameters, zRect{0, 0, 8, 8}, nullptr);
}

TEST_F(TextLayout, SpacingFactorsAddToAdvancesAndLines) {
    parameters.letterSpacing = 2.0f; // 2 x 16 = 32/64 pixel per glyph
    parameters.lineSpacing = 4.0f;   // 64/64: one pixel per line
    const zRect rect = ComputeTextRect("abcd\nabcd", parameters, zRect{});
    EXPECT_EQ(rect.right, i32((Width64("abcd") + 4 * 32 + 63) / 64));
    EXPECT_EQ(rect.bottom, i32((2 * (LineHeight64() + 64)) / 64));
}

TEST_F(TextLayout, ColourCommandsColourWhatFollows) {
    const char* text = "ab~~Color(255,0,0,255)cd";
    zPicture picture = MakePicture(64, 32);
    ComputeTextRect(text, parameters, zRect{0, 0, 64, 32});
    const zRect drawn = RenderText(picture, text, parameters, zRect{0, 0, 64, 32}, nullptr);
    EXPECT_EQ(drawn.right, Width("abcd"));
    const i32 split = Width("ab");
    int black = 0;
    int red = 0;
    for (u32 y = 0; y < 32; ++y) {
        for (u32 x = 0; x < 64; ++x) {
            const u8* pixel = PixelAt(picture, x, y);
            if (pixel[3] < 128) continue;
            if (i32(x) < split - 1) {
                EXPECT_EQ(pixel[0], 0) << x << "," << y;
                ++black;
            } else if (i32(x) > split) {
                EXPECT_EQ(pixel[1], 0) << x << "," << y;
                EXPECT_EQ(pixel[0], 255) << x << "," << y;
                ++red;
            }
        }
    }
    EXPECT_GT(black, 10);
    EXPECT_GT(red, 10);
}

TEST_F(TextLayout, AlignmentsPlaceEachLine) {
    const i32 width = Width("ab");
    struct Case {
        i32 align;
        i32 left;
    };
    const Case cases[] = {{TextAlignLeft, 10},
                          {TextAlignRight, 10 + 100 - width},
                          {TextAlignCenter, 10 + (100 - width) / 2},
                          {TextAlignJustify, 10}};
    for (const Case& c : cases) {
        parameters.align = c.align;
        zPicture picture = MakePicture(128, 32);
        ComputeTextRect("ab", parameters, zRect{10, 0, 110, 32});
        const zRect drawn = RenderText(picture, "ab", parameters, zRect{10, 0, 110, 32}, nullptr);
        EXPECT_EQ(drawn.left, c.left) << c.align;
        EXPECT_EQ(drawn.right, c.left + width) << c.align;
    }
}

TEST_F(TextLayout, JustifiedTextLeavesItsLastLineLeftAligned) {
    const char* text = "aa bb cc dd ee ff";
    parameters.format = TextFormatParagraph;
    auto render = [&](i32 align) {
        parameters.align = align;
        zPicture picture = MakePicture(100, 80);
        ComputeTextRect(text, parameters, zRect{0, 0, 100, 80});
        RenderText(picture, text, parameters, zRect{0, 0, 100, 80}, nullptr);
        return picture;
    };
    const zPicture left = render(TextAlignLeft);
    const zPicture justified = render(TextAlignJustify);
    const zTextLineTable& table = GetTextLineTable();
    ASSERT_GE(table.count, 2u);
    const i32 lineHeight = i32(LineHeight64() / 64);
    const u32 lastTop = u32(lineHeight) * (table.count - 1);
    auto rightmost = [&](const zPicture& picture, u32 top, u32 bottom) {
        i32 right = -1;
        for (u32 y = top; y < bottom; ++y)
            for (u32 x = 0; x < picture.GetWidth(); ++x)
                if (PixelAt(picture, x, y)[3]) right = std::max(right, i32(x));
        return right;
    };
    EXPECT_GT(rightmost(justified, 0, u32(lineHeight)), rightmost(left, 0, u32(lineHeight)))
        << "the first line is spread";
    EXPECT_GT(rightmost(justified, 0, u32(lineHeight)), 90);
    for (u32 y = lastTop; y < 80; ++y)
        for (u32 x = 0; x < 100; ++x)
            EXPECT_EQ(PixelAt(left, x, y)[3], PixelAt(justified, x, y)[3]) << x << "," << y;
}

TEST_F(TextLayout, RenderingStaysInsideThePictureAndTheClip) {
    const char* text = "Wide text that runs past every edge";
    parameters.size = 40;
    // The rectangle reaches outside the picture on every side.
    zPicture picture = MakePicture(24, 12);
    ComputeTextRect(text, parameters, zRect{-30, -20, 400, 100});
    RenderText(picture, text, parameters, zRect{-30, -20, 400, 100}, nullptr);
    const zRect huge{-100000, -100000, 100000, 100000};
    RenderText(picture, text, parameters, zRect{-30, -20, 400, 100}, &huge);

    // A clip rectangle keeps everything else untouched.
    zPicture clipped = MakePicture(64, 32);
    parameters.size = 16;
    ComputeTextRect("abcd", parameters, zRect{0, 0, 64, 32});
    const zRect clip{0, 0, 10, 32};
    RenderText(clipped, "abcd", parameters, zRect{0, 0, 64, 32}, &clip);
    for (u32 y = 0; y < 32; ++y)
        for (u32 x = 10; x < 64; ++x)
            EXPECT_EQ(PixelAt(clipped, x, y)[3], 0) << x << "," << y;

    // A shorter text than the one laid out is not read past its end.
    ComputeTextRect("a long line of text\nand another", parameters, zRect{});
    RenderText(clipped, "ab", parameters, zRect{0, 0, 64, 32}, nullptr);
}

TEST_F(TextLayout, RenderingNeedsAFontAndA32BitPicture) {
    zPicture picture = MakePicture(16, 16);
    ComputeTextRect("", parameters, zRect{});
    const zRect none = RenderText(picture, "", parameters, zRect{1, 2, 3, 4}, nullptr);
    EXPECT_EQ(none.left, 1);
    EXPECT_EQ(none.bottom, 4) << "no lines: the rectangle unchanged";
    ComputeTextRect("ab", parameters, zRect{});
    zPicture rgb = MakePicture(16, 16, PixelFormatRGB8);
    EXPECT_EQ(RenderText(rgb, "ab", parameters, zRect{0, 0, 16, 16}, nullptr).right, 0);
    zTextParameters fontless = parameters;
    fontless.font = nullptr;
    EXPECT_EQ(ComputeTextRect("ab", fontless, zRect{}).right, 0);
    EXPECT_EQ(RenderText(picture, "ab", fontless, zRect{0, 0, 16, 16}, nullptr).right, 0);
}

TEST(TextDecoding, UTF8Sequences) {
    struct Case {
        std::string bytes;
        u32 length;
        u32 codepoint;
    };
    const Case cases[] = {
        {"a", 1, 'a'},
        {"\xc3\xa9", 2, 0xe9},
        {"\xe2\x82\xac", 3, 0x20ac},
        {"\xf0\x9f\x98\x80", 4, 0x1f600},
        {"\xc3", 0, 0}, // cut
        {"\xe2\x82"
         "a",
         0, 0},         // bad continuation
        {"\x80", 0, 0}, // a lone continuation byte
        {"\xff", 0, 0},
    };
    for (const Case& c : cases) {
        u32 codepoint = 0;
        const u32 length = DecodeUTF8(c.bytes.data(), u32(c.bytes.size()), codepoint);
        EXPECT_EQ(length, c.length) << c.bytes;
        if (c.length) {
            EXPECT_EQ(codepoint, c.codepoint) << c.bytes;
        }
    }
}
