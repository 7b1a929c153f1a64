#include "engine/profiler.h"

#include <new>

#include "render/render_font.h"
#include "render/renderer.h"

const char* ProfilerCategoryName(i32 index) {
    static const char* const Names[] = {"root",     "core",  "script",   "collision", "physic",
                                        "renderer", "mixer", "scene 2d", "scene 3d"};
    if (index < 0 || index >= i32(sizeof Names / sizeof Names[0])) return "Invalid";
    return Names[index];
}

const f32 ProfilerShadowColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const f32 ProfilerHeadingColor[4] = {0.75f, 0.5f, 1.0f, 1.0f};
const f32 ProfilerEvaluateColor[4] = {1.0f, 0.0f, 0.25f, 1.0f};
const f32 ProfilerScriptColor[4] = {1.0f, 0.75f, 0.0f, 1.0f};
const f32 ProfilerPhysicColor[4] = {0.0f, 0.5f, 1.0f, 1.0f};
const f32 ProfilerRenderColor[4] = {0.75f, 1.0f, 0.25f, 1.0f};
const f32 ProfilerInterfaceColor[4] = {0.5f, 0.25f, 1.0f, 1.0f};
const f32 ProfilerProjectColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const f32 ProfilerWindowCountColor[4] = {1.0f, 1.0f, 0.0f, 1.0f};

const f32 ProfilerSeriesColors[zProfilerGraph::SeriesCount][3] = {{1.0f, 0.0f, 0.25f},
                                                                  {1.0f, 0.75f, 0.0f},
                                                                  {0.75f, 0.75f, 0.75f},
                                                                  {0.75f, 1.0f, 0.25f},
                                                                  {0.5f, 0.25f, 1.0f}};

const f32 ProfilerGraphClip[4] = {8.0f, 28.0f, 312.0f, 152.0f};

// zProfilerPage

zProfilerPage::zProfilerPage(zRenderer* renderer, zRenderFont* font, const zProfilerLayout& layout)
    : m_renderer(renderer), m_font(font), m_layout(layout),
      m_canWrite(renderer && font && font->GetPageTexture(0)) {
    if (!m_canWrite) return;
    f32 output[2] = {0.0f, 0.0f};
    m_renderer->GetOutputSize(output);
    // An output without size (a closed renderer) gets no shadow offset
    // rather than an infinite one.
    for (int axis = 0; axis < 2; ++axis)
        m_pixel[axis] = output[axis] > 0.0f ? 1.0f / output[axis] : 0.0f;
}

void zProfilerPage::Write(f32 x, f32 y, const char* text, const f32* color) const {
    if (!m_canWrite) return;
    m_renderer->Write(m_font, text, x + m_pixel[0], y + m_pixel[1], m_layout.size, true, 0,
                      ProfilerShadowColor);
    m_renderer->Write(m_font, text, x, y, m_layout.size, true, 0, color);
}

void zProfilerPage::Line(f32& x, f32& y, const char* text, const f32* color, bool keepColumn) const {
    Write(x, y, text, color);
    Advance(x, y, keepColumn);
}

void zProfilerPage::Advance(f32& x, f32& y, bool keepColumn) const {
    y += m_layout.step;
    if (y > m_layout.wrap) {
        if (!keepColumn) x += ProfilerColumnWidth;
        y = ProfilerColumnTop;
    }
}

// zProfilerRing

bool zProfilerRing::Reset(u32 capacity) {
    m_samples.reset(capacity ? new (std::nothrow) i32[capacity]() : nullptr);
    m_capacity = m_samples ? capacity : 0;
    m_count = m_capacity;
    m_position = 0;
    return m_samples || capacity == 0;
}

void zProfilerRing::Push(i32 sample) {
    if (!m_capacity) return;
    m_samples[m_position] = sample;
    m_position = (m_position + 1) % m_capacity;
    if (m_count < m_capacity) ++m_count;
}

i32 zProfilerRing::GetMaximum() const {
    i32 largest = 0;
    for (u32 index = 0; index < m_count; ++index)
        if (m_samples[index] > largest) largest = m_samples[index];
    return largest;
}

i32 zProfilerRing::GetAt(u32 index) const {
    if (index >= m_count) return 0;
    const u32 oldest = m_count < m_capacity ? 0 : m_position;
    return m_samples[(oldest + index) % m_capacity];
}

// The graph

f32 NextProfilerScale(f32 scale, i32 largest) {
    const f32 sample = f32(largest);
    if (sample > scale * 0.9f) {
        scale *= 1.1111111f;
    } else if (sample < scale * 0.8f) {
        scale *= 0.9f;
    }
    return scale < zProfilerGraph::MinimumScale ? zProfilerGraph::MinimumScale : scale;
}

void zProfilerGraph::Reset(u32 clock) {
    for (zProfilerRing& ring : rings)
        ring.Reset(RingCapacity);
    scale = InitialScale;
    lastUpdate = clock;
}

bool zProfilerGraph::Update(u32 clock, const f32 timesMs[SeriesCount]) {
    // u32 difference: correct across the clock's wrap.
    if (clock - lastUpdate < UpdatePeriod) return false;
    lastUpdate = clock;
    i32 largest = 0;
    for (u32 series = 0; series < SeriesCount; ++series) {
        const f32 sample = timesMs[series] * 1000.0f;
        // Times come from the clock and are never negative or huge; a value
        // outside the int range is kept at its edge.
        const i32 value = sample >= 2147483520.0f ? 2147483647 : sample > -2147483520.0f ? i32(sample) : 0;
        rings[series].Push(value);
    }
    for (const zProfilerRing& ring : rings) {
        const i32 ringLargest = ring.GetMaximum();
        if (ringLargest > largest) largest = ringLargest;
    }
    scale = NextProfilerScale(scale, largest);
    return true;
}

u32 ProfilerGraphSegments(const zProfilerRing& ring, f32 scale, zProfilerSegment* out) {
    const u32 count = ring.GetCount();
    if (count < 2 || !out) return 0;
    const f32 stepX = 304.0f / f32(count - 1);
    auto pointY = [scale](i32 sample) { return 144.0f - f32(sample) * 124.0f / scale + 8.0f; };
    for (u32 index = 0; index + 1 < count; ++index) {
        zProfilerSegment& segment = out[index];
        segment.x0 = 8.0f + stepX * f32(index);
        segment.y0 = pointY(ring.GetAt(index));
        segment.x1 = 8.0f + stepX * f32(index + 1);
        segment.y1 = pointY(ring.GetAt(index + 1));
        const f32 alpha = f32(index) / 64.0f;
        segment.alpha = alpha > 1.0f ? 1.0f : alpha;
    }
    return count - 1;
}
