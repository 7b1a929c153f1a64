// zEmitter: a scene item that spawns particles from its position into a cone
// around its local +Z axis, moves them under the model's gravity and damping
// and shapes their size, angle, colour and opacity over their age with the
// model's curves. The renderer draws the live particles back to front:
// SortByDepth, then GetSortedParticle from 0 (the farthest) up.
//
// The pool is allocated once (AllocatePool, at the scene's set-up) with
// poolSize records and as many sort pairs; emission reuses free slots and
// sorting works in the preallocated pairs, so a frame never allocates.
// PoolSize comes from files, so AllocatePool refuses 0 and anything above
// MaxPoolSize instead of asking for an absurd block.
//
// An emitter only simulates after it was drawn: the render-collect sets
// drawn, Update clears it. One outside the view (or under a renderer that
// never collects, such as the null renderer) keeps its particles frozen
// after its first update.
#pragma once

#include <memory>

#include "core/bounds.h"
#include "core/list.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"
#include "render/renderable.h"
#include "scene/item.h"

class zMetaTag;
class zParticleModel;

// One particle: 17 floats. age -1 marks a free slot.
struct zParticle {
    f32 age;
    zVector position;
    zVector velocity;
    f32 size, angle, red, green, blue, opacity;
    f32 opacityScale, sizeScale; // the emitter's, copied at birth
};
static_assert(sizeof(zParticle) == 68, "a particle record is 17 floats");

enum : u32 { EmitterTypeSpray = 0 };

class zEmitter : public zItem, public zRenderable, public zParticleSource {
  public:
    static constexpr u32 MaxPoolSize = 1000000;
    static constexpr f32 DefaultSprayAngle = 0.7853982f; // pi / 4

    explicit zEmitter(zEngine* engine);
    ~zEmitter() override;

    // Counted replacement; null drops the model.
    void SetParticleModel(zParticleModel* model);
    zParticleModel* GetParticleModel() const { return m_model.Get(); }
    void SetSpray(f32 angle);

    // False without a model. Frees any pool held before (the model stays),
    // then allocates poolSize free records and the sort pairs; drawn is set,
    // time and the accumulator restart. A size of 0 or above MaxPoolSize, or
    // a failed allocation, logs the failure and leaves no pool.
    bool AllocatePool();
    // The pool and the sort pairs; releases the model.
    void FreePool();
    // Emission, damping, ageing and the curves, when there is a pool and the
    // emitter was drawn since the last update; then drawn is cleared.
    void Update(f32 dt);
    // Sorts the live particles by depth along the camera's forward axis
    // (its normalised third row), nearest first; only with a pool and drawn.
    void SortByDepth(const zMatrix4& camera);
    // The particle count of the last sort.
    u32 GetLiveCount() const { return m_sortedCount; }
    // Index 0 is the farthest particle of the last sort; null without a pool
    // or past the sorted count.
    const zParticle* GetSortedParticle(u32 index) const;
    // The world position, grown by each sorted particle's position +/- its size.
    void GetWorldBounds(zMinMax& out);
    void GetBounds(zMinMax& out) override { GetWorldBounds(out); }

    // Render-collect: unless the view's frustum rejects the world bounds,
    // sets drawn and appends one emitter entry (the payload is the emitter).
    void AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out, u32 flags) override;

    // The renderer's view of the particles: the model's material, the sort,
    // and each sorted particle with its colour and opacity.
    zMaterial* GetParticleMaterial() const override;
    u32 SortParticles(const zMatrix4& camera) override;
    bool GetRenderParticle(u32 index, zRenderParticle& out) const override;

    // The "Emitter" tag.
    bool ParseTag(const zMetaTag* tag);
    // A new "Emitter" tag the caller owns, or null (logged).
    zMetaTag* SerializeTag() const;

    // The records of the pool, GetPoolCount of them; null without a pool.
    const zParticle* GetPool() const { return m_pool.get(); }
    u32 GetPoolCount() const { return m_poolCount; }
    bool IsDrawn() const { return m_drawn != 0; }
    f32 GetTime() const { return m_time; }
    f32 GetBirthAccumulator() const { return m_birthAccumulator; }

    u32 type = EmitterTypeSpray; // any other value: particles start at rest
    u32 poolSize = 500;
    f32 birthRate = 100.0f; // particles per second
    f32 speedMin = 1.0f;
    f32 speedMax = 1.5f;
    f32 sprayAngle = DefaultSprayAngle; // half-angle of the cone, radians
    f32 emissionScale = 1.0f;
    f32 opacityScale = 1.0f;
    f32 speedScale = 1.0f;
    f32 sizeScale = 1.0f;

  private:
    struct SortEntry {
        f32 depth;
        u32 index;
    };

    void Spawn(zParticle& particle);
    // Frees the records and the sort pairs only.
    void ReleaseStorage();

    zSharedPtr<zParticleModel> m_model;
    std::unique_ptr<zParticle[]> m_pool;
    std::unique_ptr<SortEntry[]> m_sortArray;
    u32 m_poolCount = 0; // records in m_pool (poolSize when it was allocated)
    u32 m_sortedCount = 0;
    u8 m_drawn = 1;
    f32 m_time = 0.0f;
    f32 m_birthAccumulator = 0.0f;
};
