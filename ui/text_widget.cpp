#include "ui/text_widget.h"

#include <cstring>

#include "picture/picture.h"
#include "ui/font_system.h"

zTextWidget::zTextWidget(zScene2D* ui, i32 id, const char* text, zWindowSystemFont* font, i32 size)
    : zWidget(ui, id, WidgetTypeText), m_parameters(DefaultTextParameters()), m_text(text ? text : "") {
    m_hAlign = WidgetAlignStretch;
    if (font) m_parameters.font = font;
    m_parameters.size = size;
    for (int i = 0; i < 4; ++i)
        m_parameters.color[i] = 255;
}

void zTextWidget::Layout() {
    const zRect measured = ComputeTextRect(m_text.CStr() ? m_text.CStr() : "", m_parameters, m_rect);
    m_rect = zRect{m_rect.left, m_rect.top, WidgetAdd(m_rect.left, measured.right),
                   WidgetAdd(m_rect.top, measured.bottom)};
}

void zTextWidget::Draw(zPicture& picture, const zRect& rect) {
    if (m_hidden || !m_needsRedraw) {
        m_needsRedraw = false;
        return;
    }
    const char* text = m_text.CStr() ? m_text.CStr() : "";
    ComputeTextRect(text, m_parameters, rect);
    m_rect = RenderText(picture, text, m_parameters, rect, &rect);
    m_needsRedraw = false;
}

void zTextWidget::SetText(const char* text) {
    if (!text) text = "";
    const char* current = m_text.CStr() ? m_text.CStr() : "";
    if (std::strcmp(current, text) == 0) return;
    m_text.Set(text);
    Invalidate();
}

void zTextWidget::SetFont(zWindowSystemFont* font) {
    Change(font != m_parameters.font);
    m_parameters.font = font;
}

void zTextWidget::SetSize(i32 size) {
    Change(size != m_parameters.size);
    m_parameters.size = size;
    if (m_parameters.font)
        m_parameters.font->SetPixelSize(u32(size < 1 ? 1 : (size > TextSizeMax ? TextSizeMax : size)));
}

void zTextWidget::SetColor(f32 red, f32 green, f32 blue, f32 alpha) {
    const f32 channels[4] = {red, green, blue, alpha};
    bool changed = false;
    for (int i = 0; i < 4; ++i) {
        const i32 value = WidgetTruncate(f64(channels[i]) * 255.0);
        const i32 clamped = value < 0 ? 0 : (value > 255 ? 255 : value);
        changed |= clamped != m_parameters.color[i];
        m_parameters.color[i] = clamped;
    }
    Change(changed);
}

void zTextWidget::SetAlignment(i32 align) {
    Change(align != m_parameters.align);
    m_parameters.align = align;
}

void zTextWidget::SetFormat(i32 format) {
    Change(format != m_parameters.format);
    m_parameters.format = format;
}

void zTextWidget::SetParameters(const zTextParameters& parameters) {
    if (parameters == m_parameters) return;
    m_parameters = parameters;
    Invalidate();
}
