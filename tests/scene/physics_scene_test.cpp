// The scene's physics: bodies of managed items, their tags, the copy back of
// dynamic bodies, collision events and constraints through item deletion.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>

#include "markup/meta_tag.h"
#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "scene/managed_constraint.h"
#include "tests/scene/scene_fixture.h"

namespace {

class PhysicsScene : public SceneFixture {
  public:
    void SetUp() override {
        SceneFixture::SetUp();
        ASSERT_TRUE(scene->CreatePhysicWorld());
    }
    // An item at position with one shape of that type; set up (body built).
    TestItem* Body(const char* name, u32 mode, u32 type, const zVector& size, const zVector& position) {
        return BodyIn(*scene, name, mode, type, size, position);
    }
    TestItem* BodyIn(zScene& into, const char* name, u32 mode, u32 type, const zVector& size,
                     const zVector& position) {
        TestItem* item = into.AddItem(name, "[!] test item\n", [&] { return new TestItem(&into); });
        item->zItem::SetPosition(position);
        zPhysicItem* physics = item->GetPhysicItem();
        EXPECT_TRUE(physics);
        zPhysicShape* shape = physics->AddCollisionShape();
        shape->SetPrimitive(type, size);
        shape->mass = mode == PhysicModeDynamic ? 1.0f : 0.0f;
        physics->SetMode(mode);
        item->Setup();
        return item;
    }
};

TEST_F(PhysicsScene, DynamicBodiesMoveTheirItemsAndKeepTheirScale) {
    TestItem* crate = Body("crate", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(0, 10, 0, 1));
    crate->zItem::SetScale(zVector(2, 2, 2, 1));
    TestItem* still = Body("still", PhysicModeStatic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(9, 10, 0, 1));
    crate->Reset();
    SetFrameTime(500);
    for (int frame = 0; frame < 10; ++frame)
        scene->Update(UpdateAll);
    const zMatrix4 world = *crate->GetWorldMatrix();
    // 0.5 s of fall: about 10 - 9.8 * 0.5^2 / 2.
    EXPECT_NEAR(world.GetRow(3, true).y, 10.0f - 1.225f, 0.1f);
    const zVector axis = world.GetRow(0, false);
    EXPECT_NEAR(std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z), 2.0f, 1e-4f);
    // Static bodies leave their items alone.
    EXPECT_EQ(still->GetWorldMatrix()->GetRow(3, true).y, 10.0f);

    // Reset puts the body back where the item is.
    crate->zItem::SetPosition(zVector(0, 10, 0, 1));
    crate->Reset();
    EXPECT_EQ(crate->GetPhysicItem()->GetLinearVelocity().y, 0.0f);
    EXPECT_NEAR(crate->GetPhysicItem()->GetCenterOfMass().y, 10.0f, 1e-5f);
}

bool SameBits(const void* a, const void* b, size_t size) {
    return std::memcmp(a, b, size) == 0;
}

// What a copy back writes into an item, compared bit for bit.
void ExpectSameItem(TestItem* actual, TestItem* expected, int frame) {
    const zItem& a = *actual;
    const zItem& e = *expected;
    EXPECT_TRUE(SameBits(actual->GetWorldMatrix(), expected->GetWorldMatrix(), sizeof(zMatrix4))) << frame;
    EXPECT_TRUE(SameBits(actual->GetLocalMatrix(), expected->GetLocalMatrix(), sizeof(zMatrix4))) << frame;
    EXPECT_TRUE(SameBits(actual->GetRotationMatrix(), expected->GetRotationMatrix(), sizeof(zMatrix3)))
        << frame;
    EXPECT_TRUE(SameBits(a.GetPosition(), e.GetPosition(), sizeof(zVector))) << frame;
    EXPECT_TRUE(SameBits(a.GetRotation(), e.GetRotation(), sizeof(zVector))) << frame;
    EXPECT_TRUE(SameBits(a.GetScale(), e.GetScale(), sizeof(zVector))) << frame;
    EXPECT_EQ(a.GetFlags(), e.GetFlags()) << frame;
}

