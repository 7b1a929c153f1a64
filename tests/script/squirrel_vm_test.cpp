// zSquirrelVM: open, include, slots, the event-call protocol, kills and their
// log lines, handlers, holders across Close.
#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "tests/script/script_fixture.h"

namespace {

using SquirrelVM = ScriptFixture;

// The integer a call returned; -1 when it returned something else.
i32 IntResult(const zScriptValue& result) {
    i32 value = -1;
    return result.GetVariant().GetInt(value) ? value : -1;
}

i32 RootInt(HSQUIRRELVM vm, const char* name, bool* found = nullptr) {
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, name, -1);
    SQInteger value = -1;
    bool got = SQ_SUCCEEDED(sq_get(vm, -2));
    if (got) sq_getinteger(vm, -1, &value);
    sq_settop(vm, top);
    if (found) *found = got;
    return value;
}

TEST_F(SquirrelVM, OpenSetsKindConstantsLibrariesAndCObject) {
    EXPECT_TRUE(vm.IsOpen());
    EXPECT_EQ(zSquirrelVM::FromHandle(V()), &vm);
    EXPECT_EQ(RootInt(V(), "objectTypeItem"), 24);
    EXPECT_EQ(RootInt(V(), "objectTypeDeleted"), 1);
    EXPECT_EQ(RootInt(V(), "objectTypeResourceCache"), 4);
    EXPECT_EQ(RootInt(V(), "objectTypeAnimationSource"), 46);
    bool found = true;
    RootInt(V(), "objectTypeEmitter", &found);
    EXPECT_FALSE(found);
    ASSERT_TRUE(Run(
        "print(typeof blob(4) + \" \" + sqrt(16) + \" \" + format(\"%d\", 7) + \" \" + "
        "typeof regexp(\"a\") + \" \" + typeof getenv + \" \" + typeof stdout + \" \" + typeof CObject)"));
    EXPECT_EQ(log.Text(), "[S] blob 4 7 regexp function file class\n");
}

TEST_F(SquirrelVM, OpenTwiceStartsAFreshVM) {
    ASSERT_TRUE(Run("x <- 1"));
    vm.Kill(1, "first", false);
    ASSERT_TRUE(vm.Open());
    EXPECT_FALSE(vm.IsKilled());
    bool found = true;
    RootInt(V(), "x", &found);
    EXPECT_FALSE(found);
}

TEST_F(SquirrelVM, IncludeOfMissingFileLogsAndKeepsTheVMAlive) {
    EXPECT_FALSE(vm.Include("nope.nut"));
    EXPECT_EQ(log.Text(), "[!] Failed to locate script 'nope.nut'.\n");
    EXPECT_FALSE(vm.IsKilled());
    EXPECT_TRUE(vm.Include(nullptr));
}

TEST_F(SquirrelVM, IncludeOfEmptyFileFailsQuietly) {
    EXPECT_FALSE(Run(""));
    EXPECT_EQ(log.Text(), "");
    EXPECT_FALSE(vm.IsKilled());
}

TEST_F(SquirrelVM, SyntaxErrorKillsWithCodeZeroAndTheCompilerText) {
    EXPECT_FALSE(Run("local a = 1;\nlocal = 2;\n"));
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_EQ(vm.GetKillCode(), 0u);
    EXPECT_EQ(vm.GetErrorSource(), "t.nut");
    EXPECT_EQ(vm.GetErrorLine(), 2);
    std::string reason = vm.GetKillReason().CStr();
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(log.Text(), "[!] Killing VM with reason '" + reason + "'.\n");
}

TEST_F(SquirrelVM, RuntimeErrorAtTopLevelFailsTheInclude) {
    EXPECT_FALSE(Run("local a = null;\na.x = 1;\n"));
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_EQ(vm.GetKillCode(), 1u);
}

TEST_F(SquirrelVM, SecondKillChangesNothing) {
    vm.Kill(4, "first", false);
    vm.Kill(5, "second", true);
    EXPECT_EQ(vm.GetKillCode(), 4u);
    EXPECT_EQ(vm.GetKillReason(), "first");
    EXPECT_EQ(log.Text(), "[!] Killing VM with reason 'first'.\n");
}

