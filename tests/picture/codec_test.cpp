#include "picture/codec.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "io/file_road.h"
#include "picture/jpeg_decoder.h"
#include "picture/picture.h"
#include "picture/tga.h"
#include "tests/support/jpeg_files.h"
#include "tests/support/log_capture.h"
#include "tests/support/temporary_directory.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

// A temporary working directory, a clean file road and freshly registered codecs.
class CodecTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_temporary.Path().empty());
        FileSystemReset();
        ClearPictureCodecs();
        LogCapture quiet;
        RegisterPictureCodecs(false);
    }

    void TearDown() override {
        ClearPictureCodecs();
        FileSystemReset();
    }

    static void WriteFile(const std::string& path, const std::vector<u8>& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    static std::vector<u8> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<u8>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TemporaryDirectory m_temporary{"picture_test", true};
};

std::vector<u8> MakePng(int width, int height) {
    std::vector<u8> rgba(size_t(width) * height * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = u8(i * 7);
    int length = 0;
    unsigned char* png = stbi_write_png_to_mem(rgba.data(), width * 4, width, height, 4, &length);
    std::vector<u8> bytes(png, png + length);
    STBIW_FREE(png);
    return bytes;
}

f64 Psnr(const u8* a, const u8* b, size_t count) {
    f64 sum = 0;
    for (size_t i = 0; i < count; ++i) sum += f64(int(a[i]) - int(b[i])) * (int(a[i]) - int(b[i]));
    if (sum == 0) return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / f64(count)));
}

}  // namespace

