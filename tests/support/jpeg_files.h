// JPEG files made with libjpeg for tests, fuzz seeds and benchmarks, and libjpeg's own decode of
// them with the settings the small decoder mirrors (integer IDCT, replicated chroma, RGB output).
// libjpeg stays inside jpeg_files.cpp.
#pragma once

#include <vector>

#include "core/types.h"

struct JpegFixtureOptions {
    int width = 17;
    int height = 9;
    int components = 3;     // 1 grey, 3 colour, 4 CMYK
    int lumaHorizontal = 1; // luma sampling of colour files; chroma is always 1x1
    int lumaVertical = 1;
    int quality = 90;
    bool progressive = false;
    int restartInterval = 0; // in MCUs
    int restartRows = 0;     // in MCU rows; used when restartInterval is 0
    bool optimize = false;
};

// Options for a file of that size, colour count and luma sampling.
JpegFixtureOptions JpegLayout(int width, int height, int components, int lumaHorizontal, int lumaVertical,
                              bool progressive);

// A deterministic picture with edges and gradients (so AC terms are busy).
std::vector<u8> MakeTestPixels(int width, int height, int components);

// Encodes width * height * components bytes, rows top to bottom.
std::vector<u8> EncodeJpegFixture(const JpegFixtureOptions& options, const std::vector<u8>& pixels);

inline std::vector<u8> MakeJpegFixture(const JpegFixtureOptions& options) {
    return EncodeJpegFixture(options, MakeTestPixels(options.width, options.height, options.components));
}

// libjpeg's decode: RGB (or grey) bytes, integer IDCT, no fancy upsampling.
std::vector<u8> DecodeWithLibjpeg(const std::vector<u8>& file, int* width, int* height, int* components);
// libjpeg's decode with the library's defaults (fancy upsampling), as RGB
// bytes, greyscale included.
std::vector<u8> DecodeWithLibjpegDefaultsAsRgb(const std::vector<u8>& file, int* width, int* height);
