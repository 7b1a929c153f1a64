// The "MotionPlayer" tag on any bytes: the first root of the parsed document
// goes to zAnimationPlayer::ParseTag. Every motion read is then played, alone
// and cross-faded, plain and relative, into a player that accepts every
// channel id (so ids from the file reach the blending), over steps of either
// sign. The player is written, read and written again: the second text must
// equal the first.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/animation.h"
#include "scene/motion.h"

namespace {

// Takes every channel, keeping the values it is given.
struct OpenPlayer : zAnimationPlayer {
    f32 values[64] = {};
    zQuaternion rotation;

    static u32 Slot(i32 channel) { return static_cast<u32>(channel) % 64; }
    bool GetChannelValue(i32 channel, f32& out) override {
        out = values[Slot(channel)];
        return true;
    }
    bool SetChannelValue(i32 channel, f32 value) override {
        values[Slot(channel)] = value;
        return true;
    }
    void GetRotation(zQuaternion& out) override { out = rotation; }
    bool SetRotation(const zQuaternion& value) override {
        rotation = value;
        return true;
    }
};

const f32 Steps[] = {0.0f, 0.05f, 0.5f, -0.25f, 3.0f};

void Play(OpenPlayer& player) {
    zAnimationSourceList list;
    for (u32 index = 0; index < player.GetMotionCount(); ++index) {
        zSharedPtr<zAnimationSource> source =
            player.SetMotion(player.GetMotion(index), &list, index % 2 ? 0.25f : 0.0f, index % 3 == 0, 1.0f);
        if (source) source->SetRelative(index % 2 == 1);
        for (f32 step : Steps)
            player.UpdateAnimation(step);
    }
    list.SetClockScale(-1.0f);
    list.SetLoopMode(LoopModeOscillate);
    for (f32 step : Steps)
        player.UpdateAnimation(step);
    player.IsDone();
    player.FadeOutAll(0.1f);
    for (f32 step : Steps)
        player.UpdateAnimation(step);
    player.Stop();
}

std::string ReadAndWrite(const zMetaTag* root, bool play) {
    OpenPlayer player;
    if (!player.ParseTag(root)) return std::string();
    if (play) Play(player);
    zMetaTag* tag = player.SerializeTag();
    if (!tag) {
        if (player.GetMotionCount() > 0) FuzzFail("a player with motions cannot be written");
        return std::string();
    }
    return TagText(tag, "a read motion player cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "motion player");
    return 0;
}
