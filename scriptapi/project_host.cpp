#include "scriptapi/project_host.h"

#include "scene/scene.h"
#include "ui/scene2d.h"

void zProjectSceneInstance::GetName(zString& out) const {
    if (kind == KindScene && scene.Get()) {
        out.Set(scene->GetName());
    } else if (kind == KindScene2D && scene2D.Get()) {
        out = scene2D->GetName();
    } else {
        out.Set("Empty");
    }
}

void zProjectSceneInstance::Destroy() {
    // The scene's destructor publishes it once more as g_scene and then
    // invalidates its handles.
    scene = nullptr;
    scene2D = nullptr;
    kind = KindEmpty;
}
