// Our own reading of a WAV file the "file" mixer wrote: every header field
// as it stands in the bytes, and the samples. Kept apart from the product's
// WAV reader so that a fault in one is not hidden by the same fault in the other.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct WavFile {
    bool read = false;        // the file exists and holds a 44-byte header
    std::string riff, wave, fmt, data;
    uint32_t riffSize = 0, fmtSize = 0, sampleRate = 0, byteRate = 0, dataSize = 0;
    uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
    size_t fileSize = 0;
    std::vector<int16_t> samples; // interleaved left, right

    int16_t Left(size_t frame) const { return samples.at(2 * frame); }
    int16_t Right(size_t frame) const { return samples.at(2 * frame + 1); }
    size_t Frames() const { return samples.size() / 2; }
};

inline WavFile ReadWavFile(const std::string& path) {
    WavFile wav;
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    wav.fileSize = bytes.size();
    if (bytes.size() < 44) return wav;
    auto u32 = [&bytes](size_t at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    auto u16 = [&bytes](size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    auto tag = [&bytes](size_t at) { return std::string(bytes.begin() + long(at), bytes.begin() + long(at) + 4); };
    wav.riff = tag(0);
    wav.riffSize = u32(4);
    wav.wave = tag(8);
    wav.fmt = tag(12);
    wav.fmtSize = u32(16);
    wav.formatTag = u16(20);
    wav.channels = u16(22);
    wav.sampleRate = u32(24);
    wav.byteRate = u32(28);
    wav.blockAlign = u16(32);
    wav.bitsPerSample = u16(34);
    wav.data = tag(36);
    wav.dataSize = u32(40);
    for (size_t at = 44; at + 1 < bytes.size(); at += 2)
        wav.samples.push_back(int16_t(u16(at)));
    wav.read = true;
    return wav;
}

// The mixer's output file: the 44-byte header of 48000 Hz stereo 16-bit PCM,
// with both sizes patched for dataSize bytes of frames.
inline void ExpectMixerWavHeader(const WavFile& wav, uint32_t dataSize) {
    ASSERT_TRUE(wav.read);
    EXPECT_EQ(wav.riff, "RIFF");
    EXPECT_EQ(wav.wave, "WAVE");
    EXPECT_EQ(wav.fmt, "fmt ");
    EXPECT_EQ(wav.fmtSize, 16u);
    EXPECT_EQ(wav.formatTag, 1u);
    EXPECT_EQ(wav.channels, 2u);
    EXPECT_EQ(wav.sampleRate, 48000u);
    EXPECT_EQ(wav.byteRate, 192000u);
    EXPECT_EQ(wav.blockAlign, 4u);
    EXPECT_EQ(wav.bitsPerSample, 16u);
    EXPECT_EQ(wav.data, "data");
    EXPECT_EQ(wav.dataSize, dataSize);
    EXPECT_EQ(wav.riffSize, dataSize + 36);
    EXPECT_EQ(wav.fileSize, size_t(dataSize) + 44);
}
