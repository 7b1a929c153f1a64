#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "render/material.h"
#include "render/raytrace/geometry_trees.h"
#include "render/raytrace/ray_hit.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

zRayHit Cast(zGeometryTree& tree, const zVector& origin, const zVector& direction, f32 max = -1.0f) {
    zRayHit hit;
    tree.Intersect(hit, origin, direction, max);
    return hit;
}

zGeometryBIH& BuildBIH(zGeometry& geometry, zGeometryBIH& tree) {
    EXPECT_TRUE(tree.Build(&geometry));
    return tree;
}

TEST(GeometryBIH, UnitQuadHitsWithFanTriangleAndWeights) {
    LogCapture log;
    GeometryHost host;
    // Normal (0, 0, -1): it faces rays along +z.
    auto quad = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    zGeometryBIH tree;
    BuildBIH(*quad, tree);
    struct Case {
        f32 x, y;
        bool found;
        u32 fan;
        f32 w1, w2, w0;
    };
    const Case cases[] = {
        {0.75f, 0.25f, true, 0, 0.5f, 0.25f, 0.25f},
        {0.25f, 0.75f, true, 1, 0.25f, 0.5f, 0.25f},
        {0.25f, 0.25f, true, 0, 0.0f, 0.25f, 0.75f},           // on the diagonal: w1 = 0 is inside fan 0
        {0.5f, -0.0000005f, true, 0, 0.5f, -0.0000005f, 0.5f}, // within the tolerance
        {0.5f, -0.00001f, false, 0, 0, 0, 0},
        {1.5f, 0.5f, false, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
        const zRayHit hit = Cast(tree, zVector(c.x, c.y, -1), zVector(0, 0, 1));
        ASSERT_EQ(hit.found != 0, c.found);
        if (!c.found) {
            EXPECT_EQ(hit.distance, -1.0f);
            EXPECT_EQ(hit.polygon, -1);
            continue;
        }
        EXPECT_EQ(hit.polygon, 0);
        EXPECT_EQ(hit.fanTriangle, c.fan);
        EXPECT_NEAR(hit.w1, c.w1, 1e-6);
        EXPECT_NEAR(hit.w2, c.w2, 1e-6);
        EXPECT_NEAR(hit.w0, c.w0, 1e-6);
        EXPECT_FLOAT_EQ(hit.distance, 1.0f);
        EXPECT_EQ(hit.backFace, 0);
        EXPECT_EQ(hit.geometry, quad.Get());
        EXPECT_EQ(hit.rayCount, 2u);
    }
}

TEST(GeometryBIH, BackFacesNeedDoubleSided) {
    GeometryHost host;
    auto quad = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    zGeometryBIH tree;
    BuildBIH(*quad, tree);
    EXPECT_FALSE(Cast(tree, zVector(0.5f, 0.5f, 1), zVector(0, 0, -1)).found);
    quad->GetMaterial(0)->SetFlags(MaterialFlagDoubleSided);
    const zRayHit hit = Cast(tree, zVector(0.5f, 0.5f, 1), zVector(0, 0, -1));
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.backFace, 1);
    EXPECT_FLOAT_EQ(hit.distance, 1.0f);
    // Edge-on rays never hit, double-sided or not.
    EXPECT_FALSE(Cast(tree, zVector(-1, 0.5f, 0), zVector(1, 0, 0)).found);
}

TEST(GeometryBIH, NearestOfParallelQuadsWhateverTheirOrder) {
    GeometryHost host;
    std::vector<zVector> vertices;
    for (f32 z : {2.0f, 1.0f})
        for (const zVector& v : QuadVertices())
            vertices.push_back(zVector(v.x, v.y, z));
    auto pair = MakeGeometry(&host, vertices, {{{0, 1, 2, 3}}, {{4, 5, 6, 7}}});
    zGeometryBIH tree;
    BuildBIH(*pair, tree);
    const zRayHit hit = Cast(tree, zVector(0.5f, 0.5f, -1), zVector(0, 0, 1));
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.polygon, 1);
    EXPECT_FLOAT_EQ(hit.distance, 2.0f);
    // A maximum distance short of both finds nothing.
    EXPECT_FALSE(Cast(tree, zVector(0.5f, 0.5f, -1), zVector(0, 0, 1), 1.5f).found);
}

