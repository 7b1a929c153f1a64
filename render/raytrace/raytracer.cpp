#include "render/raytrace/raytracer.h"

#include <algorithm>
#include <cmath>
#include <atomic>
#include <functional>
#include <new>
#include <thread>
#include <vector>

#include "core/color.h"
#include "core/log.h"
#include "core/random.h"
#include "core/stopwatch.h"
#include "core/thread.h"
#include "picture/tga.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/raytrace/geometry_trees.h"
#include "render/raytrace/ray_math.h"
#include "render/shader/shader_map.h"
#include "render/texture.h"

namespace {

constexpr f32 Pi = 3.14159265358979f;
constexpr f32 SurfaceOffset = 0.001f;

zVector Mul4(const zVector& a, const zVector& b) {
    return zVector(a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w);
}

zVector Add4(const zVector& a, const zVector& b) {
    return zVector(a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w);
}

zVector Scale4(const zVector& a, f32 s) {
    return zVector(a.x * s, a.y * s, a.z * s, a.w * s);
}

zVector Negate(const zVector& a) {
    return zVector(-a.x, -a.y, -a.z, 1.0f);
}

zVector FromColor(const f32* c) {
    return zVector(c[0], c[1], c[2], c[3]);
}

f32 Clamp01(f32 value) {
    return value > 1.0f ? 1.0f : (value > 0.0f ? value : 0.0f); // NaN gives 0
}

bool StageUsable(const zTextureStage* stage) {
    return stage && stage->active && stage->texture;
}

} // namespace

f32 Fresnel(const zVector& a, const zVector& b, f32 n) {
    const f32 r0 = ((1.0f - n) / (1.0f + n)) * ((1.0f - n) / (1.0f + n));
    const f32 f = r0 + (1.0f - r0) * std::pow(1.0f - std::fabs(a.Dot(b)), 5.0f);
    return Clamp01(f);
}

zRaytracer::zRaytracer() {
    RegisterGeometryTrees();
    SetOptions(m_options);
}

zRaytracer::~zRaytracer() = default;

u64 zRaytracer::GetClockTicks() const {
    return m_scene ? m_scene->clockTicks : 0;
}

void zRaytracer::SetOptions(const zRaytracerOptions& options) {
    m_options = options;
    const u32 samples = std::max(1u, std::min(options.giSamples, 64u));
    const u32 rings = samples;
    const f32 cone = options.spreadAngle / 180.0f * Pi;
    const f32 ringStep = cone / f32(rings + 2);
    const f32 azimuthStep = 2.0f * Pi / f32(samples);
    for (std::vector<zVector>& table : m_spread) {
        table.clear();
        try {
            table.reserve(size_t(samples) * rings);
        } catch (const std::bad_alloc&) {
            GetLog() << "[!] failed to allocate vector spread.\n";
            continue;
        }
        for (u32 k = 0; k < rings; ++k) {
            const f32 elevation = f32(k + 1) * ringStep + RandFloat(ringStep);
            for (u32 j = 0; j < samples; ++j) {
                const f32 azimuth = f32(j) * azimuthStep + RandFloat(azimuthStep);
                const f32 s = std::sin(elevation);
                table.push_back(zVector(s * std::cos(azimuth), s * std::sin(azimuth), std::cos(elevation)));
            }
        }
    }
}

const std::vector<zVector>& zRaytracer::RandomSpread() const {
    return m_spread[Random(SpreadTableCount)];
}

void zRaytracer::StartInterlacedSequence() {
    m_fieldParity = m_options.firstField;
    m_field.Free();
}

// ---- scene grab ----

namespace {

// A copy of the source posed by the bones: vertices as points, binding
// normals as directions. Weights end at the first 0; a vertex with no
// weight keeps its place, a bone index past the skeleton counts as identity.
zSharedPtr<zGeometry> DeformedCopy(const zGeometry& source, const std::vector<zMatrix4>& bones) {
    zSharedPtr<zGeometry> copy(new (std::nothrow) zGeometry(source.GetEngine()));
    if (!copy) return copy;
    zGeometry& g = *copy;
    g.SetName(source.GetName());
    const u32 vertexCount = source.GetVertexCount(), polygonCount = source.GetPolygonCount();
    if (!g.AllocateMaterials(source.GetMaterialCount(), false) || !g.AllocateVertices(vertexCount) ||
        !g.AllocatePolygons(polygonCount))
        return zSharedPtr<zGeometry>();
    for (u32 i = 0; i < source.GetMaterialCount(); ++i)
        g.SetMaterial(i, source.GetMaterial(i));
    for (u32 p = 0; p < polygonCount; ++p) {
        g.GetPolygons()[p].cornerCount = source.GetPolygons()[p].cornerCount;
        g.GetPolygons()[p].material = source.GetPolygons()[p].material;
    }
    if (!g.AllocateBindings()) return zSharedPtr<zGeometry>();
    std::copy(source.GetBindings(), source.GetBindings() + source.GetBindingCount(), g.GetBindings());
    const zSkinWeight* weights = source.GetSkinWeights();
    auto pose = [&](const zVector& v, u32 vertex, bool point) {
        if (!weights) return v;
        zVector sum(0.0f, 0.0f, 0.0f);
        f32 total = 0.0f;
        const zSkinWeight& w = weights[vertex];
        for (u32 k = 0; k < 4 && w.weights[k] != 0.0f; ++k) {
            const zMatrix4& bone = w.bones[k] < bones.size() ? bones[w.bones[k]] : zMatrix4::Identity;
            const zVector moved = point ? v.ApplyMatrix(bone) : RayDirection(v, bone);
            sum = sum.Add(moved.MulReal(w.weights[k]));
            total += w.weights[k];
        }
        return total != 0.0f ? sum : v;
    };
    for (u32 i = 0; i < vertexCount; ++i)
        g.GetVertices()[i] = pose(source.GetVertices()[i], i, true);
    if (source.GetBindingNormals() && g.AllocateBindingNormals()) {
        for (u32 b = 0; b < source.GetBindingCount(); ++b) {
            zVector n = pose(source.GetBindingNormals()[b], source.GetBindings()[b], false).Normalize();
            n.w = 0.0f;
            g.GetBindingNormals()[b] = n;
        }
    }
    if (source.GetBindingColors() && g.AllocateBindingColors())
        std::copy(source.GetBindingColors(), source.GetBindingColors() + source.GetBindingCount(),
                  g.GetBindingColors());
    if (source.GetUVChannelCount() && g.AllocateUVChannels(source.GetUVChannelCount()))
        for (u32 c = 0; c < source.GetUVChannelCount(); ++c)
            std::copy(source.GetUVChannel(c), source.GetUVChannel(c) + source.GetBindingCount(),
                      g.GetUVChannel(c));
    return copy;
}

} // namespace

