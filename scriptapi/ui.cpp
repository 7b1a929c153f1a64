// The UI group, first half: the UI scene (kind 12), its sprites and windows
// (kind 13), the style constants and NullWindow; widget.cpp adds the widget
// rows to the same registrar.
//
// Each native says what a handle holding nothing gets: an error ("CObject is
// null"), nothing at all, or a default result. Window operations on a bare
// sprite either raise "Sprite is not a window" or do nothing, row by row.
#include <memory>
#include <new>

#include "core/color.h"
#include "engine/engine.h"
#include "render/texture.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_vm.h"
#include "scriptapi/script_api_groups.h"
#include "scriptapi/ui_natives.h"
#include "ui/font_system.h"
#include "ui/scene2d.h"
#include "ui/scene2d_interface.h"
#include "ui/sprite.h"
#include "ui/text_widget.h"
#include "ui/widget.h"

namespace {

constexpr const char* NotAWindow = "Sprite is not a window";

zScene2D* UIArgument(ScriptArgs& args) {
    return args.Object<zScene2D>(1, ScriptKindWindowSystem);
}
zScene2D* UIOrNull(ScriptArgs& args) {
    return args.ObjectOrNull<zScene2D>(1, ScriptKindWindowSystem);
}
zSprite2D* SpriteArgument(ScriptArgs& args, int position = 1) {
    return args.Object<zSprite2D>(position, ScriptKindWindow);
}
zSprite2D* SpriteOrNull(ScriptArgs& args, int position = 1) {
    return args.ObjectOrNull<zSprite2D>(position, ScriptKindWindow);
}
zWindow* AsWindow(zSprite2D* sprite) {
    return sprite && sprite->IsWindow() ? static_cast<zWindow*>(sprite) : nullptr;
}
// The window of the first argument; a null handle or a bare sprite raises.
zWindow* WindowArgument(ScriptArgs& args) {
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return nullptr;
    zWindow* window = AsWindow(sprite);
    if (!window) args.Error(NotAWindow);
    return window;
}

// The natives over a window that raise for a null handle or a bare sprite.
template <typename Act> SQInteger WindowNative(HSQUIRRELVM vm, Act act) {
    ScriptArgs args(vm);
    zWindow* window = WindowArgument(args);
    if (!args) return args.Fail();
    return act(args, *window);
}

SQInteger ReturnSprite(ScriptArgs& args, zSprite2D* sprite) {
    return args.ReturnObject(sprite, ScriptKindWindow);
}

// The natives over the first argument's sprite that do nothing for a null
// handle: the sprite and the arguments read.
template <typename Act> SQInteger SpriteSetter(HSQUIRRELVM vm, Act act) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteOrNull(args);
    if (!args) return args.Fail();
    if (sprite) act(args, *sprite);
    return args ? args.None() : args.Fail();
}

// A Vector (x, y, -1, 1) of a sprite's pair, (-1, -1, -1, 1) for a null handle.
template <const zVector2& (zSprite2D::*Get)() const> SQInteger SpritePair(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteOrNull(args);
    if (!args) return args.Fail();
    const zVector2 pair = sprite ? (sprite->*Get)() : zVector2(-1.0f, -1.0f);
    return args.ReturnVector(zVector(pair.x, pair.y, -1.0f, 1.0f));
}

// --- UI scene ---

SQInteger UIGetScriptInstance(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIOrNull(args);
    if (!args) return args.Fail();
    auto* instance = ui ? dynamic_cast<zSquirrelObject*>(ui->GetInstance()) : nullptr;
    if (instance && instance->GetOwner()) {
        sq_pushobject(vm, instance->GetHandle());
    } else {
        sq_pushnull(vm);
    }
    return 1;
}

SQInteger SceneGetUI(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.Object<zScene>(1, ScriptKindScene);
    if (!args) return args.Fail();
    return args.ReturnObject(GetSceneUI(*scene), ScriptKindWindowSystem);
}

