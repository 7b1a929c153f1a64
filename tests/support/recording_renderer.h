// Test doubles for everything that draws: a render host that records the
// events it is sent, a renderer that records the calls it receives (on top of
// the null renderer's behaviour), and a view item with settable matrices.
//
// RecordingRenderer keeps every DrawLine, DrawTriangle and Write call with its
// arguments (colours both as the pointer given and as copied values), the
// render queue as it stood at each RenderQueue, and a viewport that tests set
// through SetViewport.
// DrawCross and DrawBox are plain functions over DrawLine (render/debug_draw.h):
// CountShape finds their lines in the record by drawing the same shape into a
// scratch recorder, so the expected lines never restate the shape's maths.
// QueueRenderable is not virtual; Queued() reads the queue as it stands.
//
// Link the render library to use it.
#pragma once

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "render/null_renderer.h"
#include "render/render_host.h"
#include "render/renderable.h"
#include "render/resource_event.h"

struct FakeRenderHost : zRenderHost {
    zRenderer* current = nullptr;
    zRenderer* defaultRenderer = nullptr;
    u32 stateWord = 0;
    struct Event {
        u32 code;
        zResourceEventRecord record;
    };
    std::vector<Event> events;
    std::vector<std::string>* journal = nullptr; // shared call order, when set

    zRenderer* GetRenderer() const override { return current; }
    zRenderer* GetDefaultRenderer() const override { return defaultRenderer; }
    void SetRenderer(zRenderer* renderer) override { current = renderer; }
    void SendEvent(u32 code, void* payload) override {
        Event event{code, {}};
        if (payload) event.record = *static_cast<zResourceEventRecord*>(payload);
        events.push_back(event);
        if (journal) journal->push_back("event " + std::to_string(code));
    }
    u32 GetStateWord() const override { return stateWord; }
};

// A colour argument: the pointer as passed and, when not null, its values.
struct RecordedColor {
    const f32* pointer = nullptr;
    f32 rgba[4] = {0.0f, 0.0f, 0.0f, 0.0f};

    RecordedColor() = default;
    explicit RecordedColor(const f32* color) : pointer(color) {
        if (color)
            for (int i = 0; i < 4; ++i)
                rgba[i] = color[i];
    }
};

struct RecordedLine {
    zVector from;
    zVector to;
    const f32* color;
    RecordedColor colorValue;
};

struct RecordedTriangle {
    zVector corners[3];
    const f32* color;
    const f32* uvs;
    zTexture* texture;
    u32 flags;
    RecordedColor colorValue;
};

struct RecordedWrite {
    zRenderFont* font;
    std::string text;
    f32 x, y, size;
    bool flag;
    i32 value;
    RecordedColor color;
};

struct RecordingRenderer : zNull_Renderer {
    RecordingRenderer(zRenderHost* host, bool registerAsCurrent, std::vector<std::string>* journal = nullptr)
        : zNull_Renderer(host, registerAsCurrent), journal(journal) {}

    std::vector<RecordedLine> lines;
    std::vector<RecordedTriangle> triangles;
    std::vector<RecordedWrite> writes;
    // The queue at each RenderQueue call, in call order.
    std::vector<std::vector<zRenderable*>> renderedQueues;
    int setupTextureCalls = 0;
    int freeTextureCalls = 0;
    std::vector<std::string>* journal;
    // Once SetViewport has run, GetViewport returns these; before, the null
    // renderer's (0, 0, output size).
    bool viewportSet = false;
    i32 viewport[4] = {0, 0, 0, 0};

    void Note(const char* call) {
        if (journal) journal->push_back(call);
    }

