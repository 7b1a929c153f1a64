#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/list.h"
#include "core/zstring.h"

namespace {

std::string Str(const zString& s) {
    return s.CStr() ? std::string(s.CStr(), s.GetLength()) : std::string();
}

std::vector<std::string> Pieces(const zList<zString>& list) {
    std::vector<std::string> pieces;
    for (auto* node = list.GetHead(); node; node = node->next)
        pieces.push_back(Str(node->value));
    return pieces;
}

} // namespace

TEST(StringHash, KnownValues) {
    struct Case {
        const char* text;
        u32 hash;
    };
    const Case cases[] = {
        {"a", 97}, {"ab", 3687}, {"\xE9", 0xFFFFFFE9u},            // the byte counts as -23
        {"", 1},   {nullptr, 1}, {"Scene", 160712451u}, {"`", 97}, // 96 OR 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        EXPECT_EQ(StringHash(c.text), c.hash);
        EXPECT_EQ(zString(c.text).GetHash(), c.hash);
    }
}

TEST(StringHash, LongTextWrapsInThirtyTwoBits) {
    std::string text(1000, '\xF0');
    text += std::string(1000, 'z');
    u32 expected = 0;
    for (char c : text)
        expected = expected * 37u + static_cast<u32>(static_cast<i32>(static_cast<i8>(c)));
    expected |= 1u;
    EXPECT_EQ(StringHash(text.c_str()), expected);
    EXPECT_EQ(zString(text.c_str()).GetHash(), expected);
}

TEST(StringHash, CachedHashFollowsEveryChange) {
    zString s("a");
    EXPECT_EQ(s.GetHash(), 97u);
    s.Append("b");
    EXPECT_EQ(s.GetHash(), 3687u);
    s.Set("a");
    EXPECT_EQ(s.GetHash(), 97u);
    s.Format("%s", "ab");
    EXPECT_EQ(s.GetHash(), 3687u);
    s.AppendString(zString("c"));
    EXPECT_EQ(s.GetHash(), StringHash("abc"));
    zString upper = s.ToUpperCase();
    EXPECT_EQ(upper.GetHash(), StringHash("ABC"));
    zString path("A\\B");
    path.GetHash();
    path.NormalizePath();
    EXPECT_EQ(path.GetHash(), StringHash("A/B"));
    path.StripDirectory();
    EXPECT_EQ(path.GetHash(), StringHash("B"));
    path.Clear();
    EXPECT_EQ(path.GetHash(), 1u);
}

TEST(StringAssign, BufferAndEmptiness) {
    zString never;
    EXPECT_EQ(never.CStr(), nullptr);
    EXPECT_TRUE(never.IsEmpty());

    zString fromNull(static_cast<const char*>(nullptr));
    EXPECT_EQ(fromNull.CStr(), nullptr);

    zString setEmpty;
    setEmpty.Set("");
    ASSERT_NE(setEmpty.CStr(), nullptr); // Set keeps a one-byte buffer
    EXPECT_EQ(setEmpty.GetLength(), 0u);
    EXPECT_TRUE(setEmpty.IsEmpty());

    zString assignedEmpty("x");
    assignedEmpty = "";
    EXPECT_EQ(assignedEmpty.CStr(), nullptr); // the assignment form keeps none

    zString range;
    const char* text = "abcdef";
    range.SetRange(text + 1, text + 4);
    EXPECT_EQ(Str(range), "bcd");
    range.SetRange(text + 2, nullptr);
    EXPECT_EQ(Str(range), "cdef");
    range.SetRange(text + 3, text + 3);
    EXPECT_EQ(range.CStr(), nullptr);
    range.SetRange(text + 3, text + 1);
    EXPECT_EQ(range.CStr(), nullptr);
    EXPECT_EQ(Str(zString(text, text + 2)), "ab");
}

