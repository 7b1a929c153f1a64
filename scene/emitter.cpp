#include "scene/emitter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "core/log.h"
#include "core/random.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "render/particle_model.h"

namespace {

// Depth order for the sort; a NaN depth (a particle thrown off by a model
// with NaN gravity) counts as the nearest so the order stays strict.
f32 SortKey(f32 depth) {
    return depth == depth ? depth : -INFINITY;
}

} // namespace

zEmitter::zEmitter(zEngine* engine) : zItem(engine) {}

zEmitter::~zEmitter() {
    FreePool();
}

void zEmitter::SetParticleModel(zParticleModel* model) {
    m_model = model;
}

void zEmitter::SetSpray(f32 angle) {
    type = EmitterTypeSpray;
    sprayAngle = angle;
}

void zEmitter::ReleaseStorage() {
    m_pool.reset();
    m_sortArray.reset();
    m_poolCount = 0;
    m_sortedCount = 0;
}

bool zEmitter::AllocatePool() {
    if (!m_model) return false;
    ReleaseStorage();
    if (poolSize > 0 && poolSize <= MaxPoolSize) {
        const size_t count = poolSize;
        m_pool.reset(new (std::nothrow) zParticle[count]);
        m_sortArray.reset(new (std::nothrow) SortEntry[count]);
    }
    if (!m_pool || !m_sortArray) {
        ReleaseStorage();
        // The tag reads a signed number: show a negative one as it was written.
        GetLog() << "[!] Failed to allocate emitter particle pool (size " << static_cast<i32>(poolSize)
                 << ").\n";
        return false;
    }
    m_poolCount = poolSize;
    for (u32 index = 0; index < m_poolCount; ++index) {
        zParticle& particle = m_pool[index];
        particle = zParticle{};
        particle.position = zVector(0.0f, 0.0f, 0.0f, 0.0f);
        particle.velocity = zVector(0.0f, 0.0f, 0.0f, 0.0f);
        particle.opacityScale = 1.0f;
        particle.age = -1.0f;
    }
    m_drawn = 1;
    m_time = 0.0f;
    m_birthAccumulator = 0.0f;
    return true;
}

void zEmitter::FreePool() {
    ReleaseStorage();
    m_model = nullptr;
}

void zEmitter::Spawn(zParticle& particle) {
    const zMatrix4& world = *GetWorldMatrix();
    particle.position = world.GetRow(3, false);
    if (type != EmitterTypeSpray) {
        particle.velocity = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    } else {
        const f32 tilt = (RandFloat(2.0f) - 1.0f) * sprayAngle;
        const f32 turn = RandFloat(6.2831855f);
        const f32 x = std::sin(tilt);
        const f32 z = std::cos(tilt);
        const zVector direction(x * std::cos(turn), x * std::sin(turn), z, 1.0f);
        const f32 speed = RandRange(speedMin, speedMax);
        zVector velocity = direction.Normalize().MulReal(speed * speedScale);
        world.RotateArray(&velocity, &velocity, 1);
        velocity.w = 1.0f;
        particle.velocity = velocity;
    }
    particle.sizeScale = sizeScale;
    particle.opacityScale = opacityScale;
}

