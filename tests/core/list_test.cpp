#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/list.h"
#include "core/shared_object.h"
#include "core/zstring.h"

namespace {

// The values from the head, checking that the backward links and the count agree.
template <typename T> std::vector<T> Walk(const zList<T>& list) {
    std::vector<T> forward;
    for (auto* node = list.GetHead(); node; node = node->next)
        forward.push_back(node->value);
    std::vector<T> backward;
    for (auto* node = list.GetTail(); node; node = node->previous)
        backward.insert(backward.begin(), node->value);
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(forward.size(), list.GetCount());
    if (list.GetHead()) {
        EXPECT_EQ(list.GetHead()->previous, nullptr);
    }
    if (list.GetTail()) {
        EXPECT_EQ(list.GetTail()->next, nullptr);
    }
    return forward;
}

std::vector<std::string> Texts(const zList<zString>& list) {
    std::vector<std::string> texts;
    for (auto* node = list.GetHead(); node; node = node->next)
        texts.push_back(node->value.CStr() ? node->value.CStr() : "");
    return texts;
}

struct Counted : zSharedObject {
    explicit Counted(int* deaths) : deaths(deaths) {}
    ~Counted() override { ++*deaths; }
    int* deaths;
};

} // namespace

TEST(List, AddAtEndOrFront) {
    zList<int> list;
    list.Add(2);
    list.Add(3, true);
    list.Add(1, false);
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 2, 3}));
    list.Add(2, true, true);
    EXPECT_EQ(Walk(list), (std::vector<int>{1, 2, 3, 2}));
}

TEST(List, AddWithoutDuplicatesReturnsTheExistingNode) {
    zList<zString> list;
    auto* first = list.Add(zString("mesh"), true, false);
    list.Add(zString("other"), true, false);
    zString sameText("mesh");
    auto* again = list.Add(sameText, true, false);
    EXPECT_EQ(again, first);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"mesh", "other"}));
    EXPECT_NE(list.Add(sameText, false, true), first);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"mesh", "mesh", "other"}));
}

TEST(List, InsertBeforeAndAfter) {
    zList<int> list;
    auto* two = list.InsertAfter(2, nullptr); // empty list: append
    list.InsertBefore(1, nullptr);            // front
    list.InsertAfter(4, nullptr);             // end
    list.InsertAfter(3, two);
    list.InsertBefore(0, list.GetHead());
    list.InsertAfter(5, list.GetTail());
    EXPECT_EQ(Walk(list), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(list.GetHead()->value, 0);
    EXPECT_EQ(list.GetTail()->value, 5);
}

TEST(List, IndexAccessWalksFromTheHead) {
    zList<int*> list;
    int a = 0, b = 0;
    list.Add(&a);
    list.Add(&b);
    EXPECT_EQ(list.GetAt(0), &a);
    EXPECT_EQ(list.GetAt(1), &b);
    EXPECT_EQ(list.GetAt(2), nullptr);
    EXPECT_EQ(list.GetNodeAt(2), nullptr);
    EXPECT_EQ(list.GetNodeAt(0xFFFFFFFFu), nullptr);
    EXPECT_EQ(list.GetNodeAt(1)->value, &b);

    zList<zString> names;
    names.Add(zString("x"));
    EXPECT_EQ(names.GetAt(5).CStr(), nullptr);
}

TEST(List, RemoveNodesAnywhere) {
    struct Case {
        int removed;
        std::vector<int> left;
    };
    const Case cases[] = {{1, {2, 3}}, {2, {1, 3}}, {3, {1, 2}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        zList<int> list;
        for (int v : {1, 2, 3})
            list.Add(v);
        auto* node = list.RemoveNode(list.Find(c.removed));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->value, c.removed);
        EXPECT_EQ(node->previous, nullptr);
        EXPECT_EQ(node->next, nullptr);
        delete node;
        EXPECT_EQ(Walk(list), c.left);
    }
    zList<int> list;
    EXPECT_EQ(list.RemoveNode(nullptr), nullptr);
    list.Add(7);
    EXPECT_FALSE(list.Remove(8));
    EXPECT_TRUE(list.Remove(7));
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.GetHead(), nullptr);
    EXPECT_EQ(list.GetTail(), nullptr);
    list.Add(9);
    EXPECT_EQ(Walk(list), (std::vector<int>{9}));
}

TEST(List, ClearFreesNodesNotPointedObjects) {
    int deaths = 0;
    Counted* object = new Counted(&deaths);
    {
        zList<Counted*> pointers;
        pointers.Add(object);
        pointers.Add(object);
        pointers.Clear();
        EXPECT_EQ(pointers.GetCount(), 0u);
        EXPECT_EQ(pointers.GetHead(), nullptr);
        EXPECT_EQ(pointers.GetTail(), nullptr);
        pointers.Add(object);
    }
    EXPECT_EQ(deaths, 0);
    delete object;

    zList<zString> names;
    names.Add(zString("a long enough name to live on the heap"));
    names.Clear(); // the sanitizer reports the string if it leaked
    EXPECT_EQ(names.GetCount(), 0u);
}

TEST(List, SharedPointersAreReleasedWithTheirNodes) {
    int deaths = 0;
    Counted* object = new Counted(&deaths);
    zSharedPtr<Counted> keeper(object);
    {
        zList<zSharedPtr<Counted>> list;
        list.Add(zSharedPtr<Counted>(object));
        list.Add(zSharedPtr<Counted>(object));
        EXPECT_EQ(object->GetRefCount(), 3u);
        list.Clear();
        EXPECT_EQ(object->GetRefCount(), 1u);
        list.Add(keeper);
    }
    EXPECT_EQ(object->GetRefCount(), 1u);
    keeper = nullptr;
    EXPECT_EQ(deaths, 1);
}

TEST(List, SoleOwnersMoveInAndAreTakenOutUnlinked) {
    int deaths = 0;
    zList<std::unique_ptr<Counted>> list;
    auto owner = std::make_unique<Counted>(&deaths);
    Counted* first = owner.get();
    ASSERT_NE(list.Add(std::move(owner)), nullptr);
    EXPECT_EQ(owner, nullptr);
    list.Add(std::make_unique<Counted>(&deaths), false);
    list.Add(std::make_unique<Counted>(&deaths));
    EXPECT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetHead()->next->value.get(), first);

    // The taken value outlives its node and is no longer in the list.
    std::unique_ptr<Counted> taken = list.Take(list.GetHead()->next);
    EXPECT_EQ(taken.get(), first);
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list.GetHead()->next, list.GetTail());
    EXPECT_EQ(list.GetTail()->previous, list.GetHead());
    EXPECT_EQ(deaths, 0);
    taken.reset();
    EXPECT_EQ(deaths, 1);

    // Dropping what Take returns destroys it; clearing destroys the rest.
    list.Take(list.GetHead());
    EXPECT_EQ(deaths, 2);
    list.Clear();
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(list.GetHead(), nullptr);
}
