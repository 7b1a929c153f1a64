#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/alloc_category.h"
#include "render/material.h"
#include "render/shader/shader_block.h"
#include "render/shader/shader_map.h"
#include "tests/render/material_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// A material over a host with textures "a.tga" .. "f.tga", one per stage.
struct Conversion {
    FakeMaterialHost host;
    zTexture* textures[zMaterial::StageCount];
    zMaterial material{&host, &host};
    std::unique_ptr<zShaderMap> map;

    Conversion() {
        const char* names[] = {"a.tga", "b.tga", "c.tga", "d.tga", "e.tga", "f.tga"};
        for (u32 i = 0; i < zMaterial::StageCount; ++i)
            textures[i] = host.Add(names[i]);
    }
    // Stage index becomes an active, textured stage of that type.
    zTextureStage& Stage(u32 index, u32 type, u32 uvSource = StageUVSourceUVMap) {
        zTextureStage& stage = material.GetStage(index);
        stage.active = 1;
        stage.type = type;
        stage.texture = textures[index];
        stage.uvSource = uvSource;
        return stage;
    }
    zShaderMap& Build() {
        material.CheckStages();
        map.reset(material.BuildShaderMapFromFixedFunction());
        EXPECT_NE(map, nullptr);
        return *map;
    }
    zShaderBlock* Output(u32 output) { return map->GetOutput(output); }
};

u32 TypeOf(const zShaderBlock* block) {
    return block ? block->GetType() : 0;
}

zShaderBlock* In(const zShaderBlock* block, u32 k) {
    return block ? block->GetInput(k) : nullptr;
}

u32 ParamOf(const zShaderBlock* block) {
    EXPECT_EQ(TypeOf(block), u32(ShaderBlockMaterialParam));
    return TypeOf(block) == ShaderBlockMaterialParam
               ? static_cast<const zMaterialParamShaderBlock*>(block)->GetParam()
               : 99;
}

zTexture* TextureOf(const zShaderBlock* sampler) {
    EXPECT_EQ(TypeOf(sampler), u32(ShaderBlockSampler2d));
    const zShaderBlock* texture = In(sampler, 0);
    EXPECT_EQ(TypeOf(texture), u32(ShaderBlockTexture));
    return TypeOf(texture) == ShaderBlockTexture
               ? static_cast<const zTextureShaderBlock*>(texture)->GetTexture()
               : nullptr;
}

// The four swizzle codes as digits, "" for another block.
std::string SwizzleOf(const zShaderBlock* block) {
    if (TypeOf(block) != ShaderBlockSwizzle) return "";
    auto* swizzle = static_cast<const zSwizzleShaderBlock*>(block);
    std::string codes;
    for (u32 i = 0; i < 4; ++i)
        codes += char('0' + swizzle->GetComponent(i));
    return codes;
}

void ExpectConstant(const zShaderBlock* block, f32 a, f32 b) {
    ASSERT_EQ(TypeOf(block), u32(ShaderBlockConstant));
    auto* constant = static_cast<const zConstantShaderBlock*>(block);
    EXPECT_EQ(constant->GetConstantType(), u32(ShaderTypeVec2));
    EXPECT_FLOAT_EQ(constant->GetValue(0), a);
    EXPECT_FLOAT_EQ(constant->GetValue(1), b);
}

// Every driven output produces the type the output expects.
void ExpectWellTyped(const zShaderMap& map, const std::string& label) {
    for (u32 output = 0; output < ShaderOutputCount; ++output) {
        const zShaderBlock* block = map.GetOutput(output);
        if (!block) continue;
        EXPECT_EQ(block->GetOutputType(), GetShaderOutputType(output))
            << label << ": output " << GetShaderOutputName(output);
    }
}

