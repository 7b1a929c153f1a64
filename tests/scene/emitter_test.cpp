#include "scene/emitter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/random.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "render/particle_model.h"
#include "scene/camera.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// An emitter at the origin with a fresh model, seen by a camera at z = -5
// looking down +Z.
class EmitterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        emitter.SetParticleModel(model);
        camera.SetAspect(1.0f);
        camera.SetPosition(zVector(0.0f, 0.0f, -5.0f));
        camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    }
    void TearDown() override { ClearEntries(); }
    void ClearEntries() {
        while (auto* node = entries.GetHead())
            delete entries.Take(node);
    }
    // The render-collect, as the renderer runs it each frame.
    void Draw() {
        ClearEntries();
        emitter.AppendPrimitives(&camera, entries, RenderPassNormal);
    }
    void DrawAndUpdate(f32 dt) {
        Draw();
        emitter.Update(dt);
    }
    std::vector<const zParticle*> Live() const {
        std::vector<const zParticle*> live;
        for (u32 index = 0; index < emitter.GetPoolCount(); ++index)
            if (emitter.GetPool()[index].age >= 0.0f) live.push_back(&emitter.GetPool()[index]);
        return live;
    }
    static f32 Speed(const zParticle& particle) {
        const zVector& v = particle.velocity;
        return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    }

    zEngine engine;
    zParticleModel* model = new zParticleModel(&engine, &engine);
    zSharedPtr<zParticleModel> heldModel{model};
    zEmitter emitter{&engine};
    zCamera camera;
    zList<zRenderablePrimitive*> entries;
};

TEST_F(EmitterTest, ConstructorDefaults) {
    EXPECT_EQ(emitter.type, EmitterTypeSpray);
    EXPECT_EQ(emitter.poolSize, 500u);
    EXPECT_EQ(emitter.birthRate, 100.0f);
    EXPECT_EQ(emitter.speedMin, 1.0f);
    EXPECT_EQ(emitter.speedMax, 1.5f);
    EXPECT_EQ(emitter.sprayAngle, 0.7853982f);
    EXPECT_TRUE(emitter.IsDrawn());
    EXPECT_EQ(emitter.GetPool(), nullptr);
}

TEST_F(EmitterTest, AllocatePoolMakesFreeRecords) {
    emitter.poolSize = 3;
    ASSERT_TRUE(emitter.AllocatePool());
    ASSERT_EQ(emitter.GetPoolCount(), 3u);
    for (u32 index = 0; index < 3; ++index) {
        const zParticle& particle = emitter.GetPool()[index];
        EXPECT_EQ(particle.age, -1.0f);
        EXPECT_EQ(particle.opacityScale, 1.0f);
        EXPECT_EQ(particle.sizeScale, 0.0f);
        EXPECT_EQ(particle.position.w, 0.0f);
    }
    EXPECT_TRUE(emitter.IsDrawn());
    EXPECT_EQ(emitter.GetTime(), 0.0f);
}

TEST_F(EmitterTest, AllocatePoolNeedsAModel) {
    emitter.SetParticleModel(nullptr);
    LogCapture log;
    EXPECT_FALSE(emitter.AllocatePool());
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(emitter.GetPool(), nullptr);
}

// Sizes from files: 0, negative or absurd ones are refused before any
// allocation is asked for (poolSize x 68 no longer wraps in 32 bits).
TEST_F(EmitterTest, PoolSizesOutOfRangeAreRefused) {
    const struct {
        u32 size;
        const char* shown;
    } cases[] = {{0, "0"},
                 {static_cast<u32>(-1), "-1"},
                 {zEmitter::MaxPoolSize + 1, "1000001"},
                 {0x4000000u, "67108864"}, // x 68 wraps to a small block in 32 bits
                 {0x80000000u, "-2147483648"}};
    for (const auto& entry : cases) {
        emitter.poolSize = entry.size;
        LogCapture log;
        EXPECT_FALSE(emitter.AllocatePool()) << entry.shown;
        EXPECT_EQ(log.Text(),
                  std::string("[!] Failed to allocate emitter particle pool (size ") + entry.shown + ").\n");
        EXPECT_EQ(emitter.GetPool(), nullptr);
        EXPECT_EQ(emitter.GetPoolCount(), 0u);
    }
}

