// zScene2D: the 2D user interface of one scene or project layer.
//
// A stack of sprites and windows drawn over the 3D picture in list order
// (later ones cover earlier ones) and hit-tested from the tail, a cursor
// window following the mouse, the routing of mouse input to windows and
// widgets as script events, a UI lock, a window skin, a global fade, the UI
// verbs of its command lists and a script unit (owner kind 12) with OnSetup,
// OnReset, OnUpdate and OnDelete.
//
// "Front" means drawn last and hit first: the tail of the stack. The
// per-frame sort puts the largest z-order at the head (equal values keep
// their order); AlwaysOnTop sprites then go to the tail and AlwaysBehind
// ones to the head, as MoveWindowToFront and MoveWindowToBack do.
//
// Input routing reads the mouse device's controls 0, 1 (cursor, 0..65535 of
// the client area) and 5, 6, 7 (buttons) without consuming them. Widgets get
// enter and leave once per change. Events are script calls on the scene's
// VM: a handler is called with the event id and a table describing the
// pointer. Main thread only.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"
#include "engine/core_listener.h"
#include "markup/meta_object.h"
#include "scene/ace.h"
#include "script/script_unit.h"
#include "ui/sprite.h"

class zEngine;
class zHIDDevice;
class zScene2D;
class zScene2DScriptUnit;
class zScriptVM;
class zRenderFont;
class zTexture;
class zWidget;

// Told when a sprite is made: event 1 before it joins the stack, 2 after.
class zScene2DListener {
  public:
    virtual ~zScene2DListener() = default;
    virtual void OnSpriteEvent(u32 event, zSprite2D* sprite) = 0;
};

class zScene2DScriptEventDispatcher {
  public:
    virtual ~zScene2DScriptEventDispatcher() = default;
    virtual bool OnSetup(zScene2DScriptUnit& unit);
    virtual bool OnReset(zScene2DScriptUnit& unit);
    // Calls the closure cached at set-up.
    virtual bool OnUpdate(zScene2DScriptUnit& unit);
    virtual bool OnDelete(zScene2DScriptUnit& unit);
};

class zScene2DScriptUnit : public zScriptUnit {
  public:
    explicit zScene2DScriptUnit(zScriptVM* vm);
    ~zScene2DScriptUnit() override;

    bool Setup() override;
    void Unload() override;

    // Null selects the shared default dispatcher.
    void SetDispatcher(std::unique_ptr<zScene2DScriptEventDispatcher> dispatcher);
    zScene2DScriptEventDispatcher& GetDispatcher();
    zScriptObject* GetOnUpdate() const { return m_onUpdate.get(); }

  private:
    std::unique_ptr<zScene2DScriptEventDispatcher> m_dispatcher;
    std::unique_ptr<zScriptObject> m_onUpdate;
};

// The pointer state of one frame.
struct zUIInputState {
    zSprite2D* window = nullptr;
    zWidget* widget = nullptr;
    i32 x = 0;
    i32 y = 0;
    u8 down[3] = {0, 0, 0}; // left, right, middle
    zWidget* pressed[3] = {nullptr, nullptr, nullptr};
};

