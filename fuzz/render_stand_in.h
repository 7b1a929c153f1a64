// What the render resources ask of the engine, for the geometry and material
// targets: a render host with the null renderer current, a texture cache of
// a few fixed 2 x 2 textures, and a geometry cache that reads proxies from
// files the target hands it. Made afresh for every input, so that nothing a
// material does to a texture (the normal-map flag) reaches the next input.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "render/geometry.h"
#include "render/material.h"
#include "render/null_renderer.h"
#include "render/render_host.h"

// The cached textures: opaque, with a translucent pixel, and one of each for
// the other stage kinds a file may name.
constexpr const char* FuzzTextureNames[] = {"opaque.tga", "alpha.tga", "normal.tga", "light.tga"};

class zFuzzRenderHost : public zRenderHost, public zMaterialHost, public zGeometryHost {
  public:
    zFuzzRenderHost();
    ~zFuzzRenderHost();
    zFuzzRenderHost(const zFuzzRenderHost&) = delete;
    zFuzzRenderHost& operator=(const zFuzzRenderHost&) = delete;

    // The geometry file a proxy of that path reads.
    void AddGeometryFile(const std::string& path, const std::string& bytes) { m_files[path] = bytes; }

    zRenderer* GetRenderer() const override { return m_current; }
    zRenderer* GetDefaultRenderer() const override { return m_default.get(); }
    void SetRenderer(zRenderer* renderer) override { m_current = renderer; }
    void SendEvent(u32 /*code*/, void* /*payload*/) override {}
    u32 GetStateWord() const override { return 0; }

    zSharedPtr<zTexture> LoadSharedTexture(const char* path, bool bypassCache) override;
    i32 GetDebugChannel() const override { return -1; }

    // Read once per path (named by its path, so that a proxy naming a file
    // being read is refused); null for a path without a file.
    zGeometry* LoadProxyGeometry(const char* path) override;

  private:
    zRenderer* m_current = nullptr;
    std::unique_ptr<zNull_Renderer> m_default;
    std::map<std::string, zSharedPtr<zTexture>> m_textures;
    std::map<std::string, std::string> m_files;
    std::map<std::string, zSharedPtr<zGeometry>> m_geometries;
};
