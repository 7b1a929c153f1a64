#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "markup/variant.h"
#include "scene/camera.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_renderer.h"

namespace {

// An engine whose current renderer records and has a settable viewport.
struct CameraFixture {
    zEngine engine;
    RecordingRenderer renderer{&engine, true};
    zCamera camera{&engine};

    CameraFixture() { renderer.SetViewport(0, 0, 640, 480); }
};

bool IsFiniteFrustum(const zFrustum& frustum) {
    for (const zPlane& plane : frustum.planes)
        if (!std::isfinite(plane.normal.x) || !std::isfinite(plane.normal.y) ||
            !std::isfinite(plane.normal.z) || !std::isfinite(plane.d))
            return false;
    return true;
}

std::string ChildNames(const zMetaTag* tag) {
    std::string names;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator))
        names += std::string(child->GetName().CStr()) + " ";
    return names;
}

} // namespace

TEST(Camera, ProjectionWithItsOwnAspectAtStorageIndices) {
    CameraFixture f;
    // A viewport the camera must not use.
    f.renderer.SetViewport(0, 0, 100, 900);
    f.camera.SetAspect(2.0f);
    const zMatrix4 m = f.camera.GetProjectionMatrix();
    EXPECT_FLOAT_EQ(m.e[0], 6.4f);
    EXPECT_FLOAT_EQ(m.e[5], 3.2f);
    EXPECT_FLOAT_EQ(m.e[10], 1.000002f);
    EXPECT_FLOAT_EQ(m.e[11], -0.1000002f);
    EXPECT_EQ(m.e[14], 1.0f);
    EXPECT_EQ(m.e[15], 0.0f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13})
        EXPECT_EQ(m.e[i], 0.0f) << i;

    zVector point(0.0f, 0.0f, 10.0f, 1.0f);
    m.TransformArray(&point, &point, 1);
    EXPECT_FLOAT_EQ(point.w, 10.0f);
}

TEST(Camera, AspectFollowsTheViewportAndTheRendererRatio) {
    CameraFixture f;
    EXPECT_FLOAT_EQ(f.camera.GetEffectiveAspect(), 0.75f);
    f.camera.SetAspectRefYAxis(false);
    zMatrix4 m = f.camera.GetProjectionMatrix();
    EXPECT_FLOAT_EQ(m.e[0], 3.2f);
    EXPECT_FLOAT_EQ(m.e[5], 3.2f / 0.75f);
    f.renderer.SetGlobalAspectRatio(2.0f);
    EXPECT_FLOAT_EQ(f.camera.GetEffectiveAspect(), 1.5f);
}

TEST(Camera, OrthographicProjection) {
    CameraFixture f;
    f.camera.SetAspect(1.0f);
    f.camera.SetOrthographic(true);
    f.camera.SetOrthographicSize(4.0f, 8.0f);
    f.camera.SetZNear(1.0f);
    f.camera.SetZFar(11.0f);
    const zMatrix4 m = f.camera.GetProjectionMatrix();
    EXPECT_FLOAT_EQ(m.e[0], 0.5f);
    EXPECT_FLOAT_EQ(m.e[5], 0.25f);
    EXPECT_FLOAT_EQ(m.e[10], 0.1f);
    EXPECT_FLOAT_EQ(m.e[11], -0.1f);
    EXPECT_EQ(m.e[14], 0.0f);
    EXPECT_EQ(m.e[15], 1.0f);
}

// The null renderer before it has an output: a viewport of zero size.
TEST(Camera, ZeroViewportGivesAFiniteFrustumAndOneLogLine) {
    CameraFixture f;
    f.renderer.SetViewport(0, 0, 0, 0);
    LogCapture log;
    for (int frame = 0; frame < 3; ++frame) {
        f.camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
        const zMatrix4 m = f.camera.GetProjectionMatrix();
        EXPECT_TRUE(std::isfinite(m.e[0]));
    }
    EXPECT_TRUE(IsFiniteFrustum(f.camera.GetFrustum()));
    EXPECT_EQ(log.Text(), "[!] GetViewport unimplemented!\n");
    // The output size stands in for the viewport.
    f32 size[2];
    f.renderer.GetOutputSize(size);
    EXPECT_FLOAT_EQ(f.camera.GetEffectiveAspect(), size[0] > 0 && size[1] > 0 ? size[1] / size[0] : 1.0f);
}

TEST(Camera, NoRendererMeansAspectOne) {
    zCamera camera;
    EXPECT_EQ(camera.GetEffectiveAspect(), 1.0f);
    camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    EXPECT_TRUE(IsFiniteFrustum(camera.GetFrustum()));
}

