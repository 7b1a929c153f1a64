#include "render/shader/glsl_generator.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "core/log.h"

namespace {

const char* const EsPrecisionHeader = "\tprecision mediump float;\n\tprecision mediump int;\n\t\n\t";

// Base names of the variables, by block type: desktop, then ES.
struct zBaseNames {
    const char* desktop;
    const char* es;
};
const zBaseNames BaseNames[ShaderBlockTypeCount] = {
    {nullptr, nullptr},
    {"vertex", "vertex"},
    {"normal", "normal"}, // the varying is "tmp_normal"
    {"uv", "uv"},
    {"skin_mtx", "skin_mtx"},
    {"vertex_color", "vertex_color"},
    {"tangent_frame", "tangent_frame"},
    {"render_buffer", "render_buffer"},
    {"sampler2D", "texture"},
    {"color", "texel"},
    {"const", "const"},
    {"color", "color"},
    {"mat_param", "mat_param"},
    {"screen_uv", "screen_uv"},
    {"view_vector", "view_vector"},
    {"viewport", "viewport"},
    {"normal_view_matrix", "normal_view_matrix"},
    {"normal_matrix", "normal_matrix"},
    {"model_view_matrix", "model_view_matrix"},
    {"model_matrix", "model_matrix"},
    {"mix", "mix"},
    {"add", "add"},
    {"mul", "mul"},
    {"sub", "sub"},
    {"div", "div"},
    {"dot", "dot"},
    {"cross", "cross"},
    {"clamp", "clamp"},
    {"normalized", "normalized"},
    {"swizzle", "swizzle"},
    {"built", "built"},
    {"sin", "sin"},
    {"cos", "cos"},
    {"pow", "pow"},
    {"abs", "abs"},
    {"unpacked_vector", "unpacked_vector"},
    {"packed_vector", "packed_vector"},
    {"clock", "clock"},
};

// The uniform sources without data: their type and ES semantic.
struct zUniformSource {
    u32 blockType;
    u32 type;
    u32 semantic;
};
const zUniformSource UniformSources[] = {
    {ShaderBlockViewVector, ShaderTypeVec3, ParmViewVector},
    {ShaderBlockViewport, ShaderTypeVec4, ParmViewport},
    {ShaderBlockNormalViewMatrix, ShaderTypeMat3, ParmNormalViewMatrix},
    {ShaderBlockNormalMatrix, ShaderTypeMat3, ParmNormalMatrix},
    {ShaderBlockModelViewMatrix, ShaderTypeMat4, ParmModelViewMatrix},
    {ShaderBlockModelMatrix, ShaderTypeMat4, ParmModelMatrix},
    {ShaderBlockClock, ShaderTypeFloat, ParmClock},
};

// The binary operators: their refusal texts.
struct zOperatorTexts {
    u32 blockType;
    const char* symbol;
    const char* mismatch;
    const char* refused; // "Cannot add blocks (" for mat3, mat4 and samplers; null: no such refusal
};
const zOperatorTexts OperatorTexts[] = {
    {ShaderBlockAdd, "+", "Cannot add blocks, output do not match.\n", "Cannot add blocks ("},
    {ShaderBlockSub, "-", "Cannot subtract blocks, output do not match.\n", "Cannot subtract blocks ("},
    {ShaderBlockMul, "*", "Cannot multiply blocks, output do not match.\n", nullptr},
    {ShaderBlockDiv, "/", "Cannot divide blocks, output do not match.\n", "Cannot divide blocks ("},
    {ShaderBlockDot, nullptr, "Cannot compute dot operator, output do not match.\n", nullptr},
};

bool IsOnceSemantic(u32 semantic) {
    return semantic <= 4 || (semantic >= 6 && semantic <= 9);
}

void AppendFormat(zString& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendFormat(zString& out, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int written = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0) return;
    if (size_t(written) < sizeof buffer) {
        out.Append(buffer);
        return;
    }
    // Longer than the buffer: format again into one of the exact size.
    std::unique_ptr<char[]> large(new (std::nothrow) char[size_t(written) + 1]);
    if (!large) {
        GetLog() << "Failed to allocate " << written << " bytes of generated GLSL.\n";
        return;
    }
    va_start(args, format);
    vsnprintf(large.get(), size_t(written) + 1, format, args);
    va_end(args);
    out.Append(large.get());
}

// Appends to both declaration buffers.
void DeclareBoth(zGLSLCompiledMap& map, const char* format, const char* name) {
    AppendFormat(map.vertexDeclarations, format, name);
    AppendFormat(map.fragmentDeclarations, format, name);
}

u32 ComponentCount(u32 type) {
    switch (type) {
    case ShaderTypeFloat:
        return 1;
    case ShaderTypeVec2:
        return 2;
    case ShaderTypeVec3:
        return 3;
    case ShaderTypeVec4:
        return 4;
    default:
        return 0;
    }
}

u32 TypeOfComponents(u32 count) {
    static const u32 Types[] = {ShaderTypeNone, ShaderTypeFloat, ShaderTypeVec2, ShaderTypeVec3,
                                ShaderTypeVec4};
    return count <= 4 ? Types[count] : u32(ShaderTypeNone);
}

// Logs "[!] " + text and gives 0, the failed output type.
u32 Refuse(const char* text) {
    GetLog() << "[!] " << text;
    return 0;
}

u32 RefuseMask(const char* text, u32 mask) {
    GetLog() << "[!] " << text << mask << ").\n";
    return 0;
}

// One emitter run: the block, its fresh entry and the map.
struct zEmitter {
    zGLSLCompiledMap& map;
    const zShaderBlock* block;
    zGLSLVariable* entry;

