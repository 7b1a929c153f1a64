// The six-plane view volume used for culling. Local camera space looks along
// +Z with +Y up. Every plane normal points out of the volume, so a positive
// distance means outside. Results: ClassifyOutside, ClassifyInside,
// ClassifyIntersecting (core/bounds.h).
#pragma once

#include <cstddef>

#include "core/bounds.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

struct zFrustum {
    enum PlaneIndex { Top = 0, Bottom = 1, Left = 2, Right = 3, Near = 4, Far = 5 };

    // 0 (-x, +y, near), 1 (+x, +y, near), 2 (+x, -y, near), 3 (-x, -y, near),
    // 4..7 the same at the far distance.
    zVector corners[8];
    zPlane planes[6];

    // fov is the full opening angle in radians; each side's half angle is
    // atan(tan(fov/2) / aspect). The volume is moved by the matrix when given.
    void SetPerspective(f32 fov, f32 nearDistance, f32 farDistance, const zMatrix4* matrix, f32 aspectX,
                        f32 aspectY);
    // A box of half width width * zoomX / 2 and half height height * zoomY / 2.
    void SetOrthographic(f32 width, f32 height, f32 nearDistance, f32 farDistance, const zMatrix4* matrix,
                         f32 zoomX, f32 zoomY);

    // Touching a plane from outside counts as intersecting.
    int ClassifySphere(const zVector& center, f32 radius) const;
    // Points farther than tolerance beyond a plane are outside it; all of them
    // beyond one plane gives outside.
    int ClassifyPoints(size_t count, const zVector* points, f32 tolerance) const;
    // Separating-axis tests; the box corners are moved by the matrix when given.
    int ClassifyMinMax(const zMinMax& box, const zMatrix4* matrix = nullptr) const;
    int ClassifyFrustum(const zFrustum& other) const;
};