TEST(Camera, FovIsClampedAndZoomHasAFloor) {
    struct Case {
        f32 fov;
        f32 expected;
    };
    // 4 clamps to 3.14072, whose zoom (4.4e-4) is raised to the floor 0.1:
    // the field read back is 2 atan(10).
    const Case cases[] = {{0.0f, 0.008726647f},
                          {-1.0f, 0.008726647f},
                          {4.0f, 2.0f * std::atan(10.0f)},
                          {2.5f, 2.5f},
                          {1.0f, 1.0f}};
    for (const Case& c : cases) {
        zCamera camera;
        camera.SetFov(c.fov);
        EXPECT_NEAR(camera.GetFov(), c.expected, 1e-6f) << c.fov;
    }
    zCamera camera;
    camera.SetFov(4.0f);
    EXPECT_EQ(camera.GetZoom(), 0.1f);
    camera.SetFov(NAN);
    EXPECT_NEAR(camera.GetFov(), 0.008726647f, 1e-6f);
    camera.SetZoom(0.01f);
    EXPECT_EQ(camera.GetZoom(), 0.1f);
    camera.SetZoom(7.0f);
    EXPECT_EQ(camera.GetZoom(), 7.0f);
}

TEST(Camera, WorldToScreenAtIdentity) {
    CameraFixture f;
    struct Case {
        zVector world;
        bool visible;
        f32 x, y;
    };
    const Case cases[] = {
        {zVector(0, 0, 10), true, 0.5f, 0.5f},   {zVector(1, 0, 3.2f), true, 1.0f, 0.5f},
        {zVector(0, 1, 3.2f), true, 0.5f, 0.0f}, {zVector(0, 0, 0), false, 0, 0},
        {zVector(5, 5, 0), false, 0, 0},         {zVector(0, 0, -1), false, 0, 0},
    };
    for (const Case& c : cases) {
        zVector screen(9, 9, 9, 9);
        EXPECT_EQ(f.camera.WorldToScreen(c.world, screen, false), c.visible) << c.world.x << " " << c.world.z;
        if (!c.visible) continue;
        EXPECT_FLOAT_EQ(screen.x, c.x);
        EXPECT_FLOAT_EQ(screen.y, c.y);
        EXPECT_EQ(screen.z, 0.0f);
        EXPECT_EQ(screen.w, 1.0f);
    }
    // 640 x 480: x is divided by 4/3 on the Y-axis rule, y otherwise.
    zVector screen;
    ASSERT_TRUE(f.camera.WorldToScreen(zVector(1, 1, 3.2f), screen, true));
    EXPECT_FLOAT_EQ(screen.x, (0.75f + 1.0f) * 0.5f);
    EXPECT_FLOAT_EQ(screen.y, 0.0f);
    f.camera.SetAspectRefYAxis(false);
    ASSERT_TRUE(f.camera.WorldToScreen(zVector(1, 1, 3.2f), screen, true));
    EXPECT_FLOAT_EQ(screen.x, 1.0f);
    EXPECT_FLOAT_EQ(screen.y, (1.0f - 0.75f) * 0.5f);
}

TEST(Camera, ScreenToWorldAndBack) {
    CameraFixture f;
    zVector world;
    f.camera.ScreenToWorld(world, 0.5f, 0.5f, 5.0f, 1.0f);
    EXPECT_FLOAT_EQ(world.x, 0.0f);
    EXPECT_FLOAT_EQ(world.y, 0.0f);
    EXPECT_FLOAT_EQ(world.z, 5.0f);

    // A placed and scaled camera: the scale does not reach the view.
    f.camera.SetPosition(zVector(3, -2, 7));
    f.camera.SetRotation(zVector(0.3f, 1.1f, -0.2f));
    f.camera.SetScale(zVector(2, 2, 2));
    const zVector point(4.0f, 1.0f, 20.0f);
    zVector screen;
    ASSERT_TRUE(f.camera.WorldToScreen(point, screen, false));
    const f32 depth = point.ApplyMatrix(*f.camera.GetInverseMatrix()).z;
    f.camera.ScreenToWorld(world, screen.x, screen.y, depth, 1.0f);
    EXPECT_NEAR(world.x, point.x, 1e-3f);
    EXPECT_NEAR(world.y, point.y, 1e-3f);
    EXPECT_NEAR(world.z, point.z, 1e-3f);

    // Negative factor: the viewport's width / height on x (Y-axis rule).
    f.camera.SetMatrix(zMatrix4::Identity);
    f.camera.ScreenToWorld(world, 1.0f, 0.0f, 3.2f, -1.0f);
    EXPECT_FLOAT_EQ(world.x, 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(world.y, 1.0f);
}

TEST(Camera, WorldAxesAreNormalised) {
    zItem parent;
    parent.SetScale(zVector(3, 3, 3));
    zCamera camera;
    camera.SetParent(&parent);
    camera.SetPosition(zVector(1, 0, 0));
    const zMatrix4* world = camera.GetWorldMatrix();
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(world->GetRow(axis, false).Length(), 1.0f, 1e-6f) << axis;
        EXPECT_EQ(world->GetRow(axis, false).w, 0.0f) << axis;
    }
    EXPECT_FLOAT_EQ(world->GetRow(3, true).x, 3.0f);
    EXPECT_EQ(camera.GetTransformBlock(), world);
    // A view-space point reaches the world through the whole matrix, w kept.
    zVector point(0.0f, 0.0f, 2.0f, 1.0f);
    world->TransformArray(&point, &point, 1);
    EXPECT_FLOAT_EQ(point.x, 3.0f);
    EXPECT_FLOAT_EQ(point.y, 0.0f);
    EXPECT_FLOAT_EQ(point.z, 2.0f);
    EXPECT_FLOAT_EQ(point.w, 1.0f);
}

