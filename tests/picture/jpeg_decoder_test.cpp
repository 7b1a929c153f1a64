#include "picture/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/jpeg_files.h"

namespace {

struct SmallDecode {
    int status = 0;  // 0 complete, else the error code
    int width = 0, height = 0, components = 0;
    std::vector<u8> pixels;  // RGB or grey, as libjpeg gives them
};

SmallDecode DecodeWithSmall(const std::vector<u8>& file) {
    SmallDecode result;
    jpeg_decoder_memory_stream stream(file.data(), file.size());
    jpeg_decoder decoder(&stream);
    if (decoder.begin_decoding() != 0) {
        result.status = decoder.get_error_code();
        return result;
    }
    result.width = decoder.get_width();
    result.height = decoder.get_height();
    result.components = decoder.get_num_components();
    const int outBytes = result.components == 1 ? 1 : 3;
    for (;;) {
        const void* line = nullptr;
        u32 length = 0;
        int r = decoder.decode(&line, &length);
        if (r == 1) break;
        if (r < 0) {
            result.status = decoder.get_error_code();
            return result;
        }
        EXPECT_EQ(length, u32(decoder.get_bytes_per_scan_line()));
        const u8* bytes = static_cast<const u8*>(line);
        for (int x = 0; x < result.width; ++x)
            for (int c = 0; c < outBytes; ++c)
                result.pixels.push_back(bytes[x * decoder.get_bytes_per_pixel() + c]);
    }
    EXPECT_EQ(result.pixels.size(), size_t(result.width) * result.height * outBytes);
    return result;
}

int MaxDifference(const std::vector<u8>& a, const std::vector<u8>& b) {
    if (a.size() != b.size()) return 1000;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

// Offset of the first marker FF <code>.
size_t FindMarker(const std::vector<u8>& file, u8 code) {
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == code) return i;
    ADD_FAILURE() << "no marker " << int(code);
    return 0;
}

}  // namespace

TEST(SmallJpegDecoder, MatchesLibjpegOnGeneratedFiles) {
    struct Case {
        const char* name;
        JpegFixtureOptions options;
    };
    auto make = [](int w, int h, int comps, int hs, int vs, bool progressive, int restart, int quality) {
        JpegFixtureOptions o = JpegLayout(w, h, comps, hs, vs, progressive);
        o.restartInterval = restart;
        o.quality = quality;
        return o;
    };
    const Case cases[] = {
        {"1x1 baseline 4:4:4", make(1, 1, 3, 1, 1, false, 0, 90)},
        {"17x9 baseline 4:4:4", make(17, 9, 3, 1, 1, false, 0, 90)},
        {"17x9 baseline 4:2:2", make(17, 9, 3, 2, 1, false, 0, 75)},
        {"17x9 baseline 4:4:0", make(17, 9, 3, 1, 2, false, 0, 75)},
        {"17x9 baseline 4:2:0", make(17, 9, 3, 2, 2, false, 0, 75)},
        {"64x48 baseline 4:2:0", make(64, 48, 3, 2, 2, false, 0, 50)},
        {"64x48 baseline 4:2:0 restart 1", make(64, 48, 3, 2, 2, false, 1, 85)},
        {"64x48 baseline 4:4:4 restart 5", make(64, 48, 3, 1, 1, false, 5, 100)},
        {"64x48 grey", make(64, 48, 1, 1, 1, false, 0, 80)},
        {"17x9 grey restart 2", make(17, 9, 1, 1, 1, false, 2, 80)},
        {"1x1 progressive", make(1, 1, 3, 2, 2, true, 0, 90)},
        {"17x9 progressive 4:2:0", make(17, 9, 3, 2, 2, true, 0, 90)},
        {"64x48 progressive 4:4:4", make(64, 48, 3, 1, 1, true, 0, 95)},
        {"64x48 progressive 4:2:2 restart 3", make(64, 48, 3, 2, 1, true, 3, 70)},
        {"64x48 progressive 4:2:0 restart 1", make(64, 48, 3, 2, 2, true, 1, 60)},
        {"33x17 progressive grey restart 4", make(33, 17, 1, 1, 1, true, 4, 90)},
        {"200x120 progressive 4:2:0 quality 100", make(200, 120, 3, 2, 2, true, 0, 100)},
        {"200x120 baseline 4:2:0 quality 100 restart 7", make(200, 120, 3, 2, 2, false, 7, 100)},
        // Enough blocks for the large-frame refinement and fast AC entries.
        {"264x200 progressive 4:2:0", make(264, 200, 3, 2, 2, true, 0, 90)},
    };
    for (const Case& c : cases) {
        std::vector<u8> file = MakeJpegFixture(c.options);
        int w, h, comps;
        std::vector<u8> expected = DecodeWithLibjpeg(file, &w, &h, &comps);
        SmallDecode got = DecodeWithSmall(file);
        ASSERT_EQ(got.status, 0) << c.name;
        EXPECT_EQ(got.width, w) << c.name;
        EXPECT_EQ(got.height, h) << c.name;
        EXPECT_EQ(MaxDifference(got.pixels, expected), 0) << c.name;
    }
}

