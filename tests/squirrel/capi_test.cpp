// The C API as a host uses it: release hooks, type tags, quiet lookups, parameter checks,
// metamethod fallbacks from C, handlers and stack information, object words.
#include <gtest/gtest.h>

#include "squirrel/squirrel.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string g_printed;
std::string g_errPrinted;
std::vector<std::string> g_events;

void CapturePrint(HSQUIRRELVM, const SQChar *fmt, ...) {
    char buf[1024];
    va_list vl;
    va_start(vl, fmt);
    vsnprintf(buf, sizeof(buf), fmt, vl);
    va_end(vl);
    g_printed += buf;
}

void CaptureErrorPrint(HSQUIRRELVM, const SQChar *fmt, ...) {
    char buf[1024];
    va_list vl;
    va_start(vl, fmt);
    vsnprintf(buf, sizeof(buf), fmt, vl);
    va_end(vl);
    g_errPrinted += buf;
}

class CApi : public ::testing::Test {
protected:
    void SetUp() override {
        g_printed.clear();
        g_errPrinted.clear();
        g_events.clear();
        v = sq_open(1024);
        sq_setprintfunc(v, CapturePrint, CaptureErrorPrint);
    }
    void TearDown() override {
        if (v) sq_close(v);
    }
    // Compiles and runs source with the root table as this; true when both succeed.
    bool Run(const char *source, bool raiseerror = true) {
        SQInteger top = sq_gettop(v);
        if (SQ_FAILED(sq_compilebuffer(v, source, (SQInteger)strlen(source), "test", raiseerror))) return false;
        sq_pushroottable(v);
        bool ok = SQ_SUCCEEDED(sq_call(v, 1, SQFalse, raiseerror));
        sq_settop(v, top);
        return ok;
    }
    std::string LastError() {
        sq_getlasterror(v);
        const SQChar *s = nullptr;
        std::string text = SQ_SUCCEEDED(sq_getstring(v, -1, &s)) ? s : "<not a string>";
        sq_pop(v, 1);
        sq_reseterror(v);
        return text;
    }
    // Registers a native closure in the root table.
    void Register(const char *name, SQFUNCTION f, SQInteger nparams = 0, const char *mask = nullptr) {
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        sq_newclosure(v, f, 0);
        if (nparams != 0 || mask) {
            EXPECT_TRUE(SQ_SUCCEEDED(sq_setparamscheck(v, nparams, mask)));
        }
        sq_setnativeclosurename(v, -1, name);
        sq_newslot(v, -3, SQFalse);
        sq_pop(v, 1);
    }
    HSQUIRRELVM v = nullptr;
};

// ---- release hooks -------------------------------------------------------------------------

struct HookLog {
    HSQUIRRELVM vm;
    std::vector<int> released;
};
HookLog *g_hookLog = nullptr;

SQInteger RecordRelease(SQUserPointer p, SQInteger) {
    g_hookLog->released.push_back((int)(intptr_t)p);
    return 1;
}

// Makes a bare instance of the root-table class "Holder" with the given user pointer and hook.
SQInteger NewHolder(HSQUIRRELVM v) {
    SQInteger id;
    sq_getinteger(v, 2, &id);
    sq_pushroottable(v);
    sq_pushstring(v, "Holder", -1);
    if (SQ_FAILED(sq_get(v, -2))) return sq_throwerror(v, "no Holder");
    sq_createinstance(v, -1);
    sq_setinstanceup(v, -1, (SQUserPointer)(intptr_t)id);
    sq_setreleasehook(v, -1, RecordRelease);
    return 1;
}

TEST_F(CApi, ReleaseHookRunsWhenLastReferenceGoes) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewHolder", NewHolder, 2, ".i");
    ASSERT_TRUE(Run("class Holder {}\n"
                    "local a = NewHolder(1);\n"
                    "local b = a;\n"
                    "a = null;\n"
                    "::mark1 <- 1;\n"));
    // b went out of scope at the end of the call
    EXPECT_EQ(log.released, std::vector<int>({1}));
    ASSERT_TRUE(Run("::keep <- NewHolder(2); ::keep2 <- [NewHolder(3)];"));
    EXPECT_EQ(log.released, std::vector<int>({1}));
    ASSERT_TRUE(Run("::keep2[0] = null;"));
    EXPECT_EQ(log.released, std::vector<int>({1, 3}));
    ASSERT_TRUE(Run("delete ::keep;"));
    EXPECT_EQ(log.released, std::vector<int>({1, 3, 2}));
    g_hookLog = nullptr;
}

SQInteger ReleasedCount(HSQUIRRELVM v) {
    sq_pushinteger(v, (SQInteger)g_hookLog->released.size());
    return 1;
}
SQInteger PushFirstArgument(HSQUIRRELVM v) {
    sq_push(v, 2);
    return 1;
}
SQInteger ReturnTopInPlace(HSQUIRRELVM v) { return sq_gettop(v) >= 2 ? 1 : 0; }
SQInteger ReturnNothing(HSQUIRRELVM) { return 0; }

// A native's result replaces its target register: the old value goes at once, the result
// stays whether the native pushed it or returned an argument's own slot.
TEST_F(CApi, NativeResultReplacesItsTargetAndReleasesTheOldValue) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewHolder", NewHolder, 2, ".i");
    Register("released", ReleasedCount);
    Register("first", PushFirstArgument);
    Register("inplace", ReturnTopInPlace);
    Register("nothing", ReturnNothing);
    ASSERT_TRUE(Run("class Holder {}\n"
                    "local h = NewHolder(1);\n"
                    "h = first(5); print(h + \" \" + released() + \"\\n\");\n"
                    "h = NewHolder(2);\n"
                    "h = nothing(); print((h == null) + \" \" + released() + \"\\n\");\n"
                    "h = inplace(NewHolder(3)); print(typeof h + \" \" + released() + \"\\n\");\n"
                    "h = inplace(h); h = first(h); print(typeof h + \" \" + released() + \"\\n\");\n"
                    "h = inplace(7); print(h + \" \" + released() + \"\\n\");\n"));
    EXPECT_EQ(g_printed, "5 1\ntrue 2\ninstance 2\ninstance 2\n7 3\n");
    EXPECT_EQ(log.released, std::vector<int>({1, 2, 3}));
    g_hookLog = nullptr;
}

