#include "render/shader/shader_block.h"

#include <cassert>
#include <initializer_list>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/log.h"
#include "render/shader/shader_block_table.h"
#include "render/texture.h"

namespace {

constexpr u32 Scalars = ShaderTypeFloat | ShaderTypeVec2 | ShaderTypeVec3 | ShaderTypeVec4;
constexpr u32 Vectors = ShaderTypeVec2 | ShaderTypeVec3 | ShaderTypeVec4;
constexpr u32 Colors = ShaderTypeVec3 | ShaderTypeVec4;
constexpr u32 Multipliable = Scalars | ShaderTypeMat3 | ShaderTypeMat4;

const zShaderInputInfo SamplerInputs[] = {
    {"Texture", "Texture input.", ShaderTypeSampler2d},
    {"UV Stream", "UV stream input.", ShaderTypeVec2},
};
const zShaderInputInfo MixInputs[] = {
    {"Input A", "Source input A.", Scalars},
    {"Input B", "Source input B.", Scalars},
    {"Input K", "Source input K.", ShaderTypeFloat},
};
const zShaderInputInfo BinaryInputs[] = {
    {"Input A", "Source input A.", Scalars},
    {"Input B", "Source input B.", Scalars},
};
const zShaderInputInfo MulInputs[] = {
    {"Input A", "Source input A.", Multipliable},
    {"Input B", "Source input B.", Multipliable},
};
const zShaderInputInfo CrossInputs[] = {
    {"Input A", "Source input A.", ShaderTypeVec3},
    {"Input B", "Source input B.", ShaderTypeVec3},
};
const zShaderInputInfo ClampInputs[] = {
    {"Input", "Source to clamp.", Scalars},
    {"Min", "Minimum value.", Scalars},
    {"Max", "Maximum value.", Scalars},
};
const zShaderInputInfo NormalizeInputs[] = {{"Input", "Source input.", Vectors}};
const zShaderInputInfo SwizzleInputs[] = {{"Input", "Source input to extract components from.", Scalars}};
const zShaderInputInfo BuildInputs[] = {
    {"Input X", "Source component of the built vector.", Scalars},
    {"Input Y", "Source component of the built vector.", Scalars},
    {"Input Z", "Source component of the built vector.", Scalars},
    {"Input W", "Source component of the built vector.", Scalars},
};
const zShaderInputInfo AngleInputs[] = {{"Input", "Input value in radian.", ShaderTypeFloat}};
const zShaderInputInfo PowInputs[] = {
    {"Value", "Input value.", ShaderTypeFloat},
    {"Power", "Power to raise value to.", ShaderTypeFloat},
};
const zShaderInputInfo AbsInputs[] = {{"Value", "Input value.", Scalars}};
const zShaderInputInfo UnpackInputs[] = {{"Input", "Vector in the [0;1] range.", Colors}};
const zShaderInputInfo PackInputs[] = {{"Input", "Vector in the [-1;1] range.", Colors}};

template <typename T> zShaderBlock* Create() {
    return new (std::nothrow) T();
}

#define ZE_INPUTS(array) static_cast<u32>(sizeof(array) / sizeof(array[0])), array

// Indexed by type id; row 0 only names "None".
const zShaderBlockTypeInfo BlockTable[ShaderBlockTypeCount] = {
    {ShaderBlockNone,
     "None",
     "",
     "",
     0,
     nullptr,
     {"", ""},
     OutputRuleFixed,
     ShaderTypeNone,
     EquivalentNever,
     nullptr},
    {ShaderBlockGeometryVertex,
     "Invalid",
     "Vertex Stream",
     "Vertex_",
     0,
     nullptr,
     {"Vertex", "Vertex stream."},
     OutputRuleFixed,
     ShaderTypeVec4,
     EquivalentAlways,
     Create<zGeometryVertexShaderBlock>},
    {ShaderBlockGeometryNormal,
     "Geometry Normal",
     "Normal Stream",
     "Nrm_",
     0,
     nullptr,
     {"Normal", "Normal stream."},
     OutputRuleFixed,
     ShaderTypeVec3,
     EquivalentAlways,
     Create<zGeometryNormalShaderBlock>},
    {ShaderBlockGeometryUV,
     "Geometry UV",
     "UV Stream",
     "UV%d_",
     0,
     nullptr,
     {"UV", "UV stream."},
     OutputRuleFixed,
     ShaderTypeVec2,
     EquivalentByData,
     Create<zGeometryUVShaderBlock>},
    {ShaderBlockGeometrySkinning,
     "Geometry Skinning",
     "Skinning Matrix",
     "SkinMtx_",
     0,
     nullptr,
     {"Skinned", "Skinned vector."},
     OutputRuleFixed,
     ShaderTypeMat4,
     EquivalentAlways,
     Create<zGeometrySkinningShaderBlock>},
    // Vertex colours are RGBA: every generator emits a vec4 and the
    // fixed-function conversion takes the alpha.
    {ShaderBlockGeometryVertexColor,
     "Geometry RGB",
     "Vertex Color Stream",
     "VtxClr_",
     0,
     nullptr,
     {"Color", "Vertex color stream."},
     OutputRuleFixed,
     ShaderTypeVec4,
     EquivalentAlways,
     Create<zGeometryVertexColorShaderBlock>},
    {ShaderBlockGeometryTangentFrame,
     "Geometry Tangent Frame",
     "Tangent Frame",
     "TngFrm_",
     0,
     nullptr,
     {"Tangent", "Tangent frame."},
     OutputRuleFixed,
     ShaderTypeMat3,
     EquivalentAlways,
     Create<zGeometryTangentFrameShaderBlock>},
    {ShaderBlockRenderBuffer,
     "Render Buffer",
     "Render Buffer",
     "RenderBuf_",
     0,
     nullptr,
     {"Buffer", "Texture object."},
     OutputRuleFixed,
     ShaderTypeSampler2d,
     EquivalentByData,
     Create<zRenderBufferShaderBlock>},
    {ShaderBlockTexture,
     "Texture",
     "Texture",
     "Tex_",
     0,
     nullptr,
     {"Texture", "Texture object."},
     OutputRuleFixed,
     ShaderTypeSampler2d,
     EquivalentByData,
     Create<zTextureShaderBlock>},
    {ShaderBlockSampler2d,
     "Sampler 2D",
     "Sampler 2D",
     "Spl2d%s%s_",
     ZE_INPUTS(SamplerInputs),
     {"Texel", "Texture sample."},
     OutputRuleSampler,
     0,
     EquivalentNever,
     Create<zSampler2dShaderBlock>},
    {ShaderBlockConstant,
     "Constant",
     "Constant",
     "Const%s_",
     0,
     nullptr,
     {"Constant", "Constant value."},
     OutputRuleConstant,
     0,
     EquivalentNever,
     Create<zConstantShaderBlock>},
    {ShaderBlockColor,
     "Color",
     "Color",
     "Color_",
     0,
     nullptr,
     {"Color", "RGBA Color."},
     OutputRuleFixed,
     ShaderTypeVec4,
     EquivalentNever,
     Create<zColorShaderBlock>},
    {ShaderBlockMaterialParam,
     "Material Parameter",
     "Material Parameter",
     "MatParm%d_",
     0,
     nullptr,
     {"Parameter", "Material parameter."},
     OutputRuleParameter,
     0,
     EquivalentByData,
     Create<zMaterialParamShaderBlock>},
    {ShaderBlockScreenUV,
     "Screen UV",
     "Screen UV",
     "ScnUV_",
     0,
     nullptr,
     {"Screen UV", "Screen position."},
     OutputRuleFixed,
     ShaderTypeVec2,
     EquivalentAlways,
     Create<zScreenUVShaderBlock>},
    {ShaderBlockViewVector,
     "View Vector",
     "View Vector",
     "ViewV_",
     0,
     nullptr,
     {"World View", "View vector in world space."},
     OutputRuleFixed,
     ShaderTypeVec3,
     EquivalentAlways,
     Create<zViewVectorShaderBlock>},
    {ShaderBlockViewport,
     "Viewport",
     "Viewport",
     "Viewport_",
     0,
     nullptr,
     {"Viewport", "Viewport origin and dimension in 2d."},
     OutputRuleFixed,
     ShaderTypeVec4,
     EquivalentAlways,
     Create<zViewportShaderBlock>},
    {ShaderBlockNormalViewMatrix,
     "Normal View Matrix",
     "Normal View Matrix",
     "NormalViewMatrix_",
     0,
     nullptr,
     {"Normal View Matrix", "Normal view matrix."},
     OutputRuleFixed,
     ShaderTypeMat3,
     EquivalentAlways,
     Create<zNormalViewMatrixShaderBlock>},
    {ShaderBlockNormalMatrix,
     "Normal Matrix ",
     "Normal Matrix ",
     "NormalMatrix_",
     0,
     nullptr,
     {"Normal Matrix", "Normal matrix."},
     OutputRuleFixed,
     ShaderTypeMat3,
     EquivalentAlways,
     Create<zNormalMatrixShaderBlock>},
    {ShaderBlockModelViewMatrix,
     "Model View Matrix",
     "Model View Matrix ",
     "ModelViewMatrix_",
     0,
     nullptr,
     {"Model View Matrix", "Model view matrix."},
     OutputRuleFixed,
     ShaderTypeMat4,
     EquivalentAlways,
     Create<zModelViewMatrixShaderBlock>},
    {ShaderBlockModelMatrix,
     "Model Matrix",
     "Model Matrix",
     "ModelMatrix_",
     0,
     nullptr,
     {"Model Matrix", "Model matrix."},
     OutputRuleFixed,
     ShaderTypeMat4,
     EquivalentAlways,
     Create<zModelMatrixShaderBlock>},
    {ShaderBlockMix,
     "Mix",
     "Mix",
     "Mix_",
     ZE_INPUTS(MixInputs),
     {"A*K+B*(1-K)", "Input A * Input K + Input B * (1.0 - Input K)."},
     OutputRuleMix,
     0,
     EquivalentNever,
     Create<zMixOperatorShaderBlock>},
    {ShaderBlockAdd,
     "Add",
     "Add",
     "Add_",
     ZE_INPUTS(BinaryInputs),
     {"A+B", "Input A + Input B."},
     OutputRuleSameAB,
     0,
     EquivalentNever,
     Create<zAddOperatorShaderBlock>},
    {ShaderBlockMul,
     "Multiply",
     "Mul",
     "Mul_",
     ZE_INPUTS(MulInputs),
     {"A*B", "Input A * Input B."},
     OutputRuleMul,
     0,
     EquivalentNever,
     Create<zMulOperatorShaderBlock>},
    {ShaderBlockSub,
     "Subtract",
     "Sub",
     "Sub_",
     ZE_INPUTS(BinaryInputs),
     {"A-B", "Input A - Input B."},
     OutputRuleSameAB,
     0,
     EquivalentNever,
     Create<zSubOperatorShaderBlock>},
    {ShaderBlockDiv,
     "Divide",
     "Div",
     "Div_",
     ZE_INPUTS(BinaryInputs),
     {"A/B", "Input A / Input B."},
     OutputRuleSameAB,
     0,
     EquivalentNever,
     Create<zDivOperatorShaderBlock>},
    {ShaderBlockDot,
     "Dot",
     "Dot",
     "Dot_",
     ZE_INPUTS(BinaryInputs),
     {"A.Dot(B)", "The cosinus of the angle between A and B."},
     OutputRuleDot,
     0,
     EquivalentNever,
     Create<zDotOperatorShaderBlock>},
    {ShaderBlockCross,
     "Cross",
     "Cross",
     "Crs_",
     ZE_INPUTS(CrossInputs),
     {"A.Cross(B)", "A vector perpendicular to both A and B."},
     OutputRuleCross,
     0,
     EquivalentNever,
     Create<zCrossOperatorShaderBlock>},
    {ShaderBlockClamp,
     "Clamp",
     "Clamp",
     "Clmp_",
     ZE_INPUTS(ClampInputs),
     {"Clamped", "Clamped input."},
     OutputRuleClamp,
     0,
     EquivalentNever,
     Create<zClampShaderBlock>},
    {ShaderBlockNormalize,
     "Normalize",
     "Normalize",
     "Nrmz_",
     ZE_INPUTS(NormalizeInputs),
     {"Normalized", "Normalized input."},
     OutputRuleInput,
     0,
     EquivalentNever,
     Create<zNormalizeOperatorShaderBlock>},
    {ShaderBlockSwizzle,
     "Swizzle",
     "Swizzle",
     "Swz%d%d%d%d_",
     ZE_INPUTS(SwizzleInputs),
     {"Swizzled", "Swizzled input."},
     OutputRuleSwizzle,
     0,
     EquivalentNever,
     Create<zSwizzleShaderBlock>},
    {ShaderBlockBuild,
     "Build",
     "Build",
     "Bld%d%d%d%d_",
     ZE_INPUTS(BuildInputs),
     {"Built", "Built vector."},
     OutputRuleBuild,
     0,
     EquivalentNever,
     Create<zBuildShaderBlock>},
    {ShaderBlockSinus,
     "Sinus",
     "Sinus",
     "Sin_",
     ZE_INPUTS(AngleInputs),
     {"Sinus", "Sinus of input."},
     OutputRuleFixed,
     ShaderTypeFloat,
     EquivalentNever,
     Create<zSinusShaderBlock>},
    {ShaderBlockCosinus,
     "Cosinus",
     "Cosinus",
     "Cos_",
     ZE_INPUTS(AngleInputs),
     {"Cosinus", "Cosinus of input."},
     OutputRuleFixed,
     ShaderTypeFloat,
     EquivalentNever,
     Create<zCosinusShaderBlock>},
    {ShaderBlockPow,
     "Pow",
     "Pow",
     "Pow_",
     ZE_INPUTS(PowInputs),
     {"Pow", "Value raised to power."},
     OutputRuleFixed,
     ShaderTypeFloat,
     EquivalentNever,
     Create<zPowShaderBlock>},
    {ShaderBlockAbs,
     "Abs",
     "Abs",
     "Abs_",
     ZE_INPUTS(AbsInputs),
     {"Abs", "Absolute value of input."},
     OutputRuleInput,
     0,
     EquivalentNever,
     Create<zAbsShaderBlock>},
    {ShaderBlockUnpackColorToVector,
     "Unpack color to vector",
     "Unpack Color",
     "CToV_",
     ZE_INPUTS(UnpackInputs),
     {"Unpacked [-1;1]", "Vector in the [-1;1] range."},
     OutputRuleInput,
     0,
     EquivalentNever,
     Create<zUnpackColorToVectorShaderBlock>},
    {ShaderBlockPackVectorToColor,
     "Pack vector to color",
     "Pack Vector",
     "VToC_",
     ZE_INPUTS(PackInputs),
     {"Packed [0;1]", "Vector in the [0;1] range."},
     OutputRuleInput,
     0,
     EquivalentNever,
     Create<zPackVectorToColorShaderBlock>},
    {ShaderBlockClock,
     "Clock",
     "Clock",
     "Clk_",
     0,
     nullptr,
     {"Clock (s)", "System clock in second."},
     OutputRuleFixed,
     ShaderTypeFloat,
     EquivalentAlways,
     Create<zClockShaderBlock>},
};

#undef ZE_INPUTS

const zShaderBlockTypeInfo& InfoOf(const zShaderBlock* block) {
    const zShaderBlockTypeInfo* info = GetShaderBlockTypeInfo(block->GetType());
    assert(info);
    return *info;
}

bool IsTypeOf(u32 mask, std::initializer_list<u32> types) {
    for (u32 type : types) {
        if (mask == type) return true;
    }
    return false;
}

// Multiplication: equal scalar or vector types, or a matrix with the vector
// of its size in either order.
u32 MulOutputType(u32 a, u32 b) {
    const u32 lo = a < b ? a : b;
    const u32 hi = a < b ? b : a;
    if (IsTypeOf(hi, {ShaderTypeFloat, ShaderTypeVec2, ShaderTypeVec3, ShaderTypeVec4})) {
        return lo == hi ? hi : u32(ShaderTypeNone);
    }
    if (hi == ShaderTypeMat3) return lo == ShaderTypeVec3 ? u32(ShaderTypeVec3) : u32(ShaderTypeNone);
    if (hi == ShaderTypeMat4) return lo == ShaderTypeVec4 ? u32(ShaderTypeVec4) : u32(ShaderTypeNone);
    return ShaderTypeNone;
}

u32 TypeOfComponentCount(u32 count) {
    static const u32 Types[] = {ShaderTypeNone, ShaderTypeFloat, ShaderTypeVec2, ShaderTypeVec3,
                                ShaderTypeVec4};
    return count <= 4 ? Types[count] : u32(ShaderTypeNone);
}

} // namespace

