#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "markup/meta_tag.h"
#include "scene/motion.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

void ExpectQuaternion(const zQuaternion& actual, const zQuaternion& expected, f32 tolerance = 1e-6f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

TEST(MotionChannelWords, TableRoundTrip) {
    EXPECT_STREQ(GetMotionChannelWord(ChannelPositionX), "PositionX");
    EXPECT_STREQ(GetMotionChannelWord(ChannelAlpha), "Alpha");
    EXPECT_STREQ(GetMotionChannelWord(ChannelFogB), "FogB");
    EXPECT_EQ(GetMotionChannelWord(0), nullptr);
    EXPECT_EQ(GetMotionChannelWord(31), nullptr);
    EXPECT_EQ(GetMotionChannelWord(-1), nullptr);
    for (i32 id = 1; id <= 30; ++id)
        EXPECT_EQ(FindMotionChannelId(GetMotionChannelWord(id)), id);
    EXPECT_EQ(FindMotionChannelId("positionx"), 0);
    EXPECT_EQ(FindMotionChannelId(nullptr), 0);
}

TEST(Motion, ChannelsAndLookups) {
    zMotion motion("walk");
    EXPECT_EQ(motion.GetName(), "walk");
    EXPECT_EQ(motion.GetLoopMode(), LoopModeConstant);
    zMotionChannel* y = motion.AddChannel(ChannelPositionY);
    zMotionChannel* scaleZ = motion.AddChannel(ChannelScaleZ);
    ASSERT_TRUE(motion.AddChannels(2));
    EXPECT_EQ(motion.GetChannelCount(), 4u);
    EXPECT_EQ(motion.FindChannel(ChannelPositionY), y);
    EXPECT_EQ(motion.FindChannel(0), motion.GetChannel(2));
    EXPECT_EQ(motion.GetChannel(1), scaleZ);
    EXPECT_EQ(motion.GetChannel(4), nullptr);
    EXPECT_EQ(motion.FindChannel(ChannelAlpha), nullptr);

    zMotionChannel* position[3];
    zMotionChannel* scale[3];
    motion.GetChannels(position, nullptr, scale);
    EXPECT_EQ(position[0], nullptr);
    EXPECT_EQ(position[1], y);
    EXPECT_EQ(position[2], nullptr);
    EXPECT_EQ(scale[2], scaleZ);
}

TEST(Motion, LengthRangeAndMemory) {
    zMotion motion;
    f32 start = -7, end = -7;
    EXPECT_FALSE(motion.GetTimeRange(start, end));
    EXPECT_EQ(start, -7.0f);
    EXPECT_EQ(end, -7.0f);
    EXPECT_EQ(motion.GetLength(), 0.0f);
    EXPECT_EQ(motion.GetMemorySize(), 92u);

    FillCurve(*motion.AddChannel(ChannelPositionX), {{0.5f, 0}, {2, 1}});
    FillCurve(*motion.AddChannel(ChannelPositionY), {{0.25f, 0}, {1.5f, 1}, {1.75f, 1}});
    ASSERT_TRUE(motion.GetTimeRange(start, end));
    EXPECT_EQ(start, 0.25f);
    EXPECT_EQ(end, 2.0f);
    EXPECT_EQ(motion.GetLength(), 2.0f);
    motion.GetRotationKeys().AddKey(0, zQuaternion());
    EXPECT_EQ(motion.GetMemorySize(), 92u + 20u + (84u + 88u) + (84u + 132u));
    EXPECT_FALSE(motion.HasQuaternionKeys());
    motion.SetUseQuaternion(true);
    EXPECT_TRUE(motion.HasQuaternionKeys());
}

TEST(Motion, EvaluatePositionTouchesOnlyPresentChannels) {
    zMotion motion;
    FillCurve(*motion.AddChannel(ChannelPositionY), {{0, 0}, {1, 10}});
    FillCurve(*motion.AddChannel(ChannelRotationZ), {{0, 1}, {1, 3}});
    f32 position[3] = {7, 8, 9};
    motion.EvaluatePosition(0.5f, position, LoopModeConstant);
    EXPECT_EQ(position[0], 7.0f);
    EXPECT_EQ(position[1], 5.0f);
    EXPECT_EQ(position[2], 9.0f);
    f32 rotation[3] = {7, 8, 9};
    motion.EvaluateRotation(1.5f, rotation, LoopModeRepeat);
    EXPECT_EQ(rotation[0], 7.0f);
    EXPECT_EQ(rotation[1], 8.0f);
    EXPECT_EQ(rotation[2], 2.0f);
}

struct QuaternionCase {
    f32 time;
    i32 mode;
    zQuaternion expected;
};

TEST(Motion, EvaluateQuaternion) {
    const zQuaternion quarterY = zQuaternion::FromAxisAngle(1.5707964f, 0, 1, 0);
    const zQuaternion eighthY(0, 0.3826834f, 0, 0.9238795f);
    zMotion motion;
    zQuaternion untouched(1, 2, 3, 4);
    motion.EvaluateQuaternion(0.5f, untouched, LoopModeConstant);
    EXPECT_EQ(untouched.w, 4.0f);

    motion.GetRotationKeys().AddKey(0, zQuaternion());
    motion.GetRotationKeys().AddKey(1, quarterY);
    const QuaternionCase cases[] = {
        {0.5f, LoopModeConstant, eighthY},
        {0.0f, LoopModeConstant, zQuaternion()},
        {1.0f, LoopModeConstant, quarterY},
        {2.0f, LoopModeConstant, quarterY},
        {-1.0f, LoopModeConstant, zQuaternion()},
        {1.5f, LoopModeReset, zQuaternion()},
        {-0.5f, LoopModeReset, zQuaternion()},
        {1.5f, LoopModeRepeat, eighthY},
        {2.5f, LoopModeOffsetRepeat, eighthY},
        {1.25f, LoopModeOscillate, zQuaternion::Slerp(0.75f, zQuaternion(), quarterY)},
        {3.0f, -4, quarterY},
    };
    for (const QuaternionCase& test : cases) {
        SCOPED_TRACE(std::to_string(test.time) + " mode " + std::to_string(test.mode));
        zQuaternion out(9, 9, 9, 9);
        motion.EvaluateQuaternion(test.time, out, test.mode);
        ExpectQuaternion(out, test.expected);
    }
}

TEST(Motion, NaNTimeWithOneQuaternionKeyGivesThatKey) {
    // Once searched for a segment among a single key.
    zQuaternionTrack track;
    const zQuaternion only(0, 0.6f, 0, 0.8f);
    track.AddKey(1.5f, only);
    for (f32 time : {NAN, INFINITY, -INFINITY, 1.5f}) {
        for (i32 mode = -1; mode <= 4; ++mode) {
            if (mode == LoopModeReset && time != 1.5f && time == time) continue;
            zQuaternion out;
            track.Evaluate(time, out, mode, CurveRangeFirstKey, CurveRangeLastKey);
            ExpectQuaternion(out, only, 0.0f);
        }
    }
    track.AddKey(2.5f, zQuaternion());
    zQuaternion out;
    track.Evaluate(NAN, out, LoopModeRepeat, CurveRangeFirstKey, CurveRangeLastKey);
    ExpectQuaternion(out, only, 0.0f);
}

TEST(Motion, QuaternionCacheMatchesFreshTracks) {
    auto fill = [](zQuaternionTrack& track) {
        for (int index = 0; index < 8; ++index)
            track.AddKey(f32(index) * 0.5f, zQuaternion::FromAxisAngle(f32(index) * 0.4f, 0.3f, 1, 0.2f));
    };
    zQuaternionTrack cached;
    fill(cached);
    const f32 times[] = {3.4f, 0.1f, 2.2f, 2.9f, 0.6f, 3.49f, 0.0f, 1.75f, 1.0f, 1.01f};
    for (f32 time : times) {
        zQuaternionTrack fresh;
        fill(fresh);
        zQuaternion a, b;
        cached.Evaluate(time, a, LoopModeConstant, CurveRangeFirstKey, CurveRangeLastKey);
        fresh.Evaluate(time, b, LoopModeConstant, CurveRangeFirstKey, CurveRangeLastKey);
        ExpectQuaternion(a, b, 0.0f);
    }
}

// ---- tags

struct QChannelCase {
    const char* body;
    bool parses;
    u32 keys;
    const char* log;
};

TEST(QChannelTag, Reader) {
    const QChannelCase cases[] = {
        {"<QChannel=<Keys=<Key=\"0:0,0,0,1\"><Key=\"1.5: 0, -0.5 ,0,0.5\">>>", true, 2, ""},
        {"<QChannel=<Keys=<Key=\"0:0,0,0,1\"><Key=\"1:0,0,1\"><Key=\"2:0,0,0,1\">>>", false, 1,
         "[*] Mangled keyframe tag while parsing quaternion channel.\n"},
        {"<QChannel=<Keys=<Key=\"0,0,0,0,1\">>>", false, 0,
         "[*] Mangled keyframe tag while parsing quaternion channel.\n"},
        {"<QChannel=<Keys=<Key><Key=3><Other=\"x\"><Key=\"1:0,0,0,1\">>>", true, 1,
         "[*] Invalid key tag while parsing quaternion channel.\n"
         "[*] Invalid key tag while parsing quaternion channel.\n"},
        {"<QChannel=<Frames>>", true, 0, "[*] Unknown tag 'Frames' in <QChannel>.\n"},
        {"<QChannel=<BinaryKeys=<Count=3>>>", true, 0, ""},
        {"<QChannel=<BinaryKeys=<Count=3><Data=1.5>>>", true, 0, ""},
        {"<Channel>", false, 0,
         "[!] Could not parse motion quaternion channel. Root tag id is incorrect (Channel).\n"},
    };
    for (const QChannelCase& test : cases) {
        SCOPED_TRACE(test.body);
        ZmlDocument document(test.body);
        zQuaternionTrack track;
        track.AddKey(5, zQuaternion());
        LogCapture log;
        EXPECT_EQ(track.ParseTag(document.Root()), test.parses);
        EXPECT_EQ(log.Text(), test.log);
        if (std::string(test.body).rfind("<Channel>", 0) != 0) {
            EXPECT_EQ(track.GetKeyCount(), test.keys);
        }
    }
    ZmlDocument document("<QChannel=<Keys=<Key=\"1.5: 0, -0.5 ,0,0.5\">>>");
    zQuaternionTrack track;
    ASSERT_TRUE(track.ParseTag(document.Root()));
    EXPECT_EQ(track.GetKey(0)->time, 1.5f);
    ExpectQuaternion(track.GetKey(0)->rotation, zQuaternion(0, -0.5f, 0, 0.5f), 0.0f);
}

zMetaTag* BinaryKeysTag(i32 count, const std::vector<f32>& numbers, size_t bytes) {
    auto* root = new zMetaTag("QChannel");
    auto* keys = new zMetaTag("BinaryKeys");
    keys->AddChild(new zMetaTag("Count", count));
    keys->AddChild(new zMetaTag("Data", numbers.data(), u32(bytes)));
    root->AddChild(keys);
    return root;
}

TEST(QChannelTag, ShortBinaryBlockReadsOnlyWholeKeys) {
    const std::vector<f32> numbers = {0, 0, 0, 0, 1, 2, 0, 1, 0, 0};
    struct ShortCase {
        i32 count;
        size_t bytes;
        u32 keys;
        const char* log;
    };
    const ShortCase cases[] = {
        {2, 40, 2, ""},
        {2, 39, 1, "[*] <BinaryKeys> data is short: 1 of 2 key(s) read.\n"},
        {3, 40, 2, "[*] <BinaryKeys> data is short: 2 of 3 key(s) read.\n"},
        {2000000000, 40, 2, "[*] <BinaryKeys> data is short: 2 of 2000000000 key(s) read.\n"},
        {1, 40, 1, ""},
        {-1, 40, 0, ""},
    };
    for (const ShortCase& test : cases) {
        SCOPED_TRACE(test.count);
        std::unique_ptr<zMetaTag> tag(BinaryKeysTag(test.count, numbers, test.bytes));
        zQuaternionTrack track;
        LogCapture log;
        EXPECT_TRUE(track.ParseTag(tag.get()));
        EXPECT_EQ(log.Text(), test.log);
        ASSERT_EQ(track.GetKeyCount(), test.keys);
        if (test.keys == 2) {
            EXPECT_EQ(track.GetKey(1)->time, 2.0f);
            EXPECT_EQ(track.GetKey(1)->rotation.y, 1.0f);
        }
    }
}

TEST(QChannelTag, WriterAlwaysWritesBinaryKeys) {
    zQuaternionTrack track;
    std::unique_ptr<zMetaTag> empty(track.SerializeTag());
    EXPECT_EQ(DumpOne(empty.get()), "QChannel\n  BinaryKeys\n    Count = int 0\n    Data = binary 0:\n");

    track.AddKey(1.0f, zQuaternion(0, 0, 0, 1));
    std::unique_ptr<zMetaTag> one(track.SerializeTag());
    EXPECT_EQ(DumpOne(one.get()), "QChannel\n  BinaryKeys\n    Count = int 1\n"
                                  "    Data = binary 20:0000803f0000000000000000000000000000803f\n");
    track.AddKey(-2.5f, zQuaternion(0.5f, -0.5f, 0.5f, -0.5f));
    auto document = ThroughText(track.SerializeTag());
    zQuaternionTrack read;
    ASSERT_TRUE(read.ParseTag(document->Root()));
    ASSERT_EQ(read.GetKeyCount(), 2u);
    EXPECT_EQ(read.GetKey(1)->time, -2.5f);
    ExpectQuaternion(read.GetKey(1)->rotation, zQuaternion(0.5f, -0.5f, 0.5f, -0.5f), 0.0f);
}

struct ChannelCase {
    const char* body;
    bool parses;
    i32 id;
    u32 keys;
    const char* log;
};

TEST(ChannelTag, Reader) {
    const ChannelCase cases[] = {
        {"<Channel=<Id=\"ScaleY\"><Curve=<Knot=<Count=1><Knot=\"0:2\">>>>", true, ChannelScaleY, 1, ""},
        {"<Channel=<Id=\"Wobble\">>", true, 0, 0, "[*] Unknown channel id 'Wobble'.\n"},
        {"<Channel=<Id=5><Color=1>>", true, 0, 0, "[*] Unknown tag 'Color' in <Channel>.\n"},
        {"<Curve>", false, 0, 0, "[!] Could not parse motion channel. Root tag id is incorrect (Curve).\n"},
    };
    for (const ChannelCase& test : cases) {
        SCOPED_TRACE(test.body);
        ZmlDocument document(test.body);
        zMotionChannel channel;
        LogCapture log;
        EXPECT_EQ(channel.ParseChannelTag(document.Root()), test.parses);
        EXPECT_EQ(log.Text(), test.log);
        EXPECT_EQ(channel.channelId, test.id);
        EXPECT_EQ(channel.GetKeyCount(), test.keys);
    }
}

TEST(ChannelTag, Writer) {
    zMotionChannel channel(ChannelFogEnd);
    FillCurve(channel, {{0, 1}});
    std::unique_ptr<zMetaTag> tag(channel.SerializeChannelTag());
    EXPECT_EQ(DumpOne(tag.get()), "Channel\n  Curve\n    BinaryKnot\n      Count = int 1\n"
                                  "      Data = binary 9:01000000000000803f\n  Id = string \"FogEnd\"\n");
    EXPECT_EQ(channel.GetMemorySize(), 84u + 44u);

    zMotionChannel unknown(31);
    LogCapture log;
    std::unique_ptr<zMetaTag> noId(unknown.SerializeChannelTag());
    EXPECT_EQ(log.Text(), "[*] Unknown motion channel type (31).\n");
    EXPECT_EQ(DumpOne(noId.get()), "Channel\n  Curve\n");
}

TEST(MotionTag, ReaderLoopModes) {
    const std::string repeating = "<Channel=<Curve=<PostBehavior=\"Repeat\">>>";
    const std::string oscillating = "<Channel=<Curve=<PostBehavior=\"Oscillate\">>>";
    const std::string constant = "<Channel=<Curve=<PostBehavior=\"Constant\">>>";
    const std::string cases[][3] = {
        // body, loop mode, log
        {"<Motion=" + repeating + ">", "2", ""},
        {"<Motion=" + constant + oscillating + repeating + ">", "3", ""},
        {"<Motion=<LoopMode=\"Reset\">" + repeating + ">", "0", ""},
        {"<Motion=<LoopMode=\"OffsetAndRepeat\">>", "4", ""},
        {"<Motion=<LoopMode=\"Oscillate\">>", "3", ""},
        {"<Motion=<LoopMode=\"Repeat\">>", "2", ""},
        // An unknown word keeps the mode but still counts as given.
        {"<Motion=<LoopMode=\"OffsetRepeat\">" + repeating + ">", "1", ""},
        {"<Motion=<Speed=2>>", "1", "[*] Unknown tag 'Speed' in <Motion>.\n"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test[0]);
        ZmlDocument document(test[0]);
        zMotion motion;
        motion.SetLoopMode(LoopModeOscillate);
        LogCapture log;
        EXPECT_TRUE(motion.ParseTag(document.Root()));
        EXPECT_EQ(motion.GetLoopMode(), std::stoi(test[1]));
        EXPECT_EQ(log.Text(), test[2]);
    }
    ZmlDocument wrong("<Motions>");
    zMotion motion;
    LogCapture log;
    EXPECT_FALSE(motion.ParseTag(wrong.Root()));
    EXPECT_EQ(log.Text(), "[!] Could not parse motion, root tag id is incorrect (Motions).\n");
}

TEST(MotionTag, ReaderFields) {
    ZmlDocument document("<Motion=<Id=\"jump\"><UseQuaternion=True>"
                         "<QChannel=<Keys=<Key=\"0:0,0,0,1\"><Key=\"1:0,1,0,0\">>>"
                         "<Channel=<Id=\"PositionZ\"><Curve=<Knot=<Count=2><Knot=\"0:0\"><Knot=\"2:4\">>>>"
                         "<Channel=<Id=\"Alpha\">>>");
    zMotion motion;
    ASSERT_TRUE(motion.ParseTag(document.Root()));
    EXPECT_EQ(motion.GetName(), "jump");
    EXPECT_TRUE(motion.GetUseQuaternion());
    EXPECT_TRUE(motion.HasQuaternionKeys());
    EXPECT_EQ(motion.GetRotationKeys().GetKeyCount(), 2u);
    ASSERT_EQ(motion.GetChannelCount(), 2u);
    EXPECT_EQ(motion.GetChannel(0)->channelId, ChannelPositionZ);
    EXPECT_EQ(motion.GetChannel(1)->channelId, ChannelAlpha);
    f32 position[3] = {0, 0, 0};
    motion.EvaluatePosition(1.0f, position, LoopModeConstant);
    EXPECT_EQ(position[2], 2.0f);
    EXPECT_EQ(motion.GetLength(), 2.0f);
}

TEST(MotionTag, RoundTrip) {
    zMotion motion("run");
    motion.SetLoopMode(LoopModeOffsetRepeat);
    motion.SetUseQuaternion(true);
    motion.GetRotationKeys().AddKey(0.5f, zQuaternion(0, 0.6f, 0, 0.8f));
    FillCurve(*motion.AddChannel(ChannelPositionX), {{0, 1}, {1, 2, CurveKindTCB, 0.5f}});
    FillCurve(*motion.AddChannel(ChannelSpecularI), {{0.25f, -1}});
    std::unique_ptr<zMetaTag> written(motion.SerializeTag());
    const std::string tree = DumpOne(written.get());
    EXPECT_EQ(tree.substr(0, tree.find("  QChannel")), "Motion\n  Id = string \"run\"\n  LoopMode = string "
                                                       "\"OffsetAndRepeat\"\n  UseQuaternion = bool True\n");

    auto document = ThroughText(written.release());
    zMotion read;
    ASSERT_TRUE(read.ParseTag(document->Root()));
    std::unique_ptr<zMetaTag> again(read.SerializeTag());
    EXPECT_EQ(DumpOne(again.get()), tree);
    EXPECT_EQ(read.GetLoopMode(), LoopModeOffsetRepeat);
    EXPECT_EQ(read.FindChannel(ChannelPositionX)->GetKey(1)->tension, 0.5f);

    // Constant is the default and not written.
    zMotion plain("idle");
    std::unique_ptr<zMetaTag> defaults(plain.SerializeTag());
    EXPECT_EQ(DumpOne(defaults.get()),
              "Motion\n  Id = string \"idle\"\n  UseQuaternion = bool False\n"
              "  QChannel\n    BinaryKeys\n      Count = int 0\n      Data = binary 0:\n");
}

TEST(Motion, ReduceRepeatsPerChannel) {
    zMotion motion;
    zMotionChannel* line = motion.AddChannel(ChannelPositionX);
    zMotionChannel* bent = motion.AddChannel(ChannelPositionY);
    for (int index = 0; index < 9; ++index) {
        FillCurve(*line, {{f32(index), f32(index)}});
        FillCurve(*bent, {{f32(index), f32(index % 2)}});
    }
    EXPECT_EQ(motion.Reduce(0.01f), 7u);
    EXPECT_EQ(line->GetKeyCount(), 2u);
    EXPECT_EQ(bent->GetKeyCount(), 9u);
}

} // namespace
