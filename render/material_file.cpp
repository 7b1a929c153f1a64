// The "Material" tag: reader and writer of zMaterial.
#include <new>

#include "core/log.h"
#include "core/vector.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "render/material.h"
#include "render/material_tables.h"
#include "render/shader/shader_map.h"

namespace {

const char* const ColorTags[MaterialColorCount] = {"Diffuse", "Specular", "Self", "Ambient"};
constexpr f32 ColorTolerance = 1e-6f;

struct FloatField {
    const char* tag;
    f32 defaultValue;
    f32 (zMaterial::*get)() const;
    void (zMaterial::*set)(f32);
};

// In writing order.
const FloatField FloatFields[] = {
    {"Glossiness", 0.4f, &zMaterial::GetGlossiness, &zMaterial::SetGlossiness},
    {"Opacity", 1.0f, &zMaterial::GetOpacity, &zMaterial::SetOpacity},
    {"Reflection", 0.0f, &zMaterial::GetReflection, &zMaterial::SetReflection},
    {"IOR", 1.0f, &zMaterial::GetIOR, &zMaterial::SetIOR},
    {"AlphaThreshold", 0.1f, &zMaterial::GetAlphaThreshold, &zMaterial::SetAlphaThreshold},
    {"MaxSmoothingAngle", 0.0f, &zMaterial::GetMaxSmoothingAngle, &zMaterial::SetMaxSmoothingAngle},
};


// NaN reads as the minimum.
f32 ClampGlossiness(f32 glossiness) {
    if (!(glossiness >= zMaterial::MinGlossiness)) return zMaterial::MinGlossiness;
    return glossiness > zMaterial::MaxGlossiness ? zMaterial::MaxGlossiness : glossiness;
}

bool Differs(f32 a, f32 b) {
    return a - b > ColorTolerance || b - a > ColorTolerance;
}

// The stage type of a "Channel" word; StageTypeCount when none matches.
u32 FindStageType(const char* word) {
    for (u32 type = 0; type < StageTypeCount; ++type)
        for (const char* const* read = StageTypeRows[type].readWords; *read; ++read)
            if (zString(word) == *read) return type;
    return StageTypeCount;
}

} // namespace

bool zMaterial::Parse(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Material") {
        GetLog() << "[!] Could not parse material. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    Reset();
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* text = nullptr;
        f32 number = 0.0f;
        bool known = false;

        if (name == "Id") {
            if (child->GetValue().GetString(text)) m_name = text;
            continue;
        }
        for (u32 color = 0; color < MaterialColorCount && !known; ++color) {
            if (name != ColorTags[color]) continue;
            known = true;
            f32* rgba = m_colors[color];
            zVector value(rgba[0], rgba[1], rgba[2], rgba[3]);
            if (ParseVector(child, value)) SetColor(color, value.x, value.y, value.z, value.w);
        }
        for (const FloatField& field : FloatFields) {
            if (known || name != field.tag) continue;
            known = true;
            if (child->GetValue().GetNumber(number))
                (this->*field.set)(field.set == &zMaterial::SetGlossiness ? ClampGlossiness(number) : number);
        }
        if (known) continue;

        if (name == "Shader") {
            if (child->GetValue().GetString(text)) m_shaderName = text;
        } else if (name == "PhysicMaterial") {
            zPhysicMaterial::Parse(child);
        } else if (name == "RenderMask") {
            ParseRenderMask(child);
        } else if (name == "ShaderMap") {
            auto* map = new (std::nothrow) zShaderMap();
            if (map) map->Parse(m_host, child);
            m_shaderMap.reset(map);
        } else if (name == "TextureStage") {
            ParseStage(child);
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Material>.\n";
        }
    }
    Update();
    // Before the conversion, so that the graph sees the transparency.
    AddOpacityStageForDiffuseAlpha();
    if (!m_shaderMap) m_shaderMap.reset(BuildShaderMapFromFixedFunction());
    return true;
}

void zMaterial::ParseRenderMask(const zMetaTag* tag) {
    m_flags = 0;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& word = child->GetName();
        bool known = word == "Lit";
        for (const zRenderFlagRow& row : RenderFlagRows) {
            if (word == row.word || (row.alias && word == row.alias)) {
                m_flags |= row.bit;
                known = true;
            }
        }
        if (!known) GetLog() << "[*] Unknown tag '" << word << "' in material '" << m_name << "'.\n";
    }
}

