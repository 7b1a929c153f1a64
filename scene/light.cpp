#include "scene/light.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "render/renderer.h"
#include "render/texture.h"

namespace {

// The words of the enumerated children, index = code.
const char* const LightTypeNames[] = {"None", "Point", "Parallel", "Spot", "Area"};
const char* const LightShadowNames[] = {"None", "PMap", "Map"};
const char* const LightFalloffNames[] = {"Linear", "InvDist", "InvDist2"};

struct EnumField {
    const char* tag;
    u32 zLight::*field;
    const char* const* names;
    u32 count;
    u32 defaultValue;
    u32 writtenOutOfRange; // the code an unknown value is written as
    const char* bogusKind;
};

const EnumField EnumFields[] = {
    {"Type", &zLight::type, LightTypeNames, 5, LightTypePoint, LightTypeNone, "type"},
    {"Shadow", &zLight::shadowMode, LightShadowNames, 3, LightShadowNone, LightShadowNone, "shadow"},
    {"Falloff", &zLight::falloff, LightFalloffNames, 3, LightFalloffLinear, LightFalloffLinear, "falloff"},
};

struct FloatField {
    const char* tag;
    f32 zLight::*field;
    f32 defaultValue;
    bool alwaysWritten;
};

struct VectorField {
    const char* tag;
    zVector zLight::*field;
    zVector defaultValue;
};

// One entry per child of the tag, in the order the writer emits them.
enum class LightChild { Enum, Float, Vector, Volumetric, ProjectionMap, Shader };
struct ChildEntry {
    LightChild kind;
    u32 index; // into the table of its kind
};

const FloatField FloatFields[] = {
    {"ShadowRange", &zLight::shadowRange, 100.0f, false},
    {"ShadowBias", &zLight::shadowBias, 0.01f, false},
    {"ShadowDistribution", &zLight::shadowDistribution, 0.9f, false},
    {"VolumetricSampleStep", &zLight::volumetricSampleStep, 0.5f, true},
    {"VolumetricThick", &zLight::volumetricThickness, 1.0f, true},
    {"VolumetricRange", &zLight::volumetricRange, 8.0f, true},
    {"ZNear", &zLight::zNear, LightDefaultZNear, false},
    {"Range", &zLight::range, 0.0f, false},
    {"VolumeRange", &zLight::volumeRange, LightDefaultVolumeRange, false},
    {"ClipDistance", &zLight::clipDistance, 300.0f, false},
    {"DiffuseIntensity", &zLight::diffuseIntensity, 1.0f, false},
    {"SpecularIntensity", &zLight::specularIntensity, 0.0f, false},
    {"ConeAngle", &zLight::coneAngle, LightDefaultAngle, false},
    {"EdgeAngle", &zLight::edgeAngle, LightDefaultAngle, false},
};
enum : u32 {
    FloatShadowRange,
    FloatShadowBias,
    FloatShadowDistribution,
    FloatSampleStep,
    FloatThick,
    FloatVolumetricRange,
    FloatZNear,
    FloatRange,
    FloatVolumeRange,
    FloatClipDistance,
    FloatDiffuseIntensity,
    FloatSpecularIntensity,
    FloatConeAngle,
    FloatEdgeAngle
};

const VectorField VectorFields[] = {
    {"ShadowColor", &zLight::shadowColor, zVector(0.0f, 0.0f, 0.0f, 1.0f)},
    {"Diffuse", &zLight::diffuse, zVector(1.0f, 1.0f, 1.0f, 1.0f)},
    {"Specular", &zLight::specular, zVector(1.0f, 1.0f, 1.0f, 1.0f)},
};

const ChildEntry WriteOrder[] = {
    {LightChild::Enum, 0},
    {LightChild::Enum, 1},
    {LightChild::Float, FloatShadowRange},
    {LightChild::Float, FloatShadowBias},
    {LightChild::Float, FloatShadowDistribution},
    {LightChild::Vector, 0},
    {LightChild::Volumetric, 0},
    {LightChild::Float, FloatSampleStep},
    {LightChild::Float, FloatThick},
    {LightChild::Float, FloatVolumetricRange},
    {LightChild::Float, FloatZNear},
    {LightChild::Enum, 2},
    {LightChild::Float, FloatRange},
    {LightChild::Float, FloatVolumeRange},
    {LightChild::Float, FloatClipDistance},
    {LightChild::ProjectionMap, 0},
    {LightChild::Vector, 1},
    {LightChild::Vector, 2},
    {LightChild::Float, FloatDiffuseIntensity},
    {LightChild::Float, FloatSpecularIntensity},
    {LightChild::Float, FloatConeAngle},
    {LightChild::Float, FloatEdgeAngle},
    {LightChild::Shader, 0},
};

void WarnInvalid(const zString& name) {
    GetLog() << "[*] Invalid value of '" << name << "' in <Light>.\n";
}

void ReadEnum(zLight& light, const EnumField& entry, const zMetaTag* child) {
    const char* word = nullptr;
    if (!child->GetValue().GetString(word)) {
        WarnInvalid(child->GetName());
        return;
    }
    for (u32 code = 0; code < entry.count; ++code) {
        if (std::strcmp(entry.names[code], word) == 0) {
            light.*entry.field = code;
            return;
        }
    }
    GetLog() << "[*] Bogus light " << entry.bogusKind << " '" << word << "'.\n";
}

void ReadFloat(zLight& light, const FloatField& entry, const zMetaTag* child) {
    f32 value = 0.0f;
    if (!child->GetValue().GetFloat(value)) {
        WarnInvalid(child->GetName());
        return;
    }
    if (entry.field == &zLight::zNear && !(value >= LightMinimumFileZNear)) value = LightMinimumFileZNear;
    if (entry.field == &zLight::volumeRange && !(value > 0.0f)) value = LightDefaultVolumeRange;
    light.*entry.field = value;
}

} // namespace

