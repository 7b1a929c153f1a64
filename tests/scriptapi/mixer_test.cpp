// Mixer natives over a null mixer whose channels play from start to stop
// ("m"); g_mixer is the engine's null mixer.
#include <gtest/gtest.h>

#include <string>

#include "audio/sound.h"
#include "tests/audio/fake_mixer.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

// Channels play between StartChannel and StopChannel and pause between
// PauseChannel and ResumeChannel; the master gain is kept. Every index it is
// handed outside 0..63 is counted: none should reach a mixer.
struct PlayingMixer : zNull_Mixer {
    PlayingMixer() : zNull_Mixer(nullptr) {
        for (int& state : states)
            state = MixerChannelStopped;
    }

    bool StartChannel(int channel, zSound* sound) override {
        if (!Valid(channel)) return false;
        m_channels[channel].sound = sound;
        states[channel] = MixerChannelPlaying;
        return true;
    }
    bool StopChannel(int channel) override {
        if (!Valid(channel)) return false;
        states[channel] = MixerChannelStopped;
        return zNull_Mixer::StopChannel(channel);
    }
    void PauseChannel(int channel) override {
        if (Valid(channel) && states[channel] == MixerChannelPlaying) states[channel] = MixerChannelPaused;
    }
    void ResumeChannel(int channel) override {
        if (Valid(channel) && states[channel] == MixerChannelPaused) states[channel] = MixerChannelPlaying;
    }
    int GetChannelState(int channel) override { return Valid(channel) ? states[channel] : MixerChannelNone; }
    void SetGain(f32 value) override { gain = value; }
    f32 GetGain() override { return gain; }
    void SetChannelGain(int channel, f32 value) override {
        if (Valid(channel)) zMixer::SetChannelGain(channel, value);
    }
    void SetChannelPitch(int channel, f32 value) override {
        if (Valid(channel)) zMixer::SetChannelPitch(channel, value);
    }
    void SetChannelPanning(int channel, f32 value) override {
        if (Valid(channel)) zMixer::SetChannelPanning(channel, value);
    }
    void SetChannelLoopMode(int channel, u32 value) override {
        if (Valid(channel)) zMixer::SetChannelLoopMode(channel, value);
    }
    void SetChannelLoopPosition(int channel, u32 value) override {
        if (Valid(channel)) zMixer::SetChannelLoopPosition(channel, value);
    }

    bool Valid(int channel) {
        if (IsValidChannel(channel)) return true;
        ++invalidIndexes;
        return false;
    }

    int states[ChannelCount];
    f32 gain = 1.0f;
    int invalidIndexes = 0;
};

class MixerApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        SetHandle("m", &playing, ScriptKindMixer);
        SetHandle("g_sound", &sound, ScriptKindSound);
        SetHandle("g_noSound", nullptr, ScriptKindSound);
        SetHandle("g_noMixer", nullptr, ScriptKindMixer);
        SetHandle("g_noEngine", nullptr, ScriptKindEngine);
        log.Reset();
    }

    PlayingMixer playing;
    zSound sound{nullptr, "beep"};
};

TEST_F(MixerApi, ALockIsTakenOnceUntilUnlocked) {
    EXPECT_EQ(Printed("print(MixerChannelTryLock(m, 5)); print(MixerChannelTryLock(m, 5));"
                      "MixerChannelUnlock(m, 5); print(MixerChannelTryLock(m, 5));"),
              "true\nfalse\ntrue");
    EXPECT_TRUE(playing.IsChannelLocked(5));
}

TEST_F(MixerApi, AStartedSoundPlaysUntilStopped) {
    EXPECT_EQ(Printed("local c = MixerSoundStart(m, g_sound);"
                      "print(c + \" \" + MixerChannelGetState(m, c));"
                      "MixerChannelPause(m, c); print(MixerChannelGetState(m, c));"
                      "MixerChannelResume(m, c); print(MixerChannelGetState(m, c));"
                      "print(ObjectIsSame(MixerChannelGetSound(m, c), g_sound));"
                      "MixerChannelStop(m, c); print(MixerChannelGetState(m, c));"),
              "0 2\n3\n2\ntrue\n1");
}