TEST(FixedFunction, NoStageGivesParametersAndGeometryNormal) {
    Conversion c;
    c.material.SetFlags(MaterialFlagAdditive | MaterialFlagToon);
    zShaderMap& map = c.Build();
    EXPECT_EQ(TypeOf(c.Output(ShaderOutputNormal)), u32(ShaderBlockGeometryNormal));
    EXPECT_EQ(ParamOf(c.Output(ShaderOutputDiffuse)), 0u);
    EXPECT_EQ(ParamOf(c.Output(ShaderOutputSpecular)), 1u);
    EXPECT_EQ(ParamOf(c.Output(ShaderOutputGlossiness)), 4u);
    EXPECT_EQ(ParamOf(c.Output(ShaderOutputConstant)), 2u);
    EXPECT_EQ(ParamOf(c.Output(ShaderOutputOpacity)), 5u);
    EXPECT_EQ(c.Output(ShaderOutputModulate), nullptr);
    ExpectWellTyped(map, "no stage");
}

TEST(FixedFunction, UnusedStagesAreLeftOut) {
    const struct {
        const char* label;
        u8 active;
        bool textured;
        u32 uvSource;
    } cases[] = {
        {"inactive", 0, true, StageUVSourceUVMap},
        {"LSNormal without texture", 1, false, StageUVSourceLSNormal},
        {"FrontMap without texture", 1, false, StageUVSourceFrontMap},
    };
    for (const auto& k : cases) {
        Conversion c;
        zTextureStage& stage = c.Stage(0, StageTypeDiffuse, k.uvSource);
        stage.active = k.active;
        if (!k.textured) stage.texture = nullptr;
        c.Build();
        EXPECT_EQ(ParamOf(c.Output(ShaderOutputDiffuse)), 0u) << k.label;
    }
}

TEST(FixedFunction, StagesCountWithoutAFreshStageTable) {
    Conversion c;
    c.Stage(3, StageTypeDiffuse);
    std::unique_ptr<zShaderMap> map(c.material.BuildShaderMapFromFixedFunction());
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(TextureOf(map->GetOutput(ShaderOutputDiffuse)), c.textures[3]);
}

TEST(FixedFunction, OnlyTheFirstStageOfATypeCounts) {
    Conversion c;
    c.Stage(1, StageTypeDiffuse).active = 0;
    c.Stage(2, StageTypeDiffuse);
    c.Build();
    EXPECT_EQ(ParamOf(c.Output(ShaderOutputDiffuse)), 0u);
}

TEST(FixedFunction, DiffuseStageSamplesItsTextureWithItsWrap) {
    Conversion c;
    zTextureStage& stage = c.Stage(2, StageTypeDiffuse);
    stage.uvMapIndex = 2;
    stage.wrapV = 0;
    zShaderMap& map = c.Build();
    zShaderBlock* diffuse = c.Output(ShaderOutputDiffuse);
    EXPECT_EQ(TextureOf(diffuse), c.textures[2]);
    auto* sampler = static_cast<zSampler2dShaderBlock*>(diffuse);
    EXPECT_TRUE(sampler->GetWrapU());
    EXPECT_FALSE(sampler->GetWrapV());
    ASSERT_EQ(TypeOf(In(diffuse, 1)), u32(ShaderBlockGeometryUV));
    EXPECT_EQ(static_cast<zGeometryUVShaderBlock*>(In(diffuse, 1))->GetChannel(), 2u);
    ExpectWellTyped(map, "diffuse");
}

