// The UI group, second half: widgets made in a UI scene, their kinds and
// casts, layout, text widgets and their parameter tables, check boxes,
// sizers and containers, and widget event handlers.
//
// A handle's kind is fixed when it is pushed and the casts only change it;
// a native that needs one widget class still checks the widget's real class,
// so a handle cast to the wrong kind raises instead of reaching the wrong
// object.
#include <cmath>
#include <cstring>
#include <new>

#include "core/color.h"
#include "core/log.h"
#include "picture/picture.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/ui_natives.h"
#include "ui/check_widget.h"
#include "ui/drawable_widget.h"
#include "ui/font_system.h"
#include "ui/layout_widgets.h"
#include "ui/scene2d.h"
#include "ui/sprite.h"
#include "ui/text_layout.h"
#include "ui/text_widget.h"
#include "ui/widget.h"

namespace {

bool IsWidgetKind(i32 kind) {
    return kind >= ScriptKindWidget && kind <= ScriptKindCheckWidget;
}

// Any widget kind: "Object is not a widget" for another value, "Widget is
// null" for a handle holding nothing.
zWidget* AnyWidgetArgument(ScriptArgs& args, int position) {
    if (!args) return nullptr;
    const i32 kind = args.Kind(position);
    if (!IsWidgetKind(kind)) {
        args.Error("Object is not a widget");
        return nullptr;
    }
    return args.Object<zWidget>(position, kind, "Widget is null");
}

// A handle of exactly that kind whose widget is of the class (null handle:
// null, or "CObject is null" when required).
template <class T> T* WidgetOfKind(ScriptArgs& args, int position, i32 kind, bool required) {
    zWidget* widget = required ? args.Object<zWidget>(position, kind) : args.ObjectOrNull<zWidget>(position, kind);
    if (!widget) return nullptr;
    T* typed = dynamic_cast<T*>(widget);
    if (!typed) {
        zString text;
        text.Format("Widget is not a %s", ScriptObjectKindName(kind));
        args.Error(text.CStr());
    }
    return typed;
}

SQInteger ReturnWidget(ScriptArgs& args, zWidget* widget, i32 kind) {
    return args.ReturnObject(widget, kind);
}

// --- Constructors ---

// The UI scene of a constructor; a null one makes nothing and the handle of
// the kind holds nothing. The new widget is kept by the scene until a tree
// or a window holds it.
template <typename Make> SQInteger AddWidget(HSQUIRRELVM vm, i32 kind, Make make) {
    ScriptArgs args(vm);
    zScene2D* ui = args.ObjectOrNull<zScene2D>(1, ScriptKindWindowSystem);
    const i32 id = i32(args.Integer(2));
    // make reads its own arguments before it allocates.
    zWidget* widget = args && ui ? make(args, ui, id) : nullptr;
    if (!args) return args.Fail();
    if (widget) ui->KeepFloatingWidget(widget);
    return ReturnWidget(args, widget, kind);
}

SQInteger UIAddCanvasWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindCanvasWidget, [](ScriptArgs& args, zScene2D* ui, i32 id) -> zWidget* {
        const SQInteger width = args.Integer(3);
        const SQInteger height = args.Integer(4);
        return args ? new (std::nothrow) zCanvasWidget(ui, id, i32(width), i32(height)) : nullptr;
    });
}

SQInteger UIAddHorizontalSizerWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindBaseSizer,
                     [](ScriptArgs&, zScene2D* ui, i32 id) -> zWidget* { return new (std::nothrow) zHSizerWidget(ui, id); });
}

SQInteger UIAddVerticalSizerWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindBaseSizer,
                     [](ScriptArgs&, zScene2D* ui, i32 id) -> zWidget* { return new (std::nothrow) zVSizerWidget(ui, id); });
}

SQInteger UIAddContainerWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindContainerWidget, [](ScriptArgs&, zScene2D* ui, i32 id) -> zWidget* {
        return new (std::nothrow) zContainerWidget(ui, id);
    });
}

