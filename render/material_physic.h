// zPhysicMaterial: the physical part of a surface (mass, friction,
// restitution, damping, stiffness, torsion), a base of zMaterial, read and
// written as the "PhysicMaterial" tag. The physics world reads these values
// when it builds bodies; nothing in the render folders uses them.
#pragma once

#include "core/types.h"

class zMetaTag;

class zPhysicMaterial {
  public:
    // False (logged) for a tag of another name. Children other than the
    // seven value names are ignored; ints are taken as floats.
    bool Parse(const zMetaTag* tag);
    // A new "PhysicMaterial" tag the caller owns, or null (logged).
    zMetaTag* Serialize() const;

    f32 mass = 0.0f;
    f32 dynamicFriction = 0.5f;
    f32 staticFriction = 0.5f;
    f32 restitution = 0.0f;
    f32 damping = 0.0f;
    f32 stiffness = 0.0f;
    f32 torsion = 0.0f;
};