TEST(FixedFunction, UVSourcesGiveTheirCoordinates) {
    for (u32 source : {0u, 1u, 2u, 3u, 9u}) {
        Conversion c;
        c.Stage(0, StageTypeDiffuse, source).uvMapIndex = 1;
        zShaderMap& map = c.Build();
        const zShaderBlock* sampler = c.Output(ShaderOutputDiffuse);
        const zShaderBlock* uv = In(sampler, 1);
        const std::string label = "UV source " + std::to_string(source);
        switch (source) {
        case 0:
            ExpectConstant(uv, 0.5f, 0.5f);
            break;
        case 1:
            ASSERT_EQ(TypeOf(uv), u32(ShaderBlockGeometryUV));
            EXPECT_EQ(static_cast<const zGeometryUVShaderBlock*>(uv)->GetChannel(), 1u);
            break;
        case 2: {
            // Swizzle (x, y) of Pack (Mul (Normal View Matrix, the map's normal)).
            EXPECT_EQ(SwizzleOf(uv), "1200");
            const zShaderBlock* pack = In(uv, 0);
            ASSERT_EQ(TypeOf(pack), u32(ShaderBlockPackVectorToColor));
            const zShaderBlock* mul = In(pack, 0);
            ASSERT_EQ(TypeOf(mul), u32(ShaderBlockMul));
            EXPECT_EQ(TypeOf(In(mul, 0)), u32(ShaderBlockNormalViewMatrix));
            EXPECT_EQ(In(mul, 1), c.Output(ShaderOutputNormal)) << "the normal block is shared";
            break;
        }
        case 3: {
            // Mul (Constant (1, -1), Div (Screen UV, Swizzle (z, w) of Viewport)).
            ASSERT_EQ(TypeOf(uv), u32(ShaderBlockMul));
            ExpectConstant(In(uv, 0), 1.0f, -1.0f);
            const zShaderBlock* div = In(uv, 1);
            ASSERT_EQ(TypeOf(div), u32(ShaderBlockDiv));
            EXPECT_EQ(TypeOf(In(div, 0)), u32(ShaderBlockScreenUV));
            EXPECT_EQ(SwizzleOf(In(div, 1)), "3400");
            EXPECT_EQ(TypeOf(In(In(div, 1), 0)), u32(ShaderBlockViewport));
            break;
        }
        default:
            EXPECT_EQ(uv, nullptr) << label;
            EXPECT_EQ(sampler->GetOutputType(), u32(ShaderTypeNone)) << label;
            continue;
        }
        EXPECT_EQ(uv->GetOutputType(), u32(ShaderTypeVec2)) << label;
        ExpectWellTyped(map, label);
    }
}

TEST(FixedFunction, StageSampleWithoutNormalMakesItsOwn) {
    Conversion c;
    zTextureStage& stage = c.Stage(0, StageTypeDiffuse, StageUVSourceLSNormal);
    zShaderMap map;
    zShaderBlock* sampler = c.material.BuildStageSample(stage, nullptr, map);
    const zShaderBlock* mul = In(In(In(sampler, 1), 0), 0);
    ASSERT_EQ(TypeOf(mul), u32(ShaderBlockMul));
    EXPECT_EQ(TypeOf(In(mul, 1)), u32(ShaderBlockGeometryNormal));
    EXPECT_EQ(sampler->GetOutputType(), u32(ShaderTypeVec4));
    // The map owns the blocks although no output reaches them (LeakSanitizer).
}

TEST(FixedFunction, FrontMapReflectionIsOffsetByTheNormal) {
    for (bool withNormal : {true, false}) {
        Conversion c;
        zTextureStage& stage = c.Stage(1, StageTypeReflection, StageUVSourceFrontMap);
        zShaderMap map;
        zShaderBlock* normal = withNormal ? new zGeometryNormalShaderBlock() : nullptr;
        map.AdoptBlock(normal);
        const zShaderBlock* uv = In(c.material.BuildStageSample(stage, normal, map), 1);
        if (!withNormal) {
            EXPECT_EQ(TypeOf(uv), u32(ShaderBlockMul));
            continue;
        }
        // Add (screen coordinates, Mul (Swizzle (x, y) of the normal, Constant (0.01, 0.01))).
        ASSERT_EQ(TypeOf(uv), u32(ShaderBlockAdd));
        EXPECT_EQ(TypeOf(In(uv, 0)), u32(ShaderBlockMul));
        const zShaderBlock* offset = In(uv, 1);
        ASSERT_EQ(TypeOf(offset), u32(ShaderBlockMul));
        EXPECT_EQ(SwizzleOf(In(offset, 0)), "1200");
        EXPECT_EQ(In(In(offset, 0), 0), normal);
        ExpectConstant(In(offset, 1), 0.01f, 0.01f);
        EXPECT_EQ(uv->GetOutputType(), u32(ShaderTypeVec2));
    }
}

