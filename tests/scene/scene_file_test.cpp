#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "markup/math_tags.h"
#include "markup/metafile.h"
#include "markup/writer.h"
#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "render/geometry.h"
#include "scene/group.h"
#include "scene/instance.h"
#include "scene/managed_camera.h"
#include "scene/managed_constraint.h"
#include "scene/managed_object.h"
#include "scene/trigger.h"
#include "tests/scene/scene_file_fixture.h"

namespace {

using SceneFileTest = SceneFileFixture;

zMItem* ByName(zScene& scene, const char* name) {
    return scene.FindItem(name, nullptr);
}

} // namespace

TEST_F(SceneFileTest, SaveLoadSaveGivesTheSameText) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    zMCamera* camera = scene->AddCamera("eye");
    zMObject* base = scene->AddObject("base", nullptr);
    zMObject* arm = scene->AddObject("arm", nullptr);
    arm->SetParent(base);
    arm->SetPosition(zVector(0.0f, 2.0f, 0.0f, 1.0f));
    zMLight* lamp = scene->AddLight("lamp", LightTypeSpot, 1.0f);
    zTrigger* gate = scene->AddTrigger("gate");
    gate->SetPosition(zVector(4.0f, 0.0f, 0.0f, 1.0f));
    zGroup* pair = scene->AddGroup("pair");
    pair->AddItem(arm, false);
    pair->AddItem(lamp, false);
    scene->backgroundColor[0] = 0.25f;
    scene->ambientColor[1] = 0.5f;
    scene->ambientIntensity = 2.0f;
    scene->targetExposure = 0.75f;
    scene->fogNear = 10.0f;
    scene->fogFar = 100.0f;
    scene->fogColor[2] = 1.0f;
    scene->visualisationScale = 2.0f;
    scene->GetPhysicWorld()->SetFixedTimeStep(1.0f / 30.0f);
    scene->SetCurrentCamera(camera);

    const std::string first = SaveText(*scene);
    ASSERT_NE(first, "");
    EXPECT_NE(first.find("<VisualisationScale=2"), std::string::npos);

    zScene* copy = Fresh();
    ASSERT_TRUE(copy->CreatePhysicWorld());
    ASSERT_TRUE(LoadText(*copy, first));
    EXPECT_EQ(SaveText(*copy), first);

    for (zMItem* item : {static_cast<zMItem*>(camera), static_cast<zMItem*>(base), static_cast<zMItem*>(arm),
                         static_cast<zMItem*>(lamp), static_cast<zMItem*>(gate)}) {
        zMItem* loaded = ByName(*copy, item->GetName().CStr());
        ASSERT_NE(loaded, nullptr) << item->GetName().CStr();
        EXPECT_EQ(loaded->GetUid(), item->GetUid());
        EXPECT_EQ(loaded->GetKind(), item->GetKind());
    }
    EXPECT_EQ(ByName(*copy, "arm")->GetParentItem(), ByName(*copy, "base"));
    zGroup* loadedPair = copy->FindGroup("pair");
    ASSERT_NE(loadedPair, nullptr);
    ASSERT_EQ(loadedPair->GetItems().GetCount(), 2u);
    EXPECT_EQ(loadedPair->GetItems().GetAt(0), ByName(*copy, "arm"));
    EXPECT_EQ(loadedPair->GetItems().GetAt(1), ByName(*copy, "lamp"));
    EXPECT_FLOAT_EQ(copy->GetPhysicWorld()->GetFixedTimeStep(), 1.0f / 30.0f);
    ASSERT_NE(copy->GetCurrentCamera(), nullptr);
    EXPECT_EQ(copy->GetCurrentCamera()->GetName(), "eye");
    EXPECT_FLOAT_EQ(copy->visualisationScale, 2.0f);
    EXPECT_FLOAT_EQ(copy->fogFar, 100.0f);
}

TEST_F(SceneFileTest, AVisualisationScaleOfOneIsNotWrittenAndReadsBackAsOne) {
    const std::string text = SaveText(*scene);
    EXPECT_EQ(text.find("VisualisationScale"), std::string::npos);
    EXPECT_NE(text.find("<Globals="), std::string::npos);
    scene->visualisationScale = 3.0f;
    ASSERT_TRUE(LoadText(*scene, text));
    EXPECT_FLOAT_EQ(scene->visualisationScale, 1.0f);
}

