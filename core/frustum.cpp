#include "core/frustum.h"

#include <cmath>

namespace {

void SetCorners(zVector* corners, f32 nearX, f32 nearY, f32 nearDistance, f32 farX, f32 farY, f32 farDistance,
                const zMatrix4* matrix) {
    corners[0] = zVector(-nearX, nearY, nearDistance);
    corners[1] = zVector(nearX, nearY, nearDistance);
    corners[2] = zVector(nearX, -nearY, nearDistance);
    corners[3] = zVector(-nearX, -nearY, nearDistance);
    corners[4] = zVector(-farX, farY, farDistance);
    corners[5] = zVector(farX, farY, farDistance);
    corners[6] = zVector(farX, -farY, farDistance);
    corners[7] = zVector(-farX, -farY, farDistance);
    if (matrix) matrix->TransformArray(corners, corners, 8);
}

void SetNearFar(zPlane* planes, f32 nearDistance, f32 farDistance, const zMatrix4* matrix) {
    zVector nearPoint(0.0f, 0.0f, nearDistance);
    zVector farPoint(0.0f, 0.0f, farDistance);
    planes[zFrustum::Near].Set(&nearPoint, zVector(0.0f, 0.0f, -1.0f), matrix);
    planes[zFrustum::Far].Set(&farPoint, zVector(0.0f, 0.0f, 1.0f), matrix);
}

void Project(const zVector* points, size_t count, const zVector& axis, f32& lo, f32& hi) {
    lo = hi = points[0].Dot(axis);
    for (size_t i = 1; i < count; ++i) {
        f32 value = points[i].Dot(axis);
        if (value < lo) lo = value;
        if (value > hi) hi = value;
    }
}

// One separating-axis step: a is the frustum's point set, b the tested one.
int ClassifyOnAxis(const zVector* a, size_t countA, const zVector* b, size_t countB, const zVector& axis) {
    f32 minA, maxA, minB, maxB;
    Project(a, countA, axis, minA, maxA);
    Project(b, countB, axis, minB, maxB);
    if (minB > maxA || maxB < minA) return ClassifyOutside;
    if (minB > minA && maxB < maxA) return ClassifyInside;
    return ClassifyIntersecting;
}

// Edge directions of a frustum: the four side edges, then the near top and
// left edges.
void EdgeDirections(const zVector* corners, zVector* edges) {
    for (int i = 0; i < 4; ++i)
        edges[i] = corners[i + 4].Sub(corners[i]);
    edges[4] = corners[1].Sub(corners[0]);
    edges[5] = corners[3].Sub(corners[0]);
}

// Accumulates the result of one axis; false once the sets are separated.
bool Accumulate(int axisResult, int& result) {
    if (axisResult == ClassifyOutside) {
        result = ClassifyOutside;
        return false;
    }
    if (axisResult == ClassifyIntersecting) result = ClassifyIntersecting;
    return true;
}

// The plane normals used as axes: every plane but the near one.
const int AxisPlanes[5] = {zFrustum::Top, zFrustum::Bottom, zFrustum::Left, zFrustum::Right, zFrustum::Far};

} // namespace

void zFrustum::SetPerspective(f32 fov, f32 nearDistance, f32 farDistance, const zMatrix4* matrix, f32 aspectX,
                              f32 aspectY) {
    f32 halfTangent = std::tan(fov / 2.0f);
    f32 angleX = std::atan(halfTangent / aspectX);
    f32 angleY = std::atan(halfTangent / aspectY);
    f32 cosX = std::cos(angleX), sinX = std::sin(angleX);
    f32 cosY = std::cos(angleY), sinY = std::sin(angleY);
    // The side planes pass through the eye.
    planes[Top].Set(nullptr, zVector(0.0f, cosY, -sinY), matrix);
    planes[Bottom].Set(nullptr, zVector(0.0f, -cosY, -sinY), matrix);
    planes[Left].Set(nullptr, zVector(-cosX, 0.0f, -sinX), matrix);
    planes[Right].Set(nullptr, zVector(cosX, 0.0f, -sinX), matrix);
    SetNearFar(planes, nearDistance, farDistance, matrix);
    f32 tanX = std::tan(angleX);
    f32 tanY = std::tan(angleY);
    SetCorners(corners, nearDistance * tanX, nearDistance * tanY, nearDistance, farDistance * tanX,
               farDistance * tanY, farDistance, matrix);
}

