// Widget trees built from any bytes and drawn into a skinned window. The
// first bytes give the window size and the skin numbers (title colour, title
// top and height, title size); then each byte is an operation: add a
// horizontal or vertical sizer, a container (with a cell rectangle from the
// next bytes), a spacer, a text widget or a check widget (text from the
// next bytes, inline commands and all), a canvas; set margins, weights,
// alignments or hidden on the last widget; close the current sizer. The
// window is drawn, invalidated and drawn again, the title text changed, and
// widgets removed from their containers.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "fuzz/fuzz_font.h"
#include "fuzz/fuzz_support.h"
#include "picture/picture.h"
#include "ui/check_widget.h"
#include "ui/drawable_widget.h"
#include "ui/layout_widgets.h"
#include "ui/scene2d.h"
#include "ui/sprite.h"
#include "ui/text_widget.h"

namespace {

// A 4 x 4 uncompressed 32-bit TGA of one colour.
std::string SkinTga(u8 shade) {
    std::string tga("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x20\x28", 18);
    for (int i = 0; i < 16; ++i)
        tga += std::string{char(shade), char(shade), char(shade), '\xff'};
    return tga;
}

struct Reader {
    const u8* data;
    size_t size;
    size_t at = 0;
    bool More() const { return at < size; }
    u8 Byte() { return at < size ? data[at++] : 0; }
    i32 Signed() { return i32(i8(Byte())); }
    std::string Text() {
        const size_t length = std::min<size_t>(Byte(), size - std::min(at, size));
        std::string text(reinterpret_cast<const char*>(data + at), length);
        at += length;
        return text;
    }
};

// Widgets are at most this many, so that one input stays fast.
constexpr size_t WidgetLimit = 64;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    OpenFuzzFontSystem(round);
    Reader in{data, size};
    zEngine engine;
    zScene2D scene(&engine, nullptr);
    scene.SetMouse(nullptr);
    const char* names[8] = {"s1.tga", "s2.tga", "s3.tga", "s4.tga", "s5.tga", "s6.tga", "s7.tga", "s8.tga"};
    for (int i = 0; i < 8; ++i)
        round.AddFile(names[i], SkinTga(u8(i * 30)));
    const i32 numbers[5] = {0, i32(0xff000000u | in.Byte() * 0x010101u), in.Signed(), in.Signed(),
                            in.Signed()};
    scene.SetSkin(names, numbers, "Default");
    const zVector2 windowSize(f32(in.Byte() + 1), f32(in.Byte() + 1));
    zWindow* window = new zWindow(&scene, nullptr, "w", in.Text().c_str(), nullptr, &windowSize);

    zSharedPtr<zHSizerWidget> root(new zHSizerWidget(&scene, 0));
    std::vector<zWidget*> open{root.Get()}; // sizers and containers, innermost last
    std::vector<zSharedPtr<zWidget>> made{zSharedPtr<zWidget>(root.Get())};
    auto add = [&](zWidget* widget, zRect cell) {
        made.emplace_back(widget);
        zWidget* parent = open.back();
        if (parent->GetType() == WidgetTypeContainer) {
            static_cast<zContainerWidget*>(parent)->AddWidget(widget, cell);
        } else {
            static_cast<zSizerWidget*>(parent)->AddWidget(widget);
        }
        if (widget->GetType() <= WidgetTypeContainer) open.push_back(widget);
    };
    while (in.More() && made.size() < WidgetLimit) {
        const u8 op = in.Byte();
        const i32 id = i32(op >> 4);
        zRect cell{in.Signed() * 4, in.Signed() * 4, 0, 0};
        cell.right = cell.left + in.Signed() * 4;
        cell.bottom = cell.top + in.Signed() * 4;
        zWidget* last = made.back().Get();
        switch (op % 12) {
        case 0:
            add(new zHSizerWidget(&scene, id), cell);
            break;
        case 1:
            add(new zVSizerWidget(&scene, id), cell);
            break;
        case 2:
            add(new zContainerWidget(&scene, id), cell);
            break;
        case 3:
            add(new zSpacerWidget(&scene, id), cell);
            break;
        case 4: {
            zTextWidget* text = new zTextWidget(&scene, id, in.Text().c_str(), nullptr, in.Signed());
            text->SetFormat(in.Byte() % 3);
            text->SetAlignment(in.Byte() % 4);
            add(text, cell);
            break;
        }
        case 5:
            add(new zCanvasWidget(&scene, id, in.Byte() % 40, in.Byte() % 40), cell);
            break;
        case 6: {
            zCheckWidget* check = new zCheckWidget(&scene, id, in.Text().c_str(), nullptr, in.Signed());
            check->SetState(in.Byte() & 1);
            add(check, cell);
            break;
        }
        case 7:
            last->SetMargins(f32(in.Signed()), f32(in.Signed()), f32(in.Signed()), f32(in.Signed()));
            break;
        case 8:
            last->SetWeights(f32(in.Signed()) / 4.0f, f32(in.Signed()) / 4.0f);
            break;
        case 9:
            last->SetHAlign(in.Byte() % 8);
            last->SetVAlign(in.Byte() % 8);
            break;
        case 10:
            last->SetHidden(in.Byte() & 1);
            break;
        default:
            if (open.size() > 1) open.pop_back();
            break;
        }
    }
    window->SetBaseWidget(root.Get());
    window->Draw(nullptr);
    window->Invalidate();
    window->Draw(nullptr);
    if (window->GetTitleWidget()) window->GetTitleWidget()->SetText("~~Color(255,0,0,255)Title");
    window->Draw(nullptr);
    for (const zSharedPtr<zWidget>& widget : made) {
        if (zWidget* parent = widget->GetParent()) {
            if (parent->GetType() == WidgetTypeContainer)
                static_cast<zContainerWidget*>(parent)->RemoveWidget(widget.Get());
        }
    }
    window->Draw(nullptr);
    return 0;
}
