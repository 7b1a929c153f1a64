// The Scene group: scripts load a small scene file into a scene the test
// owns ("s"; "ns" is a Scene handle holding nothing), find, add and delete
// items, cast rays onto a box and read and write the scene's look.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "render/geometry.h"
#include "render/material.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "script/script_args.h"
#include "script/script_unit.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

// A static 2 m box at the origin with a child "lid" above it, a lamp, and a
// group of box and lid.
const char* const BoxScene = "<ZML=1.0>\n<Scene=<Items=\n"
                             "<MLight=<MItem=<Id=\"lamp\"><UId=0><Active>>"
                             "<Light=<Item=<Position=<X=0.0><Y=5.0><Z=0.0>>><Type=\"Point\">>>\n"
                             "<MObject=<MItem=<Id=\"box\"><UId=1><Active>\n"
                             "  <PhysicItem=<Mode=\"Static\"><Shapes=<PhysicShape=<Type=\"Box\">"
                             "<Dimensions=<X=2.0><Y=2.0><Z=2.0>><Mass=0.0>>>>>\n"
                             "  <Object=<Item=<Position=<X=0.0><Y=0.0><Z=0.0>>>>>\n"
                             "<MObject=<MItem=<Id=\"lid\"><UId=2><Active>>"
                             "<Object=<Item=<Position=<X=0.0><Y=1.0><Z=0.0>>>>>\n"
                             ">\n"
                             "<Links=<Link=<Item=2><Link=1>>>\n"
                             "<Groups=<Group=<Id=\"parts\"><Item=1><Item=2>>>\n"
                             ">\n";

// Test helpers while the Vector class has no script methods of its own:
// TestVector(x, y, z, w) makes one, TestVectorText(v) gives "x,y,z,w".
SQInteger TestVector(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const zVector value(args.Number(1), args.Number(2), args.Number(3), args.Number(4));
    if (!args) return args.Fail();
    return args.ReturnVector(value);
}

SQInteger TestVectorText(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const zVector value = args.Vector(1);
    if (!args) return args.Fail();
    zString text;
    text.Format("%g,%g,%g,%g", double(value.x), double(value.y), double(value.z), double(value.w));
    return args.Return(text);
}

class SceneApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        ASSERT_TRUE(RegisterScriptFunction(V(), TestVector, "TestVector", ".nnnn"));
        ASSERT_TRUE(RegisterScriptFunction(V(), TestVectorText, "TestVectorText", ".x"));
        scene = std::make_unique<zScene>(&engine, &vm);
        SetHandle("s", scene.get(), ScriptKindScene);
        SetHandle("ns", nullptr, ScriptKindScene);
        WriteFile("box.zms", BoxScene);
    }

    void TearDown() override {
        other.reset();
        scene.reset();
        ScriptApiFixture::TearDown();
    }

    // The box scene loaded into s with a physics world, and set up.
    void LoadBoxWithPhysics() {
        ASSERT_TRUE(scene->CreatePhysicWorld());
        EXPECT_EQ(Printed("print(SceneFromFile(s, \"box.zms\")); SceneSetup(s);"), "true");
    }

    std::unique_ptr<zScene> scene;
    std::unique_ptr<zScene> other;
};

TEST_F(SceneApi, AFileLoadsAndItsItemsAndGroupsAreFound) {
    const ScriptRow rows[] = {
        {"print(SceneFromFile(s, \"box.zms\"))", "true"},
        {"print(SceneGetName(s) == SceneGetPath(s))", "true"},
        // The loader adds a camera named "Default" to a file without one.
        {"print(SceneGetItemList(s).len())", "4"},
        {"print(ObjectIsSame(SceneGetItemList(s)[1], SceneFindItem(s, \"box\")))", "true"},
        {"print(ObjectIsValid(SceneFindItem(s, \"nothing\")))", "false"},
        {"local c = SceneGetItemChildrenList(s, SceneFindItem(s, \"box\"));\n"
         "print(c.len() + \" \" + ObjectIsSame(c[0], SceneFindItem(s, \"lid\")))",
         "1 true"},
        {"print(ObjectIsValid(SceneFindItemChild(s, SceneFindItem(s, \"box\"), \"lid\")))", "true"},
        {"print(ObjectIsValid(SceneFindItemChild(s, SceneFindItem(s, \"lamp\"), \"lid\")))", "false"},
        {"print(ObjectIsValid(SceneFindGroup(s, \"parts\")) + \" \" + ObjectIsValid(SceneFindGroup(s, "
         "\"none\")))",
         "true false"},
        {"print(SceneFromFile(s, \"missing.zms\"))", "false"},
        {"print(ScenePreloadResources(s, \"box.zms\"))", "true"},
    };
    ExpectScripts(rows);
}

