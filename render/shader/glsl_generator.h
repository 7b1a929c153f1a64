// GLSL generation from a material's shader-block graph, in two forms: the
// desktop form for the "gl2" renderer, which reads the fixed-function
// built-ins (gl_Vertex, gl_Normal, gl_Color, gl_MultiTexCoordN,
// gl_FrontMaterial), and the ES form for the "egl2" renderer, which declares
// every input with mediump precision, names its own vertex attributes and
// records each uniform and attribute the renderer must feed.
//
// A walk starts at an output block (CompileShaderBlock) and recurses through
// the inputs. Each block becomes one statement or declaration; a block
// equivalent to one already emitted (IsEquivalent) reuses that variable, so a
// texture, UV channel or vertex stream reached twice is declared once.
// Variables are named "_n_<base><4-digit counter>", unique within one map.
//
// The signature is the concatenation of the prefixes of every block compiled,
// in order (each call's leading text first): equal signatures give equal
// text, which is what renderers cache programs by. The "#version" line that
// makes the text acceptable to a compiler (GLSLVersionLine) is not part of
// it; the programs' assemblers put it first.
//
// A refusal is logged with "[!] " and gives null up the recursion; the text
// already appended stays, and the caller discards the map.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"
#include "render/shader/shader_block.h"

class zTexture;

enum zGLSLForm : u32 { GLSLFormDesktop = 0, GLSLFormES = 1 };

// "#version 120\n" (desktop: the fixed-function built-ins and mat3(mat4)) or
// "#version 100\n" (ES: needed before the precision statements).
const char* GLSLVersionLine(zGLSLForm form);
// The GLSL name of a value-type mask, or null for a mask without one.
const char* GLSLTypeName(u32 typeMask);

// Semantic codes of the ES parameter records. Codes 0..4 and 6..9 are
// declared once per map; the others get a record per request.
enum : u32 {
    ParmPosition = 0,
    ParmNormal = 1,
    ParmUV0 = 2, // 2 + channel, channels 0..2
    ParmConstant = 5,
    ParmBoneMatrix = 6,
    ParmBoneIndex = 7,
    ParmBoneWeight = 8,
    ParmTangent = 9,
    ParmBitangent = 10,
    ParmVertexColor = 11,
    ParmTexture = 12,
    ParmRenderBuffer = 13,
    ParmColor = 14,
    ParmMaterialParam0 = 15, // 15 + parameter index, parameters 0..5
    ParmViewVector = 21,
    ParmViewport = 22,
    ParmNormalViewMatrix = 23,
    ParmNormalMatrix = 24,
    ParmModelViewMatrix = 25,
    ParmModelMatrix = 26,
    ParmClock = 27,
};

// Stage mask and storage of an ES parameter record.
enum : u32 { ParmStageVertex = 1, ParmStageFragment = 2 };
enum : u32 { ParmStorageUniform = 0, ParmStorageAttribute = 1 };

// The ES skinning palette: bone_mtx holds this many matrices.
constexpr u32 GLSLBonePaletteSize = 16;
// The desktop skinning palette (skin_mtx), the renderer's bone limit per list.
constexpr u32 GLSLSkinPaletteSize = 16;

// One uniform or attribute the ES renderer must feed.
struct EGL_ShaderParm {
    zString displayName;
    zString glslName;
    u32 stageMask = 0;
    u32 storage = ParmStorageUniform;
    u32 semantic = 0;
    zTexture* texture = nullptr; // not owned: the graph's Texture block holds it
    f32 defaultValue[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    u32 type = ShaderTypeNone;
    u32 textureUnit = 0; // samplers
    i32 location = -1;   // -1 until the program is linked
};
using zShaderParmList = zList<std::unique_ptr<EGL_ShaderParm>>;

// One emitted variable: the block it stands for and its type (ShaderTypeNone
// until its emitter succeeded).
struct zGLSLVariable {
    zString name;
    const zShaderBlock* block = nullptr;
    u32 type = ShaderTypeNone;
};

// A variable as a term of 3 or 4 components for the pass texts around a
// graph: a float spreads (a float takes no swizzle in GLSL), a vec2 gets 0.0
// (and 1.0 for w), a vec3 gets 1.0 for w, a vector of more keeps the first
// components; absent stands for a missing variable.
zString GLSLVectorTerm(u32 components, const zGLSLVariable* variable, const char* absent);

// One generated program pair.
struct zGLSLCompiledMap {
    explicit zGLSLCompiledMap(zGLSLForm form);
    zGLSLCompiledMap(const zGLSLCompiledMap&) = delete;
    zGLSLCompiledMap& operator=(const zGLSLCompiledMap&) = delete;

    zGLSLForm form;
    zString signature;
    u32 nameCounter = 0;
    u32 samplerCounter = 0;      // the next texture unit of a sampler uniform
    zList<zShaderBlock*> blocks; // the blocks handed to CompileShaderBlock, not owned
    zList<std::unique_ptr<zGLSLVariable>> variables;
    zString vertexDeclarations;
    zString vertexBody;
    zString fragmentDeclarations;
    zString fragmentBody;
    // ES form: the records the renderer feeds; not owned (the renderer's
    // material data holds the list). Null records nothing.
    zShaderParmList* parameters = nullptr;
    // Bit s: the once-only semantic s has been declared.
    u32 declaredOnce = 0;
    // Blocks the generator makes for itself (the tangent frame's normal).
    zList<std::unique_ptr<zShaderBlock>> ownBlocks;
};

// The entry operation: records the block in the map's list, then dispatches.
zGLSLVariable* CompileShaderBlock(zGLSLCompiledMap& map, zShaderBlock* block, const char* leadingText);
// The recursive step; null for a null block or a refusal.
zGLSLVariable* DispatchShaderBlock(zGLSLCompiledMap& map, const zShaderBlock* block, const char* leadingText);
// "_n_<base or var><counter as 4 digits>", then the counter increases.
bool MakeUniqueName(zGLSLCompiledMap& map, zString& out, const char* base);
// Declarations, then "void main()\n{\n<body>\n}\n" when the body is not empty.
zString GetVertexProgram(const zGLSLCompiledMap& map);
zString GetFragmentProgram(const zGLSLCompiledMap& map);
// Logs both programs.
void DumpPrograms(const zGLSLCompiledMap& map);
// Empties every buffer and list, zeroes both counters and takes the
// parameter list, emptying it (ES form: the declarations start with the
// precision statements).
void Reset(zGLSLCompiledMap& map, zShaderParmList* parameters);
// ES form: the record of a parameter, declared in the stages of its mask
// when new; a once-only semantic already recorded gives the first record.
// Null when the map keeps no list or allocation fails (the declaration is
// still written in the first case).
EGL_ShaderParm* AddShaderParameter(zGLSLCompiledMap& map, const char* displayName, const char* glslName,
                                   u32 stageMask, u32 storage, u32 semantic, u32 type);