TEST_F(SceneFileTest, StoredUidsAreRemappedAboveTheSceneCounter) {
    scene->SetCurrentCamera(scene->AddCamera("cam"));
    const u32 first = scene->GetNextUid();
    const std::string text = SceneFile(ObjectTag("a", "0") + ObjectTag("b", "5") + ObjectTag("c", "2"),
                                       "<Links=<Link=<Item=2><Link=5>>>");
    ASSERT_TRUE(LoadText(*scene, text));
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "a")->GetUid(), static_cast<i32>(first + 0));
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "b")->GetUid(), static_cast<i32>(first + 5));
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "c")->GetUid(), static_cast<i32>(first + 2));
    EXPECT_EQ(scene->GetNextUid(), first + 6);
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "c")->GetParentItem(),
              scene->FindByName(ManagedKindObject, "b"));

    // The same file again: a disjoint set from first + R on.
    ASSERT_TRUE(LoadText(*scene, text));
    std::vector<i32> uids;
    for (auto* node = scene->GetKindList(ManagedKindObject).GetHead(); node; node = node->next)
        uids.push_back(node->value->GetUid());
    const i32 second = static_cast<i32>(first + 6);
    EXPECT_EQ(uids, (std::vector<i32>{static_cast<i32>(first), static_cast<i32>(first + 5),
                                      static_cast<i32>(first + 2), second, second + 5, second + 2}));
    EXPECT_EQ(scene->GetNextUid(), first + 12);
}

TEST_F(SceneFileTest, CorruptStoredUidsKeepTheCreationUid) {
    scene->SetCurrentCamera(scene->AddCamera("cam"));
    const u32 first = scene->GetNextUid();
    // An instance reads on whatever its item part did, so -1 reaches the
    // corrupt path; a huge uid no longer sizes the table.
    const std::string text =
        SceneFile(ObjectTag("a", "1") + "<Instance=<MItem=<Id=\"neg\"><UId=-1><Active>>>" +
                  "<Instance=<MItem=<Id=\"huge\"><UId=2147483647><Active>>>");
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, text));
    EXPECT_NE(log.Text().find("[*] Corrupt item 'neg' source UID (-1/2) while loading scene 's.zms'.\n"),
              std::string::npos)
        << log.Text();
    EXPECT_NE(
        log.Text().find("[*] Corrupt item 'huge' source UID (2147483647/2) while loading scene 's.zms'.\n"),
        std::string::npos);
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "a")->GetUid(), static_cast<i32>(first + 1));
    EXPECT_EQ(scene->FindByName(ManagedKindInstance, "neg")->GetUid(), static_cast<i32>(first + 2));
    EXPECT_EQ(scene->FindByName(ManagedKindInstance, "huge")->GetUid(), static_cast<i32>(first + 3));
    EXPECT_EQ(scene->GetNextUid(), first + 4);
}

// An item part that fails left the item with -1 or an unmapped file uid.
TEST_F(SceneFileTest, AnItemThatFailsToReadKeepsItsCreationUidAndStays) {
    scene->SetCurrentCamera(scene->AddCamera("cam"));
    const u32 first = scene->GetNextUid();
    const std::string text =
        SceneFile(ObjectTag("bad", "-1") + ObjectTag("dup", "0") + ObjectTag("twin", "0"));
    ASSERT_TRUE(LoadText(*scene, text));
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "bad")->GetUid(), static_cast<i32>(first + 1));
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "dup")->GetUid(), static_cast<i32>(first));
    // A second item claiming a stored uid would share the scene uid.
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "twin")->GetUid(), static_cast<i32>(first + 2));
    EXPECT_EQ(scene->GetNextUid(), first + 3);
}

TEST_F(SceneFileTest, LoadFlagsSelectTheKindsAndSections) {
    const std::string text =
        SceneFile("<MCamera=<MItem=<Id=\"eye\"><UId=0><Active>>>" + ObjectTag("a", "1") +
                      ObjectTag("b", "2") + "<MLight=<MItem=<Id=\"lamp\"><UId=3><Active>>>",
                  "<Links=<Link=<Item=1><Link=0>><Link=<Item=2>>><Groups=<Group=<Id=\"g\"><Item=0><Item=2>>>"
                  "<CurrentCamera=\"eye\">");
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, text, SceneLoadObjects | SceneLoadGroups));
    EXPECT_EQ(scene->GetKindList(ManagedKindObject).GetCount(), 2u);
    EXPECT_EQ(scene->GetKindList(ManagedKindLight).GetCount(), 0u);
    // Only the default camera: the file's was masked out.
    ASSERT_EQ(scene->GetKindList(ManagedKindCamera).GetCount(), 1u);
    EXPECT_EQ(scene->GetCurrentCamera()->GetName(), "Default");
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "a")->GetParentItem(), nullptr);
    const std::string text1 = log.Text();
    EXPECT_EQ(text1.find("Unexpected"), std::string::npos);
    EXPECT_NE(text1.find("[*] Incomplete link tag.\n"), std::string::npos);
    EXPECT_NE(text1.find("[*] Group member masked out during import.\n"), std::string::npos);
    ASSERT_NE(scene->FindGroup("g"), nullptr);
    EXPECT_EQ(scene->FindGroup("g")->GetItems().GetCount(), 1u);

    // "CurrentCamera" needs both 0x80 and 0x1.
    zScene* cameras = Fresh();
    ASSERT_TRUE(LoadText(*cameras, text, SceneLoadCameras));
    EXPECT_EQ(cameras->GetCurrentCamera()->GetName(), "Default");
    zScene* current = Fresh();
    ASSERT_TRUE(LoadText(*current, text, SceneLoadCameras | SceneLoadCurrentCamera));
    EXPECT_EQ(current->GetCurrentCamera()->GetName(), "eye");
    EXPECT_EQ(current->GetKindList(ManagedKindCamera).GetCount(), 1u);
}