SQInteger UIAddSpacerWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindSpacerWidget,
                     [](ScriptArgs&, zScene2D* ui, i32 id) -> zWidget* { return new (std::nothrow) zSpacerWidget(ui, id); });
}

SQInteger UIAddBitmapWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindBitmapWidget, [](ScriptArgs& args, zScene2D* ui, i32 id) -> zWidget* {
        const char* name = args.String(3);
        return args ? new (std::nothrow) zBitmapWidget(ui, id, name) : nullptr;
    });
}

SQInteger UIAddStaticTextWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindTextWidget, [](ScriptArgs& args, zScene2D* ui, i32 id) -> zWidget* {
        const char* text = args.String(3);
        const char* font = args.String(4);
        return args ? new (std::nothrow) zTextWidget(ui, id, text, FontSystemFindFont(font), 16) : nullptr;
    });
}

SQInteger UIAddCheckWidget(HSQUIRRELVM vm) {
    return AddWidget(vm, ScriptKindCheckWidget, [](ScriptArgs& args, zScene2D* ui, i32 id) -> zWidget* {
        const char* label = args.String(3);
        const char* font = args.String(4);
        const bool state = args.Bool(5);
        if (!args) return nullptr;
        zCheckWidget* check = new (std::nothrow) zCheckWidget(ui, id, label, FontSystemFindFont(font), 16);
        if (check) check->SetState(state);
        return check;
    });
}

// --- Other functions ---

// The natives over one widget class that do nothing for a null handle.
template <class T, i32 Kind, typename Act> SQInteger WidgetSetter(HSQUIRRELVM vm, Act act) {
    ScriptArgs args(vm);
    T* widget = WidgetOfKind<T>(args, 1, Kind, false);
    if (!args) return args.Fail();
    if (widget) act(args, *widget);
    return args ? args.None() : args.Fail();
}

// The natives over any widget kind.
template <typename Act> SQInteger AnyWidgetSetter(HSQUIRRELVM vm, Act act) {
    ScriptArgs args(vm);
    zWidget* widget = AnyWidgetArgument(args, 1);
    if (!args) return args.Fail();
    act(args, *widget);
    return args ? args.None() : args.Fail();
}

SQInteger CanvasWidgetLock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCanvasWidget* canvas = WidgetOfKind<zCanvasWidget>(args, 1, ScriptKindCanvasWidget, false);
    if (!args) return args.Fail();
    return args.ReturnObject(canvas ? canvas->GetPicture() : nullptr, ScriptKindPicture);
}

SQInteger CanvasWidgetUnlock(HSQUIRRELVM vm) {
    return WidgetSetter<zCanvasWidget, ScriptKindCanvasWidget>(
        vm, [](ScriptArgs&, zCanvasWidget& canvas) { canvas.Invalidate(); });
}

SQInteger SizerSetBorderSize(HSQUIRRELVM vm) {
    return WidgetSetter<zSizerWidget, ScriptKindBaseSizer>(vm, [](ScriptArgs& args, zSizerWidget& sizer) {
        f32 values[4];
        for (int i = 0; i < 4; ++i)
            values[i] = f32(args.Integer(2 + i));
        if (!args) return;
        // Border fields top, bottom, left, right take b, d, a, c.
        sizer.SetMargins(values[1], values[3], values[0], values[2]);
        sizer.Invalidate();
    });
}

SQInteger SizerAddWidget(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSizerWidget* sizer = WidgetOfKind<zSizerWidget>(args, 1, ScriptKindBaseSizer, false);
    zWidget* widget = AnyWidgetArgument(args, 2);
    if (!args) return args.Fail();
    if (sizer) sizer->AddWidget(widget);
    return ReturnWidget(args, widget, args.Kind(2));
}

