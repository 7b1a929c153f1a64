// The Trigger group: who is inside a trigger (kind 31) now, as the scene's
// last detection pass left its records.
#include "scene/trigger.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/handle_args.h"
#include "scriptapi/script_api_groups.h"

namespace {

zTrigger* TriggerArgument(ScriptArgs& args) {
    return ManagedArgument<zTrigger>(args, 1, ScriptKindTrigger);
}

SQInteger TriggerGetItemList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTrigger* trigger = TriggerArgument(args);
    if (!args) return args.Fail();
    return ReturnItemArray(args, trigger->GetItems(),
                           [](const std::unique_ptr<zTriggerItem>& record) { return record->item; });
}

SQInteger TriggerTestItem(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTrigger* trigger = TriggerArgument(args);
    zMItem* item = ItemFamilyArgument(args, 2);
    if (!args) return args.Fail();
    return args.Return(trigger->FindRecord(item) != nullptr);
}

const ScriptNative g_triggerNatives[] = {
    {"TriggerGetItemList", ".x", TriggerGetItemList},
    {"TriggerTestItem", ".xx", TriggerTestItem},
};

} // namespace

bool RegisterTriggerScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_triggerNatives);
}
