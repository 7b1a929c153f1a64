// The loaders' wrappers: the set-up flag, the resource-loaded callbacks with
// the allocation category they run under, missing-resource callbacks that
// change the name, and empty paths.
#include <gtest/gtest.h>

#include <functional>

#include "audio/sound.h"
#include "core/alloc_category.h"
#include "engine/resource_cache.h"
#include "engine_fixtures.h"
#include "io/file_road.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/texture.h"
#include "tests/render/render_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

struct LoaderFixture {
    LogCapture log;
    ScratchDirectory scratch;
    zEngine engine;
    RecordingRenderer renderer{&engine, true};
    RecordingMixer mixer{&engine, true};
    RecordingListener listener;
    CountingEvents events;

    explicit LoaderFixture(const char* name) : scratch(name) {
        FileSystemReset();
        ClearMissingResourceFlag();
        engine.AddCoreListener(&listener);
        engine.SetEventInterface(&events);
    }
    ~LoaderFixture() {
        engine.FreeResourceCaches();
        engine.RemoveCoreListener(&listener);
        FileSystemReset();
        ClearMissingResourceFlag();
    }
};

// What each resource-loaded callback saw.
struct LoadedCalls {
    int count = 0;
    u32 category = 0;
    void* last = nullptr;
};
LoadedCalls g_loaded[4]; // geometry, texture, picture, sound

void Note(int kind, void* resource) {
    ++g_loaded[kind].count;
    g_loaded[kind].category = GetAllocCategory();
    g_loaded[kind].last = resource;
}
void GeometryLoaded(zGeometry* geometry) {
    Note(0, geometry);
}
void TextureLoaded(zTexture* texture) {
    Note(1, texture);
}
void PictureLoaded(zPicture* picture) {
    Note(2, picture);
}
void SoundLoaded(zSound* sound) {
    Note(3, sound);
}

void InstallLoadedCallbacks(zEngine& engine) {
    for (auto& calls : g_loaded)
        calls = LoadedCalls();
    engine.geometryLoadedCallback = &GeometryLoaded;
    engine.textureLoadedCallback = &TextureLoaded;
    engine.pictureLoadedCallback = &PictureLoaded;
    engine.soundLoadedCallback = &SoundLoaded;
}

// The name a missing-resource callback swaps in.
std::string g_replacement;
int g_redirects = 0;
void Redirect(zString& name) {
    ++g_redirects;
    name = g_replacement.c_str();
}

} // namespace

TEST(ResourceLoading, LoadedCallbacksRunOncePerNewResourceUnderItsCategory) {
    LoaderFixture f("loaded_callbacks");
    InstallLoadedCallbacks(f.engine);
    const std::string tga = f.scratch.File("a.tga");
    const std::string wav = f.scratch.File("s.wav");
    WriteBytes(tga, SmallTga());
    WriteBytes(wav, SmallWav());

    struct Case {
        const char* what;
        int kind;
        std::function<void*()> load;
        u32 category;
    };
    const Case cases[] = {
        {"geometry", 0, [&] { return (void*)f.engine.LoadGeometry("nowhere.zml", false, false); }, 8},
        {"texture", 1, [&] { return (void*)f.engine.LoadTexture(tga.c_str(), false, false); }, 8},
        {"picture", 2, [&] { return (void*)f.engine.LoadPicture(tga.c_str(), false); }, 7},
        {"sound", 3, [&] { return (void*)f.engine.LoadSound(wav.c_str()); }, 6},
    };
    for (const auto& c : cases) {
        SetAllocCategory(3);
        void* first = c.load();
        void* second = c.load(); // a cache hit is no new load
        EXPECT_EQ(first, second) << c.what;
        EXPECT_EQ(g_loaded[c.kind].count, 1) << c.what;
        EXPECT_EQ(g_loaded[c.kind].last, first) << c.what;
        EXPECT_EQ(g_loaded[c.kind].category, c.category) << c.what;
        EXPECT_EQ(GetAllocCategory(), 3u) << c.what << ": category restored";
    }
    SetAllocCategory(0);
}

TEST(ResourceLoading, SoundLoadedCallbackOnlyForADecodedSound) {
    LoaderFixture f("sound_callback");
    InstallLoadedCallbacks(f.engine);
    const std::string bad = f.scratch.File("bad.wav");
    WriteBytes(bad, std::vector<u8>(32, 'x'));
    EXPECT_NE(f.engine.LoadSound(bad.c_str()), nullptr);
    EXPECT_NE(f.engine.LoadSound("nowhere.wav"), nullptr);
    EXPECT_EQ(g_loaded[3].count, 0);
}

