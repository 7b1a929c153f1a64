#include <gtest/gtest.h>

#include "audio/sound.h"
#include "engine/resource_cache.h"
#include "engine_fixtures.h"
#include "io/file_road.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/particle_model.h"
#include "render/texture.h"
#include "tests/render/render_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

int g_missingCalls = 0;
zString g_missingName;
void CountMissing(zString& name) {
    ++g_missingCalls;
    g_missingName = name;
}

struct CacheFixture {
    LogCapture log;
    ScratchDirectory scratch;
    zEngine engine;
    RecordingRenderer renderer{&engine, true};
    RecordingListener listener;
    CountingEvents events;

    explicit CacheFixture(const char* name) : scratch(name) {
        FileSystemReset();
        ClearMissingResourceFlag();
        g_missingCalls = 0;
        g_missingName.Clear();
        engine.AddCoreListener(&listener);
        engine.SetEventInterface(&events);
    }
    ~CacheFixture() {
        engine.FreeResourceCaches();
        engine.RemoveCoreListener(&listener);
        FileSystemReset();
        ClearMissingResourceFlag();
    }
};

struct FakeStream : zTextureStream {
    static int opened;
    static int updates;
    void Update(i32) override { ++updates; }
};
int FakeStream::opened = 0;
int FakeStream::updates = 0;

zTextureStream* OpenFakeStream(zTexture*, const char*) {
    ++FakeStream::opened;
    return new FakeStream;
}

} // namespace

TEST(ResourceCache, SameTexturePathGivesTheSameObjectAndEventsOnce) {
    CacheFixture f("same_texture");
    const std::string path = f.scratch.File("a.tga");
    WriteBytes(path, SmallTga());
    zTexture* first = f.engine.LoadTexture(path.c_str(), false, false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetWidth(), 2u);
    EXPECT_EQ(f.renderer.setupTextureCalls, 1);
    zTexture* second = f.engine.LoadTexture(path.c_str(), false, false);
    EXPECT_EQ(first, second);
    EXPECT_EQ(f.listener.Count(3), 1);
    EXPECT_EQ(f.listener.Count(4), 1);
    EXPECT_FALSE(f.listener.events[0].hasPayload);
    EXPECT_EQ(f.listener.events[1].record.texture, first);
    EXPECT_EQ(f.renderer.setupTextureCalls, 1);
    EXPECT_EQ(f.engine.GetResourceCache()->GetTextureList(false).GetCount(), 1u);
    EXPECT_EQ(first->GetRefCount(), 1u);
    EXPECT_EQ(f.events.begins, 1);
    EXPECT_EQ(f.events.ends, 1);
    ASSERT_EQ(f.events.statuses.size(), 1u);
    EXPECT_EQ(f.events.statuses[0], "Loading resource '" + path + "'...");
    EXPECT_FALSE(IsMissingResourceFlagRaised());
    EXPECT_EQ(zResourceCache::FindTexture(f.engine.GetResourceCache()->GetTextureList(false), path.c_str()),
              first);
}

TEST(ResourceCache, SecondListTexturesAreNotSetUp) {
    CacheFixture f("second_list");
    const std::string path = f.scratch.File("a.tga");
    WriteBytes(path, SmallTga());
    zTexture* second = f.engine.LoadTexture(path.c_str(), true, false);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(f.renderer.setupTextureCalls, 0);
    EXPECT_EQ(f.engine.GetResourceCache()->GetTextureList(true).GetCount(), 1u);
    EXPECT_NE(f.engine.LoadTexture(path.c_str(), false, false), second);
}

TEST(ResourceCache, BypassedLoadsAreNewEveryTimeAndNotCached) {
    CacheFixture f("bypass");
    const std::string path = f.scratch.File("a.tga");
    WriteBytes(path, SmallTga());
    zSharedPtr<zTexture> first = f.engine.LoadTexture(path.c_str(), false, true);
    zSharedPtr<zTexture> second = f.engine.LoadTexture(path.c_str(), false, true);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(f.engine.GetResourceCache()->GetTextureList(false).GetCount(), 0u);
    EXPECT_EQ(first->GetRefCount(), 1u);
}

