// The Sound group: the duration of sounds loaded from WAV files written
// here, and of sounds whose frame count or rate the test sets.
#include <gtest/gtest.h>

#include <string>

#include "audio/sound.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

void PutLittle(std::string& out, u32 value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

// A 16-bit mono WAV of silent frames.
std::string MonoWav(u32 frames, u32 rate) {
    const u32 dataSize = frames * 2;
    std::string out = "RIFF";
    PutLittle(out, 36 + dataSize, 4);
    out += "WAVEfmt ";
    PutLittle(out, 16, 4);
    PutLittle(out, 1, 2); // PCM
    PutLittle(out, 1, 2); // channels
    PutLittle(out, rate, 4);
    PutLittle(out, rate * 2, 4);
    PutLittle(out, 2, 2);
    PutLittle(out, 16, 2);
    out += "data";
    PutLittle(out, dataSize, 4);
    out.append(dataSize, '\0');
    return out;
}

using SoundApi = ScriptApiFixture;

TEST_F(SoundApi, DurationOfWavFiles) {
    WriteFile("half.wav", MonoWav(22050, 44100));
    WriteFile("one.wav", MonoWav(1, 44100));
    zSound* half = engine.LoadSound("half.wav");
    zSound* one = engine.LoadSound("one.wav");
    ASSERT_NE(half, nullptr);
    ASSERT_NE(one, nullptr);
    ASSERT_EQ(half->frameCount, 22050u);
    SetHandle("half", half, ScriptKindSound);
    SetHandle("one", one, ScriptKindSound);
    SetHandle("none", nullptr, ScriptKindSound);
    const ScriptRow rows[] = {
        {"print(SoundGetDuration(half))", "500"},
        {"print(SoundGetDuration(one))", "0"}, // the fraction dropped
        {"print(typeof SoundGetDuration(half))", "integer"},
        {"SoundGetDuration(none)", "error: CObject is null"},
        {"SoundGetDuration(g_mixer)", "error: Expected 'Sound' got 'Mixer'"},
    };
    ExpectScripts(rows);
}

// Frames x 1000 past 32 bits (100 s at 48 kHz) still divides right, and a
// sound without a sample rate lasts 0 ms.
TEST_F(SoundApi, LongSoundsAndNoRate) {
    zSound sound(&engine, "probe");
    SetHandle("s", &sound, ScriptKindSound);
    const struct {
        u32 frames;
        u32 rate;
        const char* printed;
    } cases[] = {
        {4800000, 48000, "100000"},
        {44100 * 90, 44100, "90000"},
        {22050, 0, "0"},
        {0, 44100, "0"},
    };
    for (const auto& c : cases) {
        sound.frameCount = c.frames;
        sound.sampleRate = c.rate;
        EXPECT_EQ(Printed("print(SoundGetDuration(s))"), c.printed) << c.frames << " at " << c.rate;
    }
}

// A sound goes with its cache, whichever way the cache goes; its handles
// are dead from then on.
TEST_F(SoundApi, HandlesOfAFreedSoundAreDead) {
    WriteFile("s.wav", MonoWav(100, 1000));
    const ScriptRow rows[] = {
        {"EngineSetResourceCache(g_engine, EngineNewResourceCache(g_engine));"
         "::s <- EngineLoadSound(g_engine, \"s.wav\"); print(SoundGetDuration(s))",
         "100"},
    };
    ExpectScripts(rows);
    engine.FreeResourceCaches();
    EXPECT_EQ(Printed("print(ObjectIsValid(s)); SoundGetDuration(s)"),
              "false\nerror: Expected 'Sound' got 'Deleted native'");
}

} // namespace
