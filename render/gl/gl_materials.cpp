// Materials as generated programs: the pass texts around the material's
// graph, and their assembly into render maps with a per-pass program cache
// keyed by the generator's signature.
#include <new>

#include "core/log.h"
#include "render/gl/gl_renderer_data.h"
#include "render/material.h"
#include "render/shader/shader_map.h"

namespace {

// The passes materials are compiled for, in order.
const u32 MaterialPasses[] = {zGL3Renderer::PassForward, zGL3Renderer::PassNormalDepth,
                              zGL3Renderer::PassDepth, zGL3Renderer::PassGBuffer};

// Soft-Z fade: a contrast curve mirrored around 0.5.
const char* const ContrastFunction =
    "float Contrast(float vinput, float power)\n{\n"
    "\tfloat v = 0.5 * pow(clamp(2.0 * (vinput > 0.5 ? 1.0 - vinput : vinput), 0.0, 1.0), power);\n"
    "\treturn vinput > 0.5 ? 1.0 - v : v;\n}\n";

// A variable as a float term: the first component of a vector.
zString AsFloat(const zGLSLVariable* variable, const char* absent) {
    zString out;
    if (!variable) {
        out.Set(absent);
    } else if (variable->type == ShaderTypeFloat) {
        out.Set(variable->name.CStr());
    } else {
        out.Format("%s.x", variable->name.CStr());
    }
    return out;
}

f32 ClampedAlphaThreshold(const zMaterial& material) {
    const f32 threshold = material.GetAlphaThreshold();
    return threshold < 0.01f ? 0.01f : (threshold > 1.0f ? 1.0f : threshold);
}

} // namespace

u32 zGL3Renderer::GL_MaterialData::SlotOf(u32 pass) {
    switch (pass) {
    case PassNormalDepth:
        return SlotNormalDepth;
    case PassGBuffer:
        return SlotGBuffer;
    case PassForward:
        return SlotForward;
    case PassDepth:
        return SlotDepth;
    default:
        return MaterialMapCount;
    }
}

bool zGL3Renderer::SetupMaterial(zMaterial* material) {
    if (!material || material->GetRenderData()) return false;
    auto* data = new (std::nothrow) GL_MaterialData();
    if (!data) return false;
    material->SetRenderData(data);
    UpdateMaterial(material);
    return true;
}

void zGL3Renderer::FreeMaterial(zMaterial* material) {
    zRenderData* data = material ? material->GetRenderData() : nullptr;
    if (!data) return;
    material->SetRenderData(nullptr);
    delete data;
}

void zGL3Renderer::UpdateMaterial(zMaterial* material) {
    auto* data = material ? dynamic_cast<GL_MaterialData*>(material->GetRenderData()) : nullptr;
    if (!data) return;
    if (!material->GetShaderMap()) {
        zShaderMap* built = material->BuildShaderMapFromFixedFunction();
        if (built) material->SetShaderMap(built);
    }
    for (auto& map : data->maps)
        map.reset();
    data->unclippedDepth.reset();
    if (GetSystemWord(SystemDisableShader) || !material->GetShaderMap() || !m_context) return;

    for (u32 pass : MaterialPasses)
        data->maps[GL_MaterialData::SlotOf(pass)].reset(BuildRenderMap(pass, *material, true));
}

GL3_RenderMap* zGL3Renderer::BuildRenderMap(u32 pass, zMaterial& material, bool clipTest) {
    zGeometryVertexShaderBlock position;
    zGeometrySkinningShaderBlock skinning;
    const bool skinned = (material.GetFlags() & MaterialFlagSkinned) != 0;
    BuildPassText(pass, material, &position, skinned ? &skinning : nullptr, clipTest);
    GL3_RenderMap* map = CompileRenderMap(pass, &material);
    // The generator keeps pointers to the temporary blocks: drop them now.
    Reset(m_generator, nullptr);
    return map;
}