// Copies into items that nothing changed since, from bodies that did not
// move, are skipped; a twin scene that always copies (each of its items
// touched before every update) must end with the same bits. One box lands
// flat; the others land turned, so the rounding of their copies may change
// their scales every frame, asleep or not. A plain item under a box is
// brought up to date after each update: every copy into its parent marks it
// again. At frame 300, all asleep, a script moves the boxes: the copy puts
// them back where their bodies are.
TEST_F(PhysicsScene, SkippedCopiesOfRestingBodiesEqualFullCopies) {
    const zVector turns[] = {zVector(0.0f, 0.0f, 0.0f, 1), zVector(0.3f, 0.7f, 0.2f, 1),
                             zVector(1.1f, 0.2f, 2.9f, 1), zVector(0.05f, 1.3f, 0.6f, 1),
                             zVector(2.2f, 0.4f, 0.1f, 1)};
    const zVector scales[] = {zVector(1, 1, 1, 1), zVector(1.5f, 0.5f, 2.0f, 1)};
    constexpr int BoxCount = 10;
    zSharedPtr<zScene> twin(new zScene(&engine, &vm));
    ASSERT_TRUE(twin->CreatePhysicWorld());
    TestItem* boxes[2][BoxCount];
    TestItem* children[2];
    zScene* scenes[2] = {scene.Get(), twin.Get()};
    for (int s = 0; s < 2; ++s) {
        BodyIn(*scenes[s], "floor", PhysicModeStatic, PhysicShapeBox, zVector(80, 1, 80, 1),
               zVector(0, 0, 0, 1));
        for (int b = 0; b < BoxCount; ++b) {
            TestItem* box = BodyIn(*scenes[s], "box", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1),
                                   zVector(f32(b) * 5.0f - 25.0f, 2.5f, 0, 1));
            box->zItem::SetRotation(turns[b % 5]);
            box->zItem::SetScale(scales[b / 5]);
            box->Reset();
            boxes[s][b] = box;
        }
        children[s] = scenes[s]->AddItem("child", "[!] test item\n", [&] { return new TestItem(scenes[s]); });
        children[s]->zItem::SetParent(boxes[s][1]);
    }
    SetFrameTime(166);
    for (int frame = 0; frame < 360; ++frame) {
        const zVector before = *boxes[0][0]->zItem::GetPosition();
        if (frame == 300) {
            for (TestItem* box : boxes[0]) {
                ASSERT_TRUE(box->GetPhysicItem()->IsSleeping());
            }
            for (auto& side : boxes) {
                for (TestItem* box : side)
                    box->zItem::SetPosition(zVector(9, 9, 9, 1));
            }
        }
        for (TestItem* box : boxes[1])
            box->zItem::SetFlags(box->GetFlags());
        const u32 revision = boxes[0][0]->GetRevision();
        scene->Update(UpdateAll);
        twin->Update(UpdateAll);
        for (int b = 0; b < BoxCount; ++b)
            ExpectSameItem(boxes[0][b], boxes[1][b], frame);
        EXPECT_EQ(children[0]->GetFlags(), children[1]->GetFlags()) << frame;
        EXPECT_NE(children[0]->GetFlags() & ItemWorldDirty, 0u) << frame;
        for (TestItem* child : children)
            child->GetWorldMatrix();
        // The flat box at rest is skipped; moved, it goes back.
        if (frame == 299) {
            EXPECT_EQ(boxes[0][0]->GetRevision(), revision);
        }
        if (frame == 300) {
            EXPECT_NE(boxes[0][0]->GetRevision(), revision);
            EXPECT_TRUE(SameBits(&before, boxes[0][0]->zItem::GetPosition(), sizeof before));
        }
    }
}

TEST_F(PhysicsScene, ActivationSwitchesCollision) {
    TestItem* crate = Body("crate", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(0, 0, 0, 1));
    zPhysicItem* body = crate->GetPhysicItem();
    ASSERT_TRUE(body->IsCollisionActive());
    crate->Activate(false, false);
    scene->Update(0);
    EXPECT_FALSE(body->IsCollisionActive());
    crate->Activate(true, false);
    scene->Update(0);
    EXPECT_TRUE(body->IsCollisionActive());
    scene->SetItemActive(crate, false);
    EXPECT_FALSE(body->IsCollisionActive());
}

// An "MItem" tag with the given physics children.
std::unique_ptr<zMetaTag> ItemTag(zMetaTag* physics, zMetaTag* second = nullptr) {
    std::unique_ptr<zMetaTag> tag(new zMetaTag("MItem"));
    tag->AddChild(new zMetaTag("Id", "i"));
    tag->AddChild(new zMetaTag("UId", 3));
    tag->AddChild(physics);
    if (second) tag->AddChild(second);
    return tag;
}

