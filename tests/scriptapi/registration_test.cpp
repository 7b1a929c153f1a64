// Every group registers each of its names once, with masks the VM accepts.
#include <gtest/gtest.h>

#include "script/script_api.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

class Registration : public ScriptApiFixture {};

TEST_F(Registration, TheGroupsComeInTheirFixedOrder) {
    int count = 0;
    const ScriptApiGroup* groups = ScriptApiGroups(count);
    ASSERT_EQ(count, 30);
    EXPECT_STREQ(groups[0].name, "Math");
    EXPECT_STREQ(groups[4].name, "Engine");
    EXPECT_STREQ(groups[22].name, "Input devices");
    EXPECT_STREQ(groups[29].name, "Emitter");
}

// The fixture's registration passed (every mask accepted, no name twice);
// a group registered again is refused name by name.
TEST_F(Registration, AGroupRegisteredTwiceIsRefused) {
    int count = 0;
    const ScriptApiGroup* groups = ScriptApiGroups(count);
    for (int i = 0; i < count; ++i) {
        if (!groups[i].registrar) continue;
        EXPECT_FALSE(groups[i].registrar(V())) << groups[i].name;
    }
    EXPECT_FALSE(RegisterCoreScriptApi(V()));
}

TEST_F(Registration, AMaskTheVmCannotReadIsRefused) {
    auto native = [](HSQUIRRELVM) -> SQInteger { return 0; };
    EXPECT_FALSE(RegisterScriptFunction(V(), native, "BadMask", ".xq"));
    EXPECT_TRUE(RegisterScriptFunction(V(), native, "GoodMask", ". n|x x|n"));
    EXPECT_FALSE(RegisterScriptFunction(V(), native, "GoodMask", ".x"));
}

} // namespace
