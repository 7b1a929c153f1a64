// sq: runs a Squirrel script file with its arguments in vargv, printing to standard output.
// Compile errors and uncaught runtime errors (with the call stack and locals) go to standard
// error; the exit code is the script's integer return value.
#include "squirrel/squirrel.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void PrintFunc(HSQUIRRELVM, const SQChar *s, ...) {
    va_list vl;
    va_start(vl, s);
    vfprintf(stdout, s, vl);
    va_end(vl);
}

void ErrorFunc(HSQUIRRELVM, const SQChar *s, ...) {
    va_list vl;
    va_start(vl, s);
    vfprintf(stderr, s, vl);
    va_end(vl);
}

void PrintCallStack(HSQUIRRELVM v) {
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    if (!pf) return;
    SQStackInfos si;
    SQInteger level = 1;  // 0 is this handler
    pf(v, "\nCALLSTACK\n");
    while (SQ_SUCCEEDED(sq_stackinfos(v, level, &si))) {
        pf(v, "*FUNCTION [%s()] %s line [%d]\n", si.funcname ? si.funcname : "unknown",
           si.source ? si.source : "unknown", si.line);
        level++;
    }
    pf(v, "\nLOCALS\n");
    for (level = 0; level < 10; level++) {
        SQInteger seq = 0;
        const SQChar *name;
        while ((name = sq_getlocal(v, (SQUnsignedInteger)level, (SQUnsignedInteger)seq))) {
            seq++;
            SQInteger i;
            SQFloat f;
            const SQChar *s;
            switch (sq_gettype(v, -1)) {
            case OT_NULL: pf(v, "[%s] NULL\n", name); break;
            case OT_INTEGER:
                sq_getinteger(v, -1, &i);
                pf(v, "[%s] %d\n", name, i);
                break;
            case OT_FLOAT:
                sq_getfloat(v, -1, &f);
                pf(v, "[%s] %.14g\n", name, (double)f);
                break;
            case OT_USERPOINTER: pf(v, "[%s] USERPOINTER\n", name); break;
            case OT_STRING:
                sq_getstring(v, -1, &s);
                pf(v, "[%s] \"%s\"\n", name, s);
                break;
            case OT_TABLE: pf(v, "[%s] TABLE\n", name); break;
            case OT_ARRAY: pf(v, "[%s] ARRAY\n", name); break;
            case OT_CLOSURE: pf(v, "[%s] CLOSURE\n", name); break;
            case OT_NATIVECLOSURE: pf(v, "[%s] NATIVECLOSURE\n", name); break;
            case OT_GENERATOR: pf(v, "[%s] GENERATOR\n", name); break;
            case OT_USERDATA: pf(v, "[%s] USERDATA\n", name); break;
            case OT_THREAD: pf(v, "[%s] THREAD\n", name); break;
            case OT_CLASS: pf(v, "[%s] CLASS\n", name); break;
            case OT_INSTANCE: pf(v, "[%s] INSTANCE\n", name); break;
            case OT_WEAKREF: pf(v, "[%s] WEAKREF\n", name); break;
            case OT_BOOL: {
                SQBool b;
                sq_getbool(v, -1, &b);
                pf(v, "[%s] %s\n", name, b ? "true" : "false");
                break;
            }
            default: break;
            }
            sq_pop(v, 1);
        }
    }
}

SQInteger PrintError(HSQUIRRELVM v) {
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    if (pf && sq_gettop(v) >= 1) {
        const SQChar *err = nullptr;
        if (SQ_SUCCEEDED(sq_getstring(v, 2, &err)))
            pf(v, "\nAN ERROR HAS OCCURED [%s]\n", err);
        else
            pf(v, "\nAN ERROR HAS OCCURED [unknown]\n");
        PrintCallStack(v);
    }
    return 0;
}

void CompilerError(HSQUIRRELVM v, const SQChar *desc, const SQChar *source, SQInteger line, SQInteger column) {
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    if (pf) pf(v, "%s line = (%d) column = (%d) : error %s\n", source, line, column, desc);
}

bool LoadFile(const char *path, std::vector<char> &out) {
    FILE *f = std::fopen(path, "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) out.insert(out.end(), buffer, buffer + n);
    std::fclose(f);
    // a UTF-8 byte order mark is not part of the source
    if (out.size() >= 3 && (unsigned char)out[0] == 0xEF && (unsigned char)out[1] == 0xBB &&
        (unsigned char)out[2] == 0xBF)
        out.erase(out.begin(), out.begin() + 3);
    return true;
}

}  // namespace

int main(int argc, char *argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: sq <file.nut> [args...]\n");
        return 1;
    }
    if (std::strcmp(argv[1], "-v") == 0) {
        std::printf("%s\n", SQUIRREL_VERSION);
        return 0;
    }
    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, PrintFunc, ErrorFunc);
    sq_newclosure(v, PrintError, 0);
    sq_seterrorhandler(v);
    sq_setcompilererrorhandler(v, CompilerError);

    SQInteger retval = 0;
    const char *filename = argv[1];
    std::vector<char> source;
    bool ok = false;
    if (!LoadFile(filename, source)) {
        sq_throwerror(v, "cannot open the file");
    } else if (SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), (SQInteger)source.size(), filename, SQTrue))) {
        sq_pushroottable(v);
        for (int i = 2; i < argc; i++) sq_pushstring(v, argv[i], -1);
        if (SQ_SUCCEEDED(sq_call(v, argc - 1, SQTrue, SQTrue))) {
            if (sq_gettype(v, -1) == OT_INTEGER) sq_getinteger(v, -1, &retval);
        }
        ok = true;
    }
    if (!ok) {
        const SQChar *err;
        sq_getlasterror(v);
        if (SQ_SUCCEEDED(sq_getstring(v, -1, &err))) {
            std::printf("Error [%s]\n", err);
            retval = -2;
        }
    }
    std::fflush(stdout);
    sq_close(v);
    return (int)retval;
}
