// zNull_Renderer: the renderer that draws nothing. The engine owns one as its
// default renderer, so everything runs with no display. Open and Resize only
// store the output size; set-ups succeed without doing anything.
#pragma once

#include "render/renderer.h"

class zNull_Renderer : public zRenderer {
  public:
    zNull_Renderer(zRenderHost* engine, bool registerAsCurrent);
    ~zNull_Renderer() override;

    const char* GetName() override;
    const char* GetDescription() override;
    const char* GetVersion() override;
    bool Open(u32 width, u32 height, u32 bitsPerPixel, bool fullscreen) override;
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
    void Write(zRenderFont* font, const char* text, f32 x, f32 y, f32 size, bool flag, i32 value,
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
    // (0, 0, output width, output height), so that cameras get a usable
    // aspect without a display.
    void GetViewport(i32& x, i32& y, i32& width, i32& height) override;
};
