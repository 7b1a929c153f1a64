// Runs every tests/squirrel/scripts/<name>.nut through the sq runner and compares standard
// output with <name>.out and, when present, the exit code with <name>.code.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/squirrel/fixture_files.h"

namespace {

class Script : public ::testing::TestWithParam<std::string> {};

TEST_P(Script, OutputMatches) {
    const std::string base = std::string(SQ_SCRIPTS) + "/" + GetParam();
    const std::string command = std::string("cd ") + SQ_SCRIPTS + " && " + SQ_RUNNER + " " + GetParam() + ".nut 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
    int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << "runner crashed";
    EXPECT_EQ(output, ReadFile(base + ".out"));
    bool hasCode = false;
    std::string code = ReadFile(base + ".code", &hasCode);
    int expectedCode = hasCode ? std::stoi(code) : 0;
    EXPECT_EQ(WEXITSTATUS(status), expectedCode & 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Script, ::testing::ValuesIn(ScriptNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

}  // namespace