bool zRaytracer::GrabScene(zSceneBIH& tree, u32 pass) {
    tree.Clear();
    const zRaytraceScene& scene = *m_scene;
    std::vector<zScenePrimitive>& primitives = tree.GetPrimitives();
    std::vector<zVector> boxes;
    size_t counted = 0;
    for (const zRayObject& object : scene.objects)
        counted += object.parts.empty() ? (object.geometry ? 1 : 0) : object.parts.size();
    try {
        primitives.reserve(counted);
        tree.GetGeometries().reserve(counted);
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] Failed to grab scene to raytracer.\n";
        return false;
    }
    try {
        boxes.reserve(counted * 2);
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] Failed to allocate volume array to build scene tree.\n";
        return false;
    }
    for (const zRayObject& object : scene.objects) {
        if (object.opacity == 0.0f || object.hidden) continue;
        const size_t sourceCount = object.parts.empty() ? 1 : object.parts.size();
        for (size_t source = 0; source < sourceCount; ++source) {
            zGeometry* geometry = object.parts.empty() ? object.geometry : object.parts[source];
            if (!geometry) continue;
            if (pass == 1) {
                if (geometry->GetFlags() & GeometryNoShadow) continue;
                if (geometry->GetShadowProxy()) geometry = geometry->GetShadowProxy();
            }
            if (geometry->GetMaterialCount() == 0 || geometry->GetPolygonCount() == 0) continue;
            u32 materialFlags = 0;
            for (u32 m = 0; m < geometry->GetMaterialCount(); ++m)
                if (const zMaterial* material = geometry->GetMaterial(m))
                    materialFlags |= material->GetFlags();
            if (materialFlags & MaterialFlagSkinned) {
                zSharedPtr<zGeometry> posed = DeformedCopy(*geometry, object.bones);
                if (!posed) {
                    GetLog() << "[!] Failed to grab scene to raytracer.\n";
                    return false;
                }
                tree.GetGeometries().push_back(posed);
                geometry = posed.Get();
                geometry->BuildFirstBindingTable();
            } else {
                geometry->BuildFirstBindingTable();
                if ((materialFlags & (MaterialFlagSmoothing | MaterialFlagNormalMapTangent)) &&
                    !geometry->GetBindingNormals())
                    geometry->ComputeVertexNormals(false);
            }
            zMinMax box;
            geometry->GetMinMax(box, &object.world);
            boxes.push_back(box.min);
            boxes.push_back(box.max);
            primitives.push_back({&object, geometry});
        }
    }
    return tree.Build(u32(primitives.size()), boxes.data());
}

bool zRaytracer::SetScene(const zRaytraceScene* scene) {
    m_trees[0].Clear();
    m_trees[1].Clear();
    m_lights.clear();
    m_scene = scene;
    if (!scene) return false;
    if (!GrabScene(m_trees[0], 0) || !GrabScene(m_trees[1], 1)) {
        GetLog() << "[!] Failed to grab scene to raytracer.\n";
        return false;
    }
    try {
        m_lights.reserve(scene->lights.size());
    } catch (const std::bad_alloc&) {
        GetLog() << "[!] Failed to allocate raytracer light array.\n";
        return false;
    }
    for (const zRayLight& light : scene->lights)
        m_lights.push_back(&light);
    return true;
}

// ---- surface queries ----

zShaderHitContext zRaytracer::MakeContext(const zRayHit& hit) const {
    zShaderHitContext context;
    context.geometry = hit.geometry;
    context.origin = hit.origin;
    context.direction = hit.direction;
    context.polygon = u32(hit.polygon);
    context.fanTriangle = hit.fanTriangle;
    context.w0 = hit.w0;
    context.w1 = hit.w1;
    context.w2 = hit.w2;
    context.material = hit.material;
    if (hit.object) {
        context.world = hit.object->world;
        context.inverse = hit.object->inverse;
        context.localPoint = hit.point.ApplyMatrix(hit.object->inverse);
    }
    return context;
}

zVector zRaytracer::GetMaterialOutput(const zRayHit& hit, u32 output) const {
    const zMaterial* material = hit.material;
    const zShaderMap* map = material ? material->GetShaderMap() : nullptr;
    if (map && output < ShaderOutputCount && map->GetOutput(output)) {
        zShaderValue value;
        if (EvaluateBlock(*this, MakeContext(hit), map->GetOutput(output), value)) return value.vector;
    }
    switch (output) {
    case ShaderOutputNormal:
        return zVector(0.0f, 0.0f, 1.0f, 1.0f);
    case ShaderOutputDiffuse:
        return material ? FromColor(material->GetDiffuse()) : zVector(1, 1, 1, 1);
    case ShaderOutputModulate:
        return zVector(1.0f, 1.0f, 1.0f, 1.0f);
    case ShaderOutputSpecular:
        return material ? FromColor(material->GetSpecular()) : zVector(1, 1, 1, 1);
    case ShaderOutputGlossiness:
        return zVector(material ? material->GetGlossiness() : 0.0f, 0.0f, 0.0f, 1.0f);
    case ShaderOutputConstant:
        return zVector(0.0f, 0.0f, 0.0f, 1.0f);
    case ShaderOutputOpacity:
        return zVector(1.0f, 0.0f, 0.0f, 1.0f);
    default:
        return zVector(-1.0f, -1.0f, -1.0f, -1.0f);
    }
}

