#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/quaternion.h"
#include "scene/animation.h"
#include "scene/motion.h"
#include "tests/core/math_expect.h"
#include "tests/scene/item_player.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

constexpr f32 QuarterTurn = 1.5707964f;

// A motion with one channel of linear keys.
std::unique_ptr<zMotion> ChannelMotion(const char* name, i32 channel, const std::vector<Key>& keys) {
    auto motion = std::make_unique<zMotion>(name);
    zMotionChannel* added = motion->AddChannel(channel);
    EXPECT_NE(added, nullptr);
    if (added) FillCurve(*added, keys);
    return motion;
}

// A motion whose rotation is a quaternion track.
std::unique_ptr<zMotion> TurnMotion(const char* name, const zQuaternion& from, const zQuaternion& to) {
    auto motion = std::make_unique<zMotion>(name);
    motion->SetUseQuaternion(true);
    motion->GetRotationKeys().AddKey(0.0f, from);
    motion->GetRotationKeys().AddKey(1.0f, to);
    return motion;
}

const zQuaternion TurnedY = zQuaternion::FromAxisAngle(QuarterTurn, 0.0f, 1.0f, 0.0f);

} // namespace

TEST(AnimationSource, WeightFadesAndClock) {
    zSharedPtr<zMotionAnimationSource> held(new zMotionAnimationSource(nullptr));
    zMotionAnimationSource& source = *held;
    EXPECT_FLOAT_EQ(source.GetWeight(), 0.0f);
    EXPECT_FLOAT_EQ(source.GetTargetWeight(), 1.0f);

    source.SetWeight(-3.0f, 0.0f);
    EXPECT_FLOAT_EQ(source.GetWeight(), 0.0f);
    source.SetWeight(0.8f, 0.0f);
    EXPECT_FLOAT_EQ(source.GetWeight(), 0.8f);
    EXPECT_FLOAT_EQ(source.GetWeightSpeed(), 0.0f);

    source.SetWeight(0.4f, 2.0f);
    EXPECT_FLOAT_EQ(source.GetWeightSpeed(), -0.2f);
    source.SetClockScale(-2.0f);
    source.Update(1.0f);
    EXPECT_FLOAT_EQ(source.GetWeight(), 0.6f);
    EXPECT_FLOAT_EQ(source.GetClock(), -2.0f);
    source.Update(1.5f);
    EXPECT_FLOAT_EQ(source.GetWeight(), 0.4f) << "stops at the target";
    EXPECT_FLOAT_EQ(source.GetWeightSpeed(), 0.0f);

    source.FadeOut(0.0f);
    EXPECT_TRUE(source.IsFadingOut());
    EXPECT_FLOAT_EQ(source.GetWeight(), 0.0f);
    EXPECT_FLOAT_EQ(source.GetTargetWeight(), 0.0f);
}

TEST(AnimationSource, RangeAndLoopModeComeFromTheMotion) {
    auto motion = ChannelMotion("m", ChannelPositionX, {{0.5f, 1.0f}, {2.0f, 3.0f}});
    motion->SetLoopMode(LoopModeOscillate);
    zSharedPtr<zMotionAnimationSource> source(new zMotionAnimationSource(motion.get()));
    EXPECT_FLOAT_EQ(source->GetLoopStart(), 0.5f);
    EXPECT_FLOAT_EQ(source->GetLoopEnd(), 2.0f);
    EXPECT_EQ(source->GetLoopMode(), LoopModeOscillate);

    zMotion empty("empty");
    zSharedPtr<zMotionAnimationSource> open(new zMotionAnimationSource(&empty));
    EXPECT_EQ(open->GetLoopStart(), 1.1754944e-38f);
    EXPECT_EQ(open->GetLoopEnd(), 3.4028235e38f);
}

