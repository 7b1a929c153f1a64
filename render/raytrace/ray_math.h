// Small vector helpers of the ray code: components by unsigned axis number
// and directions and normals carried by a matrix without its translation.
#pragma once

#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

inline f32 RayAxis(const zVector& v, u32 axis) {
    return GetVectorAxis(v, int(axis));
}

inline void SetRayAxis(zVector& v, u32 axis, f32 value) {
    SetVectorAxis(v, int(axis), value);
}

// The direction through the matrix's rotation and scale (w = 1).
inline zVector RayDirection(const zVector& d, const zMatrix4& m) {
    const f32* e = m.e;
    return zVector(e[0] * d.x + e[1] * d.y + e[2] * d.z, e[4] * d.x + e[5] * d.y + e[6] * d.z,
                   e[8] * d.x + e[9] * d.y + e[10] * d.z);
}

// A normal through the matrix whose inverse is given: the inverse
// transpose, so that scaled and sheared items keep normals perpendicular.
inline zVector RayNormal(const zVector& n, const zMatrix4& inverse) {
    const f32* e = inverse.e;
    return zVector(e[0] * n.x + e[4] * n.y + e[8] * n.z, e[1] * n.x + e[5] * n.y + e[9] * n.z,
                   e[2] * n.x + e[6] * n.y + e[10] * n.z);
}