TEST(StringAssign, CopiesOwnTheirText) {
    zString original("name");
    zString copy(original);
    EXPECT_NE(copy.CStr(), original.CStr());
    EXPECT_EQ(Str(copy), "name");

    zString target("old");
    target = original;
    EXPECT_EQ(Str(target), "name");
    EXPECT_NE(target.CStr(), original.CStr());

    zString& same = target;
    target = same; // self-assignment keeps the text
    EXPECT_EQ(Str(target), "name");

    zString withBuffer;
    withBuffer.Set("");
    target = withBuffer; // an empty source empties the target
    EXPECT_EQ(target.CStr(), nullptr);

    zString moved(static_cast<zString&&>(original));
    EXPECT_EQ(Str(moved), "name");
    EXPECT_EQ(original.CStr(), nullptr);
}

TEST(StringAssign, SetFromItsOwnText) {
    zString s("directory/file");
    s.Set(s.CStr() + 10);
    EXPECT_EQ(Str(s), "file");
    s.SetRange(s.CStr() + 1, s.CStr() + 3);
    EXPECT_EQ(Str(s), "il");
    s.Append(s.CStr());
    EXPECT_EQ(Str(s), "ilil");
    s.AppendString(s);
    EXPECT_EQ(Str(s), "ilililil");
}

TEST(StringFormat, PrintsAndCutsAt4095) {
    zString s;
    s.Format("%s=%d, %.2f", "width", 640, 1.5);
    EXPECT_EQ(Str(s), "width=640, 1.50");

    std::string longText(5000, 'q');
    s.Format("%s", longText.c_str());
    EXPECT_EQ(s.GetLength(), 4095u);
    EXPECT_EQ(Str(s), longText.substr(0, 4095));

    s.Format("%s", "");
    EXPECT_EQ(s.GetLength(), 0u);
    EXPECT_EQ(Str(zString().Format("%05d", 42)), "00042");
}

TEST(StringCompare, EqualityRules) {
    zString none;
    zString bufferEmpty;
    bufferEmpty.Set("");
    zString a("a");

    EXPECT_TRUE(none == zString());
    EXPECT_TRUE(none == bufferEmpty);
    EXPECT_FALSE(none == a);
    EXPECT_FALSE(a == none);
    EXPECT_TRUE(a == zString("a"));
    EXPECT_TRUE(a.EqualsNoHash(zString("a")));
    EXPECT_TRUE(none.EqualsNoHash(bufferEmpty));
    EXPECT_FALSE(a.EqualsNoHash(none));

    // "a" and "`" share the hash 97: the bytes decide.
    EXPECT_EQ(zString("`").GetHash(), a.GetHash());
    EXPECT_FALSE(a == zString("`"));
    EXPECT_TRUE(a != zString("`"));
    // So do "aB" and "b\x1D" (97 * 37 + 66 = 98 * 37 + 29).
    EXPECT_EQ(StringHash("aB"), StringHash("b\x1D"));
    EXPECT_FALSE(zString("aB") == zString("b\x1D"));

    EXPECT_TRUE(none == static_cast<const char*>(nullptr));
    EXPECT_TRUE(bufferEmpty == static_cast<const char*>(nullptr));
    EXPECT_FALSE(none == ""); // a string without buffer is unequal to any text
    EXPECT_TRUE(bufferEmpty == "");
    EXPECT_FALSE(a == static_cast<const char*>(nullptr));
    EXPECT_TRUE(a == a.CStr());
    EXPECT_TRUE(a == "a");
    EXPECT_FALSE(a == "ab");
    EXPECT_TRUE(a != "b");
    EXPECT_TRUE("a" == a);
    EXPECT_TRUE("b" != a);

    EXPECT_TRUE(none.IsEqual(nullptr));
    EXPECT_FALSE(none.IsEqual(""));
    EXPECT_FALSE(bufferEmpty.IsEqual(""));
    EXPECT_TRUE(a.IsEqual("a"));
    EXPECT_FALSE(a.IsEqual(nullptr));
    EXPECT_FALSE(a.IsEqual("A"));

    EXPECT_TRUE(a.Equals("a", 0));
    EXPECT_TRUE(a.Equals("a", 97));
    EXPECT_FALSE(a.Equals("a", 3687)); // a wrong hash is a quick miss
    EXPECT_FALSE(a.Equals("`", 97));
    EXPECT_TRUE(none.Equals(nullptr, 1));
}

