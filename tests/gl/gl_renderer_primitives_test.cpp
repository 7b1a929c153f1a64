// Particle emitters and terrain patches drawn by the "gl2" renderer from
// hand-made sources, read back from Mesa: which particles show and in which
// passes, and a terrain patch's grid, heights, clamped edges and buffers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/material.h"
#include "tests/gl/gl_frame_fixture.h"

namespace {

// An emitter of fixed particles (given farthest first).
struct ParticleEmitter : zRenderable, zParticleSource {
    zMaterial* material = nullptr;
    std::vector<zRenderParticle> particles;
    u32 sorts = 0;
    zMaterial* GetParticleMaterial() const override { return material; }
    u32 SortParticles(const zMatrix4&) override {
        ++sorts;
        return u32(particles.size());
    }
    bool GetRenderParticle(u32 index, zRenderParticle& out) const override {
        if (index >= particles.size()) return false;
        out = particles[index];
        return true;
    }
    void AppendPrimitives(zRenderViewItem*, zList<zRenderablePrimitive*>& out, u32) override {
        auto* entry = new zRenderablePrimitive();
        entry->kind = PrimitiveEmitter;
        entry->renderable = this;
        out.Add(entry);
    }
};

zRenderParticle Particle(f32 x, f32 y, f32 size, const f32 colour[4], f32 life = 1.0f) {
    zRenderParticle particle;
    particle.position = zVector(x, y, 0.0f, 1.0f);
    particle.size = size;
    for (u32 i = 0; i < 4; ++i)
        particle.color[i] = colour[i];
    particle.life = life;
    return particle;
}

// A 65 x 65 sample terrain facing the camera: its x along world x, its rows
// up world y and its heights towards the camera, over -0.5 .. 0.5.
struct PatchTerrain : zRenderable, zTerrainPatchSource {
    std::vector<i16> heights = std::vector<i16>(65 * 65, 0);
    std::vector<i8> normals;
    zTerrainPatchGrid grid;
    PatchTerrain() {
        for (u32 i = 0; i < 65 * 65; ++i) {
            normals.push_back(0);
            normals.push_back(127);
            normals.push_back(0);
        }
        grid.rowStride = 65;
        grid.lastColumn = grid.lastRow = 64;
        grid.spacing = 1.0f / 64.0f;
        grid.extentX = grid.extentZ = 1.0f;
        grid.world = zMatrix4(1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, -0.5f, -0.5f, 0, 1);
    }
    bool GetPatchGrid(const void* patch, zTerrainPatchGrid& out) override {
        if (patch != this) return false;
        out = grid;
        out.heights = heights.data();
        out.normals = normals.data();
        return true;
    }
    void AppendPrimitives(zRenderViewItem*, zList<zRenderablePrimitive*>& out, u32) override {
        auto* entry = new zRenderablePrimitive();
        entry->kind = PrimitiveTerrainPatch;
        entry->renderable = this;
        entry->payload = this;
        out.Add(entry);
    }
};

struct GLRendererPrimitives : GLRendererFrame {
    // A particle material: white, so that the particles' colours show.
    zMaterial* ParticleMaterial(u32 flags) {
        zMaterial* material = RedQuad(MaterialFlagShadeless | MaterialFlagParticle | flags);
        material->SetColor(MaterialColorDiffuse, 1.0f, 1.0f, 1.0f, 1.0f);
        LogCapture quiet;
        material->Update();
        return material;
    }
    zPicture DrawRenderables(const std::vector<zRenderable*>& queue) {
        renderer->SetViewItem(&view);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        for (zRenderable* renderable : queue)
            renderer->QueueRenderable(renderable);
        LogCapture quiet;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, ClearAll);
        renderer->RenderQueue();
        return Grab();
    }
};

// Background (0.2, 0.4, 0.6).
constexpr int BackR = 51, BackG = 102, BackB = 153;
// Pixel of view (x, y) in -1..1, y up.
u32 PixelX(f32 x) {
    return u32((x + 1.0f) * 0.5f * f32(GLRendererFixture::Width));
}
u32 PixelY(f32 y) {
    return u32((1.0f - y) * 0.5f * f32(GLRendererFixture::Height));
}

const f32 GreenOpaque[4] = {0.0f, 1.0f, 0.0f, 1.0f};

