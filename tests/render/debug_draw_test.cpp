#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "render/debug_draw.h"
#include "render_fixtures.h"

namespace {

const zMatrix3 Turn = zMatrix3::RotationZ(0.5f);

struct ShapeCase {
    const char* name;
    std::function<void(zRenderer*)> draw;
    size_t lines;
    size_t triangles;
    bool skippedWhenClosed;
};

std::vector<ShapeCase> Shapes() {
    const zVector c(1.0f, 2.0f, 3.0f);
    return {
        {"DrawCircle", [c](zRenderer* r) { DrawCircle(r, c, 2.0f, &Turn, nullptr); }, 37, 0, false},
        {"DrawSphere", [c](zRenderer* r) { DrawSphere(r, c, 2.0f); }, 108, 0, false},
        {"DrawSphereTransformed", [](zRenderer* r) { DrawSphereTransformed(r, zMatrix4(), 2.0f); }, 72, 0,
         false},
        {"DrawCylinder", [c](zRenderer* r) { DrawCylinder(r, c, 1.0f, 2.0f, &Turn, nullptr); }, 78, 0, false},
        {"DrawCapsule", [c](zRenderer* r) { DrawCapsule(r, c, 1.0f, 2.0f, nullptr, nullptr); }, 218, 0,
         false},
        {"DrawCone", [c](zRenderer* r) { DrawCone(r, c, 1.0f, 2.0f, nullptr, nullptr); }, 41, 0, false},
        {"DrawBox", [](zRenderer* r) { DrawBox(r, zOrientedBox()); }, 12, 0, false},
        {"DrawSolidBox", [](zRenderer* r) { DrawSolidBox(r, zOrientedBox(), nullptr, 0); }, 0, 12, false},
        {"DrawMinMax", [](zRenderer* r) { DrawMinMax(r, zMinMax()); }, 12, 0, true},
        {"DrawCube", [c](zRenderer* r) { DrawCube(r, c, 1.0f); }, 12, 0, true},
        {"DrawCross", [c](zRenderer* r) { DrawCross(r, c, 1.0f); }, 3, 0, true},
        {"DrawSquare", [c](zRenderer* r) { DrawSquare(r, c, 1.0f); }, 4, 0, true},
        // A radius of 0 still issues every segment.
        {"DrawCircle radius 0", [c](zRenderer* r) { DrawCircle(r, c, 0.0f, nullptr, nullptr); }, 37, 0,
         false},
        {"DrawCapsule zero size", [c](zRenderer* r) { DrawCapsule(r, c, 0.0f, 0.0f, nullptr, nullptr); }, 218,
         0, false},
        {"DrawSphere radius 0", [c](zRenderer* r) { DrawSphere(r, c, 0.0f); }, 108, 0, false},
        {"DrawSphereTransformed radius 0", [](zRenderer* r) { DrawSphereTransformed(r, zMatrix4(), 0.0f); },
         72, 0, false},
        {"DrawCylinder zero size", [c](zRenderer* r) { DrawCylinder(r, c, 0.0f, 0.0f, nullptr, nullptr); },
         78, 0, false},
        {"DrawCone zero size", [c](zRenderer* r) { DrawCone(r, c, 0.0f, 0.0f, nullptr, nullptr); }, 41, 0,
         false},
        {"DrawBox zero size",
         [](zRenderer* r) {
             const zVector centre, size(0.0f, 0.0f, 0.0f);
             DrawBox(r, zOrientedBox(&centre, &size));
         },
         12, 0, false},
    };
}

bool Same(const zVector& a, const zVector& b) {
    return std::fabs(a.x - b.x) < 1e-5f && std::fabs(a.y - b.y) < 1e-5f && std::fabs(a.z - b.z) < 1e-5f &&
           std::fabs(a.w - b.w) < 1e-5f;
}

} // namespace

