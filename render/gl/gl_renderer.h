// zGL3Renderer: the "gl2" renderer, desktop OpenGL through the platform's
// window and compatibility context. Two pipelines: deferred (GLSL material
// programs drawn into a g-buffer, the core shader library's ambient pass,
// then a present to the window) and fixed-function (system bit 16, chosen by
// "DisableShader" or forced when the driver has no GLSL).
//
// Open: window (own, or a host's), context, entry points (a required name
// missing ends the open), the core shader library "default_shaders.zml"
// (profile "GLSL_Deferred"), render targets and shadow maps. Every GL name
// belongs to that context: Close releases every target, program and buffer
// object before the context goes, so a second open starts clean. A failure
// at any step of the open closes again, so nothing stays half open.
//
// Render targets are sized by the supersample factor ("Antialising:Sample;"
// of the renderer registry when "Antialising:Enable;" is true: the keys are
// spelled so in stored settings). fx and hdr targets are half that size.
#pragma once

#include <memory>

#include "core/bounds.h"
#include "core/list.h"
#include "core/shared_object.h"
#include "render/gl/gl_functions.h"
#include "render/gl/gl_render_map.h"
#include "render/gl/gl_shader.h"
#include "render/render_light.h"
#include "render/renderer.h"
#include "render/shader/glsl_generator.h"

class zPlatformWindow;
class zPlatformGLContext;
class zTrilist;
struct zTextureStage;

class zGL3Renderer : public zRenderer {
  public:
    // Open modes: 0 windowed, 1 full screen, 2 windowed but not shown; 3 is
    // internal (a host's window with the host's context current).
    enum : u32 { ModeWindowed = 0, ModeFullscreen = 1, ModeHidden = 2, ModeHostContext = 3 };
    // Passes of the draw routines.
    enum : u32 {
        PassForward = 0,
        PassForwardBlended = 1,
        PassNormalDepth = 2,
        PassGBuffer = 3,
        PassVelocity = 4,
        PassDepth = 5,
        PassCount = 6,
    };
    // Render-target kinds of SetupRenderTarget and UploadTexture.
    enum : u32 { KindRGBA8 = 0, KindRGBA16 = 1, KindHalfFloat = 2, KindDepth = 3, KindDepthFloat = 4 };
    // Texture-unit undo bits.
    enum : u32 {
        UnitTexture = 1,
        UnitTextureMatrix = 2,
        UnitTexGen = 4,
        UnitCombiner = 8,
        UnitCoordArray = 16,
    };
    static constexpr u32 UnitCount = 8;
    static constexpr u32 LineCapacity = 32768;
    static constexpr u32 ShadowMapCount = 6;
    static constexpr u32 MaterialMapCount = 5;
    static constexpr u32 Absent = 0xFFFFFFFFu;

    struct GL_GeometryList;
    class GL_GeometryData;
    class GL_TextureData;
    class GL_MaterialData;
    class GL_LightData;
    struct GL_CubeRecord;
    struct GL_PSSMRecord;

    zGL3Renderer(zRenderHost* engine, bool registerAsCurrent);
    ~zGL3Renderer() override;

