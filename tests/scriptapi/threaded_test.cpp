// Threaded-loading natives: each loads at once and hands back a "C Thread"
// handle.
#include <gtest/gtest.h>

#include <string>

#include "scene/scene.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/support/files.h"
#include "ui/scene2d.h"

namespace {

class ThreadedApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        scene = zSharedPtr<zScene>(new zScene(&engine, &vm));
        ui = zSharedPtr<zScene2D>(new zScene2D(&engine, &vm));
        SetHandle("g_scene", scene.Get(), ScriptKindScene);
        SetHandle("g_ui", ui.Get(), ScriptKindWindowSystem);
        log.Reset();
    }

    void TearDown() override {
        vm.Close();
        ui = zSharedPtr<zScene2D>();
        scene = zSharedPtr<zScene>();
        ScriptApiFixture::TearDown();
    }

    zSharedPtr<zScene> scene;
    zSharedPtr<zScene2D> ui;
};

TEST_F(ThreadedApi, APictureLoadsAtOnce) {
    WriteFile("pic.tga", SmallTgaFile());
    EXPECT_EQ(Printed("local h = WindowSystemLoadBitmapThreaded(g_ui, \"pic.tga\");"
                      "print(h.type() + \" \" + ObjectIsValid(h) + \" \" + LoadThreadIsDone(h))"),
              "2 true true");
    EXPECT_NE(log.Text().find("[*] threaded binding is only available on the Windows platform.\n"),
              std::string::npos);
    // The cache holds the picture the handle points to.
    EXPECT_NE(engine.LoadPicture("pic.tga", false), nullptr);
}

TEST_F(ThreadedApi, ASceneLoadsAtOnceAndTheHandleHoldsNothing) {
    WriteFile("t.zms", "<ZML=1.0>\n<Scene=<Items=<MLight=<MItem=<Id=\"lamp\"><UId=1><Active>>"
                       "<Light=<Type=\"Point\">>>>>\n");
    EXPECT_EQ(Printed("local h = SceneFromZMLThreaded(g_scene, \"t.zms\");"
                      "print(h.type() + \" \" + ObjectIsValid(h) + \" \" + LoadThreadIsDone(h))"),
              "2 false true");
    // The lamp and the camera a scene without one is given.
    EXPECT_EQ(scene->GetAllItems().GetCount(), 2u);
}

// 8193 triangles in a row along x: one past what the scene's optimisation
// leaves whole.
std::string LargeGeometry() {
    const int triangles = 8193;
    std::string text = "<ZML=1.0>\n<Geometry=<Materials=<Material=<Id=\"m\">>>\n<AVertex=<Count=" +
                       std::to_string(3 * triangles) + "><Data=";
    for (int i = 0; i < triangles; ++i) {
        const std::string x = std::to_string(i);
        text += "<V=<X=" + x + ".0><Y=0.0><Z=0.0>><V=<X=" + x + ".5><Y=1.0><Z=0.0>><V=<X=" + x +
                ".0><Y=1.0><Z=0.0>>";
    }
    text += ">>\n<APolygon=<Count=" + std::to_string(triangles) + "><BindingCount=" +
            std::to_string(3 * triangles) + "><Data=";
    for (int i = 0; i < triangles; ++i)
        text += "<P=<Count=3><Material=0><Index=" + std::to_string(3 * i) + "><Index=" + std::to_string(3 * i + 1) +
                "><Index=" + std::to_string(3 * i + 2) + ">>";
    return text + ">>>\n";
}

TEST_F(ThreadedApi, ALoadedSceneHasItsLargeGeometriesCut) {
    WriteFile("big.zml", LargeGeometry());
    WriteFile("big.zms", "<ZML=1.0>\n<Scene=<Items=<MObject=<MItem=<Id=\"wall\"><UId=1><Active>>"
                         "<Object=<Geometry=\"big.zml\">>>>>\n");
    EXPECT_EQ(Printed("print(ObjectIsValid(SceneFromZMLThreaded(g_scene, \"big.zms\")))"), "false");
    EXPECT_NE(log.Text().find("   Generating octree for geometry '"), std::string::npos) << log.Text();
}

TEST_F(ThreadedApi, AGeometryLoadsAtOnce) {
    EXPECT_EQ(Printed("local h = EngineLoadGeometryThreaded(g_engine, \"missing.zge\");"
                      "print(h.type() + \" \" + ObjectIsValid(h))"),
              "2 true");
    // A missing file still gives an empty geometry, as every load does.
    EXPECT_NE(log.Text().find("missing.zge"), std::string::npos);
}

TEST_F(ThreadedApi, ArgumentErrors) {
    const ScriptRow rows[] = {
        {"WindowSystemLoadBitmapThreaded(g_scene, \"pic.tga\")", "error: Expected 'Window System' got 'Scene'"},
        {"SceneFromZMLThreaded(g_ui, \"t.zms\")", "error: Expected 'Scene' got 'Window System'"},
        {"EngineLoadGeometryThreaded(g_scene, \"box.zge\")", "error: Expected 'Engine' got 'Scene'"},
        {"LoadThreadIsDone(1)", "error: parameter 1 has an invalid type 'integer' ; expected: 'instance'"},
        {"EngineLoadGeometryThreaded(g_engine, 5)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'string'"},
    };
    ExpectScripts(rows);
}

} // namespace
