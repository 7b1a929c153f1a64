// The Item group over a small scene with a physics world: an object with a
// dynamic box body, a camera, a light and a trigger; and an object of a scene
// without a physics world, so without a body. Scripts get "item" (the box),
// "camItem" (the camera as an item), "cam" (the camera under its own kind),
// "light", "gate", "ghost" (the bodiless object) and "empty" (an Item handle
// holding nothing).
//
// Vectors are made and shown by two natives of the test, Vec(x, y, z) and
// Show(v) ("x,y,z,w"); Row3(m) shows the translation row of a Matrix4. The
// test's MinMax holds its corners in tables, so bounds read back as numbers.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "core/matrix.h"
#include "physics/physic_item.h"
#include "render/geometry.h"
#include "scene/managed_camera.h"
#include "scene/managed_item.h"
#include "scene/managed_object.h"
#include "scene/motion.h"
#include "scene/scene.h"
#include "scene/trigger.h"
#include "script/script_api.h"
#include "script/value_classes.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

SQInteger Vec(HSQUIRRELVM vm) {
    SQFloat x = 0, y = 0, z = 0;
    sq_getfloat(vm, 2, &x);
    sq_getfloat(vm, 3, &y);
    sq_getfloat(vm, 4, &z);
    return PushVectorInstance(vm, x, y, z, 1.0f) ? 1 : -1;
}

SQInteger ShowFloats(HSQUIRRELVM vm, const float* values, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char number[32];
        snprintf(number, sizeof(number), "%g", values[i] + 0.0f); // no "-0"
        text += (i ? "," : "") + std::string(number);
    }
    sq_pushstring(vm, text.c_str(), -1);
    return 1;
}

SQInteger Show(HSQUIRRELVM vm) {
    float values[4];
    if (!GetVectorArgument(vm, 2, values)) return -1;
    return ShowFloats(vm, values, 4);
}

SQInteger Row3(HSQUIRRELVM vm) {
    zMatrix4 matrix;
    if (!GetMatrix4Argument(vm, 2, matrix)) return -1;
    const zVector row = matrix.GetRow(3, false);
    const float values[4] = {row.x, row.y, row.z, row.w};
    return ShowFloats(vm, values, 4);
}

class ItemApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        ASSERT_TRUE(RegisterScriptFunction(V(), Vec, "Vec", ".nnn"));
        ASSERT_TRUE(RegisterScriptFunction(V(), Show, "Show", ".x"));
        ASSERT_TRUE(RegisterScriptFunction(V(), Row3, "Row3", ".x"));
        ASSERT_TRUE(Run("::MinMax <- class { min = null; max = null;\n"
                        "  constructor() { min = {x = 0.0, y = 0.0, z = 0.0}; max = {x = 0.0, y = 0.0, z = 0.0}; } }\n"
                        "function ShowBounds(b) {\n"
                        "  return b.min.x + \",\" + b.min.y + \",\" + b.min.z + \" \" + b.max.x + \",\" + b.max.y + \",\" "
                        "+ b.max.z; }\n",
                        "helpers.nut"));

        ASSERT_TRUE(scene->CreatePhysicWorld());
        camera = scene->AddCamera("eye");
        ASSERT_TRUE(camera);
        ghost = plainScene->AddObject("ghost", nullptr);
        ASSERT_TRUE(ghost);
        crate = scene->AddObject("crate", nullptr);
        ASSERT_TRUE(crate);
        zPhysicShape* shape = crate->GetPhysicItem()->AddCollisionShape();
        shape->SetPrimitive(PhysicShapeBox, zVector(1.0f, 1.0f, 1.0f, 1.0f));
        shape->mass = 1.0f;
        crate->GetPhysicItem()->SetMode(PhysicModeDynamic);
        crate->Setup();
        sun = scene->AddLight("sun", 1, 0.5f);
        ASSERT_TRUE(sun);
        gate = scene->AddItem("gate", "[!] trigger\n", [&] { return new zTrigger(scene.Get()); });
        ASSERT_TRUE(gate);

        SetHandle("item", static_cast<zMItem*>(crate), ScriptKindItem);
        SetHandle("camItem", static_cast<zMItem*>(camera), ScriptKindItem);
        SetHandle("cam", static_cast<zMItem*>(camera), 25);
        SetHandle("light", static_cast<zMItem*>(sun), ScriptKindItem);
        SetHandle("gate", static_cast<zMItem*>(gate), ScriptKindItem);
        SetHandle("empty", nullptr, ScriptKindItem);
        SetHandle("ghost", static_cast<zMItem*>(ghost), ScriptKindItem);
        log.Reset();
    }

    void TearDown() override {
        scene = static_cast<zScene*>(nullptr);
        plainScene = static_cast<zScene*>(nullptr);
        ScriptApiFixture::TearDown();
    }

    // A motion of that name given to the item's player.
    static void GiveMotion(zMItem* item, const char* name) {
        ASSERT_TRUE(item->AddMotion(std::make_unique<zMotion>(name)));
    }

    zSharedPtr<zScene> scene{new zScene(&engine, &vm)};
    // A scene without a physics world: its items have no body.
    zSharedPtr<zScene> plainScene{new zScene(&engine, &vm)};
    zMCamera* camera = nullptr;
    zMObject* ghost = nullptr;
    zMObject* crate = nullptr;
    zMLight* sun = nullptr;
    zTrigger* gate = nullptr;
};

