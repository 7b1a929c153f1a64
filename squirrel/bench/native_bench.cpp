// native_bench: runs a Squirrel file in a VM holding the script API's core
// natives and value classes, plus the bench natives below, so that run.sh can
// time the native call path against the same loop calling C functions from
// Lua (native_bench_lua.c). Usage: native_bench file.nut
//
//   VectorStep(v)  a new Vector: v with x + 1 (a native taking an instance
//                  and returning a new Vector, written as the groups write theirs)
//   VectorGetX(v)  the x of a Vector
//   origin         a Vector (0, 0, 0, 1)
#include <cstdarg>
#include <cstdio>

#include "script/script_api.h"
#include "script/script_args.h"
#include "script/value_classes.h"
#include "squirrel/squirrel.h"
#include "squirrel/stdlib/sqstdio.h"

namespace {

void PrintFunc(HSQUIRRELVM, const SQChar* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    vfprintf(stdout, format, arguments);
    va_end(arguments);
}

SQInteger VectorStep(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zVector value = args.Vector(1);
    if (!args) return args.Fail();
    value.x += 1.0f;
    return args.ReturnVector(value);
}

SQInteger VectorGetX(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zVector value = args.Vector(1);
    if (!args) return args.Fail();
    return args.Return(SQFloat(value.x));
}

const ScriptNative BenchNatives[] = {
    {"VectorStep", ".x", VectorStep},
    {"VectorGetX", ".x", VectorGetX},
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: native_bench file.nut\n");
        return 2;
    }
    HSQUIRRELVM vm = sq_open(1024);
    sq_setprintfunc(vm, PrintFunc, PrintFunc);
    bool ready =
        RegisterCoreScriptApi(vm) && RegisterValueClasses(vm) && RegisterScriptNatives(vm, BenchNatives);
    sq_pushroottable(vm);
    sq_pushstring(vm, "origin", -1);
    ready =
        ready && PushVectorInstance(vm, 0.0f, 0.0f, 0.0f, 1.0f) && SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    // The root table stays as the script's this.
    bool ran = ready && SQ_SUCCEEDED(sqstd_dofile(vm, argv[1], SQFalse, SQTrue));
    if (!ran) std::fprintf(stderr, "native_bench: %s failed\n", ready ? argv[1] : "registration");
    sq_close(vm);
    return ran ? 0 : 1;
}
