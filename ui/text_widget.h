// zTextWidget: a text laid out and rendered with its text parameters (white,
// size 16 and stretched at construction). Layout measures the text into the
// widget's rectangle; Draw lays it out in the rectangle given and renders it
// there, clipped to that rectangle, and keeps the drawn bounds.
#pragma once

#include "core/zstring.h"
#include "ui/text_layout.h"
#include "ui/widget.h"

class zTextWidget : public zWidget {
  public:
    // Null font: the font system's default font.
    zTextWidget(zScene2D* ui, i32 id, const char* text, zWindowSystemFont* font, i32 size);

    void Layout() override;
    void Draw(zPicture& picture, const zRect& rect) override;

    // Each invalidates the widget when something changed.
    void SetText(const char* text);
    void SetFont(zWindowSystemFont* font);
    // Applied to the font's face at once.
    void SetSize(i32 size);
    // Channels 0..1, stored as integers 0..255 (truncated, clamped).
    void SetColor(f32 red, f32 green, f32 blue, f32 alpha);
    void SetAlignment(i32 align);
    void SetFormat(i32 format);
    // Copies the whole record when it differs.
    void SetParameters(const zTextParameters& parameters);
    const zTextParameters& GetParameters() const { return m_parameters; }
    const zString& GetText() const { return m_text; }

  private:
    void Change(bool changed) {
        if (changed) Invalidate();
    }

    zTextParameters m_parameters;
    zString m_text;
};
