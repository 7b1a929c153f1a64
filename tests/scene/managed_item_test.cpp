#include "scene/managed_item.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "core/random.h"
#include "markup/meta_tag.h"
#include "tests/scene/scene_fixtures.h"
#include "script/script_dispatch.h"
#include "tests/scene/scene_fixture.h"

namespace {

using ManagedItemTest = SceneFixture;

// Counts OnLogicUpdate with its period; every other event is the base's.
class LogicCounter : public zItemScriptEventDispatcher {
  public:
    void OnLogicUpdate(zScriptUnitList&, f32 period) override {
        ++calls;
        lastPeriod = period;
    }
    int calls = 0;
    f32 lastPeriod = 0.0f;
};


struct MItemCase {
    const char* text;
    bool parsed;
    u8 active;
    u32 behaviour;
    const char* logLine;
};

} // namespace

TEST_F(ManagedItemTest, ReadsTheMItemTag) {
    const MItemCase cases[] = {
        {"<MItem= <Id=\"a\"> <UId=3> <Active> <Billboard> <Static> >", true, 1, BehaviourBillboard | BehaviourStatic,
         ""},
        {"<MItem= <Id=\"a\"> <UId=0> >", true, 0, 0, ""},
        {"<MItem= <Id=\"nouid\"> <Active> >", false, 1, 0, "[!] Managed item 'nouid' Uid is invalid.\n"},
        {"<MItem= <Id=\"neg\"> <UId=-4> >", false, 0, 0, "[!] Managed item 'neg' Uid is invalid.\n"},
        {"<MItem= <Id=\"text\"> <UId=\"7\"> >", false, 0, 0, "[!] Managed item 'text' Uid is invalid.\n"},
        {"<MItem= <Id=\"b\"> <UId=1> <Wobble> <TauItem> <Proxy> >", true, 0, 0, "[*] Unknown tag 'Wobble' in <MItem>.\n"},
        {"<Item= <UId=1> >", false, 1, 0, "[!] Could not parse managed item. Root tag id is incorrect (Item).\n"},
    };
    for (const MItemCase& entry : cases) {
        SCOPED_TRACE(entry.text);
        ZmlDocument document(entry.text);
        const zMetaTag* tag = document.Root();
        ASSERT_TRUE(tag);
        TestItem item(scene.Get());
        log.Reset();
        EXPECT_EQ(item.zMItem::ParseTag(nullptr, tag), entry.parsed);
        EXPECT_EQ(item.GetActiveByte(), entry.active);
        EXPECT_EQ(item.GetBehaviour(), entry.behaviour);
        EXPECT_EQ(log.Text(), entry.logLine);
    }
}

TEST_F(ManagedItemTest, ReadingKeepsEarlierBehaviourFlags) {
    TestItem item(scene.Get());
    ASSERT_TRUE(item.zMItem::ParseTag(nullptr, ZmlDocument("<MItem= <UId=1> <Ghost> >").Root()));
    ASSERT_TRUE(item.zMItem::ParseTag(nullptr, ZmlDocument("<MItem= <UId=1> <TriggerDetected> >").Root()));
    EXPECT_EQ(item.GetBehaviour(), BehaviourGhost | BehaviourTriggerDetected);
}

TEST_F(ManagedItemTest, WritesInTheFileOrder) {
    TestItem item(scene.Get());
    item.SetName("w");
    item.SetUid(5);
    item.SetBehaviour(BehaviourTriggerDetected | BehaviourStatic | BehaviourBillboard | BehaviourGhost |
                      BehaviourSolveOverlap);
    item.RecordLocation();
    zScriptUnit* unit = item.NewScriptUnit();
    ASSERT_TRUE(unit);
    unit->SetScriptPath("a.nut");
    unit->SetClassName("A");
    std::unique_ptr<zMetaTag> tag(item.zMItem::SerializeTag());
    ASSERT_TRUE(tag) << log.Text();
    std::string order;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator))
        order += std::string(child->GetName().CStr()) + " ";
    EXPECT_EQ(order, "Id UId Active Billboard SolveOverlap Ghost Static TriggerDetected InitialMatrix Priority "
                     "ScriptLogicFq ScriptedObject ScriptUnit ");

    // Read back: the same item, its unit from the ScriptedObject tag only.
    TestItem copy(scene.Get());
    ASSERT_TRUE(copy.zMItem::ParseTag(nullptr, tag.get()));
    EXPECT_EQ(copy.GetName(), "w");
    EXPECT_EQ(copy.GetUid(), 5);
    EXPECT_EQ(copy.GetBehaviour(), item.GetBehaviour());
    EXPECT_TRUE(copy.HasInitialMatrix());
    EXPECT_EQ(copy.GetScriptUnits().GetCount(), 1u);
    EXPECT_TRUE(copy.FindScriptUnit("a.nut", "A"));
    EXPECT_FALSE(copy.FindScriptUnit("a.nut", "B"));
}

