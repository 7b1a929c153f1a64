#include "core/log.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/zstring.h"
#include "tests/support/log_capture.h"

namespace {

// Records each OutputLine call separately, before any mask filtering.
struct LineRecorder : zLog {
    std::vector<std::string> lines;
    void OutputLine(const char* text) override { lines.emplace_back(text); }
};

template <typename T, typename = void>
struct CanAppend : std::false_type {};
template <typename T>
struct CanAppend<T, std::void_t<decltype(std::declval<zLog&>() << std::declval<T>())>> : std::true_type {};

}  // namespace

TEST(Log, ConsoleOutputFollowsTheLevelMask) {
    struct Case {
        u8 mask;
        const char* tag;
        const char* text;
        bool printed;
    };
    const Case cases[] = {
        {0xFF & ~0x08, "[!] ", "x\n", false},
        {0x08, "[!] ", "x\n", true},
        {0xFF & ~0x04, "[*] ", "w\n", false},
        {0x04, "[*] ", "w\n", true},
        {0xFF & ~0x02, "[H] ", "h\n", false},
        {0x02, "[H] ", "h\n", true},
        {0xFF & ~0x10, "[S] ", "s\n", false},
        {0x10, "[S] ", "s\n", true},
        {0x00, "[|] ", "hi\n", true},   // any other bracketed tag always passes
        {0x00, "[#]", "\n", true},
        {0x01, "[]", "x\n", true},      // no third-character bracket: standard
        {0xFE, "[]", "x\n", false},
        {0x01, "", "a\n", true},        // shorter than 3 characters: standard
        {0xFE, "", "a\n", false},
        {0xFE, "", "\n", false},
        {0x01, "plain ", "text\n", true},
        {0xFE, "plain ", "text\n", false},
    };
    for (const Case& c : cases) {
        zLog log;
        log.SetLevelMask(c.mask);
        testing::internal::CaptureStdout();
        log << c.tag << c.text;
        std::string out = testing::internal::GetCapturedStdout();
        std::string line = std::string(c.tag) + c.text;
        EXPECT_EQ(out, c.printed ? line : std::string()) << "mask " << int(c.mask) << " line " << line;
    }
}

TEST(Log, FilteredLineStillEmptiesTheBuffers) {
    zLog log;
    log.SetLevelMask(0xFF & ~0x08);
    testing::internal::CaptureStdout();
    log << "[!] " << "x\n";
    log << "next\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "next\n");
}

TEST(Log, ConsoleTextIsNeverUsedAsAFormat) {
    zLog log;
    testing::internal::CaptureStdout();
    log << "%d %s %n %%\n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "%d %s %n %%\n");
}

TEST(Log, MaskDefaultsToAllAndCanBeRead) {
    zLog log;
    EXPECT_EQ(log.GetLevelMask(), 0xFF);
    log.SetLevelMask(0x0C);
    EXPECT_EQ(log.GetLevelMask(), 0x0C);
}

TEST(Log, PiecesAreFormattedAsDecimalsAndWords) {
    struct Case {
        std::string expected;
        void (*append)(zLog&);
    };
    const Case cases[] = {
        {"5", [](zLog& l) { l << 5; }},
        {"-7", [](zLog& l) { l.WriteInt(-7); }},
        {"-1", [](zLog& l) { l << static_cast<i8>(-1); }},
        {"200", [](zLog& l) { l << static_cast<u8>(200); }},
        {"65", [](zLog& l) { l << 'A'; }},  // characters print as their codes
        {"-300", [](zLog& l) { l << static_cast<i16>(-300); }},
        {"65535", [](zLog& l) { l << static_cast<u16>(65535); }},
        {"-2147483648", [](zLog& l) { l << std::numeric_limits<i32>::min(); }},
        {"4000000000", [](zLog& l) { l << static_cast<u32>(4000000000u); }},
        {"-9223372036854775808", [](zLog& l) { l << std::numeric_limits<i64>::min(); }},
        {"18446744073709551615", [](zLog& l) { l << std::numeric_limits<u64>::max(); }},
        {"5000000000", [](zLog& l) { l << static_cast<std::size_t>(5000000000ull); }},
        {"-3", [](zLog& l) { l << -3LL; }},
        {"3", [](zLog& l) { l << 3ULL; }},
        {"1.500", [](zLog& l) { l << 1.5f; }},
        {"-0.001", [](zLog& l) { l << -0.0005; }},
        {"2.250", [](zLog& l) { l << 2.25; }},
        {"True", [](zLog& l) { l << true; }},
        {"False", [](zLog& l) { l << false; }},
        {"abc", [](zLog& l) { l << zString("abc"); }},
        {"", [](zLog& l) { l << zString(); }},
        {"", [](zLog& l) { l << static_cast<const char*>(nullptr); }},
    };
    for (const Case& c : cases) {
        LineRecorder log;
        c.append(log);
        log << "\n";
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0], c.expected + "\n");
    }
}

