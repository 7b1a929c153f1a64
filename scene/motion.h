// zMotion: a named keyframed animation. Each zMotionChannel is a curve that
// drives one property of an item (position, rotation, scale, pivot, colours,
// cone angles, opacity, zoom, range, fog: channel ids 1 to 30); an optional
// track of quaternion keys replaces the three Euler rotation channels.
// Motions belong to an animation player and play through motion animation
// sources, which pass the loop mode and range to the evaluations here.
#pragma once

#include "core/array_list.h"
#include "core/linked_list.h"
#include "core/quaternion.h"
#include "core/types.h"
#include "core/zstring.h"
#include "render/curve.h"

class zMetaTag;

// Channel ids, in the order of their tag words.
enum zMotionChannelId : i32 {
    ChannelPositionX = 1,
    ChannelPositionY,
    ChannelPositionZ,
    ChannelRotationX,
    ChannelRotationY,
    ChannelRotationZ,
    ChannelScaleX,
    ChannelScaleY,
    ChannelScaleZ,
    ChannelPivotX,
    ChannelPivotY,
    ChannelPivotZ,
    ChannelDiffuseR,
    ChannelDiffuseG,
    ChannelDiffuseB,
    ChannelSpecularR,
    ChannelSpecularG,
    ChannelSpecularB,
    ChannelDiffuseI,
    ChannelSpecularI,
    ChannelConeAngle,
    ChannelEdgeAngle,
    ChannelAlpha,
    ChannelZoom,
    ChannelRange,
    ChannelFogStart,
    ChannelFogEnd,
    ChannelFogR,
    ChannelFogG,
    ChannelFogB,
    MotionChannelIdLast = ChannelFogB,
};

// The tag word of a channel id; null outside 1 to 30.
const char* GetMotionChannelWord(i32 id);
// The id of a tag word; 0 when unknown.
i32 FindMotionChannelId(const char* word);

class zMotionChannel : public zCurve, public zLinkedListEntry {
  public:
    explicit zMotionChannel(i32 id = 0) : channelId(id) {}

    // 84 + 44 per key.
    u32 GetMemorySize() const override;

    // The "Channel" tag: a "Curve" read into this channel and the "Id" word.
    bool ParseChannelTag(const zMetaTag* tag);
    zMetaTag* SerializeChannelTag() const;

    i32 channelId; // 0 until set
};

// One quaternion key; 20 bytes in files (time, x, y, z, w as f32).
class zQuaternionKey : public zArrayListItem {
  public:
    f32 time = 0.0f;
    zQuaternion rotation; // identity
};

// Quaternion keys in file order (not sorted), owned.
class zQuaternionTrack {
  public:
    zQuaternionTrack();
    ~zQuaternionTrack();

    u32 GetKeyCount() const { return m_keys.GetCount(); }
    // Null (logged) past the end.
    zQuaternionKey* GetKey(u32 index) const { return static_cast<zQuaternionKey*>(m_keys.GetAt(index)); }
    // Appends a key; false when it cannot be stored.
    bool AddKey(f32 time, const zQuaternion& rotation);
    void Clear();

    // Writes the rotation at time; out is untouched without keys.
    void Evaluate(f32 time, zQuaternion& out, i32 loopMode, f32 rangeStart, f32 rangeEnd) const;

    // The "QChannel" tag. The reader clears the keys first and fails on a
    // mangled text key (keys read before it stay).
    bool ParseTag(const zMetaTag* tag);
    // Always holds "BinaryKeys", even without keys.
    zMetaTag* SerializeTag() const;

  private:
    zQuaternionTrack(const zQuaternionTrack&) = delete;
    zQuaternionTrack& operator=(const zQuaternionTrack&) = delete;

    void ParseBinaryKeys(const zMetaTag* tag);

    zArrayList m_keys;
    mutable i32 m_cacheIndex = -1; // start of the last evaluated segment
};

class zMotion {
  public:
    explicit zMotion(const char* name = "");
    ~zMotion();

    const zString& GetName() const { return m_name; }
    void SetName(const char* name) { m_name = name; }
    i32 GetLoopMode() const { return m_loopMode; }
    void SetLoopMode(i32 mode) { m_loopMode = mode; }
    bool GetUseQuaternion() const { return m_useQuaternion; }
    void SetUseQuaternion(bool use) { m_useQuaternion = use; }
    zQuaternionTrack& GetRotationKeys() { return m_rotationKeys; }
    const zQuaternionTrack& GetRotationKeys() const { return m_rotationKeys; }

    // Appends a channel with that id; null, logged, when it cannot be made.
    zMotionChannel* AddChannel(i32 id);
    // Appends count channels of id 0; false when one cannot be made.
    bool AddChannels(u32 count);
    // The first channel of that id, or null.
    zMotionChannel* FindChannel(i32 id) const;
    // By position; null past the end.
    zMotionChannel* GetChannel(u32 index) const;
    u32 GetChannelCount() const { return m_channels.GetCount(); }
    // Walking the channels in order: FirstChannel, then NextChannel until null.
    zMotionChannel* FirstChannel() const;
    static zMotionChannel* NextChannel(const zMotionChannel* channel);
    // The channels of ids 1-3, 4-6 and 7-9 (null where absent); any array may be null.
    void GetChannels(zMotionChannel* position[3], zMotionChannel* rotation[3],
                     zMotionChannel* scale[3]) const;

    // The largest channel end time; 0 without channels.
    f32 GetLength() const;
    // The earliest first-key and latest last-key time of all channels; false,
    // with start and end untouched, without channels.
    bool GetTimeRange(f32& start, f32& end) const;
    bool HasQuaternionKeys() const;

    // Channels 1, 2, 3 into out[0..2] over their whole key range; components
    // without a channel are left as they are.
    void EvaluatePosition(f32 time, f32 out[3], i32 loopMode) const;
    // The same with channels 4, 5, 6.
    void EvaluateRotation(f32 time, f32 out[3], i32 loopMode) const;
    // The quaternion track; Reset outside the range gives the identity.
    void EvaluateQuaternion(f32 time, zQuaternion& out, i32 loopMode, f32 rangeStart = CurveRangeFirstKey,
                            f32 rangeEnd = CurveRangeLastKey) const;

    // 92 + 20 per quaternion key + the channels' sizes.
    u32 GetMemorySize() const;
    // Reduces every channel until a pass removes nothing; the keys removed.
    u32 Reduce(f32 tolerance);

    // The "Motion" tag, read into this motion. Without a "LoopMode" the mode
    // is the post-behaviour of the first channel that is not Constant.
    bool ParseTag(const zMetaTag* tag);
    zMetaTag* SerializeTag() const;

  private:
    zMotion(const zMotion&) = delete;
    zMotion& operator=(const zMotion&) = delete;

    void EvaluateTriple(i32 firstId, f32 time, f32 out[3], i32 loopMode) const;

    zString m_name;
    zLinkedList m_channels; // owned zMotionChannel entries, in tag order
    bool m_useQuaternion = false;
    zQuaternionTrack m_rotationKeys;
    i32 m_loopMode = LoopModeConstant;
};
