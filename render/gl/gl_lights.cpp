// Lights of the "gl2" renderer: the light data and its shader choice, the
// per-frame collection of the scene's lights (for the fixed-function light
// table and the deferred light passes), the light passes themselves, the
// shadow maps they read and the volumetric light added after a light.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/log.h"
#include "render/gl/gl_renderer_data.h"
#include "render/texture.h"

namespace {

constexpr f32 Pi = 3.14159265f;

// A camera the shadow passes view from: a world matrix, a projection in the
// engine's convention (view looks along +z, depth 0..1 over near..far) and a
// frustum that follows both, so renderables cull against it.
class ShadowCamera final : public zRenderViewItem {
  public:
    void Perspective(f32 fov, f32 nearDistance, f32 farDistance) {
        const f32 zoom = 1.0f / std::tan(fov * 0.5f);
        projection = PerspectiveProjection(zoom, nearDistance, farDistance);
        m_block.orthographic = false;
        m_block.zoom = zoom;
        m_fov = fov;
        SetRange(nearDistance, farDistance);
    }
    void Orthographic(f32 width, f32 height, f32 nearDistance, f32 farDistance) {
        zMatrix4 m = Zero();
        const f32 depth = farDistance - nearDistance;
        m.e[0] = 2.0f / width;
        m.e[5] = 2.0f / height;
        m.e[10] = 1.0f / depth;
        m.e[11] = -nearDistance / depth;
        m.e[15] = 1.0f;
        projection = m;
        m_block.orthographic = true;
        m_block.orthoWidth = width;
        m_block.orthoHeight = height;
        SetRange(nearDistance, farDistance);
    }
    // After the world matrix changed.
    void Refresh() {
        if (m_block.orthographic) {
            m_block.frustum.SetOrthographic(m_block.orthoWidth, m_block.orthoHeight, m_block.zNear,
                                            m_block.zFar, &world, 1.0f, 1.0f);
        } else {
            m_block.frustum.SetPerspective(m_fov, m_block.zNear, m_block.zFar, &world, 1.0f, 1.0f);
        }
    }

    zMatrix4 GetViewMatrix() override { return world.Inverse(); }
    zMatrix4 GetProjectionMatrix() override { return projection; }
    void UpdateFrustum(zFrustum* frustum, f32 nearDistance, f32 farDistance) override {
        if (frustum) *frustum = m_block.frustum;
        (void)nearDistance;
        (void)farDistance;
    }
    const zCameraBlock& GetCameraBlock() const override { return m_block; }
    const zMatrix4* GetTransformBlock() const override { return &world; }

    zMatrix4 world;
    zMatrix4 projection;

  private:
    static zMatrix4 Zero() {
        zMatrix4 m;
        for (f32& element : m.e)
            element = 0.0f;
        return m;
    }
    void SetRange(f32 nearDistance, f32 farDistance) {
        m_block.zNear = nearDistance;
        m_block.zFar = farDistance;
        m_block.aspect = 1.0f;
        Refresh();
    }

    zCameraBlock m_block;
    f32 m_fov = Pi * 0.5f;
};

// The rotation of each cube face, Euler angles in rotation order 4.
const f32 CubeFaceAngles[6][3] = {
    {0.0f, 0.0f, 0.0f},      {0.0f, Pi * 0.5f, 0.0f}, {0.0f, Pi, 0.0f},
    {0.0f, Pi * 1.5f, 0.0f}, {Pi * 0.5f, 0.0f, 0.0f}, {Pi * 1.5f, 0.0f, 0.0f},
};

// Units of the shadow maps and projection textures in the light programs:
// the g-buffer takes 0-2.
constexpr u32 FirstLightMapUnit = 3;

} // namespace

zGL3Renderer::GL_LightData::~GL_LightData() = default;

// Light data and shader choice.

bool zGL3Renderer::SetupLight(zRenderLight* light) {
    if (!light || light->GetRenderData()) return false;
    auto* data = new (std::nothrow) GL_LightData();
    if (!data) {
        GetLog() << "[!] Failed to allocate light data structure.\n";
        return false;
    }
    light->SetRenderData(data);
    UpdateLight(light);
    return true;
}

void zGL3Renderer::FreeLight(zRenderLight* light) {
    if (!light) return;
    delete light->GetRenderData();
    light->SetRenderData(nullptr);
}

