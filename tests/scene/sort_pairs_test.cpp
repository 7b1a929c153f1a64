#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "scene/sort_pairs.h"

namespace {

// Values are unique per case, so each value names the key it must keep.
std::vector<zKeyValuePair> Pairs(const std::vector<f32>& keys) {
    std::vector<zKeyValuePair> pairs;
    for (size_t i = 0; i < keys.size(); ++i) pairs.push_back({keys[i], static_cast<u32>(100 + i)});
    return pairs;
}

void ExpectSortedWithValues(const std::vector<zKeyValuePair>& before, const std::vector<zKeyValuePair>& after,
                            const std::string& name) {
    ASSERT_EQ(before.size(), after.size()) << name;
    std::map<u32, f32> keyOfValue;
    for (const zKeyValuePair& pair : before) keyOfValue[pair.value] = pair.key;
    std::multiset<u32> valuesBefore, valuesAfter;
    for (size_t i = 0; i < after.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(after[i - 1].key, after[i].key) << name << " at " << i;
        }
        EXPECT_EQ(keyOfValue[after[i].value], after[i].key) << name << " value " << after[i].value;
        valuesBefore.insert(before[i].value);
        valuesAfter.insert(after[i].value);
    }
    EXPECT_EQ(valuesBefore, valuesAfter) << name;
}

} // namespace

TEST(SortPairsByKey, TableOfArrays) {
    struct Case {
        const char* name;
        std::vector<f32> keys;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one pair", {3.5f}},
        {"sorted", {-2.0f, 0.0f, 1.0f, 4.0f, 9.0f}},
        {"reversed", {9.0f, 4.0f, 1.0f, 0.0f, -2.0f, -7.5f}},
        {"all equal", {2.0f, 2.0f, 2.0f, 2.0f}},
        {"duplicates", {5.0f, 1.0f, 5.0f, -1.0f, 1.0f, 5.0f, 0.0f}},
        {"two", {1.0f, 0.5f}},
    };
    for (const Case& c : cases) {
        std::vector<zKeyValuePair> pairs = Pairs(c.keys);
        std::vector<zKeyValuePair> before = pairs;
        SortPairsByKey(pairs.data(), 0, static_cast<i32>(pairs.size()) - 1);
        ExpectSortedWithValues(before, pairs, c.name);
    }
}

TEST(SortPairsByKey, OnlyTheInclusiveRangeMoves) {
    std::vector<zKeyValuePair> pairs = Pairs({9.0f, 3.0f, 2.0f, 1.0f, 0.0f});
    SortPairsByKey(pairs.data(), 1, 3);
    EXPECT_EQ(pairs[0].value, 100u);
    EXPECT_EQ(pairs[4].value, 104u);
    EXPECT_EQ(pairs[1].key, 1.0f);
    EXPECT_EQ(pairs[2].key, 2.0f);
    EXPECT_EQ(pairs[3].key, 3.0f);
    SortPairsByKey(pairs.data(), 3, 2); // empty range
    EXPECT_EQ(pairs[3].key, 3.0f);
}

TEST(SortPairsByKey, LargeOrganPipeInputStaysSortedAndShallow) {
    // Rising then falling keys with many repeats: a pattern that drives a
    // left-first quicksort deep.
    std::vector<f32> keys;
    for (int i = 0; i < 50000; ++i) keys.push_back(static_cast<f32>(i % 997));
    for (int i = 50000; i > 0; --i) keys.push_back(static_cast<f32>(i));
    std::vector<zKeyValuePair> pairs = Pairs(keys);
    std::vector<zKeyValuePair> before = pairs;
    SortPairsByKey(pairs.data(), 0, static_cast<i32>(pairs.size()) - 1);
    ExpectSortedWithValues(before, pairs, "organ pipe");
}

TEST(SortPairsByKey, SwapPairsSwapsBothWordsAndReturnsTheFirst) {
    zKeyValuePair a{1.0f, 7u}, b{2.0f, 9u};
    EXPECT_EQ(SwapPairs(&a, &b), &a);
    EXPECT_EQ(a.key, 2.0f);
    EXPECT_EQ(a.value, 9u);
    EXPECT_EQ(b.key, 1.0f);
    EXPECT_EQ(b.value, 7u);
}