SQInteger UISetInternalResolution(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    const SQInteger width = args.Integer(2);
    const SQInteger height = args.Integer(3);
    if (!args) return args.Fail();
    ui->SetVirtualResolution(f32(width), f32(height));
    return args.None();
}

SQInteger UIGetInternalResolution(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    if (!args) return args.Fail();
    return args.ReturnVector(zVector(ui->GetVirtualWidth(), ui->GetVirtualHeight(), 0.0f, 1.0f));
}

SQInteger UILoadBitmap(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    zEngine* engine = ui->GetEngine();
    return args.Return(engine && engine->LoadPicture(name, false) != nullptr);
}

SQInteger UIUnloadBitmap(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    return args.Return(ui->UnloadBitmap(name));
}

SQInteger UILoadFont(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const char* path = args.String(1);
    if (!args) return args.Fail();
    return args.ReturnObject(FontSystemLoadFont(path), ScriptKindTruetypeFont);
}

SQInteger UIGetFont(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const char* name = args.String(1);
    if (!args) return args.Fail();
    return args.ReturnObject(FontSystemFindFont(name), ScriptKindTruetypeFont);
}

SQInteger UISetSkin(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIOrNull(args);
    const char* names[zScene2D::SkinPictureCount];
    for (int i = 0; i < zScene2D::SkinPictureCount; ++i)
        names[i] = args.String(2 + i);
    i32 numbers[5];
    for (int i = 0; i < 5; ++i)
        numbers[i] = i32(args.Integer(2 + zScene2D::SkinPictureCount + i));
    const char* fontName = args.String(15);
    if (!args) return args.Fail();
    return args.Return(ui != nullptr && ui->SetSkin(names, numbers, fontName));
}

SQInteger UISetCursor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIOrNull(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    if (ui) ui->SetCursor(name);
    return args.None();
}

SQInteger UISetCursorAutoHideDelay(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIOrNull(args);
    const SQFloat seconds = args.Number(2);
    if (!args) return args.Fail();
    if (ui) ui->SetCursorAutoHideDelay(seconds);
    return args.None();
}

SQInteger UISetCommandList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    const char* text = args.String(2);
    if (!args) return args.Fail();
    static_cast<zACEManager*>(ui)->LoadCommandList(text, *static_cast<zACEUnit*>(ui));
    return args.None();
}

SQInteger UIIsCommandListDone(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    if (!args) return args.Fail();
    return args.Return(static_cast<zACEUnit*>(ui)->GetCursor() == nullptr);
}

SQInteger UIRender(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    if (!args) return args.Fail();
    // Flag 1: the script's own OnUpdate is not run from inside a script call.
    ui->Render(true);
    return args.None();
}

SQInteger UISetGlobalFadeEffect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    const SQFloat fade = args.Number(2);
    if (!args) return args.Fail();
    ui->SetGlobalFadeEffect(fade);
    return args.None();
}

SQInteger UISetGlobalFadeColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIOrNull(args);
    const SQInteger red = args.Integer(2);
    const SQInteger green = args.Integer(3);
    const SQInteger blue = args.Integer(4);
    if (!args) return args.Fail();
    if (ui) ui->SetGlobalFadeColor(f32(red) / 255.0f, f32(green) / 255.0f, f32(blue) / 255.0f);
    return args.None();
}

SQInteger UISetAceUseRawClock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    const bool raw = args.Bool(2);
    if (!args) return args.Fail();
    ui->SetUseRawFrameTime(raw);
    return args.None();
}

// UIGetCursorWindow and UIGetWindowBelowCursor.
template <bool Cursor> SQInteger UIWindowGetter(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    if (!args) return args.Fail();
    return ReturnSprite(args, Cursor ? ui->GetCursorWindow() : ui->GetWindowBelowCursor());
}

// UIDeleteWindow and UILockToWindow. Deleting a window deletes its widget
// tree; every handle of what dies becomes "Deleted native" (the sprite and
// widget destructors see to it).
template <void (zScene2D::*Act)(zSprite2D*)> SQInteger UIWindowNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    zSprite2D* window = SpriteArgument(args, 2);
    if (!args) return args.Fail();
    (ui->*Act)(window);
    return args.None();
}

