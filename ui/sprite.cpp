#include "ui/sprite.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "picture/pixel_format.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "script/script_object.h"
#include "ui/scene2d.h"
#include "ui/font_system.h"
#include "ui/text_widget.h"
#include "ui/widget.h"

namespace {

constexpr f32 Pi = 3.14159265358979f;

struct BitName {
    const char* name;
    u32 bit;
};

const BitName StyleNames[] = {
    {"Additive", StyleAdditive},       {"AlwaysOnTop", StyleAlwaysOnTop},
    {"AlwaysBehind", StyleAlwaysBehind}, {"NonSensitive", StyleNonSensitive},
    {"ResolutionInvariant", StyleResolutionInvariant}, {"LockUV", StyleLockUV},
    {"NoDecoration", StyleNoDecoration}, {"Locked", StyleLocked},
    {"NoTitle", StyleNoTitle},         {"Movable", StyleMovable},
};

const BitName FlagNames[] = {
    {"Active", SpriteActive}, {"Visible", SpriteVisible}, {"FlipU", SpriteFlipU}, {"FlipV", SpriteFlipV}};

// Reads the named children of a bit tag into bits; unknown names are skipped.
u32 ReadBits(const zMetaTag* tag, const BitName* names, size_t count) {
    u32 bits = 0;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        for (size_t i = 0; i < count; ++i) {
            if (child->GetName() == names[i].name) bits |= names[i].bit;
        }
    }
    return bits;
}

zMetaTag* WriteBits(const char* name, u32 bits, const BitName* names, size_t count) {
    zMetaTag* tag = new (std::nothrow) zMetaTag(name);
    if (!tag) return nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (bits & names[i].bit) tag->AddChild(new (std::nothrow) zMetaTag(names[i].name));
    }
    return tag;
}

bool ReadNumber(const zMetaTag* tag, f32& out) {
    i32 integer = 0;
    if (tag->GetValue().GetFloat(out)) return true;
    if (!tag->GetValue().GetInt(integer)) return false;
    out = f32(integer);
    return true;
}

// Applies first, then second.
zMatrix3 Then(const zMatrix3& first, const zMatrix3& second) { return zMatrix3::Multiply(second, first); }

i32 Truncate(f32 value) {
    if (!(value == value)) return 0;
    if (value >= 2147483520.0f) return 2147483520;
    if (value <= -2147483520.0f) return -2147483520;
    return i32(value);
}

zRect BoundsOf(const zMatrix3& matrix, f32 left, f32 top, f32 right, f32 bottom) {
    const zVector2 corners[4] = {matrix.TransformPoint2D(zVector2(left, top)),
                                 matrix.TransformPoint2D(zVector2(right, top)),
                                 matrix.TransformPoint2D(zVector2(right, bottom)),
                                 matrix.TransformPoint2D(zVector2(left, bottom))};
    f32 minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
    for (const zVector2& corner : corners) {
        minX = std::min(minX, corner.x);
        maxX = std::max(maxX, corner.x);
        minY = std::min(minY, corner.y);
        maxY = std::max(maxY, corner.y);
    }
    return zRect{Truncate(minX), Truncate(minY), Truncate(maxX), Truncate(maxY)};
}

} // namespace

u32 WindowTextureSize(f32 size) {
    if (!(size > 1.0f)) return 1;
    u32 power = 1;
    while (f32(power) < size && power < (1u << 30))
        power <<= 1;
    return power;
}

// zSprite2D

zSprite2D::zSprite2D(zScene2D* scene, zTexture* texture, zSprite2D* parent, const char* name,
                     const zVector2* position, const zVector2* size)
    : m_scene(scene), m_texture(texture), m_name(name) {
    if (size) SetSize(size->x, size->y);
    Join(parent, position);
}

zSprite2D::zSprite2D(WindowTag, zScene2D* scene, zSprite2D* parent, const char* name, const zVector2* position)
    : m_scene(scene), m_name(name) {
    Join(parent, position);
}

void zSprite2D::Join(zSprite2D* parent, const zVector2* position) {
    if (position) m_position = *position;
    if (m_scene) m_uid = m_scene->TakeNextUid();
    SetParent(parent);
    if (m_scene) m_scene->AddSprite(this);
}

