#include "core/vector.h"

#include <cmath>

#include "core/float_util.h"
#include "core/log.h"
#include "core/matrix.h"
#include "core/random.h"

namespace {

constexpr f32 Pi = 3.14159265f;
constexpr f32 VectorTolerance = 1e-6f;

// Float to int by truncation, clamped so that huge or NaN values stay defined.
i32 TruncateToInt(f32 value) {
    if (!(value == value)) return 0;
    if (value >= 2147483648.0f) return 2147483647;
    if (value < -2147483648.0f) return -2147483647 - 1;
    return static_cast<i32>(value);
}

} // namespace

f32 zVector::Dot(const zVector& other) const {
    return x * other.x + y * other.y + z * other.z;
}

f32 zVector::Length() const {
    return std::sqrt(Length2());
}

f32 zVector::Length2() const {
    return x * x + y * y + z * z;
}

zVector zVector::Cross(const zVector& other) const {
    return zVector(y * other.z - z * other.y, z * other.x - x * other.z, x * other.y - y * other.x);
}

zVector zVector::Add(const zVector& other) const {
    return zVector(x + other.x, y + other.y, z + other.z);
}

zVector zVector::Sub(const zVector& other) const {
    return zVector(x - other.x, y - other.y, z - other.z);
}

zVector zVector::Mul(const zVector& other) const {
    return zVector(x * other.x, y * other.y, z * other.z);
}

zVector zVector::Div(const zVector& other) const {
    return zVector(x / other.x, y / other.y, z / other.z);
}

zVector zVector::MulReal(f32 scalar) const {
    return zVector(x * scalar, y * scalar, z * scalar);
}

zVector zVector::DivReal(f32 scalar) const {
    if (scalar == 0.0f) return zVector(0.0f, 0.0f, 0.0f);
    f32 inverse = 1.0f / scalar;
    return zVector(x * inverse, y * inverse, z * inverse);
}

zVector zVector::Min(const zVector& other) const {
    return zVector(other.x < x ? other.x : x, other.y < y ? other.y : y, other.z < z ? other.z : z);
}

zVector zVector::Max(const zVector& other) const {
    return zVector(other.x > x ? other.x : x, other.y > y ? other.y : y, other.z > z ? other.z : z);
}

f32 zVector::Dist(const zVector& a, const zVector& b) {
    return std::sqrt(Dist2(a, b));
}

