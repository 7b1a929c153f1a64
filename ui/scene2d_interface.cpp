#include "ui/scene2d_interface.h"

#include <new>

#include "ui/raster_font.h"

std::unique_ptr<zRenderFont> zScene2DInterface::LoadRasterFont(const char* path, const char*) {
    std::unique_ptr<zRasterFont> font(new (std::nothrow) zRasterFont(m_scene2D->GetEngine()));
    if (font) font->Load(path);
    return font;
}

zScene2D* GetSceneUI(const zScene& scene) {
    const zSceneUserInterface* ui = scene.GetUserInterface();
    return ui ? ui->GetScene2D() : nullptr;
}