TEST(FixedFunction, FrontMapOfOtherStagesHasNoOffset) {
    Conversion c;
    c.Stage(0, StageTypeDiffuse, StageUVSourceFrontMap);
    c.Build();
    EXPECT_EQ(TypeOf(In(c.Output(ShaderOutputDiffuse), 1)), u32(ShaderBlockMul));
}

TEST(FixedFunction, NormalStageWithAndWithoutTangentSpace) {
    for (bool tangent : {false, true}) {
        Conversion c;
        c.Stage(5, StageTypeNormal);
        if (tangent) c.material.SetFlags(MaterialFlagNormalMapTangent);
        zShaderMap& map = c.Build();
        const zShaderBlock* normal = c.Output(ShaderOutputNormal);
        ASSERT_EQ(TypeOf(normal), u32(ShaderBlockNormalize));
        const zShaderBlock* unpacked = In(normal, 0);
        if (tangent) {
            ASSERT_EQ(TypeOf(unpacked), u32(ShaderBlockMul));
            EXPECT_EQ(TypeOf(In(unpacked, 0)), u32(ShaderBlockGeometryTangentFrame));
            unpacked = In(unpacked, 1);
        }
        ASSERT_EQ(TypeOf(unpacked), u32(ShaderBlockUnpackColorToVector));
        EXPECT_EQ(SwizzleOf(In(unpacked, 0)), "1230");
        EXPECT_EQ(TextureOf(In(In(unpacked, 0), 0)), c.textures[5]);
        ExpectWellTyped(map, tangent ? "tangent normal map" : "normal map");
    }
}

TEST(FixedFunction, BlendRGBMixesByVertexColour) {
    for (bool vertexColor : {false, true}) {
        Conversion c;
        c.Stage(0, StageTypeDiffuse);
        c.Stage(1, StageTypeBlendRGB);
        if (vertexColor) c.material.SetFlags(MaterialFlagVertexColor);
        zShaderMap& map = c.Build();
        const zShaderBlock* diffuse = c.Output(ShaderOutputDiffuse);
        ASSERT_EQ(TypeOf(diffuse), u32(ShaderBlockMix));
        EXPECT_EQ(TextureOf(In(diffuse, 0)), c.textures[1]);
        EXPECT_EQ(TextureOf(In(diffuse, 1)), c.textures[0]);
        EXPECT_EQ(SwizzleOf(In(diffuse, 2)), "1000");
        EXPECT_EQ(TypeOf(In(In(diffuse, 2), 0)), u32(ShaderBlockGeometryVertexColor));
        EXPECT_EQ(ParamOf(c.Output(ShaderOutputOpacity)), 5u) << "the vertex colour only drives the blend";
        ExpectWellTyped(map, "blend");
    }
}

TEST(FixedFunction, BlendRGBWithoutDiffuseStageIsIgnored) {
    Conversion c;
    c.Stage(1, StageTypeBlendRGB);
    c.Build();
    EXPECT_EQ(ParamOf(c.Output(ShaderOutputDiffuse)), 0u);
}

