#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "io/file_road.h"
#include "render/texture.h"
#include "tests/support/log_capture.h"
#include "tests/support/memory_files.h"
#include "ui/font_system.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "ui/raster_font.h"

namespace {

// The font the fonts-dejavu-core package installs; the tests hand it to the
// font system as "default.ttf".
const char* const SystemFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::string ReadHostFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A 2 x 2 uncompressed 32-bit TGA.
std::string SmallTga() {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = 2;
    bytes[14] = 2;
    bytes[16] = 32;
    bytes[17] = 0x28;
    bytes.append(16, '\x7f');
    return bytes;
}

std::string Glyph(int id, int page, float step) {
    return "<Char=<Id=" + std::to_string(id) + "><U=0.5><V=0.25><W=8><H=12.0><OffsetU=1.0><OffsetV=-2.0><Step=" +
           std::to_string(step) + "><Page=" + std::to_string(page) + ">>";
}

std::string Description(const std::string& header, const std::string& glyphs) {
    return "<ZML=1.0>\n<Font=<Common=" + header + ">" + glyphs + ">\n";
}

struct RasterFontFixture : ::testing::Test {
    void SetUp() override { FileSystemReset(); }
    void TearDown() override { FileSystemReset(); }
    zEngine engine;
};

struct FontSystemFixture : ::testing::Test {
    void SetUp() override {
        FileSystemReset();
        const std::string bytes = ReadHostFile(SystemFontPath);
        ASSERT_FALSE(bytes.empty()) << SystemFontPath << " (package fonts-dejavu-core)";
        font = bytes;
    }
    void TearDown() override {
        FontSystemShutdown();
        FileSystemReset();
    }
    std::string font;
};

} // namespace

TEST_F(RasterFontFixture, DescriptionTable) {
    struct Case {
        const char* name;
        std::string file;
        bool loads;
        const char* log; // expected in the log
        int glyph;       // a character to look up, -1 for none
        bool glyphPresent;
    };
    const std::string space = Glyph(32, 0, 4.0f);
    const Case cases[] = {
        {"good", Description("<Height=16.0><BaseLine=12.0>", space + Glyph(65, 0, 9.0f)), true, "", 'A', true},
        {"page past the count",
         Description("<PageCount=2>", space + Glyph(65, 2, 9.0f)),
         true,
         "[*] Invalid glyph page in font 'f.zml' (Glyph #65), skipping.\n",
         'A',
         false},
        {"negative page",
         Description("", space + Glyph(66, -1, 9.0f)),
         true,
         "[*] Invalid glyph page in font 'f.zml' (Glyph #66), skipping.\n",
         'B',
         false},
        {"negative id", Description("", space + Glyph(-1, 0, 9.0f)), true,
         "[*] Glyph with no or invalid ID in font 'f.zml', skipping.\n", 255, false},
        {"id 256", Description("", space + Glyph(256, 0, 9.0f)), true,
         "[*] Glyph with no or invalid ID in font 'f.zml', skipping.\n", 0, false},
        {"id not an integer", Description("", space + "<Char=<Id=\"A\"><Step=1.0>>"), true,
         "[*] Glyph with no or invalid ID in font 'f.zml', skipping.\n", 'A', false},
        {"no id", Description("", space + "<Char=<Step=1.0>>"), true,
         "[*] Glyph with no or invalid ID in font 'f.zml', skipping.\n", -1, false},
        {"no space", Description("", Glyph(65, 0, 9.0f)), true, "[*] No space character in font 'f.zml'.\n", 'A', true},
        {"unknown header tag", Description("<Kerning=1>", space), true,
         "[*] Unexpected tag in font description header ('Kerning').\n", ' ', true},
        {"missing header", "<ZML=1.0>\n<Font=" + space + ">\n", false,
         "[!] Missing base tag in font description ('f.zml').\n", -1, false},
        {"negative page count", Description("<PageCount=-1>", space), false,
         "[!] Invalid page count in font 'f.zml' (-1).\n", -1, false},
        {"huge page count", Description("<PageCount=100000000>", space), false,
         "[!] Invalid page count in font 'f.zml' (100000000).\n", -1, false},
        {"not ZML", "Font", false, "[!] Failed to load raster font description file 'f.zml'.\n", -1, false},
    };
    for (const Case& c : cases) {
        PutMemoryFile("f.zml", c.file);
        zRasterFont font(&engine);
        LogCapture log;
        EXPECT_EQ(font.Load("f.zml"), c.loads) << c.name;
        EXPECT_NE(log.Text().find(c.log), std::string::npos) << c.name << ":\n" << log.Text();
        if (c.glyph >= 0) {
            EXPECT_EQ(font.GetGlyph(u8(c.glyph)) != nullptr, c.glyphPresent) << c.name;
        }
        if (c.loads) {
            EXPECT_EQ(font.GetName(), "f.zml") << c.name;
        }
    }
}