TEST(Camera, FrustumFollowsTheCamera) {
    CameraFixture f;
    f.camera.SetAspect(1.0f);
    f.camera.SetPosition(zVector(0, 0, 100));
    f.camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    EXPECT_EQ(f.camera.GetFrustum().ClassifySphere(zVector(0, 0, 110), 1.0f), ClassifyInside);
    EXPECT_EQ(f.camera.GetFrustum().ClassifySphere(zVector(0, 0, 90), 1.0f), ClassifyOutside);
    // An explicit far plane into another frustum.
    zFrustum other;
    f.camera.UpdateFrustum(&other, -1.0f, 5.0f);
    EXPECT_EQ(other.ClassifySphere(zVector(0, 0, 110), 1.0f), ClassifyOutside);
    EXPECT_EQ(f.camera.GetFrustum().ClassifySphere(zVector(0, 0, 110), 1.0f), ClassifyInside);
}

TEST(Camera, SetupFromSpotLight) {
    zCamera camera;
    const zMatrix4 light = zMatrix4::Translation(zVector(1, 2, 3));
    camera.SetupFromSpotLight(light, 0.02f, 500.0f, 0.5235988f, 0.5235988f);
    EXPECT_EQ(camera.GetAspect(), 1.0f);
    EXPECT_EQ(camera.GetZNear(), 0.02f);
    EXPECT_EQ(camera.GetZFar(), 500.0f);
    EXPECT_NEAR(camera.GetZoom(), 0.57735f, 1e-5f);
    EXPECT_FLOAT_EQ(camera.GetWorldMatrix()->GetRow(3, true).z, 3.0f);
    camera.SetupFromSpotLight(light, 0.02f, 500.0f, 1.5f, 0.5f);
    EXPECT_EQ(camera.GetZoom(), 0.1f);
}

TEST(CameraTag, ReadsEveryChild) {
    ZmlDocument doc("<Camera=<Item=<Position=<X=1.0><Y=2.0><Z=3.0>>><ZNear=0.5><ZFar=900.0><ZoomFactor=2.0>"
                    "<OrthographicWidth=3.0><OrthographicHeight=4.0><ViewportOrigin=<X=0.25><Y=0.5>>"
                    "<ViewportSize=<X=0.5><Y=0.5>><Orthographic=False><AspectRatioRefYAxis=False>>\n");
    zCamera camera;
    LogCapture log;
    ASSERT_TRUE(camera.ParseCamera(doc.Root()));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(camera.GetZNear(), 0.5f);
    EXPECT_EQ(camera.GetZFar(), 900.0f);
    EXPECT_EQ(camera.GetZoom(), 2.0f);
    EXPECT_TRUE(camera.IsOrthographic());
    EXPECT_FALSE(camera.GetAspectRefYAxis());
    const zCameraBlock& block = camera.GetCameraBlock();
    EXPECT_EQ(block.orthoWidth, 3.0f);
    EXPECT_EQ(block.orthoHeight, 4.0f);
    EXPECT_EQ(block.viewportOrigin[0], 0.25f);
    EXPECT_EQ(block.viewportOrigin[1], 0.5f);
    EXPECT_EQ(block.viewportSize[0], 0.5f);
    EXPECT_EQ(camera.GetPosition()->y, 2.0f);
}

TEST(CameraTag, ReaderErrorsAndWarnings) {
    struct Case {
        const char* text;
        bool result;
        const char* log;
    };
    const Case cases[] = {
        {"<Light=<ZNear=1.0>>", false, "[!] Could not parse camera. Root tag id is incorrect (Light).\n"},
        {"<Camera=<Lens=1.0>>", true, "[*] Unknown tag 'Lens' in <Camera>.\n"},
        {"<Camera=<ZFar=\"far\">>", true, "[*] Invalid value of 'ZFar' in <Camera>.\n"},
    };
    for (const Case& c : cases) {
        ZmlDocument doc(std::string(c.text) + "\n");
        zCamera camera;
        LogCapture log;
        EXPECT_EQ(camera.ParseCamera(doc.Root()), c.result) << c.text;
        EXPECT_EQ(log.Text(), c.log) << c.text;
        EXPECT_EQ(camera.GetZFar(), 50000.0f);
    }
    zCamera camera;
    LogCapture log;
    EXPECT_FALSE(camera.ParseCamera(nullptr));
}

