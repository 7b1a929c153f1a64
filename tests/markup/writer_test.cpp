#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "markup/block_allocator.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "tests/markup/tree_dump.h"
#include "tests/support/log_capture.h"

namespace {

const std::string Header = "<ZML=1.0>\n";

std::string Serialize(const zMetafile& doc, bool expectSuccess = true) {
    std::string text;
    EXPECT_EQ(SerializeMetafile(doc, text), expectSuccess);
    return text;
}

// Writes, reads back and gives the tree read.
std::string RoundTrip(const zMetafile& doc) {
    const std::string text = Serialize(doc);
    zMetafile back;
    EXPECT_TRUE(ParseMetafile(text.data(), text.size(), back)) << text;
    return DumpTree(back);
}

std::string WrittenFloat(f32 value) {
    zMetafile doc;
    doc.AddRoot(new zMetaTag("F", value));
    const std::string text = Serialize(doc);
    const size_t begin = text.find("<F=") + 3;
    return text.substr(begin, text.find('>', begin) - begin);
}

}  // namespace

TEST(ZmlWriter, GoldenDocumentInBothEncodings) {
    zMetafile doc;
    zMetaTag* root = doc.AddRoot(new zMetaTag("R"));
    root->AddChild(new zMetaTag("F", 1.5f));
    root->AddChild(new zMetaTag("B", "Cat", 3));
    EXPECT_EQ(Serialize(doc), Header + "<R=\n\t<F=1.500000>\n\t<B==3:3@\nm\x8b\x9e>\n>\n");
    doc.SetBinaryMethod(BinaryMethodAscii);
    EXPECT_EQ(Serialize(doc), Header + "<R=\n\t<F=1.500000>\n\t<B==6:3\n#0V%T\n>\n>\n");
}

TEST(ZmlWriter, ValueForms) {
    zMetafile doc;
    EXPECT_EQ(Serialize(doc), Header);
    zMetaTag* root = doc.AddRoot(new zMetaTag("R"));
    zMetaTag* child = root->AddChild(new zMetaTag("C"));
    child->AddChild(new zMetaTag("N"));
    child->AddChild(new zMetaTag("I", -42));
    child->AddChild(new zMetaTag("T", true));
    child->AddChild(new zMetaTag("U", false));
    child->AddChild(new zMetaTag("S", "a b"));
    child->AddChild(new zMetaTag("E", nullptr, 0));
    EXPECT_EQ(Serialize(doc), Header +
                                  "<R=\n\t<C=\n\t\t<N>\n\t\t<I=-42>\n\t\t<T=True>\n\t\t<U=False>\n"
                                  "\t\t<S=\"a b\">\n\t\t<E>\n\t>\n>\n");
}

TEST(ZmlWriter, FloatsReadBackAsTheSameValue) {
    struct Case {
        f32 value;
        const char* text;
    };
    const std::vector<Case> cases = {
        {0.5f, "0.500000"},
        {1.5f, "1.500000"},
        {-2.25f, "-2.250000"},
        {0.1f, "0.100000"},
        {-0.0f, "-0.000000"},
        {1e-7f, "0.0000001"},
        {123456.789f, "123456.789062"},
        {16777216.0f, "16777216.000000"},
        {0.333333343f, "0.33333334"},
    };
    for (const Case& c : cases) EXPECT_EQ(WrittenFloat(c.value), c.text) << c.value;

    // Every written float parses back bit for bit, down to denormals.
    std::mt19937 random(7);
    std::vector<f32> values = {1.17549435e-38f, 1.40129846e-45f, 3.40282347e+38f, -1e-30f, 5e-7f, 4.9e-7f};
    for (int i = 0; i < 2000; ++i) {
        u32 bits = random();
        f32 value;
        std::memcpy(&value, &bits, sizeof(value));
        if (std::isfinite(value)) values.push_back(value);
    }
    for (f32 value : values) {
        const std::string text = WrittenFloat(value);
        const std::string input = Header + "<F=" + text + ">";
        zMetafile back;
        ASSERT_TRUE(ParseMetafile(input.data(), input.size(), back)) << text;
        const f32 read = back.GetFloat("F;", 0.0f);
        EXPECT_EQ(std::memcmp(&read, &value, sizeof(value)), 0) << text;
    }
}