// A second set-up used to leak the first pool; it now replaces it and keeps
// the model.
TEST_F(EmitterTest, SecondAllocatePoolReplacesThePoolAndKeepsTheModel) {
    emitter.poolSize = 4;
    emitter.birthRate = 40.0f;
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.1f);
    ASSERT_EQ(Live().size(), 3u);
    emitter.poolSize = 2;
    ASSERT_TRUE(emitter.AllocatePool());
    EXPECT_EQ(emitter.GetParticleModel(), model);
    EXPECT_EQ(emitter.GetPoolCount(), 2u);
    EXPECT_TRUE(Live().empty());
    EXPECT_EQ(emitter.GetBirthAccumulator(), 0.0f);
}

TEST_F(EmitterTest, FreePoolReleasesTheModel) {
    ASSERT_TRUE(emitter.AllocatePool());
    EXPECT_EQ(model->GetRefCount(), 2u);
    emitter.FreePool();
    EXPECT_EQ(emitter.GetPool(), nullptr);
    EXPECT_EQ(emitter.GetParticleModel(), nullptr);
    EXPECT_EQ(model->GetRefCount(), 1u);
    EXPECT_EQ(emitter.GetLiveCount(), 0u);
}

// Rate 10, dt 0.1: the first step accumulates exactly 1 and spawns nothing;
// the second spawns one, born at 2 / 10 and aged by 0.1.
TEST_F(EmitterTest, BirthsWaitUntilTheAccumulatorExceedsOne) {
    emitter.birthRate = 10.0f;
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.1f);
    EXPECT_TRUE(Live().empty());
    EXPECT_EQ(emitter.GetBirthAccumulator(), 1.0f);
    DrawAndUpdate(0.1f);
    ASSERT_EQ(Live().size(), 1u);
    EXPECT_NEAR(Live()[0]->age, 0.3f, 1e-6f);
    EXPECT_NEAR(emitter.GetBirthAccumulator(), 1.0f, 1e-6f);
}

TEST_F(EmitterTest, AnEmitterNotDrawnAgainIsFrozen) {
    emitter.birthRate = 100.0f;
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.1f);
    const size_t born = Live().size();
    const f32 age = Live()[0]->age;
    ASSERT_GT(born, 0u);
    EXPECT_FALSE(emitter.IsDrawn());
    emitter.Update(0.1f);
    emitter.Update(0.1f);
    EXPECT_EQ(Live().size(), born);
    EXPECT_EQ(Live()[0]->age, age);
    EXPECT_NEAR(emitter.GetTime(), 0.1f, 1e-7f);
    // Out of view: the render-collect queues nothing and leaves it frozen.
    emitter.SetPosition(zVector(0.0f, 0.0f, -20.0f));
    Draw();
    EXPECT_EQ(entries.GetCount(), 0u);
    EXPECT_FALSE(emitter.IsDrawn());
    emitter.Update(0.1f);
    EXPECT_EQ(Live()[0]->age, age);
}

// TTL 1 with dt 0.25: one particle (pool of 1) born 0.25 old is 0.5, 0.75,
// then freed in the step where it reaches 1; a full pool keeps the
// accumulator growing.
TEST_F(EmitterTest, AParticleIsFreedInTheStepItsAgeReachesTheTTL) {
    model->ttl = 1.0f;
    emitter.poolSize = 1;
    emitter.birthRate = 8.0f;
    ASSERT_TRUE(emitter.AllocatePool());
    const f32 ages[] = {0.5f, 0.75f};
    for (f32 age : ages) {
        DrawAndUpdate(0.25f);
        ASSERT_EQ(Live().size(), 1u);
        EXPECT_EQ(Live()[0]->age, age);
    }
    EXPECT_EQ(emitter.GetBirthAccumulator(), 3.0f);
    DrawAndUpdate(0.25f);
    EXPECT_TRUE(Live().empty());
    EXPECT_EQ(emitter.GetBirthAccumulator(), 5.0f);
}

// Damping 0.5 halves the speed over one second whatever the step.
TEST_F(EmitterTest, DampingHalvesTheSpeedPerSecondAtAnyFrameRate) {
    const struct {
        f32 dt;
        int steps;
    } cases[] = {{0.1f, 10}, {0.25f, 4}, {0.5f, 2}};
    for (const auto& entry : cases) {
        zEmitter local(&engine);
        zParticleModel* damped = new zParticleModel(&engine, &engine);
        damped->damping = 0.5f;
        damped->ttl = 100.0f;
        local.SetParticleModel(damped);
        local.poolSize = 1;
        local.birthRate = 2.0f / entry.dt;
        ASSERT_TRUE(local.AllocatePool());
        local.Update(entry.dt);
        const zParticle& particle = local.GetPool()[0];
        ASSERT_GE(particle.age, 0.0f);
        const f32 start = Speed(particle);
        ASSERT_GT(start, 0.5f);
        for (int step = 0; step < entry.steps; ++step) {
            ClearEntries();
            local.AppendPrimitives(&camera, entries, RenderPassNormal);
            local.Update(entry.dt);
        }
        EXPECT_NEAR(Speed(particle) / start, 0.5f, 1e-5f) << entry.dt;
    }
}

