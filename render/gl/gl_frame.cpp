// The frame: clearing, matrices, viewport, the draw order of the render queue
// in both pipelines, the fixed-function state kept and restored, immediate
// drawing, the mesh draw passes, the ambient pass and the present.
#include <cmath>
#include <cstring>

#include "core/clock.h"
#include "core/log.h"
#include "markup/registry.h"
#include "picture/pixel_format.h"
#include "render/geometry.h"
#include "render/gl/gl_renderer_data.h"
#include "render/material.h"
#include "render/render_font.h"
#include "render/texture.h"

namespace {

// Engine matrices keep rows in memory order; GL wants columns.
void Transposed(const zMatrix4& in, f32 out[16]) {
    for (u32 r = 0; r < 4; ++r)
        for (u32 c = 0; c < 4; ++c)
            out[c * 4 + r] = in.e[r * 4 + c];
}

const f32 White[4] = {1.0f, 1.0f, 1.0f, 1.0f};

// A byte offset in the bound buffer object, as GL takes it.
const void* BufferOffset(u32 offset) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(offset));
}
const f32 Black[4] = {0.0f, 0.0f, 0.0f, 1.0f};

// GL refuses a shininess above 128 and keeps the old value.
f32 GLShininess(f32 shininess) {
    return shininess < 0.0f ? 0.0f : (shininess > 128.0f ? 128.0f : shininess);
}

} // namespace

// Matrices, clip plane, viewport.

void zGL3Renderer::SetViewMatrix(const zMatrix4& matrix) {
    std::memcpy(m_view, matrix.e, sizeof m_view);
}

void zGL3Renderer::LoadGLMatrix(GLenum mode, const zMatrix4& matrix) {
    if (!m_context) return;
    f32 columns[16];
    Transposed(matrix, columns);
    m_gl.glMatrixMode(mode);
    m_gl.glLoadMatrixf(columns);
    m_gl.glMatrixMode(zgl::Modelview);
    m_matrixMode = zgl::Modelview;
}

void zGL3Renderer::SetProjectionMatrix(const zMatrix4& matrix) {
    std::memcpy(m_projectionCopy, matrix.e, sizeof m_projectionCopy);
    LoadGLMatrix(zgl::Projection, matrix);
}

void zGL3Renderer::SetModelMatrix(const zMatrix4& matrix) {
    zMatrix4 view;
    std::memcpy(view.e, m_view, sizeof m_view);
    const zMatrix4 modelView = zMatrix4::Multiply(view, matrix);
    std::memcpy(m_modelView, modelView.e, sizeof m_modelView);
    LoadGLMatrix(zgl::Modelview, modelView);
}

void zGL3Renderer::ClearClippingPlane() {
    m_clipPlane[0] = m_clipPlane[1] = m_clipPlane[2] = 0.0f;
    m_clipPlane[3] = 1.0f;
    f32* plane = ClippingPlane();
    plane[0] = plane[1] = plane[2] = 0.0f;
    plane[3] = 1.0f;
}

void zGL3Renderer::SetClippingPlane(const zVector& point, const zVector& normal) {
    // Into view space, where the material programs test frag_world_pos.
    zMatrix4 view;
    std::memcpy(view.e, m_view, sizeof m_view);
    zVector n = normal, p = point;
    view.RotateArray(&n, &n, 1);
    view.TransformPoints(&p, &p, 1);
    m_clipPlane[0] = n.x;
    m_clipPlane[1] = n.y;
    m_clipPlane[2] = n.z;
    m_clipPlane[3] = -(n.x * p.x + n.y * p.y + n.z * p.z);
    std::memcpy(ClippingPlane(), m_clipPlane, sizeof m_clipPlane);
}

void zGL3Renderer::SetViewport(i32 x, i32 y, i32 width, i32 height) {
    m_viewport[0] = x;
    m_viewport[1] = y;
    m_viewport[2] = width;
    m_viewport[3] = height;
    SetScissoredViewport(x, y, width, height);
}

void zGL3Renderer::GetViewport(i32& x, i32& y, i32& width, i32& height) {
    x = m_viewport[0];
    y = m_viewport[1];
    width = m_viewport[2];
    height = m_viewport[3];
}

void zGL3Renderer::SetScissoredViewport(i32 x, i32 y, i32 width, i32 height) {
    if (!m_context) return;
    m_gl.glViewport(x, y, width, height);
    m_gl.glScissor(x, y, width, height);
    m_gl.glEnable(zgl::ScissorTest);
    m_viewportReciprocal[0] = width > 0 ? 1.0f / f32(width) : 1.0f;
    m_viewportReciprocal[1] = height > 0 ? 1.0f / f32(height) : 1.0f;
    m_viewportRatio[0] = width > 0 && m_targetWidth > 0.0f ? m_targetWidth / f32(width) : 1.0f;
    m_viewportRatio[1] = height > 0 && m_targetHeight > 0.0f ? m_targetHeight / f32(height) : 1.0f;
}

void zGL3Renderer::SetSupersampledViewport() {
    const f32 s = m_supersample;
    SetScissoredViewport(i32(std::lround(f32(m_viewport[0]) * s)), i32(std::lround(f32(m_viewport[1]) * s)),
                         i32(std::lround(f32(m_viewport[2]) * s)), i32(std::lround(f32(m_viewport[3]) * s)));
}

void zGL3Renderer::SetTargetTexture(zTexture* texture) {
    if (!m_gl.glBindFramebufferEXT) return;
    if (!texture) {
        m_gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
        return;
    }
    const GLuint name = TextureName(texture);
    if (!name) return;
    m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::ColorAttachment0, zgl::Texture2D, name, 0);
}

// Clearing and state.

void zGL3Renderer::ClearTarget(f32 red, f32 green, f32 blue, f32 alpha, f32 depth, GLbitfield mask) {
    m_gl.glClearDepth(depth);
    m_gl.glClearColor(red, green, blue, alpha);
    m_gl.glClear(mask);
}

void zGL3Renderer::ClearFrame(f32 red, f32 green, f32 blue, f32 alpha, f32 depth, u8 flags) {
    if (!m_context) return;
    SetSupersampledViewport();
    if (GetSystemWord(SystemDisableShader)) {
        SetTargetTexture(nullptr);
        m_gl.glClearColor(red, green, blue, alpha);
    } else {
        if (m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_gbufferFBO);
        m_gl.glClearColor(red, green, blue, 0.0f);
        for (u32 target : {TargetAttr0, TargetAttr2, TargetAttr3, TargetAttr1}) {
            SetTargetTexture(m_targets[target].Get());
            m_gl.glClear(zgl::ColorBufferBit);
        }
        zTexture* output = GetOutputTexture();
        if (output && m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_outputFBO);
        SetTargetTexture(output);
    }
    m_gl.glClearDepth(depth);
    GLbitfield mask = 0;
    if (flags & ClearColor) mask |= zgl::ColorBufferBit;
    if (flags & ClearDepth) mask |= zgl::DepthBufferBit;
    if (mask) m_gl.glClear(mask);
    SetScissoredViewport(m_viewport[0], m_viewport[1], m_viewport[2], m_viewport[3]);
}

void zGL3Renderer::SetMaterialColors(const f32 ambient[4], const f32 diffuse[4], const f32 specular[4],
                                     const f32 emission[4], f32 shininess) {
    m_gl.glMaterialfv(zgl::FrontAndBack, zgl::Ambient, ambient);
    m_gl.glMaterialfv(zgl::FrontAndBack, zgl::Diffuse, diffuse);
    m_gl.glMaterialfv(zgl::FrontAndBack, zgl::Specular, specular);
    m_gl.glMaterialfv(zgl::FrontAndBack, zgl::Emission, emission);
    m_gl.glMaterialf(zgl::FrontAndBack, zgl::Shininess, GLShininess(shininess));
}

