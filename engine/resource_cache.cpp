#include "engine/resource_cache.h"

#include <cassert>
#include <initializer_list>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "engine/engine.h"
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

} // namespace

zResourceCache::zResourceCache(zEngine* engine) : m_engine(engine) {
    assert(engine);
}

zResourceCache::~zResourceCache() {
    Clear();
}

zTexture* zResourceCache::FindTexture(SharedList<zTexture>& list, const char* name) {
    for (auto* node = list.GetHead(); node; node = node->next) {
        zTexture* texture = node->value.Get();
        if (texture && texture->GetName() == name) return texture;
    }
    return nullptr;
}

bool zResourceCache::RemoveTexture(zTexture* texture) {
    if (!texture) return false;
    for (SharedList<zTexture>* list : {&m_textures, &m_secondTextures}) {
        for (auto* node = list->GetHead(); node; node = node->next) {
            if (node->value.Get() != texture) continue;
            list->Take(node);
            return true;
        }
    }
    return false;
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
        if (zMixer* mixer = m_engine->GetMixer()) mixer->FreeSoundData(sound.get());
        m_engine->SendEvent(ResourceEventDestroyed, &record);
    }
}

u32 zResourceCache::PurgeUnused() {
    return PurgeList(m_geometries) + PurgeList(m_secondGeometries) + PurgeList(m_textures) +
           PurgeList(m_secondTextures) + PurgeList(m_pictures) + PurgeList(m_particleModels);
}