TEST_F(SceneFileTest, LoadingIntoAGroupKeepsTheGlobalsAndNamesTheGroupAfterThePath) {
    const std::string text = SceneFile(ObjectTag("a", "0"), "<Globals=<AmbientIntensity=5.0><FogFar=7.0>>");
    zGroup* group = nullptr;
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, text, SceneLoadAll & ~SceneLoadGlobals, &group, "into.zms"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetName(), "into.zms");
    EXPECT_EQ(group->GetItems().GetCount(), 1u);
    EXPECT_FLOAT_EQ(scene->ambientIntensity, 1.0f);
    EXPECT_NE(log.Text().find("Group 'into.zms': 1 item(s).\n"), std::string::npos);

    ASSERT_TRUE(LoadText(*Fresh(), text));
    zScene* globals = others.back().Get();
    EXPECT_FLOAT_EQ(globals->ambientIntensity, 5.0f);
    EXPECT_FLOAT_EQ(globals->fogFar, 7.0f);
}

TEST_F(SceneFileTest, WithoutACameraTheDefaultCameraStandsAtTheViewMatrix) {
    zMatrix4 view = zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f));
    zMetaTag* viewTag = SerializeMatrix4(view, "ViewMatrix");
    zMetafile document;
    document.SetFileName("view.zms");
    zMetaTag* root = document.AddRoot(new zMetaTag("Scene"));
    root->AddChild(viewTag);
    ASSERT_TRUE(scene->LoadFromTag(&document, root, nullptr, SceneLoadAll));
    ASSERT_NE(scene->GetCurrentCamera(), nullptr);
    EXPECT_EQ(scene->GetCurrentCamera()->GetName(), "Default");
    const zVector at = scene->GetCurrentCamera()->GetWorldMatrix()->GetRow(3, true);
    EXPECT_FLOAT_EQ(at.x, 1.0f);
    EXPECT_FLOAT_EQ(at.y, 2.0f);
    EXPECT_FLOAT_EQ(at.z, 3.0f);

    // The tool mode 1 makes none.
    engine.SetToolMode(1);
    zScene* tool = Fresh();
    ASSERT_TRUE(tool->LoadFromTag(&document, root, nullptr, SceneLoadAll));
    EXPECT_EQ(tool->GetCurrentCamera(), nullptr);
    engine.SetToolMode(0);
}

TEST_F(SceneFileTest, TheLogLinesOfALoad) {
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, SceneFile(ObjectTag("a", "0") + "<Tree=1>")));
    const std::string text = log.Text();
    EXPECT_EQ(text.find("[H] Loading scene 's.zms' (flag: -1)\n"), 0u) << text;
    EXPECT_NE(text.find("[*] Unexpected <Tree> sub-tag in <Items>.\n"), std::string::npos);
    EXPECT_NE(text.find("Done loading scene in "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "ms.\n");

    zMetafile document;
    zMetaTag* wrong = document.AddRoot(new zMetaTag("Scenery"));
    log.Reset();
    EXPECT_FALSE(scene->LoadFromTag(&document, wrong, nullptr, SceneLoadAll));
    EXPECT_EQ(log.Text(), "[!] Could not parse scene. Root tag id is incorrect (Scenery).\n");
}

// The scene's own command list went unreset across reads; its vocabulary
// stays, so items still compile the scene's verbs after a load.
TEST_F(SceneFileTest, ALoadResetsTheScenesOwnCommandList) {
    scene->GetEntries().Add(new zLinkedListEntry);
    scene->GetEntries().Add(new zLinkedListEntry);
    ASSERT_EQ(scene->GetEntries().GetCount(), 2u);
    ASSERT_TRUE(LoadText(*scene, SceneFile(ObjectTag("a", "0"))));
    EXPECT_EQ(scene->GetEntries().GetCount(), 0u);
    zMItem* item = ByName(*scene, "a");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(scene->LoadCommandList("toposition 1, 1, 2, 3;", *item), 2);
}