TEST(GeometryBIH, AHitEndsTheWalkBeforeFartherPolygons) {
    // 200 quads stacked along z: the nearest is found in the first leaf, and
    // the polygons behind it are never tested.
    LogCapture log;
    GeometryHost host;
    std::vector<zVector> vertices;
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i < 200; ++i) {
        for (const zVector& v : QuadVertices())
            vertices.push_back(zVector(v.x, v.y, f32(i)));
        polygons.push_back({{4 * i, 4 * i + 1, 4 * i + 2, 4 * i + 3}});
    }
    auto stack = MakeGeometry(&host, vertices, polygons);
    zGeometryBIH tree;
    BuildBIH(*stack, tree);
    const zRayHit hit = Cast(tree, zVector(0.5f, 0.5f, -1), zVector(0, 0, 1));
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.polygon, 0);
    EXPECT_FLOAT_EQ(hit.distance, 1.0f);
    EXPECT_LT(hit.rayCount, 40u); // fan triangles tested, of 400
}

TEST(GeometryBIH, AnyHitQueriesAnswerLikeNearestOnesWithLessWork) {
    // Double-sided random triangles, shadow-like rays of limited length: an
    // any-hit query finds a hit exactly when a nearest one does, at a
    // distance above 0 exactly when the nearest is, and tests fewer triangles.
    LogCapture log;
    GeometryHost host;
    std::mt19937 random(99);
    std::uniform_real_distribution<f32> centre(-5.0f, 5.0f), offset(-0.8f, 0.8f), far(-8.0f, 8.0f);
    std::vector<zVector> vertices;
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i < 2000; ++i) {
        const zVector c(centre(random), centre(random), centre(random));
        for (int k = 0; k < 3; ++k)
            vertices.push_back(zVector(c.x + offset(random), c.y + offset(random), c.z + offset(random)));
        polygons.push_back({{3 * i, 3 * i + 1, 3 * i + 2}});
    }
    auto soup = MakeGeometry(&host, vertices, polygons);
    soup->GetMaterial(0)->SetFlags(soup->GetMaterial(0)->GetFlags() | MaterialFlagDoubleSided);
    zGeometryBIH tree;
    BuildBIH(*soup, tree);
    u64 nearestWork = 0, anyWork = 0;
    u32 hits = 0;
    for (int r = 0; r < 2000; ++r) {
        const zVector origin(far(random), far(random), far(random));
        const zVector target(centre(random), centre(random), centre(random));
        const zVector direction = target.Sub(origin).Normalize();
        const f32 length = zVector::Dist(origin, target) * 1.5f;
        const zRayHit nearest = Cast(tree, origin, direction, length);
        zRayHit any;
        any.searchMode = RaySearchAny;
        tree.Intersect(any, origin, direction, length);
        ASSERT_EQ(any.found, nearest.found) << r;
        if (nearest.found) {
            ++hits;
            EXPECT_EQ(any.distance > 0.0f, nearest.distance > 0.0f) << r;
            EXPECT_GE(any.distance, nearest.distance) << r;
        }
        nearestWork += nearest.rayCount;
        anyWork += any.rayCount;
    }
    EXPECT_GT(hits, 500u);
    EXPECT_LT(anyWork, nearestWork);
}

// The interval walk's answer, through Traverse and the leaf test.
zRayHit IntervalWalk(const zGeometryBIH& tree, const zVector& origin, const zVector& direction, f32 max,
                     u8 mode) {
    zRayHit hit;
    hit.searchMode = mode;
    hit.origin = origin;
    hit.direction = direction;
    zBIHTraversal frame;
    const_cast<IGeometryBIH&>(tree.GetTree()).Traverse(frame, origin, direction, max, &hit);
    return hit;
}