TEST_F(SceneApi, AFileLoadedIntoAGroupGivesThatGroup) {
    const ScriptRow rows[] = {
        {"local g = SceneFromFileStoreGroup(s, \"box.zms\", FlagLoadObject);\n"
         "print(ObjectIsValid(g) + \" \" + SceneGetItemList(s).len())",
         "true 3"},
        {"print(ObjectIsValid(SceneFromZMLStoreGroup(s, \"box.zms\", FlagLoadAll)) + \" \" + "
         "SceneGetItemList(s).len())",
         "true 6"},
    };
    ExpectScripts(rows);
    EXPECT_NE(log.Text().find("Group 'box.zms': 3 item(s)."), std::string::npos) << log.Text();
}

// An instance stands for the scene its template loads into its group.
TEST_F(SceneApi, AnInstanceIsSearchedThroughItsGroup) {
    WriteFile("host.zms", "<ZML=1.0>\n<Scene=<Items=<Instance=<MItem=<Id=\"inst\"><UId=0><Active>>"
                          "<Template=\"box.zms\">>>>\n");
    const ScriptRow rows[] = {
        {"SceneFromFile(s, \"host.zms\"); SceneSetup(s); ::inst <- SceneFindItem(s, \"inst\");\n"
         "print(ObjectIsSame(SceneFindItem(inst, \"box\"), SceneFindItem(s, \"inst/box\")))",
         "true"},
        {"print(ObjectIsValid(SceneFindItem(inst, \"nothing\")))", "false"},
        {"print(ObjectIsValid(SceneFindGroup(inst, \"parts\")) + \" \" + ObjectIsValid(SceneFindGroup(s, "
         "\"parts\")))",
         "true true"},
        {"print(ObjectIsValid(SceneFindItemChild(inst, SceneFindItem(inst, \"box\"), \"lid\")))", "false"},
    };
    ExpectScripts(rows);
}

TEST_F(SceneApi, ARayHitsTheBoxAndMissesBesideIt) {
    LoadBoxWithPhysics();
    const ScriptRow rows[] = {
        // The direction points down; the float bounds the ray's length.
        {"local r = SceneCollisionRaytrace(s, TestVector(0.0, 10.0, 0.0, 0.0), TestVector(0.0, -1.0, 0.0, "
         "0.0), "
         "-1, 0, 20.0);\n"
         "print(r.hit + \" \" + ObjectIsSame(r.item, SceneFindItem(s, \"box\")) + \" \" + r.d);\n"
         "print(TestVectorText(r.p) + \" \" + TestVectorText(r.n));\n"
         "print(ObjectIsValid(r.shape) + \" \" + ObjectIsValid(r.material))",
         "true true 9\n0,1,0,1 0,1,0,1\nfalse false"},
        {"local r = SceneCollisionRaytrace(s, TestVector(5.0, 10.0, 5.0, 1.0), TestVector(0.0, -1.0, 0.0, "
         "0.0), "
         "-1, 0, 20.0);\n"
         "foreach (key, value in r) print(key + \"=\" + value)",
         "hit=false"},
        {"local r = SceneCollisionRaytrace(s, TestVector(0.0, 10.0, 0.0, 0.0), TestVector(0.0, -1.0, 0.0, "
         "0.0), "
         "-1, 0, 5.0);\n"
         "print(r.hit)",
         "false"},
        {"SceneCollisionRaytrace(s, g_engine, TestVector(0.0, 1.0, 0.0, 0.0), -1, 0, 1.0)",
         "error: Invalid instance type"},
    };
    ExpectScripts(rows);
}