TEST(AnimationSource, IsDone) {
    auto motion = ChannelMotion("m", ChannelPositionX, {{0.0f, 0.0f}, {1.0f, 1.0f}});
    struct Case {
        i32 mode;
        f32 clockScale;
        f32 clock;
        bool done;
    };
    const Case cases[] = {
        {LoopModeConstant, 1.0f, 1.0f, false},      {LoopModeConstant, 1.0f, 1.01f, true},
        {LoopModeReset, 1.0f, 1.5f, true},          {LoopModeConstant, -1.0f, 0.0f, false},
        {LoopModeConstant, -1.0f, -0.01f, true},    {LoopModeConstant, 0.0f, -0.5f, true},
        {LoopModeRepeat, 1.0f, 50.0f, false},       {LoopModeOscillate, -1.0f, -50.0f, false},
        {LoopModeOffsetRepeat, 1.0f, 50.0f, false}, {-7, 1.0f, 2.0f, true},
    };
    for (const Case& c : cases) {
        zSharedPtr<zMotionAnimationSource> source(new zMotionAnimationSource(motion.get()));
        source->SetLoopMode(c.mode);
        source->SetClockScale(c.clockScale);
        source->SetClock(c.clock);
        EXPECT_EQ(source->IsDone(), c.done)
            << "mode " << c.mode << " scale " << c.clockScale << " clock " << c.clock;
    }
    zSharedPtr<zMotionAnimationSource> without(new zMotionAnimationSource(nullptr));
    EXPECT_TRUE(without->IsDone());
}

TEST(AnimationSourceList, OperationsReachEverySourceAndLockedRangesStay) {
    auto motion = ChannelMotion("m", ChannelPositionX, {{0.0f, 0.0f}, {4.0f, 1.0f}});
    zAnimationSourceList list;
    EXPECT_FLOAT_EQ(list.GetClock(), 0.0f);
    zSharedPtr<zMotionAnimationSource> free(new zMotionAnimationSource(motion.get()));
    zSharedPtr<zMotionAnimationSource> locked(new zMotionAnimationSource(motion.get()));
    locked->SetRangeLocked(1);
    list.Add(free);
    list.Add(locked);

    list.SetClock(1.5f);
    list.SetClockScale(2.0f);
    list.SetWeight(0.5f, 0.0f);
    list.SetLoop(1.0f, 2.0f);
    list.SetLoopMode(LoopModeRepeat);
    for (zMotionAnimationSource* source : {free.Get(), locked.Get()}) {
        EXPECT_FLOAT_EQ(source->GetClock(), 1.5f);
        EXPECT_FLOAT_EQ(source->GetClockScale(), 2.0f);
        EXPECT_FLOAT_EQ(source->GetWeight(), 0.5f);
    }
    EXPECT_FLOAT_EQ(free->GetLoopStart(), 1.0f);
    EXPECT_FLOAT_EQ(free->GetLoopEnd(), 2.0f);
    EXPECT_EQ(free->GetLoopMode(), LoopModeRepeat);
    EXPECT_FLOAT_EQ(locked->GetLoopStart(), 0.0f);
    EXPECT_FLOAT_EQ(locked->GetLoopEnd(), 4.0f);
    EXPECT_EQ(locked->GetLoopMode(), LoopModeConstant);

    free->SetClock(3.0f);
    EXPECT_FLOAT_EQ(list.GetClock(), 3.0f) << "the first source's clock";
}

TEST(AnimationPlayer, CrossFadeReleasesTheOldSource) {
    auto a = ChannelMotion("A", ChannelPositionX, {{0.0f, 0.0f}, {10.0f, 10.0f}});
    auto b = ChannelMotion("B", ChannelPositionX, {{0.0f, 0.0f}, {10.0f, 10.0f}});
    ItemPlayer player;
    zSharedPtr<zAnimationSource> first = player.SetMotion(a.get(), nullptr, 0.0f, false, 1.0f);
    ASSERT_TRUE(first);
    EXPECT_FLOAT_EQ(first->GetWeight(), 1.0f);
    player.UpdateAnimation(0.1f);

    zSharedPtr<zAnimationSource> second = player.SetMotion(b.get(), nullptr, 0.5f, false, 1.0f);
    ASSERT_TRUE(second);
    EXPECT_EQ(player.GetSourceCount(), 2u);
    player.UpdateAnimation(0.25f);
    EXPECT_FLOAT_EQ(first->GetWeight(), 0.5f);
    EXPECT_FLOAT_EQ(second->GetWeight(), 0.5f);
    EXPECT_EQ(player.GetSourceCount(), 2u);

    player.UpdateAnimation(0.25f);
    EXPECT_EQ(player.GetSourceCount(), 1u);
    EXPECT_EQ(player.GetSource(0), second.Get());
    EXPECT_EQ(first->GetRefCount(), 1u) << "only the test holds it now";
    EXPECT_FLOAT_EQ(second->GetWeight(), 1.0f);
    for (int i = 0; i < 3; ++i)
        player.UpdateAnimation(0.25f);
    EXPECT_FLOAT_EQ(second->GetWeight(), 1.0f);
    EXPECT_TRUE(player.IsPlaying());
}

