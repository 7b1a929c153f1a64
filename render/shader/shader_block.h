// zShaderBlock: one typed node of a material's shader graph, and its 37
// concrete kinds. A block produces one value (its output type, a mask of
// zShaderValueType) and reads up to four other blocks through its inputs.
// Inputs do not own their blocks: a block may feed several others, and the
// zShaderMap that holds the graph frees every block once.
//
// Names, prefixes, input and output records of every kind stand in one
// table (shader_block_table.h); the classes add only the data of their kind.
//
// Invariant: the graph stays acyclic. SetInput refuses (with a log line) a
// connection through which a block would reach itself, so every walk over
// the inputs ends. Constructors connect their inputs without any test: a
// block under construction cannot be reached from them.
#pragma once

#include "core/list.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/zstring.h"

class zTexture;

// Value types, as bit masks; an input accepts the union of its masks.
enum zShaderValueType : u32 {
    ShaderTypeNone = 1, // no valid output
    ShaderTypeFloat = 4,
    ShaderTypeVec2 = 8,
    ShaderTypeVec3 = 16,
    ShaderTypeVec4 = 32,
    ShaderTypeMat3 = 64,
    ShaderTypeMat4 = 128,
    ShaderTypeSampler2d = 256,
};

enum zShaderBlockType : u32 {
    ShaderBlockNone = 0, // not a block: the name "None"
    ShaderBlockGeometryVertex = 1,
    ShaderBlockGeometryNormal = 2,
    ShaderBlockGeometryUV = 3,
    ShaderBlockGeometrySkinning = 4,
    ShaderBlockGeometryVertexColor = 5,
    ShaderBlockGeometryTangentFrame = 6,
    ShaderBlockRenderBuffer = 7,
    ShaderBlockTexture = 8,
    ShaderBlockSampler2d = 9,
    ShaderBlockConstant = 10,
    ShaderBlockColor = 11,
    ShaderBlockMaterialParam = 12,
    ShaderBlockScreenUV = 13,
    ShaderBlockViewVector = 14,
    ShaderBlockViewport = 15,
    ShaderBlockNormalViewMatrix = 16,
    ShaderBlockNormalMatrix = 17,
    ShaderBlockModelViewMatrix = 18,
    ShaderBlockModelMatrix = 19,
    ShaderBlockMix = 20,
    ShaderBlockAdd = 21,
    ShaderBlockMul = 22,
    ShaderBlockSub = 23,
    ShaderBlockDiv = 24,
    ShaderBlockDot = 25,
    ShaderBlockCross = 26,
    ShaderBlockClamp = 27,
    ShaderBlockNormalize = 28,
    ShaderBlockSwizzle = 29,
    ShaderBlockBuild = 30,
    ShaderBlockSinus = 31,
    ShaderBlockCosinus = 32,
    ShaderBlockPow = 33,
    ShaderBlockAbs = 34,
    ShaderBlockUnpackColorToVector = 35,
    ShaderBlockPackVectorToColor = 36,
    ShaderBlockClock = 37,
    ShaderBlockTypeCount = 38, // ids 1..37 are blocks
};

// Swizzle component codes.
enum : u32 { SwizzleNone = 0, SwizzleX = 1, SwizzleY = 2, SwizzleZ = 3, SwizzleW = 4 };
// Build component codes: a constant, or a component of the input at the same position.
enum : u32 { BuildZero = 0, BuildOne = 1, BuildX = 2, BuildY = 3, BuildZ = 4, BuildW = 5 };

struct zShaderInputInfo {
    const char* name;
    const char* description;
    u32 acceptedTypes;
};

struct zShaderOutputInfo {
    const char* label;
    const char* description;
};

class zShaderBlock {
  public:
    static constexpr u32 MaxInputs = 4;

    zShaderBlock(const zShaderBlock&) = delete;
    zShaderBlock& operator=(const zShaderBlock&) = delete;
    virtual ~zShaderBlock();

