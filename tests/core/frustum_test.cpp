#include <gtest/gtest.h>

#include <cmath>

#include "core/frustum.h"
#include "tests/core/math_expect.h"

namespace {

// Width and height 10, zoom 1, near 1, far 100.
zFrustum Orthographic(const zMatrix4* matrix = nullptr) {
    zFrustum frustum;
    frustum.SetOrthographic(10, 10, 1, 100, matrix, 1, 1);
    return frustum;
}

// A quarter-turn opening, near 1, far 100.
zFrustum Perspective(const zMatrix4* matrix = nullptr) {
    zFrustum frustum;
    frustum.SetPerspective(MathPi / 2, 1, 100, matrix, 1, 1);
    return frustum;
}

TEST(Frustum, PerspectivePlanesAndCorners) {
    zFrustum f = Perspective();
    float h = std::sqrt(0.5f);
    const zVector normals[6] = {zVector(0, h, -h), zVector(0, -h, -h), zVector(-h, 0, -h),
                                zVector(h, 0, -h), zVector(0, 0, -1),  zVector(0, 0, 1)};
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(VectorNear(f.planes[i].normal, normals[i])) << i;
    EXPECT_NEAR(f.planes[zFrustum::Near].d, 1.0f, 1e-6f);
    EXPECT_NEAR(f.planes[zFrustum::Far].d, -100.0f, 1e-6f);
    EXPECT_NEAR(f.planes[zFrustum::Top].d, 0.0f, 1e-6f);
    const zVector corners[8] = {zVector(-1, 1, 1),       zVector(1, 1, 1),        zVector(1, -1, 1),
                                zVector(-1, -1, 1),      zVector(-100, 100, 100), zVector(100, 100, 100),
                                zVector(100, -100, 100), zVector(-100, -100, 100)};
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(VectorNear(f.corners[i], corners[i], 1e-4f)) << i;
}

TEST(Frustum, PerspectiveAspectNarrowsOneSide) {
    zFrustum f;
    f.SetPerspective(MathPi / 2, 1, 10, nullptr, 2, 1);
    // tan of the horizontal half angle is tan(45 degrees) / 2.
    EXPECT_TRUE(VectorNear(f.corners[1], zVector(0.5f, 1, 1)));
    EXPECT_TRUE(VectorNear(f.corners[6], zVector(5, -10, 10)));
}

TEST(Frustum, OrthographicPlanesAndCorners) {
    zFrustum f;
    f.SetOrthographic(10, 4, 2, 50, nullptr, 2, 0.5f);
    EXPECT_NEAR(f.planes[zFrustum::Top].Distance(zVector(0, 1, 5)), 0.0f, 1e-6f);
    EXPECT_NEAR(f.planes[zFrustum::Left].Distance(zVector(-10, 0, 5)), 0.0f, 1e-6f);
    EXPECT_TRUE(VectorNear(f.corners[0], zVector(-10, 1, 2)));
    EXPECT_TRUE(VectorNear(f.corners[6], zVector(10, -1, 50)));
}

TEST(Frustum, ClassifySphere) {
    zFrustum ortho = Orthographic();
    zFrustum perspective = Perspective();
    struct Case {
        const char* name;
        const zFrustum* frustum;
        zVector center;
        float radius;
        int expected;
    } cases[] = {
        {"orthographic inside", &ortho, zVector(4, 0, 10), 1, ClassifyInside},
        {"orthographic outside", &ortho, zVector(7, 0, 10), 1, ClassifyOutside},
        {"orthographic across a side", &ortho, zVector(5.5f, 0, 10), 1, ClassifyIntersecting},
        {"touching from outside", &ortho, zVector(6, 0, 10), 1, ClassifyIntersecting},
        {"before near", &ortho, zVector(0, 0, -1), 1, ClassifyOutside},
        {"beyond far", &ortho, zVector(0, 0, 102), 1, ClassifyOutside},
        {"perspective inside", &perspective, zVector(0, 0, 50), 1, ClassifyInside},
        {"perspective outside a side", &perspective, zVector(60, 0, 50), 1, ClassifyOutside},
        {"perspective across far", &perspective, zVector(0, 0, 100), 1, ClassifyIntersecting},
        {"around the whole volume", &perspective, zVector(0, 0, 50), 1000, ClassifyIntersecting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.frustum->ClassifySphere(c.center, c.radius), c.expected);
    }
}

TEST(Frustum, MatrixMovesTheVolume) {
    zMatrix4 moved = zMatrix4::Translation(zVector(100, 0, 0));
    zFrustum f = Perspective(&moved);
    EXPECT_EQ(f.ClassifySphere(zVector(100, 0, 50), 1), ClassifyInside);
    EXPECT_EQ(f.ClassifySphere(zVector(0, 0, 50), 1), ClassifyOutside);
    EXPECT_TRUE(VectorNear(f.corners[0], zVector(99, 1, 1), 1e-4f));

    // Turned a quarter about Y, the camera looks along +X.
    zMatrix4 turned =
        zMatrix4::Compose(zVector(0, 0, 0), zVector(0, MathPi / 2, 0), zVector(1, 1, 1), zVector(0, 0, 0));
    zFrustum g = Perspective(&turned);
    EXPECT_EQ(g.ClassifySphere(zVector(50, 0, 0), 1), ClassifyInside);
    EXPECT_EQ(g.ClassifySphere(zVector(0, 0, 50), 1), ClassifyOutside);
    zFrustum o = Orthographic(&turned);
    EXPECT_EQ(o.ClassifySphere(zVector(50, 0, 4), 0.5f), ClassifyInside);
    EXPECT_EQ(o.ClassifySphere(zVector(50, 0, 7), 0.5f), ClassifyOutside);
}

TEST(Frustum, ClassifyPoints) {
    zFrustum f = Orthographic();
    const zVector inside[] = {zVector(0, 0, 10), zVector(1, 1, 50), zVector(-4, 4, 99)};
    EXPECT_EQ(f.ClassifyPoints(3, inside, 0.0f), ClassifyInside);
    // Every point beyond the right plane but within the other five.
    const zVector beyondRight[] = {zVector(6, 0, 10), zVector(9, 4, 50), zVector(5.5f, -4, 90)};
    EXPECT_EQ(f.ClassifyPoints(3, beyondRight, 0.0f), ClassifyOutside);
    const zVector straddling[] = {zVector(0, 0, 10), zVector(6, 0, 10)};
    EXPECT_EQ(f.ClassifyPoints(2, straddling, 0.0f), ClassifyIntersecting);
    // Spread over two planes, no plane has them all: not separated by this test.
    const zVector twoSides[] = {zVector(6, 0, 10), zVector(-6, 0, 10)};
    EXPECT_EQ(f.ClassifyPoints(2, twoSides, 0.0f), ClassifyIntersecting);
    // Within the tolerance a point still counts as inside.
    const zVector nearSide[] = {zVector(5.05f, 0, 10)};
    EXPECT_EQ(f.ClassifyPoints(1, nearSide, 0.1f), ClassifyInside);
    EXPECT_EQ(f.ClassifyPoints(1, nearSide, 0.0f), ClassifyOutside);
}

TEST(Frustum, ClassifyMinMax) {
    zFrustum ortho = Orthographic();
    zFrustum perspective = Perspective();
    struct Case {
        const char* name;
        const zFrustum* frustum;
        zMinMax box;
        int expected;
    } cases[] = {
        {"box containing the frustum", &ortho, zMinMax(zVector(-20, -20, -20), zVector(20, 20, 200)),
         ClassifyIntersecting},
        {"box inside", &ortho, zMinMax(zVector(-1, -1, 10), zVector(1, 1, 20)), ClassifyInside},
        {"far away", &ortho, zMinMax(zVector(100, 100, 100), zVector(101, 101, 101)), ClassifyOutside},
        {"across a side", &ortho, zMinMax(zVector(4, -1, 10), zVector(6, 1, 20)), ClassifyIntersecting},
        {"behind the camera", &perspective, zMinMax(zVector(-1, -1, -20), zVector(1, 1, -10)),
         ClassifyOutside},
        {"perspective inside", &perspective, zMinMax(zVector(-1, -1, 40), zVector(1, 1, 50)), ClassifyInside},
        {"perspective containing", &perspective, zMinMax(zVector(-500, -500, -500), zVector(500, 500, 500)),
         ClassifyIntersecting},
        {"beside the perspective volume", &perspective, zMinMax(zVector(60, -1, 10), zVector(70, 1, 20)),
         ClassifyOutside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.frustum->ClassifyMinMax(c.box), c.expected);
    }
}

TEST(Frustum, ClassifyMinMaxMovesTheBoxByTheMatrix) {
    zFrustum f = Orthographic();
    zMinMax box(zVector(-1, -1, -1), zVector(1, 1, 1));
    EXPECT_EQ(f.ClassifyMinMax(box), ClassifyIntersecting); // touches the near plane z = 1
    zMatrix4 before = zMatrix4::Translation(zVector(0, 0, -5));
    EXPECT_EQ(f.ClassifyMinMax(box, &before), ClassifyOutside);
    zMatrix4 into = zMatrix4::Translation(zVector(0, 0, 30));
    EXPECT_EQ(f.ClassifyMinMax(box, &into), ClassifyInside);
    // Turned 45 degrees about Z near the right side: its corner reaches past x = 5.
    zMatrix4 turned = zMatrix4::Compose(zVector(3.8f, 0, 30), zVector(0, 0, MathPi / 4), zVector(1, 1, 1),
                                        zVector(0, 0, 0));
    EXPECT_EQ(f.ClassifyMinMax(box, &turned), ClassifyIntersecting);
    zMatrix4 unturned = zMatrix4::Translation(zVector(3.8f, 0, 30));
    EXPECT_EQ(f.ClassifyMinMax(box, &unturned), ClassifyInside);
}

TEST(Frustum, ClassifyMinMaxSeparatesByEdgeCrossAxes) {
    // A thin rod along (1, -1, 0) just beyond the top-right edge of the volume:
    // neither a plane normal nor a box axis separates it, only an edge cross.
    zFrustum f = Perspective();
    zMinMax rod(zVector(-10, -0.1f, -0.1f), zVector(10, 0.1f, 0.1f));
    zMatrix4 beyond = zMatrix4::Compose(zVector(51, 51, 50), zVector(0, 0, -MathPi / 4), zVector(1, 1, 1),
                                        zVector(0, 0, 0));
    EXPECT_EQ(f.ClassifyMinMax(rod, &beyond), ClassifyOutside);
    zMatrix4 within = zMatrix4::Compose(zVector(49.5f, 49.5f, 50), zVector(0, 0, -MathPi / 4),
                                        zVector(1, 1, 1), zVector(0, 0, 0));
    EXPECT_EQ(f.ClassifyMinMax(rod, &within), ClassifyIntersecting);
}

TEST(Frustum, ClassifyFrustum) {
    zFrustum big = Orthographic();
    zFrustum small;
    small.SetOrthographic(4, 4, 10, 20, nullptr, 1, 1);
    EXPECT_EQ(big.ClassifyFrustum(small), ClassifyInside);
    EXPECT_EQ(small.ClassifyFrustum(big), ClassifyIntersecting);
    EXPECT_EQ(big.ClassifyFrustum(big), ClassifyIntersecting);
    zMatrix4 away = zMatrix4::Translation(zVector(1000, 0, 0));
    zFrustum far;
    far.SetOrthographic(4, 4, 10, 20, &away, 1, 1);
    EXPECT_EQ(big.ClassifyFrustum(far), ClassifyOutside);
    zFrustum perspective = Perspective();
    zMatrix4 sideways = zMatrix4::Translation(zVector(4, 0, 0));
    zFrustum shifted = Perspective(&sideways);
    EXPECT_EQ(perspective.ClassifyFrustum(shifted), ClassifyIntersecting);
}

} // namespace
