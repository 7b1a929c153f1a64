#include <cmath>
#include <functional>
#include <string>

#include "app_fixture.h"
#include "core/zstring.h"

namespace {

using CommandLineTest = AppTest;

std::vector<std::string> Paths(const zList<zString>& list) {
    std::vector<std::string> paths;
    for (auto* node = list.GetHead(); node; node = node->next)
        paths.push_back(Text(node->value));
    return paths;
}

struct ParseCase {
    std::vector<const char*> arguments; // after the program name
    bool result;
    std::string log;
    std::function<void(const zApplicationWin32&)> check;
};

TEST_F(CommandLineTest, OptionTable) {
    const ParseCase cases[] = {
        {{"t.zms"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Text(a.input), "t.zms");
             EXPECT_EQ(a.viewMode, ViewModeScene);
             EXPECT_EQ(Text(a.rendererId), "gl2");
             EXPECT_EQ(Text(a.mixerId), "al");
             EXPECT_EQ(Text(a.rootPath), "./");
             EXPECT_EQ(a.dataSource, DataSourceDisk);
             EXPECT_EQ(a.width, 1280);
             EXPECT_EQ(a.height, 720);
             EXPECT_EQ(Text(a.GetMixerOutputPath()), "mix_out.pcm");
             EXPECT_EQ(a.raytraceWidth, -1);
             EXPECT_EQ(a.raytraceHeight, -1);
             EXPECT_EQ(a.raytraceGrid, 4);
             EXPECT_EQ(a.runTime, 0);
         }},
        {{"p.zgp", "-P"},
         true,
         "",
         [](const zApplicationWin32& a) { EXPECT_EQ(a.viewMode, ViewModeProject); }},
        {{"t.zms", "-time_live", "2"}, true, "", [](const zApplicationWin32& a) { EXPECT_EQ(a.runTime, 2); }},
        // A negative run time is no limit rather than one frame.
        {{"t.zms", "-time_live", "-5"},
         true,
         "",
         [](const zApplicationWin32& a) { EXPECT_EQ(a.runTime, 0); }},
        {{"t.zms", "-time_live", "99999999999"},
         true,
         "",
         [](const zApplicationWin32& a) { EXPECT_EQ(a.runTime, 2147483647); }},
        {{"t.zms", "-time_live", "abc"},
         true,
         "",
         [](const zApplicationWin32& a) { EXPECT_EQ(a.runTime, 0); }},
        {{"t.zms", "-ignore_bootstrap", "-ignore_esc", "-ignore_missing", "-fallback_disk_fs", "-safe_mode",
          "-enable_profiler"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_TRUE(a.ignoreBootstrap);
             EXPECT_TRUE(a.ignoreEscape);
             EXPECT_TRUE(a.ignoreMissing);
             EXPECT_TRUE(a.fallbackToDisk);
             EXPECT_TRUE(a.safeMode);
             EXPECT_TRUE(a.profiler);
         }},
        {{"t.zms", "-C", "my.cfg"},
         true,
         "",
         [](const zApplicationWin32& a) { EXPECT_EQ(Text(a.configPath), "my.cfg"); }},
        {{"t.zms", "-f", "data/"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Text(a.rootPath), "data/");
             EXPECT_EQ(a.dataSource, DataSourceDisk);
         }},
        {{"t.zms", "-A", "a.ksa"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Text(a.rootPath), "a.ksa");
             EXPECT_EQ(a.dataSource, DataSourceArchive);
         }},
        // -f after -A keeps the archive source and replaces the path.
        {{"t.zms", "-A", "a.ksa", "-f", "b.ksa"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Text(a.rootPath), "b.ksa");
             EXPECT_EQ(a.dataSource, DataSourceArchive);
         }},
        {{"t.zms", "-r", "none", "-m", "file", "-r", "egl2"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Text(a.rendererId), "egl2");
             EXPECT_EQ(Text(a.mixerId), "file");
         }},
        {{"t.zms", "-S", "one", "-S", "two"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Paths(a.searchPaths), (std::vector<std::string>{"one", "two"}));
         }},
        {{"t.zms", "-I", "a.nut", "-I", "b.nut"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Paths(a.includes), (std::vector<std::string>{"a.nut", "b.nut"}));
         }},
        // -R alone changes no engine state; only scene-mode initialisation does.
        {{"t.zms", "-R", "out", "-Rw", "32", "-Rh", "24", "-Raa", "2"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Text(a.raytracePath), "out");
             EXPECT_EQ(a.raytraceWidth, 32);
             EXPECT_EQ(a.raytraceHeight, 24);
             EXPECT_EQ(a.raytraceGrid, 2);
         }},
        // Sizes that cannot make a picture fall back to the window's; the
        // grid is at least 1.
        {{"t.zms", "-Rw", "-5", "-Rh", "0", "-Raa", "0"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(a.raytraceWidth, -1);
             EXPECT_EQ(a.raytraceHeight, -1);
             EXPECT_EQ(a.raytraceGrid, 1);
         }},
        {{"t.zms", "-Rw", "99999999999999999999", "-Raa", "-3"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(a.raytraceWidth, 2147483647);
             EXPECT_EQ(a.raytraceGrid, 1);
         }},
        {{"t.zms", "-Mf", "o.wav"},
         true,
         "",
         [](const zApplicationWin32& a) { EXPECT_EQ(Text(a.GetMixerOutputPath()), "o.wav"); }},
        // The first argument is the input whatever it looks like.
        {{"-P"},
         true,
         "",
         [](const zApplicationWin32& a) {
             EXPECT_EQ(Text(a.input), "-P");
             EXPECT_EQ(a.viewMode, ViewModeScene);
         }},
        {{"t.zms", "-C"}, false, "[!] -C: Missing configuration file path.\n", nullptr},
        {{"t.zms", "-time_live"}, false, "[!] -time_live: Missing mask.\n", nullptr},
        {{"t.zms", "-log_level"}, false, "[!] -log_level: Missing mask.\n", nullptr},
        {{"t.zms", "-f"}, false, "[!] -f: Missing root path.\n", nullptr},
        {{"t.zms", "-A"}, false, "[!] -A: Missing archive path.\n", nullptr},
        {{"t.zms", "-r"}, false, "[!] -r: Missing renderer id.\n", nullptr},
        {{"t.zms", "-m"}, false, "[!] -m: Missing mixer id.\n", nullptr},
        {{"t.zms", "-S"}, false, "[!] -S: Missing search path.\n", nullptr},
        {{"t.zms", "-R"}, false, "[!] -R: Missing raytracer output path.\n", nullptr},
        {{"t.zms", "-Rw"}, false, "[!] -Rw: Missing raytracer frame width.\n", nullptr},
        {{"t.zms", "-Rh"}, false, "[!] -Rh: Missing raytracer frame height.\n", nullptr},
        {{"t.zms", "-Raa"}, false, "[!] -Raa: Missing raytracer AA grid size.\n", nullptr},
        {{"t.zms", "-I"}, false, "[!] -I: Missing include path.\n", nullptr},
        {{"t.zms", "-Ds", "a"},
         false,
         "[!] -Ds: Incomplete key-value pair. (eg. -Ds my_var \"String Value\")\n",
         nullptr},
        {{"t.zms", "-Di", "a"}, false, "[!] -Di: Incomplete key-value pair. (eg. -Di my_var 5)\n", nullptr},
        {{"t.zms", "-Df", "a"}, false, "[!] -Df: Incomplete key-value pair. (eg. -Df my_var 5.5)\n", nullptr},
        {{"t.zms", "-Ds"},
         false,
         "[!] -Ds: Incomplete key-value pair. (eg. -Ds my_var \"String Value\")\n",
         nullptr},
        {{"t.zms", "-Mf"},
         false,
         "[!] -Mf: Missing mixer output file.\n[!] Unknown command line parameter '-Mf'\n",
         nullptr},
        // Listed in the usage text, refused by the parser.
        {{"t.zms", "-d", "5"}, false, "[!] Unknown command line parameter '-d'\n", nullptr},
        {{"t.zms", "-dp", "x"}, false, "[!] Unknown command line parameter '-dp'\n", nullptr},
        {{"t.zms", "-x"}, false, "[!] Unknown command line parameter '-x'\n", nullptr},
        {{"-r", "none", "t.zms"}, false, "[!] Unknown command line parameter 'none'\n", nullptr},
        // Options are compared whole and case-sensitively.
        {{"t.zms", "-p"}, false, "[!] Unknown command line parameter '-p'\n", nullptr},
        {{"t.zms", "-Cx", "a"}, false, "[!] Unknown command line parameter '-Cx'\n", nullptr},
        {{"t.zms", ""}, false, "[!] Unknown command line parameter ''\n", nullptr},
    };
    for (const ParseCase& c : cases) {
        std::string line;
        for (const char* argument : c.arguments)
            line += std::string(argument) + " ";
        SCOPED_TRACE(line);
        log.Reset();
        zApplicationWin32 app;
        std::vector<const char*> argv{"player"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(app.ParseCommandLine(int(argv.size()), argv.data()), c.result);
        EXPECT_EQ(log.Text(), c.log);
        if (c.check) c.check(app);
        log.SetLevelMask(0xFF);
    }
}

