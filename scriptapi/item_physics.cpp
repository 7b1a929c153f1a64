// The Item group's physics natives: the body of the item (zPhysicItem) read
// and driven. An item without a body fails with "Item has no physics
// component.".
#include <cstddef>

#include "core/log.h"
#include "core/matrix.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "scene/managed_item.h"
#include "script/value_classes.h"
#include "scriptapi/item_natives.h"

namespace {

// The body of the item at position 1; null with the error raised.
zPhysicItem* BodyArgument(ScriptArgs& args) {
    zMItem* item = ItemArgument(args);
    if (!item) return nullptr;
    zPhysicItem* body = item->GetPhysicItem();
    if (!body) args.Error("Item has no physics component.");
    return body;
}

// The shapes of physics natives: each reads the body, then its own
// arguments, and acts only when every read succeeded.
template <void (*Act)(zPhysicItem&)> SQInteger BodyAction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    if (!body) return args.Fail();
    Act(*body);
    return args.None();
}

template <typename Result, Result (*Get)(const zPhysicItem&)> SQInteger BodyValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    if (!body) return args.Fail();
    return args.Return(Get(*body));
}

template <zVector (*Get)(const zPhysicItem&)> SQInteger BodyVector(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    if (!body) return args.Fail();
    return args.ReturnVector(Get(*body));
}

template <void (*Set)(zPhysicItem&, const zVector&)> SQInteger SetBodyVector(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    const zVector value = args.Vector(2);
    if (!args) return args.Fail();
    Set(*body, value);
    return args.None();
}

template <void (*Set)(zPhysicItem&, const zVector&, const zVector&)> SQInteger SetBodyVectors(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    const zVector first = args.Vector(2);
    const zVector second = args.Vector(3);
    if (!args) return args.Fail();
    Set(*body, first, second);
    return args.None();
}

template <void (*Set)(zPhysicItem&, f32)> SQInteger SetBodyNumber(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    const f32 value = args.Number(2);
    if (!args) return args.Fail();
    Set(*body, value);
    return args.None();
}

template <void (zPhysicItem::*Get)(zVector&, const zVector&) const> SQInteger BodyPointVelocity(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    const zVector point = args.Vector(2);
    if (!args) return args.Fail();
    zVector velocity;
    (body->*Get)(velocity, point);
    return args.ReturnVector(velocity);
}

zMatrix4 Transformation(const zPhysicItem& body) {
    zMatrix4 matrix;
    body.GetTransformation(matrix);
    return matrix;
}

// The flag word, bit by bit through the mask test.
SQInteger FlagWord(const zPhysicItem& body) {
    u32 word = 0;
    for (u32 bit = 0; bit < 32; ++bit)
        if (body.GetFlag(1u << bit)) word |= 1u << bit;
    return SQInteger(word);
}

// The notice of the natives that no longer do anything.
SQInteger Obsolete(HSQUIRRELVM) {
    GetLog() << "[!] OBSOLETE\n";
    return 0;
}


// The actions of the natives below, named after them.
void Wake(zPhysicItem& body) { body.Sleep(false); }

void Sleep(zPhysicItem& body) { body.Sleep(true); }

bool IsSleeping(const zPhysicItem& body) { return body.IsSleeping(); }

void UpdateInertiaTensorFromCollision(zPhysicItem& body) { body.UpdateInertiaTensorFromCollision(); }

SQFloat GetSpeed(const zPhysicItem& body) { return body.GetLinearVelocity().Length(); }

void ApplyLinearForce(zPhysicItem& body, const zVector& force) { body.ApplyForce(force, nullptr); }

void ApplyForce(zPhysicItem& body, const zVector& force, const zVector& point) { body.ApplyForce(force, &point); }

void ApplyLinearImpulse(zPhysicItem& body, const zVector& impulse) { body.ApplyImpulse(impulse, nullptr); }

void ApplyImpulse(zPhysicItem& body, const zVector& impulse, const zVector& point) { body.ApplyImpulse(impulse, &point); }

void ApplyTorque(zPhysicItem& body, const zVector& torque) { body.ApplyTorque(torque); }

void PhysicSetLinearFactor(zPhysicItem& body, const zVector& factor) { body.SetLinearFactor(factor); }