    virtual u32 GetInputCount() const;
    // Null when the input is not connected or k is not below the count.
    virtual zShaderBlock* GetInput(u32 k) const;
    // False when k is not below the count, when the block's output type
    // matches none of the input's accepted types, or when the block reaches
    // this one (logged). Null always succeeds and disconnects.
    virtual bool SetInput(u32 k, zShaderBlock* block);
    // Null when k is not below the count.
    virtual const zShaderInputInfo* GetInputInfo(u32 k) const;
    virtual const zShaderOutputInfo* GetOutputInfo() const;
    // May depend on the inputs; ShaderTypeNone when no value can be made.
    // Each block below is typed once, without recursion, so shared inputs
    // and long chains cost time in proportion to the graph.
    virtual u32 GetOutputType() const;
    virtual zString GetName() const;
    // Prefix of the shader variables made for this block.
    virtual zString GetPrefix() const;

    u32 GetType() const { return m_type; }
    // Editor position, stored and written back only.
    f32 GetX() const { return m_x; }
    f32 GetY() const { return m_y; }
    void SetPosition(f32 x, f32 y) {
        m_x = x;
        m_y = y;
    }

  protected:
    explicit zShaderBlock(u32 type, zShaderBlock* input0 = nullptr, zShaderBlock* input1 = nullptr,
                          zShaderBlock* input2 = nullptr, zShaderBlock* input3 = nullptr);

    // The output type given the output types of the inputs, 0 for an
    // input that is not connected. The base applies the table's rule.
    virtual u32 ComputeOutputType(const u32 inputTypes[MaxInputs]) const;

  private:
    f32 m_x = 0.0f;
    f32 m_y = 0.0f;
    u32 m_type;
    zShaderBlock* m_inputs[MaxInputs];
};

// The type name of an id: "None" for 0, "Invalid" for 1 and for any id
// outside the table. Shader map files store blocks by this name.
const char* GetShaderBlockTypeName(u32 type);
// The id whose type name is name (case-sensitive); "Normal Matrix" without
// its trailing blank stands for "Normal View Matrix". 0 when none matches.
u32 FindShaderBlockType(const char* name);
// A new block of that id with the defaults of a shader map file's block
// table; null for an id outside 1..37 or when allocation fails.
zShaderBlock* NewShaderBlock(u32 type);

// True when two blocks stand for the same source value, so that a generator
// may declare it once.
bool IsEquivalent(const zShaderBlock* a, const zShaderBlock* b);
// Appends every block reachable from block (itself included) that the list
// does not hold yet, each after all of its inputs.
void CollectBlocks(zShaderBlock* block, zList<zShaderBlock*>& list);
// True when target is from or one of the blocks from reaches.
bool ShaderBlockReaches(const zShaderBlock* from, const zShaderBlock* target);

// ---- Sources without data ----

// A block whose whole behaviour is in the type table: no fields, no
// parameters of its own.
template <zShaderBlockType Type>
class zPlainShaderBlock : public zShaderBlock {
  public:
    zPlainShaderBlock() : zShaderBlock(Type) {}
};

using zGeometryVertexShaderBlock = zPlainShaderBlock<ShaderBlockGeometryVertex>;

class zGeometryNormalShaderBlock : public zShaderBlock {
  public:
    explicit zGeometryNormalShaderBlock(u32 smooth = 0)
        : zShaderBlock(ShaderBlockGeometryNormal), m_smooth(smooth) {}
    zString GetPrefix() const override;
    u32 GetSmooth() const { return m_smooth; }
    void SetSmooth(u32 smooth) { m_smooth = smooth; }

  private:
    u32 m_smooth;
};

class zGeometryUVShaderBlock : public zShaderBlock {
  public:
    explicit zGeometryUVShaderBlock(u32 channel = 0)
        : zShaderBlock(ShaderBlockGeometryUV), m_channel(channel) {}
    zString GetPrefix() const override;
    u32 GetChannel() const { return m_channel; }
    void SetChannel(u32 channel) { m_channel = channel; }

  private:
    u32 m_channel;
};

using zGeometrySkinningShaderBlock = zPlainShaderBlock<ShaderBlockGeometrySkinning>;
using zGeometryVertexColorShaderBlock = zPlainShaderBlock<ShaderBlockGeometryVertexColor>;
using zGeometryTangentFrameShaderBlock = zPlainShaderBlock<ShaderBlockGeometryTangentFrame>;

class zRenderBufferShaderBlock : public zShaderBlock {
  public:
    explicit zRenderBufferShaderBlock(u32 buffer = 0)
        : zShaderBlock(ShaderBlockRenderBuffer), m_buffer(buffer) {}
    u32 GetBuffer() const { return m_buffer; }
    void SetBuffer(u32 buffer) { m_buffer = buffer; }

  private:
    u32 m_buffer;
};

