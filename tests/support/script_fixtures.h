// Squirrel scripts as tests: a script states what it must print in comments beside the code that
// prints it, and the runner compares line by line. The comment forms (the folder READMEs of
// tests/squirrel and tests/sqstdlib show them in use):
//   // expect: <text>             one line of standard output, the rest of the line after "expect: "
//   // expect:                    an empty line
//   // expect-escaped: <text>     the same with \\, \t, \r and \xHH escapes, for lines that end in
//                                 white space or hold bytes an editor would not keep
//   // expect-no-newline: <text>  the last output, printed without a line feed
//   // stderr: <text>             one line of standard error (and stderr-escaped:, stderr-no-newline:);
//                                 a script that states none must write nothing there
//   // exit: <N>                  the exit code (0 when absent)
//   // env: <NAME>=<value>        an environment variable set for the run
// Lines are expected in file order; the first such comment on a source line counts.
#pragma once

#include <string>
#include <vector>

struct ExpectedLine {
    std::string text;
    int scriptLine = 0; // 1-based line of the comment in the script
    bool newline = true;
};

struct ScriptExpectation {
    std::vector<ExpectedLine> output;
    std::vector<ExpectedLine> errorOutput;
    int exitCode = 0;
    std::vector<std::pair<std::string, std::string>> environment;
    std::string problem; // a malformed comment, with its line; empty when the script reads well
};

ScriptExpectation ParseScriptExpectation(const std::string& source);

// The expected lines joined back into the text they stand for.
std::string ExpectedText(const std::vector<ExpectedLine>& lines);

// Empty when actual is exactly the expected text; otherwise the first differing line with its
// number, the script line of its expectation, and both texts. stream names the output.
std::string CompareLines(const std::vector<ExpectedLine>& expected, const std::string& actual,
                         const char* stream);

// The scripts under root (relative paths without ".nut", sorted); see FilesUnder.
std::vector<std::string> ScriptNames(const std::string& root);

// A gtest name for a script: its relative path with '/' and other marks as '_'.
std::string ScriptTestName(const std::string& script);

// Scripts in the top folder "pending/" state output the library does not give yet: their test is
// skipped while they fail, and fails once they pass (time to move them to their feature folder).
bool IsPendingScript(const std::string& script);

struct ScriptRun {
    bool exited = false; // false when the runner crashed or could not be started
    int exitCode = 0;
    std::string output;
    std::string errorOutput;
};

// Copies root/script.nut into a fresh scratch folder scratchRoot/<test name>/ and runs it there
// through the runner by its file name (so scripts see their own name and write files only there).
ScriptRun RunScript(const std::string& runner, const std::string& root, const std::string& script,
                    const ScriptExpectation& expectation, const std::string& scratchRoot);

// Runs the script and checks everything its comments state; empty when all holds, otherwise one
// message per failed part.
std::string CheckScript(const std::string& runner, const std::string& root, const std::string& script,
                        const std::string& scratchRoot);
