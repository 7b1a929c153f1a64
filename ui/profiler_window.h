// zProfilerWindow: the graph window of a scene's profiler, in a 2D scene. It
// shows the scene's profiler graph (engine/profiler.h): a 320 x 160 window
// "Profiler" near the top right of the output, over the picture
// "profiler_bg.tga" at opacity 0.75, holding a canvas, and inside it the
// window "ProfilerScale" whose text gives the graph's scale. The frame never
// makes one; scripts and tools may.
//
// The windows belong to the 2D scene (it deletes them); this object only
// points at them and must not outlive the scene's content.
#pragma once

#include "core/types.h"

class zCanvasWidget;
class zScene2D;
class zTextWidget;
class zWindow;
struct zProfilerGraph;

class zProfilerWindow {
  public:
    static constexpr f32 Width = 320.0f;
    static constexpr f32 Height = 160.0f;

    explicit zProfilerWindow(zScene2D& ui) : m_ui(ui) {}

    // The two windows, the canvas and the scale text "- ms" (size 10). False,
    // logged, when a part cannot be made; an earlier window stays where it is.
    bool Create(f32 outputWidth);
    // Shown windows come to the front of the stack.
    void Show(bool shown);
    // The scale text becomes "y=<scale / 1000>ms", the canvas is cleared and
    // each series' ring is drawn into it as a polyline in the series' colour,
    // clipped to the plot area. False without a canvas picture.
    bool Draw(const zProfilerGraph& graph);

    zWindow* GetWindow() const { return m_window; }
    zWindow* GetScaleWindow() const { return m_scaleWindow; }
    zCanvasWidget* GetCanvas() const { return m_canvas; }
    zTextWidget* GetScaleText() const { return m_scaleText; }

  private:
    zScene2D& m_ui;
    zWindow* m_window = nullptr;
    zWindow* m_scaleWindow = nullptr;
    zCanvasWidget* m_canvas = nullptr;
    zTextWidget* m_scaleText = nullptr;
};
