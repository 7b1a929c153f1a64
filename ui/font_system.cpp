#include "ui/font_system.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <new>

#include "core/log.h"
#include "io/file_road.h"

namespace {

// The text layout's default size, so that a fresh face measures.
constexpr u32 DefaultPixelSize = 16;

struct FontSystem {
    bool up = false;
    FT_Library library = nullptr;
    std::unique_ptr<zWindowSystemFont> defaultFont;
    zLinkedListId fonts;
    f32 letterSpacing = 0.0f;
    f32 lineSpacing = 0.0f;
};

FontSystem& GetFontSystem() {
    static FontSystem system;
    return system;
}

} // namespace

zWindowSystemFont::zWindowSystemFont(const char* name, void* fileBytes)
    : zLinkedListEntryId(zString(name)), m_fileBytes(fileBytes, &std::free) {}

zWindowSystemFont::~zWindowSystemFont() {
    if (m_face) FT_Done_Face(m_face);
}

bool zWindowSystemFont::SetPixelSize(u32 pixels) { return m_face && FT_Set_Pixel_Sizes(m_face, 0, pixels) == 0; }

bool FontSystemOpen() {
    FontSystem& system = GetFontSystem();
    if (system.up) return true;
    if (FT_Init_FreeType(&system.library) != 0) {
        system.library = nullptr;
        GetLog() << "[!] Failed to open font system.\n";
        return false;
    }
    system.up = true;
    zWindowSystemFont* font = FontSystemLoadFont("default.ttf");
    if (!font) {
        FontSystemShutdown();
        GetLog() << "[!] Failed to open default system font.\n";
        return false;
    }
    system.fonts.Detach(font);
    system.defaultFont.reset(font);
    return true;
}

void FontSystemShutdown() {
    FontSystem& system = GetFontSystem();
    if (!system.up) return;
    system.fonts.Clear();
    system.defaultFont.reset();
    FT_Done_FreeType(system.library);
    system.library = nullptr;
    system.up = false;
}

bool FontSystemIsUp() { return GetFontSystem().up; }

void FontSystemClearFonts() { GetFontSystem().fonts.Clear(); }

zWindowSystemFont* FontSystemGetDefaultFont() { return GetFontSystem().defaultFont.get(); }

u32 FontSystemGetFontCount() { return GetFontSystem().fonts.GetCount(); }

f32 FontSystemGetLetterSpacing() { return GetFontSystem().letterSpacing; }

f32 FontSystemGetLineSpacing() { return GetFontSystem().lineSpacing; }

void FontSystemSetSpacing(f32 letterSpacing, f32 lineSpacing) {
    GetFontSystem().letterSpacing = letterSpacing;
    GetFontSystem().lineSpacing = lineSpacing;
}

zWindowSystemFont* FontSystemLoadFont(const char* path) {
    FontSystem& system = GetFontSystem();
    if (!system.up || !path || system.fonts.Find(path)) return nullptr;
    void* bytes = nullptr;
    u32 size = 0;
    if (!FileSystemLoadFile(path, bytes, size) || size == 0) {
        std::free(bytes);
        GetLog() << "[!] Failed to open font file '" << path << "'.\n";
        return nullptr;
    }
    std::unique_ptr<zWindowSystemFont> font(new (std::nothrow) zWindowSystemFont(path, bytes));
    if (!font) {
        std::free(bytes);
        GetLog() << "[!] failed to allocate a new entry to hold font '" << path << "'.\n";
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(system.library, static_cast<const FT_Byte*>(bytes), static_cast<FT_Long>(size), 0, &face) !=
        0) {
        GetLog() << "[!] Failed to open font file '" << path << "'.\n";
        return nullptr;
    }
    font->m_face = face;
    font->m_useKerning = true;
    font->SetPixelSize(DefaultPixelSize);
    system.fonts.Add(font.get());
    GetLog() << "Font '" << path << "' loaded as '" << font->GetName() << "'.\n";
    return font.release();
}

zWindowSystemFont* FontSystemFindFont(const char* name) {
    FontSystem& system = GetFontSystem();
    if (name) {
        if (zLinkedListEntryId* entry = system.fonts.Find(name)) return static_cast<zWindowSystemFont*>(entry);
    }
    return system.defaultFont.get();
}

zRect FontSystemMeasureText(const char* text, zWindowSystemFont* font) {
    zRect rect;
    if (!font || !font->GetFace() || !text) return rect;
    FT_Face face = font->GetFace();
    const bool kerning = font->UsesKerning() && FT_HAS_KERNING(face);
    i64 width = 0;
    i64 height = 0;
    FT_UInt previous = 0;
    for (const char* c = text; *c; ++c) {
        const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(*c));
        if (kerning && previous && glyph) {
            FT_Vector delta;
            if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &delta) == 0) width += delta.x;
        }
        previous = glyph;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) != 0) continue;
        width += face->glyph->advance.x;
        if (face->glyph->metrics.height > height) height = face->glyph->metrics.height;
    }
    rect.right = static_cast<i32>(width / 64);
    rect.bottom = static_cast<i32>(height / 64);
    return rect;
}
