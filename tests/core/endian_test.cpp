#include "core/endian.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/support/log_capture.h"

TEST(Endian, HostIsLittleEndianAndLogsOnFirstQueryOnly) {
    ResetHostEndianness();
    LogCapture capture;
    EXPECT_EQ(GetHostEndianness(), ByteOrderLittleEndian);
    EXPECT_EQ(GetHostEndianness(), 2u);
    EXPECT_EQ(capture.Text(), "Host memory configuration: Using little endian.\n");
}

TEST(Endian, ConcurrentFirstQueriesLogOnce) {
    ResetHostEndianness();
    LogCapture capture;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) threads.emplace_back([] { GetHostEndianness(); });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(capture.Text(), "Host memory configuration: Using little endian.\n");
}

TEST(Endian, SwapReversesTwoOrFourBytesOnly) {
    struct Case {
        u32 size;
        u8 expected[8];
    };
    const Case cases[] = {
        {2, {2, 1, 3, 4, 5, 6, 7, 8}},
        {4, {4, 3, 2, 1, 5, 6, 7, 8}},
        {0, {1, 2, 3, 4, 5, 6, 7, 8}},
        {1, {1, 2, 3, 4, 5, 6, 7, 8}},
        {3, {1, 2, 3, 4, 5, 6, 7, 8}},
        {8, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        u8 bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        SwapEndian(c.size, bytes);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], c.expected[i]) << "size " << c.size << " byte " << i;
    }
    SwapEndian(4, nullptr);
}

TEST(Endian, SwappedWordReadsBackInTheOtherOrder) {
    u32 word = 0x11223344u;
    SwapEndian(4, &word);
    EXPECT_EQ(word, 0x44332211u);
    u16 half = 0xABCD;
    SwapEndian(2, &half);
    EXPECT_EQ(half, 0xCDABu);
}
