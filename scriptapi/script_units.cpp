#include "scriptapi/script_units.h"

#include "scene/managed_item.h"
#include "script/script_unit.h"
#include "script/squirrel_vm.h"

SQInteger ReturnUnitInstance(ScriptArgs& args, const zScriptUnit& unit) {
    auto* holder = dynamic_cast<zSquirrelObject*>(unit.GetInstance());
    if (!holder || !holder->GetOwner()) return args.Error("Script unit is not open");
    sq_pushobject(args.Vm(), holder->GetHandle());
    return 1;
}

const zScriptUnit* FindUnitOfClass(const zScriptedObject& owner, const char* className) {
    for (auto* node = owner.GetScriptUnits().GetHead(); node; node = node->next)
        if (node->value->GetClassName() == className) return node->value.get();
    return nullptr;
}