void zGL3Renderer::BuildPassText(u32 pass, zMaterial& material, zShaderBlock* position,
                                 zShaderBlock* skinning, bool clipTest) {
    zGLSLCompiledMap& g = m_generator;
    const zShaderMap& graph = *material.GetShaderMap();
    Reset(g, nullptr);
    zGLSLVariable* vertex = CompileShaderBlock(g, position, "VtxSink_");
    zGLSLVariable* skin = skinning ? CompileShaderBlock(g, skinning, nullptr) : nullptr;
    const char* vertexName = vertex ? vertex->name.CStr() : "gl_Vertex";
    // The g-buffer pass tests for equality with the depth the normal pass
    // left: both must place every vertex exactly alike.
    g.vertexDeclarations.Append("invariant gl_Position;\n");
    g.vertexDeclarations.Append("varying vec3 frag_world_pos;");
    zString line;
    if (skin) {
        line.Format("gl_Position = gl_ModelViewProjectionMatrix * %s * %s;\n", skin->name.CStr(), vertexName);
        g.vertexBody.Append(line);
        line.Format("frag_world_pos = (gl_ModelViewMatrix * %s * %s).xyz;\n", skin->name.CStr(), vertexName);
    } else {
        line.Format("gl_Position = gl_ModelViewProjectionMatrix * %s;\n", vertexName);
        g.vertexBody.Append(line);
        line.Format("frag_world_pos = (gl_ModelViewMatrix * %s).xyz;\n", vertexName);
    }
    g.vertexBody.Append(line);
    g.fragmentDeclarations.Append("varying vec3 frag_world_pos;");
    g.fragmentDeclarations.Append("uniform float user_clip_d;\n");
    g.fragmentDeclarations.Append("uniform vec3 user_clip_n;\n");
    if (clipTest) {
        g.fragmentBody.Append(
            "if ((dot(user_clip_n, user_clip_n) > 0.1) && ((dot(frag_world_pos, user_clip_n) + "
            "user_clip_d) > 0.0)) discard;");
    } else {
        g.signature.Append("NoClip_");
    }

    zGLSLVariable* opacity = nullptr;
    if (pass != PassNormalDepth && graph.GetOutput(ShaderOutputOpacity)) {
        opacity = CompileShaderBlock(g, graph.GetOutput(ShaderOutputOpacity), "OpacitySink_");
        if (opacity) AddOpacityText(material, opacity);
    }
    const zString opacityValue = AsFloat(opacity, "1.0");

    switch (pass) {
    case PassForward: {
        zShaderBlock* diffuseBlock = graph.GetOutput(ShaderOutputDiffuse);
        zGLSLVariable* diffuse = diffuseBlock ? CompileShaderBlock(g, diffuseBlock, "DiffuseSink_") : nullptr;
        if (diffuse) {
            line.Format("gl_FragColor = vec4(%s, %s);", GLSLVectorTerm(3, diffuse, "").CStr(),
                        opacityValue.CStr());
        } else {
            line.Set("gl_FragColor = vec4(1.0, 0.0, 1.0, 1.0);");
        }
        g.fragmentBody.Append(line);
        break;
    }
    case PassNormalDepth: {
        zShaderBlock* normalBlock = graph.GetOutput(ShaderOutputNormal);
        zGLSLVariable* normal = normalBlock ? CompileShaderBlock(g, normalBlock, "NormalSink_") : nullptr;
        g.vertexDeclarations.Append("varying float depth;\n");
        g.fragmentDeclarations.Append("varying float depth;\n");
        g.vertexBody.Append("depth = gl_Position.z;\n");
        const zString normalValue = GLSLVectorTerm(3, normal, "vec3(0.0, 0.0, 0.0)");
        if (skin) {
            line.Format("gl_FragColor = vec4(normalize(gl_NormalMatrix * (mat3(%s) * %s)), depth);\n",
                        skin->name.CStr(), normalValue.CStr());
        } else {
            line.Format("gl_FragColor = vec4(normalize(gl_NormalMatrix * %s), depth);\n", normalValue.CStr());
        }
        g.fragmentBody.Append(line);
        break;
    }
    case PassDepth:
        g.fragmentBody.Append("gl_FragColor = vec4(gl_FragCoord.z);");
        g.fragmentBody.Append("gl_FragDepth = gl_FragCoord.z;");
        break;
    case PassGBuffer: {
        auto compile = [&g, &graph](u32 output, const char* sink) {
            zShaderBlock* block = graph.GetOutput(output);
            return block ? CompileShaderBlock(g, block, sink) : nullptr;
        };
        zGLSLVariable* diffuse = compile(ShaderOutputDiffuse, "DiffuseSink_");
        zGLSLVariable* specular = compile(ShaderOutputSpecular, "SpecularSink_");
        zGLSLVariable* glossiness = compile(ShaderOutputGlossiness, "GlossinessSink_");
        zGLSLVariable* constant = compile(ShaderOutputConstant, "ConstantSink_");
        const bool toFrame = (material.GetFlags() & MaterialFlagAlphaToFrame) != 0;
        line.Format("\t\t\t\tgl_FragData[0] = vec4(%s, %s);\n\t\t\t\tgl_FragData[1] = vec4(%s, %s);\n"
                    "\t\t\t\tgl_FragData[2] = vec4(%s, %s);\n\t\t\t\t",
                    GLSLVectorTerm(3, diffuse, "1.0, 1.0, 1.0").CStr(), toFrame ? "1.0" : opacityValue.CStr(),
                    GLSLVectorTerm(3, specular, "0.0, 0.0, 0.0").CStr(), AsFloat(glossiness, "0.1").CStr(),
                    GLSLVectorTerm(3, constant, "0.0, 0.0, 0.0").CStr(), "0.0");
        g.fragmentBody.Append(line);
        break;
    }
    default:
        break;
    }
}

