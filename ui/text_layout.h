// TrueType text layout: UTF-8 text with inline commands laid out into lines
// with a font of the font system, and rendered with anti-aliasing into 32-bit
// pictures.
//
// Inline commands: "~~Color(r,g,b,a)" (or "~~COLOR(") sets the colour of what
// follows when rendering, "~~Size(n)" (or "~~SIZE(") the size in pixels, in
// layout and rendering alike; a command missing its ")" or a separator logs
// "Error parsing text command components." and drops the rest of the text.
// "~~" before anything else is plain text. Invalid UTF-8 bytes are skipped.
// A line ends after a line feed or the two characters "\n", at the end of
// the text, or where the maximum width or character count is reached (at the
// last break point, the space before a word, when there is one). A line holds
// at least one character, so every text ends.
//
// Widths and heights are kept in 1/64 pixel; the maximum width is given in
// pixels and compared in 1/64 pixel. Sizes are clamped to 1..TextSizeMax.
// The line table is one for the whole program (main thread only): ComputeTextRect
// fills it, RenderText draws what it holds, so they are called in that
// order on the same text and parameters. It holds TextMaxLines lines; text
// past them is cut with a warning.
#pragma once

#include "core/rect.h"
#include "core/types.h"

class zPicture;
class zWindowSystemFont;

enum zTextFormat : i32 {
    TextFormatStandard = 0,
    TextFormatLine = 0,
    TextFormatParagraph = 1,
    TextFormatColumn = 2,
};

enum zTextAlign : i32 {
    TextAlignLeft = 0,
    TextAlignRight = 1,
    TextAlignCenter = 2,
    TextAlignJustify = 3,
};

constexpr i32 TextSizeMax = 256;
constexpr u32 TextMaxLines = 1024;

struct zTextParameters {
    zWindowSystemFont* font = nullptr;
    i32 size = 16;
    i32 color[4] = {0, 0, 0, 255};
    i32 format = TextFormatStandard;
    i32 align = TextAlignLeft;
    // Characters per line of TextFormatColumn.
    i32 columnWidth = 80;
    f32 letterSpacing = 0.0f;
    f32 lineSpacing = 0.0f;

    bool operator==(const zTextParameters& other) const;
    bool operator!=(const zTextParameters& other) const { return !(*this == other); }
};

// The font system's default font and spacing factors, the defaults above.
zTextParameters DefaultTextParameters();

struct zTextLine {
    u32 start = 0;      // byte offset of the first character
    u32 characters = 0; // glyphs drawn
    u32 spaces = 0;
    i32 width = 0;  // 1/64 pixel
    i32 height = 0; // 1/64 pixel
};

struct zTextLineTable {
    zTextLine lines[TextMaxLines];
    u32 count = 0;
    // Byte length of the text laid out last.
    u32 textLength = 0;
};

const zTextLineTable& GetTextLineTable();

// Decodes one UTF-8 character of at most `available` bytes; 0 for an invalid
// or cut sequence.
u32 DecodeUTF8(const char* text, u32 available, u32& codepoint);

// Lays the text out into the line table; the rectangle's width is the
// maximum width of the paragraph and column formats. The result is (0, 0,
// widest line rounded up, sum of line heights and line spacing truncated);
// empty without a font.
zRect ComputeTextRect(const char* text, const zTextParameters& parameters, const zRect& rect);

// Draws the lines of the table into a 32-bit picture within the rectangle,
// clipped to the clip rectangle (the whole picture when null) and always to
// the picture. Returns the drawn lines' bounds; empty without a font or for
// another depth, the rectangle itself when there are no lines.
zRect RenderText(zPicture& picture, const char* text, const zTextParameters& parameters, const zRect& rect,
                 const zRect* clip);
