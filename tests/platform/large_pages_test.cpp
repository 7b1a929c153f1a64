#include "platform/large_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

TEST(LargePages, BlocksAreAlignedWritableAndZeroed) {
    for (const size_t size : {LargePageSize, 3 * LargePageSize}) {
        char* block = static_cast<char*>(OsAllocateLargePages(size));
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % LargePageSize, 0u) << size;
        EXPECT_EQ(block[0], 0);
        EXPECT_EQ(block[size - 1], 0);
        std::memset(block, 0x5A, size);
        EXPECT_EQ(block[size / 2], 0x5A);
        OsFreeLargePages(block, size);
    }
}

TEST(LargePages, ABlockLetGoOfStaysUsable) {
    char* block = static_cast<char*>(OsAllocateLargePages(LargePageSize));
    ASSERT_NE(block, nullptr);
    std::memset(block, 7, LargePageSize);
    OsLetGoOfLargePages(block, LargePageSize);
    // The old bytes or zeros, until written again.
    EXPECT_TRUE(block[4096] == 7 || block[4096] == 0);
    block[4096] = 9;
    EXPECT_EQ(block[4096], 9);
    OsFreeLargePages(block, LargePageSize);
}

TEST(LargePages, SizesThatAreNoMultipleAreRefused) {
    for (const size_t size : {size_t(0), size_t(1), LargePageSize + 4096, ~size_t(0) & ~(LargePageSize - 1)}) {
        EXPECT_EQ(OsAllocateLargePages(size), nullptr) << size;
    }
    OsFreeLargePages(nullptr, LargePageSize);  // nothing to free
}
