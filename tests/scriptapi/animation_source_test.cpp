// AnimationSource natives over lists of motion sources.
#include <gtest/gtest.h>

#include "render/curve.h"
#include "scene/animation.h"
#include "scene/motion.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

class AnimationSourceApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        for (int i = 0; i < 2; ++i) {
            zSharedPtr<zAnimationSource> source(new zMotionAnimationSource(&motion));
            sources.Add(source);
        }
        SetHandle("g_sources", &sources, ScriptKindAnimationSource);
        SetHandle("g_empty", &empty, ScriptKindAnimationSource);
        SetHandle("g_noSources", nullptr, ScriptKindAnimationSource);
    }

    // Every source of the list, as a motion source.
    template <class Check> void ForEachSource(Check check) {
        ASSERT_EQ(sources.GetCount(), 2u);
        for (auto* node = sources.GetHead(); node; node = node->next)
            check(*static_cast<zMotionAnimationSource*>(node->value.Get()));
    }

    zMotion motion{"clip"};
    zAnimationSourceList sources;
    zAnimationSourceList empty;
};

TEST_F(AnimationSourceApi, LoopModeConstants) {
    const ScriptRow rows[] = {
        {"print(AnimationReset)", "0"},
        {"print(AnimationRepeat)", "2"},
        {"print(AnimationOscillate)", "3"},
        {"print(AnimationOffsetRepeat)", "4"},
    };
    ExpectScripts(rows);
}

TEST_F(AnimationSourceApi, ClockAppliesToEverySource) {
    const ScriptRow rows[] = {
        {"print(AnimationSourceGetClock(g_empty))", "0"},
        {"AnimationSourceSetClock(g_empty, 3.0); print(AnimationSourceGetClock(g_empty))", "0"},
        {"AnimationSourceSetClock(g_sources, 1.5); print(AnimationSourceGetClock(g_sources))", "1.5"},
        {"AnimationSourceSetClockScale(g_sources, 2)", ""},
    };
    ExpectScripts(rows);
    ForEachSource([](zMotionAnimationSource& source) {
        EXPECT_EQ(source.GetClock(), 1.5f);
        EXPECT_EQ(source.GetClockScale(), 2.0f);
    });
}

TEST_F(AnimationSourceApi, WeightLoopAndModeApplyToEverySource) {
    EXPECT_EQ(Printed("AnimationSourceSetWeight(g_sources, 0.5, 0)"), "");
    ForEachSource([](zMotionAnimationSource& source) { EXPECT_EQ(source.GetWeight(), 0.5f); });
    EXPECT_EQ(Printed("AnimationSourceSetWeight(g_sources, 1, 2.0)"), "");
    ForEachSource([](zMotionAnimationSource& source) {
        EXPECT_EQ(source.GetWeight(), 0.5f) << "fades over time";
        EXPECT_EQ(source.GetTargetWeight(), 1.0f);
    });
    EXPECT_EQ(Printed("AnimationSourceSetLoopMode(g_sources, AnimationOscillate);"
                      "AnimationSourceSetLoop(g_sources, 0.25, 1.75)"),
              "");
    ForEachSource([](zMotionAnimationSource& source) {
        EXPECT_EQ(source.GetLoopMode(), LoopModeOscillate);
        EXPECT_EQ(source.GetLoopStart(), 0.25f);
        EXPECT_EQ(source.GetLoopEnd(), 1.75f);
    });
}

TEST_F(AnimationSourceApi, HandlesOfAnotherKindAreRefused) {
    const ScriptRow rows[] = {
        {"AnimationSourceGetClock(g_engine)", "error: Expected 'Animation Source' got 'Engine'"},
        {"AnimationSourceSetClock(g_noSources, 1.0)", "error: CObject is null"},
        {"AnimationSourceSetLoopMode(g_sources, 2.5)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"AnimationSourceSetWeight(g_sources, 1.0)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

} // namespace
