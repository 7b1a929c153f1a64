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
