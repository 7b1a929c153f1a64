#include "tests/support/script_fixtures.h"

#include <sys/wait.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/support/files.h"

namespace {

enum class Target { output, errorOutput, exitCode, environment };

struct Directive {
    const char* name;
    Target target;
    bool escaped;
    bool newline;
};

// Longer names first where one starts another.
const Directive kDirectives[] = {
    {"expect-no-newline:", Target::output, false, false},
    {"expect-escaped:", Target::output, true, true},
    {"expect:", Target::output, false, true},
    {"stderr-no-newline:", Target::errorOutput, false, false},
    {"stderr-escaped:", Target::errorOutput, true, true},
    {"stderr:", Target::errorOutput, false, true},
    {"exit:", Target::exitCode, false, true},
    {"env:", Target::environment, false, true},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(const std::string& text, std::string* out) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out->push_back(text[i]);
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
        case '\\':
            out->push_back('\\');
            break;
        case 't':
            out->push_back('\t');
            break;
        case 'r':
            out->push_back('\r');
            break;
        case 'x': {
            int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0) return false;
            out->push_back(char(high * 16 + low));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

// The directive a source line holds, if any, and the text after it.
const Directive* FindDirective(const std::string& line, std::string* rest) {
    for (size_t at = line.find("// "); at != std::string::npos; at = line.find("// ", at + 1)) {
        for (const Directive& d : kDirectives) {
            size_t length = std::char_traits<char>::length(d.name);
            if (line.compare(at + 3, length, d.name) != 0) continue;
            *rest = line.substr(at + 3 + length);
            if (!rest->empty() && rest->front() == ' ') rest->erase(0, 1);
            return &d;
        }
    }
    return nullptr;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else
            out.push_back(char(c));
    }
    return out + "\"";
}

std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    return out + "'";
}

} // namespace

ScriptExpectation ParseScriptExpectation(const std::string& source) {
    ScriptExpectation result;
    size_t start = 0;
    for (int lineNumber = 1; start < source.size(); ++lineNumber) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos) end = source.size();
        std::string line = source.substr(start, end - start);
        start = end + 1;
        std::string rest;
        const Directive* directive = FindDirective(line, &rest);
        if (!directive) continue;
        auto fail = [&](const std::string& why) {
            if (result.problem.empty())
                result.problem = "script line " + std::to_string(lineNumber) + ": " + why;
        };
        switch (directive->target) {
        case Target::exitCode: {
            char* after = nullptr;
            long code = std::strtol(rest.c_str(), &after, 10);
            if (rest.empty() || *after != '\0')
                fail("exit takes a whole number");
            else
                result.exitCode = int(code);
            break;
        }
        case Target::environment: {
            size_t equals = rest.find('=');
            if (equals == std::string::npos || equals == 0)
                fail("env takes NAME=value");
            else
                result.environment.emplace_back(rest.substr(0, equals), rest.substr(equals + 1));
            break;
        }
        case Target::output:
        case Target::errorOutput: {
            auto& lines = directive->target == Target::output ? result.output : result.errorOutput;
            if (!lines.empty() && !lines.back().newline) fail("nothing may follow a no-newline line");
            ExpectedLine expected;
            expected.scriptLine = lineNumber;
            expected.newline = directive->newline;
            if (!directive->escaped)
                expected.text = rest;
            else if (!Unescape(rest, &expected.text))
                fail("bad escape in " + Quoted(rest));
            lines.push_back(expected);
            break;
        }
        }
    }
    return result;
}

std::string ExpectedText(const std::vector<ExpectedLine>& lines) {
    std::string text;
    for (const ExpectedLine& line : lines)
        text += line.text + (line.newline ? "\n" : "");
    return text;
}