TEST(DebugDraw, CallCountsOpenAndClosed) {
    for (const auto& shape : Shapes()) {
        for (bool open : {true, false}) {
            FakeRenderHost host;
            RecordingRenderer renderer(&host, false);
            if (open) renderer.Open(64, 64, 32, false);
            shape.draw(&renderer);
            const bool skipped = !open && shape.skippedWhenClosed;
            EXPECT_EQ(renderer.lines.size(), skipped ? 0u : shape.lines) << shape.name << " open " << open;
            EXPECT_EQ(renderer.triangles.size(), skipped ? 0u : shape.triangles)
                << shape.name << " open " << open;
        }
    }
}

// The circle's count depends on accumulating the angle as a float: a double
// loop stops one segment early.
TEST(DebugDraw, CircleAccumulatesAngleInSinglePrecision) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    DrawCircle(&renderer, zVector(), 1.0f, nullptr, nullptr);
    ASSERT_EQ(renderer.lines.size(), 37u);
    EXPECT_TRUE(Same(renderer.lines[0].from, zVector(1.0f, 0.0f, 0.0f)));
    // The last segment lies over the first.
    EXPECT_NEAR(renderer.lines[36].to.x, renderer.lines[0].to.x, 1e-4f);
    EXPECT_NEAR(renderer.lines[36].to.y, renderer.lines[0].to.y, 1e-4f);
}

TEST(DebugDraw, MinMaxSegmentsAndDefaultColour) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    renderer.Open(64, 64, 32, false);
    DrawMinMax(&renderer, zMinMax(zVector(0.0f, 0.0f, 0.0f), zVector(1.0f, 2.0f, 3.0f)));
    ASSERT_EQ(renderer.lines.size(), 12u);
    EXPECT_TRUE(Same(renderer.lines[0].from, zVector(0, 0, 0)));
    EXPECT_TRUE(Same(renderer.lines[0].to, zVector(1, 0, 0)));
    EXPECT_TRUE(Same(renderer.lines[4].from, zVector(0, 2, 0)));
    EXPECT_TRUE(Same(renderer.lines[4].to, zVector(1, 2, 0)));
    EXPECT_TRUE(Same(renderer.lines[8].from, zVector(0, 0, 0)));
    EXPECT_TRUE(Same(renderer.lines[8].to, zVector(0, 2, 0)));
    EXPECT_TRUE(Same(renderer.lines[11].from, zVector(0, 0, 3)));
    EXPECT_TRUE(Same(renderer.lines[11].to, zVector(0, 2, 3)));
    const f32* colour = renderer.lines[0].color;
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour[0], 0.5f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 0.0f);
    EXPECT_EQ(colour[3], 1.0f);
}

TEST(DebugDraw, SolidBoxCornersInOrderWithCallerFlags) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    const zVector centre(10.0f, 0.0f, 0.0f);
    const zVector size(2.0f, 2.0f, 2.0f);
    const f32 colour[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    DrawSolidBox(&renderer, zOrientedBox(&centre, &size), colour, 0x2008);
    ASSERT_EQ(renderer.triangles.size(), 12u);
    const zVector c0(9.0f, 1.0f, 1.0f), c1(11.0f, 1.0f, 1.0f), c2(11.0f, -1.0f, 1.0f), c4(9.0f, 1.0f, -1.0f);
    const zVector c7(9.0f, -1.0f, -1.0f);
    EXPECT_TRUE(Same(renderer.triangles[0].corners[0], c0));
    EXPECT_TRUE(Same(renderer.triangles[0].corners[1], c1));
    EXPECT_TRUE(Same(renderer.triangles[0].corners[2], c2));
    EXPECT_TRUE(Same(renderer.triangles[2].corners[0], c4));
    EXPECT_TRUE(Same(renderer.triangles[11].corners[0], c0));
    EXPECT_TRUE(Same(renderer.triangles[11].corners[1], c7));
    EXPECT_TRUE(Same(renderer.triangles[11].corners[2], c4));
    for (const auto& triangle : renderer.triangles) {
        EXPECT_EQ(triangle.flags, 0x2008u);
        EXPECT_EQ(triangle.color, colour);
        EXPECT_EQ(triangle.uvs, nullptr);
        EXPECT_EQ(triangle.texture, nullptr);
    }
}

