#include <gtest/gtest.h>

#include "render/debug_draw.h"
#include "tests/support/recording_renderer.h"

namespace {

struct Queued : zRenderable {
    void AppendPrimitives(zRenderViewItem*, zList<zRenderablePrimitive*>&, u32) override {}
};

} // namespace

TEST(RecordingRenderer, RecordsWritesQueuesAndTheViewport) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    renderer.Open(320, 200, 32, false);
    i32 x, y, width, height;
    renderer.GetViewport(x, y, width, height);
    EXPECT_EQ(width, 320) << "the null renderer's viewport until one is set";
    renderer.SetViewport(10, 20, 30, 40);
    renderer.GetViewport(x, y, width, height);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(width, 30);
    EXPECT_EQ(height, 40);

    f32 colour[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    renderer.Write(nullptr, "label", 0.5f, 0.25f, 12.0f, true, 1, colour);
    colour[0] = 9.0f;
    ASSERT_EQ(renderer.writes.size(), 1u);
    EXPECT_EQ(renderer.writes[0].text, "label");
    EXPECT_EQ(renderer.writes[0].value, 1);
    EXPECT_FLOAT_EQ(renderer.writes[0].color.rgba[0], 0.1f) << "values copied at the call";

    Queued a, b;
    renderer.QueueRenderable(&a);
    renderer.QueueRenderable(&b);
    EXPECT_EQ(renderer.Queued(), (std::vector<zRenderable*>{&a, &b}));
    renderer.RenderQueue();
    renderer.ResetRenderQueue();
    renderer.RenderQueue();
    ASSERT_EQ(renderer.renderedQueues.size(), 2u);
    EXPECT_EQ(renderer.renderedQueues[0].size(), 2u);
    EXPECT_TRUE(renderer.renderedQueues[1].empty());

    RecordingViewItem camera;
    camera.transform = zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f));
    renderer.SetViewItem(&camera);
    EXPECT_EQ(renderer.GetViewItem(), &camera);
    EXPECT_EQ(renderer.GetViewTransform(), &camera.transform);
}

TEST(RecordingRenderer, FindsCrossesAndBoxesAmongTheLines) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    renderer.Open(320, 200, 32, false);
    const zVector centre(1.0f, 2.0f, 3.0f);
    const zVector size(2.0f, 1.0f, 1.0f);
    const zOrientedBox box(&centre, &size);
    renderer.DrawLine(zVector(), zVector(1.0f, 0.0f, 0.0f), nullptr);
    DrawCross(&renderer, centre, 0.5f);
    DrawBox(&renderer, box);
    DrawCross(&renderer, centre, 0.5f);

    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawCross(r, centre, 0.5f); }), 2);
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawCross(r, centre, 0.6f); }), 0);
    const f32 red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawCross(r, centre, 0.5f, red); }), 0)
        << "colour differs";
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawBox(r, box); }), 1);
    EXPECT_EQ(renderer.lines.size(), 1u + 3u + 12u + 3u);
}
