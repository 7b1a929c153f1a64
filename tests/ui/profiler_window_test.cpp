#include "ui/profiler_window.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/profiler.h"
#include "picture/picture.h"
#include "tests/ui/scene2d_fixture.h"
#include "ui/drawable_widget.h"
#include "ui/text_widget.h"

namespace {

using ProfilerWindowTest = Scene2DFixture;

TEST_F(ProfilerWindowTest, CreateBuildsTheWindowsCanvasAndScaleText) {
    zProfilerWindow graph(scene);
    ASSERT_TRUE(graph.Create(OutputWidth));
    zWindow* window = graph.GetWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetName(), "Profiler");
    EXPECT_EQ(window->GetTitle(), "Profiler");
    EXPECT_EQ(window->GetPosition().x, OutputWidth - 320.0f - 16.0f);
    EXPECT_EQ(window->GetPosition().y, 16.0f);
    EXPECT_EQ(window->GetSizeF().x, 320.0f);
    EXPECT_EQ(window->GetSizeF().y, 160.0f);
    EXPECT_FLOAT_EQ(window->GetOpacity(), 0.75f);
    ASSERT_NE(graph.GetCanvas(), nullptr);
    EXPECT_EQ(window->GetBaseWidget(), graph.GetCanvas());
    ASSERT_NE(graph.GetCanvas()->GetPicture(), nullptr);
    EXPECT_EQ(graph.GetCanvas()->GetPicture()->GetWidth(), 320u);
    EXPECT_EQ(graph.GetCanvas()->GetPicture()->GetHeight(), 160u);

    zWindow* scale = graph.GetScaleWindow();
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->GetParent(), window);
    EXPECT_EQ(scale->GetName(), "ProfilerScale");
    EXPECT_EQ(scale->GetTitle(), "Scale");
    EXPECT_EQ(scale->GetPosition().x, 240.0f);
    EXPECT_EQ(scale->GetPosition().y, 3.0f);
    EXPECT_EQ(scale->GetSizeF().x, 64.0f);
    EXPECT_EQ(scale->GetSizeF().y, 32.0f);
    ASSERT_NE(graph.GetScaleText(), nullptr);
    EXPECT_EQ(scale->GetBaseWidget(), graph.GetScaleText());
    EXPECT_EQ(graph.GetScaleText()->GetText(), "- ms");
    EXPECT_EQ(graph.GetScaleText()->GetParameters().size, 10);
}

TEST_F(ProfilerWindowTest, ShowAndHide) {
    zProfilerWindow graph(scene);
    ASSERT_TRUE(graph.Create(OutputWidth));
    graph.Show(false);
    EXPECT_EQ(graph.GetWindow()->GetFlags() & SpriteVisible, 0u);
    EXPECT_EQ(graph.GetScaleWindow()->GetFlags() & SpriteVisible, 0u);
    graph.Show(true);
    EXPECT_NE(graph.GetWindow()->GetFlags() & SpriteVisible, 0u);
    EXPECT_NE(graph.GetScaleWindow()->GetFlags() & SpriteVisible, 0u);
}

std::vector<u8> PixelAt(const zPicture& picture, u32 x, u32 y) {
    const u8* pixel = picture.GetPixels() + (u64(y) * picture.GetWidth() + x) * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

// Whether every pixel outside columns left..right and rows top..bottom is
// still clear.
bool ClearOutside(const zPicture& picture, u32 left, u32 top, u32 right, u32 bottom) {
    for (u32 y = 0; y < picture.GetHeight(); ++y)
        for (u32 x = 0; x < picture.GetWidth(); ++x)
            if ((x < left || x > right || y < top || y > bottom) && PixelAt(picture, x, y)[3] != 0)
                return false;
    return true;
}

TEST_F(ProfilerWindowTest, DrawWritesTheScaleAndTheCurvesInThePlotArea) {
    zProfilerWindow graph(scene);
    ASSERT_TRUE(graph.Create(OutputWidth));
    const zPicture& canvas = *graph.GetCanvas()->GetPicture();
    zProfilerGraph data;
    data.scale = 4500.0f;
    log.Reset();
    EXPECT_TRUE(graph.Draw(data)); // no ring holds two samples: nothing to draw
    EXPECT_EQ(graph.GetScaleText()->GetText(), "y=4.50ms");
    EXPECT_TRUE(ClearOutside(canvas, 0, 0, 0, 0));

    // Only the first series has samples: 128 zeros, a flat line along the
    // bottom of the plot area (y = 152) in its colour (1, 0, 0.25), each
    // segment's alpha rising by 1/64 up to 1.
    data.Reset(0);
    for (u32 series = 1; series < zProfilerGraph::SeriesCount; ++series)
        ASSERT_TRUE(data.rings[series].Reset(1));
    EXPECT_TRUE(graph.Draw(data));
    EXPECT_EQ(graph.GetScaleText()->GetText(), "y=4.00ms");
    EXPECT_EQ(PixelAt(canvas, 9, 152), (std::vector<u8>{0, 0, 0, 0}));     // segment 0: alpha 0
    EXPECT_EQ(PixelAt(canvas, 11, 152), (std::vector<u8>{255, 0, 63, 3})); // segment 1: 255 / 64
    EXPECT_EQ(PixelAt(canvas, 200, 152), (std::vector<u8>{255, 0, 63, 255}));
    EXPECT_EQ(PixelAt(canvas, 311, 152), (std::vector<u8>{255, 0, 63, 255}));
    EXPECT_EQ(PixelAt(canvas, 312, 152), (std::vector<u8>{0, 0, 0, 0})); // the clip's right edge
    EXPECT_TRUE(ClearOutside(canvas, 9, 152, 311, 152));

    // Samples far beyond the scale are cut at the top of the plot area; a
    // new draw clears the earlier curve.
    for (u32 i = 0; i < zProfilerGraph::RingCapacity; ++i)
        data.rings[0].Push(i % 2 ? 100000 : 0);
    EXPECT_TRUE(graph.Draw(data));
    EXPECT_TRUE(ClearOutside(canvas, 8, 28, 312, 153));
    EXPECT_NE(PixelAt(canvas, 300, 28)[3], 0);
    EXPECT_EQ(log.Text(), "");
}

} // namespace
