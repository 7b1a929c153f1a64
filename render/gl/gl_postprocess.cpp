// The post-process chain: the effects a camera's registry asks for, in one
// fixed order, each reading one of the two full-size buffers ("compose_map",
// "attr3_map") and writing the other; then the present. The blurs, bloom,
// depth of field and motion blur work through the half-size fx targets.
//
// Every core post-process program takes its texture coordinates from
// gl_FragCoord x "inverse_buffer_size" x "framebuffer_fx_scaler" (the
// scaler being 2 when it writes a half-size target), so the quads only have
// to cover the viewport.
#include <cmath>

#include "core/log.h"
#include "core/random.h"
#include "markup/meta_tag.h"
#include "markup/registry.h"
#include "render/gl/gl_renderer_data.h"
#include "render/texture.h"

namespace {

using PostPass = bool (zGL3Renderer::*)(zTexture*, zTexture*);

// The effects in the order they run, by the camera's child name.
const struct {
    const char* name;
    PostPass pass;
} PostEffects[] = {
    {"MotionBlur", &zGL3Renderer::PostMotionBlur},
    {"Dof", &zGL3Renderer::PostDepthOfField},
    {"RadialBlur", &zGL3Renderer::PostRadialBlur},
    {"Bloom", &zGL3Renderer::PostBloom},
    {"ChromDisp", &zGL3Renderer::PostChromaticDispersion},
    {"HueSaturation", &zGL3Renderer::PostHueSaturation},
    {"Sharpen", &zGL3Renderer::PostSharpen},
    {"GaussianBlur", &zGL3Renderer::PostGaussianBlur},
    {"Noise", &zGL3Renderer::PostNoise},
};

const zMetaTag* FindChild(const zMetaTag* tag, const char* name) {
    if (!tag) return nullptr;
    zLinkedListIterator iterator{};
    for (const zMetaTag* child = tag->GetNextChild(iterator); child; child = tag->GetNextChild(iterator))
        if (child->GetName() == name) return child;
    return nullptr;
}

} // namespace

zRegistry* zGL3Renderer::CameraRegistry() const {
    zRenderViewItem* view = GetViewItem();
    return view ? view->GetViewRegistry() : nullptr;
}

f32 zGL3Renderer::CameraFloat(const char* key, f32 defaultValue) const {
    const zRegistry* settings = CameraRegistry();
    return settings ? settings->GetFloat(key, defaultValue) : defaultValue;
}

bool zGL3Renderer::IsEffectExcluded(const char* name) {
    const zMetaTag* exclusion = FindChild(GetRegistry().GetKey("PostProcess:Exclusion;"), name);
    if (!exclusion || exclusion->GetValue().GetType() != VariantBool) return false;
    bool excluded = false;
    return exclusion->GetValue().GetBool(excluded) && excluded;
}

void zGL3Renderer::GetDisplayBufferRatio(f32& rx, f32& ry) const {
    const f32 width = f32(m_viewport[2]) * m_supersample;
    const f32 height = f32(m_viewport[3]) * m_supersample;
    rx = width > 0.0f ? m_targetWidth / width : 1.0f;
    ry = height > 0.0f ? m_targetHeight / height : 1.0f;
}

zGL3Shader* zGL3Renderer::UsePostShader(const char* name, f32 fxScaler) {
    zGL3Shader* shader = FindLibraryShader(name);
    if (!shader) {
        GetLog() << "[!] Post-process shader '" << name << "' is missing: the effect is skipped.\n";
        return nullptr;
    }
    const GLhandleARB program = shader->GetProgram();
    UseProgram(program);
    f32 rx = 1.0f, ry = 1.0f;
    GetDisplayBufferRatio(rx, ry);
    const f32 width = f32(m_viewport[2]) * m_supersample;
    const f32 height = f32(m_viewport[3]) * m_supersample;
    SetUniform(program, "inverse_buffer_size", m_targetReciprocals[0], m_targetReciprocals[1]);
    SetUniform(program, "display_buffer_ratio", rx, ry);
    SetUniform(program, "framebuffer_fx_scaler", fxScaler);
    SetUniform(program, "inverse_display_size", width > 0.0f ? 1.0f / width : 1.0f,
               height > 0.0f ? 1.0f / height : 1.0f);
    return shader;
}

