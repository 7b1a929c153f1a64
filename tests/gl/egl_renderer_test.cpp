// The "egl2" renderer on Mesa through SDL's offscreen driver: open and close,
// resize, the material programs of every fixed-function material, and frames
// read back: a closed box lit by one point light, lights of other types, and
// depths past the packed range.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "render/gl/egl_renderer.h"
#include "render/material.h"
#include "render/render_light.h"
#include "tests/gl/closed_box.h"
#include "tests/gl/gl_renderer_fixture.h"
#include "tests/gl/material_cases.h"
#include "tests/render/material_fixtures.h"

namespace {

struct EGLRendererFixture : ::testing::Test {
    static constexpr u32 Width = 64;
    static constexpr u32 Height = 48;
    GeometryHost host;
    std::unique_ptr<zEGLRenderer> renderer;
    ForwardView view;
    AmbientScene scene;
    MeshRenderable mesh;
    zSharedPtr<zGeometry> box;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        renderer = std::make_unique<zEGLRenderer>(&host, true);
    }
    void TearDown() override {
        if (box) renderer->FreeGeometry(box.Get());
        box = zSharedPtr<zGeometry>();
        renderer.reset();
    }
    bool OpenHidden() {
        LogCapture quiet;
        return renderer->OpenMode(Width, Height, 32, zEGLRenderer::ModeHidden);
    }
    const zEGLFunctions& GL() const { return GetEGLFunctions(); }

    // A box with a diffuse colour, from z = near to z = far, 1 unit each side
    // of the view axis.
    zMaterial* ColouredBox(f32 nearZ, f32 farZ) {
        box = ClosedBox(&host, zVector(-1.0f, -1.0f, nearZ), zVector(1.0f, 1.0f, farZ));
        zMaterial* material = box->GetMaterial(0);
        material->SetColor(MaterialColorDiffuse, 0.8f, 0.4f, 0.2f, 1.0f);
        material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
        renderer->SetCleanResourceOnSetup(false);
        mesh.geometry = box.Get();
        return material;
    }

    // The frame, read back bottom row first (RGBA).
    std::vector<u8> DrawFrame(std::string* log = nullptr) {
        renderer->SetViewItem(&view);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        renderer->QueueRenderable(&mesh);
        LogCapture capture;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, ClearAll);
        renderer->RenderQueue();
        if (log) *log = capture.Text();
        std::vector<u8> pixels(Width * Height * 4);
        GL().glReadPixels(0, 0, Width, Height, zgl::Rgba, zgl::UnsignedByte, pixels.data());
        return pixels;
    }
};

// (r, g, b) at (x, y) from the bottom-left corner.
std::vector<int> At(const std::vector<u8>& pixels, u32 x, u32 y) {
    const u8* p = pixels.data() + (y * EGLRendererFixture::Width + x) * 4;
    return {p[0], p[1], p[2]};
}

void ExpectNear(const std::vector<int>& seen, int r, int g, int b, int tolerance = 3) {
    EXPECT_NEAR(seen[0], r, tolerance);
    EXPECT_NEAR(seen[1], g, tolerance);
    EXPECT_NEAR(seen[2], b, tolerance);
}

// The middle of the view and a pixel near the corner of the box's near face.
constexpr u32 MiddleX = 32, MiddleY = 24, EdgeX = 38, EdgeY = 28;

