// AI path natives over a scene that loads a small route file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "markup/writer.h"
#include "scene/ai_path.h"
#include "scene/motion.h"
#include "scene/scene.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"

namespace {

struct Corner {
    f32 time, x, y, z;
};

// A motion with linear keys at each corner on the three position channels.
std::unique_ptr<zMotion> Route(const char* name, const std::vector<Corner>& corners) {
    std::unique_ptr<zMotion> motion(new zMotion(name));
    const i32 channels[3] = {ChannelPositionX, ChannelPositionY, ChannelPositionZ};
    for (int axis = 0; axis < 3; ++axis) {
        zMotionChannel* channel = motion->AddChannel(channels[axis]);
        EXPECT_TRUE(channel);
        if (!channel) return motion;
        for (const Corner& corner : corners) {
            std::unique_ptr<zCurvePoint> point(new zCurvePoint);
            point->time = corner.time;
            point->value = axis == 0 ? corner.x : axis == 1 ? corner.y : corner.z;
            EXPECT_TRUE(channel->AddPoint(std::move(point)));
        }
    }
    return motion;
}

class AIPathApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        scene = zSharedPtr<zScene>(new zScene(&engine, &vm));
        SetHandle("g_scene", scene.Get(), ScriptKindScene);
        SetHandle("g_noScene", nullptr, ScriptKindScene);
        // "walk": east 10 units in the first second, then north 10; "dot": one node.
        auto walk = Route("walk", {{0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 10.0f, 0.0f, 0.0f}, {2.0f, 10.0f, 10.0f, 0.0f}});
        auto dot = Route("dot", {{0.0f, 1.0f, 2.0f, 3.0f}});
        zMetafile document;
        zMetaTag* root = document.AddRoot(new zMetaTag("Scene"));
        zMetaTag* paths = root->AddChild(new zMetaTag("Paths"));
        paths->AddChild(walk->SerializeTag());
        paths->AddChild(dot->SerializeTag());
        std::string text;
        SerializeMetafile(document, text);
        WriteFile("route.zml", text);
    }

    void TearDown() override {
        vm.Close();
        scene = zSharedPtr<zScene>();
        ScriptApiFixture::TearDown();
    }

    // Loads the route file into the scene and binds "walk" and "dot".
    void LoadRoute() {
        EXPECT_EQ(Printed("SceneLoadAIPath(g_scene, \"route.zml\");"
                          "::walk <- SceneFindAIPath(g_scene, \"walk\"); ::dot <- SceneAIPathFind(g_scene, \"dot\");"
                          "print(ObjectIsValid(walk) && ObjectIsValid(dot))"),
                  "true");
    }

    zSharedPtr<zScene> scene;
};

