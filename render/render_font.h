// zRenderFont: what a renderer reads of a raster font to write text (the
// renderer's Write): glyph records, line widths, the line height and the page
// textures. The interface layer's raster font implements it, so this layer
// never depends on the interface layer.
//
// Glyph values are in page units: U, V, W, H are the glyph's rectangle in its
// page texture (0..1) and also its size on screen for a text size of 1;
// OffsetU, OffsetV place it and Step advances the pen.
#pragma once

#include "core/types.h"

class zTexture;

struct zRasterGlyph {
    bool present = false;
    f32 u = 0.0f, v = 0.0f, w = 0.0f, h = 0.0f; // rectangle in the page texture
    f32 offsetU = 0.0f, offsetV = 0.0f;         // placement offsets
    f32 step = 0.0f;                            // advance
    i32 page = 0;
};

class zRenderFont {
  public:
    virtual ~zRenderFont() = default;
    // The record when present, else null.
    virtual const zRasterGlyph* GetGlyph(u8 character) const = 0;
    // Sum of Step from text + first up to the end or a line feed.
    virtual f32 GetLineWidth(const char* text, u32 first) const = 0;
    // The widest line.
    virtual f32 GetTextWidth(const char* text) const = 0;
    // Null when out of range or missing.
    virtual zTexture* GetPageTexture(i32 index) const = 0;
    virtual f32 GetHeight() const = 0;
};