void zGL3Renderer::ResetGLState() {
    if (!m_context) return;
    m_gl.glHint(zgl::PerspectiveCorrectionHint, zgl::Nicest);
    m_gl.glDisable(zgl::Lighting);
    m_gl.glFrontFace(zgl::Ccw);
    m_gl.glEnable(zgl::CullFace);
    m_gl.glCullFace(zgl::Back);
    m_gl.glEnable(zgl::Normalize);
    m_gl.glFogi(zgl::FogMode, GLint(zgl::LinearFog));
    m_gl.glAlphaFunc(zgl::Greater, 0.1f);
    m_gl.glEnable(zgl::DepthTest);
    m_gl.glDepthMask(1);
    m_gl.glDepthFunc(zgl::Lequal);
    m_gl.glVertexPointer(3, zgl::Float, 0, nullptr);
    m_gl.glNormalPointer(zgl::Float, 0, nullptr);
    m_gl.glColorPointer(3, zgl::Float, 0, nullptr);
    m_gl.glMatrixMode(zgl::Modelview);
    m_matrixMode = zgl::Modelview;
    SetMaterialColors(Black, Black, Black, Black, 0.0f);
    m_gl.glLightModeli(zgl::LightModelColorControl, GLint(zgl::SeparateSpecularColor));
}

void zGL3Renderer::BindUnit(u32 unit, zTexture* texture) {
    const GLuint name = TextureName(texture);
    if (!name || unit >= UnitCount) return;
    m_gl.glActiveTextureARB(zgl::Texture0 + unit);
    m_gl.glBindTexture(zgl::Texture2D, name);
    m_gl.glEnable(zgl::Texture2D);
    m_unitWords[unit] |= UnitTexture;
}

u32 zGL3Renderer::FirstFreeUnit() const {
    for (u32 unit = 0; unit < UnitCount; ++unit)
        if (!m_unitWords[unit]) return unit;
    return UnitCount;
}

void zGL3Renderer::ResetUnits(u32 from) {
    if (!m_context) return;
    for (u32 unit = from; unit < UnitCount; ++unit) {
        const u32 word = m_unitWords[unit];
        if (!word) continue;
        m_gl.glActiveTextureARB(zgl::Texture0 + unit);
        m_gl.glClientActiveTextureARB(zgl::Texture0 + unit);
        if (word & UnitCombiner) {
            m_gl.glTexEnvi(zgl::TextureEnv, zgl::TextureEnvMode, GLint(zgl::Combine));
            m_gl.glTexEnvi(zgl::TextureEnv, zgl::CombineRgb, GLint(zgl::Modulate));
            m_gl.glTexEnvi(zgl::TextureEnv, zgl::CombineAlpha, GLint(zgl::Modulate));
            m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source0Rgb, GLint(zgl::TextureSource));
            m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source1Rgb, GLint(zgl::PreviousSource));
            m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source0Alpha, GLint(zgl::TextureSource));
            m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source1Alpha, GLint(zgl::PreviousSource));
        }
        if (word & UnitTexGen) {
            m_gl.glDisable(zgl::TextureGenS);
            m_gl.glDisable(zgl::TextureGenT);
        }
        if (word & UnitCoordArray) m_gl.glDisableClientState(zgl::TextureCoordArray);
        if (word & UnitTextureMatrix) {
            m_gl.glMatrixMode(zgl::TextureMatrix);
            m_gl.glLoadIdentity();
            m_gl.glMatrixMode(zgl::Modelview);
        }
        if (word & UnitTexture) {
            m_gl.glBindTexture(zgl::Texture2D, 0);
            m_gl.glDisable(zgl::Texture2D);
        }
        m_unitWords[unit] = 0;
    }
    m_gl.glActiveTextureARB(zgl::Texture0);
    m_gl.glClientActiveTextureARB(zgl::Texture0);
}

void zGL3Renderer::BeginFixedFunction() {
    m_gl.glPushAttrib(zgl::LightingBit | zgl::FogBit);
    m_gl.glEnable(zgl::Lighting);
    m_gl.glEnable(zgl::AlphaTest);
    const zFogState& fog = GetFog();
    if (fog.enabled) {
        m_gl.glFogfv(zgl::FogColor, fog.color);
        m_gl.glFogf(zgl::FogStart, fog.nearDistance);
        m_gl.glFogf(zgl::FogEnd, fog.farDistance);
        m_gl.glEnable(zgl::Fog);
    }
    // The table is the scene's answer for this view, at most eight lights.
    ClearFixedLights();
    if (!GetSceneInterface()) {
        GetLog() << "[*] No scene interface.\n";
    } else {
        zList<zRenderLight*> lights;
        CollectFrameLights(lights, 8);
        for (auto* node = lights.GetHead(); node; node = node->next)
            AddFixedLight(node->value);
    }
    LoadFixedLights();
    m_gl.glColorMask(1, 1, 1, 1);
}

void zGL3Renderer::LoadFixedLights() {
    // Positions are given in world space: with an identity model matrix GL
    // takes them through the view into eye space, where it keeps them.
    m_gl.glLightModeli(zgl::LightModelLocalViewer, 1);
    SetModelMatrix(zMatrix4());
    const u32 count = m_fixedLightCount < 8 ? m_fixedLightCount : 8;
    for (u32 index = 0; index < count; ++index) {
        zRenderLight* light = m_fixedLights[index];
        const GLenum name = zgl::Light0 + index;
        if (!light) {
            m_gl.glDisable(name);
            continue;
        }
        zVector position;
        zVector axis;
        light->GetRenderAxes(position, axis);
        m_gl.glEnable(name);
        GLfloat place[4] = {position.x, position.y, position.z, 1.0f};
        if (light->type == 2) {
            place[0] = -axis.x;
            place[1] = -axis.y;
            place[2] = -axis.z;
            place[3] = 0.0f;
        }
        m_gl.glLightfv(name, zgl::Position, place);
        const GLfloat diffuse[4] = {light->diffuse.x * light->diffuseIntensity,
                                    light->diffuse.y * light->diffuseIntensity,
                                    light->diffuse.z * light->diffuseIntensity, 1.0f};
        const GLfloat specular[4] = {light->specular.x * light->specularIntensity,
                                     light->specular.y * light->specularIntensity,
                                     light->specular.z * light->specularIntensity, 1.0f};
        m_gl.glLightfv(name, zgl::Diffuse, diffuse);
        m_gl.glLightfv(name, zgl::Specular, specular);
        if (light->type == 3) {
            const GLfloat direction[3] = {axis.x, axis.y, axis.z};
            // The cone angle is in radians; GL wants whole degrees, at most 90.
            GLfloat cutoff = GLfloat(i32(light->coneAngle * 57.29578f)) / 2.0f;
            if (cutoff < 0.0f) cutoff = 0.0f;
            if (cutoff > 90.0f) cutoff = 90.0f;
            m_gl.glLightfv(name, zgl::SpotDirection, direction);
            m_gl.glLightf(name, zgl::SpotCutoff, cutoff);
            m_gl.glLightf(name, zgl::SpotExponent, 16.0f);
        } else {
            m_gl.glLightf(name, zgl::SpotCutoff, 180.0f);
            m_gl.glLightf(name, zgl::SpotExponent, 0.0f);
        }
        m_gl.glLightf(name, zgl::LinearAttenuation, light->range > 0.0f ? 7.0f / light->range : 0.0f);
    }
    for (u32 index = count; index < 8; ++index)
        m_gl.glDisable(zgl::Light0 + index);
}

void zGL3Renderer::AddFixedLight(zRenderLight* light) {
    if (!light) return;
    if (m_fixedLightCount >= 8) {
        GetLog() << "[!] Too many fixed-function lights, extra light ignored.\n";
        return;
    }
    m_fixedLights[m_fixedLightCount++] = light;
}

void zGL3Renderer::EndFixedFunction() {
    m_gl.glDisable(zgl::AlphaTest);
    m_gl.glPopAttrib();
    // The lights belong to this frame's scene.
    ClearFixedLights();
}