TEST_F(ManagedItemTest, ScriptedObjectTagAndUnitRemoval) {
    TestItem item(scene.Get());
    log.Reset();
    EXPECT_FALSE(item.zScriptedObject::ParseTag(nullptr, ZmlDocument("<Units= <A> >").Root()));
    EXPECT_EQ(log.Text(), "[!] Could not parse scripted object. Root tag id is incorrect (Units).\n");
    log.Reset();
    ASSERT_TRUE(item.zScriptedObject::ParseTag(
        nullptr, ZmlDocument("<ScriptedObject= <ScriptUnit= <Script=\"x.nut\"> <Class=\"X\"> > <Other> >").Root()));
    EXPECT_EQ(log.Text(), "[*] Unknown tag 'Other' in <ScriptedObject>.\n");
    zScriptUnit* unit = item.FindScriptUnit("x.nut", "X");
    ASSERT_TRUE(unit);
    EXPECT_FALSE(item.RemoveScriptUnit(nullptr));
    int stranger = 0;
    EXPECT_FALSE(item.RemoveScriptUnit(reinterpret_cast<zScriptUnit*>(&stranger)));
    EXPECT_TRUE(item.RemoveScriptUnit(unit));
    EXPECT_EQ(item.GetScriptUnits().GetCount(), 0u);
    EXPECT_EQ(item.zScriptedObject::SerializeTag(), nullptr);
}

TEST_F(ManagedItemTest, CommandVerbsReachTheirTargetsExactly) {
    TestItem* item = Add("mover");
    ASSERT_GT(scene->LoadCommandList("torotation 2, 90, 0, 0 + toalpha 2, 3;", *item), 0);
    for (int frame = 0; frame < 4; ++frame)
        scene->UpdateUnit(*item, 0.5f);
    EXPECT_EQ(item->zItem::GetRotation()->x, 1.5707964f);
    // The overshooting alpha stays in [0, 1].
    EXPECT_EQ(item->GetAlpha(), 1.0f);

    ASSERT_GT(scene->LoadCommandList("offsetposition 2, 4, 0, -2; toposition 1, 1, 1, 1;", *item), 0);
    scene->UpdateUnit(*item, 1.0f);
    EXPECT_EQ(item->zItem::GetPosition()->x, 2.0f);
    EXPECT_EQ(item->zItem::GetPosition()->z, -1.0f);
    scene->UpdateUnit(*item, 1.0f);
    scene->UpdateUnit(*item, 1.0f);
    EXPECT_EQ(item->zItem::GetPosition()->x, 1.0f);
    EXPECT_EQ(item->zItem::GetPosition()->y, 1.0f);
}

TEST_F(ManagedItemTest, ChannelsOneToNine) {
    TestItem item(scene.Get());
    for (i32 channel = 1; channel <= 9; ++channel) {
        EXPECT_TRUE(item.SetChannelValue(channel, static_cast<f32>(channel) * 0.5f));
        f32 value = 0.0f;
        EXPECT_TRUE(item.GetChannelValue(channel, value));
        EXPECT_EQ(value, static_cast<f32>(channel) * 0.5f) << channel;
    }
    EXPECT_EQ(item.zItem::GetRotation()->y, 2.5f);
    EXPECT_EQ(item.zItem::GetScale()->z, 4.5f);
    for (i32 channel : {0, 10, -1}) {
        f32 value = 7.0f;
        EXPECT_FALSE(item.SetChannelValue(channel, 99.0f));
        EXPECT_FALSE(item.GetChannelValue(channel, value));
        EXPECT_EQ(value, 7.0f);
    }
    EXPECT_EQ(item.zItem::GetPosition()->x, 0.5f);
}

