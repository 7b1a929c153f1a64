// Unit quaternions for blending rotations: (x, y, z) the vector part, w the
// scalar. A quaternion rotates like its ToMatrix3 (conventions of
// core/matrix.h); Multiply(a, b) applies b first. Builders return normalised
// results.
#pragma once

#include "core/matrix.h"
#include "core/types.h"

struct zQuaternion {
    f32 x = 0.0f;
    f32 y = 0.0f;
    f32 z = 0.0f;
    f32 w = 1.0f;

    constexpr zQuaternion() = default;
    constexpr zQuaternion(f32 x, f32 y, f32 z, f32 w) : x(x), y(y), z(z), w(w) {}

    // Hamilton product a.b.
    static zQuaternion Multiply(const zQuaternion& a, const zQuaternion& b);
    // Divided by its 4D length; a length of exactly 0 gives (1, 1, 1, 1), which
    // stored key tracks may rely on.
    zQuaternion Normalize() const;
    // (-x, -y, -z, w) / squared length; a squared length <= 0 gives the input.
    zQuaternion Inverse() const;

    // (axis sin(angle/2), cos(angle/2)) normalised as a whole; the axis is not
    // normalised first.
    static zQuaternion FromAxisAngle(f32 angle, f32 axisX, f32 axisY, f32 axisZ);
    static zQuaternion FromMatrix3(const zMatrix3& matrix);
    zMatrix3 ToMatrix3() const;
    // The rotation of zMatrix3::FromEulerAngles for the same order; unknown
    // orders count as 4.
    static zQuaternion FromEuler(f32 x, f32 y, f32 z, int order);
    static zQuaternion FromDirection(const zVector& direction);

    // Spherical blend along the shortest arc, linear when the two are close.
    static zQuaternion Slerp(f32 t, const zQuaternion& a, const zQuaternion& b);
    // Euclidean distance of the four components.
    static f32 Distance(const zQuaternion& a, const zQuaternion& b);

    // Logs "{x,y,z,w}", headed by the name when one is given.
    void Dump(const char* name = nullptr) const;
};