const char* zGL3Renderer::ChooseLightShader(const zRenderLight& light, u32 controlWord) {
    const bool shadowMap = light.shadowMode == 2;
    const bool mapping = (controlWord & ControlShadowMapping) != 0;
    const bool projective = light.GetRenderProjectionTexture() != nullptr;
    switch (light.type) {
    case 1:
        if (shadowMap) return "core::pointlight_shadowmap";
        return light.specularIntensity > 0.0f ? "core::pointlight_specular" : "core::pointlight";
    case 2:
        if (shadowMap && mapping && (controlWord & ControlLinearShadow)) return "core::linearlight_pssm";
        return "core::linearlight";
    case 3:
        if (shadowMap && mapping)
            return projective ? "core::projective_spotlight_shadowmap" : "core::spotlight_shadowmap";
        if (projective)
            return light.shadowMode == 1 ? "core::projective_spotlight_shadow" : "core::projective_spotlight";
        return light.specularIntensity > 0.0f ? "core::spotlight_specular" : "core::spotlight";
    default:
        return nullptr;
    }
}

const char* zGL3Renderer::ChooseVolumetricShader(const zRenderLight& light, u32 controlWord) {
    if (!light.volumetric) return nullptr;
    const bool shadowed = light.shadowMode == 2 && (controlWord & ControlShadowMapping);
    switch (light.type) {
    case 1:
        return shadowed ? "core::volumetric_sphere_shadowmap" : "core::volumetric_sphere";
    case 2:
        return shadowed ? "core::shader_volumetric_fog_pssm" : nullptr;
    case 3:
        return shadowed ? "core::volumetric_cone_shadowmap" : "core::volumetric_cone";
    default:
        return nullptr;
    }
}

void zGL3Renderer::UpdateLight(zRenderLight* light) {
    auto* data = light ? dynamic_cast<GL_LightData*>(light->GetRenderData()) : nullptr;
    if (!data || GetSystemWord(SystemDisableShader)) return;
    data->lightShader.Clear();
    data->volumetricShader.Clear();
    const u32 control = GetControlWordValue();
    if (!light->shaderName.IsEmpty()) {
        if (m_library && m_library->Find(light->shaderName.CStr())) {
            data->lightShader = light->shaderName;
        } else {
            GetLog() << "[*] Light shader '" << light->shaderName << "' not found, the light is not drawn.\n";
        }
    } else if (const char* name = ChooseLightShader(*light, control)) {
        data->lightShader.Set(name);
    }
    if (const char* name = ChooseVolumetricShader(*light, control)) data->volumetricShader.Set(name);
}

zGL3Shader* zGL3Renderer::FindLibraryShader(const char* name) const {
    if (!m_library || !name || !*name) return nullptr;
    auto* shader = static_cast<zGL3Shader*>(m_library->Find(name));
    return shader && shader->GetProgram() ? shader : nullptr;
}

// Collection.

zMinMax zGL3Renderer::GetViewBounds() const {
    const zFrustum& frustum = GetCameraBlock().frustum;
    zMinMax bounds(frustum.corners[0], frustum.corners[0]);
    for (const zVector& corner : frustum.corners)
        bounds.AddPoint(corner);
    return bounds;
}

void zGL3Renderer::CollectFrameLights(zList<zRenderLight*>& out, u32 maxCount) {
    out.Clear();
    zRendererSceneInterface* scene = GetSceneInterface();
    const zMatrix4* camera = GetViewTransform();
    if (!scene || !camera) return;
    scene->CollectLights(camera->GetRow(3, true), GetViewBounds(), out, maxCount);
}

// Matrices of the frame.

zMatrix4 zGL3Renderer::ViewMatrix() const {
    zMatrix4 view;
    std::memcpy(view.e, m_view, sizeof m_view);
    return view;
}

zMatrix4 zGL3Renderer::CameraWorld() const {
    const zMatrix4* world = GetViewTransform();
    return world ? *world : ViewMatrix().Inverse();
}