TEST(AnimationPlayer, SetMotionWithoutFadeReplacesAtOnce) {
    auto a = ChannelMotion("A", ChannelPositionX, {{0.0f, 5.0f}});
    auto b = ChannelMotion("B", ChannelPositionX, {{0.0f, 9.0f}});
    ItemPlayer player;
    zSharedPtr<zAnimationSource> first = player.SetMotion(a.get(), nullptr, 0.0f, false, 1.0f);
    player.UpdateAnimation(0.1f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 5.0f);

    zSharedPtr<zAnimationSource> second = player.SetMotion(b.get(), nullptr, 0.0f, false, 1.0f);
    EXPECT_FLOAT_EQ(second->GetWeight(), 1.0f);
    EXPECT_FLOAT_EQ(first->GetWeight(), 0.0f);
    player.UpdateAnimation(0.1f);
    EXPECT_EQ(player.GetSourceCount(), 1u);
    EXPECT_EQ(player.GetSource(0), second.Get());
    EXPECT_EQ(player.GetSource(1), nullptr);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 9.0f);
}

TEST(AnimationPlayer, KeepOthersLeavesThePlayingSourcesAlone) {
    auto a = ChannelMotion("A", ChannelPositionX, {{0.0f, 0.0f}});
    ItemPlayer player;
    zSharedPtr<zAnimationSource> first = player.SetMotion(a.get(), nullptr, 0.0f, false, 1.0f);
    zSharedPtr<zAnimationSource> second = player.SetMotion(a.get(), nullptr, 1.0f, true, 0.5f);
    EXPECT_FALSE(first->IsFadingOut());
    EXPECT_FLOAT_EQ(second->GetWeight(), 0.0f) << "fades in from 0";
    EXPECT_FLOAT_EQ(second->GetWeightSpeed(), 0.5f);
    zSharedPtr<zAnimationSource> third = player.SetMotion(a.get(), nullptr, 0.0f, true, -2.0f);
    EXPECT_FLOAT_EQ(third->GetWeight(), 0.0f);
    EXPECT_EQ(player.GetSourceCount(), 3u);
    player.FadeOutAll(0.0f);
    player.UpdateAnimation(0.1f);
    EXPECT_FALSE(player.IsPlaying());
}

TEST(AnimationPlayer, ChannelsBlendByAccumulatedWeight) {
    struct Case {
        f32 weightA;
        f32 weightB;
        f32 x;
    };
    const Case cases[] = {{1.0f, 1.0f, 5.0f}, {1.0f, 3.0f, 7.5f}, {0.0f, 2.0f, 10.0f}, {2.0f, 0.0f, 0.0f}};
    for (const Case& c : cases) {
        auto zero = ChannelMotion("zero", ChannelPositionX, {{0.0f, 0.0f}});
        auto ten = ChannelMotion("ten", ChannelPositionX, {{0.0f, 10.0f}});
        ItemPlayer player;
        player.item.SetPosition(zVector(-50.0f, 1.0f, 2.0f));
        player.SetMotion(zero.get(), nullptr, 0.0f, true, c.weightA);
        player.SetMotion(ten.get(), nullptr, 0.0f, true, c.weightB);
        player.UpdateAnimation(0.1f);
        EXPECT_FLOAT_EQ(player.item.GetPosition()->x, c.x) << c.weightA << " / " << c.weightB;
        EXPECT_FLOAT_EQ(player.item.GetPosition()->y, 1.0f);
        EXPECT_EQ(player.GetChannelWeights(), nullptr);
    }
}

