#include "render/null_renderer.h"

zNull_Renderer::zNull_Renderer(zRenderHost* engine, bool registerAsCurrent)
    : zRenderer(engine, registerAsCurrent) {}

zNull_Renderer::~zNull_Renderer() {
    if (IsOpen()) SetOpenState(false);
}

const char* zNull_Renderer::GetName() {
    return "Null Renderer.";
}
const char* zNull_Renderer::GetDescription() {
    return "A null renderer that renders nothing.";
}
const char* zNull_Renderer::GetVersion() {
    return "0.0";
}

bool zNull_Renderer::Open(u32 width, u32 height, u32, bool) {
    SetOutputSizeValues(f32(width), f32(height));
    SetOpenState(true);
    return true;
}

void zNull_Renderer::Close() {
    SetOpenState(false);
}

bool zNull_Renderer::Resize(u32 width, u32 height) {
    SetOutputSizeValues(f32(width), f32(height));
    return true;
}

void zNull_Renderer::UpdateOutputSize() {}
void* zNull_Renderer::GetWindowHandle() {
    return nullptr;
}
bool zNull_Renderer::NewOutput(void*, zRenderOutput&) {
    return true;
}
void zNull_Renderer::SetOutput(zRenderOutput*) {}
void zNull_Renderer::FreeOutput(zRenderOutput*) {}
void zNull_Renderer::RenderQueue() {}
void zNull_Renderer::ShowFrame() {}
zShader* zNull_Renderer::NewShader() {
    return nullptr;
}
void zNull_Renderer::ClearFrame(f32, f32, f32, f32, f32, u8) {}
void zNull_Renderer::GrabDisplay(zPicture*) {}
void zNull_Renderer::CopyDisplayToTexture(zTexture*) {}
void zNull_Renderer::SetTargetTexture(zTexture*) {}
void zNull_Renderer::DrawLine(const zVector&, const zVector&, const f32*) {}
void zNull_Renderer::DrawTriangle(const zVector[3], const f32*, const f32*, zTexture*, u32) {}
void zNull_Renderer::Write(zRenderFont*, const char*, f32, f32, f32, bool, i32, const f32*) {}
bool zNull_Renderer::SetupGeometry(zGeometry*) {
    return true;
}
void zNull_Renderer::FreeGeometry(zGeometry*) {}
void zNull_Renderer::UpdateGeometry(zGeometry*, u32, u32) {}
bool zNull_Renderer::SetupTexture(zTexture*) {
    return true;
}
void zNull_Renderer::FreeTexture(zTexture*) {}
void zNull_Renderer::UpdateTexture(zTexture*, const u8*, u32, u32, u32, u32) {}
bool zNull_Renderer::SetupMaterial(zMaterial*) {
    return true;
}
void zNull_Renderer::FreeMaterial(zMaterial*) {}
void zNull_Renderer::UpdateMaterial(zMaterial*) {}
bool zNull_Renderer::SetupLight(zRenderLight*) {
    return true;
}
void zNull_Renderer::FreeLight(zRenderLight*) {}
void zNull_Renderer::UpdateLight(zRenderLight*) {}
void zNull_Renderer::SetViewMatrix(const zMatrix4&) {}
void zNull_Renderer::SetProjectionMatrix(const zMatrix4&) {}
void zNull_Renderer::SetModelMatrix(const zMatrix4&) {}
void zNull_Renderer::ClearClippingPlane() {}
void zNull_Renderer::SetClippingPlane(const zVector&, const zVector&) {}
void zNull_Renderer::SetViewport(i32, i32, i32, i32) {}

namespace {

// Output sizes come from u32 values; the ones that do not fit an i32 saturate.
i32 PixelsFromSize(f32 size) {
    if (!(size > 0.0f)) return 0;
    if (size >= 2147483520.0f) return 2147483647;
    return i32(size);
}

} // namespace

void zNull_Renderer::GetViewport(i32& x, i32& y, i32& width, i32& height) {
    f32 size[2];
    GetOutputSize(size);
    x = 0;
    y = 0;
    width = PixelsFromSize(size[0]);
    height = PixelsFromSize(size[1]);
}
