// The player's 3D scene: its 2D user interface and the scene file's load.
#include <string>

#include "app/scene_factory.h"
#include "app_fixture.h"
#include "scene/scene.h"
#include "script/squirrel_vm.h"

namespace {

using SceneFactoryTest = AppTest;

TEST_F(SceneFactoryTest, SceneComesWithAnEmptyUserInterface) {
    zEngine engine;
    zSquirrelVM vm(&engine);
    zSharedPtr<zScene> scene = NewPlayerScene(&engine, &vm, "unused\n");
    ASSERT_NE(scene.Get(), nullptr);
    zSceneUserInterface* ui = scene->GetUserInterface();
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->GetWindowCount(), 0u);
    // Drawing and clearing an empty interface does nothing, and says nothing.
    scene->RenderUI(0);
    scene->RenderUI(RenderNoScripts);
    ui->Clear();
    EXPECT_EQ(log.Text(), "");
}

TEST_F(SceneFactoryTest, SceneFilesAreNotReadYet) {
    PutMemoryFile("t.zms", "<ZML=1.0><Scene=<Items>>");
    struct Case {
        const char* path;
        std::string log;
    };
    const Case cases[] = {
        {"t.zms", "[!] Cannot load scene 't.zms': this player cannot read scene files yet.\n"},
        {"absent.zms", "[*] Could not access file 'absent.zms'.\n"},
    };
    zEngine engine;
    zSquirrelVM vm(&engine);
    zSharedPtr<zScene> scene = NewPlayerScene(&engine, &vm, "unused\n");
    ASSERT_NE(scene.Get(), nullptr);
    for (const Case& c : cases) {
        log.Reset();
        EXPECT_FALSE(LoadSceneFile(*scene, c.path)) << c.path;
        EXPECT_EQ(log.Text(), c.log);
    }
}

} // namespace