TEST(ResourceCache, MissingTextureIsReturnedUnderTheStrippedName) {
    CacheFixture f("missing");
    FileSystemAddSearchPath("data/");
    f.engine.missingTextureCallback = &CountMissing;
    zTexture* texture = f.engine.LoadTexture("data/a/b.tga", false, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(g_missingCalls, 1);
    EXPECT_TRUE(g_missingName == "data/a/b.tga");
    EXPECT_TRUE(texture->GetName() == "a/b.tga");
    EXPECT_EQ(texture->GetPixels(), nullptr);
    EXPECT_TRUE(IsMissingResourceFlagRaised());
    EXPECT_NE(f.log.Text().find("[!] Failed to set texture content from 'a/b.tga'.\n"), std::string::npos);

    // The stripped name is what the cache knows from now on.
    EXPECT_EQ(f.engine.LoadTexture("data/a/b.tga", false, false), texture);
    EXPECT_EQ(g_missingCalls, 2);
    EXPECT_EQ(f.listener.Count(4), 1);
}

TEST(ResourceCache, MissingTextureWithoutCallbackStillRaisesTheFlag) {
    CacheFixture f("missing_nocb");
    zTexture* texture = f.engine.LoadTexture("nowhere/x.tga", false, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(IsMissingResourceFlagRaised());
}

TEST(ResourceCache, MpgOpensAStreamOnlyInLowerCase) {
    CacheFixture f("mpg");
    SetTextureStreamOpener(&OpenFakeStream);
    FakeStream::opened = 0;
    FakeStream::updates = 0;
    zTexture* video = f.engine.LoadTexture("x.mpg", false, false);
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(FakeStream::opened, 1);
    EXPECT_NE(video->GetStream(), nullptr);

    zTexture* picture = f.engine.LoadTexture("x.MPG", false, false);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(FakeStream::opened, 1);
    EXPECT_EQ(picture->GetStream(), nullptr);

    f.engine.UpdateTextureStreams(10);
    EXPECT_EQ(FakeStream::updates, 1);
    f.engine.BeginDraw(true, false);
    f.engine.EndDraw(false, false, false);
    EXPECT_EQ(FakeStream::updates, 2);
    SetTextureStreamOpener(nullptr);
}

TEST(ResourceCache, SetTextureContentRefusesNullArguments) {
    CacheFixture f("content");
    zTexture texture(&f.engine);
    EXPECT_FALSE(f.engine.SetTextureContent(nullptr, "a.tga"));
    EXPECT_FALSE(f.engine.SetTextureContent(&texture, nullptr));
    EXPECT_EQ(
        f.log.Text(),
        "[!] No texture or path to set texture content.\n[!] No texture or path to set texture content.\n");
}

TEST(ResourceCache, NullPathGivesNull) {
    CacheFixture f("nullpath");
    EXPECT_EQ(f.engine.LoadTexture(nullptr, false, false), nullptr);
    EXPECT_EQ(f.engine.LoadGeometry(nullptr, false, false), nullptr);
    EXPECT_EQ(f.engine.LoadPicture(nullptr, false), nullptr);
    EXPECT_EQ(f.engine.LoadParticleModel(nullptr, false), nullptr);
    EXPECT_EQ(f.engine.LoadSound(nullptr), nullptr);
    EXPECT_TRUE(f.listener.events.empty());
}

TEST(ResourceCache, PicturesAreConvertedToTheStandardFormat) {
    CacheFixture f("picture");
    const std::string path = f.scratch.File("p.tga");
    WriteBytes(path, SmallTga());
    zPicture* picture = f.engine.LoadPicture(path.c_str(), false);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->GetPixels(), nullptr);
    EXPECT_TRUE(picture->GetFormat() == PixelFormatRGBA8);
    EXPECT_EQ(picture->GetPixels()[0], 0x30); // red first
    EXPECT_EQ(f.engine.LoadPicture(path.c_str(), false), picture);
    EXPECT_EQ(f.listener.events[1].record.picture, picture);
}

TEST(ResourceCache, GeometryLoadPushesItsLoadContext) {
    CacheFixture f("geometry");
    f.engine.missingGeometryCallback = &CountMissing;
    zGeometry* geometry = f.engine.LoadGeometry("no/such.zml", false, false);
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(g_missingCalls, 1);
    EXPECT_EQ(f.engine.GetLoadContextIndex(), 0);
    EXPECT_EQ(f.listener.events[1].record.geometry, geometry);
    EXPECT_EQ(f.engine.LoadGeometry("no/such.zml", false, false), geometry);
    zParticleModel* model = f.engine.LoadParticleModel("no/model.zml", false);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(f.engine.LoadParticleModel("no/model.zml", false), model);
}

TEST(ResourceCache, PurgeUnusedRemovesWhatOnlyTheCacheHolds) {
    CacheFixture f("purge");
    const std::string path = f.scratch.File("a.tga");
    WriteBytes(path, SmallTga());
    f.engine.LoadTexture(path.c_str(), false, false);
    zSharedPtr<zTexture> held = f.engine.LoadTexture(f.scratch.File("b.tga").c_str(), false, false);
    EXPECT_EQ(f.engine.GetResourceCache()->PurgeUnused(), 1u);
    EXPECT_EQ(f.engine.GetResourceCache()->GetTextureList(false).GetCount(), 1u);
    EXPECT_EQ(f.listener.Count(5), 1);
    EXPECT_EQ(f.listener.Count(6), 1);
    EXPECT_EQ(f.renderer.freeTextureCalls, 1);
}

TEST(ResourceCache, RemoveTextureDropsTheCachesReference) {
    CacheFixture f("remove");
    zSharedPtr<zTexture> texture = f.engine.LoadTexture("x.tga", true, false);
    EXPECT_EQ(texture->GetRefCount(), 2u);
    EXPECT_TRUE(f.engine.GetResourceCache()->RemoveTexture(texture.Get()));
    EXPECT_EQ(texture->GetRefCount(), 1u);
    EXPECT_FALSE(f.engine.GetResourceCache()->RemoveTexture(texture.Get()));
}

TEST(ResourceCache, RemovePictureDropsTheCachesReference) {
    CacheFixture f("remove_picture");
    zSharedPtr<zPicture> picture = f.engine.LoadPicture("p.tga", false);
    ASSERT_TRUE(picture);
    zResourceCache* cache = f.engine.GetResourceCache();
    EXPECT_EQ(cache->FindPicture("p.tga"), picture.Get());
    EXPECT_EQ(cache->FindPicture("q.tga"), nullptr);
    EXPECT_EQ(picture->GetRefCount(), 2u);
    EXPECT_TRUE(cache->RemovePicture(picture.Get()));
    EXPECT_EQ(picture->GetRefCount(), 1u);
    EXPECT_EQ(cache->FindPicture("p.tga"), nullptr);
    EXPECT_FALSE(cache->RemovePicture(picture.Get()));
    EXPECT_FALSE(cache->RemovePicture(nullptr));
}

TEST(ResourceCache, FreeResourceCachesCountsTheDefaultOne) {
    CacheFixture f("free");
    zResourceCache* extra = f.engine.NewResourceCache();
    ASSERT_NE(extra, nullptr);
    EXPECT_NE(f.engine.GetResourceCache(), extra);
    EXPECT_EQ(f.engine.SetResourceCache(extra), f.engine.GetDefaultResourceCache());
    f.engine.LoadTexture("x.tga", false, false);
    EXPECT_EQ(extra->GetTextureList(false).GetCount(), 1u);
    f.log.Reset();
    f.engine.FreeResourceCaches();
    EXPECT_EQ(f.log.Text(), "Freeing 2 resource cache(s)...\nDone.\n");
    EXPECT_EQ(f.engine.GetResourceCache(), f.engine.GetDefaultResourceCache());
    EXPECT_EQ(f.engine.GetResourceCacheCount(), 0u);
    EXPECT_EQ(f.listener.Count(6), 1);
    EXPECT_EQ(f.engine.SetResourceCache(nullptr), f.engine.GetDefaultResourceCache());
}

// Caches made with NewResourceCache but never freed used to outlive the engine.
TEST(ResourceCache, EngineDestructionFreesCachesNeverFreed) {
    zEngine engine;
    zResourceCache* extra = engine.NewResourceCache();
    engine.SetResourceCache(extra);
    ClearMissingResourceFlag();
    EXPECT_NE(engine.LoadTexture("gone.tga", false, false), nullptr);
    ClearMissingResourceFlag();
}

TEST(LoadContext, OverflowLandsInTheSpareAndUnderflowIsRefused) {
    LogCapture log;
    zEngine engine;
    zGeometry* geometries[4] = {reinterpret_cast<zGeometry*>(0x10), reinterpret_cast<zGeometry*>(0x20),
                                reinterpret_cast<zGeometry*>(0x30), reinterpret_cast<zGeometry*>(0x40)};
    for (zGeometry* geometry : geometries)
        engine.PushLoadContextGeometry(geometry);
    EXPECT_EQ(log.Text(), "[!] Load context stack overflow.\n");
    EXPECT_EQ(engine.GetLoadContext().geometry, geometries[3]);
    engine.PopLoadContext();
    EXPECT_EQ(engine.GetLoadContext().geometry, geometries[2]);
    engine.SetLoadContextObject(reinterpret_cast<zItem*>(0x50));
    EXPECT_EQ(engine.GetLoadContext().geometry, nullptr);
    EXPECT_NE(engine.GetLoadContext().object, nullptr);
    engine.PushLoadContextSecond(reinterpret_cast<void*>(0x60));
    EXPECT_EQ(engine.GetLoadContext().object, nullptr);
    EXPECT_NE(engine.GetLoadContext().second, nullptr);
    for (int i = 0; i < 4; ++i)
        engine.PopLoadContext();
    EXPECT_EQ(engine.GetLoadContextIndex(), 0);
    log.Reset();
    engine.PopLoadContext();
    EXPECT_EQ(log.Text(), "[!] Load context stack underflow.\n");
    // The base context stays the base context.
    EXPECT_EQ(engine.GetLoadContextIndex(), 0);
    engine.PushLoadContext();
    EXPECT_EQ(engine.GetLoadContextIndex(), 1);
}

TEST(Sounds, TheSameSoundTwiceStillReportsToTheEventInterface) {
    CacheFixture f("sound_twice");
    RecordingMixer mixer(&f.engine, true);
    const std::string path = f.scratch.File("s.wav");
    WriteBytes(path, SmallWav());
    zSound* first = f.engine.LoadSound(path.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->frameCount, 4u);
    EXPECT_TRUE(first->path == path.c_str());
    zSound* second = f.engine.LoadSound(path.c_str());
    EXPECT_EQ(first, second);
    EXPECT_EQ(f.events.begins, 2);
    EXPECT_EQ(f.events.ends, 2);
    EXPECT_EQ(f.events.setups, 1);
    EXPECT_EQ(mixer.createdSoundData, 1);
    ASSERT_EQ(f.events.statuses.size(), 2u);
    EXPECT_EQ(f.events.statuses[1], "Loading sound '" + path + "'...");
    EXPECT_EQ(f.log.Text().rfind("Loading sound '" + path + "'.\n", 0), 0u) << f.log.Text();
    EXPECT_EQ(f.log.Text().find("[!]"), std::string::npos);
    EXPECT_EQ(f.engine.GetResourceCache()->GetSoundList().GetCount(), 1u);

    f.engine.GetResourceCache()->Clear();
    EXPECT_EQ(mixer.freedSoundData, 1);
    EXPECT_EQ(f.listener.Count(5), 1);
    EXPECT_EQ(f.listener.Count(6), 1);
    EXPECT_EQ(f.listener.events.back().record.sound, first);
}

namespace {

// Keeps the sound each channel plays, as the playing mixers do.
struct PlayingMixer : RecordingMixer {
    using RecordingMixer::RecordingMixer;
    bool StartChannel(int channel, zSound* sound) override {
        if (!RecordingMixer::StartChannel(channel, sound)) return false;
        m_channels[channel].sound = sound;
        return true;
    }
    bool StopChannel(int channel) override {
        if (journal) journal->push_back("StopChannel " + std::to_string(channel));
        return RecordingMixer::StopChannel(channel);
    }
};

} // namespace

// Clearing the cache while a sound played left the channel reading the
// freed sound: the channel stops and forgets it before the data goes.
TEST(Sounds, ClearingTheCacheStopsTheChannelsPlayingItsSounds) {
    CacheFixture f("sound_playing");
    std::vector<std::string> journal;
    PlayingMixer mixer(&f.engine, true, &journal);
    zSound* sound = f.engine.NewSound("beep");
    ASSERT_NE(sound, nullptr);
    ASSERT_EQ(mixer.StartSound(sound), 0);
    ASSERT_EQ(mixer.GetChannelSound(0), sound);
    f.engine.GetResourceCache()->Clear();
    EXPECT_EQ(journal, (std::vector<std::string>{"StopChannel 0", "FreeSoundData"}));
    EXPECT_EQ(mixer.GetChannelSound(0), nullptr);
}

TEST(Sounds, MissingAndUndecodableSoundsLogAndAreStillReturned) {
    CacheFixture f("sound_errors");
    zSound* missing = f.engine.LoadSound("nowhere/s.wav");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(
        f.log.Text(),
        "Loading sound 'nowhere/s.wav'.\n[!] Failed to locate 'nowhere/s.wav', could not load sound.\n");
    EXPECT_TRUE(IsMissingResourceFlagRaised());

    const std::string path = f.scratch.File("n.wav");
    WriteBytes(path, std::vector<u8>(64, 'x'));
    f.log.Reset();
    zSound* bad = f.engine.LoadSound(path.c_str());
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->frameCount, 0u);
    const std::string text = f.log.Text();
    EXPECT_NE(text.find("[!] No sample decoder for '" + path + "'!\n[!] Failed to load sound from '" + path +
                        "'.\n"),
              std::string::npos)
        << text;
}