    bool es() const { return map.form == GLSLFormES; }
    // The compiled input k, or null.
    zGLSLVariable* Input(u32 k) { return DispatchShaderBlock(map, block->GetInput(k), nullptr); }
    // Names the entry from the kind's base name.
    const char* Name() {
        const zBaseNames& names = BaseNames[block->GetType()];
        MakeUniqueName(map, entry->name, es() ? names.es : names.desktop);
        return entry->name.CStr();
    }
    // ES: a uniform fed by the renderer, declared in the fragment program.
    EGL_ShaderParm* FragmentUniform(const char* display, u32 semantic, u32 type) {
        return AddShaderParameter(map, display, entry->name, ParmStageFragment, ParmStorageUniform, semantic,
                                  type);
    }
};

EGL_ShaderParm* AddParameter(zGLSLCompiledMap& map, const char* displayName, const char* glslName,
                             u32 stageMask, u32 storage, u32 semantic, u32 type, u32 arrayCount) {
    const bool once = IsOnceSemantic(semantic);
    if (once && (map.declaredOnce & (1u << semantic))) {
        if (!map.parameters) return nullptr;
        for (auto* node = map.parameters->GetHead(); node; node = node->next) {
            if (node->value->semantic == semantic) return node->value.get();
        }
        return nullptr;
    }
    if (once) map.declaredOnce |= 1u << semantic;
    const char* typeName = GLSLTypeName(type);
    zString array;
    if (arrayCount) array.Format("[%u]", arrayCount);
    const char* suffix = array.IsEmpty() ? "" : array.CStr();
    if (storage == ParmStorageAttribute) {
        AppendFormat(map.vertexDeclarations, "attribute mediump %s %s%s;\n", typeName, glslName, suffix);
    } else {
        if (stageMask & ParmStageVertex) {
            AppendFormat(map.vertexDeclarations, "uniform mediump %s %s%s;\n", typeName, glslName, suffix);
        }
        if (stageMask & ParmStageFragment) {
            AppendFormat(map.fragmentDeclarations, "uniform mediump %s %s%s;\n", typeName, glslName, suffix);
        }
    }
    if (!map.parameters) return nullptr;
    std::unique_ptr<EGL_ShaderParm> record(new (std::nothrow) EGL_ShaderParm);
    if (!record) {
        GetLog() << "Failed to allocate the shader parameter '" << glslName << "'.\n";
        return nullptr;
    }
    record->displayName.Set(displayName);
    record->glslName.Set(glslName);
    record->stageMask = stageMask;
    record->storage = storage;
    record->semantic = semantic;
    record->type = type;
    EGL_ShaderParm* result = record.get();
    if (!map.parameters->Add(std::move(record))) {
        GetLog() << "Failed to allocate the shader parameter '" << glslName << "'.\n";
        return nullptr;
    }
    return result;
}

// ---- Sources ----

// A vertex stream carried to the fragment program by a varying: the ES form
// reads its own attribute (esBody: varying, attribute), the desktop form a
// built-in (desktopBody: varying).
struct zStreamText {
    u32 type;
    const char* display;
    const char* attribute;
    u32 semantic;
    u32 attributeType;
    const char* esBody;
    const char* desktopBody;
};

u32 EmitStream(zEmitter& e, const zStreamText& stream) {
    const char* name = e.Name();
    if (e.es()) {
        AddParameter(e.map, stream.display, stream.attribute, ParmStageVertex, ParmStorageAttribute,
                     stream.semantic, stream.attributeType, 0);
    }
    const zString declaration = zString("varying ") + GLSLTypeName(stream.type) + " %s;\n";
    DeclareBoth(e.map, declaration, name);
    if (e.es()) {
        AppendFormat(e.map.vertexBody, stream.esBody, name, stream.attribute);
    } else {
        AppendFormat(e.map.vertexBody, stream.desktopBody, name);
    }
    return stream.type;
}

u32 EmitVertex(zEmitter& e) {
    return EmitStream(e, {ShaderTypeVec4, "position", "a_position", ParmPosition, ShaderTypeVec3,
                          "%s = vec4(%s, 1.0);\n", "%s = gl_Vertex;\n"});
}

u32 EmitNormal(zEmitter& e) {
    zString varying;
    MakeUniqueName(e.map, varying, "tmp_normal");
    const char* name = e.Name();
    DeclareBoth(e.map, "varying vec3 %s;\n", varying);
    if (e.es()) {
        AddParameter(e.map, "normal", "a_normal", ParmStageVertex, ParmStorageAttribute, ParmNormal,
                     ShaderTypeVec3, 0);
        AppendFormat(e.map.vertexBody, "%s = %s;\n", varying.CStr(), "a_normal");
    } else {
        AppendFormat(e.map.vertexBody, "%s = /*gl_NormalMatrix **/ gl_Normal;\n", varying.CStr());
    }
    AppendFormat(e.map.fragmentBody, "vec3 %s = normalize(%s);\n", name, varying.CStr());
    return ShaderTypeVec3;
}

u32 EmitUV(zEmitter& e) {
    const u32 channel = static_cast<const zGeometryUVShaderBlock*>(e.block)->GetChannel();
    // Geometries carry three UV sets; a channel past them names no stream.
    if (channel > 2) {
        GetLog() << "[!] Unsupported UV channel (" << channel << ").\n";
        return 0;
    }
    zString attribute, display, desktopBody;
    attribute.Format("a_uv%u", channel);
    display.Format("uv%u", channel);
    desktopBody.Format("%%s = vec2(gl_MultiTexCoord%u);\n", channel);
    return EmitStream(e, {ShaderTypeVec2, display, attribute, ParmUV0 + channel, ShaderTypeVec2, "%s = %s;\n",
                          desktopBody});
}

u32 EmitSkinning(zEmitter& e) {
    const char* name = e.Name();
    if (e.es()) {
        AddParameter(e.map, "bone_mtx", "bone_mtx", ParmStageVertex, ParmStorageUniform, ParmBoneMatrix,
                     ShaderTypeMat4, GLSLBonePaletteSize);
        AddParameter(e.map, "bone_idx", "bone_idx", ParmStageVertex, ParmStorageAttribute, ParmBoneIndex,
                     ShaderTypeVec4, 0);
        AddParameter(e.map, "bone_w", "bone_w", ParmStageVertex, ParmStorageAttribute, ParmBoneWeight,
                     ShaderTypeVec4, 0);
        DeclareBoth(e.map, "varying mat4 %s;\n", name);
        AppendFormat(
            e.map.vertexBody,
            "%s = (bone_mtx[int(bone_idx.x)] * bone_w.x + bone_mtx[int(bone_idx.y)] * bone_w.y + "
            "bone_mtx[int(bone_idx.z)] * bone_w.z + bone_mtx[int(bone_idx.w)] * bone_w.w) / (bone_w.x + "
            "bone_w.y + bone_w.z + bone_w.w);\n",
            name);
    } else {
        AppendFormat(e.map.vertexDeclarations,
                     "uniform mat4 skin_mtx[%u];\nattribute vec4 skin_id, skin_w;\nvarying mat4 %s;\n",
                     GLSLSkinPaletteSize, name);
        AppendFormat(e.map.fragmentDeclarations, "varying mat4 %s;\n", name);
        AppendFormat(
            e.map.vertexBody,
            "%s = (skin_mtx[int(skin_id.x)] * skin_w.x + skin_mtx[int(skin_id.y)] * skin_w.y + "
            "skin_mtx[int(skin_id.z)] * skin_w.z + skin_mtx[int(skin_id.w)] * skin_w.w) / (skin_w.x + "
            "skin_w.y + skin_w.z + skin_w.w);\n",
            name);
    }
    return ShaderTypeMat4;
}

u32 EmitVertexColor(zEmitter& e) {
    return EmitStream(e, {ShaderTypeVec4, "rgb", "a_rgb", ParmVertexColor, ShaderTypeVec4, "%s = %s;\n",
                          "%s = gl_Color;\n"});
}

// The normal the tangent frame completes: a Geometry Normal of the map's own.
const zShaderBlock* FrameNormalBlock(zGLSLCompiledMap& map) {
    for (auto* node = map.ownBlocks.GetHead(); node; node = node->next) {
        if (node->value->GetType() == ShaderBlockGeometryNormal) return node->value.get();
    }
    std::unique_ptr<zShaderBlock> normal(new (std::nothrow) zGeometryNormalShaderBlock());
    const zShaderBlock* result = normal.get();
    if (!normal || !map.ownBlocks.Add(std::move(normal))) {
        GetLog() << "Failed to allocate the tangent frame's normal block.\n";
        return nullptr;
    }
    return result;
}

u32 EmitTangentFrame(zEmitter& e) {
    const zShaderBlock* normalBlock = FrameNormalBlock(e.map);
    zGLSLVariable* normal = normalBlock ? DispatchShaderBlock(e.map, normalBlock, nullptr) : nullptr;
    if (!normal) return 0;
    const char* name = e.Name();
    if (e.es()) {
        AddParameter(e.map, "tangent", "a_tangent", ParmStageVertex, ParmStorageAttribute, ParmTangent,
                     ShaderTypeVec3, 0);
        AddParameter(e.map, "bitangent", "a_bitangent", ParmStageVertex, ParmStorageAttribute, ParmBitangent,
                     ShaderTypeVec3, 0);
        e.map.vertexDeclarations.Append("varying vec3 _T, _B;\n");
        e.map.fragmentDeclarations.Append("varying vec3 _T, _B;\n");
        AppendFormat(e.map.vertexBody, "_T = %s;\n _B = %s;\n", "a_tangent", "a_bitangent");
    } else {
        e.map.vertexDeclarations.Append(
            "attribute vec3 attribute_tangent, attribute_bitangent;\nvarying vec3 _T, _B;\n");
        e.map.fragmentDeclarations.Append("varying vec3 _T, _B;\n");
        e.map.vertexBody.Append("_T = /*gl_NormalMatrix **/ attribute_tangent;\n"
                                "_B = /*gl_NormalMatrix **/ attribute_bitangent;\n");
    }
    AppendFormat(e.map.fragmentBody, "mat3 %s = mat3(normalize(_T), normalize(_B), %s);\n", name,
                 normal->name.CStr());
    return ShaderTypeMat3;
}

u32 EmitRenderBuffer(zEmitter& e) {
    AppendFormat(e.map.fragmentDeclarations, "uniform sampler2D %s;\n", e.Name());
    ++e.map.samplerCounter;
    return ShaderTypeSampler2d;
}

u32 EmitTexture(zEmitter& e) {
    const char* name = e.Name();
    const u32 unit = e.map.samplerCounter++;
    if (e.es()) {
        if (EGL_ShaderParm* record = e.FragmentUniform("texture", ParmTexture, ShaderTypeSampler2d)) {
            record->texture = static_cast<const zTextureShaderBlock*>(e.block)->GetTexture();
            record->textureUnit = unit;
        }
    } else {
        AppendFormat(e.map.fragmentDeclarations, "uniform sampler2D %s;\n", name);
    }
    return ShaderTypeSampler2d;
}

u32 EmitSampler(zEmitter& e) {
    zGLSLVariable* texture = e.Input(0);
    if (!texture) return 0;
    zGLSLVariable* uv = e.Input(1);
    if (!uv) return 0;
    if (texture->type != ShaderTypeSampler2d || uv->type != ShaderTypeVec2) {
        return Refuse("Invalid input to the sampler2D block.\n");
    }
    AppendFormat(e.map.fragmentBody, "vec4 %s = texture2D(%s, %s);\n", e.Name(), texture->name.CStr(),
                 uv->name.CStr());
    return ShaderTypeVec4;
}

u32 EmitConstant(zEmitter& e) {
    const auto* constant = static_cast<const zConstantShaderBlock*>(e.block);
    const u32 type = constant->GetConstantType();
    const char* typeName = GLSLTypeName(type);
    if (!typeName || type == ShaderTypeNone) return RefuseMask("Unsupported parameter type (", type);
    const char* name = e.Name();
    if (e.es()) {
        if (EGL_ShaderParm* record = e.FragmentUniform("const", ParmConstant, type)) {
            for (u32 i = 0; i < 4; ++i)
                record->defaultValue[i] = constant->GetValue(i);
        }
    } else {
        AppendFormat(e.map.fragmentDeclarations, "uniform %s %s;\n", typeName, name);
    }
    return type;
}

u32 EmitColor(zEmitter& e) {
    const char* name = e.Name();
    if (e.es()) {
        if (EGL_ShaderParm* record = e.FragmentUniform("color", ParmColor, ShaderTypeVec4)) {
            for (u32 i = 0; i < 4; ++i)
                record->defaultValue[i] = static_cast<const zColorShaderBlock*>(e.block)->GetValue(i);
        }
    } else {
        AppendFormat(e.map.fragmentDeclarations, "uniform vec4 %s;\n", name);
    }
    return ShaderTypeVec4;
}

u32 EmitMaterialParam(zEmitter& e) {
    static const char* const DesktopTexts[] = {
        "vec4 %s = gl_FrontMaterial.diffuse;\n",
        "vec4 %s = gl_FrontMaterial.specular;\n",
        "vec4 %s = gl_FrontMaterial.emission;\n",
        "vec4 %s = gl_FrontMaterial.ambient;\n",
        "float %s = gl_FrontMaterial.shininess / 256.0;\n",
    };
    const u32 param = static_cast<const zMaterialParamShaderBlock*>(e.block)->GetParam();
    if (param > 5) {
        GetLog() << "[!] Unsupported material parameter (" << param << ").\n";
        return 0;
    }
    const u32 type = param >= 4 ? u32(ShaderTypeFloat) : u32(ShaderTypeVec4);
    const char* name = e.Name();
    if (e.es()) {
        zString display;
        display.Format("mat_param%u", param);
        e.FragmentUniform(display, ParmMaterialParam0 + param, type);
    } else if (param == 5) {
        AppendFormat(e.map.fragmentDeclarations, "uniform float %s;\n", name);
    } else {
        AppendFormat(e.map.fragmentBody, DesktopTexts[param], name);
    }
    return type;
}

u32 EmitScreenUV(zEmitter& e) {
    AppendFormat(e.map.fragmentBody, "vec2 %s = vec2(gl_FragCoord.x, gl_FragCoord.y);\n", e.Name());
    return ShaderTypeVec2;
}

u32 EmitUniformSource(zEmitter& e) {
    for (const zUniformSource& source : UniformSources) {
        if (source.blockType != e.block->GetType()) continue;
        const char* name = e.Name();
        if (e.es()) {
            e.FragmentUniform(BaseNames[source.blockType].es, source.semantic, source.type);
        } else {
            AppendFormat(e.map.fragmentDeclarations, "uniform %s %s;\n", GLSLTypeName(source.type), name);
        }
        return source.type;
    }
    return 0;
}

// ---- Operators ----

u32 EmitMix(zEmitter& e) {
    zGLSLVariable* a = e.Input(0);
    if (!a) return 0;
    zGLSLVariable* b = e.Input(1);
    if (!b) return 0;
    zGLSLVariable* k = e.Input(2);
    if (!k) return 0;
    if (a->type == ShaderTypeNone || b->type == ShaderTypeNone || k->type == ShaderTypeNone) {
        return Refuse("Block has no output.\n");
    }
    if (a->type != b->type) return Refuse("Cannot mix blocks, output do not match.\n");
    if (k->type != ShaderTypeFloat) return RefuseMask("Cannot mix blocks, incorrect type (", k->type);
    const char* typeName = GLSLTypeName(a->type);
    if (!typeName) return Refuse("Block has no output.\n");
    AppendFormat(e.map.fragmentBody, "%s %s = mix(%s, %s, %s);\n", typeName, e.Name(), b->name.CStr(),
                 a->name.CStr(), k->name.CStr());
    return a->type;
}

// Add, Sub, Mul, Div, Dot.
u32 EmitBinary(zEmitter& e) {
    const zOperatorTexts* texts = nullptr;
    for (const zOperatorTexts& candidate : OperatorTexts) {
        if (candidate.blockType == e.block->GetType()) texts = &candidate;
    }
    zGLSLVariable* a = e.Input(0);
    if (!a) return 0;
    zGLSLVariable* b = e.Input(1);
    if (!b) return 0;
    if (a->type == ShaderTypeNone || b->type == ShaderTypeNone) return Refuse("Block has no output.\n");
    u32 type = a->type;
    if (e.block->GetType() == ShaderBlockMul) {
        if (a->type == ShaderTypeSampler2d || b->type == ShaderTypeSampler2d) {
            return Refuse("Cannot multiply textures.\n");
        }
        // A matrix times the vector of its size, either way round: the
        // graph's own type rule, which tangent-space normals rely on.
        const u32 matrix = a->type > b->type ? a->type : b->type;
        const u32 vector = a->type > b->type ? b->type : a->type;
        if ((matrix == ShaderTypeMat3 && vector == ShaderTypeVec3) ||
            (matrix == ShaderTypeMat4 && vector == ShaderTypeVec4)) {
            type = vector;
        } else if (a->type != b->type) {
            return Refuse(texts->mismatch);
        }
    } else if (a->type != b->type) {
        return Refuse(texts->mismatch);
    }
    if (texts->refused &&
        (a->type == ShaderTypeMat3 || a->type == ShaderTypeMat4 || a->type == ShaderTypeSampler2d)) {
        return RefuseMask(texts->refused, a->type);
    }
    const char* name = e.Name();
    if (!texts->symbol) {
        AppendFormat(e.map.fragmentBody, "float %s = dot(%s, %s);\n", name, a->name.CStr(), b->name.CStr());
        return ShaderTypeFloat;
    }
    const char* typeName = GLSLTypeName(type);
    if (!typeName) return Refuse("Block has no output.\n");
    AppendFormat(e.map.fragmentBody, "%s %s = %s %s %s;\n", typeName, name, a->name.CStr(), texts->symbol,
                 b->name.CStr());
    return type;
}

u32 EmitCross(zEmitter& e) {
    zGLSLVariable* a = e.Input(0);
    if (!a) return 0;
    zGLSLVariable* b = e.Input(1);
    if (!b) return 0;
    if (a->type != ShaderTypeVec3 || b->type != ShaderTypeVec3) {
        return Refuse("Cannot only compute cross product on Vector3.\n");
    }
    AppendFormat(e.map.fragmentBody, "vec3 %s = cross(%s, %s);\n", e.Name(), a->name.CStr(), b->name.CStr());
    return ShaderTypeVec3;
}

u32 EmitClamp(zEmitter& e) {
    zGLSLVariable* value = e.Input(0);
    if (!value) return 0;
    zGLSLVariable* low = e.Input(1);
    if (!low) return 0;
    zGLSLVariable* high = e.Input(2);
    if (!high) return 0;
    const char* typeName = GLSLTypeName(value->type);
    if (!typeName || value->type == ShaderTypeNone) return Refuse("Block has no output.\n");
    AppendFormat(e.map.fragmentBody, "%s %s = clamp(%s, %s, %s);\n", typeName, e.Name(), value->name.CStr(),
                 low->name.CStr(), high->name.CStr());
    return value->type;
}

u32 EmitNormalize(zEmitter& e) {
    zGLSLVariable* value = e.Input(0);
    if (!value) return 0;
    const char* typeName = GLSLTypeName(value->type);
    if (!typeName || value->type == ShaderTypeNone) return Refuse("Block has no output.\n");
    AppendFormat(e.map.fragmentBody, "%s %s = normalize(%s);\n", typeName, e.Name(), value->name.CStr());
    return value->type;
}

u32 EmitSwizzle(zEmitter& e) {
    static const char Letters[] = "xyzw";
    const auto* swizzle = static_cast<const zSwizzleShaderBlock*>(e.block);
    zGLSLVariable* value = e.Input(0);
    if (!value) return 0;
    if (value->type == ShaderTypeNone) return Refuse("Invalid swizzle, no output.\n");
    const u32 width = ComponentCount(value->type);
    u32 codes[4];
    u32 count = 0;
    for (u32 i = 0; i < 4; ++i) {
        const u32 code = swizzle->GetComponent(i);
        if (code == SwizzleNone) continue;
        if (code > SwizzleW) return Refuse("Invalid component to swizzle.\n");
        if (code > width) return Refuse("Impossible swizzle.\n");
        codes[count++] = code;
    }
    if (count == 0) return Refuse("Invalid swizzle, no output.\n");
    const u32 type = TypeOfComponents(count);
    const char* typeName = GLSLTypeName(type);
    zString text;
    if (value->type == ShaderTypeFloat) {
        // A float has no components to select: repeat it in a constructor.
        AppendFormat(text, "%s %s = %s(", typeName, e.Name(), typeName);
        for (u32 i = 0; i < count; ++i) {
            if (i) text.Append(", ");
            text.AppendString(value->name);
        }
        text.Append(");\n");
    } else {
        AppendFormat(text, "%s %s = %s.", typeName, e.Name(), value->name.CStr());
        for (u32 i = 0; i < count; ++i) {
            const char letter[2] = {Letters[codes[i] - 1], '\0'};
            text.Append(letter);
        }
        text.Append(";\n");
    }
    e.map.fragmentBody.AppendString(text);
    return type;
}

u32 EmitBuild(zEmitter& e) {
    static const char* const Formats[] = {
        nullptr,
        "float %s = %s;\n",
        "vec2 %s = vec2(%s, %s);\n",
        "vec3 %s = vec3(%s, %s, %s);\n",
        "vec4 %s = vec4(%s, %s, %s, %s);\n",
    };
    static const char Letters[] = "xyzw";
    const auto* build = static_cast<const zBuildShaderBlock*>(e.block);
    zString parts[4];
    u32 count = 0;
    for (u32 i = 0; i < 4; ++i) {
        const u32 code = build->GetComponent(i);
        if (code == BuildZero || code == BuildOne) {
            parts[count++].Set(code == BuildZero ? "0.0" : "1.0");
            continue;
        }
        if (!build->GetInput(i)) break;
        zGLSLVariable* input = e.Input(i);
        if (!input) return 0;
        if (code > BuildW) return Refuse("Invalid component to swizzle.\n");
        const u32 component = code - BuildX; // 0..3
        if (component >= ComponentCount(input->type)) return Refuse("Impossible swizzle.\n");
        if (input->type == ShaderTypeFloat) {
            // Scalars take no swizzle in GLSL: the bare name is component x.
            parts[count++] = input->name;
        } else {
            parts[count++].Format("%s.%c", input->name.CStr(), Letters[component]);
        }
    }
    if (count == 0) return Refuse("Block has no output.\n");
    AppendFormat(e.map.fragmentBody, Formats[count], e.Name(), parts[0].CStr(), parts[1].CStr(),
                 parts[2].CStr(), parts[3].CStr());
    return TypeOfComponents(count);
}

u32 EmitTrigonometry(zEmitter& e) {
    zGLSLVariable* angle = e.Input(0);
    if (!angle) return 0;
    if (angle->type != ShaderTypeFloat) return Refuse("Incompatible source type.\n");
    const char* function = e.block->GetType() == ShaderBlockSinus ? "sin" : "cos";
    AppendFormat(e.map.fragmentBody, "float %s = %s(%s);\n", e.Name(), function, angle->name.CStr());
    return ShaderTypeFloat;
}

u32 EmitPow(zEmitter& e) {
    zGLSLVariable* value = e.Input(0);
    if (!value) return 0;
    zGLSLVariable* power = e.Input(1);
    if (!power) return 0;
    if (value->type != ShaderTypeFloat) return Refuse("Incompatible value type.\n");
    if (power->type != ShaderTypeFloat) return Refuse("Incompatible power type.\n");
    AppendFormat(e.map.fragmentBody, "float %s = pow(%s, %s);\n", e.Name(), value->name.CStr(),
                 power->name.CStr());
    return ShaderTypeFloat;
}

u32 EmitAbs(zEmitter& e) {
    zGLSLVariable* value = e.Input(0);
    if (!value) return 0;
    if (ComponentCount(value->type) == 0) return Refuse("Incompatible value type.\n");
    AppendFormat(e.map.fragmentBody, "%s %s = abs(%s);\n", GLSLTypeName(value->type), e.Name(),
                 value->name.CStr());
    return value->type;
}

u32 EmitUnpack(zEmitter& e) {
    zGLSLVariable* value = e.Input(0);
    if (!value) return 0;
    if (value->type == ShaderTypeVec3) {
        AppendFormat(e.map.fragmentBody, "vec3 %s = (%s - vec3(0.5, 0.5, 0.5)) * vec3(2.0, 2.0, 2.0);\n",
                     e.Name(), value->name.CStr());
    } else if (value->type == ShaderTypeVec4) {
        AppendFormat(e.map.fragmentBody,
                     "vec4 %s = (%s - vec4(0.5, 0.5, 0.5, 0.0)) * vec4(2.0, 2.0, 2.0, 1.0);\n", e.Name(),
                     value->name.CStr());
    } else {
        return Refuse("Invalid input to unpack to vector.\n");
    }
    return value->type;
}

u32 EmitPack(zEmitter& e) {
    zGLSLVariable* value = e.Input(0);
    if (!value) return 0;
    if (value->type == ShaderTypeVec3) {
        AppendFormat(e.map.fragmentBody, "vec3 %s = (%s + vec3(1.0, 1.0, 1.0)) * vec3(0.5, 0.5, 0.5);\n",
                     e.Name(), value->name.CStr());
    } else if (value->type == ShaderTypeVec4) {
        AppendFormat(e.map.fragmentBody,
                     "vec4 %s = (%s + vec4(1.0, 1.0, 1.0, 0.0)) * vec4(0.5, 0.5, 0.5, 1.0);\n", e.Name(),
                     value->name.CStr());
    } else {
        return Refuse("Invalid input to pack to vector.\n");
    }
    return value->type;
}

using zEmit = u32 (*)(zEmitter&);
// The emitter of each block type; ES Render Buffer has none.
const zEmit Emitters[ShaderBlockTypeCount] = {
    nullptr,           EmitVertex,        EmitNormal,        EmitUV,
    EmitSkinning,      EmitVertexColor,   EmitTangentFrame,  EmitRenderBuffer,
    EmitTexture,       EmitSampler,       EmitConstant,      EmitColor,
    EmitMaterialParam, EmitScreenUV,      EmitUniformSource, EmitUniformSource,
    EmitUniformSource, EmitUniformSource, EmitUniformSource, EmitUniformSource,
    EmitMix,           EmitBinary,        EmitBinary,        EmitBinary,
    EmitBinary,        EmitBinary,        EmitCross,         EmitClamp,
    EmitNormalize,     EmitSwizzle,       EmitBuild,         EmitTrigonometry,
    EmitTrigonometry,  EmitPow,           EmitAbs,           EmitUnpack,
    EmitPack,          EmitUniformSource,
};

} // namespace

