// A zSquirrelVM opened over a scratch folder that is the only search path, so
// scripts are included by their bare names; the log is captured.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "io/file_road.h"
#include "script/squirrel_vm.h"
#include "tests/support/log_capture.h"

class ScriptFixture : public ::testing::Test {
  public:
    void SetUp() override {
        static int serial = 0;
        m_folder = std::filesystem::temp_directory_path() /
                   ("ze_script_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
        std::filesystem::create_directories(m_folder);
        zList<zString> paths;
        paths.Add(zString(m_folder.string().c_str()));
        FileSystemSetSearchPaths(paths);
        ASSERT_TRUE(vm.Open());
        log.Reset();
    }

    void TearDown() override {
        vm.Close();
        zList<zString> none;
        FileSystemSetSearchPaths(none);
        std::filesystem::remove_all(m_folder);
    }

    void WriteScript(const char* name, const std::string& text) {
        std::ofstream(m_folder / name, std::ios::binary) << text;
    }

    // Writes the source as name and includes it.
    bool Run(const std::string& source, const char* name = "t.nut") {
        WriteScript(name, source);
        return vm.Include(name);
    }

    HSQUIRRELVM V() const { return vm.GetHandle(); }

    // Moves the value on top of the stack into a root slot.
    void SetRoot(const char* name) {
        sq_pushroottable(V());
        sq_pushstring(V(), name, -1);
        sq_push(V(), -3);
        sq_newslot(V(), -3, SQFalse);
        sq_pop(V(), 2);
    }

    void DropRoot(const char* name) {
        sq_pushroottable(V());
        sq_pushstring(V(), name, -1);
        sq_deleteslot(V(), -2, SQFalse);
        sq_pop(V(), 1);
    }

    // A root native without parameter check, named for call-stack dumps.
    void AddNative(const char* name, SQFUNCTION function) {
        sq_pushroottable(V());
        sq_pushstring(V(), name, -1);
        sq_newclosure(V(), function, 0);
        sq_setnativeclosurename(V(), -1, name);
        sq_newslot(V(), -3, SQFalse);
        sq_pop(V(), 1);
    }

    LogCapture log;
    zSquirrelVM vm{nullptr};

  private:
    std::filesystem::path m_folder;
};