zMetaTag* ShapesTag(const char* id) {
    auto* tag = new zMetaTag(id);
    auto* shapes = new zMetaTag("Shapes");
    auto* shape = new zMetaTag("PhysicShape");
    shape->AddChild(new zMetaTag("Type", "Sphere"));
    shape->AddChild(new zMetaTag("Mass", 2.0f));
    shapes->AddChild(shape);
    tag->AddChild(shapes);
    return tag;
}

TEST_F(PhysicsScene, ItemTagsCarryTheBody) {
    // "PhysicItem" with shapes and no mode: static.
    TestItem* item = Add("i");
    std::unique_ptr<zMetaTag> tag = ItemTag(ShapesTag("PhysicItem"));
    ASSERT_TRUE(item->zMItem::ParseTag(nullptr, tag.get()));
    zPhysicItem* body = item->GetPhysicItem();
    EXPECT_EQ(body->GetMode(), PhysicModeStatic);
    ASSERT_EQ(body->GetShapes().GetCount(), 1u);
    std::unique_ptr<zMetaTag> written(item->zMItem::SerializeTag());
    ASSERT_TRUE(written);
    EXPECT_NE(written->GetTag("PhysicItem:Shapes:PhysicShape;"), nullptr);

    // Legacy "GColItem" with its masks.
    zMetaTag* gcol = ShapesTag("GColItem");
    gcol->AddChild(new zMetaTag("SelfMask", 8));
    gcol->AddChild(new zMetaTag("Mask", 12));
    tag = ItemTag(gcol);
    ASSERT_TRUE(item->zMItem::ParseTag(nullptr, tag.get()));
    EXPECT_EQ(body->GetSelfMask(), 8u);
    EXPECT_EQ(body->GetCollisionMask(), 12u);
    EXPECT_EQ(body->GetShapes().GetHead()->value->mass, 2.0f);

    // "TauItem" without "Mode:Rigid" makes the shapes massless; with it the
    // item is dynamic.
    tag = ItemTag(ShapesTag("GColItem"), new zMetaTag("TauItem"));
    tag->GetTag("TauItem")->AddChild(new zMetaTag("Mode"));
    ASSERT_TRUE(item->zMItem::ParseTag(nullptr, tag.get()));
    EXPECT_EQ(body->GetShapes().GetHead()->value->mass, 0.0f);
    tag->GetTag("TauItem:Mode;")->AddChild(new zMetaTag("Rigid"));
    body->SetMode(PhysicModeNone);
    ASSERT_TRUE(item->zMItem::ParseTag(nullptr, tag.get()));
    EXPECT_EQ(body->GetMode(), PhysicModeDynamic);
    EXPECT_EQ(body->GetShapes().GetHead()->value->mass, 2.0f);

    // No shape: the mode stays 0.
    TestItem* bare = Add("bare");
    tag = ItemTag(new zMetaTag("PhysicItem"));
    ASSERT_TRUE(bare->zMItem::ParseTag(nullptr, tag.get()));
    EXPECT_EQ(bare->GetPhysicItem()->GetMode(), PhysicModeNone);
}

TEST_F(PhysicsScene, ConstraintTagsRoundTrip) {
    zMConstraint* joint = scene->AddPointConstraint("joint");
    ASSERT_TRUE(joint && joint->GetConstraint());
    EXPECT_EQ(joint->GetKind(), ManagedKindConstraint);
    joint->GetConstraint()->SetType(PhysicConstraintHinge);
    joint->GetConstraint()->SetPivotB(zMatrix4::Translation(zVector(1, 2, 3, 1)));
    std::unique_ptr<zMetaTag> written(joint->SerializeTag());
    ASSERT_TRUE(written);
    EXPECT_EQ(written->GetName(), "MConstraint");
    zMConstraint* copy = scene->AddPointConstraint("copy");
    ASSERT_TRUE(copy->ParseTag(nullptr, written.get()));
    EXPECT_EQ(copy->GetConstraint()->GetType(), PhysicConstraintHinge);
    EXPECT_EQ(copy->GetConstraint()->GetPivotB().GetRow(3, true).z, 3.0f);
    EXPECT_EQ(copy->GetName(), "joint");

    // Another type word: 0, written without "Type".
    zMetaTag other("Constraint");
    other.AddChild(new zMetaTag("Type", "Slider"));
    other.AddChild(new zMetaTag("Spring"));
    log.Reset();
    ASSERT_TRUE(copy->GetConstraint()->ParseTag(&other));
    EXPECT_EQ(copy->GetConstraint()->GetType(), PhysicConstraintNone);
    EXPECT_EQ(log.Text(), "[*] Unknown tag 'Spring' in <PhysicConstraint>.\n");
    written.reset(copy->GetConstraint()->SerializeTag());
    EXPECT_EQ(written->GetTag("Type"), nullptr);
    zMetaTag wrong("Joint");
    log.Reset();
    EXPECT_FALSE(copy->ParseTag(nullptr, &wrong));
    EXPECT_EQ(log.Text(), "[!] Could not parse managed constraint. Root tag id is incorrect (Joint).\n");
}