TEST(FixedFunction, VertexColourTintsDiffuseAndOpacity) {
    for (bool diffuseStage : {false, true}) {
        Conversion c;
        if (diffuseStage) c.Stage(0, StageTypeDiffuse);
        c.material.SetFlags(MaterialFlagVertexColor);
        zShaderMap& map = c.Build();
        const zShaderBlock* diffuse = c.Output(ShaderOutputDiffuse);
        ASSERT_EQ(TypeOf(diffuse), u32(ShaderBlockMul));
        if (diffuseStage) {
            EXPECT_EQ(TextureOf(In(diffuse, 0)), c.textures[0]);
        } else {
            EXPECT_EQ(ParamOf(In(diffuse, 0)), 0u);
        }
        const zShaderBlock* build = In(diffuse, 1);
        ASSERT_EQ(TypeOf(build), u32(ShaderBlockBuild));
        auto* rgb = static_cast<const zBuildShaderBlock*>(build);
        const zShaderBlock* vertexColor = In(build, 0);
        EXPECT_EQ(TypeOf(vertexColor), u32(ShaderBlockGeometryVertexColor));
        EXPECT_EQ(In(build, 1), vertexColor);
        EXPECT_EQ(In(build, 2), vertexColor);
        EXPECT_EQ(In(build, 3), nullptr);
        EXPECT_EQ(rgb->GetComponent(0), u32(BuildX));
        EXPECT_EQ(rgb->GetComponent(1), u32(BuildY));
        EXPECT_EQ(rgb->GetComponent(2), u32(BuildZ));
        EXPECT_EQ(rgb->GetComponent(3), u32(BuildOne));

        const zShaderBlock* opacity = c.Output(ShaderOutputOpacity);
        ASSERT_EQ(TypeOf(opacity), u32(ShaderBlockMul));
        EXPECT_EQ(ParamOf(In(opacity, 0)), 5u);
        EXPECT_EQ(SwizzleOf(In(opacity, 1)), "4000");
        EXPECT_EQ(In(In(opacity, 1), 0), vertexColor) << "one vertex colour block";
        ExpectWellTyped(map, diffuseStage ? "vertex colour over texture" : "vertex colour");
    }
}

TEST(FixedFunction, DecalAndLightModifyDiffuse) {
    Conversion c;
    c.Stage(0, StageTypeDiffuse);
    c.Stage(1, StageTypeDecal);
    c.Stage(2, StageTypeLightmap);
    zShaderMap& map = c.Build();
    const zShaderBlock* diffuse = c.Output(ShaderOutputDiffuse);
    // Mul (Mix (decal, diffuse, decal.w), light).
    ASSERT_EQ(TypeOf(diffuse), u32(ShaderBlockMul));
    EXPECT_EQ(TextureOf(In(diffuse, 1)), c.textures[2]);
    const zShaderBlock* mix = In(diffuse, 0);
    ASSERT_EQ(TypeOf(mix), u32(ShaderBlockMix));
    EXPECT_EQ(TextureOf(In(mix, 0)), c.textures[1]);
    EXPECT_EQ(TextureOf(In(mix, 1)), c.textures[0]);
    EXPECT_EQ(SwizzleOf(In(mix, 2)), "4000");
    EXPECT_EQ(In(In(mix, 2), 0), In(mix, 0)) << "the decal sample is shared";
    ExpectWellTyped(map, "decal and light");
}

TEST(FixedFunction, SelfIllumSpecularGlossinessOpacityStages) {
    Conversion c;
    c.Stage(0, StageTypeSelfIllum);
    c.Stage(1, StageTypeSpecular);
    c.Stage(2, StageTypeGlossiness);
    c.Stage(3, StageTypeOpacity);
    zShaderMap& map = c.Build();
    EXPECT_EQ(TextureOf(c.Output(ShaderOutputConstant)), c.textures[0]);
    EXPECT_EQ(TextureOf(c.Output(ShaderOutputSpecular)), c.textures[1]);
    EXPECT_EQ(SwizzleOf(c.Output(ShaderOutputGlossiness)), "1000");
    EXPECT_EQ(TextureOf(In(c.Output(ShaderOutputGlossiness), 0)), c.textures[2]);
    EXPECT_EQ(SwizzleOf(c.Output(ShaderOutputOpacity)), "4000");
    EXPECT_EQ(TextureOf(In(c.Output(ShaderOutputOpacity), 0)), c.textures[3]);
    ExpectWellTyped(map, "stages");
}

