// Lights of the "gl2" renderer read back from Mesa: the scene's lights
// collected each frame into the fixed-function table and into the deferred
// light passes (point, spot and parallel lights, volumes seen from inside and
// outside, a spot light's shadow map), the light data and its shader choice,
// and the velocity pass of motion blur.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "render/material.h"
#include "tests/gl/closed_box.h"
#include "tests/gl/gl_frame_fixture.h"

namespace {

// A light at a fixed world place shining along a fixed axis.
struct PlacedLight : zRenderLight {
    zVector place;
    zVector axis{0.0f, 0.0f, -1.0f, 0.0f};
    void GetRenderAxes(zVector& position, zVector& zAxis) override {
        position = place;
        zAxis = axis;
    }
};

// Red of the quad left and right of its middle.
struct Sides {
    int left = 0;
    int right = 0;
};

struct GLRendererLights : GLRendererFrame {
    // A geometry set up in the renderer with its material double-sided.
    bool SetUpDoubleSided(zGeometry* geometry) {
        zMaterial* material = geometry->GetMaterial(0);
        material->SetFlags(material->GetFlags() | MaterialFlagDoubleSided);
        LogCapture quiet;
        return renderer->SetupMaterial(material) && renderer->SetupGeometry(geometry);
    }
    // The quad and an occluder seen from a camera, after a clear; afterView
    // runs once the camera's view is applied.
    zPicture DrawWithOccluder(zRenderViewItem* camera, zRenderable* occluder,
                              const std::function<void()>& afterView = {}) {
        renderer->SetViewItem(camera);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        if (afterView) afterView();
        renderer->ResetRenderQueue();
        renderer->QueueRenderable(&mesh);
        renderer->QueueRenderable(occluder);
        LogCapture quiet;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, ClearAll);
        renderer->RenderQueue();
        return Grab();
    }
    // A double-sided occluder between a light half a unit behind it and the
    // right half of the quad, behind the quad as the camera sees it.
    bool SetUpBlocker() {
        blocker = Quad(0.05f, -0.5f, 0.5f, 0.5f);
        blockerMesh.geometry = blocker.Get();
        blockerMesh.world = zMatrix4::Translation(zVector(0.0f, 0.0f, -1.0f));
        return SetUpDoubleSided(blocker.Get());
    }
    // That light, shadow-mapped, shining at the quad.
    static void PlaceShadowingLight(PlacedLight& light, u32 type, f32 range) {
        light.type = type;
        light.range = range;
        light.place = zVector(0.0f, 0.0f, -1.5f);
        light.axis = zVector(0.0f, 0.0f, 1.0f, 0.0f);
        light.coneAngle = 0.6f;
        light.edgeAngle = 0.1f;
        light.zNear = 0.1f;
        light.volumeRange = 10.0f;
        light.diffuseIntensity = 2.0f;
        light.shadowMode = 2;
    }
    Sides DrawSides() {
        const zPicture picture = DrawFrame();
        int left[3], right[3];
        PixelAt(picture, Width / 2 - 14, Height / 2, left);
        PixelAt(picture, Width / 2 + 14, Height / 2, right);
        EXPECT_EQ(left[1], 0);
        EXPECT_EQ(right[1], 0);
        return Sides{left[0], right[0]};
    }
    void TearDown() override {
        if (blocker && renderer) renderer->FreeGeometry(blocker.Get());
        blocker = zSharedPtr<zGeometry>();
        GLRendererFrame::TearDown();
    }

    zSharedPtr<zGeometry> blocker;
    MeshRenderable blockerMesh;
};

// The quad's normal faces -z (away from the camera at +z): lights stand on
// that side, at z = -0.3, near its right edge.
PlacedLight NearRightEdge() {
    PlacedLight light;
    light.place = zVector(0.45f, 0.0f, -0.3f);
    light.range = 60.0f;
    light.diffuseIntensity = 2.0f;
    return light;
}