// The VM keeps no hidden reference to the last value a script read once the
// script has returned to the host.
TEST_F(CApi, ReleaseHookIsNotDelayedByTheLastValueReadBeforeReturning) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewHolder", NewHolder, 2, ".i");
    ASSERT_TRUE(Run("class Holder {}\n"
                    "::keep <- NewHolder(4);\n"
                    "::table <- { h = NewHolder(5) };\n"
                    "local read = ::keep;\n"
                    "local inner = ::table.h;\n"));
    sq_pushroottable(v);
    sq_pushstring(v, "keep", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_deleteslot(v, -2, SQFalse)));
    EXPECT_EQ(log.released, std::vector<int>({4}));
    sq_pushstring(v, "table", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_deleteslot(v, -2, SQFalse)));
    sq_pop(v, 1);
    EXPECT_EQ(log.released, std::vector<int>({4, 5}));
    g_hookLog = nullptr;
}

TEST_F(CApi, ReleaseHookOfHeldObjectRunsAtSqRelease) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewHolder", NewHolder, 2, ".i");
    ASSERT_TRUE(Run("class Holder {}"));
    ASSERT_EQ(SQ_OK, sq_compilebuffer(v, "return NewHolder(7);", 20, "t", SQTrue));
    sq_pushroottable(v);
    ASSERT_EQ(SQ_OK, sq_call(v, 1, SQTrue, SQTrue));
    HSQOBJECT held;
    sq_resetobject(&held);
    sq_getstackobj(v, -1, &held);
    sq_addref(v, &held);
    EXPECT_EQ(sq_getrefcount(v, &held), 1u);
    sq_pop(v, 2);
    EXPECT_TRUE(log.released.empty());
    EXPECT_TRUE(sq_release(v, &held));
    EXPECT_EQ(log.released, std::vector<int>({7}));
    g_hookLog = nullptr;
}

// A hook that re-enters the VM: it calls the script function "onRelease" with its pointer.
SQInteger ReenteringHook(SQUserPointer p, SQInteger) {
    HSQUIRRELVM v = g_hookLog->vm;
    g_hookLog->released.push_back((int)(intptr_t)p);
    SQInteger top = sq_gettop(v);
    sq_pushroottable(v);
    sq_pushstring(v, "onRelease", -1);
    if (SQ_SUCCEEDED(sq_get(v, -2))) {
        sq_pushroottable(v);
        sq_pushinteger(v, (SQInteger)(intptr_t)p);
        sq_call(v, 2, SQFalse, SQTrue);
    }
    sq_settop(v, top);
    return 1;
}

SQInteger NewReentrant(HSQUIRRELVM v) {
    SQInteger id;
    sq_getinteger(v, 2, &id);
    sq_pushroottable(v);
    sq_pushstring(v, "Holder", -1);
    sq_get(v, -2);
    sq_createinstance(v, -1);
    sq_setinstanceup(v, -1, (SQUserPointer)(intptr_t)id);
    sq_setreleasehook(v, -1, ReenteringHook);
    return 1;
}

TEST_F(CApi, ReleaseHookMayCallBackIntoTheVm) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewReentrant", NewReentrant, 2, ".i");
    // Each handler makes and drops a new object whose hook runs inside the first one.
    ASSERT_TRUE(Run("class Holder {}\n"
                    "::seen <- [];\n"
                    "function onRelease(id) { ::seen.append(id); if (id < 200) { ::last <- NewReentrant(id + 100); ::last = null; } }\n"
                    "local a = NewReentrant(1);\n"
                    "a = null;\n"
                    "::t <- { x = NewReentrant(2) };\n"
                    "::t.x = 5;\n"
                    "foreach (id in ::seen) print(id + \" \");\n"));
    EXPECT_EQ(g_printed, "1 101 201 2 102 202 ");
    EXPECT_EQ(log.released, std::vector<int>({1, 101, 201, 2, 102, 202}));
    EXPECT_EQ(sq_gettop(v), 0);
    EXPECT_TRUE(Run("::ok <- 1;"));
    g_hookLog = nullptr;
}

TEST_F(CApi, CloseRunsEveryRemainingHookIncludingCycles) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewHolder", NewHolder, 2, ".i");
    ASSERT_TRUE(Run("class Holder {}\n"
                    "::kept <- NewHolder(1);\n"
                    "local t = {}; t.self <- t; t.h <- NewHolder(2);\n"
                    "local a = [NewHolder(3)]; a.append(a);\n"));
    EXPECT_TRUE(log.released.empty());
    sq_pushroottable(v);  // left on the stack on purpose
    sq_close(v);
    v = nullptr;
    std::vector<int> released = log.released;
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, std::vector<int>({1, 2, 3}));
    g_hookLog = nullptr;
}

TEST_F(CApi, CollectGarbageRunsHooksOfCycles) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewHolder", NewHolder, 2, ".i");
    ASSERT_TRUE(Run("class Holder {}\n"
                    "local t = {}; t.self <- t; t.h <- NewHolder(4);\n"));
    EXPECT_TRUE(log.released.empty());
    EXPECT_GE(sq_collectgarbage(v), 1);
    EXPECT_EQ(log.released, std::vector<int>({4}));
    g_hookLog = nullptr;
}

SQInteger UserdataHook(SQUserPointer p, SQInteger size) {
    g_hookLog->released.push_back((int)size * 1000 + *(int *)p);
    return 1;
}

