#include "audio/smix_mixer.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "tests/audio/fake_mixer.h"
#include "tests/audio/wav_file.h"
#include "tests/support/log_capture.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temporary_directory.h"

namespace {

// A 16-bit sound of the given samples (interleaved when stereo).
std::unique_ptr<zSound> MakeSound(const std::vector<int16_t>& samples, u32 channels = 1, u32 rate = 48000,
                                  u8 bits = 16) {
    auto sound = std::make_unique<zSound>(nullptr, "test");
    const u32 frames = u32(samples.size() / channels) * 16 / bits;
    u8* data = sound->Allocate(frames, zPCMFormat{0, channels, rate, bits});
    if (data) std::memcpy(data, samples.data(), sound->GetDataSize());
    return sound;
}

std::vector<int16_t> Constant(int16_t value, size_t count) {
    return std::vector<int16_t>(count, value);
}

// A "file" mixer writing into a fresh directory; Finish closes it and reads the file.
struct FileMixer {
    FileMixer() : directory("smix", false), path((directory.Path() / "out.wav").string()), mixer(nullptr, false) {
        EXPECT_TRUE(mixer.OpenOutputFile(path.c_str()));
        EXPECT_TRUE(mixer.Open());
    }
    WavFile Finish() {
        mixer.Close();
        return ReadWavFile(path);
    }

    TemporaryDirectory directory;
    std::string path;
    zSMixMixer mixer;
};

} // namespace

TEST(SMixMixer, WavHeaderIsPatchedAtClose) {
    // The first Update has no step (16384 bytes); each later one 0.02 s.
    for (int steps : {0, 1, 7}) {
        FileMixer file;
        file.mixer.Update();
        LogCapture log;
        file.mixer.SetFixedStep(200);
        EXPECT_EQ(log.Text(), "Fixed mixer step: 3840 bytes (step = 200).\n");
        for (int step = 0; step < steps; ++step)
            file.mixer.Update();
        WavFile wav = file.Finish();
        ExpectMixerWavHeader(wav, 16384 + 3840 * uint32_t(steps));
    }
}

TEST(SMixMixer, OneSecondOfOutput) {
    FileMixer file;
    file.mixer.SetFixedStep(10000);
    file.mixer.Update();
    WavFile wav = file.Finish();
    EXPECT_EQ(wav.dataSize, 192000u);
    EXPECT_EQ(wav.riffSize, 192036u);
}

TEST(SMixMixer, HeaderSizesStayZeroUntilClose) {
    FileMixer file;
    file.mixer.Update();
    WavFile open = ReadWavFile(file.path);
    EXPECT_EQ(open.riffSize, 0u);
    EXPECT_EQ(open.dataSize, 0u);
    // The destructor only closes the handle.
    {
        TemporaryDirectory directory("smix", false);
        const std::string path = (directory.Path() / "kept.wav").string();
        {
            zSMixMixer mixer(nullptr, false);
            ASSERT_TRUE(mixer.OpenOutputFile(path.c_str()));
            ASSERT_TRUE(mixer.Open());
            mixer.Update();
        }
        WavFile kept = ReadWavFile(path);
        EXPECT_EQ(kept.dataSize, 0u);
        EXPECT_EQ(kept.fileSize, 44u + 16384u);
    }
}

TEST(SMixMixer, FixedStepBytes) {
    const struct {
        i32 step;
        const char* line;
        u32 bytes;
    } cases[] = {
        {166, "Fixed mixer step: 3184 bytes (step = 166).\n", 3184},
        {200, "Fixed mixer step: 3840 bytes (step = 200).\n", 3840},
        {1, "Fixed mixer step: 16 bytes (step = 1).\n", 16},
        {0, "Fixed mixer step: 0 bytes (step = 0).\n", 0},
        {-5, "Fixed mixer step: 0 bytes (step = -5).\n", 0},
        // 48000 x step would not fit in 32 bits.
        {100000, "Fixed mixer step: 1920000 bytes (step = 100000).\n", 1920000},
    };
    for (const auto& row : cases) {
        zSMixMixer mixer(nullptr, false);
        LogCapture log;
        mixer.SetFixedStep(row.step);
        EXPECT_EQ(log.Text(), row.line);
        EXPECT_EQ(mixer.GetFixedStep(), row.bytes);
    }
}