TEST(Log, PointersCannotBeAppended) {
    // They would otherwise convert to bool and print "True".
    EXPECT_FALSE(CanAppend<const void*>::value);
    EXPECT_FALSE(CanAppend<int*>::value);
    EXPECT_TRUE(CanAppend<const char*>::value);
    EXPECT_TRUE(CanAppend<char*>::value);
    EXPECT_TRUE(CanAppend<bool>::value);
}

TEST(Log, OnlyATextPieceWithALineFeedEmitsTheLine) {
    LineRecorder log;
    log << "[!] " << "count " << 3 << " of " << 4.0f << " " << true;
    EXPECT_TRUE(log.lines.empty());
    log << "\n";
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "[!] count 3 of 4.000 True\n");
    log << "second\n";
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[1], "second\n");
}

TEST(Log, PieceWithTwoLineFeedsIsEmittedOnce) {
    LineRecorder log;
    log << "head ";
    log.WriteString("a\nb\n");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "head a\nb\n");
    log << "c";
    log << "\n";
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(log.lines[1], "c\n");
}

TEST(Log, LineFeedInTheMiddleOfAPieceEmitsEverything) {
    LineRecorder log;
    log << "a\nb";
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "a\nb");
}

TEST(Log, ClearForgetsThePendingLine) {
    LineRecorder log;
    log << "dropped " << 1;
    log.Clear();
    log << "kept\n";
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "kept\n");
}

TEST(Log, LineCutAt4095CharactersKeepsItsLineFeed) {
    struct Case {
        std::vector<std::string> pieces;
        std::size_t length;
    };
    const Case cases[] = {
        {{std::string(5000, 'x') + "\n"}, 4095},
        {{std::string(3000, 'x'), std::string(3000, 'y'), "\n"}, 4095},
        {{std::string(4095, 'x'), "\n"}, 4095},
        {{std::string(4094, 'x') + "\n"}, 4095},  // fits: not cut
        {{std::string(4093, 'x') + "\n"}, 4094},
    };
    for (const Case& c : cases) {
        LineRecorder log;
        for (const std::string& piece : c.pieces) log << piece.c_str();
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0].size(), c.length);
        EXPECT_EQ(log.lines[0].back(), '\n');
        // The log is usable afterwards.
        log << "next\n";
        ASSERT_EQ(log.lines.size(), 2u);
        EXPECT_EQ(log.lines[1], "next\n");
    }
}

TEST(Log, SetLogReplacesTheCurrentLogAndNullRestoresTheStaticOne) {
    zLog& original = GetLog();
    {
        LogCapture capture;
        EXPECT_EQ(&GetLog(), &capture);
        {
            LogCapture inner;
            EXPECT_EQ(&GetLog(), &inner);
            GetLog() << "[*] inner\n";
            EXPECT_EQ(inner.Text(), "[*] inner\n");
        }
        EXPECT_EQ(&GetLog(), &capture);
        GetLog() << "outer\n";
        EXPECT_EQ(capture.Text(), "outer\n");
        SetLog(nullptr);
        EXPECT_EQ(&GetLog(), &original);
        SetLog(&capture);
    }
    EXPECT_EQ(&GetLog(), &original);
}

TEST(Log, CaptureAppliesTheMaskAndResets) {
    LogCapture capture;
    capture.SetLevelMask(0x08);
    GetLog() << "[!] error\n" << "[*] warning\n" << "plain\n" << "[|] always\n";
    EXPECT_EQ(capture.Text(), "[!] error\n[|] always\n");
    capture.Reset();
    EXPECT_EQ(capture.Text(), "");
}

TEST(Log, WholeLinesFromTwoThreadsNeverTear) {
    LineRecorder log;
    const int linesPerThread = 500;
    auto writer = [&log](char letter) {
        std::string line(200, letter);
        line += "\n";
        for (int i = 0; i < linesPerThread; ++i) log << line.c_str();
    };
    std::thread first(writer, 'a');
    std::thread second(writer, 'b');
    first.join();
    second.join();
    ASSERT_EQ(log.lines.size(), 2u * linesPerThread);
    for (const std::string& line : log.lines) {
        ASSERT_EQ(line.size(), 201u);
        EXPECT_EQ(line.find_first_not_of(line[0]), 200u) << line;
    }
}