SQInteger ContainerAddWidget(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zContainerWidget* container = WidgetOfKind<zContainerWidget>(args, 1, ScriptKindContainerWidget, false);
    zWidget* widget = AnyWidgetArgument(args, 2);
    const i32 x = WidgetTruncate(args.Number(3));
    const i32 y = WidgetTruncate(args.Number(4));
    const i32 width = WidgetTruncate(args.Number(5));
    const i32 height = WidgetTruncate(args.Number(6));
    if (!args) return args.Fail();
    const i32 kind = args.Kind(2);
    if (container) container->AddWidget(widget, zRect{x, y, WidgetAdd(x, width), WidgetAdd(y, height)});
    return ReturnWidget(args, widget, kind);
}

// Moves the widget's cell to (x, y), keeping its size.
SQInteger ContainerWidgetSetPosition(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zContainerWidget* container = WidgetOfKind<zContainerWidget>(args, 1, ScriptKindContainerWidget, true);
    zWidget* widget = AnyWidgetArgument(args, 2);
    const i32 x = WidgetTruncate(args.Number(3));
    const i32 y = WidgetTruncate(args.Number(4));
    if (!args) return args.Fail();
    zContainerCell* cell = container->FindCell(widget);
    if (!cell) return args.Error("Widget not in container");
    const zRect old = cell->rect;
    cell->rect = zRect{x, y, WidgetAdd(x, i64(old.right) - old.left), WidgetAdd(y, i64(old.bottom) - old.top)};
    container->Invalidate();
    return args.None();
}

SQInteger BitmapSetPicture(HSQUIRRELVM vm) {
    return WidgetSetter<zBitmapWidget, ScriptKindBitmapWidget>(vm, [](ScriptArgs& args, zBitmapWidget& bitmap) {
        const char* name = args.String(2);
        if (args) bitmap.SetPicture(name);
    });
}

// The text setters of one integer.
template <void (zTextWidget::*Set)(i32)> SQInteger TextIntegerSetter(HSQUIRRELVM vm) {
    return WidgetSetter<zTextWidget, ScriptKindTextWidget>(vm, [](ScriptArgs& args, zTextWidget& text) {
        const SQInteger value = args.Integer(2);
        if (args) (text.*Set)(i32(value));
    });
}

SQInteger TextSetColor(HSQUIRRELVM vm) {
    return WidgetSetter<zTextWidget, ScriptKindTextWidget>(vm, [](ScriptArgs& args, zTextWidget& text) {
        f32 channels[4];
        for (int i = 0; i < 4; ++i)
            channels[i] = f32(args.Integer(2 + i)) / 255.0f;
        if (args) text.SetColor(channels[0], channels[1], channels[2], channels[3]);
    });
}

SQInteger TextSetText(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTextWidget* text = WidgetOfKind<zTextWidget>(args, 1, ScriptKindTextWidget, true);
    const char* value = args.String(2);
    if (!args) return args.Fail();
    text->SetText(value);
    return args.None();
}

// The numeric value on top of the stack as an integer; false for others.
bool TopInteger(HSQUIRRELVM vm, bool integerOnly, SQInteger& out) {
    const SQObjectType type = sq_gettype(vm, -1);
    if (type != OT_INTEGER && (integerOnly || type != OT_FLOAT)) return false;
    return SQ_SUCCEEDED(sq_getinteger(vm, -1, &out));
}

// One name of a word's table, or -1.
i32 FindWord(const char* const* names, i32 count, const char* value) {
    for (i32 i = 0; i < count; ++i) {
        if (std::strcmp(names[i], value) == 0) return i;
    }
    return -1;
}

