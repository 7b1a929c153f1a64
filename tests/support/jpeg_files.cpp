#include "tests/support/jpeg_files.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

JpegFixtureOptions JpegLayout(int width, int height, int components, int lumaHorizontal, int lumaVertical,
                              bool progressive) {
    JpegFixtureOptions options;
    options.width = width;
    options.height = height;
    options.components = components;
    options.lumaHorizontal = lumaHorizontal;
    options.lumaVertical = lumaVertical;
    options.progressive = progressive;
    return options;
}

// A deterministic picture with edges and gradients (so AC terms are busy).
std::vector<u8> MakeTestPixels(int width, int height, int components) {
    std::vector<u8> pixels(size_t(width) * height * components);
    u32 seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) {
                seed = seed * 1103515245u + 12345u;
                int base = c == 0 ? (x * 255) / (width > 1 ? width - 1 : 1)
                                  : (c == 1 ? (y * 255) / (height > 1 ? height - 1 : 1)
                                            : ((x / 4 + y / 4) % 2) * 200);
                int noise = int((seed >> 16) % 24) - 12;
                int v = base + noise;
                pixels[(size_t(y) * width + x) * components + c] = u8(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
    return pixels;
}

std::vector<u8> EncodeJpegFixture(const JpegFixtureOptions& o, const std::vector<u8>& pixels) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(o.width);
    cinfo.image_height = JDIMENSION(o.height);
    cinfo.input_components = o.components;
    cinfo.in_color_space = o.components == 1 ? JCS_GRAYSCALE : (o.components == 4 ? JCS_CMYK : JCS_RGB);
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, o.quality, TRUE);
    if (o.components == 3) {
        cinfo.comp_info[0].h_samp_factor = o.lumaHorizontal;
        cinfo.comp_info[0].v_samp_factor = o.lumaVertical;
        for (int c = 1; c < 3; ++c)
            cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    }
    if (o.progressive) jpeg_simple_progression(&cinfo);
    cinfo.restart_interval = unsigned(o.restartInterval);
    if (o.restartInterval == 0) cinfo.restart_in_rows = o.restartRows;
    cinfo.optimize_coding = o.optimize ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels.data() + size_t(cinfo.next_scanline) * o.width * o.components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<u8> bytes(out, out + outSize);
    std::free(out);
    return bytes;
}

namespace {

// libjpeg's decode of the whole file, one row per call. likeSmall: integer
// IDCT and replicated chroma, the file's own colour count (grey stays grey);
// otherwise the library's defaults with RGB output.
std::vector<u8> Decode(const std::vector<u8>& file, bool likeSmall, int* width, int* height, int* components) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (likeSmall) {
        cinfo.dct_method = JDCT_ISLOW;
        cinfo.do_fancy_upsampling = FALSE;
    } else {
        cinfo.out_color_space = JCS_RGB;
    }
    jpeg_start_decompress(&cinfo);
    *width = int(cinfo.output_width);
    *height = int(cinfo.output_height);
    *components = cinfo.output_components;
    std::vector<u8> pixels(size_t(*width) * *height * *components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + size_t(cinfo.output_scanline) * *width * *components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

}  // namespace

std::vector<u8> DecodeWithLibjpeg(const std::vector<u8>& file, int* width, int* height, int* components) {
    return Decode(file, true, width, height, components);
}

std::vector<u8> DecodeWithLibjpegDefaultsAsRgb(const std::vector<u8>& file, int* width, int* height) {
    int components = 0;
    return Decode(file, false, width, height, &components);
}
