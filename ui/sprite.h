// Sprites and windows of a 2D scene.
//
// zSprite2D is a textured quad with a 2D transform: local = rotation by the
// angle, then the position; world = local after the scale-and-pivot matrix
// (scale, then the pivot moved to the origin), composed with every
// ancestor's local and scale-and-pivot. Coordinates are the scene's virtual
// pixels with y down; the screen matrix maps them to clip space (x, y) ->
// (2x / VW - 1, 1 - 2y / VH), or by the output size and aspect factor for a
// ResolutionInvariant sprite, then through the scene's UI transform. The two
// triangles are sent counter-clockwise in clip space whatever the transform.
//
// zWindow owns a picture (its texture, sized to powers of two) into which it
// composes the skin frame, the background and its widget tree, and uploads it
// when Dirty. Sprites live in their scene's stack from construction to
// deletion; the scene deletes them.
#pragma once

#include "core/list.h"
#include "core/matrix.h"
#include "core/rect.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "scene/ace.h"
#include "ui/event_table.h"

class zMetaTag;
class zPicture;
class zRenderer;
class zScene2D;
class zTextWidget;
class zTexture;
class zWidget;

// Style bits (ZML names under "Style").
enum zSpriteStyle : u32 {
    StyleAdditive = 0x1,
    StyleAlwaysOnTop = 0x2,
    StyleAlwaysBehind = 0x4,
    StyleNonSensitive = 0x8,
    StyleResolutionInvariant = 0x10,
    StyleLockUV = 0x20,
    StyleNoDecoration = 0x40,
    StyleLocked = 0x80,
    StyleNoTitle = 0x100,
    StyleMovable = 0x200,
};

// Flag bits (ZML names under "Flag" for Active, Visible, FlipU, FlipV).
enum zSpriteFlag : u32 {
    SpriteActive = 0x1,
    SpriteVisible = 0x2,
    SpriteDirty = 0x4,
    SpriteFlipU = 0x8,
    SpriteFlipV = 0x10,
    SpriteMatrixGiven = 0x20,
    SpriteShaded = 0x80,
};

// ACE codes of sprites (the 2D scene's verbs).
enum zSpriteACECode : i32 {
    ACEToAlpha = 0,
    ACEToPosition = 1,
    ACEToScale = 2,
    ACEToAngle = 3,
    ACEShow = 4,
    ACEHide = 5,
    ACEGlobalFade = 6,
};

// DrawTriangle flags the sprites use.
constexpr u32 DrawDepthAlways = 0x4000;
constexpr u32 DrawAdditive = 0x4;

class zSprite2D : public zEventTable, public zACEUnit {
  public:
    // Takes a reference on the texture, joins the parent and the scene's
    // stack (listeners told before and after). Position (0.5, 0.5) and size
    // 128 x 128 when none is given.
    zSprite2D(zScene2D* scene, zTexture* texture, zSprite2D* parent, const char* name, const zVector2* position,
              const zVector2* size);
    // Leaves the scene's stack, the parent and the children.
    ~zSprite2D() override;

    // ACE step of codes 0..5; other codes go to the base.
    bool Execute(zACECommand* command, f32 share) override;
    // Each side below 1 becomes 1.
    virtual void SetSize(f32 width, f32 height);
    // (0, 0, trunc(w), trunc(h)); a shaded window is as high as the title.
    virtual zRect GetSize() const;
    // The four corners of (0, 0)-(w, h) through the world matrix, truncated.
    virtual zRect GetBoundingBox() const;
    virtual void Draw(zRenderer* renderer);
    virtual bool Parse(const zMetaTag* tag);
    // A new "Sprite2d" tag the caller owns; null on failure.
    virtual zMetaTag* Serialize() const;

    void SetPosition(f32 x, f32 y) { m_position = zVector2(x, y); }
    void SetPivot(f32 x, f32 y) { m_pivot = zVector2(x, y); }
    void SetScale(f32 x, f32 y) { m_scale = zVector2(x, y); }
    void SetRotation(f32 radians) { m_angle = radians; }
    void SetOpacity(f32 opacity);
    void SetZOrder(f32 order) { m_zOrder = order; }
    void SetTexture(zTexture* texture);
    // Leaves the old parent, joins the new one (appended); a parent that
    // would make a cycle is refused.
    bool SetParent(zSprite2D* parent);
    void SetFromMatrix(const zMatrix3& matrix);
    void SetStyle(u32 style) { m_style = style; }
    void SetFlags(u32 flags) { m_flags = flags; }
    void SetName(const char* name) { m_name.Set(name); }
    void SetUid(i32 uid) { m_uid = uid; }

    bool IsWindow() const { return m_isWindow; }
    // Visible here and on every ancestor.
    bool IsShown() const;
    bool IsShaded() const { return (m_flags & SpriteShaded) != 0; }
    const zVector2& GetPosition() const { return m_position; }
    const zVector2& GetPivot() const { return m_pivot; }
    const zVector2& GetScale() const { return m_scale; }
    const zVector2& GetSizeF() const { return m_size; }
    f32 GetRotation() const { return m_angle; }
    f32 GetOpacity() const { return m_opacity; }
    f32 GetZOrder() const { return m_zOrder; }
    i32 GetUid() const { return m_uid; }
    u32 GetStyle() const { return m_style; }
    u32 GetFlags() const { return m_flags; }
    const zString& GetName() const { return m_name; }
    zTexture* GetTexture() const { return m_texture.Get(); }
    zSprite2D* GetParent() const { return m_parent; }
    const zList<zSprite2D*>& GetChildren() const { return m_children; }
    zScene2D* GetScene() const { return m_scene; }

