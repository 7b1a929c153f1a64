// Small float helpers shared by the maths code. All single precision; the
// clamped inverse trigonometry guards against arguments that rounding pushed
// just outside [-1, 1].
#pragma once

#include "core/types.h"

// True when |b - a| <= tolerance.
bool NearlyEqual(f32 a, f32 b, f32 tolerance);
inline f32 AbsFloat(f32 value) {
    return value < 0.0f ? -value : value;
}
// The negation of INT32_MIN is itself (wrapping), as in two's complement.
i32 AbsInt(i32 value);
// b when b <= a, else a.
f32 MinFloat(f32 a, f32 b);
// True when -tolerance <= value <= tolerance.
bool WithinTolerance(f32 value, f32 tolerance);
// asin and acos of the argument clamped to [-1, 1].
f32 ClampedAsin(f32 value);
f32 ClampedAcos(f32 value);
// (ax - bx)(by - cy) - (bx - cx)(ay - by): twice the signed area of the 2D
// triangle a, b, c.
f32 Cross2D(f32 ax, f32 ay, f32 bx, f32 by, f32 cx, f32 cy);