void zGL3Renderer::BindSampler(GLhandleARB program, const char* name, u32 unit, zTexture* texture) {
    const GLuint textureName = TextureName(texture);
    const GLint location = m_gl.glGetUniformLocationARB(program, name);
    if (!textureName || location == -1) return;
    if (unit < UnitCount) {
        BindUnit(unit, texture);
    } else {
        // Beyond the fixed-function units: programs read them unenabled.
        m_gl.glActiveTextureARB(zgl::Texture0 + unit);
        m_gl.glBindTexture(zgl::Texture2D, textureName);
        m_gl.glActiveTextureARB(zgl::Texture0);
    }
    m_gl.glUniform1iARB(location, GLint(unit));
}

void zGL3Renderer::LightViewAxes(const zMatrix4& lightWorld, zVector& position, zVector& direction) const {
    const zMatrix4 view = ViewMatrix();
    position = lightWorld.GetRow(3, true);
    direction = lightWorld.GetRow(2, false);
    direction.w = 0.0f;
    view.TransformPoints(&position, &position, 1);
    view.RotateArray(&direction, &direction, 1);
    direction = direction.Normalize();
}

void zGL3Renderer::SetCubeUniforms(GLhandleARB program, const GL_CubeRecord& cube,
                                   const zMatrix4& lightInverse, const zMatrix4& cameraWorld) {
    char name[40];
    for (u32 face = 0; face < 6; ++face) {
        std::snprintf(name, sizeof name, "psm_%u", face);
        BindSampler(program, name, FirstLightMapUnit + face, m_shadowMaps[face].Get());
        std::snprintf(name, sizeof name, "psm_%u_projection_matrix", face);
        const zMatrix4 matrix =
            zMatrix4::Multiply(cube.projection[face], zMatrix4::Multiply(cube.view[face], cameraWorld));
        m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocationARB(program, name), 1, 1, matrix.e);
    }
    const zMatrix4 viewToLight = zMatrix4::Multiply(lightInverse, cameraWorld);
    m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocationARB(program, "view_to_light_matrix"), 1, 1,
                            viewToLight.e);
}

void zGL3Renderer::SetPSSMUniforms(GLhandleARB program, const GL_PSSMRecord& pssm,
                                   const zMatrix4& cameraWorld) {
    char name[40];
    for (u32 split = 0; split < 4; ++split) {
        const GL_PSSMRecord::Split& record = pssm.splits[split];
        std::snprintf(name, sizeof name, "pssm_%u", split);
        BindSampler(program, name, FirstLightMapUnit + split, m_shadowMaps[split].Get());
        std::snprintf(name, sizeof name, "pssm_%u_projection_matrix", split);
        const zMatrix4 matrix =
            zMatrix4::Multiply(record.projection, zMatrix4::Multiply(record.view, cameraWorld));
        m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocationARB(program, name), 1, 1, matrix.e);
        std::snprintf(name, sizeof name, "pssm_%u_slice_distance", split);
        m_gl.glUniform1fARB(m_gl.glGetUniformLocationARB(program, name), record.sliceDistance);
    }
}

// The light passes.

void zGL3Renderer::RenderLights() {
    if (!GetSceneInterface()) {
        UseProgram(0);
        return;
    }
    m_gl.glPushAttrib(zgl::ColorBufferBit);
    m_gl.glColorMask(1, 1, 1, 0);
    m_gl.glEnable(zgl::Blend);
    m_gl.glBlendFunc(zgl::One, zgl::One);
    zList<zRenderLight*> lights;
    CollectFrameLights(lights, 0xFFFFFFFFu);
    for (auto* node = lights.GetHead(); node; node = node->next) {
        zRenderLight* light = node->value;
        AddStatistic(StatisticLightDrawn, 1);
        m_gl.glPushAttrib(zgl::ColorBufferBit);
        if (light->shadowMode == 1) {
            m_gl.glBlendFunc(zgl::SrcAlpha, zgl::OneMinusSrcAlpha);
        } else if (light->shadowMode == 2 && GetControlWord(ControlShadowMapping)) {
            RenderLightShadow(light);
        }
        DrawLight(light);
        if (light->volumetric) RenderVolumetricLight(light);
        m_gl.glPopAttrib();
    }
    m_gl.glPopAttrib();
    UseProgram(0);
}