    const char* GetName() override { return "OpenGL"; }
    const char* GetDescription() override;
    const char* GetVersion() override { return "0.97"; }
    // fullscreen selects mode 1, else mode 0.
    bool Open(u32 width, u32 height, u32 bitsPerPixel, bool fullscreen) override;
    bool OpenMode(u32 width, u32 height, u32 bitsPerPixel, u32 mode);
    // window: a zPlatformWindow of the host (never destroyed here). With
    // ownContext a context is made on it, else the host's current one is used.
    bool OpenOnWindow(zPlatformWindow* window, u32 width, u32 height, bool ownContext);
    void Close() override;
    bool Resize(u32 width, u32 height) override;
    void UpdateOutputSize() override;
    void* GetWindowHandle() override;
    bool NewOutput(void* window, zRenderOutput& out) override;
    void SetOutput(zRenderOutput* output) override;
    void FreeOutput(zRenderOutput* output) override;
    void RenderQueue() override;
    void ShowFrame() override;
    zShader* NewShader() override;
    void ClearFrame(f32 red, f32 green, f32 blue, f32 alpha, f32 depth, u8 flags) override;
    void GrabDisplay(zPicture* picture) override;
    void CopyDisplayToTexture(zTexture* texture) override;
    void SetTargetTexture(zTexture* texture) override;
    void DrawLine(const zVector& from, const zVector& to, const f32* color) override;
    void DrawTriangle(const zVector corners[3], const f32* color, const f32* uvs, zTexture* texture,
                      u32 flags) override;
    void Write(zRenderFont* font, const char* text, f32 x, f32 y, f32 size, bool keepAspect, i32 alignment,
               const f32* color) override;
    bool SetupGeometry(zGeometry* geometry) override;
    void FreeGeometry(zGeometry* geometry) override;
    void UpdateGeometry(zGeometry* geometry, u32 first, u32 second) override;
    bool SetupTexture(zTexture* texture) override;
    void FreeTexture(zTexture* texture) override;
    void UpdateTexture(zTexture* texture, const u8* rgbaPixels, u32 width, u32 height, u32 x, u32 y) override;
    bool SetupMaterial(zMaterial* material) override;
    void FreeMaterial(zMaterial* material) override;
    void UpdateMaterial(zMaterial* material) override;
    bool SetupLight(zRenderLight* light) override;
    void FreeLight(zRenderLight* light) override;
    void UpdateLight(zRenderLight* light) override;
    void SetViewMatrix(const zMatrix4& matrix) override;
    void SetProjectionMatrix(const zMatrix4& matrix) override;
    void SetModelMatrix(const zMatrix4& matrix) override;
    void ClearClippingPlane() override;
    void SetClippingPlane(const zVector& point, const zVector& normal) override;
    void SetViewport(i32 x, i32 y, i32 width, i32 height) override;
    void GetViewport(i32& x, i32& y, i32& width, i32& height) override;

    // Resources (also used by the passes).
    bool LoadCoreShaders();
    // The render map of the generator's current state for a pass; null when
    // the map cannot be made. The map has no program when Setup failed.
    GL3_RenderMap* CompileRenderMap(u32 pass, zMaterial* material);
    const zGLSLVariable* FindEmittedVariable(const zShaderBlock* block) const;
    // The alpha-test threshold of a material's programs: 0.01 .. 1.0.
    static f32 MaterialAlphaThreshold(const zMaterial& material);

    // Frame state.
    void ResetGLState();
    void BeginFixedFunction();
    void EndFixedFunction();
    void ResetUnits(u32 from);
    void BindUnit(u32 unit, zTexture* texture);
    u32 FirstFreeUnit() const;
    void ApplyMaterialState(const zMaterial* material);
    void ApplyBlendMode(const zMaterial* material);
    void BindMaterialUniforms(const GL3_RenderMap& map, const zMatrix4& model);
    void DrawFullScreenQuad(bool textured, f32 u, f32 v, f32 w, f32 h);
    // Deferred pipeline only: the texture over (x, y)-(x + w, y + h) in device
    // coordinates; without fullRange the coordinates cover the viewport's part.
    void DrawTexturedQuad(zTexture* texture, f32 x, f32 y, f32 w, f32 h, bool fullRange);
    void DrawWireSphere(f32 radius);
    void DrawWireCone(f32 length, f32 radius);
    // Unless 4, 5, 6, 8 or 9, which only programs can do.
    static bool IsFixedOperator(u32 op);
    void ClearTarget(f32 red, f32 green, f32 blue, f32 alpha, f32 depth, GLbitfield mask);
    void BindGBuffer();
    // Colour attachments 0-2 of the bound frame buffer as the three colour
    // attributes, all drawn (true), or attachment 0 alone again (false).
    void DrawIntoAttributes(bool all);

