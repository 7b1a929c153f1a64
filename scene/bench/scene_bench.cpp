// The scene's cost per item. Static: scenes of 1,000, 10,000 and 100,000
// objects without geometry or physics, one phase timed at a time (adding
// them, one full update, one frame through the null renderer, deleting the
// content), with items/s giving the per-object rate; UpdateAndFrame is one
// update and one frame, so its 0-object run is the empty scene's cost.
// MemoryLoad and MemoryDelete are the memory floor under StaticLoad and
// StaticDeleteAll: an object's size per item written whole, or read once
// per cache line, in one block and in order, with nothing else done.
// Falling: 100 and 1,000 dynamic boxes on a static floor, one update (with
// the physics step) per iteration at 60 frames a second. FallingRun: the
// same boxes from the drop to rest (600 frames of 1/60 s) per iteration,
// beside RawBulletRun, a plain Bullet program building the same world (the
// scene's solver mode, gravity, steps, friction and restitution, a shared box
// shape per body) with the same frame loop; their ratio is the scene's physics
// overhead. RawBulletCompoundRun wraps each box in a compound of one child, as
// the scene builds its bodies: the share of the overhead that is Bullet's own.
//
// Run pinned (taskset) with --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>

#include <btBulletDynamicsCommon.h>

#include <cstring>
#include <memory>
#include <vector>

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

// One object's worth of memory per item, laid out in one block made
// beforehand, so no allocator takes part.
struct ObjectArena {
    static constexpr size_t ObjectSize = sizeof(zMObject);
    explicit ObjectArena(i64 count) : bytes(static_cast<size_t>(count) * ObjectSize) {}
    std::vector<unsigned char> bytes;
};

