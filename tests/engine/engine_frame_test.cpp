#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/sound.h"
#include "core/bounds.h"
#include "core/random.h"
#include "engine_fixtures.h"
#include "markup/meta_tag.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/texture.h"
#include "tests/render/render_fixtures.h"
#include "tests/support/fake_clock.h"
#include "tests/support/log_capture.h"

namespace {

std::vector<std::string>* g_journal = nullptr;
void EndOfFrame() {
    g_journal->push_back("EndHook");
}

struct FrameFixture {
    std::vector<std::string> journal;
    FakeClock clock{1000};
    zEngine engine;
    RecordingRenderer renderer{&engine, true, &journal};
    RecordingMixer mixer{&engine, true, &journal};
    FrameFixture() {
        g_journal = &journal;
        engine.endOfFrameHook = &EndOfFrame;
    }
    ~FrameFixture() { g_journal = nullptr; }
};

struct NoRenderable : zRenderable {
    void AppendPrimitives(zRenderViewItem*, zList<zRenderablePrimitive*>&, u32) override {}
};

} // namespace

TEST(EngineFrame, OutermostEndDrawRunsTheFrameEndInOrder) {
    FrameFixture f;
    f.engine.BeginDraw(false, true);
    f.engine.BeginDraw(false, true);
    EXPECT_EQ(f.engine.GetDrawNesting(), 2u);
    EXPECT_EQ(f.journal, (std::vector<std::string>{"BeginDraw"}));

    NoRenderable renderable;
    f.renderer.QueueRenderable(&renderable);
    f.engine.EndDraw(false, false, true); // inner: only the queue is reset
    EXPECT_EQ(f.journal, (std::vector<std::string>{"BeginDraw"}));
    EXPECT_EQ(f.renderer.GetRenderQueue().size(), 0u);

    f.renderer.QueueRenderable(&renderable);
    f.clock.Advance(40);
    f.engine.StepClock();
    f.clock.Advance(40);
    f.engine.EndDraw(false, true, true);
    EXPECT_EQ(f.journal,
              (std::vector<std::string>{"BeginDraw", "EndDraw", "MixerUpdate", "ShowFrame", "EndHook"}));
    EXPECT_EQ(f.engine.GetFrameTime(), 40);                // the clock stepped
    EXPECT_EQ(f.renderer.GetRenderQueue().size(), 1u); // kept
    EXPECT_EQ(f.engine.GetDrawNesting(), 0u);
}

TEST(EngineFrame, ForcedEndDrawAtNestingTwoPresentsAndKeepsOneOpen) {
    FrameFixture f;
    f.engine.StepClock();
    f.engine.BeginDraw(false, false);
    f.engine.BeginDraw(false, false);
    f.clock.Advance(25);
    f.engine.EndDraw(true, false, true);
    EXPECT_EQ(f.engine.GetDrawNesting(), 1u);
    EXPECT_EQ(f.journal,
              (std::vector<std::string>{"BeginDraw", "EndDraw", "MixerUpdate", "ShowFrame", "EndHook"}));
    EXPECT_EQ(f.engine.GetFrameTime(), 25);
    f.engine.EndDraw(false, false, false);
    EXPECT_EQ(f.engine.GetDrawNesting(), 0u);
    EXPECT_EQ(f.engine.GetFrameTime(), 25); // no step asked
}

TEST(EngineFrame, EndDrawWithoutBeginStaysAtZero) {
    FrameFixture f;
    f.engine.EndDraw(false, false, false);
    EXPECT_EQ(f.engine.GetDrawNesting(), 0u);
    EXPECT_EQ(f.journal.size(), 4u);
}

TEST(EngineFrame, DestroyingWithOpenBeginDrawWarns) {
    LogCapture log;
    {
        zEngine engine;
        engine.BeginDraw(false, false);
    }
    EXPECT_EQ(log.Text(), "[*] Not all BeginDraw() were closed by calling EndDraw().\n");
    log.Reset();
    {
        zEngine engine;
        engine.BeginDraw(false, false);
        engine.ResetDrawNesting();
    }
    EXPECT_EQ(log.Text(), "");
}