void PhysicSetAngularFactor(zPhysicItem& body, const zVector& factor) { body.SetAngularFactor(factor); }

void PhysicResetTransformation(zPhysicItem& body, const zVector& position, const zVector& rotation) {
    body.ResetTransformation(zMatrix4::Compose(position, rotation, zVector(1.0f, 1.0f, 1.0f, 1.0f),
                                               zVector(0.0f, 0.0f, 0.0f, 1.0f)));
}

void SetLinearDamping(zPhysicItem& body, f32 damping) { body.SetLinearDamping(damping); }

void SetAngularDamping(zPhysicItem& body, f32 damping) { body.SetAngularDamping(damping); }

zVector GetAngularVelocity(const zPhysicItem& body) { return body.GetAngularVelocity(); }

void SetAngularVelocity(zPhysicItem& body, const zVector& velocity) { body.SetAngularVelocity(velocity); }

SQInteger GetPhysicMode(const zPhysicItem& body) { return SQInteger(body.GetMode()); }

SQFloat GetMass(const zPhysicItem& body) { return SQFloat(body.GetMass()); }

zVector GetCenterOfMass(const zPhysicItem& body) { return body.GetCenterOfMass(); }

zVector GetLinearVelocity(const zPhysicItem& body) { return body.GetLinearVelocity(); }

void SetLinearVelocity(zPhysicItem& body, const zVector& velocity) { body.SetLinearVelocity(velocity); }

void SetGravityScale(zPhysicItem& body, f32 scale) {
    const zVector world = body.GetWorld() ? body.GetWorld()->GetGravity() : body.GetGravity();
    body.SetGravity(world.MulReal(scale));
}

void SetGravity(zPhysicItem& body, const zVector& gravity) { body.SetGravity(gravity); }

zVector GetGravity(const zPhysicItem& body) { return body.GetGravity(); }

zVector GetPhysicPosition(const zPhysicItem& body) { return Transformation(body).GetRow(3, true); }

void SetPhysicPosition(zPhysicItem& body, const zVector& position) {
    zMatrix4 matrix = Transformation(body);
    matrix.SetRow(3, position, true);
    body.ResetTransformation(matrix);
}

zVector GetPhysicRotation(const zPhysicItem& body) {
    zVector euler;
    Transformation(body).DecomposeEuler(nullptr, nullptr, &euler, 4);
    return euler;
}

void SetPhysicRotation(zPhysicItem& body, const zVector& rotation) {
    zVector position, scale;
    Transformation(body).Decompose(&position, &scale, nullptr);
    body.ResetTransformation(zMatrix4::Compose(position, rotation, scale, zVector(0.0f, 0.0f, 0.0f, 1.0f)));
}

} // namespace

SQInteger ItemWake(HSQUIRRELVM vm) {
    return BodyAction<Wake>(vm);
}

SQInteger ItemSleep(HSQUIRRELVM vm) {
    return BodyAction<Sleep>(vm);
}

SQInteger ItemIsSleeping(HSQUIRRELVM vm) {
    return BodyValue<bool, IsSleeping>(vm);
}

SQInteger ItemPhysicGetFlag(HSQUIRRELVM vm) {
    return BodyValue<SQInteger, FlagWord>(vm);
}

// The word is replaced, so what ItemPhysicGetFlag reads back is the value set.
SQInteger ItemPhysicSetFlag(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    const u32 word = u32(args.Integer(2));
    if (!args) return args.Fail();
    body->SetFlag(~0u, false);
    body->SetFlag(word, true);
    return args.None();
}

// The body is built from its shapes only; there is no inertia of its own to
// set.
SQInteger ItemSetInertiaTensorAndCom(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    if (!BodyArgument(args)) return args.Fail();
    return args.Error("ItemSetInertiaTensorAndCom is not supported: a body's inertia comes from its shapes");
}

SQInteger ItemUpdateInertiaTensorFromCollision(HSQUIRRELVM vm) {
    return BodyAction<UpdateInertiaTensorFromCollision>(vm);
}

SQInteger ItemGetSpeed(HSQUIRRELVM vm) {
    return BodyValue<SQFloat, GetSpeed>(vm);
}

SQInteger ItemApplyLinearForce(HSQUIRRELVM vm) {
    return SetBodyVector<ApplyLinearForce>(vm);
}