TEST(ZmlWriter, NonFiniteFloatsAreWrittenAsZero) {
    for (f32 value : {std::nanf(""), INFINITY, -INFINITY}) {
        zMetafile doc;
        doc.AddRoot(new zMetaTag("F", value));
        LogCapture capture;
        EXPECT_EQ(Serialize(doc), Header + "<F=0.000000>\n");
        EXPECT_EQ(capture.Text(), "[*] Tag 'F' holds a float that is not finite, written as 0.\n");
    }
}

TEST(ZmlWriter, StringsWithQuotesAndBackslashesReadBackUnchanged) {
    struct Case {
        const char* value;
        const char* written;
    };
    const std::vector<Case> cases = {
        {"a\"b", "\"a\\\"b\""},
        {"data\\", "\"data\\\\\""},
        {"c:\\data\\x.tga", "\"c:\\data\\x.tga\""},
        {"a\\\\b", "\"a\\\\\\b\""},
        {"\\\"", "\"\\\\\\\"\""},
        {"\"", "\"\\\"\""},
        {"", "\"\""},
    };
    for (const Case& c : cases) {
        zMetafile doc;
        doc.AddRoot(new zMetaTag("S", c.value));
        EXPECT_EQ(Serialize(doc), Header + "<S=" + c.written + ">\n") << c.value;
        EXPECT_EQ(RoundTrip(doc), std::string("S = string \"") + c.value + "\"\n") << c.value;
    }
}

TEST(ZmlWriter, ListValueFailsTheDocument) {
    zMetafile doc;
    zMetaTag* list = doc.AddRoot(new zMetaTag("L"));
    list->GetValue().SetList();
    doc.AddRoot(new zMetaTag("After"));
    LogCapture capture;
    EXPECT_EQ(Serialize(doc, false), Header + "<L");
    EXPECT_EQ(capture.Text(), "[!] No method to output tag 'L' type.\n");
}

TEST(ZmlWriter, ValueTagDropsItsChildrenWithAWarning) {
    zMetafile doc;
    zMetaTag* tag = doc.AddRoot(new zMetaTag("A"));
    tag->AddChild(new zMetaTag("B"));
    tag->GetValue().SetInt(5);
    LogCapture capture;
    EXPECT_EQ(Serialize(doc), Header + "<A=5>\n");
    EXPECT_EQ(capture.Text(), "[*] Tag 'A' holds a value; its children are not written.\n");
}

TEST(ZmlWriter, BinaryEncodingFailureLosesDataAndSaysSo) {
    const auto build = [](zMetafile& doc) {
        doc.AddRoot(new zMetaTag("B", "abc", 3));
        doc.AddRoot(new zMetaTag("After", 1));
    };
    const std::string expected = Header + "<B>\n<After=1>\n";
    const std::string message = "[!] Tag 'B' failed to allocate internal binary buffer.\n";
    {
        zMetafile doc;
        build(doc);
        doc.SetBinaryMethod(7);
        LogCapture capture;
        EXPECT_EQ(Serialize(doc, false), expected);
        EXPECT_EQ(capture.Text(), message);
    }
    {
        zMetafile doc;
        build(doc);
        LogCapture capture;
        ArmBlockAllocationFailure(0);
        const std::string text = Serialize(doc, false);
        DisarmBlockAllocationFailure();
        EXPECT_EQ(text, expected);
        EXPECT_EQ(capture.Text(), message);
    }
}