const zShaderBlockTypeInfo* GetShaderBlockTypeInfo(u32 type) {
    if (type == ShaderBlockNone || type >= ShaderBlockTypeCount) return nullptr;
    return &BlockTable[type];
}

const char* GetShaderBlockTypeName(u32 type) {
    if (type == ShaderBlockNone) return BlockTable[ShaderBlockNone].typeName;
    if (type >= ShaderBlockTypeCount) return BlockTable[ShaderBlockGeometryVertex].typeName;
    return BlockTable[type].typeName;
}

u32 FindShaderBlockType(const char* name) {
    if (!name) return ShaderBlockNone;
    const zString wanted(zString(name) == "Normal Matrix" ? "Normal View Matrix" : name);
    for (u32 type = ShaderBlockGeometryVertex; type < ShaderBlockTypeCount; ++type) {
        if (wanted == BlockTable[type].typeName) return type;
    }
    return ShaderBlockNone;
}

zShaderBlock* NewShaderBlock(u32 type) {
    const zShaderBlockTypeInfo* info = GetShaderBlockTypeInfo(type);
    return info ? info->create() : nullptr;
}

bool IsEquivalent(const zShaderBlock* a, const zShaderBlock* b) {
    if (a == b) return true;
    if (!a || !b || a->GetType() != b->GetType()) return false;
    const zShaderBlockTypeInfo* info = GetShaderBlockTypeInfo(a->GetType());
    if (!info) return false;
    switch (info->equivalence) {
    case EquivalentAlways:
        return true;
    case EquivalentByData:
        switch (a->GetType()) {
        case ShaderBlockGeometryUV:
            return static_cast<const zGeometryUVShaderBlock*>(a)->GetChannel() ==
                   static_cast<const zGeometryUVShaderBlock*>(b)->GetChannel();
        case ShaderBlockRenderBuffer:
            return static_cast<const zRenderBufferShaderBlock*>(a)->GetBuffer() ==
                   static_cast<const zRenderBufferShaderBlock*>(b)->GetBuffer();
        case ShaderBlockTexture:
            return static_cast<const zTextureShaderBlock*>(a)->GetTexture() ==
                   static_cast<const zTextureShaderBlock*>(b)->GetTexture();
        case ShaderBlockMaterialParam:
            return static_cast<const zMaterialParamShaderBlock*>(a)->GetParam() ==
                   static_cast<const zMaterialParamShaderBlock*>(b)->GetParam();
        default:
            return false;
        }
    default:
        return false;
    }
}

