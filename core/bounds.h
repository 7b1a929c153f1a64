// Bounding volumes and the ray, segment and closest-point queries on them:
// axis-aligned boxes (zMinMax), oriented boxes (zOrientedBox) and planes.
// Classification results everywhere: 0 outside, 1 inside, 2 intersecting.
#pragma once

#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

enum : int { ClassifyOutside = 0, ClassifyInside = 1, ClassifyIntersecting = 2 };

// An axis-aligned box. Empty boxes are not represented: callers start from a
// first point.
struct zMinMax {
    zVector min;
    zVector max;

    // min = max = (0, 0, 0, 1).
    zMinMax() = default;
    // Both vectors copied, all four components.
    zMinMax(const zVector& min, const zVector& max) : min(min), max(max) {}
    // A missing min is (0, 0, 0, 1), a missing max (1, 1, 1, 1).
    zMinMax(const zVector* min, const zVector* max);

    void Set(const zVector& newMin, const zVector& newMax);

    // Grow to contain a point or another box (x, y, z).
    void AddPoint(const zVector& point);
    void AddBox(const zMinMax& box);

    // Slab test: the parameter range [tEnter, tExit] (tEnter >= 0) of the ray
    // inside the box; false when the ray misses it. An origin inside gives
    // tEnter = 0.
    bool IntersectRayRange(const zVector& origin, const zVector& direction, f32& tEnter, f32& tExit) const;
    // The first point where the ray enters the box and the face normal; an
    // origin inside gives hit = origin and normal (0, 0, 0, 1).
    bool IntersectRay(const zVector& origin, const zVector& direction, zVector& hit,
                      zVector* normal = nullptr) const;
    // As IntersectRay for the segment start..end; a start inside gives the
    // start, an end inside gives the end (not the entry point), both with
    // normal (0, 0, 0, 1).
    bool IntersectSegment(const zVector& start, const zVector& end, zVector& hit,
                          zVector* normal = nullptr) const;
};

// A box with a centre, full edge lengths and a rotation.
struct zOrientedBox {
    zVector center;                           // w 1
    zVector size = zVector(1.0f, 1.0f, 1.0f); // full edge lengths, w 1
    zMatrix3 rotation;

    // Starts from the defaults; center and size are taken only when both are
    // given, the rotation whenever it is given.
    explicit zOrientedBox(const zVector* center = nullptr, const zVector* size = nullptr,
                          const zMatrix3* rotation = nullptr);
    // The box of OrientedBoxFromMinMax.
    explicit zOrientedBox(const zMinMax& box);

    // Moves the box by M: its rotation applies first, then M's.
    void Transform(const zMatrix4& matrix);
    // The axis-aligned box around the rotated box.
    zMinMax ToMinMax() const;
    // center - size/2 <= p <= center + size/2 on each axis, bounds included.
    // The rotation is not applied: p must be in the box's axis frame.
    bool ContainsPoint(const zVector& point) const;
};

// Centre (min + max) / 2, size max - min, identity rotation.
zOrientedBox OrientedBoxFromMinMax(const zMinMax& box);

// The plane through point with the given normal; the signed distance of p is
// d + normal.p, positive on the side the normal points to.
struct zPlane {
    f32 d = 0.0f;
    zVector point;
    zVector normal = zVector(0.0f, 0.0f, 0.0f);

    // With a matrix the point is transformed by it (row 3 of the matrix when
    // no point is given) and the normal rotated by its upper 3x3. Without, the
    // point is copied or (0, 0, 0, 1). The normal is taken as given.
    void Set(const zVector* point, const zVector& normal, const zMatrix4* matrix = nullptr);
    // Normal (p1 - p0) x (p2 - p0), not normalised, through p0.
    void SetFromTriangle(const zVector& p0, const zVector& p1, const zVector& p2,
                         const zMatrix4* matrix = nullptr);
    f32 Distance(const zVector& p) const;
};

// The parameter t of the ray's crossing with the plane; false when the ray is
// parallel to it (|direction . normal| <= 1e-6).
bool IntersectRayPlane(const zVector& origin, const zVector& direction, const zVector& normal,
                       const zVector& planePoint, f32& t);
// The point of the infinite line a..b closest to p and its parameter t
// (returned); a degenerate line (a == b) gives a and t = 0.
f32 ClosestPointOnLine(const zVector& a, const zVector& b, const zVector& p, zVector* out = nullptr);
// The same with t clamped to [0, 1].
f32 ClosestPointOnSegment(const zVector& a, const zVector& b, const zVector& p, zVector* out = nullptr);
// The parameters s, t of the closest points p0 + s (p1 - p0) and
// q0 + t (q1 - q0) of two lines; false when they are parallel.
bool ClosestLineParameters(const zVector& p0, const zVector& p1, const zVector& q0, const zVector& q1, f32& s,
                           f32& t);
// Barycentric coordinates of p in the triangle: p = u p0 + v p1 + w p2 with
// w = 1 - u - v, computed in the coordinate plane where the triangle's normal
// is largest. A degenerate triangle returns false with u = v = 0, w = 1.
bool Barycentric(const zVector& p0, const zVector& p1, const zVector& p2, const zVector& p, f32& u, f32& v,
                 f32& w);