TEST(AnimationPlayer, RotationsBlendBySlerp) {
    auto still = TurnMotion("still", zQuaternion(), zQuaternion());
    auto turned = TurnMotion("turned", TurnedY, TurnedY);
    ItemPlayer player;
    player.SetMotion(still.get(), nullptr, 0.0f, true, 1.0f);
    player.SetMotion(turned.get(), nullptr, 0.0f, true, 1.0f);
    player.UpdateAnimation(0.0f);
    EXPECT_EQ(player.setRotationCalls, 1);
    zQuaternion result;
    player.GetRotation(result);
    EXPECT_TRUE(QuaternionNear(result, zQuaternion(0.0f, 0.3826834f, 0.0f, 0.9238795f), 1e-5f));
}

TEST(AnimationPlayer, QuaternionTrackAlongTheClock) {
    auto turn = TurnMotion("turn", zQuaternion(), TurnedY);
    ItemPlayer player;
    player.SetMotion(turn.get(), nullptr, 0.0f, false, 1.0f);
    player.UpdateAnimation(0.5f);
    zQuaternion result;
    player.GetRotation(result);
    EXPECT_TRUE(QuaternionNear(result, zQuaternion(0.0f, 0.3826834f, 0.0f, 0.9238795f), 1e-5f));
}

TEST(AnimationPlayer, ALightSourceDrivesChannelsButAddsNoRotation) {
    auto motion = TurnMotion("turn", TurnedY, TurnedY);
    zMotionChannel* channel = motion->AddChannel(ChannelPositionX);
    ASSERT_NE(channel, nullptr);
    FillCurve(*channel, {{0.0f, 4.0f}});
    ItemPlayer player;
    player.SetMotion(motion.get(), nullptr, 0.0f, false, 0.005f);
    player.UpdateAnimation(0.1f);
    EXPECT_EQ(player.setRotationCalls, 0);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 4.0f);
    EXPECT_TRUE(VectorNear(*player.item.GetRotation(), zVector(0.0f, 0.0f, 0.0f)));
}

TEST(AnimationPlayer, QuaternionKeysHideTheEulerChannels) {
    auto motion = TurnMotion("turn", zQuaternion(), zQuaternion());
    FillCurve(*motion->AddChannel(ChannelRotationX), {{0.0f, 1.0f}});
    FillCurve(*motion->AddChannel(ChannelScaleY), {{0.0f, 3.0f}});
    AnyChannelPlayer player;
    player.SetMotion(motion.get(), nullptr, 0.0f, false, 1.0f);
    player.UpdateAnimation(0.1f);
    EXPECT_EQ(player.written, std::vector<i32>{ChannelScaleY});
}

TEST(AnimationPlayer, RelativePlayAddsOnlyTheChange) {
    auto motion = ChannelMotion("slide", ChannelPositionX, {{0.0f, 0.0f}, {1.0f, 10.0f}});
    ItemPlayer player;
    player.item.SetPosition(zVector(100.0f, 0.0f, 0.0f));
    zSharedPtr<zAnimationSource> source = player.SetMotion(motion.get(), nullptr, 0.0f, false, 1.0f);
    source->SetRelative(true);
    player.UpdateAnimation(0.25f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 102.5f);
    player.UpdateAnimation(0.25f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 105.0f);
    player.item.SetPosition(zVector(0.0f, 0.0f, 0.0f)); // moved by someone else
    player.UpdateAnimation(0.25f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 2.5f);
}

TEST(AnimationPlayer, RelativeRotationComposesOnTheCurrentOne) {
    auto turn = TurnMotion("turn", zQuaternion(), TurnedY);
    ItemPlayer player;
    player.item.SetRotation(zVector(0.5f, 0.0f, 0.0f)); // clear of the gimbal lock of order 4
    zQuaternion start;
    player.GetRotation(start);
    zSharedPtr<zAnimationSource> source = player.SetMotion(turn.get(), nullptr, 0.0f, false, 1.0f);
    source->SetRelative(true);
    player.UpdateAnimation(1.0f);
    zQuaternion result;
    player.GetRotation(result);
    zQuaternion expected = zQuaternion::Multiply(TurnedY, start);
    if (result.w * expected.w < 0.0f)
        expected = zQuaternion(-expected.x, -expected.y, -expected.z, -expected.w);
    EXPECT_TRUE(QuaternionNear(result, expected, 1e-5f));
}

