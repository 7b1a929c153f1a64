#include "scene/scene.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "physics/physic_world.h"
#include "render/renderer.h"
#include "scene/motion.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "scene/memory_layout.h"
#include "script/script_dispatch.h"
#include "tests/scene/scene_fixture.h"

namespace {


// Every event the scene and an item send, printed by the units.
const char* const TracerScript = R"(
class SceneTracer {
    function OnPreSetup(s) { print("scene OnPreSetup") }
    function OnSetup(s) { print("scene OnSetup") }
    function OnSetupDone(s) { print("scene OnSetupDone") }
    function OnReset(s) { print("scene OnReset") }
    function OnUpdate(s) { print("scene OnUpdate") }
    function OnPhysicStep(s, flag) { print("scene OnPhysicStep") }
    function OnRenderDone(s) { print("scene OnRenderDone") }
    function OnRenderUI(s) { print("scene OnRenderUI") }
    function OnDelete(s) { print("scene OnDelete") }
}
class ItemTracer {
    function OnSetup(i) { print("item OnSetup") }
    function OnSetupDone(i) { print("item OnSetupDone") }
    function OnReset(i) { print("item OnReset") }
    function OnUpdate(i) { print("item OnUpdate") }
    function OnPhysicStep(i, flag) { print("item OnPhysicStep " + flag) }
    function OnLogicUpdate(i, period) { print("item OnLogicUpdate " + period) }
    function OnRenderDone(i) { print("item OnRenderDone") }
    function OnDelete(i) { print("item OnDelete") }
}
)";

// Removes every copy of line, which must stand in one run right after
// anchor; gives the count.
int TakeRun(std::string& text, const std::string& anchor, const std::string& line) {
    const size_t start = text.find(anchor);
    if (start == std::string::npos) return -1;
    size_t at = start + anchor.size();
    int count = 0;
    while (text.compare(at, line.size(), line) == 0) {
        text.erase(at, line.size());
        ++count;
    }
    return text.find(line) == std::string::npos ? count : -1;
}

// The tracer script, a SceneTracer unit on the scene and an item with an
// ItemTracer unit.
class TracedScene : public SceneFixture {
  public:
    TestItem* AddTracers(const char* itemName, u32 kind = ManagedKindObject) {
        WriteScript("tracer.nut", TracerScript);
        sceneUnit = AddUnit(*scene, "SceneTracer");
        TestItem* item = Add(itemName, kind);
        AddUnit(*item, "ItemTracer");
        return item;
    }
    zScriptUnit* AddUnit(zScriptedObject& owner, const char* className) {
        zScriptUnit* unit = owner.NewScriptUnit();
        EXPECT_TRUE(unit);
        if (unit) {
            unit->SetScriptPath("tracer.nut");
            unit->SetClassName(className);
        }
        return unit;
    }
    zScriptUnit* sceneUnit = nullptr;
};

struct RecordingInterface : zSceneUserInterface {
    void Clear() override { calls += "clear "; }
    void Render(bool skipScript) override { calls += skipScript ? "render skip " : "render "; }
    u32 GetWindowCount() const override { return 0; }
    std::string calls;
};

} // namespace

TEST_F(TracedScene, ScriptsSeeTheEventsInTheirOrder) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    scene->SetName("order");
    TestItem* item = AddTracers("a");
    scene->RegisterAsPropertyCallback(engine.GetRenderer());
    scene->SetScriptGlobals(nullptr);

    log.Reset();
    scene->Setup(true, 1024);
    scene->Reset();
    // No OnPreSetup: no unit has an instance when it goes out.
    EXPECT_EQ(log.Text(), "[H] Setup scene 'order'\n[S] item OnSetup\n[S] scene OnSetup\n[S] item OnSetupDone\n"
                          "[S] scene OnSetupDone\n[H] Scene reset\n[S] item OnReset\n[S] scene OnReset\n");

    SetFrameTime(500);
    item->SetScriptLogicFrequency(20.0f);
    item->SetLogicCountdown(0.01f);
    log.Reset();
    scene->Update(UpdateAll);
    scene->RenderSetup(RenderClear);
    scene->RenderToQueue(RenderClear);
    scene->RenderDone(RenderClear);
    scene->RenderUI(0);
    std::string text = log.Text();
    EXPECT_GE(TakeRun(text, "[S] scene OnUpdate\n", "[S] scene OnPhysicStep\n"), 1) << log.Text();
    EXPECT_EQ(text, "[S] scene OnUpdate\n[S] item OnUpdate\n[S] item OnLogicUpdate 0.05\n[S] item OnRenderDone\n"
                    "[S] scene OnRenderDone\n[S] scene OnRenderUI\n");

    log.Reset();
    scene = static_cast<zScene*>(nullptr);
    EXPECT_EQ(log.Text(), "[S] scene OnDelete\n[S] item OnDelete\n");
    EXPECT_FALSE(vm.IsKilled());
}

