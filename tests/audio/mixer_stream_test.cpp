#include "audio/mixer_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "audio/lmr/stream.h"
#include "tests/audio/fake_mixer.h"
#include "tests/audio/stream_fakes.h"
#include "tests/support/log_capture.h"

namespace {

// Installs the real stream interfaces for one test.
struct RealStreams {
    RealStreams() : previous(SetMixerStreamFactory(&zMixerStream::Create)) {}
    ~RealStreams() { SetMixerStreamFactory(previous); }
    zMixerStreamFactory previous;
};

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 400; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(MixerStream, DecoderThreadFillsTheRingAndJoinsOnDestruction) {
    RealStreams streams;
    FakeMixer mixer;
    LogCapture log;
    const std::string path = TestData("tone_long.ogg");
    ASSERT_TRUE(mixer.StartChannelStream(3, path.c_str()));
    zMixerStreamInterface* stream = mixer.GetChannel(3)->stream;
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(log.Text(), "Allocate 32kb ring buffer (8*4096 bytes)\n[H] Opening stream '" + path +
                              "'.\nSelectAudioDemuxer(): Using 'OGG Vorbis stream demuxer'.\n"
                              "[H] OGG Vorbis audio stream 44100hz 16bit 1 channel(s).\n"
                              "[H]     Max frame size = 2048\n");
    // Drain the ring as a mixer would; the thread keeps refilling it until the
    // whole tone went through.
    u32 drained = 0;
    std::vector<u8> block(2048);
    ASSERT_TRUE(WaitFor([&] {
        stream->LockRing();
        while (stream->GetReadableBytes() >= 2048) drained += stream->ReadRing(block.data(), 2048);
        stream->UnlockRing();
        stream->LockStream();
        const bool playing = stream->IsStreamPlaying();
        stream->UnlockStream();
        return !playing;
    }));
    // Only whole blocks reach the mixer: at most one 4096-byte block is missing.
    EXPECT_GE(drained + 4096 + 16384, 66150u * 4);
    EXPECT_LE(drained, 66150u * 4);
    log.Reset();
    mixer.ReleaseChannelStream(3);
    EXPECT_EQ(log.Text(), "Stream interface decoder thread joined.\nStreamClose().\n\n");
}

TEST(MixerStream, DestroyWhileTheThreadRunsReturnsPromptly) {
    RealStreams streams;
    FakeMixer mixer;
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(mixer.StartChannelStream(0, TestData("tone_long.ogg").c_str()));
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
        const auto start = std::chrono::steady_clock::now();
        mixer.ReleaseChannelStream(0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    }
}

TEST(MixerStream, StreamClosedUnderTheMutexWhileTheThreadRuns) {
    RealStreams streams;
    FakeMixer mixer;
    ASSERT_TRUE(mixer.StartChannelStream(4, TestData("tone_long.ogg").c_str()));
    auto* stream = static_cast<zMixerStream*>(mixer.GetChannel(4)->stream);
    // Take a block out so that the thread has work, then close mid-stream.
    EXPECT_EQ(stream->Read(nullptr, 4096), 4096u);
    lmr_Stream* media = stream->LockMediaStream();
    media->Close();
    stream->UnlockStream();
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // steps on a closed stream do nothing
    stream->LockStream();
    EXPECT_FALSE(stream->IsStreamPlaying());
    stream->UnlockStream();
    mixer.ReleaseChannelStream(4);
}

TEST(MixerStream, LoopingSeekUnderTheStreamMutex) {
    RealStreams streams;
    FakeMixer mixer;
    ASSERT_TRUE(mixer.StartChannelStream(1, TestData("tone_mono.ogg").c_str()));
    zMixerStreamInterface* stream = mixer.GetChannel(1)->stream;
    // A loop position far past the end: the seek fails and returns.
    stream->LockStream();
    stream->SeekStream(600000);
    stream->UnlockStream();
    stream->LockStream();
    stream->SeekStream(0);
    EXPECT_TRUE(stream->IsStreamPlaying());
    stream->UnlockStream();
    mixer.ReleaseChannelStream(1);
}

TEST(MixerStream, OpenFailureLeavesNoStream) {
    RealStreams streams;
    FakeMixer mixer;
    TempContent file("mixer_stream_junk.bin", Bytes(100, 0x55));
    LogCapture log;
    EXPECT_FALSE(mixer.StartChannelStream(2, file.Path()));
    EXPECT_EQ(mixer.GetChannel(2)->stream, nullptr);
    EXPECT_NE(log.Text().find("[!] No suitable demuxer for stream.\n"), std::string::npos);
    EXPECT_NE(log.Text().find("[!] Failed to open content stream.\n"), std::string::npos);
}

} // namespace
