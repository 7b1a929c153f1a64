// The sq runner itself: the read-eval-print loop (interactive/<name>.in piped into sq, standard
// output compared with <name>.out), arguments in vargv, exit codes, byte-order marks, options and
// compiled files.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/support/files.h"

namespace {

const std::string kInteractiveDirectory = std::string(SQ_SCRIPTS) + "/interactive";

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

struct RunResult {
    std::string output;
    int exitCode = -1;
};

// Runs a shell command line with sq's standard error discarded.
RunResult RunCommand(const std::string& command) {
    RunResult run;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.output.append(buffer.data(), n);
    int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> InteractiveNames() {
    return FilesUnder(kInteractiveDirectory, ".in");
}

class Interactive : public ::testing::TestWithParam<std::string> {};

TEST_P(Interactive, OutputMatches) {
    const std::string base = kInteractiveDirectory + "/" + GetParam();
    RunResult run = RunCommand(std::string(SQ_RUNNER) + " < " + base + ".in");
    EXPECT_EQ(run.output, ReadWholeFile(base + ".out"));
    EXPECT_EQ(run.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Sessions, Interactive, ::testing::ValuesIn(InteractiveNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// A scratch directory, removed with what the test wrote into it.
class Runner : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/sq_runner_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = pattern;
    }
    void TearDown() override {
        if (!m_directory.empty()) std::system(("rm -rf " + m_directory).c_str());
    }
    std::string Path(const std::string& name) const { return m_directory + "/" + name; }
    RunResult Sq(const std::string& arguments) const {
        return RunCommand("cd " + m_directory + " && " + SQ_RUNNER + " " + arguments);
    }

    std::string m_directory;
};

const char kArgumentsScript[] = "local s = \"\";\n"
                                "foreach (a in vargv) s += \"[\" + a + \"]\";\n"
                                "print(vargv.len() + \" \" + s + \" \" + format(\"%03d\", 7) + \"\\n\");\n"
                                "return vargv.len() + 40;\n";

TEST_F(Runner, ArgumentsGoToVargvAndTheIntegerResultIsTheExitCode) {
    WriteFile(Path("args.nut"), kArgumentsScript);
    RunResult run = Sq("args.nut one \"two words\" 3");
    EXPECT_EQ(run.output, "3 [one][two words][3] 007\n");
    EXPECT_EQ(run.exitCode, 43);
    run = Sq("args.nut");
    EXPECT_EQ(run.output, "0  007\n");
    EXPECT_EQ(run.exitCode, 40);
}

TEST_F(Runner, ANonIntegerResultExitsWithZero) {
    WriteFile(Path("float.nut"), "return 3.5;");
    EXPECT_EQ(Sq("float.nut").exitCode, 0);
    WriteFile(Path("negative.nut"), "return -1;");
    EXPECT_EQ(Sq("negative.nut").exitCode, 255);
}

TEST_F(Runner, AByteOrderMarkIsSkipped) {
    WriteFile(Path("bom.nut"), "\xEF\xBB\xBFprint(\"utf-8 mark\\n\");");
    RunResult run = Sq("bom.nut");
    EXPECT_EQ(run.output, "utf-8 mark\n");
    EXPECT_EQ(run.exitCode, 0);
    // UTF-16 little-endian text with its mark.
    std::string wide = "\xFF\xFE";
    for (char c : std::string("print(\"utf-16\\n\");"))
        wide += std::string(1, c) + '\0';
    WriteFile(Path("wide.nut"), wide);
    EXPECT_EQ(Sq("wide.nut").output, "utf-16\n");
}

TEST_F(Runner, AMissingFileIsReportedWithExitCodeMinusTwo) {
    RunResult run = Sq("missing.nut");
    EXPECT_EQ(run.output, "Error [cannot open the file]\n");
    EXPECT_EQ(run.exitCode, 254);
}

TEST_F(Runner, CompilesToAFileThatRunsLikeTheSource) {
    WriteFile(Path("args.nut"), kArgumentsScript);
    RunResult compile = Sq("-c -o args.cnut args.nut");
    EXPECT_EQ(compile.output, "");
    EXPECT_EQ(compile.exitCode, 0);
    std::string compiled = ReadWholeFile(Path("args.cnut"));
    ASSERT_GE(compiled.size(), 2u);
    EXPECT_EQ((unsigned char)compiled[0], 0xFA);
    EXPECT_EQ((unsigned char)compiled[1], 0xFA);
    RunResult run = Sq("args.cnut a b");
    EXPECT_EQ(run.output, "2 [a][b] 007\n");
    EXPECT_EQ(run.exitCode, 42);
    // Without -o the output is out.cnut in the working directory.
    EXPECT_EQ(Sq("-c args.nut").exitCode, 0);
    EXPECT_EQ(ReadWholeFile(Path("out.cnut")), compiled);
}

TEST_F(Runner, ADamagedCompiledFileFails) {
    WriteFile(Path("ok.nut"), "return 5;");
    ASSERT_EQ(Sq("-c -o ok.cnut ok.nut").exitCode, 0);
    std::string compiled = ReadWholeFile(Path("ok.cnut"));
    WriteFile(Path("cut.cnut"), compiled.substr(0, compiled.size() / 2));
    RunResult run = Sq("cut.cnut");
    EXPECT_EQ(run.output, "Error [invalid bytecode stream: unexpected end]\n");
    EXPECT_EQ(run.exitCode, 254);
    EXPECT_EQ(Sq("ok.cnut").exitCode, 5);
}

TEST_F(Runner, CompileErrorsInCompileOnlyModeAreReported) {
    WriteFile(Path("bad.nut"), "local = 1;");
    RunResult run = Sq("-c bad.nut");
    EXPECT_EQ(run.output.compare(0, 7, "Error ["), 0) << run.output;
    EXPECT_EQ(run.exitCode, 254);
    EXPECT_NE(access(Path("out.cnut").c_str(), F_OK), 0);
}

TEST_F(Runner, Options) {
    RunResult version = Sq("-v");
    EXPECT_EQ(version.output.compare(0, 22, "Squirrel 3.0.7 stable "), 0) << version.output;
    EXPECT_NE(version.output.find("(32 bits)\n"), std::string::npos);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(Sq("-h").output, version.output);
    RunResult unknown = Sq("-x file.nut");
    EXPECT_EQ(unknown.output, version.output + "unknown prameter '-x'\n");
    EXPECT_EQ(unknown.exitCode, 255);
    // -d turns debug information on: the line hook then sees every line.
    WriteFile(Path("debug.nut"),
              "local lines = 0;\n"
              "setdebughook(function(type, source, line, name) { if (type == 'l') lines++; });\n"
              "local a = 1;\n"
              "a++;\n"
              "setdebughook(null);\n"
              "print(lines > 0 ? \"lines\\n\" : \"none\\n\");\n");
    EXPECT_EQ(Sq("-d debug.nut").output, "lines\n");
    EXPECT_EQ(Sq("debug.nut").output, "none\n");
}

} // namespace