TEST_F(ItemApi, HandlesAreCheckedForTheirKind) {
    const ScriptRow rows[] = {
        {"ItemGetName(g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"ItemGetName(empty)", "error: CObject is null"},
        {"ItemGetName(item, 1)", "error: wrong number of parameters"},
        // A camera handle must be turned into an item handle first.
        {"ItemSetPosition(cam, Vec(1, 2, 3))", "error: Expected 'Item' got 'Camera'"},
        {"ItemSetPosition(ItemDerivedCastToItem(cam), Vec(1, 2, 3)); print(Show(ItemGetPosition(camItem)))",
         "1,2,3,1"},
        // Other kinds give an item handle holding nothing.
        {"print(ObjectIsValid(ItemDerivedCastToItem(g_engine)))", "false"},
        {"ItemGetName(ItemDerivedCastToItem(g_engine))", "error: CObject is null"},
        // A vector argument of another class.
        {"ItemSetPosition(item, g_engine)", "error: invalid type tag"},
        {"ItemSetMatrix(item, Vec(1, 2, 3))", "error: Invalid instance type"},
    };
    ExpectScripts(rows);
}

TEST_F(ItemApi, CastsFollowTheItemType) {
    const ScriptRow rows[] = {
        {"print(ItemGetType(item) + \" \" + ItemGetType(camItem) + \" \" + ItemGetType(light) + \" \" + "
         "ItemGetType(gate))",
         "2 1 3 4"},
        // The cast gives a trigger handle of the same item.
        {"ItemGetName(ItemCastToTrigger(gate))", "error: Expected 'Item' got 'Trigger'"},
        {"print(ItemGetName(ItemDerivedCastToItem(ItemCastToTrigger(gate))))", "gate"},
        {"print(ItemGetName(ItemDerivedCastToItem(ItemCastToLight(light))))", "sun"},
        {"ItemCastToTrigger(item)", "error: Cannot cast item to trigger"},
        {"ItemCastToLight(gate)", "error: Cannot cast item to light"},
        {"ItemCastToInstance(item)", "error: Cannot cast item to instance"},
        {"ItemCastToEmitter(item)", "error: Cannot cast item to emitter"},
        {"print(ItemCompare(item, ItemDerivedCastToItem(item)) + \" \" + ItemCompare(item, camItem))",
         "true false"},
        {"ItemGetGeometry(camItem)", "error: Item is not an object, cannot get geometry"},
        {"print(ObjectIsValid(ItemGetGeometry(item)))", "false"},
    };
    ExpectScripts(rows);
}

TEST_F(ItemApi, NamesRegistryAndFlags) {
    const ScriptRow rows[] = {
        {"ItemSetName(item, \"box\"); print(ItemGetName(item))", "box"},
        {"ItemRegistrySetKey(item, \"Game:Text\", \"hi\"); local v = ItemRegistryGetKey(item, \"Game:Text\");"
         "print(typeof v + \" \" + v)",
         "string hi"},
        {"ItemRegistrySetKey(item, \"Score\", 2.5); local v = ItemRegistryGetKey(item, \"Score\");"
         "print(typeof v + \" \" + v)",
         "float 2.5"},
        {"ItemRegistrySetKey(item, \"Lives\", 3); local v = ItemRegistryGetKey(item, \"Lives\");"
         "print(typeof v + \" \" + v)",
         "integer 3"},
        {"ItemRegistrySetKey(item, \"On\", true); local v = ItemRegistryGetKey(item, \"On\");"
         "print(typeof v + \" \" + v)",
         "bool true"},
        // Another value type stores an empty value.
        {"ItemRegistrySetKey(item, \"List\", [1]); print(ItemRegistryGetKey(item, \"List\") == null)", "true"},
        {"print(ItemRegistryGetKey(item, \"Missing\") == null)", "true"},
        // Registries are per item.
        {"ItemRegistrySetKey(item, \"Mine\", 1); print(ItemRegistryGetKey(light, \"Mine\") == null)", "true"},
        {"ItemSetFlags(item, 7, true); ItemSetFlags(item, 6, false); print(ItemGetFlags(item))", "1"},
        {"ItemSetAlpha(item, 0.25); print(ItemGetOpacity(item) + \" \" + ItemGetAlpha(item))", "0.25 0.25"},
        {"ItemSetOpacity(item, 1); print(ItemGetAlpha(item))", "1"},
        {"ItemSetPriority(light, 0.75); ItemSetScriptLogicFrequency(item, 30);"
         "print(ItemGetScriptLogicFrequency(item, 0))",
         "30"},
        {"print(ObjectIsSame(ItemGetEngine(item), g_engine) + \" \" + ObjectIsValid(ItemGetScene(item)))",
         "true true"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(crate->zItem::GetRegistry().GetFloat("Score", 0.0f), 2.5f);
}

TEST_F(ItemApi, AnUnknownRegistryValueTypeWarns) {
    EXPECT_EQ(Printed("ItemRegistrySetKey(item, \"List\", {})"), "");
    EXPECT_NE(log.Text().find("[*] Incorrect binding argument count.\n"), std::string::npos) << log.Text();
}

TEST_F(ItemApi, TransformationRoundTrips) {
    const ScriptRow rows[] = {
        {"ItemSetPosition(item, Vec(1, 2, 3)); print(Show(ItemGetPosition(item)))", "1,2,3,1"},
        {"ItemSetRotation(item, Vec(0.5, 0, 0)); print(Show(ItemGetRotation(item)))", "0.5,0,0,1"},
        {"ItemSetRotationQuaternion(item, Vec(0, 0.25, 0)); print(Show(ItemGetRotation(item)));"
         "ItemSetRotation(item, Vec(0, 0, 0))",
         "0,0.25,0,1"},
        {"ItemSetScale(item, Vec(2, 2, 2)); print(Show(ItemGetScale(item))); ItemSetScale(item, Vec(1, 1, 1))",
         "2,2,2,1"},
        // The pivot moves the item's frame.
        {"ItemSetPosition(item, Vec(4, 5, 6)); ItemSetPivot(item, Vec(1, 0, 0));"
         "print(Show(ItemGetPivot(item)) + \" \" + Show(ItemGetWorldPosition(item))); ItemSetPivot(item, Vec(0, 0, 0))",
         "1,0,0,1 5,5,6,1"},
        {"ItemSetPosition(item, Vec(4, 5, 6)); print(Show(ItemGetWorldPosition(item)))", "4,5,6,1"},
        {"ItemSetPosition(item, Vec(4, 5, 6)); print(Row3(ItemGetMatrix(item)))", "4,5,6,1"},
        {"ItemSetPosition(item, Vec(4, 5, 6)); print(Row3(ItemGetLocalMatrix(item)))", "4,5,6,1"},
        {"ItemSetPosition(item, Vec(4, 5, 6)); print(Row3(ItemGetInverseMatrix(item)))", "-4,-5,-6,1"},
        {"ItemSetPosition(camItem, Vec(7, 8, 9)); ItemSetMatrix(item, ItemGetMatrix(camItem));"
         "print(Show(ItemGetPosition(item)))",
         "7,8,9,1"},
        {"ItemSetPosition(camItem, Vec(1, 1, 1)); ItemSnapshotMatrix(item, ItemGetMatrix(camItem));"
         "print(Show(ItemGetWorldPosition(item)))",
         "1,1,1,1"},
        {"ItemSetRotation(camItem, Vec(0, 0.5, 0)); ItemSetRotationMatrix(item, ItemGetRotationMatrix(camItem));"
         "local r = ItemGetRotation(item); print(Show(r))",
         "0,0.5,0,1"},
        {"ItemSetRotationOrder(item, 2); print(ItemGetRotationOrder(item))", "2"},
        {"ItemSetRotationOrder(item, 7)", "error: Invalid rotation order"},
        {"print(ItemHasTarget(item)); ItemSetTarget(item, Vec(0, 0, 5)); print(ItemHasTarget(item));"
         "print(Show(ItemGetTarget(item))); ItemSetNoTarget(item); print(ItemHasTarget(item))",
         "false\ntrue\n0,0,5,1\nfalse"},
        {"ItemSetOrientationMethod(item, 3); ItemComputeMatrix(item); ItemComputeLocalMatrix(item);"
         "ItemComputeMinMax(item); print(\"ok\")",
         "ok"},
        // Bounds: the item's box is its world translation; an object without
        // a geometry has an empty box.
        {"ItemSetPosition(item, Vec(1, 2, 3)); ItemComputeMatrix(item); print(ShowBounds(ItemGetMinMax(item)))",
         "1,2,3 1,2,3"},
        {"ItemSetPosition(item, Vec(1, 2, 3)); print(ShowBounds(ItemGetLocalMinMax(item)))", "0,0,0 0,0,0"},
        {"ItemSetPosition(item, Vec(1, 2, 3)); print(ShowBounds(ItemGetWorldMinMax(item)))", "1,2,3 1,2,3"},
    };
    ExpectScripts(rows);
}

// An object's own bounds are its geometry's, moved by the world translation
// only (its rotation and scale do not reach them).
TEST_F(ItemApi, AnObjectsBoundsComeFromItsGeometry) {
    zSharedPtr<zGeometry> geometry(new zGeometry(&engine));
    geometry->SetBounds(zMinMax{zVector(-1.0f, -2.0f, -3.0f, 1.0f), zVector(1.0f, 2.0f, 3.0f, 1.0f)});
    crate->SetGeometry(geometry.Get(), false);
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(ItemGetGeometry(item)))", "true"},
        {"ItemSetPosition(item, Vec(10, 0, 0)); ItemSetScale(item, Vec(2, 2, 2));"
         "print(ShowBounds(ItemGetLocalMinMax(item)) + \" / \" + ShowBounds(ItemGetWorldMinMax(item)))",
         "-1,-2,-3 1,2,3 / 9,-2,-3 11,2,3"},
        // Other items have none.
        {"print(ShowBounds(ItemGetLocalMinMax(light)))", "0,0,0 0,0,0"},
    };
    ExpectScripts(rows);
}

TEST_F(ItemApi, ThePreviousWorldPositionIsTheOneTheItemKept) {
    f32 previous[16] = {1, 0, 0, 3, 0, 1, 0, 2, 0, 0, 1, 1, 0, 0, 0, 1};
    crate->zItem::SetPreviousMatrix(previous);
    EXPECT_EQ(Printed("print(Show(ItemGetPreviousWorldPosition(item)))"), "3,2,1,1");
}

TEST_F(ItemApi, HierarchyLinksAndVisibility) {
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(ItemGetParent(item)) + \" \" + ItemGetChildList(camItem).len())", "false 0"},
        {"ItemSetPosition(camItem, Vec(10, 0, 0)); ItemSetPosition(item, Vec(1, 2, 3));"
         "ItemSetParent(item, camItem);"
         "print(ItemGetName(ItemGetParent(item)) + \" \" + Show(ItemGetWorldPosition(item)))",
         "eye 11,2,3,1"},
        {"ItemSetLink(light, camItem); local names = [];"
         "foreach (child in ItemGetChildList(camItem)) names.append(ItemGetName(child));"
         "print(names.len() + \" \" + names[0] + \" \" + names[1])",
         "2 crate sun"},
        // Visibility reaches the whole hierarchy, nothing else.
        {"ItemHierarchySetInvisible(camItem, true);"
         "print(ItemIsInvisible(camItem) + \" \" + ItemIsInvisible(item) + \" \" + ItemIsInvisible(light) + \" \" + "
         "ItemIsInvisible(gate))",
         "true true true false"},
        {"ItemHierarchySetInvisible(camItem, false); ItemSetInvisible(item, true);"
         "print(ItemIsInvisible(camItem) + \" \" + ItemIsInvisible(item))",
         "false true"},
        // A handle holding nothing unlinks.
        {"ItemSetParent(item, empty); ItemSetParent(light, empty);"
         "print(ObjectIsValid(ItemGetParent(item)) + \" \" + ItemGetChildList(camItem).len())",
         "false 0"},
        {"ItemActivate(item, false); print(ItemIsActive(item)); ItemActivate(item, true); print(ItemIsActive(item))",
         "false\ntrue"},
        {"ItemSetParent(light, camItem); ItemActivateHierarchy(camItem, false);"
         "print(ItemIsActive(camItem) + \" \" + ItemIsActive(light) + \" \" + ItemIsActive(item))",
         "false false true"},
    };
    ExpectScripts(rows);
}