void zGL3Renderer::AddOpacityText(zMaterial& material, zGLSLVariable* opacity) {
    zGLSLCompiledMap& g = m_generator;
    const u32 flags = material.GetFlags();
    // Only a float can be faded or tested in place.
    const zString value = AsFloat(opacity, "1.0");
    zString line;
    if (flags & MaterialFlagAlphaSoftZ) {
        g.vertexDeclarations.Append("varying float soft_depth;\n");
        g.vertexBody.Append("soft_depth = gl_Position.z;\n");
        g.fragmentDeclarations.Append("varying float soft_depth;\n");
        g.fragmentDeclarations.Append("uniform sampler2D normal_depth_map;\n");
        g.fragmentDeclarations.Append("uniform vec2 inverse_buffer_size;\n");
        g.fragmentDeclarations.Append(ContrastFunction);
        g.fragmentBody.Append("float screen_depth = texture2D(normal_depth_map, vec2(gl_FragCoord.x, "
                              "gl_FragCoord.y) * inverse_buffer_size).w;\n");
        if (opacity->type == ShaderTypeFloat) {
            line.Format("%s = %s * Contrast((screen_depth - soft_depth) / 0.5, 2.0);\n", opacity->name.CStr(),
                        opacity->name.CStr());
            g.fragmentBody.Append(line);
        }
        g.signature.Append("ASoftZ_");
    } else if (flags & MaterialFlagAlphaToFrame) {
        g.signature.Append("AToFrame_");
    } else {
        // The threshold is a uniform set at each draw, so that materials
        // sharing the program keep their own thresholds.
        g.fragmentDeclarations.Append("uniform float alpha_threshold;\n");
        g.fragmentDeclarations.Append("uniform sampler2D dither_map;\n");
        g.fragmentBody.Append(
            "vec2\tscreen_space = vec2(gl_FragCoord.x, gl_FragCoord.y) / vec2(8.0, 8.0);\n");
        line.Format("if ((%s + 0.01) /* EJ: Adress GF8x00 FP precision issue */ < texture2D(dither_map, "
                    "screen_space).x) discard;\n",
                    value.CStr());
        g.fragmentBody.Append(line);
        line.Format("if (%s < alpha_threshold) discard;\n", value.CStr());
        g.fragmentBody.Append(line);
    }
}

const zGLSLVariable* zGL3Renderer::FindEmittedVariable(const zShaderBlock* block) const {
    for (auto* node = m_generator.variables.GetHead(); node; node = node->next) {
        if (node->value && node->value->block == block) return node->value.get();
    }
    return nullptr;
}

namespace {

// The source of one stage: the version line, the declarations, then main.
zString AssembleSource(const zString& declarations, const zString& body) {
    zString source(GLSLVersionLine(GLSLFormDesktop));
    if (!declarations.IsEmpty()) source.Append(declarations);
    source.Append("\nvoid main()\n{\n");
    if (!body.IsEmpty()) source.Append(body);
    source.Append("}\n");
    return source;
}

} // namespace

