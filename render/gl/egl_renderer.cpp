#include "render/gl/egl_renderer.h"

#include <cstring>
#include <new>

#include "core/bounds.h"
#include "core/clock.h"
#include "core/log.h"
#include "picture/pixel_format.h"
#include "platform/gl_display.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/render_light.h"
#include "render/shader/shader_map.h"
#include "render/texture.h"
#include "render/trilist.h"

namespace {

// ES names the shared enumerant list does not carry.
enum : GLenum {
    Zero = 0,
    One = 1,
    LinkStatus = 0x8B82,
    Renderbuffer = 0x8D41,
    FramebufferIncompleteAttachment = 0x8CD6,
    FramebufferMissingAttachment = 0x8CD7,
    FramebufferIncompleteDimensions = 0x8CD9,
    FramebufferUnsupported = 0x8CDD,
    LinearMipmapLinear = 0x2703,
};

const char* const WindowTitle = "Kestrin (https://kestrin.invalid)";

// 16-bit indices: a list stays below 16384 triangles.
constexpr u32 TrilistTriangleLimit = 16384;
constexpr u32 BonesPerList = 16;

// Engine matrices keep rows in memory order; GL wants columns.
void Transposed(const zMatrix4& in, f32 out[16]) {
    for (u32 r = 0; r < 4; ++r)
        for (u32 c = 0; c < 4; ++c)
            out[c * 4 + r] = in.e[r * 4 + c];
}

// The 3x3 normal matrix of a transformation, as GL columns.
void NormalColumns(const zMatrix4& in, f32 out[9]) {
    f32 columns[16];
    Transposed(zMatrix4::FromMatrix3(zMatrix3::FromMatrix4(in.Inverse()).Transpose()), columns);
    const u32 pick[9] = {0, 1, 2, 4, 5, 6, 8, 9, 10};
    for (u32 i = 0; i < 9; ++i)
        out[i] = columns[pick[i]];
}

const void* BufferOffset(u32 offset) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(offset));
}

// The light box: a unit cube, each face counter-clockwise seen from outside.
const f32 BoxCorners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                              {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
const u8 BoxIndices[36] = {0, 1, 2, 0, 2, 3, 4, 6, 5, 4, 7, 6, 0, 5, 1, 0, 4, 5,
                           3, 2, 6, 3, 6, 7, 0, 7, 4, 0, 3, 7, 1, 6, 2, 1, 5, 6};

// The transformations are highp (mediump rounds far clip depths onto the far plane).
const char* const LightVertexText =
    "precision mediump float;\nprecision mediump int;\nattribute vec3\t\ta_position;\n"
    "uniform highp mat4\tu_mvp_matrix;\nuniform\thighp mat4\tu_mv_matrix;\n"
    "varying vec3\t\tforward;\nvoid main()\n{\n"
    "\tforward = (u_mv_matrix * vec4(a_position, 1.0)).xyz;\n"
    "\tgl_Position = u_mvp_matrix * vec4(a_position, 1.0);\n}";

const char* const LightFragmentText =
    "precision mediump float;\nprecision mediump int;\n"
    "uniform sampler2D gbuffer0;\nuniform sampler2D gbuffer1;\nuniform vec2 u_inverse_buffer_size;\n"
    "uniform vec3 light_vpos;\nuniform float light_range;\nuniform vec3 "
    "light_diffuse;\n"
    "varying vec3 forward;\nvoid main()\n{\n"
    "\tvec2 uv = gl_FragCoord.xy * u_inverse_buffer_size;\n"
    "\tfloat depth = dot(texture2D(gbuffer0, uv), vec4(1.0 / (255.0 * 255.0 * 255.0), 1.0 / (255.0 * 255.0), "
    "1.0 / 255.0, 1.0)) * 512.0;\n"
    "\tvec3 normal = normalize((texture2D(gbuffer1, uv).xyz - 0.5) * 2.0);\n"
    // The stored depth is the view z itself: the point on the pixel's ray at that z.
    "\tvec3 position = (forward / forward.z) * depth;\n"
    "\tvec3 dt = position - light_vpos;\n"
    "\tfloat distance = length(dt);\n"
    "\tdt = normalize(dt);\n"
    "\tfloat k = light_range > 0.0 ? max(1.0 - distance / light_range, 0.0) : 1.0;\n"
    "\tfloat ndv = max(-dot(dt, normal) * k, 0.0);\n"
    "\tgl_FragColor = vec4(light_diffuse * ndv, 1.0) / 4.0;\n}";

// Digits of base 255, coarsest last: an 8-bit channel stores multiples of
// 1/255 exactly (base 256 digits would lose up to two view units at 512,
// and the products by 256^3 lose the fine digits in float), and 1.0 packs
// as (0, 0, 0, 1).
const char* const PackFunction = "vec4 packFloatToVec4(float v)\n{\n"
                                 "\tfloat a = v * 255.0;\n\tfloat w = floor(a);\n"
                                 "\tfloat b = (a - w) * 255.0;\n\tfloat z = floor(b);\n"
                                 "\tfloat c = (b - z) * 255.0;\n\tfloat y = floor(c);\n"
                                 "\treturn vec4(c - y, y / 255.0, z / 255.0, w / 255.0);\n}\n";

} // namespace

// Resource data.

class zEGLRenderer::EGL_TextureData : public zRenderData {
  public:
    GLuint name = 0;
};

// One triangle list: its buffers, the byte offset of each attribute
// semantic in the vertex buffer (Absent: none) and its material.
struct EGL_GeometryList {
    static constexpr u32 Absent = 0xFFFFFFFFu;
    GLuint indexBuffer = 0;
    GLuint vertexBuffer = 0;
    u32 indexCount = 0;
    u32 offsets[ParmVertexColor + 1];
    zMaterial* material = nullptr;
    EGL_GeometryList() {
        for (u32& offset : offsets)
            offset = Absent;
    }
};

class zEGLRenderer::EGL_GeometryData : public zRenderData {
  public:
    u32 listCount = 0;
    std::unique_ptr<EGL_GeometryList[]> lists;
};

class zEGLRenderer::EGL_MaterialData : public zRenderData {
  public:
    EGL_Program passes[PassCount];
};

zEGLRenderer::EGL_Program::~EGL_Program() = default;

// What a geometry is drawn with.
struct zEGLRenderer::DrawContext {
    const EGL_GeometryList* list = nullptr;
    zMatrix4 world;
};

