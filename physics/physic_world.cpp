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

void zPhysicWorld::ForEachContact(const ContactVisitor& visit, const ContactFilter& wanted) {
    for (u32 index = 0; index < GetContactCount(); ++index) {
        zPhysicContact contact;
        if (wanted && (!GetContactItems(index, contact) || !wanted(contact))) continue;
        if (GetContact(index, contact)) visit(contact);
    }
}

bool zPhysicWorld::RunAfterStep(std::function<void()> work, const void* owner) {
    if (!work) return true;
    if (!m_stepping) {
        work();
        return true;
    }
    std::unique_ptr<QueuedWork> queued(new (std::nothrow) QueuedWork{owner, std::move(work)});
    if (!queued || !m_afterStep.Add(std::move(queued))) {
        GetLog() << "[!] Failed to queue physics work until the end of the step.\n";
        return false;
    }
    return true;
}

void zPhysicWorld::CancelAfterStep(const void* owner) {
    if (!owner) return;
    auto* node = m_afterStep.GetHead();
    while (node) {
        auto* next = node->next;
        if (node->value->owner == owner) std::unique_ptr<QueuedWork> dropped = m_afterStep.Take(node);
        node = next;
    }
}

void zPhysicWorld::EndStep() {
    m_stepping = false;
    while (auto* node = m_afterStep.GetHead()) {
        std::unique_ptr<QueuedWork> queued = m_afterStep.Take(node);
        queued->work();
    }
}

void zPhysicWorld::RaiseTick(f32 timeStep, bool preTick) {
    if (m_callback) m_callback->OnTick(timeStep, preTick);
}