TEST_F(MixerApi, ChannelsAreStartedLockedAndStoppedTogether) {
    const ScriptRow rows[] = {
        {"print(MixerChannelStart(m, 7, g_sound) + \" \" + MixerChannelGetState(m, 7))", "true 2"},
        // The search skips locked and playing channels.
        {"print(MixerChannelLock(m) + \" \" + MixerChannelLock(m))", "0 1"},
        {"print(MixerSoundStart(m, g_sound))", "2"},
        {"MixerChannelStopAll(m); print(MixerChannelGetState(m, 7) + \" \" + MixerChannelGetState(m, 2))", "1 1"},
        {"MixerChannelUnlockAll(m); print(MixerChannelLock(m))", "0"},
    };
    ExpectScripts(rows);
}

TEST_F(MixerApi, TheSixtyFifthSoundFindsNoChannel) {
    EXPECT_EQ(Printed("local last = 0; for (local i = 0; i < 64; ++i) last = MixerSoundStart(m, g_sound);"
                      "print(last + \" \" + MixerSoundStart(m, g_sound) + \" \" + MixerChannelLock(m))"),
              "63 -1 -1");
    EXPECT_NE(log.Text().find("[!] All channels in use.\n"), std::string::npos);
}

TEST_F(MixerApi, SettersStoreTheirValuesInTheChannel) {
    Printed("MixerChannelSetGain(m, 3, 0.25); MixerChannelSetPitch(m, 3, 2); MixerChannelSetPanning(m, 3, 0.0);"
            "MixerChannelSetLoopMode(m, 3, LoopRepeat); MixerChannelSetLoopPosition(m, 3, 1500);"
            "MixerSetGain(m, 0.5);");
    const zMixerChannel* channel = playing.GetChannel(3);
    EXPECT_EQ(channel->gain, 0.25f);
    EXPECT_EQ(channel->pitch, 2.0f);
    EXPECT_EQ(channel->panning, 0.0f);
    EXPECT_EQ(channel->loopMode, MixerLoopRepeat);
    EXPECT_EQ(channel->loopPosition, 1500u);
    EXPECT_EQ(playing.gain, 0.5f);
}

TEST_F(MixerApi, MutingTwiceStillRestoresTheGainBeforeTheFirstMute) {
    Printed("MixerSetGain(m, 0.75); MixerMute(m); MixerMute(m);");
    EXPECT_EQ(playing.gain, 0.0f);
    Printed("MixerUnmute(m);");
    EXPECT_EQ(playing.gain, 0.75f);
}

// -1 (a failed search), the first index past the end and the smallest
// integer: nothing reaches the mixer, nothing changes, nothing is raised.
TEST_F(MixerApi, ChannelIndexesOutsideTheMixerAreIgnored) {
    for (const char* index : {"-1", "64", "0x80000000"}) {
        const std::string c = index;
        const std::string script =
            "MixerChannelSetGain(m, " + c + ", 0.5); MixerChannelSetPitch(m, " + c + ", 2.0);" +
            "MixerChannelSetPanning(m, " + c + ", 0.0); MixerChannelSetLoopMode(m, " + c + ", 1);" +
            "MixerChannelSetLoopPosition(m, " + c + ", 10);" + "MixerChannelStop(m, " + c +
            "); MixerChannelPause(m, " + c + "); MixerChannelResume(m, " + c + "); MixerChannelUnlock(m, " + c +
            ");" + "print(MixerChannelGetState(m, " + c + ") + \" \" + MixerChannelTryLock(m, " + c + ") + \" \" +" +
            "ObjectIsValid(MixerChannelGetSound(m, " + c + ")) + \" \" + MixerChannelStart(m, " + c +
            ", g_sound));";
        EXPECT_EQ(Printed(script), "1 false false false") << index;
    }
    EXPECT_EQ(playing.invalidIndexes, 0);
    EXPECT_EQ(log.Text().find("Invalid mixer channel"), std::string::npos);
    for (int channel = 0; channel < zMixer::ChannelCount; ++channel) {
        const zMixerChannel* record = playing.GetChannel(channel);
        EXPECT_EQ(record->gain, 1.0f);
        EXPECT_EQ(record->pitch, 1.0f);
        EXPECT_EQ(record->panning, 0.5f);
        EXPECT_EQ(record->loopMode, MixerLoopOnce);
        EXPECT_EQ(record->lock, 0);
        EXPECT_EQ(playing.states[channel], MixerChannelStopped);
    }
}

