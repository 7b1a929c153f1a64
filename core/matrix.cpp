#include "core/matrix.h"

#include <cassert>
#include <cmath>

#include "core/float_util.h"
#include "core/log.h"
#include "core/quaternion.h"

const zMatrix3 zMatrix3::Identity;
const zMatrix4 zMatrix4::Identity;

// ---- zMatrix3 ----

void zMatrix3::Set(f32 m00, f32 m01, f32 m02, f32 m10, f32 m11, f32 m12, f32 m20, f32 m21, f32 m22) {
    *this = zMatrix3(m00, m01, m02, m10, m11, m12, m20, m21, m22);
}

zMatrix3 zMatrix3::Transpose() const {
    zMatrix3 out;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[3 * c + r] = m[3 * r + c];
    return out;
}

zVector zMatrix3::GetRow(int row) const {
    assert(row >= 0 && row < 3);
    return zVector(m[row], m[row + 3], m[row + 6]);
}

void zMatrix3::SetRow(int row, const zVector& value) {
    assert(row >= 0 && row < 3);
    m[row] = value.x;
    m[row + 3] = value.y;
    m[row + 6] = value.z;
}

void zMatrix3::SetRows(const zVector& row0, const zVector& row1, const zVector& row2) {
    SetRow(0, row0);
    SetRow(1, row1);
    SetRow(2, row2);
}

zVector zMatrix3::GetColumn(int column) const {
    assert(column >= 0 && column < 3);
    return zVector(m[3 * column], m[3 * column + 1], m[3 * column + 2]);
}

void zMatrix3::SetColumn(int column, const zVector& value) {
    assert(column >= 0 && column < 3);
    m[3 * column] = value.x;
    m[3 * column + 1] = value.y;
    m[3 * column + 2] = value.z;
}