zVector zRaytracer::SampleStage(const zRayHit& hit, u32 type) const {
    const zMaterial* material = hit.material;
    if (!material) return zVector(1.0f, 1.0f, 1.0f, 1.0f);
    const zTextureStage* stage = material->GetStageByType(type);
    if (!StageUsable(stage) || !hit.geometry) {
        if (type == StageTypeDiffuse) return FromColor(material->GetDiffuse());
        if (type == StageTypeSpecular) return FromColor(material->GetSpecular());
        if (type == StageTypeSelfIllum) return FromColor(material->GetSelfIllum());
        return zVector(1.0f, 1.0f, 1.0f, 1.0f);
    }
    f32 u = 0.0f, v = 0.0f;
    const zGeometry& geometry = *hit.geometry;
    if (stage->uvSource == StageUVSourceUVMap) {
        const zVector2* uvs = stage->uvMapIndex < geometry.GetUVChannelCount()
                                  ? geometry.GetUVChannel(stage->uvMapIndex)
                                  : nullptr;
        if (uvs) {
            const u32 first = u32(geometry.GetPolygons()[hit.polygon].bindings - geometry.GetBindings());
            const zVector2& a = uvs[first];
            const zVector2& b = uvs[first + hit.fanTriangle + 1];
            const zVector2& c = uvs[first + hit.fanTriangle + 2];
            u = a.x * hit.w0 + b.x * hit.w1 + c.x * hit.w2;
            v = a.y * hit.w0 + b.y * hit.w1 + c.y * hit.w2;
        }
    } else if (stage->uvSource == StageUVSourceLSNormal && m_scene) {
        const zVector n = RayDirection(hit.normal, m_scene->camera.inverse);
        u = n.x * 0.5f + 0.5f;
        v = n.y * 0.5f + 0.5f;
    } else if (stage->uvSource == StageUVSourceFrontMap && m_scene) {
        const zVector q = hit.point.ApplyMatrix(m_scene->camera.inverse);
        if (q.z > 0.0f) {
            const f32 zoom = m_scene->camera.zoom;
            const f32 x = (q.x * zoom / (q.z * m_pixelAspect) + 1.0f) * 0.5f;
            const f32 y = (1.0f - q.y * zoom / q.z) * 0.5f;
            u = (x - 0.5f) * (m_frameHeight / m_frameWidth) + 0.5f;
            v = y;
        }
    }
    zVector uv = zVector(u, v, 0.0f).ApplyMatrix(stage->matrix);
    u = uv.x;
    v = uv.y;
    if (stage->wrapU) u = u >= 0.0f ? u - std::trunc(u) : u - std::trunc(u) + 1.0f;
    if (stage->wrapV) v = v >= 0.0f ? v - std::trunc(v) : v - std::trunc(v) + 1.0f;
    const zColor color = zColor::FromRGBA32(stage->texture->SamplePacked(u, v));
    return zVector(color.r, color.g, color.b, color.a);
}

f32 zRaytracer::GetOpacity(const zRayHit& hit) const {
    const zMaterial* material = hit.material;
    if (!material) return 1.0f;
    f32 factor = 1.0f;
    const zTextureStage* stage = material->GetStageByType(StageTypeOpacity);
    if (StageUsable(stage)) {
        const zVector c = SampleStage(hit, StageTypeOpacity);
        const zTexture& texture = *stage->texture;
        const bool video =
            texture.GetStream() && texture.GetWidth() && texture.GetHeight() && texture.GetPixels();
        factor = video ? (c.x + c.y + c.z) / 3.0f : c.w;
    }
    return material->GetOpacity() * factor;
}

zVector zRaytracer::GetSurfaceVector(const zRayHit& hit, u32 mode) const {
    const zGeometry& geometry = *hit.geometry;
    if (mode == 1) {
        if (!geometry.GetBindingColors()) return zVector(1.0f, 1.0f, 1.0f, 1.0f);
        return InterpolateBinding(geometry.GetBindingColors(), geometry, u32(hit.polygon), hit.fanTriangle,
                                  hit.w0, hit.w1, hit.w2);
    }
    const u32 flags = hit.material ? hit.material->GetFlags() : 0;
    zVector normal(0.0f, 0.0f, 1.0f);
    const zVector* polygonNormals = geometry.GetPolygonNormals();
    if (polygonNormals) normal = polygonNormals[hit.polygon];
    if ((flags & (MaterialFlagSmoothing | MaterialFlagNormalMapTangent)) && geometry.GetBindingNormals())
        normal = InterpolateBinding(geometry.GetBindingNormals(), geometry, u32(hit.polygon), hit.fanTriangle,
                                    hit.w0, hit.w1, hit.w2)
                     .Normalize();
    normal.w = 1.0f;
    const zTextureStage* stage = hit.material ? hit.material->GetStageByType(StageTypeNormal) : nullptr;
    if (StageUsable(stage)) {
        const zVector c = SampleStage(hit, StageTypeNormal);
        const zVector m(2.0f * c.x - 1.0f, 2.0f * c.y - 1.0f, 2.0f * c.z - 1.0f);
        const zTangentFrame* frames = geometry.GetTangentFrames();
        if (!(flags & MaterialFlagNormalMapTangent)) {
            normal = m.Normalize();
        } else if (frames) {
            zVector tangent(0, 0, 0), bitangent(0, 0, 0);
            const u32 first = u32(geometry.GetPolygons()[hit.polygon].bindings - geometry.GetBindings());
            const u32 corners[3] = {first, first + hit.fanTriangle + 1, first + hit.fanTriangle + 2};
            const f32 weights[3] = {hit.w0, hit.w1, hit.w2};
            for (u32 i = 0; i < 3; ++i) {
                tangent = tangent.Add(frames[corners[i]].tangent.MulReal(weights[i]));
                bitangent = bitangent.Add(frames[corners[i]].bitangent.MulReal(weights[i]));
            }
            zMatrix3 basis;
            basis.SetRows(tangent.Normalize(), bitangent.Normalize(), normal);
            normal = m.ApplyRotationMatrix(basis).Normalize();
        }
        normal.w = 1.0f;
    }
    return normal;
}

