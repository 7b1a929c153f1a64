#include "platform/gl_display.h"

#include <SDL.h>

#include "platform/gl_types.h"
#include "platform/os_input.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Who brings an entry point: the core version (major * 10 + minor, 0 when
// never core under that name) or the extension.
struct zGLProcGate {
    const char* name;
    std::uint32_t coreVersion;
    const char* extension;
};

constexpr const char* Multitexture = "GL_ARB_multitexture";
constexpr const char* VertexBufferObject = "GL_ARB_vertex_buffer_object";
constexpr const char* FramebufferObject = "GL_EXT_framebuffer_object";
constexpr const char* OcclusionQuery = "GL_ARB_occlusion_query";
constexpr const char* ShaderObjects = "GL_ARB_shader_objects";

const zGLProcGate ProcGates[] = {
    // OpenGL 1.0 and 1.1.
    {"glAlphaFunc", 10, nullptr},
    {"glBegin", 10, nullptr},
    {"glBindTexture", 11, nullptr},
    {"glBlendFunc", 10, nullptr},
    {"glClear", 10, nullptr},
    {"glClearColor", 10, nullptr},
    {"glClearDepth", 10, nullptr},
    {"glClipPlane", 10, nullptr},
    {"glColor3f", 10, nullptr},
    {"glColor4f", 10, nullptr},
    {"glColor4fv", 10, nullptr},
    {"glColor4ub", 10, nullptr},
    {"glColorMask", 10, nullptr},
    {"glColorMaterial", 10, nullptr},
    {"glColorPointer", 11, nullptr},
    {"glCopyTexSubImage2D", 11, nullptr},
    {"glCullFace", 10, nullptr},
    {"glDeleteTextures", 11, nullptr},
    {"glDepthFunc", 10, nullptr},
    {"glDepthMask", 10, nullptr},
    {"glDepthRange", 10, nullptr},
    {"glDisable", 10, nullptr},
    {"glDisableClientState", 11, nullptr},
    {"glDrawArrays", 11, nullptr},
    {"glDrawBuffer", 10, nullptr},
    {"glDrawElements", 11, nullptr},
    {"glEnable", 10, nullptr},
    {"glEnableClientState", 11, nullptr},
    {"glEnd", 10, nullptr},
    {"glFinish", 10, nullptr},
    {"glFlush", 10, nullptr},
    {"glFogf", 10, nullptr},
    {"glFogfv", 10, nullptr},
    {"glFogi", 10, nullptr},
    {"glFrontFace", 10, nullptr},
    {"glGenTextures", 11, nullptr},
    {"glGetError", 10, nullptr},
    {"glGetFloatv", 10, nullptr},
    {"glGetIntegerv", 10, nullptr},
    {"glGetMaterialfv", 10, nullptr},
    {"glGetString", 10, nullptr},
    {"glGetTexImage", 10, nullptr},
    {"glGetTexLevelParameteriv", 10, nullptr},
    {"glHint", 10, nullptr},
    {"glIsEnabled", 10, nullptr},
    {"glLightModelfv", 10, nullptr},
    {"glLightModeli", 10, nullptr},
    {"glLightf", 10, nullptr},
    {"glLightfv", 10, nullptr},
    {"glLineWidth", 10, nullptr},
    {"glLoadIdentity", 10, nullptr},
    {"glLoadMatrixf", 10, nullptr},
    {"glMaterialf", 10, nullptr},
    {"glMaterialfv", 10, nullptr},
    {"glMatrixMode", 10, nullptr},
    {"glMultMatrixf", 10, nullptr},
    {"glNormal3f", 10, nullptr},
    {"glNormalPointer", 11, nullptr},
    {"glOrtho", 10, nullptr},
    {"glPixelStorei", 10, nullptr},
    {"glPointSize", 10, nullptr},
    {"glPolygonMode", 10, nullptr},
    {"glPolygonOffset", 11, nullptr},
    {"glPopAttrib", 10, nullptr},
    {"glPopMatrix", 10, nullptr},
    {"glPushAttrib", 10, nullptr},
    {"glPushMatrix", 10, nullptr},
    {"glReadBuffer", 10, nullptr},
    {"glReadPixels", 10, nullptr},
    {"glRotatef", 10, nullptr},
    {"glScalef", 10, nullptr},
    {"glScissor", 10, nullptr},
    {"glShadeModel", 10, nullptr},
    {"glTexCoord2f", 10, nullptr},
    {"glTexCoordPointer", 11, nullptr},
    {"glTexEnvf", 10, nullptr},
    {"glTexEnvfv", 10, nullptr},
    {"glTexEnvi", 10, nullptr},
    {"glTexGenfv", 10, nullptr},
    {"glTexGeni", 10, nullptr},
    {"glTexImage2D", 10, nullptr},
    {"glTexParameterf", 10, nullptr},
    {"glTexParameteri", 10, nullptr},
    {"glTexSubImage2D", 11, nullptr},
    {"glTranslatef", 10, nullptr},
    {"glVertex2f", 10, nullptr},
    {"glVertex3f", 10, nullptr},
    {"glVertex3fv", 10, nullptr},
    {"glVertexPointer", 11, nullptr},
    {"glViewport", 10, nullptr},
    // Later core versions.
    {"glDrawRangeElements", 12, nullptr},
    {"glActiveTexture", 13, nullptr},
    {"glClientActiveTexture", 13, nullptr},
    {"glCompressedTexImage2D", 13, nullptr},
    {"glMultiTexCoord2f", 13, Multitexture},
    {"glAttachShader", 20, nullptr},
    {"glCompileShader", 20, nullptr},
    {"glCreateProgram", 20, nullptr},
    {"glCreateShader", 20, nullptr},
    {"glDeleteProgram", 20, nullptr},
    {"glDeleteShader", 20, nullptr},
    {"glDetachShader", 20, nullptr},
    {"glDisableVertexAttribArray", 20, nullptr},
    {"glDrawBuffers", 20, nullptr},
    {"glEnableVertexAttribArray", 20, nullptr},
    {"glGetAttribLocation", 20, nullptr},
    {"glGetProgramInfoLog", 20, nullptr},
    {"glGetProgramiv", 20, nullptr},
    {"glGetShaderInfoLog", 20, nullptr},
    {"glGetShaderiv", 20, nullptr},
    {"glGetUniformLocation", 20, nullptr},
    {"glLinkProgram", 20, nullptr},
    {"glShaderSource", 20, nullptr},
    {"glUniform1f", 20, nullptr},
    {"glUniform1fv", 20, nullptr},
    {"glUniform1i", 20, nullptr},
    {"glUniform1iv", 20, nullptr},
    {"glUniform2f", 20, nullptr},
    {"glUniform2fv", 20, nullptr},
    {"glUniform2i", 20, nullptr},
    {"glUniform2iv", 20, nullptr},
    {"glUniform3f", 20, nullptr},
    {"glUniform3fv", 20, nullptr},
    {"glUniform4f", 20, nullptr},
    {"glUniform4fv", 20, nullptr},
    {"glUniformMatrix3fv", 20, nullptr},
    {"glUniformMatrix4fv", 20, nullptr},
    {"glUseProgram", 20, nullptr},
    {"glVertexAttribPointer", 20, nullptr},
    // Extensions, by the names they bring.
    {"glActiveTextureARB", 0, Multitexture},
    {"glClientActiveTextureARB", 0, Multitexture},
    {"glBindBufferARB", 0, VertexBufferObject},
    {"glBufferDataARB", 0, VertexBufferObject},
    {"glBufferSubDataARB", 0, VertexBufferObject},
    {"glDeleteBuffersARB", 0, VertexBufferObject},
    {"glGenBuffersARB", 0, VertexBufferObject},
    {"glMapBufferARB", 0, VertexBufferObject},
    {"glUnmapBufferARB", 0, VertexBufferObject},
    {"glBindFramebufferEXT", 0, FramebufferObject},
    {"glBindRenderbufferEXT", 0, FramebufferObject},
    {"glCheckFramebufferStatusEXT", 0, FramebufferObject},
    {"glDeleteFramebuffersEXT", 0, FramebufferObject},
    {"glDeleteRenderbuffersEXT", 0, FramebufferObject},
    {"glFramebufferRenderbufferEXT", 0, FramebufferObject},
    {"glFramebufferTexture2DEXT", 0, FramebufferObject},
    {"glGenFramebuffersEXT", 0, FramebufferObject},
    {"glGenRenderbuffersEXT", 0, FramebufferObject},
    {"glGenerateMipmapEXT", 0, FramebufferObject},
    {"glRenderbufferStorageEXT", 0, FramebufferObject},
    {"glBeginQueryARB", 0, OcclusionQuery},
    {"glDeleteQueriesARB", 0, OcclusionQuery},
    {"glEndQueryARB", 0, OcclusionQuery},
    {"glGenQueriesARB", 0, OcclusionQuery},
    {"glGetQueryObjectivARB", 0, OcclusionQuery},
    {"glGetQueryObjectuivARB", 0, OcclusionQuery},
    {"glAttachObjectARB", 0, ShaderObjects},
    {"glCompileShaderARB", 0, ShaderObjects},
    {"glCreateProgramObjectARB", 0, ShaderObjects},
    {"glCreateShaderObjectARB", 0, ShaderObjects},
    {"glDeleteObjectARB", 0, ShaderObjects},
    {"glDetachObjectARB", 0, ShaderObjects},
    {"glGetInfoLogARB", 0, ShaderObjects},
    {"glGetObjectParameterivARB", 0, ShaderObjects},
    {"glGetUniformLocationARB", 0, ShaderObjects},
    {"glLinkProgramARB", 0, ShaderObjects},
    {"glShaderSourceARB", 0, ShaderObjects},
    {"glUniform1fARB", 0, ShaderObjects},
    {"glUniform1iARB", 0, ShaderObjects},
    {"glUniform2fARB", 0, ShaderObjects},
    {"glUniform3fARB", 0, ShaderObjects},
    {"glUniform4fARB", 0, ShaderObjects},
    {"glUseProgramObjectARB", 0, ShaderObjects},
    {"glClampColorARB", 0, "GL_ARB_color_buffer_float"},
};

