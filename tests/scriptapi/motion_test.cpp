// The Motion group: a motion "slide" built key by key (x from 0 to 10 over
// 2 s, y from 0 to 4 over 4 s) given to the object "mover", and an empty
// motion "still". Animate(t) runs the mover's animation player for t
// seconds.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "scene/managed_object.h"
#include "scene/motion.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"

namespace {

zMObject* g_mover = nullptr;

SQInteger Animate(HSQUIRRELVM vm) {
    SQFloat seconds = 0;
    sq_getfloat(vm, 2, &seconds);
    g_mover->zAnimationPlayer::UpdateAnimation(seconds);
    return 0;
}

// A linear channel through the (time, value) keys.
void AddChannel(zMotion& motion, i32 id, std::initializer_list<std::pair<f32, f32>> keys) {
    zMotionChannel* channel = motion.AddChannel(id);
    ASSERT_TRUE(channel);
    for (const auto& key : keys) {
        auto point = std::make_unique<zCurvePoint>();
        point->time = key.first;
        point->value = key.second;
        ASSERT_TRUE(channel->AddPoint(std::move(point)));
    }
}

class MotionApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        ASSERT_TRUE(RegisterScriptFunction(V(), Animate, "Animate", ".n"));
        g_mover = scene->AddObject("mover", nullptr);
        ASSERT_TRUE(g_mover);
        auto slide = std::make_unique<zMotion>("slide");
        AddChannel(*slide, ChannelPositionX, {{0.0f, 0.0f}, {2.0f, 10.0f}});
        AddChannel(*slide, ChannelPositionY, {{0.0f, 0.0f}, {4.0f, 4.0f}});
        ASSERT_TRUE(g_mover->AddMotion(std::move(slide)));
        ASSERT_TRUE(g_mover->AddMotion(std::make_unique<zMotion>("still")));
        SetHandle("mover", static_cast<zMItem*>(g_mover), ScriptKindItem);
        SetHandle("nm", nullptr, ScriptKindMotion);
        EXPECT_EQ(
            Printed("::slide <- ItemGetMotion(mover, \"slide\"); ::still <- ItemGetMotion(mover, \"still\")"),
            "");
    }

    void TearDown() override {
        g_mover = nullptr;
        scene.reset();
        ScriptApiFixture::TearDown();
    }

    std::unique_ptr<zScene> scene{new zScene(&engine, &vm)};
};

TEST_F(MotionApi, AMotionBuiltKeyByKeyIsReadAndPlayed) {
    const ScriptRow rows[] = {
        {"print(MotionGetName(slide) + \" \" + MotionGetLength(slide))", "slide 4"},
        {"print(TestShow(MotionEvaluatePosition(slide, 1.0)))", "5 1 0 1"},
        // Past its keys the motion holds its last values.
        {"print(TestShow(MotionEvaluatePosition(slide, 10)))", "10 4 0 1"},
        // Played on the item, it moves it where it evaluates.
        {"ItemMotionSlotSet(mover, 0, slide, 0.0, 0.0, 1.0, 1.0); Animate(1.0);\n"
         "print(TestShow(ItemGetPosition(mover)))",
         "5 1 0 1"},
        {"Animate(1.0); print(TestShow(ItemGetPosition(mover)))", "10 2 0 1"},
    };
    ExpectScripts(rows);
}

TEST_F(MotionApi, AMotionWithoutChannelsHasNoLengthAndStaysAtTheOrigin) {
    EXPECT_EQ(Printed("print(MotionGetName(still) + \" \" + MotionGetLength(still) + \" \" + "
                      "TestShow(MotionEvaluatePosition(still, 1.0)))"),
              "still 0 0 0 0 1");
}

TEST_F(MotionApi, HandlesAndArgumentsAreChecked) {
    const ScriptRow rows[] = {
        {"MotionGetName(mover)", "error: Expected 'Motion' got 'Item'"},
        {"MotionGetLength(nm)", "error: CObject is null"},
        {"MotionEvaluatePosition(slide, \"1\")",
         "error: parameter 2 has an invalid type 'string' ; expected: 'integer|float'"},
        {"MotionGetName()", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

// The item's motions go with it: a handle kept by a script dies.
TEST_F(MotionApi, AMotionHandleDiesWithItsItem) {
    ASSERT_TRUE(scene->QueueForDeletion(g_mover));
    scene->FlushDeletionQueue();
    g_mover = nullptr;
    EXPECT_EQ(Printed("MotionGetName(slide)"), "error: Expected 'Motion' got 'Deleted native'");
}

TEST_F(MotionApi, ChannelConstantsAreTheChannelIds) {
    EXPECT_EQ(
        Printed(
            "print(ChannelNone + \" \" + ChannelXPos + \" \" + ChannelZRot + \" \" + ChannelZScl + \" \" + "
            "ChannelXPiv + \" \" + ChannelRDif + \" \" + ChannelBSpc + \" \" + ChannelDiffuseIntensity + "
            "\" \" + ChannelSpecularIntensity + \" \" + ChannelConeAngle + \" \" + ChannelAlpha + \" \" + "
            "ChannelZoomFactor + \" \" + ChannelRange + \" \" + ChannelFogEnd + \" \" + ChannelBFog)"),
        "0 1 6 9 10 13 18 19 20 21 23 24 25 27 30");
    EXPECT_EQ(ChannelFogB, 30);
}

} // namespace
