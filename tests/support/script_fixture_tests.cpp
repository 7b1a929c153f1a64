// Every script under SQ_SCRIPTS runs through the SQ_RUNNER program and must print, write to
// standard error and exit as its comments state (tests/support/script_fixtures.h). Built into each
// test program that keeps scripts, with that program's SQ_SCRIPTS and scratch folder SQ_SCRATCH.
#include <gtest/gtest.h>

#include "tests/support/script_fixtures.h"

namespace {

class Script : public ::testing::TestWithParam<std::string> {};

TEST_P(Script, DoesWhatItsCommentsState) {
    std::string report = CheckScript(SQ_RUNNER, SQ_SCRIPTS, GetParam(), SQ_SCRATCH);
    if (IsPendingScript(GetParam())) {
        if (!report.empty()) GTEST_SKIP() << GetParam() << ".nut is pending: " << report;
        FAIL() << GetParam() << ".nut passes: move it from pending/ to its feature folder";
    }
    EXPECT_TRUE(report.empty()) << GetParam() << ".nut: " << report;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Script, ::testing::ValuesIn(ScriptNames(SQ_SCRIPTS)),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return ScriptTestName(info.param);
                         });

// Each script lives in a feature folder, so the listing must find them there.
TEST(ScriptListing, FindsScriptsInFeatureFolders) {
    std::vector<std::string> names = ScriptNames(SQ_SCRIPTS);
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names)
        EXPECT_NE(name.find('/'), std::string::npos) << name;
}

} // namespace