TEST_F(EmitterTest, GravityAcceleratesAndMovesTheParticles) {
    model->gravity = zVector(0.0f, -10.0f, 0.0f);
    model->ttl = 100.0f;
    emitter.type = 7; // at rest
    emitter.poolSize = 1;
    emitter.birthRate = 20.0f;
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.1f); // born: the first position step uses the velocity at rest
    const zParticle& particle = emitter.GetPool()[0];
    EXPECT_FLOAT_EQ(particle.velocity.y, -1.0f);
    EXPECT_FLOAT_EQ(particle.position.y, 0.0f);
    DrawAndUpdate(0.1f);
    EXPECT_FLOAT_EQ(particle.velocity.y, -2.0f);
    EXPECT_FLOAT_EQ(particle.position.y, -0.1f);
    EXPECT_EQ(particle.velocity.x, 0.0f);
}

TEST_F(EmitterTest, CurvesShapeTheParticlesWithTheEmittersScales) {
    model->AddColorKey(0.0f, 1.0f, 0.0f, 0.0f, 1.0f);
    model->AddColorKey(1.0f, 0.0f, 1.0f, 0.5f, 0.0f);
    FillCurve(model->GetCurve(zParticleModel::CurveSize), {{0.0f, 1.0f}, {1.0f, 3.0f}});
    model->ttl = 10.0f;
    emitter.poolSize = 1;
    emitter.birthRate = 8.0f;
    emitter.sizeScale = 2.0f;
    emitter.opacityScale = 0.5f;
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.25f); // born 0.25 old, then 0.5
    const zParticle& particle = emitter.GetPool()[0];
    ASSERT_EQ(particle.age, 0.5f);
    EXPECT_FLOAT_EQ(particle.red, 0.5f);
    EXPECT_FLOAT_EQ(particle.green, 0.5f);
    EXPECT_FLOAT_EQ(particle.blue, 0.25f);
    EXPECT_FLOAT_EQ(particle.opacity, 0.5f * 0.5f);
    EXPECT_FLOAT_EQ(particle.size, 2.0f * 2.0f);
    EXPECT_EQ(particle.sizeScale, 2.0f);
    // Past the last key the curves hold their last value.
    for (int step = 0; step < 8; ++step)
        DrawAndUpdate(0.25f);
    EXPECT_FLOAT_EQ(particle.size, 3.0f * 2.0f);
    EXPECT_FLOAT_EQ(particle.red, 0.0f);
}

// Every spray velocity lies in the cone around the emitter's world +Z (its
// world matrix's third row) with a speed in [min, max) x speedScale.
TEST_F(EmitterTest, SprayStaysInsideTheConeOfTheWorldZAxis) {
    for (f32 turn : {0.0f, 1.5707964f}) {
        zEmitter local(&engine);
        local.SetParticleModel(new zParticleModel(&engine, &engine));
        local.SetRotation(zVector(0.0f, turn, 0.0f));
        local.poolSize = 200;
        local.birthRate = 1000.0f;
        local.speedScale = 2.0f;
        SeedRand(1234);
        ASSERT_TRUE(local.AllocatePool());
        local.Update(0.25f);
        const zVector axis = local.GetWorldMatrix()->GetRow(2, false).Normalize();
        if (turn != 0.0f) {
            EXPECT_NEAR(std::fabs(axis.x), 1.0f, 1e-5f);
        } else {
            EXPECT_NEAR(axis.z, 1.0f, 1e-6f);
        }
        f32 widest = 0.0f;
        for (u32 index = 0; index < 200; ++index) {
            const zParticle& particle = local.GetPool()[index];
            ASSERT_GE(particle.age, 0.0f);
            const f32 speed = Speed(particle);
            EXPECT_GE(speed, 2.0f - 1e-5f);
            EXPECT_LT(speed, 3.0f);
            const zVector& v = particle.velocity;
            const f32 cosine = (v.x * axis.x + v.y * axis.y + v.z * axis.z) / speed;
            const f32 angle = std::acos(std::fmin(1.0f, cosine));
            EXPECT_LE(angle, 0.7853982f + 1e-4f) << index;
            widest = std::fmax(widest, angle);
        }
        EXPECT_GT(widest, 0.6f); // the cone is used, not just its axis
    }
}

