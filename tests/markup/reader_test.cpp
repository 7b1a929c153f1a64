#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "markup/block_allocator.h"
#include "markup/number_token.h"
#include "markup/reader.h"
#include "tests/markup/tree_dump.h"
#include "tests/support/log_capture.h"

namespace {

const std::string Header = "<ZML=1.0>\n";

// The error line of a syntax message in the document named f.
std::string Error(const std::string& message) {
    return "[!] In file 'f': " + message + "\n";
}

struct ParseCase {
    std::string input;
    bool parses;
    std::string tree;
    std::string log;
};

void RunCases(const std::vector<ParseCase>& cases) {
    for (const ParseCase& c : cases) {
        zMetafile doc;
        doc.SetFileName("f");
        LogCapture capture;
        EXPECT_EQ(ParseMetafile(c.input.data(), c.input.size(), doc), c.parses) << c.input;
        EXPECT_EQ(DumpTree(doc), c.tree) << c.input;
        EXPECT_EQ(capture.Text(), c.log) << c.input;
    }
}

}  // namespace

TEST(ZmlReader, Header) {
    RunCases({
        {"<ZML=1.0>", true, "", ""},
        {"<ZML=1.0>\n", true, "", ""},
        {" // comment\n/* block */ <ZML=1>", true, "", ""},
        {"<ZML=2>", true, "", "[*] Newer version ZML header found (2>1).\n"},
        {"<ZML=1.5>", true, "", "[*] Newer version ZML header found (1.500>1).\n"},
        {"<ZML>", true, "", "[*] Unknown ZML header version identification method.\n"},
        {"<ZML=\"1.0\">", true, "", "[*] Unknown ZML header version identification method.\n"},
        {"<XML=1.0>", false, "", "[!] Unknown metafile variant.\n"},
        {"", false, "", "[!] Invalid metafile.\n"},
        {"ZML=1.0>", false, "", "[!] Invalid metafile.\n"},
        {"<ZML=x>", false, "", Error("Unexpected '120' in assignation, metatag 'ZML'.") + "[!] Invalid metafile.\n"},
    });
}

TEST(ZmlReader, Values) {
    RunCases({
        {Header + "<A=5>", true, "A = int 5\n", ""},
        {Header + "<A=-2.5>", true, "A = float -2.5\n", ""},
        {Header + "<A=3f>", true, "A = float 3\n", ""},
        {Header + "<A=.5>", true, "A = float 0.5\n", ""},
        {Header + "<A=1.5e2>", true, "A = float 150\n", ""},
        {Header + "<A=0.000000100>", true, "A = float 1.00000001e-07\n", ""},
        {Header + "<A=5 >", false, "A = int 5\n", Error("Unexpected trailing expression following value, metatag 'A'.")},
        {Header + "<A=1e-5>", false, "A = int 1\n", Error("Unexpected trailing expression following value, metatag 'A'.")},
        {Header + "<A=True >", true, "A = bool True\n", ""},
        {Header + "<A=False>", true, "A = bool False\n", ""},
        {Header + "<A=Truex>", false, "A = bool True\n", Error("Unexpected trailing expression following value, metatag 'A'.")},
        {Header + "<A=\"x y\" >", true, "A = string \"x y\"\n", ""},
        {Header + "<A=\"\">", true, "A = string \"\"\n", ""},
        {Header + "<A=?>", false, "A\n", Error("Unexpected '63' in assignation, metatag 'A'.")},
        // A byte above 127 gives its code 0..255 whatever the signedness of char.
        {Header + "<A=\xE9>", false, "A\n", Error("Unexpected '233' in assignation, metatag 'A'.")},
        // Without '.' or 'f' the token is an int, read up to its first non-digit.
        {Header + "<A=1e5>", true, "A = int 1\n", ""},
        {Header + "<A=", false, "A\n", Error("Mangled definition, metatag 'A'.")},
        {Header + "<A", false, "A\n", Error("Mangled definition, metatag 'A'.")},
        {Header + "<A= // comment\n 5>", true, "A = int 5\n", ""},
    });
}

TEST(ZmlReader, IntTokens) {
    RunCases({
        {Header + "<A=2147483647>", true, "A = int 2147483647\n", ""},
        {Header + "<A=-2147483648>", true, "A = int -2147483648\n", ""},
        // A u32 written as a decimal keeps its bits.
        {Header + "<A=4294967295>", true, "A = int -1\n", ""},
        {Header + "<A=99999999999999999999>", true, "A = int 2147483647\n",
         "[*] In file 'f': Integer out of range, clamped, metatag 'A'.\n"},
        {Header + "<A=-99999999999>", true, "A = int -2147483648\n",
         "[*] In file 'f': Integer out of range, clamped, metatag 'A'.\n"},
    });
}

