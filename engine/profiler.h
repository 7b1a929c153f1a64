// The profiler overlay's common pieces: the category names, the page writer
// that every text page (scene, 2D, project) writes its lines through, and
// the history rings and scale of the graph window.
//
// Page lines: each line is written twice through the renderer's raster-font
// Write, first in black one output pixel right and down (the shadow), then
// in its colour (null: the renderer's default text colour). Then y advances
// by the layout's step; past the layout's wrap y restarts at 0.05 in a new
// column 0.5 to the right, unless the caller keeps the column. Positions are
// normalised screen units. A page writes nothing without a renderer or
// without a font that has its first page.
#pragma once

#include <memory>

#include "core/types.h"

class zRenderer;
class zRenderFont;

// 0 "root" .. 8 "scene 3d"; any other index "Invalid".
const char* ProfilerCategoryName(i32 index);

struct zProfilerLayout {
    f32 size;
    f32 step;
    f32 wrap;
};

constexpr zProfilerLayout ProfilerSceneLayout = {0.35f, 0.021f, 0.958f};
constexpr zProfilerLayout ProfilerProjectLayout = {0.4f, 0.024f, 0.952f};
constexpr f32 ProfilerColumnTop = 0.05f;
constexpr f32 ProfilerColumnWidth = 0.5f;

// The page colours.
extern const f32 ProfilerShadowColor[4];
extern const f32 ProfilerHeadingColor[4];
extern const f32 ProfilerEvaluateColor[4];
extern const f32 ProfilerScriptColor[4];
extern const f32 ProfilerPhysicColor[4];
extern const f32 ProfilerRenderColor[4];
extern const f32 ProfilerInterfaceColor[4];
extern const f32 ProfilerProjectColor[4];
extern const f32 ProfilerWindowCountColor[4];

class zProfilerPage {
  public:
    zProfilerPage(zRenderer* renderer, zRenderFont* font, const zProfilerLayout& layout);

    // A renderer and a font with a first page.
    bool CanWrite() const { return m_canWrite; }
    // The shadow, then the text, at (x, y); no advance.
    void Write(f32 x, f32 y, const char* text, const f32* color) const;
    // Write, then Advance.
    void Line(f32& x, f32& y, const char* text, const f32* color, bool keepColumn = false) const;
    // y by the step, wrapping to a new column (x kept when keepColumn).
    void Advance(f32& x, f32& y, bool keepColumn) const;

  private:
    zRenderer* m_renderer;
    zRenderFont* m_font;
    zProfilerLayout m_layout;
    bool m_canWrite;
    f32 m_pixel[2] = {0.0f, 0.0f}; // one output pixel, normalised
};

// One history of integer samples: a ring of fixed capacity read from the
// oldest sample.
class zProfilerRing {
  public:
    // capacity zero samples; false (and no samples) when they cannot be had.
    bool Reset(u32 capacity);
    // Overwrites the oldest sample once the ring is full.
    void Push(i32 sample);
    // The largest sample, at least 0.
    i32 GetMaximum() const;
    // index 0 is the oldest.
    i32 GetAt(u32 index) const;
    u32 GetCount() const { return m_count; }
    u32 GetCapacity() const { return m_capacity; }

  private:
    std::unique_ptr<i32[]> m_samples;
    u32 m_capacity = 0;
    u32 m_count = 0;
    u32 m_position = 0; // the next write
};

// The graph window's data: five timing series (evaluate, script, physic,
// send to render, user interface; a sixth ring is kept but not fed), the
// vertical scale in thousandths of a millisecond and the engine clock of
// the last update.
struct zProfilerGraph {
    static constexpr u32 RingCount = 6;
    static constexpr u32 SeriesCount = 5;
    static constexpr u32 RingCapacity = 128;
    static constexpr f32 InitialScale = 4000.0f;
    static constexpr f32 MinimumScale = 1000.0f;
    static constexpr u32 UpdatePeriod = 2000; // clock units (0.2 s)

    zProfilerRing rings[RingCount];
    f32 scale = InitialScale;
    u32 lastUpdate = 0;

    // 128 zero samples each, the initial scale, last update = clock.
    void Reset(u32 clock);
    // Nothing until UpdatePeriod clock units have passed since the last
    // update; then each time (ms) is pushed as ms x 1000 and the scale
    // follows the largest sample. True when it updated.
    bool Update(u32 clock, const f32 timesMs[SeriesCount]);
};

// The scale after a graph update whose largest sample is largest: grown by
// 1.1111111 above 0.9 x scale, shrunk by 0.9 below 0.8 x scale, never
// below MinimumScale.
f32 NextProfilerScale(f32 scale, i32 largest);

// The graph series' colours (RGB), in ring order.
extern const f32 ProfilerSeriesColors[zProfilerGraph::SeriesCount][3];

// One segment of a ring's polyline in the 320 x 160 graph picture, with its
// alpha; segments are to be clipped to ProfilerGraphClip.
struct zProfilerSegment {
    f32 x0, y0, x1, y1;
    f32 alpha;
};
extern const f32 ProfilerGraphClip[4]; // left, top, right, bottom

// The segments of a ring drawn at scale, oldest first: GetCount() - 1 of
// them, none below 2 samples; out holds that many. Returns the count.
u32 ProfilerGraphSegments(const zProfilerRing& ring, f32 scale, zProfilerSegment* out);
