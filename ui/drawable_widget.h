// Widgets that show a picture. zDrawableWidget aligns its picture in the
// rectangle given (middle centres, right or bottom moves it to that edge,
// stretch widens the kept rectangle to the given edge; anything else places
// it at the left or top), clips it to that rectangle, to the picture and to
// the target, and blends it over the target pixel by pixel with the compose
// rule. zCanvasWidget owns a picture that scripts draw into; zBitmapWidget
// shows a picture of the engine's picture cache.
#pragma once

#include "core/zstring.h"
#include "ui/widget.h"

class zDrawableWidget : public zWidget {
  public:
    zDrawableWidget(zScene2D* ui, i32 id) : zDrawableWidget(ui, id, WidgetTypeDrawable) {}

    void Layout() override {}
    void Draw(zPicture& picture, const zRect& rect) override;

    void SetPicture(zPicture* picture);
    zPicture* GetPicture() const { return m_picture.Get(); }

  protected:
    zDrawableWidget(zScene2D* ui, i32 id, i32 type) : zWidget(ui, id, type) {}

    zSharedPtr<zPicture> m_picture;
};

// The UI pixel format of canvas and window pictures.
class zCanvasWidget : public zDrawableWidget {
  public:
    // A picture of that size; none when a side is below 1 or too large.
    zCanvasWidget(zScene2D* ui, i32 id, i32 width, i32 height);
    // Reallocates the picture (cleared) and marks the widget for redraw;
    // false, without a picture, when it cannot be allocated.
    bool Resize(i32 width, i32 height);
};

class zBitmapWidget : public zDrawableWidget {
  public:
    // Null or empty name: no picture yet.
    zBitmapWidget(zScene2D* ui, i32 id, const char* name);
    // Takes the picture from the engine's picture cache; found: invalidates.
    // Not found: the widget shows nothing. Returns whether it was found.
    bool SetPicture(const char* name);
    const zString& GetPictureName() const { return m_name; }

  private:
    zString m_name;
};
