#include "scene/trigger.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "markup/meta_tag.h"
#include "script/script_dispatch.h"
#include "tests/scene/scene_fixture.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/event_recorder.h"

namespace {

// Records the five trigger events; the owner is the unit list the event was
// sent to, named after its item in the recorder.
class TriggerEvents : public zItemScriptEventDispatcher {
  public:
    explicit TriggerEvents(EventRecorder& recorder) : m_recorder(recorder) {}
    void OnEnterTrigger(zScriptUnitList& units, void* trigger) override {
        m_recorder.Record("OnEnterTrigger", &units, static_cast<const void*>(trigger));
        if (onEnter) onEnter(units);
    }
    void OnTrigger(zScriptUnitList& units, void* trigger) override {
        m_recorder.Record("OnTrigger", &units, static_cast<const void*>(trigger));
        if (onTrigger) onTrigger(units);
    }
    void OnExitTrigger(zScriptUnitList& units, void* trigger) override {
        m_recorder.Record("OnExitTrigger", &units, static_cast<const void*>(trigger));
        if (onExit) onExit(units);
    }
    void OnItemEnter(zScriptUnitList& units, void* item) override {
        m_recorder.Record("OnItemEnter", &units, static_cast<const void*>(item));
    }
    void OnItemExit(zScriptUnitList& units, void* item) override {
        m_recorder.Record("OnItemExit", &units, static_cast<const void*>(item));
    }
    void OnDelete(zScriptUnitList& units) override { m_recorder.Record("OnDelete", &units); }

    std::function<void(zScriptUnitList&)> onExit;
    std::function<void(zScriptUnitList&)> onTrigger;
    std::function<void(zScriptUnitList&)> onEnter;

  private:
    EventRecorder& m_recorder;
};

class TriggerTest : public SceneFixture {
  public:
    // A trigger at the origin scaled by 2 and a detected item, both traced.
    void SetUp() override {
        SceneFixture::SetUp();
        trigger = scene->AddTrigger("door");
        ASSERT_TRUE(trigger);
        trigger->zItem::SetScale(zVector(2.0f, 2.0f, 2.0f, 1.0f));
        item = Add("crate");
        item->SetBehaviour(BehaviourTriggerDetected);
        Trace(trigger, "door");
        Trace(item, "crate");
    }
    void Trace(zMItem* traced, const char* name) {
        traced->SetDispatcher(&events);
        recorder.Name(&traced->GetScriptUnits(), name);
        recorder.Name(traced, name);
    }
    void Place(f32 x) { item->zItem::SetPosition(zVector(x, 0.0f, 0.0f, 1.0f)); }

