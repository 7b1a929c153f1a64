// The two JPEG codecs against libjpeg-turbo used directly, on the same files:
// small (64x64, 256x256), 1080p and 8-megapixel pictures, baseline 4:2:0,
// baseline 4:4:4 and progressive 4:2:0.
//
// Each codec is timed from the file bytes in memory to a BGRA8 picture, and
// so is its peer, which asks libjpeg-turbo for BGRA rows straight into one
// buffer with the codec's settings:
// - SmallCodec / TurboLikeSmall: integer IDCT and replicated chroma, the
//   output the small decoder must match byte for byte;
// - JpeglibCodec / TurboDefault: libjpeg's defaults (fancy upsampling).
// Before anything is timed every file is decoded by both sides and the
// pixels compared; a difference stops the benchmark with an error.
//
// range(0) indexes Files. Run with --benchmark_repetitions for medians.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "picture/codec.h"
#include "picture/picture.h"
#include "tests/support/jpeg_files.h"

namespace {

struct FileShape {
    const char* name;
    int width;
    int height;
    int lumaHorizontal;
    int lumaVertical;
    bool progressive;
};

constexpr FileShape Files[] = {
    {"64x64 4:2:0", 64, 64, 2, 2, false},         {"64x64 4:4:4", 64, 64, 1, 1, false},
    {"64x64 progressive", 64, 64, 2, 2, true},    {"256x256 4:2:0", 256, 256, 2, 2, false},
    {"256x256 4:4:4", 256, 256, 1, 1, false},     {"256x256 progressive", 256, 256, 2, 2, true},
    {"1080p 4:2:0", 1920, 1080, 2, 2, false},     {"1080p 4:4:4", 1920, 1080, 1, 1, false},
    {"1080p progressive", 1920, 1080, 2, 2, true}, {"8MP 4:2:0", 3264, 2448, 2, 2, false},
    {"8MP progressive", 3264, 2448, 2, 2, true},
};
constexpr int FileCount = int(sizeof(Files) / sizeof(Files[0]));

// A photo-like picture: smooth gradients, hard edges and a little noise.
std::vector<u8> MakeFile(const FileShape& shape) {
    const int width = shape.width;
    const int height = shape.height;
    std::vector<u8> pixels(size_t(width) * height * 3);
    u32 seed = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            u8* p = &pixels[(size_t(y) * width + x) * 3];
            int noise = int((seed >> 16) % 16);
            p[0] = u8((x * 255 / width + noise) & 0xff);
            p[1] = u8((y * 255 / height + noise) & 0xff);
            p[2] = u8((((x / 32) + (y / 32)) % 2) * 180 + noise);
        }
    JpegFixtureOptions options;
    options.width = width;
    options.height = height;
    options.lumaHorizontal = shape.lumaHorizontal;
    options.lumaVertical = shape.lumaVertical;
    options.progressive = shape.progressive;
    return EncodeJpegFixture(options, pixels);
}