TEST_F(EGLRendererFixture, IdentityAndOpenState) {
    EXPECT_STREQ(renderer->GetName(), "EGL Renderer.");
    EXPECT_STREQ(renderer->GetDescription(), "OpenGL ES renderer.");
    EXPECT_STREQ(renderer->GetVersion(), "0.1");
    LogCapture capture;
    ASSERT_TRUE(renderer->OpenMode(Width, Height, 32, zEGLRenderer::ModeHidden));
    EXPECT_NE(capture.Text().find("[H] Creating deferred buffers (64x48)\n"), std::string::npos);
    EXPECT_TRUE(renderer->IsOpen());
    i32 x, y, w, h;
    renderer->GetViewport(x, y, w, h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    for (u32 buffer = 0; buffer < zEGLRenderer::BufferCount; ++buffer)
        EXPECT_NE(renderer->GetBufferName(buffer), 0u);
    EXPECT_EQ(GL().glGetError(), GLenum(zgl::NoError));
}

// Modes: an unknown one opens windowed; full screen without that mode (the
// offscreen display has none) fails and leaves the renderer closed; a
// second open of an open renderer is refused.
TEST_F(EGLRendererFixture, OpenModes) {
    {
        LogCapture log;
        ASSERT_TRUE(renderer->OpenMode(Width, Height, 32, 7));
        EXPECT_NE(log.Text().find("[*] Unsupported mode (7), defaulting to windowed.\n"), std::string::npos);
        EXPECT_NE(renderer->GetWindowHandle(), nullptr);
    }
    {
        LogCapture log;
        EXPECT_FALSE(renderer->OpenMode(Width, Height, 32, zEGLRenderer::ModeHidden));
        EXPECT_NE(log.Text().find("[*] Renderer is already open"), std::string::npos);
        EXPECT_TRUE(renderer->IsOpen());
    }
    renderer->Close();
    LogCapture log;
    EXPECT_FALSE(renderer->OpenMode(Width, Height, 32, zEGLRenderer::ModeFullscreen));
    EXPECT_NE(log.Text().find("[!] failed to switch to fullscreen.\n"), std::string::npos);
    EXPECT_EQ(log.Text().find("[H] Creating deferred buffers"), std::string::npos);
    EXPECT_FALSE(renderer->IsOpen());
    EXPECT_EQ(renderer->GetWindowHandle(), nullptr);
    for (u32 buffer = 0; buffer < zEGLRenderer::BufferCount; ++buffer)
        EXPECT_EQ(renderer->GetBufferName(buffer), 0u);
}

TEST_F(EGLRendererFixture, CloseReleasesTheTargetsAndReopens) {
    ASSERT_TRUE(OpenHidden());
    renderer->Close();
    EXPECT_FALSE(renderer->IsOpen());
    for (u32 buffer = 0; buffer < zEGLRenderer::BufferCount; ++buffer)
        EXPECT_EQ(renderer->GetBufferName(buffer), 0u);
    // The GL library may go with the last window: nothing of it is kept.
    EXPECT_FALSE(GL().loaded);
    EXPECT_EQ(GL().glViewport, nullptr);
    ASSERT_TRUE(OpenHidden());
    for (u32 buffer = 0; buffer < zEGLRenderer::BufferCount; ++buffer)
        EXPECT_NE(renderer->GetBufferName(buffer), 0u);
}

TEST_F(EGLRendererFixture, ResizeRemakesTheBuffersAndRefusesAnEmptySize) {
    EXPECT_FALSE(renderer->Resize(32, 24)); // closed
    ASSERT_TRUE(OpenHidden());
    f32 size[2];
    for (const auto& empty : {std::pair<u32, u32>{0, 0}, {0, 24}, {32, 0}}) {
        EXPECT_FALSE(renderer->Resize(empty.first, empty.second));
        renderer->GetOutputSize(size);
        EXPECT_EQ(size[0], 64.0f);
        EXPECT_EQ(size[1], 48.0f);
        EXPECT_NE(renderer->GetBufferName(zEGLRenderer::BufferLight), 0u);
    }
    LogCapture capture;
    EXPECT_TRUE(renderer->Resize(32, 24));
    EXPECT_NE(capture.Text().find("[H] Creating deferred buffers (32x24)\n"), std::string::npos);
    renderer->GetOutputSize(size);
    EXPECT_EQ(size[0], 32.0f);
    EXPECT_EQ(size[1], 24.0f);
    EXPECT_NE(renderer->GetBufferName(zEGLRenderer::BufferColor), 0u);
    EXPECT_EQ(GL().glGetError(), GLenum(zgl::NoError));
}

TEST_F(EGLRendererFixture, EveryFixedFunctionMaterialBuildsItsFourPrograms) {
    ASSERT_TRUE(OpenHidden());
    for (const MaterialCase& c : FixedFunctionMaterialCases()) {
        SCOPED_TRACE(c.what);
        FakeMaterialHost materials;
        zMaterial material(&materials, &materials);
        c.setup(material, materials);
        material.CheckStages();
        LogCapture capture;
        ASSERT_TRUE(renderer->SetupMaterial(&material));
        EXPECT_EQ(capture.Text().find("[!]"), std::string::npos) << capture.Text();
        for (u32 pass = 0; pass < zEGLRenderer::PassCount; ++pass)
            EXPECT_NE(renderer->GetMaterialProgram(&material, pass), nullptr) << "pass " << pass;
        renderer->FreeMaterial(&material);
        EXPECT_EQ(material.GetRenderData(), nullptr);
    }
}

// The programs get no bone palette: a skinned geometry says it stays in its
// bind pose; an unskinned one says nothing of it.
TEST_F(EGLRendererFixture, SkinnedGeometryLogsItsBindPose) {
    ASSERT_TRUE(OpenHidden());
    for (bool skinned : {false, true}) {
        SCOPED_TRACE(skinned);
        zSharedPtr<zGeometry> geometry =
            MakeGeometry(&host, {zVector(0, 0, 4), zVector(1, 0, 4), zVector(1, 1, 4)}, {{{0, 1, 2}, 0}});
        geometry->SetName("skinned");
        if (skinned) {
            ASSERT_TRUE(geometry->AllocateSkin(3));
            for (u32 v = 0; v < 3; ++v) {
                geometry->GetSkinWeights()[v].bones[0] = u16(v);
                geometry->GetSkinWeights()[v].weights[0] = 1.0f;
            }
        }
        LogCapture log;
        ASSERT_TRUE(renderer->SetupGeometry(geometry.Get()));
        EXPECT_EQ(log.Text().find("[*] Skinned geometry 'skinned' is drawn in its bind pose.\n") !=
                      std::string::npos,
                  skinned)
            << log.Text();
        renderer->FreeGeometry(geometry.Get());
        EXPECT_EQ(geometry->GetRenderData(), nullptr);
    }
}

// A closed box lit by a point light in front of it: inside the light's range
// it is brighter than without the light; outside, ambient x colour. Only its
// outside (the near face) is within the range: its inside would stay dark.
TEST_F(EGLRendererFixture, PointLightLightsTheBoxWithinItsRange) {
    ASSERT_TRUE(OpenHidden());
    ColouredBox(4.0f, 6.0f);
    scene.ambient = zVector(0.5f, 0.5f, 0.5f, 1.0f);
    const std::vector<u8> unlit = DrawFrame();
    // Ambient x (0.8, 0.4, 0.2) on the box; the window's clear colour is covered
    // by the blit of the colour buffer's clear (black).
    ExpectNear(At(unlit, MiddleX, MiddleY), 102, 51, 26);
    ExpectNear(At(unlit, EdgeX, EdgeY), 102, 51, 26);
    ExpectNear(At(unlit, 1, 1), 0, 0, 0);

    PointAt light;
    light.place = zVector(0.0f, 0.0f, 3.0f);
    light.range = 1.3f;
    scene.lights = {&light};
    renderer->ResetStatistics();
    std::string log;
    const std::vector<u8> lit = DrawFrame(&log);
    EXPECT_EQ(log.find("[!]"), std::string::npos) << log;
    EXPECT_EQ(renderer->GetStatistic(StatisticLightDrawn), 1u);
    // The near face, 1 unit from the light: k = 1 - 1 / 1.3.
    const std::vector<int> middle = At(lit, MiddleX, MiddleY);
    EXPECT_GT(middle[0], 102 + 20);
    ExpectNear(middle, int(255 * 0.8f * (0.5f + 0.3f / 1.3f)), int(255 * 0.4f * (0.5f + 0.3f / 1.3f)),
               int(255 * 0.2f * (0.5f + 0.3f / 1.3f)), 4);
    // (0.8, 0.75, 4): 1.5 units away, past the range.
    ExpectNear(At(lit, EdgeX, EdgeY), 102, 51, 26);
    EXPECT_EQ(GL().glGetError(), GLenum(zgl::NoError));
}

TEST_F(EGLRendererFixture, LightSeenFromInsideItsBoxStillLights) {
    ASSERT_TRUE(OpenHidden());
    ColouredBox(4.0f, 6.0f);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    PointAt light;
    light.place = zVector(0.0f, 0.0f, 1.0f); // the camera stands inside its 8-unit box
    light.range = 8.0f;
    scene.lights = {&light};
    const std::vector<int> middle = At(DrawFrame(), MiddleX, MiddleY);
    EXPECT_GT(middle[0], 40);
}

// Without a scene interface there is no light pass: the colour pass reads
// the accumulation buffer as it stands (no light after an open), and no
// light is asked for.
TEST_F(EGLRendererFixture, FrameWithoutSceneInterfaceSkipsTheLightPass) {
    ASSERT_TRUE(OpenHidden());
    zMaterial* material = ColouredBox(4.0f, 6.0f);
    material->SetColor(MaterialColorSelfIllum, 0.0f, 0.25f, 0.0f, 1.0f);
    renderer->SetViewItem(&view);
    renderer->SetSceneInterface(nullptr);
    renderer->ApplyView();
    renderer->ResetRenderQueue();
    renderer->QueueRenderable(&mesh);
    renderer->ResetStatistics();
    {
        LogCapture quiet;
        renderer->RenderQueue();
    }
    std::vector<u8> pixels(Width * Height * 4);
    GL().glReadPixels(0, 0, Width, Height, zgl::Rgba, zgl::UnsignedByte, pixels.data());
    // The self-illumination alone (the constant term), no light.
    ExpectNear(At(pixels, MiddleX, MiddleY), 0, 64, 0);
    EXPECT_EQ(scene.collectCalls, 0u);
    EXPECT_EQ(renderer->GetStatistic(StatisticLightDrawn), 0u);
    EXPECT_GT(renderer->GetStatistic(StatisticTriangleDrawn), 0u);
    renderer->SetViewItem(nullptr);
}

TEST_F(EGLRendererFixture, SpotAndParallelLightsChangeNothing) {
    ASSERT_TRUE(OpenHidden());
    ColouredBox(4.0f, 6.0f);
    scene.ambient = zVector(0.5f, 0.5f, 0.5f, 1.0f);
    const std::vector<u8> unlit = DrawFrame();
    for (u32 type : {2u, 3u}) {
        SCOPED_TRACE(type);
        PointAt light;
        light.type = type;
        light.place = zVector(0.0f, 0.0f, 3.0f);
        light.range = 1.3f;
        scene.lights = {&light};
        renderer->ResetStatistics();
        EXPECT_EQ(DrawFrame(), unlit);
        EXPECT_EQ(renderer->GetStatistic(StatisticLightDrawn), 0u);
    }
}

// Depth is packed over 0..512 view units; a surface beyond keeps the far
// value, so a light just short of 512 still reaches it.
TEST_F(EGLRendererFixture, DepthBeyondThePackedRangeReadsAsTheFarValue) {
    ASSERT_TRUE(OpenHidden());
    box = ClosedBox(&host, zVector(-400.0f, -400.0f, 600.0f), zVector(400.0f, 400.0f, 700.0f));
    zMaterial* material = box->GetMaterial(0);
    material->SetColor(MaterialColorDiffuse, 1.0f, 1.0f, 1.0f, 1.0f);
    material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
    renderer->SetCleanResourceOnSetup(false);
    mesh.geometry = box.Get();
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    // On the middle pixel's ray, 7 units short of 512: the surface read at
    // 512 is lit; read at 0 (1.0 packed as 0) or at 600 it would be far away.
    const f32 rayX = (f32(MiddleX) + 0.5f) / f32(Width) * 2.0f - 1.0f;
    const f32 rayY = (f32(MiddleY) + 0.5f) / f32(Height) * 2.0f - 1.0f;
    PointAt light;
    light.place = zVector(rayX * 505.0f, rayY * 505.0f, 505.0f);
    light.range = 10.0f;
    scene.lights = {&light};
    const std::vector<int> middle = At(DrawFrame(), MiddleX, MiddleY);
    EXPECT_NEAR(middle[0], int(255 * 0.3f), 12);
}

} // namespace
