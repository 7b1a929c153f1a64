#include "squirrel/stdlib/sqstdaux.h"

namespace {

const int kLocalLevels = 10;

void PrintLocal(SQPRINTFUNCTION print, HSQUIRRELVM v, const SQChar* name) {
    SQInteger integer = 0;
    SQFloat real = 0;
    SQBool flag = SQFalse;
    const SQChar* text = nullptr;
    switch (sq_gettype(v, -1)) {
    case OT_NULL:
        print(v, "[%s] NULL\n", name);
        break;
    case OT_INTEGER:
        sq_getinteger(v, -1, &integer);
        print(v, "[%s] %d\n", name, integer);
        break;
    case OT_FLOAT:
        sq_getfloat(v, -1, &real);
        print(v, "[%s] %.14g\n", name, (double)real);
        break;
    case OT_USERPOINTER:
        print(v, "[%s] USERPOINTER\n", name);
        break;
    case OT_STRING:
        sq_getstring(v, -1, &text);
        print(v, "[%s] \"%s\"\n", name, text);
        break;
    case OT_TABLE:
        print(v, "[%s] TABLE\n", name);
        break;
    case OT_ARRAY:
        print(v, "[%s] ARRAY\n", name);
        break;
    case OT_CLOSURE:
        print(v, "[%s] CLOSURE\n", name);
        break;
    case OT_NATIVECLOSURE:
        print(v, "[%s] NATIVECLOSURE\n", name);
        break;
    case OT_GENERATOR:
        print(v, "[%s] GENERATOR\n", name);
        break;
    case OT_USERDATA:
        print(v, "[%s] USERDATA\n", name);
        break;
    case OT_THREAD:
        print(v, "[%s] THREAD\n", name);
        break;
    case OT_CLASS:
        print(v, "[%s] CLASS\n", name);
        break;
    case OT_INSTANCE:
        print(v, "[%s] INSTANCE\n", name);
        break;
    case OT_WEAKREF:
        print(v, "[%s] WEAKREF\n", name);
        break;
    case OT_BOOL:
        sq_getbool(v, -1, &flag);
        print(v, "[%s] %s\n", name, flag ? "true" : "false");
        break;
    default:
        print(v, "[%s] UNKNOWN\n", name);
        break;
    }
}

// The runtime error handler: the error (stack position 2), then the call stack and the locals.
SQInteger PrintError(HSQUIRRELVM v) {
    SQPRINTFUNCTION print = sq_geterrorfunc(v);
    if (print == nullptr || sq_gettop(v) < 1) return 0;
    const SQChar* error = nullptr;
    if (SQ_SUCCEEDED(sq_getstring(v, 2, &error)))
        print(v, "\nAN ERROR HAS OCCURED [%s]\n", error);
    else
        print(v, "\nAN ERROR HAS OCCURED [unknown]\n");
    sqstd_printcallstack(v);
    return 0;
}

void PrintCompilerError(HSQUIRRELVM v, const SQChar* error, const SQChar* source, SQInteger line,
                        SQInteger column) {
    SQPRINTFUNCTION print = sq_geterrorfunc(v);
    if (print != nullptr) print(v, "%s line = (%d) column = (%d) : error %s\n", source, line, column, error);
}

} // namespace

extern "C" {

void sqstd_printcallstack(HSQUIRRELVM v) {
    SQPRINTFUNCTION print = sq_geterrorfunc(v);
    if (print == nullptr) return;
    print(v, "\nCALLSTACK\n");
    SQStackInfos info;
    // Level 0 is the function printing; the stack of interest starts above it.
    for (SQInteger level = 1; SQ_SUCCEEDED(sq_stackinfos(v, level, &info)); ++level) {
        const SQChar* function = info.funcname != nullptr ? info.funcname : "unknown";
        const SQChar* source = info.source != nullptr ? info.source : "unknown";
        print(v, "*FUNCTION [%s()] %s line [%d]\n", function, source, info.line);
    }
    print(v, "\nLOCALS\n");
    for (SQUnsignedInteger level = 0; level < (SQUnsignedInteger)kLocalLevels; ++level) {
        SQUnsignedInteger index = 0;
        while (const SQChar* name = sq_getlocal(v, level, index)) {
            ++index;
            PrintLocal(print, v, name);
            sq_pop(v, 1);
        }
    }
}

void sqstd_seterrorhandlers(HSQUIRRELVM v) {
    sq_setcompilererrorhandler(v, PrintCompilerError);
    sq_newclosure(v, PrintError, 0);
    sq_seterrorhandler(v);
}

} // extern "C"