TEST(GeometryBIH, BoxWalkFindsTheIntervalWalksHitsToTheBit) {
    // The two walks go through different trees; the answers are the same.
    // Ties included: a grid of quads and one of triangles share edges and
    // corners that rays pass through, and a soup overlaps itself.
    LogCapture log;
    GeometryHost host;
    std::mt19937 random(5);
    std::uniform_real_distribution<f32> unit(0.0f, 1.0f);
    struct Case {
        const char* name;
        std::vector<zVector> vertices;
        std::vector<PolygonSpec> polygons;
        bool doubleSided;
    };
    std::vector<Case> cases(3);
    cases[0].name = "grid of quads";
    cases[1].name = "grid of triangles, double-sided";
    cases[1].doubleSided = true;
    for (u32 z = 0; z <= 16; ++z)
        for (u32 x = 0; x <= 16; ++x)
            for (Case* c : {&cases[0], &cases[1]})
                c->vertices.push_back(zVector(f32(x) * 0.5f, 0.0f, f32(z) * 0.5f));
    for (u32 z = 0; z < 16; ++z)
        for (u32 x = 0; x < 16; ++x) {
            const u32 a = z * 17 + x, b = a + 1, c = a + 17, d = c + 1;
            cases[0].polygons.push_back({{a, c, d, b}});
            cases[1].polygons.push_back({{a, c, d}});
            cases[1].polygons.push_back({{a, d, b}});
        }
    cases[2].name = "soup, double-sided";
    cases[2].doubleSided = true;
    for (u32 i = 0; i < 3000; ++i) {
        const zVector c(unit(random) * 8.0f, unit(random) * 8.0f, unit(random) * 8.0f);
        for (int k = 0; k < 3; ++k)
            cases[2].vertices.push_back(
                zVector(c.x + unit(random) - 0.5f, c.y + unit(random) - 0.5f, c.z + unit(random) - 0.5f));
        cases[2].polygons.push_back({{3 * i, 3 * i + 1, 3 * i + 2}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto mesh = MakeGeometry(&host, c.vertices, c.polygons);
        if (c.doubleSided) mesh->GetMaterial(0)->SetFlags(MaterialFlagDoubleSided);
        zGeometryBIH tree;
        ASSERT_TRUE(tree.Build(mesh.Get()));
        u32 hits = 0;
        for (int r = 0; r < 20000; ++r) {
            // Origins on the half-unit lattice and directions of small
            // integers: many rays cross shared edges and corners exactly.
            const zVector origin(f32(random() % 17) * 0.5f, f32(random() % 9) - 4.0f,
                                 f32(random() % 17) * 0.5f);
            const zVector direction(f32(int(random() % 5) - 2), f32(int(random() % 5) - 2),
                                    f32(int(random() % 5) - 2));
            const f32 max = r % 3 == 0 ? 6.0f : -1.0f;
            for (u8 mode : {RaySearchNearest, RaySearchAny}) {
                SCOPED_TRACE(testing::Message() << "ray " << r << " mode " << int(mode));
                const zRayHit expected = IntervalWalk(tree, origin, direction, max, mode);
                zRayHit hit;
                hit.searchMode = mode;
                tree.Intersect(hit, origin, direction, max);
                ASSERT_EQ(hit.found, expected.found);
                if (!expected.found) continue;
                // An any-hit query tells only whether a hit lies beyond 0.
                if (mode == RaySearchAny) {
                    ASSERT_EQ(hit.distance > 0.0f, expected.distance > 0.0f);
                    continue;
                }
                ++hits;
                ASSERT_EQ(hit.polygon, expected.polygon);
                ASSERT_EQ(hit.fanTriangle, expected.fanTriangle);
                ASSERT_EQ(std::memcmp(&hit.distance, &expected.distance, sizeof(f32)), 0);
                ASSERT_EQ(std::memcmp(&hit.w1, &expected.w1, sizeof(f32)), 0);
                ASSERT_EQ(std::memcmp(&hit.w2, &expected.w2, sizeof(f32)), 0);
                ASSERT_EQ(hit.backFace, expected.backFace);
            }
        }
        EXPECT_GT(hits, 2000u);
    }
}

TEST(GeometryBIH, DegeneratePolygonsStayOutAndOthersAreHit) {
    GeometryHost host;
    std::vector<zVector> vertices = QuadVertices();
    vertices.push_back(zVector(5, 5, 0));
    vertices.push_back(zVector(6, 6, 0)); // on the line through 4 and 0
    auto mesh =
        MakeGeometry(&host, vertices, {{{}}, {{0}}, {{0, 1}}, {{0, 4, 5}}, {{0, 0, 1, 2}}, {{0, 2, 3}}});
    zGeometryBIH tree;
    ASSERT_TRUE(tree.Build(mesh.Get()));
    const zPointInPolygon* records = tree.GetTree().GetRecords();
    for (u32 p = 0; p < 4; ++p)
        EXPECT_EQ(records[p].fanCount, 0u) << p;
    // The polygon whose first fan triangle has no area is hit through its second.
    zRayHit hit = Cast(tree, zVector(0.75f, 0.25f, -1), zVector(0, 0, 1));
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.polygon, 4);
    EXPECT_EQ(hit.fanTriangle, 1u);
    hit = Cast(tree, zVector(0.25f, 0.75f, -1), zVector(0, 0, 1));
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.polygon, 5);
    // Along the zero-area sliver: nothing.
    EXPECT_FALSE(Cast(tree, zVector(5.5f, 5.5f, -1), zVector(0, 0, 1)).found);
}