SQInteger UIUnlock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIArgument(args);
    if (!args) return args.Fail();
    ui->Unlock();
    return args.None();
}

// The name of a sprite or window made for a script: its id in decimal.
zString IdName(SQInteger id) {
    zString name;
    name.Format("%d", int(id));
    return name;
}

SQInteger UIAddSprite(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene2D* ui = UIOrNull(args);
    const SQInteger id = args.Integer(2);
    zTexture* texture = args.ObjectOrNull<zTexture>(3, ScriptKindTexture);
    const zVector2 position(args.Number(4), args.Number(5));
    const zVector2 size(args.Number(6), args.Number(7));
    if (!args) return args.Fail();
    // A sprite always belongs to a UI scene: none is made without one.
    zSprite2D* sprite =
        ui ? new (std::nothrow) zSprite2D(ui, texture, nullptr, IdName(id).CStr(), &position, &size) : nullptr;
    return ReturnSprite(args, sprite);
}

SQInteger SpriteSetTexture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    zTexture* texture = args.Object<zTexture>(2, ScriptKindTexture);
    if (!args) return args.Fail();
    sprite->SetTexture(texture);
    return args.None();
}

// UIAddWindow and UIAddBitmapWindow: the geometry follows the id (and the
// picture name).
zWindow* AddWindow(ScriptArgs& args, int geometryPosition, const char** pictureName) {
    zScene2D* ui = UIOrNull(args);
    const SQInteger id = args.Integer(2);
    if (pictureName) *pictureName = args.String(3);
    const zVector2 position(args.Number(geometryPosition), args.Number(geometryPosition + 1));
    const zVector2 size(args.Number(geometryPosition + 2), args.Number(geometryPosition + 3));
    if (!args || !ui) return nullptr;
    return new (std::nothrow) zWindow(ui, nullptr, IdName(id).CStr(), "Window", &position, &size);
}

SQInteger UIAddWindow(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zWindow* window = AddWindow(args, 3, nullptr);
    if (!args) return args.Fail();
    return ReturnSprite(args, window);
}

SQInteger UIAddBitmapWindow(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const char* picture = nullptr;
    zWindow* window = AddWindow(args, 4, &picture);
    if (!args) return args.Fail();
    if (window) window->SetBackgroundPicture(picture);
    return ReturnSprite(args, window);
}

// --- Windows and sprites ---

SQInteger WindowGetTitle(HSQUIRRELVM vm) {
    return WindowNative(vm, [](ScriptArgs& args, zWindow& window) { return args.Return(window.GetTitle()); });
}

SQInteger WindowCompose(HSQUIRRELVM vm) {
    return WindowNative(vm, [](ScriptArgs& args, zWindow& window) {
        window.Compose();
        window.UpdateTexture();
        return args.None();
    });
}

SQInteger WindowInvalidate(HSQUIRRELVM vm) {
    return WindowNative(vm, [](ScriptArgs& args, zWindow& window) {
        window.Invalidate();
        return args.None();
    });
}

SQInteger WindowGetBackgroundPicture(HSQUIRRELVM vm) {
    return WindowNative(vm, [](ScriptArgs& args, zWindow& window) {
        return args.ReturnObject(window.GetBackgroundPicture(), ScriptKindPicture);
    });
}

SQInteger WindowGetCacheTexture(HSQUIRRELVM vm) {
    return WindowNative(vm, [](ScriptArgs& args, zWindow& window) {
        return args.ReturnObject(window.GetTexture(), ScriptKindTexture);
    });
}

SQInteger WindowGetZOrder(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return args.Fail();
    return args.Return(SQFloat(sprite->GetZOrder()));
}

SQInteger WindowSetZOrder(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    const SQFloat order = args.Number(2);
    if (!args) return args.Fail();
    sprite->SetZOrder(order);
    return args.None();
}

