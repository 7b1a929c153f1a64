#include "scene/camera.h"

#include <cmath>
#include <memory>
#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "markup/variant.h"
#include "render/renderer.h"
#include "scene/light.h"

const char* const CameraDofFStopKey = "PostProcess:Dof:FStop";
const char* const CameraDofFocalDistanceKey = "PostProcess:Dof:FDist";

namespace {

const char* const CameraDofKey = "PostProcess:Dof;";

f32 ClampZoom(f32 zoom) {
    return zoom < CameraMinimumZoom ? CameraMinimumZoom : zoom;
}

bool ReadFloat(const zMetaTag* tag, f32& out) {
    if (tag->GetValue().GetFloat(out)) return true;
    GetLog() << "[*] Invalid value of '" << tag->GetName() << "' in <Camera>.\n";
    return false;
}

} // namespace

zCamera::zCamera(zEngine* engine) : zItem(engine) {}

zCamera::~zCamera() = default;

void zCamera::UpdateMatrices() {
    const bool recomputed = (GetFlags() & (ItemLocalDirty | ItemWorldDirty)) != 0;
    zItem::UpdateMatrices();
    if (!recomputed) return;
    NormalizeWorldAxes();
}

f32 zCamera::GetFov() const {
    return 2.0f * std::atan(1.0f / m_block.zoom);
}

void zCamera::SetFov(f32 fov) {
    // !(fov >= min) also takes NaN to the smallest field.
    if (!(fov >= CameraMinimumFov)) fov = CameraMinimumFov;
    if (fov > CameraMaximumFov) fov = CameraMaximumFov;
    m_block.zoom = ClampZoom(1.0f / std::tan(fov * 0.5f));
}

void zCamera::SetZoom(f32 zoom) {
    m_block.zoom = ClampZoom(zoom);
}

void zCamera::SetOrthographicSize(f32 width, f32 height) {
    m_block.orthoWidth = width;
    m_block.orthoHeight = height;
}

void zCamera::SetViewport(f32 originX, f32 originY, f32 width, f32 height) {
    m_block.viewportOrigin[0] = originX;
    m_block.viewportOrigin[1] = originY;
    m_block.viewportSize[0] = width;
    m_block.viewportSize[1] = height;
}

zRenderer* zCamera::GetRenderer() const {
    zEngine* engine = GetEngine();
    return engine ? engine->GetRenderer() : nullptr;
}

f32 zCamera::GetEffectiveAspect() {
    zRenderer* renderer = GetRenderer();
    if (!renderer) return m_block.aspect > 0.0f ? m_block.aspect : 1.0f;
    f32 aspect = m_block.aspect;
    if (!(aspect > 0.0f)) {
        i32 x = 0, y = 0, width = 0, height = 0;
        renderer->GetViewport(x, y, width, height);
        if (width > 0 && height > 0) {
            aspect = f32(height) / f32(width);
        } else {
            // A renderer with no viewport (the null renderer before an
            // output exists): 0 / 0 would poison every plane with NaN.
            if (!m_viewportWarned) {
                GetLog() << "[!] GetViewport unimplemented!\n";
                m_viewportWarned = true;
            }
            f32 size[2] = {0.0f, 0.0f};
            renderer->GetOutputSize(size);
            aspect = size[0] > 0.0f && size[1] > 0.0f ? size[1] / size[0] : 1.0f;
        }
    }
    return aspect * renderer->GetGlobalAspectRatio();
}

f32 zCamera::GetViewportRatio() const {
    zRenderer* renderer = GetRenderer();
    if (!renderer) return 1.0f;
    i32 x = 0, y = 0, width = 0, height = 0;
    renderer->GetViewport(x, y, width, height);
    if (width <= 0 || height <= 0) return 1.0f;
    return f32(width) / f32(height);
}

zMatrix4 zCamera::GetViewMatrix() {
    return *GetInverseMatrix();
}