void zGL3Renderer::DrawLight(zRenderLight* light) {
    if (!SetupLightShader(light)) return;
    const bool volume = (light->type == 1 && light->range != 0.0f) || light->type == 3;
    if (volume) {
        DrawLightVolume(light);
    } else {
        DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    ResetUnits(0);
    // Maps bound past the fixed-function units.
    for (u32 unit = UnitCount; unit < FirstLightMapUnit + 6; ++unit) {
        m_gl.glActiveTextureARB(zgl::Texture0 + unit);
        m_gl.glBindTexture(zgl::Texture2D, 0);
    }
    m_gl.glActiveTextureARB(zgl::Texture0);
}

bool zGL3Renderer::SetupLightShader(zRenderLight* light) {
    const auto* data = light ? dynamic_cast<const GL_LightData*>(light->GetRenderData()) : nullptr;
    zGL3Shader* shader = data ? FindLibraryShader(data->lightShader.CStr()) : nullptr;
    if (!shader) return false;
    const GLhandleARB program = shader->GetProgram();
    UseProgram(program);
    auto location = [this, program](const char* name) { return m_gl.glGetUniformLocationARB(program, name); };
    auto setFloat = [this, &location](const char* name, f32 value) {
        m_gl.glUniform1fARB(location(name), value);
    };
    auto setVec3 = [this, &location](const char* name, const zVector& v) {
        m_gl.glUniform3fARB(location(name), v.x, v.y, v.z);
    };
    auto setMatrix = [this, &location](const char* name, const zMatrix4& m) {
        m_gl.glUniformMatrix4fv(location(name), 1, 1, m.e);
    };

    BindSampler(program, "gbuffer0", 0, m_targets[TargetAttr0].Get());
    BindSampler(program, "gbuffer1", 1, m_targets[TargetAttr1].Get());
    BindSampler(program, "gbuffer2", 2, m_targets[TargetAttr2].Get());
    m_gl.glUniform2fARB(location("inverse_buffer_size"), m_targetReciprocals[0], m_targetReciprocals[1]);
    // Positions are rebuilt from the depth pass with the frame's projection,
    // over the viewport the g-buffer was drawn in.
    m_gl.glUniform2fARB(location("inverse_display_size"), m_viewportReciprocal[0], m_viewportReciprocal[1]);
    setMatrix("projection_matrix", GetProjection());
    setFloat("view_depth_offset", GetCameraBlock().zNear);
    setFloat("shadow_bias", light->shadowBias);

    const zMatrix4 cameraWorld = CameraWorld();
    const zMatrix4 lightWorld = light->GetRenderWorld();
    const zMatrix4 lightInverse = lightWorld.Inverse();
    zVector position, direction;
    LightViewAxes(lightWorld, position, direction);
    if (light->type != 2) {
        setFloat("range", light->range);
        setVec3("position_view_space", position);
    }
    const bool mapping = GetControlWord(ControlShadowMapping);
    const f32 inverseMapSize = m_shadowMapReciprocal;
    if (light->type == 1 && light->shadowMode == 2 && data->cube) {
        setFloat("inverse_shadowmap_size", inverseMapSize);
        SetCubeUniforms(program, *data->cube, lightInverse, cameraWorld);
    }
    if (light->type == 2) {
        setVec3("direction_view_space", direction);
        if (light->shadowMode == 2 && mapping && GetControlWord(ControlLinearShadow) && data->pssm) {
            setFloat("inverse_shadowmap_size", inverseMapSize);
            SetPSSMUniforms(program, *data->pssm, cameraWorld);
        }
    }
    if (light->type == 3) {
        zTexture* projection = light->GetRenderProjectionTexture();
        if (projection && !projection->GetRenderData()) SetupTexture(projection);
        if (projection || light->shadowMode == 2) {
            u32 unit = FirstLightMapUnit;
            if (light->shadowMode == 2 && mapping) {
                setFloat("inverse_shadowmap_size", inverseMapSize);
                BindSampler(program, "light_view_depth_texture", unit++, m_shadowMaps[0].Get());
            }
            if (projection) BindSampler(program, "projection_texture", unit, projection);
            setMatrix("light_projection_matrix",
                      zMatrix4::Multiply(light->GetRenderProjection(),
                                         zMatrix4::Multiply(lightInverse, cameraWorld)));
        }
        setVec3("direction_view_space", direction);
        setFloat("spot_cone_angle", std::cos(light->coneAngle));
        setFloat("spot_edge_angle", std::cos(light->coneAngle + light->edgeAngle));
    }

    // A light fades out over the last 50 units before range + falloff.
    f32 fade = 1.0f;
    if (light->range != 0.0f) {
        const zVector camera = cameraWorld.GetRow(3, true);
        const zVector place = lightWorld.GetRow(3, true);
        const zVector offset(place.x - camera.x, place.y - camera.y, place.z - camera.z, 0.0f);
        const f32 limit = light->range + f32(light->falloff);
        fade = 1.0f - (offset.Length() - (limit - 50.0f)) / 50.0f;
        fade = fade < 0.0f ? 0.0f : (fade > 1.0f ? 1.0f : fade);
    }
    const f32 diffuse = light->diffuseIntensity * fade;
    const f32 specular = light->specularIntensity * fade;
    setVec3("diffuse_color",
            zVector(light->diffuse.x * diffuse, light->diffuse.y * diffuse, light->diffuse.z * diffuse));
    setVec3("specular_color", zVector(light->specular.x * specular, light->specular.y * specular,
                                      light->specular.z * specular));
    setVec3("shadow_color", light->shadowColor);
    return true;
}

void zGL3Renderer::DrawLightVolume(zRenderLight* light) {
    const zMatrix4 world = light->GetRenderWorld();
    const zVector place = world.GetRow(3, true);
    const zVector camera = CameraWorld().GetRow(3, true);
    const zVector toCamera(camera.x - place.x, camera.y - place.y, camera.z - place.z, 0.0f);
    const f32 nearMargin = GetCameraBlock().zNear * 2.0f + 0.01f;
    const f32 range = light->range > 0.0f ? light->range : light->volumeRange;
    // Eight segments a ring fall inside the sphere: grow it to cover it.
    const f32 radius = range + range * (1.0f - std::cos(Pi / 8.0f)) / std::cos(Pi / 4.0f);
    bool inside = false;
    f32 coneRadius = 0.0f;
    if (light->type == 3) {
        const f32 opening = light->coneAngle + light->edgeAngle;
        if (!(opening < 1.5f)) {
            // Near a half space or wider: no cone bounds it.
            DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
            return;
        }
        coneRadius = std::tan(opening) * range / std::cos(Pi / 4.0f);
        const zVector axis = world.GetRow(2, false);
        const f32 along = toCamera.x * axis.x + toCamera.y * axis.y + toCamera.z * axis.z;
        const f32 across2 = toCamera.Length2() - along * along;
        const f32 allowed = along * coneRadius / range + nearMargin;
        inside = along > -nearMargin && along < range + nearMargin && across2 < allowed * allowed;
    } else {
        inside = toCamera.Length() < radius + nearMargin;
    }
    if (inside || !m_depthClamp) {
        // Every pixel may be lit: a screen quad covers it all.
        DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
        return;
    }
    // The far side of the volume covers its picture once, wherever the near
    // and far planes cut it: depth clamping keeps what they would clip.
    SetModelMatrix(world);
    m_gl.glPushAttrib(zgl::DepthBufferBit | zgl::PolygonBit | zgl::EnableBit);
    m_gl.glDepthMask(0);
    m_gl.glDisable(zgl::DepthTest);
    m_gl.glEnable(zgl::DepthClamp);
    m_gl.glEnable(zgl::CullFace);
    m_gl.glFrontFace(zgl::Ccw);
    m_gl.glCullFace(zgl::Front);
    if (light->type == 3) {
        DrawWireCone(range, coneRadius);
    } else {
        DrawWireSphere(radius);
    }
    m_gl.glPopAttrib();
    SetModelMatrix(zMatrix4());
}

// Shadow maps.

void zGL3Renderer::RenderLightShadow(zRenderLight* light) {
    if (!m_gl.glBindFramebufferEXT || !m_thirdFBO) return;
    UseProgram(0);
    m_gl.glPushMatrix();
    m_gl.glPushAttrib(zgl::ScissorBit | zgl::ColorBufferBit | zgl::ViewportBit | zgl::DepthBufferBit |
                      zgl::FogBit | zgl::PolygonBit | zgl::EnableBit);
    m_gl.glDisable(zgl::ScissorTest);
    m_gl.glDepthMask(1);
    m_gl.glEnable(zgl::DepthTest);
    m_gl.glDepthFunc(zgl::Less);
    m_gl.glEnable(zgl::CullFace);
    m_gl.glCullFace(zgl::Back);
    m_gl.glDisable(zgl::Blend);
    m_gl.glEnable(zgl::AlphaTest);
    zRenderViewItem* mainCamera = GetViewItem();
    m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_thirdFBO);
    m_gl.glDrawBuffer(zgl::None);
    m_gl.glReadBuffer(zgl::None);
    switch (light->type) {
    case 1:
        RenderPointShadow(light);
        break;
    case 2:
        if (GetControlWord(ControlLinearShadow)) RenderPSSM(light);
        break;
    case 3: {
        const f32 aspect = SetGlobalAspectRatio(1.0f);
        ShadowCamera camera;
        camera.world = light->GetRenderWorld();
        // The same projection the light pass maps its points with.
        camera.Perspective(2.0f * (light->coneAngle + light->edgeAngle), light->zNear, light->volumeRange);
        RenderShadowMap(&camera, 0);
        SetGlobalAspectRatio(aspect);
        break;
    }
    default:
        break;
    }
    m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::DepthAttachment, zgl::Texture2D, 0, 0);
    m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_gbufferFBO);
    m_gl.glPopAttrib();
    m_gl.glPopMatrix();
    SetViewItem(mainCamera);
    ApplyView();
    BindGBuffer();
}

