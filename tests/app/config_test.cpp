#include <string>

#include "app_fixture.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "render/renderer.h"

namespace {

using ConfigTest = AppTest;

std::string U32(u32 value) {
    return std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}

// A ZARC archive holding one raw entry.
std::string ArchiveWith(const std::string& name, const std::string& data) {
    return std::string("CRAZ") + U32(u32(name.size())) + name + std::string(1, '\0') + U32(u32(data.size())) +
           data;
}

TEST_F(ConfigTest, BootstrapKeys) {
    struct Case {
        const char* file;
        i32 viewMode;
        const char* input;
        bool ignoreEscape;
        bool ignoreMissing;
    };
    const Case cases[] = {
        {"<ZML=1.0><ViewMode=\"Scene\">", ViewModeScene, "scene.zms", false, false},
        // Anything but "Scene" exactly is a project.
        {"<ZML=1.0><ViewMode=\"scene\"><Input=\"p.zgp\">", ViewModeProject, "p.zgp", false, false},
        {"<ZML=1.0><ViewMode=\"Project\"><ViewScene>", ViewModeScene, "scene.zms", false, false},
        {"<ZML=1.0><ViewScene=1><ViewMode=\"Project\">", ViewModeScene, "scene.zms", false, false},
        {"<ZML=1.0><Input=\"levels/a.zms\">", ViewModeScene, "levels/a.zms", false, false},
        {"<ZML=1.0><IgnoreEsc=True><IgnoreMissingResource=True>", ViewModeScene, "scene.zms", true, true},
        // Keys of another type count as missing.
        {"<ZML=1.0><IgnoreEsc=\"yes\"><IgnoreMissingResource=1><ViewMode=1>", ViewModeScene, "scene.zms",
         false, false},
        {"<ZML=1.0><Input=5>", ViewModeScene, "scene.zms", false, false},
        {"<ZML=1.0>", ViewModeScene, "scene.zms", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        FileSystemReset();
        PutMemoryFile("bootstrap.txt", c.file);
        zApplicationWin32 app;
        ASSERT_TRUE(app.ParseCommandLine(1, nullptr));
        EXPECT_EQ(app.viewMode, c.viewMode);
        EXPECT_EQ(Text(app.input), c.input);
        EXPECT_EQ(app.ignoreEscape, c.ignoreEscape);
        EXPECT_EQ(app.ignoreMissing, c.ignoreMissing);
        EXPECT_EQ(app.dataSource, DataSourceDisk);
        EXPECT_EQ(Text(app.rootPath), "./");
    }
}

TEST_F(ConfigTest, BootstrapFromTheArchiveMakesItTheDataSource) {
    PutMemoryFile("resource.ksa",
                  ArchiveWith("bootstrap.txt", "<ZML=1.0><Input=\"a.zgp\"><ViewMode=\"Project\">"));
    zApplicationWin32 app;
    ASSERT_TRUE(app.LoadBootstrap());
    EXPECT_EQ(Text(app.input), "a.zgp");
    EXPECT_EQ(app.viewMode, ViewModeProject);
    EXPECT_EQ(app.dataSource, DataSourceArchive);
    EXPECT_EQ(Text(app.rootPath), "resource.ksa");
    // The temporary archive is gone and the disk current again.
    EXPECT_EQ(FileSystemGetCurrent(), FileSystemSetCurrent(nullptr));
}

TEST_F(ConfigTest, ArchiveWithoutBootstrapFails) {
    PutMemoryFile("resource.ksa", ArchiveWith("other.txt", "x"));
    zApplicationWin32 app;
    EXPECT_FALSE(app.LoadBootstrap());
    EXPECT_EQ(app.dataSource, DataSourceDisk);
    EXPECT_EQ(Text(app.rootPath), "./");
}

TEST_F(ConfigTest, EngineConfigDisplayKeys) {
    struct Case {
        const char* file;
        bool loaded;
        bool fullscreen;
        i32 width;
        i32 height;
        f32 aspectRatio;
    };
    const Case cases[] = {
        {"<ZML=1.0><Width=640><Height=480>", true, false, 640, 480, 1.0f},
        {"<ZML=1.0><Width=640.0>", true, false, 1280, 720, 1.0f},
        {"<ZML=1.0><Fullscreen=\"True\">", true, false, 1280, 720, 1.0f},
        {"<ZML=1.0><Fullscreen=True><AspectRatio=1.5>", true, true, 1280, 720, 1.5f},
        {"<ZML=1.0><AspectRatio=2>", true, false, 1280, 720, 1.0f},
        {"<ZML=1.0>", true, false, 1280, 720, 1.0f},
        // A broken file keeps every default, even the keys read before the
        // error.
        {"<ZML=1.0><Width=640><Height=", false, false, 1280, 720, 1.0f},
        {"not zml", false, false, 1280, 720, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        FileSystemReset();
        PutMemoryFile("engine.cfg", c.file);
        zApplicationWin32 app;
        EXPECT_EQ(app.LoadConfig("engine.cfg"), c.loaded);
        EXPECT_EQ(app.fullscreen, c.fullscreen);
        EXPECT_EQ(app.width, c.width);
        EXPECT_EQ(app.height, c.height);
        EXPECT_EQ(app.aspectRatio, c.aspectRatio);
        if (!c.loaded) {
            EXPECT_EQ(app.configuration.GetRootCount(), 0u);
        }
    }
}

// A size of 0 or below once reached the display as a huge unsigned size.
TEST_F(ConfigTest, EngineConfigSizeNotPositiveKeepsTheDefault) {
    struct Case {
        const char* file;
        i32 width;
        i32 height;
        std::string log;
    };
    const Case cases[] = {
        {"<ZML=1.0><Width=-5>", 1280, 720,
         "[*] Width -5 in 'engine.cfg' is not a window size; keeping 1280.\n"},
        {"<ZML=1.0><Height=0>", 1280, 720,
         "[*] Height 0 in 'engine.cfg' is not a window size; keeping 720.\n"},
        {"<ZML=1.0><Width=0><Height=480>", 1280, 480,
         "[*] Width 0 in 'engine.cfg' is not a window size; keeping 1280.\n"},
        {"<ZML=1.0><Width=640><Height=-2147483648>", 640, 720,
         "[*] Height -2147483648 in 'engine.cfg' is not a window size; keeping 720.\n"},
        {"<ZML=1.0><Width=1><Height=1>", 1, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        FileSystemReset();
        PutMemoryFile("engine.cfg", c.file);
        zApplicationWin32 app;
        log.Reset();
        EXPECT_TRUE(app.LoadConfig("engine.cfg"));
        EXPECT_EQ(app.width, c.width);
        EXPECT_EQ(app.height, c.height);
        EXPECT_EQ(log.Text(), c.log);
    }
}

TEST_F(ConfigTest, MissingConfigIsAWarningAndKeepsTheDefaults) {
    zApplicationWin32 app;
    EXPECT_FALSE(app.LoadConfig("./engine.cfg"));
    EXPECT_EQ(log.Text(), "[*] Could not access file './engine.cfg'.\n");
    EXPECT_EQ(app.width, 1280);
}

// Every settings key with its word and bit, in the order engine.cfg lists them.
struct SettingsKey {
    const char* key;
    bool systemWord;
    u32 bit;
};
const SettingsKey SettingsKeys[] = {
    {"EnableDebug", true, 0x001},
    {"Antialiasing", true, 0x002},
    {"DisableShader", true, 0x010},
    {"DisableMultipleRenderTarget", true, 0x020},
    {"UseFloatTarget", true, 0x004},
    {"OptimizeVideoRam", true, 0x008},
    {"TextureForceTrueColor", true, 0x100},
    {"TextureNoCompression", true, 0x200},
    {"TextureNoDownscale", true, 0x080},
    {"TextureForceSquare", true, 0x400},
    {"Bloom", false, 0x008},
    {"Exposure", false, 0x010},
    {"MotionBlur", false, 0x001},
    {"LinearShadow", false, 0x040},
    {"DepthOfField", false, 0x020},
    {"AmbientOcclusion", false, 0x080},
    {"ShadowMapping", false, 0x002},
    {"FramebufferAsTexture", false, 0x100},
    {"LowResolutionFx", false, 0x200},
};

TEST_F(ConfigTest, EachSettingSetsOnlyItsBit) {
    for (const SettingsKey& key : SettingsKeys) {
        SCOPED_TRACE(key.key);
        zEngine engine;
        zRenderer* renderer = engine.GetRenderer();
        zMetafile settings;
        settings.AddRoot(new zMetaTag(key.key, true));
        ASSERT_TRUE(engine.LoadRenderSettings(nullptr, &settings));
        EXPECT_EQ(renderer->GetSystemWordValue(), key.systemWord ? key.bit : 0u);
        EXPECT_EQ(renderer->GetControlWordValue(), key.systemWord ? 0u : key.bit);
    }
}

TEST_F(ConfigTest, EmptySettingsClearEveryKeyedBitAndNoOther) {
    zEngine engine;
    zRenderer* renderer = engine.GetRenderer();
    renderer->SetSystemWord(0xFFFFFFFF, true);
    renderer->SetControlWord(0xFFFFFFFF, true);
    engine.SetDebugChannel(3);
    zMetafile empty;
    ASSERT_TRUE(engine.LoadRenderSettings(nullptr, &empty));
    EXPECT_EQ(renderer->GetSystemWordValue(), 0xFFFFF800u | 0x040u);
    EXPECT_EQ(renderer->GetControlWordValue(), 0xFFFFFC00u | 0x004u);
    EXPECT_EQ(engine.GetDebugChannel(), -1);
}

TEST_F(ConfigTest, SettingsOfTheWrongTypeCountAsMissing) {
    zEngine engine;
    zRenderer* renderer = engine.GetRenderer();
    PutMemoryFile("s.cfg", "<ZML=1.0><Bloom=1><Exposure=\"True\"><MotionBlur=True><DebugChannel=2.0>");
    ASSERT_TRUE(engine.LoadRenderSettings("s.cfg", nullptr));
    EXPECT_EQ(renderer->GetControlWordValue(), u32(ControlMotionBlur));
    EXPECT_EQ(engine.GetDebugChannel(), -1);
    PutMemoryFile("c.cfg", "<ZML=1.0><DebugChannel=2>");
    ASSERT_TRUE(engine.LoadRenderSettings("c.cfg", nullptr));
    EXPECT_EQ(engine.GetDebugChannel(), 2);
    EXPECT_FALSE(engine.LoadRenderSettings("absent.cfg", nullptr));
    EXPECT_EQ(engine.GetDebugChannel(), 2);
}

TEST_F(ConfigTest, SaveWritesEveryKeyInOrderAndReadsBackEqual) {
    zEngine engine;
    zRenderer* renderer = engine.GetRenderer();
    // Every bit on, the three keys older players left out among them.
    for (const SettingsKey& key : SettingsKeys) {
        if (key.systemWord) {
            renderer->SetSystemWord(key.bit, true);
        } else {
            renderer->SetControlWord(key.bit, true);
        }
    }
    renderer->SetControlWord(ControlBloom, false);
    engine.SetDebugChannel(4);
    const u32 systemWord = renderer->GetSystemWordValue();
    const u32 controlWord = renderer->GetControlWordValue();

    zMetafile saved;
    ASSERT_TRUE(engine.SaveRenderSettings(nullptr, &saved));
    const char* const order[] = {
        "UseFloatTarget",
        "Antialiasing",
        "DisableShader",
        "TextureForceSquare",
        "TextureForceTrueColor",
        "TextureNoCompression",
        "TextureNoDownscale",
        "Bloom",
        "Exposure",
        "MotionBlur",
        "ShadowMapping",
        "LinearShadow",
        "DepthOfField",
        "AmbientOcclusion",
        "FramebufferAsTexture",
        "LowResolutionFx",
        "EnableDebug",
        "DisableMultipleRenderTarget",
        "OptimizeVideoRam",
        "DebugChannel",
    };
    zLinkedListIterator iterator;
    size_t index = 0;
    while (const zMetaTag* root = saved.GetNextRoot(iterator)) {
        ASSERT_LT(index, sizeof(order) / sizeof(order[0]));
        EXPECT_EQ(Text(root->GetName()), order[index]);
        if (index + 1 < sizeof(order) / sizeof(order[0])) {
            EXPECT_EQ(root->GetValue().GetType(), u32(VariantBool)) << order[index];
            EXPECT_EQ(root->GetBool(), std::string(order[index]) != "Bloom") << order[index];
        } else {
            EXPECT_EQ(root->GetValue().GetType(), u32(VariantInt));
        }
        ++index;
    }
    EXPECT_EQ(index, sizeof(order) / sizeof(order[0]));

    // Through a file and back into a cleared renderer.
    ASSERT_TRUE(engine.SaveRenderSettings("saved.cfg", nullptr));
    renderer->SetSystemWord(0xFFFFFFFF, false);
    renderer->SetControlWord(0xFFFFFFFF, false);
    engine.SetDebugChannel(-1);
    ASSERT_TRUE(engine.LoadRenderSettings("saved.cfg", nullptr));
    EXPECT_EQ(renderer->GetSystemWordValue(), systemWord);
    EXPECT_EQ(renderer->GetControlWordValue(), controlWord);
    EXPECT_EQ(engine.GetDebugChannel(), 4);
}

} // namespace
