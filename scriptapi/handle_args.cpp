#include "scriptapi/handle_args.h"

#include "script/script_object.h"

zMItem* ItemFamilyArgument(ScriptArgs& args, int position) {
    const i32 kind = args.Kind(position);
    return args.Object<zMItem>(position, IsScriptItemKind(kind) ? kind : i32(ScriptKindItem));
}

bool AppendItemHandle(ScriptArgs& args, zMItem* item) {
    HSQUIRRELVM vm = args.Vm();
    if (!PushScriptObject(vm, item, ScriptKindItem, false)) {
        sq_pop(vm, 1);
        args.Error("Could not allocate C Object.");
        return false;
    }
    sq_arrayappend(vm, -2);
    return true;
}