// The item's world rotation, copied onto the light, shows whether the parent's
// rotation reached it.
TEST_F(ItemApi, LinkInheritsPositionOnly) {
    const std::string probe = "ItemSetRotationMatrix(light, ItemGetRotationMatrix(item));"
                              "print(Show(ItemGetWorldPosition(item)) + \" \" + Show(ItemGetRotation(light)))";
    EXPECT_EQ(Printed("ItemSetPosition(camItem, Vec(10, 0, 0)); ItemSetRotation(camItem, Vec(0, 0.5, 0));"
                      "ItemSetParent(item, camItem);" +
                      probe),
              "10,0,0,1 0,0.5,0,1");
    EXPECT_EQ(Printed("ItemSetLinkInheritsPositionOnly(item, true);" + probe), "10,0,0,1 0,0,0,1");
    EXPECT_EQ(Printed("ItemSetLinkInheritsPositionOnly(item, false);" + probe), "10,0,0,1 0,0.5,0,1");
}

TEST_F(ItemApi, FixedAnswers) {
    const ScriptRow rows[] = {
        {"print(ItemCollided(item) + \" \" + ItemMotionGetPaused(item))", "false false"},
        {"ItemMotionSetPaused(item, true); print(ItemMotionGetPaused(item))", "false"},
        {"print(Show(ItemGetLinearAcceleration(item)) + \" \" + Show(ItemGetPhysicPreviousPosition(camItem)))",
         "0,0,0,1 0,0,0,1"},
    };
    ExpectScripts(rows);
}

