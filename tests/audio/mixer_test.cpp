#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <functional>

#include "audio/sound.h"
#include "tests/audio/fake_mixer.h"
#include "tests/support/log_capture.h"

namespace {

FakeStream* StreamOf(FakeMixer& mixer, int channel) {
    return static_cast<FakeStream*>(mixer.Channel(channel).stream);
}

} // namespace

TEST(Mixer, ChannelsStartWithTheirInitialValues) {
    FakeMixer mixer;
    EXPECT_FALSE(mixer.IsOpen());
    EXPECT_FALSE(mixer.IsMuted());
    EXPECT_EQ(mixer.GetSavedGain(), 1.0f);
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel) {
        const zMixerChannel* record = mixer.GetChannel(channel);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->sound, nullptr);
        EXPECT_EQ(record->lock, 0);
        EXPECT_EQ(record->loopMode, 0u);
        EXPECT_EQ(record->loopPosition, 0u);
        EXPECT_EQ(record->stream, nullptr);
        EXPECT_EQ(record->pitch, 1.0f);
        EXPECT_EQ(record->gain, 1.0f);
        EXPECT_EQ(record->panning, 0.5f);
        EXPECT_EQ(record->position.x, 0.0f);
        EXPECT_EQ(record->position.w, 1.0f);
        EXPECT_EQ(record->velocity.z, 0.0f);
        EXPECT_EQ(record->orientation.m[0], 1.0f);
        EXPECT_EQ(record->orientation.m[1], 0.0f);
        EXPECT_EQ(record->orientation.m[8], 1.0f);
    }
}

TEST(Mixer, RegisterFlagMakesTheMixerCurrent) {
    FakeMixerHost host;
    FakeMixer quiet(&host, false);
    EXPECT_EQ(host.current, nullptr);
    FakeMixer loud(&host, true);
    EXPECT_EQ(host.current, &loud);
}

TEST(Mixer, DestructionHandsTheSlotBack) {
    struct Case {
        const char* name;
        bool destroyedIsDefault;
        bool destroyedIsCurrent;
        const char* expectedCurrent; // "default", "none", "other"
    };
    const Case cases[] = {
        {"current falls back to the default", false, true, "default"},
        {"the default clears the slot even while another is current", true, false, "none"},
        {"the default that is current clears the slot", true, true, "none"},
        {"any other mixer changes nothing", false, false, "other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMixerHost host;
        FakeMixer other(&host);
        FakeMixer fallback(&host);
        auto* doomed = new FakeMixer(&host);
        host.defaultMixer = c.destroyedIsDefault ? doomed : &fallback;
        host.current = c.destroyedIsCurrent ? doomed : &other;
        delete doomed;
        zMixer* expected = std::string(c.expectedCurrent) == "default" ? host.defaultMixer
                           : std::string(c.expectedCurrent) == "none"  ? nullptr
                                                                       : &other;
        if (c.destroyedIsDefault) host.defaultMixer = nullptr; // gone
        EXPECT_EQ(host.current, expected);
    }
}

TEST(Mixer, FindFreeChannelTakesLowestStoppedUnlockedChannelWithoutStream) {
    FakeStreamFactory factory;
    FakeMixer mixer;
    mixer.states[0] = MixerChannelPlaying;
    mixer.states[1] = MixerChannelPaused;
    mixer.states[2] = MixerChannelNone;
    ASSERT_TRUE(mixer.TryLockChannel(3));
    ASSERT_TRUE(mixer.StartChannelStream(4, "music.mpg"));
    EXPECT_EQ(mixer.FindFreeChannel(), 5);
    mixer.UnlockChannel(3);
    EXPECT_EQ(mixer.FindFreeChannel(), 3);
}

TEST(Mixer, AllChannelsBusyGivesMinusOneWithMessage) {
    FakeMixer mixer;
    zSound sound(nullptr, "beep");
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel) {
        ASSERT_EQ(mixer.StartSound(&sound), channel);
        EXPECT_EQ(mixer.GetChannelSound(channel), &sound);
    }
    LogCapture log;
    EXPECT_EQ(mixer.StartSound(&sound), -1);
    EXPECT_EQ(mixer.StartStream("music.mpg"), -1);
    EXPECT_EQ(mixer.LockFreeChannel(), -1);
    EXPECT_EQ(log.Text(), "[!] All channels in use.\n[!] All channels in use.\n[!] All channels in use.\n");
}

TEST(Mixer, StartSoundGivesMinusOneWhenTheStartFails) {
    FakeMixer mixer;
    mixer.startSucceeds = false;
    zSound sound;
    EXPECT_EQ(mixer.StartSound(&sound), -1);
    EXPECT_EQ(mixer.calls, std::vector<std::string>{"start 0"});
}