void zGL3Renderer::ApplyBlendMode(const zMaterial* material) {
    m_gl.glEnable(zgl::Blend);
    if (material->GetFlags() & MaterialFlagAdditive) {
        m_gl.glBlendFunc(zgl::SrcAlpha, zgl::One);
        m_gl.glDisable(zgl::Fog);
    } else {
        m_gl.glBlendFunc(zgl::SrcAlpha, zgl::OneMinusSrcAlpha);
    }
    m_gl.glEnable(zgl::AlphaTest);
}

void zGL3Renderer::ApplyMaterialState(const zMaterial* material) {
    const u32 flags = material->GetFlags();
    m_gl.glShadeModel((flags & MaterialFlagSmoothing) ? zgl::Smooth : zgl::Flat);
    m_gl.glPolygonMode(zgl::FrontAndBack, (flags & MaterialFlagWireframe) ? zgl::Line : zgl::FillMode);
    m_gl.glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (flags & MaterialFlagDoubleSided) m_gl.glDisable(zgl::CullFace);
    m_gl.glAlphaFunc(zgl::Greater, material->GetAlphaThreshold());
    const zTextureStage& first = material->GetStage(0);
    const bool textured = first.active && first.texture;
    SetMaterialColors(material->GetAmbient(), textured ? White : material->GetDiffuse(),
                      material->GetSpecular(), material->GetSelfIllum(), material->GetGlossiness() * 256.0f);
}

void zGL3Renderer::BindMaterialUniforms(const GL3_RenderMap& map, const zMatrix4& model) {
    zMatrix4 view;
    std::memcpy(view.e, m_view, sizeof m_view);
    const zMatrix4 modelView = zMatrix4::Multiply(view, model);
    for (const zLinkedListEntry* entry = map.uniforms.GetHead(); entry; entry = entry->GetNext()) {
        const auto& record = *static_cast<const GL3_ShaderUniform*>(entry);
        if (record.location == -1) continue;
        f32 value[4] = {record.value[0], record.value[1], record.value[2], record.value[3]};
        f32 matrix[16];
        bool isMatrix = false;
        switch (record.blockType) {
        case ShaderBlockMaterialParam:
            value[0] = map.material ? map.material->GetOpacity() : 1.0f;
            break;
        case ShaderBlockViewVector:
            value[0] = -m_view[2];
            value[1] = -m_view[6];
            value[2] = -m_view[10];
            value[3] = 0.0f;
            break;
        case ShaderBlockViewport:
            value[0] = f32(m_viewport[2]);
            value[1] = f32(m_viewport[3]);
            value[2] = m_viewportReciprocal[0];
            value[3] = m_viewportReciprocal[1];
            break;
        case ShaderBlockClock:
            value[0] = value[1] = value[2] = value[3] = f32(GetClock()) / f32(ClockTicksPerSecond);
            break;
        case ShaderBlockModelViewMatrix:
            Transposed(modelView, matrix);
            isMatrix = true;
            break;
        case ShaderBlockModelMatrix:
            Transposed(model, matrix);
            isMatrix = true;
            break;
        case ShaderBlockNormalViewMatrix:
        case ShaderBlockNormalMatrix: {
            // Normals of the item into view space (normal-view) or into the
            // world (normal): the inverse transpose of the 3x3 part.
            const zMatrix4& source = record.blockType == ShaderBlockNormalViewMatrix ? modelView : model;
            Transposed(zMatrix4::FromMatrix3(zMatrix3::FromMatrix4(source.Inverse()).Transpose()), matrix);
            isMatrix = true;
            break;
        }
        default:
            break;
        }
        if (isMatrix) {
            if (record.typeMask == ShaderTypeMat3) {
                const f32 m3[9] = {matrix[0], matrix[1], matrix[2], matrix[4], matrix[5],
                                   matrix[6], matrix[8], matrix[9], matrix[10]};
                m_gl.glUniformMatrix3fv(record.location, 1, 0, m3);
            } else {
                m_gl.glUniformMatrix4fv(record.location, 1, 0, matrix);
            }
            continue;
        }
        switch (record.typeMask) {
        case ShaderTypeFloat:
            m_gl.glUniform1fARB(record.location, value[0]);
            break;
        case ShaderTypeVec2:
            m_gl.glUniform2fARB(record.location, value[0], value[1]);
            break;
        case ShaderTypeVec3:
            m_gl.glUniform3fARB(record.location, value[0], value[1], value[2]);
            break;
        case ShaderTypeVec4:
            m_gl.glUniform4fARB(record.location, value[0], value[1], value[2], value[3]);
            break;
        default:
            GetLog() << "[*] Unsupported uniform type ('" << record.typeMask << "').\n";
            break;
        }
    }
    for (u32 slot = 0; slot < GL3_RenderMap::SlotCount; ++slot) {
        if (!map.textures[slot] || map.samplerLocations[slot] == -1) continue;
        const u32 unit = FirstFreeUnit();
        if (unit >= UnitCount) break;
        BindUnit(unit, map.textures[slot].Get());
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapS,
                             map.wrap[slot][0] ? zgl::Repeat : zgl::ClampToEdge);
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapT,
                             map.wrap[slot][1] ? zgl::Repeat : zgl::ClampToEdge);
        m_gl.glUniform1iARB(map.samplerLocations[slot], GLint(unit));
    }
}

void zGL3Renderer::UseProgram(GLhandleARB program) {
    if (m_gl.glUseProgramObjectARB) m_gl.glUseProgramObjectARB(program);
}

// Fixed-function texture stages.

bool zGL3Renderer::IsFixedOperator(u32 op) {
    return op != 4 && op != 5 && op != 6 && op != 8 && op != 9;
}

void zGL3Renderer::ApplyStageTexture(const zTextureStage& stage, u32 unit) {
    zTexture* texture = stage.texture.Get();
    if (!texture || unit >= UnitCount) return;
    if (!texture->GetRenderData()) SetupTexture(texture);
    if (!TextureName(texture)) return;
    BindUnit(unit, texture);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapS, stage.wrapU ? zgl::Repeat : zgl::ClampToEdge);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapT, stage.wrapV ? zgl::Repeat : zgl::ClampToEdge);
    m_unitWords[unit] |= UnitCombiner;
}

void zGL3Renderer::ApplyStageTexCoords(const zTextureStage& stage, u32 unit, const GL_GeometryList& list) {
    if (unit >= UnitCount) return;
    m_gl.glActiveTextureARB(zgl::Texture0 + unit);
    m_gl.glClientActiveTextureARB(zgl::Texture0 + unit);
    switch (stage.uvSource) {
    case StageUVSourceUVMap: {
        const u32 channel = stage.uvMapIndex < 3 ? stage.uvMapIndex : 0;
        if (list.uvOffset[channel] != Absent) {
            m_gl.glEnableClientState(zgl::TextureCoordArray);
            m_gl.glTexCoordPointer(2, zgl::Float, 0, BufferOffset(list.uvOffset[channel]));
            m_unitWords[unit] |= UnitCoordArray;
        }
        LoadGLMatrix(zgl::TextureMatrix, stage.matrix);
        m_gl.glActiveTextureARB(zgl::Texture0 + unit);
        m_unitWords[unit] |= UnitTextureMatrix;
        break;
    }
    case StageUVSourceLSNormal:
        m_gl.glTexGeni(zgl::S, zgl::TextureGenMode, GLint(zgl::SphereMap));
        m_gl.glTexGeni(zgl::T, zgl::TextureGenMode, GLint(zgl::SphereMap));
        m_gl.glEnable(zgl::TextureGenS);
        m_gl.glEnable(zgl::TextureGenT);
        m_unitWords[unit] |= UnitTexGen;
        break;
    case StageUVSourceFrontMap: {
        // Projective: eye-linear coordinates scaled and offset into 0..1.
        static const f32 PlaneS[4] = {1.0f, 0.0f, 0.0f, 0.0f};
        static const f32 PlaneT[4] = {0.0f, 1.0f, 0.0f, 0.0f};
        m_gl.glTexGeni(zgl::S, zgl::TextureGenMode, GLint(zgl::EyeLinear));
        m_gl.glTexGeni(zgl::T, zgl::TextureGenMode, GLint(zgl::EyeLinear));
        m_gl.glTexGenfv(zgl::S, zgl::EyePlane, PlaneS);
        m_gl.glTexGenfv(zgl::T, zgl::EyePlane, PlaneT);
        m_gl.glEnable(zgl::TextureGenS);
        m_gl.glEnable(zgl::TextureGenT);
        LoadGLMatrix(zgl::TextureMatrix,
                     zMatrix4(0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1));
        m_gl.glActiveTextureARB(zgl::Texture0 + unit);
        m_unitWords[unit] |= UnitTexGen | UnitTextureMatrix;
        break;
    }
    default:
        break;
    }
    m_gl.glActiveTextureARB(zgl::Texture0);
    m_gl.glClientActiveTextureARB(zgl::Texture0);
}