zEGLRenderer::zEGLRenderer(zRenderHost* engine, bool registerAsCurrent)
    : zNull_Renderer(engine, registerAsCurrent), m_gl(GetEGLFunctions()) {
    for (u32 i = 0; i < 16; ++i)
        m_view[i] = m_projection[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

zEGLRenderer::~zEGLRenderer() {
    if (IsOpen() || m_context || m_window) Close();
}

const char* zEGLRenderer::GetName() {
    return "EGL Renderer.";
}
const char* zEGLRenderer::GetDescription() {
    return "OpenGL ES renderer.";
}
const char* zEGLRenderer::GetVersion() {
    return "0.1";
}

bool zEGLRenderer::Open(u32 width, u32 height, u32 bitsPerPixel, bool fullscreen) {
    return OpenMode(width, height, bitsPerPixel, fullscreen ? ModeFullscreen : ModeWindowed);
}

bool zEGLRenderer::OpenMode(u32 width, u32 height, u32 /*bitsPerPixel*/, u32 mode) {
    if (IsOpen()) {
        GetLog() << "[*] Renderer is already open, will not reopen without closing first.\n";
        return false;
    }
    if (mode > ModeHidden) {
        GetLog() << "[*] Unsupported mode (" << mode << "), defaulting to windowed.\n";
        mode = ModeWindowed;
    }
    const bool fullscreen = mode == ModeFullscreen;
    const u32 samples = GetSystemWord(SystemAntialiasing) ? 2 : 0;
    m_window = zPlatformWindow::Create(WindowTitle, fullscreen ? 0 : 32, fullscreen ? 0 : 32, width, height,
                                       zPlatformWindow::Hidden, samples);
    if (!m_window) {
        GetLog() << "[!] no compatible display mode found.\n";
        GetLog() << "[*] " << PlatformVideoError() << "\n";
        Close();
        return false;
    }
    if (fullscreen) {
        if (!m_window->EnterFullscreen(width, height)) {
            GetLog() << "[!] failed to switch to fullscreen.\n";
            Close();
            return false;
        }
        PlatformShowCursor(false);
        m_fullscreen = true;
    }
    if (mode != ModeHidden) m_window->ShowWindow();
    m_context = zPlatformGLContext::Create(*m_window);
    if (!m_context) {
        GetLog() << "[!] could not create rendering context.\n";
        Close();
        return false;
    }
    const zPlatformGLContext* context = m_context.get();
    if (!LoadEGLEntryPoints([context](const char* name) { return context->GetProc(name); })) {
        Close();
        return false;
    }
    SetOpenState(true);
    SetOutputSizeValues(f32(width), f32(height));
    SetViewport(0, 0, i32(width), i32(height));
    m_gl.glEnable(zgl::DepthTest);
    m_gl.glDepthFunc(zgl::Less);
    // Outward faces are counter-clockwise, as in "gl2": back faces are culled.
    m_gl.glEnable(zgl::CullFace);
    m_gl.glFrontFace(zgl::Ccw);
    m_gl.glCullFace(zgl::Back);
    m_gl.glGenFramebuffersEXT(1, &m_framebuffer);
    if (!CreateDeferredBuffers(width, height) || !BuildLightProgram()) {
        Close();
        return false;
    }
    return true;
}

void zEGLRenderer::Close() {
    // Every GL object goes with the context: its name would be stale in the next one.
    if (m_context) {
        ReleaseDeferredBuffers();
        ReleaseProgram(m_lightProgram);
        if (m_framebuffer) m_gl.glDeleteFramebuffersEXT(1, &m_framebuffer);
    }
    m_framebuffer = 0;
    if (m_fullscreen && m_window) m_window->LeaveFullscreen();
    if (m_fullscreen) PlatformShowCursor(true);
    m_fullscreen = false;
    SetOpenState(false);
    m_context.reset();
    m_window.reset();
    // The last window's close may unload the GL library: the entry points are
    // fetched again by the next open rather than called stale.
    m_gl = zEGLFunctions{};
}

bool zEGLRenderer::Resize(u32 width, u32 height) {
    // A 0 x 0 target cannot be attached: the old size stays.
    if (!width || !height || !IsOpen()) return false;
    if (!CreateDeferredBuffers(width, height)) return false;
    SetOutputSizeValues(f32(width), f32(height));
    return true;
}

void* zEGLRenderer::GetWindowHandle() {
    return m_window.get();
}

void zEGLRenderer::ShowFrame() {
    if (GetEngine() && GetEngine()->GetStateWord() == 1) return;
    PlatformPumpEvents();
    if (m_window) m_window->Swap();
}

void zEGLRenderer::ClearFrame(f32 red, f32 green, f32 blue, f32 alpha, f32 depth, u8 flags) {
    if (!m_context) return;
    GLbitfield mask = 0;
    if (flags & ClearColor) {
        m_gl.glClearColor(red, green, blue, alpha);
        mask |= zgl::ColorBufferBit;
    }
    if (flags & ClearDepth) {
        m_gl.glClearDepth(depth);
        mask |= zgl::DepthBufferBit;
    }
    if (mask) m_gl.glClear(mask);
}

void zEGLRenderer::SetViewMatrix(const zMatrix4& matrix) {
    std::memcpy(m_view, matrix.e, sizeof m_view);
}

void zEGLRenderer::SetProjectionMatrix(const zMatrix4& matrix) {
    std::memcpy(m_projection, matrix.e, sizeof m_projection);
}

zMatrix4 zEGLRenderer::ViewMatrix() const {
    zMatrix4 view;
    std::memcpy(view.e, m_view, sizeof m_view);
    return view;
}

zMatrix4 zEGLRenderer::ProjectionMatrix() const {
    zMatrix4 projection;
    std::memcpy(projection.e, m_projection, sizeof m_projection);
    return projection;
}

void zEGLRenderer::SetViewport(i32 x, i32 y, i32 width, i32 height) {
    m_viewport[0] = f32(x);
    m_viewport[1] = f32(y);
    m_viewport[2] = f32(width);
    m_viewport[3] = f32(height);
    if (m_context) m_gl.glViewport(x, y, width, height);
}

void zEGLRenderer::GetViewport(i32& x, i32& y, i32& width, i32& height) {
    x = i32(m_viewport[0]);
    y = i32(m_viewport[1]);
    width = i32(m_viewport[2]);
    height = i32(m_viewport[3]);
}

// Deferred buffers.

GLuint zEGLRenderer::MakeTargetTexture(u32 width, u32 height) {
    GLuint name = 0;
    m_gl.glGenTextures(1, &name);
    m_gl.glBindTexture(zgl::Texture2D, name);
    // One level only: a mipmapped filter would leave the target incomplete.
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, zgl::Linear);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Linear);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapS, zgl::ClampToEdge);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapT, zgl::ClampToEdge);
    m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::Rgba), GLsizei(width), GLsizei(height), 0, zgl::Rgba,
                      zgl::UnsignedByte, nullptr);
    m_gl.glBindTexture(zgl::Texture2D, 0);
    return name;
}

