// zEventTable: the script handlers of one sprite, window or widget, one per
// UI event id (1 to 15, below). A handler owns its script function and the
// context (the this) the function is called with.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/types.h"
#include "markup/script_value.h"

// UI event ids (the script constants of the same names).
enum zUIEvent : i32 {
    EventLeftMouseClick = 1,
    EventRightMouseClick = 2,
    EventMiddleMouseClick = 3,
    EventLeftMouseDown = 4,
    EventRightMouseDown = 5,
    EventMiddleMouseDown = 6,
    EventLeftMouseUp = 7,
    EventRightMouseUp = 8,
    EventMiddleMouseUp = 9,
    EventMouseEnter = 10,
    EventMouseLeave = 11,
    EventMouseMove = 12,
    EventMove = 13,
    EventShade = 14,
    EventUnshade = 15,
};

struct zEventHandler {
    i32 eventId = 0;
    std::unique_ptr<zScriptObject> function;
    std::unique_ptr<zScriptObject> context;
};

class zEventTable {
  public:
    zEventTable() = default;
    virtual ~zEventTable();
    zEventTable(const zEventTable&) = delete;
    zEventTable& operator=(const zEventTable&) = delete;

    // Replaces the function and context of the id's handler, appending one
    // when the id has none; false when it cannot be allocated.
    bool SetEventHandler(i32 eventId, std::unique_ptr<zScriptObject> function, std::unique_ptr<zScriptObject> context);
    void RemoveEventHandler(i32 eventId);
    zEventHandler* Find(i32 eventId) const;
    bool HasHandler(i32 eventId) const { return Find(eventId) != nullptr; }

    u32 GetEnabled() const { return m_enabled; }
    void SetEnabled(u32 enabled) { m_enabled = enabled; }

  private:
    u32 m_enabled = 1;
    zList<std::unique_ptr<zEventHandler>> m_handlers;
};
