// The project's script callbacks, its scene stack and its layers, driven the
// way the player drives them. 2D scenes stand in for drawn scenes: each one's
// OnUpdate runs inside its drawing and prints the scene's tag, so the console
// shows the drawing order.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/project.h"
#include "app_fixture.h"
#include "engine/profiler.h"
#include "squirrel/squirrel.h"
#include "tests/support/recording_renderer.h"
#include "ui/scene2d.h"

namespace {

void WriteDiskFile(const char* path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A 2D scene whose unit prints "draw <tag>" each time it is drawn.
std::string Scene2DFile(const char* tag) {
    return std::string("<ZML=1.0><Scene2d=<ScriptUnit=<Script=\"s.nut\"><Class=\"S\">"
                       "<ParmList=<Parm=<Id=\"tag\"><Value=\"") +
           tag + "\">>>>>";
}

constexpr const char* SceneScript = "class S { tag = \"\"; function OnUpdate(s) { print(\"draw \" + tag); } }";

// The project class the tests use unless they give their own.
constexpr const char* ProjectScript = R"(
class P {
  function OnSetup(p) { print("OnSetup " + typeof p); }
  function OnUpdate(p) { print("OnUpdate"); }
  function OnRender(p) { print("OnRender"); }
  function OnRenderScene(p, s, l) { print("OnRenderScene " + typeof s + " " + typeof l); }
  function OnActivateScene(p, i) { print("OnActivateScene " + typeof i); }
  function OnClose(p) { print("OnClose"); }
}
)";

class ProjectStack : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteDiskFile("s.nut", SceneScript);
        for (const char* tag : {"a", "b", "c", "d"})
            WriteDiskFile((std::string(tag) + ".zs2").c_str(), Scene2DFile(tag));
    }

    // Opens the project with the class P of script.
    void OpenWith(const char* script) {
        WriteDiskFile("p.nut", script);
        project.GetUnit().SetScriptPath("p.nut");
        project.GetUnit().SetClassName("P");
        ASSERT_TRUE(project.Open(true));
        ASSERT_TRUE(project.GetUnit().HasInstance());
    }

    // The script's lines since the last call, without their "[S] " tag.
    std::vector<std::string> ScriptLines() {
        std::vector<std::string> lines;
        std::string text = log.Text();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            if (line.rfind("[S] ", 0) == 0) lines.push_back(line.substr(4));
            start = end + 1;
        }
        log.Reset();
        return lines;
    }

    // Registers a global native of the project's VM.
    void AddNative(const char* name, SQFUNCTION function) {
        HSQUIRRELVM vm = project.GetVM().GetHandle();
        sq_pushroottable(vm);
        sq_pushstring(vm, name, -1);
        sq_newclosure(vm, function, 0);
        sq_newslot(vm, -3, SQFalse);
        sq_pop(vm, 1);
    }

    zEngine engine;
    zProject project{&engine};
};

using Lines = std::vector<std::string>;

TEST_F(ProjectStack, CallbacksOfSetupEvaluateRenderAndClose) {
    OpenWith(ProjectScript);
    zProjectSceneInstance* a = project.Instantiate("a.zs2");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(project.AddLayer(a, 1.0f), nullptr);
    ScriptLines();
    EXPECT_TRUE(project.Setup());
    EXPECT_EQ(ScriptLines(), (Lines{"OnSetup CObject"}));
    EXPECT_TRUE(project.Evaluate(0x3f));
    EXPECT_EQ(ScriptLines(), (Lines{"OnUpdate"}));
    EXPECT_TRUE(project.Render(0));
    EXPECT_EQ(ScriptLines(), (Lines{"OnRender", "OnRenderScene CObject CObject", "draw a"}));
    // Without script events: neither OnRenderScene nor the scene's OnUpdate.
    EXPECT_TRUE(project.Render(ProjectRenderNoScripts));
    EXPECT_EQ(ScriptLines(), (Lines{"OnRender"}));
    EXPECT_TRUE(project.Close(false));
    EXPECT_EQ(ScriptLines(), (Lines{"OnClose"}));
    EXPECT_EQ(project.GetSceneCount(), 0u);
    EXPECT_EQ(project.GetLayers().GetCount(), 0u);
    EXPECT_FALSE(project.GetUnit().HasInstance());
    EXPECT_TRUE(project.GetVM().IsOpen());
    // The unit is gone: no more callbacks.
    EXPECT_TRUE(project.Setup());
    EXPECT_EQ(ScriptLines(), Lines{});
}