void zGL3Renderer::RenderShadowMap(zRenderViewItem* camera, u32 index) {
    if (index >= ShadowMapCount || !m_shadowMaps[index]) return;
    SetViewItem(camera);
    ApplyView();
    m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::DepthAttachment, zgl::Texture2D,
                                   TextureName(m_shadowMaps[index].Get()), 0);
    m_gl.glViewport(0, 0, GLsizei(m_shadowMapSize), GLsizei(m_shadowMapSize));
    m_gl.glClearDepth(1.0);
    m_gl.glClear(zgl::DepthBufferBit);
    zList<zRenderablePrimitive*> list;
    CollectPrimitives(list, RenderPassShadow);
    DrawList(list, PassDepth);
    for (auto* node = list.GetHead(); node; node = node->next)
        delete node->value;
    list.Clear();
}

void zGL3Renderer::RenderPointShadow(zRenderLight* light) {
    auto* data = dynamic_cast<GL_LightData*>(light->GetRenderData());
    if (!data) return;
    if (!data->cube) data->cube.reset(new (std::nothrow) GL_CubeRecord());
    if (!data->cube) {
        GetLog() << "[!] "
                 << "Failed to allocate point shadow map structure.\n";
        return;
    }
    const zMatrix4 lightWorld = light->GetRenderWorld();
    ShadowCamera camera;
    camera.Perspective(Pi * 0.5f, light->zNear, light->range > 0.0f ? light->range : light->volumeRange);
    for (u32 face = 0; face < 6; ++face) {
        const f32* angles = CubeFaceAngles[face];
        const zMatrix4 rotation =
            zMatrix4::FromMatrix3(zMatrix3::FromEulerAngles(angles[0], angles[1], angles[2], 4));
        camera.world = zMatrix4::Multiply(lightWorld, rotation);
        camera.Refresh();
        RenderShadowMap(&camera, face);
        data->cube->view[face] = camera.world.Inverse();
        data->cube->projection[face] = camera.projection;
    }
}