TEST_F(CommandLineTest, DefinesKeepTheirOrderNamesAndTypes) {
    zApplicationWin32 app;
    ASSERT_TRUE(Parse(app, {"t.zms", "-Di", "n", "5", "-Df", "f", "2.5", "-Ds", "s", "hi there", "-Di", "bad",
                            "x", "-Df", "huge", "1e300", "-Di", "big", "-99999999999"}));
    struct Expected {
        const char* name;
        u32 type;
    };
    const Expected expected[] = {{"n", VariantInt},   {"f", VariantFloat},    {"s", VariantString},
                                 {"bad", VariantInt}, {"huge", VariantFloat}, {"big", VariantInt}};
    ASSERT_EQ(app.defines.GetCount(), 6u);
    auto* node = app.defines.GetHead();
    for (const Expected& e : expected) {
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(Text(node->value->GetName()), e.name);
        EXPECT_EQ(node->value->GetType(), e.type) << e.name;
        node = node->next;
    }
    i32 integer = 0;
    f32 real = 0.0f;
    const char* text = nullptr;
    ASSERT_TRUE(app.defines.GetNodeAt(0)->value->GetInt(integer));
    EXPECT_EQ(integer, 5);
    ASSERT_TRUE(app.defines.GetNodeAt(1)->value->GetFloat(real));
    EXPECT_EQ(real, 2.5f);
    ASSERT_TRUE(app.defines.GetNodeAt(2)->value->GetString(text));
    EXPECT_STREQ(text, "hi there");
    ASSERT_TRUE(app.defines.GetNodeAt(3)->value->GetInt(integer));
    EXPECT_EQ(integer, 0);
    ASSERT_TRUE(app.defines.GetNodeAt(4)->value->GetFloat(real));
    EXPECT_TRUE(std::isinf(real));
    ASSERT_TRUE(app.defines.GetNodeAt(5)->value->GetInt(integer));
    EXPECT_EQ(integer, -2147483647 - 1);
}