void MemoryLoad(benchmark::State& state) {
    ObjectArena arena(state.range(0));
    unsigned char fill = 0;
    for (auto _ : state) {
        ++fill;
        for (size_t at = 0; at < arena.bytes.size(); at += ObjectArena::ObjectSize)
            std::memset(&arena.bytes[at], fill, ObjectArena::ObjectSize);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void MemoryDelete(benchmark::State& state) {
    ObjectArena arena(state.range(0));
    std::memset(arena.bytes.data(), 1, arena.bytes.size());
    for (auto _ : state) {
        unsigned sum = 0;
        for (size_t at = 0; at < arena.bytes.size(); at += 64)
            sum += arena.bytes[at];
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Where box i of a run starts: columns of ten, a little apart, so they
// fall, land and stack.
zVector BoxStart(i64 i) {
    const f32 x = static_cast<f32>((i / 10) % 10) * 1.5f - 7.5f;
    const f32 z = static_cast<f32>(i / 100) * 1.5f - 7.5f;
    const f32 y = 2.0f + static_cast<f32>(i % 10) * 1.2f;
    return zVector(x, y, z, 1.0f);
}

void AddBox(zScene& scene, u32 mode, const zVector& size, const zVector& position) {
    zMObject* object = scene.AddObject("box", nullptr);
    object->zItem::SetPosition(position);
    zPhysicShape* shape = object->GetPhysicItem()->AddCollisionShape();
    shape->SetPrimitive(PhysicShapeBox, size);
    shape->mass = mode == PhysicModeDynamic ? 1.0f : 0.0f;
    object->GetPhysicItem()->SetMode(mode);
    object->Setup();
}

// A static floor and count dynamic unit boxes above it.
void AddFallingBoxes(zScene& scene, i64 count) {
    AddBox(scene, PhysicModeStatic, zVector(200, 1, 200, 1), zVector(0, 0, 0, 1));
    for (i64 i = 0; i < count; ++i)
        AddBox(scene, PhysicModeDynamic, zVector(1, 1, 1, 1), BoxStart(i));
}

void FallingBoxes(benchmark::State& state) {
    Bench bench;
    zScene& scene = *bench.scene;
    if (!scene.CreatePhysicWorld()) {
        state.SkipWithError("no physics world");
        return;
    }
    const i64 count = state.range(0);
    AddFallingBoxes(scene, count);
    for (auto _ : state)
        scene.Update(UpdateAll);
    state.SetItemsProcessed(state.iterations() * count);
}

constexpr int RunFrames = 600;

void FallingRun(benchmark::State& state) {
    const i64 count = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<Bench>();
        zScene& scene = *bench->scene;
        if (!scene.CreatePhysicWorld()) {
            state.SkipWithError("no physics world");
            return;
        }
        AddFallingBoxes(scene, count);
        state.ResumeTiming();
        for (int frame = 0; frame < RunFrames; ++frame)
            scene.Update(UpdateAll);
        state.PauseTiming();
        bench.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count * RunFrames);
}

// The same world in Bullet alone: what a program using Bullet directly pays.
struct RawWorld {
    RawWorld(i64 count, bool compounds) {
        world.setGravity(btVector3(0.0f, -9.8f, 0.0f));
        world.getSolverInfo().m_solverMode = SOLVER_SIMD | SOLVER_USE_WARMSTARTING;
        world.setLatencyMotionStateInterpolation(false);
        floorCompound.addChildShape(btTransform::getIdentity(), &floorShape);
        boxCompound.addChildShape(btTransform::getIdentity(), &boxShape);
        btCollisionShape& floor = compounds ? static_cast<btCollisionShape&>(floorCompound) : floorShape;
        btCollisionShape& box = compounds ? static_cast<btCollisionShape&>(boxCompound) : boxShape;
        Add(floor, 0.0f, btVector3(0, 0, 0));
        for (i64 i = 0; i < count; ++i) {
            const zVector at = BoxStart(i);
            Add(box, 1.0f, btVector3(at.x, at.y, at.z));
        }
    }
    ~RawWorld() {
        for (auto& body : bodies)
            world.removeRigidBody(body.get());
    }
    void Add(btCollisionShape& shape, btScalar mass, const btVector3& at) {
        btVector3 inertia(0, 0, 0);
        if (mass > 0.0f) shape.calculateLocalInertia(mass, inertia);
        states.push_back(std::make_unique<btDefaultMotionState>(btTransform(btQuaternion::getIdentity(), at)));
        bodies.push_back(std::make_unique<btRigidBody>(
            btRigidBody::btRigidBodyConstructionInfo(mass, states.back().get(), &shape, inertia)));
        // The scene's shape defaults.
        bodies.back()->setFriction(0.5f);
        bodies.back()->setRestitution(0.5f);
        world.addRigidBody(bodies.back().get());
    }

    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher{&configuration};
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
    btBoxShape floorShape{btVector3(100.0f, 0.5f, 100.0f)};
    btBoxShape boxShape{btVector3(0.5f, 0.5f, 0.5f)};
    btCompoundShape floorCompound;
    btCompoundShape boxCompound;
    std::vector<std::unique_ptr<btDefaultMotionState>> states;
    std::vector<std::unique_ptr<btRigidBody>> bodies;
};

void RawRun(benchmark::State& state, bool compounds) {
    const i64 count = state.range(0);
    const btScalar step = static_cast<btScalar>(FrameUnits) / 10000.0f;
    for (auto _ : state) {
        state.PauseTiming();
        auto raw = std::make_unique<RawWorld>(count, compounds);
        state.ResumeTiming();
        for (int frame = 0; frame < RunFrames; ++frame)
            raw->world.stepSimulation(step, 4, 1.0f / 60.0f);
        state.PauseTiming();
        raw.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count * RunFrames);
}

void RawBulletRun(benchmark::State& state) { RawRun(state, false); }
void RawBulletCompoundRun(benchmark::State& state) { RawRun(state, true); }

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
BENCHMARK(MemoryLoad)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(MemoryDelete)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(FallingBoxes)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(FallingRun)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(RawBulletRun)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(RawBulletCompoundRun)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
