#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "markup/meta_tag.h"
#include "render/curve.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

const std::vector<Key> Ramp = {{0, 0}, {1, 2}};

struct EvaluateCase {
    f32 time;
    i32 mode;
    f32 value;
};

TEST(CurveEvaluate, LoopModesOnALinearRamp) {
    const EvaluateCase cases[] = {
        {0.5f, LoopModeReset, 1},
        {0.5f, LoopModeConstant, 1},
        {0.5f, LoopModeRepeat, 1},
        {0.5f, LoopModeOscillate, 1},
        {0.5f, LoopModeOffsetRepeat, 1},
        {1.5f, LoopModeReset, 0},
        {-0.5f, LoopModeReset, 0},
        {1.5f, LoopModeConstant, 2},
        {-0.5f, LoopModeConstant, 0},
        {1.25f, LoopModeRepeat, 0.5f},
        {-0.25f, LoopModeRepeat, 1.5f},
        {1.25f, LoopModeOscillate, 1.5f},
        {2.25f, LoopModeOscillate, 0.5f},
        {-0.25f, LoopModeOscillate, 0.5f},
        {2.5f, LoopModeOffsetRepeat, 5},
        {-0.5f, LoopModeOffsetRepeat, -1},
        {1.5f, 7, 2},
        {-0.5f, 7, 0},
        {1.5f, -1, 2},
        {-0.5f, -3, 0},
    };
    zCurve curve;
    FillCurve(curve, Ramp);
    for (const EvaluateCase& test : cases) {
        SCOPED_TRACE(std::to_string(test.time) + " mode " + std::to_string(test.mode));
        EXPECT_FLOAT_EQ(ValueAt(curve, test.time, test.mode), test.value);
    }
}

TEST(CurveEvaluate, NoKeysAndOneKey) {
    zCurve curve;
    curve.SetDefaultValue(0.75f);
    EXPECT_EQ(ValueAt(curve, 3.0f), 0.75f);
    FillCurve(curve, {{2, 4}});
    for (i32 mode = -1; mode <= 5; ++mode)
        for (f32 time : {-10.0f, 2.0f, 2.5f, 100.0f})
            EXPECT_EQ(ValueAt(curve, time, mode), 4.0f);
}

TEST(CurveEvaluate, KeyTimesGiveKeyValuesForEveryKind) {
    for (i32 kind = 0; kind <= 7; ++kind) {
        SCOPED_TRACE(kind);
        zCurve curve;
        Key second{1, 5, kind, 0.3f, -0.2f, 0.1f, -0.4f, 1, 0.2f, 0.5f};
        Key third{3, -2, kind, 0.1f, 0.2f, 0.3f, -0.3f, -1, 0.4f, 0.1f};
        FillCurve(curve, {{0, 1, kind}, second, third});
        EXPECT_EQ(ValueAt(curve, 0), 1.0f);
        EXPECT_EQ(ValueAt(curve, 1), 5.0f);
        EXPECT_EQ(ValueAt(curve, 3), -2.0f);
        EXPECT_EQ(ValueAt(curve, 1), 5.0f);
    }
}

TEST(CurveEvaluate, KindsHalfway) {
    zCurve step;
    FillCurve(step, {{0, 0}, {1, 2, CurveKindStep}});
    EXPECT_EQ(ValueAt(step, 0.5f), 0.0f);

    zCurve tcb;
    FillCurve(tcb, {{0, 0, CurveKindTCB}, {1, 1, CurveKindTCB}, {2, 0, CurveKindTCB}});
    EXPECT_FLOAT_EQ(ValueAt(tcb, 0.5f), 0.625f);

    for (i32 kind : {CurveKindTangent, CurveKindTangentAlt}) {
        zCurve tangent;
        Key start{0, 0, kind};
        Key end{1, 1, kind};
        end.inX = 2;
        FillCurve(tangent, {start, end});
        EXPECT_FLOAT_EQ(ValueAt(tangent, 0.5f), 0.25f);
    }

    zCurve unknown;
    FillCurve(unknown, {{0, 3}, {1, 5, 9}});
    EXPECT_EQ(ValueAt(unknown, 0.5f), 0.0f);
    // Unknown kinds still carry the loop offset: 0 + (5 - 3) x 1.
    EXPECT_EQ(ValueAt(unknown, 1.5f, LoopModeOffsetRepeat), 2.0f);
}