TEST(ZmlReader, FloatTokensStayBounded) {
    const std::string digits(5000, '9');
    RunCases({
        {Header + "<A=1e99999999999f>", true, "A = float inf\n", ""},
        {Header + "<A=0." + std::string(80, '0') + "1>", true, "A = float 0\n", ""},
        {Header + "<A=" + digits + ".5>", true, "A = float inf\n", ""},
        {Header + "<A=340282346638528859811704183484516925440.000000>", true, "A = float 3.40282347e+38\n", ""},
    });
}

TEST(ZmlReader, Strings) {
    RunCases({
        {Header + "<A=\"a\\\"b\">", true, "A = string \"a\"b\"\n", ""},
        {Header + "<A=\"a\\\\\">", true, "A = string \"a\\\"\n", ""},
        {Header + "<A=\"c:\\data\\x.tga\">", true, "A = string \"c:\\data\\x.tga\"\n", ""},
        {Header + "<A=\"abc>", false, "A\n", Error("Mangled string declaration, metatag 'A'.")},
        {Header + "<A=\"abc\\\">", false, "A\n", Error("Mangled string declaration, metatag 'A'.")},
        {Header + "<A=\"abc\\", false, "A\n", Error("Mangled string declaration, metatag 'A'.")},
        {Header + "<A=\"abc\"  ", false, "A = string \"abc\"\n",
         Error("Unexpected EOF after string declaration, metatag 'A'.")},
        {Header + "<A=\"abc\"x>", false, "A = string \"abc\"\n",
         Error("Unexpected trailing expression following string object, metatag 'A'.")},
    });
}

TEST(ZmlReader, Structure) {
    RunCases({
        {Header + "<A>", true, "A\n", ""},
        {Header + "<A><B>\n<C>", true, "A\nB\nC\n", ""},
        {Header + "<A=<B=1><D>>", true, "A\n  B = int 1\n  D\n", ""},
        {Header + "<A=/* c */<B=<C>>>", true, "A\n  B\n    C\n", ""},
        {Header + "<A=1<B>>", false, "A = int 1\n", Error("Incoherent type in tag 'A' declaration.")},
        {Header + "<A=1 <B>>", false, "A = int 1\n", Error("Unexpected trailing expression following value, metatag 'A'.")},
        {Header + "<A=\"s\" <B>>", false, "A = string \"s\"\n", Error("Incoherent type in tag 'A' declaration.")},
        {Header + "<A=\"s\"#include(\"x\")>", false, "A = string \"s\"\n", Error("Incoherent type in tag 'A' declaration.")},
        {Header + "<A==3:3@\nm\x8b\x9e<B>>", false, "A\n",
         Error("Expected closing tag in tag 'A'.")},
        // A value after children is accepted, as stored files may hold it.
        {Header + "<A=<B>5>", true, "A = int 5\n  B\n", ""},
        {Header + "<A=<B=1>>\njunk", false, "A\n  B = int 1\n\n", ""},
        {Header + "<A=<B=<C=?>>>", false, "A\n  B\n    C\n", Error("Unexpected '63' in assignation, metatag 'C'.")},
    });
}

TEST(ZmlReader, IncoherentType) {
    RunCases({
        {Header + "<A=True<B>>", false, "A = bool True\n", Error("Incoherent type in tag 'A' declaration.")},
        {Header + "<A==0:0@\n><B>", true, "A = binary 0:\nB\n", ""},
        {Header + "<A=<B>\"x\"<C>>", false, "A = string \"x\"\n  B\n", Error("Incoherent type in tag 'A' declaration.")},
        {Header + "<A=<B>\"x\"\"y\">", false, "A = string \"x\"\n  B\n",
         Error("Unexpected trailing expression following string object, metatag 'A'.")},
    });
}