TEST_F(CApi, UserdataHookGetsItsBlockAndSize) {
    HookLog log{v, {}};
    g_hookLog = &log;
    int *block = (int *)sq_newuserdata(v, sizeof(int));
    *block = 9;
    sq_setreleasehook(v, -1, UserdataHook);
    sq_pop(v, 1);
    EXPECT_EQ(log.released, std::vector<int>({(int)sizeof(int) * 1000 + 9}));
    g_hookLog = nullptr;
}

// ---- type tags ---------------------------------------------------------------------------

int g_tagBase, g_tagDerived, g_tagOther;

TEST_F(CApi, GetInstanceUpChecksTypeTagsAndAcceptsBaseClasses) {
    sq_newclass(v, SQFalse);
    sq_settypetag(v, -1, &g_tagBase);
    sq_push(v, -1);
    sq_newclass(v, SQTrue);  // derived from the class on top
    sq_settypetag(v, -1, &g_tagDerived);
    sq_createinstance(v, -1);
    int payload = 0;
    sq_setinstanceup(v, -1, &payload);

    SQUserPointer p = nullptr;
    EXPECT_EQ(sq_getinstanceup(v, -1, &p, &g_tagDerived), SQ_OK);
    EXPECT_EQ(p, &payload);
    p = nullptr;
    EXPECT_EQ(sq_getinstanceup(v, -1, &p, &g_tagBase), SQ_OK);
    EXPECT_EQ(p, &payload);
    p = nullptr;
    EXPECT_EQ(sq_getinstanceup(v, -1, &p, nullptr), SQ_OK);
    EXPECT_EQ(p, &payload);

    EXPECT_TRUE(SQ_FAILED(sq_getinstanceup(v, -1, &p, &g_tagOther)));
    EXPECT_EQ(LastError(), "invalid type tag");

    sq_pushinteger(v, 3);
    EXPECT_TRUE(SQ_FAILED(sq_getinstanceup(v, -1, &p, &g_tagBase)));
    EXPECT_EQ(LastError(), "the object is not a class instance");
    EXPECT_TRUE(SQ_FAILED(sq_getinstanceup(v, -1, &p, nullptr)));
    EXPECT_EQ(LastError(), "the object is not a class instance");
    // A failed check only sets the error: nothing was raised, the stack is unchanged.
    EXPECT_EQ(sq_gettop(v), 4);

    SQUserPointer tag = nullptr;
    EXPECT_EQ(sq_gettypetag(v, -2, &tag), SQ_OK);
    EXPECT_EQ(tag, &g_tagDerived);
}

// ---- quiet lookups -----------------------------------------------------------------------

int g_handlerCalls = 0;
SQInteger CountingErrorHandler(HSQUIRRELVM) {
    g_handlerCalls++;
    return 0;
}

TEST_F(CApi, GetOfMissingKeyFailsQuietly) {
    g_handlerCalls = 0;
    sq_newclosure(v, CountingErrorHandler, 0);
    sq_seterrorhandler(v);
    sq_newtable(v);
    SQInteger top = sq_gettop(v);
    sq_pushstring(v, "missing", -1);
    EXPECT_TRUE(SQ_FAILED(sq_get(v, -2)));
    EXPECT_EQ(sq_gettop(v), top);
    EXPECT_EQ(sq_gettype(v, -1), OT_TABLE);
    EXPECT_EQ(g_handlerCalls, 0);

    // Same on an instance whose _get throws null (a clean miss) and on an array out of range.
    ASSERT_TRUE(Run("class Quiet { function _get(k) { throw null; } }\n::q <- Quiet();"));
    sq_pushroottable(v);
    sq_pushstring(v, "q", -1);
    ASSERT_EQ(sq_get(v, -2), SQ_OK);
    top = sq_gettop(v);
    sq_pushstring(v, "nothing", -1);
    EXPECT_TRUE(SQ_FAILED(sq_get(v, -2)));
    EXPECT_EQ(sq_gettop(v), top);
    EXPECT_EQ(sq_gettype(v, -1), OT_INSTANCE);

    sq_newarray(v, 2);
    top = sq_gettop(v);
    sq_pushinteger(v, 5);
    EXPECT_TRUE(SQ_FAILED(sq_get(v, -2)));
    EXPECT_EQ(sq_gettop(v), top);
    EXPECT_EQ(g_handlerCalls, 0);
    // The VM still works afterwards.
    EXPECT_TRUE(Run("::z <- 1;"));
}

TEST_F(CApi, GetFindsDelegatesAndDefaultDelegates) {
    ASSERT_TRUE(Run("::d <- { shared = 4 }; ::t <- {}.setdelegate(::d);"));
    sq_pushroottable(v);
    sq_pushstring(v, "t", -1);
    ASSERT_EQ(sq_get(v, -2), SQ_OK);
    sq_pushstring(v, "shared", -1);
    ASSERT_EQ(sq_get(v, -2), SQ_OK);
    SQInteger i = 0;
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 4);
    sq_pop(v, 1);
    sq_pushstring(v, "len", -1);
    ASSERT_EQ(sq_get(v, -2), SQ_OK);
    EXPECT_EQ(sq_gettype(v, -1), OT_NATIVECLOSURE);
    sq_pushstring(v, "shared", -1);
    EXPECT_TRUE(SQ_FAILED(sq_rawget(v, -3)));
}

// ---- parameter checks ----------------------------------------------------------------------

SQInteger ReturnArgCount(HSQUIRRELVM v) {
    sq_pushinteger(v, sq_gettop(v));
    return 1;
}