// Iterative, so that a long chain of blocks cannot exhaust the stack. A
// block already seen is not walked again: it and all of its inputs are in
// the list already, so the result is the plain recursive post-order.
void CollectBlocks(zShaderBlock* block, zList<zShaderBlock*>& list) {
    if (!block) return;
    std::unordered_set<const zShaderBlock*> seen;
    for (auto* node = list.GetHead(); node; node = node->next)
        seen.insert(node->value);
    if (!seen.insert(block).second) return;

    std::vector<std::pair<zShaderBlock*, u32>> stack; // block, next input to walk
    stack.emplace_back(block, 0);
    while (!stack.empty()) {
        auto& top = stack.back();
        zShaderBlock* current = top.first;
        if (top.second < current->GetInputCount()) {
            zShaderBlock* input = current->GetInput(top.second++);
            if (input && seen.insert(input).second) stack.emplace_back(input, 0);
            continue;
        }
        stack.pop_back();
        list.Add(current);
    }
}

bool ShaderBlockReaches(const zShaderBlock* from, const zShaderBlock* target) {
    if (!from || !target) return false;
    std::unordered_set<const zShaderBlock*> seen{from};
    std::vector<const zShaderBlock*> pending{from};
    while (!pending.empty()) {
        const zShaderBlock* current = pending.back();
        pending.pop_back();
        if (current == target) return true;
        for (u32 k = 0; k < current->GetInputCount(); ++k) {
            const zShaderBlock* input = current->GetInput(k);
            if (input && seen.insert(input).second) pending.push_back(input);
        }
    }
    return false;
}