TEST(EngineRegistration, RendererAndNullRenderer) {
    zEngine engine;
    zRenderer* nullRenderer = engine.GetRenderer();
    ASSERT_NE(nullRenderer, nullptr);
    EXPECT_EQ(nullRenderer, engine.GetDefaultRenderer());
    EXPECT_STREQ(nullRenderer->GetName(), "Null Renderer.");
    {
        zNull_Renderer real(&engine, true);
        EXPECT_EQ(engine.GetRenderer(), &real);
    }
    EXPECT_EQ(engine.GetRenderer(), nullRenderer);
}

struct MixerStep {
    const char* what;
    int action;   // 0 unregister null, 1 unregister real, 2 set real, 3 set null, 4 unregister other
    int expected; // 0 none, 1 null mixer, 2 real, 3 other
};

TEST(EngineRegistration, MixerTable) {
    const MixerStep steps[] = {
        {"unregister null while real is current", 0, 0},
        {"set null restores the null mixer", 3, 1},
        {"set real", 2, 2},
        {"unregister another mixer changes nothing", 4, 2},
        {"unregister the current one", 1, 1},
        {"unregister the current one again", 1, 1},
        {"unregister null while null is current", 0, 0},
    };
    zEngine engine;
    zMixer* nullMixer = engine.GetMixer();
    ASSERT_NE(nullMixer, nullptr);
    EXPECT_EQ(nullMixer, engine.GetDefaultMixer());
    RecordingMixer real(&engine, true);
    EXPECT_EQ(engine.GetMixer(), &real);
    RecordingMixer other(&engine, false);
    for (const auto& step : steps) {
        switch (step.action) {
        case 0:
            engine.UnregisterMixer(nullMixer);
            break;
        case 1:
            engine.UnregisterMixer(&real);
            break;
        case 2:
            engine.SetMixer(&real);
            break;
        case 3:
            engine.SetMixer(nullptr);
            break;
        case 4:
            engine.UnregisterMixer(&other);
            break;
        }
        zMixer* expected[] = {nullptr, nullMixer, &real, &other};
        EXPECT_EQ(engine.GetMixer(), expected[step.expected]) << step.what;
    }
    engine.SetMixer(&real);
}

TEST(EngineEvents, ListenersHearEventsInOrderOnce) {
    zEngine engine;
    std::vector<std::string> journal;
    RecordingListener first, second;
    first.journal = &journal;
    second.journal = &journal;
    engine.AddCoreListener(&first);
    engine.AddCoreListener(&second);
    engine.AddCoreListener(&first); // listed once
    zResourceEventRecord payload;
    engine.SendEvent(7, &payload);
    EXPECT_EQ(journal.size(), 2u);
    engine.RemoveCoreListener(&first);
    engine.SendEvent(8, nullptr);
    EXPECT_EQ(first.events.size(), 1u);
    ASSERT_EQ(second.events.size(), 2u);
    EXPECT_EQ(second.events[1].code, 8u);
}

TEST(Engine, VersionSeedAndDefaults) {
    EXPECT_STREQ(GetEngineVersion(), "1.1.7");
    SeedRand(77);
    const u32 expected = RandInt(1000000);
    RandInt(5);
    zEngine engine;
    EXPECT_EQ(RandInt(1000000), expected);
    EXPECT_EQ(engine.GetToolMode(), 0u);
    EXPECT_TRUE(engine.GetSetupResources());
    EXPECT_EQ(engine.GetFixedStep(), -1);
    EXPECT_EQ(engine.GetTargetRate(), -1);
    EXPECT_EQ(engine.GetScale(), 1000);
    EXPECT_EQ(engine.GetDebugChannel(), -1);
    EXPECT_EQ(engine.GetStateWord(), 0u);
    EXPECT_EQ(engine.GetResourceCache(), engine.GetDefaultResourceCache());
    EXPECT_EQ(engine.GetLoadContextIndex(), 0);
}