TEST_F(ItemApi, PhysicsBody) {
    const ScriptRow rows[] = {
        {"print(ItemGetMass(item) + \" \" + ItemGetPhysicMode(item))", "1 3"},
        {"ItemGetMass(ghost)", "error: Item has no physics component."},
        {"ItemApplyImpulse(ghost, Vec(0, 1, 0), Vec(0, 0, 0))", "error: Item has no physics component."},
        {"ItemSetLinearVelocity(item, Vec(3, 4, 0)); print(ItemGetSpeed(item))", "5"},
        {"ItemSetLinearVelocity(item, Vec(3, 4, 0));"
         "print(Show(ItemGetLinearVelocity(item)) + \" \" + Show(ItemGetPreviousLinearVelocity(item)))",
         "3,4,0,1 3,4,0,1"},
        // An impulse is the body's velocity change.
        {"ItemSetLinearVelocity(item, Vec(0, 0, 0)); ItemApplyLinearImpulse(item, Vec(0, 2, 0));"
         "print(Show(ItemGetLinearVelocity(item)))",
         "0,2,0,1"},
        {"ItemSetAngularVelocity(item, Vec(0, 1, 0)); print(Show(ItemGetAngularVelocity(item)))", "0,1,0,1"},
        {"ItemSetPhysicPosition(item, Vec(1, 2, 3)); print(Show(ItemGetPhysicPosition(item)))", "1,2,3,1"},
        {"ItemPhysicResetTransformation(item, Vec(4, 5, 6), Vec(0, 0.5, 0));"
         "print(Show(ItemGetPhysicPosition(item)) + \" \" + Show(ItemGetPhysicRotation(item)))",
         "4,5,6,1 0,0.5,0,1"},
        {"ItemSetPhysicPosition(item, Vec(1, 2, 3)); ItemSetPhysicRotation(item, Vec(0.25, 0, 0));"
         "print(Show(ItemGetPhysicPosition(item)) + \" \" + Show(ItemGetPhysicRotation(item)))",
         "1,2,3,1 0.25,0,0,1"},
        {"ItemPhysicResetTransformation(item, Vec(0, 7, 0), Vec(0, 0, 0)); print(Show(ItemGetCenterOfMass(item)))",
         "0,7,0,1"},
        {"ItemPhysicSetFlag(item, 6); print(ItemPhysicGetFlag(item)); ItemPhysicSetFlag(item, 1);"
         "print(ItemPhysicGetFlag(item))",
         "6\n1"},
        {"ItemSetGravity(item, Vec(0, -1, 0)); print(Show(ItemGetGravity(item)))", "0,-1,0,1"},
        {"ItemSetGravityScale(item, 0.5); print(Show(ItemGetGravity(item)))", "0,-4.9,0,1"},
        {"ItemSleep(item); print(ItemIsSleeping(item)); ItemWake(item); print(ItemIsSleeping(item))",
         "true\nfalse"},
        {"ItemPhysicResetTransformation(item, Vec(0, 0, 0), Vec(0, 0, 0)); ItemSetLinearVelocity(item, Vec(0, 0, 0));"
         "ItemSetAngularVelocity(item, Vec(0, 0, 2));"
         "print(Show(ItemPointVelocity(item, Vec(1, 0, 0))) + \" \" + Show(ItemWorldPointVelocity(item, Vec(1, 0, 0))))",
         "0,2,0,1 0,2,0,1"},
        {"ItemSetPhysicMode(item, 2); print(ItemGetPhysicMode(item))", "2"},
        {"ItemSetInertiaTensorAndCom(item, Vec(1, 1, 1), Vec(0, 0, 0))",
         "error: ItemSetInertiaTensorAndCom is not supported: a body's inertia comes from its shapes"},
    };
    ExpectScripts(rows);
}

