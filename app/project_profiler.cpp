#include <cstdio>

#include "app/project.h"
#include "engine/engine.h"
#include "engine/profiler.h"
#include "scene/scene.h"
#include "ui/scene2d.h"

void zProject::UpdateProfiler() {
    const zProfilerPage page(m_engine ? m_engine->GetRenderer() : nullptr, &m_profilerFont,
                             ProfilerProjectLayout);
    if (!page.CanWrite()) return;
    char text[512];
    const zPerfCounter* frame = m_engine ? &m_engine->GetFrameTimer() : nullptr;
    std::snprintf(text, sizeof text, "Perf. = %0.02f fps (%0.02f ms)",
                  frame ? double(frame->callsPerSecond) : 0.0, frame ? double(frame->averageMs) : 0.0);
    page.Write(0.025f, 0.05f, text, nullptr);
    std::snprintf(text, sizeof text, "Scene list (%d instantiated, %d active):", i32(GetSceneCount()),
                  i32(CountActiveScenes()));
    page.Write(0.025f, 0.074f, text, ProfilerProjectColor);
    page.Write(0.025f, 0.122f, "Layer stack:", ProfilerProjectColor);

    f32 x = 0.025f;
    f32 y = 0.146f;
    zString name;
    for (auto* node = m_layers.GetHead(); node; node = node->next) {
        const zProjectSceneInstance* instance = node->value->instance;
        if (instance) {
            instance->GetName(name);
            std::snprintf(text, sizeof text, "  -> %s", name.CStr() ? name.CStr() : "");
        } else {
            std::snprintf(text, sizeof text, "No Instance");
        }
        page.Line(x, y, text, ProfilerProjectColor);
    }
    x += 0.025f;
    for (auto* node = m_scenes.GetHead(); node; node = node->next) {
        const zProjectSceneInstance& instance = *node->value;
        if (!instance.active) continue;
        instance.GetName(name);
        std::snprintf(text, sizeof text, "Scene instance '%s':", name.CStr() ? name.CStr() : "");
        page.Line(x, y, text, ProfilerProjectColor);
        if (instance.kind == zProjectSceneInstance::KindScene && instance.scene.Get()) {
            y = instance.scene->UpdateProfiler(x + 0.025f, y, false, &m_profilerFont);
        } else if (instance.kind == zProjectSceneInstance::KindScene2D && instance.scene2D.Get()) {
            y = instance.scene2D->UpdateProfiler(x + 0.025f, y, &m_profilerFont);
        }
    }
}
