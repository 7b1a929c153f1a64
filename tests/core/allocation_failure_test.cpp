// Containers that allocate with nothrow new must survive a failed allocation:
// log where the system states a line, report failure and keep what they held.
// tests/support/failing_allocation.h makes one chosen allocation fail.
#include <gtest/gtest.h>

#include <new>

#include "core/array_list.h"
#include "core/list.h"
#include "core/shared_object.h"
#include "core/small_arrays.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/log_capture.h"

namespace {

struct Item {};

TEST(AllocationFailure, ReserveThatCannotAllocateLogsAndKeepsTheArray) {
    // Reserve allocates items, map and free slots in that order; any of them may fail.
    for (int failingIndex = 0; failingIndex < 3; ++failingIndex) {
        SCOPED_TRACE(failingIndex);
        Item a, b, c;
        zArray<Item> array(3);
        for (Item* item : {&a, &b, &c})
            array.Add(item, false);
        LogCapture log;
        {
            FailingAllocation failure(failingIndex);
            EXPECT_FALSE(array.Reserve(8));
        }
        EXPECT_EQ(log.Text(), "[!] Failed to resize array.\n");
        EXPECT_EQ(array.GetCapacity(), 3u);
        ASSERT_EQ(array.GetCount(), 3u);
        EXPECT_EQ(array.GetAt(0), &a);
        EXPECT_EQ(array.GetAt(2), &c);
    }
}

TEST(AllocationFailure, GrowingAddThatCannotAllocateAddsNothing) {
    Item a, b;
    zArray<Item> array(1);
    array.Add(&a, false);
    LogCapture log;
    {
        FailingAllocation failure(0);
        EXPECT_FALSE(array.Add(&b, true));
    }
    EXPECT_EQ(log.Text(), "[!] Failed to resize array.\n");
    EXPECT_EQ(array.GetCount(), 1u);
    EXPECT_EQ(array.GetCapacity(), 1u);
    EXPECT_TRUE(array.Add(&b, true));
    EXPECT_EQ(array.GetAt(1), &b);
}

TEST(AllocationFailure, SmallArraysAreLeftEmpty) {
    zArrayU8 bytes;
    ASSERT_TRUE(bytes.Resize(4));
    {
        FailingAllocation failure(0);
        EXPECT_FALSE(bytes.Resize(16));
    }
    EXPECT_EQ(bytes.GetCount(), 0u);
    EXPECT_EQ(bytes.GetData(), nullptr);
    {
        FailingAllocation failure(0);
        zArrayU8 constructed(16);
        EXPECT_EQ(constructed.GetCount(), 0u);
        EXPECT_EQ(constructed.GetData(), nullptr);
    }

    zArrayU16 words;
    ASSERT_TRUE(words.Resize(4));
    {
        FailingAllocation failure(0);
        EXPECT_FALSE(words.Resize(16));
    }
    EXPECT_EQ(words.GetCount(), 0u);
    EXPECT_EQ(words.GetData(), nullptr);
}

TEST(AllocationFailure, ListNodeThatCannotAllocateIsNotLinked) {
    zList<int> list;
    list.Add(1);
    LogCapture log;
    {
        FailingAllocation failure(0);
        EXPECT_EQ(list.Add(2), nullptr);
    }
    EXPECT_EQ(log.Text(), "[!] Failed to allocate list node.\n");
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetHead(), list.GetTail());
    EXPECT_EQ(list.Add(3)->previous, list.GetHead());
}

// A weak reference whose block cannot be made is empty, as one to a dead
// object; the object lives on, and a later weak reference works.
TEST(AllocationFailure, WeakReferenceWithoutABlockIsEmpty) {
    struct Resource : zSharedObject {};
    zSharedPtr<Resource> owner(new Resource);
    LogCapture log;
    {
        FailingAllocation failure(0);
        zWeakPtr<Resource> weak(owner.Get());
        EXPECT_FALSE(weak.IsAlive());
        EXPECT_EQ(weak.Lock().Get(), nullptr);
    }
    EXPECT_EQ(log.Text(), "[!] Failed to allocate weak reference block.\n");
    zWeakPtr<Resource> weak(owner.Get());
    EXPECT_EQ(weak.Get(), owner.Get());
}

} // namespace