// Value coordinate of the Bezier segment at the exact parameter for time,
// solved in double precision.
double BezierReference(const Key& k0, const Key& k1, double time) {
    double p1t = k0.type == CurveKindBezier ? k0.time + k0.outX : k0.time + (k1.time - k0.time) / 3.0;
    double p1v = k0.type == CurveKindBezier ? k0.value + k0.outY : k0.value + k0.inY / 3.0;
    double p2t = k1.time + k1.inX;
    double p2v = k1.value + k1.inY;
    auto at = [](double s, double a, double b, double c, double d) {
        double r = 1 - s;
        return r * r * r * a + 3 * r * r * s * b + 3 * r * s * s * c + s * s * s * d;
    };
    double low = 0, high = 1;
    for (int i = 0; i < 100; ++i) {
        double mid = (low + high) / 2;
        (at(mid, k0.time, p1t, p2t, k1.time) > time ? high : low) = mid;
    }
    return at(low, k0.value, p1v, p2v, k1.value);
}

TEST(CurveEvaluate, BezierWithinTheBisectionTolerance) {
    Key k0{0, 0, CurveKindBezier};
    k0.outX = 0.6f;
    k0.outY = 3.0f;
    Key k1{2, 1, CurveKindBezier};
    k1.inX = -0.2f;
    k1.inY = -2.0f;
    // k0 of another kind: P1 from a third of the span and k0's inTangentY.
    Key plain{0, 0, CurveKindLinear};
    plain.inY = 1.5f;
    for (const Key& first : {k0, plain}) {
        zCurve curve;
        FillCurve(curve, {first, k1});
        for (f32 time = 0.05f; time < 2.0f; time += 0.1f) {
            SCOPED_TRACE(time);
            double below = BezierReference(first, k1, time - 1e-4);
            double above = BezierReference(first, k1, time + 1e-4);
            double value = ValueAt(curve, time);
            EXPECT_GE(value, std::min(below, above) - 1e-5);
            EXPECT_LE(value, std::max(below, above) + 1e-5);
        }
    }
}

TEST(CurveEvaluate, BezierWithHandlesOnTheLineIsTheLine) {
    Key k0{1, 2, CurveKindBezier};
    k0.outX = 1.0f;
    k0.outY = 2.0f;
    Key k1{4, 8, CurveKindBezier};
    k1.inX = -1.0f;
    k1.inY = -2.0f;
    zCurve curve;
    FillCurve(curve, {k0, k1});
    for (f32 time = 1.0f; time <= 4.0f; time += 0.125f)
        EXPECT_NEAR(ValueAt(curve, time), 2.0f + (time - 1.0f) * 2.0f, 2.5e-4f) << time;
}

struct WrapCase {
    f32 time, start, end;
    f32 result, periods;
};

TEST(CurveWrap, PeriodsAndResults) {
    const WrapCase cases[] = {
        {1.25f, 0, 1, 0.25f, 1},   {2.5f, 0, 1, 0.5f, 2}, {-0.25f, 0, 1, 0.75f, -1},
        {-1.25f, 0, 1, 0.75f, -2}, {0.5f, 0, 1, 0.5f, 0}, {5.0f, 2, 4, 3.0f, 1},
        {1.0f, 2, 4, 3.0f, -1},    {7.0f, 3, 3, 3.0f, 0}, {1e30f, 0, 1, 0.0f, 1e30f},
    };
    for (const WrapCase& test : cases) {
        SCOPED_TRACE(test.time);
        f32 periods = -99;
        EXPECT_FLOAT_EQ(WrapCurveTime(test.time, test.start, test.end, periods), test.result);
        EXPECT_EQ(periods, test.periods);
    }
    f32 periods = 0;
    f32 wrapped = WrapCurveTime(INFINITY, 0, 1, periods);
    EXPECT_TRUE(wrapped >= 0.0f && wrapped <= 1.0f);
}

