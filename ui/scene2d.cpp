#include "ui/scene2d.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/alloc_category.h"
#include "core/log.h"
#include "engine/engine.h"
#include "engine/resource_cache.h"
#include "markup/meta_tag.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "script/script_object.h"
#include "script/script_vm.h"
#include "ui/hid.h"
#include "ui/widget.h"

namespace {

constexpr u32 Scene2DAllocCategory = 7;
constexpr u32 ListenerBeforeAdd = 1;
constexpr u32 ListenerAfterAdd = 2;

struct UIVerb {
    const char* name;
    i32 code;
    u32 parameterCount;
};

const UIVerb UIVerbs[] = {{"toalpha", ACEToAlpha, 1}, {"toposition", ACEToPosition, 2}, {"toscale", ACEToScale, 2},
                          {"toangle", ACEToAngle, 1}, {"show", ACEShow, 0},         {"hide", ACEHide, 0},
                          {"globalfade", ACEGlobalFade, 1}};

const char* const AutoHideCommands = "toalpha 0.1,0; hide 0;";

zScene2DScriptEventDispatcher& SharedDispatcher() {
    static zScene2DScriptEventDispatcher dispatcher;
    return dispatcher;
}

bool CallByName(zScene2DScriptUnit& unit, const char* name, zScriptObject* closure) {
    if (!unit.Prepare(name, closure)) return false;
    return unit.Call(nullptr);
}

bool StrictlyInside(const zRect& rect, i32 x, i32 y) {
    return rect.left < x && x < rect.right && rect.top < y && y < rect.bottom;
}

} // namespace

// Dispatcher and unit

bool zScene2DScriptEventDispatcher::OnSetup(zScene2DScriptUnit& unit) { return CallByName(unit, "OnSetup", nullptr); }
bool zScene2DScriptEventDispatcher::OnReset(zScene2DScriptUnit& unit) { return CallByName(unit, "OnReset", nullptr); }
bool zScene2DScriptEventDispatcher::OnUpdate(zScene2DScriptUnit& unit) {
    return unit.GetOnUpdate() && CallByName(unit, "OnUpdate", unit.GetOnUpdate());
}
bool zScene2DScriptEventDispatcher::OnDelete(zScene2DScriptUnit& unit) { return CallByName(unit, "OnDelete", nullptr); }

zScene2DScriptUnit::zScene2DScriptUnit(zScriptVM* vm) : zScriptUnit(vm) {}

zScene2DScriptUnit::~zScene2DScriptUnit() { m_onUpdate.reset(); }

bool zScene2DScriptUnit::Setup() {
    if (!zScriptUnit::Setup()) return false;
    m_onUpdate = CacheMethod("OnUpdate");
    return true;
}

void zScene2DScriptUnit::Unload() {
    m_onUpdate.reset();
    zScriptUnit::Unload();
}

void zScene2DScriptUnit::SetDispatcher(std::unique_ptr<zScene2DScriptEventDispatcher> dispatcher) {
    m_dispatcher = std::move(dispatcher);
}

zScene2DScriptEventDispatcher& zScene2DScriptUnit::GetDispatcher() {
    return m_dispatcher ? *m_dispatcher : SharedDispatcher();
}

// zScene2D

zScene2D::zScene2D(zEngine* engine, zScriptVM* vm) : zScene2DScriptUnit(vm), m_engine(engine) {
    SetOwner(this, OwnerScene2D);
    if (m_engine) m_engine->AddCoreListener(this);
    for (const UIVerb& verb : UIVerbs)
        DefineCommand(verb.name, verb.code, verb.parameterCount);
    if (zHID* hid = zHID::GetInstance()) m_mouse = hid->GetMouse();
}

zScene2D::~zScene2D() {
    if (m_engine) m_engine->RemoveCoreListener(this);
    Clear();
    // Script handles of the 2D scene become "Deleted native".
    InvalidateScriptRecords(static_cast<zScene2D*>(this));
}

bool zScene2D::Setup() {
    if (!zScene2DScriptUnit::Setup()) return false;
    return GetDispatcher().OnSetup(*this);
}

bool zScene2D::Reset() { return GetDispatcher().OnReset(*this); }

void zScene2D::ResetInput() {
    m_current = zUIInputState();
    m_previous = zUIInputState();
    m_dragged = nullptr;
}