// A string value naming an alignment or a format; other strings are logged
// with the message's leading words.
void ApplyWord(HSQUIRRELVM vm, const char* const* names, i32 count, const char* what, i32& field) {
    const SQChar* value = nullptr;
    if (sq_gettype(vm, -1) != OT_STRING || SQ_FAILED(sq_getstring(vm, -1, &value))) return;
    const i32 found = FindWord(names, count, value);
    if (found >= 0) {
        field = found;
    } else {
        GetLog() << "[*] unknown text " << what << " command '" << value << "'.\n";
    }
}

// One entry of a text-parameter table: key at -2, value at -1.
void ApplyTextEntry(HSQUIRRELVM vm, const char* key, zTextParameters& parameters) {
    static const char* const alignments[] = {"left", "right", "center", "justify"};
    static const char* const formats[] = {"standard", "paragraph", "column"};
    SQInteger number = 0;
    if (std::strcmp(key, "size") == 0) {
        if (TopInteger(vm, false, number)) parameters.size = i32(number);
    } else if (std::strcmp(key, "color") == 0) {
        if (!TopInteger(vm, true, number)) return;
        const zColor color = zColor::FromRGBA32(u32(number));
        const f32 components[4] = {color.r, color.g, color.b, color.a};
        // Word 1 takes the fourth component, word 4 the first.
        for (int i = 0; i < 4; ++i)
            parameters.color[i] = i32(std::lround(components[3 - i] * 255.0f));
    } else if (std::strcmp(key, "align") == 0) {
        ApplyWord(vm, alignments, 4, "alignment", parameters.align);
    } else if (std::strcmp(key, "format") == 0) {
        ApplyWord(vm, formats, 3, "format", parameters.format);
    } else if (std::strcmp(key, "tracking") == 0) {
        if (TopInteger(vm, false, number)) parameters.letterSpacing = f32(number);
    } else if (std::strcmp(key, "heading") == 0) {
        if (TopInteger(vm, false, number)) parameters.lineSpacing = f32(number);
    } else {
        GetLog() << "[*] unknown text attribute '" << key << "'.\n";
    }
}

// Walks the table at the argument position; keys that are not strings are
// skipped.
void ApplyTextTable(ScriptArgs& args, int position, zTextParameters& parameters) {
    HSQUIRRELVM vm = args.Vm();
    const SQInteger table = SQInteger(position) + 1;
    sq_pushnull(vm);
    while (SQ_SUCCEEDED(sq_next(vm, table))) {
        const SQChar* key = nullptr;
        if (sq_gettype(vm, -2) == OT_STRING && SQ_SUCCEEDED(sq_getstring(vm, -2, &key)))
            ApplyTextEntry(vm, key, parameters);
        sq_pop(vm, 2);
    }
    sq_pop(vm, 1);
}

SQInteger TextSetParameters(HSQUIRRELVM vm) {
    return WidgetSetter<zTextWidget, ScriptKindTextWidget>(vm, [](ScriptArgs& args, zTextWidget& text) {
        zTextParameters parameters = text.GetParameters();
        ApplyTextTable(args, 2, parameters);
        text.SetParameters(parameters);
    });
}

SQInteger TextComputeRect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    i32 corners[4] = {0, 0, 0, 0};
    args.Rect(1, corners);
    const char* text = args.String(2);
    const char* font = args.String(3);
    if (!args) return args.Fail();
    zTextParameters parameters = DefaultTextParameters();
    ApplyTextTable(args, 4, parameters);
    parameters.font = FontSystemFindFont(font);
    const zRect bounds = ComputeTextRect(text, parameters, zRect{corners[0], corners[1], corners[2], corners[3]});
    return args.ReturnRect(bounds.left, bounds.top, bounds.right, bounds.bottom);
}

// The check box's label, when it has one.
template <typename Act> SQInteger CheckLabelSetter(HSQUIRRELVM vm, Act act) {
    return WidgetSetter<zCheckWidget, ScriptKindCheckWidget>(vm, [act](ScriptArgs& args, zCheckWidget& check) {
        if (check.GetLabel()) act(args, *check.GetLabel());
    });
}