// Script-made channels may carry any id; the weight table has 31 entries.
TEST(AnimationPlayer, ChannelIdsOutsideTheWeightTableAreNotBlended) {
    auto motion = std::make_unique<zMotion>("odd");
    for (i32 id : {0, 30, 31, 200, -4}) {
        zMotionChannel* channel = motion->AddChannel(id);
        ASSERT_NE(channel, nullptr);
        FillCurve(*channel, {{0.0f, 1.0f}});
    }
    AnyChannelPlayer player;
    player.SetMotion(motion.get(), nullptr, 0.0f, false, 1.0f);
    player.UpdateAnimation(0.1f);
    EXPECT_EQ(player.written, (std::vector<i32>{0, 30}));
}

TEST(AnimationPlayer, ASourceOutlivesStopWhileAListHoldsIt) {
    auto motion = ChannelMotion("m", ChannelPositionX, {{0.0f, 0.0f}, {1.0f, 1.0f}});
    auto list = std::make_unique<zAnimationSourceList>();
    ItemPlayer player;
    zAnimationSource* source = player.SetMotion(motion.get(), list.get(), 0.0f, false, 1.0f).Get();
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(list->GetCount(), 1u);
    EXPECT_EQ(source->GetRefCount(), 2u);
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(source->GetRefCount(), 1u);
    list->SetClock(0.5f);
    EXPECT_FLOAT_EQ(list->GetClock(), 0.5f);
    list.reset(); // releases the last reference (checked by the leak sanitizer)
}

TEST(AnimationPlayer, IsDoneNeedsEverySourceDone) {
    auto once = ChannelMotion("once", ChannelPositionX, {{0.0f, 0.0f}, {1.0f, 1.0f}});
    auto looped = ChannelMotion("looped", ChannelPositionX, {{0.0f, 0.0f}, {1.0f, 1.0f}});
    looped->SetLoopMode(LoopModeRepeat);
    ItemPlayer player;
    EXPECT_TRUE(player.IsDone());
    player.SetMotion(once.get(), nullptr, 0.0f, true, 1.0f);
    player.UpdateAnimation(1.5f);
    EXPECT_TRUE(player.IsDone());
    player.SetMotion(looped.get(), nullptr, 0.0f, true, 1.0f);
    player.UpdateAnimation(1.5f);
    EXPECT_FALSE(player.IsDone());
}

TEST(AnimationPlayer, BasePlayerHasNoChannels) {
    zAnimationPlayer player;
    f32 value = 7.0f;
    EXPECT_FALSE(player.GetChannelValue(1, value));
    EXPECT_FLOAT_EQ(value, 7.0f);
    EXPECT_FALSE(player.SetChannelValue(1, 2.0f));
    zQuaternion rotation(1.0f, 2.0f, 3.0f, 4.0f);
    player.GetRotation(rotation);
    EXPECT_TRUE(QuaternionNear(rotation, zQuaternion()));
    EXPECT_FALSE(player.SetRotation(rotation));
    EXPECT_TRUE(player.IsEnabled());
}

TEST(AnimationPlayer, MotionsAreOwnedFoundAndGivenBack) {
    zAnimationPlayer player;
    ASSERT_TRUE(player.AddMotion(std::make_unique<zMotion>("walk")));
    ASSERT_TRUE(player.AddMotion(std::make_unique<zMotion>("run")));
    EXPECT_FALSE(player.AddMotion(nullptr));
    zMotion* run = player.FindMotion("run");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(player.FindMotion("swim"), nullptr);
    std::unique_ptr<zMotion> taken = player.RemoveMotion(run);
    EXPECT_EQ(taken.get(), run);
    EXPECT_EQ(player.GetMotionCount(), 1u);
    EXPECT_EQ(player.RemoveMotion(run), nullptr);
}