// libjpeg-turbo straight to BGRA rows of one malloc'd buffer, many rows per call.
u8* DecodeWithTurbo(const std::vector<u8>& file, bool likeSmall, u32& width, u32& height) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRA;
    if (likeSmall) {
        cinfo.dct_method = JDCT_ISLOW;
        cinfo.do_fancy_upsampling = FALSE;
    }
    jpeg_start_decompress(&cinfo);
    width = cinfo.output_width;
    height = cinfo.output_height;
    const size_t pitch = size_t(width) * 4;
    u8* pixels = static_cast<u8*>(std::malloc(pitch * height));
    JSAMPROW rows[16];
    while (cinfo.output_scanline < height) {
        const u32 first = cinfo.output_scanline;
        const u32 count = height - first < 16 ? height - first : 16;
        for (u32 i = 0; i < count; ++i) rows[i] = pixels + (first + i) * pitch;
        jpeg_read_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

struct File {
    std::vector<u8> bytes;
    bool smallMatches = false;
    bool jpeglibMatches = false;
};

bool SamePixels(const u8* a, const u8* b, u32 aw, u32 ah, u32 bw, u32 bh) {
    return a && b && aw == bw && ah == bh && std::memcmp(a, b, size_t(aw) * ah * 4) == 0;
}

// Every file, checked against libjpeg-turbo once.
const File& GetFile(int index) {
    static std::vector<File> files = [] {
        RegisterPictureCodecs(false);
        std::vector<File> made(FileCount);
        for (int i = 0; i < FileCount; ++i) {
            File& file = made[i];
            file.bytes = MakeFile(Files[i]);
            u32 w = 0, h = 0, tw = 0, th = 0;
            u8* pixels = nullptr;
            FindCodec("Small")->DecodeMemory(file.bytes.data(), file.bytes.size(), w, h, pixels);
            u8* turbo = DecodeWithTurbo(file.bytes, true, tw, th);
            file.smallMatches = SamePixels(pixels, turbo, w, h, tw, th);
            FreePictureBuffer(pixels);
            std::free(turbo);
            pixels = nullptr;
            FindCodec("Jpeglib")->DecodeMemory(file.bytes.data(), file.bytes.size(), w, h, pixels);
            turbo = DecodeWithTurbo(file.bytes, false, tw, th);
            file.jpeglibMatches = SamePixels(pixels, turbo, w, h, tw, th);
            FreePictureBuffer(pixels);
            std::free(turbo);
            std::printf("%-20s %8zu bytes: Small %s, Jpeglib %s libjpeg-turbo\n", Files[i].name,
                        file.bytes.size(), file.smallMatches ? "matches" : "DIFFERS FROM",
                        file.jpeglibMatches ? "matches" : "DIFFERS FROM");
        }
        return made;
    }();
    return files[size_t(index)];
}

void Label(benchmark::State& state, const File& file) {
    state.SetLabel(Files[state.range(0)].name);
    state.counters["MP/s"] = benchmark::Counter(
        double(Files[state.range(0)].width) * Files[state.range(0)].height * 1e-6,
        benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(i64(state.iterations()) * i64(file.bytes.size()));
}

void RunCodec(benchmark::State& state, const char* codecId, bool matches) {
    const File& file = GetFile(int(state.range(0)));
    if (!matches) state.SkipWithError("decoded pixels differ from libjpeg-turbo");
    zPictureIOCodec* codec = FindCodec(codecId);
    for (auto _ : state) {
        u32 w, h;
        u8* pixels = nullptr;
        codec->DecodeMemory(file.bytes.data(), file.bytes.size(), w, h, pixels);
        benchmark::DoNotOptimize(pixels);
        FreePictureBuffer(pixels);
    }
    Label(state, file);
}

void RunTurbo(benchmark::State& state, bool likeSmall) {
    const File& file = GetFile(int(state.range(0)));
    for (auto _ : state) {
        u32 w, h;
        u8* pixels = DecodeWithTurbo(file.bytes, likeSmall, w, h);
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
    Label(state, file);
}

void SmallCodec(benchmark::State& state) {
    RunCodec(state, "Small", GetFile(int(state.range(0))).smallMatches);
}
void TurboLikeSmall(benchmark::State& state) {
    RunTurbo(state, true);
}
void JpeglibCodec(benchmark::State& state) {
    RunCodec(state, "Jpeglib", GetFile(int(state.range(0))).jpeglibMatches);
}
void TurboDefault(benchmark::State& state) {
    RunTurbo(state, false);
}

void EachFile(benchmark::internal::Benchmark* benchmark) {
    benchmark->DenseRange(0, FileCount - 1)->Unit(benchmark::kMicrosecond);
}
BENCHMARK(SmallCodec)->Apply(EachFile);
BENCHMARK(TurboLikeSmall)->Apply(EachFile);
BENCHMARK(JpeglibCodec)->Apply(EachFile);
BENCHMARK(TurboDefault)->Apply(EachFile);

} // namespace