void zGL3Renderer::ApplyFixedMaterial(const zMaterial* material, const GL_GeometryList& list) {
    if (material->GetFlags() & MaterialFlagVertexColor) {
        m_gl.glColorMaterial(zgl::FrontAndBack, zgl::Diffuse);
        m_gl.glEnable(zgl::ColorMaterial);
    }
    const zTextureStage& first = material->GetStage(0);
    if (!first.active || !first.texture) {
        // A white texture keeps unit 0 modulating by the material colours alone.
        if (m_whiteTexture) BindUnit(0, m_whiteTexture.Get());
        return;
    }
    ApplyStageTexture(first, 0);
    ApplyStageTexCoords(first, 0, list);
    const zTextureStage& second = material->GetStage(1);
    if (!second.active || !second.texture || !IsFixedOperator(second.op)) return;
    ApplyStageTexture(second, 1);
    ApplyStageTexCoords(second, 1, list);
    // Unit 0 takes its texture; unit 1 combines by the stage's operator.
    m_gl.glActiveTextureARB(zgl::Texture0);
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::TextureEnvMode, GLint(zgl::Combine));
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::CombineRgb, GLint(zgl::Modulate));
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source0Rgb, GLint(zgl::TextureSource));
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source1Rgb, GLint(zgl::PrimaryColor));
    m_gl.glActiveTextureARB(zgl::Texture0 + 1);
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::TextureEnvMode, GLint(zgl::Combine));
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::CombineRgb,
                   GLint(second.op == StageOperatorAdd ? zgl::AddCombine : zgl::Modulate));
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source0Rgb, GLint(zgl::TextureSource));
    m_gl.glTexEnvi(zgl::TextureEnv, zgl::Source1Rgb, GLint(zgl::PreviousSource));
    m_gl.glActiveTextureARB(zgl::Texture0);
}

// Immediate drawing.

void zGL3Renderer::DrawTriangle(const zVector corners[3], const f32* color, const f32* uvs, zTexture* texture,
                                u32 flags) {
    if (!m_context) return;
    SetModelMatrix(zMatrix4());
    m_gl.glPushAttrib(zgl::EnableBit | zgl::ColorBufferBit | zgl::PolygonBit | zgl::DepthBufferBit);
    if (TextureName(texture)) BindUnit(0, texture);
    m_gl.glEnable(zgl::Blend);
    m_gl.glBlendFunc(zgl::SrcAlpha, (flags & TriangleAdditive) ? zgl::One : zgl::OneMinusSrcAlpha);
    if (flags & TriangleNoCulling) {
        m_gl.glDisable(zgl::CullFace);
    } else {
        m_gl.glEnable(zgl::CullFace);
    }
    if (flags & TriangleNoDepthWrite) m_gl.glDepthMask(0);
    if (flags & TriangleDepthAlways) m_gl.glDepthFunc(zgl::Always);
    m_gl.glFrontFace(zgl::Ccw);
    m_gl.glCullFace(zgl::Back);
    m_gl.glColor4fv(color ? color : DefaultTriangleColor);
    m_gl.glBegin(zgl::Triangles);
    for (u32 i = 0; i < 3; ++i) {
        if (uvs) m_gl.glTexCoord2f(uvs[i * 2], uvs[i * 2 + 1]);
        m_gl.glVertex3f(corners[i].x, corners[i].y, corners[i].z);
    }
    m_gl.glEnd();
    m_gl.glPopAttrib();
    ResetUnits(0);
}

void zGL3Renderer::DrawLine(const zVector& from, const zVector& to, const f32* color) {
    if (!m_lines) return;
    if (m_lineCount >= LineCapacity) {
        if (!m_linesFull) {
            GetLog() << "[!] The line display list is full, please increase its capacity or flush it more "
                        "frequently.\n";
        }
        m_linesFull = true;
        return;
    }
    if (m_lineCount == 0) {
        const zMatrix4* world = GetViewTransform();
        const zMatrix4 inverse = world ? world->Inverse() : zMatrix4();
        std::memcpy(m_lineInverseView, inverse.e, sizeof m_lineInverseView);
    }
    Line& line = m_lines[m_lineCount++];
    const f32* c = color ? color : White;
    const f32 a[4] = {from.x, from.y, from.z, 1.0f};
    const f32 b[4] = {to.x, to.y, to.z, 1.0f};
    std::memcpy(line.from, a, sizeof a);
    std::memcpy(line.to, b, sizeof b);
    std::memcpy(line.color, c, sizeof line.color);
}

void zGL3Renderer::FlushLines() {
    if (!m_lineCount || !m_context) return;
    SetModelMatrix(zMatrix4());
    m_gl.glPushAttrib(zgl::ColorBufferBit | zgl::EnableBit | zgl::LightingBit);
    m_gl.glEnable(zgl::Blend);
    m_gl.glBlendFunc(zgl::SrcAlpha, zgl::OneMinusSrcAlpha);
    m_gl.glDisable(zgl::Lighting);
    ResetUnits(0);
    m_gl.glBegin(zgl::Lines);
    for (u32 i = 0; i < m_lineCount; ++i) {
        const Line& line = m_lines[i];
        m_gl.glColor4fv(line.color);
        m_gl.glVertex3f(line.from[0], line.from[1], line.from[2]);
        m_gl.glVertex3f(line.to[0], line.to[1], line.to[2]);
    }
    m_gl.glEnd();
    m_lineCount = 0;
    m_gl.glPopAttrib();
    m_gl.glDisable(zgl::ColorMaterial);
    m_gl.glMaterialfv(zgl::FrontAndBack, zgl::Diffuse, White);
}