TEST_F(TracedScene, UpdateWithoutTheScriptPartSendsNoScriptEvent) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    TestItem* item = AddTracers("a");
    scene->Setup(false, 0);
    ASSERT_GT(scene->LoadCommandList("toposition 0.1, 4, 0, 0;", *item), 0);
    SetFrameTime(1000);
    item->SetLogicCountdown(0.0f);
    log.Reset();
    scene->Update(UpdateAll & ~UpdateScripts);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(item->zItem::GetPosition()->x, 4.0f);
    EXPECT_EQ(item->updates, 1);
}

TEST_F(SceneTest, ADestroyedSceneLeavesNoScriptHandle) {
    scene->SetScriptGlobals(nullptr);
    ASSERT_TRUE(Run("kept <- g_scene; print(kept.type() + \" \" + g_clock_fq)"));
    scene = static_cast<zScene*>(nullptr);
    // Both the kept handle and the global read as deleted natives.
    ASSERT_TRUE(Run("print(kept.type() + \" \" + g_scene.type())", "after.nut"));
    EXPECT_EQ(log.Text(), "[S] 9 10000\n[S] 1 1\n");
}

TEST_F(SceneTest, UidLookupsAndAssignment) {
    TestItem* first = Add("first");
    TestItem* second = Add("second");
    EXPECT_EQ(first->GetUid(), 0);
    EXPECT_EQ(second->GetUid(), 1);
    log.Reset();
    EXPECT_EQ(scene->GetManagedItemByUid(-1), nullptr);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(scene->GetManagedItemByUid(1), second);
    EXPECT_EQ(scene->GetManagedItemByUid(7), nullptr);
    EXPECT_EQ(log.Text(), "[*] No managed item with UID (7).\n");
    log.Reset();
    scene->AssignUid(first);
    scene->AssignUid(nullptr);
    EXPECT_EQ(log.Text(), "[!] (Critical error) item 'first' already has an uid (0).\n");
    EXPECT_EQ(first->GetUid(), 0);
}

TEST_F(SceneTest, DeletionQueueAndTheCurrentCamera) {
    ListenerLog listener;
    scene->GetListeners().Add(&listener);
    zMCamera* camera = scene->AddCamera("view");
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->GetKind(), ManagedKindCamera);
    scene->SetCurrentCamera(camera);
    EXPECT_TRUE(scene->QueueForDeletion(camera));
    EXPECT_TRUE(scene->QueueForDeletion(camera));
    EXPECT_EQ(scene->GetDeletionQueue().GetCount(), 1u);
    scene->FlushDeletionQueue();
    EXPECT_EQ(scene->GetCurrentCamera(), nullptr);
    EXPECT_EQ(scene->GetAllItems().GetCount(), 0u);
    EXPECT_EQ(scene->GetKindList(ManagedKindCamera).GetCount(), 0u);
    EXPECT_EQ(listener.events, (std::vector<u32>{1, 2, 3, 4}));
    scene->GetListeners().Remove(&listener);
}

TEST_F(SceneTest, TheRendererForgetsADeletedCameraAndADestroyedScene) {
    zRenderer* renderer = engine.GetRenderer();
    ASSERT_TRUE(renderer);
    scene->RegisterAsPropertyCallback(renderer);
    zMCamera* camera = scene->AddCamera("view");
    scene->SetCurrentCamera(camera);
    scene->RenderSetup(RenderClear);
    EXPECT_EQ(renderer->GetViewItem(), static_cast<zRenderViewItem*>(camera));
    scene->QueueForDeletion(camera);
    scene->Update(UpdateAll);
    EXPECT_EQ(renderer->GetViewItem(), nullptr);
    scene = static_cast<zScene*>(nullptr);
    EXPECT_EQ(renderer->GetSceneInterface(), nullptr);
}

TEST_F(SceneTest, DestructionClearsEveryBackReference) {
    TestItem* holder = Add("holder");
    TestItem* target = Add("target");
    zMCamera* camera = scene->AddCamera("view");
    scene->SetCurrentCamera(camera);
    holder->held = target;
    target->Activate(false, false);
    scene->QueueForDeletion(target);
    // A direct delete: the holder forgets it, every list and queue drops it.
    delete target;
    EXPECT_EQ(holder->held, nullptr);
    EXPECT_EQ(holder->forgotten, (std::vector<zMItem*>{target}));
    EXPECT_EQ(scene->GetDeletionQueue().GetCount(), 0u);
    EXPECT_EQ(scene->GetDeactivationQueue().GetCount(), 0u);
    EXPECT_EQ(scene->GetAllItems().GetCount(), 2u);
    EXPECT_EQ(scene->GetKindList(ManagedKindObject).GetCount(), 1u);
    delete camera;
    EXPECT_EQ(scene->GetCurrentCamera(), nullptr);
    scene->Update(UpdateAll);

    bool deleted = false;
    holder->deleted = &deleted;
    scene->DeleteContent(false);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(scene->GetAllItems().GetCount(), 0u);
    EXPECT_EQ(scene->GetNextUid(), 0u);
}

