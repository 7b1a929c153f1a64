#include "fuzz/render_stand_in.h"

#include <cstring>

#include "picture/pixel_format.h"
#include "render/geometry_file.h"

zFuzzRenderHost::zFuzzRenderHost() {
    m_default.reset(new zNull_Renderer(this, false));
    m_current = m_default.get();
    for (const char* name : FuzzTextureNames) {
        zSharedPtr<zTexture> texture(new zTexture(this));
        texture->SetName(name);
        if (texture->Allocate(2, 2, PixelFormatRGBA8)) {
            std::memset(texture->GetPixels(), 0xff, 16);
            if (std::strcmp(name, "alpha.tga") == 0) texture->GetPixels()[7] = 128;
        }
        m_textures[name] = texture;
    }
}

zFuzzRenderHost::~zFuzzRenderHost() {
    // Cached proxies may hold each other: drop those links before the cache.
    for (auto& entry : m_geometries) {
        entry.second->SetLodProxy(nullptr);
        entry.second->SetShadowProxy(nullptr);
    }
    m_geometries.clear();
    m_textures.clear();
    // Resources release their renderer data through the current renderer.
    m_current = nullptr;
    m_default.reset();
}

zSharedPtr<zTexture> zFuzzRenderHost::LoadSharedTexture(const char* path, bool) {
    auto found = m_textures.find(path ? path : "");
    return found == m_textures.end() ? zSharedPtr<zTexture>() : found->second;
}

zGeometry* zFuzzRenderHost::LoadProxyGeometry(const char* path) {
    auto cached = m_geometries.find(path);
    if (cached != m_geometries.end()) return cached->second.Get();
    auto file = m_files.find(path);
    if (file == m_files.end()) return nullptr;
    zSharedPtr<zGeometry> geometry(new zGeometry(this));
    geometry->SetName(path);
    LoadGeometryFromBuffer(*geometry, file->second.data(), file->second.size());
    m_geometries[path] = geometry;
    return geometry.Get();
}
