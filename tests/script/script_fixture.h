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
#include "tests/support/scratch_search_path.h"

class ScriptFixture : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_FALSE(m_scratch.Path().empty());
        ASSERT_TRUE(vm.Open());
        log.Reset();
    }

    void TearDown() override { vm.Close(); }

    void WriteScript(const char* name, const std::string& text) { m_scratch.Write(name, text); }

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

  private:
    // First in, last out: the search path outlives the VM.
    ScratchSearchPath m_scratch{"ze_script"};

  public:
    LogCapture log;
    zSquirrelVM vm{nullptr};
};