bool zEGLRenderer::CreateDeferredBuffers(u32 width, u32 height) {
    GetLog() << "[H] Creating deferred buffers (" << width << "x" << height << ")\n";
    ReleaseDeferredBuffers();
    for (GLuint& buffer : m_buffers)
        buffer = MakeTargetTexture(width, height);
    m_gl.glGenRenderbuffersEXT(1, &m_depthBuffer);
    m_gl.glBindRenderbufferEXT(Renderbuffer, m_depthBuffer);
    m_gl.glRenderbufferStorageEXT(Renderbuffer, zgl::DepthComponent16, GLsizei(width), GLsizei(height));
    m_gl.glBindRenderbufferEXT(Renderbuffer, 0);
    m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_framebuffer);
    m_gl.glFramebufferRenderbufferEXT(zgl::Framebuffer, zgl::DepthAttachment, Renderbuffer, m_depthBuffer);
    // Made without data: cleared, so that a frame without a scene interface
    // (no light pass) reads no light rather than undefined bytes.
    m_gl.glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (u32 buffer = 0; buffer < BufferCount; ++buffer) {
        m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::ColorAttachment0, zgl::Texture2D,
                                       m_buffers[buffer], 0);
        m_gl.glClear(zgl::ColorBufferBit);
    }
    m_gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
    m_bufferWidth = width;
    m_bufferHeight = height;
    return BuildBlitProgram();
}

void zEGLRenderer::ReleaseDeferredBuffers() {
    for (GLuint& buffer : m_buffers) {
        if (buffer) m_gl.glDeleteTextures(1, &buffer);
        buffer = 0;
    }
    if (m_depthBuffer) m_gl.glDeleteRenderbuffersEXT(1, &m_depthBuffer);
    m_depthBuffer = 0;
    ReleaseProgram(m_blitProgram);
    m_bufferWidth = m_bufferHeight = 0;
}

GLuint zEGLRenderer::GetBufferName(u32 buffer) const {
    return buffer < BufferCount ? m_buffers[buffer] : 0;
}

void zEGLRenderer::AttachColor(u32 buffer) {
    if (!m_framebuffer) {
        GetLog() << "[!] Framebuffer object not ready.\n";
        return;
    }
    m_gl.glFramebufferTexture2DEXT(zgl::Framebuffer, zgl::ColorAttachment0, zgl::Texture2D, m_buffers[buffer],
                                   0);
    // A failed check is logged; the pass still draws.
    switch (m_gl.glCheckFramebufferStatusEXT(zgl::Framebuffer)) {
    case FramebufferIncompleteAttachment:
        GetLog() << "[!] FBO: Incomplete attachment.\n";
        break;
    case FramebufferMissingAttachment:
        GetLog() << "[!] FBO: Missing attachment.\n";
        break;
    case FramebufferIncompleteDimensions:
        GetLog() << "[!] FBO: Dimensions mismatch.\n";
        break;
    case FramebufferUnsupported:
        GetLog() << "[!] FBO: Unsupported combination.\n";
        break;
    default:
        break;
    }
}

// Programs.

GLuint zEGLRenderer::CompileShader(GLenum stage, const zString& text) {
    const GLuint shader = m_gl.glCreateShader(stage);
    const zString full = zString(GLSLVersionLine(GLSLFormES)) + text.CStr();
    const GLchar* source = full.CStr();
    m_gl.glShaderSource(shader, 1, &source, nullptr);
    m_gl.glCompileShader(shader);
    GLint status = 0;
    m_gl.glGetShaderiv(shader, zgl::ObjectCompileStatus, &status);
    if (status) return shader;
    char log[2048] = {};
    m_gl.glGetShaderInfoLog(shader, GLsizei(sizeof log - 1), nullptr, log);
    GetLog() << "[!] Shader compilation error (" << (stage == zgl::VertexShader ? "Vertex" : "Fragment")
             << ").\n"
             << log << "\n";
    m_gl.glDeleteShader(shader);
    return 0;
}

bool zEGLRenderer::LinkProgram(EGL_Program& program, const zString& vertexText, const zString& fragmentText) {
    ReleaseProgram(program);
    program.vertex = CompileShader(zgl::VertexShader, vertexText);
    program.fragment = CompileShader(zgl::FragmentShader, fragmentText);
    if (!program.vertex || !program.fragment) {
        ReleaseProgram(program);
        return false;
    }
    program.program = m_gl.glCreateProgram();
    m_gl.glAttachShader(program.program, program.vertex);
    m_gl.glAttachShader(program.program, program.fragment);
    m_gl.glLinkProgram(program.program);
    GLint status = 0;
    m_gl.glGetProgramiv(program.program, LinkStatus, &status);
    if (!status) {
        GetLog() << "[!] Program link error.\n";
        ReleaseProgram(program);
        return false;
    }
    for (auto* node = program.parameters.GetHead(); node; node = node->next) {
        EGL_ShaderParm& parm = *node->value;
        parm.location = parm.storage == ParmStorageAttribute
                            ? m_gl.glGetAttribLocation(program.program, parm.glslName.CStr())
                            : m_gl.glGetUniformLocation(program.program, parm.glslName.CStr());
    }
    return true;
}

void zEGLRenderer::ReleaseProgram(EGL_Program& program) {
    if (m_context) {
        if (program.program) m_gl.glDeleteProgram(program.program);
        if (program.vertex) m_gl.glDeleteShader(program.vertex);
        if (program.fragment) m_gl.glDeleteShader(program.fragment);
    }
    program.program = program.vertex = program.fragment = 0;
}

