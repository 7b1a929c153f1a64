// An Ogg Vorbis file (1.5 s mono tone) decoded three ways, all to stereo
// 16-bit PCM:
// - DirectStb: stb_vorbis_decode_memory on the file bytes, the peer;
// - StreamUpdate: lmr_Stream with the Ogg demuxer, advanced on this thread
//   into an output that keeps nothing;
// - StreamThread: a mixer stream interface, its decoder thread filling the
//   ring and this thread draining it until the stream ended. The thread sleeps
//   5 ms between steps by design, so this one measures the pacing, not the
//   decoding.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb/stb_vorbis.h>

#include "audio/lmr/audio_output.h"
#include "audio/lmr/stream.h"
#include "audio/mixer_stream.h"
#include "audio/null_mixer.h"
#include "core/log.h"

namespace {

std::vector<unsigned char> ReadFile(const char* path) {
    std::vector<unsigned char> bytes;
    if (FILE* in = std::fopen(path, "rb")) {
        unsigned char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(in);
    }
    return bytes;
}

struct QuietLog : zLog {
    QuietLog() : previous(&GetLog()) { SetLog(this); }
    ~QuietLog() override { SetLog(previous); }
    void OutputLine(const char*) override {}
    zLog* previous;
};

struct DiscardingOutput : lmr_AudioOutput {
    bool IsReady() override { return true; }
    void Start() override {}
    bool Configure(u32) override { return true; }
    void Write(const void*, u32 size, u32) override { bytes += size; }
    bool HasEnoughData() override { return false; }
    bool WantsData() override { return true; }
    bool StepDone() override { return true; }
    u64 bytes = 0;
};

void DirectStb(benchmark::State& state) {
    const std::vector<unsigned char> file = ReadFile(ZE_BENCH_OGG);
    for (auto _ : state) {
        int channels = 0, rate = 0;
        short* output = nullptr;
        const int frames = stb_vorbis_decode_memory(file.data(), int(file.size()), &channels, &rate, &output);
        if (frames <= 0) state.SkipWithError("stb_vorbis could not decode the file");
        benchmark::DoNotOptimize(output);
        std::free(output);
    }
}
BENCHMARK(DirectStb)->Unit(benchmark::kMicrosecond);

void StreamUpdate(benchmark::State& state) {
    QuietLog quiet;
    for (auto _ : state) {
        DiscardingOutput output;
        lmr_Stream stream(nullptr, &output);
        if (!stream.Open(ZE_BENCH_OGG, false) || stream.GetState() != StreamEnded)
            state.SkipWithError("the stream did not decode the file");
        benchmark::DoNotOptimize(output.bytes);
    }
}
BENCHMARK(StreamUpdate)->Unit(benchmark::kMicrosecond);

void StreamThread(benchmark::State& state) {
    QuietLog quiet;
    zNull_Mixer mixer(nullptr, false);
    std::vector<u8> block(4096);
    for (auto _ : state) {
        zMixerStream stream(&mixer, 0);
        if (!stream.Open(ZE_BENCH_OGG) || !stream.StartDecoderThread()) state.SkipWithError("no stream");
        for (;;) {
            const u32 taken = stream.Read(block.data(), u32(block.size()));
            if (taken) continue;
            stream.LockStream();
            const bool playing = stream.IsStreamPlaying();
            stream.UnlockStream();
            if (!playing && stream.Read(block.data(), u32(block.size())) == 0) break;
        }
    }
}
BENCHMARK(StreamThread)->Unit(benchmark::kMicrosecond);

} // namespace