TEST_F(RasterFontFixture, GlyphRecordsAndWidths) {
    PutMemoryFile("f.zml", Description("<Height=16><BaseLine=12.5>",
                                       Glyph(32, 0, 4.0f) + Glyph('a', 0, 7.0f) + Glyph('b', 0, 9.5f) +
                                           Glyph('c', 0, 3.0f) + Glyph('d', 0, 2.0f)));
    zRasterFont font(&engine);
    ASSERT_TRUE(font.Load("f.zml"));
    EXPECT_EQ(font.GetHeight(), 16.0f);
    EXPECT_EQ(font.GetBaseLine(), 12.5f);
    const zRasterGlyph* a = font.GetGlyph('a');
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->u, 0.5f);
    EXPECT_EQ(a->v, 0.25f);
    EXPECT_EQ(a->w, 8.0f);
    EXPECT_EQ(a->h, 12.0f);
    EXPECT_EQ(a->offsetU, 1.0f);
    EXPECT_EQ(a->offsetV, -2.0f);
    EXPECT_EQ(a->step, 7.0f);
    EXPECT_EQ(font.GetGlyph('z'), nullptr);

    struct Width {
        const char* text;
        f32 line;
        f32 widest;
    };
    const Width widths[] = {
        {"ab\ncd", 16.5f, 16.5f}, {"cd\nab a", 5.0f, 27.5f}, {"", 0.0f, 0.0f},
        {"a\n", 7.0f, 7.0f},     {"zz", 0.0f, 0.0f},          {"\nb", 0.0f, 9.5f},
    };
    for (const Width& w : widths) {
        EXPECT_EQ(font.GetLineWidth(w.text), w.line) << w.text;
        EXPECT_EQ(font.GetTextWidth(w.text), w.widest) << w.text;
    }
    EXPECT_EQ(font.GetLineWidth("ab", 1), 9.5f);
    EXPECT_EQ(font.GetLineWidth("ab", 50), 0.0f) << "a start past the end reads nothing";

    font.Clear();
    EXPECT_EQ(font.GetGlyph('a'), nullptr);
    EXPECT_EQ(font.GetPageCount(), 0u);
}

TEST_F(RasterFontFixture, PagesComeFromTheTextureCache) {
    PutMemoryFile("fonts/f.zml", Description("<PageCount=2>", Glyph(32, 1, 4.0f)));
    PutMemoryFile("fonts/f_00.tga", SmallTga());
    PutMemoryFile("fonts/f_01.tga", SmallTga());
    zRasterFont font(nullptr);
    ASSERT_TRUE(font.Load("fonts/f.zml", &engine));
    ASSERT_EQ(font.GetPageCount(), 2u);
    zTexture* first = font.GetPageTexture(0);
    zTexture* second = font.GetPageTexture(1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->GetName().CStr(), nullptr);
    EXPECT_NE(std::string(first->GetName().CStr()).find("f_00.tga"), std::string::npos) << first->GetName().CStr();
    EXPECT_NE(std::string(second->GetName().CStr()).find("f_01.tga"), std::string::npos) << second->GetName().CStr();
    EXPECT_EQ(first->GetWidth(), 2u);
    EXPECT_EQ(font.GetPageTexture(2), nullptr);
    EXPECT_EQ(font.GetPageTexture(-1), nullptr);
    // The font and the cache each hold a reference.
    EXPECT_EQ(first->GetRefCount(), 2u);
    font.Clear();
    EXPECT_EQ(first->GetRefCount(), 1u);
}