TEST(StringCompare, SortOrder) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"a", "b", 1},         {"b", "a", -1},    {"a", "ab", 1},    {"ab", "a", -1},   {"abc", "abc", 0},
        {"", "", 0},           {"", "a", 1},      {"\xE9", "a", 1},  {"a", "\xE9", -1}, {"a", "a\xE9", 1},
        {nullptr, nullptr, 0}, {nullptr, "a", 1}, {"a", nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " / " + (c.b ? c.b : "(null)"));
        EXPECT_EQ(StringSortCompare(c.a, c.b), c.expected);
    }
    EXPECT_EQ(StringSortCompare(zString("x"), zString("y")), 1);
}

TEST(StringAppend, Forms) {
    zString s;
    s.Append(nullptr);
    EXPECT_EQ(s.CStr(), nullptr);
    s.Append("ab");
    EXPECT_EQ(Str(s), "ab");
    s.AppendString(zString());
    EXPECT_EQ(Str(s), "ab");
    s.AppendInt(-12);
    EXPECT_EQ(Str(s), "ab-12");
    s.AppendInt(2147483647);
    EXPECT_EQ(Str(s), "ab-122147483647");

    zString empty;
    empty.AppendString(zString("x"));
    EXPECT_EQ(Str(empty), "x");

    zString base("dir/");
    EXPECT_EQ(Str(base + "file"), "dir/file");
    EXPECT_EQ(Str(base + zString("x")), "dir/x");
    EXPECT_EQ(Str(base), "dir/");
}

