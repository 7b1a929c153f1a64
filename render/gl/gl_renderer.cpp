#include "render/gl/gl_renderer.h"

#include <cmath>
#include <new>

#include "core/log.h"
#include "picture/pixel_format.h"
#include "platform/gl_display.h"
#include "render/shader/shader_library.h"
#include "render/texture.h"

namespace {

// Shown in the window title after the product name.
const char* const WindowTitle = "Kestrin (https://kestrin.invalid)";

} // namespace

const char* const zGL3Renderer::TargetNames[TargetCount] = {
    "depth_map",    "attr0_map", "attr1_map", "attr2_map", "attr3_map", "compose_map",
    "velocity_map", "fx0_map",   "fx1_map",   "fx2_map",   "hdr_map"};

zGL3Renderer::zGL3Renderer(zRenderHost* engine, bool registerAsCurrent)
    : zRenderer(engine, registerAsCurrent) {
    SetControlWord(ControlAmbientOcclusion, false);
    for (u32 i = 0; i < 16; ++i) {
        m_modelView[i] = m_view[i] = m_projectionCopy[i] = m_lineInverseView[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

zGL3Renderer::~zGL3Renderer() {
    if (IsOpen() || m_context) Close();
    m_library = zSharedPtr<zShaderLibrary>();
    for (auto& map : m_shadowMaps)
        map = zSharedPtr<zTexture>();
    m_noiseTexture = zSharedPtr<zTexture>();
    m_ditherTexture = zSharedPtr<zTexture>();
    for (auto& target : m_targets)
        target = zSharedPtr<zTexture>();
}

const char* zGL3Renderer::GetDescription() {
    return GetSystemWord(SystemDisableShader) ? "OpenGL Fixed-function" : "OpenGL Deferred";
}

bool zGL3Renderer::Open(u32 width, u32 height, u32 bitsPerPixel, bool fullscreen) {
    return OpenMode(width, height, bitsPerPixel, fullscreen ? ModeFullscreen : ModeWindowed);
}

bool zGL3Renderer::OpenMode(u32 width, u32 height, u32 bitsPerPixel, u32 mode) {
    if (IsOpen()) {
        GetLog() << "[*] Renderer is already open, will not reopen without closing first.\n";
        return false;
    }
    m_hostWindow = false;
    if (!OpenWindow(width, height, bitsPerPixel, mode)) {
        Close();
        return false;
    }
    return StartRenderer(width, height, bitsPerPixel, m_mode);
}

bool zGL3Renderer::OpenOnWindow(zPlatformWindow* window, u32 width, u32 height, bool ownContext) {
    if (IsOpen()) {
        GetLog() << "[*] Renderer is already open, will not reopen without closing first.\n";
        return true;
    }
    if (!window) return false;
    if (!ownContext) {
        // The platform makes contexts only: a host's current one cannot be adopted.
        GetLog() << "[!] could not create rendering context.\n";
        return false;
    }
    m_hostWindow = true;
    m_window = window;
    m_fullscreen = false;
    m_mode = ModeWindowed;
    m_width = width;
    m_height = height;
    return StartRenderer(width, height, 32, ModeWindowed);
}

bool zGL3Renderer::OpenWindow(u32 width, u32 height, u32 bitsPerPixel, u32 mode) {
    if (mode > ModeHidden) {
        GetLog() << "[*] Unsupported mode (" << mode << "), defaulting to windowed.\n";
        mode = ModeWindowed;
    }
    m_mode = mode;
    m_width = width;
    m_height = height;
    m_bitsPerPixel = u8(bitsPerPixel);
    const bool fullscreen = mode == ModeFullscreen;
    const u32 samples = GetSystemWord(SystemAntialiasing) ? 2 : 0;
    m_ownWindow = zPlatformWindow::Create(WindowTitle, fullscreen ? 0 : 32, fullscreen ? 0 : 32, width,
                                          height, zPlatformWindow::Hidden, samples);
    if (!m_ownWindow) {
        GetLog() << "[!] Couldn't get a device context for rendering window.\n";
        GetLog() << "[*] " << PlatformVideoError() << "\n";
        return false;
    }
    m_window = m_ownWindow.get();
    if (fullscreen) {
        if (!m_ownWindow->EnterFullscreen(width, height)) {
            GetLog() << "[!] failed to switch to fullscreen.\n";
            return false;
        }
        PlatformShowCursor(false);
        m_fullscreen = true;
    } else {
        m_fullscreen = false;
    }
    m_ownWindow->SetTitle(WindowTitle);
    if (mode != ModeHidden) m_ownWindow->ShowWindow();
    return true;
}

bool zGL3Renderer::CreateContext() {
    m_context = zPlatformGLContext::Create(*m_window);
    if (!m_context) {
        GetLog() << "[!] could not create rendering context.\n";
        return false;
    }
    m_currentOutput = m_window;
    return true;
}

bool zGL3Renderer::StartRenderer(u32 width, u32 height, u32 /*bitsPerPixel*/, u32 /*mode*/) {
    m_depthFallback = false;
    GetLog() << "[H] Starting OpenGL 3 renderer...\n";
    GetLog() << (GetSystemWord(SystemAntialiasing) ? "Using 4x supersampling.\n" : "No supersampling.\n");
    if (GetSystemWord(SystemUseFloatTarget)) {
        GetLog() << "Full HDR support.\n";
    } else {
        GetLog() << "No HDR support.\n";
        SetControlWord(ControlExposure, false);
    }
    if (!CreateContext()) {
        Close();
        return false;
    }
    const zGLProcLookup lookup = [this](const char* name) { return m_context->GetProc(name); };
    u32 systemWord = GetSystemWordValue();
    if (!LoadGLCoreFunctions(m_gl, lookup) || !FetchGLExtensions(m_gl, lookup, systemWord, m_mrtCount)) {
        SetSystemWord(SystemDisableShader, (systemWord & SystemDisableShader) != 0);
        Close();
        return false;
    }
    SetSystemWord(SystemDisableShader, (systemWord & SystemDisableShader) != 0);
    if (m_window && m_window->GetRequestedSamples() > 0) m_gl.glEnable(zgl::Multisample);

    const bool deferred = !GetSystemWord(SystemDisableShader);
    if (deferred) {
        m_library = zSharedPtr<zShaderLibrary>(new (std::nothrow) zShaderLibrary(this));
        if (!m_library || !m_library->Load("default_shaders.zml", "GLSL_Deferred;")) {
            Close();
            return false;
        }
    }

    SetOpenState(true);
    GetLog() << "Vendor: " << m_context->GetVendorString().c_str() << "\n";
    GetLog() << "Renderer: " << m_context->GetRendererString().c_str() << "\n";
    GetLog() << "Version: " << m_context->GetVersionString().c_str() << "\n";
    GetLog() << "\n";
    ResetGLState();
    m_depthClamp = m_context->GetVersionNumber() >= 32 || m_context->HasExtension("GL_ARB_depth_clamp");
    MakeWhiteTexture();
    if (m_gl.glGenQueriesARB) m_gl.glGenQueriesARB(1, &m_query);
    SetOutputSizeValues(f32(width), f32(height));
    SetViewport(0, 0, i32(width), i32(height));

    if (!m_lines) m_lines.reset(new (std::nothrow) Line[LineCapacity]);
    if (!m_lines) {
        GetLog() << "[!] Failed to allocate the line display list.\n";
        Close();
        return false;
    }

    if (deferred) {
        if (m_gl.glGenFramebuffersEXT) {
            m_gl.glGenFramebuffersEXT(1, &m_outputFBO);
            m_gl.glGenFramebuffersEXT(1, &m_gbufferFBO);
            m_gl.glGenFramebuffersEXT(1, &m_thirdFBO);
        }
        if (!LoadCoreShaders()) {
            // Nothing of a half-made deferred renderer is usable: close it all.
            Close();
            return false;
        }
        CreateTargets(width, height);
        const zMetaTag* sizeKey = GetRegistry().GetKey("ShadowMapping:Size;");
        i32 size = 1024;
        if (sizeKey) sizeKey->GetValue().GetInt(size);
        if (size <= 0 || u32(size) > TextureSizeLimit) size = 1024;
        m_shadowMapSize = u32(size);
        for (auto& map : m_shadowMaps) {
            if (!SetupRenderTarget(map, "shadow_map", m_shadowMapSize, m_shadowMapSize, KindDepth)) continue;
            m_gl.glBindTexture(zgl::Texture2D, TextureName(map.Get()));
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureCompareMode, zgl::CompareRToTexture);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureCompareFunc, zgl::Lequal);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, zgl::Linear);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Linear);
        }
        m_gl.glBindTexture(zgl::Texture2D, 0);
        m_shadowMapReciprocal = 1.0f / f32(m_shadowMapSize);
    }
    SetTargetTexture(nullptr);
    m_gl.glReadBuffer(zgl::Back);
    if (GetSystemWord(SystemDisableMultipleRenderTarget)) GetLog() << "[*] MRT support is disabled.\n";
    return true;
}