void zScene2D::Clear() {
    GetDispatcher().OnDelete(*this);
    DropSkin();
    m_clearing = true;
    while (zList<zSprite2D*>::Node* node = m_windows.GetTail()) {
        zSprite2D* sprite = node->value;
        if (sprite == m_cursor) m_cursor = nullptr;
        delete sprite; // leaves the stack through RemoveSprite
    }
    m_clearing = false;
    m_cursor = nullptr;
    DeleteFloatingWidgets();
    ResetInput();
    m_globalFade = 0.0f;
    m_fadeColor[0] = m_fadeColor[1] = m_fadeColor[2] = 0.0f;
    m_fadeColor[3] = 1.0f;
}

void zScene2D::KeepFloatingWidget(zWidget* widget) {
    if (!widget) return;
    if (m_floatingWidgets.GetCount() >= m_floatingPruneAt) {
        for (auto* node = m_floatingWidgets.GetHead(); node;) {
            auto* next = node->next;
            // A widget once held never comes back to no holder: it died then.
            zWidget* alive = node->value.Get();
            if (!alive || alive->GetRefCount() != 0) delete m_floatingWidgets.RemoveNode(node);
            node = next;
        }
        m_floatingPruneAt = 2 * m_floatingWidgets.GetCount() + 16;
    }
    m_floatingWidgets.Add(zWeakPtr<zWidget>(widget));
}

void zScene2D::DeleteFloatingWidgets() {
    for (auto* node = m_floatingWidgets.GetHead(); node; node = node->next) {
        zWidget* widget = node->value.Get();
        // The reference taken and given back deletes an unheld widget.
        if (widget && widget->GetRefCount() == 0) zSharedPtr<zWidget> last(widget);
    }
    m_floatingWidgets.Clear();
    m_floatingPruneAt = 16;
}

void zScene2D::AddSprite(zSprite2D* sprite) {
    for (auto* node = m_listeners.GetHead(); node; node = node->next)
        node->value->OnSpriteEvent(ListenerBeforeAdd, sprite);
    m_windows.Add(sprite);
    for (auto* node = m_listeners.GetHead(); node; node = node->next)
        node->value->OnSpriteEvent(ListenerAfterAdd, sprite);
}

void zScene2D::RemoveSprite(zSprite2D* sprite) {
    m_windows.Remove(sprite);
    if (m_dragged == sprite) m_dragged = nullptr;
    if (m_cursor == sprite) m_cursor = nullptr;
    // No record may keep a sprite that is gone.
    for (zUIInputState* state : {&m_current, &m_previous}) {
        if (state->window == sprite) {
            state->window = nullptr;
            state->widget = nullptr;
            for (zWidget*& pressed : state->pressed)
                pressed = nullptr;
        }
    }
}

void zScene2D::ForgetWidget(const zWidget* widget) {
    // A recorded widget is in the subtree when widget is on its parent chain.
    const auto inSubtree = [widget](const zWidget* recorded) {
        for (const zWidget* at = recorded; at; at = at->GetParent()) {
            if (at == widget) return true;
        }
        return false;
    };
    for (zUIInputState* state : {&m_current, &m_previous}) {
        if (inSubtree(state->widget)) state->widget = nullptr;
        for (zWidget*& pressed : state->pressed) {
            if (inSubtree(pressed)) pressed = nullptr;
        }
    }
}

void zScene2D::AddListener(zScene2DListener* listener) {
    if (listener) m_listeners.Add(listener, true, false);
}

void zScene2D::RemoveListener(zScene2DListener* listener) { m_listeners.Remove(listener); }

void zScene2D::DropSkin() {
    for (zSharedPtr<zPicture>& skin : m_skin)
        skin = nullptr;
    m_skinLoaded = false;
}

zPicture* zScene2D::GetSkinPicture(int index) const {
    return index >= 0 && index < SkinPictureCount ? m_skin[index].Get() : nullptr;
}

