#include <gtest/gtest.h>

#include "render/geometry.h"
#include "render/material.h"
#include "render/texture.h"
#include "render_fixtures.h"
#include "tests/support/log_capture.h"

TEST(Texture, ConstructionDefaults) {
    FakeRenderHost host;
    zTexture loaded(&host);
    EXPECT_EQ(loaded.GetFlags(), 0u);
    EXPECT_EQ(loaded.GetRenderTarget(), 0u);
    EXPECT_EQ(loaded.GetTargetFormat(), 0u);
    EXPECT_EQ(loaded.GetRenderData(), nullptr);
    EXPECT_EQ(loaded.GetEngine(), &host);
    zTexture target(&host, 1, 7);
    EXPECT_EQ(target.GetRenderTarget(), 1u);
    EXPECT_EQ(target.GetTargetFormat(), 7u);
}

TEST(Texture, SetNoResampleTouchesOnlyItsBit) {
    FakeRenderHost host;
    zTexture texture(&host);
    texture.SetFlags(6);
    texture.SetNoResample(false);
    EXPECT_EQ(texture.GetFlags(), 4u);
    texture.SetNoResample(true);
    EXPECT_EQ(texture.GetFlags(), 6u);
    texture.SetFlags(1);
    texture.SetNoResample(true);
    EXPECT_EQ(texture.GetFlags(), 3u);
}

TEST(Texture, SetupCallsTheCurrentRendererOnce) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, true);
    zTexture texture(&host);
    EXPECT_TRUE(texture.Setup());
    EXPECT_EQ(renderer.setupTextureCalls, 1);
}

TEST(Texture, SetupWithoutRendererFails) {
    FakeRenderHost host;
    zTexture texture(&host);
    EXPECT_FALSE(texture.Setup());
}

TEST(Texture, DestructionFreesOnceBetweenTheTwoEvents) {
    std::vector<std::string> journal;
    FakeRenderHost host;
    host.journal = &journal;
    RecordingRenderer renderer(&host, true, &journal);
    auto* texture = new zTexture(&host);
    texture->AddRef();
    texture->Release();
    EXPECT_EQ(renderer.freeTextureCalls, 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"event 5", "FreeTexture", "event 6"}));
    ASSERT_EQ(host.events.size(), 2u);
    for (const auto& event : host.events) {
        EXPECT_EQ(event.record.texture, texture);
        EXPECT_EQ(event.record.geometry, nullptr);
        EXPECT_EQ(event.record.sound, nullptr);
        EXPECT_EQ(event.record.picture, nullptr);
        EXPECT_EQ(event.record.particleModel, nullptr);
    }
}

TEST(Geometry, DestructionSendsBothEventsWithItsRecord) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, true);
    zGeometry* geometry = new zGeometry(&host);
    EXPECT_TRUE(geometry->Setup());
    delete geometry;
    ASSERT_EQ(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].code, 5u);
    EXPECT_EQ(host.events[1].code, 6u);
    EXPECT_EQ(host.events[1].record.geometry, geometry);
    EXPECT_EQ(host.events[1].record.texture, nullptr);
}

namespace {

struct CountingStream : zTextureStream {
    int* updates;
    int* destroyed;
    CountingStream(int* updates, int* destroyed) : updates(updates), destroyed(destroyed) {}
    ~CountingStream() override { ++*destroyed; }
    void Update(i32 dt) override { *updates += dt; }
};

} // namespace

TEST(TextureStream, WithoutAnOpenerTheOpenFailsWithALogLine) {
    LogCapture log;
    FakeRenderHost host;
    zTexture texture(&host);
    SetTextureStreamOpener(nullptr);
    EXPECT_FALSE(texture.OpenStream("movie.mpg"));
    EXPECT_EQ(texture.GetStream(), nullptr);
    EXPECT_EQ(log.Text(), "[!] Could not open texture stream 'movie.mpg'.\n");
}

TEST(TextureStream, TheTextureOwnsAndAdvancesItsStream) {
    FakeRenderHost host;
    int updates = 0, destroyed = 0;
    {
        zTexture texture(&host);
        texture.UpdateStream(5); // no stream: nothing
        texture.SetStream(new CountingStream(&updates, &destroyed));
        texture.UpdateStream(7);
        EXPECT_EQ(updates, 7);
        texture.SetStream(new CountingStream(&updates, &destroyed));
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST(Material, SetupAndDestructionGoThroughTheCurrentRenderer) {
    struct MaterialRenderer : zNull_Renderer {
        using zNull_Renderer::zNull_Renderer;
        int setups = 0, frees = 0;
        bool SetupMaterial(zMaterial*) override { return ++setups > 0; }
        void FreeMaterial(zMaterial*) override { ++frees; }
    };
    FakeRenderHost host;
    MaterialRenderer renderer(&host, true);
    {
        zSharedPtr<zMaterial> material = new zMaterial(&host);
        EXPECT_TRUE(material->Setup());
    }
    EXPECT_EQ(renderer.setups, 1);
    EXPECT_EQ(renderer.frees, 1);
}
