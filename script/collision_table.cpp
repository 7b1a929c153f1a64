#include "script/collision_table.h"

#include "script/script_api.h"

namespace {

// Appends an array of Vector objects as the slot name of the table on top.
bool AddVectorArray(HSQUIRRELVM vm, const char* name, u32 count, const zVector* values) {
    sq_pushstring(vm, name, -1);
    sq_newarray(vm, 0);
    for (u32 i = 0; i < count; ++i) {
        if (!PushVectorValue(vm, values[i].x, values[i].y, values[i].z, 1.0f)) return false;
        if (SQ_FAILED(sq_arrayappend(vm, -2))) return false;
    }
    return SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
}

} // namespace

bool ScriptNewCollisionTable(HSQUIRRELVM vm, u32 count, const zVector* positions, const zVector* normals) {
    if (!vm || (count && (!positions || !normals))) return false;
    const SQInteger top = sq_gettop(vm);
    sq_newtable(vm);
    sq_pushstring(vm, "count", -1);
    sq_pushinteger(vm, SQInteger(count));
    bool built = SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    built = built && AddVectorArray(vm, "p", count, positions);
    built = built && AddVectorArray(vm, "n", count, normals);
    if (!built) {
        sq_settop(vm, top);
        return false;
    }
    return true;
}
