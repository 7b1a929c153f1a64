#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "scene/group.h"
#include "scene/motion.h"
#include "tests/scene/scene_fixture.h"

namespace {

zVector WorldPosition(zItem* item) {
    return item->GetWorldMatrix()->GetRow(3, true);
}

void ExpectAt(zItem* item, f32 x, f32 y, f32 z) {
    const zVector at = WorldPosition(item);
    EXPECT_NEAR(at.x, x, 1e-5f);
    EXPECT_NEAR(at.y, y, 1e-5f);
    EXPECT_NEAR(at.z, z, 1e-5f);
}

class GroupTest : public SceneFixture {
  public:
    zGroup* NewGroup(const char* name) { return scene->AddGroup(name); }
};

} // namespace

TEST_F(GroupTest, SetRootItemMovesTheParentlessMembersFromRootToRoot) {
    TestItem* first = Add("first");
    TestItem* second = Add("second");
    TestItem* elsewhere = Add("elsewhere");
    TestItem* holder = Add("holder");
    TestItem* rootA = Add("rootA");
    TestItem* rootB = Add("rootB");
    elsewhere->SetParent(holder);
    zGroup* group = NewGroup("g");
    for (zMItem* member :
         {static_cast<zMItem*>(first), static_cast<zMItem*>(second), static_cast<zMItem*>(elsewhere)})
        group->AddItem(member, false);

    group->SetRootItem(rootA);
    EXPECT_EQ(first->GetParent(), rootA);
    EXPECT_EQ(second->GetParent(), rootA);
    EXPECT_EQ(elsewhere->GetParent(), holder);

    group->SetRootItem(rootB);
    EXPECT_EQ(first->GetParent(), rootB);
    EXPECT_EQ(second->GetParent(), rootB);
    EXPECT_EQ(elsewhere->GetParent(), holder);
    EXPECT_TRUE(rootA->GetChildren().GetCount() == 0);

    group->SetRootItem(nullptr);
    EXPECT_EQ(first->GetParent(), nullptr);
    EXPECT_EQ(group->GetRootItem(), nullptr);
}

TEST_F(GroupTest, OffsetsMoveOnlyParentlessMembersAndTheirChildrenFollow) {
    TestItem* top = Add("top");
    TestItem* child = Add("child");
    top->SetPosition(zVector(1.0f, 0.0f, 0.0f, 1.0f));
    child->SetParent(top);
    child->SetPosition(zVector(0.0f, 1.0f, 0.0f, 1.0f));
    zGroup* group = NewGroup("g");
    group->AddItem(top, false);
    group->AddItem(child, false);

    group->OffsetMatrix(zMatrix4::Translation(zVector(5.0f, 0.0f, 0.0f)));
    ExpectAt(top, 6.0f, 0.0f, 0.0f);
    ExpectAt(child, 6.0f, 1.0f, 0.0f);

    group->OffsetPosition(0.0f, 0.0f, 2.0f);
    ExpectAt(top, 6.0f, 0.0f, 2.0f);
    ExpectAt(child, 6.0f, 1.0f, 2.0f);

    group->OffsetRotation(0.0f, 0.5f, 0.0f);
    EXPECT_FLOAT_EQ(top->zItem::GetRotation()->y, 0.5f);
    EXPECT_FLOAT_EQ(child->zItem::GetRotation()->y, 0.0f);
}