bool zEGLRenderer::BuildBlitProgram() {
    zGLSLCompiledMap& g = m_generator;
    Reset(g, &m_blitProgram.parameters);
    zGeometryUVShaderBlock uv(0);
    zTextureShaderBlock texture;
    const zGLSLVariable* uvVariable = CompileShaderBlock(g, &uv, nullptr);
    const zGLSLVariable* sampler = CompileShaderBlock(g, &texture, nullptr);
    AddShaderParameter(g, "position", "a_position", ParmStageVertex, ParmStorageAttribute, ParmPosition,
                       ShaderTypeVec3);
    bool built = uvVariable && sampler;
    if (built) {
        g.vertexBody.Append("gl_Position = vec4(a_position, 1.0);\n");
        zString pixel;
        pixel.Format("gl_FragColor = texture2D(%s, %s);\n", sampler->name.CStr(), uvVariable->name.CStr());
        g.fragmentBody.Append(pixel);
        built = LinkProgram(m_blitProgram, GetVertexProgram(g), GetFragmentProgram(g));
    }
    Reset(g, nullptr);
    return built;
}

bool zEGLRenderer::BuildLightProgram() {
    return LinkProgram(m_lightProgram, zString(LightVertexText), zString(LightFragmentText));
}

bool zEGLRenderer::BuildMaterialPass(u32 pass, const zMaterial& material, EGL_Program& out) {
    zGLSLCompiledMap& g = m_generator;
    Reset(g, &out.parameters);
    const zShaderMap* graph = material.GetShaderMap();
    // The position attribute comes first so that a graph's vertex block shares it.
    AddShaderParameter(g, "position", "a_position", ParmStageVertex, ParmStorageAttribute, ParmPosition,
                       ShaderTypeVec3);
    // Positions in highp: a mediump clip z of a far surface rounds onto the far plane.
    g.vertexDeclarations.Append("uniform highp mat4 u_mvp_matrix;\nuniform highp mat4 u_mv_matrix;\n");
    auto output = [&](u32 slot) -> const zGLSLVariable* {
        zShaderBlock* block = graph ? graph->GetOutput(slot) : nullptr;
        return block ? CompileShaderBlock(g, block, nullptr) : nullptr;
    };
    zGeometryNormalShaderBlock geometryNormal;
    auto normal = [&]() -> zString {
        const zGLSLVariable* n = output(ShaderOutputNormal);
        if (!n) n = CompileShaderBlock(g, &geometryNormal, nullptr);
        return GLSLVectorTerm(3, n, "vec3(0.0, 0.0, 1.0)");
    };
    zString text;
    switch (pass) {
    case PassDepth:
        g.vertexDeclarations.Append("varying float v_depth;\n");
        g.fragmentDeclarations.Append("varying float v_depth;\n");
        g.fragmentDeclarations.Append(PackFunction);
        g.vertexBody.Append("v_depth = (u_mv_matrix * vec4(a_position, 1.0)).z;\n"
                            "gl_Position = u_mvp_matrix * vec4(a_position, 1.0);\n\t\t\t");
        g.fragmentBody.Append("gl_FragColor = packFloatToVec4(clamp(v_depth / 512.0, 0.0, 1.0));\n");
        break;
    case PassNormal:
        g.fragmentDeclarations.Append("uniform mat3 u_nmv_matrix;\n");
        g.vertexBody.Append("gl_Position = u_mvp_matrix * vec4(a_position, 1.0);\n");
        text.Format("vec3 v_normal_view = u_nmv_matrix * %s;\n", normal().CStr());
        g.fragmentBody.Append(text);
        g.fragmentBody.Append("gl_FragColor = vec4(v_normal_view * 0.5 + 0.5, 1.0);\n");
        break;
    case PassColor: {
        g.fragmentDeclarations.Append(
            "uniform vec2 u_inverse_buffer_size;\nuniform sampler2D u_light_accumulation;\n");
        g.vertexBody.Append("gl_Position = u_mvp_matrix * vec4(a_position, 1.0);\n");
        const zString diffuse = GLSLVectorTerm(4, output(ShaderOutputDiffuse), "vec4(1.0)");
        const zString constant = GLSLVectorTerm(4, output(ShaderOutputConstant), "vec4(0.0)");
        g.fragmentBody.Append("vec2\tscreen_uv = gl_FragCoord.xy * u_inverse_buffer_size;\n");
        text.Format("vec4 frag_color = texture2D(u_light_accumulation, screen_uv) * 4.0 * %s;\n",
                    diffuse.CStr());
        g.fragmentBody.Append(text);
        text.Format("frag_color += %s;\n", constant.CStr());
        g.fragmentBody.Append(text);
        g.fragmentBody.Append("gl_FragColor = frag_color;\n");
        break;
    }
    default: {
        g.vertexDeclarations.Append("varying vec4 frag_vpos;\n");
        g.fragmentDeclarations.Append("varying vec4 frag_vpos;\nuniform float u_light_range;\n"
                                      "uniform vec3 u_light_vpos;\nuniform vec4 u_light_diffuse;\n"
                                      "uniform mat3 u_nmv_matrix;\n");
        g.vertexBody.Append("frag_vpos = u_mv_matrix * vec4(a_position, 1.0);\n"
                            "gl_Position = u_mvp_matrix * vec4(a_position, 1.0);\n");
        text.Format("vec3 vnm = u_nmv_matrix * %s;\n", normal().CStr());
        g.fragmentBody.Append(text);
        const zString diffuse = GLSLVectorTerm(4, output(ShaderOutputDiffuse), "vec4(1.0)");
        const zString constant = GLSLVectorTerm(4, output(ShaderOutputConstant), "vec4(0.0)");
        g.fragmentBody.Append(
            "vec3 dt = frag_vpos.xyz - u_light_vpos;\nfloat distance = length(dt);\n"
            "dt = normalize(dt);\n"
            "float k = u_light_range > 0.0 ? max(1.0 - distance / u_light_range, 0.0) : 1.0;\n"
            "float ndv = max(-dot(dt, normalize(vnm)) * k, 0.0);\n");
        text.Format("gl_FragColor = ndv * u_light_diffuse * %s + %s;\n", diffuse.CStr(), constant.CStr());
        g.fragmentBody.Append(text);
        break;
    }
    }
    const bool built = LinkProgram(out, GetVertexProgram(g), GetFragmentProgram(g));
    // The generator keeps pointers to the blocks of this call: drop them.
    Reset(g, nullptr);
    return built;
}