TEST_F(SceneTest, FindItemPaths) {
    scene->SetName("s");
    TestItem* object = Add("obj");
    TestItem* instance = Add("inst", ManagedKindInstance);
    TestItem* child = Add("kid");
    child->zItem::SetParent(object);
    struct Case {
        const char* path;
        zItem* context;
        zMItem* found;
        const char* logLine;
    };
    const Case cases[] = {
        {"obj", nullptr, object, ""},
        {"inst", nullptr, instance, ""},
        {"kid", object, child, ""},
        {"obj/x", nullptr, nullptr, "[*] Cannot solve sub-path 'x' on item 'obj'.\n"},
        {"inst/x", nullptr, nullptr, ""},
        {"none", nullptr, nullptr, "[*] No item named 'none' in scene 's'.\n"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.path);
        log.Reset();
        EXPECT_EQ(scene->FindItem(entry.path, entry.context), entry.found);
        EXPECT_EQ(log.Text(), entry.logLine);
    }
    zMItem* managed = nullptr;
    EXPECT_EQ(scene->FindManagedItemOfItem(child, &managed), ManagedKindObject);
    EXPECT_EQ(managed, child);
    zItem bare;
    log.Reset();
    EXPECT_EQ(scene->FindManagedItemOfItem(&bare, &managed), ManagedKindNone);
    EXPECT_EQ(log.Text(), "[*] Could not locate any instance of the provided item.\n");
}

TEST_F(TracedScene, InstancesHearEveryPhysicsStepUnlessScriptsAreLeftOut) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    AddTracers("inst", ManagedKindInstance);
    // An instance takes part whatever its body; an object with a body in mode
    // 0 (as every item here) does not.
    TestItem* object = Add("object");
    AddUnit(*object, "ItemTracer");
    scene->Setup(false, 0);
    SetFrameTime(500);
    log.Reset();
    scene->Update(UpdateAll);
    std::string text = log.Text();
    const int steps = TakeRun(text, "[S] scene OnUpdate\n", "[S] scene OnPhysicStep\n[S] item OnPhysicStep true\n");
    EXPECT_GE(steps, 1) << log.Text();
    EXPECT_EQ(text.find("OnPhysicStep"), std::string::npos) << log.Text();
    log.Reset();
    scene->Update(UpdateAll & ~UpdateScripts);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(TracedScene, ToolModeOneSetsUpWithoutScripts) {
    engine.SetToolMode(1);
    scene->SetName("tool");
    AddTracers("a");
    TestItem* instance = Add("inst", ManagedKindInstance);
    log.Reset();
    scene->Setup(true, 1024);
    EXPECT_EQ(log.Text(), "[H] Setup scene 'tool'\n");
    EXPECT_EQ(instance->templates, 1);
    EXPECT_FALSE(sceneUnit->HasInstance());
    engine.SetToolMode(0);
}

TEST_F(SceneTest, BoundsJoinTheObjectsGeometryBoxesInTheWorld) {
    zMinMax bounds{zVector(7.0f, 7.0f, 7.0f, 1.0f), zVector(8.0f, 8.0f, 8.0f, 1.0f)};
    Add("no geometry");
    Add("light", ManagedKindLight)->hasBox = true; // not an object
    scene->GetBounds(bounds);
    EXPECT_EQ(bounds.min.x, 7.0f) << "untouched without an object geometry";
    TestItem* near = Add("near");
    near->hasBox = true;
    near->SetScale(zVector(2.0f, 1.0f, 1.0f, 1.0f));
    TestItem* far = Add("far");
    far->hasBox = true;
    far->SetPosition(zVector(0.0f, 10.0f, 0.0f, 1.0f));
    scene->GetBounds(bounds);
    EXPECT_FLOAT_EQ(bounds.min.x, -2.0f);
    EXPECT_FLOAT_EQ(bounds.max.x, 2.0f);
    EXPECT_FLOAT_EQ(bounds.min.y, -1.0f);
    EXPECT_FLOAT_EQ(bounds.max.y, 11.0f);
    EXPECT_FLOAT_EQ(bounds.max.z, 1.0f);
}