TEST(ZmlReader, BinaryBlocks) {
    RunCases({
        {Header + "<B==3:3@\nm\x8b\x9e>", true, "B = binary 3:436174\n", ""},
        {Header + "<B==6:3\n#0V%T\n>", true, "B = binary 3:436174\n", ""},
        {Header + "<B= =3:3@\nm\x8b\x9e>", true, "B = binary 3:436174\n", ""},
        // Encoded bytes may be '>' themselves.
        {Header + "<B==3:3@\n>>>>", true, "B = binary 3:141414\n", ""},
        {Header + "<B==0:0@\n>", true, "B = binary 0:\n", ""},
        {Header + "<B==:3@\nabc>", false, "B\n", Error("Expected encoded size in binary tag 'B' declaration.")},
        {Header + "<B==3;3@\nabc>", false, "B\n", Error("Expected size delimiter in binary tag 'B' declaration.")},
        {Header + "<B==3:@\nabc>", false, "B\n", Error("Expected binary size in binary tag 'B' declaration.")},
        {Header + "<B==3:3@x", false, "B\n", Error("Expected EOL following binary size in binary tag 'B' declaration.")},
        {Header + "<B==3:3@\r\nabc>", false, "B\n",
         Error("Expected EOL following binary size in binary tag 'B' declaration.")},
        {Header + "<B==3:3@\nabcd>", false, "B\n", Error("Expected closing tag in tag 'B'.")},
        {Header + "<B==3:3@\nabc", false, "B\n", Error("Expected closing tag in tag 'B'.")},
    });
}

TEST(ZmlReader, BinarySizesAreCheckedAgainstTheData) {
    RunCases({
        {Header + "<B==9:3@\nabc>", false, "B\n",
         Error("Encoded size reaches past the end of the text in binary tag 'B' declaration.")},
        {Header + "<B==99999999999999999999999:3@\nabc>", false, "B\n",
         Error("Encoded size reaches past the end of the text in binary tag 'B' declaration.")},
        {Header + "<B==3:4@\nabc>", false, "B\n",
         Error("Binary size larger than the encoded data can hold in binary tag 'B' declaration.")},
        {Header + "<B==3:4000000000000@\nabc>", false, "B\n",
         Error("Binary size larger than the encoded data can hold in binary tag 'B' declaration.")},
        {Header + "<B==6:4\n#0V%T\n>", false, "B\n",
         Error("Binary size larger than the encoded data can hold in binary tag 'B' declaration.")},
        // An escape cut by the end of the block.
        {Header + "<B==3:3@\nkk=>", false, "B\n",
         "[*] input buffer underflow.\n" + Error("Encoded data shorter than the binary size in binary tag 'B'.")},
        // Two bytes of data for a declared three.
        {Header + "<B==3:3@\nk\nk>", false, "B\n",
         Error("Encoded data shorter than the binary size in binary tag 'B'.")},
        // A line feed after the last byte is read, and warned about, though the block is full.
        {Header + "<B==3:2@\nkk\n>", true, "B = binary 2:4141\n", "[*] input buffer underflow.\n"},
    });
}

// Running out of memory for tags fails the document with the allocation line,
// whichever allocation fails; the tags read before stay in it.
TEST(ZmlReader, TagAllocationFailureFailsTheDocument) {
    std::string input = Header;
    for (int root = 0; root < 50; ++root) input += "<R=<A=1><B=\"x\\\"y\"><C=#append(<Name> \"z\")>>";
    input = Header + "<Name=\"n\">" + input.substr(Header.size());
    const std::string allocationLine = Error("Failed to allocate memory.");
    zMetafile expected;
    ASSERT_TRUE(ParseMetafile(input.data(), input.size(), expected));
    u32 failures = 0;
    for (u32 successes = 0;; ++successes) {
        zMetafile doc;
        doc.SetFileName("f");
        LogCapture capture;
        ArmBlockAllocationFailure(successes);
        const bool parsed = ParseMetafile(input.data(), input.size(), doc);
        DisarmBlockAllocationFailure();
        if (parsed) {
            EXPECT_EQ(capture.Text(), "");
            EXPECT_EQ(DumpTree(doc), DumpTree(expected));
            break;
        }
        ++failures;
        EXPECT_EQ(capture.Text(), allocationLine) << successes;
        EXPECT_LT(doc.GetRootCount(), expected.GetRootCount()) << successes;
        ASSERT_LT(successes, 100u);
    }
    EXPECT_GT(failures, 1u);  // tags come from more than one chunk
}

TEST(ZmlReader, BinaryAllocationFailureFailsTheTag) {
    const std::string input = Header + "<B==3:3@\nm\x8b\x9e>";
    zMetafile doc;
    doc.SetFileName("f");
    LogCapture capture;
    ArmBlockAllocationFailure(1);  // the tags' chunk comes first
    EXPECT_FALSE(ParseMetafile(input.data(), input.size(), doc));
    DisarmBlockAllocationFailure();
    EXPECT_EQ(capture.Text(), Error("Failed to allocate binary buffer in binary tag 'B'."));
}