SQInteger WindowGetRect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return args.Fail();
    const zRect rect = sprite->GetSize();
    return args.ReturnRect(rect.left, rect.top, rect.right, rect.bottom);
}

// The size moved to where the sprite's corner (0, 0) lands on the screen.
SQInteger WindowGetScreenRect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return args.Fail();
    sprite->UpdateMatrices();
    const zVector2 corner = sprite->GetWorldMatrix().TransformPoint2D(zVector2(0.0f, 0.0f));
    const i32 x = WidgetTruncate(corner.x);
    const i32 y = WidgetTruncate(corner.y);
    const zRect rect = sprite->GetSize();
    return args.ReturnRect(WidgetAdd(rect.left, x), WidgetAdd(rect.top, y), WidgetAdd(rect.right, x),
                           WidgetAdd(rect.bottom, y));
}

SQInteger WindowCompare(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* first = SpriteOrNull(args, 1);
    zSprite2D* second = SpriteOrNull(args, 2);
    if (!args) return args.Fail();
    return args.Return(first == second);
}

SQInteger WindowSetCommandList(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const char* text = args.String(2);
        zScene2D* ui = sprite.GetScene();
        if (args && ui) static_cast<zACEManager*>(ui)->LoadCommandList(text, sprite);
    });
}

SQInteger WindowResetCommandList(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs&, zSprite2D& sprite) { sprite.ResetCommandList(); });
}

SQInteger WindowIsCommandListDone(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteOrNull(args);
    if (!args) return args.Fail();
    return args.Return(!sprite || sprite->GetCursor() == nullptr);
}

// Sets or clears flag bits of the sprite's flags word.
void SetFlag(zSprite2D& sprite, u32 flag, bool on) {
    sprite.SetFlags(on ? sprite.GetFlags() | flag : sprite.GetFlags() & ~flag);
}

SQInteger WindowShow(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const bool show = args.Bool(2);
        if (args) SetFlag(sprite, SpriteVisible, show);
    });
}

SQInteger WindowIsShown(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return args.Fail();
    zSprite2D* parent = sprite->GetParent();
    if (parent && !parent->IsShown()) return args.Return(false);
    return args.Return((sprite->GetFlags() & SpriteVisible) != 0);
}

SQInteger WindowSetTitle(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const char* text = args.String(2);
        zWindow* window = AsWindow(&sprite);
        if (args && window && window->GetTitleWidget()) window->GetTitleWidget()->SetText(text);
    });
}

SQInteger WindowSetBaseWidget(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteOrNull(args);
    const i32 kind = args.Kind(2);
    zWidget* widget = kind >= ScriptKindWidget && kind <= ScriptKindCheckWidget
                          ? args.ObjectOrNull<zWidget>(2, kind)
                          : args.ObjectOrNull<zWidget>(2, ScriptKindWidget);
    if (!args) return args.Fail();
    zWindow* window = AsWindow(sprite);
    if (window && widget) window->SetBaseWidget(widget);
    return args.None();
}

SQInteger WindowGetChild(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteOrNull(args);
    const SQInteger id = args.Integer(2);
    if (!args) return args.Fail();
    zWindow* window = AsWindow(sprite);
    return args.ReturnObject(window ? window->GetChild(i32(id)) : nullptr, ScriptKindWidget);
}

SQInteger WindowGetParent(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return args.Fail();
    return ReturnSprite(args, sprite->GetParent());
}

SQInteger WindowSetParent(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    zSprite2D* parent = SpriteOrNull(args, 2);
    if (!args) return args.Fail();
    sprite->SetParent(parent);
    return args.None();
}

SQInteger WindowSetPosition(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const SQFloat x = args.Number(2);
        const SQFloat y = args.Number(3);
        if (args) sprite.SetPosition(x, y);
    });
}

SQInteger WindowSetRotation(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const SQFloat angle = args.Number(2);
        if (args) sprite.SetRotation(angle);
    });
}

SQInteger WindowSetSize(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const SQFloat width = args.Number(2);
        const SQFloat height = args.Number(3);
        if (args) sprite.SetSize(width, height);
    });
}

