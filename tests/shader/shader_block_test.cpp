#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/list.h"
#include "render/shader/shader_block.h"
#include "render/shader/shader_block_table.h"
#include "tests/shader/shader_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

using BlockPtr = std::unique_ptr<zShaderBlock>;

std::vector<zShaderBlock*> ToVector(const zList<zShaderBlock*>& list) {
    std::vector<zShaderBlock*> out;
    for (auto* node = list.GetHead(); node; node = node->next)
        out.push_back(node->value);
    return out;
}

// ---- The table ----

TEST(ShaderBlockTable, EveryKindIsMadeWithItsOwnRow) {
    for (u32 type = 1; type < ShaderBlockTypeCount; ++type) {
        SCOPED_TRACE(type);
        const zShaderBlockTypeInfo* info = GetShaderBlockTypeInfo(type);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->type, type);
        // Deleted through the base: the kind's own destructor must run (ASan
        // reports a size mismatch otherwise).
        BlockPtr block(NewShaderBlock(type));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block->GetType(), type);
        EXPECT_EQ(std::string(block->GetName().CStr()), info->nodeName);
        EXPECT_EQ(block->GetInputCount(), info->inputCount);
        for (u32 k = 0; k < block->GetInputCount(); ++k) {
            ASSERT_NE(block->GetInputInfo(k), nullptr);
            EXPECT_NE(block->GetInputInfo(k)->acceptedTypes, 0u);
            EXPECT_EQ(block->GetInput(k), nullptr);
        }
        EXPECT_EQ(block->GetInputInfo(block->GetInputCount()), nullptr);
        EXPECT_EQ(block->GetInput(block->GetInputCount()), nullptr);
        ASSERT_NE(block->GetOutputInfo(), nullptr);
        EXPECT_EQ(block->GetX(), 0.0f);
        EXPECT_EQ(block->GetY(), 0.0f);
    }
    EXPECT_EQ(GetShaderBlockTypeInfo(0), nullptr);
    EXPECT_EQ(GetShaderBlockTypeInfo(38), nullptr);
    EXPECT_EQ(NewShaderBlock(0), nullptr);
    EXPECT_EQ(NewShaderBlock(38), nullptr);
}

