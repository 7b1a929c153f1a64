#include "render/debug_draw.h"

#include <cassert>
#include <cmath>
#include <initializer_list>

#include "render/renderer.h"

namespace {

const f32 White[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const f32 Orange[4] = {1.0f, 0.5f, 0.0f, 1.0f};
const f32 Yellow[4] = {1.0f, 1.0f, 0.0f, 1.0f};
const f32 MinMaxColor[4] = {0.5f, 1.0f, 0.0f, 1.0f};
const f32 CubeColor[4] = {0.0f, 0.5f, 1.0f, 1.0f};

constexpr f32 CircleStep = 0.17453294f; // 10 degrees
constexpr f32 CircleLimit = 6.2831855f; // 2 pi as a float
constexpr u32 SphereSteps = 36;
constexpr f32 TransformedSphereStep = 0.2617994f; // 15 degrees
constexpr u32 TransformedSphereSteps = 24;

// Unit cube corners, -0.5 face then +0.5 face along z, each in ring order.
const zVector WireCorners[8] = {
    {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f},
    {-0.5f, -0.5f, 0.5f},  {0.5f, -0.5f, 0.5f},  {0.5f, 0.5f, 0.5f},  {-0.5f, 0.5f, 0.5f},
};

const zVector SolidCorners[8] = {
    {-0.5f, 0.5f, 0.5f},  {0.5f, 0.5f, 0.5f},  {0.5f, -0.5f, 0.5f},  {-0.5f, -0.5f, 0.5f},
    {-0.5f, 0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {-0.5f, -0.5f, -0.5f},
};

const u8 SolidTriangles[12][3] = {
    {0, 1, 2}, {0, 2, 3}, // z = +0.5
    {4, 5, 1}, {4, 1, 0}, // y = +0.5
    {7, 6, 5}, {7, 5, 4}, // z = -0.5
    {3, 2, 6}, {3, 6, 7}, // y = -0.5
    {2, 1, 5}, {2, 5, 6}, // x = +0.5
    {0, 3, 7}, {0, 7, 4}, // x = -0.5
};

bool IsDrawable(zRenderer* renderer) {
    assert(renderer);
    return renderer && !renderer->IsClosed();
}

// center + M(x, y, z), w = 1.
zVector Place(const zVector& center, const zMatrix3* orientation, f32 x, f32 y, f32 z) {
    if (!orientation) return zVector(center.x + x, center.y + y, center.z + z);
    const zVector r0 = orientation->GetRow(0);
    const zVector r1 = orientation->GetRow(1);
    const zVector r2 = orientation->GetRow(2);
    return zVector(center.x + r0.x * x + r0.y * y + r0.z * z, center.y + r1.x * x + r1.y * y + r1.z * z,
                   center.z + r2.x * x + r2.y * y + r2.z * z);
}

zMatrix4 BoxMatrix(const zOrientedBox& box) {
    return zMatrix4::ComposeFromMatrix3(box.center, box.rotation, box.size, zVector(0.0f, 0.0f, 0.0f));
}

} // namespace

void DrawCross(zRenderer* renderer, const zVector& point, f32 size, const f32* color) {
    if (!IsDrawable(renderer)) return;
    if (!color) color = White;
    const f32 w = point.w;
    renderer->DrawLine(zVector(point.x - size, point.y, point.z, w),
                       zVector(point.x + size, point.y, point.z, w), color);
    renderer->DrawLine(zVector(point.x, point.y - size, point.z, w),
                       zVector(point.x, point.y + size, point.z, w), color);
    renderer->DrawLine(zVector(point.x, point.y, point.z - size, w),
                       zVector(point.x, point.y, point.z + size, w), color);
}

void DrawBox(zRenderer* renderer, const zOrientedBox& box, const f32* color) {
    assert(renderer);
    if (!renderer) return;
    if (!color) color = Orange;
    zVector corners[8];
    BoxMatrix(box).TransformPoints(corners, WireCorners, 8);
    for (int i = 0; i < 4; ++i)
        renderer->DrawLine(corners[i], corners[(i + 1) % 4], color);
    for (int i = 0; i < 4; ++i)
        renderer->DrawLine(corners[4 + i], corners[4 + (i + 1) % 4], color);
    for (int i = 0; i < 4; ++i)
        renderer->DrawLine(corners[i], corners[i + 4], color);
}

void DrawSolidBox(zRenderer* renderer, const zOrientedBox& box, const f32* color, u32 flags) {
    assert(renderer);
    if (!renderer) return;
    if (!color) color = Orange;
    zVector corners[8];
    BoxMatrix(box).TransformPoints(corners, SolidCorners, 8);
    for (const auto& triangle : SolidTriangles) {
        const zVector points[3] = {corners[triangle[0]], corners[triangle[1]], corners[triangle[2]]};
        renderer->DrawTriangle(points, color, nullptr, nullptr, flags);
    }
}

void DrawMinMax(zRenderer* renderer, const zMinMax& box, const f32* color) {
    if (!IsDrawable(renderer)) return;
    if (!color) color = MinMaxColor;
    const f32 x0 = box.min.x, y0 = box.min.y, z0 = box.min.z;
    const f32 x1 = box.max.x, y1 = box.max.y, z1 = box.max.z;
    for (f32 y : {y0, y1}) {
        renderer->DrawLine(zVector(x0, y, z0), zVector(x1, y, z0), color);
        renderer->DrawLine(zVector(x0, y, z0), zVector(x0, y, z1), color);
        renderer->DrawLine(zVector(x1, y, z0), zVector(x1, y, z1), color);
        renderer->DrawLine(zVector(x0, y, z1), zVector(x1, y, z1), color);
    }
    renderer->DrawLine(zVector(x0, y0, z0), zVector(x0, y1, z0), color);
    renderer->DrawLine(zVector(x1, y0, z0), zVector(x1, y1, z0), color);
    renderer->DrawLine(zVector(x1, y0, z1), zVector(x1, y1, z1), color);
    renderer->DrawLine(zVector(x0, y0, z1), zVector(x0, y1, z1), color);
}

void DrawCube(zRenderer* renderer, const zVector& center, f32 halfSize, const f32* color) {
    if (!color) color = CubeColor;
    const zMinMax box(zVector(center.x - halfSize, center.y - halfSize, center.z - halfSize),
                      zVector(center.x + halfSize, center.y + halfSize, center.z + halfSize));
    DrawMinMax(renderer, box, color);
}

void DrawSquare(zRenderer* renderer, const zVector& point, f32 halfSize) {
    if (!IsDrawable(renderer)) return;
    const zVector corners[4] = {
        zVector(point.x - halfSize, point.y - halfSize, point.z, point.w),
        zVector(point.x + halfSize, point.y - halfSize, point.z, point.w),
        zVector(point.x + halfSize, point.y + halfSize, point.z, point.w),
        zVector(point.x - halfSize, point.y + halfSize, point.z, point.w),
    };
    for (int i = 0; i < 4; ++i)
        renderer->DrawLine(corners[i], corners[(i + 1) % 4], White);
}

void DrawCircle(zRenderer* renderer, const zVector& center, f32 radius, const zMatrix3* orientation,
                const f32* color) {
    assert(renderer);
    if (!renderer) return;
    f32 angle = 0.0f;
    f32 next;
    do {
        next = angle + CircleStep;
        const zVector from =
            Place(center, orientation, radius * std::cos(angle), radius * std::sin(angle), 0.0f);
        const zVector to = Place(center, orientation, radius * std::cos(next), radius * std::sin(next), 0.0f);
        renderer->DrawLine(from, to, color);
        angle = next;
    } while (next < CircleLimit);
}

void DrawSphere(zRenderer* renderer, const zVector& center, f32 radius, const f32* color) {
    assert(renderer);
    if (!renderer) return;
    if (!color) color = Yellow;
    f32 angle = 0.0f;
    zVector previous[3];
    for (u32 step = 0; step <= SphereSteps; ++step) {
        const f32 s = radius * std::sin(angle);
        const f32 c = radius * std::cos(angle);
        const zVector points[3] = {
            zVector(center.x, center.y + c, center.z + s),
            zVector(center.x + s, center.y + c, center.z),
            zVector(center.x + c, center.y, center.z + s),
        };
        if (step > 0) {
            for (int i = 0; i < 3; ++i)
                renderer->DrawLine(previous[i], points[i], color);
        }
        for (int i = 0; i < 3; ++i)
            previous[i] = points[i];
        angle += CircleStep;
    }
}

void DrawSphereTransformed(zRenderer* renderer, const zMatrix4& matrix, f32 radius, const f32* color) {
    assert(renderer);
    if (!renderer) return;
    if (!color) color = White;
    const f32* m = matrix.e;
    auto map = [m](f32 x, f32 y, f32 z) {
        return zVector(m[0] * x + m[1] * y + m[2] * z + m[3], m[4] * x + m[5] * y + m[6] * z + m[7],
                       m[8] * x + m[9] * y + m[10] * z + m[11]);
    };
    f32 angle = 0.0f;
    zVector previous[3];
    for (u32 step = 0; step <= TransformedSphereSteps; ++step) {
        const f32 s = radius * std::sin(angle);
        const f32 c = radius * std::cos(angle);
        const zVector points[3] = {map(0.0f, c, s), map(s, c, 0.0f), map(c, 0.0f, s)};
        if (step > 0) {
            for (int i = 0; i < 3; ++i)
                renderer->DrawLine(previous[i], points[i], color);
        }
        for (int i = 0; i < 3; ++i)
            previous[i] = points[i];
        angle += TransformedSphereStep;
    }
}

void DrawCylinder(zRenderer* renderer, const zVector& center, f32 radius, f32 height,
                  const zMatrix3* orientation, const f32* color) {
    assert(renderer);
    if (!renderer) return;
    const f32 half = height / 2.0f;
    DrawCircle(renderer, Place(center, orientation, 0.0f, 0.0f, half), radius, orientation, color);
    DrawCircle(renderer, Place(center, orientation, 0.0f, 0.0f, -half), radius, orientation, color);
    const f32 rim[4][2] = {{radius, 0.0f}, {-radius, 0.0f}, {0.0f, radius}, {0.0f, -radius}};
    for (const auto& p : rim) {
        renderer->DrawLine(Place(center, orientation, p[0], p[1], half),
                           Place(center, orientation, p[0], p[1], -half), color);
    }
}

void DrawCapsule(zRenderer* renderer, const zVector& center, f32 radius, f32 height,
                 const zMatrix3* orientation, const f32* color) {
    assert(renderer);
    if (!renderer) return;
    const f32 half = height / 2.0f;
    DrawSphere(renderer, Place(center, orientation, 0.0f, 0.0f, half), radius, color);
    DrawSphere(renderer, Place(center, orientation, 0.0f, 0.0f, -half), radius, color);
    renderer->DrawLine(Place(center, orientation, radius, 0.0f, half),
                       Place(center, orientation, radius, 0.0f, -half), color);
    renderer->DrawLine(Place(center, orientation, -radius, 0.0f, half),
                       Place(center, orientation, -radius, 0.0f, -half), color);
}

void DrawCone(zRenderer* renderer, const zVector& center, f32 radius, f32 height, const zMatrix3* orientation,
              const f32* color) {
    assert(renderer);
    if (!renderer) return;
    const f32 half = height / 2.0f;
    DrawCircle(renderer, Place(center, orientation, 0.0f, 0.0f, -half), radius, orientation, color);
    const zVector apex = Place(center, orientation, 0.0f, 0.0f, half);
    const f32 rim[4][2] = {{radius, 0.0f}, {-radius, 0.0f}, {0.0f, radius}, {0.0f, -radius}};
    for (const auto& p : rim)
        renderer->DrawLine(apex, Place(center, orientation, p[0], p[1], -half), color);
}