void zGL3Renderer::SetUniform(GLhandleARB program, const char* name, f32 x) {
    const GLint location = m_gl.glGetUniformLocationARB(program, name);
    if (location != -1) m_gl.glUniform1fARB(location, x);
}

void zGL3Renderer::SetUniform(GLhandleARB program, const char* name, f32 x, f32 y) {
    const GLint location = m_gl.glGetUniformLocationARB(program, name);
    if (location != -1) m_gl.glUniform2fARB(location, x, y);
}

void zGL3Renderer::DrawBufferQuad() {
    f32 rx = 1.0f, ry = 1.0f;
    GetDisplayBufferRatio(rx, ry);
    DrawFullScreenQuad(true, 1.0f, 1.0f, rx, ry);
}

void zGL3Renderer::RenderPostProcesses() {
    if (m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_outputFBO);
    SetSupersampledViewport();
    m_gl.glDisable(zgl::Blend);
    zTexture* source = m_targets[TargetCompose].Get();
    zTexture* destination = m_targets[TargetAttr3].Get();
    const zRegistry* settings = CameraRegistry();
    const zMetaTag* wanted = settings ? settings->GetKey("PostProcess;") : nullptr;
    for (const auto& effect : PostEffects) {
        if (!wanted || !FindChild(wanted, effect.name) || IsEffectExcluded(effect.name)) continue;
        if ((this->*effect.pass)(source, destination)) {
            zTexture* swap = source;
            source = destination;
            destination = swap;
        }
    }
    PresentFrom(source, destination);
    m_gl.glDisable(zgl::Blend);
    UseProgram(0);
    ResetUnits(0);
}

// The inline effects: one program, the source on unit 0, one quad into the
// destination.
bool zGL3Renderer::DrawInlineEffect(zGL3Shader* shader, const char* sourceName, zTexture* source,
                                    zTexture* destination) {
    const GLhandleARB program = shader->GetProgram();
    BindSampler(program, sourceName, 0, source);
    if (m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_outputFBO);
    SetTargetTexture(destination);
    DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
    ResetUnits(0);
    UseProgram(0);
    return true;
}

bool zGL3Renderer::PostRadialBlur(zTexture* source, zTexture* destination) {
    const f32 strength = CameraFloat("PostProcess:RadialBlur:Strength;", 0.25f);
    if (strength == 0.0f) return false;
    const f32 centreX = CameraFloat("PostProcess:RadialBlur:CenterX;", 0.5f);
    const f32 centreY = CameraFloat("PostProcess:RadialBlur:CenterY;", 0.5f);
    zGL3Shader* shader = UsePostShader("core::radial_blur", 1.0f);
    if (!shader) return false;
    const GLhandleARB program = shader->GetProgram();
    f32 rx = 1.0f, ry = 1.0f;
    GetDisplayBufferRatio(rx, ry);
    SetUniform(program, "center", centreX / rx, centreY / ry);
    SetUniform(program, "strength", strength * 0.1f);
    BindSampler(program, "noise_texture", 1, m_noiseTexture.Get());
    return DrawInlineEffect(shader, "source", source, destination);
}

bool zGL3Renderer::PostChromaticDispersion(zTexture* source, zTexture* destination) {
    const f32 width = CameraFloat("PostProcess:ChromDisp:Width;", 2.0f);
    if (width == 0.0f) return false;
    zGL3Shader* shader = UsePostShader("core::chromatic_dispersion", 1.0f);
    if (!shader) return false;
    SetUniform(shader->GetProgram(), "width", width);
    return DrawInlineEffect(shader, "compose_alpha", source, destination);
}

