// Files that once made stb_image read or write out of bounds behind the STB
// codec, each kept as the smallest input that showed it; the codec now
// refuses them before stb_image sees them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/file_road.h"
#include "io/handle.h"
#include "io/memory_fs.h"
#include "picture/codec.h"
#include "picture/picture.h"
#include "tests/support/log_capture.h"

namespace {

// PNG signature and the IHDR chunk of a 2 x 1 RGB picture.
const std::string PngHead("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR\x00\x00\x00\x02\x00\x00\x00\x01\x08\x02\x00\x00\x00"
                          "\x7B\x40\xE8\xDD",
                          33);

struct StbCase {
    const char* name;
    std::string bytes;
    bool decodes;
};

const std::vector<StbCase>& Cases() {
    static const std::vector<StbCase> cases = {
        // A DHT segment whose counts add up to 257: the Huffman size table overflowed.
        {"dht-counts-257.jpg", std::string("\xFF\xD8\xFF\xC4\xFF\xFF\x00\x02\xFF", 9), false},
        // A ten-digit width: stb_image's number reader overflowed its int.
        {"ten-digit-width.pgm", "P5 3000000000 ", false},
        // A 16-bit grey file: the 16-to-8-bit conversion read past its buffer.
        {"sixteen-bit.pgm", std::string("P5 1 1 256\n\0\0", 13), false},
        // Still read: an 8-bit grey file with a comment.
        {"eight-bit.pgm", "P5 #c\n2 1 255\n\x10\x20", true},
        // An empty IDAT chunk before any data: copied into a null buffer.
        {"empty-first-idat.png", PngHead + std::string("\x00\x00\x00\x00IDAT", 8), false},
        // An IDAT chunk claiming 2 GB: the data buffer grew to 2 GB first.
        {"idat-past-the-end.png", PngHead + "\x7F\xFF\xFF\xF0IDATx", false},
        // Still read: an empty IDAT chunk after the data.
        {"empty-last-idat.png",
         PngHead + std::string("\x00\x00\x00\x0FIDAT\x78\x9C\x63\xE0\x12\x91\xD3\x30\xB2\x01\x00\x02\x37\x00\xD3"
                               "\x5B\x56\x51\xD8\x00\x00\x00\x00IDAT\x35\xAF\x06\x1E\x00\x00\x00\x00IEND\xAE\x42\x60\x82",
                               51),
         true},
    };
    return cases;
}

class StbRegressionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FileSystemReset();
        FileSystemSetCurrent(GetMemoryFileSystem());
        ClearPictureCodecs();
        LogCapture quiet;
        RegisterPictureCodecs(false);
    }
    void TearDown() override {
        ClearPictureCodecs();
        FileSystemReset();
    }
};

} // namespace

TEST_F(StbRegressionTest, CodecRefusesFilesThatOverranStbImage) {
    for (const StbCase& c : Cases()) {
        u32 width = 0, height = 0;
        u8* pixels = nullptr;
        const u8* bytes = reinterpret_cast<const u8*>(c.bytes.data());
        EXPECT_EQ(FindCodec("STB")->DecodeMemory(bytes, c.bytes.size(), width, height, pixels), c.decodes)
            << c.name;
        EXPECT_EQ(pixels != nullptr, c.decodes) << c.name;
        if (pixels) FindCodec("STB")->FreeData(pixels);
    }
}

TEST_F(StbRegressionTest, PictureRoadFailsCleanly) {
    for (const StbCase& c : Cases()) {
        zIOHandle file;
        ASSERT_TRUE(file.Open(c.name, false, true));
        ASSERT_EQ(file.Write(c.bytes.data(), u32(c.bytes.size())), c.bytes.size());
        file.Close();
        LogCapture log;
        zPicture picture;
        EXPECT_EQ(picture.Load(c.name), c.decodes) << c.name;
        if (!c.decodes) {
            EXPECT_NE(log.Text().find(std::string("[!] No picture decoder for '") + c.name + "'.\n"),
                      std::string::npos)
                << c.name;
        } else {
            EXPECT_EQ(picture.GetWidth(), 2u);
            EXPECT_EQ(picture.GetHeight(), 1u);
        }
    }
}
