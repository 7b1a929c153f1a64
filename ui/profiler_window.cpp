#include "ui/profiler_window.h"

#include <cassert>
#include <cstdio>
#include <new>

#include "core/log.h"
#include "engine/profiler.h"
#include "picture/picture.h"
#include "ui/drawable_widget.h"
#include "ui/scene2d.h"
#include "ui/sprite.h"
#include "ui/text_widget.h"

bool zProfilerWindow::Create(f32 outputWidth) {
    const zVector2 position(outputWidth - Width - 16.0f, 16.0f);
    const zVector2 size(Width, Height);
    m_window = new (std::nothrow) zWindow(&m_ui, nullptr, "Profiler", "Profiler", &position, &size);
    if (!m_window) {
        GetLog() << "[!] Could not create the profiler window.\n";
        return false;
    }
    m_window->SetBackgroundPicture("profiler_bg.tga");
    m_window->SetOpacity(0.75f);
    m_canvas = new (std::nothrow) zCanvasWidget(&m_ui, 0, i32(Width), i32(Height));
    if (m_canvas) m_window->SetBaseWidget(m_canvas);

    const zVector2 scalePosition(240.0f, 3.0f);
    const zVector2 scaleSize(64.0f, 32.0f);
    m_scaleWindow =
        new (std::nothrow) zWindow(&m_ui, m_window, "ProfilerScale", "Scale", &scalePosition, &scaleSize);
    m_scaleText = new (std::nothrow) zTextWidget(&m_ui, 0, "- ms", nullptr, 10);
    if (m_scaleWindow && m_scaleText) m_scaleWindow->SetBaseWidget(m_scaleText);
    if (!m_canvas || !m_scaleWindow || !m_scaleText) {
        GetLog() << "[!] Could not create the profiler window.\n";
        return false;
    }
    return true;
}

void zProfilerWindow::Show(bool shown) {
    for (zWindow* window : {m_window, m_scaleWindow}) {
        if (!window) continue;
        const u32 flags = window->GetFlags();
        window->SetFlags(shown ? flags | SpriteVisible : flags & ~u32(SpriteVisible));
    }
    if (shown && m_window) m_ui.MoveWindowToFront(m_window, nullptr);
}

bool zProfilerWindow::Draw(const zProfilerGraph& graph) {
    if (m_scaleText) {
        char text[64];
        std::snprintf(text, sizeof text, "y=%.02fms", double(graph.scale / 1000.0f));
        m_scaleText->SetText(text);
    }
    zPicture* picture = m_canvas ? m_canvas->GetPicture() : nullptr;
    if (!picture) return false;
    picture->Fill(0.0f, 0.0f, 0.0f, 0.0f);
    m_canvas->Invalidate();
    zProfilerSegment segments[zProfilerGraph::RingCapacity];
    for (u32 series = 0; series < zProfilerGraph::SeriesCount; ++series) {
        const zProfilerRing& ring = graph.rings[series];
        // The graph's rings are made RingCapacity long (zProfilerGraph::Reset).
        assert(ring.GetCount() <= zProfilerGraph::RingCapacity);
        if (ring.GetCount() > zProfilerGraph::RingCapacity) continue;
        const f32* color = ProfilerSeriesColors[series];
        const u32 count = ProfilerGraphSegments(ring, graph.scale, segments);
        for (u32 i = 0; i < count; ++i) {
            const zProfilerSegment& segment = segments[i];
            picture->DrawLine(segment.x0, segment.y0, segment.x1, segment.y1, color[0], color[1], color[2],
                              segment.alpha, ProfilerGraphClip);
        }
    }
    return true;
}