void zEmitter::Update(f32 dt) {
    // A model dropped after the pool was made leaves nothing to shape the
    // particles with.
    if (!m_pool || !m_drawn || !m_model) return;
    const zParticleModel& model = *m_model;

    m_birthAccumulator += emissionScale * birthRate * dt;
    u32 next = 0;
    while (m_birthAccumulator > 1.0f) {
        while (next < m_poolCount && m_pool[next].age >= 0.0f)
            ++next;
        if (next == m_poolCount) break;
        zParticle& particle = m_pool[next++];
        particle.age = m_birthAccumulator / birthRate;
        particle.size = particle.angle = 0.0f;
        particle.red = particle.green = particle.blue = particle.opacity = 0.0f;
        Spawn(particle);
        m_birthAccumulator -= 1.0f;
    }

    const f32 damping = std::pow(model.damping, dt);
    const zVector gravityStep = model.gravity.MulReal(dt);
    for (u32 index = 0; index < m_poolCount; ++index) {
        zParticle& particle = m_pool[index];
        if (!(particle.age >= 0.0f)) continue;
        particle.age += dt;
        if (particle.age >= model.ttl) {
            particle.age = -1.0f;
            continue;
        }
        zVector& position = particle.position;
        zVector& velocity = particle.velocity;
        position.x += velocity.x * dt;
        position.y += velocity.y * dt;
        position.z += velocity.z * dt;
        velocity.x = (velocity.x + gravityStep.x) * damping;
        velocity.y = (velocity.y + gravityStep.y) * damping;
        velocity.z = (velocity.z + gravityStep.z) * damping;
        const f32 age = particle.age;
        f32 value = 0.0f;
        model.GetCurve(zParticleModel::CurveSize).Evaluate(age, value, LoopModeConstant);
        particle.size = value * particle.sizeScale;
        model.GetCurve(zParticleModel::CurveAngle).Evaluate(age, particle.angle, LoopModeConstant);
        model.GetCurve(zParticleModel::CurveRed).Evaluate(age, particle.red, LoopModeConstant);
        model.GetCurve(zParticleModel::CurveGreen).Evaluate(age, particle.green, LoopModeConstant);
        model.GetCurve(zParticleModel::CurveBlue).Evaluate(age, particle.blue, LoopModeConstant);
        model.GetCurve(zParticleModel::CurveOpacity).Evaluate(age, value, LoopModeConstant);
        particle.opacity = value * particle.opacityScale;
    }
    m_time += dt;
    m_drawn = 0;
}

void zEmitter::SortByDepth(const zMatrix4& camera) {
    if (!m_pool || !m_drawn) return;
    const zVector forward = camera.GetRow(2, false).Normalize();
    const zVector eye = camera.GetRow(3, true);
    u32 count = 0;
    for (u32 index = 0; index < m_poolCount; ++index) {
        const zParticle& particle = m_pool[index];
        if (!(particle.age >= 0.0f)) continue;
        const zVector& position = particle.position;
        const f32 depth = (position.x - eye.x) * forward.x + (position.y - eye.y) * forward.y +
                          (position.z - eye.z) * forward.z;
        m_sortArray[count++] = SortEntry{depth, index};
    }
    std::sort(m_sortArray.get(), m_sortArray.get() + count,
              [](const SortEntry& a, const SortEntry& b) { return SortKey(a.depth) < SortKey(b.depth); });
    m_sortedCount = count;
}

const zParticle* zEmitter::GetSortedParticle(u32 index) const {
    if (!m_pool || index >= m_sortedCount) return nullptr;
    return &m_pool[m_sortArray[m_sortedCount - 1 - index].index];
}

zMaterial* zEmitter::GetParticleMaterial() const {
    return m_model ? m_model->GetMaterial() : nullptr;
}

u32 zEmitter::SortParticles(const zMatrix4& camera) {
    SortByDepth(camera);
    return m_sortedCount;
}

bool zEmitter::GetRenderParticle(u32 index, zRenderParticle& out) const {
    const zParticle* particle = GetSortedParticle(index);
    if (!particle) return false;
    out.position = particle->position;
    out.size = particle->size;
    out.angle = particle->angle;
    out.color[0] = particle->red;
    out.color[1] = particle->green;
    out.color[2] = particle->blue;
    out.color[3] = particle->opacity;
    out.life = particle->age;
    return true;
}

void zEmitter::GetWorldBounds(zMinMax& out) {
    const zVector origin = GetWorldMatrix()->GetRow(3, true);
    out.min = origin;
    out.max = origin;
    for (u32 entry = 0; m_pool && entry < m_sortedCount; ++entry) {
        const zParticle& particle = m_pool[m_sortArray[entry].index];
        const zVector& position = particle.position;
        const f32 size = particle.size;
        out.min = out.min.Min(zVector(position.x - size, position.y - size, position.z - size));
        out.max = out.max.Max(zVector(position.x + size, position.y + size, position.z + size));
    }
}

