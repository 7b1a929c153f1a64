#include "render/texture.h"

#include <cassert>

#include "core/log.h"
#include "core/profiler_sections.h"
#include "render/renderer.h"
#include "render/resource_event.h"

namespace {
zTextureStreamOpener g_streamOpener = nullptr;
}

void SetTextureStreamOpener(zTextureStreamOpener opener) {
    g_streamOpener = opener;
}

zTexture::zTexture(zRenderHost* engine, u32 renderTarget, u32 targetFormat)
    : m_targetFormat(targetFormat), m_renderTarget(renderTarget), m_engine(engine) {
    assert(engine);
}

zTexture::~zTexture() {
    zResourceEventRecord record;
    record.texture = this;
    m_engine->SendEvent(ResourceEventDestroyBegin, &record);
    SetStream(nullptr);
    Free();
    m_engine->SendEvent(ResourceEventDestroyed, &record);
}

bool zTexture::Setup() {
    BeginProfilerSection("Texture Setup");
    zRenderer* renderer = m_engine->GetRenderer();
    const bool done = renderer && renderer->SetupTexture(this);
    EndProfilerSection("Texture Setup");
    return done;
}

void zTexture::Free() {
    if (zRenderer* renderer = m_engine->GetRenderer()) renderer->FreeTexture(this);
}

void zTexture::SetNoResample(bool noResample) {
    if (noResample) {
        m_flags |= TextureFlagNoResample;
    } else {
        m_flags &= ~u32(TextureFlagNoResample);
    }
}

bool zTexture::OpenStream(const char* path) {
    zTextureStream* stream = g_streamOpener && path ? g_streamOpener(this, path) : nullptr;
    if (!stream) {
        GetLog() << "[!] Could not open texture stream '" << (path ? path : "") << "'.\n";
        return false;
    }
    SetStream(stream);
    return true;
}

void zTexture::UpdateStream(i32 dt) {
    if (m_stream) m_stream->Update(dt);
}

void zTexture::SetStream(zTextureStream* stream) {
    if (stream == m_stream) return;
    delete m_stream;
    m_stream = stream;
}