bool zScene2D::SetSkin(const char* const names[SkinPictureCount], const i32 numbers[5], const char* fontName) {
    DropSkin();
    for (int i = 0; i < SkinPictureCount; ++i) {
        if (!names || !names[i]) return false;
    }
    bool all = true;
    for (int i = 0; i < SkinPictureCount; ++i) {
        // Pictures, not textures: windows compose them on the CPU, and a
        // texture may give its pixels up once the renderer has them.
        zPicture* picture = m_engine ? m_engine->LoadPicture(names[i], false) : nullptr;
        m_skin[i] = picture;
        all = all && picture && picture->GetPixels() && picture->GetWidth() > 0 && picture->GetHeight() > 0;
    }
    m_skinLoaded = all;
    for (int i = 0; i < 5; ++i)
        m_skinNumbers[i] = numbers ? numbers[i] : 0;
    m_skinFontName.Set(fontName ? fontName : "Default");
    for (auto* node = m_windows.GetHead(); node; node = node->next) {
        if (node->value->IsWindow()) static_cast<zWindow*>(node->value)->Invalidate();
    }
    return m_skinLoaded;
}

void zScene2D::SetCursor(const char* pictureName) {
    if (m_cursor) {
        zWindow* old = m_cursor;
        m_cursor = nullptr;
        delete old;
    }
    if (!pictureName) return;
    zWindow* cursor = new (std::nothrow) zWindow(this, nullptr, "Cursor", nullptr, nullptr, nullptr);
    if (!cursor) return;
    const f32 transparent[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    cursor->SetBackgroundColor(transparent);
    cursor->SetBackgroundPicture(pictureName);
    cursor->SetPivot(0.0f, 0.0f);
    cursor->SetStyle(StyleAlwaysOnTop | StyleResolutionInvariant);
    zPicture* picture = m_engine ? m_engine->LoadPicture(pictureName, false) : nullptr;
    if (picture && picture->GetWidth() && picture->GetHeight()) {
        cursor->SetSize(f32(picture->GetWidth()), f32(picture->GetHeight()));
    }
    m_cursor = cursor;
}

void zScene2D::SetCursorAutoHideDelay(f32 seconds) {
    m_cursorAutoHideDelay = seconds;
    if (seconds <= 0.0f && m_cursor) {
        m_cursor->ResetCommandList();
        m_cursor->SetOpacity(1.0f);
        m_cursor->SetFlags(m_cursor->GetFlags() | SpriteVisible);
        m_cursorHiding = false;
    }
}

void zScene2D::DeleteWindow(zSprite2D* window) {
    if (!window || !m_windows.Find(window)) return;
    for (auto* node = m_windows.GetHead(); node; node = node->next) {
        if (node->value != window && node->value->GetParent() == window) node->value->SetParent(nullptr);
    }
    delete window;
}

void zScene2D::Relink(zSprite2D* window, zSprite2D* other, bool front) {
    auto* node = window ? m_windows.Find(window) : nullptr;
    if (!node) return;
    auto* reference = other && other != window ? m_windows.Find(other) : nullptr;
    m_windows.RemoveNode(node);
    delete node;
    if (front) {
        // Front: drawn after, hit before: the tail, or just after other.
        m_windows.InsertAfter(window, reference);
    } else {
        m_windows.InsertBefore(window, reference);
    }
}

void zScene2D::MoveWindowToFront(zSprite2D* window, zSprite2D* other) { Relink(window, other, true); }
void zScene2D::MoveWindowToBack(zSprite2D* window, zSprite2D* other) { Relink(window, other, false); }

bool zScene2D::IsDescendant(const zSprite2D* sprite, const zSprite2D* ancestor) const {
    for (const zSprite2D* parent = sprite ? sprite->GetParent() : nullptr; parent; parent = parent->GetParent()) {
        if (parent == ancestor) return true;
    }
    return false;
}

void zScene2D::LockToWindow(zSprite2D* window) {
    if (!window) {
        GetLog() << "[*] Cannot lock UI to NULL window.\n";
        return;
    }
    Unlock();
    for (auto* node = m_windows.GetHead(); node; node = node->next) {
        zSprite2D* sprite = node->value;
        if (sprite == window || IsDescendant(sprite, window)) continue;
        sprite->SetStyle(sprite->GetStyle() | StyleLocked);
    }
}

void zScene2D::Unlock() {
    for (auto* node = m_windows.GetHead(); node; node = node->next)
        node->value->SetStyle(node->value->GetStyle() & ~StyleLocked);
}

void zScene2D::SetGlobalFadeEffect(f32 fade) {
    if (!(fade == fade)) fade = 0.0f;
    m_globalFade = std::clamp(fade, 0.0f, 1.0f);
}

void zScene2D::SetGlobalFadeColor(f32 red, f32 green, f32 blue) {
    m_fadeColor[0] = red;
    m_fadeColor[1] = green;
    m_fadeColor[2] = blue;
}

void zScene2D::SetVirtualResolution(f32 width, f32 height) {
    // A virtual size of 0 (or not a number) would divide every sprite by it.
    if (width > 0.0f) m_virtualWidth = width;
    if (height > 0.0f) m_virtualHeight = height;
}

zSprite2D* zScene2D::FindWindowByUid(i32 uid) const {
    for (auto* node = m_windows.GetHead(); node; node = node->next) {
        if (node->value->GetUid() == uid) return node->value;
    }
    return nullptr;
}

bool zScene2D::UnloadBitmap(const char* pictureName) {
    zResourceCache* cache = m_engine ? m_engine->GetResourceCache() : nullptr;
    if (!cache || !pictureName) return false;
    zTexture* texture = zResourceCache::FindTexture(cache->GetTextureList(false), pictureName);
    return texture && cache->RemoveTexture(texture);
}

bool zScene2D::Execute(zACECommand* command, f32 share) {
    if (command && command->code == ACEGlobalFade) {
        const f32 s = command->remaining > 0.0f ? std::min(1.0f, share / command->remaining) : 1.0f;
        SetGlobalFadeEffect(m_globalFade + (command->parameters[0] - m_globalFade) * s);
        return true;
    }
    return zACEUnit::Execute(command, share);
}

void zScene2D::GetOutput(f32& width, f32& height, f32& aspect) const {
    width = m_virtualWidth;
    height = m_virtualHeight;
    aspect = 1.0f;
    zRenderer* renderer = m_engine ? m_engine->GetRenderer() : nullptr;
    if (!renderer) return;
    f32 size[2] = {0.0f, 0.0f};
    renderer->GetOutputSize(size);
    if (size[0] > 0.0f && size[1] > 0.0f) {
        width = size[0];
        height = size[1];
    }
    const f32 factor = renderer->GetGlobalAspectRatio();
    if (factor > 0.0f) aspect = factor;
}

void zScene2D::MapCursor(f32 nx, f32 ny, f32 outputWidth, f32 outputHeight, f32 aspect, i32& x, i32& y) const {
    const f32 vw = m_virtualWidth;
    const f32 vh = m_virtualHeight;
    f32 spread = 1.0f;
    if (outputHeight > 0.0f && vh > 0.0f && aspect > 0.0f) spread = (outputWidth / outputHeight) / ((vw / vh) * aspect);
    const f32 fx = vw * (0.5f + (nx - 0.5f) * spread);
    const f32 fy = vh * ny;
    x = fx == fx ? i32(std::clamp(fx, -1.0e9f, 1.0e9f)) : 0;
    y = fy == fy ? i32(std::clamp(fy, -1.0e9f, 1.0e9f)) : 0;
}

void zScene2D::SortStack() {
    // Bubble sort: neighbours swap only when the first is strictly smaller,
    // so equal z-orders keep their order; the largest ends at the head.
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (auto* node = m_windows.GetHead(); node && node->next; node = node->next) {
            if (node->value->GetZOrder() < node->next->value->GetZOrder()) {
                std::swap(node->value, node->next->value);
                swapped = true;
            }
        }
    }
}

