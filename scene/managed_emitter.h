// zMEmitter: the managed emitter (kind 5). The scene's set-up allocates its
// pool; every frame the scene's refresh steps it by the engine's frame time
// and its update brings its matrices up to date. It is drawn through its
// emitter part, which the scene queues like an object.
#pragma once

#include "scene/emitter.h"
#include "scene/managed_item.h"

class zMetafile;
class zMetaTag;

class zMEmitter : public zMItem, public zEmitter {
  public:
    explicit zMEmitter(zScene* scene);
    ~zMEmitter() override;
    bool HoldsItems() const override { return false; }

    using zEmitter::Update;
    // Update (dt) with the engine's frame time in seconds.
    void Refresh() override;
    void Update() override { UpdateMatrices(); }
    // AllocatePool, then the managed set-up.
    void Setup() override;
    void SetParent(zItem* parent) override;
    zRenderable* GetRenderable() override { return this; }

    // The "MEmitter" tag: its "MItem" and "Emitter" children in document
    // order; other children are warned about. A tag without children leaves
    // the emitter as it was and succeeds. It fails on a wrong root and on an
    // "MItem" without a valid uid (the item keeps its creation uid).
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    // "MEmitter" holding the "MItem" and "Emitter" tags; null (logged).
    zMetaTag* SerializeTag() const;
};