// ---- rays ----

void zRaytracer::Fold(const Tally& tally) {
    m_rayCount += tally.rays;
    m_secondaryRayCount += tally.secondary;
    m_trees[0].AddRayCount(tally.trees[0].rays);
    m_trees[1].AddRayCount(tally.trees[1].rays);
}

void zRaytracer::TraceRay(const zVector& origin, const zVector& direction, zVector& result, zRayDepth& depth,
                          zRayHit* parent) {
    Tally tally;
    TraceRay(tally, origin, direction, result, depth, parent);
    Fold(tally);
}

void zRaytracer::TraceRay(Tally& tally, const zVector& origin, const zVector& direction, zVector& result,
                          zRayDepth& depth, zRayHit* parent) {
    zRayHit hit;
    hit.searchMode = RaySearchNearest;
    hit.mediumIndex = parent ? parent->mediumIndex : 1.0f;
    m_trees[0].Intersect(hit, origin, direction, -1.0f, tally.trees[0]);
    ++tally.rays;
    tally.secondary += hit.rayCount;
    if (!hit.found) {
        result = m_scene ? m_scene->background : zVector(0.0f, 0.0f, 0.0f, 1.0f);
        return;
    }
    hit.point = origin.Add(direction.MulReal(hit.distance));
    hit.material = hit.geometry->GetMaterial(hit.geometry->GetPolygons()[hit.polygon].material);
    zVector normal = RayNormal(GetSurfaceVector(hit, 0), hit.object->inverse).Normalize();
    if (hit.backFace) normal = Negate(normal);
    normal.w = 1.0f;
    hit.normal = normal;
    Shade(tally, hit, result, depth);
}

f32 zRaytracer::ShadowTransmission(const zVector& origin, const zVector& direction, f32 distance,
                                   u32 budget) {
    Tally tally;
    const f32 transmission = ShadowTransmission(tally, origin, direction, distance, budget);
    Fold(tally);
    return transmission;
}

f32 zRaytracer::ShadowTransmission(Tally& tally, const zVector& origin, const zVector& direction,
                                   f32 distance, u32 budget) {
    // Nothing left to cross: the light is reached.
    if (!(distance > 0.0f)) return 1.0f;
    if (!m_options.transparentShadows) {
        zRayHit hit;
        hit.searchMode = RaySearchAny;
        m_trees[1].Intersect(hit, origin, direction, distance, tally.trees[1]);
        return hit.found && hit.distance > 0.0f ? 0.0f : 1.0f;
    }
    if (budget == 0) return 1.0f;
    zRayHit hit;
    hit.searchMode = RaySearchNearest;
    m_trees[1].Intersect(hit, origin, direction, distance, tally.trees[1]);
    ++tally.rays;
    tally.secondary += hit.rayCount;
    if (!hit.found || hit.distance <= 0.0f) return 1.0f;
    hit.material = hit.geometry->GetMaterial(hit.geometry->GetPolygons()[hit.polygon].material);
    hit.point = origin.Add(direction.MulReal(hit.distance));
    const f32 opacity = GetOpacity(hit);
    if (opacity >= 1.0f) return 0.0f;
    const zVector next = hit.origin.Add(direction.MulReal(hit.distance + SurfaceOffset));
    const f32 remaining = distance - zVector::Dist(origin, next);
    return ShadowTransmission(tally, next, direction, remaining, budget - 1) * (1.0f - opacity);
}

