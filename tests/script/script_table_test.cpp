#include <gtest/gtest.h>

#include "script/script_class.h"
#include "tests/script/script_fixture.h"

namespace {

SQInteger Twice(HSQUIRRELVM vm) {
    SQInteger value = 0;
    sq_getinteger(vm, 2, &value);
    sq_pushinteger(vm, value * 2);
    return 1;
}

SQInteger FromDelegate(HSQUIRRELVM vm) {
    sq_pushstring(vm, "delegate", -1);
    return 1;
}

const ScriptMethodEntry TableFunctions[] = {{"twice", Twice, 2, ".i"}, {nullptr, nullptr, 0, nullptr}};
const ScriptMethodEntry DelegateFunctions[] = {{"fromDelegate", FromDelegate, 1, nullptr},
                                               {nullptr, nullptr, 0, nullptr}};
const ScriptMethodEntry NoFunctions[] = {{nullptr, nullptr, 0, nullptr}};

ScriptConstantEntry Constant(const char* name, SQInteger integer) {
    ScriptConstantEntry entry{name, OT_INTEGER, {}};
    entry.value.integer = integer;
    return entry;
}

} // namespace

using ScriptTable = ScriptFixture;

TEST_F(ScriptTable, FunctionsConstantsAndDelegateAreRegistered) {
    ScriptConstantEntry constants[4] = {Constant("kInt", 42), {"kFloat", OT_FLOAT, {}}, {"kText", OT_STRING, {}},
                                        {nullptr, OT_NULL, {}}};
    constants[1].value.number = 1.5f;
    constants[2].value.text = "seven";
    const ScriptTableDescriptor descriptor{"Maths", TableFunctions, constants, DelegateFunctions};
    const SQInteger top = sq_gettop(V());
    ASSERT_TRUE(RegisterScriptTable(V(), &descriptor));
    EXPECT_EQ(sq_gettop(V()), top);
    ASSERT_TRUE(Run("print(Maths.twice(4) + \" \" + Maths.kInt + \" \" + Maths.kFloat + \" \" + Maths.kText + \" \" + "
                    "Maths.fromDelegate())"));
    EXPECT_EQ(log.Text(), "[S] 8 42 1.5 seven delegate\n");
    // The parameter check of the function entry holds.
    log.Reset();
    EXPECT_FALSE(Run("Maths.twice(\"x\")", "bad.nut"));
    EXPECT_TRUE(vm.IsKilled());
}

TEST_F(ScriptTable, EmptyListsMakeAnEmptyTable) {
    const ScriptConstantEntry none[] = {{nullptr, OT_NULL, {}}};
    const ScriptTableDescriptor descriptor{"Empty", NoFunctions, none, nullptr};
    ASSERT_TRUE(RegisterScriptTable(V(), &descriptor));
    ASSERT_TRUE(Run("print(Empty.len() + \" \" + (Empty.getdelegate() == null))"));
    EXPECT_EQ(log.Text(), "[S] 0 true\n");
    EXPECT_FALSE(RegisterScriptTable(V(), nullptr));
}
