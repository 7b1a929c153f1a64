// zWidget: the base of the widgets that fill a window. A widget tree is made
// of reference-counted widgets; each holds its children by counted
// references, in child order, and knows its parent and the window holding the
// tree. Layout measures, Draw places the widget in a rectangle of the window
// picture (pixels, right and bottom exclusive), stores the rectangle it took
// and draws into the picture on the CPU. A widget that needs no redraw is
// not drawn again; Invalidate marks it (and, for containers, what they hold).
// Hidden widgets are neither drawn nor hit, nor are their subtrees.
#pragma once

#include "core/list.h"
#include "core/rect.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"
#include "ui/event_table.h"

class zPicture;
class zScene2D;
class zWindow;

// Widget type codes.
enum zWidgetType : i32 {
    WidgetTypeBase = 0,
    WidgetTypeSizer = 1,
    WidgetTypeVSizer = 2,
    WidgetTypeHSizer = 3,
    WidgetTypeContainer = 4,
    WidgetTypeSpacer = 5,
    WidgetTypeText = 6,
    WidgetTypeCanvas = 7,
    WidgetTypeDrawable = 8,
    WidgetTypeBitmap = 9,
    WidgetTypeCheck = 10,
};

// Alignments (the script constants WidgetAlign*); any other value places at
// the left or top.
enum zWidgetAlign : i32 {
    WidgetAlignDefault = 0,
    WidgetAlignLeft = 1,
    WidgetAlignTop = 2,
    WidgetAlignMiddle = 3,
    WidgetAlignRight = 4,
    WidgetAlignBottom = 5,
    WidgetAlignStretch = 6,
};

class zWidget : public zSharedObject, public zEventTable {
  public:
    zWidget(zScene2D* ui, i32 id, i32 type = WidgetTypeBase);
    // Releases the children; they outlive it only through other references.
    ~zWidget() override;

    virtual void Invalidate() { m_needsRedraw = true; }
    // Measures the widget (and its subtree).
    virtual void Layout() = 0;
    // Draws into the picture within the rectangle.
    virtual void Draw(zPicture& picture, const zRect& rect) = 0;
    // Horizontal and vertical share in a sizer.
    virtual zVector2 GetWeight() const { return m_weights; }
    // Gives the widget and its whole subtree the window.
    virtual void SetWindow(zWindow* window);

    // Links a child at the end of the children: its parent and window are
    // set and it is invalidated. A child already here stays where it is; one
    // held by another parent moves; null and cycles are refused (false).
    bool AddChild(zWidget* child);
    // Unlinks a child; false when it is not one.
    bool RemoveChild(zWidget* child);
    // Depth first, this widget first; null when absent.
    zWidget* FindById(i32 id);
    // (rect left - x, rect top - y) through the window's world matrix; the
    // point itself without a window.
    zVector2 GetScreenPosition(f32 x, f32 y) const;

    void SetMargins(f32 top, f32 bottom, f32 left, f32 right);
    void SetWeights(f32 horizontal, f32 vertical) { m_weights = zVector2(horizontal, vertical); }
    void SetHAlign(i32 align) { m_hAlign = align; }
    void SetVAlign(i32 align) { m_vAlign = align; }
    void SetHidden(bool hidden) { m_hidden = hidden; }
    void SetRect(const zRect& rect) { m_rect = rect; }

    i32 GetType() const { return m_type; }
    zScene2D* GetUI() const { return m_ui; }
    i32 GetId() const { return m_id; }
    const zRect& GetRect() const { return m_rect; }
    i32 GetHAlign() const { return m_hAlign; }
    i32 GetVAlign() const { return m_vAlign; }
    bool IsHidden() const { return m_hidden; }
    bool NeedsRedraw() const { return m_needsRedraw; }
    // top, bottom, left, right
    const f32* GetMargins() const { return m_margins; }
    const zVector2& GetWeights() const { return m_weights; }
    zWidget* GetParent() const { return m_parent; }
    zWindow* GetWindow() const { return m_window; }
    const zList<zSharedPtr<zWidget>>& GetChildren() const { return m_children; }

  protected:
    // The rectangle less the margins, each truncated to an integer.
    zRect InnerRect(const zRect& rect) const;

    i32 m_type;
    zScene2D* m_ui;
    i32 m_id;
    zRect m_rect;
    i32 m_hAlign = WidgetAlignMiddle;
    i32 m_vAlign = WidgetAlignMiddle;
    bool m_hidden = false;
    bool m_needsRedraw = true;
    f32 m_margins[4] = {2.0f, 2.0f, 2.0f, 2.0f};
    zWidget* m_parent = nullptr;
    zWindow* m_window = nullptr;
    zList<zSharedPtr<zWidget>> m_children;
    zVector2 m_weights{1.0f, 1.0f};
};

// A float truncated to an integer, saturated (NaN gives 0).
i32 WidgetTruncate(f64 value);
// a + b saturated to 32 bits.
i32 WidgetAdd(i32 a, i64 b);
