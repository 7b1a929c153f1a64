// A "gl2" renderer on SDL's offscreen driver (Mesa), with the project's core
// shader library in the memory file system, a host that serves materials and
// geometries, and helpers to build a one-quad scene and read pixels back.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "platform/gl_display.h"
#include "render/gl/gl_renderer.h"
#include "render/gl/gl_renderer_data.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"
#include "tests/support/memory_files.h"

inline std::string ReadCoreShaderLibrary() {
    std::ifstream file(ZE_GL_SHADER_LIBRARY, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A view from (0, 0, 2) looking down -z, with an orthographic unit box.
struct FixedView : zRenderViewItem {
    zCameraBlock block;
    zMatrix4 world = zMatrix4::Translation(zVector(0.0f, 0.0f, 2.0f));
    zMatrix4 GetViewMatrix() override { return world.Inverse(); }
    // Orthographic: x, y in -1..1, view z from -0.1 to -10 mapped to -1..1
    // (engine matrices take row vectors: the offset is in the last row).
    zMatrix4 GetProjectionMatrix() override {
        const f32 n = 0.1f, f = 10.0f;
        return zMatrix4(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2.0f / (f - n), 0, 0, 0, -(f + n) / (f - n), 1);
    }
    void UpdateFrustum(zFrustum*, f32, f32) override {}
    const zCameraBlock& GetCameraBlock() const override { return block; }
    const zMatrix4* GetTransformBlock() const override { return &world; }
    // The camera's settings and where it stood a frame ago (null: here).
    zRegistry registry;
    const zMatrix4* previousWorld = nullptr;
    zRegistry* GetViewRegistry() override { return &registry; }
    const zMatrix4* GetPreviousTransformBlock() const override { return previousWorld; }
};

// One mesh part per geometry, at its world matrix.
struct MeshRenderable : zRenderable {
    zGeometry* geometry = nullptr;
    zMatrix4 world;
    const zMatrix4* previousWorld = nullptr; // null: it did not move
    f32 sortKey = 0.0f;
    std::vector<zMatrix4> skinning; // per bone of the geometry; empty: unskinned
    void AppendPrimitives(zRenderViewItem*, zList<zRenderablePrimitive*>& out, u32) override {
        auto* primitive = new zMeshPrimitive();
        primitive->renderable = this;
        primitive->sortKey = sortKey;
        primitive->payload = geometry;
        primitive->world = world;
        primitive->previousWorld = previousWorld ? *previousWorld : world;
        primitive->skinning = skinning.empty() ? nullptr : skinning.data();
        primitive->boneCount = u32(skinning.size());
        out.Add(primitive);
    }
};

// Ambient colour and the lights it answers with, each time it is asked.
struct AmbientScene : zRendererSceneInterface {
    zVector ambient{1.0f, 1.0f, 1.0f, 1.0f};
    std::vector<zRenderLight*> lights;
    u32 collectCalls = 0;
    zVector askedPosition;
    void GetAmbient(zVector& out) override { out = ambient; }
    void CollectLights(const zVector& position, const zMinMax&, zList<zRenderLight*>& out,
                       u32 maxCount) override {
        ++collectCalls;
        askedPosition = position;
        out.Clear();
        for (zRenderLight* light : lights)
            if (out.GetCount() < maxCount) out.Add(light);
    }
};

struct GLRendererFixture : ::testing::Test {
    static constexpr u32 Width = 64;
    static constexpr u32 Height = 48;
    GeometryHost host;
    std::unique_ptr<zGL3Renderer> renderer;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        PutMemoryFile("default_shaders.zml", ReadCoreShaderLibrary());
        renderer = std::make_unique<zGL3Renderer>(&host, true);
    }
    void TearDown() override { renderer.reset(); }

    // Opens hidden; with fixedFunction the "DisableShader" pipeline.
    bool OpenHidden(bool fixedFunction = false, u32 width = Width, u32 height = Height) {
        renderer->SetSystemWord(SystemDisableShader, fixedFunction);
        LogCapture quiet;
        return renderer->OpenMode(width, height, 32, zGL3Renderer::ModeHidden);
    }

    GLuint Name(const zTexture* texture) const {
        const auto* data =
            texture ? dynamic_cast<const zGL3Renderer::GL_TextureData*>(texture->GetRenderData()) : nullptr;
        return data ? data->name : 0;
    }
    // Width, height and internal format of a texture's level 0.
    void Level(const zTexture* texture, GLint& width, GLint& height, GLint& format) {
        const zGLFunctions& gl = renderer->GetGL();
        gl.glBindTexture(zgl::Texture2D, Name(texture));
        gl.glGetTexLevelParameteriv(zgl::Texture2D, 0, zgl::TextureWidth, &width);
        gl.glGetTexLevelParameteriv(zgl::Texture2D, 0, zgl::TextureHeight, &height);
        gl.glGetTexLevelParameteriv(zgl::Texture2D, 0, zgl::TextureInternalFormat, &format);
        gl.glBindTexture(zgl::Texture2D, 0);
    }

    // A quad from (x0, y0) to (x1, y1) at z = 0 with one new material.
    zSharedPtr<zGeometry> Quad(f32 x0, f32 y0, f32 x1, f32 y1) {
        auto geometry = MakeGeometry(
            &host, {zVector(x0, y0, 0), zVector(x1, y0, 0), zVector(x1, y1, 0), zVector(x0, y1, 0)},
            {{{0, 1, 2, 3}, 0}});
        geometry->ComputePolygonNormals(true);
        geometry->ComputeVertexNormals(true);
        return geometry;
    }

    // The picture of the frame, BGRA, top row first.
    zPicture Grab() {
        zPicture picture;
        renderer->GrabDisplay(&picture);
        return picture;
    }
};

// (r, g, b) of a BGRA picture at (x, y), top-down.
inline void PixelAt(const zPicture& picture, u32 x, u32 y, int rgb[3]) {
    const u8* p = picture.GetPixels() + (y * picture.GetWidth() + x) * 4;
    rgb[0] = p[2];
    rgb[1] = p[1];
    rgb[2] = p[0];
}

inline ::testing::AssertionResult Near(const zPicture& picture, u32 x, u32 y, int r, int g, int b,
                                       int tolerance = 2) {
    if (!picture.GetPixels() || x >= picture.GetWidth() || y >= picture.GetHeight()) {
        return ::testing::AssertionFailure() << "no pixel at " << x << ", " << y;
    }
    int rgb[3];
    PixelAt(picture, x, y, rgb);
    if (std::abs(rgb[0] - r) <= tolerance && std::abs(rgb[1] - g) <= tolerance &&
        std::abs(rgb[2] - b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel " << x << ", " << y << " is (" << rgb[0] << ", " << rgb[1] << ", " << rgb[2]
           << "), expected (" << r << ", " << g << ", " << b << ")";
}