// A scene without terrains has no terrain data to write.
TEST_F(SceneFileTest, SavingTerrainDataOfASceneWithoutTerrainsWritesNothing) {
    ASSERT_TRUE(LoadText(*scene, SceneFile(ObjectTag("a", "0"))));
    log.Reset();
    EXPECT_TRUE(scene->SaveTerrainData());
    EXPECT_EQ(log.Text(), "");
}

// Load said true for a document without a "Scene" root and for a failed
// read, so the player ran an empty scene.
TEST_F(SceneFileTest, LoadFailsForAMissingFileRootOrRead) {
    EXPECT_FALSE(scene->Load("missing.zms", nullptr, SceneLoadAll));
    log.Reset();
    EXPECT_FALSE(LoadText(*scene, "<ZML=1.0>\n<Environment=1>\n"));
    EXPECT_EQ(log.Text(), "[!] No <Scene> tag in 's.zms'.\n");
    EXPECT_TRUE(LoadText(*scene, "<ZML=1.0>\n<Other=1>\n<Scene=<Items>>\n"));
}

TEST_F(SceneFileTest, StoredUidsOutsideTheTableAreRefused) {
    const std::string text =
        SceneFile(ObjectTag("a", "0") + ObjectTag("b", "1"),
                  "<Links=<Link=<Item=0><Link=7>><Link=<Item=-5><Link=1>><Link=<Item=0><Link=1>>>"
                  "<Groups=<Group=<Id=\"g\"><Item=2147483647><Item=-3><Item=1>>>");
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, text));
    const std::string lines = log.Text();
    EXPECT_EQ(Count(lines, "[!] Invalid item UID.\n"), 4u) << lines;
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "a")->GetParentItem(),
              scene->FindByName(ManagedKindObject, "b"));
    ASSERT_NE(scene->FindGroup("g"), nullptr);
    EXPECT_EQ(scene->FindGroup("g")->GetItems().GetCount(), 1u);
}

TEST_F(SceneFileTest, APhysicsFrequencyThatGivesNoStepKeepsTheStep) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    const f32 step = scene->GetPhysicWorld()->GetFixedTimeStep();
    for (const char* frequency : {"0.0", "-20.0", "0"}) {
        log.Reset();
        ASSERT_TRUE(LoadText(*scene, SceneFile("", std::string("<Physics=<Frequency=") + frequency + ">>")));
        EXPECT_FLOAT_EQ(scene->GetPhysicWorld()->GetFixedTimeStep(), step) << frequency;
        EXPECT_NE(log.Text().find("[*] Invalid physics time step"), std::string::npos) << frequency;
    }
    ASSERT_TRUE(LoadText(*scene, SceneFile("", "<Tau=<Frequency=60.0>>")));
    EXPECT_FLOAT_EQ(scene->GetPhysicWorld()->GetFixedTimeStep(), 1.0f / 60.0f);
}

TEST_F(SceneFileTest, AFilterGroupWritesItsMembersAndNoSceneWideSection) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    zMObject* kept = scene->AddObject("kept", nullptr);
    zMObject* left = scene->AddObject("left", nullptr);
    left->SetParent(kept);
    scene->SetCurrentCamera(scene->AddCamera("eye"));
    zGroup* filter = scene->AddGroup("filter");
    filter->AddItem(kept, false);
    const std::string text = SaveText(*scene, SceneLoadAll, filter);
    EXPECT_NE(text.find("\"kept\""), std::string::npos);
    EXPECT_EQ(text.find("\"left\""), std::string::npos);
    for (const char* section : {"<Groups", "<Globals", "<Physics", "<CurrentCamera", "<Link="})
        EXPECT_EQ(text.find(section), std::string::npos) << section;
    const std::string all = SaveText(*scene);
    for (const char* section : {"<Groups", "<Globals", "<Physics", "<CurrentCamera", "<Link="})
        EXPECT_NE(all.find(section), std::string::npos) << section;
}

TEST_F(SceneFileTest, SceneScriptUnitsAreReadWithTheirFlag) {
    WriteScript("unit.nut", "class Unit { function OnSetup(owner) { print(\"setup\"); } }\n");
    const std::string text =
        SceneFile("", "<ScriptedObject=<ScriptUnit=<Script=\"unit.nut\"><Class=\"Unit\">>>");
    ASSERT_TRUE(LoadText(*scene, text, SceneLoadAll & ~SceneLoadScripts));
    EXPECT_EQ(scene->GetScriptUnits().GetCount(), 0u);
    ASSERT_TRUE(LoadText(*scene, text));
    ASSERT_EQ(scene->GetScriptUnits().GetCount(), 1u);
    EXPECT_NE(SaveText(*scene).find("<ScriptedObject="), std::string::npos);
}