TEST_F(AIPathApi, LoadAndFind) {
    LoadRoute();
    EXPECT_NE(log.Text().find("2 AI path(s) in world.\n"), std::string::npos) << log.Text();
    const ScriptRow rows[] = {
        {"print(walk.type() == EngineTypePath)", "true"},
        {"print(ObjectIsValid(SceneFindAIPath(g_scene, \"missing\")))", "false"},
        {"print(ObjectIsValid(SceneAIPathFind(g_scene, \"missing\")))", "false"},
        // A null scene finds nothing and loads nothing, without error.
        {"print(ObjectIsValid(SceneFindAIPath(g_noScene, \"walk\")))", "false"},
        {"SceneLoadAIPath(g_noScene, \"route.zml\"); print(\"no error\")", "no error"},
        {"print(ObjectIsSame(SceneFindAIPath(g_scene, \"walk\"), walk))", "true"},
        {"print(NullPath.type() == EngineTypePath && !ObjectIsValid(NullPath))", "true"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(scene->aiPaths.GetCount(), 2u) << "a null scene loads nothing";
    EXPECT_EQ(Printed("SceneFindAIPath(g_scene, \"missing\")"), "") << "no script error";
    EXPECT_NE(log.Text().find("[*] Could not find AI path 'missing'.\n"), std::string::npos) << log.Text();
}

TEST_F(AIPathApi, PositionsAndClosestPoints) {
    LoadRoute();
    const ScriptRow rows[] = {
        {"print(TestShow(AIPathGetPosition(walk, 0.5)))", "5 0 0 1"},
        {"print(TestShow(AIPathGetPosition(walk, 1.5)))", "10 5 0 1"},
        // Past the end the route repeats from its start.
        {"print(TestShow(AIPathGetPosition(walk, 2.5)))", "5 0 0 1"},
        {"print(TestShow(AIPathGetClosestPosition(walk, TestVector(4, 3, 0, 0))))", "4 0 0 1"},
        {"print(TestShow(AIPathGetClosestPoint(walk, TestVector(12, 6, 0, 1))))", "10 6 0 1"},
        {"print(AIPathGetClosestTime(walk, TestVector(4, 3, 0, 1)))", "0.4"},
        {"print(AIPathGetClosestTime(walk, TestVector(12, 6, 0, 1)))", "1.6"},
        {"print(AIPathGetClosestTime(walk, TestVector(-5, -5, 0, 1)))", "0"},
    };
    ExpectScripts(rows);
}

TEST_F(AIPathApi, APathOfOneNodeAnswersNoClosestPoint) {
    LoadRoute();
    const ScriptRow rows[] = {
        {"print(AIPathGetClosestTime(dot, TestVector(1, 2, 3, 1)))", "-1"},
        {"print(TestShow(AIPathGetClosestPosition(dot, TestVector(1, 2, 3, 1))))", "0 0 0 1"},
        {"print(TestShow(AIPathGetPosition(dot, 7)))", "1 2 3 1"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(Printed("AIPathGetClosestTime(dot, TestVector(0, 0, 0, 1))"), "");
    EXPECT_NE(log.Text().find("[!] Failed to query closest point to path.\n"), std::string::npos) << log.Text();
}

TEST_F(AIPathApi, MatrixPlacesThePath) {
    LoadRoute();
    const ScriptRow rows[] = {
        {"print(TestShow(AIPathGetMatrix(walk)))", "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1"},
        {"AIPathSetMatrix(walk, TestTranslation(100, 0, 0)); print(TestShow(AIPathGetMatrix(walk)))",
         "1 0 0 100 0 1 0 0 0 0 1 0 0 0 0 1"},
        {"print(TestShow(AIPathGetPosition(walk, 0.5)))", "105 0 0 1"},
        {"print(TestShow(AIPathGetClosestPosition(walk, TestVector(104, 3, 0, 1))))", "104 0 0 1"},
        {"print(AIPathGetClosestTime(walk, TestVector(100, 0, 0, 1)))", "0"},
        // The matrix handed out is a copy.
        {"local m = AIPathGetMatrix(walk); AIPathSetMatrix(dot, m); print(TestShow(AIPathGetPosition(dot, 0)))",
         "101 2 3 1"},
    };
    ExpectScripts(rows);
}

TEST_F(AIPathApi, MotionIsThePathsOwn) {
    LoadRoute();
    zAIPath* walk = scene->FindAIPath("walk");
    ASSERT_TRUE(walk);
    SetHandle("g_walkMotion", &walk->GetMotion(), ScriptKindMotion);
    const ScriptRow rows[] = {
        {"local m = AIPathGetMotion(walk); print(m.type() == EngineTypeMotion)", "true"},
        {"print(ObjectIsSame(AIPathGetMotion(walk), g_walkMotion))", "true"},
    };
    ExpectScripts(rows);
}

TEST_F(AIPathApi, HandlesOfAnotherKindAndValuesOfAnotherClassAreRefused) {
    LoadRoute();
    const ScriptRow rows[] = {
        {"AIPathGetMotion(g_engine)", "error: Expected 'Path' got 'Engine'"},
        {"AIPathGetMatrix(NullPath)", "error: CObject is null"},
        {"AIPathGetPosition(NullPath, 1.0)", "error: CObject is null"},
        {"AIPathGetClosestTime(g_scene, TestVector(0, 0, 0, 1))", "error: Expected 'Path' got 'Scene'"},
        {"SceneFindAIPath(walk, \"walk\")", "error: Expected 'Scene' got 'Path'"},
        {"SceneLoadAIPath(g_engine, \"route.zml\")", "error: Expected 'Scene' got 'Engine'"},
        {"AIPathGetClosestTime(walk, g_engine)", "error: Invalid instance type"},
        {"AIPathGetClosestPosition(walk, TestTranslation(0, 0, 0))", "error: Invalid instance type"},
        {"AIPathSetMatrix(walk, TestVector(0, 0, 0, 1))", "error: Invalid instance type"},
        {"AIPathSetMatrix(walk, TestRotation(0, 0, 0, 4))", "error: Invalid instance type"},
        {"AIPathGetPosition(walk, \"1\")", "error: parameter 2 has an invalid type 'string' ; expected: 'integer|float'"},
        {"SceneFindAIPath(g_scene)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

} // namespace