TEST_F(GLRendererLights, FixedFunctionLightOfTheSceneBrightensTheSideItIsNear) {
    ASSERT_TRUE(OpenHidden(true));
    RedQuad(0);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    const Sides unlit = DrawSides();
    PlacedLight light = NearRightEdge();
    scene.lights = {&light};
    const Sides lit = DrawSides();
    EXPECT_GT(lit.right, unlit.right + 40);
    EXPECT_GT(lit.right, lit.left + 20);
    // Asked for this frame, from the camera's place.
    EXPECT_GE(scene.collectCalls, 1u);
    EXPECT_FLOAT_EQ(scene.askedPosition.z, 2.0f);
    // The next frame asks again: a light the scene no longer has is gone.
    scene.lights.clear();
    const Sides again = DrawSides();
    EXPECT_EQ(again.right, unlit.right);
    EXPECT_EQ(renderer->GetFixedLightCount(), 0u);
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
}

// A closed box seen by an engine camera (along +z), a light between the
// camera and the box: the box's outside faces the light and is lit; its
// inside (the far face seen from within) would face away and stay dark.
TEST_F(GLRendererLights, ClosedBoxShowsItsOutsideInBothPipelines) {
    for (bool fixedFunction : {true, false}) {
        SCOPED_TRACE(fixedFunction ? "fixed function" : "deferred");
        ASSERT_TRUE(OpenHidden(fixedFunction));
        quad = ClosedBox(&host, zVector(-1.0f, -1.0f, 4.0f), zVector(1.0f, 1.0f, 6.0f));
        zMaterial* material = quad->GetMaterial(0);
        material->SetColor(MaterialColorDiffuse, 1.0f, 0.0f, 0.0f, 1.0f);
        material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
        material->SetColor(MaterialColorAmbient, 0.0f, 0.0f, 0.0f, 1.0f);
        renderer->SetCleanResourceOnSetup(false);
        {
            LogCapture quiet;
            ASSERT_TRUE(renderer->SetupMaterial(material));
            ASSERT_TRUE(renderer->SetupGeometry(quad.Get()));
        }
        mesh.geometry = quad.Get();
        ForwardView forward;
        scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
        PointAt light;
        light.place = zVector(0.0f, 0.0f, 3.0f);
        light.range = 60.0f;
        light.diffuseIntensity = 2.0f;
        ASSERT_TRUE(renderer->SetupLight(&light));
        scene.lights = {&light};
        renderer->SetViewItem(&forward);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        renderer->QueueRenderable(&mesh);
        {
            LogCapture quiet;
            renderer->ClearFrame(0.0f, 0.0f, 0.0f, 1.0f, 1.0f, ClearAll);
            renderer->RenderQueue();
        }
        int middle[3];
        PixelAt(Grab(), Width / 2, Height / 2, middle);
        EXPECT_GT(middle[0], 100);
        scene.lights.clear();
        renderer->ResetRenderQueue();
        renderer->SetViewItem(nullptr);
        renderer->FreeLight(&light);
        renderer->FreeGeometry(quad.Get());
        quad = zSharedPtr<zGeometry>();
        renderer->Close();
    }
}

TEST_F(GLRendererLights, FixedLightTableHoldsEightAndDropsExtras) {
    ASSERT_TRUE(OpenHidden(true));
    PlacedLight lights[9];
    LogCapture log;
    renderer->AddFixedLight(nullptr);
    for (PlacedLight& light : lights)
        renderer->AddFixedLight(&light);
    EXPECT_EQ(renderer->GetFixedLightCount(), 8u);
    EXPECT_NE(log.Text().find("[!] Too many fixed-function lights, extra light ignored.\n"),
              std::string::npos);
    renderer->ClearFixedLights();
    EXPECT_EQ(renderer->GetFixedLightCount(), 0u);
}

// Each case lights the quad from behind; the table says how its two sides
// compare and about how bright they get. Ranges are long: a light fades out
// over the last 50 units of its range as the camera moves away.
struct DeferredLightCase {
    const char* name;
    u32 type;
    f32 range;
    zVector place;
    f32 coneAngle;
    f32 edgeAngle;
    f32 intensity;
    bool rightBrighter; // else both sides alike
    int minimumRight;
    int maximumLeft;
};

