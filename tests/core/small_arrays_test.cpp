#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/small_arrays.h"

TEST(SmallArrays, ResizeReplacesTheValues) {
    zArrayU16 words;
    EXPECT_EQ(words.GetCount(), 0u);
    EXPECT_EQ(words.GetData(), nullptr);
    EXPECT_TRUE(words.Resize(3));
    ASSERT_NE(words.GetData(), nullptr);
    EXPECT_EQ(words.GetCount(), 3u);
    for (u32 k = 0; k < 3; ++k)
        EXPECT_EQ(words.GetData()[k], 0);
    words.GetData()[2] = 0xBEEF;
    EXPECT_TRUE(words.Resize(5));
    EXPECT_EQ(words.GetCount(), 5u);
    EXPECT_EQ(words.GetData()[2], 0);
    EXPECT_TRUE(words.Resize(0));
    EXPECT_EQ(words.GetCount(), 0u);
    EXPECT_EQ(words.GetData(), nullptr);

    zArrayU8 bytes(4);
    EXPECT_EQ(bytes.GetCount(), 4u);
    ASSERT_NE(bytes.GetData(), nullptr);
    bytes.GetData()[3] = 7;
    EXPECT_TRUE(bytes.Resize(0));
    EXPECT_EQ(bytes.GetCount(), 0u);
    EXPECT_EQ(bytes.GetData(), nullptr);
    zArrayU8 none(0);
    EXPECT_EQ(none.GetData(), nullptr);
    EXPECT_TRUE(none.Resize(2));
    EXPECT_EQ(none.GetCount(), 2u);
}

TEST(SortPairsByKey, SortsTheInclusiveRange) {
    struct Case {
        const char* name;
        std::vector<f32> keys;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one", {1}},
        {"sorted", {1, 2, 3, 4, 5}},
        {"reversed", {5, 4, 3, 2, 1}},
        {"equal keys", {2, 2, 2, 2}},
        {"mixed signs", {0.5f, -3, 7, -3, 0, 1e9f, -1e9f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<zSortPair> pairs;
        for (u32 k = 0; k < c.keys.size(); ++k)
            pairs.push_back({c.keys[k], k});
        SortPairsByKey(pairs.data(), 0, static_cast<i32>(pairs.size()) - 1);
        std::vector<f32> sortedKeys = c.keys;
        std::sort(sortedKeys.begin(), sortedKeys.end());
        std::vector<bool> seen(pairs.size(), false);
        for (u32 k = 0; k < pairs.size(); ++k) {
            EXPECT_EQ(pairs[k].key, sortedKeys[k]);
            ASSERT_LT(pairs[k].value, pairs.size());
            EXPECT_EQ(c.keys[pairs[k].value], pairs[k].key); // pairs move whole
            seen[pairs[k].value] = true;
        }
        EXPECT_EQ(std::count(seen.begin(), seen.end(), true), static_cast<long>(pairs.size()));
    }
}

TEST(SortPairsByKey, LeavesOutsideTheRangeAlone) {
    std::vector<zSortPair> pairs = {{9, 0}, {3, 1}, {2, 2}, {1, 3}, {0, 4}};
    SortPairsByKey(pairs.data(), 1, 3);
    std::vector<f32> keys;
    for (const zSortPair& pair : pairs)
        keys.push_back(pair.key);
    EXPECT_EQ(keys, (std::vector<f32>{9, 1, 2, 3, 0}));
    EXPECT_EQ(pairs[1].value, 3u);
    EXPECT_EQ(SwapPairs(&pairs[0], &pairs[4]), &pairs[0]);
    EXPECT_EQ(pairs[0].key, 0.0f);
    EXPECT_EQ(pairs[0].value, 4u);
}

TEST(SortPairsByKey, LargeInputWithRepeatedKeys) {
    std::vector<zSortPair> pairs;
    for (u32 k = 0; k < 200000; ++k)
        pairs.push_back({static_cast<f32>(k % 1000), k});
    std::mt19937 random(7);
    std::shuffle(pairs.begin(), pairs.end(), random);
    SortPairsByKey(pairs.data(), 0, static_cast<i32>(pairs.size()) - 1);
    for (u32 k = 1; k < pairs.size(); ++k)
        ASSERT_LE(pairs[k - 1].key, pairs[k].key);
}

TEST(BubbleSortPairs, StableCopyByKey) {
    const zWordPair input[] = {{3, 0}, {1, 1}, {3, 2}, {0, 3}, {1, 4}, {0xFFFFFFFFu, 5}};
    zWordPair output[6];
    BubbleSortPairs(input, output, 6);
    const zWordPair expected[] = {{0, 3}, {1, 1}, {1, 4}, {3, 0}, {3, 2}, {0xFFFFFFFFu, 5}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(output[k].key, expected[k].key);
        EXPECT_EQ(output[k].value, expected[k].value);
    }
    EXPECT_EQ(input[0].key, 3u); // the input is left as it was

    zWordPair inPlace[] = {{2, 0}, {1, 1}};
    BubbleSortPairs(inPlace, inPlace, 2);
    EXPECT_EQ(inPlace[0].value, 1u);
    BubbleSortPairs(inPlace, inPlace, 0);
}
