// The scene's part of the profiler overlay: its font, its page and the data
// of its graph window.
#include <cstdio>

#include "engine/engine.h"
#include "scene/scene.h"

void zScene::CreateProfiler(const char* fontPath, const char* fontName) {
    m_profilerFont = nullptr;
    m_ownProfilerFont.reset();
    if (m_ui) m_ownProfilerFont = m_ui->LoadRasterFont(fontPath, fontName);
    m_profilerFont = m_ownProfilerFont.get();
    m_profilerGraph.Reset(m_engine ? m_engine->GetClock() : 0);
}

f32 zScene::UpdateProfiler(f32 x, f32 y, bool details, zRenderFont* font) {
    const zProfilerPage page(GetDrawingRenderer(), font ? font : m_profilerFont, ProfilerSceneLayout);
    if (!page.CanWrite()) return y;
    char text[256];
    if (details) {
        const zPerfCounter* frame = m_engine ? &m_engine->GetFrameTimer() : nullptr;
        std::snprintf(text, sizeof text, "Perf. = %0.02f fps (%0.02f ms)",
                      frame ? double(frame->callsPerSecond) : 0.0, frame ? double(frame->averageMs) : 0.0);
        page.Line(x, y, text, nullptr);
        page.Line(x, y, "Scene:", ProfilerHeadingColor);
    }
    const u32 items = m_allItems.GetCount();
    const u32 active = m_activeItems.GetCount();
    std::snprintf(text, sizeof text, "Evaluate = %0.02f ms",
                  double(m_counters[SceneCounterUpdate].averageMs));
    page.Line(x, y, text, ProfilerEvaluateColor);
    std::snprintf(text, sizeof text, "  -> Item = %d item(s), %d active (%d%%)", i32(items), i32(active),
                  items ? i32(u64(active) * 100 / items) : 100);
    page.Line(x, y, text, ProfilerEvaluateColor);
    const struct {
        const char* format;
        u32 counter;
        const f32* color;
    } timings[] = {{"Script = %0.02f ms", SceneCounterScripts, ProfilerScriptColor},
                   {"Physic = %0.02f ms", SceneCounterPhysics, ProfilerPhysicColor},
                   {"Send to render = %0.02f ms", SceneCounterRender, ProfilerRenderColor}};
    for (const auto& timing : timings) {
        std::snprintf(text, sizeof text, timing.format, double(m_counters[timing.counter].averageMs));
        page.Line(x, y, text, timing.color);
    }
    std::snprintf(text, sizeof text, "User interface = %0.02f ms (%d window(s))",
                  double(m_counters[SceneCounterInterface].averageMs),
                  m_ui ? i32(m_ui->GetWindowCount()) : 0);
    page.Line(x, y, text, ProfilerInterfaceColor);
    if (details) {
        std::snprintf(text, sizeof text, "Logic callback = %0.02f ms",
                      double(m_counters[SceneCounterLogic].averageMs));
        page.Line(x, y, text, nullptr);
        std::snprintf(text, sizeof text, "Collision callback = %0.02f ms",
                      double(m_counters[SceneCounterCollision].averageMs));
        page.Line(x, y, text, nullptr);
    }
    page.Advance(x, y, true);
    return y;
}

bool zScene::UpdateProfilerGraph() {
    const f32 times[zProfilerGraph::SeriesCount] = {
        m_counters[SceneCounterUpdate].averageMs, m_counters[SceneCounterScripts].averageMs,
        m_counters[SceneCounterPhysics].averageMs, m_counters[SceneCounterRender].averageMs,
        m_counters[SceneCounterInterface].averageMs};
    return m_profilerGraph.Update(m_engine ? m_engine->GetClock() : 0, times);
}
