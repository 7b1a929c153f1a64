// Threaded-loading natives: each loads at once and hands back a "C Thread"
// handle.
#include <gtest/gtest.h>

#include <string>

#include "scene/scene.h"
#include "tests/scriptapi/api_fixture.h"
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

// A 2 x 1 uncompressed 24-bit TGA.
std::string SmallTga() {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = 2;
    bytes[14] = 1;
    bytes[16] = 24;
    return bytes + std::string(6, '\x7f');
}

TEST_F(ThreadedApi, APictureLoadsAtOnce) {
    WriteFile("pic.tga", SmallTga());
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