void zRaytracer::Shade(Tally& tally, zRayHit& hit, zVector& result, zRayDepth& depth) {
    const zMaterial* material = hit.material;
    const bool fixedFunction = material && (material->GetFlags() & MaterialFlagFixedFunction);
    const zVector& P = hit.point;
    const zVector& N = hit.normal;
    const zVector& D = hit.direction;
    const f32 itemOpacity = hit.object ? hit.object->opacity : 1.0f;
    const f32 alpha =
        (fixedFunction ? GetOpacity(hit) : GetMaterialOutput(hit, ShaderOutputOpacity).x) * itemOpacity;
    const f32 threshold = material ? material->GetAlphaThreshold() : 0.0f;
    f32 F = alpha;

    if (alpha > threshold) {
        const f32 glossiness =
            fixedFunction ? material->GetGlossiness() : GetMaterialOutput(hit, ShaderOutputGlossiness).x;
        // Lights.
        zVector diffuseSum(0.0f, 0.0f, 0.0f, 1.0f), specularSum(0.0f, 0.0f, 0.0f, 1.0f);
        const zVector shadowOrigin = P.Add(N.MulReal(SurfaceOffset));
        const zVector view = Negate(D);
        for (const zRayLight* light : m_lights) {
            f32 visibility = 1.0f;
            if (light->shadow && m_options.shadows) {
                zVector toLight = light->type == RayLightDirectional
                                      ? light->world.GetRow(2, true).MulReal(-light->shadowDistance)
                                      : light->world.GetRow(3, true).Sub(shadowOrigin);
                if (N.Dot(toLight) > 0.0f) {
                    const f32 distance = toLight.Length();
                    toLight = toLight.Normalize();
                    visibility =
                        ShadowTransmission(tally, shadowOrigin, toLight, distance, m_options.shadowSurfaces);
                    if (visibility == 0.0f) continue;
                }
            }
            f32 diffuse = 0.0f, specular = 0.0f;
            if (EvaluateLight(*light, P, N, &diffuse, &specular, &view, glossiness, false, false)) {
                diffuseSum = Add4(diffuseSum, Scale4(light->diffuse, diffuse * visibility));
                specularSum = Add4(specularSum, Scale4(light->specular, specular * visibility));
            }
        }
        // Indirect light.
        zVector indirect;
        if (m_options.globalIllumination && depth.gi > 0) {
            --depth.gi;
            const std::vector<zVector>& table = RandomSpread();
            const zMatrix3 basis = zMatrix3::FromDirection(N);
            indirect = zVector(0.0f, 0.0f, 0.0f, 0.0f);
            for (const zVector& direction : table) {
                zRayDepth giDepth{depth.gi, 0, 0};
                zVector colour;
                TraceRay(tally, shadowOrigin, direction.ApplyRotationMatrix(basis), colour, giDepth, nullptr);
                indirect = Add4(indirect, colour);
            }
            indirect = Scale4(indirect, 1.0f / f32(std::max<size_t>(table.size(), 1)));
        } else if (m_options.globalIllumination && !m_options.ambientWhenGIUsedUp) {
            indirect = zVector(0.0f, 0.0f, 0.0f, 1.0f);
        } else {
            indirect = m_scene ? Scale4(m_scene->ambient, m_scene->ambientIntensity) : zVector(0, 0, 0, 1);
        }
        // Ambient occlusion.
        f32 occlusion = 1.0f;
        if (alpha >= 1.0f && m_options.ambientOcclusion) {
            const std::vector<zVector>& table = RandomSpread();
            const zMatrix3 basis = zMatrix3::FromDirection(N);
            const f32 reach = m_options.aoDistance;
            f32 sum = 0.0f;
            for (const zVector& spread : table) {
                const zVector direction = spread.ApplyRotationMatrix(basis);
                zRayHit probe;
                probe.searchMode = RaySearchNearest;
                m_trees[0].Intersect(probe, P.Add(direction.MulReal(SurfaceOffset)), direction, reach,
                                     tally.trees[0]);
                if (!probe.found || !(probe.distance > 0.0f)) continue;
                const f32 f = probe.distance / reach;
                sum += f < 0.0f ? 1.0f : (f > 1.0f ? 0.0f : 1.0f - f);
            }
            if (sum > 0.0f && !table.empty()) occlusion = 1.0f - sum / f32(table.size());
            occlusion = Clamp01(occlusion);
        }
        // Surface colours.
        zVector diffuseColour, specularColour, emission;
        if (fixedFunction) {
            diffuseColour = SampleStage(hit, StageTypeDiffuse);
            specularColour = SampleStage(hit, StageTypeSpecular);
            emission = SampleStage(hit, StageTypeSelfIllum);
            if (StageUsable(material->GetStageByType(StageTypeLightmap))) {
                const zVector lightmap = SampleStage(hit, StageTypeLightmap);
                diffuseColour = Mul4(diffuseColour, lightmap);
                specularColour = Mul4(specularColour, lightmap);
            } else if (material->GetFlags() & MaterialFlagVertexColor) {
                const zVector colour = GetSurfaceVector(hit, 1);
                diffuseColour = Mul4(diffuseColour, colour);
                specularColour = Mul4(specularColour, colour);
            }
            const zTextureStage* reflection = material->GetStageByType(StageTypeReflection);
            if (StageUsable(reflection)) {
                const zVector c7 = SampleStage(hit, StageTypeReflection);
                diffuseColour = reflection->op == StageOperatorMultiply ? Mul4(diffuseColour, c7)
                                                                        : Add4(diffuseColour, c7);
            }
        } else {
            diffuseColour = GetMaterialOutput(hit, ShaderOutputDiffuse);
            specularColour = GetMaterialOutput(hit, ShaderOutputSpecular);
            emission = GetMaterialOutput(hit, ShaderOutputConstant);
        }
        result = Add4(Add4(emission, Mul4(diffuseColour, Add4(indirect, diffuseSum))),
                      Mul4(specularColour, specularSum));
        result = Scale4(result, alpha * occlusion);
    } else {
        result = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    }

    // Transmission.
    const f32 facing = N.Dot(D);
    const zVector faced = facing < 0.0f ? N : Negate(N);
    const f32 materialIndex = material ? material->GetIOR() : 1.0f;
    const f32 targetIndex = materialIndex == hit.mediumIndex ? 1.0f : materialIndex;
    const bool additive = material && (material->GetFlags() & MaterialFlagAdditive);
    if ((alpha < 1.0f || additive) && depth.reflection && depth.transmission) {
        const f32 eta = hit.mediumIndex / targetIndex;
        if (m_options.fresnel) F = Fresnel(D, faced, eta);
        const f32 c = std::fabs(faced.Dot(D));
        const f32 k = 1.0f - eta * eta * (1.0f - c * c);
        zVector refracted;
        if (k < 0.0f)
            F = 1.0f; // total internal reflection
        else
            refracted = D.MulReal(eta).Add(faced.MulReal(eta * c - std::sqrt(k))).Normalize();
        if (1.0f - F > 0.0f) {
            --depth.transmission;
            const f32 medium = hit.mediumIndex;
            hit.mediumIndex = targetIndex;
            zVector transmitted;
            TraceRay(tally, P.Add(refracted.MulReal(SurfaceOffset)), refracted, transmitted, depth, &hit);
            hit.mediumIndex = medium;
            result =
                additive ? Add4(result, transmitted) : Add4(Scale4(result, F), Scale4(transmitted, 1.0f - F));
            ++depth.transmission;
        }
    }
    // Reflection, in the medium the ray travels in.
    const f32 reflectivity = material ? material->GetReflection() : 0.0f;
    if (m_options.reflections && reflectivity > 0.0f && depth.reflection && depth.transmission && F > 0.0f) {
        --depth.reflection;
        const zVector reflected = D.Add(faced.MulReal(2.0f * std::fabs(faced.Dot(D)))).Normalize();
        zVector mirrored;
        TraceRay(tally, P.Add(reflected.MulReal(SurfaceOffset)), reflected, mirrored, depth, &hit);
        result = Add4(result, Scale4(mirrored, reflectivity * F));
        ++depth.reflection;
    }
    result.x = Clamp01(result.x);
    result.y = Clamp01(result.y);
    result.z = Clamp01(result.z);
    result.w = 1.0f;
}

