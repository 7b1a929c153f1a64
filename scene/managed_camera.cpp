#include "scene/managed_camera.h"

#include "scene/scene.h"

zMCamera::zMCamera(zScene* scene) : zMItem(scene, ManagedKindCamera), zCamera(scene ? scene->GetEngine() : nullptr) {
    SetNode(this);
}

zMCamera::~zMCamera() { Teardown(); }

void zMCamera::Update() { UpdateFrustum(nullptr, -1.0f, -1.0f); }

void zMCamera::SetParent(zItem* parent) {
    zScene* scene = GetScene();
    if (scene) scene->NotifyListeners(SceneEventReparenting, nullptr);
    zCamera::SetParent(parent);
    if (scene) scene->NotifyListeners(SceneEventReparented, nullptr);
}
