// The scene's cost per item. Static: scenes of 1,000, 10,000 and 100,000
// objects without geometry or physics, one phase timed at a time (adding
// them, one full update, one frame through the null renderer, deleting the
// content), with items/s giving the per-object rate; UpdateAndFrame is one
// update and one frame, so its 0-object run is the empty scene's cost.
// Falling: 100 and 1,000 dynamic boxes on a static floor, one update (with
// the physics step) per iteration at 60 frames a second.
//
// Run pinned (taskset) with --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>

#include "core/log.h"
#include "engine/engine.h"
#include "physics/physic_item.h"
#include "render/renderer.h"
#include "scene/managed_object.h"
#include "scene/scene.h"

namespace {

constexpr i32 FrameUnits = 166; // 1/60 s in clock units

struct Bench {
    Bench() {
        engine.SetFixedStep(FrameUnits);
        engine.StepClock();
        engine.StepClock();
    }
    void AddObjects(i64 count) {
        for (i64 i = 0; i < count; ++i)
            scene->AddObject("o", nullptr);
    }
    void Frame() {
        scene->RenderSetup(RenderClear);
        scene->RenderToQueue(RenderClear);
        zRenderer* renderer = engine.GetRenderer();
        renderer->RenderQueue();
        renderer->ResetRenderQueue();
        scene->RenderDone(RenderClear);
        scene->RenderUI(0);
    }

    zEngine engine;
    zSharedPtr<zScene> scene{new zScene(&engine, nullptr)};
};

void StaticLoad(benchmark::State& state) {
    Bench bench;
    for (auto _ : state) {
        bench.AddObjects(state.range(0));
        state.PauseTiming();
        bench.scene->DeleteContent(false);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void StaticUpdate(benchmark::State& state) {
    Bench bench;
    bench.AddObjects(state.range(0));
    for (auto _ : state)
        bench.scene->Update(UpdateAll);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void StaticFrame(benchmark::State& state) {
    Bench bench;
    bench.AddObjects(state.range(0));
    bench.scene->Update(UpdateAll);
    for (auto _ : state)
        bench.Frame();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void StaticDeleteAll(benchmark::State& state) {
    Bench bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.AddObjects(state.range(0));
        state.ResumeTiming();
        bench.scene->DeleteContent(false);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void UpdateAndFrame(benchmark::State& state) {
    Bench bench;
    bench.AddObjects(state.range(0));
    for (auto _ : state) {
        bench.scene->Update(UpdateAll);
        bench.Frame();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void FallingBoxes(benchmark::State& state) {
    Bench bench;
    zScene& scene = *bench.scene;
    if (!scene.CreatePhysicWorld()) {
        state.SkipWithError("no physics world");
        return;
    }
    auto body = [&](u32 mode, const zVector& size, const zVector& position) {
        zMObject* object = scene.AddObject("box", nullptr);
        object->zItem::SetPosition(position);
        zPhysicItem* physics = object->GetPhysicItem();
        zPhysicShape* shape = physics->AddCollisionShape();
        shape->SetPrimitive(PhysicShapeBox, size);
        shape->mass = mode == PhysicModeDynamic ? 1.0f : 0.0f;
        physics->SetMode(mode);
        object->Setup();
    };
    body(PhysicModeStatic, zVector(200, 1, 200, 1), zVector(0, 0, 0, 1));
    const i64 count = state.range(0);
    // Columns of ten boxes, a little apart, so they fall, land and stack.
    for (i64 i = 0; i < count; ++i) {
        const f32 x = static_cast<f32>((i / 10) % 10) * 1.5f - 7.5f;
        const f32 z = static_cast<f32>(i / 100) * 1.5f - 7.5f;
        const f32 y = 2.0f + static_cast<f32>(i % 10) * 1.2f;
        body(PhysicModeDynamic, zVector(1, 1, 1, 1), zVector(x, y, z, 1));
    }
    for (auto _ : state)
        scene.Update(UpdateAll);
    state.SetItemsProcessed(state.iterations() * count);
}

// The log stays quiet: the scene's set-up lines are not measured.
struct QuietLog : zLog {
    QuietLog() { SetLog(this); }
    void OutputLine(const char* /*text*/) override {}
} quietLog;

} // namespace

BENCHMARK(StaticLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(StaticUpdate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(StaticFrame)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(StaticDeleteAll)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(UpdateAndFrame)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(FallingBoxes)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
