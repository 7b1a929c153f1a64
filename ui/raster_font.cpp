#include "ui/raster_font.h"

#include "core/log.h"
#include "engine/engine.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "render/texture.h"
#include "script/script_kind.h"
#include "script/script_object.h"

namespace {

constexpr int SpaceCharacter = 32;

// Floats of the description may be written as integers.
bool ReadNumber(const zMetaTag* tag, f32& out) {
    i32 integer = 0;
    if (tag->GetValue().GetFloat(out)) return true;
    if (!tag->GetValue().GetInt(integer)) return false;
    out = static_cast<f32>(integer);
    return true;
}

} // namespace

void RegisterRasterFontScriptDestroyer() {
    SetScriptObjectDestroyer(ScriptKindRasterFont, [](void* font) { delete static_cast<zRasterFont*>(font); });
}

zRasterFont::zRasterFont(zEngine* owner) : m_owner(owner) {}

zRasterFont::~zRasterFont() = default;

void zRasterFont::Clear() {
    m_pages.Clear();
    for (zRasterGlyph& glyph : m_glyphs)
        glyph = zRasterGlyph();
}

bool zRasterFont::Load(const char* path, zEngine* owner) {
    if (owner) m_owner = owner;
    Clear();
    zMetafile description;
    if (!path || !LoadMetafileFromFile(path, description)) {
        GetLog() << "[!] Failed to load raster font description file '" << (path ? path : "") << "'.\n";
        return false;
    }
    return Read(description, path);
}

bool zRasterFont::Read(const zMetafile& description, const char* path) {
    Clear();
    const zMetaTag* header = description.GetTag("Font:Common;");
    if (!header) {
        GetLog() << "[!] Missing base tag in font description ('" << path << "').\n";
        return false;
    }
    m_height = 0.0f;
    m_baseLine = 0.0f;
    i32 pageCount = 1;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = header->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "Height") {
            ReadNumber(child, m_height);
        } else if (name == "BaseLine") {
            ReadNumber(child, m_baseLine);
        } else if (name == "PageCount") {
            child->GetValue().GetInt(pageCount);
        } else {
            GetLog() << "[*] Unexpected tag in font description header ('" << name << "').\n";
        }
    }
    // Every page is loaded: a count no glyph could use is refused before any.
    if (pageCount < 0 || pageCount > MaxPages) {
        GetLog() << "[!] Invalid page count in font '" << path << "' (" << pageCount << ").\n";
        return false;
    }

    if (const zMetaTag* font = description.GetTag("Font;")) {
        iterator = zLinkedListIterator{};
        while (const zMetaTag* child = font->GetNextChild(iterator)) {
            if (child->GetName() != "Char") continue;
            const zMetaTag* idTag = child->GetTag("Id;");
            i32 id = -1;
            if (!idTag || !idTag->GetValue().GetInt(id) || id < 0 || id >= GlyphCount) {
                GetLog() << "[*] Glyph with no or invalid ID in font '" << path << "', skipping.\n";
                continue;
            }
            zRasterGlyph glyph;
            glyph.present = true;
            zLinkedListIterator fields{};
            while (const zMetaTag* field = child->GetNextChild(fields)) {
                const zString& name = field->GetName();
                if (name == "U") ReadNumber(field, glyph.u);
                else if (name == "V") ReadNumber(field, glyph.v);
                else if (name == "W") ReadNumber(field, glyph.w);
                else if (name == "H") ReadNumber(field, glyph.h);
                else if (name == "OffsetU") ReadNumber(field, glyph.offsetU);
                else if (name == "OffsetV") ReadNumber(field, glyph.offsetV);
                else if (name == "Step") ReadNumber(field, glyph.step);
                else if (name == "Page") field->GetValue().GetInt(glyph.page);
            }
            if (glyph.page < 0 || glyph.page >= pageCount) {
                GetLog() << "[*] Invalid glyph page in font '" << path << "' (Glyph #" << id << "), skipping.\n";
                m_glyphs[id] = zRasterGlyph();
                continue;
            }
            m_glyphs[id] = glyph;
        }
    }
    if (!m_glyphs[SpaceCharacter].present) GetLog() << "[*] No space character in font '" << path << "'.\n";

    const zString base = zString(path).GetWithoutExtension();
    for (i32 page = 0; page < pageCount; ++page) {
        zTexture* texture = nullptr;
        if (m_owner) {
            zString pageName;
            pageName.Format("%s_%02d.tga", base.CStr() ? base.CStr() : "", page);
            texture = m_owner->LoadTexture(pageName, false, false);
        }
        if (!m_pages.Add(zSharedPtr<zTexture>(texture))) {
            GetLog() << "[!] Failed to allocate raster font page.\n";
            return false;
        }
    }
    m_name = path;
    return true;
}

const zRasterGlyph* zRasterFont::GetGlyph(u8 character) const {
    return m_glyphs[character].present ? &m_glyphs[character] : nullptr;
}

f32 zRasterFont::GetLineWidth(const char* text, u32 first) const {
    if (!text) return 0.0f;
    // first may lie past the end: stop at the terminator.
    const char* c = text;
    for (u32 skipped = 0; skipped < first && *c; ++skipped)
        ++c;
    f32 width = 0.0f;
    for (; *c && *c != '\n'; ++c) {
        const zRasterGlyph& glyph = m_glyphs[static_cast<u8>(*c)];
        if (glyph.present) width += glyph.step;
    }
    return width;
}

f32 zRasterFont::GetTextWidth(const char* text) const {
    if (!text) return 0.0f;
    f32 widest = 0.0f;
    for (const char* line = text;;) {
        const f32 width = GetLineWidth(line);
        if (width > widest) widest = width;
        while (*line && *line != '\n')
            ++line;
        if (!*line) break;
        ++line;
    }
    return widest;
}

zTexture* zRasterFont::GetPageTexture(i32 index) const {
    if (index < 0) return nullptr;
    auto* node = m_pages.GetNodeAt(static_cast<u32>(index));
    return node ? node->value.Get() : nullptr;
}
