#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/array_list.h"
#include "tests/support/log_capture.h"

namespace {

struct Item {
    explicit Item(const char* name = "", int* deaths = nullptr) : name(name), deaths(deaths) {}
    ~Item() {
        if (deaths) ++*deaths;
    }
    const zString& GetName() const { return name; }
    zString name;
    int* deaths;
};

struct ListItem : zArrayListItem {
    explicit ListItem(int* deaths, const char* name = nullptr) : deaths(deaths), name(name) {}
    ~ListItem() override { ++*deaths; }
    const zString& GetName() const override { return name; }
    int* deaths;
    zString name;
};

template <typename T> std::vector<T*> Elements(const zArray<T>& array) {
    std::vector<T*> elements;
    for (u32 position = 0; position < array.GetCount(); ++position)
        elements.push_back(array.GetAt(position));
    return elements;
}

} // namespace

TEST(ArrayList, AddGrowsToTwicePlusFour) {
    Item items[13];
    zArray<Item> array;
    EXPECT_EQ(array.GetCapacity(), 0u);
    EXPECT_FALSE(array.Add(&items[0], false));
    EXPECT_TRUE(array.Add(&items[0], true));
    EXPECT_EQ(array.GetCapacity(), 4u);
    for (int k = 1; k < 4; ++k)
        array.Add(&items[k]);
    EXPECT_EQ(array.GetCapacity(), 4u);
    EXPECT_FALSE(array.Add(&items[4], false));
    EXPECT_EQ(array.GetCount(), 4u);
    EXPECT_TRUE(array.Add(&items[4]));
    EXPECT_EQ(array.GetCapacity(), 12u);
    for (int k = 5; k < 13; ++k)
        array.Add(&items[k]);
    EXPECT_EQ(array.GetCapacity(), 28u);
    for (u32 k = 0; k < 13; ++k)
        EXPECT_EQ(array.GetAt(k), &items[k]);
}

TEST(ArrayList, InsertAtGrowsAnEmptyArray) {
    Item a, b, c, d, e;
    zArray<Item> array;
    EXPECT_FALSE(array.InsertAt(&a, 0, false));
    EXPECT_TRUE(array.InsertAt(&b, 0, true));
    EXPECT_GE(array.GetCapacity(), 1u);
    EXPECT_EQ(array.GetCapacity(), 4u);
    EXPECT_TRUE(array.InsertAt(&a, 0));
    EXPECT_TRUE(array.InsertAt(&d, 2));
    EXPECT_TRUE(array.InsertAt(&c, 2));
    EXPECT_EQ(Elements(array), (std::vector<Item*>{&a, &b, &c, &d}));
    EXPECT_TRUE(array.InsertAt(&e, 4)); // full: twice the capacity
    EXPECT_EQ(array.GetCapacity(), 8u);
    EXPECT_EQ(Elements(array), (std::vector<Item*>{&a, &b, &c, &d, &e}));
}

TEST(ArrayList, InsertAtPastTheCountFails) {
    Item a, b;
    zArray<Item> array(4);
    array.Add(&a);
    LogCapture log;
    EXPECT_FALSE(array.InsertAt(&b, 2));
    EXPECT_EQ(log.Text(), "[*] Out of bound array access.\n");
    EXPECT_EQ(Elements(array), (std::vector<Item*>{&a}));
}

TEST(ArrayList, ReserveKeepsOrderAndRefusesToShrink) {
    Item a, b, c;
    zArray<Item> array(10);
    EXPECT_EQ(array.GetCapacity(), 10u);
    for (Item* item : {&a, &b, &c})
        array.Add(item);
    array.RemoveAt(0);
    array.InsertAt(&a, 1); // positions now differ from slots
    LogCapture log;
    EXPECT_TRUE(array.Reserve(10));
    EXPECT_TRUE(array.Reserve(3));
    EXPECT_EQ(array.GetCapacity(), 3u);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(Elements(array), (std::vector<Item*>{&b, &a, &c}));
    EXPECT_FALSE(array.Reserve(2));
    EXPECT_EQ(log.Text(), "[!] Cannot shrink array, too many entries.\n");
    EXPECT_EQ(array.GetCapacity(), 3u);
    EXPECT_EQ(Elements(array), (std::vector<Item*>{&b, &a, &c}));
}

TEST(ArrayList, GetAtPastTheEndLogs) {
    Item a;
    zArray<Item> array;
    LogCapture log;
    EXPECT_EQ(array.GetAt(0), nullptr);
    EXPECT_EQ(log.Text(), "[*] Out of bound array access.\n");
    log.Reset();
    array.Add(&a);
    EXPECT_EQ(array.GetAt(0), &a);
    EXPECT_EQ(array.GetAt(1), nullptr);
    EXPECT_EQ(log.Text(), "[*] Out of bound array access.\n");
}

TEST(ArrayList, RemoveAtShiftsPositions) {
    Item a, b, c, d;
    zArray<Item> array(3);
    for (Item* item : {&a, &b, &c})
        array.Add(item);
    EXPECT_TRUE(array.RemoveAt(0));
    EXPECT_EQ(array.GetAt(0), &b);
    EXPECT_TRUE(array.Add(&d, false)); // the freed slot takes it, no growth
    EXPECT_EQ(array.GetCapacity(), 3u);
    EXPECT_EQ(Elements(array), (std::vector<Item*>{&b, &c, &d}));

    LogCapture log;
    EXPECT_FALSE(array.RemoveAt(3));
    EXPECT_EQ(log.Text(), "[*] Out of bound array access.\n");
    EXPECT_EQ(Elements(array), (std::vector<Item*>{&b, &c, &d}));

    zArray<Item> empty;
    EXPECT_TRUE(empty.RemoveAt(0));
    EXPECT_TRUE(empty.RemoveAt(7));
}

