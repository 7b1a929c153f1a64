// Test doubles for media streams: an audio output that keeps what it is
// given, a decoder that records the payloads fed to it, a stream whose
// decoder selection accepts every type, and content files written to the
// test's temporary directory.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "audio/lmr/audio_output.h"
#include "audio/lmr/decoder.h"
#include "audio/lmr/stream.h"
#include "audio/lmr/video_output.h"

using Bytes = std::vector<u8>;

// Keeps every byte written; has enough once it holds limit bytes (never
// with limit 0).
struct RecordingOutput : lmr_AudioOutput {
    explicit RecordingOutput(size_t limitBytes = 0) : limit(limitBytes) {}
    bool IsReady() override { return true; }
    void Start() override {}
    bool Configure(u32) override { return true; }
    void Write(const void* data, u32 size, u32) override {
        const u8* bytes = static_cast<const u8*>(data);
        pcm.insert(pcm.end(), bytes, bytes + size);
    }
    bool HasEnoughData() override { return limit != 0 && pcm.size() >= limit; }
    bool WantsData() override { return !HasEnoughData(); }
    bool StepDone() override {
        ++steps;
        return true;
    }
    // Interleaved stereo samples.
    std::vector<i16> Samples() const {
        std::vector<i16> out(pcm.size() / 2);
        for (size_t i = 0; i < out.size(); ++i) out[i] = i16(pcm[2 * i] | pcm[2 * i + 1] << 8);
        return out;
    }

    size_t limit;
    Bytes pcm;
    int steps = 0;
};

// A video output that needs a frame until one is written, and counts what
// the stream presents.
struct CountingVideoOutput : lmr_VideoOutput {
    bool SetFormat(const lmr_VideoFormat&) override { return true; }
    bool WriteFrame(const u8* const*, u32) override {
        ready = true;
        return true;
    }
    bool IsFrameReady() override { return ready; }
    bool NeedsFrame() override { return !ready && needs; }
    bool PresentFrame() override {
        ++presented;
        return true;
    }
    bool ready = false;
    bool needs = true;
    int presented = 0;
};

struct Payload {
    Bytes bytes;
    u32 time;
};

struct RecordingDecoder : lmr_Decoder {
    explicit RecordingDecoder(std::vector<Payload>* into) : payloads(into) {}
    void Decode(const u8* data, const u8* end, u32 time) override {
        payloads->push_back({Bytes(data, end), time});
    }
    void Reset() override {}
    bool Position(const u8*, const u8*, u32) override { return false; }
    std::vector<Payload>* payloads;
};

// Accepts every decoder type, with recording decoders attached.
struct RecordingStream : lmr_Stream {
    explicit RecordingStream(lmr_AudioOutput* output = nullptr) : lmr_Stream(nullptr, output) {
        AttachAudioDecoder(std::make_unique<RecordingDecoder>(&audio));
        AttachVideoDecoder(std::make_unique<RecordingDecoder>(&video));
    }
    bool SelectVideoDecoder(u32 type) override {
        videoTypes.push_back(type);
        return true;
    }
    bool SelectAudioDecoder(u32 type) override {
        audioTypes.push_back(type);
        return true;
    }
    std::vector<Payload> audio, video;
    std::vector<u32> videoTypes, audioTypes;
};

// Writes bytes to a file of the test's temporary directory; removed with the object.
class TempContent {
  public:
    // The name is made unique per process and object: tests run in parallel.
    TempContent(const std::string& name, const Bytes& bytes)
        : m_path(::testing::TempDir() + std::to_string(getpid()) + "_" + std::to_string(NextSerial()) + "_" + name) {
        FILE* out = std::fopen(m_path.c_str(), "wb");
        EXPECT_NE(out, nullptr);
        if (!out) return;
        EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
        std::fclose(out);
    }
    ~TempContent() { std::remove(m_path.c_str()); }
    const char* Path() const { return m_path.c_str(); }

  private:
    static int NextSerial() {
        static int serial = 0;
        return ++serial;
    }

    std::string m_path;
};

inline std::string TestData(const char* name) {
    return std::string(ZE_TEST_DATA) + "/" + name;
}