TEST_F(SceneFileTest, TheDocumentFormLoadsAndSavesEverything) {
    scene->AddObject("solo", nullptr);
    zMetafile document;
    ASSERT_TRUE(scene->SaveToMetafile(document));
    zScene* copy = Fresh();
    ASSERT_TRUE(copy->LoadFromMetafile(document));
    EXPECT_NE(copy->FindByName(ManagedKindObject, "solo"), nullptr);
}

TEST_F(SceneFileTest, PreloadAsksForTheObjectsGeometriesOnly) {
    ClearMissingResourceFlag();
    EXPECT_FALSE(scene->PreloadResources("missing.zms"));
    WriteScript("plain.zms", SceneFile("<MCamera=<Object=<Geometry=\"lens.zge\">>>"));
    log.Reset();
    EXPECT_TRUE(scene->PreloadResources("plain.zms"));
    EXPECT_EQ(log.Text().find("[H] Preloading scene 'plain.zms' resources...\n"), 0u);
    EXPECT_FALSE(IsMissingResourceFlagRaised());
    WriteScript("geo.zms", SceneFile("<MObject=<Object=<Geometry=\"gone.zge\">>>"));
    EXPECT_TRUE(scene->PreloadResources("geo.zms"));
    EXPECT_TRUE(IsMissingResourceFlagRaised());
    EXPECT_EQ(scene->GetAllItems().GetCount(), 0u);
    ClearMissingResourceFlag();
}

TEST_F(SceneFileTest, ToolOnlyItemsNeedTheirFlagAndAToolMode) {
    struct Case {
        u32 toolMode;
        u32 flags;
        bool loaded;
    };
    const Case cases[] = {
        {0, SceneLoadAll, false},
        {2, SceneLoadAll, true},
        {3, SceneLoadAll, false},
        {2, SceneLoadAll & ~SceneLoadToolItems, false},
    };
    const std::string text = SceneFile("<MObject=<MItem=<Id=\"tool\"><UId=0><Active><Helper>>>"
                                       "<MObject=<MItem=<Id=\"hint\"><UId=1><Active><ToolSpecific>>>" +
                                       ObjectTag("plain", "2"));
    for (const Case& entry : cases) {
        engine.SetToolMode(entry.toolMode);
        zScene* into = Fresh();
        ASSERT_TRUE(LoadText(*into, text, entry.flags));
        EXPECT_EQ(into->FindByName(ManagedKindObject, "tool") != nullptr, entry.loaded) << entry.toolMode;
        EXPECT_EQ(into->FindByName(ManagedKindObject, "hint") != nullptr, entry.loaded) << entry.toolMode;
        EXPECT_NE(into->FindByName(ManagedKindObject, "plain"), nullptr);
    }
    engine.SetToolMode(0);
}

TEST_F(SceneFileTest, ProgressGoesToTheEventInterface) {
    struct Events : zEngine::EventInterface {
        void OnLoadBegin() override { calls += "begin;"; }
        void OnLoadStatus(const char* text, f32 progress) override {
            calls += std::string(text) + "@" + std::to_string(progress) + ";";
        }
        void OnLoadEnd() override { calls += "end;"; }
        std::string calls;
    } events;
    engine.SetEventInterface(&events);
    ASSERT_TRUE(LoadText(*scene, SceneFile(ObjectTag("a", "0"))));
    engine.SetEventInterface(nullptr);
    // Item by item only through the engine's own interface.
    EXPECT_EQ(events.calls, "begin;Parsing scene globals...@1.000000;end;");
}

TEST_F(SceneFileTest, SkinAndConstraintReferencesAreChecked) {
    const std::string text =
        SceneFile(ObjectTag("body", "0") + ObjectTag("bone", "1"),
                  "<Skins=<Skin=<UId=0><Bone=<Index=0><UId=1>>><Skin=<UId=9>><Skin><Other>>"
                  "<Constraints=<Constraint=<Uid=0>><Constraint=<Uid=5>><Constraint>>");
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, text));
    const std::string lines = log.Text();
    for (const char* line :
         {"[!] Invalid skin information, object 'body' is not bound to a skinned geometry.\n",
          "[!] Invalid item type.\n"}) {
        EXPECT_NE(lines.find(line), std::string::npos) << line << lines;
    }
    EXPECT_EQ(Count(lines, "[!] Invalid item UID.\n"), 2u);
    EXPECT_EQ(Count(lines, "[!] Invalid UID tag.\n"), 2u);
}

