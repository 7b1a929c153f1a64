// What the two files of the Item group share: the item argument every native
// starts with and the physics natives the group's table lists.
//
// An item-family handle (Item, Camera, Object, Light, Emitter, Trigger)
// holds the managed item (zMItem*), as script units hand it to their
// events; the casts only change the kind.
#pragma once

#include "script/script_args.h"
#include "script/script_kind.h"

class zItem;
class zMItem;


// The managed item of the Item handle at the position; null with the error
// raised ("Expected 'Item' got ...", "CObject is null").
zMItem* ItemArgumentAt(ScriptArgs& args, int position);
// The first argument's item, and its node.
zMItem* ItemArgument(ScriptArgs& args);
zItem* ItemNodeArgument(ScriptArgs& args);

// The shapes of the group's natives over one target the first argument
// gives (the node, the managed item, the physics body): the target is
// fetched, then the other arguments are read, and the native acts only when
// every read succeeded.
template <typename Target, Target* (*Fetch)(ScriptArgs&)> struct ItemNatives {
    template <void (*Act)(Target&)> static SQInteger Action(HSQUIRRELVM vm) {
        ScriptArgs args(vm);
        Target* target = Fetch(args);
        if (!target) return args.Fail();
        Act(*target);
        return args.None();
    }
    template <typename Result, Result (*Get)(Target&)> static SQInteger Value(HSQUIRRELVM vm) {
        ScriptArgs args(vm);
        Target* target = Fetch(args);
        if (!target) return args.Fail();
        return args.Return(Get(*target));
    }
    template <zVector (*Get)(Target&)> static SQInteger Vector(HSQUIRRELVM vm) {
        ScriptArgs args(vm);
        Target* target = Fetch(args);
        if (!target) return args.Fail();
        return args.ReturnVector(Get(*target));
    }
    // Setters of one value, the second argument.
    template <typename Value, typename Parameter, Value (ScriptArgs::*Read)(int), void (*Set)(Target&, Parameter)>
    static SQInteger Setter(HSQUIRRELVM vm) {
        ScriptArgs args(vm);
        Target* target = Fetch(args);
        const Value value = (args.*Read)(2);
        if (!args) return args.Fail();
        Set(*target, value);
        return args.None();
    }
    template <void (*Set)(Target&, const zVector&)>
    static constexpr SQFUNCTION SetVector = Setter<zVector, const zVector&, &ScriptArgs::Vector, Set>;
    template <void (*Set)(Target&, f32)>
    static constexpr SQFUNCTION SetNumber = Setter<SQFloat, f32, &ScriptArgs::Number, Set>;
    template <void (*Set)(Target&, SQInteger)>
    static constexpr SQFUNCTION SetInteger = Setter<SQInteger, SQInteger, &ScriptArgs::Integer, Set>;
    template <void (*Set)(Target&, bool)>
    static constexpr SQFUNCTION SetBool = Setter<bool, bool, &ScriptArgs::Bool, Set>;
};

// The physics natives, in the order of the group's table.
extern const SQFUNCTION ItemWake;
extern const SQFUNCTION ItemSleep;
extern const SQFUNCTION ItemIsSleeping;
extern const SQFUNCTION ItemPhysicGetFlag;
extern const SQFUNCTION ItemPhysicSetFlag;
extern const SQFUNCTION ItemSetInertiaTensorAndCom;
extern const SQFUNCTION ItemUpdateInertiaTensorFromCollision;
extern const SQFUNCTION ItemGetSpeed;
extern const SQFUNCTION ItemApplyLinearForce;
extern const SQFUNCTION ItemApplyForce;
extern const SQFUNCTION ItemApplyLinearImpulse;
extern const SQFUNCTION ItemApplyImpulse;
extern const SQFUNCTION ItemApplyTorque;
extern const SQFUNCTION ItemPhysicSetLinearFactor;
extern const SQFUNCTION ItemPhysicSetAngularFactor;
extern const SQFUNCTION ItemPhysicResetTransformation;
extern const SQFUNCTION ItemSetLinearDamping;
extern const SQFUNCTION ItemSetAngularDamping;
extern const SQFUNCTION ItemGetAngularVelocity;
extern const SQFUNCTION ItemSetAngularVelocity;
extern const SQFUNCTION ItemGetPhysicMode;
extern const SQFUNCTION ItemSetPhysicMode;
extern const SQFUNCTION ItemGetMass;
extern const SQFUNCTION ItemGetCenterOfMass;
extern const SQFUNCTION ItemGetLinearVelocity;
extern const SQFUNCTION ItemSetLinearVelocity;
extern const SQFUNCTION ItemSetGravityScale;
extern const SQFUNCTION ItemSetGravity;
extern const SQFUNCTION ItemGetGravity;
extern const SQFUNCTION ItemWorldPointVelocity;
extern const SQFUNCTION ItemPointVelocity;
extern const SQFUNCTION ItemGetPhysicPosition;
extern const SQFUNCTION ItemSetPhysicPosition;
extern const SQFUNCTION ItemGetPhysicRotation;
extern const SQFUNCTION ItemSetPhysicRotation;
extern const SQFUNCTION ItemPhysicSynchronizeCollision;
extern const SQFUNCTION ItemSetPhysicPreviousPosition;
