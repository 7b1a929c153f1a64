// zScene::DuplicateItem: a copy made through the kind's tag, with every
// stored property but a uid of its own, no parent and no children.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "scene/group.h"
#include "scene/instance.h"
#include "scene/managed_camera.h"
#include "scene/managed_constraint.h"
#include "scene/managed_object.h"
#include "scene/trigger.h"
#include "tests/scene/scene_file_fixture.h"

namespace {

class DuplicateItemTest : public SceneFileFixture {
  public:
    void SetUp() override {
        SceneFileFixture::SetUp();
        ASSERT_TRUE(scene->CreatePhysicWorld());
        // A current camera, so template loads add no default one.
        scene->SetCurrentCamera(scene->AddCamera("eye"));
    }

    // The item as the writer gives it alone, its uid written as "#".
    std::string ItemText(zMItem* item) {
        zGroup* filter = scene->AddGroup("filter");
        filter->AddItem(item, true);
        std::string text = SaveText(*scene, SceneLoadAll, filter);
        scene->RemoveGroup(filter);
        const std::string uid = std::to_string(item->GetUid());
        for (const char* key : {"<UId=", "<Uid="}) {
            const std::string from = key + uid + ">";
            for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1))
                text.replace(at, from.size(), std::string(key) + "#>");
        }
        return text;
    }

    // A script unit, a position, a behaviour flag and a physics shape.
    void Dress(zMItem* item) {
        item->GetItem()->SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
        item->SetBehaviour(BehaviourGhost);
        zScriptUnit* unit = item->NewScriptUnit();
        ASSERT_TRUE(unit);
        unit->SetScriptPath("crate.nut");
        unit->SetClassName("Crate");
        zPhysicItem* physics = item->GetPhysicItem();
        ASSERT_TRUE(physics);
        physics->AddCollisionShape()->SetPrimitive(PhysicShapeBox, zVector(1.0f, 2.0f, 3.0f, 1.0f));
        physics->SetMode(PhysicModeDynamic);
    }
};

} // namespace

TEST_F(DuplicateItemTest, EveryKindIsCopiedWithItsStoredPropertiesAndAUidOfItsOwn) {
    struct Case {
        const char* name;
        std::function<zMItem*()> add;
    } const cases[] = {
        {"camera", [&] { return scene->AddCamera("cam"); }},
        {"object", [&] { return scene->AddObject("crate", nullptr); }},
        {"light",
         [&]() -> zMItem* {
             zMLight* light = scene->AddLight("lamp", LightTypeSpot, 2.0f);
             light->range = 20.0f;
             return light;
         }},
        {"trigger", [&] { return scene->AddTrigger("door"); }},
        {"instance", [&] { return scene->AddInstance("inst", nullptr); }},
        {"constraint",
         [&]() -> zMItem* {
             zMConstraint* constraint = scene->AddPointConstraint("joint");
             constraint->GetConstraint()->SetType(PhysicConstraintHinge);
             return constraint;
         }},
    };
    for (const Case& entry : cases) {
        zMItem* original = entry.add();
        ASSERT_TRUE(original) << entry.name;
        Dress(original);
        const u32 nextUid = scene->GetNextUid();
        ListenerLog listener;
        scene->GetListeners().Add(&listener);
        zMItem* copy = scene->DuplicateItem(original);
        scene->GetListeners().Remove(&listener);
        ASSERT_TRUE(copy) << entry.name << log.Text();
        EXPECT_NE(copy, original);
        EXPECT_EQ(listener.events, (std::vector<u32>{1, 2})) << entry.name;
        EXPECT_EQ(copy->GetKind(), original->GetKind()) << entry.name;
        EXPECT_EQ(copy->GetName(), original->GetName()) << entry.name;
        EXPECT_EQ(copy->GetUid(), static_cast<i32>(nextUid)) << entry.name;
        EXPECT_EQ(scene->GetManagedItemByUid(copy->GetUid()), copy) << entry.name;
        EXPECT_TRUE(scene->GetKindList(copy->GetKind()).Find(copy)) << entry.name;
        EXPECT_TRUE(scene->GetActiveItems().Find(copy)) << entry.name;
        EXPECT_EQ(ItemText(copy), ItemText(original)) << entry.name;
        ASSERT_EQ(copy->GetScriptUnits().GetCount(), 1u) << entry.name;
        EXPECT_TRUE(copy->FindScriptUnit("crate.nut", "Crate")) << entry.name;
        ASSERT_EQ(copy->GetPhysicItem()->GetShapes().GetCount(), 1u) << entry.name;
        EXPECT_EQ(copy->GetPhysicItem()->GetShapes().GetHead()->value->type, PhysicShapeBox) << entry.name;
        EXPECT_EQ(copy->GetPhysicItem()->GetMode(), PhysicModeDynamic) << entry.name;
        EXPECT_NE(copy->GetPhysicItem(), original->GetPhysicItem()) << entry.name;
    }
    auto* lamp = dynamic_cast<zMLight*>(scene->GetKindList(ManagedKindLight).GetTail()->value);
    ASSERT_TRUE(lamp);
    EXPECT_EQ(lamp->type, LightTypeSpot);
    EXPECT_EQ(lamp->range, 20.0f);
    auto* joint = dynamic_cast<zMConstraint*>(scene->GetKindList(ManagedKindConstraint).GetTail()->value);
    ASSERT_TRUE(joint);
    EXPECT_EQ(joint->GetConstraint()->GetType(), PhysicConstraintHinge);
}