// Holds one reference to its texture.
class zTextureShaderBlock : public zShaderBlock {
  public:
    explicit zTextureShaderBlock(zTexture* texture = nullptr);
    ~zTextureShaderBlock() override;
    zTexture* GetTexture() const { return m_texture.Get(); }
    void SetTexture(zTexture* texture);

  private:
    zSharedPtr<zTexture> m_texture;
};

// Inputs: 0 texture, 1 UV.
class zSampler2dShaderBlock : public zShaderBlock {
  public:
    explicit zSampler2dShaderBlock(zShaderBlock* texture = nullptr, zShaderBlock* uv = nullptr)
        : zShaderBlock(ShaderBlockSampler2d, texture, uv) {}
    u32 ComputeOutputType(const u32 inputTypes[MaxInputs]) const override;
    zString GetPrefix() const override;
    // True repeats, false clamps.
    bool GetWrapU() const { return m_wrapU; }
    bool GetWrapV() const { return m_wrapV; }
    void SetWrap(bool wrapU, bool wrapV) {
        m_wrapU = wrapU;
        m_wrapV = wrapV;
    }

  private:
    bool m_wrapU = true;
    bool m_wrapV = true;
};

// Outputs its constant type, one of the masks 1, 4, 8, 16, 32.
class zConstantShaderBlock : public zShaderBlock {
  public:
    // Values (0, 0, 0, 0), type none.
    zConstantShaderBlock() : zShaderBlock(ShaderBlockConstant) {}
    // Values (a, b, 0, 0), type vec2.
    zConstantShaderBlock(f32 a, f32 b);
    u32 ComputeOutputType(const u32 inputTypes[MaxInputs]) const override;
    // Logs "Unknown constant." for a type outside the five masks.
    zString GetPrefix() const override;
    f32 GetValue(u32 i) const { return m_values[i]; }
    void SetValues(f32 a, f32 b, f32 c, f32 d);
    u32 GetConstantType() const { return m_constantType; }
    void SetConstantType(u32 type) { m_constantType = type; }

  private:
    f32 m_values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    u32 m_constantType = ShaderTypeNone;
};

class zColorShaderBlock : public zShaderBlock {
  public:
    zColorShaderBlock(f32 r = 1.0f, f32 g = 1.0f, f32 b = 1.0f, f32 a = 1.0f);
    f32 GetValue(u32 i) const { return m_rgba[i]; }
    void SetColor(f32 r, f32 g, f32 b, f32 a);

  private:
    f32 m_rgba[4];
};

// Parameters: 0 diffuse, 1 specular, 2 self-illumination, 3 ambient colour;
// 4 glossiness and 5 opacity, the two floats.
class zMaterialParamShaderBlock : public zShaderBlock {
  public:
    explicit zMaterialParamShaderBlock(u32 param = 0)
        : zShaderBlock(ShaderBlockMaterialParam), m_param(param) {}
    u32 ComputeOutputType(const u32 inputTypes[MaxInputs]) const override;
    zString GetPrefix() const override;
    u32 GetParam() const { return m_param; }
    void SetParam(u32 param) { m_param = param; }

  private:
    u32 m_param;
};

using zScreenUVShaderBlock = zPlainShaderBlock<ShaderBlockScreenUV>;
using zViewVectorShaderBlock = zPlainShaderBlock<ShaderBlockViewVector>;
using zViewportShaderBlock = zPlainShaderBlock<ShaderBlockViewport>;
using zNormalViewMatrixShaderBlock = zPlainShaderBlock<ShaderBlockNormalViewMatrix>;
using zNormalMatrixShaderBlock = zPlainShaderBlock<ShaderBlockNormalMatrix>;
using zModelViewMatrixShaderBlock = zPlainShaderBlock<ShaderBlockModelViewMatrix>;
using zModelMatrixShaderBlock = zPlainShaderBlock<ShaderBlockModelMatrix>;

// ---- Operators ----

// A * K + B * (1 - K).
class zMixOperatorShaderBlock : public zShaderBlock {
  public:
    zMixOperatorShaderBlock(zShaderBlock* a = nullptr, zShaderBlock* b = nullptr, zShaderBlock* k = nullptr)
        : zShaderBlock(ShaderBlockMix, a, b, k) {}
};

