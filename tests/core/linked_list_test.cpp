#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/linked_list.h"
#include "tests/support/log_capture.h"

namespace {

struct Named : zLinkedListEntryId {
    Named(const char* name, int* deaths = nullptr) : zLinkedListEntryId(zString(name)), deaths(deaths) {}
    ~Named() override {
        if (deaths) ++*deaths;
    }
    int* deaths;
};

// The names from the head, checking the backward links and the count; a
// walk stops one past the count, so a cycle shows as a mismatch.
std::vector<std::string> Names(const zLinkedList& list) {
    std::vector<std::string> forward;
    for (zLinkedListEntry* e = list.GetHead(); e; e = e->GetNext()) {
        forward.push_back(static_cast<Named*>(e)->id.CStr());
        if (forward.size() > list.GetCount()) break;
    }
    std::vector<std::string> backward;
    for (zLinkedListEntry* e = list.GetTail(); e; e = e->GetPrevious()) {
        backward.insert(backward.begin(), static_cast<Named*>(e)->id.CStr());
        if (backward.size() > list.GetCount()) break;
    }
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(forward.size(), list.GetCount());
    return forward;
}

} // namespace

TEST(LinkedList, AddKeepsOneLinkPerEntry) {
    zLinkedListId list;
    auto* a = new Named("a");
    auto* b = new Named("b");
    EXPECT_EQ(list.Add(a), a);
    EXPECT_EQ(list.Add(b, false), b);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "a"}));

    EXPECT_EQ(list.Add(a, true, false), a); // already linked: returned unchanged
    EXPECT_EQ(list.Add(a, true, true), a);  // even when duplicates are allowed
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(list.Add(static_cast<zLinkedListEntryId*>(nullptr)), nullptr);
    EXPECT_EQ(list.GetCount(), 2u);
}

TEST(LinkedList, InsertNextToAReference) {
    zLinkedListId list;
    auto* b = list.Add(new Named("b"));
    auto* a = list.InsertBefore(new Named("a"), b);
    auto* d = list.InsertAfter(new Named("d"), b);
    list.InsertAfter(new Named("c"), b);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(list.GetHead(), a);
    EXPECT_EQ(list.GetTail(), d);
    list.InsertAfter(new Named("e"), d);
    list.InsertBefore(new Named("0"), a);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"0", "a", "b", "c", "d", "e"}));

    Named loose("loose");
    EXPECT_EQ(list.InsertBefore(&loose, nullptr), nullptr);
    EXPECT_EQ(list.InsertAfter(&loose, nullptr), nullptr);
    EXPECT_EQ(list.InsertAfter(b, d), b); // already in: unchanged
    EXPECT_EQ(Names(list), (std::vector<std::string>{"0", "a", "b", "c", "d", "e"}));
}

TEST(LinkedList, DetachAndRemove) {
    int deaths = 0;
    zLinkedListId list;
    auto* a = list.Add(new Named("a", &deaths));
    auto* b = list.Add(new Named("b", &deaths));
    auto* c = list.Add(new Named("c", &deaths));
    Named outsider("x");

    EXPECT_FALSE(list.Detach(&outsider));
    EXPECT_FALSE(list.Remove(&outsider));
    EXPECT_TRUE(list.Detach(b));
    EXPECT_FALSE(list.Contains(b));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(list.Add(b, false), b); // a detached entry can go back in
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "a", "c"}));

    EXPECT_TRUE(list.Remove(c, false));
    EXPECT_EQ(deaths, 0);
    delete c;
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(list.Remove(a, true));
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b"}));
    EXPECT_TRUE(list.Remove(b));
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(list.GetHead(), nullptr);
    EXPECT_EQ(list.GetTail(), nullptr);
}

TEST(LinkedList, OwnershipDecidesDeletion) {
    int deaths = 0;
    Named kept1("k1", &deaths), kept2("k2", &deaths), kept3("k3", &deaths);
    {
        zLinkedListId borrowed;
        borrowed.SetNotOwner(true);
        borrowed.Add(&kept1);
        borrowed.Add(&kept2);
        borrowed.Add(&kept3);
        EXPECT_TRUE(borrowed.Remove(&kept3, true));
        borrowed.Clear(true);
        EXPECT_EQ(borrowed.GetCount(), 0u);
        borrowed.Add(&kept1); // cleared entries are free to be linked again
    }
    EXPECT_EQ(deaths, 0);

    zLinkedListId owner;
    owner.Add(&kept1);
    owner.Add(&kept2);
    owner.Clear(false);
    EXPECT_EQ(owner.GetCount(), 0u);
    EXPECT_EQ(owner.GetHead(), nullptr);
    EXPECT_EQ(deaths, 0);

    {
        zLinkedListId dying;
        dying.Add(new Named("n1", &deaths));
        dying.Add(new Named("n2", &deaths));
    }
    EXPECT_EQ(deaths, 2);
    owner.Add(new Named("n3", &deaths));
    owner.Clear(true);
    EXPECT_EQ(deaths, 3);
}

