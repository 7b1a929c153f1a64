#include "core/bounds.h"

#include <cmath>

#include "core/float_util.h"

// ---- zMinMax ----

zMinMax::zMinMax(const zVector* newMin, const zVector* newMax)
    : min(newMin ? *newMin : zVector(0.0f, 0.0f, 0.0f)), max(newMax ? *newMax : zVector(1.0f, 1.0f, 1.0f)) {}

void zMinMax::Set(const zVector& newMin, const zVector& newMax) {
    min = newMin;
    max = newMax;
}

void zMinMax::AddPoint(const zVector& point) {
    if (point.x < min.x) min.x = point.x;
    if (point.y < min.y) min.y = point.y;
    if (point.z < min.z) min.z = point.z;
    if (point.x > max.x) max.x = point.x;
    if (point.y > max.y) max.y = point.y;
    if (point.z > max.z) max.z = point.z;
}

void zMinMax::AddBox(const zMinMax& box) {
    zVector newMin = min.Min(box.min);
    zVector newMax = max.Max(box.max);
    min.x = newMin.x;
    min.y = newMin.y;
    min.z = newMin.z;
    max.x = newMax.x;
    max.y = newMax.y;
    max.z = newMax.z;
}

bool zMinMax::IntersectRayRange(const zVector& origin, const zVector& direction, f32& tEnter,
                                f32& tExit) const {
    tEnter = 0.0f;
    tExit = 3.4028235e38f;
    const f32 boxMin[3] = {min.x, min.y, min.z};
    const f32 boxMax[3] = {max.x, max.y, max.z};
    const f32 start[3] = {origin.x, origin.y, origin.z};
    const f32 step[3] = {direction.x, direction.y, direction.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (AbsFloat(step[axis]) <= 1e-6f) {
            if (start[axis] < boxMin[axis] || start[axis] > boxMax[axis]) return false;
            continue;
        }
        f32 t1 = (boxMin[axis] - start[axis]) / step[axis];
        f32 t2 = (boxMax[axis] - start[axis]) / step[axis];
        if (t1 > t2) {
            f32 swap = t1;
            t1 = t2;
            t2 = swap;
        }
        if (t1 > tEnter) tEnter = t1;
        if (t2 < tExit) tExit = t2;
        if (tEnter > tExit) return false;
    }
    return true;
}

namespace {

// Region bits of a point against the box; 0 inside.
enum : int {
    BeyondMaxX = 1,
    BelowMinX = 2,
    BeyondMaxY = 4,
    BelowMinY = 8,
    BelowMinZ = 16,
    BeyondMaxZ = 32,
};

int RegionCode(const zMinMax& box, const zVector& p) {
    int code = 0;
    if (p.x > box.max.x) code |= BeyondMaxX;
    if (p.x < box.min.x) code |= BelowMinX;
    if (p.y > box.max.y) code |= BeyondMaxY;
    if (p.y < box.min.y) code |= BelowMinY;
    if (p.z > box.max.z) code |= BeyondMaxZ;
    if (p.z < box.min.z) code |= BelowMinZ;
    return code;
}

// Tries, in the order x, y, z, the faces the origin lies beyond; the first
// face whose crossing point lies within the box gives the hit.
bool HitFaces(const zMinMax& box, const zVector& origin, int code, const zVector& direction, zVector& hit,
              zVector* normal) {
    static const int BeyondMax[3] = {BeyondMaxX, BeyondMaxY, BeyondMaxZ};
    static const int BelowMin[3] = {BelowMinX, BelowMinY, BelowMinZ};
    for (int axis = 0; axis < 3; ++axis) {
        f32 plane;
        f32 side;
        if (code & BeyondMax[axis]) {
            plane = GetVectorAxis(box.max, axis);
            side = 1.0f;
        } else if (code & BelowMin[axis]) {
            plane = GetVectorAxis(box.min, axis);
            side = -1.0f;
        } else {
            continue;
        }
        f32 step = GetVectorAxis(direction, axis);
        if (step == 0.0f) continue; // parallel to the face: never reaches it
        f32 t = (plane - GetVectorAxis(origin, axis)) / step;
        zVector point = origin.Add(direction.MulReal(t));
        SetVectorAxis(point, axis, plane);
        bool inside = true;
        for (int other = 0; other < 3; ++other) {
            if (other == axis) continue;
            f32 value = GetVectorAxis(point, other);
            if (!(value >= GetVectorAxis(box.min, other) && value <= GetVectorAxis(box.max, other))) inside = false;
        }
        if (!inside) continue;
        hit = point;
        if (normal) {
            *normal = zVector(0.0f, 0.0f, 0.0f);
            SetVectorAxis(*normal, axis, side);
        }
        return true;
    }
    return false;
}

} // namespace

