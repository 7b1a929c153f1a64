// The font system over the fonts-dejavu-core DejaVuSans file, handed to it as
// "default.ttf", and FreeType's own metrics of that face for the expected
// values: advances and kerning as FreeType gives them under the same load
// flags as the layout, line height from the size metrics.
#pragma once

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <fstream>
#include <sstream>
#include <string>

#include "io/file_road.h"
#include "tests/support/memory_files.h"
#include "ui/font_system.h"
#include "ui/text_layout.h"

constexpr const char* DejaVuSansPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class FontFixture : public ::testing::Test {
  public:
    void SetUp() override {
        FileSystemReset();
        std::ifstream in(DejaVuSansPath, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        ASSERT_FALSE(bytes.str().empty()) << DejaVuSansPath << " (package fonts-dejavu-core)";
        PutMemoryFile("default.ttf", bytes.str());
        ASSERT_TRUE(FontSystemOpen());
        font = FontSystemGetDefaultFont();
        ASSERT_NE(font, nullptr);
        parameters = DefaultTextParameters();
    }
    void TearDown() override {
        FontSystemShutdown();
        FileSystemReset();
    }

    // FreeType's width of a single-line ASCII text in 1/64 pixel: advances
    // plus kerning between neighbours.
    i64 Width64(const std::string& text, u32 size = 16) const {
        FT_Face face = font->GetFace();
        font->SetPixelSize(size);
        i64 width = 0;
        FT_UInt previous = 0;
        for (unsigned char c : text) {
            const FT_UInt glyph = FT_Get_Char_Index(face, c);
            FT_Vector kerning{0, 0};
            if (previous && FT_HAS_KERNING(face))
                FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kerning);
            EXPECT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT), 0);
            width += kerning.x + face->glyph->advance.x;
            previous = glyph;
        }
        return width;
    }
    i32 Width(const std::string& text, u32 size = 16) const { return i32((Width64(text, size) + 63) / 64); }
    i64 LineHeight64(u32 size = 16) const {
        font->SetPixelSize(size);
        return font->GetFace()->size->metrics.height;
    }
    i64 Kerning64(char a, char b) const {
        FT_Face face = font->GetFace();
        font->SetPixelSize(16);
        FT_Vector kerning{0, 0};
        FT_Get_Kerning(face, FT_Get_Char_Index(face, u8(a)), FT_Get_Char_Index(face, u8(b)),
                       FT_KERNING_DEFAULT, &kerning);
        return kerning.x;
    }

    zWindowSystemFont* font = nullptr;
    zTextParameters parameters;
};
