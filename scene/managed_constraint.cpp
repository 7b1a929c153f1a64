#include "scene/managed_constraint.h"

#include <new>

#include "core/log.h"
#include "markup/meta_tag.h"
#include "physics/physic_world.h"
#include "scene/managed_tags.h"
#include "scene/scene.h"

zMConstraint::zMConstraint(zScene* scene)
    : zMItem(scene, ManagedKindConstraint), zItem(scene ? scene->GetEngine() : nullptr) {
    SetNode(this);
    zPhysicWorld* world = scene ? scene->GetPhysicWorld() : nullptr;
    if (world) m_constraint.reset(world->CreateConstraint());
}

zMConstraint::~zMConstraint() {
    Teardown();
    // Out of the world before the bodies it holds may go.
    m_constraint.reset();
}

void zMConstraint::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

void zMConstraint::Setup() {
    if (m_constraint) m_constraint->Setup();
}

void zMConstraint::SetupConstraint() {
    Setup();
}

bool zMConstraint::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "MConstraint") {
        GetLog() << "[!] Could not parse managed constraint. Root tag id is incorrect ("
                 << (tag ? TextOf(tag->GetName()) : "") << ").\n";
        return false;
    }
    // A failed part gives the uid back, as for every managed kind.
    const i32 creationUid = GetUid();
    bool complete = true;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        if (child->GetName() == "MItem") {
            complete = zMItem::ParseTag(document, child) && complete;
        } else if (child->GetName() == "Constraint" && m_constraint) {
            complete = m_constraint->ParseTag(child) && complete;
        }
    }
    if (!complete) SetUid(creationUid);
    return complete;
}

zMetaTag* zMConstraint::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("MConstraint"));
    bool complete = root != nullptr && AttachTag(root.get(), zMItem::SerializeTag());
    if (complete && m_constraint) complete = AttachTag(root.get(), m_constraint->SerializeTag());
    if (!complete) {
        GetLog() << "[!] Could not create managed constraint tag to serialize.\n";
        return nullptr;
    }
    return root.release();
}
