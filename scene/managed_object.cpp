#include "scene/managed_object.h"

#include "engine/engine.h"
#include "render/geometry.h"
#include "render/renderer.h"
#include "scene/managed_tags.h"
#include "scene/scene.h"

namespace {

const zManagedTagNames ObjectTagNames = {"MObject", "managed object", "Object",
                                         "[!] Could not create managed root tag to serialize.\n"};
const zManagedTagNames LightTagNames = {"MLight", "managed light", "Light",
                                        "[!] could not create managed root tag to serialize.\n"};

zEngine* EngineOf(zScene* scene) {
    return scene ? scene->GetEngine() : nullptr;
}

} // namespace

// zMObject

zMObject::zMObject(zScene* scene) : zMItem(scene, ManagedKindObject), zObject(EngineOf(scene)) {
    SetNode(this);
}

zMObject::~zMObject() {
    Teardown();
}

void zMObject::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

void zMObject::ForgetItem(zMItem* item) {
    if (item) ForgetBone(item->GetItem());
}

bool zMObject::SetBone(u32 index, zItem* item) {
    if (!zObject::SetBone(index, item)) return false;
    // A bone the scene could not make it forget would dangle: refused.
    if (item && GetScene() && !GetScene()->NoteHolder(this)) {
        zObject::SetBone(index, nullptr);
        return false;
    }
    return true;
}

bool zMObject::BuildSkinning() {
    const bool built = zObject::BuildSkinning();
    if (HasSkin() && GetScene()) GetScene()->NoteSkinned(this);
    return built;
}

bool zMObject::GetGeometryBox(zMinMax& out) {
    if (!GetGeometry()) return false;
    out = GetGeometry()->GetBounds();
    return true;
}

bool zMObject::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    return ParseManagedTag(*this, document, tag, ObjectTagNames,
                           [this](const zMetaTag* node) { return ParseObject(*this, node); });
}

zMetaTag* zMObject::SerializeTag() const {
    return SerializeManagedTag(*this, ObjectTagNames, SerializeObject(*this));
}

// zMLight

zMLight::zMLight(zScene* scene) : zMItem(scene, ManagedKindLight), zLight(EngineOf(scene)) {
    SetNode(this);
    owner = this;
    SetPriority(DefaultPriority);
}

zMLight::~zMLight() {
    Teardown();
    // The light part outlives this body; the renderer freeing it must not
    // reach the managed part through it.
    owner = nullptr;
}

void zMLight::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

bool zMLight::IsActive() const {
    if (diffuseIntensity <= LightInactiveIntensity && specularIntensity <= LightInactiveIntensity)
        return false;
    return zMItem::IsActive();
}

void zMLight::Refresh() {
    UpdateRenderData();
}

void zMLight::Setup() {
    zEngine* engine = GetEngine();
    if (zRenderer* renderer = engine ? engine->GetRenderer() : nullptr) renderer->SetupLight(this);
    zMItem::Setup();
}

bool zMLight::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    return ParseManagedTag(*this, document, tag, LightTagNames,
                           [this](const zMetaTag* node) { return ParseLight(*this, node); });
}

zMetaTag* zMLight::SerializeTag() const {
    return SerializeManagedTag(*this, LightTagNames, SerializeLight(*this));
}