TEST(CurveEvaluate, RangeSentinelsAndClamping) {
    zCurve curve;
    FillCurve(curve, {{0, 0}, {1, 10}, {2, 0}});
    // Repeat over [0.5, 1.5]: 1.75 wraps to 0.75.
    EXPECT_FLOAT_EQ(ValueAt(curve, 1.75f, LoopModeRepeat, 0.5f, 1.5f), 7.5f);
    // A range start below the first key is clamped to it.
    EXPECT_FLOAT_EQ(ValueAt(curve, -0.5f, LoopModeRepeat, -5.0f), 5.0f);
    EXPECT_FLOAT_EQ(ValueAt(curve, 1.75f, LoopModeConstant, 0.5f, 1.5f), 5.0f);
    EXPECT_FLOAT_EQ(ValueAt(curve, 0.25f, LoopModeReset, 0.5f, 1.5f), 0.0f);
    EXPECT_FLOAT_EQ(ValueAt(curve, 0.25f, LoopModeConstant, NAN, NAN), 2.5f);
}

TEST(CurveEvaluate, NegativeLoopModesClampAfterACachedLastSegment) {
    // A negative mode once left the time outside the keys, and the cached
    // walk stepped past the last key.
    zCurve curve;
    FillCurve(curve, {{0, 0}, {1, 1}, {2, 4}, {3, 9}});
    EXPECT_FLOAT_EQ(ValueAt(curve, 2.5f), 6.5f);
    for (i32 mode : {-1, -2, -1000, 5, 1000}) {
        EXPECT_EQ(ValueAt(curve, 7.0f, mode), 9.0f);
        EXPECT_EQ(ValueAt(curve, -3.0f, mode), 0.0f);
        EXPECT_EQ(ValueAt(curve, 100.0f, mode), 9.0f);
    }
    f32 value = 0;
    curve.Evaluate(NAN, value);
    curve.Evaluate(INFINITY, value, LoopModeRepeat);
    curve.Evaluate(-INFINITY, value, LoopModeOscillate);
    curve.Evaluate(INFINITY, value, LoopModeOffsetRepeat);
    SUCCEED();
}

// An independent evaluator in double precision: a linear scan for the
// segment, the loop modes by floor, the formulas as written.
double Reference(const std::vector<Key>& keys, double time, int mode) {
    const Key& first = keys.front();
    const Key& last = keys.back();
    double start = first.time, end = last.time, offset = 0;
    if (time < start || time > end) {
        double length = end - start;
        double periods = std::floor((time - start) / length);
        double wrapped = time - periods * length;
        switch (mode) {
        case 0:
            return 0;
        case 2:
            time = wrapped;
            break;
        case 3:
            time = std::fmod(std::fabs(periods), 2.0) == 1.0 ? start + end - wrapped : wrapped;
            break;
        case 4:
            time = wrapped;
            offset = (last.value - first.value) * periods;
            break;
        default:
            time = time < start ? start : end;
        }
    }
    size_t i = 0;
    while (i + 2 < keys.size() && keys[i + 1].time < time)
        ++i;
    const Key& a = keys[i];
    const Key& b = keys[i + 1];
    const Key* before = i > 0 ? &keys[i - 1] : nullptr;
    const Key* after = i + 2 < keys.size() ? &keys[i + 2] : nullptr;
    if (time == a.time) return a.value + offset;
    if (time == b.time) return b.value + offset;
    double span = b.time - a.time;
    double u = (time - a.time) / span;
    double slope0 = 0, slope1 = 0;
    switch (b.type) {
    case 1:
        return a.value + (b.value - a.value) * u + offset;
    case 6:
        return a.value + offset;
    case 5:
        return BezierReference(a, b, time) + offset;
    case 2: {
        double d = b.value - a.value;
        slope0 = (1 - a.tension) * (1 - a.continuity) * (1 - a.bias) * d;
        if (before)
            slope0 =
                ((1 - a.tension) * (1 + a.continuity) * (1 + a.bias) * (a.value - before->value) + slope0) *
                span / (b.time - before->time);
        slope1 = (1 - b.tension) * (1 - b.continuity) * (1 + b.bias) * d;
        if (after)
            slope1 =
                ((1 - b.tension) * (1 + b.continuity) * (1 - b.bias) * (after->value - b.value) + slope1) *
                span / (after->time - a.time);
        break;
    }
    case 3:
    case 4:
        slope0 = a.inX * (before ? span / (b.time - before->time) : 1);
        slope1 = b.inX * (after ? span / (after->time - a.time) : 1);
        break;
    default:
        return offset;
    }
    // Hermite basis in Horner-free form.
    double u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * a.value + (-2 * u3 + 3 * u2) * b.value + (u3 - 2 * u2 + u) * slope0 +
           (u3 - u2) * slope1 + offset;
}