TEST(ShaderBlockTable, TypeNamesByIdWithNoneAndInvalid) {
    const struct {
        u32 type;
        const char* name;
    } cases[] = {
        {0, "None"},
        {1, "Invalid"},
        {2, "Geometry Normal"},
        {5, "Geometry RGB"},
        {9, "Sampler 2D"},
        {16, "Normal View Matrix"},
        {17, "Normal Matrix "},
        {22, "Multiply"},
        {35, "Unpack color to vector"},
        {37, "Clock"},
        {38, "Invalid"},
        {0xFFFFFFFFu, "Invalid"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetShaderBlockTypeName(c.type), c.name) << c.type;
}

TEST(ShaderBlockTable, FindTypeByNameIsExactWithTheNormalMatrixAlias) {
    for (u32 type = 1; type < ShaderBlockTypeCount; ++type) {
        EXPECT_EQ(FindShaderBlockType(GetShaderBlockTypeName(type)), type);
    }
    const struct {
        const char* name;
        u32 type;
    } cases[] = {
        {"Normal Matrix", ShaderBlockNormalViewMatrix},
        {"Normal Matrix ", ShaderBlockNormalMatrix},
        {"Invalid", ShaderBlockGeometryVertex},
        {"None", 0},
        {"multiply", 0},
        {"Bogus", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindShaderBlockType(c.name), c.type) << c.name;
    EXPECT_EQ(FindShaderBlockType(nullptr), 0u);
}

TEST(ShaderBlockTable, InputAndOutputRecords) {
    zSampler2dShaderBlock sampler;
    EXPECT_STREQ(sampler.GetInputInfo(0)->name, "Texture");
    EXPECT_EQ(sampler.GetInputInfo(0)->acceptedTypes, u32(ShaderTypeSampler2d));
    EXPECT_STREQ(sampler.GetInputInfo(1)->description, "UV stream input.");
    EXPECT_EQ(sampler.GetInputInfo(1)->acceptedTypes, u32(ShaderTypeVec2));
    EXPECT_STREQ(sampler.GetOutputInfo()->label, "Texel");

    zMixOperatorShaderBlock mix;
    EXPECT_STREQ(mix.GetInputInfo(2)->name, "Input K");
    EXPECT_EQ(mix.GetInputInfo(2)->acceptedTypes, u32(ShaderTypeFloat));
    EXPECT_STREQ(mix.GetOutputInfo()->description, "Input A * Input K + Input B * (1.0 - Input K).");

    zMulOperatorShaderBlock mul;
    EXPECT_EQ(mul.GetInputInfo(1)->acceptedTypes, 4u | 8u | 16u | 32u | 64u | 128u);
    zNormalizeOperatorShaderBlock normalize;
    EXPECT_EQ(normalize.GetInputInfo(0)->acceptedTypes, 8u | 16u | 32u);
    zBuildShaderBlock build;
    EXPECT_STREQ(build.GetInputInfo(3)->name, "Input W");
    zClockShaderBlock clock;
    EXPECT_STREQ(clock.GetOutputInfo()->label, "Clock (s)");
    zModelViewMatrixShaderBlock modelView;
    EXPECT_STREQ(modelView.GetName().CStr(), "Model View Matrix ");
}

// Every row of the table as the kinds are described, written out apart from
// the table so that a slip in either shows. The prefix and the output type
// are those of a block made with the file-table defaults; equivalence is that
// of two such blocks.
TEST(ShaderBlockTable, EveryRowHasItsNamesRecordsAndDefaults) {
    constexpr u32 F = ShaderTypeFloat, V2 = ShaderTypeVec2, V3 = ShaderTypeVec3, V4 = ShaderTypeVec4;
    constexpr u32 M3 = ShaderTypeMat3, M4 = ShaderTypeMat4, S = ShaderTypeSampler2d, N = ShaderTypeNone;
    constexpr u32 Sc = F | V2 | V3 | V4;
    struct Input {
        const char* name;
        const char* description;
        u32 mask;
    };
    const struct {
        u32 type;
        const char* typeName;
        const char* nodeName;
        const char* prefix;
        const char* label;
        const char* description;
        u32 outputType;
        bool equivalent;
        std::vector<Input> inputs;
    } rows[] = {
        {1, "Invalid", "Vertex Stream", "Vertex_", "Vertex", "Vertex stream.", V4, true, {}},
        {2, "Geometry Normal", "Normal Stream", "Nrm_", "Normal", "Normal stream.", V3, true, {}},
        {3, "Geometry UV", "UV Stream", "UV0_", "UV", "UV stream.", V2, true, {}},
        {4, "Geometry Skinning", "Skinning Matrix", "SkinMtx_", "Skinned", "Skinned vector.", M4, true, {}},
        {5, "Geometry RGB", "Vertex Color Stream", "VtxClr_", "Color", "Vertex color stream.", V4, true, {}},
        {6, "Geometry Tangent Frame", "Tangent Frame", "TngFrm_", "Tangent", "Tangent frame.", M3, true, {}},
        {7, "Render Buffer", "Render Buffer", "RenderBuf_", "Buffer", "Texture object.", S, true, {}},
        {8, "Texture", "Texture", "Tex_", "Texture", "Texture object.", S, true, {}},
        {9,
         "Sampler 2D",
         "Sampler 2D",
         "Spl2dTT_",
         "Texel",
         "Texture sample.",
         N,
         false,
         {{"Texture", "Texture input.", S}, {"UV Stream", "UV stream input.", V2}}},
        {10, "Constant", "Constant", "ConstNone_", "Constant", "Constant value.", N, false, {}},
        {11, "Color", "Color", "Color_", "Color", "RGBA Color.", V4, false, {}},
        {12,
         "Material Parameter",
         "Material Parameter",
         "MatParm0_",
         "Parameter",
         "Material parameter.",
         V4,
         true,
         {}},
        {13, "Screen UV", "Screen UV", "ScnUV_", "Screen UV", "Screen position.", V2, true, {}},
        {14,
         "View Vector",
         "View Vector",
         "ViewV_",
         "World View",
         "View vector in world space.",
         V3,
         true,
         {}},
        {15,
         "Viewport",
         "Viewport",
         "Viewport_",
         "Viewport",
         "Viewport origin and dimension in 2d.",
         V4,
         true,
         {}},
        {16,
         "Normal View Matrix",
         "Normal View Matrix",
         "NormalViewMatrix_",
         "Normal View Matrix",
         "Normal view matrix.",
         M3,
         true,
         {}},
        {17,
         "Normal Matrix ",
         "Normal Matrix ",
         "NormalMatrix_",
         "Normal Matrix",
         "Normal matrix.",
         M3,
         true,
         {}},
        {18,
         "Model View Matrix",
         "Model View Matrix ",
         "ModelViewMatrix_",
         "Model View Matrix",
         "Model view matrix.",
         M4,
         true,
         {}},
        {19, "Model Matrix", "Model Matrix", "ModelMatrix_", "Model Matrix", "Model matrix.", M4, true, {}},
        {20,
         "Mix",
         "Mix",
         "Mix_",
         "A*K+B*(1-K)",
         "Input A * Input K + Input B * (1.0 - Input K).",
         N,
         false,
         {{"Input A", "Source input A.", Sc},
          {"Input B", "Source input B.", Sc},
          {"Input K", "Source input K.", F}}},
        {21,
         "Add",
         "Add",
         "Add_",
         "A+B",
         "Input A + Input B.",
         N,
         false,
         {{"Input A", "Source input A.", Sc}, {"Input B", "Source input B.", Sc}}},
        {22,
         "Multiply",
         "Mul",
         "Mul_",
         "A*B",
         "Input A * Input B.",
         N,
         false,
         {{"Input A", "Source input A.", Sc | M3 | M4}, {"Input B", "Source input B.", Sc | M3 | M4}}},
        {23,
         "Subtract",
         "Sub",
         "Sub_",
         "A-B",
         "Input A - Input B.",
         N,
         false,
         {{"Input A", "Source input A.", Sc}, {"Input B", "Source input B.", Sc}}},
        {24,
         "Divide",
         "Div",
         "Div_",
         "A/B",
         "Input A / Input B.",
         N,
         false,
         {{"Input A", "Source input A.", Sc}, {"Input B", "Source input B.", Sc}}},
        {25,
         "Dot",
         "Dot",
         "Dot_",
         "A.Dot(B)",
         "The cosinus of the angle between A and B.",
         N,
         false,
         {{"Input A", "Source input A.", Sc}, {"Input B", "Source input B.", Sc}}},
        {26,
         "Cross",
         "Cross",
         "Crs_",
         "A.Cross(B)",
         "A vector perpendicular to both A and B.",
         N,
         false,
         {{"Input A", "Source input A.", V3}, {"Input B", "Source input B.", V3}}},
        {27,
         "Clamp",
         "Clamp",
         "Clmp_",
         "Clamped",
         "Clamped input.",
         N,
         false,
         {{"Input", "Source to clamp.", Sc}, {"Min", "Minimum value.", Sc}, {"Max", "Maximum value.", Sc}}},
        {28,
         "Normalize",
         "Normalize",
         "Nrmz_",
         "Normalized",
         "Normalized input.",
         N,
         false,
         {{"Input", "Source input.", V2 | V3 | V4}}},
        {29,
         "Swizzle",
         "Swizzle",
         "Swz0000_",
         "Swizzled",
         "Swizzled input.",
         N,
         false,
         {{"Input", "Source input to extract components from.", Sc}}},
        {30,
         "Build",
         "Build",
         "Bld2345_",
         "Built",
         "Built vector.",
         N,
         false,
         {{"Input X", "Source component of the built vector.", Sc},
          {"Input Y", "Source component of the built vector.", Sc},
          {"Input Z", "Source component of the built vector.", Sc},
          {"Input W", "Source component of the built vector.", Sc}}},
        {31,
         "Sinus",
         "Sinus",
         "Sin_",
         "Sinus",
         "Sinus of input.",
         F,
         false,
         {{"Input", "Input value in radian.", F}}},
        {32,
         "Cosinus",
         "Cosinus",
         "Cos_",
         "Cosinus",
         "Cosinus of input.",
         F,
         false,
         {{"Input", "Input value in radian.", F}}},
        {33,
         "Pow",
         "Pow",
         "Pow_",
         "Pow",
         "Value raised to power.",
         F,
         false,
         {{"Value", "Input value.", F}, {"Power", "Power to raise value to.", F}}},
        {34,
         "Abs",
         "Abs",
         "Abs_",
         "Abs",
         "Absolute value of input.",
         N,
         false,
         {{"Value", "Input value.", Sc}}},
        {35,
         "Unpack color to vector",
         "Unpack Color",
         "CToV_",
         "Unpacked [-1;1]",
         "Vector in the [-1;1] range.",
         N,
         false,
         {{"Input", "Vector in the [0;1] range.", V3 | V4}}},
        {36,
         "Pack vector to color",
         "Pack Vector",
         "VToC_",
         "Packed [0;1]",
         "Vector in the [0;1] range.",
         N,
         false,
         {{"Input", "Vector in the [-1;1] range.", V3 | V4}}},
        {37, "Clock", "Clock", "Clk_", "Clock (s)", "System clock in second.", F, true, {}},
    };
    ASSERT_EQ(sizeof(rows) / sizeof(rows[0]), size_t(ShaderBlockTypeCount - 1));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typeName);
        EXPECT_STREQ(GetShaderBlockTypeName(row.type), row.typeName);
        BlockPtr block(NewShaderBlock(row.type));
        BlockPtr twin(NewShaderBlock(row.type));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block->GetType(), row.type);
        EXPECT_STREQ(block->GetName().CStr(), row.nodeName);
        EXPECT_STREQ(block->GetPrefix().CStr(), row.prefix);
        EXPECT_STREQ(block->GetOutputInfo()->label, row.label);
        EXPECT_STREQ(block->GetOutputInfo()->description, row.description);
        EXPECT_EQ(block->GetOutputType(), row.outputType);
        EXPECT_EQ(IsEquivalent(block.get(), twin.get()), row.equivalent);
        ASSERT_EQ(block->GetInputCount(), u32(row.inputs.size()));
        for (u32 k = 0; k < block->GetInputCount(); ++k) {
            const zShaderInputInfo* info = block->GetInputInfo(k);
            ASSERT_NE(info, nullptr);
            EXPECT_STREQ(info->name, row.inputs[k].name) << k;
            EXPECT_STREQ(info->description, row.inputs[k].description) << k;
            EXPECT_EQ(info->acceptedTypes, row.inputs[k].mask) << k;
        }
    }
}