std::string CompareLines(const std::vector<ExpectedLine>& expected, const std::string& actual,
                         const char* stream) {
    size_t position = 0;
    for (size_t index = 0; index < expected.size(); ++index) {
        const ExpectedLine& line = expected[index];
        std::string where = std::string(stream) + " line " + std::to_string(index + 1) +
                            " (expected at script line " + std::to_string(line.scriptLine) + ")";
        if (position >= actual.size())
            return where + " is missing: expected " + Quoted(line.text) + ", the output ended";
        size_t end = actual.find('\n', position);
        bool newline = end != std::string::npos;
        if (!newline) end = actual.size();
        std::string got = actual.substr(position, end - position);
        if (got != line.text)
            return where + " differs:\n  expected " + Quoted(line.text) + "\n  actual   " + Quoted(got);
        if (newline != line.newline)
            return where +
                   (line.newline ? " lacks its line feed" : " has a line feed the script does not expect");
        position = newline ? end + 1 : end;
    }
    if (position < actual.size()) {
        size_t end = actual.find('\n', position);
        std::string got =
            actual.substr(position, end == std::string::npos ? std::string::npos : end - position);
        return std::string(stream) + " line " + std::to_string(expected.size() + 1) +
               " is not expected (the script states no more): " + Quoted(got);
    }
    return std::string();
}

std::vector<std::string> ScriptNames(const std::string& root) {
    return FilesUnder(root, ".nut");
}

std::string ScriptTestName(const std::string& script) {
    std::string name;
    for (char c : script)
        name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return name;
}

bool IsPendingScript(const std::string& script) {
    return script.compare(0, 8, "pending/") == 0;
}

ScriptRun RunScript(const std::string& runner, const std::string& root, const std::string& script,
                    const ScriptExpectation& expectation, const std::string& scratchRoot) {
    namespace fs = std::filesystem;
    ScriptRun run;
    const fs::path scratch = fs::path(scratchRoot) / ScriptTestName(script);
    const fs::path source = fs::path(root) / (script + ".nut");
    const std::string file = source.filename().string();
    std::error_code error;
    fs::remove_all(scratch, error);
    fs::create_directories(scratch, error);
    if (!fs::copy_file(source, scratch / file, error)) {
        run.errorOutput =
            "cannot copy " + source.string() + " to " + scratch.string() + ": " + error.message();
        return run;
    }
    const std::string errorFile = scratch.string() + ".stderr";
    std::string command = "cd " + ShellQuoted(scratch.string()) + " && ";
    for (const auto& variable : expectation.environment)
        command += variable.first + "=" + ShellQuoted(variable.second) + " ";
    command += ShellQuoted(runner) + " " + ShellQuoted(file) + " 2>" + ShellQuoted(errorFile);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer;
    size_t count;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.output.append(buffer.data(), count);
    int status = pclose(pipe);
    run.exited = status != -1 && WIFEXITED(status);
    run.exitCode = run.exited ? WEXITSTATUS(status) : -1;
    run.errorOutput = ReadWholeFile(errorFile);
    return run;
}

std::string CheckScript(const std::string& runner, const std::string& root, const std::string& script,
                        const std::string& scratchRoot) {
    bool found = false;
    ScriptExpectation expectation =
        ParseScriptExpectation(ReadWholeFile(root + "/" + script + ".nut", &found));
    if (!found) return "cannot read " + root + "/" + script + ".nut";
    if (!expectation.problem.empty()) return expectation.problem;
    ScriptRun run = RunScript(runner, root, script, expectation, scratchRoot);
    if (!run.exited) return "the runner did not exit normally; standard error:\n" + run.errorOutput;
    std::string report;
    auto add = [&report](const std::string& part) {
        if (!part.empty()) report += (report.empty() ? "" : "\n") + part;
    };
    add(CompareLines(expectation.output, run.output, "output"));
    add(CompareLines(expectation.errorOutput, run.errorOutput, "standard error"));
    if (run.exitCode != (expectation.exitCode & 0xFF))
        add("exit code " + std::to_string(run.exitCode) + ", expected " +
            std::to_string(expectation.exitCode));
    return report;
}