TEST(Engine, SetProcessPriorityIgnoresUnknownLevels) {
    EXPECT_TRUE(SetProcessPriority(3));
    EXPECT_TRUE(SetProcessPriority(-1));
}

TEST(Engine, MemoryLayoutDump) {
    LogCapture log;
    PrintMemoryLayout(false);
    const std::string machine = log.Text();
    EXPECT_EQ(machine.rfind("Machine memory layout:\n\n    sizeof(bool) = 1\n    sizeof(char) = 1\n", 0), 0u);
    EXPECT_NE(machine.find("    sizeof(zSharedPtr<int>) = 8\n"), std::string::npos);
    EXPECT_EQ(machine.find("Core memory layout"), std::string::npos);
    EXPECT_NE(machine.find("\nCompiled with 6 logical texture stage(s), 3 UV set(s).\n\n"),
              std::string::npos);
    log.Reset();
    PrintMemoryLayout(true);
    EXPECT_NE(log.Text().find("Core memory layout:\n\n    sizeof(zVector) = 16\n"), std::string::npos);
    EXPECT_NE(log.Text().find("    sizeof(zMetaTag) = "), std::string::npos);
}

// The whole dump with the core part: every group in its order, each closed
// by an empty line. Classes that are not built yet have no line.
TEST(Engine, MemoryLayoutDumpListsTheBuiltTypesInOrder) {
    struct Row {
        const char* name;
        size_t size;
    };
    const std::vector<std::vector<Row>> groups = {
        {{"bool", sizeof(bool)}, {"char", 1}, {"short", 2}, {"int", 4}, {"float", 4}},
        {{"zSharedObject", sizeof(zSharedObject)},
         {"zSharedPtr<int>", 8},
         {"zWeakPtr<int>", sizeof(zWeakPtr<int>)},
         {"zRenderablePrimitive", sizeof(zRenderablePrimitive)}},
        {{"zVector", 16}, {"zMatrix3", 36}, {"zMatrix4", 64}, {"zMinMax", sizeof(zMinMax)}},
        {{"zEngine", sizeof(zEngine)},
         {"zTexture", sizeof(zTexture)},
         {"zSound", sizeof(zSound)},
         {"zGeometry", sizeof(zGeometry)},
         {"zMaterial", sizeof(zMaterial)},
         {"zPolygon", sizeof(zPolygon)}},
        {{"zMetaTag", sizeof(zMetaTag)}},
    };
    std::string expected = "Machine memory layout:\n\n";
    for (size_t g = 0; g < groups.size(); ++g) {
        if (g == 2) expected += "Core memory layout:\n\n";
        for (const Row& row : groups[g])
            expected += "    sizeof(" + std::string(row.name) + ") = " + std::to_string(row.size) + "\n";
        expected += "\n";
    }
    expected += "Compiled with 6 logical texture stage(s), 3 UV set(s).\n\n";

    LogCapture log;
    PrintMemoryLayout(true);
    EXPECT_EQ(log.Text(), expected);
}

