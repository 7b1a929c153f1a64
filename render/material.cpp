#include "render/material.h"

#include <cassert>

#include "render/renderer.h"

zMaterial::zMaterial(zRenderHost* engine) : m_engine(engine) {
    assert(engine);
}

zMaterial::~zMaterial() {
    if (zRenderer* renderer = m_engine->GetRenderer()) renderer->FreeMaterial(this);
}

bool zMaterial::Setup() {
    zRenderer* renderer = m_engine->GetRenderer();
    return renderer && renderer->SetupMaterial(this);
}