TEST(FixedFunction, ReflectionOperator) {
    enum Target { Diffuse, Constant, Neither };
    const struct {
        u32 op;
        Target target;
    } cases[] = {{StageOperatorNone, Constant},
                 {StageOperatorMultiply, Diffuse},
                 {StageOperatorAdd, Constant},
                 {7, Neither}};
    for (const auto& k : cases) {
        Conversion c;
        c.Stage(4, StageTypeReflection).op = k.op;
        zShaderMap& map = c.Build();
        const zShaderBlock* diffuse = c.Output(ShaderOutputDiffuse);
        const zShaderBlock* constant = c.Output(ShaderOutputConstant);
        const std::string label = "operator " + std::to_string(k.op);
        if (k.target == Diffuse) {
            ASSERT_EQ(TypeOf(diffuse), u32(ShaderBlockMul)) << label;
            EXPECT_EQ(ParamOf(In(diffuse, 0)), 0u) << label;
            EXPECT_EQ(TextureOf(In(diffuse, 1)), c.textures[4]) << label;
        } else {
            EXPECT_EQ(ParamOf(diffuse), 0u) << label;
        }
        if (k.target == Constant) {
            ASSERT_EQ(TypeOf(constant), u32(ShaderBlockAdd)) << label;
            EXPECT_EQ(ParamOf(In(constant, 0)), 2u) << label;
            EXPECT_EQ(TextureOf(In(constant, 1)), c.textures[4]) << label;
        } else {
            EXPECT_EQ(ParamOf(constant), 2u) << label;
        }
        ExpectWellTyped(map, label);
    }
}

TEST(FixedFunction, EveryStageAtOnceIsWellTyped) {
    Conversion c;
    c.Stage(0, StageTypeDiffuse);
    c.Stage(1, StageTypeDecal, StageUVSourceFrontMap);
    c.Stage(2, StageTypeNormal);
    c.Stage(3, StageTypeReflection, StageUVSourceLSNormal).op = StageOperatorMultiply;
    c.Stage(4, StageTypeOpacity, StageUVSourceNone);
    c.Stage(5, StageTypeLightmap);
    c.material.SetFlags(MaterialFlagVertexColor | MaterialFlagNormalMapTangent);
    zShaderMap& map = c.Build();
    ExpectWellTyped(map, "all stages");
    EXPECT_EQ(c.Output(ShaderOutputModulate), nullptr);
}

TEST(FixedFunction, BlocksHoldTheirTexturesUntilTheMapIsFreed) {
    Conversion c;
    c.Stage(0, StageTypeDiffuse);
    c.Stage(1, StageTypeDecal);
    const u32 before = c.textures[0]->GetRefCount();
    c.Build();
    EXPECT_GT(c.textures[0]->GetRefCount(), before);
    c.map.reset();
    EXPECT_EQ(c.textures[0]->GetRefCount(), before);
}

// A texture that notes the allocation category each time a reference is
// taken: the conversion's Texture blocks take theirs while they are made.
struct CategoryNotingTexture : zTexture {
    CategoryNotingTexture(zRenderHost* host, std::vector<u32>* seen) : zTexture(host), m_seen(seen) {}
    void AddRef() override {
        m_seen->push_back(GetAllocCategory());
        zTexture::AddRef();
    }

  private:
    std::vector<u32>* m_seen;
};

TEST(FixedFunction, BlocksAreMadeUnderTheShaderGraphCategory) {
    Conversion c;
    std::vector<u32> seen;
    zSharedPtr<zTexture> texture(new CategoryNotingTexture(&c.host, &seen));
    const u32 previous = SetAllocCategory(5);
    c.Stage(0, StageTypeDiffuse).texture = texture.Get();
    c.Stage(1, StageTypeDecal).texture = texture.Get();
    c.material.CheckStages();
    seen.clear();
    std::unique_ptr<zShaderMap> map(c.material.BuildShaderMapFromFixedFunction());
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(seen, (std::vector<u32>{1u, 1u}));
    EXPECT_EQ(GetAllocCategory(), 5u);
    map.reset();
    c.material.Reset();
    SetAllocCategory(previous);
}

TEST(FixedFunction, AllocationCategoryIsRestored) {
    Conversion c;
    const u32 previous = SetAllocCategory(5);
    c.Stage(0, StageTypeDiffuse);
    c.Build();
    EXPECT_EQ(GetAllocCategory(), 5u);
    SetAllocCategory(previous);
}

} // namespace
