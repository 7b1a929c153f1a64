// zScene2DInterface: a 2D scene handed to a 3D scene as its user interface
// (the scene's folder lies below ui/, so the scene sees only the interface).
// It keeps one reference to the 2D scene; the script API reaches the 2D
// scene of a 3D scene through it.
#pragma once

#include <memory>

#include "core/shared_object.h"
#include "scene/scene.h"
#include "ui/scene2d.h"

class zScene2DInterface : public zSceneUserInterface {
  public:
    explicit zScene2DInterface(zSharedPtr<zScene2D> scene2D) : m_scene2D(scene2D) {}
    void Clear() override { m_scene2D->Clear(); }
    void Render(bool skipScript) override { m_scene2D->Render(skipScript); }
    u32 GetWindowCount() const override { return m_scene2D->GetWindowCount(); }
    // A raster font over the 2D scene's engine; empty when the file is missing.
    std::unique_ptr<zRenderFont> LoadRasterFont(const char* path, const char* name) override;

    zScene2D* GetScene2D() const override { return m_scene2D.Get(); }

  private:
    zSharedPtr<zScene2D> m_scene2D;
};

// The 2D scene of a 3D scene; null when it has none or another interface.
zScene2D* GetSceneUI(const zScene& scene);