void zScene2D::Render(bool skipScript) {
    const u32 category = SetAllocCategory(Scene2DAllocCategory);
    if (!skipScript) GetDispatcher().OnUpdate(*this);

    f32 dt = 0.0f;
    if (m_engine) dt = f32(m_useRawFrameTime ? m_engine->GetRawFrameTime() : m_engine->GetFrameTime()) / 10000.0f;
    UpdateUnit(*this, dt);
    for (auto* node = m_windows.GetHead(); node;) {
        auto* next = node->next;
        UpdateUnit(*node->value, dt);
        node = next;
    }

    SortStack();
    // AlwaysOnTop to the front (tail), AlwaysBehind to the back (head); each
    // sprite is visited once, in the order before the moves.
    zList<zSprite2D*> order;
    for (auto* node = m_windows.GetHead(); node; node = node->next)
        order.Add(node->value);
    for (auto* node = order.GetHead(); node; node = node->next) {
        zSprite2D* sprite = node->value;
        if (sprite->GetStyle() & StyleAlwaysOnTop) {
            MoveWindowToFront(sprite, nullptr);
        } else if (sprite->GetStyle() & StyleAlwaysBehind) {
            MoveWindowToBack(sprite, nullptr);
        }
    }

    UpdateWindowStack();

    zRenderer* renderer = m_engine ? m_engine->GetRenderer() : nullptr;
    if (renderer) {
        renderer->SetViewMatrix(zMatrix4());
        f32 width = 0.0f, height = 0.0f, aspect = 1.0f;
        GetOutput(width, height, aspect);
        zMatrix4 projection;
        projection.e[0] = (m_virtualWidth / m_virtualHeight) * (height / width) * aspect;
        renderer->SetProjectionMatrix(projection);
        for (auto* node = m_windows.GetHead(); node; node = node->next)
            node->value->Draw(renderer);
        if (m_cursor) m_cursor->Draw(renderer);
        renderer->SetProjectionMatrix(zMatrix4());
        if (m_globalFade > 0.01f) {
            const f32 color[4] = {m_fadeColor[0], m_fadeColor[1], m_fadeColor[2], m_globalFade};
            const zVector a(-1.0f, -1.0f, 0.0f), b(1.0f, -1.0f, 0.0f), c(1.0f, 1.0f, 0.0f), d(-1.0f, 1.0f, 0.0f);
            const zVector first[3] = {a, b, c};
            const zVector second[3] = {a, c, d};
            renderer->DrawTriangle(first, color, nullptr, nullptr, DrawDepthAlways);
            renderer->DrawTriangle(second, color, nullptr, nullptr, DrawDepthAlways);
        }
    }
    SetAllocCategory(category);
}