TEST(Sounds, NewSoundWithoutNameIsNamedSd) {
    CacheFixture f("new_sound");
    zSound* sound = f.engine.NewSound(nullptr);
    ASSERT_NE(sound, nullptr);
    EXPECT_TRUE(sound->name == "sd");
    EXPECT_EQ(f.engine.GetResourceCache()->GetSoundList().GetCount(), 1u);
}

namespace {

struct MaterialSetupRenderer : RecordingRenderer {
    using RecordingRenderer::RecordingRenderer;
    int materialSetups = 0;
    bool SetupMaterial(zMaterial*) override {
        ++materialSetups;
        return true;
    }
};

} // namespace

// A particle model reads its file and keeps its path as name; the loader
// leaves its material as read (no set-up on the renderer).
TEST(ResourceCache, ParticleModelLoadReadsTheFileWithoutSettingUpItsMaterial) {
    CacheFixture f("particles");
    MaterialSetupRenderer renderer(&f.engine, true);
    const std::string path = f.scratch.File("smoke.zml");
    const std::string text = "<ZML=1.0>\n<ParticleModel=<Material=<Id=\"smoke\">><TTL=2.5><Damping=0.25>>\n";
    WriteBytes(path, std::vector<u8>(text.begin(), text.end()));
    zParticleModel* model = f.engine.LoadParticleModel(path.c_str(), false);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->GetName(), path.c_str());
    EXPECT_EQ(model->ttl, 2.5f);
    EXPECT_EQ(model->damping, 0.25f);
    ASSERT_NE(model->GetMaterial(), nullptr);
    EXPECT_EQ(model->GetMaterial()->GetName(), "smoke");
    EXPECT_EQ(model->GetMaterial()->GetFlags() & MaterialFlagParticle, MaterialFlagParticle);
    EXPECT_EQ(renderer.materialSetups, 0);
    // The caches outlive this renderer: they free the model on the fixture's.
    f.engine.SetRenderer(&f.renderer);
}
