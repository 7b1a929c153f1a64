#include "io/filesystem.h"

// Derived file systems close their handles in their own destructors, where
// their Close slot still exists.
zIOBaseFS::~zIOBaseFS() = default;

void zIOBaseFS::GetCurrentDirectory(zString& out) {
    out.Clear();
}

bool zIOBaseFS::SetCurrentDirectory(const char* /*path*/) {
    return false;
}

bool zIOBaseFS::CloseAll() {
    zList<zIORecord*>::Node* node = m_handles.GetHead();
    while (node) {
        zList<zIORecord*>::Node* next = node->next;
        Close(node->value);
        node = next;
    }
    return true;
}
