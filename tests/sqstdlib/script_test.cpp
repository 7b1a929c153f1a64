// Runs every script fixture of scripts/ and compares what it prints with <name>.out.
#include <dirent.h>
#include <stdlib.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "script_host.h"

namespace {

// Every fixture, once: the list of names and one test each come from this table.
// clang-format off
#define SQSTDLIB_FIXTURES(X)            \
    X(blob_stream)                      \
    X(blob_errors)                      \
    X(io_file)                          \
    X(io_load)                          \
    X(io_compiled_closure)              \
    X(system)                           \
    X(math)                             \
    X(string_format)                    \
    X(string_functions)                 \
    X(regexp_search)                    \
    X(regexp_match_capture)             \
    X(regexp_errors)                    \
    X(regexp_greedy)                    \
    X(type_tags)
// clang-format on

#define SQSTDLIB_FIXTURE_NAME(name) #name,
const char* const kFixtures[] = {SQSTDLIB_FIXTURES(SQSTDLIB_FIXTURE_NAME)};

// A fixture is switched off by writing its row as DISABLED_<name>; the files keep their name.
std::string FileName(const std::string& testName) {
    const std::string disabled = "DISABLED_";
    return testName.compare(0, disabled.size(), disabled) == 0 ? testName.substr(disabled.size()) : testName;
}

void RunFixture(const std::string& testName) {
    std::string name = FileName(testName);
    setenv("SQSTDLIB_FIXTURE_VALUE", "from the host", 1);
    unsetenv("SQSTDLIB_FIXTURE_MISSING");
    std::string directory = ScriptDirectory();
    ScriptHost host;
    bool ok = host.RunFile(directory + "/" + name + ".nut");
    EXPECT_TRUE(ok) << host.errors;
    EXPECT_EQ(host.errors, "");
    EXPECT_EQ(host.printed, ReadTextFile(directory + "/" + name + ".out"));
}

TEST(SqstdlibScripts, EveryFixtureHasATest) {
    std::set<std::string> listed;
    for (const char* fixture : kFixtures)
        listed.insert(FileName(fixture));
    DIR* dir = opendir(ScriptDirectory().c_str());
    ASSERT_NE(dir, nullptr);
    std::set<std::string> found;
    while (dirent* entry = readdir(dir)) {
        std::string file = entry->d_name;
        if (file.size() > 4 && file.compare(file.size() - 4, 4, ".nut") == 0)
            found.insert(file.substr(0, file.size() - 4));
    }
    closedir(dir);
    EXPECT_EQ(found, listed);
}

#define SQSTDLIB_FIXTURE_TEST(name)                                                                          \
    TEST(SqstdlibScripts, name) {                                                                            \
        RunFixture(#name);                                                                                   \
    }
SQSTDLIB_FIXTURES(SQSTDLIB_FIXTURE_TEST)

} // namespace