bool zGL3Renderer::PostHueSaturation(zTexture* source, zTexture* destination) {
    const f32 factors[3] = {CameraFloat("PostProcess:HueSaturation:H;", 1.0f),
                            CameraFloat("PostProcess:HueSaturation:S;", 1.0f),
                            CameraFloat("PostProcess:HueSaturation:L;", 1.0f)};
    bool changes = false;
    for (f32 factor : factors)
        if (std::fabs(factor - 1.0f) >= 0.000001f) changes = true;
    if (!changes) return false;
    zGL3Shader* shader = UsePostShader("core::hsl", 1.0f);
    if (!shader) return false;
    const GLhandleARB program = shader->GetProgram();
    SetUniform(program, "H", factors[0]);
    SetUniform(program, "S", factors[1]);
    SetUniform(program, "L", factors[2]);
    return DrawInlineEffect(shader, "compose_alpha", source, destination);
}

bool zGL3Renderer::PostSharpen(zTexture* source, zTexture* destination) {
    const f32 strength = CameraFloat("PostProcess:Sharpen:Strength;", 1.0f);
    if (strength == 0.0f) return false;
    zGL3Shader* shader = UsePostShader("core::sharpen", 1.0f);
    if (!shader) return false;
    SetUniform(shader->GetProgram(), "strength", strength);
    return DrawInlineEffect(shader, "source", source, destination);
}

bool zGL3Renderer::PostNoise(zTexture* source, zTexture* destination) {
    const f32 strength = CameraFloat("PostProcess:Noise:Strength;", 0.25f);
    if (strength == 0.0f) return false;
    const f32 monochromatic = CameraFloat("PostProcess:Noise:Monochromatic;", 0.0f);
    const f32 lumaBias = CameraFloat("PostProcess:Noise:LumaBias;", 0.5f);
    zGL3Shader* shader = UsePostShader("core::noise", 1.0f);
    if (!shader) return false;
    const GLhandleARB program = shader->GetProgram();
    SetUniform(program, "strength", strength);
    SetUniform(program, "monochromatic", monochromatic);
    SetUniform(program, "luma_bias", lumaBias);
    // Two fresh draws a frame, a before b.
    const f32 randomA = RandFloat(1.0f);
    const f32 randomB = RandFloat(1.0f);
    SetUniform(program, "random_a", randomA);
    SetUniform(program, "random_b", randomB);
    BindSampler(program, "noise_texture", 1, m_noiseTexture.Get());
    return DrawInlineEffect(shader, "source", source, destination);
}

// The multi-step effects.

void zGL3Renderer::RenderToTarget(zTexture* texture, f32 scale, zGL3Shader* shader, zTexture* target) {
    SetTargetTexture(target ? target : m_targets[TargetFx0].Get());
    BindUnit(0, texture);
    f32 rx = 1.0f, ry = 1.0f;
    GetDisplayBufferRatio(rx, ry);
    if (!shader) {
        UseProgram(0);
        DrawFullScreenQuad(true, scale / rx, scale / ry, 1.0f, 1.0f);
    } else {
        const GLhandleARB program = shader->GetProgram();
        UseProgram(program);
        SetUniform(program, "inverse_buffer_size", m_targetReciprocals[0], m_targetReciprocals[1]);
        SetUniform(program, "framebuffer_fx_scaler", f32(m_fxDivisor));
        const GLint location = m_gl.glGetUniformLocationARB(program, "source");
        if (location != -1) m_gl.glUniform1iARB(location, 0);
        DrawFullScreenQuad(true, scale / rx, scale / ry, rx, ry);
    }
    UseProgram(0);
}

bool zGL3Renderer::BlurStep(const char* name, zTexture* input, zTexture* output, f32 blurSize, f32 fxScaler) {
    zGL3Shader* shader = UsePostShader(name, fxScaler);
    if (!shader) return false;
    SetUniform(shader->GetProgram(), "blur_size", blurSize);
    BindSampler(shader->GetProgram(), "source", 0, input);
    SetTargetTexture(output);
    DrawBufferQuad();
    UseProgram(0);
    return true;
}

