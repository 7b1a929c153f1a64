// The Picture group: scripts make pictures, fill, read and write pixels,
// blit, filter and save them. Coordinates and sizes come from scripts, so
// the rows with arguments outside a picture check that nothing around it is
// written (the sanitizer sees a write past a buffer) and that the pixels
// inside stay as they were.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "tests/scriptapi/api_fixture.h"
#include "ui/font_system.h"
#include "tests/scriptapi/value_probe.h"

namespace {

// R(sx, sy, ex, ey) makes a Rect; Sum(p) adds the four channels of every
// pixel of p, scaled to bytes; Show(p, x, y) prints one pixel.
constexpr const char* Helpers = R"(
function R(sx, sy, ex, ey) { local r = Rect(); r.sx = sx; r.sy = sy; r.ex = ex; r.ey = ey; return r; }
function Picture(w, h, r, g, b, a) {
  local p = PictureNew(); PictureAlloc(p, w, h); PictureFill(p, TestVector(r, g, b, a)); return p;
}
function Sum(p) {
  local rect = PictureGetRect(p), total = 0;
  for (local y = 0; y < rect.ey; ++y)
    for (local x = 0; x < rect.ex; ++x) {
      local c = TestShow(PictureGetPixel(p, x, y));
      foreach (v in split(c, " ")) total += (v.tofloat() * 255 + 0.5).tointeger();
    }
  return total;
}
function Show(p, x, y) { print(TestShow(PictureGetPixel(p, x, y))); }
)";

class PictureApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        ASSERT_TRUE(Run(Helpers, "helpers.nut"));
        SetHandle("np", nullptr, ScriptKindPicture);
        log.Reset();
    }
};

TEST_F(PictureApi, NewAllocFillAndReadBack) {
    const ScriptRow rows[] = {
        {"local p = PictureNew(); print(PictureAlloc(p, 640, 480)); local r = PictureGetRect(p);"
         "print(r.sx + \",\" + r.sy + \",\" + r.ex + \",\" + r.ey)",
         "true\n0,0,640,480"},
        {"local r = PictureGetRect(PictureNew()); print(r.ex + \",\" + r.ey)", "0,0"},
        {"Show(Picture(4, 4, 1, 0, 0, 1), 0, 0)", "1 0 0 1"},
        {"local p = Picture(4, 4, 0, 0, 0, 1); PictureSetPixel(p, 2, 1, TestVector(0, 1, 0, 1));"
         "Show(p, 2, 1); Show(p, 1, 1)",
         "0 1 0 1\n0 0 0 1"},
        {"local p = Picture(4, 4, 0, 0, 0, 1); PictureFillRect(p, TestVector(0, 0, 1, 1), R(1, 1, 3, 2));"
         "Show(p, 1, 1); Show(p, 2, 1); Show(p, 3, 1); Show(p, 1, 2)",
         "0 0 1 1\n0 0 1 1\n0 0 0 1\n0 0 0 1"},
        {"print(BlendReplace + \" \" + BlendCompose + \" \" + BlendAdd + \" \" + BlendMultiply + \" \" +"
         "BlendMultiply2x + \" \" + BlendAlphaAdd + \" \" + BlendAlphaMultiply + \" \" + BlendAlphaMultiply2x +"
         "\" \" + RgbToAlpha)",
         "0 1 2 3 4 5 6 7 8"},
    };
    ExpectScripts(rows);
}