const char* GLSLVersionLine(zGLSLForm form) {
    return form == GLSLFormES ? "#version 100\n" : "#version 120\n";
}

const char* GLSLTypeName(u32 typeMask) {
    switch (typeMask) {
    case ShaderTypeFloat:
        return "float";
    case ShaderTypeVec2:
        return "vec2";
    case ShaderTypeVec3:
        return "vec3";
    case ShaderTypeVec4:
        return "vec4";
    case ShaderTypeMat3:
        return "mat3";
    case ShaderTypeMat4:
        return "mat4";
    case ShaderTypeSampler2d:
        return "sampler2D";
    default:
        return nullptr;
    }
}

zGLSLCompiledMap::zGLSLCompiledMap(zGLSLForm formValue) : form(formValue) {
    Reset(*this, nullptr);
}

EGL_ShaderParm* AddShaderParameter(zGLSLCompiledMap& map, const char* displayName, const char* glslName,
                                   u32 stageMask, u32 storage, u32 semantic, u32 type) {
    return AddParameter(map, displayName, glslName, stageMask, storage, semantic, type, 0);
}

bool MakeUniqueName(zGLSLCompiledMap& map, zString& out, const char* base) {
    out.Format("_n_%s%04u", base ? base : "var", map.nameCounter);
    ++map.nameCounter;
    return true;
}

