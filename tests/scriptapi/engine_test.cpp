// The Engine group seen from scripts: caches and their alias names, loads
// through the current cache, texture creation, clock and draw pass, the
// cache report, kind and null errors, and handles of freed resources.
#include <gtest/gtest.h>

#include <string>

#include "engine/core_listener.h"
#include "engine/resource_cache.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/resource_event.h"
#include "render/texture.h"
#include "script/script_api.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/support/files.h"

namespace {

// A TGA of 2 x 1 pixels.
std::string SmallTga() {
    return UncompressedTga(2, 1, std::string("\x10\x20\x30\xFF\x40\x50\x60\x80", 8));
}

std::string U32(u32 value) {
    return std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}

// A 16-bit mono 22050 Hz WAV of two frames.
std::string SmallWav() {
    return "RIFF" + U32(36 + 4) + "WAVEfmt " + U32(16) + std::string("\x01\x00\x01\x00", 4) + U32(22050) +
           U32(44100) + std::string("\x02\x00\x10\x00", 4) + "data" + U32(4) +
           std::string("\x01\x00\x02\x00", 4);
}

const char* const QuadGeometry = R"(<ZML=1.0>
<Geometry=
  <Materials=<Material=<Id="paint">>>
  <AVertex=<Count=4><Data=
    <V=<X=0.0><Y=0.0><Z=0.0>> <V=<X=1.0><Y=0.0><Z=0.0>>
    <V=<X=1.0><Y=1.0><Z=0.0>> <V=<X=0.0><Y=1.0><Z=0.0>>>>
  <APolygon=<Count=1><BindingCount=4><Data=
    <P=<Count=4><Material=0><Index=0><Index=1><Index=2><Index=3>>>>
>
)";

// Counts the textures the engine destroys.
struct DestroyedTextures : zCoreListener {
    void OnCoreEvent(u32 code, void* payload) override {
        if (code == ResourceEventDestroyed && static_cast<zResourceEventRecord*>(payload)->texture) ++count;
    }
    int count = 0;
};

class EngineApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        WriteFile("a.tga", SmallTga());
        WriteFile("p.tga", SmallTga());
        WriteFile("s.wav", SmallWav());
        WriteFile("g.zge", QuadGeometry);
        ASSERT_TRUE(ParseMetafile(QuadGeometry, std::string(QuadGeometry).size(), metafile));
        metafile.SetFileName("quad.zge");
        SetHandle("g_meta", &metafile, ScriptKindMetafile);
        // Handles of the right kind that hold nothing.
        SetHandle("nullEngine", nullptr, ScriptKindEngine);
        SetHandle("nullCache", nullptr, ScriptKindResourceSet);
        SetHandle("nullTexture", nullptr, ScriptKindTexture);
        SetHandle("nullMeta", nullptr, ScriptKindMetafile);
        log.Reset();
    }

    void TearDown() override {
        ScriptApiFixture::TearDown();
        ClearMissingResourceFlag();
    }

    // The engine object behind the CObject in the root slot, or null.
    template <typename T> T* RootObject(const char* name) {
        void* object = nullptr;
        sq_pushroottable(V());
        sq_pushstring(V(), name, -1);
        if (SQ_SUCCEEDED(sq_get(V(), -2))) {
            EXPECT_TRUE(FetchScriptObject(V(), -1, &object, 0)) << name;
            sq_pop(V(), 1);
        }
        sq_pop(V(), 1);
        return static_cast<T*>(object);
    }

    zMetafile metafile;
};