TEST(DebugDraw, NullColourPassesThroughOrTakesTheShapeDefault) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    renderer.Open(64, 64, 32, false);

    DrawCircle(&renderer, zVector(), 1.0f, nullptr, nullptr);
    for (const auto& line : renderer.lines)
        EXPECT_EQ(line.color, nullptr);

    renderer.lines.clear();
    DrawCylinder(&renderer, zVector(), 1.0f, 1.0f, nullptr, nullptr);
    for (const auto& line : renderer.lines)
        EXPECT_EQ(line.color, nullptr);

    struct DefaultCase {
        const char* name;
        std::function<void(zRenderer*)> draw;
        f32 expected[4];
    };
    const DefaultCase defaults[] = {
        {"DrawCross", [](zRenderer* r) { DrawCross(r, zVector(), 1.0f); }, {1, 1, 1, 1}},
        {"DrawSquare", [](zRenderer* r) { DrawSquare(r, zVector(), 1.0f); }, {1, 1, 1, 1}},
        {"DrawBox", [](zRenderer* r) { DrawBox(r, zOrientedBox()); }, {1, 0.5f, 0, 1}},
        {"DrawCube", [](zRenderer* r) { DrawCube(r, zVector(), 1.0f); }, {0, 0.5f, 1, 1}},
        {"DrawSphere", [](zRenderer* r) { DrawSphere(r, zVector(), 1.0f); }, {1, 1, 0, 1}},
        {"DrawSphereTransformed",
         [](zRenderer* r) { DrawSphereTransformed(r, zMatrix4(), 1.0f); },
         {1, 1, 1, 1}},
    };
    for (const auto& c : defaults) {
        renderer.lines.clear();
        c.draw(&renderer);
        ASSERT_FALSE(renderer.lines.empty()) << c.name;
        for (const auto& line : renderer.lines) {
            ASSERT_NE(line.color, nullptr) << c.name;
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(line.color[i], c.expected[i]) << c.name;
        }
    }
}

TEST(DebugDraw, CrossKeepsThePointsW) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    renderer.Open(64, 64, 32, false);
    DrawCross(&renderer, zVector(1.0f, 2.0f, 3.0f, 0.5f), 2.0f);
    ASSERT_EQ(renderer.lines.size(), 3u);
    EXPECT_TRUE(Same(renderer.lines[0].from, zVector(-1.0f, 2.0f, 3.0f, 0.5f)));
    EXPECT_TRUE(Same(renderer.lines[1].to, zVector(1.0f, 4.0f, 3.0f, 0.5f)));
    EXPECT_TRUE(Same(renderer.lines[2].from, zVector(1.0f, 2.0f, 1.0f, 0.5f)));
}

TEST(DebugDraw, SphereTransformedUsesTheMatrixTranslation) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    DrawSphereTransformed(&renderer, zMatrix4::Translation(zVector(5.0f, 6.0f, 7.0f)), 1.0f);
    // First circle starts at local (0, 1, 0).
    EXPECT_TRUE(Same(renderer.lines[0].from, zVector(5.0f, 7.0f, 7.0f)));
}

TEST(DebugDraw, OrientationTurnsTheCircle) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    const zMatrix3 swapXZ(0, 0, 1, 0, 1, 0, 1, 0, 0); // rows: x <- z, z <- x
    DrawCircle(&renderer, zVector(), 2.0f, &swapXZ, nullptr);
    EXPECT_TRUE(Same(renderer.lines[0].from, zVector(0.0f, 0.0f, 2.0f)));
}