SQInteger WindowSetPivot(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const SQFloat x = args.Number(2);
        const SQFloat y = args.Number(3);
        if (args) sprite.SetPivot(x, y);
    });
}

SQInteger WindowSetScale(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const SQFloat x = args.Number(2);
        const SQFloat y = args.Number(3);
        if (args) sprite.SetScale(x, y);
    });
}

SQInteger WindowGetOpacity(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteOrNull(args);
    if (!args) return args.Fail();
    return args.Return(SQFloat(sprite ? sprite->GetOpacity() : 0.0f));
}

SQInteger WindowSetOpacity(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const SQFloat opacity = args.Number(2);
        if (args) sprite.SetOpacity(opacity);
    });
}

SQInteger WindowSetFlip(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const bool flipU = args.Bool(2);
        const bool flipV = args.Bool(3);
        if (!args) return;
        SetFlag(sprite, SpriteFlipU, flipU);
        SetFlag(sprite, SpriteFlipV, flipV);
    });
}

SQInteger WindowGetStyle(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteOrNull(args);
    if (!args) return args.Fail();
    return args.Return(SQInteger(sprite ? sprite->GetStyle() : 0));
}

// Style word = value, |= value or &= ~value.
template <u32 (*Combine)(u32 style, u32 value)> SQInteger WindowStyleNative(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const u32 value = u32(args.Integer(2));
        if (args) sprite.SetStyle(Combine(sprite.GetStyle(), value));
    });
}
u32 ReplaceStyle(u32, u32 value) {
    return value;
}
u32 AddStyle(u32 style, u32 value) {
    return style | value;
}
u32 RemoveStyle(u32 style, u32 value) {
    return style & ~value;
}

SQInteger WindowSetBackgroundPicture(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const char* name = args.String(2);
        zWindow* window = AsWindow(&sprite);
        if (args && window) window->SetBackgroundPicture(name);
    });
}

SQInteger WindowSetBackgroundColor(HSQUIRRELVM vm) {
    return SpriteSetter(vm, [](ScriptArgs& args, zSprite2D& sprite) {
        const u32 packed = u32(args.Integer(2));
        zWindow* window = AsWindow(&sprite);
        if (!args || !window) return;
        const zColor color = zColor::FromRGBA32(packed);
        const f32 rgba[4] = {color.r, color.g, color.b, color.a};
        window->SetBackgroundColor(rgba);
    });
}

SQInteger WindowCentre(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return args.Fail();
    const zScene2D* ui = sprite->GetScene();
    if (!ui) return args.None();
    const zVector2& pivot = sprite->GetPivot();
    const zVector2& size = sprite->GetSizeF();
    sprite->SetPosition(pivot.x + (ui->GetVirtualWidth() - size.x) / 2.0f,
                        pivot.y + (ui->GetVirtualHeight() - size.y) / 2.0f);
    return args.None();
}

// WindowMoveToBack, WindowMoveToFront and their "Of" forms: the reference
// window, when the row takes one, may hold nothing.
template <bool Front, bool WithReference> SQInteger WindowMoveNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    zSprite2D* reference = WithReference ? SpriteOrNull(args, 2) : nullptr;
    if (!args) return args.Fail();
    zScene2D* ui = sprite->GetScene();
    if (ui && Front) ui->MoveWindowToFront(sprite, reference);
    if (ui && !Front) ui->MoveWindowToBack(sprite, reference);
    return args.None();
}

SQInteger WindowForceLayout(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zSprite2D* sprite = SpriteArgument(args);
    if (!args) return args.Fail();
    sprite->Draw(nullptr);
    return args.None();
}

// The sprite's event table; nothing is bound for a null handle, but the
// closure (and context) are still checked.
zEventTable* SpriteEventTable(ScriptArgs& args) {
    return SpriteOrNull(args);
}

