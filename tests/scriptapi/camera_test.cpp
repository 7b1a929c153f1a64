// Camera natives: a camera at the origin looking along +z, an object ten
// units in front of it.
#include <gtest/gtest.h>

#include "markup/registry.h"
#include "tests/scriptapi/item_parts_fixture.h"

namespace {

using CameraApi = ItemPartsApi;

// A quarter turn: zoom 1, so a point at (1, 0, 10) lies a tenth of the way
// from the centre to the right edge.
TEST_F(CameraApi, TheFieldOfViewChangesTheProjection) {
    EXPECT_EQ(Printed("local p = TestVector(1.0, 0.0, 10.0, 1.0);"
                      "print(TestShow(CameraWorldToScreen(g_camera, p)));"
                      "CameraSetFov(g_camera, 1.5707964);"
                      "print(CameraGetFov(g_camera));"
                      "print(TestShow(CameraWorldToScreen(g_camera, p)));"
                      "print(TestShow(CameraScreenToWorldPlane(g_camera, 0.55, 0.5, 10.0)));"),
              "0.66 0.5 0 1\n1.5708\n0.55 0.5 0 1\n1 0 10 1");
    EXPECT_NEAR(eye->GetZoom(), 1.0f, 1e-6f);
}

TEST_F(CameraApi, FieldOfViewAndAspect) {
    const ScriptRow rows[] = {
        // Clamped to half a degree .. 179.95 degrees; the zoom's floor of 0.1
        // keeps the widest view at 2 atan(10).
        {"CameraSetFov(g_camera, 4.0); print(CameraGetFov(g_camera))", "2.94226"},
        {"CameraSetFov(g_camera, 0); print(CameraGetFov(g_camera))", "0.00872665"},
        {"print(CameraGetAspectRatio(g_camera))", "-1"},
        {"CameraSetAspectRatio(g_camera, 0.75); print(CameraGetAspectRatio(g_camera))", "0.75"},
    };
    ExpectScripts(rows);
    EXPECT_TRUE(eye->GetAspectRefYAxis());
    EXPECT_EQ(Printed("CameraSetAspectRatioRefAxis(g_camera, false)"), "");
    EXPECT_FALSE(eye->GetAspectRefYAxis());
}

TEST_F(CameraApi, ScreenAndWorldPositions) {
    const ScriptRow rows[] = {
        // One unit in front of the camera, or at the depth given.
        {"print(TestShow(CameraScreenToWorld(g_camera, 0.5, 0.5)))", "0 0 1 1"},
        {"print(TestShow(CameraScreenToWorldPlane(g_camera, 0.5, 0.5, 20)))", "0 0 20 1"},
        {"print(TestShow(CameraWorldToScreen(g_camera, CameraScreenToWorldPlane(g_camera, 0.25, 0.75, 5))))",
         "0.25 0.75 0 1"},
        // Behind the camera there is no screen position.
        {"print(CameraWorldToScreen(g_camera, TestVector(0.0, 0.0, -5.0, 1.0)) == null)", "true"},
    };
    ExpectScripts(rows);
}

TEST_F(CameraApi, CullingAgainstTheViewVolume) {
    const ScriptRow rows[] = {
        {"print(CameraCullPosition(g_camera, TestVector(0.0, 0.0, 10.0, 1.0)))", "1"},
        {"print(CameraCullPosition(g_camera, TestVector(0.0, 0.0, -10.0, 1.0)))", "0"},
        {"print(CameraCullObject(g_camera, g_object))", "1"},
        // The far plane moved in front of the object takes effect at once.
        {"CameraSetClipping(g_camera, 0.5, 5);"
         "print(CameraCullPosition(g_camera, TestVector(0.0, 0.0, 10.0, 1.0)) + \" \" +"
         "      CameraCullObject(g_camera, g_object))",
         "0 0"},
        {"CameraSetClipping(g_camera, 0.5, 10);"
         "print(CameraCullObject(g_camera, g_object))",
         "2"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(eye->GetZNear(), 0.5f);
    EXPECT_EQ(eye->GetZFar(), 10.0f);
}

TEST_F(CameraApi, CullingFollowsTheObjectsWorldMatrix) {
    box->SetPosition(zVector(0.0f, 0.0f, -20.0f, 1.0f));
    EXPECT_EQ(Printed("print(CameraCullObject(g_camera, g_object))"), "0");
    // At z = 10 the view's right edge is 10 / 3.2 from the axis.
    box->SetPosition(zVector(3.125f, 0.0f, 10.0f, 1.0f));
    EXPECT_EQ(Printed("print(CameraCullObject(g_camera, g_object))"), "2");
    box->SetGeometry(nullptr, true);
    EXPECT_EQ(Printed("print(CameraCullObject(g_camera, g_object))"), "error: Object has no geometry");
}

TEST_F(CameraApi, DepthOfFieldKeysGoToTheCameraRegistry) {
    EXPECT_EQ(Printed("CameraSetFocalDistance(g_camera, 12.5); CameraSetFStop(g_camera, 2)"), "");
    EXPECT_EQ(eye->GetRegistry().GetFloat(CameraDofFocalDistanceKey, -1.0f), 12.5f);
    EXPECT_EQ(eye->GetRegistry().GetFloat(CameraDofFStopKey, -1.0f), 2.0f);
    EXPECT_NEAR(eye->GetZoom(), CameraDefaultZoom, 1e-6f) << "the camera is not touched";
}

TEST_F(CameraApi, CastsAndArgumentErrors) {
    const ScriptRow rows[] = {
        {"print(ObjectIsSame(ItemCastToCamera(g_eyeItem), g_camera))", "true"},
        {"print(ObjectIsSame(CameraGetItem(g_camera), g_eyeItem))", "true"},
        {"ItemCastToCamera(g_lampItem)", "error: Item cannot be cast to camera"},
        {"ItemCastToCamera(g_camera)", "error: Expected 'Item' got 'Camera'"},
        {"CameraGetFov(g_light)", "error: Expected 'Camera' got 'Light'"},
        {"CameraGetFov(g_noCamera)", "error: CObject is null"},
        {"CameraCullObject(g_camera, g_boxItem)", "error: Expected 'Object' got 'Item'"},
        {"CameraCullObject(g_camera, g_noObject)", "error: CObject is null"},
        {"CameraWorldToScreen(g_camera, TestTranslation(1.0, 2.0, 3.0))", "error: Invalid instance type"},
        {"CameraSetAspectRatioRefAxis(g_camera, 1)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'bool'"},
        {"CameraScreenToWorldPlane(g_camera, 0.5, 0.5)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

} // namespace
