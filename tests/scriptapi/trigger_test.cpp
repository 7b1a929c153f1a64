// The Trigger group: a 2 m trigger "gate" at the origin and two trigger-
// detected objects, "runner" (whose script unit prints the trigger events it
// hears) and "walker", both 10 m away. Scripts move them in and out and run
// the scene's update, which runs the trigger pass.
#include <gtest/gtest.h>

#include <string>

#include "scene/managed_item.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "scene/trigger.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"

namespace {

class TriggerApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        gate = scene->AddTrigger("gate");
        runner = scene->AddObject("runner", nullptr);
        walker = scene->AddObject("walker", nullptr);
        ASSERT_TRUE(gate && runner && walker);
        gate->SetScale(zVector(2.0f, 2.0f, 2.0f, 1.0f));
        WriteFile("runner.nut",
                  "class Runner {\n"
                  "  function OnEnterTrigger(item, trigger) { print(\"enter \" + ItemGetName(trigger)); }\n"
                  "  function OnTrigger(item, trigger) { print(\"inside \" + ItemGetName(trigger)); }\n"
                  "  function OnExitTrigger(item, trigger) { print(\"exit \" + ItemGetName(trigger)); } }\n");
        SetHandle("s", scene.get(), ScriptKindScene);
        SetHandle("gate", static_cast<zMItem*>(gate), ScriptKindTrigger);
        SetHandle("runner", static_cast<zMItem*>(runner), ScriptKindItem);
        SetHandle("walker", static_cast<zMItem*>(walker), ScriptKindItem);
        EXPECT_EQ(
            Printed("ItemSetScript(runner, \"runner.nut\", \"Runner\");\n"
                    "ItemSetFlags(runner, 16, true); ItemSetFlags(walker, 16, true);\n"
                    "ItemSetPosition(runner, TestVector(10.0, 0.0, 0.0, 1.0));\n"
                    "ItemSetPosition(walker, TestVector(10.0, 0.0, 0.0, 1.0));\n"
                    "function Names(list) { local t = \"\"; foreach (i in list) t += ItemGetName(i) + \";\"; "
                    "return list.len() + \" \" + t; }"),
            "");
    }

    void TearDown() override {
        scene.reset();
        ScriptApiFixture::TearDown();
    }

    std::unique_ptr<zScene> scene{new zScene(&engine, &vm)};
    zTrigger* gate = nullptr;
    zMObject* runner = nullptr;
    zMObject* walker = nullptr;
};

TEST_F(TriggerApi, AnItemEntersOnceStaysAndExitsOnce) {
    const ScriptRow rows[] = {
        {"SceneUpdate(s); print(Names(TriggerGetItemList(gate)) + TriggerTestItem(gate, runner))", "0 false"},
        {"ItemSetPosition(runner, TestVector(0.25, 0.0, 0.0, 1.0)); SceneUpdate(s);\n"
         "print(Names(TriggerGetItemList(gate)) + TriggerTestItem(gate, runner))",
         "inside gate\nenter gate\n1 runner;true"},
        {"SceneUpdate(s); print(Names(TriggerGetItemList(gate)))", "inside gate\n1 runner;"},
        {"ItemSetPosition(walker, TestVector(0.0, 0.5, 0.0, 1.0)); SceneUpdate(s);\n"
         "print(Names(TriggerGetItemList(gate)) + TriggerTestItem(gate, walker))",
         "inside gate\n2 runner;walker;true"},
        {"ItemSetPosition(runner, TestVector(0.0, 5.0, 0.0, 1.0)); SceneUpdate(s);\n"
         "print(Names(TriggerGetItemList(gate)) + TriggerTestItem(gate, runner))",
         "exit gate\n1 walker;false"},
        {"SceneUpdate(s); print(Names(TriggerGetItemList(gate)))", "1 walker;"},
    };
    ExpectScripts(rows);
}

// A trigger handle from a cast is the same trigger; an item handle of the
// trigger answers as an item.
TEST_F(TriggerApi, ACastGivesTheTriggerHandle) {
    const ScriptRow rows[] = {
        {"ItemSetPosition(walker, TestVector(0.0, 0.0, 0.0, 1.0)); SceneUpdate(s);\n"
         "local t = ItemCastToTrigger(SceneFindItem(s, \"gate\")); print(Names(TriggerGetItemList(t)))",
         "1 walker;"},
        {"print(TriggerTestItem(gate, gate))", "false"},
    };
    ExpectScripts(rows);
}

TEST_F(TriggerApi, HandlesAreChecked) {
    SetHandle("nt", nullptr, ScriptKindTrigger);
    const ScriptRow rows[] = {
        {"TriggerGetItemList(runner)", "error: Expected 'Trigger' got 'Item'"},
        {"TriggerGetItemList(nt)", "error: CObject is null"},
        {"TriggerTestItem(gate, g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"TriggerTestItem(gate, NullItem)", "error: CObject is null"},
        {"TriggerTestItem(gate)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(TriggerApi, AnItemDeletedInsideLeavesTheListAndItsHandleDies) {
    EXPECT_EQ(Printed("ItemSetPosition(walker, TestVector(0.0, 0.0, 0.0, 1.0)); SceneUpdate(s);"
                      "print(Names(TriggerGetItemList(gate)))"),
              "1 walker;");
    ASSERT_TRUE(scene->QueueForDeletion(walker));
    scene->FlushDeletionQueue();
    const ScriptRow rows[] = {
        {"print(Names(TriggerGetItemList(gate)))", "0 "},
        {"TriggerTestItem(gate, walker)", "error: Expected 'Item' got 'Deleted native'"},
    };
    ExpectScripts(rows);
    ASSERT_TRUE(scene->QueueForDeletion(gate));
    scene->FlushDeletionQueue();
    EXPECT_EQ(Printed("TriggerGetItemList(gate)"), "error: Expected 'Trigger' got 'Deleted native'");
}

} // namespace
