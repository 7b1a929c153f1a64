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

namespace {

std::vector<std::string> ScriptNames() {
    std::vector<std::string> names;
    if (DIR *dir = opendir(SQ_SCRIPTS)) {
        while (dirent *e = readdir(dir)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".nut") == 0) names.push_back(n.substr(0, n.size() - 4));
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFile(const std::string &path, bool *found = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (found) *found = (bool)in;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

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
