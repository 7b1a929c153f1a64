// The conversion of a material's fixed-function stages and colours into an
// equivalent shader graph, so that every material compiles the same way.
#include <new>
#include <utility>

#include "core/alloc_category.h"
#include "core/log.h"
#include "render/material.h"
#include "render/shader/shader_block.h"
#include "render/shader/shader_map.h"

namespace {

// Material Parameter indices.
enum : u32 {
    ParamDiffuse = 0,
    ParamSpecular = 1,
    ParamSelfIllum = 2,
    ParamGlossiness = 4,
    ParamOpacity = 5,
};

// A new block owned by map, or null when it cannot be allocated: the map
// adopts every block at once, so nothing leaks when a parent is missing.
template <typename Block, typename... Args> zShaderBlock* Make(zShaderMap& map, Args&&... args) {
    zShaderBlock* block = new (std::nothrow) Block(std::forward<Args>(args)...);
    map.AdoptBlock(block);
    return block;
}

zShaderBlock* Swizzle(zShaderMap& map, zShaderBlock* input, u32 c0, u32 c1 = SwizzleNone,
                      u32 c2 = SwizzleNone) {
    return Make<zSwizzleShaderBlock>(map, input, c0, c1, c2, u32(SwizzleNone));
}

zShaderBlock* Param(zShaderMap& map, u32 param) {
    return Make<zMaterialParamShaderBlock>(map, param);
}

// A stage takes part when it is the first of its type and is active and
// textured; a stage without texture (possible for the UV sources that
// CheckStages does not check) would give a sampler without value. The stages
// are looked at directly, so a stale stage-by-type table does not matter.
const zTextureStage* UsedStage(const zMaterial& material, u32 type) {
    for (u32 i = 0; i < zMaterial::StageCount; ++i) {
        const zTextureStage& stage = material.GetStage(i);
        if (stage.type == type) return stage.active && stage.texture ? &stage : nullptr;
    }
    return nullptr;
}

} // namespace

zShaderBlock* zMaterial::BuildStageSample(const zTextureStage& stage, zShaderBlock* normal,
                                          zShaderMap& map) const {
    zShaderBlock* texture = Make<zTextureShaderBlock>(map, stage.texture.Get());

    zShaderBlock* uv = nullptr;
    switch (stage.uvSource) {
    case StageUVSourceNone:
        uv = Make<zConstantShaderBlock>(map, 0.5f, 0.5f);
        break;
    case StageUVSourceUVMap:
        uv = Make<zGeometryUVShaderBlock>(map, u32(stage.uvMapIndex));
        break;
    case StageUVSourceLSNormal: {
        zShaderBlock* n = normal ? normal : Make<zGeometryNormalShaderBlock>(map);
        zShaderBlock* viewNormal =
            Make<zMulOperatorShaderBlock>(map, Make<zNormalViewMatrixShaderBlock>(map), n);
        uv = Swizzle(map, Make<zPackVectorToColorShaderBlock>(map, viewNormal), SwizzleX, SwizzleY);
        break;
    }
    case StageUVSourceFrontMap: {
        zShaderBlock* size = Swizzle(map, Make<zViewportShaderBlock>(map), SwizzleZ, SwizzleW);
        zShaderBlock* screen = Make<zDivOperatorShaderBlock>(map, Make<zScreenUVShaderBlock>(map), size);
        uv = Make<zMulOperatorShaderBlock>(map, Make<zConstantShaderBlock>(map, 1.0f, -1.0f), screen);
        if (stage.type == StageTypeReflection && normal) {
            zShaderBlock* offset = Make<zMulOperatorShaderBlock>(
                map, Swizzle(map, normal, SwizzleX, SwizzleY), Make<zConstantShaderBlock>(map, 0.01f, 0.01f));
            uv = Make<zAddOperatorShaderBlock>(map, uv, offset);
        }
        break;
    }
    default:
        break; // no UV: the sampler's UV input stays empty
    }

    auto* sampler = static_cast<zSampler2dShaderBlock*>(Make<zSampler2dShaderBlock>(map, texture, uv));
    if (!sampler) return nullptr;
    sampler->SetWrap(stage.wrapU != 0, stage.wrapV != 0);
    if (stage.type != StageTypeNormal) return sampler;

    zShaderBlock* unpacked =
        Make<zUnpackColorToVectorShaderBlock>(map, Swizzle(map, sampler, SwizzleX, SwizzleY, SwizzleZ));
    if (!(m_flags & MaterialFlagNormalMapTangent)) return unpacked;
    return Make<zMulOperatorShaderBlock>(map, Make<zGeometryTangentFrameShaderBlock>(map), unpacked);
}