zSprite2D::~zSprite2D() {
    // Script handles of the sprite become "Deleted native".
    InvalidateScriptRecords(this);
    if (m_scene) m_scene->RemoveSprite(this);
    for (auto* node = m_children.GetHead(); node; node = node->next)
        node->value->m_parent = nullptr;
    m_children.Clear();
    if (m_parent) m_parent->m_children.Remove(this);
    m_parent = nullptr;
}

bool zSprite2D::Execute(zACECommand* command, f32 share) {
    if (!command) return false;
    const f32 s = command->remaining > 0.0f ? std::min(1.0f, share / command->remaining) : 1.0f;
    const f32* p = command->parameters;
    switch (command->code) {
    case ACEToAlpha: SetOpacity(m_opacity + (p[0] - m_opacity) * s); return true;
    case ACEToPosition:
        m_position.x += (p[0] - m_position.x) * s;
        m_position.y += (p[1] - m_position.y) * s;
        return true;
    case ACEToScale:
        m_scale.x += (p[0] - m_scale.x) * s;
        m_scale.y += (p[1] - m_scale.y) * s;
        return true;
    case ACEToAngle: m_angle += (p[0] / 180.0f * Pi - m_angle) * s; return true;
    case ACEShow:
        m_flags |= SpriteVisible;
        command->remaining = 0.0f;
        return true;
    case ACEHide:
        m_flags &= ~SpriteVisible;
        command->remaining = 0.0f;
        return true;
    default: return zACEUnit::Execute(command, share);
    }
}

void zSprite2D::SetSize(f32 width, f32 height) {
    // Not a number and infinity have no size to keep either.
    m_size.x = std::isfinite(width) && width >= 1.0f ? width : 1.0f;
    m_size.y = std::isfinite(height) && height >= 1.0f ? height : 1.0f;
}

zRect zSprite2D::GetSize() const { return zRect{0, 0, Truncate(m_size.x), Truncate(m_size.y)}; }

zRect zSprite2D::GetBoundingBox() const { return BoundsOf(m_world, 0.0f, 0.0f, m_size.x, m_size.y); }

void zSprite2D::SetOpacity(f32 opacity) {
    if (!(opacity == opacity)) opacity = 0.0f;
    m_opacity = std::clamp(opacity, 0.0f, 1.0f);
}

void zSprite2D::SetTexture(zTexture* texture) { m_texture = texture; }

bool zSprite2D::SetParent(zSprite2D* parent) {
    for (zSprite2D* ancestor = parent; ancestor; ancestor = ancestor->m_parent) {
        if (ancestor == this) return false;
    }
    if (m_parent) m_parent->m_children.Remove(this);
    m_parent = nullptr;
    if (parent && parent->m_children.Add(this)) m_parent = parent;
    return true;
}

void zSprite2D::SetFromMatrix(const zMatrix3& matrix) {
    m_position = zVector2(matrix.m[2], matrix.m[5]);
    const f32 cosine = std::clamp(matrix.m[0], -1.0f, 1.0f);
    m_angle = std::acos(cosine);
    if (matrix.m[1] < 0.0f) m_angle = 2.0f * Pi - m_angle;
}

bool zSprite2D::IsShown() const {
    for (const zSprite2D* sprite = this; sprite; sprite = sprite->m_parent) {
        if (!(sprite->m_flags & SpriteVisible)) return false;
    }
    return true;
}

namespace {

zMatrix3 LocalOf(const zVector2& position, f32 angle) {
    return Then(zMatrix3::RotationZ(angle), zMatrix3::Translation2D(position.x, position.y));
}

zMatrix3 ScaleAndPivotOf(const zVector2& scale, const zVector2& pivot) {
    zMatrix3 matrix = zMatrix3::Scale2D(scale.x, scale.y);
    matrix.m[2] = -pivot.x * scale.x;
    matrix.m[5] = -pivot.y * scale.y;
    return matrix;
}

} // namespace

void zSprite2D::UpdateMatrices() {
    if (m_flags & SpriteMatrixGiven) return;
    m_local = LocalOf(m_position, m_angle);
    m_world = Then(ScaleAndPivotOf(m_scale, m_pivot), m_local);
    for (const zSprite2D* ancestor = m_parent; ancestor; ancestor = ancestor->m_parent) {
        const zMatrix3 local = LocalOf(ancestor->m_position, ancestor->m_angle);
        m_world = Then(Then(m_world, ScaleAndPivotOf(ancestor->m_scale, ancestor->m_pivot)), local);
    }
    if (!m_world.Inverse(m_inverseWorld)) m_inverseWorld = zMatrix3();
}