TEST(StringCase, AsciiOnlyCopies) {
    zString s("aBc_9\xE9z");
    EXPECT_EQ(Str(s.ToUpperCase()), "ABC_9\xE9Z");
    EXPECT_EQ(Str(s.ToLowerCase()), "abc_9\xE9z");
    EXPECT_EQ(Str(s), "aBc_9\xE9z");
    EXPECT_EQ(zString().ToUpperCase().CStr(), nullptr);

    EXPECT_EQ(Str(zString("a.b.c").RemoveChar('.')), "abc");
    EXPECT_EQ(Str(zString("...").RemoveChar('.')), "");
    EXPECT_EQ(zString().RemoveChar('x').CStr(), nullptr);

    struct Case {
        const char* text;
        bool keepSpaces;
        const char* expected;
    };
    const Case cases[] = {
        {"my_item name", false, "My Item_name"},
        {"my_item name", true, "My Item Name"},
        {"_a", false, " A"},
        {"already Upper", true, "Already Upper"},
        {"x1 y", true, "X1 Y"},
        {"\xE9t\xE9", true, "\xE9t\xE9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Str(zString(c.text).ToTitleCase(c.keepSpaces)), c.expected);
    }
}

TEST(StringSplit, Pieces) {
    struct Case {
        const char* text;
        const char* separator;
        std::vector<std::string> pieces;
    };
    const Case cases[] = {
        {"a;b;", ";", {"a", "b"}},
        {";a", ";", {"", "a"}},
        {"a", ";", {"a"}},
        {"a;;b", ";", {"a", "", "b"}},
        {"x;x", ";", {"x", "x"}},
        {"one::two:three", "::", {"one", "two:three"}},
        {"", ";", {}},
        {";", ";", {""}},
        {"abc", "", {"abc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        zList<zString> out;
        EXPECT_EQ(zString(c.text).Split(c.separator, out), c.pieces.size());
        EXPECT_EQ(Pieces(out), c.pieces);
    }
}

TEST(StringSplit, AppendsToTheListAndCountsIt) {
    zList<zString> out;
    out.Add(zString("first"));
    EXPECT_EQ(zString("a b").Split(" ", out), 3u);
    EXPECT_EQ(Pieces(out), (std::vector<std::string>{"first", "a", "b"}));
    EXPECT_EQ(zString().Split(" ", out), 3u);
}

TEST(StringPath, NormalizePath) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\Data\\\\Sub//x?.tga", "c:/Data/Sub/x_.tga"},
        {"abcd:e", "abcd_e"},
        {"abcde:f", "abcde_f"}, // a ':' at index 5 is no drive separator
        {"a:b", "a:b"},
        {"Z:", "Z:"}, // too short for a drive letter, the ':' at index 1 stays
        {"a b(1)#!+-.zml", "a b(1)#!+-.zml"},
        {"\xC3\xA9t\xC3\xA9.png", "__t__.png"},
        {"\\\\server\\share", "/server/share"},
        {"x;y*z|w\"", "x_y_z_w_"},
        {"///", "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        zString s(c.text);
        EXPECT_TRUE(s.NormalizePath());
        EXPECT_EQ(Str(s), c.expected);
        EXPECT_EQ(s.GetLength(), std::string(c.expected).size());
        EXPECT_EQ(Str(zString(c.text).GetNormalizedPath()), c.expected);
    }
    zString empty;
    EXPECT_FALSE(empty.NormalizePath());
    empty.Set("");
    EXPECT_FALSE(empty.NormalizePath());
}

TEST(StringPath, StripAndReplace) {
    struct Case {
        const char* path;
        const char* fileNameStripped;
        const char* directoryStripped;
        const char* extensionStripped;
        const char* baseName;
        const char* replaced;
        const char* extension;
    };
    const Case cases[] = {
        {"data/scenes/level.zms", "data/scenes/", "level.zms", "data/scenes/level", "level",
         "data/scenes/level.zml", "zms"},
        {"a\\b.c.d", "a\\", "b.c.d", "a\\b.c", "b.c", "a\\b.c.zml", "d"},
        {"c:level.zms", "c:", "c:level.zms", "c:level", "c:level", "c:level.zml", "zms"},
        {"noext", "", "noext", "noext", "noext", "noext.zml", ""},
        {"dir/", "dir/", "", "dir/", "", "dir/.zml", ""},
        {".cfg", "", ".cfg", "", "", ".zml", "cfg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        zString s(c.path);
        s.StripFileName();
        EXPECT_EQ(Str(s), c.fileNameStripped);
        s.Set(c.path);
        s.StripDirectory();
        EXPECT_EQ(Str(s), c.directoryStripped);
        s.Set(c.path);
        s.StripExtension();
        EXPECT_EQ(Str(s), c.extensionStripped);
        s.Set(c.path);
        s.StripToBaseName();
        EXPECT_EQ(Str(s), c.baseName);
        s.Set(c.path);
        s.ReplaceExtension(".zml");
        EXPECT_EQ(Str(s), c.replaced);
        EXPECT_EQ(Str(GetFileExtension(c.path)), c.extension);

        EXPECT_EQ(Str(zString(c.path).GetFileName()), c.directoryStripped);
        EXPECT_EQ(Str(zString(c.path).GetWithoutExtension()), c.extensionStripped);
        EXPECT_EQ(Str(zString(c.path).GetWithExtension(".zml")), c.replaced);

        std::string buffer = c.path;
        PathStripFileName(&buffer[0]);
        EXPECT_STREQ(buffer.c_str(), c.fileNameStripped);
        buffer = c.path;
        PathStripDirectory(&buffer[0]);
        EXPECT_STREQ(buffer.c_str(), c.directoryStripped);
        buffer = c.path;
        PathStripToBaseName(&buffer[0]);
        EXPECT_STREQ(buffer.c_str(), c.baseName);
    }
}

TEST(StringPath, ExtensionDotInDirectoryNameIsNotCut) {
    zString s("./engine");
    s.ReplaceExtension(".cfg");
    EXPECT_EQ(Str(s), "./engine.cfg");
    s.Set("data.v2/scene");
    s.StripExtension();
    EXPECT_EQ(Str(s), "data.v2/scene");
    EXPECT_EQ(GetFileExtension("data.v2/scene").CStr(), nullptr);
    std::string buffer = "../x.y/name";
    PathStripToBaseName(&buffer[0]);
    EXPECT_STREQ(buffer.c_str(), "name");
}

TEST(StringPath, DriveLetter) {
    EXPECT_TRUE(zString("c:/").HasDriveLetter());
    EXPECT_FALSE(zString("c:").HasDriveLetter());
    EXPECT_FALSE(zString("abc").HasDriveLetter());
    EXPECT_FALSE(zString().HasDriveLetter());
}

TEST(StringNumbers, StringToInt) {
    struct Case {
        const char* text;
        i32 expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"-17", -17},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+5", 0},
        {" 5", 0},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<i32>::min()},
        {"2147483648", std::numeric_limits<i32>::min()}, // wraps in 32 bits
        {"4294967297", 1},
        {"99999999999", static_cast<i32>(1215752191u)},
        {nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        EXPECT_EQ(StringToInt(c.text), c.expected);
    }
}

TEST(StringNumbers, StringToFloat) {
    struct Case {
        const char* text;
        bool commaIsPoint;
        f32 expected;
    };
    const Case cases[] = {
        {"-1.5e2", false, -150.0f},
        {"3f", false, 3.0f},
        {"", false, 0.0f},
        {"0.25", false, 0.25f},
        {"1,5", true, 1.5f},
        {"1,5", false, 1.0f},
        {"2e-3", false, 0.002f},
        {".5", false, 0.5f},
        {"-.5", false, -0.5f},
        {"1E5", false, 1.0f}, // only a lower-case 'e' starts the exponent
        {"1.5e", false, 1.5f},
        {"3.14159265358979323846", false, 3.14159265f},
        {"0.000000000001", false, 1e-12f},
        {"1.00000000000000000000000000000000000000000000005", false, 1.0f},
        {"0.123456789123456789", false, 0.123456789f},
        {"123456789", false, 123456789.0f},
        {"1e38", false, 1e38f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FLOAT_EQ(StringToFloat(c.text, nullptr, c.commaIsPoint), c.expected);
    }
    const char* text = "123";
    EXPECT_FLOAT_EQ(StringToFloat(text, text + 2, false), 12.0f);
    EXPECT_FLOAT_EQ(StringToFloat(text, text, false), 0.0f);
    EXPECT_FLOAT_EQ(StringToFloat(nullptr, nullptr, false), 0.0f);
    EXPECT_FLOAT_EQ(zString("-2,25").ToFloat(true), -2.25f);
    EXPECT_FLOAT_EQ(zString().ToFloat(false), 0.0f);
}

TEST(StringNumbers, HugeExponentEndsAtOnce) {
    EXPECT_TRUE(std::isinf(StringToFloat("1e999999999", nullptr, false)));
    EXPECT_TRUE(std::isinf(StringToFloat("-1e99999999999999999999", nullptr, false)));
    EXPECT_EQ(StringToFloat("1e-999999999", nullptr, false), 0.0f);
    EXPECT_EQ(StringToFloat("0e999", nullptr, false), 0.0f); // not NaN
}

TEST(StringNumbers, RepresentableValueBeyondAPowerOfTenOutOfRange) {
    // The value fits a float although 10^40 or 10^43 alone does not.
    struct Case {
        const char* text;
        f32 expected;
    };
    const Case cases[] = {
        {"0.001e40", 1e37f},
        {"0.0000000000000000000000000000000000012345678", 1.2345678e-36f},
        {"1234e-40", 1.234e-37f},
        {"0.5e39", INFINITY}, // 5e38 is past the float range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FLOAT_EQ(StringToFloat(c.text, nullptr, false), c.expected);
    }
    f32 denormal = StringToFloat("1e-40", nullptr, false);
    EXPECT_GT(denormal, 0.0f);
    EXPECT_NEAR(denormal, 1e-40f, 1e-44f);
}

TEST(StringNumbers, HexToInt) {
    struct Case {
        const char* text;
        u32 expected;
    };
    const Case cases[] = {
        {"0x1F", 31},
        {"0x123456789", 0x123456}, // only 8 characters count
        {"ff", 255},
        {"FFFFFFFF", 0xFFFFFFFFu},
        {"12345678x9", 0x12345678},
        {"h10", 16},
        {"#h10", 16},
        {"0xZ1", 1}, // a non-digit adds 0 but still shifts
        {"1", 1},
        {"", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        EXPECT_EQ(HexToInt(c.text), c.expected);
    }
}

TEST(StringNumbers, ClampMaxRemap) {
    EXPECT_EQ(ClampFloat(-1.0f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(ClampFloat(2.0f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(ClampFloat(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_EQ(MaxInt(-3, 2), 2);
    EXPECT_EQ(MaxInt(-3, -7), -3);

    struct Case {
        f32 x, a, b, c, d, expected;
    };
    const Case cases[] = {
        {5, 0, 10, 0, 100, 50}, {-5, 0, 10, 0, 100, 0}, {15, 0, 10, 0, 100, 100},
        {5, 0, 10, 100, 0, 50}, {20, 0, 10, 100, 0, 0}, {2, 0, 10, -1, 1, -0.6f},
        {3, 3, 3, 0, 1, 1},     {2, 3, 3, 0, 1, 0},     {4, 3, 3, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        f32 result = RemapClamped(c.x, c.a, c.b, c.c, c.d);
        EXPECT_FALSE(std::isnan(result));
        EXPECT_FLOAT_EQ(result, c.expected);
    }
}

TEST(StringText, FindCharAndDiffer) {
    const char* text = "abc;def";
    EXPECT_EQ(StringFindChar(text, ';', nullptr), text + 3);
    EXPECT_EQ(StringFindChar(text, 'x', nullptr), text + 7);
    EXPECT_EQ(StringFindChar(text, 'e', text + 3), text + 3);
    EXPECT_EQ(StringFindChar(text, 'a', text + 3), text);

    struct Case {
        const char* a;
        const char* b;
        bool differ;
    };
    const Case cases[] = {
        {"abc", "abd", true}, {"abc", "abc", false}, {"ab", "abc", false},  {"abc", "ab", false},
        {"", "a", false},     {nullptr, "a", false}, {"a", nullptr, false}, {"x", "y", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringsDiffer(c.a, c.b), c.differ);
    }
}

TEST(StringBorrow, BorrowedTextIsNeverFreedAndNeverEscapes) {
    // A lender that is no heap block: freeing it would be caught.
    char lender[] = "Position";
    zString borrowed;
    borrowed.Borrow(lender, 8, 0);
    EXPECT_TRUE(borrowed.IsBorrowed());
    EXPECT_EQ(borrowed.CStr(), lender);
    EXPECT_EQ(borrowed.GetLength(), 8u);
    EXPECT_EQ(borrowed.GetHash(), StringHash("Position"));
    EXPECT_TRUE(borrowed == "Position");
    EXPECT_TRUE(borrowed == zString("Position"));

    // Copies and moves take their own text.
    zString copy(borrowed);
    EXPECT_FALSE(copy.IsBorrowed());
    EXPECT_NE(copy.CStr(), lender);
    EXPECT_EQ(Str(copy), "Position");
    zString moved(static_cast<zString&&>(borrowed));
    EXPECT_FALSE(moved.IsBorrowed());
    EXPECT_NE(moved.CStr(), lender);
    EXPECT_EQ(Str(moved), "Position");
    EXPECT_EQ(borrowed.CStr(), nullptr);
    EXPECT_FALSE(borrowed.IsBorrowed());

    zString target("old");
    borrowed.Borrow(lender, 3, StringHash("Pos"));
    EXPECT_EQ(borrowed.GetHash(), StringHash("Pos"));
    target = static_cast<zString&&>(borrowed);
    EXPECT_FALSE(target.IsBorrowed());
    EXPECT_EQ(Str(target), "Pos");

    // Every change replaces the text by a heap copy and lets the lender go.
    struct Change {
        const char* name;
        void (*apply)(zString&);
        const char* expected;
    } changes[] = {
        {"Set", [](zString& s) { s.Set("new"); }, "new"},
        {"assign", [](zString& s) { s = "new"; }, "new"},
        {"Append", [](zString& s) { s.Append("X"); }, "PositionX"},
        {"NormalizePath", [](zString& s) { s.NormalizePath(); }, "Position"},
        {"SetRange of itself", [](zString& s) { s.SetRange(s.CStr(), s.CStr() + 3); }, "Pos"},
        {"Clear", [](zString& s) { s.Clear(); }, ""},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        zString s;
        s.Borrow(lender, 8, 0);
        change.apply(s);
        EXPECT_FALSE(s.IsBorrowed());
        EXPECT_NE(s.CStr(), lender);
        EXPECT_EQ(Str(s), change.expected);
        EXPECT_EQ(std::string(lender), "Position");
    }
    zString empty;
    empty.Borrow(nullptr, 0, 0);
    EXPECT_FALSE(empty.IsBorrowed());
    EXPECT_TRUE(empty.IsEmpty());
}