TEST_F(CApi, ParamCheckCountsAndTypemaskMessages) {
    Register("exact2", ReturnArgCount, 2, nullptr);
    Register("atleast2", ReturnArgCount, -2, nullptr);
    Register("frommask", ReturnArgCount, SQ_MATCHTYPEMASKSTRING, ".n s|o");
    Register("shortmask", ReturnArgCount, 3, ".s");
    Register("floatonly", ReturnArgCount, 2, ".f");
    Register("intonly", ReturnArgCount, 2, ".i");
    ASSERT_TRUE(Run(
        "function attempt(f) { try { return f(); } catch (e) { return e; } }\n"
        "print(attempt(function() { return exact2(1); }) + \"\\n\");\n"
        "print(attempt(function() { return exact2(); }) + \"\\n\");\n"
        "print(attempt(function() { return exact2(1, 2); }) + \"\\n\");\n"
        "print(attempt(function() { return atleast2(); }) + \"\\n\");\n"
        "print(attempt(function() { return atleast2(1, 2, 3); }) + \"\\n\");\n"
        "print(attempt(function() { return frommask(1.5, \"a\"); }) + \"\\n\");\n"
        "print(attempt(function() { return frommask(1, null); }) + \"\\n\");\n"
        "print(attempt(function() { return frommask(1); }) + \"\\n\");\n"
        "print(attempt(function() { return frommask(\"x\", \"a\"); }) + \"\\n\");\n"
        "print(attempt(function() { return frommask(1, 2); }) + \"\\n\");\n"
        "print(attempt(function() { return shortmask(\"a\", 5); }) + \"\\n\");\n"
        "print(attempt(function() { return shortmask(5, 5); }) + \"\\n\");\n"
        "print(attempt(function() { return floatonly(1); }) + \"\\n\");\n"
        "print(attempt(function() { return intonly(1.0); }) + \"\\n\");\n"
        "print(attempt(function() { return intonly({}); }) + \"\\n\");\n"));
    EXPECT_EQ(g_printed,
              "2\n"
              "wrong number of parameters\n"
              "wrong number of parameters\n"
              "wrong number of parameters\n"
              "4\n"
              "3\n"
              "3\n"
              "wrong number of parameters\n"
              "parameter 1 has an invalid type 'string' ; expected: 'integer|float'\n"
              "parameter 2 has an invalid type 'integer' ; expected: 'null|string'\n"
              "3\n"
              "parameter 1 has an invalid type 'integer' ; expected: 'string'\n"
              "parameter 1 has an invalid type 'integer' ; expected: 'float'\n"
              "parameter 1 has an invalid type 'float' ; expected: 'integer'\n"
              "parameter 1 has an invalid type 'table' ; expected: 'integer'\n");
}

struct MaskCase {
    const char *letter;
    const char *goodValue;
    const char *typeName;
};

TEST_F(CApi, EveryTypemaskLetterAcceptsItsTypeAndNamesIt) {
    const MaskCase cases[] = {
        {"o", "null", "null"},
        {"i", "1", "integer"},
        {"f", "1.5", "float"},
        {"s", "\"s\"", "string"},
        {"t", "{}", "table"},
        {"a", "[]", "array"},
        {"u", "::ud", "userdata"},
        {"c", "print", "function|function"},
        {"g", "::gen", "generator"},
        {"p", "::up", "userpointer"},
        {"v", "::newthread(print)", "thread"},
        {"x", "::inst", "instance"},
        {"y", "::Cls", "class"},
        {"b", "true", "bool"},
    };
    sq_pushroottable(v);
    sq_pushstring(v, "ud", -1);
    sq_newuserdata(v, 4);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "up", -1);
    sq_pushuserpointer(v, (SQUserPointer)&g_tagBase);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    ASSERT_TRUE(Run("class Cls {} ::inst <- Cls(); function g() { yield 1; } ::gen <- g();"));
    for (const MaskCase &c : cases) {
        SCOPED_TRACE(c.letter);
        std::string mask = std::string(".") + c.letter;
        Register("checked", ReturnArgCount, 2, mask.c_str());
        g_printed.clear();
        std::string good = std::string("print(checked(") + c.goodValue + "));";
        EXPECT_TRUE(Run(good.c_str()));
        EXPECT_EQ(g_printed, "2");
        g_printed.clear();
        // Every letter rejects a value of another type with its own name in the message.
        const char *other = std::strcmp(c.letter, "b") == 0 ? "0" : "false";
        std::string bad = std::string("try { checked(") + other + "); } catch (e) { print(e); }";
        EXPECT_TRUE(Run(bad.c_str()));
        std::string otherType = std::strcmp(c.letter, "b") == 0 ? "integer" : "bool";
        EXPECT_EQ(g_printed, "parameter 1 has an invalid type '" + otherType + "' ; expected: '" + c.typeName + "'");
    }
}

TEST_F(CApi, InvalidTypemaskIsRejected) {
    sq_newclosure(v, ReturnArgCount, 0);
    EXPECT_TRUE(SQ_FAILED(sq_setparamscheck(v, 2, ".z")));
    EXPECT_TRUE(SQ_FAILED(sq_setparamscheck(v, 2, ".i|")));
    EXPECT_EQ(sq_setparamscheck(v, 2, ". i"), SQ_OK);
}

// ---- metamethod fallbacks from C ---------------------------------------------------------

int g_setCalls = 0;
SQInteger NativeSet(HSQUIRRELVM v) {
    const SQChar *key;
    sq_getstring(v, 2, &key);
    if (std::strcmp(key, "x") != 0) return SQ_ERROR;  // no error text: a clean miss
    g_setCalls++;
    sq_pushstring(v, "stored", -1);
    sq_push(v, 3);
    sq_rawset(v, 1);
    return 0;
}
SQInteger NativeGet(HSQUIRRELVM v) {
    const SQChar *key;
    sq_getstring(v, 2, &key);
    if (std::strcmp(key, "fail") == 0) return sq_throwerror(v, "bad member");
    if (std::strcmp(key, "x") != 0) return SQ_ERROR;
    sq_pushstring(v, "stored", -1);
    sq_rawget(v, 1);
    return 1;
}