bool zMinMax::IntersectRay(const zVector& origin, const zVector& direction, zVector& hit,
                           zVector* normal) const {
    int code = RegionCode(*this, origin);
    if (code == 0) {
        hit = origin;
        if (normal) *normal = zVector(0.0f, 0.0f, 0.0f);
        return true;
    }
    int away = (direction.x > 0.0f ? BeyondMaxX : BelowMinX) | (direction.y > 0.0f ? BeyondMaxY : BelowMinY) |
               (direction.z > 0.0f ? BeyondMaxZ : BelowMinZ);
    if (away & code) return false;
    return HitFaces(*this, origin, code, direction, hit, normal);
}

bool zMinMax::IntersectSegment(const zVector& start, const zVector& end, zVector& hit,
                               zVector* normal) const {
    int startCode = RegionCode(*this, start);
    if (startCode == 0) {
        hit = start;
        if (normal) *normal = zVector(0.0f, 0.0f, 0.0f);
        return true;
    }
    int endCode = RegionCode(*this, end);
    if (endCode == 0) {
        hit = end;
        // No face is known here; a defined "no face" normal rather than stale data.
        if (normal) *normal = zVector(0.0f, 0.0f, 0.0f);
        return true;
    }
    if (startCode & endCode) return false;
    return HitFaces(*this, start, startCode, end.Sub(start), hit, normal);
}

// ---- zOrientedBox ----

zOrientedBox::zOrientedBox(const zVector* newCenter, const zVector* newSize, const zMatrix3* newRotation) {
    if (newCenter && newSize) {
        center = *newCenter;
        size = *newSize;
    }
    if (newRotation) rotation = *newRotation;
}

zOrientedBox::zOrientedBox(const zMinMax& box) : zOrientedBox(OrientedBoxFromMinMax(box)) {}

zOrientedBox OrientedBoxFromMinMax(const zMinMax& box) {
    zVector center = box.min.Add(box.max).MulReal(0.5f);
    zVector size = box.max.Sub(box.min);
    return zOrientedBox(&center, &size, nullptr);
}

void zOrientedBox::Transform(const zMatrix4& matrix) {
    rotation = zMatrix3::Multiply(zMatrix3::FromMatrix4(matrix), rotation);
    center = center.ApplyMatrix(matrix);
}

zMinMax zOrientedBox::ToMinMax() const {
    zVector half = size.MulReal(0.5f);
    const zVector offsets[4] = {zVector(half.x, half.y, half.z), zVector(-half.x, half.y, half.z),
                                zVector(half.x, -half.y, half.z), zVector(half.x, half.y, -half.z)};
    zVector extent(0.0f, 0.0f, 0.0f);
    for (const zVector& offset : offsets) {
        zVector turned = offset.ApplyRotationMatrix(rotation);
        extent = extent.Max(zVector(AbsFloat(turned.x), AbsFloat(turned.y), AbsFloat(turned.z)));
    }
    return zMinMax(center.Sub(extent), center.Add(extent));
}

bool zOrientedBox::ContainsPoint(const zVector& point) const {
    zVector half = size.MulReal(0.5f);
    zVector offset = point.Sub(center);
    return -half.x <= offset.x && offset.x <= half.x && -half.y <= offset.y && offset.y <= half.y &&
           -half.z <= offset.z && offset.z <= half.z;
}

// ---- zPlane ----

