// The Project group: a project opened on the fixture's engine runs the
// snippets in its own VM (g_project set by the project). Its scenes are small
// files: "a.zs2" and "b.zs2" are 2D scenes whose unit prints "draw <tag>"
// when drawn, "t.zms" is an empty 3D scene.
#include <gtest/gtest.h>

#include <string>

#include "app/project.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

std::string Scene2DFile(const char* tag) {
    return std::string("<ZML=1.0><Scene2d=<ScriptUnit=<Script=\"s.nut\"><Class=\"S\">"
                       "<ParmList=<Parm=<Id=\"tag\"><Value=\"") +
           tag + "\">>>>>";
}

// The project class: OnRender calls ProjectRender, which renders the project
// again inside the first render.
constexpr const char* ProjectScript = R"(
unloadOnActivate <- false;
class P {
  name = "the project";
  renders = 0;
  function OnRender(p) { ++renders; print("OnRender " + renders); ProjectRender(p); }
  function OnActivateScene(p, i) {
    print("OnActivateScene " + ProjectSceneGetType(i));
    if (::unloadOnActivate) ProjectUnloadScene(p, i);
  }
}
)";

class ProjectApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        WriteFile("s.nut", "class S { tag = \"\"; function OnUpdate(s) { print(\"draw \" + tag); } }");
        WriteFile("a.zs2", Scene2DFile("a"));
        WriteFile("b.zs2", Scene2DFile("b"));
        WriteFile("t.zms", "<ZML=1.0><Scene=<Items>>");
        WriteFile("p.nut", ProjectScript);
        project.includes.Add(zString((std::string(ZE_SCRIPTLIB) + "/zad.nut").c_str()));
        project.GetUnit().SetScriptPath("p.nut");
        project.GetUnit().SetClassName("P");
        ASSERT_TRUE(project.Open(true));
        RunScriptsIn(project.GetVM());
        log.Reset();
    }

    void TearDown() override {
        project.Close(true);
        ScriptApiFixture::TearDown();
    }

    zProject project{&engine};
};