// Resources.

bool zEGLRenderer::SetupTexture(zTexture* texture) {
    if (!texture) return false;
    if (texture->GetRenderData()) return true;
    if (!m_context) return false;
    auto* data = new (std::nothrow) EGL_TextureData();
    if (!data) {
        GetLog() << "[!] Failed to allocate EGL data.\n";
        return false;
    }
    texture->SetRenderData(data);
    GetLog() << "[H] Setup texture '" << texture->GetName() << "'...\n";
    const u32 kind = texture->GetTargetFormat();
    if (kind != 0) GetLog() << "[!] Unsupported texture format.\n";
    const u32 width = texture->GetWidth(), height = texture->GetHeight();
    const bool upload = kind == 0 && !texture->IsVirtual() && texture->GetPixels() && width && height &&
                        !texture->GetFormat().floatFlag &&
                        (texture->GetFormat() == PixelFormatRGBA8 || texture->Convert(PixelFormatRGBA8));
    m_gl.glGenTextures(1, &data->name);
    m_gl.glBindTexture(zgl::Texture2D, data->name);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Linear);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter,
                         upload ? GLint(LinearMipmapLinear) : GLint(zgl::Linear));
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapS, zgl::Repeat);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapT, zgl::Repeat);
    m_gl.glPixelStorei(zgl::UnpackAlignment, 1);
    m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::Rgba), GLsizei(width ? width : 1),
                      GLsizei(height ? height : 1), 0, zgl::Rgba, zgl::UnsignedByte,
                      upload ? texture->GetPixels() : nullptr);
    if (upload) m_gl.glGenerateMipmapEXT(zgl::Texture2D);
    m_gl.glBindTexture(zgl::Texture2D, 0);
    return true;
}

void zEGLRenderer::FreeTexture(zTexture* texture) {
    auto* data = texture ? dynamic_cast<EGL_TextureData*>(texture->GetRenderData()) : nullptr;
    if (!data) return;
    if (m_context && data->name) m_gl.glDeleteTextures(1, &data->name);
    texture->SetRenderData(nullptr);
    delete data;
}

bool zEGLRenderer::SetupGeometry(zGeometry* geometry) {
    if (!geometry) return false;
    if (geometry->GetRenderData()) return true;
    if (!m_context || !geometry->GetVertexCount() || !geometry->GetPolygonCount() ||
        !geometry->GetBindingCount()) {
        return false;
    }
    auto* data = new (std::nothrow) EGL_GeometryData();
    if (!data) {
        GetLog() << "[!] Failed to allocate EGL data.\n";
        return false;
    }
    geometry->SetRenderData(data);
    GetLog() << "[H] Setup geometry '" << geometry->GetName() << "'...\n";
    std::unique_ptr<zLinkedList> lists(
        zTrilist::BuildForRenderer(geometry, TrilistTriangleLimit, BonesPerList));
    if (!lists || !lists->GetCount()) {
        FreeGeometry(geometry);
        return false;
    }
    data->lists.reset(new (std::nothrow) EGL_GeometryList[lists->GetCount()]);
    if (!data->lists) {
        FreeGeometry(geometry);
        return false;
    }
    data->listCount = lists->GetCount();
    u32 index = 0;
    bool skinnedLogged = false;
    for (auto* entry = lists->GetHead(); entry; entry = entry->GetNext(), ++index) {
        const zTrilist& list = *static_cast<zTrilist*>(entry);
        EGL_GeometryList& record = data->lists[index];
        record.material = geometry->GetMaterial(list.materialIndex);
        record.indexCount = list.triangleCount * 3;
        // No bone palette reaches these programs: a skinned list keeps its bind pose.
        if (list.boneCount && !skinnedLogged) {
            GetLog() << "[*] Skinned geometry '" << geometry->GetName() << "' is drawn in its bind pose.\n";
            skinnedLogged = true;
        }
        const u32 n = list.vertexCount;
        // Positions, then normals, UV sets and colours as the list has them.
        u32 size = 0;
        auto place = [&](u32 semantic, bool present, u32 bytes) {
            if (!present) return;
            record.offsets[semantic] = size;
            size += bytes * n;
        };
        place(ParmPosition, true, 12);
        place(ParmNormal, list.normals.Get() != nullptr, 12);
        for (u32 channel = 0; channel < 3; ++channel)
            place(ParmUV0 + channel, channel < geometry->GetUVChannelCount() && list.uvs[channel].Get(), 8);
        place(ParmVertexColor, list.colors.Get() != nullptr, 16);
        std::unique_ptr<f32[]> floats(new (std::nothrow) f32[size / 4 + 1]());
        std::unique_ptr<u16[]> indices(new (std::nothrow) u16[record.indexCount + 1]);
        if (!floats || !indices) {
            FreeGeometry(geometry);
            return false;
        }
        auto put = [&](u32 semantic, u32 v, const f32* values, u32 count) {
            const u32 offset = record.offsets[semantic];
            if (offset == EGL_GeometryList::Absent) return;
            std::memcpy(floats.get() + (offset + v * count * 4) / 4, values, count * 4);
        };
        for (u32 v = 0; v < n; ++v) {
            const zVector& p = list.vertices.Get()[v];
            const f32 position[3] = {p.x, p.y, p.z};
            put(ParmPosition, v, position, 3);
            if (list.normals.Get()) {
                const zVector& q = list.normals.Get()[v];
                const f32 normal[3] = {q.x, q.y, q.z};
                put(ParmNormal, v, normal, 3);
            }
            for (u32 channel = 0; channel < 3; ++channel) {
                if (record.offsets[ParmUV0 + channel] == EGL_GeometryList::Absent) continue;
                const zVector2& uv = list.uvs[channel].Get()[v];
                const f32 value[2] = {uv.x, uv.y};
                put(ParmUV0 + channel, v, value, 2);
            }
            if (list.colors.Get()) {
                const zVector& c = list.colors.Get()[v];
                const f32 color[4] = {c.x, c.y, c.z, c.w};
                put(ParmVertexColor, v, color, 4);
            }
        }
        for (u32 i = 0; i < record.indexCount; ++i)
            indices[i] = u16(list.indices.Get()[i]);
        m_gl.glGenBuffersARB(1, &record.indexBuffer);
        m_gl.glBindBufferARB(zgl::ElementArrayBuffer, record.indexBuffer);
        m_gl.glBufferDataARB(zgl::ElementArrayBuffer, GLsizeiptr(record.indexCount) * 2, indices.get(),
                             zgl::StaticDraw);
        m_gl.glBindBufferARB(zgl::ElementArrayBuffer, 0);
        m_gl.glGenBuffersARB(1, &record.vertexBuffer);
        m_gl.glBindBufferARB(zgl::ArrayBuffer, record.vertexBuffer);
        m_gl.glBufferDataARB(zgl::ArrayBuffer, GLsizeiptr(size), floats.get(), zgl::StaticDraw);
        m_gl.glBindBufferARB(zgl::ArrayBuffer, 0);
    }
    if (GetCleanResourceOnSetup()) geometry->FreeData();
    return true;
}