bool zSprite2D::ComputeChainOpacity(f32& opacity) const {
    opacity = m_opacity;
    for (const zSprite2D* ancestor = m_parent; ancestor; ancestor = ancestor->m_parent) {
        opacity *= ancestor->m_opacity;
        if (!(ancestor->m_flags & SpriteVisible)) return false;
    }
    return true;
}

void zSprite2D::ComputeScreenMatrix() {
    f32 width = m_scene ? m_scene->GetVirtualWidth() : zScene2D::DefaultVirtualWidth;
    f32 height = m_scene ? m_scene->GetVirtualHeight() : zScene2D::DefaultVirtualHeight;
    if ((m_style & StyleResolutionInvariant) && m_scene) {
        f32 aspect = 1.0f;
        m_scene->GetOutput(width, height, aspect);
        // Undo the squeeze the scene's projection applies to x.
        const f32 squeeze = (m_scene->GetVirtualWidth() / m_scene->GetVirtualHeight()) * (height / width) * aspect;
        if (squeeze > 0.0f) width *= squeeze;
    }
    if (!(width > 0.0f)) width = 1.0f;
    if (!(height > 0.0f)) height = 1.0f;
    // (x, y) -> (2x / w - 1, 1 - 2y / h): no homogeneous divide.
    const zMatrix3 clip(2.0f / width, 0.0f, 0.0f, 0.0f, -2.0f / height, 0.0f, -1.0f, 1.0f, 1.0f);
    m_screen = Then(m_world, clip);
    if (m_scene) m_screen = Then(m_screen, m_scene->GetUITransform());
}

void zSprite2D::Draw(zRenderer* renderer) {
    if (!(m_flags & SpriteVisible) || !(m_opacity > 0.0f)) return;
    UpdateMatrices();
    f32 opacity = 1.0f;
    const bool shown = ComputeChainOpacity(opacity);
    ComputeScreenMatrix();
    if (!shown || !m_texture || !renderer) return;
    DrawQuad(renderer, m_size.y, opacity);
}

void zSprite2D::DrawQuad(zRenderer* renderer, f32 height, f32 opacity) {
    zTexture* texture = m_texture.Get();
    const f32 textureWidth = texture && texture->GetWidth() ? f32(texture->GetWidth()) : m_size.x;
    const f32 textureHeight = texture && texture->GetHeight() ? f32(texture->GetHeight()) : m_size.y;
    f32 u0 = 0.0f, u1 = m_size.x / textureWidth, v0 = 0.0f, v1 = height / textureHeight;
    if (m_flags & SpriteFlipU) std::swap(u0, u1);
    if (m_flags & SpriteFlipV) std::swap(v0, v1);
    const zVector2 corners[4] = {zVector2(0.0f, 0.0f), zVector2(m_size.x, 0.0f), zVector2(m_size.x, height),
                                 zVector2(0.0f, height)};
    const f32 uv[4][2] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    zVector clip[4];
    for (int i = 0; i < 4; ++i) {
        const zVector2 point = m_screen.TransformPoint2D(corners[i]);
        clip[i] = zVector(point.x, point.y, 0.0f);
    }
    // Counter-clockwise in clip space: (0, 0), (0, h), (w, h) and (0, 0),
    // (w, h), (w, 0) when y is flipped by the mapping; reversed otherwise.
    const f32 area = (clip[3].x - clip[0].x) * (clip[2].y - clip[0].y) - (clip[2].x - clip[0].x) * (clip[3].y - clip[0].y);
    const int order[2][3] = {{0, 3, 2}, {0, 2, 1}};
    const f32 color[4] = {1.0f, 1.0f, 1.0f, (m_flags & SpriteShaded) ? opacity * 0.5f : opacity};
    const u32 flags = DrawDepthAlways | ((m_style & StyleAdditive) ? DrawAdditive : 0u);
    for (const auto& triangle : order) {
        zVector points[3];
        f32 uvs[6];
        for (int i = 0; i < 3; ++i) {
            const int corner = area >= 0.0f ? triangle[i] : triangle[2 - i];
            points[i] = clip[corner];
            uvs[2 * i] = uv[corner][0];
            uvs[2 * i + 1] = uv[corner][1];
        }
        renderer->DrawTriangle(points, color, uvs, texture, flags);
    }
}