f32 zGL3Renderer::ViewportPixels(u32 axis) const {
    const f32 size = f32(m_viewport[2 + axis]) * m_supersample;
    return size > 0.0f ? size : 1.0f;
}

bool zGL3Renderer::PostGaussianBlur(zTexture* source, zTexture* destination) {
    const f32 radius = CameraFloat("PostProcess:GaussianBlur:Radius", 12.0f);
    if (radius <= 0.01f) return false;
    const f32 size = radius / ViewportPixels(1);
    if (BlurStep("core::h_gaussian_blur", source, destination, size, 1.0f))
        BlurStep("core::v_gaussian_blur", destination, source, size, 1.0f);
    ResetUnits(0);
    return false;
}

bool zGL3Renderer::PostBloom(zTexture* source, zTexture* destination) {
    const f32 strength = CameraFloat("PostProcess:Bloom:Strength", 1.0f);
    if (strength == 0.0f) return false;
    const f32 d = f32(m_fxDivisor);
    zTexture* hdr = m_targets[TargetHdr].Get();
    zTexture* fx0 = m_targets[TargetFx0].Get();
    zTexture* fx1 = m_targets[TargetFx1].Get();
    zTexture* fx2 = m_targets[TargetFx2].Get();
    zGL3Shader* bright = UsePostShader("core::hdr_no_ldr", d);
    zGL3Shader* tone = FindLibraryShader("core::tone_mapping");
    if (!bright || !tone) {
        if (!tone)
            GetLog() << "[!] Post-process shader 'core::tone_mapping' is missing: the effect is skipped.\n";
        UseProgram(0);
        return false;
    }
    SetUniform(bright->GetProgram(), "strength", strength);
    SetUniform(bright->GetProgram(), "exponent", CameraFloat("PostProcess:Bloom:Exponent", 4.0f));
    SetUniform(bright->GetProgram(), "threshold", CameraFloat("PostProcess:Bloom:Threshold", 0.95f));
    RenderToTarget(source, d, bright, hdr);

    const f32 radius = CameraFloat("PostProcess:Bloom:Radius", 12.0f);
    if (radius > 0.01f) {
        // As the settings were tuned: the horizontal step by the height, the
        // vertical one by the width.
        BlurStep("core::h_gaussian_blur", hdr, fx1, radius / ViewportPixels(1), d);
        BlurStep("core::v_gaussian_blur", fx1, hdr, radius / ViewportPixels(0), d);
    }

    zTexture* bloom = hdr;
    const zRegistry* settings = CameraRegistry();
    if (settings && settings->GetBool("PostProcess:Bloom:Streak:Enabled", false)) {
        const f32 angle = CameraFloat("PostProcess:Bloom:Streak:Angle", 0.785398f);
        const f32 attenuation = CameraFloat("PostProcess:Bloom:Streak:Attenuation", 0.9f);
        // Four steps, each reading the previous one's output.
        auto streak = [&](f32 x, f32 y, zTexture* first, zTexture* second) {
            zGL3Shader* shader = UsePostShader("core::light_streak", d);
            if (!shader) return false;
            const GLhandleARB program = shader->GetProgram();
            BindSampler(program, "source", 0, hdr);
            SetUniform(program, "streak_direction", x, y);
            SetUniform(program, "streak_attenuation", attenuation);
            zTexture* steps[4] = {first, second, first, second};
            for (u32 step = 0; step < 4; ++step) {
                SetUniform(program, "pass", f32(step));
                SetTargetTexture(steps[step]);
                DrawBufferQuad();
                BindUnit(0, steps[step]);
            }
            UseProgram(0);
            return true;
        };
        if (streak(std::cos(angle), std::sin(angle), fx0, fx1)) bloom = fx1;
        if (bloom == fx1 && settings->GetBool("PostProcess:Bloom:Streak:CrossShaped", false) &&
            streak(-std::sin(angle), std::cos(angle), fx0, fx2)) {
            m_gl.glEnable(zgl::Blend);
            m_gl.glBlendFunc(zgl::One, zgl::One);
            f32 rx = 1.0f, ry = 1.0f;
            GetDisplayBufferRatio(rx, ry);
            BindUnit(0, fx1);
            SetTargetTexture(fx2);
            DrawFullScreenQuad(true, d, d, rx, ry);
            m_gl.glDisable(zgl::Blend);
            bloom = fx2;
        }
        ResetUnits(0);
    }

    zGL3Shader* shader = UsePostShader("core::tone_mapping", d);
    const GLhandleARB program = shader->GetProgram();
    SetUniform(program, "strength", strength);
    SetTargetTexture(destination);
    BindSampler(program, "source", 0, source);
    BindSampler(program, "bloom", 1, bloom);
    DrawBufferQuad();
    UseProgram(0);
    ResetUnits(0);
    return true;
}