TEST_F(FontSystemFixture, OpensWithTheDefaultFontAndLoadsFontsOnce) {
    PutMemoryFile("default.ttf", font);
    PutMemoryFile("other.ttf", font);
    EXPECT_EQ(FontSystemGetDefaultFont(), nullptr);
    EXPECT_EQ(FontSystemLoadFont("other.ttf"), nullptr) << "system down";
    ASSERT_TRUE(FontSystemOpen());
    EXPECT_TRUE(FontSystemOpen()) << "a second open keeps the system";
    zWindowSystemFont* defaultFont = FontSystemGetDefaultFont();
    ASSERT_NE(defaultFont, nullptr);
    EXPECT_EQ(FontSystemGetFontCount(), 0u) << "the default font is not registered";

    LogCapture log;
    zWindowSystemFont* other = FontSystemLoadFont("other.ttf");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(log.Text(), "Font 'other.ttf' loaded as 'other.ttf'.\n");
    EXPECT_TRUE(other->UsesKerning());
    EXPECT_EQ(FontSystemLoadFont("other.ttf"), nullptr);
    EXPECT_EQ(FontSystemFindFont("other.ttf"), other);
    EXPECT_EQ(FontSystemFindFont("Nope"), defaultFont);
    EXPECT_EQ(FontSystemFindFont(nullptr), defaultFont);

    log.Reset();
    PutMemoryFile("broken.ttf", "not a font at all");
    EXPECT_EQ(FontSystemLoadFont("broken.ttf"), nullptr);
    EXPECT_EQ(FontSystemLoadFont("missing.ttf"), nullptr);
    EXPECT_EQ(log.Text(), "[!] Failed to open font file 'broken.ttf'.\n[!] Failed to open font file 'missing.ttf'.\n");

    FontSystemClearFonts();
    EXPECT_EQ(FontSystemGetFontCount(), 0u);
    EXPECT_EQ(FontSystemGetDefaultFont(), defaultFont);
    EXPECT_TRUE(FontSystemIsUp());
    EXPECT_EQ(FontSystemFindFont("other.ttf"), defaultFont);

    FontSystemShutdown();
    EXPECT_FALSE(FontSystemIsUp());
    EXPECT_EQ(FontSystemGetDefaultFont(), nullptr);
}

TEST_F(FontSystemFixture, OpenWithoutDefaultFontFails) {
    LogCapture log;
    EXPECT_FALSE(FontSystemOpen());
    EXPECT_NE(log.Text().find("[!] Failed to open default system font.\n"), std::string::npos) << log.Text();
    EXPECT_FALSE(FontSystemIsUp());
    EXPECT_EQ(FontSystemGetDefaultFont(), nullptr);
}

TEST_F(FontSystemFixture, QuickMeasureSumsAdvances) {
    PutMemoryFile("default.ttf", font);
    ASSERT_TRUE(FontSystemOpen());
    zWindowSystemFont* face = FontSystemGetDefaultFont();
    ASSERT_TRUE(face->SetPixelSize(32));
    const zRect one = FontSystemMeasureText("i", face);
    const zRect two = FontSystemMeasureText("ii", face);
    const zRect tall = FontSystemMeasureText("ilH", face);
    EXPECT_EQ(one.left, 0);
    EXPECT_EQ(one.top, 0);
    EXPECT_GT(one.right, 0);
    EXPECT_NEAR(two.right, 2 * one.right, 1);
    EXPECT_GT(tall.bottom, 15);
    EXPECT_LE(tall.bottom, 32);
    const zRect empty = FontSystemMeasureText("", face);
    EXPECT_EQ(empty.right, 0);
    EXPECT_EQ(empty.bottom, 0);
    const zRect none = FontSystemMeasureText("abc", nullptr);
    EXPECT_EQ(none.right, 0);
}

TEST_F(RasterFontFixture, ScriptHandleThatOwnsAFontDestroysIt) {
    RegisterRasterFontScriptDestroyer();
    PutMemoryFile("f.zml", Description("", Glyph(32, 0, 4.0f)));
    auto* font = new zRasterFont(&engine);
    ASSERT_TRUE(font->Load("f.zml"));
    LogCapture log;
    // The record destroys the font with it; the leak check sees any miss.
    delete new zCObject(ScriptKindRasterFont, font, true);
    EXPECT_EQ(log.Text(), "");
}