// ---- zShaderBlock ----

zShaderBlock::zShaderBlock(u32 type, zShaderBlock* input0, zShaderBlock* input1, zShaderBlock* input2,
                           zShaderBlock* input3)
    : m_type(type), m_inputs{input0, input1, input2, input3} {
    assert(GetShaderBlockTypeInfo(type));
}

zShaderBlock::~zShaderBlock() = default;

u32 zShaderBlock::GetInputCount() const {
    return InfoOf(this).inputCount;
}

zShaderBlock* zShaderBlock::GetInput(u32 k) const {
    return k < GetInputCount() ? m_inputs[k] : nullptr;
}

bool zShaderBlock::SetInput(u32 k, zShaderBlock* block) {
    const zShaderInputInfo* input = GetInputInfo(k);
    if (!input) return false;
    if (block) {
        if ((block->GetOutputType() & input->acceptedTypes) == 0) return false;
        if (ShaderBlockReaches(block, this)) {
            GetLog() << "[!] Cannot connect '" << block->GetName() << "' to input " << k << " of '"
                     << GetName() << "', it would make a cycle.\n";
            return false;
        }
    }
    m_inputs[k] = block;
    return true;
}

const zShaderInputInfo* zShaderBlock::GetInputInfo(u32 k) const {
    const zShaderBlockTypeInfo& info = InfoOf(this);
    return k < info.inputCount ? &info.inputs[k] : nullptr;
}