zSprite2D* zScene2D::HitTest(i32 x, i32 y) const {
    for (auto* node = m_windows.GetTail(); node; node = node->previous) {
        zSprite2D* sprite = node->value;
        if (sprite == m_cursor || !sprite->IsShown()) continue;
        if (!(sprite->GetOpacity() > 0.0f) || (sprite->GetStyle() & StyleNonSensitive)) continue;
        sprite->UpdateMatrices();
        if (StrictlyInside(sprite->GetBoundingBox(), x, y)) return sprite;
    }
    return nullptr;
}

zWidget* zScene2D::HitWidget(zSprite2D* window, i32 x, i32 y) const {
    if (!window || !window->IsWindow()) return nullptr;
    zWidget* widget = static_cast<zWindow*>(window)->GetBaseWidget();
    if (!widget) return nullptr;
    for (bool descended = true; descended;) {
        descended = false;
        for (auto* node = widget->GetChildren().GetHead(); node; node = node->next) {
            zWidget* child = node->value.Get();
            if (child->IsHidden() || !StrictlyInside(window->LocalRectToScreen(child->GetRect()), x, y)) continue;
            widget = child;
            descended = true;
            break;
        }
    }
    return widget;
}

bool zScene2D::DispatchWidgetEvent(zWidget* widget, i32 eventId, const zUIInputState& state) {
    zEventHandler* handler = widget ? widget->Find(eventId) : nullptr;
    zScriptVM* vm = GetVM();
    if (!handler || !state.window || (state.window->GetStyle() & StyleLocked) || !vm) return false;
    std::unique_ptr<zScriptObject> table = vm->NewTable();
    if (!table || !vm->PrepareCall(nullptr, handler->function.get(), handler->context.get())) return false;
    vm->SetGlobal("window", zScriptValue(state.window, 13), table.get());
    vm->SetGlobal("widget", zScriptValue(widget, 13), table.get());
    vm->SetGlobal("id", zScriptValue(widget->GetId()), table.get());
    vm->SetGlobal("cursor_id", zScriptValue(0), table.get());
    vm->SetGlobal("x", zScriptValue(state.x), table.get());
    vm->SetGlobal("y", zScriptValue(state.y), table.get());
    vm->SetGlobal("left_down", zScriptValue(state.down[0] != 0), table.get());
    vm->SetGlobal("middle_down", zScriptValue(state.down[2] != 0), table.get());
    vm->SetGlobal("right_down", zScriptValue(state.down[1] != 0), table.get());
    vm->PushArgument(zScriptValue(eventId));
    vm->PushArgument(zScriptValue(table.get(), false));
    vm->Call(nullptr);
    return true;
}