std::vector<Key> RandomKeys(std::mt19937& random, int count) {
    std::uniform_real_distribution<f32> step(0.2f, 1.5f), number(-2.0f, 2.0f), small(-0.5f, 0.5f);
    const i32 kinds[] = {1, 2, 3, 4, 5, 6, 0};
    std::vector<Key> keys;
    f32 time = number(random);
    for (int index = 0; index < count; ++index) {
        Key key{time, number(random), kinds[random() % 7]};
        key.tension = small(random);
        key.continuity = small(random);
        key.bias = small(random);
        key.inX = number(random);
        key.inY = number(random);
        // Bezier handles that keep the time coordinate monotone.
        key.outX = 0.05f + 0.1f * std::fabs(small(random));
        key.outY = number(random);
        if (key.type == CurveKindBezier) key.inX = -0.05f - 0.1f * std::fabs(small(random));
        keys.push_back(key);
        time += step(random);
    }
    return keys;
}

TEST(CurveEvaluate, MatchesAReferenceEvaluator) {
    std::mt19937 random(1234);
    for (int round = 0; round < 40; ++round) {
        std::vector<Key> keys = RandomKeys(random, 2 + round % 6);
        zCurve curve;
        FillCurve(curve, keys);
        f32 start = keys.front().time, end = keys.back().time;
        std::uniform_real_distribution<f32> times(start - 3 * (end - start), end + 3 * (end - start));
        for (int sample = 0; sample < 60; ++sample) {
            f32 time = times(random);
            // Period boundaries differ by one rounding between float and double.
            f32 phase = std::fmod(std::fabs(time - start), end - start);
            if (phase < 1e-3f || end - start - phase < 1e-3f) continue;
            i32 mode = i32(random() % 6) - 1;
            double expected = Reference(keys, time, mode);
            SCOPED_TRACE("round " + std::to_string(round) + " time " + std::to_string(time) + " mode " +
                         std::to_string(mode));
            EXPECT_NEAR(ValueAt(curve, time, mode), expected, 2e-3 * (1 + std::fabs(expected)));
        }
    }
}

TEST(CurveEvaluate, CachedSegmentMatchesAFreshCurve) {
    std::mt19937 random(99);
    std::vector<Key> keys = RandomKeys(random, 12);
    zCurve cached;
    FillCurve(cached, keys);
    std::uniform_real_distribution<f32> times(keys.front().time - 1, keys.back().time + 1);
    for (int sample = 0; sample < 400; ++sample) {
        f32 time = sample % 5 == 0 ? keys[random() % keys.size()].time : times(random);
        i32 mode = i32(random() % 5);
        zCurve fresh;
        FillCurve(fresh, keys);
        EXPECT_EQ(ValueAt(cached, time, mode), ValueAt(fresh, time, mode)) << time << " mode " << mode;
    }
}

TEST(CurveKeys, AddPointKeepsTimeOrderEqualTimesAfter) {
    zCurve curve;
    FillCurve(curve, {{2, 20}, {0, 0}, {1, 10}, {1, 11}, {3, 30}});
    const f32 values[] = {0, 10, 11, 20, 30};
    ASSERT_EQ(curve.GetKeyCount(), 5u);
    for (u32 index = 0; index < 5; ++index)
        EXPECT_EQ(curve.GetKey(index)->value, values[index]);
    EXPECT_EQ(curve.GetMemorySize(), 40u + 44u * 5u);
    EXPECT_FALSE(curve.AddPoint(nullptr));
}

