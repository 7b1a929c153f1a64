// Items and animation players under a failed nothrow allocation: a logged
// failure and a consistent state, never a crash.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "scene/animation.h"
#include "scene/item.h"
#include "scene/motion.h"
#include "tests/scene/item_player.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/log_capture.h"

TEST(ItemAllocationFailure, AChildWithoutAListNodeStaysUnlinked) {
    zItem parent, child;
    LogCapture log;
    {
        FailingAllocation failure(0);
        child.SetParent(&parent);
    }
    EXPECT_EQ(log.Text(), "[!] Failed to allocate list node.\n");
    EXPECT_EQ(child.GetParent(), nullptr);
    EXPECT_EQ(parent.GetChildren().GetCount(), 0u);
    child.SetParent(&parent);
    EXPECT_EQ(child.GetParent(), &parent);
}

TEST(ItemAllocationFailure, ADeepUpdateWithoutRoomForTheChainStillUpdatesEveryAncestor) {
    constexpr u32 Depth = 300; // beyond the chain kept on the stack
    std::vector<std::unique_ptr<zItem>> chain;
    for (u32 i = 0; i < Depth; ++i) {
        chain.push_back(std::make_unique<zItem>());
        chain.back()->SetPosition(zVector(1.0f, 0.0f, 0.0f));
        if (i > 0) chain.back()->SetParent(chain[i - 1].get());
    }
    {
        FailingAllocation failure(0);
        EXPECT_FLOAT_EQ(chain.back()->GetWorldMatrix()->e[3], static_cast<f32>(Depth));
    }
    for (const auto& item : chain)
        EXPECT_EQ(item->GetFlags() & ItemWorldDirty, 0u);
    while (!chain.empty())
        chain.pop_back();
}

TEST(AnimationAllocationFailure, SetMotionReportsASourceItCannotMakeOrKeep) {
    auto motion = std::make_unique<zMotion>("m");
    FillCurve(*motion->AddChannel(ChannelPositionX), {{0.0f, 1.0f}});
    ItemPlayer player;
    LogCapture log;
    {
        FailingAllocation failure(0); // the source
        EXPECT_FALSE(player.SetMotion(motion.get(), nullptr, 0.0f, false, 1.0f));
    }
    EXPECT_EQ(log.Text(), "[!] Could not allocate animation source.\n");
    {
        FailingAllocation failure(1); // the player's list node
        EXPECT_FALSE(player.SetMotion(motion.get(), nullptr, 0.0f, false, 1.0f));
    }
    EXPECT_FALSE(player.IsPlaying());
    player.UpdateAnimation(0.1f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 0.0f);
}

TEST(AnimationAllocationFailure, AMotionThatCannotBeMadeIsSkipped) {
    ZmlDocument doc("<MotionPlayer= <Motions= <Motion= <Id=\"a\"> > <Motion= <Id=\"b\"> > > >\n");
    zAnimationPlayer player;
    LogCapture log;
    {
        FailingAllocation failure(0);
        EXPECT_TRUE(player.ParseTag(doc.Root()));
    }
    EXPECT_EQ(log.Text(), "[!] Could not allocate motion.\n");
    ASSERT_EQ(player.GetMotionCount(), 1u);
    EXPECT_EQ(std::string(player.GetMotion(0)->GetName()), "b");
}