// Live particles show as squares of their size; one whose life ended or whose
// alpha is below 0.01 does not, in both pipelines that draw particles.
TEST_F(GLRendererPrimitives, LiveVisibleParticlesAreDrawnAsCameraFacingSquares) {
    const f32 faint[4] = {0.0f, 1.0f, 0.0f, 0.005f};
    for (bool fixedFunction : {true, false}) {
        SCOPED_TRACE(fixedFunction ? "fixed function" : "deferred, forward-rendered material");
        ASSERT_TRUE(OpenHidden(fixedFunction));
        zMaterial* material = ParticleMaterial(MaterialFlagFixedFunction);
        ParticleEmitter emitter;
        emitter.material = material;
        emitter.particles = {Particle(-0.5f, 0.5f, 0.2f, GreenOpaque), Particle(0.5f, 0.5f, 0.2f, faint),
                             Particle(-0.5f, -0.5f, 0.2f, GreenOpaque, -1.0f),
                             Particle(0.5f, -0.5f, 0.2f, GreenOpaque, 0.0f)};
        renderer->ResetStatistics();
        const zPicture frame = DrawRenderables({&emitter});
        EXPECT_GE(emitter.sorts, 1u);
        const struct {
            f32 x, y;
            bool shown;
        } cases[] = {{-0.5f, 0.5f, true}, {0.5f, 0.5f, false}, {-0.5f, -0.5f, false}, {0.5f, -0.5f, true},
                     // outside the square of size 0.2 around the shown particle
                     {-0.5f, 0.8f, false}, {-0.8f, 0.5f, false}};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
            if (c.shown) {
                EXPECT_TRUE(Near(frame, PixelX(c.x), PixelY(c.y), 0, 255, 0));
            } else {
                EXPECT_TRUE(Near(frame, PixelX(c.x), PixelY(c.y), BackR, BackG, BackB));
            }
        }
        // Two particles of one batch: two triangles each.
        EXPECT_EQ(renderer->GetStatistic(StatisticTriangleDrawn), 4u);
        renderer->Close();
    }
}

// The particle's angle turns its square: at 45 degrees the square's corner
// reaches past its half-side along the axes, and its diagonal corner region
// is empty.
TEST_F(GLRendererPrimitives, ParticleAngleTurnsTheSquare) {
    ASSERT_TRUE(OpenHidden(true));
    ParticleEmitter emitter;
    emitter.material = ParticleMaterial(0);
    zRenderParticle turned = Particle(0.0f, 0.0f, 0.4f, GreenOpaque);
    turned.angle = 0.7853982f;
    emitter.particles = {turned};
    const zPicture frame = DrawRenderables({&emitter});
    EXPECT_TRUE(Near(frame, PixelX(0.0f), PixelY(0.5f), 0, 255, 0));
    EXPECT_TRUE(Near(frame, PixelX(0.5f), PixelY(0.0f), 0, 255, 0));
    EXPECT_TRUE(Near(frame, PixelX(0.36f), PixelY(0.36f), BackR, BackG, BackB));
}

// A transparent (additive) particle material is drawn once, in the blended
// pass: a quarter green added to the background once, not twice.
TEST_F(GLRendererPrimitives, TransparentParticlesAreBlendedOnce) {
    for (bool fixedFunction : {true, false}) {
        SCOPED_TRACE(fixedFunction ? "fixed function" : "deferred");
        ASSERT_TRUE(OpenHidden(fixedFunction));
        ParticleEmitter emitter;
        emitter.material = ParticleMaterial(MaterialFlagAdditive | MaterialFlagFixedFunction);
        ASSERT_TRUE(emitter.material->GetTransparent());
        const f32 quarterGreen[4] = {0.0f, 0.25f, 0.0f, 1.0f};
        emitter.particles = {Particle(0.0f, 0.0f, 0.3f, quarterGreen)};
        const zPicture frame = DrawRenderables({&emitter});
        EXPECT_TRUE(Near(frame, PixelX(0.0f), PixelY(0.0f), BackR, 102 + 64, BackB, 3));
        renderer->Close();
    }
}

// In the deferred pipeline a material that is not forward-rendered needs its
// own programs; without them (never set up) nothing is drawn.
TEST_F(GLRendererPrimitives, DeferredParticlesWithoutProgramsDrawNothing) {
    ASSERT_TRUE(OpenHidden(false));
    zMaterial material(&host, &host);
    ParticleEmitter emitter;
    emitter.material = &material;
    emitter.particles = {Particle(0.0f, 0.0f, 0.5f, GreenOpaque)};
    renderer->ResetStatistics();
    const zPicture frame = DrawRenderables({&emitter});
    EXPECT_TRUE(Near(frame, PixelX(0.0f), PixelY(0.0f), BackR, BackG, BackB));
    EXPECT_EQ(renderer->GetStatistic(StatisticTriangleDrawn), 0u);
}

