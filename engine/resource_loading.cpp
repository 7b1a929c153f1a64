// The engine's loaders: the common load road shared by geometries, textures,
// pictures and particle models, the sound loader, texture content and
// streams, and the load-context stack.
#include <memory>
#include <new>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/wav_reader.h"
#include "core/alloc_category.h"
#include "core/log.h"
#include "engine/engine.h"
#include "engine/resource_cache.h"
#include "io/file_road.h"
#include "io/memory_fs.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/particle_model.h"
#include "render/renderer.h"
#include "render/resource_event.h"
#include "render/texture.h"

namespace {

// The file exists in the file cache, as named, or under a search path.
bool FileIsThere(const zString& name) {
    if (name.IsEmpty()) return false;
    if (GetMemoryFileSystem()->Exists(name.CStr()) || FileSystemExists(name.CStr())) return true;
    zString probe = name;
    return FileSystemExistsInSearchPaths(probe);
}

template <typename T> T* FindByName(zResourceCache::SharedList<T>& list, const zString& name) {
    for (auto* node = list.GetHead(); node; node = node->next) {
        T* resource = node->value.Get();
        if (resource && resource->GetName() == name) return resource;
    }
    return nullptr;
}

void SetRecord(zResourceEventRecord& record, zGeometry* geometry) {
    record.geometry = geometry;
}
void SetRecord(zResourceEventRecord& record, zTexture* texture) {
    record.texture = texture;
}
void SetRecord(zResourceEventRecord& record, zPicture* picture) {
    record.picture = picture;
}
void SetRecord(zResourceEventRecord& record, zParticleModel* model) {
    record.particleModel = model;
}

} // namespace

template <typename T, typename Create>
T* zEngine::LoadResource(const char* path, zList<zSharedPtr<T>>* list, bool tracksMissing,
                         MissingPathCallback missing, Create create, bool& created) {
    created = false;
    if (!path) return nullptr;
    zString name(path);
    // An empty path names a file that is not there: the load goes on and
    // gives an empty resource. Only running out of memory gives null.
    if (*path && !name.NormalizePath()) return nullptr;
    if (list) {
        if (T* cached = FindByName(*list, name)) return cached;
    }
    if (tracksMissing && !FileIsThere(name)) {
        RaiseMissingResourceFlag();
        if (missing) {
            missing(name);
            FileSystemStripSearchPath(name);
            if (list) {
                if (T* cached = FindByName(*list, name)) return cached;
            }
        }
    }
    m_currentEventInterface->OnLoadBegin();
    SendEvent(ResourceEventCreateBegin, nullptr);
    T* resource = create(name);
    if (resource) {
        zResourceEventRecord record;
        SetRecord(record, resource);
        SendEvent(ResourceEventCreated, &record);
        if (list && !zResourceCache::AddEntry(*list, resource)) {
            GetLog() << "[!] Could not add '" << name << "' to the resource cache.\n";
        }
        created = true;
    }
    zString status;
    status.Format("Loading resource '%s'...", name.CStr());
    m_currentEventInterface->OnLoadStatus(status.CStr(), -1.0f);
    m_currentEventInterface->OnLoadEnd();
    return resource;
}

zGeometry* zEngine::LoadGeometry(const char* path, bool secondList, bool bypassCache) {
    zScopedAllocCategory category(AllocCategoryScene);
    auto* list = bypassCache ? nullptr : &m_currentCache->GetGeometryList(secondList);
    bool created = false;
    zGeometry* geometry = LoadResource<zGeometry>(
        path, list, true, missingGeometryCallback,
        [this](const zString& name) -> zGeometry* {
            auto* made = new (std::nothrow) zGeometry(this);
            if (!made) return nullptr;
            PushLoadContextGeometry(made);
            made->SetName(name);
            made->LoadFromFile(name.CStr());
            PopLoadContext();
            return made;
        },
        created);
    if (geometry && created) {
        if (m_setupResources && !secondList) geometry->Setup();
        if (geometryLoadedCallback) geometryLoadedCallback(geometry);
    }
    return geometry;
}

zSharedPtr<zTexture> zEngine::LoadSharedTexture(const char* path, bool bypassCache) {
    return zSharedPtr<zTexture>(LoadTexture(path, false, bypassCache));
}

zGeometry* zEngine::LoadProxyGeometry(const char* path) { return LoadGeometry(path, false, false); }

zTexture* zEngine::LoadTexture(const char* path, bool secondList, bool bypassCache) {
    zScopedAllocCategory category(AllocCategoryScene);
    auto* list = bypassCache ? nullptr : &m_currentCache->GetTextureList(secondList);
    bool created = false;
    zTexture* texture = LoadResource<zTexture>(
        path, list, true, missingTextureCallback,
        [this](const zString& name) -> zTexture* {
            auto* made = new (std::nothrow) zTexture(this);
            if (made) SetTextureContent(made, name.CStr());
            return made;
        },
        created);
    if (texture && created) {
        if (m_setupResources && !secondList) texture->Setup();
        if (textureLoadedCallback) textureLoadedCallback(texture);
    }
    return texture;
}

zPicture* zEngine::LoadPicture(const char* path, bool bypassCache) {
    zScopedAllocCategory category(AllocCategoryPicture);
    auto* list = bypassCache ? nullptr : &m_currentCache->GetPictureCache();
    bool created = false;
    zPicture* picture = LoadResource<zPicture>(
        path, list, false, nullptr,
        [](const zString& name) -> zPicture* {
            auto* made = new (std::nothrow) zPicture;
            if (!made) return nullptr;
            made->Load(name.CStr());
            made->SetName(name);
            return made;
        },
        created);
    if (picture && created) {
        if (pictureLoadedCallback) pictureLoadedCallback(picture);
        if (picture->GetPixels()) picture->Convert(PixelFormatDefault);
    }
    return picture;
}