zGLSLVariable* CompileShaderBlock(zGLSLCompiledMap& map, zShaderBlock* block, const char* leadingText) {
    if (block && !map.blocks.Add(block)) {
        GetLog() << "Failed to allocate the compiled block list entry.\n";
        return nullptr;
    }
    return DispatchShaderBlock(map, block, leadingText);
}

zGLSLVariable* DispatchShaderBlock(zGLSLCompiledMap& map, const zShaderBlock* block,
                                   const char* leadingText) {
    if (!block) return nullptr;
    if (leadingText) map.signature.Append(leadingText);
    map.signature.AppendString(block->GetPrefix());
    for (auto* node = map.variables.GetHead(); node; node = node->next) {
        if (IsEquivalent(node->value->block, block)) return node->value.get();
    }
    const u32 type = block->GetType();
    if (type == ShaderBlockNone || type >= ShaderBlockTypeCount) {
        GetLog() << "[!] Unsupported render block type (" << type << "), don't how to compile.\n";
        return nullptr;
    }
    if (map.form == GLSLFormES && type == ShaderBlockRenderBuffer) return nullptr;

    std::unique_ptr<zGLSLVariable> fresh(new (std::nothrow) zGLSLVariable);
    zGLSLVariable* entry = fresh.get();
    if (!fresh || !map.variables.Add(std::move(fresh))) {
        GetLog() << "Failed to allocate a generated GLSL variable.\n";
        return nullptr;
    }
    entry->block = block;
    zEmitter emitter{map, block, entry};
    const u32 outputType = Emitters[type](emitter);
    if (outputType == 0) return nullptr;
    entry->type = outputType;
    return entry;
}

