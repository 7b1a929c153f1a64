#include "audio/null_mixer.h"

#include <gtest/gtest.h>

#include "audio/sound.h"
#include "tests/audio/fake_mixer.h"
#include "tests/support/log_capture.h"

TEST(NullMixer, OpensAndClosesAndPlaysNothing) {
    zNull_Mixer mixer(nullptr);
    EXPECT_TRUE(mixer.Open());
    EXPECT_TRUE(mixer.IsOpen());
    mixer.Close();
    EXPECT_FALSE(mixer.IsOpen());

    zSound sound(nullptr, "beep");
    EXPECT_TRUE(mixer.CreateSoundData(&sound));
    EXPECT_EQ(sound.mixerData, nullptr);
    EXPECT_TRUE(mixer.StartChannel(0, &sound));
    EXPECT_EQ(mixer.GetChannelSound(0), nullptr);
    EXPECT_TRUE(mixer.StopChannel(0));
    EXPECT_TRUE(mixer.StreamChannelOpen(0, zPCMFormat{0, 2, 48000, 16}));
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel) {
        EXPECT_EQ(mixer.GetChannelState(channel), MixerChannelStopped);
    }
    // Every start finds channel 0 free again.
    EXPECT_EQ(mixer.StartSound(&sound), 0);
    EXPECT_EQ(mixer.StartSound(&sound), 0);
}

TEST(NullMixer, GainIsZeroSoMuteSavesZero) {
    zNull_Mixer mixer(nullptr);
    mixer.SetGain(0.8f);
    EXPECT_EQ(mixer.GetGain(), 0.0f);
    mixer.Mute();
    EXPECT_EQ(mixer.GetSavedGain(), 0.0f);
    mixer.Unmute();
    EXPECT_FALSE(mixer.IsMuted());
}

TEST(NullMixer, ChannelIndexOutsideRangeIsRefused) {
    zNull_Mixer mixer(nullptr);
    LogCapture log;
    EXPECT_EQ(mixer.GetChannelState(64), MixerChannelNone);
    EXPECT_EQ(mixer.GetChannelState(-1), MixerChannelNone);
    EXPECT_FALSE(mixer.StartChannel(64, nullptr));
    EXPECT_FALSE(mixer.StopChannel(-1));
    EXPECT_FALSE(mixer.StreamChannelOpen(99, zPCMFormat{0, 2, 48000, 16}));
    EXPECT_EQ(
        log.Text(),
        "[!] Invalid mixer channel 64.\n[!] Invalid mixer channel -1.\n[!] Invalid mixer channel 99.\n");
}

// The null mixer never plays a stream out, so stopping the channel is what
// frees it; without that, 64 streams would use up every channel for good.
TEST(NullMixer, StopChannelGivesUpItsStream) {
    FakeStreamFactory factory;
    zNull_Mixer mixer(nullptr);
    for (int round = 0; round < 100; ++round) {
        int channel = mixer.StartStream("music.mpg");
        ASSERT_EQ(channel, 0);
        mixer.Update();
        EXPECT_NE(mixer.GetChannel(0)->stream, nullptr);
        mixer.StopAllChannels();
        EXPECT_EQ(mixer.GetChannel(0)->stream, nullptr);
    }
    EXPECT_EQ(FakeStream::Log().destroyed, 100);
}

TEST(NullMixer, RegistersWithItsHostAndHandsTheSlotBack) {
    FakeMixerHost host;
    auto* nullMixer = new zNull_Mixer(&host);
    host.defaultMixer = nullMixer;
    host.current = nullMixer;
    {
        zNull_Mixer real(&host, true);
        EXPECT_EQ(host.current, &real);
    }
    EXPECT_EQ(host.current, nullMixer);
    delete nullMixer;
    EXPECT_EQ(host.current, nullptr);
}