void zMaterial::ParseStage(const zMetaTag* tag) {
    const zMetaTag* indexTag = tag->GetTypedTag("Index;", VariantInt);
    if (!indexTag) {
        GetLog() << "[*] Illegal index tag type in material '" << m_name << "'.\n";
        return;
    }
    const i32 index = indexTag->GetRawInt();
    // Negative indices are refused as well: they would address memory before
    // the stages.
    if (index < 0 || index >= i32(StageCount)) {
        GetLog() << "[*] Illegal texture stage index " << index << " in material '" << m_name << "'.\n";
        return;
    }
    ++m_stageCount;
    zTextureStage& stage = m_stages[index];
    stage.active = 0;
    stage.type = StageTypeNone;
    stage.op = StageOperatorNone;
    stage.uvMapIndex = 0;

    if (const zMetaTag* channel = tag->GetTag("Channel;")) {
        const char* word = nullptr;
        const u32 type = channel->GetValue().GetString(word) ? FindStageType(word) : StageTypeCount;
        if (type < StageTypeCount)
            stage.type = type;
        else
            GetLog() << "[*] Unknown channel for texture stage " << index << " of material '" << m_name
                     << "'.\n";
    } else {
        stage.type = StageTypeDiffuse;
    }

    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* text = nullptr;
        i32 whole = 0;
        if (name == "Texture") {
            if (!child->GetValue().GetString(text)) continue;
            stage.texture = m_host ? m_host->LoadSharedTexture(text, false) : zSharedPtr<zTexture>();
            if (stage.texture && stage.type == StageTypeNormal)
                stage.texture->SetFlags(stage.texture->GetFlags() | TextureFlagNormalMap);
        } else if (name == "Active") {
            stage.active = 1;
        } else if (name == "UV") {
            // Out-of-range indices stay invalid instead of wrapping into range.
            if (child->GetValue().GetInt(whole))
                stage.uvMapIndex = u8(whole >= 0 && whole < 255 ? whole : 255);
        } else if (name == "NoWrapU") {
            stage.wrapU = 0;
        } else if (name == "NoWrapV") {
            stage.wrapV = 0;
        } else if (name == "Operator") {
            if (!child->GetValue().GetString(text)) continue;
            if (zString(text) == OperatorWords[StageOperatorMultiply])
                stage.op = StageOperatorMultiply;
            else if (zString(text) == OperatorWords[StageOperatorAdd])
                stage.op = StageOperatorAdd;
        } else if (name == "UVSource") {
            u32 source = 0;
            if (child->GetValue().GetString(text))
                for (u32 value = StageUVSourceUVMap; value <= StageUVSourceFrontMap && !source; ++value)
                    if (zString(text) == UVSourceWords[value]) source = value;
            if (source)
                stage.uvSource = source;
            else
                GetLog() << "[*] Unknown UV source for texture stage " << index << " of material '" << m_name
                         << "'.\n";
        }
    }
}

void zMaterial::AddOpacityStageForDiffuseAlpha() {
    const zTextureStage* diffuse = m_stageByType[StageTypeDiffuse];
    if (!diffuse || !diffuse->active || !diffuse->texture || m_stageByType[StageTypeOpacity]) return;
    if (!diffuse->texture->HasTranslucentPixel()) return;
    const u8 uvMapIndex = diffuse->uvMapIndex;
    zTextureStage* opacity = AddStage(StageTypeOpacity, diffuse->texture.Get(), StageUVSourceUVMap, 0);
    if (!opacity) {
        GetLog()
            << "[*] Diffuse channel texture has embedded alpha but there is no texture stage left to enable "
               "opacity in material '"
            << m_name << "'.\n";
        return;
    }
    opacity->uvMapIndex = uvMapIndex;
    CheckStages();
    UpdateTransparency();
}

