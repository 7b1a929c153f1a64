#include "engine/resource_cache.h"

#include <cassert>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "engine/engine.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/particle_model.h"
#include "render/resource_event.h"
#include "render/texture.h"

namespace {

// Entries are taken out of the list before they are released: a resource's
// destructor may reach the cache again.
template <typename T> void ReleaseAll(zResourceCache::SharedList<T>& list) {
    while (auto* node = list.GetHead())
        list.Take(node);
}

template <typename T> u32 PurgeList(zResourceCache::SharedList<T>& list) {
    u32 removed = 0;
    auto* node = list.GetHead();
    while (node) {
        auto* next = node->next;
        if (!node->value || node->value.Get()->GetRefCount() == 1) {
            list.Take(node);
            ++removed;
        }
        node = next;
    }
    return removed;
}

template <typename T> T* FindEntry(zResourceCache::SharedList<T>& list, const char* name) {
    for (auto* node = list.GetHead(); node; node = node->next) {
        T* resource = node->value.Get();
        if (resource && resource->GetName() == name) return resource;
    }
    return nullptr;
}

template <typename T> bool RemoveEntry(zResourceCache::SharedList<T>& list, const T* resource) {
    for (auto* node = list.GetHead(); node; node = node->next) {
        if (node->value.Get() != resource) continue;
        list.Take(node);
        return true;
    }
    return false;
}

} // namespace

zResourceCache::zResourceCache(zEngine* engine) : m_engine(engine) {
    assert(engine);
}

zResourceCache::~zResourceCache() {
    Clear();
}

zTexture* zResourceCache::FindTexture(SharedList<zTexture>& list, const char* name) {
    return FindEntry(list, name);
}

bool zResourceCache::RemoveTexture(zTexture* texture) {
    if (!texture) return false;
    return RemoveEntry(m_textures, texture) || RemoveEntry(m_secondTextures, texture);
}

zPicture* zResourceCache::FindPicture(const char* name) {
    return FindEntry(m_pictures, name);
}

bool zResourceCache::RemovePicture(zPicture* picture) {
    return picture && RemoveEntry(m_pictures, picture);
}

zSound* zResourceCache::FindSound(const char* name) const {
    for (auto* node = m_sounds.GetHead(); node; node = node->next) {
        if (node->value->name == name) return node->value.get();
    }
    return nullptr;
}

void zResourceCache::Clear() {
    ReleaseAll(m_geometries);
    ReleaseAll(m_secondGeometries);
    ReleaseAll(m_textures);
    ReleaseAll(m_secondTextures);
    ReleaseAll(m_pictures);
    ReleaseAll(m_particleModels);
    while (auto* node = m_sounds.GetHead()) {
        std::unique_ptr<zSound> sound = m_sounds.Take(node);
        zResourceEventRecord record;
        record.sound = sound.get();
        m_engine->SendEvent(ResourceEventDestroyBegin, &record);
        if (zMixer* mixer = m_engine->GetMixer()) {
            mixer->ReleaseSound(sound.get());
            mixer->FreeSoundData(sound.get());
        }
        m_engine->SendEvent(ResourceEventDestroyed, &record);
    }
}

u32 zResourceCache::PurgeUnused() {
    return PurgeList(m_geometries) + PurgeList(m_secondGeometries) + PurgeList(m_textures) +
           PurgeList(m_secondTextures) + PurgeList(m_pictures) + PurgeList(m_particleModels);
}