bool zScene2D::DispatchWindowEvent(zSprite2D* window, i32 eventId) {
    zEventHandler* handler = window ? window->Find(eventId) : nullptr;
    zScriptVM* vm = GetVM();
    if (!handler || (window->GetStyle() & StyleLocked) || !vm) return false;
    std::unique_ptr<zScriptObject> table = vm->NewTable();
    if (!table || !vm->PrepareCall(nullptr, handler->function.get(), handler->context.get())) return false;
    vm->SetGlobal("window", zScriptValue(window, 13), table.get());
    vm->SetGlobal("cursor_id", zScriptValue(0), table.get());
    vm->SetGlobal("x", zScriptValue(window->GetPosition().x), table.get());
    vm->SetGlobal("y", zScriptValue(window->GetPosition().y), table.get());
    vm->PushArgument(zScriptValue(eventId));
    vm->PushArgument(zScriptValue(table.get(), false));
    vm->Call(nullptr);
    return true;
}

bool zScene2D::Bubble(zWidget* widget, i32 eventId) {
    for (zSharedPtr<zWidget> at(widget); at; at = at->GetParent()) {
        if (DispatchWidgetEvent(at.Get(), eventId, m_current)) return true;
    }
    DispatchWindowEvent(m_current.window, eventId);
    return false;
}

void zScene2D::ButtonDown(int button) {
    const i32 eventId = button == 0 ? EventLeftMouseDown : EventRightMouseDown;
    if (Bubble(m_current.widget, eventId)) return;
    zSprite2D* window = m_current.window;
    if (button == 0) {
        if (!(m_current.widget && m_current.widget->HasHandler(EventLeftMouseClick)) && window &&
            (window->GetStyle() & StyleMovable)) {
            m_dragged = window;
        }
        return;
    }
    if (m_current.widget && m_current.widget->HasHandler(EventRightMouseClick)) return;
    if (!window || !window->IsWindow() || (window->GetStyle() & (StyleNoTitle | StyleNoDecoration))) return;
    auto* shaded = static_cast<zWindow*>(window);
    const bool wasShaded = shaded->IsShaded();
    DispatchWindowEvent(window, wasShaded ? EventUnshade : EventShade);
    // The handler may have deleted the window.
    if (m_current.window == window) shaded->SetShaded(!wasShaded);
}

void zScene2D::EnterLeave(zSprite2D* window) {
    if (!window || !window->IsWindow()) return;
    if (zWidget* base = static_cast<zWindow*>(window)->GetBaseWidget()) EnterLeaveTree(window, base);
}

void zScene2D::EnterLeaveTree(zSprite2D* window, zWidget* widget) {
    // A hidden widget's subtree is skipped.
    if (widget->IsHidden()) return;
    const zRect rect = window->LocalRectToScreen(widget->GetRect());
    const bool now = StrictlyInside(rect, m_current.x, m_current.y);
    const bool before = StrictlyInside(rect, m_previous.x, m_previous.y);
    if (!now && before) DispatchWidgetEvent(widget, EventMouseLeave, m_current);
    if (now && !before) DispatchWidgetEvent(widget, EventMouseEnter, m_current);
    for (auto* node = widget->GetChildren().GetHead(); node; node = node->next)
        EnterLeaveTree(window, node->value.Get());
}

