#include "ui/widget.h"

zWidget::~zWidget() {
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->m_parent = nullptr;
}

bool zWidget::AddChild(zWidget* child) {
    if (!child || child->m_parent) return false;
    // A tree never holds itself.
    for (zWidget* ancestor = this; ancestor; ancestor = ancestor->m_parent) {
        if (ancestor == child) return false;
    }
    if (!m_children.Add(zSharedPtr<zWidget>(child))) return false;
    child->m_parent = this;
    child->SetWindow(m_window);
    return true;
}

zWidget* zWidget::FindChild(i32 id) {
    if (m_id == id) return this;
    for (auto* node = m_children.GetHead(); node; node = node->next) {
        if (zWidget* found = node->value->FindChild(id)) return found;
    }
    return nullptr;
}

void zWidget::SetWindow(zWindow* window) {
    m_window = window;
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->SetWindow(window);
}
