// The comment forms of the script fixtures and the line-by-line comparison that reports them.
#include <gtest/gtest.h>

#include "tests/support/script_fixtures.h"

namespace {

TEST(ScriptExpectation, CommentFormsGiveLinesInFileOrder) {
    ScriptExpectation e = ParseScriptExpectation("// A title comment is no expectation.\n"
                                                 "print(\"a\\n\");  // expect: a\n"
                                                 "// expect:\n"
                                                 "// expect:  two spaces\n"
                                                 "// expect-escaped: tab\\there\\x20\\\\\n"
                                                 "x; // exit: 3\n"
                                                 "// env: NAME=some value\n"
                                                 "// stderr: oops\n"
                                                 "// stderr-escaped: \\x41\n"
                                                 "// expect-no-newline: end\n");
    EXPECT_EQ(e.problem, "");
    ASSERT_EQ(e.output.size(), 5u);
    EXPECT_EQ(ExpectedText(e.output), "a\n\n two spaces\ntab\there \\\nend");
    EXPECT_EQ(e.output[0].scriptLine, 2);
    EXPECT_EQ(e.output[4].scriptLine, 10);
    EXPECT_FALSE(e.output[4].newline);
    EXPECT_EQ(ExpectedText(e.errorOutput), "oops\nA\n");
    EXPECT_EQ(e.exitCode, 3);
    ASSERT_EQ(e.environment.size(), 1u);
    EXPECT_EQ(e.environment[0].first, "NAME");
    EXPECT_EQ(e.environment[0].second, "some value");
}

TEST(ScriptExpectation, MalformedCommentsAreReportedWithTheirLine) {
    struct Case {
        const char* source;
        const char* problem;
    } cases[] = {
        {"\n// exit: three\n", "script line 2: exit takes a whole number"},
        {"// exit:\n", "script line 1: exit takes a whole number"},
        {"// env: =x\n", "script line 1: env takes NAME=value"},
        {"// expect-escaped: \\q\n", "script line 1: bad escape in \"\\\\q\""},
        {"// expect-escaped: \\x4\n", "script line 1: bad escape in \"\\\\x4\""},
        {"// expect-no-newline: a\n// expect: b\n", "script line 2: nothing may follow a no-newline line"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseScriptExpectation(c.source).problem, c.problem) << c.source;
}

TEST(ScriptExpectation, ComparisonNamesTheFirstDifferingLine) {
    ScriptExpectation e = ParseScriptExpectation("// expect: one\n\n// expect: two\n");
    struct Case {
        const char* actual;
        const char* report;
    } cases[] = {
        {"one\ntwo\n", ""},
        {"one\nTWO\n",
         "output line 2 (expected at script line 3) differs:\n  expected \"two\"\n  actual   \"TWO\""},
        {"one\n", "output line 2 (expected at script line 3) is missing: expected \"two\", the output ended"},
        {"one\ntwo", "output line 2 (expected at script line 3) lacks its line feed"},
        {"one\ntwo\nthree\n", "output line 3 is not expected (the script states no more): \"three\""},
        {"one\ntwo\n\n", "output line 3 is not expected (the script states no more): \"\""},
        {"one \ntwo\n",
         "output line 1 (expected at script line 1) differs:\n  expected \"one\"\n  actual   \"one \""},
        {"one\x01\ntwo\n",
         "output line 1 (expected at script line 1) differs:\n  expected \"one\"\n  actual   \"one\\x01\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareLines(e.output, c.actual, "output"), c.report) << c.actual;
    ScriptExpectation partial = ParseScriptExpectation("// expect-no-newline: end\n");
    EXPECT_EQ(CompareLines(partial.output, "end", "output"), "");
    EXPECT_EQ(CompareLines(partial.output, "end\n", "output"),
              "output line 1 (expected at script line 1) has a line feed the script does not expect");
}

TEST(ScriptExpectation, PendingScriptsAndTestNames) {
    EXPECT_EQ(ScriptTestName("classes/inherit-base.nut2"), "classes_inherit_base_nut2");
    EXPECT_TRUE(IsPendingScript("pending/x"));
    EXPECT_FALSE(IsPendingScript("classes/pending"));
}

} // namespace