void zPlane::Set(const zVector* newPoint, const zVector& newNormal, const zMatrix4* matrix) {
    if (matrix) {
        point = newPoint ? newPoint->ApplyMatrix(*matrix) : matrix->GetRow(3, true);
        normal = newNormal.ApplyRotationMatrix(zMatrix3::FromMatrix4(*matrix));
    } else {
        point = newPoint ? *newPoint : zVector(0.0f, 0.0f, 0.0f);
        normal = newNormal;
    }
    d = -point.Dot(normal);
}

void zPlane::SetFromTriangle(const zVector& p0, const zVector& p1, const zVector& p2,
                             const zMatrix4* matrix) {
    zVector triangleNormal = p1.Sub(p0).Cross(p2.Sub(p0));
    Set(&p0, triangleNormal, matrix);
}

f32 zPlane::Distance(const zVector& p) const {
    return d + normal.Dot(p);
}

// ---- free functions ----

bool IntersectRayPlane(const zVector& origin, const zVector& direction, const zVector& normal,
                       const zVector& planePoint, f32& t) {
    f32 denominator = direction.Dot(normal);
    if (-1e-6f <= denominator && denominator <= 1e-6f) return false;
    t = (planePoint.Dot(normal) - origin.Dot(normal)) / denominator;
    return true;
}

f32 ClosestPointOnLine(const zVector& a, const zVector& b, const zVector& p, zVector* out) {
    zVector line = b.Sub(a);
    f32 length2 = line.Length2();
    // A point-like line has no direction; its closest point is a itself.
    f32 t = length2 == 0.0f ? 0.0f : p.Sub(a).Dot(line) / length2;
    if (out) *out = a.Add(line.MulReal(t));
    return t;
}

f32 ClosestPointOnSegment(const zVector& a, const zVector& b, const zVector& p, zVector* out) {
    f32 t = ClosestPointOnLine(a, b, p, nullptr);
    if (t < 0.0f) t = 0.0f;
    if (t > 1.0f) t = 1.0f;
    if (out) *out = a.Add(b.Sub(a).MulReal(t));
    return t;
}

bool ClosestLineParameters(const zVector& p0, const zVector& p1, const zVector& q0, const zVector& q1, f32& s,
                           f32& t) {
    zVector d1 = p1.Sub(p0);
    zVector d2 = q1.Sub(q0);
    f32 a = d1.Dot(d1);
    f32 e = d2.Dot(d2);
    f32 b = d1.Dot(d2);
    f32 denominator = a * e - b * b;
    if (AbsFloat(denominator) < 1e-8f) return false;
    f32 c1 = d1.Dot(q0.Sub(p0));
    f32 c2 = d2.Dot(p0.Sub(q0));
    s = (c2 * b + c1 * e) / denominator;
    t = (c2 * a + b * c1) / denominator;
    return true;
}

bool Barycentric(const zVector& p0, const zVector& p1, const zVector& p2, const zVector& p, f32& u, f32& v,
                 f32& w) {
    zVector normal = p1.Sub(p0).Cross(p2.Sub(p0));
    f32 nx = AbsFloat(normal.x);
    f32 ny = AbsFloat(normal.y);
    f32 nz = AbsFloat(normal.z);
    // The two coordinates kept: drop the axis of the largest normal component.
    int first = 1, second = 2;
    if (ny >= nx && ny >= nz) {
        first = 0;
        second = 2;
    } else if (nz >= nx && nz >= ny) {
        first = 0;
        second = 1;
    }
    auto a = [&](const zVector& q) { return GetVectorAxis(q, first); };
    auto b = [&](const zVector& q) { return GetVectorAxis(q, second); };
    f32 area = Cross2D(a(p0), b(p0), a(p1), b(p1), a(p2), b(p2));
    if (area == 0.0f) {
        u = 0.0f;
        v = 0.0f;
        w = 1.0f;
        return false;
    }
    u = Cross2D(a(p), b(p), a(p1), b(p1), a(p2), b(p2)) / area;
    v = Cross2D(a(p0), b(p0), a(p), b(p), a(p2), b(p2)) / area;
    w = 1.0f - u - v;
    return true;
}