TEST_F(CodecTest, RegistrationLinesAndOrder) {
    ClearPictureCodecs();
    LogCapture log;
    RegisterPictureCodecs(true);
    EXPECT_EQ(log.Text(),
              "Beginning picture I/O codec registration sequence...\n"
              "Codec ('Small') registered successfully.\n"
              "Codec ('Jpeglib') registered successfully.\n"
              "Codec ('STB') registered successfully.\n"
              "All codec registered.\n\n");
    const zLinkedListId& codecs = GetPictureCodecs();
    ASSERT_EQ(codecs.GetCount(), 3u);
    EXPECT_EQ(codecs.GetAt(0)->id, "Small");
    EXPECT_EQ(codecs.GetAt(2)->id, "STB");
    EXPECT_EQ(FindCodec("Jpeglib")->GetDescription(), "Jpeglib read/write codec.");
    EXPECT_EQ(FindCodec("Jpeglib")->GetFlags(), 43u);
    EXPECT_EQ(FindCodec("nothing"), nullptr);

    log.Reset();
    zPictureIOCodec* first = FindCodec("Small");
    EXPECT_TRUE(RegisterCodec(new zPictureIOSmallCodec, true));  // the duplicate is dropped
    EXPECT_EQ(codecs.GetCount(), 3u);
    EXPECT_EQ(FindCodec("Small"), first);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(CodecTest, ColourJpegIsDecodedBySmall) {
    JpegFixtureOptions o;
    o.width = 33;
    o.height = 17;
    o.lumaHorizontal = 2;
    o.lumaVertical = 2;
    const std::vector<u8> file = MakeJpegFixture(o);
    WriteFile("photo.jpg", file);
    LogCapture log;
    zPicture picture;
    ASSERT_TRUE(picture.Load("photo.jpg"));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(picture.GetName(), "photo.jpg");
    EXPECT_TRUE(picture.GetFormat() == PixelFormatBGRA8);
    // Small replicates chroma where libjpeg's default smooths it: same as Small's own decode.
    u32 w, h;
    u8* pixels = nullptr;
    ASSERT_TRUE(FindCodec("Small")->DecodeMemory(file.data(), file.size(), w, h, pixels));
    EXPECT_EQ(std::memcmp(pixels, picture.GetPixels(), size_t(w) * h * 4), 0);
    FindCodec("Small")->FreeData(pixels);
    EXPECT_EQ(pixels, nullptr);
    // BGRA order with opaque alpha.
    int lw, lh, lc;
    std::vector<u8> rgb = DecodeWithLibjpeg(file, &lw, &lh, &lc);
    EXPECT_EQ(picture.GetPixels()[0], rgb[2]);
    EXPECT_EQ(picture.GetPixels()[2], rgb[0]);
    EXPECT_EQ(picture.GetPixels()[3], 255);
}

TEST_F(CodecTest, JpegCutInTheMiddleOfTheScanStillGivesTheFullPicture) {
    JpegFixtureOptions o;
    o.width = 64;
    o.height = 48;
    for (bool progressive : {false, true}) {
        o.progressive = progressive;
        std::vector<u8> file = MakeJpegFixture(o);
        file.resize(file.size() * 2 / 3);
        WriteFile("cut.jpg", file);
        LogCapture log;
        zPicture picture;
        ASSERT_TRUE(picture.Load("cut.jpg")) << progressive;
        EXPECT_EQ(log.Text(), "") << progressive;  // decoded by Small, nothing else tried
        EXPECT_EQ(picture.GetWidth(), 64u);
        EXPECT_EQ(picture.GetHeight(), 48u);
        EXPECT_TRUE(picture.GetFormat() == PixelFormatBGRA8);
        for (u64 i = 3; i < picture.GetBufferSize(); i += 4) ASSERT_EQ(picture.GetPixels()[i], 255) << i;
    }
}

TEST_F(CodecTest, GreyscaleJpegFallsThroughToJpeglibAsGrey) {
    JpegFixtureOptions o;
    o.components = 1;
    const std::vector<u8> file = MakeJpegFixture(o);
    WriteFile("grey.jpg", file);
    LogCapture log;
    zPicture picture;
    ASSERT_TRUE(picture.Load("grey.jpg"));
    EXPECT_EQ(log.Text(), "[!] Small JPEG interface only implements RGB (3 components) decoding!\n");
    int w, h, c;
    std::vector<u8> grey = DecodeWithLibjpeg(file, &w, &h, &c);
    ASSERT_EQ(picture.GetWidth(), u32(w));
    for (int i = 0; i < w * h; ++i) {
        const u8* p = picture.GetPixels() + i * 4;
        ASSERT_EQ(p[0], grey[i]) << i;
        ASSERT_EQ(p[1], grey[i]) << i;
        ASSERT_EQ(p[2], grey[i]) << i;
        ASSERT_EQ(p[3], 255) << i;
    }
}

TEST_F(CodecTest, PngGoesToStb) {
    const std::vector<u8> png = MakePng(3, 2);
    WriteFile("a.png", png);
    LogCapture log;
    zPicture picture;
    ASSERT_TRUE(picture.Load("a.png"));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(picture.GetWidth(), 3u);
    EXPECT_EQ(picture.GetHeight(), 2u);
    // Pixel 1 was R, G, B, A = 28, 35, 42, 49; BGRA now.
    const u8* p = picture.GetPixels() + 4;
    EXPECT_EQ(std::vector<u8>(p, p + 4), (std::vector<u8>{42, 35, 28, 49}));
}

TEST_F(CodecTest, MissingAndUnknownFiles) {
    LogCapture log;
    zPicture picture;
    EXPECT_FALSE(picture.Load("missing.png"));
    EXPECT_EQ(log.Text(), "");
    EXPECT_TRUE(picture.GetName().IsEmpty());

    std::vector<u8> noise(16);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = u8(i * 37 + 11);
    WriteFile("x.bin", noise);
    EXPECT_FALSE(picture.Load("x.bin"));
    EXPECT_EQ(log.Text(), "[!] No picture decoder for 'x.bin'.\n");
    EXPECT_EQ(picture.GetName(), "x.bin");
}

TEST_F(CodecTest, TgaFilesComeFirstThroughTheFileRoad) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(3, 2, PixelFormatRGBA8));
    ASSERT_TRUE(picture.Fill(1, 0.5f, 0.25f, 1));
    ASSERT_TRUE(SaveTGA("out.tga", picture));
    ASSERT_TRUE(SaveTGA(picture, "again.tga"));
    EXPECT_EQ(ReadFile("out.tga"), ReadFile("again.tga"));
    zPicture loaded;
    ASSERT_TRUE(loaded.Load("out.tga"));
    ASSERT_TRUE(loaded.Convert(PixelFormatRGBA8));
    EXPECT_TRUE(loaded.Equals(picture));

    LogCapture log;
    EXPECT_FALSE(SaveTGA("no/such/dir/out.tga", picture));
    EXPECT_NE(log.Text().find("[!] Cannot write to 'no/such/dir/out.tga'.\n"), std::string::npos);
}