TEST(ZmlReader, Append) {
    RunCases({
        {Header + "<S=\"ab\"><A=#append(<S> \"x\")>", true, "S = string \"ab\"\nA = string \"abx\"\n", ""},
        {Header + "<S=\"ab\"><A=#append(<S>,\"-\" , <S;>)>", true, "S = string \"ab\"\nA = string \"ab-ab\"\n", ""},
        {Header + "<R=<S=\"in\"><A=#append(<R:S;>)>>", true, "R\n  S = string \"in\"\n  A = string \"in\"\n", ""},
        {Header + "<A=#append()>", true, "A = string \"\"\n", ""},
        {Header + "<S=1><A=#append(<S>)>", false, "S = int 1\nA\n",
         Error("Preprocessor directive #append only support string, metatag 'A'.")},
        {Header + "<A=#append(<Nope>)>", false, "A\n", Error("Preprocessor argument tag 'Nope' not found, metatag 'A'.")},
        // A tag cannot take its own value, which it has not yet.
        {Header + "<A=#append(<A>)>", false, "A\n",
         Error("Preprocessor directive #append only support string, metatag 'A'.")},
        {Header + "<A=#append <S>>", false, "A\n", Error("Mangled preprocessor directive, metatag 'A'.")},
        {Header + "<A=#append(", false, "A\n", Error("Mangled preprocessor directive, metatag 'A'.")},
        {Header + "<A=#append(<S", false, "A\n",
         Error("Mangled tag declaration in preprocessor directive, metatag 'A'.")},
        {Header + "<A=#append(\"x)>", false, "A\n", Error("Mangled shortcut declaration, metatag 'A'.")},
        {Header + "<A=#append(x)>", false, "A\n", Error("Unexpected character in preprocessor directive, metatag 'A'.")},
        {Header + "<A=#append(\"x\") y>", false, "A = string \"x\"\n",
         Error("Unexpected trailing expression following string object, metatag 'A'.")},
        {Header + "<A=#bogus>", false, "A\n", Error("Unknown preprocessor directive, metatag 'A'.")},
    });
}

TEST(ZmlReader, IncludeSyntax) {
    RunCases({
        {Header + "<A=#include \"x\">", false, "A\n", "[!] Mangled #include directive in file 'f'.\n"},
        {Header + "<A=#include(x)>", false, "A\n", "[!] Unexpected character in #include directive.\n"},
        {Header + "<A=#include(\"x)>", false, "A\n", "[!] Unexpected character in #include directive.\n"},
        {Header + "<A=#include()>", true, "A\n", ""},
    });
}

TEST(ZmlReader, NestingDepthIsCapped) {
    const auto nested = [](u32 depth) {
        std::string text = Header;
        for (u32 i = 0; i < depth; ++i) text += "<T=";
        text += "<T>";
        for (u32 i = 0; i < depth; ++i) text += ">";
        return text;
    };
    zMetafile doc;
    doc.SetFileName("f");
    const std::string deepest = nested(MetafileMaxDepth - 1);
    EXPECT_TRUE(ParseMetafile(deepest.data(), deepest.size(), doc));

    LogCapture capture;
    const std::string tooDeep = nested(MetafileMaxDepth);
    EXPECT_FALSE(ParseMetafile(tooDeep.data(), tooDeep.size(), doc));
    EXPECT_EQ(capture.Text(), Error("Tags nested too deep, metatag 'T'."));

    // Far deeper input fails the same way instead of exhausting the stack.
    const std::string hostile = Header + std::string(1000000, '<');
    std::string chain = Header;
    for (int i = 0; i < 100000; ++i) chain += "<T=";
    capture.Reset();
    EXPECT_FALSE(ParseMetafile(chain.data(), chain.size(), doc));
    EXPECT_EQ(capture.Text(), Error("Tags nested too deep, metatag 'T'."));
    EXPECT_FALSE(ParseMetafile(hostile.data(), hostile.size(), doc));
}

TEST(ZmlReader, ParsesFromAnUnterminatedBuffer) {
    // The value ends exactly at the end of the buffer; nothing after it is read.
    const char text[] = "<ZML=1.0><A=12>99";
    zMetafile doc;
    EXPECT_TRUE(ParseMetafile(text, sizeof(text) - 3, doc));
    EXPECT_EQ(DumpTree(doc), "A = int 12\n");
    LogCapture capture;
    EXPECT_FALSE(ParseMetafile(nullptr, 5, doc));
    EXPECT_EQ(capture.Text(), "[!] Invalid metafile.\n");
}