TEST(MotionPlayerTag, NothingIsWrittenWithoutMotions) {
    zAnimationPlayer player;
    LogCapture capture;
    EXPECT_EQ(player.SerializeTag(), nullptr);
    EXPECT_EQ(capture.Text(), "");
}

TEST(MotionPlayerTag, RoundTripKeepsNamesAndOrder) {
    zAnimationPlayer player;
    for (const char* name : {"walk", "run", "jump"}) {
        auto motion = ChannelMotion(name, ChannelPositionY, {{0.0f, 1.0f}, {2.0f, 3.0f}});
        ASSERT_TRUE(player.AddMotion(std::move(motion)));
    }
    std::unique_ptr<zMetaTag> written(player.SerializeTag());
    ASSERT_NE(written, nullptr);
    auto text = ThroughText(written.release());

    zAnimationPlayer loaded;
    LogCapture capture;
    ASSERT_TRUE(loaded.ParseTag(text->Root()));
    EXPECT_EQ(capture.Text(), "");
    ASSERT_EQ(loaded.GetMotionCount(), 3u);
    EXPECT_EQ(std::string(loaded.GetMotion(0)->GetName()), "walk");
    EXPECT_EQ(std::string(loaded.GetMotion(1)->GetName()), "run");
    EXPECT_EQ(std::string(loaded.GetMotion(2)->GetName()), "jump");
    f32 position[3] = {0.0f, 0.0f, 0.0f};
    loaded.GetMotion(1)->EvaluatePosition(1.0f, position, LoopModeConstant);
    EXPECT_FLOAT_EQ(position[1], 2.0f);

    auto againText = ThroughText(loaded.SerializeTag());
    EXPECT_EQ(DumpOne(againText->Root()), DumpOne(text->Root()));
}

TEST(MotionPlayerTag, ReaderMessages) {
    struct Case {
        const char* text;
        bool result;
        u32 motions;
        const char* log;
    };
    const Case cases[] = {
        {"<Player>\n", false, 0, "[!] Could not parse motion player. Root tag id is incorrect (Player).\n"},
        {"<MotionPlayer= <Flag=3> >\n", true, 0, ""},
        {"<MotionPlayer= <Speed=3> >\n", true, 0, "[*] Unknown tag 'Speed' in <MotionPlayer>.\n"},
        {"<MotionPlayer= <Motions= <Clip=1> <Motion= <Id=\"a\"> > > >\n", true, 1,
         "[*] Unknown tag 'Clip' in <Motions>.\n"},
        {"<MotionPlayer= <Motions= <Motion= <Colour=1> > > >\n", true, 1,
         "[*] Unknown tag 'Colour' in <Motion>.\n"},
    };
    for (const Case& c : cases) {
        ZmlDocument doc(c.text);
        zAnimationPlayer player;
        LogCapture capture;
        EXPECT_EQ(player.ParseTag(doc.Root()), c.result) << c.text;
        EXPECT_EQ(player.GetMotionCount(), c.motions) << c.text;
        EXPECT_EQ(capture.Text(), c.log) << c.text;
    }
    ZmlDocument doc("<MotionPlayer= <Motions= <Motion> > >\n");
    zAnimationPlayer player;
    player.ParseTag(doc.Root());
    ASSERT_EQ(player.GetMotionCount(), 1u);
    EXPECT_EQ(std::string(player.GetMotion(0)->GetName()), "NewMotion");
}

TEST(AnimationPlayer, SourceListAndSlotsShowWhatThePlayerHolds) {
    ItemPlayer player;
    EXPECT_TRUE(player.GetSlots().empty());
    EXPECT_EQ(player.GetSourceList().GetCount(), 0u);
    ASSERT_TRUE(player.AddMotion(ChannelMotion("A", ChannelPositionX, {{0.0f, 0.0f}, {1.0f, 1.0f}})));
    ASSERT_EQ(player.GetSlots().size(), 1u);
    zSharedPtr<zAnimationSource> source = player.SetMotion(player.GetSlots()[0].get(), nullptr, 0.0f, false, 1.0f);
    ASSERT_TRUE(source);
    ASSERT_EQ(player.GetSourceList().GetCount(), 1u);
    EXPECT_EQ(player.GetSourceList().GetHead()->value.Get(), source.Get());
    player.Stop();
    EXPECT_EQ(player.GetSourceList().GetCount(), 0u);
}