bool zGL3Renderer::PostDepthOfField(zTexture* source, zTexture* destination) {
    const f32 fStop = CameraFloat("PostProcess:Dof:FStop", 0.0f);
    const f32 focalDistance = CameraFloat("PostProcess:Dof:FDist", 0.0f);
    if (fStop == 0.0f || focalDistance == 0.0f) return false;
    const f32 d = f32(m_fxDivisor);
    zTexture* depth = m_targets[TargetAttr0].Get();
    zTexture* fx0 = m_targets[TargetFx0].Get();
    zTexture* fx1 = m_targets[TargetFx1].Get();
    if (GetRegistry().GetBool("PostProcess:Dof:Fast", true)) {
        if (!FindLibraryShader("core::h_dof") || !FindLibraryShader("core::v_dof")) {
            GetLog() << "[!] Post-process shader 'core::h_dof' or 'core::v_dof' is missing: the effect is "
                        "skipped.\n";
            return false;
        }
        RenderToTarget(source, d, nullptr, nullptr);
        const struct {
            const char* name;
            zTexture* input;
            zTexture* output;
        } steps[] = {{"core::h_dof", fx0, fx1}, {"core::v_dof", fx1, fx0}};
        for (const auto& step : steps) {
            zGL3Shader* shader = UsePostShader(step.name, d);
            const GLhandleARB program = shader->GetProgram();
            SetUniform(program, "blur_size", 32.0f);
            SetUniform(program, "f_stop", fStop);
            SetUniform(program, "focal_distance", focalDistance);
            BindSampler(program, "source", 0, step.input);
            BindSampler(program, "nrm_dpth", 1, depth);
            SetTargetTexture(step.output);
            DrawBufferQuad();
        }
        ResetUnits(1);
        SetTargetTexture(source);
        UseProgram(0);
        BindUnit(0, fx0);
        m_gl.glPushAttrib(zgl::ColorBufferBit);
        // The blurred picture's alpha weighs the sharp one already there.
        m_gl.glEnable(zgl::Blend);
        m_gl.glBlendFunc(zgl::OneMinusSrcAlpha, zgl::SrcAlpha);
        m_gl.glColorMask(1, 1, 1, 0);
        DrawBufferQuad();
        m_gl.glPopAttrib();
        ResetUnits(0);
        return false;
    }
    const char* const names[3] = {"core::dof_radius", "core::dof_spread", "core::dof_blur"};
    for (const char* name : names) {
        if (FindLibraryShader(name)) continue;
        GetLog() << "[!] Post-process shader '" << name << "' is missing: the effect is skipped.\n";
        return false;
    }
    zTexture* coc = m_targets[TargetVelocity].Get();
    const f32 vpW = ViewportPixels(0), vpH = ViewportPixels(1);
    zGL3Shader* shader = UsePostShader(names[0], d);
    GLhandleARB program = shader->GetProgram();
    SetUniform(program, "blur_size", 20.0f * vpH / vpW);
    SetUniform(program, "f_stop", fStop);
    SetUniform(program, "f_dist", focalDistance);
    BindSampler(program, "nrm_dpth", 0, depth);
    SetTargetTexture(coc);
    DrawBufferQuad();
    ResetUnits(0);

    program = UsePostShader(names[1], d)->GetProgram();
    BindSampler(program, "source", 0, source);
    BindSampler(program, "coc_texture", 1, coc);
    BindSampler(program, "noise_texture", 2, m_noiseTexture.Get());
    SetTargetTexture(destination);
    DrawBufferQuad();
    ResetUnits(0);

    program = UsePostShader(names[2], d)->GetProgram();
    BindSampler(program, "source", 0, destination);
    BindSampler(program, "coc_texture", 1, coc);
    SetTargetTexture(source);
    DrawBufferQuad();
    UseProgram(0);
    ResetUnits(0);
    return false;
}

