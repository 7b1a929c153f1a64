// The Collision shape group: an item's physics item (its masks, its
// collision activation, its list of shapes) and the shapes themselves
// (kind 37, holding the zPhysicShape). The setters only store values: a body
// is rebuilt from its shapes at the item's next physics set-up.
//
// A shape dies with its physics item, which dies with its managed item; the
// scene then invalidates the shape's handles with the item's.
#include "physics/physic_item.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/handle_args.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/item_natives.h"
#include "scriptapi/script_api_groups.h"

namespace {

zPhysicShape* ShapeArgument(ScriptArgs& args) {
    return args.Object<zPhysicShape>(1, ScriptKindCollisionShape);
}

SQInteger ReturnShape(ScriptArgs& args, zPhysicShape* shape) {
    return shape ? args.ReturnObject(shape, ScriptKindCollisionShape) : args.None();
}

template <u32 Type> SQInteger ShapeSetMeshOfType(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicShape* shape = ShapeArgument(args);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    shape->SetMesh(Type, path);
    return args.Return(true);
}

SQInteger ShapeSetSphere(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicShape* shape = ShapeArgument(args);
    const f32 radius = args.Number(2);
    if (!args) return args.Fail();
    shape->SetPrimitive(PhysicShapeSphere, zVector(radius, 0.0f, 0.0f, 1.0f));
    return args.Return(true);
}

SQInteger ShapeSetBox(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicShape* shape = ShapeArgument(args);
    zVector size;
    if (!ReadPointArgument(args, 2, size)) return args.Fail();
    shape->SetPrimitive(PhysicShapeBox, size);
    return args.Return(true);
}

// Capsules and cylinders store their two values in argument order; what each
// means is the physics world's matter.
template <u32 Type> SQInteger ShapeSetTwoValues(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicShape* shape = ShapeArgument(args);
    const f32 first = args.Number(2);
    const f32 second = args.Number(3);
    if (!args) return args.Fail();
    shape->SetPrimitive(Type, zVector(first, second, 0.0f, 1.0f));
    return args.Return(true);
}

template <zVector zPhysicShape::*Field> SQInteger ShapeSetPoint(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicShape* shape = ShapeArgument(args);
    zVector point;
    if (!ReadPointArgument(args, 2, point)) return args.Fail();
    shape->*Field = point;
    return args.None();
}

using ShapeNatives = ItemNatives<zPhysicShape, ShapeArgument>;

template <zVector zPhysicShape::*Field> zVector ReadPoint(zPhysicShape& shape) {
    return shape.*Field;
}

template <f32 zPhysicShape::*Field> void StoreNumber(zPhysicShape& shape, f32 value) {
    shape.*Field = value;
}

SQFloat ReadMass(zPhysicShape& shape) {
    return shape.GetMass();
}

// The two friction values in the order the shape keeps them: dynamic, then
// static.
SQInteger ShapeSetFriction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicShape* shape = ShapeArgument(args);
    const f32 first = args.Number(2);
    const f32 second = args.Number(3);
    if (!args) return args.Fail();
    shape->SetDynamicFriction(first);
    shape->SetStaticFriction(second);
    return args.None();
}

// A shape does not know its item: the handle holds nothing, for every shape.
SQInteger ShapeGetItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    ShapeArgument(args);
    if (!args) return args.Fail();
    return args.ReturnObject(nullptr, ScriptKindItem);
}

// The item argument and its physics item, which may be absent.
zPhysicItem* PhysicItemArgument(ScriptArgs& args) {
    zMItem* item = ItemFamilyArgument(args, 1);
    return item ? item->GetPhysicItem() : nullptr;
}

SQInteger ItemAddCollisionShape(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = PhysicItemArgument(args);
    if (!args) return args.Fail();
    return ReturnShape(args, body ? body->AddCollisionShape() : nullptr);
}

SQInteger ItemCollisionActivate(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = PhysicItemArgument(args);
    const bool active = args.Bool(2);
    if (!args) return args.Fail();
    if (body) body->CollisionActivate(active);
    return args.None();
}

template <void (zPhysicItem::*Set)(u32)> SQInteger ItemSetMask(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = PhysicItemArgument(args);
    const SQInteger mask = args.Integer(2);
    if (!args) return args.Fail();
    if (body) (body->*Set)(u32(mask));
    return args.None();
}

// The index is compared unsigned, so a negative one is past the end.
SQInteger ItemGetShapeFromIndex(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = PhysicItemArgument(args);
    const u32 index = u32(args.Integer(2));
    if (!args) return args.Fail();
    if (!body || index >= body->GetShapes().GetCount()) return args.None();
    return ReturnShape(args, body->GetShapes().GetNodeAt(index)->value.get());
}

const ScriptNative g_collisionShapeNatives[] = {
    {"ShapeSetMesh", ".xs", ShapeSetMeshOfType<PhysicShapeMesh>},
    {"ShapeSetConvex", ".xs", ShapeSetMeshOfType<PhysicShapeConvex>},
    {"ShapeSetSphere", ".xn", ShapeSetSphere},
    {"ShapeSetBox", ".xx", ShapeSetBox},
    {"ShapeSetCapsule", ".xnn", ShapeSetTwoValues<PhysicShapeCapsule>},
    {"ShapeSetCylinder", ".xnn", ShapeSetTwoValues<PhysicShapeCylinder>},
    {"ShapeSetPosition", ".xx", ShapeSetPoint<&zPhysicShape::position>},
    {"ShapeGetPosition", ".x", ShapeNatives::Vector<ReadPoint<&zPhysicShape::position>>},
    {"ShapeSetRotation", ".xx", ShapeSetPoint<&zPhysicShape::rotation>},
    {"ShapeGetRotation", ".x", ShapeNatives::Vector<ReadPoint<&zPhysicShape::rotation>>},
    {"ShapeSetMass", ".xn", ShapeNatives::SetNumber<StoreNumber<&zPhysicShape::mass>>},
    {"ShapeGetMass", ".x", ShapeNatives::Value<SQFloat, ReadMass>},
    {"ShapeSetFriction", ".xnn", ShapeSetFriction},
    {"ShapeSetRestitution", ".xn", ShapeNatives::SetNumber<StoreNumber<&zPhysicShape::restitution>>},
    {"ShapeGetItem", ".x", ShapeGetItem},
    {"ItemAddCollisionShape", ".x", ItemAddCollisionShape},
    {"ItemCollisionActivate", ".xb", ItemCollisionActivate},
    {"ItemSetSelfMask", ".xi", ItemSetMask<&zPhysicItem::SetSelfMask>},
    {"ItemSetCollisionMask", ".xi", ItemSetMask<&zPhysicItem::SetCollisionMask>},
    {"ItemGetShapeFromIndex", ".xi", ItemGetShapeFromIndex},
};

// The trace flags of the collision system scripts once used; all of them
// stand for every shape now.
const ScriptIntConstant g_collisionTraceConstants[] = {
    {"CollisionTraceMesh", -1},
    {"CollisionTraceSphere", -1},
    {"CollisionTraceCuboid", -1},
    {"CollisionTraceAll", -1},
};

} // namespace

bool RegisterCollisionShapeScriptApi(HSQUIRRELVM vm) {
    const bool natives = RegisterScriptNatives(vm, g_collisionShapeNatives);
    return RegisterScriptConstants(vm, g_collisionTraceConstants) && natives;
}