zMatrix4 zCamera::GetProjectionMatrix() {
    zMatrix4 m;
    for (f32& element : m.e)
        element = 0.0f;
    const f32 zNear = m_block.zNear;
    const f32 zFar = m_block.zFar;
    const f32 depth = zFar - zNear;
    if (m_block.orthographic) {
        m.e[0] = 2.0f / m_block.orthoWidth;
        m.e[5] = 2.0f / m_block.orthoHeight;
        m.e[10] = 1.0f / depth;
        m.e[11] = -zNear / depth;
        m.e[15] = 1.0f;
    } else {
        m.e[0] = m_block.zoom;
        m.e[5] = m_block.zoom;
        m.e[10] = zFar / depth;
        m.e[11] = -zFar * zNear / depth;
        m.e[14] = 1.0f;
    }
    const f32 aspect = GetEffectiveAspect();
    if (m_block.aspectRefYAxis)
        m.e[0] *= aspect;
    else
        m.e[5] /= aspect;
    return m;
}

void zCamera::UpdateFrustum(zFrustum* frustum, f32 nearDistance, f32 farDistance) {
    if (!frustum) frustum = &m_block.frustum;
    if (nearDistance == -1.0f) nearDistance = m_block.zNear;
    if (farDistance == -1.0f) farDistance = m_block.zFar;
    const f32 aspect = GetEffectiveAspect();
    const f32 scaleX = m_block.aspectRefYAxis ? aspect : 1.0f;
    const f32 scaleY = m_block.aspectRefYAxis ? 1.0f : 1.0f / aspect;
    const zMatrix4* world = GetWorldMatrix();
    if (m_block.orthographic)
        frustum->SetOrthographic(m_block.orthoWidth, m_block.orthoHeight, nearDistance, farDistance, world,
                                 scaleX, scaleY);
    else
        frustum->SetPerspective(GetFov(), nearDistance, farDistance, world, scaleX, scaleY);
}

bool zCamera::WorldToScreen(const zVector& world, zVector& screen, bool applyViewportAspect) {
    const zVector view = world.ApplyMatrix(*GetInverseMatrix());
    if (!(view.z > 0.0f)) return false;
    f32 x = view.x * m_block.zoom / view.z;
    f32 y = view.y * m_block.zoom / view.z;
    if (applyViewportAspect) {
        const f32 ratio = GetViewportRatio();
        if (m_block.aspectRefYAxis)
            x /= ratio;
        else
            y /= ratio;
    }
    screen = zVector((x + 1.0f) * 0.5f, (1.0f - y) * 0.5f, 0.0f, 1.0f);
    return true;
}

void zCamera::ScreenToWorld(zVector& world, f32 screenX, f32 screenY, f32 depth, f32 aspectFactor) {
    const f32 zoom = m_block.zoom;
    const f32 scale = depth / zoom;
    zVector view((screenX - 0.5f) * 2.0f * scale, (screenY - 0.5f) * -2.0f * scale, zoom * scale);
    if (aspectFactor >= 0.0f) {
        view.x *= aspectFactor;
    } else if (m_block.aspectRefYAxis) {
        view.x *= GetViewportRatio();
    } else {
        view.y *= GetViewportRatio();
    }
    world = view.ApplyMatrix(*GetWorldMatrix());
}

void zCamera::SetupFromSpotLight(const zMatrix4& lightWorld, f32 lightZNear, f32 volumeRange, f32 coneAngle,
                                 f32 edgeAngle) {
    m_block.aspect = 1.0f;
    SetMatrix(lightWorld);
    m_block.zNear = lightZNear;
    m_block.zFar = volumeRange;
    const f32 angle = coneAngle + edgeAngle;
    m_block.zoom = ClampZoom(std::cos(angle) / std::sin(angle));
}

void zCamera::SetupFromSpotLight(zLight& light) {
    SetupFromSpotLight(*light.GetWorldMatrix(), light.zNear, light.volumeRange, light.coneAngle, light.edgeAngle);
}