TEST_F(SquirrelVM, KillOutsideAnyScriptFrameClearsTheErrorPlace) {
    EXPECT_FALSE(Run("local = 1"));
    ASSERT_EQ(vm.GetErrorSource(), "t.nut");
    vm.Close();
    ASSERT_TRUE(vm.Open());
    log.Reset();
    vm.Kill(2, "MyClass", true);
    EXPECT_TRUE(vm.GetErrorSource().IsEmpty());
    EXPECT_EQ(vm.GetErrorLine(), 0);
    EXPECT_EQ(vm.GetKillCode(), 2u);
    EXPECT_EQ(log.Text(), "[!] Killing VM with reason 'MyClass'.\n");
}

TEST_F(SquirrelVM, KillOfAClosedVMStillRecordsTheReason) {
    vm.Close();
    vm.Kill(2, "closed", true);
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_EQ(log.Text(), "[!] Killing VM with reason 'closed'.\n");
}

// A unit whose class is missing kills with code 2; a constructor error has
// killed with code 1 first, and the later code-2 kill is ignored.
TEST_F(SquirrelVM, MissingClassKillsWithItsNameButAConstructorErrorKeepsCodeOne) {
    ASSERT_TRUE(Run("class Bad { constructor() { throw \"ctor failed\"; } }"));
    EXPECT_FALSE(vm.PrepareCall("Missing", nullptr, nullptr));
    vm.Kill(2, "Missing", true);
    EXPECT_EQ(vm.GetKillCode(), 2u);
    EXPECT_NE(log.Text().find("[!] Killing VM with reason 'Missing'.\n"), std::string::npos);

    ASSERT_TRUE(vm.Open());
    ASSERT_TRUE(Run("class Bad { constructor() { throw \"ctor failed\"; } }"));
    log.Reset();
    ASSERT_TRUE(vm.PrepareCall("Bad", nullptr, nullptr));
    zScriptValue result;
    EXPECT_FALSE(vm.Call(&result));
    vm.Kill(2, "Bad", true);
    EXPECT_EQ(vm.GetKillCode(), 1u);
    EXPECT_EQ(vm.GetKillReason(), "ctor failed");
    EXPECT_EQ(log.Text().find("reason 'Bad'"), std::string::npos);
}

