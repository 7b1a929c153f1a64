// The Constraint group over a scene with a physics world: a static "anchor"
// box at (0, 10, 0), two dynamic spheres "ball" and "free" 2 m below it and
// beside it, "ghost" in a scene without a physics world (no body) and
// "stranger" in a scene with a world of its own. Step(n) runs the world;
// Gap(p, q) measures.
#include <gtest/gtest.h>

#include <string>

#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "scene/managed_constraint.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/physics_probe.h"
#include "tests/scriptapi/value_probe.h"

namespace {

// An object with one shape of the type and size, in the mode, at the position.
zMObject* AddBody(zScene& scene, const char* name, u32 mode, u32 type, const zVector& size,
                  const zVector& at) {
    zMObject* object = scene.AddObject(name, nullptr);
    if (!object) return nullptr;
    object->GetItem()->SetPosition(at);
    if (zPhysicItem* body = object->GetPhysicItem()) {
        zPhysicShape* shape = body->AddCollisionShape();
        shape->SetPrimitive(type, size);
        shape->mass = mode == PhysicModeDynamic ? 1.0f : 0.0f;
        body->SetMode(mode);
    }
    object->Setup();
    object->Reset();
    return object;
}

class ConstraintApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        ASSERT_TRUE(scene->CreatePhysicWorld());
        ASSERT_TRUE(far->CreatePhysicWorld());
        physics_probe::Register(V(), scene->GetPhysicWorld());
        const zVector sphere(0.5f, 0.0f, 0.0f, 1.0f);
        anchor = AddBody(*scene, "anchor", PhysicModeStatic, PhysicShapeBox, zVector(0.2f, 0.2f, 0.2f, 1.0f),
                         zVector(0.0f, 10.0f, 0.0f, 1.0f));
        ball = AddBody(*scene, "ball", PhysicModeDynamic, PhysicShapeSphere, sphere,
                       zVector(0.0f, 8.0f, 0.0f, 1.0f));
        free = AddBody(*scene, "free", PhysicModeDynamic, PhysicShapeSphere, sphere,
                       zVector(5.0f, 8.0f, 0.0f, 1.0f));
        ghost = plain->AddObject("ghost", nullptr);
        stranger = AddBody(*far, "stranger", PhysicModeDynamic, PhysicShapeSphere, sphere, zVector());
        ASSERT_TRUE(anchor && ball && free && ghost && stranger);
        SetHandle("s", scene.get(), ScriptKindScene);
        SetHandle("plain", plain.get(), ScriptKindScene);
        for (zMObject* object : {anchor, ball, free, ghost, stranger})
            SetHandle(object->GetName(), static_cast<zMItem*>(object), ScriptKindItem);
        log.Reset();
    }

    void TearDown() override {
        physics_probe::World() = nullptr;
        scene.reset();
        plain.reset();
        far.reset();
        ScriptApiFixture::TearDown();
    }

    // The rope: the ball's centre hangs 2 m below the anchor.
    void HangBall() {
        EXPECT_EQ(Printed("::rope <- SceneAddPointConstraint(s, \"rope\", anchor, ball, "
                          "TestVector(0.0, -2.0, 0.0, 1.0), TestVector(0.0, 0.0, 0.0, 1.0))"),
                  "");
    }

    std::unique_ptr<zScene> scene{new zScene(&engine, &vm)};
    std::unique_ptr<zScene> plain{new zScene(&engine, &vm)};
    std::unique_ptr<zScene> far{new zScene(&engine, &vm)};
    zMObject* anchor = nullptr;
    zMObject* ball = nullptr;
    zMObject* free = nullptr;
    zMObject* ghost = nullptr;
    zMObject* stranger = nullptr;
};

TEST_F(ConstraintApi, ABallHangsFromAPointConstraintWhileAFreeOneFalls) {
    HangBall();
    const ScriptRow rows[] = {
        {"print(typeof rope + \" \" + rope.type() + \" \" + SceneGetItemList(s).len())", "CObject 38 4"},
        {"print(TestShow(ConstraintGetPivotA(rope)) + \" / \" + TestShow(ConstraintGetPivotB(rope)))",
         "0 -2 0 1 / 0 0 0 1"},
        // A push sideways swings the ball on its 2 m rope.
        {"ItemSetLinearVelocity(ball, TestVector(3.0, 0.0, 0.0, 1.0)); Step(90);\n"
         "print(Gap(ItemGetPhysicPosition(ball), ItemGetPhysicPosition(anchor)) + \" \" + "
         "(Gap(ItemGetPhysicPosition(free), ItemGetPhysicPosition(anchor)).tofloat() > 10))",
         "2.00 true"},
        // Enable and strength change nothing: the rope holds.
        {"ConstraintEnable(rope, false); ConstraintSetStrength(rope, 0.0); Step(30);\n"
         "print(Gap(ItemGetPhysicPosition(ball), ItemGetPhysicPosition(anchor)))",
         "2.00"},
    };
    ExpectScripts(rows);
    auto* constraint = dynamic_cast<zMConstraint*>(scene->FindByName(ManagedKindConstraint, "rope"));
    ASSERT_TRUE(constraint && constraint->GetConstraint());
    EXPECT_EQ(constraint->GetConstraint()->GetItemA(), anchor->GetPhysicItem());
    EXPECT_EQ(constraint->GetConstraint()->GetItemB(), ball->GetPhysicItem());
}