void zFrustum::SetOrthographic(f32 width, f32 height, f32 nearDistance, f32 farDistance,
                               const zMatrix4* matrix, f32 zoomX, f32 zoomY) {
    f32 halfWidth = width * zoomX / 2.0f;
    f32 halfHeight = height * zoomY / 2.0f;
    zVector topPoint(0.0f, halfHeight, 0.0f);
    zVector bottomPoint(0.0f, -halfHeight, 0.0f);
    zVector leftPoint(-halfWidth, 0.0f, 0.0f);
    zVector rightPoint(halfWidth, 0.0f, 0.0f);
    planes[Top].Set(&topPoint, zVector(0.0f, 1.0f, 0.0f), matrix);
    planes[Bottom].Set(&bottomPoint, zVector(0.0f, -1.0f, 0.0f), matrix);
    planes[Left].Set(&leftPoint, zVector(-1.0f, 0.0f, 0.0f), matrix);
    planes[Right].Set(&rightPoint, zVector(1.0f, 0.0f, 0.0f), matrix);
    SetNearFar(planes, nearDistance, farDistance, matrix);
    SetCorners(corners, halfWidth, halfHeight, nearDistance, halfWidth, halfHeight, farDistance, matrix);
}

int zFrustum::ClassifySphere(const zVector& center, f32 radius) const {
    int result = ClassifyInside;
    for (const zPlane& plane : planes) {
        f32 distance = plane.Distance(center);
        if (distance > radius) return ClassifyOutside;
        if (distance > -radius) result = ClassifyIntersecting;
    }
    return result;
}

int zFrustum::ClassifyPoints(size_t count, const zVector* points, f32 tolerance) const {
    int result = ClassifyInside;
    for (const zPlane& plane : planes) {
        size_t outside = 0;
        for (size_t i = 0; i < count; ++i)
            if (plane.Distance(points[i]) > tolerance) ++outside;
        if (outside == count) return ClassifyOutside;
        if (outside > 0) result = ClassifyIntersecting;
    }
    return result;
}

int zFrustum::ClassifyMinMax(const zMinMax& box, const zMatrix4* matrix) const {
    zVector boxCorners[8];
    for (int i = 0; i < 8; ++i)
        boxCorners[i] = zVector(i & 1 ? box.max.x : box.min.x, i & 2 ? box.max.y : box.min.y,
                                i & 4 ? box.max.z : box.min.z);
    zVector boxAxes[3] = {zVector(1.0f, 0.0f, 0.0f), zVector(0.0f, 1.0f, 0.0f), zVector(0.0f, 0.0f, 1.0f)};
    if (matrix) {
        matrix->TransformPoints(boxCorners, boxCorners, 8);
        for (int r = 0; r < 3; ++r)
            boxAxes[r] = matrix->GetRow(r, true);
    }

    int result = ClassifyInside;
    for (int plane : AxisPlanes)
        if (!Accumulate(ClassifyOnAxis(corners, 8, boxCorners, 8, planes[plane].normal), result))
            return result;
    for (const zVector& axis : boxAxes)
        if (!Accumulate(ClassifyOnAxis(corners, 8, boxCorners, 8, axis), result)) return result;
    zVector edges[6];
    EdgeDirections(corners, edges);
    for (const zVector& edge : edges) {
        for (const zVector& boxAxis : boxAxes) {
            zVector axis = edge.Cross(boxAxis);
            if (axis.Length2() <= 1e-6f) continue;
            if (!Accumulate(ClassifyOnAxis(corners, 8, boxCorners, 8, axis), result)) return result;
        }
    }
    return result;
}

int zFrustum::ClassifyFrustum(const zFrustum& other) const {
    int result = ClassifyInside;
    for (int plane : AxisPlanes)
        if (!Accumulate(ClassifyOnAxis(corners, 8, other.corners, 8, planes[plane].normal), result))
            return result;
    for (int plane : AxisPlanes)
        if (!Accumulate(ClassifyOnAxis(corners, 8, other.corners, 8, other.planes[plane].normal), result))
            return result;
    zVector edges[6], otherEdges[6];
    EdgeDirections(corners, edges);
    EdgeDirections(other.corners, otherEdges);
    for (const zVector& edge : edges) {
        for (const zVector& otherEdge : otherEdges) {
            zVector axis = edge.Cross(otherEdge);
            if (axis.Length2() <= 1e-6f) continue;
            if (!Accumulate(ClassifyOnAxis(corners, 8, other.corners, 8, axis), result)) return result;
        }
    }
    return result;
}
