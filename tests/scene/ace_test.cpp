#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/log_capture.h"
#include "scene/ace.h"

namespace {

// A vocabulary with the 3D scene's verbs.
struct SceneVerbs : zACEManager {
    SceneVerbs() {
        for (const zACEVerb& verb : SceneACEVerbs)
            DefineCommand(verb.name, verb.code, verb.parameterCount);
    }
};

// A unit that moves a position and a scale as the scene's items do, and
// records every call.
struct MovingUnit : zACEUnit {
    f32 position[3] = {0, 0, 0};
    f32 scale[3] = {1, 1, 1};
    std::vector<i32> executed;

    bool Execute(zACECommand* command, f32 share) override {
        if (command) executed.push_back(command->code);
        if (!command || share == 0.0f) return zACEUnit::Execute(command, share);
        switch (command->code) {
        case 0:
        case 3: {
            f32* value = command->code == 0 ? position : scale;
            f32 fraction = share / command->remaining;
            for (int axis = 0; axis < 3; ++axis)
                value[axis] += (command->parameters[axis] - value[axis]) * fraction;
            return true;
        }
        case 1:
            for (int axis = 0; axis < 3; ++axis)
                position[axis] += command->parameters[axis] * share / command->duration;
            return true;
        default:
            return zACEUnit::Execute(command, share);
        }
    }
};

struct CompileCase {
    const char* text;
    i32 result;
    const char* log;
};

TEST(ACECompile, ResultsAndMessages) {
    const CompileCase cases[] = {
        {"", 0, ""},
        {"  // c\n /* x */ ", 0, ""},
        {"toposition 1, 1,2,3;", 2, ""},
        {"toposition 1,1,2,3 + toscale 2, 2,2,2;", 3, ""},
        {"toposition 1, -1,-2,-3;", 2, ""},
        {"toalpha 0, 0.5;", 2, ""},
        {"nop 1; /* wait */ loop 0;// mark\nnext 0;", 6, ""},
        {"toposition 1, 1,2,3 +", 1, ""},
        {"foo 1;", -1, "[!] Undefined ACE command 'foo'.\n"},
        {"toposition", -1, "[!] No duration for ACE command 'toposition'.\n"},
        {"toposition 1 1,2,3;", -1, "[!] Expected ',' in ACE list declaration.\n"},
        {"toposition 1, ", -1, "[!] Expected ACE command parameter following ','.\n"},
        {"toposition 1, 1,2,3,4;", -1, "[!] ACE compiled with 3 command parameter(s) maximum.\n"},
        {"toposition 1, 1,2;", -1, "[!] ACE command 'toposition' takes 3 parameter(s), found 2.\n"},
        {"toposition 1, 1,2,3", -1, "[!] Mangled ACE command list.\n"},
        {"hide 0;", -1, "[!] Undefined ACE command 'hide'.\n"},
        {";", -1, "[!] Undefined ACE command ''.\n"},
        {"toposition -1, 1,2,3;", -1, "[!] Expected ',' in ACE list declaration.\n"},
        {"nop 1 /* unclosed", -1, "[!] Mangled ACE command list.\n"},
    };
    SceneVerbs manager;
    for (const CompileCase& test : cases) {
        SCOPED_TRACE(test.text);
        LogCapture log;
        MovingUnit unit;
        EXPECT_EQ(manager.LoadCommandList(test.text, unit), test.result);
        EXPECT_EQ(log.Text(), test.log);
        if (test.result <= 0) {
            EXPECT_EQ(unit.GetCursor(), nullptr);
        } else {
            EXPECT_EQ(unit.GetCursor(), unit.GetCommands().GetHead());
            EXPECT_EQ(i32(unit.GetCommands().GetCount()), test.result);
        }
    }
}

TEST(ACECompile, StoresCodesDurationsAndParameters) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("toposition 1, -1,-2.5,-3e-1 + toalpha 0, 0.5; nop 2;", unit), 5);
    const zACECommand* move = unit.GetCommand(0);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->code, 0);
    EXPECT_EQ(move->duration, 1.0f);
    EXPECT_EQ(move->remaining, 1.0f);
    EXPECT_EQ(move->parameters[0], -1.0f);
    EXPECT_EQ(move->parameters[1], -2.5f);
    EXPECT_EQ(move->parameters[2], -0.3f);
    const zACECommand* fade = unit.GetCommand(1);
    EXPECT_EQ(fade->code, 5);
    EXPECT_EQ(fade->duration, 0.001f);
    EXPECT_EQ(fade->remaining, 0.001f);
    EXPECT_EQ(fade->parameters[0], 0.5f);
    EXPECT_EQ(fade->parameters[1], 0.0f);
    EXPECT_EQ(unit.GetCommand(2)->code, ACECodeGroupEnd);
    EXPECT_EQ(unit.GetCommand(3)->code, ACECodeNop);
    EXPECT_EQ(unit.GetCommand(4)->code, ACECodeGroupEnd);
    EXPECT_EQ(unit.GetCommand(5), nullptr);
}