zRect zSprite2D::LocalRectToScreen(const zRect& rect) const {
    return BoundsOf(m_world, f32(rect.left), f32(rect.top), f32(rect.right), f32(rect.bottom));
}

zRect zSprite2D::ScreenRectToLocal(const zRect& rect) const {
    return BoundsOf(m_inverseWorld, f32(rect.left), f32(rect.top), f32(rect.right), f32(rect.bottom));
}

bool zSprite2D::Parse(const zMetaTag* tag) { return ParseSprite(tag, false); }

bool zSprite2D::ParseSprite(const zMetaTag* tag, bool isWindow) {
    if (!tag || tag->GetName() != "Sprite2d") {
        GetLog() << "[!] Could not parse sprite. Root tag id is incorrect (" << (tag ? tag->GetName().CStr() : "")
                 << ").\n";
        return false;
    }
    m_pivot = zVector2(0.0f, 0.0f);
    m_scale = zVector2(1.0f, 1.0f);
    m_zOrder = 0.5f;
    m_angle = 0.0f;
    m_opacity = 1.0f;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        f32 number = 0.0f;
        zVector2 pair;
        if (name == "Uid") {
            i32 uid = 0;
            if (child->GetValue().GetInt(uid)) m_uid = uid;
        } else if (name == "Id") {
            const char* text = nullptr;
            if (child->GetValue().GetString(text)) m_name.Set(text);
        } else if (name == "Position") {
            if (ParseVector2(child, pair)) m_position = pair;
        } else if (name == "Size") {
            if (ParseVector2(child, pair)) SetSize(pair.x, pair.y);
        } else if (name == "Pivot") {
            if (ParseVector2(child, pair)) m_pivot = pair;
        } else if (name == "Scale") {
            if (ParseVector2(child, pair)) m_scale = pair;
        } else if (name == "Angle") {
            if (ReadNumber(child, number)) m_angle = number;
        } else if (name == "Opacity") {
            if (ReadNumber(child, number)) SetOpacity(number);
        } else if (name == "ZOrder") {
            if (ReadNumber(child, number)) m_zOrder = number;
        } else if (name == "Style") {
            m_style |= ReadBits(child, StyleNames, sizeof(StyleNames) / sizeof(StyleNames[0]));
        } else if (name == "Flag") {
            m_flags |= ReadBits(child, FlagNames, sizeof(FlagNames) / sizeof(FlagNames[0]));
        } else if (name == "Texture") {
            if (isWindow) {
                GetLog() << "[!] Unexpected <Texture> tag in sprite declaration.\n";
                continue;
            }
            const char* path = nullptr;
            zEngine* engine = m_scene ? m_scene->GetEngine() : nullptr;
            if (engine && child->GetValue().GetString(path)) SetTexture(engine->LoadTexture(path, false, false));
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Sprite2d>.\n";
        }
    }
    return true;
}

zMetaTag* zSprite2D::Serialize() const {
    zMetaTag* tag = new (std::nothrow) zMetaTag("Sprite2d");
    if (!tag) return nullptr;
    tag->AddChild(new (std::nothrow) zMetaTag("Uid", m_uid));
    tag->AddChild(new (std::nothrow) zMetaTag("Id", m_name.CStr() ? m_name.CStr() : ""));
    tag->AddChild(SerializeVector2(m_position, "Position"));
    tag->AddChild(SerializeVector2(m_size, "Size"));
    tag->AddChild(SerializeVector2(m_pivot, "Pivot"));
    tag->AddChild(SerializeVector2(m_scale, "Scale"));
    tag->AddChild(new (std::nothrow) zMetaTag("ZOrder", m_zOrder));
    tag->AddChild(new (std::nothrow) zMetaTag("Angle", m_angle));
    tag->AddChild(new (std::nothrow) zMetaTag("Opacity", m_opacity));
    if (!m_isWindow && m_texture && m_texture->GetName().CStr()) {
        tag->AddChild(new (std::nothrow) zMetaTag("Texture", m_texture->GetName().CStr()));
    }
    tag->AddChild(WriteBits("Style", m_style, StyleNames, sizeof(StyleNames) / sizeof(StyleNames[0])));
    tag->AddChild(WriteBits("Flag", m_flags, FlagNames, sizeof(FlagNames) / sizeof(FlagNames[0])));
    return tag;
}