    // Lights. The core light shader a light takes in the deferred pipeline
    // (null: none) and its volumetric shader (null: none), by type, shadow
    // mode, specular intensity, projection texture and the control word.
    static const char* ChooseLightShader(const zRenderLight& light, u32 controlWord);
    static const char* ChooseVolumetricShader(const zRenderLight& light, u32 controlWord);
    // The scene's lights for this frame's view: those that reach the camera's
    // position and touch the view volume, at most maxCount. Empty without a
    // scene interface or a view item.
    void CollectFrameLights(zList<zRenderLight*>& out, u32 maxCount);
    // The world box of the view volume of the current camera block.
    zMinMax GetViewBounds() const;
    // The light passes into the current target, added up.
    void RenderLights();
    void DrawLight(zRenderLight* light);
    bool SetupLightShader(zRenderLight* light);
    // The light's sphere or cone, enlarged to cover its faceted shape, by its
    // far side; with the camera inside it (or no depth clamping), a screen
    // quad instead.
    void DrawLightVolume(zRenderLight* light);
    // Shadow maps of one light (spot: map 0, point: maps 0-5, parallel:
    // maps 0-3 with "LinearShadow").
    void RenderLightShadow(zRenderLight* light);
    void RenderShadowMap(zRenderViewItem* camera, u32 index);
    void RenderPointShadow(zRenderLight* light);
    void RenderPSSM(zRenderLight* light);
    // Places a light camera (world: its axes, position replaced) pullBack
    // behind the centre of eight corners along its z axis; extent: the
    // orthographic width and height that hold them and the far distance.
    static void FitShadowCamera(const zVector corners[8], zMatrix4& world, f32 pullBack, f32 extent[3]);
    // The split far distance i of four (the practical split scheme).
    static f32 PSSMSplitDistance(u32 split, f32 nearDistance, f32 farDistance, f32 blend);
    bool SetupVolumetricShader(zRenderLight* light);
    void RenderVolumetricLight(zRenderLight* light);
    // The velocity pass runs for a view whose settings ask motion blur,
    // unless the renderer excludes motion blur.
    bool WantsVelocityPass();

    // Per-primitive drawing.
    // skinning: one matrix per bone of the geometry, or null (bind pose).
    void DrawMeshPrimitive(u32 pass, zGeometry* geometry, const zMatrix4& world,
                           const zMatrix4* previousWorld = nullptr, const zMatrix4* skinning = nullptr,
                           u32 boneCount = 0);
    // Kind 1: the emitter's live particles, back to front, as camera-facing
    // quads in one batch. Forward-rendered materials (and every material in
    // the fixed-function pipeline) draw in pass 0 when opaque and pass 1 when
    // transparent; others in passes 2, 3 and 5 with the material's program.
    void DrawEmitterPrimitive(u32 pass, zParticleSource* emitter);
    // Kind 2: one terrain patch, 64 x 64 cells sampled every step samples,
    // in passes 2, 3 and 5 with the terrain material's program.
    void DrawTerrainPatch(u32 pass, const zTerrainPatchGrid& patch);
    static constexpr u32 TerrainPatchCells = 64;
    static constexpr u32 TerrainPatchVertices = (TerrainPatchCells + 1) * (TerrainPatchCells + 1);
    // The shared patch buffers (0 until the first patch is drawn).
    GLuint GetTerrainIndexBuffer() const { return m_terrainIndexBuffer; }
    GLuint GetTerrainVertexBuffer() const { return m_terrainVertexBuffer; }
    // Ambient pass into the current target: compose = albedo x ambient +
    // self illumination, from the g-buffer, with "core::ambient".
    void RenderAmbient();
    // The composed frame to the output (frame buffer 0 or the output texture).
    void Present();