f32 zVector::Dist2(const zVector& a, const zVector& b) {
    f32 dx = a.x - b.x;
    f32 dy = a.y - b.y;
    f32 dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

zVector zVector::Normalize() const {
    f32 length = Length();
    if (length < VectorTolerance) return zVector(0.0f, 0.0f, 0.0f);
    f32 inverse = 1.0f / length;
    return zVector(x * inverse, y * inverse, z * inverse);
}

namespace {

f32 ClampComponent(f32 value, f32 lo, f32 hi) {
    if (value < lo) return lo;
    if (value > hi) return hi;
    return value;
}

} // namespace

zVector zVector::ClampScalar(f32 lo, f32 hi) const {
    return zVector(ClampComponent(x, lo, hi), ClampComponent(y, lo, hi), ClampComponent(z, lo, hi));
}

zVector zVector::Clamp(const zVector& lo, const zVector& hi) const {
    return zVector(ClampComponent(x, lo.x, hi.x), ClampComponent(y, lo.y, hi.y),
                   ClampComponent(z, lo.z, hi.z));
}

zVector zVector::ClampMagnitude(f32 minLength, f32 maxLength) const {
    f32 length2 = Length2();
    if (length2 >= minLength * minLength && length2 <= maxLength * maxLength) return *this;
    if (length2 <= VectorTolerance) return *this;
    f32 length = std::sqrt(length2);
    f32 clamped = ClampComponent(length, minLength, maxLength);
    f32 factor = clamped / length;
    return zVector(x * factor, y * factor, z * factor);
}

zVector zVector::FaceForward(const zVector& other) const {
    if (Dot(other) < 0.0f) return *this;
    return zVector(-x, -y, -z);
}

zVector zVector::ApplyMatrix(const zMatrix4& matrix) const {
    const f32* e = matrix.e;
    return zVector(e[0] * x + e[1] * y + e[2] * z + e[3], e[4] * x + e[5] * y + e[6] * z + e[7],
                   e[8] * x + e[9] * y + e[10] * z + e[11]);
}

void zVector::ApplyMatrixInPlace(const zMatrix4& matrix) {
    *this = ApplyMatrix(matrix);
}

zVector zVector::ApplyRotationMatrix(const zMatrix3& matrix) const {
    const f32* m = matrix.m;
    return zVector(m[0] * x + m[1] * y + m[2] * z, m[3] * x + m[4] * y + m[5] * z,
                   m[6] * x + m[7] * y + m[8] * z);
}

void zVector::ApplyRotationMatrixInPlace(const zMatrix3& matrix) {
    *this = ApplyRotationMatrix(matrix);
}

void zVector::Randomize(f32 lo, f32 hi) {
    x = RandRange(lo, hi);
    y = RandRange(lo, hi);
    z = RandRange(lo, hi);
    w = 1.0f;
}

void zVector::Print(const char* name) const {
    zLog& log = GetLog();
    if (name)
        log << "[S] Vector '" << name << "' = {";
    else
        log << "[S] Vector = {";
    log << x << "," << y << "," << z << "}\n";
}

bool zVector::DiffersFrom(const zVector& other) const {
    return AbsFloat(x - other.x) > VectorTolerance || AbsFloat(y - other.y) > VectorTolerance ||
           AbsFloat(z - other.z) > VectorTolerance;
}

void zVector::MulRealInPlace(f32 scalar) {
    x *= scalar;
    y *= scalar;
    z *= scalar;
}

void zVector::DivRealInPlace(f32 scalar) {
    if (scalar == 0.0f) {
        x = y = z = 0.0f;
        return;
    }
    MulRealInPlace(1.0f / scalar);
}

void zVector::AddInPlace(const zVector& other) {
    x += other.x;
    y += other.y;
    z += other.z;
    w += other.w;
}

void zVector::MulInPlace(const zVector& other) {
    x *= other.x;
    y *= other.y;
    z *= other.z;
    w *= other.w;
}

void zVector::DivReal4InPlace(f32 scalar) {
    f32 inverse = 1.0f / scalar;
    x *= inverse;
    y *= inverse;
    z *= inverse;
    w *= inverse;
}

u32 zVector::SpatialHash() const {
    u32 hx = static_cast<u32>(TruncateToInt(10.0f * x));
    u32 hy = static_cast<u32>(TruncateToInt(-10.0f * y));
    u32 hz = static_cast<u32>(TruncateToInt(10.0f * z));
    return hy * 669632447u - hz * 887442657u - hx * 1918454973u;
}

zVector EulerFromDirectionUp(const zVector& direction, const zVector* up) {
    zVector angles(0.0f, 0.0f, 0.0f);
    f32 length = direction.Length();
    if (!(length > 0.0f)) return angles;
    angles.x = -ClampedAsin(direction.y / length);
    f32 horizontal = std::sqrt(direction.x * direction.x + direction.z * direction.z);
    if (horizontal > 1e-5f) {
        angles.y = ClampedAsin(direction.x / horizontal);
        if (direction.z < 0.0f) angles.y = angles.y >= 0.0f ? Pi - angles.y : -(angles.y + Pi);
    }
    if (!up) return angles;

    zVector unitUp = up->Normalize();
    zVector turnedX = zVector(1.0f, 0.0f, 0.0f)
                          .ApplyRotationMatrix(zMatrix3::RotationY(angles.y))
                          .ApplyRotationMatrix(zMatrix3::RotationX(angles.x));
    f32 cosine = turnedX.Dot(unitUp);
    if (cosine >= 1.0f)
        angles.z = 0.0f;
    else if (cosine <= -1.0f)
        angles.z = Pi;
    else
        angles.z = std::acos(cosine);
    if (direction.Dot(turnedX.Cross(unitUp)) < 0.0f) angles.z = 2.0f * Pi - angles.z;
    return angles;
}