// zWindow

zWindow::zWindow(zScene2D* scene, zSprite2D* parent, const char* name, const char* title, const zVector2* position,
                 const zVector2* size)
    : zSprite2D(WindowTag{}, scene, parent, name, position) {
    m_isWindow = true;
    m_titleWidget = new (std::nothrow) zTextWidget(scene, -1, "Text", nullptr, 16);
    if (m_titleWidget) {
        if (scene) {
            // Skin number b is the title colour, packed RGBA with red lowest.
            const u32 color = u32(scene->GetSkinNumber(1));
            m_titleWidget->SetColor(f32(color & 0xff) / 255.0f, f32((color >> 8) & 0xff) / 255.0f,
                                    f32((color >> 16) & 0xff) / 255.0f, f32(color >> 24) / 255.0f);
            m_titleWidget->SetFont(FontSystemFindFont(scene->GetSkinFontName().CStr()));
            m_titleWidget->SetSize(scene->GetSkinNumber(4));
        }
        m_titleWidget->SetAlignment(TextAlignCenter);
        m_titleWidget->SetText(title && *title ? title : "Window");
        m_titleWidget->SetWindow(this);
    }
    if (scene) {
        zEngine* engine = scene->GetEngine();
        if (engine) m_texture = new (std::nothrow) zTexture(engine, 1);
        // The surface is drawn here and sent again after each change: the
        // renderer must keep its pixels and take them as they are.
        if (m_texture) m_texture->SetFlags(TextureFlagRendererOwn | TextureFlagNoResample);
    }
    SetSize(size ? size->x : 320.0f, size ? size->y : 200.0f);
}

zWindow::~zWindow() {
    if (m_titleWidget) m_titleWidget->SetWindow(nullptr);
    if (m_baseWidget) m_baseWidget->SetWindow(nullptr);
}

const zString& zWindow::GetTitle() const {
    static const zString none;
    return m_titleWidget ? m_titleWidget->GetText() : none;
}

zRect zWindow::GetTitleRect() const {
    const i32 left = SkinWidth(5);
    const i32 top = m_scene ? m_scene->GetSkinNumber(2) : 0;
    const i32 height = m_scene ? m_scene->GetSkinNumber(3) : 0;
    return zRect{left, top, WidgetAdd(Truncate(m_size.x), -i64(SkinWidth(6))), WidgetAdd(top, height)};
}

zPicture* zWindow::Skin(int number) const {
    if (!m_scene || !m_scene->IsSkinLoaded()) return nullptr;
    return m_scene->GetSkinPicture(number - 1);
}

i32 zWindow::SkinWidth(int number) const {
    zPicture* skin = Skin(number);
    return skin ? i32(skin->GetWidth()) : 0;
}

i32 zWindow::SkinHeight(int number) const {
    zPicture* skin = Skin(number);
    return skin ? i32(skin->GetHeight()) : 0;
}

zPicture* zWindow::GetPicture() const { return m_texture.Get(); }

void zWindow::SetSize(f32 width, f32 height) {
    width = std::isfinite(width) ? std::min(width, f32(WindowSizeLimit)) : 1.0f;
    height = std::isfinite(height) ? std::min(height, f32(WindowSizeLimit)) : 1.0f;
    zTexture* texture = m_texture.Get();
    if (texture) {
        const u32 textureWidth = WindowTextureSize(width);
        const u32 textureHeight = WindowTextureSize(height);
        if (texture->GetWidth() < textureWidth || texture->GetHeight() < textureHeight) {
            texture->Free();
            if (texture->Allocate(textureWidth, textureHeight, PixelFormatRGBA8)) {
                texture->Fill(0.0f, 0.0f, 0.0f, 0.0f);
                texture->Setup();
            }
        }
    }
    Invalidate();
    zSprite2D::SetSize(width, height);
}

zRect zWindow::GetSize() const {
    zRect size = zSprite2D::GetSize();
    if (IsShaded()) size.bottom = TitleHeight();
    return size;
}

zRect zWindow::GetClientRect() const {
    const zRect size = zSprite2D::GetSize();
    zRect client{SkinWidth(2), SkinHeight(5), size.right - SkinWidth(3), size.bottom - SkinHeight(8)};
    if (IsShaded()) client.bottom = 0;
    return client;
}

