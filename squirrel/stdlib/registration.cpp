#include "squirrel/stdlib/registration.h"

namespace sqstd {

void RegisterFunctions(HSQUIRRELVM v, const SQRegFunction* functions) {
    for (const SQRegFunction* f = functions; f->name != nullptr; ++f) {
        sq_pushstring(v, f->name, -1);
        sq_newclosure(v, f->f, 0);
        sq_setparamscheck(v, f->nparamscheck, f->typemask);
        sq_setnativeclosurename(v, -1, f->name);
        sq_newslot(v, -3, SQFalse);
    }
}

void SetIntegerSlot(HSQUIRRELVM v, const SQChar* name, SQInteger value) {
    sq_pushstring(v, name, -1);
    sq_pushinteger(v, value);
    sq_newslot(v, -3, SQFalse);
}

void SetFloatSlot(HSQUIRRELVM v, const SQChar* name, SQFloat value) {
    sq_pushstring(v, name, -1);
    sq_pushfloat(v, value);
    sq_newslot(v, -3, SQFalse);
}

SQRESULT SetInstanceObject(HSQUIRRELVM v, SQUserPointer typetag, SQUserPointer object, SQRELEASEHOOK hook) {
    SQUserPointer previous = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 1, &previous, typetag))) return sq_throwerror(v, "invalid type tag");
    if (SQ_FAILED(sq_setinstanceup(v, 1, object))) return SQ_ERROR;
    sq_setreleasehook(v, 1, hook);
    if (previous != nullptr && previous != object) hook(previous, 0);
    return SQ_OK;
}

} // namespace sqstd