bool zGL3Renderer::SetupRenderTarget(zSharedPtr<zTexture>& slot, const char* name, u32 width, u32 height,
                                     u32 kind) {
    if (!slot) {
        slot = zSharedPtr<zTexture>(new (std::nothrow) zTexture(GetEngine(), 1, kind));
        if (!slot) return false;
        slot->SetFlags(slot->GetFlags() | TextureFlagNoResample);
        slot->SetName(zString(name));
    } else {
        FreeTexture(slot.Get());
    }
    slot->SetVirtualSize(width, height);
    if (!SetupTexture(slot.Get())) {
        slot = zSharedPtr<zTexture>();
        return false;
    }
    return true;
}

void zGL3Renderer::MakeWhiteTexture() {
    zSharedPtr<zTexture> texture(new (std::nothrow) zTexture(GetEngine(), 0, KindRGBA8));
    if (!texture || !texture->Allocate(1, 1, PixelFormatRGBA8)) return;
    texture->SetFlags(TextureFlagRendererOwn | TextureFlagNoResample);
    texture->SetName(zString("white"));
    texture->GetPixels()[0] = texture->GetPixels()[1] = texture->GetPixels()[2] = texture->GetPixels()[3] =
        255;
    if (SetupTexture(texture.Get())) m_whiteTexture = texture;
}