// A sound about to be freed is stopped on every channel and forgotten there;
// other channels play on.
TEST(Mixer, ReleaseSoundStopsAndForgetsItsChannels) {
    FakeMixer mixer;
    zSound freed;
    zSound kept;
    ASSERT_TRUE(mixer.StartChannel(1, &freed));
    ASSERT_TRUE(mixer.StartChannel(2, &kept));
    ASSERT_TRUE(mixer.StartChannel(5, &freed));
    mixer.calls.clear();
    mixer.ReleaseSound(&freed);
    EXPECT_EQ(mixer.calls, (std::vector<std::string>{"stop 1", "stop 5"}));
    EXPECT_EQ(mixer.GetChannelSound(1), nullptr);
    EXPECT_EQ(mixer.GetChannelSound(5), nullptr);
    EXPECT_EQ(mixer.GetChannelSound(2), &kept);
    mixer.calls.clear();
    mixer.ReleaseSound(nullptr);
    EXPECT_TRUE(mixer.calls.empty());
}

TEST(Mixer, LocksKeepChannelsFromBeingHandedOut) {
    FakeMixer mixer;
    EXPECT_EQ(mixer.LockFreeChannel(), 0);
    EXPECT_EQ(mixer.LockFreeChannel(), 1);
    EXPECT_TRUE(mixer.IsChannelLocked(0));
    EXPECT_FALSE(mixer.TryLockChannel(1));
    EXPECT_TRUE(mixer.IsChannelLocked(1));
    EXPECT_TRUE(mixer.TryLockChannel(2));
    EXPECT_EQ(mixer.FindFreeChannel(), 3);
    // A locked channel stays locked while it plays and after it stops.
    EXPECT_TRUE(mixer.StartChannel(2, nullptr));
    mixer.states[2] = MixerChannelStopped;
    EXPECT_TRUE(mixer.IsChannelLocked(2));
    mixer.UnlockChannel(1);
    EXPECT_FALSE(mixer.IsChannelLocked(1));
    EXPECT_EQ(mixer.FindFreeChannel(), 1);
    mixer.UnlockAllChannels();
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel)
        EXPECT_FALSE(mixer.IsChannelLocked(channel));
}

TEST(Mixer, MuteSavesGainOnceAndUnmuteRestoresIt) {
    struct Case {
        const char* name;
        std::function<void(FakeMixer&)> steps;
        f32 expectedGain;
        f32 expectedSaved;
        bool expectedMuted;
    };
    const Case cases[] = {
        {"mute",
         [](FakeMixer& m) {
             m.SetGain(0.7f);
             m.Mute();
         },
         0.0f, 0.7f, true},
        {"mute twice then unmute keeps the first saved gain",
         [](FakeMixer& m) {
             m.SetGain(0.7f);
             m.Mute();
             m.SetGain(0.3f);
             m.Mute();
             m.Unmute();
         },
         0.7f, 0.7f, false},
        {"unmute without mute sets the initial saved gain",
         [](FakeMixer& m) {
             m.SetGain(0.4f);
             m.Unmute();
         },
         1.0f, 1.0f, false},
        {"mute, unmute, mute saves the gain again",
         [](FakeMixer& m) {
             m.SetGain(0.7f);
             m.Mute();
             m.Unmute();
             m.SetGain(0.2f);
             m.Mute();
         },
         0.0f, 0.2f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMixer mixer;
        c.steps(mixer);
        EXPECT_EQ(mixer.GetGain(), c.expectedGain);
        EXPECT_EQ(mixer.GetSavedGain(), c.expectedSaved);
        EXPECT_EQ(mixer.IsMuted(), c.expectedMuted);
    }
}

TEST(Mixer, ChannelSettersStoreTheirValues) {
    FakeMixer mixer;
    mixer.SetChannelPitch(63, 1.5f);
    mixer.SetChannelGain(63, 0.25f);
    mixer.SetChannelPanning(63, 0.0f);
    mixer.SetChannelLoopMode(63, 7);
    mixer.SetChannelLoopPosition(63, 1234);
    const zMixerChannel* record = mixer.GetChannel(63);
    EXPECT_EQ(record->pitch, 1.5f);
    EXPECT_EQ(record->gain, 0.25f);
    EXPECT_EQ(record->panning, 0.0f);
    EXPECT_EQ(record->loopMode, 7u);
    EXPECT_EQ(record->loopPosition, 1234u);
}

TEST(Mixer, ResetChannelsStopsAndRestoresEveryChannel) {
    FakeMixer mixer;
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel) {
        mixer.SetChannelLoopMode(channel, 1);
        mixer.SetChannelPitch(channel, 2.0f);
        mixer.SetChannelGain(channel, 0.1f);
        mixer.SetChannelPanning(channel, 1.0f);
    }
    mixer.ResetChannels();
    ASSERT_EQ(mixer.calls.size(), 64u);
    EXPECT_EQ(mixer.calls.front(), "stop 0");
    EXPECT_EQ(mixer.calls.back(), "stop 63");
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel) {
        const zMixerChannel* record = mixer.GetChannel(channel);
        EXPECT_EQ(record->loopMode, 0u);
        EXPECT_EQ(record->pitch, 1.0f);
        EXPECT_EQ(record->gain, 1.0f);
        EXPECT_EQ(record->panning, 0.5f);
    }
    mixer.calls.clear();
    mixer.StopAllChannels();
    EXPECT_EQ(mixer.calls.size(), 64u);
}