// The sizes of the types above the engine take their places among the
// engine's own; a size of 0 (a type not built) gives no row.
TEST(Engine, MemoryLayoutDumpPlacesTheUpperTypes) {
    zCoreTypeSizes upper;
    upper.item = 101;
    upper.aceUnit = 102;
    upper.object = 103;
    upper.light = 105;
    upper.emitter = 106;
    upper.camera = 107;
    upper.curve = 108;
    const std::pair<const char*, size_t> expected[] = {
        {"zEngine", sizeof(zEngine)},
        {"zItem", 101},
        {"zACEUnit", 102},
        {"zObj", 103},
        {"zTexture", sizeof(zTexture)},
        {"zSound", sizeof(zSound)},
        {"zGeometry", sizeof(zGeometry)},
        {"zLight", 105},
        {"zEmitter", 106},
        {"zMaterial", sizeof(zMaterial)},
        {"zCam", 107},
        {"zPolygon", sizeof(zPolygon)},
        {"zCurve", 108},
    };
    std::string rows;
    for (const auto& row : expected)
        rows += "    sizeof(" + std::string(row.first) + ") = " + std::to_string(row.second) + "\n";
    rows += "\n    sizeof(zMetaTag) = ";
    LogCapture log;
    PrintMemoryLayout(true, &upper);
    EXPECT_NE(log.Text().find(rows), std::string::npos) << log.Text();
    EXPECT_EQ(log.Text().find("zHierarchy"), std::string::npos);
}

TEST(EngineFrame, BeginDrawRestartsTheTimersOnlyWhenAsked) {
    FrameFixture f;
    f.engine.BeginDraw(false, false);
    EXPECT_EQ(f.engine.GetFrameTimer().callCount, 0u);
    EXPECT_EQ(f.engine.GetUpdateTimer().callCount, 0u);
    EXPECT_EQ(f.renderer.GetPerfCounter().callCount, 0u);

    f.engine.BeginDraw(false, true);
    f.clock.Advance(30);
    f.engine.BeginDraw(false, true);
    // The frame timer measured the 30 ticks between the two restarts.
    EXPECT_FLOAT_EQ(f.engine.GetFrameTimer().lastDurationMs, 3.0f);
    EXPECT_EQ(f.engine.GetFrameTimer().startTick, 1030u);
    EXPECT_EQ(f.engine.GetFrameTimer().callCount, 2u);
    EXPECT_EQ(f.engine.GetUpdateTimer().callCount, 2u);
    EXPECT_EQ(f.renderer.GetPerfCounter().callCount, 2u);
    f.engine.ResetDrawNesting();
}

namespace {

struct DtStream : zTextureStream {
    std::vector<i32>* received;
    explicit DtStream(std::vector<i32>* received) : received(received) {}
    void Update(i32 dt) override { received->push_back(dt); }
};

std::vector<i32> g_firstListDts;
std::vector<i32> g_secondListDts;
zTextureStream* OpenDtStream(zTexture*, const char* path) {
    return new DtStream(std::string(path) == "first.mpg" ? &g_firstListDts : &g_secondListDts);
}

} // namespace

TEST(EngineFrame, BeginDrawAdvancesFirstListStreamsByTheFrameTime) {
    LogCapture log; // the streamed files are not on disk
    FrameFixture f;
    g_firstListDts.clear();
    g_secondListDts.clear();
    SetTextureStreamOpener(&OpenDtStream);
    ASSERT_NE(f.engine.LoadTexture("first.mpg", false, false), nullptr);
    ASSERT_NE(f.engine.LoadTexture("second.mpg", true, false), nullptr);
    SetTextureStreamOpener(nullptr);

    f.engine.StepClock();
    f.clock.Advance(40);
    f.engine.StepClock();
    f.engine.BeginDraw(false, false);
    EXPECT_TRUE(g_firstListDts.empty());
    f.engine.BeginDraw(true, false);
    EXPECT_EQ(g_firstListDts, std::vector<i32>{40});
    EXPECT_TRUE(g_secondListDts.empty());
    f.engine.ResetDrawNesting();
    f.engine.FreeResourceCaches();
    ClearMissingResourceFlag();
}

TEST(EngineRegistration, DestroyingTheCurrentMixerBringsBackTheNullMixer) {
    zEngine engine;
    zMixer* nullMixer = engine.GetMixer();
    {
        RecordingMixer real(&engine, true);
        EXPECT_EQ(engine.GetMixer(), &real);
        RecordingMixer quiet(&engine, false);
        EXPECT_EQ(engine.GetMixer(), &real);
    }
    EXPECT_EQ(engine.GetMixer(), nullMixer);
}
