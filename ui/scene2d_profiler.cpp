#include <cstdio>

#include "engine/engine.h"
#include "engine/profiler.h"
#include "ui/scene2d.h"

f32 zScene2D::UpdateProfiler(f32 x, f32 y, zRenderFont* font) {
    const zProfilerPage page(m_engine ? m_engine->GetRenderer() : nullptr, font, ProfilerSceneLayout);
    if (!page.CanWrite()) return y;
    char text[64];
    std::snprintf(text, sizeof text, "Window count = %d", i32(GetWindowCount()));
    page.Line(x, y, text, ProfilerWindowCountColor, true);
    page.Advance(x, y, true);
    return y;
}