TEST(Mixer, ChannelIndexOutsideRangeIsRefused) {
    FakeStreamFactory factory;
    for (int channel : {-1, 64, 1000, -2147483647 - 1}) {
        SCOPED_TRACE(channel);
        FakeMixer mixer;
        LogCapture log;
        EXPECT_FALSE(mixer.TryLockChannel(channel));
        mixer.UnlockChannel(channel);
        EXPECT_FALSE(mixer.IsChannelLocked(channel));
        EXPECT_EQ(mixer.GetChannelSound(channel), nullptr);
        EXPECT_EQ(mixer.GetChannel(channel), nullptr);
        mixer.SetChannelPitch(channel, 2.0f);
        mixer.SetChannelGain(channel, 2.0f);
        mixer.SetChannelPanning(channel, 2.0f);
        mixer.SetChannelLoopMode(channel, 1);
        mixer.SetChannelLoopPosition(channel, 1);
        EXPECT_FALSE(mixer.StartChannelStream(channel, "music.mpg"));
        mixer.ReleaseChannelStream(channel);
        std::string line = "[!] Invalid mixer channel " + std::to_string(channel) + ".\n";
        std::string expected;
        for (int i = 0; i < 8; ++i)
            expected += line;
        EXPECT_EQ(log.Text(), expected);
        EXPECT_EQ(FakeStream::Log().created, 0);
    }
}

TEST(Mixer, StreamWithoutFactoryFailsWithMessage) {
    FakeMixer mixer;
    LogCapture log;
    EXPECT_FALSE(mixer.StartChannelStream(0, "music.mpg"));
    EXPECT_EQ(log.Text(), "[!] Failed to allocate chanel stream interface.\n");
    EXPECT_EQ(mixer.GetChannel(0)->stream, nullptr);
}

TEST(Mixer, StreamThatFailsToOpenLeavesChannelWithoutStream) {
    FakeStreamFactory factory;
    FakeMixer mixer;
    ASSERT_TRUE(mixer.StartChannelStream(2, "old.mpg"));
    LogCapture log;
    u32 category = GetAllocCategory();
    EXPECT_FALSE(mixer.StartChannelStream(2, "missing.mpg"));
    EXPECT_EQ(log.Text(), "[!] Failed to open content stream.\n");
    EXPECT_EQ(mixer.GetChannel(2)->stream, nullptr);
    EXPECT_EQ(FakeStream::Log().created, 2);
    EXPECT_EQ(FakeStream::Log().destroyed, 2); // the new one and the old one
    EXPECT_EQ(GetAllocCategory(), category);
}

TEST(Mixer, StreamOpensUnderSoundCategoryAndStartsItsThread) {
    FakeStreamFactory factory;
    FakeMixer mixer;
    SetAllocCategory(AllocCategoryScene);
    EXPECT_TRUE(mixer.StartChannelStream(5, "music.mpg"));
    EXPECT_EQ(FakeStream::Log().categoryInOpen, AllocCategorySound);
    EXPECT_EQ(GetAllocCategory(), AllocCategoryScene);
    SetAllocCategory(0);
    ASSERT_NE(StreamOf(mixer, 5), nullptr);
    EXPECT_TRUE(StreamOf(mixer, 5)->threadStarted);
    EXPECT_EQ(mixer.calls, (std::vector<std::string>{"stream-close 5", "stream-open 5"}));

    // A second stream replaces the first.
    EXPECT_TRUE(mixer.StartChannelStream(5, "other.mpg"));
    EXPECT_EQ(FakeStream::Log().created, 2);
    EXPECT_EQ(FakeStream::Log().destroyed, 1);
}

