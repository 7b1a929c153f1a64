// zWidget: what the 2D scene and windows need of a widget tree. A window
// holds its base widget by a counted reference; each widget holds its
// children the same way, in child order, and knows its parent and window.
// Rectangles are in pixels of the window picture. The concrete widgets and
// their layout derive from this.
#pragma once

#include "core/list.h"
#include "core/rect.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "ui/event_table.h"

class zPicture;
class zWindow;

class zWidget : public zSharedObject, public zEventTable {
  public:
    explicit zWidget(i32 id) : m_id(id) {}
    // The children outlive their parent only through other references.
    ~zWidget() override;

    // Lays the tree out (the base does nothing).
    virtual void Layout() {}
    // True while the widget must be drawn into its window picture again.
    virtual bool NeedsRedraw() const { return m_dirty; }
    virtual void Invalidate() { m_dirty = true; }
    // Draws the tree into the window picture within the client rectangle.
    virtual void Draw(zPicture& /*picture*/, const zRect& /*client*/) { m_dirty = false; }

    // Appends a child; false when it cannot be linked.
    bool AddChild(zWidget* child);
    // The widget of that id in this tree (this one included), or null.
    zWidget* FindChild(i32 id);
    const zList<zSharedPtr<zWidget>>& GetChildren() const { return m_children; }
    zWidget* GetParent() const { return m_parent; }
    // Gives the tree its window.
    void SetWindow(zWindow* window);
    zWindow* GetWindow() const { return m_window; }

    i32 GetId() const { return m_id; }
    bool IsHidden() const { return m_hidden; }
    void SetHidden(bool hidden) { m_hidden = hidden; }
    const zRect& GetRect() const { return m_rect; }
    void SetRect(const zRect& rect) { m_rect = rect; }

  private:
    i32 m_id;
    bool m_hidden = false;
    bool m_dirty = true;
    zRect m_rect;
    zWidget* m_parent = nullptr;
    zWindow* m_window = nullptr;
    zList<zSharedPtr<zWidget>> m_children;
};
