// Text written by the "gl2" renderer in a raster font, read back from Mesa:
// where the glyphs land for each alignment, with and without the output's
// aspect, across lines, in both pipelines.
#include <gtest/gtest.h>

#include "render/render_font.h"
#include "tests/gl/gl_frame_fixture.h"

namespace {

// One glyph, 'A': a quarter of the page wide and half of it high, advancing
// by its width; a white page.
struct BlockFont : zRenderFont {
    zRasterGlyph block;
    zTexture* page = nullptr;
    BlockFont() {
        block.present = true;
        block.w = 0.25f;
        block.h = 0.5f;
        block.step = 0.25f;
    }
    const zRasterGlyph* GetGlyph(u8 character) const override { return character == 'A' ? &block : nullptr; }
    f32 GetLineWidth(const char* text, u32 first) const override {
        f32 width = 0.0f;
        for (const char* c = text + first; *c && *c != '\n'; ++c)
            if (*c == 'A') width += block.step;
        return width;
    }
    f32 GetTextWidth(const char* text) const override {
        f32 widest = 0.0f;
        for (u32 start = 0;;) {
            const f32 width = GetLineWidth(text, start);
            if (width > widest) widest = width;
            while (text[start] && text[start] != '\n')
                ++start;
            if (!text[start]) return widest;
            ++start;
        }
    }
    zTexture* GetPageTexture(i32 index) const override { return index == 0 ? page : nullptr; }
    f32 GetHeight() const override { return 1.0f; }
};

// The first and last columns of a row that show the text's colour.
struct Span {
    int first = -1;
    int last = -1;
};

Span GreenSpan(const zPicture& picture, u32 row) {
    Span span;
    for (u32 x = 0; x < picture.GetWidth(); ++x) {
        int rgb[3];
        PixelAt(picture, x, row, rgb);
        if (rgb[1] > 200 && rgb[0] < 50) {
            if (span.first < 0) span.first = int(x);
            span.last = int(x);
        }
    }
    return span;
}

struct TextCase {
    const char* name;
    const char* text;
    f32 x;
    bool keepAspect;
    i32 alignment;
    int first; // -1: not checked
    int last;
};

// 64 x 48 output: one glyph is 8 columns wide (6 with the aspect 0.75).
const TextCase TextCases[] = {
    {"left", "AA", 0.1f, false, 0, 6, 22},
    {"left with the aspect", "AA", 0.1f, true, 0, 6, 18},
    {"centred", "AA", 0.5f, false, 1, 24, 39},
    {"right from the edge", "AA", 0.0f, false, 2, 48, 63},
    // The aspect shortens the text and its measure alike: it still ends at
    // the edge.
    {"right with the aspect", "AA", 0.0f, true, 2, 52, 63},
    {"right a quarter in", "AA", 0.25f, false, 2, 32, 47},
    {"unknown characters take no room", "AxA", 0.1f, false, 0, 6, 22},
};

struct GLRendererText : GLRendererFrame {
    BlockFont font;
    void SetUp() override {
        GLRendererFrame::SetUp();
        font.page = host.Add("font_00.tga");
    }
};

TEST_F(GLRendererText, WriteAlignsTheTextInTheFontsUnits) {
    ASSERT_TRUE(OpenHidden(true));
    RedQuad(MaterialFlagShadeless);
    for (const TextCase& row : TextCases) {
        SCOPED_TRACE(row.name);
        DrawFrame();
        renderer->Write(&font, row.text, row.x, 0.1f, 1.0f, row.keepAspect, row.alignment, Green);
        const zPicture picture = Grab();
        // Glyph rows 0.1 .. 0.35 of the height: rows 5 to 16.
        const Span span = GreenSpan(picture, 10);
        EXPECT_NEAR(span.first, row.first, 1);
        EXPECT_NEAR(span.last, row.last, 1);
        EXPECT_EQ(GreenSpan(picture, 2).first, -1);
        EXPECT_EQ(GreenSpan(picture, 20).first, -1);
        EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
    }
}

TEST_F(GLRendererText, LineFeedStartsALineHalfAFontHeightLower) {
    ASSERT_TRUE(OpenHidden(true));
    DrawFrame();
    renderer->Write(&font, "AA\nA", 0.1f, 0.1f, 1.0f, false, 0, nullptr);
    const zPicture picture = Grab();
    // The second line from 0.6 down: rows 29 to 40, one glyph wide, white.
    int rgb[3];
    PixelAt(picture, 10, 34, rgb);
    EXPECT_GT(rgb[0], 240);
    EXPECT_GT(rgb[2], 240);
    PixelAt(picture, 18, 34, rgb);
    EXPECT_EQ(rgb[0], 51);
}

TEST_F(GLRendererText, DeferredFrameShowsTheTextOverTheScene) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    DrawFrame();
    renderer->Write(&font, "AA", 0.1f, 0.1f, 1.0f, false, 0, Green);
    const zPicture picture = Grab();
    const Span span = GreenSpan(picture, 10);
    EXPECT_NEAR(span.first, 6, 1);
    EXPECT_NEAR(span.last, 22, 1);
    // The scene stays under it.
    EXPECT_TRUE(Near(picture, Width / 2, Height / 2, 255, 0, 0));
}

TEST_F(GLRendererText, NothingIsWrittenWithoutAFontOrText) {
    ASSERT_TRUE(OpenHidden(true));
    DrawFrame();
    renderer->Write(nullptr, "AA", 0.1f, 0.1f, 1.0f, false, 0, Green);
    renderer->Write(&font, nullptr, 0.1f, 0.1f, 1.0f, false, 0, Green);
    EXPECT_EQ(GreenSpan(Grab(), 10).first, -1);
}

} // namespace