void zScene2D::UpdateWindowStack() {
    if (!m_mouse) return;
    m_previous = m_current;
    m_mouse->Update();
    i32 rawX = 0, rawY = 0;
    f32 nx = 0.0f, ny = 0.0f;
    if (m_mouse->GetFunction(DeviceAxisX, rawX, nullptr, false) && m_mouse->GetFunction(DeviceAxisY, rawY, nullptr, false)) {
        nx = f32(rawX) / 65535.0f;
        ny = f32(rawY) / 65535.0f;
    }
    f32 width = 0.0f, height = 0.0f, aspect = 1.0f;
    GetOutput(width, height, aspect);
    if (m_cursor) m_cursor->SetPosition(width * nx, height * ny);
    MapCursor(nx, ny, width, height, aspect, m_current.x, m_current.y);

    if (m_cursor && m_cursorAutoHideDelay > 0.0f) {
        const f32 now = m_engine ? f32(m_engine->GetClock()) / 10000.0f : 0.0f;
        if (m_current.x != m_previous.x || m_current.y != m_previous.y) m_lastCursorMove = now;
        if (now - m_lastCursorMove > m_cursorAutoHideDelay) {
            // Issued once: compiling it again every frame would restart the
            // fade, and the hide would never come.
            if (!m_cursorHiding) {
                LoadCommandList(AutoHideCommands, *m_cursor);
                m_cursorHiding = true;
            }
        } else {
            if (m_cursorHiding) m_cursor->ResetCommandList();
            m_cursorHiding = false;
            m_cursor->SetOpacity(1.0f);
            m_cursor->SetFlags(m_cursor->GetFlags() | SpriteVisible);
        }
    }

    if (m_dragged) {
        const zVector2& position = m_dragged->GetPosition();
        m_dragged->SetPosition(position.x + f32(m_current.x - m_previous.x), position.y + f32(m_current.y - m_previous.y));
        DispatchWindowEvent(m_dragged, EventMove);
    }

    m_current.window = HitTest(m_current.x, m_current.y);
    m_current.widget = HitWidget(m_current.window, m_current.x, m_current.y);
    // Handlers may drop the widget tree: the hit widget stays alive this frame.
    const zSharedPtr<zWidget> widgetGuard(m_current.widget);

    static const i32 ButtonControls[3] = {DeviceButton0, DeviceButton0 + 1, DeviceButton0 + 2};
    bool pressed[3];
    bool released[3];
    for (int button = 0; button < 3; ++button) {
        i32 value = 0;
        m_current.down[button] = m_mouse->GetFunction(ButtonControls[button], value, nullptr, false) && value ? 1 : 0;
        pressed[button] = m_current.down[button] && !m_previous.down[button];
        released[button] = !m_current.down[button] && m_previous.down[button];
        if (pressed[button]) m_current.pressed[button] = m_current.widget;
    }

    if (m_dragged) {
        if (released[0]) m_dragged = nullptr;
    } else if (m_current.widget) {
        static const i32 Clicks[3] = {EventLeftMouseClick, EventRightMouseClick, EventMiddleMouseClick};
        static const i32 Ups[3] = {EventLeftMouseUp, EventRightMouseUp, EventMiddleMouseUp};
        for (int button = 0; button < 3; ++button) {
            if (!released[button]) continue;
            const bool click = m_current.widget == m_previous.widget && m_current.widget == m_current.pressed[button];
            Bubble(m_current.widget, click ? Clicks[button] : Ups[button]);
        }
        if (pressed[0]) ButtonDown(0);
        if (pressed[1]) ButtonDown(1);
        if (pressed[2]) Bubble(m_current.widget, EventMiddleMouseDown);
        if (m_current.widget && (m_current.x != m_previous.x || m_current.y != m_previous.y)) {
            Bubble(m_current.widget, EventMouseMove);
        }
    } else if (m_current.window) {
        static const i32 Clicks[3] = {EventLeftMouseClick, EventRightMouseClick, EventMiddleMouseClick};
        static const i32 Ups[3] = {EventLeftMouseUp, EventRightMouseUp, EventMiddleMouseUp};
        for (int button = 0; button < 3; ++button) {
            if (!released[button]) continue;
            DispatchWindowEvent(m_current.window, m_current.window == m_previous.window ? Clicks[button] : Ups[button]);
        }
        if (pressed[0] && m_current.window && (m_current.window->GetStyle() & StyleMovable)) m_dragged = m_current.window;
    }

    EnterLeave(m_current.window);
    if (m_previous.window != m_current.window) EnterLeave(m_previous.window);
    if (m_current.window && m_current.window != m_previous.window) DispatchWindowEvent(m_current.window, EventMouseEnter);
    if (m_previous.window && m_previous.window != m_current.window) DispatchWindowEvent(m_previous.window, EventMouseLeave);
}

// ZML

