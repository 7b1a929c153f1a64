// What the two files of the Item group share: the item argument every native
// starts with and the physics natives the group's table lists.
//
// An item-family handle (Item, Camera, Object, Light, Emitter, Trigger)
// holds the managed item (zMItem*), as script units hand it to their
// events; the casts only change the kind.
#pragma once

#include "script/script_args.h"

class zItem;
class zMItem;

// The kinds the Item group converts between (the script object kinds).
enum : i32 {
    ItemKindCamera = 25,
    ItemKindObject = 26,
    ItemKindLight = 27,
    ItemKindInstance = 28,
    ItemKindEmitter = 29,
    ItemKindMotion = 30,
    ItemKindTrigger = 31,
};

// The managed item of the Item handle at the position; null with the error
// raised ("Expected 'Item' got ...", "CObject is null").
zMItem* ItemArgument(ScriptArgs& args, int position = 1);
// Its node; null with the error raised.
zItem* ItemNodeArgument(ScriptArgs& args, int position = 1);

// The physics natives, in the order of the group's table.
SQInteger ItemWake(HSQUIRRELVM vm);
SQInteger ItemSleep(HSQUIRRELVM vm);
SQInteger ItemIsSleeping(HSQUIRRELVM vm);
SQInteger ItemPhysicGetFlag(HSQUIRRELVM vm);
SQInteger ItemPhysicSetFlag(HSQUIRRELVM vm);
SQInteger ItemSetInertiaTensorAndCom(HSQUIRRELVM vm);
SQInteger ItemUpdateInertiaTensorFromCollision(HSQUIRRELVM vm);
SQInteger ItemGetSpeed(HSQUIRRELVM vm);
SQInteger ItemApplyLinearForce(HSQUIRRELVM vm);
SQInteger ItemApplyForce(HSQUIRRELVM vm);
SQInteger ItemApplyLinearImpulse(HSQUIRRELVM vm);
SQInteger ItemApplyImpulse(HSQUIRRELVM vm);
SQInteger ItemApplyTorque(HSQUIRRELVM vm);
SQInteger ItemPhysicSetLinearFactor(HSQUIRRELVM vm);
SQInteger ItemPhysicSetAngularFactor(HSQUIRRELVM vm);
SQInteger ItemPhysicResetTransformation(HSQUIRRELVM vm);
SQInteger ItemSetLinearDamping(HSQUIRRELVM vm);
SQInteger ItemSetAngularDamping(HSQUIRRELVM vm);
SQInteger ItemGetAngularVelocity(HSQUIRRELVM vm);
SQInteger ItemSetAngularVelocity(HSQUIRRELVM vm);
SQInteger ItemGetPhysicMode(HSQUIRRELVM vm);
SQInteger ItemSetPhysicMode(HSQUIRRELVM vm);
SQInteger ItemGetMass(HSQUIRRELVM vm);
SQInteger ItemGetCenterOfMass(HSQUIRRELVM vm);
SQInteger ItemGetLinearVelocity(HSQUIRRELVM vm);
SQInteger ItemSetLinearVelocity(HSQUIRRELVM vm);
SQInteger ItemSetGravityScale(HSQUIRRELVM vm);
SQInteger ItemSetGravity(HSQUIRRELVM vm);
SQInteger ItemGetGravity(HSQUIRRELVM vm);
SQInteger ItemWorldPointVelocity(HSQUIRRELVM vm);
SQInteger ItemPointVelocity(HSQUIRRELVM vm);
SQInteger ItemGetPhysicPosition(HSQUIRRELVM vm);
SQInteger ItemSetPhysicPosition(HSQUIRRELVM vm);
SQInteger ItemGetPhysicRotation(HSQUIRRELVM vm);
SQInteger ItemSetPhysicRotation(HSQUIRRELVM vm);
SQInteger ItemPhysicSynchronizeCollision(HSQUIRRELVM vm);
SQInteger ItemSetPhysicPreviousPosition(HSQUIRRELVM vm);
