#include "physics/physic_world.h"

#include <cmath>
#include <new>

#include "core/log.h"

void zPhysicWorldCallback::OnTick(f32, bool) {}

zPhysicWorld::zPhysicWorld(zEngine* engine) : m_engine(engine) {}

zPhysicWorld::~zPhysicWorld() {
    m_listeners.Clear();
}

void zPhysicWorld::DebugDraw(u32) {}

bool zPhysicWorld::SetFixedTimeStep(f32 step) {
    if (!std::isfinite(step) || !(step > 0.0f)) {
        GetLog() << "[*] Invalid physics time step " << step << "; keeping " << m_fixedTimeStep << ".\n";
        return false;
    }
    m_fixedTimeStep = step;
    return true;
}

void zPhysicWorld::ForEachContact(const std::function<void(const zPhysicContact&)>& visit) {
    for (u32 index = 0; index < GetContactCount(); ++index) {
        zPhysicContact contact;
        if (GetContact(index, contact)) visit(contact);
    }
}

bool zPhysicWorld::RunAfterStep(std::function<void()> work) {
    if (!work) return true;
    if (!m_stepping) {
        work();
        return true;
    }
    std::unique_ptr<std::function<void()>> queued(new (std::nothrow) std::function<void()>(std::move(work)));
    if (!queued || !m_afterStep.Add(std::move(queued))) {
        GetLog() << "[!] Failed to queue physics work until the end of the step.\n";
        return false;
    }
    return true;
}

void zPhysicWorld::EndStep() {
    m_stepping = false;
    while (auto* node = m_afterStep.GetHead()) {
        std::unique_ptr<std::function<void()>> work = m_afterStep.Take(node);
        (*work)();
    }
}

void zPhysicWorld::RaiseTick(f32 timeStep, bool preTick) {
    if (m_callback) m_callback->OnTick(timeStep, preTick);
}