TEST_F(CommandLineTest, LogLevelLetters) {
    struct Case {
        const char* letters;
        u8 mask;
    };
    const Case cases[] = {
        {"n!", 0x08}, {"x", 0x00},   {"a", 0xFF}, {"sH", 0x03}, {"an", 0x00},  {"!S*", 0x1C},
        {"", 0x00},   {"na*", 0xFF}, {"S", 0x10}, {"hs", 0x01}, {"*!*", 0x0C},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseLogLevelMask(c.letters), c.mask) << c.letters;
        zApplicationWin32 app;
        log.SetLevelMask(0xFF);
        ASSERT_TRUE(Parse(app, {"t.zms", "-log_level", c.letters}));
        EXPECT_EQ(GetLog().GetLevelMask(), c.mask) << c.letters;
    }
    log.SetLevelMask(0xFF);
}

TEST_F(CommandLineTest, LogLevelFiltersTheLinesThatFollow) {
    zApplicationWin32 app;
    ASSERT_TRUE(Parse(app, {"t.zms", "-log_level", "n!"}));
    GetLog() << "[*] warning\n";
    GetLog() << "[H] header\n";
    GetLog() << "plain\n";
    GetLog() << "[!] error\n";
    GetLog() << "[|] always\n";
    EXPECT_EQ(log.Text(), "[!] error\n[|] always\n");
    log.SetLevelMask(0xFF);
}

TEST_F(CommandLineTest, UsageTextLineForLine) {
    zApplicationWin32 app;
    app.PrintUsage();
    const std::string text = log.Text();
    EXPECT_EQ(text.rfind("Usage: ksframework input(.zms|.zgp) <-P> <-f|-A> <-S>\n\nBasic usage:\n\n-P ", 0),
              0u);
    const std::string ending = "-time_live <sec>   : Set a run time in seconds.\n\nSoftware mixer:\n\n"
                               "-Mf <path>         : Output file.\n\n";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    EXPECT_NE(
        text.find("-dp <password>     : Password-protect the debugger interface.\nScript interface:\n\n"),
        std::string::npos);
    EXPECT_NE(text.find("                     a: All (default)\n-time_live"), std::string::npos);
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(lines, 64u);
}

TEST_F(CommandLineTest, NoArgumentsAndNoBootstrapShowsTheUsage) {
    zApplicationWin32 app;
    EXPECT_FALSE(Parse(app, {}));
    const std::string text = log.Text();
    const std::string start = "[*] Could not access file 'bootstrap.txt'.\n"
                              "[H] Filesystem connecting to archive 'resource.ksa'...\n"
                              "[!] Failed to open archive 'resource.ksa'.\n"
                              "Usage: ksframework";
    EXPECT_EQ(text.substr(0, start.size()), start);
}

TEST_F(CommandLineTest, NoArgumentsAtAllNotEvenTheProgramName) {
    zApplicationWin32 app;
    EXPECT_FALSE(app.ParseCommandLine(0, nullptr));
    EXPECT_NE(log.Text().find("Usage: ksframework"), std::string::npos);
}

} // namespace
