#include "ui/text_layout.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/log.h"
#include "picture/picture.h"
#include "ui/font_system.h"
#include "ui/ui_pixels.h"

namespace {

// Hinted outlines: advances and kerning in whole pixels. Measured and drawn
// widths depend on these flags, so both use only them.
constexpr FT_Int32 GlyphLoadFlags = FT_LOAD_DEFAULT;

// Spacing extras and widths are kept well inside 32 bits.
constexpr i64 Limit64 = i64(1) << 30;

zTextLineTable g_lineTable;

enum class TokenKind { End, Character, LineBreak, Skip, Color, Size, Error };

struct Token {
    TokenKind kind = TokenKind::End;
    u32 length = 0;
    u32 codepoint = 0;
    i32 values[4] = {0, 0, 0, 0};
};

bool StartsWith(const char* text, u32 available, const char* prefix) {
    const u32 length = u32(std::strlen(prefix));
    return available >= length && std::memcmp(text, prefix, length) == 0;
}

// The command after "~~" at text; Character when "~~" starts no command.
Token ParseCommand(const char* text, u32 available) {
    Token token;
    u32 at = 2;
    i32 count = 0;
    if (StartsWith(text + 2, available - 2, "Color(") || StartsWith(text + 2, available - 2, "COLOR(")) {
        token.kind = TokenKind::Color;
        count = 4;
        at += 6;
    } else if (StartsWith(text + 2, available - 2, "Size(") || StartsWith(text + 2, available - 2, "SIZE(")) {
        token.kind = TokenKind::Size;
        count = 1;
        at += 5;
    } else {
        token.kind = TokenKind::Character;
        token.length = 1;
        token.codepoint = '~';
        return token;
    }
    Token error;
    error.kind = TokenKind::Error;
    if (!std::memchr(text + at, ')', available - at)) return error;
    for (i32 index = 0; index < count; ++index) {
        while (at < available && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        bool negative = false;
        if (at < available && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
        i64 value = 0;
        while (at < available && text[at] >= '0' && text[at] <= '9') {
            value = std::min<i64>(value * 10 + (text[at] - '0'), Limit64);
            ++at;
        }
        while (at < available && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        const char expected = index + 1 < count ? ',' : ')';
        if (at >= available || text[at] != expected) return error;
        ++at;
        token.values[index] = i32(negative ? -value : value);
    }
    token.length = at;
    return token;
}

Token NextToken(const char* text, u32 length, u32 at) {
    Token token;
    if (at >= length) return token;
    const u32 available = length - at;
    const char* here = text + at;
    if (*here == '\n' || (available >= 2 && here[0] == '\\' && here[1] == 'n')) {
        token.kind = TokenKind::LineBreak;
        token.length = *here == '\n' ? 1 : 2;
        return token;
    }
    if (available >= 2 && here[0] == '~' && here[1] == '~') return ParseCommand(here, available);
    token.length = DecodeUTF8(here, available, token.codepoint);
    token.kind = token.length ? TokenKind::Character : TokenKind::Skip;
    if (!token.length) token.length = 1;
    return token;
}

i32 ClampSize(i32 size) {
    return std::max(1, std::min(size, TextSizeMax));
}

i64 SpacingExtra(f32 factor, i32 size) {
    const f64 extra = f64(factor) * f64(size);
    if (!(extra == extra)) return 0;
    return i64(std::max<f64>(-f64(Limit64), std::min<f64>(extra, f64(Limit64))));
}

i64 FloorDiv64(i64 value) {
    return value >= 0 ? value / 64 : -((-value + 63) / 64);
}

struct Pen {
    FT_Face face;
    bool kerning;
    FT_UInt previous = 0;
};

// The kerning before the glyph of a character, and its advance; false when
// the glyph cannot be loaded (it then takes no room).
bool LoadGlyph(Pen& pen, u32 codepoint, i64& kerning, i64& advance) {
    const FT_UInt glyph = FT_Get_Char_Index(pen.face, codepoint);
    kerning = 0;
    advance = 0;
    if (pen.kerning && pen.previous && glyph) {
        FT_Vector delta;
        if (FT_Get_Kerning(pen.face, pen.previous, glyph, FT_KERNING_DEFAULT, &delta) == 0) kerning = delta.x;
    }
    pen.previous = glyph;
    if (FT_Load_Glyph(pen.face, glyph, GlyphLoadFlags) != 0) return false;
    advance = pen.face->glyph->advance.x;
    return true;
}

void SetSize(zTextParameters& parameters, i32 size) {
    parameters.size = ClampSize(size);
    parameters.font->SetPixelSize(u32(parameters.size));
}

// Lays out one line from position; returns where the next one starts. A
// command error ends the text.
u32 LayoutLine(const char* text, u32 length, u32 position, zTextLine& line, zTextParameters& parameters,
               i64 maxWidth, i64 maxCharacters, bool& stop) {
    line = zTextLine();
    while (position < length && text[position] == ' ')
        ++position;
    line.start = position;
    if (position >= length) return position;
    if (text[position] == '\n') return position + 1;
    SetSize(parameters, parameters.size);
    FT_Face face = parameters.font->GetFace();
    Pen pen{face, parameters.font->UsesKerning() && FT_HAS_KERNING(face)};
    i64 width = 0;
    i64 height = 0;
    struct BreakPoint {
        zTextLine line;
        u32 position;
        i64 width, height;
        i32 size;
    } breakPoint{};
    bool hasBreak = false;
    for (;;) {
        const Token token = NextToken(text, length, position);
        if (token.kind == TokenKind::End) break;
        if (token.kind == TokenKind::Error) {
            GetLog() << "[!] Error parsing text command components.\n";
            stop = true;
            position = length;
            break;
        }
        if (token.kind == TokenKind::LineBreak) {
            position += token.length;
            break;
        }
        if (token.kind == TokenKind::Size) SetSize(parameters, token.values[0]);
        if (token.kind != TokenKind::Character) {
            position += token.length;
            continue;
        }
        // Every line takes its first character, so that each line advances.
        if (maxCharacters >= 0 && line.characters >= maxCharacters && line.characters > 0) break;
        i64 kerning = 0;
        i64 advance = 0;
        LoadGlyph(pen, token.codepoint, kerning, advance);
        if (maxWidth >= 0 && line.characters > 0 && width + kerning + advance >= maxWidth) {
            if (hasBreak) {
                line = breakPoint.line;
                position = breakPoint.position;
                width = breakPoint.width;
                height = breakPoint.height;
                SetSize(parameters, breakPoint.size);
            }
            break;
        }
        width = std::max(-Limit64, std::min(width + kerning + advance +
                                                SpacingExtra(parameters.letterSpacing, parameters.size),
                                            Limit64));
        height = std::max<i64>(height, face->size->metrics.height);
        ++line.characters;
        position += token.length;
        if (token.codepoint == ' ') {
            ++line.spaces;
            if (position >= length || text[position] != ' ') {
                line.width = i32(width);
                line.height = i32(height);
                breakPoint = BreakPoint{line, position, width, height, parameters.size};
                hasBreak = true;
            }
        }
    }
    line.width = i32(width);
    line.height = i32(height);
    return position;
}

u32 TextLength(const char* text) {
    return u32(std::min<size_t>(std::strlen(text), 0xffffffffu));
}

// Blends a rendered glyph's coverage at the pixel position.
void BlendGlyph(zPicture& picture, const FT_Bitmap& bitmap, i64 left, i64 top, const zRect& clip,
                const i32 color[4]) {
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.pitch <= 0 || !bitmap.buffer) return;
    for (u32 row = 0; row < bitmap.rows; ++row) {
        const i64 y = top + row;
        if (y < clip.top || y >= clip.bottom) continue;
        const u8* coverage = bitmap.buffer + u64(row) * u32(bitmap.pitch);
        for (u32 column = 0; column < bitmap.width; ++column) {
            const i64 x = left + column;
            if (x < clip.left || x >= clip.right || !coverage[column]) continue;
            const u32 alpha = u32(coverage[column]) * u32(color[3]) / 256u;
            UIBlendPixel(picture, u32(x), u32(y), u32(color[0]), u32(color[1]), u32(color[2]), alpha);
        }
    }
}

i32 ClampToInt(i64 value) {
    return i32(std::max<i64>(INT32_MIN, std::min<i64>(value, INT32_MAX)));
}

} // namespace

bool zTextParameters::operator==(const zTextParameters& other) const {
    return font == other.font && size == other.size && std::equal(color, color + 4, other.color) &&
           format == other.format && align == other.align && columnWidth == other.columnWidth &&
           letterSpacing == other.letterSpacing && lineSpacing == other.lineSpacing;
}

zTextParameters DefaultTextParameters() {
    zTextParameters parameters;
    parameters.font = FontSystemGetDefaultFont();
    parameters.letterSpacing = FontSystemGetLetterSpacing();
    parameters.lineSpacing = FontSystemGetLineSpacing();
    return parameters;
}

const zTextLineTable& GetTextLineTable() {
    return g_lineTable;
}

u32 DecodeUTF8(const char* text, u32 available, u32& codepoint) {
    if (!available) return 0;
    const u8 lead = u8(text[0]);
    u32 length = 0;
    if (lead < 0x80) {
        codepoint = lead;
        return 1;
    }
    if ((lead & 0xe0) == 0xc0) {
        length = 2;
        codepoint = lead & 0x1f;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3;
        codepoint = lead & 0x0f;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4;
        codepoint = lead & 0x07;
    } else {
        return 0;
    }
    if (available < length) return 0;
    for (u32 i = 1; i < length; ++i) {
        const u8 continuation = u8(text[i]);
        if ((continuation & 0xc0) != 0x80) return 0;
        codepoint = (codepoint << 6) | (continuation & 0x3f);
    }
    return length;
}

zRect ComputeTextRect(const char* text, const zTextParameters& parameters, const zRect& rect) {
    zTextLineTable& table = g_lineTable;
    table.count = 0;
    table.textLength = 0;
    if (!text || !parameters.font || !parameters.font->GetFace()) return zRect();
    const u32 length = TextLength(text);
    table.textLength = length;
    zTextParameters state = parameters;
    state.size = ClampSize(state.size);
    const bool wraps = parameters.format == TextFormatParagraph || parameters.format == TextFormatColumn;
    const i64 maxWidth = wraps ? std::max<i64>(0, i64(rect.right) - rect.left) * 64 : -1;
    const i64 maxCharacters =
        parameters.format == TextFormatColumn ? std::max(0, parameters.columnWidth) : -1;
    i64 widest = 0;
    i64 height = 0;
    bool stop = false;
    for (u32 position = 0; position < length && !stop;) {
        if (table.count == TextMaxLines) {
            GetLog() << "[*] Text cut after " << TextMaxLines << " lines.\n";
            break;
        }
        const i64 lineSpacing = SpacingExtra(state.lineSpacing, state.size);
        zTextLine& line = table.lines[table.count++];
        position = LayoutLine(text, length, position, line, state, maxWidth, maxCharacters, stop);
        widest = std::max<i64>(widest, line.width);
        height += line.height + lineSpacing;
    }
    return zRect{0, 0, ClampToInt((widest + 63) / 64), ClampToInt(std::max<i64>(0, height) / 64)};
}

zRect RenderText(zPicture& picture, const char* text, const zTextParameters& parameters, const zRect& rect,
                 const zRect* clip) {
    if (!text || !parameters.font || !parameters.font->GetFace() || !UIPictureWritable(picture))
        return zRect();
    const zTextLineTable& table = g_lineTable;
    if (table.count == 0) return rect;
    zRect bounds{0, 0, i32(std::min<u32>(picture.GetWidth(), INT32_MAX)),
                 i32(std::min<u32>(picture.GetHeight(), INT32_MAX))};
    if (clip) bounds = bounds.Intersection(*clip);
    const u32 length = std::min(TextLength(text), table.textLength);
    zTextParameters state = parameters;
    for (int i = 0; i < 4; ++i)
        state.color[i] = std::max(0, std::min(state.color[i], 255));
    SetSize(state, state.size);
    FT_Face face = parameters.font->GetFace();
    const i64 rectWidth = i64(rect.right) - rect.left;
    i64 y64 = i64(rect.top) * 64;
    zRect drawn{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (u32 index = 0; index < table.count; ++index) {
        const zTextLine& line = table.lines[index];
        const u32 end = std::min(index + 1 < table.count ? table.lines[index + 1].start : length, length);
        const i64 lineSpacing = SpacingExtra(state.lineSpacing, state.size);
        const i64 lineWidth = (i64(line.width) + 63) / 64;
        const i64 free = rectWidth - lineWidth;
        i64 offset = 0;
        if (parameters.align == TextAlignRight) offset = free;
        if (parameters.align == TextAlignCenter) offset = free / 2;
        // Justified lines spread the free width over their spaces; the last
        // line stays left-aligned.
        i64 justify = 0;
        if (parameters.align == TextAlignJustify && index + 1 < table.count && line.spaces && free > 0)
            justify = free * 64 / line.spaces;
        i64 pen64 = (i64(rect.left) + offset) * 64;
        const i64 baseline = FloorDiv64(y64 + line.height - line.height / 4);
        Pen pen{face, parameters.font->UsesKerning() && FT_HAS_KERNING(face)};
        u32 characters = 0;
        for (u32 position = std::min(line.start, end); position < end;) {
            const Token token = NextToken(text, end, position);
            if (token.kind == TokenKind::End || token.kind == TokenKind::Error) break;
            position += token.length;
            if (token.kind == TokenKind::Color) {
                for (int i = 0; i < 4; ++i)
                    state.color[i] = std::max(0, std::min(token.values[i], 255));
            } else if (token.kind == TokenKind::Size) {
                SetSize(state, token.values[0]);
            } else if (token.kind == TokenKind::Character && characters < line.characters) {
                ++characters;
                i64 kerning = 0;
                i64 advance = 0;
                if (LoadGlyph(pen, token.codepoint, kerning, advance) &&
                    FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
                    BlendGlyph(picture, face->glyph->bitmap,
                               FloorDiv64(pen64 + kerning) + face->glyph->bitmap_left,
                               baseline - face->glyph->bitmap_top, bounds, state.color);
                }
                pen64 += kerning + advance + SpacingExtra(state.letterSpacing, state.size);
                if (token.codepoint == ' ') pen64 += justify;
            }
        }
        if (line.characters) {
            const i64 left = i64(rect.left) + offset;
            drawn.left = std::min(drawn.left, ClampToInt(left));
            drawn.right = std::max(drawn.right, ClampToInt(left + lineWidth));
            drawn.top = std::min(drawn.top, ClampToInt(FloorDiv64(y64)));
            drawn.bottom = std::max(drawn.bottom, ClampToInt(FloorDiv64(y64 + line.height)));
        }
        y64 += lineSpacing + line.height;
    }
    if (drawn.right < drawn.left) return zRect{rect.left, rect.top, rect.left, rect.top};
    return drawn;
}
