#include "render/geometry.h"

#include <cassert>
#include <new>

#include "core/log.h"
#include "core/profiler_sections.h"
#include "markup/meta_tag.h"
#include "render/renderer.h"
#include "render/resource_event.h"

zGeometry::zGeometry(zRenderHost* engine) : m_engine(engine) {
    assert(engine);
}

zGeometry::~zGeometry() {
    zResourceEventRecord record;
    record.geometry = this;
    m_engine->SendEvent(ResourceEventDestroyBegin, &record);
    Free();
    m_engine->SendEvent(ResourceEventDestroyed, &record);
}

bool zGeometry::ParseRootTag(zMetafile&, zMetaTag* root) {
    if (!root || root->GetName() != "Geometry") {
        GetLog() << "[!] Could not parse geometry. Root tag id is incorrect ("
                 << (root ? root->GetName().CStr() : "") << ").\n";
        return false;
    }
    return true;
}

zMetaTag* zGeometry::BuildRootTag(zMetafile&) {
    zMetaTag* root = new (std::nothrow) zMetaTag("Geometry");
    if (!root) GetLog() << "[!] Could not create geometry root tag.\n";
    return root;
}

bool zGeometry::Setup() {
    BeginProfilerSection("Geometry Setup");
    zRenderer* renderer = m_engine->GetRenderer();
    const bool done = renderer && renderer->SetupGeometry(this);
    EndProfilerSection("Geometry Setup");
    return done;
}

void zGeometry::Free() {
    if (zRenderer* renderer = m_engine->GetRenderer()) renderer->FreeGeometry(this);
}