TEST(ZmlWriter, UnreadableTagNamesAreLeftOutAndTheSaveFails) {
    // Each name would end early on reading and change or break the tree.
    for (const char* name : {"My Key", "Light-1", "a:b", "x/y", "q\"", "t<u", "n=1", "tab\tname"}) {
        zMetafile doc;
        zMetaTag* root = doc.AddRoot(new zMetaTag("R"));
        root->AddChild(new zMetaTag("Before", 1));
        root->AddChild(new zMetaTag(name))->AddChild(new zMetaTag("Inner", 2));
        root->AddChild(new zMetaTag("After", 3));
        LogCapture capture;
        const std::string text = Serialize(doc, false);
        EXPECT_EQ(text, Header + "<R=\n\t<Before=1>\n\t<After=3>\n>\n") << name;
        EXPECT_EQ(capture.Text(), std::string("[!] Tag name '") + name + "' cannot be read back as ZML; tag not written.\n")
            << name;
        zMetafile back;
        EXPECT_TRUE(ParseMetafile(text.data(), text.size(), back)) << name;
    }
    // Names made of other characters, the empty one included, read back.
    zMetafile doc;
    doc.AddRoot(new zMetaTag("Name_2.x#@!", 1));
    doc.AddRoot(new zMetaTag(""));
    doc.AddRoot(new zMetaTag("\xC3\xA9t\xC3\xA9", "s"));
    EXPECT_EQ(RoundTrip(doc), DumpTree(doc));
}

TEST(ZmlWriter, EmptyBinaryReadsBackWithoutValue) {
    zMetafile doc;
    doc.AddRoot(new zMetaTag("E", "", 0));
    EXPECT_EQ(Serialize(doc), Header + "<E>\n");
    EXPECT_EQ(RoundTrip(doc), "E\n");
}

TEST(ZmlWriter, GeneratedTreesRoundTrip) {
    std::mt19937 random(1234);
    const auto pick = [&](u32 count) { return static_cast<u32>(random() % count); };
    const auto randomText = [&]() {
        static const char alphabet[] = "ab Z09_\\\"<>=:;#/*-\t";
        std::string text;
        for (u32 i = pick(12); i > 0; --i) text += alphabet[pick(sizeof(alphabet) - 1)];
        return text;
    };
    std::function<void(zMetaTag*, int)> fill = [&](zMetaTag* parent, int depth) {
        for (u32 i = pick(5); i > 0; --i) {
            const std::string name = "T" + std::to_string(pick(100));
            zMetaTag* tag = nullptr;
            switch (pick(depth < 4 ? 7 : 6)) {
            case 0:
                tag = new zMetaTag(name.c_str(), static_cast<i32>(random()));
                break;
            case 1: {
                u32 bits = random();
                f32 value;
                std::memcpy(&value, &bits, sizeof(value));
                tag = new zMetaTag(name.c_str(), std::isfinite(value) ? value : 1.25f);
                break;
            }
            case 2:
                tag = new zMetaTag(name.c_str(), pick(2) == 0);
                break;
            case 3:
                tag = new zMetaTag(name.c_str(), randomText().c_str());
                break;
            case 4: {
                std::string bytes;
                for (u32 n = 1 + pick(200); n > 0; --n) bytes += static_cast<char>(random());
                tag = new zMetaTag(name.c_str(), bytes.data(), static_cast<u32>(bytes.size()));
                break;
            }
            case 5:
                tag = new zMetaTag(name.c_str());
                break;
            default:
                tag = new zMetaTag(name.c_str());
                fill(tag, depth + 1);
                break;
            }
            parent->AddChild(tag);
        }
    };
    for (int round = 0; round < 40; ++round) {
        zMetafile doc;
        doc.SetBinaryMethod(round % 2 == 0 ? BinaryMethodYEnc : BinaryMethodAscii);
        for (int r = 0; r < 3; ++r) fill(doc.AddRoot(new zMetaTag("Root")), 0);
        EXPECT_EQ(RoundTrip(doc), DumpTree(doc)) << "round " << round;
    }
}
