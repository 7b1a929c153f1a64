#include "app/scene_factory.h"

#include <memory>
#include <new>

#include "core/log.h"
#include "scene/scene.h"
#include "ui/raster_font.h"
#include "ui/scene2d.h"

namespace {

// The scene's 2D user interface: a 2D scene over the same engine and VM.
class zScene2DInterface : public zSceneUserInterface {
  public:
    explicit zScene2DInterface(zSharedPtr<zScene2D> scene2D) : m_scene2D(scene2D) {}
    void Clear() override { m_scene2D->Clear(); }
    void Render(bool skipScript) override { m_scene2D->Render(skipScript); }
    u32 GetWindowCount() const override { return m_scene2D->GetWindowCount(); }
    zScene2D* GetScene2D() const override { return m_scene2D.Get(); }
    // A raster font over the 2D scene's engine; empty when the file is missing.
    std::unique_ptr<zRenderFont> LoadRasterFont(const char* path, const char*) override {
        std::unique_ptr<zRasterFont> font(new (std::nothrow) zRasterFont(m_scene2D->GetEngine()));
        if (font) font->Load(path);
        return font;
    }

  private:
    zSharedPtr<zScene2D> m_scene2D;
};

} // namespace

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