zParticleModel* zEngine::LoadParticleModel(const char* path, bool bypassCache) {
    zScopedAllocCategory category(AllocCategoryScene);
    auto* list = bypassCache ? nullptr : &m_currentCache->GetParticleModelList();
    bool created = false;
    return LoadResource<zParticleModel>(
        path, list, false, nullptr,
        [this](const zString& name) -> zParticleModel* {
            auto* made = new (std::nothrow) zParticleModel(this, this);
            if (!made) return nullptr;
            made->SetName(name);
            // Unlike geometries and textures, the model's material is not set
            // up here; whoever draws the particles does that.
            made->LoadFromFile(name.CStr());
            return made;
        },
        created);
}

zSound* zEngine::NewSound(const char* name) {
    std::unique_ptr<zSound> sound(new (std::nothrow) zSound(this, name));
    zSound* made = sound.get();
    if (!sound || !m_currentCache->GetSoundList().Add(std::move(sound))) {
        GetLog() << "[!] Could not allocate new sound object.\n";
        return nullptr;
    }
    return made;
}

zSound* zEngine::LoadSound(const char* path) {
    if (!path) return nullptr;
    zScopedAllocCategory category(AllocCategorySound);
    zString name(path);
    if (*path && !name.NormalizePath()) return nullptr;
    zString source(path);
    zSound* sound = m_currentCache->FindSound(name);
    m_currentEventInterface->OnLoadBegin();
    if (!sound) {
        bool there = FileIsThere(name);
        if (!there && missingSoundCallback) {
            RaiseMissingResourceFlag();
            missingSoundCallback(name);
            FileSystemStripSearchPath(name);
            source = name;
            sound = m_currentCache->FindSound(name);
            there = FileIsThere(name);
        } else if (!there) {
            RaiseMissingResourceFlag();
        }
        if (!sound) {
            sound = NewSound(name);
            if (!sound) {
                GetLog() << "Could not allocate new sound.\n";
            } else {
                GetLog() << "Loading sound '" << name << "'.\n";
                if (!there) {
                    GetLog() << "[!] Failed to locate '" << name << "', could not load sound.\n";
                } else {
                    sound->path = source;
                    if (DecodeWAVSample(source.CStr(), *sound)) {
                        if (soundLoadedCallback) soundLoadedCallback(sound);
                    } else {
                        GetLog() << "[!] No sample decoder for '" << source << "'!\n";
                        GetLog() << "[!] Failed to load sound from '" << source << "'.\n";
                    }
                }
                if (m_setupResources) {
                    m_currentEventInterface->OnSetupStatus("Sound Setup");
                    if (m_mixer) m_mixer->CreateSoundData(sound);
                }
            }
        }
    }
    zString status;
    status.Format("Loading sound '%s'...", path);
    m_currentEventInterface->OnLoadStatus(status.CStr(), -1.0f);
    m_currentEventInterface->OnLoadEnd();
    return sound;
}

bool zEngine::SetTextureContent(zTexture* texture, const char* path) {
    if (!texture || !path) {
        GetLog() << "[!] No texture or path to set texture content.\n";
        return false;
    }
    texture->SetName(path);
    bool loaded;
    if (GetFileExtension(path) == "mpg") {
        loaded = texture->OpenStream(path);
    } else {
        zScopedAllocCategory category(AllocCategoryPicture);
        loaded = texture->Load(path);
        texture->SetName(path);
    }
    if (loaded) return true;
    if (m_renderer && m_renderer->LoadTextureFromFile(texture, path)) return true;
    GetLog() << "[!] Failed to set texture content from '" << path << "'.\n";
    return false;
}

void zEngine::UpdateTextureStreams(i32 dt) {
    auto& textures = m_currentCache->GetTextureList(false);
    for (auto* node = textures.GetHead(); node; node = node->next) {
        if (zTexture* texture = node->value.Get()) texture->UpdateStream(dt);
    }
}

void zEngine::PushLoadContext() {
    ++m_loadContextIndex;
    if (m_loadContextIndex >= i32(LoadContextDepth)) GetLog() << "[!] Load context stack overflow.\n";
    GetLoadContext() = zLoadContext();
}

void zEngine::PushLoadContextGeometry(zGeometry* geometry) {
    PushLoadContext();
    GetLoadContext().geometry = geometry;
}

void zEngine::PushLoadContextSecond(void* second) {
    PushLoadContext();
    GetLoadContext().second = second;
}

void zEngine::PushLoadContextObject(zItem* object) {
    PushLoadContext();
    GetLoadContext().object = object;
}

void zEngine::PopLoadContext() {
    --m_loadContextIndex;
    if (m_loadContextIndex < 0) {
        GetLog() << "[!] Load context stack underflow.\n";
        // Staying at the base keeps the next push off the base context.
        m_loadContextIndex = 0;
    }
}

zLoadContext& zEngine::GetLoadContext() {
    if (m_loadContextIndex < 0 || m_loadContextIndex >= i32(LoadContextDepth)) {
        return m_loadContexts[LoadContextDepth];
    }
    return m_loadContexts[m_loadContextIndex];
}

void zEngine::SetLoadContextGeometry(zGeometry* geometry) {
    GetLoadContext() = zLoadContext();
    GetLoadContext().geometry = geometry;
}

void zEngine::SetLoadContextSecond(void* second) {
    GetLoadContext() = zLoadContext();
    GetLoadContext().second = second;
}

void zEngine::SetLoadContextObject(zItem* object) {
    GetLoadContext() = zLoadContext();
    GetLoadContext().object = object;
}