TEST_F(ItemApi, ForcesTorquesAndFactorsReachTheBody) {
    zPhysicItem* body = crate->GetPhysicItem();
    EXPECT_EQ(Printed("ItemSetLinearDamping(item, 0.5); ItemSetAngularDamping(item, 0.25);"
                      "ItemPhysicSetLinearFactor(item, Vec(1, 0, 1)); ItemPhysicSetAngularFactor(item, Vec(0, 1, 0));"
                      "ItemApplyLinearForce(item, Vec(0, 1, 0)); ItemApplyForce(item, Vec(0, 1, 0), Vec(1, 0, 0));"
                      "ItemApplyTorque(item, Vec(0, 1, 0)); ItemUpdateInertiaTensorFromCollision(item)"),
              "");
    EXPECT_FLOAT_EQ(body->GetLinearDamping(), 0.5f);
    EXPECT_FLOAT_EQ(body->GetAngularDamping(), 0.25f);
    // The linear factor keeps y still: an upward impulse moves nothing.
    EXPECT_EQ(Printed("ItemSetLinearVelocity(item, Vec(0, 0, 0)); ItemApplyLinearImpulse(item, Vec(0, 2, 0));"
                      "print(Show(ItemGetLinearVelocity(item)))"),
              "0,0,0,1");
}