bool zScene2D::ParseRootTag(zMetafile& doc, zMetaTag* root) {
    if (!root || root->GetName() != "Scene2d") {
        GetLog() << "[!] Could not parse 2d scene. Root tag id is incorrect (" << (root ? root->GetName().CStr() : "")
                 << ").\n";
        return false;
    }
    m_sourceName = doc.GetFileName();
    // Uids of the file, to resolve the links once every sprite exists.
    zLinkedListIterator iterator{};
    while (zMetaTag* child = root->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "ScriptUnit") {
            zScriptUnit::Parse(&doc, child);
        } else if (name == "Sprites") {
            zLinkedListIterator sprites{};
            while (zMetaTag* entry = child->GetNextChild(sprites)) {
                if (entry->GetName() == "Sprite2d") {
                    zSprite2D* sprite = new (std::nothrow) zSprite2D(this, nullptr, nullptr, "", nullptr, nullptr);
                    if (!sprite) {
                        GetLog() << "[!] Failed to allocate new sprite.\n";
                        continue;
                    }
                    sprite->Parse(entry);
                } else if (entry->GetName() == "Window") {
                    zWindow* window = new (std::nothrow) zWindow(this, nullptr, "", nullptr, nullptr, nullptr);
                    if (!window) {
                        GetLog() << "[!] Failed to allocate new window.\n";
                        continue;
                    }
                    window->Parse(entry);
                } else if (entry->GetName() == "Link") {
                    i32 item = 0, parent = 0;
                    const zMetaTag* itemTag = entry->GetTag("Item;");
                    const zMetaTag* parentTag = entry->GetTag("Link;");
                    if (!itemTag || !parentTag || !itemTag->GetValue().GetInt(item) ||
                        !parentTag->GetValue().GetInt(parent)) {
                        continue;
                    }
                    zSprite2D* sprite = FindWindowByUid(item);
                    zSprite2D* parentSprite = FindWindowByUid(parent);
                    if (sprite && parentSprite && sprite != parentSprite) sprite->SetParent(parentSprite);
                }
            }
        } else if (name == "Links") {
            // Written empty; the links stand under "Sprites".
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Scene2d>.\n";
        }
    }
    // Uids read from the file must not be handed out again.
    for (auto* node = m_windows.GetHead(); node; node = node->next) {
        if (node->value->GetUid() >= m_nextUid && node->value->GetUid() < 0x7fffffff) m_nextUid = node->value->GetUid() + 1;
    }
    return true;
}

zMetaTag* zScene2D::BuildRootTag(zMetafile& /*doc*/) { return SerializeScene(nullptr); }

zMetaTag* zScene2D::SerializeScene(const zList<zSprite2D*>* filter) const {
    zMetaTag* root = new (std::nothrow) zMetaTag("Scene2d");
    if (!root) {
        GetLog() << "[!] Could not create managed root tag to serialize.\n";
        return nullptr;
    }
    zMetaTag* sprites = new (std::nothrow) zMetaTag("Sprites");
    if (!sprites || !root->AddChild(sprites)) {
        delete sprites;
        GetLog() << "[!] Failed to allocate <Sprites> root tag.\n";
    } else {
        for (auto* node = m_windows.GetHead(); node; node = node->next) {
            if (node->value == m_cursor) continue;
            if (zMetaTag* tag = node->value->Serialize()) {
                if (!sprites->AddChild(tag)) delete tag;
            }
        }
        for (auto* node = m_windows.GetHead(); node; node = node->next) {
            zSprite2D* sprite = node->value;
            zSprite2D* parent = sprite->GetParent();
            if (!parent || sprite == m_cursor) continue;
            if (filter && (!filter->Find(sprite) || !filter->Find(parent))) continue;
            zMetaTag* link = new (std::nothrow) zMetaTag("Link");
            if (!link || !sprites->AddChild(link)) {
                delete link;
                continue;
            }
            link->AddChild(new (std::nothrow) zMetaTag("Item", sprite->GetUid()));
            link->AddChild(new (std::nothrow) zMetaTag("Link", parent->GetUid()));
        }
    }
    zMetaTag* links = new (std::nothrow) zMetaTag("Links");
    if (!links || !root->AddChild(links)) {
        delete links;
        GetLog() << "[!] Failed to allocate <Links> root tag.\n";
    }
    zScriptUnit::Serialize(root);
    return root;
}