TEST(SmallJpegDecoder, OptimisedHuffmanTablesDecodeIdentically) {
    JpegFixtureOptions o;
    o.width = 40;
    o.height = 24;
    o.optimize = true;
    o.lumaHorizontal = 2;
    std::vector<u8> file = MakeJpegFixture(o);
    int w, h, comps;
    std::vector<u8> expected = DecodeWithLibjpeg(file, &w, &h, &comps);
    EXPECT_EQ(MaxDifference(DecodeWithSmall(file).pixels, expected), 0);
}

TEST(SmallJpegDecoder, ColourScanlinesHoldRgbAndAZeroByte) {
    JpegFixtureOptions o;
    o.width = 1;
    o.height = 1;
    std::vector<u8> file = EncodeJpegFixture(o, {200, 40, 90});
    jpeg_decoder_memory_stream stream(file.data(), file.size());
    jpeg_decoder decoder(&stream);
    ASSERT_EQ(decoder.begin_decoding(), 0);
    EXPECT_EQ(decoder.begin_decoding(), 0);  // a second call changes nothing
    EXPECT_EQ(decoder.get_bytes_per_pixel(), 4);
    const void* line;
    u32 length;
    ASSERT_EQ(decoder.decode(&line, &length), 0);
    ASSERT_EQ(length, 4u);
    const u8* p = static_cast<const u8*>(line);
    EXPECT_NEAR(p[0], 200, 3);
    EXPECT_NEAR(p[1], 40, 3);
    EXPECT_NEAR(p[2], 90, 3);
    EXPECT_EQ(p[3], 0);
    EXPECT_EQ(decoder.decode(&line, &length), 1);
    EXPECT_EQ(decoder.get_total_bytes_read(), file.size());
}

