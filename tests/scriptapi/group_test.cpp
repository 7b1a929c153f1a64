// The Group and Instance groups over a small scene with a physics world: the
// group "parts" holds "a" (a dynamic box) and "b"; "lamp" and "pivot" are
// outside it, and "stranger" lives in another scene. Scripts get "g" (the
// group), "ng" (a group handle holding nothing) and a handle per item.
// Vectors and matrices are made and shown by the value probe.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "scene/group.h"
#include "scene/managed_camera.h"
#include "scene/managed_item.h"
#include "scene/managed_object.h"
#include "scene/motion.h"
#include "scene/scene.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"

namespace {

class GroupApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        ASSERT_TRUE(scene->CreatePhysicWorld());
        a = scene->AddObject("a", nullptr);
        b = scene->AddObject("b", nullptr);
        pivot = scene->AddObject("pivot", nullptr);
        lamp = scene->AddLight("lamp", 1, 0.5f);
        stranger = far->AddObject("stranger", nullptr);
        ASSERT_TRUE(a && b && pivot && lamp && stranger);
        zPhysicShape* shape = a->GetPhysicItem()->AddCollisionShape();
        shape->SetPrimitive(PhysicShapeBox, zVector(1.0f, 1.0f, 1.0f, 1.0f));
        shape->mass = 1.0f;
        a->GetPhysicItem()->SetMode(PhysicModeDynamic);
        a->Setup();
        b->GetItem()->SetPosition(zVector(5.0f, 0.0f, 0.0f, 1.0f));
        pivot->GetItem()->SetPosition(zVector(0.0f, 10.0f, 0.0f, 1.0f));
        ASSERT_TRUE(a->AddMotion(std::make_unique<zMotion>("spin")));
        group = scene->AddGroup("parts");
        ASSERT_TRUE(group && group->AddItem(a, true) && group->AddItem(b, true));

        SetHandle("g", group, ScriptKindGroup);
        SetHandle("ng", nullptr, ScriptKindGroup);
        SetHandle("s", scene.Get(), ScriptKindScene);
        SetHandle("a", static_cast<zMItem*>(a), ScriptKindItem);
        SetHandle("b", static_cast<zMItem*>(b), ScriptKindItem);
        SetHandle("pivot", static_cast<zMItem*>(pivot), ScriptKindItem);
        SetHandle("lamp", static_cast<zMItem*>(lamp), ScriptKindLight);
        SetHandle("stranger", static_cast<zMItem*>(stranger), ScriptKindItem);
        log.Reset();
    }

    void TearDown() override {
        scene = static_cast<zScene*>(nullptr);
        far = static_cast<zScene*>(nullptr);
        ScriptApiFixture::TearDown();
    }

    zSharedPtr<zScene> scene{new zScene(&engine, &vm)};
    zSharedPtr<zScene> far{new zScene(&engine, &vm)};
    zMObject* a = nullptr;
    zMObject* b = nullptr;
    zMObject* pivot = nullptr;
    zMLight* lamp = nullptr;
    zMObject* stranger = nullptr;
    zGroup* group = nullptr;
};

TEST_F(GroupApi, MembersAreListedFoundAndTested) {
    const ScriptRow rows[] = {
        {"local l = GroupGetItemList(g); print(l.len() + \" \" + ItemGetName(l[0]) + \" \" + "
         "ItemGetName(l[1]))",
         "2 a b"},
        {"print(ObjectIsSame(GroupFindItem(g, \"b\"), b))", "true"},
        // A light handle is an item too.
        {"print(GroupItemIsMember(g, a) + \" \" + GroupItemIsMember(g, lamp))", "true false"},
    };
    ExpectScripts(rows);
}

TEST_F(GroupApi, AnItemTheGroupLacksIsAnEmptyHandleAndAWarning) {
    EXPECT_EQ(Printed("local h = GroupFindItem(g, \"lamp\"); print(ObjectIsValid(h) + \" \" + h.isValid())"),
              "false false");
    EXPECT_NE(log.Text().find("[*] No item 'lamp' in group 'parts'."), std::string::npos) << log.Text();
}