zMatrix3 zMatrix3::Multiply(const zMatrix3& a, const zMatrix3& b) {
    f32 p[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            p[3 * i + j] = a.m[3 * i] * b.m[j] + a.m[3 * i + 1] * b.m[3 + j] + a.m[3 * i + 2] * b.m[6 + j];
    // p is in storage order; Set takes rows, so hand it the transpose.
    zMatrix3 out;
    out.Set(p[0], p[3], p[6], p[1], p[4], p[7], p[2], p[5], p[8]);
    return out;
}

bool zMatrix3::Inverse(zMatrix3& out) const {
    zMatrix3 adjugate;
    f32* a = adjugate.m;
    a[0] = m[4] * m[8] - m[5] * m[7];
    a[1] = m[2] * m[7] - m[1] * m[8];
    a[2] = m[1] * m[5] - m[2] * m[4];
    a[3] = m[5] * m[6] - m[3] * m[8];
    a[4] = m[0] * m[8] - m[2] * m[6];
    a[5] = m[2] * m[3] - m[0] * m[5];
    a[6] = m[3] * m[7] - m[4] * m[6];
    a[7] = m[1] * m[6] - m[0] * m[7];
    a[8] = m[0] * m[4] - m[1] * m[3];
    f32 determinant = m[0] * a[0] + m[1] * a[3] + m[2] * a[6];
    out = adjugate;
    if (determinant == 0.0f) return false;
    f32 inverse = 1.0f / determinant;
    for (f32& element : out.m)
        element *= inverse;
    return true;
}

void zMatrix3::TransformArray(zVector* out, const zVector* in, size_t count) const {
    for (size_t i = 0; i < count; ++i)
        out[i] = in[i].ApplyRotationMatrix(*this);
}

zVector2 zMatrix3::TransformPoint2D(const zVector2& point) const {
    return zVector2(m[0] * point.x + m[1] * point.y + m[2], m[3] * point.x + m[4] * point.y + m[5]);
}

zMatrix3 zMatrix3::RotationX(f32 angle) {
    f32 c = std::cos(angle);
    f32 s = std::sin(angle);
    return zMatrix3(1.0f, 0.0f, 0.0f, 0.0f, c, s, 0.0f, -s, c);
}

zMatrix3 zMatrix3::RotationY(f32 angle) {
    f32 c = std::cos(angle);
    f32 s = std::sin(angle);
    return zMatrix3(c, 0.0f, -s, 0.0f, 1.0f, 0.0f, s, 0.0f, c);
}

zMatrix3 zMatrix3::RotationZ(f32 angle) {
    f32 c = std::cos(angle);
    f32 s = std::sin(angle);
    return zMatrix3(c, s, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 1.0f);
}

zMatrix3 zMatrix3::Scale(f32 x, f32 y, f32 z) {
    return zMatrix3(x, 0.0f, 0.0f, 0.0f, y, 0.0f, 0.0f, 0.0f, z);
}

zMatrix3 zMatrix3::Scale2D(f32 x, f32 y) {
    return Scale(x, y, 1.0f);
}

zMatrix3 zMatrix3::Translation2D(f32 x, f32 y) {
    zMatrix3 out;
    out.m[2] = x;
    out.m[5] = y;
    return out;
}

zMatrix3 zMatrix3::FromColumn0(const zVector& column) {
    zMatrix3 out(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    out.SetColumn(0, column);
    return out;
}

zMatrix3 zMatrix3::CrossMatrix(const zVector& a) {
    zMatrix3 out;
    const f32 storage[9] = {0.0f, a.z, -a.y, -a.z, 0.0f, a.x, a.y, -a.x, 0.0f};
    for (int i = 0; i < 9; ++i)
        out.m[i] = storage[i];
    return out;
}

zMatrix3 zMatrix3::FromEulerAngles(f32 x, f32 y, f32 z, int order) {
    zMatrix3 rx = RotationX(x);
    zMatrix3 ry = RotationY(y);
    zMatrix3 rz = RotationZ(z);
    // Multiply(a, b) applies b first, so the first rotation is innermost.
    switch (order) {
    case 0:
        return Multiply(rz, Multiply(ry, rx));
    case 1:
        return Multiply(ry, Multiply(rz, rx));
    case 2:
        return Multiply(rz, Multiply(rx, ry));
    case 3:
        return Multiply(rx, Multiply(rz, ry));
    case 4:
        return Multiply(ry, Multiply(rx, rz));
    case 5:
        return Multiply(rx, Multiply(ry, rz));
    case 6:
        return Multiply(rx, ry);
    default:
        return Identity;
    }
}

zMatrix3 zMatrix3::FromEuler(const zVector& angles, int order) {
    return FromEulerAngles(angles.x, angles.y, angles.z, order);
}

zVector zMatrix3::AsEuler(int order) const {
    zVector angles(0.0f, 0.0f, 0.0f);
    switch (order) {
    case 0:
        angles.y = ClampedAsin(-m[6]);
        angles.z = std::atan2(m[3], m[0]);
        angles.x = std::atan2(m[7], m[8]);
        break;
    case 1:
        angles.z = ClampedAsin(m[3]);
        angles.x = std::atan2(-m[5], m[4]);
        angles.y = std::atan2(-m[6], m[0]);
        break;
    case 2:
        angles.x = ClampedAsin(m[7]);
        angles.y = std::atan2(-m[6], m[8]);
        angles.z = std::atan2(-m[1], m[4]);
        break;
    case 3:
        angles.z = ClampedAsin(-m[1]);
        angles.x = std::atan2(m[7], m[4]);
        angles.y = std::atan2(m[2], m[0]);
        break;
    case 5:
        angles.y = ClampedAsin(m[2]);
        angles.x = std::atan2(-m[5], m[8]);
        angles.z = std::atan2(-m[1], m[0]);
        break;
    case 6:
        angles.y = ClampedAcos(m[0]);
        angles.x = ClampedAcos(m[4]);
        break;
    default:
        angles.x = ClampedAsin(-m[5]);
        angles.y = std::atan2(m[2], m[8]);
        angles.z = std::atan2(m[3], m[4]);
        break;
    }
    return angles;
}

zMatrix3 zMatrix3::FromDirection(const zVector& direction, const zVector* up) {
    zVector d = direction.Normalize();
    if (d.Length2() == 0.0f) return Identity;
    zMatrix3 out;
    if (up) {
        zVector u = up->Normalize();
        out.SetRows(u.Cross(d), u, d);
        return out;
    }
    zVector side(-1.0f, 0.0f, 0.0f);
    if (AbsFloat(d.x) > 1e-6f || AbsFloat(d.z) > 1e-6f) side = zVector(d.z, 0.0f, -d.x).Normalize();
    out.SetRows(side, d.Cross(side), d);
    return out;
}

void zMatrix3::Orthonormalize() {
    zVector axisX = GetRow(0).Normalize();
    zVector axisZ = axisX.Cross(GetRow(1)).Normalize();
    zVector axisY = axisZ.Cross(axisX).Normalize();
    SetRows(axisX, axisY, axisZ);
}

zMatrix3 zMatrix3::FromMatrix4(const zMatrix4& matrix) {
    zMatrix3 out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[3 * i + j] = matrix.e[4 * i + j];
    return out;
}

void zMatrix3::Dump(const char* name) const {
    zLog& log = GetLog();
    if (name) log << "** Dumping matrix '" << name << "' content:\n";
    for (int row = 0; row < 3; ++row) {
        zVector values = GetRow(row);
        log << "** |" << values.x << "," << values.y << "," << values.z << (row == 2 ? "|\n\n" : "|\n");
    }
}

// ---- zMatrix4 ----

void zMatrix4::Set(f32 m00, f32 m01, f32 m02, f32 m03, f32 m10, f32 m11, f32 m12, f32 m13, f32 m20, f32 m21,
                   f32 m22, f32 m23, f32 m30, f32 m31, f32 m32, f32 m33) {
    *this = zMatrix4(m00, m01, m02, m03, m10, m11, m12, m13, m20, m21, m22, m23, m30, m31, m32, m33);
}

zVector zMatrix4::GetRow(int row, bool forceW) const {
    assert(row >= 0 && row < 4);
    return zVector(e[row], e[row + 4], e[row + 8], forceW ? 1.0f : e[row + 12]);
}

void zMatrix4::SetRow(int row, const zVector& value, bool forceW) {
    assert(row >= 0 && row < 4);
    e[row] = value.x;
    e[row + 4] = value.y;
    e[row + 8] = value.z;
    e[row + 12] = forceW ? 1.0f : value.w;
}

zVector zMatrix4::GetColumn(int column, bool forceW) const {
    assert(column >= 0 && column < 4);
    const f32* c = e + 4 * column;
    return zVector(c[0], c[1], c[2], forceW ? 1.0f : c[3]);
}

void zMatrix4::SetColumn(int column, const zVector& value, bool forceW) {
    assert(column >= 0 && column < 4);
    f32* c = e + 4 * column;
    c[0] = value.x;
    c[1] = value.y;
    c[2] = value.z;
    c[3] = forceW ? 1.0f : value.w;
}

zMatrix4 zMatrix4::FromMatrix3(const zMatrix3& matrix) {
    zMatrix4 out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.e[4 * i + j] = matrix.m[3 * i + j];
    return out;
}

zMatrix4 zMatrix4::Translation(const zVector& offset) {
    zMatrix4 out;
    out.e[3] = offset.x;
    out.e[7] = offset.y;
    out.e[11] = offset.z;
    return out;
}

zMatrix4 zMatrix4::Scale(const zVector& scale) {
    zMatrix4 out;
    out.e[0] = scale.x;
    out.e[5] = scale.y;
    out.e[10] = scale.z;
    return out;
}

zMatrix4 zMatrix4::Multiply(const zMatrix4& a, const zMatrix4& b) {
    zMatrix4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out.e[4 * i + j] = a.e[4 * i] * b.e[j] + a.e[4 * i + 1] * b.e[4 + j] +
                               a.e[4 * i + 2] * b.e[8 + j] + a.e[4 * i + 3] * b.e[12 + j];
    return out;
}

void zMatrix4::TransformArray(zVector* out, const zVector* in, size_t count) const {
    for (size_t n = 0; n < count; ++n) {
        const zVector v = in[n];
        f32 result[4];
        for (int i = 0; i < 4; ++i)
            result[i] = e[4 * i] * v.x + e[4 * i + 1] * v.y + e[4 * i + 2] * v.z + e[4 * i + 3] * v.w;
        out[n] = zVector(result[0], result[1], result[2], result[3]);
    }
}

void zMatrix4::RotateArray(zVector* out, const zVector* in, size_t count) const {
    zMatrix3 rotation = zMatrix3::FromMatrix4(*this);
    for (size_t n = 0; n < count; ++n)
        out[n] = in[n].ApplyRotationMatrix(rotation);
}

void zMatrix4::TransformPoints(zVector* out, const zVector* in, size_t count) const {
    for (size_t n = 0; n < count; ++n)
        out[n] = in[n].ApplyMatrix(*this);
}

zMatrix4 zMatrix4::Orthonormalized() const {
    zMatrix3 rotation = zMatrix3::FromMatrix4(*this);
    rotation.Orthonormalize();
    zMatrix4 out = *this;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.e[4 * i + j] = rotation.m[3 * i + j];
    return out;
}

zMatrix4 zMatrix4::Compose(const zVector& position, const zVector& euler, const zVector& scale,
                           const zVector& offset) {
    return ComposeFromMatrix3(position, zMatrix3::FromEuler(euler, 4), scale, offset);
}

zMatrix4 zMatrix4::ComposeFromMatrix3(const zVector& position, const zMatrix3& rotation, const zVector& scale,
                                      const zVector& offset) {
    zMatrix4 scaled = Multiply(Scale(scale), Translation(offset));
    zMatrix4 rotated = Multiply(FromMatrix3(rotation), scaled);
    return Multiply(Translation(position), rotated);
}

void zMatrix4::Decompose(zVector* position, zVector* scale, zMatrix3* rotation) const {
    if (position) *position = GetRow(3, true);
    zVector rows[3] = {GetRow(0, true), GetRow(1, true), GetRow(2, true)};
    f32 lengths[3] = {rows[0].Length(), rows[1].Length(), rows[2].Length()};
    if (rows[0].Dot(rows[1].Cross(rows[2])) < 0.0f) lengths[0] = -lengths[0];
    if (scale) *scale = zVector(lengths[0], lengths[1], lengths[2]);
    if (!rotation) return;
    static const zVector UnitAxes[3] = {zVector(1.0f, 0.0f, 0.0f), zVector(0.0f, 1.0f, 0.0f),
                                        zVector(0.0f, 0.0f, 1.0f)};
    for (int r = 0; r < 3; ++r) {
        zVector row = lengths[r] == 0.0f ? UnitAxes[r] : rows[r].MulReal(1.0f / lengths[r]);
        rotation->SetRow(r, row);
    }
}

void zMatrix4::DecomposeEuler(zVector* position, zVector* scale, zVector* euler, int order) const {
    zMatrix3 rotation;
    Decompose(position, scale, euler ? &rotation : nullptr);
    if (euler) *euler = rotation.AsEuler(order);
}

zMatrix4 zMatrix4::Inverse() const {
    f32 inverseScale[3];
    for (int r = 0; r < 3; ++r) {
        f32 length = GetRow(r, true).Length();
        inverseScale[r] = length == 0.0f ? 0.0f : 1.0f / length;
    }
    zMatrix3 transposed;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            transposed.m[3 * i + j] = e[4 * j + i] * inverseScale[i];
    zVector translation = GetRow(3, true);
    zMatrix4 undoScale = Scale(zVector(inverseScale[0], inverseScale[1], inverseScale[2]));
    zMatrix4 undoMove = Translation(zVector(-translation.x, -translation.y, -translation.z));
    return Multiply(undoScale, Multiply(FromMatrix3(transposed), undoMove));
}

zMatrix4 zMatrix4::Interpolate(const zMatrix4& a, const zMatrix4& b, f32 t, bool linear) {
    zMatrix4 out;
    if (linear) {
        for (int i = 0; i < 16; ++i)
            out.e[i] = a.e[i] + (b.e[i] - a.e[i]) * t;
        return out;
    }
    zVector positionA, scaleA, positionB, scaleB;
    zMatrix3 rotationA, rotationB;
    a.Decompose(&positionA, &scaleA, &rotationA);
    b.Decompose(&positionB, &scaleB, &rotationB);
    zVector position = positionA.Add(positionB.Sub(positionA).MulReal(t));
    zVector scale = scaleA.Add(scaleB.Sub(scaleA).MulReal(t));
    zQuaternion rotation =
        zQuaternion::Slerp(t, zQuaternion::FromMatrix3(rotationA), zQuaternion::FromMatrix3(rotationB));
    return Multiply(Translation(position), Multiply(FromMatrix3(rotation.ToMatrix3()), Scale(scale)));
}

bool zMatrix4::DiffersFrom(const zMatrix4& other) const {
    for (int i = 0; i < 16; ++i)
        if (AbsFloat(e[i] - other.e[i]) > 1e-6f) return true;
    return false;
}

// ---- zMatrixPair ----

void zMatrixPair::Set(const zMatrix4& value) {
    matrix = value;
    UpdateInverse();
}

void zMatrixPair::Set(f32 m00, f32 m01, f32 m02, f32 m03, f32 m10, f32 m11, f32 m12, f32 m13, f32 m20,
                      f32 m21, f32 m22, f32 m23, f32 m30, f32 m31, f32 m32, f32 m33) {
    matrix.Set(m00, m01, m02, m03, m10, m11, m12, m13, m20, m21, m22, m23, m30, m31, m32, m33);
    UpdateInverse();
}

void zMatrixPair::SetRow(int row, const zVector& value, bool forceW) {
    matrix.SetRow(row, value, forceW);
    UpdateInverse();
}

void zMatrixPair::SetColumn(int column, const zVector& value, bool forceW) {
    matrix.SetColumn(column, value, forceW);
    UpdateInverse();
}

void zMatrixPair::UpdateInverse() {
    inverse = matrix.Inverse();
}
