// The player's 3D scene: its 2D user interface and the scene file's load.
#include <string>

#include "app/scene_factory.h"
#include "app_fixture.h"
#include "scene/scene.h"
#include "script/squirrel_vm.h"
#include "ui/scene2d.h"

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
    // Scripts reach the 2D scene itself (a scene's "ui").
    ASSERT_NE(ui->GetScene2D(), nullptr);
    EXPECT_EQ(ui->GetScene2D()->GetEngine(), &engine);
    // Drawing and clearing an empty interface does nothing, and says nothing.
    scene->RenderUI(0);
    scene->RenderUI(RenderNoScripts);
    ui->Clear();
    EXPECT_EQ(log.Text(), "");
}

TEST_F(SceneFactoryTest, SceneFilesAreReadWithEveryFlag) {
    PutMemoryFile("t.zms", "<ZML=1.0><Scene=<Items>>");
    PutMemoryFile("noscene.zms", "<ZML=1.0><Scene2d=>");
    // Only the document's first root is read, as for every stored object.
    PutMemoryFile("first.zms", "<ZML=1.0><Scene=<Items>><Other=1>");
    PutMemoryFile("second.zms", "<ZML=1.0><Other=1><Scene=<Items>>");
    PutMemoryFile("empty.zms", "<ZML=1.0>");
    struct Case {
        const char* path;
        bool loaded;
        std::string firstLine;
    };
    const Case cases[] = {
        {"t.zms", true, "[H] Loading scene 't.zms' (flag: -1)\n"},
        {"noscene.zms", false, "[!] Could not parse scene. Root tag id is incorrect (Scene2d).\n"},
        {"first.zms", true, "[H] Loading scene 'first.zms' (flag: -1)\n"},
        {"second.zms", false, "[!] Could not parse scene. Root tag id is incorrect (Other).\n"},
        {"empty.zms", false, "[!] No root tag in 'empty.zms'.\n"},
        {"absent.zms", false, "[*] Could not access file 'absent.zms'.\n"},
    };
    zEngine engine;
    zSquirrelVM vm(&engine);
    for (const Case& c : cases) {
        zSharedPtr<zScene> scene = NewPlayerScene(&engine, &vm, "unused\n");
        ASSERT_NE(scene.Get(), nullptr);
        log.Reset();
        EXPECT_EQ(LoadSceneFile(*scene, c.path), c.loaded) << c.path;
        EXPECT_EQ(log.Text().substr(0, c.firstLine.size()), c.firstLine) << c.path;
    }
}

} // namespace
