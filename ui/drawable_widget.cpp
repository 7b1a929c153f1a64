#include "ui/drawable_widget.h"

#include <algorithm>
#include <new>

#include "engine/engine.h"
#include "picture/picture.h"
#include "ui/scene2d.h"
#include "ui/ui_pixels.h"

void zDrawableWidget::SetPicture(zPicture* picture) {
    m_picture = picture;
    Invalidate();
}

void zDrawableWidget::Draw(zPicture& target, const zRect& rect) {
    if (m_hidden || !m_needsRedraw || !m_picture) {
        if (m_hidden) m_needsRedraw = false;
        return;
    }
    const zPicture& source = *m_picture;
    const i64 width = source.GetWidth();
    const i64 height = source.GetHeight();
    // Placed rectangle, in 64 bits: rectangles come from scripts.
    i64 left = rect.left;
    i64 top = rect.top;
    i64 right = 0;
    i64 bottom = 0;
    const i64 spaceX = i64(rect.right) - rect.left;
    const i64 spaceY = i64(rect.bottom) - rect.top;
    if (m_hAlign == WidgetAlignMiddle) left += (spaceX - width) / 2;
    if (m_hAlign == WidgetAlignRight) left = i64(rect.right) - width;
    right = m_hAlign == WidgetAlignStretch ? i64(rect.right) : left + width;
    if (m_vAlign == WidgetAlignMiddle) top += (spaceY - height) / 2;
    if (m_vAlign == WidgetAlignBottom) top = i64(rect.bottom) - height;
    bottom = m_vAlign == WidgetAlignStretch ? i64(rect.bottom) : top + height;
    // Clipped to the rectangle given and to the picture.
    const i64 originX = left;
    const i64 originY = top;
    left = std::max<i64>(left, rect.left);
    top = std::max<i64>(top, rect.top);
    right = std::min<i64>({right, i64(rect.right), originX + width});
    bottom = std::min<i64>({bottom, i64(rect.bottom), originY + height});
    m_rect = zRect{WidgetAdd(0, left), WidgetAdd(0, top), WidgetAdd(0, std::max(left, right)),
                   WidgetAdd(0, std::max(top, bottom))};
    m_needsRedraw = false;
    if (!UIPictureWritable(target) || !UIPictureReadable(source)) return;
    // Only what lies inside the target is written.
    const i64 fromX = std::max<i64>(left, 0);
    const i64 fromY = std::max<i64>(top, 0);
    const i64 toX = std::min<i64>(right, target.GetWidth());
    const i64 toY = std::min<i64>(bottom, target.GetHeight());
    for (i64 y = fromY; y < toY; ++y) {
        for (i64 x = fromX; x < toX; ++x) {
            u32 pixel[4];
            UIReadPixel(source, u32(x - originX), u32(y - originY), pixel);
            UIBlendPixel(target, u32(x), u32(y), pixel[0], pixel[1], pixel[2], pixel[3]);
        }
    }
}

zCanvasWidget::zCanvasWidget(zScene2D* ui, i32 id, i32 width, i32 height)
    : zDrawableWidget(ui, id, WidgetTypeCanvas) {
    Resize(width, height);
}

bool zCanvasWidget::Resize(i32 width, i32 height) {
    m_picture = nullptr;
    Invalidate();
    if (width < 1 || height < 1) return false;
    zSharedPtr<zPicture> picture(new (std::nothrow) zPicture());
    if (!picture || !picture->Allocate(u32(width), u32(height), PixelFormatRGBA8)) return false;
    m_picture = picture;
    return true;
}

zBitmapWidget::zBitmapWidget(zScene2D* ui, i32 id, const char* name)
    : zDrawableWidget(ui, id, WidgetTypeBitmap) {
    if (name && *name) SetPicture(name);
}

bool zBitmapWidget::SetPicture(const char* name) {
    zEngine* engine = m_ui ? m_ui->GetEngine() : nullptr;
    zPicture* picture = engine && name && *name ? engine->LoadPicture(name, false) : nullptr;
    // A file the cache could not read gives a picture without pixels.
    if (picture && !picture->GetPixels()) picture = nullptr;
    m_picture = picture;
    m_name.Set(picture ? name : "");
    Invalidate();
    return picture != nullptr;
}
