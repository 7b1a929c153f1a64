// The CObject methods over a small scene: a camera, a dynamic crate with one
// box shape, a trigger, a light and an instance of a template holding an item
// and a group, with a 2D scene as its user interface; a second scene without
// a physics world. Vectors reach scripts through test natives made in C:
// Vec(x, y, z) makes one, Text(v) prints x,y,z and Translation(m) prints the
// matrix's row 3.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "render/texture.h"
#include "scene/group.h"
#include "scene/instance.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "scene/trigger.h"
#include "script/script_api.h"
#include "script/value_classes.h"
#include "scriptapi/script_api_groups.h"
#include "tests/scriptapi/api_fixture.h"
#include "ui/scene2d.h"

namespace {

SQInteger MakeVector(HSQUIRRELVM vm) {
    SQFloat values[3] = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < 3; ++i)
        sq_getfloat(vm, 2 + i, &values[i]);
    return PushVectorInstance(vm, values[0], values[1], values[2], 1.0f) ? 1 : -1;
}

SQInteger PushText(HSQUIRRELVM vm, const zVector& value) {
    char text[96];
    std::snprintf(text, sizeof(text), "%g,%g,%g", value.x, value.y, value.z);
    sq_pushstring(vm, text, -1);
    return 1;
}

SQInteger VectorText(HSQUIRRELVM vm) {
    float values[4];
    if (!GetVectorArgument(vm, 2, values)) return -1;
    return PushText(vm, zVector(values[0], values[1], values[2], values[3]));
}

SQInteger MatrixTranslation(HSQUIRRELVM vm) {
    zMatrix4 matrix;
    if (!GetMatrix4Argument(vm, 2, matrix)) return -1;
    return PushText(vm, matrix.GetRow(3, true));
}

class SceneInterface : public zSceneUserInterface {
  public:
    explicit SceneInterface(zScene2D* scene2D) : m_scene2D(scene2D) {}
    void Clear() override {}
    void Render(bool) override {}
    u32 GetWindowCount() const override { return 0; }
    zScene2D* GetScene2D() const override { return m_scene2D; }

  private:
    zScene2D* m_scene2D;
};

std::string SceneText(const std::string& items, const std::string& rest = "") {
    return "<ZML=1.0>\n<Scene=<Items=" + items + ">" + rest + ">\n";
}

std::string ObjectTag(const char* name, int uid) {
    return std::string("<MObject=<MItem=<Id=\"") + name + "\"><UId=" + std::to_string(uid) + "><Active>>>";
}

