// The small JPEG decoder against libjpeg on the same files (about 1 and 8
// megapixels, baseline 4:2:0 and progressive), both producing RGB with the
// integer IDCT and replicated chroma (the small decoder row by row, libjpeg
// into one picture).
#include <benchmark/benchmark.h>

#include <vector>

#include "picture/jpeg_decoder.h"
#include "tests/support/jpeg_files.h"

namespace {

std::vector<u8> MakeFile(int width, int height, bool progressive) {
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
    options.lumaHorizontal = 2;  // 4:2:0
    options.lumaVertical = 2;
    options.progressive = progressive;
    return EncodeJpegFixture(options, pixels);
}

const std::vector<u8>& File(int index) {
    static std::vector<u8> files[4] = {MakeFile(1152, 864, false), MakeFile(1152, 864, true),
                                       MakeFile(3264, 2448, false), MakeFile(3264, 2448, true)};
    return files[index];
}

void SmallDecoder(benchmark::State& state) {
    const std::vector<u8>& file = File(int(state.range(0)));
    for (auto _ : state) {
        jpeg_decoder_memory_stream stream(file.data(), file.size());
        jpeg_decoder decoder(&stream);
        if (decoder.begin_decoding() != 0) state.SkipWithError("begin failed");
        const void* line;
        u32 length;
        u64 sum = 0;
        while (decoder.decode(&line, &length) == 0) sum += static_cast<const u8*>(line)[0];
        benchmark::DoNotOptimize(sum);
    }
}

void Libjpeg(benchmark::State& state) {
    const std::vector<u8>& file = File(int(state.range(0)));
    for (auto _ : state) {
        int width, height, components;
        std::vector<u8> pixels = DecodeWithLibjpeg(file, &width, &height, &components);
        u64 sum = 0;
        for (size_t row = 0; row < size_t(height); ++row) sum += pixels[row * width * components];
        benchmark::DoNotOptimize(sum);
    }
}

// 0: 1 MP baseline, 1: 1 MP progressive, 2: 8 MP baseline, 3: 8 MP progressive.
BENCHMARK(SmallDecoder)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(Libjpeg)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