TEST(ResourceLoading, SetupFlagOffLeavesRendererAndMixerAlone) {
    LoaderFixture f("setup_off");
    const std::string tga = f.scratch.File("a.tga");
    const std::string wav = f.scratch.File("s.wav");
    WriteBytes(tga, SmallTga());
    WriteBytes(wav, SmallWav());
    f.engine.SetSetupResources(false);
    EXPECT_FALSE(f.engine.GetSetupResources());
    zTexture* texture = f.engine.LoadTexture(tga.c_str(), false, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetWidth(), 2u);
    zSound* sound = f.engine.LoadSound(wav.c_str());
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->frameCount, 4u);
    EXPECT_EQ(f.renderer.setupTextureCalls, 0);
    EXPECT_EQ(f.mixer.createdSoundData, 0);
    EXPECT_EQ(f.events.setups, 0);

    f.engine.SetSetupResources(true);
    f.engine.LoadTexture(f.scratch.File("b.tga").c_str(), false, false);
    EXPECT_EQ(f.renderer.setupTextureCalls, 1);
}

TEST(ResourceLoading, MissingTextureCallbackMayNameACachedTexture) {
    LoaderFixture f("redirect_cached");
    const std::string tga = f.scratch.File("a.tga");
    WriteBytes(tga, SmallTga());
    zTexture* cached = f.engine.LoadTexture(tga.c_str(), false, false);
    ASSERT_NE(cached, nullptr);
    const size_t eventsBefore = f.listener.events.size();

    g_replacement = tga;
    g_redirects = 0;
    f.engine.missingTextureCallback = &Redirect;
    EXPECT_EQ(f.engine.LoadTexture("gone.tga", false, false), cached);
    EXPECT_EQ(g_redirects, 1);
    EXPECT_EQ(f.listener.events.size(), eventsBefore); // no event for a hit
    EXPECT_EQ(f.engine.GetResourceCache()->GetTextureList(false).GetCount(), 1u);
}

TEST(ResourceLoading, MissingTextureCallbackMayNameAnotherFile) {
    LoaderFixture f("redirect_file");
    const std::string tga = f.scratch.File("found.tga");
    WriteBytes(tga, SmallTga());
    g_replacement = tga;
    g_redirects = 0;
    f.engine.missingTextureCallback = &Redirect;
    zTexture* texture = f.engine.LoadTexture("gone.tga", false, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(g_redirects, 1);
    EXPECT_TRUE(texture->GetName() == tga.c_str());
    EXPECT_EQ(texture->GetWidth(), 2u);
    EXPECT_EQ(f.log.Text().find("[!] Failed to set texture content"), std::string::npos) << f.log.Text();
}

TEST(ResourceLoading, MissingSoundCallbackMayNameAnotherFile) {
    LoaderFixture f("redirect_sound");
    const std::string wav = f.scratch.File("found.wav");
    WriteBytes(wav, SmallWav());
    g_replacement = wav;
    g_redirects = 0;
    f.engine.missingSoundCallback = &Redirect;
    zSound* sound = f.engine.LoadSound("gone.wav");
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(g_redirects, 1);
    EXPECT_TRUE(sound->name == wav.c_str());
    EXPECT_TRUE(sound->path == wav.c_str());
    EXPECT_EQ(sound->frameCount, 4u);
    EXPECT_EQ(f.log.Text().find("[!]"), std::string::npos) << f.log.Text();
    // The next load of the missing name finds the sound under its new name.
    EXPECT_EQ(f.engine.LoadSound("gone.wav"), sound);
    EXPECT_EQ(g_redirects, 2);
    EXPECT_EQ(f.engine.GetResourceCache()->GetSoundList().GetCount(), 1u);
}

// An empty path made the loaders give null, which callers of a loader never
// expect unless memory ran out.
TEST(ResourceLoading, EmptyPathGaveNullInsteadOfAMissingResource) {
    LoaderFixture f("empty_path");
    int missingCalls = 0;
    static int* s_missing = nullptr;
    s_missing = &missingCalls;
    auto countMissing = [](zString&) { ++*s_missing; };
    f.engine.missingTextureCallback = countMissing;
    f.engine.missingGeometryCallback = countMissing;
    f.engine.missingSoundCallback = countMissing;

    zTexture* texture = f.engine.LoadTexture("", false, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetPixels(), nullptr);
    EXPECT_EQ(f.engine.LoadTexture("", false, false), texture);
    EXPECT_NE(f.engine.LoadGeometry("", false, false), nullptr);
    EXPECT_NE(f.engine.LoadPicture("", false), nullptr);
    EXPECT_NE(f.engine.LoadParticleModel("", false), nullptr);
    EXPECT_NE(f.engine.LoadSound(""), nullptr);
    EXPECT_EQ(missingCalls, 3); // the second texture load is a cache hit
    EXPECT_TRUE(IsMissingResourceFlagRaised());
    EXPECT_NE(f.log.Text().find("[!] Failed to set texture content from ''.\n"), std::string::npos);
    EXPECT_NE(f.log.Text().find("[!] Failed to locate '', could not load sound.\n"), std::string::npos);
}