bool zGL3Renderer::PostMotionBlur(zTexture* source, zTexture* destination) {
    if (GetRegistry().GetBool("PostProcess:Exclusion:MotionBlur", false)) return false;
    const f32 strength = CameraFloat("PostProcess:MotionBlur:Strength", 0.5f);
    if (strength == 0.0f) return false;
    zGL3Shader* shader = UsePostShader("core::motionblur", 1.0f);
    if (!shader) return false;
    const GLhandleARB program = shader->GetProgram();
    SetUniform(program, "strength", strength);
    SetTargetTexture(destination);
    BindSampler(program, "nrm_dpth", 0, m_targets[TargetAttr0].Get());
    BindSampler(program, "velocity_map", 1, m_targets[TargetVelocity].Get());
    BindSampler(program, "pp_input", 2, source);
    DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
    UseProgram(0);
    ResetUnits(0);
    return true;
}

// Ambient occlusion and fog: deferred passes over the g-buffer that share
// the chain's programs and quads.

void zGL3Renderer::RenderSSAO() {
    if (GetRegistry().GetBool("PostProcess:Exclusion:SSAO", false)) return;
    const f32 strength = CameraFloat("PostProcess:SSAO:Strength", 1.0f);
    if (strength == 0.0f) return;
    const f32 distance = CameraFloat("PostProcess:SSAO:Distance", 100.0f);
    const f32 radius = CameraFloat("PostProcess:SSAO:Radius", 100.0f);
    const f32 blurRadius = CameraFloat("PostProcess:SSAO:BlurRadius", 8.0f);
    const bool fastBlur = GetRegistry().GetBool("PostProcess:SSAO:FastBlur", true);
    const f32 d = f32(m_fxDivisor);
    zTexture* depth = m_targets[TargetAttr0].Get();
    zTexture* fx0 = m_targets[TargetFx0].Get();
    zTexture* fx1 = m_targets[TargetFx1].Get();
    if (!fastBlur && blurRadius != 0.0f && !FindLibraryShader("core::normal_depth_blur")) {
        GetLog() << "[!] Post-process shader 'core::normal_depth_blur' is missing: the effect is skipped.\n";
        return;
    }

    zGL3Shader* shader = UsePostShader("core::ssao", d);
    if (!shader) return;
    GLhandleARB program = shader->GetProgram();
    const zMatrix4& projection = GetProjection();
    SetUniform(program, "inverse_projection_2d", projection.e[0] != 0.0f ? 1.0f / projection.e[0] : 0.0f,
               projection.e[5] != 0.0f ? 1.0f / projection.e[5] : 0.0f);
    SetUniform(program, "view_depth_offset", GetCameraBlock().zNear);
    SetUniform(program, "distance", distance);
    SetUniform(program, "ao_radius", radius);
    SetUniform(program, "strength", strength);
    BindSampler(program, "nrm_dpth", 1, depth);
    BindSampler(program, "noise_texture", 2, m_noiseTexture.Get());
    if (m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_outputFBO);
    SetTargetTexture(fx0);
    DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
    ResetUnits(0);

    if (blurRadius != 0.0f) {
        const f32 vpW = ViewportPixels(0), vpH = ViewportPixels(1);
        if (fastBlur) {
            const struct {
                const char* name;
                zTexture* input;
                zTexture* output;
                f32 size;
            } steps[] = {{"core::h_gaussian_blur", fx0, fx1, blurRadius * 0.5f / vpW},
                         {"core::v_gaussian_blur", fx1, fx0, blurRadius * 0.5f / vpH}};
            for (const auto& step : steps) {
                shader = UsePostShader(step.name, d);
                if (!shader) break;
                program = shader->GetProgram();
                SetUniform(program, "blur_size", step.size);
                BindSampler(program, "source", 0, step.input);
                SetTargetTexture(step.output);
                DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
            }
        } else {
            const struct {
                zTexture* input;
                zTexture* output;
                f32 size;
            } steps[] = {{fx0, fx1, blurRadius / vpW}, {fx1, fx0, blurRadius / vpH}};
            for (const auto& step : steps) {
                program = UsePostShader("core::normal_depth_blur", d)->GetProgram();
                SetUniform(program, "blur_size", step.size);
                SetUniform(program, "ao_radius", radius);
                BindSampler(program, "nrm_dpth", 0, depth);
                BindSampler(program, "source", 1, step.input);
                SetTargetTexture(step.output);
                DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
            }
        }
        UseProgram(0);
        ResetUnits(0);
    }

    // The occlusion multiplies the three colour attributes: with draw
    // buffers, one quad writes its colour into all three.
    m_gl.glPushAttrib(zgl::ColorBufferBit);
    m_gl.glColorMask(1, 1, 1, 0);
    m_gl.glEnable(zgl::Blend);
    m_gl.glBlendFunc(zgl::DstColor, zgl::Zero);
    UseProgram(0);
    BindUnit(0, fx0);
    if (m_gl.glBindFramebufferEXT) m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_gbufferFBO);
    if (m_gl.glDrawBuffers) {
        DrawIntoAttributes(true);
        DrawBufferQuad();
        DrawIntoAttributes(false);
    } else {
        for (u32 target : {u32(TargetAttr1), u32(TargetAttr2), u32(TargetAttr3)}) {
            SetTargetTexture(m_targets[target].Get());
            DrawBufferQuad();
        }
    }
    m_gl.glDisable(zgl::Blend);
    m_gl.glPopAttrib();
    ResetUnits(0);
}

