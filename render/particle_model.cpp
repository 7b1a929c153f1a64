#include "render/particle_model.h"

#include <cassert>
#include <new>

#include "core/log.h"
#include "markup/meta_tag.h"

zParticleModel::zParticleModel(zRenderHost* engine) : m_engine(engine) {
    assert(engine);
}

bool zParticleModel::ParseRootTag(zMetafile&, zMetaTag* root) {
    if (!root || root->GetName() != "ParticleModel") {
        GetLog() << "[!] Could not parse particle model. Root tag id is incorrect ("
                 << (root ? root->GetName().CStr() : "") << ").\n";
        return false;
    }
    return true;
}

zMetaTag* zParticleModel::BuildRootTag(zMetafile&) {
    zMetaTag* root = new (std::nothrow) zMetaTag("ParticleModel");
    if (!root) GetLog() << "[!] Could not create particle model root tag.\n";
    return root;
}
