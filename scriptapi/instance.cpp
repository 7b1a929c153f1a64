// The Instance group: the items an instance (kind 28) placed in its scene
// from its template, as Item handles.
#include "scene/group.h"
#include "scene/instance.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/handle_args.h"
#include "scriptapi/script_api_groups.h"

namespace {

// An instance whose template is not loaded (inactive, without a template)
// has no items: the array is empty.
SQInteger InstanceGetItemList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zInstance* instance = ManagedArgument<zInstance>(args, 1, ScriptKindInstance);
    if (!args) return args.Fail();
    const zGroup* group = instance->GetGroup();
    if (!group) {
        sq_newarray(vm, 0);
        return 1;
    }
    return ReturnItemArray(args, group->GetItems(), [](zMItem* item) { return item; });
}

const ScriptNative g_instanceNatives[] = {
    {"InstanceGetItemList", ".x", InstanceGetItemList},
};

} // namespace

bool RegisterInstanceScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_instanceNatives);
}