TEST(GeometryBIH, GeometryBuildsItsTreeThroughTheFactory) {
    LogCapture log;
    GeometryHost host;
    auto quad = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    RegisterGeometryTrees();
    ASSERT_TRUE(quad->BuildTree(GeometryTreeBIH));
    EXPECT_NE(dynamic_cast<zGeometryBIH*>(quad->GetTree()), nullptr);
    EXPECT_TRUE(quad->GetKeepMask() & GeometryKeepMesh);
    EXPECT_TRUE(Cast(*quad->GetTree(), zVector(0.5f, 0.5f, -1), zVector(0, 0, 1)).found);
}

TEST(GeometryKDTree, LeavesAndIgnoredPolygons) {
    LogCapture log;
    GeometryHost host;
    // Triangles spread along x, each 0.5 wide.
    auto strip = [&](u32 count, f32 thickness) {
        std::vector<zVector> vertices;
        std::vector<PolygonSpec> polygons;
        for (u32 i = 0; i < count; ++i) {
            const f32 x = f32(i);
            vertices.push_back(zVector(x, 0, 0));
            vertices.push_back(zVector(x + 0.5f, 0, 0));
            vertices.push_back(zVector(x, 0.5f + thickness * 0, thickness));
            polygons.push_back({{3 * i, 3 * i + 1, 3 * i + 2}});
        }
        return MakeGeometry(&host, vertices, polygons);
    };
    {
        auto few = strip(19, 1.0f);
        zGeometryKDTree tree;
        ASSERT_TRUE(tree.Build(few.Get()));
        EXPECT_EQ(tree.GetNodeCount(), 1u);
        EXPECT_EQ(tree.GetLeafCount(), 1u);
    }
    {
        auto slab = strip(100, 0.05f);
        zGeometryKDTree tree;
        ASSERT_TRUE(tree.Build(slab.Get()));
        EXPECT_EQ(tree.GetNodeCount(), 1u);
    }
    {
        auto many = strip(100, 1.0f);
        zGeometryKDTree tree;
        ASSERT_TRUE(tree.Build(many.Get()));
        EXPECT_GT(tree.GetLeafCount(), 1u);
        EXPECT_NE(log.Text().find("Building KD-Tree...\nDone in "), std::string::npos);
    }
    {
        auto quad = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
        zGeometryKDTree tree;
        ASSERT_TRUE(tree.Build(quad.Get()));
        EXPECT_EQ(tree.GetTriangleCount(), 0u);
        EXPECT_FALSE(Cast(tree, zVector(0.5f, 0.5f, -1), zVector(0, 0, 1)).found);
    }
    {
        auto empty = MakeGeometry(&host, {}, {});
        zGeometryKDTree tree;
        EXPECT_FALSE(tree.Build(empty.Get()));
        EXPECT_FALSE(Cast(tree, zVector(0, 0, -1), zVector(0, 0, 1)).found);
    }
}

TEST(GeometryKDTree, TriangleHitWithWeightsAndCulling) {
    GeometryHost host;
    auto triangle = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2}}});
    zGeometryKDTree tree;
    ASSERT_TRUE(tree.Build(triangle.Get()));
    zRayHit hit = Cast(tree, zVector(0.75f, 0.25f, -1), zVector(0, 0, 1));
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.polygon, 0);
    EXPECT_EQ(hit.fanTriangle, 0u);
    EXPECT_NEAR(hit.w1, 0.5f, 1e-6);
    EXPECT_NEAR(hit.w2, 0.25f, 1e-6);
    EXPECT_NEAR(hit.w0, 0.25f, 1e-6);
    EXPECT_FLOAT_EQ(hit.distance, 1.0f);
    EXPECT_FALSE(Cast(tree, zVector(0.75f, 0.25f, 1), zVector(0, 0, -1)).found);
    triangle->GetMaterial(0)->SetFlags(MaterialFlagDoubleSided);
    hit = Cast(tree, zVector(0.75f, 0.25f, 1), zVector(0, 0, -1));
    ASSERT_TRUE(hit.found);
    EXPECT_EQ(hit.backFace, 1);
}

// The nearest front-facing triangle by brute force, in double precision.
// Rays near an edge, near-parallel or near a tie are left out (-2).
struct Oracle {
    std::vector<zVector> vertices;
    std::vector<std::array<u32, 3>> triangles;