// The bodies a constraint holds go away in every order the scene knows.
TEST_F(PhysicsScene, ConstraintsSurviveTheirBodies) {
    for (int scenario = 0; scenario < 3; ++scenario) {
        TestItem* a = Body("a", PhysicModeDynamic, PhysicShapeSphere, zVector(1, 1, 1, 1), zVector(0, 0, 0, 1));
        TestItem* b = Body("b", PhysicModeDynamic, PhysicShapeSphere, zVector(1, 1, 1, 1), zVector(3, 0, 0, 1));
        zMConstraint* joint = scene->AddPointConstraint("joint");
        joint->GetConstraint()->SetItemA(a->GetPhysicItem());
        joint->GetConstraint()->SetItemB(b->GetPhysicItem());
        SetFrameTime(500);
        scene->Update(UpdateAll);
        switch (scenario) {
        case 0:
            scene->QueueForDeletion(a);
            scene->Update(UpdateAll);
            EXPECT_EQ(joint->GetConstraint()->GetItemA(), nullptr);
            break;
        case 1:
            // A mode change rebuilds A's body under the constraint.
            a->GetPhysicItem()->SetMode(PhysicModeKinematic);
            a->Setup();
            EXPECT_EQ(joint->GetConstraint()->GetItemA(), a->GetPhysicItem());
            break;
        case 2:
            // The constraint goes first.
            scene->QueueForDeletion(joint);
            scene->Update(UpdateAll);
            EXPECT_EQ(a->GetPhysicItem()->GetConstraintCount(), 0u);
            break;
        }
        scene->Update(UpdateAll);
        scene->DeleteContent(false);
    }
}

// Script callbacks inside the physics tick delete items: the other item of a
// contact at once (a native), and the item itself through the queue.
zScene* g_scene = nullptr;

SQInteger DeleteOther(HSQUIRRELVM) {
    if (zMItem* other = g_scene->FindByName(ManagedKindObject, "floor")) delete other;
    if (zMItem* self = g_scene->FindByName(ManagedKindObject, "crate")) g_scene->QueueForDeletion(self);
    return 0;
}

TEST_F(PhysicsScene, TickSurvivesCallbacksThatDeleteItems) {
    WriteScript("crate.nut", R"(
class Vector { x = 0.0; y = 0.0; z = 0.0; w = 0.0; }
class Crate {
    function OnPhysicStep(i, flag) { }
    function OnCollisionEx(i, other, contact, flag) { print("ex " + contact.count + " " + contact.p.len()) }
    function OnCollision(i, other) { print("collision"); zap() }
}
)");
    sq_pushroottable(V());
    sq_pushstring(V(), "zap", -1);
    sq_newclosure(V(), DeleteOther, 0);
    sq_newslot(V(), -3, SQFalse);
    sq_pop(V(), 1);
    g_scene = scene.Get();
    TestItem* crate = Body("crate", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(0, 0.95f, 0, 1));
    Body("floor", PhysicModeStatic, PhysicShapeBox, zVector(10, 1, 10, 1), zVector(0, 0, 0, 1));
    zScriptUnit* unit = crate->NewScriptUnit();
    unit->SetScriptPath("crate.nut");
    unit->SetClassName("Crate");
    scene->Setup(false, 0);
    scene->Reset();
    SetFrameTime(500);
    log.Reset();
    scene->Update(UpdateAll);
    const std::string text = log.Text();
    // The floor went in the first contact; nothing more collides.
    EXPECT_EQ(text.find("collision"), text.rfind("collision")) << text;
    EXPECT_NE(text.find("[S] ex "), std::string::npos) << text;
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "floor"), nullptr);
    scene->Update(UpdateAll);
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "crate"), nullptr);
    EXPECT_FALSE(vm.IsKilled());
    g_scene = nullptr;
}

