#include "render/material_physic.h"

#include <new>

#include "core/log.h"
#include "markup/meta_tag.h"

namespace {

struct PhysicValue {
    const char* name;
    f32 zPhysicMaterial::*field;
};

// Read by any of these names; written in this order.
const PhysicValue PhysicValues[] = {
    {"Mass", &zPhysicMaterial::mass},
    {"StaticFriction", &zPhysicMaterial::staticFriction},
    {"DynamicFriction", &zPhysicMaterial::dynamicFriction},
    {"Restitution", &zPhysicMaterial::restitution},
    {"Damping", &zPhysicMaterial::damping},
    {"Stiffness", &zPhysicMaterial::stiffness},
    {"Torsion", &zPhysicMaterial::torsion},
};

// Friction and restitution are always written; the others only when not 0.
bool AlwaysWritten(f32 zPhysicMaterial::*field) {
    return field == &zPhysicMaterial::staticFriction || field == &zPhysicMaterial::dynamicFriction ||
           field == &zPhysicMaterial::restitution;
}


} // namespace

bool zPhysicMaterial::Parse(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "PhysicMaterial") {
        GetLog() << "[!] Could not parse physic material. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        for (const PhysicValue& value : PhysicValues) {
            if (child->GetName() == value.name) {
                child->GetValue().GetNumber(this->*value.field);
                break;
            }
        }
    }
    return true;
}

zMetaTag* zPhysicMaterial::Serialize() const {
    zMetaTag* tag = new (std::nothrow) zMetaTag("PhysicMaterial");
    if (!tag) {
        GetLog() << "[!] Could not serialize physic material. Failed to create root tag.\n";
        return nullptr;
    }
    for (const PhysicValue& value : PhysicValues) {
        const f32 number = this->*value.field;
        if (number != 0.0f || AlwaysWritten(value.field))
            tag->AddChild(new (std::nothrow) zMetaTag(value.name, number));
    }
    return tag;
}
