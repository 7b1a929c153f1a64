// Test natives over one physics world: Step(n) runs n fixed steps of the
// world set with SetWorld, Gap(p, q) gives the distance of two Vectors with
// two decimals.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "physics/physic_world.h"
#include "script/script_api.h"

namespace physics_probe {

inline zPhysicWorld*& World() {
    static zPhysicWorld* world = nullptr;
    return world;
}

inline SQInteger Step(HSQUIRRELVM vm) {
    SQInteger count = 0;
    sq_getinteger(vm, 2, &count);
    for (SQInteger i = 0; i < count && World(); ++i)
        World()->Step(World()->GetFixedTimeStep());
    return 0;
}

inline SQInteger Gap(HSQUIRRELVM vm) {
    float p[4], q[4];
    if (!GetVectorArgument(vm, 2, p) || !GetVectorArgument(vm, 3, q))
        return sq_throwerror(vm, "not a Vector");
    const double dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", std::sqrt(dx * dx + dy * dy + dz * dz));
    sq_pushstring(vm, text, -1);
    return 1;
}

inline void Register(HSQUIRRELVM vm, zPhysicWorld* world) {
    World() = world;
    ASSERT_TRUE(RegisterScriptFunction(vm, Step, "Step", ".i"));
    ASSERT_TRUE(RegisterScriptFunction(vm, Gap, "Gap", ".xx"));
}

} // namespace physics_probe