TEST_F(SceneFileTest, SkinsBindTheBonesToTheLoadedItems) {
    // The cache keeps "skin.zge" (missing, so empty); it is given two bones
    // and one vertex on bone 0, and both scenes load it from there.
    zGeometry* geometry = engine.LoadGeometry("skin.zge", false, false);
    ClearMissingResourceFlag();
    ASSERT_NE(geometry, nullptr);
    ASSERT_TRUE(geometry->AllocateVertices(1));
    ASSERT_TRUE(geometry->AllocateSkin(2));
    geometry->GetSkinWeights()[0].weights[0] = 1.0f;

    scene->SetCurrentCamera(scene->AddCamera("eye"));
    zMObject* body = scene->AddObject("body", geometry);
    zMObject* bone = scene->AddObject("bone", nullptr);
    ASSERT_EQ(body->GetBoneCount(), 2u);
    ASSERT_TRUE(body->SetBone(0, bone));
    const std::string text = SaveText(*scene);
    EXPECT_NE(text.find("<BindMatrix="), std::string::npos);

    zScene* copy = Fresh();
    ASSERT_TRUE(LoadText(*copy, text));
    EXPECT_EQ(SaveText(*copy), text);
    auto* loaded = dynamic_cast<zMObject*>(copy->FindByName(ManagedKindObject, "body"));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->GetBoneCount(), 2u);
    EXPECT_EQ(loaded->GetBone(0), copy->FindByName(ManagedKindObject, "bone")->GetItem());
    EXPECT_EQ(loaded->GetBone(1), nullptr);

    log.Reset();
    const std::string badBones =
        SceneFile("<MObject=<MItem=<Id=\"body\"><UId=0><Active>><Object=<Geometry=\"skin.zge\">>>" +
                      ObjectTag("bone", "1"),
                  "<Skins=<Skin=<UId=0><Bone=<Index=0>><Bone=<Index=2><UId=1>><Bone=<Index=-1><UId=1>>"
                  "<Bone=<Index=1><UId=7>><Bone=<Index=1><UId=-2>>>>");
    ASSERT_TRUE(LoadText(*Fresh(), badBones));
    const std::string lines = log.Text();
    EXPECT_NE(lines.find("[!] Invalid bone information, incomplete bone tag.\n"), std::string::npos) << lines;
    EXPECT_EQ(Count(lines, "[!] Invalid bone information, bone index out of bound.\n"), 2u);
    EXPECT_EQ(Count(lines, "[!] Invalid bone information, item Uid out of bound.\n"), 2u);
}

// Constraints: the section binds each constraint item to the physics items of
// the items it names, through the same uid remap as every other reference.
namespace {

// Objects "a" (stored uid 0) and "b" (5) and the constraint "joint" (2) in a
// scene that holds a camera and three more items already, so no stored uid
// equals its scene uid.
struct ConstraintCase {
    const char* name;
    const char* constraints; // children of "Constraints"
    const char* itemA;       // expected owner of item A, null: none
    const char* itemB;
    const char* lines; // the "[!]" and "[*]" lines of the load
};

const ConstraintCase ConstraintCases[] = {
    {"to the world", "<Constraint=<Uid=2><UidA=0>>", "a", nullptr, ""},
    {"between two bodies", "<Constraint=<Uid=2><UidA=0><UidB=5>>", "a", "b", ""},
    {"B alone", "<Constraint=<Uid=2><UidB=5>>", nullptr, "b", ""},
    // Stored uid 3 made no item: quietly none.
    {"missing item", "<Constraint=<Uid=2><UidA=3><UidB=5>>", nullptr, "b", ""},
    {"bad item uids", "<Constraint=<Uid=2><UidA=6><UidB=-1>>", nullptr, nullptr,
     "[!] Invalid item UID.\n[!] Invalid item UID.\n"},
    {"item uid not an integer", "<Constraint=<Uid=2><UidA=\"0\"><UidB=5>>", nullptr, "b",
     "[!] Invalid UID tag.\n"},
    {"a later tag rebinds", "<Constraint=<Uid=2><UidA=0>><Constraint=<Uid=2><UidA=5><UidB=0>>", "b", "a", ""},
    {"no constraint uid", "<Constraint=<UidA=0>><Other>", nullptr, nullptr, "[!] Invalid UID tag.\n"},
    {"constraint uid out of range", "<Constraint=<Uid=6><UidA=0>>", nullptr, nullptr, "[!] Invalid item UID.\n"},
    {"constraint uid masked out", "<Constraint=<Uid=3><UidA=0>>", nullptr, nullptr, ""},
    {"constraint uid names an object", "<Constraint=<Uid=0><UidA=5>>", nullptr, nullptr,
     "[!] Invalid item type.\n"},
};

const std::string ConstraintItems = ObjectTag("a", "0") + ObjectTag("b", "5") +
                                    "<MConstraint=<MItem=<Id=\"joint\"><UId=2><Active>><Constraint=<Type=\"Point\">>>";

// The warning and error lines of a log.
std::string FaultLines(const std::string& log) {
    std::string lines;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end + 1;
        const std::string line = log.substr(start, end - start);
        if (line.rfind("[!]", 0) == 0 || line.rfind("[*]", 0) == 0) lines += line;
        start = end;
    }
    return lines;
}

