#include "audio/al_mixer.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/openal.h"
#include "tests/audio/fake_mixer.h"
#include "tests/support/log_capture.h"

namespace {

// OpenAL Soft reads its backend and configuration once, at the first call of
// the process: every test here plays into the wave writer's file, 16-bit
// stereo at 48000 Hz, which no sound card is needed for.
struct WaveBackend {
    WaveBackend() {
        directory = std::filesystem::temp_directory_path() / ("al_mixer_test_" + std::to_string(getpid()));
        std::filesystem::create_directories(directory);
        wav = (directory / "al.wav").string();
        const std::string conf = (directory / "alsoft.conf").string();
        std::ofstream(conf) << "[general]\nfrequency = 48000\nsample-type = int16\nchannels = stereo\n"
                               "[wave]\nfile = "
                            << wav << "\n";
        setenv("ALSOFT_DRIVERS", "wave", 1);
        setenv("ALSOFT_CONF", conf.c_str(), 1);
    }
    ~WaveBackend() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    std::filesystem::path directory;
    std::string wav;
};
const WaveBackend Backend;

std::unique_ptr<zSound> MakeSound(u32 frames, u32 channels, u8 bits, int16_t value = 16384, u32 rate = 48000) {
    auto sound = std::make_unique<zSound>(nullptr, "beep");
    u8* data = sound->Allocate(frames, zPCMFormat{0, channels, rate, bits});
    if (data && bits == 16) {
        auto* samples = reinterpret_cast<int16_t*>(data);
        for (u32 at = 0; at < frames * channels; ++at)
            samples[at] = value;
    } else if (data) {
        std::memset(data, 0x7f, sound->GetDataSize());
    }
    return sound;
}

struct OpenMixer {
    OpenMixer() : mixer(nullptr, false) { EXPECT_TRUE(mixer.Open()); }
    zALMixer mixer;
};

} // namespace

TEST(ALMixer, OpensTheDefaultDeviceAfterTheNamedOne) {
    zALMixer mixer(nullptr, false);
    LogCapture log;
    ASSERT_TRUE(mixer.Open());
    EXPECT_TRUE(mixer.IsOpen());
    EXPECT_FALSE(mixer.HasEAX()); // OpenAL Soft offers no EAX2.0
    EXPECT_EQ(log.Text(), "Starting OpenAL1.1 mixer...\n"
                          "[*] Failed to open default device, performances might suffer.\n"
                          "Device: OpenAL Soft\n"
                          "64 mixer channel.\n"
                          "Done.\n\n");
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel) {
        EXPECT_NE(mixer.GetSource(channel), 0u);
        EXPECT_EQ(mixer.GetChannelState(channel), MixerChannelStopped);
    }
    log.Reset();
    EXPECT_TRUE(mixer.Open()); // already open
    EXPECT_EQ(log.Text(), "");
    mixer.Close();
    EXPECT_FALSE(mixer.IsOpen());
    EXPECT_EQ(mixer.GetChannelState(0), MixerChannelNone);
    ASSERT_TRUE(mixer.Open());
}

TEST(ALMixer, GainGoesToTheListenerWithAFloor) {
    OpenMixer open;
    zALMixer& mixer = open.mixer;
    EXPECT_FLOAT_EQ(mixer.GetGain(), 1.0f);
    const struct {
        f32 set, got;
    } cases[] = {{0.5f, 0.5f}, {2.0f, 2.0f}, {0.0f, 0.0125f}, {0.001f, 0.0125f}};
    for (const auto& row : cases) {
        mixer.SetGain(row.set);
        EXPECT_FLOAT_EQ(mixer.GetGain(), row.got) << row.set;
    }
    mixer.SetGain(0.5f);
    mixer.Mute();
    EXPECT_FLOAT_EQ(mixer.GetGain(), 0.0125f);
    mixer.Unmute();
    EXPECT_FLOAT_EQ(mixer.GetGain(), 0.5f);
}

TEST(ALMixer, SoundDataByFormat) {
    OpenMixer open;
    const struct {
        u32 channels;
        u8 bits;
        const char* log;
    } cases[] = {
        {1, 8, ""},
        {1, 16, ""},
        {2, 8, ""},
        {2, 16, ""},
        {4, 16, "[!] Unsupported PCM format in sample 'beep'.\n"},
        {2, 24, "[!] Unsupported PCM format in sample 'beep'.\n"},
    };
    for (const auto& row : cases) {
        auto sound = MakeSound(480, row.channels, row.bits);
        LogCapture log;
        EXPECT_TRUE(open.mixer.CreateSoundData(sound.get()));
        EXPECT_EQ(log.Text(), row.log);
        ASSERT_NE(sound->mixerData, nullptr); // kept after a message too
        EXPECT_NE(static_cast<zALMixerData*>(sound->mixerData)->buffer, 0u);
        EXPECT_FALSE(open.mixer.CreateSoundData(sound.get())); // already has data
        open.mixer.FreeSoundData(sound.get());
        EXPECT_EQ(sound->mixerData, nullptr);
    }
    EXPECT_FALSE(open.mixer.CreateSoundData(nullptr));
    zALMixer closed(nullptr, false);
    auto sound = MakeSound(10, 1, 16);
    EXPECT_FALSE(closed.CreateSoundData(sound.get()));
}