    // The post-process chain, the deferred frame's last step: the effects the
    // camera's "PostProcess;" children ask for, in their fixed order, unless
    // the renderer's "PostProcess:Exclusion;" holds a true boolean child of
    // that name; each reads one of "compose_map" and "attr3_map" and writes
    // the other; then the present of the last result. Leaves blending off,
    // no program and every texture unit reset.
    void RenderPostProcesses();
    // Effect passes: true when the result is in the destination (the chain
    // swaps the buffers), false when nothing changed or the result is back in
    // the source. A missing core shader is logged and skips the effect.
    bool PostMotionBlur(zTexture* source, zTexture* destination);
    bool PostDepthOfField(zTexture* source, zTexture* destination);
    bool PostRadialBlur(zTexture* source, zTexture* destination);
    bool PostBloom(zTexture* source, zTexture* destination);
    bool PostChromaticDispersion(zTexture* source, zTexture* destination);
    bool PostHueSaturation(zTexture* source, zTexture* destination);
    bool PostSharpen(zTexture* source, zTexture* destination);
    bool PostGaussianBlur(zTexture* source, zTexture* destination);
    bool PostNoise(zTexture* source, zTexture* destination);
    // texture into target ("fx0_map" when null), its coordinates scaled by
    // scale; with a shader, through it.
    void RenderToTarget(zTexture* texture, f32 scale, zGL3Shader* shader, zTexture* target);
    // A true boolean child of that name in "PostProcess:Exclusion;" of the
    // renderer registry; other types exclude nothing.
    bool IsEffectExcluded(const char* name);
    // Ambient occlusion from the g-buffer's normals and depths into "fx0_map",
    // blurred, then multiplied into the three colour attributes; run when the
    // camera's registry holds "PostProcess:SSAO;", unless excluded.
    void RenderSSAO();
    // Fog over "compose_map" by the g-buffer's depth (SetFog's near, far and
    // colour); run when fog is enabled.
    void RenderFog();
    // Target size over the supersampled viewport's size ("display_buffer_ratio").
    void GetDisplayBufferRatio(f32& rx, f32& ry) const;

    // Inspection for tools and tests.
    const zGLFunctions& GetGL() const { return m_gl; }
    zGLFunctions& GetGLTable() { return m_gl; }
    zShaderLibrary* GetShaderLibrary() const { return m_library.Get(); }
    zTexture* GetTarget(const char* name) const;
    zTexture* GetShadowMap(u32 index) const {
        return index < ShadowMapCount ? m_shadowMaps[index].Get() : nullptr;
    }
    zTexture* GetDitherTexture() const { return m_ditherTexture.Get(); }
    f32 GetSupersample() const { return m_supersample; }
    void GetTargetSize(f32& width, f32& height) const {
        width = m_targetWidth;
        height = m_targetHeight;
    }
    const f32* GetTargetReciprocals() const { return m_targetReciprocals; }
    u32 GetMRTCount() const { return m_mrtCount; }
    u32 GetShadowMapSize() const { return m_shadowMapSize; }
    bool GetDepthFallback() const { return m_depthFallback; }
    const zList<zSharedPtr<zGL3Shader>>& GetPrograms(u32 pass) const { return m_programs[pass]; }
    u32 GetLineCount() const { return m_lineCount; }
    zPlatformWindow* GetWindow() const { return m_window; }
    u32 GetFixedLightCount() const { return m_fixedLightCount; }
    // The frame's fixed-function light table, loaded into GL lights 0-7 when
    // the fixed-function state begins; at most 8, extras are logged and
    // dropped.
    void AddFixedLight(zRenderLight* light);
    void ClearFixedLights() { m_fixedLightCount = 0; }
    // Bytes in video memory.
    u64 GetTextureBytes() const { return m_textureBytes; }
    u64 GetGeometryBytes() const { return m_geometryBytes; }
    // Programs compiled since construction (cache misses of the material programs).
    u32 GetProgramCompileCount() const { return m_programCompiles; }

  private:
    struct Line {
        f32 from[4];
        f32 to[4];
        f32 color[4];
    };

