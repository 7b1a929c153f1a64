// Object: the geometry an object item shows and the bone items that skin it.
// Objects have no skin motions of their own, so the three skin motion
// natives fail with a log line and an error.
#include "render/geometry.h"
#include "scene/item.h"
#include "scene/object.h"
#include "scriptapi/item_handles.h"
#include "scriptapi/script_api_groups.h"

namespace {

zObject* ObjectArgument(ScriptArgs& args) {
    return ItemPartArgument<zObject>(args, 1, ScriptKindObject);
}

// An item that is not an object gives an empty Object handle and a notice,
// not an error.
SQInteger ItemCastToObject(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = args.Object<zMItem>(1, ScriptKindItem);
    if (!args) return args.Fail();
    if (item->GetKind() == ManagedKindObject) return args.ReturnObject(item, ScriptKindObject);
    GetLog() << "[!] Incorrect cast, item is not an object.\n";
    return args.ReturnObject(nullptr, ScriptKindObject);
}

SQInteger ObjectSetGeometry(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zObject* object = ObjectArgument(args);
    zGeometry* geometry = args.Object<zGeometry>(2, ScriptKindGeometry);
    if (!args) return args.Fail();
    geometry->Setup();
    object->SetGeometry(geometry, true);
    return args.None();
}

SQInteger ObjectGetGeometry(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zObject* object = ObjectArgument(args);
    if (!object) return args.Fail();
    return args.ReturnObject(object->GetGeometry(), ScriptKindGeometry);
}

SQInteger ObjectSkinGetItemCount(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zObject* object = ObjectArgument(args);
    if (!object) return args.Fail();
    return args.Return(object->GetBoneCount());
}

// An empty slot, or an index past the bones, gives an empty Item handle.
SQInteger ObjectSkinGetItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zObject* object = ObjectArgument(args);
    const SQInteger index = args.Integer(2);
    if (!args) return args.Fail();
    zItem* bone = index >= 0 ? object->GetBone(u32(index)) : nullptr;
    return args.ReturnObject(zItem::GetManagedItem(bone), ScriptKindItem);
}

SQInteger ObjectSkinSetItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zObject* object = ObjectArgument(args);
    const SQInteger index = args.Integer(2);
    zMItem* bone = args.Object<zMItem>(3, ScriptKindItem);
    if (!args) return args.Fail();
    if (index < 0 || !object->SetBone(u32(index), bone->GetItem())) return args.Error("Bone index out of range");
    return args.None();
}

// The object is checked (the typemask checks the rest) before the refusal.
template <const char* const* Text> SQInteger SkinMotionNotSupported(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    if (!ObjectArgument(args)) return args.Fail();
    return ScriptNotSupported(args, *Text);
}

const char* const SetSkinMotionText = "ObjectSetSkinMotion is not supported: objects have no skin motions.";
const char* const SetSkinMotionClockScaleText =
    "ObjectSetSkinMotionClockScale is not supported: objects have no skin motions.";
const char* const StopAllSkinMotionText = "ObjectStopAllSkinMotion is not supported: objects have no skin motions.";

const ScriptNative g_objectNatives[] = {
    {"ObjectGetItem", ".x", ItemPartGetItem<ScriptKindObject>},
    {"ItemCastToObject", ".x", ItemCastToObject},
    {"ObjectSetGeometry", ".xx", ObjectSetGeometry},
    {"ObjectGetGeometry", ".x", ObjectGetGeometry},
    {"ObjectSkinGetItemCount", ".x", ObjectSkinGetItemCount},
    {"ObjectSkinGetItem", ".xi", ObjectSkinGetItem},
    {"ObjectSkinSetItem", ".xix", ObjectSkinSetItem},
    {"ObjectSetSkinMotion", ".xs", SkinMotionNotSupported<&SetSkinMotionText>},
    {"ObjectSetSkinMotionClockScale", ".xf", SkinMotionNotSupported<&SetSkinMotionClockScaleText>},
    {"ObjectStopAllSkinMotion", ".x", SkinMotionNotSupported<&StopAllSkinMotionText>},
};

} // namespace

bool RegisterObjectScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_objectNatives);
}
