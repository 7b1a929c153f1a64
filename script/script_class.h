// Script classes made from C descriptor tables, bare and constructed
// instances by class name, binding-error reports and the display names of
// Squirrel types.
//
// Every function here leaves the stack as it found it on failure; on success
// the instance functions leave exactly the new instance on top.
#pragma once

#include "core/types.h"
#include "squirrel/squirrel.h"

// One row of a method table; a table ends with a row whose name is null.
// paramCount: n exactly n parameters, -n at least n, this counted; typeMask
// may be null for no type check.
struct ScriptMethodEntry {
    const char* name;
    SQFUNCTION function;
    i32 paramCount;
    const char* typeMask;
};

// The descriptor's address is the class's type tag.
struct ScriptClassDescriptor {
    const char* className;
    const char* baseClassName;
    const ScriptMethodEntry* methods;
};

// Creates the class in the root table with one native closure slot per method
// (debug name = method name). False, stack restored, when the base class is
// missing or a step fails.
bool RegisterScriptClass(HSQUIRRELVM vm, const ScriptClassDescriptor* descriptor);

// Adds one native closure slot for the row (debug name = row name) to the
// table or class on top of the stack; false when a step fails (the caller
// restores the stack).
bool AddScriptMethodSlot(HSQUIRRELVM vm, const ScriptMethodEntry& entry);

// Adds the rows, in order, to the class of that name in the root table (a
// class takes new methods even once it has instances). False, stack
// restored, when there is no such class, a row's name is a member already
// or a step fails; the rows before it stay.
bool AddScriptClassMethods(HSQUIRRELVM vm, const char* className, const ScriptMethodEntry* entries);

// A constant of a registered table: an integer (OT_INTEGER), a float
// (OT_FLOAT) or a text (OT_STRING).
struct ScriptConstantEntry {
    const char* name;
    SQObjectType type;
    union {
        SQInteger integer;
        SQFloat number;
        const char* text;
    } value;
};

// A named table of the root table: its functions and constants (each list
// ended by a row whose name is null, either may be empty) and, when given,
// the functions of its delegate.
struct ScriptTableDescriptor {
    const char* tableName;
    const ScriptMethodEntry* functions;
    const ScriptConstantEntry* constants;
    const ScriptMethodEntry* delegateFunctions;
};

// Creates the table in the root table, then its function slots, its constant
// slots and its delegate; false, stack restored, when a step fails.
bool RegisterScriptTable(HSQUIRRELVM vm, const ScriptTableDescriptor* descriptor);

// A bare instance (no constructor) of the root table's class, with the user
// pointer and release hook set, left on top.
bool CreateScriptClassInstance(HSQUIRRELVM vm, const char* className, SQUserPointer userPointer,
                               SQRELEASEHOOK releaseHook);
// The same with the class name as a string object of the VM, which spares
// turning the text into one; the class is still the root table's slot of
// that name.
bool CreateScriptClassInstanceNamed(HSQUIRRELVM vm, const HSQOBJECT& className, SQUserPointer userPointer,
                                    SQRELEASEHOOK releaseHook);

// An instance of a class declared in the root table, constructed with the
// root table as this when callConstructor, else bare, left on top. Failures
// are binding errors: "Class '<name>' is not declared." and "Failed to
// instantiate class '<name>'.".
bool ScriptNewInstanceOf(HSQUIRRELVM vm, const char* className, bool callConstructor);

// Dumps the call stack headed "Binding error: <text>"; returns false.
bool ScriptBindingError(HSQUIRRELVM vm, const char* text);

// "Null", "Integer", ... "WeakRef"; "Unknown" for any other type word.
const char* ScriptTypeName(SQObjectType type);