void zEGLRenderer::FreeGeometry(zGeometry* geometry) {
    auto* data = geometry ? dynamic_cast<EGL_GeometryData*>(geometry->GetRenderData()) : nullptr;
    if (!data) return;
    for (u32 i = 0; i < data->listCount && m_context; ++i) {
        EGL_GeometryList& record = data->lists[i];
        if (record.indexBuffer) m_gl.glDeleteBuffersARB(1, &record.indexBuffer);
        if (record.vertexBuffer) m_gl.glDeleteBuffersARB(1, &record.vertexBuffer);
    }
    geometry->SetRenderData(nullptr);
    delete data;
}

bool zEGLRenderer::SetupMaterial(zMaterial* material) {
    if (!material) return false;
    if (material->GetRenderData()) return true;
    if (!m_context) return false;
    auto* data = new (std::nothrow) EGL_MaterialData();
    if (!data) {
        GetLog() << "[!] Failed to allocate EGL data.\n";
        return false;
    }
    material->SetRenderData(data);
    GetLog() << "[H] Setup material '" << material->GetName() << "'...\n";
    if (!material->GetShaderMap()) {
        zShaderMap* built = material->BuildShaderMapFromFixedFunction();
        if (built) material->SetShaderMap(built);
    }
    for (u32 pass = 0; pass < PassCount; ++pass)
        BuildMaterialPass(pass, *material, data->passes[pass]);
    return true;
}

void zEGLRenderer::FreeMaterial(zMaterial* material) {
    auto* data = material ? dynamic_cast<EGL_MaterialData*>(material->GetRenderData()) : nullptr;
    if (!data) return;
    for (EGL_Program& program : data->passes)
        ReleaseProgram(program);
    material->SetRenderData(nullptr);
    delete data;
}

const zEGLRenderer::EGL_Program* zEGLRenderer::GetMaterialProgram(const zMaterial* material, u32 pass) const {
    const auto* data = material ? dynamic_cast<const EGL_MaterialData*>(material->GetRenderData()) : nullptr;
    return data && pass < PassCount && data->passes[pass].program ? &data->passes[pass] : nullptr;
}

// The frame.

void zEGLRenderer::RenderQueue() {
    if (!GetViewItem() || !m_context) return;
    if (!m_framebuffer) {
        // Nothing can be drawn without the deferred buffers.
        GetLog() << "[!] Framebuffer object not ready.\n";
        return;
    }
    zList<zRenderablePrimitive*> list;
    CollectPrimitives(list, RenderPassNormal);
    m_gl.glDisable(zgl::Multisample);
    m_gl.glBindFramebufferEXT(zgl::Framebuffer, m_framebuffer);
    m_gl.glViewport(0, 0, GLsizei(m_bufferWidth), GLsizei(m_bufferHeight));

    AttachColor(BufferColor);
    ClearFrame(0.0f, 0.0f, 0.0f, 0.0f, 1.0f, ClearColor | ClearDepth);
    DrawPass(list, PassDepth);

    AttachColor(BufferNormal);
    m_gl.glDepthMask(0);
    m_gl.glDepthFunc(zgl::Lequal);
    ClearFrame(0.0f, 0.0f, 0.0f, 0.0f, 1.0f, ClearColor);
    DrawPass(list, PassNormal);
    m_gl.glDepthFunc(zgl::Less);
    m_gl.glDepthMask(1);

    if (GetSceneInterface()) RenderLights();

    m_gl.glEnable(zgl::Multisample);
    AttachColor(BufferColor);
    m_gl.glDepthMask(0);
    m_gl.glDepthFunc(zgl::Lequal);
    m_gl.glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    m_gl.glClear(zgl::ColorBufferBit);
    DrawPass(list, PassColor);
    m_gl.glDepthFunc(zgl::Less);
    m_gl.glDepthMask(1);

    m_gl.glBindFramebufferEXT(zgl::Framebuffer, 0);
    Blit();
    for (auto* node = list.GetHead(); node; node = node->next)
        delete node->value;
    list.Clear();
}

void zEGLRenderer::DrawPass(zList<zRenderablePrimitive*>& list, u32 pass) {
    for (auto* node = list.GetHead(); node; node = node->next) {
        zRenderablePrimitive* primitive = node->value;
        if (!primitive || primitive->kind != PrimitiveObjectPart || !primitive->payload) continue;
        auto* geometry = static_cast<zGeometry*>(primitive->payload);
        if (!geometry->GetRenderData()) SetupGeometry(geometry);
        const auto* data = dynamic_cast<const EGL_GeometryData*>(geometry->GetRenderData());
        if (!data) continue;
        const auto* mesh = dynamic_cast<const zMeshPrimitive*>(primitive);
        DrawContext context;
        context.world = mesh ? mesh->world : zMatrix4();
        for (u32 i = 0; i < data->listCount; ++i) {
            context.list = &data->lists[i];
            DrawGeometry(context, pass);
        }
    }
}

