// The Constraint group: point constraints between the physics bodies of two
// items. A constraint handle (kind 38) holds the managed constraint; its
// physics constraint joins bodies of the scene's own physics world only, so
// an item of another scene (another world) is refused.
#include "core/matrix.h"
#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "scene/managed_constraint.h"
#include "scene/scene.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/handle_args.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/script_api_groups.h"

namespace {

constexpr const char* NoPhysicsComponent = "Item has no physics component.";

zMConstraint* ConstraintArgument(ScriptArgs& args) {
    return ManagedArgument<zMConstraint>(args, 1, ScriptKindPhysicConstraint);
}

// The physics side of the constraint argument; a constraint made without a
// physics world has none, and that is raised.
zPhysicConstraint* PhysicConstraintArgument(ScriptArgs& args) {
    zMConstraint* constraint = ConstraintArgument(args);
    if (!constraint) return nullptr;
    if (!constraint->GetConstraint()) args.Error("Constraint has no physics component.");
    return constraint->GetConstraint();
}

// The body of the item at the position for a constraint of world: "Item has
// no physics component." without one, and a refusal for another world's.
zPhysicItem* BodyArgument(ScriptArgs& args, int position, const zPhysicWorld* world) {
    zMItem* item = ItemFamilyArgument(args, position);
    if (!args) return nullptr;
    zPhysicItem* body = item->GetPhysicItem();
    if (!body) {
        args.Error(NoPhysicsComponent);
        return nullptr;
    }
    if (body->GetWorld() != world) {
        args.Error("Item is not in the constraint's physics world.");
        return nullptr;
    }
    return body;
}

SQInteger SceneAddPointConstraint(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zScene* scene = args.Object<zScene>(1, ScriptKindScene);
    const char* name = args.String(2);
    zMItem* itemA = ItemFamilyArgument(args, 3);
    zMItem* itemB = ItemFamilyArgument(args, 4);
    zVector pivotA, pivotB;
    if (!ReadPointArgument(args, 5, pivotA) || !ReadPointArgument(args, 6, pivotB)) return args.Fail();
    zMConstraint* constraint = scene->AddPointConstraint(name);
    if (!constraint) return args.Error("Failed to crate constraint.");
    // The constraint stays in the scene when an item has no body (in a scene
    // without a physics world neither has one, nor has the constraint).
    if (!itemA->GetPhysicItem() || !itemB->GetPhysicItem()) return args.Error(NoPhysicsComponent);
    zPhysicConstraint* physics = constraint->GetConstraint();
    if (!physics) return args.Error("Failed to crate constraint.");
    zPhysicItem* bodyA = BodyArgument(args, 3, physics->GetWorld());
    zPhysicItem* bodyB = BodyArgument(args, 4, physics->GetWorld());
    if (!args) return args.Fail();
    physics->SetItemA(bodyA);
    physics->SetItemB(bodyB);
    physics->SetPivotA(zMatrix4::Translation(pivotA));
    physics->SetPivotB(zMatrix4::Translation(pivotB));
    constraint->Setup();
    return args.ReturnObject(static_cast<zMItem*>(constraint), ScriptKindPhysicConstraint);
}

// ConstraintEnable and ConstraintSetStrength read their arguments and change
// nothing: a constraint stays as it works.
template <typename Value, Value (ScriptArgs::*Read)(int)> SQInteger ConstraintIgnoreValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    ConstraintArgument(args);
    (args.*Read)(2);
    if (!args) return args.Fail();
    return args.None();
}

SQInteger ConstraintSetup(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMConstraint* constraint = ConstraintArgument(args);
    if (!args) return args.Fail();
    constraint->Setup();
    return args.None();
}

template <const zMatrix4& (zPhysicConstraint::*Get)() const> SQInteger ConstraintGetPivot(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicConstraint* physics = PhysicConstraintArgument(args);
    if (!args) return args.Fail();
    const zVector translation = (physics->*Get)().GetRow(3, false);
    return args.ReturnVector(zVector(translation.x, translation.y, translation.z, 1.0f));
}

template <const zMatrix4& (zPhysicConstraint::*Set)(const zMatrix4&)>
SQInteger ConstraintSetPivot(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicConstraint* physics = PhysicConstraintArgument(args);
    zVector point;
    if (!ReadPointArgument(args, 2, point)) return args.Fail();
    (physics->*Set)(zMatrix4::Translation(point));
    return args.None();
}

template <void (zPhysicConstraint::*Set)(zPhysicItem*)> SQInteger ConstraintSetItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicConstraint* physics = PhysicConstraintArgument(args);
    zPhysicItem* body = args ? BodyArgument(args, 2, physics->GetWorld()) : nullptr;
    if (!args) return args.Fail();
    (physics->*Set)(body);
    return args.None();
}

const ScriptNative g_constraintNatives[] = {
    {"SceneAddPointConstraint", ".xsxxxx", SceneAddPointConstraint},
    {"ConstraintEnable", ".xb", ConstraintIgnoreValue<bool, &ScriptArgs::Bool>},
    {"ConstraintSetStrength", ".xn", ConstraintIgnoreValue<SQFloat, &ScriptArgs::Number>},
    {"ConstraintSetup", ".x", ConstraintSetup},
    {"ConstraintGetPivotA", ".x", ConstraintGetPivot<&zPhysicConstraint::GetPivotA>},
    {"ConstraintGetPivotB", ".x", ConstraintGetPivot<&zPhysicConstraint::GetPivotB>},
    {"ConstraintSetPivotA", ".xx", ConstraintSetPivot<&zPhysicConstraint::SetPivotA>},
    {"ConstraintSetPivotB", ".xx", ConstraintSetPivot<&zPhysicConstraint::SetPivotB>},
    {"ConstraintSetItemA", ".xx", ConstraintSetItem<&zPhysicConstraint::SetItemA>},
    {"ConstraintSetItemB", ".xx", ConstraintSetItem<&zPhysicConstraint::SetItemB>},
};

} // namespace

bool RegisterConstraintScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_constraintNatives);
}