TEST_F(ItemApi, ObsoleteNativesOnlyLog) {
    EXPECT_EQ(Printed("ItemPhysicSynchronizeCollision(item); ItemSetPhysicPreviousPosition(item, Vec(1, 2, 3))"), "");
    const std::string text = log.Text();
    const size_t first = text.find("[!] OBSOLETE\n");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_NE(text.find("[!] OBSOLETE\n", first + 1), std::string::npos) << text;
}

TEST_F(ItemApi, MotionSlots) {
    GiveMotion(crate, "walk");
    GiveMotion(crate, "run");
    GiveMotion(camera, "walk");
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(ItemGetMotion(item, \"walk\")) + \" \" + ObjectIsValid(ItemGetMotion(item, \"fly\")))",
         "true false"},
        {"print(ItemIsMotionPlaying(item) + \" \" + ItemIsMotionDone(item) + \" \" + ItemMotionSlotIsDone(item, 0))",
         "false true true"},
        {"ItemMotionSlotSet(item, 0, ItemGetMotion(item, \"walk\"), 1.5, 0, 1, 2);"
         "print(ItemMotionSlotIsPlaying(item, 0) + \" \" + ItemMotionSlotIsPlaying(item, 1) + \" \" + "
         "ItemIsMotionPlaying(item));"
         "print(ItemMotionSlotGetTime(item, 0) + \" \" + ItemMotionSlotGetClockScale(item, 0));"
         "print(ObjectIsSame(ItemMotionSlotGet(item, 0), ItemGetMotion(item, \"walk\")));"
         "print(ObjectIsSame(ItemGetMotionFromIndex(item, 0), ItemGetMotion(item, \"walk\")))",
         "true false true\n1.5 2\ntrue\ntrue"},
        // A slot in use is replaced in place; past the end a slot is appended.
        {"ItemSetMotion(item, 0, ItemGetMotion(item, \"walk\"), 0, 0, 1, 1);"
         "ItemSetMotion(item, 0, ItemGetMotion(item, \"run\"), 0, 0, 1, 1);"
         "ItemSetMotion(item, 5, ItemGetMotion(item, \"walk\"), 0, 0, 1, 1);"
         "print(ObjectIsSame(ItemMotionSlotGet(item, 0), ItemGetMotion(item, \"run\")) + \" \" + "
         "ObjectIsSame(ItemMotionSlotGet(item, 1), ItemGetMotion(item, \"walk\")) + \" \" + "
         "ObjectIsValid(ItemMotionSlotGet(item, 2)))",
         "true true false"},
        {"ItemSetMotion(item, 0, ItemGetMotion(item, \"walk\"), 0, 0, 1, 1);"
         "ItemMotionSlotSetTime(item, 0, 3); ItemMotionSlotSetClockScale(item, 0, 0.5);"
         "print(ItemMotionSlotGetTime(item, 0) + \" \" + ItemMotionSlotGetClockScale(item, 0))",
         "3 0.5"},
        // The slots after a stopped one move down.
        {"ItemStopMotion(item); ItemSetMotion(item, 0, ItemGetMotion(item, \"walk\"), 0, 0, 1, 1);"
         "ItemSetMotion(item, 1, ItemGetMotion(item, \"run\"), 0, 0, 1, 1); ItemMotionSlotStop(item, 0);"
         "print(ObjectIsSame(ItemMotionSlotGet(item, 0), ItemGetMotion(item, \"run\")) + \" \" + "
         "ItemMotionSlotIsPlaying(item, 1))",
         "true false"},
        {"ItemSetMotion(item, 0, ItemGetMotion(item, \"walk\"), 0, 0, 1, 1); ItemStopMotion(item);"
         "print(ItemIsMotionPlaying(item))",
         "false"},
        {"ItemMotionSlotGetTime(item, 4)", "error: Motion slot 4 is empty"},
        {"ItemMotionSlotSetClockScale(item, -1, 1.0)", "error: Motion slot -1 is empty"},
        {"print(ObjectIsValid(ItemMotionSlotGet(item, 3)))", "false"},
        // Only the item's own motions play on it.
        {"ItemMotionSlotSet(item, 0, ItemGetMotion(camItem, \"walk\"), 0, 0, 1, 1)",
         "error: Motion does not belong to the item"},
        {"ItemMotionSlotSet(item, 0, item, 0, 0, 1, 1)", "error: Expected 'Motion' got 'Item'"},
        {"ItemMotionSetClockScale(item, 0.5); print(ItemMotionGetClockScale(item))", "0.5"},
        {"ItemMotionSetPropagation(item, true, false)",
         "error: ItemMotionSetPropagation is not supported: the animation player has no propagation"},
        // The camera plays its own "walk" from where the crate's is.
        {"ItemSetMotion(item, 0, ItemGetMotion(item, \"walk\"), 2.5, 0, 1, 1);"
         "ItemSetMotion(item, 1, ItemGetMotion(item, \"run\"), 1, 0, 1, 1);"
         "ItemReplicateItemMotion(camItem, item);"
         "print(ItemMotionSlotGetTime(camItem, 0) + \" \" + ItemMotionSlotIsPlaying(camItem, 1) + \" \" + "
         "ObjectIsSame(ItemMotionSlotGet(camItem, 0), ItemGetMotion(camItem, \"walk\")))",
         "2.5 false true"},
    };
    ExpectScripts(rows);
}