TEST(ALMixer, ChannelStatesFollowTheSource) {
    OpenMixer open;
    zALMixer& mixer = open.mixer;
    auto sound = MakeSound(48000, 1, 16);
    ASSERT_TRUE(mixer.CreateSoundData(sound.get()));
    EXPECT_FALSE(mixer.StartChannel(0, nullptr));
    mixer.SetChannelLoopMode(0, MixerLoopRepeat);
    mixer.SetChannelPitch(0, 1.5f);
    mixer.SetChannelGain(0, 0.25f);
    ASSERT_EQ(mixer.StartSound(sound.get()), 0);
    EXPECT_EQ(mixer.GetChannelState(0), MixerChannelPlaying);
    EXPECT_EQ(mixer.GetChannelSound(0), sound.get());
    EXPECT_EQ(zOsAL::GetSourcei(mixer.GetSource(0), zOsAL::Looping), 1);
    EXPECT_EQ(mixer.GetChannel(0)->pitch, 1.5f);
    EXPECT_EQ(mixer.GetChannel(0)->gain, 0.25f);
    // A playing channel is not free.
    EXPECT_EQ(mixer.StartSound(sound.get()), 1);
    mixer.PauseChannel(0);
    EXPECT_EQ(mixer.GetChannelState(0), MixerChannelPaused);
    mixer.ResumeChannel(0);
    EXPECT_EQ(mixer.GetChannelState(0), MixerChannelPlaying);
    EXPECT_TRUE(mixer.StopChannel(0));
    EXPECT_EQ(mixer.GetChannelState(0), MixerChannelStopped);
    mixer.SetChannelLoopMode(0, MixerLoopOnce);
    EXPECT_EQ(zOsAL::GetSourcei(mixer.GetSource(0), zOsAL::Looping), 0);
    mixer.Close();
}

TEST(ALMixer, ChannelOperationsRefuseBadIndexes) {
    OpenMixer open;
    auto sound = MakeSound(480, 1, 16);
    ASSERT_TRUE(open.mixer.CreateSoundData(sound.get()));
    LogCapture log;
    for (int channel : {-1, 64, 65536, -2147483647 - 1}) {
        EXPECT_FALSE(open.mixer.StartChannel(channel, sound.get()));
        EXPECT_FALSE(open.mixer.StopChannel(channel));
        EXPECT_EQ(open.mixer.GetChannelState(channel), MixerChannelNone);
        EXPECT_FALSE(open.mixer.StreamChannelOpen(channel, zPCMFormat{0, 2, 48000, 16}));
        open.mixer.PauseChannel(channel);
        open.mixer.ResumeChannel(channel);
        open.mixer.SetChannelGain(channel, 1.0f);
        open.mixer.SetChannelPitch(channel, 1.0f);
        open.mixer.SetChannelLoopMode(channel, 1);
        open.mixer.StreamChannelUpdate(channel);
        open.mixer.StreamChannelClose(channel);
    }
    EXPECT_NE(log.Text().find("[!] Invalid mixer channel 64.\n"), std::string::npos);
    zALMixer closed(nullptr, false);
    EXPECT_FALSE(closed.StartChannel(0, sound.get()));
    EXPECT_FALSE(closed.StopChannel(0));
}

// A buffer that no longer exists cannot be attached: four attempts, each
// reported, then the failure.
TEST(ALMixer, StartRetriesTheAttachFourTimes) {
    OpenMixer open;
    auto sound = MakeSound(480, 1, 16);
    ASSERT_TRUE(open.mixer.CreateSoundData(sound.get()));
    auto* data = static_cast<zALMixerData*>(sound->mixerData);
    zOsAL::DeleteBuffers(1, &data->buffer);
    LogCapture log;
    EXPECT_FALSE(open.mixer.StartChannel(5, sound.get()));
    EXPECT_EQ(log.Text(), "StartChannel() retrying.\nStartChannel() retrying.\nStartChannel() retrying.\n"
                          "StartChannel() retrying.\n[*] Failed to attach sound 'beep' to channel 5.\n");
    EXPECT_EQ(open.mixer.GetChannelSound(5), nullptr);
    data->buffer = 0;
}

// Freeing a sound stops the channels that play it, so its buffer goes.
TEST(ALMixer, FreeingAPlayingSoundStopsItsChannels) {
    OpenMixer open;
    auto sound = MakeSound(48000, 2, 16);
    ASSERT_TRUE(open.mixer.CreateSoundData(sound.get()));
    ASSERT_TRUE(open.mixer.StartChannel(2, sound.get()));
    ASSERT_TRUE(open.mixer.StartChannel(7, sound.get()));
    zOsAL::GetError();
    open.mixer.FreeSoundData(sound.get());
    EXPECT_EQ(zOsAL::GetError(), zOsAL::NoError); // the delete found the buffer free
    EXPECT_EQ(sound->mixerData, nullptr);
    for (int channel : {2, 7}) {
        EXPECT_EQ(open.mixer.GetChannelState(channel), MixerChannelStopped);
        EXPECT_EQ(open.mixer.GetChannelSound(channel), nullptr);
    }
}

