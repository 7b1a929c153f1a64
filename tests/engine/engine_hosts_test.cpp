#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/resource_cache.h"
#include "engine_fixtures.h"
#include "io/file_road.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/texture.h"
#include "tests/render/render_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

struct HostFixture {
    LogCapture log;
    ScratchDirectory scratch;
    zEngine engine;
    RecordingRenderer renderer{&engine, true};

    explicit HostFixture(const char* name) : scratch(name) {
        FileSystemReset();
        ClearMissingResourceFlag();
    }
    ~HostFixture() {
        engine.FreeResourceCaches();
        FileSystemReset();
        ClearMissingResourceFlag();
    }
};

std::vector<u8> Bytes(const std::string& text) { return std::vector<u8>(text.begin(), text.end()); }

std::string QuadGeometry(const std::string& texture, const std::string& proxy) {
    return "<ZML=1.0>\n<Geometry=\n"
           "  <Materials=<Material=<Id=\"paint\"><TextureStage=<Index=0><Texture=\"" +
           texture +
           "\"><Active>>>>\n"
           "  <AVertex=<Count=3><Data=<V=<X=0.0><Y=0.0><Z=0.0>><V=<X=1.0><Y=0.0><Z=0.0>>"
           "<V=<X=1.0><Y=1.0><Z=0.0>>>>\n"
           "  <APolygon=<Count=1><BindingCount=3><Data=<P=<Count=3><Material=0><Index=0><Index=1><Index=2>>>>\n" +
           (proxy.empty() ? std::string() : "  <LodProxy=\"" + proxy + "\">\n") + ">\n";
}

} // namespace

TEST(EngineHosts, MaterialStagesTakeTheirTexturesFromTheEngineCache) {
    HostFixture f("host_texture");
    const std::string texture = f.scratch.File("wall.tga");
    WriteBytes(texture, SmallTga());
    const std::string geometryPath = f.scratch.File("quad.zml");
    WriteBytes(geometryPath, Bytes(QuadGeometry(texture, "")));

    zGeometry* geometry = f.engine.LoadGeometry(geometryPath.c_str(), false, false);
    ASSERT_NE(geometry, nullptr);
    ASSERT_EQ(geometry->GetMaterialCount(), 1u);
    zTexture* staged = geometry->GetMaterial(0)->GetStage(0).texture.Get();
    ASSERT_NE(staged, nullptr);
    EXPECT_EQ(staged, f.engine.LoadTexture(texture.c_str(), false, false));
    EXPECT_EQ(staged->GetWidth(), 2u);
    EXPECT_FALSE(IsMissingResourceFlagRaised());
}

TEST(EngineHosts, ProxyGeometriesComeFromTheEngineCache) {
    HostFixture f("host_proxy");
    const std::string texture = f.scratch.File("wall.tga");
    WriteBytes(texture, SmallTga());
    const std::string low = f.scratch.File("low.zml");
    WriteBytes(low, Bytes(QuadGeometry(texture, "")));
    const std::string high = f.scratch.File("high.zml");
    WriteBytes(high, Bytes(QuadGeometry(texture, low)));

    zGeometry* geometry = f.engine.LoadGeometry(high.c_str(), false, false);
    ASSERT_NE(geometry, nullptr);
    ASSERT_NE(geometry->GetLodProxy(), nullptr);
    EXPECT_EQ(geometry->GetLodProxy(), f.engine.LoadGeometry(low.c_str(), false, false));
}

TEST(EngineHosts, MissingStageTextureIsAnEmptyCachedTextureAndRaisesTheFlag) {
    HostFixture f("host_missing");
    zSharedPtr<zTexture> texture = f.engine.LoadSharedTexture("nowhere.tga", false);
    ASSERT_NE(texture.Get(), nullptr);
    EXPECT_TRUE(IsMissingResourceFlagRaised());
    EXPECT_EQ(texture.Get(), f.engine.LoadTexture("nowhere.tga", false, false));
}

namespace {

std::string g_openedPath;

bool RedirectToSpare(zString& path) {
    if (path != "missing.zml") return false;
    path.Set("spare.zml");
    return true;
}

void RecordOpened(const char* path) { g_openedPath = path; }

// Renderers reach the engine's file hooks through their host.
TEST(EngineHosts, FileHooksAnswerThroughTheRenderHost) {
    zEngine engine;
    zRenderHost& host = engine;
    zString path("missing.zml");
    EXPECT_FALSE(host.RedirectMissingFile(path));
    host.NotifyFileOpened("a.zml");

    engine.missingFileHook = RedirectToSpare;
    engine.fileOpenedHook = RecordOpened;
    EXPECT_TRUE(host.RedirectMissingFile(path));
    EXPECT_EQ(path, "spare.zml");
    EXPECT_FALSE(host.RedirectMissingFile(path));
    host.NotifyFileOpened("b.zml");
    EXPECT_EQ(g_openedPath, "b.zml");
}

} // namespace