TEST_F(SceneApi, WithoutAPhysicsWorldTheRayAndSettersDoNothing) {
    const ScriptRow rows[] = {
        {"print(SceneCollisionRaytrace(s, TestVector(0.0, 1.0, 0.0, 1.0), TestVector(0.0, -1.0, 0.0, 0.0), "
         "-1, 0, "
         "1.0) == null)",
         "true"},
        {"SceneSetPhysicFrequency(s, 30.0); print(SceneGetPhysicFrequency(s))", "0"},
        {"SceneSetGravity(s, TestVector(0.0, 1.0, 0.0, 0.0)); print(\"set\")", "set"},
    };
    ExpectScripts(rows);
}

TEST_F(SceneApi, PhysicsFrequencyAndGravityReachTheWorld) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    const ScriptRow rows[] = {
        {"SceneSetPhysicFrequency(s, 60); print(SceneGetPhysicFrequency(s))", "60"},
        // No finite positive step: the world keeps its own.
        {"SceneSetPhysicFrequency(s, 0); print(SceneGetPhysicFrequency(s))", "60"},
        {"SceneSetGravity(s, TestVector(0.0, -2.0, 0.5, 7.0))", ""},
        {"SceneSetGravity(s, 1)", "error: parameter 2 has an invalid type 'integer' ; expected: 'instance'"},
        {"SceneSetGravity(s, g_engine)", "error: Invalid instance type"},
    };
    ExpectScripts(rows);
    const zVector& gravity = scene->GetPhysicWorld()->GetGravity();
    EXPECT_EQ(gravity.x, 0.0f);
    EXPECT_EQ(gravity.y, -2.0f);
    EXPECT_EQ(gravity.z, 0.5f);
    EXPECT_EQ(gravity.w, 1.0f);
}

// A deleted item's handle dies with it, whichever way the queue is flushed.
TEST_F(SceneApi, AnItemDeletedThroughTheQueueLeavesADeadHandle) {
    const ScriptRow rows[] = {
        {"SceneFromFile(s, \"box.zms\"); ::h <- SceneFindItem(s, \"box\"); SceneDeleteItem(s, h);\n"
         "print(ObjectIsValid(h))",
         "true"},
        {"SceneFlushDeletionQueue(s); print(ObjectIsValid(h))", "false"},
        {"SceneDuplicateItem(s, h)", "error: Expected 'Item' got 'Deleted native'"},
        {"print(ObjectIsValid(SceneFindItem(s, \"box\")) + \" \" + SceneGetItemList(s).len())", "false 3"},
        // With the queue enabled the update leaves it to the script's flush.
        {"SceneEnableItemDeletionQueue(s, true); ::h <- SceneFindItem(s, \"lid\"); SceneDeleteItem(s, h);\n"
         "SceneUpdate(s); print(ObjectIsValid(h))",
         "true"},
        {"SceneFlushDeletionQueue(s); print(ObjectIsValid(h))", "false"},
        {"SceneEnableItemDeletionQueue(s, false); ::h <- SceneFindItem(s, \"lamp\"); SceneDeleteItem(s, h);\n"
         "SceneUpdate(s); print(ObjectIsValid(h))",
         "false"},
    };
    ExpectScripts(rows);
}

// The warning names both scenes; the item leaves its own scene only, and
// only when that scene flushes.
TEST_F(SceneApi, AnItemDeletedThroughAnotherSceneWarnsAndLeavesItsOwner) {
    other = std::make_unique<zScene>(&engine, &vm);
    other->SetName("elsewhere");
    SetHandle("o", other.get(), ScriptKindScene);
    EXPECT_EQ(
        Printed("SceneFromFile(s, \"box.zms\"); ::h <- SceneFindItem(s, \"lid\"); SceneDeleteItem(o, h);\n"
                "SceneFlushDeletionQueue(o); print(ObjectIsValid(h))"),
        "true");
    EXPECT_NE(log.Text().find("[*] Deleting item 'lid' (uid=2) using the wrong owner scene 'elsewhere' "
                              "(current owner is scene 'box.zms')."),
              std::string::npos)
        << log.Text();
    EXPECT_EQ(
        Printed("SceneFlushDeletionQueue(s); print(ObjectIsValid(h) + \" \" + SceneGetItemList(s).len())"),
        "false 3");
    EXPECT_EQ(other->GetAllItems().GetCount(), 0u);
}