TEST_F(EngineApi, ClockScaleAndConstants) {
    const ScriptRow rows[] = {
        {"EngineSetClockScale(g_engine, 0.5); print(EngineGetClockScale(g_engine))", "0.5"},
        {"EngineSetClockScale(g_engine, 0.0004); print(EngineGetClockScale(g_engine))", "0"},
        {"EngineSetClockScale(g_engine, 2); print(EngineGetClockScale(g_engine))", "2"},
        {"EngineSetClockScale(g_engine, 0.29); print(EngineGetClockScale(g_engine))", "0.29"},
        {"EngineSetClockScale(g_engine, -1.5); print(EngineGetClockScale(g_engine))", "-1.5"},
        {"EngineSetClockScale(g_engine, 1.0e30); print(EngineGetClockScale(g_engine))", "2.14748e+06"},
        {"print(EngineGetToolMode(g_engine) == NoTool)", "true"},
        {"print(NoTool + \" \" + ToolEdit + \" \" + ToolPreview + \" \" + ToolProjectPreview)", "0 1 2 3"},
        {"print(PlatformWin32 + \" \" + PlatformLinuxX86 + \" \" + PlatformNintendoWii + \" \" + "
         "PlatformUnknown + \" \" + g_platform)",
         "0 1 2 65535 0"},
        {"EngineGetClockScale(g_mixer)", "error: Expected 'Engine' got 'Mixer'"},
        {"EngineGetClockScale(nullEngine)", "error: CObject is null"},
        {"EngineSetClockScale(g_engine, \"1\")",
         "error: parameter 2 has an invalid type 'string' ; expected: 'integer|float'"},
        {"EngineGetClockScale(g_engine, 1)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(EngineApi, ClockScaleIsStoredInThousandths) {
    EXPECT_EQ(Printed("EngineSetClockScale(g_engine, 0.0004)"), "");
    EXPECT_EQ(engine.GetScale(), 0);
    EXPECT_EQ(Printed("EngineSetClockScale(g_engine, 1.25)"), "");
    EXPECT_EQ(engine.GetScale(), 1250);
}

TEST_F(EngineApi, FixedDeltaAndRateCorrection) {
    EXPECT_EQ(Printed("EngineSetFixedFramerateCorrection(g_engine, 60.9)"), "");
    EXPECT_EQ(engine.GetTargetRate(), 60);
    EXPECT_EQ(engine.GetCorrectionAccumulator(), 0);
    EXPECT_EQ(Printed("EngineSetFixedDeltaFrame(g_engine, 0.02)"), "");
    EXPECT_EQ(engine.GetFixedStep(), 200);
    EXPECT_EQ(engine.GetTargetRate(), -1);
    EXPECT_EQ(Printed("EngineSetFixedDeltaFrame(g_engine, -1)"), "");
    EXPECT_EQ(engine.GetFixedStep(), -1);
    EXPECT_EQ(Printed("EngineSetFixedDeltaFrame(g_engine, 0)"), "");
    EXPECT_EQ(engine.GetFixedStep(), 0);
    EXPECT_EQ(Printed("EngineSetFixedDeltaFrame(nullEngine, 1)"), "error: CObject is null");
    EXPECT_EQ(Printed("EngineSetFixedFramerateCorrection(g_render, 1)"),
              "error: Expected 'Engine' got 'Renderer'");
}

TEST_F(EngineApi, DrawPassAndClockReset) {
    EXPECT_EQ(Printed("EngineBeginDraw(g_engine)"), "");
    EXPECT_EQ(engine.GetDrawNesting(), 1u);
    EXPECT_EQ(Printed("EngineEndDraw(g_engine)"), "");
    EXPECT_EQ(engine.GetDrawNesting(), 0u);
    EXPECT_EQ(Printed("EngineResetClock(g_engine)"), "");
    EXPECT_EQ(engine.GetFrameTime(), zEngine::ResetFrameTime);
    const ScriptRow rows[] = {
        {"print(ObjectIsSame(EngineGetRenderer(g_engine), g_render) + \" \" + "
         "EngineGetRenderer(g_engine).type())",
         "true 6"},
        {"print(EngineEnableLoadCallback(g_engine, true) == null)", "true"},
        {"EngineEnableLoadCallback(nullEngine, false)", "error: CObject is null"},
        {"EngineBeginDraw(nullEngine)", "error: CObject is null"},
        {"EngineEndDraw(g_mixer)", "error: Expected 'Engine' got 'Mixer'"},
    };
    ExpectScripts(rows);
}

TEST_F(EngineApi, ResourceCachesAndTheirAliases) {
    const ScriptRow rows[] = {
        {"local c = EngineNewResourceCache(g_engine);\n"
         "local before = EngineSetResourceCache(g_engine, c);\n"
         "print(ObjectIsSame(EngineGetResourceCache(g_engine), c));\n"
         "print(ObjectIsSame(EngineSetResourceSet(g_engine, before), c));\n"
         "print(ObjectIsSame(EngineGetResourceCache(g_engine), before));",
         "true\ntrue\ntrue"},
        {"print(ObjectIsSame(EngineGetResourceSet(g_engine), EngineGetResourceCache(g_engine)))", "true"},
        {"print(ObjectIsSame(EngineGetResourceManagerSet(g_engine), EngineGetResourceCache(g_engine)))",
         "true"},
        {"print(EngineNewResourceSet(g_engine).type() + \" \" + "
         "EngineNewResourceManagerSet(g_engine).type())",
         "4 4"},
        {"local c = EngineNewResourceCache(g_engine);\n"
         "local before = EngineSetResourceManagerSet(g_engine, c);\n"
         "print(ObjectIsSame(EngineGetResourceCache(g_engine), c));\n"
         "EngineSetResourceCache(g_engine, before);",
         "true"},
        {"EngineSetResourceCache(g_engine, nullCache)", "error: CObject is null"},
        {"EngineSetResourceCache(g_engine, g_engine)", "error: Expected 'Resource Set' got 'Engine'"},
        {"EngineNewResourceCache(nullEngine)", "error: CObject is null"},
        {"EngineGetResourceSet(g_mixer)", "error: Expected 'Engine' got 'Mixer'"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(engine.GetResourceCacheCount(), 4u);
    EXPECT_EQ(engine.GetResourceCache(), engine.GetDefaultResourceCache());
}

TEST_F(EngineApi, LoadsGoThroughTheCurrentCache) {
    const ScriptRow rows[] = {
        {"local t = EngineLoadTexture(g_engine, \"a.tga\");\n"
         "print(t.type() + \" \" + ObjectIsSame(t, EngineLoadTexture(g_engine, \"a.tga\")));\n"
         "print(ObjectIsSame(t, EngineLoadTextureBypassCache(g_engine, \"a.tga\")));\n"
         "print(ObjectIsSame(t, EngineFindTexture(g_engine, \"a.tga\")));",
         "34 true\nfalse\ntrue"},
        {"local g = EngineLoadGeometry(g_engine, \"g.zge\");\n"
         "print(g.type() + \" \" + ObjectIsSame(g, EngineLoadGeometry(g_engine, \"g.zge\")));\n"
         "print(ObjectIsSame(g, EngineLoadGeometryBypassCache(g_engine, \"g.zge\")));\n"
         "local list = EngineGetCacheGeometryList(g_engine);\n"
         "print(list.len() + \" \" + ObjectIsSame(list[0], g) + \" \" + "
         "EngineGetManagerGeometryList(g_engine).len());",
         "35 true\nfalse\n1 true 1"},
        {"local p = EngineLoadPicture(g_engine, \"p.tga\");\n"
         "print(p.type() + \" \" + ObjectIsSame(p, EngineLoadPicture(g_engine, \"p.tga\")));",
         "22 true"},
        {"local s = EngineLoadSound(g_engine, \"s.wav\");\n"
         "print(s.type() + \" \" + ObjectIsSame(s, EngineLoadSound(g_engine, \"s.wav\")));",
         "33 true"},
        {"print(ObjectIsValid(EngineFindTexture(g_engine, \"b.tga\")))", "false"},
        // The one name that answers a null engine with a null handle.
        {"local t = EngineFindTexture(nullEngine, \"a.tga\"); print(t.type() + \" \" + ObjectIsValid(t))",
         "34 false"},
        {"EngineLoadSound(nullEngine, \"s.wav\")", "error: CObject is null"},
        {"EngineLoadTexture(nullEngine, \"a.tga\")", "error: CObject is null"},
        {"EngineLoadGeometry(g_meta, \"g.zge\")", "error: Expected 'Engine' got 'Metafile'"},
        {"EngineLoadPicture(g_engine, 1)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'string'"},
    };
    ExpectScripts(rows);
    zResourceCache* cache = engine.GetResourceCache();
    EXPECT_EQ(cache->GetTextureList(false).GetCount(), 1u);
    EXPECT_EQ(cache->GetGeometryList(false).GetCount(), 1u);
    EXPECT_EQ(cache->GetSoundList().GetCount(), 1u);
    EXPECT_EQ(cache->GetPictureCache().GetCount(), 1u);
}

TEST_F(EngineApi, MissingFilesStillGiveResources) {
    EXPECT_EQ(Printed("print(ObjectIsValid(EngineLoadTexture(g_engine, \"none.tga\")) + \" \" + "
                      "ObjectIsValid(EngineLoadGeometry(g_engine, \"none.zge\")))"),
              "true true");
    EXPECT_TRUE(IsMissingResourceFlagRaised());
}

const char* const EmptyCacheReport = "[H] Engine resource cache statistics\n"
                                     "  - 0 geometries (CPU),\n"
                                     "  - 0 geometries (GPU),\n"
                                     "  - 0 textures (CPU),\n"
                                     "  - 0 textures (GPU),\n"
                                     "  - 0 sounds.\n"
                                     "\n";

TEST_F(EngineApi, CacheReportCountsEachList) {
    EXPECT_EQ(Printed("print(EngineOutputCacheStatistics(g_engine) == null)"), "true");
    EXPECT_EQ(log.Text(), std::string(EmptyCacheReport) + "[S] true\n");
    engine.LoadGeometry("g.zge", true, false);
    EXPECT_EQ(Printed("EngineLoadGeometry(g_engine, \"g.zge\"); EngineLoadTexture(g_engine, \"a.tga\");\n"
                      "EngineLoadTexture(g_engine, \"p.tga\"); EngineLoadSound(g_engine, \"s.wav\");\n"
                      "EngineLoadPicture(g_engine, \"p.tga\");"),
              "");
    log.Reset();
    EXPECT_EQ(Printed("EngineOutputCacheStatistics(g_engine)"), "");
    EXPECT_EQ(log.Text(), "[H] Engine resource cache statistics\n"
                          "  - 1 geometries (CPU),\n"
                          "  - 1 geometries (GPU),\n"
                          "  - 0 textures (CPU),\n"
                          "  - 2 textures (GPU),\n"
                          "  - 1 sounds.\n"
                          "\n");
    EXPECT_EQ(Printed("EngineOutputCacheStatistics(nullEngine)"), "error: CObject is null");
}

// Clearing the cache frees its pictures and sounds: their handles hold no
// reference and become "Deleted native"; texture and geometry handles keep
// their objects alive.
TEST_F(EngineApi, ClearingTheCacheLeavesNoHandleToFreedMemory) {
    const ScriptRow rows[] = {
        {"::p <- EngineLoadPicture(g_engine, \"p.tga\"); ::s <- EngineLoadSound(g_engine, \"s.wav\");\n"
         "::t <- EngineLoadTexture(g_engine, \"a.tga\"); ::g <- EngineLoadGeometry(g_engine, \"g.zge\");\n"
         "EngineClearResourceCache(g_engine);\n"
         "print(ObjectIsValid(p) + \" \" + p.type() + \" \" + ObjectIsValid(s) + \" \" + s.type());\n"
         "print(ObjectIsValid(t) + \" \" + ObjectIsValid(g));",
         "false 1 false 1\ntrue true"},
        {"print(EngineGetCacheGeometryList(g_engine).len())", "0"},
        {"local s = EngineLoadSound(g_engine, \"s.wav\"); print(EngineDeleteAllResources(g_engine) == "
         "null);\n"
         "print(s.type())",
         "true\n1"},
        {"EngineClearResourceCache(nullEngine)", "error: CObject is null"},
    };
    ExpectScripts(rows);
    zTexture* texture = RootObject<zTexture>("t");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetRefCount(), 1u);
    EXPECT_EQ(RootObject<zGeometry>("g")->GetRefCount(), 1u);
    EXPECT_EQ(engine.GetResourceCache()->GetSoundList().GetCount(), 0u);
    EXPECT_EQ(engine.GetResourceCache()->GetPictureCache().GetCount(), 0u);
}

// Only the cache held the picture: unregistering frees it and its handles go
// dead. A picture someone else holds stays alive, and so do its handles.
TEST_F(EngineApi, UnregisteringAPictureInvalidatesItsHandlesOnceFreed) {
    const ScriptRow rows[] = {
        {"local p = EngineLoadPicture(g_engine, \"p.tga\");\n"
         "print(EngineCacheUnregisterPicture(g_engine, \"p.tga\") + \" \" + ObjectIsValid(p) + \" \" + "
         "p.type());\n"
         "print(EngineCacheUnregisterPicture(g_engine, \"p.tga\"));",
         "true false 1\nfalse"},
        {"::q <- EngineLoadPicture(g_engine, \"a.tga\")", ""},
        {"print(EngineUnloadPicture(g_engine, \"none.tga\"))", "false"},
        {"EngineUnloadPicture(nullEngine, \"a.tga\")", "error: CObject is null"},
    };
    ExpectScripts(rows);
    zSharedPtr<zPicture> held(RootObject<zPicture>("q"));
    ASSERT_TRUE(held);
    EXPECT_EQ(Printed("print(EngineUnloadPicture(g_engine, \"a.tga\") + \" \" + ObjectIsValid(q))"),
              "true true");
    EXPECT_EQ(held->GetRefCount(), 1u);
}

TEST_F(EngineApi, CreatedTexturesHaveTheSizeAndFlagsAsked) {
    const struct {
        const char* script;
        u32 flags;
    } cases[] = {
        {"::t <- EngineCreateTexture(g_engine, 4, 2, true)", TextureFlagNoResample},
        {"::t <- EngineCreateTexture(g_engine, 4.9, 2, false)", 0},
        {"::t <- EngineCreateCanvasTexture(g_engine, 4, 2)", TextureFlagRendererOwn | TextureFlagNoResample},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Printed(c.script), "");
        zTexture* texture = RootObject<zTexture>("t");
        ASSERT_NE(texture, nullptr) << c.script;
        EXPECT_EQ(texture->GetWidth(), 4u) << c.script;
        EXPECT_EQ(texture->GetHeight(), 2u) << c.script;
        EXPECT_EQ(texture->GetBitsPerPixel(), PixelFormatDefault.bitsPerPixel) << c.script;
        EXPECT_NE(texture->GetPixels(), nullptr) << c.script;
        EXPECT_EQ(texture->GetFlags(), c.flags) << c.script;
        EXPECT_TRUE(texture->GetName().IsEmpty()) << c.script;
        EXPECT_EQ(texture->GetRefCount(), 1u) << c.script;
    }
    EXPECT_EQ(engine.GetResourceCache()->GetTextureList(false).GetCount(), 0u);
}

// The texture lives as long as its handle; a size no picture can take gives
// a null handle, with the picture's own line.
TEST_F(EngineApi, CreatedTexturesDieWithTheirHandles) {
    DestroyedTextures destroyed;
    engine.AddCoreListener(&destroyed);
    EXPECT_EQ(Printed("local t = EngineCreateTexture(g_engine, 4, 2, false); t = null;"), "");
    EXPECT_EQ(destroyed.count, 1);
    EXPECT_EQ(Printed("print(ObjectIsValid(EngineCreateCanvasTexture(g_engine, -4, 2)))"), "false");
    EXPECT_NE(log.Text().find("[!] Failed to allocate picture buffer"), std::string::npos) << log.Text();
    EXPECT_EQ(destroyed.count, 2);
    EXPECT_EQ(Printed("print(ObjectIsValid(EngineCreateTexture(g_engine, 0, 0, true)))"), "false");
    EXPECT_EQ(Printed("EngineCreateTexture(nullEngine, 4, 2, true)"), "error: CObject is null");
    EXPECT_EQ(Printed("EngineCreateCanvasTexture(g_engine, 4)"), "error: wrong number of parameters");
    engine.RemoveCoreListener(&destroyed);
}

TEST_F(EngineApi, TextureContentFromFiles) {
    EXPECT_EQ(Printed("::t <- EngineCreateTexture(g_engine, 8, 8, false);\n"
                      "print(EngineSetTextureContent(g_engine, t, \"a.tga\"))"),
              "true");
    zTexture* texture = RootObject<zTexture>("t");
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetWidth(), 2u);
    EXPECT_EQ(texture->GetHeight(), 1u);
    const ScriptRow rows[] = {
        {"print(EngineSetTextureContent(g_engine, t, \"none.tga\"))", "false"},
        {"EngineSetTextureContent(g_engine, nullTexture, \"a.tga\")", "error: CObject is null"},
        {"EngineSetTextureContent(nullEngine, t, \"a.tga\")", "error: CObject is null"},
        {"EngineSetTextureContent(g_engine, g_engine, \"a.tga\")", "error: Expected 'Texture' got 'Engine'"},
    };
    ExpectScripts(rows);
    // Video content needs a stream opener, which this build has not.
    EXPECT_EQ(Printed("print(EngineSetTextureContent(g_engine, t, \"film.mpg\"))"), "false");
    EXPECT_NE(log.Text().find("[!] Could not open texture stream 'film.mpg'."), std::string::npos)
        << log.Text();
}

TEST_F(EngineApi, GeometryFromAMetafile) {
    EXPECT_EQ(Printed("::g <- EngineLoadGeometryFromMetafile(g_engine, g_meta); print(g.type())"), "35");
    zGeometry* geometry = RootObject<zGeometry>("g");
    ASSERT_NE(geometry, nullptr);
    EXPECT_EQ(geometry->GetVertexCount(), 4u);
    EXPECT_EQ(geometry->GetRefCount(), 1u);
    EXPECT_EQ(engine.GetResourceCache()->GetGeometryList(false).GetCount(), 0u);
    const ScriptRow rows[] = {
        {"EngineLoadGeometryFromMetafile(g_engine, nullMeta)", "error: CObject is null"},
        {"EngineLoadGeometryFromMetafile(nullEngine, g_meta)", "error: CObject is null"},
        {"EngineLoadGeometryFromMetafile(g_engine, g_engine)", "error: Expected 'Metafile' got 'Engine'"},
    };
    ExpectScripts(rows);
}

// The obsolete names fetch nothing, return nothing and say so.
TEST_F(EngineApi, ObsoleteNamesOnlyLogTheirNotice) {
    const struct {
        const char* script;
        const char* line;
    } cases[] = {
        {"print(EngineSetResourceAutoSetup(g_mixer, true) == null)",
         "[*] EngineSetResourceAutoSetup() is deprecated.\n"},
        {"print(EngineSetupResources(nullEngine) == null)", "[*] EngineSetupResources() is deprecated.\n"},
        {"print(EngineSetupAllGeometries(g_engine) == null)",
         "[*] EngineSetupAllGeometries() is deprecated.\n"},
        {"print(EngineDeleteTexture(g_engine, nullTexture) == null)",
         "[*] EngineDeleteTexture() is obsolete.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Printed(c.script), "true") << c.script;
        EXPECT_EQ(log.Text(), std::string(c.line) + "[S] true\n");
    }
    EXPECT_EQ(engine.GetResourceCacheCount(), 0u);
    EXPECT_EQ(Printed("EngineSetupResources(g_engine, 1)"), "error: wrong number of parameters");
}

} // namespace
