// 3x3 and 4x4 float matrices.
//
// Storage is column by column: the element at row r, column c is m[3c + r] in
// a zMatrix3 and e[4c + r] in a zMatrix4, while every element-wise constructor
// and Set take their arguments row by row. Row r is the image of unit axis r;
// row 3 of a zMatrix4 is the translation, at e[3], e[7], e[11]. Points are row
// vectors on the left: x' = e0 x + e1 y + e2 z + e3, y' = e4 x + ... + e7,
// z' = e8 x + ... + e11. Multiply(A, B) applies B first, then A.
//
// Euler rotation orders 0..6 name the order in which the rotations apply to a
// point: 0 XYZ, 1 XZY, 2 YXZ, 3 YZX, 4 ZXY (the default of items), 5 ZYX,
// 6 YX with z ignored.
//
// Builders are static and return a new matrix; queries return their result;
// only Set*, Copy, Orthonormalize and the zMatrixPair setters change a matrix.
#pragma once

#include <cstddef>

#include "core/types.h"
#include "core/vector.h"

struct zMatrix4;

struct zMatrix3 {
    f32 m[9];

    // The identity.
    constexpr zMatrix3() : m{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f} {}
    // Nine values row by row, as Set.
    constexpr zMatrix3(f32 m00, f32 m01, f32 m02, f32 m10, f32 m11, f32 m12, f32 m20, f32 m21, f32 m22)
        : m{m00, m10, m20, m01, m11, m21, m02, m12, m22} {}

    static const zMatrix3 Identity;

    void Set(f32 m00, f32 m01, f32 m02, f32 m10, f32 m11, f32 m12, f32 m20, f32 m21, f32 m22);
    void Copy(const zMatrix3& source) { *this = source; }

    zMatrix3 Transpose() const;

    // Row r = (m[r], m[r+3], m[r+6]); GetRow gives w = 1.
    zVector GetRow(int row) const;
    void SetRow(int row, const zVector& value);
    void SetRows(const zVector& row0, const zVector& row1, const zVector& row2);
    // Column c = (m[3c], m[3c+1], m[3c+2]); GetColumn gives w = 1.
    zVector GetColumn(int column) const;
    void SetColumn(int column, const zVector& value);

    // The product that applies b first, then a.
    static zMatrix3 Multiply(const zMatrix3& a, const zMatrix3& b);

    // Writes the inverse into out and returns true; a determinant of exactly 0
    // returns false and leaves the adjugate in out.
    bool Inverse(zMatrix3& out) const;

    // count vectors through the matrix (see ApplyRotationMatrix), each with
    // w = 1. out may be in.
    void TransformArray(zVector* out, const zVector* in, size_t count) const;
    // The 2D homogeneous transform: (x, y, 1) through the matrix.
    zVector2 TransformPoint2D(const zVector2& point) const;

    // Rotations by an angle in radians: X turns Y toward Z, Y turns Z toward X,
    // Z turns X toward Y. RotationZ is also the 2D rotation.
    static zMatrix3 RotationX(f32 angle);
    static zMatrix3 RotationY(f32 angle);
    static zMatrix3 RotationZ(f32 angle);
    static zMatrix3 Scale(f32 x, f32 y, f32 z);
    static zMatrix3 Scale2D(f32 x, f32 y);
    // Identity with m[2] = x and m[5] = y.
    static zMatrix3 Translation2D(f32 x, f32 y);
    // Column 0 = (x, y, z), everything else 0.
    static zMatrix3 FromColumn0(const zVector& column);
    // The matrix of p -> p x a.
    static zMatrix3 CrossMatrix(const zVector& a);

    // Rotations about X, Y and Z applied in the given order (0..6); any other
    // order gives the identity.
    static zMatrix3 FromEulerAngles(f32 x, f32 y, f32 z, int order);
    static zMatrix3 FromEuler(const zVector& angles, int order);
    // The Euler angles of a rotation matrix for an order; unknown orders count
    // as 4. Order 6 cannot tell the sign of y.
    zVector AsEuler(int order) const;
    // Rows (side, direction x side, direction), or with up
    // (up x direction, up, direction), direction and up normalised; up is not
    // made perpendicular. A zero direction gives the identity.
    static zMatrix3 FromDirection(const zVector& direction, const zVector* up = nullptr);

    // Rebuilds orthonormal rows from row 0 and the plane of rows 0 and 1.
    void Orthonormalize();