TEST_F(SceneTest, RaysHitTheFirstTriggerVolume) {
    TestItem* missed = Add("missed", ManagedKindTrigger);
    missed->SetPosition(zVector(0.0f, 50.0f, 0.0f, 1.0f));
    TestItem* trigger = Add("box", ManagedKindTrigger);
    trigger->SetPosition(zVector(5.0f, 0.0f, 0.0f, 1.0f));
    trigger->SetScale(zVector(2.0f, 2.0f, 2.0f, 1.0f));
    const zVector along(1.0f, 0.0f, 0.0f, 0.0f);
    const zVector origin(0.0f, 0.0f, 0.0f, 1.0f);
    struct Case {
        f32 length;
        zMItem* hit;
        f32 x;
    };
    // A segment that ends inside gives its end (zMinMax::IntersectSegment).
    const Case cases[] = {{-1.0f, trigger, 4.0f}, {10.0f, trigger, 4.0f}, {3.0f, nullptr, 0.0f},
                          {4.5f, trigger, 4.5f}};
    for (const Case& entry : cases) {
        zVector point(9.0f, 9.0f, 9.0f, 1.0f);
        EXPECT_EQ(scene->RaytraceTriggerList(along, origin, entry.length, &point), entry.hit) << entry.length;
        if (entry.hit) {
            EXPECT_FLOAT_EQ(point.x, entry.x);
            EXPECT_NEAR(point.y, 0.0f, 1e-6f);
        }
    }
}

TEST_F(SceneTest, SetMotionPlaysOnEveryActiveItemHoldingIt) {
    TestItem* walker = Add("walker");
    TestItem* idle = Add("idle");
    TestItem* sleeping = Add("sleeping");
    ASSERT_TRUE(walker->AddMotion(std::make_unique<zMotion>("walk")));
    ASSERT_TRUE(idle->AddMotion(std::make_unique<zMotion>("stand")));
    ASSERT_TRUE(sleeping->AddMotion(std::make_unique<zMotion>("walk")));
    sleeping->Activate(false, false);
    scene->Update(UpdateAll);
    std::unique_ptr<zAnimationSourceList> sources;
    scene->SetMotion("walk", &sources, 0.5f, false, 1.0f);
    ASSERT_TRUE(sources);
    EXPECT_EQ(sources->GetCount(), 1u);
    EXPECT_EQ(walker->GetSourceCount(), 1u);
    EXPECT_EQ(idle->GetSourceCount(), 0u);
    EXPECT_EQ(sleeping->GetSourceCount(), 0u);
    scene->SetMotion("walk", nullptr, 0.0f, true, 1.0f);
    EXPECT_EQ(walker->GetSourceCount(), 2u);
}

// The out slot used to be filled in place, so a caller's earlier sources
// stayed in the list it got back.
TEST_F(SceneTest, SetMotionHandsBackANewListOfOnlyTheNewSources) {
    TestItem* walker = Add("walker");
    ASSERT_TRUE(walker->AddMotion(std::make_unique<zMotion>("walk")));
    std::unique_ptr<zAnimationSourceList> sources;
    scene->SetMotion("walk", &sources, 0.0f, true, 1.0f);
    ASSERT_TRUE(sources);
    const zAnimationSourceList* first = sources.get();
    zAnimationSource* firstSource = sources->GetHead()->value.Get();
    scene->SetMotion("walk", &sources, 0.0f, true, 1.0f);
    ASSERT_TRUE(sources);
    EXPECT_NE(sources.get(), first);
    ASSERT_EQ(sources->GetCount(), 1u);
    EXPECT_NE(sources->GetHead()->value.Get(), firstSource);
    EXPECT_EQ(walker->GetSourceCount(), 2u);
    // No item plays it: the slot still gets a new, empty list.
    scene->SetMotion("run", &sources, 0.0f, true, 1.0f);
    ASSERT_TRUE(sources);
    EXPECT_EQ(sources->GetCount(), 0u);
}

TEST_F(SceneTest, MemoryLayoutListsTheSceneTypesInOrder) {
    log.Reset();
    DumpSceneMemoryLayout();
    const std::string text = log.Text();
    const size_t scene = text.find("    sizeof(zScene) = " + std::to_string(sizeof(zScene)) + "\n");
    const size_t item = text.find("    sizeof(zMItem) = ");
    const size_t object = text.find("    sizeof(zMObject) = ");
    const size_t camera = text.find("    sizeof(zMCamera) = ");
    const size_t light = text.find("    sizeof(zMLight) = ");
    const size_t unit = text.find("    sizeof(zManagerScriptUnit) = ");
    EXPECT_EQ(text.rfind("Scene memory layout:\n\n", 0), 0u);
    EXPECT_NE(scene, std::string::npos);
    EXPECT_LT(scene, item);
    EXPECT_LT(item, object);
    EXPECT_LT(object, camera);
    EXPECT_LT(camera, light);
    EXPECT_LT(light, unit);
    EXPECT_NE(unit, std::string::npos);
}

TEST_F(SceneTest, ResetClearsTheEndRequest) {
    scene->SetFlags(SceneEndRequested | SceneRenderless);
    log.Reset();
    scene->Reset();
    EXPECT_EQ(log.Text(), "[H] Scene reset\n");
    EXPECT_EQ(scene->GetFlags(), SceneRenderless);
}