    // Rebuilds the local and world matrices (and the world inverse) unless
    // the matrices were given.
    void UpdateMatrices();
    const zMatrix3& GetWorldMatrix() const { return m_world; }
    const zMatrix3& GetScreenMatrix() const { return m_screen; }
    zRect LocalRectToScreen(const zRect& rect) const;
    zRect ScreenRectToLocal(const zRect& rect) const;

  protected:
    // Windows are built without a texture of their own first.
    struct WindowTag {};
    zSprite2D(WindowTag, zScene2D* scene, zSprite2D* parent, const char* name, const zVector2* position);

    // The sprite quad: corners through the screen matrix, UVs over the used
    // part of the texture, white with the opacity.
    void DrawQuad(zRenderer* renderer, f32 height, f32 opacity);
    // The opacity along the ancestors; false when an ancestor hides it.
    bool ComputeChainOpacity(f32& opacity) const;
    void ComputeScreenMatrix();
    bool ParseSprite(const zMetaTag* tag, bool isWindow);

    bool m_isWindow = false;
    zScene2D* m_scene;
    zSharedPtr<zTexture> m_texture;
    zSprite2D* m_parent = nullptr;
    zMatrix3 m_local;
    zMatrix3 m_world;
    zMatrix3 m_inverseWorld;
    zMatrix3 m_screen;
    zList<zSprite2D*> m_children;
    u32 m_style = 0;
    u32 m_flags = SpriteVisible | SpriteDirty;
    i32 m_uid = 0;
    zVector2 m_position{0.5f, 0.5f};
    zVector2 m_pivot{0.0f, 0.0f};
    zVector2 m_size{128.0f, 128.0f};
    zVector2 m_scale{1.0f, 1.0f};
    f32 m_zOrder = 0.5f;
    f32 m_angle = 0.0f;
    f32 m_opacity = 1.0f;
    zString m_name;

  private:
    void Join(zSprite2D* parent, const zVector2* position);
};

class zWindow : public zSprite2D {
  public:
    // Title from the skin; the window's own texture; SetSize with the size
    // given or 320 x 200.
    zWindow(zScene2D* scene, zSprite2D* parent, const char* name, const char* title, const zVector2* position,
            const zVector2* size);
    ~zWindow() override;

    // Takes the next powers of two for the texture, reallocating its picture
    // only when it grows; invalidates and sets Dirty.
    void SetSize(f32 width, f32 height) override;
    zRect GetSize() const override;
    void Draw(zRenderer* renderer) override;
    bool Parse(const zMetaTag* tag) override;
    zMetaTag* Serialize() const override;
    // The one operation a window adds to the sprite's: a reserved slot that
    // answers 0.
    virtual i32 Reserved() const;

    // (skin 2 width, skin 5 height, width - skin 3 width, height - skin 8
    // height); bottom 0 when shaded.
    zRect GetClientRect() const;
    void SetBackgroundColor(const f32 rgba[4]);
    // From the engine's picture cache; found: NoDecoration, else cleared.
    void SetBackgroundPicture(const char* name);
    void SetBaseWidget(zWidget* widget);
    zWidget* GetBaseWidget() const { return m_baseWidget.Get(); }
    zWidget* GetChild(i32 id) const;
    void Invalidate();
    // Shading fades the ten rows above the title height and uploads; a
    // shaded window is not shaded again.
    void SetShaded(bool shaded);
    // Uploads the whole picture; clears Dirty.
    void UpdateTexture();
    // Clears and draws the frame or the background (below).
    void Compose();

    const zString& GetTitle() const;
    // The title text widget (id -1); null only when it could not be made.
    zTextWidget* GetTitleWidget() const { return m_titleWidget.Get(); }
    // The rectangle the title is drawn in: from the fifth skin picture's
    // width and skin number c, skin number d high.
    zRect GetTitleRect() const;
    zPicture* GetPicture() const;
    const f32* GetBackgroundColor() const { return m_background; }
    zPicture* GetBackgroundPicture() const { return m_backgroundPicture.Get(); }

  private:
    // Skin picture 1..8, or null.
    zPicture* Skin(int number) const;
    i32 SkinWidth(int number) const;
    i32 SkinHeight(int number) const;
    // The title bar's height: the first skin picture's.
    i32 TitleHeight() const { return SkinHeight(1); }

    zSharedPtr<zWidget> m_baseWidget;
    zSharedPtr<zTextWidget> m_titleWidget;
    f32 m_background[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    zSharedPtr<zPicture> m_backgroundPicture;
    zString m_backgroundName;
};

// A window's side is cut to this, the largest texture side of the renderers:
// its picture is allocated from the size a file or a script gives.
constexpr u32 WindowSizeLimit = 4096;

// The next power of two not below the size (at least 1).
u32 WindowTextureSize(f32 size);
