// Rectangles of picture operations: {left, top, right, bottom}, right and
// bottom exclusive. zRect is integer, zRectF its float twin (clips of pixel
// plotting, scaled blits).
#pragma once

#include <algorithm>

#include "core/types.h"

struct zRect {
    i32 left = 0;
    i32 top = 0;
    i32 right = 0;
    i32 bottom = 0;

    i32 Width() const { return right - left; }
    i32 Height() const { return bottom - top; }
    // Larger left and top, smaller right and bottom; may come out empty.
    static zRect Intersection(const zRect& a, const zRect& b) {
        return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    }
};

struct zRectF {
    f32 left = 0.0f;
    f32 top = 0.0f;
    f32 right = 0.0f;
    f32 bottom = 0.0f;

    f32 Width() const { return right - left; }
    f32 Height() const { return bottom - top; }
    static zRectF FromRect(const zRect& r) { return {f32(r.left), f32(r.top), f32(r.right), f32(r.bottom)}; }
};
