// The Collision shape group over a scene with a physics world: "crate" (a
// body with no shapes yet, 10 m up) and "ghost" (in a scene without a physics
// world, so without a body). Scripts build the crate's shape from nothing
// and drop it; Step(n) runs the world.
#include <gtest/gtest.h>

#include <string>

#include "physics/physic_item.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/physics_probe.h"
#include "tests/scriptapi/value_probe.h"

namespace {

class CollisionShapeApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        ASSERT_TRUE(scene->CreatePhysicWorld());
        physics_probe::Register(V(), scene->GetPhysicWorld());
        crate = scene->AddObject("crate", nullptr);
        ghost = plain->AddObject("ghost", nullptr);
        ASSERT_TRUE(crate && ghost);
        crate->GetItem()->SetPosition(zVector(0.0f, 10.0f, 0.0f, 1.0f));
        SetHandle("crate", static_cast<zMItem*>(crate), ScriptKindItem);
        SetHandle("ghost", static_cast<zMItem*>(ghost), ScriptKindItem);
        SetHandle("ns", nullptr, ScriptKindCollisionShape);
        EXPECT_EQ(Printed("::sh <- ItemAddCollisionShape(crate); print(typeof sh + \" \" + sh.type())"),
                  "CObject 37");
        ASSERT_EQ(Body().GetShapes().GetCount(), 1u);
        shape = Body().GetShapes().GetHead()->value.get();
    }

    void TearDown() override {
        physics_probe::World() = nullptr;
        scene.reset();
        plain.reset();
        ScriptApiFixture::TearDown();
    }

    zPhysicItem& Body() { return *crate->GetPhysicItem(); }

    std::unique_ptr<zScene> scene{new zScene(&engine, &vm)};
    std::unique_ptr<zScene> plain{new zScene(&engine, &vm)};
    zMObject* crate = nullptr;
    zMObject* ghost = nullptr;
    zPhysicShape* shape = nullptr;
};

TEST_F(CollisionShapeApi, ABodyBuiltFromScratchFalls) {
    const ScriptRow rows[] = {
        {"print(ShapeSetSphere(sh, 0.5)); ShapeSetMass(sh, 2.0); ItemSetPhysicMode(crate, 3);\n"
         "ItemUpdateInertiaTensorFromCollision(crate); print(ItemGetMass(crate) + \" \" + ShapeGetMass(sh))",
         "true\n2 2"},
        {"Step(60); print(Gap(ItemGetPhysicPosition(crate), TestVector(0.0, 10.0, 0.0, 1.0)).tofloat() > 4)",
         "true"},
    };
    ExpectScripts(rows);
}

// Each primitive setter stores its type and a dimension vector with w = 1;
// the mesh setters store the geometry's name.
TEST_F(CollisionShapeApi, ShapeSettersStoreTypeAndDimensions) {
    const struct {
        const char* script;
        u32 type;
        zVector dimensions;
        const char* geometry;
    } cases[] = {
        {"ShapeSetSphere(sh, 2)", PhysicShapeSphere, zVector(2.0f, 0.0f, 0.0f, 1.0f), ""},
        {"ShapeSetBox(sh, TestVector(1.0, 2.0, 3.0, 7.0))", PhysicShapeBox, zVector(1.0f, 2.0f, 3.0f, 1.0f),
         ""},
        {"ShapeSetCapsule(sh, 0.5, 2.0)", PhysicShapeCapsule, zVector(0.5f, 2.0f, 0.0f, 1.0f), ""},
        {"ShapeSetCylinder(sh, 1, 3)", PhysicShapeCylinder, zVector(1.0f, 3.0f, 0.0f, 1.0f), ""},
        {"ShapeSetMesh(sh, \"rock.zge\")", PhysicShapeMesh, zVector(1.0f, 1.0f, 1.0f, 1.0f), "rock.zge"},
        {"ShapeSetConvex(sh, \"hull.zge\")", PhysicShapeConvex, zVector(1.0f, 1.0f, 1.0f, 1.0f), "hull.zge"},
    };
    for (const auto& row : cases) {
        shape->dimensions = zVector(1.0f, 1.0f, 1.0f, 1.0f);
        shape->geometryName.Set("");
        EXPECT_EQ(Printed(std::string("print(") + row.script + ")"), "true") << row.script;
        EXPECT_EQ(shape->type, row.type) << row.script;
        const zVector& d = shape->dimensions;
        EXPECT_TRUE(d.x == row.dimensions.x && d.y == row.dimensions.y && d.z == row.dimensions.z &&
                    d.w == row.dimensions.w)
            << row.script;
        EXPECT_STREQ(shape->geometryName.CStr(), row.geometry) << row.script;
    }
}

