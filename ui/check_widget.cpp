#include "ui/check_widget.h"

#include <new>

#include "picture/picture.h"

zCheckWidget::zCheckWidget(zScene2D* ui, i32 id, const char* label, zWindowSystemFont* font, i32 size)
    : zWidget(ui, id, WidgetTypeCheck), m_box(new (std::nothrow) zBitmapWidget(ui, id, nullptr)),
      m_label(new (std::nothrow) zTextWidget(ui, id, label, font, size)) {}

void zCheckWidget::Invalidate() {
    if (m_box) m_box->Invalidate();
    if (m_label) m_label->Invalidate();
    zWidget::Invalidate();
}

void zCheckWidget::Layout() {
    if (m_box) m_box->Layout();
    if (m_label) m_label->Layout();
    if ((m_box && m_box->NeedsRedraw()) || (m_label && m_label->NeedsRedraw())) m_needsRedraw = true;
}

void zCheckWidget::Draw(zPicture& picture, const zRect& rect) {
    if (m_hidden || !m_needsRedraw) {
        m_needsRedraw = false;
        return;
    }
    const zRect inner = InnerRect(rect);
    m_rect = inner;
    m_needsRedraw = false;
    const zPicture* box = m_box ? m_box->GetPicture() : nullptr;
    zRect boxRect = inner;
    zRect labelRect = inner;
    if (box) {
        const i32 split = WidgetAdd(inner.left, i64(box->GetWidth()) * 3 / 2);
        boxRect.right = split;
        labelRect.left = split;
    }
    if (m_box) m_box->Draw(picture, boxRect);
    if (m_label) m_label->Draw(picture, labelRect);
}

void zCheckWidget::SetWindow(zWindow* window) {
    zWidget::SetWindow(window);
    if (m_box) m_box->SetWindow(window);
    if (m_label) m_label->SetWindow(window);
}

void zCheckWidget::SetState(bool state) {
    m_state = state;
    if (m_box) m_box->SetPicture(state ? "ui/ui_check_true.tga" : "ui/ui_check_false.tga");
    Invalidate();
}