TEST_F(ManagedItemTest, RecursiveActivationReachesGrandchildrenThroughInactiveItems) {
    TestItem* root = Add("root");
    TestItem* child = Add("child");
    TestItem* grandchild = Add("grandchild");
    child->zItem::SetParent(root);
    grandchild->zItem::SetParent(child);
    zItem bare; // a node without a managed item is skipped
    bare.SetParent(root);
    child->Activate(false, false);
    root->Activate(false, true);
    EXPECT_EQ(root->GetActiveByte(), 0);
    EXPECT_EQ(grandchild->GetActiveByte(), 0);
    EXPECT_EQ(scene->GetDeactivationQueue().GetCount(), 3u);
    // Switching back before the update takes the items off that queue.
    root->Activate(true, true);
    EXPECT_EQ(scene->GetDeactivationQueue().GetCount(), 0u);
    EXPECT_EQ(scene->GetActivationQueue().GetCount(), 3u);
    bare.SetParent(nullptr);
}

TEST_F(ManagedItemTest, RestoreLocationReturnsToTheRecordedPlace) {
    TestItem item(scene.Get());
    zMatrix4 pivot;
    pivot.SetRow(3, zVector(0.0f, 2.0f, 0.0f, 1.0f), true);
    item.SetPivot(pivot);
    item.SetPosition(zVector(3.0f, 0.0f, 0.0f, 1.0f));
    item.RecordLocation();
    const zMatrix4 expected = zMatrix4::Multiply(pivot.Inverse(), *item.GetLocalMatrix());
    item.SetPosition(zVector(-8.0f, 5.0f, 1.0f, 1.0f));
    item.RestoreLocation();
    for (int index = 0; index < 16; ++index)
        EXPECT_FLOAT_EQ(item.GetLocalMatrix()->e[index], expected.e[index]) << index;
}

TEST_F(ManagedItemTest, ResetWithFrequencyZeroGivesAFiniteCountdown) {
    SeedRand(77);
    TestItem item(scene.Get());
    item.SetScriptLogicFrequency(0.0f);
    item.Reset();
    EXPECT_TRUE(std::isfinite(item.GetLogicCountdown()));
    EXPECT_LT(item.GetLogicCountdown(), 10.0f);
    EXPECT_GE(item.GetLogicCountdown(), 0.0f);
}

TEST_F(ManagedItemTest, LogicRateTable) {
    struct Case {
        f32 frequency;
        f32 countdown;
        f32 step;
        int calls;
        f32 period;
    };
    const f32 infinity = std::numeric_limits<f32>::infinity();
    const Case cases[] = {
        {20.0f, 0.01f, 0.2f, 4, 0.05f},     // -0.19, -0.14, -0.09, -0.04, then 0.01
        {0.0f, 0.0f, 0.2f, 1, 10.0f},       // the floor: once every 10 s
        {0.0f, 0.1f, 0.2f, 1, 10.0f},
        {0.0f, 10.0f, 0.2f, 0, 0.0f},
        {1e30f, 0.0f, 0.2f, 1000, 1e-30f},  // bounded catch-up
        {infinity, 0.0f, 0.2f, 1, 10.0f},   // not finite: the floor
        {std::nanf(""), 0.0f, 0.2f, 1, 10.0f},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.frequency);
        LogicCounter counter;
        TestItem item(scene.Get());
        item.SetDispatcher(&counter);
        item.SetScriptLogicFrequency(entry.frequency);
        item.SetLogicCountdown(entry.countdown);
        item.StepLogic(entry.step);
        EXPECT_EQ(counter.calls, entry.calls);
        EXPECT_EQ(counter.lastPeriod, entry.period);
        EXPECT_TRUE(std::isfinite(item.GetLogicCountdown()));
        EXPECT_GT(item.GetLogicCountdown(), 0.0f);
    }
}

// OnDelete runs while the item is whole: the node still belongs to the item
// and keeps its name and world matrix.
class WholeItemCheck : public zItemScriptEventDispatcher {
  public:
    void OnDelete(zScriptUnitList&) override {
        seen = true;
        owner = zItem::GetManagedItem(item);
        name = managed->GetName().CStr();
        x = item->GetWorldMatrix()->e[3];
    }
    zItem* item = nullptr;
    zMItem* managed = nullptr;
    bool seen = false;
    zMItem* owner = nullptr;
    std::string name;
    f32 x = 0.0f;
};

TEST_F(ManagedItemTest, OnDeleteSeesAWholeItem) {
    WholeItemCheck check;
    TestItem* item = Add("doomed");
    item->SetPosition(zVector(4.0f, 0.0f, 0.0f, 1.0f));
    item->SetDispatcher(&check);
    check.item = item;
    check.managed = item;
    delete item;
    EXPECT_TRUE(check.seen);
    EXPECT_EQ(check.owner, check.managed);
    EXPECT_EQ(check.name, "doomed");
    EXPECT_EQ(check.x, 4.0f);
    EXPECT_EQ(scene->GetAllItems().GetCount(), 0u);
}
