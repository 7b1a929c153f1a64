// zSMixMixer: the software mixer behind the mixer ids "soft" and "file". It
// mixes the playing sounds itself into 48000 Hz stereo 16-bit PCM and sends
// the result to the sound card ("soft") or, once OpenOutputFile succeeded,
// into a WAV file ("file"). Content streams do not play on it: it never reads
// a stream's ring buffer.
//
// Card output: 8 blocks of 16384 bytes. Update fills the block on top of the
// free-block stack and hands full blocks to the device in order; the device's
// callback (another thread) plays them and, when one is used up, clears its
// fill count and pushes its index back. The stack, the fill counts and the
// queue of handed-over blocks are touched only under the device lock.
//
// Mixing: per channel an integer volume pair from the gains and panning, a
// pitch step in 1/256 frames, a 7-bit linear interpolation between a frame
// and the next (the next of the last frame is the first when the channel
// loops, silence otherwise), 64-bit products, and the channels summed in 32
// bits then clamped to 16: loud channels saturate rather than wrap.
#pragma once

#include <memory>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "io/handle.h"

class zOsAudioDevice;

// This mixer keeps nothing per sound.
class zSMixMixerData : public zMixerData {};

class zSMixMixer : public zMixer {
  public:
    static constexpr u32 SampleRate = 48000;
    static constexpr u32 BytesPerFrame = 4;
    static constexpr u32 BlockCount = 8;
    static constexpr u32 BlockBytes = 16384;
    // The file output writes in pieces of at most this many bytes.
    static constexpr u32 FilePieceBytes = 1024;
    static constexpr u32 WavHeaderBytes = 44;

    explicit zSMixMixer(zMixerHost* owner, bool registerAsCurrent = true);
    // Closes the WAV handle (without finishing the header: Close does that).
    ~zSMixMixer() override;

    // With the WAV output open no device is opened: nothing would go to it.
    bool Open() override;
    // Finishes the WAV output when open, then stops the device.
    void Close() override;
    void SetListener(const zVector* /*position*/, const zVector* /*velocity*/,
                     const zMatrix3* /*orientation*/) override {}
    bool StartChannel(int channel, zSound* sound) override;
    // The sound pointer stays in the channel.
    bool StopChannel(int channel) override;
    void PauseChannel(int /*channel*/) override {}
    void ResumeChannel(int /*channel*/) override {}
    int GetChannelState(int channel) override;
    bool CreateSoundData(zSound* sound) override;
    // Also stops the channels that play the sound.
    void FreeSoundData(zSound* sound) override;
    void SetGain(f32 gain) override { m_masterGain = gain; }
    f32 GetGain() override { return m_masterGain; }
    bool StreamChannelOpen(int channel, const zPCMFormat& format) override;
    void StreamChannelUpdate(int /*channel*/) override {}
    void StreamChannelClose(int /*channel*/) override {}
    // Mixes one step into the WAV output, or fills the device's free blocks.
    void Update() override;

    // Writes the 44-byte header with both sizes 0; false when the file cannot
    // be opened or written.
    bool OpenOutputFile(const char* path);
    bool IsOutputFileOpen() const { return m_wav.IsOpen(); }
    // step in clock ticks of 1/10000 s: 4 x (step x 48000 / 10000) bytes per
    // Update from now on; logs "Fixed mixer step: <bytes> bytes (step = <step>).".
    void SetFixedStep(i32 step);
    u32 GetFixedStep() const { return m_fixedStep; }
    bool HasDevice() const;

    // Mixes frameCount frames of every playing channel into out (stereo
    // interleaved), advancing the channels. Public for the benchmark.
    void Mix(i16* out, u32 frameCount);

  private:
    struct ChannelPlay {
        i64 position = 0; // in 1/256 frame
        int state = MixerChannelStopped;
    };

    static void DeviceCallback(void* self, u8* out, u32 bytes);
    void FillDevice();
    void MixChannel(int channel, i32* sums, u32 frameCount);
    // Loop or stop once the position passed the last frame; false when the
    // channel stopped.
    bool PassEnd(int channel, u32 frames);
    void StopPlaying(int channel);
    void FinishOutputFile();

    f32 m_masterGain;
    u32 m_fixedStep; // bytes per Update; 0 = none

    // WAV output.
    zIOHandle m_wav;
    u32 m_dataSizeAt;
    u32 m_riffSizeAt;
    u32 m_bytesWritten;

    // Card output; all below under the device lock.
    std::unique_ptr<zOsAudioDevice> m_device;
    u8 m_freeBlocks[BlockCount];
    u32 m_freeCount;
    u32 m_fill[BlockCount];
    u8 m_queued[BlockCount]; // blocks handed to the device, oldest first
    u32 m_queueHead;
    u32 m_queueCount;
    u32 m_playedBytes; // of the oldest queued block
    alignas(4) u8 m_blocks[BlockCount][BlockBytes];

    ChannelPlay m_play[ChannelCount];
};
