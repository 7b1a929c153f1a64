// zRenderer: the abstract interface through which the engine, the scenes, the
// 2D UI and the scripts draw, with the state every renderer shares: the
// render queue, the view item and its camera block, fog, the clipping plane,
// output size, statistics, the two flag words and a settings registry.
//
// The two flag words: the control word selects frame effects (also called the
// effect word), the system word selects renderer and texture behaviour (also
// called the texture word). Their bits are below with their settings keys.
//
// Construction with the register flag makes the renderer the host's current
// one; see render_host.h for the rules on destruction.
#pragma once

#include <vector>

#include "core/list.h"
#include "core/matrix.h"
#include "core/perf_counter.h"
#include "core/types.h"
#include "core/vector.h"
#include "markup/registry.h"
#include "render/renderable.h"
#include "render/render_host.h"

class zGeometry;
class zTexture;
class zMaterial;
class zRenderLight;
class zShader;
class zPicture;
class zRenderFont;

// System word bits.
enum : u32 {
    SystemEnableDebug = 1,
    SystemAntialiasing = 2,
    SystemUseFloatTarget = 4,
    SystemOptimizeVideoRam = 8,
    SystemDisableShader = 16, // fixed-function mode in the GPU renderers
    SystemDisableMultipleRenderTarget = 32,
    SystemSquareRenderTargets = 64, // no settings key; scripts only
    SystemTextureNoDownscale = 128,
    SystemTextureForceTrueColor = 0x100,
    SystemTextureNoCompression = 0x200,
    SystemTextureForceSquare = 0x400,
};

// Control word bits.
enum : u32 {
    ControlMotionBlur = 1,
    ControlShadowMapping = 2,
    ControlBloom = 8,
    ControlExposure = 16,
    ControlDepthOfField = 32,
    ControlLinearShadow = 64,
    ControlAmbientOcclusion = 128,
    ControlFramebufferAsTexture = 0x100,
    ControlLowResolutionFx = 0x200,
};

// One named bit of a flag word, as the settings file names it.
struct zRendererFlagKey {
    const char* key;
    bool systemWord; // false: the control word
    u32 bit;
};
extern const zRendererFlagKey RendererFlagKeys[];
extern const u32 RendererFlagKeyCount;

// ClearFrame flags.
enum : u8 { ClearColor = 1, ClearDepth = 2, ClearAll = 0xFF };

// DrawTriangle flags.
enum : u32 {
    TriangleAdditive = 4,
    TriangleNoCulling = 8,
    TriangleNoDepthWrite = 0x2000,
    TriangleDepthAlways = 0x4000,
};

// Statistics counters published by name.
enum : u32 {
    StatisticObjectSent = 2,
    StatisticObjectDrawn = 3,
    StatisticTriangleDrawn = 4,
    StatisticLightDrawn = 5,
    StatisticCount = 6,
};

// A window used as an extra output.
struct zRenderOutput {
    void* window = nullptr;
    void* deviceContext = nullptr;
};

struct zViewParams {
    f32 values[9] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
};

struct zFogState {
    bool enabled = false;
    f32 nearDistance = 0.0f;
    f32 farDistance = 0.0f;
    f32 color[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};

// Texture sizes: exact gives the smallest power of two >= size (1 for size
// <= 1; sizes above 2^31 give 2^31). Otherwise the power of two nearest in
// the sense p + p/2 >= size, at least 2 for size > 1, capped at 4096.
u32 RoundTextureSize(u32 size, bool exact);

// The engine's perspective projection (the view looks along +z; depth 0 at
// the near plane, 1 at the far plane; w = view z): rows (scale, 0, 0, 0),
// (0, scale, 0, 0), (0, 0, f/(f-n), -nf/(f-n)), (0, 0, 1, 0).
zMatrix4 PerspectiveProjection(f32 scale, f32 nearDistance, f32 farDistance);

// The default line colour of DrawLine (yellow) and triangle colour (black).
extern const f32 DefaultLineColor[4];
extern const f32 DefaultTriangleColor[4];

class zRenderer {
  public:
    static constexpr u32 TextureSizeLimit = 8192;

    zRenderer(zRenderHost* engine, bool registerAsCurrent);
    virtual ~zRenderer();