TEST_F(CApi, GetAndSetFallBackToNativeMetamethodsOnInstances) {
    g_setCalls = 0;
    g_handlerCalls = 0;
    sq_newclosure(v, CountingErrorHandler, 0);
    sq_seterrorhandler(v);
    sq_newclass(v, SQFalse);
    sq_pushstring(v, "stored", -1);
    sq_pushnull(v);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "_set", -1);
    sq_newclosure(v, NativeSet, 0);
    sq_setparamscheck(v, 3, ".s");
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "_get", -1);
    sq_newclosure(v, NativeGet, 0);
    sq_newslot(v, -3, SQFalse);
    sq_createinstance(v, -1);
    SQInteger top = sq_gettop(v);

    sq_pushstring(v, "x", -1);
    sq_pushinteger(v, 42);
    EXPECT_EQ(sq_set(v, -3), SQ_OK);
    EXPECT_EQ(g_setCalls, 1);
    EXPECT_EQ(sq_gettop(v), top);

    sq_pushstring(v, "x", -1);
    ASSERT_EQ(sq_get(v, -2), SQ_OK);
    SQInteger i = 0;
    sq_getinteger(v, -1, &i);
    EXPECT_EQ(i, 42);
    sq_pop(v, 1);

    // Undeclared member, _set misses: fails, stack restored.
    sq_pushstring(v, "y", -1);
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_set(v, -3)));
    EXPECT_EQ(sq_gettop(v), top);
    sq_pushstring(v, "y", -1);
    EXPECT_TRUE(SQ_FAILED(sq_get(v, -2)));
    EXPECT_EQ(sq_gettop(v), top);
    // A string error from _get propagates as the error.
    sq_pushstring(v, "fail", -1);
    EXPECT_TRUE(SQ_FAILED(sq_get(v, -2)));
    EXPECT_EQ(LastError(), "bad member");
    EXPECT_EQ(sq_gettop(v), top);
    EXPECT_EQ(g_handlerCalls, 0);

    // The same instance from script.
    sq_pushroottable(v);
    sq_pushstring(v, "obj", -1);
    sq_push(v, top);
    sq_newslot(v, -3, SQFalse);
    sq_pop(v, 1);
    ASSERT_TRUE(Run("::obj.x = 7; print(::obj.x);\n"
                    "try { ::obj.q = 1; } catch (e) { print(\" \" + e); }\n"
                    "try { print(::obj.q); } catch (e) { print(\" \" + e); }\n"
                    "try { print(::obj.fail); } catch (e) { print(\" \" + e); }\n"));
    EXPECT_EQ(g_printed, "7 the index 'q' does not exist the index 'q' does not exist bad member");
}

TEST_F(CApi, NewSlotOnClassAddsMemberAndInstanceSetOfUndeclaredFails) {
    sq_newclass(v, SQFalse);
    sq_pushstring(v, "a", -1);
    sq_pushinteger(v, 1);
    EXPECT_EQ(sq_newslot(v, -3, SQFalse), SQ_OK);
    sq_createinstance(v, -1);
    sq_pushstring(v, "a", -1);
    sq_pushinteger(v, 5);
    EXPECT_EQ(sq_set(v, -3), SQ_OK);
    sq_pushstring(v, "b", -1);
    sq_pushinteger(v, 5);
    EXPECT_TRUE(SQ_FAILED(sq_set(v, -3)));
    EXPECT_EQ(sq_gettop(v), 2);
    // The class is locked once instantiated.
    sq_pushstring(v, "c", -1);
    sq_pushinteger(v, 1);
    EXPECT_TRUE(SQ_FAILED(sq_newslot(v, 1, SQFalse)));
    EXPECT_EQ(LastError(), "trying to modify a class that has already been instantiated");
}

// ---- error handler and stack information -------------------------------------------------

std::vector<std::string> g_frames;
std::string g_handlerError;

SQInteger RecordingErrorHandler(HSQUIRRELVM v) {
    const SQChar *err = nullptr;
    if (SQ_SUCCEEDED(sq_getstring(v, 2, &err))) g_handlerError = err;
    SQStackInfos si;
    for (SQInteger level = 0; SQ_SUCCEEDED(sq_stackinfos(v, level, &si)); level++) {
        char line[256];
        snprintf(line, sizeof(line), "%d %s %s %d", (int)level, si.funcname ? si.funcname : "NOINFO",
                 si.source ? si.source : "?", (int)si.line);
        g_frames.push_back(line);
    }
    return 0;
}

SQInteger NativeThatThrows(HSQUIRRELVM v) { return sq_throwerror(v, "native failure"); }

// Calls its argument with the root table as this; fails when the call fails.
SQInteger NativeInvoke(HSQUIRRELVM v) {
    sq_push(v, 2);
    sq_pushroottable(v);
    if (SQ_FAILED(sq_call(v, 1, SQFalse, SQTrue))) return SQ_ERROR;
    return 0;
}

TEST_F(CApi, ErrorHandlerSeesFaultingFramesBeforeUnwinding) {
    g_frames.clear();
    g_handlerError.clear();
    sq_newclosure(v, RecordingErrorHandler, 0);
    sq_setnativeclosurename(v, -1, "handler");
    sq_seterrorhandler(v);
    Register("invoke", NativeInvoke);
    EXPECT_FALSE(Run("function outer() {\n"
                     "  local f = function() {\n"
                     "    invoke(boom);\n"
                     "  };\n"
                     "  f();\n"
                     "}\n"
                     "function boom() { throw \"script failure\"; }\n"
                     "outer();\n"));
    EXPECT_EQ(g_handlerError, "script failure");
    ASSERT_GE(g_frames.size(), 6u);
    g_frames.resize(6);  // the first call of the handler, at the raise
    EXPECT_EQ(g_frames, std::vector<std::string>({
                            "0 handler NATIVE -1",
                            "1 boom test 7",
                            "2 invoke NATIVE -1",
                            "3 NOINFO test 3",
                            "4 outer test 5",
                            "5 main test 8",
                        }));
    // After unwinding no frame is left.
    SQStackInfos si;
    si.funcname = "untouched";
    EXPECT_TRUE(SQ_FAILED(sq_stackinfos(v, 0, &si)));
    EXPECT_STREQ(si.funcname, "untouched");
}

