#include "core/float_util.h"

#include <cmath>

bool NearlyEqual(f32 a, f32 b, f32 tolerance) {
    return AbsFloat(b - a) <= tolerance;
}

i32 AbsInt(i32 value) {
    if (value >= 0) return value;
    return static_cast<i32>(0u - static_cast<u32>(value));
}

f32 MinFloat(f32 a, f32 b) {
    return b <= a ? b : a;
}

bool WithinTolerance(f32 value, f32 tolerance) {
    return -tolerance <= value && value <= tolerance;
}

f32 ClampedAsin(f32 value) {
    if (value < -1.0f) value = -1.0f;
    if (value > 1.0f) value = 1.0f;
    return std::asin(value);
}

f32 ClampedAcos(f32 value) {
    if (value < -1.0f) value = -1.0f;
    if (value > 1.0f) value = 1.0f;
    return std::acos(value);
}

f32 Cross2D(f32 ax, f32 ay, f32 bx, f32 by, f32 cx, f32 cy) {
    return (ax - bx) * (by - cy) - (bx - cx) * (ay - by);
}
