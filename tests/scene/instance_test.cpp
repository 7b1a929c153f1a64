#include <gtest/gtest.h>

#include <string>

#include "scene/group.h"
#include "scene/instance.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "tests/scene/scene_file_fixture.h"

namespace {

void ExpectAt(zItem* item, f32 x, f32 y, f32 z) {
    const zVector at = item->GetWorldMatrix()->GetRow(3, true);
    EXPECT_NEAR(at.x, x, 1e-5f);
    EXPECT_NEAR(at.y, y, 1e-5f);
    EXPECT_NEAR(at.z, z, 1e-5f);
}

std::string InstanceTag(const char* name, const char* templatePath, const char* uid = "0") {
    return std::string("<Instance=<MItem=<Id=\"") + name + "\"><UId=" + uid + "><Active>><Template=\"" +
           templatePath + "\">>";
}

class InstanceTest : public SceneFileFixture {
  public:
    void SetUp() override {
        SceneFileFixture::SetUp();
        // A current camera, so the loads add no default one.
        scene->SetCurrentCamera(scene->AddCamera("eye"));
    }

    // tpl.zms: "top1" at (1, 0, 0) with "child" at local (0, 1, 0), and
    // "top2" at (0, 0, 3).
    void WriteTemplate(const std::string& scriptedObject = "") {
        zScene* source = Fresh();
        zMObject* top1 = source->AddObject("top1", nullptr);
        zMObject* child = source->AddObject("child", nullptr);
        zMObject* top2 = source->AddObject("top2", nullptr);
        top1->SetPosition(zVector(1.0f, 0.0f, 0.0f, 1.0f));
        child->SetParent(top1);
        child->SetPosition(zVector(0.0f, 1.0f, 0.0f, 1.0f));
        top2->SetPosition(zVector(0.0f, 0.0f, 3.0f, 1.0f));
        std::string text = SaveText(*source);
        if (!scriptedObject.empty()) text.insert(text.find("<Items"), scriptedObject);
        WriteScript("tpl.zms", text);
    }

    zItem* Member(zInstance* instance, const char* name) {
        zMItem* item = instance->GetGroup() ? instance->GetGroup()->FindItem(name) : nullptr;
        return item ? item->GetItem() : nullptr;
    }
};

} // namespace

TEST_F(InstanceTest, SetupLoadsTheTemplateUnderTheInstance) {
    WriteTemplate();
    zInstance* instance = scene->AddInstance("inst", "tpl.zms");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->GetGroup(), nullptr);
    scene->Setup(false, 0);
    ASSERT_NE(instance->GetGroup(), nullptr);
    EXPECT_EQ(instance->GetGroup()->GetName(), "tpl.zms");
    EXPECT_EQ(instance->GetGroup()->GetItems().GetCount(), 3u);
    EXPECT_EQ(instance->GetGroup()->GetRootItem(), instance);
    EXPECT_EQ(Member(instance, "top1")->GetParent(), instance);
    EXPECT_EQ(Member(instance, "top2")->GetParent(), instance);
    EXPECT_EQ(Member(instance, "child")->GetParent(), Member(instance, "top1"));

    instance->SetPosition(zVector(5.0f, 0.0f, 0.0f, 1.0f));
    ExpectAt(Member(instance, "top1"), 6.0f, 0.0f, 0.0f);
    ExpectAt(Member(instance, "top2"), 5.0f, 0.0f, 3.0f);
    ExpectAt(Member(instance, "child"), 6.0f, 1.0f, 0.0f);

    // Paths below an instance are solved in its group.
    EXPECT_EQ(scene->FindItem("inst/top1", nullptr)->GetItem(), Member(instance, "top1"));
    log.Reset();
    EXPECT_EQ(scene->FindItem("inst/top1/child", nullptr), nullptr);
    EXPECT_EQ(log.Text(), "[*] Cannot solve sub-path 'child' on item 'top1'.\n");

    // A second setup does not load again.
    scene->Setup(false, 0);
    EXPECT_EQ(scene->GetKindList(ManagedKindObject).GetCount(), 3u);
}

TEST_F(InstanceTest, AnInactiveInstanceLoadsAtTheFirstSetupAfterItsActivation) {
    WriteTemplate();
    zInstance* instance = scene->AddInstance("inst", "tpl.zms");
    instance->SetActiveByte(0);
    scene->Setup(false, 0);
    EXPECT_EQ(instance->GetGroup(), nullptr);
    instance->SetActiveByte(1);
    EXPECT_EQ(instance->GetGroup(), nullptr);
    // Nor without scripts (the tool mode 1).
    engine.SetToolMode(1);
    scene->Setup(false, 0);
    EXPECT_EQ(instance->GetGroup(), nullptr);
    engine.SetToolMode(0);
    scene->Setup(false, 0);
    ASSERT_NE(instance->GetGroup(), nullptr);
    EXPECT_EQ(scene->GetKindList(ManagedKindObject).GetCount(), 3u);

    // A new template forgets the group and keeps the loaded items.
    instance->SetTemplate("other.zms");
    EXPECT_EQ(instance->GetGroup(), nullptr);
    EXPECT_EQ(scene->GetKindList(ManagedKindObject).GetCount(), 3u);
}

