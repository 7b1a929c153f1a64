#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <BulletCollision/CollisionShapes/btBvhTriangleMeshShape.h>
#include <BulletCollision/CollisionShapes/btConvexHullShape.h>
#include <BulletCollision/CollisionShapes/btTriangleIndexVertexArray.h>

#include "render/geometry.h"
#include "tests/physics/physics_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

std::vector<zVector> CubeCorners(f32 offset) {
    std::vector<zVector> corners;
    for (int i = 0; i < 8; ++i)
        corners.push_back(
            zVector(offset + ((i & 1) ? 1.0f : -1.0f), (i & 2) ? 1.0f : -1.0f, (i & 4) ? 1.0f : -1.0f));
    return corners;
}

// A quad, a two-index primitive and a triangle over five vertices.
const char* const MixedMesh = "mixed.zml";

struct ShapeFixture : WorldFixture {
    ShapeFixture() {
        PutMemoryFile("cube.zml", GeometryText(CubeCorners(2.0f), {{{0, 1, 3, 2}}}));
        PutMemoryFile(MixedMesh, GeometryText({zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0),
                                               zVector(0, 1, 0), zVector(3, 0, 0)},
                                              {{{0, 1, 2, 3}}, {{1, 4}}, {{1, 4, 2}}}));
        // Only two-index primitives: a hull, but no triangles.
        PutMemoryFile("lines.zml", GeometryText(CubeCorners(0.0f), {{{0, 1}}, {{2, 3}}}));
    }
};

} // namespace

TEST(ShapeCache, ConvexIsBuiltOnceAndShared) {
    ShapeFixture f;
    zSharedPtr<zBulletConvex> first = f.world.GetConvex("cube.zml");
    ASSERT_TRUE(first);
    EXPECT_EQ(std::string(first->name.CStr()), "cube.zml");
    EXPECT_EQ(first->shape->getNumPoints(), 8);
    EXPECT_FLOAT_EQ(first->centre.x, 2.0f);
    EXPECT_FLOAT_EQ(first->centre.y, 0.0f);
    EXPECT_EQ(first->centre.w, 1.0f);
    // The second request neither loads nor builds: with the geometry gone
    // from the engine and from the files it still answers.
    f.engine.FreeResourceCaches();
    PutMemoryFile("cube.zml", "");
    zSharedPtr<zBulletConvex> second = f.world.GetConvex("cube.zml");
    EXPECT_EQ(second.Get(), first.Get());
    EXPECT_EQ(f.world.GetConvexCacheCount(), 1u);
    // Polygons play no part in a hull.
    EXPECT_TRUE(f.world.GetConvex("lines.zml"));
    EXPECT_EQ(f.world.GetConvexCacheCount(), 2u);
}

TEST(ShapeCache, MeshTriangulatesPolygonsAsFans) {
    ShapeFixture f;
    zSharedPtr<zBulletMesh> mesh = f.world.GetMesh(MixedMesh);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->triangleCount, 3u);
    EXPECT_EQ(mesh->vertexCount, 5u);
    const std::vector<i32> indices(mesh->indices.get(), mesh->indices.get() + 9);
    EXPECT_EQ(indices, (std::vector<i32>{0, 1, 2, 0, 2, 3, 1, 4, 2}));
    EXPECT_FLOAT_EQ(mesh->centre.x, 1.0f);
    EXPECT_FLOAT_EQ(mesh->centre.y, 0.4f);
    EXPECT_EQ(mesh->array->getIndexedMeshArray()[0].m_numTriangles, 3);
    EXPECT_EQ(f.world.GetMesh(MixedMesh).Get(), mesh.Get());
    EXPECT_EQ(f.world.GetMeshCacheCount(), 1u);

    // A body of the mesh answers rays.
    f.AddBody(std::unique_ptr<btCollisionShape>(), 0.0f, zVector(0, 0, 0), false);
    zPhysicRayResult result;
    btCollisionObject object;
    object.setCollisionShape(mesh->shape.get());
    f.world.GetDynamicsWorld()->addCollisionObject(&object);
    EXPECT_TRUE(f.world.Raytrace(zVector(0.5f, 0.5f, -5.0f), zVector(0, 0, 1), result, 1, 0, 0.0f));
    EXPECT_NEAR(result.position.z, 0.0f, 1e-4f);
    f.world.GetDynamicsWorld()->removeCollisionObject(&object);
}

TEST(ShapeCache, GeometriesWithNothingToBuildFrom) {
    struct Case {
        const char* name;
        bool convex;
        bool mesh;
    };
    const Case cases[] = {
        {"missing.zml", false, false},
        {"lines.zml", true, false},
    };
    for (const Case& c : cases) {
        ShapeFixture f;
        LogCapture log;
        const std::string line =
            std::string("[!] No geometry data in '") + c.name + "' to build collision shape.\n";
        EXPECT_EQ(bool(f.world.GetMesh(c.name)), c.mesh) << c.name;
        EXPECT_NE(log.Text().find(line), std::string::npos) << log.Text();
        EXPECT_EQ(f.world.GetMeshCacheCount(), 0u);
        log.Reset();
        EXPECT_EQ(bool(f.world.GetConvex(c.name)), c.convex) << c.name;
        EXPECT_EQ(log.Text().find(line) != std::string::npos, !c.convex) << log.Text();
        EXPECT_EQ(f.world.GetConvexCacheCount(), c.convex ? 1u : 0u);
        ClearMissingResourceFlag();
    }
}

