#include "audio/lmr/ov_demuxer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "audio/lmr/stream.h"
#include "tests/audio/stream_fakes.h"
#include "tests/support/log_capture.h"

namespace {

// Zero crossings of one channel per second: twice the tone's frequency.
double ToneFrequency(const std::vector<i16>& stereo, int channel, double rate) {
    int crossings = 0;
    const size_t frames = stereo.size() / 2;
    for (size_t i = 1; i < frames; ++i)
        if ((stereo[2 * (i - 1) + channel] < 0) != (stereo[2 * i + channel] < 0)) ++crossings;
    return crossings / 2.0 / (frames / rate);
}

// The whole file decoded through a stream with an output that never has enough.
std::vector<i16> DecodeAll(const char* name) {
    RecordingOutput output;
    lmr_Stream stream(nullptr, &output);
    EXPECT_TRUE(stream.Open(TestData(name).c_str(), false));
    EXPECT_EQ(stream.GetState(), StreamEnded);
    return output.Samples();
}

TEST(OVDemuxer, MonoStreamIsWrittenAsStereoWithBothChannelsEqual) {
    LogCapture log;
    RecordingOutput output;
    lmr_Stream stream(nullptr, &output);
    ASSERT_TRUE(stream.Open(TestData("tone_mono.ogg").c_str(), false));
    const std::string path = TestData("tone_mono.ogg");
    EXPECT_EQ(log.Text(), "[H] Opening stream '" + path +
                              "'.\nSelectAudioDemuxer(): Using 'OGG Vorbis stream demuxer'.\n"
                              "[H] OGG Vorbis audio stream 44100hz 16bit 1 channel(s).\n"
                              "[H]     Max frame size = 1024\n");
    EXPECT_EQ(stream.GetAudioFormat().sampleRate, 44100u);
    EXPECT_EQ(stream.GetAudioFormat().bitsPerSample, 16u);
    EXPECT_EQ(stream.GetAudioFormat().stereo, 0);
    const std::vector<i16> samples = output.Samples();
    // 0.25 s of 440 Hz, whole.
    EXPECT_EQ(samples.size() / 2, 11025u);
    for (size_t i = 0; i < samples.size(); i += 2) ASSERT_EQ(samples[i], samples[i + 1]) << i;
    EXPECT_NEAR(ToneFrequency(samples, 0, 44100), 440, 10);
}

TEST(OVDemuxer, StereoStreamKeepsItsChannels) {
    const std::vector<i16> samples = DecodeAll("tone_stereo.ogg");
    ASSERT_EQ(samples.size() / 2, 11025u);
    EXPECT_NEAR(ToneFrequency(samples, 0, 44100), 440, 10);
    EXPECT_NEAR(ToneFrequency(samples, 1, 44100), 440, 10);
    // The right channel carries half the amplitude.
    long left = 0, right = 0;
    for (size_t i = 2000; i < samples.size(); i += 2) {
        left = std::max(left, std::labs(samples[i]));
        right = std::max(right, std::labs(samples[i + 1]));
    }
    EXPECT_NEAR(double(right) / double(left), 0.5, 0.05);
}

// Seeks on a stream whose output holds a little; the rest decoded after the
// seek must be the file from the target on.
struct SeekCase {
    u32 milliseconds;
    bool reached;
    size_t firstFrame; // of the full decode, where the stream goes on
};

TEST(OVDemuxer, SeekLandsOnTheTargetFrame) {
    const std::vector<i16> full = DecodeAll("tone_long.ogg");
    ASSERT_EQ(full.size() / 2, 66150u);
    const SeekCase cases[] = {
        {10, true, 256},       // below 1024 samples: only rewinds (the reset drops a half frame)
        {100, true, 4410},     // from the start of the file
        {500, true, 22050},    // bisected
        {1000, true, 44100},   // bisected
        {1499, true, 66105},   // inside the last frame
        {1500, false, 0},      // the end itself
        {60000, false, 0},     // far past the end: fails, no endless bisection
        {4000000, false, 0},   // so far that rate x time overflows 32 bits
    };
    for (const SeekCase& row : cases) {
        RecordingOutput output(8192);
        lmr_Stream stream(nullptr, &output);
        ASSERT_TRUE(stream.Open(TestData("tone_long.ogg").c_str(), false));
        EXPECT_EQ(stream.Seek(row.milliseconds), row.reached) << row.milliseconds;
        EXPECT_EQ(stream.GetState(), StreamPlaying);
        output.pcm.clear();
        output.limit = 0;
        stream.Update(1);
        EXPECT_EQ(stream.GetState(), StreamEnded);
        const std::vector<i16> rest = output.Samples();
        if (!row.reached) {
            EXPECT_TRUE(rest.empty()) << row.milliseconds;
            continue;
        }
        // stb_vorbis counts the sample the bytes run out at; the frame kept
        // goes on from its estimate of the target, which may lie up to a
        // short block (256 samples) before the true one.
        EXPECT_EQ(rest.size() / 2, full.size() / 2 - row.firstFrame) << row.milliseconds;
        if (rest.size() < 2000) continue; // the last frame: too short to compare
        size_t best = 0;
        long bestDifference = -1;
        for (size_t k = row.firstFrame >= 300 ? row.firstFrame - 300 : 0; k <= row.firstFrame; ++k) {
            long difference = 0;
            for (size_t i = 0; i < 1000; ++i) difference += std::labs(rest[2 * i] - full[2 * (k + i)]);
            if (bestDifference < 0 || difference < bestDifference) {
                bestDifference = difference;
                best = k;
            }
        }
        EXPECT_LT(bestDifference, 1000 * 64) << row.milliseconds;
        EXPECT_LE(row.firstFrame - best, 256u) << row.milliseconds;
    }
}

TEST(OVDemuxer, RefusesOtherContent) {
    const Bytes notOgg = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3};
    TempContent file("ov_not_vorbis.ogg", notOgg);
    zIOHandle input;
    ASSERT_TRUE(input.Open(file.Path(), true));
    lmr_Stream stream(nullptr, nullptr);
    lmr_OVDemuxer demuxer(&input);
    EXPECT_FALSE(demuxer.Open(stream));
}

TEST(OVDemuxer, TruncatedFileEndsTheStream) {
    FILE* in = std::fopen(TestData("tone_long.ogg").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    Bytes bytes(8192);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
    std::fclose(in);
    bytes.resize(bytes.size() - 600);
    TempContent file("ov_truncated.ogg", bytes);
    RecordingOutput output;
    lmr_Stream stream(nullptr, &output);
    ASSERT_TRUE(stream.Open(file.Path(), false));
    EXPECT_EQ(stream.GetState(), StreamEnded);
    EXPECT_GT(output.pcm.size() / 4, 0u);
    EXPECT_LT(output.pcm.size() / 4, 66150u);
}

} // namespace
