// The widgets that place other widgets: sizers split their inner rectangle
// (margins taken off) between their visible children in proportion to the
// children's weights, along x (zHSizerWidget) or y (zVSizerWidget); the
// pixels lost to truncation stay empty at the right or bottom end, and a
// sizer with no weight to share (all children hidden) draws nothing. A
// container places each widget in a cell rectangle of its own, offset by the
// container's corner. A spacer only takes its rectangle.
#pragma once

#include <memory>

#include "ui/widget.h"

class zSizerWidget : public zWidget {
  public:
    // Children first, then the sizer.
    void Invalidate() override;
    // Lays the children out; needs a redraw when any child does.
    void Layout() override;
    // Appends a child (see AddChild); null is ignored.
    void AddWidget(zWidget* widget) { AddChild(widget); }

  protected:
    zSizerWidget(zScene2D* ui, i32 id, i32 type) : zWidget(ui, id, type) {}
    // Splits along x (horizontal) or y.
    void DrawSplit(zPicture& picture, const zRect& rect, bool horizontal);
};

class zHSizerWidget : public zSizerWidget {
  public:
    zHSizerWidget(zScene2D* ui, i32 id) : zSizerWidget(ui, id, WidgetTypeHSizer) {}
    void Draw(zPicture& picture, const zRect& rect) override { DrawSplit(picture, rect, true); }
    // (own x weight x sum of the children's x, own y weight x largest y).
    zVector2 GetWeight() const override;
};

class zVSizerWidget : public zSizerWidget {
  public:
    zVSizerWidget(zScene2D* ui, i32 id) : zSizerWidget(ui, id, WidgetTypeVSizer) {}
    void Draw(zPicture& picture, const zRect& rect) override { DrawSplit(picture, rect, false); }
    // (own x weight x largest x, own y weight x sum of the children's y).
    zVector2 GetWeight() const override;
};

struct zContainerCell {
    zRect rect;
    zSharedPtr<zWidget> widget;
};

class zContainerWidget : public zWidget {
  public:
    zContainerWidget(zScene2D* ui, i32 id) : zWidget(ui, id, WidgetTypeContainer) {}

    void Invalidate() override;
    void Layout() override;
    void Draw(zPicture& picture, const zRect& rect) override;

    // A new cell with the rectangle, the widget appended to the children; a
    // widget that has a cell already only gets the new rectangle. Errors
    // "[!] Cannot create a cell for a NULL widget." and "[!] Failed to
    // allocate new container cell.".
    bool AddWidget(zWidget* widget, const zRect& rect);
    // Drops the widget's cell and the child; false when it has no cell.
    bool RemoveWidget(zWidget* widget);
    zContainerCell* FindCell(const zWidget* widget) const;
    const zList<std::unique_ptr<zContainerCell>>& GetCells() const { return m_cells; }

  private:
    zList<std::unique_ptr<zContainerCell>> m_cells;
};

class zSpacerWidget : public zWidget {
  public:
    zSpacerWidget(zScene2D* ui, i32 id) : zWidget(ui, id, WidgetTypeSpacer) { SetWeights(0.5f, 0.5f); }
    void Layout() override {}
    void Draw(zPicture& picture, const zRect& rect) override;
};
