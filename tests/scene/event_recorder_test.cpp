#include <gtest/gtest.h>

#include "scene/item.h"
#include "tests/support/event_recorder.h"

TEST(EventRecorder, LinesNameOwnersAndArguments) {
    zItem item, trigger;
    EventRecorder recorder;
    recorder.Name(&item, "crate");
    recorder.Name(&trigger, "door");
    recorder.Record("OnEnterTrigger", &item, &trigger);
    recorder.Record("OnActivate", &item, true);
    recorder.Record("OnLogicUpdate", &item, 0.25f);
    recorder.Record("OnPhysicStep", &trigger, false);
    recorder.Record("OnCollision", &item, static_cast<zItem*>(nullptr));
    recorder.Record("OnUpdate", nullptr, 3, "text");
    EXPECT_EQ(recorder.Lines(), (std::vector<std::string>{
                                    "OnEnterTrigger(crate, door)",
                                    "OnActivate(crate, true)",
                                    "OnLogicUpdate(crate, 0.25)",
                                    "OnPhysicStep(door, false)",
                                    "OnCollision(crate, null)",
                                    "OnUpdate(null, 3, text)",
                                }));
    EXPECT_EQ(recorder.Count("OnActivate"), 1);
    EXPECT_EQ(recorder.Events()[0].owner, &item);
    recorder.Clear();
    EXPECT_TRUE(recorder.Lines().empty());
}