TEST_F(GroupTest, MembershipLookupsAndTheirWarnings) {
    TestItem* first = Add("twin");
    TestItem* second = Add("twin");
    zGroup* group = NewGroup("g");
    EXPECT_EQ(group->AddItem(nullptr, false), nullptr);
    EXPECT_EQ(group->AddItem(first, true), first);
    EXPECT_EQ(group->AddItem(first, true), nullptr);
    EXPECT_EQ(group->GetItems().GetCount(), 1u);
    EXPECT_EQ(group->AddItem(second, false), second);
    EXPECT_EQ(group->FindItem("twin"), first);
    EXPECT_EQ(group->FindItemByUid(second->GetUid()), second);
    EXPECT_TRUE(group->IsMember(second));

    log.Reset();
    EXPECT_EQ(group->FindItem("none"), nullptr);
    EXPECT_EQ(group->FindItemByUid(99), nullptr);
    EXPECT_EQ(group->FindGroup("sub"), nullptr);
    EXPECT_EQ(log.Text(), "[*] No item 'none' in group 'g'.\n"
                          "[*] No item with uid '99' in group 'g'.\n"
                          "[*] Could not find group 'sub' in group 'g'.\n");

    zGroup* sub = NewGroup("sub");
    EXPECT_EQ(group->AddGroup(sub, true), sub);
    EXPECT_EQ(group->AddGroup(sub, true), nullptr);
    EXPECT_EQ(group->FindGroup("sub"), sub);
    EXPECT_TRUE(group->AddItems(*group));
    EXPECT_EQ(group->GetItems().GetCount(), 4u);
    EXPECT_TRUE(group->RemoveItem(first));
    EXPECT_FALSE(group->RemoveGroup(group));
}

TEST_F(GroupTest, BulkOperationsReachEveryMember) {
    TestItem* first = Add("a");
    TestItem* second = Add("b");
    zGroup* group = NewGroup("g");
    group->AddItem(first, false);
    group->AddItem(second, false);
    group->SetInvisible(true);
    EXPECT_TRUE(first->GetFlags() & ItemInvisible);
    EXPECT_TRUE(second->GetFlags() & ItemInvisible);
    group->SetInvisible(false);
    EXPECT_FALSE(second->GetFlags() & ItemInvisible);

    group->Activate(false);
    EXPECT_EQ(scene->GetDeactivationQueue().GetCount(), 2u);
    group->Activate(true);
    EXPECT_EQ(scene->GetActivationQueue().GetCount(), 2u);
    EXPECT_EQ(scene->GetDeactivationQueue().GetCount(), 0u);
}

// The out slot used to be filled in place with whatever list the caller
// passed; the group makes a new list holding only the sources it started.
TEST_F(GroupTest, SetMotionHandsBackANewListOfTheMembersSources) {
    TestItem* first = Add("a");
    TestItem* second = Add("b");
    TestItem* outside = Add("c");
    ASSERT_TRUE(first->AddMotion(std::make_unique<zMotion>("wave")));
    ASSERT_TRUE(second->AddMotion(std::make_unique<zMotion>("bow")));
    ASSERT_TRUE(outside->AddMotion(std::make_unique<zMotion>("wave")));
    zGroup* group = NewGroup("g");
    group->AddItem(first, false);
    group->AddItem(second, false);
    std::unique_ptr<zAnimationSourceList> sources(new zAnimationSourceList);
    const zAnimationSourceList* old = sources.get();
    group->SetMotion("wave", &sources, 0.0f, false, 1.0f);
    ASSERT_TRUE(sources);
    EXPECT_NE(sources.get(), old);
    EXPECT_EQ(sources->GetCount(), 1u);
    EXPECT_EQ(first->GetSourceCount(), 1u);
    EXPECT_EQ(second->GetSourceCount(), 0u);
    EXPECT_EQ(outside->GetSourceCount(), 0u);
    group->SetMotion("bow", nullptr, 0.0f, false, 1.0f);
    EXPECT_EQ(second->GetSourceCount(), 1u);
}

// A deleted root item left the group pointing at freed memory, which the next
// SetRootItem read.
TEST_F(GroupTest, DeletingTheRootOrAMemberClearsItFromTheGroup) {
    TestItem* member = Add("member");
    TestItem* root = Add("root");
    TestItem* other = Add("other");
    zGroup* group = NewGroup("g");
    group->AddItem(member, false);
    group->AddItem(root, false);
    group->AddItem(root, false);
    group->SetRootItem(root);
    delete root;
    EXPECT_EQ(group->GetRootItem(), nullptr);
    EXPECT_FALSE(group->IsMember(root));
    EXPECT_EQ(member->GetParent(), nullptr);
    group->SetRootItem(other);
    EXPECT_EQ(member->GetParent(), other);

    scene->QueueForDeletion(member);
    scene->FlushDeletionQueue();
    EXPECT_EQ(group->GetItems().GetCount(), 0u);
}