// ---- frames ----

void zRaytracer::Report(const char* label, f32 fraction) {
    if (!m_progress) return;
    zRaytraceProgress progress;
    progress.label.Set(label);
    progress.fraction = fraction;
    m_progress(progress, m_progressUser);
}

void zRaytracer::PrimaryRay(f32 x, f32 y, zVector& origin, zVector& direction) const {
    const zRayCamera& camera = m_scene->camera;
    const f32 ndcX = 2.0f * x / m_frameWidth - 1.0f;
    const f32 ndcY = 1.0f - 2.0f * y / f32(m_fullHeight);
    const zVector local(ndcX * m_pixelAspect / camera.zoom, ndcY / camera.zoom, 1.0f);
    origin = camera.world.GetRow(3, true);
    direction = RayDirection(local, camera.world).Normalize();
}

void zRaytracer::TracePrimary(Tally& tally, f32 x, f32 y, zVector& colour) {
    zVector origin, direction;
    PrimaryRay(x, y, origin, direction);
    zRayDepth depth{m_options.giDepth, m_options.reflectionBudget, m_options.transmissionBudget};
    TraceRay(tally, origin, direction, colour, depth, nullptr);
}

zVector zRaytracer::Refine(Tally& tally, u32 x, u32 y, u32 grid, f32 scale, f32 rowScale) {
    zVector sum(0.0f, 0.0f, 0.0f, 1.0f);
    for (u32 j = 0; j < grid; ++j) {
        for (u32 i = 0; i < grid; ++i) {
            f32 ox = f32(i) * scale / f32(grid), oy = f32(j) * scale / f32(grid);
            if (m_options.aaJitter) {
                ox += RandFloat(0.125f / f32(grid));
                oy += RandFloat(0.125f / f32(grid));
            }
            zVector colour;
            TracePrimary(tally, f32(x) + ox, RowTop(y) + oy * rowScale, colour);
            sum = Add4(sum, colour);
        }
    }
    return Scale4(sum, 1.0f / f32(grid * grid));
}

u32 zRaytracer::GetThreadCount() const {
    if (m_threadCount) return m_threadCount;
    return std::max(1u, std::thread::hardware_concurrency());
}

u32 zRaytracer::GetThreadCount(u32 width, u32 height) const {
    // A thread a frame pass per this many pixels at least.
    constexpr u64 PixelsPerThread = 16384;
    if (m_threadCount) return m_threadCount;
    const u64 byPixels = std::max<u64>(1, u64(width) * height / PixelsPerThread);
    return u32(std::min<u64>(GetThreadCount(), byPixels));
}

namespace {

// A worker of RunParallel.
class zRayWorker : public zThread {
  public:
    explicit zRayWorker(const std::function<void()>& body) : m_body(body) {}
    ~zRayWorker() override { Close(); }
    bool Run() override {
        m_body();
        return true;
    }

  private:
    const std::function<void()>& m_body;
};

// Calls work(i) for i in [0, count) on up to threads threads, the caller's
// one among them, and returns when all calls are done.
void RunParallel(size_t count, u32 threads, const std::function<void(size_t)>& work) {
    std::atomic<size_t> next{0};
    const std::function<void()> body = [&] {
        for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1))
            work(i);
    };
    std::vector<std::unique_ptr<zRayWorker>> workers;
    const size_t extra = std::min<size_t>(threads, count) > 0 ? std::min<size_t>(threads, count) - 1 : 0;
    try {
        for (size_t k = 0; k < extra; ++k) {
            std::unique_ptr<zRayWorker> worker(new zRayWorker(body));
            if (!worker->Create() || !worker->Resume()) break;
            workers.push_back(std::move(worker));
        }
    } catch (const std::bad_alloc&) {
        // Fewer helpers: the caller's thread takes what is left.
    }
    body();
    for (std::unique_ptr<zRayWorker>& worker : workers)
        worker->Close();
}

// Whether no ray of a pixel draws from the random generator.
bool DrawsNoRandom(const zRaytracerOptions& options) {
    return !(options.globalIllumination && options.giDepth > 0) && !options.ambientOcclusion;
}

} // namespace

void zRaytracer::RenderRows(zVector* frame, u32 w, u32 h) {
    const u32 threads = GetThreadCount(w, h);
    if (threads > 1 && h > 1 && DrawsNoRandom(m_options) && RenderRowsParallel(frame, w, h, threads)) return;
    Tally tally;
    for (u32 y = 0; y < h && !m_stop; ++y) {
        for (u32 x = 0; x < w && !m_stop; ++x)
            TracePrimary(tally, f32(x) + 0.5f, RowTop(y) + 0.5f, frame[size_t(y) * w + x]);
        Report("[1/2] - Rendering", f32(y) / f32(h));
    }
    Fold(tally);
}