const DeferredLightCase DeferredLightCases[] = {
    // The camera inside the sphere: a screen quad.
    {"point around the camera", 1, 60.0f, zVector(0.45f, 0.0f, -0.3f), 0.3f, 0.1f, 2.0f, true, 250, 200},
    // Range 0: a screen quad, no falloff.
    {"point without range", 1, 0.0f, zVector(0.45f, 0.0f, -0.3f), 0.3f, 0.1f, 2.0f, true, 250, 200},
    // The camera inside the cone, then beside a narrow one: its volume.
    {"spot around the camera", 3, 60.0f, zVector(0.45f, 0.0f, -0.3f), 0.3f, 0.1f, 2.0f, true, 250, 2},
    {"spot beside the camera", 3, 60.0f, zVector(0.45f, 0.0f, -3.0f), 0.02f, 0.01f, 2.0f, true, 250, 2},
    // Shining along +z onto the quad's back: both sides at half.
    {"parallel", 2, 0.0f, zVector(0.0f, 0.0f, -5.0f), 0.3f, 0.1f, 0.5f, false, 125, 131},
};

TEST_F(GLRendererLights, DeferredLightPassesLightTheGBuffer) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    const Sides dark = DrawSides();
    EXPECT_LE(dark.right, 2);
    for (const DeferredLightCase& row : DeferredLightCases) {
        SCOPED_TRACE(row.name);
        PlacedLight light;
        light.type = row.type;
        light.range = row.range;
        light.place = row.place;
        light.axis = zVector(0.0f, 0.0f, 1.0f, 0.0f);
        light.diffuseIntensity = row.intensity;
        light.coneAngle = row.coneAngle;
        light.edgeAngle = row.edgeAngle;
        ASSERT_TRUE(renderer->SetupLight(&light));
        scene.lights = {&light};
        renderer->ResetStatistics();
        const Sides lit = DrawSides();
        EXPECT_EQ(renderer->GetStatistic(StatisticLightDrawn), 1u);
        EXPECT_GE(lit.right, row.minimumRight);
        EXPECT_LE(lit.left, row.maximumLeft);
        if (row.rightBrighter) {
            EXPECT_GT(lit.right, lit.left + 40);
        } else {
            EXPECT_NEAR(lit.left, lit.right, 2);
        }
        // Nothing drawn around the quad: the clear colour stays as it was.
        const zPicture picture = Grab();
        EXPECT_TRUE(Near(picture, 2, 2, 51, 102, 153));
        EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
        scene.lights.clear();
        renderer->FreeLight(&light);
        EXPECT_EQ(light.GetRenderData(), nullptr);
    }
}

TEST_F(GLRendererLights, LightWithoutRendererDataIsSkipped) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    PlacedLight light = NearRightEdge();
    scene.lights = {&light};
    const Sides sides = DrawSides();
    EXPECT_LE(sides.right, 2);
}

// A spot light's map, and a point light's cube face that looks the same way.
struct ShadowCase {
    u32 type;
    f32 range;
    const char* shaded;
    const char* plain;
};

const ShadowCase ShadowCases[] = {
    {3, 0.0f, "core::spotlight_shadowmap", "core::spotlight"},
    {1, 60.0f, "core::pointlight_shadowmap", "core::pointlight_shadowmap"},
};

