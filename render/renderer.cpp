#include "render/renderer.h"

#include <cassert>
#include <cmath>
#include <vector>

#include "render/render_light.h"
#include "render/texture.h"

const f32 DefaultLineColor[4] = {1.0f, 1.0f, 0.0f, 1.0f};
const f32 DefaultTriangleColor[4] = {0.0f, 0.0f, 0.0f, 1.0f};

const zRendererFlagKey RendererFlagKeys[] = {
    {"EnableDebug", true, SystemEnableDebug},
    {"Antialiasing", true, SystemAntialiasing},
    {"UseFloatTarget", true, SystemUseFloatTarget},
    {"OptimizeVideoRam", true, SystemOptimizeVideoRam},
    {"DisableShader", true, SystemDisableShader},
    {"DisableMultipleRenderTarget", true, SystemDisableMultipleRenderTarget},
    {"TextureNoDownscale", true, SystemTextureNoDownscale},
    {"TextureForceTrueColor", true, SystemTextureForceTrueColor},
    {"TextureNoCompression", true, SystemTextureNoCompression},
    {"TextureForceSquare", true, SystemTextureForceSquare},
    {"MotionBlur", false, ControlMotionBlur},
    {"ShadowMapping", false, ControlShadowMapping},
    {"Bloom", false, ControlBloom},
    {"Exposure", false, ControlExposure},
    {"DepthOfField", false, ControlDepthOfField},
    {"LinearShadow", false, ControlLinearShadow},
    {"AmbientOcclusion", false, ControlAmbientOcclusion},
    {"FramebufferAsTexture", false, ControlFramebufferAsTexture},
    {"LowResolutionFx", false, ControlLowResolutionFx},
};
const u32 RendererFlagKeyCount = sizeof(RendererFlagKeys) / sizeof(RendererFlagKeys[0]);

u32 RoundTextureSize(u32 size, bool exact) {
    constexpr u32 LargestPower = 0x80000000u;
    constexpr u32 RoundedCap = 4096;
    if (exact) {
        if (size > LargestPower) return LargestPower;
        u32 power = 1;
        while (power < size)
            power <<= 1;
        return power;
    }
    u32 power = 1;
    if (size > 1) {
        // Past the cap the answer is the cap, so the doubling stops there
        // and never wraps.
        do {
            power <<= 1;
        } while (power < RoundedCap && u64(power) + power / 2 < size);
    }
    return power > RoundedCap ? RoundedCap : power;
}

zRenderer::zRenderer(zRenderHost* engine, bool registerAsCurrent) : m_engine(engine) {
    assert(engine);
    if (registerAsCurrent) m_engine->SetRenderer(this);
}

zRenderer::~zRenderer() {
    if (m_engine->GetDefaultRenderer() == this) {
        m_engine->SetRenderer(nullptr);
    } else if (m_engine->GetRenderer() == this) {
        m_engine->SetRenderer(m_engine->GetDefaultRenderer());
    }
    m_renderQueue.clear();
}

u32 zRenderer::QueryLimit() {
    return TextureSizeLimit;
}

void zRenderer::GetOutputSize(f32 out[2]) {
    if (m_outputTexture) {
        out[0] = f32(m_outputTexture->GetWidth());
        out[1] = f32(m_outputTexture->GetHeight());
        return;
    }
    out[0] = m_outputWidth;
    out[1] = m_outputHeight;
}

void zRenderer::SetOutputTexture(zTexture* texture) {
    m_outputTexture = texture;
}

void zRenderer::ApplyView() {
    if (!m_viewItem) return;
    SetViewMatrix(m_viewItem->GetViewMatrix());
    m_projection = m_viewItem->GetProjectionMatrix();
    SetProjectionMatrix(m_projection);
    m_viewItem->UpdateFrustum(nullptr, -1.0f, -1.0f);
    m_cameraBlock = m_viewItem->GetCameraBlock();
}

void zRenderer::BeginDraw() {}
void zRenderer::EndDraw() {}
bool zRenderer::LoadTextureFromFile(zTexture*, const char*) {
    return false;
}

void zRenderer::SetViewItem(zRenderViewItem* item) {
    m_viewItem = item;
    m_viewTransform = item ? item->GetTransformBlock() : nullptr;
}

void zRenderer::SetFog(bool enabled, const f32* color, f32 nearDistance, f32 farDistance) {
    constexpr f32 Margin = 0.001f;
    m_fog.enabled = enabled;
    if (color) {
        for (int i = 0; i < 4; ++i)
            m_fog.color[i] = color[i];
    }
    if (nearDistance >= Margin) m_fog.nearDistance = nearDistance;
    const f32 minimumFar = m_fog.nearDistance + Margin;
    m_fog.farDistance = farDistance >= minimumFar ? farDistance : minimumFar;
}

void zRenderer::QueueRenderable(zRenderable* renderable) {
    try {
        m_renderQueue.push_back(renderable);
    } catch (const std::bad_alloc&) {
        LogListNodeAllocationFailure();
    }
}

void zRenderer::QueueRenderables(const std::vector<zRenderable*>& renderables) {
    try {
        m_renderQueue.insert(m_renderQueue.end(), renderables.begin(), renderables.end());
    } catch (const std::bad_alloc&) {
        for (zRenderable* renderable : renderables)
            QueueRenderable(renderable);
    }
}

