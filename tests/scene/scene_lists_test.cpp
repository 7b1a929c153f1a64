// The scene's item lists: the orders their walks show (update, deletion,
// light sort) survive links and unlinks, and the lists' upkeep costs the same
// per item in a large scene as in a small one.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "scene/group.h"
#include "scene/managed_object.h"
#include "tests/scene/scene_fixture.h"

namespace {

// Writes its name to a shared trace on each update and on destruction.
class TracingItem : public TestItem {
  public:
    TracingItem(zScene* scene, std::string* trace, u32 kind = ManagedKindObject)
        : TestItem(scene, kind), m_trace(trace) {}
    ~TracingItem() override {
        *m_trace += "~";
        *m_trace += GetName().CStr();
    }
    void Update() override { *m_trace += GetName().CStr(); }

  private:
    std::string* m_trace;
};

class SceneListTest : public SceneFixture {
  public:
    TracingItem* AddTraced(const char* name, u32 kind = ManagedKindObject) {
        return scene->AddItem(name, "[!] test item\n",
                              [&] { return new TracingItem(scene.Get(), &trace, kind); });
    }
    static std::string Names(const zList<zMItem*>& list) {
        std::string names;
        for (auto* node = list.GetHead(); node; node = node->next)
            names += node->value->GetName().CStr();
        return names;
    }
    std::string trace;
};

TEST_F(SceneListTest, UpdateFollowsTheActiveListAcrossDeactivationAndReactivation) {
    TracingItem* a = AddTraced("a");
    TracingItem* b = AddTraced("b");
    AddTraced("c");
    scene->Update(UpdateAll);
    EXPECT_EQ(trace, "abc");
    // A reactivated item goes back at the end of the active list.
    a->Activate(false, false);
    scene->Update(UpdateAll);
    a->Activate(true, false);
    trace.clear();
    scene->Update(UpdateAll);
    EXPECT_EQ(trace, "bca");
    // Queued on and off before the update: nothing moves.
    b->Activate(false, false);
    b->Activate(true, false);
    trace.clear();
    scene->Update(UpdateAll);
    EXPECT_EQ(trace, "bca");
    EXPECT_EQ(Names(scene->GetActiveItems()), "bca");
    EXPECT_EQ(Names(scene->GetAllItems()), "abc");
}

TEST_F(SceneListTest, TheDeletionQueueFlushesInQueueOrderAndEachHolderForgetsInListOrder) {
    TestItem* holder = Add("holder");
    TracingItem* a = AddTraced("a");
    TracingItem* b = AddTraced("b");
    TracingItem* c = AddTraced("c");
    AddTraced("d");
    EXPECT_TRUE(scene->QueueForDeletion(c));
    EXPECT_TRUE(scene->QueueForDeletion(a));
    EXPECT_TRUE(scene->QueueForDeletion(c));
    EXPECT_TRUE(scene->QueueForDeletion(b));
    EXPECT_EQ(Names(scene->GetDeletionQueue()), "cab");
    scene->Update(UpdateItems);
    EXPECT_EQ(trace, "~c~a~bd");
    EXPECT_EQ(holder->forgotten, (std::vector<zMItem*>{c, c, a, a, b, b}));
    EXPECT_EQ(Names(scene->GetAllItems()), "holderd");
    EXPECT_EQ(Names(scene->GetKindList(ManagedKindObject)), "holderd");
    EXPECT_EQ(scene->GetDeletionQueue().GetCount(), 0u);
}

TEST_F(SceneListTest, SortedLightsLeaveTheirListOneByOne) {
    // Deleting each light after the sort moved it: the list keeps the others
    // in their sorted order.
    const char* names[] = {"a", "b", "c", "d", "e"};
    const f32 keys[] = {3.0f, 1.0f, 2.0f, 0.5f, 2.0f};
    std::vector<TracingItem*> lights;
    for (int i = 0; i < 5; ++i) {
        lights.push_back(AddTraced(names[i], ManagedKindLight));
        lights.back()->key = keys[i];
    }
    scene->SortLightsByKey();
    EXPECT_EQ(Names(scene->GetKindList(ManagedKindLight)), "dbcea");
    const char* expected[] = {"dbce", "dce", "de", "e", ""};
    for (int i = 0; i < 5; ++i) {
        delete lights[static_cast<size_t>(i)];
        EXPECT_EQ(Names(scene->GetKindList(ManagedKindLight)), expected[i]);
    }
    EXPECT_EQ(scene->GetAllItems().GetCount(), 0u);
}

TEST_F(SceneListTest, AnItemDeletedWhileQueuedLeavesEveryQueue) {
    TracingItem* a = AddTraced("a");
    TracingItem* b = AddTraced("b");
    a->Activate(false, false);
    b->Activate(false, false);
    b->Activate(true, false);
    scene->QueueForDeletion(a);
    scene->QueueForDeletion(b);
    delete a;
    EXPECT_EQ(Names(scene->GetDeletionQueue()), "b");
    EXPECT_EQ(scene->GetDeactivationQueue().GetCount(), 0u);
    scene->DeleteContent(false);
    EXPECT_EQ(scene->GetDeletionQueue().GetCount(), 0u);
    EXPECT_EQ(trace, "~a~b");
    // The lists are usable again after the content went.
    TracingItem* c = AddTraced("c");
    scene->QueueForDeletion(c);
    scene->Update(UpdateAll);
    EXPECT_EQ(trace, "~a~b~c");
}

TEST_F(SceneListTest, UidLookupsFollowEveryChangeAndGiveTheFirstHolder) {
    TestItem* a = Add("a");
    TestItem* b = Add("b");
    TestItem* c = Add("c");
    EXPECT_EQ(scene->GetManagedItemByUid(1), b);
    // Two items holding one uid: the earlier in the list wins.
    c->SetUid(1);
    EXPECT_EQ(scene->GetManagedItemByUid(1), b);
    EXPECT_EQ(scene->GetManagedItemByUid(2), nullptr);
    a->SetUid(1);
    EXPECT_EQ(scene->GetManagedItemByUid(1), a);
    delete a;
    EXPECT_EQ(scene->GetManagedItemByUid(1), b);
    delete b;
    EXPECT_EQ(scene->GetManagedItemByUid(1), c);
    c->SetUid(40);
    log.Reset();
    EXPECT_EQ(scene->GetManagedItemByUid(1), nullptr);
    EXPECT_EQ(log.Text(), "[*] No managed item with UID (1).\n");
    EXPECT_EQ(scene->GetManagedItemByUid(40), c);
    scene->DeleteContent(false);
    EXPECT_EQ(scene->GetManagedItemByUid(40), nullptr);
    // Many uids that share their low bits all resolve.
    std::vector<TestItem*> items;
    for (i32 i = 0; i < 64; ++i) {
        items.push_back(Add("x"));
        items.back()->SetUid(i * 1024);
    }
    for (i32 i = 0; i < 64; ++i)
        EXPECT_EQ(scene->GetManagedItemByUid(i * 1024), items[static_cast<size_t>(i)]);
}

// Process time of one phase, in seconds.
template <typename Phase> double Seconds(Phase phase) {
    const std::clock_t start = std::clock();
    phase();
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

struct PhaseTimes {
    double add = 0.0, update = 0.0, backwards = 0.0, lookup = 0.0, queue = 0.0, flush = 0.0, deleteAll = 0.0;
};

// Every phase over count objects, all of them members of one group, half of
// them deleted through the queue (each leaves the group as it goes).
PhaseTimes TimePhases(zScene& scene, u32 count) {
    PhaseTimes times;
    std::vector<zMObject*> objects(count);
    zGroup* group = scene.AddGroup("members");
    times.add = Seconds([&] {
        for (u32 i = 0; i < count; ++i) {
            objects[i] = scene.AddObject("o", nullptr);
            group->AddItem(objects[i], false);
        }
    });
    times.update = Seconds([&] { scene.Update(UpdateAll); });
    // Settled and quiet, then moved and woken last first: each goes back into
    // the moved and busy lists ahead of the others.
    scene.Update(UpdateAll);
    times.backwards = Seconds([&] {
        for (u32 i = count; i-- > 0;) {
            objects[i]->zItem::SetPosition(zVector(1.0f, 0.0f, 0.0f, 1.0f));
            objects[i]->SetBehaviour(objects[i]->GetBehaviour());
        }
        scene.Update(UpdateAll);
    });
    times.lookup = Seconds([&] {
        for (u32 i = 0; i < count; ++i)
            EXPECT_EQ(scene.GetManagedItemByUid(objects[i]->GetUid()), objects[i]);
    });
    times.queue = Seconds([&] {
        for (u32 i = 0; i < count; i += 2)
            scene.QueueForDeletion(objects[i]);
    });
    times.flush = Seconds([&] { scene.FlushDeletionQueue(); });
    times.deleteAll = Seconds([&] { scene.DeleteContent(false); });
    return times;
}

TEST_F(SceneListTest, EveryPhaseCostsTheSamePerObjectInALargeScene) {
    constexpr u32 Small = 1000;
    constexpr u32 Large = 32000;
    // The best of a few runs of each size, so a slow moment (or the heap's
    // first growth) does not count.
    auto best = [&](u32 count, int runs) {
        PhaseTimes times = TimePhases(*scene, count);
        for (int run = 1; run < runs; ++run) {
            const PhaseTimes again = TimePhases(*scene, count);
            times.add = std::min(times.add, again.add);
            times.update = std::min(times.update, again.update);
            times.backwards = std::min(times.backwards, again.backwards);
            times.lookup = std::min(times.lookup, again.lookup);
            times.queue = std::min(times.queue, again.queue);
            times.flush = std::min(times.flush, again.flush);
            times.deleteAll = std::min(times.deleteAll, again.deleteAll);
        }
        return times;
    };
    const PhaseTimes small = best(Small, 4);
    const PhaseTimes large = best(Large, 2);
    // Linear upkeep gives a ratio near 1 (up to 2 or 3 on a busy machine); a
    // search per item gives 10 and more.
    auto ratio = [&](double largeTime, double smallTime) {
        const double floor = 1e-4; // below the clock's resolution
        return (std::max(largeTime, floor) / Large) / (std::max(smallTime, floor) / Small);
    };
    constexpr double Limit = 6.0;
    EXPECT_LT(ratio(large.add, small.add), Limit);
    EXPECT_LT(ratio(large.update, small.update), Limit);
    EXPECT_LT(ratio(large.backwards, small.backwards), Limit);
    EXPECT_LT(ratio(large.lookup, small.lookup), Limit);
    EXPECT_LT(ratio(large.queue, small.queue), Limit);
    EXPECT_LT(ratio(large.flush, small.flush), Limit);
    EXPECT_LT(ratio(large.deleteAll, small.deleteAll), Limit);
}

} // namespace
