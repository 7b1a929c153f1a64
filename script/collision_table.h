// The table a script's OnCollisionEx receives with a contact:
//   { count = <points>, p = [Vector, ...], n = [Vector, ...] }
// with one script "Vector" (PushVectorValue: constructed, then x, y, z and
// w = 1 set) per contact position and per normal. The class is looked up in
// the root table when the table is built.
#pragma once

#include "core/types.h"
#include "core/vector.h"
#include "squirrel/squirrel.h"

// Leaves the new table on top; false (stack as it was, binding error
// reported) when "Vector" is missing or cannot be constructed.
bool ScriptNewCollisionTable(HSQUIRRELVM vm, u32 count, const zVector* positions, const zVector* normals);
