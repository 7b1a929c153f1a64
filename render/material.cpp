#include "render/material.h"

#include <cassert>

#include "core/log.h"
#include "render/material_tables.h"
#include "render/renderer.h"
#include "render/shader/shader_map.h"

const char* GetStageTypeName(u32 type) {
    return type < StageTypeCount ? StageTypeRows[type].name : "Invalid";
}

zMaterial::zMaterial(zRenderHost* engine, zMaterialHost* host) : m_engine(engine), m_host(host) {
    assert(engine);
    Reset();
}

zMaterial::~zMaterial() {
    m_shaderMap.reset();
    if (zRenderer* renderer = m_engine->GetRenderer()) renderer->FreeMaterial(this);
}

void zMaterial::Reset() {
    m_transparent = 0;
    m_shaderName.Clear();
    for (u32 color = 0; color < MaterialColorCount; ++color)
        for (u32 i = 0; i < 4; ++i)
            m_colors[color][i] = MaterialDefaultColors[color][i];
    m_glossiness = 0.4f;
    m_opacity = 1.0f;
    m_reflection = 0.0f;
    m_ior = 1.0f;
    m_alphaThreshold = 0.1f;
    m_maxSmoothingAngle = 0.0f;
    m_flags = 0;
    m_shaderMap.reset();
    for (zTextureStage& stage : m_stages)
        stage.Reset();
    for (zTextureStage*& entry : m_stageByType)
        entry = nullptr;
    m_stageCount = 0;
}

void zMaterial::CheckStages() {
    for (zTextureStage& stage : m_stages) {
        if (!stage.active || stage.uvSource != StageUVSourceUVMap) continue;
        if (stage.uvMapIndex >= 3) {
            GetLog() << "[*] Invalid UVmap index in material '" << m_name << "', '"
                     << GetStageTypeName(stage.type) << "' stage deactivated.\n";
            stage.active = 0;
        } else if (!stage.texture) {
            GetLog() << "[*] No stage texture in material '" << m_name << "', '"
                     << GetStageTypeName(stage.type) << "' stage deactivated.\n";
            stage.active = 0;
        }
    }
    for (u32 type = 0; type < StageTypeCount; ++type) {
        m_stageByType[type] = nullptr;
        for (zTextureStage& stage : m_stages) {
            if (stage.type == type) {
                m_stageByType[type] = &stage;
                break;
            }
        }
    }
}

// Taken after CheckStages, so a stage read or added since the last run counts
// and one it has just deactivated does not: the flag always agrees with the
// stages the renderer is about to see.
void zMaterial::UpdateTransparency() {
    const zTextureStage* opacity = m_stageByType[StageTypeOpacity];
    if (m_flags & (MaterialFlagAdditive | MaterialFlagSubtractive))
        m_transparent = 1;
    else
        m_transparent = opacity && opacity->active && opacity->texture ? 1 : 0;
}

void zMaterial::Update() {
    CheckStages();
    UpdateTransparency();
    if (zRenderer* renderer = m_engine->GetRenderer()) renderer->UpdateMaterial(this);
}

void zMaterial::ApplyDebugChannel() {
    const i32 channel = m_host ? m_host->GetDebugChannel() : -1;
    if (channel < 0 || channel >= i32(StageTypeCount)) return;
    CheckStages();
    const zTextureStage* shown = m_stageByType[channel];
    if (!shown || !shown->active || !shown->texture) return;
    const zTextureStage copy = *shown;
    for (zTextureStage& stage : m_stages)
        stage.active = 0;
    m_stages[0] = copy;
    m_stages[0].active = 1;
    m_stages[0].type = StageTypeDiffuse;
    SetColor(MaterialColorDiffuse, 1.0f, 1.0f, 1.0f, 1.0f);
    SetColor(MaterialColorSpecular, 0.0f, 0.0f, 0.0f, 1.0f);
    m_shaderName.Clear();
}

bool zMaterial::Setup() {
    ApplyDebugChannel();
    zRenderer* renderer = m_engine->GetRenderer();
    const bool ready = renderer && renderer->SetupMaterial(this);
    Update();
    return ready;
}

zTextureStage* zMaterial::AddStage(u32 type, zTexture* texture, u32 uvSource, u32 uvMapIndex) {
    assert(type < StageTypeCount);
    if (type < StageTypeCount) {
        zTextureStage* existing = m_stageByType[type];
        if (existing && existing->active && existing->texture) return existing;
    }
    for (zTextureStage& stage : m_stages) {
        if (stage.type != StageTypeNone) continue;
        stage.type = type;
        stage.texture = texture;
        stage.uvSource = uvSource;
        stage.uvMapIndex = u8(uvMapIndex < 255 ? uvMapIndex : 255);
        stage.active = 1;
        return &stage;
    }
    GetLog() << "[*] No texture stage left to create a new stage.\n";
    return nullptr;
}

const f32* zMaterial::GetColor(u32 color) const {
    assert(color < MaterialColorCount);
    return m_colors[color];
}

void zMaterial::SetColor(u32 color, f32 red, f32 green, f32 blue, f32 alpha) {
    assert(color < MaterialColorCount);
    m_colors[color][0] = red;
    m_colors[color][1] = green;
    m_colors[color][2] = blue;
    m_colors[color][3] = alpha;
}

void zMaterial::SetShaderMap(zShaderMap* map) {
    m_shaderMap.reset(map);
}

zTextureStage& zMaterial::GetStage(u32 index) {
    assert(index < StageCount);
    return m_stages[index];
}

const zTextureStage& zMaterial::GetStage(u32 index) const {
    assert(index < StageCount);
    return m_stages[index];
}

zTextureStage* zMaterial::GetStageByType(u32 type) const {
    return type < StageTypeCount ? m_stageByType[type] : nullptr;
}