TEST(ZmlReader, ReparsingReplacesTheRoots) {
    const std::string first = Header + "<A><B>";
    const std::string second = Header + "<C>";
    zMetafile doc;
    ASSERT_TRUE(ParseMetafile(first.data(), first.size(), doc));
    ASSERT_TRUE(ParseMetafile(second.data(), second.size(), doc));
    EXPECT_EQ(DumpTree(doc), "C\n");
}

// The reader carves its tags from shared chunks; each tag must still stand on
// its own once detached, whether the document goes first or the tag does.
TEST(ZmlReader, ReadTagsOutliveTheirDocument) {
    std::string text = Header;
    for (int i = 0; i < 300; ++i) {
        text += "<N=<V=" + std::to_string(i) + "><S=\"s" + std::to_string(i) + "\">>";
    }
    zMetafile* doc = new zMetafile();
    ASSERT_TRUE(ParseMetafile(text.data(), text.size(), *doc));
    ASSERT_EQ(doc->GetRootCount(), 300u);

    // Every seventh root is kept, one root is deleted at once, the rest go with the document.
    std::vector<zMetaTag*> kept;
    for (u32 i = 0; i < 300; i += 7) kept.push_back(static_cast<zMetaTag*>(doc->GetRoots().GetAt(i)));
    for (zMetaTag* tag : kept) ASSERT_TRUE(doc->DetachRoot(tag));
    zMetaTag* early = static_cast<zMetaTag*>(doc->GetRoots().GetAt(0));
    ASSERT_TRUE(doc->DetachRoot(early));
    delete early;
    delete doc;

    zMetaTag holder("Holder");
    for (size_t k = 0; k < kept.size(); ++k) {
        zMetaTag* tag = kept[k];
        EXPECT_EQ(tag->GetName(), "N");
        const zMetaTag* value = tag->GetTypedTag("V;", VariantInt);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->GetRawInt(), static_cast<i32>(k * 7));
        // A detached child, deleted on its own.
        zMetaTag* string = tag->GetTag("S;");
        ASSERT_NE(string, nullptr);
        ASSERT_TRUE(tag->GetChildren().Detach(string));
        delete string;
        holder.AddChild(k % 2 ? tag : tag->Clone(true));
        if (k % 2 == 0) delete tag;
    }
    EXPECT_EQ(holder.GetChildCount(), kept.size());
}

TEST(ZmlReader, NumberValuesReadAsTheirTokens) {
    // Plain tokens take a shorter road than the others; both give what the
    // token readers give, at the edges of the short one too.
    const char* const tokens[] = {
        "0", "-0", "7", "999999999", "1000000000", "-2147483648", "4294967295", "4294967296",
        "99999999999999999999", "0.0", "-12.345678", "1.", ".5", "-.5", "0.1", "16777217.0", "0.000000001",
        "123456789012345", "1234567890123456", "1234567.8901234567", "9007199254740993.0", "1.5e3", "3f",
        "3.5f", "1.2.3", "5..1",
    };
    for (const char* token : tokens) {
        const std::string input = Header + "<N=" + token + ">";
        zMetafile doc;
        LogCapture capture;
        ASSERT_TRUE(ParseMetafile(input.data(), input.size(), doc)) << token;
        const zMetaTag* tag = static_cast<const zMetaTag*>(doc.GetRoots().GetAt(0));
        ASSERT_NE(tag, nullptr) << token;
        const bool negative = token[0] == '-';
        const char* begin = token + (negative ? 1 : 0);
        const char* end = token + std::strlen(token);
        const bool isFloat = std::strpbrk(begin, ".f") != nullptr;
        f32 floatValue = 0.0f;
        i32 intValue = 0;
        if (isFloat) {
            ASSERT_TRUE(tag->GetValue().GetFloat(floatValue)) << token;
            const f32 expected = ParseFloatToken(begin, end, negative);
            EXPECT_EQ(std::memcmp(&floatValue, &expected, sizeof(f32)), 0) << token;
        } else {
            ASSERT_TRUE(tag->GetValue().GetInt(intValue)) << token;
            bool outOfRange = false;
            EXPECT_EQ(intValue, ParseIntToken(begin, end, negative, outOfRange)) << token;
        }
    }
}