TEST(SMixMixer, OutputFileThatCannotBeOpenedIsReported) {
    zSMixMixer mixer(nullptr, false);
    LogCapture log;
    EXPECT_FALSE(mixer.OpenOutputFile("/nonexistent-dir/out.wav"));
    EXPECT_EQ(log.Text(), "[!] Failed to open mixer output file '/nonexistent-dir/out.wav'.\n");
    EXPECT_FALSE(mixer.IsOutputFileOpen());
}

// The first frames of one sound on channel 0, as the file holds them.
TEST(SMixMixer, ExactSamples) {
    const struct {
        const char* name;
        std::vector<int16_t> samples;
        u32 channels;
        f32 gain, panning, master;
        int16_t left, right;
    } cases[] = {
        {"unity centre", Constant(16384, 64), 1, 1.0f, 0.5f, 1.0f, 16192, 16192},
        {"negative rounds down", Constant(-16384, 64), 1, 1.0f, 0.5f, 1.0f, -16193, -16193},
        {"pan 0 silences the right", Constant(16384, 64), 1, 1.0f, 0.0f, 1.0f, 32385, 0},
        {"pan 1 silences the left", Constant(16384, 64), 1, 1.0f, 1.0f, 1.0f, 0, 32385},
        // round(0.5 x 510) = 255, halved by the panning to 127.
        {"half gain", Constant(16384, 64), 1, 0.5f, 0.5f, 1.0f, 8064, 8064},
        {"master gain", Constant(16384, 64), 1, 1.0f, 0.5f, 0.5f, 8064, 8064},
        {"stereo keeps its sides", {16384, -16384, 16384, -16384, 16384, -16384}, 2, 1.0f, 0.5f, 1.0f, 16192,
         -16193},
        // (s x 127) x volume passes 32 bits: a 64-bit product, then the clamp.
        {"gain 3 saturates", Constant(32767, 64), 1, 3.0f, 0.5f, 1.0f, 32767, 32767},
        {"gain 3 saturates low", Constant(-32768, 64), 1, 3.0f, 0.5f, 1.0f, -32768, -32768},
        {"huge gain saturates", Constant(1000, 64), 1, 1.0e9f, 0.5f, 1.0f, 32767, 32767},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        FileMixer file;
        auto sound = MakeSound(row.samples, row.channels);
        file.mixer.SetGain(row.master);
        file.mixer.SetChannelGain(0, row.gain);
        file.mixer.SetChannelPanning(0, row.panning);
        file.mixer.SetChannelLoopMode(0, MixerLoopRepeat);
        ASSERT_TRUE(file.mixer.StartChannel(0, sound.get()));
        file.mixer.Update();
        WavFile wav = file.Finish();
        ASSERT_EQ(wav.Frames(), 4096u);
        for (size_t frame : {size_t(0), size_t(1), size_t(2), size_t(4095)}) {
            EXPECT_EQ(wav.Left(frame), row.left) << frame;
            EXPECT_EQ(wav.Right(frame), row.right) << frame;
        }
    }
}

// Two loud channels: the sum clamps at full scale instead of wrapping round.
TEST(SMixMixer, ChannelsSaturateWhenTheirSumOverflows) {
    FileMixer file;
    auto high = MakeSound(Constant(30000, 4096));
    auto low = MakeSound(Constant(-30000, 4096));
    ASSERT_TRUE(file.mixer.StartChannel(0, high.get()));
    ASSERT_TRUE(file.mixer.StartChannel(1, high.get()));
    ASSERT_TRUE(file.mixer.StartChannel(2, low.get()));
    ASSERT_TRUE(file.mixer.StartChannel(3, low.get()));
    ASSERT_TRUE(file.mixer.StartChannel(4, low.get()));
    file.mixer.SetFixedStep(1); // 4 frames
    file.mixer.Update();
    ASSERT_TRUE(file.mixer.StopChannel(2));
    ASSERT_TRUE(file.mixer.StopChannel(3));
    ASSERT_TRUE(file.mixer.StopChannel(4));
    file.mixer.Update();
    WavFile wav = file.Finish();
    ASSERT_EQ(wav.Frames(), 8u);
    // 2 x 29649 - 3 x 29650 fits; 2 x 29649 alone does not.
    EXPECT_EQ(wav.Left(0), -29652);
    EXPECT_EQ(wav.Left(4), 32767);
    EXPECT_EQ(wav.Right(4), 32767);
}