void zRenderer::ResetRenderQueue() {
    m_renderQueue.clear();
}

namespace {

// Bottom-up merge sort on the float key: runs of 1, 2, 4, ... are merged
// until one run remains. On equal keys the element of the earlier run comes
// first, so the order is stable; a NaN key never compares less and keeps its
// place relative to its run.
void SortPrimitives(zList<zRenderablePrimitive*>& list) {
    const u32 count = list.GetCount();
    if (count < 2) return;
    std::vector<zRenderablePrimitive*> source;
    source.reserve(count);
    for (auto* node = list.GetHead(); node; node = node->next)
        source.push_back(node->value);
    std::vector<zRenderablePrimitive*> target(count);
    for (u32 width = 1; width < count; width *= 2) {
        for (u32 left = 0; left < count; left += 2 * width) {
            const u32 middle = left + width < count ? left + width : count;
            const u32 right = left + 2 * width < count ? left + 2 * width : count;
            u32 a = left, b = middle, out = left;
            while (a < middle && b < right) {
                if (source[b]->sortKey < source[a]->sortKey) {
                    target[out++] = source[b++];
                } else {
                    target[out++] = source[a++];
                }
            }
            while (a < middle)
                target[out++] = source[a++];
            while (b < right)
                target[out++] = source[b++];
        }
        source.swap(target);
    }
    u32 index = 0;
    for (auto* node = list.GetHead(); node; node = node->next)
        node->value = source[index++];
}

} // namespace

void zRenderer::CollectPrimitives(zList<zRenderablePrimitive*>& out, u32 flags) {
    for (auto* node = out.GetHead(); node; node = node->next)
        delete node->value;
    out.Clear();
    if (!m_viewItem) return;
    for (zRenderable* renderable : m_renderQueue)
        if (renderable) renderable->AppendPrimitives(m_viewItem, out, flags);
    SortPrimitives(out);
}

void zRenderer::SetControlWord(u32 mask, bool enable) {
    m_controlWord = enable ? (m_controlWord | mask) : (m_controlWord & ~mask);
}

void zRenderer::SetSystemWord(u32 mask, bool enable) {
    m_systemWord = enable ? (m_systemWord | mask) : (m_systemWord & ~mask);
}

f32 zRenderer::SetGlobalAspectRatio(f32 ratio) {
    const f32 previous = m_aspectRatio;
    m_aspectRatio = ratio;
    return previous;
}

u32 zRenderer::GetStatistic(u32 index) const {
    assert(index < StatisticCount);
    return index < StatisticCount ? m_statistics[index] : 0;
}

void zRenderer::AddStatistic(u32 index, u32 amount) {
    assert(index < StatisticCount);
    if (index < StatisticCount) m_statistics[index] += amount;
}

void zRenderer::ResetStatistics() {
    for (u32& counter : m_statistics)
        counter = 0;
}

void zRenderer::SetOutputSizeValues(f32 width, f32 height) {
    m_outputWidth = width;
    m_outputHeight = height;
}

void zRenderer::SetOpenState(bool open) {
    m_open = open;
    m_closed = !open;
}

void zRendererSceneInterface::GetAmbient(zVector& out) {
    out = zVector(0.0f, 0.0f, 0.0f, 1.0f);
}
void zRendererSceneInterface::CollectLights(const zVector&, const zMinMax&, zList<zRenderLight*>&, u32) {}
void zRendererSceneInterface::SortLights(const zVector&, zList<zRenderLight*>&, u32) {}

zMatrix4 zRenderLight::GetRenderWorld() {
    zVector position, zAxis;
    GetRenderAxes(position, zAxis);
    zAxis = zAxis.Normalize();
    // Any x axis at right angles to z will do: the light is round about it.
    const zVector up = std::fabs(zAxis.y) < 0.99f ? zVector(0.0f, 1.0f, 0.0f) : zVector(1.0f, 0.0f, 0.0f);
    zVector xAxis = up.Cross(zAxis).Normalize();
    zVector yAxis = zAxis.Cross(xAxis);
    // Directions: no projective part in column 3.
    xAxis.w = yAxis.w = zAxis.w = 0.0f;
    zMatrix4 world;
    world.SetRow(0, xAxis, false);
    world.SetRow(1, yAxis, false);
    world.SetRow(2, zAxis, false);
    world.SetRow(3, position, true);
    return world;
}

zMatrix4 PerspectiveProjection(f32 scale, f32 nearDistance, f32 farDistance) {
    zMatrix4 m;
    for (f32& element : m.e)
        element = 0.0f;
    const f32 depth = farDistance - nearDistance;
    m.e[0] = scale;
    m.e[5] = scale;
    m.e[10] = farDistance / depth;
    m.e[11] = -nearDistance * farDistance / depth;
    m.e[14] = 1.0f;
    return m;
}

zMatrix4 zRenderLight::GetRenderProjection() const {
    if (type != 3) return zMatrix4();
    const f32 angle = coneAngle + edgeAngle;
    return PerspectiveProjection(std::cos(angle) / std::sin(angle), zNear, volumeRange);
}