TEST_F(ProjectStack, ScriptWithoutCallbacksIsFine) {
    OpenWith("class P {}");
    ASSERT_NE(project.AddLayer(project.Instantiate("a.zs2"), 0.0f), nullptr);
    EXPECT_TRUE(project.Setup());
    EXPECT_TRUE(project.Evaluate(0x3f));
    EXPECT_TRUE(project.Render(0));
    EXPECT_EQ(ScriptLines(), (Lines{"draw a"}));
    EXPECT_FALSE(project.GetVM().IsKilled());
}

TEST_F(ProjectStack, LayersDrawByDescendingZAndEqualZKeepsItsOrder) {
    OpenWith("class P {}");
    const struct {
        const char* path;
        f32 z;
    } layers[] = {{"a.zs2", 1.0f}, {"b.zs2", 3.0f}, {"c.zs2", 2.0f}, {"d.zs2", 2.0f}};
    for (const auto& layer : layers)
        ASSERT_NE(project.AddLayer(project.Instantiate(layer.path), layer.z), nullptr);
    ScriptLines();
    project.Render(0);
    EXPECT_EQ(ScriptLines(), (Lines{"draw b", "draw c", "draw d", "draw a"}));
    // Sorting again changes nothing.
    project.Render(0);
    EXPECT_EQ(ScriptLines(), (Lines{"draw b", "draw c", "draw d", "draw a"}));
}

TEST_F(ProjectStack, OnlyActiveInstancesInALayerAreDrawn) {
    OpenWith("class P {}");
    zProjectSceneInstance* a = project.Instantiate("a.zs2");
    zProjectSceneInstance* b = project.Instantiate("b.zs2");
    zProjectSceneInstance* c = project.Instantiate("c.zs2");
    ASSERT_TRUE(a && b && c);
    project.AddLayer(a, 1.0f);
    project.AddLayer(b, 2.0f);
    // c is in no layer; a is drawn twice from two layers.
    project.AddLayer(a, 3.0f);
    zProjectSceneInstance::Activate(project, b, false);
    EXPECT_EQ(project.CountActiveScenes(), 2u);
    ScriptLines();
    project.Render(0);
    EXPECT_EQ(ScriptLines(), (Lines{"draw a", "draw a"}));
}

TEST_F(ProjectStack, ActivateCallsTheScriptBeforeTheChange) {
    OpenWith(R"(class P { function OnActivateScene(p, i) { print("active " + ActiveOf(i)); } })");
    static zProjectSceneInstance* seen;
    AddNative("ActiveOf", [](HSQUIRRELVM vm) -> SQInteger {
        sq_pushinteger(vm, seen ? seen->active : -1);
        return 1;
    });
    zProjectSceneInstance* a = project.Instantiate("a.zs2");
    ASSERT_NE(a, nullptr);
    seen = a;
    ScriptLines();
    zProjectSceneInstance::Activate(project, a, false);
    EXPECT_EQ(a->active, 0);
    zProjectSceneInstance::Activate(project, a, true);
    EXPECT_EQ(a->active, 1);
    EXPECT_EQ(ScriptLines(), (Lines{"active 1", "active 0"}));
    seen = nullptr;
}

TEST_F(ProjectStack, SamePathGivesTheSameInstance) {
    OpenWith("class P {}");
    zProjectSceneInstance* first = project.Instantiate("a.zs2");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->kind, u32(zProjectSceneInstance::KindScene2D));
    ScriptLines();
    EXPECT_EQ(project.Instantiate("a.zs2"), first);
    EXPECT_EQ(project.GetSceneCount(), 1u);
    EXPECT_EQ(project.FindScene("a.zs2"), first);
    EXPECT_EQ(project.FindSceneByPointer(first->scene2D.Get()), first);
    zString name;
    first->GetName(name);
    EXPECT_EQ(Text(name), "a.zs2");
    EXPECT_EQ(project.FindScene("b.zs2"), nullptr);
}

