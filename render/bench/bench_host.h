// The engine side of the render benchmarks: no renderer, so resources are
// made and never uploaded, and no listeners.
#pragma once

#include "render/render_host.h"

struct BenchHost : zRenderHost {
    zRenderer* GetRenderer() const override { return nullptr; }
    zRenderer* GetDefaultRenderer() const override { return nullptr; }
    void SetRenderer(zRenderer*) override {}
    void SendEvent(u32, void*) override {}
    u32 GetStateWord() const override { return 0; }
};