TEST_F(MixerApi, TheEnginesMixerIsItsCurrentOne) {
    const ScriptRow rows[] = {
        {"print(ObjectIsSame(EngineGetMixer(g_engine), g_mixer))", "true"},
        // The null mixer: one channel after the other, none ever playing.
        {"print(MixerSoundStart(g_mixer, g_sound) + \" \" + MixerChannelGetState(g_mixer, 0))", "0 1"},
    };
    ExpectScripts(rows);
}

// With the engine's streaming code a file that cannot be opened is an
// ordinary failure; LockAndStream keeps the lock it took before the start.
TEST_F(MixerApi, AStreamOfAMissingFileFails) {
    const ScriptRow rows[] = {
        {"print(MixerStreamStart(m, \"music.ogg\"))", "-1"},
        {"print(MixerChannelStartStream(m, 3, \"music.ogg\"))", "false"},
        {"print(MixerChannelLockAndStream(m, 4, \"music.ogg\"))", "false"},
    };
    ExpectScripts(rows);
    EXPECT_TRUE(playing.IsChannelLocked(4));
}

TEST_F(MixerApi, StreamsPlayOnceTheStreamingCodeIsInstalled) {
    FakeStreamFactory streams;
    const ScriptRow rows[] = {
        {"print(MixerStreamStart(m, \"music.ogg\"))", "0"},
        {"print(MixerChannelStartStream(m, 3, \"missing.mpg\"))", "false"},
        {"print(MixerChannelStartStream(m, 64, \"music.ogg\"))", "false"},
        // Locked by the first call, refused by the second.
        {"print(MixerChannelLockAndStream(m, 4, \"music.ogg\") + \" \" + MixerChannelLockAndStream(m, 4, \"b.ogg\"))",
         "true false"},
        {"MixerUpdate(m); print(MixerChannelGetState(m, 4))", "1"},
    };
    ExpectScripts(rows);
    EXPECT_TRUE(playing.IsChannelLocked(4));
    EXPECT_EQ(FakeStream::Log().created, 3);
}

TEST_F(MixerApi, ArgumentErrors) {
    const ScriptRow rows[] = {
        {"MixerChannelGetState(g_engine, 0)", "error: Expected 'Mixer' got 'Engine'"},
        {"MixerMute(g_noMixer)", "error: CObject is null"},
        {"EngineGetMixer(g_mixer)", "error: Expected 'Engine' got 'Mixer'"},
        {"EngineGetMixer(g_noEngine)", "error: CObject is null"},
        {"MixerSoundStart(m, g_noSound)", "error: CObject is null"},
        {"MixerChannelStart(m, 0, m)", "error: Expected 'Sound' got 'Mixer'"},
        {"MixerChannelSetGain(m, 0, \"loud\")",
         "error: parameter 3 has an invalid type 'string' ; expected: 'integer|float'"},
        {"MixerChannelStop(m, 1.5)", "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"MixerUpdate(m, 1)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(playing.states[0], MixerChannelStopped);
}

TEST_F(MixerApi, Constants) {
    EXPECT_EQ(Printed("print(LoopNone + \" \" + LoopRepeat + \" \" + ChannelStateInvalid + \" \" +"
                      "ChannelStateStopped + \" \" + ChannelStatePlaying + \" \" + ChannelStatePaused + \" \" +"
                      "MixerChannelInvalid + \" \" + MixerMaxChannel)"),
              "0 1 0 1 2 3 -1 64");
}

} // namespace