TEST_F(GLRendererLights, ShadowMapsDarkenWhatAnOccluderHides) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    ASSERT_TRUE(SetUpBlocker());
    for (const ShadowCase& shadowCase : ShadowCases) {
        SCOPED_TRACE(shadowCase.type == 3 ? "spot" : "point");
        PlacedLight light;
        PlaceShadowingLight(light, shadowCase.type, shadowCase.range);
        scene.lights = {&light};
        for (bool mapping : {false, true}) {
            SCOPED_TRACE(mapping ? "shadow mapping" : "no shadow mapping");
            renderer->SetControlWord(ControlShadowMapping, mapping);
            renderer->FreeLight(&light);
            ASSERT_TRUE(renderer->SetupLight(&light));
            const auto* data = dynamic_cast<const zGL3Renderer::GL_LightData*>(light.GetRenderData());
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(data->lightShader, mapping ? shadowCase.shaded : shadowCase.plain);
            const zPicture picture = DrawWithOccluder(&view, &blockerMesh);
            int left[3], right[3];
            PixelAt(picture, Width / 2 - 14, Height / 2, left);
            PixelAt(picture, Width / 2 + 14, Height / 2, right);
            EXPECT_GT(left[0], 150);
            if (mapping) {
                EXPECT_LE(right[0], 10);
            } else {
                EXPECT_GT(right[0], 150);
            }
            // The main view is back after the shadow pass.
            EXPECT_EQ(renderer->GetViewItem(), &view);
            EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
        }
        renderer->ResetRenderQueue();
        scene.lights.clear();
        renderer->FreeLight(&light);
    }
}

// The shadow passes test the user clip plane as the view's passes do, with
// the points in the light's view: a plane that keeps the whole view (view z
// below 0.25) cuts the occluder, half a unit before the spot, out of its map.
// Without a plane the shadow passes take programs without the test.
TEST_F(GLRendererLights, AClipPlaneCutsTheOccluderOutOfTheShadowMap) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    ASSERT_TRUE(SetUpBlocker());
    PlacedLight light;
    PlaceShadowingLight(light, 3, 0.0f);
    scene.lights = {&light};
    renderer->SetControlWord(ControlShadowMapping, true);
    ASSERT_TRUE(renderer->SetupLight(&light));
    for (bool clipped : {false, true, false}) {
        SCOPED_TRACE(clipped ? "clip plane" : "no clip plane");
        const zPicture picture = DrawWithOccluder(&view, &blockerMesh, [&] {
            // The camera stands at z = 2: the plane is at view z 0.25.
            if (clipped) {
                renderer->SetClippingPlane(zVector(0.0f, 0.0f, 2.25f), zVector(0.0f, 0.0f, 1.0f, 0.0f));
            } else {
                renderer->ClearClippingPlane();
            }
        });
        int left[3], right[3];
        PixelAt(picture, Width / 2 - 14, Height / 2, left);
        PixelAt(picture, Width / 2 + 14, Height / 2, right);
        EXPECT_GT(left[0], 150);
        if (clipped) {
            EXPECT_GT(right[0], 150);
        } else {
            EXPECT_LE(right[0], 10);
        }
        EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
    }
    using Data = zGL3Renderer::GL_MaterialData;
    const auto* data = dynamic_cast<const Data*>(blocker->GetMaterial(0)->GetRenderData());
    ASSERT_NE(data, nullptr);
    ASSERT_NE(data->unclippedDepth, nullptr);
    EXPECT_NE(data->unclippedDepth->program, data->maps[Data::SlotDepth]->program);
    renderer->ResetRenderQueue();
    renderer->ClearClippingPlane();
    scene.lights.clear();
    renderer->FreeLight(&light);
}

// The core shader by type, shadow mode, specular intensity, projection
// texture and control bits; then the volumetric shader of a volumetric light.
struct ShaderChoiceCase {
    u32 type;
    u32 shadowMode;
    f32 specular;
    bool projective;
    u32 control;
    const char* lightShader;
    const char* volumetricShader;
};

