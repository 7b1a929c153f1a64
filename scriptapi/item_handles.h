// Handles of the item kinds with parts of their own (Camera, Object, Light).
// Like every item-family handle they hold the managed item (zMItem*), so one
// invalidation of the item empties all of them; a cast only changes the kind.
// The camera, object or light part is reached from the managed item.
#pragma once

#include "core/log.h"
#include "scene/managed_item.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/handle_args.h"

// The part of the managed item in the handle at the position, of the kind;
// null with the error raised (the kind check's words, "CObject is null").
template <class Part> Part* ItemPartArgument(ScriptArgs& args, int position, i32 kind) {
    return ManagedArgument<Part>(args, position, kind, "CObject is null");
}

// Kind in, an Item handle on the same managed item out.
template <i32 Kind> SQInteger ItemPartGetItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = args.Object<zMItem>(1, Kind);
    if (!args) return args.Fail();
    return args.ReturnObject(item, ScriptKindItem);
}

// An operation the engine has no side for: logged and raised, never a
// silent success.
inline SQInteger ScriptNotSupported(ScriptArgs& args, const char* text) {
    GetLog() << "[!] " << text << "\n";
    return args.Error(text);
}