TEST_F(CApi, ErrorHandlerOfFailingNativeStartsAtItsCaller) {
    g_frames.clear();
    sq_newclosure(v, RecordingErrorHandler, 0);
    sq_setnativeclosurename(v, -1, "handler");
    sq_seterrorhandler(v);
    Register("thrower", NativeThatThrows);
    EXPECT_FALSE(Run("function f() {\n  thrower();\n}\nf();\n"));
    EXPECT_EQ(g_handlerError, "native failure");
    EXPECT_EQ(g_frames, std::vector<std::string>({"0 handler NATIVE -1", "1 f test 2", "2 main test 4"}));
}

TEST_F(CApi, ErrorHandlerGetsThrownNonStringValues) {
    g_frames.clear();
    sq_newclosure(v, RecordingErrorHandler, 0);
    sq_seterrorhandler(v);
    EXPECT_FALSE(Run("throw 5;"));
    EXPECT_EQ(g_frames.size(), 2u);
    EXPECT_EQ(g_frames[1], "1 main test 1");
    sq_getlasterror(v);
    SQInteger i = 0;
    EXPECT_EQ(sq_getinteger(v, -1, &i), SQ_OK);
    EXPECT_EQ(i, 5);
    sq_pop(v, 1);
    // Caught errors do not reach the handler.
    g_frames.clear();
    EXPECT_TRUE(Run("try { throw 1; } catch (e) {}"));
    EXPECT_TRUE(g_frames.empty());
    // Without raiseerror the handler is not called either.
    EXPECT_FALSE(Run("throw 2;", false));
    EXPECT_TRUE(g_frames.empty());
}

TEST_F(CApi, StackInfosOfMissingLevelFailsWithoutFillingTheRecord) {
    SQStackInfos si;
    si.funcname = "keep";
    si.source = "keep";
    si.line = 99;
    EXPECT_TRUE(SQ_FAILED(sq_stackinfos(v, 0, &si)));
    EXPECT_TRUE(SQ_FAILED(sq_stackinfos(v, -1, &si)));
    EXPECT_STREQ(si.funcname, "keep");
    EXPECT_STREQ(si.source, "keep");
    EXPECT_EQ(si.line, 99);
}

std::string g_compileError;
void RecordCompileError(HSQUIRRELVM, const SQChar *desc, const SQChar *source, SQInteger line, SQInteger column) {
    char buf[512];
    snprintf(buf, sizeof(buf), "%s|%s|%d|%d", desc, source, (int)line, (int)column);
    g_compileError = buf;
}

TEST_F(CApi, CompileErrorHandlerIsCalledOnlyWithRaiseError) {
    sq_setcompilererrorhandler(v, RecordCompileError);
    g_compileError.clear();
    const char *bad = "local a = 1;\nlocal = 2;\n";
    EXPECT_TRUE(SQ_FAILED(sq_compilebuffer(v, bad, (SQInteger)strlen(bad), "bad.nut", SQTrue)));
    EXPECT_EQ(g_compileError.substr(0, g_compileError.find('|')), "expected 'IDENTIFIER'");
    EXPECT_NE(g_compileError.find("|bad.nut|2|"), std::string::npos) << g_compileError;
    EXPECT_EQ(LastError(), "expected 'IDENTIFIER'");
    EXPECT_EQ(sq_gettop(v), 0);
    g_compileError.clear();
    EXPECT_TRUE(SQ_FAILED(sq_compilebuffer(v, bad, (SQInteger)strlen(bad), "bad.nut", SQFalse)));
    EXPECT_TRUE(g_compileError.empty());
}

TEST_F(CApi, PrintAndErrorGoThroughThePrintFunctionsVerbatim) {
    ASSERT_TRUE(Run("print(\"100% %s %d\"); error(\"e%n%s\");"));
    EXPECT_EQ(g_printed, "100% %s %d");
    EXPECT_EQ(g_errPrinted, "e%n%s");
    EXPECT_EQ(sq_getprintfunc(v), (SQPRINTFUNCTION)CapturePrint);
    EXPECT_EQ(sq_geterrorfunc(v), (SQPRINTFUNCTION)CaptureErrorPrint);
}

// ---- threads and foreign pointers --------------------------------------------------------

TEST_F(CApi, NewThreadCopiesForeignPointer) {
    int host = 0;
    sq_setforeignptr(v, &host);
    HSQUIRRELVM t = sq_newthread(v, 256);
    EXPECT_EQ(sq_gettype(v, -1), OT_THREAD);
    EXPECT_EQ(sq_getforeignptr(t), &host);
    int other = 0;
    sq_setforeignptr(t, &other);
    EXPECT_EQ(sq_getforeignptr(v), &host);
    EXPECT_EQ(sq_getvmstate(t), SQ_VMSTATE_IDLE);
    sq_pop(v, 1);
}

SQInteger SuspendingNative(HSQUIRRELVM v) { return sq_suspendvm(v); }

TEST_F(CApi, ThreadSuspendsAndWakesUpFromC) {
    Register("pause", SuspendingNative);
    ASSERT_TRUE(Run("function worker(a) { local b = pause(); print(a + b); return a * b; }"));
    HSQUIRRELVM t = sq_newthread(v, 256);
    sq_pushroottable(t);
    sq_pushstring(t, "worker", -1);
    ASSERT_EQ(sq_get(t, -2), SQ_OK);
    sq_pushroottable(t);
    sq_pushinteger(t, 6);
    ASSERT_EQ(sq_call(t, 2, SQFalse, SQTrue), SQ_OK);
    EXPECT_EQ(sq_getvmstate(t), SQ_VMSTATE_SUSPENDED);
    sq_pushinteger(t, 7);
    ASSERT_EQ(sq_wakeupvm(t, SQTrue, SQTrue, SQTrue, SQFalse), SQ_OK);
    EXPECT_EQ(g_printed, "13");
    SQInteger r = 0;
    sq_getinteger(t, -1, &r);
    EXPECT_EQ(r, 42);
    EXPECT_EQ(sq_getvmstate(t), SQ_VMSTATE_IDLE);
    EXPECT_TRUE(SQ_FAILED(sq_wakeupvm(t, SQFalse, SQFalse, SQTrue, SQFalse)));
    sq_pop(v, 1);
}