    // The upper 3x3 of a 4x4.
    static zMatrix3 FromMatrix4(const zMatrix4& matrix);

    // Logs the rows as "** |a,b,c|", headed by the name when one is given.
    void Dump(const char* name = nullptr) const;
};

struct zMatrix4 {
    f32 e[16];

    // The identity.
    constexpr zMatrix4()
        : e{1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f} {}
    // Sixteen values row by row, as Set.
    constexpr zMatrix4(f32 m00, f32 m01, f32 m02, f32 m03, f32 m10, f32 m11, f32 m12, f32 m13, f32 m20,
                       f32 m21, f32 m22, f32 m23, f32 m30, f32 m31, f32 m32, f32 m33)
        : e{m00, m10, m20, m30, m01, m11, m21, m31, m02, m12, m22, m32, m03, m13, m23, m33} {}

    static const zMatrix4 Identity;

    void Set(f32 m00, f32 m01, f32 m02, f32 m03, f32 m10, f32 m11, f32 m12, f32 m13, f32 m20, f32 m21,
             f32 m22, f32 m23, f32 m30, f32 m31, f32 m32, f32 m33);

    // Row r = (e[r], e[r+4], e[r+8], e[r+12]); with forceW the w read or
    // written is 1 instead.
    zVector GetRow(int row, bool forceW) const;
    void SetRow(int row, const zVector& value, bool forceW);
    // Column c = e[4c..4c+3], same forceW rule.
    zVector GetColumn(int column, bool forceW) const;
    void SetColumn(int column, const zVector& value, bool forceW);

    // The 3x3 in the upper left, translation 0, e[15] = 1.
    static zMatrix4 FromMatrix3(const zMatrix3& matrix);
    static zMatrix4 Translation(const zVector& offset);
    static zMatrix4 Scale(const zVector& scale);

    // The product that applies b first, then a.
    static zMatrix4 Multiply(const zMatrix4& a, const zMatrix4& b);

    // Full 4x4 in memory order: out_i = sum_j e[4i+j] v_j over all four
    // components. out may be in.
    void TransformArray(zVector* out, const zVector* in, size_t count) const;
    // Upper 3x3 only (directions), w = 1. out may be in.
    void RotateArray(zVector* out, const zVector* in, size_t count) const;
    // Points (w taken as 1) through rotation, scale and translation, w = 1.
    // out may be in.
    void TransformPoints(zVector* out, const zVector* in, size_t count) const;

    // A copy whose upper 3x3 is orthonormalised.
    zMatrix4 Orthonormalized() const;

    // T(position) R(euler, order 4) S(scale) T(offset): a point is moved by
    // offset, scaled, rotated, then moved by position.
    static zMatrix4 Compose(const zVector& position, const zVector& euler, const zVector& scale,
                            const zVector& offset);
    static zMatrix4 ComposeFromMatrix3(const zVector& position, const zMatrix3& rotation,
                                       const zVector& scale, const zVector& offset);
    // Splits a matrix made of translation, rotation and per-axis scale; every
    // output is optional. A mirrored matrix gets a negative x scale; a row of
    // zero scale gives its unit axis in the rotation.
    void Decompose(zVector* position, zVector* scale, zMatrix3* rotation) const;
    void DecomposeEuler(zVector* position, zVector* scale, zVector* euler, int order) const;

    // The inverse of translation, rotation and per-axis scale (not of a general
    // 4x4). A row of zero scale has no inverse; it collapses to 0 instead.
    zMatrix4 Inverse() const;

    // Element by element when linear; otherwise position and scale linearly and
    // the rotation by quaternion slerp.
    static zMatrix4 Interpolate(const zMatrix4& a, const zMatrix4& b, f32 t, bool linear);

    // True as soon as one element differs by more than 1e-6.
    bool DiffersFrom(const zMatrix4& other) const;
};

// A matrix with its inverse kept in step by every setter.
struct zMatrixPair {
    zMatrix4 matrix;
    zMatrix4 inverse;

    void Set(const zMatrix4& value);
    void Set(f32 m00, f32 m01, f32 m02, f32 m03, f32 m10, f32 m11, f32 m12, f32 m13, f32 m20, f32 m21,
             f32 m22, f32 m23, f32 m30, f32 m31, f32 m32, f32 m33);
    void SetRow(int row, const zVector& value, bool forceW);
    void SetColumn(int column, const zVector& value, bool forceW);
    void UpdateInverse();
};