void zWindow::Invalidate() {
    if (m_baseWidget) m_baseWidget->Invalidate();
    if (m_titleWidget) m_titleWidget->Invalidate();
    m_flags |= SpriteDirty;
}

void zWindow::SetBackgroundColor(const f32 rgba[4]) {
    for (int i = 0; i < 4; ++i)
        m_background[i] = rgba[i];
    Invalidate();
}

void zWindow::SetBackgroundPicture(const char* name) {
    zEngine* engine = m_scene ? m_scene->GetEngine() : nullptr;
    zPicture* picture = engine && name ? engine->LoadPicture(name, false) : nullptr;
    if (picture && picture->GetPixels()) {
        m_backgroundPicture = picture;
        m_backgroundName.Set(name);
        m_style |= StyleNoDecoration;
    } else {
        m_backgroundPicture = nullptr;
        m_backgroundName.Clear();
        m_style &= ~StyleNoDecoration;
    }
    Invalidate();
}

void zWindow::SetBaseWidget(zWidget* widget) {
    if (m_baseWidget) m_baseWidget->SetWindow(nullptr);
    m_baseWidget = widget;
    if (widget) {
        widget->Layout();
        widget->SetWindow(this);
        widget->Invalidate();
    }
    if (m_titleWidget) m_titleWidget->Layout();
    m_flags |= SpriteDirty;
}

zWidget* zWindow::GetChild(i32 id) const { return m_baseWidget ? m_baseWidget->FindById(id) : nullptr; }

void zWindow::Compose() {
    zPicture* picture = GetPicture();
    if (!picture || !picture->GetPixels()) return;
    const f32* c = m_background;
    if (m_backgroundPicture) {
        picture->Fill(0.0f, 0.0f, 0.0f, 0.0f);
        picture->Blit(*m_backgroundPicture);
        return;
    }
    if ((m_style & StyleNoDecoration) || !m_scene || !m_scene->IsSkinLoaded()) {
        picture->Fill(c[0], c[1], c[2], c[3]);
        return;
    }
    picture->Fill(0.0f, 0.0f, 0.0f, 0.0f);
    const i32 width = Truncate(m_size.x);
    const i32 height = Truncate(m_size.y);
    // Edges are tiled from their start corner and cut at the next one.
    auto tile = [&](int number, i32 left, i32 top, i32 right, i32 bottom, bool horizontal) {
        zPicture* edge = Skin(number);
        if (!edge || !edge->GetPixels() || edge->GetWidth() == 0 || edge->GetHeight() == 0) return;
        const i32 step = horizontal ? i32(edge->GetWidth()) : i32(edge->GetHeight());
        for (i32 at = horizontal ? left : top; at < (horizontal ? right : bottom); at += step) {
            const i32 length = std::min(step, (horizontal ? right : bottom) - at);
            const zRect source = horizontal ? zRect{0, 0, length, i32(edge->GetHeight())}
                                            : zRect{0, 0, i32(edge->GetWidth()), length};
            const zRect place = horizontal ? zRect{at, top, at + length, bottom} : zRect{left, at, right, at + length};
            picture->Blit(*edge, &source, &place, BlendCompose);
        }
    };
    tile(1, SkinWidth(5), 0, width - SkinWidth(6), SkinHeight(1), true);
    tile(4, SkinWidth(7), height - SkinHeight(4), width - SkinWidth(8), height, true);
    tile(2, 0, SkinHeight(5), SkinWidth(2), height - SkinHeight(7), false);
    tile(3, width - SkinWidth(3), SkinHeight(6), width, height - SkinHeight(8), false);
    const zRect corners[4] = {{0, 0, 0, 0},
                              {width - SkinWidth(6), 0, 0, 0},
                              {0, height - SkinHeight(7), 0, 0},
                              {width - SkinWidth(8), height - SkinHeight(8), 0, 0}};
    for (int corner = 0; corner < 4; ++corner) {
        if (zPicture* skin = Skin(5 + corner)) {
            if (skin->GetPixels()) picture->Blit(*skin, nullptr, &corners[corner], BlendCompose);
        }
    }
    const zRect inside = GetClientRect();
    if (inside.right > inside.left && inside.bottom > inside.top) picture->Fill(c[0], c[1], c[2], c[3], &inside);
}

