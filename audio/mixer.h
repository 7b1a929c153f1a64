// zMixer: the one audio interface of the engine. A mixer owns 64 channels;
// a channel plays one loaded sound or one content stream decoded on a thread
// of its own. The null mixer, the OpenAL mixer and the software mixer stand
// behind it; the engine holds the current one and calls Update once a frame.
//
// Channel arguments are indexes 0 to 63. Every operation refuses any other
// index: operations that act log "[!] Invalid mixer channel <n>." and fail
// (false, -1 or nothing), queries answer state 0, null or false.
// All operations run on the main thread.
#pragma once

#include "audio/mixer_host.h"
#include "audio/pcm_sample.h"
#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

class zSound;
class zMixerStreamInterface;

// Channel states as GetChannelState reports them.
constexpr int MixerChannelNone = 0;    // no such channel, or unknown
constexpr int MixerChannelStopped = 1; // also: never started
constexpr int MixerChannelPlaying = 2;
constexpr int MixerChannelPaused = 3;

// Channel loop modes; other values are stored as given.
constexpr u32 MixerLoopOnce = 0;
constexpr u32 MixerLoopRepeat = 1;

struct zMixerChannel {
    zSound* sound = nullptr; // set by StartChannel
    u8 lock = 0;             // a locked channel is never handed out as free
    u32 loopMode = MixerLoopOnce;
    u32 loopPosition = 0;                    // ms a looping stream returns to
    zMixerStreamInterface* stream = nullptr; // owned
    f32 pitch = 1.0f;
    f32 gain = 1.0f;
    f32 panning = 0.5f; // 0 left, 0.5 centre, 1 right
    // Initialised here; no operation of the interface sets them.
    zVector position;
    zVector velocity;
    zMatrix3 orientation;
};

class zMixer {
  public:
    static constexpr int ChannelCount = 64;

    // With registerAsCurrent the mixer becomes the owner's current mixer.
    // The owner may be null (no registration).
    zMixer(zMixerHost* owner, bool registerAsCurrent);
    // Hands the owner's mixer slot back (rules in mixer_host.h) and destroys
    // the stream interfaces the channels still own.
    virtual ~zMixer();
    zMixer(const zMixer&) = delete;
    zMixer& operator=(const zMixer&) = delete;

    virtual bool Open() = 0;
    virtual void Close() = 0;
    // A null pointer leaves that property unchanged.
    virtual void SetListener(const zVector* position, const zVector* velocity,
                             const zMatrix3* orientation) = 0;
    virtual bool StartChannel(int channel, zSound* sound) = 0;
    virtual bool StopChannel(int channel) = 0;
    virtual void PauseChannel(int channel) = 0;
    virtual void ResumeChannel(int channel) = 0;
    virtual int GetChannelState(int channel) = 0;
    // Prepares a loaded sound for this mixer (sound->mixerData).
    virtual bool CreateSoundData(zSound* sound) = 0;
    virtual void FreeSoundData(zSound* sound) = 0;
    // Master gain.
    virtual void SetGain(f32 gain) = 0;
    virtual f32 GetGain() = 0;
    // Prepares the channel's output for a stream of the given audio format.
    virtual bool StreamChannelOpen(int channel, const zPCMFormat& format) = 0;
    // Moves decoded PCM from the channel's stream into the output.
    virtual void StreamChannelUpdate(int channel) = 0;
    // Gives up the channel's stream output, not the stream interface.
    virtual void StreamChannelClose(int channel) = 0;
    // The base setters store the value in the channel record.
    virtual void SetChannelPitch(int channel, f32 pitch);
    virtual void SetChannelGain(int channel, f32 gain);
    virtual void SetChannelPanning(int channel, f32 panning);
    virtual void SetChannelLoopMode(int channel, u32 loopMode);
    virtual void SetChannelLoopPosition(int channel, u32 milliseconds);
    // Per frame: services the streaming channels (see mixer.cpp).
    virtual void Update();
    // ResumeChannel on every channel that has a stream.
    virtual void ResumeStreamingChannels();

    // The lowest channel in state 1 with no stream and no lock; else logs
    // "[!] All channels in use." and gives -1.
    int FindFreeChannel();
    // The channel started, or -1.
    int StartSound(zSound* sound);
    int StartStream(const char* path);
    bool StartChannelStream(int channel, const char* path);
    zSound* GetChannelSound(int channel) const;
    void StopAllChannels();
    // Stops every channel that plays the sound and forgets the sound there;
    // whoever frees a sound calls it first, so no channel reads freed PCM.
    void ReleaseSound(const zSound* sound);
    // Stop, then loop mode 0, pitch 1, gain 1, panning 0.5, channel by channel.
    void ResetChannels();
    // Destroys the channel's stream interface, if any.
    void ReleaseChannelStream(int channel);

    // Locks are independent of playing: the caller that locks unlocks.
    int LockFreeChannel();
    bool TryLockChannel(int channel);
    void UnlockChannel(int channel);
    void UnlockAllChannels();
    bool IsChannelLocked(int channel) const;

    // Saves the gain unless already muted, then sets gain 0.
    void Mute();
    // Restores the saved gain, muted or not.
    void Unmute();
    bool IsMuted() const { return m_muted != 0; }
    f32 GetSavedGain() const { return m_savedGain; }

    bool IsOpen() const { return m_open != 0; }
    zMixerHost* GetOwner() const { return m_owner; }
    // Null for an index outside 0..63.
    const zMixerChannel* GetChannel(int channel) const;

    // One unsigned comparison: negative indexes wrap far above 63.
    static bool IsValidChannel(int channel) { return static_cast<unsigned>(channel) < unsigned(ChannelCount); }

  protected:
    // IsValidChannel, logging the refusal.
    static bool CheckChannel(int channel);

    zMixerHost* m_owner;
    u8 m_open;
    u8 m_muted;
    f32 m_savedGain;
    zMixerChannel m_channels[ChannelCount];
};