bool zRaytracer::RenderRowsParallel(zVector* frame, u32 w, u32 h, u32 threads) {
    std::vector<Tally> tallies;
    std::vector<u8> done;
    std::vector<u32> todo;
    try {
        tallies.resize(h);
        done.assign(h, 0);
        todo.reserve(h);
    } catch (const std::bad_alloc&) {
        return false; // one thread then
    }
    // Rows are traced ahead by all threads, without building trees, and
    // taken in order; the first row that met a missing tree is traced again
    // here, building it, and the rows left are tried again.
    auto traceRow = [&](u32 y, Tally& tally) {
        for (u32 x = 0; x < w && !m_stop && !tally.Missed(); ++x)
            TracePrimary(tally, f32(x) + 0.5f, RowTop(y) + 0.5f, frame[size_t(y) * w + x]);
    };
    u32 next = 0;
    bool ahead = true; // false once a row traced here built nothing new
    while (next < h && !m_stop) {
        todo.clear();
        for (u32 y = next; ahead && y < h; ++y)
            if (!done[y]) todo.push_back(y);
        RunParallel(todo.size(), threads, [&](size_t i) {
            const u32 y = todo[i];
            if (m_stop) return;
            Tally tally;
            tally.trees[0].buildTrees = tally.trees[1].buildTrees = 0;
            traceRow(y, tally);
            if (tally.Missed() || m_stop) return;
            tallies[y] = tally;
            done[y] = 1;
        });
        while (next < h && !m_stop) {
            const u32 y = next++;
            if (done[y]) {
                Fold(tallies[y]);
                Report("[1/2] - Rendering", f32(y) / f32(h));
                continue;
            }
            Tally tally;
            traceRow(y, tally);
            Fold(tally);
            Report("[1/2] - Rendering", f32(y) / f32(h));
            if (tally.trees[0].built + tally.trees[1].built == 0) ahead = false;
            if (ahead) break;
        }
    }
    // Rows after a stop stay as one thread leaves them: untouched.
    for (size_t i = size_t(next) * w; i < size_t(h) * w; ++i)
        frame[i] = zVector();
    return true;
}

void zRaytracer::Antialias(zVector* frame, u32 w, u32 h) {
    const u32 threads = GetThreadCount(w, h);
    if (threads > 1 && DrawsNoRandom(m_options) && !m_options.aaJitter &&
        AntialiasParallel(frame, w, h, threads))
        return;
    const u32 grid = std::max(1u, std::min(m_options.aaGrid, MaxGrid));
    const f32 scale = m_halfRows ? 0.5f : 1.0f;
    const f32 rowScale = m_halfRows ? 2.0f : 1.0f; // traced rows span two frame rows
    const f32 threshold = m_options.aaThreshold;
    auto differs = [&](const zVector& a, const zVector& b) {
        const f32 dr = a.x - b.x, dg = a.y - b.y, db = a.z - b.z;
        return dr * dr + dg * dg + db * db >= threshold;
    };
    Tally tally;
    for (u32 y = 1; y + 1 < h && !m_stop; ++y) {
        for (u32 x = 1; x + 1 < w && !m_stop; ++x) {
            zVector& pixel = frame[size_t(y) * w + x];
            if (!differs(pixel, frame[size_t(y) * w + x - 1]) &&
                !differs(pixel, frame[size_t(y - 1) * w + x]) &&
                !differs(pixel, frame[size_t(y) * w + x + 1]) &&
                !differs(pixel, frame[size_t(y + 1) * w + x]))
                continue;
            pixel = Refine(tally, x, y, grid, scale, rowScale);
        }
        Report("[2/2] - Antialiasing", f32(y) / f32(h));
    }
    Fold(tally);
    Report("[2/2] - Antialiasing", 1.0f);
}

bool zRaytracer::AntialiasParallel(zVector* frame, u32 w, u32 h, u32 threads) {
    const u32 grid = std::max(1u, std::min(m_options.aaGrid, MaxGrid));
    const f32 scale = m_halfRows ? 0.5f : 1.0f;
    const f32 rowScale = m_halfRows ? 2.0f : 1.0f;
    const f32 threshold = m_options.aaThreshold;
    auto differs = [&](const zVector& a, const zVector& b) {
        const f32 dr = a.x - b.x, dg = a.y - b.y, db = a.z - b.z;
        return dr * dr + dg * dg + db * db >= threshold;
    };
    constexpr u32 None = ~0u;
    struct Refined {
        u32 pixel;
        bool ready;
        zVector colour;
        Tally tally;
    };
    std::vector<u32> slot;        // per pixel: its entry in refined, or None
    std::vector<Refined> refined; // the pixels traced ahead
    try {
        slot.assign(size_t(w) * h, None);
        // Pass 1's values: a pixel that differs from one of them is refined
        // whatever its neighbours become.
        for (u32 y = 1; y + 1 < h; ++y) {
            for (u32 x = 1; x + 1 < w; ++x) {
                const size_t p = size_t(y) * w + x;
                if (differs(frame[p], frame[p - 1]) || differs(frame[p], frame[p - w]) ||
                    differs(frame[p], frame[p + 1]) || differs(frame[p], frame[p + w])) {
                    slot[p] = u32(refined.size());
                    refined.push_back({u32(p), false, zVector(), Tally()});
                }
            }
        }
        // Rounds: a pixel whose left or upper neighbour, refined, would
        // differ from it may be refined too.
        size_t first = 0;
        while (first < refined.size() && !m_stop) {
            const size_t end = refined.size();
            RunParallel(end - first, threads, [&](size_t i) {
                Refined& entry = refined[first + i];
                if (m_stop) return;
                // Counted on this thread's stack: entries side by side share cache lines.
                Tally tally;
                tally.trees[0].buildTrees = tally.trees[1].buildTrees = 0;
                const zVector colour = Refine(tally, entry.pixel % w, entry.pixel / w, grid, scale, rowScale);
                entry.colour = colour;
                entry.tally = tally;
                entry.ready = !tally.Missed() && !m_stop;
            });
            for (size_t i = first; i < end; ++i) {
                if (!refined[i].ready) continue;
                const u32 p = refined[i].pixel;
                const u32 x = p % w, y = p / w;
                const u32 next[2] = {x + 2 < w ? p + 1 : None, y + 2 < h ? p + w : None};
                for (u32 q : next) {
                    if (q == None || slot[q] != None || !differs(frame[q], refined[i].colour)) continue;
                    slot[q] = u32(refined.size());
                    refined.push_back({q, false, zVector(), Tally()});
                }
            }
            first = end;
        }
    } catch (const std::bad_alloc&) {
        return false; // nothing is taken yet: one thread then
    }
    // The decisions, in one thread's order.
    for (u32 y = 1; y + 1 < h && !m_stop; ++y) {
        for (u32 x = 1; x + 1 < w && !m_stop; ++x) {
            const size_t p = size_t(y) * w + x;
            zVector& pixel = frame[p];
            if (!differs(pixel, frame[p - 1]) && !differs(pixel, frame[p - w]) &&
                !differs(pixel, frame[p + 1]) && !differs(pixel, frame[p + w]))
                continue;
            if (slot[p] != None && refined[slot[p]].ready) {
                pixel = refined[slot[p]].colour;
                Fold(refined[slot[p]].tally);
                continue;
            }
            Tally tally;
            pixel = Refine(tally, x, y, grid, scale, rowScale);
            Fold(tally);
        }
        Report("[2/2] - Antialiasing", f32(y) / f32(h));
    }
    Report("[2/2] - Antialiasing", 1.0f);
    return true;
}

