#include "app/scene_factory.h"

#include <memory>
#include <new>

#include "core/log.h"
#include "scene/scene.h"
#include "ui/scene2d.h"
#include "ui/scene2d_interface.h"

zSharedPtr<zScene> NewPlayerScene(zEngine* engine, zScriptVM* vm, const char* failureLine) {
    zSharedPtr<zScene> scene(new (std::nothrow) zScene(engine, vm));
    zSharedPtr<zScene2D> scene2D(scene.Get() ? new (std::nothrow) zScene2D(engine, vm) : nullptr);
    std::unique_ptr<zSceneUserInterface> ui(scene2D.Get() ? new (std::nothrow) zScene2DInterface(scene2D) : nullptr);
    if (!ui) {
        GetLog() << failureLine;
        return zSharedPtr<zScene>();
    }
    scene->SetUserInterface(std::move(ui));
    return scene;
}

bool LoadSceneFile(zScene& scene, const char* path) {
    return scene.LoadFromFile(path);
}

bool LoadSceneTag(zScene& scene, zMetafile& doc, zMetaTag* root) {
    return scene.LoadFromTag(&doc, root, nullptr, SceneLoadAll);
}
