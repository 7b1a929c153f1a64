#include "ui/event_table.h"

#include <new>

zEventTable::~zEventTable() = default;

bool zEventTable::SetEventHandler(i32 eventId, std::unique_ptr<zScriptObject> function,
                                  std::unique_ptr<zScriptObject> context) {
    zEventHandler* handler = Find(eventId);
    if (!handler) {
        std::unique_ptr<zEventHandler> added(new (std::nothrow) zEventHandler);
        if (!added) return false;
        added->eventId = eventId;
        handler = added.get();
        if (!m_handlers.Add(std::move(added))) return false;
    }
    handler->function = std::move(function);
    handler->context = std::move(context);
    return true;
}

void zEventTable::RemoveEventHandler(i32 eventId) {
    for (auto* node = m_handlers.GetHead(); node; node = node->next) {
        if (node->value->eventId == eventId) {
            delete m_handlers.RemoveNode(node);
            return;
        }
    }
}

zEventHandler* zEventTable::Find(i32 eventId) const {
    for (auto* node = m_handlers.GetHead(); node; node = node->next) {
        if (node->value->eventId == eventId) return node->value.get();
    }
    return nullptr;
}