const ScriptNative g_UISceneNatives[] = {
    {"UIGetScriptInstance", ".x", UIGetScriptInstance},
    {"SceneGetUI", ".x", SceneGetUI},
    {"UISetInternalResolution", ".xnn", UISetInternalResolution},
    {"UIGetInternalResolution", ".x", UIGetInternalResolution},
    {"UILoadBitmap", ".xs", UILoadBitmap},
    {"UIUnloadBitmap", ".xs", UIUnloadBitmap},
    {"UILoadFont", ".s", UILoadFont},
    {"UIGetFont", ".s", UIGetFont},
    {"UISetSkin", ".xssssssssnnnnns", UISetSkin},
    {"UISetCursor", ".xs", UISetCursor},
    {"UISetCursorAutoHideDelay", ".xn", UISetCursorAutoHideDelay},
    {"UIGetCursorWindow", ".x", UIWindowGetter<true>},
    {"UISetCommandList", ".xs", UISetCommandList},
    {"UIIsCommandListDone", ".x", UIIsCommandListDone},
    {"UIRender", ".x", UIRender},
    {"UISetGlobalFadeEffect", ".xn", UISetGlobalFadeEffect},
    {"UISetGlobalFadeColor", ".xnnn", UISetGlobalFadeColor},
    {"UISetAceUseRawClock", ".xb", UISetAceUseRawClock},
    {"UIGetWindowBelowCursor", ".x", UIWindowGetter<false>},
    {"UIDeleteWindow", ".xx", UIWindowNative<&zScene2D::DeleteWindow>},
    {"UIDeleteWidget", ".xx", UIDeleteWidget},
    {"UILockToWindow", ".xx", UIWindowNative<&zScene2D::LockToWindow>},
    {"UIUnlock", ".x", UIUnlock},
    {"UIAddSprite", ".xnxnnnn", UIAddSprite},
    {"SpriteSetTexture", ".xx", SpriteSetTexture},
    {"UIAddWindow", ".xnnnnn", UIAddWindow},
    {"UIAddBitmapWindow", ".xnsnnnn", UIAddBitmapWindow},
};

const ScriptNative g_WindowNatives[] = {
    {"WindowGetZOrder", ".x", WindowGetZOrder},
    {"WindowSetZOrder", ".xn", WindowSetZOrder},
    {"WindowGetRect", ".x", WindowGetRect},
    {"WindowGetScreenRect", ".x", WindowGetScreenRect},
    {"WindowCompare", ".xx", WindowCompare},
    {"WindowSetCommandList", ".xs", WindowSetCommandList},
    {"WindowResetCommandList", ".x", WindowResetCommandList},
    {"WindowIsCommandListDone", ".x", WindowIsCommandListDone},
    {"WindowShow", ".xb", WindowShow},
    {"WindowIsShown", ".x", WindowIsShown},
    {"WindowSetTitle", ".xs", WindowSetTitle},
    {"WindowGetTitle", ".x", WindowGetTitle},
    {"WindowSetBaseWidget", ".xx", WindowSetBaseWidget},
    {"WindowGetChild", ".xn", WindowGetChild},
    {"WindowGetParent", ".x", WindowGetParent},
    {"WindowSetParent", ".xx", WindowSetParent},
    {"WindowCompose", ".x", WindowCompose},
    {"WindowGetPosition", ".x", SpritePair<&zSprite2D::GetPosition>},
    {"WindowSetPosition", ".xnn", WindowSetPosition},
    {"WindowSetRotation", ".xn", WindowSetRotation},
    {"WindowGetSize", ".x", SpritePair<&zSprite2D::GetSizeF>},
    {"WindowSetSize", ".xnn", WindowSetSize},
    {"WindowGetPivot", ".x", SpritePair<&zSprite2D::GetPivot>},
    {"WindowSetPivot", ".xnn", WindowSetPivot},
    {"WindowSetScale", ".xnn", WindowSetScale},
    {"WindowGetOpacity", ".x", WindowGetOpacity},
    {"WindowSetOpacity", ".xn", WindowSetOpacity},
    {"WindowSetFlip", ".xbb", WindowSetFlip},
    {"WindowGetStyle", ".x", WindowGetStyle},
    {"WindowSetStyle", ".xn", WindowStyleNative<ReplaceStyle>},
    {"WindowAddStyle", ".xn", WindowStyleNative<AddStyle>},
    {"WindowRemoveStyle", ".xn", WindowStyleNative<RemoveStyle>},
    {"WindowGetBackgroundPicture", ".x", WindowGetBackgroundPicture},
    {"WindowSetBackgroundPicture", ".xs", WindowSetBackgroundPicture},
    {"WindowSetBackgroundColor", ".xn", WindowSetBackgroundColor},
    {"WindowCentre", ".x", WindowCentre},
    {"WindowMoveToBack", ".x", WindowMoveNative<false, false>},
    {"WindowMoveToFront", ".x", WindowMoveNative<true, false>},
    {"WindowMoveToBackOf", ".xx", WindowMoveNative<false, true>},
    {"WindowMoveToFrontOf", ".xx", WindowMoveNative<true, true>},
    {"WindowForceLayout", ".x", WindowForceLayout},
    {"WindowInvalidate", ".x", WindowInvalidate},
    {"WindowGetCacheTexture", ".x", WindowGetCacheTexture},
    {"WindowSetEventHandler", ".xnc", SetEventHandlerNative<SpriteEventTable, false>},
    {"WindowSetEventHandlerWithContext", ".xn.c", SetEventHandlerNative<SpriteEventTable, true>},
};