TEST_F(ProjectApi, InstantiatedScenesAndTheirTypes) {
    const ScriptRow rows[] = {
        {"local s = ProjectInstantiateScene(g_project, \"a.zs2\"); print(ProjectSceneGetType(s));"
         "print(ObjectIsValid(ProjectSceneGetInstance(s)))",
         "2\nfalse"},
        {"local s = ProjectInstantiateScene(g_project, \"t.zms\"); print(ProjectSceneGetType(s));"
         "print(SceneGetName(ProjectSceneGetInstance(s)))",
         "1\nt.zms"},
        {"print(ObjectIsSame(ProjectInstantiateScene(g_project, \"a.zs2\"), ProjectFindScene(g_project, \"a.zs2\")))",
         "true"},
        {"print(ProjectSceneGetType(ProjectInstantiateScene(g_project, \"none.zms\")))", "0"},
        {"print(ProjectSceneGetType(ProjectFindScene(g_project, \"b.zs2\")))", "0"},
        {"ProjectSceneGetInstance(ProjectFindScene(g_project, \"b.zs2\"))", "error: CObject is null"},
        {"ProjectEnd(g_engine)", "error: Expected 'Project' got 'Engine'"},
        {"ProjectAddLayer(g_project, g_project, 1)", "error: Expected 'Project Scene' got 'Project'"},
        {"ProjectLayerGetZOrder(ProjectFindScene(g_project, \"a.zs2\"))",
         "error: Expected 'Project Layer' got 'Project Scene'"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(project.GetSceneCount(), 2u);
}

TEST_F(ProjectApi, LayersOfScenes) {
    const ScriptRow rows[] = {
        {"local a = ProjectInstantiateScene(g_project, \"a.zs2\"), b = ProjectInstantiateScene(g_project, \"b.zs2\");"
         "::la <- ProjectAddLayer(g_project, a, 2.5); ProjectAddLayer(g_project, a, 1);"
         "ProjectAddLayer(g_project, b, 3);"
         "print(ProjectLayerGetZOrder(la)); ProjectLayerSetZOrder(la, 4); print(ProjectLayerGetZOrder(la));"
         "print(ObjectIsSame(ProjectLayerGetScene(la), a));"
         "print(ProjectGetSceneLayerList(g_project, a).len() + \" \" + ProjectGetSceneLayerList(g_project, b).len())",
         "2.5\n4\ntrue\n2 1"},
        {"local list = ProjectGetSceneLayerList(g_project, ProjectFindScene(g_project, \"a.zs2\"));"
         "print(ProjectLayerGetZOrder(list[0]) + \" \" + ProjectLayerGetZOrder(list[1]))",
         "4 1"},
    };
    ExpectScripts(rows);
    // Layers by z, larger first: a at 4, b at 3, a at 1.
    log.Reset();
    ASSERT_TRUE(project.Render(ProjectRenderNoScripts - 1));
    const std::string text = log.Text();
    EXPECT_LT(text.find("draw a"), text.find("draw b")) << text;
    EXPECT_LT(text.find("draw b"), text.rfind("draw a")) << text;
}

// A project's own render calls ProjectRender from OnRender: the inner
// render draws without script events and does not render a third time.
TEST_F(ProjectApi, ProjectRenderInsideOnRenderRendersOnce) {
    EXPECT_EQ(Printed("ProjectAddLayer(g_project, ProjectInstantiateScene(g_project, \"a.zs2\"), 1)"), "");
    ASSERT_TRUE(project.Render(0));
    EXPECT_EQ(Printed("print(ProjectGetScriptInstance(g_project).renders)"), "2");
}

TEST_F(ProjectApi, UnloadedScenesAndTheirLayersAreDeletedHandles) {
    const ScriptRow rows[] = {
        {"::a <- ProjectInstantiateScene(g_project, \"a.zs2\"); ::l <- ProjectAddLayer(g_project, a, 1);"
         "ProjectUnloadScene(g_project, a); print(ObjectIsValid(a) + \" \" + ObjectIsValid(l))",
         "false false"},
        {"ProjectSceneGetType(a)", "error: Expected 'Project Scene' got 'Deleted native'"},
        {"ProjectLayerGetZOrder(l)", "error: Expected 'Project Layer' got 'Deleted native'"},
        {"ProjectUnloadScene(g_project, a)", "error: Expected 'Project Scene' got 'Deleted native'"},
        {"print(ProjectSceneGetType(ProjectFindScene(g_project, \"a.zs2\")))", "0"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(project.GetSceneCount(), 0u);
    EXPECT_EQ(project.GetLayers().GetCount(), 0u);
}

TEST_F(ProjectApi, ActivationGoesThroughTheProjectScript) {
    const ScriptRow rows[] = {
        {"::a <- ProjectInstantiateScene(g_project, \"a.zs2\"); print(ProjectSceneIsActive(g_project, a))", "true"},
        {"ProjectSceneActivate(g_project, a, false); print(ProjectIsSceneActive(g_project, a))",
         "OnActivateScene 2\nfalse"},
        {"ProjectActivateScene(g_project, a, true); print(ProjectSceneIsActive(g_project, a))",
         "OnActivateScene 2\ntrue"},
    };
    ExpectScripts(rows);
}

// The callback unloads the instance it is told of: nothing is stored into
// the freed instance (the sanitizer sees a write after free).
TEST_F(ProjectApi, AnInstanceUnloadedByOnActivateSceneIsLeftAlone) {
    EXPECT_EQ(Printed("::unloadOnActivate = true; local a = ProjectInstantiateScene(g_project, \"a.zs2\");"
                      "ProjectSceneActivate(g_project, a, false); print(ObjectIsValid(a))"),
              "OnActivateScene 2\nfalse");
    EXPECT_EQ(project.GetSceneCount(), 0u);
}

TEST_F(ProjectApi, ScriptInstancesOfTheProjectAndItsScenes) {
    const ScriptRow rows[] = {
        {"print(ProjectGetScriptInstance(g_project).name)", "the project"},
        {"local a = ProjectInstantiateScene(g_project, \"a.zs2\"); print(ProjectSceneGetScriptInstance(a).tag);"
         "print(ProjectSceneGetScriptInstanceFromClass(a, \"S\").tag)",
         "a\na"},
        {"ProjectSceneGetScriptInstanceFromClass(ProjectFindScene(g_project, \"a.zs2\"), \"X\")",
         "error: Script unit not found"},
        {"ProjectSceneGetScriptInstance(ProjectInstantiateScene(g_project, \"t.zms\"))", "error: No script unit"},
        {"ProjectSceneSetGlobal(ProjectFindScene(g_project, \"t.zms\")); print(SceneGetName(g_scene))", "t.zms"},
    };
    ExpectScripts(rows);
}

TEST_F(ProjectApi, AProjectWithoutAScriptInstanceGivesNull) {
    project.Close(false);
    project.GetUnit().SetScriptPath("");
    ASSERT_TRUE(project.Open(true));
    EXPECT_EQ(Printed("print(ProjectGetScriptInstance(g_project) == null)"), "true");
}

TEST_F(ProjectApi, EndAndOffsetsOfTheProject) {
    EXPECT_EQ(Printed("ProjectAddLayer(g_project, ProjectInstantiateScene(g_project, \"a.zs2\"), 1);"
                      "ProjectAddLayer(g_project, ProjectInstantiateScene(g_project, \"t.zms\"), 2);"
                      "ProjectSetAll2DLayerOffset(g_project, 3, -4.5); ProjectUpdateScriptClock(g_project);"
                      "ProjectEnd(g_project); print(\"ended\")"),
              "ended");
    EXPECT_EQ(project.flags & ProjectEnd, ProjectEnd);
    for (auto* node = project.GetLayers().GetHead(); node; node = node->next) {
        const bool flat = node->value->instance->kind == zProjectSceneInstance::KindScene2D;
        EXPECT_EQ(node->value->offset2D[0], flat ? 3.0f : 0.0f);
        EXPECT_EQ(node->value->offset2D[1], flat ? -4.5f : 0.0f);
    }
}

// Scenes made by scripts are not on the stack; they go with their handle
// (the sanitizer's leak check sees one that stays).
TEST_F(ProjectApi, NewScenesAreOwnedByTheirHandle) {
    const ScriptRow rows[] = {
        {"local s = ProjectNewScene(g_project); print(ObjectIsValid(s) + \" \" + ObjectIsValid(ProjectNewScene3D(g_project)))",
         "true true"},
        {"print(ObjectIsValid(ProjectNewScene2D(g_project)))", "true"},
        {"local s = ProjectNewScene(g_project); SceneSetGlobal(s); s = null; print(ObjectIsValid(g_scene))", "false"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(project.GetSceneCount(), 0u);
}

} // namespace