    bool OpenWindow(u32 width, u32 height, u32 bitsPerPixel, u32 mode);
    bool CreateContext();
    bool StartRenderer(u32 width, u32 height, u32 bitsPerPixel, u32 mode);
    void CreateTargets(u32 width, u32 height);
    void ReleaseTargets();
    void ReleasePrograms();
    bool SetupRenderTarget(zSharedPtr<zTexture>& slot, const char* name, u32 width, u32 height, u32 kind);
    void SetTargetFilters(zTexture* texture, GLint filter);
    GLuint TextureName(const zTexture* texture) const;
    void UploadTexture(GL_TextureData& data, zPicture& picture, const zTexture& texture, bool compress);
    void MakeCoreTextures();
    // Unit 0's texture for materials without one.
    void MakeWhiteTexture();
    bool UploadTrilist(GL_GeometryList& record, const zTrilist& list, const zGeometry& geometry);
    void AddTextureBytes(i64 amount) { m_textureBytes = u64(i64(m_textureBytes) + amount); }
    void AddGeometryBytes(i64 amount) { m_geometryBytes = u64(i64(m_geometryBytes) + amount); }
    // clipTest: the fragment test against the user clip plane (a program
    // without it draws the same while no plane is set).
    void BuildPassText(u32 pass, zMaterial& material, zShaderBlock* position, zShaderBlock* skinning,
                       bool clipTest);
    // The render map of one pass built from the material's graph.
    GL3_RenderMap* BuildRenderMap(u32 pass, zMaterial& material, bool clipTest);
    void AddOpacityText(zMaterial& material, zGLSLVariable* opacity);
    // Loads a row-major engine matrix into a GL matrix stack; model-view stays current.
    void LoadGLMatrix(GLenum mode, const zMatrix4& matrix);
    void SetScissoredViewport(i32 x, i32 y, i32 width, i32 height);
    void SetSupersampledViewport();
    void LoadFixedLights();
    void FlushLines();
    void DrawList(zList<zRenderablePrimitive*>& list, u32 pass);
    void DrawDeferred(zList<zRenderablePrimitive*>& list);
    void DrawShadedTrilist(u32 pass, const GL_GeometryList& list, zMaterial* material, const zMatrix4& world,
                           const zMatrix4* previousWorld, const zMatrix4* skinning, u32 boneCount);
    void DrawFixedTrilist(u32 pass, const GL_GeometryList& list, zMaterial* material);
    // The per-draw uniforms of a material program: the user clip plane, the
    // alpha threshold and the buffer size, each when the program has it.
    void SetDrawUniforms(const zGL3Shader& program, const zMaterial& material);
    // The render map of a material for a pass, with a linked program; else
    // null. With no clip plane set, pass 5 takes the map without the plane's
    // test: a discard in a depth program slows some drivers' depth writes.
    const GL3_RenderMap* PassMap(const zMaterial* material, u32 pass);
    bool MakeTerrainBuffers();
    void ReleaseTerrainBuffers();
    void BindListArrays(const GL_GeometryList& list, bool colours, bool normals, bool uvs);
    void UnbindListArrays();
    void ApplyStageTexture(const zTextureStage& stage, u32 unit);
    void ApplyStageTexCoords(const zTextureStage& stage, u32 unit, const GL_GeometryList& list);
    void ApplyFixedMaterial(const zMaterial* material, const GL_GeometryList& list);
    void DrawDebugViews();
    // The present of a chain's result; other is the free ping-pong buffer.
    void PresentFrom(zTexture* result, zTexture* other);
    zRegistry* CameraRegistry() const;
    // The current camera's float at key; the default without a camera registry.
    f32 CameraFloat(const char* key, f32 defaultValue) const;
    // Uses the core post-process program of that name with the shared
    // uniforms set; null (logged) when the library has none.
    zGL3Shader* UsePostShader(const char* name, f32 fxScaler);
    void SetUniform(GLhandleARB program, const char* name, f32 x);
    void SetUniform(GLhandleARB program, const char* name, f32 x, f32 y);
    // DrawFullScreenQuad(true, 1, 1, rx, ry) with the display buffer ratio.
    void DrawBufferQuad();
    bool DrawInlineEffect(zGL3Shader* shader, const char* sourceName, zTexture* source,
                          zTexture* destination);
    // One separable blur step of input into output; false without its program.
    bool BlurStep(const char* name, zTexture* input, zTexture* output, f32 blurSize, f32 fxScaler);
    // The supersampled viewport's width (axis 0) or height (axis 1), at least 1.
    f32 ViewportPixels(u32 axis) const;
    void UseProgram(GLhandleARB program);
    void SetMaterialColors(const f32 ambient[4], const f32 diffuse[4], const f32 specular[4],
                           const f32 emission[4], f32 shininess);

    zGLFunctions m_gl;
    u32 m_unitWords[UnitCount] = {};
    u32 m_matrixMode = 0;
    f32 m_modelView[16];
    f32 m_view[16];
    f32 m_projectionCopy[16];

