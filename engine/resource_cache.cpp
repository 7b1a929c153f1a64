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

template <typename T> void ReleaseAll(zList<zSharedPtr<T>*>& list) {
    // Unlink first: a resource's destructor may reach the cache again.
    while (auto* node = list.GetHead()) {
        zSharedPtr<T>* entry = node->value;
        delete list.RemoveNode(node);
        delete entry;
    }
}

template <typename T> u32 PurgeList(zList<zSharedPtr<T>*>& list) {
    u32 removed = 0;
    auto* node = list.GetHead();
    while (node) {
        auto* next = node->next;
        zSharedPtr<T>* entry = node->value;
        if (!*entry || entry->Get()->GetRefCount() == 1) {
            delete list.RemoveNode(node);
            delete entry;
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
        zTexture* texture = node->value->Get();
        if (texture && texture->GetName() == name) return texture;
    }
    return nullptr;
}

bool zResourceCache::RemoveTexture(zTexture* texture) {
    if (!texture) return false;
    for (SharedList<zTexture>* list : {&m_textures, &m_secondTextures}) {
        for (auto* node = list->GetHead(); node; node = node->next) {
            if (node->value->Get() != texture) continue;
            zSharedPtr<zTexture>* entry = node->value;
            delete list->RemoveNode(node);
            delete entry;
            return true;
        }
    }
    return false;
}

zSound* zResourceCache::FindSound(const char* name) const {
    for (auto* node = m_sounds.GetHead(); node; node = node->next) {
        if (node->value->name == name) return node->value;
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
        zSound* sound = node->value;
        delete m_sounds.RemoveNode(node);
        zResourceEventRecord record;
        record.sound = sound;
        m_engine->SendEvent(ResourceEventDestroyBegin, &record);
        if (zMixer* mixer = m_engine->GetMixer()) mixer->FreeSoundData(sound);
        m_engine->SendEvent(ResourceEventDestroyed, &record);
        delete sound;
    }
}

u32 zResourceCache::PurgeUnused() {
    return PurgeList(m_geometries) + PurgeList(m_secondGeometries) + PurgeList(m_textures) +
           PurgeList(m_secondTextures) + PurgeList(m_pictures) + PurgeList(m_particleModels);
}