void zGL3Renderer::Write(zRenderFont* font, const char* text, f32 x, f32 y, f32 size, bool keepAspect,
                         i32 alignment, const f32* color) {
    if (!font || !text || !m_context) return;
    f32 output[2];
    GetOutputSize(output);
    const f32 aspect = keepAspect && output[0] > 0.0f ? output[1] / output[0] : 1.0f;
    // Right alignment measures the text as the pen advances it, aspect
    // included, so the last glyph ends at the edge.
    if (alignment == 2) x = (1.0f - x) - font->GetTextWidth(text) * size * 0.5f * aspect;
    m_gl.glPushAttrib(zgl::CurrentBit | zgl::ColorBufferBit | zgl::DepthBufferBit | zgl::PolygonBit |
                      zgl::EnableBit | zgl::LightingBit);
    m_gl.glDepthFunc(zgl::Always);
    m_gl.glDepthMask(0);
    m_gl.glDisable(zgl::CullFace);
    m_gl.glDisable(zgl::Lighting);
    m_gl.glEnable(zgl::Blend);
    m_gl.glBlendFunc(zgl::SrcAlpha, zgl::OneMinusSrcAlpha);
    m_gl.glMatrixMode(zgl::Modelview);
    m_gl.glLoadIdentity();
    m_gl.glMatrixMode(zgl::Projection);
    m_gl.glPushMatrix();
    m_gl.glLoadIdentity();
    m_gl.glMatrixMode(zgl::Modelview);
    m_gl.glColor4fv(color ? color : White);
    // Page units map to device units one to one.
    const f32 scale2D = 1.0f;
    const f32 lineStep = font->GetHeight() * size * 0.5f;
    f32 penX = x;
    bool lineStart = true;
    i32 boundPage = -1;
    for (u32 index = 0; text[index]; ++index) {
        const u8 character = static_cast<u8>(text[index]);
        if (character == '\n') {
            y += lineStep;
            penX = x;
            lineStart = true;
            continue;
        }
        if (lineStart && alignment == 1) penX = x - font->GetLineWidth(text, index) * size * 0.25f * aspect;
        lineStart = false;
        const zRasterGlyph* glyph = font->GetGlyph(character);
        if (!glyph) continue;
        if (glyph->page != boundPage) {
            zTexture* page = font->GetPageTexture(glyph->page);
            if (page && !page->GetRenderData()) SetupTexture(page);
            if (TextureName(page)) BindUnit(0, page);
            boundPage = glyph->page;
        }
        const f32 left = (2.0f * penX - 1.0f + glyph->offsetU * size) * scale2D;
        const f32 top = (1.0f - y) * 2.0f - 1.0f - glyph->offsetV * size;
        const f32 width = glyph->w * size * aspect * scale2D;
        const f32 height = glyph->h * size;
        m_gl.glBegin(zgl::Quads);
        m_gl.glTexCoord2f(glyph->u, glyph->v);
        m_gl.glVertex3f(left, top, 0.001f);
        m_gl.glTexCoord2f(glyph->u, glyph->v + glyph->h);
        m_gl.glVertex3f(left, top - height, 0.001f);
        m_gl.glTexCoord2f(glyph->u + glyph->w, glyph->v + glyph->h);
        m_gl.glVertex3f(left + width, top - height, 0.001f);
        m_gl.glTexCoord2f(glyph->u + glyph->w, glyph->v);
        m_gl.glVertex3f(left + width, top, 0.001f);
        m_gl.glEnd();
        penX += glyph->step * 0.5f * size * aspect;
    }
    m_gl.glMatrixMode(zgl::Projection);
    m_gl.glPopMatrix();
    m_gl.glMatrixMode(zgl::Modelview);
    m_gl.glPopAttrib();
    ResetUnits(0);
}

void zGL3Renderer::GrabDisplay(zPicture* picture) {
    if (!picture || !m_context) return;
    f32 size[2];
    GetOutputSize(size);
    const u32 width = u32(size[0]), height = u32(size[1]);
    if (!width || !height || !picture->Allocate(width, height, PixelFormatRGBA8)) return;
    m_gl.glPixelStorei(zgl::PackAlignment, 1);
    m_gl.glReadPixels(0, 0, GLsizei(width), GLsizei(height), zgl::Rgba, zgl::UnsignedByte,
                      picture->GetPixels());
    picture->Convert(PixelFormatBGRA8);
    picture->Flip(false, true);
}

void zGL3Renderer::DrawFullScreenQuad(bool textured, f32 u, f32 v, f32 w, f32 h) {
    m_gl.glDepthMask(0);
    m_gl.glDepthFunc(zgl::Always);
    m_gl.glEnable(zgl::CullFace);
    m_gl.glCullFace(zgl::Back);
    m_gl.glMatrixMode(zgl::Projection);
    m_gl.glLoadIdentity();
    m_gl.glMatrixMode(zgl::Modelview);
    m_gl.glLoadIdentity();
    m_gl.glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const f32 right = 2.0f * w - 1.0f, top = 2.0f * h - 1.0f;
    m_gl.glBegin(zgl::Quads);
    if (textured) m_gl.glTexCoord2f(0.0f, 0.0f);
    m_gl.glVertex3f(-1.0f, -1.0f, 1.0f);
    if (textured) m_gl.glTexCoord2f(u, 0.0f);
    m_gl.glVertex3f(right, -1.0f, 1.0f);
    if (textured) m_gl.glTexCoord2f(u, v);
    m_gl.glVertex3f(right, top, 1.0f);
    if (textured) m_gl.glTexCoord2f(0.0f, v);
    m_gl.glVertex3f(-1.0f, top, 1.0f);
    m_gl.glEnd();
    m_gl.glDepthFunc(zgl::Lequal);
    m_gl.glDepthMask(1);
    // Back to the frame's projection for the draws that follow.
    zMatrix4 projection;
    std::memcpy(projection.e, m_projectionCopy, sizeof m_projectionCopy);
    LoadGLMatrix(zgl::Projection, projection);
}

void zGL3Renderer::DrawTexturedQuad(zTexture* texture, f32 x, f32 y, f32 w, f32 h, bool fullRange) {
    if (GetSystemWord(SystemDisableShader) || !TextureName(texture)) return;
    m_gl.glPushAttrib(zgl::EnableBit | zgl::DepthBufferBit | zgl::PolygonBit);
    m_gl.glDepthMask(0);
    m_gl.glDisable(zgl::CullFace);
    m_gl.glDepthFunc(zgl::Always);
    m_gl.glMatrixMode(zgl::Projection);
    m_gl.glLoadIdentity();
    m_gl.glMatrixMode(zgl::Modelview);
    m_gl.glLoadIdentity();
    BindUnit(0, texture);
    const f32 u = fullRange ? 1.0f : 1.0f / m_viewportRatio[0];
    const f32 v = fullRange ? 1.0f : 1.0f / m_viewportRatio[1];
    m_gl.glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    m_gl.glBegin(zgl::Quads);
    m_gl.glTexCoord2f(0.0f, 0.0f);
    m_gl.glVertex3f(x, y, -1.0f);
    m_gl.glTexCoord2f(u, 0.0f);
    m_gl.glVertex3f(x + w, y, -1.0f);
    m_gl.glTexCoord2f(u, v);
    m_gl.glVertex3f(x + w, y + h, -1.0f);
    m_gl.glTexCoord2f(0.0f, v);
    m_gl.glVertex3f(x, y + h, -1.0f);
    m_gl.glEnd();
    ResetUnits(0);
    m_gl.glPopAttrib();
    zMatrix4 projection;
    std::memcpy(projection.e, m_projectionCopy, sizeof m_projectionCopy);
    LoadGLMatrix(zgl::Projection, projection);
}

void zGL3Renderer::DrawWireSphere(f32 radius) {
    const f32 step = 3.14159265f / 4.0f;
    for (u32 ring = 0; ring < 4; ++ring) {
        const f32 a0 = -1.5707963f + step * f32(ring), a1 = a0 + step;
        m_gl.glBegin(zgl::QuadStrip);
        for (u32 segment = 0; segment <= 8; ++segment) {
            const f32 b = step * f32(segment);
            m_gl.glVertex3f(radius * std::cos(a0) * std::cos(b), radius * std::sin(a0),
                            radius * std::cos(a0) * std::sin(b));
            m_gl.glVertex3f(radius * std::cos(a1) * std::cos(b), radius * std::sin(a1),
                            radius * std::cos(a1) * std::sin(b));
        }
        m_gl.glEnd();
    }
}