TEST_F(CodecTest, SavePictureWithJpeglibIsProgressiveAndFaithful) {
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(64, 48, PixelFormatBGRA8));
    for (u32 y = 0; y < 48; ++y)
        for (u32 x = 0; x < 64; ++x) {
            u8* p = picture.GetPixels() + (y * 64 + x) * 4;
            p[0] = u8((x + y) * 2);
            p[1] = u8(y * 5);
            p[2] = u8(x * 4);
            p[3] = 255;
        }
    ASSERT_TRUE(SavePicture("Jpeglib", picture, "out.jpg"));
    const std::vector<u8> file = ReadFile("out.jpg");
    ASSERT_GT(file.size(), 4u);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
    bool progressive = false;
    for (size_t i = 0; i + 1 < file.size(); ++i) progressive |= file[i] == 0xFF && file[i + 1] == 0xC2;
    EXPECT_TRUE(progressive);
    zPicture back;
    ASSERT_TRUE(back.Load("out.jpg"));
    EXPECT_GT(Psnr(back.GetPixels(), picture.GetPixels(), back.GetBufferSize()), 30.0);

    EXPECT_FALSE(SavePicture("Small", picture, "small.jpg"));  // read-only codec
    EXPECT_FALSE(SavePicture("Nope", picture, "nope.jpg"));
    EXPECT_FALSE(std::filesystem::exists("nope.jpg"));
}

TEST_F(CodecTest, JpeglibEncodeNeverEndsTheProcessRegression) {
    // Files over 500000 bytes used to hit libjpeg's default error exit.
    const u32 width = 1600, height = 1200;
    std::vector<u8> noise(size_t(width) * height * 3);
    u32 seed = 7;
    for (u8& v : noise) {
        seed = seed * 1664525u + 1013904223u;
        v = u8(seed >> 24);
    }
    std::vector<u8> file;
    ASSERT_TRUE(zPictureIOJpeglibCodec::EncodeMemory(width, height, noise.data(), 60, file));
    EXPECT_GT(file.size(), 500000u);
    // A libjpeg error comes back as false.
    LogCapture log;
    const u8 row[3] = {0, 0, 0};
    EXPECT_FALSE(zPictureIOJpeglibCodec::EncodeMemory(70000, 1, row, 60, file));
    EXPECT_EQ(log.Text(), "[!] Jpeglib: failed to compress a picture of 70000x1.\n");
}

TEST_F(CodecTest, JpeglibDecodesAsLibjpegDoesIntoBgra) {
    // Heights past the rows one read call takes, odd sizes, every layout.
    struct Case {
        const char* name;
        int width, height, components, horizontal, vertical;
        bool progressive;
    } cases[] = {
        {"1x1", 1, 1, 3, 1, 1, false},
        {"4:4:4", 37, 41, 3, 1, 1, false},
        {"4:2:0", 45, 53, 3, 2, 2, false},
        {"4:2:2", 30, 17, 3, 2, 1, false},
        {"progressive 4:2:0", 67, 35, 3, 2, 2, true},
        {"grey", 23, 40, 1, 1, 1, false},
        {"progressive grey", 9, 19, 1, 1, 1, true},
    };
    zPictureIOCodec* codec = FindCodec("Jpeglib");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<u8> file =
            MakeJpegFixture(JpegLayout(c.width, c.height, c.components, c.horizontal, c.vertical, c.progressive));
        int w = 0, h = 0;
        const std::vector<u8> rgb = DecodeWithLibjpegDefaultsAsRgb(file, &w, &h);
        u32 width = 0, height = 0;
        u8* pixels = nullptr;
        ASSERT_TRUE(codec->DecodeMemory(file.data(), file.size(), width, height, pixels));
        ASSERT_EQ(width, u32(w));
        ASSERT_EQ(height, u32(h));
        for (int i = 0; i < w * h; ++i) {
            ASSERT_EQ(pixels[4 * i], rgb[3 * i + 2]) << i;
            ASSERT_EQ(pixels[4 * i + 1], rgb[3 * i + 1]) << i;
            ASSERT_EQ(pixels[4 * i + 2], rgb[3 * i]) << i;
            ASSERT_EQ(pixels[4 * i + 3], 255) << i;
        }
        codec->FreeData(pixels);
    }
}

TEST_F(CodecTest, JpeglibRefusesBadFiles) {
    zPictureIOCodec* codec = FindCodec("Jpeglib");
    u32 w = 0, h = 0;
    u8* pixels = nullptr;
    const std::vector<u8> notJpeg = {0x89, 'P', 'N', 'G'};
    EXPECT_FALSE(codec->DecodeMemory(notJpeg.data(), notJpeg.size(), w, h, pixels));
    const std::vector<u8> soiOnly = {0xFF, 0xD8, 0xFF, 0xC0, 0, 3};
    EXPECT_FALSE(codec->DecodeMemory(soiOnly.data(), soiOnly.size(), w, h, pixels));
    EXPECT_EQ(pixels, nullptr);
}

