// The small JPEG decoder against libjpeg on the same files (about 1 and 8
// megapixels, baseline 4:2:0 and progressive), both producing RGB rows with
// the integer IDCT and replicated chroma.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "picture/jpeg_decoder.h"

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
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &pixels[size_t(cinfo.next_scanline) * width * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<u8> file(out, out + outSize);
    std::free(out);
    return file;
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
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.dct_method = JDCT_ISLOW;
        cinfo.do_fancy_upsampling = FALSE;
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        std::vector<u8> row(size_t(cinfo.output_width) * 3);
        u64 sum = 0;
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW r = row.data();
            jpeg_read_scanlines(&cinfo, &r, 1);
            sum += row[0];
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(sum);
    }
}

// 0: 1 MP baseline, 1: 1 MP progressive, 2: 8 MP baseline, 3: 8 MP progressive.
BENCHMARK(SmallDecoder)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(Libjpeg)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