// A patch of 64 x 64 cells covers its grid; heights are samples / 20 (20 is
// one unit towards the camera, 50 behind it and clipped); rows past the
// grid's last row are clamped onto it.
TEST_F(GLRendererPrimitives, TerrainPatchCoversItsGridAtItsHeights) {
    ASSERT_TRUE(OpenHidden(false));
    const zMaterial* unused = RedQuad(0);
    (void)unused;
    PatchTerrain terrain;
    terrain.grid.material = quad->GetMaterial(0);
    const struct {
        const char* name;
        i16 upperHeight; // rows 40 .. 64
        i32 lastRow;
        bool lowerShown, upperShown;
    } cases[] = {
        {"flat", 0, 64, true, true},
        {"one unit up", 20, 64, true, true},
        {"behind the camera", 50, 64, true, false},
        {"rows clamped at 32", 0, 32, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (i32 row = 0; row <= 64; ++row)
            for (i32 column = 0; column <= 64; ++column)
                terrain.heights[size_t(row) * 65 + size_t(column)] = row >= 40 ? c.upperHeight : 0;
        terrain.grid.lastRow = c.lastRow;
        renderer->ResetStatistics();
        const zPicture frame = DrawRenderables({&terrain});
        // Red, lit by the white ambient; the frame outside the patch stays clear.
        auto expect = [&frame](f32 x, f32 y, bool shown) {
            if (shown) {
                EXPECT_TRUE(Near(frame, PixelX(x), PixelY(y), 255, 0, 0));
            } else {
                EXPECT_TRUE(Near(frame, PixelX(x), PixelY(y), BackR, BackG, BackB));
            }
        };
        expect(0.0f, -0.3f, c.lowerShown);
        expect(0.0f, 0.4f, c.upperShown);
        expect(0.8f, 0.0f, false);
        expect(0.0f, -0.8f, false);
        // Passes 2 and 3: one list of 8192 triangles each.
        EXPECT_EQ(renderer->GetStatistic(StatisticObjectDrawn), 2u);
        EXPECT_EQ(renderer->GetStatistic(StatisticTriangleDrawn), 2u * 8192u);
    }
}

// The shared buffers: 64 x 64 quads of four 16-bit indices and 65 x 65
// vertices of 32 bytes, made once, counted, and gone with the context.
TEST_F(GLRendererPrimitives, TerrainBuffersAreMadeOnceAndReleasedAtClose) {
    ASSERT_TRUE(OpenHidden(false));
    RedQuad(0);
    PatchTerrain terrain;
    terrain.grid.material = quad->GetMaterial(0);
    EXPECT_EQ(renderer->GetTerrainIndexBuffer(), 0u);
    const u64 before = renderer->GetGeometryBytes();
    DrawRenderables({&terrain});
    const GLuint indices = renderer->GetTerrainIndexBuffer();
    ASSERT_NE(indices, 0u);
    ASSERT_NE(renderer->GetTerrainVertexBuffer(), 0u);
    EXPECT_EQ(renderer->GetGeometryBytes() - before, 32768u + 65u * 65u * 32u);
    DrawRenderables({&terrain});
    EXPECT_EQ(renderer->GetTerrainIndexBuffer(), indices);
    EXPECT_EQ(renderer->GetGeometryBytes() - before, 32768u + 65u * 65u * 32u);
    renderer->Close();
    EXPECT_EQ(renderer->GetTerrainIndexBuffer(), 0u);
    EXPECT_EQ(renderer->GetTerrainVertexBuffer(), 0u);
}

// Passes other than 2, 3 and 5 draw no terrain; neither does the
// fixed-function pipeline, which has no programs.
TEST_F(GLRendererPrimitives, TerrainIsNotDrawnInTheFixedFunctionPipeline) {
    ASSERT_TRUE(OpenHidden(true));
    RedQuad(0);
    PatchTerrain terrain;
    terrain.grid.material = quad->GetMaterial(0);
    const zPicture frame = DrawRenderables({&terrain});
    EXPECT_TRUE(Near(frame, PixelX(0.0f), PixelY(0.0f), BackR, BackG, BackB));
    EXPECT_EQ(renderer->GetTerrainIndexBuffer(), 0u);
}

} // namespace
