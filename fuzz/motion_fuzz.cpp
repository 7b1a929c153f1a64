// The motion tags on any bytes: the first root of the parsed document goes to
// the reader its name selects ("Motion", "Channel" or "QChannel"; anything
// else to the motion reader, which refuses it). What reads is evaluated over
// and beyond its time range in every loop mode, written, read and written
// again: the second text must equal the first.
#include <cmath>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "scene/motion.h"

namespace {

enum class MotionTag { Motion, Channel, QChannel };

MotionTag KindOf(const zMetaTag* root) {
    if (root->GetName() == "Channel") return MotionTag::Channel;
    if (root->GetName() == "QChannel") return MotionTag::QChannel;
    return MotionTag::Motion;
}

const f32 Times[] = {0.0f, 0.5f, 1.0f, -3.25f, 7.5f, 1e7f, NAN, -INFINITY};

void Exercise(const zMotion& motion) {
    f32 start = 0.0f;
    f32 end = 0.0f;
    motion.GetTimeRange(start, end);
    motion.GetLength();
    motion.GetMemorySize();
    for (i32 mode = -1; mode <= 5; ++mode) {
        for (f32 time : Times) {
            f32 triple[3] = {0.0f, 0.0f, 0.0f};
            motion.EvaluatePosition(time, triple, mode);
            motion.EvaluateRotation(time, triple, mode);
            zQuaternion rotation;
            motion.EvaluateQuaternion(time, rotation, mode);
            motion.EvaluateQuaternion(time, rotation, mode, start + 0.1f, end - 0.1f);
        }
    }
}

// Reads the root with the reader of its kind and writes the result; an empty
// text when the reader refuses it.
std::string ReadAndWrite(const zMetaTag* root, bool exercise) {
    switch (KindOf(root)) {
    case MotionTag::Channel: {
        zMotionChannel channel;
        if (!channel.ParseChannelTag(root)) return std::string();
        if (exercise) {
            f32 value = 0.0f;
            for (f32 time : Times)
                channel.Evaluate(time, value, LoopModeOscillate);
        }
        return TagText(channel.SerializeChannelTag(), "a read channel cannot be written");
    }
    case MotionTag::QChannel: {
        zQuaternionTrack track;
        if (!track.ParseTag(root)) return std::string();
        if (exercise) {
            zQuaternion rotation;
            for (f32 time : Times)
                track.Evaluate(time, rotation, LoopModeRepeat, CurveRangeFirstKey, CurveRangeLastKey);
        }
        return TagText(track.SerializeTag(), "a read quaternion channel cannot be written");
    }
    case MotionTag::Motion:
    default: {
        zMotion motion;
        if (!motion.ParseTag(root)) return std::string();
        if (exercise) Exercise(motion);
        std::string text = TagText(motion.SerializeTag(), "a read motion cannot be written");
        if (exercise) motion.Reduce(0.01f);
        return text;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "motion tag");
    return 0;
}
