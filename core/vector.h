// The engine's vectors: zVector holds four floats (points and directions carry
// w = 1), zVector2 two. Every operation returns its result as a new vector with
// w = 1, except where a comment says otherwise; only Randomize and the InPlace
// operations change the vector itself. Matrices transform row vectors:
// see core/matrix.h for the storage layout.
#pragma once

#include "core/types.h"

struct zMatrix3;
struct zMatrix4;

struct zVector {
    f32 x = 0.0f;
    f32 y = 0.0f;
    f32 z = 0.0f;
    f32 w = 1.0f;

    constexpr zVector() = default;
    constexpr zVector(f32 x, f32 y, f32 z, f32 w = 1.0f) : x(x), y(y), z(z), w(w) {}

    f32 Dot(const zVector& other) const;
    f32 Length() const;
    f32 Length2() const;
    zVector Cross(const zVector& other) const;
    zVector Add(const zVector& other) const;
    zVector Sub(const zVector& other) const;
    // Component-wise product and quotient of x, y, z; Div makes no zero test.
    zVector Mul(const zVector& other) const;
    zVector Div(const zVector& other) const;
    zVector MulReal(f32 scalar) const;
    // A zero divisor gives (0, 0, 0).
    zVector DivReal(f32 scalar) const;
    // Component-wise minimum and maximum of x, y, z.
    zVector Min(const zVector& other) const;
    zVector Max(const zVector& other) const;

    // Distance and squared distance of two points on x, y, z.
    static f32 Dist(const zVector& a, const zVector& b);
    static f32 Dist2(const zVector& a, const zVector& b);

    // The unit vector; a length below 1e-6 gives (0, 0, 0).
    zVector Normalize() const;
    // Each of x, y, z clamped to [lo, hi], the lower bound tested first.
    zVector ClampScalar(f32 lo, f32 hi) const;
    // Each of x, y, z clamped between the components of lo and hi.
    zVector Clamp(const zVector& lo, const zVector& hi) const;
    // Scales the vector so its length lies in [minLength, maxLength]; returned
    // unchanged (all four components) when already inside or when its squared
    // length is at most 1e-6.
    zVector ClampMagnitude(f32 minLength, f32 maxLength) const;
    // The vector itself (all four components) when its dot product with other
    // is negative, otherwise its negation.
    zVector FaceForward(const zVector& other) const;

    // Rotation, scale and translation by a 4x4 matrix.
    zVector ApplyMatrix(const zMatrix4& matrix) const;
    void ApplyMatrixInPlace(const zMatrix4& matrix);
    zVector ApplyRotationMatrix(const zMatrix3& matrix) const;
    void ApplyRotationMatrixInPlace(const zMatrix3& matrix);

    // Sets x, y, z to RandRange(lo, hi), drawn in that order, and w = 1.
    void Randomize(f32 lo, f32 hi);

    // Logs "[S] Vector 'name' = {x,y,z}"; without a name "[S] Vector = {x,y,z}".
    void Print(const char* name = nullptr) const;

    // True when x, y or z differs by more than 1e-6 (w ignored).
    bool DiffersFrom(const zVector& other) const;

    // Scale x, y, z by the scalar or its reciprocal; a zero divisor zeroes
    // them. w is kept.
    void MulRealInPlace(f32 scalar);
    void DivRealInPlace(f32 scalar);
    // All four components: add, component-wise product, and product with the
    // reciprocal of the scalar (no zero test).
    void AddInPlace(const zVector& other);
    void MulInPlace(const zVector& other);
    void DivReal4InPlace(f32 scalar);

    // A hash of the position on a 0.1 grid; equal for points in the same cell.
    u32 SpatialHash() const;
};

struct zVector2 {
    f32 x = 0.0f;
    f32 y = 0.0f;

    constexpr zVector2() = default;
    constexpr zVector2(f32 x, f32 y) : x(x), y(y) {}
};

// x, y or z by axis number 0, 1, 2; any other number reads or writes z.
inline f32 GetVectorAxis(const zVector& v, int axis) {
    return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}
inline void SetVectorAxis(zVector& v, int axis, f32 value) {
    if (axis == 0)
        v.x = value;
    else if (axis == 1)
        v.y = value;
    else
        v.z = value;
}

// Euler angles (radians) that turn +Z toward direction; with up, z is
// the roll that brings the turned X axis onto the given up vector. A zero
// direction gives (0, 0, 0).
zVector EulerFromDirectionUp(const zVector& direction, const zVector* up = nullptr);