    EventRecorder recorder;
    TriggerEvents events{recorder};
    zTrigger* trigger = nullptr;
    TestItem* item = nullptr;
};

TEST_F(TriggerTest, InsideIsStrictlyWithinTheScaledUnitCube) {
    struct Case {
        zVector point;
        bool inside;
    } const cases[] = {
        {zVector(0.999f, 0.0f, 0.0f, 1.0f), true}, {zVector(1.0f, 0.0f, 0.0f, 1.0f), false}, // on a face
        {zVector(-1.0f, 0.0f, 0.0f, 1.0f), false}, {zVector(0.0f, 0.999f, -0.999f, 1.0f), true},
        {zVector(0.0f, 0.0f, 1.0f, 1.0f), false},  {zVector(0.0f, 0.0f, 0.0f, 1.0f), true},
        {zVector(0.5f, 1.5f, 0.0f, 1.0f), false},
    };
    for (const Case& entry : cases)
        EXPECT_EQ(trigger->IsInside(entry.point), entry.inside)
            << entry.point.x << " " << entry.point.y << " " << entry.point.z;
}

TEST_F(TriggerTest, InsideFollowsTheTriggersPlaceAndTurn) {
    trigger->zItem::SetPosition(zVector(10.0f, 0.0f, 0.0f, 1.0f));
    trigger->zItem::SetScale(zVector(4.0f, 1.0f, 1.0f, 1.0f));
    // A quarter turn about Y lays the long X side along Z.
    trigger->zItem::SetRotation(zVector(0.0f, 1.5707964f, 0.0f, 1.0f));
    EXPECT_TRUE(trigger->IsInside(zVector(10.0f, 0.0f, 1.9f, 1.0f)));
    EXPECT_FALSE(trigger->IsInside(zVector(11.9f, 0.0f, 0.0f, 1.0f)));
}

TEST_F(TriggerTest, StayingThreeUpdatesGivesOneEnterThreeTriggersOneExit) {
    Place(0.0f);
    for (int update = 0; update < 3; ++update)
        scene->Update(UpdateAll);
    Place(5.0f);
    scene->Update(UpdateAll);
    scene->Update(UpdateAll);
    EXPECT_EQ(recorder.Lines(), (std::vector<std::string>{
                                    "OnTrigger(crate, door)",
                                    "OnEnterTrigger(crate, door)",
                                    "OnItemEnter(door, crate)",
                                    "OnTrigger(crate, door)",
                                    "OnTrigger(crate, door)",
                                    "OnExitTrigger(crate, door)",
                                    "OnItemExit(door, crate)",
                                }));
    EXPECT_EQ(trigger->GetItems().GetCount(), 0u);
}

TEST_F(TriggerTest, OnlyActiveDetectedItemsAndActiveTriggersCount) {
    Place(0.0f);
    item->SetBehaviour(0);
    scene->Update(UpdateAll);
    EXPECT_EQ(recorder.Count("OnTrigger"), 0);
    item->SetBehaviour(BehaviourTriggerDetected);
    trigger->Activate(false, false);
    scene->Update(UpdateAll);
    EXPECT_EQ(recorder.Count("OnTrigger"), 0);
    trigger->Activate(true, false);
    scene->Update(UpdateAll & ~UpdateTriggers);
    EXPECT_EQ(recorder.Count("OnTrigger"), 0);
    scene->Update(UpdateAll);
    EXPECT_EQ(recorder.Count("OnEnterTrigger"), 1);
}

// The trigger pass runs before the command lists: an item moved inside by a
// command is seen in the update after the one that moved it.
TEST_F(TriggerTest, AnItemMovedByACommandIsDetectedOneUpdateLater) {
    SetFrameTime(500);
    Place(5.0f);
    ASSERT_GT(scene->LoadCommandList("toposition 0.05, 0, 0, 0;", *item), 0);
    scene->Update(UpdateAll);
    EXPECT_EQ(item->zItem::GetPosition()->x, 0.0f);
    EXPECT_EQ(recorder.Count("OnEnterTrigger"), 0);
    scene->Update(UpdateAll);
    EXPECT_EQ(recorder.Count("OnEnterTrigger"), 1);
}

TEST_F(TriggerTest, DeletingAnItemInsideSendsItsExitAtTheFlush) {
    Place(0.0f);
    scene->Update(UpdateAll);
    recorder.Clear();
    scene->QueueForDeletion(item);
    scene->FlushDeletionQueue();
    EXPECT_EQ(recorder.Lines(), (std::vector<std::string>{
                                    "OnExitTrigger(crate, door)",
                                    "OnItemExit(door, crate)",
                                    "OnDelete(crate)",
                                }));
    EXPECT_EQ(trigger->GetItems().GetCount(), 0u);
}

// A direct delete (a script's, DeleteContent's) leaves no record either.
TEST_F(TriggerTest, DeletingAnItemDirectlyLeavesNoRecordBehind) {
    Place(0.0f);
    scene->Update(UpdateAll);
    ASSERT_TRUE(trigger->FindRecord(item));
    delete item;
    EXPECT_EQ(trigger->GetItems().GetCount(), 0u);
    EXPECT_EQ(recorder.Count("OnExitTrigger"), 1);
    scene->Update(UpdateAll);
}

TEST_F(TriggerTest, DeletingTheTriggerWithItemsInsideIsSafe) {
    Place(0.0f);
    scene->Update(UpdateAll);
    scene->QueueForDeletion(trigger);
    scene->Update(UpdateAll);
    EXPECT_EQ(scene->GetKindList(ManagedKindTrigger).GetCount(), 0u);
    scene->Update(UpdateAll);
    EXPECT_EQ(recorder.Count("OnDelete"), 1);
}

// The first exit handler deletes the other item inside, whose record the
// pass is about to walk.
TEST_F(TriggerTest, AnExitHandlerThatDeletesAnotherItemInsideIsSafe) {
    TestItem* other = Add("barrel");
    other->SetBehaviour(BehaviourTriggerDetected);
    Trace(other, "barrel");
    Place(0.0f);
    scene->Update(UpdateAll);
    ASSERT_EQ(trigger->GetItems().GetCount(), 2u);
    events.onExit = [&](zScriptUnitList& units) {
        if (&units == &item->GetScriptUnits() && other) {
            TestItem* doomed = other;
            other = nullptr;
            delete doomed;
        }
    };
    trigger->ClearMarks();
    trigger->ExitUnmarked();
    EXPECT_EQ(trigger->GetItems().GetCount(), 0u);
    EXPECT_EQ(recorder.Lines(), (std::vector<std::string>{
                                    "OnTrigger(crate, door)",
                                    "OnEnterTrigger(crate, door)",
                                    "OnItemEnter(door, crate)",
                                    "OnTrigger(barrel, door)",
                                    "OnEnterTrigger(barrel, door)",
                                    "OnItemEnter(door, barrel)",
                                    "OnExitTrigger(crate, door)",
                                    // A direct delete: OnDelete first, then
                                    // the scene drops the references.
                                    "OnDelete(barrel)",
                                    "OnExitTrigger(barrel, door)",
                                    "OnItemExit(door, barrel)",
                                    "OnItemExit(door, crate)",
                                }));
}

// A handler of the item's own trigger events that destroys the item: the
// trigger must not touch or hand out the item afterwards.
TEST_F(TriggerTest, AnItemDestroyedByItsOwnTriggerHandlerIsNotTouchedAgain) {
    Place(5.0f);
    using Hook = std::function<void(zScriptUnitList&)> TriggerEvents::*;
    struct Case {
        Hook hook;
        int stepsInsideBefore;
        bool leaves; // moved out in the deciding step
        const char* lastLine;
    } const cases[] = {
        // No record yet: nothing to exit.
        {&TriggerEvents::onTrigger, 0, false, "OnDelete(victim)"},
        // A record: the destruction lets the item exit while it is whole.
        {&TriggerEvents::onTrigger, 1, false, "OnItemExit(door, victim)"},
        {&TriggerEvents::onEnter, 0, false, "OnItemExit(door, victim)"},
        // Destroyed in its own exit: the trigger's OnItemExit is not sent.
        {&TriggerEvents::onExit, 1, true, "OnDelete(victim)"},
    };
    for (const Case& entry : cases) {
        TestItem* victim = Add("victim");
        victim->SetBehaviour(BehaviourTriggerDetected);
        Trace(victim, "victim");
        victim->zItem::SetPosition(zVector(0.0f, 0.0f, 0.0f, 1.0f));
        for (int step = 0; step < entry.stepsInsideBefore; ++step)
            scene->Update(UpdateAll);
        if (entry.leaves) victim->zItem::SetPosition(zVector(5.0f, 0.0f, 0.0f, 1.0f));
        events.*entry.hook = [&](zScriptUnitList& units) {
            if (victim && &units == &victim->GetScriptUnits()) {
                TestItem* doomed = victim;
                victim = nullptr;
                delete doomed;
            }
        };
        recorder.Clear();
        scene->Update(UpdateAll);
        events.*entry.hook = nullptr;
        EXPECT_EQ(victim, nullptr);
        EXPECT_EQ(trigger->GetItems().GetCount(), 0u) << entry.stepsInsideBefore;
        // Nothing about the item follows its destruction.
        ASSERT_FALSE(recorder.Lines().empty());
        EXPECT_EQ(recorder.Lines().back(), entry.lastLine);
        scene->Update(UpdateAll);
    }
}

TEST_F(TriggerTest, ExitOfARecordNotHeldDoesNothing) {
    zTriggerItem stranger(item);
    trigger->Exit(&stranger);
    trigger->Exit(nullptr);
    trigger->ExitItem(item);
    EXPECT_TRUE(recorder.Lines().empty());
}

TEST_F(TriggerTest, TagRoundTripAndErrors) {
    trigger->zItem::SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    std::unique_ptr<zMetaTag> tag(trigger->SerializeTag());
    ASSERT_TRUE(tag);
    zTrigger* copy = scene->AddTrigger("copy");
    ASSERT_TRUE(copy->ParseTag(nullptr, tag.get()));
    std::unique_ptr<zMetaTag> again(copy->SerializeTag());
    EXPECT_EQ(DumpOne(again.get()), DumpOne(tag.get()));
    EXPECT_EQ(copy->GetName(), "door");
    EXPECT_EQ(copy->zItem::GetPosition()->z, 3.0f);

    log.Reset();
    EXPECT_FALSE(copy->ParseTag(nullptr, ZmlDocument("<MTrigger>").Root()));
    EXPECT_EQ(log.Text(), "[!] Could not parse trigger. Root tag id is incorrect (MTrigger).\n");
    log.Reset();
    EXPECT_TRUE(copy->ParseTag(nullptr, ZmlDocument("<Trigger= <MItem= <UId=3> > <Odd> >").Root()));
    EXPECT_EQ(log.Text(), "[*] Unknown tag 'Odd' in <Trigger>.\n");
}

} // namespace