bool zCamera::ParseCamera(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Camera") {
        GetLog() << "[!] Could not parse camera. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    GetRegistry().RemoveKey(CameraDofKey);
    bool hasFStop = false, hasFocalDistance = false;
    f32 fStop = 0.0f, focalDistance = 0.0f;
    zLinkedListIterator iterator;
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        f32 value = 0.0f;
        if (name == "Item") {
            if (!ParseTag(child)) return false;
        } else if (name == "ZNear") {
            if (ReadFloat(child, value))
                m_block.zNear = value < CameraMinimumFileZNear ? CameraMinimumFileZNear : value;
        } else if (name == "ZFar") {
            if (ReadFloat(child, value)) m_block.zFar = value;
        } else if (name == "ZoomFactor") {
            if (ReadFloat(child, value)) m_block.zoom = value;
        } else if (name == "OrthographicWidth") {
            if (ReadFloat(child, value)) m_block.orthoWidth = value;
        } else if (name == "OrthographicHeight") {
            if (ReadFloat(child, value)) m_block.orthoHeight = value;
        } else if (name == "ViewportOrigin" || name == "ViewportSize") {
            zVector2 pair;
            if (!ParseVector2(child, pair)) {
                GetLog() << "[*] Invalid vector '" << name << "' in <Camera>.\n";
                continue;
            }
            f32* target = name == "ViewportOrigin" ? m_block.viewportOrigin : m_block.viewportSize;
            target[0] = pair.x;
            target[1] = pair.y;
        } else if (name == "Orthographic") {
            m_block.orthographic = true;
        } else if (name == "FStop") {
            hasFStop = ReadFloat(child, fStop);
        } else if (name == "FocalDistance") {
            hasFocalDistance = ReadFloat(child, focalDistance);
        } else if (name == "AspectRatioRefYAxis") {
            bool refY = true;
            if (child->GetValue().GetBool(refY))
                m_block.aspectRefYAxis = refY;
            else
                GetLog() << "[*] Invalid value of 'AspectRatioRefYAxis' in <Camera>.\n";
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Camera>.\n";
        }
    }
    if (hasFStop) {
        zVariant value(fStop);
        GetRegistry().SetKey(CameraDofFStopKey, &value);
    }
    if (hasFocalDistance) {
        zVariant value(focalDistance);
        GetRegistry().SetKey(CameraDofFocalDistanceKey, &value);
    }
    return true;
}

zMetaTag* zCamera::SerializeCamera() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Camera"));
    bool complete = root != nullptr;
    if (complete) complete = AppendChildTag(root.get(), SerializeTag());
    struct FloatField {
        const char* name;
        f32 value;
        f32 defaultValue;
    };
    const FloatField floats[] = {
        {"ZNear", m_block.zNear, CameraDefaultZNear},
        {"ZFar", m_block.zFar, CameraDefaultZFar},
        {"ZoomFactor", m_block.zoom, CameraDefaultZoom},
    };
    for (const FloatField& field : floats)
        if (complete && field.value != field.defaultValue)
            complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag(field.name, field.value));
    const zVector2 origin(m_block.viewportOrigin[0], m_block.viewportOrigin[1]);
    const zVector2 size(m_block.viewportSize[0], m_block.viewportSize[1]);
    if (complete && (origin.x != 0.0f || origin.y != 0.0f))
        complete = AppendChildTag(root.get(), SerializeVector2(origin, "ViewportOrigin"));
    if (complete && (size.x != 1.0f || size.y != 1.0f))
        complete = AppendChildTag(root.get(), SerializeVector2(size, "ViewportSize"));
    if (complete && m_block.orthographic)
        complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("Orthographic"));
    const FloatField orthographic[] = {
        {"OrthographicWidth", m_block.orthoWidth, 1.0f},
        {"OrthographicHeight", m_block.orthoHeight, 1.0f},
    };
    for (const FloatField& field : orthographic)
        if (complete && field.value != field.defaultValue)
            complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag(field.name, field.value));
    if (complete)
        complete = AppendChildTag(root.get(),
                                  new (std::nothrow) zMetaTag("AspectRatioRefYAxis", m_block.aspectRefYAxis));
    if (!complete) {
        GetLog() << "[!] Could not serialize camera. Failed to create root tag.\n";
        return nullptr;
    }
    return root.release();
}
