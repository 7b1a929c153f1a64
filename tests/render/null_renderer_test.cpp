#include <gtest/gtest.h>

#include "render/null_renderer.h"
#include "render/texture.h"
#include "render_fixtures.h"

TEST(NullRenderer, DescribesItself) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    EXPECT_STREQ(renderer.GetName(), "Null Renderer.");
    EXPECT_STREQ(renderer.GetDescription(), "A null renderer that renders nothing.");
    EXPECT_STREQ(renderer.GetVersion(), "0.0");
    EXPECT_EQ(renderer.QueryLimit(), 8192u);
    EXPECT_EQ(renderer.GetWindowHandle(), nullptr);
}

TEST(NullRenderer, OpenStoresOutputSizeAndCloseCloses) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    EXPECT_FALSE(renderer.IsOpen());
    EXPECT_TRUE(renderer.IsClosed());
    f32 size[2];
    renderer.GetOutputSize(size);
    EXPECT_EQ(size[0], 1.0f);
    EXPECT_EQ(size[1], 1.0f);

    ASSERT_TRUE(renderer.Open(640, 480, 32, false));
    EXPECT_TRUE(renderer.IsOpen());
    EXPECT_FALSE(renderer.IsClosed());
    renderer.GetOutputSize(size);
    EXPECT_EQ(size[0], 640.0f);
    EXPECT_EQ(size[1], 480.0f);

    EXPECT_TRUE(renderer.Resize(800, 600));
    renderer.GetOutputSize(size);
    EXPECT_EQ(size[0], 800.0f);
    EXPECT_EQ(size[1], 600.0f);

    renderer.Close();
    EXPECT_FALSE(renderer.IsOpen());
    EXPECT_TRUE(renderer.IsClosed());
}

TEST(NullRenderer, OutputTextureSizeWinsUntilCleared) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    renderer.Open(640, 480, 32, false);
    zTexture texture(&host);
    ASSERT_TRUE(texture.Allocate(256, 128, PixelFormatRGBA8));
    renderer.SetOutputTexture(&texture);
    f32 size[2];
    renderer.GetOutputSize(size);
    EXPECT_EQ(size[0], 256.0f);
    EXPECT_EQ(size[1], 128.0f);
    renderer.SetOutputTexture(nullptr);
    renderer.GetOutputSize(size);
    EXPECT_EQ(size[0], 640.0f);
    EXPECT_EQ(size[1], 480.0f);
}

// A viewport of all zeros made cameras divide 0 by 0 for their aspect.
TEST(NullRenderer, GetViewportReportsOutputSizeNotZeros) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    renderer.Open(640, 480, 32, false);
    i32 x = -1, y = -1, width = -1, height = -1;
    renderer.GetViewport(x, y, width, height);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);

    renderer.Resize(0xFFFFFFFFu, 3);
    renderer.GetViewport(x, y, width, height);
    EXPECT_EQ(width, 2147483647);
    EXPECT_EQ(height, 3);
}

TEST(NullRenderer, SetupsSucceedAndTextureFileFallbackFails) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    zTexture texture(&host);
    EXPECT_TRUE(renderer.SetupTexture(&texture));
    EXPECT_TRUE(renderer.SetupGeometry(nullptr));
    EXPECT_TRUE(renderer.SetupMaterial(nullptr));
    EXPECT_TRUE(renderer.SetupLight(nullptr));
    EXPECT_FALSE(renderer.LoadTextureFromFile(&texture, "a.tga"));
    EXPECT_EQ(renderer.NewShader(), nullptr);
    zRenderOutput output;
    EXPECT_TRUE(renderer.NewOutput(nullptr, output));
}

// Registration: which renderer is current after each construction or
// destruction.
TEST(RendererRegistration, FollowsTheRules) {
    FakeRenderHost host;
    auto* nullRenderer = new zNull_Renderer(&host, true);
    host.defaultRenderer = nullRenderer;
    EXPECT_EQ(host.current, nullRenderer);

    auto* unregistered = new zNull_Renderer(&host, false);
    EXPECT_EQ(host.current, nullRenderer);

    auto* real = new zNull_Renderer(&host, true);
    EXPECT_EQ(host.current, real);

    delete unregistered; // neither default nor current
    EXPECT_EQ(host.current, real);

    delete real; // the current one: back to the default
    EXPECT_EQ(host.current, nullRenderer);

    auto* another = new zNull_Renderer(&host, true);
    delete nullRenderer; // the default one: no current renderer, even over another
    EXPECT_EQ(host.current, nullptr);
    host.defaultRenderer = nullptr;
    delete another;
    EXPECT_EQ(host.current, nullptr);
}

TEST(RendererRegistration, DestroyingTheOpenNullRendererClosesIt) {
    FakeRenderHost host;
    auto* renderer = new zNull_Renderer(&host, true);
    renderer->Open(4, 4, 32, false);
    delete renderer;
    EXPECT_EQ(host.current, nullptr);
}
