// The Emitter group over one emitter "smoke" (100 births per second, speed
// 1 to 1.5) and a particle model file without gravity or damping. Burst()
// (a test native) gives the emitter a fresh pool, runs half a second of it
// and returns how many particles live, so scripts see births start and stop.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "render/particle_model.h"
#include "scene/managed_emitter.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

zMEmitter* g_emitter = nullptr;

u32 LiveParticles(const zEmitter& emitter) {
    u32 live = 0;
    for (u32 index = 0; index < emitter.GetPoolCount(); ++index)
        if (emitter.GetPool()[index].age >= 0.0f) ++live;
    return live;
}

SQInteger Burst(HSQUIRRELVM vm) {
    if (!g_emitter->AllocatePool()) return sq_throwerror(vm, "no pool");
    g_emitter->Update(0.5f);
    sq_pushinteger(vm, SQInteger(LiveParticles(*g_emitter)));
    return 1;
}

class EmitterApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        ASSERT_TRUE(RegisterScriptFunction(V(), Burst, "Burst", "."));
        std::filesystem::create_directories(Folder() / "fx");
        WriteFile("fx/smoke.zml",
                  "<ZML=1.0>\n<ParticleModel=<TTL=4><Damping=1.0><Gravity=<X=0><Y=0><Z=0>>>\n");
        g_emitter = emitter = scene->AddEmitter("smoke");
        box = scene->AddObject("box", nullptr);
        ASSERT_TRUE(emitter && box);
        SetHandle("s", scene.get(), ScriptKindScene);
        SetHandle("e", static_cast<zMItem*>(emitter), ScriptKindEmitter);
        SetHandle("box", static_cast<zMItem*>(box), ScriptKindItem);
        log.Reset();
    }

    void TearDown() override {
        g_emitter = nullptr;
        scene.reset();
        ScriptApiFixture::TearDown();
    }

    std::unique_ptr<zScene> scene{new zScene(&engine, &vm)};
    zMEmitter* emitter = nullptr;
    zMObject* box = nullptr;
};

TEST_F(EmitterApi, TheParticleModelComesThroughTheEngine) {
    EXPECT_EQ(Printed("EmitterSetParticleModel(e, \"fx/smoke.zml\")"), "");
    ASSERT_TRUE(emitter->GetParticleModel());
    EXPECT_EQ(emitter->GetParticleModel()->ttl, 4.0f);
    EXPECT_EQ(emitter->GetParticleModel(), engine.LoadParticleModel("fx/smoke.zml", false));
}

TEST_F(EmitterApi, TheBirthRateScaleStopsAndStartsBirths) {
    const ScriptRow rows[] = {
        {"EmitterSetParticleModel(e, \"fx/smoke.zml\"); print(Burst() > 40)", "true"},
        {"EmitterSetBirthRateScale(e, 0.0); print(Burst())", "0"},
        {"EmitterSetBirthRateScale(e, 1); print(Burst() > 40)", "true"},
        // Twice the births.
        {"EmitterSetBirthRateScale(e, 2.0); local n = Burst(); print(n > 90 && n < 101)", "true"},
    };
    ExpectScripts(rows);
}

// Size, speed and opacity scales shape the particles born after the call.
TEST_F(EmitterApi, TheBirthScalesShapeNewParticles) {
    EXPECT_EQ(
        Printed("EmitterSetParticleModel(e, \"fx/smoke.zml\"); EmitterSetBirthSizeScale(e, 2.0);\n"
                "EmitterSetBirthOpacityScale(e, 0.25); EmitterSetBirthSpeedScale(e, 10); print(Burst() > 0)"),
        "true");
    for (u32 index = 0; index < emitter->GetPoolCount(); ++index) {
        const zParticle& particle = emitter->GetPool()[index];
        if (particle.age < 0.0f) continue;
        EXPECT_EQ(particle.sizeScale, 2.0f);
        EXPECT_EQ(particle.opacityScale, 0.25f);
        const zVector& v = particle.velocity;
        const f32 speed = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        EXPECT_GE(speed, 10.0f * 0.999f);
        EXPECT_LE(speed, 15.0f * 1.001f);
    }
}

TEST_F(EmitterApi, HandlesAndArgumentsAreChecked) {
    SetHandle("ne", nullptr, ScriptKindEmitter);
    const ScriptRow rows[] = {
        {"EmitterSetBirthRateScale(box, 1.0)", "error: Expected 'Emitter' got 'Item'"},
        {"EmitterSetBirthRateScale(ne, 1.0)", "error: CObject is null"},
        {"EmitterSetParticleModel(g_engine, \"fx/smoke.zml\")", "error: Expected 'Emitter' got 'Engine'"},
        {"EmitterSetBirthSizeScale(e, \"big\")",
         "error: parameter 2 has an invalid type 'string' ; expected: 'integer|float'"},
        {"EmitterSetParticleModel(e)", "error: wrong number of parameters"},
        // The cast gives the same emitter.
        {"EmitterSetBirthSpeedScale(ItemCastToEmitter(SceneFindItem(s, \"smoke\")), 3.0); print(\"ok\")",
         "ok"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(emitter->speedScale, 3.0f);
    ASSERT_TRUE(scene->QueueForDeletion(emitter));
    scene->FlushDeletionQueue();
    g_emitter = nullptr;
    EXPECT_EQ(Printed("EmitterSetBirthRateScale(e, 1.0)"), "error: Expected 'Emitter' got 'Deleted native'");
}

} // namespace