TEST(CurveKeys, ManyKeysGrowTheArray) {
    zCurve curve;
    for (int index = 199; index >= 0; --index)
        FillCurve(curve, {{f32(index), f32(index)}});
    ASSERT_EQ(curve.GetKeyCount(), 200u);
    for (u32 index = 0; index < 200; ++index)
        ASSERT_EQ(curve.GetKey(index)->time, f32(index));
}

TEST(CurveKeys, SetKnotCountSetKnotAndSort) {
    zCurve curve;
    ASSERT_TRUE(curve.SetKnotCount(3));
    ASSERT_EQ(curve.GetKeyCount(), 3u);
    EXPECT_EQ(curve.GetKey(2)->type, CurveKindLinear);
    EXPECT_EQ(curve.GetKey(2)->value, 0.0f);
    zCurvePoint point;
    const f32 times[] = {2, 0, 1};
    for (u32 index = 0; index < 3; ++index) {
        point.time = times[index];
        point.value = times[index] * 10;
        point.type = CurveKindStep;
        point.outTangentY = 7;
        EXPECT_TRUE(curve.SetKnot(index, point));
    }
    EXPECT_FALSE(curve.SetKnot(3, point));
    EXPECT_EQ(curve.GetKey(0)->outTangentY, 7.0f);
    curve.SortKeys();
    for (u32 index = 0; index < 3; ++index)
        EXPECT_EQ(curve.GetKey(index)->time, f32(index));
    EXPECT_EQ(ValueAt(curve, 1.5f), 10.0f);
    EXPECT_TRUE(curve.SetKnotCount(0));
    EXPECT_EQ(curve.GetKeyCount(), 0u);
}

TEST(CurveKeys, Queries) {
    zCurve curve;
    f32 start = 5, end = 5, low = 5, high = 5;
    curve.GetTimeRange(start, end);
    curve.GetValueRange(low, high);
    EXPECT_EQ(start, 0.0f);
    EXPECT_EQ(end, 0.0f);
    EXPECT_EQ(low, 0.0f);
    EXPECT_EQ(high, 0.0f);
    EXPECT_EQ(curve.GetEndTime(), 0.0f);
    EXPECT_EQ(curve.FindKey(1, true), -1);

    FillCurve(curve, {{0.5f, 3}, {1, -2}, {2, 7}});
    curve.GetTimeRange(start, end);
    curve.GetValueRange(low, high);
    EXPECT_EQ(start, 0.5f);
    EXPECT_EQ(end, 2.0f);
    EXPECT_EQ(low, -2.0f);
    EXPECT_EQ(high, 7.0f);
    EXPECT_EQ(curve.GetEndTime(), 2.0f);
    EXPECT_EQ(curve.FindKey(1, true), 2);
    EXPECT_EQ(curve.FindKey(0, true), 0);
    EXPECT_EQ(curve.FindKey(2, true), -1);
    EXPECT_EQ(curve.FindKey(1, false), 0);
    EXPECT_EQ(curve.FindKey(0.5f, false), -1);
    EXPECT_EQ(curve.FindKey(3, false), 2);
    EXPECT_EQ(curve.FindKeyNear(1.05f, 0.1f), 1);
    EXPECT_EQ(curve.FindKeyNear(1.5f, 0.1f), -1);
    EXPECT_EQ(curve.FindKeyNear(0.7f, 1.0f), 0);
}

struct ReduceCase {
    std::vector<Key> keys;
    f32 tolerance;
    u32 removed;
    std::vector<f32> keptTimes;
};

