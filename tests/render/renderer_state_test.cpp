#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render_fixtures.h"

struct FogCase {
    const char* what;
    f32 previousNear;
    f32 nearDistance;
    f32 farDistance;
    f32 expectedNear;
    f32 expectedFar;
};

TEST(RendererFog, CorrectsNearAndFar) {
    const f32 nan = std::numeric_limits<f32>::quiet_NaN();
    const FogCase cases[] = {
        {"both taken", 0.0f, 10.0f, 100.0f, 10.0f, 100.0f},
        {"near below 0.001 keeps the old near", 5.0f, 0.0005f, 100.0f, 5.0f, 100.0f},
        {"near exactly 0.001 is taken", 5.0f, 0.001f, 100.0f, 0.001f, 100.0f},
        {"far equal to near", 0.0f, 10.0f, 10.0f, 10.0f, 10.001f},
        {"far below near", 0.0f, 10.0f, 2.0f, 10.0f, 10.001f},
        {"far checked against the kept near", 50.0f, 0.0f, 20.0f, 50.0f, 50.001f},
        {"NaN near keeps, NaN far corrected", 3.0f, nan, nan, 3.0f, 3.001f},
    };
    for (const auto& c : cases) {
        FakeRenderHost host;
        zNull_Renderer renderer(&host, false);
        renderer.SetFog(false, nullptr, c.previousNear, c.previousNear + 1.0f);
        renderer.SetFog(true, nullptr, c.nearDistance, c.farDistance);
        EXPECT_TRUE(renderer.GetFog().enabled) << c.what;
        EXPECT_FLOAT_EQ(renderer.GetFog().nearDistance, c.expectedNear) << c.what;
        EXPECT_FLOAT_EQ(renderer.GetFog().farDistance, c.expectedFar) << c.what;
    }
}

TEST(RendererFog, NullColourKeepsTheColour) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    const f32* initial = renderer.GetFog().color;
    EXPECT_EQ(initial[0], 0.0f);
    EXPECT_EQ(initial[3], 1.0f);
    const f32 red[4] = {1.0f, 0.0f, 0.0f, 0.5f};
    renderer.SetFog(true, red, 1.0f, 2.0f);
    renderer.SetFog(false, nullptr, 1.0f, 2.0f);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(renderer.GetFog().color[i], red[i]);
    EXPECT_FALSE(renderer.GetFog().enabled);
}

TEST(RendererWords, SetClearAndAnyBitOfTheMask) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    EXPECT_EQ(renderer.GetControlWordValue(), 0u);
    EXPECT_EQ(renderer.GetSystemWordValue(), 0u);

    renderer.SetControlWord(ControlBloom | ControlExposure, true);
    EXPECT_EQ(renderer.GetControlWordValue(), 24u);
    EXPECT_TRUE(renderer.GetControlWord(ControlBloom | ControlMotionBlur));
    EXPECT_FALSE(renderer.GetControlWord(ControlMotionBlur));
    renderer.SetControlWord(ControlBloom, false);
    EXPECT_EQ(renderer.GetControlWordValue(), u32(ControlExposure));

    renderer.SetSystemWord(0x6, true);
    renderer.SetSystemWord(0x2, false);
    EXPECT_EQ(renderer.GetSystemWordValue(), 4u);
    EXPECT_TRUE(renderer.GetSystemWord(0xFF));
    EXPECT_EQ(renderer.GetControlWordValue(), u32(ControlExposure));
}

TEST(RendererWords, SettingsKeysNameDistinctBits) {
    for (u32 i = 0; i < RendererFlagKeyCount; ++i) {
        for (u32 j = i + 1; j < RendererFlagKeyCount; ++j) {
            EXPECT_STRNE(RendererFlagKeys[i].key, RendererFlagKeys[j].key);
            if (RendererFlagKeys[i].systemWord == RendererFlagKeys[j].systemWord) {
                EXPECT_NE(RendererFlagKeys[i].bit, RendererFlagKeys[j].bit) << RendererFlagKeys[i].key;
            }
        }
    }
}