void zWindow::Draw(zRenderer* renderer) {
    if (!(m_flags & SpriteVisible)) return;
    zPicture* picture = GetPicture();
    const bool title = !(m_style & StyleNoTitle) && !m_backgroundPicture && m_titleWidget && Skin(5) && picture;
    // A title drawn again over itself would thicken: a new title redraws all.
    if (title && m_titleWidget->NeedsRedraw() && !IsShaded()) Invalidate();
    bool composed = false;
    if (m_baseWidget) {
        m_baseWidget->Layout();
        if (m_baseWidget->NeedsRedraw() && !IsShaded()) {
            m_baseWidget->Invalidate();
            Compose();
            composed = true;
            zRect client = GetClientRect();
            const bool titled = !(m_style & StyleNoTitle) && !m_backgroundPicture;
            if (titled && m_scene && m_scene->IsSkinLoaded()) {
                client = zRect{SkinWidth(5), m_scene->GetSkinNumber(3) + 4, Truncate(m_size.x) - SkinWidth(8),
                               Truncate(m_size.y) - SkinHeight(8)};
            }
            if (picture) m_baseWidget->Draw(*picture, client);
            m_flags |= SpriteDirty;
        }
    } else if (m_flags & SpriteDirty) {
        Compose();
        composed = true;
    }
    if (composed && title) {
        m_titleWidget->Invalidate();
        m_titleWidget->Draw(*picture, GetTitleRect());
    }
    if (!renderer) return;
    if (m_flags & SpriteDirty) UpdateTexture();
    if (!(m_opacity > 0.0f)) return;
    UpdateMatrices();
    f32 opacity = 1.0f;
    const bool shown = ComputeChainOpacity(opacity);
    ComputeScreenMatrix();
    if (!shown || !m_texture) return;
    DrawQuad(renderer, IsShaded() ? f32(TitleHeight()) : m_size.y, opacity);
}

void zWindow::UpdateTexture() {
    zTexture* texture = m_texture.Get();
    zEngine* engine = m_scene ? m_scene->GetEngine() : nullptr;
    zRenderer* renderer = engine ? engine->GetRenderer() : nullptr;
    if (texture && renderer && texture->GetWidth() && texture->GetHeight() && texture->GetPixels()) {
        renderer->UpdateTexture(texture, texture->GetPixels(), texture->GetWidth(), texture->GetHeight(), 0, 0);
    }
    m_flags &= ~SpriteDirty;
}

void zWindow::SetShaded(bool shaded) {
    if (!shaded) {
        if (IsShaded()) {
            m_flags &= ~SpriteShaded;
            Invalidate();
        }
        return;
    }
    if (IsShaded()) return;
    zPicture* picture = GetPicture();
    if (picture && picture->GetPixels() && picture->GetBitsPerPixel() == 32) {
        const i32 title = TitleHeight();
        // The ten rows that end at the title height; rows above the picture
        // (a title under ten pixels) do not exist and are skipped.
        for (i32 k = 0; k < 10; ++k) {
            const i32 row = title - 10 + k;
            if (row < 0 || row >= i32(picture->GetHeight())) continue;
            u8* pixel = picture->GetPixels() + u64(row) * picture->GetRowSize();
            for (u32 x = 0; x < picture->GetWidth(); ++x, pixel += 4)
                pixel[3] = u8(u32(pixel[3]) * u32(255 - 25 * k) / 255u);
        }
    }
    UpdateTexture();
    m_flags |= SpriteShaded;
}

bool zWindow::Parse(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Window") {
        GetLog() << "[!] Could not parse window. Root tag id is incorrect (" << (tag ? tag->GetName().CStr() : "")
                 << ").\n";
        return false;
    }
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        if (child->GetName() == "Sprite2d") {
            ParseSprite(child, true);
        } else {
            GetLog() << "[*] Unknown tag '" << child->GetName() << "' in <Window>.\n";
        }
    }
    return true;
}

zMetaTag* zWindow::Serialize() const {
    zMetaTag* tag = new (std::nothrow) zMetaTag("Window");
    if (!tag) return nullptr;
    if (zMetaTag* sprite = zSprite2D::Serialize()) {
        if (!tag->AddChild(sprite)) delete sprite;
    }
    return tag;
}

i32 zWindow::Reserved() const {
    return 0;
}