GL3_RenderMap* zGL3Renderer::CompileRenderMap(u32 pass, zMaterial* material) {
    if (pass >= PassCount) return nullptr;
    std::unique_ptr<GL3_RenderMap> map(new (std::nothrow) GL3_RenderMap());
    if (!map) {
        GetLog() << "[!] "
                 << "Failed to allocate compiled GL3 render map.";
        return nullptr;
    }
    map->material = material;
    const zGLSLCompiledMap& g = m_generator;

    zGL3Shader* program = nullptr;
    for (auto* node = m_programs[pass].GetHead(); node; node = node->next) {
        if (node->value && node->value->GetName() == g.signature) {
            program = node->value.Get();
            break;
        }
    }
    if (!program) {
        const zString vertex = AssembleSource(g.vertexDeclarations, g.vertexBody);
        const zString fragment = AssembleSource(g.fragmentDeclarations, g.fragmentBody);
        zSharedPtr<zGL3Shader> made(new (std::nothrow) zGL3Shader(this, m_gl));
        ++m_programCompiles;
        if (made && made->Setup(g.signature.CStr(), vertex.CStr(), fragment.CStr()) &&
            m_programs[pass].Add(made)) {
            program = made.Get();
        }
    }
    map->program = program;
    // Slots, records and locations all need a linked program.
    if (!program) return map.release();
    const GLhandleARB handle = program->GetProgram();
    auto uniformLocation = [this, handle](const char* name) {
        return m_gl.glGetUniformLocationARB(handle, name);
    };

    u32 slot = 0;
    auto bind = [&map, &slot](zTexture* texture, GLint location, u8 wrapU, u8 wrapV) {
        if (location == -1) return;
        if (slot >= GL3_RenderMap::SlotCount) {
            GetLog() << "[*] More than " << GL3_RenderMap::SlotCount << " textures in one material pass, '"
                     << (texture ? texture->GetName() : zString("")) << "' is not bound.\n";
            return;
        }
        map->textures[slot] = zSharedPtr<zTexture>(texture);
        map->samplerLocations[slot] = location;
        map->wrap[slot][0] = wrapU;
        map->wrap[slot][1] = wrapV;
        ++slot;
    };
    for (auto* node = g.variables.GetHead(); node; node = node->next) {
        const zGLSLVariable& variable = *node->value;
        if (!variable.block) continue;
        switch (variable.block->GetType()) {
        case ShaderBlockGeometryUV: {
            const u32 channel = static_cast<const zGeometryUVShaderBlock*>(variable.block)->GetChannel();
            if (channel < GL3_RenderMap::UVChannelCount) map->uvChannels[channel] = 1;
            break;
        }
        case ShaderBlockRenderBuffer:
            if (static_cast<const zRenderBufferShaderBlock*>(variable.block)->GetBuffer() == 0) {
                bind(m_targets[TargetAttr0].Get(), uniformLocation(variable.name.CStr()), 1, 1);
            }
            break;
        case ShaderBlockSampler2d: {
            const auto* sampler = static_cast<const zSampler2dShaderBlock*>(variable.block);
            const zShaderBlock* input = sampler->GetInput(0);
            // A render buffer binds through its own entry.
            if (!input || input->GetType() != ShaderBlockTexture) break;
            const zGLSLVariable* textureVariable = FindEmittedVariable(input);
            if (!textureVariable) break;
            bind(static_cast<const zTextureShaderBlock*>(input)->GetTexture(),
                 uniformLocation(textureVariable->name.CStr()), sampler->GetWrapU() ? 1 : 0,
                 sampler->GetWrapV() ? 1 : 0);
            break;
        }
        default:
            break;
        }
    }

    for (auto* node = g.variables.GetHead(); node; node = node->next) {
        const zGLSLVariable& variable = *node->value;
        if (!variable.block) continue;
        const u32 type = variable.block->GetType();
        std::unique_ptr<GL3_ShaderUniform> record;
        switch (type) {
        case ShaderBlockConstant:
        case ShaderBlockColor: {
            record.reset(new (std::nothrow) GL3_ShaderUniform());
            if (!record) break;
            for (u32 i = 0; i < 4; ++i) {
                record->value[i] = type == ShaderBlockConstant
                                       ? static_cast<const zConstantShaderBlock*>(variable.block)->GetValue(i)
                                       : static_cast<const zColorShaderBlock*>(variable.block)->GetValue(i);
            }
            break;
        }
        case ShaderBlockMaterialParam:
            if (static_cast<const zMaterialParamShaderBlock*>(variable.block)->GetParam() != 5) break;
            record.reset(new (std::nothrow) GL3_ShaderUniform());
            if (record) record->storedValue = 0;
            break;
        case ShaderBlockViewVector:
        case ShaderBlockViewport:
        case ShaderBlockNormalViewMatrix:
        case ShaderBlockNormalMatrix:
        case ShaderBlockModelViewMatrix:
        case ShaderBlockModelMatrix:
        case ShaderBlockClock:
            record.reset(new (std::nothrow) GL3_ShaderUniform());
            break;
        default:
            break;
        }
        if (!record) continue;
        record->location = uniformLocation(variable.name.CStr());
        record->blockType = type;
        record->typeMask = variable.type;
        if (map->uniforms.Add(record.get(), true, true)) record.release();
    }

    static const char* const AttributeNames[] = {"attribute_tangent", "attribute_bitangent", "skin_id",
                                                 "skin_w"};
    for (u32 i = 0; i < 4; ++i)
        program->SetLocation(zGL3Shader::Location(i), m_gl.glGetAttribLocation(handle, AttributeNames[i]));
    program->SetLocation(zGL3Shader::LocationAlphaThreshold, uniformLocation("alpha_threshold"));
    program->SetLocation(zGL3Shader::LocationInverseBufferSize, uniformLocation("inverse_buffer_size"));

    bind(m_ditherTexture.Get(), uniformLocation("dither_map"), 1, 1);
    bind(m_targets[TargetAttr0].Get(), uniformLocation("normal_depth_map"), 1, 1);
    return map.release();
}

GL3_RenderMap::~GL3_RenderMap() = default;

f32 zGL3Renderer::MaterialAlphaThreshold(const zMaterial& material) {
    return ClampedAlphaThreshold(material);
}