TEST_F(CodecTest, SmallCodecMessages) {
    zPictureIOCodec* codec = FindCodec("Small");
    struct Case {
        const char* name;
        std::vector<u8> file;
        const char* log;
    };
    std::vector<Case> cases;
    JpegFixtureOptions plain;
    std::vector<u8> wide = MakeJpegFixture(plain);
    for (size_t i = 0; i + 1 < wide.size(); ++i)
        if (wide[i] == 0xFF && wide[i + 1] == 0xC0) {
            wide[i + 7] = 0x20;  // width 8193
            wide[i + 8] = 0x01;
            break;
        }
    cases.push_back({"width 8193", wide, "[!] Small JPEG decoder failed (begin)! Error status: -207.\n"});
    JpegFixtureOptions cmyk;
    cmyk.components = 4;
    cases.push_back({"CMYK", MakeJpegFixture(cmyk), "[!] Small JPEG interface only implements RGB (3 components) decoding!\n"});
    JpegFixtureOptions restart;
    restart.restartInterval = 1;
    restart.width = 64;
    restart.height = 64;
    std::vector<u8> file = MakeJpegFixture(restart);
    std::vector<u8> stripped;
    // Keep the first restart marker, drop the later ones: some rows decode, then -228.
    int seen = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == 0xFF && i + 1 < file.size() && file[i + 1] >= 0xD0 && file[i + 1] <= 0xD7 && seen++ > 8) {
            ++i;
            continue;
        }
        stripped.push_back(file[i]);
    }
    cases.push_back({"partly decoded", stripped, "[!] Small JPEG decoder failed (decode)! Error status: -228.\n"});
    cases.push_back({"PNG", MakePng(2, 2), ""});
    for (const Case& c : cases) {
        LogCapture log;
        u32 w = 0, h = 0;
        u8* pixels = nullptr;
        EXPECT_FALSE(codec->DecodeMemory(c.file.data(), c.file.size(), w, h, pixels)) << c.name;
        EXPECT_EQ(pixels, nullptr) << c.name;
        EXPECT_EQ(log.Text(), c.log) << c.name;
    }
}

// A small colour JPEG whose frame header claims 8192 x 8192: the decoder
// starts on it, and the codec's 256 MB output buffer is the first large
// allocation.
std::vector<u8> LargestJpegHeader() {
    std::vector<u8> file = MakeJpegFixture(JpegFixtureOptions());
    for (size_t i = 0; i + 8 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = 0x20; // height 8192
            file[i + 6] = 0x00;
            file[i + 7] = 0x20; // width 8192
            file[i + 8] = 0x00;
            break;
        }
    return file;
}

// Run only by SmallCodecOutOfMemoryMessageHasNoLineEnd, in a process whose
// allocator refuses the output buffer.
TEST_F(CodecTest, DISABLED_SmallCodecOutOfMemoryChild) {
    const std::vector<u8> file = LargestJpegHeader();
    LogCapture log;
    u32 w = 0, h = 0;
    u8* pixels = nullptr;
    EXPECT_FALSE(FindCodec("Small")->DecodeMemory(file.data(), file.size(), w, h, pixels));
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(log.Text(), "") << "the message waits for a line end";
    GetLog() << " [next]\n";
    EXPECT_EQ(log.Text(), "[!] Small JPEG decoder failed to allocate output buffer! [next]\n");
}

#if defined(__SANITIZE_ADDRESS__)
TEST_F(CodecTest, SmallCodecOutOfMemoryMessageHasNoLineEnd) {
    // The sanitizer's allocator gives null past max_allocation_size_mb.
    const char* inherited = std::getenv("ASAN_OPTIONS");
    const std::string options =
        std::string(inherited ? inherited : "") + ":allocator_may_return_null=1:max_allocation_size_mb=64";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command =
        "ASAN_OPTIONS='" + options + "' '" + self +
        "' --gtest_also_run_disabled_tests"
        " --gtest_filter=CodecTest.DISABLED_SmallCodecOutOfMemoryChild > child.log 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << std::string(std::istreambuf_iterator<char>(std::ifstream("child.log").rdbuf()),
                                        {});
}
#endif

TEST_F(CodecTest, StbRefusesPicturesPastTheCap) {
    std::vector<u8> png = MakePng(1, 1);
    // IHDR width at offset 16, big endian: 20000.
    png[16] = 0;
    png[17] = 0;
    png[18] = 0x4e;
    png[19] = 0x20;
    u32 w = 0, h = 0;
    u8* pixels = nullptr;
    EXPECT_FALSE(FindCodec("STB")->DecodeMemory(png.data(), png.size(), w, h, pixels));
    EXPECT_EQ(pixels, nullptr);
}