TEST_F(InstanceTest, TheTemplatesSceneScriptUnitsBelongToTheInstance) {
    WriteScript("unit.nut", "class Unit { }\n");
    WriteTemplate("<ScriptedObject=<ScriptUnit=<Script=\"unit.nut\"><Class=\"Unit\">>>");
    zInstance* instance = scene->AddInstance("inst", "tpl.zms");
    scene->Setup(false, 0);
    ASSERT_EQ(instance->GetScriptUnits().GetCount(), 1u);
    void* owner = nullptr;
    u32 kind = 0;
    instance->GetScriptUnits().GetHead()->value->GetOwner(&owner, &kind);
    EXPECT_EQ(owner, static_cast<void*>(static_cast<zMItem*>(instance)));
    EXPECT_EQ(kind, 24u);
    EXPECT_EQ(scene->GetScriptUnits().GetCount(), 0u);
}

// A template that instantiated itself loaded without end.
TEST_F(InstanceTest, ATemplateThatInstantiatesItselfIsRefused) {
    WriteScript("self.zms", SceneFile(InstanceTag("again", "self.zms")));
    scene->AddInstance("root", "self.zms");
    log.Reset();
    scene->Setup(false, 0);
    EXPECT_EQ(scene->GetKindList(ManagedKindInstance).GetCount(), 2u);
    EXPECT_EQ(
        Count(log.Text(), "[!] Template 'self.zms' of instance 'again' instantiates itself; not loaded.\n"),
        1u)
        << log.Text();

    // Through another template; the nested instance loads in the same setup.
    WriteScript("a.zms", SceneFile(InstanceTag("toB", "b.zms")));
    WriteScript("b.zms", SceneFile(InstanceTag("toA", "a.zms")));
    zScene* other = Fresh();
    other->SetCurrentCamera(other->AddCamera("eye"));
    zInstance* start = other->AddInstance("start", "a.zms");
    log.Reset();
    other->Setup(false, 0);
    EXPECT_EQ(other->GetKindList(ManagedKindInstance).GetCount(), 3u);
    ASSERT_NE(start->GetGroup(), nullptr);
    auto* toB = dynamic_cast<zInstance*>(other->FindByName(ManagedKindInstance, "toB"));
    ASSERT_NE(toB, nullptr);
    EXPECT_NE(toB->GetGroup(), nullptr);
    EXPECT_EQ(Count(log.Text(), "[!] Template 'a.zms' of instance 'toA' instantiates itself; not loaded.\n"),
              1u);
}

TEST_F(InstanceTest, DeletingTheInstanceLeavesItsGroupWithoutRoot) {
    WriteTemplate();
    zInstance* instance = scene->AddInstance("inst", "tpl.zms");
    scene->Setup(false, 0);
    zGroup* group = instance->GetGroup();
    ASSERT_NE(group, nullptr);
    delete instance;
    EXPECT_EQ(group->GetRootItem(), nullptr);
    zMObject* holder = scene->AddObject("holder", nullptr);
    group->SetRootItem(holder);
    EXPECT_EQ(scene->FindByName(ManagedKindObject, "top1")->GetParentItem(), holder);
}

TEST_F(InstanceTest, TheInstanceTag) {
    zInstance* instance = scene->AddInstance("inst", "tpl.zms");
    instance->SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    std::unique_ptr<zMetaTag> tag(instance->SerializeTag());
    ASSERT_NE(tag, nullptr);
    zLinkedListIterator iterator{};
    std::string names;
    while (const zMetaTag* child = tag->GetNextChild(iterator))
        names += child->GetName().CStr() + std::string(" ");
    EXPECT_EQ(names, "MItem Item Template ");

    zInstance* copy = scene->AddInstance("copy", nullptr);
    ASSERT_TRUE(copy->ParseTag(nullptr, tag.get()));
    EXPECT_EQ(copy->GetTemplate(), "tpl.zms");
    EXPECT_EQ(copy->GetName(), "inst");
    EXPECT_FLOAT_EQ(copy->zItem::GetPosition()->z, 3.0f);

    zMetaTag wrong("Other");
    log.Reset();
    EXPECT_FALSE(copy->ParseTag(nullptr, &wrong));
    EXPECT_EQ(log.Text(), "[!] Could not parse instance. Root tag id is incorrect (Other).\n");
}