TEST_F(SceneTest, LightSortIsStable) {
    TestItem* a = Add("a", ManagedKindLight);
    TestItem* b = Add("b", ManagedKindLight);
    TestItem* c = Add("c", ManagedKindLight);
    TestItem* d = Add("d", ManagedKindLight);
    a->key = 2.0f;
    b->key = 1.0f;
    c->key = 2.0f;
    d->key = 0.5f;
    scene->SortLightsByKey();
    std::string order;
    for (auto* node = scene->GetKindList(ManagedKindLight).GetHead(); node; node = node->next)
        order += node->value->GetName().CStr();
    EXPECT_EQ(order, "dbac");
}

TEST(SceneStep, ClampedForPhysicsCommandsAndLogic) {
    struct Case {
        i32 units;
        f32 step;
    };
    const Case cases[] = {{-5, 0.0f}, {0, 0.0f}, {500, 0.05f}, {2000, 0.2f}, {5000, 0.2f}, {INT_MAX, 0.2f}};
    for (const Case& entry : cases)
        EXPECT_EQ(zScene::ClampStep(entry.units), entry.step) << entry.units;
}

TEST_F(TracedScene, LongFramesClampTheLogicStep) {
    TestItem* item = AddTracers("a");
    scene->Setup(false, 0);
    SetFrameTime(5000);
    EXPECT_EQ(engine.GetFrameTime(), 5000);
    item->SetScriptLogicFrequency(20.0f);
    item->SetLogicCountdown(0.01f);
    log.Reset();
    scene->Update(UpdateAll);
    // 0.2 s, not 0.5 s: four calls.
    EXPECT_EQ(log.Text(), "[S] scene OnUpdate\n[S] item OnUpdate\n[S] item OnLogicUpdate 0.05\n"
                          "[S] item OnLogicUpdate 0.05\n"
                          "[S] item OnLogicUpdate 0.05\n[S] item OnLogicUpdate 0.05\n");
}

TEST_F(TracedScene, OddLogicFrequenciesLeaveTheItemWhereItIs) {
    TestItem* item = AddTracers("a");
    item->SetPosition(zVector(3.0f, 4.0f, 5.0f, 1.0f));
    scene->Setup(false, 0);
    scene->Reset();
    SetFrameTime(500);
    for (f32 frequency : {std::numeric_limits<f32>::infinity(), std::nanf(""), -20.0f, 1e30f}) {
        item->SetScriptLogicFrequency(frequency);
        scene->Update(UpdateAll);
        const zVector position = item->GetWorldMatrix()->GetRow(3, true);
        EXPECT_EQ(position.x, 3.0f) << frequency;
        EXPECT_EQ(position.y, 4.0f) << frequency;
        EXPECT_EQ(position.z, 5.0f) << frequency;
    }
}

TEST_F(TracedScene, RenderlessSceneDrawsNothingButStillTellsItsUnits) {
    TestItem* item = AddTracers("a");
    zRenderer* renderer = engine.GetRenderer();
    ASSERT_TRUE(renderer);
    scene->RegisterAsPropertyCallback(renderer);
    EXPECT_EQ(renderer->GetSceneInterface(), scene.Get());
    scene->Setup(false, 0);

    renderer->ResetRenderQueue();
    scene->RenderToQueue(RenderClear);
    EXPECT_EQ(renderer->GetRenderQueue().size(), 1u);
    renderer->ResetRenderQueue();

    auto ui = std::make_unique<RecordingInterface>();
    RecordingInterface* interface = ui.get();
    scene->SetUserInterface(std::move(ui));
    scene->RenderUI(RenderNoScripts);
    EXPECT_EQ(interface->calls, "render skip ");

    scene->SetFlags(SceneRenderless);
    log.Reset();
    scene->RenderSetup(RenderClear);
    scene->RenderToQueue(RenderClear);
    scene->RenderDone(RenderClear);
    scene->RenderUI(0);
    EXPECT_EQ(renderer->GetRenderQueue().size(), 0u);
    EXPECT_EQ(log.Text(), "[S] scene OnRenderDone\n[S] scene OnRenderUI\n");
    EXPECT_EQ(interface->calls, "render skip ");
    log.Reset();
    scene->RenderDone(RenderNoScripts);
    scene->RenderUI(RenderNoScripts);
    EXPECT_EQ(log.Text(), "");

    // Tool mode 1 leaves out items marked 64.
    scene->SetFlags(0);
    engine.SetToolMode(1);
    item->SetBehaviour(BehaviourToolHidden);
    scene->RenderToQueue(RenderClear);
    EXPECT_EQ(renderer->GetRenderQueue().size(), 0u);
    engine.SetToolMode(0);
    scene->DeleteContent(true);
    EXPECT_EQ(interface->calls, "render skip clear ");
    scene->RegisterAsPropertyCallback(nullptr);
    EXPECT_EQ(renderer->GetSceneInterface(), nullptr);
}