void zGL3Renderer::SetTargetFilters(zTexture* texture, GLint filter) {
    const GLuint name = TextureName(texture);
    if (!name) return;
    m_gl.glBindTexture(zgl::Texture2D, name);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, filter);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, filter);
    m_gl.glBindTexture(zgl::Texture2D, 0);
}

void zGL3Renderer::CreateTargets(u32 width, u32 height) {
    zRegistry& registry = GetRegistry();
    m_supersample = registry.GetBool("Antialising:Enable;", false)
                        ? registry.GetFloat("Antialising:Sample;", 1.3f)
                        : 1.0f;
    if (!(m_supersample > 0.0f) || m_supersample > 4.0f) m_supersample = 1.0f;
    const u32 scaledWidth = u32(std::lround(f32(width) * m_supersample));
    const u32 scaledHeight = u32(std::lround(f32(height) * m_supersample));
    u32 w = scaledWidth, h = scaledHeight;
    if (GetSystemWord(SystemSquareRenderTargets)) w = h = (w > h ? w : h);

    if (!GetSystemWord(SystemDisableShader)) {
        const u32 color = GetSystemWord(SystemUseFloatTarget) ? KindHalfFloat : KindRGBA8;
        SetupRenderTarget(m_targets[TargetDepth], TargetNames[TargetDepth], w, h, KindDepth);
        SetupRenderTarget(m_targets[TargetAttr0], TargetNames[TargetAttr0], w, h, KindHalfFloat);
        for (u32 target = TargetAttr1; target <= TargetCompose; ++target)
            SetupRenderTarget(m_targets[target], TargetNames[target], w, h, color);
        for (u32 target = TargetAttr0; target <= TargetCompose; ++target)
            SetTargetFilters(m_targets[target].Get(), zgl::Nearest);
        SetupRenderTarget(m_targets[TargetVelocity], TargetNames[TargetVelocity], w, h, KindHalfFloat);
        SetTargetFilters(m_targets[TargetVelocity].Get(), zgl::Linear);
        for (u32 target = TargetFx0; target <= TargetHdr; ++target) {
            SetupRenderTarget(m_targets[target], TargetNames[target], w / m_fxDivisor, h / m_fxDivisor,
                              color);
        }
        if (m_gl.glBindFramebufferEXT && m_gbufferFBO) {
            m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_gbufferFBO);
            m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::DepthAttachment, zgl::Texture2D,
                                           TextureName(m_targets[TargetDepth].Get()), 0);
            SetTargetTexture(m_targets[TargetAttr0].Get());
            if (m_gl.glCheckFramebufferStatusEXT(zgl::Framebuffer) != zgl::FramebufferComplete) {
                GetLog()
                    << "[*] Card does not appear to have support for 32 bit depth texture frame buffer.\n";
                // The fallback is a 16-bit depth texture (UploadTexture reads the flag).
                m_depthFallback = true;
                SetupRenderTarget(m_targets[TargetDepth], TargetNames[TargetDepth], w, h, KindDepth);
                m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::DepthAttachment, zgl::Texture2D,
                                               TextureName(m_targets[TargetDepth].Get()), 0);
            }
            m_gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
        }
    }
    const bool square = GetSystemWord(SystemSquareRenderTargets);
    m_targetWidth = f32(square ? RoundTextureSize(w, true) : w);
    m_targetHeight = f32(square ? RoundTextureSize(h, true) : h);
    m_targetReciprocals[0] = m_targetWidth > 0.0f ? 1.0f / m_targetWidth : 1.0f;
    m_targetReciprocals[1] = m_targetHeight > 0.0f ? 1.0f / m_targetHeight : 1.0f;
    m_targetReciprocals[2] = scaledWidth ? 1.0f / f32(scaledWidth) : 1.0f;
    m_targetReciprocals[3] = scaledHeight ? 1.0f / f32(scaledHeight) : 1.0f;
}