void zGL3Renderer::FitShadowCamera(const zVector corners[8], zMatrix4& world, f32 pullBack, f32 extent[3]) {
    zMinMax box(corners[0], corners[0]);
    for (u32 i = 1; i < 8; ++i)
        box.AddPoint(corners[i]);
    const zVector centre((box.min.x + box.max.x) * 0.5f, (box.min.y + box.max.y) * 0.5f,
                         (box.min.z + box.max.z) * 0.5f);
    const zVector axes[3] = {world.GetRow(0, false), world.GetRow(1, false), world.GetRow(2, false)};
    const zVector place(centre.x - axes[2].x * pullBack, centre.y - axes[2].y * pullBack,
                        centre.z - axes[2].z * pullBack);
    world.SetRow(3, place, true);
    // Half-widths across, the farthest corner along.
    f32 reach[3] = {0.0f, 0.0f, 0.0f};
    for (u32 i = 0; i < 8; ++i) {
        const zVector offset(corners[i].x - place.x, corners[i].y - place.y, corners[i].z - place.z, 0.0f);
        for (u32 axis = 0; axis < 3; ++axis) {
            const f32 along = offset.x * axes[axis].x + offset.y * axes[axis].y + offset.z * axes[axis].z;
            const f32 size = axis == 2 ? along : std::fabs(along);
            if (size > reach[axis]) reach[axis] = size;
        }
    }
    extent[0] = reach[0] * 2.0f;
    extent[1] = reach[1] * 2.0f;
    extent[2] = reach[2];
}

