#include <new>

#include <BulletCollision/CollisionShapes/btBvhTriangleMeshShape.h>
#include <BulletCollision/CollisionShapes/btConvexHullShape.h>
#include <BulletCollision/CollisionShapes/btTriangleIndexVertexArray.h>

#include "core/log.h"
#include "engine/engine.h"
#include "physics/bullet_world.h"
#include "render/geometry.h"

namespace {

constexpr int PackedStride = 3 * sizeof(f32);
constexpr int IndexStride = 3 * sizeof(i32);

// The geometry of a collision shape, or null (logged) when it has nothing to
// build from.
const zGeometry* LoadShapeGeometry(zEngine* engine, const char* name, bool needPolygons) {
    const zGeometry* geometry = engine && name ? engine->LoadGeometry(name, true, false) : nullptr;
    if (!geometry) return nullptr;
    if (geometry->GetVertexCount() == 0 || (needPolygons && geometry->GetPolygonCount() == 0)) {
        GetLog() << "[!] No geometry data in '" << name << "' to build collision shape.\n";
        return nullptr;
    }
    return geometry;
}

// Copies the vertices as packed x, y, z and returns their mean (w = 1).
zVector PackVertices(const zGeometry& geometry, f32* out) {
    const zVector* vertices = geometry.GetVertices();
    const u32 count = geometry.GetVertexCount();
    zVector sum(0.0f, 0.0f, 0.0f, 1.0f);
    for (u32 i = 0; i < count; ++i) {
        out[3 * i] = vertices[i].x;
        out[3 * i + 1] = vertices[i].y;
        out[3 * i + 2] = vertices[i].z;
        sum.x += vertices[i].x;
        sum.y += vertices[i].y;
        sum.z += vertices[i].z;
    }
    return zVector(sum.x / f32(count), sum.y / f32(count), sum.z / f32(count), 1.0f);
}

template <typename T> zSharedPtr<T> FindShape(const zList<zSharedPtr<T>>& cache, const char* name) {
    for (auto* node = cache.GetHead(); node; node = node->next)
        if (node->value->name == name) return node->value;
    return zSharedPtr<T>();
}

} // namespace

zBulletConvex::zBulletConvex() : centre(0.0f, 0.0f, 0.0f, 1.0f) {}
zBulletConvex::~zBulletConvex() = default;

zBulletMesh::zBulletMesh() : centre(0.0f, 0.0f, 0.0f, 1.0f) {}

zBulletMesh::~zBulletMesh() {
    shape.reset();
    array.reset();
    indices.reset();
    vertices.reset();
}

zSharedPtr<zBulletConvex> zBulletWorld::GetConvex(const char* name) {
    if (!name) return zSharedPtr<zBulletConvex>();
    if (zSharedPtr<zBulletConvex> cached = FindShape(m_convexCache, name)) return cached;
    const zGeometry* geometry = LoadShapeGeometry(GetEngine(), name, false);
    if (!geometry) return zSharedPtr<zBulletConvex>();
    zSharedPtr<zBulletConvex> convex(new (std::nothrow) zBulletConvex);
    const u32 count = geometry->GetVertexCount();
    std::unique_ptr<f32[]> points(new (std::nothrow) f32[size_t(count) * 3]);
    if (convex && points) {
        convex->name = name;
        convex->centre = PackVertices(*geometry, points.get());
        // The hull copies the points.
        convex->shape.reset(NewBulletObject<btConvexHullShape>(points.get(), int(count), PackedStride));
    }
    if (!convex || !points || !convex->shape || !m_convexCache.Add(convex)) {
        GetLog() << "[!] Failed to allocate bullet convex.\n";
        return zSharedPtr<zBulletConvex>();
    }
    return convex;
}

zSharedPtr<zBulletMesh> zBulletWorld::GetMesh(const char* name) {
    if (!name) return zSharedPtr<zBulletMesh>();
    if (zSharedPtr<zBulletMesh> cached = FindShape(m_meshCache, name)) return cached;
    const zGeometry* geometry = LoadShapeGeometry(GetEngine(), name, true);
    if (!geometry) return zSharedPtr<zBulletMesh>();

    const u32 vertexCount = geometry->GetVertexCount();
    const zPolygon* polygons = geometry->GetPolygons();
    const u32 polygonCount = geometry->GetPolygonCount();
    u64 fanTriangles = 0;
    for (u32 p = 0; p < polygonCount; ++p)
        if (polygons[p].cornerCount >= 3) fanTriangles += polygons[p].cornerCount - 2u;

    zSharedPtr<zBulletMesh> mesh(new (std::nothrow) zBulletMesh);
    if (!mesh) {
        GetLog() << "[!] Failed to allocate bullet mesh.\n";
        return zSharedPtr<zBulletMesh>();
    }
    mesh->name = name;
    mesh->vertices.reset(new (std::nothrow) f32[size_t(vertexCount) * 3]);
    mesh->indices.reset(new (std::nothrow) i32[size_t(fanTriangles) * 3 + 3]);
    if (!mesh->vertices || !mesh->indices) {
        GetLog() << "[!] Failed to allocate bullet mesh.\n";
        return zSharedPtr<zBulletMesh>();
    }
    mesh->vertexCount = vertexCount;
    mesh->centre = PackVertices(*geometry, mesh->vertices.get());

    // Bullet reads the indices unchecked: a triangle naming a vertex past the
    // end is left out.
    u32 triangles = 0;
    bool skipped = false;
    for (u32 p = 0; p < polygonCount; ++p) {
        const zPolygon& polygon = polygons[p];
        for (u32 k = 1; k + 1 < polygon.cornerCount; ++k) {
            const u32 corners[3] = {polygon.bindings[0], polygon.bindings[k], polygon.bindings[k + 1]};
            if (corners[0] >= vertexCount || corners[1] >= vertexCount || corners[2] >= vertexCount) {
                skipped = true;
                continue;
            }
            for (int c = 0; c < 3; ++c)
                mesh->indices[3 * triangles + c] = i32(corners[c]);
            ++triangles;
        }
    }
    if (skipped) GetLog() << "[*] Triangles with a vertex index out of range left out of '" << name << "'.\n";
    if (triangles == 0) {
        // An empty tree is no shape at all.
        GetLog() << "[!] No geometry data in '" << name << "' to build collision shape.\n";
        return zSharedPtr<zBulletMesh>();
    }
    mesh->triangleCount = triangles;
    mesh->array.reset(NewBulletObject<btTriangleIndexVertexArray>(int(triangles), mesh->indices.get(),
                                                                  IndexStride, int(vertexCount),
                                                                  mesh->vertices.get(), PackedStride));
    if (mesh->array)
        mesh->shape.reset(NewBulletObject<btBvhTriangleMeshShape>(mesh->array.get(), true, true));
    if (!mesh->shape || !m_meshCache.Add(mesh)) {
        GetLog() << "[!] Failed to allocate bullet mesh.\n";
        return zSharedPtr<zBulletMesh>();
    }
    return mesh;
}