// ---- Output types ----

struct OutputCase {
    const char* what;
    std::function<zShaderBlock*(std::vector<BlockPtr>&)> build; // keeps the blocks it makes alive
    u32 expected;
};

// Keeps a block alive for the case and returns it.
template <typename T, typename... Args> T* Make(std::vector<BlockPtr>& keep, Args... args) {
    T* block = new T(args...);
    keep.emplace_back(block);
    return block;
}

zShaderBlock* Vec(std::vector<BlockPtr>& keep, u32 type) {
    auto* constant = Make<zConstantShaderBlock>(keep);
    constant->SetConstantType(type);
    return constant;
}

TEST(ShaderBlockOutputType, RulesOfEveryKind) {
    const OutputCase cases[] = {
        {"Mul(mat3, vec3)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeMat3), Vec(k, ShaderTypeVec3));
         },
         ShaderTypeVec3},
        {"Mul(vec3, mat3)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), Vec(k, ShaderTypeMat3));
         },
         ShaderTypeVec3},
        {"Mul(mat4, vec4)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeMat4), Vec(k, ShaderTypeVec4));
         },
         ShaderTypeVec4},
        {"Mul(mat4, vec3)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeMat4), Vec(k, ShaderTypeVec3));
         },
         ShaderTypeNone},
        {"Mul(float, vec3)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeFloat), Vec(k, ShaderTypeVec3));
         },
         ShaderTypeNone},
        {"Mul(mat3, mat3)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeMat3), Vec(k, ShaderTypeMat3));
         },
         ShaderTypeNone},
        {"Mul(mat4, float)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeMat4), Vec(k, ShaderTypeFloat));
         },
         ShaderTypeNone},
        {"Mul(vec2, vec2)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeVec2), Vec(k, ShaderTypeVec2));
         },
         ShaderTypeVec2},
        {"Mul(sampler, sampler)",
         [](auto& k) {
             return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeSampler2d),
                                                  Vec(k, ShaderTypeSampler2d));
         },
         ShaderTypeNone},
        {"Mul(vec3, unset)",
         [](auto& k) { return Make<zMulOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), nullptr); },
         ShaderTypeNone},
        {"Swizzle(x, y, n, n) of vec4",
         [](auto& k) {
             return Make<zSwizzleShaderBlock>(k, Vec(k, ShaderTypeVec4), u32(SwizzleX), u32(SwizzleY), 0u,
                                              0u);
         },
         ShaderTypeVec2},
        {"Swizzle(n, n, n, n) of vec4",
         [](auto& k) { return Make<zSwizzleShaderBlock>(k, Vec(k, ShaderTypeVec4), 0u, 0u, 0u, 0u); },
         ShaderTypeNone},
        {"Swizzle(w) of a float keeps one component",
         [](auto& k) {
             return Make<zSwizzleShaderBlock>(k, Vec(k, ShaderTypeFloat), u32(SwizzleW), 0u, 0u, 0u);
         },
         ShaderTypeFloat},
        {"Swizzle(x, y, z, w) of nothing",
         [](auto& k) { return Make<zSwizzleShaderBlock>(k, Vec(k, ShaderTypeNone), 1u, 2u, 3u, 4u); },
         ShaderTypeNone},
        {"Swizzle unset", [](auto& k) { return Make<zSwizzleShaderBlock>(k, nullptr, 1u, 2u, 3u, 4u); },
         ShaderTypeNone},
        {"Build(x, y, z, 1) of three inputs",
         [](auto& k) {
             return Make<zBuildShaderBlock>(k, Vec(k, ShaderTypeFloat), u32(BuildX), Vec(k, ShaderTypeVec3),
                                            u32(BuildY), Vec(k, ShaderTypeVec3), u32(BuildZ), nullptr,
                                            u32(BuildOne));
         },
         ShaderTypeVec4},
        {"Build(x, y, z, 1) with Y unset stops at Y",
         [](auto& k) {
             return Make<zBuildShaderBlock>(k, Vec(k, ShaderTypeFloat), u32(BuildX), nullptr, u32(BuildY),
                                            Vec(k, ShaderTypeVec3), u32(BuildZ), nullptr, u32(BuildOne));
         },
         ShaderTypeFloat},
        {"Build(0, 1, 0, 1) of constants only",
         [](auto& k) {
             return Make<zBuildShaderBlock>(k, nullptr, u32(BuildZero), nullptr, u32(BuildOne), nullptr,
                                            u32(BuildZero), nullptr, u32(BuildOne));
         },
         ShaderTypeVec4},
        {"Build(x, ...) with X unset", [](auto& k) { return Make<zBuildShaderBlock>(k); }, ShaderTypeNone},
        {"Build with an input of no output",
         [](auto& k) {
             return Make<zBuildShaderBlock>(k, Vec(k, ShaderTypeNone), u32(BuildX), nullptr, u32(BuildOne),
                                            nullptr, u32(BuildOne), nullptr, u32(BuildOne));
         },
         ShaderTypeNone},
        {"Mix with K a vec2 (constructor, no test)",
         [](auto& k) {
             return Make<zMixOperatorShaderBlock>(k, Vec(k, ShaderTypeVec4), Vec(k, ShaderTypeVec4),
                                                  Vec(k, ShaderTypeVec2));
         },
         ShaderTypeNone},
        {"Mix(vec4, vec4, float)",
         [](auto& k) {
             return Make<zMixOperatorShaderBlock>(k, Vec(k, ShaderTypeVec4), Vec(k, ShaderTypeVec4),
                                                  Vec(k, ShaderTypeFloat));
         },
         ShaderTypeVec4},
        {"Mix(vec3, vec4, float)",
         [](auto& k) {
             return Make<zMixOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), Vec(k, ShaderTypeVec4),
                                                  Vec(k, ShaderTypeFloat));
         },
         ShaderTypeNone},
        {"Mix without K",
         [](auto& k) {
             return Make<zMixOperatorShaderBlock>(k, Vec(k, ShaderTypeVec4), Vec(k, ShaderTypeVec4));
         },
         ShaderTypeNone},
        {"Cross(vec3, float)",
         [](auto& k) {
             return Make<zCrossOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), Vec(k, ShaderTypeFloat));
         },
         ShaderTypeVec3},
        {"Cross(vec2, vec2)",
         [](auto& k) {
             return Make<zCrossOperatorShaderBlock>(k, Vec(k, ShaderTypeVec2), Vec(k, ShaderTypeVec2));
         },
         ShaderTypeVec3},
        {"Cross(float, vec3)",
         [](auto& k) {
             return Make<zCrossOperatorShaderBlock>(k, Vec(k, ShaderTypeFloat), Vec(k, ShaderTypeVec3));
         },
         ShaderTypeNone},
        {"Add(vec3, vec3)",
         [](auto& k) {
             return Make<zAddOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), Vec(k, ShaderTypeVec3));
         },
         ShaderTypeVec3},
        {"Sub(vec3, vec4)",
         [](auto& k) {
             return Make<zSubOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), Vec(k, ShaderTypeVec4));
         },
         ShaderTypeNone},
        {"Div(float, unset)",
         [](auto& k) { return Make<zDivOperatorShaderBlock>(k, Vec(k, ShaderTypeFloat)); }, ShaderTypeNone},
        {"Dot(vec3, vec3)",
         [](auto& k) {
             return Make<zDotOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), Vec(k, ShaderTypeVec3));
         },
         ShaderTypeFloat},
        {"Dot(vec3, vec2)",
         [](auto& k) {
             return Make<zDotOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3), Vec(k, ShaderTypeVec2));
         },
         ShaderTypeNone},
        {"Clamp(vec2, vec2, vec2)",
         [](auto& k) {
             return Make<zClampShaderBlock>(k, Vec(k, ShaderTypeVec2), Vec(k, ShaderTypeVec2),
                                            Vec(k, ShaderTypeVec2));
         },
         ShaderTypeVec2},
        {"Clamp(vec2, vec2, float)",
         [](auto& k) {
             return Make<zClampShaderBlock>(k, Vec(k, ShaderTypeVec2), Vec(k, ShaderTypeVec2),
                                            Vec(k, ShaderTypeFloat));
         },
         ShaderTypeNone},
        {"Normalize(vec3)",
         [](auto& k) { return Make<zNormalizeOperatorShaderBlock>(k, Vec(k, ShaderTypeVec3)); },
         ShaderTypeVec3},
        {"Normalize unset", [](auto& k) { return Make<zNormalizeOperatorShaderBlock>(k); }, ShaderTypeNone},
        {"Abs(vec2)", [](auto& k) { return Make<zAbsShaderBlock>(k, Vec(k, ShaderTypeVec2)); },
         ShaderTypeVec2},
        {"Unpack(vec4)",
         [](auto& k) { return Make<zUnpackColorToVectorShaderBlock>(k, Vec(k, ShaderTypeVec4)); },
         ShaderTypeVec4},
        {"Pack unset", [](auto& k) { return Make<zPackVectorToColorShaderBlock>(k); }, ShaderTypeNone},
        {"Sinus unset is float", [](auto& k) { return Make<zSinusShaderBlock>(k); }, ShaderTypeFloat},
        {"Pow unset is float", [](auto& k) { return Make<zPowShaderBlock>(k); }, ShaderTypeFloat},
        {"Sampler without inputs", [](auto& k) { return Make<zSampler2dShaderBlock>(k); }, ShaderTypeNone},
        {"Sampler with texture only",
         [](auto& k) { return Make<zSampler2dShaderBlock>(k, Make<zTextureShaderBlock>(k)); },
         ShaderTypeNone},
        {"Sampler with texture and UV",
         [](auto& k) {
             return Make<zSampler2dShaderBlock>(k, Make<zTextureShaderBlock>(k),
                                                Make<zGeometryUVShaderBlock>(k, 1u));
         },
         ShaderTypeVec4},
        {"Constant()", [](auto& k) { return Make<zConstantShaderBlock>(k); }, ShaderTypeNone},
        {"Constant(a, b)", [](auto& k) { return Make<zConstantShaderBlock>(k, 0.5f, 0.5f); }, ShaderTypeVec2},
        {"Material parameter 0", [](auto& k) { return Make<zMaterialParamShaderBlock>(k, 0u); },
         ShaderTypeVec4},
        {"Material parameter 4", [](auto& k) { return Make<zMaterialParamShaderBlock>(k, 4u); },
         ShaderTypeFloat},
        {"Material parameter 5", [](auto& k) { return Make<zMaterialParamShaderBlock>(k, 5u); },
         ShaderTypeFloat},
        {"Material parameter 6", [](auto& k) { return Make<zMaterialParamShaderBlock>(k, 6u); },
         ShaderTypeVec4},
        {"Geometry normal", [](auto& k) { return Make<zGeometryNormalShaderBlock>(k); }, ShaderTypeVec3},
        {"Geometry vertex", [](auto& k) { return Make<zGeometryVertexShaderBlock>(k); }, ShaderTypeVec4},
        {"Geometry skinning", [](auto& k) { return Make<zGeometrySkinningShaderBlock>(k); }, ShaderTypeMat4},
        {"Tangent frame", [](auto& k) { return Make<zGeometryTangentFrameShaderBlock>(k); }, ShaderTypeMat3},
        {"Render buffer", [](auto& k) { return Make<zRenderBufferShaderBlock>(k, 2u); }, ShaderTypeSampler2d},
        {"Viewport", [](auto& k) { return Make<zViewportShaderBlock>(k); }, ShaderTypeVec4},
        {"Screen UV", [](auto& k) { return Make<zScreenUVShaderBlock>(k); }, ShaderTypeVec2},
        {"Color", [](auto& k) { return Make<zColorShaderBlock>(k); }, ShaderTypeVec4},
    };
    for (const auto& c : cases) {
        std::vector<BlockPtr> keep;
        zShaderBlock* block = c.build(keep);
        EXPECT_EQ(block->GetOutputType(), c.expected) << c.what;
    }
}