// The "Constraints" section the writer gives, compact: "Uid=7 UidA=3;" per
// entry.
std::string WrittenConstraints(zScene& scene, u32 flags = SceneLoadAll) {
    zMetafile document;
    std::unique_ptr<zMetaTag> root(scene.SaveToTag(&document, nullptr, flags));
    const zMetaTag* section = root ? root->GetTag("Constraints;") : nullptr;
    if (!section) return "(none)";
    std::string text;
    zLinkedListIterator entries{};
    while (const zMetaTag* entry = section->GetNextChild(entries)) {
        zLinkedListIterator parts{};
        while (const zMetaTag* part = entry->GetNextChild(parts)) {
            i32 value = 0;
            part->GetValue().GetInt(value);
            text += std::string(part->GetName().CStr()) + "=" + std::to_string(value) + " ";
        }
        text += ";";
    }
    return text;
}

std::string Uid(const char* name, i64 value) {
    return std::string(name) + "=" + std::to_string(value) + " ";
}

const char* OwnerName(const zPhysicItem* item) {
    return item && item->GetOwner() ? item->GetOwner()->GetName().CStr() : nullptr;
}

} // namespace

TEST_F(SceneFileTest, ConstraintsBindTheItemsTheyName) {
    for (const ConstraintCase& entry : ConstraintCases) {
        SCOPED_TRACE(entry.name);
        zScene* into = Fresh();
        ASSERT_TRUE(into->CreatePhysicWorld());
        into->SetCurrentCamera(into->AddCamera("eye"));
        into->AddObject("before", nullptr);
        into->AddObject("before2", nullptr);
        const u32 first = into->GetNextUid();
        log.Reset();
        ASSERT_TRUE(LoadText(*into, SceneFile(ConstraintItems, std::string("<Constraints=") + entry.constraints + ">")));
        EXPECT_EQ(FaultLines(log.Text()), entry.lines);
        auto* joint = dynamic_cast<zMConstraint*>(into->FindByName(ManagedKindConstraint, "joint"));
        ASSERT_NE(joint, nullptr);
        ASSERT_NE(joint->GetConstraint(), nullptr);
        EXPECT_EQ(joint->GetUid(), static_cast<i32>(first + 2));
        const char* itemA = OwnerName(joint->GetConstraint()->GetItemA());
        const char* itemB = OwnerName(joint->GetConstraint()->GetItemB());
        EXPECT_STREQ(itemA, entry.itemA);
        EXPECT_STREQ(itemB, entry.itemB);
        // The written section names the scene uids of the same items.
        std::string expected = Uid("Uid", first + 2);
        if (itemA) expected += Uid("UidA", into->FindItem(itemA, nullptr)->GetUid());
        if (itemB) expected += Uid("UidB", into->FindItem(itemB, nullptr)->GetUid());
        EXPECT_EQ(WrittenConstraints(*into), expected + ";");
    }
}

TEST_F(SceneFileTest, ConstraintsRoundTripWithTheirItemsAcrossTheRemap) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    scene->SetCurrentCamera(scene->AddCamera("eye"));
    const u32 first = scene->GetNextUid();
    ASSERT_TRUE(LoadText(*scene, SceneFile(ConstraintItems,
                                           "<Constraints=<Constraint=<Uid=2><UidA=0><UidB=5>>>")));
    // A second constraint made here: to the world, a hinge, with pivots.
    zMConstraint* hinge = scene->AddPointConstraint("hinge");
    hinge->GetConstraint()->SetType(PhysicConstraintHinge);
    hinge->GetConstraint()->SetPivotA(zMatrix4::Translation(zVector(0.0f, 1.0f, 0.0f, 1.0f)));
    hinge->GetConstraint()->SetItemA(scene->FindByName(ManagedKindObject, "b")->GetPhysicItem());
    const std::string written = Uid("Uid", first + 2) + Uid("UidA", first) + Uid("UidB", first + 5) + ";" +
                                Uid("Uid", hinge->GetUid()) + Uid("UidA", first + 5) + ";";
    EXPECT_EQ(WrittenConstraints(*scene), written);
    const std::string text = SaveText(*scene);

    zScene* copy = Fresh();
    ASSERT_TRUE(copy->CreatePhysicWorld());
    ASSERT_TRUE(LoadText(*copy, text));
    EXPECT_EQ(SaveText(*copy), text);
    auto* joint = dynamic_cast<zMConstraint*>(copy->FindByName(ManagedKindConstraint, "joint"));
    auto* loadedHinge = dynamic_cast<zMConstraint*>(copy->FindByName(ManagedKindConstraint, "hinge"));
    ASSERT_TRUE(joint && loadedHinge);
    EXPECT_STREQ(OwnerName(joint->GetConstraint()->GetItemA()), "a");
    EXPECT_STREQ(OwnerName(joint->GetConstraint()->GetItemB()), "b");
    EXPECT_EQ(loadedHinge->GetConstraint()->GetType(), PhysicConstraintHinge);
    EXPECT_STREQ(OwnerName(loadedHinge->GetConstraint()->GetItemA()), "b");
    EXPECT_EQ(loadedHinge->GetConstraint()->GetItemB(), nullptr);
    EXPECT_EQ(loadedHinge->GetConstraint()->GetPivotA().GetRow(3, true).y, 1.0f);

    // Without the constraint flag the items stay out, the section is still
    // written, and its entries then name nothing.
    EXPECT_EQ(SaveText(*scene, SceneLoadAll & ~SceneLoadConstraints).find("MConstraint"), std::string::npos);
    EXPECT_EQ(WrittenConstraints(*scene, SceneLoadAll & ~SceneLoadConstraints), written);
    zScene* without = Fresh();
    log.Reset();
    ASSERT_TRUE(LoadText(*without, text, SceneLoadAll & ~SceneLoadConstraints));
    EXPECT_EQ(without->GetKindList(ManagedKindConstraint).GetCount(), 0u);
    EXPECT_EQ(FaultLines(log.Text()), "");
}