void zGL3Renderer::ReleasePrograms() {
    for (auto& list : m_programs)
        list.Clear();
}

void zGL3Renderer::ReleaseTargets() {
    if (!m_context) return;
    if (m_gl.glDeleteFramebuffersEXT) {
        const GLuint names[3] = {m_outputFBO, m_gbufferFBO, m_thirdFBO};
        for (GLuint name : names)
            if (name) m_gl.glDeleteFramebuffersEXT(1, &name);
    }
    m_outputFBO = m_gbufferFBO = m_thirdFBO = 0;
    // Every target goes with the context: its GL name would be stale in the next one.
    for (auto& target : m_targets) {
        if (target) FreeTexture(target.Get());
        target = zSharedPtr<zTexture>();
    }
    for (auto& map : m_shadowMaps) {
        if (map) FreeTexture(map.Get());
        map = zSharedPtr<zTexture>();
    }
    for (zSharedPtr<zTexture>* texture : {&m_noiseTexture, &m_ditherTexture, &m_whiteTexture}) {
        if (*texture) FreeTexture(texture->Get());
        *texture = zSharedPtr<zTexture>();
    }
    if (m_query && m_gl.glDeleteQueriesARB) m_gl.glDeleteQueriesARB(1, &m_query);
    m_query = 0;
    ReleaseTerrainBuffers();
    m_ambientShader = m_velocityShader = nullptr;
    if (m_library) m_library->Clear();
    m_library = zSharedPtr<zShaderLibrary>();
    SetSystemWord(SystemDisableMultipleRenderTarget, false);
    ReleasePrograms();
}

void zGL3Renderer::Close() {
    ReleaseTargets();
    if (m_fullscreen && m_ownWindow) m_ownWindow->LeaveFullscreen();
    m_fullscreen = false;
    PlatformShowCursor(true);
    SetOpenState(false);
    m_context.reset();
    m_gl = zGLFunctions();
    m_currentOutput = nullptr;
    m_ownWindow.reset();
    m_window = nullptr;
    m_hostWindow = false;
    m_lineCount = 0;
}

bool zGL3Renderer::Resize(u32 width, u32 height) {
    if (!width || !height || !IsOpen()) return false;
    CreateTargets(width, height);
    SetOutputSizeValues(f32(width), f32(height));
    SetViewport(0, 0, i32(width), i32(height));
    return true;
}

void zGL3Renderer::UpdateOutputSize() {
    if (!IsOpen() || IsClosed() || !m_window) return;
    u32 width = 0, height = 0;
    m_window->GetDrawableSize(width, height);
    SetOutputSizeValues(f32(width), f32(height));
}

void* zGL3Renderer::GetWindowHandle() {
    // The input devices read the cursor and the client size from it: the
    // SDL window, never our wrapper around it.
    return m_window ? m_window->GetNativeHandle() : nullptr;
}

bool zGL3Renderer::NewOutput(void* window, zRenderOutput& out) {
    out.window = window;
    out.deviceContext = window;
    if (!window) {
        GetLog() << "[!] Couldn't get a device context for rendering window.\n";
        Close();
        return false;
    }
    return true;
}

void zGL3Renderer::SetOutput(zRenderOutput* output) {
    zPlatformWindow* window = output ? static_cast<zPlatformWindow*>(output->deviceContext) : m_window;
    if (!m_context || !window || !m_context->MakeCurrent(*window)) GetLog() << "[!] could not set output.\n";
    m_currentOutput = window;
}

void zGL3Renderer::FreeOutput(zRenderOutput* output) {
    if (output) output->deviceContext = nullptr;
}

void zGL3Renderer::ShowFrame() {
    if (GetEngine() && GetEngine()->GetStateWord() == 1) return;
    PlatformPumpEvents();
    if (m_currentOutput) m_currentOutput->Swap();
}

zShader* zGL3Renderer::NewShader() {
    return new (std::nothrow) zGL3Shader(this, m_gl);
}

zTexture* zGL3Renderer::GetTarget(const char* name) const {
    for (u32 target = 0; target < TargetCount; ++target)
        if (zString(name) == TargetNames[target]) return m_targets[target].Get();
    return nullptr;
}
