// zResourceCache: the resources loaded once and shared, found by name (the
// normalised path they were loaded from). Each shared entry is a reference
// on its resource, held by value; sounds are owned outright. An entry is
// added only once per resource object.
//
// The "second" lists hold geometries and textures loaded with the second-list
// flag: they are not set up on the renderer (collision shapes, debug
// drawing, item merging load into them).
#pragma once

#include <memory>

#include "core/list.h"
#include "core/shared_object.h"
#include "core/zstring.h"

class zEngine;
class zGeometry;
class zParticleModel;
class zPicture;
class zSound;
class zTexture;

class zResourceCache {
  public:
    template <typename T> using SharedList = zList<zSharedPtr<T>>;

    explicit zResourceCache(zEngine* engine);
    // Clears the cache.
    ~zResourceCache();
    zResourceCache(const zResourceCache&) = delete;
    zResourceCache& operator=(const zResourceCache&) = delete;

    SharedList<zGeometry>& GetGeometryList(bool second) { return second ? m_secondGeometries : m_geometries; }
    SharedList<zTexture>& GetTextureList(bool second) { return second ? m_secondTextures : m_textures; }
    SharedList<zPicture>& GetPictureCache() { return m_pictures; }
    SharedList<zParticleModel>& GetParticleModelList() { return m_particleModels; }
    zList<std::unique_ptr<zSound>>& GetSoundList() { return m_sounds; }

    // The texture of that name in the list, or null.
    static zTexture* FindTexture(SharedList<zTexture>& list, const char* name);
    // Removes the texture from whichever texture list holds it and drops the
    // cache's reference; false when no list holds it.
    bool RemoveTexture(zTexture* texture);
    zSound* FindSound(const char* name) const;
    // The picture of that name in the picture cache, or null.
    zPicture* FindPicture(const char* name);
    // Removes the picture from the picture cache and drops the cache's
    // reference; false when the cache does not hold it.
    bool RemovePicture(zPicture* picture);

    // Appends a resource unless the list already holds it; false when the
    // list node cannot be allocated.
    template <typename T> static bool AddEntry(SharedList<T>& list, T* resource);

    // Releases every shared entry, then destroys every sound (events 5 and 6
    // around the mixer freeing its data).
    void Clear();
    // Removes the shared entries that only the cache holds; returns how many.
    u32 PurgeUnused();

  private:
    zEngine* m_engine;
    SharedList<zGeometry> m_geometries;
    SharedList<zGeometry> m_secondGeometries;
    SharedList<zTexture> m_textures;
    SharedList<zTexture> m_secondTextures;
    SharedList<zPicture> m_pictures;
    SharedList<zParticleModel> m_particleModels;
    zList<std::unique_ptr<zSound>> m_sounds;
};

template <typename T> bool zResourceCache::AddEntry(SharedList<T>& list, T* resource) {
    if (!resource) return false;
    for (auto* node = list.GetHead(); node; node = node->next) {
        if (node->value.Get() == resource) return true;
    }
    return list.Add(zSharedPtr<T>(resource)) != nullptr;
}