// A stream's ring is moved into up to 16 queued buffers of 2048 bytes,
// whatever the stream's own format; looping stays with zMixer::Update.
TEST(ALMixer, StreamsQueueRingBlocks) {
    FakeStreamFactory factory;
    OpenMixer open;
    zALMixer& mixer = open.mixer;
    FakeStream::InitialRingBytes() = 20 * zALMixer::StreamBlockBytes + 100;
    ASSERT_TRUE(mixer.StartChannelStream(3, "song.ogg"));
    EXPECT_TRUE(mixer.IsStreaming(3));
    EXPECT_EQ(mixer.GetStreamFreeBuffers(3), 16u);
    mixer.SetChannelLoopMode(3, MixerLoopRepeat);
    EXPECT_EQ(zOsAL::GetSourcei(mixer.GetSource(3), zOsAL::Looping), 0);

    mixer.Update();
    auto* stream = static_cast<FakeStream*>(mixer.GetChannel(3)->stream);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->ringLockDepth, 0);
    EXPECT_EQ(mixer.GetStreamFreeBuffers(3), 0u);
    EXPECT_EQ(stream->ringRead, 16u * zALMixer::StreamBlockBytes);
    EXPECT_EQ(zOsAL::GetSourcei(mixer.GetSource(3), zOsAL::BuffersQueued), 16);
    EXPECT_EQ(mixer.GetChannelState(3), MixerChannelPlaying);

    // 16 x 512 frames at 44100 Hz take 186 ms: played buffers come back.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (stream->ringRead < 20u * zALMixer::StreamBlockBytes) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        mixer.Update();
    }
    EXPECT_EQ(stream->GetReadableBytes(), 100u); // no partial block
    zOsAL::GetError();
    EXPECT_TRUE(mixer.StopChannel(3));
    EXPECT_EQ(zOsAL::GetError(), zOsAL::NoError); // every buffer deleted once
    EXPECT_FALSE(mixer.IsStreaming(3));
    EXPECT_EQ(mixer.GetChannel(3)->stream, nullptr);
    EXPECT_EQ(mixer.GetStreamFreeBuffers(3), 16u);
}

// A ring that ran dry stopped the source with every buffer played; the
// next blocks start it again (a looping stream refills only after its seek).
TEST(ALMixer, StarvedStreamPlaysAgainOnceRefilled) {
    FakeStreamFactory factory;
    OpenMixer open;
    zALMixer& mixer = open.mixer;
    FakeStream::InitialRingBytes() = 2 * zALMixer::StreamBlockBytes;
    ASSERT_TRUE(mixer.StartChannelStream(3, "song.ogg"));
    mixer.Update();
    auto* stream = static_cast<FakeStream*>(mixer.GetChannel(3)->stream);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(mixer.GetChannelState(3), MixerChannelPlaying);

    // 2 x 512 frames at 44100 Hz take 23 ms.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (mixer.GetChannelState(3) != MixerChannelStopped) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    mixer.Update(); // both buffers come back; nothing to queue
    EXPECT_EQ(mixer.GetStreamFreeBuffers(3), 16u);
    EXPECT_EQ(mixer.GetChannelState(3), MixerChannelStopped);

    stream->ring.append(4 * zALMixer::StreamBlockBytes, '\x10');
    mixer.Update();
    EXPECT_EQ(mixer.GetStreamFreeBuffers(3), 12u);
    EXPECT_EQ(mixer.GetChannelState(3), MixerChannelPlaying);
    EXPECT_TRUE(mixer.StopChannel(3));
}

// End to end through OpenAL Soft's wave writer: a looping sound is heard in
// both channels of the file the device wrote.
TEST(ALMixer, SoundReachesTheWaveWriter) {
    {
        OpenMixer open;
        auto sound = MakeSound(4800, 1, 16, 16384);
        ASSERT_TRUE(open.mixer.CreateSoundData(sound.get()));
        open.mixer.SetChannelLoopMode(0, MixerLoopRepeat);
        ASSERT_TRUE(open.mixer.StartChannel(0, sound.get()));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        open.mixer.Close();
    }
    std::ifstream in(Backend.wav, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t data = bytes.find("data");
    ASSERT_NE(data, std::string::npos);
    size_t heard = 0;
    size_t frames = 0;
    for (size_t at = data + 8; at + 3 < bytes.size(); at += 4, ++frames) {
        const int16_t left = int16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
        const int16_t right = int16_t(uint8_t(bytes[at + 2]) | uint8_t(bytes[at + 3]) << 8);
        // Dithered: the sides differ by a step or two.
        EXPECT_NEAR(left, right, 2);
        heard += left > 1000;
    }
    // At least 0.2 s of the 0.4 s carry the sound.
    EXPECT_GE(heard, 9600u) << frames;
}