TEST(AnimationPlayer, WithoutASourceTheUpdateReadsAndWritesNothing) {
    struct CountingPlayer : ItemPlayer {
        int getRotationCalls = 0;
        void GetRotation(zQuaternion& out) override {
            ++getRotationCalls;
            ItemPlayer::GetRotation(out);
        }
    } player;
    player.item.SetRotation(zVector(0.3f, -1.2f, 2.0f, 0.0f));
    const zVector before = *player.item.GetRotation();
    player.UpdateAnimation(0.016f);
    EXPECT_EQ(player.getRotationCalls, 0);
    EXPECT_EQ(player.setRotationCalls, 0);
    const zVector after = *player.item.GetRotation();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST(AnimationPlayer, SlotMotionsReplaceInPlaceAndAppendPastTheEnd) {
    auto a = ChannelMotion("A", ChannelPositionX, {{0.0f, 0.0f}, {10.0f, 10.0f}});
    auto b = ChannelMotion("B", ChannelPositionY, {{0.0f, 0.0f}, {10.0f, 10.0f}});
    ItemPlayer player;
    zSharedPtr<zAnimationSource> first = player.SetSlotMotion(0, a.get(), 2.0f, 0.0f, 1.0f, 1.0f);
    zSharedPtr<zAnimationSource> second = player.SetSlotMotion(7, b.get(), 0.0f, 1.0f, 0.5f, -1.0f);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(player.GetSource(1), second.Get()) << "appended at the end, not at 7";
    EXPECT_FLOAT_EQ(first->GetClock(), 2.0f);
    EXPECT_FLOAT_EQ(first->GetWeight(), 1.0f);
    EXPECT_FLOAT_EQ(second->GetWeight(), 0.0f) << "fades in from 0";
    EXPECT_FLOAT_EQ(second->GetWeightSpeed(), 0.5f);
    EXPECT_FLOAT_EQ(second->GetClockScale(), -1.0f);

    // Slot 0 again: the old source is released at once, the second keeps playing.
    zSharedPtr<zAnimationSource> third = player.SetSlotMotion(0, b.get(), 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(player.GetSourceCount(), 2u);
    EXPECT_EQ(player.GetSource(0), third.Get());
    EXPECT_EQ(first->GetRefCount(), 1u) << "only the test holds it now";

    EXPECT_TRUE(player.StopSource(0));
    EXPECT_EQ(player.GetSource(0), second.Get());
    EXPECT_FALSE(player.StopSource(1));
    EXPECT_EQ(third->GetRefCount(), 1u);
}

TEST(AnimationPlayer, ClockScaleAndPause) {
    auto a = ChannelMotion("A", ChannelPositionX, {{0.0f, 0.0f}, {10.0f, 10.0f}});
    ItemPlayer player;
    zSharedPtr<zAnimationSource> source = player.SetMotion(a.get(), nullptr, 0.0f, false, 1.0f);
    EXPECT_FLOAT_EQ(player.GetClockScale(), 1.0f);
    player.SetClockScale(0.5f);
    player.UpdateAnimation(2.0f);
    EXPECT_FLOAT_EQ(source->GetClock(), 1.0f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 1.0f);
    player.SetPaused(true);
    player.item.SetPosition(zVector(5.0f, 0.0f, 0.0f, 1.0f));
    player.UpdateAnimation(2.0f);
    EXPECT_FLOAT_EQ(source->GetClock(), 1.0f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 5.0f) << "a paused player applies nothing";
    player.SetPaused(false);
    player.UpdateAnimation(2.0f);
    EXPECT_FLOAT_EQ(source->GetClock(), 2.0f);
    EXPECT_FLOAT_EQ(player.item.GetPosition()->x, 2.0f);
}
