// The reader's time grows with its input, not with its square: a hostile
// run of backslashes or of names costs about what plain text of the same size
// does. Times are the best of a few runs, against a baseline of the same
// size, so a loaded machine does not fail them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "markup/reader.h"
#include "tests/support/log_capture.h"

namespace {

const std::string Header = "<ZML=1.0>\n";

// Seconds the parse of input takes at best over three runs; the result of the
// parse must be parses.
double BestParseSeconds(const std::string& input, bool parses) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        zMetafile doc;
        LogCapture capture;
        const auto start = std::chrono::steady_clock::now();
        const bool parsed = ParseMetafile(input.data(), input.size(), doc);
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(parsed, parses);
        best = std::min(best, taken.count());
    }
    return best;
}

// The hostile input may cost a few times its baseline, never a large factor.
void ExpectLinear(const std::string& hostile, bool hostileParses, const std::string& baseline) {
    const double baseSeconds = BestParseSeconds(baseline, true);
    const double hostileSeconds = BestParseSeconds(hostile, hostileParses);
    EXPECT_LT(hostileSeconds, 20.0 * baseSeconds + 0.1) << "baseline " << baseSeconds << " s";
}

constexpr size_t RunLength = 1000000;

}  // namespace

TEST(ZmlReaderLinear, QuotedStringOfBackslashesIsReadInLinearTime) {
    // Each backslash escapes the next one; the closing quote is far away.
    const std::string slashes(RunLength, '\\');
    const std::string plain(RunLength, 'a');
    ExpectLinear(Header + "<A=\"" + slashes + "\">", true, Header + "<A=\"" + plain + "\">");
    // Unclosed: every escaped quote looks like the end of the text.
    std::string quotes;
    for (size_t i = 0; i < RunLength / 2; ++i) quotes += "\\\"";
    ExpectLinear(Header + "<A=\"" + quotes + ">", false, Header + "<A=\"" + plain + "\">");
    // The same in #append and #include arguments.
    ExpectLinear(Header + "<A=#append(\"" + slashes + "\")>", true, Header + "<A=#append(\"" + plain + "\")>");
}

TEST(ZmlReaderLinear, LongBackslashRunsReadBackUnescaped) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "\\\\\\\"x\\y";
    const std::string input = Header + "<A=\"" + text + "\">";
    zMetafile doc;
    ASSERT_TRUE(ParseMetafile(input.data(), input.size(), doc));
    std::string expected;
    for (int i = 0; i < 1000; ++i) expected += "\\\"x\\y";
    const char* value = nullptr;
    ASSERT_TRUE(doc.GetTag("A;", false)->GetValue().GetString(value));
    EXPECT_EQ(value, expected);
}

TEST(ZmlReaderLinear, ManyNamesSharingTheirEdgesAreReadInLinearTime) {
    // Names alike in their first and last eight bytes, different between.
    const auto names = [](bool alike) {
        std::string input = Header;
        char middle[16];
        for (int i = 0; i < 40000; ++i) {
            std::snprintf(middle, sizeof(middle), "%08d", i);
            input += alike ? std::string("<Nabcdefg") + middle + "zyxwvuts>" : std::string("<N") + middle + "abcdefgzyxwvuts>";
        }
        return input;
    };
    ExpectLinear(names(true), true, names(false));
}

TEST(ZmlReaderLinear, ProjectFileWithATwoMegabyteClassNameLoadsInLinearTime) {
    // A class name written as a Windows path: a backslash every few bytes.
    std::string name;
    while (name.size() < 2000000) name += "Units\\Cls";
    const auto project = [](const std::string& className) {
        return Header + "<Environment=\n<Name=\"Big\">\n<ScriptUnit=<Script=\"big.nut\"><Class=\"" + className +
               "\">>\n>\n";
    };
    ExpectLinear(project(name), true, project(std::string(name.size(), 'U')));
}

TEST(ZmlReaderLinear, AppendArgumentsNamingLateTagsAreReadInLinearTime) {
    // Every argument names a different root, the last ones first: a search
    // through the roots for each would cost their number squared.
    const auto appending = [](bool late) {
        constexpr int Roots = 30000;
        std::string input = Header;
        char tag[48];
        for (int i = 0; i < Roots; ++i) {
            std::snprintf(tag, sizeof(tag), "<r%05d=\"x\">\n", i);
            input += tag;
        }
        input += "<Joined=#append(";
        for (int i = 0; i < Roots; ++i) {
            std::snprintf(tag, sizeof(tag), "<r%05d> ", late ? Roots - 1 - i : 0);
            input += tag;
        }
        return input + ")>\n";
    };
    ExpectLinear(appending(true), true, appending(false));
    zMetafile doc;
    const std::string input = appending(true);
    ASSERT_TRUE(ParseMetafile(input.data(), input.size(), doc));
    const char* joined = nullptr;
    ASSERT_TRUE(doc.GetTag("Joined;", false)->GetValue().GetString(joined));
    EXPECT_EQ(std::string(joined), std::string(30000, 'x'));
}

TEST(ZmlReaderLinear, AppendFindsTheFirstTagOfANameAlsoAmongTagsReadAfterEarlierLookups) {
    const std::string input = Header +
                              "<A=\"1\"><R=<B=\"2\"><J=#append(<A> <R:B;>)><B=\"3\"><C=\"4\">"
                              "<K=#append(<R:C;> <R:B;> <A>)>><D=\"5\"><E=#append(<R:K;> <D> <R:J;> <::R:B;>)>";
    zMetafile doc;
    ASSERT_TRUE(ParseMetafile(input.data(), input.size(), doc));
    const char* text = nullptr;
    ASSERT_TRUE(doc.GetTag("E;", false)->GetValue().GetString(text));
    EXPECT_EQ(std::string(text), "421" "5" "12" "2");
}
