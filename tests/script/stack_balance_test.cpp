// Every VM operation and every framework step, failing ones included, leaves
// the Squirrel stack top where it found it. Each row runs in a fresh VM.
#include <gtest/gtest.h>

#include <functional>

#include "script/script_api.h"
#include "script/script_object.h"
#include "script/squirrel_object.h"
#include "tests/script/script_fixture.h"

namespace {

class StackBalance : public ScriptFixture {};

struct BalanceRow {
    const char* name;
    std::function<void(StackBalance&)> operation;
};

const char* const Prelude = "class Unit { speed = 1; function OnEvent(owner) { return owner; } function "
                            "Fail() { local a = null; a.x = 1; } }\n"
                            "unit <- Unit();\n"
                            "function Ok(a) { return [a]; }\n"
                            "function Broken() { throw \"broken\"; }\n"
                            "t <- { k = 1 };\n"
                            "speed <- 0;\n"
                            "arr <- [1, 2];\n";

const ScriptMethodEntry NoMethods[] = {{nullptr, nullptr, 0, nullptr}};
const ScriptClassDescriptor Orphan = {"Orphan", "NoSuchBase", NoMethods};
const ScriptClassDescriptor Plain = {"Plain", nullptr, NoMethods};
const ScriptClassDescriptor Derived = {"Derived", "Plain", NoMethods};

std::unique_ptr<zScriptObject> Member(StackBalance& f, const char* name) {
    return f.vm.GetMember(name, nullptr);
}

// Dispatches an event from inside a script call, as natives that fire UI
// events do: a whole protocol call nested in the outer one.
SQInteger Dispatch(HSQUIRRELVM vm) {
    zSquirrelVM* owner = zSquirrelVM::FromHandle(vm);
    zScriptValue result;
    bool called = owner->PrepareCall("Ok", nullptr, nullptr) && owner->PushArgument(zScriptValue((i32)9)) &&
                  owner->Call(&result);
    sq_pushbool(vm, called ? SQTrue : SQFalse);
    return 1;
}

const BalanceRow Rows[] = {
    {"Call that dispatches a nested call",
     [](StackBalance& f) {
         f.AddNative("Dispatch", Dispatch);
         ASSERT_TRUE(f.Run("function Outer(a, b) { return Dispatch() && a == 1 && b == 2; }", "outer.nut"));
         ASSERT_TRUE(f.vm.PrepareCall("Outer", nullptr, nullptr));
         EXPECT_TRUE(f.vm.PushArgument(zScriptValue((i32)1)));
         EXPECT_TRUE(f.vm.PushArgument(zScriptValue((i32)2)));
         zScriptValue result;
         EXPECT_TRUE(f.vm.Call(&result));
         bool flag = false;
         EXPECT_TRUE(result.GetVariant().GetBool(flag) && flag);
     }},
    {"GetMember found", [](StackBalance& f) { EXPECT_TRUE(Member(f, "unit")); }},
    {"GetMember missing", [](StackBalance& f) { EXPECT_FALSE(Member(f, "nothing")); }},
    {"GetMember of an instance",
     [](StackBalance& f) { EXPECT_TRUE(f.vm.GetMember("speed", Member(f, "unit").get())); }},
    {"GetMember of a number",
     [](StackBalance& f) {
         zScriptValue value;
         f.vm.GetValue("speed", value, Member(f, "unit").get());
         EXPECT_FALSE(f.vm.GetMember("x", Member(f, "t").get()));
     }},
    {"NewTable and NewArray", [](StackBalance& f) { EXPECT_TRUE(f.vm.NewTable() && f.vm.NewArray()); }},
    {"SetGlobal root",
     [](StackBalance& f) { EXPECT_TRUE(f.vm.SetGlobal("g", zScriptValue(1.0f), nullptr)); }},
    {"SetGlobal undeclared member",
     [](StackBalance& f) {
         EXPECT_TRUE(f.vm.SetGlobal("nope", zScriptValue((i32)1), Member(f, "unit").get()));
     }},
    {"SetGlobal without script form",
     [](StackBalance& f) { EXPECT_FALSE(f.vm.SetGlobal("g", zScriptValue(), nullptr)); }},
    {"SetGlobal of a list variant",
     [](StackBalance& f) {
         zVariant list;
         list.SetList();
         EXPECT_FALSE(f.vm.SetGlobal("g", zScriptValue(list), nullptr));
     }},
    {"SetGlobal on a closed holder",
     [](StackBalance& f) {
         zSquirrelVM other(nullptr);
         ASSERT_TRUE(other.Open());
         auto foreign = other.NewTable();
         EXPECT_FALSE(f.vm.SetGlobal("g", zScriptValue((i32)1), foreign.get()));
     }},
    {"GetValue found",
     [](StackBalance& f) {
         zScriptValue value;
         EXPECT_TRUE(f.vm.GetValue("t", value, nullptr));
     }},
    {"GetValue missing",
     [](StackBalance& f) {
         zScriptValue value;
         EXPECT_FALSE(f.vm.GetValue("missing", value, nullptr));
     }},
    {"ArrayAppend",
     [](StackBalance& f) {
         auto array = Member(f, "arr");
         EXPECT_TRUE(f.vm.ArrayAppend(zScriptValue("x"), array.get()));
         EXPECT_FALSE(f.vm.ArrayAppend(zScriptValue(), array.get()));
         EXPECT_FALSE(f.vm.ArrayAppend(zScriptValue((i32)1), Member(f, "t").get()));
     }},
    {"PrepareCall of a missing name",
     [](StackBalance& f) { EXPECT_FALSE(f.vm.PrepareCall("Missing", nullptr, nullptr)); }},
    {"PrepareCall of a missing method",
     [](StackBalance& f) { EXPECT_FALSE(f.vm.PrepareCall("Missing", nullptr, Member(f, "unit").get())); }},
    {"PrepareCall of a number's slot",
     [](StackBalance& f) {
         zScriptValue value;
         EXPECT_FALSE(f.vm.PrepareCall("k", nullptr, Member(f, "arr").get()));
     }},
    {"Call with a result",
     [](StackBalance& f) {
         ASSERT_TRUE(f.vm.PrepareCall("Ok", nullptr, nullptr));
         EXPECT_TRUE(f.vm.PushArgument(zScriptValue((i32)3)));
         zScriptValue result;
         EXPECT_TRUE(f.vm.Call(&result));
         EXPECT_EQ(result.GetKind(), (u32)ScriptValueObject);
     }},
    {"Call of a cached closure with this",
     [](StackBalance& f) {
         auto unit = Member(f, "unit");
         auto method = f.vm.GetMember("OnEvent", unit.get());
         ASSERT_TRUE(f.vm.PrepareCall(nullptr, method.get(), unit.get()));
         EXPECT_TRUE(f.vm.PushArgument(zScriptValue((i32)3)));
         EXPECT_TRUE(f.vm.Call(nullptr));
     }},
    {"Call with too few arguments",
     [](StackBalance& f) {
         ASSERT_TRUE(f.vm.PrepareCall("Ok", nullptr, nullptr));
         EXPECT_FALSE(f.vm.Call(nullptr));
     }},
    {"PushArgument without script form",
     [](StackBalance& f) {
         ASSERT_TRUE(f.vm.PrepareCall("Ok", nullptr, nullptr));
         EXPECT_FALSE(f.vm.PushArgument(zScriptValue()));
         EXPECT_FALSE(f.vm.Call(nullptr));
     }},
    {"PushArgument and Call without PrepareCall",
     [](StackBalance& f) {
         EXPECT_FALSE(f.vm.PushArgument(zScriptValue((i32)1)));
         EXPECT_FALSE(f.vm.Call(nullptr));
     }},
    {"PrepareCall twice",
     [](StackBalance& f) {
         ASSERT_TRUE(f.vm.PrepareCall("Ok", nullptr, nullptr));
         EXPECT_TRUE(f.vm.PushArgument(zScriptValue((i32)1)));
         ASSERT_TRUE(f.vm.PrepareCall("Ok", nullptr, nullptr));
         EXPECT_TRUE(f.vm.PushArgument(zScriptValue((i32)2)));
         EXPECT_TRUE(f.vm.Call(nullptr));
     }},
    {"Call that throws",
     [](StackBalance& f) {
         ASSERT_TRUE(f.vm.PrepareCall("Broken", nullptr, nullptr));
         EXPECT_FALSE(f.vm.Call(nullptr));
         EXPECT_TRUE(f.vm.IsKilled());
     }},
    {"Method that fails at runtime",
     [](StackBalance& f) {
         ASSERT_TRUE(f.vm.PrepareCall("Fail", nullptr, Member(f, "unit").get()));
         EXPECT_FALSE(f.vm.Call(nullptr));
     }},
    {"Kill between PrepareCall and Call",
     [](StackBalance& f) {
         ASSERT_TRUE(f.vm.PrepareCall("Ok", nullptr, nullptr));
         EXPECT_TRUE(f.vm.PushArgument(zScriptValue((i32)1)));
         f.vm.Kill(1, "stop", true);
         EXPECT_FALSE(f.vm.Call(nullptr));
         EXPECT_FALSE(f.vm.PrepareCall("Ok", nullptr, nullptr));
     }},
    {"Include missing, broken, throwing and fine",
     [](StackBalance& f) {
         EXPECT_FALSE(f.vm.Include("missing.nut"));
         EXPECT_TRUE(f.Run("x <- 1;", "fine.nut"));
         EXPECT_FALSE(f.Run("throw 5;", "throws.nut"));
         EXPECT_FALSE(f.Run("local = ;", "broken.nut"));
     }},
    {"InvalidateScriptObjects",
     [](StackBalance& f) {
         int object = 0;
         ASSERT_TRUE(PushScriptObject(f.V(), &object, 24, false));
         sq_pop(f.V(), 1);
         f.vm.InvalidateScriptObjects(&object);
     }},
    {"PushScriptObject without the CObject class",
     [](StackBalance& f) {
         sq_pushroottable(f.V());
         sq_pushstring(f.V(), "CObject", -1);
         sq_deleteslot(f.V(), -2, SQFalse);
         sq_pop(f.V(), 1);
         int object = 0;
         EXPECT_FALSE(PushScriptObject(f.V(), &object, 24, false));
         EXPECT_FALSE(PushScriptVariant(f.V(), zScriptValue(&object, 24u)));
     }},
    {"PushScriptVariant without script form",
     [](StackBalance& f) { EXPECT_FALSE(PushScriptVariant(f.V(), zScriptValue())); }},
    {"RegisterScriptClass",
     [](StackBalance& f) {
         EXPECT_FALSE(RegisterScriptClass(f.V(), &Orphan));
         EXPECT_TRUE(RegisterScriptClass(f.V(), &Plain));
         EXPECT_TRUE(RegisterScriptClass(f.V(), &Derived));
     }},
    {"CreateScriptClassInstance of a missing class",
     [](StackBalance& f) {
         EXPECT_FALSE(CreateScriptClassInstance(f.V(), "Nothing", nullptr, nullptr));
         EXPECT_FALSE(CreateScriptClassInstance(f.V(), "t", nullptr, nullptr));
     }},
    {"ScriptNewInstanceOf failures",
     [](StackBalance& f) {
         EXPECT_FALSE(ScriptNewInstanceOf(f.V(), "Nothing", true));
         ASSERT_TRUE(f.Run("class Throws { constructor() { throw \"no\"; } }", "c.nut"));
         EXPECT_FALSE(ScriptNewInstanceOf(f.V(), "Throws", true));
     }},
    {"Value functions without their classes",
     [](StackBalance& f) {
         EXPECT_FALSE(PushVectorValue(f.V(), 1, 2, 3, 4));
         EXPECT_FALSE(PushVector(f.V(), 1, 2, 3, 4));
         EXPECT_FALSE(PushMinMaxValue(f.V(), zMinMax()));
         EXPECT_FALSE(PushRectValue(f.V(), 1, 2, 3, 4));
         sq_pushroottable(f.V());
         float values[4];
         i32 rect[4];
         EXPECT_FALSE(GetVectorArgument(f.V(), -1, values));
         EXPECT_FALSE(GetUVArgument(f.V(), -1, values));
         EXPECT_FALSE(GetRectArgument(f.V(), -1, rect));
         sq_pop(f.V(), 1);
     }},
    {"Kind reads of non-handles",
     [](StackBalance& f) {
         sq_pushinteger(f.V(), 3);
         i32 kind = -1;
         EXPECT_FALSE(GetScriptObjectKind(f.V(), -1, kind));
         EXPECT_FALSE(FetchScriptObject(f.V(), -1, nullptr, 0));
         sq_pop(f.V(), 1);
     }},
    {"SquirrelObject reads and writes",
     [](StackBalance& f) {
         SquirrelObject table(f.V());
         sq_pushroottable(f.V());
         table.SetFromStack(-1);
         sq_pop(f.V(), 1);
         // A set changes an existing slot only.
         EXPECT_FALSE(table.SetValue("n", (SQInteger)5));
         SquirrelObject array = table.GetValue("arr");
         EXPECT_TRUE(array.SetValue((SQInteger)1, "seven"));
         EXPECT_FALSE(array.SetValue((SQInteger)7, "seven"));
         EXPECT_TRUE(table.SetValue("speed", (SQInteger)5));
         EXPECT_EQ(table.GetInt("speed"), 5);
         EXPECT_STREQ(array.GetString((SQInteger)1), "seven");
         EXPECT_TRUE(table.Exists("speed"));
         EXPECT_FALSE(table.Exists("none"));
         EXPECT_FALSE(table.Exists((SQInteger)8));
         EXPECT_TRUE(table.GetValue("t").Clone().GetSize() == 1);
         EXPECT_TRUE(table.GetDelegate().IsNull());
         EXPECT_TRUE(table.GetValue("t").SetDelegate(table.GetValue("t").Clone()));
         EXPECT_TRUE(table.GetValue("Unit").GetAttributes(nullptr).IsNull());
         EXPECT_EQ(table.GetValue("unit").GetInstanceUserPointer(&f), nullptr);
         EXPECT_TRUE(table.GetValue("arr").ArrayAppend(table.GetValue("speed")));
         EXPECT_EQ(table.GetValue("arr").GetSize(), 3);
         SquirrelObject copy = MakeScriptObjectCopy(f.V(), nullptr);
         EXPECT_TRUE(copy.IsNull());
     }},
    {"SquirrelObject iteration",
     [](StackBalance& f) {
         SquirrelObject root(f.V());
         sq_pushroottable(f.V());
         root.SetFromStack(-1);
         sq_pop(f.V(), 1);
         EXPECT_TRUE(SquirrelObject(f.V()).GetValue("arr").IsNull());
         SquirrelObject list = root.GetValue("arr");
         ASSERT_TRUE(list.BeginIteration());
         int count = 0;
         while (SQ_SUCCEEDED(sq_next(f.V(), -2))) {
             ++count;
             sq_pop(f.V(), 2);
         }
         list.EndIteration();
         EXPECT_EQ(count, 2);
         EXPECT_FALSE(list.GetValue("k").BeginIteration());
     }},
    {"RegisterScriptApi and a native's type error",
     [](StackBalance& f) {
         EXPECT_TRUE(RegisterCoreScriptApi(f.V()));
         EXPECT_FALSE(f.Run("Pow(2, 3);", "pow.nut"));
     }},
};

TEST_F(StackBalance, EveryOperationLeavesTheTopWhereItWas) {
    for (const BalanceRow& row : Rows) {
        ASSERT_TRUE(vm.Open()) << row.name;
        ASSERT_TRUE(Run(Prelude, "prelude.nut")) << row.name;
        SQInteger top = sq_gettop(V());
        row.operation(*this);
        ASSERT_TRUE(vm.IsOpen()) << row.name;
        EXPECT_EQ(sq_gettop(V()), top) << row.name;
    }
}

} // namespace
