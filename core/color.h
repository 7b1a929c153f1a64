// Packed colours: a u32 with red in the low byte, then green, blue, and alpha
// in the high byte, and its four-float form with channels in [0, 1].
#pragma once

#include "core/types.h"

struct zColor {
    f32 r = 0.0f;
    f32 g = 0.0f;
    f32 b = 0.0f;
    f32 a = 0.0f;

    // Each byte times 1/255.
    static zColor FromRGBA32(u32 packed);
    // Each channel clamped to [0, 1] (NaN counts as 0), then the integer part
    // of value * 255.
    u32 ToRGBA32() const;
};
