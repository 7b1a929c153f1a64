#include "scene/managed_emitter.h"

#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "scene/managed_tags.h"
#include "scene/scene.h"

namespace {

const zManagedTagNames EmitterTagNames = {"MEmitter", "managed emitter", "Emitter",
                                          "[!] Could not create managed root tag to serialize.\n"};

} // namespace

zMEmitter::zMEmitter(zScene* scene)
    : zMItem(scene, ManagedKindEmitter), zEmitter(scene ? scene->GetEngine() : nullptr) {
    SetNode(this);
}

zMEmitter::~zMEmitter() {
    Teardown();
}

void zMEmitter::Refresh() {
    zEngine* engine = GetEngine();
    zEmitter::Update(engine ? engine->GetFrameTimeSeconds() : 0.0f);
}

void zMEmitter::Setup() {
    AllocatePool();
    zMItem::Setup();
}

void zMEmitter::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

bool zMEmitter::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "MEmitter") {
        GetLog() << "[!] could not parse managed emitter. Root tag id is incorrect ("
                 << (tag ? TextOf(tag->GetName()) : "") << ").\n";
        return false;
    }
    // The emitter's reader only fails on its root, which is checked by name
    // here; what can fail is an "MItem" without a valid uid. That gives false
    // (with the creation uid back), so the scene never takes the creation uid
    // for a stored one and hands this item another item's slot.
    return ParseManagedTag(*this, document, tag, EmitterTagNames,
                           [this](const zMetaTag* node) { return zEmitter::ParseTag(node); });
}

zMetaTag* zMEmitter::SerializeTag() const {
    return SerializeManagedTag(*this, EmitterTagNames, zEmitter::SerializeTag());
}

zMEmitter* zScene::AddEmitter(const char* name) {
    return AddItem(name, "[!] scene could not allocate new emitter.\n",
                   [this] { return new (std::nothrow) zMEmitter(this); });
}