void zGL3Renderer::RenderFog() {
    const zFogState& fog = GetFog();
    zGL3Shader* shader = FindLibraryShader("core::fog");
    if (!shader) {
        GetLog() << "[!] Post-process shader 'core::fog' is missing: the effect is skipped.\n";
        return;
    }
    m_gl.glPushAttrib(zgl::ColorBufferBit);
    m_gl.glColorMask(1, 1, 1, 0);
    // The program gives the fog's colour and the visibility as alpha.
    m_gl.glBlendFunc(zgl::OneMinusSrcAlpha, zgl::SrcAlpha);
    m_gl.glEnable(zgl::Blend);
    const GLhandleARB program = shader->GetProgram();
    UseProgram(program);
    BindSampler(program, "gbuffer0", 0, m_targets[TargetAttr0].Get());
    const f32 range = fog.farDistance - fog.nearDistance;
    SetUniform(program, "near", fog.nearDistance);
    SetUniform(program, "inverse_range", range != 0.0f ? 1.0f / range : 0.0f);
    const GLint colour = m_gl.glGetUniformLocationARB(program, "color");
    if (colour != -1) m_gl.glUniform3fARB(colour, fog.color[0], fog.color[1], fog.color[2]);
    SetUniform(program, "inverse_buffer_size", m_targetReciprocals[0], m_targetReciprocals[1]);
    DrawFullScreenQuad(false, 1.0f, 1.0f, 1.0f, 1.0f);
    m_gl.glPopAttrib();
    UseProgram(0);
    ResetUnits(0);
}