TEST_F(ProjectStack, FilesThatGiveNoInstance) {
    OpenWith("class P {}");
    ASSERT_NE(project.Instantiate("a.zs2"), nullptr);
    WriteDiskFile("other.zml", "<ZML=1.0><Environment=<Name=\"E\">>");
    struct Case {
        const char* path;
        std::string log;
    };
    const Case cases[] = {
        {"other.zml", ""},
        {"absent.zs2",
         "[*] Could not access file 'absent.zs2'.\n[!] Could not instantiate scene 'absent.zs2', file not found.\n"},
    };
    for (const Case& c : cases) {
        log.Reset();
        EXPECT_EQ(project.Instantiate(c.path), nullptr) << c.path;
        EXPECT_EQ(log.Text(), c.log);
        EXPECT_EQ(project.GetSceneCount(), 1u);
    }
}

TEST_F(ProjectStack, UnloadRemovesTheLayersOfTheInstance) {
    OpenWith("class P {}");
    zProjectSceneInstance* a = project.Instantiate("a.zs2");
    zProjectSceneInstance* b = project.Instantiate("b.zs2");
    project.AddLayer(a, 1.0f);
    project.AddLayer(b, 2.0f);
    project.AddLayer(a, 3.0f);
    EXPECT_TRUE(project.Unload(a));
    EXPECT_EQ(project.GetSceneCount(), 1u);
    ASSERT_EQ(project.GetLayers().GetCount(), 1u);
    EXPECT_EQ(project.GetLayers().GetHead()->value->instance, b);
    EXPECT_FALSE(project.Unload(nullptr));
}

TEST_F(ProjectStack, UnloadOfAnInstanceNotOnTheStackStillRemovesItsLayers) {
    OpenWith("class P {}");
    ASSERT_NE(project.Instantiate("a.zs2"), nullptr);
    zProjectSceneInstance stray;
    project.AddLayer(&stray, 1.0f);
    log.Reset();
    EXPECT_FALSE(project.Unload(&stray));
    EXPECT_EQ(log.Text(), "[*] Trying to unload an invalid scene instance.\n");
    EXPECT_EQ(project.GetLayers().GetCount(), 0u);
    EXPECT_EQ(project.GetSceneCount(), 1u);
}

TEST_F(ProjectStack, StackCannotChangeWhileAScenesDrawsOrEvaluates) {
    OpenWith("class P {}");
    static zProject* target;
    target = &project;
    AddNative("Grab", [](HSQUIRRELVM vm) -> SQInteger {
        sq_pushbool(vm, target->Instantiate("b.zs2") != nullptr);
        return 1;
    });
    WriteDiskFile("s.nut", "class S { function OnUpdate(s) { print(\"grab \" + Grab()); } }");
    zProjectSceneInstance* a = project.Instantiate("a.zs2");
    project.AddLayer(a, 1.0f);
    log.Reset();
    project.Render(0);
    EXPECT_EQ(log.Text(), "[!] Cannot call 'zProject::Instantiate' while rendering or evaluating the project "
                          "scene stack.\n[S] grab false\n");
    EXPECT_EQ(project.GetSceneCount(), 1u);
    EXPECT_FALSE(project.IsBusy());
    target = nullptr;
}

TEST_F(ProjectStack, StackCannotChangeWhileA3DSceneEvaluates) {
    OpenWith(R"(class P { function OnUpdate(p) { print("project " + Grab()); } })");
    static zProject* target;
    target = &project;
    AddNative("Grab", [](HSQUIRRELVM vm) -> SQInteger {
        sq_pushbool(vm, target->Instantiate("b.zs2") != nullptr);
        return 1;
    });
    WriteDiskFile("t.zms", "<ZML=1.0><Scene=<Items>>");
    WriteDiskFile("u.nut", "class U { function OnUpdate(s) { print(\"scene \" + Grab()); } }");
    zProjectSceneInstance* instance = project.Instantiate("t.zms");
    ASSERT_NE(instance, nullptr);
    zScriptUnit* unit = instance->scene->NewScriptUnit();
    ASSERT_NE(unit, nullptr);
    unit->SetScriptPath("u.nut");
    unit->SetClassName("U");
    ASSERT_TRUE(unit->Setup());
    log.Reset();
    EXPECT_TRUE(project.Evaluate(0x3f));
    // The project's own OnUpdate runs before busy is set and may change the
    // stack; the scene's may not.
    EXPECT_EQ(log.Text(), "[S] project true\n[!] Cannot call 'zProject::Instantiate' while rendering or "
                          "evaluating the project scene stack.\n[S] scene false\n");
    EXPECT_EQ(project.GetSceneCount(), 2u);
    target = nullptr;
}

