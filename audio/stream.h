// zMixerStreamInterface: the audio output of a content stream that a mixer
// channel owns. This is what the channel code of zMixer needs of it: open it
// on a path, start its decoder thread, and look at and seek its stream under
// the stream mutex. The concrete interface (ring buffer, decoder thread,
// media stream) derives from it.
//
// Interfaces are made through a factory that the streaming code installs;
// until one is installed no stream can be created.
#pragma once

#include "core/types.h"

class zMixer;
class zMixerRingBuffer;

class zMixerStreamInterface {
  public:
    zMixerStreamInterface(zMixer* mixer, int channel) : m_mixer(mixer), m_channel(channel) {}
    // Stops and joins the decoder thread before anything else goes; the
    // caller must not hold the stream mutex.
    virtual ~zMixerStreamInterface() = default;
    zMixerStreamInterface(const zMixerStreamInterface&) = delete;
    zMixerStreamInterface& operator=(const zMixerStreamInterface&) = delete;

    // Creates the media stream on path and calls the mixer's
    // StreamChannelOpen with its audio format.
    virtual bool Open(const char* path) = 0;
    // Creates the decoder thread suspended, then resumes it.
    virtual bool StartDecoderThread() = 0;

    // The stream mutex, held by the decoder thread for each step.
    virtual void LockStream() = 0;
    virtual void UnlockStream() = 0;
    // Under the stream mutex: true while the stream's state is 1 (playing).
    virtual bool IsStreamPlaying() = 0;
    // Under the stream mutex: seeks to a time in milliseconds; the stream
    // plays again from there.
    virtual void SeekStream(u32 milliseconds) = 0;

    // The PCM ring buffer (stereo 16-bit at the stream's rate) that the
    // decoder thread fills, under its own ring mutex. An interface without
    // one holds nothing readable.
    virtual void LockRing() {}
    virtual void UnlockRing() {}
    // Under the ring mutex: bytes ready to read.
    virtual u32 GetReadableBytes() { return 0; }
    // Under the ring mutex: reads up to count bytes; the bytes read.
    virtual u32 ReadRing(void* /*buffer*/, u32 /*count*/) { return 0; }

    zMixer* GetMixer() const { return m_mixer; }
    int GetChannel() const { return m_channel; }

    // Set by zMixer::Update once the stream ended on a channel that does not
    // loop; the interface is released when the channel stops playing.
    bool IsFinished() const { return m_finished != 0; }
    void SetFinished() { m_finished = 1; }

  private:
    zMixer* m_mixer;
    int m_channel;
    u8 m_finished = 0;
};

using zMixerStreamFactory = zMixerStreamInterface* (*)(zMixer* mixer, int channel);

// Returns the previous factory; null removes it.
zMixerStreamFactory SetMixerStreamFactory(zMixerStreamFactory factory);
// True once the streaming code has installed its factory.
bool HasMixerStreamFactory();
// A new interface from the installed factory, or null.
zMixerStreamInterface* CreateMixerStreamInterface(zMixer* mixer, int channel);
