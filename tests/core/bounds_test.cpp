#include <gtest/gtest.h>

#include <cmath>

#include "core/bounds.h"
#include "core/rect.h"
#include "tests/core/math_expect.h"

namespace {

const zMinMax UnitBox(zVector(-1, -1, -1), zVector(1, 1, 1));

// ---- zMinMax ----

TEST(MinMax, Constructors) {
    zMinMax empty;
    EXPECT_TRUE(VectorNear(empty.min, zVector(0, 0, 0, 1), 0.0f));
    EXPECT_TRUE(VectorNear(empty.max, zVector(0, 0, 0, 1), 0.0f));
    zMinMax copied(zVector(1, 2, 3, 4), zVector(5, 6, 7, 8));
    EXPECT_TRUE(VectorNear(copied.min, zVector(1, 2, 3, 4), 0.0f));
    EXPECT_TRUE(VectorNear(copied.max, zVector(5, 6, 7, 8), 0.0f));
    zMinMax missing(nullptr, nullptr);
    EXPECT_TRUE(VectorNear(missing.min, zVector(0, 0, 0, 1), 0.0f));
    EXPECT_TRUE(VectorNear(missing.max, zVector(1, 1, 1, 1), 0.0f));
    zVector lo(-2, -2, -2);
    zMinMax onlyMin(&lo, nullptr);
    EXPECT_TRUE(VectorNear(onlyMin.min, lo, 0.0f));
    EXPECT_TRUE(VectorNear(onlyMin.max, zVector(1, 1, 1, 1), 0.0f));
    zMinMax set;
    set.Set(zVector(1, 1, 1, 3), zVector(2, 2, 2, 4));
    EXPECT_EQ(set.min.w, 3.0f);
    EXPECT_EQ(set.max.w, 4.0f);
}

TEST(MinMax, AddPointAndBoxGrow) {
    zMinMax box(zVector(0, 0, 0), zVector(0, 0, 0));
    box.AddPoint(zVector(1, -2, 3));
    box.AddPoint(zVector(-1, 0.5f, 0));
    EXPECT_TRUE(VectorNear(box.min, zVector(-1, -2, 0)));
    EXPECT_TRUE(VectorNear(box.max, zVector(1, 0.5f, 3)));
    box.AddBox(zMinMax(zVector(-5, 0, 0), zVector(0, 9, 1)));
    EXPECT_TRUE(VectorNear(box.min, zVector(-5, -2, 0)));
    EXPECT_TRUE(VectorNear(box.max, zVector(1, 9, 3)));
    box.AddBox(UnitBox); // already inside on most axes
    EXPECT_TRUE(VectorNear(box.min, zVector(-5, -2, -1)));
    EXPECT_TRUE(VectorNear(box.max, zVector(1, 9, 3)));
}

TEST(MinMax, IntersectRayRange) {
    struct Case {
        const char* name;
        zVector origin, direction;
        bool hit;
        float enter, exit;
    } cases[] = {
        {"origin inside enters at 0", zVector(0, 0, 0), zVector(1, 0, 0), true, 0.0f, 1.0f},
        {"from outside", zVector(-5, 0, 0), zVector(1, 0, 0), true, 4.0f, 6.0f},
        {"longer direction", zVector(-5, 0, 0), zVector(2, 0, 0), true, 2.0f, 3.0f},
        {"negative direction", zVector(0.5f, 5, 0), zVector(0, -1, 0), true, 4.0f, 6.0f},
        {"box behind the ray", zVector(5, 0, 0), zVector(1, 0, 0), false, 0, 0},
        {"parallel outside the slab", zVector(-5, 2, 0), zVector(1, 0, 0), false, 0, 0},
        {"parallel on the slab bound", zVector(-5, 1, 0), zVector(1, 1e-7f, 0), true, 4.0f, 6.0f},
        {"diagonal miss", zVector(-5, 0, 0), zVector(1, 1, 0), false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        float enter = -1, exit = -1;
        ASSERT_EQ(UnitBox.IntersectRayRange(c.origin, c.direction, enter, exit), c.hit);
        if (!c.hit) continue;
        EXPECT_NEAR(enter, c.enter, 1e-6f);
        EXPECT_NEAR(exit, c.exit, 1e-6f);
    }
}

TEST(MinMax, IntersectRay) {
    struct Case {
        const char* name;
        zVector origin, direction;
        bool hit;
        zVector point, normal;
    } cases[] = {
        {"min x face", zVector(-5, 0, 0), zVector(1, 0, 0), true, zVector(-1, 0, 0), zVector(-1, 0, 0)},
        {"max x face", zVector(5, 0.5f, 0.5f), zVector(-1, 0, 0), true, zVector(1, 0.5f, 0.5f),
         zVector(1, 0, 0)},
        {"max y face", zVector(0, 5, 0), zVector(0, -2, 0), true, zVector(0, 1, 0), zVector(0, 1, 0)},
        {"min z face", zVector(0, 0, -5), zVector(0, 0, 1), true, zVector(0, 0, -1), zVector(0, 0, -1)},
        {"x face rejected, y face taken", zVector(-2, -3, 0), zVector(1, 1, 0), true, zVector(0, -1, 0),
         zVector(0, -1, 0)},
        {"bounds included", zVector(-5, 1, 0), zVector(1, 0, 0), true, zVector(-1, 1, 0), zVector(-1, 0, 0)},
        {"origin inside", zVector(0.5f, 0, 0), zVector(1, 0, 0), true, zVector(0.5f, 0, 0),
         zVector(0, 0, 0, 1)},
        {"moving away", zVector(-5, 0, 0), zVector(-1, 0, 0), false, zVector(), zVector()},
        {"parallel outside the slab", zVector(-5, 2, 0), zVector(1, 0, 0), false, zVector(), zVector()},
        {"diagonal miss", zVector(-5, 0, 0), zVector(1, 1, 0), false, zVector(), zVector()},
        {"zero direction", zVector(-5, 0, 0), zVector(0, 0, 0), false, zVector(), zVector()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zVector hit(9, 9, 9, 9), normal(9, 9, 9, 9);
        ASSERT_EQ(UnitBox.IntersectRay(c.origin, c.direction, hit, &normal), c.hit);
        if (!c.hit) continue;
        EXPECT_TRUE(VectorNear(hit, c.point));
        EXPECT_TRUE(VectorNear(normal, c.normal));
        zVector hitOnly;
        EXPECT_TRUE(UnitBox.IntersectRay(c.origin, c.direction, hitOnly));
    }
}

TEST(MinMax, IntersectSegment) {
    struct Case {
        const char* name;
        zVector start, end;
        bool hit;
        zVector point, normal;
    } cases[] = {
        {"crossing the box", zVector(-5, 0, 0), zVector(5, 0, 0), true, zVector(-1, 0, 0), zVector(-1, 0, 0)},
        {"start inside", zVector(0, 0.5f, 0), zVector(5, 0, 0), true, zVector(0, 0.5f, 0),
         zVector(0, 0, 0, 1)},
        // The inside end is the hit, not the entry point.
        {"end inside", zVector(-5, 0, 0), zVector(0.5f, 0, 0), true, zVector(0.5f, 0, 0),
         zVector(0, 0, 0, 1)},
        {"both beyond one face", zVector(-5, 0, 0), zVector(-3, 0.5f, 0), false, zVector(), zVector()},
        {"past a corner", zVector(-3, 0, 0), zVector(0, 3, 0), false, zVector(), zVector()},
        {"from above", zVector(0.25f, 4, 0.25f), zVector(0.25f, -4, 0.25f), true, zVector(0.25f, 1, 0.25f),
         zVector(0, 1, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zVector hit(9, 9, 9, 9), normal(9, 9, 9, 9);
        ASSERT_EQ(UnitBox.IntersectSegment(c.start, c.end, hit, &normal), c.hit);
        if (!c.hit) continue;
        EXPECT_TRUE(VectorNear(hit, c.point));
        EXPECT_TRUE(VectorNear(normal, c.normal));
    }
}

TEST(MinMax, SegmentEndingInsideWritesNormal) {
    zVector hit, normal(9, 9, 9, 9);
    ASSERT_TRUE(UnitBox.IntersectSegment(zVector(-5, 0, 0), zVector(0, 0, 0), hit, &normal));
    EXPECT_TRUE(VectorNear(normal, zVector(0, 0, 0, 1), 0.0f));
}

// ---- zOrientedBox ----

TEST(OrientedBox, ConstructorTakesCenterAndSizeOnlyTogether) {
    zVector center(1, 2, 3), size(4, 5, 6);
    zMatrix3 rotation = zMatrix3::RotationZ(0.5f);
    struct Case {
        const char* name;
        zOrientedBox box;
        zVector center, size;
        zMatrix3 rotation;
    } cases[] = {
        {"defaults", zOrientedBox(), zVector(0, 0, 0, 1), zVector(1, 1, 1, 1), zMatrix3::Identity},
        {"center alone ignored", zOrientedBox(&center), zVector(0, 0, 0, 1), zVector(1, 1, 1, 1),
         zMatrix3::Identity},
        {"size alone ignored", zOrientedBox(nullptr, &size), zVector(0, 0, 0, 1), zVector(1, 1, 1, 1),
         zMatrix3::Identity},
        {"both taken", zOrientedBox(&center, &size), center, size, zMatrix3::Identity},
        {"rotation alone taken", zOrientedBox(nullptr, nullptr, &rotation), zVector(0, 0, 0, 1),
         zVector(1, 1, 1, 1), rotation},
        {"center alone with rotation", zOrientedBox(&center, nullptr, &rotation), zVector(0, 0, 0, 1),
         zVector(1, 1, 1, 1), rotation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(VectorNear(c.box.center, c.center, 0.0f));
        EXPECT_TRUE(VectorNear(c.box.size, c.size, 0.0f));
        EXPECT_TRUE(MatrixNear(c.box.rotation, c.rotation, 0.0f));
    }
}

TEST(OrientedBox, FromMinMax) {
    zOrientedBox box = OrientedBoxFromMinMax(zMinMax(nullptr, nullptr));
    EXPECT_TRUE(VectorNear(box.center, zVector(0.5f, 0.5f, 0.5f, 1)));
    EXPECT_TRUE(VectorNear(box.size, zVector(1, 1, 1, 1)));
    EXPECT_TRUE(MatrixNear(box.rotation, zMatrix3::Identity, 0.0f));
    zOrientedBox constructed(zMinMax(zVector(-2, 0, 4, 7), zVector(2, 1, 8, 7)));
    EXPECT_TRUE(VectorNear(constructed.center, zVector(0, 0.5f, 6, 1)));
    EXPECT_TRUE(VectorNear(constructed.size, zVector(4, 1, 4, 1)));
}

TEST(OrientedBox, ToMinMaxOfRotatedBox) {
    zVector center(10, 0, 0), size(1, 1, 1);
    zMatrix3 rotation = zMatrix3::RotationZ(MathPi / 4);
    zMinMax box = zOrientedBox(&center, &size, &rotation).ToMinMax();
    float half = std::sqrt(2.0f) / 2;
    EXPECT_TRUE(VectorNear(box.min, zVector(10 - half, -half, -0.5f)));
    EXPECT_TRUE(VectorNear(box.max, zVector(10 + half, half, 0.5f)));

    zVector longSize(4, 2, 1);
    zMatrix3 quarter = zMatrix3::RotationZ(MathPi / 2);
    zMinMax turned = zOrientedBox(&center, &longSize, &quarter).ToMinMax();
    EXPECT_TRUE(VectorNear(turned.min, zVector(9, -2, -0.5f)));
    EXPECT_TRUE(VectorNear(turned.max, zVector(11, 2, 0.5f)));
}

TEST(OrientedBox, TransformAppliesBoxRotationFirst) {
    zVector center(1, 0, 0), size(2, 2, 2);
    zMatrix3 rotation = zMatrix3::RotationX(MathPi / 2);
    zOrientedBox box(&center, &size, &rotation);
    zMatrix4 m =
        zMatrix4::Compose(zVector(1, 2, 3), zVector(0, 0, MathPi / 2), zVector(1, 1, 1), zVector(0, 0, 0));
    box.Transform(m);
    EXPECT_TRUE(VectorNear(box.center, zVector(1, 3, 3)));
    EXPECT_TRUE(VectorNear(box.size, size, 0.0f));
    // Y -> Z by the box rotation, then Z stays under the matrix.
    EXPECT_TRUE(VectorNear(zVector(0, 1, 0).ApplyRotationMatrix(box.rotation), zVector(0, 0, 1)));
    // X stays under the box rotation, then the matrix turns it to Y.
    EXPECT_TRUE(VectorNear(zVector(1, 0, 0).ApplyRotationMatrix(box.rotation), zVector(0, 1, 0)));
}

TEST(OrientedBox, ContainsPointIncludesBoundsAndIgnoresRotation) {
    zVector center(1, 1, 1), size(2, 4, 6);
    zMatrix3 rotation = zMatrix3::RotationZ(MathPi / 4);
    zOrientedBox box(&center, &size, &rotation);
    EXPECT_TRUE(box.ContainsPoint(zVector(1, 1, 1)));
    EXPECT_TRUE(box.ContainsPoint(zVector(2, 3, 4)));
    EXPECT_TRUE(box.ContainsPoint(zVector(0, -1, -2)));
    EXPECT_FALSE(box.ContainsPoint(zVector(2.01f, 1, 1)));
    EXPECT_FALSE(box.ContainsPoint(zVector(1, 1, -2.01f)));
}

// ---- planes ----

TEST(Plane, DefaultsAndSet) {
    zPlane plane;
    EXPECT_EQ(plane.d, 0.0f);
    EXPECT_TRUE(VectorNear(plane.point, zVector(0, 0, 0, 1), 0.0f));
    EXPECT_TRUE(VectorNear(plane.normal, zVector(0, 0, 0, 1), 0.0f));

    zVector point(0, 0, 5);
    plane.Set(&point, zVector(0, 0, 1));
    EXPECT_FLOAT_EQ(plane.d, -5.0f);
    EXPECT_FLOAT_EQ(plane.Distance(zVector(3, 4, 7)), 2.0f);
    EXPECT_FLOAT_EQ(plane.Distance(zVector(0, 0, 1)), -4.0f);

    plane.Set(nullptr, zVector(0, 1, 0));
    EXPECT_TRUE(VectorNear(plane.point, zVector(0, 0, 0, 1), 0.0f));
    EXPECT_EQ(plane.d, 0.0f);
}

TEST(Plane, SetWithMatrixMovesPointAndTurnsNormal) {
    zMatrix4 m =
        zMatrix4::Compose(zVector(0, 0, 10), zVector(0, MathPi / 2, 0), zVector(1, 1, 1), zVector(0, 0, 0));
    zVector point(0, 0, 1);
    zPlane plane;
    plane.Set(&point, zVector(0, 0, 1), &m);
    EXPECT_TRUE(VectorNear(plane.point, zVector(1, 0, 10)));
    EXPECT_TRUE(VectorNear(plane.normal, zVector(1, 0, 0)));
    EXPECT_NEAR(plane.d, -1.0f, 1e-5f);
    plane.Set(nullptr, zVector(0, 1, 0), &m);
    EXPECT_TRUE(VectorNear(plane.point, zVector(0, 0, 10)));
}

TEST(Plane, FromTriangleKeepsUnnormalisedNormal) {
    zPlane plane;
    plane.SetFromTriangle(zVector(0, 0, 1), zVector(2, 0, 1), zVector(0, 3, 1));
    EXPECT_TRUE(VectorNear(plane.normal, zVector(0, 0, 6)));
    EXPECT_FLOAT_EQ(plane.Distance(zVector(5, 5, 2)), 6.0f);
    zMatrix4 move = zMatrix4::Translation(zVector(0, 0, 1));
    plane.SetFromTriangle(zVector(0, 0, 1), zVector(2, 0, 1), zVector(0, 3, 1), &move);
    EXPECT_FLOAT_EQ(plane.Distance(zVector(5, 5, 2)), 0.0f);
}

// ---- free functions ----

TEST(Geometry, IntersectRayPlane) {
    float t = -1;
    EXPECT_TRUE(
        IntersectRayPlane(zVector(0, 0, 0), zVector(0, 0, 2), zVector(0, 0, 1), zVector(0, 0, 10), t));
    EXPECT_FLOAT_EQ(t, 5.0f);
    EXPECT_TRUE(
        IntersectRayPlane(zVector(0, 0, 20), zVector(0, 0, 1), zVector(0, 0, 1), zVector(0, 0, 10), t));
    EXPECT_FLOAT_EQ(t, -10.0f);
    EXPECT_FALSE(
        IntersectRayPlane(zVector(0, 0, 0), zVector(1, 0, 1e-6f), zVector(0, 0, 1), zVector(0, 0, 1), t));
    EXPECT_FALSE(
        IntersectRayPlane(zVector(0, 0, 0), zVector(1, 0, -1e-6f), zVector(0, 0, 1), zVector(0, 0, 1), t));
    EXPECT_TRUE(
        IntersectRayPlane(zVector(0, 0, 0), zVector(1, 0, 2e-6f), zVector(0, 0, 1), zVector(0, 0, 1), t));
}

TEST(Geometry, ClosestPointOnLineAndSegment) {
    struct Case {
        zVector p;
        float lineT, segmentT;
        zVector onLine, onSegment;
    } cases[] = {
        {zVector(1, 5, 0), 0.25f, 0.25f, zVector(1, 0, 0), zVector(1, 0, 0)},
        {zVector(-2, 1, 1), -0.5f, 0.0f, zVector(-2, 0, 0), zVector(0, 0, 0)},
        {zVector(10, -3, 0), 2.5f, 1.0f, zVector(10, 0, 0), zVector(4, 0, 0)},
    };
    for (const Case& c : cases) {
        zVector onLine, onSegment;
        EXPECT_FLOAT_EQ(ClosestPointOnLine(zVector(0, 0, 0), zVector(4, 0, 0), c.p, &onLine), c.lineT);
        EXPECT_FLOAT_EQ(ClosestPointOnSegment(zVector(0, 0, 0), zVector(4, 0, 0), c.p, &onSegment),
                        c.segmentT);
        EXPECT_TRUE(VectorNear(onLine, c.onLine));
        EXPECT_TRUE(VectorNear(onSegment, c.onSegment));
    }
    EXPECT_FLOAT_EQ(ClosestPointOnSegment(zVector(0, 0, 0), zVector(4, 0, 0), zVector(2, 1, 0)), 0.5f);
}

TEST(Geometry, ClosestPointOnDegenerateLineIsItsPoint) {
    zVector out(9, 9, 9, 9);
    float t = ClosestPointOnLine(zVector(1, 2, 3), zVector(1, 2, 3), zVector(5, 5, 5), &out);
    EXPECT_EQ(t, 0.0f);
    EXPECT_TRUE(VectorNear(out, zVector(1, 2, 3)));
    EXPECT_EQ(ClosestPointOnSegment(zVector(1, 2, 3), zVector(1, 2, 3), zVector(5, 5, 5), &out), 0.0f);
    EXPECT_TRUE(VectorNear(out, zVector(1, 2, 3)));
}

TEST(Geometry, ClosestLineParameters) {
    float s = -1, t = -1;
    ASSERT_TRUE(
        ClosestLineParameters(zVector(0, 0, 0), zVector(1, 0, 0), zVector(2, -1, 1), zVector(2, 1, 1), s, t));
    EXPECT_FLOAT_EQ(s, 2.0f);
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_FALSE(
        ClosestLineParameters(zVector(0, 0, 0), zVector(1, 0, 0), zVector(0, 1, 0), zVector(3, 1, 0), s, t));
}

TEST(Geometry, BarycentricInEveryCoordinatePlane) {
    struct Case {
        const char* name;
        zVector p0, p1, p2;
    } cases[] = {
        {"facing z", zVector(0, 0, 0), zVector(1, 0, 0), zVector(0, 1, 0)},
        {"facing x", zVector(3, 0, 0), zVector(3, 2, 0), zVector(3, 0, 2)},
        {"facing y", zVector(0, -1, 0), zVector(0, -1, 4), zVector(4, -1, 0)},
        {"tilted", zVector(1, 2, 3), zVector(-2, 0.5f, 4), zVector(0, 3, -1)},
    };
    const float weights[][2] = {{0.5f, 0.2f}, {0.0f, 0.0f}, {1.0f, 0.0f}, {-0.5f, 1.2f}};
    for (const Case& c : cases) {
        for (const auto& weight : weights) {
            SCOPED_TRACE(testing::Message() << c.name << " " << weight[0] << "," << weight[1]);
            float wantU = weight[0], wantV = weight[1], wantW = 1 - wantU - wantV;
            zVector p = c.p0.MulReal(wantU).Add(c.p1.MulReal(wantV)).Add(c.p2.MulReal(wantW));
            float u, v, w;
            ASSERT_TRUE(Barycentric(c.p0, c.p1, c.p2, p, u, v, w));
            EXPECT_NEAR(u, wantU, 1e-5f);
            EXPECT_NEAR(v, wantV, 1e-5f);
            EXPECT_NEAR(w, wantW, 1e-5f);
        }
    }
}

TEST(Geometry, BarycentricOfDegenerateTriangleFails) {
    float u = 9, v = 9, w = 9;
    EXPECT_FALSE(
        Barycentric(zVector(0, 0, 0), zVector(1, 1, 1), zVector(2, 2, 2), zVector(1, 1, 1), u, v, w));
    EXPECT_EQ(u, 0.0f);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(w, 1.0f);
}

// ---- rectangles ----

TEST(Rect, IntersectionAndFloatForm) {
    zRect a{0, 0, 10, 20};
    zRect b{5, -5, 15, 8};
    zRect both = a.Intersection(b);
    EXPECT_EQ(both.left, 5);
    EXPECT_EQ(both.top, 0);
    EXPECT_EQ(both.right, 10);
    EXPECT_EQ(both.bottom, 8);
    zRect apart = a.Intersection(zRect{-10, -10, -5, -5});
    EXPECT_LE(apart.right, apart.left);

    zRectF f = zRectF::FromRect(zRect{-3, 2, 7, 12});
    EXPECT_EQ(f.left, -3.0f);
    EXPECT_EQ(f.top, 2.0f);
    EXPECT_EQ(f.Width(), 10.0f);
    EXPECT_EQ(f.Height(), 10.0f);
}

} // namespace