const zShaderOutputInfo* zShaderBlock::GetOutputInfo() const {
    return &InfoOf(this).output;
}

u32 zShaderBlock::GetOutputType() const {
    const u32 unset[MaxInputs] = {};
    if (GetInputCount() == 0) return ComputeOutputType(unset);

    // Post-order over the blocks below, typing each after its inputs.
    std::unordered_map<const zShaderBlock*, u32> types;
    std::vector<std::pair<const zShaderBlock*, u32>> stack; // block, next input to walk
    types.emplace(this, 0);
    stack.emplace_back(this, 0);
    while (!stack.empty()) {
        auto& top = stack.back();
        const zShaderBlock* current = top.first;
        if (top.second < current->GetInputCount()) {
            const zShaderBlock* input = current->GetInput(top.second++);
            if (input && types.emplace(input, 0).second) stack.emplace_back(input, 0);
            continue;
        }
        stack.pop_back();
        u32 inputTypes[MaxInputs] = {};
        for (u32 k = 0; k < current->GetInputCount(); ++k) {
            if (const zShaderBlock* input = current->GetInput(k)) inputTypes[k] = types[input];
        }
        types[current] = current->ComputeOutputType(inputTypes);
    }
    return types[this];
}

u32 zShaderBlock::ComputeOutputType(const u32 inputTypes[MaxInputs]) const {
    const zShaderBlockTypeInfo& info = InfoOf(this);
    const u32 a = inputTypes[0];
    const u32 b = inputTypes[1];
    const u32 c = inputTypes[2];
    switch (info.outputRule) {
    case OutputRuleFixed:
        return info.fixedOutputType;
    case OutputRuleMix:
        return a && b && c && a == b && c == ShaderTypeFloat ? a : u32(ShaderTypeNone);
    case OutputRuleSameAB:
        return a && b && a == b ? a : u32(ShaderTypeNone);
    case OutputRuleMul:
        return a && b ? MulOutputType(a, b) : u32(ShaderTypeNone);
    case OutputRuleDot:
        return a && b && a == b ? u32(ShaderTypeFloat) : u32(ShaderTypeNone);
    case OutputRuleCross:
        return a && b && (a == b || a == ShaderTypeVec3) ? u32(ShaderTypeVec3) : u32(ShaderTypeNone);
    case OutputRuleClamp:
        return a && b && c && a == b && b == c ? a : u32(ShaderTypeNone);
    case OutputRuleInput:
        return a ? a : u32(ShaderTypeNone);
    default:
        // The kinds with data override ComputeOutputType.
        assert(false);
        return ShaderTypeNone;
    }
}

