// The script API framework: registration of global natives, the argument
// fetch of engine objects behind CObject handles with a kind check, the value
// functions that push or read Vector, UV, MinMax and Rect values, and the
// core natives and constants RegisterScriptApi adds itself.
//
// Global natives read their arguments by negative index (the last at -1);
// their count and basic types were checked by the VM from the typemask
// before they run. A native returns 1 with one value pushed, 0 for none, or
// a negative value after setting the error.
#pragma once

#include "core/bounds.h"
#include "core/types.h"
#include "squirrel/squirrel.h"

// The first steps of the script API's registration (the whole of it is
// RegisterScriptApi, scriptapi/): the core natives in their order,
// SystemClockFrequency and the EngineType constants. False when a step fails.
bool RegisterCoreScriptApi(HSQUIRRELVM vm);

// One root-table native whose parameter count is the typemask's position
// count (the hidden this counted). False when the mask is refused or the root
// table already has the name.
bool RegisterScriptFunction(HSQUIRRELVM vm, SQFUNCTION function, const char* name, const char* typeMask);

// The kind of the CObject at the index; false (no error raised) for anything
// else or a CObject without a record.
bool GetScriptObjectKind(HSQUIRRELVM vm, SQInteger index, i32& kind);

// The engine object of the CObject at the index, which may be null. False
// when the value is no CObject (the library's error is set), has no record,
// or holds another kind than expectedKind (0: any), which raises
// "Expected '<expected>' got '<actual>'". object may be null.
bool FetchScriptObject(HSQUIRRELVM vm, SQInteger index, void** object, i32 expectedKind);

// The value functions push exactly one value and return true, or push
// nothing and return false after a binding error.
// A constructed script Vector with x, y, z, w set through its _set.
bool PushVectorValue(HSQUIRRELVM vm, float x, float y, float z, float w);
// A bare Vector holding a copy of the floats.
bool PushVector(HSQUIRRELVM vm, float x, float y, float z, float w);
// A constructed script MinMax whose min and max vectors get x, y, z.
bool PushMinMaxValue(HSQUIRRELVM vm, const zMinMax& bounds);
// A bare script Rect with sx, sy, ex, ey set as floats.
bool PushRectValue(HSQUIRRELVM vm, i32 sx, i32 sy, i32 ex, i32 ey);

// Readers: false, with the library's "invalid type tag" (or "the object is
// not a class instance") set, when the value is not of the class.
bool GetVectorArgument(HSQUIRRELVM vm, SQInteger index, float out[4]);
bool GetUVArgument(HSQUIRRELVM vm, SQInteger index, float out[2]);
// Members sx, sy, ex, ey read as numbers and truncated toward zero; a
// missing or non-numeric member is a binding error.
bool GetRectArgument(HSQUIRRELVM vm, SQInteger index, i32 out[4]);