    // Virtual operations, in slot order.
    virtual u32 QueryLimit();
    // The output texture's size when one is set, else the output size.
    virtual void GetOutputSize(f32 out[2]);
    // Null: the window.
    virtual void SetOutputTexture(zTexture* texture);
    // Takes the view item's view and projection for the frame and copies its
    // camera block; does nothing without a view item.
    virtual void ApplyView();
    virtual void BeginDraw();
    virtual void EndDraw();
    virtual const char* GetName() = 0;
    virtual const char* GetDescription() = 0;
    virtual const char* GetVersion() = 0;
    virtual bool Open(u32 width, u32 height, u32 bitsPerPixel, bool fullscreen) = 0;
    virtual void Close() = 0;
    virtual bool Resize(u32 width, u32 height) = 0;
    virtual void UpdateOutputSize() = 0;
    // The window system's handle of the main window (input devices attach to
    // it); null without a window.
    virtual void* GetWindowHandle() = 0;
    virtual bool NewOutput(void* window, zRenderOutput& out) = 0;
    // Null: the main window.
    virtual void SetOutput(zRenderOutput* output) = 0;
    virtual void FreeOutput(zRenderOutput* output) = 0;
    virtual void RenderQueue() = 0;
    virtual void ShowFrame() = 0;
    virtual zShader* NewShader() = 0;
    virtual void ClearFrame(f32 red, f32 green, f32 blue, f32 alpha, f32 depth, u8 flags) = 0;
    virtual void GrabDisplay(zPicture* picture) = 0;
    virtual void CopyDisplayToTexture(zTexture* texture) = 0;
    // Null: the default frame buffer.
    virtual void SetTargetTexture(zTexture* texture) = 0;
    // colour null: DefaultLineColor.
    virtual void DrawLine(const zVector& from, const zVector& to, const f32* color) = 0;
    // corners: three points; colour null: DefaultTriangleColor; uvs: three
    // (u, v) pairs or null.
    virtual void DrawTriangle(const zVector corners[3], const f32* color, const f32* uvs, zTexture* texture,
                              u32 flags) = 0;
    // Text in a raster font at (x, y), fractions of the output from its top
    // left; alignment 0 left, 1 centred, 2 right (x from the right edge).
    virtual void Write(zRenderFont* font, const char* text, f32 x, f32 y, f32 size, bool keepAspect,
                       i32 alignment, const f32* color) = 0;
    virtual bool SetupGeometry(zGeometry* geometry) = 0;
    virtual void FreeGeometry(zGeometry* geometry) = 0;
    virtual void UpdateGeometry(zGeometry* geometry, u32 first, u32 second) = 0;
    virtual bool SetupTexture(zTexture* texture) = 0;
    // The texture loader's fallback when no picture codec reads the file:
    // false in every renderer.
    virtual bool LoadTextureFromFile(zTexture* texture, const char* path);
    virtual void FreeTexture(zTexture* texture) = 0;
    virtual void UpdateTexture(zTexture* texture, const u8* rgbaPixels, u32 width, u32 height, u32 x,
                               u32 y) = 0;
    virtual bool SetupMaterial(zMaterial* material) = 0;
    virtual void FreeMaterial(zMaterial* material) = 0;
    virtual void UpdateMaterial(zMaterial* material) = 0;
    virtual bool SetupLight(zRenderLight* light) = 0;
    virtual void FreeLight(zRenderLight* light) = 0;
    virtual void UpdateLight(zRenderLight* light) = 0;
    virtual void SetViewMatrix(const zMatrix4& matrix) = 0;
    virtual void SetProjectionMatrix(const zMatrix4& matrix) = 0;
    virtual void SetModelMatrix(const zMatrix4& matrix) = 0;
    virtual void ClearClippingPlane() = 0;
    virtual void SetClippingPlane(const zVector& point, const zVector& normal) = 0;
    virtual void SetViewport(i32 x, i32 y, i32 width, i32 height) = 0;
    virtual void GetViewport(i32& x, i32& y, i32& width, i32& height) = 0;

    // Shared state.
    zRenderHost* GetEngine() const { return m_engine; }
    zRegistry& GetRegistry() { return m_registry; }