void zGL3Renderer::DrawWireCone(f32 length, f32 radius) {
    // Apex at the origin, opening along +z (where lights shine); every face
    // counter-clockwise seen from outside, so light volumes can be culled.
    const f32 corner = radius * 1.41421356f;
    const f32 xs[4] = {corner, 0.0f, -corner, 0.0f};
    const f32 ys[4] = {0.0f, corner, 0.0f, -corner};
    m_gl.glBegin(zgl::Triangles);
    for (u32 i = 0; i < 4; ++i) {
        const u32 j = (i + 1) % 4;
        m_gl.glVertex3f(0.0f, 0.0f, 0.0f);
        m_gl.glVertex3f(xs[j], ys[j], length);
        m_gl.glVertex3f(xs[i], ys[i], length);
    }
    m_gl.glEnd();
    m_gl.glBegin(zgl::Quads);
    for (u32 i = 0; i < 4; ++i)
        m_gl.glVertex3f(xs[i], ys[i], length);
    m_gl.glEnd();
}

void zGL3Renderer::DrawDebugViews() {
    // The volumes of the lights that reach the view, as wire frames.
    if (GetSceneInterface()) {
        zList<zRenderLight*> lights;
        CollectFrameLights(lights, 0xFFFFFFFFu);
        m_gl.glPolygonMode(zgl::FrontAndBack, zgl::Line);
        for (auto* node = lights.GetHead(); node; node = node->next) {
            zRenderLight* light = node->value;
            const f32 r = light->range;
            SetModelMatrix(light->GetRenderWorld());
            if (light->type == 1) {
                DrawWireSphere(r + r * (1.0f - std::cos(3.14159265f / 8.0f)) / std::cos(3.14159265f / 4.0f));
            } else if (light->type == 3) {
                DrawWireCone(r, std::tan(light->coneAngle + light->edgeAngle) * r /
                                    std::cos(3.14159265f / 4.0f));
            }
        }
        m_gl.glPolygonMode(zgl::FrontAndBack, zgl::FillMode);
        SetModelMatrix(zMatrix4());
    }
    struct View {
        u32 target;
        f32 x, y;
    };
    const View views[] = {{TargetAttr0, -0.9f, 0.4f},
                          {TargetAttr1, -0.9f, -0.2f},
                          {TargetAttr2, -0.3f, 0.4f},
                          {TargetAttr3, -0.3f, -0.2f}};
    for (const View& view : views)
        DrawTexturedQuad(m_targets[view.target].Get(), view.x, view.y, 0.5f, 0.5f, false);
    for (u32 i = 0; i < ShadowMapCount; ++i)
        DrawTexturedQuad(m_shadowMaps[i].Get(), -0.9f + 0.45f * f32(i), -0.9f, 0.4f, 0.4f, true);
}

void zGL3Renderer::BindGBuffer() {
    for (u32 unit = 0; unit < 4; ++unit)
        BindUnit(unit, m_targets[TargetAttr0 + unit].Get());
}

// The queue.

void zGL3Renderer::RenderQueue() {
    if (!GetViewItem() || !m_context) return;
    m_gl.glColorMask(1, 1, 1, 1);
    ResetGLState();
    zList<zRenderablePrimitive*> list;
    CollectPrimitives(list, RenderPassNormal);
    if (zRendererSceneInterface* scene = GetSceneInterface()) {
        zVector ambient;
        scene->GetAmbient(ambient);
        const f32 color[4] = {ambient.x, ambient.y, ambient.z, ambient.w};
        m_gl.glLightModelfv(zgl::LightModelAmbient, color);
    }
    if (GetSystemWord(SystemDisableShader)) {
        if (GetOutputTexture() && m_gl.glBindFramebufferEXT) {
            m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_outputFBO);
            SetTargetTexture(GetOutputTexture());
        }
        // Each queue starts from a clear depth, as the deferred pipeline's
        // g-buffer does: whatever depth the frame was cleared to (scenes
        // clear it to 0), the objects are tested against each other only.
        m_gl.glDepthMask(1);
        ClearTarget(0.0f, 0.0f, 0.0f, 0.0f, 1.0f, zgl::DepthBufferBit);
        BeginFixedFunction();
        DrawList(list, PassForward);
        DrawList(list, PassForwardBlended);
        EndFixedFunction();
    } else {
        DrawDeferred(list);
    }
    for (auto* node = list.GetHead(); node; node = node->next)
        delete node->value;
    list.Clear();
    if (m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
    FlushLines();
    if (GetSystemWord(SystemEnableDebug)) DrawDebugViews();
}

void zGL3Renderer::DrawList(zList<zRenderablePrimitive*>& list, u32 pass) {
    AddStatistic(StatisticObjectSent, 1);
    const bool reverse = pass == PassForwardBlended;
    for (auto* node = reverse ? list.GetTail() : list.GetHead(); node;
         node = reverse ? node->previous : node->next) {
        zRenderablePrimitive* primitive = node->value;
        if (!primitive) continue;
        if (primitive->kind == PrimitiveEmitter) {
            DrawEmitterPrimitive(pass, dynamic_cast<zParticleSource*>(primitive->renderable));
            continue;
        }
        if (primitive->kind == PrimitiveTerrainPatch) {
            auto* terrain = dynamic_cast<zTerrainPatchSource*>(primitive->renderable);
            zTerrainPatchGrid grid;
            if (terrain && terrain->GetPatchGrid(primitive->payload, grid)) DrawTerrainPatch(pass, grid);
            continue;
        }
        if (primitive->kind != PrimitiveObjectPart) continue;
        const auto* mesh = dynamic_cast<const zMeshPrimitive*>(primitive);
        DrawMeshPrimitive(pass, static_cast<zGeometry*>(primitive->payload), mesh ? mesh->world : zMatrix4(),
                          mesh ? &mesh->previousWorld : nullptr, mesh ? mesh->skinning : nullptr,
                          mesh ? mesh->boneCount : 0);
    }
}

void zGL3Renderer::DrawIntoAttributes(bool all) {
    const GLenum buffers[3] = {zgl::ColorAttachment0, zgl::ColorAttachment0 + 1, zgl::ColorAttachment0 + 2};
    if (!all) {
        for (u32 i = 1; i < 3; ++i)
            m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::ColorAttachment0 + i, zgl::Texture2D, 0, 0);
        if (m_gl.glDrawBuffers) m_gl.glDrawBuffers(1, buffers);
        return;
    }
    for (u32 i = 0; i < 3; ++i)
        m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::ColorAttachment0 + i, zgl::Texture2D,
                                       TextureName(m_targets[TargetAttr1 + i].Get()), 0);
    if (m_gl.glDrawBuffers) m_gl.glDrawBuffers(3, buffers);
}

void zGL3Renderer::DrawDeferred(zList<zRenderablePrimitive*>& list) {
    SetSupersampledViewport();
    if (!m_gl.glBindFramebufferEXT || !m_gbufferFBO) return;
    m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_gbufferFBO);

    if (WantsVelocityPass()) {
        SetTargetTexture(m_targets[TargetVelocity].Get());
        ClearTarget(0.0f, 0.0f, 0.0f, 0.0f, 1.0f, zgl::ColorBufferBit | zgl::DepthBufferBit);
        DrawList(list, PassVelocity);
    }

    SetTargetTexture(m_targets[TargetAttr0].Get());
    ClearTarget(0.0f, 0.0f, 0.0f, 256000.0f, 1.0f, zgl::ColorBufferBit | zgl::DepthBufferBit);
    DrawList(list, PassNormalDepth);

    DrawIntoAttributes(true);
    if (m_gl.glCheckFramebufferStatusEXT(zgl::Framebuffer) != zgl::FramebufferComplete) {
        GetLog() << "[!] The g-buffer frame buffer is not complete.\n";
    }
    // The attributes of the surface the normal pass kept: each pixel takes
    // them at the depth that pass left, so a nearer object hides a farther
    // one whatever their order in the list.
    m_gl.glDepthMask(0);
    m_gl.glDepthFunc(zgl::Equal);
    DrawList(list, PassGBuffer);
    m_gl.glDepthMask(1);
    m_gl.glDepthFunc(zgl::Lequal);
    DrawIntoAttributes(false);

    zRenderViewItem* view = GetViewItem();
    const zRegistry* settings = view ? view->GetViewRegistry() : nullptr;
    if (settings && settings->GetKey("PostProcess:SSAO;")) {
        RenderSSAO();
        if (m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_gbufferFBO);
    }

    SetTargetTexture(m_targets[TargetCompose].Get());
    RenderAmbient();
    RenderLights();
    if (GetFog().enabled) RenderFog();

    ResetUnits(0);
    UseProgram(0);
    SetTargetTexture(m_targets[TargetCompose].Get());
    BeginFixedFunction();
    DrawList(list, PassForward);
    DrawList(list, PassForwardBlended);
    EndFixedFunction();

    RenderPostProcesses();
}

