#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "markup/meta_tag.h"
#include "scene/item.h"
#include "tests/core/math_expect.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

constexpr f32 QuarterTurn = 1.5707964f;

std::vector<zItem*> Children(const zItem& item) {
    std::vector<zItem*> out;
    for (auto* node = item.GetChildren().GetHead(); node; node = node->next)
        out.push_back(node->value);
    return out;
}

zMatrix4 Compose(const zVector& position, const zVector& euler, const zVector& scale, u32 order) {
    zMatrix4 rotation = zMatrix4::FromMatrix3(zMatrix3::FromEulerAngles(euler.x, euler.y, euler.z, order));
    return zMatrix4::Multiply(zMatrix4::Translation(position),
                              zMatrix4::Multiply(rotation, zMatrix4::Scale(scale)));
}

} // namespace

TEST(Item, ChildWorldTranslationSitsAtElements3_7_11) {
    zItem parent;
    zItem child;
    child.SetParent(&parent);
    parent.SetPosition(zVector(10.0f, 0.0f, 0.0f));
    parent.SetRotation(zVector(0.0f, QuarterTurn, 0.0f)); // order 4; turns Z toward X, so X toward -Z
    child.SetPosition(zVector(1.0f, 0.0f, 0.0f));

    const zMatrix4& world = *child.GetWorldMatrix();
    EXPECT_NEAR(world.e[3], 10.0f, 1e-5f);
    EXPECT_NEAR(world.e[7], 0.0f, 1e-5f);
    EXPECT_NEAR(world.e[11], -1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(world.e[15], 1.0f);
}

TEST(Item, DirtyBitsFollowTheSettersAndTheUpdates) {
    zItem parent;
    zItem child;
    EXPECT_EQ(parent.GetFlags(), 56u);
    child.SetParent(&parent);

    child.GetWorldMatrix();
    EXPECT_EQ(parent.GetFlags(), u32{ItemInverseDirty}) << "the ancestor is updated too";
    EXPECT_EQ(child.GetFlags(), u32{ItemInverseDirty});
    child.GetInverseMatrix();
    EXPECT_EQ(child.GetFlags(), 0u);

    parent.SetPosition(zVector(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(parent.GetFlags(), 56u);
    EXPECT_EQ(child.GetFlags(), u32{ItemWorldDirty | ItemInverseDirty})
        << "the child's local matrix stays valid";

    child.GetInverseMatrix();
    parent.GetInverseMatrix();
    parent.Invalidate(true);
    EXPECT_EQ(parent.GetFlags(), 0u);
    EXPECT_EQ(child.GetFlags(), u32{ItemWorldDirty | ItemInverseDirty});
    EXPECT_TRUE(VectorNear(child.GetWorldMatrix()->GetRow(3, true), zVector(1.0f, 2.0f, 3.0f)));
    EXPECT_TRUE(MatrixNear(*child.GetInverseMatrix(), zMatrix4::Translation(zVector(-1.0f, -2.0f, -3.0f))));
}

TEST(Item, LocalMatrixAppliesPivotScaleRotationThenTranslation) {
    zItem item;
    item.SetPosition(zVector(5.0f, 0.0f, 0.0f));
    item.SetRotation(zVector(0.0f, 0.0f, QuarterTurn)); // X toward Y
    item.SetScale(zVector(2.0f, 2.0f, 2.0f));
    item.SetPivot(zMatrix4::Translation(zVector(1.0f, 0.0f, 0.0f)));
    // (0,0,0) -> pivot (1,0,0) -> scale (2,0,0) -> rotate (0,2,0) -> move (5,2,0)
    EXPECT_TRUE(VectorNear(zVector().ApplyMatrix(*item.GetWorldMatrix()), zVector(5.0f, 2.0f, 0.0f)));

    zMatrix4 withoutPivot;
    item.GetWorldMatrixWithoutPivot(withoutPivot);
    EXPECT_TRUE(VectorNear(withoutPivot.GetRow(3, true), zVector(5.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(VectorNear(zVector().ApplyMatrix(*item.GetWorldMatrix()), zVector(5.0f, 2.0f, 0.0f)))
        << "the pivot is restored";
}

TEST(Item, LinkOnlyPositionKeepsOwnRotationAndUnitScale) {
    zItem parent;
    parent.SetPosition(zVector(3.0f, 0.0f, 0.0f));
    parent.SetRotation(zVector(0.0f, QuarterTurn, 0.0f));
    parent.SetScale(zVector(2.0f, 2.0f, 2.0f));
    zItem child;
    child.SetParent(&parent);
    child.SetPosition(zVector(1.0f, 0.0f, 0.0f));
    child.SetRotation(zVector(0.0f, 0.0f, QuarterTurn));
    child.SetScale(zVector(5.0f, 5.0f, 5.0f));
    zItem linked;
    linked.SetParent(&parent);
    linked.SetPosition(zVector(1.0f, 0.0f, 0.0f));
    linked.SetRotation(zVector(0.0f, 0.0f, QuarterTurn));
    linked.SetScale(zVector(5.0f, 5.0f, 5.0f));
    linked.SetFlags(linked.GetFlags() | ItemLinkOnlyPosition);

    const zMatrix4& world = *linked.GetWorldMatrix();
    zMatrix4 expected = zMatrix4::FromMatrix3(zMatrix3::RotationZ(QuarterTurn));
    // The parent's transformed position: (1,0,0) scaled by 2, turned to (0,0,-2), moved to (3,0,-2).
    expected.SetRow(3, zVector(3.0f, 0.0f, -2.0f), true);
    EXPECT_TRUE(MatrixNear(world, expected));
    EXPECT_TRUE(VectorNear(world.GetRow(3, true), child.GetWorldMatrix()->GetRow(3, true)));
    zVector scale;
    world.Decompose(nullptr, &scale, nullptr);
    EXPECT_TRUE(VectorNear(scale, zVector(1.0f, 1.0f, 1.0f)));
}

TEST(Item, TargetTurnsZTowardItAndKeepsTheTranslation) {
    zItem item;
    item.SetRotation(zVector(0.3f, 1.1f, -0.4f)); // ignored while looking at a target
    zVector target(1.0f, 0.0f, 0.0f);
    item.SetTarget(&target);
    const zMatrix4& world = *item.GetWorldMatrix();
    EXPECT_TRUE(VectorNear(world.GetRow(2, true), zVector(1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(VectorNear(world.GetRow(3, true), zVector(0.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(VectorNear(item.GetRotationMatrix()->GetRow(2), zVector(1.0f, 0.0f, 0.0f)));

    zItem moved;
    moved.SetPosition(zVector(0.0f, 5.0f, 0.0f));
    moved.SetScale(zVector(2.0f, 2.0f, 2.0f));
    zVector below(0.0f, 0.0f, 0.0f);
    moved.SetTarget(&below);
    EXPECT_TRUE(VectorNear(moved.GetWorldMatrix()->GetRow(2, true), zVector(0.0f, -2.0f, 0.0f)))
        << "the uniform scale stays on the turned axes";
    EXPECT_TRUE(VectorNear(moved.GetWorldMatrix()->GetRow(3, true), zVector(0.0f, 5.0f, 0.0f)));

    moved.SetTarget(nullptr);
    EXPECT_EQ(moved.GetFlags() & ItemHasTarget, 0u);
    EXPECT_TRUE(VectorNear(moved.GetWorldMatrix()->GetRow(2, true), zVector(0.0f, 0.0f, 2.0f)));
}

TEST(Item, TargetAtTheItemsOwnPositionGivesNoNaN) {
    zItem item;
    item.SetPosition(zVector(2.0f, 3.0f, 4.0f));
    zVector target(2.0f, 3.0f, 4.0f);
    item.SetTarget(&target);
    const zMatrix4& world = *item.GetWorldMatrix();
    for (f32 value : world.e)
        EXPECT_FALSE(std::isnan(value));
    EXPECT_TRUE(MatrixNear(world, zMatrix4::Translation(zVector(2.0f, 3.0f, 4.0f))));
}

TEST(Item, ParentingUnderADescendantRelinksIt) {
    zItem root, a, b;
    a.SetParent(&root);
    b.SetParent(&a);
    LogCapture capture;
    a.SetParent(&b);
    EXPECT_EQ(capture.Text(), "[*] Deadlock detected, link chain has been corrected.\n");
    EXPECT_EQ(b.GetParent(), &root);
    EXPECT_EQ(a.GetParent(), &b);
    EXPECT_EQ(Children(root), std::vector<zItem*>{&b});
    EXPECT_EQ(Children(b), std::vector<zItem*>{&a});
    EXPECT_TRUE(Children(a).empty());
    EXPECT_TRUE(a.IsDescendantOf(&root));
    EXPECT_FALSE(b.IsDescendantOf(&a));
}

TEST(Item, ParentingToItselfChangesNothing) {
    zItem parent, item;
    item.SetParent(&parent);
    item.GetInverseMatrix();
    parent.GetInverseMatrix();
    LogCapture capture;
    item.SetParent(&item);
    EXPECT_EQ(capture.Text(), "[!] Cannot parent item to itself.\n");
    EXPECT_EQ(item.GetParent(), &parent);
    EXPECT_EQ(item.GetFlags(), 0u);
}

TEST(Item, TheSameParentTwiceDoesNotInvalidate) {
    zItem parent, item, other;
    item.SetParent(&parent);
    other.SetParent(&parent);
    item.GetInverseMatrix();
    item.SetParent(&parent);
    EXPECT_EQ(item.GetFlags(), 0u);
    EXPECT_EQ(Children(parent), (std::vector<zItem*>{&item, &other}));
}

TEST(Item, DestructionUnlinksBothWays) {
    zItem parent;
    zItem grandchild;
    auto middle = std::make_unique<zItem>();
    middle->SetParent(&parent);
    grandchild.SetParent(middle.get());
    middle.reset();
    EXPECT_TRUE(Children(parent).empty());
    EXPECT_EQ(grandchild.GetParent(), nullptr);
    EXPECT_EQ(grandchild.GetFlags() & ItemAllDirty, u32{ItemAllDirty});
}

TEST(Item, SetParentNullUnlinksAndKeepsSiblingsInOrder) {
    zItem parent, a, b, c;
    a.SetParent(&parent);
    b.SetParent(&parent);
    c.SetParent(&parent);
    b.SetParent(nullptr);
    EXPECT_EQ(Children(parent), (std::vector<zItem*>{&a, &c}));
    parent.DetachChildren();
    EXPECT_TRUE(Children(parent).empty());
    EXPECT_EQ(a.GetParent(), nullptr);
    EXPECT_EQ(c.GetParent(), nullptr);
}

// A crafted file can nest items as deep as it likes: neither the update nor
// the dirty marking may need stack per level.
TEST(Item, AHundredThousandLevelsDeep) {
    constexpr u32 Depth = 100000;
    std::vector<std::unique_ptr<zItem>> chain;
    chain.reserve(Depth);
    for (u32 i = 0; i < Depth; ++i) {
        chain.push_back(std::make_unique<zItem>());
        chain.back()->SetPosition(zVector(1.0f, 0.0f, 0.0f));
        if (i > 0) chain.back()->SetParent(chain[i - 1].get());
    }
    EXPECT_FLOAT_EQ(chain.back()->GetWorldMatrix()->GetRow(3, true).x, static_cast<f32>(Depth));
    chain.front()->SetPosition(zVector(2.0f, 0.0f, 0.0f));
    EXPECT_NE(chain.back()->GetFlags() & ItemWorldDirty, 0u);
    EXPECT_FLOAT_EQ(chain.back()->GetWorldMatrix()->GetRow(3, true).x, static_cast<f32>(Depth + 1));
    // Leaves first: each destruction then has no subtree left to mark.
    while (!chain.empty())
        chain.pop_back();
}

TEST(Item, MarkWorldDirtyReachesEveryDescendant) {
    zItem root, a, a1, a2, b, b1;
    a.SetParent(&root);
    a1.SetParent(&a);
    a2.SetParent(&a);
    b.SetParent(&root);
    b1.SetParent(&b);
    zItem* all[] = {&root, &a, &a1, &a2, &b, &b1};
    for (zItem* item : all)
        item->GetInverseMatrix();
    a.MarkWorldDirty();
    for (zItem* item : all) {
        bool below = item->IsDescendantOf(&a);
        EXPECT_EQ(item->GetFlags(), below ? u32{ItemWorldDirty | ItemInverseDirty} : 0u);
    }
}

TEST(Item, SetMatrixUnderAParentForEveryRotationOrder) {
    zItem parent;
    parent.SetPosition(zVector(1.0f, -2.0f, 3.0f));
    parent.SetRotation(zVector(0.2f, 0.5f, -0.3f));
    parent.SetScale(zVector(2.0f, 2.0f, 2.0f));
    for (u32 order = 0; order < RotationOrderCount; ++order) {
        SCOPED_TRACE(order);
        // Order 6 has no z angle and cannot tell the sign of y: keep both away.
        zVector euler = order == 6 ? zVector(0.4f, 0.7f, 0.0f) : zVector(0.4f, -0.7f, 0.25f);
        zMatrix4 m = Compose(zVector(4.0f, 5.0f, -6.0f), euler, zVector(3.0f, 1.5f, 0.5f), order);
        m = zMatrix4::Multiply(*parent.GetWorldMatrix(), m);

        zItem child;
        child.SetRotationOrder(order);
        child.SetParent(&parent);
        child.SetMatrix(m);
        EXPECT_TRUE(MatrixNear(*child.GetWorldMatrix(), m, 1e-5f));
        EXPECT_EQ(child.GetFlags(), 0u);

        zMatrix4 local = zMatrix4::Multiply(parent.GetWorldMatrix()->Inverse(), m);
        zMatrix4 recomposed = Compose(*child.GetPosition(), *child.GetRotation(), *child.GetScale(), order);
        EXPECT_TRUE(MatrixNear(recomposed, local, 1e-4f));
        child.Invalidate(false); // rebuilt from the stored parts
        EXPECT_TRUE(MatrixNear(*child.GetWorldMatrix(), m, 1e-4f));
    }
}

TEST(Item, SnapshotKeepsTheStoredLocalMatrixUntilASetter) {
    zItem item;
    item.SetPosition(zVector(1.0f, 1.0f, 1.0f));
    zMatrix4 m = zMatrix4::Translation(zVector(7.0f, 0.0f, 0.0f));
    item.SnapshotMatrix(m, true, true);
    EXPECT_EQ(item.GetFlags() & ItemLocalDirty, 0u);
    EXPECT_TRUE(VectorNear(*item.GetPosition(), zVector(1.0f, 1.0f, 1.0f))) << "parts kept";
    EXPECT_TRUE(MatrixNear(*item.GetWorldMatrix(), m)) << "the snapshot, not the parts";
    item.SetScale(zVector(1.0f, 1.0f, 1.0f));
    EXPECT_TRUE(VectorNear(item.GetWorldMatrix()->GetRow(3, true), zVector(1.0f, 1.0f, 1.0f)));

    item.SnapshotMatrix(m, true, false);
    EXPECT_TRUE(VectorNear(*item.GetPosition(), zVector(7.0f, 0.0f, 0.0f)));
}

TEST(Item, TranslateWorldUnderATurnedParent) {
    zItem parent;
    parent.SetRotation(zVector(0.0f, QuarterTurn, 0.0f));
    parent.SetScale(zVector(2.0f, 2.0f, 2.0f));
    zItem child;
    child.SetParent(&parent);
    child.GetWorldMatrix();
    parent.GetInverseMatrix();
    child.TranslateWorld(zVector(0.0f, 0.0f, -2.0f));
    // World -Z is the parent's local +X, at half length.
    EXPECT_TRUE(VectorNear(*child.GetPosition(), zVector(1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(VectorNear(child.GetWorldMatrix()->GetRow(3, true), zVector(0.0f, 0.0f, -2.0f)));

    zItem alone;
    alone.TranslateWorld(zVector(1.0f, 2.0f, 3.0f));
    EXPECT_TRUE(VectorNear(*alone.GetPosition(), zVector(1.0f, 2.0f, 3.0f)));
}

TEST(Item, RotationSettersStoreEulerAnglesInTheItemsOrder) {
    zItem item;
    item.SetRotationOrder(0);
    zMatrix3 rotation = zMatrix3::FromEulerAngles(0.1f, 0.2f, 0.3f, 0);
    item.SetRotationQuaternion(zQuaternion::FromMatrix3(rotation));
    EXPECT_TRUE(VectorNear(*item.GetRotation(), zVector(0.1f, 0.2f, 0.3f)));
    item.SetRotationMatrix(zMatrix3::RotationX(0.5f));
    EXPECT_TRUE(VectorNear(*item.GetRotation(), zVector(0.5f, 0.0f, 0.0f)));
    EXPECT_TRUE(MatrixNear(*item.GetRotationMatrix(), zMatrix3::RotationX(0.5f)));
}

TEST(Item, BoundsAreTheLastComputedPosition) {
    zItem item;
    item.SetPosition(zVector(1.0f, 2.0f, 3.0f));
    item.GetWorldMatrix();
    item.SetPosition(zVector(9.0f, 9.0f, 9.0f));
    zMinMax bounds;
    item.GetBounds(bounds);
    EXPECT_TRUE(VectorNear(bounds.min, zVector(1.0f, 2.0f, 3.0f)));
    EXPECT_TRUE(VectorNear(bounds.max, zVector(1.0f, 2.0f, 3.0f)));
    EXPECT_NE(item.GetFlags() & ItemWorldDirty, 0u);
}

TEST(Item, PreviousMatrixIsCopiedWithoutInvalidation) {
    zItem item;
    item.GetInverseMatrix();
    zMatrix4 previous = zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f));
    item.SetPreviousMatrix(previous.e);
    EXPECT_TRUE(MatrixNear(*item.GetPreviousWorldPosition(), previous));
    EXPECT_EQ(item.GetFlags(), 0u);
}

// Each change to what SetMatrix reads or writes moves the revision; reads,
// the previous matrix, the alpha and the inverse (a cache of the world
// matrix) do not.
TEST(Item, RevisionCountsEveryChangeSetMatrixDependsOn) {
    const zVector v(0.5f, 1.5f, 2.5f, 1.0f);
    struct Case {
        const char* name;
        bool changes;
        std::function<void(zItem& item, zItem& other)> act;
    } const cases[] = {
        {"SetPosition", true, [&](zItem& i, zItem&) { i.SetPosition(v); }},
        {"SetRotation", true, [&](zItem& i, zItem&) { i.SetRotation(v); }},
        {"SetScale", true, [&](zItem& i, zItem&) { i.SetScale(v); }},
        {"SetRotationMatrix", true, [](zItem& i, zItem&) { i.SetRotationMatrix(zMatrix3()); }},
        {"SetPivot", true, [](zItem& i, zItem&) { i.SetPivot(zMatrix4()); }},
        {"SetRotationOrder", true, [](zItem& i, zItem&) { i.SetRotationOrder(2); }},
        {"SetFlags", true, [](zItem& i, zItem&) { i.SetFlags(i.GetFlags()); }},
        {"SetTarget", true, [&](zItem& i, zItem&) { i.SetTarget(&v); }},
        {"TranslateWorld", true, [&](zItem& i, zItem&) { i.TranslateWorld(v); }},
        {"SetParent", true, [](zItem& i, zItem& o) { i.SetParent(&o); }},
        {"child linked", true, [](zItem& i, zItem& o) { o.SetParent(&i); }},
        {"child unlinked", true,
         [](zItem& i, zItem& o) {
             o.SetParent(&i);
             const u32 before = i.GetRevision();
             o.SetParent(nullptr);
             EXPECT_NE(i.GetRevision(), before);
         }},
        {"parent moved", true,
         [&](zItem& i, zItem& o) {
             i.SetParent(&o);
             i.GetWorldMatrix();
             const u32 before = i.GetRevision();
             o.SetPosition(v);
             EXPECT_NE(i.GetRevision(), before);
         }},
        {"SnapshotMatrix", true, [](zItem& i, zItem&) { i.SnapshotMatrix(zMatrix4(), true, true); }},
        {"SetMatrix", true, [](zItem& i, zItem&) { i.SetMatrix(zMatrix4()); }},
        {"GetWorldMatrixWithoutPivot", true,
         [](zItem& i, zItem&) {
             zMatrix4 out;
             i.GetWorldMatrixWithoutPivot(out);
         }},
        {"ParseTag", true,
         [](zItem& i, zItem&) {
             zMetaTag tag("Item");
             i.ParseTag(&tag);
         }},
        {"GetWorldMatrix", false, [](zItem& i, zItem&) { i.GetWorldMatrix(); }},
        {"GetInverseMatrix", false, [](zItem& i, zItem&) { i.GetInverseMatrix(); }},
        {"SetPreviousMatrix", false, [](zItem& i, zItem&) { i.SetPreviousMatrix(zMatrix4().e); }},
        {"SetAlpha", false, [](zItem& i, zItem&) { i.SetAlpha(0.5f); }},
    };
    for (const Case& c : cases) {
        zItem item;
        zItem other;
        item.SetMatrix(zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f)));
        item.GetWorldMatrix();
        const u32 before = item.GetRevision();
        c.act(item, other);
        EXPECT_EQ(item.GetRevision() != before, c.changes) << c.name;
        item.SetParent(nullptr);
    }
    // A dirty item brought up to date changes its matrices.
    zItem item;
    item.SetPosition(v);
    const u32 before = item.GetRevision();
    item.GetWorldMatrix();
    EXPECT_NE(item.GetRevision(), before);
}

TEST(ItemTag, AFreshItemWritesOnlyTheFourAlwaysPresentParts) {
    zItem item;
    std::unique_ptr<zMetaTag> tag(item.SerializeTag());
    EXPECT_EQ(DumpOne(tag.get()), "Item\n"
                                  "  ItemFlag\n"
                                  "  Target\n"
                                  "    X = float 0\n"
                                  "    Y = float 0\n"
                                  "    Z = float 1\n"
                                  "    W = float 1\n"
                                  "  RotationOrder = string \"YXZ\"\n"
                                  "  Registry\n");
    item.GetInverseMatrix();
    tag.reset(item.SerializeTag());
    EXPECT_EQ(tag->GetTag("ItemFlag;"), nullptr) << "no flag bit left";
}

TEST(ItemTag, RoundTripOfAFullySetItem) {
    ZmlDocument doc("<Item=\n"
                    "  <OffsetMatrix= <R0=<X=1.0><Y=0.0><Z=0.0><W=0.0>>\n"
                    "                 <R1=<X=0.0><Y=2.0><Z=0.0><W=0.0>>\n"
                    "                 <R2=<X=0.0><Y=0.0><Z=1.0><W=0.0>>\n"
                    "                 <R3=<X=4.0><Y=5.0><Z=6.0><W=1.0>> >\n"
                    "  <Position= <X=1.0><Y=2.0><Z=3.0> >\n"
                    "  <Rotation= <X=0.5><Y=0.0><Z=0.0> >\n"
                    "  <Scale= <X=2.0><Y=2.0><Z=2.0> >\n"
                    "  <ItemFlag= <HasTarget> <Invisible> <LinkOnlyPosition> >\n"
                    "  <Target= <X=7.0><Y=8.0><Z=9.0><W=1.0> >\n"
                    "  <RotationOrder=\"XY\">\n"
                    "  <Registry= <Team=\"red\"> <Stats= <Speed=3> > >\n"
                    ">\n");
    const zMetaTag* source = doc.Root();
    ASSERT_NE(source, nullptr);
    zItem item;
    LogCapture capture;
    ASSERT_TRUE(item.ParseTag(source));
    EXPECT_EQ(capture.Text(), "");
    EXPECT_EQ(item.GetRotationOrder(), 6u);
    EXPECT_EQ(item.GetFlags(), 1u | 2u | 4u | ItemAllDirty);
    EXPECT_TRUE(VectorNear(item.GetPivot()->GetRow(3, true), zVector(4.0f, 5.0f, 6.0f)));
    EXPECT_EQ(item.GetRegistry().GetString("Team;", ""), std::string("red"));

    std::unique_ptr<zMetaTag> written(item.SerializeTag());
    EXPECT_EQ(DumpOne(written.get()), DumpOne(source));

    // And through a file's text.
    auto text = ThroughText(written.release());
    zItem again;
    ASSERT_TRUE(again.ParseTag(text->Root()));
    std::unique_ptr<zMetaTag> rewritten(again.SerializeTag());
    EXPECT_EQ(DumpOne(rewritten.get()), DumpOne(source));
}

TEST(ItemTag, OffsetPositionIsReadIntoThePivotAndWrittenAsAMatrix) {
    ZmlDocument doc("<Item= <OffsetPosition= <X=1><Y=2><Z=3><W=0> > >\n");
    zItem item;
    ASSERT_TRUE(item.ParseTag(doc.Root()));
    EXPECT_TRUE(MatrixNear(*item.GetPivot(), zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f))));
    std::unique_ptr<zMetaTag> written(item.SerializeTag());
    EXPECT_EQ(written->GetTag("OffsetPosition;"), nullptr);
    zMetaTag* matrix = written->GetTag("OffsetMatrix;");
    ASSERT_NE(matrix, nullptr);
    EXPECT_EQ(DumpOne(matrix->GetTag("R3;")),
              "R3\n  X = float 1\n  Y = float 2\n  Z = float 3\n  W = float 1\n");
}

TEST(ItemTag, ReadingResetsEveryPartFirst) {
    zItem item;
    item.SetPosition(zVector(5.0f, 5.0f, 5.0f));
    item.SetScale(zVector(3.0f, 3.0f, 3.0f));
    item.SetAlpha(0.5f);
    item.SetRotationOrder(2);
    item.SetPivot(zMatrix4::Translation(zVector(1.0f, 0.0f, 0.0f)));
    item.GetRegistry().SetKey("Old", nullptr);
    ZmlDocument doc("<Item= <Position= <X=0><Y=1><Z=0> > >\n");
    ASSERT_TRUE(item.ParseTag(doc.Root()));
    EXPECT_TRUE(VectorNear(*item.GetPosition(), zVector(0.0f, 1.0f, 0.0f)));
    EXPECT_TRUE(VectorNear(*item.GetScale(), zVector(1.0f, 1.0f, 1.0f)));
    EXPECT_FLOAT_EQ(item.GetAlpha(), 1.0f);
    EXPECT_EQ(item.GetRotationOrder(), DefaultRotationOrder);
    EXPECT_TRUE(MatrixNear(*item.GetPivot(), zMatrix4::Identity));
    EXPECT_EQ(item.GetRegistry().GetRootCount(), 0u);
    EXPECT_EQ(item.GetFlags(), u32{ItemAllDirty});
}

TEST(ItemTag, ReaderMessages) {
    struct Case {
        const char* text;
        bool result;
        const char* log;
    };
    const Case cases[] = {
        {"<Items>\n", false, "[!] Could not parse item. Root tag id is incorrect (Items).\n"},
        {"<Item= <RotationOrder=\"QQQ\"> >\n", true, "[*] Unknown rotation order 'QQQ'.\n"},
        {"<Item= <Colour=1> <Scale=<X=2><Y=2><Z=2>> >\n", true, "[*] Unknown tag 'Colour' in <Item>.\n"},
        {"<Item= <TargetOffsetRotation=1> <OrientationQuaternion=1> <OrientationMatrix=1> >\n", true, ""},
        {"<Item= <ItemFlag= <Hidden> > >\n", true, "[*] Unknown tag 'Hidden' in <ItemFlag>.\n"},
        {"<Item= <Position= <X=1><Y=2> > >\n", true, "[*] Invalid vector 'Position' in <Item>.\n"},
        {"<Item= <OffsetMatrix= <R0=<X=1><Y=0><Z=0>> > >\n", true,
         "[*] Invalid matrix 'OffsetMatrix' in <Item>.\n"},
    };
    for (const Case& c : cases) {
        ZmlDocument doc(c.text);
        const zMetaTag* tag = doc.Root();
        zItem item;
        item.SetRotationOrder(2);
        LogCapture capture;
        EXPECT_EQ(item.ParseTag(tag), c.result) << c.text;
        EXPECT_EQ(capture.Text(), c.log) << c.text;
    }
    zItem item;
    ZmlDocument doc("<Item= <RotationOrder=\"XYZ\"> <RotationOrder=\"nope\"> >\n");
    item.ParseTag(doc.Root());
    EXPECT_EQ(item.GetRotationOrder(), 5u) << "an unknown order keeps the one read before";
    LogCapture capture;
    EXPECT_FALSE(item.ParseTag(nullptr));
    EXPECT_EQ(capture.Text(), "[!] Could not parse item. Root tag id is incorrect ().\n");
}
