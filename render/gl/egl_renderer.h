// zEGLRenderer ("egl2"): a light-pre-pass renderer restricted to what
// OpenGL ES 2 offers (ES GLSL, vertex attributes, 8-bit targets). Each frame
// draws packed linear depth, view normals, an additive light-accumulation
// buffer filled by point-light boxes, then the material colour, and blits
// the colour to the window. Entry points come from the process-wide table
// (LoadEGLEntryPoints), emptied at Close: the GL library may be unloaded
// with the last window. Slots not drawn here keep the null renderer's
// do-nothing behaviour (UI triangles, lines, text, outputs).
#pragma once

#include <memory>

#include "core/types.h"
#include "render/gl/gl_functions.h"
#include "render/null_renderer.h"
#include "render/shader/glsl_generator.h"

class zPlatformWindow;
class zPlatformGLContext;

class zEGLRenderer : public zNull_Renderer {
  public:
    enum : u32 { ModeWindowed = 0, ModeFullscreen = 1, ModeHidden = 2 };
    // The three colour targets: packed depth then final colour, view
    // normals, light accumulation.
    enum : u32 { BufferColor = 0, BufferNormal = 1, BufferLight = 2, BufferCount = 3 };
    // The material passes.
    enum : u32 { PassDepth = 0, PassNormal = 1, PassColor = 2, PassLight = 3, PassCount = 4 };
    // Depth is stored linearly over this many view units.
    static constexpr f32 DepthRange = 512.0f;

    // A linked program, its shaders and the records it is fed by.
    struct EGL_Program {
        GLuint program = 0;
        GLuint vertex = 0;
        GLuint fragment = 0;
        zShaderParmList parameters;
        ~EGL_Program();
    };
    class EGL_TextureData;
    class EGL_GeometryData;
    class EGL_MaterialData;

    zEGLRenderer(zRenderHost* engine, bool registerAsCurrent);
    ~zEGLRenderer() override;

    const char* GetName() override;
    const char* GetDescription() override;
    const char* GetVersion() override;
    bool Open(u32 width, u32 height, u32 bitsPerPixel, bool fullscreen) override;
    // mode: ModeWindowed, ModeFullscreen or ModeHidden (tests).
    bool OpenMode(u32 width, u32 height, u32 bitsPerPixel, u32 mode);
    void Close() override;
    bool Resize(u32 width, u32 height) override;
    void* GetWindowHandle() override;
    void RenderQueue() override;
    void ShowFrame() override;
    void ClearFrame(f32 red, f32 green, f32 blue, f32 alpha, f32 depth, u8 flags) override;
    void SetViewMatrix(const zMatrix4& matrix) override;
    void SetProjectionMatrix(const zMatrix4& matrix) override;
    void SetViewport(i32 x, i32 y, i32 width, i32 height) override;
    void GetViewport(i32& x, i32& y, i32& width, i32& height) override;
    bool SetupGeometry(zGeometry* geometry) override;
    void FreeGeometry(zGeometry* geometry) override;
    bool SetupTexture(zTexture* texture) override;
    void FreeTexture(zTexture* texture) override;
    bool SetupMaterial(zMaterial* material) override;
    void FreeMaterial(zMaterial* material) override;

    // For tests: the GL name of a colour target (0 when none) and the
    // program of a material's pass (null when none).
    GLuint GetBufferName(u32 buffer) const;
    const EGL_Program* GetMaterialProgram(const zMaterial* material, u32 pass) const;

  private:
    struct DrawContext;
    bool CreateDeferredBuffers(u32 width, u32 height);
    void ReleaseDeferredBuffers();
    GLuint MakeTargetTexture(u32 width, u32 height);
    bool BuildBlitProgram();
    bool BuildLightProgram();
    bool BuildMaterialPass(u32 pass, const zMaterial& material, EGL_Program& out);
    bool LinkProgram(EGL_Program& program, const zString& vertexText, const zString& fragmentText);
    GLuint CompileShader(GLenum stage, const zString& text);
    void ReleaseProgram(EGL_Program& program);
    void AttachColor(u32 buffer);
    void DrawPass(zList<zRenderablePrimitive*>& list, u32 pass);
    void DrawGeometry(const DrawContext& context, u32 pass);
    void BindParameters(const EGL_Program& program, const DrawContext& context, const zMaterial* material,
                        u32& nextUnit);
    void RenderLights();
    void DrawPointLight(zRenderLight& light);
    void Blit();
    zMatrix4 ViewMatrix() const;
    zMatrix4 ProjectionMatrix() const;

    zEGLFunctions& m_gl;
    std::unique_ptr<zPlatformWindow> m_window;
    std::unique_ptr<zPlatformGLContext> m_context;
    bool m_fullscreen = false;
    EGL_Program m_blitProgram;
    EGL_Program m_lightProgram;
    GLuint m_depthBuffer = 0;
    GLuint m_framebuffer = 0;
    GLuint m_buffers[BufferCount] = {};
    u32 m_bufferWidth = 0;
    u32 m_bufferHeight = 0;
    f32 m_viewport[4] = {};
    f32 m_view[16] = {};
    f32 m_projection[16] = {};
    zGLSLCompiledMap m_generator{GLSLFormES};
};
