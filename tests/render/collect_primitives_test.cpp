#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "render_fixtures.h"

namespace {

// Emits one primitive per key, tagged with its payload so order can be told.
struct KeyedRenderable : zRenderable {
    std::vector<std::pair<f32, int>> keys;
    int calls = 0;
    zRenderViewItem* seenView = nullptr;
    u32 seenFlags = 0;

    void AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out, u32 flags) override {
        ++calls;
        seenView = viewItem;
        seenFlags = flags;
        for (const auto& key : keys) {
            auto* primitive = new zRenderablePrimitive;
            primitive->renderable = this;
            primitive->sortKey = key.first;
            primitive->payload = reinterpret_cast<void*>(static_cast<intptr_t>(key.second));
            out.Add(primitive);
        }
    }
};

struct DummyViewItem : zRenderViewItem {
    zCameraBlock block;
    zMatrix4 GetViewMatrix() override { return zMatrix4(); }
    zMatrix4 GetProjectionMatrix() override { return zMatrix4(); }
    void UpdateFrustum(zFrustum*, f32, f32) override {}
    const zCameraBlock& GetCameraBlock() const override { return block; }
    const zMatrix4* GetTransformBlock() const override { return nullptr; }
};

struct PrimitiveList : zList<zRenderablePrimitive*> {
    ~PrimitiveList() override {
        for (auto* node = GetHead(); node; node = node->next)
            delete node->value;
    }
    std::vector<int> Tags() const {
        std::vector<int> tags;
        for (auto* node = GetHead(); node; node = node->next)
            tags.push_back(static_cast<int>(reinterpret_cast<intptr_t>(node->value->payload)));
        return tags;
    }
};

} // namespace

TEST(CollectPrimitives, NoViewItemGivesAnEmptyList) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    KeyedRenderable renderables[5];
    for (auto& renderable : renderables) {
        renderable.keys = {{1.0f, 1}};
        renderer.QueueRenderable(&renderable);
    }
    PrimitiveList out;
    out.Add(new zRenderablePrimitive); // stale content is freed
    renderer.CollectPrimitives(out, 0);
    EXPECT_EQ(out.GetCount(), 0u);
    for (auto& renderable : renderables)
        EXPECT_EQ(renderable.calls, 0);
}

TEST(CollectPrimitives, SortsAscendingAndStableAcrossRenderables) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    DummyViewItem view;
    renderer.SetViewItem(&view);
    KeyedRenderable first, second;
    first.keys = {{3.0f, 3}, {1.0f, 10}};
    second.keys = {{2.0f, 2}, {1.0f, 11}};
    renderer.QueueRenderable(&first);
    renderer.QueueRenderable(&second);

    PrimitiveList out;
    renderer.CollectPrimitives(out, RenderPassShadow);
    EXPECT_EQ(out.Tags(), (std::vector<int>{10, 11, 2, 3}));
    EXPECT_EQ(first.seenView, &view);
    EXPECT_EQ(second.seenFlags, u32(RenderPassShadow));

    // A second collection replaces the first.
    renderer.CollectPrimitives(out, 0);
    EXPECT_EQ(out.GetCount(), 4u);
}

TEST(CollectPrimitives, ThousandRandomKeysMatchStableSort) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    DummyViewItem view;
    renderer.SetViewItem(&view);
    KeyedRenderable renderable;
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> key(0, 40); // many ties
    for (int i = 0; i < 1000; ++i)
        renderable.keys.push_back({f32(key(random)), i});
    renderer.QueueRenderable(&renderable);

    PrimitiveList out;
    renderer.CollectPrimitives(out, 0);
    auto expected = renderable.keys;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> expectedTags;
    for (const auto& entry : expected)
        expectedTags.push_back(entry.second);
    EXPECT_EQ(out.Tags(), expectedTags);
}

TEST(CollectPrimitives, NaNKeysNeitherCrashNorLoseElements) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    DummyViewItem view;
    renderer.SetViewItem(&view);
    KeyedRenderable renderable;
    renderable.keys = {{2.0f, 0}, {std::nanf(""), 1}, {1.0f, 2}, {std::nanf(""), 3}, {0.5f, 4}};
    renderer.QueueRenderable(&renderable);
    PrimitiveList out;
    renderer.CollectPrimitives(out, 0);
    auto tags = out.Tags();
    std::sort(tags.begin(), tags.end());
    EXPECT_EQ(tags, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(RenderQueue, ResetEmptiesAndNullRenderQueueKeepsIt) {
    FakeRenderHost host;
    zNull_Renderer renderer(&host, false);
    KeyedRenderable a, b;
    renderer.QueueRenderable(&a);
    renderer.QueueRenderable(&b);
    renderer.RenderQueue();
    EXPECT_EQ(renderer.GetRenderQueue().size(), 2u);
    EXPECT_EQ(a.calls, 0);
    renderer.ResetRenderQueue();
    EXPECT_EQ(renderer.GetRenderQueue().size(), 0u);
}