    void DrawLine(const zVector& from, const zVector& to, const f32* color) override {
        lines.push_back({from, to, color, RecordedColor(color)});
    }
    void DrawTriangle(const zVector corners[3], const f32* color, const f32* uvs, zTexture* texture,
                      u32 flags) override {
        triangles.push_back(
            {{corners[0], corners[1], corners[2]}, color, uvs, texture, flags, RecordedColor(color)});
    }
    void Write(zRenderFont* font, const char* text, f32 x, f32 y, f32 size, bool flag, i32 value,
               const f32* color) override {
        writes.push_back({font, text ? text : "", x, y, size, flag, value, RecordedColor(color)});
    }
    void RenderQueue() override { renderedQueues.push_back(Queued()); }
    bool SetupTexture(zTexture*) override {
        ++setupTextureCalls;
        Note("SetupTexture");
        return true;
    }
    void FreeTexture(zTexture*) override {
        ++freeTextureCalls;
        Note("FreeTexture");
    }
    void BeginDraw() override { Note("BeginDraw"); }
    void EndDraw() override { Note("EndDraw"); }
    void ShowFrame() override { Note("ShowFrame"); }
    void SetViewport(i32 x, i32 y, i32 width, i32 height) override {
        viewportSet = true;
        viewport[0] = x;
        viewport[1] = y;
        viewport[2] = width;
        viewport[3] = height;
    }
    void GetViewport(i32& x, i32& y, i32& width, i32& height) override {
        if (!viewportSet) return zNull_Renderer::GetViewport(x, y, width, height);
        x = viewport[0];
        y = viewport[1];
        width = viewport[2];
        height = viewport[3];
    }

    // The render queue as it stands.
    std::vector<zRenderable*> Queued() const { return GetRenderQueue(); }

    // How many times the lines that draw(renderer) issues appear, in a row,
    // among the recorded lines (same points within tolerance, same colour
    // values).
    int CountShape(const std::function<void(zRenderer*)>& draw, f32 tolerance = 1e-5f) {
        FakeRenderHost scratchHost;
        RecordingRenderer scratch(&scratchHost, false);
        if (!IsClosed()) scratch.Open(640, 480, 32, false);
        draw(&scratch);
        const std::vector<RecordedLine>& shape = scratch.lines;
        if (shape.empty() || shape.size() > lines.size()) return 0;
        int count = 0;
        for (size_t start = 0; start + shape.size() <= lines.size(); ++start) {
            bool same = true;
            for (size_t i = 0; same && i < shape.size(); ++i)
                same = SameLine(lines[start + i], shape[i], tolerance);
            if (same) {
                ++count;
                start += shape.size() - 1;
            }
        }
        return count;
    }

    void ClearRecords() {
        lines.clear();
        triangles.clear();
        writes.clear();
        renderedQueues.clear();
    }

  private:
    static bool Near(const zVector& a, const zVector& b, f32 tolerance) {
        return std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance &&
               std::abs(a.z - b.z) <= tolerance;
    }
    static bool SameLine(const RecordedLine& a, const RecordedLine& b, f32 tolerance) {
        if (!Near(a.from, b.from, tolerance) || !Near(a.to, b.to, tolerance)) return false;
        if ((a.color == nullptr) != (b.color == nullptr)) return false;
        for (int i = 0; i < 4; ++i)
            if (a.colorValue.rgba[i] != b.colorValue.rgba[i]) return false;
        return true;
    }
};

// A camera stand-in for SetViewItem: the matrices and the camera block are
// plain fields; UpdateFrustum calls are counted.
struct RecordingViewItem : zRenderViewItem {
    zMatrix4 view;
    zMatrix4 projection;
    zMatrix4 transform;
    zCameraBlock cameraBlock;
    int frustumUpdates = 0;

    zMatrix4 GetViewMatrix() override { return view; }
    zMatrix4 GetProjectionMatrix() override { return projection; }
    void UpdateFrustum(zFrustum*, f32, f32) override { ++frustumUpdates; }
    const zCameraBlock& GetCameraBlock() const override { return cameraBlock; }
    const zMatrix4* GetTransformBlock() const override { return &transform; }
};
