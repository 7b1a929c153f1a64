#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/profiler.h"
#include "render/texture.h"
#include "tests/scene/scene_fixture.h"
#include "tests/support/recording_renderer.h"

namespace {

// A raster font as the renderer sees it: only whether it has its first page
// matters to the pages.
struct PagedFont : zRenderFont {
    explicit PagedFont(zTexture* page) : page(page) {}
    const zRasterGlyph* GetGlyph(u8) const override { return nullptr; }
    f32 GetLineWidth(const char*, u32) const override { return 0.0f; }
    f32 GetTextWidth(const char*) const override { return 0.0f; }
    zTexture* GetPageTexture(i32 index) const override { return index == 0 ? page : nullptr; }
    f32 GetHeight() const override { return 1.0f; }
    zTexture* page;
};

struct CountingInterface : zSceneUserInterface {
    void Clear() override {}
    void Render(bool) override {}
    u32 GetWindowCount() const override { return 3; }
    std::unique_ptr<zRenderFont> LoadRasterFont(const char* path, const char*) override {
        loaded.push_back(path);
        return std::make_unique<PagedFont>(page);
    }
    zTexture* page = nullptr;
    std::vector<std::string> loaded;
};

class SceneProfilerTest : public SceneFixture {
  protected:
    void SetUp() override {
        SceneFixture::SetUp();
        renderer.Open(640, 480, 32, false);
        scene->RegisterAsPropertyCallback(&renderer);
    }
    void TearDown() override {
        scene->RegisterAsPropertyCallback(nullptr);
        SceneFixture::TearDown();
    }
    // The coloured writes (every second one), as text.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (size_t index = 1; index < renderer.writes.size(); index += 2)
            texts.push_back(renderer.writes[index].text);
        return texts;
    }

    FakeRenderHost host;
    RecordingRenderer renderer{&host, false};
    zSharedPtr<zTexture> page{new zTexture(&host)};
    PagedFont font{page.Get()};
};

TEST_F(SceneProfilerTest, TheDetailedPageOfAnEmptyScene) {
    const f32 next = scene->UpdateProfiler(0.025f, 0.05f, true, &font);
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "Perf. = 0.00 fps (0.00 ms)", "Scene:", "Evaluate = 0.00 ms",
                           "  -> Item = 0 item(s), 0 active (100%)", "Script = 0.00 ms", "Physic = 0.00 ms",
                           "Send to render = 0.00 ms", "User interface = 0.00 ms (0 window(s))",
                           "Logic callback = 0.00 ms", "Collision callback = 0.00 ms"}));
    // Ten lines and the empty one.
    EXPECT_FLOAT_EQ(next, 0.05f + 11 * 0.021f);
    const f32* colors[] = {nullptr,
                           ProfilerHeadingColor,
                           ProfilerEvaluateColor,
                           ProfilerEvaluateColor,
                           ProfilerScriptColor,
                           ProfilerPhysicColor,
                           ProfilerRenderColor,
                           ProfilerInterfaceColor,
                           nullptr,
                           nullptr};
    ASSERT_EQ(renderer.writes.size(), 20u);
    f32 y = 0.05f;
    for (size_t line = 0; line < 10; ++line) {
        const RecordedWrite& shadow = renderer.writes[2 * line];
        const RecordedWrite& text = renderer.writes[2 * line + 1];
        EXPECT_EQ(shadow.text, text.text);
        EXPECT_EQ(shadow.font, &font);
        EXPECT_FLOAT_EQ(shadow.x, 0.025f + 1.0f / 640.0f) << line;
        EXPECT_FLOAT_EQ(shadow.y, y + 1.0f / 480.0f) << line;
        EXPECT_EQ(shadow.size, 0.35f);
        ASSERT_NE(shadow.color.pointer, nullptr);
        EXPECT_EQ(std::vector<f32>(shadow.color.rgba, shadow.color.rgba + 4),
                  (std::vector<f32>{0.0f, 0.0f, 0.0f, 1.0f}));
        EXPECT_FLOAT_EQ(text.x, 0.025f);
        EXPECT_FLOAT_EQ(text.y, y) << line;
        EXPECT_EQ(text.size, 0.35f);
        EXPECT_TRUE(text.flag);
        EXPECT_EQ(text.value, 0);
        EXPECT_EQ(text.color.pointer, colors[line]) << line;
        y += 0.021f;
    }
}