zString zShaderBlock::GetName() const {
    return zString(InfoOf(this).nodeName);
}

zString zShaderBlock::GetPrefix() const {
    return zString(InfoOf(this).prefix);
}

// ---- Kinds with data ----

zString zGeometryNormalShaderBlock::GetPrefix() const {
    return zString(m_smooth ? "NrmSmt_" : "Nrm_");
}

zString zGeometryUVShaderBlock::GetPrefix() const {
    zString prefix;
    prefix.Format(GetShaderBlockTypeInfo(ShaderBlockGeometryUV)->prefix, static_cast<int>(m_channel));
    return prefix;
}

zTextureShaderBlock::zTextureShaderBlock(zTexture* texture)
    : zShaderBlock(ShaderBlockTexture), m_texture(texture) {}

zTextureShaderBlock::~zTextureShaderBlock() = default;

void zTextureShaderBlock::SetTexture(zTexture* texture) {
    m_texture = texture;
}

u32 zSampler2dShaderBlock::ComputeOutputType(const u32 inputTypes[MaxInputs]) const {
    return inputTypes[0] && inputTypes[1] ? u32(ShaderTypeVec4) : u32(ShaderTypeNone);
}

zString zSampler2dShaderBlock::GetPrefix() const {
    zString prefix;
    prefix.Format(GetShaderBlockTypeInfo(ShaderBlockSampler2d)->prefix, m_wrapU ? "T" : "F",
                  m_wrapV ? "T" : "F");
    return prefix;
}

