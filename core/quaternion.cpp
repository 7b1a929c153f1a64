#include "core/quaternion.h"

#include <cmath>

#include "core/log.h"

zQuaternion zQuaternion::Multiply(const zQuaternion& a, const zQuaternion& b) {
    return zQuaternion(
        a.w * b.x + b.w * a.x + a.y * b.z - a.z * b.y, a.w * b.y + b.w * a.y + a.z * b.x - a.x * b.z,
        a.w * b.z + b.w * a.z + a.x * b.y - a.y * b.x, a.w * b.w - (a.x * b.x + a.y * b.y + a.z * b.z));
}

zQuaternion zQuaternion::Normalize() const {
    f32 length = std::sqrt(x * x + y * y + z * z + w * w);
    if (length == 0.0f) return zQuaternion(1.0f, 1.0f, 1.0f, 1.0f);
    f32 inverse = 1.0f / length;
    return zQuaternion(x * inverse, y * inverse, z * inverse, w * inverse);
}

zQuaternion zQuaternion::Inverse() const {
    f32 norm = x * x + y * y + z * z + w * w;
    if (norm <= 0.0f) return *this;
    return zQuaternion(-x / norm, -y / norm, -z / norm, w / norm);
}

zQuaternion zQuaternion::FromAxisAngle(f32 angle, f32 axisX, f32 axisY, f32 axisZ) {
    f32 s = std::sin(angle * 0.5f);
    return zQuaternion(axisX * s, axisY * s, axisZ * s, std::cos(angle * 0.5f)).Normalize();
}

zQuaternion zQuaternion::FromMatrix3(const zMatrix3& matrix) {
    const f32* m = matrix.m;
    zQuaternion q;
    f32 trace = m[0] + m[4] + m[8] + 1.0f;
    if (trace > 0.0f) {
        f32 s = 2.0f * std::sqrt(trace);
        q = zQuaternion((m[7] - m[5]) / s, (m[2] - m[6]) / s, (m[3] - m[1]) / s, s / 4.0f);
    } else if (m[0] > m[4] && m[0] > m[8]) {
        f32 s = 2.0f * std::sqrt(1.0f + m[0] - m[4] - m[8]);
        q = zQuaternion(s / 4.0f, (m[3] + m[1]) / s, (m[6] + m[2]) / s, (m[7] - m[5]) / s);
    } else if (m[4] > m[8]) {
        f32 s = 2.0f * std::sqrt(1.0f + m[4] - m[0] - m[8]);
        q = zQuaternion((m[3] + m[1]) / s, s / 4.0f, (m[7] + m[5]) / s, (m[2] - m[6]) / s);
    } else {
        f32 s = 2.0f * std::sqrt(1.0f + m[8] - m[0] - m[4]);
        q = zQuaternion((m[6] + m[2]) / s, (m[7] + m[5]) / s, s / 4.0f, (m[3] - m[1]) / s);
    }
    return q.Normalize();
}

zMatrix3 zQuaternion::ToMatrix3() const {
    zMatrix3 out;
    out.Set(1.0f - 2.0f * y * y - 2.0f * z * z, 2.0f * x * y + 2.0f * w * z, 2.0f * x * z - 2.0f * w * y,
            2.0f * x * y - 2.0f * w * z, 1.0f - 2.0f * x * x - 2.0f * z * z, 2.0f * y * z + 2.0f * w * x,
            2.0f * x * z + 2.0f * w * y, 2.0f * y * z - 2.0f * w * x, 1.0f - 2.0f * x * x - 2.0f * y * y);
    return out;
}

zQuaternion zQuaternion::FromEuler(f32 x, f32 y, f32 z, int order) {
    zQuaternion qx = FromAxisAngle(x, 1.0f, 0.0f, 0.0f);
    zQuaternion qy = FromAxisAngle(y, 0.0f, 1.0f, 0.0f);
    zQuaternion qz = FromAxisAngle(z, 0.0f, 0.0f, 1.0f);
    // The first rotation applied is rightmost.
    zQuaternion q;
    switch (order) {
    case 0:
        q = Multiply(Multiply(qz, qy), qx);
        break;
    case 1:
        q = Multiply(Multiply(qy, qz), qx);
        break;
    case 2:
        q = Multiply(Multiply(qz, qx), qy);
        break;
    case 3:
        q = Multiply(Multiply(qx, qz), qy);
        break;
    case 5:
        q = Multiply(Multiply(qx, qy), qz);
        break;
    case 6:
        q = Multiply(qx, qy);
        break;
    default:
        q = Multiply(Multiply(qy, qx), qz);
        break;
    }
    return q.Normalize();
}

zQuaternion zQuaternion::FromDirection(const zVector& direction) {
    return FromMatrix3(zMatrix3::FromDirection(direction));
}

zQuaternion zQuaternion::Slerp(f32 t, const zQuaternion& a, const zQuaternion& b) {
    zQuaternion target = b;
    f32 cosine = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    if (cosine < 0.0f) {
        cosine = -cosine;
        target = zQuaternion(-b.x, -b.y, -b.z, -b.w);
    }
    f32 weightA = 1.0f - t;
    f32 weightB = t;
    if (1.0f - cosine >= 0.05f) {
        f32 theta = std::acos(cosine);
        f32 sine = std::sin(theta);
        weightA = std::sin((1.0f - t) * theta) / sine;
        weightB = std::sin(t * theta) / sine;
    }
    return zQuaternion(weightA * a.x + weightB * target.x, weightA * a.y + weightB * target.y,
                       weightA * a.z + weightB * target.z, weightA * a.w + weightB * target.w)
        .Normalize();
}

f32 zQuaternion::Distance(const zQuaternion& a, const zQuaternion& b) {
    f32 dx = a.x - b.x;
    f32 dy = a.y - b.y;
    f32 dz = a.z - b.z;
    f32 dw = a.w - b.w;
    return std::sqrt(dx * dx + dy * dy + dz * dz + dw * dw);
}

void zQuaternion::Dump(const char* name) const {
    zLog& log = GetLog();
    if (name) log << "Dumping quaternion '" << name << "' content:\n";
    log << "{" << x << "," << y << "," << z << "," << w << "}\n\n";
}