SQInteger CheckWidgetSetLabel(HSQUIRRELVM vm) {
    return CheckLabelSetter(vm, [](ScriptArgs& args, zTextWidget& label) {
        const char* text = args.String(2);
        if (args) label.SetText(text);
    });
}

SQInteger CheckWidgetSetLabelFont(HSQUIRRELVM vm) {
    return CheckLabelSetter(vm, [](ScriptArgs& args, zTextWidget& label) {
        const char* name = args.String(2);
        if (args) label.SetFont(FontSystemFindFont(name));
    });
}

SQInteger CheckWidgetSetLabelSize(HSQUIRRELVM vm) {
    return CheckLabelSetter(vm, [](ScriptArgs& args, zTextWidget& label) {
        const SQInteger size = args.Integer(2);
        if (args) label.SetSize(i32(size));
    });
}

SQInteger CheckWidgetSetState(HSQUIRRELVM vm) {
    return WidgetSetter<zCheckWidget, ScriptKindCheckWidget>(vm, [](ScriptArgs& args, zCheckWidget& check) {
        const bool state = args.Bool(2);
        if (args) check.SetState(state);
    });
}

SQInteger CheckWidgetGetState(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCheckWidget* check = WidgetOfKind<zCheckWidget>(args, 1, ScriptKindCheckWidget, false);
    if (!args) return args.Fail();
    return args.Return(check != nullptr && check->GetState());
}

SQInteger CheckWidgetGetText(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCheckWidget* check = WidgetOfKind<zCheckWidget>(args, 1, ScriptKindCheckWidget, false);
    if (!args) return args.Fail();
    return ReturnWidget(args, check ? check->GetLabel() : nullptr, ScriptKindTextWidget);
}

// WidgetToBitmap, WidgetToText, WidgetToCheck: a Widget handle (kind 14)
// pushed again with another kind.
template <i32 Kind> SQInteger WidgetCast(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zWidget* widget = args.ObjectOrNull<zWidget>(1, ScriptKindWidget);
    if (!args) return args.Fail();
    return ReturnWidget(args, widget, Kind);
}

SQInteger CastToWidget(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zWidget* widget = AnyWidgetArgument(args, 1);
    if (!args) return args.Fail();
    return ReturnWidget(args, widget, ScriptKindWidget);
}

zEventTable* WidgetEventTable(ScriptArgs& args) {
    return AnyWidgetArgument(args, 1);
}

SQInteger WidgetSetSensitive(HSQUIRRELVM vm) {
    return AnyWidgetSetter(vm, [](ScriptArgs& args, zWidget& widget) {
        const bool sensitive = args.Bool(2);
        if (args) widget.SetEnabled(sensitive ? 1 : 0);
    });
}

SQInteger WidgetGetRect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zWidget* widget = AnyWidgetArgument(args, 1);
    if (!args) return args.Fail();
    const zRect& rect = widget->GetRect();
    return args.ReturnRect(rect.left, rect.top, rect.right, rect.bottom);
}

SQInteger WidgetGetScreenPosition(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zWidget* widget = args.Object<zWidget>(1, ScriptKindWidget);
    if (!args) return args.Fail();
    const zVector2 position = widget->GetScreenPosition(0.0f, 0.0f);
    return args.ReturnVector(zVector(position.x, position.y, 0.0f, 0.0f));
}

template <void (zWidget::*Set)(i32)> SQInteger WidgetAlignSetter(HSQUIRRELVM vm) {
    return AnyWidgetSetter(vm, [](ScriptArgs& args, zWidget& widget) {
        const SQInteger align = args.Integer(2);
        if (!args) return;
        (widget.*Set)(i32(align));
        widget.Invalidate();
    });
}

SQInteger WidgetSetHidden(HSQUIRRELVM vm) {
    return AnyWidgetSetter(vm, [](ScriptArgs& args, zWidget& widget) {
        const bool hidden = args.Bool(2);
        if (!args || hidden == widget.IsHidden()) return;
        widget.SetHidden(hidden);
        widget.Invalidate();
    });
}