SQInteger ItemApplyForce(HSQUIRRELVM vm) {
    return SetBodyVectors<ApplyForce>(vm);
}

SQInteger ItemApplyLinearImpulse(HSQUIRRELVM vm) {
    return SetBodyVector<ApplyLinearImpulse>(vm);
}

SQInteger ItemApplyImpulse(HSQUIRRELVM vm) {
    return SetBodyVectors<ApplyImpulse>(vm);
}

SQInteger ItemApplyTorque(HSQUIRRELVM vm) {
    return SetBodyVector<ApplyTorque>(vm);
}

SQInteger ItemPhysicSetLinearFactor(HSQUIRRELVM vm) {
    return SetBodyVector<PhysicSetLinearFactor>(vm);
}

SQInteger ItemPhysicSetAngularFactor(HSQUIRRELVM vm) {
    return SetBodyVector<PhysicSetAngularFactor>(vm);
}

SQInteger ItemPhysicResetTransformation(HSQUIRRELVM vm) {
    return SetBodyVectors<PhysicResetTransformation>(vm);
}

SQInteger ItemSetLinearDamping(HSQUIRRELVM vm) {
    return SetBodyNumber<SetLinearDamping>(vm);
}

SQInteger ItemSetAngularDamping(HSQUIRRELVM vm) {
    return SetBodyNumber<SetAngularDamping>(vm);
}

SQInteger ItemGetAngularVelocity(HSQUIRRELVM vm) {
    return BodyVector<GetAngularVelocity>(vm);
}

SQInteger ItemSetAngularVelocity(HSQUIRRELVM vm) {
    return SetBodyVector<SetAngularVelocity>(vm);
}

SQInteger ItemGetPhysicMode(HSQUIRRELVM vm) {
    return BodyValue<SQInteger, GetPhysicMode>(vm);
}

SQInteger ItemSetPhysicMode(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    const SQInteger mode = args.Integer(2);
    if (!args) return args.Fail();
    body->SetMode(u32(mode));
    return args.None();
}

SQInteger ItemGetMass(HSQUIRRELVM vm) {
    return BodyValue<SQFloat, GetMass>(vm);
}

SQInteger ItemGetCenterOfMass(HSQUIRRELVM vm) {
    return BodyVector<GetCenterOfMass>(vm);
}

SQInteger ItemGetLinearVelocity(HSQUIRRELVM vm) {
    return BodyVector<GetLinearVelocity>(vm);
}

SQInteger ItemSetLinearVelocity(HSQUIRRELVM vm) {
    return SetBodyVector<SetLinearVelocity>(vm);
}

// The body's own gravity becomes the world's times the scale.
SQInteger ItemSetGravityScale(HSQUIRRELVM vm) {
    return SetBodyNumber<SetGravityScale>(vm);
}

SQInteger ItemSetGravity(HSQUIRRELVM vm) {
    return SetBodyVector<SetGravity>(vm);
}

SQInteger ItemGetGravity(HSQUIRRELVM vm) {
    return BodyVector<GetGravity>(vm);
}

SQInteger ItemWorldPointVelocity(HSQUIRRELVM vm) {
    return BodyPointVelocity<&zPhysicItem::GetWorldPointVelocity>(vm);
}

SQInteger ItemPointVelocity(HSQUIRRELVM vm) {
    return BodyPointVelocity<&zPhysicItem::GetPointVelocity>(vm);
}

SQInteger ItemGetPhysicPosition(HSQUIRRELVM vm) {
    return BodyVector<GetPhysicPosition>(vm);
}

SQInteger ItemSetPhysicPosition(HSQUIRRELVM vm) {
    return SetBodyVector<SetPhysicPosition>(vm);
}

SQInteger ItemGetPhysicRotation(HSQUIRRELVM vm) {
    return BodyVector<GetPhysicRotation>(vm);
}

SQInteger ItemSetPhysicRotation(HSQUIRRELVM vm) {
    return SetBodyVector<SetPhysicRotation>(vm);
}

SQInteger ItemPhysicSynchronizeCollision(HSQUIRRELVM vm) {
    return Obsolete(vm);
}

SQInteger ItemSetPhysicPreviousPosition(HSQUIRRELVM vm) {
    return Obsolete(vm);
}