TEST_F(SceneApi, GroupsAreDeletedWithTheirItemsAndTheirHandlesDie) {
    const ScriptRow rows[] = {
        {"SceneFromFile(s, \"box.zms\"); ::g <- SceneFindGroup(s, \"parts\"); ::h <- SceneFindItem(s, "
         "\"lid\");\n"
         "SceneDeleteGroup(s, g); SceneFlushDeletionQueue(s);\n"
         "print(ObjectIsValid(h) + \" \" + ObjectIsValid(SceneFindGroup(s, \"parts\")) + \" \" + "
         "ObjectIsValid(g))",
         "false false true"},
        {"SceneDeleteContent(s); print(ObjectIsValid(g))", "false"},
        {"SceneDeleteGroup(s, g)", "error: Expected 'Scene Group' got 'Deleted native'"},
        {"SceneDeleteGroup(ns, NullItem)", "error: Expected 'Scene Group' got 'Item'"},
    };
    ExpectScripts(rows);
}

TEST_F(SceneApi, CamerasLightsAndObjectsAreAddedAndQueued) {
    const ScriptRow rows[] = {
        {"local c = SceneAddCamera(s, \"cam\"); SceneSetCurrentCamera(s, c);\n"
         "print(ObjectIsSame(SceneGetCurrentCamera(s), c))",
         "true"},
        {"SceneSetCurrentCamera(s, SceneFindItem(s, \"cam\"))", "error: Expected 'Camera' got 'Item'"},
        {"SceneAddLight(s, \"a\"); SceneAddLight(s, \"b\"); SceneAddLight(s, \"c\"); "
         "SceneDeleteAllLights(s);\n"
         "SceneDeleteLight(s, \"a\"); SceneDeleteLight(s, \"none\")",
         ""},
    };
    ExpectScripts(rows);
    EXPECT_EQ(scene->GetDeletionQueue().GetCount(), 3u);
    const ScriptRow more[] = {
        {"SceneFlushDeletionQueue(s); local o = SceneAddObject(s, \"o\"); SceneDeleteObject(s, o);\n"
         "SceneFlushDeletionQueue(s); print(ObjectIsValid(o) + \" \" + SceneGetItemList(s).len())",
         "false 1"},
        {"SceneDeleteObject(s, SceneFindItem(s, \"cam\"))", "error: Expected 'Object' got 'Item'"},
        {"local d = SceneDuplicateItem(s, SceneFindItem(s, \"cam\"));\n"
         "print(ObjectIsValid(d) + \" \" + SceneGetItemList(s).len())",
         "true 2"},
        // Once the camera goes, the scene has none.
        {"SceneDeleteItem(s, SceneGetCurrentCamera(s)); SceneFlushDeletionQueue(s);\n"
         "print(ObjectIsValid(SceneGetCurrentCamera(s)))",
         "false"},
        {"SceneAddCamera(ns, \"c\")", "error: CObject is null"},
        {"SceneDeleteAllLights(s); print(\"none\")", "none"},
    };
    ExpectScripts(more);
}