// Vertex colours are emitted as vec4 and their alpha is read: a vec3 type
// made every swizzle of w impossible.
TEST(ShaderBlockOutputType, GeometryRgbOutputsVec4WithAlpha) {
    zGeometryVertexColorShaderBlock color;
    EXPECT_EQ(color.GetOutputType(), u32(ShaderTypeVec4));
    zSwizzleShaderBlock alpha(&color, SwizzleW);
    EXPECT_EQ(alpha.GetOutputType(), u32(ShaderTypeFloat));
    zMulOperatorShaderBlock modulate;
    zMaterialParamShaderBlock diffuse(0);
    EXPECT_TRUE(modulate.SetInput(0, &diffuse));
    EXPECT_TRUE(modulate.SetInput(1, &color));
    EXPECT_EQ(modulate.GetOutputType(), u32(ShaderTypeVec4));
}

// ---- Prefixes ----

TEST(ShaderBlockPrefix, FilledFromEachKindsData) {
    std::vector<BlockPtr> keep;
    auto* swizzle = Make<zSwizzleShaderBlock>(keep, nullptr, 1u, 2u, 3u, 0u);
    auto* sampler = Make<zSampler2dShaderBlock>(keep);
    auto* samplerTF = Make<zSampler2dShaderBlock>(keep);
    samplerTF->SetWrap(true, false);
    auto* samplerFF = Make<zSampler2dShaderBlock>(keep);
    samplerFF->SetWrap(false, false);
    auto* vec3 = Make<zConstantShaderBlock>(keep);
    vec3->SetConstantType(ShaderTypeVec3);
    auto* vec4 = Make<zConstantShaderBlock>(keep);
    vec4->SetConstantType(ShaderTypeVec4);
    auto* scalar = Make<zConstantShaderBlock>(keep);
    scalar->SetConstantType(ShaderTypeFloat);
    auto* smooth = Make<zGeometryNormalShaderBlock>(keep, 1u);

    const struct {
        zShaderBlock* block;
        const char* prefix;
    } cases[] = {
        {swizzle, "Swz1230_"},
        {Make<zSwizzleShaderBlock>(keep, nullptr, 1u, 2u, 3u, 4u), "Swz1234_"},
        {Make<zBuildShaderBlock>(keep), "Bld2345_"},
        {Make<zBuildShaderBlock>(keep, nullptr, 2u, nullptr, 3u, nullptr, 0u, nullptr, 1u), "Bld2301_"},
        {sampler, "Spl2dTT_"},
        {samplerTF, "Spl2dTF_"},
        {samplerFF, "Spl2dFF_"},
        {Make<zConstantShaderBlock>(keep), "ConstNone_"},
        {scalar, "ConstFloat_"},
        {Make<zConstantShaderBlock>(keep, 1.0f, 2.0f), "ConstVec2_"},
        {vec3, "ConstVec3_"},
        {vec4, "ConstVec4_"},
        {Make<zGeometryUVShaderBlock>(keep, 2u), "UV2_"},
        {Make<zMaterialParamShaderBlock>(keep, 5u), "MatParm5_"},
        {Make<zGeometryNormalShaderBlock>(keep), "Nrm_"},
        {smooth, "NrmSmt_"},
        {Make<zGeometryVertexShaderBlock>(keep), "Vertex_"},
        {Make<zGeometryVertexColorShaderBlock>(keep), "VtxClr_"},
        {Make<zCrossOperatorShaderBlock>(keep), "Crs_"},
        {Make<zUnpackColorToVectorShaderBlock>(keep), "CToV_"},
        {Make<zClockShaderBlock>(keep), "Clk_"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.block->GetPrefix().CStr(), c.prefix) << c.prefix;
}

TEST(ShaderBlockPrefix, UnknownConstantTypeLogsAndGivesUnk) {
    LogCapture log;
    zConstantShaderBlock constant;
    constant.SetConstantType(2);
    EXPECT_STREQ(constant.GetPrefix().CStr(), "ConstUnk_");
    EXPECT_EQ(log.Text(), "[!] Unknown constant.\n");
}

// ---- SetInput ----

TEST(ShaderBlockSetInput, RefusesAMismatchedTypeAndKeepsTheInput) {
    zTextureShaderBlock texture;
    zGeometryUVShaderBlock uv(0);
    zSampler2dShaderBlock sampler(nullptr, &uv);
    EXPECT_FALSE(sampler.SetInput(1, &texture));
    EXPECT_EQ(sampler.GetInput(1), &uv);
    EXPECT_FALSE(sampler.SetInput(0, &uv));
    EXPECT_EQ(sampler.GetInput(0), nullptr);
    EXPECT_TRUE(sampler.SetInput(0, &texture));
    EXPECT_EQ(sampler.GetInput(0), &texture);
    EXPECT_EQ(sampler.GetOutputType(), u32(ShaderTypeVec4));
}

TEST(ShaderBlockSetInput, IndexPastTheInputsIsRefusedAndNullDisconnects) {
    zColorShaderBlock a;
    zColorShaderBlock b;
    zAddOperatorShaderBlock add(&a, &b);
    EXPECT_FALSE(add.SetInput(2, &a));
    EXPECT_FALSE(add.SetInput(0xFFFFFFFFu, &a));
    EXPECT_TRUE(add.SetInput(1, nullptr));
    EXPECT_EQ(add.GetInput(1), nullptr);
    EXPECT_EQ(add.GetOutputType(), u32(ShaderTypeNone));
    EXPECT_TRUE(add.SetInput(2, nullptr) == false);

    zClockShaderBlock source;
    EXPECT_FALSE(source.SetInput(0, &a));
    EXPECT_FALSE(source.SetInput(0, nullptr));
}

TEST(ShaderBlockSetInput, InputOfNoOutputIsRefused) {
    zSwizzleShaderBlock empty; // no input: outputs none
    zNormalizeOperatorShaderBlock normalize;
    EXPECT_FALSE(normalize.SetInput(0, &empty));
}

TEST(ShaderBlockSetInput, RefusesACycleWithALogLine) {
    LogCapture log;
    zColorShaderBlock color;
    zAbsShaderBlock first(&color);
    zAbsShaderBlock second(&first);
    zAbsShaderBlock third(&second);

    EXPECT_FALSE(first.SetInput(0, &first));
    EXPECT_EQ(first.GetInput(0), &color);
    EXPECT_FALSE(first.SetInput(0, &third));
    EXPECT_EQ(first.GetInput(0), &color);
    EXPECT_EQ(log.Text(), "[!] Cannot connect 'Abs' to input 0 of 'Abs', it would make a cycle.\n"
                          "[!] Cannot connect 'Abs' to input 0 of 'Abs', it would make a cycle.\n");
    EXPECT_FALSE(ShaderBlockReaches(&color, &third));
    EXPECT_TRUE(ShaderBlockReaches(&third, &color));
}

TEST(ShaderBlockSetInput, SharedInputIsNoCycle) {
    LogCapture log;
    zColorShaderBlock color;
    zAbsShaderBlock left(&color);
    zAddOperatorShaderBlock add(&left, &color);
    zAddOperatorShaderBlock top;
    EXPECT_TRUE(top.SetInput(0, &add));
    EXPECT_TRUE(top.SetInput(1, &left));
    EXPECT_EQ(top.GetOutputType(), u32(ShaderTypeVec4));
    EXPECT_EQ(log.Text(), "");
}

// ---- Equivalence ----

TEST(ShaderBlockEquivalence, SourcesByTheirData) {
    FakeTextureLoader textures;
    zTexture* brick = textures.Add("brick.tga");
    zTexture* stone = textures.Add("stone.tga");
    std::vector<BlockPtr> keep;
    auto* color = Make<zColorShaderBlock>(keep);

    const struct {
        const char* what;
        zShaderBlock* a;
        zShaderBlock* b;
        bool equivalent;
    } cases[] = {
        {"UV 0 and UV 0", Make<zGeometryUVShaderBlock>(keep, 0u), Make<zGeometryUVShaderBlock>(keep, 0u),
         true},
        {"UV 0 and UV 1", Make<zGeometryUVShaderBlock>(keep, 0u), Make<zGeometryUVShaderBlock>(keep, 1u),
         false},
        {"two colours", Make<zColorShaderBlock>(keep), Make<zColorShaderBlock>(keep), false},
        {"a colour and itself", color, color, true},
        {"two clocks", Make<zClockShaderBlock>(keep), Make<zClockShaderBlock>(keep), true},
        {"normal and smooth normal", Make<zGeometryNormalShaderBlock>(keep, 0u),
         Make<zGeometryNormalShaderBlock>(keep, 1u), true},
        {"parameter 1 and 1", Make<zMaterialParamShaderBlock>(keep, 1u),
         Make<zMaterialParamShaderBlock>(keep, 1u), true},
        {"parameter 1 and 2", Make<zMaterialParamShaderBlock>(keep, 1u),
         Make<zMaterialParamShaderBlock>(keep, 2u), false},
        {"buffer 3 and 3", Make<zRenderBufferShaderBlock>(keep, 3u), Make<zRenderBufferShaderBlock>(keep, 3u),
         true},
        {"same texture", Make<zTextureShaderBlock>(keep, brick), Make<zTextureShaderBlock>(keep, brick),
         true},
        {"other texture", Make<zTextureShaderBlock>(keep, brick), Make<zTextureShaderBlock>(keep, stone),
         false},
        {"vertex and normal", Make<zGeometryVertexShaderBlock>(keep), Make<zGeometryNormalShaderBlock>(keep),
         false},
        {"two constants", Make<zConstantShaderBlock>(keep, 1.0f, 1.0f),
         Make<zConstantShaderBlock>(keep, 1.0f, 1.0f), false},
        {"two empty adds", Make<zAddOperatorShaderBlock>(keep), Make<zAddOperatorShaderBlock>(keep), false},
        {"view matrices", Make<zModelViewMatrixShaderBlock>(keep), Make<zModelViewMatrixShaderBlock>(keep),
         true},
        {"a block and null", color, nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsEquivalent(c.a, c.b), c.equivalent) << c.what;
}

// ---- Texture reference ----

TEST(ShaderBlockTexture, HoldsACountedReference) {
    FakeTextureLoader textures;
    zTexture* texture = textures.Add("wall.tga");
    const u32 before = texture->GetRefCount();
    {
        zTextureShaderBlock block(texture);
        EXPECT_EQ(texture->GetRefCount(), before + 1);
        block.SetTexture(nullptr);
        EXPECT_EQ(texture->GetRefCount(), before);
        block.SetTexture(texture);
        EXPECT_EQ(block.GetTexture(), texture);
    }
    EXPECT_EQ(texture->GetRefCount(), before);

    // The block keeps the texture alive after every other holder let go.
    zTextureShaderBlock survivor(texture);
    textures.textures.clear();
    ASSERT_EQ(survivor.GetTexture()->GetRefCount(), 1u);
    EXPECT_STREQ(survivor.GetTexture()->GetName().CStr(), "wall.tga");
}

// ---- CollectBlocks ----

TEST(ShaderBlockCollect, PostOrderEachBlockOnce) {
    zColorShaderBlock color;
    zGeometryUVShaderBlock uv(0);
    zTextureShaderBlock texture;
    zSampler2dShaderBlock sampler(&texture, &uv);
    zMulOperatorShaderBlock mul(&sampler, &color);
    zAddOperatorShaderBlock add(&mul, &sampler);

    zList<zShaderBlock*> list;
    CollectBlocks(&add, list);
    const std::vector<zShaderBlock*> expected = {&texture, &uv, &sampler, &color, &mul, &add};
    EXPECT_EQ(ToVector(list), expected);

    // Blocks already listed are kept and not repeated.
    zList<zShaderBlock*> seeded;
    seeded.Add(&color);
    CollectBlocks(&mul, seeded);
    const std::vector<zShaderBlock*> seededExpected = {&color, &texture, &uv, &sampler, &mul};
    EXPECT_EQ(ToVector(seeded), seededExpected);

    CollectBlocks(nullptr, seeded);
    EXPECT_EQ(seeded.GetCount(), 5u);
}

TEST(ShaderBlockCollect, SkipsUnsetInputs) {
    zColorShaderBlock color;
    zMixOperatorShaderBlock mix(nullptr, &color, nullptr);
    zList<zShaderBlock*> list;
    CollectBlocks(&mix, list);
    const std::vector<zShaderBlock*> expected = {&color, &mix};
    EXPECT_EQ(ToVector(list), expected);
}

// A chain far deeper than any call stack allows for a recursive walk.
TEST(ShaderBlockCollect, LongChainDoesNotExhaustTheStack) {
    constexpr int Length = 200000;
    std::vector<BlockPtr> chain;
    chain.emplace_back(new zColorShaderBlock());
    for (int i = 1; i < Length; ++i)
        chain.emplace_back(new zAbsShaderBlock(chain.back().get()));
    zList<zShaderBlock*> list;
    CollectBlocks(chain.back().get(), list);
    EXPECT_EQ(list.GetCount(), u32(Length));
    EXPECT_EQ(list.GetHead()->value, chain.front().get());
    EXPECT_TRUE(ShaderBlockReaches(chain.back().get(), chain.front().get()));
    EXPECT_EQ(chain.back()->GetOutputType(), u32(ShaderTypeVec4));
    zNormalizeOperatorShaderBlock top;
    EXPECT_TRUE(top.SetInput(0, chain.back().get()));
    // Destroy from the top so that no block outlives its inputs' users.
    while (!chain.empty())
        chain.pop_back();
}

// Diamonds of shared inputs: a walk that re-enters shared blocks takes 2^n steps.
TEST(ShaderBlockCollect, DeepDiamondsAreWalkedOnce) {
    std::vector<BlockPtr> keep;
    keep.emplace_back(new zColorShaderBlock());
    for (int i = 0; i < 64; ++i) {
        zShaderBlock* below = keep.back().get();
        keep.emplace_back(new zAddOperatorShaderBlock(below, below));
    }
    zList<zShaderBlock*> list;
    CollectBlocks(keep.back().get(), list);
    EXPECT_EQ(list.GetCount(), 65u);
    EXPECT_EQ(keep.back()->GetOutputType(), u32(ShaderTypeVec4));
    zClockShaderBlock elsewhere;
    EXPECT_FALSE(ShaderBlockReaches(keep.back().get(), &elsewhere));
}

} // namespace
