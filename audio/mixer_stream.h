// zMixerStream: the stream interface a mixer channel owns when it plays a
// content file. It is the audio output of its media stream (lmr_Stream): the
// stream's demuxer writes 16-bit stereo PCM into an 8 x 4096-byte block ring,
// a decoder thread of its own advances the stream one step every 5 ms, and the
// mixer drains the ring on the main thread.
//
// Locks: the decoder thread holds the stream mutex for each step and takes the
// ring mutex inside it (Write), so the order is stream mutex, then ring mutex.
// The main thread takes either alone. Destruction clears the running flag and
// joins the thread before anything else goes; the destroyer must not hold the
// stream mutex.
#pragma once

#include <atomic>
#include <memory>

#include "audio/lmr/audio_output.h"
#include "audio/ring_buffer.h"
#include "audio/stream.h"
#include "core/mutex.h"
#include "core/thread.h"

class lmr_Stream;
class zMixerStream;

class zMixerStreamDecoderThread : public zThread {
  public:
    explicit zMixerStreamDecoderThread(zMixerStream* stream) : m_stream(stream) {}
    ~zMixerStreamDecoderThread() override;

    bool Run() override;
    void Stop() { m_running = false; }
    bool IsRunningFlagSet() const { return m_running; }

  private:
    std::atomic<bool> m_running{true};
    zMixerStream* m_stream;
};

class zMixerStream : public zMixerStreamInterface, public lmr_AudioOutput {
  public:
    static constexpr u32 RingBlockSize = 4096;
    static constexpr u32 RingBlockCount = 8;

    zMixerStream(zMixer* mixer, int channel);
    ~zMixerStream() override;

    // The factory zMixer uses (installed by InstallMixerStreams).
    static zMixerStreamInterface* Create(zMixer* mixer, int channel);

    bool Open(const char* path) override;
    bool StartDecoderThread() override;
    void LockStream() override { m_streamMutex.Lock(); }
    void UnlockStream() override { m_streamMutex.Unlock(); }
    bool IsStreamPlaying() override;
    void SeekStream(u32 milliseconds) override;
    void LockRing() override { m_ringMutex.Lock(); }
    void UnlockRing() override { m_ringMutex.Unlock(); }
    // Under the ring mutex, for the mixers that drain it.
    u32 GetReadableBytes() override;
    u32 ReadRing(void* buffer, u32 count) override;

    // The stream, with the stream mutex held (UnlockStream releases it).
    lmr_Stream* LockMediaStream();
    // Ring read under the ring mutex: up to size bytes of whole blocks.
    u32 Read(void* dest, u32 size);

    // lmr_AudioOutput
    bool IsReady() override { return true; }
    void Start() override {}
    bool Configure(u32) override { return true; }
    void Write(const void* data, u32 size, u32 flags) override;
    bool HasEnoughData() override;
    bool WantsData() override { return !HasEnoughData(); }
    bool StepDone() override { return true; }

    // One decoder-thread step: Update(1) under the stream mutex.
    void Step();
    zMixerStreamDecoderThread& GetDecoderThread() { return *m_thread; }

  private:
    // Declared in the reverse of the order the destructor frees them.
    zMutex m_streamMutex;
    zMixerRingBuffer m_ring;
    zMutex m_ringMutex;
    std::unique_ptr<zMixerStreamDecoderThread> m_thread;
    std::unique_ptr<lmr_Stream> m_stream;
};

// Makes zMixer create zMixerStream interfaces for its streaming channels.
void InstallMixerStreams();