TEST_F(ItemApi, ThePlayerClockScalesAndPauses) {
    GiveMotion(crate, "walk");
    EXPECT_EQ(Printed("ItemSetMotion(item, 0, ItemGetMotion(item, \"walk\"), 0, 0, 1, 1);"
                      "ItemMotionSetClockScale(item, 0.5)"),
              "");
    crate->zAnimationPlayer::UpdateAnimation(2.0f);
    EXPECT_EQ(Printed("print(ItemMotionSlotGetTime(item, 0))"), "1");
    EXPECT_EQ(Printed("ItemMotionSetPaused(item, true)"), "");
    crate->zAnimationPlayer::UpdateAnimation(2.0f);
    EXPECT_EQ(Printed("print(ItemMotionSlotGetTime(item, 0))"), "1");
}

TEST_F(ItemApi, CommandLists) {
    const ScriptRow rows[] = {
        {"print(ItemIsCommandListDone(item))", "true"},
        {"ItemSetCommandList(item, \"toalpha 1, 0.5;\"); print(ItemIsCommandListDone(item))", "false"},
        {"ItemSetCommandList(item, \"toalpha 1, 0.5;\"); ItemResetCommandList(item);"
         "print(ItemIsCommandListDone(item))",
         "true"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(Printed("ItemSetCommandList(item, \"toalpha 1, 0.5;\")"), "");
    // Half of the one second toward 0.5.
    scene->UpdateUnit(*crate, 0.5f);
    EXPECT_FLOAT_EQ(crate->zItem::GetAlpha(), 0.75f);
}

TEST_F(ItemApi, ScriptUnits) {
    WriteFile("crate.nut", "class Crate { tag = \"crate unit\";\n"
                           "  function OnSetup(item) { print(\"setup \" + ItemGetName(item)); } }\n");
    const ScriptRow rows[] = {
        {"ItemGetScriptInstance(item)", "error: Item has no script unit"},
        {"print(ItemGetScriptInstanceCount(item) + \" \" + ItemHasScript(item, \"Crate\"))", "0 false"},
        {"ItemSetScript(item, \"crate.nut\", \"Crate\")", "setup crate"},
        {"print(ItemGetScriptInstance(item).tag + \" \" + ItemGetScriptInstanceFromIndex(item, 0).tag + \" \" + "
         "ItemGetScriptInstanceFromClass(item, \"Crate\").tag)",
         "crate unit crate unit crate unit"},
        {"print(ItemGetScriptInstanceCount(item) + \" \" + ItemHasScript(item, \"Crate\") + \" \" + "
         "ItemHasScript(item, \"Other\"))",
         "1 true false"},
        {"ItemGetScriptInstanceFromClass(item, \"Other\")", "error: Script unit not found"},
        {"ItemGetScriptInstanceFromIndex(item, 1)", "error: Script unit not found"},
        {"ItemSetupScript(item); ItemReset(item); ItemSetup(item); print(\"ok\")", "ok"},
    };
    ExpectScripts(rows);
    // A unit whose class was never loaded is not open.
    crate->GetScriptUnits().GetHead()->value->Unload();
    EXPECT_EQ(Printed("ItemGetScriptInstance(item)"), "error: Script unit is not open");
}

TEST_F(ItemApi, RecordAndLogicTransformation) {
    EXPECT_EQ(Printed("ItemSetPosition(item, Vec(1, 2, 3)); ItemRecordLocation(item);"
                      "ItemSetLogicTransformation(item, ItemGetMatrix(camItem)); ItemSnapshotTransformation(item)"),
              "");
    EXPECT_TRUE(crate->HasInitialMatrix());
    EXPECT_EQ(crate->GetInitialMatrix().GetRow(3, true).y, 2.0f);
    EXPECT_EQ(crate->GetLogicTransformation().GetRow(3, true).y, 0.0f);
    EXPECT_EQ(crate->zItem::GetPosition()->z, 3.0f);
}

TEST_F(ItemApi, PrintLogsTheWholeAddress) {
    EXPECT_EQ(Printed("ItemPrint(item)"), "");
    const std::string expected =
        "Item at address @" + std::to_string(reinterpret_cast<uintptr_t>(static_cast<zMItem*>(crate))) + "\n";
    EXPECT_NE(log.Text().find(expected), std::string::npos) << log.Text();
}

TEST_F(ItemApi, ADeletedItemLeavesADeadHandle) {
    EXPECT_EQ(Printed("::kept <- light; print(ItemGetName(kept))"), "sun");
    ASSERT_TRUE(scene->QueueForDeletion(sun));
    scene->FlushDeletionQueue();
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(kept))", "false"},
        {"ItemGetName(kept)", "error: Expected 'Item' got 'Deleted native'"},
        {"print(ObjectIsValid(ItemDerivedCastToItem(kept)))", "false"},
    };
    ExpectScripts(rows);
}

} // namespace