const ShaderChoiceCase ShaderChoiceCases[] = {
    {1, 2, 0.0f, false, 0, "core::pointlight_shadowmap", "core::volumetric_sphere"},
    {1, 2, 0.0f, false, ControlShadowMapping, "core::pointlight_shadowmap",
     "core::volumetric_sphere_shadowmap"},
    {1, 0, 0.5f, false, 0, "core::pointlight_specular", "core::volumetric_sphere"},
    {1, 0, 0.0f, false, 0, "core::pointlight", "core::volumetric_sphere"},
    {2, 2, 0.0f, false, ControlShadowMapping | ControlLinearShadow, "core::linearlight_pssm",
     "core::shader_volumetric_fog_pssm"},
    {2, 2, 0.0f, false, ControlShadowMapping, "core::linearlight", "core::shader_volumetric_fog_pssm"},
    {2, 0, 0.0f, false, ControlShadowMapping | ControlLinearShadow, "core::linearlight", nullptr},
    {3, 2, 0.0f, true, ControlShadowMapping, "core::projective_spotlight_shadowmap",
     "core::volumetric_cone_shadowmap"},
    {3, 2, 0.0f, false, ControlShadowMapping, "core::spotlight_shadowmap", "core::volumetric_cone_shadowmap"},
    {3, 1, 0.0f, true, 0, "core::projective_spotlight_shadow", "core::volumetric_cone"},
    {3, 2, 0.0f, true, 0, "core::projective_spotlight", "core::volumetric_cone"},
    {3, 0, 0.5f, false, 0, "core::spotlight_specular", "core::volumetric_cone"},
    {3, 0, 0.0f, false, 0, "core::spotlight", "core::volumetric_cone"},
    {4, 0, 0.0f, false, 0, nullptr, nullptr},
};

struct ProjectedLight : PlacedLight {
    zTexture* projection = nullptr;
    zTexture* GetRenderProjectionTexture() const override { return projection; }
};

TEST(GLLightShaders, ChoiceByTypeShadowSpecularProjectionAndControlBits) {
    GeometryHost host;
    zTexture* texture = host.Add("pattern.tga");
    for (const ShaderChoiceCase& row : ShaderChoiceCases) {
        SCOPED_TRACE(::testing::Message() << "type " << row.type << " shadow " << row.shadowMode
                                          << " control " << row.control << " projective " << row.projective);
        ProjectedLight light;
        light.type = row.type;
        light.shadowMode = row.shadowMode;
        light.specularIntensity = row.specular;
        light.projection = row.projective ? texture : nullptr;
        const char* chosen = zGL3Renderer::ChooseLightShader(light, row.control);
        EXPECT_STREQ(chosen ? chosen : "", row.lightShader ? row.lightShader : "");
        light.volumetric = 1;
        const char* volumetric = zGL3Renderer::ChooseVolumetricShader(light, row.control);
        EXPECT_STREQ(volumetric ? volumetric : "", row.volumetricShader ? row.volumetricShader : "");
        light.volumetric = 0;
        EXPECT_EQ(zGL3Renderer::ChooseVolumetricShader(light, row.control), nullptr);
    }
}

TEST_F(GLRendererLights, LightDataIsMadeOnceAndTakesTheLightsOwnShaderWhenTheLibraryHasIt) {
    ASSERT_TRUE(OpenHidden());
    PlacedLight light;
    light.specularIntensity = 1.0f;
    ASSERT_TRUE(renderer->SetupLight(&light));
    EXPECT_FALSE(renderer->SetupLight(&light));
    const auto* data = dynamic_cast<const zGL3Renderer::GL_LightData*>(light.GetRenderData());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->lightShader, "core::pointlight_specular");
    // A shader of the library by name.
    light.shaderName.Set("core::spotlight");
    renderer->UpdateLight(&light);
    EXPECT_EQ(data->lightShader, "core::spotlight");
    // A name the library lacks: no light shader, said once.
    light.shaderName.Set("mine::glow");
    {
        LogCapture log;
        renderer->UpdateLight(&light);
        EXPECT_EQ(log.Text(), "[*] Light shader 'mine::glow' not found, the light is not drawn.\n");
    }
    EXPECT_TRUE(data->lightShader.IsEmpty());
    renderer->FreeLight(&light);
    EXPECT_EQ(light.GetRenderData(), nullptr);
    renderer->FreeLight(&light);
}

