// The writer's exact bytes on a rich document, held in tests/markup/data: any
// change of the written text shows here, through the string and the file
// road alike.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "io/file_road.h"
#include "io/memory_fs.h"
#include "markup/number_token.h"
#include "markup/writer.h"
#include "tests/support/log_capture.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

f32 FloatOfBits(u32 bits) {
    f32 value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// Every kind of value the writer knows, nested, with the strings and floats
// that take its slower roads.
void BuildRichDocument(zMetafile& doc) {
    std::mt19937 random(2024);
    zMetaTag* scene = doc.AddRoot(new zMetaTag("Scene"));
    scene->AddChild(new zMetaTag("Empty"));
    zMetaTag* ints = scene->AddChild(new zMetaTag("Ints"));
    for (i32 value : {0, 1, -1, 9, 10, 99, 100, 123456789, 1000000000, -1000000000,
                      std::numeric_limits<i32>::max(), std::numeric_limits<i32>::min()})
        ints->AddChild(new zMetaTag("I", value));
    for (int i = 0; i < 200; ++i) ints->AddChild(new zMetaTag("R", static_cast<i32>(random())));
    scene->AddChild(new zMetaTag("Yes", true));
    scene->AddChild(new zMetaTag("No", false));

    zMetaTag* strings = scene->AddChild(new zMetaTag("Strings"));
    for (const char* text : {"", "plain", "a\"b", "data\\", "c:\\data\\x.tga", "a\\\\b", "\\\"", "\"", "\\",
                             "\\\\\\", "\"\"\"", "tab\tand\nline", "\xC3\xA9t\xC3\xA9", "<Tag=\"x\">", "// not a comment"})
        strings->AddChild(new zMetaTag("S", text));
    std::string slashes;
    for (int i = 0; i < 3000; ++i) slashes += (i % 7 == 3) ? '"' : '\\';
    strings->AddChild(new zMetaTag("Slashes", slashes.c_str()));
    std::string mixed;
    for (int i = 0; i < 5000; ++i) mixed += "ab\\\"c \\x"[random() % 8];
    strings->AddChild(new zMetaTag("Mixed", mixed.c_str()));
    strings->AddChild(new zMetaTag("Long", std::string(100000, 'n').c_str()));

    zMetaTag* floats = scene->AddChild(new zMetaTag("Floats"));
    for (f32 value : {0.0f, -0.0f, 0.5f, 1.5f, -2.25f, 0.1f, 1e-7f, 5e-7f, 4.9e-7f, 5e-7f, 1e-6f, 123456.789f,
                      16777216.0f, 16777217.0f, 0.333333343f, 1e10f, 1e15f, 9.99999e14f, 1e16f, 3.40282347e+38f,
                      1.17549435e-38f, 1.40129846e-45f, -1e-30f, 0.0000005f, 0.0000015f, 0.0000025f, 999999.9375f,
                      1048576.125f, 0.999999f, 0.9999995f, 2147483648.0f, 4294967296.0f, 1000.0078125f,
                      1000.0234375f, -1000.0390625f, 65536.0078125f, 8388607.5f, 0.0078125f, 9.99999905f})
        floats->AddChild(new zMetaTag("F", value));
    for (int exponent = -40; exponent <= 40; ++exponent) {
        floats->AddChild(new zMetaTag("P", std::ldexp(1.0f, exponent)));
        floats->AddChild(new zMetaTag("Q", std::pow(10.0f, static_cast<f32>(exponent) / 4.0f)));
    }
    for (int i = 0; i < 3000; ++i) {
        const f32 value = FloatOfBits(random());
        floats->AddChild(new zMetaTag("B", std::isfinite(value) ? value : 2.5f));
    }
    for (int i = 1; i < 256; i += 2) {
        // Halfway between two six-decimal texts.
        floats->AddChild(new zMetaTag("H", 4096.0f + static_cast<f32>(i) / 128.0f));
        floats->AddChild(new zMetaTag("H", -static_cast<f32>(i) / 128.0f - 100.0f));
    }
    for (int i = 0; i < 3000; ++i) {
        // Values as editors write them: up to six decimals.
        const f32 value = static_cast<f32>(static_cast<i32>(random() % 20000000) - 10000000) / 1000.0f;
        floats->AddChild(new zMetaTag("E", value));
    }

    zMetaTag* blocks = scene->AddChild(new zMetaTag("Blocks"));
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    blocks->AddChild(new zMetaTag("All", all.data(), static_cast<u32>(all.size())));
    for (u32 size : {1u, 2u, 3u, 4u, 5u, 7u, 64u, 255u, 4096u}) {
        std::string bytes;
        for (u32 n = 0; n < size; ++n) bytes += static_cast<char>(random());
        blocks->AddChild(new zMetaTag("Block", bytes.data(), size));
    }
    blocks->AddChild(new zMetaTag("None", "", 0));

    zMetaTag* deep = scene;
    for (int depth = 0; depth < 40; ++depth) {
        deep = deep->AddChild(new zMetaTag("Level"));
        deep->AddChild(new zMetaTag("Depth", depth));
    }
    deep->AddChild(new zMetaTag("Name_2.x#@!", "end"));
    doc.AddRoot(new zMetaTag("Second", 2.0f));
    doc.AddRoot(new zMetaTag("Third"));
}

struct Golden {
    u32 method;
    const char* file;
};

}  // namespace

TEST(ZmlWriterGolden, RichDocumentIsWrittenByteForByteAsStored) {
    for (const Golden& golden : {Golden{BinaryMethodYEnc, "/writer_golden_yenc.zml"},
                                 Golden{BinaryMethodAscii, "/writer_golden_ascii.zml"}}) {
        zMetafile doc;
        BuildRichDocument(doc);
        doc.SetBinaryMethod(golden.method);
        const std::string expected = ReadText(std::string(ZE_TEST_DATA) + golden.file);
        ASSERT_FALSE(expected.empty()) << golden.file;

        LogCapture capture;
        std::string text;
        ASSERT_TRUE(SerializeMetafile(doc, text));
        EXPECT_TRUE(text == expected) << golden.file << ": " << text.size() << " bytes written, "
                                      << expected.size() << " stored";

        FileSystemReset();
        FileSystemSetCurrent(GetMemoryFileSystem());
        ASSERT_TRUE(SaveMetafile("golden.zml", doc));
        void* buffer = nullptr;
        u32 size = 0;
        ASSERT_TRUE(FileSystemLoadFile("golden.zml", buffer, size));
        const std::string saved(static_cast<const char*>(buffer), size);
        std::free(buffer);
        FileSystemReset();
        EXPECT_TRUE(saved == expected) << golden.file << ": " << saved.size() << " bytes saved";
        EXPECT_EQ(capture.Text(), "");
    }
}

// A sample of every exponent and mantissa pattern, formatted as before: the
// hash of all the texts, one after the other.
TEST(ZmlWriterGolden, FloatTextsOverTheWholeRangeAreAsStored) {
    u64 hash = 14695981039346656037ull;
    u64 length = 0;
    for (u64 bits = 0; bits < (1ull << 32); bits += 65521) {
        for (u32 sign : {0u, 0x80000000u}) {
            const f32 value = FloatOfBits(static_cast<u32>(bits) | sign);
            if (!std::isfinite(value)) continue;
            char text[128];
            const u32 count = FormatFloatToken(value, text);
            length += count;
            for (u32 i = 0; i <= count; ++i) hash = (hash ^ static_cast<u8>(text[i])) * 1099511628211ull;
        }
    }
    EXPECT_EQ(length, 3692556u);
    EXPECT_EQ(hash, 4583989627992449693ull);
}
