#include "engine/texture_stream.h"

#include <new>
#include <utility>

#include "audio/lmr/stream.h"
#include "core/log.h"
#include "picture/pixel_format.h"
#include "render/renderer.h"

zTextureStreamInterface::zTextureStreamInterface(zTexture* texture) : m_texture(texture) {}

zTextureStreamInterface::~zTextureStreamInterface() {
    if (m_stream) m_stream->Close();
}

bool zTextureStreamInterface::Open(const char* path) {
    m_stream.reset(new (std::nothrow) lmr_Stream(this, nullptr));
    return m_stream && m_stream->Open(path, false);
}

bool zTextureStreamInterface::SetFormat(const lmr_VideoFormat& format) {
    if (format.pixelFormat == pixelFormat && format.width == m_frameWidth && format.height == m_frameHeight)
        return true;
    pixelFormat = format.pixelFormat;
    m_frameWidth = format.width;
    m_frameHeight = format.height;
    m_texture->Free();
    GetLog() << "TextureStreamInterface::SetFormat(" << format.width << ", " << format.height << ").\n";
    m_texture->SetFlags(m_texture->GetFlags() | TextureFlagRendererOwn);
    if (!m_texture->Allocate(format.width, format.height, PixelFormatDefault)) return false;
    return m_texture->Setup();
}

bool zTextureStreamInterface::WriteFrame(const u8* const* planes, u32) {
    u8* pixels = m_texture->GetPixels();
    const u32 width = m_texture->GetWidth();
    const u32 height = m_texture->GetHeight();
    if (pixels && pixelFormat == 1 && planes) {
        const u8* plane[3] = {planes[0], planes[1], planes[2]};
        for (u64 i = 0; i < u64(width) * height; ++i)
            for (int c = 0; c < 3; ++c) pixels[4 * i + c] = *plane[c]++;
    } else if (pixels && pixelFormat == 2) {
        const u64 row = u64(m_texture->GetBitsPerPixel() / 8) * width;
        for (u32 y = 0; y < height; ++y) {
            u8* line = pixels + row * y;
            for (u32 x = 0; x < width; ++x) std::swap(line[4 * x], line[4 * x + 2]);
        }
    }
    m_frameReady = 1;
    return true;
}

bool zTextureStreamInterface::PresentFrame() {
    zRenderer* renderer = m_texture->GetEngine()->GetRenderer();
    if (renderer && m_texture->GetPixels())
        renderer->UpdateTexture(m_texture, m_texture->GetPixels(), m_texture->GetWidth(), m_texture->GetHeight(), 0,
                                0);
    m_frameReady = 0;
    return true;
}

void zTextureStreamInterface::Update(i32 steps) {
    if (!m_stream || m_state == 1) return;
    if (m_stream->GetState() == StreamEnded) {
        m_stream->Rewind();
    } else {
        m_stream->Update(steps);
    }
}

zTextureStream* OpenTextureStream(zTexture* texture, const char* path) {
    texture->SetStream(nullptr);
    zTextureStreamInterface* stream = new (std::nothrow) zTextureStreamInterface(texture);
    if (!stream) {
        GetLog() << "[!] Failed to allocate texture stream interface.\n";
        return nullptr;
    }
    GetLog() << "Open texture stream interface: '" << path << "'\n";
    if (stream->Open(path)) return stream;
    GetLog() << "[!] Failed to open content stream.\n";
    texture->SetStream(stream);
    return nullptr;
}

void InstallTextureStreams() {
    SetTextureStreamOpener(&OpenTextureStream);
}