zConstantShaderBlock::zConstantShaderBlock(f32 a, f32 b) : zShaderBlock(ShaderBlockConstant) {
    SetValues(a, b, 0.0f, 0.0f);
    m_constantType = ShaderTypeVec2;
}

u32 zConstantShaderBlock::ComputeOutputType(const u32[MaxInputs]) const {
    return m_constantType;
}

zString zConstantShaderBlock::GetPrefix() const {
    const char* typeWord = nullptr;
    switch (m_constantType) {
    case ShaderTypeNone:
        typeWord = "None";
        break;
    case ShaderTypeFloat:
        typeWord = "Float";
        break;
    case ShaderTypeVec2:
        typeWord = "Vec2";
        break;
    case ShaderTypeVec3:
        typeWord = "Vec3";
        break;
    case ShaderTypeVec4:
        typeWord = "Vec4";
        break;
    default:
        GetLog() << "[!] "
                 << "Unknown constant.\n";
        typeWord = "Unk";
        break;
    }
    zString prefix;
    prefix.Format(GetShaderBlockTypeInfo(ShaderBlockConstant)->prefix, typeWord);
    return prefix;
}

void zConstantShaderBlock::SetValues(f32 a, f32 b, f32 c, f32 d) {
    m_values[0] = a;
    m_values[1] = b;
    m_values[2] = c;
    m_values[3] = d;
}