void zEmitter::AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out, u32 /*flags*/) {
    if (!viewItem) return;
    zMinMax bounds;
    GetWorldBounds(bounds);
    if (viewItem->GetCameraBlock().frustum.ClassifyMinMax(bounds) == ClassifyOutside) return;
    m_drawn = 1;
    const zMatrix4* camera = viewItem->GetTransformBlock();
    const zVector eye = camera ? camera->GetRow(3, true) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
    const zVector forward = camera ? camera->GetRow(2, false) : zVector(0.0f, 0.0f, 1.0f, 0.0f);
    const zVector position = GetWorldMatrix()->GetRow(3, true);
    auto* entry = new (std::nothrow) zRenderablePrimitive;
    if (!entry) {
        GetLog() << "[!] Failed to allocate render entry for emitter.\n";
        return;
    }
    entry->kind = PrimitiveEmitter;
    entry->renderable = this;
    entry->sortKey = (position.x - eye.x) * forward.x + (position.y - eye.y) * forward.y +
                     (position.z - eye.z) * forward.z;
    entry->payload = this;
    if (!out.Add(entry)) {
        delete entry;
        GetLog() << "[!] Failed to allocate render entry for emitter.\n";
    }
}

// The "Emitter" tag

bool zEmitter::ParseTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Emitter") {
        GetLog() << "[!] Could not parse emitter. Root tag id is incorrect ("
                 << (tag && tag->GetName().CStr() ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    speedMax = speedMin = birthRate = 1.0f;
    poolSize = 100;
    sprayAngle = DefaultSprayAngle;
    type = EmitterTypeSpray;
    m_model = nullptr;
    const struct {
        const char* name;
        f32 zEmitter::*field;
    } floats[] = {{"SpeedMin", &zEmitter::speedMin},
                  {"SpeedMax", &zEmitter::speedMax},
                  {"BirthRate", &zEmitter::birthRate},
                  {"SprayAngle", &zEmitter::sprayAngle}};
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        bool known = false;
        for (const auto& entry : floats) {
            if (name != entry.name) continue;
            child->GetValue().GetNumber(this->*entry.field);
            known = true;
        }
        if (known) continue;
        if (name == "Item") {
            zItem::ParseTag(child);
        } else if (name == "PoolSize") {
            i32 size = 0;
            if (child->GetValue().GetInt(size)) poolSize = static_cast<u32>(size);
        } else if (name == "Type") {
            const char* word = nullptr;
            if (child->GetValue().GetString(word) && std::strcmp(word, "Spray") == 0) type = EmitterTypeSpray;
        } else if (name == "ParticleModel") {
            const char* path = nullptr;
            if (child->GetValue().GetString(path) && GetEngine())
                SetParticleModel(GetEngine()->LoadParticleModel(path, false));
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Emitter>.\n";
        }
    }
    return true;
}

zMetaTag* zEmitter::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Emitter"));
    bool complete = root && AppendChildTag(root.get(), zItem::SerializeTag());
    if (complete && speedMin != 1.0f)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("SpeedMin", speedMin));
    if (complete && speedMax != 1.0f)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("SpeedMax", speedMax));
    if (complete && birthRate != 1.0f)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("BirthRate", birthRate));
    if (complete && poolSize != 100)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("PoolSize", static_cast<i32>(poolSize)));
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("SprayAngle", sprayAngle));
    if (complete && m_model) {
        const zString& name = m_model->GetName();
        complete = AttachTag(root.get(),
                             new (std::nothrow) zMetaTag("ParticleModel", name.CStr() ? name.CStr() : ""));
    }
    if (!complete) {
        GetLog() << "[!] Could not serialize emitter. Failed to create root tag.\n";
        return nullptr;
    }
    return root.release();
}