TEST_F(SquirrelVM, PrintOfAnyLength) {
    ASSERT_TRUE(Run("print(\"x\")"));
    EXPECT_EQ(log.Text(), "[S] x\n");
    log.Reset();
    ASSERT_TRUE(Run("error(\"e\" + 5)"));
    EXPECT_EQ(log.Text(), "[S] e5\n");
    log.Reset();
    ASSERT_TRUE(Run("local s = \"\"; for (local i = 0; i < 10000; ++i) s += \"ab\"; print(s);"));
    std::string text = log.Text();
    ASSERT_GE(text.size(), 4000u);
    EXPECT_EQ(text.substr(0, 8), "[S] abab");
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(SquirrelVM, RuntimeErrorThroughTheProtocolLogsTheExceptionAndTheCallStack) {
    ASSERT_TRUE(Run("function f() {\n  local a = null;\n  a.x = 1;\n}\nfunction g() {\n  f();\n}\n"));
    ASSERT_TRUE(vm.PrepareCall("g", nullptr, nullptr));
    EXPECT_FALSE(vm.Call(nullptr));
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_EQ(vm.GetKillCode(), 1u);
    EXPECT_EQ(vm.GetErrorSource(), "t.nut");
    EXPECT_EQ(vm.GetErrorLine(), 3);
    std::string reason = vm.GetKillReason().CStr();
    EXPECT_EQ(log.Text(), "[|] Exception: " + reason +
                              "\n"
                              "[|] \n"
                              "[|] Call stack (CS):\n"
                              "[|]   1: f() t.nut(3)\n"
                              "[|]   2: g() t.nut(6)\n"
                              "[|] \n"
                              "[!] Killing VM with reason '" +
                              reason + "'.\n");
}

// Calls its closure argument with errors raised, as event dispatch does.
SQInteger CallBack(HSQUIRRELVM vm) {
    sq_push(vm, 2);
    sq_pushroottable(vm);
    if (SQ_FAILED(sq_call(vm, 1, SQFalse, SQTrue))) return -1;
    return 0;
}

TEST_F(SquirrelVM, RuntimeErrorFromTopLevelCodeShowsMainAndNativeFrames) {
    AddNative("CallBack", CallBack);
    EXPECT_FALSE(Run("function f() {\n  local a = null;\n  a.x = 1;\n}\nCallBack(function() { f(); });\n"));
    std::string text = log.Text();
    EXPECT_NE(text.find("[|]   1: f() t.nut(3)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[|]   2: NOINFO\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[|]   3: CallBack() C/C++\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[|]   4: main() t.nut(5)\n"), std::string::npos) << text;
}

struct ThrownValue {
    const char* source;
    const char* reason;
};

TEST_F(SquirrelVM, ThrownValuesThatAreNoStringAreNamedByType) {
    const ThrownValue cases[] = {
        {"throw 42;", "Unknown error (Integer)"},
        {"throw {};", "Unknown error (Table)"},
        {"throw null;", "Unknown error (Null)"},
        {"throw 1.5;", "Unknown error (Float)"},
        {"throw \"text\";", "text"},
    };
    for (const ThrownValue& row : cases) {
        ASSERT_TRUE(vm.Open());
        log.Reset();
        EXPECT_FALSE(Run(row.source)) << row.source;
        EXPECT_EQ(vm.GetKillReason(), row.reason) << row.source;
        EXPECT_EQ(log.Text().rfind(std::string("[|] Exception: ") + row.reason + "\n", 0), 0u) << log.Text();
    }
}

TEST_F(SquirrelVM, ErrorInsideAThreadKillsTheOwningVM) {
    EXPECT_FALSE(Run("local t = newthread(function() { throw \"in thread\"; });\nt.call();\n"));
    EXPECT_TRUE(vm.IsKilled());
    EXPECT_EQ(vm.GetKillReason(), "in thread");
}

// Without its foreign pointer the handler still reports, and kills nothing.
TEST_F(SquirrelVM, ErrorHandlerToleratesAMissingForeignPointer) {
    sq_setforeignptr(V(), nullptr);
    EXPECT_FALSE(Run("throw \"lost\";"));
    EXPECT_FALSE(vm.IsKilled());
    EXPECT_EQ(log.Text(), "[|] Exception: lost\n"
                          "[|] \n"
                          "[|] Call stack (CS):\n"
                          "[|]   1: main() t.nut(1)\n"
                          "[|] \n");
    sq_setforeignptr(V(), &vm);
}

TEST_F(SquirrelVM, KilledVMRefusesCallsUntilClosed) {
    ASSERT_TRUE(Run("function h() { ::called <- true; }"));
    vm.Kill(1, "stop", false);
    EXPECT_FALSE(vm.PrepareCall("h", nullptr, nullptr));
    EXPECT_FALSE(vm.Call(nullptr));
    vm.Close();
    EXPECT_FALSE(vm.IsKilled());
    EXPECT_FALSE(vm.PrepareCall("h", nullptr, nullptr));
    ASSERT_TRUE(vm.Open());
    ASSERT_TRUE(Run("function h() { return 5; }"));
    ASSERT_TRUE(vm.PrepareCall("h", nullptr, nullptr));
    zScriptValue result;
    ASSERT_TRUE(vm.Call(&result));
    EXPECT_EQ(IntResult(result), 5);
}

TEST_F(SquirrelVM, PrepareCallOfAMissingNameIsQuiet) {
    SQInteger top = sq_gettop(V());
    EXPECT_FALSE(vm.PrepareCall("Missing", nullptr, nullptr));
    EXPECT_EQ(sq_gettop(V()), top);
    EXPECT_EQ(log.Text(), "");
    EXPECT_FALSE(vm.IsKilled());
}

TEST_F(SquirrelVM, CallPassesThisAndArgumentsAndReturnsTheResult) {
    ASSERT_TRUE(
        Run("class Unit { start = 100; function OnEvent(owner, a, b) { return start + owner + a + b; } }\n"
            "unit <- Unit();\n"));
    auto unit = vm.GetMember("unit", nullptr);
    ASSERT_TRUE(unit);
    ASSERT_TRUE(vm.PrepareCall("OnEvent", nullptr, unit.get()));
    EXPECT_TRUE(vm.PushArgument(zScriptValue((i32)1)));
    EXPECT_TRUE(vm.PushArgument(zScriptValue((i32)20)));
    EXPECT_TRUE(vm.PushArgument(zScriptValue(3.5f)));
    zScriptValue result;
    ASSERT_TRUE(vm.Call(&result));
    f32 value = 0;
    EXPECT_TRUE(result.GetVariant().GetFloat(value));
    EXPECT_FLOAT_EQ(value, 124.5f);

    // A cached closure is called with the same this.
    auto method = vm.GetMember("OnEvent", unit.get());
    ASSERT_TRUE(method);
    ASSERT_TRUE(vm.PrepareCall(nullptr, method.get(), unit.get()));
    vm.PushArgument(zScriptValue((i32)0));
    vm.PushArgument(zScriptValue((i32)0));
    vm.PushArgument(zScriptValue((i32)0));
    ASSERT_TRUE(vm.Call(&result));
    EXPECT_EQ(IntResult(result), 100);
}

TEST_F(SquirrelVM, ArgumentWithoutScriptFormAbandonsTheCall) {
    ASSERT_TRUE(Run("function h(a) { ::called <- true; }"));
    SQInteger top = sq_gettop(V());
    ASSERT_TRUE(vm.PrepareCall("h", nullptr, nullptr));
    EXPECT_FALSE(vm.PushArgument(zScriptValue()));
    EXPECT_EQ(sq_gettop(V()), top);
    EXPECT_FALSE(vm.Call(nullptr));
    EXPECT_FALSE(vm.PushArgument(zScriptValue((i32)1)));
    bool found = true;
    RootInt(V(), "called", &found);
    EXPECT_FALSE(found);
}

TEST_F(SquirrelVM, GetValueConvertsByType) {
    ASSERT_TRUE(Run("i <- 7; f <- 2.5; b <- true; s <- \"text\"; t <- {}; a <- [1]; n <- null;"));
    zScriptValue value;
    i32 number = 0;
    ASSERT_TRUE(vm.GetValue("i", value, nullptr));
    EXPECT_EQ(value.GetVariant().GetType(), (u32)VariantInt);
    EXPECT_TRUE(value.GetVariant().GetInt(number));
    EXPECT_EQ(number, 7);
    ASSERT_TRUE(vm.GetValue("f", value, nullptr));
    EXPECT_EQ(value.GetVariant().GetType(), (u32)VariantFloat);
    ASSERT_TRUE(vm.GetValue("b", value, nullptr));
    EXPECT_EQ(value.GetVariant().GetType(), (u32)VariantBool);
    ASSERT_TRUE(vm.GetValue("s", value, nullptr));
    EXPECT_EQ(value.GetVariant().GetStringValue(), "text");
    for (const char* name : {"t", "a", "n"}) {
        ASSERT_TRUE(vm.GetValue(name, value, nullptr)) << name;
        EXPECT_EQ(value.GetKind(), (u32)ScriptValueObject) << name;
        EXPECT_TRUE(value.Owns()) << name;
        EXPECT_NE(value.GetObject(), nullptr) << name;
    }
    EXPECT_FALSE(vm.GetValue("missing", value, nullptr));
}

TEST_F(SquirrelVM, SetGlobalCreatesTableSlotsButOnlySetsDeclaredMembers) {
    ASSERT_TRUE(Run("class Unit { speed = 1; } unit <- Unit();"));
    auto unit = vm.GetMember("unit", nullptr);
    ASSERT_TRUE(unit);
    EXPECT_TRUE(vm.SetGlobal("speed", zScriptValue((i32)9), unit.get()));
    EXPECT_TRUE(vm.SetGlobal("undeclared", zScriptValue((i32)9), unit.get()));
    zScriptValue value;
    i32 number = 0;
    ASSERT_TRUE(vm.GetValue("speed", value, unit.get()));
    EXPECT_TRUE(value.GetVariant().GetInt(number));
    EXPECT_EQ(number, 9);
    EXPECT_FALSE(vm.GetValue("undeclared", value, unit.get()));

    EXPECT_TRUE(vm.SetGlobal("g_new", zScriptValue("hello"), nullptr));
    ASSERT_TRUE(vm.GetValue("g_new", value, nullptr));
    EXPECT_EQ(value.GetVariant().GetStringValue(), "hello");

    auto table = vm.NewTable();
    ASSERT_TRUE(table);
    EXPECT_TRUE(vm.SetGlobal("k", zScriptValue(true), table.get()));
    EXPECT_TRUE(vm.GetValue("k", value, table.get()));
    EXPECT_FALSE(vm.SetGlobal("none", zScriptValue(), nullptr));
    EXPECT_FALSE(vm.GetValue("none", value, nullptr));
    EXPECT_EQ(log.Text(), "");
}

TEST_F(SquirrelVM, ArraysAndTablesMadeByTheEngine) {
    auto array = vm.NewArray();
    ASSERT_TRUE(array);
    EXPECT_TRUE(vm.ArrayAppend(zScriptValue((i32)4), array.get()));
    EXPECT_TRUE(vm.ArrayAppend(zScriptValue("x"), array.get()));
    EXPECT_FALSE(vm.ArrayAppend(zScriptValue(), array.get()));
    EXPECT_FALSE(vm.ArrayAppend(zScriptValue((i32)1), nullptr));
    ASSERT_TRUE(vm.SetGlobal("arr", zScriptValue(array.get(), false), nullptr));
    ASSERT_TRUE(Run("print(arr.len() + \" \" + arr[0] + arr[1])"));
    EXPECT_EQ(log.Text(), "[S] 2 4x\n");
}

TEST_F(SquirrelVM, EngineObjectsArePushedAsHandles) {
    int item = 0;
    ASSERT_TRUE(Run("function Check(o) { return o.type() * 10 + (o.isValid() ? 1 : 0); }"));
    ASSERT_TRUE(vm.PrepareCall("Check", nullptr, nullptr));
    ASSERT_TRUE(vm.PushArgument(zScriptValue(&item, (u32)ScriptKindItem)));
    zScriptValue result;
    ASSERT_TRUE(vm.Call(&result));
    EXPECT_EQ(IntResult(result), 241);
}

TEST_F(SquirrelVM, HoldersOfAnotherOrAClosedVMAreRefused) {
    zSquirrelVM other(nullptr);
    ASSERT_TRUE(other.Open());
    auto foreign = other.NewTable();
    zScriptValue value;
    EXPECT_FALSE(vm.GetValue("x", value, foreign.get()));
    EXPECT_FALSE(vm.SetGlobal("x", zScriptValue(foreign.get(), false), nullptr));
    other.Close();
    EXPECT_EQ(static_cast<zSquirrelObject*>(foreign.get())->GetOwner(), nullptr);
    foreign.reset();
}

TEST_F(SquirrelVM, HoldersOutliveCloseWithoutTouchingTheFreedVM) {
    ASSERT_TRUE(Run("t <- { a = [1, 2] };"));
    auto table = vm.GetMember("t", nullptr);
    auto array = vm.GetMember("a", table.get());
    ASSERT_TRUE(table && array);
    vm.Close();
    EXPECT_FALSE(vm.IsOpen());
    table.reset();
    ASSERT_TRUE(vm.Open());
    array.reset();
    EXPECT_TRUE(vm.IsOpen());
}

zSquirrelVM* g_hookVM = nullptr;
bool g_hookSawOpen = true;
bool g_hookSetGlobal = true;

SQInteger HookDuringClose(SQUserPointer, SQInteger) {
    g_hookSawOpen = g_hookVM->IsOpen();
    g_hookSetGlobal = g_hookVM->SetGlobal("late", zScriptValue((i32)1), nullptr);
    return 1;
}

TEST_F(SquirrelVM, ReleaseHooksRunningInCloseSeeAClosedVM) {
    g_hookVM = &vm;
    sq_pushroottable(V());
    sq_pushstring(V(), "kept", -1);
    sq_pushroottable(V());
    sq_pushstring(V(), "CObject", -1);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_get(V(), -2)));
    ASSERT_TRUE(SQ_SUCCEEDED(sq_createinstance(V(), -1)));
    sq_setreleasehook(V(), -1, HookDuringClose);
    sq_remove(V(), -2);
    sq_remove(V(), -2);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_newslot(V(), -3, SQFalse)));
    sq_pop(V(), 1);
    vm.Close();
    EXPECT_FALSE(g_hookSawOpen);
    EXPECT_FALSE(g_hookSetGlobal);
}

