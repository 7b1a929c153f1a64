// zPCMSample: one raw block of interleaved PCM frames in host byte order,
// with its format. Sounds hold one; the WAV reader fills it.
#pragma once

#include "core/types.h"

// The format record passed to Allocate, in the order the callers build it.
struct zPCMFormat {
    u32 reserved;
    u32 channels;
    u32 sampleRate;
    u8 bitsPerSample;
};

class zPCMSample {
  public:
    zPCMSample() = default;
    virtual ~zPCMSample();
    zPCMSample(const zPCMSample&) = delete;
    zPCMSample& operator=(const zPCMSample&) = delete;

    // Frees the current data, copies the format, allocates the frames and
    // sets the frame count. A block that cannot be allocated, or whose size
    // would not fit in 32 bits, logs "[!] Failed to allocate raw PCM sample
    // buffer." and gives null with no data and no frames.
    u8* Allocate(u32 frames, const zPCMFormat& format);
    // Frees the data; the frame count becomes 0, the format stays.
    void Free();

    // bits x channels x frames / 8.
    u32 GetDataSize() const;
    static u64 ComputeDataSize(u32 frames, u32 channels, u8 bitsPerSample);

    u32 frameCount = 0;
    u8* data = nullptr; // owned
    u32 reserved = 0;
    u32 channels = 2;
    u32 sampleRate = 48000;
    u8 bitsPerSample = 16;
};
