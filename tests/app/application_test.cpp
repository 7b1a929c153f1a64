#include <signal.h>

#include <fstream>
#include <string>

#include "app/program.h"
#include "app_fixture.h"
#include "audio/mixer.h"
#include "audio/sound.h"
#include "core/bounds.h"
#include "core/clock.h"
#include "engine/engine.h"
#include "io/disk_fs.h"
#include "markup/meta_tag.h"
#include "markup/script_value.h"
#include "platform/stop_signals.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/ace.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/emitter.h"
#include "render/curve.h"
#include "scene/light.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "scene/motion.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/script_unit.h"
#include "tests/support/fake_clock.h"

namespace {

using ApplicationTest = AppTest;

size_t Count(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

const char* const SceneLoading = "[H] Loading scene 't.zms' (flag: -1)\n";

TEST_F(ApplicationTest, ProgramDirectoryIsCutAfterTheLastSeparator) {
    struct Case {
        const char* argv0;
        const char* directory;
        const char* config;
    };
    const Case cases[] = {
        {"player", "", "./engine.cfg"},
        {"./player", "./", "./engine.cfg"},
        {"/usr/local/bin/player", "/usr/local/bin/", "/usr/local/bin/engine.cfg"},
        {"c:\\games\\player.exe", "c:\\games\\", "c:\\games\\engine.cfg"},
        {"c:player.exe", "c:", "c:engine.cfg"},
        {"dir/", "dir/", "dir/engine.cfg"},
        {"", "", "./engine.cfg"},
        {nullptr, "", "./engine.cfg"},
    };
    for (const Case& c : cases) {
        zString directory = ProgramDirectory(c.argv0);
        EXPECT_EQ(Text(directory), c.directory) << (c.argv0 ? c.argv0 : "null");
        EXPECT_EQ(Text(DefaultConfigPath(directory)), c.config) << (c.argv0 ? c.argv0 : "null");
    }
}

TEST_F(ApplicationTest, OwnDataFolderIsShareBesideTheProgramFolder) {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/local/bin/player", "/usr/local/share/kestrin"},
        {"/work/build/app/player", "/work/build/share/kestrin"},
        {"/a//bin//player", "/a//share/kestrin"},
        {"app/player", "./share/kestrin"},
        {"/player", "/share/kestrin"},
        {"player", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(OwnDataFolder(c.first)), c.second) << c.first;
}

TEST_F(ApplicationTest, StartupPrintsTheBannerAndClearsTheMissingFlag) {
    RaiseMissingResourceFlag();
    zApplicationWin32 app;
    ASSERT_TRUE(app.Startup());
    EXPECT_FALSE(IsMissingResourceFlagRaised());
    const std::string text = log.Text();
    EXPECT_EQ(
        text.rfind("Kestrin stand-alone.\nVersion: 1.1.7\nMachine memory layout:\n\n    sizeof(bool) = 1\n",
                   0),
        0u);
    const size_t compiled = text.find("Compiled with 6 logical texture stage(s), 3 UV set(s).\n\n");
    const size_t scene = text.find("Scene memory layout:\n\n    sizeof(");
    ASSERT_NE(compiled, std::string::npos);
    ASSERT_NE(scene, std::string::npos);
    EXPECT_LT(compiled, scene);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    // The callbacks raise the flag the frame tests.
    zString name("a.tga");
    ASSERT_NE(app.GetEngine().missingTextureCallback, nullptr);
    app.GetEngine().missingTextureCallback(name);
    EXPECT_TRUE(IsMissingResourceFlagRaised());
    EXPECT_EQ(Text(name), "a.tga");
    ClearMissingResourceFlag();
}

// The banner's type rows from the engine down to the scene part, in the
// dump's order; zObj, zCam, zChannel and zMotionPlayer are our zObject,
// zCamera, zMotionChannel and zAnimationPlayer. zHierarchy has no class
// here.
TEST_F(ApplicationTest, BannerListsTheSceneTypesInTheirPlaces) {
    struct Row {
        const char* name;
        size_t size;
    };
    const Row core[] = {
        {"zEngine", sizeof(zEngine)},     {"zItem", sizeof(zItem)},       {"zACEUnit", sizeof(zACEUnit)},
        {"zObj", sizeof(zObject)},        {"zTexture", sizeof(zTexture)}, {"zSound", sizeof(zSound)},
        {"zGeometry", sizeof(zGeometry)}, {"zLight", sizeof(zLight)},     {"zEmitter", sizeof(zEmitter)},
        {"zMaterial", sizeof(zMaterial)}, {"zCam", sizeof(zCamera)},      {"zPolygon", sizeof(zPolygon)},
        {"zCurve", sizeof(zCurve)},
    };
    const Row scene[] = {
        {"zScene", sizeof(zScene)},
        {"zMItem", sizeof(zMItem)},
        {"zChannel", sizeof(zMotionChannel)},
        {"zMotion", sizeof(zMotion)},
        {"zMotionPlayer", sizeof(zAnimationPlayer)},
        {"zMObject", sizeof(zMObject)},
        {"zMCamera", sizeof(zMCamera)},
        {"zMLight", sizeof(zMLight)},
        {"zManagerScriptUnit", sizeof(zManagerScriptUnit)},
    };
    auto rowsOf = [](const Row* rows, size_t count) {
        std::string text;
        for (size_t i = 0; i < count; ++i)
            text += "    sizeof(" + std::string(rows[i].name) + ") = " + std::to_string(rows[i].size) + "\n";
        return text + "\n";
    };
    zApplicationWin32 app;
    ASSERT_TRUE(app.Startup());
    const std::string text = log.Text();
    const std::string coreRows = rowsOf(core, sizeof(core) / sizeof(core[0])) +
                                 "    sizeof(zMetaTag) = " + std::to_string(sizeof(zMetaTag)) +
                                 "\n\nCompiled with ";
    EXPECT_NE(text.find("    sizeof(zMinMax) = " + std::to_string(sizeof(zMinMax)) + "\n\n" + coreRows),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Scene memory layout:\n\n" + rowsOf(scene, sizeof(scene) / sizeof(scene[0]))),
              std::string::npos)
        << text;
}

TEST_F(ApplicationTest, FactoriesByIdWithTheirListTexts) {
    struct Case {
        const char* renderer;
        const char* mixer;
        bool rendererResult;
        bool mixerResult;
        std::string log;
    };
    const Case cases[] = {
        {"none", "none", true, true, ""},
        {"list", "none", false, true,
         "Available renderer ID:\n\n'none'\t\t\t\t: No video output.\n"
         "'gl2'\t\t\t\t: OpenGL 2.0 based hardware renderer.\n"
         "'egl2'\t\t\t\t: OpenGL ES 2.0 based hardware renderer.\n\n"},
        {"none", "list", true, false,
         "Available mixer ID:\n\n'none'\t\t\t\t: No sound output.\n"
         "'al'\t\t\t\t: OpenAL based hardware mixer.\n"
         "'soft'\t\t\t\t: Platform independent software mixer.\n"
         "'file' <output.wav>\t: Software mixer with output to file.\n\n"},
        {"bogus", "bogus", false, false, "[!] Unknown renderer id 'bogus'.\n[!] Unknown mixer id 'bogus'.\n"},
        {"NONE", "None", false, false, "[!] Unknown renderer id 'NONE'.\n[!] Unknown mixer id 'None'.\n"},
        {"", "", false, false, "[!] Unknown renderer id ''.\n[!] Unknown mixer id ''.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.renderer) + " " + c.mixer);
        zApplicationWin32 app;
        zRenderer* nullRenderer = app.GetEngine().GetRenderer();
        zMixer* nullMixer = app.GetEngine().GetMixer();
        app.rendererId.Set(c.renderer);
        app.mixerId.Set(c.mixer);
        log.Reset();
        EXPECT_EQ(app.CreateRenderer(), c.rendererResult);
        EXPECT_EQ(app.CreateMixer(), c.mixerResult);
        EXPECT_EQ(log.Text(), c.log);
        EXPECT_EQ(app.GetRenderer(), nullptr);
        EXPECT_EQ(app.GetMixer(), nullptr);
        EXPECT_EQ(app.GetEngine().GetRenderer(), nullRenderer);
        EXPECT_EQ(app.GetEngine().GetMixer(), nullMixer);
    }
}

TEST_F(ApplicationTest, InitOpensTheNullDevicesThenLoadsAndSetsUpTheScene) {
    PutMemoryFile("t.zms", "<ZML=1.0><Scene=<Items>>");
    zApplicationWin32 app;
    app.Startup();
    ASSERT_TRUE(Parse(app, {"t.zms", "-r", "none", "-m", "none"}));
    log.Reset();
    EXPECT_TRUE(app.Init());
    // No data folder here: the default font and the start-up script are
    // missing, which only logs; then the scene is read, set up and reset.
    const std::string text = log.Text();
    const std::string before =
        FontSystemMissing + "[!] Failed to locate script 'scriptlib/zad.nut'.\n" + SceneLoading;
    EXPECT_EQ(text.rfind(before, 0), 0u) << text;
    const std::string after = "[H] Setup scene 't.zms'\n[H] Scene reset\n";
    ASSERT_GE(text.size(), after.size());
    EXPECT_EQ(text.substr(text.size() - after.size()), after) << text;
    EXPECT_TRUE(app.initialised);
    EXPECT_TRUE(app.GetProject().GetVM().IsOpen());
    zRenderer* renderer = app.GetEngine().GetRenderer();
    EXPECT_TRUE(renderer->IsOpen());
    f32 size[2] = {};
    renderer->GetOutputSize(size);
    EXPECT_EQ(size[0], 1280.0f);
    EXPECT_EQ(size[1], 720.0f);
    EXPECT_TRUE(app.GetEngine().GetMixer()->IsOpen());
    // The root path was added as a search path.
    EXPECT_EQ(FileSystemGetSearchPathCount(), 1u);
}

TEST_F(ApplicationTest, GLFactoriesMakeTheirRendererCurrentWithThePresets) {
    struct Case {
        const char* id;
        const char* name;
        const char* description;
    };
    const Case cases[] = {{"gl2", "OpenGL", "OpenGL Deferred"},
                          {"egl2", "EGL Renderer.", "OpenGL ES renderer."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        zApplicationWin32 app;
        app.rendererId.Set(c.id);
        log.Reset();
        ASSERT_TRUE(app.CreateRenderer());
        EXPECT_EQ(log.Text(), "");
        zRenderer* renderer = app.GetRenderer();
        ASSERT_NE(renderer, nullptr);
        EXPECT_EQ(app.GetEngine().GetRenderer(), renderer);
        EXPECT_STREQ(renderer->GetName(), c.name);
        EXPECT_STREQ(renderer->GetDescription(), c.description);
        EXPECT_FALSE(renderer->IsOpen());
        EXPECT_EQ(renderer->GetSystemWordValue(), FactorySystemSet);
        EXPECT_EQ(renderer->GetControlWordValue(), FactoryControlSet);
    }
}

TEST_F(ApplicationTest, InitFailsOnEachFactory) {
    struct Case {
        std::vector<const char*> arguments;
        std::string log;
    };
    const std::vector<Case> cases = {
        {{"t.zms", "-r", "list"}, "Available renderer ID:\n"},
        {{"t.zms", "-r", "bogus"}, "[!] Unknown renderer id 'bogus'.\n"},
        {{"t.zms", "-r", "none", "-m", "bogus"}, "[!] Unknown mixer id 'bogus'.\n"},
        {{"t.zms", "-r", "none", "-m", "list"}, "Available mixer ID:\n"},
        {{"t.zms", "-r", "none", "-m", "none", "-A", "absent.ksa"},
         "[H] Filesystem connecting to archive 'absent.ksa'...\n[!] Failed to open archive 'absent.ksa'.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        FileSystemReset();
        zApplicationWin32 app;
        std::vector<const char*> argv{"player"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        ASSERT_TRUE(app.ParseCommandLine(int(argv.size()), argv.data()));
        log.Reset();
        EXPECT_FALSE(app.Init());
        EXPECT_EQ(log.Text().rfind(c.log, 0), 0u) << log.Text();
        EXPECT_EQ(log.Text().find(SceneLoading), std::string::npos);
        EXPECT_FALSE(app.GetProject().GetVM().IsOpen());
    }
}

TEST_F(ApplicationTest, CreatedRendererGetsThePresetsThenTheSettings) {
    struct Case {
        const char* config;
        bool safeMode;
        u32 systemWord;
        u32 controlWord;
    };
    const Case cases[] = {
        // No engine.cfg: every keyed bit the factory preset is cleared.
        {nullptr, false, 0x000, 0x000},
        // Safe mode survives the settings that would clear its bit.
        {nullptr, true, 0x010, 0x000},
        {"<ZML=1.0><DisableShader=False><Bloom=True>", true, 0x010, 0x008},
        {"<ZML=1.0><DisableShader=True><TextureForceTrueColor=True>", false, 0x110, 0x000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.config ? c.config : "no engine.cfg");
        FileSystemReset();
        TestPlayer app;
        std::vector<const char*> argv{"player", "t.zms", "-r", "test", "-m", "none"};
        if (c.safeMode) argv.push_back("-safe_mode");
        ASSERT_TRUE(app.ParseCommandLine(int(argv.size()), argv.data()));
        if (c.config) {
            PutMemoryFile("engine.cfg", c.config);
            ASSERT_TRUE(app.LoadConfig("engine.cfg"));
        }
        EXPECT_FALSE(app.Init());
        zRenderer* renderer = app.GetRenderer();
        ASSERT_NE(renderer, nullptr);
        EXPECT_EQ(app.GetEngine().GetRenderer(), renderer);
        EXPECT_EQ(renderer->GetSystemWordValue(), c.systemWord);
        EXPECT_EQ(renderer->GetControlWordValue(), c.controlWord);
        EXPECT_TRUE(renderer->GetCleanResourceOnSetup());
        EXPECT_TRUE(renderer->IsOpen());
    }
}

TEST_F(ApplicationTest, AspectRatioOfTheConfigReachesTheRenderer) {
    TestPlayer app;
    ASSERT_TRUE(Parse(app, {"t.zms", "-r", "test", "-m", "none"}));
    PutMemoryFile("engine.cfg", "<ZML=1.0><AspectRatio=1.25><Width=320><Height=200>");
    ASSERT_TRUE(app.LoadConfig("engine.cfg"));
    EXPECT_FALSE(app.Init());
    ASSERT_NE(app.GetRenderer(), nullptr);
    EXPECT_EQ(app.GetRenderer()->GetGlobalAspectRatio(), 1.25f);
    f32 size[2] = {};
    app.GetRenderer()->GetOutputSize(size);
    EXPECT_EQ(size[0], 320.0f);
    EXPECT_EQ(size[1], 200.0f);
    // A later engine.cfg reaches the existing renderer at once.
    PutMemoryFile("other.cfg", "<ZML=1.0><AspectRatio=0.5>");
    ASSERT_TRUE(app.LoadConfig("other.cfg"));
    EXPECT_EQ(app.GetRenderer()->GetGlobalAspectRatio(), 0.5f);
}

TEST_F(ApplicationTest, RaytracingSkipsResourceSetupInSceneModeOnly) {
    struct Case {
        std::vector<const char*> arguments;
        bool setupResources;
    };
    const std::vector<Case> cases = {
        {{"t.zms", "-r", "none", "-m", "none"}, true},
        {{"t.zms", "-r", "none", "-m", "none", "-R", "out"}, false},
        {{"p.zgp", "-P", "-r", "none", "-m", "none", "-R", "out"}, true},
    };
    for (const Case& c : cases) {
        FileSystemReset();
        zApplicationWin32 app;
        std::vector<const char*> argv{"player"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        ASSERT_TRUE(app.ParseCommandLine(int(argv.size()), argv.data()));
        EXPECT_TRUE(app.GetEngine().GetSetupResources());
        app.Init();
        EXPECT_EQ(app.GetEngine().GetSetupResources(), c.setupResources) << argv.size();
    }
}

TEST_F(ApplicationTest, ArchiveDataSourceIsCurrentUntilTheApplicationEnds) {
    PutMemoryFile("data.ksa", std::string("CRAZ") + std::string("\x05\0\0\0a.txt\0\x01\0\0\0x", 15));
    zIOBaseFS* disk = FileSystemGetCurrent();
    {
        zApplicationWin32 app;
        ASSERT_TRUE(Parse(app, {"t.zms", "-r", "none", "-m", "none", "-A", "data.ksa", "-fallback_disk_fs"}));
        EXPECT_FALSE(app.Init());
        EXPECT_NE(FileSystemGetCurrent(), disk);
        EXPECT_EQ(FileSystemGetFallbackCount(), 1u);
        EXPECT_TRUE(FileSystemExists("a.txt"));
    }
    EXPECT_EQ(FileSystemGetCurrent(), disk);
    EXPECT_EQ(FileSystemGetFallbackCount(), 0u);
}

TEST_F(ApplicationTest, ShutdownRunsOnceAndLogsOnce) {
    {
        TestPlayer app;
        ASSERT_TRUE(Parse(app, {"t.zms", "-r", "test", "-m", "none"}));
        EXPECT_FALSE(app.Init());
        zRenderer* nullRenderer = nullptr;
        log.Reset();
        EXPECT_TRUE(app.Shutdown());
        EXPECT_TRUE(app.IsShutDown());
        // The created renderer is gone and the null renderer current again.
        EXPECT_EQ(app.GetRenderer(), nullRenderer);
        EXPECT_NE(app.GetEngine().GetRenderer(), nullptr);
        EXPECT_TRUE(app.Shutdown());
    }
    EXPECT_EQ(log.Text(), "Freeing 1 resource cache(s)...\nDone.\n");
}

TEST_F(ApplicationTest, FailedInitIsStillCleanedUpByTheDestructor) {
    {
        TestPlayer app;
        ASSERT_TRUE(Parse(app, {"t.zms", "-r", "test", "-m", "none"}));
        EXPECT_FALSE(app.Init());
        log.Reset();
    }
    EXPECT_EQ(Count(log.Text(), "Freeing 1 resource cache(s)...\n"), 1u);
    EXPECT_EQ(Count(log.Text(), "Done.\n"), 1u);
}

TEST_F(ApplicationTest, FrameEndsAfterTheRunTime) {
    struct Case {
        i32 runTime;
        u64 step;
        u32 framesBeforeStop; // 0: never within the frames tried
    };
    const Case cases[] = {
        // Ends on the first frame that ends more than 20000 units in.
        {2, 5000, 5},
        {2, 20000, 2},
        {1, 3000, 4},
        // No limit.
        {0, 100000, 0},
        // Past the i32 range of units, still a limit.
        {300000, 1000000000, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.runTime);
        FakeClock clock(1000);
        zApplicationWin32 app;
        app.runTime = c.runTime;
        app.StartClock();
        u32 frames = 0;
        bool running = true;
        while (running && frames < 8) {
            clock.Advance(c.step);
            running = app.Frame();
            ++frames;
        }
        EXPECT_EQ(running ? 0u : frames, c.framesBeforeStop);
        EXPECT_EQ(app.frameCounter, frames);
    }
}

TEST_F(ApplicationTest, MissingResourceEndsTheRunUnlessIgnored) {
    {
        zApplicationWin32 app;
        app.Startup();
        log.Reset();
        EXPECT_TRUE(app.Frame());
        RaiseMissingResourceFlag();
        EXPECT_FALSE(app.Frame());
        EXPECT_TRUE(app.IsAbnormalExit());
        EXPECT_EQ(log.Text(),
                  "[!] Exiting due to missing resources.\n[!] Exiting due to missing resources.\n");
    }
    {
        zApplicationWin32 app;
        app.Startup();
        app.ignoreMissing = true;
        RaiseMissingResourceFlag();
        log.Reset();
        EXPECT_TRUE(app.Frame());
        EXPECT_FALSE(app.IsAbnormalExit());
        EXPECT_EQ(log.Text().find("Exiting"), std::string::npos);
    }
    ClearMissingResourceFlag();
}

// SIGINT and SIGTERM end the loop at the pump, -ignore_esc or not.
TEST_F(ApplicationTest, StopSignalEndsThePump) {
    for (const int signal : {SIGINT, SIGTERM}) {
        for (const bool ignoreEscape : {false, true}) {
            SCOPED_TRACE(testing::Message() << "signal " << signal << ", ignore escape " << ignoreEscape);
            ASSERT_TRUE(OsInstallStopSignals());
            zApplicationWin32 app;
            app.ignoreEscape = ignoreEscape;
            EXPECT_TRUE(app.PumpMessages());
            ASSERT_EQ(raise(signal), 0);
            EXPECT_FALSE(app.PumpMessages());
            EXPECT_FALSE(app.PumpMessages());
            OsRemoveStopSignals();
        }
    }
}

TEST_F(ApplicationTest, HeadlessPumpNeverSeesEscape) {
    zApplicationWin32 app;
    EXPECT_TRUE(app.PumpMessages());
    app.ignoreEscape = true;
    EXPECT_TRUE(app.PumpMessages());
}

} // namespace

namespace {

void WriteDiskFile(const char* path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(ApplicationTest, ScriptsStartWithIncludesThenDefines) {
    // An include's top level runs before the defines are set.
    WriteDiskFile("inc.nut", "::sawDefine <- (\"n\" in getroottable());");
    zApplicationWin32 app;
    ASSERT_TRUE(Parse(app, {"t.zms", "-r", "none", "-m", "none", "-I", "inc.nut", "-Di", "n", "5", "-Df", "f",
                            "2.5", "-Ds", "s", "hi"}));
    EXPECT_FALSE(app.Init());
    zSquirrelVM& vm = app.GetProject().GetVM();
    ASSERT_TRUE(vm.IsOpen());
    zScriptValue value;
    ASSERT_TRUE(vm.GetValue("sawDefine", value, nullptr));
    bool saw = true;
    ASSERT_TRUE(value.GetVariant().GetBool(saw));
    EXPECT_FALSE(saw);
    struct Expected {
        const char* name;
        u32 type;
    };
    for (const Expected& e :
         {Expected{"n", VariantInt}, Expected{"f", VariantFloat}, Expected{"s", VariantString}}) {
        zScriptValue define;
        ASSERT_TRUE(vm.GetValue(e.name, define, nullptr)) << e.name;
        EXPECT_EQ(define.GetVariant().GetType(), e.type) << e.name;
    }
    EXPECT_EQ(app.GetProject().GetVM().IsKilled(), false);
    app.Shutdown();
    // Shutdown closes the VM with the project, before the caches go.
    EXPECT_FALSE(vm.IsOpen());
}

TEST_F(ApplicationTest, ProjectModeReadsTheEnvironmentFirst) {
    const std::string fonts = FontSystemMissing;
    struct Case {
        const char* input;
        const char* file;
        bool initialises;
        std::string log;
    };
    const Case cases[] = {
        {"absent.zgp", nullptr, false, fonts + "[*] Could not access file 'absent.zgp'.\n"},
        {"t.zms", "<ZML=1.0><Scene=<Items>>", false,
         fonts + "[!] Could not parse environment. Root tag id is incorrect (Scene).\n"},
        // A project without a script class runs, with nothing to call.
        {"p.zgp", "<ZML=1.0><Environment=<Name=\"P\">>", true,
         fonts + "Parsing ZML environment...\n[!] Failed to locate script 'scriptlib/zad.nut'.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        FileSystemReset();
        if (c.file) PutMemoryFile(c.input, c.file);
        zApplicationWin32 app;
        ASSERT_TRUE(Parse(app, {c.input, "-P", "-r", "none", "-m", "none"}));
        log.Reset();
        EXPECT_EQ(app.Init(), c.initialises);
        EXPECT_EQ(log.Text(), c.log);
    }
}

TEST_F(ApplicationTest, KilledVMEndsTheRunAbnormally) {
    WriteDiskFile("bad.nut", "local a = null; a.x = 1;");
    zApplicationWin32 app;
    ASSERT_TRUE(Parse(app, {"t.zms", "-r", "none", "-m", "none", "-I", "bad.nut"}));
    EXPECT_FALSE(app.Init());
    ASSERT_TRUE(app.GetProject().GetVM().IsKilled());
    EXPECT_NE(log.Text().find("[!] Killing VM with reason '"), std::string::npos);
    log.Reset();
    EXPECT_FALSE(app.Frame());
    EXPECT_TRUE(app.IsAbnormalExit());
    EXPECT_EQ(log.Text().find("Exiting due to missing resources"), std::string::npos);
}

} // namespace

namespace {

// The project the frame tests run: it counts its callbacks, and ends itself
// through its flag word in the frame named by "endAt".
class ProjectFrames : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        PutMemoryFile("p.zgp", "<ZML=1.0><Environment=<ScriptUnit=<Script=\"p.nut\"><Class=\"P\">>>");
        std::ofstream("p.nut", std::ios::binary) << R"(
class P {
  function OnSetup(p) { print("setup " + g_context_project); }
  function OnUpdate(p) { print("update"); }
  function OnRender(p) { if ("boom" in getroottable()) throw "boom"; print("render"); }
  function OnClose(p) { print("close"); }
}
)";
        ASSERT_TRUE(Parse(app, {"p.zgp", "-P", "-r", "none", "-m", "none"}));
        ASSERT_TRUE(app.Init());
    }

    // The "[S] " lines since the last call.
    std::string ScriptText() {
        std::string lines;
        std::string text = log.Text();
        for (size_t at = text.find("[S] "); at != std::string::npos; at = text.find("[S] ", at + 1))
            lines += text.substr(at + 4, text.find('\n', at) - at - 4) + ";";
        log.Reset();
        return lines;
    }

    zApplicationWin32 app;
};

TEST_F(ProjectFrames, FrameEvaluatesThenRendersTheProject) {
    EXPECT_EQ(ScriptText(), "setup true;");
    EXPECT_TRUE(app.Frame());
    EXPECT_TRUE(app.Frame());
    EXPECT_EQ(ScriptText(), "update;render;update;render;");
    // The project's end flag ends the run after that frame, normally.
    app.GetProject().flags |= ProjectEnd;
    EXPECT_FALSE(app.Frame());
    EXPECT_EQ(ScriptText(), "update;render;");
    EXPECT_FALSE(app.IsAbnormalExit());
    app.Shutdown();
    EXPECT_EQ(ScriptText(), "close;");
    app.Shutdown();
    EXPECT_EQ(ScriptText(), "");
}

TEST_F(ProjectFrames, ScriptErrorInAFrameEndsTheRunAbnormally) {
    zSquirrelVM& vm = app.GetProject().GetVM();
    EXPECT_TRUE(app.Frame());
    EXPECT_FALSE(vm.IsKilled());
    vm.SetGlobal("boom", zScriptValue(true), nullptr);
    log.Reset();
    EXPECT_FALSE(app.Frame());
    EXPECT_NE(log.Text().find("[!] Killing VM with reason 'boom'."), std::string::npos) << log.Text();
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_TRUE(app.IsAbnormalExit());
}

} // namespace