void zGL3Renderer::RenderAmbient() {
    if (!m_ambientShader || !m_ambientShader->GetProgram()) return;
    const GLhandleARB program = m_ambientShader->GetProgram();
    UseProgram(program);
    m_gl.glDisable(zgl::Blend);
    BindUnit(0, m_targets[TargetAttr1].Get());
    BindUnit(1, m_targets[TargetAttr3].Get());
    m_gl.glUniform1iARB(m_gl.glGetUniformLocationARB(program, "gbuffer1"), 0);
    m_gl.glUniform1iARB(m_gl.glGetUniformLocationARB(program, "gbuffer3"), 1);
    m_gl.glUniform2fARB(m_gl.glGetUniformLocationARB(program, "inverse_buffer_size"), m_targetReciprocals[0],
                        m_targetReciprocals[1]);
    DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
    UseProgram(0);
    ResetUnits(0);
}

void zGL3Renderer::Present() {
    PresentFrom(m_targets[TargetCompose].Get(), m_targets[TargetAttr3].Get());
}

void zGL3Renderer::PresentFrom(zTexture* result, zTexture* other) {
    zTexture* output = GetOutputTexture();
    zGL3Shader* blit =
        m_library ? static_cast<zGL3Shader*>(m_library->Find("core::blit_layer_alpha")) : nullptr;
    // Each step reads the current result at scale `current` and draws it at
    // scale `next`; factors of 2 and more are halved step by step, and the
    // last step always draws into the output, whatever the factor.
    f32 current = m_supersample;
    for (;;) {
        f32 next = current >= 2.0f ? current * 0.5f : 1.0f;
        const bool last = next <= 1.0f;
        if (last) next = 1.0f;
        zTexture* target = last ? output : other;
        if (m_gl.glBindFramebufferEXT) {
            m_gl.glBindFramebufferEXT(zgl::Framebuffer, target ? m_outputFBO : 0);
        }
        SetTargetTexture(target);
        SetScissoredViewport(i32(f32(m_viewport[0]) * next), i32(f32(m_viewport[1]) * next),
                             i32(f32(m_viewport[2]) * next), i32(f32(m_viewport[3]) * next));
        const bool filtered = last && current != 1.0f && blit && blit->GetProgram();
        if (filtered) {
            const GLhandleARB program = blit->GetProgram();
            UseProgram(program);
            m_gl.glUniform1iARB(m_gl.glGetUniformLocationARB(program, "layer"), 0);
            // The source is `current` times the output: its texels are that
            // many target texels apart.
            m_gl.glUniform2fARB(m_gl.glGetUniformLocationARB(program, "inverse_buffer_size"),
                                current * m_targetReciprocals[0], current * m_targetReciprocals[1]);
        }
        if (last) {
            m_gl.glEnable(zgl::Blend);
            m_gl.glBlendFunc(zgl::SrcAlpha, zgl::OneMinusSrcAlpha);
        }
        BindUnit(0, result);
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, zgl::Linear);
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Linear);
        const f32 u = f32(m_viewport[2]) * current * m_targetReciprocals[0];
        const f32 v = f32(m_viewport[3]) * current * m_targetReciprocals[1];
        DrawFullScreenQuad(true, u, v, 1.0f, 1.0f);
        ResetUnits(0);
        UseProgram(0);
        if (last) break;
        other = result;
        result = target;
        current = next;
    }
    m_gl.glDisable(zgl::Blend);
    SetScissoredViewport(m_viewport[0], m_viewport[1], m_viewport[2], m_viewport[3]);
}

// Meshes.

void zGL3Renderer::DrawMeshPrimitive(u32 pass, zGeometry* geometry, const zMatrix4& world,
                                     const zMatrix4* previousWorld, const zMatrix4* skinning, u32 boneCount) {
    const auto* data = geometry ? dynamic_cast<const GL_GeometryData*>(geometry->GetRenderData()) : nullptr;
    if (!data) return;
    SetModelMatrix(world);
    m_gl.glPushAttrib(zgl::ColorBufferBit | zgl::DepthBufferBit | zgl::PolygonBit | zgl::EnableBit);
    const bool fixed = GetSystemWord(SystemDisableShader);
    for (u32 i = 0; i < data->listCount; ++i) {
        const GL_GeometryList& list = data->lists[i];
        zMaterial* material = list.material ? list.material : geometry->GetMaterial(0);
        if (!material) continue;
        const u32 flags = material->GetFlags();
        const bool forward = (flags & MaterialFlagFixedFunction) != 0;
        const bool transparent = material->GetTransparent() != 0;
        const bool forwardPass = pass == PassForward || pass == PassForwardBlended;
        bool drawn = false;
        if (forwardPass && (fixed || forward) && transparent == (pass == PassForwardBlended)) {
            if ((flags & MaterialFlagNoFog)) m_gl.glDisable(zgl::Fog);
            if (flags & MaterialFlagNoZWrite) m_gl.glDepthMask(0);
            DrawFixedTrilist(pass, list, material);
            if ((flags & MaterialFlagNoFog) && GetFog().enabled) m_gl.glEnable(zgl::Fog);
            m_gl.glDepthMask(1);
            drawn = true;
        } else if (!fixed && !forwardPass && (pass == PassDepth || !forward)) {
            if (pass == PassNormalDepth) {
                m_gl.glDepthMask((flags & MaterialFlagNoZWrite) ? 0 : 1);
                m_gl.glDepthFunc((flags & MaterialFlagNoZTest) ? zgl::Always : zgl::Lequal);
            } else if (pass == PassGBuffer) {
                // A surface that left no depth of its own is tested against
                // the others' instead of its own.
                m_gl.glDepthFunc((flags & MaterialFlagNoZTest)    ? zgl::Always
                                 : (flags & MaterialFlagNoZWrite) ? zgl::Lequal
                                                                  : zgl::Equal);
            }
            DrawShadedTrilist(pass, list, material, world, previousWorld, skinning, boneCount);
            if (pass == PassNormalDepth) {
                m_gl.glDepthMask(1);
                m_gl.glDepthFunc(zgl::Lequal);
            } else if (pass == PassGBuffer) {
                m_gl.glDepthFunc(zgl::Equal);
            }
            drawn = true;
        }
        if (!drawn) continue;
        ResetUnits(0);
        AddStatistic(StatisticObjectDrawn, 1);
        AddStatistic(StatisticTriangleDrawn, list.indexCount / 3);
    }
    m_gl.glPopAttrib();
}

void zGL3Renderer::BindListArrays(const GL_GeometryList& list, bool colours, bool normals, bool uvs) {
    m_gl.glBindBufferARB(zgl::ArrayBuffer, list.vertexBuffer);
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, list.indexBuffer);
    m_gl.glEnableClientState(zgl::VertexArray);
    m_gl.glVertexPointer(3, zgl::Float, 0, nullptr);
    if (colours && list.colorOffset != Absent) {
        m_gl.glEnableClientState(zgl::ColorArray);
        m_gl.glColorPointer(4, zgl::Float, 0, BufferOffset(list.colorOffset));
    }
    if (normals && list.normalOffset != Absent) {
        m_gl.glEnableClientState(zgl::NormalArray);
        m_gl.glNormalPointer(zgl::Float, 0, BufferOffset(list.normalOffset));
    }
    if (!uvs) return;
    for (u32 channel = 0; channel < 3; ++channel) {
        if (list.uvOffset[channel] == Absent) continue;
        m_gl.glClientActiveTextureARB(zgl::Texture0 + channel);
        m_gl.glEnableClientState(zgl::TextureCoordArray);
        m_gl.glTexCoordPointer(2, zgl::Float, 0, BufferOffset(list.uvOffset[channel]));
        m_unitWords[channel] |= UnitCoordArray;
    }
    m_gl.glClientActiveTextureARB(zgl::Texture0);
}