TEST_F(SceneFileTest, ConstraintsWithoutAPhysicsWorldBindNothing) {
    scene->SetCurrentCamera(scene->AddCamera("eye"));
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, SceneFile(ConstraintItems, "<Constraints=<Constraint=<Uid=2><UidA=0>>>")));
    EXPECT_EQ(FaultLines(log.Text()), "[*] Constraint 'joint' has no physics world to bind its items in.\n");
    auto* joint = dynamic_cast<zMConstraint*>(scene->FindByName(ManagedKindConstraint, "joint"));
    ASSERT_NE(joint, nullptr);
    EXPECT_EQ(joint->GetConstraint(), nullptr);
    EXPECT_EQ(WrittenConstraints(*scene), Uid("Uid", joint->GetUid()) + ";");
}

// A pendulum read from a file: the bodies are built at the scene's set-up,
// the point constraint after them, and the bob swings on it.
TEST_F(SceneFileTest, ALoadedPointConstraintHoldsItsBodiesWhenStepped) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    scene->SetCurrentCamera(scene->AddCamera("eye"));
    auto body = [&](const char* name, u32 mode, const zVector& position) {
        zMObject* object = scene->AddObject(name, nullptr);
        object->SetPosition(position);
        zPhysicShape* shape = object->GetPhysicItem()->AddCollisionShape();
        shape->SetPrimitive(PhysicShapeSphere, zVector(0.25f, 0.25f, 0.25f, 1.0f));
        shape->mass = mode == PhysicModeDynamic ? 1.0f : 0.0f;
        object->GetPhysicItem()->SetMode(mode);
        return object;
    };
    zMObject* anchor = body("anchor", PhysicModeStatic, zVector(0.0f, 10.0f, 0.0f, 1.0f));
    zMObject* bob = body("bob", PhysicModeDynamic, zVector(2.0f, 10.0f, 0.0f, 1.0f));
    zMConstraint* joint = scene->AddPointConstraint("joint");
    joint->GetConstraint()->SetPivotA(zMatrix4::Translation(zVector(-2.0f, 0.0f, 0.0f, 1.0f)));
    joint->GetConstraint()->SetItemA(bob->GetPhysicItem());
    joint->GetConstraint()->SetItemB(anchor->GetPhysicItem());
    const std::string text = SaveText(*scene);

    zScene* copy = Fresh();
    ASSERT_TRUE(copy->CreatePhysicWorld());
    ASSERT_TRUE(LoadText(*copy, text));
    copy->Setup(false, 0);
    copy->Reset();
    zMItem* loadedBob = copy->FindByName(ManagedKindObject, "bob");
    ASSERT_NE(loadedBob, nullptr);
    SetFrameTime(500);
    f32 lowest = 10.0f;
    for (int frame = 0; frame < 20; ++frame) {
        copy->Update(UpdateAll);
        const zVector at = loadedBob->GetItem()->GetWorldMatrix()->GetRow(3, true);
        const f32 distance = std::sqrt(at.x * at.x + (at.y - 10.0f) * (at.y - 10.0f) + at.z * at.z);
        EXPECT_NEAR(distance, 2.0f, 0.15f) << "frame " << frame;
        lowest = std::min(lowest, at.y);
    }
    // One second of free fall would be 4.9 down; on the rod the bob swings
    // through the bottom of its arc.
    EXPECT_LT(lowest, 8.5f);
}
