#include "engine/profiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/render_font.h"
#include "render/texture.h"
#include "tests/support/recording_renderer.h"

namespace {

TEST(Profiler, CategoryNames) {
    const std::vector<std::string> names = {"root",     "core",  "script",   "collision", "physic",
                                            "renderer", "mixer", "scene 2d", "scene 3d"};
    for (i32 index = 0; index < 9; ++index)
        EXPECT_EQ(ProfilerCategoryName(index), names[index]);
    for (i32 index : {-1, 9, 1000})
        EXPECT_STREQ(ProfilerCategoryName(index), "Invalid") << index;
}

TEST(Profiler, ScaleFollowsTheLargestSample) {
    const struct {
        f32 scale;
        i32 largest;
        f32 next;
    } cases[] = {
        {4000.0f, 3601, 4000.0f * 1.1111111f}, // above 0.9 x scale
        {4000.0f, 3600, 4000.0f},              // at 0.9: kept
        {4000.0f, 3200, 4000.0f},              // at 0.8: kept
        {4000.0f, 3199, 3600.0f},              // below 0.8
        {1100.0f, 0, 1000.0f},                 // never below 1000
        {1000.0f, 0, 1000.0f},
    };
    for (const auto& entry : cases)
        EXPECT_FLOAT_EQ(NextProfilerScale(entry.scale, entry.largest), entry.next)
            << entry.scale << " " << entry.largest;
}

TEST(Profiler, RingsReadFromTheOldestAndOverwriteIt) {
    zProfilerRing ring;
    EXPECT_EQ(ring.GetCount(), 0u);
    EXPECT_EQ(ring.GetMaximum(), 0);
    ring.Push(5); // no capacity: nothing
    ASSERT_TRUE(ring.Reset(3));
    EXPECT_EQ(ring.GetCount(), 3u);
    for (i32 sample : {7, -2, 4, 9})
        ring.Push(sample);
    EXPECT_EQ(ring.GetCount(), 3u);
    EXPECT_EQ(ring.GetAt(0), -2);
    EXPECT_EQ(ring.GetAt(1), 4);
    EXPECT_EQ(ring.GetAt(2), 9);
    EXPECT_EQ(ring.GetAt(3), 0);
    EXPECT_EQ(ring.GetMaximum(), 9);
    ring.Reset(2);
    ring.Push(-5);
    ring.Push(-1);
    EXPECT_EQ(ring.GetMaximum(), 0); // at least 0
}

TEST(Profiler, GraphUpdatesEveryPeriodWithTheTimesInMicroseconds) {
    zProfilerGraph graph;
    graph.Reset(100);
    const f32 times[zProfilerGraph::SeriesCount] = {1.5f, 0.25f, 4.0f, 0.0f, 2.0f};
    EXPECT_FALSE(graph.Update(2099, times));
    ASSERT_TRUE(graph.Update(2100, times));
    EXPECT_EQ(graph.lastUpdate, 2100u);
    const i32 expected[] = {1500, 250, 4000, 0, 2000};
    for (u32 series = 0; series < zProfilerGraph::SeriesCount; ++series)
        EXPECT_EQ(graph.rings[series].GetAt(127), expected[series]) << series;
    EXPECT_EQ(graph.rings[5].GetMaximum(), 0); // the sixth ring is not fed
    // 4000 > 0.9 x 4000: grows.
    EXPECT_FLOAT_EQ(graph.scale, 4000.0f * 1.1111111f);
    // The clock wraps: still one period measured as a u32 difference.
    graph.lastUpdate = 0xffffff00u;
    EXPECT_TRUE(graph.Update(0x7d0u, times));
}

TEST(Profiler, GraphSegmentsOfARing) {
    zProfilerRing ring;
    zProfilerSegment segments[zProfilerGraph::RingCapacity];
    ring.Reset(1);
    EXPECT_EQ(ProfilerGraphSegments(ring, 4000.0f, segments), 0u);
    ring.Reset(128);
    ring.Push(4000);
    ASSERT_EQ(ProfilerGraphSegments(ring, 4000.0f, segments), 127u);
    EXPECT_FLOAT_EQ(segments[0].x0, 8.0f);
    EXPECT_FLOAT_EQ(segments[0].y0, 152.0f);
    EXPECT_FLOAT_EQ(segments[0].alpha, 0.0f);
    EXPECT_FLOAT_EQ(segments[32].alpha, 0.5f);
    EXPECT_FLOAT_EQ(segments[100].alpha, 1.0f);
    EXPECT_FLOAT_EQ(segments[126].x1, 312.0f);
    EXPECT_FLOAT_EQ(segments[126].y1, 28.0f); // the newest, at the full scale
    EXPECT_FLOAT_EQ(segments[1].x0 - segments[0].x0, 304.0f / 127.0f);
}

struct PageFont : zRenderFont {
    const zRasterGlyph* GetGlyph(u8) const override { return nullptr; }
    f32 GetLineWidth(const char*, u32) const override { return 0.0f; }
    f32 GetTextWidth(const char*) const override { return 0.0f; }
    zTexture* GetPageTexture(i32 index) const override { return index == 0 ? page : nullptr; }
    f32 GetHeight() const override { return 1.0f; }
    zTexture* page = nullptr;
};

// The project layout: size 0.4, step 0.024, a new column past 0.952.
TEST(Profiler, ProjectLayoutPages) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    renderer.Open(800, 600, 32, false);
    zSharedPtr<zTexture> texture(new zTexture(&host));
    PageFont font;
    font.page = texture.Get();
    const zProfilerPage page(&renderer, &font, ProfilerProjectLayout);
    ASSERT_TRUE(page.CanWrite());
    f32 x = 0.1f;
    f32 y = 0.92f;
    page.Line(x, y, "a", ProfilerProjectColor);
    EXPECT_FLOAT_EQ(x, 0.1f);
    EXPECT_FLOAT_EQ(y, 0.944f);
    page.Line(x, y, "b", ProfilerProjectColor);
    EXPECT_FLOAT_EQ(x, 0.6f);
    EXPECT_FLOAT_EQ(y, 0.05f);
    ASSERT_EQ(renderer.writes.size(), 4u);
    EXPECT_EQ(renderer.writes[0].size, 0.4f);
    EXPECT_FLOAT_EQ(renderer.writes[0].x, 0.1f + 1.0f / 800.0f);
    EXPECT_FLOAT_EQ(renderer.writes[0].y, 0.92f + 1.0f / 600.0f);
    EXPECT_EQ(renderer.writes[3].color.pointer, ProfilerProjectColor);

    font.page = nullptr;
    const zProfilerPage empty(&renderer, &font, ProfilerProjectLayout);
    EXPECT_FALSE(empty.CanWrite());
    empty.Write(0.5f, 0.5f, "c", nullptr);
    EXPECT_EQ(renderer.writes.size(), 4u);
    EXPECT_FALSE(zProfilerPage(nullptr, &font, ProfilerSceneLayout).CanWrite());
}

} // namespace