void zEGLRenderer::DrawGeometry(const DrawContext& context, u32 pass) {
    const EGL_GeometryList& list = *context.list;
    zMaterial* material = list.material;
    if (!material) return;
    if (!material->GetRenderData()) SetupMaterial(material);
    const EGL_Program* program = GetMaterialProgram(material, pass);
    if (!program) return;
    m_gl.glUseProgram(program->program);
    const zMatrix4 modelView = zMatrix4::Multiply(ViewMatrix(), context.world);
    const zMatrix4 mvp = zMatrix4::Multiply(ProjectionMatrix(), modelView);
    f32 columns[16], normal[9];
    Transposed(mvp, columns);
    m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocation(program->program, "u_mvp_matrix"), 1, 0, columns);
    Transposed(modelView, columns);
    m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocation(program->program, "u_mv_matrix"), 1, 0, columns);
    NormalColumns(modelView, normal);
    m_gl.glUniformMatrix3fv(m_gl.glGetUniformLocation(program->program, "u_nmv_matrix"), 1, 0, normal);
    m_gl.glUniform2f(m_gl.glGetUniformLocation(program->program, "u_inverse_buffer_size"),
                     1.0f / f32(m_bufferWidth), 1.0f / f32(m_bufferHeight));
    // The accumulation buffer takes unit 0, the graph's textures the next
    // ones (an ES 2 driver may offer no more than 8).
    u32 nextUnit = 0;
    const GLint accumulation = m_gl.glGetUniformLocation(program->program, "u_light_accumulation");
    if (accumulation != -1) {
        m_gl.glActiveTextureARB(zgl::Texture0);
        m_gl.glBindTexture(zgl::Texture2D, m_buffers[BufferLight]);
        m_gl.glUniform1i(accumulation, GLint(nextUnit++));
    }
    m_gl.glBindBufferARB(zgl::ArrayBuffer, list.vertexBuffer);
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, list.indexBuffer);
    BindParameters(*program, context, material, nextUnit);
    m_gl.glDrawElements(zgl::Triangles, GLsizei(list.indexCount), zgl::UnsignedShort, nullptr);
    AddStatistic(StatisticTriangleDrawn, list.indexCount / 3);
    for (auto* node = program->parameters.GetHead(); node; node = node->next) {
        const EGL_ShaderParm& parm = *node->value;
        if (parm.storage == ParmStorageAttribute && parm.location >= 0)
            m_gl.glDisableVertexAttribArray(GLuint(parm.location));
    }
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, 0);
    m_gl.glBindBufferARB(zgl::ArrayBuffer, 0);
    m_gl.glUseProgram(0);
}

void zEGLRenderer::BindParameters(const EGL_Program& program, const DrawContext& context,
                                  const zMaterial* material, u32& nextUnit) {
    const zMatrix4 view = ViewMatrix();
    const zMatrix4 modelView = zMatrix4::Multiply(view, context.world);
    for (auto* node = program.parameters.GetHead(); node; node = node->next) {
        const EGL_ShaderParm& parm = *node->value;
        if (parm.location < 0) continue;
        const GLint location = parm.location;
        if (parm.storage == ParmStorageAttribute) {
            const u32 semantic = parm.semantic;
            const u32 offset = context.list && semantic <= ParmVertexColor ? context.list->offsets[semantic]
                                                                           : EGL_GeometryList::Absent;
            if (offset == EGL_GeometryList::Absent) continue;
            const GLint size = semantic == ParmPosition || semantic == ParmNormal ? 3
                               : semantic == ParmVertexColor                      ? 4
                                                                                  : 2;
            m_gl.glEnableVertexAttribArray(GLuint(location));
            m_gl.glVertexAttribPointer(GLuint(location), size, zgl::Float, 0, 0, BufferOffset(offset));
            continue;
        }
        f32 columns[16], normal[9];
        const f32* d = parm.defaultValue;
        switch (parm.semantic) {
        case ParmTexture: {
            const auto* data =
                parm.texture ? dynamic_cast<const EGL_TextureData*>(parm.texture->GetRenderData()) : nullptr;
            if (!data) break;
            const u32 unit = nextUnit++;
            m_gl.glActiveTextureARB(zgl::Texture0 + unit);
            m_gl.glBindTexture(zgl::Texture2D, data->name);
            m_gl.glActiveTextureARB(zgl::Texture0);
            m_gl.glUniform1i(location, GLint(unit));
            break;
        }
        case ParmConstant:
        case ParmColor:
            m_gl.glUniform4f(location, d[0], d[1], d[2], d[3]);
            if (parm.type == ShaderTypeFloat) m_gl.glUniform1f(location, d[0]);
            break;
        case ParmNormalViewMatrix:
            NormalColumns(modelView, normal);
            m_gl.glUniformMatrix3fv(location, 1, 0, normal);
            break;
        case ParmNormalMatrix:
            NormalColumns(context.world, normal);
            m_gl.glUniformMatrix3fv(location, 1, 0, normal);
            break;
        case ParmModelMatrix:
            Transposed(context.world, columns);
            m_gl.glUniformMatrix4fv(location, 1, 0, columns);
            break;
        case ParmModelViewMatrix:
            Transposed(modelView, columns);
            m_gl.glUniformMatrix4fv(location, 1, 0, columns);
            break;
        case ParmViewport:
            m_gl.glUniform4f(location, m_viewport[2], m_viewport[3], 1.0f / f32(m_bufferWidth),
                             1.0f / f32(m_bufferHeight));
            break;
        case ParmViewVector:
            m_gl.glUniform3f(location, -m_view[2], -m_view[6], -m_view[10]);
            break;
        case ParmClock:
            m_gl.glUniform1f(location, f32(GetClock()) / f32(ClockTicksPerSecond));
            break;
        default:
            if (parm.semantic >= ParmMaterialParam0 && parm.semantic < ParmMaterialParam0 + 6 && material) {
                const u32 index = parm.semantic - ParmMaterialParam0;
                const f32* colors[4] = {material->GetDiffuse(), material->GetSpecular(),
                                        material->GetSelfIllum(), material->GetAmbient()};
                if (index < 4) {
                    m_gl.glUniform4fv(location, 1, colors[index]);
                } else {
                    m_gl.glUniform1f(location,
                                     index == 4 ? material->GetGlossiness() : material->GetOpacity());
                }
            }
            break;
        }
    }
}

