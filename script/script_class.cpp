#include "script/script_class.h"

#include "core/zstring.h"
#include "script/squirrel_vm.h"

namespace {

// Pushes the class of that name from the root table; false (nothing pushed)
// when there is none.
bool PushRootClass(HSQUIRRELVM vm, const char* className) {
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, className, -1);
    if (SQ_FAILED(sq_get(vm, -2)) || sq_gettype(vm, -1) != OT_CLASS) {
        sq_settop(vm, top);
        return false;
    }
    sq_remove(vm, -2);
    return true;
}

// With the root table and a class name pushed above top: a bare instance of
// the root table's class of that name in their place, with the user pointer
// and release hook set; false, stack back at top, when there is none.
bool InstanceOfPushedName(HSQUIRRELVM vm, SQInteger top, SQUserPointer userPointer,
                          SQRELEASEHOOK releaseHook) {
    if (SQ_FAILED(sq_get(vm, -2)) || sq_gettype(vm, -1) != OT_CLASS || SQ_FAILED(sq_createinstance(vm, -1)) ||
        SQ_FAILED(sq_setinstanceup(vm, -1, userPointer))) {
        sq_settop(vm, top);
        return false;
    }
    sq_setreleasehook(vm, -1, releaseHook);
    sq_remove(vm, -2);
    sq_remove(vm, -2);
    return true;
}

// Adds one native closure slot per entry to the table or class on top of the
// stack; false at the first step that fails.
bool AddMethodSlots(HSQUIRRELVM vm, const ScriptMethodEntry* entries) {
    for (const ScriptMethodEntry* entry = entries; entry && entry->name; ++entry)
        if (!AddScriptMethodSlot(vm, *entry)) return false;
    return true;
}

} // namespace

bool AddScriptMethodSlot(HSQUIRRELVM vm, const ScriptMethodEntry& entry) {
    sq_pushstring(vm, entry.name, -1);
    sq_newclosure(vm, entry.function, 0);
    if (SQ_FAILED(sq_setparamscheck(vm, entry.paramCount, entry.typeMask)) ||
        SQ_FAILED(sq_setnativeclosurename(vm, -1, entry.name)) || SQ_FAILED(sq_newslot(vm, -3, SQFalse)))
        return false;
    return true;
}

bool AddScriptClassMethods(HSQUIRRELVM vm, const char* className, const ScriptMethodEntry* entries) {
    if (!vm || !className) return false;
    SQInteger top = sq_gettop(vm);
    if (!PushRootClass(vm, className)) return false;
    bool added = true;
    for (const ScriptMethodEntry* entry = entries; added && entry && entry->name; ++entry) {
        sq_pushstring(vm, entry->name, -1);
        // A new slot would replace a method of that name silently.
        added = SQ_FAILED(sq_rawget(vm, -2)) && AddScriptMethodSlot(vm, *entry);
    }
    sq_settop(vm, top);
    return added;
}

bool RegisterScriptClass(HSQUIRRELVM vm, const ScriptClassDescriptor* descriptor) {
    if (!vm || !descriptor || !descriptor->className) return false;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, descriptor->className, -1);
    bool hasBase = descriptor->baseClassName != nullptr;
    if (hasBase && !PushRootClass(vm, descriptor->baseClassName)) {
        sq_settop(vm, top);
        return false;
    }
    if (SQ_FAILED(sq_newclass(vm, hasBase ? SQTrue : SQFalse)) ||
        SQ_FAILED(sq_settypetag(vm, -1, const_cast<ScriptClassDescriptor*>(descriptor)))) {
        sq_settop(vm, top);
        return false;
    }
    if (!AddMethodSlots(vm, descriptor->methods)) {
        sq_settop(vm, top);
        return false;
    }
    bool created = SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    sq_settop(vm, top);
    return created;
}

bool RegisterScriptTable(HSQUIRRELVM vm, const ScriptTableDescriptor* descriptor) {
    if (!vm || !descriptor || !descriptor->tableName) return false;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, descriptor->tableName, -1);
    sq_newtable(vm);
    bool built = AddMethodSlots(vm, descriptor->functions);
    for (const ScriptConstantEntry* constant = descriptor->constants; built && constant && constant->name;
         ++constant) {
        sq_pushstring(vm, constant->name, -1);
        switch (constant->type) {
        case OT_INTEGER: sq_pushinteger(vm, constant->value.integer); break;
        case OT_FLOAT: sq_pushfloat(vm, constant->value.number); break;
        case OT_STRING: sq_pushstring(vm, constant->value.text ? constant->value.text : "", -1); break;
        default: sq_pushnull(vm); break; // no value to give: the name is still declared
        }
        built = SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    }
    if (built && descriptor->delegateFunctions) {
        sq_newtable(vm);
        built = AddMethodSlots(vm, descriptor->delegateFunctions) && SQ_SUCCEEDED(sq_setdelegate(vm, -2));
    }
    built = built && SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    sq_settop(vm, top);
    return built;
}

bool CreateScriptClassInstance(HSQUIRRELVM vm, const char* className, SQUserPointer userPointer,
                               SQRELEASEHOOK releaseHook) {
    if (!vm || !className) return false;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, className, -1);
    return InstanceOfPushedName(vm, top, userPointer, releaseHook);
}

bool CreateScriptClassInstanceNamed(HSQUIRRELVM vm, const HSQOBJECT& className, SQUserPointer userPointer,
                                    SQRELEASEHOOK releaseHook) {
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushobject(vm, className);
    return InstanceOfPushedName(vm, top, userPointer, releaseHook);
}

bool ScriptNewInstanceOf(HSQUIRRELVM vm, const char* className, bool callConstructor) {
    if (!vm || !className) return false;
    SQInteger top = sq_gettop(vm);
    zString text;
    if (!PushRootClass(vm, className)) {
        text.Format("Class '%s' is not declared.", className);
        return ScriptBindingError(vm, text);
    }
    bool made = false;
    if (callConstructor) {
        sq_pushroottable(vm);
        made = SQ_SUCCEEDED(sq_call(vm, 1, SQTrue, SQTrue));
    } else {
        made = SQ_SUCCEEDED(sq_createinstance(vm, -1));
    }
    if (!made || sq_gettype(vm, -1) != OT_INSTANCE) {
        sq_settop(vm, top);
        text.Format("Failed to instantiate class '%s'.", className);
        return ScriptBindingError(vm, text);
    }
    // A call leaves the class below its result, as sq_createinstance does.
    sq_remove(vm, top + 1);
    return true;
}

bool ScriptBindingError(HSQUIRRELVM vm, const char* text) {
    zString title;
    title.Format("Binding error: %s", text ? text : "");
    DumpCallStack(vm, title, nullptr);
    return false;
}

const char* ScriptTypeName(SQObjectType type) {
    switch ((unsigned)type) {
    case 0x01000001:
        return "Null";
    case 0x05000002:
        return "Integer";
    case 0x05000004:
        return "Float";
    case 0x01000008:
        return "Boolean";
    case 0x08000010:
        return "String";
    case 0x0A000020:
        return "Table";
    case 0x08000040:
        return "Array";
    case 0x0A000080:
        return "UserData";
    case 0x08000100:
        return "Closure";
    case 0x08000200:
        return "NativeClosure";
    case 0x08000400:
        return "Generator";
    case 0x00000800:
        return "UserPointer";
    case 0x08001000:
        return "Thread";
    case 0x08002000:
        return "FuncProto";
    case 0x08004000:
        return "Class";
    case 0x0A008000:
        return "Instance";
    case 0x08010000:
        return "WeakRef";
    default:
        return "Unknown";
    }
}