TEST(CurveKeys, ReduceOnePass) {
    const ReduceCase cases[] = {
        {{{0, 0}, {1, 1}}, 0.1f, 0, {0, 1}},
        {{{0, 0}, {1, 1}, {2, 2}}, 0.1f, 1, {0, 2}},
        {{{0, 0}, {1, 5}, {2, 2}}, 0.1f, 0, {0, 1, 2}},
        // Triples (0,1,2) and (2,3,4); the last key stays.
        {{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}, 0.1f, 2, {0, 2, 4}},
        // The triples stop before the last two keys: both stay.
        {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}, 0.1f, 1, {0, 2, 3}},
        {{{0, 0}, {1, 1.05f}, {2, 2}}, 0.1f, 1, {0, 2}},
        {{{0, 0}, {1, 1.2f}, {2, 2}}, 0.1f, 0, {0, 1, 2}},
    };
    for (const ReduceCase& test : cases) {
        zCurve curve;
        FillCurve(curve, test.keys);
        EXPECT_EQ(curve.Reduce(test.tolerance), test.removed);
        std::vector<f32> kept;
        for (u32 index = 0; index < curve.GetKeyCount(); ++index)
            kept.push_back(curve.GetKey(index)->time);
        EXPECT_EQ(kept, test.keptTimes);
    }
    // Repeated passes reduce a line to its ends.
    zCurve line;
    for (int index = 0; index < 9; ++index)
        FillCurve(line, {{f32(index), f32(index) * 2}});
    u32 total = 0;
    while (u32 removed = line.Reduce(0.01f))
        total += removed;
    EXPECT_EQ(total, 7u);
    EXPECT_EQ(line.GetKeyCount(), 2u);
}

// ---- the "Curve" tag

struct CurveTagCase {
    const char* body;
    bool parses;
    u32 keys;
    const char* log;
};

TEST(CurveTag, Reader) {
    const CurveTagCase cases[] = {
        {"<Curve=<Knot=<Count=2><Knot=\"0:1\"><Knot=\"1:3\">>>", true, 2, ""},
        {"<Curve=<Knot=<Count=3><Knot=\"0:1\"><Knot=\"1:3\">>>", false, 0,
         "[!] <Curve> is corrupted, discarding.\n"},
        {"<Curve=<Knot=<Count=2000000000><Knot=\"0:1\">>>", false, 0,
         "[!] <Curve> is corrupted, discarding.\n"},
        {"<Curve=<Knot=<Count=-1><Knot=\"0:1\">>>", false, 0, "[!] <Curve> is corrupted, discarding.\n"},
        {"<Curve=<Knot=<Count=2><Knot=\"0:1\"><Knot>>>", false, 0,
         "[*] Invalid knot tag while parsing curve.\n[!] <Curve> is corrupted, discarding.\n"},
        {"<Curve=<Knot=<Knot=\"0:1\"><Count=1>>>", false, 0,
         "[!] First sub-tag in <Curve> must be the knot <Count> tag.\n"},
        {"<Curve=<Knot=<Count=1><Knot=\"0:1\"><Knot=\"1:2\"><Knot=\"2:2\">>>", true, 1,
         "[!] Too many knot in <Curve>, 1 expected.\n"},
        {"<Curve=<Knot=<Count=1><Knot=\"0:1\"><KnotEx=\"1:1:2\">>>", true, 1,
         "[!] Too many knot in <Knot>, 1 specified.\n"},
        {"<Curve=<Knot=<Count=1><Knot><KnotEx><Key=\"2\"><Knot=\"0:1\">>>", true, 1,
         "[*] Invalid knot tag while parsing curve.\n"
         "[*] Invalid extended knot tag while parsing curve.\n"
         "[*] Unsupported knot tag 'Key'.\n"},
        {"<Curve=<PostBehavior=\"Bounce\"><PreBehavior=\"Reset\"><Extra=1>>", true, 0,
         "[*] Unknown loop mode 'Bounce'.\n[*] Unknown tag 'Extra' in <Curve>.\n"},
        {"<Curve=<BinaryKnot=<Count=1>>>", true, 0, ""},
        {"<Curve=<BinaryKnot=<Count=1><Data=\"x\">>>", true, 0, ""},
        {"<Curves>", false, 0, "[!] Could not parse curve. Root tag id is incorrect (Curves).\n"},
    };
    for (const CurveTagCase& test : cases) {
        SCOPED_TRACE(test.body);
        ZmlDocument document(test.body);
        zCurve curve;
        FillCurve(curve, Ramp);
        LogCapture log;
        EXPECT_EQ(curve.ParseTag(document.Root()), test.parses);
        EXPECT_EQ(log.Text(), test.log);
        if (test.parses || curve.GetKeyCount() == 0) {
            EXPECT_EQ(curve.GetKeyCount(), test.keys);
        }
    }
    LogCapture log;
    zCurve curve;
    EXPECT_FALSE(curve.ParseTag(nullptr));
    EXPECT_EQ(log.Text(), "[!] Could not parse curve. Root tag id is incorrect ().\n");
}

