#include "audio/pcm_sample.h"

#include <gtest/gtest.h>

#include "audio/sound.h"
#include "tests/support/log_capture.h"

TEST(PCMSample, StartsEmptyAsStereo16Bit48k) {
    zPCMSample sample;
    EXPECT_EQ(sample.frameCount, 0u);
    EXPECT_EQ(sample.data, nullptr);
    EXPECT_EQ(sample.reserved, 0u);
    EXPECT_EQ(sample.channels, 2u);
    EXPECT_EQ(sample.sampleRate, 48000u);
    EXPECT_EQ(sample.bitsPerSample, 16);
    EXPECT_EQ(sample.GetDataSize(), 0u);
}

TEST(PCMSample, AllocateCopiesFormatAndSizesBlock) {
    struct Case {
        u32 frames;
        zPCMFormat format;
        u32 expectedSize;
    };
    const Case cases[] = {
        {10, {0, 2, 44100, 16}, 40},
        {7, {5, 1, 22050, 8}, 7},
        {3, {0, 6, 48000, 24}, 54},
        {0, {0, 2, 48000, 16}, 0},
    };
    for (const Case& c : cases) {
        zPCMSample sample;
        u8* data = sample.Allocate(c.frames, c.format);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(sample.data, data);
        EXPECT_EQ(sample.frameCount, c.frames);
        EXPECT_EQ(sample.reserved, c.format.reserved);
        EXPECT_EQ(sample.channels, c.format.channels);
        EXPECT_EQ(sample.sampleRate, c.format.sampleRate);
        EXPECT_EQ(sample.bitsPerSample, c.format.bitsPerSample);
        EXPECT_EQ(sample.GetDataSize(), c.expectedSize);
        if (c.expectedSize) data[c.expectedSize - 1] = 0x5A; // the whole block is writable
    }
}

TEST(PCMSample, AllocateTwiceReplacesTheBlock) {
    zPCMSample sample;
    ASSERT_NE(sample.Allocate(100, {0, 2, 48000, 16}), nullptr);
    ASSERT_NE(sample.Allocate(5, {0, 1, 8000, 8}), nullptr);
    EXPECT_EQ(sample.frameCount, 5u);
    EXPECT_EQ(sample.GetDataSize(), 5u);
}

TEST(PCMSample, BlockPast32BitsIsRefusedWithMessage) {
    LogCapture log;
    zPCMSample sample;
    ASSERT_NE(sample.Allocate(4, {0, 2, 48000, 16}), nullptr);
    EXPECT_EQ(sample.Allocate(0xFFFFFFFFu, {0, 8, 48000, 32}), nullptr);
    EXPECT_EQ(log.Text(), "[!] Failed to allocate raw PCM sample buffer.\n");
    EXPECT_EQ(sample.data, nullptr);
    EXPECT_EQ(sample.frameCount, 0u);
    EXPECT_EQ(sample.GetDataSize(), 0u);
}

TEST(Sound, UnnamedSoundIsNamedSd) {
    zSound unnamed;
    zSound empty(nullptr, "");
    zSound named(nullptr, "boom");
    EXPECT_TRUE(unnamed.name == "sd");
    EXPECT_TRUE(empty.name == "sd");
    EXPECT_TRUE(named.name == "boom");
    EXPECT_EQ(named.mixerData, nullptr);
    EXPECT_TRUE(named.path.IsEmpty());
}

TEST(Sound, DestroyingSoundFreesMixerDataStillAttached) {
    static int destroyed = 0;
    struct CountingData : zMixerData {
        ~CountingData() override { ++destroyed; }
    };
    destroyed = 0;
    {
        zSound sound(nullptr, "a");
        sound.mixerData = new CountingData;
    }
    EXPECT_EQ(destroyed, 1);
}