TEST(GLLightShaders, SplitsBlendLogarithmicAndUniformAndEndAtTheFarDistance) {
    struct Row {
        f32 blend;
        f32 expected[4];
    };
    const Row rows[] = {
        {0.0f, {25.75f, 50.5f, 75.25f, 100.0f}},
        {1.0f, {1.0f * std::pow(100.0f, 0.25f), 10.0f, std::pow(100.0f, 0.75f), 100.0f}},
    };
    for (const Row& row : rows) {
        for (u32 split = 0; split < 4; ++split)
            EXPECT_NEAR(zGL3Renderer::PSSMSplitDistance(split, 1.0f, 100.0f, row.blend), row.expected[split],
                        1e-3f)
                << "blend " << row.blend << " split " << split;
    }
    EXPECT_NEAR(zGL3Renderer::PSSMSplitDistance(3, 0.5f, 80.0f, 0.37f), 80.0f, 1e-3f);
}

// The light camera keeps its axes, stands pull-back behind the corners
// centre, and its box holds every corner: across its x and y axes, and along
// its z axis up to the farthest one.
TEST(GLLightShaders, ShadowCameraIsFittedAroundTheCorners) {
    zVector corners[8];
    for (u32 i = 0; i < 8; ++i)
        corners[i] = zVector((i & 1) ? 3.0f : 1.0f, (i & 2) ? 1.0f : -1.0f, (i & 4) ? 6.0f : 2.0f, 1.0f);
    const struct {
        const char* name;
        zMatrix4 axes;
        zVector place;
        f32 extent[3];
    } cases[] = {
        {"along z", zMatrix4(), zVector(2.0f, 0.0f, -6.0f, 1.0f), {2.0f, 2.0f, 12.0f}},
        // x along world y, y along world z, z along world x.
        {"along x",
         zMatrix4(0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 1),
         zVector(-8.0f, 0.0f, 4.0f, 1.0f),
         {2.0f, 4.0f, 11.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        zMatrix4 world = c.axes;
        world.SetRow(3, zVector(50.0f, 50.0f, 50.0f, 1.0f), true);
        f32 extent[3];
        zGL3Renderer::FitShadowCamera(corners, world, 10.0f, extent);
        const zVector place = world.GetRow(3, true);
        EXPECT_NEAR(place.x, c.place.x, 1e-4f);
        EXPECT_NEAR(place.y, c.place.y, 1e-4f);
        EXPECT_NEAR(place.z, c.place.z, 1e-4f);
        for (u32 axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(extent[axis], c.extent[axis], 1e-4f) << axis;
            const zVector row = world.GetRow(axis, false);
            const zVector expected = c.axes.GetRow(axis, false);
            EXPECT_NEAR(row.x, expected.x, 1e-6f);
            EXPECT_NEAR(row.y, expected.y, 1e-6f);
            EXPECT_NEAR(row.z, expected.z, 1e-6f);
        }
    }
}

// The velocity pass: drawn only for a view whose settings ask motion blur,
// unless the renderer excludes motion blur (the SSAO exclusion has no say).
struct VelocityCase {
    bool motionBlur;
    const char* exclusion; // renderer key set true, or null
    bool drawn;
};

const VelocityCase VelocityCases[] = {
    {false, nullptr, false},
    {true, nullptr, true},
    {true, "PostProcess:Exclusion:MotionBlur", false},
    {true, "PostProcess:Exclusion:SSAO", true},
};

TEST_F(GLRendererLights, VelocityPassRunsForMotionBlurUnlessMotionBlurIsExcluded) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    // A frame ago the quad stood 0.2 to the left.
    const zMatrix4 before = zMatrix4::Translation(zVector(-0.2f, 0.0f, 0.0f));
    mesh.previousWorld = &before;
    zTexture* velocity = renderer->GetTarget("velocity_map");
    ASSERT_NE(velocity, nullptr);
    const zGLFunctions& gl = renderer->GetGL();
    for (const VelocityCase& row : VelocityCases) {
        SCOPED_TRACE(::testing::Message() << "motion blur " << row.motionBlur << " exclusion "
                                          << (row.exclusion ? row.exclusion : "none"));
        view.registry.Clear();
        renderer->GetRegistry().Clear();
        if (row.motionBlur) view.registry.SetKey("PostProcess:MotionBlur;", nullptr);
        if (row.exclusion) {
            zVariant on;
            on.SetBool(true);
            renderer->GetRegistry().SetKey(row.exclusion, &on);
        }
        EXPECT_EQ(renderer->WantsVelocityPass(), row.drawn);
        // A mark in the target that only the pass clears.
        GLuint fbo = 0;
        gl.glGenFramebuffersEXT(1, &fbo);
        gl.glBindFramebufferEXT(zgl::Framebuffer, fbo);
        gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::ColorAttachment0, zgl::Texture2D, Name(velocity),
                                     0);
        gl.glClearColor(0.75f, 0.75f, 0.75f, 0.75f);
        gl.glClear(zgl::ColorBufferBit);
        gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
        DrawFrame();
        gl.glBindFramebufferEXT(zgl::Framebuffer, fbo);
        f32 middle[4] = {}, corner[4] = {};
        gl.glReadPixels(Width / 2, Height / 2, 1, 1, zgl::Rgba, zgl::Float, middle);
        gl.glReadPixels(1, 1, 1, 1, zgl::Rgba, zgl::Float, corner);
        gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
        gl.glDeleteFramebuffersEXT(1, &fbo);
        if (row.drawn) {
            // Moved 0.2 to the right in device units: half of it, as written.
            EXPECT_NEAR(middle[0], 0.1f, 0.01f);
            EXPECT_NEAR(middle[1], 0.0f, 0.01f);
            EXPECT_FLOAT_EQ(corner[0], 0.0f);
        } else {
            EXPECT_FLOAT_EQ(middle[0], 0.75f);
        }
        EXPECT_EQ(gl.glGetError(), GLenum(zgl::NoError));
    }
}