// ---- object words ------------------------------------------------------------------------

TEST(CApiWords, TypeWordsAreThoseOfTheLanguage) {
    struct {
        SQObjectType type;
        unsigned word;
    } const words[] = {
        {OT_NULL, 0x01000001u},       {OT_INTEGER, 0x05000002u},   {OT_FLOAT, 0x05000004u},
        {OT_BOOL, 0x01000008u},       {OT_STRING, 0x08000010u},    {OT_TABLE, 0x0A000020u},
        {OT_ARRAY, 0x08000040u},      {OT_USERDATA, 0x0A000080u},  {OT_CLOSURE, 0x08000100u},
        {OT_NATIVECLOSURE, 0x08000200u}, {OT_GENERATOR, 0x08000400u}, {OT_USERPOINTER, 0x00000800u},
        {OT_THREAD, 0x08001000u},     {OT_FUNCPROTO, 0x08002000u}, {OT_CLASS, 0x08004000u},
        {OT_INSTANCE, 0x0A008000u},   {OT_WEAKREF, 0x08010000u},
    };
    for (const auto &w : words) EXPECT_EQ((unsigned)w.type, w.word);
    EXPECT_EQ(sizeof(SQInteger), 4u);
    EXPECT_EQ(sizeof(SQFloat), 4u);
    EXPECT_EQ(sizeof(SQUserPointer), sizeof(void *));
    HSQOBJECT o;
    sq_resetobject(&o);
    EXPECT_EQ(o._type, OT_NULL);
    EXPECT_EQ(o._unVal.raw, 0u);
    o._type = OT_INTEGER;
    EXPECT_TRUE(sq_isnumeric(o));
    o._type = OT_FLOAT;
    EXPECT_TRUE(sq_isnumeric(o));
    o._type = OT_BOOL;
    EXPECT_FALSE(sq_isnumeric(o));
}

TEST_F(CApi, NumbersInObjectsZeroTheWholeValueWord) {
    sq_pushinteger(v, -1);
    sq_pushfloat(v, 1.5f);
    sq_pushbool(v, SQTrue);
    sq_pushbool(v, SQFalse);
    ASSERT_TRUE(Run("::fromScript <- [0xFFFFFFFF, 2.5, true, 7];"));
    HSQOBJECT o;
    // Fill with garbage first: the read must overwrite every byte.
    std::memset(&o, 0xAB, sizeof(o));
    sq_getstackobj(v, 1, &o);
    EXPECT_EQ(o._type, OT_INTEGER);
    EXPECT_EQ(o._unVal.raw, 0xFFFFFFFFull);
    EXPECT_EQ(sq_objtointeger(&o), -1);
    sq_getstackobj(v, 2, &o);
    EXPECT_EQ(o._type, OT_FLOAT);
    EXPECT_EQ(o._unVal.raw >> 32, 0u);
    EXPECT_EQ(sq_objtofloat(&o), 1.5f);
    EXPECT_EQ(sq_objtointeger(&o), 1);
    sq_getstackobj(v, 3, &o);
    EXPECT_EQ(o._unVal.raw, 1u);
    EXPECT_EQ(sq_objtobool(&o), SQTrue);
    sq_getstackobj(v, 4, &o);
    EXPECT_EQ(o._unVal.raw, 0u);
    EXPECT_EQ(sq_objtobool(&o), SQFalse);

    sq_pushroottable(v);
    sq_pushstring(v, "fromScript", -1);
    ASSERT_EQ(sq_get(v, -2), SQ_OK);
    for (SQInteger i = 0; i < 4; i++) {
        sq_pushinteger(v, i);
        ASSERT_EQ(sq_get(v, -2), SQ_OK);
        sq_getstackobj(v, -1, &o);
        EXPECT_EQ(o._unVal.raw >> 32, 0u) << i;
        sq_pop(v, 1);
    }
    sq_pushinteger(v, 1);
    sq_get(v, -2);
    sq_getstackobj(v, -1, &o);
    EXPECT_EQ(sq_objtofloat(&o), 2.5f);
    EXPECT_EQ(sq_objtostring(&o), nullptr);
}

TEST_F(CApi, NumberReadsConvertAndBoolAndStringReadsDoNot) {
    sq_pushfloat(v, 640.7f);
    sq_pushinteger(v, 480);
    sq_pushinteger(v, 1);
    sq_pushstring(v, "abc\0def", 7);
    SQInteger i = 0;
    SQFloat f = 0;
    SQBool b = SQFalse;
    const SQChar *s = nullptr;
    EXPECT_EQ(sq_getinteger(v, 1, &i), SQ_OK);
    EXPECT_EQ(i, 640);
    EXPECT_EQ(sq_getfloat(v, 2, &f), SQ_OK);
    EXPECT_EQ(f, 480.0f);
    EXPECT_TRUE(SQ_FAILED(sq_getbool(v, 3, &b)));
    EXPECT_TRUE(SQ_FAILED(sq_getstring(v, 3, &s)));
    EXPECT_EQ(sq_getstring(v, 4, &s), SQ_OK);
    EXPECT_EQ(sq_getsize(v, 4), 7);
    EXPECT_EQ(std::memcmp(s, "abc\0def", 7), 0);
    EXPECT_TRUE(SQ_FAILED(sq_getinteger(v, 4, &i)));
}

