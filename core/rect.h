// Integer and float rectangles {left, top, right, bottom}; right and bottom
// are exclusive. The integer form is the rectangle of picture operations.
#pragma once

#include "core/types.h"

struct zRect {
    i32 left = 0;
    i32 top = 0;
    i32 right = 0;
    i32 bottom = 0;

    i32 Width() const { return right - left; }
    i32 Height() const { return bottom - top; }

    // The overlap of the two rectangles; empty or inverted when they do not
    // overlap (callers test right <= left or bottom <= top).
    zRect Intersection(const zRect& other) const {
        zRect result;
        result.left = left > other.left ? left : other.left;
        result.top = top > other.top ? top : other.top;
        result.right = right < other.right ? right : other.right;
        result.bottom = bottom < other.bottom ? bottom : other.bottom;
        return result;
    }
};

struct zRectF {
    f32 left = 0.0f;
    f32 top = 0.0f;
    f32 right = 0.0f;
    f32 bottom = 0.0f;

    f32 Width() const { return right - left; }
    f32 Height() const { return bottom - top; }

    static zRectF FromRect(const zRect& rect) {
        zRectF result;
        result.left = static_cast<f32>(rect.left);
        result.top = static_cast<f32>(rect.top);
        result.right = static_cast<f32>(rect.right);
        result.bottom = static_cast<f32>(rect.bottom);
        return result;
    }
};