TEST(Mixer, StreamWhoseThreadCannotStartIsGivenUp) {
    FakeStreamFactory factory;
    FakeStream::ThreadStarts() = false;
    FakeMixer mixer;
    LogCapture log;
    EXPECT_EQ(mixer.StartStream("music.mpg"), -1);
    EXPECT_EQ(log.Text(), "[!] Failed to start stream decoder thread.\n");
    EXPECT_EQ(mixer.GetChannel(0)->stream, nullptr);
    EXPECT_EQ(FakeStream::Log().destroyed, 1);
}

TEST(Mixer, StartStreamUsesTheFirstFreeChannel) {
    FakeStreamFactory factory;
    FakeMixer mixer;
    mixer.states[0] = MixerChannelPlaying;
    EXPECT_EQ(mixer.StartStream("a.mpg"), 1);
    EXPECT_EQ(mixer.StartStream("b.mpg"), 2);
    mixer.calls.clear();
    mixer.ResumeStreamingChannels();
    EXPECT_EQ(mixer.calls, (std::vector<std::string>{"resume 1", "resume 2"}));
}

TEST(Mixer, UpdateLeavesPlayingStreamAlone) {
    FakeStreamFactory factory;
    FakeMixer mixer;
    ASSERT_TRUE(mixer.StartChannelStream(7, "music.mpg"));
    mixer.calls.clear();
    mixer.Update();
    EXPECT_EQ(mixer.calls, std::vector<std::string>{"stream-update 7"});
    EXPECT_FALSE(StreamOf(mixer, 7)->IsFinished());
    EXPECT_EQ(StreamOf(mixer, 7)->lockDepth, 0);
}

TEST(Mixer, LoopingStreamRestartsAtLoopPositionAndIsNeverReleased) {
    FakeStreamFactory factory;
    FakeMixer mixer;
    ASSERT_TRUE(mixer.StartChannelStream(3, "music.mpg"));
    mixer.SetChannelLoopMode(3, MixerLoopRepeat);
    mixer.SetChannelLoopPosition(3, 1500);
    for (int frame = 0; frame < 5; ++frame) {
        StreamOf(mixer, 3)->playing = false;
        mixer.Update();
        ASSERT_NE(StreamOf(mixer, 3), nullptr);
        EXPECT_FALSE(StreamOf(mixer, 3)->IsFinished());
        EXPECT_TRUE(StreamOf(mixer, 3)->playing);
    }
    EXPECT_EQ(FakeStream::Log().seeks, 5);
    EXPECT_EQ(FakeStream::Log().lastSeek, 1500u);
    EXPECT_EQ(FakeStream::Log().destroyed, 0);
}

TEST(Mixer, EndedStreamIsReleasedOnceTheChannelStopsPlaying) {
    FakeStreamFactory factory;
    FakeMixer mixer;
    ASSERT_TRUE(mixer.StartChannelStream(9, "music.mpg"));
    mixer.states[9] = MixerChannelPlaying;
    StreamOf(mixer, 9)->playing = false;

    LogCapture log;
    mixer.Update(); // marks it finished
    ASSERT_NE(StreamOf(mixer, 9), nullptr);
    EXPECT_TRUE(StreamOf(mixer, 9)->IsFinished());
    mixer.Update(); // still playing out what it holds
    mixer.states[9] = MixerChannelPaused;
    mixer.Update();
    ASSERT_NE(StreamOf(mixer, 9), nullptr);
    EXPECT_EQ(log.Text(), "");

    mixer.states[9] = MixerChannelStopped;
    mixer.calls.clear();
    mixer.Update();
    EXPECT_EQ(log.Text(), "[|] Release stream interface.\n");
    EXPECT_EQ(mixer.GetChannel(9)->stream, nullptr);
    EXPECT_EQ(mixer.calls, (std::vector<std::string>{"stream-update 9", "stream-close 9"}));
    EXPECT_EQ(FakeStream::Log().destroyed, 1);
    EXPECT_EQ(FakeStream::Log().destroyedWhileLocked, 0);
    EXPECT_EQ(mixer.FindFreeChannel(), 0);
}

TEST(Mixer, DestroyingMixerReleasesStreamsItStillHolds) {
    FakeStreamFactory factory;
    {
        FakeMixer mixer;
        ASSERT_TRUE(mixer.StartChannelStream(0, "a.mpg"));
        ASSERT_TRUE(mixer.StartChannelStream(63, "b.mpg"));
    }
    EXPECT_EQ(FakeStream::Log().created, 2);
    EXPECT_EQ(FakeStream::Log().destroyed, 2);
}