TEST(ACECompile, ErrorKeepsCommandsButRunsNothing) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("toposition 1, 5,5,5; toposition 1, 1,2;", unit), -1);
    // The first command, its group end and the failing command stay.
    EXPECT_EQ(unit.GetCommands().GetCount(), 3u);
    EXPECT_EQ(unit.GetCursor(), nullptr);
    for (int step = 0; step < 5; ++step)
        manager.UpdateUnit(unit, 0.5f);
    EXPECT_TRUE(unit.executed.empty());
    EXPECT_EQ(unit.position[0], 0.0f);
}

TEST(ACECompile, NullTextLeavesTheUnitAlone) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("nop 1;", unit), 2);
    LogCapture log;
    EXPECT_EQ(manager.LoadCommandList(nullptr, unit), -1);
    EXPECT_EQ(log.Text(), "[!] Cannot load a null command list.\n");
    EXPECT_EQ(unit.GetCommands().GetCount(), 2u);
    EXPECT_NE(unit.GetCursor(), nullptr);
}

TEST(ACECompile, ReloadReplacesTheList) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("loop 0; nop 1; next 0;", unit), 6);
    manager.UpdateUnit(unit, 0.1f);
    EXPECT_NE(unit.GetLoopMark(), nullptr);
    ASSERT_EQ(manager.LoadCommandList("nop 1;", unit), 2);
    EXPECT_EQ(unit.GetLoopMark(), nullptr);
    EXPECT_EQ(unit.GetCommand(0)->code, ACECodeNop);
}

TEST(ACEUpdate, ToVerbLandsExactlyOnTheTarget) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("toposition 2, 10,0,0;", unit), 2);
    const f32 expected[] = {1.5f, 3.0f, 4.5f, 6.0f, 7.5f, 9.0f};
    for (f32 x : expected) {
        manager.UpdateUnit(unit, 0.3f);
        EXPECT_NEAR(unit.position[0], x, 1e-4f);
        EXPECT_NE(unit.GetCursor(), nullptr);
    }
    manager.UpdateUnit(unit, 0.3f);
    EXPECT_EQ(unit.position[0], 10.0f);
    EXPECT_EQ(unit.GetCursor(), nullptr);
    EXPECT_EQ(unit.GetCommand(0)->remaining, 0.0f);
}

TEST(ACEUpdate, GroupRunsUntilItsLongestCommandIsDone) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(
        manager.LoadCommandList("offsetposition 1, 1,0,0 + offsetposition 2, 0,1,0; toscale 1, 2,2,2;", unit),
        5);
    for (int step = 0; step < 4; ++step)
        manager.UpdateUnit(unit, 0.5f);
    EXPECT_FLOAT_EQ(unit.position[0], 1.0f);
    EXPECT_FLOAT_EQ(unit.position[1], 1.0f);
    EXPECT_EQ(unit.position[2], 0.0f);
    EXPECT_EQ(unit.scale[0], 1.0f);
    // The shorter command is skipped once finished: 2 + 2 + 1 + 1 calls.
    EXPECT_EQ(unit.executed.size(), 6u);
    manager.UpdateUnit(unit, 0.5f);
    EXPECT_FLOAT_EQ(unit.scale[0], 1.5f);
}