// ---- calling classes and instances -------------------------------------------------------

SQInteger NativeConstructor(HSQUIRRELVM v) {
    SQInteger n = 0;
    sq_getinteger(v, 2, &n);
    sq_setinstanceup(v, 1, (SQUserPointer)(intptr_t)n);
    sq_pushinteger(v, 99);  // ignored: a constructor's value is not the call's value
    return 1;
}

TEST_F(CApi, CallingAClassConstructsAndIgnoresTheConstructorsValue) {
    sq_newclass(v, SQFalse);
    sq_pushstring(v, "constructor", -1);
    sq_newclosure(v, NativeConstructor, 0);
    sq_newslot(v, -3, SQFalse);
    sq_pushroottable(v);
    sq_pushinteger(v, 12);
    ASSERT_EQ(sq_call(v, 2, SQTrue, SQTrue), SQ_OK);
    ASSERT_EQ(sq_gettype(v, -1), OT_INSTANCE);
    SQUserPointer p = nullptr;
    EXPECT_EQ(sq_getinstanceup(v, -1, &p, nullptr), SQ_OK);
    EXPECT_EQ((intptr_t)p, 12);
    EXPECT_EQ(sq_gettop(v), 2);
}

TEST_F(CApi, CloneOfInstanceDropsUserPointerAndCallsCloned) {
    ASSERT_TRUE(Run("class C { v = 1; function _cloned(o) { ::from <- o.v; } }\n::orig <- C(); ::orig.v = 3;"));
    sq_pushroottable(v);
    sq_pushstring(v, "orig", -1);
    sq_get(v, -2);
    int payload;
    sq_setinstanceup(v, -1, &payload);
    ASSERT_EQ(sq_clone(v, -1), SQ_OK);
    SQUserPointer p = &payload;
    EXPECT_EQ(sq_getinstanceup(v, -1, &p, nullptr), SQ_OK);
    EXPECT_EQ(p, nullptr);
    ASSERT_TRUE(Run("print(::from);"));
    EXPECT_EQ(g_printed, "3");
}

TEST_F(CApi, NextIteratesTablesAndRestoresTheStack) {
    ASSERT_TRUE(Run("::tab <- { a = 1, b = 2, c = 3 };"));
    sq_pushroottable(v);
    sq_pushstring(v, "tab", -1);
    sq_get(v, -2);
    SQInteger top = sq_gettop(v);
    sq_pushnull(v);
    SQInteger sum = 0;
    std::string keys;
    while (SQ_SUCCEEDED(sq_next(v, -2))) {
        const SQChar *k;
        SQInteger n;
        sq_getstring(v, -2, &k);
        sq_getinteger(v, -1, &n);
        keys += k;
        sum += n;
        sq_pop(v, 2);
    }
    sq_pop(v, 1);
    EXPECT_EQ(sq_gettop(v), top);
    EXPECT_EQ(sum, 6);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, "abc");
}

// The same buffer pushed again after its text changed, or after its string was freed, names the
// new text: strings are found again by their address, but never by it alone.
TEST_F(CApi, PushStringFromAReusedBufferGivesItsNewText) {
    char buffer[16];
    const struct {
        const char *text;
        bool keepPrevious;
    } steps[] = {{"alpha", true}, {"beta", true}, {"alphabet", false}, {"alpha", false}, {"", false}, {"beta", true}};
    for (const auto &step : steps) {
        if (!step.keepPrevious) sq_settop(v, 0);
        std::strcpy(buffer, step.text);
        sq_pushstring(v, buffer, -1);
        const SQChar *read = nullptr;
        ASSERT_TRUE(SQ_SUCCEEDED(sq_getstring(v, -1, &read)));
        EXPECT_STREQ(read, step.text);
        EXPECT_EQ(sq_getsize(v, -1), (SQInteger)std::strlen(step.text));
    }
    // Interned: the pushed text and the script's literal are one string.
    sq_settop(v, 0);
    std::strcpy(buffer, "beta");
    ASSERT_TRUE(Run("::b <- \"beta\";"));
    sq_pushroottable(v);
    sq_pushstring(v, "b", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
    sq_pushstring(v, buffer, -1);
    EXPECT_EQ(sq_cmp(v), 0);
}

// sq_remove keeps the order of what stays and releases what it removes once.
TEST_F(CApi, RemoveShiftsTheRestDownAndReleasesTheRemovedValue) {
    HookLog log{v, {}};
    g_hookLog = &log;
    Register("NewHolder", NewHolder, 2, ".i");
    ASSERT_TRUE(Run("class Holder {}"));
    const struct {
        SQInteger index;
        std::vector<int> left;
    } removals[] = {{-3, {1, 3, 4}}, {-1, {1, 2, 3}}, {1, {2, 3, 4}}, {2, {1, 3, 4}}};
    for (const auto &removal : removals) {
        sq_settop(v, 0);
        log.released.clear();
        for (int id = 1; id <= 4; ++id) {
            sq_pushroottable(v);
            sq_pushstring(v, "NewHolder", -1);
            sq_get(v, -2);
            sq_remove(v, -2);
            sq_pushroottable(v);
            sq_pushinteger(v, id);
            ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 2, SQTrue, SQFalse)));
            sq_remove(v, -2);
        }
        ASSERT_EQ(sq_gettop(v), 4);
        sq_remove(v, removal.index);
        ASSERT_EQ(sq_gettop(v), 3);
        std::vector<int> left;
        for (SQInteger i = 1; i <= 3; ++i) {
            SQUserPointer p = nullptr;
            sq_getinstanceup(v, i, &p, nullptr);
            left.push_back((int)(intptr_t)p);
        }
        EXPECT_EQ(left, removal.left) << removal.index;
        EXPECT_EQ(log.released.size(), 1u) << removal.index;
    }
    sq_settop(v, 0);
    g_hookLog = nullptr;
}

}  // namespace
