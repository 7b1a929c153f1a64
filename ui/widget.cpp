#include "ui/widget.h"

#include <cstdint>

#include "core/matrix.h"
#include "script/script_object.h"
#include "ui/sprite.h"

i32 WidgetTruncate(f64 value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return i32(value);
}

i32 WidgetAdd(i32 a, i64 b) {
    const i64 sum = i64(a) + b;
    return sum > INT32_MAX ? INT32_MAX : (sum < INT32_MIN ? INT32_MIN : i32(sum));
}

zWidget::zWidget(zScene2D* ui, i32 id, i32 type) : m_type(type), m_ui(ui), m_id(id) {}

zWidget::~zWidget() {
    // Script handles of the widget become "Deleted native" (the registry is
    // read directly: the widget may outlive the 2D scene that made it).
    InvalidateScriptRecords(this);
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->m_parent = nullptr;
}

bool zWidget::AddChild(zWidget* child) {
    if (!child) return false;
    // A tree never holds itself.
    for (zWidget* ancestor = this; ancestor; ancestor = ancestor->m_parent) {
        if (ancestor == child) return false;
    }
    const zSharedPtr<zWidget> guard(child);
    if (child->m_parent != this) {
        if (child->m_parent) child->m_parent->RemoveChild(child);
        if (!m_children.Add(guard)) return false;
        child->m_parent = this;
    }
    child->SetWindow(m_window);
    child->Invalidate();
    return true;
}

bool zWidget::RemoveChild(zWidget* child) {
    auto* node = child ? m_children.Find(zSharedPtr<zWidget>(child)) : nullptr;
    if (!node) return false;
    child->m_parent = nullptr;
    child->SetWindow(nullptr);
    delete m_children.RemoveNode(node);
    return true;
}

zWidget* zWidget::FindById(i32 id) {
    if (m_id == id) return this;
    for (auto* node = m_children.GetHead(); node; node = node->next) {
        if (zWidget* found = node->value->FindById(id)) return found;
    }
    return nullptr;
}

void zWidget::SetWindow(zWindow* window) {
    m_window = window;
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->SetWindow(window);
}

zVector2 zWidget::GetScreenPosition(f32 x, f32 y) const {
    const zVector2 point(f32(m_rect.left) - x, f32(m_rect.top) - y);
    return m_window ? m_window->GetWorldMatrix().TransformPoint2D(point) : point;
}

void zWidget::SetMargins(f32 top, f32 bottom, f32 left, f32 right) {
    m_margins[0] = top;
    m_margins[1] = bottom;
    m_margins[2] = left;
    m_margins[3] = right;
    Invalidate();
}

zRect zWidget::InnerRect(const zRect& rect) const {
    return zRect{WidgetAdd(rect.left, WidgetTruncate(m_margins[2])),
                 WidgetAdd(rect.top, WidgetTruncate(m_margins[0])),
                 WidgetAdd(rect.right, -i64(WidgetTruncate(m_margins[3]))),
                 WidgetAdd(rect.bottom, -i64(WidgetTruncate(m_margins[1])))};
}
