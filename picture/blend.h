// Pixel blending of 8-bit RGBA values in integer arithmetic: the compose rule
// of blits, pixel plotting, widget drawing and text rendering.
#pragma once

#include "core/types.h"

// Alpha of a over b (or b over a): a + b - (a x b >> 8), clamped to 0..255.
inline u32 BlendAlphaUnion(u32 a, u32 b) {
    i32 combined = i32(a) + i32(b) - i32((a * b) >> 8);
    return u32(combined < 0 ? 0 : (combined > 255 ? 255 : combined));
}

// One colour channel of source s (alpha sa) over destination d (alpha da)
// for the result alpha ra; 0 when ra is 0.
inline u32 BlendColorComponent(u32 d, u32 s, u32 da, u32 sa, u32 ra) {
    if (ra == 0) return 0;
    i64 value = (i64(s) * sa - ((i64(d) * da * sa) >> 8) + i64(d) * da) / i64(ra);
    return u32(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// Blends a colour over a pixel stored R, G, B, A.
inline void BlendPixelRGBA(u8* pixel, u32 r, u32 g, u32 b, u32 a) {
    const u32 da = pixel[3];
    const u32 ra = BlendAlphaUnion(da, a);
    pixel[0] = u8(BlendColorComponent(pixel[0], r, da, a, ra));
    pixel[1] = u8(BlendColorComponent(pixel[1], g, da, a, ra));
    pixel[2] = u8(BlendColorComponent(pixel[2], b, da, a, ra));
    pixel[3] = u8(ra);
}