zMetaTag* zMaterial::Serialize() const {
    zMetaTag* root = new (std::nothrow) zMetaTag("Material");
    if (!root) {
        GetLog() << "[!] Could not serialize material '" << m_name << "'. Failed to create root tag.\n";
        return nullptr;
    }
    AttachTag(root, new (std::nothrow) zMetaTag("Id", m_name.CStr() ? m_name.CStr() : ""));

    for (u32 color = 0; color < MaterialColorCount; ++color) {
        const f32* rgba = m_colors[color];
        const f32* defaults = MaterialDefaultColors[color];
        const bool rgbDiffers =
            Differs(rgba[0], defaults[0]) || Differs(rgba[1], defaults[1]) || Differs(rgba[2], defaults[2]);
        // An alpha of its own is kept even when the colour is the default.
        const bool alphaDiffers = Differs(rgba[3], defaults[3]);
        if (!rgbDiffers && !alphaDiffers) continue;
        const bool withAlpha = color == MaterialColorDiffuse || alphaDiffers;
        AttachTag(root,
                  SerializeVector(zVector(rgba[0], rgba[1], rgba[2], rgba[3]), ColorTags[color], withAlpha));
    }

    for (const FloatField& field : FloatFields) {
        const f32 value = (this->*field.get)();
        if (value != field.defaultValue) AttachTag(root, new (std::nothrow) zMetaTag(field.tag, value));
    }

    AttachTag(root, zPhysicMaterial::Serialize());

    if (m_flags) {
        zMetaTag* mask = new (std::nothrow) zMetaTag("RenderMask");
        if (mask) {
            for (const zRenderFlagRow& row : RenderFlagRows)
                if (m_flags & row.bit) AttachTag(mask, new (std::nothrow) zMetaTag(row.word));
        }
        if (!AttachTag(root, mask))
            GetLog() << "[*] Could not serialize material '" << m_name << "' render word.\n";
    }

    if (!m_shaderName.IsEmpty()) AttachTag(root, new (std::nothrow) zMetaTag("Shader", m_shaderName.CStr()));
    if (m_shaderMap) AttachTag(root, m_shaderMap->Serialize());

    for (u32 index = 0; index < StageCount; ++index) {
        if (!m_stages[index].texture) continue;
        if (!AttachTag(root, SerializeStage(index)))
            GetLog() << "[*] Could not serialize a texture stage in material '" << m_name << "'.\n";
    }
    return root;
}

zMetaTag* zMaterial::SerializeStage(u32 index) const {
    const zTextureStage& stage = m_stages[index];
    zMetaTag* tag = new (std::nothrow) zMetaTag("TextureStage");
    if (!tag) return nullptr;
    AttachTag(tag, new (std::nothrow) zMetaTag("Index", i32(index)));
    if (stage.active) AttachTag(tag, new (std::nothrow) zMetaTag("Active"));
    const char* path = stage.texture->GetName().CStr();
    AttachTag(tag, new (std::nothrow) zMetaTag("Texture", path ? path : ""));
    AttachTag(tag, new (std::nothrow) zMetaTag("UV", i32(stage.uvMapIndex)));
    if (!stage.wrapU) AttachTag(tag, new (std::nothrow) zMetaTag("NoWrapU"));
    if (!stage.wrapV) AttachTag(tag, new (std::nothrow) zMetaTag("NoWrapV"));
    if (stage.op == StageOperatorMultiply || stage.op == StageOperatorAdd)
        AttachTag(tag, new (std::nothrow) zMetaTag("Operator", OperatorWords[stage.op]));

    if (stage.type >= StageTypeDecal && stage.type < StageTypeCount)
        AttachTag(tag, new (std::nothrow) zMetaTag("Channel", StageTypeRows[stage.type].writtenWord));
    else if (stage.type != StageTypeDiffuse)
        GetLog() << "[*] Bogus channel in texture stage " << index << " material '" << m_name << "'.\n";

    if (stage.uvSource == StageUVSourceLSNormal || stage.uvSource == StageUVSourceFrontMap)
        AttachTag(tag, new (std::nothrow) zMetaTag("UVSource", UVSourceWords[stage.uvSource]));
    else if (stage.uvSource != StageUVSourceUVMap)
        GetLog() << "[*] Bogus channel in texture stage " << index << " material '" << m_name << "'.\n";
    return tag;
}
