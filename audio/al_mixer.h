// zALMixer: the mixer behind the id "al", over OpenAL 1.1 (platform/openal.h).
// Each of the 64 channels owns one source. A loaded sound is one buffer,
// attached to a source to play it. A streaming channel queues up to 16
// buffers of 2048 bytes (512 stereo 16-bit frames) on its source, refilled
// from the stream's PCM ring buffer once a frame by Update (the base
// zMixer::Update), which also loops and releases streams.
//
// Only the main thread calls OpenAL. Panning is stored but has no effect on
// OpenAL sources; the spatial listener is set with SetListener.
#pragma once

#include <memory>

#include "audio/mixer.h"
#include "audio/sound.h"

struct zOsALDevice;
struct zOsALContext;

// The buffer of one loaded sound (0 until generated).
class zALMixerData : public zMixerData {
  public:
    u32 buffer = 0;
};

class zALMixer : public zMixer {
  public:
    static constexpr u32 StreamBufferCount = 16;
    static constexpr u32 StreamBlockBytes = 2048;
    // Attaching a buffer to a source is tried this often before giving up.
    static constexpr int AttachAttempts = 4;

    explicit zALMixer(zMixerHost* owner, bool registerAsCurrent = true);
    ~zALMixer() override;

    // "Generic Software" first, then the default device.
    bool Open() override;
    void Close() override;
    // Only when open; the orientation's third row is "at", its second "up".
    void SetListener(const zVector* position, const zVector* velocity, const zMatrix3* orientation) override;
    bool StartChannel(int channel, zSound* sound) override;
    bool StopChannel(int channel) override;
    void PauseChannel(int channel) override;
    void ResumeChannel(int channel) override;
    int GetChannelState(int channel) override;
    // Every path after the first checks answers true, also when the buffer
    // could not be made or filled (logged); the data stays attached.
    bool CreateSoundData(zSound* sound) override;
    // Stops the channels that play the sound first: a buffer still attached
    // to a source cannot be deleted.
    void FreeSoundData(zSound* sound) override;
    // Listener gain g x 0.8, never below 0.01; GetGain divides by 0.8.
    void SetGain(f32 gain) override;
    f32 GetGain() override;
    bool StreamChannelOpen(int channel, const zPCMFormat& format) override;
    void StreamChannelUpdate(int channel) override;
    void StreamChannelClose(int channel) override;
    void SetChannelPitch(int channel, f32 pitch) override;
    void SetChannelGain(int channel, f32 gain) override;
    // Streaming sources never loop: zMixer::Update loops streams.
    void SetChannelLoopMode(int channel, u32 loopMode) override;

    bool HasEAX() const { return m_eax != 0; }
    // The source of a channel (0 when closed or out of range).
    u32 GetSource(int channel) const;
    bool IsStreaming(int channel) const;
    u32 GetStreamFreeBuffers(int channel) const;

  private:
    struct StreamRecord {
        // Present exactly while the channel is open for streaming.
        std::unique_ptr<u8[]> transfer;
        u32 cleared = 0;
        u32 sampleRate = 0;
        u32 bitsPerSample = 0;
        u8 stereo = 0;
        // Working slots, refilled and queued in turn; unqueued names come
        // back into the slot before the next one.
        u32 buffers[StreamBufferCount] = {};
        // The names as generated, which Close deletes: the slots may hold a
        // name twice after unqueues.
        u32 generated[StreamBufferCount] = {};
        u32 nextIndex = 0;
        u32 freeCount = StreamBufferCount;
    };

    bool Usable(int channel) const { return m_open && IsValidChannel(channel); }
    void CloseDevice();

    zOsALDevice* m_device;
    zOsALContext* m_context;
    u32 m_eax;
    u32 m_sources[ChannelCount];
    StreamRecord m_streams[ChannelCount];
    u8 m_streamPlayStarted;
};
