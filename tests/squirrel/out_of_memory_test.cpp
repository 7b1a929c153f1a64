// Allocation failure anywhere in compiling, calling and reading a compiled closure comes back as
// the Squirrel error "out of memory": no exception leaves the library, the stack is as it was,
// nothing leaks (the leak checker sees that) and the VM goes on working. Each test fails the
// library's allocator after 0, 1, 2, ... successes until the operation gets through.
#include <gtest/gtest.h>

#include "squirrel/sqmem.h"
#include "squirrel/squirrel.h"
#include "tests/support/files.h"
#include "tests/support/script_fixtures.h"
#include "tests/support/squirrel_error.h"
#include "tests/support/squirrel_stream.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// Exercises most kinds of object: tables, arrays, strings, classes and instances, closures with
// free variables, generators, default parameters, variable arguments, exceptions.
const char *const kScript = R"(
class Counter {
    count = 0;
    names = null;
    constructor(first) { names = [first]; }
    function add(name) { count++; names.append(name); return this; }
}
function gen(n) { for (local i = 0; i < n; i++) yield i * i; }
function sum(first, ...) { local s = first; foreach (v in vargv) s += v; return s; }
function scale(x, by = 2) { return x * by; }
local c = Counter("a");
local t = {};
for (local i = 0; i < 40; i++) {
    c.add("n" + i);
    t["k" + i] <- [i, i.tostring(), { v = i }];
}
local squares = [];
foreach (s in gen(8)) squares.append(s);
local caught = "";
try { throw "thrown " + c.count; } catch (e) { caught = e; }
local f = function(x) { return x + c.count; };
return caught + ":" + sum(1, 2, 3) + ":" + f(squares[7]) + ":" + t.len() + ":" + c.names.len() + ":" + scale(4);
)";
const char *const kResult = "thrown 40:6:89:40:41:8";

std::vector<std::string> g_compileErrors;

void Quiet(HSQUIRRELVM, const SQChar *, ...) {}

void CompileError(HSQUIRRELVM, const SQChar *desc, const SQChar *, SQInteger, SQInteger) {
    g_compileErrors.push_back(desc);
}

using Buffer = SquirrelByteStream;

// Runs the closure on top of the stack with the root table; its string result, or the error.
std::string CallTop(HSQUIRRELVM v) {
    sq_pushroottable(v);
    if (SQ_FAILED(sq_call(v, 1, SQTrue, SQFalse))) return "error: " + SquirrelLastError(v);
    const SQChar *s = nullptr;
    std::string result = SQ_SUCCEEDED(sq_getstring(v, -1, &s)) ? s : "(not a string)";
    sq_pop(v, 1);
    return result;
}

// Fails the allocator after 0, 1, 2, ... successes around attempt, which returns true once it
// succeeded; every failure must be "out of memory" with the stack unchanged.
template <class Attempt>
void FailEachAllocation(HSQUIRRELVM v, Attempt attempt) {
    const SQInteger top = sq_gettop(v);
    SQInteger failures = 0;
    for (SQInteger successes = 0;; successes++) {
        sq_vm_failallocationsafter(successes);
        const bool succeeded = attempt();
        sq_vm_failallocationsafter(-1);
        if (succeeded) break;
        failures++;
        ASSERT_EQ(SquirrelLastError(v), "out of memory") << "after " << successes;
        ASSERT_EQ(sq_gettop(v), top) << "after " << successes;
        ASSERT_LT(successes, 1000000);
    }
    EXPECT_GT(failures, 0);
}

}  // namespace

TEST(OutOfMemory, CompileFailsWithASquirrelError) {
    HSQUIRRELVM v = sq_open(1024);
    sq_setcompilererrorhandler(v, CompileError);
    g_compileErrors.clear();
    FailEachAllocation(v, [&] {
        return SQ_SUCCEEDED(sq_compilebuffer(v, kScript, (SQInteger)std::strlen(kScript), "oom.nut", SQTrue));
    });
    // The failures reached the compile error handler; the closure finally compiled runs.
    ASSERT_FALSE(g_compileErrors.empty());
    for (const std::string &error : g_compileErrors) EXPECT_EQ(error, "out of memory");
    EXPECT_EQ(CallTop(v), kResult);
    sq_pop(v, 1);
    sq_close(v);
}