TEST(DebugDraw, SolidBoxCornerTriplesInCallOrder) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    const zVector centre(0.0f, 0.0f, 0.0f);
    const zVector size(2.0f, 4.0f, 6.0f);
    DrawSolidBox(&renderer, zOrientedBox(&centre, &size), nullptr, 0);
    const zVector c[8] = {
        {-1.0f, 2.0f, 3.0f},  {1.0f, 2.0f, 3.0f},  {1.0f, -2.0f, 3.0f},  {-1.0f, -2.0f, 3.0f},
        {-1.0f, 2.0f, -3.0f}, {1.0f, 2.0f, -3.0f}, {1.0f, -2.0f, -3.0f}, {-1.0f, -2.0f, -3.0f},
    };
    const int triples[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 1}, {4, 1, 0}, {7, 6, 5}, {7, 5, 4},
                                {3, 2, 6}, {3, 6, 7}, {2, 1, 5}, {2, 5, 6}, {0, 3, 7}, {0, 7, 4}};
    ASSERT_EQ(renderer.triangles.size(), 12u);
    for (int t = 0; t < 12; ++t) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(Same(renderer.triangles[t].corners[k], c[triples[t][k]]))
                << "triangle " << t << " corner " << k;
        }
        ASSERT_NE(renderer.triangles[t].color, nullptr);
        EXPECT_EQ(renderer.triangles[t].color[0], 1.0f);
        EXPECT_EQ(renderer.triangles[t].color[1], 0.5f);
        EXPECT_EQ(renderer.triangles[t].color[2], 0.0f);
        EXPECT_EQ(renderer.triangles[t].color[3], 1.0f);
    }
}

// The wire box: the face at one -0.5 side, the face at +0.5, then the four
// joining edges, scaled by the box size and moved to its centre.
TEST(DebugDraw, BoxEdgesAreTheScaledAndMovedUnitCube) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    const zVector centre(10.0f, 20.0f, 30.0f);
    const zVector size(2.0f, 4.0f, 6.0f);
    DrawBox(&renderer, zOrientedBox(&centre, &size));
    ASSERT_EQ(renderer.lines.size(), 12u);
    auto inBox = [&](const zVector& p) {
        return std::fabs(std::fabs(p.x - 10.0f) - 1.0f) < 1e-4f &&
               std::fabs(std::fabs(p.y - 20.0f) - 2.0f) < 1e-4f &&
               std::fabs(std::fabs(p.z - 30.0f) - 3.0f) < 1e-4f && p.w == 1.0f;
    };
    std::vector<std::string> edges;
    for (size_t i = 0; i < 12; ++i) {
        const RecordedLine& line = renderer.lines[i];
        EXPECT_TRUE(inBox(line.from) && inBox(line.to)) << "line " << i;
        const f32 dx = std::fabs(line.to.x - line.from.x);
        const f32 dy = std::fabs(line.to.y - line.from.y);
        const f32 dz = std::fabs(line.to.z - line.from.z);
        // Every edge runs along exactly one axis, with that axis' full length.
        const bool alongX = std::fabs(dx - 2.0f) < 1e-4f && dy < 1e-4f && dz < 1e-4f;
        const bool alongY = dx < 1e-4f && std::fabs(dy - 4.0f) < 1e-4f && dz < 1e-4f;
        const bool alongZ = dx < 1e-4f && dy < 1e-4f && std::fabs(dz - 6.0f) < 1e-4f;
        EXPECT_EQ(int(alongX) + int(alongY) + int(alongZ), 1) << "line " << i;
        auto point = [](const zVector& p) {
            return std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z);
        };
        const std::string from = point(line.from), to = point(line.to);
        edges.push_back(from < to ? from + "-" + to : to + "-" + from);
    }
    std::sort(edges.begin(), edges.end());
    EXPECT_EQ(std::unique(edges.begin(), edges.end()), edges.end()) << "an edge drawn twice";
    // The first four share one face, the next four the opposite face, and the
    // last four each join the two faces.
    const f32 firstFace = renderer.lines[0].from.z;
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(renderer.lines[i].from.z, firstFace);
        EXPECT_FLOAT_EQ(renderer.lines[i].to.z, firstFace);
        EXPECT_FLOAT_EQ(renderer.lines[4 + i].from.z, 60.0f - firstFace);
        EXPECT_FLOAT_EQ(renderer.lines[4 + i].to.z, 60.0f - firstFace);
        EXPECT_FLOAT_EQ(std::fabs(renderer.lines[8 + i].to.z - renderer.lines[8 + i].from.z), 6.0f);
    }
    EXPECT_FLOAT_EQ(firstFace, 27.0f); // the face at -0.5 comes first
}