class CObjectTest : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        WriteFile("tpl.zms", SceneText(ObjectTag("inner", 0), "<Groups=<Group=<Id=\"parts\"><Item=0>>>"));
        WriteFile("extra.zms", SceneText(ObjectTag("pebble", 0)));

        scene = new zScene(&engine, &vm);
        ASSERT_TRUE(scene->CreatePhysicWorld());
        scene->SetName("level");
        scene2D = new zScene2D(&engine, &vm);
        scene->SetUserInterface(std::make_unique<SceneInterface>(scene2D.Get()));
        eye = scene->AddCamera("eye");
        crate = scene->AddObject("crate", nullptr);
        zone = scene->AddTrigger("zone");
        lamp = scene->AddLight("lamp", 1, 1.0f);
        instance = scene->AddInstance("inst", "tpl.zms");
        ASSERT_TRUE(eye && crate && zone && lamp && instance);
        crate->GetItem()->SetPosition(zVector(5.0f, 0.0f, 0.0f, 1.0f));
        zPhysicItem* body = crate->GetPhysicItem();
        ASSERT_TRUE(body);
        box = body->AddCollisionShape();
        box->SetPrimitive(PhysicShapeBox, zVector(1.0f, 1.0f, 1.0f, 1.0f));
        box->mass = 1.0f;
        body->SetMode(PhysicModeDynamic);
        scene->Setup(false, 0);
        ASSERT_TRUE(instance->GetGroup());

        bare = new zScene(&engine, &vm);
        pebble = bare->AddObject("pebble", nullptr);
        texture = engine.LoadTexture("none.tga", false, false);
        ASSERT_TRUE(texture);

        SetHandle("g_scene", scene.Get(), ScriptKindScene);
        SetHandle("g_ui", scene2D.Get(), ScriptKindWindowSystem);
        SetHandle("g_eye", static_cast<zMItem*>(eye), ScriptKindCamera);
        SetHandle("g_eyeItem", static_cast<zMItem*>(eye), ScriptKindItem);
        SetHandle("g_crate", static_cast<zMItem*>(crate), ScriptKindObject);
        SetHandle("g_crateItem", static_cast<zMItem*>(crate), ScriptKindItem);
        SetHandle("g_zone", static_cast<zMItem*>(zone), ScriptKindTrigger);
        SetHandle("g_lamp", static_cast<zMItem*>(lamp), ScriptKindLight);
        SetHandle("g_inst", static_cast<zMItem*>(instance), ScriptKindItem);
        SetHandle("g_group", instance->GetGroup(), ScriptKindGroup);
        SetHandle("g_bare", bare.Get(), ScriptKindScene);
        SetHandle("g_pebble", static_cast<zMItem*>(pebble), ScriptKindObject);
        SetHandle("g_texture", texture, ScriptKindTexture);
        SetHandle("g_nullScene", nullptr, ScriptKindScene);
        ASSERT_TRUE(RegisterScriptFunction(V(), MakeVector, "Vec", ".nnn"));
        ASSERT_TRUE(RegisterScriptFunction(V(), VectorText, "Text", ".x"));
        ASSERT_TRUE(RegisterScriptFunction(V(), MatrixTranslation, "Translation", ".x"));
        log.Reset();
    }

    // The scenes go while the VM is open: their items' handles are
    // invalidated through it.
    void TearDown() override {
        scene = static_cast<zScene*>(nullptr);
        bare = static_cast<zScene*>(nullptr);
        scene2D = static_cast<zScene2D*>(nullptr);
        ScriptApiFixture::TearDown();
    }

    zSharedPtr<zScene> scene;
    zSharedPtr<zScene> bare;
    zSharedPtr<zScene2D> scene2D;
    zMCamera* eye = nullptr;
    zMObject* crate = nullptr;
    zTrigger* zone = nullptr;
    zMLight* lamp = nullptr;
    zInstance* instance = nullptr;
    zMObject* pebble = nullptr;
    zPhysicShape* box = nullptr;
    zTexture* texture = nullptr;
};

TEST_F(CObjectTest, NamesAndTheItemsScene) {
    const ScriptRow rows[] = {
        {"print(typeof g_scene)", "CObject"},
        {"print(g_scene.name())", "level"},
        {"print(g_eye.name() + g_zone.name() + g_lamp.name())", "eyezonelamp"},
        {"g_crateItem.setName(\"box\"); print(g_crate.name())", "box"},
        // name works on scenes, setName does not.
        {"g_scene.setName(\"x\")", "error: Cannot set object name"},
        {"g_group.name()", "error: Object has no name"},
        {"CObject().name()", "error: Object has no name"},
        {"g_scene.name(1)", "error: wrong number of parameters"},
        {"g_crate.setName(3)", "error: parameter 1 has an invalid type 'integer' ; expected: 'string'"},
        // this must be a CObject holding a record.
        {"g_crate.name.call(Vec(1, 2, 3))", "error: Invalid instance type"},
        {"print(ObjectIsSame(g_crate.scene(), g_scene)); print(g_crate.scene().type())", "true\n9"},
    };
    ExpectScripts(rows);
}

TEST_F(CObjectTest, EveryMethodIsOnTheClassOnce) {
    const ScriptRow rows[] = {
        {"local count = 0; foreach (name, member in CObject) count++; print(count)", "64"},
    };
    ExpectScripts(rows);
    // _typeof and _cmp are metamethods, not members; a second registration is
    // refused name by name.
    EXPECT_FALSE(RegisterCObjectMethods(V()));
}