TEST_F(GroupApi, HandlesAndArgumentsAreChecked) {
    const ScriptRow rows[] = {
        {"GroupSetup(g_engine)", "error: Expected 'Scene Group' got 'Engine'"},
        {"GroupGetItemList(a)", "error: Expected 'Scene Group' got 'Item'"},
        {"GroupReset(ng)", "error: CObject is null"},
        {"GroupItemIsMember(g, g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"GroupItemIsMember(g, NullItem)", "error: CObject is null"},
        {"GroupOffsetMatrix(g, TestVector(1.0, 2.0, 3.0, 1.0))", "error: Invalid instance type"},
        {"GroupSetMotion(g, 1, 2.0)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'string'"},
        {"GroupActivate(g)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(GroupApi, AnOffsetMovesTheMembersOnly) {
    const ScriptRow rows[] = {
        {"GroupOffsetMatrix(g, TestTranslation(1.0, 2.0, 3.0));\n"
         "print(TestShow(ItemGetPosition(a)) + \" / \" + TestShow(ItemGetPosition(b)) + \" / \" + "
         "TestShow(ItemGetPosition(pivot)))",
         "1 2 3 1 / 6 2 3 1 / 0 10 0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(GroupApi, TheRootItemTakesTheParentlessMembers) {
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(GroupGetRootItem(g)))", "false"},
        {"GroupSetRootItem(g, pivot);\n"
         "print(ObjectIsSame(GroupGetRootItem(g), pivot) + \" \" + ObjectIsSame(ItemGetParent(a), pivot) + "
         "\" \" + "
         "ObjectIsSame(ItemGetParent(b), pivot))",
         "true true true"},
        // An item of another scene would outlive that scene's cleanup of the group.
        {"GroupSetRootItem(g, stranger)", "error: Item is not in the group's scene"},
        {"print(ObjectIsSame(GroupGetRootItem(g), pivot))", "true"},
    };
    ExpectScripts(rows);
}

TEST_F(GroupApi, ARootDeletedLeavesTheGroupWithoutOne) {
    EXPECT_EQ(Printed("GroupSetRootItem(g, pivot)"), "");
    ASSERT_TRUE(scene->QueueForDeletion(pivot));
    scene->FlushDeletionQueue();
    EXPECT_EQ(Printed("print(ObjectIsValid(GroupGetRootItem(g)))"), "false");
}

TEST_F(GroupApi, ActivationAndVisibilityReachEveryMember) {
    const ScriptRow rows[] = {
        {"GroupActivate(g, false); print(ItemIsActive(a) + \" \" + ItemIsActive(b) + \" \" + "
         "ItemIsActive(pivot))",
         "false false true"},
        {"GroupActivate(g, true); print(ItemIsActive(a) + \" \" + ItemIsActive(b))", "true true"},
        {"GroupSetInvisible(g, true); print(ItemIsInvisible(a) + \" \" + ItemIsInvisible(b) + \" \" + "
         "ItemIsInvisible(pivot))",
         "true true false"},
        {"GroupSetInvisible(g, false); print(ItemIsInvisible(b))", "false"},
    };
    ExpectScripts(rows);
}

// GroupSetupScript runs the members' OnSetup, GroupSetup their OnSetupDone;
// GroupReset resets bodies and leaves the scripts alone (a member's OnReset
// may itself reset the group).
TEST_F(GroupApi, SetupAndResetReachTheMembers) {
    WriteFile("member.nut",
              "class Member {\n"
              "  function OnSetup(item) { print(\"setup \" + ItemGetName(item)); }\n"
              "  function OnSetupDone(item) { print(\"done \" + ItemGetName(item)); }\n"
              "  function OnReset(item) { print(\"reset \" + ItemGetName(item)); GroupReset(g); } }\n");
    zScriptUnit* unit = b->NewScriptUnit();
    ASSERT_TRUE(unit);
    unit->SetScriptPath("member.nut");
    unit->SetClassName("Member");
    const ScriptRow rows[] = {
        {"GroupSetupScript(g)", "setup b"},
        {"GroupSetup(g)", "done b"},
        {"ItemSetLinearVelocity(a, TestVector(0.0, 5.0, 0.0, 1.0)); GroupReset(g);\n"
         "print(TestShow(ItemGetLinearVelocity(a)))",
         "0 0 0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(GroupApi, AMotionPlaysOnTheMembersHoldingItAsAnOwnedSourceList) {
    const ScriptRow rows[] = {
        {"local m = GroupSetMotion(g, \"spin\", 0.0);\n"
         "print(ObjectIsValid(m) + \" \" + m.type() + \" \" + ItemIsMotionPlaying(a) + \" \" + "
         "ItemIsMotionPlaying(b))",
         "true 46 true false"},
        {"local m = GroupSetMotion(g, \"none\", 0.0); print(ObjectIsValid(m) + \" \" + "
         "ItemIsMotionPlaying(b))",
         "true false"},
    };
    ExpectScripts(rows);
}

TEST_F(GroupApi, ADeletedMemberLeavesTheList) {
    ASSERT_TRUE(scene->QueueForDeletion(b));
    scene->FlushDeletionQueue();
    const ScriptRow rows[] = {
        {"local l = GroupGetItemList(g); print(l.len() + \" \" + ItemGetName(l[0]))", "1 a"},
        {"GroupItemIsMember(g, b)", "error: Expected 'Item' got 'Deleted native'"},
    };
    ExpectScripts(rows);
}

// An instance's items are the members of the group its template loaded.
TEST_F(GroupApi, AnInstanceListsTheItemsOfItsTemplate) {
    WriteFile(
        "parts.zms",
        "<ZML=1.0>\n<Scene=<Items=\n"
        "<MObject=<MItem=<Id=\"wheel\"><UId=0><Active>><Object=<Item=<Position=<X=0.0><Y=0.0><Z=0.0>>>>>\n"
        "<MObject=<MItem=<Id=\"axle\"><UId=1><Active>><Object=<Item=<Position=<X=0.0><Y=0.0><Z=0.0>>>>>>>\n");
    WriteFile("host.zms", "<ZML=1.0>\n<Scene=<Items=<Instance=<MItem=<Id=\"cart\"><UId=0><Active>>"
                          "<Template=\"parts.zms\">>>>\n");
    auto host = std::make_unique<zScene>(&engine, &vm);
    SetHandle("host", host.get(), ScriptKindScene);
    const ScriptRow rows[] = {
        {"SceneFromFile(host, \"host.zms\"); ::cart <- ItemCastToInstance(SceneFindItem(host, \"cart\"));\n"
         "print(InstanceGetItemList(cart).len())",
         "0"},
        {"SceneSetup(host); local l = InstanceGetItemList(cart);\n"
         "print(l.len() + \" \" + ItemGetName(l[0]) + \" \" + ItemGetName(l[1]) + \" \" + typeof l[0])",
         "2 wheel axle CObject"},
        {"InstanceGetItemList(SceneFindItem(host, \"cart\"))", "error: Expected 'Instance' got 'Item'"},
        {"InstanceGetItemList(g)", "error: Expected 'Instance' got 'Scene Group'"},
    };
    ExpectScripts(rows);
    host.reset();
    EXPECT_EQ(Printed("InstanceGetItemList(cart)"), "error: Expected 'Instance' got 'Deleted native'");
}

} // namespace
