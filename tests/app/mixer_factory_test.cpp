// The player's mixer ids: each makes its mixer, "file" also opens its output
// and sets one mixer step per frame, and a mixer that cannot open leaves the
// run on the engine's null mixer.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app_fixture.h"
#include "audio/al_mixer.h"
#include "audio/smix_mixer.h"
#include "tests/support/scoped_environment.h"

namespace {

using MixerFactoryTest = AppTest;

std::string ReadBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST_F(MixerFactoryTest, EachIdMakesItsMixer) {
    const struct {
        const char* id;
        bool openAL;
        bool file;
    } cases[] = {{"al", true, false}, {"soft", false, false}, {"file", false, true}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.id);
        std::remove("mix_out.pcm");
        {
            zApplicationWin32 app;
            app.mixerId.Set(row.id);
            log.Reset();
            ASSERT_TRUE(app.CreateMixer());
            EXPECT_EQ(log.Text().find("[!]"), std::string::npos) << log.Text();
            zMixer* mixer = app.GetMixer();
            ASSERT_NE(mixer, nullptr);
            EXPECT_EQ(app.GetEngine().GetMixer(), mixer);
            EXPECT_EQ(dynamic_cast<zALMixer*>(mixer) != nullptr, row.openAL);
            EXPECT_EQ(dynamic_cast<zSMixMixer*>(mixer) != nullptr, !row.openAL);
            EXPECT_EQ(app.GetFileMixer() != nullptr, row.file);
            if (row.file) {
                EXPECT_EQ(static_cast<zMixer*>(app.GetFileMixer()), mixer);
            }
        } // the one mixer object goes once (the sanitizers see a second delete)
        EXPECT_EQ(ReadBytes("mix_out.pcm").size(), row.file ? 44u : 0u);
    }
}

TEST_F(MixerFactoryTest, FileMixerStepsOnceAFrameAndFinishesAtShutdown) {
    ScopedEnvironment noCard("SDL_AUDIODRIVER", "no-such-driver");
    zApplicationWin32 app;
    ASSERT_TRUE(Parse(app, {"t.zms", "-m", "file", "-Mf", "out.wav"}));
    ASSERT_TRUE(app.CreateMixer());
    ASSERT_TRUE(app.OpenAudio()); // no device needed
    EXPECT_EQ(app.GetMixer(), static_cast<zMixer*>(app.GetFileMixer()));
    app.GetEngine().ResetClock(); // a frame time of 166 ticks
    log.Reset();
    ASSERT_TRUE(app.PumpMessages());
    EXPECT_EQ(log.Text(), "Fixed mixer step: 3184 bytes (step = 166).\n");
    app.GetEngine().GetMixer()->Update();
    app.Shutdown();
    EXPECT_EQ(app.GetFileMixer(), nullptr);
    const std::string bytes = ReadBytes("out.wav");
    ASSERT_EQ(bytes.size(), 44u + 3184u);
    EXPECT_EQ(bytes.substr(40, 4), std::string("\x70\x0c\x00\x00", 4));
}

TEST_F(MixerFactoryTest, MixerThatCannotOpenLeavesTheRunSilent) {
    ScopedEnvironment noCard("SDL_AUDIODRIVER", "no-such-driver");
    zApplicationWin32 app;
    zMixer* nullMixer = app.GetEngine().GetMixer();
    app.mixerId.Set("soft");
    ASSERT_TRUE(app.CreateMixer());
    log.Reset();
    EXPECT_TRUE(app.OpenAudio());
    EXPECT_EQ(log.Text(), "[*] Mixer 'soft' failed to open: no sound output.\n");
    EXPECT_EQ(app.GetMixer(), nullptr);
    EXPECT_EQ(app.GetEngine().GetMixer(), nullMixer);
    EXPECT_TRUE(nullMixer->IsOpen());
}