TEST_F(ProjectStack, OnRenderSceneMayUnloadTheScenesStillToDraw) {
    OpenWith(R"(class P { function OnRenderScene(p, s, l) { print("scene"); DropAll(); } })");
    static zProject* target;
    target = &project;
    AddNative("DropAll", [](HSQUIRRELVM) -> SQInteger {
        while (target->GetScenes().GetHead())
            target->Unload(target->GetScenes().GetHead()->value.get());
        return 0;
    });
    project.AddLayer(project.Instantiate("a.zs2"), 2.0f);
    project.AddLayer(project.Instantiate("b.zs2"), 1.0f);
    ScriptLines();
    project.Render(0);
    // The first layer's scene went before its drawing, the second with it.
    EXPECT_EQ(ScriptLines(), (Lines{"scene"}));
    EXPECT_EQ(project.GetSceneCount(), 0u);
    EXPECT_EQ(project.GetLayers().GetCount(), 0u);
    target = nullptr;
}

TEST_F(ProjectStack, FreedInstancesAndLayersLeaveDeadHandles) {
    OpenWith(R"(class P {
  function OnActivateScene(p, i) { ::held <- i; }
  function OnRenderScene(p, s, l) { ::layer <- l; ::scene <- s; }
})");
    WriteDiskFile("check.nut", "print(held.isValid() + \" \" + layer.isValid() + \" \" + scene.isValid());");
    zProjectSceneInstance* a = project.Instantiate("a.zs2");
    ASSERT_NE(a, nullptr);
    zProjectSceneInstance::Activate(project, a, true);
    project.AddLayer(a, 1.0f);
    project.Render(ProjectRenderNoScripts);
    project.Render(0);
    ScriptLines();
    project.GetVM().Include("check.nut");
    EXPECT_EQ(ScriptLines(), (Lines{"true true true"}));
    EXPECT_TRUE(project.Unload(a));
    project.GetVM().Include("check.nut");
    EXPECT_EQ(ScriptLines(), (Lines{"false false false"}));
    EXPECT_FALSE(project.GetVM().IsKilled());
}

TEST_F(ProjectStack, CloseLeavesDeadHandlesToo) {
    OpenWith(R"(class P { function OnActivateScene(p, i) { ::held <- i; } })");
    WriteDiskFile("check.nut", "print(held.isValid());");
    zProjectSceneInstance::Activate(project, project.Instantiate("a.zs2"), true);
    EXPECT_TRUE(project.Close(false));
    ScriptLines();
    project.GetVM().Include("check.nut");
    EXPECT_EQ(ScriptLines(), (Lines{"false"}));
}

TEST_F(ProjectStack, SceneRootGivesA3DInstanceEvaluatedEachFrame) {
    OpenWith("class P {}");
    WriteDiskFile("t.zms", "<ZML=1.0><Scene=<Items>>");
    zProjectSceneInstance* scene = project.Instantiate("t.zms");
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->kind, u32(zProjectSceneInstance::KindScene));
    ASSERT_NE(scene->scene.Get(), nullptr);
    // Evaluation publishes the scene being evaluated.
    project.GetVM().SetGlobal("g_scene", zScriptValue(), nullptr);
    EXPECT_TRUE(project.Evaluate(0x3f));
    zScriptValue published;
    ASSERT_TRUE(project.GetVM().GetValue("g_scene", published, nullptr));
    EXPECT_NE(published.GetObject(), nullptr);
    project.AddLayer(scene, 0.0f);
    EXPECT_TRUE(project.Render(0));
    EXPECT_TRUE(project.Unload(scene));
    EXPECT_EQ(project.GetSceneCount(), 0u);
}

TEST_F(ProjectStack, LayerWithoutAnInstanceIsNeverDrawn) {
    OpenWith("class P {}");
    ASSERT_NE(project.AddLayer(nullptr, 1.0f), nullptr);
    log.Reset();
    EXPECT_TRUE(project.Render(0));
    EXPECT_EQ(log.Text(), "");
}

} // namespace