TEST_F(GroupTest, SceneGroupsTellTheListenersAndRemovedGroupsStayUntilTheContentGoes) {
    ListenerLog listener;
    scene->GetListeners().Add(&listener);
    zGroup* outer = NewGroup("outer");
    zGroup* inner = NewGroup("inner");
    outer->AddGroup(inner, false);
    outer->AddGroup(inner, false);
    EXPECT_EQ(scene->FindGroup("inner"), inner);

    scene->RemoveGroup(inner);
    EXPECT_EQ(scene->FindGroup("inner"), nullptr);
    EXPECT_FALSE(outer->IsSubGroup(inner));
    // Still whole: a caller holding it may read it until the content goes.
    EXPECT_EQ(inner->GetName(), "inner");
    EXPECT_EQ(listener.events, (std::vector<u32>{5, 6, 5, 6, 7, 8}));
    scene->GetListeners().Remove(&listener);
}

TEST_F(GroupTest, DeleteGroupQueuesEveryMember) {
    TestItem* first = Add("a");
    TestItem* second = Add("b");
    zGroup* group = NewGroup("g");
    group->AddItem(first, false);
    group->AddItem(second, false);
    scene->DeleteGroup(group);
    EXPECT_EQ(scene->GetDeletionQueue().GetCount(), 2u);
    EXPECT_EQ(scene->GetGroupList().GetCount(), 0u);
    scene->FlushDeletionQueue();
    EXPECT_EQ(scene->GetAllItems().GetCount(), 0u);
}

// A deleted item leaves every group through its own entries: held twice by one group, copied into another by AddItems,
// root of a removed group, and once removed by hand, it leaves none behind.
TEST_F(GroupTest, ADeletedItemLeavesEveryGroupHowEverItWasHeld) {
    TestItem* item = Add("held");
    TestItem* bystander = Add("bystander");
    zGroup* first = NewGroup("first");
    zGroup* second = NewGroup("second");
    zGroup* removed = NewGroup("removed");
    zGroup* last = NewGroup("last");
    first->AddItem(bystander, false);
    first->AddItem(item, false);
    first->AddItem(item, false);
    second->AddItems(*first);
    second->AddItem(item, false);
    EXPECT_TRUE(second->RemoveItem(item));
    removed->SetRootItem(item);
    removed->SetRootItem(item);
    scene->RemoveGroup(removed);
    last->AddItem(item, false);
    EXPECT_EQ(item->GroupEntries().GetCount(), 5u);
    EXPECT_EQ(item->GroupRoots(), 1u);

    scene->QueueForDeletion(item);
    scene->FlushDeletionQueue();
    for (zGroup* group : {first, second, last}) {
        EXPECT_FALSE(group->IsMember(item)) << group->GetName();
        EXPECT_TRUE(group->IsMember(bystander) || group == last) << group->GetName();
    }
    EXPECT_EQ(removed->GetRootItem(), nullptr);
    EXPECT_EQ(first->GetItems().GetCount(), 1u);
    EXPECT_EQ(second->GetItems().GetCount(), 1u);
    EXPECT_EQ(bystander->GroupEntries().GetCount(), 2u);
}

// RemoveItem takes the first of an item's entries in the group, as the
// group's list orders them.
TEST_F(GroupTest, RemoveItemTakesTheFirstEntryInListOrder) {
    TestItem* a = Add("a");
    TestItem* b = Add("b");
    zGroup* group = NewGroup("g");
    for (TestItem* item : {a, b, a, b})
        group->AddItem(item, false);
    EXPECT_TRUE(group->RemoveItem(a));
    std::vector<zMItem*> order;
    for (auto* node = group->GetItems().GetHead(); node; node = node->next)
        order.push_back(node->value);
    EXPECT_EQ(order, (std::vector<zMItem*>{b, a, b}));
    EXPECT_TRUE(group->RemoveItem(a));
    EXPECT_FALSE(group->RemoveItem(a));
    EXPECT_EQ(a->GroupEntries().GetCount(), 0u);
    // A group that goes takes its entries out of its members.
    scene->DeleteContent(false);
}
