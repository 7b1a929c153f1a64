// Shared parts of the demuxer targets: a stream that accepts every decoder
// type with decoders that read each payload byte (so an out-of-range payload
// is caught by AddressSanitizer), and an audio output that keeps a checksum.
#pragma once

#include <memory>

#include "audio/lmr/audio_output.h"
#include "audio/lmr/decoder.h"
#include "audio/lmr/stream.h"
#include "fuzz/fuzz_support.h"

struct FuzzDecoder : lmr_Decoder {
    void Decode(const u8* data, const u8* end, u32 time) override {
        if (end < data) FuzzFail("a payload ends before it starts");
        for (const u8* p = data; p < end; ++p) sum += *p;
        sum += time;
    }
    void Reset() override {}
    bool Position(const u8* data, const u8* end, u32) override {
        Decode(data, end, 0);
        return false;
    }
    u32 sum = 0;
};

struct FuzzOutput : lmr_AudioOutput {
    bool IsReady() override { return true; }
    void Start() override {}
    bool Configure(u32) override { return true; }
    void Write(const void* data, u32 size, u32) override {
        if (size % 4) FuzzFail("PCM written in part frames");
        const u8* bytes = static_cast<const u8*>(data);
        for (u32 i = 0; i < size; ++i) sum += bytes[i];
    }
    // Has enough after 64 KB: the stream's update then stops each step.
    bool HasEnoughData() override { return pending >= 65536; }
    bool WantsData() override { return !HasEnoughData(); }
    bool StepDone() override {
        pending = 0;
        return true;
    }
    u32 sum = 0;
    u32 pending = 0;
};

struct FuzzStream : lmr_Stream {
    explicit FuzzStream(lmr_AudioOutput* output) : lmr_Stream(nullptr, output) {
        AttachAudioDecoder(std::make_unique<FuzzDecoder>());
        AttachVideoDecoder(std::make_unique<FuzzDecoder>());
    }
    bool SelectVideoDecoder(u32) override { return true; }
    bool SelectAudioDecoder(u32) override { return true; }
};
