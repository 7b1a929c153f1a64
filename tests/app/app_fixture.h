// A clean file road, a temporary working directory and a captured log for
// every test of the application,
// and a player whose renderer id "test" creates a null renderer of its own,
// so the factory presets and the settings that follow can be seen.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/player_application.h"
#include "io/file_road.h"
#include "render/null_renderer.h"
#include "tests/support/log_capture.h"
#include "tests/support/memory_files.h"
#include "tests/support/temporary_directory.h"

// An empty zString keeps no buffer.
inline std::string Text(const zString& text) {
    return text.IsEmpty() ? std::string() : std::string(text.CStr());
}

// What opening the font system logs without a "default.ttf"; it opens as
// scripting starts.
const std::string FontSystemMissing =
    "[!] Failed to open font file 'default.ttf'.\n[!] Failed to open default system font.\n";

class TestPlayer : public zApplicationWin32 {
  public:
    bool CreateRenderer() override {
        if (rendererId != "test") return zApplicationWin32::CreateRenderer();
        return AdoptRenderer(std::make_unique<zNull_Renderer>(&engine, true));
    }
};

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(m_temporary.Path().empty());
        FileSystemReset();
    }

    void TearDown() override {
        FileSystemReset();
        GetLog().SetLevelMask(0xFF);
    }

    // Parses "player" followed by the arguments.
    static bool Parse(zApplication& app, std::initializer_list<const char*> arguments) {
        std::vector<const char*> argv{"player"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return app.ParseCommandLine(int(argv.size()), argv.data());
    }

    TemporaryDirectory m_temporary{"app_test", true};
    LogCapture log;
};