TEST(CurveTag, TextKnotsAndLoopWords) {
    ZmlDocument document("<Curve=<PostBehavior=\"Oscillate\"><Knot=<Count=4>"
                         "<Knot=\"0.5:-1.25\"><Knot=\"1\">"
                         "<KnotEx=\"2:3:4:0.1:0.2:0.3:-1:-2:1:2\"><KnotEx=\"3:2:5\">>>");
    zCurve curve;
    ASSERT_TRUE(curve.ParseTag(document.Root()));
    EXPECT_EQ(curve.GetPostBehavior(), LoopModeOscillate);
    ASSERT_EQ(curve.GetKeyCount(), 4u);
    EXPECT_EQ(curve.GetKey(0)->time, 0.5f);
    EXPECT_EQ(curve.GetKey(0)->value, -1.25f);
    EXPECT_EQ(curve.GetKey(1)->value, 0.0f);
    const zCurvePoint* bezier = curve.GetKey(2);
    EXPECT_EQ(bezier->type, CurveKindBezier);
    EXPECT_EQ(bezier->value, 4.0f);
    EXPECT_EQ(bezier->tension, 0.1f);
    EXPECT_EQ(bezier->continuity, 0.2f);
    EXPECT_EQ(bezier->bias, 0.3f);
    EXPECT_EQ(bezier->inTangentX, -1.0f);
    EXPECT_EQ(bezier->inTangentY, -2.0f);
    EXPECT_EQ(bezier->outTangentX, 1.0f);
    EXPECT_EQ(bezier->outTangentY, 2.0f);
    const zCurvePoint* partial = curve.GetKey(3);
    EXPECT_EQ(partial->type, CurveKindTangentAlt);
    EXPECT_EQ(partial->value, 5.0f);
    EXPECT_EQ(partial->tension, -1.0f);
    EXPECT_EQ(partial->outTangentY, -1.0f);

    const char* words[] = {"Reset", "Constant", "Repeat", "Oscillate", "OffsetRepeat"};
    for (i32 mode = 0; mode < 5; ++mode) {
        ZmlDocument loop(std::string("<Curve=<PostBehavior=\"") + words[mode] + "\">>");
        zCurve looped;
        looped.SetPostBehavior(9);
        ASSERT_TRUE(looped.ParseTag(loop.Root()));
        EXPECT_EQ(looped.GetPostBehavior(), mode);
    }
}

TEST(CurveTag, KnotExKindRemap) {
    const i32 expected[] = {0, 1, 4, 5, 3, 2, 6, 0};
    for (i32 field = 0; field <= 7; ++field) {
        ZmlDocument document("<Curve=<Knot=<Count=1><KnotEx=\"0:" + std::to_string(field) + ":1\">>>");
        zCurve curve;
        ASSERT_TRUE(curve.ParseTag(document.Root()));
        EXPECT_EQ(curve.GetKey(0)->type, expected[field]) << field;
    }
    ZmlDocument missing("<Curve=<Knot=<Count=1><KnotEx=\"7\">>>");
    zCurve curve;
    ASSERT_TRUE(curve.ParseTag(missing.Root()));
    EXPECT_EQ(curve.GetKey(0)->time, 7.0f);
    EXPECT_EQ(curve.GetKey(0)->type, 0);
    EXPECT_EQ(curve.GetKey(0)->value, -1.0f);
}

TEST(CurveTag, BinaryLinearKeyIsNineBytes) {
    zCurve curve;
    FillCurve(curve, {{1.5f, -2.0f}});
    std::unique_ptr<zMetaTag> tag(curve.SerializeTag());
    ASSERT_NE(tag, nullptr);
    const zMetaTag* data = tag->GetTypedTag("BinaryKnot:Data;", VariantBinary);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(DumpOne(tag.get()),
              "Curve\n  BinaryKnot\n    Count = int 1\n    Data = binary 9:010000c03f000000c0\n");
}