    // -1 miss, -2 ambiguous, else the triangle; t its distance.
    int Nearest(const zVector& o, const zVector& d, double& t) const {
        int best = -1;
        double bestT = 1e30, secondT = 1e30;
        for (size_t i = 0; i < triangles.size(); ++i) {
            const zVector& q0 = vertices[triangles[i][0]];
            const zVector& q1 = vertices[triangles[i][1]];
            const zVector& q2 = vertices[triangles[i][2]];
            const double e1[3] = {q1.x - q0.x, q1.y - q0.y, q1.z - q0.z};
            const double e2[3] = {q2.x - q0.x, q2.y - q0.y, q2.z - q0.z};
            const double n[3] = {e2[1] * e1[2] - e2[2] * e1[1], e2[2] * e1[0] - e2[0] * e1[2],
                                 e2[0] * e1[1] - e2[1] * e1[0]};
            const double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            const double denom = (n[0] * d.x + n[1] * d.y + n[2] * d.z) / nl;
            if (denom >= 0.0) continue; // back face or edge-on
            const double s[3] = {o.x - q0.x, o.y - q0.y, o.z - q0.z};
            const double ti = -(n[0] * s[0] + n[1] * s[1] + n[2] * s[2]) / nl / denom;
            if (ti <= 0.0) continue;
            const double p[3] = {s[0] + d.x * ti, s[1] + d.y * ti, s[2] + d.z * ti};
            // Weights of q1 and q2 by least squares on the plane.
            const double a11 = e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2];
            const double a12 = e1[0] * e2[0] + e1[1] * e2[1] + e1[2] * e2[2];
            const double a22 = e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2];
            const double b1 = p[0] * e1[0] + p[1] * e1[1] + p[2] * e1[2];
            const double b2 = p[0] * e2[0] + p[1] * e2[1] + p[2] * e2[2];
            const double det = a11 * a22 - a12 * a12;
            const double w1 = (b1 * a22 - b2 * a12) / det, w2 = (a11 * b2 - a12 * b1) / det;
            const double w0 = 1.0 - w1 - w2;
            const double edge = std::min({w0, w1, w2});
            if (std::fabs(edge) < 1e-5 || (edge > 0 && std::fabs(denom) < 1e-3)) return -2;
            if (edge < 0) continue;
            if (ti < bestT) {
                secondT = bestT;
                bestT = ti;
                best = int(i);
            } else if (ti < secondT) {
                secondT = ti;
            }
        }
        if (best >= 0 && secondT - bestT < 1e-4 * std::max(1.0, bestT)) return -2;
        t = bestT;
        return best;
    }
};

TEST(GeometryTrees, BIHAndKDTreeAgreeWithBruteForce) {
    LogCapture log;
    GeometryHost host;
    std::mt19937 random(1234);
    std::uniform_real_distribution<f32> centre(-5.0f, 5.0f), offset(-0.6f, 0.6f), far(-8.0f, 8.0f);
    Oracle oracle;
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i < 2000; ++i) {
        const zVector c(centre(random), centre(random), centre(random));
        for (int k = 0; k < 3; ++k)
            oracle.vertices.push_back(
                zVector(c.x + offset(random), c.y + offset(random), c.z + offset(random)));
        oracle.triangles.push_back({3 * i, 3 * i + 1, 3 * i + 2});
        polygons.push_back({{3 * i, 3 * i + 1, 3 * i + 2}});
    }
    auto soup = MakeGeometry(&host, oracle.vertices, polygons);
    zGeometryBIH bih;
    ASSERT_TRUE(bih.Build(soup.Get()));
    zGeometryKDTree kd;
    ASSERT_TRUE(kd.Build(soup.Get()));

    u32 compared = 0, hits = 0;
    for (int r = 0; r < 5000; ++r) {
        const zVector origin(far(random), far(random), far(random));
        const zVector target(centre(random), centre(random), centre(random));
        const zVector direction = target.Sub(origin).Normalize();
        double t = 0.0;
        const int expected = oracle.Nearest(origin, direction, t);
        if (expected == -2) continue;
        ++compared;
        hits += expected >= 0 ? 1 : 0;
        for (zGeometryTree* tree : {static_cast<zGeometryTree*>(&bih), static_cast<zGeometryTree*>(&kd)}) {
            SCOPED_TRACE(testing::Message() << (tree == &bih ? "BIH" : "KD") << " ray " << r);
            const zRayHit hit = Cast(*tree, origin, direction);
            ASSERT_EQ(hit.found != 0, expected >= 0);
            if (expected < 0) continue;
            EXPECT_EQ(hit.polygon, expected);
            EXPECT_NEAR(hit.distance, t, 1e-4 * std::max(1.0, t));
        }
    }
    EXPECT_GT(compared, 4500u);
    EXPECT_GT(hits, 1000u);
}

} // namespace