void zGL3Renderer::UnbindListArrays() {
    m_gl.glDisableClientState(zgl::VertexArray);
    m_gl.glDisableClientState(zgl::NormalArray);
    m_gl.glDisableClientState(zgl::ColorArray);
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, 0);
    m_gl.glBindBufferARB(zgl::ArrayBuffer, 0);
}

void zGL3Renderer::DrawFixedTrilist(u32 pass, const GL_GeometryList& list, zMaterial* material) {
    BindListArrays(list, (material->GetFlags() & MaterialFlagVertexColor) != 0, true, false);
    ApplyFixedMaterial(material, list);
    const bool unlit = (material->GetFlags() & MaterialFlagShadeless) != 0;
    if (unlit) {
        m_gl.glDisable(zgl::Lighting);
    } else {
        m_gl.glEnable(zgl::Lighting);
    }
    if (pass != PassDepth) {
        ApplyMaterialState(material);
        if (material->GetTransparent()) ApplyBlendMode(material);
    }
    if (unlit) {
        // Unlit: the diffuse colour is the colour (white under a texture).
        const zTextureStage& first = material->GetStage(0);
        m_gl.glColor4fv(first.active && first.texture ? White : material->GetDiffuse());
    }
    m_gl.glDrawElements(zgl::Triangles, GLsizei(list.indexCount), zgl::UnsignedShort, nullptr);
    UnbindListArrays();
}

void zGL3Renderer::SetDrawUniforms(const zGL3Shader& program, const zMaterial& material) {
    const GLhandleARB handle = program.GetProgram();
    const GLint clipD = m_gl.glGetUniformLocationARB(handle, "user_clip_d");
    const GLint clipN = m_gl.glGetUniformLocationARB(handle, "user_clip_n");
    if (clipD != -1) m_gl.glUniform1fARB(clipD, m_clipPlane[3]);
    if (clipN != -1) m_gl.glUniform3fARB(clipN, m_clipPlane[0], m_clipPlane[1], m_clipPlane[2]);
    const GLint threshold = program.GetLocation(zGL3Shader::LocationAlphaThreshold);
    if (threshold != -1) m_gl.glUniform1fARB(threshold, MaterialAlphaThreshold(material));
    const GLint inverse = program.GetLocation(zGL3Shader::LocationInverseBufferSize);
    if (inverse != -1) m_gl.glUniform2fARB(inverse, m_targetReciprocals[0], m_targetReciprocals[1]);
}

const GL3_RenderMap* zGL3Renderer::PassMap(const zMaterial* material, u32 pass) {
    auto* data = material ? dynamic_cast<GL_MaterialData*>(material->GetRenderData()) : nullptr;
    const u32 slot = GL_MaterialData::SlotOf(pass);
    auto linked = [](const GL3_RenderMap* map) {
        return map && map->program && map->program->GetProgram() ? map : nullptr;
    };
    const GL3_RenderMap* map = data && slot < MaterialMapCount ? linked(data->maps[slot].get()) : nullptr;
    const bool noPlane = m_clipPlane[0] == 0.0f && m_clipPlane[1] == 0.0f && m_clipPlane[2] == 0.0f;
    if (!map || pass != PassDepth || !noPlane) return map;
    // Built from the same graph as the pass's own map.
    if (!data->unclippedDepth) data->unclippedDepth.reset(BuildRenderMap(pass, *map->material, false));
    const GL3_RenderMap* unclipped = linked(data->unclippedDepth.get());
    return unclipped ? unclipped : map;
}

void zGL3Renderer::DrawShadedTrilist(u32 pass, const GL_GeometryList& list, zMaterial* material,
                                     const zMatrix4& world, const zMatrix4* previousWorld,
                                     const zMatrix4* skinning, u32 boneCount) {
    const GL3_RenderMap* map = PassMap(material, pass);
    zGL3Shader* program = map ? map->program : nullptr;
    if (pass == PassVelocity) program = m_velocityShader;
    if (!program || !program->GetProgram()) return;
    const GLhandleARB handle = program->GetProgram();
    const bool attributes = pass != PassVelocity && pass != PassDepth;
    BindListArrays(list, attributes, attributes, true);
    ApplyMaterialState(material);
    UseProgram(handle);
    if (map && pass != PassVelocity) BindMaterialUniforms(*map, world);
    if (pass == PassVelocity) {
        // Where the camera and the item were a frame ago.
        zRenderViewItem* view = GetViewItem();
        const zMatrix4* cameraBefore = view ? view->GetPreviousTransformBlock() : nullptr;
        const zMatrix4 viewBefore = cameraBefore ? cameraBefore->Inverse() : ViewMatrix();
        const zMatrix4& modelBefore = previousWorld ? *previousWorld : world;
        m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocationARB(handle, "view_previous_matrix"), 1, 1,
                                viewBefore.e);
        m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocationARB(handle, "model_previous_matrix"), 1, 1,
                                modelBefore.e);
        m_gl.glUniform2fARB(m_gl.glGetUniformLocationARB(handle, "inverse_buffer_size"),
                            m_targetReciprocals[0], m_targetReciprocals[1]);
    }
    SetDrawUniforms(*program, *material);

    GLint enabled[4] = {-1, -1, -1, -1};
    // One vertex attribute array of the program, when the program reads it.
    auto enable = [this, program, &enabled](zGL3Shader::Location which, GLint size, GLenum type, u32 offset) {
        const GLint location = program->GetLocation(which);
        if (location == -1) return;
        m_gl.glEnableVertexAttribArray(GLuint(location));
        m_gl.glVertexAttribPointer(GLuint(location), size, type, 0, 0, BufferOffset(offset));
        enabled[which] = location;
    };
    if (pass != PassGBuffer && attributes && list.tangentOffset != Absent) {
        enable(zGL3Shader::LocationTangent, 3, zgl::Float, list.tangentOffset);
        enable(zGL3Shader::LocationBitangent, 3, zgl::Float, list.bitangentOffset);
    }
    if (list.boneIndexOffset != Absent) {
        // Palette indices are below 256: unsigned bytes.
        enable(zGL3Shader::LocationSkinId, 4, zgl::UnsignedByte, list.boneIndexOffset);
        enable(zGL3Shader::LocationSkinWeight, 4, zgl::Float, list.boneWeightOffset);
        // The list's palette: entry i poses the geometry bone the list
        // named for it (lists are cut to fit the program's palette).
        const GLint palette = m_gl.glGetUniformLocationARB(handle, "skin_mtx");
        if (palette != -1) {
            const u32 count = list.boneCount < GLSLSkinPaletteSize ? list.boneCount : GLSLSkinPaletteSize;
            f32 columns[GLSLSkinPaletteSize * 16];
            for (u32 entry = 0; entry < count; ++entry) {
                const u32 bone = list.bones[entry];
                Transposed(skinning && bone < boneCount ? skinning[bone] : zMatrix4(), columns + entry * 16);
            }
            // One call for the array: its elements' locations need not follow
            // each other.
            if (count) m_gl.glUniformMatrix4fv(palette, GLsizei(count), 0, columns);
        }
    }
    m_gl.glDrawElements(zgl::Triangles, GLsizei(list.indexCount), zgl::UnsignedShort, nullptr);
    for (GLint location : enabled)
        if (location != -1) m_gl.glDisableVertexAttribArray(GLuint(location));
    UnbindListArrays();
    UseProgram(0);
}