TEST(CameraTag, ZNearHasAFloorOfOneFifth) {
    for (const char* text : {"0.05", "0.0", "-3.0"}) {
        ZmlDocument doc(std::string("<Camera=<ZNear=") + text + ">>\n");
        zCamera camera;
        ASSERT_TRUE(camera.ParseCamera(doc.Root()));
        EXPECT_FLOAT_EQ(camera.GetZNear(), 0.2f) << text;
    }
}

// The "Item" child empties the registry: depth-of-field values read before
// it must still be there.
TEST(CameraTag, DepthOfFieldKeysSurviveALaterItemChild) {
    ZmlDocument doc("<Camera=<FStop=2.8><FocalDistance=12.5><Item=<Position=<X=1.0><Y=0.0><Z=0.0>>>>\n");
    zCamera camera;
    ASSERT_TRUE(camera.ParseCamera(doc.Root()));
    const zMetaTag* fStop = camera.GetRegistry().GetKey(CameraDofFStopKey);
    ASSERT_NE(fStop, nullptr);
    EXPECT_EQ(fStop->GetValue().GetType(), VariantFloat);
    f32 value = 0.0f;
    EXPECT_TRUE(fStop->GetValue().GetFloat(value));
    EXPECT_FLOAT_EQ(value, 2.8f);
    EXPECT_FLOAT_EQ(camera.GetRegistry().GetFloat(CameraDofFocalDistanceKey, 0.0f), 12.5f);

    // A second read without them removes the old values.
    ZmlDocument plain("<Camera=<ZFar=10.0>>\n");
    ASSERT_TRUE(camera.ParseCamera(plain.Root()));
    EXPECT_EQ(camera.GetRegistry().GetKey(CameraDofFStopKey), nullptr);
}

TEST(CameraTag, DefaultCameraWritesOnlyItemAndAxisRule) {
    zCamera camera;
    std::unique_ptr<zMetaTag> tag(camera.SerializeCamera());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(std::string(tag->GetName().CStr()), "Camera");
    EXPECT_EQ(ChildNames(tag.get()), "Item AspectRatioRefYAxis ");
}

TEST(CameraTag, RoundTripOfAChangedCamera) {
    zCamera camera;
    camera.SetZNear(0.5f);
    camera.SetZFar(1000.0f);
    camera.SetZoom(2.5f);
    camera.SetViewport(0.1f, 0.2f, 0.5f, 0.75f);
    camera.SetOrthographic(true);
    camera.SetOrthographicSize(6.0f, 3.0f);
    camera.SetAspectRefYAxis(false);
    camera.SetPosition(zVector(1, 2, 3));
    std::unique_ptr<zMetaTag> tag(camera.SerializeCamera());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(ChildNames(tag.get()), "Item ZNear ZFar ZoomFactor ViewportOrigin ViewportSize Orthographic "
                                     "OrthographicWidth OrthographicHeight AspectRatioRefYAxis ");
    auto text = ThroughText(tag.release());
    zCamera loaded;
    ASSERT_TRUE(loaded.ParseCamera(text->Root()));
    std::unique_ptr<zMetaTag> again(loaded.SerializeCamera());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(DumpOne(again.get()), DumpOne(text->Root()));
    EXPECT_EQ(loaded.GetZoom(), 2.5f);
    EXPECT_EQ(loaded.GetCameraBlock().viewportSize[1], 0.75f);
}

// The renderer views through the camera: view, projection, frustum and the
// camera block come from it on ApplyView.
TEST(Camera, RendererAppliesTheCameraView) {
    CameraFixture f;
    f.camera.SetPosition(zVector(0, 0, -10));
    f.camera.SetZoom(2.0f);
    f.renderer.SetViewItem(&f.camera);
    EXPECT_EQ(f.renderer.GetViewTransform(), f.camera.GetTransformBlock());
    f.renderer.ApplyView();
    EXPECT_FLOAT_EQ(f.renderer.GetProjection().e[0], 2.0f * 0.75f);
    EXPECT_EQ(f.renderer.GetCameraBlock().zoom, 2.0f);
    EXPECT_EQ(f.renderer.GetCameraBlock().frustum.ClassifySphere(zVector(0, 0, 0), 1.0f), ClassifyInside);
    const zVector view = zVector(0, 0, 0).ApplyMatrix(f.camera.GetViewMatrix());
    EXPECT_FLOAT_EQ(view.z, 10.0f);
    f.renderer.SetViewItem(nullptr);
}