SQInteger WidgetIsHidden(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zWidget* widget = AnyWidgetArgument(args, 1);
    if (!args) return args.Fail();
    return args.Return(widget->IsHidden());
}

// The formatting size is the pair of shares a sizer splits by.
SQInteger WidgetSetFormattingSize(HSQUIRRELVM vm) {
    return AnyWidgetSetter(vm, [](ScriptArgs& args, zWidget& widget) {
        const SQFloat width = args.Number(2);
        const SQFloat height = args.Number(3);
        if (!args) return;
        widget.SetWeights(width, height);
        widget.Invalidate();
    });
}

} // namespace

// The widget leaves the 2D scene's input records, its parent (and container
// cell) and its window, and is deleted unless something else still holds it (a check box its label, a
// window its title); the handles of all that dies become "Deleted native".
SQInteger UIDeleteWidget(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    args.Object<zScene2D>(1, ScriptKindWindowSystem);
    zWidget* widget = AnyWidgetArgument(args, 2);
    if (!args) return args.Fail();
    zSharedPtr<zWidget> hold(widget);
    zWindow* window = widget->GetWindow();
    if (window && window->GetScene()) window->GetScene()->ForgetWidget(widget);
    if (zWidget* parent = widget->GetParent()) {
        auto* container = dynamic_cast<zContainerWidget*>(parent);
        if (!container || !container->RemoveWidget(widget)) parent->RemoveChild(widget);
        parent->Invalidate();
    }
    if (window) {
        if (window->GetBaseWidget() == widget) window->SetBaseWidget(nullptr);
        window->Invalidate();
    }
    return args.None();
}

const ScriptNative g_WidgetConstructorNatives[] = {
    {"UIAddCanvasWidget", ".xnnn", UIAddCanvasWidget},
    {"UIAddHorizontalSizerWidget", ".xn", UIAddHorizontalSizerWidget},
    {"UIAddVerticalSizerWidget", ".xn", UIAddVerticalSizerWidget},
    {"UIAddContainerWidget", ".xn", UIAddContainerWidget},
    {"UIAddSpacerWidget", ".xn", UIAddSpacerWidget},
    {"UIAddBitmapWidget", ".xns", UIAddBitmapWidget},
    {"UIAddStaticTextWidget", ".xnss", UIAddStaticTextWidget},
    {"UIAddCheckWidget", ".xnssb", UIAddCheckWidget},
};
const size_t g_WidgetConstructorNativeCount = sizeof(g_WidgetConstructorNatives) / sizeof(ScriptNative);