TEST(ACEUpdate, StepLargerThanRemainingGetsOnlyTheRemaining) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("offsetposition 1, 4,0,0;", unit), 2);
    manager.UpdateUnit(unit, 3.0f);
    EXPECT_EQ(unit.position[0], 4.0f);
    EXPECT_EQ(unit.GetCursor(), nullptr);
}

TEST(ACEUpdate, ZeroDurationRunsInTheFirstStep) {
    SceneVerbs manager;
    ASSERT_TRUE(manager.DefineCommand("hide", 6, 0));
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("hide 0;", unit), 2);
    EXPECT_EQ(unit.GetCommand(0)->duration, 0.001f);
    manager.UpdateUnit(unit, 0.02f);
    EXPECT_EQ(unit.executed, std::vector<i32>{6});
    EXPECT_EQ(unit.GetCursor(), nullptr);
}

TEST(ACEUpdate, LoopRunsOneGroupPerStep) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("loop 0; offsetposition 1, 1,0,0; next 0;", unit), 6);
    // loop, offset, offset, next, loop, offset, offset, next, loop, offset.
    const f32 expected[] = {0, 0.5f, 1, 1, 1, 1.5f, 2, 2, 2, 2.5f};
    for (f32 x : expected) {
        manager.UpdateUnit(unit, 0.5f);
        EXPECT_FLOAT_EQ(unit.position[0], x);
    }
    EXPECT_EQ(unit.GetLoopMark(), unit.GetCommands().GetHead());
}

struct NextCase {
    const char* text;
    u32 steps;
};

TEST(ACEUpdate, NextWithoutLoopMarkEndsTheList) {
    // The second form once reset "from none": "next" moved the cursor to the
    // missing mark and "loop" then stored none as the mark.
    const NextCase cases[] = {{"next 0;", 1}, {"next 0 + loop 0;", 1}, {"nop 0.5; next 0 + loop 0;", 2}};
    SceneVerbs manager;
    for (const NextCase& test : cases) {
        SCOPED_TRACE(test.text);
        MovingUnit unit;
        ASSERT_GT(manager.LoadCommandList(test.text, unit), 0);
        for (u32 step = 0; step < test.steps; ++step)
            manager.UpdateUnit(unit, 0.5f);
        EXPECT_EQ(unit.GetCursor(), nullptr);
        EXPECT_EQ(unit.GetLoopMark(), nullptr);
        size_t calls = unit.executed.size();
        manager.UpdateUnit(unit, 0.5f);
        EXPECT_EQ(unit.executed.size(), calls);
    }
}

TEST(ACEUpdate, NextThenLoopInOneGroupKeepsAnEarlierMark) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("loop 0; offsetposition 0.5, 1,0,0; next 0 + loop 0;", unit), 7);
    for (int step = 0; step < 6; ++step)
        manager.UpdateUnit(unit, 0.5f);
    EXPECT_FLOAT_EQ(unit.position[0], 2.0f);
    EXPECT_EQ(unit.GetLoopMark(), unit.GetCommands().GetHead());
}

TEST(ACEUpdate, NothingHappensWithoutACursor) {
    SceneVerbs manager;
    MovingUnit unit;
    manager.UpdateUnit(unit, 1.0f);
    EXPECT_TRUE(unit.executed.empty());
}