TEST(SmallJpegDecoder, BgraRowsIntoACallerBufferMatchTheRgbRows) {
    struct Case {
        const char* name;
        int width, height, components, horizontal, vertical;
        bool progressive;
    } cases[] = {
        {"4:4:4", 17, 9, 3, 1, 1, false},  {"4:2:2", 33, 17, 3, 2, 1, false},
        {"4:4:0", 17, 33, 3, 1, 2, false}, {"4:2:0", 35, 19, 3, 2, 2, false},
        {"progressive 4:4:4", 19, 21, 3, 1, 1, true}, {"progressive 4:2:0", 41, 23, 3, 2, 2, true},
        {"grey", 13, 11, 1, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<u8> file =
            MakeJpegFixture(JpegLayout(c.width, c.height, c.components, c.horizontal, c.vertical, c.progressive));
        jpeg_decoder_memory_stream rgbStream(file.data(), file.size());
        jpeg_decoder rgb(&rgbStream);
        jpeg_decoder_memory_stream bgraStream(file.data(), file.size());
        jpeg_decoder bgra(&bgraStream);
        u8 row[64 * 4];
        EXPECT_EQ(bgra.decode_into(row), -1);  // not begun
        ASSERT_EQ(rgb.begin_decoding(), 0);
        ASSERT_EQ(bgra.begin_decoding(), 0);
        bgra.set_bgra_output(true);
        EXPECT_EQ(bgra.decode_into(nullptr), -1);
        const int bytesPerPixel = bgra.get_bytes_per_pixel();
        ASSERT_EQ(u32(bgra.get_bytes_per_scan_line()), u32(c.width * bytesPerPixel));
        for (int y = 0; y < c.height; ++y) {
            const void* line = nullptr;
            u32 length = 0;
            ASSERT_EQ(rgb.decode(&line, &length), 0);
            // A guard byte after the scanline stays untouched.
            std::memset(row, 0xA5, sizeof(row));
            ASSERT_EQ(bgra.decode_into(row), 0);
            EXPECT_EQ(row[c.width * bytesPerPixel], 0xA5);
            const u8* in = static_cast<const u8*>(line);
            for (int x = 0; x < c.width; ++x) {
                if (bytesPerPixel == 1) {
                    ASSERT_EQ(row[x], in[x]) << x << "," << y;
                    continue;
                }
                const u8* out = row + 4 * x;
                const u8* source = in + 4 * x;
                ASSERT_EQ(out[0], source[2]) << x << "," << y;
                ASSERT_EQ(out[1], source[1]) << x << "," << y;
                ASSERT_EQ(out[2], source[0]) << x << "," << y;
                ASSERT_EQ(out[3], 255) << x << "," << y;
            }
        }
        EXPECT_EQ(bgra.decode_into(row), 1);
    }
}

TEST(SmallJpegDecoder, DecodeBeforeBeginFails) {
    std::vector<u8> file = MakeJpegFixture(JpegFixtureOptions());
    jpeg_decoder_memory_stream stream(file.data(), file.size());
    jpeg_decoder decoder(&stream);
    const void* line;
    u32 length;
    EXPECT_EQ(decoder.decode(&line, &length), -1);
}

TEST(SmallJpegDecoder, ErrorCodesOfPatchedFiles) {
    JpegFixtureOptions plain;
    const std::vector<u8> baseline = MakeJpegFixture(plain);
    JpegFixtureOptions progressiveOptions;
    progressiveOptions.progressive = true;
    const std::vector<u8> progressive = MakeJpegFixture(progressiveOptions);
    JpegFixtureOptions restartOptions;
    restartOptions.restartInterval = 1;
    const std::vector<u8> restarting = MakeJpegFixture(restartOptions);
    JpegFixtureOptions cmykOptions;
    cmykOptions.components = 4;
    const std::vector<u8> cmyk = MakeJpegFixture(cmykOptions);

    struct Case {
        const char* name;
        std::vector<u8> file;
        int code;
    };
    std::vector<Case> cases;
    auto patched = [&](const std::vector<u8>& source, u8 marker, size_t offset, std::vector<u8> bytes) {
        std::vector<u8> file = source;
        size_t at = FindMarker(file, marker) + offset;
        std::memcpy(file.data() + at, bytes.data(), bytes.size());
        return file;
    };
    const size_t sof = 0;  // offsets from the SOF marker: length 2, precision 4, height 5, width 7, count 9
    cases.push_back({"width 8193", patched(baseline, 0xC0, sof + 7, {0x20, 0x01}), JpegBadWidth});
    cases.push_back({"width 0", patched(baseline, 0xC0, sof + 7, {0, 0}), JpegBadWidth});
    cases.push_back({"height 8193", patched(baseline, 0xC0, sof + 5, {0x20, 0x01}), JpegBadHeight});
    cases.push_back({"precision 12", patched(baseline, 0xC0, sof + 4, {12}), JpegBadPrecision});
    cases.push_back({"5 components", patched(baseline, 0xC0, sof + 9, {5}), JpegTooManyComponents});
    cases.push_back({"frame length", patched(baseline, 0xC0, sof + 2, {0, 18}), JpegBadSofLength});
    cases.push_back({"SOF9", patched(baseline, 0xC0, 1, {0xC9}), JpegNoArithmeticSupport});
    cases.push_back({"SOF3", patched(baseline, 0xC0, 1, {0xC3}), JpegUnsupportedMarker});
    cases.push_back({"DAC", patched(baseline, 0xDB, 1, {0xCC}), JpegNoArithmeticSupport});
    cases.push_back({"4 components", cmyk, JpegUnsupportedColorspace});
    cases.push_back({"sampling 3x1", patched(baseline, 0xC0, sof + 11, {0x31}), JpegUnsupportedSamplingFactors});
    cases.push_back({"chroma 2x2", patched(baseline, 0xC0, sof + 14, {0x22}), JpegUnsupportedSamplingFactors});
    cases.push_back({"quant table 3 undefined", patched(baseline, 0xC0, sof + 12, {3}), JpegUndefinedQuantTable});
    cases.push_back({"DQT table number 4", patched(baseline, 0xDB, 4, {4}), JpegBadDqtTable});
    cases.push_back({"DQT too short", patched(baseline, 0xDB, 2, {0, 40}), JpegBadDqtLength});
    cases.push_back({"DQT length 1", patched(baseline, 0xDB, 2, {0, 1}), JpegBadDqtMarker});
    cases.push_back({"DHT index 8", patched(baseline, 0xC4, 4, {0x1F}), JpegBadDhtIndex});
    cases.push_back({"DHT counts", patched(baseline, 0xC4, 5, {0xFF, 0xFF}), JpegBadDhtCounts});
    cases.push_back({"DHT short", patched(baseline, 0xC4, 2, {0, 10}), JpegBadDhtMarker});
    cases.push_back({"APP length 1", patched(baseline, 0xE0, 2, {0, 1}), JpegBadVariableMarker});
    cases.push_back({"SOS length", patched(baseline, 0xDA, 2, {0, 13}), JpegBadSosLength});
    cases.push_back({"SOS component id", patched(baseline, 0xDA, 5, {77}), JpegBadSosComponentId});
    cases.push_back({"SOS Huffman table 3", patched(baseline, 0xDA, 6, {0x33}), JpegUndefinedHuffTable});
    cases.push_back({"DRI length", patched(restarting, 0xDD, 2, {0, 5}), JpegBadDriLength});
    cases.push_back({"RST between segments", patched(baseline, 0xDB, 1, {0xD3}), JpegUnexpectedMarker});
    // First progressive scan is the interleaved DC scan: 3 components, Ss, Se, Ah/Al.
    cases.push_back({"DC scan with Se 5", patched(progressive, 0xDA, 11, {0, 5}), JpegBadSosSpectral});
    cases.push_back({"Se 64", patched(progressive, 0xDA, 11, {0, 64}), JpegBadSosSpectral});
    cases.push_back({"AC scan of 3 components", patched(progressive, 0xDA, 11, {1, 5}), JpegBadSosSpectral});
    cases.push_back({"refinement 3 to 1", patched(progressive, 0xDA, 13, {0x31}), JpegBadSosSuccessive});
    {
        std::vector<u8> file(600, 0);
        file.insert(file.end(), baseline.begin(), baseline.end());
        cases.push_back({"SOI after 600 bytes", file, JpegNotJpeg});
    }
    cases.push_back({"SOI without a marker after it", patched(baseline, 0xD8, 2, {0x00}), JpegNotJpeg});
    cases.push_back({"empty", {}, JpegNotJpeg});
    {
        std::vector<u8> stripped;
        for (size_t i = 0; i < restarting.size(); ++i) {
            if (restarting[i] == 0xFF && i + 1 < restarting.size() && restarting[i + 1] >= 0xD0 &&
                restarting[i + 1] <= 0xD7) {
                ++i;
                continue;
            }
            stripped.push_back(restarting[i]);
        }
        ASSERT_LT(stripped.size(), restarting.size());
        cases.push_back({"restart markers missing", stripped, JpegBadRestartMarker});
    }
    for (const Case& c : cases) {
        SmallDecode got = DecodeWithSmall(c.file);
        EXPECT_EQ(got.status, c.code) << c.name;
    }
}

TEST(SmallJpegDecoder, ErrorsAfterConstructionAreSticky) {
    std::vector<u8> file = MakeJpegFixture(JpegFixtureOptions());
    file[FindMarker(file, 0xC0) + 7] = 0x30;  // width 12288
    jpeg_decoder_memory_stream stream(file.data(), file.size());
    jpeg_decoder decoder(&stream);
    EXPECT_EQ(decoder.get_error_code(), JpegBadWidth);
    EXPECT_EQ(decoder.get_num_components(), 0);  // the count comes after the width
    EXPECT_EQ(decoder.begin_decoding(), -1);
    const void* line;
    u32 length;
    EXPECT_EQ(decoder.decode(&line, &length), -1);
}

TEST(SmallJpegDecoder, TruncatedScanStillDeliversEveryRow) {
    JpegFixtureOptions o;
    o.width = 64;
    o.height = 48;
    for (bool progressive : {false, true}) {
        o.progressive = progressive;
        std::vector<u8> file = MakeJpegFixture(o);
        file.resize(file.size() * 2 / 3);
        SmallDecode got = DecodeWithSmall(file);
        EXPECT_EQ(got.status, 0) << progressive;
        EXPECT_EQ(got.height, 48);
        // The first rows come from real data.
        int w, h, comps;
        std::vector<u8> full = DecodeWithLibjpeg(MakeJpegFixture(o), &w, &h, &comps);
        if (!progressive) {
            EXPECT_TRUE(std::equal(full.begin(), full.begin() + 64 * 3 * 8, got.pixels.begin()));
        }
    }
}

TEST(SmallJpegDecoder, GreyscaleGivesOneBytePerPixel) {
    JpegFixtureOptions o;
    o.components = 1;
    std::vector<u8> file = MakeJpegFixture(o);
    jpeg_decoder_memory_stream stream(file.data(), file.size());
    jpeg_decoder decoder(&stream);
    ASSERT_EQ(decoder.begin_decoding(), 0);
    EXPECT_EQ(decoder.get_num_components(), 1);
    EXPECT_EQ(decoder.get_bytes_per_pixel(), 1);
    EXPECT_EQ(decoder.get_bytes_per_scan_line(), o.width);
}

TEST(SmallJpegDecoder, StreamReadErrorStops) {
    struct FailingStream : jpeg_decoder_stream {
        int read(u8*, int, bool*) override { return -1; }
        void detach() override { detached = true; }
        bool detached = false;
    } stream;
    {
        jpeg_decoder decoder(&stream);
        EXPECT_EQ(decoder.get_error_code(), JpegStreamReadError);
    }
    EXPECT_TRUE(stream.detached);
}

TEST(SmallJpegDecoder, GarbageNeverCrashes) {
    // Every single-byte corruption of a small progressive file ends cleanly.
    JpegFixtureOptions o;
    o.progressive = true;
    o.restartInterval = 2;
    const std::vector<u8> file = MakeJpegFixture(o);
    for (size_t i = 2; i < file.size(); i += 3) {
        for (u8 value : {u8(0x00), u8(0xFF), u8(file[i] ^ 0x5A)}) {
            std::vector<u8> broken = file;
            broken[i] = value;
            DecodeWithSmall(broken);
        }
    }
}

// Pictures that drive each path of the block decoder and transform: blocks
// with only a DC term, blocks with only a first row or column of terms,
// large terms (long codes, the wide transform), stuffed 0xFF bytes on both
// sides of the input buffer's refills, restart markers and sizes that leave
// partial MCUs.
TEST(SmallJpegDecoder, PicturesOfEveryBlockShapeMatchLibjpeg) {
    enum Content { Flat, VerticalStripes, HorizontalStripes, Noise, Checkerboard };
    struct Case {
        const char* name;
        Content content;
        int width, height, components, lumaHorizontal, lumaVertical;
        int quality, restartInterval;
        bool progressive, optimize;
    };
    const Case cases[] = {
        {"flat 4:2:0 odd size (DC only)", Flat, 37, 29, 3, 2, 2, 90, 0, false, false},
        {"flat grey restart 1 (DC only)", Flat, 23, 17, 1, 1, 1, 50, 1, false, false},
        {"vertical stripes 4:4:4", VerticalStripes, 45, 19, 3, 1, 1, 85, 0, false, false},
        {"horizontal stripes 4:2:2", HorizontalStripes, 19, 45, 3, 2, 1, 85, 0, false, false},
        {"noise 4:4:4 quality 100", Noise, 301, 203, 3, 1, 1, 100, 0, false, false},
        {"noise 4:2:0 quality 100 restart 3", Noise, 301, 203, 3, 2, 2, 100, 3, false, false},
        {"noise 4:2:0 quality 100 optimised", Noise, 257, 131, 3, 2, 2, 100, 0, false, true},
        {"noise grey quality 98 restart 5", Noise, 211, 97, 1, 1, 1, 98, 5, false, false},
        {"noise progressive quality 100", Noise, 203, 101, 3, 2, 2, 100, 0, true, false},
        {"checkerboard 4:4:4 quality 100 (wide blocks)", Checkerboard, 67, 35, 3, 1, 1, 100, 0, false, false},
        {"checkerboard progressive 4:2:0 quality 100", Checkerboard, 67, 35, 3, 2, 2, 100, 2, true, false},
    };
    for (const Case& c : cases) {
        std::vector<u8> pixels(size_t(c.width) * c.height * c.components);
        u32 seed = 7;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                for (int k = 0; k < c.components; ++k) {
                    seed = seed * 1103515245u + 12345u;
                    int v = 0;
                    switch (c.content) {
                    case Flat: v = 40 + 70 * k; break;
                    case VerticalStripes: v = (x / 3 + k) % 2 ? 220 : 30; break;
                    case HorizontalStripes: v = (y / 2 + k) % 2 ? 200 : 60; break;
                    case Noise: v = int(seed >> 24); break;
                    case Checkerboard: v = (x + y + k) % 2 ? 255 : 0; break;
                    }
                    pixels[(size_t(y) * c.width + x) * c.components + k] = u8(v);
                }
        JpegFixtureOptions o = JpegLayout(c.width, c.height, c.components, c.lumaHorizontal, c.lumaVertical,
                                          c.progressive);
        o.quality = c.quality;
        o.restartInterval = c.restartInterval;
        o.optimize = c.optimize;
        const std::vector<u8> file = EncodeJpegFixture(o, pixels);
        if (c.content == Noise && !c.progressive) {
            // Large enough for several input refills, with stuffed bytes throughout.
            EXPECT_GT(file.size(), size_t(3 * 4096)) << c.name;
            size_t stuffed = 0;
            for (size_t i = 0; i + 1 < file.size(); ++i) stuffed += file[i] == 0xFF && file[i + 1] == 0;
            EXPECT_GT(stuffed, size_t(20)) << c.name;
        }
        int w, h, comps;
        const std::vector<u8> expected = DecodeWithLibjpeg(file, &w, &h, &comps);
        const SmallDecode got = DecodeWithSmall(file);
        ASSERT_EQ(got.status, 0) << c.name;
        EXPECT_EQ(got.width, w) << c.name;
        EXPECT_EQ(got.height, h) << c.name;
        EXPECT_EQ(MaxDifference(got.pixels, expected), 0) << c.name;
    }
}
