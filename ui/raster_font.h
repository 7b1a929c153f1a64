// zRasterFont: a glyph atlas described by a ZML file beside numbered TGA
// pages, for the renderers' text output and the profiler pages.
//
// The description has the header "Font:Common;" (Height, BaseLine,
// PageCount) and one "Char" per glyph under "Font;" (Id 0..255, U, V, W, H,
// OffsetU, OffsetV, Step, Page). Page n is the texture "<base>_<nn>.tga",
// <base> being the description's path without its extension, loaded through
// the owner engine's texture cache and held by a counted reference. A glyph
// with a bad id or page is skipped with a warning; a page count outside
// 0..MaxPages refuses the whole file. Renderers read it as a zRenderFont.
#pragma once

#include "core/list.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"
#include "render/render_font.h"

class zEngine;
class zMetafile;
class zTexture;

// Lets script handles that own a raster font (kind 11) destroy it; the player
// installs it once at start-up.
void RegisterRasterFontScriptDestroyer();

class zRasterFont : public zRenderFont {
  public:
    static constexpr i32 GlyphCount = 256;
    // One page per glyph at most.
    static constexpr i32 MaxPages = GlyphCount;

    explicit zRasterFont(zEngine* owner);
    ~zRasterFont() override;
    zRasterFont(const zRasterFont&) = delete;
    zRasterFont& operator=(const zRasterFont&) = delete;

    // Clears, then reads the description and loads its pages. A null owner
    // keeps the one given at construction; without an owner the pages stay
    // empty. False with the error logged when the file cannot be read, lacks
    // its header or declares an impossible page count.
    bool Load(const char* path, zEngine* owner = nullptr);
    // Load's work on a document read already; path names the pages and goes
    // into the messages.
    bool Read(const zMetafile& description, const char* path);
    // Frees the pages and clears the 256 records.
    void Clear();

    // The record when present, else null.
    const zRasterGlyph* GetGlyph(u8 character) const override;
    // Sum of Step from text + first up to the end or a line feed; characters
    // without a glyph add nothing.
    f32 GetLineWidth(const char* text, u32 first = 0) const override;
    // The widest line.
    f32 GetTextWidth(const char* text) const override;
    // Null when out of range or the page's texture was not found.
    zTexture* GetPageTexture(i32 index) const override;
    u32 GetPageCount() const { return m_pages.GetCount(); }

    f32 GetHeight() const override { return m_height; }
    f32 GetBaseLine() const { return m_baseLine; }
    const zString& GetName() const { return m_name; }
    zEngine* GetOwner() const { return m_owner; }

  private:
    zEngine* m_owner;
    // A node per page; a page whose texture was not found holds null.
    zList<zSharedPtr<zTexture>> m_pages;
    zRasterGlyph m_glyphs[GlyphCount];
    f32 m_height = 0.0f;
    f32 m_baseLine = 0.0f;
    zString m_name;
};
