// Test fixtures for the render library: a host that records the events it is
// sent, and a renderer that records the calls it receives (on top of the null
// renderer's behaviour).
#pragma once

#include <string>
#include <vector>

#include "render/null_renderer.h"
#include "render/render_host.h"
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

struct RecordedLine {
    zVector from;
    zVector to;
    const f32* color;
};

struct RecordedTriangle {
    zVector corners[3];
    const f32* color;
    const f32* uvs;
    zTexture* texture;
    u32 flags;
};

struct RecordingRenderer : zNull_Renderer {
    RecordingRenderer(zRenderHost* host, bool registerAsCurrent, std::vector<std::string>* journal = nullptr)
        : zNull_Renderer(host, registerAsCurrent), journal(journal) {}

    std::vector<RecordedLine> lines;
    std::vector<RecordedTriangle> triangles;
    int setupTextureCalls = 0;
    int freeTextureCalls = 0;
    std::vector<std::string>* journal;

    void Note(const char* call) {
        if (journal) journal->push_back(call);
    }

    void DrawLine(const zVector& from, const zVector& to, const f32* color) override {
        lines.push_back({from, to, color});
    }
    void DrawTriangle(const zVector corners[3], const f32* color, const f32* uvs, zTexture* texture,
                      u32 flags) override {
        triangles.push_back({{corners[0], corners[1], corners[2]}, color, uvs, texture, flags});
    }
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
};