TEST(CurveTag, BinaryRoundTrip) {
    std::mt19937 random(7);
    std::vector<Key> keys = RandomKeys(random, 9);
    zCurve curve;
    FillCurve(curve, keys);
    auto document = ThroughText(curve.SerializeTag());
    zCurve read;
    FillCurve(read, Ramp);
    ASSERT_TRUE(read.ParseTag(document->Root()));
    ASSERT_EQ(read.GetKeyCount(), curve.GetKeyCount());
    for (u32 index = 0; index < curve.GetKeyCount(); ++index) {
        const zCurvePoint* a = curve.GetKey(index);
        const zCurvePoint* b = read.GetKey(index);
        EXPECT_EQ(a->type, b->type);
        EXPECT_EQ(a->time, b->time);
        EXPECT_EQ(a->value, b->value);
        if (a->type == CurveKindLinear) {
            EXPECT_EQ(b->tension, 0.0f);
            continue;
        }
        EXPECT_EQ(a->tension, b->tension);
        EXPECT_EQ(a->continuity, b->continuity);
        EXPECT_EQ(a->bias, b->bias);
        EXPECT_EQ(a->inTangentX, b->inTangentX);
        EXPECT_EQ(a->inTangentY, b->inTangentY);
        EXPECT_EQ(a->outTangentX, b->outTangentX);
        EXPECT_EQ(a->outTangentY, b->outTangentY);
    }
    // No keys: no block, and the behaviours are never written.
    zCurve empty;
    empty.SetPostBehavior(LoopModeRepeat);
    std::unique_ptr<zMetaTag> tag(empty.SerializeTag());
    EXPECT_EQ(DumpOne(tag.get()), "Curve\n");
}

// A "BinaryKnot" tag holding count and the bytes.
zMetaTag* BinaryKnotTag(i32 count, const std::vector<unsigned char>& bytes) {
    auto* root = new zMetaTag("Curve");
    auto* knots = new zMetaTag("BinaryKnot");
    knots->AddChild(new zMetaTag("Count", count));
    knots->AddChild(new zMetaTag("Data", bytes.data(), u32(bytes.size())));
    root->AddChild(knots);
    return root;
}

std::vector<unsigned char> Record(u8 kind, f32 time, f32 value) {
    std::vector<unsigned char> bytes(1 + 8 + (kind == 1 ? 0 : 28), 0);
    bytes[0] = kind;
    std::memcpy(&bytes[1], &time, 4);
    std::memcpy(&bytes[5], &value, 4);
    return bytes;
}

TEST(CurveTag, ShortBinaryBlockReadsOnlyWholeRecords) {
    std::vector<unsigned char> bytes = Record(1, 0, 1);
    std::vector<unsigned char> second = Record(2, 1, 3);
    bytes.insert(bytes.end(), second.begin(), second.end());
    struct ShortCase {
        i32 count;
        size_t size;
        u32 keys;
        const char* log;
    };
    const ShortCase cases[] = {
        {2, bytes.size(), 2, ""},
        {2, bytes.size() - 1, 1, "[*] <BinaryKnot> data is short: 1 of 2 key(s) read.\n"},
        {2, 9, 1, "[*] <BinaryKnot> data is short: 1 of 2 key(s) read.\n"},
        {2, 8, 0, "[*] <BinaryKnot> data is short: 0 of 2 key(s) read.\n"},
        {2000000000, bytes.size(), 2, "[*] <BinaryKnot> data is short: 2 of 2000000000 key(s) read.\n"},
        {1, bytes.size(), 1, ""},
        {0, bytes.size(), 0, ""},
        {-5, bytes.size(), 0, ""},
    };
    for (const ShortCase& test : cases) {
        SCOPED_TRACE(std::to_string(test.count) + " " + std::to_string(test.size));
        std::unique_ptr<zMetaTag> tag(
            BinaryKnotTag(test.count, std::vector<unsigned char>(bytes.begin(), bytes.begin() + test.size)));
        zCurve curve;
        LogCapture log;
        EXPECT_TRUE(curve.ParseTag(tag.get()));
        EXPECT_EQ(log.Text(), test.log);
        ASSERT_EQ(curve.GetKeyCount(), test.keys);
        if (test.keys == 2) {
            EXPECT_EQ(curve.GetKey(1)->value, 3.0f);
        }
    }
}

} // namespace