f32 zGL3Renderer::PSSMSplitDistance(u32 split, f32 nearDistance, f32 farDistance, f32 blend) {
    const f32 t = f32(split + 1) * 0.25f;
    const f32 logarithmic = nearDistance * std::pow(farDistance / nearDistance, t);
    const f32 uniform = nearDistance + (farDistance - nearDistance) * t;
    return blend * logarithmic + (1.0f - blend) * uniform;
}

void zGL3Renderer::RenderPSSM(zRenderLight* light) {
    auto* data = dynamic_cast<GL_LightData*>(light->GetRenderData());
    zRenderViewItem* mainCamera = GetViewItem();
    if (!data || !mainCamera) return;
    if (!data->pssm) data->pssm.reset(new (std::nothrow) GL_PSSMRecord());
    if (!data->pssm) {
        GetLog() << "[!] "
                 << "Failed to allocate PSSM structure.\n";
        return;
    }
    const f32 nearDistance =
        mainCamera->GetCameraBlock().zNear > 0.0f ? mainCamera->GetCameraBlock().zNear : 0.1f;
    const f32 farDistance = light->shadowRange > nearDistance ? light->shadowRange : nearDistance * 2.0f;
    const zMatrix4 lightWorld = light->GetRenderWorld();
    for (u32 split = 0; split < 4; ++split) {
        const f32 splitFar = PSSMSplitDistance(split, nearDistance, farDistance, light->shadowDistribution);
        zFrustum frustum;
        mainCamera->UpdateFrustum(&frustum, nearDistance, splitFar);
        // Fit an orthographic camera along the light's axes around the corners.
        ShadowCamera camera;
        camera.world = lightWorld;
        f32 extent[3];
        FitShadowCamera(frustum.corners, camera.world, farDistance * 4.0f, extent);
        camera.Orthographic(extent[0] > 0.0f ? extent[0] : 1.0f, extent[1] > 0.0f ? extent[1] : 1.0f, 0.0f,
                            extent[2] > 0.0f ? extent[2] : 1.0f);
        RenderShadowMap(&camera, split);
        GL_PSSMRecord::Split& record = data->pssm->splits[split];
        record.sliceDistance = splitFar;
        record.view = camera.world.Inverse();
        record.projection = camera.projection;
    }
}

// Volumetric light.