TEST_F(SceneTest, AQueuedDeactivationWaitsForTheNextUpdate) {
    TestItem* item = Add("a");
    item->Activate(false, false);
    EXPECT_TRUE(scene->GetActiveItems().Find(item));
    EXPECT_FALSE(item->IsActive());
    scene->Update(UpdateAll);
    EXPECT_FALSE(scene->GetActiveItems().Find(item));
    EXPECT_EQ(item->updates, 0);
    item->Activate(true, false);
    scene->Update(UpdateAll);
    EXPECT_TRUE(scene->GetActiveItems().Find(item));
    EXPECT_EQ(item->updates, 1);
}


TEST_F(SceneTest, BillboardsFaceTheCurrentCamera) {
    zMCamera* camera = scene->AddCamera("view");
    camera->zCamera::SetRotation(zVector(0.0f, 1.5707964f, 0.0f, 1.0f));
    scene->SetCurrentCamera(camera);
    TestItem* parent = Add("parent");
    parent->SetPosition(zVector(10.0f, 0.0f, 0.0f, 1.0f));
    parent->SetScale(zVector(2.0f, 2.0f, 2.0f, 1.0f));
    TestItem* sprite = Add("sprite");
    sprite->zItem::SetParent(parent);
    sprite->SetPosition(zVector(1.0f, 0.0f, 0.0f, 1.0f));
    sprite->SetBehaviour(BehaviourBillboard);
    scene->Update(UpdateItems);
    const zMatrix4 world = *sprite->GetWorldMatrix();
    const zMatrix4 view = *camera->GetWorldMatrix();
    // Placed where the parent puts it, scaled by both, turned as the camera.
    const zVector translation = world.GetRow(3, true);
    EXPECT_FLOAT_EQ(translation.x, 12.0f);
    for (int row = 0; row < 3; ++row) {
        const zVector axis = world.GetRow(row, false);
        const zVector cameraAxis = view.GetRow(row, false);
        EXPECT_NEAR(axis.x, cameraAxis.x * 2.0f, 1e-5f) << row;
        EXPECT_NEAR(axis.y, cameraAxis.y * 2.0f, 1e-5f) << row;
        EXPECT_NEAR(axis.z, cameraAxis.z * 2.0f, 1e-5f) << row;
    }
    EXPECT_EQ(sprite->updates, 1);
}

// The walk over the scene's item lists read the next node before each visit,
// so a visit that deleted the item after the visited one left the walk on a
// freed node.
TEST_F(SceneTest, AWalkSurvivesVisitsThatDeleteTheNextItems) {
    struct Case {
        const char* name;
        int deleteAfter; // index of the visit that deletes
        std::vector<int> deleted;
        std::vector<std::string> visited;
    } const cases[] = {
        {"the next item", 0, {1}, {"a", "c", "d"}},
        {"the visited and the next item", 1, {1, 2}, {"a", "b", "d"}},
        {"the last item from the first", 0, {3}, {"a", "b", "c"}},
        {"every item", 0, {0, 1, 2, 3}, {"a"}},
        {"nothing", 0, {}, {"a", "b", "c", "d"}},
    };
    for (const Case& entry : cases) {
        const char* names[] = {"a", "b", "c", "d"};
        std::vector<TestItem*> items;
        for (const char* name : names)
            items.push_back(Add(name));
        std::vector<std::string> visited;
        int visits = 0;
        scene->ForEachItem(scene->GetAllItems(), [&](zMItem* item) {
            visited.push_back(item->GetName().CStr());
            if (visits++ != entry.deleteAfter) return;
            for (int index : entry.deleted)
                delete items[size_t(index)];
        });
        EXPECT_EQ(visited, entry.visited) << entry.name;
        scene->DeleteContent(false);
    }
}