    std::unique_ptr<zPlatformWindow> m_ownWindow;
    zPlatformWindow* m_window = nullptr; // the own window or the host's
    std::unique_ptr<zPlatformGLContext> m_context;
    zPlatformWindow* m_currentOutput = nullptr;
    bool m_fullscreen = false;
    bool m_hostWindow = false;

    u32 m_mrtCount = 0;
    GLuint m_query = 0;
    bool m_depthFallback = false;
    bool m_depthClamp = false; // GL 3.2 or ARB_depth_clamp
    zSharedPtr<zTexture> m_shadowMaps[ShadowMapCount];
    u32 m_shadowMapSize = 1024;
    f32 m_shadowMapReciprocal = 0.0009765625f;
    zSharedPtr<zTexture> m_noiseTexture;
    zSharedPtr<zTexture> m_ditherTexture;
    zSharedPtr<zTexture> m_whiteTexture;

    i32 m_viewport[4] = {0, 0, 0, 0};
    f32 m_supersample = 1.0f;
    f32 m_targetReciprocals[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    f32 m_viewportReciprocal[2] = {1.0f, 1.0f};
    f32 m_viewportRatio[2] = {1.0f, 1.0f};
    GLuint m_gbufferFBO = 0;
    GLuint m_outputFBO = 0;
    GLuint m_thirdFBO = 0;

    // Render targets, by index of TargetNames.
    enum : u32 {
        TargetDepth,
        TargetAttr0,
        TargetAttr1,
        TargetAttr2,
        TargetAttr3,
        TargetCompose,
        TargetVelocity,
        TargetFx0,
        TargetFx1,
        TargetFx2,
        TargetHdr,
        TargetCount
    };
    static const char* const TargetNames[TargetCount];
    zSharedPtr<zTexture> m_targets[TargetCount];
    u32 m_fxDivisor = 2;
    f32 m_targetWidth = 0.0f;
    f32 m_targetHeight = 0.0f;
    f32 m_clipPlane[4] = {0.0f, 0.0f, 0.0f, 1.0f};

    std::unique_ptr<Line[]> m_lines;
    u32 m_lineCount = 0;
    bool m_linesFull = false;
    f32 m_lineInverseView[16];

    GLuint m_terrainIndexBuffer = 0;
    GLuint m_terrainVertexBuffer = 0;
    std::unique_ptr<f32[]> m_terrainScratch; // positions, normals, texture coordinates

    zRenderLight* m_fixedLights[8] = {};
    u32 m_fixedLightCount = 0;

    zSharedPtr<zShaderLibrary> m_library;
    zGL3Shader* m_ambientShader = nullptr; // the library owns its shaders
    zGL3Shader* m_velocityShader = nullptr;
    // The library shader of that name, or null.
    zGL3Shader* FindLibraryShader(const char* name) const;
    // Binds a target or texture to a unit and names it for the program in use.
    void BindSampler(GLhandleARB program, const char* name, u32 unit, zTexture* texture);
    // The frame's view matrix and the camera's world matrix.
    zMatrix4 ViewMatrix() const;
    zMatrix4 CameraWorld() const;
    // A light's place and unit direction in the frame's view space.
    void LightViewAxes(const zMatrix4& lightWorld, zVector& position, zVector& direction) const;
    // The shadow maps and matrices of a point light's cube faces and of a
    // parallel light's splits, for the program in use.
    void SetCubeUniforms(GLhandleARB program, const GL_CubeRecord& cube, const zMatrix4& lightInverse,
                         const zMatrix4& cameraWorld);
    void SetPSSMUniforms(GLhandleARB program, const GL_PSSMRecord& pssm, const zMatrix4& cameraWorld);
    zList<zSharedPtr<zGL3Shader>> m_programs[PassCount];
    zGLSLCompiledMap m_generator{GLSLFormDesktop};
    f32 m_exposure = 0.18f;
    u64 m_textureBytes = 0;
    u64 m_geometryBytes = 0;
    u32 m_programCompiles = 0;

    u32 m_mode = 0;
    u32 m_width = 0;
    u32 m_height = 0;
    u8 m_bitsPerPixel = 32;
};