TEST_F(ConstraintApi, PivotsAndItemsChangeOnAConstraint) {
    HangBall();
    const ScriptRow rows[] = {
        // w is always 1.
        {"ConstraintSetPivotA(rope, TestVector(0.0, -3.0, 0.0, 5.0)); "
         "print(TestShow(ConstraintGetPivotA(rope)))",
         "0 -3 0 1"},
        {"Step(60); print(Gap(ItemGetPhysicPosition(ball), ItemGetPhysicPosition(anchor)))", "3.00"},
        // The rope moves to the free ball: a point 1 m above its centre meets
        // the anchor's centre, and the ball swings around it.
        {"ConstraintSetItemB(rope, free); ConstraintSetPivotA(rope, TestVector(0.0, 0.0, 0.0, 1.0));\n"
         "ConstraintSetPivotB(rope, TestVector(0.0, 1.0, 0.0, 1.0)); ConstraintSetup(rope); Step(240);\n"
         "local g = Gap(ItemGetPhysicPosition(free), ItemGetPhysicPosition(anchor)).tofloat(); "
         "print(g > 0.95 && g < 1.05)",
         "true"},
    };
    ExpectScripts(rows);
}

TEST_F(ConstraintApi, ItemsWithoutABodyOrFromAnotherWorldAreRefused) {
    HangBall();
    const ScriptRow rows[] = {
        // The constraint is made before the items are checked, and stays.
        {"::count <- SceneGetItemList(s).len(); SceneAddPointConstraint(s, \"loose\", anchor, ghost, "
         "TestVector(0.0, 0.0, 0.0, 1.0), "
         "TestVector(0.0, 0.0, 0.0, 1.0))",
         "error: Item has no physics component."},
        {"print(SceneGetItemList(s).len() - count)", "1"},
        {"SceneAddPointConstraint(plain, \"none\", ghost, ghost, TestVector(0.0, 0.0, 0.0, 1.0), "
         "TestVector(0.0, 0.0, 0.0, 1.0))",
         "error: Item has no physics component."},
        {"ConstraintSetItemA(rope, ghost)", "error: Item has no physics component."},
        {"ConstraintSetItemB(rope, stranger)", "error: Item is not in the constraint's physics world."},
        {"SceneAddPointConstraint(s, \"across\", anchor, stranger, TestVector(0.0, 0.0, 0.0, 1.0), "
         "TestVector(0.0, 0.0, 0.0, 1.0))",
         "error: Item is not in the constraint's physics world."},
        {"print(TestShow(ConstraintGetPivotB(rope)))", "0 0 0 1"},
    };
    ExpectScripts(rows);
    auto* constraint = dynamic_cast<zMConstraint*>(scene->FindByName(ManagedKindConstraint, "rope"));
    ASSERT_TRUE(constraint);
    EXPECT_EQ(constraint->GetConstraint()->GetItemB(), ball->GetPhysicItem());
}

TEST_F(ConstraintApi, HandlesAndArgumentsAreChecked) {
    HangBall();
    SetHandle("nc", nullptr, ScriptKindPhysicConstraint);
    const ScriptRow rows[] = {
        {"ConstraintSetup(ball)", "error: Expected 'Physic Constraint' got 'Item'"},
        {"ConstraintGetPivotA(nc)", "error: CObject is null"},
        {"ConstraintEnable(nc, true)", "error: CObject is null"},
        {"ConstraintSetPivotA(rope, g_engine)", "error: Invalid instance type"},
        {"ConstraintSetItemA(rope, g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"SceneAddPointConstraint(s, \"x\", anchor, ball, TestVector(0.0, 0.0, 0.0, 1.0), 1)",
         "error: parameter 6 has an invalid type 'integer' ; expected: 'instance'"},
        {"SceneAddPointConstraint(s, \"x\", anchor, ball, TestTranslation(0.0, 0.0, 0.0), "
         "TestVector(0.0, 0.0, 0.0, 1.0))",
         "error: Invalid instance type"},
        {"SceneAddPointConstraint(ball, \"x\", anchor, ball, TestVector(0.0, 0.0, 0.0, 1.0), "
         "TestVector(0.0, 0.0, 0.0, 1.0))",
         "error: Expected 'Scene' got 'Item'"},
        {"ConstraintSetStrength(rope)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(ConstraintApi, ADeletedConstraintLeavesADeadHandleAndADeletedItemALooseRope) {
    HangBall();
    ASSERT_TRUE(scene->QueueForDeletion(ball));
    scene->FlushDeletionQueue();
    EXPECT_EQ(Printed("Step(10); print(TestShow(ConstraintGetPivotB(rope)))"), "0 0 0 1");
    ASSERT_TRUE(scene->QueueForDeletion(scene->FindByName(ManagedKindConstraint, "rope")));
    scene->FlushDeletionQueue();
    EXPECT_EQ(Printed("ConstraintSetup(rope)"), "error: Expected 'Physic Constraint' got 'Deleted native'");
}

} // namespace