namespace {

zString Program(const zString& declarations, const zString& body) {
    zString program(declarations);
    if (!body.IsEmpty()) {
        program.Append("void main()\n{\n");
        program.AppendString(body);
        program.Append("\n}\n");
    }
    return program;
}

} // namespace

zString GetVertexProgram(const zGLSLCompiledMap& map) {
    return Program(map.vertexDeclarations, map.vertexBody);
}

zString GetFragmentProgram(const zGLSLCompiledMap& map) {
    return Program(map.fragmentDeclarations, map.fragmentBody);
}

void DumpPrograms(const zGLSLCompiledMap& map) {
    GetLog() << "\n" << GetVertexProgram(map) << "\n\nFragment:\n\n" << GetFragmentProgram(map) << "\n";
}

void Reset(zGLSLCompiledMap& map, zShaderParmList* parameters) {
    map.signature.Clear();
    map.nameCounter = 0;
    map.samplerCounter = 0;
    map.blocks.Clear();
    map.variables.Clear();
    map.ownBlocks.Clear();
    map.vertexBody.Clear();
    map.fragmentBody.Clear();
    map.declaredOnce = 0;
    map.parameters = parameters;
    if (parameters) parameters->Clear();
    if (map.form == GLSLFormES) {
        map.vertexDeclarations.Set(EsPrecisionHeader);
        map.fragmentDeclarations.Set(EsPrecisionHeader);
    } else {
        map.vertexDeclarations.Clear();
        map.fragmentDeclarations.Clear();
    }
}

zString GLSLVectorTerm(u32 components, const zGLSLVariable* variable, const char* absent) {
    zString out;
    if (!variable) {
        out.Set(absent);
    } else if (variable->type == ShaderTypeFloat) {
        out.Format("vec%u(%s)", components, variable->name.CStr());
    } else if (variable->type == ShaderTypeVec2) {
        out.Format(components == 4 ? "vec4(%s, 0.0, 1.0)" : "vec3(%s, 0.0)", variable->name.CStr());
    } else if (variable->type == ShaderTypeVec3 && components == 4) {
        out.Format("vec4(%s, 1.0)", variable->name.CStr());
    } else if (components == 3) {
        out.Format("%s.xyz", variable->name.CStr());
    } else {
        out.Set(variable->name.CStr());
    }
    return out;
}
