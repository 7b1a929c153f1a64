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

using BodyNatives = ItemNatives<zPhysicItem, BodyArgument>;

// The two-vector setters: force or impulse and point, position and rotation.
template <void (*Set)(zPhysicItem&, const zVector&, const zVector&)> SQInteger SetBodyVectors(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPhysicItem* body = BodyArgument(args);
    const zVector first = args.Vector(2);
    const zVector second = args.Vector(3);
    if (!args) return args.Fail();
    Set(*body, first, second);
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
SQInteger FlagWord(zPhysicItem& body) {
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

bool IsSleeping(zPhysicItem& body) { return body.IsSleeping(); }

void UpdateInertiaTensorFromCollision(zPhysicItem& body) { body.UpdateInertiaTensorFromCollision(); }

SQFloat GetSpeed(zPhysicItem& body) { return body.GetLinearVelocity().Length(); }

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

zVector GetAngularVelocity(zPhysicItem& body) { return body.GetAngularVelocity(); }

void SetAngularVelocity(zPhysicItem& body, const zVector& velocity) { body.SetAngularVelocity(velocity); }

SQInteger GetPhysicMode(zPhysicItem& body) { return SQInteger(body.GetMode()); }

SQFloat GetMass(zPhysicItem& body) { return SQFloat(body.GetMass()); }

zVector GetCenterOfMass(zPhysicItem& body) { return body.GetCenterOfMass(); }

zVector GetLinearVelocity(zPhysicItem& body) { return body.GetLinearVelocity(); }

void SetLinearVelocity(zPhysicItem& body, const zVector& velocity) { body.SetLinearVelocity(velocity); }

// The body's own gravity becomes the world's times the scale.
void SetGravityScale(zPhysicItem& body, f32 scale) {
    const zVector world = body.GetWorld() ? body.GetWorld()->GetGravity() : body.GetGravity();
    body.SetGravity(world.MulReal(scale));
}

void SetGravity(zPhysicItem& body, const zVector& gravity) { body.SetGravity(gravity); }

zVector GetGravity(zPhysicItem& body) { return body.GetGravity(); }

zVector GetPhysicPosition(zPhysicItem& body) { return Transformation(body).GetRow(3, true); }

void SetPhysicPosition(zPhysicItem& body, const zVector& position) {
    zMatrix4 matrix = Transformation(body);
    matrix.SetRow(3, position, true);
    body.ResetTransformation(matrix);
}

zVector GetPhysicRotation(zPhysicItem& body) {
    zVector euler;
    Transformation(body).DecomposeEuler(nullptr, nullptr, &euler, 4);
    return euler;
}

void SetPhysicRotation(zPhysicItem& body, const zVector& rotation) {
    zVector position, scale;
    Transformation(body).Decompose(&position, &scale, nullptr);
    body.ResetTransformation(zMatrix4::Compose(position, rotation, scale, zVector(0.0f, 0.0f, 0.0f, 1.0f)));
}

// The word is replaced, so what ItemPhysicGetFlag reads back is the value set.
void SetFlagWord(zPhysicItem& body, SQInteger word) {
    body.SetFlag(~0u, false);
    body.SetFlag(u32(word), true);
}

void SetPhysicMode(zPhysicItem& body, SQInteger mode) { body.SetMode(u32(mode)); }

// The body is built from its shapes only; there is no inertia of its own to
// set.
SQInteger InertiaNotSupported(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    if (!BodyArgument(args)) return args.Fail();
    return args.Error("ItemSetInertiaTensorAndCom is not supported: a body's inertia comes from its shapes");
}

} // namespace

extern const SQFUNCTION ItemWake = BodyNatives::Action<Wake>;
extern const SQFUNCTION ItemSleep = BodyNatives::Action<Sleep>;
extern const SQFUNCTION ItemIsSleeping = BodyNatives::Value<bool, IsSleeping>;
extern const SQFUNCTION ItemPhysicGetFlag = BodyNatives::Value<SQInteger, FlagWord>;
extern const SQFUNCTION ItemPhysicSetFlag = BodyNatives::SetInteger<SetFlagWord>;
extern const SQFUNCTION ItemSetInertiaTensorAndCom = InertiaNotSupported;
extern const SQFUNCTION ItemUpdateInertiaTensorFromCollision = BodyNatives::Action<UpdateInertiaTensorFromCollision>;
extern const SQFUNCTION ItemGetSpeed = BodyNatives::Value<SQFloat, GetSpeed>;
extern const SQFUNCTION ItemApplyLinearForce = BodyNatives::SetVector<ApplyLinearForce>;
extern const SQFUNCTION ItemApplyForce = SetBodyVectors<ApplyForce>;
extern const SQFUNCTION ItemApplyLinearImpulse = BodyNatives::SetVector<ApplyLinearImpulse>;
extern const SQFUNCTION ItemApplyImpulse = SetBodyVectors<ApplyImpulse>;
extern const SQFUNCTION ItemApplyTorque = BodyNatives::SetVector<ApplyTorque>;
extern const SQFUNCTION ItemPhysicSetLinearFactor = BodyNatives::SetVector<PhysicSetLinearFactor>;
extern const SQFUNCTION ItemPhysicSetAngularFactor = BodyNatives::SetVector<PhysicSetAngularFactor>;
extern const SQFUNCTION ItemPhysicResetTransformation = SetBodyVectors<PhysicResetTransformation>;
extern const SQFUNCTION ItemSetLinearDamping = BodyNatives::SetNumber<SetLinearDamping>;
extern const SQFUNCTION ItemSetAngularDamping = BodyNatives::SetNumber<SetAngularDamping>;
extern const SQFUNCTION ItemGetAngularVelocity = BodyNatives::Vector<GetAngularVelocity>;
extern const SQFUNCTION ItemSetAngularVelocity = BodyNatives::SetVector<SetAngularVelocity>;
extern const SQFUNCTION ItemGetPhysicMode = BodyNatives::Value<SQInteger, GetPhysicMode>;
extern const SQFUNCTION ItemSetPhysicMode = BodyNatives::SetInteger<SetPhysicMode>;
extern const SQFUNCTION ItemGetMass = BodyNatives::Value<SQFloat, GetMass>;
extern const SQFUNCTION ItemGetCenterOfMass = BodyNatives::Vector<GetCenterOfMass>;
extern const SQFUNCTION ItemGetLinearVelocity = BodyNatives::Vector<GetLinearVelocity>;
extern const SQFUNCTION ItemSetLinearVelocity = BodyNatives::SetVector<SetLinearVelocity>;
extern const SQFUNCTION ItemSetGravityScale = BodyNatives::SetNumber<SetGravityScale>;
extern const SQFUNCTION ItemSetGravity = BodyNatives::SetVector<SetGravity>;
extern const SQFUNCTION ItemGetGravity = BodyNatives::Vector<GetGravity>;
extern const SQFUNCTION ItemWorldPointVelocity = BodyPointVelocity<&zPhysicItem::GetWorldPointVelocity>;
extern const SQFUNCTION ItemPointVelocity = BodyPointVelocity<&zPhysicItem::GetPointVelocity>;
extern const SQFUNCTION ItemGetPhysicPosition = BodyNatives::Vector<GetPhysicPosition>;
extern const SQFUNCTION ItemSetPhysicPosition = BodyNatives::SetVector<SetPhysicPosition>;
extern const SQFUNCTION ItemGetPhysicRotation = BodyNatives::Vector<GetPhysicRotation>;
extern const SQFUNCTION ItemSetPhysicRotation = BodyNatives::SetVector<SetPhysicRotation>;
extern const SQFUNCTION ItemPhysicSynchronizeCollision = Obsolete;
extern const SQFUNCTION ItemSetPhysicPreviousPosition = Obsolete;