    zRenderViewItem* GetViewItem() const { return m_viewItem; }
    // Stores the item and its transformation block; null clears both.
    void SetViewItem(zRenderViewItem* item);
    const zMatrix4* GetViewTransform() const { return m_viewTransform; }
    const zCameraBlock& GetCameraBlock() const { return m_cameraBlock; }
    const zMatrix4& GetProjection() const { return m_projection; }

    // colour null keeps the colour; near is taken only from 0.001 up; far is
    // at least near + 0.001.
    void SetFog(bool enabled, const f32* color, f32 nearDistance, f32 farDistance);
    const zFogState& GetFog() const { return m_fog; }

    // The queue does not own its renderables. It keeps its storage across
    // frames, so a frame queues without allocating once the queue has grown.
    void QueueRenderable(zRenderable* renderable);
    // QueueRenderable for each, in order.
    void QueueRenderables(const std::vector<zRenderable*>& renderables);
    void ResetRenderQueue();
    const std::vector<zRenderable*>& GetRenderQueue() const { return m_renderQueue; }
    // Deletes and removes every element of out; with a view item, each queued
    // renderable appends its primitives in queue order; then out is sorted by
    // key, ascending and stable.
    void CollectPrimitives(zList<zRenderablePrimitive*>& out, u32 flags);

    // The setters change the bits of the mask; the getters tell whether any
    // bit of the mask is set.
    void SetControlWord(u32 mask, bool enable);
    bool GetControlWord(u32 mask) const { return (m_controlWord & mask) != 0; }
    u32 GetControlWordValue() const { return m_controlWord; }
    void SetSystemWord(u32 mask, bool enable);
    bool GetSystemWord(u32 mask) const { return (m_systemWord & mask) != 0; }
    u32 GetSystemWordValue() const { return m_systemWord; }

    // Returns the previous value.
    f32 SetGlobalAspectRatio(f32 ratio);
    f32 GetGlobalAspectRatio() const { return m_aspectRatio; }
    void SetExposureTarget(f32 exposure) { m_exposureTarget = exposure; }
    f32 GetExposureTarget() const { return m_exposureTarget; }
    void SetSceneInterface(zRendererSceneInterface* scene) { m_sceneInterface = scene; }
    zRendererSceneInterface* GetSceneInterface() const { return m_sceneInterface; }
    void SetCleanResourceOnSetup(bool clean) { m_cleanResourceOnSetup = clean; }
    bool GetCleanResourceOnSetup() const { return m_cleanResourceOnSetup; }

    // index below StatisticCount.
    u32 GetStatistic(u32 index) const;
    void AddStatistic(u32 index, u32 amount);
    void ResetStatistics();

    bool IsOpen() const { return m_open; }
    bool IsClosed() const { return m_closed; }
    zTexture* GetOutputTexture() const { return m_outputTexture; }
    const f32* GetClippingPlane() const { return m_clippingPlane; }
    zViewParams* GetViewParams() { return m_viewParams; }
    // The renderer's own frame timing.
    zPerfCounter& GetPerfCounter() { return m_perfCounter; }

  protected:
    void SetOutputSizeValues(f32 width, f32 height);
    void SetOpenState(bool open);
    f32* ClippingPlane() { return m_clippingPlane; }

  private:
    zRenderer(const zRenderer&) = delete;
    zRenderer& operator=(const zRenderer&) = delete;

    zRenderHost* m_engine;
    zRegistry m_registry;
    bool m_cleanResourceOnSetup = true;
    std::vector<zRenderable*> m_renderQueue;
    f32 m_clippingPlane[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    u32 m_statistics[StatisticCount] = {};
    bool m_open = false;
    bool m_closed = true;
    f32 m_outputWidth = 1.0f;
    f32 m_outputHeight = 1.0f;
    zRenderViewItem* m_viewItem = nullptr;
    const zMatrix4* m_viewTransform = nullptr;
    zMatrix4 m_projection;
    zCameraBlock m_cameraBlock;
    zViewParams m_viewParams[6];
    zTexture* m_outputTexture = nullptr;
    u32 m_controlWord = 0;
    u32 m_systemWord = 0;
    zFogState m_fog;
    f32 m_aspectRatio = 1.0f;
    zRendererSceneInterface* m_sceneInterface = nullptr;
    f32 m_exposureTarget = 1.0f;
    zPerfCounter m_perfCounter;
};