zLight::zLight(zEngine* engine) : zItem(engine) {}

zLight::~zLight() {
    if (zRenderer* renderer = GetCurrentRenderer()) renderer->FreeLight(this);
}

zRenderer* zLight::GetCurrentRenderer() const {
    zEngine* engine = GetEngine();
    return engine ? engine->GetRenderer() : nullptr;
}

void zLight::SetDefaults() {
    shaderName.Clear();
    type = LightTypePoint;
    shadowMode = LightShadowNone;
    shadowRange = 100.0f;
    shadowBias = 0.01f;
    shadowDistribution = 0.9f;
    zNear = LightDefaultZNear;
    volumetric = 0;
    volumetricSampleStep = 0.5f;
    volumetricRange = 8.0f;
    volumetricThickness = 1.0f;
    falloff = LightFalloffLinear;
    range = 0.0f;
    volumeRange = LightDefaultVolumeRange;
    clipDistance = 300.0f;
    diffuse = zVector(1.0f, 1.0f, 1.0f, 1.0f);
    specular = zVector(1.0f, 1.0f, 1.0f, 1.0f);
    shadowColor = zVector(0.0f, 0.0f, 0.0f, 1.0f);
    diffuseIntensity = 1.0f;
    specularIntensity = 0.0f;
    coneAngle = LightDefaultAngle;
    edgeAngle = LightDefaultAngle;
    m_projectionTexture = nullptr;
}

void zLight::UpdateMatrices() {
    const bool recomputed = (GetFlags() & (ItemLocalDirty | ItemWorldDirty)) != 0;
    zItem::UpdateMatrices();
    if (recomputed) NormalizeWorldAxes();
    if (type == LightTypeSpot)
        frustum.SetPerspective(GetSpotFov(), zNear, volumeRange, &ComputedWorldMatrix(), 1.0f, 1.0f);
}

zMatrix4 zLight::GetProjectionMatrix() const {
    return GetRenderProjection();
}

void zLight::SetupRenderData() {
    zRenderer* renderer = GetCurrentRenderer();
    if (!renderer) return;
    renderer->SetupLight(this);
    renderer->UpdateLight(this);
}

void zLight::GetRenderAxes(zVector& position, zVector& zAxis) {
    const zMatrix4* world = GetWorldMatrix();
    position = world->GetRow(3, false);
    zAxis = world->GetRow(2, false);
}

