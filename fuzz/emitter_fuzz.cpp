// The emitter and particle model tags on any bytes: the input, split at its
// first 0 byte, is the tag and a particle model file "p.zml" it may name.
// The first root's name picks the reader: "MEmitter" reads into a managed
// emitter of a scene over an engine, "Emitter" into a bare emitter,
// "ParticleModel" into a model that a bare emitter then uses. An emitter
// without a model takes "p.zml". What reads is run: the pool is allocated
// (sizes above FuzzPoolLimit are cut, so one input stays fast; the refusal
// of absurd sizes is a unit test), then several frames of drawing, updating,
// depth sorting, walking the sorted particles and computing the bounds, and
// a second allocation. It is then written, read into a fresh object and
// written again: the second text must equal the first.
#include <string>
#include <vector>

#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "markup/meta_tag.h"
#include "render/particle_model.h"
#include "scene/camera.h"
#include "scene/managed_emitter.h"
#include "scene/scene.h"

namespace {

constexpr u32 FuzzPoolLimit = 4096;

void RunEmitter(zEngine& engine, zEmitter& emitter) {
    if (!emitter.GetParticleModel()) emitter.SetParticleModel(engine.LoadParticleModel("p.zml", false));
    if (emitter.poolSize > FuzzPoolLimit) emitter.poolSize = FuzzPoolLimit;
    emitter.AllocatePool();
    zCamera camera(&engine);
    camera.SetPosition(zVector(0.0f, 0.0f, -10.0f));
    camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    const f32 steps[] = {0.0f, 0.016f, 0.1f, 0.25f, 1.0f, 0.5f};
    for (f32 dt : steps) {
        zList<zRenderablePrimitive*> entries;
        emitter.AppendPrimitives(&camera, entries, RenderPassNormal);
        while (auto* node = entries.GetHead())
            delete entries.Take(node);
        emitter.SortByDepth(*camera.GetWorldMatrix());
        for (u32 index = 0; index <= emitter.GetLiveCount(); ++index)
            emitter.GetSortedParticle(index);
        zMinMax bounds;
        emitter.GetWorldBounds(bounds);
        emitter.Update(dt);
    }
    emitter.AllocatePool();
    emitter.Update(0.1f);
}

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    zEngine engine;
    const zString& name = root->GetName();
    if (name == "MEmitter") {
        zSharedPtr<zScene> scene(new zScene(&engine, nullptr));
        zMEmitter* emitter = scene->AddEmitter("emitter");
        if (!emitter || !emitter->ParseTag(nullptr, root)) return std::string();
        const std::string text = TagText(emitter->SerializeTag(), "a read managed emitter cannot be written");
        if (first) {
            if (emitter->poolSize > FuzzPoolLimit) emitter->poolSize = FuzzPoolLimit;
            if (!emitter->GetParticleModel())
                emitter->SetParticleModel(engine.LoadParticleModel("p.zml", false));
            scene->Setup(false, 0);
            engine.SetFixedStep(500);
            engine.StepClock();
            scene->Update(UpdateAll);
            scene->Update(UpdateAll);
            RunEmitter(engine, *emitter);
        }
        return text;
    }
    if (name == "ParticleModel") {
        zSharedPtr<zParticleModel> model(new zParticleModel(&engine, &engine));
        if (!model->ParseTag(root)) return std::string();
        const std::string text = TagText(model->SerializeTag(), "a read particle model cannot be written");
        if (first) {
            model->AddColorKey(0.5f, 1.0f, 0.5f, 0.25f, 0.75f);
            zEmitter emitter(&engine);
            emitter.SetParticleModel(model.Get());
            RunEmitter(engine, emitter);
        }
        return text;
    }
    zEmitter emitter(&engine);
    if (!emitter.ParseTag(root)) return std::string();
    const std::string text = TagText(emitter.SerializeTag(), "a read emitter cannot be written");
    if (first) RunEmitter(engine, emitter);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    const std::vector<std::string> parts = SplitAtZeroBytes(data, size, 2);
    if (parts.size() > 1 && !round.AddFile("p.zml", parts[1])) return 0;
    CheckTagRoundTrip(reinterpret_cast<const u8*>(parts[0].data()), parts[0].size(), ReadAndWrite, "emitter");
    return 0;
}