TEST(RendererState, DefaultsAspectExposureStatistics) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    EXPECT_TRUE(renderer.GetCleanResourceOnSetup());
    const f32* plane = renderer.GetClippingPlane();
    EXPECT_EQ(plane[0], 0.0f);
    EXPECT_EQ(plane[3], 1.0f);
    EXPECT_EQ(renderer.GetViewParams()[5].values[4], 1.0f);
    EXPECT_EQ(renderer.GetViewParams()[5].values[8], 1.0f);
    EXPECT_EQ(renderer.GetViewParams()[5].values[0], 0.0f);

    EXPECT_EQ(renderer.SetGlobalAspectRatio(1.5f), 1.0f);
    EXPECT_EQ(renderer.SetGlobalAspectRatio(2.0f), 1.5f);
    EXPECT_EQ(renderer.GetGlobalAspectRatio(), 2.0f);
    renderer.SetExposureTarget(0.25f);
    EXPECT_EQ(renderer.GetExposureTarget(), 0.25f);

    renderer.AddStatistic(StatisticTriangleDrawn, 12);
    renderer.AddStatistic(StatisticObjectSent, 2);
    EXPECT_EQ(renderer.GetStatistic(StatisticTriangleDrawn), 12u);
    renderer.ResetStatistics();
    for (u32 i = 0; i < StatisticCount; ++i)
        EXPECT_EQ(renderer.GetStatistic(i), 0u);
}

namespace {

struct FakeViewItem : zRenderViewItem {
    zMatrix4 view = zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f));
    zMatrix4 projection = zMatrix4::Scale(zVector(2.0f, 2.0f, 2.0f));
    zCameraBlock block;
    zMatrix4 world;
    int frustumUpdates = 0;
    f32 lastNear = 0.0f;
    f32 lastFar = 0.0f;

    zMatrix4 GetViewMatrix() override { return view; }
    zMatrix4 GetProjectionMatrix() override { return projection; }
    void UpdateFrustum(zFrustum* frustum, f32 nearDistance, f32 farDistance) override {
        EXPECT_EQ(frustum, nullptr);
        ++frustumUpdates;
        lastNear = nearDistance;
        lastFar = farDistance;
    }
    const zCameraBlock& GetCameraBlock() const override { return block; }
    const zMatrix4* GetTransformBlock() const override { return &world; }
};

struct MatrixRecordingRenderer : zNull_Renderer {
    using zNull_Renderer::zNull_Renderer;
    zMatrix4 view;
    zMatrix4 projection;
    void SetViewMatrix(const zMatrix4& m) override { view = m; }
    void SetProjectionMatrix(const zMatrix4& m) override { projection = m; }
};

} // namespace

TEST(RendererView, ApplyViewTakesMatricesAndCameraBlock) {
    FakeRenderHost host;
    MatrixRecordingRenderer renderer(&host, false);
    renderer.ApplyView(); // no view item: nothing happens

    FakeViewItem item;
    item.block.zoom = 1.25f;
    item.block.orthographic = true;
    renderer.SetViewItem(&item);
    EXPECT_EQ(renderer.GetViewItem(), &item);
    EXPECT_EQ(renderer.GetViewTransform(), &item.world);

    renderer.ApplyView();
    EXPECT_FALSE(renderer.view.DiffersFrom(item.view));
    EXPECT_FALSE(renderer.projection.DiffersFrom(item.projection));
    EXPECT_FALSE(renderer.GetProjection().DiffersFrom(item.projection));
    EXPECT_EQ(item.frustumUpdates, 1);
    EXPECT_EQ(item.lastNear, -1.0f);
    EXPECT_EQ(item.lastFar, -1.0f);
    EXPECT_EQ(renderer.GetCameraBlock().zoom, 1.25f);
    EXPECT_TRUE(renderer.GetCameraBlock().orthographic);

    renderer.SetViewItem(nullptr);
    EXPECT_EQ(renderer.GetViewItem(), nullptr);
    EXPECT_EQ(renderer.GetViewTransform(), nullptr);
}

TEST(RendererSceneInterface, BaseAnswers) {
    zRendererSceneInterface scene;
    zVector ambient(5.0f, 5.0f, 5.0f, 5.0f);
    scene.GetAmbient(ambient);
    EXPECT_EQ(ambient.x, 0.0f);
    EXPECT_EQ(ambient.w, 1.0f);
    zList<zRenderLight*> lights;
    scene.SortLights(zVector(), lights, 8);
    EXPECT_EQ(lights.GetCount(), 0u);
}