std::string g_report;
void CaptureReport(const char* report) {
    g_report = report;
}

TEST_F(SquirrelVM, EngineHookReceivesTheReport) {
    zEngine engine;
    engine.scriptErrorHook = CaptureReport;
    zSquirrelVM hooked(&engine);
    ASSERT_TRUE(hooked.Open());
    WriteScript("h.nut", "function f() {\n  throw \"bad\";\n}\nf();\n");
    g_report.clear();
    EXPECT_FALSE(hooked.Include("h.nut"));
    EXPECT_EQ(g_report, "Exception: bad\nCall stack (CS):\n  1: f() h.nut(2)\n  2: main() h.nut(4)\n");
}

// Endless recursion fails at the script stack's bound like any other error:
// the handler still runs, dumps every frame and kills the VM.
TEST_F(SquirrelVM, StackOverflowReachesTheErrorHandler) {
    zEngine engine;
    engine.scriptErrorHook = CaptureReport;
    zSquirrelVM hooked(&engine);
    ASSERT_TRUE(hooked.Open());
    WriteScript("o.nut", "function f(n) { return f(n + 1) + 1 }\nfunction g() {\n  return f(0) + 1;\n}\n");
    ASSERT_TRUE(hooked.Include("o.nut"));
    log.Reset();
    g_report.clear();
    ASSERT_TRUE(hooked.PrepareCall("g", nullptr, nullptr));
    EXPECT_FALSE(hooked.Call(nullptr));
    EXPECT_TRUE(hooked.IsKilled());
    EXPECT_EQ(hooked.GetKillCode(), 1u);
    EXPECT_EQ(hooked.GetKillReason(), "stack overflow");
    EXPECT_EQ(hooked.GetErrorSource(), "o.nut");
    EXPECT_EQ(hooked.GetErrorLine(), 1);
    const std::string text = log.Text();
    EXPECT_EQ(text.rfind("[|] Exception: stack overflow\n"
                         "[|] \n"
                         "[|] Call stack (CS):\n"
                         "[|]   1: f() o.nut(1)\n",
                         0),
              0u);
    const std::string end = "[|]   199999: f() o.nut(1)\n"
                            "[|]   200000: g() o.nut(3)\n"
                            "[|] \n"
                            "[!] Killing VM with reason 'stack overflow'.\n";
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    const std::string reportEnd = "  199999: f() o.nut(1)\n  200000: g() o.nut(3)\n";
    EXPECT_EQ(g_report.rfind("Exception: stack overflow\nCall stack (CS):\n  1: f() o.nut(1)\n", 0), 0u);
    ASSERT_GE(g_report.size(), reportEnd.size());
    EXPECT_EQ(g_report.substr(g_report.size() - reportEnd.size()), reportEnd);
    hooked.Close();
}

TEST(ScriptKinds, DescriptionsAndUnknownKinds) {
    LogCapture log;
    EXPECT_STREQ(ScriptObjectKindName(0), "Undefined");
    EXPECT_STREQ(ScriptObjectKindName(29), "Emitter");
    EXPECT_STREQ(ScriptObjectKindName(46), "Animation Source");
    EXPECT_EQ(log.Text(), "");
    EXPECT_STREQ(ScriptObjectKindName(47), "Unknown");
    EXPECT_STREQ(ScriptObjectKindName(-1), "Unknown");
    EXPECT_EQ(log.Text(), "[!] No matching description string for type 47.\n"
                          "[!] No matching description string for type -1.\n");
    EXPECT_EQ(ScriptEngineTypeConstantName(1), "EngineTypeDeletednative");
    EXPECT_EQ(ScriptEngineTypeConstantName(37), "EngineTypeCollisionShape");
}

} // namespace