// Contacts whose items have no dispatcher are passed over before their
// points are copied; a contact with a dispatcher on either side still raises
// its events, whichever body the world names first.
TEST_F(PhysicsScene, ACollisionReachesTheOneScriptedSideOfAContact) {
    WriteScript("floor.nut", R"(
class Floor {
    function OnCollision(i, other) { print("floor hit") }
}
)");
    Body("crate", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(0, 0.95f, 0, 1));
    Body("loose", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(30, 0.95f, 0, 1));
    TestItem* floor = Body("floor", PhysicModeStatic, PhysicShapeBox, zVector(10, 1, 10, 1), zVector(0, 0, 0, 1));
    Body("other floor", PhysicModeStatic, PhysicShapeBox, zVector(10, 1, 10, 1), zVector(30, 0, 0, 1));
    zScriptUnit* unit = floor->NewScriptUnit();
    unit->SetScriptPath("floor.nut");
    unit->SetClassName("Floor");
    scene->Setup(false, 0);
    scene->Reset();
    SetFrameTime(500);
    log.Reset();
    scene->Update(UpdateAll);
    EXPECT_GE(scene->GetPhysicWorld()->GetContactCount(), 2u);
    EXPECT_NE(log.Text().find("[S] floor hit"), std::string::npos) << log.Text();
}

// Steps of a scene where no item has units raise nothing; a unit given
// later hears the contacts of the next step.
TEST_F(PhysicsScene, ACollisionIsHeardOnceAnItemGetsAUnit) {
    WriteScript("floor.nut", R"(
class Floor {
    function OnCollision(i, other) { print("floor hit") }
}
)");
    Body("crate", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(0, 0.95f, 0, 1));
    TestItem* floor =
        Body("floor", PhysicModeStatic, PhysicShapeBox, zVector(10, 1, 10, 1), zVector(0, 0, 0, 1));
    scene->Setup(false, 0);
    scene->Reset();
    SetFrameTime(500);
    log.Reset();
    scene->Update(UpdateAll);
    EXPECT_GE(scene->GetPhysicWorld()->GetContactCount(), 1u);
    EXPECT_EQ(log.Text().find("floor hit"), std::string::npos) << log.Text();
    zScriptUnit* unit = floor->NewScriptUnit();
    unit->SetScriptPath("floor.nut");
    unit->SetClassName("Floor");
    scene->Setup(false, 0);
    scene->Update(UpdateAll);
    EXPECT_NE(log.Text().find("[S] floor hit"), std::string::npos) << log.Text();
}

// Process seconds per box of the physics part of one update (the best of
// three) with count boxes resting on a floor, one contact each.
double RestingBoxesStep(PhysicsScene& fixture, zScene& scene, u32 count) {
    scene.DeleteContent(false);
    fixture.Body("floor", PhysicModeStatic, PhysicShapeBox, zVector(1000, 1, 1000, 1), zVector(0, 0, 0, 1));
    for (u32 i = 0; i < count; ++i) {
        const f32 x = static_cast<f32>(i % 128) * 3.0f - 192.0f;
        const f32 z = static_cast<f32>(i / 128) * 3.0f - 192.0f;
        fixture.Body("box", PhysicModeDynamic, PhysicShapeBox, zVector(1, 1, 1, 1), zVector(x, 0.9f, z, 1));
    }
    // Settle, so every box has its contact.
    for (int frame = 0; frame < 3; ++frame)
        scene.Update(UpdatePhysics | UpdateScripts);
    EXPECT_GE(scene.GetPhysicWorld()->GetContactCount(), count);
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const std::clock_t start = std::clock();
        scene.Update(UpdatePhysics | UpdateScripts);
        best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
    }
    return std::max(best, 1e-4) / count;
}

TEST_F(PhysicsScene, EachContactCostsTheSameInALargeScene) {
    SetFrameTime(166);
    const double small = RestingBoxesStep(*this, *scene, 100);
    const double large = RestingBoxesStep(*this, *scene, 6400);
    // Linear: near 1. A search of the items per contact adds 4 * 3,200
    // visits to each box's step: near 2.
    EXPECT_LT(large / small, 1.5);
}

} // namespace
