#include "audio/pcm_sample.h"

#include <new>

#include "core/log.h"

zPCMSample::~zPCMSample() {
    Free();
}

u64 zPCMSample::ComputeDataSize(u32 frames, u32 channels, u8 bitsPerSample) {
    return static_cast<u64>(bitsPerSample) * channels * frames / 8;
}

u32 zPCMSample::GetDataSize() const {
    return static_cast<u32>(ComputeDataSize(frameCount, channels, bitsPerSample));
}

void zPCMSample::Free() {
    delete[] data;
    data = nullptr;
    frameCount = 0;
}

u8* zPCMSample::Allocate(u32 frames, const zPCMFormat& format) {
    Free();
    reserved = format.reserved;
    channels = format.channels;
    sampleRate = format.sampleRate;
    bitsPerSample = format.bitsPerSample;

    // GetDataSize answers in 32 bits, so larger blocks are refused.
    u64 size = ComputeDataSize(frames, channels, bitsPerSample);
    if (size <= 0xFFFFFFFFu) data = new (std::nothrow) u8[size];
    if (!data) {
        GetLog() << "[!] Failed to allocate raw PCM sample buffer.\n";
        return nullptr;
    }
    frameCount = frames;
    return data;
}