TEST_F(EmitterTest, SetSprayAndOtherTypes) {
    emitter.type = 3;
    emitter.SetSpray(0.25f);
    EXPECT_EQ(emitter.type, EmitterTypeSpray);
    EXPECT_EQ(emitter.sprayAngle, 0.25f);
}

// Camera looking down +Z: index 0 is the particle farthest along +Z.
TEST_F(EmitterTest, SortByDepthGivesTheFarthestFirst) {
    emitter.poolSize = 50;
    emitter.birthRate = 400.0f;
    model->ttl = 100.0f;
    SeedRand(99);
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.1f);
    const std::vector<const zParticle*> live = Live();
    ASSERT_GT(live.size(), 10u);
    Draw();
    emitter.SortByDepth(zMatrix4());
    ASSERT_EQ(emitter.GetLiveCount(), live.size());
    f32 farthest = -1e9f;
    for (const zParticle* particle : live)
        farthest = std::fmax(farthest, particle->position.z);
    EXPECT_EQ(emitter.GetSortedParticle(0)->position.z, farthest);
    for (u32 index = 1; index < emitter.GetLiveCount(); ++index)
        EXPECT_LE(emitter.GetSortedParticle(index)->position.z,
                  emitter.GetSortedParticle(index - 1)->position.z);
    // Past the sorted count there is no particle.
    EXPECT_EQ(emitter.GetSortedParticle(emitter.GetLiveCount()), nullptr);
    EXPECT_EQ(emitter.GetSortedParticle(1000000), nullptr);
}

TEST_F(EmitterTest, SortNeedsAPoolAndADraw) {
    EXPECT_EQ(emitter.GetSortedParticle(0), nullptr);
    emitter.SortByDepth(zMatrix4());
    EXPECT_EQ(emitter.GetLiveCount(), 0u);
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.1f); // not drawn since
    emitter.SortByDepth(zMatrix4());
    EXPECT_EQ(emitter.GetLiveCount(), 0u);
}

TEST_F(EmitterTest, WorldBoundsGrowBySortedParticlesAndTheirSize) {
    emitter.SetPosition(zVector(1.0f, 2.0f, 3.0f));
    emitter.type = 1; // at rest, so the particle stays at the emitter
    emitter.poolSize = 1;
    emitter.birthRate = 20.0f;
    emitter.sizeScale = 0.5f;
    ASSERT_TRUE(emitter.AllocatePool());
    zMinMax bounds;
    emitter.GetWorldBounds(bounds);
    EXPECT_FALSE(bounds.min.DiffersFrom(zVector(1.0f, 2.0f, 3.0f)));
    EXPECT_FALSE(bounds.max.DiffersFrom(zVector(1.0f, 2.0f, 3.0f)));
    emitter.Update(0.1f);
    Draw();
    emitter.SortByDepth(zMatrix4());
    emitter.GetBounds(bounds);
    EXPECT_FALSE(bounds.min.DiffersFrom(zVector(0.5f, 1.5f, 2.5f)));
    EXPECT_FALSE(bounds.max.DiffersFrom(zVector(1.5f, 2.5f, 3.5f)));
}

TEST_F(EmitterTest, RenderCollectQueuesOneEmitterEntry) {
    emitter.SetPosition(zVector(0.0f, 0.0f, 10.0f));
    ASSERT_TRUE(emitter.AllocatePool());
    emitter.Update(0.1f);
    EXPECT_FALSE(emitter.IsDrawn());
    Draw();
    EXPECT_TRUE(emitter.IsDrawn());
    ASSERT_EQ(entries.GetCount(), 1u);
    const zRenderablePrimitive* entry = entries.GetHead()->value;
    EXPECT_EQ(entry->kind, PrimitiveEmitter);
    EXPECT_EQ(entry->renderable, &emitter);
    EXPECT_EQ(entry->payload, static_cast<void*>(&emitter));
    EXPECT_FLOAT_EQ(entry->sortKey, 15.0f);
}

// The "Emitter" tag

struct EmitterTagCase {
    const char* body;
    bool result;
    const char* log;
};

TEST_F(EmitterTest, ReaderDefaultsDifferFromTheConstructors) {
    ZmlDocument document("<Emitter=<Item=<Position=<X=1><Y=0><Z=0>>>>");
    LogCapture log;
    ASSERT_TRUE(emitter.ParseTag(document.Root()));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(emitter.poolSize, 100u);
    EXPECT_EQ(emitter.birthRate, 1.0f);
    EXPECT_EQ(emitter.speedMin, 1.0f);
    EXPECT_EQ(emitter.speedMax, 1.0f);
    EXPECT_EQ(emitter.GetParticleModel(), nullptr);
    EXPECT_EQ(emitter.GetPosition()->x, 1.0f);
}