// Pitch 2 reads every other frame: frame k at pitch 2 is frame 2k at pitch 1.
TEST(SMixMixer, PitchTwoDoublesTheFrequency) {
    std::vector<int16_t> sine(4800);
    for (size_t at = 0; at < sine.size(); ++at)
        sine[at] = int16_t(std::lround(16000.0 * std::sin(2.0 * M_PI * 1000.0 * double(at) / 48000.0)));
    auto sound = MakeSound(sine);
    auto render = [&sound](f32 pitch) {
        FileMixer file;
        file.mixer.SetChannelPitch(0, pitch);
        file.mixer.SetChannelLoopMode(0, MixerLoopRepeat);
        EXPECT_TRUE(file.mixer.StartChannel(0, sound.get()));
        file.mixer.Update();
        return file.Finish();
    };
    WavFile unity = render(1.0f);
    WavFile doubled = render(2.0f);
    ASSERT_EQ(doubled.Frames(), 4096u);
    for (size_t frame = 0; frame < 2048; ++frame)
        ASSERT_EQ(doubled.Left(frame), unity.Left(2 * frame)) << frame;
    auto crossings = [](const WavFile& wav) {
        int count = 0;
        for (size_t frame = 1; frame < wav.Frames(); ++frame)
            count += (wav.Left(frame - 1) < 0) != (wav.Left(frame) < 0);
        return count;
    };
    // 4096 frames: 85.3 periods at 1 kHz, twice as many at 2 kHz.
    EXPECT_NEAR(crossings(unity), 171, 2);
    EXPECT_NEAR(crossings(doubled), 341, 2);
}

// A 36000 Hz sound steps 192/256 of a frame: its last frame is read at
// fraction 64, so its partner counts: silence when playing once, the first
// frame when looping. (The fraction's top bit is dropped: 192 reads as 64.)
TEST(SMixMixer, LastFrameInterpolatesWithSilenceOrTheLoopStart) {
    const struct {
        u32 loopMode;
        std::vector<int16_t> expected;
        int stateAfter;
    } cases[] = {
        {MixerLoopOnce, {988, 1486, 1976, 3462, 3953, 1961, 0, 0}, MixerChannelStopped},
        {MixerLoopRepeat, {988, 1486, 1976, 3462, 3953, 2459, 988, 2474}, MixerChannelPlaying},
    };
    for (const auto& row : cases) {
        FileMixer file;
        auto sound = MakeSound({1000, 2000, 3000, 4000}, 1, 36000);
        file.mixer.SetChannelLoopMode(0, row.loopMode);
        ASSERT_TRUE(file.mixer.StartChannel(0, sound.get()));
        file.mixer.SetFixedStep(2); // 9 frames
        file.mixer.Update();
        EXPECT_EQ(file.mixer.GetChannelState(0), row.stateAfter);
        EXPECT_EQ(file.mixer.GetChannelSound(0), row.stateAfter == MixerChannelPlaying ? sound.get() : nullptr);
        WavFile wav = file.Finish();
        ASSERT_EQ(wav.Frames(), 9u);
        for (size_t frame = 0; frame < row.expected.size(); ++frame)
            EXPECT_EQ(wav.Left(frame), row.expected[frame]) << frame;
    }
}