TEST_F(DuplicateItemTest, TheCopyTakesNeitherTheParentNorTheChildren) {
    zMObject* holder = scene->AddObject("holder", nullptr);
    zMObject* original = scene->AddObject("arm", nullptr);
    zMObject* child = scene->AddObject("hand", nullptr);
    original->SetParent(holder);
    child->SetParent(original);
    const u32 items = scene->GetAllItems().GetCount();
    zMItem* copy = scene->DuplicateItem(original);
    ASSERT_TRUE(copy);
    EXPECT_EQ(scene->GetAllItems().GetCount(), items + 1);
    EXPECT_EQ(copy->GetParentItem(), nullptr);
    EXPECT_EQ(copy->GetItem()->GetChildren().GetCount(), 0u);
    EXPECT_EQ(child->GetParentItem(), original);
    EXPECT_EQ(original->GetParentItem(), holder);
}

TEST_F(DuplicateItemTest, AnInactiveItemGivesAnInactiveCopyOutOfTheActiveList) {
    zTrigger* original = scene->AddTrigger("door");
    original->Activate(false, false);
    scene->Update(UpdateItems);
    ASSERT_FALSE(original->IsActive());
    zMItem* copy = scene->DuplicateItem(original);
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->IsActive());
    EXPECT_FALSE(scene->GetActiveItems().Find(copy));
    EXPECT_TRUE(scene->GetAllItems().Find(copy));
}

TEST_F(DuplicateItemTest, ACopiedInstanceLoadsItsTemplate) {
    zScene* source = Fresh();
    source->AddObject("top", nullptr);
    source->AddObject("other", nullptr);
    WriteScript("tpl.zms", SaveText(*source));
    zInstance* original = scene->AddInstance("inst", "tpl.zms");
    ASSERT_TRUE(original);
    scene->Setup(false, 0);
    ASSERT_TRUE(original->GetGroup());
    auto* copy = dynamic_cast<zInstance*>(scene->DuplicateItem(original));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetTemplate(), "tpl.zms");
    ASSERT_TRUE(copy->GetGroup());
    EXPECT_NE(copy->GetGroup(), original->GetGroup());
    EXPECT_EQ(copy->GetGroup()->GetItems().GetCount(), 2u);
    EXPECT_EQ(copy->GetGroup()->GetRootItem(), copy);
    EXPECT_EQ(copy->GetGroup()->FindItem("top")->GetParentItem(), copy);
}

TEST_F(DuplicateItemTest, OtherKindsAndNullGiveNoCopy) {
    EXPECT_EQ(scene->DuplicateItem(nullptr), nullptr);
    // A kind the scene cannot write (an emitter's number on a plain item).
    TestItem* emitter = Add("smoke", ManagedKindEmitter);
    const u32 items = scene->GetAllItems().GetCount();
    EXPECT_EQ(scene->DuplicateItem(emitter), nullptr);
    EXPECT_EQ(scene->GetAllItems().GetCount(), items);
}