TEST_F(EmitterTest, ReaderChildren) {
    emitter.type = 5;
    emitter.sprayAngle = 0.1f;
    ZmlDocument document("<Emitter=<SpeedMin=2><SpeedMax=3.5><BirthRate=40><SprayAngle=0.5><PoolSize=7>"
                         "<Type=\"Spray\"><ParticleModel=\"fx/smoke.zml\">>");
    LogCapture log;
    ASSERT_TRUE(emitter.ParseTag(document.Root()));
    EXPECT_EQ(emitter.speedMin, 2.0f);
    EXPECT_EQ(emitter.speedMax, 3.5f);
    EXPECT_EQ(emitter.birthRate, 40.0f);
    EXPECT_EQ(emitter.sprayAngle, 0.5f);
    EXPECT_EQ(emitter.poolSize, 7u);
    EXPECT_EQ(emitter.type, EmitterTypeSpray);
    ASSERT_NE(emitter.GetParticleModel(), nullptr);
    EXPECT_EQ(emitter.GetParticleModel()->GetName(), "fx/smoke.zml");
    EXPECT_EQ(engine.LoadParticleModel("fx/smoke.zml", false), emitter.GetParticleModel());
}

TEST_F(EmitterTest, ReaderWarnings) {
    const EmitterTagCase cases[] = {
        {"<Emit=<PoolSize=1>>", false, "[!] Could not parse emitter. Root tag id is incorrect (Emit).\n"},
        {"<Emitter=<Rate=1>>", true, "[*] Unknown tag 'Rate' in <Emitter>.\n"},
        {"<Emitter=<Type=\"Fountain\">>", true, ""},
    };
    for (const auto& entry : cases) {
        ZmlDocument document(entry.body);
        LogCapture log;
        EXPECT_EQ(emitter.ParseTag(document.Root()), entry.result) << entry.body;
        EXPECT_EQ(log.Text(), entry.log) << entry.body;
    }
}

TEST_F(EmitterTest, WriterLeavesDefaultsOutButAlwaysWritesTheSprayAngle) {
    ZmlDocument read("<Emitter>");
    ASSERT_TRUE(emitter.ParseTag(read.Root()));
    std::unique_ptr<zMetaTag> tag(emitter.SerializeTag());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(DumpOne(tag.get()), DumpOne(ThroughText(emitter.SerializeTag())->Root()));
    EXPECT_NE(tag->GetTag("Item;"), nullptr);
    EXPECT_NE(tag->GetTag("SprayAngle;"), nullptr);
    for (const char* absent :
         {"SpeedMin;", "SpeedMax;", "BirthRate;", "PoolSize;", "Type;", "ParticleModel;"})
        EXPECT_EQ(tag->GetTag(absent), nullptr) << absent;

    emitter.type = 4;
    emitter.poolSize = 500;
    emitter.speedMin = 2.0f;
    emitter.SetParticleModel(model);
    model->SetName(zString("fx/a.zml"));
    tag.reset(emitter.SerializeTag());
    EXPECT_EQ(tag->GetTag("Type;"), nullptr);
    ASSERT_NE(tag->GetTypedTag("PoolSize;", VariantInt), nullptr);
    EXPECT_EQ(tag->GetTypedTag("PoolSize;", VariantInt)->GetRawInt(), 500);
    ASSERT_NE(tag->GetTypedTag("ParticleModel;", VariantString), nullptr);
    EXPECT_EQ(tag->GetTypedTag("ParticleModel;", VariantString)->GetValue().GetStringValue(), "fx/a.zml");
    EXPECT_NE(tag->GetTag("SpeedMin;"), nullptr);
}

TEST_F(EmitterTest, TagRoundTrip) {
    emitter.SetParticleModel(nullptr);
    emitter.SetPosition(zVector(1.0f, 2.0f, 3.0f));
    emitter.speedMin = 0.5f;
    emitter.speedMax = 4.0f;
    emitter.birthRate = 30.0f;
    emitter.poolSize = 64;
    emitter.sprayAngle = 0.3f;
    auto document = ThroughText(emitter.SerializeTag());
    zEmitter copy(&engine);
    ASSERT_TRUE(copy.ParseTag(document->Root()));
    std::unique_ptr<zMetaTag> first(emitter.SerializeTag());
    std::unique_ptr<zMetaTag> second(copy.SerializeTag());
    EXPECT_EQ(DumpOne(second.get()), DumpOne(first.get()));
}

} // namespace