void zEGLRenderer::RenderLights() {
    AttachColor(BufferLight);
    m_gl.glDepthMask(0);
    zVector ambient(0.0f, 0.0f, 0.0f, 1.0f);
    zRendererSceneInterface* scene = GetSceneInterface();
    scene->GetAmbient(ambient);
    // The buffer holds light / 4 (the colour pass multiplies by 4): so does the ambient.
    m_gl.glClearColor(ambient.x / 4.0f, ambient.y / 4.0f, ambient.z / 4.0f, 1.0f);
    m_gl.glClear(zgl::ColorBufferBit);
    zList<zRenderLight*> lights;
    const zMatrix4* camera = GetViewTransform();
    const zVector position = camera ? camera->GetRow(3, true) : ViewMatrix().Inverse().GetRow(3, true);
    const zFrustum& frustum = GetCameraBlock().frustum;
    zMinMax bounds(frustum.corners[0], frustum.corners[0]);
    for (const zVector& corner : frustum.corners)
        bounds.AddPoint(corner);
    scene->CollectLights(position, bounds, lights, 0xFFFFFFFFu);
    m_gl.glEnable(zgl::Blend);
    m_gl.glBlendFunc(One, One);
    for (auto* node = lights.GetHead(); node; node = node->next) {
        // Only point lights add light; linear and spot lights add nothing.
        if (node->value && node->value->type == 1) DrawPointLight(*node->value);
    }
    m_gl.glDisable(zgl::Blend);
    m_gl.glDepthFunc(zgl::Less);
    m_gl.glDepthMask(1);
}

void zEGLRenderer::DrawPointLight(zRenderLight& light) {
    // The box bounds the light's reach, as "gl2" sizes its light volumes:
    // the range, or the volume range for a light without one.
    const f32 half = light.range > 0.0f ? light.range : light.volumeRange;
    const zMatrix4 world = light.GetRenderWorld();
    const zMatrix4 scale = zMatrix4::Scale(zVector(half, half, half, 1.0f));
    const zMatrix4 modelView = zMatrix4::Multiply(ViewMatrix(), zMatrix4::Multiply(world, scale));
    const zMatrix4 mvp = zMatrix4::Multiply(ProjectionMatrix(), modelView);
    zVector place = world.GetRow(3, true);
    ViewMatrix().TransformPoints(&place, &place, 1);
    const GLuint program = m_lightProgram.program;
    m_gl.glUseProgram(program);
    f32 columns[16];
    Transposed(mvp, columns);
    m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocation(program, "u_mvp_matrix"), 1, 0, columns);
    Transposed(modelView, columns);
    m_gl.glUniformMatrix4fv(m_gl.glGetUniformLocation(program, "u_mv_matrix"), 1, 0, columns);
    m_gl.glUniform2f(m_gl.glGetUniformLocation(program, "u_inverse_buffer_size"), 1.0f / f32(m_bufferWidth),
                     1.0f / f32(m_bufferHeight));
    m_gl.glActiveTextureARB(zgl::Texture0);
    m_gl.glBindTexture(zgl::Texture2D, m_buffers[BufferColor]);
    m_gl.glActiveTextureARB(zgl::Texture0 + 1);
    m_gl.glBindTexture(zgl::Texture2D, m_buffers[BufferNormal]);
    m_gl.glActiveTextureARB(zgl::Texture0);
    m_gl.glUniform1i(m_gl.glGetUniformLocation(program, "gbuffer0"), 0);
    m_gl.glUniform1i(m_gl.glGetUniformLocation(program, "gbuffer1"), 1);
    m_gl.glUniform3f(m_gl.glGetUniformLocation(program, "light_vpos"), place.x, place.y, place.z);
    m_gl.glUniform1f(m_gl.glGetUniformLocation(program, "light_range"), light.range);
    const f32 k = light.diffuseIntensity;
    m_gl.glUniform3f(m_gl.glGetUniformLocation(program, "light_diffuse"), light.diffuse.x * k,
                     light.diffuse.y * k, light.diffuse.z * k);
    // The far side of the box covers each lit pixel once, from outside the
    // box or inside it; the pixel's own depth decides what it reaches.
    f32 corners[8 * 3];
    std::memcpy(corners, BoxCorners, sizeof corners);
    const GLint attribute = m_gl.glGetAttribLocation(program, "a_position");
    m_gl.glDisable(zgl::DepthTest);
    m_gl.glCullFace(zgl::Front);
    m_gl.glEnableVertexAttribArray(GLuint(attribute));
    m_gl.glVertexAttribPointer(GLuint(attribute), 3, zgl::Float, 0, 0, corners);
    m_gl.glDrawElements(zgl::Triangles, 36, zgl::UnsignedByte, BoxIndices);
    m_gl.glDisableVertexAttribArray(GLuint(attribute));
    m_gl.glCullFace(zgl::Back);
    m_gl.glEnable(zgl::DepthTest);
    m_gl.glBindTexture(zgl::Texture2D, 0);
    m_gl.glUseProgram(0);
    AddStatistic(StatisticLightDrawn, 1);
}

void zEGLRenderer::Blit() {
    if (!m_blitProgram.program) return;
    SetViewport(i32(m_viewport[0]), i32(m_viewport[1]), i32(m_viewport[2]), i32(m_viewport[3]));
    m_gl.glDepthFunc(zgl::Always);
    m_gl.glDepthMask(0);
    m_gl.glDisable(zgl::CullFace);
    static const f32 Quad[6][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    static const f32 UVs[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    m_gl.glUseProgram(m_blitProgram.program);
    for (auto* node = m_blitProgram.parameters.GetHead(); node; node = node->next) {
        const EGL_ShaderParm& parm = *node->value;
        if (parm.location < 0) continue;
        if (parm.semantic == ParmTexture) {
            m_gl.glActiveTextureARB(zgl::Texture0);
            m_gl.glBindTexture(zgl::Texture2D, m_buffers[BufferColor]);
            m_gl.glUniform1i(parm.location, 0);
        } else if (parm.storage == ParmStorageAttribute) {
            m_gl.glEnableVertexAttribArray(GLuint(parm.location));
            const bool position = parm.semantic == ParmPosition;
            m_gl.glVertexAttribPointer(GLuint(parm.location), position ? 3 : 2, zgl::Float, 0, 0,
                                       position ? &Quad[0][0] : &UVs[0][0]);
        }
    }
    m_gl.glDrawArrays(zgl::Triangles, 0, 6);
    for (auto* node = m_blitProgram.parameters.GetHead(); node; node = node->next) {
        const EGL_ShaderParm& parm = *node->value;
        if (parm.storage == ParmStorageAttribute && parm.location >= 0)
            m_gl.glDisableVertexAttribArray(GLuint(parm.location));
    }
    m_gl.glBindTexture(zgl::Texture2D, 0);
    m_gl.glUseProgram(0);
    m_gl.glEnable(zgl::CullFace);
    m_gl.glDepthMask(1);
    m_gl.glDepthFunc(zgl::Less);
}