TEST_F(CObjectTest, TransformationsOfItemsAndShapes) {
    const ScriptRow rows[] = {
        // A camera moves like any item.
        {"g_eye.setPosition(Vec(1, 2, 3)); print(Text(g_eye.position()))", "1,2,3"},
        {"print(Text(g_eye.worldPosition())); print(Translation(g_eye.matrix()))", "1,2,3\n1,2,3"},
        {"g_lamp.setRotation(Vec(0, 1.5, 0)); print(Text(g_lamp.rotation()))", "0,1.5,0"},
        // A shape's position is local to its item (the crate stands at x = 5).
        {"print(Text(g_crate.collisionShape(0).position()))", "0,0,0"},
        {"local s = g_crate.collisionShape(0); s.setPosition(Vec(0, 1, 0)); print(Text(s.position()))",
         "0,1,0"},
        {"local s = g_crate.collisionShape(0); s.setRotation(Vec(0.5, 0, 0)); print(Text(s.rotation()))",
         "0.5,0,0"},
        {"print(Text(g_crate.position()))", "5,0,0"},
        {"g_scene.position()", "error: Object has no position"},
        {"g_scene.setPosition(Vec(0, 0, 0))", "error: Object has no position"},
        {"g_texture.rotation()", "error: Object has no rotation"},
        {"g_eye.setPosition(g_scene)", "error: Invalid instance type"},
        {"g_eye.setPosition(3)", "error: parameter 1 has an invalid type 'integer' ; expected: 'instance'"},
        {"g_scene.matrix()", "error: Object is not an item"},
        {"g_crateItem.findItem(\"nobody\").position()", "error: Item is null"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(box->position.y, 1.0f);
    EXPECT_EQ(box->rotation.x, 0.5f);
    EXPECT_EQ(eye->GetWorldMatrix()->GetRow(3, true).z, 3.0f);
}

TEST_F(CObjectTest, ParentsAndTargets) {
    const zVector target(1.0f, 2.0f, 3.0f, 1.0f);
    crate->GetItem()->SetTarget(&target);
    ASSERT_TRUE(crate->GetItem()->GetFlags() & ItemHasTarget);
    const ScriptRow rows[] = {
        {"g_crate.setNoTarget()", ""},
        {"g_zone.setParent(g_eye)", ""},
        {"g_lamp.setParent(g_zone); g_lamp.setParent(CObject())", ""},
        {"g_lamp.setParent(g_scene)", "error: Object is not an item"},
        {"g_lamp.setParent(Vec(0, 0, 0))", "error: Invalid instance type"},
        {"g_scene.setParent(g_eye)", "error: Object is not an item"},
    };
    ExpectScripts(rows);
    EXPECT_FALSE(crate->GetItem()->GetFlags() & ItemHasTarget);
    EXPECT_EQ(zone->GetItem()->GetParent(), eye->GetItem());
    EXPECT_EQ(lamp->GetItem()->GetParent(), nullptr);
}

TEST_F(CObjectTest, ScenesAndTheirCameras) {
    const ScriptRow rows[] = {
        // Any handle of the item family may carry the camera.
        {"g_scene.setCurrentCamera(g_eyeItem); local c = g_scene.currentCamera(); print(c.name() + c.type())",
         "eye25"},
        {"g_scene.setCurrentCamera(g_eye); print(ObjectIsSame(g_scene.currentCamera(), g_eyeItem))", "true"},
        {"g_scene.setCurrentCamera(g_crate)", "error: Item is not a camera"},
        {"g_scene.setCurrentCamera(g_scene)", "error: Object is not an item"},
        {"g_bare.setCurrentCamera(g_eye)", "error: Camera is not in this scene"},
        {"g_crate.currentCamera()", "error: Object is not a scene"},
        {"print(g_bare.currentCamera().isValid())", "false"},
        {"g_nullScene.currentCamera()", "error: Scene is null"},
        {"print(ObjectIsSame(g_scene.ui(), g_ui)); print(g_scene.ui().type())", "true\n12"},
        {"print(g_bare.ui().isValid())", "false"},
        {"g_bare.ui().globalFade()", "error: Scene 2d is null"},
        {"g_ui.ui()", "error: Object is not a scene"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(scene->GetCurrentCamera(), eye);
}

TEST_F(CObjectTest, GroupsAndItemsAreFound) {
    const std::string byUid = "print(g_scene.findItem(" + std::to_string(crate->GetUid()) + ").name())";
    EXPECT_EQ(Printed(byUid), "crate");
    const std::string groupUid = "print(g_group.findItem(" +
                                 std::to_string(instance->GetGroup()->GetItems().GetHead()->value->GetUid()) +
                                 ").name())";
    EXPECT_EQ(Printed(groupUid), "inner");
    const ScriptRow rows[] = {
        {"local i = g_scene.findItem(\"crate\"); print(i.name() + i.type())", "crate24"},
        {"print(g_scene.findItem(\"nobody\").isValid())", "false"},
        // An instance searches the group it holds, a plain item nothing.
        {"print(g_inst.findItem(\"inner\").name())", "inner"},
        {"print(g_inst.findGroup(\"parts\").type())", "23"},
        {"print(g_crateItem.findItem(\"inner\").isValid()); print(g_crateItem.findItem(0).type())",
         "false\n24"},
        {"print(g_crateItem.findGroup(\"parts\").isValid())", "false"},
        {"print(g_group.findItem(\"inner\").name())", "inner"},
        {"print(g_group.findGroup(\"parts\").findItem(\"inner\").name())", "inner"},
        {"print(ObjectIsSame(g_scene.findGroup(\"tpl.zms\"), g_group))", "true"},
        {"print(g_scene.findGroup().isValid())", "false"},
        {"g_texture.findItem(\"x\")", "error: Object does not manage items"},
        {"g_eye.findItem(\"x\")", "error: Object does not manage items"},
        {"g_texture.findGroup(\"x\")", "error: Object does not manage groups"},
        {"g_scene.findItem(1.5)",
         "error: parameter 1 has an invalid type 'float' ; expected: 'integer|string'"},
        {"g_scene.findGroup(\"none\").findItem(\"x\")", "error: Object is null"},
        {"g_nullScene.findGroup(\"x\")", "error: Scene is null"},
    };
    ExpectScripts(rows);
}

TEST_F(CObjectTest, ObjectsAddedAndFilesLoaded) {
    const ScriptRow rows[] = {
        {"local o = g_scene.addObject(); print(o.name() + o.type())", "New Object26"},
        {"print(ObjectIsSame(g_scene.addObject(\"rock\").scene(), g_scene))", "true"},
        {"local g = g_engine.loadGeometry(\"rock.zge\"); print(g_scene.addObject(\"r\", g).name())", "r"},
        {"g_scene.addObject(\"r\", g_texture)", "error: Expected 'Geometry' got 'Texture'"},
        {"g_scene.addObject(\"r\", CObject())", "error: C Object is null"},
        {"g_scene.addObject(\"r\", Vec(0, 0, 0))", "error: Invalid instance type"},
        {"g_scene.addObject(\"r\", g_engine.loadGeometry(\"rock.zge\"), 3)", "error: Too many parameters"},
        {"g_scene.addObject(3)", "error: parameter 1 has an invalid type 'integer' ; expected: 'string'"},
        {"g_crate.addObject()", "error: Object is not a scene"},
        // load makes a group of the file's items; an integer third argument
        // is the load flags.
        {"local g = g_scene.load(\"extra.zms\"); print(g.type()); print(g.findItem(\"pebble\").name())",
         "23\npebble"},
        {"print(g_bare.load(\"extra.zms\", 0).findItem(\"pebble\").isValid())", "false"},
        {"print(g_bare.load(\"extra.zms\", \"x\").findItem(\"pebble\").isValid())", "true"},
        {"g_crate.load(\"extra.zms\")", "error: Object cannot be loaded"},
    };
    ExpectScripts(rows);
    EXPECT_NE(scene->FindByName(ManagedKindObject, "New Object"), nullptr);
    auto* withGeometry = static_cast<zMObject*>(scene->FindByName(ManagedKindObject, "r"));
    ASSERT_NE(withGeometry, nullptr);
    EXPECT_NE(withGeometry->GetGeometry(), nullptr);
}

TEST_F(CObjectTest, GeometriesLoadThroughTheEngine) {
    const ScriptRow rows[] = {
        {"print(g_engine.loadGeometry(\"a.zge\").type())", "35"},
        {"print(ObjectIsSame(g_engine.loadGeometry(\"a.zge\"), g_engine.loadGeometry(\"a.zge\", false)))",
         "true"},
        {"print(ObjectIsSame(g_engine.loadGeometry(\"a.zge\", true), g_engine.loadGeometry(\"a.zge\")))",
         "false"},
        {"g_engine.loadGeometry(\"a.zge\", 1)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'bool'"},
        {"g_scene.loadGeometry(\"a.zge\")", "error: Invalid type"},
    };
    ExpectScripts(rows);
}

TEST_F(CObjectTest, PhysicsFrequencyOfScenes) {
    const ScriptRow rows[] = {
        {"g_scene.setPhysicsFrequency(60); print(g_scene.physicsFrequency())", "60"},
        {"g_scene.setPhysicsFrequency(120.0); print(g_scene.physicsFrequency())", "120"},
        // A frequency of 0 would be an endless step: refused, the old one stays.
        {"g_scene.setPhysicsFrequency(0); print(g_scene.physicsFrequency())", "120"},
        {"g_bare.setPhysicsFrequency(30); print(g_bare.physicsFrequency())", "0"},
        {"g_eye.physicsFrequency()", "error: Object is not a scene"},
    };
    ExpectScripts(rows);
}

TEST_F(CObjectTest, ItemPhysics) {
    const ScriptRow rows[] = {
        {"print(g_crate.physicsMode()); g_crate.setPhysicsMode(2); print(g_crateItem.physicsMode())", "3\n2"},
        {"g_crate.setPhysicsMode(3)", ""},
        {"g_crate.setCollisionMask(5); print(g_crate.collisionMask())", "5"},
        {"g_crate.setSelfMask(6); print(g_crate.selfMask())", "6"},
        {"print(g_crate.physicsActive()); g_crate.setPhysicsActive(false); print(g_crate.physicsActive())",
         "true\nfalse"},
        {"g_crate.setPhysicsActive(true)", ""},
        {"g_crate.setLinearVelocity(Vec(1, 0, 0)); print(Text(g_crate.linearVelocity()))", "1,0,0"},
        {"g_crate.setAngularVelocity(Vec(0, 2, 0)); print(Text(g_crate.angularVelocity()))", "0,2,0"},
        {"print(g_crate.collisionShapeCount()); print(g_crate.collisionShape(0).type())", "1\n37"},
        {"print(g_crate.collisionShape(1).isValid()); print(g_crate.collisionShape(-1).isValid())",
         "false\nfalse"},
        {"g_crate.collisionShape(1).mass()", "error: Object is null"},
        {"g_pebble.physicsMode()", "error: Item has no physics component."},
        {"g_pebble.addCollisionShape()", "error: Item has no physics component."},
        {"g_scene.physicsMode()", "error: Object is not an item"},
        {"g_crate.setLinearVelocity(g_eye)", "error: Invalid instance type"},
        {"g_crate.applyImpulse(Vec(0, 0, 1), g_eye)", "error: Invalid instance type"},
        {"g_crate.setPhysicsMode(1.5)",
         "error: parameter 1 has an invalid type 'float' ; expected: 'integer'"},
    };
    ExpectScripts(rows);
    zPhysicItem* body = crate->GetPhysicItem();
    EXPECT_EQ(body->GetCollisionMask(), 5u);
    EXPECT_EQ(body->GetSelfMask(), 6u);
}

TEST_F(CObjectTest, ImpulsesAndForcesMoveTheBody) {
    zPhysicItem* body = crate->GetPhysicItem();
    EXPECT_EQ(Printed("g_crate.applyLinearImpulse(Vec(0, 0, 2)); print(Text(g_crate.linearVelocity()))"),
              "0,0,2");
    // An impulse off the centre turns the body as well.
    EXPECT_EQ(
        Printed(
            "g_crate.setLinearVelocity(Vec(0, 0, 0)); g_crate.applyImpulse(Vec(0, 0, 1), Vec(5, 0.5, 0))"),
        "");
    EXPECT_GT(body->GetLinearVelocity().z, 0.0f);
    const zVector spin = body->GetAngularVelocity();
    EXPECT_GT(spin.x * spin.x + spin.y * spin.y + spin.z * spin.z, 0.0f);

    // Factors of 0 keep the body from moving and turning along those axes.
    EXPECT_EQ(
        Printed("g_crate.setLinearVelocity(Vec(0, 0, 0)); g_crate.setAngularVelocity(Vec(0, 0, 0));"
                "g_crate.setLinearFactor(Vec(1, 0, 1)); g_crate.setAngularFactor(Vec(0, 0, 0));"
                "g_crate.applyImpulse(Vec(0, 3, 0), Vec(5, 0, 0.5)); print(Text(g_crate.linearVelocity()));"
                "print(Text(g_crate.angularVelocity()))"),
        "0,0,0\n0,0,0");
    EXPECT_EQ(Printed("g_crate.setLinearFactor(Vec(1, 1, 1)); g_crate.setAngularFactor(Vec(1, 1, 1))"), "");

    // A force acts over the next step: with gravity cancelled by an upward
    // force of m g, only the sideways force is left.
    EXPECT_EQ(
        Printed("g_crate.setLinearVelocity(Vec(0, 0, 0)); g_crate.setAngularVelocity(Vec(0, 0, 0));"
                "g_crate.applyLinearForce(Vec(0, 9.8, 0)); g_crate.applyForce(Vec(6, 0, 0), Vec(5, 0, 0))"),
        "");
    scene->GetPhysicWorld()->Step(scene->GetPhysicWorld()->GetFixedTimeStep());
    const zVector velocity = body->GetLinearVelocity();
    EXPECT_NEAR(velocity.x, 6.0f * scene->GetPhysicWorld()->GetFixedTimeStep(), 1e-3f);
    EXPECT_NEAR(velocity.y, 0.0f, 1e-3f);
}

TEST_F(CObjectTest, CollisionShapes) {
    struct Case {
        const char* script;
        u32 type;
        zVector dimensions;
        const char* geometryName;
    };
    const Case cases[] = {
        {"s.setBox(Vec(1, 2, 3))", PhysicShapeBox, zVector(1, 2, 3, 1), ""},
        {"s.setSphere(0.5)", PhysicShapeSphere, zVector(0.5f, 0, 0, 1), ""},
        {"s.setCapsule(0.5, 2)", PhysicShapeCapsule, zVector(0.5f, 2, 0, 1), ""},
        {"s.setCylinder(1, 3)", PhysicShapeCylinder, zVector(1, 3, 0, 1), ""},
        {"s.setConvex(\"hull.zge\")", PhysicShapeConvex, zVector(1, 3, 0, 1), "hull.zge"},
        {"s.setMesh(\"ground.zge\")", PhysicShapeMesh, zVector(1, 3, 0, 1), "ground.zge"},
    };
    for (const Case& entry : cases) {
        EXPECT_EQ(Printed(std::string("local s = g_crate.collisionShape(0); ") + entry.script), "")
            << entry.script;
        EXPECT_EQ(box->type, entry.type) << entry.script;
        EXPECT_EQ(box->dimensions.x, entry.dimensions.x) << entry.script;
        EXPECT_EQ(box->dimensions.y, entry.dimensions.y) << entry.script;
        EXPECT_EQ(box->dimensions.z, entry.dimensions.z) << entry.script;
        EXPECT_EQ(box->dimensions.w, entry.dimensions.w) << entry.script;
        EXPECT_EQ(std::string(box->geometryName.CStr() ? box->geometryName.CStr() : ""), entry.geometryName)
            << entry.script;
    }
    const ScriptRow rows[] = {
        {"local s = g_crate.collisionShape(0); s.setMass(2.5); print(s.mass())", "2.5"},
        {"local s = g_crate.collisionShape(0); s.setStaticFriction(0.25); print(s.staticFriction())", "0.25"},
        {"local s = g_crate.collisionShape(0); s.setDynamicFriction(0.75); print(s.dynamicFriction())",
         "0.75"},
        {"local s = g_crate.collisionShape(0); s.setRestitution(1); print(s.restitution())", "1"},
        {"local s = g_crate.addCollisionShape(); print(\"\" + s.type() + \" \" + s.mass()); "
         "print(g_crate.collisionShapeCount())",
         "37 0\n2"},
        {"g_crate.mass()", "error: Invalid type"},
        {"g_crate.collisionShape(0).setBox(g_scene)", "error: Invalid instance type"},
        {"g_crate.collisionShape(0).name()", "error: Object has no name"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(box->mass, 2.5f);
    EXPECT_EQ(box->staticFriction, 0.25f);
    EXPECT_EQ(box->dynamicFriction, 0.75f);
    EXPECT_EQ(box->restitution, 1.0f);
}

// A shape's handle goes with the item that owns the shape.
TEST_F(CObjectTest, HandlesOfADeletedItemAndItsShapesGoDead) {
    ASSERT_EQ(Printed("::shape <- g_crate.collisionShape(0); print(shape.isValid())"), "true");
    scene->QueueForDeletion(crate);
    scene->FlushDeletionQueue();
    crate = nullptr;
    const ScriptRow rows[] = {
        {"print(shape.isValid()); print(shape.type())", "false\n1"},
        {"shape.mass()", "error: Invalid type"},
        {"g_crate.name()", "error: Object has no name"},
        {"g_crateItem.physicsMode()", "error: Object is not an item"},
    };
    ExpectScripts(rows);
}

// The handles of a scene's 2D scene go when the interface holding it goes:
// replaced by one over another 2D scene, or with the scene.
TEST_F(CObjectTest, TheUserInterfaceHandleGoesWithItsInterface) {
    ASSERT_EQ(Printed("::ui <- g_scene.ui(); ::bareUi <- g_bare.ui(); print(ui.isValid())"), "true");
    scene->SetUserInterface(std::make_unique<SceneInterface>(scene2D.Get()));
    EXPECT_EQ(Printed("print(ui.isValid())"), "true");

    zSharedPtr<zScene2D> other(new zScene2D(&engine, &vm));
    bare->SetUserInterface(std::make_unique<SceneInterface>(other.Get()));
    EXPECT_EQ(Printed("print(ObjectIsSame(g_bare.ui(), bareUi)); ::bareUi <- g_bare.ui()"), "false");
    bare->SetUserInterface(std::make_unique<SceneInterface>(scene2D.Get()));
    EXPECT_EQ(Printed("print(bareUi.isValid())"), "false");

    scene = static_cast<zScene*>(nullptr);
    const ScriptRow rows[] = {
        {"print(ui.isValid()); print(ui.type())", "false\n1"},
        {"ui.globalFade()", "error: Object is not a scene 2d"},
        {"g_scene.ui()", "error: Object is not a scene"},
    };
    ExpectScripts(rows);
}

TEST_F(CObjectTest, CommandListsAndTheGlobalFade) {
    const ScriptRow rows[] = {
        {"print(g_ui.isCommandListDone()); print(g_ui.setCommandList(\"nop 1;\")); "
         "print(g_ui.isCommandListDone())",
         "true\n2\nfalse"},
        {"print(g_eye.isCommandListDone()); print(g_eye.setCommandList(\"toposition 1, 1,2,3;\"));"
         "print(g_eye.isCommandListDone())",
         "true\n2\nfalse"},
        {"print(g_zone.setCommandList(\"bogus 1;\")); print(g_zone.isCommandListDone())", "-1\ntrue"},
        {"g_engine.setCommandList(\"nop 1;\")", "error: Object cannot execute command lists"},
        {"g_scene.isCommandListDone()", "error: Object cannot execute command lists"},
        {"g_ui.setGlobalFade(0.25); print(g_ui.globalFade())", "0.25"},
        {"g_ui.setGlobalFade(3); print(g_ui.globalFade())", "1"},
        {"g_ui.setGlobalFade(-1); print(g_ui.globalFade())", "0"},
        {"g_scene.globalFade()", "error: Object is not a scene 2d"},
        {"g_scene.setGlobalFade(1)", "error: Object is not a scene 2d"},
    };
    ExpectScripts(rows);
    // The item's list runs through the scene's vocabulary.
    EXPECT_NE(static_cast<zACEUnit*>(eye)->GetCursor(), nullptr);
}

} // namespace