TEST(LinkedList, GetAtPastTheEndLogs) {
    zLinkedListId list;
    auto* a = list.Add(new Named("a"));
    auto* b = list.Add(new Named("b"));
    LogCapture log;
    EXPECT_EQ(list.GetAt(0), a);
    EXPECT_EQ(list.GetAt(1), b);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(list.GetAt(2), nullptr);
    EXPECT_EQ(log.Text(), "[!] out of bound linked list access.\n");
    log.Reset();
    zLinkedListId empty;
    EXPECT_EQ(empty.GetAt(0), nullptr);
    EXPECT_EQ(log.Text(), "[!] out of bound linked list access.\n");
}

TEST(LinkedList, IterationSurvivesRemovingTheCurrentEntry) {
    struct Case {
        const char* name;
        std::set<std::string> removed;
    };
    const Case cases[] = {
        {"none", {}},    {"all", {"a", "b", "c", "d"}}, {"head", {"a"}},
        {"tail", {"d"}}, {"every other", {"b", "d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int deaths = 0;
        zLinkedListId list;
        for (const char* name : {"a", "b", "c", "d"})
            list.Add(new Named(name, &deaths));
        zLinkedListIterator iterator;
        iterator.Init(list);
        EXPECT_EQ(iterator.count, 4u);
        std::vector<std::string> visited;
        while (zLinkedListEntryId* entry = list.Next(iterator)) {
            visited.push_back(entry->id.CStr());
            if (c.removed.count(entry->id.CStr())) list.Remove(entry);
        }
        EXPECT_EQ(visited, (std::vector<std::string>{"a", "b", "c", "d"}));
        EXPECT_EQ(deaths, static_cast<int>(c.removed.size()));
        EXPECT_EQ(list.GetCount(), 4u - c.removed.size());
        Names(list);
    }

    zLinkedListId empty;
    zLinkedListIterator iterator;
    iterator.Init(empty);
    EXPECT_EQ(iterator.count, 0u);
    EXPECT_EQ(empty.Next(iterator), nullptr);
}

TEST(LinkedList, FindById) {
    zLinkedListId list;
    auto* quote = list.Add(new Named("`")); // shares its hash with "a"
    auto* a = list.Add(new Named("a"));
    auto* scene = list.Add(new Named("Scene"));
    LogCapture log;
    EXPECT_EQ(list.FindById("a"), a);
    EXPECT_EQ(list.FindById(zString("`")), quote);
    EXPECT_EQ(list.Find("Scene"), scene);
    EXPECT_EQ(list.Find(zString("Scene")), scene);
    EXPECT_EQ(log.Text(), "");

    EXPECT_EQ(list.FindById("x"), nullptr);
    EXPECT_EQ(log.Text(), "[*] LListID failed to find 'x'.\n");
    log.Reset();
    EXPECT_EQ(list.FindById("x", false), nullptr);
    EXPECT_EQ(list.Find("scene"), nullptr); // case matters; Find does not log
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(list.Find("scene", true), nullptr);
    EXPECT_EQ(log.Text(), "[*] LListID failed to find 'scene'.\n");
}

TEST(LinkedList, RandomEditsKeepBothDirectionsAndTheTail) {
    // The head carries the tail in its back link: every edit at either end,
    // in the middle and of the only entry must keep both walks and the tail.
    std::mt19937 random(7);
    zLinkedListId list;
    std::vector<std::string> model;
    std::vector<Named*> loose;
    for (int step = 0; step < 3000; ++step) {
        const u32 choice = random() % 5;
        if (choice < 2 || model.empty()) {
            auto* entry = new Named(std::to_string(step).c_str());
            const bool atEnd = random() % 2 == 0;
            list.Add(entry, atEnd);
            model.insert(atEnd ? model.end() : model.begin(), entry->id.CStr());
        } else if (choice == 2) {
            const u32 index = random() % model.size();
            auto* reference = list.GetAt(index);
            auto* entry = new Named(std::to_string(step).c_str());
            const bool before = random() % 2 == 0;
            if (before) {
                list.InsertBefore(entry, reference);
            } else {
                list.InsertAfter(entry, reference);
            }
            model.insert(model.begin() + index + (before ? 0 : 1), entry->id.CStr());
        } else {
            const u32 index = random() % model.size();
            auto* entry = static_cast<Named*>(list.GetAt(index));
            ASSERT_TRUE(list.Detach(entry));
            EXPECT_EQ(entry->GetPrevious(), nullptr);
            EXPECT_EQ(entry->GetNext(), nullptr);
            model.erase(model.begin() + index);
            loose.push_back(entry);
        }
        if (step % 97 == 0) {
            ASSERT_EQ(Names(list), model) << step;
        }
        EXPECT_EQ(list.GetHead() ? list.GetHead()->GetPrevious() : nullptr, nullptr);
        EXPECT_EQ(list.GetTail() ? list.GetTail()->GetNext() : nullptr, nullptr);
    }
    EXPECT_EQ(Names(list), model);
    // Detached entries go back in, at either end.
    for (size_t i = 0; i < loose.size(); ++i) {
        list.Add(loose[i], i % 2 == 0);
        model.insert(i % 2 == 0 ? model.end() : model.begin(), loose[i]->id.CStr());
    }
    EXPECT_EQ(Names(list), model);
}
