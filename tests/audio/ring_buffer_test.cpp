#include "audio/ring_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/log_capture.h"

namespace {

std::vector<u8> Pattern(size_t size) {
    std::vector<u8> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = u8(i * 7 + i / 251);
    return bytes;
}

TEST(RingBuffer, CreateLogsItsSize) {
    LogCapture log;
    zMixerRingBuffer ring;
    EXPECT_TRUE(ring.Create(4096, 8));
    EXPECT_EQ(log.Text(), "Allocate 32kb ring buffer (8*4096 bytes)\n");
    EXPECT_EQ(ring.GetFreeBlocks(), 8u);
    EXPECT_EQ(ring.GetReadableBytes(), 0u);
}

TEST(RingBuffer, EnoughDataOnceMoreThanHalfTheBlocksHoldData) {
    const struct {
        u32 blocks;
        bool enough;
    } cases[] = {{0, false}, {4, false}, {5, true}, {8, true}};
    for (const auto& row : cases) {
        zMixerRingBuffer ring;
        ring.Create(4096, 8);
        const std::vector<u8> bytes = Pattern(row.blocks * 4096);
        EXPECT_EQ(ring.Write(bytes.data(), u32(bytes.size())), bytes.size());
        EXPECT_EQ(ring.HasEnoughData(), row.enough) << row.blocks << " blocks";
    }
    zMixerRingBuffer none;
    EXPECT_TRUE(none.HasEnoughData()); // no blocks at all
}

TEST(RingBuffer, OnlyWholeBlocksBecomeReadable) {
    zMixerRingBuffer ring;
    ring.Create(4096, 8);
    const std::vector<u8> bytes = Pattern(10000);
    EXPECT_EQ(ring.Write(bytes.data(), 10000), 10000u);
    EXPECT_EQ(ring.GetReadableBytes(), 8192u);
    EXPECT_EQ(ring.GetFreeBlocks(), 6u);
    std::vector<u8> out(10000);
    EXPECT_EQ(ring.Read(out.data(), 10000), 8192u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 8192, bytes.begin()));
    // The rest arrives once its block is full.
    const std::vector<u8> more = Pattern(4096 - 1808);
    ring.Write(more.data(), u32(more.size()));
    EXPECT_EQ(ring.Read(out.data(), 4096), 4096u);
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + 1808, bytes.begin() + 8192));
    EXPECT_TRUE(std::equal(out.begin() + 1808, out.begin() + 4096, more.begin()));
}

TEST(RingBuffer, WritingIntoAFullRingDropsTheBytes) {
    zMixerRingBuffer ring;
    ring.Create(16, 2);
    const std::vector<u8> bytes = Pattern(40);
    EXPECT_EQ(ring.Write(bytes.data(), 40), 32u);
    EXPECT_EQ(ring.Write(bytes.data(), 40), 0u);
    std::vector<u8> out(32);
    EXPECT_EQ(ring.Read(out.data(), 40), 32u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin()));
    EXPECT_EQ(ring.Read(out.data(), 1), 0u);
}

TEST(RingBuffer, ReadsSkipWithoutDestinationAndWrapAround) {
    zMixerRingBuffer ring;
    ring.Create(16, 2);
    const std::vector<u8> bytes = Pattern(100);
    u32 written = 0;
    u32 read = 0;
    std::vector<u8> out(8);
    // Several laps of 8-byte reads and writes, every other read skipped.
    for (int lap = 0; lap < 10; ++lap) {
        written += ring.Write(bytes.data() + written, 8);
        if (ring.GetReadableBytes() >= 8) {
            const bool skip = lap % 2 == 0;
            ASSERT_EQ(ring.Read(skip ? nullptr : out.data(), 8), 8u);
            if (!skip) {
                EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + read));
            }
            read += 8;
        }
    }
    EXPECT_EQ(written, 80u);
    EXPECT_EQ(written - read, 8u); // a half block waits for its other half
}

TEST(RingBuffer, ExternalMemoryIsUsedAndNotFreed) {
    std::vector<u8> memory(64, 0);
    {
        zMixerRingBuffer ring;
        ring.Create(32, 2, memory.data());
        const std::vector<u8> bytes = Pattern(32);
        ring.Write(bytes.data(), 32);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), memory.begin()));
    }
    EXPECT_EQ(memory.size(), 64u);
}

} // namespace
