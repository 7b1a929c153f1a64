// The scene grabbed for the raytracer and traced: a small patch in front of
// the default camera (origin, looking along +z, zoom 3.2), a blue
// background, no ambient light and one directional light along +z.
#include "scene/raytrace_grab.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "render/octree.h"
#include "render/raytrace/raytracer.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/scene/scene_fixture.h"
#include "tests/support/log_capture.h"

namespace {

struct Rgba {
    int r, g, b, a;
};

const Rgba Patch{204, 102, 51, 255};
const Rgba Background{0, 0, 255, 255};
const Rgba Unlit{0, 0, 0, 255};

class RaytraceGrabTest : public SceneFixture {
  public:
    void SetUp() override {
        SceneFixture::SetUp();
        scene->backgroundColor[2] = 1.0f;
        camera = scene->AddCamera("eye");
        scene->SetCurrentCamera(camera);
        object = scene->AddObject("patch", PatchGeometry().Get());
        object->SetPosition(zVector(0.0f, 0.0f, 5.0f, 1.0f));
        light = scene->AddLight("sun", LightTypeParallel, 1.0f);
    }

    // A unit quad around the origin facing -z (the camera), of the patch's
    // colour.
    zSharedPtr<zGeometry> PatchGeometry() {
        auto geometry = MakeGeometry(&engine,
                                     {zVector(-0.5f, -0.5f, 0), zVector(0.5f, -0.5f, 0),
                                      zVector(0.5f, 0.5f, 0), zVector(-0.5f, 0.5f, 0)},
                                     {{{0, 1, 2, 3}}});
        zMaterial& material = *geometry->GetMaterial(0);
        material.SetColor(MaterialColorDiffuse, 0.8f, 0.4f, 0.2f, 1.0f);
        material.SetColor(MaterialColorSpecular, 0, 0, 0, 1);
        material.SetShaderMap(material.BuildShaderMapFromFixedFunction());
        return geometry;
    }

    // Grabs and traces a 32 x 24 frame; false when either fails.
    bool Render(zRaytraceScene& record, zPicture& picture) {
        if (!GrabRaytraceScene(*scene, record)) return false;
        zRaytracer raytracer;
        return raytracer.SetScene(&record) && raytracer.Trace(picture, 32, 24);
    }

    static Rgba PixelAt(const zPicture& picture, u32 x, u32 y) {
        const u8* p = picture.GetPixels() + 4 * (size_t(y) * picture.GetWidth() + x);
        return {p[0], p[1], p[2], p[3]};
    }

    static ::testing::AssertionResult Near(const Rgba& actual, const Rgba& expected) {
        if (std::abs(actual.r - expected.r) <= 1 && std::abs(actual.g - expected.g) <= 1 &&
            std::abs(actual.b - expected.b) <= 1 && actual.a == expected.a)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "(" << actual.r << "," << actual.g << "," << actual.b << "," << actual.a << ") instead of ("
               << expected.r << "," << expected.g << "," << expected.b << "," << expected.a << ")";
    }