// Window style bits; StyleNonSkinned is the NoDecoration bit.
const ScriptIntConstant g_UIConstants[] = {
    {"StyleBlendAdditive", StyleAdditive},
    {"StyleAlwaysOnTop", StyleAlwaysOnTop},
    {"StyleAlwaysBehind", StyleAlwaysBehind},
    {"StyleNonSensitive", StyleNonSensitive},
    {"StyleResolutionInvariant", StyleResolutionInvariant},
    {"StyleNoDecoration", StyleNoDecoration},
    {"StyleLockUV", StyleLockUV},
    {"StyleNoTitleBar", StyleNoTitle},
    {"StyleMovable", StyleMovable},
    {"StyleNonSkinned", StyleNoDecoration},
};

// NullWindow: a Window handle holding nothing, a slot of the root table.
bool RegisterNullWindow(HSQUIRRELVM vm) {
    const SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, "NullWindow", -1);
    const bool made =
        PushScriptObject(vm, nullptr, ScriptKindWindow, false) && SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    sq_settop(vm, top);
    return made;
}

} // namespace

bool BindScriptEventHandler(ScriptArgs& args, zEventTable* table, i32 eventId, int contextPosition,
                            int closurePosition) {
    zSquirrelVM* owner = zSquirrelVM::FromHandle(args.Vm());
    if (!owner) {
        args.Error("No script VM to hold the handler");
        return false;
    }
    // Positions count after the hidden environment at stack index 1.
    std::unique_ptr<zScriptObject> function(new (std::nothrow) zSquirrelObject(owner, closurePosition + 1));
    std::unique_ptr<zScriptObject> context(contextPosition ? new (std::nothrow)
                                                                 zSquirrelObject(owner, contextPosition + 1)
                                                           : nullptr);
    if (!function || (contextPosition && !context)) {
        args.Error("Failed to allocate the event handler");
        return false;
    }
    if (table) table->SetEventHandler(eventId, std::move(function), std::move(context));
    return true;
}

bool RegisterUIScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_UISceneNatives) &&
           RegisterScriptNatives(vm, g_WidgetConstructorNatives, g_WidgetConstructorNativeCount) &&
           RegisterScriptNatives(vm, g_WindowNatives) &&
           RegisterScriptNatives(vm, g_WidgetNatives, g_WidgetNativeCount) && RegisterNullWindow(vm) &&
           RegisterScriptConstants(vm, g_UIConstants) &&
           RegisterScriptConstants(vm, g_WidgetConstants, g_WidgetConstantCount);
}
