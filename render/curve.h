// zCurve: a one-dimensional animation curve, a time-sorted array of keys with
// a per-key interpolation kind. Motion channels are curves with a channel id;
// particle models hold six over particle age.
//
// The kind of a segment is stored in the key at its END (k1). Evaluation takes
// the loop mode and an optional time range from the caller: the sentinels
// CurveRangeFirstKey and CurveRangeLastKey stand for the first and last key,
// other range values are clamped to the key times. Outside the range, Reset
// gives 0, Repeat wraps, Oscillate wraps and mirrors odd periods, OffsetRepeat
// wraps and adds (last - first value) per period; Constant and every other
// code clamp. A cached segment index makes sequential playback O(1).
//
// Arithmetic is single precision throughout, as stored curves were tuned in it.
#pragma once

#include <cfloat>
#include <memory>

#include "core/array_list.h"
#include "core/types.h"

class zMetaTag;

// Loop modes, shared with motions.
constexpr i32 LoopModeReset = 0;
constexpr i32 LoopModeConstant = 1;
constexpr i32 LoopModeRepeat = 2;
constexpr i32 LoopModeOscillate = 3;
constexpr i32 LoopModeOffsetRepeat = 4;

// Interpolation kinds (of the segment ending at the key).
constexpr i32 CurveKindLinear = 1;
constexpr i32 CurveKindTCB = 2;
constexpr i32 CurveKindTangent = 3; // 3 and 4 behave the same
constexpr i32 CurveKindTangentAlt = 4;
constexpr i32 CurveKindBezier = 5;
constexpr i32 CurveKindStep = 6;

// Range sentinels: the smallest positive normal and the largest float.
constexpr f32 CurveRangeFirstKey = FLT_MIN;
constexpr f32 CurveRangeLastKey = FLT_MAX;

class zCurvePoint : public zArrayListItem {
  public:
    i32 type = CurveKindLinear;
    f32 time = 0.0f;
    f32 value = 0.0f;
    f32 tension = 0.0f; // kind 2
    f32 continuity = 0.0f;
    f32 bias = 0.0f;
    // Kinds 3 and 4: inTangentX is the slope. Kind 5: the handles, relative to the key.
    f32 inTangentX = 0.0f;
    f32 inTangentY = 0.0f;
    f32 outTangentX = 0.0f;
    f32 outTangentY = 0.0f;

    // The kind and the ten numbers of other.
    void CopyFrom(const zCurvePoint& other);
};

// Wraps time into [start, end]; periods is the number of whole periods from
// time to the result, negative before the range (a float, so that any time
// is safe). A zero-length range gives start and 0 periods.
f32 WrapCurveTime(f32 time, f32 start, f32 end, f32& periods);

// The evaluation range over keys from first to last: the sentinels stand for
// the first and last key (so does NaN), other values are clamped to the keys.
void ResolveCurveRange(f32 first, f32 last, f32 rangeStart, f32 rangeEnd, f32& start, f32& end);

// Maps a time outside [start, end] by the loop mode; false for Reset, which
// has no time. periods is set to the wrapped periods (0 when not wrapped);
// Oscillate mirrors odd ones itself.
bool MapLoopTime(f32& time, i32 loopMode, f32 start, f32 end, f32& periods);

// The start index (0 .. count - 2, count >= 2) of the segment holding time,
// keys sorted by timeAt(index). The cache is the start found last time, or
// -1: from a cached key at or before time the walk goes forward, from a later
// one backward, so sequential playback costs O(1).
template <typename TimeAt> u32 FindKeySegment(i32& cache, u32 count, const TimeAt& timeAt, f32 time) {
    const u32 lastStart = count - 2;
    u32 index = 0;
    if (cache >= 0 && u32(cache) <= lastStart) {
        index = u32(cache);
        if (timeAt(index) <= time) {
            while (index < lastStart && timeAt(index + 1) < time)
                ++index;
        } else {
            while (index > 0 && timeAt(index) > time)
                --index;
        }
    } else {
        for (u32 key = 1; key < count; ++key) {
            if (timeAt(key) >= time) {
                index = key - 1;
                break;
            }
        }
    }
    cache = i32(index);
    return index;
}

class zCurve {
  public:
    zCurve();
    virtual ~zCurve();

    // 40 + 44 per key.
    virtual u32 GetMemorySize() const;

    // Writes the value at time: defaultValue without keys, the key's value
    // with one key.
    void Evaluate(f32 time, f32& out, i32 loopMode = LoopModeConstant, f32 rangeStart = CurveRangeFirstKey,
                  f32 rangeEnd = CurveRangeLastKey) const;

    u32 GetKeyCount() const { return m_points.GetCount(); }
    // Null past the end (logged by the array).
    zCurvePoint* GetKey(u32 index) const { return static_cast<zCurvePoint*>(m_points.GetAt(index)); }

    // Takes the key and inserts it after every key of the same or an earlier
    // time. False (the key deleted) when it cannot be stored.
    bool AddPoint(std::unique_ptr<zCurvePoint> point);
    // Replaces the keys by count default keys; false, with no keys, when they
    // cannot be stored.
    bool SetKnotCount(u32 count);
    // Copies the kind and the ten numbers into the key at index; false past the end.
    bool SetKnot(u32 index, const zCurvePoint& point);
    // Deletes every key.
    void Clear();
    // Sorts the keys by time (stable) when two neighbours are out of order.
    void SortKeys();

    // forward: the first index whose time is above time; backward: the last
    // index whose time is below it. -1 when none.
    i32 FindKey(f32 time, bool forward) const;
    // The first index whose time is within tolerance of time, or -1.
    i32 FindKeyNear(f32 time, f32 tolerance) const;
    // Time of the last key, 0 without keys.
    f32 GetEndTime() const;
    // First and last key times; 0, 0 without keys.
    void GetTimeRange(f32& start, f32& end) const;
    // Smallest and largest key value; 0, 0 without keys.
    void GetValueRange(f32& minimum, f32& maximum) const;
    // One reduction pass: drops every other key that lies within tolerance of
    // the line through its neighbours. Returns the number removed; callers
    // repeat until it is 0.
    u32 Reduce(f32 tolerance);

    // The "Curve" tag. The reader clears the curve first; a "Knot" list that
    // holds fewer keys than its Count discards the curve.
    bool ParseTag(const zMetaTag* tag);
    // Writes the keys as one "BinaryKnot" block; null when a tag cannot be made.
    zMetaTag* SerializeTag() const;

    i32 GetPostBehavior() const { return m_postBehavior; }
    void SetPostBehavior(i32 mode) { m_postBehavior = mode; }
    f32 GetDefaultValue() const { return m_defaultValue; }
    void SetDefaultValue(f32 value) { m_defaultValue = value; }

  private:
    zCurve(const zCurve&) = delete;
    zCurve& operator=(const zCurve&) = delete;

    // The start index of the segment holding time, through the cache.
    u32 FindSegment(f32 time) const;
    // Reads a "Knot" list; false when the curve is to be discarded.
    bool ParseKnotList(const zMetaTag* tag);
    void ParseBinaryKnots(const zMetaTag* tag);
    // Puts the keys back in the order given, without allocating.
    void ReplaceKeys(zCurvePoint* const* keys, u32 count);

    zArrayList m_points; // owned keys, sorted by time
    i32 m_postBehavior = LoopModeConstant;
    f32 m_defaultValue = 0.0f;
    mutable i32 m_cacheIndex = -1; // start of the last evaluated segment
};