void zLight::UpdateRenderData() {
    if (zRenderer* renderer = GetCurrentRenderer()) renderer->UpdateLight(this);
}

void zLight::SetProjectionTexture(zTexture* texture) {
    m_projectionTexture = texture;
}

bool ParseLight(zLight& light, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Light") {
        GetLog() << "[!] Could not parse light. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    light.SetDefaults();
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        bool known = false;
        if (name == "Item") {
            light.ParseTag(child);
            known = true;
        } else if (name == "Volumetric") {
            light.volumetric = 1;
            known = true;
        } else if (name == "VolumetricThickness") {
            // An old name that lands on the range, not the thickness.
            f32 value = 0.0f;
            if (child->GetValue().GetFloat(value))
                light.volumetricRange = value;
            else
                WarnInvalid(name);
            known = true;
        } else if (name == "ProjectionMap") {
            const char* path = nullptr;
            if (!child->GetValue().GetString(path)) {
                WarnInvalid(name);
            } else if (zEngine* engine = light.GetEngine()) {
                light.SetProjectionTexture(engine->LoadTexture(path, false, false));
            }
            known = true;
        } else if (name == "Shader") {
            const char* text = nullptr;
            if (child->GetValue().GetString(text))
                light.shaderName.Set(text);
            else
                WarnInvalid(name);
            known = true;
        }
        for (const EnumField& entry : EnumFields) {
            if (known || name != entry.tag) continue;
            ReadEnum(light, entry, child);
            known = true;
        }
        for (const FloatField& entry : FloatFields) {
            if (known || name != entry.tag) continue;
            ReadFloat(light, entry, child);
            known = true;
        }
        for (const VectorField& entry : VectorFields) {
            if (known || name != entry.tag) continue;
            if (!ParseVector(child, light.*entry.field)) WarnInvalid(name);
            known = true;
        }
        if (!known) GetLog() << "[*] Unknown tag '" << name << "' in <Light>.\n";
    }
    // Kept as the format defines it, although the readers above never leave
    // the volume range at 0.
    if (light.volumeRange == 0.0f && light.range != 0.0f) light.volumeRange = light.range;
    return true;
}

zMetaTag* SerializeLight(const zLight& light) {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Light"));
    bool complete = root != nullptr;
    if (complete) complete = AppendChildTag(root.get(), light.SerializeTag());
    for (const ChildEntry& child : WriteOrder) {
        if (!complete) break;
        switch (child.kind) {
        case LightChild::Enum: {
            const EnumField& entry = EnumFields[child.index];
            const u32 code = light.*entry.field;
            if (code == entry.defaultValue) break;
            const char* word = entry.names[code < entry.count ? code : entry.writtenOutOfRange];
            complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag(entry.tag, word));
            break;
        }
        case LightChild::Float: {
            const FloatField& entry = FloatFields[child.index];
            const f32 value = light.*entry.field;
            if (entry.alwaysWritten || value != entry.defaultValue)
                complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag(entry.tag, value));
            break;
        }
        case LightChild::Vector: {
            const VectorField& entry = VectorFields[child.index];
            const zVector& value = light.*entry.field;
            if (value.x != entry.defaultValue.x || value.y != entry.defaultValue.y ||
                value.z != entry.defaultValue.z || value.w != entry.defaultValue.w)
                complete = AppendChildTag(root.get(), SerializeVector(value, entry.tag, true));
            break;
        }
        case LightChild::Volumetric:
            if (light.volumetric)
                complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("Volumetric"));
            break;
        case LightChild::ProjectionMap: {
            const zTexture* texture = light.GetProjectionTexture();
            if (texture && !texture->GetName().IsEmpty())
                complete = AppendChildTag(
                    root.get(), new (std::nothrow) zMetaTag("ProjectionMap", texture->GetName().CStr()));
            break;
        }
        case LightChild::Shader:
            if (!light.shaderName.IsEmpty())
                complete = AppendChildTag(root.get(),
                                          new (std::nothrow) zMetaTag("Shader", light.shaderName.CStr()));
            break;
        }
    }
    if (!complete) {
        GetLog() << "[!] Could not serialize light. Failed to create root tag.\n";
        return nullptr;
    }
    return root.release();
}
