// Animation sources and players.
//
// A player owns an item's motions and the sources playing on it. Each frame
// UpdateAnimation advances every source (clock and weight fades), drops the
// sources that have faded out, blends their rotations by slerp and their
// channels by accumulated weight into the owner, through the four channel
// operations the owner overrides (a managed item maps channels 1..9 to its
// position, rotation and scale).
//
// Sources are counted objects: the player's list and any animation source
// list that scripts hold share them, so a source stays valid while either
// holds it, also after the player stopped it.
//
// Blending within one frame: the first source on a channel sets it outright,
// later ones average in by weight. Channel weights are kept per channel id in
// a table of ChannelWeightCount entries; ids outside it are not blended.
#pragma once

#include <memory>
#include <vector>

#include "core/list.h"
#include "core/quaternion.h"
#include "core/shared_object.h"
#include "core/types.h"

class zAnimationPlayer;
class zAnimationSource;
class zMetaTag;
class zMotion;

// Entries of the accumulated-weight table, indexed by channel id.
constexpr u32 ChannelWeightCount = 31;

// A source below this weight still drives its channels but adds no rotation.
constexpr f32 RotationWeightThreshold = 0.01f;

class zAnimationSource : public zSharedObject {
  public:
    zAnimationSource() = default;

    // Advances the weight fade and the clock by dt seconds.
    virtual void Update(f32 dt) = 0;
    // Writes the source's channels into the player, blended by weight.
    virtual void Apply(zAnimationPlayer& player) = 0;
    // Writes the source's rotation into record; false when it has none.
    virtual bool EvaluateRotation(zQuaternion& record) = 0;
    virtual bool IsDone() const { return false; }
    // Loop range and mode; a source with a locked range ignores them.
    virtual void SetLoop(f32 /*start*/, f32 /*end*/) {}
    virtual void SetLoopMode(i32 /*mode*/) {}

    // Below 0 counts as 0. A fade time above 0 moves the weight there
    // linearly; otherwise it is set at once.
    void SetWeight(f32 weight, f32 fadeTime);
    // Fades to 0 and marks the source, so the player drops it at 0.
    void FadeOut(f32 fadeTime);

    f32 GetClock() const { return m_clock; }
    void SetClock(f32 clock) { m_clock = clock; }
    f32 GetClockScale() const { return m_clockScale; }
    void SetClockScale(f32 scale) { m_clockScale = scale; }
    f32 GetWeight() const { return m_weight; }
    f32 GetTargetWeight() const { return m_targetWeight; }
    f32 GetWeightSpeed() const { return m_weightSpeed; }
    bool IsFadingOut() const { return m_fadingOut; }
    bool IsRelative() const { return m_relative; }
    // A relative source adds its motion's change since its last evaluation
    // instead of setting values.
    void SetRelative(bool relative) { m_relative = relative; }
    u32 GetRangeLocked() const { return m_rangeLocked; }
    void SetRangeLocked(u32 locked) { m_rangeLocked = locked; }

  protected:
    // The common part of Update: the weight fade, then the clock.
    void StepWeightAndClock(f32 dt);

    u32 m_rangeLocked = 0;
    bool m_relative = false;
    f32 m_previousPosition[3] = {0.0f, 0.0f, 0.0f};
    f32 m_previousRotation[3] = {0.0f, 0.0f, 0.0f};
    zQuaternion m_previousQuaternion;
    f32 m_clock = 0.0f;
    f32 m_clockScale = 1.0f;
    f32 m_weight = 0.0f;
    f32 m_targetWeight = 1.0f;
    f32 m_weightSpeed = 0.0f;
    bool m_fadingOut = false;
};

// The group of sources scripts receive (script object kind 46). Dropping the
// list releases each source. Every operation applies to all its sources.
class zAnimationSourceList : public zList<zSharedPtr<zAnimationSource>> {
  public:
    void SetClock(f32 clock);
    void SetClockScale(f32 scale);
    void SetWeight(f32 weight, f32 fadeTime);
    void SetLoop(f32 start, f32 end);
    void SetLoopMode(i32 mode);
    // The first source's clock; 0 for an empty list.
    f32 GetClock() const;
};

// Plays one motion with its own loop mode and range.
class zMotionAnimationSource : public zAnimationSource {
  public:
    // The motion must outlive the source's playing (the player that owns it
    // stops its sources first). The range is the motion's key range, the
    // previous values those at its start.
    explicit zMotionAnimationSource(const zMotion* motion);

    void Update(f32 dt) override;
    void Apply(zAnimationPlayer& player) override;
    bool EvaluateRotation(zQuaternion& record) override;
    // True without a motion; never in the looping modes 2, 3 and 4; otherwise
    // once the clock has run past the end of the range in its direction.
    bool IsDone() const override;
    void SetLoop(f32 start, f32 end) override;
    void SetLoopMode(i32 mode) override;