// A looping sound wraps without a gap: the output repeats with its length.
TEST(SMixMixer, LoopWrapsWithoutAGap) {
    std::vector<int16_t> ramp(100);
    for (size_t at = 0; at < ramp.size(); ++at)
        ramp[at] = int16_t(at * 100);
    FileMixer file;
    auto sound = MakeSound(ramp);
    file.mixer.SetChannelLoopMode(0, MixerLoopRepeat);
    ASSERT_TRUE(file.mixer.StartChannel(0, sound.get()));
    file.mixer.Update();
    WavFile wav = file.Finish();
    for (size_t frame = 0; frame + 100 < wav.Frames(); ++frame)
        ASSERT_EQ(wav.Left(frame + 100), wav.Left(frame)) << frame;
    EXPECT_EQ(wav.Left(99), (9900 * 127 * 255) >> 15);
}

// A step longer than the whole sound still lands inside it.
TEST(SMixMixer, LoopShorterThanOneStep) {
    FileMixer file;
    auto sound = MakeSound({16384, 16384});
    file.mixer.SetChannelLoopMode(0, MixerLoopRepeat);
    file.mixer.SetChannelPitch(0, 7.0f);
    ASSERT_TRUE(file.mixer.StartChannel(0, sound.get()));
    file.mixer.Update();
    EXPECT_EQ(file.mixer.GetChannelState(0), MixerChannelPlaying);
    WavFile wav = file.Finish();
    EXPECT_EQ(wav.Left(4095), 16192);
}

TEST(SMixMixer, UnknownLoopModeWarnsOnceAndStops) {
    FileMixer file;
    auto sound = MakeSound(Constant(1000, 10));
    file.mixer.SetChannelLoopMode(0, 5);
    ASSERT_TRUE(file.mixer.StartChannel(0, sound.get()));
    LogCapture log;
    file.mixer.Update();
    file.mixer.Update();
    EXPECT_EQ(log.Text(), "[*] Unimplemented SMix channel loop mode (5).\n");
    EXPECT_EQ(file.mixer.GetChannelState(0), MixerChannelStopped);
    EXPECT_EQ(file.mixer.GetChannelSound(0), nullptr);
}

// Only 16-bit mono and stereo are mixed; others play on, unheard, in place.
TEST(SMixMixer, UnsupportedFormatsStayPlayingSilently) {
    FileMixer file;
    auto eightBit = MakeSound(Constant(0x7f7f, 8), 1, 48000, 8);
    auto quad = MakeSound(Constant(16384, 16), 4);
    ASSERT_TRUE(file.mixer.StartChannel(0, eightBit.get()));
    ASSERT_TRUE(file.mixer.StartChannel(1, quad.get()));
    file.mixer.Update();
    EXPECT_EQ(file.mixer.GetChannelState(0), MixerChannelPlaying);
    EXPECT_EQ(file.mixer.GetChannelState(1), MixerChannelPlaying);
    WavFile wav = file.Finish();
    for (int16_t sample : wav.samples)
        ASSERT_EQ(sample, 0);
}

TEST(SMixMixer, ChannelOperationsRefuseBadArguments) {
    zSMixMixer closed(nullptr, false);
    zSound sound;
    EXPECT_FALSE(closed.StartChannel(0, &sound)); // not open
    EXPECT_FALSE(closed.CreateSoundData(&sound));

    FileMixer file;
    LogCapture log;
    EXPECT_FALSE(file.mixer.StartChannel(0, nullptr));
    for (int channel : {-1, 64, 1000, -2147483647 - 1}) {
        EXPECT_FALSE(file.mixer.StartChannel(channel, &sound));
        EXPECT_FALSE(file.mixer.StopChannel(channel));
        EXPECT_EQ(file.mixer.GetChannelState(channel), MixerChannelNone);
        EXPECT_FALSE(file.mixer.StreamChannelOpen(channel, zPCMFormat{0, 2, 48000, 16}));
    }
    EXPECT_NE(log.Text().find("[!] Invalid mixer channel -1."), std::string::npos);
}