const zGLProcGate* FindGate(const char* name) {
    if (!name) return nullptr;
    for (const zGLProcGate& gate : ProcGates) {
        if (std::strcmp(gate.name, name) == 0) return &gate;
    }
    return nullptr;
}

// "M.m..." at the start of a version string; 0 when it does not parse.
std::uint32_t ParseVersion(const char* text) {
    unsigned major = 0, minor = 0;
    if (!text || std::sscanf(text, "%u.%u", &major, &minor) != 2) return 0;
    return major * 10 + (minor > 9 ? 9 : minor);
}

bool g_quitRequested = false;

std::string g_lastError;

// Kept for the caller to log: this layer has no log of its own.
void RecordSDLError(const char* what) {
    g_lastError = std::string(what) + ": " + SDL_GetError();
}

} // namespace

struct zPlatformWindowImpl {
    SDL_Window* window = nullptr;
    std::uint32_t samples = 0;
    bool videoStarted = false;

    ~zPlatformWindowImpl() {
        if (window) SDL_DestroyWindow(window);
        if (videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

zPlatformWindow::zPlatformWindow(std::unique_ptr<zPlatformWindowImpl> impl) : m_impl(std::move(impl)) {}
zPlatformWindow::~zPlatformWindow() = default;

namespace {

void SetPixelAttributes(std::uint32_t samples) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, int(samples));
}

} // namespace

std::unique_ptr<zPlatformWindow> zPlatformWindow::Create(const char* title, std::int32_t x, std::int32_t y,
                                                         std::uint32_t width, std::uint32_t height, Show show,
                                                         std::uint32_t samples) {
    std::unique_ptr<zPlatformWindowImpl> impl(new (std::nothrow) zPlatformWindowImpl);
    if (!impl) return nullptr;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        RecordSDLError("Cannot start the video subsystem");
        return nullptr;
    }
    impl->videoStarted = true;
    Uint32 flags = SDL_WINDOW_OPENGL | (show == Hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
    SetPixelAttributes(samples);
    impl->window = SDL_CreateWindow(title ? title : "", x, y, int(width), int(height), flags);
    impl->samples = samples;
    if (!impl->window && samples) {
        SetPixelAttributes(0);
        impl->window = SDL_CreateWindow(title ? title : "", x, y, int(width), int(height), flags);
        impl->samples = 0;
    }
    if (!impl->window) {
        RecordSDLError("Cannot create the window");
        return nullptr;
    }
    std::unique_ptr<zPlatformWindow> window(new (std::nothrow) zPlatformWindow(std::move(impl)));
    return window;
}

void zPlatformWindow::SetTitle(const char* title) {
    SDL_SetWindowTitle(m_impl->window, title ? title : "");
}
void zPlatformWindow::ShowWindow() {
    SDL_ShowWindow(m_impl->window);
}
bool zPlatformWindow::IsShown() const {
    return (SDL_GetWindowFlags(m_impl->window) & SDL_WINDOW_HIDDEN) == 0;
}
std::uint32_t zPlatformWindow::GetRequestedSamples() const {
    return m_impl->samples;
}
void* zPlatformWindow::GetNativeHandle() const {
    return m_impl->window;
}

void zPlatformWindow::GetDrawableSize(std::uint32_t& width, std::uint32_t& height) const {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(m_impl->window, &w, &h);
    width = w > 0 ? std::uint32_t(w) : 0;
    height = h > 0 ? std::uint32_t(h) : 0;
}

bool zPlatformWindow::EnterFullscreen(std::uint32_t width, std::uint32_t height) {
    const int display = SDL_GetWindowDisplayIndex(m_impl->window);
    if (display < 0) return false;
    // SDL reports success for modes the display does not have (and for any
    // size when it lists none): only a listed mode of exactly that size counts.
    SDL_DisplayMode mode{};
    bool found = false;
    const int modeCount = SDL_GetNumDisplayModes(display);
    for (int index = 0; index < modeCount && !found; ++index) {
        found =
            SDL_GetDisplayMode(display, index, &mode) == 0 && mode.w == int(width) && mode.h == int(height);
    }
    if (!found || width == 0 || height == 0) return false;
    if (SDL_SetWindowDisplayMode(m_impl->window, &mode) != 0) return false;
    return SDL_SetWindowFullscreen(m_impl->window, SDL_WINDOW_FULLSCREEN) == 0;
}

void zPlatformWindow::LeaveFullscreen() {
    SDL_SetWindowFullscreen(m_impl->window, 0);
}
void zPlatformWindow::Swap() {
    SDL_GL_SwapWindow(m_impl->window);
}

std::unique_ptr<zPlatformGLContext> zPlatformGLContext::Create(zPlatformWindow& window) {
    std::unique_ptr<zPlatformGLContext> context(new (std::nothrow) zPlatformGLContext);
    if (!context) return nullptr;
    context->m_context = SDL_GL_CreateContext(window.m_impl->window);
    if (!context->m_context) {
        RecordSDLError("Cannot create the GL context");
        return nullptr;
    }
    if (!context->MakeCurrent(window)) return nullptr;
    using GetStringProc = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetStringProc>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return nullptr;
    auto text = [&](unsigned int name) {
        const unsigned char* value = getString(name);
        return std::string(value ? reinterpret_cast<const char*>(value) : "");
    };
    context->m_versionString = text(zgl::Version);
    context->m_vendorString = text(zgl::Vendor);
    context->m_rendererString = text(zgl::Renderer);
    context->m_extensions = " " + text(zgl::Extensions) + " ";
    context->m_version = ParseVersion(context->m_versionString.c_str());
    return context;
}

zPlatformGLContext::~zPlatformGLContext() {
    if (m_context) {
        if (SDL_GL_GetCurrentContext() == m_context) SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(m_context);
    }
}

bool zPlatformGLContext::MakeCurrent(zPlatformWindow& window) {
    if (SDL_GL_MakeCurrent(window.m_impl->window, m_context) != 0) {
        RecordSDLError("Cannot make the GL context current");
        return false;
    }
    return true;
}

void zPlatformGLContext::ReleaseCurrent() {
    SDL_GL_MakeCurrent(nullptr, nullptr);
}

bool zPlatformGLContext::HasExtension(const char* extension) const {
    if (!extension || !*extension) return false;
    const std::string word = std::string(" ") + extension + " ";
    return m_extensions.find(word) != std::string::npos;
}

bool zPlatformGLContext::Offers(const char* name) const {
    const zGLProcGate* gate = FindGate(name);
    if (!gate) return false;
    if (gate->coreVersion && m_version >= gate->coreVersion) return true;
    return gate->extension && HasExtension(gate->extension);
}

void* zPlatformGLContext::GetProc(const char* name) const {
    return Offers(name) ? SDL_GL_GetProcAddress(name) : nullptr;
}

void PlatformShowCursor(bool show) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void PlatformPumpEvents() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    // Through the input pump: a key or click taken off the queue here would
    // otherwise never reach the input tables.
    if (OsPumpEvents() & OsPumpQuit) g_quitRequested = true;
}

const char* PlatformVideoError() {
    return g_lastError.c_str();
}

bool PlatformQuitRequested() {
    return g_quitRequested;
}
void PlatformClearQuitRequest() {
    g_quitRequested = false;
}