// A two-input operator whose behaviour is all in the type table.
template <zShaderBlockType Type>
class zBinaryOperatorShaderBlock : public zShaderBlock {
  public:
    zBinaryOperatorShaderBlock(zShaderBlock* a = nullptr, zShaderBlock* b = nullptr) : zShaderBlock(Type, a, b) {}
};

using zAddOperatorShaderBlock = zBinaryOperatorShaderBlock<ShaderBlockAdd>;
using zMulOperatorShaderBlock = zBinaryOperatorShaderBlock<ShaderBlockMul>;
using zSubOperatorShaderBlock = zBinaryOperatorShaderBlock<ShaderBlockSub>;
using zDivOperatorShaderBlock = zBinaryOperatorShaderBlock<ShaderBlockDiv>;
using zDotOperatorShaderBlock = zBinaryOperatorShaderBlock<ShaderBlockDot>;
using zCrossOperatorShaderBlock = zBinaryOperatorShaderBlock<ShaderBlockCross>;

class zClampShaderBlock : public zShaderBlock {
  public:
    zClampShaderBlock(zShaderBlock* input = nullptr, zShaderBlock* min = nullptr, zShaderBlock* max = nullptr)
        : zShaderBlock(ShaderBlockClamp, input, min, max) {}
};

class zNormalizeOperatorShaderBlock : public zShaderBlock {
  public:
    explicit zNormalizeOperatorShaderBlock(zShaderBlock* input = nullptr)
        : zShaderBlock(ShaderBlockNormalize, input) {}
};

// Four component codes (SwizzleNone..SwizzleW); the output has one
// component per non-zero code.
class zSwizzleShaderBlock : public zShaderBlock {
  public:
    zSwizzleShaderBlock(zShaderBlock* input = nullptr, u32 c0 = SwizzleNone, u32 c1 = SwizzleNone,
                        u32 c2 = SwizzleNone, u32 c3 = SwizzleNone);
    u32 ComputeOutputType(const u32 inputTypes[MaxInputs]) const override;
    zString GetPrefix() const override;
    u32 GetComponent(u32 i) const { return m_components[i]; }
    void SetComponent(u32 i, u32 code);

  private:
    u32 m_components[4];
};

// Component i is a constant (BuildZero, BuildOne) or a component
// (BuildX..BuildW) of input i.
class zBuildShaderBlock : public zShaderBlock {
  public:
    zBuildShaderBlock(zShaderBlock* inputX = nullptr, u32 codeX = BuildX, zShaderBlock* inputY = nullptr,
                      u32 codeY = BuildY, zShaderBlock* inputZ = nullptr, u32 codeZ = BuildZ,
                      zShaderBlock* inputW = nullptr, u32 codeW = BuildW);
    u32 ComputeOutputType(const u32 inputTypes[MaxInputs]) const override;
    zString GetPrefix() const override;
    u32 GetComponent(u32 i) const { return m_components[i]; }
    void SetComponent(u32 i, u32 code);

  private:
    u32 m_components[4];
};

class zSinusShaderBlock : public zShaderBlock {
  public:
    explicit zSinusShaderBlock(zShaderBlock* input = nullptr) : zShaderBlock(ShaderBlockSinus, input) {}
};

class zCosinusShaderBlock : public zShaderBlock {
  public:
    explicit zCosinusShaderBlock(zShaderBlock* input = nullptr) : zShaderBlock(ShaderBlockCosinus, input) {}
};

class zPowShaderBlock : public zShaderBlock {
  public:
    zPowShaderBlock(zShaderBlock* value = nullptr, zShaderBlock* power = nullptr)
        : zShaderBlock(ShaderBlockPow, value, power) {}
};

class zAbsShaderBlock : public zShaderBlock {
  public:
    explicit zAbsShaderBlock(zShaderBlock* value = nullptr) : zShaderBlock(ShaderBlockAbs, value) {}
};

class zUnpackColorToVectorShaderBlock : public zShaderBlock {
  public:
    explicit zUnpackColorToVectorShaderBlock(zShaderBlock* input = nullptr)
        : zShaderBlock(ShaderBlockUnpackColorToVector, input) {}
};

class zPackVectorToColorShaderBlock : public zShaderBlock {
  public:
    explicit zPackVectorToColorShaderBlock(zShaderBlock* input = nullptr)
        : zShaderBlock(ShaderBlockPackVectorToColor, input) {}
};

using zClockShaderBlock = zPlainShaderBlock<ShaderBlockClock>;