TEST_F(SceneProfilerTest, WithoutDetailsItemsAndTheUserInterfaceWindows) {
    scene->SetUserInterface(std::make_unique<CountingInterface>());
    Add("a");
    Add("b");
    TestItem* off = Add("c");
    scene->SetItemActive(off, false);
    scene->UpdateProfiler(0.1f, 0.2f, false, &font);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Evaluate = 0.00 ms", "  -> Item = 3 item(s), 2 active (66%)",
                                        "Script = 0.00 ms", "Physic = 0.00 ms", "Send to render = 0.00 ms",
                                        "User interface = 0.00 ms (3 window(s))"}));
}

// Past y 0.958 the page goes on at x + 0.5, y 0.05; the closing empty line
// wraps without moving x.
TEST_F(SceneProfilerTest, ALongPageContinuesInASecondColumn) {
    const f32 next = scene->UpdateProfiler(0.025f, 0.9f, true, &font);
    ASSERT_EQ(renderer.writes.size(), 20u);
    const f32 expected[][2] = {{0.025f, 0.9f},   {0.025f, 0.921f}, {0.025f, 0.942f}, {0.525f, 0.05f},
                               {0.525f, 0.071f}, {0.525f, 0.092f}, {0.525f, 0.113f}, {0.525f, 0.134f},
                               {0.525f, 0.155f}, {0.525f, 0.176f}};
    for (size_t line = 0; line < 10; ++line) {
        EXPECT_NEAR(renderer.writes[2 * line + 1].x, expected[line][0], 1e-5f) << line;
        EXPECT_NEAR(renderer.writes[2 * line + 1].y, expected[line][1], 1e-5f) << line;
    }
    EXPECT_NEAR(next, 0.218f, 1e-5f);
}

TEST_F(SceneProfilerTest, TheClosingEmptyLineWrapsWithoutANewColumn) {
    // The last written line at 0.93: only the empty line's advance passes 0.958.
    const f32 next = scene->UpdateProfiler(0.025f, 0.93f - 5 * 0.021f, false, &font);
    ASSERT_EQ(renderer.writes.size(), 12u);
    EXPECT_NEAR(renderer.writes.back().y, 0.93f, 1e-5f);
    for (const RecordedWrite& write : renderer.writes)
        EXPECT_LT(write.x, 0.03f);
    EXPECT_FLOAT_EQ(next, 0.05f);
}

TEST_F(SceneProfilerTest, WithoutAFontPageNothingIsWritten) {
    PagedFont empty{nullptr};
    EXPECT_EQ(scene->UpdateProfiler(0.025f, 0.3f, true, &empty), 0.3f);
    // No font given and none created.
    EXPECT_EQ(scene->UpdateProfiler(0.025f, 0.4f, true, nullptr), 0.4f);
    EXPECT_TRUE(renderer.writes.empty());
}

TEST_F(SceneProfilerTest, CreateProfilerLoadsTheFontThroughTheInterfaceAndResetsTheGraph) {
    auto ui = std::make_unique<CountingInterface>();
    ui->page = page.Get();
    CountingInterface* counting = ui.get();
    scene->SetUserInterface(std::move(ui));
    SetFrameTime(300);
    scene->CreateProfiler("fonts/arial.zml", "fonts/arial");
    EXPECT_EQ(counting->loaded, std::vector<std::string>{"fonts/arial.zml"});
    ASSERT_NE(scene->GetProfilerFont(), nullptr);
    const zProfilerGraph& graph = scene->GetProfilerGraph();
    EXPECT_EQ(graph.scale, 4000.0f);
    EXPECT_EQ(graph.lastUpdate, engine.GetClock());
    for (const zProfilerRing& ring : graph.rings) {
        EXPECT_EQ(ring.GetCount(), 128u);
        EXPECT_EQ(ring.GetMaximum(), 0);
    }
    // The scene's own font when none is given.
    scene->UpdateProfiler(0.025f, 0.05f, false, nullptr);
    ASSERT_FALSE(renderer.writes.empty());
    EXPECT_EQ(renderer.writes[0].font, scene->GetProfilerFont());

    // The graph takes samples at most every 2000 clock units.
    EXPECT_FALSE(scene->UpdateProfilerGraph());
    SetFrameTime(1000);
    EXPECT_TRUE(scene->UpdateProfilerGraph());
    EXPECT_EQ(scene->GetProfilerGraph().lastUpdate, engine.GetClock());
    EXPECT_FALSE(scene->UpdateProfilerGraph());
    // All samples 0: the scale shrinks by 0.9.
    EXPECT_FLOAT_EQ(scene->GetProfilerGraph().scale, 3600.0f);
}

} // namespace
