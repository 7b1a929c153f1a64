#include "scene/managed_camera.h"

#include "scene/managed_tags.h"
#include "scene/scene.h"

namespace {

const zManagedTagNames CameraTagNames = {"MCamera", "managed camera", "Camera",
                                         "[!] Could not create managed root tag to serialize.\n"};

} // namespace

zMCamera::zMCamera(zScene* scene)
    : zMItem(scene, ManagedKindCamera), zCamera(scene ? scene->GetEngine() : nullptr) {
    SetNode(this);
}

zMCamera::~zMCamera() {
    Teardown();
}

void zMCamera::Update() {
    UpdateFrustum(nullptr, -1.0f, -1.0f);
}

void zMCamera::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

bool zMCamera::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    return ParseManagedTag(*this, document, tag, CameraTagNames,
                           [this](const zMetaTag* node) { return ParseCamera(node); });
}

zMetaTag* zMCamera::SerializeTag() const {
    return SerializeManagedTag(*this, CameraTagNames, SerializeCamera());
}