    LogCapture quiet;
    zMCamera* camera = nullptr;
    zMObject* object = nullptr;
    zMLight* light = nullptr;
};

TEST_F(RaytraceGrabTest, ObjectShowsWhereTheCameraProjectsIt) {
    zRaytraceScene record;
    zPicture picture;
    ASSERT_TRUE(Render(record, picture));
    EXPECT_EQ(record.objects.size(), 1u);
    EXPECT_EQ(record.lights.size(), 1u);
    EXPECT_TRUE(record.hasCamera);
    EXPECT_TRUE(Near(PixelAt(picture, 16, 12), Patch));
    EXPECT_TRUE(Near(PixelAt(picture, 0, 0), Background));
    EXPECT_TRUE(Near(PixelAt(picture, 31, 23), Background));

    // The record follows the scene: moved to the left, the patch leaves the
    // centre and shows at the left edge.
    object->SetPosition(zVector(-2.0f, 0.0f, 5.0f, 1.0f));
    ASSERT_TRUE(Render(record, picture));
    EXPECT_TRUE(Near(PixelAt(picture, 16, 12), Background));
    EXPECT_TRUE(Near(PixelAt(picture, 1, 12), Patch));
}

TEST_F(RaytraceGrabTest, CameraMovesTheView) {
    // Turned half a turn about y, the camera looks away from the patch.
    camera->zItem::SetRotation(zVector(0.0f, 3.14159265f, 0.0f, 1.0f));
    zRaytraceScene record;
    zPicture picture;
    ASSERT_TRUE(Render(record, picture));
    EXPECT_TRUE(Near(PixelAt(picture, 16, 12), Background));
}

TEST_F(RaytraceGrabTest, HiddenAndInactiveItemsStayOut) {
    struct Case {
        const char* name;
        std::function<void(RaytraceGrabTest&)> change;
        size_t lights;
        Rgba centre;
    };
    const Case cases[] = {
        {"as loaded", [](RaytraceGrabTest&) {}, 1, Patch},
        {"object invisible",
         [](RaytraceGrabTest& t) { t.object->SetFlags(t.object->GetFlags() | ItemInvisible); }, 1,
         Background},
        {"object inactive", [](RaytraceGrabTest& t) { t.object->SetActiveByte(0); }, 1, Background},
        {"object of opacity 0", [](RaytraceGrabTest& t) { t.object->SetAlpha(0.0f); }, 1, Background},
        {"light invisible",
         [](RaytraceGrabTest& t) { t.light->SetFlags(t.light->GetFlags() | ItemInvisible); }, 0, Unlit},
        {"light inactive", [](RaytraceGrabTest& t) { t.light->SetActiveByte(0); }, 0, Unlit},
        {"light without intensity", [](RaytraceGrabTest& t) { t.light->diffuseIntensity = 0.0f; }, 0, Unlit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        object->SetFlags(object->GetFlags() & ~ItemInvisible);
        object->SetActiveByte(1);
        object->SetAlpha(1.0f);
        light->SetFlags(light->GetFlags() & ~ItemInvisible);
        light->SetActiveByte(1);
        light->diffuseIntensity = 1.0f;
        c.change(*this);
        zRaytraceScene record;
        zPicture picture;
        ASSERT_TRUE(Render(record, picture));
        EXPECT_EQ(record.lights.size(), c.lights);
        EXPECT_TRUE(Near(PixelAt(picture, 16, 12), c.centre));
    }
}

TEST_F(RaytraceGrabTest, ItemsOfOtherKindsAndObjectsWithoutGeometryAreNotGrabbed) {
    scene->AddObject("empty", nullptr);
    Add("test item"); // an object-kind item that is no object
    scene->AddTrigger("zone");
    zRaytraceScene record;
    ASSERT_TRUE(GrabRaytraceScene(*scene, record));
    ASSERT_EQ(record.objects.size(), 1u);
    EXPECT_EQ(record.objects[0].geometry, object->GetGeometry());
    EXPECT_EQ(record.lights.size(), 1u);
}

TEST_F(RaytraceGrabTest, WithoutCurrentCameraNoFrameIsTraced) {
    scene->SetCurrentCamera(nullptr);
    zRaytraceScene record;
    zPicture picture;
    EXPECT_FALSE(Render(record, picture));
    EXPECT_FALSE(record.hasCamera);
    EXPECT_EQ(picture.GetWidth(), 0u);
}

TEST_F(RaytraceGrabTest, LightFieldsAndTypes) {
    light->range = 12.0f;
    light->diffuse = zVector(1.0f, 0.5f, 0.25f, 1.0f);
    light->diffuseIntensity = 2.0f;
    light->specular = zVector(0.1f, 0.2f, 0.3f, 1.0f);
    light->specularIntensity = 0.5f;
    light->coneAngle = 0.25f;
    light->edgeAngle = 0.125f;
    light->shadowMode = LightShadowMap;
    light->volumeRange = 40.0f;
    light->SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    const struct {
        u32 sceneType;
        u32 rayType;
    } types[] = {{LightTypeNone, RayLightPoint},
                 {LightTypePoint, RayLightPoint},
                 {LightTypeParallel, RayLightDirectional},
                 {LightTypeSpot, RayLightSpot},
                 {LightTypeArea, RayLightPoint}};
    for (const auto& type : types) {
        SCOPED_TRACE(type.sceneType);
        light->type = type.sceneType;
        zRaytraceScene record;
        ASSERT_TRUE(GrabRaytraceScene(*scene, record));
        ASSERT_EQ(record.lights.size(), 1u);
        const zRayLight& grabbed = record.lights[0];
        EXPECT_EQ(grabbed.type, type.rayType);
        EXPECT_EQ(grabbed.range, 12.0f);
        EXPECT_EQ(grabbed.diffuse.y, 0.5f);
        EXPECT_EQ(grabbed.diffuseIntensity, 2.0f);
        EXPECT_EQ(grabbed.specular.z, 0.3f);
        EXPECT_EQ(grabbed.specularIntensity, 0.5f);
        EXPECT_EQ(grabbed.innerAngle, 0.25f);
        EXPECT_EQ(grabbed.falloffAngle, 0.125f);
        EXPECT_EQ(grabbed.shadow, LightShadowMap);
        EXPECT_EQ(grabbed.shadowDistance, 40.0f);
        EXPECT_EQ(grabbed.world.GetRow(3, true).y, 2.0f);
    }
}

TEST_F(RaytraceGrabTest, SceneColoursCameraAndSkinningAreCarried) {
    scene->ambientColor[1] = 0.5f;
    scene->ambientIntensity = 0.25f;
    camera->SetZoom(2.0f);
    camera->SetAspect(1.5f);
    object->SetAlpha(0.5f);
    zSharedPtr<zGeometry> skinned = PatchGeometry();
    ASSERT_TRUE(skinned->AllocateSkin(2));
    zMObject* body = scene->AddObject("body", skinned.Get());
    zRaytraceScene record;
    ASSERT_TRUE(GrabRaytraceScene(*scene, record));
    EXPECT_EQ(record.background.z, 1.0f);
    EXPECT_EQ(record.ambient.y, 0.5f);
    EXPECT_EQ(record.ambientIntensity, 0.25f);
    EXPECT_EQ(record.camera.zoom, 2.0f);
    EXPECT_EQ(record.camera.aspect, 1.5f);
    ASSERT_EQ(record.objects.size(), 2u);
    EXPECT_EQ(record.objects[0].opacity, 0.5f);
    EXPECT_EQ(record.objects[0].world.GetRow(3, true).z, 5.0f);
    EXPECT_EQ(record.objects[0].inverse.GetRow(3, true).z, -5.0f);
    EXPECT_TRUE(record.objects[0].bones.empty());
    EXPECT_EQ(record.objects[1].geometry, body->GetGeometry());
    EXPECT_EQ(record.objects[1].bones.size(), 2u);
}

} // namespace

namespace {

// An optimised geometry is traced through its leaves, never beside them:
// the frame is the same as that of the whole geometry, whether the source
// keeps its own polygons or not.
TEST_F(RaytraceGrabTest, OptimisedGeometryIsTracedOnceThroughItsLeaves) {
    // A strip of 9000 triangles across the view, x from -2 on.
    auto strip = [this] {
        zSharedPtr<zGeometry> geometry = TriangleStrip(&engine, 9000);
        zMaterial& material = *geometry->GetMaterial(0);
        material.SetColor(MaterialColorDiffuse, 0.8f, 0.4f, 0.2f, 1.0f);
        material.SetShaderMap(material.BuildShaderMapFromFixedFunction());
        return geometry;
    };
    object->SetPosition(zVector(-2.0f, -0.5f, 5.0f, 1.0f));
    object->SetGeometry(strip().Get(), true);
    zRaytraceScene whole;
    zPicture wholePicture;
    ASSERT_TRUE(Render(whole, wholePicture));
    ASSERT_TRUE(whole.objects[0].parts.empty());
    EXPECT_TRUE(Near(PixelAt(wholePicture, 16, 12), Patch));

    for (bool keepSource : {true, false}) {
        SCOPED_TRACE(keepSource ? "source kept" : "source freed");
        engine.SetKeepSource(keepSource);
        zSharedPtr<zGeometry> optimised = strip();
        ASSERT_TRUE(optimised->Optimize(1024));
        EXPECT_EQ(optimised->GetPolygonCount(), keepSource ? 9000u : 0u);
        std::vector<zGeometry*> leaves;
        optimised->GetOctree()->GetLeafGeometries(leaves);
        object->SetGeometry(optimised.Get(), true);
        zRaytraceScene record;
        zPicture picture;
        ASSERT_TRUE(Render(record, picture));
        EXPECT_EQ(record.objects[0].parts, leaves);
        EXPECT_TRUE(picture.Equals(wholePicture));
    }
    engine.SetKeepSource(true);
}

} // namespace
