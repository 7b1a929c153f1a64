// A camera as the engine's cameras look (from the origin along +z) and a
// closed box whose faces are wound so that their normals point out of it:
// what a renderer shows of the box tells whether it culls its inside.
#pragma once

#include <vector>

#include "render/render_light.h"
#include "render/renderer.h"
#include "tests/render/geometry_fixtures.h"

struct ForwardView : zRenderViewItem {
    zCameraBlock block;
    zMatrix4 world;
    zMatrix4 GetViewMatrix() override { return world.Inverse(); }
    zMatrix4 GetProjectionMatrix() override { return PerspectiveProjection(1.0f, block.zNear, 1000.0f); }
    void UpdateFrustum(zFrustum*, f32, f32) override {}
    const zCameraBlock& GetCameraBlock() const override { return block; }
    const zMatrix4* GetTransformBlock() const override { return &world; }
};

// A light at a fixed world place shining along +z.
struct PointAt : zRenderLight {
    zVector place;
    void GetRenderAxes(zVector& position, zVector& zAxis) override {
        position = place;
        zAxis = zVector(0.0f, 0.0f, 1.0f, 0.0f);
    }
};

inline zSharedPtr<zGeometry> ClosedBox(zRenderHost* host, const zVector& low, const zVector& high) {
    std::vector<zVector> corners;
    for (u32 i = 0; i < 8; ++i) {
        corners.push_back(
            zVector((i & 1) ? high.x : low.x, (i & 2) ? high.y : low.y, (i & 4) ? high.z : low.z));
    }
    const std::vector<PolygonSpec> faces = {{{0, 1, 3, 2}}, {{4, 6, 7, 5}}, {{0, 4, 5, 1}},
                                            {{2, 3, 7, 6}}, {{0, 2, 6, 4}}, {{1, 5, 7, 3}}};
    auto box = MakeGeometry(host, corners, faces);
    box->ComputePolygonNormals(true);
    return box;
}
