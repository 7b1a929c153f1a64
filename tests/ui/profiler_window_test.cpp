#include "ui/profiler_window.h"

#include <gtest/gtest.h>

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

TEST_F(ProfilerWindowTest, DrawWritesTheScaleAndReportsTheMissingLineDrawing) {
    zProfilerWindow graph(scene);
    ASSERT_TRUE(graph.Create(OutputWidth));
    zProfilerGraph data;
    data.scale = 4500.0f;
    log.Reset();
    EXPECT_TRUE(graph.Draw(data)); // no ring holds two samples: nothing to draw
    EXPECT_EQ(graph.GetScaleText()->GetText(), "y=4.50ms");
    EXPECT_EQ(log.Text(), "");
    data.Reset(0);
    EXPECT_FALSE(graph.Draw(data));
    EXPECT_EQ(graph.GetScaleText()->GetText(), "y=4.00ms");
    EXPECT_EQ(log.Text(), "[!] Picture line drawing is not built: the profiler graph shows no curves.\n");
}

} // namespace