TEST_F(SceneApi, FogAmbientAndBackgroundRoundTrip) {
    const ScriptRow rows[] = {
        {"SceneSetFog(s, false, TestVector(1.0, 0.5, 0.25, 1.0), 10.0, 100.0);\n"
         "print(SceneGetFogNear(s) + \" \" + SceneGetFogFar(s))",
         "0 0"},
        {"SceneSetFog(s, true, TestVector(1.0, 0.5, 0.25, 1.0), 10.0, 100.0);\n"
         "print(SceneGetFogNear(s) + \" \" + SceneGetFogFar(s))",
         "10 100"},
        {"print(SceneGetFogColor(s) instanceof Vector)", "true"},
        {"SceneSetAmbientIntensity(s, 0.5); print(SceneGetAmbientIntensity(s))", "0.5"},
        {"SceneSetAmbientColor(s, TestVector(0.25, 0.5, 0.75, 1.0));\n"
         "print(TestVectorText(SceneGetAmbientColor(s)))",
         "0.25,0.5,0.75,1"},
        {"SceneSetBackgroundColor(s, TestVector(0.1, 0.2, 0.3, 0.4));\n"
         "print(TestVectorText(SceneGetBackgroundColor(s)))",
         "0.1,0.2,0.3,0.4"},
        {"SceneSetAmbientColor(s, g_engine)", "error: invalid type tag"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(scene->fogColor[0], 1.0f);
    EXPECT_EQ(scene->fogColor[1], 0.5f);
    EXPECT_EQ(scene->fogColor[2], 0.25f);
}

TEST_F(SceneApi, FlagsAndDrawingReachTheScene) {
    EXPECT_EQ(Printed("SceneSetRenderless(s, true); SceneEnd(s)"), "");
    EXPECT_EQ(scene->GetFlags(), u32(SceneEndRequested | SceneRenderless));
    EXPECT_EQ(Printed("SceneSetRenderless(s, false)"), "");
    EXPECT_EQ(scene->GetFlags(), u32(SceneEndRequested));
    EXPECT_EQ(
        Printed("SceneRender(s, SceneRenderFlagDefault); SceneRenderToQueue(s); SceneRenderUI(s);\n"
                "SceneDebug(s); SceneDebugPath(s); SceneDebugCollisionSystem(s); SceneDebugPhysicSystem(s);\n"
                "SceneRenderSetup(s, SceneRenderFlagNone); print(\"drawn\")"),
        "drawn");
    EXPECT_EQ(scene->GetRenderer(), engine.GetRenderer());
    EXPECT_EQ(Printed("SceneSetGlobal(s); print(ObjectIsSame(g_scene, s))"), "true");
    EXPECT_EQ(
        Printed(
            "SceneFromFile(s, \"box.zms\"); SceneAudit(s); SceneRecordLocation(s); ScenePrintItemList(s);\n"
            "SceneCreateProfiler(s, \"fonts/none.zml\", \"none\"); SceneUpdateProfiler(s); print(\"ran\")"),
        "ran");
    EXPECT_NE(log.Text().find("[|]   - box"), std::string::npos) << log.Text();
    EXPECT_EQ(Printed("SceneRegisterAsPropertyCallback(s, g_render)"), "");
    EXPECT_EQ(Printed("SceneRegisterAsPropertyCallback(s, g_engine)"),
              "error: Expected 'Renderer' got 'Engine'");
}

TEST_F(SceneApi, ScriptUnitsAreSetFoundAndSuspended) {
    WriteFile("u.nut", "class U { tag = \"unit\"; }");
    const ScriptRow rows[] = {
        {"SceneGetScriptInstance(s)", "error: No script unit"},
        {"SceneSetScript(s, \"u.nut\", \"U\"); SceneSetup(s); print(SceneGetScriptInstance(s).tag)", "unit"},
        {"print(SceneGetScriptInstanceFromClass(s, \"U\").tag)", "unit"},
        {"SceneGetScriptInstanceFromClass(s, \"V\")", "error: Script unit not found"},
        {"SceneSuspendScriptUpdate(s, 25000.9)", ""},
    };
    ExpectScripts(rows);
    auto* unit = dynamic_cast<zSceneScriptUnit*>(scene->GetScriptUnits().GetHead()->value.get());
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->GetDelay(), 25000);
    // A unit named but never set up has no instance.
    scene->GetScriptUnits().GetHead()->value->Unload();
    EXPECT_EQ(Printed("SceneGetScriptInstance(s)"), "error: Script unit is not open");
}

TEST_F(SceneApi, MotionsComeBackAsAnOwnedSourceList) {
    EXPECT_EQ(Printed("print(ObjectIsValid(SceneSetMotion(s, \"walk\", 0.5)) + \" \" + "
                      "ObjectIsValid(SceneSetMotionAdd(s, \"walk\", 0.5)))"),
              "true true");
    EXPECT_EQ(log.Text().find("lifetime should not be managed"), std::string::npos) << log.Text();
}

TEST_F(SceneApi, ConstantsHoldTheirValues) {
    const ScriptRow rows[] = {
        {"print(SceneRenderFlagNone + \" \" + SceneRenderFlagClearViewport + \" \" + "
         "SceneRenderFlagDisableScript + "
         "\" \" + SceneRenderFlagDefault)",
         "0 1 2 1"},
        {"print(FlagLoadCamera + \" \" + FlagLoadGroup + \" \" + FlagLoadSettings + \" \" + FlagLoadPath + "
         "\" \" + "
         "FlagLoadAll)",
         "1 32 128 2048 -1"},
        {"print(ImportFlagLight + \" \" + ImportFlagMotion + \" \" + ImportFlagCollision + \" \" + "
         "ImportFlagAll)",
         "2 64 512 -1"},
        {"print(ObjectIsValid(NullItem) + \" \" + ItemIsValid(NullItem))", "false false"},
        {"print(ObjectIsValid(SceneFindConstraint(g_engine, \"any\")))", "false"},
    };
    ExpectScripts(rows);
}

TEST_F(SceneApi, WrongAndEmptyHandlesAreRefused) {
    const ScriptRow rows[] = {
        {"SceneGetName(g_engine)", "error: Expected 'Scene' got 'Engine'"},
        {"SceneGetName(ns)", "error: CObject is null"},
        {"SceneGetName(s, 1)", "error: wrong number of parameters"},
        {"SceneReset(ns); SceneCreateProfiler(ns, \"a\", \"b\"); print(\"quiet\")", "quiet"},
        {"SceneFindItem(g_engine, \"x\")", "error: Expected scene or instance"},
        {"SceneFindGroup(NullItem, \"x\")", "error: Null object"},
        {"SceneFindItem(ns, \"x\")", "error: Null object"},
        {"SceneFromFile(s, \"box.zms\"); SceneFindItem(SceneFindItem(s, \"box\"), \"x\")",
         "error: Expected scene or instance"},
        {"SceneFindItemChild(s, NullItem, \"x\")", "error: CObject is null"},
        {"SceneDeleteItem(s, g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"SceneMergeItems(s, SceneFindItem(s, \"box\"), SceneFindItem(s, \"lamp\"))",
         "error: Only objects can be merged."},
        {"SceneMergeItems(s, SceneFindItem(s, \"box\"), SceneFindItem(s, \"lid\"))",
         "error: Only objects with a geometry can be merged."},
        {"print(ObjectIsValid(SceneRaytraceTriggerList(ns, TestVector(0.0, 0.0, 1.0, 0.0), "
         "TestVector(0.0, 0.0, 0.0, 1.0), 1.0)))",
         "false"},
        {"ScenePhysicEnableDeactivation(s, true); SceneSetPhysicContactSolverIteration(s, 4);\n"
         "SceneSetPhysicConstraintSolverIteration(s, 4); print(\"obsolete\")",
         "obsolete"},
    };
    ExpectScripts(rows);
}

// A 2 m cube around the origin with one material of that name.
std::string CubeGeometry(const char* material) {
    std::string text = std::string("<ZML=1.0>\n<Geometry=<Materials=<Material=<Id=\"") + material +
                       "\">>><AVertex=<Count=8><Data=";
    for (int corner = 0; corner < 8; ++corner) {
        text += "<V=<X=" + std::string(corner & 1 ? "1.0" : "-1.0") + "><Y=" + (corner & 2 ? "1.0" : "-1.0") +
                "><Z=" + (corner & 4 ? "1.0" : "-1.0") + ">>";
    }
    text += ">><APolygon=<Count=6><BindingCount=24><Data=";
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& face : faces) {
        text += "<P=<Count=4><Material=0>";
        for (int corner : face)
            text += "<Index=" + std::to_string(corner) + ">";
        text += ">";
    }
    return text + ">>>\n";
}

// "a": the red cube at the origin with a box shape; "b": the blue cube at
// x = 3 stretched twice along x, with a sphere, a cylinder and a mesh shape.
const char* const MergeScene =
    "<ZML=1.0>\n<Scene=<Items=\n"
    "<MObject=<MItem=<Id=\"a\"><UId=0><Active>\n"
    "  <PhysicItem=<Mode=\"Static\"><Shapes=\n"
    "    <PhysicShape=<Type=\"Box\"><Dimensions=<X=2.0><Y=2.0><Z=2.0>>>>>>\n"
    "  <Object=<Geometry=\"red.zge\">>>\n"
    "<MObject=<MItem=<Id=\"b\"><UId=1><Active>\n"
    "  <PhysicItem=<Mode=\"Static\"><Shapes=\n"
    "    <PhysicShape=<Type=\"Sphere\"><Radius=0.5><Position=<X=0.0><Y=1.0><Z=0.0>>>\n"
    "    <PhysicShape=<Type=\"Cylinder\"><Dimensions=<X=2.0><Y=3.0><Z=4.0>>>\n"
    "    <PhysicShape=<Type=\"Mesh\"><Mesh=\"blue.zge\">>>>>\n"
    "  <Object=<Item=<Position=<X=3.0><Y=0.0><Z=0.0>><Scale=<X=2.0><Y=1.0><Z=1.0>>>\n"
    "    <Geometry=\"blue.zge\">>>\n"
    ">>\n";

class SceneMerge : public SceneApi {
  public:
    void SetUp() override {
        SceneApi::SetUp();
        WriteFile("red.zge", CubeGeometry("red"));
        WriteFile("blue.zge", CubeGeometry("blue"));
        WriteFile("merge.zms", MergeScene);
        ASSERT_TRUE(scene->CreatePhysicWorld());
        ASSERT_EQ(Printed("print(SceneFromFile(s, \"merge.zms\")); SceneSetup(s)"), "true");
    }

    zMObject* Merged() { return dynamic_cast<zMObject*>(scene->FindByName(ManagedKindObject, "merged")); }
};

// A new object holds both cubes in world space, their materials and their
// shapes; the two sources stay.
TEST_F(SceneMerge, TwoCubesMakeOneObjectWithBothShapes) {
    const ScriptRow rows[] = {
        {"local n = SceneGetItemList(s).len();\n"
         "local m = SceneMergeItems(s, SceneFindItem(s, \"a\"), SceneFindItem(s, \"b\"));\n"
         "print(m.type() + \" \" + ItemGetName(m) + \" \" + ObjectIsSame(m, SceneFindItem(s, \"merged\")));\n"
         "print(SceneGetItemList(s).len() - n);\n"
         "print(ObjectIsValid(SceneFindItem(s, \"a\")) + \" \" + ObjectIsValid(SceneFindItem(s, \"b\")));\n"
         "local b = ItemGetMinMax(m);\n"
         "print(b.min.x + \",\" + b.min.y + \",\" + b.min.z + \" \" + b.max.x + \",\" + b.max.y + \",\" + "
         "b.max.z)",
         "24 merged true\n1\ntrue true\n-1,-1,-1 5,1,1"},
    };
    ExpectScripts(rows);
    zMObject* merged = Merged();
    ASSERT_NE(merged, nullptr);
    const zGeometry* geometry = merged->GetGeometry();
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(geometry->GetVertexCount(), 16u);
    EXPECT_EQ(geometry->GetPolygonCount(), 12u);
    ASSERT_EQ(geometry->GetMaterialCount(), 2u);
    EXPECT_EQ(geometry->GetMaterial(0)->GetName(), zString("red"));
    EXPECT_EQ(geometry->GetMaterial(1)->GetName(), zString("blue"));

    ASSERT_NE(merged->GetPhysicItem(), nullptr);
    const auto& shapes = merged->GetPhysicItem()->GetShapes();
    ASSERT_EQ(shapes.GetCount(), 4u);
    const zPhysicShape* box = shapes.GetHead()->value.get();
    const zPhysicShape* sphere = shapes.GetHead()->next->value.get();
    const zPhysicShape* cylinder = shapes.GetHead()->next->next->value.get();
    const zPhysicShape* mesh = shapes.GetHead()->next->next->next->value.get();
    EXPECT_EQ(box->type, u32(PhysicShapeBox));
    EXPECT_EQ(box->dimensions.x, 2.0f);
    EXPECT_EQ(box->position.x, 0.0f);
    // b's world matrix moves its shapes: 3 along x, and doubles their x scale.
    EXPECT_EQ(sphere->type, u32(PhysicShapeSphere));
    EXPECT_EQ(sphere->dimensions.x, 0.5f);
    EXPECT_FLOAT_EQ(sphere->position.x, 3.0f);
    EXPECT_FLOAT_EQ(sphere->position.y, 1.0f);
    EXPECT_FLOAT_EQ(sphere->scale.x, 2.0f);
    // A cylinder keeps only its matrix; a mesh its geometry file.
    EXPECT_EQ(cylinder->type, u32(PhysicShapeNone));
    EXPECT_EQ(cylinder->dimensions.y, 1.0f);
    EXPECT_FLOAT_EQ(cylinder->position.x, 3.0f);
    EXPECT_EQ(mesh->type, u32(PhysicShapeMesh));
    EXPECT_EQ(mesh->geometryName, zString("blue.zge"));
}

// A geometry whose mesh was freed (kept only as its leaf tree) is read again
// from its file; one whose file is gone fails the merge.
TEST_F(SceneMerge, AFreedGeometryIsLoadedAgainFromItsFile) {
    engine.SetKeepSource(false);
    zGeometry* red = dynamic_cast<zMObject*>(scene->FindByName(ManagedKindObject, "a"))->GetGeometry();
    ASSERT_TRUE(red->Optimize(0));
    ASSERT_EQ(red->GetVertexCount(), 0u);
    EXPECT_EQ(Printed("print(SceneMergeItems(s, SceneFindItem(s, \"a\"), SceneFindItem(s, \"b\")).type())"),
              "24");
    ASSERT_NE(Merged(), nullptr);
    EXPECT_EQ(Merged()->GetGeometry()->GetPolygonCount(), 12u);
    EXPECT_EQ(red->GetVertexCount(), 0u); // the shared one stays as it was

    std::filesystem::remove(Folder() / "red.zge");
    EXPECT_EQ(Printed("SceneMergeItems(s, SceneFindItem(s, \"b\"), SceneFindItem(s, \"a\"))"),
              "error: Failed to load geometry to merge.");
}

TEST_F(SceneMerge, OnlyTwoObjectsWithGeometriesMerge) {
    zMObject* bare = scene->AddObject("bare", nullptr);
    ASSERT_NE(bare, nullptr);
    const ScriptRow rows[] = {
        {"SceneMergeItems(s, SceneFindItem(s, \"a\"), SceneFindItem(s, \"bare\"))",
         "error: Only objects with a geometry can be merged."},
        {"SceneMergeItems(s, SceneGetCurrentCamera(s), SceneFindItem(s, \"a\"))",
         "error: Only objects can be merged."},
        {"SceneMergeItems(ns, SceneFindItem(s, \"a\"), SceneFindItem(s, \"b\"))", "error: CObject is null"},
        {"SceneMergeItems(s, SceneFindItem(s, \"a\"), NullItem)", "error: CObject is null"},
        {"SceneMergeItems(s, SceneFindItem(s, \"a\"), g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"print(ObjectIsValid(SceneFindItem(s, \"merged\")))", "false"},
    };
    ExpectScripts(rows);
}

TEST_F(SceneApi, ObsoleteNamesLogTheirNotice) {
    EXPECT_EQ(Printed("SceneSetItemDeletionDelay(s, 1.0); ScenePhysicAllocateCollisionNode(s, 1, 2)"), "");
    EXPECT_NE(log.Text().find("[|] SceneSetItemDeletionDelay() is deprecated, please use "
                              "SceneEnableItemDeletionQueue() instead."),
              std::string::npos)
        << log.Text();
    EXPECT_NE(log.Text().find("ScenePhysicAllocateCollisionNode is obsolete."), std::string::npos)
        << log.Text();
}

} // namespace