// Bullet reads mesh indices unchecked: a geometry changed in memory after
// loading must not hand it an index past the vertices.
TEST(ShapeCache, TrianglesWithAnIndexOutOfRangeAreLeftOut) {
    ShapeFixture f;
    zGeometry* geometry = f.engine.LoadGeometry(MixedMesh, true, false);
    ASSERT_NE(geometry, nullptr);
    ASSERT_EQ(geometry->GetPolygonCount(), 3u);
    geometry->GetPolygons()[2].bindings[1] = 99;
    LogCapture log;
    zSharedPtr<zBulletMesh> mesh = f.world.GetMesh(MixedMesh);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->triangleCount, 2u);
    EXPECT_EQ(log.Text(), "[*] Triangles with a vertex index out of range left out of 'mixed.zml'.\n");
    for (u32 i = 0; i < 3 * mesh->triangleCount; ++i)
        EXPECT_LT(mesh->indices[i], 5);
}

TEST(ShapeCache, ShapesOutliveTheCachesWhileHeld) {
    ShapeFixture f;
    zSharedPtr<zBulletConvex> convex = f.world.GetConvex("cube.zml");
    zSharedPtr<zBulletMesh> mesh = f.world.GetMesh(MixedMesh);
    ASSERT_TRUE(convex && mesh);
    f.world.ClearShapeCaches();
    EXPECT_EQ(f.world.GetConvexCacheCount(), 0u);
    EXPECT_EQ(f.world.GetMeshCacheCount(), 0u);
    EXPECT_EQ(convex->shape->getNumPoints(), 8);
    EXPECT_EQ(mesh->triangleCount, 3u);
    // Destroy clears them as well.
    ASSERT_TRUE(f.world.GetConvex("cube.zml"));
    f.world.Destroy();
    EXPECT_EQ(f.world.GetConvexCacheCount(), 0u);
}

// The shape's scale reached only the primitives: a convex or mesh shape came
// from the shared holder at its unit size, whatever the item's scale.
TEST(ShapeCache, ScaledConvexAndMeshShapesTakeTheScaleAndLeaveTheSharedShapeAlone) {
    ShapeFixture f;
    // A closed cube of half size 1 around the origin.
    PutMemoryFile("box.zml", GeometryText(CubeCorners(0.0f), {{{0, 1, 3, 2}},
                                                              {{4, 5, 7, 6}},
                                                              {{0, 2, 6, 4}},
                                                              {{1, 3, 7, 5}},
                                                              {{0, 1, 5, 4}},
                                                              {{2, 3, 7, 6}}}));
    struct Case {
        const char* name;
        u32 type;
    } const cases[] = {{"convex", PhysicShapeConvex}, {"mesh", PhysicShapeMesh}};
    for (const Case& entry : cases) {
        // One scaled item at the origin, one of unit scale at x = 10; both
        // static, built from the same holder.
        std::vector<std::unique_ptr<zPhysicItem>> items;
        std::vector<zPhysicShape*> shapes;
        const zVector scales[] = {zVector(2, 3, 1, 1), zVector(1, 1, 1, 1)};
        const f32 places[] = {0.0f, 10.0f};
        for (int index = 0; index < 2; ++index) {
            auto* item = static_cast<zBulletPhysicItem*>(f.world.CreatePhysicItem());
            items.emplace_back(item);
            const zMatrix4 at = zMatrix4::Translation(zVector(places[index], 0, 0, 1));
            item->SetWorldMatrixSource([at] { return at; });
            item->SetMode(PhysicModeStatic);
            zPhysicShape* shape = item->AddCollisionShape();
            shape->SetMesh(entry.type, "box.zml");
            shape->scale = scales[index];
            shapes.push_back(shape);
            item->UpdateInertiaTensorFromCollision();
            ASSERT_TRUE(item->GetRigidBody()) << entry.name;
        }
        auto* scaled = static_cast<zBulletPhysicItem*>(items[0].get());
        auto* unit = static_cast<zBulletPhysicItem*>(items[1].get());
        const btVector3 scaling = scaled->GetLibraryShape(shapes[0])->getLocalScaling();
        EXPECT_FLOAT_EQ(scaling.x(), 2.0f) << entry.name;
        EXPECT_FLOAT_EQ(scaling.y(), 3.0f) << entry.name;
        EXPECT_FLOAT_EQ(scaling.z(), 1.0f) << entry.name;
        const btVector3 shared = unit->GetLibraryShape(shapes[1])->getLocalScaling();
        EXPECT_FLOAT_EQ(shared.x(), 1.0f) << entry.name;
        EXPECT_FLOAT_EQ(shared.y(), 1.0f) << entry.name;
        // Rays down onto each: the scaled top is at y = 3 and reaches out
        // to x = 1.5; the unit one is at y = 1.
        struct Ray {
            f32 x;
            f32 top;
        } const rays[] = {{0.0f, 3.0f}, {1.5f, 3.0f}, {10.0f, 1.0f}, {10.5f, 1.0f}};
        for (const Ray& ray : rays) {
            zPhysicRayResult hit;
            ASSERT_TRUE(f.world.Raytrace(zVector(ray.x, 50, 0.25f, 1), zVector(0, -1, 0, 1), hit, 1, 0, 100))
                << entry.name << " at " << ray.x;
            EXPECT_NEAR(hit.position.y, ray.top, 0.05f) << entry.name << " at " << ray.x;
        }
        zPhysicRayResult miss;
        EXPECT_FALSE(f.world.Raytrace(zVector(11.5f, 50, 0.25f, 1), zVector(0, -1, 0, 1), miss, 1, 0, 100))
            << entry.name;
        items.clear();
    }
}
