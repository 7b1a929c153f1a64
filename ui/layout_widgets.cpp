#include "ui/layout_widgets.h"

#include <algorithm>
#include <new>

#include "core/log.h"

namespace {

// Weights that cannot share (negative, NaN) count as none.
f64 Share(f32 weight) {
    return weight > 0.0f && weight < 1e30f ? f64(weight) : 0.0;
}

} // namespace

void zSizerWidget::Invalidate() {
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->Invalidate();
    zWidget::Invalidate();
}

void zSizerWidget::Layout() {
    for (auto* node = m_children.GetHead(); node; node = node->next) {
        node->value->Layout();
        if (node->value->NeedsRedraw()) m_needsRedraw = true;
    }
}

void zSizerWidget::DrawSplit(zPicture& picture, const zRect& rect, bool horizontal) {
    if (m_hidden || !m_needsRedraw || !m_children.GetCount()) {
        if (m_hidden) m_needsRedraw = false;
        return;
    }
    const zRect inner = InnerRect(rect);
    m_rect = inner;
    m_needsRedraw = false;
    f64 total = 0.0;
    for (auto* node = m_children.GetHead(); node; node = node->next) {
        if (!node->value->IsHidden()) {
            const zVector2 weight = node->value->GetWeight();
            total += Share(horizontal ? weight.x : weight.y);
        }
    }
    // Nothing to share: no child is drawn.
    if (!(total > 0.0)) return;
    const i64 extent = horizontal ? i64(inner.right) - inner.left : i64(inner.bottom) - inner.top;
    const f64 scale = f64(std::max<i64>(extent, 0)) / total;
    i64 at = horizontal ? inner.left : inner.top;
    for (auto* node = m_children.GetHead(); node; node = node->next) {
        zWidget* child = node->value.Get();
        if (child->IsHidden()) continue;
        const zVector2 weight = child->GetWeight();
        const i64 size = WidgetTruncate(Share(horizontal ? weight.x : weight.y) * scale);
        const i32 from = WidgetAdd(0, at);
        const i32 to = WidgetAdd(0, at + size);
        child->Draw(picture, horizontal ? zRect{from, inner.top, to, inner.bottom}
                                        : zRect{inner.left, from, inner.right, to});
        at += size;
    }
}

zVector2 zHSizerWidget::GetWeight() const {
    f32 sum = 0.0f;
    f32 largest = 0.0f;
    for (auto* node = m_children.GetHead(); node; node = node->next) {
        const zVector2 weight = node->value->GetWeight();
        sum += weight.x;
        largest = std::max(largest, weight.y);
    }
    return zVector2(m_weights.x * sum, m_weights.y * largest);
}

zVector2 zVSizerWidget::GetWeight() const {
    f32 sum = 0.0f;
    f32 largest = 0.0f;
    for (auto* node = m_children.GetHead(); node; node = node->next) {
        const zVector2 weight = node->value->GetWeight();
        largest = std::max(largest, weight.x);
        sum += weight.y;
    }
    return zVector2(m_weights.x * largest, m_weights.y * sum);
}

void zContainerWidget::Invalidate() {
    for (auto* node = m_cells.GetHead(); node; node = node->next)
        node->value->widget->Invalidate();
    zWidget::Invalidate();
}

void zContainerWidget::Layout() {
    for (auto* node = m_cells.GetHead(); node; node = node->next) {
        node->value->widget->Layout();
        if (node->value->widget->NeedsRedraw()) m_needsRedraw = true;
    }
}

void zContainerWidget::Draw(zPicture& picture, const zRect& rect) {
    // With no cells there is nothing to draw, and nothing left to redraw:
    // a flag left set would have the window compose again every frame.
    if (m_hidden || !m_needsRedraw || !m_cells.GetCount()) {
        m_needsRedraw = false;
        return;
    }
    m_rect = rect;
    m_needsRedraw = false;
    for (auto* node = m_cells.GetHead(); node; node = node->next) {
        const zContainerCell& cell = *node->value;
        if (cell.widget->IsHidden()) continue;
        cell.widget->Draw(
            picture, zRect{WidgetAdd(rect.left, cell.rect.left), WidgetAdd(rect.top, cell.rect.top),
                           WidgetAdd(rect.left, cell.rect.right), WidgetAdd(rect.top, cell.rect.bottom)});
    }
}

zContainerCell* zContainerWidget::FindCell(const zWidget* widget) const {
    for (auto* node = m_cells.GetHead(); node; node = node->next) {
        if (node->value->widget.Get() == widget) return node->value.get();
    }
    return nullptr;
}

bool zContainerWidget::AddWidget(zWidget* widget, const zRect& rect) {
    if (!widget) {
        GetLog() << "[!] Cannot create a cell for a NULL widget.\n";
        return false;
    }
    if (zContainerCell* cell = FindCell(widget)) {
        cell->rect = rect;
        Invalidate();
        return true;
    }
    std::unique_ptr<zContainerCell> cell(new (std::nothrow)
                                             zContainerCell{rect, zSharedPtr<zWidget>(widget)});
    if (!cell || !AddChild(widget)) {
        GetLog() << "[!] Failed to allocate new container cell.\n";
        return false;
    }
    if (!m_cells.Add(std::move(cell))) {
        RemoveChild(widget);
        GetLog() << "[!] Failed to allocate new container cell.\n";
        return false;
    }
    return true;
}

bool zContainerWidget::RemoveWidget(zWidget* widget) {
    for (auto* node = m_cells.GetHead(); node; node = node->next) {
        if (node->value->widget.Get() != widget) continue;
        // The cell's reference keeps the widget alive while it leaves.
        const zSharedPtr<zWidget> guard(widget);
        delete m_cells.RemoveNode(node);
        RemoveChild(widget);
        Invalidate();
        return true;
    }
    return false;
}

void zSpacerWidget::Draw(zPicture& /*picture*/, const zRect& rect) {
    m_rect = rect;
    m_needsRedraw = false;
}