bool zGL3Renderer::SetupVolumetricShader(zRenderLight* light) {
    const auto* data = light ? dynamic_cast<const GL_LightData*>(light->GetRenderData()) : nullptr;
    zGL3Shader* shader = data ? FindLibraryShader(data->volumetricShader.CStr()) : nullptr;
    if (!shader || light->type < 1 || light->type > 3) return false;
    const GLhandleARB program = shader->GetProgram();
    UseProgram(program);
    auto location = [this, program](const char* name) { return m_gl.glGetUniformLocationARB(program, name); };
    const f32 divisor = f32(m_fxDivisor);
    const f32 scale = GetControlWord(ControlLowResolutionFx) ? divisor : 1.0f;
    BindSampler(program, "gbuffer0", 0, m_targets[TargetAttr0].Get());
    m_gl.glUniform1fARB(location("framebuffer_fx_scaler"), divisor);
    m_gl.glUniform2fARB(location("inverse_buffer_size"), m_targetReciprocals[0] * scale,
                        m_targetReciprocals[1] * scale);
    m_gl.glUniform1fARB(location("view_depth_offset"), GetCameraBlock().zNear);
    // Points are rebuilt from the depth pass as the light passes do.
    m_gl.glUniform2fARB(location("inverse_display_size"), m_viewportReciprocal[0], m_viewportReciprocal[1]);
    m_gl.glUniformMatrix4fv(location("projection_matrix"), 1, 1, GetProjection().e);
    m_gl.glUniform1fARB(location("volumetric_step"), light->volumetricSampleStep);
    m_gl.glUniform1fARB(location("volumetric_range"), light->volumetricRange);
    m_gl.glUniform1fARB(location("volumetric_thickness"), light->volumetricThickness);
    const f32 intensity = light->diffuseIntensity;
    m_gl.glUniform3fARB(location("volumetric_color"), light->diffuse.x * intensity,
                        light->diffuse.y * intensity, light->diffuse.z * intensity);
    const zMatrix4 lightWorld = light->GetRenderWorld();
    zVector position, direction;
    LightViewAxes(lightWorld, position, direction);
    if (light->type != 2)
        m_gl.glUniform3fARB(location("position_view_space"), position.x, position.y, position.z);
    if (light->type != 1)
        m_gl.glUniform3fARB(location("direction_view_space"), direction.x, direction.y, direction.z);
    if (light->type == 3)
        m_gl.glUniform1fARB(location("cone_angle"), std::cos(light->coneAngle + light->edgeAngle));
    if (light->shadowMode == 2 && GetControlWord(ControlShadowMapping)) {
        const zMatrix4 cameraWorld = CameraWorld();
        m_gl.glUniform1fARB(location("inverse_shadowmap_size"), m_shadowMapReciprocal);
        m_gl.glUniform1fARB(location("shadow_bias"), light->shadowBias);
        if (light->type == 3) {
            BindSampler(program, "volume_view_depth_texture", FirstLightMapUnit, m_shadowMaps[0].Get());
            const zMatrix4 matrix = zMatrix4::Multiply(light->GetRenderProjection(),
                                                       zMatrix4::Multiply(lightWorld.Inverse(), cameraWorld));
            m_gl.glUniformMatrix4fv(location("volume_projection_matrix"), 1, 1, matrix.e);
        } else if (light->type == 2 && data->pssm) {
            SetPSSMUniforms(program, *data->pssm, cameraWorld);
        } else if (light->type == 1 && data->cube) {
            SetCubeUniforms(program, *data->cube, lightWorld.Inverse(), cameraWorld);
        }
    }
    return true;
}

void zGL3Renderer::RenderVolumetricLight(zRenderLight* light) {
    if (!SetupVolumetricShader(light)) return;
    m_gl.glPushAttrib(zgl::ColorBufferBit);
    m_gl.glBlendFunc(zgl::SrcAlpha, zgl::OneMinusSrcAlpha);
    const bool reduced = m_fxDivisor != 1;
    i32 viewport[4] = {0, 0, 0, 0};
    if (reduced) {
        m_gl.glDisable(zgl::Blend);
        m_gl.glColorMask(1, 1, 1, 1);
        m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_outputFBO);
        SetTargetTexture(m_targets[TargetFx0].Get());
        ClearTarget(0.0f, 0.0f, 0.0f, 0.0f, 1.0f, zgl::ColorBufferBit);
        // The frame's supersampled viewport, reduced for the half-size target.
        for (u32 i = 0; i < 4; ++i)
            viewport[i] = i32(std::lround(f32(m_viewport[i]) * m_supersample));
        const i32 divisor = i32(m_fxDivisor);
        SetScissoredViewport(viewport[0] / divisor, viewport[1] / divisor, viewport[2] / divisor,
                             viewport[3] / divisor);
    }
    if (light->type == 1 || light->type == 3) {
        DrawLightVolume(light);
    } else if (light->type == 2) {
        DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    if (reduced) {
        SetSupersampledViewport();
        ResetUnits(0);
        m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_gbufferFBO);
        SetTargetTexture(m_targets[TargetCompose].Get());
        m_gl.glEnable(zgl::Blend);
        m_gl.glColorMask(1, 1, 1, 0);
        UseProgram(0);
        BindUnit(0, m_targets[TargetFx0].Get());
        DrawFullScreenQuad(true, 1.0f, 1.0f, m_viewportRatio[0], m_viewportRatio[1]);
    }
    m_gl.glPopAttrib();
    ResetUnits(0);
}

// The velocity pass.

bool zGL3Renderer::WantsVelocityPass() {
    zRenderViewItem* view = GetViewItem();
    zRegistry* settings = view ? view->GetViewRegistry() : nullptr;
    if (!settings || !settings->GetKey("PostProcess:MotionBlur;")) return false;
    // Motion blur is the pass's only reader: its own exclusion decides.
    return !GetRegistry().GetBool("PostProcess:Exclusion:MotionBlur", false);
}