TEST_F(GLRendererLights, VolumetricLightVeilsTheViewAroundIt) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    // Green haze of radius 1 around a point off the quad, towards the camera.
    PlacedLight light;
    light.place = zVector(0.6f, 0.6f, 1.0f);
    light.diffuse = zVector(0.0f, 1.0f, 0.0f, 1.0f);
    light.volumetricRange = 1.0f;
    light.volumetricThickness = 4.0f;
    light.volumetricSampleStep = 0.02f;
    scene.lights = {&light};
    for (bool volumetric : {false, true}) {
        SCOPED_TRACE(volumetric ? "volumetric" : "plain");
        light.volumetric = volumetric ? 1 : 0;
        renderer->FreeLight(&light);
        ASSERT_TRUE(renderer->SetupLight(&light));
        const auto* data = dynamic_cast<const zGL3Renderer::GL_LightData*>(light.GetRenderData());
        ASSERT_NE(data, nullptr);
        if (volumetric) {
            EXPECT_EQ(data->volumetricShader, "core::volumetric_sphere");
        } else {
            EXPECT_TRUE(data->volumetricShader.IsEmpty());
        }
        const zPicture picture = DrawFrame();
        // Where the light stands on the screen, over the clear colour.
        if (volumetric) {
            int rgb[3];
            PixelAt(picture, 51, 9, rgb);
            EXPECT_GT(rgb[1], 200);
            EXPECT_LT(rgb[0], 30);
        } else {
            EXPECT_TRUE(Near(picture, 51, 9, 51, 102, 153));
        }
        // Far from it nothing changes.
        EXPECT_TRUE(Near(picture, 2, Height - 3, 51, 102, 153));
        EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
    }
    scene.lights.clear();
    renderer->FreeLight(&light);
}

} // namespace

// A perspective view from (0, 0, -4) looking along +z, 90 degrees across,
// as the engine's cameras project.
struct PerspectiveView : FixedView {
    f32 aspect = 1.0f;
    PerspectiveView() { world = zMatrix4::Translation(zVector(0.0f, 0.0f, -4.0f)); }
    zMatrix4 GetProjectionMatrix() override {
        zMatrix4 m = PerspectiveProjection(1.0f, 0.1f, 50.0f);
        m.e[5] /= aspect;
        return m;
    }
};