const ScriptNative g_WidgetNatives[] = {
    {"CanvasWidgetLock", ".x", CanvasWidgetLock},
    {"CanvasWidgetUnlock", ".x", CanvasWidgetUnlock},
    {"SizerSetDrawDelimiter", ".xb", ScriptDoNothing},
    {"SizerSetBorderSize", ".xnnnn", SizerSetBorderSize},
    {"SizerAddWidget", ".xx", SizerAddWidget},
    {"ContainerAddWidget", ".xxnnnn", ContainerAddWidget},
    {"ContainerWidgetSetPosition", ".xxnn", ContainerWidgetSetPosition},
    {"BitmapSetPicture", ".xs", BitmapSetPicture},
    {"TextSetAlignment", ".xn", TextIntegerSetter<&zTextWidget::SetAlignment>},
    {"TextSetFormat", ".xn", TextIntegerSetter<&zTextWidget::SetFormat>},
    {"TextSetSize", ".xn", TextIntegerSetter<&zTextWidget::SetSize>},
    {"TextSetColor", ".xnnnn", TextSetColor},
    {"TextSetText", ".xs", TextSetText},
    {"TextSetParameters", ".xt", TextSetParameters},
    {"TextComputeRect", ".xsst", TextComputeRect},
    {"CheckWidgetSetLabel", ".xs", CheckWidgetSetLabel},
    {"CheckWidgetSetLabelFont", ".xs", CheckWidgetSetLabelFont},
    {"CheckWidgetSetLabelSize", ".xn", CheckWidgetSetLabelSize},
    {"CheckWidgetSetState", ".xb", CheckWidgetSetState},
    {"CheckWidgetGetState", ".x", CheckWidgetGetState},
    {"CheckWidgetGetText", ".x", CheckWidgetGetText},
    {"WidgetToBitmap", ".x", WidgetCast<ScriptKindBitmapWidget>},
    {"WidgetToText", ".x", WidgetCast<ScriptKindTextWidget>},
    {"WidgetToCheck", ".x", WidgetCast<ScriptKindCheckWidget>},
    {"WidgetSetEventHandler", ".xnc", SetEventHandlerNative<WidgetEventTable, false>},
    {"WidgetSetEventHandlerWithContext", ".xn.c", SetEventHandlerNative<WidgetEventTable, true>},
    {"WidgetSetSensitive", ".xb", WidgetSetSensitive},
    {"WidgetGetRect", ".x", WidgetGetRect},
    {"WidgetGetScreenPosition", ".x", WidgetGetScreenPosition},
    {"WidgetSetHAlign", ".xn", WidgetAlignSetter<&zWidget::SetHAlign>},
    {"WidgetSetVAlign", ".xn", WidgetAlignSetter<&zWidget::SetVAlign>},
    {"WidgetSetHidden", ".xb", WidgetSetHidden},
    {"WidgetIsHidden", ".x", WidgetIsHidden},
    {"WidgetSetFormattingSize", ".xnn", WidgetSetFormattingSize},
    {"CastToWidget", ".x", CastToWidget},
};
const size_t g_WidgetNativeCount = sizeof(g_WidgetNatives) / sizeof(ScriptNative);

const ScriptIntConstant g_WidgetConstants[] = {
    {"WidgetAlignDefault", WidgetAlignDefault},
    {"WidgetAlignLeft", WidgetAlignLeft},
    {"WidgetAlignTop", WidgetAlignTop},
    {"WidgetAlignMiddle", WidgetAlignMiddle},
    {"WidgetAlignRight", WidgetAlignRight},
    {"WidgetAlignBottom", WidgetAlignBottom},
    {"TextAlignLeft", TextAlignLeft},
    {"TextAlignRight", TextAlignRight},
    {"TextAlignCenter", TextAlignCenter},
    {"TextAlignJustify", TextAlignJustify},
    {"TextFormatStandard", TextFormatStandard},
    {"TextFormatLine", TextFormatStandard},
    {"TextFormatParagraph", TextFormatParagraph},
    {"TextFormatColumn", TextFormatColumn},
    {"EventLeftMouseClick", EventLeftMouseClick},
    {"EventRightMouseClick", EventRightMouseClick},
    {"EventMiddleMouseClick", EventMiddleMouseClick},
    {"EventLeftMouseDown", EventLeftMouseDown},
    {"EventRightMouseDown", EventRightMouseDown},
    {"EventMiddleMouseDown", EventMiddleMouseDown},
    {"EventLeftMouseUp", EventLeftMouseUp},
    {"EventRightMouseUp", EventRightMouseUp},
    {"EventMiddleMouseUp", EventMiddleMouseUp},
    {"EventMouseEnter", EventMouseEnter},
    {"EventMouseLeave", EventMouseLeave},
    {"EventMouseMove", EventMouseMove},
    {"EventShade", EventShade},
    {"EventUnshade", EventUnshade},
    {"EventMove", EventMove},
};
const size_t g_WidgetConstantCount = sizeof(g_WidgetConstants) / sizeof(ScriptIntConstant);