TEST(SMixMixer, SoundDataAndChannelLifecycle) {
    FileMixer file;
    auto sound = MakeSound(Constant(1000, 48));
    EXPECT_TRUE(file.mixer.CreateSoundData(sound.get()));
    EXPECT_EQ(sound->mixerData, nullptr);
    EXPECT_FALSE(file.mixer.CreateSoundData(nullptr));
    sound->mixerData = new zSMixMixerData;
    EXPECT_FALSE(file.mixer.CreateSoundData(sound.get()));

    EXPECT_EQ(file.mixer.GetChannelState(3), MixerChannelStopped);
    ASSERT_TRUE(file.mixer.StartChannel(3, sound.get()));
    EXPECT_EQ(file.mixer.GetChannelState(3), MixerChannelPlaying);
    ASSERT_TRUE(file.mixer.StopChannel(3));
    EXPECT_EQ(file.mixer.GetChannelState(3), MixerChannelStopped);
    EXPECT_EQ(file.mixer.GetChannelSound(3), sound.get()); // kept after a stop

    // Freeing the data stops and forgets every channel that plays the sound.
    ASSERT_TRUE(file.mixer.StartChannel(3, sound.get()));
    ASSERT_TRUE(file.mixer.StartChannel(9, sound.get()));
    file.mixer.FreeSoundData(sound.get());
    EXPECT_EQ(sound->mixerData, nullptr);
    for (int channel : {3, 9}) {
        EXPECT_EQ(file.mixer.GetChannelState(channel), MixerChannelStopped);
        EXPECT_EQ(file.mixer.GetChannelSound(channel), nullptr);
    }
    sound.reset(); // nothing reads it now
    file.mixer.Update();
}

TEST(SMixMixer, GainAndMute) {
    zSMixMixer mixer(nullptr, false);
    EXPECT_EQ(mixer.GetGain(), 1.0f);
    mixer.SetGain(0.25f);
    mixer.Mute();
    EXPECT_EQ(mixer.GetGain(), 0.0f);
    mixer.Unmute();
    EXPECT_EQ(mixer.GetGain(), 0.25f);
}

TEST(SMixMixer, RegistersAsTheHostsCurrentMixer) {
    FakeMixerHost host;
    {
        zSMixMixer mixer(&host);
        EXPECT_EQ(host.current, &mixer);
    }
    EXPECT_EQ(host.current, nullptr);
}

// The file output opens no device: it runs where SDL finds none.
TEST(SMixMixer, FileOutputNeedsNoSoundDevice) {
    ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
    FileMixer file;
    EXPECT_TRUE(file.mixer.IsOpen());
    EXPECT_FALSE(file.mixer.HasDevice());
    zSMixMixer card(nullptr, false);
    EXPECT_FALSE(card.Open());
    EXPECT_FALSE(card.IsOpen());
}

// "soft" over SDL's disk driver: the played blocks land in a raw file. More
// than 8 blocks' worth arrives, so the device hands used blocks back.
TEST(SMixMixer, CardOutputPlaysAndRecyclesItsBlocks) {
    TemporaryDirectory directory("smix_card", false);
    const std::string raw = (directory.Path() / "card.raw").string();
    ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
    ScopedEnvironment file("SDL_DISKAUDIOFILE", raw.c_str());
    ScopedEnvironment delay("SDL_DISKAUDIODELAY", "1");

    zSMixMixer mixer(nullptr, false);
    ASSERT_TRUE(mixer.Open());
    EXPECT_TRUE(mixer.HasDevice());
    auto sound = MakeSound(Constant(16384, 480));
    mixer.SetChannelLoopMode(0, MixerLoopRepeat);
    ASSERT_TRUE(mixer.StartChannel(0, sound.get()));
    const size_t wanted = 12 * zSMixMixer::BlockBytes;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::filesystem::exists(raw) ? std::filesystem::file_size(raw) < wanted : true) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        mixer.Update();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    mixer.Close();
    EXPECT_FALSE(mixer.IsOpen());

    std::ifstream in(raw, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), wanted);
    // Every frame the mixer made is the sound's; the device never plays a
    // block twice or half-filled (starved periods are silence).
    size_t heard = 0;
    for (size_t at = 0; at + 1 < wanted; at += 2) {
        int16_t sample = int16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
        ASSERT_TRUE(sample == 16192 || sample == 0) << at;
        heard += sample == 16192;
    }
    EXPECT_GE(heard * 2, 9 * size_t(zSMixMixer::BlockBytes));
}