TEST_F(CollisionShapeApi, StoredValuesReadBack) {
    const ScriptRow rows[] = {
        {"ShapeSetPosition(sh, TestVector(1.0, 2.0, 3.0, 9.0)); print(TestShow(ShapeGetPosition(sh)))",
         "1 2 3 1"},
        {"ShapeSetRotation(sh, TestVector(0.5, 0.0, 0.25, 0.0)); print(TestShow(ShapeGetRotation(sh)))",
         "0.5 0 0.25 1"},
        {"ShapeSetMass(sh, 3); print(ShapeGetMass(sh))", "3"},
        {"ShapeSetFriction(sh, 0.25, 0.75); ShapeSetRestitution(sh, 0.125)", ""},
        // A shape does not know its item.
        {"local i = ShapeGetItem(sh); print(ObjectIsValid(i) + \" \" + i.type())", "false 24"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(shape->GetDynamicFriction(), 0.25f);
    EXPECT_EQ(shape->GetStaticFriction(), 0.75f);
    EXPECT_EQ(shape->GetRestitution(), 0.125f);
}

TEST_F(CollisionShapeApi, ShapesAreFoundByIndexWithinTheList) {
    const ScriptRow rows[] = {
        {"print(ObjectIsSame(ItemGetShapeFromIndex(crate, 0), sh))", "true"},
        {"::second <- ItemAddCollisionShape(crate); print(ObjectIsSame(ItemGetShapeFromIndex(crate, 1), "
         "second))",
         "true"},
        // The index is compared unsigned: -1 is past the end.
        {"print(ItemGetShapeFromIndex(crate, 2) == null && ItemGetShapeFromIndex(crate, -1) == null)",
         "true"},
    };
    ExpectScripts(rows);
}

TEST_F(CollisionShapeApi, MasksAndActivationReachTheBody) {
    EXPECT_EQ(
        Printed(
            "ShapeSetSphere(sh, 0.5); ShapeSetMass(sh, 1.0); ItemSetPhysicMode(crate, 3);\n"
            "ItemUpdateInertiaTensorFromCollision(crate);\n"
            "ItemSetSelfMask(crate, 4); ItemSetCollisionMask(crate, 6); ItemCollisionActivate(crate, false)"),
        "");
    EXPECT_EQ(Body().GetSelfMask(), 4u);
    EXPECT_EQ(Body().GetCollisionMask(), 6u);
    EXPECT_FALSE(Body().IsCollisionActive());
    EXPECT_EQ(Printed("ItemCollisionActivate(crate, true)"), "");
    EXPECT_TRUE(Body().IsCollisionActive());
}

// Without a physics item: null (not a handle) or nothing.
TEST_F(CollisionShapeApi, AnItemWithoutABodyGivesNullAndIgnoresSetters) {
    const ScriptRow rows[] = {
        {"print(ItemAddCollisionShape(ghost) == null)", "true"},
        {"print(ItemGetShapeFromIndex(ghost, 0) == null)", "true"},
        {"ItemSetSelfMask(ghost, 2); ItemSetCollisionMask(ghost, 2); ItemCollisionActivate(ghost, false); "
         "print(\"ok\")",
         "ok"},
    };
    ExpectScripts(rows);
}

TEST_F(CollisionShapeApi, HandlesAndArgumentsAreChecked) {
    const ScriptRow rows[] = {
        {"ShapeSetMass(crate, 1.0)", "error: Expected 'Collision Shape' got 'Item'"},
        {"ShapeGetMass(ns)", "error: CObject is null"},
        {"ShapeSetBox(sh, g_engine)", "error: Invalid instance type"},
        {"ShapeSetPosition(sh, TestTranslation(1.0, 2.0, 3.0))", "error: Invalid instance type"},
        {"ItemAddCollisionShape(g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"ItemSetSelfMask(crate, 1.5)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"ShapeSetCapsule(sh, 1.0)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(CollisionShapeApi, ShapeHandlesDieWithTheirItem) {
    ASSERT_TRUE(scene->QueueForDeletion(crate));
    scene->FlushDeletionQueue();
    EXPECT_EQ(Printed("ShapeGetMass(sh)"), "error: Expected 'Collision Shape' got 'Deleted native'");
}

TEST_F(CollisionShapeApi, TraceConstantsAllStandForEveryShape) {
    EXPECT_EQ(
        Printed("print(CollisionTraceMesh + \" \" + CollisionTraceSphere + \" \" + CollisionTraceCuboid + "
                "\" \" + CollisionTraceAll)"),
        "-1 -1 -1 -1");
}

} // namespace