TEST(OutOfMemory, CallFailsWithASquirrelError) {
    HSQUIRRELVM v = sq_open(1024);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, kScript, (SQInteger)std::strlen(kScript), "oom.nut", SQTrue)));
    std::string result;
    FailEachAllocation(v, [&] {
        sq_push(v, -1);
        sq_pushroottable(v);
        if (SQ_FAILED(sq_call(v, 1, SQTrue, SQFalse))) {
            sq_pop(v, 1);
            return false;
        }
        const SQChar *s = nullptr;
        sq_getstring(v, -1, &s);
        result = s ? s : "(not a string)";
        sq_pop(v, 2);
        return true;
    });
    EXPECT_EQ(result, kResult);
    sq_pop(v, 1);
    sq_close(v);
}

// A script sees running out of memory as an error it can catch, like any other.
TEST(OutOfMemory, ScriptCatchesItAsAnError) {
    HSQUIRRELVM v = sq_open(1024);
    const char *source = "local a = []; try { for (local i = 0; i < 100000; i++) a.append({}); } "
                         "catch (e) { a = null; return e; } return \"no failure\";";
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, source, (SQInteger)std::strlen(source), "catch.nut", SQTrue)));
    sq_vm_failallocationsafter(200);
    const std::string result = CallTop(v);
    sq_vm_failallocationsafter(-1);
    EXPECT_EQ(result, "out of memory");
    sq_pop(v, 1);
    sq_close(v);
}

TEST(OutOfMemory, ReadClosureFailsWithASquirrelError) {
    HSQUIRRELVM v = sq_open(1024);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, kScript, (SQInteger)std::strlen(kScript), "oom.nut", SQTrue)));
    Buffer stream;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_writeclosure(v, WriteBytes, &stream)));
    sq_pop(v, 1);
    FailEachAllocation(v, [&] {
        stream.readPos = 0;
        return SQ_SUCCEEDED(sq_readclosure(v, ReadBytes, &stream));
    });
    EXPECT_EQ(CallTop(v), kResult);
    sq_pop(v, 1);
    sq_close(v);
}

// The host's own calls fail the same way: a push without room for its value pushes nothing.
TEST(OutOfMemory, ApiCallsFailWithASquirrelError) {
    HSQUIRRELVM v = sq_open(1024);
    FailEachAllocation(v, [&] {
        sq_newtable(v);
        sq_pushstring(v, "key", -1);
        sq_newarray(v, 100);
        if (sq_gettop(v) != 3) {
            sq_settop(v, 0);
            return false;
        }
        const bool ok = SQ_SUCCEEDED(sq_newslot(v, -3, SQFalse));
        sq_settop(v, 0);
        return ok;
    });
    sq_close(v);
}

TEST(OutOfMemory, OpenFailsWithNull) {
    for (SQInteger successes = 0;; successes++) {
        sq_vm_failallocationsafter(successes);
        HSQUIRRELVM v = sq_open(1024);
        sq_vm_failallocationsafter(-1);
        if (v) {
            sq_close(v);
            break;
        }
        ASSERT_LT(successes, 100000);
    }
}

// Every fixture, compiled and run with the allocator failing at points spread over its run, ends
// with a result or a Squirrel error: no crash, no leak, and the VM closes cleanly.
TEST(OutOfMemory, EveryFixtureSurvivesIt) {
    const std::vector<std::string> names = ScriptNames(SQ_SCRIPTS);
    ASSERT_FALSE(names.empty());
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        const std::string source = ReadWholeFile(std::string(SQ_SCRIPTS) + "/" + name + ".nut");
        for (SQInteger successes = 0;; successes = successes < 64 ? successes + 1 : successes * 5 / 4) {
            HSQUIRRELVM v = sq_open(1024);
            ASSERT_NE(v, nullptr);
            sq_setprintfunc(v, Quiet, Quiet);
            sq_vm_failallocationsafter(successes);
            bool finished = false;
            if (SQ_SUCCEEDED(sq_compilebuffer(v, source.c_str(), (SQInteger)source.size(), name.c_str(), SQFalse))) {
                sq_pushroottable(v);
                finished = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQFalse));
                sq_pop(v, 1);
            }
            sq_vm_failallocationsafter(-1);
            if (!finished && SquirrelLastError(v) != "out of memory") finished = true;  // a failing fixture
            EXPECT_EQ(sq_gettop(v), 0);
            sq_close(v);
            if (finished) break;
            ASSERT_LT(successes, 100000000);
        }
    }
}