TEST(ArrayList, RemoveFirstReservesHalfOrSixtyFour) {
    struct Case {
        u32 capacity;
        u32 count;
        u32 capacityAfter;
    };
    const Case cases[] = {
        {10, 3, 64},    // below half full: max(5, 64)
        {10, 5, 10},    // half full: untouched
        {200, 10, 100}, // max(100, 64)
        {4, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        std::vector<Item> items(c.count);
        zArray<Item> array(c.capacity);
        for (Item& item : items)
            array.Add(&item, false);
        EXPECT_TRUE(array.Remove(&items[0]));
        EXPECT_EQ(array.GetCapacity(), c.capacityAfter);
        EXPECT_EQ(array.GetCount(), c.count - 1);
        for (u32 k = 1; k < c.count; ++k)
            EXPECT_EQ(array.GetAt(k - 1), &items[k]);
    }
}

TEST(ArrayList, RemoveByPointer) {
    int deaths = 0;
    Item kept("kept");
    Item* owned = new Item("owned", &deaths);
    zArray<Item> array;
    array.Add(&kept);
    array.Add(owned);
    Item stranger;
    EXPECT_FALSE(array.Remove(&stranger));
    EXPECT_TRUE(array.Remove(owned, true));
    EXPECT_EQ(deaths, 1);
    EXPECT_TRUE(array.Remove(&kept, false));
    EXPECT_EQ(array.GetCount(), 0u);
}

TEST(ArrayList, ClearAndDestruction) {
    int deaths = 0;
    {
        zArray<Item> array;
        array.Add(new Item("1", &deaths));
        array.Add(new Item("2", &deaths));
        array.Clear(true);
        EXPECT_EQ(deaths, 2);
        EXPECT_EQ(array.GetCount(), 0u);
        EXPECT_EQ(array.GetCapacity(), 0u);
        EXPECT_TRUE(array.Add(new Item("3", &deaths)));
        EXPECT_EQ(array.GetCapacity(), 4u);
        array.Clear(true);
    }
    EXPECT_EQ(deaths, 3);

    Item onStack("s", &deaths);
    {
        zArray<Item> borrowed; // frees its storage only
        borrowed.Add(&onStack);
        borrowed.Add(&onStack);
    }
    EXPECT_EQ(deaths, 3);

    {
        zArrayList owner;
        owner.Add(new ListItem(&deaths));
        owner.Add(new ListItem(&deaths));
        owner.InsertAt(new ListItem(&deaths), 0);
    }
    EXPECT_EQ(deaths, 6);
}

TEST(ArrayList, FindById) {
    Item quote("`"), a("a"), scene("Scene");
    zArray<Item> array;
    for (Item* item : {&quote, &a, &scene})
        array.Add(item);
    LogCapture log;
    EXPECT_EQ(array.FindById("a"), &a); // same hash as "`": the bytes decide
    EXPECT_EQ(array.FindById(zString("Scene")), &scene);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(array.FindById("x"), nullptr);
    EXPECT_EQ(log.Text(), "[*] ArrayListID failed to find 'x'.\n");
    log.Reset();
    EXPECT_EQ(array.FindById("x", false), nullptr);
    EXPECT_EQ(log.Text(), "");

    int deaths = 0;
    zArrayList list;
    auto* named = new ListItem(&deaths, "named");
    list.Add(new ListItem(&deaths));
    list.Add(named);
    EXPECT_EQ(list.FindById("named"), named);
    EXPECT_EQ(list.FindById("other", false), nullptr);
}

TEST(ArrayList, MatchesAVectorThroughMixedOperations) {
    std::vector<Item> pool(64);
    std::mt19937 random(12345);
    zArray<Item> array;
    std::vector<Item*> model;
    LogCapture log; // out-of-range probes log; the lines are not the point here
    for (int step = 0; step < 4000; ++step) {
        Item* item = &pool[random() % pool.size()];
        switch (random() % 6) {
        case 0:
            ASSERT_TRUE(array.Add(item));
            model.push_back(item);
            break;
        case 1: {
            u32 position = static_cast<u32>(random() % (model.size() + 1));
            ASSERT_TRUE(array.InsertAt(item, position));
            model.insert(model.begin() + position, item);
            break;
        }
        case 2:
            if (!model.empty()) {
                u32 position = static_cast<u32>(random() % model.size());
                ASSERT_TRUE(array.RemoveAt(position));
                model.erase(model.begin() + position);
            }
            break;
        case 3: {
            bool present = false;
            for (auto it = model.begin(); it != model.end(); ++it) {
                if (*it == item) {
                    model.erase(it);
                    present = true;
                    break;
                }
            }
            ASSERT_EQ(array.Remove(item), present);
            break;
        }
        case 4:
            array.Reserve(array.GetCount() + static_cast<u32>(random() % 8));
            break;
        default:
            ASSERT_EQ(array.GetAt(static_cast<u32>(model.size())), nullptr);
            break;
        }
        ASSERT_EQ(Elements(array), model) << "step " << step;
        ASSERT_LE(array.GetCount(), array.GetCapacity());
    }
}