TEST_F(SceneTest, NestedWalksSurviveTheDeletionOfTheOuterWalksNextItem) {
    TestItem* first = Add("a");
    TestItem* second = Add("b");
    Add("c");
    std::vector<std::string> outer;
    std::vector<std::string> inner;
    scene->ForEachItem(scene->GetAllItems(), [&](zMItem* item) {
        outer.push_back(item->GetName().CStr());
        if (item != first) return;
        scene->ForEachItem(scene->GetActiveItems(), [&](zMItem* other) {
            inner.push_back(other->GetName().CStr());
            // Deactivating the inner walk's next item and deleting the outer
            // walk's next item.
            if (other == first) {
                scene->SetItemActive(second, false);
            }
        });
        delete second;
    });
    EXPECT_EQ(outer, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(inner, (std::vector<std::string>{"a", "c"}));
}

TEST_F(SceneTest, AWalkEndsWhenAVisitDeletesTheContent) {
    Add("a");
    Add("b");
    int visits = 0;
    scene->ForEachItem(scene->GetActiveItems(), [&](zMItem*) {
        ++visits;
        scene->DeleteContent(false);
    });
    EXPECT_EQ(visits, 1);
    EXPECT_EQ(scene->GetAllItems().GetCount(), 0u);
}

namespace {

// An item whose per-frame update deletes another item of the scene.
class DeletingItem : public TestItem {
  public:
    using TestItem::TestItem;
    void Update() override {
        TestItem::Update();
        delete victim;
        victim = nullptr;
    }
    zMItem* victim = nullptr;
};

} // namespace

TEST_F(SceneTest, AnUpdateThatDeletesTheNextItemVisitsEveryOtherItemOnce) {
    auto* killer = scene->AddItem("killer", "[!] test item\n", [&] { return new DeletingItem(scene.Get()); });
    ASSERT_TRUE(killer);
    TestItem* victim = Add("victim");
    TestItem* last = Add("last");
    killer->victim = victim;
    scene->Update(UpdateAll);
    EXPECT_EQ(killer->updates, 1);
    EXPECT_EQ(last->updates, 1);
    EXPECT_EQ(scene->GetAllItems().GetCount(), 2u);
    EXPECT_EQ(scene->GetActiveItems().GetCount(), 2u);
}

// Layouts: B a test item (never quiet), q a quiet object, named by position.
// The same visit goes over the active list with ForEachItem and over the busy
// items with ForEachBusyItem; both must reach the same items that are not
// quiet, whatever the visit wakes, adds or removes.
TEST_F(SceneTest, ABusyWalkVisitsWhatAnActiveWalkFindsNotQuiet) {
    struct Case {
        const char* name;
        const char* layout;
        int actAt;   // the busy visit that acts
        char action; // w: wake target, a: add a test item, d: delete target, x: deactivate target
        int target;
    } const cases[] = {
        {"wakes a later object", "BqBqq", 0, 'w', 3},
        {"wakes an earlier object", "BqBqq", 1, 'w', 1},
        {"wakes the object right after", "BqBq", 0, 'w', 1},
        {"adds an item while quiet ones follow", "BqBq", 1, 'a', 0},
        {"adds an item from the last active item", "qBqB", 1, 'a', 0},
        {"deletes the next busy item", "BqBqB", 0, 'd', 2},
        {"deactivates itself", "BBq", 0, 'x', 0},
        {"wakes the first object from the last item", "qqB", 0, 'w', 0},
    };
    for (const Case& entry : cases) {
        std::vector<std::string> walks[2];
        for (int busyWalk = 0; busyWalk < 2; ++busyWalk) {
            std::vector<zMItem*> items;
            for (const char* kind = entry.layout; *kind; ++kind) {
                const std::string name = std::to_string(kind - entry.layout);
                items.push_back(*kind == 'B' ? static_cast<zMItem*>(Add(name.c_str()))
                                             : scene->AddObject(name.c_str(), nullptr));
            }
            // The quiet objects leave the busy items.
            scene->ForEachBusyItem([](zMItem*) {});
            int visits = 0;
            auto visit = [&](zMItem* item) {
                if (item->IsQuiet()) return;
                walks[busyWalk].push_back(item->GetName().CStr());
                if (visits++ != entry.actAt) return;
                zMItem* target = items[size_t(entry.target)];
                switch (entry.action) {
                case 'w': target->SetBehaviour(BehaviourBillboard); break;
                case 'a': Add("new"); break;
                case 'd': delete target; break;
                case 'x': scene->SetItemActive(target, false); break;
                }
            };
            if (busyWalk) {
                scene->ForEachBusyItem(visit);
            } else {
                scene->ForEachItem(scene->GetActiveItems(), visit);
            }
            scene->DeleteContent(false);
        }
        EXPECT_EQ(walks[1], walks[0]) << entry.name;
        EXPECT_FALSE(walks[0].empty()) << entry.name;
    }
}

// Woken out of order between walks, the objects are still visited in the
// active order.
TEST_F(SceneTest, ObjectsWokenOutOfOrderAreWalkedInTheActiveOrder) {
    std::vector<zMItem*> objects;
    for (int i = 0; i < 5; ++i)
        objects.push_back(scene->AddObject(std::to_string(i).c_str(), nullptr));
    scene->ForEachBusyItem([](zMItem*) {});
    for (int i : {4, 1, 3, 0, 2})
        objects[size_t(i)]->SetBehaviour(BehaviourBillboard);
    std::string walk;
    scene->ForEachBusyItem([&](zMItem* item) { walk += item->GetName().CStr(); });
    EXPECT_EQ(walk, "01234");
}

namespace {

struct UpdateCounter : zItemScriptEventDispatcher {
    void OnUpdate(zScriptUnitList&) override { ++updates; }
    int updates = 0;
};

} // namespace

// A plain object is quiet and leaves the update's walks; each kind of work
// given to it later brings it back for the next update.
TEST_F(TracedScene, AQuietObjectWakesForEachKindOfWork) {
    WriteScript("tracer.nut", TracerScript);
    zMCamera* camera = scene->AddCamera("view");
    camera->zCamera::SetRotation(zVector(0.0f, 1.5707964f, 0.0f, 1.0f));
    scene->SetCurrentCamera(camera);
    UpdateCounter counter;
    zMotion walk("walk");
    struct Case {
        const char* name;
        std::function<void(zMObject&)> give;
        std::function<bool(zMObject&)> done;
    } const cases[] = {
        {"command list", [&](zMObject& object) { scene->LoadCommandList("toposition 0.1, 4, 0, 0;", object); },
         [](zMObject& object) { return object.zItem::GetPosition()->x == 4.0f; }},
        {"animation source",
         [&](zMObject& object) { object.zAnimationPlayer::SetMotion(&walk, nullptr, 0.0f, false, 1.0f); },
         [](zMObject& object) { return object.GetSource(0)->GetClock() == 0.1f; }},
        {"billboard", [](zMObject& object) { object.SetBehaviour(BehaviourBillboard); },
         [](zMObject& object) { return object.GetWorldMatrix()->GetRow(0, false).x < 0.5f; }},
        {"own dispatcher", [&](zMObject& object) { object.SetDispatcher(&counter); },
         [&](zMObject&) { return counter.updates == 1; }},
        {"script unit",
         [&](zMObject& object) {
             AddUnit(object, "ItemTracer");
             object.SetupScript();
             log.Reset();
         },
         [&](zMObject&) { return log.Text().find("item OnUpdate") != std::string::npos; }},
    };
    SetFrameTime(1000);
    for (const Case& entry : cases) {
        zMObject* object = scene->AddObject("o", nullptr);
        scene->Update(UpdateAll);
        ASSERT_TRUE(object->IsQuiet()) << entry.name;
        entry.give(*object);
        EXPECT_FALSE(object->IsQuiet()) << entry.name;
        scene->Update(UpdateAll);
        EXPECT_TRUE(entry.done(*object)) << entry.name;
        delete object;
    }
}

// The scene queues the same renderables frame after frame without walking
// its items again; each change between two frames shows in the next one.
TEST_F(SceneTest, TheRenderQueueFollowsEveryChangeBetweenFrames) {
    struct Case {
        const char* name;
        std::function<void(std::vector<zMObject*>&)> change;
        std::vector<int> queued; // indices into the objects
    } const cases[] = {
        {"nothing", [](std::vector<zMObject*>&) {}, {0, 1, 2}},
        {"deactivated", [&](std::vector<zMObject*>& objects) { scene->SetItemActive(objects[1], false); }, {0, 2}},
        {"reactivated",
         [&](std::vector<zMObject*>& objects) {
             scene->SetItemActive(objects[0], false);
             scene->SetItemActive(objects[0], true);
         },
         {1, 2, 0}},
        {"added", [&](std::vector<zMObject*>& objects) { objects.push_back(scene->AddObject("n", nullptr)); },
         {0, 1, 2, 3}},
        {"deleted", [](std::vector<zMObject*>& objects) { delete objects[2]; }, {0, 1}},
        {"hidden in tool mode",
         [&](std::vector<zMObject*>& objects) {
             engine.SetToolMode(1);
             objects[0]->SetBehaviour(BehaviourToolHidden);
         },
         {1, 2}},
        {"tool mode on a hidden item",
         [&](std::vector<zMObject*>& objects) {
             objects[2]->SetBehaviour(BehaviourToolHidden);
             scene->RenderToQueue(0);
             engine.GetRenderer()->ResetRenderQueue();
             engine.SetToolMode(1);
         },
         {0, 1}},
    };
    zRenderer* renderer = engine.GetRenderer();
    ASSERT_TRUE(renderer);
    for (const Case& entry : cases) {
        std::vector<zMObject*> objects;
        for (const char* name : {"a", "b", "c"})
            objects.push_back(scene->AddObject(name, nullptr));
        scene->RenderToQueue(0);
        renderer->ResetRenderQueue();
        entry.change(objects);
        scene->RenderToQueue(0);
        std::vector<zRenderable*> expected;
        for (int index : entry.queued)
            expected.push_back(objects[size_t(index)]);
        EXPECT_EQ(renderer->GetRenderQueue(), expected) << entry.name;
        renderer->ResetRenderQueue();
        engine.SetToolMode(0);
        scene->DeleteContent(false);
    }
}