class zScene2D : public zSharedObject,
                 public zScene2DScriptUnit,
                 public zMetaObject,
                 public zCoreListener,
                 public zACEManager,
                 public zACEUnit {
  public:
    static constexpr f32 DefaultVirtualWidth = 1280.0f;
    static constexpr f32 DefaultVirtualHeight = 960.0f;
    static constexpr i32 SkinPictureCount = 8;

    zScene2D(zEngine* engine, zScriptVM* vm);
    ~zScene2D() override;

    // Sets the unit up, then dispatches OnSetup.
    bool Setup() override;
    bool Reset();
    // One UI frame; skipScript leaves OnUpdate out.
    void Render(bool skipScript);
    // OnDelete, then every sprite, the skin and the state go.
    void Clear();

    // Drops the old skin; false when a name is missing. Loaded when all eight
    // textures exist.
    bool SetSkin(const char* const names[SkinPictureCount], const i32 numbers[5], const char* fontName);
    // Null removes the cursor window.
    void SetCursor(const char* pictureName);
    void SetCursorAutoHideDelay(f32 seconds);
    void DeleteWindow(zSprite2D* window);
    // Null other: the tail (front) or the head (back).
    void MoveWindowToFront(zSprite2D* window, zSprite2D* other);
    void MoveWindowToBack(zSprite2D* window, zSprite2D* other);
    void LockToWindow(zSprite2D* window);
    void Unlock();
    void SetGlobalFadeEffect(f32 fade);
    f32 GetGlobalFade() const { return m_globalFade; }
    void SetGlobalFadeColor(f32 red, f32 green, f32 blue);
    const f32* GetFadeColor() const { return m_fadeColor; }
    void SetVirtualResolution(f32 width, f32 height);
    f32 GetVirtualWidth() const { return m_virtualWidth; }
    f32 GetVirtualHeight() const { return m_virtualHeight; }
    zSprite2D* FindWindowByUid(i32 uid) const;
    bool UnloadBitmap(const char* pictureName);
    zSprite2D* GetWindowBelowCursor() const { return m_current.window; }
    zWindow* GetCursorWindow() const { return m_cursor; }

    // The profiler's 2D page from (x, y) (scene2d_profiler.cpp): the window
    // count and an empty line, both wrapping in the same column. Gives the
    // next y; without a font page nothing is written and y returns.
    f32 UpdateProfiler(f32 x, f32 y, zRenderFont* font);

    // zMetaObject: "Scene2d".
    bool ParseRootTag(zMetafile& doc, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& doc) override;
    // Links only between sprites both in filter, when given.
    zMetaTag* SerializeScene(const zList<zSprite2D*>* filter) const;

    void OnCoreEvent(u32 /*code*/, void* /*payload*/) override {}
    // The UI verbs: code 6 moves the global fade; others go to the base.
    bool Execute(zACECommand* command, f32 share) override;

    // The stack, head drawn first.
    const zList<zSprite2D*>& GetWindows() const { return m_windows; }
    u32 GetWindowCount() const { return m_windows.GetCount(); }
    zEngine* GetEngine() const { return m_engine; }
    zScriptVM* GetScriptVM() const { return GetVM(); }
    const zString& GetName() const { return m_sourceName; }
    void SetName(const char* name) { m_sourceName.Set(name); }
    zPicture* GetSkinPicture(int index) const;
    bool IsSkinLoaded() const { return m_skinLoaded; }
    i32 GetSkinNumber(int index) const { return index >= 0 && index < 5 ? m_skinNumbers[index] : 0; }
    const zString& GetSkinFontName() const { return m_skinFontName; }
    const zMatrix3& GetUITransform() const { return m_uiTransform; }
    void SetUITransform(const zMatrix3& transform) { m_uiTransform = transform; }
    void SetUseRawFrameTime(bool raw) { m_useRawFrameTime = raw; }
    bool GetUseRawFrameTime() const { return m_useRawFrameTime; }
    void AddListener(zScene2DListener* listener);
    void RemoveListener(zScene2DListener* listener);

    // The mouse the routing reads; null turns input off.
    void SetMouse(zHIDDevice* mouse) { m_mouse = mouse; }
    const zUIInputState& GetInputState() const { return m_current; }
    const zUIInputState& GetPreviousInputState() const { return m_previous; }
    zSprite2D* GetDraggedWindow() const { return m_dragged; }
    // The cursor in virtual pixels for control values of the output size.
    void MapCursor(f32 nx, f32 ny, f32 outputWidth, f32 outputHeight, f32 aspect, i32& x, i32& y) const;
    // The window input routing of one frame (step 5 of Render).
    void UpdateWindowStack();
    // The output size and aspect factor of the engine's renderer.
    void GetOutput(f32& width, f32& height, f32& aspect) const;

    // Widgets made for scripts: nothing holds one until it joins a tree or a
    // window, so Clear deletes those still unheld then.
    void KeepFloatingWidget(zWidget* widget);

    // Drops the input records' hold on the widget and its subtree, before
    // the widget leaves its tree for good.
    void ForgetWidget(const zWidget* widget);

    // Sprite bookkeeping of zSprite2D's constructor and destructor.
    i32 TakeNextUid() { return m_nextUid++; }
    void AddSprite(zSprite2D* sprite);
    void RemoveSprite(zSprite2D* sprite);

    // Widget and window event dispatch (for the routing and tests).
    bool DispatchWidgetEvent(zWidget* widget, i32 eventId, const zUIInputState& state);
    bool DispatchWindowEvent(zSprite2D* window, i32 eventId);

  private:
    void ResetInput();
    void DropSkin();
    void DeleteFloatingWidgets();
    void SortStack();
    void Relink(zSprite2D* window, zSprite2D* other, bool front);
    zSprite2D* HitTest(i32 x, i32 y) const;
    zWidget* HitWidget(zSprite2D* window, i32 x, i32 y) const;
    bool Bubble(zWidget* widget, i32 eventId);
    void ButtonDown(int button);
    void EnterLeave(zSprite2D* window);
    void EnterLeaveTree(zSprite2D* window, zWidget* widget);
    bool IsDescendant(const zSprite2D* sprite, const zSprite2D* ancestor) const;

    zEngine* m_engine;
    zHIDDevice* m_mouse = nullptr;
    f32 m_lastCursorMove = 0.0f;
    f32 m_cursorAutoHideDelay = 0.0f;
    bool m_cursorHiding = false;
    zUIInputState m_current;
    zUIInputState m_previous;
    zWindow* m_cursor = nullptr;
    zSprite2D* m_dragged = nullptr;
    bool m_useRawFrameTime = false;
    i32 m_nextUid = 0;
    f32 m_virtualWidth = DefaultVirtualWidth;
    f32 m_virtualHeight = DefaultVirtualHeight;
    f32 m_globalFade = 0.0f;
    zList<zSprite2D*> m_windows;
    zString m_sourceName;
    bool m_skinLoaded = false;
    zSharedPtr<zPicture> m_skin[SkinPictureCount];
    i32 m_skinNumbers[5] = {0, -1, 12, 0, 28};
    zString m_skinFontName{"Default"};
    zList<zScene2DListener*> m_listeners;
    f32 m_fadeColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    zMatrix3 m_uiTransform;
    bool m_clearing = false;
    // Weak: a widget that joined a tree dies with it. Dead and held entries
    // are dropped when the list reaches m_floatingPruneAt.
    zList<zWeakPtr<zWidget>> m_floatingWidgets;
    u32 m_floatingPruneAt = 16;
};