// Mean red of the (2 x 2 + 1)^2 pixels around the point (x, y, z) of the
// perspective view.
int RedAround(const zPicture& picture, f32 aspect, f32 x, f32 y, f32 z) {
    const f32 depth = z + 4.0f;
    const int column = int((x / depth + 1.0f) * 0.5f * f32(picture.GetWidth()));
    const int row = int((1.0f - y / (depth * aspect)) * 0.5f * f32(picture.GetHeight()));
    int sum = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            int rgb[3];
            PixelAt(picture, u32(column + dx), u32(row + dy), rgb);
            sum += rgb[0];
        }
    }
    return sum / 25;
}

// A box's top (a double-sided square at z = -1) between a light at
// (-1, 0, -2) and a floor at z = 0, seen through a perspective camera: the
// shadow falls on the floor at x 0.5..1.5, y -0.5..0.5, with the light's
// everyday near distance and bias. The camera stands outside both lights'
// volumes.
TEST_F(GLRendererLights, ShadowMapsDarkenTheFloorUnderABoxInPerspective) {
    constexpr u32 FrameWidth = 160, FrameHeight = 120;
    ASSERT_TRUE(OpenHidden(false, FrameWidth, FrameHeight));
    quad = Quad(-3.0f, -3.0f, 3.0f, 3.0f);
    quad->GetMaterial(0)->SetColor(MaterialColorDiffuse, 1.0f, 0.0f, 0.0f, 1.0f);
    quad->GetMaterial(0)->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
    renderer->SetCleanResourceOnSetup(false);
    ASSERT_TRUE(SetUpDoubleSided(quad.Get()));
    mesh.geometry = quad.Get();
    scene.ambient = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    zSharedPtr<zGeometry> box = Quad(-0.25f, -0.25f, 0.25f, 0.25f);
    MeshRenderable boxMesh;
    boxMesh.geometry = box.Get();
    boxMesh.world = zMatrix4::Translation(zVector(0.0f, 0.0f, -1.0f));
    ASSERT_TRUE(SetUpDoubleSided(box.Get()));
    PerspectiveView camera;
    camera.aspect = f32(FrameWidth) / f32(FrameHeight);
    for (u32 type : {3u, 1u}) {
        SCOPED_TRACE(type == 3 ? "spot" : "point");
        PlacedLight light;
        light.type = type;
        light.range = type == 1 ? 60.0f : 100.0f;
        light.place = zVector(-1.0f, 0.0f, -2.0f);
        // The spot aims through the box at the shadow.
        light.axis =
            type == 3 ? zVector(0.70710678f, 0.0f, 0.70710678f, 0.0f) : zVector(0.0f, 0.0f, 1.0f, 0.0f);
        light.coneAngle = 0.5f;
        light.edgeAngle = 0.1f;
        light.diffuseIntensity = 2.0f;
        light.shadowMode = 2;
        scene.lights = {&light};
        int shadowed[2], beside[2];
        for (bool mapping : {false, true}) {
            SCOPED_TRACE(mapping ? "shadow mapping" : "no shadow mapping");
            renderer->SetControlWord(ControlShadowMapping, mapping);
            renderer->FreeLight(&light);
            ASSERT_TRUE(renderer->SetupLight(&light));
            const zPicture picture = DrawWithOccluder(&camera, &boxMesh);
            shadowed[mapping] = RedAround(picture, camera.aspect, 1.0f, 0.0f, 0.0f);
            beside[mapping] = RedAround(picture, camera.aspect, 1.0f, 1.2f, 0.0f);
            EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
        }
        // Lit alike without the map; the map darkens only what the box hides.
        EXPECT_GT(shadowed[0], 40);
        EXPECT_GT(beside[0], 40);
        EXPECT_LT(shadowed[1], shadowed[0] / 2);
        EXPECT_GE(beside[1], beside[0] - 2);
        renderer->ResetRenderQueue();
        scene.lights.clear();
        renderer->FreeLight(&light);
    }
    renderer->FreeGeometry(box.Get());
}