namespace {

// A 2 x 2 uncompressed 32-bit TGA, a raster font's page.
std::string SmallPage() {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = 2;
    bytes[14] = 2;
    bytes[16] = 32;
    bytes[17] = 0x28;
    bytes.append(16, '\x7f');
    return bytes;
}

} // namespace

// The project page: its own lines in size 0.4 and step 0.024, then the pages
// of the active instances (a 2D one and a 3D one) in their own layout.
TEST_F(ProjectStack, ProfilerPageListsScenesLayersAndInstancePages) {
    RecordingRenderer renderer(&engine, true);
    renderer.Open(640, 480, 32, false);
    std::filesystem::create_directory("fonts");
    WriteDiskFile("fonts/p.zml", "<ZML=1.0>\n<Font=<Common=<Height=12><BaseLine=10><PageCount=1>>"
                                 "<Char=<Id=65><U=0><V=0><W=1><H=1><OffsetU=0><OffsetV=0><Step=1><Page=0>>>\n");
    WriteDiskFile("fonts/p_00.tga", SmallPage());
    WriteDiskFile("t.zms", "<ZML=1.0>\n<Scene=<Items>>\n");
    OpenWith("class P {}");
    // Without its font the page writes nothing.
    project.UpdateProfiler();
    EXPECT_TRUE(renderer.writes.empty());
    ASSERT_TRUE(project.LoadProfilerFont("fonts/p.zml", "fonts/p"));

    zProjectSceneInstance* flat = project.Instantiate("a.zs2");
    zProjectSceneInstance* deep = project.Instantiate("t.zms");
    zProjectSceneInstance* off = project.Instantiate("b.zs2");
    ASSERT_TRUE(flat && deep && off);
    zProjectSceneInstance::Activate(project, off, false);
    project.AddLayer(flat, 1.0f);
    project.AddLayer(deep, 2.0f);
    renderer.ClearRecords();
    project.UpdateProfiler();

    std::vector<std::string> texts;
    for (size_t index = 1; index < renderer.writes.size(); index += 2)
        texts.push_back(renderer.writes[index].text);
    EXPECT_EQ(texts, (Lines{"Perf. = 0.00 fps (0.00 ms)", "Scene list (3 instantiated, 2 active):",
                            "Layer stack:", "  -> a.zs2", "  -> t.zms", "Scene instance 'a.zs2':",
                            "Window count = 0", "Scene instance 't.zms':", "Evaluate = 0.00 ms",
                            "  -> Item = 1 item(s), 1 active (100%)", "Script = 0.00 ms", "Physic = 0.00 ms",
                            "Send to render = 0.00 ms", "User interface = 0.00 ms (0 window(s))"}));
    ASSERT_EQ(renderer.writes.size(), 2 * texts.size());
    const struct {
        size_t line;
        f32 x, y, size;
    } places[] = {{0, 0.025f, 0.05f, 0.4f},  {1, 0.025f, 0.074f, 0.4f},   {2, 0.025f, 0.122f, 0.4f},
                  {3, 0.025f, 0.146f, 0.4f}, {5, 0.05f, 0.194f, 0.4f},    {6, 0.075f, 0.218f, 0.35f},
                  // the 2D page's empty line, then the next instance
                  {7, 0.05f, 0.26f, 0.4f},   {8, 0.075f, 0.284f, 0.35f}};
    for (const auto& place : places) {
        const RecordedWrite& shadow = renderer.writes[2 * place.line];
        const RecordedWrite& write = renderer.writes[2 * place.line + 1];
        EXPECT_NEAR(write.x, place.x, 1e-5f) << texts[place.line];
        EXPECT_NEAR(write.y, place.y, 1e-5f) << texts[place.line];
        EXPECT_EQ(write.size, place.size) << texts[place.line];
        EXPECT_NEAR(shadow.x, place.x + 1.0f / 640.0f, 1e-5f);
        EXPECT_NEAR(shadow.y, place.y + 1.0f / 480.0f, 1e-5f);
        EXPECT_EQ(write.font, &project.GetProfilerFont());
    }
    EXPECT_EQ(renderer.writes[1].color.pointer, nullptr);
    EXPECT_EQ(renderer.writes[13].color.pointer, ProfilerWindowCountColor);
}
