// The renderer settings block of engine.cfg, read into and written from the
// current renderer's two flag words.
#include <cstring>
#include <memory>
#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/metafile.h"
#include "markup/reader.h"
#include "markup/variant.h"
#include "markup/writer.h"
#include "render/renderer.h"

namespace {

constexpr const char* DebugChannelKey = "DebugChannel";
constexpr const char* DebugChannelPath = "DebugChannel;";
constexpr i32 NoDebugChannel = -1;

// The order the settings are written in. The first sixteen are the order
// older players wrote; they left out the last three, so a save and reload
// lost those bits.
const char* const SaveOrder[] = {
    "UseFloatTarget",
    "Antialiasing",
    "DisableShader",
    "TextureForceSquare",
    "TextureForceTrueColor",
    "TextureNoCompression",
    "TextureNoDownscale",
    "Bloom",
    "Exposure",
    "MotionBlur",
    "ShadowMapping",
    "LinearShadow",
    "DepthOfField",
    "AmbientOcclusion",
    "FramebufferAsTexture",
    "LowResolutionFx",
    "EnableDebug",
    "DisableMultipleRenderTarget",
    "OptimizeVideoRam",
};

const zRendererFlagKey* FindFlagKey(const char* key) {
    for (u32 i = 0; i < RendererFlagKeyCount; ++i) {
        if (std::strcmp(RendererFlagKeys[i].key, key) == 0) return &RendererFlagKeys[i];
    }
    return nullptr;
}

bool ReadFlag(const zRenderer& renderer, const zRendererFlagKey& key) {
    return key.systemWord ? renderer.GetSystemWord(key.bit) : renderer.GetControlWord(key.bit);
}

} // namespace

bool zEngine::LoadRenderSettings(const char* path, const zMetafile* metafile) {
    std::unique_ptr<zMetafile> loaded;
    if (!metafile) {
        loaded.reset(new (std::nothrow) zMetafile());
        if (!loaded || !path || !LoadMetafileFromFile(path, *loaded)) return false;
        metafile = loaded.get();
    }
    if (m_renderer) {
        for (u32 i = 0; i < RendererFlagKeyCount; ++i) {
            const zRendererFlagKey& key = RendererFlagKeys[i];
            zString path(key.key);
            path.Append(";");
            bool on = metafile->GetBool(path, false);
            if (key.systemWord) {
                m_renderer->SetSystemWord(key.bit, on);
            } else {
                m_renderer->SetControlWord(key.bit, on);
            }
        }
    }
    SetDebugChannel(metafile->GetInt(DebugChannelPath, NoDebugChannel));
    return true;
}

bool zEngine::SaveRenderSettings(const char* path, zMetafile* metafile) {
    std::unique_ptr<zMetafile> built;
    zMetafile* target = metafile;
    if (!target) {
        built.reset(new (std::nothrow) zMetafile());
        if (!built) return false;
        target = built.get();
    }
    static_assert(sizeof(SaveOrder) / sizeof(SaveOrder[0]) == 19, "every settings key is written");
    for (const char* name : SaveOrder) {
        const zRendererFlagKey* key = FindFlagKey(name);
        bool on = key && m_renderer && ReadFlag(*m_renderer, *key);
        zMetaTag* tag = new (std::nothrow) zMetaTag(name, on);
        if (!tag) {
            GetLog() << "[!] Failed to allocate render settings tag '" << name << "'.\n";
            return false;
        }
        target->AddRoot(tag);
    }
    zMetaTag* channel = new (std::nothrow) zMetaTag(DebugChannelKey, m_debugChannel);
    if (!channel) {
        GetLog() << "[!] Failed to allocate render settings tag '" << DebugChannelKey << "'.\n";
        return false;
    }
    target->AddRoot(channel);
    if (built) return path && SaveMetafile(path, *built);
    return true;
}