bool zRaytracer::Trace(zPicture& picture, i32 width, i32 height) {
    m_stop = 0;
    if (width <= 0 || height <= 0) {
        GetLog() << "[!] Invalid raytrace frame size " << width << " x " << height << ".\n";
        return false;
    }
    const bool halfRows = m_options.interlaced && m_options.halfHeightFields;
    if (m_options.interlaced && (height % 2) != 0) {
        GetLog() << "[!] Interlaced frame height must be a multiple of 2.\n";
        return false;
    }
    if (!m_scene || !m_scene->hasCamera) return false;
    const u32 w = u32(width), fullHeight = u32(height);
    const u32 h = halfRows ? fullHeight / 2 : fullHeight;

    // The picture first: its size caps refuse huge frames before the float buffer is tried.
    const size_t pixelCount = size_t(w) * size_t(h);
    zPicture traced;
    std::unique_ptr<zVector[]> frame;
    if (traced.Allocate(w, h, PixelFormatDefault)) frame.reset(new (std::nothrow) zVector[pixelCount]);
    if (!frame) {
        GetLog() << "[!] Failed to allocate floating point frame buffer.\n";
        return false;
    }

    m_rayCount = 0;
    m_secondaryRayCount = 0;
    zStopwatch watch;
    watch.Start();
    const zRayCamera& camera = m_scene->camera;
    const f32 aspect = camera.aspect > 0.0f ? camera.aspect : 1.0f;
    m_frameWidth = f32(w);
    m_frameHeight = f32(fullHeight);
    m_fullHeight = fullHeight;
    m_pixelAspect = (f32(w) / aspect) / f32(fullHeight);
    m_halfRows = halfRows;
    m_rowShift = halfRows && m_fieldParity == 0 ? 1 : 0;
    RenderRows(frame.get(), w, h);
    if (m_options.antialiasing && w >= 3 && h >= 3) Antialias(frame.get(), w, h);

    const u64 milliseconds = u64(watch.GetElapsedMs());
    GetLog() << "Raytracing done. Took " << milliseconds << " ms.";
    if (milliseconds > 0) GetLog() << " Ray/s = " << (m_rayCount * 1000u / milliseconds);
    GetLog() << "\n";

    u8* bytes = traced.GetPixels();
    for (size_t i = 0; i < pixelCount; ++i) {
        zColor colour{frame[i].x, frame[i].y, frame[i].z, frame[i].w};
        const u32 packed = colour.ToRGBA32();
        bytes[4 * i + 0] = u8(packed);
        bytes[4 * i + 1] = u8(packed >> 8);
        bytes[4 * i + 2] = u8(packed >> 16);
        bytes[4 * i + 3] = u8(packed >> 24);
    }
    const bool done =
        m_options.interlaced ? Interlace(picture, traced, w, h, fullHeight) : picture.Copy(traced);
    m_fieldParity ^= 1;
    m_frameWidth = 1.0f;
    m_frameHeight = 1.0f;
    return done;
}

bool zRaytracer::Interlace(zPicture& picture, const zPicture& field, u32 width, u32 height, u32 fullHeight) {
    const u32 rowBytes = width * 4;
    // This field's rows of the frame: odd rows when the parity is 0.
    const u32 ownRows = m_fieldParity == 0 ? 1 : 0;
    const bool first = !m_field.GetWidth() || !m_field.GetHeight() || !m_field.GetPixels();
    if (!first && (m_field.GetWidth() != width || m_field.GetHeight() != height)) {
        GetLog() << "[!] Unexpected frame dimension change during interlaced sequence rendering.\n";
        return picture.Copy(field);
    }
    if (!picture.Allocate(width, fullHeight, PixelFormatDefault)) return false;
    const u32 step = m_halfRows ? 2 : 1;
    for (u32 row = 0; row < fullHeight; ++row) {
        const bool own = first || (row % 2) == ownRows;
        const zPicture& source = own ? field : m_field;
        const u32 sourceRow = std::min(row / step, height - 1);
        std::copy(source.GetPixels() + size_t(sourceRow) * rowBytes,
                  source.GetPixels() + size_t(sourceRow + 1) * rowBytes,
                  picture.GetPixels() + size_t(row) * rowBytes);
    }
    return m_field.Copy(field);
}

bool WriteRaytracedFrame(const char* directory, u32 frameIndex, const zPicture& picture) {
    zString path;
    path.Format("%s/out_%05u.tga", directory ? directory : ".", frameIndex);
    return SaveTGA(path.CStr(), picture);
}
