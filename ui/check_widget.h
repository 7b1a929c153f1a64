// zCheckWidget: a check box: a box picture ("ui/ui_check_true.tga" or
// "ui/ui_check_false.tga" by its state) and a text label beside it. The box
// takes one and a half times its picture's width at the left of the inner
// rectangle, the label the rest; without a box picture both share the whole
// inner rectangle. Box and label belong to the check widget: they are not
// its children, so the hit test stops at the check widget.
#pragma once

#include "ui/drawable_widget.h"
#include "ui/text_widget.h"

class zCheckWidget : public zWidget {
  public:
    // The box stays empty until SetState.
    zCheckWidget(zScene2D* ui, i32 id, const char* label, zWindowSystemFont* font, i32 size);

    // Box and label, then the check widget.
    void Invalidate() override;
    void Layout() override;
    void Draw(zPicture& picture, const zRect& rect) override;
    void SetWindow(zWindow* window) override;

    // Stores the state and loads its box picture.
    void SetState(bool state);
    bool GetState() const { return m_state; }
    // Null only when they could not be allocated.
    zBitmapWidget* GetBox() const { return m_box.Get(); }
    zTextWidget* GetLabel() const { return m_label.Get(); }

  private:
    zSharedPtr<zBitmapWidget> m_box;
    zSharedPtr<zTextWidget> m_label;
    bool m_state = false;
};