TEST_F(PictureApi, HandleAndColourErrors) {
    const ScriptRow rows[] = {
        {"PictureFill(g_engine, TestVector(1, 1, 1, 1))", "error: Expected 'Picture' got 'Engine'"},
        {"PictureFill(np, TestVector(1, 1, 1, 1))", "error: CObject is null"},
        {"PictureFill(PictureNew(), g_engine)", "error: Invalid instance type"},
        {"PictureSetPixel(PictureNew(), 0, 0, Rect())", "error: Invalid instance type"},
        {"PictureBlit(PictureNew(), np, BlendReplace)", "error: CObject is null"},
        {"PictureBlitRect(PictureNew(), np, R(0, 0, 1, 1), R(0, 0, 1, 1), 0)", "error: CObject is null"},
        {"PictureAlloc(PictureNew(), 1.5, 2)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
    };
    ExpectScripts(rows);
}

// Sizes below 0 are refused before they become huge unsigned sizes; a
// resize with one negative side keeps the aspect ratio.
TEST_F(PictureApi, NegativeSizesAreRefused) {
    const ScriptRow rows[] = {
        {"print(PictureAlloc(PictureNew(), 4, -2147483648))", "false"},
        {"local p = Picture(4, 2, 1, 1, 1, 1); PictureResize(p, -1, -1); print(PictureGetRect(p).ex)", "4"},
        {"local p = Picture(4, 2, 1, 1, 1, 1); PictureResize(p, -1, 4); local r = PictureGetRect(p);"
         "print(r.ex + \"x\" + r.ey)",
         "8x4"},
        {"local p = Picture(4, 2, 1, 1, 1, 1); PictureResize(p, 2147483647, 2147483647);"
         "print(PictureGetRect(p).ex + \" \" + Sum(p))",
         "4 8160"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(Printed("print(PictureAlloc(PictureNew(), -1, 4))"), "false");
    EXPECT_EQ(log.Text().rfind("[!] Invalid picture size (-1x4).\n", 0), 0u) << log.Text();
}

// Every coordinate-taking native with arguments outside a 4 x 4 picture:
// nothing outside is touched and the pixels inside keep their sum
// (4 x 4 pixels of (0, 0, 0, 1) add up to 16 x 255 = 4080).
TEST_F(PictureApi, CoordinatesOutsideThePictureWriteNothing) {
    const ScriptRow rows[] = {
        {"local p = Picture(4, 4, 0, 0, 0, 1); local w = TestVector(1, 1, 1, 1);"
         "foreach (c in [[-1, 0], [4, 0], [0, 4], [-0.5, -0.5], [3.99, 4.0], [1e30, 1e30], [-1e30, 2],"
         "  [2147483647, 0], [-2147483648, -2147483648]]) PictureSetPixel(p, c[0], c[1], w);"
         "print(Sum(p))",
         "4080"},
        {"local p = Picture(4, 4, 0, 0, 0, 1); local w = TestVector(1, 1, 1, 1);"
         "foreach (r in [R(4, 0, 9, 9), R(0, 4, 9, 9), R(-9, -9, 0, 0), R(3, 3, 1, 1), R(1e30, 1e30, -1e30, -1e30),"
         "  R(2147483647, 0, -2147483648, 4)]) PictureFillRect(p, w, r);"
         "print(Sum(p))",
         "4080"},
        {"local p = Picture(4, 4, 0, 0, 0, 1); PictureFillRect(p, TestVector(1, 0, 0, 1), R(-1e30, -1e30, 1, 1e30));"
         "Show(p, 0, 3); Show(p, 1, 0)",
         "1 0 0 1\n0 0 0 1"},
        {"local p = Picture(4, 4, 0, 0, 0, 1), s = Picture(2, 2, 1, 1, 1, 1);"
         "foreach (a in [[R(0, 0, 2, 2), R(4, 0, 0, 0)], [R(0, 0, 2, 2), R(-2, -2, 0, 0)], [R(2, 2, 9, 9), R(0, 0, 0, 0)],"
         "  [R(-2147483648, -2147483648, 2147483647, 2147483647), R(2147483647, 2147483647, 0, 0)],"
         "  [R(-2147483648, 0, 2, 2), R(-2000000000, 0, 0, 0)], [R(0, 0, 2, 2), R(-2147483648, 2147483647, 0, 0)],"
         "  [R(1e30, 1e30, 1e30, 1e30), R(-1e30, -1e30, 0, 0)]])"
         "  PictureBlitRect(p, s, a[0], a[1], BlendReplace);"
         "print(Sum(p))",
         "4080"},
        {"local p = Picture(4, 4, 0, 0, 0, 1); Show(p, 100, 100); Show(p, -5, -5); Show(PictureNew(), 1, 1)",
         "0 0 0 1\n0 0 0 1\n1 0 1 1"},
    };
    ExpectScripts(rows);
}

// A source rectangle cut at the source's edge moves the destination corner
// by what was cut; the part past the destination's edge is dropped.
TEST_F(PictureApi, BlitsPlaceTheClippedSource) {
    const ScriptRow rows[] = {
        {"local p = Picture(4, 4, 0, 0, 0, 1); PictureBlit(p, Picture(2, 2, 1, 0, 0, 1), BlendReplace);"
         "Show(p, 1, 1); Show(p, 2, 2)",
         "1 0 0 1\n0 0 0 1"},
        {"local p = Picture(4, 4, 0, 0, 0, 1);"
         "PictureBlitRect(p, Picture(2, 2, 1, 0, 0, 1), R(-1, -1, 2, 2), R(1, 1, 0, 0), BlendReplace);"
         "Show(p, 1, 1); Show(p, 2, 2); Show(p, 3, 3)",
         "0 0 0 1\n1 0 0 1\n1 0 0 1"},
        {"local p = Picture(4, 4, 0, 0, 0, 1);"
         "PictureBlitRect(p, Picture(3, 3, 0, 1, 0, 1), R(0, 0, 3, 3), R(2, 2, 0, 0), BlendReplace);"
         "Show(p, 3, 3); Show(p, 1, 1); print(Sum(p))",
         "0 1 0 1\n0 0 0 1\n5100"},
        // Cut and corner both at the smallest integer: the source's first
        // pixel still lands on the destination's first.
        {"local p = Picture(4, 4, 0, 0, 0, 1);"
         "PictureBlitRect(p, Picture(2, 2, 1, 0, 0, 1), R(-2147483648, 0, 2, 2), R(-2147483648, 0, 0, 0), 0);"
         "Show(p, 0, 0); Show(p, 1, 1); Show(p, 2, 2)",
         "1 0 0 1\n1 0 0 1\n0 0 0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(PictureApi, ConvolutionKernels) {
    const ScriptRow rows[] = {
        {"local k = array(33 * 32, 1); print(PictureApplyConvolution(Picture(4, 4, 1, 0, 0, 1), 33, 32, k))",
         "false"},
        {"local k = array(32 * 32, 1); local p = Picture(4, 4, 1, 0, 0, 1);"
         "print(PictureApplyConvolution(p, 32, 32, k)); Show(p, 2, 2)",
         "true\n1 0 0 1"},
        {"local p = Picture(4, 4, 0, 0, 0, 1); PictureSetPixel(p, 1, 1, TestVector(0, 0, 1, 1));"
         "print(PictureApplyConvolution(p, 0, 3, [1, 1, 1])); Show(p, 1, 1)",
         "false\n0 0 1 1"},
        // A kernel shorter than its size: the missing cells are 0, so the
        // centre cell alone copies the picture.
        {"local p = Picture(4, 4, 0, 0, 0, 1); PictureSetPixel(p, 1, 1, TestVector(0, 0, 1, 1));"
         "print(PictureApplyConvolution(p, 3, 3, [0, 0, 0, 0, 4])); Show(p, 1, 1); Show(p, 2, 1)",
         "true\n0 0 1 1\n0 0 0 1"},
        {"print(PictureApplyConvolution(Picture(4, 4, 1, 0, 0, 1), -2, -2, [1, 1, 1, 1]))", "false"},
        {"print(PictureApplyConvolution(Picture(4, 4, 1, 0, 0, 1), 65536, 65536, [1]))", "false"},
        {"print(PictureApplyConvolution(Picture(4, 4, 1, 0, 0, 1), 3, 3, [\"a\", null, 2.5]))", "true"},
    };
    ExpectScripts(rows);
}

TEST_F(PictureApi, AKernelOverThirtyTwoByThirtyTwoCellsIsLogged) {
    EXPECT_EQ(Printed("print(PictureApplyConvolution(Picture(4, 4, 1, 0, 0, 1), 33, 32, [1]))"), "false");
    EXPECT_EQ(log.Text().rfind("[!] Convolution kernel too big (33x32), max 32x32.\n", 0), 0u) << log.Text();
    EXPECT_EQ(Printed("print(PictureApplyConvolution(Picture(4, 4, 1, 0, 0, 1), -2, 3, [1]))"), "false");
    EXPECT_EQ(log.Text().rfind("[!] Invalid kernel size (-2x3).\n", 0), 0u) << log.Text();
}

TEST_F(PictureApi, SavesAnUncompressedTga) {
    const std::string path = (Folder() / "out.tga").string();
    EXPECT_EQ(Printed("local p = Picture(2, 1, 1, 0, 0, 1); PictureFillRect(p, TestVector(0, 0, 1, 1), R(1, 0, 2, 1));"
                      "print(PictureSaveTGA(p, \"" + path + "\"))"),
              "true");
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::vector<unsigned char> expected{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, // true colour, no map
                                              2, 0, 1, 0, 32, 0x28,               // 2 x 1, 32 bits, top first
                                              0, 0, 255, 255, 255, 0, 0, 255};    // red, blue as B, G, R, A
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(Printed("local p = PictureNew(); print(PictureLoadContent(p, \"" + path + "\")); Show(p, 1, 0)"),
              "true\n0 0 1 1");
    EXPECT_EQ(Printed("print(PictureLoadContent(PictureNew(), \"missing.tga\"))"), "false");
}

// Lines are anti-aliased segments clipped to (0, 0, width - 2, height - 2),
// the end point left out. Rows(p) prints the red channel, in bytes, row by
// row.
TEST_F(PictureApi, LinesAreClippedShortOfTheLastRowAndColumn) {
    ASSERT_TRUE(Run("function Rows(p) {\n"
                    "  local rect = PictureGetRect(p);\n"
                    "  for (local y = 0; y < rect.ey; ++y) {\n"
                    "    local row = \"\";\n"
                    "    for (local x = 0; x < rect.ex; ++x)\n"
                    "      row += (split(TestShow(PictureGetPixel(p, x, y)), \" \")[0].tofloat() * 255 + 0.5)"
                    ".tointeger() + \" \";\n"
                    "    print(row);\n"
                    "  }\n"
                    "}\n",
                    "rows.nut"));
    const ScriptRow rows[] = {
        {"local p = Picture(6, 4, 0, 0, 0, 1); PictureLine(p, 1, 1, 4, 1, TestVector(1, 1, 1, 1)); Rows(p)",
         "0 0 0 0 0 0 \n0 255 255 255 0 0 \n0 0 0 0 0 0 \n0 0 0 0 0 0 "},
        // Half-way samples share a column between two rows.
        {"local p = Picture(6, 4, 0, 0, 0, 1); PictureLine(p, 0, 0, 4, 2, TestVector(1, 0, 0, 1)); Rows(p)",
         "255 127 0 0 0 0 \n0 127 255 127 0 0 \n0 0 0 127 0 0 \n0 0 0 0 0 0 "},
        {"local p = Picture(6, 6, 0, 0, 0, 1); PictureLine(p, -3, 2, 20, 2, TestVector(1, 0, 0, 1)); Rows(p)",
         "0 0 0 0 0 0 \n0 0 0 0 0 0 \n255 255 255 255 0 0 \n0 0 0 0 0 0 \n0 0 0 0 0 0 \n0 0 0 0 0 0 "},
        {"local p = Picture(6, 6, 0, 0, 0, 1); PictureLine(p, 2, -5, 2, 40, TestVector(1, 0, 0, 1)); Rows(p)",
         "0 0 255 0 0 0 \n0 0 255 0 0 0 \n0 0 255 0 0 0 \n0 0 255 0 0 0 \n0 0 0 0 0 0 \n0 0 0 0 0 0 "},
        // 3 x 3: the clip rectangle is (0, 0)-(1, 1).
        {"local p = Picture(3, 3, 0, 0, 0, 1); PictureLine(p, 0, 0, 3, 3, TestVector(1, 0, 0, 1)); Rows(p)",
         "255 0 0 \n0 0 0 \n0 0 0 "},
        {"local p = Picture(6, 6, 0, 0, 0, 1); PictureLine(p, 1, 1, 4, 1, TestVector(0, 1, 0, 0.5));"
         "Show(p, 1, 1)",
         "0 0.498 0 1"},
        {"local p = Picture(6, 3, 0, 0, 0, 1); PictureLine(p, -1e30, 1, 1e30, 1, TestVector(1, 0, 0, 1)); "
         "Rows(p)",
         "0 0 0 0 0 0 \n255 255 255 255 0 0 \n0 0 0 0 0 0 "},
        // Nothing drawn: 2 pixels or less on a side, a zero-length or outside
        // segment, coordinates no step can walk, an empty picture.
        {"local p = Picture(2, 2, 0, 0, 0, 1); PictureLine(p, 0, 0, 1, 1, TestVector(1, 1, 1, 1)); "
         "print(Sum(p))",
         "1020"},
        {"local p = Picture(1, 9, 0, 0, 0, 1); PictureLine(p, 0, 0, 0, 8, TestVector(1, 1, 1, 1)); "
         "print(Sum(p))",
         "2295"},
        {"local p = Picture(9, 2, 0, 0, 0, 1); PictureLine(p, 0, 0, 8, 0, TestVector(1, 1, 1, 1)); "
         "print(Sum(p))",
         "4590"},
        {"local p = Picture(6, 6, 0, 0, 0, 1); PictureLine(p, 2, 2, 2, 2, TestVector(1, 1, 1, 1)); "
         "print(Sum(p))",
         "9180"},
        {"local p = Picture(6, 6, 0, 0, 0, 1); PictureLine(p, 8, 8, 20, 20, TestVector(1, 1, 1, 1)); "
         "print(Sum(p))",
         "9180"},
        {"local p = Picture(6, 6, 0, 0, 0, 1); local nan = sqrt(-1.0);"
         "PictureLine(p, nan, 1, 4, nan, TestVector(1, 1, 1, 1)); print(Sum(p))",
         "9180"},
        {"PictureLine(PictureNew(), 0, 0, 1, 1, TestVector(1, 1, 1, 1)); print(\"empty\")", "empty"},
        {"PictureLine(np, 0, 0, 1, 1, TestVector(1, 1, 1, 1))", "error: CObject is null"},
        {"PictureLine(Picture(3, 3, 0, 0, 0, 1), 0, 0, 1, 1, 7)",
         "error: parameter 6 has an invalid type 'integer' ; expected: 'instance'"},
    };
    ExpectScripts(rows);
}

// Without a font system there is nothing to draw with; the table is still
// read and its unknown keys and values logged.
TEST_F(PictureApi, TextRenderReadsItsParameterTable) {
    EXPECT_EQ(Printed("local p = Picture(8, 8, 0, 0, 0, 1);"
                      "PictureTextRender(p, R(0, 0, 8, 8), \"hi\", \"none.ttf\","
                      "  {size = 12, colour = 1, align = \"middle\", format = \"column\"});"
                      "print(Sum(p))"),
              "16320");
    const std::string text = log.Text();
    EXPECT_NE(text.find("[*] unknown text attribute 'colour'.\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[*] unknown text alignment command 'middle'.\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("format command"), std::string::npos) << text;
}

// A picture from PictureNew goes with its handle; the sanitizer's leak check
// sees one that stays.
TEST_F(PictureApi, NewPicturesGoWithTheirHandle) {
    const u32 before = GetScriptObjectCount();
    EXPECT_EQ(Printed("for (local i = 0; i < 8; ++i) { local p = PictureNew(); PictureAlloc(p, 16, 16); }"
                      "print(\"done\")"),
              "done");
    EXPECT_EQ(GetScriptObjectCount(), before);
}

// With the DejaVu face as the default font (package fonts-dejavu-core): the
// text is drawn in the table's colour, its components stored last first, so
// the packed 0xFF0000FF (red, opaque) draws red.
TEST_F(PictureApi, TextRenderDrawsInTheTablesColour) {
    std::ifstream font("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(font), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(bytes.empty()) << "fonts-dejavu-core";
    WriteFile("default.ttf", bytes);
    ASSERT_TRUE(FontSystemOpen());
    const std::string count = "function Count(p, want) { local n = 0;"
                              "  for (local y = 0; y < 32; ++y) for (local x = 0; x < 64; ++x) {"
                              "    local c = PictureGetPixel(p, x, y); if (want(c)) ++n; }"
                              "  return n; }";
    EXPECT_EQ(Printed(count + "local p = Picture(64, 32, 1, 1, 1, 1);"
                              "PictureTextRender(p, R(0, 0, 64, 32), \"HI\", \"\", {size = 24, color = 0xFF0000FF});"
                              "print(Count(p, @(c) c.x > 0.9 && c.y < 0.5 && c.z < 0.5) > 20);"
                              "print(Count(p, @(c) c.x < 0.5))"),
              "true\n0");
    EXPECT_EQ(Printed(count + "local p = Picture(64, 32, 1, 1, 1, 1);"
                              "PictureTextRender(p, R(0, 0, 64, 32), \"HI\", \"\", {});"
                              "print(Count(p, @(c) c.x < 0.5 && c.y < 0.5 && c.z < 0.5) > 20)"),
              "true");
    FontSystemShutdown();
}

// An owned picture handle made without a reference (as natives outside this
// group may make them) still deletes its picture, and its copies die with it.
TEST_F(PictureApi, AnOwnedPictureWithoutAReferenceIsDeleted) {
    auto* picture = new zPicture();
    ASSERT_TRUE(picture->Allocate(2, 2, PixelFormatDefault));
    SetHandle("owned", picture, ScriptKindPicture, true);
    SetHandle("copy", picture, ScriptKindPicture);
    EXPECT_EQ(Printed("print(PictureGetRect(copy).ex); ::owned = null; print(ObjectIsValid(copy))"), "2\nfalse");
}

} // namespace
