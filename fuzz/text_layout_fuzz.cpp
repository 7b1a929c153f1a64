// The TrueType text layout over any text with inline commands: eight header
// bytes give the text parameters (size, format, alignment, column width,
// spacing factors) and the rectangle, the rest is the text. The text is laid
// out, the line table checked against the text, and rendered into a small
// picture through a clip rectangle that may reach past it.
#include <algorithm>
#include <string>

#include "fuzz/fuzz_font.h"
#include "fuzz/fuzz_support.h"
#include "picture/picture.h"
#include "ui/text_layout.h"

namespace {

// Long enough to fill the line table with short lines.
constexpr size_t TextLimit = 8192;

i32 Signed(u8 byte) {
    return i32(i8(byte));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    OpenFuzzFontSystem(round);
    if (size < 8) return 0;
    zTextParameters parameters = DefaultTextParameters();
    parameters.size = Signed(data[0]);
    parameters.format = data[1] % 4;
    parameters.align = data[2] % 5;
    parameters.columnWidth = Signed(data[3]);
    parameters.letterSpacing = f32(Signed(data[4])) / 8.0f;
    parameters.lineSpacing = f32(Signed(data[5])) / 8.0f;
    const zRect rect{Signed(data[6]), Signed(data[7]) / 4, Signed(data[6]) + data[7], 40};
    const std::string text(reinterpret_cast<const char*>(data + 8), std::min(size - 8, TextLimit));

    ComputeTextRect(text.c_str(), parameters, rect);
    const zTextLineTable& table = GetTextLineTable();
    if (table.count > TextMaxLines) FuzzFail("line table overrun");
    for (u32 i = 0; i < table.count; ++i) {
        if (table.lines[i].start > table.textLength) FuzzFail("a line starts past the text");
        if (i && table.lines[i].start < table.lines[i - 1].start) FuzzFail("lines out of order");
    }
    zPicture picture;
    if (!picture.Allocate(48, 24, PixelFormatRGBA8)) return 0;
    const zRect clip{-Signed(data[7]), -4, 60, 30};
    RenderText(picture, text.c_str(), parameters, rect, &clip);
    RenderText(picture, text.c_str(), parameters, rect, nullptr);
    return 0;
}