TEST(ACEUnit, BaseExecute) {
    MovingUnit unit;
    zACECommand command;
    command.code = ACECodeNop;
    command.remaining = 1.0f;
    EXPECT_FALSE(unit.zACEUnit::Execute(nullptr, 0.5f));
    EXPECT_FALSE(unit.zACEUnit::Execute(&command, 0.0f));
    EXPECT_TRUE(unit.zACEUnit::Execute(&command, 0.5f));
    EXPECT_EQ(command.remaining, 1.0f);

    LogCapture log;
    command.code = ACECodeGroupEnd;
    EXPECT_TRUE(unit.zACEUnit::Execute(&command, 0.5f));
    EXPECT_EQ(log.Text(), "[*] ACE unit is executing exec opcode (?!).\n");

    command.code = ACECodeLoop;
    EXPECT_TRUE(unit.zACEUnit::Execute(&command, 0.5f));
    EXPECT_EQ(command.remaining, 0.0f);
}

TEST(ACEUnit, DumpAndReset) {
    SceneVerbs manager;
    MovingUnit unit;
    ASSERT_EQ(manager.LoadCommandList("toposition 1.5, 1,-2,0.25;", unit), 2);
    LogCapture log;
    unit.DumpCommandList();
    EXPECT_EQ(log.Text(), "Command [0] : 1.500s, parm = {1.000, -2.000, 0.250}.\n"
                          "Command [-2] : 0.000s, parm = {0.000, 0.000, 0.000}.\n");
    unit.ResetCommandList();
    EXPECT_EQ(unit.GetCommands().GetCount(), 0u);
    EXPECT_EQ(unit.GetCursor(), nullptr);
}

TEST(ACEManager, DefinesAndLocking) {
    SceneVerbs manager;
    const char* builtIns[] = {"nop", "loop", "next"};
    const i32 codes[] = {ACECodeNop, ACECodeLoop, ACECodeNext};
    for (int index = 0; index < 3; ++index) {
        const zACEDefine* define = manager.FindDefine(builtIns[index]);
        ASSERT_NE(define, nullptr);
        EXPECT_EQ(define->code, codes[index]);
        EXPECT_EQ(define->parameterCount, 0u);
    }
    LogCapture log;
    EXPECT_FALSE(manager.DefineCommand("x", -5, 0));
    EXPECT_EQ(log.Text(), "[!] Negative command codes are reserved.\n");
    EXPECT_EQ(manager.FindDefine("x"), nullptr);
    // A second define of a name is kept; the first wins on lookup.
    EXPECT_TRUE(manager.DefineCommand("toalpha", 9, 0));
    EXPECT_EQ(manager.FindDefine("toalpha")->code, 5);
}

TEST(ACECommandList, Helpers) {
    zACECommandList list;
    const f32 parameters[3] = {1, 2, 3};
    zACECommandNode* first = AddCommand(list, 0, 1.0f, 1.0f, 1, 2, 3, true, false);
    ASSERT_NE(first, nullptr);
    // Equal apart from the remaining time: found, not added.
    EXPECT_EQ(AddCommand(list, 0, 1.0f, 0.25f, 1, 2, 3, true, false), first);
    EXPECT_EQ(list.GetCount(), 1u);
    zACECommandNode* head = AddCommand(list, 1, 1.0f, 1.0f, 1, 2, 3, false, true);
    EXPECT_EQ(list.GetHead(), head);
    EXPECT_EQ(FindCommand(list, 0, 1.0f, parameters), first);
    const f32 other[3] = {1, 2, 4};
    EXPECT_EQ(FindCommand(list, 0, 1.0f, other), nullptr);

    zACECommand command;
    command.code = 7;
    zACECommandNode* after = InsertAfter(list, command, head);
    EXPECT_EQ(head->next, after);
    zACECommandNode* tail = InsertAfter(list, command, nullptr);
    EXPECT_EQ(list.GetTail(), tail);
    zACECommandNode* front = InsertBefore(list, command, nullptr);
    EXPECT_EQ(list.GetHead(), front);
    zACECommandNode* before = InsertBefore(list, command, first);
    EXPECT_EQ(before->next, first);
    EXPECT_EQ(list.GetCount(), 6u);

    zACECommand copy;
    EXPECT_EQ(&first->value.CopyTo(copy), &copy);
    EXPECT_EQ(copy.remaining, 1.0f);
    EXPECT_EQ(copy, first->value);
}

} // namespace