zShaderMap* zMaterial::BuildShaderMapFromFixedFunction() const {
    zScopedAllocCategory category(AllocCategoryShaderGraph);
    auto* map = new (std::nothrow) zShaderMap();
    if (!map) {
        GetLog() << "[!] "
                 << "Failed to allocate conversion render map.\n";
        return nullptr;
    }
    zShaderMap& m = *map;
    const zTextureStage* diffuseStage = UsedStage(*this, StageTypeDiffuse);
    const zTextureStage* blendStage = UsedStage(*this, StageTypeBlendRGB);
    const zTextureStage* decalStage = UsedStage(*this, StageTypeDecal);
    const zTextureStage* lightStage = UsedStage(*this, StageTypeLightmap);
    const zTextureStage* selfIllumStage = UsedStage(*this, StageTypeSelfIllum);
    const zTextureStage* specularStage = UsedStage(*this, StageTypeSpecular);
    const zTextureStage* reflectionStage = UsedStage(*this, StageTypeReflection);
    const zTextureStage* glossinessStage = UsedStage(*this, StageTypeGlossiness);
    const zTextureStage* opacityStage = UsedStage(*this, StageTypeOpacity);
    const zTextureStage* normalStage = UsedStage(*this, StageTypeNormal);

    zShaderBlock* normal =
        normalStage ? Make<zNormalizeOperatorShaderBlock>(m, BuildStageSample(*normalStage, nullptr, m))
                    : Make<zGeometryNormalShaderBlock>(m);

    zShaderBlock* diffuse = nullptr;
    if (diffuseStage) {
        diffuse = BuildStageSample(*diffuseStage, normal, m);
        if (blendStage) {
            zShaderBlock* factor = Swizzle(m, Make<zGeometryVertexColorShaderBlock>(m), SwizzleX);
            diffuse =
                Make<zMixOperatorShaderBlock>(m, BuildStageSample(*blendStage, normal, m), diffuse, factor);
        }
    } else {
        diffuse = Param(m, ParamDiffuse);
    }

    zShaderBlock* vertexColor = nullptr;
    if (!blendStage && (m_flags & MaterialFlagVertexColor)) {
        vertexColor = Make<zGeometryVertexColorShaderBlock>(m);
        zShaderBlock* rgb = Make<zBuildShaderBlock>(m, vertexColor, u32(BuildX), vertexColor, u32(BuildY),
                                                    vertexColor, u32(BuildZ), nullptr, u32(BuildOne));
        diffuse = Make<zMulOperatorShaderBlock>(m, diffuse, rgb);
    }

    if (decalStage) {
        zShaderBlock* decal = BuildStageSample(*decalStage, normal, m);
        diffuse = Make<zMixOperatorShaderBlock>(m, decal, diffuse, Swizzle(m, decal, SwizzleW));
    }
    if (lightStage)
        diffuse = Make<zMulOperatorShaderBlock>(m, diffuse, BuildStageSample(*lightStage, normal, m));

    zShaderBlock* constant =
        selfIllumStage ? BuildStageSample(*selfIllumStage, normal, m) : Param(m, ParamSelfIllum);
    zShaderBlock* specular =
        specularStage ? BuildStageSample(*specularStage, normal, m) : Param(m, ParamSpecular);

    if (reflectionStage) {
        zShaderBlock* reflection = BuildStageSample(*reflectionStage, normal, m);
        if (reflectionStage->op == StageOperatorMultiply)
            diffuse = Make<zMulOperatorShaderBlock>(m, diffuse, reflection);
        else if (reflectionStage->op == StageOperatorNone || reflectionStage->op == StageOperatorAdd)
            constant = Make<zAddOperatorShaderBlock>(m, constant, reflection);
    }

    zShaderBlock* glossiness = glossinessStage
                                   ? Swizzle(m, BuildStageSample(*glossinessStage, normal, m), SwizzleX)
                                   : Param(m, ParamGlossiness);
    zShaderBlock* opacity = opacityStage ? Swizzle(m, BuildStageSample(*opacityStage, normal, m), SwizzleW)
                                         : Param(m, ParamOpacity);
    if (vertexColor) opacity = Make<zMulOperatorShaderBlock>(m, opacity, Swizzle(m, vertexColor, SwizzleW));

    m.SetOutput(ShaderOutputNormal, normal);
    m.SetOutput(ShaderOutputDiffuse, diffuse);
    m.SetOutput(ShaderOutputSpecular, specular);
    m.SetOutput(ShaderOutputGlossiness, glossiness);
    m.SetOutput(ShaderOutputConstant, constant);
    m.SetOutput(ShaderOutputOpacity, opacity);
    return map;
}