    const zMotion* GetMotion() const { return m_motion; }
    i32 GetLoopMode() const { return m_loopMode; }
    f32 GetLoopStart() const { return m_loopStart; }
    f32 GetLoopEnd() const { return m_loopEnd; }

  private:
    const zMotion* m_motion;
    i32 m_loopMode;
    f32 m_loopStart;
    f32 m_loopEnd;
};

class zAnimationPlayer {
  public:
    zAnimationPlayer() = default;
    // Stops every source, then deletes the motions.
    virtual ~zAnimationPlayer();

    // The owner's channels and rotation. The base has none: false, and the
    // identity rotation.
    virtual bool GetChannelValue(i32 channel, f32& out);
    virtual bool SetChannelValue(i32 channel, f32 value);
    virtual void GetRotation(zQuaternion& out);
    virtual bool SetRotation(const zQuaternion& rotation);

    bool IsEnabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    // Takes the motion; false (logged, the motion freed) when it cannot be kept.
    bool AddMotion(std::unique_ptr<zMotion> motion);
    // Gives the motion back to the caller; null when it is not one of ours.
    // Sources still playing it keep pointing at it: stop them before the
    // motion is freed.
    std::unique_ptr<zMotion> RemoveMotion(const zMotion* motion);
    // The first motion of that name, or null.
    zMotion* FindMotion(const char* name) const;
    u32 GetMotionCount() const { return static_cast<u32>(m_motions.size()); }
    zMotion* GetMotion(u32 index) const {
        return index < m_motions.size() ? m_motions[index].get() : nullptr;
    }

    // Plays a motion in a new source (see AddSource), also appended to the
    // owner list when given and not already there; the source, or null when
    // it could not be made or kept.
    zSharedPtr<zAnimationSource> SetMotion(const zMotion* motion, zAnimationSourceList* ownerList,
                                           f32 fadeTime, bool keepOthers, f32 weight);
    // Unless keepOthers, every playing source fades out over fadeTime; the
    // new one fades in from 0 to max(weight, 0) over the same time. False
    // when the source cannot be kept.
    bool AddSource(const zSharedPtr<zAnimationSource>& source, f32 fadeTime, bool keepOthers, f32 weight);
    void FadeOutAll(f32 fadeTime);
    // By position, null past the end; valid while the player holds it.
    zAnimationSource* GetSource(u32 index) const;
    // The playing sources and the motion slots, as the script natives see them.
    const zList<zSharedPtr<zAnimationSource>>& GetSourceList() const { return m_sources; }
    const std::vector<std::unique_ptr<zMotion>>& GetSlots() const { return m_motions; }
    u32 GetSourceCount() const { return m_sources.GetCount(); }
    bool IsPlaying() const { return m_sources.GetCount() > 0; }
    // True when every source is done (also with none).
    bool IsDone() const;
    // Releases every source.
    void Stop();
    // Releases the source at that position; false when there is none.
    bool StopSource(u32 index);
    // Plays the motion in a new source at a position of the source list: the
    // source there is released and the new one takes its place; past the end
    // it is appended. The new source starts at clock, with that clock scale,
    // and fades in to max(weight, 0) over fadeTime; the other sources play
    // on. The source, or null when it could not be made or kept.
    zSharedPtr<zAnimationSource> SetSlotMotion(u32 slot, const zMotion* motion, f32 clock, f32 fadeTime,
                                               f32 weight, f32 clockScale);

    // Scales every frame's time step; a paused player does not advance at all.
    f32 GetClockScale() const { return m_clockScale; }
    void SetClockScale(f32 scale) { m_clockScale = scale; }
    bool IsPaused() const { return m_paused; }
    void SetPaused(bool paused) { m_paused = paused; }

    // One frame of dt seconds (times the clock scale). Not re-entrant for the
    // same player.
    void UpdateAnimation(f32 dt);
    // The accumulated weight table of the running UpdateAnimation, else null.
    f32* GetChannelWeights() const { return m_channelWeights; }

    // The "MotionPlayer" tag: its motions are added to the player's.
    bool ParseTag(const zMetaTag* tag);
    // Null when there is nothing to write (no motions) or on failure.
    zMetaTag* SerializeTag() const;

  protected:
    // A source joined the list: the player plays from the next update.
    virtual void OnSourceAdded() {}

  private:
    zAnimationPlayer(const zAnimationPlayer&) = delete;
    zAnimationPlayer& operator=(const zAnimationPlayer&) = delete;

    bool m_enabled = true;
    bool m_paused = false;
    f32 m_clockScale = 1.0f;
    std::vector<std::unique_ptr<zMotion>> m_motions;
    zList<zSharedPtr<zAnimationSource>> m_sources;
    f32* m_channelWeights = nullptr;
};