zColorShaderBlock::zColorShaderBlock(f32 r, f32 g, f32 b, f32 a)
    : zShaderBlock(ShaderBlockColor), m_rgba{r, g, b, a} {}

void zColorShaderBlock::SetColor(f32 r, f32 g, f32 b, f32 a) {
    m_rgba[0] = r;
    m_rgba[1] = g;
    m_rgba[2] = b;
    m_rgba[3] = a;
}

u32 zMaterialParamShaderBlock::ComputeOutputType(const u32[MaxInputs]) const {
    return m_param == 4 || m_param == 5 ? u32(ShaderTypeFloat) : u32(ShaderTypeVec4);
}

zString zMaterialParamShaderBlock::GetPrefix() const {
    zString prefix;
    prefix.Format(GetShaderBlockTypeInfo(ShaderBlockMaterialParam)->prefix, static_cast<int>(m_param));
    return prefix;
}

zSwizzleShaderBlock::zSwizzleShaderBlock(zShaderBlock* input, u32 c0, u32 c1, u32 c2, u32 c3)
    : zShaderBlock(ShaderBlockSwizzle, input), m_components{c0, c1, c2, c3} {}

u32 zSwizzleShaderBlock::ComputeOutputType(const u32 inputTypes[MaxInputs]) const {
    if (inputTypes[0] == 0 || inputTypes[0] == ShaderTypeNone) return ShaderTypeNone;
    u32 count = 0;
    for (u32 code : m_components)
        count += code != SwizzleNone ? 1 : 0;
    return TypeOfComponentCount(count);
}

zString zSwizzleShaderBlock::GetPrefix() const {
    zString prefix;
    prefix.Format(GetShaderBlockTypeInfo(ShaderBlockSwizzle)->prefix, static_cast<int>(m_components[0]),
                  static_cast<int>(m_components[1]), static_cast<int>(m_components[2]),
                  static_cast<int>(m_components[3]));
    return prefix;
}

void zSwizzleShaderBlock::SetComponent(u32 i, u32 code) {
    assert(i < 4 && code <= SwizzleW);
    m_components[i] = code;
}

zBuildShaderBlock::zBuildShaderBlock(zShaderBlock* inputX, u32 codeX, zShaderBlock* inputY, u32 codeY,
                                     zShaderBlock* inputZ, u32 codeZ, zShaderBlock* inputW, u32 codeW)
    : zShaderBlock(ShaderBlockBuild, inputX, inputY, inputZ, inputW), m_components{codeX, codeY, codeZ,
                                                                                   codeW} {}

// A constant counts one component; a component of an unset input ends the
// walk; an input without output makes the whole block output none.
u32 zBuildShaderBlock::ComputeOutputType(const u32 inputTypes[MaxInputs]) const {
    u32 count = 0;
    for (u32 i = 0; i < 4; ++i) {
        if (m_components[i] == BuildZero || m_components[i] == BuildOne) {
            ++count;
            continue;
        }
        if (inputTypes[i] == 0) break;
        if (inputTypes[i] == ShaderTypeNone) return ShaderTypeNone;
        ++count;
    }
    return TypeOfComponentCount(count);
}

zString zBuildShaderBlock::GetPrefix() const {
    zString prefix;
    prefix.Format(GetShaderBlockTypeInfo(ShaderBlockBuild)->prefix, static_cast<int>(m_components[0]),
                  static_cast<int>(m_components[1]), static_cast<int>(m_components[2]),
                  static_cast<int>(m_components[3]));
    return prefix;
}

void zBuildShaderBlock::SetComponent(u32 i, u32 code) {
    assert(i < 4 && code <= BuildW);
    m_components[i] = code;
}
