// Helpers shared by the library registrations: every native function of a library is described
// by one SQRegFunction row (name, function, parameter count, type mask) in a table that ends
// with a row whose name is null.
#pragma once

#include "squirrel/squirrel.h"

#include <new>

// Ends an entry point written as a function-try-block: running out of memory in the library's own
// containers becomes the Squirrel error "out of memory", as in the core API.
#define SQSTD_CATCH(v, ...)                       \
    catch (const std::bad_alloc&) {               \
        sq_throwerror((v), "out of memory");      \
        return __VA_ARGS__;                       \
    }

namespace sqstd {

// Adds every function of `functions` as a slot of the table or class at the top of the stack.
void RegisterFunctions(HSQUIRRELVM v, const SQRegFunction* functions);

// Adds a slot `name` = integer / float / string to the table or class at the top of the stack.
void SetIntegerSlot(HSQUIRRELVM v, const SQChar* name, SQInteger value);
void SetFloatSlot(HSQUIRRELVM v, const SQChar* name, SQFloat value);

// Makes `object` the user pointer of `this` (stack position 1), released by `hook`. `this` must be
// an instance of the class tagged `typetag` (or of a class derived from it); an object it held
// before (a constructor called again) is released at once. On failure nothing changes and the
// caller still owns `object`.
SQRESULT SetInstanceObject(HSQUIRRELVM v, SQUserPointer typetag, SQUserPointer object, SQRELEASEHOOK hook);

} // namespace sqstd
